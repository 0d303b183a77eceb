#include "writer/rtf_compress.h"

#include <cstring>

#include "format/bytes.h"
#include "format/crc.h"

namespace writer {

namespace {
const char kInitialDictionary[] =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss \\fmodern \\fscript \\"
    "fdecor MS Sans SerifSymbolArialTimes New RomanCourier{\\colortbl\\red0\\green0\\blue0\r\n\\par "
    "\\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
constexpr size_t kDictionarySize = 4096;
constexpr size_t kInitialLength = sizeof(kInitialDictionary) - 1;    // 207
constexpr size_t kMaxMatch = 17;
constexpr int kMaxChain = 96;

std::vector<uint8_t> Header(uint32_t contentSize, uint32_t rawSize, uint32_t type, uint32_t crc) {
    std::vector<uint8_t> out(16);
    fmt::StoreLe32(&out[0], contentSize + 12);
    fmt::StoreLe32(&out[4], rawSize);
    fmt::StoreLe32(&out[8], type);
    fmt::StoreLe32(&out[12], crc);
    return out;
}

// The dictionary of the decompressor, mirrored, with hash chains over its
// two-byte prefixes so that candidate matches are found without a scan.
class Dictionary {
public:
    Dictionary() : head_(65536, -1), prev_(kDictionarySize, -1) {
        std::memset(bytes_, 0, sizeof bytes_);
        for (size_t i = 0; i < kInitialLength; ++i) Put(static_cast<uint8_t>(kInitialDictionary[i]));
    }
    size_t WritePos() const { return pos_; }
    void Put(uint8_t b) {
        bytes_[pos_] = b;
        // The pair that now ends at pos_ starts one byte earlier.
        const size_t start = (pos_ + kDictionarySize - 1) % kDictionarySize;
        if (filled_ > 0) Link(start);
        pos_ = (pos_ + 1) % kDictionarySize;
        ++filled_;
    }
    // Longest match of input[i..] (bounded by end), returning its length and offset.
    size_t FindMatch(const uint8_t* in, size_t avail, size_t& offset) const {
        if (avail < 2) return 0;
        size_t best = 0;
        int cand = head_[Key(in[0], in[1])];
        for (int steps = 0; cand >= 0 && steps < kMaxChain; ++steps, cand = prev_[cand]) {
            const size_t o = static_cast<size_t>(cand);
            if (o == pos_) continue;                     // an offset at the write position ends the stream
            const size_t limit = avail < kMaxMatch ? avail : kMaxMatch;
            size_t k = 0;
            for (; k < limit; ++k) {
                const size_t p = (o + k) % kDictionarySize;
                const size_t dist = (p + kDictionarySize - pos_) % kDictionarySize;
                const uint8_t b = dist < k ? in[dist] : bytes_[p];       // copied during this match
                if (b != in[k]) break;
            }
            // Equal lengths: the lowest offset, as the published examples do.
            if (k > best || (k == best && k >= 2 && o < offset)) {
                best = k;
                offset = o;
            }
        }
        return best >= 2 ? best : 0;
    }

private:
    static size_t Key(uint8_t a, uint8_t b) { return (static_cast<size_t>(a) << 8) | b; }
    void Link(size_t start) {
        const size_t key = Key(bytes_[start], bytes_[(start + 1) % kDictionarySize]);
        prev_[start] = head_[key];
        if (prev_[start] == static_cast<int>(start)) prev_[start] = -1;
        head_[key] = static_cast<int>(start);
    }

    uint8_t bytes_[kDictionarySize];
    std::vector<int> head_;
    std::vector<int> prev_;
    size_t pos_ = 0;
    size_t filled_ = 0;
};
}  // namespace

std::vector<uint8_t> CompressRtf(const std::string& rtf) {
    const uint8_t* in = reinterpret_cast<const uint8_t*>(rtf.data());
    const size_t n = rtf.size();
    Dictionary dict;
    std::vector<uint8_t> contents;
    contents.reserve(n / 2 + 16);
    size_t i = 0;
    bool ended = false;
    while (!ended) {
        const size_t controlAt = contents.size();
        contents.push_back(0);
        for (int bit = 0; bit < 8; ++bit) {
            if (i >= n) {
                // End marker: a reference to the write position.
                const uint16_t ref = static_cast<uint16_t>(dict.WritePos() << 4);
                contents[controlAt] |= static_cast<uint8_t>(1 << bit);
                contents.push_back(static_cast<uint8_t>(ref >> 8));
                contents.push_back(static_cast<uint8_t>(ref));
                ended = true;
                break;
            }
            size_t offset = 0;
            const size_t len = dict.FindMatch(in + i, n - i, offset);
            if (len >= 2) {
                const uint16_t ref = static_cast<uint16_t>((offset << 4) | (len - 2));
                contents[controlAt] |= static_cast<uint8_t>(1 << bit);
                contents.push_back(static_cast<uint8_t>(ref >> 8));
                contents.push_back(static_cast<uint8_t>(ref));
                for (size_t k = 0; k < len; ++k) dict.Put(in[i + k]);
                i += len;
            } else {
                contents.push_back(in[i]);
                dict.Put(in[i]);
                ++i;
            }
        }
    }
    std::vector<uint8_t> out = Header(static_cast<uint32_t>(contents.size()), static_cast<uint32_t>(n),
                                      0x75465A4C, fmt::Crc32(contents.data(), contents.size()));
    out.insert(out.end(), contents.begin(), contents.end());
    return out;
}

std::vector<uint8_t> StoreRtfUncompressed(const std::string& rtf) {
    std::vector<uint8_t> out = Header(static_cast<uint32_t>(rtf.size()), static_cast<uint32_t>(rtf.size()),
                                      0x414C454D, 0);
    out.insert(out.end(), rtf.begin(), rtf.end());
    return out;
}

}  // namespace writer
