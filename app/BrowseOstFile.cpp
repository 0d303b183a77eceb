#include "app/BrowseOstFile.h"

#include <commctrl.h>

#include "app/AppGlobals.h"
#include "app/ItemListView.h"
#include "app/LeftView.h"
#include "app/MailItemsBody.h"
#include "app/PathTexts.h"
#include "app/Prompts.h"
#include "app/StoreLoadObserver.h"
#include "app/WorkerGate.h"
#include "reader/store_context.h"
#include "reader/store_load.h"

IMPLEMENT_DYNAMIC(CBrowseOstFile, CDialogEx)

BEGIN_MESSAGE_MAP(CBrowseOstFile, CDialogEx)
    ON_BN_CLICKED(IDC_START, &CBrowseOstFile::OnStart)
    ON_BN_CLICKED(IDC_SELECT_OST, &CBrowseOstFile::OnSelectOstFile)
    ON_BN_CLICKED(IDC_CANCEL_BUTTON, &CBrowseOstFile::OnCancelButton)
    ON_WM_PAINT()
    ON_BN_CLICKED(IDC_PAUSE, &CBrowseOstFile::OnPauseResume)
    ON_WM_CLOSE()
END_MESSAGE_MAP()

namespace {
// How long an ended load may take to reach its next checkpoint.
const unsigned kWorkerExitWaitMs = 30000;
}  // namespace

CBrowseOstFile::CBrowseOstFile(CWnd* pParent) : CDialogEx(IDD_BROWSE_OST, pParent) {
    m_hIcon = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

CBrowseOstFile::~CBrowseOstFile() {
    if (g_pBrowseDlg == this) g_pBrowseDlg = nullptr;
}

void CBrowseOstFile::DoDataExchange(CDataExchange* pDX) {
    CDialogEx::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PATH_LABEL, m_pathLabel);
    DDX_Control(pDX, IDC_SELECT_OST, m_selectButton);
    DDX_Control(pDX, IDC_SEARCH_OST, m_searchButton);
    DDX_Control(pDX, IDC_START, m_startButton);
    DDX_Control(pDX, IDC_CANCEL_BUTTON, m_cancelButton);
    DDX_Control(pDX, IDC_LOAD_PROGRESS, m_progress);
    DDX_Control(pDX, IDC_SPARE_LABEL, m_spareLabel);
    DDX_Control(pDX, IDC_PAUSE, m_pauseButton);
    DDX_Control(pDX, IDC_STATUS_TEXT, m_statusLabel);
    DDX_Control(pDX, IDC_BROWSE_PICTURE, m_picture);
}

BOOL CBrowseOstFile::OnInitDialog() {
    CDialogEx::OnInitDialog();
    g_pBrowseDlg = nullptr;
    g_bAnalysisDone = 0;
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SetWindowText(g_szMainTitle);
    m_pauseButton.EnableWindow(FALSE);
    m_startButton.EnableWindow(FALSE);
    m_progress.ShowWindow(SW_HIDE);
    m_spareLabel.ShowWindow(SW_HIDE);
    g_pBrowseDlg = this;
    return TRUE;
}

BOOL CBrowseOstFile::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN) {
        switch (pMsg->wParam) {
        case VK_RETURN:
        case VK_ESCAPE:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            // A plain key for the focused control, never the dialog's own
            // Enter/Esc/arrow handling.
            ::TranslateMessage(pMsg);
            ::DispatchMessageW(pMsg);
            return TRUE;
        default:
            break;
        }
    }
    return CDialogEx::PreTranslateMessage(pMsg);
}

void CBrowseOstFile::OnCancel() {}

void CBrowseOstFile::OnSelectOstFile() {
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY,
                       L"OST|*.ost||", this, 0, TRUE);
    if (dialog.DoModal() != IDOK) return;
    ChooseStorePath(dialog.GetPathName(), dialog.GetFileName());
}

void CBrowseOstFile::ChooseStorePath(const CString& fullPath, const CString& fileName) {
    g_strOstPath = fullPath;
    g_strOstFileName = fileName;
    g_strOstPathUpper = UpperAsciiLetters(fullPath);
    m_pathLabel.SetWindowText(L"");
    m_pathLabel.SetWindowText(ShownStorePath(g_strOstPathUpper));
    m_startButton.EnableWindow(TRUE);
}

void CBrowseOstFile::ClearViewsOfPreviousStore() {
    if (g_pLeftView != nullptr) g_pLeftView->GetTreeCtrl().SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    ResetItemListColumns();
    ClearFolderCaption();
    ClearItemView();
    m_progress.ShowWindow(SW_HIDE);
    m_spareLabel.ShowWindow(SW_HIDE);
}

void CBrowseOstFile::OnStart() {
    // A load ended by the user may still be on its way out; it must be gone
    // before the reader is reset under it.
    g_analysisGate.WaitForExit(kWorkerExitWaitMs);
    const bool storeLoadedBefore = g_storeFile.pFirstBlock != nullptr || g_storeFile.pFirstNode != nullptr;
    try {
        ResetReader();
    } catch (...) {
        // Closing the old store file failed; the new load opens its own.
    }
    if (storeLoadedBefore) ClearViewsOfPreviousStore();

    m_pauseButton.EnableWindow(TRUE);
    m_selectButton.EnableWindow(FALSE);
    m_startButton.EnableWindow(FALSE);
    m_statusLabel.SetWindowText(L"Getting file information, please wait...");

    g_bAnalysisPaused = false;
    HWND tree = g_pLeftView != nullptr ? g_pLeftView->GetTreeCtrl().GetSafeHwnd() : nullptr;
    g_storeLoadObserver.SetLoadWindows(GetSafeHwnd(), tree);
    if (!StartStoreLoad(g_strOstPath)) {
        // No worker: the dialog closes as after a load that ended at once.
        g_bAnalysisDone = 1;
        Invalidate();
    }
}

void CBrowseOstFile::OnPauseResume() {
    if (g_pAnalysisThread == nullptr) return;
    if (!g_bAnalysisPaused) {
        g_analysisGate.Pause();
        m_pauseButton.SetWindowText(L"Resume");
        g_bAnalysisPaused = true;
    } else {
        g_analysisGate.Resume();
        m_pauseButton.SetWindowText(L"Pause");
        g_bAnalysisPaused = false;
    }
}

void CBrowseOstFile::OnClose() {
    if (g_pAnalysisThread == nullptr) {
        CDialogEx::OnOK();
        return;
    }
    g_analysisGate.Pause();
    int answer = AppMessageBox(GetSafeHwnd(), L"Analysis is in Progress, do you want to abort ?", g_szCaption,
                               MB_SYSTEMMODAL | MB_ICONQUESTION | MB_YESNO);
    if (answer == IDYES) {
        g_analysisGate.End();
        g_analysisGate.WaitForExit(kWorkerExitWaitMs);
        g_pAnalysisThread = nullptr;
        CDialogEx::OnOK();
    } else if (!g_bAnalysisPaused) {
        g_analysisGate.Resume();
    }
}

void CBrowseOstFile::OnCancelButton() { OnClose(); }

void CBrowseOstFile::OnPaint() {
    CPaintDC dc(this);
    if (g_bAnalysisDone) CDialogEx::OnOK();
}
