// Small blocks: a size-class allocator for the many small objects of a
// store being written (property sets, table rows, block lists).
//
// Wine's heap walks long free lists on requests once a process holds
// hundreds of thousands of live blocks of mixed sizes, so a big folder
// written under Wine spent most of its time there. Blocks of up to
// kLargestSmallBlock bytes come from per-size free lists carved out of
// large chunks; bigger ones go to malloc. Every block carries a 16-byte
// header naming its class, so Free needs no lookup. Memory of small blocks
// goes back to its free list, not to the system. Thread-safe.
//
// The Windows builds of the component module and the programs route the
// global operator new and delete here (small_blocks.cpp); native builds
// keep the C library's allocator, which has no such trouble.
#pragma once

#include <cstddef>

namespace writer {

constexpr std::size_t kLargestSmallBlock = 2048;

// Null when the system has no memory left. Aligned to 16 bytes.
void* SmallBlocksAllocate(std::size_t size) noexcept;
// Takes what SmallBlocksAllocate gave (or null).
void SmallBlocksFree(void* block) noexcept;

}  // namespace writer
