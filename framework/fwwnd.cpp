// Windows: attachment of objects to handles, the window procedure, the
// creation hook, message dispatch and reflection.
#include "framework/fwwnd.h"
#include "framework/fwgdi.h"
#include "framework/fwdlg.h"
#include "framework/fwframe.h"
#include "framework/fwapp.h"
#include "framework/fwtemp.h"
#include <mutex>
#include <unordered_map>

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)
IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

namespace {
// The property that links a window to its object.
const wchar_t kPropName[] = L"FwCWnd";

// The same links in memory: every message to one of our windows looks its
// object up, and a window property is a round trip to the window server
// under Wine (a list taking thousands of rows, each with a dozen
// notifications, spent most of its time there).
std::mutex g_permanentLock;
std::unordered_map<HWND, CWnd*>& PermanentWindows() {
    static auto* windows = new std::unordered_map<HWND, CWnd*>();
    return *windows;
}

// Per thread: the message being handled (for Default), and the object
// waiting for the next window the creation hook sees.
thread_local MSG t_currentMsg{};
thread_local CWnd* t_pWndInit = nullptr;
thread_local HHOOK t_hCbtHook = nullptr;

LRESULT CALLBACK CbtHookProc(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HCBT_CREATEWND && t_pWndInit) {
        HWND hWnd = (HWND)wParam;
        wchar_t cls[32] = {};
        ::GetClassNameW(hWnd, cls, 32);
        // Input-method windows the system makes along with ours are not ours.
        if (_wcsicmp(cls, L"IME") != 0 && _wcsicmp(cls, L"MSCTFIME UI") != 0) {
            CWnd* pWnd = t_pWndInit;
            t_pWndInit = nullptr;
            WNDPROC old = (WNDPROC)::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, (LONG_PTR)&AfxWndProc);
            pWnd->FwAttachPermanent(hWnd, old == &AfxWndProc ? &::DefWindowProcW : old);
        }
    }
    return ::CallNextHookEx(t_hCbtHook, nCode, wParam, lParam);
}

LPCWSTR DefaultWndClass() {
    static LPCWSTR name = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW),
                                              (HBRUSH)(COLOR_WINDOW + 1));
    return name;
}
}  // namespace

void AfxHookWindowCreate(CWnd* pWnd) {
    if (!t_hCbtHook)
        t_hCbtHook = ::SetWindowsHookExW(WH_CBT, CbtHookProc, nullptr, ::GetCurrentThreadId());
    t_pWndInit = pWnd;
}

BOOL AfxUnhookWindowCreate() {
    BOOL consumed = t_pWndInit == nullptr;
    t_pWndInit = nullptr;
    return consumed;
}

// ---------------------------------------------------------------------------
// The window procedure

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd) return ::DefWindowProcW(hWnd, nMsg, wParam, lParam);

    MSG saved = t_currentMsg;
    t_currentMsg.hwnd = hWnd;
    t_currentMsg.message = nMsg;
    t_currentMsg.wParam = wParam;
    t_currentMsg.lParam = lParam;
    LRESULT lResult = 0;
    try {
        lResult = pWnd->WindowProc(nMsg, wParam, lParam);
    } catch (...) {
        // Nothing may unwind into the system's code.
        lResult = 0;
    }
    if (nMsg == WM_NCDESTROY && pWnd->m_hWnd == hWnd) {
        pWnd->FwDetachPermanent();
        CWinApp* pApp = AfxGetApp();
        if (pApp && pApp->m_pMainWnd == pWnd && pApp->m_nThreadID == ::GetCurrentThreadId()) {
            pApp->m_pMainWnd = nullptr;
            ::PostQuitMessage(0);
        }
        try {
            pWnd->PostNcDestroy();
        } catch (...) {
        }
    }
    t_currentMsg = saved;
    return lResult;
}

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg != WM_INITDIALOG) return FALSE;
    CDialog* pDlg = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
    if (!pDlg) return FALSE;   // form views: no focus change
    try {
        return pDlg->FwHandleInitDialog();
    } catch (...) {
        return FALSE;
    }
}

BOOL AfxWalkPreTranslateTree(HWND hWndStop, MSG* pMsg) {
    for (HWND h = pMsg->hwnd; h; h = ::GetParent(h)) {
        CWnd* pWnd = CWnd::FromHandlePermanent(h);
        if (pWnd) {
            try {
                if (pWnd->PreTranslateMessage(pMsg)) return TRUE;
            } catch (...) {
                return TRUE;
            }
        }
        if (h == hWndStop) break;
    }
    return FALSE;
}

// ---------------------------------------------------------------------------
// Command targets and command UI

BOOL CCmdTarget::ProcessMsgMap(UINT, WPARAM, LPARAM, LRESULT&) { return FALSE; }

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) {
    LRESULT r = 0;
    if (pHandlerInfo) return ProcessMsgMap(FW_MSG_PROBECMD, nID, 0, r);
    if ((UINT)nCode == CN_UPDATE_COMMAND_UI) return ProcessMsgMap(FW_MSG_UPDATECMDUI, nID, (LPARAM)pExtra, r);
    return ProcessMsgMap(WM_COMMAND, MAKEWPARAM(nID, nCode), 0, r);
}

void CCmdUI::Enable(BOOL bOn) {
    if (m_hMenu) {
        ::EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
    } else if (m_pOther) {
        m_pOther->EnableWindow(bOn);
    }
    m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int nCheck) {
    if (m_hMenu) ::CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
    else if (m_pOther) m_pOther->SendMessage(BM_SETCHECK, nCheck, 0);
}

void CCmdUI::SetText(LPCWSTR lpszText) {
    if (m_hMenu) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_STRING;
        mii.dwTypeData = const_cast<LPWSTR>(lpszText ? lpszText : L"");
        ::SetMenuItemInfoW(m_hMenu, m_nIndex, TRUE, &mii);
    } else if (m_pOther) {
        m_pOther->SetWindowText(lpszText);
    }
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler) {
    if (!pTarget) return FALSE;
    m_bEnableChanged = FALSE;
    BOOL bResult = pTarget->OnCmdMsg(m_nID, (int)CN_UPDATE_COMMAND_UI, this, nullptr);
    if (bDisableIfNoHndler && !m_bEnableChanged) {
        int probe = 0;
        Enable(pTarget->OnCmdMsg(m_nID, CN_COMMAND, this, &probe));
    }
    return bResult;
}

// ---------------------------------------------------------------------------
// CWnd: attachment

CWnd::~CWnd() {
    if (m_hWnd && m_bPermanent) {
        HWND h = m_hWnd;
        FwDetachPermanent();
        ::DestroyWindow(h);
    }
}

HWND CWnd::GetSafeHwnd() const { return this == nullptr ? nullptr : m_hWnd; }

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    if (!hWnd) return nullptr;
    std::lock_guard<std::mutex> lock(g_permanentLock);
    auto found = PermanentWindows().find(hWnd);
    return found != PermanentWindows().end() ? found->second : nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (!hWnd) return nullptr;
    if (CWnd* p = FromHandlePermanent(hWnd)) return p;
    return FwTempMaps().Window(hWnd);
}

void CWnd::FwAttachPermanent(HWND hWnd, WNDPROC pfnSuper) {
    m_hWnd = hWnd;
    m_pfnSuper = pfnSuper;
    m_bPermanent = TRUE;
    ::SetPropW(hWnd, kPropName, this);
    std::lock_guard<std::mutex> lock(g_permanentLock);
    PermanentWindows()[hWnd] = this;
}

void CWnd::FwDetachPermanent() {
    if (!m_hWnd) return;
    if (m_bPermanent) {
        if (m_pfnSuper && (WNDPROC)::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC) == &AfxWndProc)
            ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, (LONG_PTR)m_pfnSuper);
        ::RemovePropW(m_hWnd, kPropName);
        std::lock_guard<std::mutex> lock(g_permanentLock);
        auto found = PermanentWindows().find(m_hWnd);
        if (found != PermanentWindows().end() && found->second == this) PermanentWindows().erase(found);
    }
    m_bPermanent = FALSE;
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!hWnd || !::IsWindow(hWnd) || FromHandlePermanent(hWnd) || m_hWnd) return FALSE;
    m_hWnd = hWnd;
    PreSubclassWindow();
    WNDPROC old = (WNDPROC)::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, (LONG_PTR)&AfxWndProc);
    FwAttachPermanent(hWnd, old == &AfxWndProc ? &::DefWindowProcW : old);
    return TRUE;
}

HWND CWnd::UnsubclassWindow() {
    HWND h = m_hWnd;
    FwDetachPermanent();
    return h;
}

// ---------------------------------------------------------------------------
// CWnd: creation

BOOL CWnd::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!cs.lpszClass) cs.lpszClass = DefaultWndClass();
    return TRUE;
}

BOOL CWnd::Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, pParentWnd->GetSafeHwnd(),
                    (HMENU)(UINT_PTR)nID, pContext);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam) {
    CREATESTRUCTW cs = {};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = dwStyle;
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                                  cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    if (!AfxUnhookWindowCreate()) {
        // The window never existed, so no WM_NCDESTROY will clean up.
        PostNcDestroy();
        return FALSE;
    }
    // When creation failed after the window existed, PostNcDestroy has run
    // and may have deleted this object: do not touch it.
    return hWnd != nullptr;
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    return ::DestroyWindow(m_hWnd);
}

// ---------------------------------------------------------------------------
// CWnd: dispatch

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult)) lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    return DefWindowProc(t_currentMsg.message, t_currentMsg.wParam, t_currentMsg.lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        *pResult = 0;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        if (!lParam) return FALSE;
        return OnNotify(wParam, lParam, pResult);
    }
    LRESULT r = 0;
    if (ProcessMsgMap(message, wParam, lParam, r)) {
        *pResult = r;
        return TRUE;
    }
    // Unhandled colour and owner-draw requests still reach the control.
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
        return ReflectChildNotify((HWND)lParam, message, wParam, lParam, pResult);
    if (message == WM_DRAWITEM && lParam) {
        auto* pDis = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam);
        if (pDis->CtlType != ODT_MENU) return ReflectChildNotify(pDis->hwndItem, message, wParam, lParam, pResult);
    }
    return FALSE;
}

namespace {
// Asks the update handlers whether a command is enabled, changing nothing.
class CTestCmdUI : public CCmdUI {
public:
    BOOL m_bEnabled = TRUE;
    void Enable(BOOL bOn) override {
        m_bEnabled = bOn;
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int) override {}
    void SetText(LPCWSTR) override {}
};
}  // namespace

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    UINT nID = LOWORD(wParam);
    if (!lParam && nID != 0 && HIWORD(wParam) == 1) {
        // An accelerator whose command is disabled does nothing (a disabled
        // menu item or toolbar button cannot be chosen in the first place).
        CTestCmdUI state;
        state.m_nID = nID;
        OnCmdMsg(nID, (int)CN_UPDATE_COMMAND_UI, &state, nullptr);
        if (!state.m_bEnabled) return TRUE;
    }
    return OnCmdMsg(nID, HIWORD(wParam), nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    LRESULT r = 0;
    if (ProcessMsgMap(WM_NOTIFY, wParam, lParam, r)) {
        *pResult = r;
        return TRUE;
    }
    return FALSE;
}

BOOL CWnd::ReflectChildNotify(HWND hWndChild, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (!hWndChild || hWndChild == m_hWnd) return FALSE;
    CWnd* pChild = FromHandlePermanent(hWndChild);
    return pChild && pChild->OnChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    // Colour requests reach the map as one message (ON_WM_CTLCOLOR_REFLECT);
    // owner-draw requests only controls that draw themselves (CButton).
    if (message < WM_CTLCOLORMSGBOX || message > WM_CTLCOLORSTATIC) return FALSE;
    LRESULT r = 0;
    if (!ProcessMsgMap(WM_REFLECT_BASE + WM_CTLCOLOR, wParam, message - WM_CTLCOLORMSGBOX, r)) return FALSE;
    if (pResult) *pResult = r;
    return TRUE;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CDataExchangeFailure&) {
        return FALSE;
    }
    return TRUE;
}

// ---------------------------------------------------------------------------
// CWnd: helpers

void CWnd::GetWindowText(CString& rString) const {
    int n = ::GetWindowTextLengthW(m_hWnd);
    LPWSTR p = rString.GetBufferSetLength(n);
    ::GetWindowTextW(m_hWnd, p, n + 1);
    rString.ReleaseBuffer();
}

CFrameWnd* CWnd::GetParentFrame() const {
    for (HWND h = ::GetParent(m_hWnd); h; h = ::GetParent(h)) {
        CWnd* p = FromHandlePermanent(h);
        if (p && p->IsKindOf(RUNTIME_CLASS(CFrameWnd))) return static_cast<CFrameWnd*>(p);
    }
    return nullptr;
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
    CRect rcArea;
    HWND hOwner = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
    if (GetStyle() & WS_CHILD) hOwner = ::GetParent(m_hWnd);
    if (hOwner && (GetStyle() & WS_CHILD)) {
        ::GetClientRect(hOwner, &rcArea);
    } else if (hOwner && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner)) {
        ::GetWindowRect(hOwner, &rcArea);
    } else {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcArea, 0);
    }
    CRect rc;
    ::GetWindowRect(m_hWnd, &rc);
    int x = rcArea.left + (rcArea.Width() - rc.Width()) / 2;
    int y = rcArea.top + (rcArea.Height() - rc.Height()) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    DWORD dwStyle = GetStyle();
    DWORD dwNew = (dwStyle & ~dwRemove) | dwAdd;
    if (dwStyle == dwNew) return FALSE;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, (LONG_PTR)dwNew);
    if (nFlags)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

// ---------------------------------------------------------------------------
// CWnd: default handlers

int CWnd::OnCreate(LPCREATESTRUCTW) { return (int)Default(); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return (BOOL)Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
int CWnd::OnMouseActivate(CWnd*, UINT, UINT) { return (int)Default(); }

HBRUSH CWnd::OnCtlColor(CDC*, CWnd* pWnd, UINT) {
    LRESULT r = 0;
    if (pWnd && ReflectChildNotify(pWnd->m_hWnd, t_currentMsg.message, t_currentMsg.wParam, t_currentMsg.lParam, &r))
        return (HBRUSH)r;
    return (HBRUSH)Default();
}

