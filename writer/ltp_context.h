// Property contexts and table contexts ([MS-PST] 2.3.3, 2.3.4) built over
// the heap writer. Values that do not fit a heap item go into subnodes of
// the node (NID_TYPE_LTP), which the caller attaches to the node.
#pragma once
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "writer/ltp_heap.h"
#include "writer/ltp_property_set.h"

namespace writer {

// Hands out subnode ids unique within one node: (index << 5) | type. Like
// Outlook's, they start at index 0x400, after the fixed ids of the recipient
// (0x692) and attachment (0x671) tables, so that a depth-first search of a
// message's subnodes meets its own tables before those of embedded messages.
class SubnodeIds {
public:
    explicit SubnodeIds(uint32_t firstIndex = 0x400) : next_(firstIndex) {}
    uint32_t Next(uint8_t nidType) { return (next_++ << 5) | nidType; }

private:
    uint32_t next_;
};

// A node's heap pages plus the subnodes its values need.
struct LtpNode {
    NodeData data;
    std::vector<Subnode> subnodes;
};

// Total bytes a node and its subnodes store (heap pages and streams).
uint64_t StoredSize(const LtpNode& node);
uint64_t StoredSize(const NodeData& data, const std::vector<Subnode>& subnodes);

LtpNode BuildPropertyContext(const PropertySet& props, SubnodeIds& ids);

// Rewrites an inline 4-byte value of a property context built above (no
// other byte moves). False when the property is not stored inline.
bool PatchInlineValue(NodeData& data, uint16_t id, uint32_t value);

// A column; ibData/iBit fix its place in the row (a template's layout),
// or are left to the builder (kAutoPlace), which groups cells by size.
constexpr uint16_t kAutoPlace = 0xFFFF;
struct TableColumn {
    uint32_t tag = 0;
    uint8_t cbData = 0;                        // 0: the type's own cell size
    uint16_t ibData = kAutoPlace;
    uint8_t iBit = 0;
};

class TableContextBuilder {
public:
    // The row id and row version columns are added when missing. Text
    // columns are retyped for the variant.
    TableContextBuilder(Variant variant, std::vector<TableColumn> columns, SubnodeIds& ids);

    // One row; cells are taken from the values whose id and type match a
    // column (a column with an explicit size takes the value's bytes inline).
    void AddRow(uint32_t rowId, const PropertySet& values);
    size_t RowCount() const { return rowIds_.size(); }
    size_t RowSize() const { return rowSize_; }

    // Where full blocks of the row matrix go as soon as they are full (the
    // store's file), so that a table of many rows is not held whole; the
    // sink returns the block's id. Without one, rows stay until Build.
    // The table's heap sends the pages it has moved past there too.
    void SetBlockSink(std::function<uint64_t(const Bytes&)> sink) {
        blockSink_ = sink;
        heap_.SetPageSink(std::move(sink));
    }

    // Damage hook: write the row index with root HID 0 while rows exist.
    void SetZeroRowIndexRoot(bool on) { zeroRowIndexRoot_ = on; }

    LtpNode Build();

private:
    struct Cell {
        TableColumn column;
        uint16_t ibData = 0;
        uint8_t iBit = 0;
    };
    uint32_t StoreValue(const PropValue& value);

    Variant variant_;
    SubnodeIds& ids_;
    HeapBuilder heap_;
    std::vector<Cell> cells_;
    size_t rowSize_ = 0;
    uint16_t rgib_[4] = {0, 0, 0, 0};
    // The row matrix in pieces of one block's worth of whole rows each, so
    // that a large table is never held twice or grown by copying.
    std::vector<Bytes> rows_;
    size_t rowsPerBlock_ = 0;
    std::function<uint64_t(const Bytes&)> blockSink_;
    std::vector<std::pair<uint64_t, uint32_t>> written_;   // row blocks written already
    std::vector<uint32_t> rowIds_;
    std::vector<Subnode> subnodes_;
    bool zeroRowIndexRoot_ = false;
};

}  // namespace writer
