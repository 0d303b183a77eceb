// B-tree load figures: the block and node B-trees of the store loaded without
// the load's fixed pauses, lookups by id, memory, and pffinfo on the same file.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench.h"
#include "reader/ndb.h"
#include "reader/ndb_index.h"
#include "reader/reader_observer.h"

namespace {

class QuietObserver : public ReaderObserver {
public:
    void Pause(unsigned) override {}
};

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

void TimeIndependentReader(const std::string& path) {
#ifndef _WIN32
    if (std::system("command -v pffinfo >/dev/null 2>&1") != 0) return;
    const std::string command = "pffinfo '" + path + "' >/dev/null 2>&1";
    const double start = NowSeconds();
    const int status = std::system(command.c_str());
    std::printf("pffinfo on the same store:   %.3f s (exit %d)\n", NowSeconds() - start, status);
#else
    (void)path;
#endif
}

}  // namespace

void RunBTreeBench(const BenchOptions& options) {
    QuietObserver observer;
    SetReaderObserver(&observer);
    const uint64_t memoryBefore = PeakMemoryKiB();
    {
        StoreContext context;
        if (CFile64::OpenStore(&context, Widen(options.storePath)) != 0) {
            std::printf("bench: cannot open %s\n", options.storePath.c_str());
            SetReaderObserver(nullptr);
            return;
        }
        const double start = NowSeconds();
        LoadBTrees(&context);
        const double seconds = NowSeconds() - start;
        const uint64_t blocks = CountBlocks(&context);
        const uint64_t nodes = CountNodes(&context);
        const uint64_t memoryAfter = PeakMemoryKiB();

        std::printf("store: %s\n", options.storePath.c_str());
        std::printf("B-tree load (no pauses):     %.3f s\n", seconds);
        std::printf("blocks: %llu (%.0f per second)\n", static_cast<unsigned long long>(blocks),
                    seconds > 0 ? blocks / seconds : 0.0);
        std::printf("nodes:  %llu (%.0f per second)\n", static_cast<unsigned long long>(nodes),
                    seconds > 0 ? nodes / seconds : 0.0);

        const ReaderIndexes& index = *context.pIndexes;
        const double entryBytes = double(blocks) * sizeof(BbtEntry) + double(nodes) * sizeof(NodeEntry);
        const double indexBytes = double(index.blocks.BytesReserved() + index.nodes.BytesReserved());
        std::printf("entries: %.1f MiB (%zu B per block, %zu B per node); pools %.1f MiB; indexes %.1f MiB\n",
                    entryBytes / 1048576, sizeof(BbtEntry), sizeof(NodeEntry),
                    double(index.blockPool.BytesReserved() + index.nodePool.BytesReserved()) / 1048576,
                    indexBytes / 1048576);
        std::printf("peak memory: %.1f MiB before the load, %.1f MiB after\n", memoryBefore / 1024.0,
                    memoryAfter / 1024.0);

        // Every block and every node looked up once by id.
        std::vector<uint64_t> blockIds, nodeIds;
        for (BbtEntry* b = context.pFirstBlock; b; b = b->pNext) blockIds.push_back(b->blockId);
        std::vector<NodeEntry*> stack;
        for (NodeEntry* n = context.pFirstNode; n; n = n->pNextSibling) stack.push_back(n);
        while (!stack.empty()) {
            NodeEntry* n = stack.back();
            stack.pop_back();
            nodeIds.push_back(n->nodeId);
            for (NodeEntry* c = n->pFirstChild; c; c = c->pNextSibling) stack.push_back(c);
        }
        double lookupStart = NowSeconds();
        size_t found = 0;
        for (uint64_t id : blockIds) found += FindBlock(&context, id) != nullptr;
        const double blockLookup = NowSeconds() - lookupStart;
        lookupStart = NowSeconds();
        for (uint64_t id : nodeIds) found += FindNode(&context, id) != nullptr;
        const double nodeLookup = NowSeconds() - lookupStart;
        std::printf("FindBlock: %.0f per second; FindNode: %.0f per second (%zu found)\n",
                    blockLookup > 0 ? blockIds.size() / blockLookup : 0.0,
                    nodeLookup > 0 ? nodeIds.size() / nodeLookup : 0.0, found);
    }
    SetReaderObserver(nullptr);
    TimeIndependentReader(options.storePath);
}
