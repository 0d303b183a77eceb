// The lower right pane (the body pane): a form view on template 317 with the
// item's header fields, the label/value list and the RTF view.
#pragma once
#include "framework/framework.h"

#include "app/controls/TransparentStatic.h"
#include "res/resource.h"

class CMailItemsBody : public CFormView {
    DECLARE_DYNCREATE(CMailItemsBody)
protected:
    CMailItemsBody();

public:
    enum { IDD = IDD_MAIL_BODY };
    ~CMailItemsBody() override;

    // Hides the RTF view and the label list, collapses the browser at its
    // recorded corner and empties the To, Subject, From and attachment texts.
    void ClearItem();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnInitialUpdate() override;

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    DECLARE_MESSAGE_MAP()

private:
    CTransparentStatic m_toLabel;
    CTransparentStatic m_fromLabel;
    CTransparentStatic m_subjectLabel;
    CTransparentStatic m_ccLabel;
    CWnd m_browser;
    CListCtrl m_valueList;
    CFont m_font;
    LOGFONTW m_logFont = {};
    CRichEditCtrl m_richEdit;
    CTransparentStatic m_toValue;
    CTransparentStatic m_subjectValue;
    CTransparentStatic m_fromValue;
    CTransparentStatic m_bodyLabel;
    CTransparentStatic m_attachmentLabel;
    CTransparentStatic m_attachmentValue;
};

// Layout rectangles in the body pane's client coordinates.
extern RECT g_rcBodyView;
extern RECT g_rcBodyBrowser;
extern RECT g_rcBodyRichEdit;
extern RECT g_rcBodyList;

// Clears the body pane through g_pMailItemsBody (see ClearItem).
void ClearItemView();
