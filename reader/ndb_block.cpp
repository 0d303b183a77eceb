// Block contents: reading and decoding blocks, streaming data trees (XBLOCK,
// XXBLOCK) into a sink, and subnode maps (SLBLOCK) ([MS-PST] 2.2.2.8).
#include "reader/ndb_block.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "format/bytes.h"
#include "format/crc.h"
#include "format/crypt.h"
#include "format/layout.h"

uint64_t g_nVectorSinkLimit = uint64_t(512) << 20;

namespace {

// Nesting of subnode maps (an embedded message adds one level) and the
// entries one map read may make: far beyond real stores, small enough that a
// map whose entries point back up or share a map many times stays bounded.
constexpr int kMaxSubnodeDepth = 64;
constexpr uint64_t kMaxSubnodeEntries = uint64_t(1) << 20;

size_t IdSize(const StoreContext* context) { return context->bUnicode ? 8 : 4; }

uint64_t LoadId(const uint8_t* p, size_t idSize) {
    return idSize == 8 ? fmt::LoadLe64(p) : fmt::LoadLe32(p);
}

bool IsInternal(uint64_t blockId) { return (blockId & fmt::kBidInternalBit) != 0; }

// A block takes its data, padding and trailer, a multiple of 64 bytes
// ([MS-PST] 2.2.2.8): one read of that many bytes brings the trailer along.
size_t TrailerSize(const StoreContext* context) {
    return context->bUnicode ? fmt::unicode::kBlockTrailerSize : fmt::ansi::kBlockTrailerSize;
}
uint64_t StoredSpan(uint64_t byteCount, size_t trailerSize) {
    return (byteCount + trailerSize + fmt::kBlockAlignment - 1) & ~uint64_t(fmt::kBlockAlignment - 1);
}

// The damaged blocks met on this thread while a DamagedBlockCount lives
// (a pointer, not an object: see t_readAhead below).
thread_local std::vector<uint64_t>* t_damagedBlocks = nullptr;

// Notes the block when its trailer does not vouch for its bytes: the stored
// CRC differs from theirs, or the trailer gives another byte count (a
// zero-filled block and trailer would otherwise pass: the CRC of zeros is
// 0). A CRC of 0 is a value like any other: every sample and every store
// the writer makes computes it. A trailer the file's end cut off is not
// checked; what is short is the read's to tell.
void CheckTrailer(const StoreContext* context, uint64_t blockId, const std::vector<uint8_t>& bytes,
                  uint64_t byteCount) {
    std::vector<uint64_t>* damaged = t_damagedBlocks;
    const size_t trailerSize = TrailerSize(context);
    if (!damaged || bytes.size() != StoredSpan(byteCount, trailerSize)) return;
    const uint8_t* trailer = bytes.data() + bytes.size() - trailerSize;
    const size_t crcAt = context->bUnicode ? fmt::unicode::kBlockTrailer_dwCRC : fmt::ansi::kBlockTrailer_dwCRC;
    const bool sound = fmt::LoadLe16(trailer) == byteCount &&
                       fmt::LoadLe32(trailer + crcAt) == fmt::Crc32(bytes.data(), static_cast<size_t>(byteCount));
    const uint64_t key = blockId & ~fmt::kBidReservedBit;
    if (!sound && std::find(damaged->begin(), damaged->end(), key) == damaged->end()) damaged->push_back(key);
}

// Child ids of an XBLOCK or XXBLOCK: the entry count, bounded by the bytes.
size_t ChildCount(const std::vector<uint8_t>& block, size_t idSize) {
    if (block.size() < 8) return 0;
    const size_t declared = fmt::LoadLe16(block.data() + 2);
    const size_t present = (block.size() - 8) / idSize;
    return declared < present ? declared : present;
}

// The bytes a read of the block would return: its count, cut at the end of
// the file as a read there is cut.
uint64_t StoredLength(StoreContext* context, uint64_t blockId, uint64_t fileSize) {
    const BbtEntry* entry = FindBlock(context, blockId);
    if (!entry) return 0;
    const uint64_t byteCount = entry->byteCount & 0xFFFF;
    if (entry->offset >= fileSize) return 0;
    const uint64_t left = fileSize - entry->offset;
    return byteCount < left ? byteCount : left;
}

// One walk of a data tree for both of its uses: streaming (sink set: every
// data block read, decoded and delivered at the running position) and
// measuring (no sink: the data blocks below an XBLOCK are not read, only
// their stored lengths added). Returns the final position, or 0 when any
// block of the tree cannot be read.
struct TreeWalk {
    StoreContext* context;
    const DataSink* sink;
    uint64_t fileSize;   // measuring only
};

uint64_t WalkDataTree(const TreeWalk& walk, uint64_t blockId, uint64_t position, int level) {
    StoreContext* context = walk.context;
    std::vector<uint8_t> block;
    const uint64_t read = ReadBlock(context, blockId, block);
    if (read == 0) return 0;
    const size_t idSize = IdSize(context);
    const uint16_t tag = read >= 2 ? fmt::LoadLe16(block.data()) : 0;

    if (tag == fmt::kXXBlockTag) {
        // Only the top of a tree may be an XXBLOCK: a nested one is damage
        // (and could name itself).
        if (level > 0) return 0;
        const size_t count = ChildCount(block, idSize);
        for (size_t i = 0; i < count; ++i) {
            const uint64_t child = LoadId(block.data() + 8 + i * idSize, idSize);
            // A child that fails fails the whole tree: going on from
            // position 0 would deliver the later children as the start.
            position = WalkDataTree(walk, child, position, level + 1);
            if (position == 0) return 0;
        }
        return position;
    }

    if (tag == fmt::kXBlockTag) {
        const size_t count = ChildCount(block, idSize);
        std::vector<uint8_t> data;
        for (size_t i = 0; i < count; ++i) {
            const uint64_t child = LoadId(block.data() + 8 + i * idSize, idSize);
            if (!walk.sink) {
                const uint64_t length = StoredLength(context, child, walk.fileSize);
                if (length == 0) return 0;
                position += length;
                continue;
            }
            const uint64_t length = ReadBlock(context, child, data);
            if (length == 0) return 0;
            if (context->cryptMethod != 0 && !IsInternal(child) && walk.sink->Delivers())
                DecodeBlock(context->cryptMethod, data.data(), static_cast<uint32_t>(child), length);
            position = WriteToSink(*walk.sink, position, data.data(), length);
            if (position == 0) return 0;
        }
        return position;
    }

    if (!walk.sink) return position + read;
    if (context->cryptMethod != 0 && walk.sink->Delivers())
        DecodeBlock(context->cryptMethod, block.data(), static_cast<uint32_t>(blockId), read);
    return WriteToSink(*walk.sink, position, block.data(), read);
}

SubnodeEntry* ReadMapBlock(StoreContext* context, BbtEntry* block, int depth, uint64_t& budget, int32_t* lost,
                           bool underIntermediate = false);

// The maps of an SIBLOCK's SLBLOCKs, one after another, in its order: a
// node with more subnodes than one SLBLOCK holds keeps them there.
SubnodeEntry* ReadIntermediateMap(StoreContext* context, const std::vector<uint8_t>& bytes, size_t first,
                                  int depth, uint64_t& budget, int32_t* lost) {
    const size_t idSize = IdSize(context);
    const size_t entrySize = 2 * idSize;
    const size_t declared = fmt::LoadLe16(bytes.data() + 2);
    SubnodeEntry* head = nullptr;
    SubnodeEntry** tail = &head;
    try {
        for (size_t i = 0; i < declared; ++i) {
            const size_t at = first + i * entrySize;
            if (at + entrySize > bytes.size() || budget == 0) break;
            BbtEntry* leaf = FindBlock(context, LoadId(bytes.data() + at + idSize, idSize));
            if (!leaf) {
                ++*lost;
                continue;
            }
            *tail = ReadMapBlock(context, leaf, depth, budget, lost, true);
            while (*tail) tail = &(*tail)->pNext;
        }
    } catch (...) {
        FreeSubnodeMap(head);
        throw;
    }
    return head;
}

SubnodeEntry* ReadMapBlock(StoreContext* context, BbtEntry* block, int depth, uint64_t& budget, int32_t* lost,
                           bool underIntermediate) {
    if (!block || depth > kMaxSubnodeDepth) return nullptr;
    const uint32_t byteCount = static_cast<uint32_t>(block->byteCount & 0xFFFF);
    std::vector<uint8_t> bytes;
    if (byteCount == 0 || ReadBlockEntry(context, block, bytes) < byteCount || bytes.size() < 4) {
        ++*lost;
        return nullptr;
    }
    const size_t first = context->bUnicode ? fmt::unicode::kSlEntriesOffset : fmt::ansi::kSlEntriesOffset;
    const uint16_t tag = fmt::LoadLe16(bytes.data());
    if (tag == fmt::kSiBlockTag && !underIntermediate)
        return ReadIntermediateMap(context, bytes, first, depth, budget, lost);
    if (tag != fmt::kSlBlockTag) {
        ++*lost;                 // not a map, or an SIBLOCK below an SIBLOCK
        return nullptr;
    }

    const size_t idSize = IdSize(context);
    const size_t entrySize = 3 * idSize;
    const size_t declared = fmt::LoadLe16(bytes.data() + 2);

    SubnodeEntry* head = nullptr;
    SubnodeEntry* tail = nullptr;
    try {
        for (size_t i = 0; i < declared; ++i) {
            const size_t at = first + i * entrySize;
            if (at + entrySize > bytes.size() || budget == 0) break;
            const uint8_t* p = bytes.data() + at;
            const uint64_t dataId = LoadId(p + idSize, idSize);
            BbtEntry* dataBlock = dataId ? FindBlock(context, dataId) : nullptr;
            if (!dataBlock) {
                ++*lost;
                continue;
            }
            --budget;
            SubnodeEntry* entry = new SubnodeEntry();
            entry->subnodeId = static_cast<uint32_t>(LoadId(p, idSize));
            entry->pDataBlock = dataBlock;
            if (tail)
                tail->pNext = entry;
            else
                head = entry;
            tail = entry;
            const uint64_t nestedId = LoadId(p + 2 * idSize, idSize);
            if (nestedId != 0) {
                BbtEntry* nested = FindBlock(context, nestedId);
                if (!nested) ++*lost;
                entry->pNested = ReadMapBlock(context, nested, depth + 1, budget, lost);
            }
        }
    } catch (...) {
        // A file error while reading a nested map: nothing made here survives.
        FreeSubnodeMap(head);
        throw;
    }
    return head;
}

// Blocks read ahead on this thread: spans of the file, each read at once.
// A span whose read came back short ends at the end of the file.
struct ReadAheadSpan {
    uint64_t offset = 0;
    uint64_t requested = 0;
    std::vector<uint8_t> bytes;
};
struct ReadAhead {
    uint64_t openId = 0;   // the open file the spans came from
    std::vector<ReadAheadSpan> spans;
};
// A pointer, not an object: a thread-local object with a destructor makes
// the MinGW runtime run thread-exit callbacks that can hang a process at
// exit under Wine. The spans are freed by DropReadAhead.
thread_local ReadAhead* t_readAhead = nullptr;

// Joined reads pay for small blocks close together (an item's property
// context, its tables and attachment contexts, the pages of its data
// trees); a gap is read and dropped, so gaps are kept small.
constexpr uint64_t kReadAheadMaxBlock = 8192;
constexpr uint64_t kReadAheadMaxGap = 2048;
constexpr uint64_t kReadAheadMaxSpan = 256 * 1024;

// The block's bytes from a span read ahead: exactly what a read at its
// offset would return. False when no span holds the block.
bool TakeFromReadAhead(const StoreContext* context, uint64_t offset, uint32_t count, std::vector<uint8_t>& buffer) {
    if (t_readAhead == nullptr) return false;
    const ReadAhead& ahead = *t_readAhead;
    if (ahead.spans.empty() || ahead.openId == 0 || ahead.openId != context->file.OpenId()) return false;
    for (const ReadAheadSpan& span : ahead.spans) {
        if (offset < span.offset || offset - span.offset > span.requested ||
            span.requested - (offset - span.offset) < count)
            continue;
        const uint64_t start = offset - span.offset;
        const uint64_t held = span.bytes.size() > start ? span.bytes.size() - start : 0;
        const size_t n = static_cast<size_t>(held < count ? held : count);
        buffer.assign(span.bytes.begin() + static_cast<ptrdiff_t>(start),
                      span.bytes.begin() + static_cast<ptrdiff_t>(start + n));
        return true;
    }
    return false;
}

void CollectMapBlocks(const SubnodeEntry* map, std::vector<const BbtEntry*>& out, int depth) {
    if (depth > kMaxSubnodeDepth) return;
    for (const SubnodeEntry* e = map; e; e = e->pNext) {
        if (out.size() >= 4096) return;
        out.push_back(e->pDataBlock);
        CollectMapBlocks(e->pNested, out, depth + 1);
    }
}

}  // namespace

void ReadBlocksAhead(StoreContext* context, const std::vector<const BbtEntry*>& blocks) {
    if (t_readAhead == nullptr) t_readAhead = new ReadAhead;
    ReadAhead& ahead = *t_readAhead;
    ahead.spans.clear();
    ahead.openId = 0;
    if (!context || !context->file.IsOpen()) return;
    std::vector<std::pair<uint64_t, uint64_t>> wanted;   // offset, bytes
    for (const BbtEntry* b : blocks) {
        const uint64_t count = b && (b->byteCount & 0xFFFF) ? StoredSpan(b->byteCount & 0xFFFF, TrailerSize(context)) : 0;
        if (count == 0 || count > kReadAheadMaxBlock || b->offset > UINT64_MAX - count) continue;
        wanted.emplace_back(b->offset, count);
    }
    std::sort(wanted.begin(), wanted.end());
    size_t i = 0;
    while (i < wanted.size()) {
        const uint64_t start = wanted[i].first;
        uint64_t end = start + wanted[i].second;
        size_t j = i + 1;
        while (j < wanted.size() && wanted[j].first <= end + kReadAheadMaxGap &&
               std::max(end, wanted[j].first + wanted[j].second) - start <= kReadAheadMaxSpan) {
            end = std::max(end, wanted[j].first + wanted[j].second);
            ++j;
        }
        // A block alone is read when it is asked for, if it is.
        if (j - i >= 2) {
            ReadAheadSpan span;
            span.offset = start;
            span.requested = end - start;
            span.bytes.resize(static_cast<size_t>(span.requested));
            try {
                const uint64_t read = context->file.ReadAt(start, span.bytes.data(), static_cast<uint32_t>(span.requested));
                span.bytes.resize(static_cast<size_t>(read));
                ahead.spans.push_back(std::move(span));
            } catch (const StoreFileException&) {
                // The blocks are read one by one, and fail, when asked for.
            }
        }
        i = j;
    }
    ahead.openId = context->file.OpenId();
}

void ReadSubnodeBlocksAhead(StoreContext* context, const SubnodeEntry* map, const BbtEntry* also) {
    std::vector<const BbtEntry*> blocks;
    if (also) blocks.push_back(also);
    CollectMapBlocks(map, blocks, 0);
    ReadBlocksAhead(context, blocks);
}

void DropReadAhead() {
    delete t_readAhead;
    t_readAhead = nullptr;
}

uint64_t ReadBlock(StoreContext* context, uint64_t blockId, std::vector<uint8_t>& buffer) {
    BbtEntry* entry = FindBlock(context, blockId);
    return entry ? ReadBlockEntry(context, entry, buffer) : 0;
}

uint64_t ReadBlockEntry(StoreContext* context, const BbtEntry* entry, std::vector<uint8_t>& buffer) {
    const uint64_t byteCount = entry->byteCount & 0xFFFF;
    if (byteCount == 0) {
        buffer.clear();
        return 0;
    }
    const uint32_t span = static_cast<uint32_t>(StoredSpan(byteCount, TrailerSize(context)));
    if (!TakeFromReadAhead(context, entry->offset, span, buffer)) {
        buffer.assign(span, 0);
        buffer.resize(static_cast<size_t>(context->file.ReadAt(entry->offset, buffer.data(), span)));
    }
    CheckTrailer(context, entry->blockId, buffer, byteCount);
    if (buffer.size() > byteCount) buffer.resize(static_cast<size_t>(byteCount));
    return buffer.size();
}

DamagedBlockCount::DamagedBlockCount() : m_previous(t_damagedBlocks) { t_damagedBlocks = &m_blocks; }

DamagedBlockCount::~DamagedBlockCount() {
    t_damagedBlocks = m_previous;
    if (!m_previous) return;
    try {
        for (uint64_t id : m_blocks) {
            if (std::find(m_previous->begin(), m_previous->end(), id) == m_previous->end()) m_previous->push_back(id);
        }
    } catch (const std::bad_alloc&) {
        // The outer count stays short; the reads themselves are unaffected.
    }
}

int32_t DamagedBlockCount::Count() const {
    return m_blocks.size() > INT32_MAX ? INT32_MAX : static_cast<int32_t>(m_blocks.size());
}

int DecodeBlock(uint8_t cryptMethod, uint8_t* buffer, uint32_t key, uint64_t length) {
    switch (cryptMethod) {
    case fmt::kCryptPermute:
        fmt::PermuteDecode(buffer, static_cast<size_t>(length));
        return 0;
    case fmt::kCryptCyclic:
        fmt::CyclicCode(buffer, static_cast<size_t>(length), key);
        return 0;
    default:
        return -1;
    }
}

SubnodeEntry* ReadSubnodeMap(StoreContext* context, BbtEntry* subnodeBlock) {
    int32_t lost = 0;
    return ReadSubnodeMap(context, subnodeBlock, &lost);
}

SubnodeEntry* ReadSubnodeMap(StoreContext* context, BbtEntry* subnodeBlock, int32_t* lostEntries) {
    if (!context) return nullptr;
    uint64_t budget = kMaxSubnodeEntries;
    return ReadMapBlock(context, subnodeBlock, 0, budget, lostEntries);
}

bool IsBlockDataComplete(StoreContext* context, BbtEntry* dataBlock) {
    if (!context || !dataBlock) return false;
    if (!IsInternal(dataBlock->blockId)) return true;
    const size_t idSize = IdSize(context);
    std::vector<uint8_t> block;
    std::vector<uint64_t> pending = {dataBlock->blockId};
    for (int level = 2; level > 0 && !pending.empty(); --level) {
        std::vector<uint64_t> children;
        for (uint64_t id : pending) {
            if (ReadBlock(context, id, block) < 8) return false;
            const uint16_t tag = fmt::LoadLe16(block.data());
            if (tag != fmt::kXBlockTag && (tag != fmt::kXXBlockTag || level != 2)) return false;
            for (size_t i = 0, n = ChildCount(block, idSize); i < n; ++i) {
                const uint64_t child = LoadId(block.data() + 8 + i * idSize, idSize);
                if (tag == fmt::kXXBlockTag) {
                    children.push_back(child);
                } else if (!FindBlock(context, child)) {
                    return false;
                }
            }
        }
        pending.swap(children);
    }
    return pending.empty();
}

SubnodeEntry* FindSubnode(SubnodeEntry* map, uint32_t subnodeId) {
    for (SubnodeEntry* entry = map; entry; entry = entry->pNext) {
        if (entry->subnodeId == subnodeId) return entry;
        if (SubnodeEntry* nested = FindSubnode(entry->pNested, subnodeId)) return nested;
    }
    return nullptr;
}

uint64_t ReadSubnodeData(SubnodeEntry* map, StoreContext* context, uint32_t subnodeId, const DataSink& sink) {
    SubnodeEntry* entry = FindSubnode(map, subnodeId);
    return entry ? ReadBlockToSink(entry->pDataBlock, context, sink) : 0;
}

uint64_t ReadBlockToSink(BbtEntry* dataBlock, StoreContext* context, const DataSink& sink) {
    if (!dataBlock || !context) return 0;
    if (IsInternal(dataBlock->blockId)) return ReadDataTreeToSink(context, dataBlock->blockId, sink, 0);
    std::vector<uint8_t> block;
    const uint64_t read = ReadBlock(context, dataBlock->blockId, block);
    if (read == 0) return 0;
    if (context->cryptMethod != 0 && sink.Delivers())
        DecodeBlock(context->cryptMethod, block.data(), static_cast<uint32_t>(dataBlock->blockId), read);
    return WriteToSink(sink, 0, block.data(), read);
}

uint64_t BlockDataSize(BbtEntry* dataBlock, StoreContext* context) {
    if (!dataBlock || !context) return 0;
    const uint64_t fileSize = context->file.Size();
    if (IsInternal(dataBlock->blockId)) return WalkDataTree({context, nullptr, fileSize}, dataBlock->blockId, 0, 0);
    return StoredLength(context, dataBlock->blockId, fileSize);
}

uint64_t ReadDataTreeToSink(StoreContext* context, uint64_t blockId, const DataSink& sink, uint64_t position) {
    if (!context) return 0;
    const uint64_t end = WalkDataTree({context, &sink, 0}, blockId, position, 0);
    // A tree that fails delivers nothing: what it wrote is taken back.
    if (end == 0 && sink.pVector && sink.pVector->size() > position)
        sink.pVector->resize(static_cast<size_t>(position));
    return end;
}

uint64_t WriteToSink(const DataSink& sink, uint64_t position, const uint8_t* buffer, uint64_t length) {
    const uint64_t end = position + length;
    if (sink.pVector) {
        if (end > g_nVectorSinkLimit || end < position) return 0;
        try {
            sink.pVector->resize(static_cast<size_t>(end));
        } catch (const std::bad_alloc&) {
            return 0;
        }
        if (length) std::memcpy(sink.pVector->data() + position, buffer, static_cast<size_t>(length));
    } else if (sink.pFile) {
        if (length) std::fwrite(buffer, 1, static_cast<size_t>(length), sink.pFile);
    }
    return end;
}

void FreeSubnodeMap(SubnodeEntry* map) {
    while (map) {
        SubnodeEntry* next = map->pNext;
        FreeSubnodeMap(map->pNested);
        delete map;
        map = next;
    }
}
