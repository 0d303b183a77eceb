// The block list and its index: FindBlock returns what a scan of the list in
// file order would, through a table that keeps the first entry of each id.
#include "format/layout.h"
#include "reader/ndb.h"
#include "reader/ndb_index.h"

namespace {

// The table answers for the list the context holds now; when other code
// replaced or emptied the list, the table is built again from it.
ReaderIndexes& BlockIndexFor(StoreContext* context) {
    ReaderIndexes& index = GetIndexes(context);
    if (index.indexedFirst != context->pFirstBlock || index.indexedLast != context->pLastBlock) {
        index.blocks.Clear();
        index.blockCount = 0;
        for (BbtEntry* entry = context->pFirstBlock; entry; entry = entry->pNext) {
            index.blocks.InsertFirst(entry);
            ++index.blockCount;
            if (entry == context->pLastBlock) break;
        }
        index.indexedFirst = context->pFirstBlock;
        index.indexedLast = context->pLastBlock;
    }
    return index;
}

}  // namespace

BbtEntry* FindBlock(StoreContext* context, uint64_t blockId) {
    const uint64_t key = blockId & ~fmt::kBidReservedBit;
    if (!context || key == 0) return nullptr;
    if (context->pFirstBlock) {
        if (BbtEntry* entry = BlockIndexFor(context).blocks.Find(key)) return entry;
    }
    return context->pIndexes ? context->pIndexes->salvagedBlocks.Find(key) : nullptr;
}

void SalvageBlock(StoreContext* context, uint64_t blockId, uint64_t offset, uint64_t byteCount) {
    if (!context || (blockId & ~fmt::kBidReservedBit) == 0) return;
    ReaderIndexes& index = GetIndexes(context);
    BbtEntry* entry = index.blockPool.New<BbtEntry>();
    entry->blockId = blockId & ~fmt::kBidReservedBit;
    entry->offset = offset;
    entry->byteCount = byteCount;
    index.salvagedBlocks.InsertFirst(entry);
}

BbtEntry* AppendBlock(StoreContext* context, uint64_t blockId, uint64_t offset, uint64_t byteCount) {
    ReaderIndexes& index = BlockIndexFor(context);
    BbtEntry* entry = index.blockPool.New<BbtEntry>();
    entry->blockId = blockId;
    entry->offset = offset;
    entry->byteCount = byteCount;
    if (context->pLastBlock)
        context->pLastBlock->pNext = entry;
    else
        context->pFirstBlock = entry;
    context->pLastBlock = entry;
    index.blocks.InsertFirst(entry);
    ++index.blockCount;
    index.indexedFirst = context->pFirstBlock;
    index.indexedLast = entry;
    return entry;
}

void ClearBlockList(StoreContext* context) {
    if (!context) return;
    context->pFirstBlock = context->pLastBlock = nullptr;
    if (!context->pIndexes) return;
    ReaderIndexes& index = *context->pIndexes;
    index.blocks.Clear();
    index.salvagedBlocks.Clear();
    index.blockPool.Clear();
    index.blockCount = 0;
    index.indexedFirst = index.indexedLast = nullptr;
}

uint64_t CountBlocks(const StoreContext* context) {
    if (!context || !context->pFirstBlock) return 0;
    uint64_t count = 0;
    for (const BbtEntry* entry = context->pFirstBlock; entry; entry = entry->pNext) ++count;
    return count;
}
