// Items read side by side on threads of their own, as ostdump reads a
// store: each thread's RTF bodies go to its own body file, never to the one
// the program shares, and each read gives its own item.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "reader/item_reader.h"
#include "reader/ndb.h"
#include "reader/rtf_decompress.h"
#include "reader_item_test_support.h"
#include "support/temp_file.h"
#include "writer/store_builder.h"

using item_test::LoadedStore;
using item_test::NarrowPath;
using item_test::ScopedInstallFolder;
using item_test::TextOf;
using testing_support::TempFile;

namespace {

std::string FileText(const std::wstring& path) {
    const std::vector<uint8_t> bytes = testing_support::ReadWholeFile(NarrowPath(path));
    return std::string(bytes.begin(), bytes.end());
}

TEST(ReaderThreadBody, EachThreadKeepsItsOwnBodyFile) {
    ScopedInstallFolder install;
    writer::StoreBuilder b(writer::StoreOptions{});
    const uint32_t folder = b.AddFolder(b.IpmSubtree(), u"Mail", "IPF.Note");
    const int kMails = 8;
    for (int i = 0; i < kMails; ++i) {
        writer::Message& m = b.AddMessage(folder, "IPM.Note");
        m.SetSubject(u"Mail " + writer::Utf16FromAscii(std::to_string(i)));
        m.SetRtfBody("{\\rtf1\\ansi body of mail " + std::to_string(i) + "\\par}");
    }
    TempFile file(b.WriteMemory(), ".pst");
    LoadedStore store(file.wpath(), /*wantBodies=*/true);
    NodeEntry* node = FindNode(&g_storeFile, folder);
    ASSERT_NE(node, nullptr);
    std::vector<NodeEntry*> items;
    for (NodeEntry* c = node->pFirstChild; c; c = c->pNextSibling) items.push_back(c);
    ASSERT_EQ(items.size(), static_cast<size_t>(kMails));

    const std::wstring shared = RtfBodyFilePath();
    std::vector<std::string> subjects(kMails), bodies(kMails);
    std::vector<std::thread> threads;
    for (int t = 0; t < kMails; ++t) {
        threads.emplace_back([&, t] {
            const std::wstring own = shared + L"." + std::to_wstring(t);
            SetThreadRtfBodyFile(own);
            ItemRecord* r = ReadItemRecord(g_storeFile, items[t]);
            if (r) subjects[t] = TextOf(r->txSubject);
            FreeItemRecord(r);
            bodies[t] = FileText(own);
            std::remove(NarrowPath(own).c_str());
            SetThreadRtfBodyFile(std::wstring());
        });
    }
    for (auto& t : threads) t.join();
    for (int t = 0; t < kMails; ++t) {
        SCOPED_TRACE(t);
        const std::string number = subjects[t].substr(subjects[t].find(' ') + 1);
        EXPECT_NE(bodies[t].find("body of mail " + number + "\\par"), std::string::npos) << bodies[t];
    }
    EXPECT_EQ(RtfBodyFilePath(), shared);
    EXPECT_TRUE(testing_support::ReadWholeFile(NarrowPath(shared)).empty());   // never written
}

}  // namespace
