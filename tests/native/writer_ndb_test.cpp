// The writer's node layer: stores it makes are walked by an independent
// checker (writer_ndb_check.h) and compared with a store made by Outlook.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/temp_file.h"
#include "writer/ndb_writer.h"
#include "writer_ndb_check.h"

using testing_support::ReadWholeFile;
using testing_support::TempFile;
using writer::Variant;

namespace {

std::string JoinProblems(const std::vector<std::string>& p) {
    std::string s;
    for (const auto& x : p) s += x + "\n";
    return s;
}

std::vector<uint8_t> Pattern(size_t size, uint32_t seed) {
    std::vector<uint8_t> v(size);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : v) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    return v;
}

std::vector<uint8_t> ReferenceFile(const std::string& name) {
    return ReadWholeFile(std::string(REFERENCE_DIR) + "/" + name);
}

// ---- the checker itself, on stores made by Outlook -----------------------------

class WriterNdbChecker : public ::testing::TestWithParam<const char*> {};

TEST_P(WriterNdbChecker, AcceptsRealStore) {
    ndbcheck::Store store(ReadWholeFile(testing_support::SamplePath(GetParam())), false);
    ASSERT_GT(store.nodes.size(), 10u);
    for (const auto& n : store.nodes) {
        store.ReadData(n.bidData);
        store.ReadSubnodes(n.bidSub);
    }
    EXPECT_TRUE(store.problems.empty()) << JoinProblems(store.problems);
}

INSTANTIATE_TEST_SUITE_P(Samples, WriterNdbChecker,
                         ::testing::Values("ansi-outlook97-mail.pst", "ansi-sample2-attachment.pst",
                                           "unicode-crypt-none.pst", "unicode-crypt-high.pst",
                                           "unicode-nested-msg.pst", "ost-unicode-sample.ost"));

// ---- an empty store like Outlook's ------------------------------------------------

// Rebuilds Outlook's empty store node by node and compares what a writer
// fixes by itself: header fields, map pages, density list, file size.
TEST(WriterNdb, RebuildsOutlookEmptyStoreLayout) {
    const std::vector<uint8_t> outlookBytes = ReferenceFile("samples/Empty.pst");
    ndbcheck::Store outlook(outlookBytes, false);
    ASSERT_TRUE(outlook.problems.empty()) << JoinProblems(outlook.problems);
    ASSERT_EQ(outlook.nodes.size(), 47u);

    writer::StoreOptions options;          // UTF-16, permutation, .pst
    writer::NdbWriter ndb(options);
    for (const auto& n : outlook.nodes) {
        writer::Node node;
        node.nid = n.nid;
        node.parentNid = n.parent;
        node.data.stream = outlook.ReadData(n.bidData);
        ndb.AddNode(std::move(node));
    }
    const std::vector<uint8_t> ours = ndb.WriteMemory();
    ndbcheck::Store store(ours, true);
    ASSERT_TRUE(store.problems.empty()) << JoinProblems(store.problems);

    ASSERT_EQ(ours.size(), outlookBytes.size());
    EXPECT_EQ(store.ibAMapLast, outlook.ibAMapLast);
    EXPECT_EQ(store.fAMapValid, outlook.fAMapValid);
    EXPECT_EQ(store.crypt, 1);
    // Magic, client magic, versions and platforms; rgnid; rgbFM, rgbFP, sentinel, crypt.
    EXPECT_EQ(0, std::memcmp(ours.data(), outlookBytes.data(), 4));
    EXPECT_EQ(0, std::memcmp(ours.data() + 8, outlookBytes.data() + 8, 8));
    EXPECT_EQ(0, std::memcmp(ours.data() + 44, outlookBytes.data() + 44, 128)) << "rgnid";
    EXPECT_EQ(0, std::memcmp(ours.data() + 256, outlookBytes.data() + 256, 258));
    // The density list differs in its trailer only; the PMap not at all.
    EXPECT_EQ(0, std::memcmp(ours.data() + 0x4200, outlookBytes.data() + 0x4200, 496));
    EXPECT_EQ(0, std::memcmp(ours.data() + 0x4600, outlookBytes.data() + 0x4600, 512));
    EXPECT_EQ(ours[0x4400], 0xFF);          // the AMap and PMap mark themselves
    ASSERT_EQ(store.nodes.size(), outlook.nodes.size());
    for (size_t i = 0; i < store.nodes.size(); ++i) {
        EXPECT_EQ(store.nodes[i].nid, outlook.nodes[i].nid);
        EXPECT_EQ(store.nodes[i].parent, outlook.nodes[i].parent);
        EXPECT_EQ(store.ReadData(store.nodes[i].bidData), outlook.ReadData(outlook.nodes[i].bidData));
    }
}

// ---- round trips over variants, encodings and client magics -------------------------

struct Flavour {
    Variant variant;
    uint8_t crypt;
    bool ost;
};

class WriterNdbRoundTrip : public ::testing::TestWithParam<Flavour> {};

writer::Subnode MakeSubnode(uint32_t nid, std::vector<uint8_t> data) {
    writer::Subnode s;
    s.nid = nid;
    s.data.stream = std::move(data);
    return s;
}

TEST_P(WriterNdbRoundTrip, EveryNodeAndSubnodeReadsBack) {
    const Flavour fl = GetParam();
    const size_t max = writer::MaxBlockData(fl.variant);
    writer::StoreOptions options;
    options.variant = fl.variant;
    options.cryptMethod = fl.crypt;
    options.ost = fl.ost;
    writer::NdbWriter ndb(options);

    const std::vector<uint8_t> small = Pattern(300, 1), exact = Pattern(max, 2),
                               large = Pattern(3 * max + 17, 3), lts = Pattern(2 * max, 4);
    const std::vector<std::vector<uint8_t>> heapPages = {Pattern(max, 5), Pattern(12, 6), Pattern(3000, 7)};
    // Added out of order and with a child before its parent.
    {
        writer::Node msg;
        msg.nid = 0x200004;
        msg.parentNid = 0x8022;
        msg.data.stream = large;
        msg.subnodes.push_back(MakeSubnode(0x692, small));
        writer::Subnode att = MakeSubnode(0x8025, exact);
        att.subnodes.push_back(MakeSubnode(0x801F, lts));
        att.subnodes.push_back(MakeSubnode(0x803F, {}));   // an empty value
        msg.subnodes.push_back(std::move(att));
        msg.subnodes.push_back(MakeSubnode(0x671, small));
        ndb.AddNode(std::move(msg));
    }
    writer::Node store;
    store.nid = 0x21;
    store.data.stream = small;
    ndb.AddNode(std::move(store));
    writer::Node map;
    map.nid = 0x61;
    map.data.blocks = heapPages;
    ndb.AddNode(std::move(map));
    writer::Node root;
    root.nid = 0x122;
    root.parentNid = 0x122;
    root.data.blocks = {small};
    ndb.AddNode(std::move(root));
    writer::Node empty;
    empty.nid = 0x1E1;
    ndb.AddNode(std::move(empty));
    writer::Node folder;
    folder.nid = 0x8022;
    folder.parentNid = 0x122;
    folder.data.stream = exact;
    ndb.AddNode(std::move(folder));

    const std::vector<uint8_t> bytes = ndb.WriteMemory();
    TempFile file(std::vector<uint8_t>{}, fl.ost ? ".ost" : ".pst");
    ASSERT_TRUE(ndb.WriteFile(file.path()));
    EXPECT_EQ(ReadWholeFile(file.path()), bytes) << "file and memory output differ";

    ndbcheck::Store s(bytes, true);
    EXPECT_EQ(s.unicode, fl.variant == Variant::Unicode);
    EXPECT_EQ(s.crypt, fl.crypt);
    EXPECT_EQ(s.magicClient, fl.ost ? 0x4F53 : 0x4D53);
    ASSERT_EQ(s.nodes.size(), 6u);
    const uint32_t order[] = {0x21, 0x61, 0x122, 0x1E1, 0x8022, 0x200004};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(s.nodes[i].nid, order[i]);

    EXPECT_EQ(s.ReadData(s.FindNode(0x21)->bidData), small);
    EXPECT_EQ(s.FindNode(0x1E1)->bidData, 0u);
    EXPECT_EQ(s.FindNode(0x122)->parent, 0x122u);
    EXPECT_EQ(s.FindNode(0x8022)->bidData & 2, 0u) << "a full block is one block";
    EXPECT_EQ(s.ReadData(s.FindNode(0x8022)->bidData), exact);
    // Heap pages keep their boundaries.
    const uint64_t heapBid = s.FindNode(0x61)->bidData;
    EXPECT_EQ(s.LeafSizes(heapBid), (std::vector<uint16_t>{uint16_t(max), 12, 3000}));
    std::vector<uint8_t> heapAll;
    for (const auto& p : heapPages) heapAll.insert(heapAll.end(), p.begin(), p.end());
    EXPECT_EQ(s.ReadData(heapBid, false), heapAll);
    // A stream is cut into full blocks.
    const auto* msg = s.FindNode(0x200004);
    EXPECT_EQ(msg->parent, 0x8022u);
    EXPECT_EQ(s.LeafSizes(msg->bidData), (std::vector<uint16_t>{uint16_t(max), uint16_t(max), uint16_t(max), 17}));
    EXPECT_EQ(s.ReadData(msg->bidData), large);
    const auto subs = s.ReadSubnodes(msg->bidSub);
    ASSERT_EQ(subs.size(), 3u);
    EXPECT_EQ(subs[0].nid, 0x671u);
    EXPECT_EQ(subs[1].nid, 0x692u);
    EXPECT_EQ(subs[2].nid, 0x8025u);
    EXPECT_EQ(subs[0].data, small);
    EXPECT_EQ(subs[2].data, exact);
    ASSERT_EQ(subs[2].children.size(), 2u);
    EXPECT_EQ(subs[2].children[0].nid, 0x801Fu);
    EXPECT_EQ(subs[2].children[0].data, lts);
    EXPECT_EQ(subs[2].children[1].bidData, 0u);
    EXPECT_EQ(s.SubnodeTopLevel(msg->bidSub), 0);
    EXPECT_TRUE(s.problems.empty()) << JoinProblems(s.problems);
}

INSTANTIATE_TEST_SUITE_P(
    Flavours, WriterNdbRoundTrip,
    ::testing::Values(Flavour{Variant::Unicode, 0, false}, Flavour{Variant::Unicode, 1, false},
                      Flavour{Variant::Unicode, 2, false}, Flavour{Variant::Unicode, 1, true},
                      Flavour{Variant::Ansi, 0, false}, Flavour{Variant::Ansi, 1, false},
                      Flavour{Variant::Ansi, 2, false}, Flavour{Variant::Ansi, 1, true}));

// ---- large structures ---------------------------------------------------------------

class WriterNdbLarge : public ::testing::TestWithParam<Variant> {};

// Data above one XBLOCK's reach becomes an XXBLOCK; more subnodes than one
// SLBLOCK holds go under an SIBLOCK.
TEST_P(WriterNdbLarge, XxBlockAndSiBlock) {
    writer::StoreOptions options;
    options.variant = GetParam();
    options.cryptMethod = 2;
    const bool unicode = GetParam() == Variant::Unicode;
    const size_t max = writer::MaxBlockData(GetParam());
    const size_t perXBlock = unicode ? 1021 : 2043;
    const size_t perSlBlock = unicode ? 340 : 681;
    writer::NdbWriter ndb(options);

    writer::Node big;
    big.nid = 0x21;
    big.data.stream = Pattern(perXBlock * max + 5, 9);
    const std::vector<uint8_t> bigCopy = big.data.stream;
    const size_t subCount = 2 * perSlBlock + 3;
    for (size_t i = 0; i < subCount; ++i)
        big.subnodes.push_back(MakeSubnode(static_cast<uint32_t>(0x1F + 32 * (subCount - i)), Pattern(20, uint32_t(i))));
    ndb.AddNode(std::move(big));

    ndbcheck::Store s(ndb.WriteMemory(), true);
    const auto* n = s.FindNode(0x21);
    ASSERT_NE(n, nullptr);
    const auto top = s.RawBlock(n->bidData);
    ASSERT_GE(top.size(), 8u);
    EXPECT_EQ(top[0], 1);
    EXPECT_EQ(top[1], 2) << "XXBLOCK";
    EXPECT_EQ(top[2], 2) << "two XBLOCKs";
    EXPECT_EQ(s.ReadData(n->bidData), bigCopy);
    EXPECT_EQ(s.SubnodeTopLevel(n->bidSub), 1) << "SIBLOCK";
    const auto subs = s.ReadSubnodes(n->bidSub);
    ASSERT_EQ(subs.size(), subCount);
    for (size_t i = 0; i < subCount; ++i) {
        EXPECT_EQ(subs[i].nid, 0x1F + 32 * (i + 1));
        EXPECT_EQ(subs[i].data, Pattern(20, uint32_t(subCount - 1 - i)));
    }
    EXPECT_TRUE(s.problems.empty()) << JoinProblems(s.problems);
}

// Thousands of nodes: B-trees of several levels, several AMap intervals.
TEST_P(WriterNdbLarge, ManyNodesMakeDeepTrees) {
    writer::StoreOptions options;
    options.variant = GetParam();
    writer::NdbWriter ndb(options);
    const uint32_t count = 7000;
    for (uint32_t i = count; i > 0; --i) {
        writer::Node n;
        n.nid = (0x10000 + i) << 5 | 4;
        n.parentNid = 0x8022;
        n.data.stream = Pattern(40 + i % 200, i);
        ndb.AddNode(std::move(n));
    }
    ndbcheck::Store s(ndb.WriteMemory(), true);
    EXPECT_TRUE(s.problems.empty()) << JoinProblems(s.problems);
    ASSERT_EQ(s.nodes.size(), count);
    for (uint32_t i = 0; i < count; i += 611) {
        EXPECT_EQ(s.nodes[i].nid, ((0x10000 + i + 1) << 5 | 4));
        EXPECT_EQ(s.ReadData(s.nodes[i].bidData), Pattern(40 + (i + 1) % 200, i + 1));
    }
    EXPECT_GE(s.nbtDepth, 3);
    EXPECT_GE(s.bbtDepth, 3);
    EXPECT_GT(s.ibFileEof, 0x4400u + 253952u);
    // The message counter slot follows the highest message index.
    const size_t rgnid = GetParam() == Variant::Unicode ? 44 : 36;
    EXPECT_EQ(fmt::LoadLe32(s.bytes().data() + rgnid + 4 * 4), 0x10000u + count);
}

INSTANTIATE_TEST_SUITE_P(Variants, WriterNdbLarge, ::testing::Values(Variant::Unicode, Variant::Ansi));

// Past 128 intervals an FMap page is due; past the memory limit the blocks
// go through a temporary file. Both outputs must still be the same bytes.
TEST(WriterNdb, FMapAndSpooledOutput) {
    writer::StoreOptions options;
    options.cryptMethod = 0;
    options.memoryLimit = 1 << 20;
    writer::NdbWriter ndb(options);
    const size_t max = writer::MaxBlockData(Variant::Unicode);
    for (uint32_t i = 0; i < 4100; ++i) {
        writer::Node n;
        n.nid = (0x10000 + i) << 5 | 4;
        n.data.stream.assign(max, static_cast<uint8_t>(i));
        ndb.AddNode(std::move(n));
    }
    const std::vector<uint8_t> bytes = ndb.WriteMemory();
    TempFile file(std::vector<uint8_t>{});
    ASSERT_TRUE(ndb.WriteFile(file.path()));
    EXPECT_TRUE(ReadWholeFile(file.path()) == bytes);

    ndbcheck::Store s(bytes, true);
    EXPECT_TRUE(s.problems.empty()) << JoinProblems(s.problems);
    const uint64_t intervals = (s.ibFileEof - 0x4400) / 253952;
    ASSERT_GT(intervals, 128u);
    const uint8_t* fmap = bytes.data() + 0x4400 + 128 * 253952 + 1024;
    EXPECT_EQ(fmap[496], fmt::kPageFMap);
    // Interval 128 holds three map pages and 30 blocks of 8 KiB: 6656 bytes
    // (104 units) stay free at its end.
    EXPECT_EQ(fmap[0], 104);
    EXPECT_EQ(fmap[intervals - 128], 0) << "no interval beyond the file";
}

// Data read from a source (an attachment file) of a whole number of blocks
// fills them exactly, with no empty block after them, as a stream does.
TEST(WriterNdb, SourcesOfWholeBlocksEndWithAFullBlock) {
    struct Source : writer::DataSource {
        explicit Source(std::vector<uint8_t> b) : bytes(std::move(b)) {}
        uint64_t Size() const override { return bytes.size(); }
        size_t Read(uint8_t* out, size_t size) override {
            const size_t n = std::min(size, bytes.size() - at);
            std::memcpy(out, bytes.data() + at, n);
            at += n;
            return n;
        }
        std::vector<uint8_t> bytes;
        size_t at = 0;
    };
    for (Variant v : {Variant::Unicode, Variant::Ansi}) {
        const size_t max = writer::MaxBlockData(v);
        writer::StoreOptions options;
        options.variant = v;
        writer::NdbWriter ndb(options);
        for (uint32_t blocks = 1; blocks <= 2; ++blocks) {
            writer::Node n;
            n.nid = 0x21 + 0x20 * blocks;
            n.data.source = std::make_shared<Source>(Pattern(blocks * max, blocks));
            ndb.AddNode(std::move(n));
        }
        ndbcheck::Store s(ndb.WriteMemory(), true);
        for (uint32_t blocks = 1; blocks <= 2; ++blocks) {
            const uint64_t bid = s.FindNode(0x21 + 0x20 * blocks)->bidData;
            EXPECT_EQ(s.LeafSizes(bid), std::vector<uint16_t>(blocks, uint16_t(max))) << blocks;
            EXPECT_EQ(s.ReadData(bid), Pattern(blocks * max, blocks));
        }
        EXPECT_TRUE(s.problems.empty()) << JoinProblems(s.problems);
    }
}

}  // namespace

namespace {

TEST(WriterNdb, WriteFileReportsFailure) {
    writer::NdbWriter ndb{writer::StoreOptions{}};
    writer::Node n;
    n.nid = 0x21;
    n.data.stream = Pattern(100, 1);
    ndb.AddNode(std::move(n));
    const std::filesystem::path missing = std::filesystem::temp_directory_path() / "no-such-folder-ndb" / "x.pst";
    EXPECT_FALSE(ndb.WriteFile(missing.u8string()));
    EXPECT_FALSE(ndb.WriteMemory().empty()) << "the writer still works after a failed write";
    EXPECT_THROW(ndb.AddNode(writer::Node{}), std::logic_error);
}

}  // namespace
