// A static text drawn over its parent's background: no background of its
// own, and a text change repaints the parent's area under it first.
#pragma once
#include "framework/framework.h"

class CTransparentStatic : public CStatic {
    DECLARE_DYNAMIC(CTransparentStatic)
public:
    CTransparentStatic() = default;
    ~CTransparentStatic() override = default;

protected:
    afx_msg LRESULT OnSetText(WPARAM wParam, LPARAM lParam);
    afx_msg HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    DECLARE_MESSAGE_MAP()
};

// The reflected colour handler both custom controls share: a transparent
// text background over the parent and no brush of its own.
HBRUSH TransparentCtlColor(CDC* pDC);
