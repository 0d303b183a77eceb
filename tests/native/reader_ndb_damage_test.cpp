// Sweeps of damaged stores: real samples with about 1% of their bytes
// changed, and every prefix step of a writer-made store. The reader must
// survive each one (only file errors may be raised) and stay bounded.
// TARNWELL_SKIP_SWEEPS=1 skips them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "format/layout.h"
#include "reader/ltp.h"
#include "reader/named_props.h"
#include "reader/ndb_block.h"
#include "reader_ndb_test_util.h"
#include "writer/store_builder.h"

using namespace reader_test;

namespace {

bool SweepsSkipped() {
    const char* skip = std::getenv("TARNWELL_SKIP_SWEEPS");
    return skip && *skip && *skip != '0';
}

// Loads the store and reads every node's map, properties and data; the
// number of property rows read.
size_t ReadEverything(const std::vector<uint8_t>& bytes) {
    size_t rowsRead = 0;
    try {
        OpenedStore store = OpenStoreBytes(bytes, false);
        if (!store.context) return 0;
        LoadBTrees(store.get());
        LoadNamedPropertyMap(store.get());
        std::vector<NodeEntry*> nodes;
        WalkNodes(store.get(), [&](NodeEntry* n) {
            nodes.push_back(n);
            return nodes.size() < 5000;
        });
        for (NodeEntry* n : nodes) {
            std::unique_ptr<SubnodeEntry, void (*)(SubnodeEntry*)> owned(
                n->pSubnodeBlock ? ReadSubnodeMap(store.get(), n->pSubnodeBlock) : nullptr, FreeSubnodeMap);
            SubnodeEntry* map = owned.get();
            if (n->pDataBlock) {
                PropRow* rows = ReadNodeProperties(store.get(), n->pDataBlock->blockId, map);
                for (PropRow* r = rows; r; r = r->pNext) ++rowsRead;
                FreePropRows(rows);
                std::vector<uint8_t> data;
                DataSink sink;
                sink.pVector = &data;
                const uint64_t delivered = ReadBlockToSink(n->pDataBlock, store.get(), sink);
                EXPECT_EQ(delivered, data.size());
            }
        }
    } catch (const StoreFileException&) {
        // A damaged offset beyond what the file system accepts.
    }
    return rowsRead;
}

TEST(ReaderNdbDamage, SamplesWithRandomDamageAreSurvived) {
    if (SweepsSkipped()) GTEST_SKIP();
    RecordingObserver observer;
    observer.wantBodies = true;
    std::mt19937 random(20261209);
    for (const char* file : {"ansi-sample2-attachment.pst", "unicode-nested-msg.pst", "unicode-crypt-high.pst",
                             "ansi-outlook97-mail.pst", "ost-unicode-sample.ost"}) {
        SCOPED_TRACE(file);
        const auto original = testing_support::ReadWholeFile(testing_support::SamplePath(file));
        const size_t intact = ReadEverything(original);
        EXPECT_GT(intact, 0u);
        for (int round = 0; round < 40; ++round) {
            std::vector<uint8_t> damaged = original;
            const size_t changes = damaged.size() / 100;
            for (size_t i = 0; i < changes; ++i) {
                // Damage lands on the structures: near B-tree pages and block
                // starts as often as anywhere.
                const size_t at = 516 + random() % (damaged.size() - 516);
                damaged[at] = static_cast<uint8_t>(random());
            }
            ReadEverything(damaged);
        }
    }
}

TEST(ReaderNdbDamage, EveryPrefixOfAWriterStoreIsSurvived) {
    if (SweepsSkipped()) GTEST_SKIP();
    RecordingObserver observer;
    writer::StoreOptions options;
    options.variant = writer::Variant::Unicode;
    writer::StoreBuilder b(options);
    const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox");
    for (int i = 0; i < 20; ++i) {
        writer::Message& m = b.AddMessage(inbox, "IPM.Note");
        m.SetSubject(u"Subject");
        m.SetBody(std::u16string(200 + 300 * i, u'x'));
        if (i % 4 == 0) m.AddAttachment(u"a.bin", std::vector<uint8_t>(9000 + i, 0x5A));
    }
    const auto bytes = b.WriteMemory();
    const size_t full = ReadEverything(bytes);
    EXPECT_GT(full, 20u);
    for (size_t size = 0; size < bytes.size(); size += 4096 + 512) {
        const size_t rows = ReadEverything(std::vector<uint8_t>(bytes.begin(), bytes.begin() + size));
        EXPECT_LE(rows, full);
    }
}

// A block whose offset the file system refuses raises the file error in the
// middle of a map or a row; what was made before it must not stay behind (the
// sanitizer build checks for leaks). Found by fuzzing.
TEST(ReaderNdbDamage, FileErrorsInMapsAndValuesLeaveNothingBehind) {
    RecordingObserver observer;
    writer::StoreOptions options;
    writer::StoreBuilder b(options);
    const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox");
    writer::Message& m = b.AddMessage(inbox, "IPM.Note");
    const uint32_t nid = m.nid();
    m.SetBody(std::u16string(3000, u'b'));                         // kept in a subnode
    m.AddAttachment(u"a.bin", std::vector<uint8_t>(20000, 0x33));  // a nested map
    const auto bytes = b.WriteMemory();
    const uint64_t unreachable = uint64_t(1) << 63;

    OpenedStore maps = OpenStoreBytes(bytes);
    ASSERT_TRUE(maps.context);
    NodeEntry* node = FindNode(maps.get(), nid);
    ASSERT_NE(node->pSubnodeBlock, nullptr);
    int nestedMaps = 0;
    for (BbtEntry* block = maps->pFirstBlock; block; block = block->pNext) {
        std::vector<uint8_t> data;
        if (block == node->pSubnodeBlock || ReadBlock(maps.get(), block->blockId, data) < 2) continue;
        if (fmt::LoadLe16(data.data()) == fmt::kSlBlockTag) {
            block->offset = unreachable;
            ++nestedMaps;
        }
    }
    ASSERT_GT(nestedMaps, 0);
    EXPECT_THROW(ReadSubnodeMap(maps.get(), node->pSubnodeBlock), StoreFileException);

    OpenedStore values = OpenStoreBytes(bytes);
    ASSERT_TRUE(values.context);
    node = FindNode(values.get(), nid);
    SubnodeEntry* map = ReadSubnodeMap(values.get(), node->pSubnodeBlock);
    ASSERT_NE(map, nullptr);
    for (SubnodeEntry* e = map; e; e = e->pNext) e->pDataBlock->offset = unreachable;
    EXPECT_THROW(ReadNodeProperties(values.get(), node->pDataBlock->blockId, map), StoreFileException);
    FreeSubnodeMap(map);
}

}  // namespace
