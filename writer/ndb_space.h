// File space of a store being written: the AMap intervals, the map pages due
// in each, and one AMap bit per 64-byte unit handed out ([MS-PST] 2.2.2.7.2,
// 2.6.1.1). Space is handed out in increasing file order only, which is all a
// fresh store needs; a new interval is opened when an allocation does not fit
// in the current one, so no block or page crosses an interval boundary.
#pragma once
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "writer/ndb_format.h"

namespace writer {

class NdbSpace {
public:
    NdbSpace();

    // Offset of `size` bytes aligned to `align` (64 or 512), marked allocated.
    uint64_t Allocate(size_t size, size_t align);
    // Space no longer referenced (a block or page). Its map bits are cleared,
    // and it is handed out again, only by ReleaseFreed(): until the file's
    // next consistent state is on disk, the last one may still point at it,
    // so the maps written with the new state must still mark it.
    void Free(uint64_t offset, uint64_t size);
    void ReleaseFreed();
    // Opens intervals until the file (a whole number of intervals) holds
    // `end` bytes.
    void EnsureFileSize(uint64_t end);

    uint64_t Cursor() const { return cursor_; }
    uint64_t FileSize() const { return IntervalStart(intervals_); }
    uint64_t Intervals() const { return intervals_; }
    uint64_t LastAMapOffset() const { return IntervalStart(intervals_ - 1); }
    uint64_t FreeBytes() const;                   // 64 x clear AMap bits
    uint64_t FreeBytesOnceReleased() const;       // the same after ReleaseFreed()

    static uint64_t IntervalStart(uint64_t k) { return kFirstAMapOffset + k * kIntervalSize; }
    static bool HasPMap(uint64_t k) { return k % 8 == 0; }
    static bool HasFMap(uint64_t k) { return k >= 128 && (k - 128) % 496 == 0; }
    static bool HasFPMap(uint64_t k) { return k >= 8192 && (k - 8192) % 31744 == 0; }
    // Bytes at the start of interval k taken by its map pages.
    static uint64_t MapPagesSize(uint64_t k);

    // The 496 AMap bytes of interval k (MSB-first: the first unit is bit 7 of
    // byte 0).
    const uint8_t* AMapBits(uint64_t k) const { return bits_.data() + k * kMapBytes; }
    // Longest run of free units in interval k, at most 255 (an FMap byte).
    uint8_t LongestFreeRun(uint64_t k) const;

    // Intervals whose map bits changed since the last ClearDirty().
    bool Dirty(uint64_t k) const { return dirty_[k] != 0; }
    void ClearDirty() { std::fill(dirty_.begin(), dirty_.end(), 0); }

private:
    void OpenInterval();
    void Mark(uint64_t offset, uint64_t size, bool set = true);

    uint64_t intervals_ = 0;
    uint64_t cursor_ = 0;
    std::vector<uint8_t> bits_;
    std::vector<uint8_t> dirty_;
    mutable std::vector<int16_t> longest_;   // LongestFreeRun per interval, -1: not known
    uint64_t usedUnits_ = 0;
    std::vector<std::pair<uint64_t, uint64_t>> freed_;   // offset, size: not yet reusable
    std::map<uint64_t, uint64_t> reusable_;              // offset -> size, coalesced
};

}  // namespace writer
