// The item list: date texts and sort keys, the column sort, and folders
// listed by the item-list worker into the real frame's list, from stores made
// by the writer (every folder kind and the edge cases of the row rules) and
// from real samples; the row click, the refusals while a worker runs, and
// Stop during a long fill.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app_frame_test_support.h"
#include "export_test_support.h"
#include "app/AppGlobals.h"
#include "app/ItemListFill.h"
#include "app/ItemListView.h"
#include "app/LeftView.h"
#include "app/ListDates.h"
#include "app/ListRowRecords.h"
#include "app/ListRowTexts.h"
#include "app/MailItemsBody.h"
#include "app/MainFrm.h"
#include "app/StoreLoadObserver.h"
#include "app/TarnwellApp.h"
#include "app/WorkerGate.h"
#include "format/props.h"
#include "framework/seam_script.h"
#include "reader/ndb.h"
#include "reader/store_load.h"
#include "res/resource.h"
#include "support/temp_file.h"
#include "writer/store_builder.h"

using namespace frametest;
using testing_support::SamplePathW;
using testing_support::TempFile;

CTarnwellApp theTestApp;

namespace {

using Clock = std::chrono::steady_clock;

// Waits while answering the workers' messages to this thread's windows.
bool PumpUntil(const std::function<bool()>& condition, int milliseconds = 60000) {
    const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (Clock::now() < end) {
        // One message at a time (a worker's sent message is answered inside
        // PeekMessage), so that the condition is seen as soon as it holds.
        MSG msg;
        const bool got = PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
        if (got) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (condition()) return true;
        if (!got) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return condition();
}

FILETIME FileTimeOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second = 0, WORD ms = 0) {
    SYSTEMTIME st = {year, month, 0, day, hour, minute, second, ms};
    FILETIME ft = {};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

// The system's time zone as a test scripts it: minutes east of UTC, with or
// without the daylight-saving rules of the United States since 2007.
DYNAMIC_TIME_ZONE_INFORMATION Zone(LONG minutesEast, bool usDaylightSaving = false) {
    DYNAMIC_TIME_ZONE_INFORMATION zone = {};
    zone.Bias = -minutesEast;
    if (usDaylightSaving) {
        zone.StandardDate = SYSTEMTIME{0, 11, 0, 1, 2, 0, 0, 0};  // first Sunday of November, 02:00
        zone.DaylightDate = SYSTEMTIME{0, 3, 0, 2, 2, 0, 0, 0};   // second Sunday of March, 02:00
        zone.DaylightBias = -60;
    }
    return zone;
}

uint64_t Ticks(const FILETIME& ft) { return (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

std::string Narrow(const std::wstring& w) {
    std::string out;
    for (wchar_t c : w) out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

HWND ListWindow() { return g_pItemListView->GetList().GetSafeHwnd(); }

std::vector<std::wstring> Columns() {
    std::vector<std::wstring> columns;
    for (int i = 0;; ++i) {
        wchar_t text[64] = L"";
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_IMAGE | LVCF_FMT;
        column.pszText = text;
        column.cchTextMax = 64;
        if (!SendMessageW(ListWindow(), LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column))) break;
        std::wstring entry = std::wstring(text) + L"/" + std::to_wstring(column.cx);
        if (column.fmt & LVCFMT_IMAGE) entry += L"/image" + std::to_wstring(column.iImage);
        columns.push_back(entry);
    }
    return columns;
}

std::wstring Cell(int row, int column) { return std::wstring(g_pItemListView->GetList().GetItemText(row, column)); }

int CellImage(int row, int column) {
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iSubItem = column;
    item.iImage = -7;
    SendMessageW(ListWindow(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

int Rows() { return g_pItemListView->GetList().GetItemCount(); }

// "cell2|cell3|...|index" of a row.
std::wstring RowText(int row) {
    std::wstring text;
    const int columns = static_cast<int>(Columns().size());
    for (int c = 2; c < columns; ++c) text += (c > 2 ? L"|" : L"") + Cell(row, c);
    return text;
}

std::wstring Caption() {
    wchar_t text[256] = L"";
    GetWindowTextW(g_pItemListView->GetFolderCaption().GetSafeHwnd(), text, 256);
    return text;
}

}  // namespace

// ---- date texts ----

TEST(ListDates, FormatKeepsTheTwentyFourHourClockWithItsMarker) {
    EXPECT_EQ(std::wstring(FormatListDateText(3, 7, 3, 2012, 13, 5)), L"Wed 3/7/2012 13:05 PM");
    EXPECT_EQ(std::wstring(FormatListDateText(0, 1, 1, 2000, 0, 30)), L"Sun 1/1/2000 00:30 AM");
    EXPECT_EQ(std::wstring(FormatListDateText(6, 31, 12, 1999, 12, 0)), L"Sat 12/31/1999 12:00 PM");
    EXPECT_EQ(std::wstring(FormatListDateText(7, 2, 2, 2020, 9, 9)), L"Sun 2/2/2020 09:09 AM");
    EXPECT_EQ(std::wstring(FormatListDateText(9, 2, 2, 2020, 9, 9)), L" 2/2/2020 09:09 AM");
}

TEST(ListDates, StoredTimesAreShownInTheSystemsZone) {
    SeamScript script;  // the clock: 2024; the zone: UTC
    struct Case {
        FILETIME stored;
        const wchar_t* display;
        const wchar_t* key;
    };
    auto check = [](const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            CString display, key;
            MakeListTimeTexts(c.stored, display, key);
            EXPECT_EQ(std::wstring(display), c.display);
            EXPECT_EQ(std::wstring(key), c.key);
        }
    };
    // A machine in UTC shows the stored time as it is.
    check({
        {FileTimeOf(2011, 4, 28, 11, 39), L"Thu 4/28/2011 11:39 AM", L"2011-04-28 11:39:00"},
        {FileTimeOf(2012, 3, 7, 23, 59, 59, 995), L"Thu 3/8/2012 00:00 AM", L"2012-03-08 00:00:00"},
        {FileTimeOf(1850, 6, 1, 10, 0), L"Thu 1/1/1970 00:00 AM", L"1970-01-01 00:00:00"},
        {FileTimeOf(5000, 2, 3, 4, 5), L"Mon 2/3/5000 04:05 AM", L"5000-02-03 04:05:00"},
    });
    // At UTC+5:30 they are shown 5 h 30 min later, the date moving with them;
    // years before 1970 and far ahead too.
    script.timeZone = Zone(330);
    check({
        {FileTimeOf(2011, 4, 28, 11, 39), L"Thu 4/28/2011 17:09 PM", L"2011-04-28 17:09:00"},
        {FileTimeOf(2012, 3, 7, 3, 35), L"Wed 3/7/2012 09:05 AM", L"2012-03-07 09:05:00"},
        {FileTimeOf(2012, 3, 7, 18, 30, 0, 995), L"Thu 3/8/2012 00:00 AM", L"2012-03-08 00:00:01"},
        {FileTimeOf(2012, 3, 7, 18, 30, 0, 990), L"Thu 3/8/2012 00:00 AM", L"2012-03-08 00:00:00"},
        {FileTimeOf(2012, 12, 31, 20, 0), L"Tue 1/1/2013 01:30 AM", L"2013-01-01 01:30:00"},
        {FileTimeOf(1850, 6, 1, 10, 0), L"Thu 1/1/1970 05:30 AM", L"1970-01-01 05:30:00"},
        {FileTimeOf(1950, 6, 1, 20, 0), L"Fri 6/2/1950 01:30 AM", L"1950-06-02 01:30:00"},
        {FileTimeOf(30000, 6, 1, 10, 0), L"Sat 6/1/2024 15:30 PM", L"2024-06-01 15:30:00"},
        {FileTimeOf(5000, 2, 3, 4, 5), L"Mon 2/3/5000 09:35 AM", L"5000-02-03 09:35:00"},
    });
    // The key of a shown time reads back as that instant, whatever the zone.
    CString display, key;
    MakeListTimeTexts(FileTimeOf(2012, 3, 7, 3, 35), display, key);
    EXPECT_EQ(ParseListDateText(key), 1331091300);
    // West of UTC, daylight saving by the zone's rules: the same instant is
    // four hours back in April, five in January, and still the day before.
    script.timeZone = Zone(-300, true);
    check({
        {FileTimeOf(2011, 4, 28, 11, 39), L"Thu 4/28/2011 07:39 AM", L"2011-04-28 07:39:00"},
        {FileTimeOf(2011, 1, 28, 11, 39), L"Fri 1/28/2011 06:39 AM", L"2011-01-28 06:39:00"},
        {FileTimeOf(2012, 3, 7, 3, 35), L"Tue 3/6/2012 22:35 PM", L"2012-03-06 22:35:00"},
    });
    MakeListTimeTexts(FileTimeOf(2011, 4, 28, 11, 39), display, key);
    EXPECT_EQ(ParseListDateText(key), 1303990740);
}

TEST(ListDates, SortKeysOfEveryYearParseAndOthersAreZero) {
    SeamScript script;  // UTC
    EXPECT_EQ(ParseListDateText(L"2012-03-07 09:05:00"), 1331111100);
    EXPECT_EQ(ParseListDateText(L"1981-01-01 00:00:00"), 347155200);
    EXPECT_EQ(ParseListDateText(L"2021-01-01 00:00:00"), 1609459200);
    EXPECT_EQ(ParseListDateText(L"2099-12-31 23:59:59"), 4102444799);
    EXPECT_EQ(ParseListDateText(L"1969-12-31 23:59:59"), -1);
    EXPECT_EQ(ParseListDateText(L"2012-03-07"), 1331078400);           // no time part
    EXPECT_EQ(ParseListDateText(L"2023-02-31 00:00:00"), 1677801600);  // runs on to March 3
    for (const wchar_t* invalid : {L"1600-12-31 23:59:59", L"2012-03-07 24:00:00", L"2012-03-07 10:60:00",
                                   L"2012-03-07 10:00:60", L"2012-13-01 10:00:00", L"2012-00-01 10:00:00",
                                   L"2012-03-32 10:00:00", L"", L"garbage"}) {
        EXPECT_EQ(ParseListDateText(invalid), 0) << Narrow(invalid);
    }
}

// ---- row texts ----

TEST(ListRowTexts, LinesAreJoinedWithALeadingBlankEach) {
    EXPECT_EQ(JoinListLines(L"Meeting\r\nmoved", L"\n", true), L" Meeting moved");
    EXPECT_EQ(JoinListLines(L"a\nb\nc", L"\n", true), L" a b c");
    EXPECT_EQ(JoinListLines(L"one line", L"\n", true), L"one line");
    EXPECT_EQ(JoinListLines(L"1 Main St\r\nSpringfield", L"\r\n", false), L" 1 Main St Springfield");
    EXPECT_EQ(JoinListLines(L"1 Main St\nSpringfield", L"\r\n", false), L"1 Main St\nSpringfield");
    EXPECT_EQ(JoinListLines(L"a\n", L"\n", true), L" a ");
}

TEST(ListRowTexts, AddressesAreShownOnlyWithAnAtAfterTheirFirstCharacter) {
    EXPECT_EQ(MailFromText(L"Ann", L"ann@example.com"), L"Ann<ann@example.com>");
    EXPECT_EQ(MailFromText(L">Ann", L"ann@example.com"), L"<ann@example.com>");
    EXPECT_EQ(MailFromText(L"Ann", L"@example.com"), L"Ann");
    EXPECT_EQ(MailFromText(L"Ann", L"/O=EXCHANGE/CN=ANN"), L"Ann");
    EXPECT_EQ(MailToText(L"Bob</O=EXCH/CN=BOB>", L""), L"Bob");
    EXPECT_EQ(MailToText(L"</O=EXCH/CN=BOB>", L""), L"</O=EXCH/CN=BOB>");
    EXPECT_EQ(MailToText(L"Bob", L"bob@example.com"), L"Bob<bob@example.com>");
}

TEST(ListRowTexts, AStoredEmptyTextIsPresent) {
    exporttest::RecordTexts texts;
    MessageDetail message = {};
    ItemRecord record = {};
    record.pMessage = &message;
    std::wstring cells[4];
    bool clip = true;
    EXPECT_FALSE(MailListRow(record, cells, clip));   // nothing stored: no row

    // Sender, To and subject stored empty, no delivery time: a row of empty cells.
    message.txSentRepresentingName = texts.Wide(L"");
    EXPECT_TRUE(MailListRow(record, cells, clip));
    message.txSentRepresentingName = StoreText{};
    message.txDisplayTo = texts.Wide(L"");
    EXPECT_TRUE(MailListRow(record, cells, clip));
    message.txDisplayTo = StoreText{};
    record.txSubject = texts.Wide(L"");
    EXPECT_TRUE(MailListRow(record, cells, clip));
    EXPECT_FALSE(clip);

    // A stored empty topic is the subject shown; a first attachment whose
    // name is stored empty has the paper clip.
    record.txSubject = texts.Wide(L"RE: Plans");
    message.txConversationTopic = texts.Wide(L"");
    record.pAttachments = texts.Attachment(L"", "x");
    record.pAttachments->txAttachFilename = texts.Wide(L"");
    ASSERT_TRUE(MailListRow(record, cells, clip));
    EXPECT_EQ(cells[2], L"");
    EXPECT_TRUE(clip);
    message.txConversationTopic = StoreText{};
    ASSERT_TRUE(MailListRow(record, cells, clip));
    EXPECT_EQ(cells[2], L"RE: Plans");
}

// ---- the column sort ----

class ListSort : public ::testing::Test {
protected:
    void SetUp() override {
        g_chSortOrder = L'a';
        savedKind = g_nFolderKind;
    }
    void TearDown() override {
        g_nFolderKind = savedKind;
        g_chSortOrder = L'a';
    }
    ListRowRecord* Row(const wchar_t* t0, const wchar_t* t1 = L"", const wchar_t* t2 = L"", const wchar_t* t3 = L"") {
        const wchar_t* texts[9] = {t0, t1, t2, t3, L"", L"", L"", L"", L""};
        return AddListRowRecord(texts);
    }
    int Compare(ListRowRecord* a, ListRowRecord* b, int column) {
        return CompareListRows(reinterpret_cast<LPARAM>(a), reinterpret_cast<LPARAM>(b), column);
    }
    int savedKind = 0;
};

TEST_F(ListSort, TextsCompareByCodeUnitAndTheFlagReversesEveryColumn) {
    g_nFolderKind = kFolderKindMail;
    ListRowRecord* upper = Row(L"Zed");
    ListRowRecord* lower = Row(L"apple");
    ListRowRecord* prefix = Row(L"Ze");
    ListRowRecord* cyrillic = Row(L"\x0410");
    EXPECT_EQ(Compare(upper, lower, 2), -1);
    EXPECT_EQ(Compare(prefix, upper, 2), -1);   // the shorter text is less
    EXPECT_EQ(Compare(lower, cyrillic, 2), -1);
    EXPECT_EQ(Compare(upper, upper, 2), 0);
    g_chSortOrder = L'd';
    EXPECT_EQ(Compare(upper, lower, 2), 1);
    EXPECT_EQ(Compare(upper, lower, 0), 1);
}

TEST_F(ListSort, DateColumnsDependOnTheKindAndAKeyThatIsNoDateSortsFirst) {
    ListRowRecord* early = Row(L"a", L"2001-01-01 00:00:00", L"2001-01-01 00:00:00", L"2001-01-01 00:00:00");
    ListRowRecord* late = Row(L"a", L"1999-01-01 00:00:00", L"1999-01-01 00:00:00", L"1999-01-01 00:00:00");
    ListRowRecord* noDate = Row(L"a", L"1600-01-01 00:00:00", L"1600-01-01 00:00:00", L"1600-01-01 00:00:00");
    ListRowRecord* empty = Row(L"a");
    g_nFolderKind = kFolderKindTask;
    EXPECT_EQ(Compare(late, early, 3), -1);       // by time
    EXPECT_EQ(Compare(noDate, late, 3), -1);  // no date: first
    EXPECT_EQ(Compare(noDate, empty, 3), 0);
    EXPECT_EQ(Compare(early, late, 4), -1);       // the hidden "Index" of a task list: always -1
    EXPECT_EQ(Compare(late, early, 4), -1);
    g_nFolderKind = kFolderKindCalendar;
    EXPECT_EQ(Compare(early, late, 3), 1);        // a text column here
    EXPECT_EQ(Compare(late, early, 3), -1);
    EXPECT_EQ(Compare(late, early, 4), -1);
    EXPECT_EQ(Compare(early, late, 4), 1);
    g_nFolderKind = kFolderKindMailRtf;
    EXPECT_EQ(Compare(early, late, 5), 1);
    g_chSortOrder = L'd';
    EXPECT_EQ(Compare(early, late, 5), -1);
    g_nFolderKind = 0;
    EXPECT_EQ(Compare(early, late, 2), -1);
    EXPECT_EQ(Compare(late, early, 2), -1);
    EXPECT_EQ(Compare(early, late, 7), -1);
}

TEST_F(ListSort, RecentYearsSortAfterOlderOnesAndNoDateBeforeAll) {
    SeamScript script;  // UTC
    g_nFolderKind = kFolderKindMail;
    ListRowRecord* y2019 = Row(L"", L"", L"", L"2019-06-01 12:00:00");
    ListRowRecord* y1969 = Row(L"", L"", L"", L"1969-07-20 20:17:00");
    ListRowRecord* none = Row(L"");
    for (const wchar_t* key : {L"2021-01-01 00:00:00", L"2023-01-05 09:30:00", L"2099-12-31 23:59:59"}) {
        ListRowRecord* later = Row(L"", L"", L"", key);
        EXPECT_EQ(Compare(y2019, later, 5), -1) << Narrow(key);
        EXPECT_EQ(Compare(later, y2019, 5), 1) << Narrow(key);
    }
    EXPECT_EQ(Compare(y1969, y2019, 5), -1);
    EXPECT_EQ(Compare(none, y1969, 5), -1);   // a time before 1970 is still a date
    EXPECT_EQ(Compare(y1969, none, 5), 1);
}

// ---- folders listed in the running frame ----

class ItemList : public ::testing::Test {
protected:
    SeamScript script;

    void SetUp() override {
        if (!ProgramRunning()) {
            PrepareProgram();
            StartProgram();   // the start-up store dialog is closed as soon as it shows
        }
        ASSERT_NE(g_pItemListView, nullptr);
    }
    void TearDown() override {
        PumpUntil([] { return g_pItemListThread == nullptr && g_pDisplayThread == nullptr; });
    }

    void Load(const std::wstring& path) {
        try {
            ResetReader();
        } catch (...) {
        }
        LoadIntoTree(path);
        ASSERT_FALSE(g_listFolders.empty());
    }

    // A folder click as the tree's click handler makes it, then the fill to its end.
    void List(const wchar_t* label) {
        HTREEITEM item = FindFolder(label);
        ASSERT_NE(item, nullptr) << Narrow(label);
        g_pLeftView->GetTreeCtrl().SelectItem(item);
        g_pLeftView->StartItemListFill(item);
        ASSERT_TRUE(PumpUntil([] { return g_pItemListThread == nullptr; }));
    }

    void ClickRow(int row) {
        NMITEMACTIVATE click = {};
        click.hdr.hwndFrom = ListWindow();
        click.hdr.idFrom = IDC_ITEM_LIST;
        click.hdr.code = NM_CLICK;
        click.iItem = row;
        SendMessageW(g_pItemListView->GetSafeHwnd(), WM_NOTIFY, IDC_ITEM_LIST, reinterpret_cast<LPARAM>(&click));
    }

    void ClickColumn(int column) {
        NMLISTVIEW click = {};
        click.hdr.hwndFrom = ListWindow();
        click.hdr.idFrom = IDC_ITEM_LIST;
        click.hdr.code = LVN_COLUMNCLICK;
        click.iItem = -1;
        click.iSubItem = column;
        SendMessageW(g_pItemListView->GetSafeHwnd(), WM_NOTIFY, IDC_ITEM_LIST, reinterpret_cast<LPARAM>(&click));
    }
};

namespace {

const uint64_t kMonday = Ticks(FileTimeOf(2012, 3, 5, 8, 0));

// A store with a folder of every kind and the cases of the row rules.
std::vector<uint8_t> KindsStore() {
    writer::StoreBuilder b{writer::StoreOptions{}};
    const uint32_t top = b.IpmSubtree();
    auto at = [](int day) { return kMonday + uint64_t(day) * 864000000000ull; };

    const uint32_t mail = b.AddFolder(top, u"Mail", "IPF.Note");
    b.AddAssociatedMessage(mail, "IPM.Microsoft.FolderDesign").SetInt32(fmt::kPidMessageFlags, 0x49);
    {
        writer::Message& m = b.AddMessage(mail, "IPM.Note");  // Index 1
        m.SetSender(u"Ann", u"ann@example.com");
        m.AddRecipient(u"Bob", u"bob@example.com");
        m.SetSubject(u"Agenda");
        m.SetTime(fmt::kPidMessageDeliveryTime, at(0));
        m.AddAttachment(u"agenda.txt", {'h', 'i'});
    }
    b.AddMessage(mail, "IPM.Note").SetInt32(fmt::kPidMessageFlags, 0x40);  // Index 2: no row
    {
        writer::Message& m = b.AddMessage(mail, "IPM.Note");  // Index 3: only a date
        m.SetTime(fmt::kPidMessageDeliveryTime, at(1));
    }
    {
        writer::Message& m = b.AddMessage(mail, "IPM.Note");  // Index 4
        m.SetSender(u">Relay", u"relay@example.com");
        m.SetString(fmt::kPidDisplayTo, u"Carl</O=EXCH/CN=CARL>");
        m.SetString(0x0076, u"carl@example.com");
        m.SetString(fmt::kPidConversationTopic, u"one\ntwo\r\nthree");
    }
    {
        writer::Message& m = b.AddMessage(mail, "IPM.Note");  // Index 5
        m.SetSender(u"Dee", u"@nowhere");
        m.SetString(fmt::kPidDisplayTo, u"</O=EXCH/CN=X>");
        m.SetSubject(u"\u0410\u0411\u0412");
    }
    b.AddMessage(mail, "IPM.Note");  // Index 6: nothing to show (an empty To is no value): no row

    const uint32_t contacts = b.AddFolder(top, u"Contacts", "IPF.Contact");
    for (int i = 0; i < 10; ++i) {
        if (i % 3 == 2) {
            b.AddMessage(contacts, "IPM.Note").SetSubject(u"not a contact");
            continue;
        }
        writer::Message& c = b.AddMessage(contacts, "IPM.Contact");
        c.SetString(c.Named(writer::kPsetidAddress, 0x8005), u"Person " + std::u16string(1, char16_t(u'A' + i)));
        if (i == 0) c.SetString(c.Named(writer::kPsetidAddress, 0x8083), u"a@example.com");
        c.SetString(0x3A1C, u"555-01" + std::u16string(1, char16_t(u'0' + i)));
        c.SetString(0x3A15, i == 0 ? u"1 Main St\r\nSpringfield" : u"2 High St");
    }

    const uint32_t tasks = b.AddFolder(top, u"Tasks", "IPF.Task");
    b.AddMessage(tasks, "IPM.Task ").SetSubject(u"trailing blank");  // a mail item: decides nothing as task
    b.AddMessage(tasks, "IPM.Task.Custom").SetSubject(u"suffix");
    {
        writer::Message& t = b.AddMessage(tasks, "IPM.Task");
        t.SetSubject(u"Write report");
        t.SetTime(fmt::kPidMessageDeliveryTime, at(2));
        t.AddAttachment(u"notes.txt", {'x'});
    }

    const uint32_t realTasks = b.AddFolder(top, u"Real Tasks", "IPF.Task");
    for (int i = 0; i < 2; ++i) {
        writer::Message& t = b.AddMessage(realTasks, "IPM.Task");
        t.SetSubject(i == 0 ? u"First task" : u"Second task");
        t.SetTime(fmt::kPidMessageDeliveryTime, at(3 - i));
    }
    b.AddMessage(realTasks, "IPM.Task.Custom").SetSubject(u"suffix");
    b.AddMessage(realTasks, "ipm.task").SetSubject(u"lower case");

    const uint32_t lowerTasks = b.AddFolder(top, u"Lower Tasks", "IPF.Task");
    b.AddMessage(lowerTasks, "ipm.task").SetSubject(u"lower case");

    const uint32_t notes = b.AddFolder(top, u"Notes", "IPF.StickyNote");
    {
        writer::Message& n = b.AddMessage(notes, "IPM.StickyNote");
        n.SetSubject(u"Buy milk");
        n.SetTime(fmt::kPidMessageDeliveryTime, at(4));
    }

    const uint32_t journal = b.AddFolder(top, u"Journal", "IPF.Journal");
    {
        writer::Message& j = b.AddMessage(journal, "IPM.Activity");
        j.SetSubject(u"Phone call");
        j.SetString(j.Named(writer::kPsetidLog, 0x8700), u"Phone call");
        j.SetTime(fmt::kPidMessageDeliveryTime, at(5));
    }

    const uint32_t calendar = b.AddFolder(top, u"Calendar", "IPF.Appointment");
    {
        writer::Message& a = b.AddMessage(calendar, "IPM.Appointment");
        a.SetSubject(u"Review");
        a.SetString(a.Named(writer::kPsetidAppointment, 0x8208), u"Room 4");
        a.SetTime(a.Named(writer::kPsetidAppointment, 0x820D), at(9));
        a.SetTime(fmt::kPidMessageDeliveryTime, at(6));
    }

    const uint32_t noteTasks = b.AddFolder(top, u"Task Mail", "IPF.Note");
    b.AddMessage(noteTasks, "IPM.Task").SetSubject(u"a task in a mail folder");

    b.AddFolder(top, u"Empty", "IPF.Note");
    const uint32_t parent = b.AddFolder(top, u"Only Folders", "IPF.Note");
    b.AddFolder(parent, u"Child", "IPF.Note");
    return b.WriteMemory();
}

}  // namespace

TEST_F(ItemList, EveryKindGetsItsColumnsRowsAndImages) {
    TempFile file(KindsStore(), ".pst");
    Load(file.wpath());

    List(L"Mail");
    EXPECT_EQ(g_nFolderKind, kFolderKindMail);
    EXPECT_EQ(Columns(), (std::vector<std::wstring>{L"/30/image0", L"/30/image1", L"From/200", L"To/200",
                                                    L"Subject/300", L"Date/Time/2000", L"Index/0"}));
    EXPECT_EQ(Caption(), L"Mail (6)");
    ASSERT_EQ(Rows(), 4);
    EXPECT_EQ(Narrow(RowText(0)), "Ann<ann@example.com>|Bob|Agenda|Mon 3/5/2012 08:00 AM|1");
    EXPECT_EQ(Narrow(RowText(1)), "|||Tue 3/6/2012 08:00 AM|3");  // the flags-0x40 item left a gap
    EXPECT_EQ(Narrow(RowText(2)), "<relay@example.com>|Carl<carl@example.com>| one two three||4");
    EXPECT_EQ(RowText(3), L"Dee|</O=EXCH/CN=X>|\x0410\x0411\x0412||5");
    for (int row = 0; row < 4; ++row) EXPECT_EQ(CellImage(row, 0), 0);
    EXPECT_EQ(CellImage(0, 1), 1);  // the paper clip
    EXPECT_NE(CellImage(1, 1), 1);
    // The first listed item is the first one after the associated item.
    NodeEntry* first = g_pFolderItems;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->nodeId & 0x1F, 0x04u);
    EXPECT_EQ(FindRowItemNode(1), first->pNextSibling->pNextSibling);

    List(L"Contacts");
    EXPECT_EQ(g_nFolderKind, kFolderKindContact);
    EXPECT_EQ(Columns(), (std::vector<std::wstring>{L"/30/image2", L"/30/image1", L"Contact Name/110",
                                                    L"Email Address/150", L"Mobile Phone/150",
                                                    L"Postal Address/2000", L"Index/0"}));
    EXPECT_EQ(Caption(), L"Contacts (7)");  // the contacts listed, not the 10 items
    ASSERT_EQ(Rows(), 7);
    EXPECT_EQ(Narrow(RowText(0)), "Person A|a@example.com|555-010| 1 Main St Springfield|1");
    EXPECT_EQ(Narrow(RowText(1)), "Person B||555-011|2 High St|2");
    EXPECT_EQ(Narrow(RowText(2)), "Person D||555-013|2 High St|4");
    EXPECT_EQ(CellImage(0, 0), 2);

    List(L"Tasks");  // the first item's class is not exactly "IPM.Task": a mail list
    EXPECT_EQ(g_nFolderKind, kFolderKindMail);
    EXPECT_EQ(Rows(), 3);

    List(L"Lower Tasks");
    EXPECT_EQ(g_nFolderKind, kFolderKindMail);

    List(L"Real Tasks");
    EXPECT_EQ(g_nFolderKind, kFolderKindTask);
    EXPECT_EQ(Columns(), (std::vector<std::wstring>{L"/30/image6", L"/30/image1", L"Subject/200",
                                                    L"Due Date/2000", L"Index/0"}));
    ASSERT_EQ(Rows(), 2);  // the suffixed class gets no row
    EXPECT_EQ(Narrow(RowText(0)), "First task|Thu 3/8/2012 08:00 AM|1");
    EXPECT_EQ(Narrow(RowText(1)), "Second task|Wed 3/7/2012 08:00 AM|2");
    EXPECT_EQ(CellImage(0, 0), 6);

    List(L"Notes");
    EXPECT_EQ(g_nFolderKind, kFolderKindStickyNote);
    EXPECT_EQ(Columns(), (std::vector<std::wstring>{L"/30/image5", L"/30/image1", L"Subject/200", L"Date/2000",
                                                    L"Index/0"}));
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Narrow(RowText(0)), "Buy milk|Fri 3/9/2012 08:00 AM|1");
    EXPECT_EQ(CellImage(0, 0), 5);

    List(L"Journal");
    EXPECT_EQ(g_nFolderKind, kFolderKindJournal);
    EXPECT_EQ(Columns(), (std::vector<std::wstring>{L"/30/image4", L"/30/image1", L"Journal Subject/300",
                                                    L"Entry Type/150", L"Date/2000", L"Index/0"}));
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Narrow(RowText(0)), "Phone call|Phone call|Sat 3/10/2012 08:00 AM|1");
    EXPECT_EQ(CellImage(0, 0), 4);

    List(L"Calendar");
    EXPECT_EQ(g_nFolderKind, kFolderKindCalendar);
    EXPECT_EQ(Columns(), (std::vector<std::wstring>{L"/30/image3", L"/30/image1", L"Subject/300",
                                                    L"Location/150", L"Date/2000", L"Index/0"}));
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Narrow(RowText(0)), "Review|Room 4|Sun 3/11/2012 08:00 AM|1");  // delivery time, not the start
    EXPECT_EQ(CellImage(0, 0), 3);

    List(L"Task Mail");
    EXPECT_EQ(g_nFolderKind, kFolderKindMail);
    EXPECT_EQ(Rows(), 1);
}

TEST_F(ItemList, EmptyFoldersFoldersOfFoldersAndTheStoreRoot) {
    TempFile file(KindsStore(), ".pst");
    Load(file.wpath());
    List(L"Journal");
    NodeEntry* journalItems = g_pFolderItems;

    List(L"Empty");
    EXPECT_TRUE(Columns().empty());
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Caption(), L"Empty (0)");
    EXPECT_FALSE(IsWindowVisible(g_pProgressBar->GetSafeHwnd()));

    List(L"Journal");
    List(L"Only Folders");  // nothing to list: no columns, and the kind stays
    EXPECT_TRUE(Columns().empty());
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Caption(), L"Only Folders (0)");
    EXPECT_EQ(g_nFolderKind, kFolderKindJournal);
    EXPECT_EQ(g_pFolderItems, journalItems);

    List(L"Personal Folders");
    EXPECT_TRUE(Columns().empty());
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Caption(), L"Personal Folders");
}

TEST_F(ItemList, ANewStoresColumnsAreTheMailColumnsAndAnEmptyFolderLeavesNoHeader) {
    TempFile file(KindsStore(), ".pst");
    Load(file.wpath());
    // A header is drawn only while the list has columns (under Wine a header
    // without items keeps the last title it drew on the screen).
    auto headerShown = [] { return (GetWindowLongPtrW(ListWindow(), GWL_STYLE) & LVS_NOCOLUMNHEADER) == 0; };
    for (const wchar_t* before : {L"Journal", L"Empty"}) {
        List(before);
        ResetItemListColumns();  // as a store opened after another leaves the list
        EXPECT_EQ(Columns(), (std::vector<std::wstring>{L"/30/image0", L"/30/image1", L"From/150", L"To/180",
                                                        L"Subject/180", L"Date/Time/180"}));
        EXPECT_TRUE(headerShown());
        List(L"Empty");
        EXPECT_TRUE(Columns().empty());
        EXPECT_FALSE(headerShown());
    }
    List(L"Journal");
    EXPECT_TRUE(headerShown());
}

TEST_F(ItemList, RealMailFolderListsWhatTheIndependentReaderExports) {
    Load(SamplePathW("ost-unicode-sample.ost"));
    List(L"Inbox");
    EXPECT_EQ(g_nFolderKind, kFolderKindMail);
    EXPECT_EQ(Caption(), L"Inbox (12)");
    // The 12 items of the contents table, which pffexport exports, and one
    // more that the node tree still holds for the folder.
    ASSERT_EQ(Rows(), 13);
    // The Index numbers rise along the sibling chain, skipped children counted.
    for (int row = 1; row < Rows(); ++row) EXPECT_LT(_wtoi(Cell(row - 1, 6).c_str()), _wtoi(Cell(row, 6).c_str()));
    EXPECT_EQ(Cell(0, 6), L"1");

    List(L"Contacts");  // no item at all
    EXPECT_EQ(Caption(), L"Contacts (0)");
    EXPECT_TRUE(Columns().empty());

    // The older variant's contact folder (its name in code page 932).
    Load(SamplePathW("ansi-contacts.pst"));
    int contactFolders = 0;
    for (size_t k = 0; k < g_listFolders.size(); ++k) {
        List(g_pLeftView->GetTreeCtrl().GetItemText(static_cast<HTREEITEM>(g_listFolders[k].hItem)));
        if (g_nFolderKind != kFolderKindContact || Rows() == 0) continue;
        ++contactFolders;
        EXPECT_EQ(Rows(), 1);
        EXPECT_FALSE(Cell(0, 2).empty());
    }
    EXPECT_EQ(contactFolders, 1);
}

// Every folder of every sample lists without a fault, with a row for every
// item the folder's count promises where the kind lists every item.
TEST_F(ItemList, EveryFolderOfEverySampleLists) {
    for (const char* sample : {"ansi-contacts.pst", "ansi-cp932-mail.pst", "ansi-outlook97-mail.pst",
                               "ansi-sample2-attachment.pst", "ansi-tiny-calendar.pst", "ost-unicode-sample.ost",
                               "unicode-body-types.pst", "unicode-contacts-jp.pst", "unicode-dist-list.pst",
                               "unicode-enron-mail.pst", "unicode-nested-msg.pst", "unicode-support-mail.pst",
                               "unicode-testlab-mail.pst", "unicode-tika-mail.pst"}) {
        SCOPED_TRACE(sample);
        Load(SamplePathW(sample));
        std::vector<HTREEITEM> items;
        for (const folder& f : g_listFolders) items.push_back(static_cast<HTREEITEM>(f.hItem));
        for (HTREEITEM item : items) {
            g_pLeftView->GetTreeCtrl().SelectItem(item);
            ClearFolderCaption();
            g_pLeftView->StartItemListFill(item);
            ASSERT_TRUE(PumpUntil([] { return g_pItemListThread == nullptr; }));
            EXPECT_FALSE(IsWindowVisible(g_pProgressBar->GetSafeHwnd()));
            const std::wstring caption = Caption();
            const std::wstring label(g_pLeftView->GetTreeCtrl().GetItemText(item));
            if (!caption.empty()) {
                EXPECT_EQ(caption.compare(0, label.size(), label), 0) << Narrow(caption);
            }
            // A mail folder gets a row for every item its count promises.
            const size_t open = caption.rfind(L'(');
            if (g_nFolderKind == kFolderKindMail && open != std::wstring::npos && Rows() > 0) {
                EXPECT_GE(Rows(), _wtoi(caption.c_str() + open + 1)) << Narrow(caption);
            }
        }
    }
}

TEST_F(ItemList, SortingFlipsTheOneFlagAndOrdersByKeys) {
    TempFile file(KindsStore(), ".pst");
    Load(file.wpath());
    List(L"Real Tasks");
    g_chSortOrder = L'a';
    ClickColumn(3);  // due date, ascending
    EXPECT_EQ(g_chSortOrder, L'd');
    EXPECT_EQ(Cell(0, 2), L"Second task");
    ClickColumn(2);  // subject, descending
    EXPECT_EQ(g_chSortOrder, L'a');
    EXPECT_EQ(Cell(0, 2), L"Second task");
    ClickColumn(2);  // subject, ascending
    EXPECT_EQ(Cell(0, 2), L"First task");
    EXPECT_EQ(g_chSortOrder, L'd');

    // Refused while a worker runs: no sort and no flip.
    CWinThread running;
    g_pDisplayThread = &running;
    ClickColumn(3);
    EXPECT_EQ(g_chSortOrder, L'd');
    EXPECT_EQ(Cell(0, 2), L"First task");
    g_pDisplayThread = nullptr;
    g_pItemListThread = &running;
    ClickColumn(3);
    EXPECT_EQ(g_chSortOrder, L'd');
    g_pItemListThread = nullptr;
    g_chSortOrder = L'a';
}

TEST_F(ItemList, RowClickShowsTheRowUnlessAWorkerRuns) {
    TempFile file(KindsStore(), ".pst");
    Load(file.wpath());
    List(L"Mail");
    g_nHotItem = -1;
    ClickRow(2);
    EXPECT_EQ(g_nHotItem, 2);
    ASSERT_TRUE(PumpUntil([] { return g_pDisplayThread == nullptr; }));
    EXPECT_FALSE(g_bDisplayBusy);
    EXPECT_FALSE(IsWindowVisible(g_pProgressBar->GetSafeHwnd()));

    // A real mouse click on the second row's subject.
    RECT cell = {};
    cell.top = 4;  // the subject column
    cell.left = LVIR_LABEL;
    ASSERT_TRUE(SendMessageW(ListWindow(), LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&cell)));
    PostMessageW(ListWindow(), WM_LBUTTONUP, 0, MAKELPARAM(cell.left + 5, cell.top + 3));
    SendMessageW(ListWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cell.left + 5, cell.top + 3));
    ASSERT_TRUE(PumpUntil([] { return g_nHotItem == 1 && g_pDisplayThread == nullptr; }, 5000));

    ClickRow(-1);  // no row: nothing starts
    EXPECT_EQ(g_nHotItem, 1);
    g_nHotItem = 2;
    EXPECT_EQ(g_pDisplayThread.load(), nullptr);
    EXPECT_EQ(g_nHotItem, 2);

    // A refused click leaves the shown item's pane as it is.
    HWND subject = GetDlgItem(g_pMailItemsBody->GetSafeHwnd(), IDC_SUBJECT_VALUE);
    SetWindowTextW(subject, L"shown");
    CWinThread running;
    g_pItemListThread = &running;
    ClickRow(0);
    EXPECT_EQ(g_nHotItem, 2);
    g_pItemListThread = nullptr;
    g_pDisplayThread = &running;
    ClickRow(0);
    EXPECT_EQ(g_nHotItem, 2);
    wchar_t kept[16] = L"";
    GetWindowTextW(subject, kept, 16);
    EXPECT_STREQ(kept, L"shown");
    // A folder click while the display worker runs starts no fill.
    const std::vector<std::wstring> before = Columns();
    HWND tree = g_pLeftView->GetTreeCtrl().GetSafeHwnd();
    HTREEITEM notes = FindFolder(L"Notes");
    TreeView_EnsureVisible(tree, notes);
    RECT rect;
    // TVM_GETITEMRECT takes the item in the rectangle it fills.
    std::memcpy(&rect, &notes, sizeof notes);
    SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
    PostMessageW(tree, WM_LBUTTONUP, 0, MAKELPARAM(rect.left + 2, rect.top + 2));
    SendMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rect.left + 2, rect.top + 2));
    Pump();
    EXPECT_EQ(g_pItemListThread.load(), nullptr);
    EXPECT_EQ(Columns(), before);
    g_pDisplayThread = nullptr;
}

namespace {

// The pixels of one image of an image list, drawn on white.
std::vector<COLORREF> ImagePixels(HIMAGELIST images, int index) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    RECT all = {0, 0, 16, 16};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ImageList_Draw(images, index, dc, 0, 0, ILD_NORMAL);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) pixels.push_back(GetPixel(dc, x, y));
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return pixels;
}

RECT RectIn(HWND window, HWND parent) {
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

TEST_F(ItemList, ImagesAreTheKindIconsInOrderAndTheListFollowsTheViewsSize) {
    // Image i of the list is the icon the rows of that kind show.
    const UINT icons[] = {IDI_MAIL_ITEM, IDI_ATTACHMENT, IDI_CONTACTS, IDI_CALENDAR, IDI_JOURNAL, IDI_NOTES, IDI_TASKS};
    HIMAGELIST expected = ImageList_Create(16, 16, ILC_COLOR16 | ILC_MASK, 7, 1);
    for (UINT id : icons) {
        HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 48, 48, 0));
        ASSERT_NE(icon, nullptr) << id;
        ImageList_AddIcon(expected, icon);
        DestroyIcon(icon);
    }
    HIMAGELIST shown = ListView_GetImageList(ListWindow(), LVSIL_SMALL);
    ASSERT_EQ(ImageList_GetImageCount(shown), 7);
    ASSERT_NE(ImagePixels(expected, 0), ImagePixels(expected, 1));
    for (int i = 0; i < 7; ++i) EXPECT_EQ(ImagePixels(shown, i), ImagePixels(expected, i)) << "image " << i;
    ImageList_Destroy(expected);

    // The list keeps its place and fills the view but for a margin.
    HWND view = g_pItemListView->GetSafeHwnd();
    RECT before;
    GetWindowRect(view, &before);
    for (int grow : {-40, 40}) {
        SetWindowPos(view, nullptr, 0, 0, before.right - before.left + grow, before.bottom - before.top + grow / 2,
                     SWP_NOMOVE | SWP_NOZORDER);
        const RECT area = RectIn(view, view);
        const RECT list = RectIn(ListWindow(), view);
        EXPECT_EQ(list.left, g_rcItemList.left);
        EXPECT_EQ(list.top, g_rcItemList.top);
        EXPECT_EQ(list.right - list.left, area.right - 10);
        EXPECT_EQ(list.bottom - list.top, area.bottom - 25);
    }
    SetWindowPos(view, nullptr, 0, 0, before.right - before.left, before.bottom - before.top, SWP_NOMOVE | SWP_NOZORDER);
}

namespace {

// A folder whose id has its top bit set, and an empty one.
std::vector<uint8_t> HighIdStore() {
    writer::StoreBuilder b{writer::StoreOptions{}};
    const uint32_t high = b.AddFolder(b.IpmSubtree(), u"High Id", "IPF.Note", 0x80000022u);
    b.AddMessage(high, "IPM.Note").SetSubject(u"Found");
    b.AddFolder(b.IpmSubtree(), u"Empty", "IPF.Note");
    return b.WriteMemory();
}

}  // namespace

TEST_F(ItemList, FolderIdsAndCountsKeepAllTheirBits) {
    TempFile file(HighIdStore(), ".pst");
    Load(file.wpath());
    List(L"High Id");
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 4), L"Found");

    // A folder of more than 65535 items (message nodes the tree holds for a
    // folder whose stored count is 0): the bar's range is the whole count.
    NodeEntry* empty = nullptr;
    for (const folder& f : g_listFolders)
        if (static_cast<HTREEITEM>(f.hItem) == FindFolder(L"Empty")) empty = FindNode(&g_storeFile, f.nNodeId);
    ASSERT_NE(empty, nullptr);
    ASSERT_EQ(empty->pFirstChild, nullptr);
    std::vector<NodeEntry> items(70000);
    for (size_t i = 0; i < items.size(); ++i) {
        items[i].nodeId = ((i + 1) << 5) | 0x04;
        items[i].pParent = empty;
        items[i].pNextSibling = i + 1 < items.size() ? &items[i + 1] : nullptr;
    }
    empty->pFirstChild = &items.front();
    empty->pLastChild = &items.back();
    List(L"Empty");
    empty->pFirstChild = empty->pLastChild = nullptr;
    EXPECT_EQ(Caption(), L"Empty (70000)");
    EXPECT_EQ(SendMessageW(g_pProgressBar->GetSafeHwnd(), PBM_GETRANGE, FALSE, 0), 70000);
}

namespace {

std::vector<uint8_t> LargeMailStore(int count) {
    writer::StoreBuilder b{writer::StoreOptions{}};
    const uint32_t mail = b.AddFolder(b.IpmSubtree(), u"Big", "IPF.Note");
    for (int i = 0; i < count; ++i) {
        writer::Message& m = b.AddMessage(mail, "IPM.Note");
        const std::wstring number = std::to_wstring(i);
        m.SetSubject(u"Message " + std::u16string(number.begin(), number.end()));
        m.SetSender(u"Sender", u"sender@example.com");
        m.SetTime(fmt::kPidMessageDeliveryTime, kMonday + uint64_t(i) * 600000000ull);
    }
    return b.WriteMemory();
}

}  // namespace

TEST_F(ItemList, StopAnsweredNoGoesOnAndYesEndsTheFillBetweenRows) {
    const int count = 12000;  // rows reach the view in batches of at most 4000
    TempFile file(LargeMailStore(count), ".pst");
    Load(file.wpath());
    HWND frame = theTestApp.m_pMainWnd->GetSafeHwnd();
    HTREEITEM big = FindFolder(L"Big");

    for (int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        script.messageBoxAnswers = {answer};
        SendMessageW(ListWindow(), LVM_DELETEALLITEMS, 0, 0);
        g_pLeftView->GetTreeCtrl().SelectItem(big);
        g_pLeftView->StartItemListFill(big);
        ASSERT_TRUE(PumpUntil([] { return Rows() > 0 || g_pItemListThread == nullptr; }));
        ASSERT_NE(g_pItemListThread.load(), nullptr) << "the fill ended before Stop";
        SendMessageW(frame, WM_COMMAND, MAKEWPARAM(ID_TOOL_STOP, 0), 0);
        const int afterStop = Rows();
        if (answer == IDNO) {
            ASSERT_TRUE(PumpUntil([] { return g_pItemListThread == nullptr; }));
            EXPECT_EQ(Rows(), count);
        } else {
            EXPECT_EQ(g_pItemListThread.load(), nullptr);
            EXPECT_TRUE(g_itemListGate.WaitForExit(5000));
            Pump();
            EXPECT_EQ(Rows(), afterStop);  // no row after the worker was ended
            EXPECT_LT(Rows(), count);
            EXPECT_FALSE(IsWindowVisible(g_pProgressBar->GetSafeHwnd()));
            // Every row is whole: its last cell is its index.
            const int last = Rows() - 1;
            EXPECT_EQ(Cell(last, 6), std::to_wstring(last + 1));
        }
    }
    ASSERT_EQ(script.messageBoxes.size(), 2u);
    EXPECT_EQ(script.messageBoxes[0].text, L"Data insertion is in Progress, do you want to abort ?");
}
