// Format constants against the published check values.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "format/bytes.h"
#include "format/crc.h"
#include "format/crypt.h"

namespace {

TEST(FormatCrc, PublishedCheckValues) {
    const char* digits = "123456789";
    EXPECT_EQ(fmt::Crc32(reinterpret_cast<const uint8_t*>(digits), 9), 0x2DFD2D88u);
    EXPECT_EQ(fmt::Crc32(nullptr, 0), 0u);
    const uint8_t a = 'a';
    EXPECT_EQ(fmt::Crc32(&a, 1), 0x3AB551CEu);
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(fmt::Crc32(all.data(), all.size()), 0x2493092Bu);
}

TEST(FormatCrc, RunningCrcEqualsOneShot) {
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + 3);
    const uint32_t whole = fmt::Crc32(data.data(), data.size());
    uint32_t crc = 0;
    for (size_t i = 0; i < data.size(); i += 13)
        crc = fmt::Crc32(data.data() + i, std::min<size_t>(13, data.size() - i), crc);
    EXPECT_EQ(crc, whole);
}

TEST(FormatSignature, MatchesStoredPageSignature) {
    EXPECT_EQ(fmt::ComputeSig(0x000C7E00, 0x00021EBC), 0x60B2);
    // Bits above 31 do not count.
    EXPECT_EQ(fmt::ComputeSig(0x1000C7E00ull, 0x00021EBC), 0x60B2);
}

TEST(FormatCrypt, TablesAreInversePermutations) {
    for (int x = 0; x < 256; ++x) {
        EXPECT_EQ(fmt::kCryptI[fmt::kCryptR[x]], x);
        EXPECT_EQ(fmt::kCryptS[fmt::kCryptS[x]], x);
    }
}

TEST(FormatCrypt, PublishedSamples) {
    const char* plain = "Hello, PST!";
    std::vector<uint8_t> buf(plain, plain + std::strlen(plain));
    fmt::PermuteEncode(buf.data(), buf.size());
    EXPECT_EQ(buf, (std::vector<uint8_t>{0x07, 0xea, 0xfd, 0xfd, 0x86, 0xd8, 0x4c, 0x8f, 0x0f, 0x63, 0x7d}));
    fmt::PermuteDecode(buf.data(), buf.size());
    EXPECT_EQ(std::string(buf.begin(), buf.end()), plain);

    fmt::CyclicCode(buf.data(), buf.size(), 4);
    EXPECT_EQ(buf, (std::vector<uint8_t>{0xf1, 0x2f, 0xab, 0x7e, 0xd5, 0xc7, 0xfd, 0x96, 0x59, 0xe7, 0xee}));
    fmt::CyclicCode(buf.data(), buf.size(), 4);
    EXPECT_EQ(std::string(buf.begin(), buf.end()), plain);
}

TEST(FormatBytes, ViewRefusesReadsPastTheEnd) {
    const uint8_t data[6] = {1, 2, 3, 4, 5, 6};
    fmt::ByteView v(data, sizeof(data));
    EXPECT_EQ(v.U32(2), 0x06050403u);
    EXPECT_EQ(v.U32(3), 0u);
    EXPECT_EQ(v.U64(0), 0u);
    EXPECT_FALSE(v.Has(7, 0));
    EXPECT_TRUE(v.Has(6, 0));
    EXPECT_FALSE(v.Has(1, SIZE_MAX));
    EXPECT_EQ(v.Slice(4, 4).size(), 0u);
    const uint8_t forty[8] = {0x00, 0x10, 0x00, 0x00, 0x01, 0xAA, 0xBB, 0xCC};
    EXPECT_EQ(fmt::LoadLe40(forty), 0x100001000ull);
}

}  // namespace
