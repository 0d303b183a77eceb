// The end of a store: block and node B-trees built bottom-up ([MS-PST]
// 2.2.2.7.7), the density list and the allocation maps (2.2.2.7.2-6), the
// header with its CRCs (2.2.2.6), and the output of the whole file.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "format/crc.h"
#include "format/layout.h"
#include "writer/ndb_writer_impl.h"

namespace writer {
namespace {

constexpr uint8_t kFAMapValid2 = 0x02;       // VALID_AMAP2
constexpr uint16_t kVersionClient = 19;
constexpr uint32_t kUnique = 1;

int Clamp(int wanted, int formatMax) {
    return wanted > 0 ? std::min(wanted, formatMax) : formatMax;
}

}  // namespace

void NdbWriter::Impl::FinishPage(uint8_t* page, uint8_t ptype, uint64_t ib, uint64_t trailerBid,
                                 bool btree) const {
    page[f.pageTrailer] = ptype;
    page[f.pageTrailer + 1] = ptype;
    // Map pages carry no signature ([MS-PST] 2.2.2.7.1).
    const bool signed_ = btree || ptype == fmt::kPageDList;
    fmt::StoreLe16(page + f.pageTrailerSig, signed_ ? fmt::ComputeSig(ib, trailerBid) : 0);
    f.PutId(page + f.pageTrailerBid, trailerBid);
    uint32_t crc = fmt::Crc32(page, f.pageTrailer);
    if (btree && damage.badPageCrc) crc = ~crc;
    fmt::StoreLe32(page + f.pageTrailerCrc, crc);
}

NdbWriter::Impl::PageRef NdbWriter::Impl::BuildTree(
    uint8_t ptype, size_t count, int leafLimit, int formatLeafMax, size_t leafEntrySize,
    const std::function<uint64_t(size_t)>& keyOf,
    const std::function<void(size_t, uint8_t*)>& writeLeafEntry, bool childTrailerMismatch,
    bool loopToRoot, uint8_t rootCountAdd) {
    const size_t leafPer = static_cast<size_t>(Clamp(leafLimit, formatLeafMax));
    // At least two children per intermediate page, or the tree never narrows.
    const size_t interStep = static_cast<size_t>(
        std::max(2, Clamp(damage.intermediateEntries, f.maxIntermediateEntries)));

    // Pages per level, leaves first; an empty tree is one empty leaf.
    std::vector<size_t> pagesPerLevel{std::max<size_t>(1, (count + leafPer - 1) / leafPer)};
    while (pagesPerLevel.back() > 1)
        pagesPerLevel.push_back((pagesPerLevel.back() + interStep - 1) / interStep);

    // Every page gets its id and place first, so that a page may name one
    // written after it (the loop damage makes the root name itself).
    std::vector<std::vector<PageRef>> levels(pagesPerLevel.size());
    for (size_t level = 0; level < pagesPerLevel.size(); ++level) {
        for (size_t j = 0; j < pagesPerLevel[level]; ++j) {
            PageRef ref{};
            ref.bid = nextPageBid++;
            ref.ib = space.Allocate(fmt::kPageSize, fmt::kPageSize);
            levels[level].push_back(ref);
        }
    }
    const size_t top = levels.size() - 1;
    const PageRef root = levels[top][0];

    std::vector<uint8_t> page(fmt::kPageSize);
    for (size_t level = 0; level <= top; ++level) {
        for (size_t j = 0; j < levels[level].size(); ++j) {
            PageRef& ref = levels[level][j];
            std::fill(page.begin(), page.end(), 0);
            size_t entries = 0;
            if (level == 0) {
                const size_t first = j * leafPer;
                entries = std::min(count, first + leafPer) - std::min(count, first);
                for (size_t i = 0; i < entries; ++i) writeLeafEntry(first + i, &page[i * leafEntrySize]);
                ref.key = entries ? keyOf(first) : 0;
            } else {
                const auto& children = levels[level - 1];
                const size_t first = j * interStep;
                entries = std::min(children.size(), first + interStep) - first;
                for (size_t i = 0; i < entries; ++i) {
                    PageRef child = children[first + i];
                    if (level == top && loopToRoot && i + 1 == entries) {
                        child.bid = root.bid;
                        child.ib = root.ib;
                    }
                    uint8_t* e = &page[i * f.btIntermediateEntrySize];
                    f.PutId(e, child.key);
                    f.PutId(e + f.bidSize, child.bid);
                    f.PutId(e + 2 * f.bidSize, child.ib);
                }
                ref.key = children[first].key;
            }
            const bool isRoot = level == top;
            uint8_t cEnt = static_cast<uint8_t>(entries);
            if (isRoot) cEnt = static_cast<uint8_t>(cEnt + rootCountAdd);
            page[f.btCountByte] = cEnt;
            page[f.btCountByte + 1] =
                static_cast<uint8_t>(level == 0 ? formatLeafMax : f.maxIntermediateEntries);
            page[f.btCountByte + 2] =
                static_cast<uint8_t>(level == 0 ? leafEntrySize : f.btIntermediateEntrySize);
            page[f.btCountByte + 3] = static_cast<uint8_t>(level);
            if (damage.pageHook) damage.pageHook(ptype, static_cast<int>(level), isRoot, page.data());

            uint64_t trailerBid = ref.bid;
            if (childTrailerMismatch && top > 0 && level == top - 1 && j == 0) trailerBid += 0x10000;
            FinishPage(page.data(), ptype, ref.ib, trailerBid, true);
            PlaceBytes(ref.ib, page.data(), page.size());
        }
    }
    return levels[top][0];
}

void NdbWriter::Impl::BuildTrees() {
    bidNextB = nextBlockIndex << 2;
    // Page ids count on from the block ids, and never go back.
    nextPageBid = std::max(nextPageBid, bidNextB);

    // Block B-tree: the blocks were written in id order already; replaced
    // nodes left holes to close.
    if (firstDeadBlock < blocks.size()) {
        blocks.erase(std::remove_if(blocks.begin() + static_cast<std::ptrdiff_t>(firstDeadBlock), blocks.end(),
                                    [](const BlockRecord& b) { return b.Ib() == 0; }),
                     blocks.end());
    }
    firstDeadBlock = SIZE_MAX;
    const bool live = file.IsOpen();
    auto bbtKey = [this](size_t i) { return blocks[i].Bid(); };
    auto bbtEntry = [this](size_t i, uint8_t* e) {
        const BlockRecord& b = blocks[i];
        f.PutId(e, b.Bid());
        f.PutId(e + f.bidSize, b.Ib());
        fmt::StoreLe16(e + 2 * f.bidSize, b.Cb());
        fmt::StoreLe16(e + 2 * f.bidSize + 2, 2);   // one reference + 1, as Outlook counts
    };
    if (live) {
        bbtRoot = UpdateTree(bbtLive, fmt::kPageBbt, blocks.size(), f.maxBbtLeafEntries, f.bbtLeafEntrySize,
                             bbtKey, bbtEntry);
    } else {
        bbtRoot = BuildTree(fmt::kPageBbt, blocks.size(), damage.bbtLeafEntries, f.maxBbtLeafEntries,
                            f.bbtLeafEntrySize, bbtKey, bbtEntry, damage.bbtChildTrailerBidMismatch,
                            damage.bbtLoopToRoot, damage.bbtRootEntryCountAdd);
    }

    // Node B-tree: sorted by node id unless a test wants the order it gave.
    if (!damage.keepNodeOrder && sortedNodes < nodes.size()) {
        // Only the nodes added since the last time need sorting. Most come
        // after every sorted one (new messages); the few that do not (new
        // folders, low ids) are put in place one by one, which moves only
        // the records in front of them.
        auto byNid = [](const NodeRecord& a, const NodeRecord& b) { return a.nid < b.nid; };
        const auto mid = nodes.begin() + static_cast<std::ptrdiff_t>(sortedNodes);
        std::sort(mid, nodes.end(), byNid);
        if (sortedNodes > 0 && mid->nid < nodes[sortedNodes - 1].nid) {
            std::vector<NodeRecord> added(mid, nodes.end());
            nodes.erase(nodes.begin() + static_cast<std::ptrdiff_t>(sortedNodes), nodes.end());
            for (const NodeRecord& n : added) {
                if (nodes.empty() || nodes.back().nid < n.nid) nodes.push_back(n);
                else nodes.insert(std::lower_bound(nodes.begin(), nodes.end(), n, byNid), n);
            }
        }
        sortedNodes = nodes.size();
    }
    if (!damage.duplicateNodeEntries.empty() || damage.selfParentNid) {
        RecordDeque<NodeRecord> out(nodes.get_allocator());
        for (NodeRecord n : nodes) {
            if (damage.selfParentNid && n.nid == damage.selfParentNid) n.parentNid = n.nid;
            out.push_back(n);
            const auto& dup = damage.duplicateNodeEntries;
            if (std::find(dup.begin(), dup.end(), n.nid) != dup.end()) out.push_back(n);
        }
        nodes.swap(out);
    }
    auto nbtKey = [this](size_t i) { return nodes[i].nid; };
    auto nbtEntry = [this](size_t i, uint8_t* e) {
        const NodeRecord& n = nodes[i];
        f.PutId(e, n.nid);
        f.PutId(e + f.bidSize, n.bidData);
        f.PutId(e + 2 * f.bidSize, n.bidSub);
        fmt::StoreLe32(e + 3 * f.bidSize, n.parentNid);
    };
    if (live) {
        nbtRoot = UpdateTree(nbtLive, fmt::kPageNbt, nodes.size(), f.maxNbtLeafEntries, f.nbtLeafEntrySize,
                             nbtKey, nbtEntry);
    } else {
        nbtRoot = BuildTree(fmt::kPageNbt, nodes.size(), damage.nbtLeafEntries, f.maxNbtLeafEntries,
                            f.nbtLeafEntrySize, nbtKey, nbtEntry, damage.nbtChildTrailerBidMismatch,
                            damage.nbtLoopToRoot, damage.nbtRootEntryCountAdd);
    }

    // A reader takes more than 512 bytes at a page offset; keep that inside
    // the file.
    space.EnsureFileSize(space.Cursor() + (f.pageReadSize - fmt::kPageSize));
    if (!f.unicode && space.FileSize() > 0x7FFFFFFFu) throw std::length_error("8-bit store: file too large");
}

NdbWriter::Impl::PageRef NdbWriter::Impl::UpdateTree(
    LiveTree& tree, uint8_t ptype, size_t count, int formatLeafMax, size_t leafEntrySize,
    const std::function<uint64_t(size_t)>& keyOf, const std::function<void(size_t, uint8_t*)>& writeLeafEntry) {
    using Page = LiveTree::Page;
    std::vector<uint8_t> page(fmt::kPageSize);
    // Writes one page of `n` entries of this level.
    auto writePage = [&](int level, size_t n, const std::function<void(size_t, uint8_t*)>& entry,
                         size_t entrySize, int maxEntries, uint64_t key) {
        std::fill(page.begin(), page.end(), 0);
        for (size_t i = 0; i < n; ++i) entry(i, &page[i * entrySize]);
        page[f.btCountByte] = static_cast<uint8_t>(n);
        page[f.btCountByte + 1] = static_cast<uint8_t>(maxEntries);
        page[f.btCountByte + 2] = static_cast<uint8_t>(entrySize);
        page[f.btCountByte + 3] = static_cast<uint8_t>(level);
        Page out{};
        out.ref.key = key;
        out.ref.bid = nextPageBid++;
        out.ref.ib = space.Allocate(fmt::kPageSize, fmt::kPageSize);
        out.count = static_cast<uint32_t>(n);
        FinishPage(page.data(), ptype, out.ref.ib, out.ref.bid, true);
        PlaceBytes(out.ref.ib, page.data(), page.size());
        return out;
    };

    // Level by level: entries of level 0 are the tree's entries, those of a
    // level above are the pages of the level below. Pages of a level whose
    // key range saw no change are kept; runs of changed ones are packed anew.
    std::vector<Page> below;                 // the new pages of the level below
    std::vector<uint64_t> changedKeys;       // keys of pages replaced below
    for (int level = 0;; ++level) {
        if (static_cast<size_t>(level) >= tree.levels.size()) tree.levels.emplace_back();
        std::vector<Page>& old = tree.levels[static_cast<size_t>(level)];
        std::vector<uint8_t> dirty(old.size(), 0);
        if (level == 0) {
            if (tree.dirty.size() == old.size()) dirty = tree.dirty;
        } else {
            for (uint64_t key : changedKeys) {
                if (old.empty()) break;
                dirty[LiveTree::PageHolding(old, key)] = 1;
            }
        }
        const size_t n = level == 0 ? count : below.size();
        auto key = [&](size_t i) { return level == 0 ? keyOf(i) : below[i].ref.key; };
        const int maxEntries = level == 0 ? formatLeafMax : f.maxIntermediateEntries;
        const size_t entrySize = level == 0 ? leafEntrySize : f.btIntermediateEntrySize;
        auto pack = [&](size_t from, size_t to, std::vector<Page>& out, std::vector<uint64_t>& changed) {
            for (size_t start = from; start < to; start += static_cast<size_t>(maxEntries)) {
                const size_t m = std::min(to - start, static_cast<size_t>(maxEntries));
                std::function<void(size_t, uint8_t*)> entry;
                if (level == 0) {
                    entry = [&](size_t i, uint8_t* e) { writeLeafEntry(start + i, e); };
                } else {
                    entry = [&](size_t i, uint8_t* e) {
                        const PageRef& r = below[start + i].ref;
                        f.PutId(e, r.key);
                        f.PutId(e + f.bidSize, r.bid);
                        f.PutId(e + 2 * f.bidSize, r.ib);
                    };
                }
                out.push_back(writePage(level, m, entry, entrySize, maxEntries, key(start)));
                changed.push_back(out.back().ref.key);
            }
        };

        std::vector<Page> fresh;
        std::vector<uint64_t> changedHere;
        size_t i = 0;
        for (size_t j = 0; j < old.size();) {
            if (!dirty[j]) {
                fresh.push_back(old[j]);
                i += old[j].count;
                ++j;
                continue;
            }
            size_t k = j;
            for (; k < old.size() && dirty[k]; ++k) {
                space.Free(old[k].ref.ib, fmt::kPageSize);
                changedHere.push_back(old[k].ref.key);
            }
            // This run's entries: up to the first of the next kept page.
            size_t end = n;
            if (k < old.size()) {
                size_t lo = i, hi = n;
                while (lo < hi) {
                    const size_t mid = (lo + hi) / 2;
                    if (key(mid) < old[k].ref.key) lo = mid + 1;
                    else hi = mid;
                }
                end = lo;
            }
            pack(i, end, fresh, changedHere);
            i = end;
            j = k;
        }
        if (old.empty()) pack(0, n, fresh, changedHere);
        if (fresh.empty()) {                  // an empty tree: one empty leaf
            fresh.push_back(writePage(level, 0, [](size_t, uint8_t*) {}, entrySize, maxEntries, 0));
            changedHere.push_back(0);
        }
        old = fresh;
        if (level == 0) tree.dirty.assign(old.size(), 0);
        if (old.size() == 1) {
            // The root: levels above it from an earlier, taller tree go.
            for (size_t up = static_cast<size_t>(level) + 1; up < tree.levels.size(); ++up)
                for (const Page& p : tree.levels[up]) space.Free(p.ref.ib, fmt::kPageSize);
            tree.levels.resize(static_cast<size_t>(level) + 1);
            return old[0].ref;
        }
        below = old;
        changedKeys.swap(changedHere);
    }
}

void NdbWriter::Impl::Finish() {
    if (finished) return;
    finished = true;
    BuildTrees();
    space.ReleaseFreed();   // nothing is on disk yet: the maps show only what is used
    blocks.clear();
    blocks.shrink_to_fit();
}

void NdbWriter::Impl::WriteChangedMaps() {
    // Map pages of the intervals that changed, and the free-map pages that
    // cover them.
    std::vector<uint8_t> maps(4 * fmt::kPageSize);
    const uint64_t count = space.Intervals();
    std::vector<uint8_t> fmapDirty(static_cast<size_t>(count), 0);
    for (uint64_t k = 128; k < count; ++k)
        if (space.Dirty(k)) fmapDirty[static_cast<size_t>(128 + (k - 128) / 496 * 496)] = 1;
    for (uint64_t k = 0; k < count; ++k) {
        if (!space.Dirty(k) && !fmapDirty[static_cast<size_t>(k)]) continue;
        std::fill(maps.begin(), maps.end(), 0);
        BuildMapPages(k, maps.data());
        file.WriteAt(NdbSpace::IntervalStart(k), maps.data(), static_cast<size_t>(NdbSpace::MapPagesSize(k)));
    }
    space.ClearDirty();
}

bool NdbWriter::Impl::Checkpoint() {
    if (!file.IsOpen()) return false;
    BuildTrees();
    // The maps still mark the space this batch freed: until the new header
    // is on the disk, the old one points at it, and a writer that trusts
    // the maps of a file cut here must not hand it out.
    WriteChangedMaps();
    file.EnsureSize(space.FileSize());

    // Everything the new header points at is in the file before the header.
    if (!file.Flush() || damage.stopBeforeHeader) return false;
    // A new dwUnique with every header written, as Outlook does.
    if (treesWritten++ > 0) ++headerWrites;
    const std::vector<uint8_t> head = BuildHeaderArea();
    file.WriteAt(0, head.data(), head.size());
    if (!file.Flush()) return false;
    // The file's new state is complete: what the old one used may be reused,
    // and the maps show it free.
    space.ReleaseFreed();
    WriteChangedMaps();
    return file.Flush();
}

std::vector<uint8_t> NdbWriter::Impl::BuildHeaderArea() const {
    std::vector<uint8_t> area(kFirstAMapOffset, 0);
    uint8_t* h = area.data();
    const uint64_t bidNextP = nextPageBid;

    fmt::StoreLe32(h + fmt::kHeader_dwMagic, fmt::kHeaderMagic);
    fmt::StoreLe16(h + fmt::kHeader_wMagicClient, options.ost ? fmt::kMagicClientOst : fmt::kMagicClientPst);
    fmt::StoreLe16(h + fmt::kHeader_wVer, f.unicode ? fmt::kVersionUnicode : fmt::kVersionAnsi);
    fmt::StoreLe16(h + fmt::kHeader_wVerClient, kVersionClient);
    h[fmt::kHeader_bPlatformCreate] = 1;
    h[fmt::kHeader_bPlatformAccess] = 1;

    const uint8_t fAMapValid = damage.invalidAMap ? 0 : kFAMapValid2;
    if (f.unicode) {
        namespace u = fmt::unicode;
        fmt::StoreLe64(h + u::kHeader_bidNextP, bidNextP);
        fmt::StoreLe32(h + u::kHeader_dwUnique, kUnique + headerWrites);
        for (size_t t = 0; t < rgnid.size(); ++t) fmt::StoreLe32(h + u::kHeader_rgnid + 4 * t, rgnid[t]);
        fmt::StoreLe64(h + u::kRoot_ibFileEof, space.FileSize());
        fmt::StoreLe64(h + u::kRoot_ibAMapLast, space.LastAMapOffset());
        fmt::StoreLe64(h + u::kRoot_cbAMapFree, space.FreeBytesOnceReleased());
        fmt::StoreLe64(h + u::kRoot_cbPMapFree, 0);
        fmt::StoreLe64(h + u::kRoot_brefNbt_bid, nbtRoot.bid);
        fmt::StoreLe64(h + u::kRoot_brefNbt_ib, nbtRoot.ib);
        fmt::StoreLe64(h + u::kRoot_brefBbt_bid, bbtRoot.bid);
        fmt::StoreLe64(h + u::kRoot_brefBbt_ib, bbtRoot.ib);
        h[u::kRoot_fAMapValid] = fAMapValid;
        std::memset(h + u::kHeader_rgbFM, 0xFF, 128);
        std::memset(h + u::kHeader_rgbFP, 0xFF, 128);
        h[u::kHeader_bSentinel] = fmt::kHeaderSentinel;
        h[u::kHeader_bCryptMethod] = options.cryptMethod;
        fmt::StoreLe64(h + u::kHeader_bidNextB, bidNextB);
        uint32_t full = fmt::Crc32(h + u::kHeaderCrcFullStart, u::kHeaderCrcFullLength);
        if (damage.badHeaderCrcFull) full = ~full;
        fmt::StoreLe32(h + u::kHeader_dwCRCFull, full);
    } else {
        namespace a = fmt::ansi;
        fmt::StoreLe32(h + a::kHeader_bidNextB, static_cast<uint32_t>(bidNextB));
        fmt::StoreLe32(h + a::kHeader_bidNextP, static_cast<uint32_t>(bidNextP));
        fmt::StoreLe32(h + a::kHeader_dwUnique, kUnique + headerWrites);
        for (size_t t = 0; t < rgnid.size(); ++t) fmt::StoreLe32(h + a::kHeader_rgnid + 4 * t, rgnid[t]);
        fmt::StoreLe32(h + a::kRoot_ibFileEof, static_cast<uint32_t>(space.FileSize()));
        fmt::StoreLe32(h + a::kRoot_ibAMapLast, static_cast<uint32_t>(space.LastAMapOffset()));
        fmt::StoreLe32(h + a::kRoot_cbAMapFree, static_cast<uint32_t>(space.FreeBytesOnceReleased()));
        fmt::StoreLe32(h + a::kRoot_cbPMapFree, 0);
        fmt::StoreLe32(h + a::kRoot_brefNbt_bid, static_cast<uint32_t>(nbtRoot.bid));
        fmt::StoreLe32(h + a::kRoot_brefNbt_ib, static_cast<uint32_t>(nbtRoot.ib));
        fmt::StoreLe32(h + a::kRoot_brefBbt_bid, static_cast<uint32_t>(bbtRoot.bid));
        fmt::StoreLe32(h + a::kRoot_brefBbt_ib, static_cast<uint32_t>(bbtRoot.ib));
        h[a::kRoot_fAMapValid] = fAMapValid;
        std::memset(h + a::kHeader_rgbFM, 0xFF, 128);
        std::memset(h + a::kHeader_rgbFP, 0xFF, 128);
        h[a::kHeader_bSentinel] = fmt::kHeaderSentinel;
        h[a::kHeader_bCryptMethod] = options.cryptMethod;
    }
    uint32_t partial = fmt::Crc32(h + fmt::kHeaderCrcPartialStart, fmt::kHeaderCrcPartialLength);
    if (damage.badHeaderCrcPartial) partial = ~partial;
    fmt::StoreLe32(h + fmt::kHeader_dwCRCPartial, partial);

    // The density list: empty, as in a store no one has freed space in yet.
    uint8_t* dlist = h + kDListOffset;
    FinishPage(dlist, fmt::kPageDList, kDListOffset, bidNextP, false);
    return area;
}

void NdbWriter::Impl::BuildMapPages(uint64_t k, uint8_t* interval) const {
    const uint64_t start = NdbSpace::IntervalStart(k);
    auto finish = [&](size_t slot, uint8_t ptype) {
        FinishPage(interval + slot * fmt::kPageSize, ptype, start + slot * fmt::kPageSize,
                   start + slot * fmt::kPageSize, false);
    };
    auto clear = [&](size_t slot) { std::memset(interval + slot * fmt::kPageSize, 0, fmt::kPageSize); };

    clear(0);
    std::memcpy(interval + f.mapBitsOffset, space.AMapBits(k), kMapBytes);
    finish(0, fmt::kPageAMap);
    if (NdbSpace::HasPMap(k)) {
        // Pages are tracked by the density list now; Outlook marks every
        // PMap bit allocated, and so do we.
        clear(1);
        std::memset(interval + fmt::kPageSize + f.mapBitsOffset, 0xFF, kMapBytes);
        finish(1, fmt::kPagePMap);
    }
    if (NdbSpace::HasFMap(k)) {
        clear(2);
        uint8_t* bytes = interval + 2 * fmt::kPageSize + f.mapBitsOffset;
        for (size_t i = 0; i < kMapBytes && k + i < space.Intervals(); ++i)
            bytes[i] = space.LongestFreeRun(k + i);
        finish(2, fmt::kPageFMap);
    }
    if (NdbSpace::HasFPMap(k)) {
        clear(3);
        std::memset(interval + 3 * fmt::kPageSize + f.mapBitsOffset, 0xFF, kMapBytes);
        finish(3, fmt::kPageFPMap);
    }
}

bool NdbWriter::Impl::Emit(const Sink& sink, bool headerAsZeros) {
    Finish();
    uint64_t budget = damage.truncateTo ? damage.truncateTo : UINT64_MAX;
    auto put = [&](const uint8_t* data, size_t size) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(budget, size));
        budget -= n;
        return n == 0 || sink(data, n);
    };

    std::vector<uint8_t> head = BuildHeaderArea();
    if (headerAsZeros) std::fill(head.begin(), head.end(), 0);
    if (!put(head.data(), head.size())) return false;
    if (!spool.Rewind()) return false;
    std::vector<uint8_t> interval(kIntervalSize);
    for (uint64_t k = 0; k < space.Intervals() && budget > 0; ++k) {
        if (!spool.Read(interval.data(), interval.size())) return false;
        BuildMapPages(k, interval.data());
        if (!put(interval.data(), interval.size())) return false;
    }
    return !spool.Failed();
}

bool NdbWriter::WriteFile(const std::string& path) {
    if (impl_->file.IsOpen() || impl_->streamed) {
        // Streaming: close the file; another path gets a copy of it.
        const std::string streamed = impl_->file.IsOpen() ? impl_->file.Path() : impl_->streamedPath;
        if (impl_->file.IsOpen() && !Close()) return false;
        std::error_code ec;
        if (path == streamed || std::filesystem::equivalent(std::filesystem::u8path(streamed),
                                                            std::filesystem::u8path(path), ec))
            return true;
        ec.clear();
        std::filesystem::copy_file(std::filesystem::u8path(streamed), std::filesystem::u8path(path),
                                   std::filesystem::copy_options::overwrite_existing, ec);
        return !ec;
    }
    impl_->Finish();   // may throw on misuse: before the file exists
    const std::filesystem::path p = std::filesystem::u8path(path);
#ifdef _WIN32
    std::FILE* file = _wfopen(p.wstring().c_str(), L"wb");
#else
    std::FILE* file = std::fopen(p.string().c_str(), "wb");
#endif
    if (!file) return false;
    std::setvbuf(file, nullptr, _IOFBF, size_t(1) << 20);
    // The header goes in last, so that a write cut short leaves a file no
    // reader takes for a store.
    const bool headerLast = impl_->damage.truncateTo == 0;
    bool written = impl_->Emit([file](const uint8_t* data, size_t size) {
        return std::fwrite(data, 1, size, file) == size;
    }, headerLast);
    if (written && headerLast) {
        const std::vector<uint8_t> head = impl_->BuildHeaderArea();
        written = std::fflush(file) == 0 && std::fseek(file, 0, SEEK_SET) == 0 &&
                  std::fwrite(head.data(), 1, head.size(), file) == head.size();
    }
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    std::error_code ec;
    std::filesystem::remove(p, ec);
    return false;
}

std::vector<uint8_t> NdbWriter::WriteMemory() {
    std::vector<uint8_t> out;
    if (impl_->file.IsOpen() || impl_->streamed) {
        const std::string streamed = impl_->file.IsOpen() ? impl_->file.Path() : impl_->streamedPath;
        if (impl_->file.IsOpen() && !Close()) return out;
        std::FILE* in = nullptr;
#ifdef _WIN32
        in = _wfopen(std::filesystem::u8path(streamed).wstring().c_str(), L"rb");
#else
        in = std::fopen(streamed.c_str(), "rb");
#endif
        if (!in) return out;
        uint8_t chunk[65536];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) out.insert(out.end(), chunk, chunk + n);
        std::fclose(in);
        return out;
    }
    impl_->Finish();
    out.reserve(static_cast<size_t>(impl_->space.FileSize()));
    const bool ok = impl_->Emit([&out](const uint8_t* data, size_t size) {
        out.insert(out.end(), data, data + size);
        return true;
    }, false);
    if (!ok) out.clear();
    return out;
}

}  // namespace writer
