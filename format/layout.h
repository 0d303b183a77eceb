// Disk layouts of the offline/personal store file ([MS-PST] section 2.2),
// as byte offsets per variant. "Ansi" is the 8-bit variant (wVer 14/15, 32-bit
// ids), "Unicode" the UTF-16 variant (wVer 23, 64-bit ids). Fields keep the
// names of the published format.
#pragma once
#include <cstddef>
#include <cstdint>

namespace fmt {

// ---- HEADER ([MS-PST] 2.2.2.6) -------------------------------------------
constexpr uint32_t kHeaderMagic = 0x4E444221;        // "!BDN"
constexpr uint16_t kMagicClientPst = 0x4D53;         // "SM"
constexpr uint16_t kMagicClientOst = 0x4F53;         // "SO"
constexpr uint16_t kVersionAnsi = 14;                // 15 is read as ANSI too
constexpr uint16_t kVersionAnsiAlt = 15;
constexpr uint16_t kVersionUnicode = 23;
constexpr uint16_t kVersionUnicode4k = 36;           // 4 KiB pages; not read
constexpr size_t kHeaderReadSize = 516;              // the reader's one header read

constexpr size_t kHeader_dwMagic = 0;
constexpr size_t kHeader_dwCRCPartial = 4;
constexpr size_t kHeader_wMagicClient = 8;
constexpr size_t kHeader_wVer = 10;
constexpr size_t kHeader_wVerClient = 12;
constexpr size_t kHeader_bPlatformCreate = 14;
constexpr size_t kHeader_bPlatformAccess = 15;
constexpr size_t kHeaderCrcPartialStart = 8;
constexpr size_t kHeaderCrcPartialLength = 471;

namespace unicode {
constexpr size_t kHeaderSize = 564;
constexpr size_t kHeader_bidUnused = 24;
constexpr size_t kHeader_bidNextP = 32;
constexpr size_t kHeader_dwUnique = 40;
constexpr size_t kHeader_rgnid = 44;                 // 32 x u32
constexpr size_t kHeader_qwUnused = 172;
constexpr size_t kHeader_root = 180;                 // ROOT, 72 bytes
constexpr size_t kRoot_ibFileEof = 184;
constexpr size_t kRoot_ibAMapLast = 192;
constexpr size_t kRoot_cbAMapFree = 200;
constexpr size_t kRoot_cbPMapFree = 208;
constexpr size_t kRoot_brefNbt_bid = 216;
constexpr size_t kRoot_brefNbt_ib = 224;
constexpr size_t kRoot_brefBbt_bid = 232;
constexpr size_t kRoot_brefBbt_ib = 240;
constexpr size_t kRoot_fAMapValid = 248;
constexpr size_t kHeader_dwAlign = 252;
constexpr size_t kHeader_rgbFM = 256;
constexpr size_t kHeader_rgbFP = 384;
constexpr size_t kHeader_bSentinel = 512;
constexpr size_t kHeader_bCryptMethod = 513;
constexpr size_t kHeader_bidNextB = 516;
constexpr size_t kHeader_dwCRCFull = 524;
constexpr size_t kHeaderCrcFullStart = 8;
constexpr size_t kHeaderCrcFullLength = 516;
}  // namespace unicode

namespace ansi {
constexpr size_t kHeaderSize = 512;
constexpr size_t kHeader_bidNextB = 24;
constexpr size_t kHeader_bidNextP = 28;
constexpr size_t kHeader_dwUnique = 32;
constexpr size_t kHeader_rgnid = 36;                 // 32 x u32
constexpr size_t kHeader_root = 164;                 // ROOT, 40 bytes
constexpr size_t kRoot_ibFileEof = 168;
constexpr size_t kRoot_ibAMapLast = 172;
constexpr size_t kRoot_cbAMapFree = 176;
constexpr size_t kRoot_cbPMapFree = 180;
constexpr size_t kRoot_brefNbt_bid = 184;
constexpr size_t kRoot_brefNbt_ib = 188;
constexpr size_t kRoot_brefBbt_bid = 192;
constexpr size_t kRoot_brefBbt_ib = 196;
constexpr size_t kRoot_fAMapValid = 200;
constexpr size_t kHeader_rgbFM = 204;
constexpr size_t kHeader_rgbFP = 332;
constexpr size_t kHeader_bSentinel = 460;
constexpr size_t kHeader_bCryptMethod = 461;
}  // namespace ansi

constexpr uint8_t kHeaderSentinel = 0x80;

// ---- Pages ([MS-PST] 2.2.2.7) ---------------------------------------------
constexpr size_t kPageSize = 512;
constexpr size_t kPageReadSizeAnsi = 516;            // the reader's page read sizes
constexpr size_t kPageReadSizeUnicode = 1032;

enum PageType : uint8_t {
    kPageBbt = 0x80, kPageNbt = 0x81, kPageFMap = 0x82, kPagePMap = 0x83,
    kPageAMap = 0x84, kPageFPMap = 0x85, kPageDList = 0x86,
};

namespace unicode {
// PAGETRAILER at 496: ptype, ptypeRepeat, wSig, dwCRC, bid
constexpr size_t kPageTrailer = 496;
constexpr size_t kPageTrailer_ptype = 496;
constexpr size_t kPageTrailer_ptypeRepeat = 497;
constexpr size_t kPageTrailer_wSig = 498;
constexpr size_t kPageTrailer_dwCRC = 500;
constexpr size_t kPageTrailer_bid = 504;
// BTPAGE
constexpr size_t kBtPage_cEnt = 488;
constexpr size_t kBtPage_cEntMax = 489;
constexpr size_t kBtPage_cbEnt = 490;
constexpr size_t kBtPage_cLevel = 491;
constexpr size_t kBtEntriesSize = 488;
constexpr size_t kBtEntrySize = 24;                  // BTENTRY and BBTENTRY
constexpr size_t kNbtEntrySize = 32;                 // NBTENTRY
constexpr int kMaxIntermediateEntries = 20;
constexpr int kMaxBbtLeafEntries = 20;
constexpr int kMaxNbtLeafEntries = 15;
}  // namespace unicode

namespace ansi {
// PAGETRAILER at 500: ptype, ptypeRepeat, wSig, bid, dwCRC
constexpr size_t kPageTrailer = 500;
constexpr size_t kPageTrailer_ptype = 500;
constexpr size_t kPageTrailer_ptypeRepeat = 501;
constexpr size_t kPageTrailer_wSig = 502;
constexpr size_t kPageTrailer_bid = 504;
constexpr size_t kPageTrailer_dwCRC = 508;
constexpr size_t kBtPage_cEnt = 496;
constexpr size_t kBtPage_cEntMax = 497;
constexpr size_t kBtPage_cbEnt = 498;
constexpr size_t kBtPage_cLevel = 499;
constexpr size_t kBtEntriesSize = 496;
constexpr size_t kBtEntrySize = 12;
constexpr size_t kNbtEntrySize = 16;
constexpr int kMaxIntermediateEntries = 41;
constexpr int kMaxBbtLeafEntries = 41;
constexpr int kMaxNbtLeafEntries = 31;
}  // namespace ansi

// ---- Blocks ([MS-PST] 2.2.2.8) --------------------------------------------
constexpr size_t kBlockAlignment = 64;
constexpr size_t kMaxBlockSize = 8192;               // data + padding + trailer
constexpr uint64_t kBidInternalBit = 0x2;            // bit 1: internal block
constexpr uint64_t kBidReservedBit = 0x1;            // bit 0: ignored on lookup

namespace unicode {
constexpr size_t kBlockTrailerSize = 16;             // cb, wSig, dwCRC, bid
constexpr size_t kBlockTrailer_cb = 0;
constexpr size_t kBlockTrailer_wSig = 2;
constexpr size_t kBlockTrailer_dwCRC = 4;
constexpr size_t kBlockTrailer_bid = 8;
constexpr size_t kMaxBlockData = 8176;
constexpr size_t kBidSize = 8;
constexpr size_t kSlEntrySize = 24;                  // SLENTRY
constexpr size_t kSiEntrySize = 16;                  // SIENTRY
constexpr size_t kSlEntriesOffset = 8;
}  // namespace unicode

namespace ansi {
constexpr size_t kBlockTrailerSize = 12;             // cb, wSig, bid, dwCRC
constexpr size_t kBlockTrailer_cb = 0;
constexpr size_t kBlockTrailer_wSig = 2;
constexpr size_t kBlockTrailer_bid = 4;
constexpr size_t kBlockTrailer_dwCRC = 8;
constexpr size_t kMaxBlockData = 8180;
constexpr size_t kBidSize = 4;
constexpr size_t kSlEntrySize = 12;
constexpr size_t kSiEntrySize = 8;
constexpr size_t kSlEntriesOffset = 4;
}  // namespace ansi

// Internal block header: btype, cLevel, cEnt (u16), then lcbTotal (u32, X blocks)
constexpr uint8_t kBlockTypeData = 0x01;             // XBLOCK (level 1), XXBLOCK (level 2)
constexpr uint8_t kBlockTypeSubnode = 0x02;          // SLBLOCK (level 0), SIBLOCK (level 1)
constexpr uint16_t kXBlockTag = 0x0101;
constexpr uint16_t kXXBlockTag = 0x0201;
constexpr uint16_t kSlBlockTag = 0x0002;
constexpr uint16_t kSiBlockTag = 0x0102;

// ---- Node ids ([MS-PST] 2.2.2.1, 2.4.1) -----------------------------------
constexpr uint32_t kNidTypeMask = 0x1F;
enum NidType : uint8_t {
    kNidTypeHid = 0x00, kNidTypeInternal = 0x01, kNidTypeNormalFolder = 0x02,
    kNidTypeSearchFolder = 0x03, kNidTypeNormalMessage = 0x04, kNidTypeAttachment = 0x05,
    kNidTypeSearchUpdateQueue = 0x06, kNidTypeSearchCriteriaObject = 0x07,
    kNidTypeAssocMessage = 0x08, kNidTypeContentsTableIndex = 0x0A,
    kNidTypeReceiveFolderTable = 0x0B, kNidTypeOutgoingQueueTable = 0x0C,
    kNidTypeHierarchyTable = 0x0D, kNidTypeContentsTable = 0x0E,
    kNidTypeAssocContentsTable = 0x0F, kNidTypeSearchContentsTable = 0x10,
    kNidTypeAttachmentTable = 0x11, kNidTypeRecipientTable = 0x12,
    kNidTypeSearchTableIndex = 0x13, kNidTypeLtp = 0x1F,
};
constexpr uint32_t kNidMessageStore = 0x21;
constexpr uint32_t kNidNameToIdMap = 0x61;
constexpr uint32_t kNidNormalFolderTemplate = 0xA1;
constexpr uint32_t kNidSearchFolderTemplate = 0xC1;
constexpr uint32_t kNidRootFolder = 0x122;
constexpr uint32_t kNidSearchManagementQueue = 0x1E1;
constexpr uint32_t kNidSearchActivityList = 0x201;
constexpr uint32_t kNidHierarchyTableTemplate = 0x60D;
constexpr uint32_t kNidContentsTableTemplate = 0x60E;
constexpr uint32_t kNidAssocContentsTableTemplate = 0x60F;
constexpr uint32_t kNidSearchContentsTableTemplate = 0x610;
constexpr uint32_t kNidAttachmentTableTemplate = 0x671;
constexpr uint32_t kNidRecipientTableTemplate = 0x692;
constexpr uint32_t kNidSmpTemplate = 0x6B6;          // search-management-property template
// A message's recipient and attachment tables are subnodes with these ids.
constexpr uint32_t kSubnidRecipientTable = 0x692;
constexpr uint32_t kSubnidAttachmentTable = 0x671;

inline constexpr uint32_t MakeNid(uint32_t type, uint32_t index) { return (index << 5) | type; }
inline constexpr uint32_t NidType(uint32_t nid) { return nid & kNidTypeMask; }

// ---- Heap-on-node ([MS-PST] 2.3.1) ----------------------------------------
constexpr uint8_t kHeapSignature = 0xEC;
enum ClientSig : uint8_t {
    kClientSigTc = 0x7C, kClientSigBth = 0xB5, kClientSigPc = 0xBC,
};
constexpr size_t kHeapHeader_ibHnpm = 0;
constexpr size_t kHeapHeader_bSig = 2;
constexpr size_t kHeapHeader_bClientSig = 3;
constexpr size_t kHeapHeader_hidUserRoot = 4;
constexpr size_t kHeapHeader_rgbFillLevel = 8;
constexpr size_t kHeapHeaderSize = 12;
constexpr size_t kHeapPageHeaderSize = 2;            // HNPAGEHDR: ibHnpm
constexpr size_t kHeapBitmapHeaderSize = 66;         // HNBITMAPHDR: ibHnpm + 64 fill levels

}  // namespace fmt
