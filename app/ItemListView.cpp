#include "app/ItemListView.h"

#include "app/AppGlobals.h"
#include "app/LeftView.h"
#include "app/TarnwellDoc.h"

IMPLEMENT_DYNCREATE(CTarnwellView, CFormView)

BEGIN_MESSAGE_MAP(CTarnwellView, CFormView)
    ON_WM_CTLCOLOR()
    ON_WM_CREATE()
    ON_WM_SIZE()
END_MESSAGE_MAP()

CListCtrl* g_pItemList = nullptr;
RECT g_rcItemList = {};

namespace {

// List images in order, by icon resource.
const UINT kListIcons[] = {IDI_ATTACHMENT, IDI_UNREAD, IDI_CONTACTS, IDI_CALENDAR,
                           IDI_JOURNAL,    IDI_NOTES,  IDI_TASKS};

void InsertColumn(HWND list, int index, const wchar_t* text, int width) {
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(text);
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

}  // namespace

void ClearFolderCaption() {
    if (g_pItemListView != nullptr) g_pItemListView->GetFolderCaption().SetWindowText(L"");
}

void ResetItemListColumns() {
    if (g_pItemListView == nullptr) return;
    HWND list = g_pItemListView->GetList().GetSafeHwnd();
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < columns; ++i) SendMessageW(list, LVM_DELETECOLUMN, 0, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    InsertColumn(list, 0, L"Attachment", 110);
    InsertColumn(list, 1, L"From", 150);
    InsertColumn(list, 2, L"To", 180);
    InsertColumn(list, 3, L"Subject", 180);
    InsertColumn(list, 4, L"Date/Time", 180);
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_IMAGE;
        column.fmt = LVCFMT_IMAGE;
        column.cx = 30;
        column.iImage = i;
        SendMessageW(list, LVM_SETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
}

CTarnwellView::CTarnwellView() : CFormView(IDD_TARNWELL_FORM) {}
CTarnwellView::~CTarnwellView() = default;

CTarnwellDoc* CTarnwellView::GetDocument() const { return static_cast<CTarnwellDoc*>(m_pDocument); }

BOOL CTarnwellView::PreCreateWindow(CREATESTRUCT& cs) { return CFormView::PreCreateWindow(cs); }

void CTarnwellView::DoDataExchange(CDataExchange* pDX) {
    CFormView::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_LOAD_PROGRESS, m_progress);
    DDX_Control(pDX, IDC_SPARE_LABEL, m_spareLabel);
    DDX_Control(pDX, IDC_PATH_LABEL, m_pathLabel);
    DDX_Control(pDX, IDC_SELECT_OST, m_selectButton);
    DDX_Control(pDX, IDC_SEARCH_OST, m_searchButton);
    DDX_Control(pDX, IDC_START, m_startButton);
    DDX_Control(pDX, IDC_CANCEL_BUTTON, m_cancelButton);
    DDX_Control(pDX, IDC_ITEM_LIST, m_list);
    DDX_Control(pDX, IDC_FOLDER_CAPTION, m_folderCaption);
}

int CTarnwellView::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CFormView::OnCreate(lpCreateStruct) == -1) return -1;
    if (CTarnwellDoc* doc = GetDocument()) doc->m_pItemListView = this;
    g_pItemListView = this;
    return 0;
}

void CTarnwellView::OnInitialUpdate() {
    CFormView::OnInitialUpdate();
    CRect rect;
    m_list.GetWindowRect(&rect);
    ScreenToClient(&rect);
    g_rcItemList = rect;

    MakeListFont(m_font, m_logFont);
    m_list.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_font.GetSafeHandle()), TRUE);

    if (m_imageList.GetSafeHandle() == nullptr) {
        m_imageList.Create(16, 16, ILC_COLOR16 | ILC_MASK, 4, 1);
        for (UINT id : kListIcons) {
            HICON icon = static_cast<HICON>(
                LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id), IMAGE_ICON, 48, 48, 0));
            m_imageList.Add(icon);
            if (icon != nullptr) DestroyIcon(icon);
        }
    }
    m_list.SetImageList(&m_imageList, LVSIL_NORMAL);
    m_list.SetImageList(&m_imageList, LVSIL_SMALL);
    g_pItemList = &m_list;
    m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT | 0x40000);

    m_progress.ShowWindow(SW_HIDE);
    m_spareLabel.ShowWindow(SW_HIDE);

    HWND list = m_list.GetSafeHwnd();
    InsertColumn(list, 0, L"From", 150);
    InsertColumn(list, 1, L"To", 180);
    InsertColumn(list, 2, L"Subject", 180);
    InsertColumn(list, 3, L"Date/Time", 180);
}

void CTarnwellView::OnSize(UINT nType, int cx, int cy) {
    CFormView::OnSize(nType, cx, cy);
    if (g_pItemList == nullptr || !::IsWindow(g_pItemList->GetSafeHwnd())) return;
    CRect rect;
    GetWindowRect(&rect);
    ScreenToClient(&rect);
    g_pItemList->SetWindowPos(this, g_rcItemList.left, g_rcItemList.top, rect.right - 10, rect.bottom - 25,
                              SWP_NOZORDER);
}

HBRUSH CTarnwellView::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    CFormView::OnCtlColor(pDC, pWnd, nCtlColor);
    return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}
