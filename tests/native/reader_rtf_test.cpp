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

// The file always ends with "}}" and a zero byte after the decoded bytes.
std::string DecodedPart(const std::vector<uint8_t>& file) {
    if (file.size() < 3) return std::string();
    EXPECT_EQ(file[file.size() - 3], '}');
    EXPECT_EQ(file[file.size() - 2], '}');
    EXPECT_EQ(file[file.size() - 1], 0);
    return std::string(file.begin(), file.end() - 3);
}

TEST(ReaderRtf, DecodesTheStandardsExamplesUpToTheirLastBytes) {
    ScopedInstallFolder install;
    struct Case {
        const std::vector<uint8_t>* stream;
        std::string text;
        size_t decoded;
    };
    // The last input bytes, where the end marker lies, are not decoded: the
    // body is the text less its closing brace (and line break), closed by "}}".
    const Case cases[] = {{&kExample1, kExample1Text, 40}, {&kExample2, kExample2Text, 27}};
    for (const Case& c : cases) {
        int result = -1;
        const std::string decoded = DecodedPart(Decompress(*c.stream, install, &result));
        EXPECT_EQ(result, 0);
        EXPECT_EQ(decoded, c.text.substr(0, c.decoded));
    }
}

TEST(ReaderRtf, StreamLongerThanItsBlockIsReadToTheBlockOnly) {
    ScopedInstallFolder install;
    std::vector<uint8_t> stream = kExample1;
    fmt::StoreLe32(stream.data(), 0x7FFFFFFF);   // COMPSIZE far past the block
    int result = -1;
    const std::string decoded = DecodedPart(Decompress(stream, install, &result));
    EXPECT_EQ(result, 0);
    // More of the block is decoded than with the stored size, and the text
    // so far is the example's.
    EXPECT_EQ(decoded.substr(0, 40), std::string(kExample1Text).substr(0, 40));
    EXPECT_LE(decoded.size(), 8 * stream.size());
}

TEST(ReaderRtf, UncompressedTypeIsDecodedAsCompressed) {
    ScopedInstallFolder install;
    std::vector<uint8_t> stream = {0x37, 0, 0, 0, 0x2b, 0, 0, 0, 0x4d, 0x45, 0x4c, 0x41, 0, 0, 0, 0};
    stream.insert(stream.end(), kExample1Text, kExample1Text + 43);
    int result = -1;
    const std::string decoded = DecodedPart(Decompress(stream, install, &result));
    EXPECT_EQ(result, 0);
    EXPECT_NE(decoded, std::string(kExample1Text));
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
        EXPECT_LE(file.size(), std::min<uint64_t>(raw, 8 * stream.size()) + 120 + 3);
        EXPECT_GE(file.size(), 3u);
    }
}

TEST(ReaderRtf, EachBodyReplacesTheFileAndFailuresLeaveIt) {
    ScopedInstallFolder install;
    EXPECT_EQ(DecodedPart(Decompress(kExample1, install)), std::string(kExample1Text).substr(0, 40));
    EXPECT_EQ(DecodedPart(Decompress(kExample2, install)), std::string(kExample2Text).substr(0, 27));
    // A stream shorter than its header is refused; the file stays.
    const std::vector<uint8_t> tiny = {1, 2, 3};
    EXPECT_EQ(DecompressRtfToFile(tiny.data(), tiny.size(), RtfBodyFilePath()), 1);
    EXPECT_EQ(DecodedPart(testing_support::ReadWholeFile(install.RtfBodyPath())), std::string(kExample2Text).substr(0, 27));
    // A file that cannot be created.
    EXPECT_EQ(DecompressRtfToFile(kExample1.data(), kExample1.size(), install.folder() + L"/no/such/dir/x.rtf"), 1);
}

}  // namespace
