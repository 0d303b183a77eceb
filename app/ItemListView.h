// The upper right pane: a form view on template 101 whose list control shows
// the items of the folder last clicked in the tree.
#pragma once
#include "framework/framework.h"

#include "app/controls/TransparentStatic.h"
#include "res/resource.h"

class CTarnwellDoc;

class CTarnwellView : public CFormView {
    DECLARE_DYNCREATE(CTarnwellView)
protected:
    CTarnwellView();

public:
    enum { IDD = IDD_TARNWELL_FORM };
    ~CTarnwellView() override;
    CTarnwellDoc* GetDocument() const;

    CListCtrl& GetList() { return m_list; }
    CTransparentStatic& GetFolderCaption() { return m_folderCaption; }

protected:
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnInitialUpdate() override;

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    DECLARE_MESSAGE_MAP()

private:
    CProgressCtrl m_progress;
    CListCtrl m_list;
    CTransparentStatic m_spareLabel;
    CTransparentStatic m_pathLabel;
    CButton m_selectButton;
    CButton m_searchButton;
    CButton m_startButton;
    CButton m_cancelButton;
    CFont m_font;
    LOGFONTW m_logFont = {};
    CTransparentStatic m_folderCaption;
    CImageList m_imageList;
};

// The list control of the item list view (set in OnInitialUpdate).
extern CListCtrl* g_pItemList;
// The list's rectangle from the template, in the view's client coordinates.
extern RECT g_rcItemList;

// Empties the item list's folder caption (1021).
void ClearFolderCaption();
// Deletes every column and row of the item list and puts back the mail
// columns: two 30-pixel image columns (images 0 and 1), "From", "To",
// "Subject" and "Date/Time".
void ResetItemListColumns();
