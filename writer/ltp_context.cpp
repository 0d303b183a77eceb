#include "writer/ltp_context.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "format/bytes.h"
#include "format/layout.h"
#include "format/props.h"

namespace writer {

namespace {
uint64_t DataSize(const NodeData& data) {
    if (!data.written.empty()) {
        uint64_t total = 0;
        for (const auto& w : data.written) total += w.second;
        return total;
    }
    if (data.source) return data.source->Size();
    uint64_t total = data.stream.size();
    for (const Bytes& b : data.blocks) total += b.size();
    return total;
}

// Stores a variable-size value in the heap, or in a new subnode when it is
// too large; returns its HNID (0 for an empty value, as Outlook writes it).
uint32_t StoreVariable(HeapBuilder& heap, const PropValue& value, SubnodeIds& ids,
                       std::vector<Subnode>& subnodes) {
    const uint64_t size = value.Size();
    if (size == 0) return 0;
    if (size <= kMaxHeapItem) {
        if (!value.source) return heap.Allocate(value.bytes);
        Bytes bytes(static_cast<size_t>(size), 0);
        value.source->Read(bytes.data(), bytes.size());
        return heap.Allocate(bytes);
    }
    Subnode sub;
    sub.nid = ids.Next(fmt::kNidTypeLtp);
    if (value.source) sub.data.source = value.source;
    else sub.data.stream = value.bytes;
    subnodes.push_back(std::move(sub));
    return subnodes.back().nid;
}

uint32_t StoreObject(HeapBuilder& heap, const PropValue& value, SubnodeIds& ids,
                     std::vector<Subnode>& subnodes) {
    Subnode sub = value.object ? *value.object : Subnode{};
    if (sub.nid == 0) sub.nid = ids.Next(fmt::kNidTypeLtp);
    uint8_t ref[8];
    fmt::StoreLe32(ref, sub.nid);
    fmt::StoreLe32(ref + 4, value.bytes.size() >= 4 ? fmt::LoadLe32(value.bytes.data()) : 0);
    subnodes.push_back(std::move(sub));
    return heap.Allocate(ref, sizeof ref);
}

uint32_t InlineValue(const Bytes& bytes) {
    uint32_t v = 0;
    for (size_t i = 0; i < bytes.size() && i < 4; ++i) v |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    return v;
}
}  // namespace

uint64_t StoredSize(const NodeData& data, const std::vector<Subnode>& subnodes) {
    uint64_t total = DataSize(data);
    for (const Subnode& s : subnodes) total += StoredSize(s.data, s.subnodes);
    return total;
}
uint64_t StoredSize(const LtpNode& node) { return StoredSize(node.data, node.subnodes); }

LtpNode BuildPropertyContext(const PropertySet& props, SubnodeIds& ids) {
    LtpNode out;
    HeapBuilder heap(props.variant(), fmt::kClientSigPc);
    Bytes records;
    records.reserve(props.values().size() * 8);
    for (const auto& entry : props.values()) {
        const PropValue& value = entry.second;
        uint32_t hnid;
        const size_t fixed = FixedTypeSize(value.type);
        if (value.type == fmt::kPtObject)
            hnid = StoreObject(heap, value, ids, out.subnodes);
        else if (fixed != 0 && fixed <= 4)
            hnid = InlineValue(value.bytes);
        else
            hnid = StoreVariable(heap, value, ids, out.subnodes);
        uint8_t rec[8];
        fmt::StoreLe16(rec, entry.first);
        fmt::StoreLe16(rec + 2, value.type);
        fmt::StoreLe32(rec + 4, hnid);
        records.insert(records.end(), rec, rec + 8);
    }
    heap.SetUserRoot(WriteBth(heap, 2, 6, records));
    out.data.blocks = heap.Finish();
    return out;
}

bool PatchInlineValue(NodeData& data, uint16_t id, uint32_t value) {
    // Walk the heap written above: user root -> BTH header -> leaf records.
    if (data.blocks.empty()) return false;
    auto item = [&](uint32_t hid, size_t& start, size_t& end) -> Bytes* {
        const size_t page = hid >> 16, index = (hid & 0xFFFF) >> 5;
        if (page >= data.blocks.size() || index == 0) return nullptr;
        Bytes& b = data.blocks[page];
        fmt::ByteView v(b.data(), b.size());
        const size_t map = v.U16(0);
        if (!v.Has(map + 2 + 2 * index, 2)) return nullptr;
        start = v.U16(map + 2 + 2 * index);
        end = v.U16(map + 4 + 2 * index);
        return end >= start && end <= b.size() ? &b : nullptr;
    };
    size_t s = 0, e = 0;
    Bytes* b = item(fmt::LoadLe32(&data.blocks[0][fmt::kHeapHeader_hidUserRoot]), s, e);
    if (!b || e - s < 8 || (*b)[s + 3] != 0) return false;               // one level only
    b = item(fmt::LoadLe32(&(*b)[s + 4]), s, e);
    if (!b) return false;
    for (size_t off = s; off + 8 <= e; off += 8) {
        if (fmt::LoadLe16(&(*b)[off]) != id) continue;
        const size_t fixed = FixedTypeSize(fmt::LoadLe16(&(*b)[off + 2]));
        if (fixed == 0 || fixed > 4) return false;
        fmt::StoreLe32(&(*b)[off + 4], value);
        return true;
    }
    return false;
}

TableContextBuilder::TableContextBuilder(Variant variant, std::vector<TableColumn> columns,
                                         SubnodeIds& ids)
    : variant_(variant), ids_(ids), heap_(variant, fmt::kClientSigTc) {
    const uint32_t rowIdTag = fmt::MakeTag(fmt::kPidLtpRowId, fmt::kPtInteger32);
    const uint32_t rowVerTag = fmt::MakeTag(fmt::kPidLtpRowVer, fmt::kPtInteger32);
    std::vector<TableColumn> ordered = {{rowIdTag, 4, 0, 0}, {rowVerTag, 4, 4, 1}};
    bool placed = true;
    for (TableColumn c : columns) {
        c.tag = TagForVariant(variant, c.tag);
        if (c.tag == rowIdTag || c.tag == rowVerTag) continue;
        if (!c.cbData) {
            const size_t fixed = FixedTypeSize(fmt::TagType(c.tag));
            c.cbData = static_cast<uint8_t>(fixed ? fixed : 4);          // 4: an HNID
        }
        placed = placed && c.ibData != kAutoPlace;
        ordered.push_back(c);
    }
    size_t bits = ordered.size();
    if (placed) {
        // A template's layout: cells where it puts them; the group ends and
        // the bitmap follow from them.
        size_t end4 = 8, end2 = 0, end1 = 0;
        for (const TableColumn& c : ordered) {
            const size_t end = static_cast<size_t>(c.ibData) + c.cbData;
            size_t& groupEnd = c.cbData >= 4 ? end4 : c.cbData >= 2 ? end2 : end1;
            groupEnd = std::max(groupEnd, end);
            bits = std::max(bits, static_cast<size_t>(c.iBit) + 1);
            cells_.push_back(Cell{c, c.ibData, c.iBit});
        }
        rgib_[0] = static_cast<uint16_t>(end4);
        rgib_[1] = static_cast<uint16_t>(std::max(end4, end2));
        rgib_[2] = static_cast<uint16_t>(std::max<size_t>(rgib_[1], end1));
    } else {
        // Row id and version first, then 8- and 4-byte cells, 2-byte cells
        // and 1-byte cells, each in the order given.
        size_t offset = 0;
        for (int pass = 0; pass < 4; ++pass) {
            for (size_t i = 0; i < ordered.size(); ++i) {
                const size_t size = ordered[i].cbData;
                const bool take = pass == 0 ? (i < 2)
                                : pass == 1 ? (i >= 2 && size >= 4)
                                : pass == 2 ? (i >= 2 && (size == 2 || size == 3))
                                            : (i >= 2 && size == 1);
                if (!take) continue;
                cells_.push_back(Cell{ordered[i], static_cast<uint16_t>(offset), static_cast<uint8_t>(i)});
                offset += size;
            }
            if (pass >= 1) rgib_[pass - 1] = static_cast<uint16_t>(offset);
        }
    }
    rowSize_ = rgib_[2] + (bits + 7) / 8;
    rgib_[3] = static_cast<uint16_t>(rowSize_);
    rowsPerBlock_ = std::max<size_t>(1, MaxBlockData(variant_) / rowSize_);
}

uint32_t TableContextBuilder::StoreValue(const PropValue& value) {
    if (value.type == fmt::kPtObject) return StoreObject(heap_, value, ids_, subnodes_);
    return StoreVariable(heap_, value, ids_, subnodes_);
}

void TableContextBuilder::AddRow(uint32_t rowId, const PropertySet& values) {
    if (!rows_.empty() && rows_.back().size() == rowsPerBlock_ * rowSize_ && blockSink_) {
        // A full block of rows goes to the file now.
        written_.emplace_back(blockSink_(rows_.back()), static_cast<uint32_t>(rows_.back().size()));
        rows_.back().clear();
    }
    if (rows_.empty() || rows_.back().size() == rowsPerBlock_ * rowSize_) {
        rows_.emplace_back();
        rows_.back().reserve(rowsPerBlock_ * rowSize_);
    }
    Bytes& piece = rows_.back();
    const size_t base = piece.size();
    piece.resize(base + rowSize_, 0);
    uint8_t* row = &piece[base];
    uint8_t* ceb = row + rgib_[2];
    for (const Cell& cell : cells_) {
        const uint16_t id = fmt::TagId(cell.column.tag);
        const uint16_t type = fmt::TagType(cell.column.tag);
        Bytes bytes;
        if (id == fmt::kPidLtpRowId) {
            bytes = {static_cast<uint8_t>(rowId), static_cast<uint8_t>(rowId >> 8),
                     static_cast<uint8_t>(rowId >> 16), static_cast<uint8_t>(rowId >> 24)};
        } else if (id == fmt::kPidLtpRowVer && !values.Has(id)) {
            bytes = {1, 0, 0, 0};
        } else {
            const PropValue* v = values.Find(id);
            if (!v || v->type != type) continue;
            const size_t fixed = FixedTypeSize(type);
            const bool inlineCell = fixed != 0 || cell.column.cbData != 4;
            if (inlineCell && type != fmt::kPtObject) {
                bytes = v->bytes;
            } else {
                const uint32_t hnid = StoreValue(*v);
                bytes.resize(4);
                fmt::StoreLe32(bytes.data(), hnid);
            }
        }
        std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), cell.column.cbData), row + cell.ibData);
        ceb[cell.iBit / 8] |= static_cast<uint8_t>(0x80 >> (cell.iBit % 8));
    }
    rowIds_.push_back(rowId);
}

LtpNode TableContextBuilder::Build() {
    LtpNode out;
    // Row index: (row id, row position) sorted by row id.
    const uint8_t cbEnt = variant_ == Variant::Unicode ? 4 : 2;
    if (cbEnt == 2 && rowIds_.size() > 0xFFFF)
        throw std::length_error("an 8-bit store's table holds at most 65535 rows");
    if (cells_.size() > 0xFF) throw std::length_error("a table holds at most 255 columns");
    std::vector<size_t> order(rowIds_.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return rowIds_[a] < rowIds_[b]; });
    Bytes index;
    index.reserve(order.size() * (4 + cbEnt));
    for (size_t pos : order) {
        uint8_t rec[8] = {};
        fmt::StoreLe32(rec, rowIds_[pos]);
        fmt::StoreLe32(rec + 4, static_cast<uint32_t>(pos));
        index.insert(index.end(), rec, rec + 4 + cbEnt);
    }
    const uint32_t hidRowIndex = WriteBth(heap_, 4, cbEnt, index, zeroRowIndexRoot_);

    // Row matrix: in the heap when it fits one item, else a subnode whose
    // blocks each hold whole rows.
    uint32_t hnidRows = 0;
    if (!written_.empty()) {
        if (!rows_.empty() && !rows_.back().empty())
            written_.emplace_back(blockSink_(rows_.back()), static_cast<uint32_t>(rows_.back().size()));
        Subnode sub;
        sub.nid = ids_.Next(fmt::kNidTypeLtp);
        sub.data.written = std::move(written_);
        hnidRows = sub.nid;
        subnodes_.push_back(std::move(sub));
    } else if (rows_.size() == 1 && rows_[0].size() <= kMaxHeapItem) {
        hnidRows = heap_.Allocate(rows_[0]);
    } else if (!rows_.empty()) {
        Subnode sub;
        sub.nid = ids_.Next(fmt::kNidTypeLtp);
        sub.data.blocks = std::move(rows_);
        hnidRows = sub.nid;
        subnodes_.push_back(std::move(sub));
    }
    std::vector<Bytes>().swap(rows_);

    std::vector<Cell> sorted = cells_;
    std::sort(sorted.begin(), sorted.end(),
              [](const Cell& a, const Cell& b) { return a.column.tag < b.column.tag; });
    Bytes info(22 + 8 * sorted.size(), 0);
    info[0] = fmt::kClientSigTc;
    info[1] = static_cast<uint8_t>(sorted.size());
    for (int i = 0; i < 4; ++i) fmt::StoreLe16(&info[2 + 2 * i], rgib_[i]);
    fmt::StoreLe32(&info[10], hidRowIndex);
    fmt::StoreLe32(&info[14], hnidRows);
    for (size_t i = 0; i < sorted.size(); ++i) {
        uint8_t* d = &info[22 + 8 * i];
        fmt::StoreLe32(d, sorted[i].column.tag);
        fmt::StoreLe16(d + 4, sorted[i].ibData);
        d[6] = sorted[i].column.cbData;
        d[7] = sorted[i].iBit;
    }
    heap_.SetUserRoot(heap_.Allocate(info));
    out.data = heap_.FinishData();
    out.subnodes = std::move(subnodes_);
    return out;
}

}  // namespace writer
