// How the components read the texts the exporters hand them: export date
// texts, sender and recipient texts, the mail header file, file lists.
#include <windows.h>

#include <gtest/gtest.h>

#include "components/item_texts.h"
#include "components_test_support.h"

using namespace components;

namespace {
// FILETIME of a UTC date and time.
uint64_t Utc(int year, int month, int day, int hour, int minute) {
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
}  // namespace

TEST(ComponentsTexts, ExportDateTextsRunFiveAndAHalfHoursAheadOfUtc) {
    EXPECT_EQ(FileTimeFromExportDate(L"6/5/2012 10:00 AM"), Utc(2012, 6, 5, 4, 30));
    // The hour stays in 24-hour form; PM past noon changes nothing.
    EXPECT_EQ(FileTimeFromExportDate(L"12/31/2019 23:59 PM"), Utc(2019, 12, 31, 18, 29));
    EXPECT_EQ(FileTimeFromExportDate(L"1/2/2020 00:05 AM"), Utc(2020, 1, 1, 18, 35));
    EXPECT_EQ(FileTimeFromExportDate(L"6/5/2012 12:30 PM"), Utc(2012, 6, 5, 7, 0));
    // A 12-hour text from another caller.
    EXPECT_EQ(FileTimeFromExportDate(L"6/5/2012 2:30 PM"), Utc(2012, 6, 5, 9, 0));
    EXPECT_EQ(FileTimeFromExportDate(L"6/5/2012 12:10 AM"), Utc(2012, 6, 4, 18, 40));
    EXPECT_EQ(FileTimeFromExportDate(L"2/29/2012 10:00 AM"), Utc(2012, 2, 29, 4, 30));
    EXPECT_EQ(FileTimeFromExportDate(L"  6/5/2012 10:00  "), Utc(2012, 6, 5, 4, 30));
}

TEST(ComponentsTexts, TextsThatAreNoDateGiveNoTime) {
    for (const wchar_t* text : {L"", L"6/5/2012", L"13/1/2012 10:00 AM", L"2/30/2012 10:00 AM", L"2/29/2011 10:00 AM",
                                L"6/5/2012 24:00", L"6/5/2012 10:60 AM", L"6/5/2012 10:00 XM", L"6-5-2012 10:00",
                                L"6/5/1500 10:00 AM", L"6/5/2012 10:00 AM extra", L"123/5/2012 10:00"})
        EXPECT_EQ(FileTimeFromExportDate(text), 0u) << text;
}

TEST(ComponentsTexts, AddressTextsInTheFormsTheExportersBuild) {
    Address a = ParseAddressText(L"Bob Stone<bob@example.com>");
    EXPECT_EQ(a.name, L"Bob Stone");
    EXPECT_EQ(a.email, L"bob@example.com");
    a = ParseAddressText(L"<bob@example.com>");
    EXPECT_EQ(a.name, L"bob@example.com");
    EXPECT_EQ(a.email, L"bob@example.com");
    a = ParseAddressText(L"<Bob Stone>");                  // a name whose address held no "@"
    EXPECT_EQ(a.name, L"Bob Stone");
    EXPECT_EQ(a.email, L"");
    a = ParseAddressText(L"  Bob  ");
    EXPECT_EQ(a.name, L"Bob");
    EXPECT_EQ(a.email, L"");
    a = ParseAddressText(L"A <b> c<d@e.f>");               // the last pair is the address
    EXPECT_EQ(a.name, L"A <b> c");
    EXPECT_EQ(a.email, L"d@e.f");
}

TEST(ComponentsTexts, RecipientTextsSplitAtSemicolons) {
    // A display-to text with the received-by address appended to its end.
    const std::vector<Address> r = ParseRecipientsText(L"Ann Lee; Cid Moss<cid@example.com>;; ");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].name, L"Ann Lee");
    EXPECT_EQ(r[1].name, L"Cid Moss");
    EXPECT_EQ(r[1].email, L"cid@example.com");
    EXPECT_TRUE(ParseRecipientsText(L"").empty());
    EXPECT_EQ(ParseRecipientsText(L"R\U0001F600 1").at(0).name, L"R\U0001F600 1");
}

TEST(ComponentsTexts, TheSenderComesFromTheHeaderFilesFromLine) {
    Address a = SenderFromHeader("From:Bob Stone<bob@example.com>\r\n");
    EXPECT_EQ(a.name, L"Bob Stone");
    EXPECT_EQ(a.email, L"bob@example.com");
    EXPECT_EQ(SenderFromHeader("Subject: x\r\nfrom: Eve\r\n").name, L"Eve");
    EXPECT_EQ(SenderFromHeader("From:UnKnown\r\n").name, L"");
    EXPECT_EQ(SenderFromHeader("").name, L"");
    EXPECT_EQ(SenderFromHeader("From:Gr\xFC\xDF" "e").name, L"Gr\u00fc\u00dfe");   // ANSI code page bytes, no line end
    EXPECT_EQ(ReadHeaderSender(L"Z:\\no\\such\\Temp.eml").name, L"");
}

namespace {
void WriteHeader(const std::wstring& path, const std::string& line) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(h);
}

// Sets the file's creation and write times.
void SetFileTimes(const std::wstring& path, uint64_t time) {
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const FILETIME t = {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    SetFileTime(h, &t, nullptr, &t);
    CloseHandle(h);
}

// Sets the file's write time `secondsAgo` before now.
void AgeFile(const std::wstring& path, int secondsAgo) {
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const uint64_t t = ((uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime) - uint64_t(secondsAgo) * 10000000;
    const FILETIME old = {static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
    SetFileTime(h, nullptr, nullptr, &old);
    CloseHandle(h);
}
}  // namespace

// The program writes the header file again only when the sender changes.
// A rewrite is always seen, however soon after a read and however alike
// the two files (same size, same second); a file that changed long before
// it was read is not read again while it stays as it was.
TEST(ComponentsTexts, TheHeaderFileIsReadAgainWheneverItMayHaveChanged) {
    components_test::ScratchFolder dir(L"components-header");
    const std::wstring path = dir / L"Temp.eml";
    for (int i = 0; i < 40; ++i) {
        const bool ann = i % 2 == 0;
        WriteHeader(path, ann ? "From:Ann<ann@example.com>\r\n" : "From:Bob<bob@example.com>\r\n");
        ASSERT_EQ(ReadHeaderSender(path).name, ann ? L"Ann" : L"Bob") << i;
        ASSERT_EQ(ReadHeaderSender(path).name, ann ? L"Ann" : L"Bob") << i;
    }

    // Old enough: read once, then kept while size and time stamps stay,
    // even while the file cannot be opened.
    WriteHeader(path, "From:Cid<cid@example.com>\r\n");
    AgeFile(path, 60);
    EXPECT_EQ(ReadHeaderSender(path).email, L"cid@example.com");
    HANDLE locked = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadHeaderSender(path).email, L"cid@example.com");
    CloseHandle(locked);
    // Rewritten with the same size and given another old time: read again.
    WriteHeader(path, "From:Dee<dee@example.com>\r\n");
    AgeFile(path, 30);
    EXPECT_EQ(ReadHeaderSender(path).email, L"dee@example.com");
    // Another file, then the first one gone: nothing is kept for a path.
    const std::wstring other = dir / L"Other.eml";
    WriteHeader(other, "From:Eve\r\n");
    EXPECT_EQ(ReadHeaderSender(other).name, L"Eve");
    EXPECT_EQ(ReadHeaderSender(path).email, L"dee@example.com");
    DeleteFileW(path.c_str());
    EXPECT_EQ(ReadHeaderSender(path).name, L"");
}

// A file system that keeps write times to the second: two writes in one
// second look alike. A time on a whole second is not trusted before the
// time FAT needs has passed.
TEST(ComponentsTexts, AHeaderFileStampedOnAWholeSecondIsReadAgain) {
    components_test::ScratchFolder dir(L"components-header-seconds");
    const std::wstring path = dir / L"Temp.eml";
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const uint64_t second = 10000000;
    // The last whole second at least 200 ms ago: older than the 100 ms a
    // finer clock needs, and FAT's 3 s are at least 1.8 s away.
    const uint64_t stamp = (((uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime) - second / 5) / second * second;
    WriteHeader(path, "From:Ann<ann@example.com>\r\n");
    SetFileTimes(path, stamp);
    ASSERT_EQ(ReadHeaderSender(path).name, L"Ann");
    // The rewrite of the same second, as such a file system stamps it.
    WriteHeader(path, "From:Bob<bob@example.com>\r\n");
    SetFileTimes(path, stamp);
    EXPECT_EQ(ReadHeaderSender(path).name, L"Bob");
}

TEST(ComponentsTexts, FileListsSplitAtSemicolonsAndRefuseEmptyNames) {
    // The export ends every path with ";".
    const std::vector<std::wstring> files = SplitPathList(L"C:\\t\\a.txt;C:\\t\\b c.bin;");
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[1], L"C:\\t\\b c.bin");
    EXPECT_EQ(FileNameOf(files[1]), L"b c.bin");
    EXPECT_EQ(FileNameOf(L"plain.txt"), L"plain.txt");
    EXPECT_TRUE(SplitPathList(L"").empty());
    EXPECT_THROW(SplitPathList(L";;;"), std::invalid_argument);
    EXPECT_THROW(SplitPathList(L"C:\\t\\a.txt;;"), std::invalid_argument);
}

// The mail export writes the received-by address after the last name.
TEST(ComponentsTexts, TheReceivedByAddressIsTheOneNamesOnlyWhenThereIsOneName) {
    MailRecipients two = ParseMailRecipients(L"Ann; Cid<ann@example.com>");
    ASSERT_EQ(two.recipients.size(), 2u);
    EXPECT_EQ(two.recipients[1].name, L"Cid");
    EXPECT_EQ(two.recipients[0].email + two.recipients[1].email, L"");
    EXPECT_EQ(two.receivedBy, L"ann@example.com");

    MailRecipients one = ParseMailRecipients(L"Ann<ann@example.com>");
    ASSERT_EQ(one.recipients.size(), 1u);
    EXPECT_EQ(one.recipients[0].email, L"ann@example.com");
    EXPECT_EQ(one.receivedBy, L"");

    // No display names, only the address: no recipient is made of it.
    MailRecipients bare = ParseMailRecipients(L"Ann; Bo; <me@example.com>");
    EXPECT_EQ(bare.recipients.size(), 2u);
    EXPECT_EQ(bare.receivedBy, L"me@example.com");

    // Addresses beside several names are each their own.
    MailRecipients own = ParseMailRecipients(L"Ann<a@example.com>; Bo<b@example.com>");
    ASSERT_EQ(own.recipients.size(), 2u);
    EXPECT_EQ(own.recipients[1].email, L"b@example.com");
    EXPECT_EQ(own.receivedBy, L"");
}
