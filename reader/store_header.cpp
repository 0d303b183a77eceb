// The header read ([MS-PST] 2.2.2.6): variant, B-tree roots and crypt method.
#include <cstring>

#include "format/bytes.h"
#include "format/layout.h"
#include "reader/store_context.h"

StoreContext g_storeFile;
int g_nAnsiVersion = fmt::kVersionAnsi;

int CFile64::OpenStore(StoreContext* context, const std::wstring& path) {
    if (!context->file.Open(path)) return -1;

    // One read of the first 516 bytes; bytes past the end of a short file
    // count as zero.
    uint8_t header[fmt::kHeaderReadSize];
    std::memset(header, 0, sizeof(header));
    context->file.ReadAt(0, header, sizeof(header));

    const uint8_t version = header[fmt::kHeader_wVer];
    context->formatVersion = version;
    if (version == fmt::kVersionAnsi || version == fmt::kVersionAnsiAlt) g_nAnsiVersion = version;

    // A version byte the reader does not know leaves the roots and the crypt
    // method at zero: no page can be read and the load refuses the store.
    context->bbtRootOffset = 0;
    context->nbtRootOffset = 0;
    context->cryptMethod = 0;
    if (version == fmt::kVersionUnicode) {
        context->bbtRootOffset = fmt::LoadLe40(header + fmt::unicode::kRoot_brefBbt_ib);
        context->nbtRootOffset = fmt::LoadLe40(header + fmt::unicode::kRoot_brefNbt_ib);
        context->cryptMethod = header[fmt::unicode::kHeader_bCryptMethod];
        context->bUnicode = 1;
    } else if (version == fmt::kVersionAnsi || version == fmt::kVersionAnsiAlt) {
        // Signed 32-bit offsets, widened.
        context->nbtRootOffset = static_cast<uint64_t>(static_cast<int64_t>(
            static_cast<int32_t>(fmt::LoadLe32(header + fmt::ansi::kRoot_brefNbt_ib))));
        context->bbtRootOffset = static_cast<uint64_t>(static_cast<int64_t>(
            static_cast<int32_t>(fmt::LoadLe32(header + fmt::ansi::kRoot_brefBbt_ib))));
        context->cryptMethod = header[fmt::ansi::kHeader_bCryptMethod];
        context->bUnicode = 0;
    }

    if (context->bUnicode) {
        context->bbtRootBid = ReadHeaderValue(context, fmt::unicode::kRoot_brefBbt_bid);
        context->nbtRootBid = ReadHeaderValue(context, fmt::unicode::kRoot_brefNbt_bid);
    } else {
        context->bbtRootBid = ReadHeaderValue(context, fmt::ansi::kRoot_brefBbt_bid);
        context->nbtRootBid = ReadHeaderValue(context, fmt::ansi::kRoot_brefNbt_bid);
    }
    return 0;
}

uint64_t CFile64::ReadHeaderValue(StoreContext* context, uint64_t offset) {
    uint8_t value[8] = {};
    const uint32_t width = context->bUnicode ? 8 : 4;
    context->file.ReadAt(offset, value, width);
    return context->bUnicode ? fmt::LoadLe64(value) : fmt::LoadLe32(value);
}
