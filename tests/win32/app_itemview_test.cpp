// The item view in the real main frame: stores made by the store writer (and
// real samples) are loaded, a row of the item list points at an item, and
// the renderer for the folder's kind runs on a worker thread while this
// thread runs the windows, as the display worker does. The header texts, the
// label list, the body files, the browser's text view and the RTF view are
// read back.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/AppGlobals.h"
#include "app/ItemListFill.h"
#include "app/ItemRenderers.h"
#include "app/ItemListView.h"
#include "app/LeftView.h"
#include "app/MailItemsBody.h"
#include "app/MainFrm.h"
#include "app/StoreLoadObserver.h"
#include "app/TarnwellApp.h"
#include "framework/seam_script.h"
#include "reader/item_reader.h"
#include "reader/ltp.h"
#include "reader/ndb.h"
#include "reader/rtf_decompress.h"
#include "reader/store_context.h"
#include "reader/store_load.h"
#include "reader/store_tree_model.h"
#include "res/resource.h"
#include "support/temp_file.h"
#include "writer/store_description.h"

CTarnwellApp theTestApp;

namespace {

using Clock = std::chrono::steady_clock;

std::wstring Text(HWND window) {
    const int n = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(window, &text[0], n + 1);
    text.resize(static_cast<size_t>(n));
    return text;
}

std::wstring PaneText(int id) { return Text(GetDlgItem(g_pMailItemsBody->GetSafeHwnd(), id)); }

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Runs the renderer on a worker, as the display worker does, with bodies
// wanted; this thread serves the windows meanwhile.
void RunDisplay(const std::function<void()>& renderer, bool displayBusy = true) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        g_bDisplayBusy = displayBusy;
        renderer();
        g_bDisplayBusy = false;
        done = true;
    });
    while (!done) {
        Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    worker.join();
    Pump();
}

std::vector<std::wstring> LabelRows() {
    CListCtrl& list = g_pMailItemsBody->GetValueList();
    std::vector<std::wstring> rows;
    for (int i = 0; i < list.GetItemCount(); ++i) rows.push_back(list.GetItemText(i, 0).GetString());
    return rows;
}

std::wstring RichEditText() {
    HWND edit = g_pMailItemsBody->GetRichEdit().GetSafeHwnd();
    GETTEXTLENGTHEX length = {GTL_DEFAULT, 1200};
    const LRESULT n = SendMessageW(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    GETTEXTEX get = {static_cast<DWORD>((n + 1) * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr, nullptr};
    SendMessageW(edit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(wcslen(text.c_str()));
    return text;
}

HWND Browser() { return g_pMailItemsBody->GetBrowser().GetSafeHwnd(); }

// The browser's rectangle in the pane's client coordinates.
RECT PaneRect(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, g_pMailItemsBody->GetSafeHwnd(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool IsCollapsed(HWND control) {
    const RECT r = PaneRect(control);
    return r.right == r.left && r.bottom == r.top;
}

std::vector<uint8_t> ReadFile(const std::wstring& path) {
    return testing_support::ReadWholeFile(std::string(path.begin(), path.end()));
}

std::wstring TempFolder() {
    wchar_t folder[MAX_PATH + 1] = L"";
    GetTempPathW(MAX_PATH, folder);
    return folder;
}

// With TARNWELL_SHOTS naming a folder: leaves "<name>.ready" there and
// keeps the windows running until a screen grabber outside removes it.
void Screenshot(const char* name) {
    const char* dir = std::getenv("TARNWELL_SHOTS");
    if (!dir || !*dir) return;
    const std::string marker = std::string(dir) + "\\" + name + ".ready";
    if (FILE* f = std::fopen(marker.c_str(), "wb")) std::fclose(f);
    const auto end = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < end && GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES) {
        Pump();
        Sleep(20);
    }
}

// The kind a folder's first listable item gives it, from the class tests in
// order; all comparisons exact. In a folder of class "IPF.Note" only the
// last test (a message part: mail) can choose.
struct KindTest {
    const char* classes[3];
    bool journalPart;
    int kind;
};
const KindTest kKindTests[] = {
    {{"IPM.Task"}, false, kFolderKindTask},
    {{"IPM.StickyNote", "IPF.StickyNote"}, false, kFolderKindStickyNote},
    {{"IPM.Activity"}, true, kFolderKindJournal},
    {{"IPM.Configuration.Calendar", "IPM.Appointment", "IPF.Appointment"}, false, kFolderKindCalendar},
    {{"IPM.Contact", "IPM.Configuration.ContactPrefs"}, false, kFolderKindContact},
};

int ExpectedFolderKind(const ItemRecord& r, bool noteFolder) {
    if (r.pFolderCounts != nullptr || r.szClass == nullptr || r.nMessageFlags == 0x49) return 0;
    for (const KindTest& test : kKindTests) {
        if (noteFolder) break;
        if (test.journalPart && r.pJournal != nullptr) return test.kind;
        for (const char* cls : test.classes)
            if (cls != nullptr && std::string(cls) == r.szClass) return test.kind;
    }
    return r.pMessage != nullptr ? kFolderKindMail : 0;
}

}  // namespace

// The program's frame, made once by InitInstance (its store dialog closed
// with Cancel); each test loads its own store and points a list row at it.
class AppItemView : public ::testing::Test {
protected:
    SeamScript script;
    std::unique_ptr<testing_support::TempFile> store;
    FolderTreeModel tree;
    std::wstring installFolder;

    void SetUp() override {
        script.tempPath = TempFolder();
        theTestApp.m_hInstance = GetModuleHandleW(nullptr);
        if (theTestApp.m_pMainWnd == nullptr) {
            // Start-up's modal store dialog is closed at once.
            script.modalActions.push_back([](HWND dialog) {
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CANCEL_BUTTON, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_CANCEL_BUTTON)));
            });
            ASSERT_TRUE(theTestApp.InitInstance());
        }
        ASSERT_NE(g_pMailItemsBody, nullptr);
        ASSERT_NE(g_pItemList, nullptr);
        installFolder = TempFolder() + L"tarnwell-itemview-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(installFolder.c_str(), nullptr);
        g_strInstallFolder = installFolder.c_str();
        SetInstallFolder(installFolder);
        DeleteFileW((installFolder + L"\\QM_Rtf_Body.rtf").c_str());
        g_pMailItemsBody->ClearItem();
    }

    void TearDown() override {
        try {
            ResetReader();
        } catch (...) {
        }
        SetReaderObserver(&g_storeLoadObserver);
        DeleteFileW((installFolder + L"\\QM_Rtf_Body.rtf").c_str());
        RemoveDirectoryW(installFolder.c_str());
    }

    // Writes the described store (unicode, no encoding unless it says) and loads it.
    void Load(const std::string& description) {
        const std::vector<uint8_t> bytes = writer::StoreFromDescription(description);
        store = std::make_unique<testing_support::TempFile>(bytes, ".pst");
        LoadPath(store->wpath());
    }

    void LoadPath(const std::wstring& path) {
        ResetReader();
        SetReaderObserver(&tree);
        OstRepair host(path);
        AnalysisThreadProc(&host);
        ASSERT_TRUE(tree.messages.empty());
        SetReaderObserver(&g_storeLoadObserver);
    }

    // The first child of the folder whose name holds the given text.
    NodeEntry* FirstItemOf(const wchar_t* folderName) {
        for (const folder& f : g_listFolders) {
            if (FolderTreeModel::FromHandle(f.hItem)->text.find(folderName) == std::wstring::npos) continue;
            NodeEntry* node = FindNode(&g_storeFile, f.nNodeId);
            return node ? node->pFirstChild : nullptr;
        }
        return nullptr;
    }

    // Row 0 of the item list: the given cells, the rest empty.
    void SetRow(const std::vector<std::pair<int, std::wstring>>& cells) {
        CListCtrl& list = *g_pItemList;
        list.DeleteAllItems();
        while (list.DeleteColumn(0)) {
        }
        for (int c = 0; c < 8; ++c) list.InsertColumn(c, L"c", LVCFMT_LEFT, 60);
        list.InsertItem(0, L"");
        for (const auto& cell : cells) list.SetItemText(0, cell.first, cell.second.c_str());
    }

    // Points the row's Index at the index-th item of the folder and sets the kind.
    void Point(const wchar_t* folderName, int kind, int indexColumn, int index,
               std::vector<std::pair<int, std::wstring>> cells = {}) {
        g_pFolderItems = FirstItemOf(folderName);
        ASSERT_NE(g_pFolderItems.load(), nullptr);
        g_nFolderKind = kind;
        cells.push_back({indexColumn, std::to_wstring(index)});
        SetRow(cells);
    }

    // Grows (or shrinks) the pane by the given amounts: a real resize, so that
    // the pane lays its controls out again.
    static void ResizePane(int dx, int dy) {
        HWND pane = g_pMailItemsBody->GetSafeHwnd();
        RECT r;
        GetWindowRect(pane, &r);
        SetWindowPos(pane, nullptr, 0, 0, r.right - r.left + dx, r.bottom - r.top + dy, SWP_NOMOVE | SWP_NOZORDER);
    }

    // The browser's text view; the control may report its error after the
    // call returned, so a missing view is waited for a moment.
    std::wstring FallbackText(bool wait = true) {
        for (int i = 0; wait && i < 100 && !AfxOccGetFallbackView(Browser()); ++i) {
            Pump();
            Sleep(5);
        }
        HWND view = AfxOccGetFallbackView(Browser());
        return view ? Text(view) : std::wstring();
    }
};

const char kMailStore[] = R"(variant unicode
folder Inbox IPF.Note
message Inbox IPM.Note
subject Html mail
sender Bob <bob@example.com>
html <html><head><title>t</title><style>p{color:red}</style></head><body><p>Hi &amp; welcome</p><p>Second&nbsp;line</p></body></html>
attach report.txt Report
message Inbox IPM.Note
subject Rtf mail
rtf {\rtf1\ansi\deff0 {\fonttbl{\f0 Arial;}}\f0 Rich text body\par}
message Inbox IPM.Note
subject Plain mail
body ab\ncd
message Inbox IPM.Note
subject Both
html <p>Only the markup</p>
rtf {\rtf1\ansi Not shown\par}
message Inbox IPM.Note
subject Bare
)";

TEST_F(AppItemView, HtmlMailWritesItsBytesAndShowsThemAsTextInTheBrowser) {
    Load(kMailStore);
    const std::wstring from45(45, L'f'), to26(26, L't');
    Point(L"Inbox", kFolderKindMail, 6, 1, {{2, from45}, {3, to26}, {4, L"Html mail"}});
    RunDisplay([] { ShowMailItem(0); });

    EXPECT_EQ(PaneText(IDC_FROM_VALUE), from45);                      // 45: whole
    EXPECT_EQ(PaneText(IDC_TO_VALUE), std::wstring(25, L't') + L"..."); // 26: cut at 25
    EXPECT_EQ(PaneText(IDC_SUBJECT_VALUE), L"Html mail");
    EXPECT_EQ(PaneText(IDC_ATTACHMENT_VALUE), L"    report.txt");
    EXPECT_EQ(g_nFolderKind, kFolderKindMail);

    const std::wstring path = TempFolder() + L"QM_Html_Body.html";
    EXPECT_EQ(std::wstring(g_pMailItemsBody->GetBodyPath().GetString()), path);
    const auto bytes = ReadFile(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "<html><head><title>t</title><style>p{color:red}</style></head><body><p>Hi &amp; welcome</p>"
              "<p>Second&nbsp;line</p></body></html>");
    // Wine has no HTML engine: the control reports the error and the site
    // shows the file as text, over the whole body area.
    EXPECT_EQ(FallbackText(), L"Hi & welcome\r\n\r\nSecond line");
    EXPECT_TRUE(IsWindowVisible(Browser()));
    EXPECT_FALSE(IsCollapsed(Browser()));
    EXPECT_FALSE(IsWindowVisible(g_pMailItemsBody->GetValueList().GetSafeHwnd()));
    Screenshot("mail-html");
}

TEST_F(AppItemView, RtfMailIsDecodedIntoTheBodyFileAndStreamedIntoTheRichEdit) {
    Load(kMailStore);
    Point(L"Inbox", kFolderKindMail, 6, 2, {{4, L"Rtf mail"}});
    RunDisplay([] { ShowMailItem(0); });
    EXPECT_EQ(g_nFolderKind, kFolderKindMailRtf);
    const auto rtf = ReadFile(installFolder + L"\\QM_Rtf_Body.rtf");
    EXPECT_EQ(std::string(rtf.begin(), rtf.end()), "{\\rtf1\\ansi\\deff0 {\\fonttbl{\\f0 Arial;}}\\f0 Rich text body\\par}");
    EXPECT_TRUE(IsWindowVisible(g_pMailItemsBody->GetRichEdit().GetSafeHwnd()));
    EXPECT_EQ(RichEditText().find(L"Rich text body"), 0u);
    EXPECT_TRUE(IsCollapsed(Browser()));
    EXPECT_EQ(PaneText(IDC_ATTACHMENT_VALUE), L"");
    Screenshot("mail-rtf");

    // A resize lays the rich edit over the whole body area again.
    ResizePane(-30, -20);
    const RECT edit = PaneRect(g_pMailItemsBody->GetRichEdit().GetSafeHwnd());
    EXPECT_EQ(edit.left, g_rcBodyView.left);
    EXPECT_EQ(edit.right - edit.left, g_rcBodyView.right - 10);
    EXPECT_EQ(edit.bottom - edit.top, g_rcBodyView.bottom - 70);
    EXPECT_TRUE(IsCollapsed(Browser()));
    ResizePane(30, 20);
}

TEST_F(AppItemView, MailWithHtmlAndRtfShowsOnlyTheHtmlAndAnIndexPastTheFolderShowsNothing) {
    Load(kMailStore);
    Point(L"Inbox", kFolderKindMail, 6, 4);
    RunDisplay([] { ShowMailItem(0); });
    EXPECT_EQ(g_nFolderKind, kFolderKindMail);
    EXPECT_EQ(FallbackText(), L"Only the markup");
    EXPECT_FALSE(IsWindowVisible(g_pMailItemsBody->GetRichEdit().GetSafeHwnd()));

    // No body at all: nothing is shown; past the last child: nothing read.
    for (int index : {5, 6, 0}) {
        g_pMailItemsBody->ClearItem();
        Point(L"Inbox", kFolderKindMail, 6, index, {{4, L"S"}});
        RunDisplay([] { ShowMailItem(0); });
        EXPECT_EQ(g_nFolderKind, kFolderKindMail);
        EXPECT_TRUE(IsCollapsed(Browser())) << index;
        EXPECT_EQ(PaneText(IDC_SUBJECT_VALUE), L"S");
    }
}

TEST_F(AppItemView, CutRulesAtTheirLimits) {
    EXPECT_EQ(std::wstring(CutText(CString(L'x', 45), 45).GetString()), std::wstring(45, L'x'));
    EXPECT_EQ(std::wstring(CutText(CString(L'x', 46), 45).GetString()), std::wstring(45, L'x') + L"...");
    EXPECT_EQ(std::wstring(CutText(L"", 25).GetString()), L"");
    // The attachment line: long names first, short names otherwise, rows
    // without a name skipped, the whole line cut at 100.
    Load(R"(variant ansi
folder Inbox IPF.Note
message Inbox IPM.Note
subject Attachments
attach a-long-name-of-the-first-attachment.txt one
attach b.txt two
to Ann <ann@example.com>
message Inbox IPM.Note
subject Many
attach aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.txt 1
attach bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb.txt 2
attach c.txt 3
)");
    // The names in the order of the record's list.
    auto listOrder = [](long index) {
        std::unique_ptr<ItemRecord, void (*)(ItemRecord*)> r(ReadRowItem(index), FreeItemRecord);
        std::wstring line;
        for (const AttachmentNode* a = r ? r->pAttachments : nullptr; a; a = a->pNext) {
            if (a->txAttachLongFilename.pData) line += L"    " + std::wstring(StoreTextToCString(a->txAttachLongFilename).GetString());
        }
        return line;
    };
    Point(L"Inbox", kFolderKindMail, 6, 1);
    RunDisplay([] { ShowMailItem(0); });
    const std::wstring two = listOrder(1);
    EXPECT_EQ(two.size(), std::wstring(L"    a-long-name-of-the-first-attachment.txt    b.txt").size());
    EXPECT_EQ(PaneText(IDC_ATTACHMENT_VALUE), two);
    Point(L"Inbox", kFolderKindMail, 6, 2);
    RunDisplay([] { ShowMailItem(0); });
    const std::wstring three = listOrder(2);
    ASSERT_GT(three.size(), 100u);
    EXPECT_EQ(PaneText(IDC_ATTACHMENT_VALUE), three.substr(0, 100) + L"...");
}

const char kCalendarStore[] = R"(variant unicode
folder Calendar IPF.Appointment
message Calendar IPM.Appointment
subject Meeting
named appointment 0x820D 0040 2012-12-15T20:00:00
named appointment 0x820E 0040 2012-12-15T21:15:00
named appointment 0x8208 001F Room 1
sender Bob <bob@example.com>
to Ann <ann@example.com>
html <p>Agenda</p>
message Calendar IPM.Appointment
subject Old
named appointment 0x820D 0040 1601-01-01T00:00:00
named appointment 0x820E 0040 2020-01-02T11:00:00
message Calendar IPM.Appointment
subject Rich
rtf {\rtf1\ansi Calendar rich\par}
)";

TEST_F(AppItemView, CalendarItemShowsItsLabelledRowsAndBodyBesideThem) {
    Load(kCalendarStore);
    Point(L"Calendar", kFolderKindCalendar, 5, 1, {{2, L"Meeting"}, {3, L"Room 1"}});
    RunDisplay([] { ShowAppointmentItem(0); });
    const std::vector<std::wstring> rows = {L"Subject : Meeting", L"Location : Room 1",
                                            L"Start Time : Sat 12/15/2012 20:00 PM",
                                            L"End Time : Sat 12/15/2012 21:15 PM"};
    EXPECT_EQ(LabelRows(), rows);
    EXPECT_EQ(PaneText(IDC_SUBJECT_VALUE), L"Meeting");
    EXPECT_EQ(PaneText(IDC_FROM_VALUE), L"Bob");
    EXPECT_EQ(PaneText(IDC_TO_VALUE), L"Ann");
    EXPECT_EQ(g_nBodyKind, 1);
    EXPECT_EQ(FallbackText(), L"Agenda");
    // The browser keeps its place right of the list.
    EXPECT_EQ(PaneRect(Browser()).left, g_rcBodyRichEdit.left);
    EXPECT_TRUE(IsWindowVisible(g_pMailItemsBody->GetValueList().GetSafeHwnd()));
    Screenshot("calendar");

    // A start in 1601 has no row; no body collapses the browser.
    Point(L"Calendar", kFolderKindCalendar, 5, 2, {{2, L"Old"}});
    RunDisplay([] { ShowAppointmentItem(0); });
    const std::vector<std::wstring> old = {L"Subject : Old", L"End Time : Thu 1/2/2020 11:00 AM"};
    EXPECT_EQ(LabelRows(), old);
    EXPECT_EQ(g_nBodyKind, 4);
    EXPECT_TRUE(IsCollapsed(Browser()));

    // An RTF body goes to the rich edit right of the list.
    Point(L"Calendar", kFolderKindCalendar, 5, 3, {{2, L"Rich"}});
    RunDisplay([] { ShowAppointmentItem(0); });
    EXPECT_EQ(g_nBodyKind, 2);
    EXPECT_TRUE(IsWindowVisible(g_pMailItemsBody->GetRichEdit().GetSafeHwnd()));
    EXPECT_EQ(PaneRect(g_pMailItemsBody->GetRichEdit().GetSafeHwnd()).left, g_rcBodyRichEdit.left);
    EXPECT_EQ(RichEditText().find(L"Calendar rich"), 0u);
}

TEST_F(AppItemView, AClearedPaneStaysEmptyWhenItIsLaidOutAgain) {
    // A new store clears the pane; a later layout (View > Toolbar, a moved
    // split bar) must not bring the earlier item's body back.
    Load(kMailStore);
    Point(L"Inbox", kFolderKindMail, 6, 1, {{4, L"Html mail"}});
    RunDisplay([] { ShowMailItem(0); });
    ASSERT_FALSE(IsCollapsed(Browser()));
    ClearItemView();
    ResizePane(-30, -20);
    EXPECT_TRUE(IsCollapsed(Browser()));
    EXPECT_EQ(PaneText(IDC_SUBJECT_VALUE), L"");

    Load(kCalendarStore);
    Point(L"Calendar", kFolderKindCalendar, 5, 1, {{2, L"Meeting"}});
    RunDisplay([] { ShowAppointmentItem(0); });
    ASSERT_FALSE(IsCollapsed(Browser()));
    ClearItemView();
    ResizePane(30, 20);
    EXPECT_TRUE(IsCollapsed(Browser()));
    EXPECT_FALSE(IsWindowVisible(g_pMailItemsBody->GetValueList().GetSafeHwnd()));

    // A row without a body after one with a body: nothing comes back either.
    Load(kMailStore);
    Point(L"Inbox", kFolderKindMail, 6, 1);
    RunDisplay([] { ShowMailItem(0); });
    ClearItemView();
    Point(L"Inbox", kFolderKindMail, 6, 5);
    RunDisplay([] { ShowMailItem(0); });
    ResizePane(-30, -20);
    EXPECT_TRUE(IsCollapsed(Browser()));
    ResizePane(30, 20);
}

TEST_F(AppItemView, PlainMailIsWrittenAsUtf16AndShownAsText) {
    Load(kMailStore);
    Point(L"Inbox", kFolderKindMail, 6, 3);
    RunDisplay([] { ShowMailItem(0); });
    EXPECT_EQ(g_nFolderKind, kFolderKindMailPlain);
    const auto bytes = ReadFile(TempFolder() + L"QM_Plain_Body.txt");
    const std::vector<uint8_t> expected = {'a', 0, 'b', 0, '\r', 0, '\n', 0, 'c', 0, 'd', 0};
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(FallbackText(), L"ab\r\ncd");
    EXPECT_FALSE(IsWindowVisible(g_pMailItemsBody->GetRichEdit().GetSafeHwnd()));
}

TEST_F(AppItemView, ContactRowsComeInTheirOrderWithTheDoubledLabels) {
    Load(R"(variant unicode
folder Contacts IPF.Contact
message Contacts IPM.Contact
subject Ann Smith
prop 0x3A06001F Ann
prop 0x3A11001F Smith
prop 0x3A15001F 1 Main St\nSpringfield
prop 0x3A1B001F 555-2
prop 0x3A29001F Elm Street
prop 0x3A08001F 555-1
named address 0x8045 001F Work street
named address 0x8046 001F Work city
named address 0x8083 001F ann@example.com
message Contacts IPM.Contact
subject Bo
prop 0x3A06001F Bo
prop 0x3A11001F Lee
)");
    Point(L"Contacts", kFolderKindContact, 6, 1);
    SetWindowTextW(GetDlgItem(g_pMailItemsBody->GetSafeHwnd(), IDC_SUBJECT_VALUE), L"kept");
    RunDisplay([] { ShowContactItem(0); });
    const std::vector<std::wstring> rows = {
        L"First Name : Ann",          L"Sur Name : Smith",          L"Email Address : ann@example.com",
        L"Postal Address : 1 Main St Springfield", L"Business Phone: 555-2", L"Business Street: Elm Street",
        L"Business Phone: 555-1",     L"Work Address Street: Work street", L"Work Address Street: Work city"};
    EXPECT_EQ(LabelRows(), rows);
    EXPECT_EQ(PaneText(IDC_SUBJECT_VALUE), L"kept");   // no header text is touched
    EXPECT_TRUE(IsCollapsed(Browser()));
    Screenshot("contact");

    // A resize while a contact is shown moves nothing.
    const RECT before = PaneRect(g_pMailItemsBody->GetValueList().GetSafeHwnd());
    RECT pane;
    GetClientRect(g_pMailItemsBody->GetSafeHwnd(), &pane);
    SetWindowPos(g_pMailItemsBody->GetSafeHwnd(), nullptr, 0, 0, pane.right - 40, pane.bottom - 20,
                 SWP_NOMOVE | SWP_NOZORDER);
    const RECT after = PaneRect(g_pMailItemsBody->GetValueList().GetSafeHwnd());
    EXPECT_EQ(before.right, after.right);
    EXPECT_EQ(before.bottom, after.bottom);

    Point(L"Contacts", kFolderKindContact, 6, 2);
    RunDisplay([] { ShowContactItem(0); });
    const std::vector<std::wstring> two = {L"First Name : Bo", L"Sur Name : Lee"};
    EXPECT_EQ(LabelRows(), two);
}

TEST_F(AppItemView, TaskNoteAndJournalItems) {
    Load(R"(variant unicode
folder Tasks IPF.Task
folder Notes IPF.StickyNote
folder Journal IPF.Journal
message Tasks IPM.Task
subject Do things
sender Bob <bob@example.com>
to Ann <ann@example.com>
html <p>Task page</p>
rtf {\rtf1\ansi Not shown\par}
attach list.txt items
message Notes IPM.StickyNote
subject A note
body A note\nline two
message Notes IPM.StickyNote
subject Rich note
rtf {\rtf1\ansi Rich note body\par}
message Journal IPM.Activity
subject Phone call
prop 0x0070001F Call topic
named log 0x8700 001F Phone call
named log 0x8706 0040 2020-01-03T09:00:00
named log 0x8708 0040 2020-01-03T09:30:00
rtf {\rtf1\ansi Journal notes\par}
message Journal IPM.Activity
subject No type
prop 0x0070001F Second topic
)");
    // Each through the display worker's choice of renderer for the kind.
    g_nHotItem = 0;
    // A task with an HTML and an RTF body shows only the HTML.
    Point(L"Tasks", kFolderKindTask, 4, 1);
    RunDisplay([] { ShowItem(g_pItemListView); });
    EXPECT_EQ(PaneText(IDC_FROM_VALUE), L"Bob");
    EXPECT_EQ(PaneText(IDC_TO_VALUE), L"Ann");
    EXPECT_EQ(PaneText(IDC_SUBJECT_VALUE), L"Do things");
    EXPECT_EQ(PaneText(IDC_ATTACHMENT_VALUE), L"    list.txt");
    EXPECT_EQ(FallbackText(), L"Task page");
    EXPECT_FALSE(IsWindowVisible(g_pMailItemsBody->GetRichEdit().GetSafeHwnd()));

    Point(L"Notes", kFolderKindStickyNote, 4, 1, {{2, L"A note"}});
    RunDisplay([] { ShowItem(g_pItemListView); });
    EXPECT_EQ(g_nBodyKind, 0);
    EXPECT_EQ(FallbackText(), L"A note\r\nline two");
    EXPECT_FALSE(IsWindowVisible(g_pMailItemsBody->GetValueList().GetSafeHwnd()));
    EXPECT_EQ(PaneText(IDC_SUBJECT_VALUE), L"A note");

    g_pMailItemsBody->ClearItem();
    Point(L"Notes", kFolderKindStickyNote, 4, 2, {{2, L"Rich note"}});
    RunDisplay([] { ShowNoteItem(0); });
    EXPECT_EQ(g_nBodyKind, 3);
    EXPECT_EQ(RichEditText().find(L"Rich note body"), 0u);

    Point(L"Journal", kFolderKindJournal, 5, 1);
    RunDisplay([] { ShowItem(g_pItemListView); });
    const std::vector<std::wstring> rows = {L"Entry Type : Phone call", L"Journal Subject : Call topic",
                                            L"Start Time : Fri 1/3/2020 09:00 AM", L"End Time : Fri 1/3/2020 09:30 AM"};
    EXPECT_EQ(LabelRows(), rows);
    EXPECT_EQ(PaneText(IDC_SUBJECT_VALUE), L"Call topic");
    EXPECT_EQ(RichEditText().find(L"Journal notes"), 0u);
    EXPECT_EQ(PaneRect(g_pMailItemsBody->GetRichEdit().GetSafeHwnd()).left, g_rcBodyRichEdit.left);
    // A resize while a journal item is shown keeps the browser at zero size.
    SendMessageW(g_pMailItemsBody->GetSafeHwnd(), WM_SIZE, 0, MAKELPARAM(600, 300));
    EXPECT_TRUE(IsCollapsed(Browser()));

    Point(L"Journal", kFolderKindJournal, 5, 2);
    RunDisplay([] { ShowJournalItem(0); });
    const std::vector<std::wstring> second = {L"Journal Subject : Second topic"};
    EXPECT_EQ(LabelRows(), second);
}

TEST_F(AppItemView, MissingRtfFileLeavesTheRichEditAsItWasButShowsIt) {
    g_pMailItemsBody->GetRichEdit().SetWindowText(L"earlier");
    g_nFolderKind = kFolderKindMailRtf;
    RunDisplay([] { ShowRtfBody(g_pMailItemsBody); });
    EXPECT_TRUE(IsWindowVisible(g_pMailItemsBody->GetRichEdit().GetSafeHwnd()));
    EXPECT_EQ(RichEditText(), L"earlier");
    EXPECT_EQ(std::wstring(g_pMailItemsBody->GetBodyPath().GetString()), installFolder + L"\\QM_Rtf_Body.rtf");
}

TEST_F(AppItemView, HtmlBodyFileIsWrittenInPiecesToItsExactLength) {
    std::string html(10000, 'x');
    for (size_t i = 0; i < html.size(); ++i) html[i] = static_cast<char>('a' + i % 26);
    g_nFolderKind = kFolderKindMail;
    RunDisplay([&] { ShowHtmlBody(g_pMailItemsBody, html.data(), html.size()); });
    const auto bytes = ReadFile(TempFolder() + L"QM_Html_Body.html");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), html);
    // A shorter body truncates the file.
    RunDisplay([] { ShowHtmlBody(g_pMailItemsBody, "<b>x</b>", 8); });
    EXPECT_EQ(ReadFile(TempFolder() + L"QM_Html_Body.html").size(), 8u);
    EXPECT_EQ(FallbackText(), L"x");
}

TEST_F(AppItemView, RowsClickedOneAfterAnotherKeepOneBrowserAndOneTextView) {
    Load(kMailStore);
    HWND browser = Browser();
    ASSERT_TRUE(AfxOccIsSite(browser));
    EXPECT_NE(AfxOccGetControl(browser), nullptr);   // the control itself, created
    const DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    for (int round = 0; round < 30; ++round) {
        g_nFolderKind = kFolderKindMail;
        g_pMailItemsBody->ClearItem();
        Point(L"Inbox", kFolderKindMail, 6, 1 + round % 3);
        RunDisplay([] { ShowMailItem(0); });
    }
    EXPECT_EQ(Browser(), browser);
    int children = 0;
    for (HWND child = GetWindow(browser, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) ++children;
    EXPECT_LE(children, 2);   // the control's window and the text view
    const DWORD userAfter = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    EXPECT_LE(userAfter, userBefore + 4);
}

TEST_F(AppItemView, ReadingMovesTheStatusBarProgressWhileTheDisplayRuns) {
    Load(kMailStore);
    ASSERT_NE(g_pProgressBar, nullptr);
    HWND bar = g_pProgressBar->GetSafeHwnd();
    SendMessageW(bar, PBM_SETPOS, 0, 0);
    Point(L"Inbox", kFolderKindMail, 6, 1);
    RunDisplay([] { ShowMailItem(0); });
    const LRESULT shown = SendMessageW(bar, PBM_GETPOS, 0, 0);
    EXPECT_GT(shown, 0);
    // Outside the display worker the bar stays where it is.
    RunDisplay([] { ShowMailItem(0); }, /*displayBusy=*/false);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), shown);
}

TEST(AppFolderKind, EveryClassTestChoosesItsKindExactlyAndANoteFolderListsMail) {
    MessageDetail message = {};
    JournalDetail journal = {};
    FolderCounts counts = {};
    auto kindOf = [&](const char* cls, bool noteFolder = false, int32_t flags = 0) {
        ItemRecord r = {};
        r.szClass = const_cast<char*>(cls);
        r.pMessage = &message;
        r.nMessageFlags = flags;
        return FolderKindOfChild(r, noteFolder);
    };
    for (const KindTest& test : kKindTests) {
        for (const char* cls : test.classes) {
            if (cls == nullptr) continue;
            SCOPED_TRACE(cls);
            EXPECT_EQ(kindOf(cls), test.kind);
            EXPECT_EQ(kindOf(cls, true), kFolderKindMail);
            EXPECT_EQ(kindOf((std::string(cls) + " ").c_str()), kFolderKindMail);
            std::string lower(cls);
            for (char& c : lower) c = static_cast<char>(tolower(c));
            EXPECT_EQ(kindOf(lower.c_str()), kFolderKindMail);
            EXPECT_EQ(kindOf(cls, false, 0x49), 0);
        }
    }
    ItemRecord r = {};
    r.szClass = const_cast<char*>("IPM.Note");
    r.pJournal = &journal;
    EXPECT_EQ(FolderKindOfChild(r, false), kFolderKindJournal);   // a journal part, whatever the class
    EXPECT_EQ(FolderKindOfChild(r, true), 0);                      // nor mail without a message part
    r.pMessage = &message;
    r.pFolderCounts = &counts;
    EXPECT_EQ(FolderKindOfChild(r, false), 0);                     // a sub-folder
    r.pFolderCounts = nullptr;
    r.szClass = nullptr;
    EXPECT_EQ(FolderKindOfChild(r, false), 0);
}

TEST_F(AppItemView, FirstRowsOfEveryFolderOfEverySampleShowTheirHeaderAndBody) {
    int rows = 0;
    std::map<int, int> kinds;   // folders per kind
    for (const char* name : testing_support::SampleStoreNames()) {
        SCOPED_TRACE(name);
        LoadPath(testing_support::SamplePathW(name));
        for (const folder& f : g_listFolders) {
            NodeEntry* folderNode = FindNode(&g_storeFile, f.nNodeId);
            if (folderNode == nullptr) continue;
            // The folder's kind from its first listable item, by the list's own rules.
            std::unique_ptr<ItemRecord, void (*)(ItemRecord*)> folderRecord(ReadItemRecord(g_storeFile, folderNode),
                                                                            FreeItemRecord);
            const bool noteFolder = folderRecord && folderRecord->szClass &&
                                    std::string(folderRecord->szClass) == "IPF.Note";
            int kind = 0;
            NodeEntry* first = nullptr;
            for (NodeEntry* n = folderNode->pFirstChild; n && !kind; n = n->pNextSibling) {
                std::unique_ptr<ItemRecord, void (*)(ItemRecord*)> r(ReadItemRecord(g_storeFile, n), FreeItemRecord);
                kind = r ? ExpectedFolderKind(*r, noteFolder) : 0;
                if (r) EXPECT_EQ(FolderKindOfChild(*r, noteFolder), kind) << (r->szClass ? r->szClass : "(no class)");
                if (kind) first = n;
            }
            if (!kind) continue;
            ++kinds[kind];
            int index = 1;
            // The first rows of each folder (a display costs some 50 ms under Wine).
            for (NodeEntry* n = first; n && index <= 4; n = n->pNextSibling, ++index) {
                g_pFolderItems = first;
                g_nFolderKind = kind;
                SetRow({{ListIndexColumn(kind), std::to_wstring(index)}});
                g_pMailItemsBody->ClearItem();
                // What the item holds, read as the display worker reads it.
                g_bDisplayBusy = true;
                std::unique_ptr<ItemRecord, void (*)(ItemRecord*)> r(ReadItemRecord(g_storeFile, n), FreeItemRecord);
                g_bDisplayBusy = false;
                if (!r || r->pFolderCounts) continue;
                const bool hasBody = r->pMessage && (r->pMessage->txBodyHtml.pData || r->pMessage->binRtfCompressed.cb ||
                                                     r->txBody.pData);
                g_nHotItem = 0;
                RunDisplay([] { ShowItem(g_pItemListView); });
                ++rows;
                const bool bodyShown = !IsCollapsed(Browser()) ||
                                       IsWindowVisible(g_pMailItemsBody->GetRichEdit().GetSafeHwnd());
                if (kind == kFolderKindMail && hasBody) {
                    EXPECT_TRUE(bodyShown) << "mail row " << index;
                }
                if (kind == kFolderKindContact && r->pContact && r->pContact->txGivenName.pData) {
                    EXPECT_FALSE(LabelRows().empty()) << "contact row " << index;
                }
                if (kind == kFolderKindCalendar) {
                    EXPECT_FALSE(LabelRows().empty()) << "calendar row " << index;
                }
            }
        }
    }
    RecordProperty("rows_shown", rows);
    EXPECT_GT(rows, 60);
    EXPECT_GE(kinds.size(), 3u);   // mail, contacts and calendar at least
}

TEST(AppStartupFolders, TheInstallationFolderReachesTheReader) {
    // The registry value as an installer writes it; the old one comes back after.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"QMKEYOST_PST", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    wchar_t previous[MAX_PATH] = L"";
    DWORD size = sizeof(previous);
    const bool hadValue = RegQueryValueExW(key, L"FilePath", nullptr, nullptr, reinterpret_cast<BYTE*>(previous),
                                           &size) == ERROR_SUCCESS;
    const wchar_t folder[] = L"C:\\Program Files\\Quillmere test";
    RegSetValueExW(key, L"FilePath", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder), sizeof(folder));
    const std::wstring before = GetInstallFolder();

    InitStartupTexts();
    EXPECT_EQ(std::wstring(g_strInstallFolder.GetString()), folder);
    EXPECT_EQ(GetInstallFolder(), folder);
    EXPECT_EQ(RtfBodyFilePath(), std::wstring(folder) + L"\\QM_Rtf_Body.rtf");

    if (hadValue) RegSetValueExW(key, L"FilePath", 0, REG_SZ, reinterpret_cast<const BYTE*>(previous), size);
    else RegDeleteValueW(key, L"FilePath");
    RegCloseKey(key);
    SetInstallFolder(before);
}
