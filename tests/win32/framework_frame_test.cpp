// Frame, bars and splitters: command update at idle (toolbar, status panes,
// menus), also when a worker thread ends, command routing, static splitters
// with views made by run-time class, the single-document template.
#include "framework_test_support.h"
#include "framework/seam_script.h"
#include <gtest/gtest.h>
#include <atomic>
#include <functional>

namespace {
const UINT kCmdUpdated = 40001;   // has an update handler
const UINT kCmdPlain = 40002;     // has a command handler only
const UINT kCmdNobody = 40003;    // has no handler at all
const UINT kCmdApp = 40004;       // handled by the application
const UINT kCmdDoc = 40005;       // handled by the document
const UINT kIndicator = 40006;    // status pane with an update handler
const UINT kNoResource = 0x7F01;  // frame resource id with no resources

int g_viewInits = 0;
int g_treeCreates = 0;

class TestApp : public CWinApp {
public:
    int appCommands = 0;
protected:
    afx_msg void OnAppCommand() { ++appCommands; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(TestApp, CWinApp)
    ON_COMMAND(kCmdApp, &TestApp::OnAppCommand)
END_MESSAGE_MAP()

class TestDoc : public CDocument {
    DECLARE_DYNCREATE(TestDoc)
public:
    int docCommands = 0;
protected:
    afx_msg void OnDocCommand() { ++docCommands; }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(TestDoc, CDocument)
BEGIN_MESSAGE_MAP(TestDoc, CDocument)
    ON_COMMAND(kCmdDoc, &TestDoc::OnDocCommand)
END_MESSAGE_MAP()

class TreePane : public CTreeView {
    DECLARE_DYNCREATE(TreePane)
public:
    void OnInitialUpdate() override {
        ++g_viewInits;
        CTreeView::OnInitialUpdate();
    }
protected:
    afx_msg int OnCreate(LPCREATESTRUCTW lpcs) {
        if (CTreeView::OnCreate(lpcs) == -1) return -1;
        ++g_treeCreates;
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(TreePane, CTreeView)
BEGIN_MESSAGE_MAP(TreePane, CTreeView)
    ON_WM_CREATE()
END_MESSAGE_MAP()

class PlainPane : public CView {
    DECLARE_DYNCREATE(PlainPane)
public:
    void OnInitialUpdate() override {
        ++g_viewInits;
        CView::OnInitialUpdate();
    }
};
IMPLEMENT_DYNCREATE(PlainPane, CView)

// The program's layout: tree on the left, two panes stacked on the right,
// a toolbar and a status bar.
class TestFrame : public CFrameWnd {
    DECLARE_DYNCREATE(TestFrame)
public:
    CSplitterWnd m_outer, m_inner;
    CToolBar m_toolBar;
    CStatusBar m_statusBar;
    BOOL updatedEnabled = FALSE;
    int plainCommands = 0;
    int updatedCommands = 0;
    CString indicatorText = L"busy";
    std::function<void()> onIndicatorUpdate;   // runs in the indicator's update handler
protected:
    BOOL OnCreateClient(LPCREATESTRUCTW, CCreateContext* pContext) override {
        if (!m_outer.CreateStatic(this, 1, 2)) return FALSE;
        if (!m_outer.CreateView(0, 0, RUNTIME_CLASS(TreePane), CSize(210, 100), pContext)) return FALSE;
        if (!m_inner.CreateStatic(&m_outer, 2, 1, WS_CHILD | WS_VISIBLE | WS_BORDER, m_outer.IdFromRowCol(0, 1)))
            return FALSE;
        if (!m_inner.CreateView(0, 0, RUNTIME_CLASS(PlainPane), CSize(100, 250), pContext)) return FALSE;
        if (!m_inner.CreateView(1, 0, RUNTIME_CLASS(PlainPane), CSize(100, 250), pContext)) return FALSE;
        m_outer.SetColumnInfo(0, 280, 0);
        return TRUE;
    }
    afx_msg int OnCreate(LPCREATESTRUCTW lpcs) {
        if (CFrameWnd::OnCreate(lpcs) == -1) return -1;
        if (!m_toolBar.CreateEx(this, TBSTYLE_FLAT | TBSTYLE_TRANSPARENT,
                                WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP | CBRS_TOOLTIPS | CBRS_FLYBY))
            return -1;
        static const UINT buttons[] = {kCmdUpdated, kCmdPlain, ID_SEPARATOR, kCmdNobody, kCmdApp, kCmdDoc};
        if (!m_toolBar.SetButtons(buttons, 6)) return -1;
        m_toolBar.SetSizes(CSize(46, 51), CSize(38, 44));
        if (!m_statusBar.Create(this)) return -1;
        static const UINT indicators[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, kIndicator};
        m_statusBar.SetIndicators(indicators, 3);
        EnableDocking(CBRS_ALIGN_ANY);
        return 0;
    }
    afx_msg void OnUpdateUpdated(CCmdUI* pCmdUI) { pCmdUI->Enable(updatedEnabled); }
    afx_msg void OnPlain() { ++plainCommands; }
    afx_msg void OnUpdated() { ++updatedCommands; }
    afx_msg void OnUpdateIndicator(CCmdUI*) {
        m_statusBar.SetPaneText(0, indicatorText);
        if (onIndicatorUpdate) onIndicatorUpdate();
    }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(TestFrame, CFrameWnd)
BEGIN_MESSAGE_MAP(TestFrame, CFrameWnd)
    ON_WM_CREATE()
    ON_UPDATE_COMMAND_UI(kCmdUpdated, &TestFrame::OnUpdateUpdated)
    ON_COMMAND(kCmdPlain, &TestFrame::OnPlain)
    ON_COMMAND(kCmdUpdated, &TestFrame::OnUpdated)
    ON_UPDATE_COMMAND_UI(kIndicator, &TestFrame::OnUpdateIndicator)
END_MESSAGE_MAP()

// A form view on a dialog template of the program (the About box: a popup
// template, which the form turns into a child).
class FormPane : public CFormView {
    DECLARE_DYNCREATE(FormPane)
public:
    FormPane() : CFormView(100u) {}
    CButton m_ok;
    int creates = 0;
    bool okSubclassedAtInit = false;
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDOK, m_ok); }
    void OnInitialUpdate() override {
        CFormView::OnInitialUpdate();
        okSubclassedAtInit = CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, IDOK)) == &m_ok;
    }
protected:
    afx_msg int OnCreate(LPCREATESTRUCTW lpcs) {
        ++creates;
        return CFormView::OnCreate(lpcs);
    }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(FormPane, CFormView)
BEGIN_MESSAGE_MAP(FormPane, CFormView)
    ON_WM_CREATE()
END_MESSAGE_MAP()

// A frame whose client cannot be built.
class BrokenFrame : public CFrameWnd {
    DECLARE_DYNCREATE(BrokenFrame)
protected:
    BOOL OnCreateClient(LPCREATESTRUCTW, CCreateContext*) override { return FALSE; }
};
IMPLEMENT_DYNCREATE(BrokenFrame, CFrameWnd)

struct FrameworkFrameWindow : ::testing::Test {
    TestApp app;
    CSingleDocTemplate* pTemplate = nullptr;
    TestFrame* pFrame = nullptr;
    TestDoc* pDoc = nullptr;

    void SetUp() override {
        g_viewInits = 0;
        g_treeCreates = 0;
        pTemplate = new CSingleDocTemplate(kNoResource, RUNTIME_CLASS(TestDoc), RUNTIME_CLASS(TestFrame),
                                           RUNTIME_CLASS(TreePane));
        app.AddDocTemplate(pTemplate);
        app.m_nCmdShow = SW_SHOWNORMAL;
        pDoc = static_cast<TestDoc*>(pTemplate->OpenDocumentFile(nullptr));
        ASSERT_NE(nullptr, pDoc);
        pFrame = dynamic_cast<TestFrame*>(app.m_pMainWnd);
        ASSERT_NE(nullptr, pFrame);
        pFrame->SetWindowPos(nullptr, 0, 0, 800, 600, SWP_NOZORDER);
        fwtest::PumpPending();
    }
    void TearDown() override {
        if (app.m_pMainWnd) pTemplate->CloseAllDocuments(FALSE);
        fwtest::PumpPending();
        MSG msg;
        ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);   // the main window's quit
    }
    BOOL ButtonEnabled(UINT id) { return pFrame->m_toolBar.GetToolBarCtrl().IsButtonEnabled((int)id); }
    static CWnd* Pane(CSplitterWnd& s, int row, int col) {
        return CWnd::FromHandle(::GetDlgItem(s.m_hWnd, s.IdFromRowCol(row, col)));
    }
    int Width(CWnd* p) {
        CRect rc;
        p->GetWindowRect(&rc);
        return rc.Width();
    }
};
}  // namespace

TEST_F(FrameworkFrameWindow, TemplateBuildsFrameViewsAndDocumentByRuntimeClass) {
    EXPECT_EQ(1, g_treeCreates);
    EXPECT_EQ(3, g_viewInits);   // every view, once
    CWnd* pLeft = Pane(pFrame->m_outer, 0, 0);
    ASSERT_NE(nullptr, pLeft);
    EXPECT_TRUE(pLeft->IsKindOf(RUNTIME_CLASS(TreePane)));
    wchar_t cls[32] = {};
    ::GetClassNameW(pLeft->m_hWnd, cls, 32);
    EXPECT_STREQ(WC_TREEVIEWW, cls);
    EXPECT_TRUE(Pane(pFrame->m_inner, 1, 0)->IsKindOf(RUNTIME_CLASS(PlainPane)));
    int views = 0;
    for (POSITION pos = pDoc->GetFirstViewPosition(); pos;) {
        CView* v = pDoc->GetNextView(pos);
        EXPECT_EQ(pDoc, v->GetDocument());
        ++views;
    }
    EXPECT_EQ(3, views);
    EXPECT_EQ(pLeft, pFrame->GetActiveView());
}

TEST_F(FrameworkFrameWindow, SplitterHonoursIdealWidthAndMovesWithTheMouse) {
    CWnd* pLeft = Pane(pFrame->m_outer, 0, 0);
    EXPECT_EQ(280, Width(pLeft));
    CRect top, bottom;
    Pane(pFrame->m_inner, 0, 0)->GetWindowRect(&top);
    Pane(pFrame->m_inner, 1, 0)->GetWindowRect(&bottom);
    EXPECT_EQ(250, top.Height());
    EXPECT_GT(bottom.top, top.bottom);   // separated by the bar

    CSplitterWnd& s = pFrame->m_outer;
    s.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(282, 50));
    s.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(402, 50));
    s.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(402, 50));
    EXPECT_EQ(400, Width(pLeft));
}

TEST_F(FrameworkFrameWindow, SplitCommandMovesTheBarWithTheKeyboard) {
    CWnd* pLeft = Pane(pFrame->m_outer, 0, 0);   // the active view's splitter
    CSplitterWnd& s = pFrame->m_outer;
    pFrame->SendMessage(WM_COMMAND, MAKEWPARAM(ID_WINDOW_SPLIT, 0), 0);
    ASSERT_TRUE(s.IsTracking());
    s.SendMessage(WM_KEYDOWN, VK_RIGHT, 0);
    s.SendMessage(WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(296, Width(pLeft));
    s.SendMessage(WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_FALSE(s.IsTracking());
    EXPECT_EQ(296, Width(pLeft));

    pFrame->SendMessage(WM_COMMAND, MAKEWPARAM(ID_WINDOW_SPLIT, 0), 0);
    s.SendMessage(WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(288, Width(pLeft));
    s.SendMessage(WM_KEYDOWN, VK_ESCAPE, 0);   // back to where it was
    EXPECT_FALSE(s.IsTracking());
    EXPECT_EQ(296, Width(pLeft));
}

TEST_F(FrameworkFrameWindow, IdleUpdateEnablesButtonsByHandlers) {
    EXPECT_FALSE(ButtonEnabled(kCmdNobody));   // already when the frame was shown
    pFrame->OnIdleUpdateCmdUI();
    EXPECT_FALSE(ButtonEnabled(kCmdUpdated));   // its handler says no
    EXPECT_TRUE(ButtonEnabled(kCmdPlain));      // command handler only
    EXPECT_FALSE(ButtonEnabled(kCmdNobody));    // no handler at all
    EXPECT_TRUE(ButtonEnabled(kCmdApp));        // routed to the application
    EXPECT_TRUE(ButtonEnabled(kCmdDoc));        // routed through the view to the document
    pFrame->updatedEnabled = TRUE;
    pFrame->OnIdleUpdateCmdUI();
    EXPECT_TRUE(ButtonEnabled(kCmdUpdated));
    EXPECT_EQ(CString(L"busy"), pFrame->m_statusBar.GetPaneText(0));
}

TEST_F(FrameworkFrameWindow, MessageLoopRunsUpdateHandlersWhenIdle) {
    // Run the real loop: a posted change, then idle time, then a timer ends it.
    struct Quitter {
        static void CALLBACK Quit(HWND, UINT, UINT_PTR id, DWORD) {
            ::KillTimer(nullptr, id);
            ::PostQuitMessage(3);
        }
    };
    pFrame->updatedEnabled = TRUE;
    pFrame->indicatorText = L"from idle";
    ::SetTimer(nullptr, 0, 200, &Quitter::Quit);
    EXPECT_EQ(3, app.Run());
    EXPECT_TRUE(ButtonEnabled(kCmdUpdated));
    EXPECT_EQ(CString(L"from idle"), pFrame->m_statusBar.GetPaneText(0));
}

TEST_F(FrameworkFrameWindow, AWorkerThatEndsWakesTheLoopToRunTheUpdateHandlers) {
    // The loop goes idle and waits; the end of a worker that changed what the
    // handlers show is the only thing that wakes it (a timer far later ends
    // the test otherwise).
    struct Quitter {
        static void CALLBACK Quit(HWND, UINT, UINT_PTR id, DWORD) {
            ::KillTimer(nullptr, id);
            ::PostQuitMessage(3);
        }
    };
    static std::atomic<bool> workerDone;
    workerDone = false;
    pFrame->onIndicatorUpdate = [] {
        if (workerDone) ::PostQuitMessage(5);
    };
    struct Worker {
        static UINT Run(LPVOID) {
            ::Sleep(300);   // the loop is waiting by now
            workerDone = true;
            return 0;
        }
    };
    UINT_PTR timer = ::SetTimer(nullptr, 0, 20000, &Quitter::Quit);
    ASSERT_NE(nullptr, AfxBeginThread(&Worker::Run, nullptr));
    EXPECT_EQ(5, app.Run());
    ::KillTimer(nullptr, timer);
    pFrame->onIndicatorUpdate = nullptr;
}

TEST_F(FrameworkFrameWindow, CommandsRouteToViewDocumentFrameAndApplication) {
    pFrame->SendMessage(WM_COMMAND, MAKEWPARAM(kCmdPlain, 0), (LPARAM)pFrame->m_toolBar.m_hWnd);
    pFrame->SendMessage(WM_COMMAND, MAKEWPARAM(kCmdApp, 0), 0);
    pFrame->SendMessage(WM_COMMAND, MAKEWPARAM(kCmdDoc, 1), 0);
    EXPECT_EQ(1, pFrame->plainCommands);
    EXPECT_EQ(1, app.appCommands);
    EXPECT_EQ(1, pDoc->docCommands);
}

TEST_F(FrameworkFrameWindow, DisabledCommandFromAnAcceleratorIsNotRun) {
    pFrame->updatedEnabled = FALSE;
    pFrame->SendMessage(WM_COMMAND, MAKEWPARAM(kCmdUpdated, 1), 0);   // accelerator
    EXPECT_EQ(0, pFrame->updatedCommands);
    pFrame->updatedEnabled = TRUE;
    pFrame->SendMessage(WM_COMMAND, MAKEWPARAM(kCmdUpdated, 1), 0);
    EXPECT_EQ(1, pFrame->updatedCommands);
}

TEST_F(FrameworkFrameWindow, MenuItemsAreUpdatedWhenTheirPopupOpens) {
    HMENU hMenu = ::CreatePopupMenu();
    ::AppendMenuW(hMenu, MF_STRING, kCmdUpdated, L"a");
    ::AppendMenuW(hMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(hMenu, MF_STRING, kCmdNobody, L"b");
    ::AppendMenuW(hMenu, MF_STRING, kCmdPlain, L"c");
    ::AppendMenuW(hMenu, MF_STRING, ID_VIEW_STATUS_BAR, L"d");
    pFrame->SendMessage(WM_INITMENUPOPUP, (WPARAM)hMenu, 0);
    EXPECT_TRUE(::GetMenuState(hMenu, kCmdUpdated, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(::GetMenuState(hMenu, kCmdNobody, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(::GetMenuState(hMenu, kCmdPlain, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(::GetMenuState(hMenu, ID_VIEW_STATUS_BAR, MF_BYCOMMAND) & MF_CHECKED);
    ::DestroyMenu(hMenu);
}

TEST_F(FrameworkFrameWindow, ViewStatusBarCommandHidesTheBarAndGivesThePanesTheRoom) {
    CRect before;
    pFrame->m_outer.GetWindowRect(&before);
    fwtest::PumpPending();
    HWND top = Pane(pFrame->m_inner, 0, 0)->m_hWnd;
    pFrame->SendMessage(WM_COMMAND, MAKEWPARAM(ID_VIEW_STATUS_BAR, 0), 0);
    EXPECT_FALSE(pFrame->m_statusBar.IsWindowVisible());
    CRect after;
    pFrame->m_outer.GetWindowRect(&after);
    EXPECT_GT(after.Height(), before.Height());
    // A pane of the same size and place is drawn afresh all the same.
    RECT dirty;
    EXPECT_TRUE(::GetUpdateRect(top, &dirty, FALSE));
}

TEST_F(FrameworkFrameWindow, NextPaneCommandMovesTheActiveView) {
    CView* first = pFrame->GetActiveView();
    pFrame->SendMessage(WM_COMMAND, MAKEWPARAM(ID_NEXT_PANE, 1), 0);
    CView* second = pFrame->GetActiveView();
    EXPECT_NE(first, second);
    EXPECT_EQ(Pane(pFrame->m_inner, 0, 0), second);
}

TEST(FrameworkFrame, ClosingTheMainFrameEndsTheLoopAndFreesTheDocument) {
    TestApp app;
    auto* pTemplate = new CSingleDocTemplate(kNoResource, RUNTIME_CLASS(TestDoc), RUNTIME_CLASS(TestFrame),
                                             RUNTIME_CLASS(TreePane));
    app.AddDocTemplate(pTemplate);
    ASSERT_NE(nullptr, pTemplate->OpenDocumentFile(nullptr));
    ::PostMessageW(app.m_pMainWnd->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, app.Run());
    EXPECT_EQ(nullptr, app.m_pMainWnd);
    EXPECT_EQ(nullptr, pTemplate->GetDocument());
}

TEST(FrameworkFrame, MissingFileOrBrokenFrameMakesOpenFail) {
    TestApp app;
    SeamScript script;
    auto* pTemplate = new CSingleDocTemplate(kNoResource, RUNTIME_CLASS(TestDoc), RUNTIME_CLASS(TestFrame),
                                             RUNTIME_CLASS(TreePane));
    app.AddDocTemplate(pTemplate);
    EXPECT_EQ(nullptr, pTemplate->OpenDocumentFile(L"C:\\no\\such\\file.ost"));
    ASSERT_EQ(1u, script.messageBoxes.size());
    EXPECT_NE(std::wstring::npos, script.messageBoxes[0].text.find(L"file.ost"));
    EXPECT_EQ(nullptr, app.m_pMainWnd);

    auto* pBroken = new CSingleDocTemplate(kNoResource, RUNTIME_CLASS(TestDoc), RUNTIME_CLASS(BrokenFrame),
                                           RUNTIME_CLASS(TreePane));
    EXPECT_EQ(nullptr, pBroken->OpenDocumentFile(nullptr));
    delete pBroken;
    fwtest::PumpPending();
}

TEST(FrameworkFrame, OpenedFilesGoToTheRecentListWhichOutlivesTheProcess) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const wchar_t kKey[] = L"Software\\FwRecentListTest";
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    {
        CWinApp app(L"MruApp");
        app.SetRegistryKey(L"FwRecentListTest");
        app.LoadStdProfileSettings(2);
        auto* pTemplate = new CSingleDocTemplate(kNoResource, RUNTIME_CLASS(TestDoc), RUNTIME_CLASS(TestFrame),
                                                 RUNTIME_CLASS(TreePane));
        app.AddDocTemplate(pTemplate);
        ASSERT_NE(nullptr, app.OpenDocumentFile(self));
        app.AddToRecentFileList(L"C:\\a.ost");
        app.AddToRecentFileList(L"C:\\b.ost");
        app.AddToRecentFileList(L"c:\\A.OST");   // the same file again
        ASSERT_EQ(2u, app.GetRecentFiles().size());
        EXPECT_EQ(CString(L"c:\\A.OST"), app.GetRecentFiles()[0]);
        pTemplate->CloseAllDocuments(FALSE);
        fwtest::PumpPending();
        MSG msg;
        ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        app.ExitInstance();
    }
    CWinApp again(L"MruApp");
    again.SetRegistryKey(L"FwRecentListTest");
    again.LoadStdProfileSettings(4);
    ASSERT_EQ(2u, again.GetRecentFiles().size());
    EXPECT_EQ(CString(L"C:\\b.ost"), again.GetRecentFiles()[1]);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
}

TEST(FrameworkFrame, FormViewIsAChildDialogWithItsControlsBoundAtInitialUpdate) {
    if (!::FindResourceW(AfxGetResourceHandle(), MAKEINTRESOURCEW(100), (LPCWSTR)RT_DIALOG))
        GTEST_SKIP() << "no dialog template 100 linked";
    TestApp app;
    auto* pTemplate = new CSingleDocTemplate(kNoResource, RUNTIME_CLASS(TestDoc), RUNTIME_CLASS(CFrameWnd),
                                             RUNTIME_CLASS(FormPane));
    app.AddDocTemplate(pTemplate);
    CDocument* pDoc = pTemplate->OpenDocumentFile(nullptr);
    ASSERT_NE(nullptr, pDoc);
    POSITION pos = pDoc->GetFirstViewPosition();
    auto* pForm = dynamic_cast<FormPane*>(pDoc->GetNextView(pos));
    ASSERT_NE(nullptr, pForm);
    EXPECT_EQ(1, pForm->creates);
    EXPECT_TRUE(pForm->okSubclassedAtInit);
    DWORD style = pForm->GetStyle();
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_EQ(AFX_IDW_PANE_FIRST, pForm->GetDlgCtrlID());
    EXPECT_EQ(app.m_pMainWnd->m_hWnd, ::GetParent(pForm->m_hWnd));
    CRect frameClient, form;
    app.m_pMainWnd->GetClientRect(&frameClient);
    pForm->GetWindowRect(&form);
    EXPECT_EQ(frameClient.Width(), form.Width());   // fills the frame
    pTemplate->CloseAllDocuments(FALSE);
    fwtest::PumpPending();
    MSG msg;
    ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}
