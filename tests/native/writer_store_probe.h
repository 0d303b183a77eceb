// A small, independent reader of store files for the writer's tests: it
// walks the node and block B-trees, data trees, subnode trees, heaps,
// property contexts and table contexts of a file held in memory, straight
// from the published layout, without any of the writer's code. It trusts
// its input (only writer-made stores are fed to it) but checks bounds so
// that a writer fault fails a test instead of crashing it.
#pragma once
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "format/crc.h"
#include "format/crypt.h"

namespace probe {

using Bytes = std::vector<uint8_t>;

struct Fault : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline void Require(bool ok, const char* what) {
    if (!ok) throw Fault(what);
}

struct NodeRef {
    uint64_t bidData = 0, bidSub = 0;
    uint32_t parent = 0;
};

struct Value {
    uint16_t type = 0;
    Bytes bytes;
    uint32_t hnid = 0;               // the stored HNID (or inline value)
};

struct Table {
    struct Column { uint32_t tag; uint16_t ib; uint8_t cb; uint8_t bit; };
    std::vector<Column> columns;
    uint16_t rowSize = 0;
    uint32_t hidRowIndex = 0, hnidRows = 0;
    std::vector<uint32_t> rowIndexIds;           // row ids in row-index order
    std::vector<std::map<uint32_t, Value>> rows; // present cells by tag, matrix order
    bool rowIndexRootZero = false;
};

class Store {
public:
    explicit Store(Bytes file) : f_(std::move(file)) {
        fmt::ByteView v(f_.data(), f_.size());
        Require(v.U32(0) == 0x4E444221, "magic");
        unicode_ = v.U16(10) >= 23;
        crypt_ = v.U8(unicode_ ? 513 : 461);
        const size_t nbt = unicode_ ? 216 : 184;
        WalkBTree(unicode_ ? v.U64(nbt + 8) : v.U32(nbt + 4), true, 0);
        WalkBTree(unicode_ ? v.U64(nbt + 24) : v.U32(nbt + 12), false, 0);
    }

    bool unicode() const { return unicode_; }
    uint8_t crypt() const { return crypt_; }
    const std::map<uint32_t, NodeRef>& nodes() const { return nodes_; }
    bool HasNode(uint32_t nid) const { return nodes_.count(nid) != 0; }
    const NodeRef& Node(uint32_t nid) const {
        auto it = nodes_.find(nid);
        Require(it != nodes_.end(), "node missing");
        return it->second;
    }
    std::vector<uint32_t> Children(uint32_t parent) const {
        std::vector<uint32_t> out;
        for (const auto& n : nodes_)
            if (n.second.parent == parent && n.first != parent) out.push_back(n.first);
        return out;
    }

    // The data blocks of a block id: one, or the leaves of its data tree.
    std::vector<Bytes> DataBlocks(uint64_t bid, int* levels = nullptr) const {
        std::vector<Bytes> out;
        if (bid == 0) return out;
        Bytes b = Block(bid);
        if (bid & 2) {
            Require(b.size() >= 8 && b[0] == 1, "data tree block");
            if (levels) *levels = b[1];
            const size_t w = unicode_ ? 8 : 4;
            const uint16_t n = fmt::LoadLe16(&b[2]);
            for (size_t i = 0; i < n; ++i) {
                Require(8 + (i + 1) * w <= b.size(), "data tree entries");
                const uint64_t child = w == 8 ? fmt::LoadLe64(&b[8 + i * w]) : fmt::LoadLe32(&b[8 + i * w]);
                for (Bytes& c : DataBlocks(child)) out.push_back(std::move(c));
            }
        } else {
            out.push_back(std::move(b));
        }
        return out;
    }
    Bytes Data(uint64_t bid) const {
        Bytes all;
        for (const Bytes& b : DataBlocks(bid)) all.insert(all.end(), b.begin(), b.end());
        return all;
    }

    // Subnode map of a subnode block id: nid -> (data, nested subnodes).
    std::map<uint32_t, NodeRef> Subnodes(uint64_t bidSub) const {
        std::map<uint32_t, NodeRef> out;
        if (bidSub == 0) return out;
        Bytes b = Block(bidSub);
        Require(b.size() >= 4 && b[0] == 2, "subnode block");
        const size_t w = unicode_ ? 8 : 4, head = unicode_ ? 8 : 4;
        const uint16_t n = fmt::LoadLe16(&b[2]);
        for (size_t i = 0; i < n; ++i) {
            if (b[1] == 0) {
                const size_t at = head + i * 3 * w;
                Require(at + 3 * w <= b.size(), "SLENTRY");
                NodeRef r;
                r.bidData = Id(&b[at + w]);
                r.bidSub = Id(&b[at + 2 * w]);
                out[static_cast<uint32_t>(Id(&b[at]))] = r;
            } else {
                const size_t at = head + i * 2 * w;
                Require(at + 2 * w <= b.size(), "SIENTRY");
                for (auto& e : Subnodes(Id(&b[at + w]))) out.insert(e);
            }
        }
        return out;
    }

    // A heap-on-node item of the given blocks.
    static Bytes HeapItem(const std::vector<Bytes>& heap, uint32_t hid) {
        const size_t page = hid >> 16, index = (hid & 0xFFFF) >> 5;
        Require(page < heap.size() && index > 0 && (hid & 0x1F) == 0, "HID");
        const Bytes& b = heap[page];
        fmt::ByteView v(b.data(), b.size());
        const size_t map = v.U16(0);
        Require(v.Has(map, 4) && index <= v.U16(map), "page map");
        const size_t start = v.U16(map + 2 + 2 * index), end = v.U16(map + 4 + 2 * index);
        Require(start <= end && end <= map, "allocation bounds");
        return Bytes(b.begin() + start, b.begin() + end);
    }

    // Value bytes of an HNID: a heap item, or the data of a subnode.
    Bytes Resolve(const std::vector<Bytes>& heap, const std::map<uint32_t, NodeRef>& subs, uint32_t hnid) const {
        if (hnid == 0) return {};
        if ((hnid & 0x1F) == 0) return HeapItem(heap, hnid);
        auto it = subs.find(hnid);
        Require(it != subs.end(), "value subnode missing");
        return Data(it->second.bidData);
    }

    // B-tree-on-heap records (key + data) of a BTH header HID, all levels.
    static Bytes BthRecords(const std::vector<Bytes>& heap, uint32_t hidHeader, uint8_t* cbKey = nullptr,
                            uint8_t* cbEnt = nullptr, uint8_t* levels = nullptr) {
        Bytes h = HeapItem(heap, hidHeader);
        Require(h.size() == 8 && h[0] == 0xB5, "BTH header");
        if (cbKey) *cbKey = h[1];
        if (cbEnt) *cbEnt = h[2];
        if (levels) *levels = h[3];
        return BthLevel(heap, fmt::LoadLe32(&h[4]), h[1], h[2], h[3]);
    }

    std::map<uint16_t, Value> PropertyContext(uint64_t bidData, uint64_t bidSub) const {
        std::vector<Bytes> heap = DataBlocks(bidData);
        Require(!heap.empty() && heap[0].size() >= 12 && heap[0][2] == 0xEC && heap[0][3] == 0xBC, "PC heap");
        auto subs = Subnodes(bidSub);
        uint8_t cbKey = 0, cbEnt = 0;
        Bytes recs = BthRecords(heap, fmt::LoadLe32(&heap[0][4]), &cbKey, &cbEnt);
        Require(cbKey == 2 && cbEnt == 6, "PC BTH shape");
        std::map<uint16_t, Value> out;
        for (size_t off = 0; off + 8 <= recs.size(); off += 8) {
            Value val;
            val.type = fmt::LoadLe16(&recs[off + 2]);
            val.hnid = fmt::LoadLe32(&recs[off + 4]);
            const uint16_t t = val.type;
            const bool inlined = t == 2 || t == 3 || t == 4 || t == 10 || t == 11;
            if (inlined) {
                val.bytes.assign(recs.begin() + off + 4, recs.begin() + off + 8);
            } else {
                val.bytes = Resolve(heap, subs, val.hnid);
            }
            out[fmt::LoadLe16(&recs[off])] = val;
        }
        return out;
    }

    Table TableContext(uint64_t bidData, uint64_t bidSub) const {
        std::vector<Bytes> heap = DataBlocks(bidData);
        Require(!heap.empty() && heap[0].size() >= 12 && heap[0][2] == 0xEC && heap[0][3] == 0x7C, "TC heap");
        auto subs = Subnodes(bidSub);
        Bytes info = HeapItem(heap, fmt::LoadLe32(&heap[0][4]));
        Require(info.size() >= 22 && info[0] == 0x7C, "TCINFO");
        Table t;
        const size_t cols = info[1];
        Require(info.size() >= 22 + 8 * cols, "TCOLDESC");
        t.rowSize = fmt::LoadLe16(&info[8]);
        t.hidRowIndex = fmt::LoadLe32(&info[10]);
        t.hnidRows = fmt::LoadLe32(&info[14]);
        for (size_t i = 0; i < cols; ++i) {
            const uint8_t* d = &info[22 + 8 * i];
            t.columns.push_back({fmt::LoadLe32(d), fmt::LoadLe16(d + 4), d[6], d[7]});
        }
        Bytes idxHeader = HeapItem(heap, t.hidRowIndex);
        Require(idxHeader.size() == 8 && idxHeader[1] == 4, "row index header");
        t.rowIndexRootZero = fmt::LoadLe32(&idxHeader[4]) == 0;
        uint8_t cbEnt = 0;
        Bytes idx = BthRecords(heap, t.hidRowIndex, nullptr, &cbEnt);
        for (size_t off = 0; off + 4 + cbEnt <= idx.size(); off += 4 + cbEnt)
            t.rowIndexIds.push_back(fmt::LoadLe32(&idx[off]));
        // Row matrix: rows never straddle the blocks of a subnode.
        std::vector<Bytes> parts;
        if (t.hnidRows && (t.hnidRows & 0x1F) == 0) {
            parts.push_back(HeapItem(heap, t.hnidRows));
        } else if (t.hnidRows) {
            auto it = subs.find(t.hnidRows);
            Require(it != subs.end(), "row matrix subnode");
            parts = DataBlocks(it->second.bidData);
        }
        for (const Bytes& part : parts) {
            for (size_t off = 0; t.rowSize && off + t.rowSize <= part.size(); off += t.rowSize) {
                const uint8_t* row = &part[off];
                const uint16_t cebAt = fmt::LoadLe16(&info[6]);
                std::map<uint32_t, Value> cells;
                for (const auto& c : t.columns) {
                    if (!(row[cebAt + c.bit / 8] & (0x80 >> (c.bit % 8)))) continue;
                    Value v;
                    v.type = static_cast<uint16_t>(c.tag);
                    v.bytes.assign(row + c.ib, row + c.ib + c.cb);
                    const bool fixed = v.type == 2 || v.type == 3 || v.type == 4 || v.type == 5 ||
                                       v.type == 6 || v.type == 7 || v.type == 10 || v.type == 11 ||
                                       v.type == 20 || v.type == 64;
                    if (!fixed && c.cb == 4) {
                        v.hnid = fmt::LoadLe32(row + c.ib);
                        v.bytes = Resolve(heap, subs, v.hnid);
                    }
                    cells[c.tag] = v;
                }
                t.rows.push_back(std::move(cells));
            }
        }
        return t;
    }

    std::map<uint16_t, Value> NodeProperties(uint32_t nid) const {
        const NodeRef& n = Node(nid);
        return PropertyContext(n.bidData, n.bidSub);
    }
    Table NodeTable(uint32_t nid) const {
        const NodeRef& n = Node(nid);
        return TableContext(n.bidData, n.bidSub);
    }

    Bytes Block(uint64_t bid) const {
        auto it = blocks_.find(bid & ~1ull);
        Require(it != blocks_.end(), "block missing");
        const size_t ib = it->second.first, cb = it->second.second;
        Require(ib + cb <= f_.size(), "block past the end");
        Bytes b(f_.begin() + ib, f_.begin() + ib + cb);
        const size_t trailer = (cb + (unicode_ ? 16 : 12) + 63) / 64 * 64 - (unicode_ ? 16 : 12);
        fmt::ByteView v(f_.data(), f_.size());
        const size_t crcAt = ib + trailer + (unicode_ ? 4 : 8);
        Require(v.U32(crcAt) == fmt::Crc32(b.data(), b.size()), "block CRC");
        if (!(bid & 2)) {
            if (crypt_ == 1) fmt::PermuteDecode(b.data(), b.size());
            if (crypt_ == 2) fmt::CyclicCode(b.data(), b.size(), static_cast<uint32_t>(bid));
        }
        return b;
    }

private:
    uint64_t Id(const uint8_t* p) const { return unicode_ ? fmt::LoadLe64(p) : fmt::LoadLe32(p); }

    static Bytes BthLevel(const std::vector<Bytes>& heap, uint32_t hid, uint8_t cbKey, uint8_t cbEnt, int level) {
        if (hid == 0) return {};
        Bytes item = HeapItem(heap, hid);
        if (level == 0) return item;
        Bytes out;
        for (size_t off = 0; off + cbKey + 4 <= item.size(); off += cbKey + 4u) {
            Bytes sub = BthLevel(heap, fmt::LoadLe32(&item[off + cbKey]), cbKey, cbEnt, level - 1);
            out.insert(out.end(), sub.begin(), sub.end());
        }
        return out;
    }

    void WalkBTree(uint64_t ib, bool nbt, int depth) {
        Require(depth < 8 && ib + 512 <= f_.size(), "B-tree page");
        const uint8_t* p = &f_[ib];
        const size_t countAt = unicode_ ? 488 : 496;
        const uint8_t n = p[countAt], cb = p[countAt + 2], level = p[countAt + 3];
        Require(static_cast<size_t>(n) * cb <= countAt, "B-tree entries");
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* e = p + i * cb;
            const size_t w = unicode_ ? 8 : 4;
            if (level > 0) {
                WalkBTree(Id(e + 2 * w), nbt, depth + 1);
            } else if (nbt) {
                NodeRef r;
                r.bidData = Id(e + w);
                r.bidSub = Id(e + 2 * w);
                r.parent = fmt::LoadLe32(e + 3 * w);
                nodes_[static_cast<uint32_t>(Id(e))] = r;
            } else {
                blocks_[Id(e) & ~1ull] = {static_cast<size_t>(Id(e + w)), fmt::LoadLe16(e + 2 * w)};
            }
        }
    }

    Bytes f_;
    bool unicode_ = true;
    uint8_t crypt_ = 0;
    std::map<uint32_t, NodeRef> nodes_;
    std::map<uint64_t, std::pair<size_t, size_t>> blocks_;
};

inline std::u16string Utf16(const Bytes& b) {
    std::u16string s;
    for (size_t i = 0; i + 1 < b.size(); i += 2) s.push_back(static_cast<char16_t>(fmt::LoadLe16(&b[i])));
    return s;
}
inline std::string Narrow(const Bytes& b) { return std::string(b.begin(), b.end()); }
inline uint32_t U32(const Bytes& b) { return b.size() >= 4 ? fmt::LoadLe32(b.data()) : 0; }

}  // namespace probe
