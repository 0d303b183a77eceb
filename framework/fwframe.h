// The frame window, its control bars and static splitters.
#pragma once
#include <windows.h>
#include <vector>
#include "fwwnd.h"
#include "fwctrls.h"
#include "fwdoc.h"

// A bar docked at one edge of its frame; the frame lays it out.
class CControlBar : public CWnd {
    DECLARE_DYNAMIC(CControlBar)
public:
    DWORD GetBarStyle() const { return m_dwStyle; }
    // Bars stay docked where they were created.
    void EnableDocking(DWORD) {}
    // Height the bar needs at the given width.
    virtual int CalcHeight(int cxWidth);
    // Runs the update handlers of the bar's items against pTarget.
    virtual void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) = 0;
    ~CControlBar() override;
protected:
    CControlBar() = default;
    BOOL CreateBar(LPCWSTR lpszClass, DWORD dwCtrlStyle, DWORD dwStyle, CWnd* pParentWnd, UINT nID);
    void PostNcDestroy() override;
    DWORD m_dwStyle = 0;       // CBRS_ styles
    CFrameWnd* m_pFrame = nullptr;
};

class CToolBar : public CControlBar {
    DECLARE_DYNAMIC(CToolBar)
public:
    BOOL CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle = TBSTYLE_FLAT,
                  DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP,
                  CRect rcBorders = CRect(0, 0, 0, 0), UINT nID = AFX_IDW_TOOLBAR);
    // Replaces the buttons; id 0 (ID_SEPARATOR) makes a separator. Buttons
    // take image indices 0, 1, 2, ... in order, separators none.
    BOOL SetButtons(const UINT* lpIDArray, int nIDCount);
    void SetSizes(SIZE sizeButton, SIZE sizeImage);
    CToolBarCtrl& GetToolBarCtrl() const { return *reinterpret_cast<CToolBarCtrl*>(const_cast<CToolBar*>(this)); }
    int GetCount() const;
    UINT GetItemID(int nIndex) const;   // 0 for a separator
    int CalcHeight(int cxWidth) override;
    void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;
};

class CStatusBar : public CControlBar {
    DECLARE_DYNAMIC(CStatusBar)
public:
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT nID = AFX_IDW_STATUS_BAR);
    // One pane per id: ID_SEPARATOR gives the stretching message pane; any
    // other id takes its text from the string resource of that id, which
    // also sets the pane's width.
    BOOL SetIndicators(const UINT* lpIDArray, int nIDCount);
    BOOL SetPaneText(int nIndex, LPCWSTR lpszNewText, BOOL bUpdate = TRUE);
    CString GetPaneText(int nIndex) const;
    void GetItemRect(int nIndex, LPRECT lpRect) const;
    UINT GetPaneStyle(int nIndex) const;
    void SetPaneStyle(int nIndex, UINT nStyle);
    int CalcHeight(int cxWidth) override;
    void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;
    void UpdateParts();
private:
    struct Pane { UINT nID; UINT nStyle; int cxText; CString strText; };
    std::vector<Pane> m_panes;
    void ShowPaneText(int nIndex);
};

// Pane styles.
#define SBPS_NORMAL     0x0000
#define SBPS_NOBORDERS  0x0100
#define SBPS_POPOUT     0x0200
#define SBPS_DISABLED   0x04000000
#define SBPS_STRETCH    0x08000000

class CFrameWnd : public CWnd {
    DECLARE_DYNCREATE(CFrameWnd)
public:
    CFrameWnd() = default;

    // Creates the frame with the menu, accelerators, icon and title
    // (first part of the string) of resource nIDResource.
    virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW, CWnd* pParentWnd = nullptr,
                           CCreateContext* pContext = nullptr);
    // Default: one view of pContext->m_pNewViewClass as AFX_IDW_PANE_FIRST.
    virtual BOOL OnCreateClient(LPCREATESTRUCTW lpcs, CCreateContext* pContext);
    CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);
    virtual void RecalcLayout(BOOL bNotify = TRUE);

    CView* GetActiveView() const { return m_pViewActive; }
    void SetActiveView(CView* pViewNew, BOOL bNotify = TRUE);
    virtual void InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible);

    // Bars stay docked where they were created.
    void EnableDocking(DWORD) {}
    void DockControlBar(CControlBar*) {}
    void ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL bDelay);
    CControlBar* GetControlBar(UINT nID);
    void AddControlBar(CControlBar* pBar);
    void RemoveControlBar(CControlBar* pBar);

    void SetMessageText(LPCWSTR lpszText);
    void SetMessageText(UINT nID);
    // Runs the idle update handlers of the bars (toolbar buttons, status panes).
    void OnIdleUpdateCmdUI();

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override;   // view, frame, application
    BOOL PreTranslateMessage(MSG* pMsg) override;   // accelerators
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    void PostNcDestroy() override;   // frames delete themselves

    HACCEL m_hAccelTable = nullptr;
protected:
    afx_msg int OnCreate(LPCREATESTRUCTW lpcs);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnClose();
    afx_msg void OnDestroy();
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg LRESULT OnInitMenuPopup(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnMenuSelect(WPARAM wParam, LPARAM lParam);
    afx_msg BOOL OnBarCheck(UINT nID);
    afx_msg void OnUpdateControlBarMenu(CCmdUI* pCmdUI);
    afx_msg void OnUpdateKeyIndicator(CCmdUI* pCmdUI);
    afx_msg void OnNextPane();
    afx_msg void OnPrevPane();
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;   // tooltips, fly-by prompts
    void CyclePane(bool bNext);

    CView* m_pViewActive = nullptr;
    UINT m_nIDResource = 0;
    CString m_strTitle;
    std::vector<CControlBar*> m_bars;
    CCreateContext* m_pCreateContext = nullptr;   // during creation only
    DECLARE_MESSAGE_MAP()
};

// A static splitter: a fixed grid of panes separated by movable bars.
class CSplitterWnd : public CWnd {
    DECLARE_DYNAMIC(CSplitterWnd)
public:
    CSplitterWnd() = default;
    BOOL CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle = WS_CHILD | WS_VISIBLE,
                      UINT nID = AFX_IDW_PANE_FIRST);
    // Creates a view of the run-time class as pane (row, col); sizeInit
    // gives the pane's first width and height.
    virtual BOOL CreateView(int row, int col, CRuntimeClass* pViewClass, SIZE sizeInit, CCreateContext* pContext);
    // The pane's control id: the pane is the splitter's child of that id.
    int IdFromRowCol(int row, int col) const { return AFX_IDW_PANE_FIRST + row * 16 + col; }
    int GetRowCount() const { return m_nRows; }
    int GetColumnCount() const { return m_nCols; }
    // The column's width; the minimum is not kept (a pane may shrink to 0).
    void SetColumnInfo(int col, int cxIdeal, int cxMin);
    virtual void RecalcLayout();
    // Moving the bars with the keyboard (the View menu's Split): arrows
    // move the first bar, Enter or a click keeps it, Esc puts it back.
    virtual BOOL DoKeyboardSplit();
    BOOL IsTracking() const { return m_nTrackBar >= 0; }

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;                   // on to the frame
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;  // on to the frame

    enum { kMaxPanes = 16, kBarSize = 6 };
protected:
    struct Info { int nIdealSize = -1; int nCurSize = 0; };
    int m_nRows = 0, m_nCols = 0;
    Info m_rowInfo[kMaxPanes];
    Info m_colInfo[kMaxPanes];
    int m_nTrackBar = -1;        // index of the bar being dragged
    bool m_bTrackColumn = false;
    int m_nTrackOffset = 0;
    bool m_bKeyboardTracking = false;
    int m_nTrackOriginal = 0;    // ideal size before a keyboard move

    void EndTracking(bool bAccept);
    static void Layout(Info* info, int n, int total);
    int HitTestBar(CPoint pt, bool& bColumn) const;
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnPaint();
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg LRESULT OnCaptureChanged(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()
};
