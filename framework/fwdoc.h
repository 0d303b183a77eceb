// Documents, views and the single-document template.
#pragma once
#include <windows.h>
#include <vector>
#include "fwwnd.h"
#include "fwcoll.h"
#include "fwctrls.h"

class CDocument;
class CView;
class CDocTemplate;

// What a frame needs to build its views.
class CCreateContext {
public:
    CRuntimeClass* m_pNewViewClass = nullptr;
    CDocument* m_pCurrentDoc = nullptr;
    CDocTemplate* m_pNewDocTemplate = nullptr;
    CView* m_pLastView = nullptr;
    CFrameWnd* m_pCurrentFrame = nullptr;
};

class CDocument : public CCmdTarget {
    DECLARE_DYNAMIC(CDocument)
public:
    CDocument() = default;
    ~CDocument() override;
    virtual BOOL OnNewDocument();
    // Opens the document's file; the base only checks that the file can be
    // opened for reading and reads nothing.
    virtual BOOL OnOpenDocument(LPCWSTR lpszPathName);
    virtual void OnCloseDocument();
    virtual void DeleteContents() {}
    const CString& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(LPCWSTR lpszTitle) { m_strTitle = lpszTitle; }
    const CString& GetPathName() const { return m_strPathName; }
    virtual void SetPathName(LPCWSTR lpszPathName) { m_strPathName = lpszPathName; }
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    void AddView(CView* pView);
    void RemoveView(CView* pView);
    POSITION GetFirstViewPosition() const;
    CView* GetNextView(POSITION& rPosition) const;
    void UpdateAllViews(CView* pSender, LPARAM lHint = 0, CObject* pHint = nullptr);
    BOOL IsModified() const { return m_bModified; }
    void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }
    CDocTemplate* m_pDocTemplate = nullptr;
protected:
    CString m_strTitle;
    CString m_strPathName;
    BOOL m_bModified = FALSE;
    std::vector<CView*> m_views;
};

class CView : public CWnd {
    DECLARE_DYNAMIC(CView)
public:
    CDocument* GetDocument() const { return m_pDocument; }
    BOOL Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr) override;
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    virtual void OnInitialUpdate();   // calls OnUpdate
    virtual void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint);
    virtual void OnDraw(CDC* pDC) {}
    virtual void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView);
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override;   // view, then document
    void PostNcDestroy() override;   // views delete themselves
protected:
    CView() = default;
    ~CView() override;
    CDocument* m_pDocument = nullptr;
    CCreateContext* m_pCreateContext = nullptr;   // valid during creation only
    afx_msg int OnCreate(LPCREATESTRUCTW lpcs);
    afx_msg void OnDestroy();
    afx_msg void OnPaint();
    afx_msg int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
    afx_msg LRESULT OnInitialUpdateMessage(WPARAM, LPARAM);
    afx_msg BOOL OnSplitCmd(UINT nID);
    afx_msg void OnUpdateSplitCmd(CCmdUI* pCmdUI);
    class CSplitterWnd* GetParentSplitter() const;
    DECLARE_MESSAGE_MAP()
    friend class CDocument;
};

// A view that is a control of the given window class.
class CCtrlView : public CView {
    DECLARE_DYNAMIC(CCtrlView)
public:
    CCtrlView(LPCWSTR lpszClass, DWORD dwStyle) : m_strClass(lpszClass), m_dwDefaultStyle(dwStyle) {}
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
protected:
    CString m_strClass;
    DWORD m_dwDefaultStyle;
    afx_msg void OnPaint();   // the control paints itself
    DECLARE_MESSAGE_MAP()
};

class CTreeView : public CCtrlView {
    DECLARE_DYNCREATE(CTreeView)
public:
    CTreeView() : CCtrlView(WC_TREEVIEWW, AFX_WS_DEFAULT_VIEW) {}
    CTreeCtrl& GetTreeCtrl() const { return *reinterpret_cast<CTreeCtrl*>(const_cast<CTreeView*>(this)); }
};

class CListView : public CCtrlView {
    DECLARE_DYNCREATE(CListView)
public:
    CListView() : CCtrlView(WC_LISTVIEWW, AFX_WS_DEFAULT_VIEW) {}
    CListCtrl& GetListCtrl() const { return *reinterpret_cast<CListCtrl*>(const_cast<CListView*>(this)); }
};

// The base of form views. The program's forms fit their panes: no
// scrolling is kept here, only the class and its handlers' names.
class CScrollView : public CView {
    DECLARE_DYNAMIC(CScrollView)
protected:
    CScrollView() = default;
};

// A view on a child dialog template. OnInitialUpdate runs the data exchange.
class CFormView : public CScrollView {
    DECLARE_DYNAMIC(CFormView)
public:
    BOOL Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr) override;
    void OnInitialUpdate() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;   // dialog keys within the form
protected:
    explicit CFormView(UINT nIDTemplate) : m_lpszTemplateName(MAKEINTRESOURCEW(nIDTemplate)) {}
    explicit CFormView(LPCWSTR lpszTemplateName) : m_lpszTemplateName(lpszTemplateName) {}
    LPCWSTR m_lpszTemplateName;
};

class CDocTemplate : public CCmdTarget {
    DECLARE_DYNAMIC(CDocTemplate)
public:
    enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };
    UINT GetResourceID() const { return m_nIDResource; }
    BOOL GetDocString(CString& rString, DocStringIndex index) const;
    virtual CDocument* OpenDocumentFile(LPCWSTR lpszPathName, BOOL bMakeVisible = TRUE) = 0;
    virtual CDocument* CreateNewDocument();
    virtual CFrameWnd* CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther);
    virtual void InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible = TRUE);
    virtual void CloseAllDocuments(BOOL bEndSession) = 0;
protected:
    CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass, CRuntimeClass* pViewClass);
    UINT m_nIDResource;
    CRuntimeClass* m_pDocClass;
    CRuntimeClass* m_pFrameClass;
    CRuntimeClass* m_pViewClass;
    CString m_strDocStrings;
};

class CSingleDocTemplate : public CDocTemplate {
    DECLARE_DYNAMIC(CSingleDocTemplate)
public:
    CSingleDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass, CRuntimeClass* pViewClass);
    ~CSingleDocTemplate() override;
    // Null path: a new, empty document. Otherwise the file must open for
    // reading (else a message and null). Creates the frame on first use.
    CDocument* OpenDocumentFile(LPCWSTR lpszPathName, BOOL bMakeVisible = TRUE) override;
    void CloseAllDocuments(BOOL bEndSession) override;
    CDocument* GetDocument() const { return m_pOnlyDoc; }
protected:
    CDocument* m_pOnlyDoc = nullptr;
};
