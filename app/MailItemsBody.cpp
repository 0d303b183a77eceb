#include "app/MailItemsBody.h"

#include "app/AppGlobals.h"
#include "app/LeftView.h"

IMPLEMENT_DYNCREATE(CExplorer_html_data, CWnd)
IMPLEMENT_DYNCREATE(CMailItemsBody, CFormView)

BEGIN_MESSAGE_MAP(CMailItemsBody, CFormView)
    ON_WM_CTLCOLOR()
    ON_WM_CREATE()
    ON_WM_SIZE()
END_MESSAGE_MAP()

RECT g_rcBodyView = {};
RECT g_rcBodyBrowser = {};
RECT g_rcBodyRichEdit = {};
RECT g_rcBodyList = {};
std::atomic<int> g_nBodyKind{0};

namespace {

// The body files are written in pieces of this size, each at its own offset.
constexpr UINT kBodyChunk = 4096;

RECT ChildRect(CWnd& parent, CWnd& child) {
    CRect rect;
    child.GetWindowRect(&rect);
    parent.ScreenToClient(&rect);
    return rect;
}

// The user's temporary folder (ends in a backslash) + the file name.
CString TempBodyPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH + 1] = L"";
    g_Seams.GetTempPath(MAX_PATH, folder);
    return CString(folder) + name;
}

// Creates (or truncates) the file and writes the bytes in pieces; a file
// that cannot be opened is left as it is, silently.
void WriteBodyFile(const CString& path, const void* bytes, size_t count) {
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    CFile file;
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite)) return;
    const BYTE* p = static_cast<const BYTE*>(bytes);
    for (size_t offset = 0; p && offset < count; offset += kBodyChunk) {
        const size_t piece = count - offset < kBodyChunk ? count - offset : kBodyChunk;
        file.Seek(static_cast<LONGLONG>(offset), CFile::begin);
        if (!file.Write(p + offset, static_cast<UINT>(piece))) break;
    }
    file.Close();
}

bool IsControl(CWnd& control) { return ::IsWindow(control.GetSafeHwnd()) != FALSE; }

void Place(CWnd& control, int x, int y, int cx, int cy) {
    if (!IsControl(control)) return;
    control.SetWindowPos(g_pMailItemsBody, x, y, cx, cy, SWP_NOZORDER);
}

}  // namespace

// ---- the browser wrapper ----

BOOL CExplorer_html_data::Create(LPCWSTR, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                                 UINT nID, CCreateContext*) {
    return CreateControl(CLSID_FwWebBrowser, lpszWindowName, dwStyle, rect, pParentWnd, nID);
}

void CExplorer_html_data::Navigate(LPCWSTR url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                                   VARIANT* headers) {
    static const BYTE kParams[] = VTS_BSTR VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT;
    InvokeHelper(kDispidNavigate, DISPATCH_METHOD, VT_EMPTY, nullptr, kParams, url, flags, targetFrameName, postData,
                 headers);
}

// ---- placements ----

void PlaceFullBody(CWnd& control, bool onResize) {
    Place(control, onResize ? g_rcBodyView.left : g_rcBodyBrowser.left, g_rcBodyBrowser.top, g_rcBodyView.right - 10,
          g_rcBodyView.bottom - 70);
}

void PlaceLeftList(CWnd& control) {
    Place(control, g_rcBodyList.left, g_rcBodyList.top, g_rcBodyList.right, g_rcBodyView.bottom - 70);
}

void PlaceRightOfList(CWnd& control) {
    Place(control, g_rcBodyRichEdit.left, g_rcBodyRichEdit.top,
          g_rcBodyView.right - 10 - (g_rcBodyList.right - g_rcBodyList.left), g_rcBodyView.bottom - 70);
}

void CollapseAt(CWnd& control, int x, int y) { Place(control, x, y, 0, 0); }

// ---- the pane ----

void ClearItemView() {
    if (g_pMailItemsBody != nullptr) g_pMailItemsBody->ClearItem();
}

CMailItemsBody::CMailItemsBody() : CFormView(IDD_MAIL_BODY) { VariantInit(&m_varEmpty); }
CMailItemsBody::~CMailItemsBody() {
    if (g_pMailItemsBody == this) g_pMailItemsBody = nullptr;
}

void CMailItemsBody::DoDataExchange(CDataExchange* pDX) {
    CFormView::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TO_LABEL, m_toLabel);
    DDX_Control(pDX, IDC_FROM_LABEL, m_fromLabel);
    DDX_Control(pDX, IDC_SUBJECT_LABEL, m_subjectLabel);
    DDX_Control(pDX, IDC_CC_LABEL, m_ccLabel);
    DDX_Control(pDX, IDC_BROWSER, m_browser);
    DDX_Control(pDX, IDC_VALUE_LIST, m_valueList);
    DDX_Control(pDX, IDC_RTF_BODY, m_richEdit);
    DDX_Control(pDX, IDC_TO_VALUE, m_toValue);
    DDX_Control(pDX, IDC_BODY_LABEL, m_bodyLabel);
    DDX_Control(pDX, IDC_SUBJECT_VALUE, m_subjectValue);
    DDX_Control(pDX, IDC_FROM_VALUE, m_fromValue);
    DDX_Control(pDX, IDC_ATTACHMENT_LABEL, m_attachmentLabel);
    DDX_Control(pDX, IDC_ATTACHMENT_VALUE, m_attachmentValue);
}

int CMailItemsBody::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CFormView::OnCreate(lpCreateStruct) == -1) return -1;
    g_pMailItemsBody = this;
    return 0;
}

void CMailItemsBody::OnInitialUpdate() {
    CFormView::OnInitialUpdate();
    g_rcBodyView = ChildRect(*this, *this);
    g_rcBodyBrowser = ChildRect(*this, m_browser);
    g_rcBodyRichEdit = ChildRect(*this, m_richEdit);
    g_rcBodyList = ChildRect(*this, m_valueList);
    m_valueList.ShowWindow(SW_HIDE);
    m_richEdit.ShowWindow(SW_HIDE);
    m_bodyLabel.ShowWindow(SW_HIDE);
    MakeListFont(m_font, m_logFont);
    m_valueList.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_font.GetSafeHandle()), TRUE);
}

void CMailItemsBody::OnSize(UINT nType, int cx, int cy) {
    CFormView::OnSize(nType, cx, cy);
    g_rcBodyView = ChildRect(*this, *this);
    // The browser is never hidden, only collapsed: laid out while the pane
    // holds no body, it would show the body of an item no longer shown.
    const bool browser = m_bHoldsBody;
    switch (g_nFolderKind) {
    case kFolderKindMail:
    case kFolderKindMailPlain:
        if (browser) PlaceFullBody(m_browser, true);
        break;
    case kFolderKindMailRtf:
        PlaceFullBody(m_richEdit, true);
        break;
    case kFolderKindStickyNote:
    case kFolderKindTask:
        if (g_nBodyKind == 3) PlaceFullBody(m_richEdit, true);
        else if (g_nBodyKind == 0 && browser) PlaceFullBody(m_browser, true);
        break;
    case kFolderKindJournal:
        CollapseAt(m_browser, g_rcBodyBrowser.left, g_rcBodyBrowser.top);
        PlaceLeftList(m_valueList);
        PlaceRightOfList(m_richEdit);
        break;
    case kFolderKindCalendar:
        switch (g_nBodyKind) {
        case 1:
        case 3:
            m_richEdit.ShowWindow(SW_HIDE);
            PlaceLeftList(m_valueList);
            if (browser) PlaceRightOfList(m_browser);
            break;
        case 2:
            CollapseAt(m_browser, 0, 0);
            PlaceLeftList(m_valueList);
            PlaceRightOfList(m_richEdit);
            break;
        case 4:
            CollapseAt(m_browser, g_rcBodyRichEdit.left, g_rcBodyRichEdit.top);
            PlaceLeftList(m_valueList);
            m_richEdit.ShowWindow(SW_HIDE);
            break;
        default:
            break;
        }
        break;
    default:   // contacts and anything else keep their places
        break;
    }
}

void CMailItemsBody::ClearItem() {
    m_bHoldsBody = false;
    m_richEdit.ShowWindow(SW_HIDE);
    CollapseAt(m_browser, g_rcBodyBrowser.left, g_rcBodyBrowser.top);
    m_valueList.ShowWindow(SW_HIDE);
    m_toValue.SetWindowText(L"");
    m_subjectValue.SetWindowText(L"");
    m_fromValue.SetWindowText(L"");
    m_attachmentValue.SetWindowText(L"");
}

HBRUSH CMailItemsBody::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    CFormView::OnCtlColor(pDC, pWnd, nCtlColor);
    return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

void CMailItemsBody::NavigateBrowser(const CString& path) {
    try {
        m_browser.Navigate(path, &m_varEmpty, &m_varEmpty, &m_varEmpty, &m_varEmpty);
    } catch (...) {
        // Nothing is reported: the pane shows what it can.
    }
}

// ---- body operations ----

void ShowHtmlBody(CMailItemsBody* pane, const char* bytes, size_t count) {
    if (pane == nullptr) return;
    pane->m_strBodyPath = TempBodyPath(L"QM_Html_Body.html");
    WriteBodyFile(pane->m_strBodyPath, bytes, bytes ? count : 0);
    pane->m_bHoldsBody = true;
    // A calendar item's browser keeps its place right of the label list.
    if (g_nFolderKind != kFolderKindCalendar) PlaceFullBody(pane->m_browser);
    pane->NavigateBrowser(pane->m_strBodyPath);
}

void ShowPlainBody(const wchar_t* text, CMailItemsBody* pane) {
    if (pane == nullptr) return;
    pane->m_richEdit.ShowWindow(SW_HIDE);
    const CString path = TempBodyPath(L"QM_Plain_Body.txt");
    WriteBodyFile(path, text, text ? wcslen(text) * sizeof(wchar_t) : 0);
    pane->m_bHoldsBody = true;
    const int kind = g_nFolderKind;
    if (kind == kFolderKindMailPlain || kind == kFolderKindTask || kind == kFolderKindStickyNote) {
        pane->m_valueList.ShowWindow(SW_HIDE);
        PlaceFullBody(pane->m_browser);
    }
    pane->NavigateBrowser(path);
}

void ShowRtfBody(CMailItemsBody* pane) {
    if (pane == nullptr) return;
    pane->m_valueList.ShowWindow(SW_HIDE);
    CollapseAt(pane->m_browser, g_rcBodyBrowser.left, g_rcBodyBrowser.top);
    PlaceFullBody(pane->m_richEdit);
    pane->m_richEdit.ShowWindow(SW_SHOW);
    LoadRtfBody(pane);
}

void LoadRtfBody(CMailItemsBody* pane) {
    if (pane == nullptr) return;
    pane->m_strBodyPath = g_strInstallFolder + L"\\QM_Rtf_Body.rtf";
    pane->m_bHoldsBody = true;
    if (GetFileAttributesW(pane->m_strBodyPath) == INVALID_FILE_ATTRIBUTES) return;
    CFile file;
    if (!file.Open(pane->m_strBodyPath, CFile::modeRead | CFile::shareDenyNone)) return;
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&file);
    stream.pfnCallback = ReadRtfStreamCallback;
    pane->m_richEdit.StreamIn(SF_RTF, stream);
    file.Close();
}

DWORD CALLBACK ReadRtfStreamCallback(DWORD_PTR dwCookie, LPBYTE pbBuff, LONG cb, LONG* pcb) {
    auto* file = reinterpret_cast<CFile*>(dwCookie);
    *pcb = cb > 0 ? static_cast<LONG>(file->Read(pbBuff, static_cast<UINT>(cb))) : 0;
    return 0;
}
