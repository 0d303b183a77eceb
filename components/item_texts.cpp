#include "components/item_texts.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <iterator>
#include <mutex>
#include <stdexcept>

#include "components/text_convert.h"

namespace components {

namespace {
std::wstring Trim(const std::wstring& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::iswspace(s[b])) ++b;
    while (e > b && std::iswspace(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Reads an unsigned decimal number at pos; false when there is none.
bool Number(const std::wstring& s, size_t& pos, int& value, size_t maxDigits) {
    const size_t start = pos;
    value = 0;
    while (pos < s.size() && pos - start < maxDigits && s[pos] >= L'0' && s[pos] <= L'9') value = value * 10 + (s[pos++] - L'0');
    return pos > start && !(pos < s.size() && s[pos] >= L'0' && s[pos] <= L'9');
}

bool Expect(const std::wstring& s, size_t& pos, wchar_t c) {
    if (pos >= s.size() || s[pos] != c) return false;
    ++pos;
    return true;
}

constexpr int64_t kExportShiftSeconds = 19800;              // 5 h 30 min
constexpr int64_t kUnixEpochInFileTimeSeconds = 11644473600;
}  // namespace

Address ParseAddressText(const std::wstring& text) {
    const std::wstring t = Trim(text);
    Address a;
    const size_t open = t.rfind(L'<');
    if (open != std::wstring::npos && !t.empty() && t.back() == L'>') {
        const std::wstring inside = Trim(t.substr(open + 1, t.size() - open - 2));
        const std::wstring before = Trim(t.substr(0, open));
        if (inside.find(L'@') != std::wstring::npos) {
            a.email = inside;
            a.name = before.empty() ? inside : before;
        } else {
            a.name = before.empty() ? inside : before;
        }
        return a;
    }
    a.name = t;
    return a;
}

std::vector<Address> ParseRecipientsText(const std::wstring& text) {
    std::vector<Address> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L';', start);
        if (end == std::wstring::npos) end = text.size();
        Address a = ParseAddressText(text.substr(start, end - start));
        if (!a.name.empty() || !a.email.empty()) out.push_back(std::move(a));
        start = end + 1;
    }
    return out;
}

MailRecipients ParseMailRecipients(const std::wstring& text) {
    MailRecipients out;
    std::vector<bool> named;            // the piece holds a name, not only "<address>"
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L';', start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring piece = Trim(text.substr(start, end - start));
        Address a = ParseAddressText(piece);
        if (!a.name.empty() || !a.email.empty()) {
            out.recipients.push_back(std::move(a));
            named.push_back(piece[0] != L'<');
        }
        start = end + 1;
    }
    size_t names = 0, addresses = 0;
    for (size_t i = 0; i < out.recipients.size(); ++i) {
        names += named[i];
        addresses += !out.recipients[i].email.empty();
    }
    const bool lastOnlyAddress = addresses == 1 && !out.recipients.back().email.empty();
    if (!lastOnlyAddress) return out;
    if (names <= 1) {
        // One name: the address is that name's ("Ann; <ann@example.com>" too).
        if (out.recipients.size() == 2 && named[0] && !named[1]) {
            out.recipients[0].email = out.recipients[1].email;
            out.recipients.pop_back();
        }
        return out;
    }
    out.receivedBy = out.recipients.back().email;
    if (named.back()) out.recipients.back().email.clear();
    else out.recipients.pop_back();
    return out;
}

Address SenderFromHeader(const std::string& headerBytes) {
    size_t pos = 0;
    while (pos < headerBytes.size()) {
        size_t end = headerBytes.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = headerBytes.size();
        const std::string line = headerBytes.substr(pos, end - pos);
        if (line.size() >= 5 && _strnicmp(line.c_str(), "From:", 5) == 0) {
            const std::wstring sender = Trim(WideFromAnsi(line.substr(5)));
            if (sender == L"UnKnown") return {};
            return ParseAddressText(sender);
        }
        pos = end + 1;
    }
    return {};
}

namespace {
Address ReadSenderFromFile(const std::wstring& headerFile) {
    // The system's own calls: an open, one read, a close (a C++ stream
    // asks the system several more things on the way).
    const HANDLE file = CreateFileW(headerFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes(64 * 1024, '\0');             // the header is one line; more is never read
    size_t got = 0;
    DWORD n = 0;
    while (got < bytes.size() && ReadFile(file, &bytes[got], static_cast<DWORD>(bytes.size() - got), &n, nullptr) &&
           n > 0)
        got += n;
    CloseHandle(file);
    bytes.resize(got);
    return SenderFromHeader(bytes);
}

constexpr uint64_t kSecond = 10000000;              // in file time units (100 ns)
constexpr uint64_t kCoarseSettle = 3 * kSecond;     // FAT keeps write times to 2 s

uint64_t TimeValue(const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

bool SameFileState(const WIN32_FILE_ATTRIBUTE_DATA& a, const WIN32_FILE_ATTRIBUTE_DATA& b) {
    return a.nFileSizeLow == b.nFileSizeLow && a.nFileSizeHigh == b.nFileSizeHigh &&
           TimeValue(a.ftLastWriteTime) == TimeValue(b.ftLastWriteTime) &&
           TimeValue(a.ftCreationTime) == TimeValue(b.ftCreationTime);
}

// How long before a read a file must have last changed for a later
// rewrite to be told by its time stamp (in 100 ns units): the file system
// keeps write times to its own tick (FAT to 2 s, others to the system
// timer's). 0 where time stamps come from another clock (a network drive)
// or the drive is not known.
uint64_t SettleTime(const std::wstring& path) {
    wchar_t root[MAX_PATH + 1];
    if (!GetVolumePathNameW(path.c_str(), root, MAX_PATH)) return 0;
    const UINT type = GetDriveTypeW(root);
    if (type != DRIVE_FIXED && type != DRIVE_REMOVABLE && type != DRIVE_RAMDISK) return 0;
    wchar_t system[MAX_PATH + 1] = L"";
    if (!GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, system, MAX_PATH)) return 0;
    const bool fat = _wcsnicmp(system, L"FAT", 3) == 0 || _wcsnicmp(system, L"exFAT", 5) == 0;
    return fat ? kCoarseSettle : kSecond / 10;
}

// The last header file read: the program writes the file again only when
// the sender changes, so mails of one sender find it as it was, and under
// Wine every read of a file costs three server round trips.
struct HeaderCache {
    std::mutex mutex;
    std::wstring path;
    uint64_t settle = 0;                 // SettleTime(path)
    WIN32_FILE_ATTRIBUTE_DATA state{};   // the file's state before the read
    Address sender;
    bool trusted = false;                // the state tells any later rewrite
};
HeaderCache g_headerCache;
}  // namespace

Address ReadHeaderSender(const std::wstring& headerFile) {
    if (headerFile.empty()) return {};
    HeaderCache& cache = g_headerCache;
    WIN32_FILE_ATTRIBUTE_DATA state;
    if (!GetFileAttributesExW(headerFile.c_str(), GetFileExInfoStandard, &state)) return {};
    uint64_t settle;
    {
        std::lock_guard<std::mutex> lock(cache.mutex);
        if (cache.trusted && cache.path == headerFile && SameFileState(cache.state, state)) return cache.sender;
        if (cache.path != headerFile) {
            cache.trusted = false;
            cache.path = headerFile;
            cache.settle = SettleTime(headerFile);
        }
        settle = cache.settle;
    }
    // The state is taken before the bytes are read: a rewrite in between
    // gives a newer file than the state, which the next call sees changed.
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const Address sender = ReadSenderFromFile(headerFile);
    std::lock_guard<std::mutex> lock(cache.mutex);
    if (cache.path != headerFile) return sender;
    cache.state = state;
    cache.sender = sender;
    // A file that changed at least `settle` before the read gets a later
    // time stamp from any rewrite after it; a fresher one is read again.
    // A write time on a whole second hints at a file system that keeps
    // seconds only (some do, whatever name they give): it gets FAT's time.
    // (0, a drive never trusted, stays 0.)
    const uint64_t written = TimeValue(state.ftLastWriteTime);
    if (settle > 0 && written % kSecond == 0) settle = std::max(settle, kCoarseSettle);
    cache.trusted = settle > 0 && written + settle <= TimeValue(now);
    return sender;
}

std::vector<std::wstring> SplitPathList(const std::wstring& list) {
    std::vector<std::wstring> pieces;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(L';', start);
        if (end == std::wstring::npos) end = list.size();
        pieces.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    if (pieces.back().empty()) pieces.pop_back();     // "a;b;": the last path ends with ";" too
    for (const std::wstring& p : pieces)
        if (p.empty())
            throw std::invalid_argument("The attachment list \"" + Utf8FromWide(list) + "\" holds an empty file name.");
    return pieces;
}

std::wstring FileNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

uint64_t FileTimeFromExportDate(const std::wstring& text) {
    const std::wstring s = Trim(text);
    size_t pos = 0;
    int month, day, year, hour, minute;
    if (!Number(s, pos, month, 2) || !Expect(s, pos, L'/') || !Number(s, pos, day, 2) || !Expect(s, pos, L'/') ||
        !Number(s, pos, year, 5))
        return 0;
    while (pos < s.size() && s[pos] == L' ') ++pos;
    if (!Number(s, pos, hour, 2) || !Expect(s, pos, L':') || !Number(s, pos, minute, 2)) return 0;
    while (pos < s.size() && s[pos] == L' ') ++pos;
    const std::wstring word = FoldCase(s.substr(pos));
    if (word == L"PM" && hour < 12) hour += 12;
    else if (word == L"AM" && hour == 12) hour = 0;
    else if (!word.empty() && word != L"AM" && word != L"PM") return 0;

    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1601 || year > 30827 || month < 1 || month > 12 || hour > 23 || minute > 59 || day < 1) return 0;
    if (day > kDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0)) return 0;
    const int64_t seconds = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
                            hour * 3600 + minute * 60 - kExportShiftSeconds + kUnixEpochInFileTimeSeconds;
    return seconds > 0 ? static_cast<uint64_t>(seconds) * 10000000ull : 0;
}

}  // namespace components
