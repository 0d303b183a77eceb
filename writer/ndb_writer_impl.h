// The node layer's state, shared by the block writing (ndb_writer.cpp) and
// the finishing steps (ndb_finish.cpp: B-trees, maps, header, output).
#pragma once
#include <array>
#include <cstddef>
#include <deque>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "format/layout.h"
#include "writer/ndb_file.h"
#include "writer/ndb_format.h"
#include "writer/ndb_space.h"
#include "writer/ndb_spool.h"
#include "writer/ndb_writer.h"
#include "writer/record_arena.h"

namespace writer {

struct NdbWriter::Impl {
    explicit Impl(const StoreOptions& o);

    struct BlockRecord {      // one block B-tree leaf entry, 12 bytes (there are millions)
        uint32_t index;       // the block id is index << 2, plus 2 for internal blocks
        uint32_t ibLow;       // the file offset: 48 bits (0: a freed block)
        uint16_t ibHigh;
        uint16_t cbInternal;  // bytes (15 bits), and the internal flag in the top bit
        BlockRecord(uint64_t ib, uint32_t index, size_t cb, bool internal)
            : index(index), ibLow(static_cast<uint32_t>(ib)), ibHigh(static_cast<uint16_t>(ib >> 32)),
              cbInternal(static_cast<uint16_t>(cb | (internal ? 0x8000u : 0u))) {}
        uint64_t Ib() const { return (uint64_t(ibHigh) << 32) | ibLow; }
        void Free() { ibLow = 0, ibHigh = 0; }
        uint16_t Cb() const { return cbInternal & 0x7FFF; }
        uint64_t Bid() const { return (uint64_t(index) << 2) | ((cbInternal & 0x8000) ? fmt::kBidInternalBit : 0); }
    };
    static_assert(sizeof(BlockRecord) == 12, "block records stay small");
    struct NodeRecord {       // one node B-tree leaf entry
        uint32_t nid;
        uint32_t parentNid;
        uint64_t bidData;
        uint64_t bidSub;
    };
    struct PageRef {          // a written B-tree page as its parent names it
        uint64_t key;
        uint64_t bid;
        uint64_t ib;
    };
    // A B-tree kept on disk between checkpoints: pages whose entries did not
    // change are kept, the others are written again.
    struct LiveTree {
        struct Page {
            PageRef ref;
            uint32_t count;           // entries
        };
        std::vector<std::vector<Page>> levels;   // [0] = leaves
        std::vector<uint8_t> dirty;              // per leaf
        // The page of a non-empty level whose key range holds this key: the
        // last one whose first key is not above it (else the first).
        static size_t PageHolding(const std::vector<Page>& pages, uint64_t key) {
            size_t lo = 0, hi = pages.size();
            while (hi - lo > 1) {
                const size_t mid = (lo + hi) / 2;
                if (pages[mid].ref.key <= key) lo = mid;
                else hi = mid;
            }
            return lo;
        }
        // An entry with this key was added, changed or removed.
        void Touch(uint64_t key) {
            if (levels.empty() || levels[0].empty()) return;
            dirty[PageHolding(levels[0], key)] = 1;
        }
    };
    using Piece = std::pair<const uint8_t*, size_t>;
    using Sink = std::function<bool(const uint8_t*, size_t)>;

    // ---- blocks (ndb_writer.cpp) -------------------------------------------
    uint64_t NewBid(bool internal);
    uint64_t WriteBlock(const uint8_t* data, size_t cb, bool internal);
    uint64_t WriteNodeData(NodeData& data);
    // A data tree over `count` data blocks; block(i) writes block i (or
    // names one written before) and returns its id and size.
    uint64_t WriteDataTree(size_t count, const std::function<std::pair<uint64_t, size_t>(size_t)>& block);
    uint64_t WriteXBlock(uint8_t level, const std::vector<uint64_t>& bids, uint64_t total);
    uint64_t WriteSubnodeTree(std::vector<Subnode>& subnodes, bool nodeLevel);
    void DropFromBlockTree(uint64_t bid);
    void PlaceBytes(uint64_t ib, const uint8_t* data, size_t size);
    // Adds a node; with `replace`, a node of the same id added before with
    // `replace` is dropped and its blocks freed.
    void AddNode(Node& node, bool replace);
    void FreeBlocks(uint64_t firstIndex, uint64_t endIndex);

    // ---- finishing (ndb_finish.cpp) ------------------------------------------
    void BuildTrees();   // both B-trees after the blocks (also when streaming)
    // Brings a live tree up to date with its sorted entries; returns its root.
    PageRef UpdateTree(LiveTree& tree, uint8_t ptype, size_t count, int formatLeafMax, size_t leafEntrySize,
                       const std::function<uint64_t(size_t)>& keyOf,
                       const std::function<void(size_t, uint8_t*)>& writeLeafEntry);
    void Finish();       // the last BuildTrees of a store kept in memory
    bool Checkpoint();   // trees, maps and header into the output file
    void WriteChangedMaps();
    bool StreamTo(const std::string& path);
    PageRef BuildTree(uint8_t ptype, size_t count, int leafLimit, int formatLeafMax,
                      size_t leafEntrySize, const std::function<uint64_t(size_t)>& keyOf,
                      const std::function<void(size_t, uint8_t*)>& writeLeafEntry,
                      bool childTrailerMismatch, bool loopToRoot, uint8_t rootCountAdd);
    void FinishPage(uint8_t* page, uint8_t ptype, uint64_t ib, uint64_t trailerBid,
                    bool btree) const;
    std::vector<uint8_t> BuildHeaderArea() const;
    void BuildMapPages(uint64_t k, uint8_t* interval) const;
    // The whole file in order; the header area as zeros when the caller
    // writes it last itself.
    bool Emit(const Sink& sink, bool headerAsZeros);

    StoreOptions options;
    const NdbFormat& f;
    NdbDamage damage;
    NdbSpace space;
    NdbSpool spool;
    NdbFile file;                      // when streaming: the output itself
    bool streamed = false;             // the file was streamed and closed
    std::string streamedPath;
    LiveTree nbtLive, bbtLive;         // when streaming
    uint32_t treesWritten = 0;         // checkpoints so far
    uint32_t headerWrites = 0;         // added to dwUnique

    // Deques: they grow without copying (no transient double of millions
    // of records on a large store), their chunks from the arena.
    template <typename T>
    using RecordDeque = std::deque<T, ArenaAllocator<T>>;
    RecordArena arena;
    RecordDeque<BlockRecord> blocks{ArenaAllocator<BlockRecord>(&arena)};   // in id order (ids grow as blocks are written)
    RecordDeque<NodeRecord> nodes{ArenaAllocator<NodeRecord>(&arena)};      // sorted up to sortedNodes, then in the order added
    size_t sortedNodes = 0;
    size_t firstDeadBlock = SIZE_MAX;
    uint64_t earlyBlocksFrom = UINT64_MAX;   // first block written for the node to come  // blocks with ib 0 (freed) are from here on
    struct Replaceable {               // blocks of a node that may be replaced
        uint64_t firstIndex;
        uint64_t endIndex;
    };
    std::map<uint32_t, Replaceable> replaceable;
    std::array<uint32_t, 32> rgnid{};
    uint64_t nextBlockIndex = 1;
    std::vector<uint8_t> scratch;      // one block being laid out

    // Damage that applies once per node: cleared when used.
    uint32_t currentNid = 0;
    bool inNodeData = false;           // writing the node's own data (not a subnode's)
    bool firstDataBlockPending = false;
    bool firstXBlockPending = false;
    bool firstSlBlockPending = false;

    // Results of Finish.
    bool finished = false;
    uint64_t bidNextB = 0;
    uint64_t nextPageBid = 0;
    PageRef nbtRoot{};
    PageRef bbtRoot{};
};

}  // namespace writer
