// The sizes and offsets the node layer writes, chosen once per variant from
// format/layout.h, so the writing code has no variant branches of its own.
#pragma once
#include <cstddef>
#include <cstdint>

#include "format/bytes.h"
#include "writer/ndb_writer.h"

namespace writer {

struct NdbFormat {
    bool unicode;
    size_t bidSize;               // BID and IB width: 8 / 4
    size_t headerSize;            // 564 / 512
    // Pages
    size_t pageTrailer;           // 496 / 500: start of the PAGETRAILER (= CRC length)
    size_t pageTrailerSig;
    size_t pageTrailerCrc;
    size_t pageTrailerBid;
    size_t btEntriesSize;         // 488 / 496
    size_t btCountByte;           // cEnt offset; cEntMax, cbEnt, cLevel follow
    size_t btIntermediateEntrySize;
    size_t bbtLeafEntrySize;
    size_t nbtLeafEntrySize;
    int maxIntermediateEntries;
    int maxBbtLeafEntries;
    int maxNbtLeafEntries;
    size_t mapBitsOffset;         // AMap/PMap/FMap/FPMap bits: 0 / 4
    size_t dlistEntries;          // 119 / 120
    size_t pageReadSize;          // what a reader reads at a page offset: 1032 / 516
    // Blocks
    size_t blockTrailerSize;      // 16 / 12
    size_t blockTrailerSig;
    size_t blockTrailerCrc;
    size_t blockTrailerBid;
    size_t maxBlockData;          // 8176 / 8180
    size_t xblockHeaderSize;      // 8 in both
    size_t xblockCapacity;        // child ids per XBLOCK/XXBLOCK
    size_t slHeaderSize;          // 8 / 4
    size_t slEntrySize;           // 24 / 12
    size_t siEntrySize;           // 16 / 8
    size_t slCapacity;
    size_t siCapacity;

    static const NdbFormat& For(Variant v);

    // A BID, IB or NID-sized field of this variant.
    void PutId(uint8_t* p, uint64_t v) const {
        if (unicode) fmt::StoreLe64(p, v);
        else fmt::StoreLe32(p, static_cast<uint32_t>(v));
    }
    uint64_t GetId(const uint8_t* p) const {
        return unicode ? fmt::LoadLe64(p) : fmt::LoadLe32(p);
    }
};

// File geometry shared by both variants ([MS-PST] 2.2.2.7): the density list
// page, then intervals of one AMap's coverage, each starting with its AMap.
constexpr uint64_t kDListOffset = 0x4200;
constexpr uint64_t kFirstAMapOffset = 0x4400;
constexpr uint64_t kIntervalSize = 496 * 8 * 64;     // 253,952 bytes
constexpr size_t kMapBytes = 496;                    // bits of one map page
constexpr size_t kUnitSize = 64;                     // one AMap bit

inline constexpr size_t AlignUp(size_t v, size_t a) { return (v + a - 1) / a * a; }

}  // namespace writer
