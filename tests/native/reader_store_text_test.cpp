// Store text measured and widened by the store string mode.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "reader/ndb.h"
#include "reader/store_text.h"

namespace {

class StringMode {
public:
    explicit StringMode(int mode) : saved_(g_nStringMode) { g_nStringMode = mode; }
    ~StringMode() { g_nStringMode = saved_; }

private:
    int saved_;
};

std::vector<StoreWChar> Widen(int32_t byteCount, const uint8_t* text) {
    StoreWChar* w = StoreStringToWide(byteCount, text);
    std::vector<StoreWChar> out;
    for (size_t i = 0; w && w[i]; ++i) out.push_back(w[i]);
    std::free(w);
    return out;
}

TEST(ReaderStoreText, Utf16UnitsWithAZeroLowByteDoNotEndTheText) {
    StringMode mode(2);
    const uint8_t text[] = {0x00, 0x4E, 0x8C, 0x4E, 0x00, 0x00};   // U+4E00 U+4E8C
    EXPECT_EQ(StoreStringLength(text), 2u);
    EXPECT_EQ(Widen(4, text), (std::vector<StoreWChar>{0x4E00, 0x4E8C}));
    // An odd count takes the whole units only.
    EXPECT_EQ(Widen(3, text), (std::vector<StoreWChar>{0x4E00}));
}

TEST(ReaderStoreText, EightBitTextTakesExactlyTheCountedBytes) {
    StringMode mode(1);
    const uint8_t abc[] = {'a', 'b', 'c', 0};
    EXPECT_EQ(StoreStringLength(abc), 3u);
    EXPECT_EQ(Widen(6, abc), (std::vector<StoreWChar>{'a', 'b', 'c'}));
    const uint8_t longer[] = {'a', 'b', 'c', 'd', 'e', 'f', 0};
    EXPECT_EQ(Widen(6, longer), (std::vector<StoreWChar>{'a', 'b', 'c'}));
    // The ANSI code page: Windows-1252 here (and on the test machines).
    const uint8_t euro[] = {0x80, 0xE9, 0};
    EXPECT_EQ(Widen(4, euro), (std::vector<StoreWChar>{0x20AC, 0x00E9}));
}

TEST(ReaderStoreText, EmptyNullAndUnknownModesGiveNoText) {
    const uint8_t abc[] = {'a', 'b', 'c', 0, 0, 0};
    {
        StringMode mode(1);
        EXPECT_EQ(StoreStringLength(nullptr), 0u);
        EXPECT_EQ(StoreStringToWide(0, abc), nullptr);
    }
    StringMode mode(3);
    EXPECT_EQ(StoreStringLength(abc), 0u);
    EXPECT_EQ(StoreStringToWide(6, abc), nullptr);
}

TEST(ReaderStoreText, AnsiRoundTripThroughTheCodePage) {
    const StoreWChar wide[] = {0x20AC, 'x', 0x00E9};
    char ansi[4] = {};
    ASSERT_EQ(WideToAnsi(wide, 3, ansi, 3), 3u);
    EXPECT_EQ(static_cast<uint8_t>(ansi[0]), 0x80);
    EXPECT_EQ(ansi[1], 'x');
    EXPECT_EQ(static_cast<uint8_t>(ansi[2]), 0xE9);
    // Output that does not fit gives nothing.
    EXPECT_EQ(WideToAnsi(wide, 3, ansi, 2), 0u);
}

}  // namespace
