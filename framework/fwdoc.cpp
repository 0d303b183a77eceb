// Documents, views and the single-document template.
#include "framework/fwdoc.h"
#include "framework/fwframe.h"
#include "framework/fwapp.h"
#include "framework/fwocc.h"
#include <algorithm>
#include <vector>

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)
IMPLEMENT_DYNAMIC(CView, CWnd)
IMPLEMENT_DYNAMIC(CCtrlView, CView)
IMPLEMENT_DYNCREATE(CTreeView, CCtrlView)
IMPLEMENT_DYNAMIC(CFormView, CView)
IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CSingleDocTemplate, CDocTemplate)

// ---------------------------------------------------------------------------
// CDocument

CDocument::~CDocument() {
    for (CView* v : m_views) v->m_pDocument = nullptr;
}

BOOL CDocument::OnNewDocument() { return TRUE; }

BOOL CDocument::OnOpenDocument(LPCWSTR lpszPathName) {
    HANDLE h = ::CreateFileW(lpszPathName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        CString text(lpszPathName);
        text += L"\nFailed to open document.";
        AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    ::CloseHandle(h);
    return TRUE;
}

void CDocument::OnCloseDocument() {
    // Destroying the frames destroys the views; then the document goes.
    std::vector<HWND> frames;
    for (CView* v : m_views)
        if (CFrameWnd* f = v->GetParentFrame()) frames.push_back(f->m_hWnd);
    for (HWND h : frames)
        if (::IsWindow(h)) ::DestroyWindow(h);
    delete this;
}

void CDocument::AddView(CView* pView) {
    if (std::find(m_views.begin(), m_views.end(), pView) != m_views.end()) return;
    m_views.push_back(pView);
    pView->m_pDocument = this;
}

void CDocument::RemoveView(CView* pView) {
    m_views.erase(std::remove(m_views.begin(), m_views.end(), pView), m_views.end());
    pView->m_pDocument = nullptr;
}

// Positions are 1-based indices into the view list.
POSITION CDocument::GetFirstViewPosition() const {
    return m_views.empty() ? nullptr : reinterpret_cast<POSITION>((INT_PTR)1);
}

CView* CDocument::GetNextView(POSITION& rPosition) const {
    size_t i = (size_t)reinterpret_cast<INT_PTR>(rPosition) - 1;
    if (i >= m_views.size()) {
        rPosition = nullptr;
        return nullptr;
    }
    rPosition = i + 1 < m_views.size() ? reinterpret_cast<POSITION>((INT_PTR)(i + 2)) : nullptr;
    return m_views[i];
}

// ---------------------------------------------------------------------------
// CView

BEGIN_MESSAGE_MAP(CView, CWnd)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_WM_PAINT()
    ON_WM_MOUSEACTIVATE()
    ON_MESSAGE(WM_INITIALUPDATE, &CView::OnInitialUpdateMessage)
    ON_COMMAND_EX(ID_WINDOW_SPLIT, &CView::OnSplitCmd)
    ON_UPDATE_COMMAND_UI(ID_WINDOW_SPLIT, &CView::OnUpdateSplitCmd)
END_MESSAGE_MAP()

namespace {
LPCWSTR ViewWndClass() {
    static LPCWSTR name = AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                                              ::LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW), (HBRUSH)(COLOR_WINDOW + 1));
    return name;
}
}  // namespace

CView::~CView() {
    if (m_pDocument) m_pDocument->RemoveView(this);
}

BOOL CView::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!cs.lpszClass) cs.lpszClass = ViewWndClass();
    cs.style |= WS_CLIPSIBLINGS;
    return TRUE;
}

BOOL CView::Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                   CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
    m_pCreateContext = pContext;
    if (!CWnd::Create(lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext)) return FALSE;
    m_pCreateContext = nullptr;
    return TRUE;
}

int CView::OnCreate(LPCREATESTRUCTW lpcs) {
    if (CWnd::OnCreate(lpcs) == -1) return -1;
    if (m_pCreateContext && m_pCreateContext->m_pCurrentDoc) m_pCreateContext->m_pCurrentDoc->AddView(this);
    return 0;
}

void CView::OnDestroy() {
    CFrameWnd* pFrame = GetParentFrame();
    if (pFrame && pFrame->GetActiveView() == this) pFrame->SetActiveView(nullptr, FALSE);
    CWnd::OnDestroy();
}

void CView::PostNcDestroy() { delete this; }

void CView::OnPaint() { CPaintDC dc(this); }

int CView::OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message) {
    int nResult = CWnd::OnMouseActivate(pDesktopWnd, nHitTest, message);
    if (nResult == MA_NOACTIVATE || nResult == MA_NOACTIVATEANDEAT) return nResult;
    if (CFrameWnd* pFrame = GetParentFrame()) {
        if (pFrame->GetActiveView() != this) pFrame->SetActiveView(this);
    }
    return nResult;
}

LRESULT CView::OnInitialUpdateMessage(WPARAM, LPARAM) {
    OnInitialUpdate();
    return 0;
}

CSplitterWnd* CView::GetParentSplitter() const {
    return dynamic_cast<CSplitterWnd*>(CWnd::FromHandlePermanent(::GetParent(m_hWnd)));
}

BOOL CView::OnSplitCmd(UINT) {
    CSplitterWnd* pSplitter = GetParentSplitter();
    return pSplitter && pSplitter->DoKeyboardSplit();
}

void CView::OnUpdateSplitCmd(CCmdUI* pCmdUI) {
    CSplitterWnd* pSplitter = GetParentSplitter();
    pCmdUI->Enable(pSplitter && !pSplitter->IsTracking() &&
                   (pSplitter->GetColumnCount() > 1 || pSplitter->GetRowCount() > 1));
}

void CView::OnInitialUpdate() { Invalidate(TRUE); }

void CView::OnActivateView(BOOL bActivate, CView* pActivateView, CView*) {
    if (bActivate && pActivateView == this) {
        HWND hFocus = ::GetFocus();
        if (hFocus != m_hWnd && !::IsChild(m_hWnd, hFocus)) ::SetFocus(m_hWnd);
    }
}

BOOL CView::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) {
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    return m_pDocument && m_pDocument->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

// ---------------------------------------------------------------------------
// CCtrlView

BEGIN_MESSAGE_MAP(CCtrlView, CView)
    ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL CCtrlView::PreCreateWindow(CREATESTRUCTW& cs) {
    cs.lpszClass = m_strClass;
    cs.style |= m_dwDefaultStyle;
    return CView::PreCreateWindow(cs);
}

void CCtrlView::OnPaint() { Default(); }

// ---------------------------------------------------------------------------
// CFormView

BOOL CFormView::Create(LPCWSTR, LPCWSTR, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID,
                       CCreateContext* pContext) {
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hRes = ::FindResourceW(hInst, m_lpszTemplateName, (LPCWSTR)RT_DIALOG);
    HGLOBAL hGlobal = hRes ? ::LoadResource(hInst, hRes) : nullptr;
    const BYTE* pRes = hGlobal ? static_cast<const BYTE*>(::LockResource(hGlobal)) : nullptr;
    DWORD cbRes = hRes ? ::SizeofResource(hInst, hRes) : 0;
    if (!pRes || cbRes < sizeof(DLGTEMPLATE)) {
        PostNcDestroy();
        return FALSE;
    }
    // A form is a child control window whatever its template says.
    std::vector<BYTE> tmpl(pRes, pRes + cbRes);
    bool bExtended = cbRes >= 16 && tmpl[0] == 1 && tmpl[1] == 0 && tmpl[2] == 0xFF && tmpl[3] == 0xFF;
    DWORD* pStyle = reinterpret_cast<DWORD*>(tmpl.data() + (bExtended ? 12 : 0));
    *pStyle = (*pStyle & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME | WS_VISIBLE |
                           WS_DISABLED | DS_SYSMODAL | DS_ABSALIGN)) |
              WS_CHILD | DS_CONTROL;

    // ActiveX control items are made by the control container once the form exists.
    std::vector<FwOleControlItem> controls;
    if (AfxControlContainerEnabled()) controls = AfxOccSplitTemplate(tmpl);

    m_pCreateContext = pContext;
    AfxHookWindowCreate(this);
    HWND h = ::CreateDialogIndirectParamW(hInst, reinterpret_cast<LPCDLGTEMPLATEW>(tmpl.data()),
                                          pParentWnd->GetSafeHwnd(), &AfxDlgProc, 0);
    if (!AfxUnhookWindowCreate()) {
        PostNcDestroy();
        return FALSE;
    }
    if (!h) return FALSE;   // destroyed during creation: already deleted
    m_pCreateContext = nullptr;
    AfxOccCreateControls(h, controls);
    SetDlgCtrlID((int)nID);
    ::SetWindowPos(h, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    if (dwStyle & WS_VISIBLE) ::ShowWindow(h, SW_SHOWNORMAL);
    return TRUE;
}

void CFormView::OnInitialUpdate() {
    UpdateData(FALSE);
    CView::OnInitialUpdate();
}

BOOL CFormView::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return FALSE;
    // The frame's accelerators first: the dialog manager would eat them.
    for (HWND h = ::GetParent(m_hWnd); h; h = ::GetParent(h)) {
        CWnd* p = CWnd::FromHandlePermanent(h);
        if (p && p->IsKindOf(RUNTIME_CLASS(CFrameWnd)) && p->PreTranslateMessage(pMsg)) return TRUE;
    }
    return ::IsDialogMessageW(m_hWnd, pMsg);
}

// ---------------------------------------------------------------------------
// Templates

CDocTemplate::CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                           CRuntimeClass* pViewClass)
    : m_nIDResource(nIDResource), m_pDocClass(pDocClass), m_pFrameClass(pFrameClass), m_pViewClass(pViewClass) {}

CDocument* CDocTemplate::CreateNewDocument() {
    CObject* p = m_pDocClass ? m_pDocClass->CreateObject() : nullptr;
    CDocument* pDoc = dynamic_cast<CDocument*>(p);
    if (!pDoc) {
        delete p;
        return nullptr;
    }
    return pDoc;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc, CFrameWnd*) {
    CCreateContext context;
    context.m_pCurrentDoc = pDoc;
    context.m_pNewViewClass = m_pViewClass;
    CObject* p = m_pFrameClass ? m_pFrameClass->CreateObject() : nullptr;
    CFrameWnd* pFrame = dynamic_cast<CFrameWnd*>(p);
    if (!pFrame) {
        delete p;
        return nullptr;
    }
    // On failure the frame has deleted itself.
    if (!pFrame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW, nullptr, &context)) return nullptr;
    return pFrame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible) {
    pFrame->InitialUpdateFrame(pDoc, bMakeVisible);
}

CSingleDocTemplate::CSingleDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                                       CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass) {}

CSingleDocTemplate::~CSingleDocTemplate() { delete m_pOnlyDoc; }

CDocument* CSingleDocTemplate::OpenDocumentFile(LPCWSTR lpszPathName, BOOL bMakeVisible) {
    CDocument* pDoc = m_pOnlyDoc;
    bool bCreatedDoc = false;
    if (!pDoc) {
        pDoc = CreateNewDocument();
        if (!pDoc) return nullptr;
        m_pOnlyDoc = pDoc;
        bCreatedDoc = true;
    }
    CFrameWnd* pFrame = nullptr;
    POSITION pos = pDoc->GetFirstViewPosition();
    if (pos) pFrame = pDoc->GetNextView(pos)->GetParentFrame();
    bool bCreatedFrame = false;
    if (!pFrame) {
        pFrame = CreateNewFrame(pDoc, nullptr);
        if (!pFrame) {
            if (bCreatedDoc) {
                delete pDoc;
                m_pOnlyDoc = nullptr;
            }
            return nullptr;
        }
        bCreatedFrame = true;
    }
    BOOL ok;
    if (!lpszPathName) {
        pDoc->SetTitle(L"Untitled");
        ok = pDoc->OnNewDocument();
    } else {
        ok = pDoc->OnOpenDocument(lpszPathName);
        if (ok) {
            CString path(lpszPathName);
            int slash = (int)path.str().find_last_of(L"\\/");
            pDoc->SetTitle(path.Mid(slash + 1));
            if (CWinApp* pApp = AfxGetApp()) pApp->AddToRecentFileList(lpszPathName);
        }
    }
    if (!ok) {
        if (bCreatedFrame) pFrame->DestroyWindow();
        return nullptr;
    }
    CWinApp* pApp = AfxGetApp();
    if (bCreatedFrame && pApp && !pApp->m_pMainWnd) pApp->m_pMainWnd = pFrame;
    InitialUpdateFrame(pFrame, pDoc, bMakeVisible);
    return pDoc;
}

void CSingleDocTemplate::CloseAllDocuments(BOOL) {
    if (!m_pOnlyDoc) return;
    CDocument* pDoc = m_pOnlyDoc;
    m_pOnlyDoc = nullptr;
    pDoc->OnCloseDocument();
}
