#include "writer/ndb_space.h"

#include <algorithm>
#include <iterator>

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
    dirty_.push_back(1);
    longest_.push_back(-1);
    const uint64_t start = IntervalStart(k);
    // The map pages take their own space; unused slots between them stay free.
    Mark(start, 512);
    if (HasPMap(k)) Mark(start + 512, 512);
    if (HasFMap(k)) Mark(start + 1024, 512);
    if (HasFPMap(k)) Mark(start + 1536, 512);
    cursor_ = start + MapPagesSize(k);
}

void NdbSpace::Mark(uint64_t offset, uint64_t size, bool set) {
    uint64_t unit = (offset - kFirstAMapOffset) / kUnitSize;
    const uint64_t end = unit + (size + kUnitSize - 1) / kUnitSize;
    if (unit < end) {
        const size_t first = static_cast<size_t>(unit / (kMapBytes * 8));
        const size_t last = static_cast<size_t>((end - 1) / (kMapBytes * 8));
        dirty_[first] = dirty_[last] = 1;
        longest_[first] = longest_[last] = -1;
    }
    for (; unit < end; ++unit) {
        const uint8_t bit = static_cast<uint8_t>(0x80u >> (unit % 8));
        uint8_t& byte = bits_[static_cast<size_t>(unit / 8)];
        if (set && !(byte & bit)) ++usedUnits_;
        if (!set && (byte & bit)) --usedUnits_;
        byte = set ? static_cast<uint8_t>(byte | bit) : static_cast<uint8_t>(byte & ~bit);
    }
}

void NdbSpace::Free(uint64_t offset, uint64_t size) {
    freed_.emplace_back(offset, AlignUp(static_cast<size_t>(size), kUnitSize));
}

void NdbSpace::ReleaseFreed() {
    for (const auto& f : freed_) {
        Mark(f.first, f.second, false);
        uint64_t start = f.first, end = f.first + f.second;
        auto next = reusable_.lower_bound(start);
        if (next != reusable_.end() && next->first == end) {
            end += next->second;
            next = reusable_.erase(next);
        }
        if (next != reusable_.begin()) {
            auto prev = std::prev(next);
            if (prev->first + prev->second == start) {
                start = prev->first;
                reusable_.erase(prev);
            }
        }
        reusable_[start] = end - start;
    }
    freed_.clear();
}

uint64_t NdbSpace::Allocate(size_t size, size_t align) {
    // Space freed earlier first (first fit among a few extents), then the end.
    int looked = 0;
    for (auto it = reusable_.begin(); it != reusable_.end() && looked < 64; ++it, ++looked) {
        const uint64_t start = it->first, end = it->first + it->second;
        const uint64_t at = (start + align - 1) / align * align;
        if (at + size > end) continue;
        reusable_.erase(it);
        if (at > start) reusable_[start] = at - start;
        if (at + size < end) reusable_[at + size] = end - (at + size);
        Mark(at, size);
        return at;
    }
    uint64_t pos = (cursor_ + align - 1) / align * align;
    // The interval the cursor is in; intervals opened ahead of it (for the
    // reader's look-ahead at the end of the file) are used as they come.
    uint64_t k = (cursor_ - kFirstAMapOffset - 1) / kIntervalSize;
    if (pos + size > IntervalStart(k + 1)) {
        ++k;
        if (k >= intervals_) OpenInterval();
        else cursor_ = IntervalStart(k) + MapPagesSize(k);
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
    return (static_cast<uint64_t>(bits_.size()) * 8 - usedUnits_) * kUnitSize;
}

uint64_t NdbSpace::FreeBytesOnceReleased() const {
    std::vector<std::pair<uint64_t, uint64_t>> ranges = freed_;
    std::sort(ranges.begin(), ranges.end());
    uint64_t units = 0, counted = 0;   // counted: the end of the space looked at
    for (const auto& r : ranges) {
        for (uint64_t at = std::max(r.first, counted); at < r.first + r.second; at += kUnitSize) {
            const uint64_t unit = (at - kFirstAMapOffset) / kUnitSize;
            if (bits_[static_cast<size_t>(unit / 8)] & (0x80u >> (unit % 8))) ++units;
        }
        counted = std::max(counted, r.first + r.second);
    }
    return FreeBytes() + units * kUnitSize;
}

uint8_t NdbSpace::LongestFreeRun(uint64_t k) const {
    if (longest_[static_cast<size_t>(k)] >= 0) return static_cast<uint8_t>(longest_[static_cast<size_t>(k)]);
    const uint8_t* bits = AMapBits(k);
    size_t best = 0, run = 0;
    for (size_t unit = 0; unit < kMapBytes * 8 && best < 255; ++unit) {
        if (bits[unit / 8] & (0x80u >> (unit % 8))) {
            run = 0;
        } else {
            best = std::max(best, ++run);
        }
    }
    longest_[static_cast<size_t>(k)] = static_cast<int16_t>(std::min<size_t>(best, 255));
    return static_cast<uint8_t>(longest_[static_cast<size_t>(k)]);
}

}  // namespace writer
