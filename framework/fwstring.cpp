#include "framework/fwstring.h"
#include "framework/fwapp.h"
#include <cstdarg>
#include <cwchar>
#include <vector>

namespace {
// A zero-terminated text in the ANSI code page.
std::wstring FromAnsi(LPCSTR psz) {
    if (!psz) return std::wstring();
    int n = ::MultiByteToWideChar(CP_ACP, 0, psz, -1, nullptr, 0);
    if (n <= 1) return std::wstring();
    std::wstring s((size_t)n, L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, psz, -1, &s[0], n);
    s.pop_back();   // the terminating zero
    return s;
}
}  // namespace

CString::CString(LPCSTR psz) : m_s(FromAnsi(psz)) {}

CString CString::Left(int nCount) const {
    if (nCount <= 0) return CString();
    return CString(m_s.substr(0, (size_t)nCount));
}

CString CString::Mid(int nFirst) const { return Mid(nFirst, GetLength()); }

CString CString::Mid(int nFirst, int nCount) const {
    if (nFirst < 0) nFirst = 0;
    if (nCount <= 0 || (size_t)nFirst >= m_s.size()) return CString();
    return CString(m_s.substr((size_t)nFirst, (size_t)nCount));
}

int CString::Find(wchar_t ch, int nStart) const {
    if (nStart < 0 || (size_t)nStart >= m_s.size()) return -1;
    size_t p = m_s.find(ch, (size_t)nStart);
    return p == std::wstring::npos ? -1 : (int)p;
}

int CString::Find(LPCWSTR pszSub, int nStart) const {
    if (!pszSub || nStart < 0 || (size_t)nStart > m_s.size()) return -1;
    size_t p = m_s.find(pszSub, (size_t)nStart);
    return p == std::wstring::npos ? -1 : (int)p;
}

int CString::ReverseFind(wchar_t ch) const {
    size_t p = m_s.rfind(ch);
    return p == std::wstring::npos ? -1 : (int)p;
}

int CString::FindOneOf(LPCWSTR pszCharSet) const {
    if (!pszCharSet) return -1;
    size_t p = m_s.find_first_of(pszCharSet);
    return p == std::wstring::npos ? -1 : (int)p;
}

int CString::Replace(LPCWSTR pszOld, LPCWSTR pszNew) {
    if (!pszOld || !*pszOld) return 0;
    std::wstring from(pszOld), to(pszNew ? pszNew : L"");
    int n = 0;
    for (size_t p = m_s.find(from); p != std::wstring::npos; p = m_s.find(from, p + to.size())) {
        m_s.replace(p, from.size(), to);
        ++n;
    }
    return n;
}

int CString::Replace(wchar_t chOld, wchar_t chNew) {
    int n = 0;
    for (auto& c : m_s)
        if (c == chOld) { c = chNew; ++n; }
    return n;
}

void CString::FormatV(LPCWSTR pszFormat, va_list args) {
    if (!pszFormat) { m_s.clear(); return; }
    // msvcrt's _vsnwprintf: %s is a wide string in a wide format. It returns
    // -1 when the buffer is too small, so the buffer grows until it fits.
    std::vector<wchar_t> buf(256);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        int n = _vsnwprintf(buf.data(), buf.size() - 1, pszFormat, copy);
        va_end(copy);
        if (n >= 0 && (size_t)n < buf.size() - 1) {
            m_s.assign(buf.data(), (size_t)n);
            return;
        }
        if (buf.size() >= (1u << 24)) {   // a format error, not a long text
            m_s.clear();
            return;
        }
        buf.resize(buf.size() * 2);
    }
}

void CString::FormatRaw(LPCWSTR pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

BOOL CString::LoadString(UINT nID) {
    // LoadStringW with a zero length gives a read-only pointer to the text.
    const wchar_t* p = nullptr;
    int n = ::LoadStringW(AfxGetResourceHandle(), nID, reinterpret_cast<LPWSTR>(&p), 0);
    if (n <= 0 || !p) { m_s.clear(); return FALSE; }
    m_s.assign(p, (size_t)n);
    return TRUE;
}

LPWSTR CString::GetBufferSetLength(int nLength) {
    m_s.resize(nLength > 0 ? (size_t)nLength : 0);
    return &m_s[0];
}

void CString::ReleaseBuffer(int nNewLength) {
    if (nNewLength < 0) {
        size_t n = 0;
        while (n < m_s.size() && m_s[n] != L'\0') ++n;
        m_s.resize(n);
    } else if ((size_t)nNewLength <= m_s.size()) {
        m_s.resize((size_t)nNewLength);
    }
}
