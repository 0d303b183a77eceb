// The node layer's state, shared by the block writing (ndb_writer.cpp) and
// the finishing steps (ndb_finish.cpp: B-trees, maps, header, output).
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "writer/ndb_format.h"
#include "writer/ndb_space.h"
#include "writer/ndb_spool.h"
#include "writer/ndb_writer.h"

namespace writer {

struct NdbWriter::Impl {
    explicit Impl(const StoreOptions& o);

    struct BlockRecord {      // one block B-tree leaf entry
        uint64_t bid;
        uint64_t ib;
        uint16_t cb;
    };
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
    using Piece = std::pair<const uint8_t*, size_t>;
    using Sink = std::function<bool(const uint8_t*, size_t)>;

    // ---- blocks (ndb_writer.cpp) -------------------------------------------
    uint64_t NewBid(bool internal);
    uint64_t WriteBlock(const uint8_t* data, size_t cb, bool internal);
    uint64_t WriteNodeData(NodeData& data);
    uint64_t WriteDataTree(const std::vector<Piece>& pieces);
    uint64_t WriteXBlock(uint8_t level, const std::vector<uint64_t>& bids, uint64_t total);
    uint64_t WriteSubnodeTree(std::vector<Subnode>& subnodes, bool nodeLevel);
    void DropFromBlockTree(uint64_t bid);
    void PlaceBytes(uint64_t ib, const uint8_t* data, size_t size);
    void AddNode(Node& node);

    // ---- finishing (ndb_finish.cpp) ------------------------------------------
    void Finish();
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

    std::vector<BlockRecord> blocks;   // in id order (ids grow as blocks are written)
    std::vector<NodeRecord> nodes;     // in the order added
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
