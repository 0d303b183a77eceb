// The export's texts and small rules: the item writer's date text, the file
// and display names of a new store, the attachment name check, the mail's
// sender and recipients texts, the dialog's destination text, the routing of
// items by class, the folder-node search and the body file read.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "export/AttachmentFiles.h"
#include "export/ExportDate.h"
#include "export/ExportSetup.h"
#include "export/ItemExporters.h"
#include "export/MailExport.h"
#include "export/SaveLosses.h"
#include "export/SaveWorker.h"
#include "export/ExportState.h"
#include "reader/ndb.h"

namespace {

FILETIME StoredTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms) {
    SYSTEMTIME st = {year, month, 0, day, hour, minute, second, ms};
    FILETIME ft = {};
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
    return ft;
}

std::wstring DateOf(const FILETIME& ft) { return std::wstring(ExportDateText(ft).GetString()); }

std::wstring Text(const CString& s) { return std::wstring(s.GetString()); }

}  // namespace

// The machine runs in UTC here, so the fixed shift of 5 h 30 min is all
// that moves the time.
TEST(ExportDateText, ShiftsByFiveAndAHalfHoursAndPadsOnlyHourAndMinute) {
    EXPECT_EQ(DateOf(StoredTime(2012, 12, 15, 13, 5, 59, 500)), L"12/15/2012 18:35 PM");
    EXPECT_EQ(DateOf(StoredTime(2012, 12, 31, 20, 0, 0, 0)), L"1/1/2013 01:30 AM");
    EXPECT_EQ(DateOf(StoredTime(2012, 6, 5, 4, 30, 0, 0)), L"6/5/2012 10:00 AM");
    // Milliseconds from 991 carry a second: 09:07:30.992 becomes 09:07:31 before the shift.
    EXPECT_EQ(DateOf(StoredTime(2012, 6, 5, 9, 7, 30, 992)), L"6/5/2012 14:37 PM");
    EXPECT_EQ(DateOf(StoredTime(2012, 6, 5, 6, 29, 59, 991)), L"6/5/2012 12:00 PM");
    EXPECT_EQ(DateOf(StoredTime(2012, 6, 5, 6, 29, 59, 990)), L"6/5/2012 11:59 AM");
    EXPECT_EQ(Text(FormatExportDateText(7, 4, 2020, 9, 5)), L"7/4/2020 09:05 AM");
    EXPECT_EQ(Text(FormatExportDateText(7, 4, 2020, 12, 0)), L"7/4/2020 12:00 PM");
}

TEST(ExportDateText, YearsOutsideTheCalendarRangeAreRefusedOrReplaced) {
    // Before 1900: the time value 0, shown shifted.
    EXPECT_EQ(DateOf(StoredTime(1899, 3, 1, 0, 0, 0, 0)), L"1/1/1970 05:30 AM");
    EXPECT_EQ(DateOf(StoredTime(1601, 1, 1, 0, 0, 0, 0)), L"1/1/1970 05:30 AM");
    // 1900 to 1969 and after 3000 cannot be represented: the item is not stored.
    EXPECT_THROW(DateOf(StoredTime(1900, 1, 1, 0, 0, 0, 0)), ExportDateError);
    EXPECT_THROW(DateOf(StoredTime(1969, 12, 31, 23, 59, 59, 0)), ExportDateError);
    EXPECT_THROW(DateOf(StoredTime(3001, 1, 1, 0, 0, 0, 0)), ExportDateError);
    EXPECT_NO_THROW(DateOf(StoredTime(1970, 1, 1, 0, 0, 0, 0)));
    // A file time beyond the calendar's conversion gives an empty text.
    FILETIME huge = {0xFFFFFFFFu, 0xFFFFFFFFu};
    EXPECT_EQ(DateOf(huge), L"");
}

TEST(ExportNames, TimeStampFileNameAndDisplayName) {
    SYSTEMTIME t = {2026, 12, 2, 8, 7, 5, 44, 0};
    const CString stamp = ExportTimeStamp(t);
    EXPECT_EQ(Text(stamp), L"8-12-2026 7-5-44");
    EXPECT_EQ(Text(PstFileNameFor(L"mailbox.ost", stamp)), L"mailbox8-12-2026 7-5-44.pst");
    // Every ".ost" is replaced, in any letter case.
    EXPECT_EQ(Text(PstFileNameFor(L"MAILBOX.OST", stamp)), L"MAILBOX8-12-2026 7-5-44.pst");
    EXPECT_EQ(Text(PstFileNameFor(L"a.ost.ost", stamp)), L"a8-12-2026 7-5-44.pst8-12-2026 7-5-44.pst");
}

TEST(ExportNames, DestinationTextIsCutAfterSeventyCharacters) {
    const CString seventy(std::wstring(70, L'x').c_str());
    EXPECT_EQ(Text(ShownDestination(seventy)), std::wstring(70, L'x'));
    const CString seventyOne(std::wstring(71, L'y').c_str());
    EXPECT_EQ(Text(ShownDestination(seventyOne)), std::wstring(70, L'y') + L"...");
}

TEST(CheckFileName, RefusesDeviceNamesSeparatorsAndOverlongNames) {
    EXPECT_EQ(CheckFileName(""), -1);
    EXPECT_EQ(CheckFileName("report.pdf"), 0);
    EXPECT_EQ(CheckFileName(".profile"), 0);
    EXPECT_EQ(CheckFileName("a;b.txt"), 0);
    EXPECT_EQ(CheckFileName("COMA.txt"), 0);
    EXPECT_EQ(CheckFileName("LPT0.txt"), 0);
    EXPECT_EQ(CheckFileName("console.txt"), 0);
    EXPECT_EQ(CheckFileName("con.txt"), -4);
    EXPECT_EQ(CheckFileName("CON"), -4);
    EXPECT_EQ(CheckFileName("Aux.doc"), -3);
    EXPECT_EQ(CheckFileName("nul"), -5);
    EXPECT_EQ(CheckFileName("prn.x"), -6);
    EXPECT_EQ(CheckFileName("com1.log"), -7);
    EXPECT_EQ(CheckFileName("COM9"), -15);
    EXPECT_EQ(CheckFileName("lpt1"), -16);
    EXPECT_EQ(CheckFileName("LPT9"), -24);
    EXPECT_EQ(CheckFileName("clock$.txt"), -2);
    EXPECT_EQ(CheckFileName("..."), '.');
    EXPECT_EQ(CheckFileName(".."), '.');
    EXPECT_EQ(CheckFileName("a:b"), ':');
    EXPECT_EQ(CheckFileName("..\\evil"), '\\');
    EXPECT_EQ(CheckFileName("dir/evil"), '/');
    EXPECT_EQ(CheckFileName("C:evil"), ':');
    EXPECT_EQ(CheckFileName("tab\there"), '\t');
    EXPECT_EQ(CheckFileName("what?<"), '?');   // the first offending byte decides
    EXPECT_EQ(CheckFileName(std::string(255, 'n').c_str()), 0);
    EXPECT_EQ(CheckFileName(std::string(256, 'n').c_str()), -1);
    EXPECT_EQ(CheckFileName(std::string(300, 'n').c_str()), -1);
    EXPECT_EQ(CheckFileName("\xE9t\xE9.txt"), 0);   // bytes from 0x7F up are usable
}

TEST(MailTexts, SenderFromNameAndAddress) {
    const CString n = L"Ann", a = L"ann@example.com", plain = L"EX-ANN", atFirst = L"@host";
    EXPECT_EQ(Text(MailSenderText(&n, &a)), L"Ann<ann@example.com>");
    EXPECT_EQ(Text(MailSenderText(nullptr, &a)), L"<ann@example.com>");
    EXPECT_EQ(Text(MailSenderText(&n, &plain)), L"<Ann>");
    EXPECT_EQ(Text(MailSenderText(nullptr, &plain)), L"");
    EXPECT_EQ(Text(MailSenderText(&n, nullptr)), L"Ann");
    EXPECT_EQ(Text(MailSenderText(&n, &atFirst)), L"Ann<@host>");
}

TEST(MailTexts, RecipientsCutBeforeTheExchangePathAndAddressAppended) {
    const CString t = L"Bob</O=ORG/OU=X", r = L"bob@example.com", rAtFirst = L"@example.com",
                  tAtStart = L"</O=ORG";
    EXPECT_EQ(Text(MailRecipientsText(&t, &r)), L"Bob<bob@example.com>");
    EXPECT_EQ(Text(MailRecipientsText(&t, &rAtFirst)), L"Bob");
    EXPECT_EQ(Text(MailRecipientsText(&tAtStart, nullptr)), L"</O=ORG");
    EXPECT_EQ(Text(MailRecipientsText(nullptr, &r)), L"<bob@example.com>");
    EXPECT_EQ(Text(MailRecipientsText(nullptr, nullptr)), L"");
}

TEST(ItemRoutes, ClassDecidesTheExporterExactlyAndInOrder) {
    ItemRecord record = {};
    MessageDetail message = {};
    JournalDetail journal = {};
    FolderCounts counts = {};
    auto route = [&](const char* cls) {
        record.szClass = const_cast<char*>(cls);
        return RouteForItem(record);
    };
    EXPECT_EQ(route(nullptr), ItemRoute::Skip);
    record.pMessage = &message;
    EXPECT_EQ(route("IPM.Note"), ItemRoute::Mail);
    EXPECT_EQ(route("IPM.Task"), ItemRoute::Task);
    EXPECT_EQ(route("IPM.TASK"), ItemRoute::Mail);   // case matters: falls through to mail
    EXPECT_EQ(route("IPM.StickyNote"), ItemRoute::StickyNote);
    EXPECT_EQ(route("IPF.StickyNote"), ItemRoute::StickyNote);
    EXPECT_EQ(route("IPM.Activity"), ItemRoute::Journal);
    record.pJournal = &journal;
    EXPECT_EQ(route("IPM.Note"), ItemRoute::Journal);
    EXPECT_EQ(route("IPM.Task"), ItemRoute::Task);   // the task test comes first
    record.pJournal = nullptr;
    record.nKind = kItemKindAppointment;
    EXPECT_EQ(route("IPM.Appointment"), ItemRoute::Appointment);
    record.nKind = kItemKindMeetingRequest;
    EXPECT_EQ(route("IPM.Appointment"), ItemRoute::CountOnly);
    EXPECT_EQ(route("IPM.Contact"), ItemRoute::Contact);
    record.nMessageFlags = 9;
    EXPECT_EQ(route("IPM.Contact"), ItemRoute::CountOnly);
    record.nMessageFlags = 0x49;
    EXPECT_EQ(route("IPM.Note"), ItemRoute::Skip);
    record.nMessageFlags = 0;
    record.pMessage = nullptr;
    EXPECT_EQ(route("IPM.Note"), ItemRoute::NotCounted);
    record.pFolderCounts = &counts;
    EXPECT_EQ(route("IPF.Note"), ItemRoute::Skip);
    record.szClass = nullptr;
}

TEST(FolderNodeSearch, DepthFirstFromTheStartNodeWithSignExtendedIds) {
    // root1 -> (a -> (a1), b), root2; ids chosen to test the sign extension.
    NodeEntry root1, a, a1, b, root2, negative;
    root1.nodeId = 0x8022;
    a.nodeId = 0x8042;
    a1.nodeId = 0x8062;
    b.nodeId = 0x8082;
    root2.nodeId = 0x80A2;
    negative.nodeId = 0xFFFFFFFF80000002ULL;
    root1.pFirstChild = &a;
    a.pFirstChild = &a1;
    a.pNextSibling = &b;
    root1.pNextSibling = &root2;
    root2.pNextSibling = &negative;

    for (NodeEntry* wanted : {&root1, &a, &a1, &b, &root2}) {
        g_bNodeFound = FALSE;
        EXPECT_EQ(FindFolderNodeById(static_cast<int32_t>(wanted->nodeId), &root1), wanted);
        EXPECT_TRUE(g_bNodeFound);
    }
    g_bNodeFound = FALSE;
    EXPECT_EQ(FindFolderNodeById(static_cast<int32_t>(0x80000002u), &root1), &negative);
    g_bNodeFound = FALSE;
    EXPECT_EQ(FindFolderNodeById(0x1234, &root1), nullptr);
    EXPECT_FALSE(g_bNodeFound);
    // The search starts at the start node: nodes before it are not found.
    EXPECT_EQ(FindFolderNodeById(static_cast<int32_t>(root1.nodeId), &root2), nullptr);
    g_bNodeFound = FALSE;
}

TEST(ReadFileAndDelete, ReadsTheWholeFileWithATerminatorAndDeletesIt) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"export_read_delete.bin";
    for (DWORD size : {0u, 1u, 8192u, 8193u, 20000u}) {
        std::vector<uint8_t> bytes(size);
        for (DWORD i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        if (size) WriteFile(h, bytes.data(), size, &written, nullptr);
        CloseHandle(h);

        uint8_t* block = ReadFileAndDelete(CString(path.c_str()));
        ASSERT_NE(block, nullptr) << size;
        EXPECT_EQ(std::vector<uint8_t>(block, block + size), bytes) << size;
        EXPECT_EQ(block[size], 0) << size;
        std::free(block);
        EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "deleted, size " << size;
    }
    EXPECT_EQ(ReadFileAndDelete(CString(path.c_str())), nullptr);   // no file
}

// What a stored item of a damaged store lacks is counted by kind, and each
// reason gets a line of its own with what it counts; one reason alone keeps
// the short form.
TEST(SaveLosses, EveryKindOfLossKeepsItsOwnReason) {
    g_saveLosses.Clear();
    AttachmentNode unreadable = {}, fine = {};
    unreadable.bUnreadable = 1;
    unreadable.pNext = &fine;
    ItemRecord record = {};
    record.pAttachments = &unreadable;
    record.nPartsLost = 2;   // the attachment and one other part
    record.nBlocksDamaged = 3;
    CountWhatAStoredItemLacks(record);
    EXPECT_EQ(g_saveLosses.attachments, 1);
    EXPECT_EQ(g_saveLosses.parts, 1);
    EXPECT_EQ(g_saveLosses.damaged, 1);
    EXPECT_EQ(g_saveLosses.items, 0);

    g_saveLosses.Items(4, ERROR_DISK_FULL, CString());
    g_saveLosses.Item(0, L"refused");
    EXPECT_EQ(Text(g_saveLosses.Summary()),
              L"5 items, 1 attachment and 1 other part of an item were not saved.\r\n"
              L"1 item was saved with damaged parts.\r\n"
              L"1 attachment and 1 other part of an item: Parts of items cannot be read from the store being saved.\r\n"
              L"1 item saved with damaged parts: The store being saved is damaged here.\r\n"
              L"4 items: " + Text(SystemErrorText(ERROR_DISK_FULL)) + L"\r\n"
              L"1 item: refused");

    g_saveLosses.Clear();
    record = ItemRecord{};
    record.nBlocksDamaged = 1;
    CountWhatAStoredItemLacks(record);
    EXPECT_EQ(Text(g_saveLosses.Summary()),
              L"1 item was saved with damaged parts.\r\nReason: The store being saved is damaged here.");
    g_saveLosses.Clear();
}
