// The [MS-PST] CRC-32 (section 5.3; also the [MS-OXRTFCP] CRC and the
// name-to-id map's string hash) and the page/block signature (section 5.5).
#pragma once
#include <cstddef>
#include <cstdint>

namespace fmt {

// Reflected CRC-32, polynomial 0xEDB88320, initial value as given (0 in the
// format), no final XOR. Pass a previous result to continue a running CRC.
uint32_t Crc32(const uint8_t* data, size_t length, uint32_t crc = 0);

// ComputeSig: low 16 bits XOR high 16 bits of (ib XOR bid) truncated to 32 bits.
inline uint16_t ComputeSig(uint64_t ib, uint64_t bid) {
    const uint32_t x = static_cast<uint32_t>(ib ^ bid);
    return static_cast<uint16_t>((x >> 16) ^ x);
}

}  // namespace fmt
