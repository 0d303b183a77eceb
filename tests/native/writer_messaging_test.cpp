// Stores made by the writer's messaging layer, read back through the
// independent probe: the mandatory nodes, folder tables in step with their
// children, messages with recipients, attachments and embedded messages,
// the name-to-id map, and the damage hooks.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>

#include "format/crc.h"
#include "support/temp_file.h"
#include "format/layout.h"
#include "format/props.h"
#include "writer/store_builder.h"
#include "writer_store_probe.h"

namespace {

using writer::Bytes;
using writer::Variant;

writer::StoreOptions Options(Variant v, uint8_t crypt = 1, bool ost = false) {
    writer::StoreOptions o;
    o.variant = v;
    o.cryptMethod = crypt;
    o.ost = ost;
    return o;
}

std::u16string Text(const probe::Store& s, const probe::Value& v) {
    if (s.unicode()) return probe::Utf16(v.bytes);
    return writer::Utf16FromAscii(probe::Narrow(v.bytes));
}

// Bytes a node stores: its data blocks and those of all its subnodes.
uint64_t StoredBytes(const probe::Store& s, uint64_t bidData, uint64_t bidSub) {
    uint64_t total = 0;
    for (const Bytes& b : s.DataBlocks(bidData)) total += b.size();
    for (const auto& sub : s.Subnodes(bidSub)) total += StoredBytes(s, sub.second.bidData, sub.second.bidSub);
    return total;
}

uint32_t ChildFolderNamed(const probe::Store& s, uint32_t parent, const std::u16string& name) {
    for (uint32_t c : s.Children(parent))
        if ((c & 0x1F) == fmt::kNidTypeNormalFolder && Text(s, s.NodeProperties(c)[fmt::kPidDisplayName]) == name)
            return c;
    return 0;
}

TEST(WriterMessaging, EmptyStoreHasEveryMandatoryNode) {
    for (Variant v : {Variant::Unicode, Variant::Ansi}) {
        writer::StoreBuilder b(Options(v));
        if (v == Variant::Ansi) b.SetRecordKey(Bytes(16, 0xA5));
        probe::Store s(b.WriteMemory());
        for (uint32_t nid : {0x21u, 0x61u, 0x122u, 0x12Du, 0x12Eu, 0x12Fu, 0x1E1u, 0x201u, 0x261u, 0x60Du,
                             0x60Eu, 0x60Fu, 0x610u, 0x62Bu, 0x64Cu, 0x671u, 0x692u, 0x6B6u, 0x6D7u, 0x6F8u,
                             0x2223u, 0x2226u, 0x2227u, 0x2230u})
            EXPECT_TRUE(s.HasNode(nid)) << std::hex << nid;
        EXPECT_EQ(s.Node(0x122).parent, 0x122u) << "the root folder is its own parent";
        auto store = s.NodeProperties(0x21);
        const Bytes key = store[fmt::kPidRecordKey].bytes;
        ASSERT_EQ(key, b.RecordKey());
        for (uint16_t id : {fmt::kPidIpmSubTreeEntryId, fmt::kPidIpmWastebasketEntryId, fmt::kPidFinderEntryId}) {
            const Bytes& e = store[id].bytes;
            ASSERT_EQ(e.size(), 24u);
            EXPECT_TRUE(std::equal(key.begin(), key.end(), e.begin() + 4)) << "entry id carries the record key";
            EXPECT_TRUE(s.HasNode(fmt::LoadLe32(&e[20]))) << "entry id names an existing folder";
        }
        const uint32_t top = fmt::LoadLe32(&store[fmt::kPidIpmSubTreeEntryId].bytes[20]);
        EXPECT_EQ(top, b.IpmSubtree());
        EXPECT_EQ(s.Node(top).parent, 0x122u);
        EXPECT_EQ(Text(s, s.NodeProperties(top)[fmt::kPidDisplayName]), u"Top of Personal Folders");
        EXPECT_NE(ChildFolderNamed(s, top, u"Deleted Items"), 0u);
        EXPECT_EQ(probe::U32(s.NodeProperties(0x61)[fmt::kPidNameidBucketCount].bytes), 251u);
        EXPECT_EQ(s.Data(s.Node(0x201).bidData), (Bytes{0x23, 0x22, 0, 0}));
    }
}

TEST(WriterMessaging, TemplateTablesAndInternalNodesMatchOutlooksEmptyStore) {
    probe::Store outlook(testing_support::ReadWholeFile(std::string(REFERENCE_DIR) + "/samples/Empty.pst"));
    writer::StoreBuilder b(Options(Variant::Unicode));
    probe::Store ours(b.WriteMemory());
    for (uint32_t nid : {0x21u, 0x61u, 0x122u, 0x1E1u, 0x201u, 0x261u, 0xC01u, 0xE41u, 0xEC1u, 0xF21u,
                         0x2223u, 0x2226u, 0x2227u})
        EXPECT_TRUE(outlook.HasNode(nid) && ours.HasNode(nid)) << std::hex << nid;
    // The empty index node: the same heap bytes as Outlook's.
    EXPECT_EQ(ours.Data(ours.Node(0xC01).bidData).size(), outlook.Data(outlook.Node(0xC01).bidData).size());
    // Store properties Outlook sets on a new store.
    auto mineStore = ours.NodeProperties(fmt::kNidMessageStore);
    auto theirStore = outlook.NodeProperties(fmt::kNidMessageStore);
    for (uint16_t id : {uint16_t(0x6633), uint16_t(0x66FA), uint16_t(fmt::kPidPstPassword), uint16_t(fmt::kPidReplFlags)}) {
        ASSERT_TRUE(mineStore.count(id) && theirStore.count(id)) << std::hex << id;
        EXPECT_EQ(mineStore[id].hnid, theirStore[id].hnid) << std::hex << id;
    }
    for (uint32_t nid : {0x60Du, 0x60Eu, 0x60Fu, 0x610u, 0x62Bu, 0x64Cu, 0x671u, 0x692u, 0x6B6u, 0x6D7u, 0x6F8u, 0x2230u}) {
        SCOPED_TRACE(nid);
        const probe::Table theirs = outlook.NodeTable(nid), mine = ours.NodeTable(nid);
        EXPECT_EQ(mine.rowSize, theirs.rowSize);
        ASSERT_EQ(mine.columns.size(), theirs.columns.size());
        for (size_t i = 0; i < mine.columns.size(); ++i) {
            EXPECT_EQ(mine.columns[i].tag, theirs.columns[i].tag);
            EXPECT_EQ(mine.columns[i].ib, theirs.columns[i].ib);
            EXPECT_EQ(mine.columns[i].cb, theirs.columns[i].cb);
            EXPECT_EQ(mine.columns[i].bit, theirs.columns[i].bit);
        }
        EXPECT_EQ(mine.rows.size(), theirs.rows.size());
    }
}

TEST(WriterMessaging, OfflineStoresNameNoSubtreeEntryAndKeepTheTopFolderAt0x2142) {
    writer::StoreBuilder b(Options(Variant::Unicode, 1, true));
    probe::Store s(b.WriteMemory());
    EXPECT_EQ(s.NodeProperties(0x21).count(fmt::kPidIpmSubTreeEntryId), 0u);
    EXPECT_TRUE(s.HasNode(0x2142));
    EXPECT_EQ(b.IpmSubtree(), 0x2142u);
}

TEST(WriterMessaging, FolderTablesAndCountsFollowTheirChildren) {
    for (Variant v : {Variant::Unicode, Variant::Ansi}) {
        writer::StoreBuilder b(Options(v));
        const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox", "IPF.Note");
        const uint32_t deep = b.AddFolder(b.AddFolder(inbox, u"Level 1"), u"Level 2", "IPF.Task");
        for (int i = 0; i < 5; ++i) {
            writer::Message& m = b.AddMessage(inbox, "IPM.Note");
            m.SetSubject(u"Mail " + writer::Utf16FromAscii(std::to_string(i)));
            if (i < 2) m.SetRead(false);
        }
        b.AddMessage(deep, "IPM.Task").SetSubject(u"Task");
        b.AddAssociatedMessage(inbox, "IPM.Microsoft.FolderDesign.NamedView");
        probe::Store s(b.WriteMemory());

        auto pc = s.NodeProperties(inbox);
        EXPECT_EQ(probe::U32(pc[fmt::kPidContentCount].bytes), 5u);
        EXPECT_EQ(probe::U32(pc[fmt::kPidContentUnreadCount].bytes), 2u);
        EXPECT_EQ(pc[fmt::kPidSubfolders].hnid, 1u);
        EXPECT_EQ(probe::U32(pc[fmt::kPidAssocContentCount].bytes), 1u);
        EXPECT_EQ(s.NodeProperties(deep)[fmt::kPidSubfolders].hnid, 0u);
        EXPECT_EQ(s.Node(deep).parent, ChildFolderNamed(s, inbox, u"Level 1"));

        const uint32_t textTag = v == Variant::Unicode ? 0x3001001F : 0x3001001E;
        auto hierarchy = s.NodeTable((b.IpmSubtree() & ~0x1Fu) | fmt::kNidTypeHierarchyTable);
        std::set<std::u16string> names;
        for (auto& row : hierarchy.rows) names.insert(Text(s, row[textTag]));
        EXPECT_EQ(names, (std::set<std::u16string>{u"Deleted Items", u"Inbox"}));
        for (auto& row : hierarchy.rows) {
            if (Text(s, row[textTag]) != u"Inbox") continue;
            EXPECT_EQ(probe::U32(row[0x67F20003].bytes), inbox) << "row id is the folder's node id";
            EXPECT_EQ(probe::U32(row[0x36020003].bytes), 5u);
            EXPECT_EQ(probe::U32(row[0x36030003].bytes), 2u);
            EXPECT_EQ(row[0x360A000B].bytes[0], 1);
        }
        auto contents = s.NodeTable((inbox & ~0x1Fu) | fmt::kNidTypeContentsTable);
        ASSERT_EQ(contents.rows.size(), 5u);
        const std::vector<uint32_t> items = [&] {
            std::vector<uint32_t> out;
            for (uint32_t c : s.Children(inbox))
                if ((c & 0x1F) == fmt::kNidTypeNormalMessage) out.push_back(c);
            return out;
        }();
        ASSERT_EQ(items.size(), 5u);
        const uint32_t subjectTag = v == Variant::Unicode ? 0x0037001F : 0x0037001E;
        for (auto& row : contents.rows) {
            const uint32_t nid = probe::U32(row[0x67F20003].bytes);
            EXPECT_TRUE(std::count(items.begin(), items.end(), nid));
            EXPECT_EQ(Text(s, row[subjectTag]), Text(s, s.NodeProperties(nid)[fmt::kPidSubject]));
            EXPECT_EQ(probe::U32(row[0x0E080003].bytes), probe::U32(s.NodeProperties(nid)[fmt::kPidMessageSize].bytes));
        }
        EXPECT_EQ(s.NodeTable((inbox & ~0x1Fu) | fmt::kNidTypeAssocContentsTable).rows.size(), 1u);
    }
}

TEST(WriterMessaging, MessageCarriesRecipientsAttachmentsAndSizesThatMatchItsBytes) {
    for (uint8_t crypt : {0, 1, 2}) {
        SCOPED_TRACE(static_cast<int>(crypt));
        writer::StoreBuilder b(Options(Variant::Unicode, crypt));
        const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox");
        writer::Message& m = b.AddMessage(inbox, "IPM.Note");
        m.SetSubject(u"With attachments");
        m.SetBody(std::u16string(3000, u'b'));                       // 6000 bytes: a subnode
        m.SetHtmlBody("<html><body>Hi</body></html>");
        m.SetRtfBody("{\\rtf1\\ansi Hi}");
        m.AddRecipient(u"Ann", u"ann@example.com", 1);
        m.AddRecipient(u"Cid", u"cid@example.com", 2);
        m.AddAttachment(u"small.txt", Bytes(100, 's'));
        m.AddAttachment(u"middle.bin", Bytes(5000, 'm'));
        m.AddAttachment(u"large.bin", Bytes(100000, 'l'));
        writer::Message& inner = m.AddEmbeddedMessage(u"Forwarded", "IPM.Note");
        inner.SetBody(u"inner body");
        inner.AddRecipient(u"Dee", u"dee@example.com");
        const uint32_t nid = m.nid();
        probe::Store s(b.WriteMemory());

        const probe::NodeRef& node = s.Node(nid);
        EXPECT_EQ(node.parent, inbox);
        auto pc = s.NodeProperties(nid);
        EXPECT_EQ(probe::U32(pc[fmt::kPidMessageSize].bytes), StoredBytes(s, node.bidData, node.bidSub));
        EXPECT_EQ(probe::U32(pc[fmt::kPidMessageFlags].bytes) & 0x10, 0x10u) << "has-attachments flag";
        EXPECT_EQ(probe::Utf16(pc[fmt::kPidDisplayTo].bytes), u"Ann");
        EXPECT_EQ(probe::Utf16(pc[fmt::kPidDisplayCc].bytes), u"Cid");
        EXPECT_EQ(pc[fmt::kPidBody].bytes.size(), 6000u);
        EXPECT_EQ(pc[fmt::kPidBody].hnid & 0x1F, fmt::kNidTypeLtp);
        EXPECT_EQ(probe::Narrow(pc[fmt::kPidHtml].bytes), "<html><body>Hi</body></html>");
        EXPECT_EQ(probe::Narrow(pc[fmt::kPidRtfCompressed].bytes).substr(8, 4), "LZFu");

        auto subs = s.Subnodes(node.bidSub);
        ASSERT_TRUE(subs.count(0x692) && subs.count(0x671));
        auto recipients = s.TableContext(subs[0x692].bidData, node.bidSub);
        ASSERT_EQ(recipients.rows.size(), 2u);
        EXPECT_EQ(recipients.rowIndexIds, (std::vector<uint32_t>{0, 1})) << "the row index tells them apart";
        EXPECT_EQ(probe::Utf16(recipients.rows[1][0x3003001F].bytes), u"cid@example.com");
        EXPECT_EQ(probe::U32(recipients.rows[1][0x0C150003].bytes), 2u);

        auto attachments = s.TableContext(subs[0x671].bidData, node.bidSub);
        ASSERT_EQ(attachments.rows.size(), 4u);
        const size_t sizes[] = {100, 5000, 100000};
        for (size_t i = 0; i < 4; ++i) {
            const uint32_t anid = probe::U32(attachments.rows[i][0x67F20003].bytes);
            ASSERT_TRUE(subs.count(anid)) << "row id names the attachment's subnode";
            const probe::NodeRef& a = subs[anid];
            auto apc = s.PropertyContext(a.bidData, a.bidSub);
            const uint32_t size = probe::U32(apc[fmt::kPidAttachSize].bytes);
            EXPECT_EQ(size, StoredBytes(s, a.bidData, a.bidSub));
            EXPECT_EQ(probe::U32(attachments.rows[i][0x0E200003].bytes), size);
            if (i < 3) {
                const probe::Value& data = apc[fmt::kPidAttachDataBinary];
                EXPECT_EQ(data.bytes.size(), sizes[i]);
                EXPECT_EQ((data.hnid & 0x1F) == 0, i == 0) << "only the small one lives in the heap";
                if (i == 2) {
                    int levels = 0;
                    s.DataBlocks(s.Subnodes(a.bidSub).at(data.hnid).bidData, &levels);
                    EXPECT_EQ(levels, 1) << "a 100000-byte value is an XBLOCK data tree";
                }
            } else {
                EXPECT_EQ(probe::U32(apc[fmt::kPidAttachMethod].bytes), 5u);
                const probe::Value& object = apc[fmt::kPidAttachDataBinary];
                ASSERT_EQ(object.type, fmt::kPtObject);
                ASSERT_EQ(object.bytes.size(), 8u);
                const auto inner = s.Subnodes(a.bidSub).at(fmt::LoadLe32(object.bytes.data()));
                EXPECT_EQ(fmt::LoadLe32(&object.bytes[4]), StoredBytes(s, inner.bidData, inner.bidSub));
                auto ipc = s.PropertyContext(inner.bidData, inner.bidSub);
                EXPECT_EQ(probe::Utf16(ipc[fmt::kPidBody].bytes), u"inner body");
                EXPECT_EQ(probe::Utf16(ipc[fmt::kPidSubject].bytes), u"Forwarded");
                auto innerSubs = s.Subnodes(inner.bidSub);
                ASSERT_TRUE(innerSubs.count(0x692));
                EXPECT_EQ(s.TableContext(innerSubs[0x692].bidData, inner.bidSub).rows.size(), 1u);
            }
        }
    }
}

// Readers find a value's subnode by a depth-first search of the message's
// subnode tree: ids must not repeat in it, and the message's own tables must
// come before any embedded message's.
void CollectSubnodeIds(const probe::Store& s, uint64_t bidSub, std::vector<uint32_t>& out) {
    for (const auto& e : s.Subnodes(bidSub)) {
        out.push_back(e.first);
        CollectSubnodeIds(s, e.second.bidSub, out);
    }
}

TEST(WriterMessaging, SubnodeIdsAreUniqueAcrossTheMessageTree) {
    writer::StoreBuilder b(Options(Variant::Unicode));
    writer::Message& m = b.AddMessage(b.AddFolder(b.IpmSubtree(), u"Inbox"), "IPM.Note");
    m.SetBody(std::u16string(4000, u'x'));
    m.AddAttachment(u"a.bin", Bytes(9000, 'a'));
    writer::Message& inner = m.AddEmbeddedMessage(u"Inner", "IPM.Note");
    inner.SetBody(std::u16string(4000, u'y'));
    inner.AddAttachment(u"b.bin", Bytes(9000, 'b'));
    const uint32_t nid = m.nid();
    probe::Store s(b.WriteMemory());
    std::vector<uint32_t> ids;
    CollectSubnodeIds(s, s.Node(nid).bidSub, ids);
    std::vector<uint32_t> others;
    for (uint32_t id : ids)
        if (id != 0x692 && id != 0x671) others.push_back(id);
    std::sort(others.begin(), others.end());
    EXPECT_EQ(std::adjacent_find(others.begin(), others.end()), others.end());
    EXPECT_GT(others.size(), 6u);
    ASSERT_GE(ids.size(), 2u);
    EXPECT_EQ(ids[0], 0x671u) << "the message's own tables come first";
    EXPECT_EQ(ids[1], 0x692u);
}

TEST(WriterMessaging, NamedPropertiesGetIdsStreamsAndHashBuckets) {
    writer::StoreBuilder b(Options(Variant::Unicode));
    const uint16_t start = b.NamedId(writer::kPsetidAppointment, 0x820D);
    const uint16_t header = b.NamedId(writer::kPsInternetHeaders, u"content-type");
    const uint16_t keywords = b.NamedId(writer::kPsPublicStrings, u"Keywords");
    EXPECT_EQ(start, 0x8000);
    EXPECT_EQ(header, 0x8001);
    EXPECT_EQ(keywords, 0x8002);
    EXPECT_EQ(b.NamedId(writer::kPsetidAppointment, 0x820D), start) << "a name is registered once";
    probe::Store s(b.WriteMemory());
    auto map = s.NodeProperties(0x61);
    const Bytes& entries = map[fmt::kPidNameidStreamEntry].bytes;
    const Bytes& strings = map[fmt::kPidNameidStreamString].bytes;
    const Bytes& guids = map[fmt::kPidNameidStreamGuid].bytes;
    ASSERT_EQ(entries.size(), 24u);
    ASSERT_EQ(guids.size(), 32u) << "PS_PUBLIC_STRINGS is implied, the other two are listed";
    // Record 0: numeric, first listed GUID (3).
    EXPECT_EQ(fmt::LoadLe32(&entries[0]), 0x820Du);
    EXPECT_EQ(fmt::LoadLe16(&entries[4]), 3 << 1);
    // Record 1: string name at offset 0 of the string stream, GUID 4.
    EXPECT_EQ(fmt::LoadLe32(&entries[8]), 0u);
    EXPECT_EQ(fmt::LoadLe16(&entries[12]), (4 << 1) | 1);
    EXPECT_EQ(fmt::LoadLe16(&entries[14]), 1);
    EXPECT_EQ(fmt::LoadLe32(&strings[0]), 24u);
    EXPECT_EQ(probe::Utf16(Bytes(strings.begin() + 4, strings.begin() + 28)), u"content-type");
    // Record 2: PS_PUBLIC_STRINGS is GUID 2.
    EXPECT_EQ(fmt::LoadLe16(&entries[20]), (2 << 1) | 1);
    EXPECT_EQ(strings.size() % 4, 0u);
    // Each name sits in the bucket its hash names, with the CRC for strings.
    const Bytes name = writer::Utf16Bytes(u"content-type");
    const uint32_t crc = fmt::Crc32(name.data(), name.size());
    const auto& bucket = map[static_cast<uint16_t>(0x1000 + (crc ^ ((4 << 1) | 1)) % 251)].bytes;
    ASSERT_EQ(bucket.size() % 8, 0u);
    ASSERT_GE(bucket.size(), 8u);
    EXPECT_EQ(fmt::LoadLe32(&bucket[0]), crc);
    EXPECT_EQ(map.count(static_cast<uint16_t>(0x1000 + (0x820D ^ 6) % 251)), 1u);
}

TEST(WriterMessaging, AnsiTextIsWindows1252) {
    writer::StoreBuilder b(Options(Variant::Ansi));
    writer::Message& m = b.AddMessage(b.AddFolder(b.IpmSubtree(), u"Caf\u00e9"), "IPM.Note");
    m.SetSubject(u"\u20ac 5 \u4e00");
    m.AddRecipient(u"\u20acuro Desk", u"desk@example.com");
    m.AddRecipient(u"Z\u00fcrich", u"z@example.com");
    const uint32_t nid = m.nid();
    probe::Store s(b.WriteMemory());
    auto pc = s.NodeProperties(nid);
    EXPECT_EQ(pc[fmt::kPidSubject].type, fmt::kPtString8);
    EXPECT_EQ(probe::Narrow(pc[fmt::kPidSubject].bytes), "\x80 5 ?");
    EXPECT_EQ(probe::Narrow(pc[fmt::kPidDisplayTo].bytes), "\x80uro Desk; Z\xFCrich");
    EXPECT_EQ(probe::Narrow(s.NodeProperties(s.Node(nid).parent)[fmt::kPidDisplayName].bytes), "Caf\xE9");
}

TEST(WriterMessaging, PrefixedSubjectsAndMultiValuedNamedText) {
    for (Variant v : {Variant::Unicode, Variant::Ansi}) {
        writer::StoreBuilder b(Options(v));
        writer::Message& m = b.AddMessage(b.AddFolder(b.IpmSubtree(), u"Inbox"), "IPM.Note");
        m.SetSubjectWithPrefix(u"RE: Hello", 4);
        const uint16_t keywords = m.Named(writer::kPsPublicStrings, u"Keywords");
        m.Props().SetMultiString(keywords, {u"one", u"", u"three"});
        const uint32_t nid = m.nid();
        probe::Store s(b.WriteMemory());
        auto pc = s.NodeProperties(nid);
        const Bytes& subject = pc[fmt::kPidSubject].bytes;
        const size_t unit = v == Variant::Unicode ? 2 : 1;
        ASSERT_EQ(subject.size(), 11 * unit);
        EXPECT_EQ(subject[0], 0x01);
        EXPECT_EQ(subject[unit], 0x04);
        EXPECT_EQ(Text(s, pc[fmt::kPidConversationTopic]), u"Hello");
        const probe::Value& list = pc[keywords];
        EXPECT_EQ(list.type, v == Variant::Unicode ? fmt::kPtMultipleUnicode : fmt::kPtMultipleString8);
        ASSERT_GE(list.bytes.size(), 16u);
        EXPECT_EQ(probe::U32(list.bytes), 3u);
        const uint32_t first = fmt::LoadLe32(&list.bytes[4]), second = fmt::LoadLe32(&list.bytes[8]),
                       third = fmt::LoadLe32(&list.bytes[12]);
        EXPECT_EQ(first, 16u);
        EXPECT_EQ(second - first, 3 * unit);
        EXPECT_EQ(third, second) << "an empty value";
        EXPECT_EQ(list.bytes.size() - third, 5 * unit);
    }
}

TEST(WriterMessaging, DamageHooksMakeTheNamedDefectsOnly) {
    writer::StoreBuilder b(Options(Variant::Unicode));
    const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox");
    b.AddMessage(inbox, "IPM.Note").SetSubject(u"One");
    const uint32_t broken = b.AddFolder(b.IpmSubtree(), u"Broken");
    const uint32_t deepTree = b.AddFolder(b.IpmSubtree(), u"Deep");
    const uint32_t nameless = b.AddFolder(b.IpmSubtree(), u"Nameless");
    b.FolderProperties(nameless).Remove(fmt::kPidDisplayName);
    // An item whose id sorts before the sub-folders of its folder.
    const uint32_t early = b.AddMessage(b.IpmSubtree(), "IPM.Note", fmt::MakeNid(fmt::kNidTypeNormalMessage, 0x40)).nid();
    const uint32_t contents = (inbox & ~0x1Fu) | fmt::kNidTypeContentsTable;
    b.Damage().omitNameToIdMap = true;
    b.Damage().zeroRowIndexRootNids = {contents};
    b.Damage().unreadableNids = {broken};
    b.Damage().twoLevelDataTreeNids = {deepTree};
    b.Damage().contentsCellSizes = {{0x0E080003, 5}};
    probe::Store s(b.WriteMemory());

    EXPECT_FALSE(s.HasNode(0x61));
    auto table = s.NodeTable(contents);
    EXPECT_TRUE(table.rowIndexRootZero);
    ASSERT_EQ(table.rows.size(), 1u) << "the row itself is still there";
    for (const auto& c : table.columns)
        if (c.tag == 0x0E080003) {
            EXPECT_EQ(c.cb, 5);
        }
    EXPECT_EQ(table.rows[0][0x0E080003].bytes.size(), 5u);
    EXPECT_NE(probe::U32(table.rows[0][0x0E080003].bytes), 0u) << "the message size itself, inline";
    EXPECT_THROW(s.NodeProperties(broken), probe::Fault);
    int levels = 0;
    s.DataBlocks(s.Node(deepTree).bidData, &levels);
    EXPECT_EQ(levels, 2) << "an XXBLOCK as the folder's data";
    EXPECT_EQ(s.NodeProperties(nameless).count(fmt::kPidDisplayName), 0u);
    EXPECT_LT(early, inbox);
    EXPECT_EQ(s.Node(early).parent, b.IpmSubtree());
    EXPECT_EQ(probe::Utf16(s.NodeProperties(inbox)[fmt::kPidDisplayName].bytes), u"Inbox") << "others untouched";
}

// Entry ids carry the record key, so two stores must never share one; a
// message given no times gets the time it was written.
TEST(WriterMessaging, EveryStoreHasItsOwnRecordKeyAndMessagesTheTimeOfWriting) {
    auto fileTimeNow = [] {
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::system_clock::now().time_since_epoch()).count();
        return static_cast<uint64_t>(us) * 10 + 116444736000000000ull;
    };
    std::set<Bytes> keys;
    for (int i = 0; i < 4; ++i) {
        writer::StoreBuilder b(Options(Variant::Unicode));
        const uint64_t before = fileTimeNow();
        writer::Message& m = b.AddMessage(b.AddFolder(b.IpmSubtree(), u"Inbox"), "IPM.Note");
        const uint32_t nid = m.nid();
        probe::Store s(b.WriteMemory());
        const uint64_t after = fileTimeNow();
        auto store = s.NodeProperties(fmt::kNidMessageStore);
        keys.insert(store[fmt::kPidRecordKey].bytes);
        const Bytes subtree = store[fmt::kPidIpmSubTreeEntryId].bytes;
        ASSERT_EQ(subtree.size(), 24u);
        EXPECT_TRUE(std::equal(b.RecordKey().begin(), b.RecordKey().end(), subtree.begin() + 4));
        EXPECT_EQ(store[fmt::kPidValidFolderMask].hnid, 0x89u) << "subtree, wastebasket and finder";
        for (uint16_t id : {fmt::kPidCreationTime, fmt::kPidLastModificationTime}) {
            const Bytes t = s.NodeProperties(nid)[id].bytes;
            ASSERT_EQ(t.size(), 8u);
            const uint64_t ft = fmt::LoadLe64(t.data());
            EXPECT_GE(ft, before - 10000000);
            EXPECT_LE(ft, after + 10000000);
        }
    }
    EXPECT_EQ(keys.size(), 4u);
}

TEST(WriterMessaging, CommitInBatchesGivesTheSameStoreAsOneWrite) {
    auto make = [](bool batches) {
        writer::StoreBuilder b(Options(Variant::Unicode));
        b.SetRecordKey(writer::Bytes(16, 7));
        b.SetDefaultTime(writer::kDefaultFileTime);
        const uint32_t f = b.AddFolder(b.IpmSubtree(), u"Inbox");
        for (int i = 0; i < 30; ++i) {
            b.AddMessage(f, "IPM.Note").SetSubject(u"m" + writer::Utf16FromAscii(std::to_string(i)));
            if (batches && i % 7 == 6) b.Commit();
        }
        return b.WriteMemory();
    };
    EXPECT_EQ(make(true), make(false));
}

}  // namespace
