// Block encodings of [MS-PST] section 5: permutation (bCryptMethod 1) and
// cyclic (bCryptMethod 2). Only the data of external data blocks is encoded.
#pragma once
#include <cstddef>
#include <cstdint>

namespace fmt {

enum CryptMethod : uint8_t { kCryptNone = 0, kCryptPermute = 1, kCryptCyclic = 2 };

extern const uint8_t kCryptR[256];
extern const uint8_t kCryptS[256];
extern const uint8_t kCryptI[256];

void PermuteEncode(uint8_t* data, size_t length);
void PermuteDecode(uint8_t* data, size_t length);
// The cyclic routine encodes and decodes alike; key = low 32 bits of the block id.
void CyclicCode(uint8_t* data, size_t length, uint32_t key);

}  // namespace fmt
