// Whole store files: header, B-tree pages, blocks, data trees, subnode maps,
// heaps, property and table contexts and the name-to-id map.
// Seed with the sample stores of the shared test data.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ReadWholeStore(WriteScratchStore(data, size));
    return 0;
}
