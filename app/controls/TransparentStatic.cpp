#include "app/controls/TransparentStatic.h"

IMPLEMENT_DYNAMIC(CTransparentStatic, CStatic)

BEGIN_MESSAGE_MAP(CTransparentStatic, CStatic)
    ON_MESSAGE(WM_SETTEXT, &CTransparentStatic::OnSetText)
    ON_WM_CTLCOLOR_REFLECT()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

HBRUSH TransparentCtlColor(CDC* pDC) {
    pDC->SetBkMode(TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

LRESULT CTransparentStatic::OnSetText(WPARAM wParam, LPARAM lParam) {
    LRESULT result = Default();
    // The control paints no background, so the parent must wipe the old text.
    CWnd* parent = GetParent();
    if (parent != nullptr) {
        CRect rect;
        GetWindowRect(&rect);
        parent->ScreenToClient(&rect);
        parent->InvalidateRect(&rect, TRUE);
        parent->UpdateWindow();
    }
    return result;
}

HBRUSH CTransparentStatic::CtlColor(CDC* pDC, UINT nCtlColor) { return TransparentCtlColor(pDC); }

BOOL CTransparentStatic::OnEraseBkgnd(CDC* pDC) { return static_cast<BOOL>(Default()); }
