// Item-reading figures: the store load without its pauses, then every item
// record of every folder read (as the item list does), and read again with
// bodies and attachment data written out (as a save does), beside pffexport
// exporting the same store in the same run.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench.h"
#include "reader/attachment_writer.h"
#include "reader/item_reader.h"
#include "reader/ndb.h"
#include "reader/rtf_decompress.h"
#include "reader/store_load.h"
#include "reader/store_tree_model.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

struct Totals {
    uint64_t items = 0;
    uint64_t folders = 0;
    uint64_t attachmentBytes = 0;
    uint64_t rtfBodies = 0;
};

// Reads every item of every folder of the folder list.
Totals ReadAllItems(bool writeOut, FILE* sink) {
    Totals t;
    for (const folder& f : g_listFolders) {
        ++t.folders;
        NodeEntry* node = FindNode(&g_storeFile, f.nNodeId);
        for (NodeEntry* child = node ? node->pFirstChild : nullptr; child; child = child->pNextSibling) {
            ItemRecord* r = nullptr;
            try {
                r = ReadItemRecord(g_storeFile, child);
            } catch (...) {
                r = nullptr;
            }
            if (!r) continue;
            if (!r->pFolderCounts) {
                ++t.items;
                if (writeOut) {
                    if (r->pMessage && r->pMessage->binRtfCompressed.cb) ++t.rtfBodies;
                    for (const AttachmentNode* a = r->pAttachments; a; a = a->pNext) {
                        if (!a->txAttachFilename.pData && !a->txAttachLongFilename.pData) continue;
                        std::rewind(sink);
                        try {
                            t.attachmentBytes += WriteAttachmentToFile(sink, a);
                        } catch (...) {
                        }
                    }
                }
            }
            FreeItemRecord(r);
        }
    }
    return t;
}

std::string TempDir() {
#ifdef _WIN32
    const char* tmp = std::getenv("TEMP");
    return tmp ? tmp : ".";
#else
    const char* tmp = std::getenv("TMPDIR");
    return tmp ? tmp : "/tmp";
#endif
}

double TimeIndependentExport(const std::string& path) {
#ifndef _WIN32
    if (std::system("command -v pffexport >/dev/null 2>&1") != 0) return -1;
    const std::string target = TempDir() + "/tarnwell-bench-export-" + std::to_string(::getpid());
    const std::string command = "pffexport -q -m items -f all -t '" + target + "' '" + path + "' >/dev/null 2>&1";
    const double start = NowSeconds();
    const int status = std::system(command.c_str());
    const double seconds = NowSeconds() - start;
    std::system(("rm -rf '" + target + ".export' '" + target + ".orphans' '" + target + ".recovered'").c_str());
    return status == 0 ? seconds : -1;
#else
    (void)path;
    return -1;
#endif
}

}  // namespace

void RunItemBench(const BenchOptions& options) {
    FolderTreeModel tree;   // pauses are not taken
    SetReaderObserver(&tree);
    const std::string dir = TempDir();
    SetInstallFolder(std::wstring(dir.begin(), dir.end()));
    ResetReader();
    const std::wstring path(options.storePath.begin(), options.storePath.end());
    OstRepair host(path);
    double start = NowSeconds();
    AnalysisThreadProc(&host);
    const double loadSeconds = NowSeconds() - start;
    if (!tree.messages.empty()) {
        std::printf("item bench: the load refused the store\n");
        SetReaderObserver(nullptr);
        return;
    }
    std::printf("store load with folder tree (no pauses): %.3f s, %zu folders\n", loadSeconds, g_listFolders.size());

    start = NowSeconds();
    const Totals plain = ReadAllItems(false, nullptr);
    const double plainSeconds = NowSeconds() - start;
    std::printf("item records read: %llu in %.3f s (%.0f per second)\n", static_cast<unsigned long long>(plain.items),
                plainSeconds, plainSeconds > 0 ? plain.items / plainSeconds : 0.0);

    tree.wantBodies = true;
    FILE* sink = std::tmpfile();
    start = NowSeconds();
    const Totals full = ReadAllItems(true, sink);
    const double fullSeconds = NowSeconds() - start;
    if (sink) std::fclose(sink);
    tree.wantBodies = false;
    std::printf("with bodies and attachments: %llu items, %llu RTF bodies, %.1f MiB of attachments in %.3f s\n",
                static_cast<unsigned long long>(full.items), static_cast<unsigned long long>(full.rtfBodies),
                full.attachmentBytes / 1048576.0, fullSeconds);
    std::printf("peak memory: %.1f MiB\n", PeakMemoryKiB() / 1024.0);

    const std::wstring rtfFile = RtfBodyFilePath();
    std::remove(std::string(rtfFile.begin(), rtfFile.end()).c_str());
    try {
        ResetReader();
    } catch (...) {
    }
    SetReaderObserver(nullptr);

    const double oracle = TimeIndependentExport(options.storePath);
    if (oracle >= 0) {
        const double ours = loadSeconds + fullSeconds;
        std::printf("pffexport -m items -f all on the same store: %.3f s; ours (load + read with bodies and "
                    "attachments): %.3f s; %.1f times faster\n",
                    oracle, ours, ours > 0 ? oracle / ours : 0.0);
    }
}
