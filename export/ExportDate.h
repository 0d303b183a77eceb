// The item writer's date text: "month/day/year hour:minute AM|PM" of a stored
// time shifted by a fixed 19800 seconds (5 h 30 min), read through the local
// zone as the calendar conversion does.
#pragma once
#include "framework/framework.h"

// A stored time that the calendar conversion cannot represent (a year from
// 1900 to 1969, or after 3000): the exporter's guard takes it and the item
// is not stored.
struct ExportDateError {};

// month/day/year unpadded; hour and minute two digits below 10; " AM" for
// hours below 12, else " PM" (the hour stays in 24-hour form).
CString FormatExportDateText(int month, int day, int year, int hour, int minute);

// The first steps: the stored time's calendar fields (a year past 9999
// replaced by the current local year) and the second that milliseconds from
// 991 carry; false when the file time has no calendar fields.
bool ExportDateFields(const FILETIME& stored, SYSTEMTIME& fields, int& carriedSecond);
// The remaining steps for such fields: read as local time, shifted, broken
// down and formatted. Throws ExportDateError like ExportDateText.
CString ExportDateTextOfFields(const SYSTEMTIME& fields, int carriedSecond);
// The current local time's text, without the shift.
CString CurrentLocalDateText();

// The whole conversion of a stored FILETIME; empty when the file time itself
// cannot be converted. Throws ExportDateError for out-of-range calendar times.
CString ExportDateText(const FILETIME& stored);
// The same for an item that is stored whatever its time: a time the text
// cannot hold gives an empty text (no time), counted as a part not saved.
CString ExportDateTextOrNone(const FILETIME& stored);
