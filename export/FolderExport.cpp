// One checked folder into the new personal store: its path from the folder
// tree, the folder chain in the item writer, and every item of the folder
// handed to the exporter of its class, with counters, bars and the free-space
// step every 150 items. The item writer's batch is ended (a checkpoint: the
// new store on disk holds everything so far) as CheckpointDue says; a batch
// end that fails stops the save, and what it held is counted lost.
#include "app/AppGlobals.h"
#include "app/FolderListCount.h"
#include "app/LeftView.h"
#include "app/Prompts.h"
#include "export/AttachmentFiles.h"
#include "export/CheckpointRule.h"
#include "export/ContactExport.h"
#include "export/DestinationChecks.h"
#include "export/ExportState.h"
#include "export/ExportText.h"
#include "export/ItemExporters.h"
#include "export/LoomcraftDriver.h"
#include "export/MailExport.h"
#include "export/OstSaving.h"
#include "export/SaveLosses.h"
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

// The folder tree's item of a folder, or NULL.
HTREEITEM TreeItemOfFolder(uint32_t folderId) {
    for (const folder& f : g_listFolders)
        if (f.nNodeId == folderId) return static_cast<HTREEITEM>(f.hItem);
    return nullptr;
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

// The item writer's state in this save: items handed over since its last
// good checkpoint, and whether a batch end has failed (the store then takes
// nothing more).
int g_pendingItems = 0;
int g_checkpointedItems = 0;
DWORD g_lastCheckpoint = 0;
DWORD g_lastCheckpointCost = 0;   // how long the last batch end took
bool g_writerFailed = false;
bool g_destinationFull = false;   // the last failure's destination was full
// Why the save stopped before its end, for the items it did not reach: a
// system error code, else a text.
DWORD g_stopError = 0;
CString g_stopText;
const wchar_t kUnreadableItem[] = L"An item cannot be read from the store being saved.";
const wchar_t kDamagedPart[] = L"Parts of items cannot be read from the store being saved.";
const wchar_t kUnsentContact[] = L"Contacts marked as unsent (message flags 9) are not saved.";
const wchar_t kMissingItem[] = L"Items a folder lists cannot be found in the store being saved.";
const wchar_t kStoppedByUser[] = L"The save was stopped before it reached them.";
const wchar_t kShortOfSpace[] = L"There is not enough free disk space at the destination.";
const wchar_t kFolderNotMade[] = L"The item writer cannot make their folder in the new store.";

void StopBecause(DWORD error, const CString& text) {
    g_stopError = error;
    g_stopText = text;
}

// Items the folder's record counts but the node tree does not hold: a store
// cut short, or a damaged node tree, lost them.
int MissingItems(const FolderCounts* counts, const NodeEntry* folderNode) {
    if (counts == nullptr) return 0;
    const int listed = counts->nContentCount;
    const int held = CountMessageNodes(folderNode);
    return listed > held ? listed - held : 0;
}

// A node of the folder that is an item (not a sub-folder or an associated item).
bool IsMessageNode(const NodeEntry* node) { return (node->nodeId & 0x1F) == kNormalMessageNodeType; }

// The items from this node of a folder's child chain to its end.
int ItemsFrom(const NodeEntry* child) {
    int count = 0;
    for (; child != nullptr; child = child->pNextSibling)
        if (IsMessageNode(child)) ++count;
    return count;
}

bool EnoughFreeSpaceAt(const CString& folder) {
    ULARGE_INTEGER available = {}, total = {}, free = {};
    // Only a failing query counts as enough space: the item writer then
    // reports a full disk its own way.
    if (!g_Seams.GetDiskFreeSpaceEx(folder, &available, &total, &free)) return true;
    return free.QuadPart > kMinimumFreeBytes;
}

// Why the item writer failed, as far as the destination tells: a full disk,
// the folder's own error, else the component's text. It becomes the reason
// of the save's stop. True for a full disk.
bool NoteWriterFailureReason(const CString& componentText) {
    const DWORD error = FolderWriteError(g_strDestDir);
    const bool full = !EnoughFreeSpaceAt(g_strDestDir) || error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
    if (full) StopBecause(ERROR_DISK_FULL, CString());
    else if (error != 0) StopBecause(error, CString());
    else StopBecause(0, componentText);
    g_destinationFull = full;
    return full;
}

// Ends the item writer's batch: a checkpoint. On failure the items it held
// are counted lost and the store takes nothing more.
bool EndBatchChecked() {
    if (g_writerFailed) return false;
    try {
        const DWORD start = GetTickCount();
        g_itemWriter.EndBatch();
        g_checkpointedItems += g_pendingItems;
        g_pendingItems = 0;
        g_lastCheckpoint = GetTickCount();
        g_lastCheckpointCost = g_lastCheckpoint - start;
        return true;
    } catch (...) {
        const CString text = CurrentFailureText();
        g_writerFailed = true;
        NoteWriterFailureReason(text);
        g_saveLosses.Items(g_pendingItems, g_stopError, g_stopText);
        g_pendingItems = 0;
        return false;
    }
}

bool BeginBatchChecked() {
    if (g_writerFailed) return false;
    try {
        g_itemWriter.BeginBatch();
        return true;
    } catch (...) {
        g_writerFailed = true;
        NoteWriterFailureReason(CurrentFailureText());
        return false;
    }
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
    ReleaseAttachmentFiles();   // the item writer has read them
}

void CloseFolderQuietly() {
    try {
        g_itemWriter.CloseFolder();
    } catch (...) {
    }
}

}  // namespace

// A stored item of a damaged store goes without what the reader could not
// read: each unreadable attachment and each other part is one loss; an item
// whose blocks fail their check sum is saved as found, and told of.
void CountWhatAStoredItemLacks(const ItemRecord& record) {
    int attachments = 0;
    for (const AttachmentNode* a = record.pAttachments; a != nullptr; a = a->pNext)
        if (a->bUnreadable) {
            g_saveLosses.Attachment(0, kDamagedPart);
            ++attachments;
        }
    for (int i = attachments; i < record.nPartsLost; ++i) g_saveLosses.Part(0, kDamagedPart);
    if (record.nBlocksDamaged > 0) g_saveLosses.Damaged(kReasonStoreDamaged);
}

CString COstSaving::BuildFolderPath(uint32_t folderId) {
    HTREEITEM item = TreeItemOfFolder(folderId);
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
        if (!BeginBatchChecked()) return;
        try {
            ComText path(g_strPstFolderPath);
            g_itemWriter.CreateFolder(path.Ref());
        } catch (...) {
            // The folder is made when it is opened.
        }
        if (!EndBatchChecked()) return;
    }
}

bool COstSaving::EnoughFreeSpace() { return EnoughFreeSpaceAt(g_strDestDir); }

void COstSaving::ItemsHandedOver(int& checkpointed, int& afterCheckpoint) {
    checkpointed = g_checkpointedItems;
    afterCheckpoint = g_pendingItems;
}

void COstSaving::BeginWriterState() {
    g_pendingItems = 0;
    g_checkpointedItems = 0;
    g_lastCheckpoint = GetTickCount();
    g_lastCheckpointCost = 0;
    g_writerFailed = false;
    g_destinationFull = false;
    StopBecause(0, CString());
}

void COstSaving::NoteUserStop() { StopBecause(0, kStoppedByUser); }

void COstSaving::CountFolderNotReached(const NodeEntry* folderNode) {
    if (folderNode != nullptr) g_saveLosses.Items(ItemsFrom(folderNode->pFirstChild), g_stopError, g_stopText);
}

int COstSaving::StopForWriterFailure(bool destinationFull, const NodeEntry* notHandedOver) {
    g_saveLosses.Items(ItemsFrom(notHandedOver), g_stopError, g_stopText);
    if (destinationFull)
        AppMessageBox(GetSafeHwnd(), L"There is not enough free disk space. Please select another path for saving.",
                      g_szCaption, MB_SYSTEMMODAL | MB_ICONHAND);
    DeleteAttachmentFiles();
    return 2;
}

int COstSaving::SaveFolder(uint32_t folderId, NodeEntry* folderNode) {
    g_bFolderEmpty = FALSE;
    if (g_bSaveAbort) {
        NoteUserStop();
        CountFolderNotReached(folderNode);
        return 1;
    }

    // A folder whose own record the damage keeps from being read still has
    // its items saved, under the name the tree shows for it ("Folder <id>"),
    // with the node tree for its count.
    ItemRecord* folderRecord = ReadNode(folderNode);
    const bool recordRead = folderRecord != nullptr && folderRecord->pFolderCounts != nullptr;
    const FolderCounts stored = recordRead ? *folderRecord->pFolderCounts : FolderCounts{};
    const FolderCounts* counts = recordRead ? &stored : nullptr;
    const CString folderName = recordRead ? WidenStoreText(folderRecord->txDisplayName)
                                          : TreeItemText(FolderTree(), TreeItemOfFolder(folderId));
    FreeItemRecord(folderRecord);

    // The store's top folder ("Personal Folders") keeps its own items in
    // the new store's top folder; it is stored only when it holds any.
    const bool top = g_pRootFolderNode != nullptr && folderNode->pFirstChild == g_pRootFolderNode;
    if (top)
        g_strPstFolderPath = g_strPstRootPath;
    else
        CreatePstFolderChain(RelativeFolderPath(BuildFolderPath(folderId)));
    const CString folderPath = g_strPstFolderPath;
    if (g_writerFailed) return StopForWriterFailure(g_destinationFull, folderNode->pFirstChild);

    const int missing = MissingItems(counts, folderNode);
    if (folderNode->pFirstChild == nullptr || (top && ItemsFrom(folderNode->pFirstChild) == 0 && missing == 0)) {
        g_saveLosses.Items(missing, 0, kMissingItem);
        g_bFolderEmpty = TRUE;
        return 1;
    }

    // A folder whose stored count is 0 still has its items saved: the node
    // tree decides what is read, the count (the list's own) scales the bar.
    const int count = FolderListCount(counts, folderNode);
    g_nFolderItemCount = count;
    CString countText;
    countText.Format(L"%d", count);
    CString counterText;
    g_nSavedInFolder = 0;
    SetItemText(IDC_FOLDER_VALUE, folderName);
    SetBarRange(IDC_PROGRESS_FOLDER, count);

    if (!BeginBatchChecked()) return StopForWriterFailure(g_destinationFull, folderNode->pFirstChild);
    try {
        ComText path(folderPath);
        g_itemWriter.OpenFolder(path.Ref());
    } catch (...) {
        // No folder to store them in: the folder's items are lost, the save
        // goes on with the next folder.
        const CString text = CurrentFailureText();
        g_saveLosses.Items(ItemsFrom(folderNode->pFirstChild), 0, text.IsEmpty() ? CString(kFolderNotMade) : text);
        g_saveLosses.Items(missing, 0, kMissingItem);
        if (!EndBatchChecked()) return StopForWriterFailure(g_destinationFull, nullptr);
        return 1;
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

    int storedInFolder = 0;   // items handed to the item writer in this folder
    NodeEntry* child = folderNode->pFirstChild;
    for (; child != nullptr && !g_bSaveAbort; child = child->pNextSibling) {
        g_saveGate.Checkpoint();
        if (g_bSaveAbort) break;
        ItemRecord* record = ReadNode(child);
        if (record == nullptr) {
            if (IsMessageNode(child)) g_saveLosses.Item(0, kUnreadableItem);
            continue;
        }
        ItemRoute route = RouteForItem(*record);
        // An item of the folder's hidden part without a delivery time (a
        // view or rule setting, not a mail) is counted, not stored.
        if (route == ItemRoute::Mail && !IsMessageNode(child) && record->pMessage->pftMessageDeliveryTime == nullptr)
            route = ItemRoute::CountOnly;
        // A contact marked as unsent is left out, and told of.
        if (route == ItemRoute::CountOnly && record->nKind == kItemKindContact) g_saveLosses.Item(0, kUnsentContact);
        if (route == ItemRoute::Skip) {
            // An item whose class the damage keeps from being read.
            if (IsMessageNode(child) && record->pFolderCounts == nullptr && record->szClass == nullptr)
                g_saveLosses.Item(0, kUnreadableItem);
            FreeItemRecord(record);
            continue;
        }
        if (route == ItemRoute::NotCounted) {
            // An item node without any message property: its properties could not be read.
            if (IsMessageNode(child)) g_saveLosses.Item(0, kUnreadableItem);
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
                StopBecause(0, kShortOfSpace);
                g_saveLosses.Items(ItemsFrom(child), g_stopError, g_stopText);
                EndBatchChecked();
                DeleteAttachmentFiles();
                return 2;
            }
            // The item writer's folder is closed and opened again at each
            // step. A failure loses nothing by itself: every item names its
            // folder, and an item the item writer refuses is counted.
            try {
                g_itemWriter.CloseFolder();
                ComText path(folderPath);
                g_itemWriter.OpenFolder(path.Ref());
            } catch (...) {
            }
        }

        const int lostBefore = g_saveLosses.items, refusedBefore = g_saveLosses.refused;
        try {
            StoreItem(route, record);
        } catch (...) {
            g_saveLosses.Item(0, kReasonNotReady);
        }
        bool stop = false;
        if (g_saveLosses.refused > refusedBefore) {
            // A refused item on a full destination stops the save as the
            // free-space step does; the store keeps its last checkpoint.
            stop = NoteWriterFailureReason(g_saveLosses.description);
            if (stop) g_saveLosses.RetellLastRefusal(g_stopError, g_stopText);
        } else if (g_saveLosses.items == lostBefore && route != ItemRoute::CountOnly) {
            ++g_pendingItems;
            ++storedInFolder;
            CountWhatAStoredItemLacks(*record);
        }
        if (!stop && CheckpointDue(g_pendingItems, storedInFolder, GetTickCount() - g_lastCheckpoint,
                                   g_lastCheckpointCost))
            stop = !EndBatchChecked() || !BeginBatchChecked();

        if (g_nSavedInFolder < g_nFolderItemCount) ++g_nSavedInFolder;
        counterText.Format(L"%d", g_nSavedInFolder);
        ++g_nSavedTotal;
        counters(counterText + L"/" + countText, g_nSavedInFolder, g_nSavedTotal);
        FreeItemRecord(record);
        if (stop) {
            showCounters();
            CloseFolderQuietly();
            EndBatchChecked();
            return StopForWriterFailure(g_destinationFull, child->pNextSibling);
        }
    }
    showCounters();
    if (g_bSaveAbort) {
        NoteUserStop();
        g_saveLosses.Items(ItemsFrom(child), g_stopError, g_stopText);
    } else {
        SetBarPos(IDC_PROGRESS_FOLDER, count);
    }
    g_saveLosses.Items(missing, 0, kMissingItem);
    CloseFolderQuietly();
    if (!EndBatchChecked()) return StopForWriterFailure(g_destinationFull, nullptr);
    DeleteAttachmentFiles();
    return 1;
}
