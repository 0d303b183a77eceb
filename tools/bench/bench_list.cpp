#include "bench_list.h"

#include <cstdio>
#include <cstdlib>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "bench.h"
#include "format/props.h"
#include "reader/item_reader.h"
#include "reader/ndb.h"
#include "reader/store_load.h"
#include "reader/store_tree_model.h"
#include "writer/store_builder.h"

namespace {
constexpr uint64_t kFirstDelivery = 0x01CCFA8E2E5B0000ull;  // 2012-03-05
}  // namespace

std::string MakeListBenchStore(int count) {
#ifdef _WIN32
    const char* tmp = std::getenv("TEMP");
    std::string path = std::string(tmp ? tmp : ".") + "\\tarnwell-list-bench.pst";
#else
    const char* tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp ? tmp : "/tmp") + "/tarnwell-list-bench-" + std::to_string(::getpid()) + ".pst";
#endif
    writer::StoreBuilder builder{writer::StoreOptions{}};
    const uint32_t big = builder.AddFolder(builder.IpmSubtree(), u"Big", "IPF.Note");
    for (int i = 0; i < count; ++i) {
        writer::Message& m = builder.AddMessage(big, "IPM.Note");
        const std::string number = std::to_string(i);
        m.SetSubject(u"Message " + std::u16string(number.begin(), number.end()));
        m.SetSender(u"Sender", u"sender@example.com");
        m.AddRecipient(u"Ann", u"ann@example.com");
        m.SetBody(u"A short body.");
        m.SetTime(fmt::kPidMessageDeliveryTime, kFirstDelivery + uint64_t(i) * 600000000ull);
        if ((i + 1) % 2000 == 0) builder.Commit();
    }
    return builder.WriteFile(path) ? path : std::string();
}

void RunListReadBench(const std::string& path) {
    FolderTreeModel tree;
    SetReaderObserver(&tree);
    ResetReader();
    OstRepair host(std::wstring(path.begin(), path.end()));
    AnalysisThreadProc(&host);
    NodeEntry* big = nullptr;
    for (const folder& f : g_listFolders) {
        NodeEntry* node = FindNode(&g_storeFile, f.nNodeId);
        if (node != nullptr && (big == nullptr || node->childCount > big->childCount)) big = node;
    }
    int records = 0;
    const double start = NowSeconds();
    for (NodeEntry* child = big != nullptr ? big->pFirstChild : nullptr; child; child = child->pNextSibling) {
        ItemRecord* r = ReadItemRecord(g_storeFile, child);
        if (r != nullptr) ++records;
        FreeItemRecord(r);
    }
    const double seconds = NowSeconds() - start;
    std::printf("reader alone: %d item records of one folder read in %.3f s (%.0f per second)\n", records, seconds,
                seconds > 0 ? records / seconds : 0.0);
    try {
        ResetReader();
    } catch (...) {
    }
    SetReaderObserver(nullptr);
}

#ifndef BENCH_ITEM_LIST
void RunListFillBench(const std::string&) {
    std::printf("item list fill: measured by the Windows program only\n");
}
#endif
