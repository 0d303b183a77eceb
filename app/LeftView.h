// The left pane: the loaded store's folder tree with a check box at each
// folder. A click on a check box applies the check rules; a click on a
// folder's label or icon lists its items.
#pragma once
#include "framework/framework.h"

#include <cstdint>

class CTarnwellDoc;
struct NodeEntry;

class CLeftView : public CTreeView {
    DECLARE_DYNCREATE(CLeftView)
protected:
    CLeftView();

public:
    ~CLeftView() override;
    CTarnwellDoc* GetDocument() const;

    // Starts the item-list worker for the folder of the clicked item.
    void StartItemListFill(HTREEITEM item);
    // Depth-first, pre-order search of a sibling chain and its descendants
    // for the node of a 32-bit folder id; sets m_bFolderFound on a match.
    NodeEntry* FindFolderNode(uint32_t nNodeId, NodeEntry* pFirst);
    // Lists one folder (or, for null, empties the list), on the item-list worker.
    void FillItemList(NodeEntry* pFolderNode);

    BOOL m_bFolderFound = FALSE;

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
