#include "format/crc.h"

#include <array>

#include "format/bytes.h"

namespace fmt {
namespace {

// Slicing-by-16 tables: table 0 is the standard reflected table, each further
// table advances the CRC by one more zero byte. Sixteen bytes a step read a
// store's blocks about a third faster than eight.
struct CrcTables {
    std::array<std::array<uint32_t, 256>, 16> t{};
    CrcTables() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (int k = 1; k < 16; ++k)
            for (int i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    }
};

const CrcTables& Tables() {
    static const CrcTables tables;
    return tables;
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t length, uint32_t crc) {
    const auto& t = Tables().t;
    while (length >= 16) {
        const uint32_t a = crc ^ LoadLe32(data);
        const uint32_t b = LoadLe32(data + 4);
        const uint32_t c = LoadLe32(data + 8);
        const uint32_t d = LoadLe32(data + 12);
        crc = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
              t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
              t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
              t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
        data += 16;
        length -= 16;
    }
    while (length--) crc = t[0][(crc ^ *data++) & 0xFF] ^ (crc >> 8);
    return crc;
}

}  // namespace fmt
