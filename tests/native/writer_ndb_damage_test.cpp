// The damage hooks of the writer's node layer: each must make exactly the
// fault the reader's tests ask for and leave the rest of the store sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "writer/ndb_writer.h"
#include "writer_ndb_check.h"

using writer::Variant;

namespace {

std::vector<uint8_t> Bytes(size_t size, uint8_t seed) {
    std::vector<uint8_t> v(size);
    for (size_t i = 0; i < size; ++i) v[i] = static_cast<uint8_t>(seed + i * 7);
    return v;
}

// Five nodes, added out of order: a message (three-block stream, two
// subnodes) before its folder, the store, the root folder and the map.
std::vector<writer::Node> SmallStoreNodes(Variant v) {
    const size_t max = writer::MaxBlockData(v);
    std::vector<writer::Node> nodes(5);
    nodes[0].nid = 0x200004;
    nodes[0].parentNid = 0x8022;
    nodes[0].data.stream = Bytes(2 * max + 100, 1);
    for (uint32_t nid : {0x692u, 0x671u}) {
        writer::Subnode s;
        s.nid = nid;
        s.data.stream = Bytes(50, static_cast<uint8_t>(nid));
        nodes[0].subnodes.push_back(std::move(s));
    }
    nodes[1].nid = 0x21;
    nodes[1].data.stream = Bytes(200, 2);
    nodes[2].nid = 0x122;
    nodes[2].parentNid = 0x122;
    nodes[2].data.stream = Bytes(60, 3);
    nodes[3].nid = 0x8022;
    nodes[3].parentNid = 0x122;
    nodes[3].data.stream = Bytes(90, 4);
    nodes[4].nid = 0x61;
    nodes[4].data.stream = Bytes(300, 5);
    return nodes;
}

ndbcheck::Store Make(Variant v, const std::function<void(writer::NdbDamage&)>& damage,
                     std::vector<writer::Node> nodes = {}) {
    writer::StoreOptions options;
    options.variant = v;
    writer::NdbWriter ndb(options);
    damage(ndb.Damage());
    if (nodes.empty()) nodes = SmallStoreNodes(v);
    for (auto& n : nodes) ndb.AddNode(std::move(n));
    return ndbcheck::Store(ndb.WriteMemory(), true);
}

bool HasProblem(const ndbcheck::Store& s, const std::string& text) {
    return std::any_of(s.problems.begin(), s.problems.end(),
                       [&](const std::string& p) { return p.find(text) != std::string::npos; });
}

std::vector<writer::Node> EmptyNodes(uint32_t count) {
    std::vector<writer::Node> nodes(count);
    for (uint32_t i = 0; i < count; ++i) {
        nodes[i].nid = (0x400 + i) << 5 | 2;
        nodes[i].data.stream = Bytes(10, static_cast<uint8_t>(i));
    }
    return nodes;
}

class WriterNdbDamage : public ::testing::TestWithParam<Variant> {};

TEST_P(WriterNdbDamage, SoundByDefault) {
    const ndbcheck::Store s = Make(GetParam(), [](writer::NdbDamage&) {});
    EXPECT_TRUE(s.problems.empty());
    EXPECT_EQ(s.bbtDepth, 1) << "a small store's block B-tree root is a leaf";
    EXPECT_EQ(s.nodes.front().nid, 0x21u);
}

TEST_P(WriterNdbDamage, NodeTreeEntries) {
    // Added order kept: the message comes first, before its parent folder.
    const ndbcheck::Store kept = Make(GetParam(), [](writer::NdbDamage& d) { d.keepNodeOrder = true; });
    ASSERT_EQ(kept.nodes.size(), 5u);
    EXPECT_EQ(kept.nodes[0].nid, 0x200004u);
    EXPECT_EQ(kept.nodes[3].nid, 0x8022u);
    EXPECT_TRUE(HasProblem(kept, "keys not ascending"));

    const ndbcheck::Store dup = Make(GetParam(), [](writer::NdbDamage& d) {
        d.duplicateNodeEntries = {0x122};
        d.selfParentNid = 0x8022;
    });
    ASSERT_EQ(dup.nodes.size(), 6u);
    EXPECT_EQ(dup.nodes[2].nid, 0x122u);
    EXPECT_EQ(dup.nodes[3].nid, 0x122u);
    EXPECT_EQ(dup.FindNode(0x8022)->parent, 0x8022u);
    EXPECT_EQ(dup.FindNode(0x200004)->parent, 0x8022u);
}

TEST_P(WriterNdbDamage, MissingBlocks) {
    ndbcheck::Store s = Make(GetParam(), [](writer::NdbDamage& d) {
        d.missingDataBlockNid = 0x21;
        d.missingSubnodeBlockNid = 0x200004;
    });
    const uint64_t storeData = s.FindNode(0x21)->bidData;
    EXPECT_NE(storeData, 0u);
    EXPECT_EQ(s.blocks.count(storeData), 0u);
    EXPECT_EQ(s.blocks.count(s.FindNode(0x61)->bidData), 1u);
    // The first subnode in id order (0x671) lost its block, 0x692 did not.
    const auto raw = s.RawBlock(s.FindNode(0x200004)->bidSub);
    const size_t head = GetParam() == Variant::Unicode ? 8 : 4, id = GetParam() == Variant::Unicode ? 8 : 4;
    ASSERT_EQ(raw.size(), head + 2 * 3 * id);
    const auto idAt = [&](size_t off) { return id == 8 ? fmt::LoadLe64(&raw[off]) : fmt::LoadLe32(&raw[off]); };
    EXPECT_EQ(idAt(head), 0x671u);
    EXPECT_EQ(s.blocks.count(idAt(head + id)), 0u);
    EXPECT_EQ(idAt(head + 3 * id), 0x692u);
    EXPECT_EQ(s.blocks.count(idAt(head + 4 * id)), 1u);
}

TEST_P(WriterNdbDamage, PageEntryCounts) {
    const bool unicode = GetParam() == Variant::Unicode;
    const int full = unicode ? 20 : 41;
    // One block per leaf: the root holds exactly as many entries as allowed.
    auto manyLeaves = [&](uint8_t add) {
        return Make(GetParam(), [&](writer::NdbDamage& d) {
            d.bbtLeafEntries = 1;
            d.bbtRootEntryCountAdd = add;
        }, EmptyNodes(static_cast<uint32_t>(full)));
    };
    const ndbcheck::Store atLimit = manyLeaves(0);
    EXPECT_TRUE(atLimit.problems.empty());
    EXPECT_EQ(atLimit.bbtDepth, 2);
    EXPECT_EQ(atLimit.bytes()[atLimit.bbtIb + (unicode ? 488 : 496)], full);

    const ndbcheck::Store over = manyLeaves(1);
    EXPECT_EQ(over.bytes()[over.bbtIb + (unicode ? 488 : 496)], full + 1);
    EXPECT_TRUE(HasProblem(over, "cEnt above cEntMax"));

    const ndbcheck::Store negative =
        Make(GetParam(), [](writer::NdbDamage& d) { d.nbtRootEntryCountAdd = 0x80; });
    EXPECT_GE(negative.bytes()[negative.nbtIb + (unicode ? 488 : 496)], 0x80);
}

TEST_P(WriterNdbDamage, PageLinks) {
    const bool unicode = GetParam() == Variant::Unicode;
    const size_t id = unicode ? 8 : 4;
    // Two node entries per leaf: an intermediate root over three leaves.
    const ndbcheck::Store mismatch = Make(GetParam(), [](writer::NdbDamage& d) {
        d.nbtLeafEntries = 2;
        d.nbtChildTrailerBidMismatch = true;
    });
    EXPECT_EQ(mismatch.nbtDepth, 2);
    ASSERT_EQ(mismatch.problems.size(), 1u);
    EXPECT_TRUE(HasProblem(mismatch, "trailer bid"));
    EXPECT_EQ(mismatch.nodes.size(), 5u) << "its siblings are still there";

    const ndbcheck::Store loop = Make(GetParam(), [](writer::NdbDamage& d) {
        d.nbtLeafEntries = 2;
        d.nbtLoopToRoot = true;
    });
    const uint8_t* root = loop.bytes().data() + loop.nbtIb;
    const size_t last = 2 * 3 * id;             // the third entry
    EXPECT_EQ(unicode ? fmt::LoadLe64(root + last + 2 * id) : fmt::LoadLe32(root + last + 2 * id), loop.nbtIb);
    EXPECT_EQ(unicode ? fmt::LoadLe64(root + last + id) : fmt::LoadLe32(root + last + id), loop.nbtBid);

    int roots = 0, pages = 0;
    Make(GetParam(), [&](writer::NdbDamage& d) {
        d.pageHook = [&](uint8_t, int, bool isRoot, uint8_t*) {
            ++pages;
            roots += isRoot;
        };
    });
    EXPECT_EQ(roots, 2);
    EXPECT_EQ(pages, 2);
}

TEST_P(WriterNdbDamage, Blocks) {
    const size_t max = writer::MaxBlockData(GetParam());
    ndbcheck::Store s = Make(GetParam(), [](writer::NdbDamage& d) {
        d.wrongBlockTrailerBidNid = 0x21;
        d.badBlockCrcNid = 0x61;
        d.zeroByteXBlockChildNid = 0x200004;
        d.excessEntryCountNid = 0x200004;
        d.excessEntryCountAdd = 2;
    });
    EXPECT_TRUE(HasProblem(s, "block " + ndbcheck::Store::Hex(s.FindNode(0x21)->bidData) + ": trailer bid"));
    EXPECT_TRUE(HasProblem(s, "block " + ndbcheck::Store::Hex(s.FindNode(0x61)->bidData) + ": CRC"));
    const auto* msg = s.FindNode(0x200004);
    const auto xblock = s.RawBlock(msg->bidData);
    ASSERT_GE(xblock.size(), 8u);
    EXPECT_EQ(fmt::LoadLe16(&xblock[2]), 4 + 2) << "three data blocks, one empty, two too many";
    EXPECT_EQ(fmt::LoadLe32(&xblock[4]), 2 * max + 100);
    EXPECT_EQ(s.LeafSizes(msg->bidData), (std::vector<uint16_t>{uint16_t(max), uint16_t(max), 100, 0}));
    const auto sl = s.RawBlock(msg->bidSub);
    EXPECT_EQ(fmt::LoadLe16(&sl[2]), 2 + 2);
    // Only that node's blocks are damaged.
    EXPECT_EQ(s.problems.size(), 2u);
}

TEST_P(WriterNdbDamage, SiBlockSubnodes) {
    ndbcheck::Store s = Make(GetParam(), [](writer::NdbDamage& d) {
        d.forceSiBlock = true;
        d.slBlockEntries = 1;
    });
    const uint64_t sub = s.FindNode(0x200004)->bidSub;
    EXPECT_EQ(s.SubnodeTopLevel(sub), 1);
    const auto subs = s.ReadSubnodes(sub);
    ASSERT_EQ(subs.size(), 2u);
    EXPECT_EQ(subs[0].nid, 0x671u);
    EXPECT_EQ(subs[1].data, Bytes(50, 0x92));
    EXPECT_TRUE(s.problems.empty());
}

TEST_P(WriterNdbDamage, HeaderAndFile) {
    const ndbcheck::Store crc = Make(GetParam(), [](writer::NdbDamage& d) {
        d.badHeaderCrcPartial = true;
        d.badHeaderCrcFull = true;
        d.invalidAMap = true;
    });
    EXPECT_TRUE(HasProblem(crc, "dwCRCPartial"));
    EXPECT_EQ(HasProblem(crc, "dwCRCFull"), GetParam() == Variant::Unicode);
    EXPECT_EQ(crc.fAMapValid, 0);

    const ndbcheck::Store pages = Make(GetParam(), [](writer::NdbDamage& d) { d.badPageCrc = true; });
    EXPECT_TRUE(HasProblem(pages, "BBT page " + ndbcheck::Store::Hex(pages.bbtIb) + ": CRC"));
    EXPECT_TRUE(HasProblem(pages, "NBT page " + ndbcheck::Store::Hex(pages.nbtIb) + ": CRC"));

    writer::StoreOptions options;
    options.variant = GetParam();
    writer::NdbWriter ndb(options);
    ndb.Damage().truncateTo = 516;
    for (auto& n : SmallStoreNodes(GetParam())) ndb.AddNode(std::move(n));
    EXPECT_EQ(ndb.WriteMemory().size(), 516u);
}

INSTANTIATE_TEST_SUITE_P(Variants, WriterNdbDamage, ::testing::Values(Variant::Unicode, Variant::Ansi));

}  // namespace
