// Static splitters: a fixed grid of panes with bars the mouse can move.
#include "framework/fwframe.h"
#include "framework/fwapp.h"
#include <algorithm>

IMPLEMENT_DYNAMIC(CSplitterWnd, CWnd)

BEGIN_MESSAGE_MAP(CSplitterWnd, CWnd)
    ON_WM_SIZE()
    ON_WM_PAINT()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_SETCURSOR()
    ON_WM_KEYDOWN()
    ON_MESSAGE(WM_CAPTURECHANGED, &CSplitterWnd::OnCaptureChanged)
END_MESSAGE_MAP()

BOOL CSplitterWnd::CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle, UINT nID) {
    if (!pParentWnd || nRows < 1 || nCols < 1 || nRows > kMaxPanes || nCols > kMaxPanes || m_hWnd) return FALSE;
    m_nRows = nRows;
    m_nCols = nCols;
    for (int i = 0; i < kMaxPanes; ++i) m_rowInfo[i] = m_colInfo[i] = Info();
    static LPCWSTR name = AfxRegisterWndClass(CS_DBLCLKS, nullptr, (HBRUSH)(COLOR_BTNFACE + 1));
    CRect rc;
    pParentWnd->GetClientRect(&rc);
    return CWnd::CreateEx(0, name, nullptr, dwStyle | WS_CHILD | WS_CLIPCHILDREN, 0, 0, rc.Width(), rc.Height(),
                          pParentWnd->m_hWnd, (HMENU)(UINT_PTR)nID);
}

BOOL CSplitterWnd::CreateView(int row, int col, CRuntimeClass* pViewClass, SIZE sizeInit, CCreateContext* pContext) {
    if (!m_hWnd || row < 0 || col < 0 || row >= m_nRows || col >= m_nCols || !pViewClass) return FALSE;
    if (::GetDlgItem(m_hWnd, IdFromRowCol(row, col))) return FALSE;   // pane taken
    if (m_colInfo[col].nIdealSize < 0) m_colInfo[col].nIdealSize = sizeInit.cx;
    if (m_rowInfo[row].nIdealSize < 0) m_rowInfo[row].nIdealSize = sizeInit.cy;

    CObject* p = pViewClass->CreateObject();
    CWnd* pWnd = dynamic_cast<CWnd*>(p);
    if (!pWnd) {
        delete p;
        return FALSE;
    }
    CCreateContext context;
    if (pContext) context = *pContext;
    context.m_pNewViewClass = pViewClass;
    // On failure the view has deleted itself.
    if (!pWnd->Create(nullptr, nullptr, AFX_WS_DEFAULT_VIEW & ~WS_BORDER, CRect(0, 0, sizeInit.cx, sizeInit.cy), this,
                      (UINT)IdFromRowCol(row, col), &context))
        return FALSE;
    RecalcLayout();
    return TRUE;
}

void CSplitterWnd::SetColumnInfo(int col, int cxIdeal, int) {
    if (col < 0 || col >= kMaxPanes) return;
    m_colInfo[col].nIdealSize = cxIdeal;
}

// Every pane but the last takes its ideal size (within what is left); the
// last takes the rest.
void CSplitterWnd::Layout(Info* info, int n, int total) {
    int avail = std::max(0, total - (n - 1) * kBarSize);
    for (int i = 0; i < n - 1; ++i) {
        int cur = std::max(0, std::min(info[i].nIdealSize, avail));
        info[i].nCurSize = cur;
        avail -= cur;
    }
    info[n - 1].nCurSize = avail;
}

void CSplitterWnd::RecalcLayout() {
    if (!m_hWnd || m_nRows == 0 || m_nCols == 0) return;
    CRect rc;
    GetClientRect(&rc);
    Layout(m_colInfo, m_nCols, rc.Width());
    Layout(m_rowInfo, m_nRows, rc.Height());
    int y = 0;
    for (int r = 0; r < m_nRows; ++r) {
        int x = 0;
        for (int c = 0; c < m_nCols; ++c) {
            HWND hPane = ::GetDlgItem(m_hWnd, IdFromRowCol(r, c));
            if (hPane)
                ::SetWindowPos(hPane, nullptr, x, y, m_colInfo[c].nCurSize, m_rowInfo[r].nCurSize,
                               SWP_NOZORDER | SWP_NOACTIVATE);
            x += m_colInfo[c].nCurSize + kBarSize;
        }
        y += m_rowInfo[r].nCurSize + kBarSize;
    }
    // The panes too: a pane that only moved with the splitter keeps its size
    // and gets no WM_SIZE, and what was copied with it (or not, where the
    // window system does not copy child windows' bits) is drawn afresh.
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void CSplitterWnd::OnSize(UINT nType, int cx, int cy) {
    CWnd::OnSize(nType, cx, cy);
    RecalcLayout();
}

void CSplitterWnd::OnPaint() {
    CPaintDC dc(this);   // the class background paints the bars
}

int CSplitterWnd::HitTestBar(CPoint pt, bool& bColumn) const {
    int x = 0;
    for (int c = 0; c < m_nCols - 1; ++c) {
        x += m_colInfo[c].nCurSize;
        if (pt.x >= x && pt.x < x + kBarSize) {
            bColumn = true;
            return c;
        }
        x += kBarSize;
    }
    int y = 0;
    for (int r = 0; r < m_nRows - 1; ++r) {
        y += m_rowInfo[r].nCurSize;
        if (pt.y >= y && pt.y < y + kBarSize) {
            bColumn = false;
            return r;
        }
        y += kBarSize;
    }
    return -1;
}

BOOL CSplitterWnd::DoKeyboardSplit() {
    if (!m_hWnd || m_nTrackBar >= 0 || (m_nCols < 2 && m_nRows < 2)) return FALSE;
    m_bTrackColumn = m_nCols > 1;
    m_nTrackBar = 0;
    m_bKeyboardTracking = true;
    Info* info = m_bTrackColumn ? m_colInfo : m_rowInfo;
    m_nTrackOriginal = info[0].nIdealSize;
    info[0].nIdealSize = info[0].nCurSize;
    m_nTrackOffset = kBarSize / 2;
    SetFocus();
    SetCapture();
    return TRUE;
}

void CSplitterWnd::EndTracking(bool bAccept) {
    if (m_nTrackBar < 0) return;
    Info* info = m_bTrackColumn ? m_colInfo : m_rowInfo;
    if (m_bKeyboardTracking && !bAccept) info[m_nTrackBar].nIdealSize = m_nTrackOriginal;
    m_nTrackBar = -1;
    m_bKeyboardTracking = false;
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
    RecalcLayout();
}

void CSplitterWnd::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
    if (!m_bKeyboardTracking) {
        CWnd::OnKeyDown(nChar, nRepCnt, nFlags);
        return;
    }
    Info* info = m_bTrackColumn ? m_colInfo : m_rowInfo;
    const int kStep = 8;
    int delta = 0;
    if (nChar == (m_bTrackColumn ? VK_LEFT : VK_UP)) delta = -kStep;
    else if (nChar == (m_bTrackColumn ? VK_RIGHT : VK_DOWN)) delta = kStep;
    else if (nChar == VK_RETURN) EndTracking(true);
    else if (nChar == VK_ESCAPE) EndTracking(false);
    if (delta) {
        info[m_nTrackBar].nIdealSize = std::max(0, info[m_nTrackBar].nCurSize + delta);
        RecalcLayout();
    }
}

LRESULT CSplitterWnd::OnCaptureChanged(WPARAM, LPARAM lParam) {
    if ((HWND)lParam != m_hWnd && m_nTrackBar >= 0) {
        // Capture taken away: a drag keeps where it got, a keyboard move is undone.
        bool bAccept = !m_bKeyboardTracking;
        Info* info = m_bTrackColumn ? m_colInfo : m_rowInfo;
        if (!bAccept) info[m_nTrackBar].nIdealSize = m_nTrackOriginal;
        m_nTrackBar = -1;
        m_bKeyboardTracking = false;
        RecalcLayout();
    }
    return 0;
}

void CSplitterWnd::OnLButtonDown(UINT, CPoint point) {
    if (m_bKeyboardTracking) {
        EndTracking(true);
        return;
    }
    bool bColumn = false;
    int bar = HitTestBar(point, bColumn);
    if (bar < 0) return;
    m_nTrackBar = bar;
    m_bTrackColumn = bColumn;
    int start = 0;
    const Info* info = bColumn ? m_colInfo : m_rowInfo;
    for (int i = 0; i <= bar; ++i) start += info[i].nCurSize + (i < bar ? kBarSize : 0);
    m_nTrackOffset = (bColumn ? point.x : point.y) - start;
    SetCapture();
}

void CSplitterWnd::OnMouseMove(UINT, CPoint point) {
    if (m_nTrackBar < 0) return;
    Info* info = m_bTrackColumn ? m_colInfo : m_rowInfo;
    int start = 0;
    for (int i = 0; i < m_nTrackBar; ++i) start += info[i].nCurSize + kBarSize;
    int size = (m_bTrackColumn ? point.x : point.y) - m_nTrackOffset - start;
    info[m_nTrackBar].nIdealSize = std::max(0, size);
    RecalcLayout();
}

void CSplitterWnd::OnLButtonUp(UINT, CPoint) {
    if (m_nTrackBar < 0 || m_bKeyboardTracking) return;
    EndTracking(true);
}

BOOL CSplitterWnd::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
    if (nHitTest == HTCLIENT && pWnd == this) {
        POINT pt;
        ::GetCursorPos(&pt);
        ScreenToClient(&pt);
        bool bColumn = false;
        if (m_nTrackBar >= 0 || HitTestBar(CPoint(pt), bColumn) >= 0) {
            bool col = m_nTrackBar >= 0 ? m_bTrackColumn : bColumn;
            ::SetCursor(::LoadCursorW(nullptr, (LPCWSTR)(col ? IDC_SIZEWE : IDC_SIZENS)));
            return TRUE;
        }
        ::SetCursor(::LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW));
        return TRUE;
    }
    return CWnd::OnSetCursor(pWnd, nHitTest, message);
}

BOOL CSplitterWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (CWnd::OnCommand(wParam, lParam)) return TRUE;
    if (CFrameWnd* pFrame = GetParentFrame()) pFrame->SendMessage(WM_COMMAND, wParam, lParam);
    return TRUE;
}

BOOL CSplitterWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (CWnd::OnNotify(wParam, lParam, pResult)) return TRUE;
    if (CFrameWnd* pFrame = GetParentFrame()) *pResult = pFrame->SendMessage(WM_NOTIFY, wParam, lParam);
    return TRUE;
}
