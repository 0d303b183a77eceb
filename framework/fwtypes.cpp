#include "framework/fwtypes.h"
#include <cstring>
#include <cwchar>
#include <map>
#include <mutex>

#include "framework/seams.h"

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

namespace {

// The zone's rules for one year: the year's own where the system keeps
// rules per year under the zone's key, else the zone's current ones.
TIME_ZONE_INFORMATION ReadZoneRulesOfYear(WORD year, DYNAMIC_TIME_ZONE_INFORMATION zone) {
    TIME_ZONE_INFORMATION rules = {};
    if (zone.TimeZoneKeyName[0] != L'\0' && !zone.DynamicDaylightTimeDisabled &&
        ::GetTimeZoneInformationForYear(year, &zone, &rules))
        return rules;
    rules = TIME_ZONE_INFORMATION{};
    rules.Bias = zone.Bias;
    wcsncpy(rules.StandardName, zone.StandardName, 31);
    rules.StandardDate = zone.StandardDate;
    rules.StandardBias = zone.StandardBias;
    wcsncpy(rules.DaylightName, zone.DaylightName, 31);
    rules.DaylightDate = zone.DaylightDate;
    rules.DaylightBias = zone.DaylightBias;
    return rules;
}

// A year's rules cost registry reads; a list sort asks for them twice per
// comparison. They are kept per year for as long as the zone stays the same.
std::mutex g_zoneLock;
DYNAMIC_TIME_ZONE_INFORMATION g_zoneOfRules = {};
std::map<WORD, TIME_ZONE_INFORMATION> g_rulesOfYear;

bool ZoneRulesOfYear(WORD year, TIME_ZONE_INFORMATION& rules) {
    DYNAMIC_TIME_ZONE_INFORMATION zone = {};
    if (!g_Seams.GetDynamicTimeZoneInformation || g_Seams.GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID)
        return false;
    std::lock_guard<std::mutex> guard(g_zoneLock);
    if (std::memcmp(&zone, &g_zoneOfRules, sizeof zone) != 0) {
        g_zoneOfRules = zone;
        g_rulesOfYear.clear();
    }
    auto found = g_rulesOfYear.find(year);
    if (found == g_rulesOfYear.end()) found = g_rulesOfYear.emplace(year, ReadZoneRulesOfYear(year, zone)).first;
    rules = found->second;
    return true;
}

// The day of the week, from the fields (which the conversions do not all set).
bool WithDayOfWeek(SYSTEMTIME& fields) {
    FILETIME ft;
    return ::SystemTimeToFileTime(&fields, &ft) && ::FileTimeToSystemTime(&ft, &fields);
}

}  // namespace

bool ZoneTimeOfUtc(const SYSTEMTIME& utc, SYSTEMTIME& local) {
    TIME_ZONE_INFORMATION rules;
    SYSTEMTIME in = utc;
    return WithDayOfWeek(in) && ZoneRulesOfYear(utc.wYear, rules) &&
           ::SystemTimeToTzSpecificLocalTime(&rules, &in, &local) && WithDayOfWeek(local);
}

bool UtcOfZoneTime(const SYSTEMTIME& local, SYSTEMTIME& utc) {
    TIME_ZONE_INFORMATION rules;
    SYSTEMTIME in = local;
    return WithDayOfWeek(in) && ZoneRulesOfYear(local.wYear, rules) &&
           ::TzSpecificLocalTimeToSystemTime(&rules, &in, &utc) && WithDayOfWeek(utc);
}
