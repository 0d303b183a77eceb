#include "framework/fwstring.h"
#include "framework/fwapp.h"
#include <cstdarg>
#include <cwchar>
#include <vector>

namespace {
std::wstring FromAnsi(LPCSTR pch, int nLength) {
    if (!pch || nLength == 0) return std::wstring();
    int n = ::MultiByteToWideChar(CP_ACP, 0, pch, nLength, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring s((size_t)n, L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, pch, nLength, &s[0], n);
    if (nLength < 0 && !s.empty() && s.back() == L'\0') s.pop_back();
    return s;
}
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f'; }
}  // namespace

CString::CString(LPCSTR psz) : m_s(FromAnsi(psz, -1)) {}
CString::CString(LPCSTR pch, int nLength) : m_s(nLength > 0 ? FromAnsi(pch, nLength) : std::wstring()) {}

CString CString::Left(int nCount) const {
    if (nCount <= 0) return CString();
    return CString(m_s.substr(0, (size_t)nCount));
}

CString CString::Right(int nCount) const {
    if (nCount <= 0) return CString();
    if ((size_t)nCount >= m_s.size()) return *this;
    return CString(m_s.substr(m_s.size() - (size_t)nCount));
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

CString& CString::MakeUpper() {
    if (!m_s.empty()) ::CharUpperBuffW(&m_s[0], (DWORD)m_s.size());
    return *this;
}

CString& CString::MakeLower() {
    if (!m_s.empty()) ::CharLowerBuffW(&m_s[0], (DWORD)m_s.size());
    return *this;
}

CString& CString::MakeReverse() {
    m_s.assign(m_s.rbegin(), m_s.rend());
    return *this;
}

CString& CString::TrimLeft() {
    size_t i = 0;
    while (i < m_s.size() && IsBlank(m_s[i])) ++i;
    m_s.erase(0, i);
    return *this;
}

CString& CString::TrimRight() {
    size_t n = m_s.size();
    while (n > 0 && IsBlank(m_s[n - 1])) --n;
    m_s.resize(n);
    return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }

CString& CString::TrimLeft(LPCWSTR pszTargets) {
    if (!pszTargets) return *this;
    size_t p = m_s.find_first_not_of(pszTargets);
    m_s.erase(0, p == std::wstring::npos ? m_s.size() : p);
    return *this;
}

CString& CString::TrimRight(LPCWSTR pszTargets) {
    if (!pszTargets) return *this;
    size_t p = m_s.find_last_not_of(pszTargets);
    m_s.resize(p == std::wstring::npos ? 0 : p + 1);
    return *this;
}

CString& CString::Trim(LPCWSTR pszTargets) { return TrimRight(pszTargets).TrimLeft(pszTargets); }

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

int CString::Remove(wchar_t ch) {
    size_t before = m_s.size();
    std::wstring r;
    r.reserve(before);
    for (wchar_t c : m_s)
        if (c != ch) r += c;
    m_s.swap(r);
    return (int)(before - m_s.size());
}

int CString::Insert(int nIndex, LPCWSTR psz) {
    if (nIndex < 0) nIndex = 0;
    if ((size_t)nIndex > m_s.size()) nIndex = (int)m_s.size();
    if (psz) m_s.insert((size_t)nIndex, psz);
    return GetLength();
}

int CString::Delete(int nIndex, int nCount) {
    if (nIndex < 0) nIndex = 0;
    if (nCount > 0 && (size_t)nIndex < m_s.size()) m_s.erase((size_t)nIndex, (size_t)nCount);
    return GetLength();
}

CString CString::Tokenize(LPCWSTR pszTokens, int& iStart) const {
    if (iStart < 0 || !pszTokens) { iStart = -1; return CString(); }
    size_t b = m_s.find_first_not_of(pszTokens, (size_t)iStart);
    if (b == std::wstring::npos) { iStart = -1; return CString(); }
    size_t e = m_s.find_first_of(pszTokens, b);
    if (e == std::wstring::npos) e = m_s.size();
    iStart = (int)e + 1;
    return CString(m_s.substr(b, e - b));
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

LPWSTR CString::GetBuffer(int nMinLength) {
    if (nMinLength > 0 && (size_t)nMinLength > m_s.size()) m_s.resize((size_t)nMinLength);
    m_s.reserve(m_s.size() + 1);
    return &m_s[0];
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
