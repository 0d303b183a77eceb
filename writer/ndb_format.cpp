#include "writer/ndb_format.h"

#include "format/layout.h"

namespace writer {
namespace {

NdbFormat MakeUnicode() {
    namespace u = fmt::unicode;
    NdbFormat f{};
    f.unicode = true;
    f.bidSize = 8;
    f.headerSize = u::kHeaderSize;
    f.pageTrailer = u::kPageTrailer;
    f.pageTrailerSig = u::kPageTrailer_wSig;
    f.pageTrailerCrc = u::kPageTrailer_dwCRC;
    f.pageTrailerBid = u::kPageTrailer_bid;
    f.btEntriesSize = u::kBtEntriesSize;
    f.btCountByte = u::kBtPage_cEnt;
    f.btIntermediateEntrySize = u::kBtEntrySize;
    f.bbtLeafEntrySize = u::kBtEntrySize;
    f.nbtLeafEntrySize = u::kNbtEntrySize;
    f.maxIntermediateEntries = u::kMaxIntermediateEntries;
    f.maxBbtLeafEntries = u::kMaxBbtLeafEntries;
    f.maxNbtLeafEntries = u::kMaxNbtLeafEntries;
    f.mapBitsOffset = 0;
    f.dlistEntries = 119;
    f.pageReadSize = fmt::kPageReadSizeUnicode;
    f.blockTrailerSize = u::kBlockTrailerSize;
    f.blockTrailerSig = u::kBlockTrailer_wSig;
    f.blockTrailerCrc = u::kBlockTrailer_dwCRC;
    f.blockTrailerBid = u::kBlockTrailer_bid;
    f.maxBlockData = u::kMaxBlockData;
    f.slHeaderSize = u::kSlEntriesOffset;
    f.slEntrySize = u::kSlEntrySize;
    f.siEntrySize = u::kSiEntrySize;
    return f;
}

NdbFormat MakeAnsi() {
    namespace a = fmt::ansi;
    NdbFormat f{};
    f.unicode = false;
    f.bidSize = 4;
    f.headerSize = a::kHeaderSize;
    f.pageTrailer = a::kPageTrailer;
    f.pageTrailerSig = a::kPageTrailer_wSig;
    f.pageTrailerCrc = a::kPageTrailer_dwCRC;
    f.pageTrailerBid = a::kPageTrailer_bid;
    f.btEntriesSize = a::kBtEntriesSize;
    f.btCountByte = a::kBtPage_cEnt;
    f.btIntermediateEntrySize = a::kBtEntrySize;
    f.bbtLeafEntrySize = a::kBtEntrySize;
    f.nbtLeafEntrySize = a::kNbtEntrySize;
    f.maxIntermediateEntries = a::kMaxIntermediateEntries;
    f.maxBbtLeafEntries = a::kMaxBbtLeafEntries;
    f.maxNbtLeafEntries = a::kMaxNbtLeafEntries;
    f.mapBitsOffset = 4;
    f.dlistEntries = 120;
    f.pageReadSize = fmt::kPageReadSizeAnsi;
    f.blockTrailerSize = a::kBlockTrailerSize;
    f.blockTrailerSig = a::kBlockTrailer_wSig;
    f.blockTrailerCrc = a::kBlockTrailer_dwCRC;
    f.blockTrailerBid = a::kBlockTrailer_bid;
    f.maxBlockData = a::kMaxBlockData;
    f.slHeaderSize = a::kSlEntriesOffset;
    f.slEntrySize = a::kSlEntrySize;
    f.siEntrySize = a::kSiEntrySize;
    return f;
}

NdbFormat Complete(NdbFormat f) {
    f.xblockHeaderSize = 8;
    f.xblockCapacity = (f.maxBlockData - f.xblockHeaderSize) / f.bidSize;
    f.slCapacity = (f.maxBlockData - f.slHeaderSize) / f.slEntrySize;
    f.siCapacity = (f.maxBlockData - f.slHeaderSize) / f.siEntrySize;
    return f;
}

}  // namespace

const NdbFormat& NdbFormat::For(Variant v) {
    static const NdbFormat unicode = Complete(MakeUnicode());
    static const NdbFormat ansi = Complete(MakeAnsi());
    return v == Variant::Unicode ? unicode : ansi;
}

size_t MaxBlockData(Variant v) { return NdbFormat::For(v).maxBlockData; }

}  // namespace writer
