// The block and node B-trees: real samples of both variants and all three
// encodings, stores made by the writer with one named defect each, and the
// node tree's linking rules on hand-made nodes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "format/layout.h"
#include "reader/ltp.h"
#include "reader/named_props.h"
#include "reader/ndb.h"
#include "reader/store_recovery.h"
#include "reader_ndb_test_util.h"
#include "writer/ndb_writer.h"

using namespace reader_test;

namespace {

// ---- real samples ------------------------------------------------------------

struct SampleTrees {
    const char* file;
    uint64_t blocks;
    uint64_t nodes;
    int stringMode;
};

// Leaf entry counts of both trees, as a plain page walk of each file counts them.
const SampleTrees kSamples[] = {
    {"ansi-contacts.pst", 45, 56, 1},           {"ansi-cp932-mail.pst", 43, 48, 1},
    {"ansi-empty-folders.pst", 38, 47, 1},      {"ansi-outlook97-mail.pst", 75, 369, 1},
    {"ansi-sample2-attachment.pst", 60, 52, 1}, {"ansi-tiny-calendar.pst", 26, 34, 1},
    {"unicode-body-types.pst", 71, 55, 2},      {"unicode-contacts-jp.pst", 46, 57, 2},
    {"unicode-crypt-high.pst", 1131, 69, 2},    {"unicode-crypt-none.pst", 746, 53, 2},
    {"unicode-dist-list.pst", 155, 128, 2},     {"unicode-empty-folders.pst", 41, 48, 2},
    {"unicode-enron-mail.pst", 2274, 125, 2},   {"unicode-jp-attachment-name.pst", 49, 44, 2},
    {"unicode-nested-msg.pst", 67, 44, 2},      {"unicode-sample1-attachment.pst", 61, 52, 2},
    {"unicode-support-mail.pst", 301, 137, 2},  {"unicode-testlab-mail.pst", 141, 134, 2},
    {"unicode-tika-mail.pst", 118, 61, 2},      {"ost-unicode-sample.ost", 1140, 393, 2},
};

class ReaderNdbSample : public ::testing::TestWithParam<SampleTrees> {};

TEST_P(ReaderNdbSample, ReadsBothTreesAndIndexesAgreeWithScans) {
    const SampleTrees& s = GetParam();
    RecordingObserver observer;
    OpenedStore store = OpenSample(s.file);
    ASSERT_TRUE(store.context);
    EXPECT_EQ(CountBlocks(store.get()), s.blocks);
    EXPECT_EQ(CountNodes(store.get()), s.nodes);
    EXPECT_EQ(WalkOrder(store.get()).size(), s.nodes) << "every node hangs from the top-level list";
    EXPECT_EQ(g_nStringMode, s.stringMode);
    ASSERT_NE(store->pFirstNode, nullptr);
    EXPECT_EQ(store->pFirstNode->nodeId, fmt::kNidMessageStore);

    for (BbtEntry* b = store->pFirstBlock; b; b = b->pNext) {
        ASSERT_EQ(FindBlock(store.get(), b->blockId), ScanForBlock(store.get(), b->blockId));
        ASSERT_EQ(FindBlock(store.get(), b->blockId | 1), ScanForBlock(store.get(), b->blockId));
        ASSERT_EQ(FindBlock(store.get(), b->blockId + 4), ScanForBlock(store.get(), b->blockId + 4));
    }
    for (uint64_t id : WalkOrder(store.get())) {
        ASSERT_EQ(FindNode(store.get(), id), ScanForNode(store.get(), id));
        ASSERT_EQ(FindNode(store.get(), id + 1), ScanForNode(store.get(), id + 1));
    }
    // Every node's parent link agrees with its parent id.
    WalkNodes(store.get(), [&](NodeEntry* n) {
        if (n->pParent) {
            EXPECT_EQ(n->pParent->nodeId, n->parentId);
        }
        return true;
    });
    EXPECT_EQ(FindBlock(store.get(), 0), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Samples, ReaderNdbSample, ::testing::ValuesIn(kSamples),
                         [](const ::testing::TestParamInfo<SampleTrees>& info) {
                             std::string name = info.param.file;
                             for (char& c : name) {
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

TEST(ReaderNdb, LoadPausesAndReportsProgressAndStatus) {
    RecordingObserver observer;
    OpenedStore store = OpenSample("unicode-enron-mail.pst");
    ASSERT_TRUE(store.context);
    EXPECT_EQ(observer.pauses, (std::vector<unsigned>{1000, 1000}));
    // The block tree's root reports its children, then the load sends 100 and
    // 10 between the trees.
    auto it = std::find(observer.progress.begin(), observer.progress.end(), 10);
    ASSERT_NE(it, observer.progress.end());
    ASSERT_GE(it - observer.progress.begin(), 2);
    EXPECT_EQ(*(it - 1), 100);
    for (auto p = observer.progress.begin(); p != it - 1; ++p) {
        EXPECT_GE(*p, 0);
        EXPECT_LE(*p, 100);
    }
    EXPECT_GT(it - observer.progress.begin(), 2) << "an intermediate block root reports its children";
    EXPECT_EQ(observer.lastStatus.rfind(L"Reading Block ", 0), 0u);
    EXPECT_GT(observer.statusCount, 1);
}

// ---- stores made by the writer ----------------------------------------------

using DamageFn = std::function<void(writer::NdbDamage&)>;

std::vector<uint8_t> MakeStore(writer::Variant variant, const std::vector<std::pair<uint32_t, uint32_t>>& nodes,
                               const DamageFn& damage = nullptr, uint8_t crypt = 1) {
    writer::StoreOptions options;
    options.variant = variant;
    options.cryptMethod = crypt;
    writer::NdbWriter ndb(options);
    if (damage) damage(ndb.Damage());
    for (const auto& n : nodes) {
        writer::Node node;
        node.nid = n.first;
        node.parentNid = n.second;
        node.data.stream = std::vector<uint8_t>(40, static_cast<uint8_t>(n.first));
        ndb.AddNode(std::move(node));
    }
    return ndb.WriteMemory();
}

// n nodes 0x21, then message-like ids, all below a folder 0x122 at the end.
std::vector<std::pair<uint32_t, uint32_t>> ManyNodes(int n) {
    std::vector<std::pair<uint32_t, uint32_t>> nodes = {{0x21, 0}};
    for (int i = 1; i < n; ++i) nodes.push_back({0x24u + 0x20u * i, 0});
    return nodes;
}

class ReaderNdbVariant : public ::testing::TestWithParam<writer::Variant> {};

TEST_P(ReaderNdbVariant, NodeBeforeItsParentIsAdoptedInOrder) {
    RecordingObserver observer;
    OpenedStore store = OpenStoreBytes(
        MakeStore(GetParam(), {{0x21, 0}, {0x44, 0x82}, {0x64, 0x82}, {0x82, 0}, {0xA4, 0x82}, {0xC4, 0x1000}}));
    ASSERT_TRUE(store.context);
    EXPECT_EQ(TopLevelIds(store.get()), (std::vector<uint64_t>{0x21, 0x82, 0xC4}));
    NodeEntry* folder = FindNode(store.get(), 0x82);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(ChildIds(folder), (std::vector<uint64_t>{0x44, 0x64, 0xA4}));
    EXPECT_EQ(folder->childCount, 3);
    EXPECT_EQ(folder->pFirstChild->pParent, folder);
    EXPECT_EQ(folder->pLastChild->nodeId, 0xA4u);
    EXPECT_EQ(FindNode(store.get(), 0xC4)->pParent, nullptr) << "a parent that never comes";
    for (uint32_t id : {0x21u, 0x44u, 0x64u, 0x82u, 0xA4u}) {
        NodeEntry* n = FindNode(store.get(), id);
        ASSERT_NE(n, nullptr);
        ASSERT_NE(n->pDataBlock, nullptr);
        EXPECT_EQ(n->pSubnodeBlock, nullptr);
    }
}

TEST_P(ReaderNdbVariant, SelfParentedNodeStaysAtTopLevel) {
    RecordingObserver observer;
    OpenedStore store = OpenStoreBytes(MakeStore(GetParam(), {{0x21, 0}, {0x42, 0}, {0x62, 0x42}},
                                                 [](writer::NdbDamage& d) { d.selfParentNid = 0x42; }));
    ASSERT_TRUE(store.context);
    EXPECT_EQ(TopLevelIds(store.get()), (std::vector<uint64_t>{0x21, 0x42}));
    EXPECT_EQ(FindNode(store.get(), 0x42)->parentId, 0x42u);
    EXPECT_EQ(ChildIds(FindNode(store.get(), 0x42)), (std::vector<uint64_t>{0x62}));
}

TEST_P(ReaderNdbVariant, FirstRootEntryOtherThan0x21EmptiesTheNodeTree) {
    RecordingObserver observer;
    OpenedStore store = OpenStoreBytes(MakeStore(GetParam(), {{0x42, 0}, {0x21, 0}},
                                                 [](writer::NdbDamage& d) { d.keepNodeOrder = true; }));
    ASSERT_TRUE(store.context);
    EXPECT_EQ(store->pFirstNode, nullptr);
    EXPECT_GT(CountBlocks(store.get()), 0u);
}

TEST_P(ReaderNdbVariant, EqualKeysAreReadAndSmallerKeyEndsThePage) {
    RecordingObserver observer;
    OpenedStore equal = OpenStoreBytes(MakeStore(GetParam(), {{0x21, 0}, {0x44, 0x82}, {0x82, 0}},
                                                 [](writer::NdbDamage& d) { d.duplicateNodeEntries = {0x44}; }));
    ASSERT_TRUE(equal.context);
    NodeEntry* folder = FindNode(equal.get(), 0x82);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(ChildIds(folder), (std::vector<uint64_t>{0x44, 0x44}));
    EXPECT_EQ(FindNode(equal.get(), 0x44), folder->pFirstChild) << "the walk meets the first copy first";

    OpenedStore smaller = OpenStoreBytes(MakeStore(GetParam(), {{0x21, 0}, {0x82, 0}, {0x62, 0}, {0xA2, 0}},
                                                   [](writer::NdbDamage& d) { d.keepNodeOrder = true; }));
    ASSERT_TRUE(smaller.context);
    EXPECT_EQ(TopLevelIds(smaller.get()), (std::vector<uint64_t>{0x21, 0x82}));
}

// The first child page of a B-tree root: its offset in the store's bytes.
size_t FirstChildPage(const std::vector<uint8_t>& bytes, writer::Variant variant, bool nodeTree) {
    const bool wide = variant == writer::Variant::Unicode;
    const size_t rootAt = wide ? (nodeTree ? fmt::unicode::kRoot_brefNbt_ib : fmt::unicode::kRoot_brefBbt_ib)
                               : (nodeTree ? fmt::ansi::kRoot_brefNbt_ib : fmt::ansi::kRoot_brefBbt_ib);
    const size_t root = wide ? static_cast<size_t>(fmt::LoadLe64(&bytes[rootAt])) : fmt::LoadLe32(&bytes[rootAt]);
    return wide ? static_cast<size_t>(fmt::LoadLe64(&bytes[root + 16])) : fmt::LoadLe32(&bytes[root + 8]);
}

TEST_P(ReaderNdbVariant, ChildPageWithWrongTrailerIsReadWhenSoundAndSkippedWhenNot) {
    RecordingObserver observer;
    const bool wide = GetParam() == writer::Variant::Unicode;
    const auto nodes = ManyNodes(12);
    const auto nodeBytes = MakeStore(GetParam(), nodes, [](writer::NdbDamage& d) {
        d.nbtLeafEntries = 3;
        d.nbtChildTrailerBidMismatch = true;
    });
    OpenedStore store = OpenStoreBytes(nodeBytes);
    ASSERT_TRUE(store.context);
    EXPECT_EQ(CountNodes(store.get()), 12u) << "the entries of the page hold together";
    EXPECT_NE(FindNode(store.get(), 0x21), nullptr);

    // The same page with its second and third keys swapped: not sound, so
    // skipped, and its siblings are still read.
    auto swapped = nodeBytes;
    const size_t leaf = FirstChildPage(swapped, GetParam(), true);
    const size_t entry = wide ? fmt::unicode::kNbtEntrySize : fmt::ansi::kNbtEntrySize;
    for (size_t i = 0; i < (wide ? 8u : 4u); ++i) std::swap(swapped[leaf + entry + i], swapped[leaf + 2 * entry + i]);
    OpenedStore unsound = OpenStoreBytes(swapped);
    ASSERT_TRUE(unsound.context);
    EXPECT_EQ(CountNodes(unsound.get()), 9u);
    EXPECT_EQ(FindNode(unsound.get(), 0x21), nullptr);
    EXPECT_NE(FindNode(unsound.get(), nodes.back().first), nullptr);

    // A block page with a wrong trailer and a wrong entry size is left out of
    // the block list too.
    auto blockBytes = MakeStore(GetParam(), nodes, [](writer::NdbDamage& d) {
        d.bbtLeafEntries = 3;
        d.bbtChildTrailerBidMismatch = true;
    });
    OpenedStore sound = OpenStoreBytes(blockBytes);
    ASSERT_TRUE(sound.context);
    EXPECT_EQ(CountBlocks(sound.get()), 12u);
    blockBytes[FirstChildPage(blockBytes, GetParam(), false) +
               (wide ? fmt::unicode::kBtPage_cbEnt : fmt::ansi::kBtPage_cbEnt)] ^= 0x40;
    OpenedStore blocks = OpenStoreBytes(blockBytes);
    ASSERT_TRUE(blocks.context);
    EXPECT_EQ(CountNodes(blocks.get()), 12u);
    EXPECT_EQ(CountBlocks(blocks.get()), 9u);
    int withoutData = 0;
    WalkNodes(blocks.get(), [&](NodeEntry* n) {
        withoutData += n->pDataBlock == nullptr;
        return true;
    });
    EXPECT_EQ(withoutData, 0) << "the skipped page's entries are kept aside, and its nodes find their blocks";
}

// The entries of a node page skipped as unsound are kept aside: the items
// whose parent folder was read are placed below it.
TEST_P(ReaderNdbVariant, ItemsOfASkippedNodePageGoBelowTheirFolder) {
    RecordingObserver observer;
    const bool wide = GetParam() == writer::Variant::Unicode;
    auto bytes = MakeStore(GetParam(), {{0x21, 0}, {0x44, 0x82}, {0x64, 0x82}, {0x82, 0}, {0xA4, 0x82}},
                           [](writer::NdbDamage& d) {
                               d.nbtLeafEntries = 3;
                               d.nbtChildTrailerBidMismatch = true;
                           });
    const size_t leaf = FirstChildPage(bytes, GetParam(), true);   // 0x21, 0x44, 0x64
    const size_t entry = wide ? fmt::unicode::kNbtEntrySize : fmt::ansi::kNbtEntrySize;
    for (size_t i = 0; i < (wide ? 8u : 4u); ++i) std::swap(bytes[leaf + entry + i], bytes[leaf + 2 * entry + i]);
    OpenedStore store = OpenStoreBytes(bytes);
    ASSERT_TRUE(store.context);
    EXPECT_EQ(FindNode(store.get(), 0x44), nullptr);
    EXPECT_EQ(RecoverListedItems(store.get()), 2u);
    NodeEntry* folder = FindNode(store.get(), 0x82);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->childCount, 3);
}

// A store of version 15 is of the 8-bit variant as much as one of 14.
TEST(ReaderNdb, VersionFifteenStoreReadsItsTrees) {
    RecordingObserver observer;
    auto bytes = MakeStore(writer::Variant::Ansi, ManyNodes(12));
    bytes[fmt::kHeader_wVer] = fmt::kVersionAnsiAlt;
    OpenedStore store = OpenStoreBytes(bytes);
    g_nAnsiVersion = fmt::kVersionAnsi;   // as the next store of version 14 sets it
    ASSERT_TRUE(store.context);
    EXPECT_EQ(CountBlocks(store.get()), 12u);
    EXPECT_EQ(CountNodes(store.get()), 12u);
}

// A damaged key in an intermediate page (here the second of four): its
// child is read with the keys between its neighbours, and the later
// children are read as usual.
TEST_P(ReaderNdbVariant, DamagedIntermediateKeyLosesNoPage) {
    RecordingObserver observer;
    const bool wide = GetParam() == writer::Variant::Unicode;
    auto bytes = MakeStore(GetParam(), ManyNodes(12), [](writer::NdbDamage& d) { d.nbtLeafEntries = 3; });
    const size_t rootAt = wide ? fmt::unicode::kRoot_brefNbt_ib : fmt::ansi::kRoot_brefNbt_ib;
    const size_t root = wide ? static_cast<size_t>(fmt::LoadLe64(&bytes[rootAt])) : fmt::LoadLe32(&bytes[rootAt]);
    const size_t entry = wide ? fmt::unicode::kBtEntrySize : fmt::ansi::kBtEntrySize;
    bytes[root + entry + (wide ? 6 : 3)] = 0x7F;  // the key's high byte: far above the next key
    OpenedStore store = OpenStoreBytes(bytes);
    ASSERT_TRUE(store.context);
    EXPECT_EQ(CountNodes(store.get()), 12u);
}

TEST_P(ReaderNdbVariant, PagesPointingBackUpAreReadOnce) {
    RecordingObserver observer;
    const auto nodes = ManyNodes(12);
    OpenedStore store = OpenStoreBytes(MakeStore(GetParam(), nodes, [](writer::NdbDamage& d) {
        d.nbtLeafEntries = 3;
        d.bbtLeafEntries = 3;
        d.nbtLoopToRoot = true;
        d.bbtLoopToRoot = true;
    }));
    ASSERT_TRUE(store.context);
    EXPECT_LE(CountNodes(store.get()), 12u);
    EXPECT_GE(CountNodes(store.get()), 9u);

    // A root whose first entry names the root itself with the same key would
    // be read forever; it is read once.
    auto bytes = MakeStore(GetParam(), nodes, [](writer::NdbDamage& d) { d.nbtLeafEntries = 3; });
    const bool wide = GetParam() == writer::Variant::Unicode;
    const uint64_t rootOffset = wide ? fmt::LoadLe40(&bytes[fmt::unicode::kRoot_brefNbt_ib])
                                     : fmt::LoadLe32(&bytes[fmt::ansi::kRoot_brefNbt_ib]);
    const uint64_t rootBid = wide ? fmt::LoadLe64(&bytes[fmt::unicode::kRoot_brefNbt_bid])
                                  : fmt::LoadLe32(&bytes[fmt::ansi::kRoot_brefNbt_bid]);
    uint8_t* root = &bytes[rootOffset];
    if (wide) {
        fmt::StoreLe64(root + 8, rootBid);
        fmt::StoreLe64(root + 16, rootOffset);
    } else {
        fmt::StoreLe32(root + 4, static_cast<uint32_t>(rootBid));
        fmt::StoreLe32(root + 8, static_cast<uint32_t>(rootOffset));
    }
    OpenedStore looped = OpenStoreBytes(bytes);
    ASSERT_TRUE(looped.context);
    EXPECT_EQ(CountNodes(looped.get()), 9u) << "the other leaves are still read";
}

TEST_P(ReaderNdbVariant, MissingDataBlockGivesNullBlock) {
    RecordingObserver observer;
    OpenedStore store = OpenStoreBytes(MakeStore(GetParam(), {{0x21, 0}, {0x42, 0}},
                                                 [](writer::NdbDamage& d) { d.missingDataBlockNid = 0x42; }));
    ASSERT_TRUE(store.context);
    ASSERT_NE(FindNode(store.get(), 0x42), nullptr);
    EXPECT_EQ(FindNode(store.get(), 0x42)->pDataBlock, nullptr);
    EXPECT_NE(FindNode(store.get(), 0x21)->pDataBlock, nullptr);
}

TEST_P(ReaderNdbVariant, RootLeavesSendNoProgressPosition) {
    RecordingObserver observer;
    OpenedStore store = OpenStoreBytes(MakeStore(GetParam(), {{0x21, 0}, {0x42, 0}}));
    ASSERT_TRUE(store.context);
    EXPECT_EQ(CountNodes(store.get()), 2u);
    EXPECT_EQ(observer.progress, (std::vector<int>{100, 10}));
}

TEST_P(ReaderNdbVariant, EntryCountLimitAndNegativeCount) {
    const bool wide = GetParam() == writer::Variant::Unicode;
    const int limit = wide ? fmt::unicode::kMaxIntermediateEntries : fmt::ansi::kMaxIntermediateEntries;
    const auto nodes = ManyNodes(limit);
    RecordingObserver observer;
    OpenedStore full = OpenStoreBytes(MakeStore(GetParam(), nodes, [&](writer::NdbDamage& d) {
        d.nbtLeafEntries = 1;
        d.intermediateEntries = limit;
    }));
    ASSERT_TRUE(full.context);
    EXPECT_EQ(CountNodes(full.get()), static_cast<uint64_t>(limit)) << "a root of exactly the limit is read";

    OpenedStore over = OpenStoreBytes(MakeStore(GetParam(), nodes, [&](writer::NdbDamage& d) {
        d.nbtLeafEntries = 1;
        d.intermediateEntries = limit;
        d.nbtRootEntryCountAdd = 1;
    }));
    ASSERT_TRUE(over.context);
    EXPECT_EQ(CountNodes(over.get()), 0u) << "one more fails the root";

    OpenedStore negative = OpenStoreBytes(MakeStore(GetParam(), {{0x21, 0}, {0x42, 0}}, [](writer::NdbDamage& d) {
        d.bbtRootEntryCountAdd = 0x80;
    }));
    ASSERT_TRUE(negative.context);
    EXPECT_EQ(CountBlocks(negative.get()), 0u) << "a count of 0x80 or more is an empty page";
    EXPECT_EQ(CountNodes(negative.get()), 2u);
    EXPECT_EQ(FindNode(negative.get(), 0x21)->pDataBlock, nullptr);
}

TEST_P(ReaderNdbVariant, DeepTreesOfSmallPagesAreReadWhole) {
    RecordingObserver observer;
    const auto nodes = ManyNodes(300);
    OpenedStore store = OpenStoreBytes(MakeStore(GetParam(), nodes, [](writer::NdbDamage& d) {
        d.nbtLeafEntries = 2;
        d.bbtLeafEntries = 2;
        d.intermediateEntries = 2;
    }));
    ASSERT_TRUE(store.context);
    EXPECT_EQ(CountNodes(store.get()), 300u);
    EXPECT_EQ(CountBlocks(store.get()), 300u);
    EXPECT_EQ(TopLevelIds(store.get()).front(), 0x21u);
}

INSTANTIATE_TEST_SUITE_P(Variants, ReaderNdbVariant,
                         ::testing::Values(writer::Variant::Ansi, writer::Variant::Unicode),
                         [](const ::testing::TestParamInfo<writer::Variant>& info) {
                             return info.param == writer::Variant::Ansi ? "Ansi" : "Unicode";
                         });

// ---- linking rules on hand-made nodes ---------------------------------------------

NodeEntry* Link(StoreContext* context, uint64_t id, uint64_t parent) {
    NodeEntry* node = NewNodeEntry(context);
    node->nodeId = id;
    node->parentId = parent;
    LinkNode(context, node);
    return node;
}

TEST(ReaderNdb, TwoNodesNamingEachOtherStayReachable) {
    StoreContext context;
    NodeEntry* a = Link(&context, 1, 2);
    NodeEntry* b = Link(&context, 2, 1);
    // b adopts a; a is then below b, which is not linked yet, so b's parent
    // is not found and b goes to the top level.
    EXPECT_EQ(TopLevelIds(&context), (std::vector<uint64_t>{2}));
    EXPECT_EQ(ChildIds(b), (std::vector<uint64_t>{1}));
    EXPECT_EQ(FindNode(&context, 1), a);
    EXPECT_EQ(WalkOrder(&context), (std::vector<uint64_t>{2, 1}));
}

TEST(ReaderNdb, DuplicateIdsAnswerWhatTheWalkMeetsFirst) {
    StoreContext context;
    NodeEntry* p1 = Link(&context, 0x100, 0);
    Link(&context, 0x200, 0);
    NodeEntry* x1 = Link(&context, 7, 0x300);  // waits at top level, after 0x200
    NodeEntry* x2 = Link(&context, 7, 0x100);  // below 0x100: met first
    EXPECT_EQ(x2->pParent, p1);
    EXPECT_EQ(FindNode(&context, 7), x2);
    EXPECT_EQ(FindNode(&context, 7), ScanForNode(&context, 7));

    // A parent of the first copy arriving moves it, still after x2 in the walk.
    Link(&context, 0x300, 0x200);
    EXPECT_EQ(x1->pParent->nodeId, 0x300u);
    EXPECT_EQ(FindNode(&context, 7), ScanForNode(&context, 7));

    // A second copy of a node adopts the first when it names itself.
    StoreContext self;
    NodeEntry* s1 = Link(&self, 0x42, 0x42);
    NodeEntry* s2 = Link(&self, 0x42, 0x42);
    EXPECT_EQ(s1->pParent, s2);
    EXPECT_EQ(FindNode(&self, 0x42), s2);
    EXPECT_EQ(FindNode(&self, 0x42), ScanForNode(&self, 0x42));
}

TEST(ReaderNdb, RandomLinkOrdersAgreeWithTheWalk) {
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        StoreContext context;
        const int count = 50 + static_cast<int>(random() % 100);
        for (int i = 0; i < count; ++i) {
            const uint64_t id = 1 + random() % 40;  // many duplicates
            const uint64_t parent = random() % 4 == 0 ? 0 : 1 + random() % 45;
            Link(&context, id, parent);
        }
        std::vector<uint64_t> walk = WalkOrder(&context);
        ASSERT_EQ(walk.size(), static_cast<size_t>(count)) << "round " << round;
        for (uint64_t id = 0; id <= 46; ++id)
            ASSERT_EQ(FindNode(&context, id), ScanForNode(&context, id)) << "round " << round << " id " << id;
    }
}

TEST(ReaderNdb, BlockListKeepsTheFirstEntryOfAnIdAndClears) {
    StoreContext context;
    BbtEntry* first = AppendBlock(&context, 8, 100, 10);
    AppendBlock(&context, 8, 200, 20);
    AppendBlock(&context, 13, 300, 30);
    EXPECT_EQ(FindBlock(&context, 8), first);
    EXPECT_EQ(FindBlock(&context, 9), first) << "bit 0 is ignored";
    EXPECT_EQ(FindBlock(&context, 13), nullptr) << "a stored id with bit 0 set is never found";
    EXPECT_EQ(FindBlock(&context, 12), nullptr);
    EXPECT_EQ(CountBlocks(&context), 3u);

    ClearBlockList(&context);
    EXPECT_EQ(context.pFirstBlock, nullptr);
    EXPECT_EQ(FindBlock(&context, 8), nullptr);
    BbtEntry* again = AppendBlock(&context, 8, 400, 40);
    EXPECT_EQ(FindBlock(&context, 8), again);
}

TEST(ReaderNdb, ResetKeepsNodesAliveAndStartsAnEmptyTree) {
    StoreContext context;
    NodeEntry* kept = Link(&context, 0x21, 0);
    Link(&context, 0x42, 0x21);
    ResetNodeIndex(&context);
    EXPECT_EQ(context.pFirstNode, nullptr);
    EXPECT_EQ(FindNode(&context, 0x21), nullptr);
    EXPECT_EQ(kept->nodeId, 0x21u) << "entries outlive the reset";
    NodeEntry* fresh = Link(&context, 0x21, 0);
    EXPECT_EQ(FindNode(&context, 0x21), fresh);
    EXPECT_EQ(CountNodes(&context), 1u);

    // Lists emptied by hand are noticed too.
    context.pFirstNode = context.pLastNode = nullptr;
    EXPECT_EQ(FindNode(&context, 0x21), nullptr);
    Link(&context, 0x42, 0x21);
    EXPECT_EQ(TopLevelIds(&context), (std::vector<uint64_t>{0x42}));
}

}  // namespace
