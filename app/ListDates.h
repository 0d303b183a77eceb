// Item times as the item list shows and sorts them: a short English display
// text ("Wed 3/7/2012 09:05 AM") and a sortable key ("2012-03-07 09:05:00").
// Stored times are shifted by a fixed 5 h 30 min before they are shown.
#pragma once
#include "framework/framework.h"

// The fixed shift added to every shown item time, in seconds.
constexpr int kListTimeShiftSeconds = 19800;

// Day name (0 or 7 Sun ... 6 Sat, anything else none), " M/D/YYYY",
// " HH:MM" on the 24-hour clock and " AM" below hour 12, else " PM".
CString FormatListDateText(int nDayOfWeek, int nDay, int nMonth, int nYear, int nHour, int nMinute);

// The display text and the sort key of a stored UTC time.
void MakeListTimeTexts(const FILETIME& ftStored, CString& strDisplay, CString& strSortKey);

// The year of the local clock (read through the clock seam); 0 where it
// cannot be read. Stored years beyond 9999 are shown as this year.
int CurrentLocalYear();

// The calendar fields from year to second read as a local time, daylight
// saving unknown (the runtime's _mktime64); -1 where it cannot convert them.
__time64_t LocalTimeOfFields(const SYSTEMTIME& fields);

// A sort key back to a local time value; 0 for a key outside 1981..2020 or
// with a field out of range.
__time64_t ParseListDateText(const wchar_t* pszKey);
