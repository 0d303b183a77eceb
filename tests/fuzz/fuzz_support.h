// What the fuzz targets share: the input as a store file, and one pass of
// the reader over everything a store holds.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Writes the bytes to this process's scratch store file; its path.
const std::string& WriteScratchStore(const uint8_t* data, size_t size);

// Opens the scratch store and reads it the way the program does: both
// B-trees, the name-to-id map, then every node's subnode map, properties
// (bodies included) and data. File errors end the pass quietly.
void ReadWholeStore(const std::string& path);
