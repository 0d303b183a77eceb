#include "fuzz_support.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "reader/ltp.h"
#include "reader/named_props.h"
#include "reader/ndb.h"
#include "reader/ndb_block.h"
#include "reader/reader_observer.h"

namespace {

class FuzzObserver : public ReaderObserver {
public:
    void Pause(unsigned) override {}
    bool WantBodies() override { return true; }
    bool IsDisplayBusy() override { return true; }
};

FuzzObserver g_observer;

}  // namespace

const std::string& WriteScratchStore(const uint8_t* data, size_t size) {
    // Removed when the fuzzer exits.
    struct ScratchPath {
        std::string path;
        ScratchPath() {
            const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
            path = std::string(dir) + "/tarnwell-fuzz-" + std::to_string(getpid()) + ".pst";
        }
        ~ScratchPath() { std::remove(path.c_str()); }
    };
    static const ScratchPath scratch;
    const std::string& path = scratch.path;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file) {
        if (size) std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    return path;
}

void ReadWholeStore(const std::string& path) {
    SetReaderObserver(&g_observer);
    // Small limits keep a hostile data tree from spending the fuzzer's memory.
    g_nVectorSinkLimit = uint64_t(16) << 20;
    StoreContext context;
    try {
        if (CFile64::OpenStore(&context, std::wstring(path.begin(), path.end())) != 0) return;
        LoadBTrees(&context);
        LoadNamedPropertyMap(&context);
        std::vector<NodeEntry*> nodes;
        for (NodeEntry* n = context.pFirstNode; n && nodes.size() < 2000;) {
            nodes.push_back(n);
            if (n->pFirstChild) {
                n = n->pFirstChild;
                continue;
            }
            while (n && !n->pNextSibling) n = n->pParent;
            if (n) n = n->pNextSibling;
        }
        for (NodeEntry* n : nodes) {
            if (FindNode(&context, n->nodeId) == nullptr) __builtin_trap();
            std::unique_ptr<SubnodeEntry, void (*)(SubnodeEntry*)> owned(
                n->pSubnodeBlock ? ReadSubnodeMap(&context, n->pSubnodeBlock) : nullptr, FreeSubnodeMap);
            SubnodeEntry* map = owned.get();
            if (n->pDataBlock) {
                FreePropRows(ReadNodeProperties(&context, n->pDataBlock->blockId, map));
                std::vector<uint8_t> data;
                DataSink sink;
                sink.pVector = &data;
                if (ReadBlockToSink(n->pDataBlock, &context, sink) != data.size()) __builtin_trap();
            }
            for (SubnodeEntry* s = map; s; s = s->pNext) {
                std::vector<uint8_t> data;
                DataSink sink;
                sink.pVector = &data;
                ReadSubnodeData(map, &context, s->subnodeId, sink);
            }
        }
    } catch (const StoreFileException&) {
    }
}
