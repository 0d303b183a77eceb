// Showing one item: in a folder of 100,000 items made by the store writer,
// the reading the item view does before its pane is filled (the walk along
// the folder's children to the row's item, and the item read with its HTML
// and RTF bodies, the RTF decoded into the body file), for the first, the
// middle and the last row.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench.h"
#include "reader/item_reader.h"
#include "reader/ndb.h"
#include "reader/rtf_decompress.h"
#include "reader/store_context.h"
#include "reader/store_load.h"
#include "reader/store_tree_model.h"
#include "writer/store_builder.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

constexpr int kItems = 100000;

std::string TempFolder() {
#ifdef _WIN32
    const char* tmp = std::getenv("TEMP");
    return tmp ? tmp : ".";
#else
    const char* tmp = std::getenv("TMPDIR");
    return tmp ? tmp : "/tmp";
#endif
}

std::string MakeDisplayStore(uint32_t* folderId) {
#ifdef _WIN32
    const std::string path = TempFolder() + "\\tarnwell-bench-display.pst";
#else
    const std::string path = TempFolder() + "/tarnwell-bench-display-" + std::to_string(::getpid()) + ".pst";
#endif
    writer::StoreOptions options;
    options.variant = writer::Variant::Unicode;
    options.cryptMethod = 1;
    options.ost = true;
    writer::StoreBuilder builder(options);
    *folderId = builder.AddFolder(builder.IpmSubtree(), u"Inbox");
    std::string html = "<html><body>";
    for (int i = 0; i < 40; ++i) html += "<p>A paragraph of the message, long enough to be a real body.</p>";
    html += "</body></html>";
    std::string rtf = "{\\rtf1\\ansi\\deff0 {\\fonttbl{\\f0 Arial;}}";
    for (int i = 0; i < 40; ++i) rtf += "\\f0 A paragraph of the message, long enough to be a real body.\\par ";
    rtf += "}";
    for (int i = 0; i < kItems; ++i) {
        writer::Message& m = builder.AddMessage(*folderId, "IPM.Note");
        const std::string n = std::to_string(i);
        m.SetSubject(u"Message " + std::u16string(n.begin(), n.end()));
        m.SetSender(u"Sender", u"sender@example.com");
        m.AddRecipient(u"Ann", u"ann@example.com");
        m.SetBody(u"A plain body of the message.");
        m.SetHtmlBody(html);
        m.SetRtfBody(rtf);
        if (i % 10 == 0) m.AddAttachment(u"note.txt", writer::Bytes(3000, 'a'));
        if ((i + 1) % 5000 == 0) builder.Commit();
    }
    return builder.WriteFile(path) ? path : std::string();
}

}  // namespace

void RunDisplayBench(const BenchOptions&) {
    double start = NowSeconds();
    uint32_t folderId = 0;
    const std::string path = MakeDisplayStore(&folderId);
    if (path.empty()) {
        std::printf("display bench: could not make the store\n");
        return;
    }
    std::printf("display store: %d items in one folder, made in %.1f s\n", kItems, NowSeconds() - start);

    FolderTreeModel tree;
    tree.wantBodies = true;   // as while the display worker runs
    SetReaderObserver(&tree);
    const std::string dir = TempFolder();
    SetInstallFolder(std::wstring(dir.begin(), dir.end()));
    ResetReader();
    OstRepair host(std::wstring(path.begin(), path.end()));
    start = NowSeconds();
    AnalysisThreadProc(&host);
    std::printf("display store loaded (no pauses) in %.1f s\n", NowSeconds() - start);
    NodeEntry* folderNode = FindNode(&g_storeFile, folderId);
    NodeEntry* first = folderNode ? folderNode->pFirstChild : nullptr;
    if (!tree.messages.empty() || !first) {
        std::printf("display bench: the store did not load\n");
    } else {
        double worst = 0;
        for (int row : {1, kItems / 2, kItems}) {
            start = NowSeconds();
            // The renderer's walk from the folder's first listed child.
            NodeEntry* node = first;
            for (int count = 1; node && count < row; ++count) node = node->pNextSibling;
            ItemRecord* record = node ? ReadItemRecord(g_storeFile, node) : nullptr;
            const double ms = (NowSeconds() - start) * 1000.0;
            const bool complete = record && record->pMessage && record->pMessage->txBodyHtml.pData &&
                                  record->pMessage->binRtfCompressed.cb;
            FreeItemRecord(record);
            if (ms > worst) worst = ms;
            std::printf("showing row %d of %d: %.2f ms of reading before the pane is filled%s\n", row, kItems, ms,
                        complete ? "" : " (item incomplete)");
        }
        std::printf("showing one item of %d: at most %.2f ms of reading (goal: under 100 ms)\n", kItems, worst);
    }
    try {
        ResetReader();
    } catch (...) {
    }
    SetReaderObserver(nullptr);
    const std::wstring rtfFile = RtfBodyFilePath();
    std::remove(std::string(rtfFile.begin(), rtfFile.end()).c_str());
    std::remove(path.c_str());
}
