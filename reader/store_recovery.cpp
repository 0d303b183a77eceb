#include "reader/store_recovery.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "format/bytes.h"
#include "format/layout.h"
#include "format/props.h"
#include "reader/item_reader.h"
#include "reader/ltp.h"
#include "reader/ndb.h"
#include "reader/ndb_index.h"

namespace {

// Every folder node of the tree, in walk order.
std::vector<NodeEntry*> FolderNodes(StoreContext* context) {
    std::vector<NodeEntry*> folders;
    NodeEntry* n = context->pFirstNode;
    while (n) {
        if (IsFolderNid(n->nodeId)) folders.push_back(n);
        if (n->pFirstChild) {
            n = n->pFirstChild;
            continue;
        }
        while (n && !n->pNextSibling) n = n->pParent;
        if (n) n = n->pNextSibling;
    }
    return folders;
}

bool HasOrphanMessages(const StoreContext* context) {
    for (const NodeEntry* n = context->pFirstNode; n; n = n->pNextSibling) {
        if (IsMessageNid(n->nodeId)) return true;
    }
    return false;
}

using Salvaged = std::unordered_map<uint64_t, NodeEntry*>;

// The message node ids a folder's contents table lists (its rows' row ids).
std::vector<uint32_t> ListedItems(StoreContext* context, const NodeEntry* folder, const Salvaged& salvaged) {
    std::vector<uint32_t> ids;
    const uint64_t tableId = (folder->nodeId & ~uint64_t(fmt::kNidTypeMask)) | fmt::kNidTypeContentsTable;
    NodeEntry* table = FindNode(context, tableId);
    if (!table) {
        auto found = salvaged.find(tableId);
        if (found != salvaged.end()) table = found->second;
    }
    if (!table || !table->pDataBlock) return ids;
    SubnodeEntry* map = table->pSubnodeBlock ? ReadSubnodeMap(context, table->pSubnodeBlock) : nullptr;
    PropRow* rows = nullptr;
    try {
        rows = ReadNodeProperties(context, table->pDataBlock->blockId, map);
    } catch (...) {
        FreeSubnodeMap(map);
        throw;
    }
    for (const PropRow* row = rows; row; row = row->pNext) {
        for (int32_t i = 0; i < row->slotCount; ++i) {
            const PropValue* v = row->ppValues[i];
            if (v && v->propId == fmt::kPidLtpRowId && v->pData && v->size >= 4) {
                const uint32_t id = fmt::LoadLe32(v->pData);
                if (IsMessageNid(id)) ids.push_back(id);
            }
        }
    }
    FreePropRows(rows);
    FreeSubnodeMap(map);
    return ids;
}

// Folders below a folder, counted up to a bound (a damaged tree may be deep).
size_t FoldersBelow(const NodeEntry* top) {
    constexpr size_t kBound = 1u << 20;
    size_t count = 0;
    std::vector<const NodeEntry*> pending = {top};
    while (!pending.empty() && count < kBound) {
        const NodeEntry* n = pending.back();
        pending.pop_back();
        for (const NodeEntry* c = n->pFirstChild; c && count < kBound; c = c->pNextSibling) {
            if (!IsFolderNid(c->nodeId)) continue;
            ++count;
            pending.push_back(c);
        }
    }
    return count;
}

}  // namespace

NodeEntry* FindTopFolderWithoutStore(StoreContext* context) {
    NodeEntry* root = context ? FindNode(context, fmt::kNidRootFolder) : nullptr;
    NodeEntry* best = nullptr;
    size_t bestCount = 0;
    for (NodeEntry* c = root ? root->pFirstChild : nullptr; c; c = c->pNextSibling) {
        if (!IsFolderNid(c->nodeId) || c == root) continue;
        const size_t count = FoldersBelow(c);
        if (!best || count > bestCount) {
            best = c;
            bestCount = count;
        }
    }
    return best;
}

size_t RecoverListedItems(StoreContext* context) {
    if (!context || !context->pFirstNode) return 0;
    ReaderIndexes& index = GetIndexes(context);
    if (!index.nodeTreeDamaged && !HasOrphanMessages(context)) return 0;

    // The passed-over entries by id, the first of an id kept; none that the
    // tree already has.
    Salvaged salvaged;
    for (NodeEntry* n : index.salvagedNodes) {
        if (!FindNode(context, n->nodeId)) salvaged.emplace(n->nodeId, n);
    }

    // Folders and messages passed over whose parent folder is in the tree
    // go below it (a folder placed may take its own sub-folders and items in
    // the next round).
    size_t placed = 0;
    for (bool progress = true; progress;) {
        progress = false;
        for (NodeEntry* n : index.salvagedNodes) {
            auto found = salvaged.find(n->nodeId);
            if (found == salvaged.end() || found->second != n) continue;
            if (!IsFolderNid(n->nodeId) && !IsMessageNid(n->nodeId)) continue;
            NodeEntry* parent = n->parentId != 0 ? FindNode(context, n->parentId) : nullptr;
            if (!parent || !IsFolderNid(parent->nodeId)) continue;
            PlaceNodeUnder(context, n, parent);
            salvaged.erase(found);
            ++placed;
            progress = true;
        }
    }

    for (NodeEntry* folder : FolderNodes(context)) {
        for (uint32_t id : ListedItems(context, folder, salvaged)) {
            NodeEntry* node = FindNode(context, id);
            if (node && node->pParent == nullptr && node->parentId != folder->nodeId) {
                PlaceNodeUnder(context, node, folder);  // its parent id was damaged
                ++placed;
            } else if (!node) {
                auto found = salvaged.find(id);
                if (found == salvaged.end()) continue;
                PlaceNodeUnder(context, found->second, folder);
                salvaged.erase(found);
                ++placed;
            }
        }
    }
    return placed;
}
