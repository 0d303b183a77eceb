#include "app/ListDates.h"

#include <time.h>

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
    __time64_t value = 0;
    if (stored.wYear >= 1900) {
        struct tm utc = {};
        utc.tm_year = stored.wYear - 1900;
        utc.tm_mon = stored.wMonth - 1;
        utc.tm_mday = stored.wDay;
        utc.tm_hour = stored.wHour;
        utc.tm_min = stored.wMinute;
        utc.tm_sec = stored.wSecond;
        value = _mkgmtime64(&utc);
        if (value == -1) return shown;
    }
    value += stored.wMilliseconds >= 991 ? 1 : 0;
    struct tm local = {};
    if (_localtime64_s(&local, &value) != 0) return shown;
    shown.wYear = static_cast<WORD>(local.tm_year + 1900);
    shown.wMonth = static_cast<WORD>(local.tm_mon + 1);
    shown.wDayOfWeek = static_cast<WORD>(local.tm_wday);
    shown.wDay = static_cast<WORD>(local.tm_mday);
    shown.wHour = static_cast<WORD>(local.tm_hour);
    shown.wMinute = static_cast<WORD>(local.tm_min);
    shown.wSecond = static_cast<WORD>(local.tm_sec);
    return shown;
}

void MakeListTimeTexts(const FILETIME& ftStored, CString& strDisplay, CString& strSortKey) {
    const SYSTEMTIME shown = ShownListTimeFields(StoredListTimeFields(ftStored));
    strDisplay = FormatListDateText(shown.wDayOfWeek, shown.wDay, shown.wMonth, shown.wYear, shown.wHour,
                                    shown.wMinute);
    strSortKey.Format(L"%04d-%02d-%02d %02d:%02d:%02d", shown.wYear, shown.wMonth, shown.wDay, shown.wHour,
                      shown.wMinute, shown.wSecond);
}

__time64_t ParseListDateText(const wchar_t* pszKey) {
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
    const bool valid = year >= 1981 && year <= 2020 && month >= 1 && month <= 12 && day >= 1 && day <= 31 &&
                       hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
    if (!valid) return 0;
    const __time64_t value = CTime(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day),
                                   static_cast<int>(hour), static_cast<int>(minute), static_cast<int>(second))
                                 .GetTime();
    return value == -1 ? 0 : value;
}
