#include "app/controls/URLLinkButton.h"

#include "app/controls/TransparentStatic.h"

HCURSOR g_hHandCursor = nullptr;

BEGIN_MESSAGE_MAP(CURLLinkButton, CButton)
    ON_WM_MOUSEMOVE()
    ON_WM_MOUSELEAVE()
    ON_WM_MOUSEHOVER()
    ON_WM_SETCURSOR()
    ON_WM_KILLFOCUS()
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

CURLLinkButton::CURLLinkButton()
    : m_crNormal(GetSysColor(COLOR_HIGHLIGHT)),
      m_crHover(GetSysColor(COLOR_HOTLIGHT)),
      m_crVisited(RGB(128, 0, 128)),
      m_crDisabled(GetSysColor(COLOR_GRAYTEXT)) {
    if (g_hHandCursor == nullptr) g_hHandCursor = LoadCursor(nullptr, IDC_HAND);
}

CURLLinkButton::~CURLLinkButton() { delete m_pLinkFont; }

COLORREF CURLLinkButton::CurrentTextColor() const {
    if (!::IsWindowEnabled(m_hWnd)) return m_crDisabled;
    if (m_bHover) return m_crHover;
    if (m_bVisited) return m_crVisited;
    return m_crNormal;
}

void CURLLinkButton::PreSubclassWindow() {
    ModifyStyle(0x1, BS_OWNERDRAW);
    CButton::PreSubclassWindow();
}

void CURLLinkButton::ActivateToolTip(BOOL activate) {
    if (::IsWindow(m_toolTip.m_hWnd) && m_toolTip.GetToolCount() > 0) m_toolTip.Activate(activate);
}

BOOL CURLLinkButton::PreTranslateMessage(MSG* pMsg) {
    // Enter and Space never click a link: it responds to the mouse only.
    if (pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_SPACE || pMsg->wParam == VK_RETURN)) {
        m_bKeyDown = TRUE;
        return TRUE;
    }
    if (pMsg->message == WM_KEYUP && pMsg->wParam == VK_SPACE) return TRUE;
    if (pMsg->message == WM_KEYUP && pMsg->wParam == VK_RETURN && m_bKeyDown) {
        m_bKeyDown = FALSE;
        return TRUE;
    }
    if (::IsWindow(m_toolTip.m_hWnd)) m_toolTip.RelayEvent(pMsg);
    m_bKeyDown = FALSE;
    return CButton::PreTranslateMessage(pMsg);
}

void CURLLinkButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
    CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);
    if (m_pLinkFont == nullptr) {
        LOGFONTW lf = {};
        HFONT current = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT, 0, 0));
        if (current == nullptr) current = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        ::GetObjectW(current, sizeof(lf), &lf);
        lf.lfHeight = 14;
        lf.lfWeight = 800;
        lf.lfUnderline = TRUE;
        m_pLinkFont = new CFont;
        m_pLinkFont->CreateFontIndirect(&lf);
    }
    pDC->SetTextColor(CurrentTextColor());
    pDC->SetBkMode(TRANSPARENT);
    CFont* oldFont = pDC->SelectObject(m_pLinkFont);
    CString text;
    GetWindowText(text);
    CRect rect(lpDrawItemStruct->rcItem);
    pDC->DrawText(text, &rect, DT_SINGLELINE);
    pDC->SelectObject(oldFont);
}

void CURLLinkButton::OnMouseMove(UINT nFlags, CPoint point) {
    if (!m_bTracking) {
        TRACKMOUSEEVENT tme = {sizeof(tme), TME_HOVER | TME_LEAVE, m_hWnd, 1};
        m_bTracking = _TrackMouseEvent(&tme);
    }
    Default();
}

void CURLLinkButton::OnMouseHover(UINT nFlags, CPoint point) {
    m_bHover = TRUE;
    InvalidateRect(nullptr, TRUE);
    ActivateToolTip(TRUE);
}

void CURLLinkButton::OnMouseLeave() {
    m_bTracking = FALSE;
    m_bHover = FALSE;
    InvalidateRect(nullptr, TRUE);
    ActivateToolTip(FALSE);
}

BOOL CURLLinkButton::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
    if (nHitTest == HTCLIENT && g_hHandCursor != nullptr) {
        ::SetCursor(g_hHandCursor);
        return TRUE;
    }
    return static_cast<BOOL>(Default());
}

void CURLLinkButton::OnKillFocus(CWnd* pNewWnd) {
    Default();
    InvalidateRect(nullptr, TRUE);
}

HBRUSH CURLLinkButton::CtlColor(CDC* pDC, UINT nCtlColor) { return TransparentCtlColor(pDC); }
