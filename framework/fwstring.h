// CString: a UTF-16 text value over std::wstring.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <cstdarg>
#include <string>

class CString;
// What a formatting argument becomes on its way through "...".
inline LPCWSTR FwVarArg(const CString& s);
template <class T> inline const T& FwVarArg(const T& v) { return v; }

class CString {
public:
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString(LPCWSTR psz) : m_s(psz ? psz : L"") {}
    CString(LPCWSTR pch, int nLength) : m_s(pch ? pch : L"", pch && nLength > 0 ? (size_t)nLength : 0) {}
    CString(wchar_t ch, int nRepeat = 1) : m_s(nRepeat > 0 ? (size_t)nRepeat : 0, ch) {}
    CString(const std::wstring& s) : m_s(s) {}
    // 8-bit text in the system's ANSI code page.
    CString(LPCSTR psz);

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(LPCWSTR psz) { m_s = psz ? psz : L""; return *this; }

    CString& operator+=(const CString& s) { m_s += s.m_s; return *this; }
    CString& operator+=(LPCWSTR psz) { if (psz) m_s += psz; return *this; }

    operator LPCWSTR() const { return m_s.c_str(); }
    LPCWSTR GetString() const { return m_s.c_str(); }
    const std::wstring& str() const { return m_s; }

    int GetLength() const { return (int)m_s.size(); }
    bool IsEmpty() const { return m_s.empty(); }
    void Empty() { m_s.clear(); }
    wchar_t GetAt(int i) const { return (i >= 0 && i < GetLength()) ? m_s[(size_t)i] : L'\0'; }
    wchar_t operator[](int i) const { return GetAt(i); }
    void SetAt(int i, wchar_t ch) { if (i >= 0 && i < GetLength()) m_s[(size_t)i] = ch; }

    int Compare(LPCWSTR psz) const { return wcscmp(m_s.c_str(), psz ? psz : L""); }
    int CompareNoCase(LPCWSTR psz) const { return _wcsicmp(m_s.c_str(), psz ? psz : L""); }

    CString Left(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    int Find(wchar_t ch, int nStart = 0) const;
    int Find(LPCWSTR pszSub, int nStart = 0) const;
    int ReverseFind(wchar_t ch) const;
    int FindOneOf(LPCWSTR pszCharSet) const;
    int Replace(LPCWSTR pszOld, LPCWSTR pszNew);
    int Replace(wchar_t chOld, wchar_t chNew);

    // printf-style formatting with the Microsoft conventions: %s and %c take
    // wide arguments, %hs and %hc 8-bit ones. A CString argument is passed
    // as its text (it could not travel through "..." itself).
    template <class... Args> void Format(LPCWSTR pszFormat, const Args&... args) {
        FormatRaw(pszFormat, FwVarArg(args)...);
    }
    template <class... Args> void AppendFormat(LPCWSTR pszFormat, const Args&... args) {
        CString more;
        more.FormatRaw(pszFormat, FwVarArg(args)...);
        m_s += more.m_s;
    }
    void FormatV(LPCWSTR pszFormat, va_list args);
    void FormatRaw(LPCWSTR pszFormat, ...);

    // Loads a string resource from the resource module; FALSE when missing.
    BOOL LoadString(UINT nID);

    // Direct buffer access: GetBufferSetLength gives nLength units to fill;
    // ReleaseBuffer(-1) takes the length up to the first zero unit.
    LPWSTR GetBufferSetLength(int nLength);
    void ReleaseBuffer(int nNewLength = -1);

    friend bool operator==(const CString& a, const CString& b) { return a.m_s == b.m_s; }
    friend bool operator==(const CString& a, LPCWSTR b) { return a.Compare(b) == 0; }
    friend bool operator!=(const CString& a, const CString& b) { return a.m_s != b.m_s; }
    friend bool operator!=(const CString& a, LPCWSTR b) { return a.Compare(b) != 0; }
    friend CString operator+(const CString& a, const CString& b) { CString r(a); r += b; return r; }
    friend CString operator+(const CString& a, LPCWSTR b) { CString r(a); r += b; return r; }
    friend CString operator+(LPCWSTR a, const CString& b) { CString r(a); r += b; return r; }
private:
    std::wstring m_s;
};

inline LPCWSTR FwVarArg(const CString& s) { return s.GetString(); }
