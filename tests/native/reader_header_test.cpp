// The store file and its header: real samples of both variants and made-up
// headers for the edge cases.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "format/layout.h"
#include "reader/store_context.h"
#include "support/temp_file.h"

using testing_support::SamplePathW;
using testing_support::TempFile;

namespace {

struct SampleHeader {
    const char* file;
    uint8_t version;
    int unicode;
    uint8_t crypt;
};

class ReaderHeaderSample : public ::testing::TestWithParam<SampleHeader> {};

TEST_P(ReaderHeaderSample, ReadsVariantAndCryptMethod) {
    const SampleHeader& s = GetParam();
    // Read before the store is opened: the open holds the file exclusively.
    const auto bytes = testing_support::ReadWholeFile(testing_support::SamplePath(s.file));
    ASSERT_GT(bytes.size(), 1024u);
    StoreContext ctx;
    ASSERT_EQ(CFile64::OpenStore(&ctx, SamplePathW(s.file)), 0) << s.file;
    EXPECT_EQ(ctx.formatVersion, s.version);
    EXPECT_EQ(ctx.bUnicode, s.unicode);
    EXPECT_EQ(ctx.cryptMethod, s.crypt);
    // Both roots lie inside the file, on a page boundary.
    ASSERT_LE(ctx.bbtRootOffset + 512, bytes.size());
    ASSERT_LE(ctx.nbtRootOffset + 512, bytes.size());
    EXPECT_EQ(ctx.bbtRootOffset % 512, 0u);
    EXPECT_NE(ctx.bbtRootBid, 0u);
    EXPECT_NE(ctx.nbtRootBid, 0u);
    // The trailer of each root page names the root's block id.
    const size_t trailerBid = s.unicode ? fmt::unicode::kPageTrailer_bid : fmt::ansi::kPageTrailer_bid;
    const uint64_t bbtBid = s.unicode ? fmt::LoadLe64(&bytes[ctx.bbtRootOffset + trailerBid])
                                      : fmt::LoadLe32(&bytes[ctx.bbtRootOffset + trailerBid]);
    EXPECT_EQ(bbtBid, ctx.bbtRootBid);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, ReaderHeaderSample,
    ::testing::Values(SampleHeader{"ansi-tiny-calendar.pst", 14, 0, 1},
                      SampleHeader{"ansi-outlook97-mail.pst", 14, 0, 1},
                      SampleHeader{"unicode-crypt-none.pst", 23, 1, 0},
                      SampleHeader{"unicode-crypt-high.pst", 23, 1, 2},
                      SampleHeader{"ost-unicode-sample.ost", 23, 1, 1},
                      SampleHeader{"unicode-enron-mail.pst", 23, 1, 1}),
    [](const ::testing::TestParamInfo<SampleHeader>& info) {
        std::string name = info.param.file;
        for (char& c : name)
            if (!isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

std::vector<uint8_t> UnicodeHeader() {
    std::vector<uint8_t> h(fmt::unicode::kHeaderSize, 0);
    fmt::StoreLe32(&h[0], fmt::kHeaderMagic);
    fmt::StoreLe16(&h[fmt::kHeader_wMagicClient], fmt::kMagicClientOst);
    fmt::StoreLe16(&h[fmt::kHeader_wVer], fmt::kVersionUnicode);
    return h;
}

std::vector<uint8_t> AnsiHeader() {
    std::vector<uint8_t> h(fmt::ansi::kHeaderSize, 0);
    fmt::StoreLe32(&h[0], fmt::kHeaderMagic);
    fmt::StoreLe16(&h[fmt::kHeader_wVer], fmt::kVersionAnsi);
    return h;
}

TEST(ReaderHeader, UnicodeOffsetTakesFifthByteAndIgnoresTheRest) {
    auto h = UnicodeHeader();
    // 0x01_2345_6000 with junk in bytes 5..7 of the 8-byte field.
    const uint8_t ib[8] = {0x00, 0x60, 0x45, 0x23, 0x01, 0xFF, 0xEE, 0xDD};
    std::copy(ib, ib + 8, &h[fmt::unicode::kRoot_brefBbt_ib]);
    fmt::StoreLe64(&h[fmt::unicode::kRoot_brefBbt_bid], 0x1234567890ull);
    fmt::StoreLe64(&h[fmt::unicode::kRoot_brefNbt_bid], 0x42);
    h[fmt::unicode::kHeader_bCryptMethod] = 2;
    TempFile f(h);
    StoreContext ctx;
    ASSERT_EQ(CFile64::OpenStore(&ctx, f.wpath()), 0);
    EXPECT_EQ(ctx.bbtRootOffset, 0x0123456000ull);
    EXPECT_EQ(ctx.bbtRootBid, 0x1234567890ull);
    EXPECT_EQ(ctx.nbtRootBid, 0x42u);
    EXPECT_EQ(ctx.cryptMethod, 2);
    EXPECT_EQ(ctx.bUnicode, 1);
}

TEST(ReaderHeader, AnsiOffsetWithTopBitIsWidenedAsNegative) {
    auto h = AnsiHeader();
    fmt::StoreLe32(&h[fmt::ansi::kRoot_brefNbt_ib], 0x80000200u);
    fmt::StoreLe32(&h[fmt::ansi::kRoot_brefBbt_ib], 0x00004400u);
    fmt::StoreLe32(&h[fmt::ansi::kRoot_brefBbt_bid], 0xFFFFFFF0u);
    h[fmt::ansi::kHeader_bCryptMethod] = 1;
    TempFile f(h);
    StoreContext ctx;
    ASSERT_EQ(CFile64::OpenStore(&ctx, f.wpath()), 0);
    EXPECT_EQ(ctx.nbtRootOffset, 0xFFFFFFFF80000200ull);
    EXPECT_EQ(ctx.bbtRootOffset, 0x4400u);
    EXPECT_EQ(ctx.bbtRootBid, 0xFFFFFFF0u);  // zero-extended, not sign-extended
    EXPECT_EQ(ctx.cryptMethod, 1);
    EXPECT_EQ(ctx.bUnicode, 0);
}

TEST(ReaderHeader, VersionFifteenBecomesTheAnsiVersion) {
    auto h = AnsiHeader();
    h[fmt::kHeader_wVer] = 15;
    TempFile f(h);
    StoreContext ctx;
    ASSERT_EQ(CFile64::OpenStore(&ctx, f.wpath()), 0);
    EXPECT_EQ(g_nAnsiVersion, 15);
    EXPECT_EQ(ctx.bUnicode, 0);
    g_nAnsiVersion = fmt::kVersionAnsi;
}

TEST(ReaderHeader, UnknownVersionLeavesRootsAndCryptAtZero) {
    auto h = UnicodeHeader();
    h[fmt::kHeader_wVer] = 36;
    fmt::StoreLe64(&h[fmt::unicode::kRoot_brefBbt_ib], 0x4400);
    h[fmt::unicode::kHeader_bCryptMethod] = 1;
    TempFile f(h);
    StoreContext ctx;
    ASSERT_EQ(CFile64::OpenStore(&ctx, f.wpath()), 0);
    EXPECT_EQ(ctx.formatVersion, 36);
    EXPECT_EQ(ctx.bbtRootOffset, 0u);
    EXPECT_EQ(ctx.nbtRootOffset, 0u);
    EXPECT_EQ(ctx.cryptMethod, 0);
}

TEST(ReaderHeader, ShortFileReadsMissingBytesAsZero) {
    auto h = UnicodeHeader();
    fmt::StoreLe64(&h[fmt::unicode::kRoot_brefBbt_ib], 0x4400);
    h[fmt::unicode::kHeader_bCryptMethod] = 2;
    h.resize(300);  // cuts off the crypt method and nothing before it
    TempFile f(h);
    StoreContext ctx;
    ctx.cryptMethod = 7;
    ASSERT_EQ(CFile64::OpenStore(&ctx, f.wpath()), 0);
    EXPECT_EQ(ctx.bbtRootOffset, 0x4400u);
    EXPECT_EQ(ctx.cryptMethod, 0);
}

TEST(ReaderHeader, ExactlyHeaderSizedUnicodeFileOpens) {
    auto h = UnicodeHeader();
    h.resize(fmt::kHeaderReadSize);
    TempFile f(h);
    StoreContext ctx;
    EXPECT_EQ(CFile64::OpenStore(&ctx, f.wpath()), 0);
    EXPECT_EQ(ctx.bUnicode, 1);
}

TEST(ReaderHeader, SecondOpenOfTheOtherVariantReadsItsLayout) {
    StoreContext ctx;
    ASSERT_EQ(CFile64::OpenStore(&ctx, SamplePathW("unicode-crypt-high.pst")), 0);
    EXPECT_EQ(ctx.bUnicode, 1);
    ctx.file.Close();
    ASSERT_EQ(CFile64::OpenStore(&ctx, SamplePathW("ansi-tiny-calendar.pst")), 0);
    EXPECT_EQ(ctx.bUnicode, 0);
    EXPECT_EQ(ctx.cryptMethod, 1);
    EXPECT_LT(ctx.bbtRootBid, 0x100000000ull);
}

TEST(ReaderHeader, MissingFileFailsWithoutChangingTheContext) {
    StoreContext ctx;
    ctx.cryptMethod = 9;
    EXPECT_EQ(CFile64::OpenStore(&ctx, SamplePathW("no-such-store.ost")), -1);
    EXPECT_EQ(ctx.cryptMethod, 9);
    EXPECT_FALSE(ctx.file.IsOpen());
}

TEST(ReaderHeader, FileHeldByAnotherOpenCannotBeOpened) {
    TempFile f(UnicodeHeader());
    CFile64 holder;
    ASSERT_EQ(holder.Open(f.wpath()), 1);
    StoreContext ctx;
    EXPECT_EQ(CFile64::OpenStore(&ctx, f.wpath()), -1);
    holder.Close();
    EXPECT_EQ(CFile64::OpenStore(&ctx, f.wpath()), 0);
}

TEST(ReaderStoreFile, ShortReadReturnsTheCountAndReadPastEndReturnsZero) {
    TempFile f(std::vector<uint8_t>(100, 0xAB));
    CFile64 file;
    ASSERT_EQ(file.Open(f.wpath()), 1);
    uint8_t buf[64];
    EXPECT_EQ(file.ReadAt(80, buf, 64), 20u);
    EXPECT_EQ(buf[0], 0xAB);
    EXPECT_EQ(file.ReadAt(5000, buf, 64), 0u);
}

TEST(ReaderStoreFile, NegativeOffsetRaisesTheFileException) {
    TempFile f(std::vector<uint8_t>(100, 0));
    CFile64 file;
    ASSERT_EQ(file.Open(f.wpath()), 1);
    uint8_t buf[16];
    EXPECT_THROW(file.ReadAt(0xFFFFFFFF80000200ull, buf, 16), StoreFileException);
}

}  // namespace
