// B-tree pages: the input is a run of 512-byte pages placed after a made-up
// header whose block and node B-tree roots are the first two pages (their
// trailer block ids taken from the pages, so that the roots are always read).
// Child entries may name any page by its offset (4096 + 512 k); the loops,
// key orders, counts and levels are the fuzzer's to choose.
//
// Input: [variant: bit 7 set = 8-bit] then the pages.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <vector>

#include "format/bytes.h"
#include "format/layout.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool ansi = (data[0] & 0x80) != 0;
    constexpr size_t kFirstPage = 4096;
    std::vector<uint8_t> file(kFirstPage, 0);
    file.insert(file.end(), data + 1, data + size);
    // The unicode reader reads 1032 bytes per page: room after the last one.
    file.resize(std::max(file.size(), kFirstPage + 2 * 512) + 1032, 0);
    const uint64_t bbtRoot = kFirstPage;
    const uint64_t nbtRoot = kFirstPage + 512;
    uint8_t* header = file.data();
    if (ansi) {
        header[fmt::kHeader_wVer] = fmt::kVersionAnsi;
        fmt::StoreLe32(header + fmt::ansi::kRoot_brefBbt_ib, static_cast<uint32_t>(bbtRoot));
        fmt::StoreLe32(header + fmt::ansi::kRoot_brefNbt_ib, static_cast<uint32_t>(nbtRoot));
        std::memcpy(header + fmt::ansi::kRoot_brefBbt_bid, &file[bbtRoot + fmt::ansi::kPageTrailer_bid], 4);
        std::memcpy(header + fmt::ansi::kRoot_brefNbt_bid, &file[nbtRoot + fmt::ansi::kPageTrailer_bid], 4);
    } else {
        header[fmt::kHeader_wVer] = fmt::kVersionUnicode;
        fmt::StoreLe64(header + fmt::unicode::kRoot_brefBbt_ib, bbtRoot);
        fmt::StoreLe64(header + fmt::unicode::kRoot_brefNbt_ib, nbtRoot);
        std::memcpy(header + fmt::unicode::kRoot_brefBbt_bid, &file[bbtRoot + fmt::unicode::kPageTrailer_bid], 8);
        std::memcpy(header + fmt::unicode::kRoot_brefNbt_bid, &file[nbtRoot + fmt::unicode::kPageTrailer_bid], 8);
    }
    ReadWholeStore(WriteScratchStore(file.data(), file.size()));
    return 0;
}
