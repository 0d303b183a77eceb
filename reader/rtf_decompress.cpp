#include "reader/rtf_decompress.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "format/bytes.h"
#include "reader/store_text.h"

namespace {

std::wstring g_strInstallFolder;

// [MS-OXRTFCP] 2.1.2.1: the dictionary's initial 207 bytes.
const char kInitialDictionary[] =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss \\fmodern \\fscript \\"
    "fdecor MS Sans SerifSymbolArialTimes New RomanCourier{\\colortbl\\red0\\green0\\blue0\r\n\\par "
    "\\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
constexpr size_t kInitialDictionarySize = sizeof(kInitialDictionary) - 1;
static_assert(kInitialDictionarySize == 207, "the initial dictionary holds 207 bytes");

constexpr size_t kDictionarySize = 4096;
constexpr size_t kHeaderSize = 16;
// Slack after the raw size, as the body file has always had.
constexpr uint64_t kOutputSlack = 120;
// One control byte and eight two-byte references (17 input bytes) give at
// most 8 x 17 bytes: no stream yields more than 8 bytes per input byte.
constexpr uint64_t kMaxExpansion = 8;


}  // namespace

void SetInstallFolder(const std::wstring& folder) { g_strInstallFolder = folder; }
const std::wstring& GetInstallFolder() { return g_strInstallFolder; }

std::wstring RtfBodyFilePath() {
#ifdef _WIN32
    return g_strInstallFolder + L"\\QM_Rtf_Body.rtf";
#else
    return g_strInstallFolder + L"/QM_Rtf_Body.rtf";
#endif
}

FILE* OpenFileForWriting(const std::wstring& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wb");
#else
    return std::fopen(WideToUtf8(path).c_str(), "wb");
#endif
}

int DecompressRtfToFile(const uint8_t* data, uint64_t allocatedSize, const std::wstring& outputPath) {
    if (!data || allocatedSize < kHeaderSize) return 1;
    uint64_t compSize = fmt::LoadLe32(data);
    const uint64_t rawSize = fmt::LoadLe32(data + 4);
    if (allocatedSize < compSize) compSize = allocatedSize;

    // The output never exceeds what the input can produce, whatever the
    // stored raw size claims.
    uint64_t capacity = rawSize;
    if (capacity > compSize * kMaxExpansion) capacity = compSize * kMaxExpansion;
    capacity += kOutputSlack;
    std::vector<uint8_t> out;
    try {
        out.resize(static_cast<size_t>(capacity) + 3);
    } catch (...) {
        return 1;
    }

    uint8_t dictionary[kDictionarySize] = {};
    std::memcpy(dictionary, kInitialDictionary, kInitialDictionarySize);
    size_t writePos = kInitialDictionarySize;
    size_t outLen = 0;
    bool full = false;
    auto emit = [&](uint8_t b) {
        if (outLen >= capacity) {
            full = true;
            return;
        }
        out[outLen++] = b;
        dictionary[writePos] = b;
        writePos = (writePos + 1) % kDictionarySize;
    };

    // The input is read while i + 17 < COMPSIZE, i counting bytes after the
    // header; the last few bytes (where the end marker lies) are not decoded.
    const uint8_t* in = data + kHeaderSize;
    uint64_t i = 0;
    while (i + 17 < compSize && !full) {
        const uint8_t control = in[i++];
        for (int bit = 0; bit < 8 && i + 17 < compSize && !full; ++bit) {
            if (control & (1u << bit)) {
                const unsigned ref = (static_cast<unsigned>(in[i]) << 8) | in[i + 1];
                i += 2;
                size_t offset = ref >> 4;
                const unsigned length = (ref & 0xF) + 2;
                for (unsigned k = 0; k < length && !full; ++k) {
                    emit(dictionary[offset]);
                    offset = (offset + 1) % kDictionarySize;
                }
            } else {
                emit(in[i++]);
            }
        }
    }

    out[outLen] = '}';
    out[outLen + 1] = '}';
    out[outLen + 2] = 0;

    FILE* file = OpenFileForWriting(outputPath);
    if (!file) return 1;
    size_t total = outLen + 3;
    size_t written = 0;
    while (written < total) {
        size_t piece = total - written < 4096 ? total - written : 4096;
        if (std::fwrite(out.data() + written, 1, piece, file) != piece) break;
        written += piece;
    }
    int closed = std::fclose(file);
    return (written == total && closed == 0) ? 0 : 1;
}
