#include "writer/ndb_space.h"

#include <algorithm>

namespace writer {

NdbSpace::NdbSpace() { OpenInterval(); }

uint64_t NdbSpace::MapPagesSize(uint64_t k) {
    // PMap, FMap and FPMap keep fixed slots after the AMap (+512, +1024,
    // +1536); an interval holds the slots up to the last page it has.
    if (HasFPMap(k)) return 4 * 512;
    if (HasFMap(k)) return 3 * 512;
    if (HasPMap(k)) return 2 * 512;
    return 512;
}

void NdbSpace::OpenInterval() {
    const uint64_t k = intervals_++;
    bits_.resize(bits_.size() + kMapBytes, 0);
    const uint64_t start = IntervalStart(k);
    // The map pages take their own space; unused slots between them stay free.
    Mark(start, 512);
    if (HasPMap(k)) Mark(start + 512, 512);
    if (HasFMap(k)) Mark(start + 1024, 512);
    if (HasFPMap(k)) Mark(start + 1536, 512);
    cursor_ = start + MapPagesSize(k);
}

void NdbSpace::Mark(uint64_t offset, uint64_t size) {
    uint64_t unit = (offset - kFirstAMapOffset) / kUnitSize;
    const uint64_t end = unit + (size + kUnitSize - 1) / kUnitSize;
    for (; unit < end; ++unit) bits_[unit / 8] |= static_cast<uint8_t>(0x80u >> (unit % 8));
}

uint64_t NdbSpace::Allocate(size_t size, size_t align) {
    uint64_t pos = (cursor_ + align - 1) / align * align;
    uint64_t k = intervals_ - 1;
    if (pos + size > IntervalStart(k + 1)) {
        OpenInterval();
        ++k;
        pos = (cursor_ + align - 1) / align * align;
    }
    Mark(pos, size);
    cursor_ = pos + size;
    return pos;
}

void NdbSpace::EnsureFileSize(uint64_t end) {
    while (FileSize() < end) OpenInterval();
}

uint64_t NdbSpace::FreeBytes() const {
    uint64_t set = 0;
    for (uint8_t b : bits_) {
        for (; b; b &= static_cast<uint8_t>(b - 1)) ++set;
    }
    return (static_cast<uint64_t>(bits_.size()) * 8 - set) * kUnitSize;
}

uint8_t NdbSpace::LongestFreeRun(uint64_t k) const {
    const uint8_t* bits = AMapBits(k);
    size_t best = 0, run = 0;
    for (size_t unit = 0; unit < kMapBytes * 8 && best < 255; ++unit) {
        if (bits[unit / 8] & (0x80u >> (unit % 8))) {
            run = 0;
        } else {
            best = std::max(best, ++run);
        }
    }
    return static_cast<uint8_t>(std::min<size_t>(best, 255));
}

}  // namespace writer
