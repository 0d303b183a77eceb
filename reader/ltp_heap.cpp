// The heap-on-node of a node ([MS-PST] 2.3.1): its heap blocks and its items
// by HID or, for values kept in subnodes, by subnode id.
#include "format/bytes.h"
#include "format/layout.h"
#include "reader/ltp.h"

namespace {

bool IsSubnodeId(uint32_t hnid) { return (hnid & 0xF) == 0xF; }

void DecodeIfEncoded(StoreContext* context, uint64_t blockId, std::vector<uint8_t>& block) {
    if (context->cryptMethod != 0 && !(blockId & fmt::kBidInternalBit) && !block.empty())
        DecodeBlock(context->cryptMethod, block.data(), static_cast<uint32_t>(blockId), block.size());
}

}  // namespace

bool ReadNodeHeap(StoreContext* context, uint64_t dataBlockId, SubnodeEntry* subnodes, NodeHeap* heap) {
    heap->blocks.clear();
    heap->context = context;
    heap->pSubnodes = subnodes;
    std::vector<uint8_t> data;
    if (!context || ReadBlock(context, dataBlockId, data) == 0) return false;
    DecodeIfEncoded(context, dataBlockId, data);

    if (data.size() >= 2 && fmt::LoadLe16(data.data()) == fmt::kXBlockTag) {
        // Each child of an XBLOCK is one heap block; one that cannot be read
        // stays an empty block so that the block indexes of HIDs still hold.
        const size_t idSize = context->bUnicode ? 8 : 4;
        size_t count = data.size() >= 8 ? fmt::LoadLe16(data.data() + 2) : 0;
        if (data.size() >= 8 && count > (data.size() - 8) / idSize) count = (data.size() - 8) / idSize;
        heap->blocks.resize(count);
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* p = data.data() + 8 + i * idSize;
            const uint64_t childId = idSize == 8 ? fmt::LoadLe64(p) : fmt::LoadLe32(p);
            if (ReadBlock(context, childId, heap->blocks[i]) == 0) heap->blocks[i].clear();
            DecodeIfEncoded(context, childId, heap->blocks[i]);
        }
    } else {
        heap->blocks.push_back(std::move(data));
    }
    return true;
}

bool LookupHeapPageMap(uint32_t hid, const std::vector<uint8_t>& block, size_t* start, size_t* end) {
    if (block.size() < 2) return false;
    const size_t pageMap = fmt::LoadLe16(block.data());
    const size_t k = (hid & 0xFFFF) / 16;   // twice the item's index (1 to the map's count)
    if (block.size() < k + pageMap + 6 || k == 0 || k / 2 > fmt::LoadLe16(block.data() + pageMap)) return false;
    const size_t itemStart = fmt::LoadLe16(block.data() + pageMap + 2 + k);
    const size_t itemEnd = fmt::LoadLe16(block.data() + pageMap + 4 + k);
    // The item must lie inside its block.
    if (itemEnd < itemStart || itemEnd > block.size()) return false;
    *start = itemStart;
    *end = itemEnd;
    return true;
}

bool GetHeapItem(const NodeHeap& heap, uint32_t hnid, HeapItem* item) {
    item->data = nullptr;
    item->size = 0;
    item->owned.clear();
    if (hnid == 0) return false;
    if (IsSubnodeId(hnid)) {
        DataSink sink;
        sink.pVector = &item->owned;
        const uint64_t size = ReadSubnodeData(heap.pSubnodes, heap.context, hnid, sink);
        if (size == 0 || item->owned.size() < size) return false;
        item->data = item->owned.data();
        item->size = static_cast<size_t>(size);
        return true;
    }
    const size_t blockIndex = hnid >> 16;
    if (blockIndex >= heap.blocks.size() || (hnid & 0xF) != 0) return false;
    const std::vector<uint8_t>& block = heap.blocks[blockIndex];
    size_t start = 0;
    size_t end = 0;
    if (!LookupHeapPageMap(hnid, block, &start, &end)) return false;
    item->data = block.data() + start;
    item->size = end - start;
    return true;
}
