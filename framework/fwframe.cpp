// The frame window and its control bars.
#include "framework/fwframe.h"
#include "framework/fwapp.h"
#include <algorithm>

IMPLEMENT_DYNAMIC(CControlBar, CWnd)
IMPLEMENT_DYNAMIC(CToolBar, CControlBar)
IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)
IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

namespace {
// The part of a command's string before "\n" (status prompt) or after it
// (tooltip).
CString CommandString(UINT nID, bool bTooltip) {
    CString s;
    if (nID == 0 || !s.LoadString(nID)) return CString();
    int nl = s.Find(L'\n');
    if (bTooltip) return nl < 0 ? CString() : s.Mid(nl + 1);
    return nl < 0 ? s : s.Left(nl);
}
}  // namespace

// ---------------------------------------------------------------------------
// CControlBar

CControlBar::~CControlBar() {
    if (m_pFrame) m_pFrame->RemoveControlBar(this);
}

BOOL CControlBar::CreateBar(LPCWSTR lpszClass, DWORD dwCtrlStyle, DWORD dwStyle, CWnd* pParentWnd, UINT nID) {
    m_dwStyle = dwStyle & CBRS_ALL;
    DWORD dwWndStyle = (dwStyle & ~CBRS_ALL) | dwCtrlStyle | WS_CHILD;
    if (!CWnd::CreateEx(0, lpszClass, nullptr, dwWndStyle, 0, 0, 0, 0, pParentWnd->GetSafeHwnd(),
                        (HMENU)(UINT_PTR)nID))
        return FALSE;
    m_pFrame = dynamic_cast<CFrameWnd*>(pParentWnd);
    if (m_pFrame) m_pFrame->AddControlBar(this);
    return TRUE;
}

void CControlBar::PostNcDestroy() {
    if (m_pFrame) m_pFrame->RemoveControlBar(this);
    m_pFrame = nullptr;
}

int CControlBar::CalcHeight(int) {
    CRect rc;
    GetWindowRect(&rc);
    return rc.Height();
}

// ---------------------------------------------------------------------------
// CToolBar

namespace {
class CToolCmdUI : public CCmdUI {
public:
    void Enable(BOOL bOn) override {
        m_bEnableChanged = TRUE;
        CToolBarCtrl& bar = static_cast<CToolBar*>(m_pOther)->GetToolBarCtrl();
        if (!bar.IsButtonEnabled((int)m_nID) != !bOn) bar.EnableButton((int)m_nID, bOn);
    }
    void SetCheck(int nCheck) override {
        CToolBarCtrl& bar = static_cast<CToolBar*>(m_pOther)->GetToolBarCtrl();
        if (!bar.IsButtonChecked((int)m_nID) != !nCheck) bar.CheckButton((int)m_nID, nCheck != 0);
    }
    void SetText(LPCWSTR) override {}
};
}  // namespace

BOOL CToolBar::CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle, DWORD dwStyle, CRect, UINT nID) {
    DWORD dwCtrl = dwCtrlStyle | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (dwStyle & CBRS_TOOLTIPS) dwCtrl |= TBSTYLE_TOOLTIPS;
    if (!CreateBar(TOOLBARCLASSNAMEW, dwCtrl, dwStyle, pParentWnd, nID)) return FALSE;
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    return TRUE;
}

BOOL CToolBar::SetButtons(const UINT* lpIDArray, int nIDCount) {
    if (nIDCount < 0) return FALSE;
    while (SendMessage(TB_BUTTONCOUNT, 0, 0) > 0)
        if (!SendMessage(TB_DELETEBUTTON, 0, 0)) break;
    std::vector<TBBUTTON> buttons((size_t)nIDCount);
    int iImage = 0;
    for (int i = 0; i < nIDCount; ++i) {
        TBBUTTON& b = buttons[(size_t)i];
        b = TBBUTTON{};
        UINT id = lpIDArray ? lpIDArray[i] : 0;
        if (id == 0) {
            b.fsStyle = BTNS_SEP;
            b.iBitmap = 6;   // separator width
        } else {
            b.idCommand = (int)id;
            b.iBitmap = iImage++;
            b.fsState = TBSTATE_ENABLED;
            b.fsStyle = BTNS_BUTTON;
        }
    }
    if (nIDCount == 0) return TRUE;
    return (BOOL)SendMessage(TB_ADDBUTTONSW, (WPARAM)nIDCount, (LPARAM)buttons.data());
}

void CToolBar::SetSizes(SIZE sizeButton, SIZE sizeImage) {
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(sizeImage.cx, sizeImage.cy));
    SendMessage(TB_SETBUTTONSIZE, 0, MAKELPARAM(sizeButton.cx, sizeButton.cy));
}

int CToolBar::GetCount() const { return (int)SendMessage(TB_BUTTONCOUNT, 0, 0); }

UINT CToolBar::GetItemID(int nIndex) const {
    TBBUTTON b{};
    if (!SendMessage(TB_GETBUTTON, nIndex, (LPARAM)&b)) return 0;
    return (b.fsStyle & BTNS_SEP) ? 0 : (UINT)b.idCommand;
}

int CToolBar::CalcHeight(int) {
    DWORD d = (DWORD)SendMessage(TB_GETBUTTONSIZE, 0, 0);
    return HIWORD(d) + 4;
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) {
    int n = GetCount();
    for (int i = 0; i < n; ++i) {
        UINT id = GetItemID(i);
        if (id == 0) continue;
        CToolCmdUI state;
        state.m_nID = id;
        state.m_nIndex = (UINT)i;
        state.m_pOther = this;
        state.DoUpdate(pTarget, bDisableIfNoHndler);
    }
}

// ---------------------------------------------------------------------------
// CStatusBar

namespace {
class CStatusCmdUI : public CCmdUI {
public:
    void Enable(BOOL bOn) override {
        m_bEnableChanged = TRUE;
        auto* bar = static_cast<CStatusBar*>(m_pOther);
        UINT style = bar->GetPaneStyle((int)m_nIndex);
        UINT newStyle = bOn ? (style & ~SBPS_DISABLED) : (style | SBPS_DISABLED);
        if (newStyle != style) bar->SetPaneStyle((int)m_nIndex, newStyle);
    }
    void SetCheck(int nCheck) override {
        auto* bar = static_cast<CStatusBar*>(m_pOther);
        UINT style = bar->GetPaneStyle((int)m_nIndex);
        UINT newStyle = nCheck ? (style | SBPS_POPOUT) : (style & ~SBPS_POPOUT);
        if (newStyle != style) bar->SetPaneStyle((int)m_nIndex, newStyle);
    }
    void SetText(LPCWSTR lpszText) override {
        auto* bar = static_cast<CStatusBar*>(m_pOther);
        if (bar->GetPaneText((int)m_nIndex) != CString(lpszText)) bar->SetPaneText((int)m_nIndex, lpszText);
    }
};
}  // namespace

BOOL CStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
    DWORD dwCtrl = 0;
    if (pParentWnd && (pParentWnd->GetStyle() & WS_THICKFRAME)) dwCtrl |= SBARS_SIZEGRIP;
    return CreateBar(STATUSCLASSNAMEW, dwCtrl, dwStyle, pParentWnd, nID);
}

BOOL CStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount) {
    if (nIDCount < 0 || nIDCount > 255) return FALSE;
    m_panes.clear();
    HDC hDC = ::GetDC(m_hWnd);
    HGDIOBJ hOld = ::SelectObject(hDC, (HGDIOBJ)SendMessage(WM_GETFONT, 0, 0));
    bool bStretchGiven = false;
    for (int i = 0; i < nIDCount; ++i) {
        Pane pane{lpIDArray ? lpIDArray[i] : 0, SBPS_NORMAL, 0, CString()};
        if (pane.nID == ID_SEPARATOR) {
            if (!bStretchGiven) pane.nStyle = SBPS_STRETCH | SBPS_NOBORDERS;
            bStretchGiven = true;
        } else {
            pane.strText.LoadString(pane.nID);
        }
        SIZE sz = {0, 0};
        if (!pane.strText.IsEmpty()) ::GetTextExtentPoint32W(hDC, pane.strText, pane.strText.GetLength(), &sz);
        pane.cxText = sz.cx;
        m_panes.push_back(pane);
    }
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(m_hWnd, hDC);
    UpdateParts();
    return TRUE;
}

void CStatusBar::UpdateParts() {
    if (!m_hWnd || m_panes.empty()) return;
    CRect rc;
    GetClientRect(&rc);
    const int kBorder = 8;
    int fixed = 0;
    for (const Pane& p : m_panes)
        if (!(p.nStyle & SBPS_STRETCH)) fixed += p.cxText + kBorder;
    int stretch = std::max(0, rc.Width() - fixed);
    std::vector<int> edges;
    int x = 0;
    for (const Pane& p : m_panes) {
        x += (p.nStyle & SBPS_STRETCH) ? stretch : p.cxText + kBorder;
        edges.push_back(x);
    }
    edges.back() = -1;   // the last part runs to the edge
    SendMessage(SB_SETPARTS, edges.size(), (LPARAM)edges.data());
    for (int i = 0; i < (int)m_panes.size(); ++i) ShowPaneText(i);
}

void CStatusBar::ShowPaneText(int nIndex) {
    const Pane& p = m_panes[(size_t)nIndex];
    UINT type = 0;
    if (p.nStyle & SBPS_NOBORDERS) type |= SBT_NOBORDERS;
    if (p.nStyle & SBPS_POPOUT) type |= SBT_POPOUT;
    LPCWSTR text = (p.nStyle & SBPS_DISABLED) ? L"" : p.strText.GetString();
    SendMessage(SB_SETTEXTW, (WPARAM)(nIndex | type), (LPARAM)text);
}

BOOL CStatusBar::SetPaneText(int nIndex, LPCWSTR lpszNewText, BOOL bUpdate) {
    if (nIndex < 0 || nIndex >= (int)m_panes.size()) return FALSE;
    m_panes[(size_t)nIndex].strText = lpszNewText;
    ShowPaneText(nIndex);
    if (bUpdate) {
        CRect rc;
        GetItemRect(nIndex, &rc);
        InvalidateRect(&rc, TRUE);
        UpdateWindow();
    }
    return TRUE;
}

CString CStatusBar::GetPaneText(int nIndex) const {
    if (nIndex < 0 || nIndex >= (int)m_panes.size()) return CString();
    return m_panes[(size_t)nIndex].strText;
}

void CStatusBar::GetItemRect(int nIndex, LPRECT lpRect) const {
    ::SetRectEmpty(lpRect);
    SendMessage(SB_GETRECT, nIndex, (LPARAM)lpRect);
}

UINT CStatusBar::GetPaneStyle(int nIndex) const {
    return nIndex >= 0 && nIndex < (int)m_panes.size() ? m_panes[(size_t)nIndex].nStyle : 0;
}

void CStatusBar::SetPaneStyle(int nIndex, UINT nStyle) {
    if (nIndex < 0 || nIndex >= (int)m_panes.size()) return;
    m_panes[(size_t)nIndex].nStyle = nStyle;
    ShowPaneText(nIndex);
}

int CStatusBar::CalcHeight(int) {
    SendMessage(WM_SIZE, 0, 0);   // the control takes its own height
    UpdateParts();
    CRect rc;
    GetWindowRect(&rc);
    return rc.Height();
}

void CStatusBar::OnUpdateCmdUI(CFrameWnd* pTarget, BOOL) {
    for (size_t i = 0; i < m_panes.size(); ++i) {
        if (m_panes[i].nID == ID_SEPARATOR) continue;
        CStatusCmdUI state;
        state.m_nID = m_panes[i].nID;
        state.m_nIndex = (UINT)i;
        state.m_pOther = this;
        state.DoUpdate(pTarget, FALSE);
    }
}

// ---------------------------------------------------------------------------
// CFrameWnd

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_CLOSE()
    ON_WM_DESTROY()
    ON_WM_SETFOCUS()
    ON_MESSAGE(WM_INITMENUPOPUP, &CFrameWnd::OnInitMenuPopup)
    ON_MESSAGE(WM_MENUSELECT, &CFrameWnd::OnMenuSelect)
    ON_COMMAND_EX(ID_VIEW_TOOLBAR, &CFrameWnd::OnBarCheck)
    ON_COMMAND_EX(ID_VIEW_STATUS_BAR, &CFrameWnd::OnBarCheck)
    ON_UPDATE_COMMAND_UI(ID_VIEW_TOOLBAR, &CFrameWnd::OnUpdateControlBarMenu)
    ON_UPDATE_COMMAND_UI(ID_VIEW_STATUS_BAR, &CFrameWnd::OnUpdateControlBarMenu)
    ON_UPDATE_COMMAND_UI(ID_INDICATOR_CAPS, &CFrameWnd::OnUpdateKeyIndicator)
    ON_UPDATE_COMMAND_UI(ID_INDICATOR_NUM, &CFrameWnd::OnUpdateKeyIndicator)
    ON_UPDATE_COMMAND_UI(ID_INDICATOR_SCRL, &CFrameWnd::OnUpdateKeyIndicator)
    ON_COMMAND(ID_NEXT_PANE, &CFrameWnd::OnNextPane)
    ON_COMMAND(ID_PREV_PANE, &CFrameWnd::OnPrevPane)
END_MESSAGE_MAP()

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!cs.lpszClass) {
        static LPCWSTR name = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW),
                                                  (HBRUSH)(COLOR_BTNFACE + 1));
        cs.lpszClass = name;
    }
    cs.style |= WS_CLIPCHILDREN;
    return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
    HINSTANCE hInst = AfxGetResourceHandle();
    m_nIDResource = nIDResource;
    CString strings;
    strings.LoadString(nIDResource);
    int nl = strings.Find(L'\n');
    m_strTitle = nl < 0 ? strings : strings.Left(nl);
    HMENU hMenu = ::LoadMenuW(hInst, MAKEINTRESOURCEW(nIDResource));
    HACCEL hAccel = ::LoadAcceleratorsW(hInst, MAKEINTRESOURCEW(nIDResource));
    HICON hIcon = ::LoadIconW(hInst, MAKEINTRESOURCEW(nIDResource));
    m_hAccelTable = hAccel;
    m_pCreateContext = pContext;
    if (!CreateEx(0, nullptr, m_strTitle, dwDefaultStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                  pParentWnd->GetSafeHwnd(), hMenu, pContext)) {
        return FALSE;   // the frame has deleted itself
    }
    m_pCreateContext = nullptr;
    if (hIcon) {
        SendMessage(WM_SETICON, ICON_BIG, (LPARAM)hIcon);
        SendMessage(WM_SETICON, ICON_SMALL, (LPARAM)hIcon);
    }
    return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCTW lpcs) {
    if (CWnd::OnCreate(lpcs) == -1) return -1;
    CCreateContext* pContext = m_pCreateContext ? m_pCreateContext : static_cast<CCreateContext*>(lpcs->lpCreateParams);
    if (!OnCreateClient(lpcs, pContext)) return -1;
    return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCTW, CCreateContext* pContext) {
    if (pContext && pContext->m_pNewViewClass) return CreateView(pContext, AFX_IDW_PANE_FIRST) != nullptr;
    return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID) {
    if (!pContext || !pContext->m_pNewViewClass) return nullptr;
    CObject* p = pContext->m_pNewViewClass->CreateObject();
    CWnd* pView = dynamic_cast<CWnd*>(p);
    if (!pView) {
        delete p;
        return nullptr;
    }
    // On failure the view has deleted itself.
    if (!pView->Create(nullptr, nullptr, AFX_WS_DEFAULT_VIEW, CRect(0, 0, 0, 0), this, nID, pContext)) return nullptr;
    return pView;
}

void CFrameWnd::AddControlBar(CControlBar* pBar) {
    if (std::find(m_bars.begin(), m_bars.end(), pBar) == m_bars.end()) m_bars.push_back(pBar);
}

void CFrameWnd::RemoveControlBar(CControlBar* pBar) {
    m_bars.erase(std::remove(m_bars.begin(), m_bars.end(), pBar), m_bars.end());
}

CControlBar* CFrameWnd::GetControlBar(UINT nID) {
    for (CControlBar* b : m_bars)
        if (b->m_hWnd && (UINT)b->GetDlgCtrlID() == nID) return b;
    return nullptr;
}

void CFrameWnd::ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL) {
    if (!pBar || !pBar->m_hWnd) return;
    pBar->ShowWindow(bShow ? SW_SHOWNA : SW_HIDE);
    RecalcLayout();
}

void CFrameWnd::RecalcLayout(BOOL) {
    if (!m_hWnd || ::IsIconic(m_hWnd)) return;
    CRect rc;
    GetClientRect(&rc);
    for (CControlBar* b : m_bars) {
        if (!b->m_hWnd || !(b->GetStyle() & WS_VISIBLE)) continue;
        DWORD align = b->GetBarStyle() & CBRS_ALIGN_ANY;
        int h = b->CalcHeight(rc.Width());
        if (align & CBRS_ALIGN_BOTTOM) {
            b->SetWindowPos(nullptr, rc.left, rc.bottom - h, rc.Width(), h, SWP_NOZORDER | SWP_NOACTIVATE);
            rc.bottom -= h;
        } else {
            b->SetWindowPos(nullptr, rc.left, rc.top, rc.Width(), h, SWP_NOZORDER | SWP_NOACTIVATE);
            rc.top += h;
        }
        if (b->IsKindOf(RUNTIME_CLASS(CStatusBar))) static_cast<CStatusBar*>(b)->UpdateParts();
    }
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    HWND hPane = ::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST);
    if (hPane) ::SetWindowPos(hPane, nullptr, rc.left, rc.top, rc.Width(), rc.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void CFrameWnd::OnSize(UINT nType, int cx, int cy) {
    CWnd::OnSize(nType, cx, cy);
    if (nType != SIZE_MINIMIZED) RecalcLayout();
}

void CFrameWnd::OnClose() {
    HWND hWnd = m_hWnd;
    CWinApp* pApp = AfxGetApp();
    if (pApp && pApp->m_pMainWnd == this) {
        // Closing the documents destroys this frame with its views.
        CDocTemplate* pTemplate = pApp->GetFirstDocTemplate();
        if (pTemplate) pTemplate->CloseAllDocuments(FALSE);
    }
    if (::IsWindow(hWnd)) ::DestroyWindow(hWnd);
}

void CFrameWnd::OnDestroy() {
    m_pViewActive = nullptr;
    CWnd::OnDestroy();
}

void CFrameWnd::PostNcDestroy() { delete this; }

void CFrameWnd::OnSetFocus(CWnd* pOldWnd) {
    if (m_pViewActive && m_pViewActive->m_hWnd)
        ::SetFocus(m_pViewActive->m_hWnd);
    else
        CWnd::OnSetFocus(pOldWnd);
}

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL bNotify) {
    CView* pViewOld = m_pViewActive;
    if (pViewNew == pViewOld) return;
    m_pViewActive = pViewNew;
    if (!bNotify) return;
    if (pViewOld && pViewOld->m_hWnd) pViewOld->OnActivateView(FALSE, pViewNew, pViewOld);
    if (pViewNew && pViewNew->m_hWnd) pViewNew->OnActivateView(TRUE, pViewNew, pViewOld);
}

namespace {
// Every view below hWnd, depth-first in window order.
void CollectViews(HWND hWnd, std::vector<CView*>& views) {
    for (HWND c = ::GetWindow(hWnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        CWnd* p = CWnd::FromHandlePermanent(c);
        if (p && p->IsKindOf(RUNTIME_CLASS(CView))) views.push_back(static_cast<CView*>(p));
        else CollectViews(c, views);
    }
}
}  // namespace

void CFrameWnd::InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible) {
    std::vector<CView*> views;
    CollectViews(m_hWnd, views);
    if (!m_pViewActive && !views.empty()) SetActiveView(views.front(), FALSE);
    for (CView* v : views) v->SendMessage(WM_INITIALUPDATE, 0, 0);
    if (!m_strTitle.IsEmpty() && pDoc) SetWindowText(pDoc->GetTitle() + L" - " + m_strTitle);
    RecalcLayout();   // the bars made after the frame's first size
    if (bMakeVisible) {
        CWinApp* pApp = AfxGetApp();
        int nCmdShow = SW_SHOW;
        if (pApp && pApp->m_pMainWnd == this && pApp->m_nCmdShow >= 0) {
            nCmdShow = pApp->m_nCmdShow;
            pApp->m_nCmdShow = -1;   // only the first time
        }
        ShowWindow(nCmdShow);
        // The bars show their commands' states from the start, even when a
        // modal dialog holds off the first idle time.
        OnIdleUpdateCmdUI();
        UpdateWindow();
        if (m_pViewActive) m_pViewActive->OnActivateView(TRUE, m_pViewActive, m_pViewActive);
    }
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) {
    if (m_pViewActive && m_pViewActive->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    CWinApp* pApp = AfxGetApp();
    return pApp && pApp->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && m_hAccelTable && m_hWnd)
        return ::TranslateAcceleratorW(m_hWnd, m_hAccelTable, pMsg);
    return FALSE;
}

void CFrameWnd::OnIdleUpdateCmdUI() {
    std::vector<CControlBar*> bars = m_bars;
    for (CControlBar* b : bars)
        if (b->m_hWnd && (b->GetStyle() & WS_VISIBLE)) b->OnUpdateCmdUI(this, TRUE);
}

LRESULT CFrameWnd::OnInitMenuPopup(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(lParam)) return Default();   // the system menu
    HMENU hMenu = (HMENU)wParam;
    int n = ::GetMenuItemCount(hMenu);
    for (int i = 0; i < n; ++i) {
        UINT id = ::GetMenuItemID(hMenu, i);
        if (id == 0 || id == (UINT)-1) continue;   // separator or popup
        CCmdUI state;
        state.m_nID = id;
        state.m_nIndex = (UINT)i;
        state.m_hMenu = hMenu;
        state.DoUpdate(this, TRUE);   // menu items without a handler are disabled
    }
    return 0;
}

LRESULT CFrameWnd::OnMenuSelect(WPARAM wParam, LPARAM lParam) {
    UINT id = LOWORD(wParam), flags = HIWORD(wParam);
    if (flags == 0xFFFF && lParam == 0) SetMessageText(AFX_IDS_IDLEMESSAGE);
    else if (!(flags & (MF_POPUP | MF_SEPARATOR | MF_SYSMENU))) SetMessageText(CommandString(id, false));
    return 0;
}

void CFrameWnd::SetMessageText(LPCWSTR lpszText) {
    if (auto* pBar = dynamic_cast<CStatusBar*>(GetControlBar(AFX_IDW_STATUS_BAR))) pBar->SetPaneText(0, lpszText);
}

void CFrameWnd::SetMessageText(UINT nID) {
    CString s = CommandString(nID, false);
    if (s.IsEmpty() && nID == AFX_IDS_IDLEMESSAGE) s = L"Ready";
    SetMessageText(s);
}

BOOL CFrameWnd::OnBarCheck(UINT nID) {
    CControlBar* pBar = GetControlBar(nID);
    if (!pBar) return FALSE;
    ShowControlBar(pBar, !(pBar->GetStyle() & WS_VISIBLE), FALSE);
    return TRUE;
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI* pCmdUI) {
    CControlBar* pBar = GetControlBar(pCmdUI->m_nID);
    if (!pBar) {
        pCmdUI->Enable(FALSE);
        return;
    }
    pCmdUI->SetCheck((pBar->GetStyle() & WS_VISIBLE) != 0);
}

void CFrameWnd::OnUpdateKeyIndicator(CCmdUI* pCmdUI) {
    int vk = pCmdUI->m_nID == ID_INDICATOR_CAPS ? VK_CAPITAL : pCmdUI->m_nID == ID_INDICATOR_NUM ? VK_NUMLOCK : VK_SCROLL;
    pCmdUI->Enable(::GetKeyState(vk) & 1);
}

void CFrameWnd::CyclePane(bool bNext) {
    std::vector<CView*> views;
    CollectViews(m_hWnd, views);
    if (views.empty()) return;
    auto it = std::find(views.begin(), views.end(), m_pViewActive);
    size_t i = it == views.end() ? 0 : (size_t)(it - views.begin());
    size_t n = views.size();
    size_t next = it == views.end() ? 0 : (bNext ? (i + 1) % n : (i + n - 1) % n);
    SetActiveView(views[next]);
}

void CFrameWnd::OnNextPane() { CyclePane(true); }
void CFrameWnd::OnPrevPane() { CyclePane(false); }

BOOL CFrameWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (CWnd::OnNotify(wParam, lParam, pResult)) return TRUE;
    auto* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
    if (pNMHDR->code == TTN_GETDISPINFOW) {
        auto* pInfo = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        if (pInfo->uFlags & TTF_IDISHWND) return FALSE;
        CString tip = CommandString((UINT)pNMHDR->idFrom, true);
        lstrcpynW(pInfo->szText, tip, (int)(sizeof(pInfo->szText) / sizeof(wchar_t)));
        pInfo->lpszText = pInfo->szText;
        *pResult = 0;
        return TRUE;
    }
    if (pNMHDR->code == TBN_HOTITEMCHANGE) {
        CControlBar* pBar = dynamic_cast<CControlBar*>(CWnd::FromHandlePermanent(pNMHDR->hwndFrom));
        if (pBar && (pBar->GetBarStyle() & CBRS_FLYBY)) {
            auto* pHot = reinterpret_cast<NMTBHOTITEM*>(lParam);
            if (pHot->dwFlags & HICF_LEAVING) SetMessageText(AFX_IDS_IDLEMESSAGE);
            else SetMessageText(CommandString((UINT)pHot->idNew, false));
        }
        *pResult = 0;
        return TRUE;
    }
    return FALSE;
}
