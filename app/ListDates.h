// Item times as the item list and the item view show them, and as the list
// sorts them: a short English display text ("Wed 3/7/2012 09:05 AM") and a
// sortable key ("2012-03-07 09:05:00"). A stored time is a UTC instant; it
// is shown as the wall-clock time of that instant in the machine's own time
// zone.
#pragma once
#include "framework/framework.h"

// Day name (0 or 7 Sun ... 6 Sat, anything else none), " M/D/YYYY",
// " HH:MM" on the 24-hour clock and " AM" below hour 12, else " PM".
CString FormatListDateText(int nDayOfWeek, int nDay, int nMonth, int nYear, int nHour, int nMinute);

// The display text and the sort key of a stored UTC time.
void MakeListTimeTexts(const FILETIME& ftStored, CString& strDisplay, CString& strSortKey);

// The two steps of that conversion, for callers that look at the stored
// fields in between:
// the stored time's UTC calendar fields, a year past 9999 replaced by the
// current local year (all zero when the time has no calendar fields);
SYSTEMTIME StoredListTimeFields(const FILETIME& ftStored);
// those fields as shown: the same instant as the wall-clock time of the
// system's time zone, milliseconds from 991 carried into the next second
// (wDayOfWeek set, wMilliseconds 0). A year before 1900 is read as
// 1970-01-01 00:00:00 UTC; fields that make no time come back as stored.
SYSTEMTIME ShownListTimeFields(const SYSTEMTIME& stored);

// The year of the local clock (read through the clock seam); 0 where it
// cannot be read. Stored years beyond 9999 are shown as this year.
int CurrentLocalYear();

// The calendar fields from year to second read as a local time, daylight
// saving unknown (the runtime's _mktime64); -1 where it cannot convert them.
__time64_t LocalTimeOfFields(const SYSTEMTIME& fields);

// A sort key back to a time value (seconds since 1970 UTC, earlier times
// negative), the key read as a wall-clock time of the system's time zone.
// False for a key that is not a date: a field out of range, or a year before
// 1601. A day past the end of its month runs on into the next.
bool ListDateKeyTime(const wchar_t* pszKey, __time64_t& value);
// The same, 0 for a key that is not a date.
__time64_t ParseListDateText(const wchar_t* pszKey);
