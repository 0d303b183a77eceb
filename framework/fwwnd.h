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
class CFont;
class CMenu;
class CDataExchange;
class CCreateContext;
class CFrameWnd;
class CCmdTarget;

// Framework messages (values as the program's neighbours expect them).
#define WM_IDLEUPDATECMDUI   0x0363   // wParam: disable items without handler
#define WM_INITIALUPDATE     0x0364   // sent to views after the frame is built
#define WM_KICKIDLE          0x036A
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
#define CBRS_ALIGN_LEFT      0x1000L
#define CBRS_ALIGN_TOP       0x2000L
#define CBRS_ALIGN_RIGHT     0x4000L
#define CBRS_ALIGN_BOTTOM    0x8000L
#define CBRS_ALIGN_ANY       0xF000L
#define CBRS_BORDER_LEFT     0x0100L
#define CBRS_BORDER_TOP      0x0200L
#define CBRS_BORDER_RIGHT    0x0400L
#define CBRS_BORDER_BOTTOM   0x0800L
#define CBRS_BORDER_ANY      0x0F00L
#define CBRS_TOOLTIPS        0x0010L
#define CBRS_FLYBY           0x0020L
#define CBRS_FLOAT_MULTI     0x0040L
#define CBRS_BORDER_3D       0x0080L
#define CBRS_HIDE_INPLACE    0x0008L
#define CBRS_SIZE_DYNAMIC    0x0004L
#define CBRS_SIZE_FIXED      0x0002L
#define CBRS_FLOATING        0x0001L
#define CBRS_GRIPPER         0x00400000L
#define CBRS_ALL             0x0040FFFFL
#define CBRS_NOALIGN         0x00000000L
#define CBRS_LEFT            (CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT)
#define CBRS_TOP             (CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM)
#define CBRS_RIGHT           (CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT)
#define CBRS_BOTTOM          (CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP)

// Frame window styles (kept by the framework; not window styles).
#define FWS_ADDTOTITLE       0x00008000L
#define FWS_PREFIXTITLE      0x00004000L
#define FWS_SNAPTOBARS       0x00002000L

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
    UINT m_nIndexMax = 0;
    HMENU m_hMenu = nullptr;      // menu items
    CWnd* m_pOther = nullptr;     // toolbar or status bar
    BOOL m_bEnableChanged = FALSE;
    BOOL m_bContinueRouting = FALSE;

    CCmdUI() = default;
    virtual ~CCmdUI() = default;
    virtual void Enable(BOOL bOn = TRUE);
    virtual void SetCheck(int nCheck = 1);
    virtual void SetRadio(BOOL bOn = TRUE) { SetCheck(bOn ? 1 : 0); }
    virtual void SetText(LPCWSTR lpszText);
    void ContinueRouting() { m_bContinueRouting = TRUE; }
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
    explicit CWnd(HWND hWndPlaceholder) : m_hWnd(hWndPlaceholder) {}   // for wndTop and friends
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // A window still attached and subclassed is destroyed with its object.
    virtual ~CWnd();

    operator HWND() const { return m_hWnd; }
    // Null for a null object, as the program's callers expect.
    HWND GetSafeHwnd() const;
    bool operator==(const CWnd& w) const { return m_hWnd == w.m_hWnd; }

    // The object attached to hWnd; otherwise a temporary object of this
    // thread (valid until the next idle time or the thread's end).
    static CWnd* FromHandle(HWND hWnd);
    // The object attached to hWnd, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Attach/Detach only set the handle (no message routing).
    BOOL Attach(HWND hWnd);
    HWND Detach();
    // Routes the window's messages through this object's message map.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();

    virtual BOOL Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                        const RECT& rect, CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr);
    virtual BOOL CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                          int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                          LPVOID lpParam = nullptr);
    BOOL CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
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
    // A notification of this control, reflected by its parent (WM_COMMAND,
    // WM_NOTIFY, WM_CTLCOLOR, WM_DRAWITEM). TRUE when handled here.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual void DoDataExchange(CDataExchange* pDX) {}

    // Default processing of the message being handled.
    LRESULT Default();
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Thin forwards to the API.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const { return ::SendMessageW(m_hWnd, message, wParam, lParam); }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const { return ::PostMessageW(m_hWnd, message, wParam, lParam); }
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
    void ValidateRect(LPCRECT lpRect) { ::ValidateRect(m_hWnd, lpRect); }
    BOOL RedrawWindow(LPCRECT lpRect = nullptr, HRGN hRgn = nullptr, UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE) { return ::RedrawWindow(m_hWnd, lpRect, hRgn, flags); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL IsZoomed() const { return ::IsZoomed(m_hWnd); }
    void SetWindowText(LPCWSTR lpszString) { ::SetWindowTextW(m_hWnd, lpszString); }
    int GetWindowText(LPWSTR lpszStringBuf, int nMaxCount) const { return ::GetWindowTextW(m_hWnd, lpszStringBuf, nMaxCount); }
    void GetWindowText(CString& rString) const;
    int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
    void SetDlgItemText(int nID, LPCWSTR lpszString) { ::SetDlgItemTextW(m_hWnd, nID, lpszString); }
    int GetDlgItemText(int nID, CString& rString) const;
    UINT GetDlgItemInt(int nID, BOOL* lpTrans = nullptr, BOOL bSigned = TRUE) const { return ::GetDlgItemInt(m_hWnd, nID, lpTrans, bSigned); }
    void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE) { ::SetDlgItemInt(m_hWnd, nID, nValue, bSigned); }
    void CheckDlgButton(int nIDButton, UINT nCheck) { ::CheckDlgButton(m_hWnd, nIDButton, nCheck); }
    UINT IsDlgButtonChecked(int nIDButton) const { return ::IsDlgButtonChecked(m_hWnd, nIDButton); }
    CWnd* GetDlgItem(int nID) const;
    void GetDlgItem(int nID, HWND* phWnd) const { *phWnd = ::GetDlgItem(m_hWnd, nID); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    int SetDlgCtrlID(int nID) { return (int)::SetWindowLongPtrW(m_hWnd, GWLP_ID, nID); }
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    CWnd* SetParent(CWnd* pWndNewParent) { return FromHandle(::SetParent(m_hWnd, pWndNewParent->GetSafeHwnd())); }
    CWnd* GetOwner() const { return FromHandle(::GetWindow(m_hWnd, GW_OWNER)); }
    CWnd* GetWindow(UINT nCmd) const { return FromHandle(::GetWindow(m_hWnd, nCmd)); }
    CWnd* GetTopLevelParent() const;
    CFrameWnd* GetParentFrame() const;
    CWnd* GetDescendantWindow(int nID) const;
    void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL bDeep = TRUE);
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE) { ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint); }
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE) { MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint); }
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) { return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags); }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
    void ScreenToClient(LPPOINT lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }
    void ScreenToClient(LPRECT lpRect) const { ::MapWindowPoints(nullptr, m_hWnd, (LPPOINT)lpRect, 2); }
    void ClientToScreen(LPPOINT lpPoint) const { ::ClientToScreen(m_hWnd, lpPoint); }
    void ClientToScreen(LPRECT lpRect) const { ::MapWindowPoints(m_hWnd, nullptr, (LPPOINT)lpRect, 2); }
    void CenterWindow(CWnd* pAlternateOwner = nullptr);
    void BringWindowToTop() { ::BringWindowToTop(m_hWnd); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
    static CWnd* GetActiveWindow() { return FromHandle(::GetActiveWindow()); }
    static CWnd* GetDesktopWindow() { return FromHandle(::GetDesktopWindow()); }
    static CWnd* FindWindow(LPCWSTR lpszClassName, LPCWSTR lpszWindowName) { return FromHandle(::FindWindowW(lpszClassName, lpszWindowName)); }
    CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
    static CWnd* GetCapture() { return FromHandle(::GetCapture()); }
    void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
    CFont* GetFont() const;
    DWORD GetStyle() const { return (DWORD)::GetWindowLongPtrW(m_hWnd, GWL_STYLE); }
    DWORD GetExStyle() const { return (DWORD)::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE); }
    // Changes the style bits; with nFlags, also SetWindowPos(nFlags | SWP_FRAMECHANGED ...).
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr) { return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer); }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon) { return (HICON)SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, (LPARAM)hIcon); }
    HICON GetIcon(BOOL bBigIcon) const { return (HICON)SendMessage(WM_GETICON, bBigIcon ? ICON_BIG : ICON_SMALL, 0); }
    void SetRedraw(BOOL bRedraw = TRUE) { SendMessage(WM_SETREDRAW, bRedraw, 0); }
    HMENU GetMenu() const { return ::GetMenu(m_hWnd); }
    CDC* GetDC();
    int ReleaseDC(CDC* pDC);
    // Message box through the test seam; a null caption gives the
    // application's title.
    int MessageBox(LPCWSTR lpszText, LPCWSTR lpszCaption = nullptr, UINT nType = MB_OK);

    // Handlers: the default of each passes the message on (Default()).
    afx_msg int OnCreate(LPCREATESTRUCTW lpCreateStruct);
    afx_msg void OnDestroy();
    afx_msg void OnClose();
    afx_msg void OnPaint();
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnMove(int x, int y);
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
    afx_msg void OnRButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnRButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnMouseHover(UINT nFlags, CPoint point);
    afx_msg void OnMouseLeave();
    afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg void OnKillFocus(CWnd* pNewWnd);
    afx_msg void OnShowWindow(BOOL bShow, UINT nStatus);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    afx_msg void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
    afx_msg int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
    afx_msg void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);

    // ActiveX controls (fwocc.h): a site window hosting the control, and
    // calls on its IDispatch by dispatch id (as COleDispatchDriver's).
    BOOL CreateControl(REFCLSID clsid, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, UINT nID);
    LPUNKNOWN GetControlUnknown();
    template <class... Args>
    void InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                      const Args&... args) {
        InvokeHelperRaw(dwDispID, wFlags, vtRet, pvRet, pbParamInfo, FwVarArg(args)...);
    }
    void InvokeHelperRaw(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo, ...);

    // Z-order placeholders for SetWindowPos.
    static const CWnd wndTop, wndBottom, wndTopMost, wndNoTopMost;

    // Framework internals.
    WNDPROC m_pfnSuper = nullptr;   // the window's procedure before subclassing
    BOOL IsPermanent() const { return m_bPermanent; }
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
// void OnMove(int x, int y)
#define ON_WM_MOVE() \
    if (fwMsg == WM_MOVE) { this->OnMove((short)LOWORD(fwL), (short)HIWORD(fwL)); fwRes = 0; return TRUE; }
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
#define ON_WM_LBUTTONDBLCLK() \
    if (fwMsg == WM_LBUTTONDBLCLK) { this->OnLButtonDblClk((UINT)fwW, FW_POINT_FROM_LPARAM(fwL)); fwRes = 0; return TRUE; }
#define ON_WM_RBUTTONDOWN() \
    if (fwMsg == WM_RBUTTONDOWN) { this->OnRButtonDown((UINT)fwW, FW_POINT_FROM_LPARAM(fwL)); fwRes = 0; return TRUE; }
#define ON_WM_RBUTTONUP() \
    if (fwMsg == WM_RBUTTONUP) { this->OnRButtonUp((UINT)fwW, FW_POINT_FROM_LPARAM(fwL)); fwRes = 0; return TRUE; }
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
// void OnShowWindow(BOOL bShow, UINT nStatus)
#define ON_WM_SHOWWINDOW() \
    if (fwMsg == WM_SHOWWINDOW) { this->OnShowWindow((BOOL)fwW, (UINT)fwL); fwRes = 0; return TRUE; }
// void OnKeyDown/OnKeyUp/OnChar(UINT nChar, UINT nRepCnt, UINT nFlags)
#define ON_WM_KEYDOWN() \
    if (fwMsg == WM_KEYDOWN) { this->OnKeyDown((UINT)fwW, LOWORD(fwL), HIWORD(fwL)); fwRes = 0; return TRUE; }
#define ON_WM_KEYUP() \
    if (fwMsg == WM_KEYUP) { this->OnKeyUp((UINT)fwW, LOWORD(fwL), HIWORD(fwL)); fwRes = 0; return TRUE; }
#define ON_WM_CHAR() \
    if (fwMsg == WM_CHAR) { this->OnChar((UINT)fwW, LOWORD(fwL), HIWORD(fwL)); fwRes = 0; return TRUE; }
// void OnSysCommand(UINT nID, LPARAM lParam)
#define ON_WM_SYSCOMMAND() \
    if (fwMsg == WM_SYSCOMMAND) { this->OnSysCommand((UINT)fwW, fwL); fwRes = 0; return TRUE; }
// void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT)
#define ON_WM_DRAWITEM() \
    if (fwMsg == WM_DRAWITEM) { this->OnDrawItem((int)fwW, reinterpret_cast<LPDRAWITEMSTRUCT>(fwL)); fwRes = TRUE; return TRUE; }
// void OnGetMinMaxInfo(MINMAXINFO*)
#define ON_WM_GETMINMAXINFO() \
    if (fwMsg == WM_GETMINMAXINFO) { this->OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(fwL)); fwRes = 0; return TRUE; }
// int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message)
#define ON_WM_MOUSEACTIVATE() \
    if (fwMsg == WM_MOUSEACTIVATE) { fwRes = this->OnMouseActivate(CWnd::FromHandle((HWND)fwW), LOWORD(fwL), HIWORD(fwL)); return TRUE; }
// void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized)
#define ON_WM_ACTIVATE() \
    if (fwMsg == WM_ACTIVATE) { this->OnActivate(LOWORD(fwW), CWnd::FromHandle((HWND)fwL), HIWORD(fwW)); fwRes = 0; return TRUE; }

// LRESULT memberFxn(WPARAM, LPARAM)
#define ON_MESSAGE(message, memberFxn) \
    if (fwMsg == (UINT)(message)) { fwRes = (this->*(memberFxn))(fwW, fwL); return TRUE; }
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn) \
    if (fwMsg == (UINT)(nMessageVariable)) { fwRes = (this->*(memberFxn))(fwW, fwL); return TRUE; }

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
// void memberFxn(UINT nID)
#define ON_COMMAND_RANGE(idFirst, idLast, memberFxn) \
    if (((fwMsg == WM_COMMAND && HIWORD(fwW) <= 1) || fwMsg == FW_MSG_PROBECMD) && \
        LOWORD(fwW) >= (WORD)(idFirst) && LOWORD(fwW) <= (WORD)(idLast)) { \
        if (fwMsg == WM_COMMAND) { (this->*(memberFxn))(LOWORD(fwW)); } fwRes = 0; return TRUE; }
// void memberFxn(CCmdUI* pCmdUI)
#define ON_UPDATE_COMMAND_UI(id, memberFxn) \
    if (fwMsg == FW_MSG_UPDATECMDUI && fwW == (WPARAM)(UINT)(id)) { \
        (this->*(memberFxn))(reinterpret_cast<CCmdUI*>(fwL)); fwRes = 0; return TRUE; }
#define ON_UPDATE_COMMAND_UI_RANGE(idFirst, idLast, memberFxn) \
    if (fwMsg == FW_MSG_UPDATECMDUI && fwW >= (WPARAM)(UINT)(idFirst) && fwW <= (WPARAM)(UINT)(idLast)) { \
        (this->*(memberFxn))(reinterpret_cast<CCmdUI*>(fwL)); fwRes = 0; return TRUE; }

// void memberFxn(): a control's notification code through WM_COMMAND
#define ON_CONTROL(wNotifyCode, id, memberFxn) \
    if ((fwMsg == WM_COMMAND && HIWORD(fwW) == (WORD)(wNotifyCode) && LOWORD(fwW) == (WORD)(id)) || \
        ((wNotifyCode) == 0 && fwMsg == FW_MSG_PROBECMD && fwW == (WPARAM)(UINT)(id))) { \
        if (fwMsg == WM_COMMAND) { (this->*(memberFxn))(); } fwRes = 0; return TRUE; }
#define ON_BN_CLICKED(id, memberFxn)     ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn)      ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn)    ON_CONTROL(STN_CLICKED, id, memberFxn)
// void memberFxn(): the control's own notification, reflected to it
#define ON_CONTROL_REFLECT(wNotifyCode, memberFxn) \
    if (fwMsg == WM_REFLECT_BASE + WM_COMMAND && HIWORD(fwW) == (WORD)(wNotifyCode)) { \
        (this->*(memberFxn))(); fwRes = 0; return TRUE; }
#define ON_BN_CLICKED_REFLECT(memberFxn) ON_CONTROL_REFLECT(BN_CLICKED, memberFxn)

// void memberFxn(NMHDR* pNotifyStruct, LRESULT* pResult); *pResult starts at 0
#define ON_NOTIFY(wNotifyCode, id, memberFxn) \
    if (fwMsg == WM_NOTIFY && reinterpret_cast<NMHDR*>(fwL)->code == (UINT)(wNotifyCode) && \
        reinterpret_cast<NMHDR*>(fwL)->idFrom == (UINT_PTR)(id)) { \
        fwRes = 0; (this->*(memberFxn))(reinterpret_cast<NMHDR*>(fwL), &fwRes); return TRUE; }
#define ON_NOTIFY_RANGE(wNotifyCode, idFirst, idLast, memberFxn) \
    if (fwMsg == WM_NOTIFY && reinterpret_cast<NMHDR*>(fwL)->code == (UINT)(wNotifyCode) && \
        reinterpret_cast<NMHDR*>(fwL)->idFrom >= (UINT_PTR)(idFirst) && reinterpret_cast<NMHDR*>(fwL)->idFrom <= (UINT_PTR)(idLast)) { \
        fwRes = 0; (this->*(memberFxn))((UINT)reinterpret_cast<NMHDR*>(fwL)->idFrom, reinterpret_cast<NMHDR*>(fwL), &fwRes); return TRUE; }
// void memberFxn(NMHDR* pNotifyStruct, LRESULT* pResult): the control's own notification
#define ON_NOTIFY_REFLECT(wNotifyCode, memberFxn) \
    if (fwMsg == WM_REFLECT_BASE + WM_NOTIFY && reinterpret_cast<NMHDR*>(fwL)->code == (UINT)(wNotifyCode)) { \
        fwRes = 0; (this->*(memberFxn))(reinterpret_cast<NMHDR*>(fwL), &fwRes); return TRUE; }
