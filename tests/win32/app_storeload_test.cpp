// The store load as the program runs it: the reader's load reporting through
// the program's observer into a real tree control and a stand-in of the store
// dialog's progress bar and status text; messages through the scripted seam.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/FolderChecks.h"
#include "app/StoreLoadObserver.h"
#include "app/WorkerGate.h"
#include "framework/seam_script.h"
#include "reader/store_load.h"
#include "res/resource.h"
#include "support/temp_file.h"

using testing_support::SamplePathW;
using testing_support::TempFile;

namespace {

std::wstring ItemText(HWND tree, HTREEITEM item) {
    wchar_t text[260] = L"";
    TVITEMW tvi = {};
    tvi.mask = TVIF_TEXT;
    tvi.hItem = item;
    tvi.pszText = text;
    tvi.cchTextMax = 260;
    TreeView_GetItem(tree, &tvi);
    return text;
}

int ItemImage(HWND tree, HTREEITEM item) {
    TVITEMW tvi = {};
    tvi.mask = TVIF_IMAGE;
    tvi.hItem = item;
    TreeView_GetItem(tree, &tvi);
    return tvi.iImage;
}

// The tree as indented lines "[image] text", depth first.
void Dump(HWND tree, HTREEITEM first, int depth, std::wstring& out) {
    for (HTREEITEM item = first; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
        out += std::wstring(2 * depth, L' ') + L"[" + std::to_wstring(ItemImage(tree, item)) + L"] " +
               ItemText(tree, item) + L"\n";
        Dump(tree, TreeView_GetChild(tree, item), depth + 1, out);
    }
}

HTREEITEM FindChild(HWND tree, HTREEITEM parent, const wchar_t* text) {
    for (HTREEITEM item = TreeView_GetChild(tree, parent); item != nullptr; item = TreeView_GetNextSibling(tree, item))
        if (ItemText(tree, item) == text) return item;
    return nullptr;
}

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

}  // namespace

// A top-level window holding a tree control like the folder tree view's and
// the two controls of the store dialog that the load writes to.
class AppStoreLoad : public ::testing::Test {
protected:
    HWND host = nullptr;
    HWND tree = nullptr;
    HWND status = nullptr;
    HWND progress = nullptr;
    SeamScript script;

    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
        InitCommonControlsEx(&controls);
        wcscpy_s(g_szCaption, kMainTitle);
        host = CreateWindowExW(0, L"STATIC", L"store load test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600, 700,
                               nullptr, nullptr, nullptr, nullptr);
        tree = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 0, 400, 600, host,
                               nullptr, nullptr, nullptr);
        status = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 610, 400, 20, host,
                                 reinterpret_cast<HMENU>(IDC_STATUS_TEXT), nullptr, nullptr);
        progress = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 640, 400, 20, host,
                                   reinterpret_cast<HMENU>(IDC_LOAD_PROGRESS), nullptr, nullptr);
        ASSERT_TRUE(host && tree && status && progress);
        g_storeLoadObserver.SetLoadWindows(host, tree);
        SetReaderObserver(&g_storeLoadObserver);
        g_analysisGate.SetPausesEnabled(false);
        ResetReader();
    }

    void TearDown() override {
        ResetReader();
        SetReaderObserver(nullptr);
        g_analysisGate.SetPausesEnabled(true);
        DestroyWindow(host);
    }

    void Load(const std::wstring& path) { OstRepair(path).LoadStore(); }

    std::wstring TreeText() {
        std::wstring out;
        Dump(tree, TreeView_GetRoot(tree), 0, out);
        return out;
    }
};

TEST_F(AppStoreLoad, RealOfflineStoreFillsTheTreeInAlphabeticalOrderWithItsImages) {
    const std::wstring path = SamplePathW("ost-unicode-sample.ost");
    Load(path);
    EXPECT_TRUE(script.messageBoxes.empty());
    const std::wstring expected = L"[2] " + path + L"\n" +
        L"  [2] Personal Folders\n"
        L"    [3] Calendar\n"
        L"    [4] Contacts\n"
        L"    [1] Conversation Action Settings\n"
        L"    [5] Deleted Items\n"
        L"    [6] Drafts\n"
        L"    [7] Inbox\n"
        L"      [1] sub1\n"
        L"      [1] sub2\n"
        L"    [8] Journal\n"
        L"    [9] Junk E-Mail\n"
        L"    [1] News Feed\n"
        L"    [10] Notes\n"
        L"    [11] Outbox\n"
        L"    [1] Quick Step Settings\n"
        L"    [1] RSS Feeds\n"
        L"    [12] Sent Items\n"
        L"    [1] Suggested Contacts\n"
        L"    [1] Sync Issues\n"
        L"      [1] Conflicts\n"
        L"      [1] Local Failures\n"
        L"      [1] Server Failures\n"
        L"    [13] Tasks\n";
    EXPECT_EQ(Narrow(TreeText()), Narrow(expected));

    // One folder-list entry per folder item, "Personal Folders" first.
    EXPECT_EQ(g_listFolders.size(), TreeView_GetCount(tree) - 1);
    ASSERT_FALSE(g_listFolders.empty());
    EXPECT_EQ(ItemText(tree, static_cast<HTREEITEM>(g_listFolders.front().hItem)), L"Personal Folders");

    // The load's own progress and status, and the check boxes it turned on.
    EXPECT_TRUE(IsWindowVisible(progress));
    EXPECT_EQ(SendMessageW(progress, PBM_GETPOS, 0, 0), 100);
    wchar_t text[64] = L"";
    GetWindowTextW(status, text, 64);
    EXPECT_STREQ(text, L"Retrieving Folders...");
    EXPECT_NE(GetWindowLongW(tree, GWL_STYLE) & TVS_CHECKBOXES, 0);
    HTREEITEM personal = TreeView_GetChild(tree, TreeView_GetRoot(tree));
    EXPECT_EQ(GetStateImage(tree, FindChild(tree, personal, L"Inbox")), 1);
}

TEST_F(AppStoreLoad, PersonalStoreOfTheOlderVariantLoadsToo) {
    Load(SamplePathW("ansi-empty-folders.pst"));
    EXPECT_TRUE(script.messageBoxes.empty());
    HTREEITEM personal = TreeView_GetChild(tree, TreeView_GetRoot(tree));
    ASSERT_NE(personal, nullptr);
    EXPECT_EQ(ItemText(tree, personal), L"Personal Folders");
    EXPECT_NE(TreeView_GetChild(tree, personal), nullptr);
}

TEST_F(AppStoreLoad, SecondLoadStartsFromAnEmptyTree) {
    Load(SamplePathW("ansi-empty-folders.pst"));
    const UINT first = TreeView_GetCount(tree);
    ResetReader();
    Load(SamplePathW("ansi-empty-folders.pst"));
    EXPECT_EQ(TreeView_GetCount(tree), first);
    EXPECT_EQ(g_listFolders.size(), first - 1);
}

TEST_F(AppStoreLoad, FileThatIsNoStoreGivesOneMessageOwnedByTheDialog) {
    TempFile junk(std::vector<uint8_t>(8192, 0x5A), ".ost");
    Load(junk.wpath());
    ASSERT_EQ(script.messageBoxes.size(), 1u);
    EXPECT_EQ(Narrow(script.messageBoxes[0].text), "Please select valid ost file.");
    EXPECT_EQ(script.messageBoxes[0].hOwner, host);
    EXPECT_EQ(script.messageBoxes[0].caption, kMainTitle);
    EXPECT_EQ(script.messageBoxes[0].type, 0x1040u);
    EXPECT_EQ(TreeView_GetCount(tree), 1u);  // the root item only
}

TEST_F(AppStoreLoad, TruncatedStoreEndsWithAMessageAndNoCrash) {
    std::vector<uint8_t> bytes = testing_support::ReadWholeFile(testing_support::SamplePath("ost-unicode-sample.ost"));
    bytes.resize(96 * 1024);
    TempFile truncated(bytes, ".ost");
    Load(truncated.wpath());
    ASSERT_EQ(script.messageBoxes.size(), 1u);
    EXPECT_EQ(Narrow(script.messageBoxes[0].text), "Please select valid ost file.");
}

TEST_F(AppStoreLoad, FourKilobytePageStoreGivesItsMessage) {
    Load(SamplePathW("ost2013-4k-outlookcom.ost"));
    ASSERT_EQ(script.messageBoxes.size(), 1u);
    EXPECT_EQ(Narrow(script.messageBoxes[0].text), "Please select valid ost file.");
    EXPECT_EQ(TreeView_GetCount(tree), 1u);
}

TEST_F(AppStoreLoad, MissingFileSaysInUse) {
    Load(L"C:\\no such folder\\missing.ost");
    ASSERT_EQ(script.messageBoxes.size(), 1u);
    EXPECT_EQ(script.messageBoxes[0].text, L"Selected Source File in use.");
}

// The check-box rules on the loaded tree.
class AppFolderChecks : public AppStoreLoad {
protected:
    HTREEITEM root = nullptr, personal = nullptr, inbox = nullptr, sub1 = nullptr, sub2 = nullptr;
    void SetUp() override {
        AppStoreLoad::SetUp();
        Load(SamplePathW("ost-unicode-sample.ost"));
        root = TreeView_GetRoot(tree);
        personal = TreeView_GetChild(tree, root);
        inbox = FindChild(tree, personal, L"Inbox");
        sub1 = FindChild(tree, inbox, L"sub1");
        sub2 = FindChild(tree, inbox, L"sub2");
        ASSERT_TRUE(inbox && sub1 && sub2);
    }
    std::vector<std::wstring> Collected() {
        std::vector<HTREEITEM> items;
        CollectCheckedItems(tree, items);
        std::vector<std::wstring> texts;
        for (HTREEITEM item : items) texts.push_back(ItemText(tree, item));
        return texts;
    }
};

TEST_F(AppFolderChecks, CheckingAFolderChecksItsSubtreeAndBoldsItsAncestors) {
    ToggleFolderCheck(tree, inbox);
    for (HTREEITEM item : {inbox, sub1, sub2}) {
        EXPECT_EQ(GetStateImage(tree, item), 2);
        EXPECT_TRUE(IsFolderBold(tree, item));
    }
    // Other children are unchecked: the ancestors are not checked, but bold.
    for (HTREEITEM item : {personal, root}) {
        EXPECT_EQ(GetStateImage(tree, item), 1);
        EXPECT_TRUE(IsFolderBold(tree, item));
    }
    EXPECT_EQ(Collected(), (std::vector<std::wstring>{L"Inbox", L"sub1", L"sub2"}));
}

TEST_F(AppFolderChecks, ParentIsCheckedOnlyWhenAllItsChildrenAre) {
    ToggleFolderCheck(tree, sub1);
    EXPECT_EQ(GetStateImage(tree, inbox), 1);
    EXPECT_TRUE(IsFolderBold(tree, inbox));
    ToggleFolderCheck(tree, sub2);
    EXPECT_EQ(GetStateImage(tree, inbox), 2);
    EXPECT_TRUE(IsFolderBold(tree, inbox));
    EXPECT_EQ(Collected(), (std::vector<std::wstring>{L"Inbox", L"sub1", L"sub2"}));
}

TEST_F(AppFolderChecks, UncheckingOneFolderUnchecksItsSubtreeAndEveryAncestor) {
    ToggleFolderCheck(tree, root);
    ToggleFolderCheck(tree, sub1);
    EXPECT_EQ(GetStateImage(tree, sub1), 1);
    EXPECT_FALSE(IsFolderBold(tree, sub1));
    for (HTREEITEM item : {inbox, personal, root}) {
        EXPECT_EQ(GetStateImage(tree, item), 1);
        EXPECT_TRUE(IsFolderBold(tree, item));  // another child is still checked
    }
    EXPECT_EQ(GetStateImage(tree, sub2), 2);
    ToggleFolderCheck(tree, inbox);  // unchecked -> checks the whole Inbox again
    EXPECT_EQ(GetStateImage(tree, sub1), 2);
    EXPECT_EQ(GetStateImage(tree, personal), 2);
    EXPECT_EQ(GetStateImage(tree, root), 2);
}

TEST_F(AppFolderChecks, CheckingThePathItemCollectsEveryFolderInPreOrder) {
    ToggleFolderCheck(tree, root);
    std::vector<std::wstring> collected = Collected();
    ASSERT_EQ(collected.size(), TreeView_GetCount(tree) - 1);  // all but the top-level item
    EXPECT_EQ(collected[0], L"Personal Folders");
    EXPECT_EQ(collected[1], L"Calendar");
    auto at = [&](const wchar_t* text) { return std::find(collected.begin(), collected.end(), text) - collected.begin(); };
    EXPECT_EQ(at(L"sub1"), at(L"Inbox") + 1);
    EXPECT_EQ(at(L"sub2"), at(L"Inbox") + 2);
    EXPECT_EQ(at(L"Journal"), at(L"Inbox") + 3);
    EXPECT_EQ(collected.back(), L"Tasks");
    ToggleFolderCheck(tree, root);
    EXPECT_TRUE(Collected().empty());
    EXPECT_FALSE(IsFolderBold(tree, inbox));
}

// Every real sample loads into the tree, or ends with one message; none
// crashes or hangs the load.
class AppStoreLoadSamples : public AppStoreLoad, public ::testing::WithParamInterface<const char*> {};

TEST_P(AppStoreLoadSamples, LoadsIntoTheTreeOrSaysWhyNot) {
    Load(SamplePathW(GetParam()));
    ASSERT_LE(script.messageBoxes.size(), 1u);
    if (!script.messageBoxes.empty()) {
        EXPECT_EQ(TreeView_GetCount(tree), 1u);
        return;
    }
    HTREEITEM personal = TreeView_GetChild(tree, TreeView_GetRoot(tree));
    ASSERT_NE(personal, nullptr);
    EXPECT_EQ(ItemText(tree, personal), L"Personal Folders");
    EXPECT_EQ(g_listFolders.size(), TreeView_GetCount(tree) - 1);
}

INSTANTIATE_TEST_SUITE_P(Samples, AppStoreLoadSamples,
                         ::testing::Values("ansi-contacts.pst", "ansi-cp932-mail.pst", "ansi-empty-folders.pst",
                                           "ansi-outlook97-mail.pst", "ansi-sample2-attachment.pst",
                                           "ansi-tiny-calendar.pst", "ost-unicode-sample.ost",
                                           "ost2013-4k-outlookcom.ost", "unicode-body-types.pst",
                                           "unicode-contacts-jp.pst", "unicode-crypt-high.pst",
                                           "unicode-crypt-none.pst", "unicode-dist-list.pst",
                                           "unicode-empty-folders.pst", "unicode-enron-mail.pst",
                                           "unicode-jp-attachment-name.pst", "unicode-nested-msg.pst",
                                           "unicode-sample1-attachment.pst", "unicode-support-mail.pst",
                                           "unicode-testlab-mail.pst", "unicode-tika-mail.pst"));
