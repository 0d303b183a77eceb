// Compressed RTF bodies decompressed into the RTF body file: the [MS-OXRTFCP]
// examples, damaged streams that must stay bounded, and the file's life.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/bytes.h"
#include "reader/rtf_decompress.h"
#include "reader_item_test_support.h"

using item_test::ScopedInstallFolder;

namespace {

// [MS-OXRTFCP] section 3.1.1 (example 1) and 3.1.2 (example 2).
const std::vector<uint8_t> kExample1 = {
    0x2d, 0x00, 0x00, 0x00, 0x2b, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xf1, 0xc5, 0xc7, 0xa7,
    0x03, 0x00, 0x0a, 0x00, 0x72, 0x63, 0x70, 0x67, 0x31, 0x32, 0x35, 0x42, 0x32, 0x0a, 0xf3, 0x20,
    0x68, 0x65, 0x6c, 0x09, 0x00, 0x20, 0x62, 0x77, 0x05, 0xb0, 0x6c, 0x64, 0x7d, 0x0a, 0x80, 0x0f,
    0xa0};
const char kExample1Text[] = "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n";
const std::vector<uint8_t> kExample2 = {
    0x1a, 0x00, 0x00, 0x00, 0x1c, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xe2, 0xd4, 0x4b, 0x51,
    0x41, 0x00, 0x04, 0x20, 0x57, 0x58, 0x59, 0x5a, 0x0d, 0x6e, 0x7d, 0x01, 0x0e, 0xb0};
const char kExample2Text[] = "{\\rtf1 WXYZWXYZWXYZWXYZWXYZ}";

std::vector<uint8_t> Decompress(const std::vector<uint8_t>& stream, const ScopedInstallFolder& install,
                                int* result = nullptr) {
    const int r = DecompressRtfToFile(stream.data(), stream.size(), RtfBodyFilePath());
    if (result) *result = r;
    return testing_support::ReadWholeFile(install.RtfBodyPath());
}

std::string AsText(const std::vector<uint8_t>& file) { return std::string(file.begin(), file.end()); }

TEST(ReaderRtf, DecodesTheStandardsExamplesToTheirEndMarker) {
    ScopedInstallFolder install;
    const std::pair<const std::vector<uint8_t>*, std::string> cases[] = {{&kExample1, kExample1Text},
                                                                         {&kExample2, kExample2Text}};
    for (const auto& c : cases) {
        int result = -1;
        EXPECT_EQ(AsText(Decompress(*c.first, install, &result)), c.second);
        EXPECT_EQ(result, 0);
    }
}

TEST(ReaderRtf, TruncatedOrOverlongInputStaysWithinItsBlockAndRawSize) {
    ScopedInstallFolder install;
    // COMPSIZE far past the block: the block's size bounds the input.
    std::vector<uint8_t> stream = kExample1;
    fmt::StoreLe32(stream.data(), 0x7FFFFFFF);
    int result = -1;
    EXPECT_EQ(AsText(Decompress(stream, install, &result)), kExample1Text);
    EXPECT_EQ(result, 0);
    // A stream cut before its end marker gives the text decoded so far.
    stream = kExample1;
    stream.resize(stream.size() - 6);
    const std::string cut = AsText(Decompress(stream, install, &result));
    EXPECT_EQ(result, 0);
    EXPECT_LT(cut.size(), std::string(kExample1Text).size());
    EXPECT_EQ(cut, std::string(kExample1Text).substr(0, cut.size()));
    // A raw size smaller than the text stops the output there.
    stream = kExample2;
    fmt::StoreLe32(stream.data() + 4, 10);
    EXPECT_EQ(AsText(Decompress(stream, install)), std::string(kExample2Text).substr(0, 10));
}

TEST(ReaderRtf, UncompressedStreamIsCopiedUpToItsRawSize) {
    ScopedInstallFolder install;
    std::vector<uint8_t> stream = {0x37, 0, 0, 0, 0x2b, 0, 0, 0, 0x4d, 0x45, 0x4c, 0x41, 0, 0, 0, 0};
    const std::string text = std::string(kExample1Text, 43) + "x";   // 'x': past the raw size
    stream.insert(stream.end(), text.begin(), text.end());
    int result = -1;
    EXPECT_EQ(AsText(Decompress(stream, install, &result)), kExample1Text);
    EXPECT_EQ(result, 0);
    // A raw size beyond the stream copies the stream only (COMPSIZE bounds it).
    fmt::StoreLe32(stream.data() + 4, 0x100000);
    EXPECT_EQ(AsText(Decompress(stream, install)), kExample1Text);
}

TEST(ReaderRtf, OutputStaysBoundedWhateverTheRawSizeSays) {
    ScopedInstallFolder install;
    // Every token a 17-byte reference: the most output a stream can give.
    std::vector<uint8_t> stream(16, 0);
    for (int run = 0; run < 200; ++run) {
        stream.push_back(0xFF);
        for (int t = 0; t < 8; ++t) {
            stream.push_back(0x00);
            stream.push_back(0x0F);
        }
    }
    fmt::StoreLe32(stream.data(), static_cast<uint32_t>(stream.size() - 4));
    for (uint32_t raw : {0u, 10u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(raw);
        fmt::StoreLe32(stream.data() + 4, raw);
        int result = -1;
        const auto file = Decompress(stream, install, &result);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(file.size(), std::min<uint64_t>(raw, 200 * 8 * 17));
    }
}

TEST(ReaderRtf, EachBodyReplacesTheFileAndFailuresLeaveIt) {
    ScopedInstallFolder install;
    EXPECT_EQ(AsText(Decompress(kExample1, install)), kExample1Text);
    EXPECT_EQ(AsText(Decompress(kExample2, install)), kExample2Text);
    // A stream shorter than its header is refused; the file stays.
    const std::vector<uint8_t> tiny = {1, 2, 3};
    EXPECT_EQ(DecompressRtfToFile(tiny.data(), tiny.size(), RtfBodyFilePath()), 1);
    EXPECT_EQ(AsText(testing_support::ReadWholeFile(install.RtfBodyPath())), kExample2Text);
    // A file that cannot be created.
    EXPECT_EQ(DecompressRtfToFile(kExample1.data(), kExample1.size(), install.folder() + L"/no/such/dir/x.rtf"), 1);
}

}  // namespace
