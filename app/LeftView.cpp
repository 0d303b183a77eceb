#include "app/LeftView.h"

#include <vector>

#include "app/AppGlobals.h"
#include "app/FolderChecks.h"
#include "app/ItemListView.h"
#include "app/MailItemsBody.h"
#include "app/TarnwellDoc.h"
#include "reader/store_load.h"
#include "res/resource.h"

IMPLEMENT_DYNCREATE(CLeftView, CTreeView)

BEGIN_MESSAGE_MAP(CLeftView, CTreeView)
    ON_WM_CREATE()
    ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

namespace {

// Tree images in order, by icon resource.
const UINT kTreeIcons[] = {IDI_FOLDER_OPEN, IDI_FOLDER,      IDI_STORE,   IDI_CALENDAR, IDI_CONTACTS,
                           IDI_DELETED_ITEMS, IDI_DRAFTS,    IDI_INBOX,   IDI_JOURNAL,  IDI_JUNK_MAIL,
                           IDI_NOTES,       IDI_OUTBOX,      IDI_SENT_ITEMS, IDI_TASKS};

bool AnyListedFolderChecked(HWND tree) {
    for (const folder& f : g_listFolders) {
        if (f.hItem != nullptr && GetStateImage(tree, static_cast<HTREEITEM>(f.hItem)) != 1) return true;
    }
    return false;
}

}  // namespace

void MakeListFont(CFont& font, LOGFONTW& logFont) {
    ::GetObjectW(GetStockObject(SYSTEM_FONT), sizeof(logFont), &logFont);
    CFont sized;
    if (sized.CreatePointFont(100, logFont.lfFaceName)) {
        LOGFONTW sizedFont = {};
        sized.GetLogFont(&sizedFont);
        logFont.lfHeight = sizedFont.lfHeight;
        logFont.lfWidth = sizedFont.lfWidth;
    }
    logFont.lfWeight = FW_NORMAL;
    wcscpy_s(logFont.lfFaceName, L"Arial Unicode MS");
    font.CreateFontIndirect(&logFont);
}

CLeftView::CLeftView() = default;
CLeftView::~CLeftView() = default;

CTarnwellDoc* CLeftView::GetDocument() const { return static_cast<CTarnwellDoc*>(m_pDocument); }

BOOL CLeftView::PreCreateWindow(CREATESTRUCT& cs) { return CTreeView::PreCreateWindow(cs); }

int CLeftView::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CTreeView::OnCreate(lpCreateStruct) == -1) return -1;
    if (CTarnwellDoc* doc = GetDocument()) doc->m_pLeftView = this;
    g_pLeftView = this;
    return 0;
}

void CLeftView::OnInitialUpdate() {
    CTreeView::OnInitialUpdate();
    CTreeCtrl& tree = GetTreeCtrl();

    MakeListFont(m_font, m_logFont);
    tree.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_font.GetSafeHandle()), TRUE);
    tree.ModifyStyle(0, TVS_HASLINES | TVS_LINESATROOT);

    if (m_imageList.GetSafeHandle() == nullptr) {
        m_imageList.Create(16, 16, ILC_COLOR8, 0, 0);
        for (UINT id : kTreeIcons) {
            HICON icon = static_cast<HICON>(
                LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0));
            m_imageList.Add(icon);
            if (icon != nullptr) DestroyIcon(icon);
        }
    }
    tree.SetImageList(&m_imageList, TVSIL_NORMAL);
    tree.InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE, L"Quillmere for Ost to Pst", 2, 2, 0, 0, 0,
                    TVI_ROOT, TVI_FIRST);
}

void CLeftView::OnLButtonDown(UINT nFlags, CPoint point) {
    CTreeCtrl& tree = GetTreeCtrl();
    UINT flags = 0;
    HTREEITEM item = tree.HitTest(point, &flags);
    if (item == nullptr || (flags & (TVHT_ONITEMRIGHT | TVHT_ONITEMINDENT)) != 0) return;

    tree.Select(item, TVGN_CARET);
    tree.Select(item, TVGN_DROPHILITE);

    if ((flags & TVHT_ONITEMSTATEICON) != 0) {
        // The control must not toggle the box by itself: the click stops here.
        HWND hTree = tree.GetSafeHwnd();
        ToggleFolderCheck(hTree, item);
        g_listExportFolders.RemoveAll();
        g_bAnyFolderChecked = AnyListedFolderChecked(hTree);
        return;
    }

    if (g_pItemListThread == nullptr && g_pDisplayThread == nullptr && (flags & TVHT_ONITEMBUTTON) == 0) {
        ClearFolderCaption();
        ClearItemView();
        StartItemListFill(item);
    }
    Default();
}

BOOL CollectCheckedFolders() {
    if (g_pLeftView == nullptr) return TRUE;
    std::vector<HTREEITEM> checked;
    CollectCheckedItems(g_pLeftView->GetTreeCtrl().GetSafeHwnd(), checked);
    for (HTREEITEM item : checked) g_listExportFolders.AddTail(item);
    return TRUE;
}
