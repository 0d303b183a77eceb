// Heap-on-node and B-tree-on-heap writers ([MS-PST] 2.3.1, 2.3.2). A heap is
// built in pages, each of which becomes one data block of the node; items
// are addressed by HID = (page index << 16) | (allocation index << 5).
#pragma once
#include <cstdint>
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

    // The finished pages, one block payload each.
    std::vector<Bytes> Finish();

private:
    struct Page {
        Bytes bytes;                           // header + items, page map added at the end
        std::vector<uint16_t> starts;          // start offset of each allocation
    };
    size_t HeaderSize(size_t pageIndex) const;
    void NewPage();

    size_t maxBlock_;
    uint8_t clientSig_;
    uint32_t userRoot_ = 0;
    std::vector<Page> pages_;
};

// Writes a B-tree-on-heap over records of cbKey + cbEnt bytes, already
// sorted by key, and returns the HID of its 8-byte header. Records that do
// not fit one heap item get intermediate levels.
uint32_t WriteBth(HeapBuilder& heap, uint8_t cbKey, uint8_t cbEnt, const Bytes& records,
                  bool zeroRoot = false);

}  // namespace writer
