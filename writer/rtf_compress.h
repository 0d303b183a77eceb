// Compressed RTF ([MS-OXRTFCP]): the PidTagRtfCompressed value of an RTF
// body, compressed ("LZFu") or stored ("MELA").
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace writer {

std::vector<uint8_t> CompressRtf(const std::string& rtf);
std::vector<uint8_t> StoreRtfUncompressed(const std::string& rtf);

}  // namespace writer
