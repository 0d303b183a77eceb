#include "framework/fwtypes.h"
#include "framework/fwstring.h"
#include "framework/seams.h"
#include <cwchar>

void CRect::NormalizeRect() {
    if (left > right) { LONG t = left; left = right; right = t; }
    if (top > bottom) { LONG t = top; top = bottom; bottom = t; }
}

CTime::CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST) {
    struct tm t = {};
    t.tm_year = nYear - 1900;
    t.tm_mon = nMonth - 1;
    t.tm_mday = nDay;
    t.tm_hour = nHour;
    t.tm_min = nMin;
    t.tm_sec = nSec;
    t.tm_isdst = nDST;
    m_time = _mktime64(&t);
}

CTime::CTime(const SYSTEMTIME& st, int nDST) : m_time(0) {
    // A year before 1900 (a zeroed or failed conversion among them) is the
    // time value 0, not an error.
    if (st.wYear < 1900) return;
    *this = CTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, nDST);
}

CTime::CTime(const FILETIME& ft, int nDST) {
    // Through local fields, as the file time is read by the program.
    FILETIME local;
    SYSTEMTIME st;
    if (!::FileTimeToLocalFileTime(&ft, &local) || !::FileTimeToSystemTime(&local, &st)) {
        m_time = -1;
        return;
    }
    *this = CTime(st, nDST);
}

CTime CTime::GetCurrentTime() { return CTime(g_Seams.Time64(nullptr)); }

bool CTime::GetLocalTm(struct tm* ptm) const {
    if (!ptm || m_time < 0) return false;
    return _localtime64_s(ptm, &m_time) == 0;
}

bool CTime::GetAsSystemTime(SYSTEMTIME& st) const {
    struct tm t;
    if (!GetLocalTm(&t)) return false;
    st.wYear = (WORD)(t.tm_year + 1900);
    st.wMonth = (WORD)(t.tm_mon + 1);
    st.wDayOfWeek = (WORD)t.tm_wday;
    st.wDay = (WORD)t.tm_mday;
    st.wHour = (WORD)t.tm_hour;
    st.wMinute = (WORD)t.tm_min;
    st.wSecond = (WORD)t.tm_sec;
    st.wMilliseconds = 0;
    return true;
}

namespace {
int Field(const CTime& time, int tm::*field, int add) {
    struct tm t;
    return time.GetLocalTm(&t) ? t.*field + add : 0;
}
}  // namespace

int CTime::GetYear() const { return Field(*this, &tm::tm_year, 1900); }
int CTime::GetMonth() const { return Field(*this, &tm::tm_mon, 1); }
int CTime::GetDay() const { return Field(*this, &tm::tm_mday, 0); }
int CTime::GetHour() const { return Field(*this, &tm::tm_hour, 0); }
int CTime::GetMinute() const { return Field(*this, &tm::tm_min, 0); }
int CTime::GetSecond() const { return Field(*this, &tm::tm_sec, 0); }
int CTime::GetDayOfWeek() const { return Field(*this, &tm::tm_wday, 1); }

CString CTime::Format(LPCWSTR pszFormat) const {
    struct tm t;
    if (!pszFormat || !GetLocalTm(&t)) return CString();
    wchar_t buf[256];
    size_t n = wcsftime(buf, 256, pszFormat, &t);
    return CString(buf, (int)n);
}
