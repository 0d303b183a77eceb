// The upper right pane: a form view on template 101 whose list control shows
// the items of the folder last clicked in the tree.
#pragma once
#include "framework/framework.h"

#include "app/controls/TransparentStatic.h"
#include "res/resource.h"

class CTarnwellDoc;
struct NodeEntry;
struct ListRowInsert;
struct ListKindSpec;

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

    // The row fillers, one per folder kind, run on the item-list worker:
    // each sets up its columns and lists the folder's children from the
    // first listed one (g_pFolderItems). The label is not read.
    void FillMailList(NodeEntry* pFirstItem, CString strFolderLabel);
    void FillContactList(CString strFolderLabel);
    void FillNoteList(CString strFolderLabel);
    void FillTaskList(CString strFolderLabel);
    void FillJournalList(CString strFolderLabel);
    void FillAppointmentList(CString strFolderLabel);

protected:
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnInitialUpdate() override;

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg void OnCustomDrawProgress(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnListClick(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
    // A row handed over by the item-list worker (see ListRowInsert).
    afx_msg LRESULT OnInsertListRow(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

    void ListFolderItems(const ListKindSpec& kind, NodeEntry* pFirstItem);
    void InsertListRow(const ListRowInsert& row);

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

// The message by which the item-list worker hands finished rows to the view
// (wParam: how many, lParam: the rows): they are inserted with all their
// cells on the user-interface thread, one cross-thread call per batch
// instead of one per cell.
constexpr UINT WM_INSERT_LIST_ROW = WM_APP + 0x110;

// Deletes every column of the item list (the header's count of column 0)
// and hides its header.
void DeleteAllListColumns(HWND list);
// Shows or hides the header of the item list (after columns are inserted,
// and once they are all deleted).
void ShowListHeader(HWND list, bool show);
// Inserts a 30-pixel column without a title that shows an image of the
// list's image list in its header.
void InsertListImageColumn(HWND list, int index, int image);
// The hidden "Index" column of a folder kind's list.
int ListIndexColumn(int nFolderKind);

// The display worker: ShowItem for the view, then the thread slot is freed.
UINT ShowItemThreadProc(LPVOID pParam);
// Runs the renderer of the listed folder's kind for g_nHotItem.
void ShowItem(CTarnwellView* pView);
