#include "app/ListDates.h"

#include <time.h>

#include <cwchar>
#include <string>

namespace {

const wchar_t* const kDayNames[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat", L"Sun"};

struct CalendarFields {
    int year = 0, month = 0, dayOfWeek = 0, day = 0, hour = 0, minute = 0, second = 0;
};

CalendarFields FromSystemTime(const SYSTEMTIME& st) {
    CalendarFields f;
    f.year = st.wYear;
    f.month = st.wMonth;
    f.dayOfWeek = st.wDayOfWeek;
    f.day = st.wDay;
    f.hour = st.wHour;
    f.minute = st.wMinute;
    f.second = st.wSecond;
    return f;
}

CString SortKeyOf(const CalendarFields& f) {
    CString key;
    key.Format(L"%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour, f.minute, f.second);
    return key;
}

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

void MakeListTimeTexts(const FILETIME& ftStored, CString& strDisplay, CString& strSortKey) {
    SYSTEMTIME st = {};
    ::FileTimeToSystemTime(&ftStored, &st);  // a failure leaves year 0: the time value 0 below
    if (st.wYear > 9999) st.wYear = static_cast<WORD>(CurrentLocalYear());
    int extraSecond = 0;
    if (st.wMilliseconds >= 991) {
        extraSecond = 1;
        st.wMilliseconds = static_cast<WORD>(st.wMilliseconds - 991);
    }
    CalendarFields fields = FromSystemTime(st);

    const __time64_t made = CTime(st).GetTime();
    if (made == -1) {
        // Beyond what the local-time conversion accepts (years from 3001):
        // the stored fields as they are, without the shift.
        strDisplay = FormatListDateText(fields.dayOfWeek, fields.day, fields.month, fields.year, fields.hour,
                                        fields.minute);
        strSortKey = SortKeyOf(fields);
        return;
    }
    const __time64_t shifted = made + kListTimeShiftSeconds + extraSecond;
    struct tm local = {};
    if (_localtime64_s(&local, &shifted) == 0) {
        fields.year = local.tm_year + 1900;
        fields.month = local.tm_mon + 1;
        fields.dayOfWeek = local.tm_wday;
        fields.day = local.tm_mday;
        fields.hour = local.tm_hour;
        fields.minute = local.tm_min;
        fields.second = local.tm_sec;
    }
    strDisplay = FormatListDateText(fields.dayOfWeek, fields.day, fields.month, fields.year, fields.hour,
                                    fields.minute);
    strSortKey = SortKeyOf(fields);
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
