// An independent walk over a store file's node layer for the writer's tests:
// header CRCs, map pages, both B-trees, block trailers, data trees and
// subnode trees. It reports every problem it sees as text instead of
// stopping, and uses format/ only (not the reader and not the writer).
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "format/crc.h"
#include "format/crypt.h"
#include "format/layout.h"

namespace ndbcheck {

struct Block {
    uint64_t ib = 0;
    uint16_t cb = 0;
    uint16_t cRef = 0;
};
struct NodeEntry {
    uint32_t nid = 0;
    uint64_t bidData = 0;
    uint64_t bidSub = 0;
    uint32_t parent = 0;
};
struct Subnode {
    uint32_t nid = 0;
    uint64_t bidData = 0;
    std::vector<uint8_t> data;
    std::vector<Subnode> children;
};
struct PageInfo {
    uint8_t ptype = 0;
    uint64_t ib = 0;
    int level = 0;
    int entries = 0;
};

// strict: the store was made by our writer, so the AMap must match exactly
// the space in use and unused entry bytes must be zero; real stores keep
// stale bytes and allocated-but-unreferenced space.
class Store {
public:
    Store(std::vector<uint8_t> bytes, bool strict) : b_(std::move(bytes)), strict_(strict) {
        Parse();
    }

    bool unicode = false;
    uint16_t wVer = 0;
    uint8_t crypt = 0;
    uint16_t magicClient = 0;
    uint64_t ibFileEof = 0, ibAMapLast = 0, cbAMapFree = 0, bidNextB = 0, bidNextP = 0;
    uint64_t nbtBid = 0, nbtIb = 0, bbtBid = 0, bbtIb = 0;
    uint8_t fAMapValid = 0;
    std::map<uint64_t, Block> blocks;          // by id, bit 0 cleared
    std::vector<NodeEntry> nodes;              // in B-tree order
    std::vector<PageInfo> pages;               // B-tree pages visited
    std::vector<std::string> problems;
    int nbtDepth = 0, bbtDepth = 0;

    const NodeEntry* FindNode(uint32_t nid) const {
        for (const auto& n : nodes)
            if (n.nid == nid) return &n;
        return nullptr;
    }
    // A node's or subnode's data stream, decoded; records problems on the way.
    // A stream fills every block but the last; the pages of a heap need not.
    std::vector<uint8_t> ReadData(uint64_t bid, bool stream = true) {
        std::vector<uint8_t> out;
        requireFull_ = stream;
        if (bid) ReadTree(bid, out, 0);
        requireFull_ = true;
        return out;
    }
    // The data blocks of a data tree in order (their sizes), for tree shape checks.
    std::vector<uint16_t> LeafSizes(uint64_t bid) {
        std::vector<uint16_t> sizes;
        CollectLeaves(bid, sizes, 0);
        return sizes;
    }
    // The decoded data blocks of a data tree, in order.
    std::vector<std::vector<uint8_t>> ReadLeaves(uint64_t bid) {
        std::vector<std::vector<uint8_t>> leaves;
        std::vector<uint16_t> sizes = LeafSizes(bid);
        const std::vector<uint8_t> all = ReadData(bid, false);
        size_t at = 0;
        for (uint16_t n : sizes) {
            if (at + n > all.size()) break;
            leaves.emplace_back(all.begin() + at, all.begin() + at + n);
            at += n;
        }
        return leaves;
    }
    std::vector<Subnode> ReadSubnodes(uint64_t bid) {
        std::vector<Subnode> out;
        if (bid) ReadSubnodeBlock(bid, out, 0, 2);
        return out;
    }
    // Level of the top block of a subnode tree: 0 SLBLOCK, 1 SIBLOCK.
    int SubnodeTopLevel(uint64_t bid) {
        const auto raw = RawBlock(bid);
        return raw.size() >= 2 ? raw[1] : -1;
    }
    std::vector<uint8_t> RawBlock(uint64_t bid) {
        auto it = blocks.find(bid & ~1ull);
        if (it == blocks.end()) {
            Problem("block " + Hex(bid) + " not in the block B-tree");
            return {};
        }
        if (it->second.ib + it->second.cb > b_.size()) return {};
        return std::vector<uint8_t>(b_.begin() + it->second.ib,
                                    b_.begin() + it->second.ib + it->second.cb);
    }
    const std::vector<uint8_t>& bytes() const { return b_; }

    static std::string Hex(uint64_t v) {
        char s[32];
        std::snprintf(s, sizeof s, "0x%llx", static_cast<unsigned long long>(v));
        return s;
    }

private:
    size_t IdSize() const { return unicode ? 8 : 4; }
    fmt::ByteView view() const { return fmt::ByteView(b_.data(), b_.size()); }
    void Problem(const std::string& p) {
        if (problems.size() < 50) problems.push_back(p);
    }
    size_t Trailer() const { return unicode ? 496 : 500; }
    size_t MaxData() const { return unicode ? 8176 : 8180; }
    size_t BlockTrailerSize() const { return unicode ? 16 : 12; }

    void Parse() {
        const fmt::ByteView v = view();
        if (v.U32(0) != fmt::kHeaderMagic) Problem("header magic");
        wVer = v.U16(fmt::kHeader_wVer);
        magicClient = v.U16(fmt::kHeader_wMagicClient);
        unicode = wVer == fmt::kVersionUnicode;
        if (!unicode && wVer != 14 && wVer != 15) {
            Problem("version " + std::to_string(wVer));
            return;
        }
        if (v.U32(4) != fmt::Crc32(b_.data() + 8, 471)) Problem("dwCRCPartial");
        if (unicode) {
            namespace u = fmt::unicode;
            if (v.U32(u::kHeader_dwCRCFull) != fmt::Crc32(b_.data() + 8, 516)) Problem("dwCRCFull");
            crypt = v.U8(u::kHeader_bCryptMethod);
            ibFileEof = v.U64(u::kRoot_ibFileEof);
            ibAMapLast = v.U64(u::kRoot_ibAMapLast);
            cbAMapFree = v.U64(u::kRoot_cbAMapFree);
            nbtBid = v.U64(u::kRoot_brefNbt_bid);
            nbtIb = v.U64(u::kRoot_brefNbt_ib);
            bbtBid = v.U64(u::kRoot_brefBbt_bid);
            bbtIb = v.U64(u::kRoot_brefBbt_ib);
            fAMapValid = v.U8(u::kRoot_fAMapValid);
            bidNextB = v.U64(u::kHeader_bidNextB);
            bidNextP = v.U64(u::kHeader_bidNextP);
            if (v.U8(u::kHeader_bSentinel) != 0x80) Problem("bSentinel");
        } else {
            namespace a = fmt::ansi;
            crypt = v.U8(a::kHeader_bCryptMethod);
            ibFileEof = v.U32(a::kRoot_ibFileEof);
            ibAMapLast = v.U32(a::kRoot_ibAMapLast);
            cbAMapFree = v.U32(a::kRoot_cbAMapFree);
            nbtBid = v.U32(a::kRoot_brefNbt_bid);
            nbtIb = v.U32(a::kRoot_brefNbt_ib);
            bbtBid = v.U32(a::kRoot_brefBbt_bid);
            bbtIb = v.U32(a::kRoot_brefBbt_ib);
            fAMapValid = v.U8(a::kRoot_fAMapValid);
            bidNextB = v.U32(a::kHeader_bidNextB);
            bidNextP = v.U32(a::kHeader_bidNextP);
            if (v.U8(a::kHeader_bSentinel) != 0x80) Problem("bSentinel");
        }
        if (ibFileEof != b_.size()) Problem("ibFileEof " + Hex(ibFileEof) + " != size " + Hex(b_.size()));
        // Outlook before 2003 wrote no density list.
        if (strict_) CheckMapPage(0x4200, fmt::kPageDList, true);
        bbtDepth = WalkPage(fmt::kPageBbt, bbtIb, bbtBid, 0, -1, 0);
        nbtDepth = WalkPage(fmt::kPageNbt, nbtIb, nbtBid, 0, -1, 0);
        for (const auto& [bid, blk] : blocks) {
            CheckBlock(bid, blk);
            // A writer that opens the store takes its next ids from the header.
            if (bid >= bidNextB) Problem("block " + Hex(bid) + " not below bidNextB");
        }
        CheckAllocationMaps();
    }

    bool CheckMapPage(uint64_t ib, uint8_t ptype, bool signedPage) {
        const fmt::ByteView p = view().Slice(ib, 512);
        if (!p.size()) {
            Problem("map page outside the file at " + Hex(ib));
            return false;
        }
        const size_t t = Trailer();
        const uint64_t bid = unicode ? p.U64(504) : p.U32(504);
        const uint32_t crc = unicode ? p.U32(500) : p.U32(508);
        bool ok = p.U8(t) == ptype && p.U8(t + 1) == ptype;
        ok = ok && crc == fmt::Crc32(p.data(), t);
        ok = ok && p.U16(t + 2) == (signedPage ? fmt::ComputeSig(ib, bid) : 0);
        if (!ok) Problem("map page " + std::to_string(ptype) + " at " + Hex(ib));
        return ok;
    }

    // Returns the depth of the subtree (1 = a leaf).
    int WalkPage(uint8_t ptype, uint64_t ib, uint64_t bid, uint64_t lowerKey, int expectedLevel,
                 int depth) {
        const std::string where = std::string(ptype == fmt::kPageBbt ? "BBT" : "NBT") + " page " + Hex(ib);
        if (depth > 8) {
            Problem(where + ": too deep");
            return 0;
        }
        const fmt::ByteView p = view().Slice(ib, 512);
        if (!p.size() || ib % 512) {
            Problem(where + ": outside the file or unaligned");
            return 0;
        }
        const size_t t = Trailer();
        const uint64_t tBid = unicode ? p.U64(504) : p.U32(504);
        const uint32_t crc = unicode ? p.U32(500) : p.U32(508);
        if (p.U8(t) != ptype || p.U8(t + 1) != ptype) Problem(where + ": ptype");
        if (tBid != bid) Problem(where + ": trailer bid " + Hex(tBid) + " != " + Hex(bid));
        if (bid >= bidNextP) Problem(where + ": bid not below bidNextP");
        if (p.U16(t + 2) != fmt::ComputeSig(ib, tBid)) Problem(where + ": wSig");
        if (crc != fmt::Crc32(p.data(), t)) Problem(where + ": CRC");
        const size_t c = unicode ? 488 : 496;
        const int cEnt = p.U8(c), cEntMax = p.U8(c + 1), cbEnt = p.U8(c + 2), level = p.U8(c + 3);
        pages.push_back({ptype, ib, level, cEnt});
        // Readers take 1032 (516) bytes at a page offset.
        if (strict_ && ib + (unicode ? 1032 : 516) > b_.size()) Problem(where + ": too close to the end");
        if (expectedLevel >= 0 && level != expectedLevel) Problem(where + ": level");
        const bool leaf = level == 0;
        const int wantEnt = leaf ? (ptype == fmt::kPageBbt ? (unicode ? 24 : 12) : (unicode ? 32 : 16))
                                 : (unicode ? 24 : 12);
        const int wantMax = leaf && ptype == fmt::kPageNbt ? (unicode ? 15 : 31) : (unicode ? 20 : 41);
        if (cbEnt != wantEnt || cEntMax != wantMax) Problem(where + ": cbEnt/cEntMax");
        if (cEnt > cEntMax) {
            Problem(where + ": cEnt above cEntMax");
            return 0;
        }
        if (strict_) {   // Outlook leaves stale entries behind
            for (size_t i = size_t(cEnt) * cbEnt; i < c; ++i)
                if (p.U8(i)) {
                    Problem(where + ": stale bytes after the entries");
                    break;
                }
        }
        uint64_t prev = 0;
        int childDepth = -1;
        for (int i = 0; i < cEnt; ++i) {
            const size_t e = size_t(i) * cbEnt;
            const uint64_t key = Id0(p, e);
            if (i == 0 && depth > 0 && key != lowerKey) Problem(where + ": first key differs from parent key");
            if (i > 0 && key <= prev) Problem(where + ": keys not ascending");
            prev = key;
            if (!leaf) {
                const int d = WalkPage(ptype, Id0(p, e + 2 * IdSize()), Id0(p, e + IdSize()), key, level - 1, depth + 1);
                if (childDepth >= 0 && d != childDepth) Problem(where + ": unbalanced");
                childDepth = d;
            } else if (ptype == fmt::kPageBbt) {
                Block blk;
                blk.ib = Id0(p, e + IdSize());
                blk.cb = p.U16(e + 2 * IdSize());
                blk.cRef = p.U16(e + 2 * IdSize() + 2);
                if (!blocks.emplace(key & ~1ull, blk).second) Problem("block listed twice " + Hex(key));
            } else {
                NodeEntry n;
                n.nid = static_cast<uint32_t>(key);
                n.bidData = Id0(p, e + IdSize());
                n.bidSub = Id0(p, e + 2 * IdSize());
                n.parent = p.U32(e + 3 * IdSize());
                nodes.push_back(n);
            }
        }
        return leaf ? 1 : childDepth + 1;
    }

    void CheckBlock(uint64_t bid, const Block& blk) {
        const size_t total = (blk.cb + BlockTrailerSize() + 63) / 64 * 64;
        const fmt::ByteView s = view().Slice(blk.ib, total);
        const std::string where = "block " + Hex(bid);
        if (!s.size() || blk.ib % 64 || total > 8192) {
            Problem(where + ": outside the file, unaligned or too large");
            return;
        }
        const size_t t = total - BlockTrailerSize();
        const uint64_t tBid = unicode ? s.U64(t + 8) : s.U32(t + 4);
        const uint32_t crc = unicode ? s.U32(t + 4) : s.U32(t + 8);
        if (s.U16(t) != blk.cb) Problem(where + ": trailer cb");
        if (tBid != bid) Problem(where + ": trailer bid " + Hex(tBid));
        if (s.U16(t + 2) != fmt::ComputeSig(blk.ib, tBid)) Problem(where + ": wSig");
        if (crc != fmt::Crc32(s.data(), blk.cb)) Problem(where + ": CRC");
        if (blk.cRef < 2 && strict_) Problem(where + ": cRef");
    }

    void CollectLeaves(uint64_t bid, std::vector<uint16_t>& sizes, int depth) {
        if (!bid) return;
        const auto raw = RawBlock(bid);
        if (!(bid & 2)) {
            sizes.push_back(static_cast<uint16_t>(raw.size()));
            return;
        }
        if (raw.size() < 8 || depth > 2) return;
        const fmt::ByteView v(raw.data(), raw.size());
        for (size_t i = 0; i < v.U16(2) && 8 + (i + 1) * IdSize() <= raw.size(); ++i)
            CollectLeaves(unicode ? v.U64(8 + i * 8) : v.U32(8 + i * 4), sizes, depth + 1);
    }

    void ReadTree(uint64_t bid, std::vector<uint8_t>& out, int depth) {
        std::vector<uint8_t> raw = RawBlock(bid);
        if (!(bid & 2)) {
            if (crypt == fmt::kCryptPermute) fmt::PermuteDecode(raw.data(), raw.size());
            else if (crypt == fmt::kCryptCyclic) fmt::CyclicCode(raw.data(), raw.size(), static_cast<uint32_t>(bid));
            out.insert(out.end(), raw.begin(), raw.end());
            return;
        }
        const fmt::ByteView v(raw.data(), raw.size());
        const int level = v.U8(1);
        const size_t count = v.U16(2);
        if (v.U8(0) != 1 || level < 1 || level > 2 || depth + level > 2 || raw.size() != 8 + count * IdSize()) {
            Problem("data tree block " + Hex(bid) + " malformed");
            return;
        }
        const size_t before = out.size();
        for (size_t i = 0; i < count; ++i) {
            const uint64_t child = unicode ? v.U64(8 + i * 8) : v.U32(8 + i * 4);
            const bool childInternal = (child & 2) != 0;
            if (childInternal != (level == 2)) Problem("data tree child kind under " + Hex(bid));
            const size_t at = out.size();
            ReadTree(child, out, depth + 1);
            if (requireFull_ && level == 1 && i + 1 < count && out.size() - at != MaxData())
                Problem("data block not full inside " + Hex(bid));
        }
        if (out.size() - before != v.U32(4)) Problem("lcbTotal of " + Hex(bid));
    }

    void ReadSubnodeBlock(uint64_t bid, std::vector<Subnode>& out, int depth, int maxLevel) {
        const std::vector<uint8_t> raw = RawBlock(bid);
        const fmt::ByteView v(raw.data(), raw.size());
        const size_t head = unicode ? 8 : 4;
        const int level = v.U8(1);
        const size_t count = v.U16(2);
        const size_t entry = level == 0 ? 3 * IdSize() : 2 * IdSize();
        if (!(bid & 2) || v.U8(0) != 2 || level > 1 || level >= maxLevel || depth > 16 ||
            raw.size() != head + count * entry) {
            Problem("subnode block " + Hex(bid) + " malformed");
            return;
        }
        uint64_t prev = 0;
        for (size_t i = 0; i < count; ++i) {
            const size_t e = head + i * entry;
            // Outlook leaves stray bytes above the 32-bit id in UTF-16 entries.
            const uint64_t nid = static_cast<uint32_t>(Id0(v, e));
            if (i > 0 && nid <= prev) Problem("subnode ids not ascending in " + Hex(bid));
            prev = nid;
            if (level == 1) {
                const size_t first = out.size();
                ReadSubnodeBlock(Id0(v, e + IdSize()), out, depth + 1, 1);
                if (out.size() > first && out[first].nid != nid) Problem("SIENTRY key in " + Hex(bid));
                continue;
            }
            Subnode s;
            s.nid = static_cast<uint32_t>(nid);
            s.bidData = Id0(v, e + IdSize());
            s.data = ReadData(s.bidData);
            const uint64_t sub = Id0(v, e + 2 * IdSize());
            if (sub) ReadSubnodeBlock(sub, s.children, depth + 1, 2);
            out.push_back(std::move(s));
        }
    }
    uint64_t Id0(const fmt::ByteView& v, size_t off) const { return unicode ? v.U64(off) : v.U32(off); }

    // Every 64-byte unit in use (map pages, B-tree pages, blocks) must be
    // marked in its AMap; in strict mode nothing else may be.
    void CheckAllocationMaps() {
        const uint64_t first = 0x4400, interval = 253952;
        if (ibFileEof < first + 1024) {
            Problem("file shorter than its first maps");
            return;
        }
        // Outlook 97 stops the file short of a whole interval.
        if (strict_ && (ibFileEof - first) % interval) Problem("file size is not a whole number of intervals");
        const uint64_t count = (ibFileEof - first + interval - 1) / interval;
        if (ibAMapLast != first + (count - 1) * interval) Problem("ibAMapLast");
        std::vector<uint8_t> want(count * 496, 0);
        if (first + (count - 1) * interval + 1024 > b_.size()) return;
        auto mark = [&](uint64_t ib, uint64_t size) {
            if (ib < first || ib + size > ibFileEof) return;
            for (uint64_t u = (ib - first) / 64; u < (ib - first + size + 63) / 64; ++u)
                want[u / 8] |= static_cast<uint8_t>(0x80u >> (u % 8));
        };
        for (uint64_t k = 0; k < count; ++k) {
            const uint64_t a = first + k * interval;
            mark(a, 512);
            CheckMapPage(a, fmt::kPageAMap, false);
            if (k % 8 == 0) {
                mark(a + 512, 512);
                CheckMapPage(a + 512, fmt::kPagePMap, false);
            }
            if (k >= 128 && (k - 128) % 496 == 0) {
                mark(a + 1024, 512);
                CheckMapPage(a + 1024, fmt::kPageFMap, false);
            }
        }
        for (const auto& pg : pages) mark(pg.ib, 512);
        for (const auto& [bid, blk] : blocks) mark(blk.ib, (blk.cb + BlockTrailerSize() + 63) / 64 * 64);
        uint64_t clear = 0;
        const size_t bitsAt = unicode ? 0 : 4;
        for (uint64_t k = 0; k < count; ++k) {
            const uint8_t* have = b_.data() + first + k * interval + bitsAt;
            for (size_t i = 0; i < 496; ++i) {
                const uint8_t w = want[k * 496 + i], h = have[i];
                if (strict_ ? h != w : (h & w) != w) {
                    Problem("AMap " + std::to_string(k) + " byte " + std::to_string(i) + ": " +
                            Hex(h) + " expected " + Hex(w));
                }
                for (int bit = 0; bit < 8; ++bit) clear += !(h & (1 << bit));
            }
        }
        if (clear * 64 != cbAMapFree) Problem("cbAMapFree " + Hex(cbAMapFree) + " != " + Hex(clear * 64));
    }

    std::vector<uint8_t> b_;
    bool strict_;
    bool requireFull_ = true;
};

}  // namespace ndbcheck
