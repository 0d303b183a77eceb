#include "app/MailItemsBody.h"

#include "app/AppGlobals.h"
#include "app/LeftView.h"

IMPLEMENT_DYNCREATE(CMailItemsBody, CFormView)

BEGIN_MESSAGE_MAP(CMailItemsBody, CFormView)
    ON_WM_CTLCOLOR()
    ON_WM_CREATE()
END_MESSAGE_MAP()

RECT g_rcBodyView = {};
RECT g_rcBodyBrowser = {};
RECT g_rcBodyRichEdit = {};
RECT g_rcBodyList = {};

namespace {

RECT ChildRect(CWnd& parent, CWnd& child) {
    CRect rect;
    child.GetWindowRect(&rect);
    parent.ScreenToClient(&rect);
    return rect;
}

}  // namespace

void ClearItemView() {
    if (g_pMailItemsBody != nullptr) g_pMailItemsBody->ClearItem();
}

CMailItemsBody::CMailItemsBody() : CFormView(IDD_MAIL_BODY) {}
CMailItemsBody::~CMailItemsBody() = default;

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

void CMailItemsBody::ClearItem() {
    m_richEdit.ShowWindow(SW_HIDE);
    if (::IsWindow(m_browser.GetSafeHwnd()))
        m_browser.SetWindowPos(this, g_rcBodyBrowser.left, g_rcBodyBrowser.top, 0, 0, SWP_NOZORDER);
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
