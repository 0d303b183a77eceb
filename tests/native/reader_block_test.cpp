// Blocks, data trees and subnode maps: decoding on real samples of all three
// encodings, and data trees and maps of stores made by the writer.
#include <gtest/gtest.h>

#include "support/temp_file.h"

#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "format/layout.h"
#include "reader/ndb_block.h"
#include "reader_ndb_test_util.h"
#include "writer/ndb_writer.h"

using namespace reader_test;

namespace {

std::vector<uint8_t> Pattern(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(x >> 24);
    }
    return bytes;
}

std::vector<uint8_t> Streamed(StoreContext* context, BbtEntry* block) {
    std::vector<uint8_t> out;
    DataSink sink;
    sink.pVector = &out;
    const uint64_t size = ReadBlockToSink(block, context, sink);
    EXPECT_EQ(size, out.size());
    return out;
}

// ---- real samples: the message store node's heap after decoding ------------------

class ReaderBlockSample : public ::testing::TestWithParam<const char*> {};

TEST_P(ReaderBlockSample, MessageStoreHeapDecodes) {
    RecordingObserver observer;
    OpenedStore store = OpenSample(GetParam());
    ASSERT_TRUE(store.context);
    NodeEntry* node = FindNode(store.get(), fmt::kNidMessageStore);
    ASSERT_NE(node, nullptr);
    ASSERT_NE(node->pDataBlock, nullptr);

    std::vector<uint8_t> raw;
    const uint64_t read = ReadBlock(store.get(), node->pDataBlock->blockId, raw);
    ASSERT_EQ(read, node->pDataBlock->byteCount);
    ASSERT_EQ(raw.size(), read);
    std::vector<uint8_t> decoded = raw;
    const int result = DecodeBlock(store->cryptMethod, decoded.data(),
                                   static_cast<uint32_t>(node->pDataBlock->blockId), decoded.size());
    EXPECT_EQ(result, store->cryptMethod == 0 ? -1 : 0);
    EXPECT_EQ(decoded[fmt::kHeapHeader_bSig], fmt::kHeapSignature);
    EXPECT_EQ(decoded[fmt::kHeapHeader_bClientSig], fmt::kClientSigPc);
    if (store->cryptMethod != 0) {
        EXPECT_NE(raw, decoded);
    }
    EXPECT_EQ(Streamed(store.get(), node->pDataBlock), decoded) << "a plain block is streamed decoded";
}

INSTANTIATE_TEST_SUITE_P(Encodings, ReaderBlockSample,
                         ::testing::Values("unicode-crypt-none.pst", "unicode-crypt-high.pst",
                                           "unicode-empty-folders.pst", "ansi-empty-folders.pst",
                                           "ost-unicode-sample.ost"));

// ---- data trees and maps of writer-made stores ---------------------------------

struct TreeCase {
    writer::Variant variant;
    uint8_t crypt;
};

class ReaderBlockTree : public ::testing::TestWithParam<TreeCase> {
protected:
    size_t BlockData() const { return writer::MaxBlockData(GetParam().variant); }
    size_t XBlockChildren() const {
        return (BlockData() - 8) / (GetParam().variant == writer::Variant::Unicode ? 8 : 4);
    }

    OpenedStore Make(std::vector<writer::Node> nodes, const std::function<void(writer::NdbDamage&)>& damage = nullptr) {
        writer::StoreOptions options;
        options.variant = GetParam().variant;
        options.cryptMethod = GetParam().crypt;
        writer::NdbWriter ndb(options);
        if (damage) damage(ndb.Damage());
        writer::Node root;
        root.nid = 0x21;
        root.data.stream = {1, 2, 3};
        ndb.AddNode(std::move(root));
        for (auto& n : nodes) ndb.AddNode(std::move(n));
        return OpenStoreBytes(ndb.WriteMemory());
    }
    RecordingObserver observer;
};

writer::Node NodeWithStream(uint32_t nid, std::vector<uint8_t> stream) {
    writer::Node node;
    node.nid = nid;
    node.data.stream = std::move(stream);
    return node;
}

TEST_P(ReaderBlockTree, StreamsSingleBlocksAndXBlocksInOrder) {
    const auto small = Pattern(100, 1);
    const auto exact = Pattern(BlockData(), 2);
    const auto several = Pattern(3 * BlockData() + 5, 3);
    std::vector<writer::Node> nodes;
    nodes.push_back(NodeWithStream(0x42, small));
    nodes.push_back(NodeWithStream(0x62, exact));
    nodes.push_back(NodeWithStream(0x82, several));
    OpenedStore store = Make(std::move(nodes));
    ASSERT_TRUE(store.context);

    EXPECT_EQ(Streamed(store.get(), FindNode(store.get(), 0x42)->pDataBlock), small);
    EXPECT_EQ(Streamed(store.get(), FindNode(store.get(), 0x62)->pDataBlock), exact);
    BbtEntry* tree = FindNode(store.get(), 0x82)->pDataBlock;
    EXPECT_TRUE(tree->blockId & fmt::kBidInternalBit);
    EXPECT_EQ(Streamed(store.get(), tree), several);

    // A data tree streamed on from a position, and into a file.
    std::vector<uint8_t> out(7, 0xEE);
    DataSink sink;
    sink.pVector = &out;
    EXPECT_EQ(ReadDataTreeToSink(store.get(), tree->blockId, sink, 7), 7 + several.size());
    EXPECT_TRUE(std::equal(several.begin(), several.end(), out.begin() + 7));
    EXPECT_EQ(out[6], 0xEE);

    std::FILE* file = testing_support::OpenScratchFile();
    ASSERT_NE(file, nullptr);
    DataSink fileSink;
    fileSink.pFile = file;
    EXPECT_EQ(ReadBlockToSink(tree, store.get(), fileSink), several.size());
    std::rewind(file);
    std::vector<uint8_t> back(several.size() + 1);
    EXPECT_EQ(std::fread(back.data(), 1, back.size(), file), several.size());
    back.resize(several.size());
    EXPECT_EQ(back, several);
    std::fclose(file);

    // A vector sink that cannot hold the tree ends the read with 0.
    const uint64_t saved = g_nVectorSinkLimit;
    g_nVectorSinkLimit = 2 * BlockData();
    std::vector<uint8_t> limited;
    DataSink limitedSink;
    limitedSink.pVector = &limited;
    EXPECT_EQ(ReadBlockToSink(tree, store.get(), limitedSink), 0u);
    g_nVectorSinkLimit = saved;
}

TEST_P(ReaderBlockTree, StreamsAnXXBlockChildAfterChild) {
    const auto huge = Pattern((XBlockChildren() + 2) * BlockData() + 11, 4);
    std::vector<writer::Node> nodes;
    nodes.push_back(NodeWithStream(0x42, huge));
    OpenedStore store = Make(std::move(nodes));
    ASSERT_TRUE(store.context);
    BbtEntry* tree = FindNode(store.get(), 0x42)->pDataBlock;
    std::vector<uint8_t> top;
    ASSERT_GT(ReadBlock(store.get(), tree->blockId, top), 2u);
    EXPECT_EQ(fmt::LoadLe16(top.data()), fmt::kXXBlockTag);
    EXPECT_EQ(Streamed(store.get(), tree), huge);
}

TEST_P(ReaderBlockTree, XBlockWithAZeroByteChildGivesNothing) {
    std::vector<writer::Node> nodes;
    nodes.push_back(NodeWithStream(0x42, Pattern(2 * BlockData() + 1, 5)));
    OpenedStore store = Make(std::move(nodes), [](writer::NdbDamage& d) { d.zeroByteXBlockChildNid = 0x42; });
    ASSERT_TRUE(store.context);
    EXPECT_EQ(Streamed(store.get(), FindNode(store.get(), 0x42)->pDataBlock).size(), 0u);
}

TEST_P(ReaderBlockTree, ExcessEntryCountsReadOnlyWhatTheBlockHolds) {
    const auto data = Pattern(2 * BlockData() + 1, 6);
    writer::Node node = NodeWithStream(0x42, data);
    for (uint32_t i = 1; i <= 3; ++i) {
        writer::Subnode sub;
        sub.nid = (i << 5) | 0x1F;
        sub.data.stream = Pattern(10 * i, i);
        node.subnodes.push_back(std::move(sub));
    }
    std::vector<writer::Node> nodes;
    nodes.push_back(std::move(node));
    OpenedStore store = Make(std::move(nodes), [](writer::NdbDamage& d) {
        d.excessEntryCountNid = 0x42;
        d.excessEntryCountAdd = 0x7000;
    });
    ASSERT_TRUE(store.context);
    NodeEntry* n = FindNode(store.get(), 0x42);
    EXPECT_EQ(Streamed(store.get(), n->pDataBlock), data);
    SubnodeEntry* map = ReadSubnodeMap(store.get(), n->pSubnodeBlock);
    int entries = 0;
    for (SubnodeEntry* e = map; e; e = e->pNext) ++entries;
    EXPECT_EQ(entries, 3);
    FreeSubnodeMap(map);
}

TEST_P(ReaderBlockTree, SubnodeMapsNestAndAreSearchedDepthFirst) {
    writer::Node node = NodeWithStream(0x42, {9});
    writer::Subnode outer;
    outer.nid = 0x3F;
    outer.data.stream = Pattern(50, 7);
    writer::Subnode inner;
    inner.nid = 0x5F;
    inner.data.stream = Pattern(3 * BlockData(), 8);  // a data tree inside a nested map
    outer.subnodes.push_back(std::move(inner));
    writer::Subnode sameIdLater;
    sameIdLater.nid = 0x5F;
    sameIdLater.data.stream = Pattern(20, 9);
    writer::Subnode last;
    last.nid = 0x7F;
    last.data.stream = Pattern(30, 10);
    node.subnodes.push_back(std::move(outer));
    node.subnodes.push_back(std::move(last));
    writer::Node other = NodeWithStream(0x62, {8});
    other.subnodes.push_back(std::move(sameIdLater));
    std::vector<writer::Node> nodes;
    nodes.push_back(std::move(node));
    nodes.push_back(std::move(other));
    OpenedStore store = Make(std::move(nodes));
    ASSERT_TRUE(store.context);

    NodeEntry* n = FindNode(store.get(), 0x42);
    ASSERT_NE(n->pSubnodeBlock, nullptr);
    SubnodeEntry* map = ReadSubnodeMap(store.get(), n->pSubnodeBlock);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->subnodeId, 0x3Fu);
    ASSERT_NE(map->pNested, nullptr);
    EXPECT_EQ(map->pNested->subnodeId, 0x5Fu);
    ASSERT_NE(map->pNext, nullptr);
    EXPECT_EQ(map->pNext->subnodeId, 0x7Fu);
    EXPECT_EQ(FindSubnode(map, 0x5F), map->pNested);
    EXPECT_EQ(FindSubnode(map, 0x9F), nullptr);

    std::vector<uint8_t> out;
    DataSink sink;
    sink.pVector = &out;
    EXPECT_EQ(ReadSubnodeData(map, store.get(), 0x5F, sink), 3 * BlockData());
    EXPECT_EQ(out, Pattern(3 * BlockData(), 8));
    out.clear();
    EXPECT_EQ(ReadSubnodeData(map, store.get(), 0x7F, sink), 30u);
    EXPECT_EQ(out, Pattern(30, 10));
    EXPECT_EQ(ReadSubnodeData(map, store.get(), 0x9F, sink), 0u);
    FreeSubnodeMap(map);

    // The map of a node without subnodes, and of a data block, is empty.
    EXPECT_EQ(ReadSubnodeMap(store.get(), nullptr), nullptr);
    EXPECT_EQ(ReadSubnodeMap(store.get(), n->pDataBlock), nullptr);
}

TEST_P(ReaderBlockTree, SubnodesWithoutBlocksAreLeftOutAndSiBlocksAreRead) {
    auto withSubnodes = [](uint32_t nid, uint32_t count) {
        writer::Node node = NodeWithStream(nid, {1});
        for (uint32_t i = 1; i <= count; ++i) {
            writer::Subnode sub;
            sub.nid = (i << 5) | 0x1F;
            sub.data.stream = {static_cast<uint8_t>(i)};
            node.subnodes.push_back(std::move(sub));
        }
        return node;
    };
    auto idsOf = [](StoreContext* context, NodeEntry* node) {
        std::vector<uint32_t> ids;
        SubnodeEntry* map = ReadSubnodeMap(context, node->pSubnodeBlock);
        for (SubnodeEntry* e = map; e; e = e->pNext) ids.push_back(e->subnodeId);
        FreeSubnodeMap(map);
        return ids;
    };
    std::vector<writer::Node> nodes;
    nodes.push_back(withSubnodes(0x42, 3));
    OpenedStore missing = Make(std::move(nodes), [](writer::NdbDamage& d) { d.missingSubnodeBlockNid = 0x42; });
    ASSERT_TRUE(missing.context);
    EXPECT_EQ(idsOf(missing.get(), FindNode(missing.get(), 0x42)), (std::vector<uint32_t>{0x5F, 0x7F}))
        << "the first subnode's block is not in the list";

    std::vector<writer::Node> more;
    more.push_back(withSubnodes(0x42, 3));
    OpenedStore si = Make(std::move(more), [](writer::NdbDamage& d) { d.forceSiBlock = true; });
    ASSERT_TRUE(si.context);
    EXPECT_EQ(idsOf(si.get(), FindNode(si.get(), 0x42)), (std::vector<uint32_t>{0x3F, 0x5F, 0x7F}));

    // More subnodes than one SLBLOCK holds: an SIBLOCK over three of them.
    const uint32_t perSlBlock = GetParam().variant == writer::Variant::Unicode ? 340 : 681;
    std::vector<writer::Node> many;
    many.push_back(withSubnodes(0x42, 2 * perSlBlock + 3));
    OpenedStore big = Make(std::move(many));
    ASSERT_TRUE(big.context);
    const std::vector<uint32_t> ids = idsOf(big.get(), FindNode(big.get(), 0x42));
    ASSERT_EQ(ids.size(), 2 * perSlBlock + 3);
    for (uint32_t i = 0; i < ids.size(); ++i) ASSERT_EQ(ids[i], ((i + 1) << 5) | 0x1F) << i;
}

INSTANTIATE_TEST_SUITE_P(Encodings, ReaderBlockTree,
                         ::testing::Values(TreeCase{writer::Variant::Unicode, 0}, TreeCase{writer::Variant::Unicode, 1},
                                           TreeCase{writer::Variant::Unicode, 2}, TreeCase{writer::Variant::Ansi, 0},
                                           TreeCase{writer::Variant::Ansi, 1}, TreeCase{writer::Variant::Ansi, 2}),
                         [](const ::testing::TestParamInfo<TreeCase>& info) {
                             return std::string(info.param.variant == writer::Variant::Ansi ? "Ansi" : "Unicode") +
                                    "Crypt" + std::to_string(info.param.crypt);
                         });

}  // namespace
