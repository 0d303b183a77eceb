// The store writer's node layer: header, allocation maps, density list,
// block and node B-trees, blocks, data trees and subnode trees of an
// offline or personal store file ([MS-PST] section 2.2), in both variants
// (8-bit, wVer 14; UTF-16, wVer 23) and all three block encodings.
//
// How to use the writer's node layer
// ----------------------------------
//   writer::StoreOptions options;                 // Unicode, permute, .pst
//   writer::NdbWriter ndb(options);
//   writer::Node node;
//   node.nid = 0x21;                              // a node id of the store
//   node.parentNid = 0;
//   node.data.stream = bytes;                     // any length: split into
//                                                 // blocks, data tree if large
//   writer::Subnode sub;                          // subnodes: same shape,
//   sub.nid = 0x8001F; sub.data.blocks = {p0, p1};// nested to any depth
//   node.subnodes.push_back(std::move(sub));
//   ndb.AddNode(std::move(node));                 // nodes in any order
//   ndb.WriteFile(path);                          // or ndb.WriteMemory()
//
// - NodeData::blocks is for heap-on-node pages: every payload becomes exactly
//   one data block (at most MaxBlockData bytes each); two or more make an
//   XBLOCK (or XXBLOCK) data tree in that order. An empty NodeData is a node
//   with no data block (bidData 0).
// - Block ids, page ids, file offsets, B-tree pages, allocation maps and the
//   header are all the writer's business; the caller gives node ids only.
// - AddNode copies nothing large: it takes the node by value, so move into it.
//   Block data is encoded and laid out as nodes are added; WriteFile writes
//   the B-trees, the maps and the header at the end.
// - Damage() returns hooks that make deliberately damaged files for reader
//   tests; a writer whose hooks are untouched writes a sound store.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace writer {

enum class Variant { Ansi, Unicode };          // wVer 14 / 23

struct StoreOptions {
    Variant variant = Variant::Unicode;
    uint8_t cryptMethod = 1;                  // 0 none, 1 permute, 2 cyclic
    bool ost = false;                         // client magic "SO" instead of "SM"
};

size_t MaxBlockData(Variant v);               // 8180 ANSI / 8176 Unicode

// The content of a node or subnode: one stream that the writer splits into
// blocks (a data tree when it does not fit one block), or explicit block
// payloads (the pages of a heap-on-node: each must fit one block; more than one
// becomes an XBLOCK/XXBLOCK data tree with exactly these blocks in order).
struct NodeData {
    std::vector<uint8_t> stream;
    std::vector<std::vector<uint8_t>> blocks; // used instead of stream when non-empty
};

struct Subnode {
    uint32_t nid = 0;
    NodeData data;
    std::vector<Subnode> subnodes;            // nested subnode tree of this subnode
};

struct Node {
    uint32_t nid = 0;
    uint32_t parentNid = 0;
    NodeData data;
    std::vector<Subnode> subnodes;
};

// Deliberate damage for reader tests. Every hook is off by default. Hooks
// that name a node id act on that node (0 = none); the rest act on the file.
struct NdbDamage {
    // ---- node B-tree -------------------------------------------------------
    // Write the node B-tree entries in exactly the order the nodes were added
    // (no sort): lets a test put a node before its parent, put a smaller key
    // after a larger one, or give a root entry other than 0x21 first.
    bool keepNodeOrder = false;
    // Node ids whose B-tree entry is written twice in a row (equal keys).
    std::vector<uint32_t> duplicateNodeEntries;
    // Node whose parent id is written as its own id.
    uint32_t selfParentNid = 0;
    // Node whose data block id in the node B-tree names a block that is not
    // in the block B-tree (a missing block).
    uint32_t missingDataBlockNid = 0;

    // ---- B-tree pages ------------------------------------------------------
    // Maximum entries per page (0 = the format's maximum). Small values force
    // several levels on small stores; 41 or 42 on an 8-bit intermediate page
    // make an over-full page (the writer lays them out past the entry area
    // only as far as the page allows).
    int nbtLeafEntries = 0;
    int bbtLeafEntries = 0;
    int intermediateEntries = 0;
    // Number added to every written cEnt byte of the named tree's pages
    // (e.g. 0x80 for an entry count byte >= 0x80); nbt/bbt selects the tree.
    uint8_t nbtEntryCountAdd = 0;
    uint8_t bbtEntryCountAdd = 0;
    // The first child page of the node (bbt) B-tree root gets a trailer block
    // id that differs from the parent entry's block id.
    bool nbtChildTrailerBidMismatch = false;
    bool bbtChildTrailerBidMismatch = false;
    // The last entry of the first intermediate page of the node (block)
    // B-tree points back at the root page (a loop).
    bool nbtLoopToRoot = false;
    bool bbtLoopToRoot = false;

    // ---- blocks and data trees ---------------------------------------------
    // Node whose first data block gets a trailer block id that differs from
    // the block id the block B-tree lists for it.
    uint32_t wrongBlockTrailerBidNid = 0;
    // Node whose first data block has a bad CRC in its trailer.
    uint32_t badBlockCrcNid = 0;
    // Node whose XBLOCK gets one extra child of 0 bytes appended.
    uint32_t zeroByteXBlockChildNid = 0;
    // Node whose XBLOCK (or SLBLOCK) cEnt is written larger than the entries
    // present (excess entry count): the number added.
    uint32_t excessEntryCountNid = 0;
    uint16_t excessEntryCountAdd = 0;

    // ---- subnode trees -----------------------------------------------------
    // Always write an SIBLOCK above the SLBLOCK(s) of every subnode tree.
    bool forceSiBlock = false;
    // Maximum entries per SLBLOCK (0 = as many as fit in a block).
    int slBlockEntries = 0;
    // Node whose first subnode's data block is left out of the block B-tree.
    uint32_t missingSubnodeBlockNid = 0;

    // ---- header and file ---------------------------------------------------
    bool badHeaderCrcPartial = false;
    bool badHeaderCrcFull = false;
    bool badPageCrc = false;                  // every B-tree page's CRC
    bool zeroFAMapValid = false;              // fAMapValid = 0 (maps invalid)
    uint64_t truncateTo = 0;                  // cut the file to this many bytes (0 = no)
};

class NdbWriter {
public:
    explicit NdbWriter(const StoreOptions& options);
    ~NdbWriter();
    NdbWriter(const NdbWriter&) = delete;
    NdbWriter& operator=(const NdbWriter&) = delete;

    void AddNode(Node node);                  // any order; the node B-tree is sorted by nid on write
    bool WriteFile(const std::string& path);  // streams to the file; false on I/O failure
    std::vector<uint8_t> WriteMemory();       // the same bytes in memory (small stores, tests)
    NdbDamage& Damage();                      // damage hooks for tests

    const StoreOptions& Options() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace writer
