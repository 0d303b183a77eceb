#include "export/SaveWorker.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "app/AppGlobals.h"
#include "app/FolderListCount.h"
#include "app/LeftView.h"
#include "app/Prompts.h"
#include "export/AttachmentFiles.h"
#include "export/ExportSetup.h"
#include "export/ExportState.h"
#include "export/LoomcraftDriver.h"
#include "export/OstSaving.h"
#include "export/SaveLosses.h"
#include "export/SaveTempFolder.h"
#include "reader/item_reader.h"
#include "reader/store_load.h"

namespace {

const int kShownDestinationLength = 70;
const int kReadChunk = 8192;

struct SaveJob {
    COstSaving* dialog;
    unsigned ticket;
};

// The folder element of a checked tree item, or null.
const folder* FolderOfTreeItem(HTREEITEM item) {
    for (const folder& f : g_listFolders)
        if (f.hItem == static_cast<TreeItemHandle>(item)) return &f;
    return nullptr;
}

NodeEntry* FindAndForget(uint32_t folderId) {
    NodeEntry* node = FindFolderNodeById(static_cast<int32_t>(folderId), g_pRootFolderNode);
    g_bNodeFound = FALSE;
    return node;
}

// The node of a checked folder: found below the top folder, or the top
// folder itself ("Personal Folders"), which holds items of its own.
NodeEntry* NodeOfFolder(const folder& element) {
    NodeEntry* node = FindAndForget(element.nNodeId);
    if (node == nullptr && g_pRootFolderNode != nullptr) {
        NodeEntry* top = g_pRootFolderNode->pParent;
        if (top != nullptr && top->nodeId == element.nNodeId && top->pFirstChild == g_pRootFolderNode) node = top;
    }
    return node;
}

// The folder's item count as the list counts it, 0 when it cannot be read.
int FolderContentCount(NodeEntry* node) {
    if (node == nullptr) return 0;
    ItemRecord* record = nullptr;
    try {
        record = ReadItemRecord(g_storeFile, node);
    } catch (...) {
        return 0;
    }
    int count = 0;
    if (record != nullptr && record->pFolderCounts != nullptr) count = FolderListCount(record->pFolderCounts, node);
    FreeItemRecord(record);
    return count;
}

void ReleaseItemWriter() {
    try {
        g_itemWriter.ReleaseDispatch();
    } catch (...) {
    }
}

// A closing message, and what was not saved when anything was not.
CString WithLosses(const wchar_t* message) {
    CString text(message);
    if (g_saveLosses.Any()) text += L"\r\n\r\n" + g_saveLosses.Summary();
    return text;
}

const wchar_t kCompletedWithLosses[] = L"Saving completed, but not everything could be saved.";

// The message of a save that an unexpected failure ended: what the new
// store holds, and what is known to be lost.
CString SaveFailedText(const CString& failure) {
    CString text = L"Saving failed.";
    if (!failure.IsEmpty()) text += L"\r\nReason: " + failure;
    if (!g_strPstPath.IsEmpty()) {
        int checkpointed = 0, after = 0;
        COstSaving::ItemsHandedOver(checkpointed, after);
        CString saved;
        saved.Format(L"\r\n\r\n%d items were saved into %s.", checkpointed, g_strPstPath.GetString());
        text += saved;
        if (after > 0) {
            saved.Format(L"\r\n%d more items were handed over after its last checkpoint and may be missing.", after);
            text += saved;
        }
    }
    if (g_saveLosses.Any()) text += L"\r\n\r\n" + g_saveLosses.Summary();
    return text;
}

}  // namespace

NodeEntry* FindFolderNodeById(int32_t folderId, NodeEntry* start) {
    const uint64_t wanted = static_cast<uint64_t>(static_cast<int64_t>(folderId));
    // Depth first, pre-order, without recursion: the next siblings of the
    // nodes whose children are being searched wait on the stack.
    std::vector<NodeEntry*> pending;
    NodeEntry* node = start;
    while (node != nullptr || !pending.empty()) {
        if (node == nullptr) {
            node = pending.back();
            pending.pop_back();
            continue;
        }
        if (node->nodeId == wanted) {
            g_bNodeFound = TRUE;
            return node;
        }
        if (node->pFirstChild != nullptr) {
            pending.push_back(node->pNextSibling);
            node = node->pFirstChild;
        } else {
            node = node->pNextSibling;
        }
    }
    return nullptr;
}

uint8_t* ReadFileAndDelete(const CString& path, uint32_t* lengthRead) {
    CFile file;
    if (!file.Open(path, CFile::modeRead)) return nullptr;
    const uint32_t length = static_cast<uint32_t>(file.GetLength());
    auto* block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(length) + 10));
    if (block == nullptr) return nullptr;
    uint8_t chunk[kReadChunk];
    uint32_t offset = 0;
    while (offset < length) {
        const uint32_t wanted = length - offset < static_cast<uint32_t>(kReadChunk) ? length - offset : kReadChunk;
        file.Seek(offset, CFile::begin);
        const UINT got = file.Read(chunk, wanted);
        std::memcpy(block + offset, chunk, got);
        if (got < wanted) std::memset(block + offset + got, 0, wanted - got);   // a short read leaves zeros
        offset += wanted;
    }
    block[length] = 0;
    file.Close();
    DeleteFileW(path);
    if (lengthRead != nullptr) *lengthRead = length;
    return block;
}

CString ShownDestination(const CString& pstPath) {
    if (pstPath.GetLength() <= kShownDestinationLength) return pstPath;
    return pstPath.Left(kShownDestinationLength) + L"...";
}

UINT SaveThreadProc(LPVOID param) {
    std::unique_ptr<SaveJob> job(static_cast<SaveJob*>(param));
    // Bodies are read for the whole of the worker's run, from its first step.
    g_bSaveRunning = true;
    g_saveGate.Enter(job->ticket);
    try {
        job->dialog->RunSave();
    } catch (...) {
        // The worker always ends through the done flag below, and tells
        // that the save failed.
        const CString failure = CurrentFailureText();
        ReleaseItemWriter();
        try {
            DeleteAttachmentFiles();
        } catch (...) {
        }
        ::EnableWindow(job->dialog->GetSafeHwnd(), TRUE);
        g_bSaveAbort = false;
        AppMessageBox(job->dialog->GetSafeHwnd(), SaveFailedText(failure), g_szCaption, MB_SYSTEMMODAL | MB_ICONHAND);
    }
    EndSaveTempFolder();
    g_saveGate.Leave();
    g_bSaveRunning = false;
    g_bSaveDone = true;
    ::InvalidateRect(job->dialog->GetSafeHwnd(), nullptr, TRUE);
    g_pSaveThread = nullptr;
    return 1;
}

BOOL StartSaveWorker(COstSaving* dialog) {
    auto* job = new SaveJob{dialog, g_saveGate.Begin()};
    if (StartWorkerThread(SaveThreadProc, job, g_pSaveThread) == nullptr) {
        delete job;
        g_saveGate.End();
        return FALSE;
    }
    return TRUE;
}

void COstSaving::RunSave() {
    HWND dialog = GetSafeHwnd();
    g_nSavedTotal = 0;
    g_saveLosses.Clear();
    BeginWriterState();

    const int setup = BeginPstExport(CString());
    if (setup == kSetupNoSessionLibrary || setup == kSetupNoItemWriter) return;
    if (setup == kSetupRefused) {
        AppMessageBox(dialog, SetupRefusal(), g_szCaption, MB_SYSTEMMODAL | MB_ICONHAND);
        return;
    }
    if (setup == kSetupStoreNotCreated) {
        AppMessageBox(dialog, SetupRefusal(), g_szCaption, MB_SYSTEMMODAL | MB_ICONINFORMATION);
        return;
    }

    SetItemText(IDC_DEST_VALUE, ShownDestination(g_strPstPath));

    g_listExportFolders.RemoveAll();
    CollectCheckedFolders();
    std::vector<HTREEITEM> checked;
    for (POSITION pos = g_listExportFolders.GetHeadPosition(); pos != nullptr;)
        checked.push_back(g_listExportFolders.GetNext(pos));

    int total = 0;
    for (HTREEITEM item : checked) {
        const folder* element = FolderOfTreeItem(item);
        if (element == nullptr) continue;
        total += FolderContentCount(NodeOfFolder(*element));
    }
    SetBarRange(IDC_PROGRESS_TOTAL, total);

    // The folders after a stop: their items are counted lost for the reason
    // the save stopped.
    auto countNotReached = [&](size_t from) {
        for (size_t i = from; i < checked.size(); ++i)
            if (const folder* element = FolderOfTreeItem(checked[i])) CountFolderNotReached(NodeOfFolder(*element));
    };
    for (size_t i = 0; i < checked.size(); ++i) {
        g_saveGate.Checkpoint();
        if (g_bSaveAbort) {
            NoteUserStop();
            countNotReached(i);
            break;
        }
        const folder* element = FolderOfTreeItem(checked[i]);
        if (element == nullptr) continue;
        NodeEntry* node = NodeOfFolder(*element);
        if (node == nullptr) continue;
        const int result = SaveFolder(element->nNodeId, node);
        if (!g_bFolderEmpty && result == 2) {
            countNotReached(i + 1);
            ReleaseItemWriter();
            EndSaveTempFolder();
            // The stop for lack of space also ends a pending abort request.
            g_bSaveAbort = false;
            AppMessageBox(dialog, WithLosses(L"Saving not completed."), g_szCaption,
                          MB_SYSTEMMODAL | MB_ICONINFORMATION);
            return;
        }
    }

    ReleaseItemWriter();
    DeleteAttachmentFiles();
    EndSaveTempFolder();
    if (g_bSaveAbort) {
        ::EnableWindow(dialog, TRUE);
        AppMessageBox(dialog, WithLosses(L"Saving aborted by user."), g_szCaption, MB_SYSTEMMODAL | MB_ICONINFORMATION);
        g_bSaveAbort = false;
    } else if (g_saveLosses.Any()) {
        // Never the success message over anything lost.
        AppMessageBox(dialog, WithLosses(kCompletedWithLosses), g_szCaption, MB_SYSTEMMODAL | MB_ICONEXCLAMATION);
    } else {
        AppMessageBox(dialog, L"Saving  completed successfully.", g_szCaption, MB_SYSTEMMODAL | MB_ICONINFORMATION);
    }
}
