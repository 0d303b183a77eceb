// Blocks, data trees and subnode trees ([MS-PST] 2.2.2.8), laid out in file
// order as nodes are added.
#include "writer/ndb_writer_impl.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <stdexcept>

#include "format/crc.h"
#include "format/crypt.h"
#include "format/layout.h"

namespace writer {

NdbWriter::Impl::Impl(const StoreOptions& o)
    : options(o), f(NdbFormat::For(o.variant)), spool(o.memoryLimit), scratch(fmt::kMaxBlockSize) {
    rgnid.fill(0x400);
    rgnid[fmt::kNidTypeSearchFolder] = 0x4000;
    rgnid[fmt::kNidTypeNormalMessage] = 0x10000;
    rgnid[fmt::kNidTypeAssocMessage] = 0x8000;
}

uint64_t NdbWriter::Impl::NewBid(bool internal) {
    const uint64_t bid = (nextBlockIndex++ << 2) | (internal ? fmt::kBidInternalBit : 0);
    if (!f.unicode && bid > 0xFFFFFFFFu) throw std::length_error("8-bit store: out of block ids");
    return bid;
}

void NdbWriter::Impl::PlaceBytes(uint64_t ib, const uint8_t* data, size_t size) {
    if (file.IsOpen()) {
        file.WriteAt(ib, data, size);
        return;
    }
    const uint64_t at = ib - kFirstAMapOffset;
    spool.AppendZeros(at - spool.Size());
    spool.Append(data, size);
}

uint64_t NdbWriter::Impl::WriteBlock(const uint8_t* data, size_t cb, bool internal) {
    const uint64_t bid = NewBid(internal);
    const size_t total = AlignUp(cb + f.blockTrailerSize, kUnitSize);
    const uint64_t ib = space.Allocate(total, kUnitSize);
    if (!f.unicode && ib + total > 0x7FFFFFFFu) throw std::length_error("8-bit store: file too large");

    uint8_t* buf = scratch.data();
    if (cb) std::memcpy(buf, data, cb);
    std::memset(buf + cb, 0, total - cb);
    if (!internal) {
        if (options.cryptMethod == fmt::kCryptPermute) fmt::PermuteEncode(buf, cb);
        else if (options.cryptMethod == fmt::kCryptCyclic)
            fmt::CyclicCode(buf, cb, static_cast<uint32_t>(bid));
    }
    uint32_t crc = fmt::Crc32(buf, cb);
    uint64_t trailerBid = bid;
    if (inNodeData && !internal && firstDataBlockPending) {
        firstDataBlockPending = false;
        if (damage.wrongBlockTrailerBidNid == currentNid) trailerBid = bid + 0x40;
        if (damage.badBlockCrcNid == currentNid) crc ^= 0xA5A5A5A5u;
    }
    uint8_t* trailer = buf + total - f.blockTrailerSize;
    fmt::StoreLe16(trailer, static_cast<uint16_t>(cb));
    fmt::StoreLe16(trailer + f.blockTrailerSig, fmt::ComputeSig(ib, trailerBid));
    fmt::StoreLe32(trailer + f.blockTrailerCrc, crc);
    f.PutId(trailer + f.blockTrailerBid, trailerBid);

    PlaceBytes(ib, buf, total);
    if ((bid >> 2) > UINT32_MAX) throw std::length_error("store: out of block ids");
    if (ib >> 48) throw std::length_error("store: file too large");
    blocks.emplace_back(ib, static_cast<uint32_t>(bid >> 2), cb, internal);
    bbtLive.Touch(bid);
    return bid;
}

uint64_t NdbWriter::Impl::WriteXBlock(uint8_t level, const std::vector<uint64_t>& bids,
                                      uint64_t total) {
    if (total > 0xFFFFFFFFu) throw std::length_error("node data above 4 GiB");
    std::vector<uint8_t> body(f.xblockHeaderSize + bids.size() * f.bidSize, 0);
    uint16_t count = static_cast<uint16_t>(bids.size());
    if (inNodeData && level == 1 && firstXBlockPending && damage.excessEntryCountNid == currentNid)
        count = static_cast<uint16_t>(count + damage.excessEntryCountAdd);
    body[0] = fmt::kBlockTypeData;
    body[1] = level;
    fmt::StoreLe16(&body[2], count);
    fmt::StoreLe32(&body[4], static_cast<uint32_t>(total));
    for (size_t i = 0; i < bids.size(); ++i) f.PutId(&body[f.xblockHeaderSize + i * f.bidSize], bids[i]);
    return WriteBlock(body.data(), body.size(), true);
}

uint64_t NdbWriter::Impl::WriteDataTree(size_t count,
                                        const std::function<std::pair<uint64_t, size_t>(size_t)>& block) {
    const size_t cap = f.xblockCapacity;
    if (count > cap * cap) throw std::length_error("node data too large for an XXBLOCK");
    std::vector<uint64_t> xblocks;
    uint64_t grandTotal = 0;
    for (size_t start = 0; start < count; start += cap) {
        const size_t end = std::min(count, start + cap);
        std::vector<uint64_t> bids;
        uint64_t total = 0;
        for (size_t i = start; i < end; ++i) {
            const std::pair<uint64_t, size_t> b = block(i);
            bids.push_back(b.first);
            total += b.second;
        }
        const bool firstX = inNodeData && firstXBlockPending;
        if (firstX && damage.zeroByteXBlockChildNid == currentNid) bids.push_back(WriteBlock(nullptr, 0, false));
        xblocks.push_back(WriteXBlock(1, bids, total));
        if (inNodeData) firstXBlockPending = false;
        grandTotal += total;
    }
    if (xblocks.size() == 1) return xblocks[0];
    return WriteXBlock(2, xblocks, grandTotal);
}

uint64_t NdbWriter::Impl::WriteNodeData(NodeData& data) {
    const size_t max = f.maxBlockData;
    size_t count = 0;
    std::function<Piece(size_t)> piece;
    std::vector<uint8_t> buffer;
    const uint64_t size = data.source ? data.source->Size() : 0;
    if (!data.written.empty()) {
        count = data.written.size();
    } else if (data.source) {
        // Read one block's worth at a time, in order.
        if (size / max >= SIZE_MAX / 2) throw std::length_error("node data too large");
        count = static_cast<size_t>((size + max - 1) / max);
        buffer.resize(max);
        piece = [&](size_t i) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(max, size - uint64_t(i) * max));
            const size_t got = data.source->Read(buffer.data(), n);
            if (got < n) std::memset(buffer.data() + got, 0, n - got);
            return Piece(buffer.data(), n);
        };
    } else if (!data.blocks.empty()) {
        for (const auto& b : data.blocks)
            if (b.size() > max) throw std::length_error("heap block larger than a block");
        count = data.blocks.size();
        piece = [&](size_t i) { return Piece(data.blocks[i].data(), data.blocks[i].size()); };
    } else {
        count = (data.stream.size() + max - 1) / max;
        piece = [&](size_t i) {
            const size_t at = i * max;
            return Piece(data.stream.data() + at, std::min(max, data.stream.size() - at));
        };
    }
    auto block = [&](size_t i) -> std::pair<uint64_t, size_t> {
        if (!data.written.empty()) return {data.written[i].first, data.written[i].second};
        const Piece p = piece(i);
        return {WriteBlock(p.first, p.second, false), p.second};
    };
    uint64_t bid = 0;
    if (count == 1) bid = block(0).first;
    else if (count > 1) bid = WriteDataTree(count, block);
    // The caller handed the data over: free it now, not when the node goes.
    std::vector<uint8_t>().swap(data.stream);
    std::vector<std::vector<uint8_t>>().swap(data.blocks);
    data.source.reset();
    std::vector<std::pair<uint64_t, uint32_t>>().swap(data.written);
    return bid;
}

void NdbWriter::Impl::DropFromBlockTree(uint64_t bid) {
    for (size_t i = blocks.size(); i-- > 0;) {
        if (blocks[i].Bid() == bid) {
            bbtLive.Touch(bid);
            blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

uint64_t NdbWriter::Impl::WriteSubnodeTree(std::vector<Subnode>& subnodes, bool nodeLevel) {
    if (subnodes.empty()) return 0;
    std::stable_sort(subnodes.begin(), subnodes.end(),
                     [](const Subnode& a, const Subnode& b) { return a.nid < b.nid; });
    struct Entry {
        uint32_t nid;
        uint64_t bidData;
        uint64_t bidSub;
    };
    std::vector<Entry> entries;
    entries.reserve(subnodes.size());
    for (size_t i = 0; i < subnodes.size(); ++i) {
        Subnode& s = subnodes[i];
        const uint64_t bidData = WriteNodeData(s.data);
        if (nodeLevel && i == 0 && bidData && damage.missingSubnodeBlockNid == currentNid)
            DropFromBlockTree(bidData);
        const uint64_t bidSub = WriteSubnodeTree(s.subnodes, false);
        std::vector<Subnode>().swap(s.subnodes);
        entries.push_back({s.nid, bidData, bidSub});
    }

    size_t perBlock = f.slCapacity;
    if (damage.slBlockEntries > 0) perBlock = std::min(perBlock, size_t(damage.slBlockEntries));
    const size_t slCount = (entries.size() + perBlock - 1) / perBlock;
    if (slCount > f.siCapacity) throw std::length_error("too many subnodes for one SIBLOCK");

    std::vector<std::pair<uint32_t, uint64_t>> slBlocks;   // first nid, SLBLOCK id
    for (size_t start = 0; start < entries.size(); start += perBlock) {
        const size_t end = std::min(entries.size(), start + perBlock);
        std::vector<uint8_t> body(f.slHeaderSize + (end - start) * f.slEntrySize, 0);
        uint16_t count = static_cast<uint16_t>(end - start);
        if (nodeLevel && firstSlBlockPending && damage.excessEntryCountNid == currentNid)
            count = static_cast<uint16_t>(count + damage.excessEntryCountAdd);
        if (nodeLevel) firstSlBlockPending = false;
        body[0] = fmt::kBlockTypeSubnode;
        body[1] = 0;
        fmt::StoreLe16(&body[2], count);
        for (size_t i = start; i < end; ++i) {
            uint8_t* e = &body[f.slHeaderSize + (i - start) * f.slEntrySize];
            f.PutId(e, entries[i].nid);
            f.PutId(e + f.bidSize, entries[i].bidData);
            f.PutId(e + 2 * f.bidSize, entries[i].bidSub);
        }
        slBlocks.emplace_back(entries[start].nid, WriteBlock(body.data(), body.size(), true));
    }
    if (slBlocks.size() == 1 && !damage.forceSiBlock) return slBlocks[0].second;

    std::vector<uint8_t> body(f.slHeaderSize + slBlocks.size() * f.siEntrySize, 0);
    body[0] = fmt::kBlockTypeSubnode;
    body[1] = 1;
    fmt::StoreLe16(&body[2], static_cast<uint16_t>(slBlocks.size()));
    for (size_t i = 0; i < slBlocks.size(); ++i) {
        uint8_t* e = &body[f.slHeaderSize + i * f.siEntrySize];
        f.PutId(e, slBlocks[i].first);
        f.PutId(e + f.bidSize, slBlocks[i].second);
    }
    return WriteBlock(body.data(), body.size(), true);
}

void NdbWriter::Impl::FreeBlocks(uint64_t firstIndex, uint64_t endIndex) {
    auto it = std::lower_bound(blocks.begin(), blocks.end(), firstIndex << 2,
                               [](const BlockRecord& b, uint64_t bid) { return b.Bid() < bid; });
    for (; it != blocks.end() && it->Bid() < (endIndex << 2); ++it) {
        if (it->Ib() == 0) continue;
        space.Free(it->Ib(), AlignUp(it->Cb() + f.blockTrailerSize, kUnitSize));
        it->Free();
        firstDeadBlock = std::min(firstDeadBlock, static_cast<size_t>(it - blocks.begin()));
        bbtLive.Touch(it->Bid());
    }
}

void NdbWriter::Impl::AddNode(Node& node, bool replace) {
    if (finished) throw std::logic_error("NdbWriter: node added after the store was written");
    // A node put again keeps its node B-tree entry, with new blocks.
    NodeRecord* existing = nullptr;
    if (replace) {
        auto old = replaceable.find(node.nid);
        if (old != replaceable.end()) {
            FreeBlocks(old->second.firstIndex, old->second.endIndex);
            auto byNid = [](const NodeRecord& a, uint32_t nid) { return a.nid < nid; };
            auto end = nodes.begin() + static_cast<std::ptrdiff_t>(sortedNodes);
            auto it = std::lower_bound(nodes.begin(), end, node.nid, byNid);
            if (it != end && it->nid == node.nid) {
                existing = &*it;
            } else {
                for (auto r = nodes.rbegin(); r != nodes.rend(); ++r)
                    if (r->nid == node.nid) {
                        existing = &*r;
                        break;
                    }
            }
        }
    }
    // Blocks written ahead for this node belong to it too.
    const uint64_t firstIndex = std::min(earlyBlocksFrom, nextBlockIndex);
    earlyBlocksFrom = UINT64_MAX;
    currentNid = node.nid;
    firstDataBlockPending = firstXBlockPending = firstSlBlockPending = true;

    inNodeData = true;
    const uint64_t bidData = WriteNodeData(node.data);
    inNodeData = false;
    if (bidData && damage.missingDataBlockNid == node.nid) DropFromBlockTree(bidData);
    const uint64_t bidSub = WriteSubnodeTree(node.subnodes, true);
    if (existing) *existing = NodeRecord{node.nid, node.parentNid, bidData, bidSub};
    else nodes.push_back({node.nid, node.parentNid, bidData, bidSub});
    nbtLive.Touch(node.nid);
    if (replace) replaceable[node.nid] = Replaceable{firstIndex, nextBlockIndex};

    const uint32_t type = node.nid & fmt::kNidTypeMask;
    rgnid[type] = std::max(rgnid[type], node.nid >> 5);
}

bool NdbWriter::Impl::StreamTo(const std::string& path) {
    if (finished || file.IsOpen()) return false;
    if (!file.Open(path)) return false;
    // What was laid out in memory before goes first.
    if (spool.Size() > 0) {
        if (!spool.Rewind()) return false;
        std::vector<uint8_t> chunk(size_t(1) << 20);
        for (uint64_t at = 0; at < spool.Size(); at += chunk.size()) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(chunk.size(), spool.Size() - at));
            if (!spool.Read(chunk.data(), n)) return false;
            file.WriteAt(kFirstAMapOffset + at, chunk.data(), n);
        }
        spool.Clear();
    }
    return !file.Failed();
}

// ---- the public face ---------------------------------------------------------

NdbWriter::NdbWriter(const StoreOptions& options) : impl_(new Impl(options)) {}
NdbWriter::~NdbWriter() = default;

void NdbWriter::AddNode(Node node) { impl_->AddNode(node, false); }
uint64_t NdbWriter::WriteDataBlock(const uint8_t* data, size_t size) {
    Impl& d = *impl_;
    if (d.finished) throw std::logic_error("NdbWriter: block written after the store was written");
    if (size > d.f.maxBlockData) throw std::length_error("a data block holds at most MaxBlockData bytes");
    d.earlyBlocksFrom = std::min(d.earlyBlocksFrom, d.nextBlockIndex);
    return d.WriteBlock(data, size, false);
}
void NdbWriter::PutNode(Node node) { impl_->AddNode(node, true); }
bool NdbWriter::StreamTo(const std::string& path) { return impl_->StreamTo(path); }
bool NdbWriter::Streaming() const { return impl_->file.IsOpen(); }
std::string NdbWriter::FileError() const { return impl_->file.Error(); }
int NdbWriter::FileErrorCode() const { return impl_->file.ErrorCode(); }
bool NdbWriter::Checkpoint() { return !impl_->finished && impl_->Checkpoint(); }
bool NdbWriter::Close() {
    if (!impl_->file.IsOpen()) return false;
    const bool ok = impl_->Checkpoint();
    impl_->finished = true;
    impl_->streamed = true;
    impl_->streamedPath = impl_->file.Path();
    impl_->blocks.clear();
    impl_->blocks.shrink_to_fit();
    return impl_->file.Close() && ok;
}
NdbDamage& NdbWriter::Damage() { return impl_->damage; }
const StoreOptions& NdbWriter::Options() const { return impl_->options; }

}  // namespace writer
