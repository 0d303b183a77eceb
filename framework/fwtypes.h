// Small value types: CPoint, CSize, CRect, CTime.
#pragma once
#include <windows.h>
#include <time.h>

class CSize : public tagSIZE {
public:
    CSize(int x, int y) { cx = x; cy = y; }
};

class CPoint : public tagPOINT {
public:
    CPoint() { x = 0; y = 0; }
    CPoint(int ix, int iy) { x = ix; y = iy; }
    CPoint(POINT p) { x = p.x; y = p.y; }
};

class CRect : public tagRECT {
public:
    CRect() { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
    CRect(const RECT& r) { left = r.left; top = r.top; right = r.right; bottom = r.bottom; }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
};

// A calendar time as a 64-bit count of seconds since 1970 (UTC), made from
// local fields through the C runtime.
class CTime {
public:
    // Local calendar fields; nDST < 0 lets the system decide daylight saving.
    // Fields that do not make a valid time give the time value -1.
    CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST = -1);
    CTime(const SYSTEMTIME& st, int nDST = -1);   // a year before 1900 gives 0

    __time64_t GetTime() const { return m_time; }
private:
    __time64_t m_time;
};

// Calendar times in the system's time zone (GetDynamicTimeZoneInformation
// through the seam table, with the daylight-saving rules of the year in
// question where the system keeps them per year). Unlike the C runtime's
// local time, this does not depend on the TZ variable, so a time reads the
// same on Windows and under Wine. Both fail for fields that are not a valid
// time from 1601 on.
// A UTC time as the zone's wall-clock time (wDayOfWeek set).
bool ZoneTimeOfUtc(const SYSTEMTIME& utc, SYSTEMTIME& local);
// The zone's wall-clock time as UTC (wDayOfWeek set).
bool UtcOfZoneTime(const SYSTEMTIME& local, SYSTEMTIME& utc);
