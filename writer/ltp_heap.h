// Heap-on-node and B-tree-on-heap writers ([MS-PST] 2.3.1, 2.3.2). A heap is
// built in pages, each of which becomes one data block of the node; items
// are addressed by HID = (page index << 16) | (allocation index << 5).
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "writer/ltp_property_set.h"

namespace writer {

constexpr size_t kMaxHeapItem = 3580;          // larger values go to subnodes

class HeapBuilder {
public:
    HeapBuilder(Variant variant, uint8_t clientSig);

    // Adds an item (at most kMaxHeapItem bytes) and returns its HID.
    uint32_t Allocate(const uint8_t* data, size_t size);
    uint32_t Allocate(const Bytes& data) { return Allocate(data.data(), data.size()); }
    void SetUserRoot(uint32_t hid) { userRoot_ = hid; }

    // Where pages go once the heap has moved past them (a table of many
    // rows), so that a heap of megabytes is not held whole; the sink
    // returns the block's id. Small heaps never use it. Page 0 and the
    // bitmap pages (8, 136, ...) hold the fill levels of later pages and
    // go last.
    void SetPageSink(std::function<uint64_t(const Bytes&)> sink) { sink_ = std::move(sink); }

    // The finished pages, one block payload each (no page went to a sink).
    std::vector<Bytes> Finish();
    // The finished heap as a node's data: its pages, or the blocks written
    // through the sink.
    NodeData FinishData();

private:
    struct Page {
        Bytes bytes;                           // header + items, page map added when closed
        std::vector<uint16_t> starts;          // start offset of each allocation
        bool closed = false;
    };
    size_t HeaderSize(size_t pageIndex) const;
    bool HoldsFillLevels(size_t pageIndex) const { return pageIndex == 0 || pageIndex % 128 == 8; }
    void NewPage();
    void ClosePage(size_t index);
    void SetFillLevels();
    void WritePage(size_t index);

    size_t maxBlock_;
    uint8_t clientSig_;
    uint32_t userRoot_ = 0;
    std::vector<Page> pages_;
    std::vector<uint8_t> fill_;                // fill level of each closed page
    std::function<uint64_t(const Bytes&)> sink_;
    std::vector<std::pair<uint64_t, uint32_t>> written_;   // per page once any went to the sink
    size_t passed_ = 0;                        // pages before this one went to the sink (or wait for Finish)
};

// Writes a B-tree-on-heap over records of cbKey + cbEnt bytes, already
// sorted by key, and returns the HID of its 8-byte header. Records that do
// not fit one heap item get intermediate levels.
uint32_t WriteBth(HeapBuilder& heap, uint8_t cbKey, uint8_t cbEnt, const Bytes& records,
                  bool zeroRoot = false);

}  // namespace writer
