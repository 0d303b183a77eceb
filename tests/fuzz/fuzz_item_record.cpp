// libFuzzer target: the whole store load and every item record read from an
// arbitrary file, with bodies wanted (RTF decompression included) and every
// attachment's data written out. Damaged input may make records smaller or
// the load refuse the file, never crash, hang or allocate without bound.
// Seed it with the small stores of seeds/ (tests/fuzz/make-seeds): whole
// sample stores make each run take about a second.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include <unistd.h>

#include "fuzz_support.h"
#include "reader/attachment_writer.h"
#include "reader/item_reader.h"
#include "reader/ndb.h"
#include "reader/ndb_block.h"
#include "reader/rtf_decompress.h"
#include "reader/store_context.h"
#include "reader/store_load.h"
#include "reader/store_tree_model.h"

namespace {

// One scratch file for the attachment data of every run.
FILE* Sink() {
    static FILE* sink = std::tmpfile();
    return sink;
}

std::string Folder() {
    static std::string dir = [] {
        char pattern[] = "/tmp/fuzz-items-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string dir = Folder();
    const std::string path = WriteScratchStore(data, size);

    SetInstallFolder(std::wstring(dir.begin(), dir.end()));
    // Small limits keep a hostile data tree from spending the fuzzer's memory.
    g_nVectorSinkLimit = uint64_t(16) << 20;
    FolderTreeModel tree;
    tree.wantBodies = true;
    SetReaderObserver(&tree);
    try {
        ResetReader();
        OstRepair host(std::wstring(path.begin(), path.end()));
        AnalysisThreadProc(&host);
        FILE* sink = Sink();
        for (const folder& fo : g_listFolders) {
            NodeEntry* node = FindNode(&g_storeFile, fo.nNodeId);
            for (NodeEntry* c = node ? node->pFirstChild : nullptr; c; c = c->pNextSibling) {
                // Owned, so that a file error while writing an attachment
                // does not leak the record.
                std::unique_ptr<ItemRecord, void (*)(ItemRecord*)> r(ReadItemRecord(g_storeFile, c), FreeItemRecord);
                for (const AttachmentNode* a = r ? r->pAttachments : nullptr; a && sink; a = a->pNext) {
                    std::rewind(sink);
                    WriteAttachmentToFile(sink, a);
                }
            }
        }
        ResetReader();
    } catch (const StoreFileException&) {
    }
    try {
        ResetReader();
    } catch (const StoreFileException&) {
    }
    // The program keeps node entries for its whole life (pointers to them
    // may outlive a load); a run here must leave nothing behind, or the
    // fuzzer's memory grows with every run until it stops.
    g_storeFile.~StoreContext();
    new (&g_storeFile) StoreContext();
    FreeRetiredRecords();
    SetReaderObserver(nullptr);
    return 0;
}
