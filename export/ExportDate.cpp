#include "export/ExportDate.h"

#include <time.h>

#include "app/ListDates.h"
#include "export/SaveLosses.h"
#include "framework/seams.h"

namespace {

const __time64_t kExportShiftSeconds = 19800;
// The last second the calendar conversion takes: 3000-12-31 23:59:59 UTC.
const __time64_t kLastConvertibleTime = 32535215999LL;

// The calendar fields read as a local time with daylight saving unknown.
__time64_t LocalFieldsToTime(const SYSTEMTIME& fields) {
    if (fields.wYear < 1900) return 0;
    if (fields.wMonth < 1 || fields.wMonth > 12 || fields.wDay < 1 || fields.wDay > 31 || fields.wHour > 23 ||
        fields.wMinute > 59 || fields.wSecond > 59)
        throw ExportDateError();
    const __time64_t value = LocalTimeOfFields(fields);
    if (value < 0 || value > kLastConvertibleTime) throw ExportDateError();
    return value;
}

}  // namespace

CString FormatExportDateText(int month, int day, int year, int hour, int minute) {
    CString text;
    text.Format(L"%d/%d/%d %02d:%02d%s", month, day, year, hour, minute, hour < 12 ? L" AM" : L" PM");
    return text;
}

bool ExportDateFields(const FILETIME& stored, SYSTEMTIME& fields, int& carriedSecond) {
    if (!FileTimeToSystemTime(&stored, &fields)) return false;
    if (fields.wYear > 9999) fields.wYear = static_cast<WORD>(CurrentLocalYear());
    carriedSecond = fields.wMilliseconds + 4 >= 995 ? 1 : 0;
    return true;
}

CString ExportDateTextOfFields(const SYSTEMTIME& stored, int carriedSecond) {
    SYSTEMTIME fields = stored;
    __time64_t shifted = LocalFieldsToTime(fields) + kExportShiftSeconds + carriedSecond;
    struct tm local = {};
    if (_localtime64_s(&local, &shifted) == 0) {
        fields.wYear = static_cast<WORD>(local.tm_year + 1900);
        fields.wMonth = static_cast<WORD>(local.tm_mon + 1);
        fields.wDay = static_cast<WORD>(local.tm_mday);
        fields.wHour = static_cast<WORD>(local.tm_hour);
        fields.wMinute = static_cast<WORD>(local.tm_min);
    }
    return FormatExportDateText(fields.wMonth, fields.wDay, fields.wYear, fields.wHour, fields.wMinute);
}

CString CurrentLocalDateText() {
    __time64_t now = g_Seams.Time64(nullptr);
    struct tm local = {};
    if (_localtime64_s(&local, &now) != 0) return CString();
    return FormatExportDateText(local.tm_mon + 1, local.tm_mday, local.tm_year + 1900, local.tm_hour, local.tm_min);
}

CString ExportDateTextOrNone(const FILETIME& stored) {
    try {
        return ExportDateText(stored);
    } catch (const ExportDateError&) {
        g_saveLosses.Part(0, L"A time that the item writer's date text cannot hold (a year from 1900 to 1969, or "
                             L"after 3000) is left out.");
        return CString();
    }
}

CString ExportDateText(const FILETIME& stored) {
    SYSTEMTIME fields = {};
    int carriedSecond = 0;
    if (!ExportDateFields(stored, fields, carriedSecond)) return CString();
    return ExportDateTextOfFields(fields, carriedSecond);
}
