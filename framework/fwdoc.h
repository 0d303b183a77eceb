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
    const CString& GetTitle() const { return m_strTitle; }
    void SetTitle(LPCWSTR lpszTitle) { m_strTitle = lpszTitle; }
    void AddView(CView* pView);
    void RemoveView(CView* pView);
    POSITION GetFirstViewPosition() const;
    CView* GetNextView(POSITION& rPosition) const;
protected:
    CString m_strTitle;
    std::vector<CView*> m_views;
};

class CView : public CWnd {
    DECLARE_DYNAMIC(CView)
public:
    CDocument* GetDocument() const { return m_pDocument; }
    BOOL Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr) override;
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    virtual void OnInitialUpdate();   // repaints the view
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
    afx_msg void OnPaint();   // validates: a plain view has nothing to draw
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

// A view on a child dialog template, fitting its pane (no scrolling).
// OnInitialUpdate runs the data exchange.
class CFormView : public CView {
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
