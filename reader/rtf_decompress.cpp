#include "reader/rtf_decompress.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "format/bytes.h"
#include "reader/store_text.h"

namespace {

std::wstring g_strInstallFolder;
// A pointer, not a string: a thread-local object with a destructor makes the
// MinGW runtime run thread-exit callbacks that can hang a process at exit
// under Wine. SetThreadRtfBodyFile with an empty path frees it.
thread_local std::wstring* t_pThreadRtfBodyFile = nullptr;

// [MS-OXRTFCP] 2.1.2.1: the dictionary's initial 207 bytes.
const char kInitialDictionary[] =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss \\fmodern \\fscript \\"
    "fdecor MS Sans SerifSymbolArialTimes New RomanCourier{\\colortbl\\red0\\green0\\blue0\r\n\\par "
    "\\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
constexpr size_t kInitialDictionarySize = sizeof(kInitialDictionary) - 1;
static_assert(kInitialDictionarySize == 207, "the initial dictionary holds 207 bytes");

constexpr size_t kDictionarySize = 4096;
constexpr size_t kHeaderSize = 16;
// One control byte and eight two-byte references (17 input bytes) give at
// most 8 x 17 bytes: no stream yields more than 8 bytes per input byte.
constexpr uint64_t kMaxExpansion = 8;
// [MS-OXRTFCP] 2.1.3.1.1: the COMPTYPE of a stream stored without compression.
constexpr uint32_t kCompTypeUncompressed = 0x414C454D;   // "MELA"

// Decodes the LZFu tokens of in[0, size) into out (at most capacity bytes),
// up to the end reference, the end of the input or a full output.
size_t DecodeLzfu(const uint8_t* in, uint64_t size, uint8_t* out, uint64_t capacity) {
    uint8_t dictionary[kDictionarySize] = {};
    std::memcpy(dictionary, kInitialDictionary, kInitialDictionarySize);
    size_t writePos = kInitialDictionarySize;
    size_t outLen = 0;
    uint64_t i = 0;
    while (i < size) {
        const uint8_t control = in[i++];
        for (int bit = 0; bit < 8; ++bit) {
            if (control & (1u << bit)) {
                if (i + 2 > size) return outLen;
                const unsigned ref = (static_cast<unsigned>(in[i]) << 8) | in[i + 1];
                i += 2;
                size_t offset = ref >> 4;
                // A reference to the write position itself ends the stream.
                if (offset == writePos) return outLen;
                const unsigned length = (ref & 0xF) + 2;
                for (unsigned k = 0; k < length; ++k) {
                    if (outLen >= capacity) return outLen;
                    const uint8_t b = dictionary[offset];
                    out[outLen++] = b;
                    dictionary[writePos] = b;
                    writePos = (writePos + 1) % kDictionarySize;
                    offset = (offset + 1) % kDictionarySize;
                }
            } else {
                if (i >= size || outLen >= capacity) return outLen;
                const uint8_t b = in[i++];
                out[outLen++] = b;
                dictionary[writePos] = b;
                writePos = (writePos + 1) % kDictionarySize;
            }
        }
    }
    return outLen;
}

}  // namespace

void SetInstallFolder(const std::wstring& folder) { g_strInstallFolder = folder; }
const std::wstring& GetInstallFolder() { return g_strInstallFolder; }

void SetThreadRtfBodyFile(const std::wstring& path) {
    delete t_pThreadRtfBodyFile;
    t_pThreadRtfBodyFile = path.empty() ? nullptr : new std::wstring(path);
}

std::wstring RtfBodyFilePath() {
    if (t_pThreadRtfBodyFile != nullptr) return *t_pThreadRtfBodyFile;
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
    // COMPSIZE counts the bytes after its own field; the block bounds it.
    uint64_t streamEnd = 4 + static_cast<uint64_t>(fmt::LoadLe32(data));
    if (streamEnd > allocatedSize) streamEnd = allocatedSize;
    const uint64_t inputSize = streamEnd > kHeaderSize ? streamEnd - kHeaderSize : 0;
    const uint64_t rawSize = fmt::LoadLe32(data + 4);
    const bool uncompressed = fmt::LoadLe32(data + 8) == kCompTypeUncompressed;

    // The output is the raw size at most, and never more than the input can
    // produce, whatever the stored raw size claims.
    uint64_t capacity = rawSize;
    const uint64_t producible = uncompressed ? inputSize : inputSize * kMaxExpansion;
    if (capacity > producible) capacity = producible;
    std::vector<uint8_t> out;
    try {
        out.resize(static_cast<size_t>(capacity));
    } catch (...) {
        return 1;
    }
    const uint8_t* in = data + kHeaderSize;
    size_t outLen;
    if (uncompressed) {
        outLen = static_cast<size_t>(capacity);
        if (outLen) std::memcpy(out.data(), in, outLen);
    } else {
        outLen = DecodeLzfu(in, inputSize, out.data(), capacity);
    }

    FILE* file = OpenFileForWriting(outputPath);
    if (!file) return 1;
    size_t written = 0;
    while (written < outLen) {
        size_t piece = outLen - written < 4096 ? outLen - written : 4096;
        if (std::fwrite(out.data() + written, 1, piece, file) != piece) break;
        written += piece;
    }
    int closed = std::fclose(file);
    return (written == outLen && closed == 0) ? 0 : 1;
}
