#include "app/ItemListFill.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

#include "app/AppGlobals.h"
#include "app/FolderListCount.h"
#include "app/ItemListView.h"
#include "app/LeftView.h"
#include "app/ListRowRecords.h"
#include "app/WorkerGate.h"
#include "reader/item_reader.h"
#include "reader/ndb.h"
#include "reader/store_context.h"
#include "reader/store_load.h"

std::atomic<uint32_t> g_nSelFolderId{0};
std::atomic<int> g_nContactRows{0};

namespace {

// Message flags of the associated items that a folder never lists.
constexpr int32_t kHiddenItemFlags = 0x49;

struct ItemListJob {
    CLeftView* view;
    unsigned ticket;
};

bool ClassIs(const ItemRecord& r, const char* text) { return std::strcmp(r.szClass, text) == 0; }

void SetCaption(const CString& text) {
    if (g_pItemListView == nullptr) return;
    CTransparentStatic& caption = g_pItemListView->GetFolderCaption();
    caption.SetWindowText(L"");
    caption.SetWindowText(text);
}

CString LabelWithCount(const CString& label, int count) {
    CString text;
    text.Format(L"%s (%d)", label.GetString(), count);
    return text;
}

HWND ProgressBar() { return g_pProgressBar != nullptr ? g_pProgressBar->GetSafeHwnd() : nullptr; }

}  // namespace

bool IsNoteFolder(const ItemRecord* folderRecord) {
    return folderRecord != nullptr && folderRecord->szClass != nullptr &&
           std::strcmp(folderRecord->szClass, "IPF.Note") == 0;
}

int FolderKindOfChild(const ItemRecord& r, bool noteFolder) {
    if (r.pFolderCounts != nullptr || r.szClass == nullptr || r.nMessageFlags == kHiddenItemFlags) return 0;
    if (!noteFolder) {
        if (ClassIs(r, "IPM.Task")) return kFolderKindTask;
        if (ClassIs(r, "IPM.StickyNote") || ClassIs(r, "IPF.StickyNote")) return kFolderKindStickyNote;
        if (r.pJournal != nullptr || ClassIs(r, "IPM.Activity")) return kFolderKindJournal;
        if (ClassIs(r, "IPM.Configuration.Calendar") || ClassIs(r, "IPM.Appointment") ||
            ClassIs(r, "IPF.Appointment"))
            return kFolderKindCalendar;
        if (ClassIs(r, "IPM.Contact") || ClassIs(r, "IPM.Configuration.ContactPrefs")) return kFolderKindContact;
    }
    return r.pMessage != nullptr ? kFolderKindMail : 0;
}

ItemRecordPtr ReadListRecord(NodeEntry* node) {
    try {
        return ItemRecordPtr(ReadItemRecord(g_storeFile, node));
    } catch (const StoreFileException&) {
        return nullptr;
    }
}

NodeEntry* NodeAtListIndex(NodeEntry* first, long index) {
    if (index < 1) return nullptr;
    NodeEntry* node = first;
    for (long i = 1; node != nullptr && i < index; ++i) node = node->pNextSibling;
    return node;
}

NodeEntry* FindRowItemNode(int nRow) {
    if (g_pItemList == nullptr || nRow < 0) return nullptr;
    const CString index = g_pItemList->GetItemText(nRow, ListIndexColumn(g_nFolderKind));
    return NodeAtListIndex(g_pFolderItems, wcstol(index.GetString(), nullptr, 10));
}

void CLeftView::StartItemListFill(HTREEITEM item) {
    if (g_pItemListThread != nullptr) return;
    uint32_t id = 0;
    for (const folder& f : g_listFolders) {
        if (static_cast<HTREEITEM>(f.hItem) == item) {
            id = f.nNodeId;
            break;
        }
    }
    g_nSelFolderId = id;
    auto* job = new ItemListJob{this, g_itemListGate.Begin()};
    if (StartWorkerThread(ItemListThreadProc, job, g_pItemListThread) == nullptr) {
        delete job;
        g_itemListGate.End();
    }
}

UINT ItemListThreadProc(LPVOID pParam) {
    std::unique_ptr<ItemListJob> job(static_cast<ItemListJob*>(pParam));
    g_itemListGate.Enter(job->ticket);
    try {
        job->view->m_bFolderFound = FALSE;
        NodeEntry* node = job->view->FindFolderNode(g_nSelFolderId, g_pRootFolderNode);
        job->view->FillItemList(node);
    } catch (const WorkerEnded&) {
        // Stopped by the user between two rows; the frame has freed the slot.
    } catch (...) {
        // A failure outside the reads (which pass unreadable items over).
        ::ShowWindow(ProgressBar(), SW_HIDE);
    }
    // Only this run's slot: after a Stop the slot may already hold a newer fill.
    // The frame's commands and status text follow when the worker has ended
    // (the framework wakes the user-interface thread then).
    CWinThread* self = AfxGetThread();
    g_pItemListThread.compare_exchange_strong(self, nullptr);
    g_itemListGate.Leave();
    return 1;
}

NodeEntry* CLeftView::FindFolderNode(uint32_t nNodeId, NodeEntry* pFirst) {
    // Folder ids are 32-bit values; the tree's ids are the same values widened.
    const uint64_t wanted = nNodeId;
    std::vector<NodeEntry*> laterSiblings;
    for (NodeEntry* node = pFirst; node != nullptr || !laterSiblings.empty();) {
        if (node == nullptr) {
            node = laterSiblings.back();
            laterSiblings.pop_back();
            continue;
        }
        if (node->nodeId == wanted) {
            m_bFolderFound = TRUE;
            return node;
        }
        if (node->pFirstChild != nullptr) {
            if (node->pNextSibling != nullptr) laterSiblings.push_back(node->pNextSibling);
            node = node->pFirstChild;
        } else {
            node = node->pNextSibling;
        }
    }
    return nullptr;
}

void CLeftView::FillItemList(NodeEntry* pFolderNode) {
    CTarnwellView* view = g_pItemListView;
    if (view == nullptr) return;
    HWND list = view->GetList().GetSafeHwnd();
    g_itemListGate.Checkpoint();  // a fill stopped before it began touches nothing
    ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    FreeListRowRecords();  // no row refers to them any more
    g_nContactRows = 0;
    bool noteFolder = false;

    CTreeCtrl& tree = GetTreeCtrl();
    const CString label = tree.GetItemText(tree.GetSelectedItem());
    int chosenKind = 0;

    if (pFolderNode != nullptr) {
        NodeEntry* firstCandidate = nullptr;
        {
            ItemRecordPtr folderRecord = ReadListRecord(pFolderNode);
            const FolderCounts* counts = folderRecord ? folderRecord->pFolderCounts : nullptr;
            const int count = FolderListCount(counts, pFolderNode);
            g_itemListGate.Checkpoint();
            if (counts != nullptr && count == 0) {
                DeleteAllListColumns(list);
                ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
                SetCaption(LabelWithCount(label, 0));
                return;
            }
            if (count > 0) {
                ::ShowWindow(ProgressBar(), SW_SHOW);
                // The whole count: a 16-bit range would wrap above 65535 items.
                ::SendMessageW(ProgressBar(), PBM_SETRANGE32, 0, count);
                SetCaption(LabelWithCount(label, count));
                noteFolder = IsNoteFolder(folderRecord.get());
                firstCandidate = pFolderNode->pFirstChild;
            }
        }

        for (NodeEntry* child = firstCandidate; child != nullptr; child = child->pNextSibling) {
            g_itemListGate.Checkpoint();
            ItemRecordPtr record = ReadListRecord(child);
            const int kind = record ? FolderKindOfChild(*record, noteFolder) : 0;
            if (kind == 0) continue;
            record.reset();
            g_nFolderKind = kind;
            g_pFolderItems = child;
            chosenKind = kind;
            switch (kind) {
            case kFolderKindTask: view->FillTaskList(label); break;
            case kFolderKindStickyNote: view->FillNoteList(label); break;
            case kFolderKindJournal: view->FillJournalList(label); break;
            case kFolderKindCalendar: view->FillAppointmentList(label); break;
            case kFolderKindContact: view->FillContactList(label); break;
            default: view->FillMailList(child, label); break;
            }
            break;
        }
    }

    g_itemListGate.Checkpoint();
    ::SendMessageW(ProgressBar(), PBM_SETPOS, 100, 0);
    ::ShowWindow(ProgressBar(), SW_HIDE);
    if (label == L"Personal Folders") {
        DeleteAllListColumns(list);
        ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        SetCaption(label);
    }
    if (chosenKind == kFolderKindContact) SetCaption(LabelWithCount(label, g_nContactRows));
}
