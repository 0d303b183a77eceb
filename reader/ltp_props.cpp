// Property and table contexts ([MS-PST] 2.3.3, 2.3.4): a node's heap read as
// one PropRow per property context or per table row.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "format/bytes.h"
#include "format/layout.h"
#include "format/props.h"
#include "reader/ltp.h"
#include "reader/named_props.h"
#include "reader/reader_observer.h"

int g_nReadProgressRange = 0;
int g_nReadProgressPos = 0;

namespace {

constexpr uint16_t kPcSignature = 0xBCEC;
constexpr uint16_t kTcSignature = 0x7CEC;
constexpr uint16_t kRowIndexSignature = 0x04B5;  // B-tree-on-heap with 4-byte keys
constexpr uint32_t kStringNamedId = 0xFFFFFFFF;
// Cells one table read may make: far above the largest real tables, a bound
// on what a damaged row size or row index can ask for.
constexpr size_t kMaxTableCells = size_t(1) << 22;
constexpr int kMaxIndexLevels = 4;                // a 4-level index would hold billions of rows
constexpr size_t kMaxIndexLookups = 1 << 16;

// One property or column of the row being read.
struct Cell {
    uint16_t id;
    uint16_t type;
    uint32_t value;           // inline value or HNID
    const uint8_t* view;      // table cells of more than 4 bytes
    size_t viewSize;
};

// Where the rows come from: the property context's records or the table's
// columns and row data.
struct Layout {
    bool table = false;
    HeapItem records;        // property context: 8-byte records
    HeapItem tableHeader;    // table: header with the column descriptors
    HeapItem rowData;
    size_t columns = 0;
    size_t rowSize = 0;
    size_t rows = 1;
    // A row matrix kept in a subnode may span several data blocks; rows never
    // cross a block boundary ([MS-PST] 2.3.4.4), and a block may end in
    // padding. One entry per block: its first row and its offset in the
    // concatenated row data. Empty when the rows follow each other without
    // gaps (a row matrix in the heap, or in one block).
    struct RowBlock {
        size_t firstRow;
        size_t offset;
        size_t rows;
    };
    std::vector<RowBlock> rowBlocks;
};

// Byte offset of a row in the row data.
size_t RowStart(const Layout& layout, size_t row) {
    if (layout.rowBlocks.empty()) return row * layout.rowSize;
    auto it = std::upper_bound(layout.rowBlocks.begin(), layout.rowBlocks.end(), row,
                               [](size_t r, const Layout::RowBlock& b) { return r < b.firstRow; });
    --it;  // the first block starts at row 0
    return it->offset + (row - it->firstRow) * layout.rowSize;
}

// Rows whose bytes lie wholly inside the row data.
size_t RowsInside(const Layout& layout) {
    if (layout.rowBlocks.empty()) return layout.rowData.size / layout.rowSize;
    const Layout::RowBlock& last = layout.rowBlocks.back();
    return last.firstRow + last.rows;
}

// The sizes of the data blocks of a subnode's data tree (XBLOCK or XXBLOCK),
// in order; empty when the subnode is one block or the tree cannot be read.
std::vector<uint64_t> DataTreeBlockSizes(StoreContext* context, SubnodeEntry* subnodes, uint32_t subnodeId) {
    std::vector<uint64_t> sizes;
    SubnodeEntry* entry = FindSubnode(subnodes, subnodeId);
    if (!entry || !entry->pDataBlock || !(entry->pDataBlock->blockId & fmt::kBidInternalBit)) return sizes;
    const size_t bidSize = context->bUnicode ? 8 : 4;
    // Children of one internal block; level 2 recurses once.
    std::vector<uint8_t> block;
    auto walk = [&](uint64_t blockId, int level, auto& self) -> bool {
        if (ReadBlock(context, blockId, block) < 8) return false;
        const uint16_t tag = fmt::LoadLe16(block.data());
        if (tag != (level == 2 ? fmt::kXXBlockTag : fmt::kXBlockTag)) return false;
        const size_t count = std::min<size_t>(fmt::LoadLe16(block.data() + 2), (block.size() - 8) / bidSize);
        std::vector<uint64_t> children;
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* p = block.data() + 8 + i * bidSize;
            children.push_back(bidSize == 8 ? fmt::LoadLe64(p) : fmt::LoadLe32(p));
        }
        for (uint64_t child : children) {
            if (level == 2) {
                if (!self(child, 1, self)) return false;
            } else {
                BbtEntry* b = FindBlock(context, child);
                if (!b) return false;
                sizes.push_back(b->byteCount);
            }
        }
        return true;
    };
    if (ReadBlock(context, entry->pDataBlock->blockId, block) < 8) return sizes;
    const int level = fmt::LoadLe16(block.data()) == fmt::kXXBlockTag ? 2 : 1;
    if (!walk(entry->pDataBlock->blockId, level, walk)) sizes.clear();
    return sizes;
}

// Lays the rows out block by block when the row matrix is a data tree.
void MapRowBlocks(StoreContext* context, const NodeHeap& heap, uint32_t rowDataHnid, Layout* layout) {
    if ((rowDataHnid & 0xF) != 0xF) return;
    const std::vector<uint64_t> sizes = DataTreeBlockSizes(context, heap.pSubnodes, rowDataHnid);
    if (sizes.size() < 2) return;
    uint64_t offset = 0;
    size_t firstRow = 0;
    for (uint64_t size : sizes) {
        if (offset + size > layout->rowData.size) break;  // the data read is shorter than the tree
        const size_t rows = static_cast<size_t>(size / layout->rowSize);
        layout->rowBlocks.push_back({firstRow, static_cast<size_t>(offset), rows});
        firstRow += rows;
        offset += size;
    }
}

bool ReadPropertyContextLayout(const NodeHeap& heap, uint32_t userRoot, Layout* layout) {
    HeapItem header;
    if (!GetHeapItem(heap, userRoot, &header) || header.size < 8) return false;
    const uint8_t* h = header.data;
    if (h[0] != fmt::kClientSigBth || h[1] != 2 || h[2] != 6 || h[3] != 0) return false;
    // A one-level B-tree-on-heap keeps its records in a heap item, never in
    // a subnode.
    const uint32_t recordsHid = fmt::LoadLe32(h + 4);
    if ((recordsHid & 0xF) == 0xF || !GetHeapItem(heap, recordsHid, &layout->records)) return false;
    layout->columns = layout->records.size / 8;
    return layout->columns != 0;
}

// The row index's records: a B-tree on the heap whose items above the leaves
// hold (4-byte key, heap id) pairs, one level per index level (a table of
// more rows than one heap item indexes has two or more). Stops counting at
// `enough`, and after `lookups` heap items, whatever a damaged index says.
size_t CountIndexRecords(const NodeHeap& heap, uint32_t hid, int levels, size_t recordSize, size_t enough,
                         size_t& lookups) {
    HeapItem item;
    if (lookups == 0 || levels > kMaxIndexLevels || !GetHeapItem(heap, hid, &item)) return 0;
    --lookups;
    if (levels == 0) return item.size / recordSize;
    size_t count = 0;
    for (size_t at = 0; at + 8 <= item.size && count < enough; at += 8)
        count += CountIndexRecords(heap, fmt::LoadLe32(item.data + at + 4), levels - 1, recordSize, enough - count,
                                   lookups);
    return count;
}

bool ReadTableContextLayout(StoreContext* context, const NodeHeap& heap, uint32_t userRoot, Layout* layout) {
    layout->table = true;
    HeapItem& header = layout->tableHeader;
    if (!GetHeapItem(heap, userRoot, &header) || header.size < 22 || header.data[0] != fmt::kClientSigTc)
        return false;
    const uint8_t* h = header.data;
    // Whole column descriptors only.
    layout->columns = h[1];
    if (layout->columns > (header.size - 22) / 8) layout->columns = (header.size - 22) / 8;
    layout->rowSize = fmt::LoadLe16(h + 8);

    HeapItem index;
    if (!GetHeapItem(heap, fmt::LoadLe32(h + 10), &index) || index.size < 8 ||
        fmt::LoadLe16(index.data) != kRowIndexSignature)
        return false;
    const uint32_t indexRoot = fmt::LoadLe32(index.data + 4);
    if (indexRoot == 0) return false;
    const size_t recordSize = index.data[2] + size_t(4);
    const uint32_t rowDataHnid = fmt::LoadLe32(h + 14);
    if (!GetHeapItem(heap, rowDataHnid, &layout->rowData)) return false;
    if (layout->rowSize == 0) return false;
    MapRowBlocks(context, heap, rowDataHnid, layout);
    // Only rows that lie inside the row data are read.
    const size_t inside = RowsInside(*layout);
    size_t lookups = kMaxIndexLookups;
    layout->rows = CountIndexRecords(heap, indexRoot, index.data[3], recordSize, inside, lookups);
    if (layout->rows > inside) layout->rows = inside;
    if (layout->columns && layout->rows > kMaxTableCells / layout->columns) layout->rows = kMaxTableCells / layout->columns;
    return layout->rows != 0;
}

Cell ReadCell(const Layout& layout, size_t row, size_t column) {
    Cell cell = {};
    if (!layout.table) {
        const uint8_t* r = layout.records.data + column * 8;
        cell.id = fmt::LoadLe16(r);
        cell.type = fmt::LoadLe16(r + 2);
        cell.value = fmt::LoadLe32(r + 4);
        return cell;
    }
    const uint8_t* d = layout.tableHeader.data + 22 + column * 8;
    const uint32_t tag = fmt::LoadLe32(d);
    cell.id = fmt::TagId(tag);
    cell.type = fmt::TagType(tag);
    const size_t offset = fmt::LoadLe16(d + 4);
    const size_t size = d[6];
    const size_t rowStart = RowStart(layout, row);
    if (rowStart + offset + size > layout.rowData.size) return cell;  // past the end: 0
    const uint8_t* bytes = layout.rowData.data + rowStart + offset;
    if (size > 4) {
        cell.view = bytes;
        cell.viewSize = size;
    } else {
        for (size_t i = 0; i < size; ++i) cell.value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    }
    return cell;
}

bool IsLoadedType(uint16_t type) {
    switch (type) {
    case fmt::kPtFloating64: case fmt::kPtObject: case fmt::kPtInteger64: case fmt::kPtString8:
    case fmt::kPtUnicode: case fmt::kPtTime: case fmt::kPtGuid: case fmt::kPtBinary:
    case fmt::kPtMultipleInteger32: case fmt::kPtMultipleInteger64: case fmt::kPtMultipleString8:
    case fmt::kPtMultipleUnicode: case fmt::kPtMultipleBinary:
        return true;
    // Further documented types that real stores carry (a multi-valued 16-bit
    // integer in ordinary mail, for one). Refusing them would make the whole
    // item unreadable, so they are copied like the types above.
    case fmt::kPtCurrency: case fmt::kPtFloatingTime: case fmt::kPtServerId:
    case fmt::kPtRestriction: case fmt::kPtRuleAction:
    case fmt::kPtMultipleInteger16: case fmt::kPtMultipleFloating32: case fmt::kPtMultipleFloating64:
    case fmt::kPtMultipleCurrency: case fmt::kPtMultipleFloatingTime: case fmt::kPtMultipleTime:
    case fmt::kPtMultipleGuid:
        return true;
    default:
        return false;
    }
}

// Documented types whose values hold nothing a record keeps: unspecified,
// null and error ([MS-OXCDATA] 2.11.1).
bool CarriesNothing(uint16_t type) { return type == 0x0000 || type == 0x0001 || type == fmt::kPtErrorCode; }

// A malloc'ed copy with one zero byte after it.
uint8_t* CopyBytes(const uint8_t* data, size_t size) {
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(size + 1));
    if (!copy) return nullptr;
    if (size) std::memcpy(copy, data, size);
    copy[size] = 0;
    return copy;
}

void FreeValue(PropValue* value) {
    if (!value) return;
    std::free(value->pData);
    delete value;
}

void FreeRow(PropRow* row) {
    for (int32_t i = 0; i < row->slotCount; ++i) FreeValue(row->ppValues[i]);
    delete[] row->ppValues;
    delete row;
}

// Kept: read (or, by design, left in its subnode); Lost: kept as its subnode
// id because the node's map lacks that subnode; Dropped: a heap item that
// cannot be read; Unsupported: a type no kept value has.
enum class ValueResult { Kept, Lost, Dropped, Unsupported };

// Fills a value from its cell by the rules of its type.
ValueResult LoadValue(StoreContext* context, const NodeHeap& heap, const Cell& cell, PropValue* value) {
    bool lost = false;
    switch (cell.type) {
    case fmt::kPtInteger16: case fmt::kPtInteger32: case fmt::kPtBoolean:
    case fmt::kPtFloating32: {  // the other 4-byte value kept inline
        uint8_t bytes[4];
        fmt::StoreLe32(bytes, cell.value);
        value->pData = CopyBytes(bytes, 4);
        value->size = 4;
        break;
    }
    default:
        if (!IsLoadedType(cell.type)) return ValueResult::Unsupported;
        if (cell.view) {
            value->pData = CopyBytes(cell.view, cell.viewSize);
            value->size = cell.viewSize;
        } else {
            HeapItem item;
            if (GetHeapItem(heap, cell.value, &item)) {
                value->pData = CopyBytes(item.data, item.size);
                value->size = item.size;
            } else if ((cell.value & 0xF) == 0xF) {
                value->type = cell.value;  // kept in a subnode that could not be read
                // Without a map the value stays in its subnode by design
                // (an attachment's data, read when it is written out).
                if (heap.pSubnodes) lost = true;
            } else {
                return ValueResult::Dropped;
            }
        }
        if (cell.type == fmt::kPtObject && value->pData) {
            // The value names the subnode that holds the object's data.
            const uint32_t subnodeId = value->size >= 4 ? fmt::LoadLe32(value->pData) : 0;
            std::free(value->pData);
            value->pData = nullptr;
            value->size = 0;
            std::vector<uint8_t> data;
            DataSink sink;
            sink.pVector = &data;
            const uint64_t size = ReadSubnodeData(heap.pSubnodes, context, subnodeId, sink);
            if (size != 0 && data.size() >= size) {
                value->pData = CopyBytes(data.data(), static_cast<size_t>(size));
                value->size = size;
            } else {
                value->type = subnodeId;
            }
        }
        break;
    }
    if (value->type == 0) value->type = cell.type;
    return lost ? ValueResult::Lost : ValueResult::Kept;
}

}  // namespace

PropRow* ReadNodeProperties(StoreContext* context, uint64_t dataBlockId, SubnodeEntry* subnodes) {
    NodeHeap heap;
    if (!ReadNodeHeap(context, dataBlockId, subnodes, &heap)) return nullptr;
    if (heap.blocks.empty() || heap.blocks[0].size() < 8) return nullptr;
    const std::vector<uint8_t>& first = heap.blocks[0];
    const uint16_t signature = fmt::LoadLe16(first.data() + fmt::kHeapHeader_bSig);
    const uint32_t userRoot = fmt::LoadLe32(first.data() + fmt::kHeapHeader_hidUserRoot);

    Layout layout;
    if (signature == kPcSignature) {
        if (!ReadPropertyContextLayout(heap, userRoot, &layout)) return nullptr;
    } else if (signature == kTcSignature) {
        if (!ReadTableContextLayout(context, heap, userRoot, &layout)) return nullptr;
    } else {
        return nullptr;
    }

    ReaderObserver& observer = GetReaderObserver();
    const bool wantBodies = observer.WantBodies();
    const int slots = static_cast<int>(layout.columns);
    PropRow* rows = nullptr;
    PropRow** tail = &rows;
    try {
        for (size_t r = 0; r < layout.rows; ++r) {
            PropRow* row = new PropRow();
            row->rowCount = static_cast<int32_t>(layout.rows);
            *tail = row;
            tail = &row->pNext;
            row->ppValues = new PropValue*[slots]();
            row->slotCount = slots;
            g_nReadProgressRange = 2 * slots + 2;
            if (observer.IsDisplayBusy()) observer.SetReadProgressRange(g_nReadProgressRange);

            for (int column = 0; column < slots; ++column) {
                // Counted over the whole run: wraps instead of overflowing.
                g_nReadProgressPos = static_cast<int>(static_cast<unsigned>(g_nReadProgressPos) + 1u);
                if (observer.IsDisplayBusy()) observer.SetReadProgressPos(g_nReadProgressPos);
                const Cell cell = ReadCell(layout, r, static_cast<size_t>(column));

                PropValue* value = new PropValue();
                value->propId = cell.id;
                NamedPropEntry* named = FindNamedPropEntry(context, cell.id);
                if (named && named->propId == cell.id) {
                    if (named->kind == kNamedPropNumeric && named->pValue) {
                        value->propId = *static_cast<const uint32_t*>(named->pValue);
                    } else if (named->kind == kNamedPropString) {
                        value->propId = kStringNamedId;
                        value->pszName = static_cast<const char*>(named->pValue);
                    }
                }
                row->ppValues[row->valueCount++] = value;

                // Bodies that only the item view and the export need stay unread.
                if (!wantBodies && (value->propId == fmt::kPidHtml || value->propId == fmt::kPidRtfCompressed)) {
                    value->type = cell.value;
                    continue;
                }
                const ValueResult result = LoadValue(context, heap, cell, value);
                if (result == ValueResult::Dropped) {
                    FreeValue(value);
                    row->ppValues[--row->valueCount] = nullptr;
                    // HNID 0 is an empty value, not a lost one.
                    if (cell.value != 0) ++row->lostValues;
                } else if (result == ValueResult::Lost) {
                    ++row->lostValues;
                } else if (result == ValueResult::Unsupported) {
                    // A type no property has is damage: that value is left
                    // out and counted, the rest of the item is read. An
                    // error or null value carries nothing to keep.
                    FreeValue(value);
                    row->ppValues[--row->valueCount] = nullptr;
                    if (!CarriesNothing(cell.type)) ++row->lostValues;
                }
            }
        }
    } catch (...) {
        // A file error while reading a value: the rows made so far go with it.
        FreePropRows(rows);
        throw;
    }
    return rows;
}

void FreePropRows(PropRow* rows) {
    while (rows) {
        PropRow* next = rows->pNext;
        FreeRow(rows);
        rows = next;
    }
}
