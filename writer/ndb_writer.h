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
//   with no data block (bidData 0). A stream fills every block but its last.
// - Subnodes are sorted by id in their SLBLOCK; more than one SLBLOCK holds
//   (340 UTF-16 / 681 8-bit) go under an SIBLOCK.
// - Block ids, page ids, file offsets, B-tree pages, allocation maps, the
//   density list and the header (rgnid included) are the writer's business;
//   the caller gives node ids only. Node ids must be unique.
// - AddNode takes the node by value, so move into it: its blocks are encoded
//   and laid out at once and its data freed, so memory stays small. After
//   StreamTo(path) they go straight into that file, and each Checkpoint()
//   makes it a complete store; without it they stay in memory (past
//   StoreOptions::memoryLimit in a temporary file) and WriteFile/WriteMemory
//   add the B-trees and maps and write the whole file; either may be called
//   again (same bytes), AddNode no longer.
// - Misuse throws: a heap payload larger than a block, data beyond what an
//   XXBLOCK or SIBLOCK can hold, an 8-bit file above 2 GiB
//   (std::length_error); AddNode after a write (std::logic_error).
// - Damage() returns hooks that make deliberately damaged files for reader
//   tests; set them before the first AddNode. A writer whose hooks are
//   untouched writes a sound store.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace writer {

enum class Variant { Ansi, Unicode };          // wVer 14 / 23

struct StoreOptions {
    Variant variant = Variant::Unicode;
    uint8_t cryptMethod = 1;                  // 0 none, 1 permute, 2 cyclic
    bool ost = false;                         // client magic "SO" instead of "SM"
    // Bytes of laid-out blocks kept in memory; beyond this the writer spools
    // them to a temporary file, so a store of gigabytes needs little memory.
    size_t memoryLimit = size_t(64) << 20;
};

size_t MaxBlockData(Variant v);               // 8180 ANSI / 8176 Unicode

// The content of a node or subnode: one stream that the writer splits into
// blocks (a data tree when it does not fit one block), or explicit block
// payloads (the pages of a heap-on-node: each must fit one block; more than one
// becomes an XBLOCK/XXBLOCK data tree with exactly these blocks in order).
// A stream read in pieces when its node is written (a file's content), so
// that it is never held whole. Bytes it cannot deliver are written as zeros.
class DataSource {
public:
    virtual ~DataSource() = default;
    virtual uint64_t Size() const = 0;
    // The next bytes, in order; returns how many it read (fewer at a failure).
    virtual size_t Read(uint8_t* out, size_t size) = 0;
};

struct NodeData {
    std::vector<uint8_t> stream;
    std::vector<std::vector<uint8_t>> blocks; // used instead of stream when non-empty
    std::shared_ptr<DataSource> source;       // used instead of both when set
    // Blocks written already by NdbWriter::WriteDataBlock (id, size), in
    // order: used instead of the others when not empty.
    std::vector<std::pair<uint64_t, uint32_t>> written;
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

// Deliberate damage for reader tests. Every hook is off by default; a writer
// whose hooks are untouched writes a sound store. Set the hooks before the
// first AddNode: block-level damage is applied as nodes are added. Hooks that
// name a node id act on that node's own data or subnode tree (0 = none).
struct NdbDamage {
    // ---- node B-tree entries ----------------------------------------------
    // Write the node B-tree entries in the order the nodes were added (no
    // sort): a node before its parent, a smaller key after a larger one, or a
    // first root entry other than 0x21.
    bool keepNodeOrder = false;
    // Node ids whose node B-tree entry is written twice in a row (equal keys).
    std::vector<uint32_t> duplicateNodeEntries;
    // Node whose parent id is written as its own id.
    uint32_t selfParentNid = 0;
    // Node whose data block (the top of its data tree) is written to the file
    // but left out of the block B-tree (a missing block).
    uint32_t missingDataBlockNid = 0;

    // ---- B-tree pages ------------------------------------------------------
    // Entries per page (0 = the format's maximum; larger values are clamped to
    // what a page holds). Small values give several levels on small stores.
    int nbtLeafEntries = 0;
    int bbtLeafEntries = 0;
    int intermediateEntries = 0;
    // Added to the entry count byte of the root page (e.g. 41 + 1 = 42 entries
    // on an 8-bit intermediate page, or a count >= 0x80).
    uint8_t nbtRootEntryCountAdd = 0;
    uint8_t bbtRootEntryCountAdd = 0;
    // The first child page of an intermediate root gets a trailer block id
    // that differs from the block id in the root's entry.
    bool nbtChildTrailerBidMismatch = false;
    bool bbtChildTrailerBidMismatch = false;
    // The last entry of an intermediate root points back at the root (a loop).
    bool nbtLoopToRoot = false;
    bool bbtLoopToRoot = false;
    // Called for every B-tree page (ptype 0x80 or 0x81) after its entries are
    // laid out and before its trailer CRC is computed; may change any byte
    // before the trailer.
    std::function<void(uint8_t ptype, int level, bool root, uint8_t* page)> pageHook;

    // ---- blocks and data trees ---------------------------------------------
    // Node whose first data block gets a trailer block id that differs from
    // the id the block B-tree lists for it.
    uint32_t wrongBlockTrailerBidNid = 0;
    // Node whose first data block has a wrong CRC in its trailer.
    uint32_t badBlockCrcNid = 0;
    // Node whose first XBLOCK gets one more child: a data block of 0 bytes.
    uint32_t zeroByteXBlockChildNid = 0;
    // Node whose first XBLOCK and first SLBLOCK have an entry count larger
    // than the entries present, by excessEntryCountAdd.
    uint32_t excessEntryCountNid = 0;
    uint16_t excessEntryCountAdd = 0;

    // ---- subnode trees -----------------------------------------------------
    // Always put an SIBLOCK above the SLBLOCK(s) of every subnode tree.
    bool forceSiBlock = false;
    // Entries per SLBLOCK (0 = as many as fit in a block).
    int slBlockEntries = 0;
    // Node whose first subnode's data block is left out of the block B-tree.
    uint32_t missingSubnodeBlockNid = 0;

    // ---- header and file ---------------------------------------------------
    bool badHeaderCrcPartial = false;
    bool badHeaderCrcFull = false;            // UTF-16 variant only
    bool badPageCrc = false;                  // every B-tree page's CRC
    bool invalidAMap = false;                 // fAMapValid = 0
    uint64_t truncateTo = 0;                  // cut the file to this many bytes (0 = no)
    // Checkpoints stop (and fail) just before their header, as a process
    // killed there would: the trees and maps are in the file, the header
    // is the last checkpoint's.
    bool stopBeforeHeader = false;
};

class NdbWriter {
public:
    explicit NdbWriter(const StoreOptions& options);
    ~NdbWriter();
    NdbWriter(const NdbWriter&) = delete;
    NdbWriter& operator=(const NdbWriter&) = delete;

    void AddNode(Node node);                  // any order; the node B-tree is sorted by nid on write
    // Adds a node that a later PutNode of the same id replaces (the old
    // version's blocks are freed): for nodes rewritten at every checkpoint.
    void PutNode(Node node);
    // One data block (at most MaxBlockData bytes) of the node added next,
    // written now so that a large node need not be held whole; name it in
    // NodeData::written. Returns its id.
    uint64_t WriteDataBlock(const uint8_t* data, size_t size);

    // From now on the store is laid out straight into this file (UTF-8
    // path). Checkpoint() then writes the B-trees, maps and header, so that
    // the file is a complete store of every node added so far; adding may go
    // on. Close() is the last checkpoint. False on I/O failure.
    // The file is created new: false when it exists already, or cannot be
    // made; FileError() then says why.
    bool StreamTo(const std::string& path);
    bool Streaming() const;
    // The system's reason for the stream's file failing to be created or
    // written ("" when nothing failed), and the system's code for it.
    std::string FileError() const;
    int FileErrorCode() const;
    bool Checkpoint();
    bool Close();
    bool WriteFile(const std::string& path);  // path in UTF-8; streams to the file; false on I/O failure
    std::vector<uint8_t> WriteMemory();       // the same bytes in memory (small stores, tests)
    NdbDamage& Damage();                      // damage hooks for tests

    const StoreOptions& Options() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace writer
