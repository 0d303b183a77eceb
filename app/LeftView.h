// The left pane: the loaded store's folder tree with a check box at each
// folder. A click on a check box applies the check rules; a click on a
// folder's label or icon lists its items.
#pragma once
#include "framework/framework.h"

class CTarnwellDoc;

class CLeftView : public CTreeView {
    DECLARE_DYNCREATE(CLeftView)
protected:
    CLeftView();

public:
    ~CLeftView() override;
    CTarnwellDoc* GetDocument() const;

    // Starts the item-list worker for the folder of the clicked item.
    void StartItemListFill(HTREEITEM item);

protected:
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    void OnInitialUpdate() override;

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()

private:
    CFont m_font;
    LOGFONTW m_logFont = {};
    CImageList m_imageList;
};

// Appends the checked folders of the tree to g_listExportFolders (pre-order,
// top-level items left out). The caller empties the list first.
BOOL CollectCheckedFolders();

// The font of the tree and the item list: the system font's face at 10
// points, normal weight, face "Arial Unicode MS".
void MakeListFont(CFont& font, LOGFONTW& logFont);
