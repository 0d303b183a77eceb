// The compressed-RTF encoder: the published example streams decompress with
// this test's own decompressor, and what the encoder writes decompresses
// back to its input.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "format/crc.h"
#include "writer/rtf_compress.h"

namespace {

using Bytes = std::vector<uint8_t>;

const char kDictionary[] =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss \\fmodern \\fscript \\"
    "fdecor MS Sans SerifSymbolArialTimes New RomanCourier{\\colortbl\\red0\\green0\\blue0\r\n\\par "
    "\\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";

// Decompresses a PidTagRtfCompressed value; false when it is malformed.
bool Decompress(const Bytes& in, std::string& out) {
    out.clear();
    if (in.size() < 16) return false;
    const uint32_t compSize = fmt::LoadLe32(&in[0]);
    const uint32_t rawSize = fmt::LoadLe32(&in[4]);
    const uint32_t type = fmt::LoadLe32(&in[8]);
    if (compSize + 4 != in.size()) return false;
    if (type == 0x414C454D) {
        out.assign(in.begin() + 16, in.end());
        return out.size() == rawSize;
    }
    if (type != 0x75465A4C) return false;
    if (fmt::LoadLe32(&in[12]) != fmt::Crc32(in.data() + 16, in.size() - 16)) return false;
    uint8_t dict[4096] = {};
    const size_t initial = sizeof(kDictionary) - 1;
    std::memcpy(dict, kDictionary, initial);
    size_t wp = initial;
    size_t i = 16;
    while (i < in.size()) {
        const uint8_t control = in[i++];
        for (int bit = 0; bit < 8; ++bit) {
            if (control & (1 << bit)) {
                if (i + 2 > in.size()) return false;
                const uint16_t ref = static_cast<uint16_t>((in[i] << 8) | in[i + 1]);
                i += 2;
                const size_t offset = ref >> 4, length = (ref & 0xF) + 2;
                if (offset == wp) return out.size() == rawSize;
                for (size_t k = 0; k < length; ++k) {
                    const uint8_t b = dict[(offset + k) % 4096];
                    out.push_back(static_cast<char>(b));
                    dict[wp] = b;
                    wp = (wp + 1) % 4096;
                }
            } else {
                if (i >= in.size()) return false;
                const uint8_t b = in[i++];
                out.push_back(static_cast<char>(b));
                dict[wp] = b;
                wp = (wp + 1) % 4096;
            }
        }
    }
    return false;                                   // no end marker
}

// The two example streams of [MS-OXRTFCP].
const Bytes example1 = {0x2d, 0x00, 0x00, 0x00, 0x2b, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xf1,
                        0xc5, 0xc7, 0xa7, 0x03, 0x00, 0x0a, 0x00, 0x72, 0x63, 0x70, 0x67, 0x31, 0x32,
                        0x35, 0x42, 0x32, 0x0a, 0xf3, 0x20, 0x68, 0x65, 0x6c, 0x09, 0x00, 0x20, 0x62,
                        0x77, 0x05, 0xb0, 0x6c, 0x64, 0x7d, 0x0a, 0x80, 0x0f, 0xa0};
const Bytes example2 = {0x1a, 0x00, 0x00, 0x00, 0x1c, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xe2, 0xd4,
                        0x4b, 0x51, 0x41, 0x00, 0x04, 0x20, 0x57, 0x58, 0x59, 0x5a, 0x0d, 0x6e, 0x7d, 0x01,
                        0x0e, 0xb0};

TEST(WriterRtf, PublishedExamplesDecompressWithTheTestDecompressor) {
    std::string out;
    ASSERT_TRUE(Decompress(example1, out));
    EXPECT_EQ(out, "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n");
    ASSERT_TRUE(Decompress(example2, out));
    EXPECT_EQ(out, "{\\rtf1 WXYZWXYZWXYZWXYZWXYZ}");
}

TEST(WriterRtf, CompressingTheExamplesGivesThePublishedBytes) {
    // The published streams come from a greedy longest-match compressor, as ours is.
    const Bytes c1 = writer::CompressRtf("{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n");
    EXPECT_EQ(c1, example1);
    const Bytes c2 = writer::CompressRtf("{\\rtf1 WXYZWXYZWXYZWXYZWXYZ}");
    EXPECT_EQ(c2, example2);
}

TEST(WriterRtf, RoundTripsTextsThatStressTheDictionary) {
    std::mt19937 rng(7);
    std::string random(20000, ' ');
    for (char& c : random) c = static_cast<char>(rng() & 0xFF);
    std::string words;
    while (words.size() < 30000) words += "{\\par Lorem ipsum \\b dolor\\b0 sit amet " + std::to_string(rng() % 1000) + "}";
    const std::string cases[] = {
        "",
        "{",
        "{\\rtf1\\ansi\\mac\\deff0\\deftab720",             // a dictionary prefix: one long match
        std::string(5000, 'a'),                              // matches overlapping the write position
        std::string(4096 + 17, 'z') + "tail",                // the dictionary wraps
        random,
        words,
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.size());
        const Bytes packed = writer::CompressRtf(text);
        std::string out;
        ASSERT_TRUE(Decompress(packed, out));
        EXPECT_EQ(out, text);
        EXPECT_EQ(fmt::LoadLe32(&packed[4]), text.size());
    }
    EXPECT_LT(writer::CompressRtf(words).size(), words.size() / 3) << "repetitive text must shrink";
}

TEST(WriterRtf, UncompressedFormHasNoCrc) {
    const Bytes stored = writer::StoreRtfUncompressed("{\\rtf1 x}");
    EXPECT_EQ(fmt::LoadLe32(&stored[8]), 0x414C454Du);
    EXPECT_EQ(fmt::LoadLe32(&stored[12]), 0u);
    std::string out;
    ASSERT_TRUE(Decompress(stored, out));
    EXPECT_EQ(out, "{\\rtf1 x}");
}

}  // namespace
