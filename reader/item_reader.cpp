#include "reader/item_reader.h"

#include <cstdlib>

#include "format/bytes.h"
#include "reader/ltp.h"
#include "reader/ndb.h"
#include "reader/ndb_block.h"
#include "reader/property_apply.h"
#include "reader/reader_observer.h"

namespace {

constexpr uint32_t kLongEntryIdNidOffset = 36;
constexpr uint32_t kEntryIdNidOffset = 20;

// Releases what a read holds when it ends early (a file error raises through).
struct SubnodeMapGuard {
    SubnodeEntry* map = nullptr;
    ~SubnodeMapGuard() { FreeSubnodeMap(map); }
};
struct PropRowsGuard {
    PropRow* rows = nullptr;
    ~PropRowsGuard() { FreePropRows(rows); }
    void Reset(PropRow* r) {
        FreePropRows(rows);
        rows = r;
    }
};
struct RecordGuard {
    ItemRecord* record = nullptr;
    ~RecordGuard() { FreeItemRecord(record); }
    ItemRecord* Release() {
        ItemRecord* r = record;
        record = nullptr;
        return r;
    }
};

// MSGFLAG_HASATTACH of 0x0E07: the item has attachments.
constexpr int32_t kMessageHasAttachments = 0x10;

int32_t LostValues(const PropRow* rows) {
    int32_t lost = 0;
    for (const PropRow* row = rows; row; row = row->pNext) lost += row->lostValues;
    return lost;
}

PropRow* ReadSubnodeRows(StoreContext& context, SubnodeEntry* subnode, SubnodeEntry* map) {
    if (!subnode || !subnode->pDataBlock) return nullptr;
    return ReadNodeProperties(&context, subnode->pDataBlock->blockId, map);
}

// Makes one node per row in front of the record's list; the new head is the
// target of the first row.
AttachmentNode* PushNodesForRows(ItemRecord* record, PropRow* rows) {
    for (PropRow* row = rows; row; row = row->pNext) {
        AttachmentNode* node = NewAttachmentNode();
        if (!node) break;
        node->pNext = record->pAttachments;
        record->pAttachments = node;
    }
    return record->pAttachments;
}

// Subnode ids are local to the map that holds them: the subnodes of two
// attachments, of an attachment and the recipient table, or of the item and
// an embedded message, may share an id. A subnode of the item is looked for
// among the item's own subnodes first, then deeper.
SubnodeEntry* FindOwnSubnode(SubnodeEntry* map, uint32_t nid) {
    for (SubnodeEntry* e = map; e; e = e->pNext) {
        if (e->subnodeId == nid) return e;
    }
    return FindSubnode(map, nid);
}

// Applies a table (recipients or attachments) to new nodes; false when the
// record could not take it.
bool ApplyTable(StoreContext& context, ItemRecord* record, SubnodeEntry* map, uint32_t tableNid,
                bool* present) {
    *present = false;
    SubnodeEntry* table = FindOwnSubnode(map, tableNid);
    if (!table) return true;
    PropRowsGuard rows;
    rows.rows = ReadSubnodeRows(context, table, map);
    if (!rows.rows) return true;
    *present = true;
    record->nPartsLost += LostValues(rows.rows);
    AttachmentNode* head = PushNodesForRows(record, rows.rows);
    return ApplyProperties(record, rows.rows, head) == 0;
}

// The subnode that holds an attachment's data: its own subnode, or one of
// that subnode's map, before any other subnode of the item of that id.
SubnodeEntry* FindDataSubnode(SubnodeEntry* map, SubnodeEntry* own, uint32_t nid) {
    if (own->subnodeId == nid) return own;
    if (SubnodeEntry* e = FindSubnode(own->pNested, nid)) return e;
    return FindOwnSubnode(map, nid);
}

void MarkUnreadable(ItemRecord* record, AttachmentNode* attachment) {
    if (!attachment->bUnreadable) ++record->nPartsLost;
    attachment->bUnreadable = 1;
}

// The node's type says whether it is a folder: folders of newer stores may
// keep their counts only in the hierarchy table, and a message's recipient
// table may carry columns with the folder count ids (seen in real stores).
ItemRecord* FinishRecord(NodeEntry* node, ItemRecord* record) {
    if (IsFolderNid(node->nodeId) && !record->pFolderCounts) {
        record->pFolderCounts = static_cast<FolderCounts*>(std::calloc(1, sizeof(FolderCounts)));
    } else if (IsMessageNid(node->nodeId) && record->pFolderCounts) {
        std::free(record->pFolderCounts);
        record->pFolderCounts = nullptr;
    }
    return record;
}

// Every block of the attachments' data that the record does not hold: the
// data (a block or a data tree) and the subnodes it keeps (an embedded
// message's). Read only to check their trailers; nothing is kept.
void ReadAttachmentDataBlocks(StoreContext& context, const SubnodeEntry* map, int depth) {
    if (depth > 64) return;
    const DataSink nowhere;
    for (const SubnodeEntry* e = map; e; e = e->pNext) {
        ReadBlockToSink(e->pDataBlock, &context, nowhere);
        ReadAttachmentDataBlocks(context, e->pNested, depth + 1);
    }
}

void ReadAttachmentDataBlocks(StoreContext& context, const ItemRecord* record) {
    const DataSink nowhere;
    for (const AttachmentNode* a = record->pAttachments; a; a = a->pNext) {
        if (a->pData || a->bidData == 0 || a->bidData == ~uint64_t{0}) continue;
        ReadBlockToSink(FindBlock(&context, a->bidData), &context, nowhere);
        ReadAttachmentDataBlocks(context, a->pSubnodes, 0);
    }
}

ItemRecord* ReadItemParts(StoreContext& context, NodeEntry* node);

}  // namespace

// [MS-PST] 2.2.2.1: the low 5 bits of a node id give its type; 0x02 normal
// folder, 0x03 search folder.
bool IsFolderNid(uint64_t nid) {
    const unsigned type = static_cast<unsigned>(nid & 0x1F);
    return type == 0x02 || type == 0x03;
}

// 0x04 normal message, 0x08 associated message.
bool IsMessageNid(uint64_t nid) {
    const unsigned type = static_cast<unsigned>(nid & 0x1F);
    return type == 0x04 || type == 0x08;
}

ItemRecord* ReadItemRecord(StoreContext& context, NodeEntry* node) {
    if (!node || !node->pDataBlock) return nullptr;
    DamagedBlockCount damaged;
    ItemRecord* record = ReadItemParts(context, node);
    if (record) record->nBlocksDamaged = damaged.Count();
    return record;
}

namespace {

ItemRecord* ReadItemParts(StoreContext& context, NodeEntry* node) {

    // What a damaged store keeps from being read is left out and counted;
    // the rest of the item is read as usual.
    int32_t lost = (node->nMissingBlocks & kSubnodeBlockMissing) ? 1 : 0;
    SubnodeMapGuard map;
    if (node->pSubnodeBlock) map.map = ReadSubnodeMap(&context, node->pSubnodeBlock, &lost);
    // The blocks read ahead serve this item's reads only.
    struct ReadAheadGuard {
        ~ReadAheadGuard() { DropReadAhead(); }
    } readAhead;
    ReadSubnodeBlocksAhead(&context, map.map, node->pDataBlock);

    PropRowsGuard rows;
    rows.rows = ReadNodeProperties(&context, node->pDataBlock->blockId, map.map);
    if (!rows.rows) return nullptr;

    RecordGuard record;
    record.record = NewItemRecord();
    if (!record.record) return nullptr;
    record.record->nPartsLost = lost + LostValues(rows.rows);
    if (ApplyProperties(record.record, rows.rows, nullptr) != 0) return nullptr;
    rows.Reset(nullptr);

    bool present = false;
    if (!ApplyTable(context, record.record, map.map, kRecipientTableNid, &present)) return nullptr;
    const AttachmentNode* recipients = record.record->pAttachments;
    if (!ApplyTable(context, record.record, map.map, kAttachmentTableNid, &present)) return nullptr;
    const bool attachmentsRead = record.record->pAttachments != recipients;
    if (IsMessageNid(node->nodeId) && (record.record->nMessageFlags & kMessageHasAttachments) && !attachmentsRead)
        ++record.record->nPartsLost;  // the attachment table is gone or unreadable
    if (!present) return FinishRecord(node, record.Release());

    // Each node's own property context, read without a map so that large
    // attachment data stays where it is; the node keeps where it lies.
    // The attachment table's nodes come first, up to the first recipient's.
    bool attachmentRow = attachmentsRead;
    for (AttachmentNode* a = record.record->pAttachments; a; a = a->pNext) {
        if (a == recipients) attachmentRow = false;
        SubnodeEntry* own = FindOwnSubnode(map.map, static_cast<uint32_t>(a->nidData));
        if (!own) {
            // A row of the attachment table whose own subnode is gone.
            if (a->nidData != 0 && attachmentRow) MarkUnreadable(record.record, a);
            a->nidData = 0;
            continue;
        }
        rows.Reset(ReadSubnodeRows(context, own, nullptr));
        if (!rows.rows) {
            if (attachmentRow) MarkUnreadable(record.record, a);
            continue;
        }
        record.record->nPartsLost += LostValues(rows.rows);
        ApplyProperties(record.record, rows.rows, a);
        rows.Reset(nullptr);
        SubnodeEntry* data = FindDataSubnode(map.map, own, static_cast<uint32_t>(a->nidData));
        if (data) {
            a->bidData = data->pDataBlock ? data->pDataBlock->blockId : 0;
            FreeSubnodeMap(a->pSubnodes);
            a->pSubnodes = CopySubnodeMap(data->pNested);
            if (attachmentRow && !a->pData && !IsBlockDataComplete(&context, data->pDataBlock))
                MarkUnreadable(record.record, a);
        } else if (attachmentRow && !a->pData) {
            MarkUnreadable(record.record, a);  // its data names a subnode that is gone
        }
    }
    // The attachments' data is read when it is written out; while bodies are
    // read (an item shown or saved) its blocks are checked here too, while
    // the blocks read ahead still serve, so that the count of damaged blocks
    // covers all the item carries.
    if (GetReaderObserver().WantBodies()) ReadAttachmentDataBlocks(context, record.record);
    return FinishRecord(node, record.Release());
}

}  // namespace

NodeEntry* FindTopFolder(const ItemRecord* storeRecord, StoreContext& context) {
    if (!storeRecord || !storeRecord->pStore) return nullptr;
    const StoreRecord* store = storeRecord->pStore;
    uint32_t topId = kDefaultTopFolderNid;
    // The folder's node id sits at byte 36 of a long entry id. The 24-byte
    // EntryID of [MS-PST] (flags, store uid, nid) has it at byte 20;
    // nothing is read past a shorter one.
    const uint8_t* entryId = store->pIpmSubtreeEntryId;
    if (entryId && store->cbIpmSubtreeEntryId >= kLongEntryIdNidOffset + 4) {
        topId = fmt::LoadLe32(entryId + kLongEntryIdNidOffset);
    } else if (entryId && store->cbIpmSubtreeEntryId >= kEntryIdNidOffset + 4) {
        topId = fmt::LoadLe32(entryId + kEntryIdNidOffset);
    }
    if (NodeEntry* node = FindNode(&context, topId)) return node;
    NodeEntry* stub = NewNodeEntry(&context);
    if (!stub) return nullptr;
    stub->nodeId = topId;
    stub->parentId = 0;
    LinkNode(&context, stub);
    return stub;
}

SubnodeEntry* CopySubnodeMap(const SubnodeEntry* map) {
    SubnodeEntry* head = nullptr;
    SubnodeEntry** tail = &head;
    for (const SubnodeEntry* e = map; e; e = e->pNext) {
        auto* copy = new SubnodeEntry;
        copy->subnodeId = e->subnodeId;
        copy->pDataBlock = e->pDataBlock;
        copy->pNested = CopySubnodeMap(e->pNested);
        *tail = copy;
        tail = &copy->pNext;
    }
    return head;
}
