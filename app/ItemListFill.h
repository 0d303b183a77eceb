// Filling the item list for a clicked folder on the item-list worker, and
// finding a listed row's item again.
#pragma once
#include "framework/framework.h"

#include <atomic>
#include <cstdint>
#include <memory>

#include "reader/item_record.h"

struct NodeEntry;

// 32-bit node id of the folder to list; 0 for a tree item in no folder list.
extern std::atomic<uint32_t> g_nSelFolderId;
// Contact rows inserted by the current fill.
extern std::atomic<int> g_nContactRows;

// The item-list worker's procedure (parameter: the CLeftView).
UINT ItemListThreadProc(LPVOID pParam);

// The row's item: the "Index" cell of the row counts siblings from
// g_pFolderItems (which counts 1). Null when the row or the index does not
// lead to a node.
NodeEntry* FindRowItemNode(int nRow);
// The node `index` places along the sibling chain from `first` (1 is first).
NodeEntry* NodeAtListIndex(NodeEntry* first, long index);

// Whether a folder (its record) is of class "IPF.Note": there only the mail
// test decides the folder kind.
bool IsNoteFolder(const ItemRecord* folderRecord);
// The folder kind a child of the listed folder decides: 0 for a child that
// decides nothing (a sub-folder, no class, a hidden item, or no kind), and
// the walk for the first listed child goes on.
int FolderKindOfChild(const ItemRecord& child, bool noteFolder);

struct ItemRecordDeleter {
    void operator()(ItemRecord* record) const { FreeItemRecord(record); }
};
using ItemRecordPtr = std::unique_ptr<ItemRecord, ItemRecordDeleter>;
// The node's record, or null when it cannot be read (a file error included).
ItemRecordPtr ReadListRecord(NodeEntry* node);
