#include "app/StoreLoadObserver.h"

#include <commctrl.h>

#include <memory>

#include "app/AppGlobals.h"
#include "app/Prompts.h"
#include "app/WorkerGate.h"
#include "reader/store_load.h"
#include "res/resource.h"

StoreLoadObserver g_storeLoadObserver;

namespace {

HTREEITEM ToTree(TreeItemHandle item) { return static_cast<HTREEITEM>(item); }

struct StoreLoadJob {
    std::unique_ptr<OstRepair> host;
    unsigned ticket;
};

}  // namespace

void StoreLoadObserver::SetLoadWindows(HWND dialog, HWND tree) {
    m_dialog = dialog;
    m_tree = tree;
}

void StoreLoadObserver::ShowLoadProgressBar() {
    g_analysisGate.Checkpoint();
    ShowWindow(GetDlgItem(m_dialog, IDC_LOAD_PROGRESS), SW_SHOW);
}

void StoreLoadObserver::SetLoadProgress(int position) {
    g_analysisGate.Checkpoint();
    SendMessageW(GetDlgItem(m_dialog, IDC_LOAD_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void StoreLoadObserver::SetLoadStatus(const wchar_t* text) {
    g_analysisGate.Checkpoint();
    SetWindowTextW(GetDlgItem(m_dialog, IDC_STATUS_TEXT), text);
}

void StoreLoadObserver::ShowLoadMessage(const wchar_t* text, unsigned style) {
    g_analysisGate.Checkpoint();
    AppMessageBox(m_dialog, text, g_szCaption, style);
}

void StoreLoadObserver::Pause(unsigned milliseconds) { g_analysisGate.Sleep(milliseconds); }

void StoreLoadObserver::OnLoadFinished() {
    // A load that was ended by the user has nothing left to say.
    if (!g_analysisGate.IsCurrentThread()) return;
    g_pAnalysisThread = nullptr;
    InvalidateRect(m_dialog, nullptr, TRUE);
}

void StoreLoadObserver::DeleteAllFolderItems() {
    g_analysisGate.Checkpoint();
    SendMessageW(m_tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

TreeItemHandle StoreLoadObserver::InsertFolderItem(const wchar_t* text, int image, int selectedImage,
                                                   TreeItemHandle parent, TreeItemHandle insertAfter) {
    g_analysisGate.Checkpoint();
    TVINSERTSTRUCTW insert = {};
    insert.hParent = ToTree(parent);
    insert.hInsertAfter = ToTree(insertAfter);
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(text);
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    return reinterpret_cast<TreeItemHandle>(SendMessageW(m_tree, TVM_INSERTITEMW, 0,
                                                         reinterpret_cast<LPARAM>(&insert)));
}

TreeItemHandle StoreLoadObserver::GetRootFolderItem() {
    g_analysisGate.Checkpoint();
    return reinterpret_cast<TreeItemHandle>(SendMessageW(m_tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

void StoreLoadObserver::ExpandFolderItem(TreeItemHandle item) {
    g_analysisGate.Checkpoint();
    SendMessageW(m_tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
}

void StoreLoadObserver::AddFolderTreeStyles(unsigned styles) {
    g_analysisGate.Checkpoint();
    LONG_PTR style = GetWindowLongPtrW(m_tree, GWL_STYLE);
    SetWindowLongPtrW(m_tree, GWL_STYLE, style | static_cast<LONG_PTR>(styles));
    SetWindowPos(m_tree, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

bool StoreLoadObserver::WantBodies() { return g_bDisplayBusy || g_bSaveRunning; }

bool StoreLoadObserver::IsDisplayBusy() { return g_bDisplayBusy; }

void StoreLoadObserver::SetReadProgressRange(int maximum) {
    if (g_pProgressBar != nullptr)
        SendMessageW(g_pProgressBar->GetSafeHwnd(), PBM_SETRANGE, 0, MAKELPARAM(0, maximum));
}

void StoreLoadObserver::SetReadProgressPos(int position) {
    if (g_pProgressBar != nullptr)
        SendMessageW(g_pProgressBar->GetSafeHwnd(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

UINT StoreLoadThreadProc(LPVOID param) {
    std::unique_ptr<StoreLoadJob> job(static_cast<StoreLoadJob*>(param));
    g_analysisGate.Enter(job->ticket);
    try {
        AnalysisThreadProc(job->host.get());
    } catch (const WorkerEnded&) {
        // Ended by the user: the dialog has already closed.
    } catch (...) {
        // A failure outside the reader's own handlers (closing the store file):
        // the load ends as after a failure it reports itself.
        g_bAnalysisDone = 1;
        g_storeLoadObserver.OnLoadFinished();
    }
    g_analysisGate.Leave();
    return 1;
}

BOOL StartStoreLoad(const wchar_t* path) {
    auto* job = new StoreLoadJob{std::make_unique<OstRepair>(path), g_analysisGate.Begin()};
    if (StartWorkerThread(StoreLoadThreadProc, job, g_pAnalysisThread) == nullptr) {
        delete job;
        g_analysisGate.End();
        return FALSE;
    }
    return TRUE;
}
