// Controls and bars: owner-drawn buttons, windows of the program's own
// classes, toolbar resources and tooltips, status panes, tree and list
// wrappers.
#include "framework_test_support.h"
#include <gtest/gtest.h>

namespace {
// An owner-drawn button paints through the reflected WM_DRAWITEM.
class DrawnButton : public CButton {
public:
    int draws = 0;
    UINT lastCtlId = 0;
    void DrawItem(LPDRAWITEMSTRUCT lpDis) override {
        ++draws;
        lastCtlId = lpDis->CtlID;
    }
};

// A window of a class the program registers with the framework's window
// procedure, owning itself once created (as the splash window does).
int g_selfOwnedAlive = 0;
class SelfOwnedWnd : public CWnd {
public:
    int timers = 0;
    SelfOwnedWnd() { ++g_selfOwnedAlive; }
    ~SelfOwnedWnd() override { --g_selfOwnedAlive; }
    void PostNcDestroy() override { delete this; }
protected:
    afx_msg void OnTimer(UINT_PTR) {
        ++timers;
        KillTimer(0);
        DestroyWindow();
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(SelfOwnedWnd, CWnd)
    ON_WM_TIMER()
END_MESSAGE_MAP()

struct TopLevel {
    CWnd wnd;
    TopLevel() { wnd.CreateEx(0, nullptr, L"host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr); }
    ~TopLevel() { wnd.DestroyWindow(); }
};

HTREEITEM Add(CTreeCtrl& tree, LPCWSTR text, HTREEITEM parent = TVI_ROOT) { return tree.InsertItem(text, parent); }
}  // namespace

TEST(FrameworkControls, OwnerDrawnButtonPaintsThroughReflection) {
    TopLevel host;
    DrawnButton button;
    ASSERT_TRUE(button.Create(L"link", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 80, 20), &host.wnd, 42));
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = 42;
    dis.hwndItem = button.m_hWnd;
    dis.hDC = ::GetDC(button.m_hWnd);
    EXPECT_TRUE(host.wnd.SendMessage(WM_DRAWITEM, 42, (LPARAM)&dis));
    ::ReleaseDC(button.m_hWnd, dis.hDC);
    EXPECT_EQ(1, button.draws);
    EXPECT_EQ(42u, button.lastCtlId);
}

TEST(FrameworkControls, ProgramClassWithFrameworkProcedureRoutesAndSelfDeletes) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS | CS_SAVEBITS;
    wc.lpfnWndProc = AfxWndProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.lpszClassName = L"FwTestSelfOwnedClass";
    ::RegisterClassExW(&wc);
    auto* p = new SelfOwnedWnd;
    ASSERT_TRUE(p->CreateEx(WS_EX_TOOLWINDOW, L"FwTestSelfOwnedClass", nullptr, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    p->SetTimer(0, 10);
    for (int i = 0; i < 200 && g_selfOwnedAlive; ++i) {
        ::Sleep(5);
        fwtest::PumpPending();
    }
    EXPECT_EQ(0, g_selfOwnedAlive);

    // A failed creation (unknown class) deletes the object too, once.
    auto* q = new SelfOwnedWnd;
    EXPECT_FALSE(q->CreateEx(0, L"FwTestNoSuchClass", nullptr, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr));
    EXPECT_EQ(0, g_selfOwnedAlive);
}

TEST(FrameworkControls, ToolbarResourceGivesButtonsSeparatorsAndSizes) {
    if (!::FindResourceW(AfxGetResourceHandle(), MAKEINTRESOURCEW(128), MAKEINTRESOURCEW(241)))
        GTEST_SKIP() << "no toolbar resource linked";
    CFrameWnd* pFrame = new CFrameWnd;
    ASSERT_TRUE(pFrame->Create(nullptr, L"bars"));
    CToolBar bar;
    ASSERT_TRUE(bar.CreateEx(pFrame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP | CBRS_TOOLTIPS));
    // The stock toolbar also wants a bitmap of the same id; the buttons and
    // sizes are set either way.
    bool hasBitmap = ::FindResourceW(AfxGetResourceHandle(), MAKEINTRESOURCEW(128), (LPCWSTR)RT_BITMAP) != nullptr;
    EXPECT_EQ(hasBitmap, bar.LoadToolBar(128) != FALSE);
    const UINT expected[] = {32772, 32771, 32773, 0, 32774, 32775, 32778};
    ASSERT_EQ(7, bar.GetCount());
    for (int i = 0; i < 7; ++i) EXPECT_EQ(expected[i], bar.GetItemID(i)) << i;
    EXPECT_EQ(4, bar.CommandToIndex(32774));
    CSize button = bar.GetToolBarCtrl().GetButtonSize();
    EXPECT_EQ(45, button.cx);   // image 38 x 44 plus 7
    EXPECT_EQ(51, button.cy);

    // Tooltips come from the part of the command string after "\n".
    NMTTDISPINFOW info{};
    info.hdr.hwndFrom = bar.GetToolBarCtrl().GetToolTips();
    info.hdr.idFrom = 32772;
    info.hdr.code = TTN_GETDISPINFOW;
    pFrame->SendMessage(WM_NOTIFY, 0, (LPARAM)&info);
    CString expectedTip;
    expectedTip.LoadString(32772);
    EXPECT_EQ(expectedTip.Mid(expectedTip.Find(L'\n') + 1), CString(info.lpszText));
    EXPECT_FALSE(bar.LoadToolBar(0x7ABC));   // missing resource
    pFrame->DestroyWindow();
}

TEST(FrameworkControls, FrameTakesMenuAcceleratorsAndTitleFromItsResource) {
    if (!::FindResourceW(AfxGetResourceHandle(), MAKEINTRESOURCEW(128), (LPCWSTR)RT_MENU))
        GTEST_SKIP() << "no frame resources linked";
    CFrameWnd* pFrame = new CFrameWnd;
    ASSERT_TRUE(pFrame->LoadFrame(128));
    EXPECT_NE(nullptr, pFrame->GetMenu());
    EXPECT_NE(nullptr, pFrame->m_hAccelTable);
    CString title, expected;
    pFrame->GetWindowText(title);
    ASSERT_TRUE(expected.LoadString(128));
    EXPECT_FALSE(title.IsEmpty());
    EXPECT_EQ(expected.Left(expected.Find(L'\n')), title);
    pFrame->DestroyWindow();
}

TEST(FrameworkControls, StatusPanesKeepTextsAndHideDisabledOnes) {
    CFrameWnd* pFrame = new CFrameWnd;
    ASSERT_TRUE(pFrame->Create(nullptr, L"status", WS_OVERLAPPEDWINDOW, CRect(0, 0, 600, 400)));
    CStatusBar bar;
    ASSERT_TRUE(bar.Create(pFrame));
    const UINT ids[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, 0x7ABD};
    ASSERT_TRUE(bar.SetIndicators(ids, 3));
    EXPECT_EQ(CString(L"CAP"), bar.GetPaneText(1));   // built-in text without a string resource
    EXPECT_EQ(2, bar.CommandToIndex(0x7ABD));
    EXPECT_TRUE(bar.SetPaneText(0, L"Insertion is in progress, please wait....."));
    EXPECT_FALSE(bar.SetPaneText(3, L"x"));
    pFrame->RecalcLayout();
    wchar_t shown[64] = {};
    bar.SendMessage(SB_GETTEXTW, 0, (LPARAM)shown);
    EXPECT_STREQ(L"Insertion is in progress, please wait.....", shown);
    bar.SetPaneStyle(1, bar.GetPaneStyle(1) | SBPS_DISABLED);
    bar.SendMessage(SB_GETTEXTW, 1, (LPARAM)shown);
    EXPECT_STREQ(L"", shown);
    EXPECT_EQ(CString(L"CAP"), bar.GetPaneText(1));   // kept for when it is enabled
    CRect pane0, pane1;
    bar.GetItemRect(0, &pane0);
    bar.GetItemRect(1, &pane1);
    EXPECT_GT(pane0.Width(), pane1.Width());   // the message pane stretches
    pFrame->DestroyWindow();
}

TEST(FrameworkControls, TreeWrapperTextsDataAndCheckStates) {
    TopLevel host;
    CTreeCtrl tree;
    ASSERT_TRUE(tree.Create(WS_CHILD | WS_VISIBLE | TVS_CHECKBOXES, CRect(0, 0, 200, 200), &host.wnd, 7));
    HTREEITEM root = Add(tree, L"root");
    HTREEITEM child = Add(tree, L"child", root);
    CString longName(L'n', 700);
    HTREEITEM longItem = Add(tree, longName, root);
    EXPECT_EQ(longName, tree.GetItemText(longItem));   // beyond the first buffer
    EXPECT_EQ(child, tree.GetChildItem(root));
    EXPECT_EQ(longItem, tree.GetNextSiblingItem(child));
    EXPECT_EQ(root, tree.GetParentItem(child));
    EXPECT_TRUE(tree.ItemHasChildren(root) || tree.GetChildItem(root));
    EXPECT_TRUE(tree.SetItemData(child, 0x1234));
    EXPECT_EQ(0x1234u, tree.GetItemData(child));

    tree.SetItemState(child, INDEXTOSTATEIMAGEMASK(1), TVIS_STATEIMAGEMASK);
    EXPECT_FALSE(tree.GetCheck(child));
    tree.SetCheck(child, TRUE);
    EXPECT_EQ(2u, tree.GetItemState(child, TVIS_STATEIMAGEMASK) >> 12);
    EXPECT_TRUE(tree.GetCheck(child));
    tree.SetItemState(child, TVIS_BOLD, TVIS_BOLD);
    EXPECT_TRUE(tree.GetItemState(child, TVIS_BOLD) & TVIS_BOLD);
    EXPECT_EQ(2u, tree.GetItemState(child, TVIS_STATEIMAGEMASK) >> 12);   // state image untouched
    EXPECT_TRUE(tree.DeleteAllItems());
    EXPECT_EQ(0u, tree.GetCount());
}

TEST(FrameworkControls, ListWrapperColumnsRowsAndSorting) {
    TopLevel host;
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 300, 200), &host.wnd, 8));
    EXPECT_EQ(0, list.InsertColumn(0, L"From", LVCFMT_LEFT, 150));
    EXPECT_EQ(1, list.InsertColumn(1, L"Subject", LVCFMT_LEFT, 180));
    EXPECT_EQ(2, list.GetHeaderCtrl()->GetItemCount());
    EXPECT_EQ(150, list.GetColumnWidth(0));
    const wchar_t* names[] = {L"carol", L"alice", L"bob"};
    for (int i = 0; i < 3; ++i) {
        int row = list.InsertItem(i, names[i]);
        list.SetItemText(row, 1, CString(L'x', 300 + i));
        list.SetItemData(row, (DWORD_PTR)names[i]);
    }
    EXPECT_EQ(3, list.GetItemCount());
    EXPECT_EQ(CString(L'x', 301), list.GetItemText(1, 1));
    struct Sorter {
        static int CALLBACK Compare(LPARAM a, LPARAM b, LPARAM) {
            return wcscmp(reinterpret_cast<const wchar_t*>(a), reinterpret_cast<const wchar_t*>(b));
        }
    };
    ASSERT_TRUE(list.SortItems(&Sorter::Compare, 0));
    EXPECT_EQ(CString(L"alice"), list.GetItemText(0, 0));
    EXPECT_EQ(CString(L"carol"), list.GetItemText(2, 0));
    EXPECT_TRUE(list.DeleteColumn(0));
    EXPECT_EQ(1, list.GetHeaderCtrl()->GetItemCount());
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(0, list.GetItemCount());
}
