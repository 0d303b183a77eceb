// One checked folder into the new personal store: its path from the folder
// tree, the folder chain in the item writer, and every item of the folder
// handed to the exporter of its class, with counters, bars and the free-space
// step every 150 items.
#include "app/AppGlobals.h"
#include "app/LeftView.h"
#include "app/Prompts.h"
#include "export/AttachmentFiles.h"
#include "export/ContactExport.h"
#include "export/ExportState.h"
#include "export/ExportText.h"
#include "export/ItemExporters.h"
#include "export/LoomcraftDriver.h"
#include "export/MailExport.h"
#include "export/OstSaving.h"
#include "reader/item_reader.h"
#include "reader/store_load.h"

#include <commctrl.h>

namespace {

const int kFreeSpaceStep = 150;
// The counters reach the dialog at most this often; a repaint per item
// would cost more than saving the item.
const DWORD kShowCountersEveryMs = 100;
// The save stops when the destination disk has this many free bytes or fewer.
const ULONGLONG kMinimumFreeBytes = 314572800ULL;   // 300 MiB
const wchar_t kPersonalFolders[] = L"Personal Folders";

HWND FolderTree() { return g_pLeftView != nullptr ? g_pLeftView->GetTreeCtrl().GetSafeHwnd() : nullptr; }

CString TreeItemText(HWND tree, HTREEITEM item) {
    wchar_t text[1024] = L"";
    TVITEMW tvi = {};
    tvi.mask = TVIF_TEXT;
    tvi.hItem = item;
    tvi.pszText = text;
    tvi.cchTextMax = 1024;
    ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tvi));
    return CString(text);
}

// A node read into a record; a file error counts as an unreadable node.
ItemRecord* ReadNode(NodeEntry* node) {
    try {
        return ReadItemRecord(g_storeFile, node);
    } catch (...) {
        return nullptr;
    }
}

// The folder's path below "Personal Folders": the names after it, each with
// its "\". The search starts behind the store path (the root item's text),
// so that a store kept in a folder named "Personal Folders" cuts nothing.
CString RelativeFolderPath(const CString& fullPath) {
    int start = 0;
    if (!g_strOstPath.IsEmpty() && fullPath.Left(g_strOstPath.GetLength()) == g_strOstPath)
        start = g_strOstPath.GetLength();
    const int found = fullPath.Find(kPersonalFolders, start);
    if (found < 0) return fullPath;
    return fullPath.Mid(found + 17);
}

int ChildCount(NodeEntry* folderNode) {
    int count = 0;
    for (NodeEntry* child = folderNode->pFirstChild; child != nullptr; child = child->pNextSibling) ++count;
    return count;
}

void StoreItem(ItemRoute route, ItemRecord* record) {
    switch (route) {
    case ItemRoute::Task: ExportTaskItem(record); break;
    case ItemRoute::StickyNote: ExportStickyNoteItem(record); break;
    case ItemRoute::Journal: ExportJournalItem(record); break;
    case ItemRoute::Appointment: ExportAppointmentItem(record); break;
    case ItemRoute::Contact: ExportContactItem(record); break;
    case ItemRoute::Mail: ExportMailItem(record, CString(g_strPstFolderPath)); break;
    default: break;
    }
}

void CloseFolderQuietly() {
    try {
        g_itemWriter.CloseFolder();
    } catch (...) {
    }
}

void EndBatchQuietly() {
    try {
        g_itemWriter.EndBatch();
    } catch (...) {
    }
}

}  // namespace

CString COstSaving::BuildFolderPath(uint32_t folderId) {
    HTREEITEM item = nullptr;
    for (const folder& f : g_listFolders) {
        if (f.nNodeId == folderId) {
            item = static_cast<HTREEITEM>(f.hItem);
            break;
        }
    }
    HWND tree = FolderTree();
    if (item == nullptr || tree == nullptr) return CString();
    CString path = L"\\" + TreeItemText(tree, item);
    for (HTREEITEM parent = TreeView_GetParent(tree, item); parent != nullptr;
         parent = TreeView_GetParent(tree, parent))
        path = L"\\" + TreeItemText(tree, parent) + path;
    return path.Mid(1) + L"\\";
}

void COstSaving::CreatePstFolderChain(const CString& relativePath) {
    const CString base = g_strPstRootPath + L"\\";
    for (int slash = relativePath.Find(L'\\'); slash >= 0; slash = relativePath.Find(L'\\', slash + 1)) {
        const CString prefix = relativePath.Left(slash);
        g_strPstFolderPath = base + prefix;
        // The store has its own deleted-items folder.
        if (prefix.CompareNoCase(L"Deleted Items") == 0) continue;
        try {
            g_itemWriter.BeginBatch();
            try {
                ComText path(g_strPstFolderPath);
                g_itemWriter.CreateFolder(path.Ref());
            } catch (...) {
            }
            g_itemWriter.EndBatch();
        } catch (...) {
            // A batch the item writer refuses: the folder is tried when opened.
        }
    }
}

bool COstSaving::EnoughFreeSpace() {
    ULARGE_INTEGER available = {}, total = {}, free = {};
    // Only a failing query counts as enough space: the item writer then
    // reports a full disk its own way.
    if (!g_Seams.GetDiskFreeSpaceEx(g_strDestDir, &available, &total, &free)) return true;
    return free.QuadPart > kMinimumFreeBytes;
}

int COstSaving::SaveFolder(uint32_t folderId, NodeEntry* folderNode) {
    g_bFolderEmpty = FALSE;
    if (g_bSaveAbort) return 1;

    ItemRecord* folderRecord = ReadNode(folderNode);
    if (folderRecord == nullptr || folderRecord->pFolderCounts == nullptr) {
        FreeItemRecord(folderRecord);
        try {
            g_itemWriter.BeginBatch();
            if (!g_bSaveAbort) SetBarPos(IDC_PROGRESS_FOLDER, 100);
            CloseFolderQuietly();
            g_itemWriter.EndBatch();
        } catch (...) {
        }
        return 1;
    }

    CreatePstFolderChain(RelativeFolderPath(BuildFolderPath(folderId)));
    const CString folderPath = g_strPstFolderPath;

    if (folderNode->pFirstChild == nullptr) {
        FreeItemRecord(folderRecord);
        g_bFolderEmpty = TRUE;
        return 1;
    }

    // A folder whose stored count is 0 still has its items saved: the node
    // tree decides what is read, the count only scales the bar.
    int count = folderRecord->pFolderCounts->nContentCount;
    if (count < 1) count = ChildCount(folderNode);
    g_nFolderItemCount = count;
    CString countText;
    countText.Format(L"%d", count);
    CString counterText;
    g_nSavedInFolder = 0;
    SetItemText(IDC_FOLDER_VALUE, WidenStoreText(folderRecord->txDisplayName));
    SetBarRange(IDC_PROGRESS_FOLDER, count);
    FreeItemRecord(folderRecord);

    try {
        g_itemWriter.BeginBatch();
    } catch (...) {
        return 1;   // the item writer takes nothing more for this folder
    }
    try {
        ComText path(folderPath);
        g_itemWriter.OpenFolder(path.Ref());
    } catch (...) {
    }

    // Counters waiting to be shown: the latest text and bar positions.
    CString shownCount;
    int shownFolderPos = -1, shownTotalPos = -1;
    bool pending = false;
    DWORD lastShown = GetTickCount() - kShowCountersEveryMs;
    auto showCounters = [&]() {
        if (!pending) return;
        if (shownFolderPos >= 0) SetBarPos(IDC_PROGRESS_FOLDER, shownFolderPos);
        if (shownTotalPos >= 0) SetBarPos(IDC_PROGRESS_TOTAL, shownTotalPos);
        SetItemText(IDC_COUNT_VALUE, shownCount);
        pending = false;
        lastShown = GetTickCount();
    };
    auto counters = [&](const CString& text, int folderPos, int totalPos) {
        shownCount = text;
        if (folderPos >= 0) shownFolderPos = folderPos;
        if (totalPos >= 0) shownTotalPos = totalPos;
        pending = true;
        if (GetTickCount() - lastShown >= kShowCountersEveryMs) showCounters();
    };

    for (NodeEntry* child = folderNode->pFirstChild; child != nullptr && !g_bSaveAbort;
         child = child->pNextSibling) {
        g_saveGate.Checkpoint();
        if (g_bSaveAbort) break;
        ItemRecord* record = ReadNode(child);
        if (record == nullptr) continue;
        const ItemRoute route = RouteForItem(*record);
        if (route == ItemRoute::Skip) {
            FreeItemRecord(record);
            continue;
        }
        if (route == ItemRoute::NotCounted) {
            counters(counterText + L"/" + countText, -1, -1);
            FreeItemRecord(record);
            continue;
        }

        if (g_nSavedInFolder % kFreeSpaceStep == 0) {
            if (!EnoughFreeSpace()) {
                showCounters();
                FreeItemRecord(record);
                CloseFolderQuietly();
                AppMessageBox(GetSafeHwnd(), L"There is not enough free disk space. Please select another path for saving.",
                              g_szCaption, MB_SYSTEMMODAL | MB_ICONHAND);
                EndBatchQuietly();
                DeleteReleasedAttachmentFiles();
                return 2;
            }
            // The item writer's folder is closed and opened again at each step.
            try {
                g_itemWriter.CloseFolder();
                ComText path(folderPath);
                g_itemWriter.OpenFolder(path.Ref());
            } catch (...) {
            }
        }

        try {
            StoreItem(route, record);
        } catch (...) {
        }

        if (g_nSavedInFolder < g_nFolderItemCount) ++g_nSavedInFolder;
        counterText.Format(L"%d", g_nSavedInFolder);
        ++g_nSavedTotal;
        counters(counterText + L"/" + countText, g_nSavedInFolder, g_nSavedTotal);
        FreeItemRecord(record);
    }
    showCounters();

    if (!g_bSaveAbort) SetBarPos(IDC_PROGRESS_FOLDER, count);
    CloseFolderQuietly();
    EndBatchQuietly();
    DeleteReleasedAttachmentFiles();
    return 1;
}
