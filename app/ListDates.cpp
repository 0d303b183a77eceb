#include "app/ListDates.h"

#include <time.h>

#include <cstdint>
#include <cwchar>
#include <string>

namespace {

const wchar_t* const kDayNames[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat", L"Sun"};

// The leading decimal digits of a text, as the runtime's _wtol reads them.
long LeadingNumber(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        if (value < 100000000) value = value * 10 + (text[i] - L'0');
    }
    return negative ? -value : value;
}

// FILETIME ticks are 100 ns; 1970-01-01 is this many seconds after 1601-01-01.
constexpr uint64_t kTicksPerSecond = 10000000ULL;
constexpr __time64_t kUnixEpochSeconds = 11644473600LL;

uint64_t FileTimeTicks(const FILETIME& ft) { return (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

FILETIME FileTimeOfTicks(uint64_t ticks) {
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

std::wstring DropFront(const std::wstring& text, size_t count) {
    return count >= text.size() ? std::wstring() : text.substr(count);
}

}  // namespace

int CurrentLocalYear() {
    __time64_t now = g_Seams.Time64(nullptr);
    struct tm local = {};
    if (_localtime64_s(&local, &now) != 0) return 0;
    return local.tm_year + 1900;
}

__time64_t LocalTimeOfFields(const SYSTEMTIME& fields) {
    struct tm local = {};
    local.tm_year = fields.wYear - 1900;
    local.tm_mon = fields.wMonth - 1;
    local.tm_mday = fields.wDay;
    local.tm_hour = fields.wHour;
    local.tm_min = fields.wMinute;
    local.tm_sec = fields.wSecond;
    local.tm_isdst = -1;
    return _mktime64(&local);
}

CString FormatListDateText(int nDayOfWeek, int nDay, int nMonth, int nYear, int nHour, int nMinute) {
    CString text = nDayOfWeek >= 0 && nDayOfWeek <= 7 ? kDayNames[nDayOfWeek] : L"";
    text.AppendFormat(L" %d/%d/%d %02d:%02d", nMonth, nDay, nYear, nHour, nMinute);
    text += nHour < 12 ? L" AM" : L" PM";
    return text;
}

SYSTEMTIME StoredListTimeFields(const FILETIME& ftStored) {
    SYSTEMTIME st = {};
    if (!::FileTimeToSystemTime(&ftStored, &st)) st = SYSTEMTIME{};  // year 0: read as the time value 0
    if (st.wYear > 9999) st.wYear = static_cast<WORD>(CurrentLocalYear());
    return st;
}

SYSTEMTIME ShownListTimeFields(const SYSTEMTIME& stored) {
    SYSTEMTIME shown = stored;
    shown.wMilliseconds = 0;
    SYSTEMTIME utc = {1970, 1, 4, 1, 0, 0, 0, 0};  // a year before 1900: the time value 0
    if (stored.wYear >= 1900) utc = stored;
    FILETIME ft;
    if (!::SystemTimeToFileTime(&utc, &ft)) return shown;
    const uint64_t ticks = FileTimeTicks(ft) + (stored.wMilliseconds >= 991 ? kTicksPerSecond : 0);
    ft = FileTimeOfTicks(ticks);
    SYSTEMTIME local = {};
    if (!::FileTimeToSystemTime(&ft, &utc) || !ZoneTimeOfUtc(utc, local)) return shown;
    local.wMilliseconds = 0;
    return local;
}

void MakeListTimeTexts(const FILETIME& ftStored, CString& strDisplay, CString& strSortKey) {
    const SYSTEMTIME shown = ShownListTimeFields(StoredListTimeFields(ftStored));
    strDisplay = FormatListDateText(shown.wDayOfWeek, shown.wDay, shown.wMonth, shown.wYear, shown.wHour,
                                    shown.wMinute);
    strSortKey.Format(L"%04d-%02d-%02d %02d:%02d:%02d", shown.wYear, shown.wMonth, shown.wDay, shown.wHour,
                      shown.wMinute, shown.wSecond);
}

bool ListDateKeyTime(const wchar_t* pszKey, __time64_t& value) {
    value = 0;
    std::wstring key = pszKey != nullptr ? pszKey : L"";
    const long year = LeadingNumber(key.substr(0, 4));
    key = DropFront(key, 5);
    const long month = LeadingNumber(key.substr(0, 2));
    key = DropFront(key, 3);
    const long day = LeadingNumber(key.substr(0, 2));
    key = DropFront(key, 3);
    long hour = 0, minute = 0, second = 0;
    if (key.size() > 3) {
        size_t colon = key.find(L':');
        hour = LeadingNumber(key.substr(0, colon));
        key = colon == std::wstring::npos ? std::wstring() : key.substr(colon + 1);
        colon = key.find(L':');
        minute = LeadingNumber(key.substr(0, colon));
        key = colon == std::wstring::npos ? std::wstring() : key.substr(colon + 1);
        second = LeadingNumber(key.substr(0, 2));
    }
    const bool valid = year >= 1601 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour >= 0 &&
                       hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
    if (!valid) return false;
    // The first of the month, then the day and the time counted on from it.
    const SYSTEMTIME first = {static_cast<WORD>(year), static_cast<WORD>(month), 0, 1, 0, 0, 0, 0};
    FILETIME ft;
    if (!::SystemTimeToFileTime(&first, &ft)) return false;
    const uint64_t offset = ((day - 1) * 86400ULL + hour * 3600ULL + minute * 60ULL + second) * kTicksPerSecond;
    ft = FileTimeOfTicks(FileTimeTicks(ft) + offset);
    SYSTEMTIME local = {}, utc = {};
    if (!::FileTimeToSystemTime(&ft, &local) || !UtcOfZoneTime(local, utc) || !::SystemTimeToFileTime(&utc, &ft))
        return false;
    value = static_cast<__time64_t>(FileTimeTicks(ft) / kTicksPerSecond) - kUnixEpochSeconds;
    return true;
}

__time64_t ParseListDateText(const wchar_t* pszKey) {
    __time64_t value = 0;
    return ListDateKeyTime(pszKey, value) ? value : 0;
}
