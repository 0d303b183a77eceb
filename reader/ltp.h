// Heap-on-node, property and table contexts ([MS-PST] 2.3): a node's data as
// property values, one PropRow per property context or per table row.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "reader/ndb_block.h"

// One property value. Owned by its row; freed with FreePropRows.
struct PropValue {
    // The stored id, the LID the named-property map gives, or 0xFFFFFFFF for
    // a string-named property.
    uint32_t propId = 0;
    // A malloc'ed copy of the value (NULL when not loaded). Strings and
    // binaries read from the heap carry one extra zero byte after size bytes.
    // A caller that keeps the data sets pData to NULL before FreePropRows.
    uint8_t* pData = nullptr;
    // The property type; for a value that is not loaded, its HNID or
    // subnode id instead.
    uint32_t type = 0;
    uint64_t size = 0;
    // The 8-bit name of a string-named property; belongs to the map.
    const char* pszName = nullptr;
};

// The values of one property context or one table row. Rows form a list.
struct PropRow {
    int32_t valueCount = 0;          // values kept
    int32_t slotCount = 0;           // properties or columns read
    int32_t rowCount = 0;            // rows of the whole table (1 for a property context)
    PropValue** ppValues = nullptr;  // slotCount slots; unused slots NULL
    // Values left out because a damaged store keeps them from being read: a
    // heap item the page map does not hold, a subnode not in the node's map
    // (only counted when a map was given), a type no value can have.
    int32_t lostValues = 0;
    PropRow* pNext = nullptr;
};

// Progress counters of property reads (the status-bar progress bar):
// the range of the row being read, and a position counted over the whole run
// of the program.
extern int g_nReadProgressRange;
extern int g_nReadProgressPos;

// The heap of one node: its heap blocks (the data block, or the children of
// an XBLOCK, each decoded), and what HNIDs that name subnodes need.
struct NodeHeap {
    std::vector<std::vector<uint8_t>> blocks;
    StoreContext* context = nullptr;
    SubnodeEntry* pSubnodes = nullptr;
};

// One heap item: a view into a heap block (HID) or an owned copy of a
// subnode's data (subnode id); data/size point at whichever holds it.
struct HeapItem {
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::vector<uint8_t> owned;
};

// The property rows of a node, or NULL. A table's rows are in their stored
// order (the order of the row matrix). HTML and compressed RTF bodies are
// read only while the observer wants bodies.
PropRow* ReadNodeProperties(StoreContext* context, uint64_t dataBlockId, SubnodeEntry* subnodes);
void FreePropRows(PropRow* rows);

// Reads the heap blocks of a node's data block; false when nothing was read.
bool ReadNodeHeap(StoreContext* context, uint64_t dataBlockId, SubnodeEntry* subnodes,
                  NodeHeap* heap);
// A heap item by HNID: a HID gives a view into its heap block, a subnode id
// (low 4 bits all ones) an owned copy of the subnode's data. 0, damaged HIDs
// and empty subnodes fail.
bool GetHeapItem(const NodeHeap& heap, uint32_t hnid, HeapItem* item);
// The start and end of a HID's item in its heap block; false when the page
// map does not hold them.
bool LookupHeapPageMap(uint32_t hid, const std::vector<uint8_t>& block, size_t* start,
                       size_t* end);
