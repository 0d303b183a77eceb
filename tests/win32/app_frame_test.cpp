// The program as InitInstance builds it, in the test process: the maximised
// main frame with its panes and the store dialog, driven with real messages
// from a driver thread while the dialog runs modally; questions and the file
// and folder choices come from the scripted seams.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app_frame_test_support.h"
#include "app/AppGlobals.h"
#include "app/BrowseOstFile.h"
#include "app/FolderChecks.h"
#include "app/ItemListView.h"
#include "app/LeftView.h"
#include "app/MainFrm.h"
#include "app/PathTexts.h"
#include "app/Registry.h"
#include "app/TarnwellApp.h"
#include "app/WorkerGate.h"
#include "framework/seam_script.h"
#include "reader/store_load.h"
#include "res/resource.h"
#include "support/temp_file.h"

using namespace frametest;
using testing_support::SamplePathW;

CTarnwellApp theTestApp;

namespace {

// What the driver saw of the store dialog, checked on the test thread.
struct DialogFacts {
    HWND dialog = nullptr;
    HWND owner = nullptr;
    bool startEnabled = false;
    bool pauseEnabled = false;
    bool selectEnabled = false;
    bool stillOpen = false;
    std::wstring pathLabel;
    std::wstring pauseCaption;
    std::wstring status;
    bool workerRunning = false;
    UINT treeCount = 0;
};

// The item list's column headings and widths, "text/width" each.
std::vector<std::wstring> ListColumns() {
    HWND list = g_pItemListView->GetList().GetSafeHwnd();
    std::vector<std::wstring> columns;
    for (int i = 0;; ++i) {
        wchar_t text[64] = L"";
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = text;
        column.cchTextMax = 64;
        if (!SendMessageW(list, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column))) break;
        columns.push_back(std::wstring(text) + L"/" + std::to_wstring(column.cx));
    }
    return columns;
}

// The state a command's update handler leaves.
struct RecordingCmdUI : CCmdUI {
    int enabled = -1;
    std::wstring text;
    void Enable(BOOL bOn) override { enabled = bOn ? 1 : 0; }
    void SetText(LPCWSTR lpszText) override { text = lpszText; }
};

}  // namespace

class AppFrame : public ::testing::Test {
protected:
    SeamScript script;
    DialogFacts startup;

    void SetUp() override {
        PrepareProgram();
        if (theTestApp.m_pMainWnd == nullptr) {
            // The store dialog of start-up: seen, then closed with Cancel (no load runs).
            ASSERT_TRUE(StartProgram([this](HWND dialog) {
                startup.dialog = dialog;
                startup.owner = GetWindow(dialog, GW_OWNER);
                startup.startEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_START));
                startup.pauseEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_PAUSE));
                Click(dialog, IDC_CANCEL_BUTTON);
            }));
        }
        ASSERT_NE(theTestApp.m_pMainWnd, nullptr);
        ASSERT_NE(g_pLeftView, nullptr);
    }

    CMainFrame* MainFrame() { return static_cast<CMainFrame*>(theTestApp.m_pMainWnd); }

    void LoadThroughDialog(const std::wstring& path) { frametest::LoadThroughDialog(script, path); }

    int UpdateState(UINT id, std::wstring* text = nullptr) {
        RecordingCmdUI ui;
        ui.m_nID = id;
        theTestApp.m_pMainWnd->OnCmdMsg(id, CN_UPDATE_COMMAND_UI, &ui, nullptr);
        if (text) *text = ui.text;
        return ui.enabled;
    }

    // A real mouse click on the item's check box.
    void ClickCheckBox(HTREEITEM item) { ClickPart(item, TVHT_ONITEMSTATEICON); }

    // A real mouse click on the part of the item that hit-tests as `part`.
    void ClickPart(HTREEITEM item, UINT part) {
        HWND tree = Tree();
        TreeView_EnsureVisible(tree, item);
        RECT rect;
        std::memcpy(&rect, &item, sizeof(HTREEITEM));
        ASSERT_TRUE(SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect)));
        for (int x = rect.left - 1; x > 0; --x) {
            TVHITTESTINFO hit = {{x, (rect.top + rect.bottom) / 2}, 0, nullptr};
            SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if (hit.hItem == item && (hit.flags & part)) {
                PostMessageW(tree, WM_LBUTTONUP, 0, MAKELPARAM(x, hit.pt.y));
                SendMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, hit.pt.y));
                MSG msg;
                while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
                return;
            }
        }
        FAIL() << "no such part of the item found";
    }
};

TEST_F(AppFrame, StartUpShowsTheMaximisedTitledFrameAndTheStoreDialogOverIt) {
    EXPECT_EQ(WindowText(Frame()), kMainTitle);
    EXPECT_TRUE(IsZoomed(Frame()));
    EXPECT_TRUE(IsWindowVisible(Frame()));
    ASSERT_NE(startup.dialog, nullptr) << "the store dialog was not shown";
    EXPECT_EQ(startup.owner, Frame());
    EXPECT_FALSE(startup.startEnabled);
    EXPECT_FALSE(startup.pauseEnabled);
    EXPECT_TRUE(script.messageBoxes.empty());  // Cancel while idle asks nothing
    // The panes: the tree with its placeholder item, the list and the body pane.
    EXPECT_EQ(g_pLeftView->GetTreeCtrl().GetItemText(TreeView_GetRoot(Tree())), L"Quillmere for Ost to Pst");
    EXPECT_NE(g_pItemListView, nullptr);
    EXPECT_NE(g_pMailItemsBody, nullptr);
    ASSERT_NE(g_pProgressBar, nullptr);
    EXPECT_FALSE(IsWindowVisible(g_pProgressBar->GetSafeHwnd()));
    EXPECT_EQ(::GetParent(g_pProgressBar->GetSafeHwnd()), MainFrame()->GetStatusBar().GetSafeHwnd());

    // The toolbar from the toolbar resource: six buttons and a separator.
    HWND toolbar = MainFrame()->GetToolBar().GetSafeHwnd();
    ASSERT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), 7);
    const int ids[] = {ID_TOOL_OPEN, ID_TOOL_STOP, ID_TOOL_SAVE, 0, ID_TOOL_HELP, ID_TOOL_ABOUT_US, ID_TOOL_EXIT};
    for (int i = 0; i < 7; ++i) {
        TBBUTTON button = {};
        SendMessageW(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        EXPECT_EQ(button.idCommand, ids[i]) << "button " << i;
    }
    EXPECT_NE(MainFrame()->GetToolBar().Images().Hot(), nullptr);
    EXPECT_EQ(ImageList_GetImageCount(MainFrame()->GetToolBar().Images().Normal()), 7);
}

TEST_F(AppFrame, HelpOpensTheHelpFileFoundThroughPath) {
    // The installation folder as registered (empty where nothing is installed).
    const std::wstring folder(ReadRegistryString(HKEY_CLASSES_ROOT, L"QMKEYOST_PST", L"FilePath"));
    SendMessageW(Frame(), WM_COMMAND, MAKEWPARAM(ID_MENU_HELP, 0), 0);
    wchar_t path[8192] = L"";
    GetEnvironmentVariableW(L"PATH", path, 8192);
    const std::wstring value(path), tail = L";" + folder + L";";
    ASSERT_GE(value.size(), tail.size());
    EXPECT_EQ(value.substr(value.size() - tail.size()), tail);
    ASSERT_EQ(script.shellOpens.size(), 1u);
    EXPECT_EQ(script.shellOpens[0].verb, L"open");
    EXPECT_EQ(script.shellOpens[0].file, L"Quillmere for OST to PST.chm");
    EXPECT_EQ(script.shellOpens[0].show, SW_SHOWNORMAL);

    // While the help window is open, Help does nothing.
    HWND helpWindow = CreateWindowExW(0, L"STATIC", L"Quillmere for MS Exchange OST - MS Outlook PST",
                                      WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    SendMessageW(Frame(), WM_COMMAND, MAKEWPARAM(ID_TOOL_HELP, 0), 0);
    EXPECT_EQ(script.shellOpens.size(), 1u);
    DestroyWindow(helpWindow);
}

TEST_F(AppFrame, AboutUsShowsTheProgramsAboutBox) {
    std::wstring title;
    HWND owner = nullptr;
    bool shown = false;
    Driver driver([&] {
        HWND about = nullptr;
        shown = WaitFor([&] {
            about = FindWindowW(L"#32770", L"About Quillmere for MS Exchange OST - MS Outlook PST");
            return about != nullptr && IsWindowVisible(about);
        });
        if (about == nullptr) return;
        title = WindowText(about);
        owner = GetWindow(about, GW_OWNER);
        PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    SendMessageW(Frame(), WM_COMMAND, MAKEWPARAM(ID_MENU_ABOUT_US, 0), 0);
    EXPECT_TRUE(shown);
    EXPECT_EQ(title, L"About Quillmere for MS Exchange OST - MS Outlook PST");
    EXPECT_EQ(owner, Frame());
}

TEST_F(AppFrame, RealStoreLoadsThroughTheDialogIntoTheTree) {
    const std::wstring path = SamplePathW("ost-unicode-sample.ost");
    const std::vector<std::wstring> initialColumns = {L"From/150", L"To/180", L"Subject/180", L"Date/Time/180"};
    EXPECT_EQ(ListColumns(), initialColumns);
    LoadThroughDialog(path);
    EXPECT_TRUE(script.messageBoxes.empty());
    EXPECT_EQ(ListColumns(), initialColumns);  // the first load clears no view
    EXPECT_EQ(g_pAnalysisThread.load(), nullptr);
    HTREEITEM root = TreeView_GetRoot(Tree());
    EXPECT_EQ(g_pLeftView->GetTreeCtrl().GetItemText(root), CString(path.c_str()));
    EXPECT_EQ(g_listFolders.size(), 23u);
    EXPECT_EQ(TreeView_GetCount(Tree()), 24u);
    EXPECT_EQ(std::wstring(g_strOstPathUpper), std::wstring(UpperAsciiLetters(path.c_str())));
    EXPECT_EQ(std::wstring(g_strOstFileName), L"ost-unicode-sample.ost");

    // A second load (after Open) starts from an empty tree.
    LoadThroughDialog(SamplePathW("ansi-empty-folders.pst"));
    EXPECT_EQ(TreeView_GetCount(Tree()), g_listFolders.size() + 1);
    EXPECT_EQ(FindFolder(L"sub1"), nullptr);
    EXPECT_EQ(ListColumns(),
              (std::vector<std::wstring>{L"/30", L"/30", L"From/150", L"To/180", L"Subject/180", L"Date/Time/180"}));
}

TEST_F(AppFrame, StoreDialogShowsTheChosenPathAndEnablesStart) {
    const std::wstring path = SamplePathW("ost-unicode-sample.ost");
    script.fileDialogAnswers.push_back(path);
    DialogFacts facts;
    OpenStore([&](HWND dialog) {
        Click(dialog, IDC_SELECT_OST);
        facts.pathLabel = WindowText(GetDlgItem(dialog, IDC_PATH_LABEL));
        facts.startEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_START));
        Click(dialog, IDC_CANCEL_BUTTON);
    });
    EXPECT_EQ(facts.pathLabel, std::wstring(ShownStorePath(UpperAsciiLetters(path.c_str()))));
    EXPECT_TRUE(facts.startEnabled);
    ASSERT_EQ(script.fileDialogs.size(), 1u);
    EXPECT_EQ(script.fileDialogs[0].flags & 0x1804u, 0x1804u);
}

TEST_F(AppFrame, EnterAndEscapeDoNotCloseTheStoreDialog) {
    DialogFacts facts;
    OpenStore([&](HWND dialog) {
        PostEnterAndEscape(GetDlgItem(dialog, IDC_SELECT_OST));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        facts.stillOpen = IsWindow(dialog) && IsWindowVisible(dialog);
        Click(dialog, IDC_CANCEL_BUTTON);
    });
    EXPECT_TRUE(facts.stillOpen);
    EXPECT_TRUE(script.fileDialogs.empty());
}

TEST_F(AppFrame, PauseHoldsTheLoadAndResumeFinishesIt) {
    g_analysisGate.SetPausesEnabled(true);  // the load's own pauses keep it running long enough
    script.fileDialogAnswers.push_back(SamplePathW("ost-unicode-sample.ost"));
    DialogFacts paused;
    DialogFacts resumed;
    OpenStore([&](HWND dialog) {
        Click(dialog, IDC_SELECT_OST);
        Click(dialog, IDC_START);
        Click(dialog, IDC_PAUSE);
        paused.pauseCaption = WindowText(GetDlgItem(dialog, IDC_PAUSE));
        paused.selectEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_SELECT_OST));
        paused.startEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_START));
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        paused.stillOpen = IsWindow(dialog);
        paused.workerRunning = g_pAnalysisThread != nullptr;
        paused.treeCount = TreeView_GetCount(Tree());
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        resumed.treeCount = TreeView_GetCount(Tree());  // no progress while paused
        Click(dialog, IDC_PAUSE);
        resumed.pauseCaption = WindowText(GetDlgItem(dialog, IDC_PAUSE));
        WaitFor([dialog] { return !IsWindow(dialog); }, 60000);
        resumed.stillOpen = IsWindow(dialog);
    });
    g_analysisGate.SetPausesEnabled(false);
    EXPECT_EQ(paused.pauseCaption, L"Resume");
    EXPECT_FALSE(paused.selectEnabled);
    EXPECT_FALSE(paused.startEnabled);
    EXPECT_TRUE(paused.stillOpen);
    EXPECT_TRUE(paused.workerRunning);
    EXPECT_EQ(paused.treeCount, resumed.treeCount);
    EXPECT_EQ(resumed.pauseCaption, L"Pause");
    EXPECT_FALSE(resumed.stillOpen);
    EXPECT_EQ(g_listFolders.size(), 23u);
}

TEST_F(AppFrame, CancelDuringTheLoadAnsweredNoKeepsItPausedAndYesEndsIt) {
    g_analysisGate.SetPausesEnabled(true);
    script.fileDialogAnswers.push_back(SamplePathW("ost-unicode-sample.ost"));
    script.messageBoxAnswers = {IDNO, IDYES};
    DialogFacts afterNo;
    OpenStore([&](HWND dialog) {
        Click(dialog, IDC_SELECT_OST);
        Click(dialog, IDC_START);
        Click(dialog, IDC_PAUSE);
        Click(dialog, IDC_CANCEL_BUTTON);  // answered No
        afterNo.stillOpen = IsWindow(dialog);
        afterNo.pauseCaption = WindowText(GetDlgItem(dialog, IDC_PAUSE));
        afterNo.workerRunning = g_pAnalysisThread != nullptr;
        const UINT before = TreeView_GetCount(Tree());
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        afterNo.treeCount = TreeView_GetCount(Tree()) - before;  // still paused: no growth
        PostMessageW(dialog, WM_CLOSE, 0, 0);  // answered Yes
        WaitFor([dialog] { return !IsWindow(dialog); });
    });
    g_analysisGate.SetPausesEnabled(false);
    ASSERT_EQ(script.messageBoxes.size(), 2u);
    EXPECT_EQ(script.messageBoxes[0].text, L"Analysis is in Progress, do you want to abort ?");
    EXPECT_EQ(script.messageBoxes[0].caption, kMainTitle);
    EXPECT_EQ(script.messageBoxes[0].type, 0x1024u);
    EXPECT_TRUE(afterNo.stillOpen);
    EXPECT_EQ(afterNo.pauseCaption, L"Resume");
    EXPECT_TRUE(afterNo.workerRunning);
    EXPECT_EQ(afterNo.treeCount, 0u);
    EXPECT_EQ(g_pAnalysisThread.load(), nullptr);
    EXPECT_TRUE(g_analysisGate.WaitForExit(5000));
    EXPECT_FALSE(g_bAnalysisDone);
}

TEST_F(AppFrame, LoadFailuresAreReportedOverTheDialogWhichThenCloses) {
    testing_support::TempFile junk(std::vector<uint8_t>(4096, 0x11), ".ost");
    HWND dialogSeen = nullptr;
    script.fileDialogAnswers.push_back(junk.wpath());
    OpenStore([&](HWND dialog) {
        dialogSeen = dialog;
        Click(dialog, IDC_SELECT_OST);
        Click(dialog, IDC_START);
        WaitFor([dialog] { return !IsWindow(dialog); });
    });
    ASSERT_EQ(script.messageBoxes.size(), 1u);
    EXPECT_EQ(script.messageBoxes[0].hOwner, dialogSeen);
    EXPECT_FALSE(IsWindow(dialogSeen));

    script.fileDialogAnswers.push_back(SamplePathW("ost2013-4k-outlookcom.ost"));
    OpenStore([&](HWND dialog) {
        Click(dialog, IDC_SELECT_OST);
        Click(dialog, IDC_START);
        WaitFor([dialog] { return !IsWindow(dialog); });
    });
    EXPECT_EQ(script.messageBoxes.size(), 2u);
    EXPECT_EQ(TreeView_GetCount(Tree()), 1u);
}

TEST_F(AppFrame, FolderClicksFollowTheCheckRulesAndEnableSave) {
    LoadThroughDialog(SamplePathW("ost-unicode-sample.ost"));
    EXPECT_EQ(UpdateState(ID_TOOL_SAVE), 0);
    HTREEITEM inbox = FindFolder(L"Inbox");
    ASSERT_NE(inbox, nullptr);
    ClickCheckBox(inbox);
    EXPECT_EQ(GetStateImage(Tree(), inbox), 2);
    EXPECT_TRUE(g_bAnyFolderChecked);
    EXPECT_EQ(g_pLeftView->GetTreeCtrl().GetSelectedItem(), inbox);
    EXPECT_TRUE(IsFolderBold(Tree(), FindFolder(L"Personal Folders")));
    EXPECT_EQ(UpdateState(ID_TOOL_SAVE), 1);
    EXPECT_EQ(UpdateState(ID_MENU_SAVE), 1);

    g_listExportFolders.RemoveAll();
    CollectCheckedFolders();
    std::vector<CString> collected;
    for (POSITION pos = g_listExportFolders.GetHeadPosition(); pos != nullptr;)
        collected.push_back(g_pLeftView->GetTreeCtrl().GetItemText(g_listExportFolders.GetNext(pos)));
    EXPECT_EQ(collected, (std::vector<CString>{L"Inbox", L"sub1", L"sub2"}));

    ClickCheckBox(inbox);
    EXPECT_FALSE(g_bAnyFolderChecked);
    EXPECT_TRUE(g_listExportFolders.IsEmpty());
    EXPECT_EQ(UpdateState(ID_TOOL_SAVE), 0);
}

TEST_F(AppFrame, ExpandButtonExpandsAndTheCheckStateStays) {
    LoadThroughDialog(SamplePathW("ost-unicode-sample.ost"));
    HTREEITEM inbox = FindFolder(L"Inbox");
    ASSERT_NE(inbox, nullptr);
    EXPECT_EQ(TreeView_GetItemState(Tree(), inbox, TVIS_EXPANDED) & TVIS_EXPANDED, 0u);
    ClickPart(inbox, TVHT_ONITEMBUTTON);
    EXPECT_NE(TreeView_GetItemState(Tree(), inbox, TVIS_EXPANDED) & TVIS_EXPANDED, 0u);
    EXPECT_EQ(TreeView_GetSelection(Tree()), inbox);
    EXPECT_EQ(GetStateImage(Tree(), inbox), 1);
}

TEST_F(AppFrame, SaveStaysEnabledAfterANewLoadButFindsNothingChecked) {
    LoadThroughDialog(SamplePathW("ost-unicode-sample.ost"));
    ClickCheckBox(FindFolder(L"Inbox"));
    LoadThroughDialog(SamplePathW("ansi-empty-folders.pst"));
    EXPECT_TRUE(g_bAnyFolderChecked);
    EXPECT_EQ(UpdateState(ID_TOOL_SAVE), 1);
    SendMessageW(Frame(), WM_COMMAND, MAKEWPARAM(ID_TOOL_SAVE, 0), 0);
    ASSERT_EQ(script.messageBoxes.size(), 1u);
    EXPECT_EQ(script.messageBoxes[0].text, L"No Folders found selected. Please select folders to be saved.");
    EXPECT_TRUE(script.folderBrowses.empty());
}

TEST_F(AppFrame, ClickRightOfAnItemTextDoesNothing) {
    LoadThroughDialog(SamplePathW("ost-unicode-sample.ost"));
    HWND tree = Tree();
    HTREEITEM before = TreeView_GetSelection(tree);
    HTREEITEM inbox = FindFolder(L"Inbox");
    RECT rect;
    std::memcpy(&rect, &inbox, sizeof(HTREEITEM));
    SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
    PostMessageW(tree, WM_LBUTTONUP, 0, MAKELPARAM(rect.right + 40, rect.top + 2));
    SendMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rect.right + 40, rect.top + 2));
    EXPECT_EQ(TreeView_GetSelection(tree), before);
    EXPECT_EQ(GetStateImage(tree, inbox), 1);
}

TEST_F(AppFrame, CommandsFollowTheItemListWorker) {
    EXPECT_EQ(UpdateState(ID_TOOL_OPEN), 1);
    EXPECT_EQ(UpdateState(ID_MENU_SELECT_OST), 1);
    EXPECT_EQ(UpdateState(ID_TOOL_STOP), 0);
    EXPECT_EQ(UpdateState(ID_TOOL_SAVE), g_bAnyFolderChecked ? 1 : 0);

    // A running item-list worker (its slot taken).
    CWinThread running;
    g_pItemListThread = &running;
    g_bAnyFolderChecked = true;
    EXPECT_EQ(UpdateState(ID_TOOL_OPEN), 0);
    EXPECT_EQ(UpdateState(ID_TOOL_STOP), 1);
    EXPECT_EQ(UpdateState(ID_MENU_STOP), 1);
    EXPECT_EQ(UpdateState(ID_TOOL_SAVE), 0);
    UpdateState(ID_INDICATOR_PROGRESS);
    EXPECT_EQ(std::wstring(MainFrame()->GetStatusBar().GetPaneText(0)), CMainFrame::kInsertionText);

    // Stop answered No keeps it; Exit asks the insertion question instead.
    script.messageBoxAnswers = {IDNO, IDNO};
    SendMessageW(Frame(), WM_COMMAND, MAKEWPARAM(ID_TOOL_STOP, 0), 0);
    EXPECT_EQ(g_pItemListThread.load(), &running);
    SendMessageW(Frame(), WM_COMMAND, MAKEWPARAM(ID_MENU_EXIT, 0), 0);
    EXPECT_TRUE(IsWindow(Frame()));
    ASSERT_EQ(script.messageBoxes.size(), 2u);
    EXPECT_EQ(script.messageBoxes[0].text, L"Data insertion is in Progress, do you want to abort ?");
    EXPECT_EQ(script.messageBoxes[0].type, 0x1024u);
    EXPECT_EQ(script.messageBoxes[1].text, L"Data insertion is in progress, do you want to abort? ");
    EXPECT_EQ(script.messageBoxes[1].type, 0x44u);

    // Stop answered Yes: the worker's slot is freed and the progress bar hidden.
    script.messageBoxAnswers = {IDYES};
    g_pProgressBar->ShowWindow(SW_SHOW);
    SendMessageW(Frame(), WM_COMMAND, MAKEWPARAM(ID_MENU_STOP, 0), 0);
    EXPECT_EQ(g_pItemListThread.load(), nullptr);
    EXPECT_FALSE(IsWindowVisible(g_pProgressBar->GetSafeHwnd()));
    EXPECT_EQ(g_pProgressBar->GetPos(), 100);
    EXPECT_EQ(UpdateState(ID_TOOL_OPEN), 1);

    g_bAnyFolderChecked = false;
    UpdateState(ID_INDICATOR_PROGRESS);
    EXPECT_EQ(std::wstring(MainFrame()->GetStatusBar().GetPaneText(0)), L"");
}

TEST_F(AppFrame, ExitAndTheCloseBoxAskFirst) {
    script.messageBoxAnswers = {IDNO, IDNO};
    SendMessageW(Frame(), WM_COMMAND, MAKEWPARAM(ID_TOOL_EXIT, 0), 0);
    SendMessageW(Frame(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(Frame()));
    ASSERT_EQ(script.messageBoxes.size(), 2u);
    for (const auto& box : script.messageBoxes) {
        EXPECT_EQ(box.text, L" Do you want to exit.");
        EXPECT_EQ(box.caption, kMainTitle);
        EXPECT_EQ(box.type, 0x24u);
        EXPECT_EQ(box.hOwner, Frame());
    }
}

TEST_F(AppFrame, SaveWithNothingCheckedSaysSo) {
    g_bAnyFolderChecked = false;
    SendMessageW(Frame(), WM_COMMAND, MAKEWPARAM(ID_TOOL_SAVE, 0), 0);
    ASSERT_EQ(script.messageBoxes.size(), 1u);
    EXPECT_EQ(script.messageBoxes[0].text, L"No Folders found selected. Please select folders to be saved.");
    EXPECT_TRUE(script.folderBrowses.empty());
}

TEST_F(AppFrame, SaveMakesTheRecoveryFolderInTheChosenDestination) {
    LoadThroughDialog(SamplePathW("ost-unicode-sample.ost"));
    ClickCheckBox(FindFolder(L"Inbox"));
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring destination = std::wstring(temp) + L"tarnwell-save-test";
    CreateDirectoryW(destination.c_str(), nullptr);
    const std::wstring made = destination + L"\\QMRecoveredPst\\";
    RemoveDirectoryW(made.c_str());

    script.folderAnswers = {destination, destination, L""};
    // As on a machine without the components (the script puts the seam back).
    g_Seams.CreateDispatch = [](LPCWSTR, IDispatch** out) -> HRESULT {
        *out = nullptr;
        return REGDB_E_CLASSNOTREG;
    };
    g_Seams.SpawnWait = [](LPCWSTR, const wchar_t* const*) -> intptr_t { return 0; };
    for (int i = 0; i < 3; ++i) SendMessageW(Frame(), WM_COMMAND, MAKEWPARAM(ID_MENU_SAVE, 0), 0);
    ASSERT_EQ(script.folderBrowses.size(), 3u);
    EXPECT_EQ(script.folderBrowses[0].title, L"Please Select a Folder For Storing Received Files");
    EXPECT_EQ(GetFileAttributesW(made.c_str()) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    // Each chosen destination runs the saving dialog; without the components
    // each save ends with the setup's message.
    ASSERT_EQ(script.messageBoxes.size(), 2u);
    for (const auto& box : script.messageBoxes)
        EXPECT_EQ(box.text, L"Microsoft Outlook not found installed or corrupted. Please install Microsoft Outlook & "
                            L"re-run Application.");
    EXPECT_TRUE(IsWindowEnabled(Frame()));  // enabled again after a cancel too
    EXPECT_EQ(std::wstring(g_strDestFolder), L"");  // the cancel emptied it
    RemoveDirectoryW(made.c_str());
    RemoveDirectoryW(destination.c_str());
}

// Last: it closes the frame.
TEST_F(AppFrame, ExitDuringAnInsertionAnsweredYesAbortsAndCloses) {
    CWinThread running;
    g_pItemListThread = &running;
    script.messageBoxAnswers = {IDYES, IDOK};
    HWND frame = Frame();
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(ID_TOOL_EXIT, 0), 0);
    ASSERT_EQ(script.messageBoxes.size(), 2u);
    EXPECT_EQ(script.messageBoxes[1].text, L"Current Process Aborted By User.");
    EXPECT_EQ(script.messageBoxes[1].type, 0x40u);
    EXPECT_EQ(g_pItemListThread.load(), nullptr);
    EXPECT_FALSE(IsWindow(frame));
}
