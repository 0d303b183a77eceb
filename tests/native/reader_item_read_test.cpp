// Reading nodes into item records on stores made by our writer: recipient and
// attachment nodes, where attachment data lies and how it is written out, the
// top folder, bodies on demand, and damaged stores.
#include <gtest/gtest.h>

#include "support/temp_file.h"

#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "reader/attachment_writer.h"
#include "reader/item_reader.h"
#include "reader/ndb.h"
#include "reader/ndb_block.h"
#include "reader_item_test_support.h"
#include "writer/store_builder.h"

using item_test::LoadedStore;
using item_test::ScopedInstallFolder;
using item_test::TextOf;
using testing_support::TempFile;

namespace {

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> out(n);
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 9));
    return out;
}

struct RecordDeleter {
    void operator()(ItemRecord* r) const { FreeItemRecord(r); }
};
using Record = std::unique_ptr<ItemRecord, RecordDeleter>;

std::vector<uint8_t> WriteOut(const AttachmentNode* a) {
    FILE* f = testing_support::OpenScratchFile();
    EXPECT_NE(f, nullptr);
    const uint64_t n = WriteAttachmentToFile(f, a);
    std::vector<uint8_t> out(static_cast<size_t>(n));
    std::rewind(f);
    if (n) {
        EXPECT_EQ(std::fread(out.data(), 1, out.size(), f), out.size());
    }
    std::fclose(f);
    return out;
}

struct Variant {
    writer::Variant variant;
    uint8_t crypt;
};

class ReaderItemRead : public ::testing::TestWithParam<Variant> {
protected:
    // A store with one message: three recipients, a small attachment kept in
    // the heap, one in its own subnode, one large enough for a data tree, and
    // an embedded message.
    std::vector<uint8_t> MakeStore(uint32_t* folderOut) {
        writer::StoreOptions options;
        options.variant = GetParam().variant;
        options.cryptMethod = GetParam().crypt;
        writer::StoreBuilder b(options);
        const uint32_t folder = b.AddFolder(b.IpmSubtree(), u"Mail", "IPF.Note");
        writer::Message& m = b.AddMessage(folder, "IPM.Note");
        m.SetSubject(u"Hello");
        m.SetBody(u"Body text");
        m.AddRecipient(u"Ann", u"ann@example.com");
        m.AddRecipient(u"Bob", u"bob@example.com", 2);
        m.AddRecipient(u"Cy", u"cy@example.com", 3);
        m.AddAttachment(u"small.txt", small_);
        m.AddAttachment(u"medium.bin", medium_);
        m.AddAttachment(u"large.bin", large_);
        m.AddEmbeddedMessage(u"Inner", "IPM.Note").SetSubject(u"Inner");
        *folderOut = folder;
        return b.WriteMemory();
    }

    const std::vector<uint8_t> small_ = Pattern(100, 1);
    const std::vector<uint8_t> medium_ = Pattern(7001, 2);     // not a multiple of 3
    const std::vector<uint8_t> large_ = Pattern(300001, 3);    // a data tree
};

TEST_P(ReaderItemRead, RecipientsAndAttachmentsBecomeNodesWithTheirData) {
    uint32_t folder = 0;
    TempFile file(MakeStore(&folder), ".pst");
    LoadedStore store(file.wpath());
    ASSERT_TRUE(store.tree.messages.empty());
    NodeEntry* folderNode = FindNode(&g_storeFile, folder);
    ASSERT_NE(folderNode, nullptr);
    ASSERT_NE(folderNode->pFirstChild, nullptr);
    Record r(ReadItemRecord(g_storeFile, folderNode->pFirstChild));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(TextOf(r->txSubject), "Hello");
    EXPECT_EQ(TextOf(r->txBody), "Body text");
    EXPECT_EQ(r->nKind, 1);

    std::vector<const AttachmentNode*> nodes;
    for (const AttachmentNode* a = r->pAttachments; a; a = a->pNext) nodes.push_back(a);
    ASSERT_EQ(nodes.size(), 7u);
    // The attachment nodes first, in the order the table stores them, then
    // the nameless recipient nodes.
    EXPECT_EQ(TextOf(nodes[0]->txAttachLongFilename), "small.txt");
    EXPECT_EQ(TextOf(nodes[1]->txAttachLongFilename), "medium.bin");
    EXPECT_EQ(TextOf(nodes[2]->txAttachLongFilename), "large.bin");
    EXPECT_EQ(nodes[3]->nAttachMethod, 5);
    for (size_t i = 4; i < 7; ++i) {
        EXPECT_EQ(nodes[i]->txAttachFilename.pData, nullptr);
        EXPECT_EQ(nodes[i]->txAttachLongFilename.pData, nullptr);
        EXPECT_EQ(nodes[i]->nidData, 0u);   // a recipient's row id names no subnode
    }
    // Recipient rows leave their address in the item's contact record.
    ASSERT_NE(r->pContact, nullptr);
    EXPECT_NE(TextOf(r->pContact->txEmail1EmailAddress).find("@example.com"), std::string::npos);

    int seen = 0;
    for (size_t i = 0; i < 4; ++i) {
        const AttachmentNode* a = nodes[i];
        const std::string name = TextOf(a->txAttachLongFilename);
        SCOPED_TRACE(name);
        if (a->nAttachMethod == 5) {
            // An embedded message keeps its subnodes and its data block.
            EXPECT_NE(a->nidData, 0u);
            EXPECT_NE(a->bidData, 0u);
            ++seen;
            continue;
        }
        if (name == "small.txt") {
            ASSERT_NE(a->pData, nullptr);
            EXPECT_EQ(a->cbData, small_.size());
            EXPECT_NE(a->nidData, 0u);   // still names the attachment's subnode
            EXPECT_EQ(WriteOut(a), small_);
        } else {
            EXPECT_EQ(a->pData, nullptr);
            EXPECT_NE(a->bidData, 0u);
            EXPECT_EQ(WriteOut(a), name == "medium.bin" ? medium_ : large_);
        }
        ++seen;
    }
    EXPECT_EQ(seen, 4);
}

TEST(ReaderItemWrite, NothingIsWrittenForAnAttachmentWithoutData) {
    AttachmentNode* a = NewAttachmentNode();
    a->bidData = ~uint64_t{0};
    EXPECT_TRUE(WriteOut(a).empty());
    a->bidData = 0x123456;   // not in the block list
    EXPECT_TRUE(WriteOut(a).empty());
    FreeAttachmentList(a);
}

INSTANTIATE_TEST_SUITE_P(Variants, ReaderItemRead,
                         ::testing::Values(Variant{writer::Variant::Unicode, 1}, Variant{writer::Variant::Unicode, 0},
                                           Variant{writer::Variant::Unicode, 2}, Variant{writer::Variant::Ansi, 1},
                                           Variant{writer::Variant::Ansi, 2}),
                         [](const ::testing::TestParamInfo<Variant>& info) {
                             return std::string(info.param.variant == writer::Variant::Ansi ? "Ansi" : "Unicode") +
                                    "Crypt" + std::to_string(info.param.crypt);
                         });

TEST(ReaderItemRead, TopFolderComesFromTheStoreOrIsAStub) {
    // An OST names no IPM subtree: the default top folder.
    {
        writer::StoreOptions options;
        options.ost = true;
        writer::StoreBuilder b(options);
        b.AddFolder(b.IpmSubtree(), u"Inbox");
        TempFile file(b.WriteMemory(), ".ost");
        LoadedStore store(file.wpath());
        ASSERT_FALSE(g_listFolders.empty());
        EXPECT_EQ(g_listFolders[0].nNodeId, kDefaultTopFolderNid);
    }
    writer::StoreBuilder b{writer::StoreOptions{}};
    TempFile file(b.WriteMemory(), ".pst");
    LoadedStore store(file.wpath());
    // A store record whose subtree names a node the tree lacks: a stub at top level.
    Record s(NewItemRecord());
    s->pStore = static_cast<StoreRecord*>(std::calloc(1, sizeof(StoreRecord)));
    s->pStore->pIpmSubtreeEntryId = static_cast<uint8_t*>(std::calloc(25, 1));
    s->pStore->cbIpmSubtreeEntryId = 24;
    s->pStore->pIpmSubtreeEntryId[20] = 0x42;
    s->pStore->pIpmSubtreeEntryId[21] = 0x77;
    NodeEntry* stub = FindTopFolder(s.get(), g_storeFile);
    ASSERT_NE(stub, nullptr);
    EXPECT_EQ(stub->nodeId, 0x7742u);
    EXPECT_EQ(stub->pParent, nullptr);
    EXPECT_EQ(stub->pDataBlock, nullptr);
    EXPECT_EQ(FindNode(&g_storeFile, 0x7742), stub);
    EXPECT_EQ(ReadItemRecord(g_storeFile, stub), nullptr);
    // Without an entry id: 0x2142; a record without a store sub-record: none.
    std::free(s->pStore->pIpmSubtreeEntryId);
    s->pStore->pIpmSubtreeEntryId = nullptr;
    s->pStore->cbIpmSubtreeEntryId = 0;
    NodeEntry* dflt = FindTopFolder(s.get(), g_storeFile);
    ASSERT_NE(dflt, nullptr);
    EXPECT_EQ(dflt->nodeId, kDefaultTopFolderNid);
    Record plain(NewItemRecord());
    EXPECT_EQ(FindTopFolder(plain.get(), g_storeFile), nullptr);
    EXPECT_EQ(FindTopFolder(nullptr, g_storeFile), nullptr);
    EXPECT_EQ(ReadItemRecord(g_storeFile, nullptr), nullptr);
}

TEST(ReaderItemRead, MissingAttachmentTableLeavesTheRestOfTheItem) {
    writer::StoreBuilder b{writer::StoreOptions{}};
    const uint32_t folder = b.AddFolder(b.IpmSubtree(), u"Mail");
    writer::Message& m = b.AddMessage(folder, "IPM.Note");
    m.SetSubject(u"Kept");
    m.SetBody(std::u16string(6000, u'x'));   // too large for the heap: a subnode
    m.AddAttachment(u"a.txt", Pattern(10, 1));
    const uint32_t nid = m.nid();
    // The item's first subnode, its attachment table, loses its data block.
    b.NodeDamage().missingSubnodeBlockNid = nid;
    TempFile file(b.WriteMemory(), ".pst");
    LoadedStore store(file.wpath());
    Record r(ReadItemRecord(g_storeFile, FindNode(&g_storeFile, nid)));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(TextOf(r->txSubject), "Kept");
    EXPECT_EQ(StoreStringLength(r->txBody.pData), 6000u);
    EXPECT_EQ(r->pAttachments, nullptr);
    // The map entry whose block is gone, and the attachments the item's
    // flags promise: the save reports both.
    EXPECT_EQ(r->nPartsLost, 2);
}

// Whatever a damaged subnode map keeps from being read is counted, or a save
// would report success over it. One message with one attachment, its data in
// a subnode of the attachment's own map; the message's map (Unicode: an
// 8-byte header, then entries of id, data block, nested map) damaged a way
// at a time.
TEST(ReaderItemRead, DamagedSubnodeMapsCountWhatTheyLose) {
    writer::StoreBuilder b{writer::StoreOptions{}};
    writer::Message& m = b.AddMessage(b.AddFolder(b.IpmSubtree(), u"Mail"), "IPM.Note");
    m.AddAttachment(u"a.bin", Pattern(7001, 1));
    const uint32_t nid = m.nid();
    const std::vector<uint8_t> source = b.WriteMemory();
    uint64_t mapAt = 0, mapBid = 0, dataBid = 0;
    {
        TempFile file(source, ".pst");
        LoadedStore store(file.wpath());
        NodeEntry* node = FindNode(&g_storeFile, nid);
        ASSERT_TRUE(node && node->pDataBlock && node->pSubnodeBlock);
        mapAt = node->pSubnodeBlock->offset;
        mapBid = node->pSubnodeBlock->blockId;
        dataBid = node->pDataBlock->blockId;
    }
    const uint64_t unknown = 0x7FFFF000;
    auto attachmentEntry = [&](std::vector<uint8_t>& bytes) -> uint8_t* {
        for (size_t i = 0; i < fmt::LoadLe16(&bytes[mapAt + 2]); ++i) {
            uint8_t* e = &bytes[mapAt + 8 + 24 * i];
            if ((fmt::LoadLe64(e) & 0x1F) == 0x05) return e;
        }
        return nullptr;
    };
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
        int lost;
        int unreadable;
    };
    const Case cases[] = {
        {"the map block is not in the block list",
         [&](std::vector<uint8_t>& bytes) {
             for (size_t at = 0; at + 24 <= bytes.size(); at += 8) {
                 if (fmt::LoadLe64(&bytes[at]) == nid && fmt::LoadLe64(&bytes[at + 8]) == dataBid &&
                     fmt::LoadLe64(&bytes[at + 16]) == mapBid)
                     fmt::StoreLe64(&bytes[at + 16], unknown);   // the node B-tree entry
             }
         },
         2, 0},
        {"the map block is a block of another kind", [&](std::vector<uint8_t>& bytes) { bytes[mapAt] = 0x01; }, 2, 0},
        {"the attachment's context is not in the block list",
         [&](std::vector<uint8_t>& bytes) { fmt::StoreLe64(attachmentEntry(bytes) + 8, unknown); }, 2, 1},
        {"the attachment's context is no heap",
         [&](std::vector<uint8_t>& bytes) { fmt::StoreLe64(attachmentEntry(bytes) + 8, mapBid); }, 1, 1},
        {"the attachment's own map is not in the block list",
         [&](std::vector<uint8_t>& bytes) { fmt::StoreLe64(attachmentEntry(bytes) + 16, unknown); }, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = source;
        ASSERT_NE(attachmentEntry(bytes), nullptr);
        c.damage(bytes);
        TempFile file(bytes, ".pst");
        LoadedStore store(file.wpath());
        Record r(ReadItemRecord(g_storeFile, FindNode(&g_storeFile, nid)));
        ASSERT_NE(r, nullptr);
        int unreadable = 0;
        for (const AttachmentNode* a = r->pAttachments; a; a = a->pNext) unreadable += a->bUnreadable;
        EXPECT_EQ(r->nPartsLost, c.lost);
        EXPECT_EQ(unreadable, c.unreadable);
    }
}

TEST(ReaderItemRead, BodiesAreReadOnlyWhileWanted) {
    ScopedInstallFolder install;
    writer::StoreBuilder b{writer::StoreOptions{}};
    const uint32_t folder = b.AddFolder(b.IpmSubtree(), u"Mail");
    writer::Message& m = b.AddMessage(folder, "IPM.Note");
    m.SetRtfBody("{\\rtf1\\ansi hello rtf body text that is long enough to compress}");
    m.SetHtmlBody("<html><body>hi</body></html>");
    TempFile file(b.WriteMemory(), ".pst");
    LoadedStore store(file.wpath());
    NodeEntry* item = FindNode(&g_storeFile, folder)->pFirstChild;
    ASSERT_NE(item, nullptr);
    {
        Record r(ReadItemRecord(g_storeFile, item));
        ASSERT_NE(r, nullptr);
        ASSERT_NE(r->pMessage, nullptr);
        EXPECT_EQ(r->pMessage->binRtfCompressed.cb, 0u);
        EXPECT_EQ(r->pMessage->txBodyHtml.pData, nullptr);
        EXPECT_FALSE(install.RtfBodyExists());
    }
    store.tree.wantBodies = true;
    for (int pass = 0; pass < 2; ++pass) {
        std::remove(install.RtfBodyPath().c_str());
        Record r(ReadItemRecord(g_storeFile, item));
        ASSERT_NE(r, nullptr);
        EXPECT_NE(r->pMessage->binRtfCompressed.cb, 0u);
        EXPECT_STREQ(reinterpret_cast<const char*>(r->pMessage->txBodyHtml.pData), "<html><body>hi</body></html>");
        const auto body = testing_support::ReadWholeFile(install.RtfBodyPath());
        const std::string text(body.begin(), body.end());
        EXPECT_EQ(text.compare(0, 20, "{\\rtf1\\ansi hello rt"), 0) << text;
    }
}

// A UTF-16 subject loses only a stored marker: a first character whose low
// byte is below 0x20 (Cyrillic A..P, the first CJK ideographs, ideographic
// punctuation) is text, not a marker.
TEST(ReaderItemRead, Utf16SubjectKeepsCharactersWhoseLowByteIsBelowBlank) {
    const std::u16string subjects[] = {u"\u0410\u0411 report", u"\u4E00\u4E8C", u"\u3010note\u3011",
                                       u"\u0100 macron", u"Plain"};
    writer::StoreBuilder b{writer::StoreOptions{}};
    const uint32_t folder = b.AddFolder(b.IpmSubtree(), u"Mail");
    std::vector<uint32_t> nids;
    for (const auto& subject : subjects) {
        writer::Message& m = b.AddMessage(folder, "IPM.Note");
        m.SetSubject(subject);
        nids.push_back(m.nid());
    }
    writer::Message& prefixed = b.AddMessage(folder, "IPM.Note");
    prefixed.SetSubjectWithPrefix(u"RE: \u0410\u0411", 4);
    nids.push_back(prefixed.nid());
    TempFile file(b.WriteMemory(), ".pst");
    LoadedStore store(file.wpath());
    const std::u16string expected[] = {u"\u0410\u0411 report", u"\u4E00\u4E8C", u"\u3010note\u3011",
                                       u"\u0100 macron", u"Plain", u"RE: \u0410\u0411"};
    for (size_t i = 0; i < nids.size(); ++i) {
        Record r(ReadItemRecord(g_storeFile, FindNode(&g_storeFile, nids[i])));
        ASSERT_NE(r, nullptr);
        const std::wstring text = StoreTextToWString(r->txSubject.pData);
        EXPECT_EQ(std::u16string(text.begin(), text.end()), expected[i]) << "subject " << i;
    }
}

TEST(ReaderItemRead, EightBitSubjectMarkerIsOneByte) {
    writer::StoreOptions options;
    options.variant = writer::Variant::Ansi;
    writer::StoreBuilder b(options);
    const uint32_t folder = b.AddFolder(b.IpmSubtree(), u"Mail");
    writer::Message& plain = b.AddMessage(folder, "IPM.Note");
    plain.SetSubject(u"Hello");
    writer::Message& prefixed = b.AddMessage(folder, "IPM.Note");
    prefixed.SetSubjectWithPrefix(u"RE: Hello", 4);
    const uint32_t nids[] = {plain.nid(), prefixed.nid()};
    TempFile file(b.WriteMemory(), ".pst");
    LoadedStore store(file.wpath());
    const char* expected[] = {"Hello", "RE: Hello"};
    for (int i = 0; i < 2; ++i) {
        Record r(ReadItemRecord(g_storeFile, FindNode(&g_storeFile, nids[i])));
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(TextOf(r->txSubject), expected[i]);
    }
}

// Random damage to about 1% of the bytes: loading and reading every node must
// neither crash nor hang; a damaged part makes records smaller.
void ReadEverything() {
    for (const folder& f : g_listFolders) {
        NodeEntry* node = FindNode(&g_storeFile, f.nNodeId);
        for (NodeEntry* c = node ? node->pFirstChild : nullptr; c; c = c->pNextSibling) {
            try {
                Record r(ReadItemRecord(g_storeFile, c));
                if (!r) continue;
                for (const AttachmentNode* a = r->pAttachments; a; a = a->pNext) WriteOut(a);
            } catch (const StoreFileException&) {
            }
        }
    }
}

TEST(ReaderItemRead, DamagedStoresReadWithoutFaults) {
    std::vector<std::vector<uint8_t>> sources;
    sources.push_back(testing_support::ReadWholeFile(testing_support::SamplePath("unicode-sample1-attachment.pst")));
    sources.push_back(testing_support::ReadWholeFile(testing_support::SamplePath("ansi-sample2-attachment.pst")));
    std::mt19937 rng(1234);
    ScopedInstallFolder install;
    for (const auto& source : sources) {
        ASSERT_FALSE(source.empty());
        for (int round = 0; round < 12; ++round) {
            std::vector<uint8_t> bytes = source;
            std::uniform_int_distribution<size_t> pos(0, bytes.size() - 1);
            for (size_t k = 0; k < bytes.size() / 100; ++k) bytes[pos(rng)] ^= static_cast<uint8_t>(1 + rng() % 255);
            TempFile file(bytes, ".pst");
            LoadedStore store(file.wpath(), /*wantBodies=*/round % 2 == 0);
            ReadEverything();
        }
    }
}

}  // namespace
