// The block and node B-trees of a store ([MS-PST] 2.2.2.7): the block list
// and the node tree that the store load builds in the reader context, and the
// lookups every later read starts from.
//
// Resetting the reader (before a new load) goes through this header:
//   ClearBlockList(context)  frees every BbtEntry, empties the block list and
//                            its index;
//   ResetNodeIndex(context)  empties the top-level list and the node index.
// Node entries are never freed while the program runs (pointers to them may
// outlive a load); they are released only with their StoreContext.
// Do not delete BbtEntry or NodeEntry records yourself: they live in pools.
#pragma once
#include <cstdint>

#include "reader/store_context.h"

// One leaf entry of the block B-tree.
struct BbtEntry {
    uint64_t blockId = 0;     // as stored (bit 0 included)
    uint64_t offset = 0;      // file offset of the block
    uint64_t byteCount = 0;   // from the entry's 16-bit count
    BbtEntry* pNext = nullptr;
};

constexpr uint8_t kDataBlockMissing = 1;
constexpr uint8_t kSubnodeBlockMissing = 2;

// One leaf entry of the node B-tree, linked into the node tree.
struct NodeEntry {
    uint64_t nodeId = 0;
    uint64_t parentId = 0;               // only the low 32 bits come from the file
    BbtEntry* pDataBlock = nullptr;      // NULL when 0 or not in the block list
    BbtEntry* pSubnodeBlock = nullptr;   // likewise
    int32_t childCount = 0;
    // Bits of kDataBlockMissing and kSubnodeBlockMissing: the entry named a
    // block that the block list lacks (a damaged block B-tree).
    uint8_t nMissingBlocks = 0;
    NodeEntry* pPrevSibling = nullptr;
    NodeEntry* pNextSibling = nullptr;
    NodeEntry* pParent = nullptr;        // NULL at top level
    NodeEntry* pFirstChild = nullptr;
    NodeEntry* pLastChild = nullptr;
    // The node index's chain of nodes with the same id, in link order.
    NodeEntry* pNextSameId = nullptr;
};

// Store string mode: 1 for 8-bit text, 2 for UTF-16 text; set from the
// variant on every block B-tree page visit.
extern int g_nStringMode;

// Reads both B-trees into the context; 0, or -1 without a context. Pages
// that fail are skipped silently; file errors raise StoreFileException.
int LoadBTrees(StoreContext* context);

// One page of either tree with its children; 0 on success, -1 when the page
// fails. Keys and ids are compared as unsigned 64-bit values.
int ReadBlockTreePage(StoreContext* context, uint64_t pageOffset, int depth,
                      uint64_t expectedBlockId, uint64_t lowerKey, uint64_t upperKey);
int ReadNodeTreePage(StoreContext* context, uint64_t pageOffset, int depth,
                     uint64_t expectedBlockId, uint64_t lowerKey, uint64_t upperKey);

// The first block-list entry whose stored id equals blockId with bit 0
// cleared; NULL for 0 or when absent.
BbtEntry* FindBlock(StoreContext* context, uint64_t blockId);

// Links a node into the tree: adopts the waiting top-level nodes that name it
// as parent (in top-level order), then appends it to its parent's children or
// to the top-level list.
void LinkNode(StoreContext* context, NodeEntry* node);

// Puts a node below a folder: a node at top level (its parent never came)
// moves there, a node not yet linked (one a damaged node B-tree passed over)
// is linked there, and takes the top-level nodes that name it as parent.
// Nothing happens for a node that already has a parent or
// for a parent that hangs below the node.
void PlaceNodeUnder(StoreContext* context, NodeEntry* node, NodeEntry* parent);

// The first node with that id in a depth-first, parent-before-children walk
// of the top-level list; NULL when absent.
NodeEntry* FindNode(StoreContext* context, uint64_t nodeId);

// A zero-filled node entry from the context's pool (for nodes made outside
// the B-tree load, such as a stub top folder); link it with LinkNode.
NodeEntry* NewNodeEntry(StoreContext* context);

// Appends a block-list entry at the tail (the block B-tree load uses it).
BbtEntry* AppendBlock(StoreContext* context, uint64_t blockId, uint64_t offset, uint64_t byteCount);
// Keeps a leaf entry that a damaged block B-tree page made the walk pass
// over; FindBlock answers with it only for an id the block list lacks. It is
// not in the block list (CountBlocks does not count it).
void SalvageBlock(StoreContext* context, uint64_t blockId, uint64_t offset, uint64_t byteCount);

// The reset's part: see the top of this header.
void ClearBlockList(StoreContext* context);
void ResetNodeIndex(StoreContext* context);
// Frees the node entries and name-map records that earlier resets kept.
// Only for programs that load store after store and hold no pointer into an
// earlier load (fuzzers, tools); the program itself never calls it.
void FreeRetiredRecords();

// Counts for tools and tests.
uint64_t CountBlocks(const StoreContext* context);
uint64_t CountNodes(const StoreContext* context);
