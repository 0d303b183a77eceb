#include "app/ItemListView.h"

#include <commctrl.h>

#include "app/AppGlobals.h"
#include "app/ItemListFill.h"
#include "app/ItemRenderers.h"
#include "app/LeftView.h"
#include "app/ListRowRecords.h"
#include "app/MailItemsBody.h"
#include "app/TarnwellDoc.h"
#include "app/WorkerGate.h"
#include "reader/ltp.h"

IMPLEMENT_DYNCREATE(CTarnwellView, CFormView)

BEGIN_MESSAGE_MAP(CTarnwellView, CFormView)
    ON_WM_CTLCOLOR()
    ON_WM_CREATE()
    ON_NOTIFY(NM_CUSTOMDRAW, IDC_LOAD_PROGRESS, &CTarnwellView::OnCustomDrawProgress)
    ON_WM_SIZE()
    ON_NOTIFY(NM_CLICK, IDC_ITEM_LIST, &CTarnwellView::OnListClick)
    ON_NOTIFY(LVN_COLUMNCLICK, IDC_ITEM_LIST, &CTarnwellView::OnColumnClick)
    ON_MESSAGE(WM_INSERT_LIST_ROW, &CTarnwellView::OnInsertListRow)
END_MESSAGE_MAP()

CListCtrl* g_pItemList = nullptr;
RECT g_rcItemList = {};

namespace {

// List images in order, by icon resource: 0 mail item, 1 paper clip,
// 2 contact, 3 calendar, 4 journal, 5 sticky note, 6 task.
const UINT kListIcons[] = {IDI_MAIL_ITEM, IDI_ATTACHMENT, IDI_CONTACTS, IDI_CALENDAR,
                           IDI_JOURNAL,   IDI_NOTES,      IDI_TASKS};

bool ListWorkerOrDisplayRuns() { return g_pItemListThread != nullptr || g_pDisplayThread != nullptr; }

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
    DeleteAllListColumns(list);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    // The image columns are columns of their own: turning "Attachment" and
    // "From" into them would leave the list without its From column.
    InsertListImageColumn(list, 0, 0);
    InsertListImageColumn(list, 1, 1);
    InsertColumn(list, 2, L"From", 150);
    InsertColumn(list, 3, L"To", 180);
    InsertColumn(list, 4, L"Subject", 180);
    InsertColumn(list, 5, L"Date/Time", 180);
    ShowListHeader(list, true);
}

void InsertListImageColumn(HWND list, int index, int image) {
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_IMAGE;
    column.fmt = LVCFMT_IMAGE;
    column.cx = 30;
    column.iImage = image;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void DeleteAllListColumns(HWND list) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < columns; ++i) SendMessageW(list, LVM_DELETECOLUMN, 0, 0);
    // A header without items is not drawn at all under Wine: the title of
    // the last column deleted would stay on the screen. Without columns the
    // list shows no header.
    ShowListHeader(list, false);
}

void ShowListHeader(HWND list, bool show) {
    const LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
    const LONG_PTR wanted = show ? style & ~LONG_PTR(LVS_NOCOLUMNHEADER) : style | LVS_NOCOLUMNHEADER;
    if (wanted != style) SetWindowLongPtrW(list, GWL_STYLE, wanted);
}

int ListIndexColumn(int nFolderKind) {
    switch (nFolderKind) {
    case kFolderKindTask:
    case kFolderKindStickyNote: return 4;
    case kFolderKindJournal:
    case kFolderKindCalendar: return 5;
    default: return 6;
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

void CTarnwellView::OnCustomDrawProgress(NMHDR* pNMHDR, LRESULT* pResult) { *pResult = 0; }

void CTarnwellView::OnListClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    if (ListWorkerOrDisplayRuns()) return;
    ClearItemView();
    // The row under the pointer when the button went down, as the click
    // reports it: a pointer that has left the row since still shows it.
    const auto* activate = reinterpret_cast<const NMITEMACTIVATE*>(pNMHDR);
    const int row = activate->iItem >= 0 ? activate->iItem : m_list.GetHotItem();
    if (row < 0) return;
    g_nHotItem = row;
    StartWorkerThread(ShowItemThreadProc, this, g_pDisplayThread);
}

void CTarnwellView::OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    if (ListWorkerOrDisplayRuns()) return;
    const auto* view = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    m_list.SortItems(CompareListRows, static_cast<DWORD_PTR>(view->iSubItem));
    g_chSortOrder = g_chSortOrder == L'a' ? L'd' : L'a';
}

UINT ShowItemThreadProc(LPVOID pParam) {
    try {
        ShowItem(static_cast<CTarnwellView*>(pParam));
    } catch (...) {
        // A file error outside the renderer's own handlers: nothing is shown.
        g_bDisplayBusy = false;
        if (g_pProgressBar != nullptr) ::ShowWindow(g_pProgressBar->GetSafeHwnd(), SW_HIDE);
    }
    g_pDisplayThread = nullptr;
    return 1;
}

void ShowItem(CTarnwellView* pView) {
    HWND progress = g_pProgressBar != nullptr ? g_pProgressBar->GetSafeHwnd() : nullptr;
    ::ShowWindow(progress, SW_SHOW);
    void (*renderer)(int) = nullptr;
    switch (g_nFolderKind) {
    case kFolderKindTask: renderer = ShowTaskItem; break;
    case kFolderKindStickyNote: renderer = ShowNoteItem; break;
    case kFolderKindJournal: renderer = ShowJournalItem; break;
    case kFolderKindCalendar: renderer = ShowAppointmentItem; break;
    case kFolderKindContact: renderer = ShowContactItem; break;
    case kFolderKindMail:
    case kFolderKindMailRtf:
    case kFolderKindMailPlain: renderer = ShowMailItem; break;
    default:
        ::ShowWindow(progress, SW_HIDE);
        return;
    }
    g_bDisplayBusy = true;
    try {
        renderer(g_nHotItem);
    } catch (...) {
        g_bDisplayBusy = false;
        throw;
    }
    g_bDisplayBusy = false;
    ::SendMessageW(progress, PBM_SETPOS, static_cast<WPARAM>(g_nReadProgressRange + 2), 0);
    ::ShowWindow(progress, SW_HIDE);
}
