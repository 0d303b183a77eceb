#include "framework/fwtypes.h"

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
