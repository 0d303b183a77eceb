// The bench program: speed and memory figures of the reader on one store.
#pragma once
#include <cstdint>
#include <string>

struct BenchOptions {
    std::string storePath;      // the store measured (made or given)
    uint64_t targetBytes = 0;   // size of the store to make when none is given
};

// Peak resident memory of the process so far, in KiB.
uint64_t PeakMemoryKiB();
// Seconds since an arbitrary start (steady clock).
double NowSeconds();

// B-tree load figures.
void RunBTreeBench(const BenchOptions& options);
// Item-reading figures.
void RunItemBench(const BenchOptions& options);
// Showing one item of a folder of 100,000 items.
void RunDisplayBench(const BenchOptions& options);
