#include "format/crc.h"

#include <array>

namespace fmt {
namespace {

// Slicing-by-8 tables: table 0 is the standard reflected table, each further
// table advances the CRC by one more zero byte.
struct CrcTables {
    std::array<std::array<uint32_t, 256>, 8> t{};
    CrcTables() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (int k = 1; k < 8; ++k)
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
    while (length >= 8) {
        const uint32_t a = crc ^ (data[0] | (data[1] << 8) | (data[2] << 16) |
                                  (static_cast<uint32_t>(data[3]) << 24));
        crc = t[7][a & 0xFF] ^ t[6][(a >> 8) & 0xFF] ^ t[5][(a >> 16) & 0xFF] ^ t[4][a >> 24] ^
              t[3][data[4]] ^ t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]];
        data += 8;
        length -= 8;
    }
    while (length--) crc = t[0][(crc ^ *data++) & 0xFF] ^ (crc >> 8);
    return crc;
}

}  // namespace fmt
