// An owner-drawn push button that looks and behaves like a hyperlink: bold
// underlined text in the link colour, the hover colour under the mouse, the
// visited colour once its owner opened the link. It answers the mouse only.
#pragma once
#include "framework/framework.h"

class CURLLinkButton : public CButton {
public:
    CURLLinkButton();
    ~CURLLinkButton() override;

    void SetVisited(BOOL visited) { m_bVisited = visited; }
    BOOL IsVisited() const { return m_bVisited; }
    BOOL IsHover() const { return m_bHover; }
    // The colour the next paint uses for the text.
    COLORREF CurrentTextColor() const;

    COLORREF m_crNormal;
    COLORREF m_crHover;
    COLORREF m_crVisited;
    COLORREF m_crDisabled;

    BOOL PreTranslateMessage(MSG* pMsg) override;
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

protected:
    void PreSubclassWindow() override;

    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnMouseLeave();
    afx_msg void OnMouseHover(UINT nFlags, CPoint point);
    afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    afx_msg void OnKillFocus(CWnd* pNewWnd);
    afx_msg HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
    DECLARE_MESSAGE_MAP()

private:
    void ActivateToolTip(BOOL activate);

    BOOL m_bHover = FALSE;
    BOOL m_bTracking = FALSE;
    BOOL m_bKeyDown = FALSE;
    BOOL m_bVisited = FALSE;
    CFont* m_pLinkFont = nullptr;
    CToolTipCtrl m_toolTip;
};

// The hand cursor shared by every link button, loaded by the first one.
extern HCURSOR g_hHandCursor;
