// Controls and bars: owner-drawn buttons, windows of the program's own
// classes, toolbar buttons and tooltips, status panes, the texts of tree and
// list items.
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

const UINT kNoResource = 0x7F01;   // frame resource id with no resources

HTREEITEM Add(CTreeCtrl& tree, LPCWSTR text, HTREEITEM parent = TVI_ROOT) {
    return tree.InsertItem(TVIF_TEXT, text, 0, 0, 0, 0, 0, parent, TVI_LAST);
}
}  // namespace

TEST(FrameworkControls, OwnerDrawnButtonPaintsThroughReflection) {
    TopLevel host;
    DrawnButton button;
    ASSERT_TRUE(button.Create(L"BUTTON", L"link", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 80, 20), &host.wnd, 42));
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

TEST(FrameworkControls, ToolbarButtonsTakeImagesInOrderAndTooltipsFromCommandStrings) {
    CString expectedTip;
    if (!expectedTip.LoadString(32772)) GTEST_SKIP() << "no command strings linked";
    CFrameWnd* pFrame = new CFrameWnd;
    ASSERT_TRUE(pFrame->LoadFrame(kNoResource));
    CToolBar bar;
    ASSERT_TRUE(bar.CreateEx(pFrame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP | CBRS_TOOLTIPS));
    const UINT ids[] = {32772, 32771, ID_SEPARATOR, 32774};
    ASSERT_TRUE(bar.SetButtons(ids, 4));
    bar.SetSizes(CSize(45, 51), CSize(38, 44));
    ASSERT_EQ(4, bar.GetCount());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ids[i], bar.GetItemID(i)) << i;
    TBBUTTON last{};
    ASSERT_TRUE(bar.SendMessage(TB_GETBUTTON, 3, (LPARAM)&last));
    EXPECT_EQ(2, last.iBitmap);   // the separator takes no image
    DWORD size = (DWORD)bar.SendMessage(TB_GETBUTTONSIZE);
    EXPECT_EQ(45, LOWORD(size));
    EXPECT_EQ(51, HIWORD(size));

    // Tooltips come from the part of the command string after "\n".
    NMTTDISPINFOW info{};
    info.hdr.hwndFrom = (HWND)bar.SendMessage(TB_GETTOOLTIPS);
    info.hdr.idFrom = 32772;
    info.hdr.code = TTN_GETDISPINFOW;
    pFrame->SendMessage(WM_NOTIFY, 0, (LPARAM)&info);
    EXPECT_EQ(expectedTip.Mid(expectedTip.Find(L'\n') + 1), CString(info.lpszText));
    pFrame->DestroyWindow();
}

TEST(FrameworkControls, FrameTakesMenuAcceleratorsAndTitleFromItsResource) {
    if (!::FindResourceW(AfxGetResourceHandle(), MAKEINTRESOURCEW(128), (LPCWSTR)RT_MENU))
        GTEST_SKIP() << "no frame resources linked";
    CFrameWnd* pFrame = new CFrameWnd;
    ASSERT_TRUE(pFrame->LoadFrame(128));
    EXPECT_NE(nullptr, ::GetMenu(pFrame->m_hWnd));
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
    ASSERT_TRUE(pFrame->LoadFrame(kNoResource));
    pFrame->SetWindowPos(nullptr, 0, 0, 600, 400, SWP_NOZORDER);
    CStatusBar bar;
    ASSERT_TRUE(bar.Create(pFrame));
    const UINT ids[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, 0x7ABD};
    ASSERT_TRUE(bar.SetIndicators(ids, 3));
    EXPECT_EQ(CString(L"CAP"), bar.GetPaneText(1));   // from the id's string resource
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

TEST(FrameworkControls, TreeItemTextsOfAnyLengthComeBackWhole) {
    TopLevel host;
    CTreeCtrl tree;
    ASSERT_TRUE(tree.Create(WC_TREEVIEWW, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 200, 200), &host.wnd, 7));
    HTREEITEM root = Add(tree, L"root");
    CString longName(L'n', 700);
    HTREEITEM longItem = Add(tree, longName, root);
    EXPECT_EQ(longName, tree.GetItemText(longItem));   // beyond the first buffer
    EXPECT_EQ(CString(L"root"), tree.GetItemText(root));
    EXPECT_TRUE(tree.SelectItem(longItem));
    EXPECT_EQ(longItem, tree.GetSelectedItem());
}

TEST(FrameworkControls, ListTextsOfAnyLengthColumnsAndSorting) {
    TopLevel host;
    CListCtrl list;
    ASSERT_TRUE(list.Create(WC_LISTVIEWW, nullptr, WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 300, 200), &host.wnd, 8));
    EXPECT_EQ(0, list.InsertColumn(0, L"From", LVCFMT_LEFT, 150));
    EXPECT_EQ(1, list.InsertColumn(1, L"Subject", LVCFMT_LEFT, 180));
    HWND header = ListView_GetHeader(list.m_hWnd);
    EXPECT_EQ(2, Header_GetItemCount(header));
    EXPECT_EQ(150, ListView_GetColumnWidth(list.m_hWnd, 0));
    const wchar_t* names[] = {L"carol", L"alice", L"bob"};
    for (int i = 0; i < 3; ++i) {
        int row = list.InsertItem(LVIF_TEXT | LVIF_PARAM, i, names[i], 0, 0, 0, (LPARAM)names[i]);
        list.SetItemText(row, 1, CString(L'x', 300 + i));
    }
    EXPECT_EQ(3, list.GetItemCount());
    EXPECT_EQ(CString(L'x', 301), list.GetItemText(1, 1));   // beyond the first buffer
    struct Sorter {
        static int CALLBACK Compare(LPARAM a, LPARAM b, LPARAM) {
            return wcscmp(reinterpret_cast<const wchar_t*>(a), reinterpret_cast<const wchar_t*>(b));
        }
    };
    ASSERT_TRUE(list.SortItems(&Sorter::Compare, 0));
    EXPECT_EQ(CString(L"alice"), list.GetItemText(0, 0));
    EXPECT_EQ(CString(L"carol"), list.GetItemText(2, 0));
    EXPECT_TRUE(list.DeleteColumn(0));
    EXPECT_EQ(1, Header_GetItemCount(header));
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(0, list.GetItemCount());
}
