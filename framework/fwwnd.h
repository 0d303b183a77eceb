// Command targets, windows and message maps.
//
// A message map is one member function made of a chain of tests:
//   BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
//       ON_WM_CREATE()
//       ON_COMMAND(32772, &CMainFrame::OnOpen)
//   END_MESSAGE_MAP()
// expands to CMainFrame::ProcessMsgMap, which tests each entry in order and
// ends by calling CFrameWnd::ProcessMsgMap: the base map is linked
// explicitly and nothing is registered at run time. Handlers have the usual
// signatures (written beside each macro below); a wrong signature does not
// compile.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include "fwobject.h"
#include "fwtypes.h"
#include "fwstring.h"
#include "fwres.h"

#ifndef afx_msg
#define afx_msg
#endif

class CWnd;
class CDC;
class CDataExchange;
class CCreateContext;
class CFrameWnd;
class CCmdTarget;

// Framework messages (values as the program's neighbours expect them).
#define WM_INITIALUPDATE     0x0364   // sent to views after the frame is built
#define WM_REFLECT_BASE      0xBC00   // a notification reflected to its control
#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR          0x0019   // all WM_CTLCOLORxxx, reflected form
#endif

// Pseudo messages of command routing; never sent to a window.
#define FW_MSG_PROBECMD      0x10001u // wParam: command id; is there a handler?
#define FW_MSG_UPDATECMDUI   0x10002u // wParam: command id; lParam: CCmdUI*

#define CN_COMMAND            0
#define CN_UPDATE_COMMAND_UI  ((UINT)(-1))

// Control bar styles (kept by the framework; not window styles).
#define CBRS_ALIGN_TOP       0x2000L
#define CBRS_ALIGN_BOTTOM    0x8000L
#define CBRS_ALIGN_ANY       0xF000L
#define CBRS_BORDER_TOP      0x0200L
#define CBRS_TOOLTIPS        0x0010L
#define CBRS_FLYBY           0x0020L
#define CBRS_ALL             0x0040FFFFL
#define CBRS_BOTTOM          (CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP)

#define AFX_WS_DEFAULT_VIEW  (WS_CHILD | WS_VISIBLE | WS_BORDER)

// ---------------------------------------------------------------------------
// Command targets

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;
    // Routes a command (nCode CN_COMMAND), an update request (nCode
    // CN_UPDATE_COMMAND_UI, pExtra the CCmdUI*) or, with pHandlerInfo set,
    // only asks whether a handler exists. TRUE when handled.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo);
protected:
    // The message map; see BEGIN_MESSAGE_MAP. The base has no entries.
    virtual BOOL ProcessMsgMap(UINT fwMsg, WPARAM fwW, LPARAM fwL, LRESULT& fwRes);
    friend class CWnd;
};

// The state of one user-interface item (menu item, toolbar button, status
// pane) handed to ON_UPDATE_COMMAND_UI handlers at idle time.
class CCmdUI {
public:
    UINT m_nID = 0;
    UINT m_nIndex = 0;
    HMENU m_hMenu = nullptr;      // menu items
    CWnd* m_pOther = nullptr;     // toolbar or status bar
    BOOL m_bEnableChanged = FALSE;

    CCmdUI() = default;
    virtual ~CCmdUI() = default;
    virtual void Enable(BOOL bOn = TRUE);
    virtual void SetCheck(int nCheck = 1);
    virtual void SetText(LPCWSTR lpszText);
    // Asks pTarget's handler; without one, disables the item when
    // bDisableIfNoHndler and no command handler exists. TRUE when handled.
    BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);
};

// ---------------------------------------------------------------------------
// Windows

// The framework's window procedure. Classes registered by the program may
// name it as their window procedure; windows created through CWnd::CreateEx
// reach it whatever their class.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
// The dialog procedure of every dialog and form view.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)
public:
    HWND m_hWnd = nullptr;

    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // A window still attached and subclassed is destroyed with its object.
    virtual ~CWnd();

    // Null for a null object, as the program's callers expect.
    HWND GetSafeHwnd() const;

    // The object attached to hWnd; otherwise a temporary object of this
    // thread (valid until the next idle time or the thread's end).
    static CWnd* FromHandle(HWND hWnd);
    // The object attached to hWnd, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Routes the window's messages through this object's message map.
    BOOL SubclassWindow(HWND hWnd);
    HWND UnsubclassWindow();

    virtual BOOL Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                        const RECT& rect, CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr);
    virtual BOOL CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                          int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                          LPVOID lpParam = nullptr);
    virtual BOOL DestroyWindow();

    // Overridables.
    virtual BOOL PreCreateWindow(CREATESTRUCTW& cs);
    virtual void PreSubclassWindow() {}
    virtual void PostNcDestroy() {}
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // A colour request or owner-draw request of this control, reflected by
    // its parent (WM_CTLCOLOR, WM_DRAWITEM). TRUE when handled here.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual void DoDataExchange(CDataExchange* pDX) {}

    // Default processing of the message being handled.
    LRESULT Default();
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Thin forwards to the API.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const { return ::SendMessageW(m_hWnd, message, wParam, lParam); }
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void SetWindowText(LPCWSTR lpszString) { ::SetWindowTextW(m_hWnd, lpszString); }
    void GetWindowText(CString& rString) const;
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    int SetDlgCtrlID(int nID) { return (int)::SetWindowLongPtrW(m_hWnd, GWLP_ID, nID); }
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    CFrameWnd* GetParentFrame() const;
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) { return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags); }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
    void ScreenToClient(LPPOINT lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }
    void ScreenToClient(LPRECT lpRect) const { ::MapWindowPoints(nullptr, m_hWnd, (LPPOINT)lpRect, 2); }
    void CenterWindow(CWnd* pAlternateOwner = nullptr);
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    static CWnd* FindWindow(LPCWSTR lpszClassName, LPCWSTR lpszWindowName) { return FromHandle(::FindWindowW(lpszClassName, lpszWindowName)); }
    CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
    DWORD GetStyle() const { return (DWORD)::GetWindowLongPtrW(m_hWnd, GWL_STYLE); }
    // Changes the style bits; with nFlags, also SetWindowPos(nFlags | SWP_FRAMECHANGED ...).
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr) { return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer); }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
    void SetRedraw(BOOL bRedraw = TRUE) { SendMessage(WM_SETREDRAW, bRedraw, 0); }

    // Handlers: the default of each passes the message on (Default()).
    afx_msg int OnCreate(LPCREATESTRUCTW lpCreateStruct);
    afx_msg void OnDestroy();
    afx_msg void OnSize(UINT nType, int cx, int cy);
    // Offers the colour request to the control first (reflection).
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);

    // ActiveX controls (fwocc.h): a site window hosting the control, and
    // calls on its IDispatch by dispatch id (as COleDispatchDriver's).
    BOOL CreateControl(REFCLSID clsid, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, UINT nID);
    template <class... Args>
    void InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                      const Args&... args) {
        InvokeHelperRaw(dwDispID, wFlags, vtRet, pvRet, pbParamInfo, FwVarArg(args)...);
    }
    void InvokeHelperRaw(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo, ...);

    // Framework internals.
    WNDPROC m_pfnSuper = nullptr;   // the window's procedure before subclassing
    void FwAttachPermanent(HWND hWnd, WNDPROC pfnSuper);
    void FwDetachPermanent();
protected:
    BOOL ReflectChildNotify(HWND hWndChild, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    BOOL m_bPermanent = FALSE;
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
};

// Installs the creation hook for the next window created on this thread:
// the window is attached to pWnd before its first message.
void AfxHookWindowCreate(CWnd* pWnd);
BOOL AfxUnhookWindowCreate();
// Runs PreTranslateMessage from pMsg's window up to hWndStop (inclusive).
BOOL AfxWalkPreTranslateTree(HWND hWndStop, MSG* pMsg);
// Frees this thread's temporary CWnd and GDI objects.
void AfxUnlockTempMaps();

// ---------------------------------------------------------------------------
// Message map macros

#define DECLARE_MESSAGE_MAP() \
protected: \
    virtual BOOL ProcessMsgMap(UINT fwMsg, WPARAM fwW, LPARAM fwL, LRESULT& fwRes);

#define BEGIN_MESSAGE_MAP(theClass, baseClass) \
    BOOL theClass::ProcessMsgMap(UINT fwMsg, WPARAM fwW, LPARAM fwL, LRESULT& fwRes) { \
        typedef baseClass FwBaseClass; \
        (void)fwMsg; (void)fwW; (void)fwL; (void)fwRes;

#define END_MESSAGE_MAP() \
        return FwBaseClass::ProcessMsgMap(fwMsg, fwW, fwL, fwRes); \
    }

#define FW_POINT_FROM_LPARAM(l) CPoint((int)(short)LOWORD(l), (int)(short)HIWORD(l))

// int OnCreate(LPCREATESTRUCT)
#define ON_WM_CREATE() \
    if (fwMsg == WM_CREATE) { fwRes = (LRESULT)this->OnCreate(reinterpret_cast<LPCREATESTRUCTW>(fwL)); return TRUE; }
// void OnDestroy()
#define ON_WM_DESTROY() \
    if (fwMsg == WM_DESTROY) { this->OnDestroy(); fwRes = 0; return TRUE; }
// void OnClose()
#define ON_WM_CLOSE() \
    if (fwMsg == WM_CLOSE) { this->OnClose(); fwRes = 0; return TRUE; }
// void OnPaint()
#define ON_WM_PAINT() \
    if (fwMsg == WM_PAINT) { this->OnPaint(); fwRes = 0; return TRUE; }
// void OnSize(UINT nType, int cx, int cy)
#define ON_WM_SIZE() \
    if (fwMsg == WM_SIZE) { this->OnSize((UINT)fwW, (short)LOWORD(fwL), (short)HIWORD(fwL)); fwRes = 0; return TRUE; }
// BOOL OnEraseBkgnd(CDC* pDC)
#define ON_WM_ERASEBKGND() \
    if (fwMsg == WM_ERASEBKGND) { fwRes = (LRESULT)this->OnEraseBkgnd(CDC::FromHandle((HDC)fwW)); return TRUE; }
// HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor): every WM_CTLCOLORxxx
#define ON_WM_CTLCOLOR() \
    if (fwMsg >= WM_CTLCOLORMSGBOX && fwMsg <= WM_CTLCOLORSTATIC) { \
        fwRes = (LRESULT)this->OnCtlColor(CDC::FromHandle((HDC)fwW), CWnd::FromHandle((HWND)fwL), fwMsg - WM_CTLCOLORMSGBOX); return TRUE; }
// HBRUSH CtlColor(CDC* pDC, UINT nCtlColor): reflected to the control; a
// null brush leaves the message to the parent.
#define ON_WM_CTLCOLOR_REFLECT() \
    if (fwMsg == WM_REFLECT_BASE + WM_CTLCOLOR) { \
        HBRUSH fwBrush = this->CtlColor(CDC::FromHandle((HDC)fwW), (UINT)fwL); \
        if (fwBrush != nullptr) { fwRes = (LRESULT)fwBrush; return TRUE; } }
// void OnTimer(UINT_PTR nIDEvent)
#define ON_WM_TIMER() \
    if (fwMsg == WM_TIMER) { this->OnTimer((UINT_PTR)fwW); fwRes = 0; return TRUE; }
// void OnXxx(UINT nFlags, CPoint point)
#define ON_WM_LBUTTONDOWN() \
    if (fwMsg == WM_LBUTTONDOWN) { this->OnLButtonDown((UINT)fwW, FW_POINT_FROM_LPARAM(fwL)); fwRes = 0; return TRUE; }
#define ON_WM_LBUTTONUP() \
    if (fwMsg == WM_LBUTTONUP) { this->OnLButtonUp((UINT)fwW, FW_POINT_FROM_LPARAM(fwL)); fwRes = 0; return TRUE; }
#define ON_WM_MOUSEMOVE() \
    if (fwMsg == WM_MOUSEMOVE) { this->OnMouseMove((UINT)fwW, FW_POINT_FROM_LPARAM(fwL)); fwRes = 0; return TRUE; }
#define ON_WM_MOUSEHOVER() \
    if (fwMsg == WM_MOUSEHOVER) { this->OnMouseHover((UINT)fwW, FW_POINT_FROM_LPARAM(fwL)); fwRes = 0; return TRUE; }
// void OnMouseLeave()
#define ON_WM_MOUSELEAVE() \
    if (fwMsg == WM_MOUSELEAVE) { this->OnMouseLeave(); fwRes = 0; return TRUE; }
// BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
#define ON_WM_SETCURSOR() \
    if (fwMsg == WM_SETCURSOR) { fwRes = (LRESULT)this->OnSetCursor(CWnd::FromHandle((HWND)fwW), LOWORD(fwL), HIWORD(fwL)); return TRUE; }
// void OnSetFocus(CWnd* pOldWnd) / void OnKillFocus(CWnd* pNewWnd)
#define ON_WM_SETFOCUS() \
    if (fwMsg == WM_SETFOCUS) { this->OnSetFocus(CWnd::FromHandle((HWND)fwW)); fwRes = 0; return TRUE; }
#define ON_WM_KILLFOCUS() \
    if (fwMsg == WM_KILLFOCUS) { this->OnKillFocus(CWnd::FromHandle((HWND)fwW)); fwRes = 0; return TRUE; }
// void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
#define ON_WM_KEYDOWN() \
    if (fwMsg == WM_KEYDOWN) { this->OnKeyDown((UINT)fwW, LOWORD(fwL), HIWORD(fwL)); fwRes = 0; return TRUE; }
// int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message)
#define ON_WM_MOUSEACTIVATE() \
    if (fwMsg == WM_MOUSEACTIVATE) { fwRes = this->OnMouseActivate(CWnd::FromHandle((HWND)fwW), LOWORD(fwL), HIWORD(fwL)); return TRUE; }

// LRESULT memberFxn(WPARAM, LPARAM)
#define ON_MESSAGE(message, memberFxn) \
    if (fwMsg == (UINT)(message)) { fwRes = (this->*(memberFxn))(fwW, fwL); return TRUE; }

// void memberFxn(): menu item, accelerator or toolbar button id
#define ON_COMMAND(id, memberFxn) \
    if ((fwMsg == WM_COMMAND && HIWORD(fwW) <= 1 && LOWORD(fwW) == (WORD)(id)) || \
        (fwMsg == FW_MSG_PROBECMD && fwW == (WPARAM)(UINT)(id))) { \
        if (fwMsg == WM_COMMAND) { (this->*(memberFxn))(); } fwRes = 0; return TRUE; }
// BOOL memberFxn(UINT nID): FALSE passes the command on
#define ON_COMMAND_EX(id, memberFxn) \
    if ((fwMsg == WM_COMMAND && HIWORD(fwW) <= 1 && LOWORD(fwW) == (WORD)(id)) || \
        (fwMsg == FW_MSG_PROBECMD && fwW == (WPARAM)(UINT)(id))) { \
        if (fwMsg != WM_COMMAND || (this->*(memberFxn))((UINT)(id))) { fwRes = 0; return TRUE; } }
// void memberFxn(CCmdUI* pCmdUI)
#define ON_UPDATE_COMMAND_UI(id, memberFxn) \
    if (fwMsg == FW_MSG_UPDATECMDUI && fwW == (WPARAM)(UINT)(id)) { \
        (this->*(memberFxn))(reinterpret_cast<CCmdUI*>(fwL)); fwRes = 0; return TRUE; }

// void memberFxn(): a control's notification code through WM_COMMAND
#define ON_CONTROL(wNotifyCode, id, memberFxn) \
    if ((fwMsg == WM_COMMAND && HIWORD(fwW) == (WORD)(wNotifyCode) && LOWORD(fwW) == (WORD)(id)) || \
        ((wNotifyCode) == 0 && fwMsg == FW_MSG_PROBECMD && fwW == (WPARAM)(UINT)(id))) { \
        if (fwMsg == WM_COMMAND) { (this->*(memberFxn))(); } fwRes = 0; return TRUE; }
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)

// void memberFxn(NMHDR* pNotifyStruct, LRESULT* pResult); *pResult starts at 0
#define ON_NOTIFY(wNotifyCode, id, memberFxn) \
    if (fwMsg == WM_NOTIFY && reinterpret_cast<NMHDR*>(fwL)->code == (UINT)(wNotifyCode) && \
        reinterpret_cast<NMHDR*>(fwL)->idFrom == (UINT_PTR)(id)) { \
        fwRes = 0; (this->*(memberFxn))(reinterpret_cast<NMHDR*>(fwL), &fwRes); return TRUE; }
