// Heaps, property contexts and table contexts: the message store node of
// every real sample (checked against pffinfo's figures), and messages,
// folders and tables of stores made by the writer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "format/layout.h"
#include "format/props.h"
#include "reader/ltp.h"
#include "reader/named_props.h"
#include "reader_ndb_test_util.h"
#include "writer/ltp_context.h"
#include "writer/store_builder.h"

using namespace reader_test;

namespace {

// A node's property rows with its subnode map; both freed with the object.
struct NodeProps {
    PropRow* rows = nullptr;
    SubnodeEntry* map = nullptr;
    NodeProps() = default;
    NodeProps(const NodeProps&) = delete;
    ~NodeProps() {
        FreePropRows(rows);
        FreeSubnodeMap(map);
    }
};

void ReadNode(StoreContext* context, uint64_t nid, NodeProps* out) {
    NodeEntry* node = FindNode(context, nid);
    ASSERT_NE(node, nullptr) << std::hex << nid;
    ASSERT_NE(node->pDataBlock, nullptr);
    out->map = node->pSubnodeBlock ? ReadSubnodeMap(context, node->pSubnodeBlock) : nullptr;
    out->rows = ReadNodeProperties(context, node->pDataBlock->blockId, out->map);
}

const PropValue* Value(const PropRow* row, uint32_t id) {
    for (int32_t i = 0; i < row->valueCount; ++i)
        if (row->ppValues[i] && row->ppValues[i]->propId == id) return row->ppValues[i];
    return nullptr;
}

std::vector<uint8_t> Utf16(const std::u16string& text) {
    std::vector<uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

std::vector<uint8_t> Data(const PropValue* v) {
    return v && v->pData ? std::vector<uint8_t>(v->pData, v->pData + v->size) : std::vector<uint8_t>();
}

// ---- the message store node of the real samples --------------------------------

struct StoreRecordCase {
    const char* file;
    std::vector<uint32_t> folderEntries;  // store entry ids pffinfo lists as folders
    uint32_t passwordChecksum;            // pffinfo: N/A is 0
};

const uint32_t kSubtree = 0x35E0, kOutbox = 0x35E2, kWastebasket = 0x35E3, kSentmail = 0x35E4, kViews = 0x35E5,
               kCommonViews = 0x35E6, kFinder = 0x35E7;

const StoreRecordCase kStoreRecords[] = {
    {"ansi-contacts.pst", {kSubtree, kWastebasket, kCommonViews, kFinder}, 0},
    {"ansi-empty-folders.pst", {kSubtree, kWastebasket, kFinder}, 0xf93ba110},
    {"ansi-outlook97-mail.pst", {kSubtree, kOutbox, kWastebasket, kSentmail, kViews, kCommonViews, kFinder}, 0xb1031b28},
    {"ansi-tiny-calendar.pst", {kSubtree, kWastebasket, kFinder}, 0},
    {"unicode-crypt-high.pst", {kSubtree, kWastebasket, kFinder}, 0xff939387},
    {"unicode-crypt-none.pst", {kSubtree, kWastebasket, kFinder}, 0xff939387},
    {"unicode-dist-list.pst", {kSubtree, kOutbox, kWastebasket, kSentmail, kViews, kCommonViews, kFinder}, 0},
    {"unicode-testlab-mail.pst",
     {kSubtree, kOutbox, kWastebasket, kSentmail, kViews, kCommonViews, kFinder}, 0x4a737248},
    {"unicode-tika-mail.pst", {kSubtree, kWastebasket, kCommonViews, kFinder}, 0},
};

class ReaderLtpSample : public ::testing::TestWithParam<StoreRecordCase> {};

TEST_P(ReaderLtpSample, MessageStoreNodeHasTheFoldersPffinfoLists) {
    const StoreRecordCase& c = GetParam();
    RecordingObserver observer;
    OpenedStore store = OpenSample(c.file);
    ASSERT_TRUE(store.context);
    NodeProps props;
    ReadNode(store.get(), fmt::kNidMessageStore, &props);
    ASSERT_NE(props.rows, nullptr);
    EXPECT_EQ(props.rows->pNext, nullptr);
    EXPECT_EQ(props.rows->rowCount, 1);
    for (uint32_t id = kSubtree; id <= kFinder; ++id) {
        const bool listed = std::find(c.folderEntries.begin(), c.folderEntries.end(), id) != c.folderEntries.end();
        const PropValue* v = Value(props.rows, id);
        EXPECT_EQ(v != nullptr, listed) << std::hex << id;
        if (v) {
            EXPECT_EQ(v->type, fmt::kPtBinary);
            EXPECT_EQ(v->size, 24u) << "an entry id: flags, store uid, node id";
        }
    }
    const PropValue* password = Value(props.rows, 0x67FF);
    ASSERT_NE(password, nullptr);
    ASSERT_EQ(password->size, 4u);
    EXPECT_EQ(fmt::LoadLe32(password->pData), c.passwordChecksum);
    const PropValue* recordKey = Value(props.rows, fmt::kPidRecordKey);
    ASSERT_NE(recordKey, nullptr);
    EXPECT_EQ(recordKey->size, 16u);
    const PropValue* name = Value(props.rows, fmt::kPidDisplayName);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->type, store->bUnicode ? fmt::kPtUnicode : fmt::kPtString8);
    EXPECT_EQ(name->pData[name->size], 0) << "strings carry a zero byte after them";
}

INSTANTIATE_TEST_SUITE_P(Samples, ReaderLtpSample, ::testing::ValuesIn(kStoreRecords),
                         [](const ::testing::TestParamInfo<StoreRecordCase>& info) {
                             std::string name = info.param.file;
                             for (char& c : name) {
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

// ---- stores made by the writer --------------------------------------------------

class ReaderLtpMade : public ::testing::TestWithParam<writer::Variant> {
protected:
    writer::StoreOptions Options() const {
        writer::StoreOptions options;
        options.variant = GetParam();
        return options;
    }
    bool Wide() const { return GetParam() == writer::Variant::Unicode; }
    // A store whose only node, 0x21, holds the given heap and its subnodes.
    OpenedStore StoreWithOneNode(writer::LtpNode built) const {
        writer::NdbWriter ndb(Options());
        writer::Node node;
        node.nid = 0x21;
        node.data = std::move(built.data);
        node.subnodes = std::move(built.subnodes);
        ndb.AddNode(std::move(node));
        return OpenStoreBytes(ndb.WriteMemory());
    }
    uint16_t TextType() const { return Wide() ? fmt::kPtUnicode : fmt::kPtString8; }
    std::vector<uint8_t> Text(const std::u16string& s) const {
        if (Wide()) return Utf16(s);
        return std::vector<uint8_t>(s.begin(), s.end());
    }
    RecordingObserver observer;
};

TEST_P(ReaderLtpMade, MessagePropertiesRoundTrip) {
    writer::StoreBuilder b(Options());
    const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox");
    writer::Message& m = b.AddMessage(inbox, "IPM.Note");
    const uint32_t nid = m.nid();
    m.SetSubject(u"Quarterly figures");
    m.SetBody(std::u16string(3000, u'b'));  // larger than a heap item: kept in a subnode
    m.SetInt32(0x6601, -5);
    m.SetTime(0x6602, 0x01D5C03669050000ull);
    m.SetBool(0x6603, true);
    m.Props().SetInt16(0x6604, 7);
    m.SetBinary(0x6605, {});
    OpenedStore store = OpenStoreBytes(b.WriteMemory());
    ASSERT_TRUE(store.context);

    NodeProps props;
    ReadNode(store.get(), nid, &props);
    ASSERT_NE(props.rows, nullptr);
    const PropRow* row = props.rows;
    EXPECT_EQ(row->rowCount, 1);
    const PropValue* subject = Value(row, fmt::kPidSubject);
    ASSERT_NE(subject, nullptr);
    EXPECT_EQ(subject->type, TextType());
    EXPECT_EQ(Data(subject), Text(u"Quarterly figures"));
    const PropValue* body = Value(row, fmt::kPidBody);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(Data(body), Text(std::u16string(3000, u'b')));
    const PropValue* number = Value(row, 0x6601);
    ASSERT_NE(number, nullptr);
    EXPECT_EQ(number->size, 4u);
    EXPECT_EQ(static_cast<int32_t>(fmt::LoadLe32(number->pData)), -5);
    const PropValue* time = Value(row, 0x6602);
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->type, fmt::kPtTime);
    ASSERT_EQ(time->size, 8u);
    EXPECT_EQ(fmt::LoadLe64(time->pData), 0x01D5C03669050000ull);
    EXPECT_EQ(fmt::LoadLe32(Value(row, 0x6603)->pData), 1u);
    EXPECT_EQ(Value(row, 0x6604)->type, fmt::kPtInteger16);
    EXPECT_EQ(fmt::LoadLe32(Value(row, 0x6604)->pData), 7u);
    // An empty binary has HNID 0, which no heap item answers: the value is
    // dropped and the row is one value shorter.
    EXPECT_EQ(Value(row, 0x6605), nullptr);
    EXPECT_LT(row->valueCount, row->slotCount);
    for (int i = 0; i < row->slotCount; ++i) EXPECT_EQ(row->ppValues[i] != nullptr, i < row->valueCount) << i;
}

TEST_P(ReaderLtpMade, BodiesAreReadOnlyWhenWanted) {
    writer::StoreBuilder b(Options());
    const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox");
    writer::Message& m = b.AddMessage(inbox, "IPM.Note");
    const uint32_t nid = m.nid();
    const std::string html = "<html><body>" + std::string(5000, 'h') + "</body></html>";
    m.SetHtmlBody(html);
    m.SetRtfBody("{\\rtf1\\ansi Hello}");
    OpenedStore store = OpenStoreBytes(b.WriteMemory());
    ASSERT_TRUE(store.context);

    NodeProps lazy;
    ReadNode(store.get(), nid, &lazy);
    ASSERT_NE(lazy.rows, nullptr);
    for (uint32_t id : {uint32_t(fmt::kPidHtml), uint32_t(fmt::kPidRtfCompressed)}) {
        const PropValue* v = Value(lazy.rows, id);
        ASSERT_NE(v, nullptr) << std::hex << id;
        EXPECT_EQ(v->pData, nullptr);
        EXPECT_EQ(v->size, 0u);
        EXPECT_NE(v->type, 0u) << "the type field keeps the HNID";
        EXPECT_NE(v->type, fmt::kPtBinary);
    }

    observer.wantBodies = true;
    NodeProps loaded;
    ReadNode(store.get(), nid, &loaded);
    ASSERT_NE(loaded.rows, nullptr);
    const PropValue* h = Value(loaded.rows, fmt::kPidHtml);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(Data(h), std::vector<uint8_t>(html.begin(), html.end()));
    const PropValue* rtf = Value(loaded.rows, fmt::kPidRtfCompressed);
    ASSERT_NE(rtf, nullptr);
    ASSERT_GE(rtf->size, 16u);
    EXPECT_EQ(fmt::LoadLe32(rtf->pData), rtf->size - 4) << "the compressed size field";
}

TEST_P(ReaderLtpMade, AttachmentDataAndEmbeddedMessages) {
    writer::StoreBuilder b(Options());
    const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox");
    writer::Message& m = b.AddMessage(inbox, "IPM.Note");
    const uint32_t nid = m.nid();
    std::vector<uint8_t> bytes(30000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    m.AddAttachment(u"big.bin", bytes);
    m.AddEmbeddedMessage(u"Forwarded", "IPM.Note").SetBody(u"inner");
    OpenedStore store = OpenStoreBytes(b.WriteMemory());
    ASSERT_TRUE(store.context);

    NodeProps message;
    ReadNode(store.get(), nid, &message);
    ASSERT_NE(message.rows, nullptr);
    std::vector<SubnodeEntry*> attachments;
    for (SubnodeEntry* e = message.map; e; e = e->pNext)
        if (fmt::NidType(e->subnodeId) == fmt::kNidTypeAttachment) attachments.push_back(e);
    ASSERT_EQ(attachments.size(), 2u);

    PropRow* byValue = ReadNodeProperties(store.get(), attachments[0]->pDataBlock->blockId, attachments[0]->pNested);
    ASSERT_NE(byValue, nullptr);
    EXPECT_EQ(Data(Value(byValue, fmt::kPidAttachDataBinary)), bytes) << "read through the subnode's data tree";
    FreePropRows(byValue);

    PropRow* embedded = ReadNodeProperties(store.get(), attachments[1]->pDataBlock->blockId, attachments[1]->pNested);
    ASSERT_NE(embedded, nullptr);
    const PropValue* object = Value(embedded, fmt::kPidAttachDataBinary);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->type, fmt::kPtObject);
    ASSERT_GE(object->size, 8u);
    EXPECT_EQ(object->pData[fmt::kHeapHeader_bSig], fmt::kHeapSignature) << "replaced by the subnode's heap";
    EXPECT_EQ(object->pData[fmt::kHeapHeader_bClientSig], fmt::kClientSigPc);
    FreePropRows(embedded);
}

TEST_P(ReaderLtpMade, TableRowsComeInStoredOrder) {
    writer::StoreBuilder b(Options());
    const uint32_t parent = b.AddFolder(b.IpmSubtree(), u"Parent");
    for (const char16_t* name : {u"Alpha", u"Beta", u"Gamma"}) b.AddFolder(parent, name);
    OpenedStore store = OpenStoreBytes(b.WriteMemory());
    ASSERT_TRUE(store.context);

    NodeProps table;
    ReadNode(store.get(), (parent & ~fmt::kNidTypeMask) | fmt::kNidTypeHierarchyTable, &table);
    ASSERT_NE(table.rows, nullptr);
    std::vector<std::vector<uint8_t>> names;
    for (PropRow* r = table.rows; r; r = r->pNext) {
        EXPECT_EQ(r->rowCount, 3);
        // Cells of absent values hold HNID 0: those values are dropped.
        EXPECT_LE(r->valueCount, r->slotCount);
        names.push_back(Data(Value(r, fmt::kPidDisplayName)));
    }
    EXPECT_EQ(names, (std::vector<std::vector<uint8_t>>{Text(u"Alpha"), Text(u"Beta"), Text(u"Gamma")}));
}

TEST_P(ReaderLtpMade, DamagedHeapsAndTablesGiveNull) {
    writer::StoreBuilder b(Options());
    const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox");
    writer::Message& m1 = b.AddMessage(inbox, "IPM.Note");
    writer::Message& m2 = b.AddMessage(inbox, "IPM.Note");
    writer::Message& m3 = b.AddMessage(inbox, "IPM.Note");
    const uint32_t unreadable = m1.nid(), twoLevel = m2.nid(), fine = m3.nid();
    const uint32_t contents = (inbox & ~fmt::kNidTypeMask) | fmt::kNidTypeContentsTable;
    b.Damage().unreadableNids = {unreadable};
    b.Damage().twoLevelDataTreeNids = {twoLevel};
    b.Damage().zeroRowIndexRootNids = {contents};
    OpenedStore store = OpenStoreBytes(b.WriteMemory());
    ASSERT_TRUE(store.context);

    NodeProps a, c, d, ok;
    ReadNode(store.get(), unreadable, &a);
    EXPECT_EQ(a.rows, nullptr);
    ReadNode(store.get(), twoLevel, &c);
    EXPECT_EQ(c.rows, nullptr) << "an XXBLOCK is not a heap";
    ReadNode(store.get(), contents, &d);
    EXPECT_EQ(d.rows, nullptr) << "row index root 0";
    ReadNode(store.get(), fine, &ok);
    EXPECT_NE(ok.rows, nullptr);
}

// A value of a type no property has (a damaged record) is left out and
// counted; the rest of the item is read. Error and null values are left out
// without counting: they hold nothing.
TEST_P(ReaderLtpMade, ValuesOfOtherTypesAreLeftOutAndTheRestIsRead) {
    for (uint16_t type : {uint16_t(fmt::kPtErrorCode), uint16_t(0x0001), uint16_t(0x0009), uint16_t(0x1234)}) {
        writer::StoreBuilder b(Options());
        const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox");
        writer::Message& m = b.AddMessage(inbox, "IPM.Note");
        const uint32_t nid = m.nid();
        m.SetProperty(fmt::MakeTag(0x6610, type), {0, 0, 0, 0});
        m.SetProperty(fmt::MakeTag(0x6611, fmt::kPtInteger32), {7, 0, 0, 0});
        OpenedStore store = OpenStoreBytes(b.WriteMemory());
        ASSERT_TRUE(store.context);
        NodeProps props;
        ReadNode(store.get(), nid, &props);
        ASSERT_NE(props.rows, nullptr) << "type " << type;
        EXPECT_EQ(Value(props.rows, 0x6610), nullptr) << "type " << type;
        ASSERT_NE(Value(props.rows, 0x6611), nullptr) << "type " << type;
        EXPECT_EQ(props.rows->lostValues, type == 0x0009 || type == 0x1234 ? 1 : 0) << "type " << type;
    }
}

// Documented types outside the common set are read, not refused: a real
// mail store carries a multi-valued 16-bit integer on ordinary messages.
TEST_P(ReaderLtpMade, FurtherDocumentedTypesAreRead) {
    writer::StoreBuilder b(Options());
    const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox");
    writer::Message& m = b.AddMessage(inbox, "IPM.Note");
    const uint32_t nid = m.nid();
    m.SetProperty(fmt::MakeTag(0x6610, fmt::kPtFloating32), {0x00, 0x00, 0x80, 0x3F});
    m.SetProperty(fmt::MakeTag(0x6611, fmt::kPtMultipleInteger16), {2, 0, 0, 0, 7, 0, 9, 0});
    m.SetProperty(fmt::MakeTag(0x6612, fmt::kPtCurrency), {1, 2, 3, 4, 5, 6, 7, 8});
    OpenedStore store = OpenStoreBytes(b.WriteMemory());
    ASSERT_TRUE(store.context);
    NodeProps props;
    ReadNode(store.get(), nid, &props);
    ASSERT_NE(props.rows, nullptr);
    int seen = 0;
    for (int i = 0; i < props.rows->valueCount; ++i) {
        const PropValue* v = props.rows->ppValues[i];
        if (v->propId == 0x6610) {
            ++seen;
            ASSERT_EQ(v->size, 4u);
            EXPECT_EQ(fmt::LoadLe32(v->pData), 0x3F800000u);
        } else if (v->propId == 0x6611) {
            ++seen;
            ASSERT_EQ(v->size, 8u);
            EXPECT_EQ(fmt::LoadLe16(v->pData + 6), 9);
        } else if (v->propId == 0x6612) {
            ++seen;
            EXPECT_EQ(v->size, 8u);
        }
    }
    EXPECT_EQ(seen, 3);
}

TEST_P(ReaderLtpMade, TableCellsUpToFourBytesAreInline) {
    auto makeTable = [&] {
        writer::SubnodeIds ids;
        std::vector<writer::TableColumn> columns = {
            {fmt::MakeTag(0x6620, fmt::kPtInteger32), 4},
            {fmt::MakeTag(0x6621, fmt::kPtBinary), 5},
            {fmt::MakeTag(0x6622, fmt::kPtInteger64), 8},
        };
        writer::TableContextBuilder table(GetParam(), columns, ids);
        writer::PropertySet row(GetParam());
        row.SetInt32(0x6620, 0x11223344);
        row.SetBinary(0x6621, {1, 2, 3, 4, 5});
        row.SetInt64(0x6622, 0x0102030405060708LL);
        table.AddRow(0x42, row);
        return table.Build();
    };
    OpenedStore store = StoreWithOneNode(makeTable());
    ASSERT_TRUE(store.context);

    observer.displayBusy = true;
    const int before = g_nReadProgressPos;
    NodeProps props;
    ReadNode(store.get(), 0x21, &props);
    ASSERT_NE(props.rows, nullptr);
    const PropRow* r = props.rows;
    EXPECT_EQ(fmt::LoadLe32(Value(r, 0x6620)->pData), 0x11223344u);
    EXPECT_EQ(Data(Value(r, 0x6621)), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(fmt::LoadLe64(Value(r, 0x6622)->pData), 0x0102030405060708ull);

    // Progress: one step per column, the range 2n + 2 for the row.
    EXPECT_EQ(g_nReadProgressPos - before, r->slotCount);
    EXPECT_EQ(g_nReadProgressRange, 2 * r->slotCount + 2);
    EXPECT_EQ(observer.ranges, (std::vector<int>{2 * r->slotCount + 2}));
    ASSERT_EQ(observer.positions.size(), static_cast<size_t>(r->slotCount));
    EXPECT_EQ(observer.positions.back(), g_nReadProgressPos);

    observer.displayBusy = false;
    NodeProps quiet;
    ReadNode(store.get(), 0x21, &quiet);
    EXPECT_EQ(observer.positions.size(), static_cast<size_t>(r->slotCount)) << "no messages when not busy";
    EXPECT_EQ(g_nReadProgressPos - before, 2 * r->slotCount);

    // A damaged column count, far beyond the descriptors the table's
    // header holds: only those are read.
    writer::LtpNode built = makeTable();
    std::vector<uint8_t>& heap = built.data.blocks.empty() ? built.data.stream : built.data.blocks[0];
    const uint32_t hid = fmt::LoadLe32(&heap[fmt::kHeapHeader_hidUserRoot]);
    const size_t header = fmt::LoadLe16(&heap[fmt::LoadLe16(&heap[0]) + 2 + 2 * (hid >> 5)]);
    ASSERT_EQ(heap[header], fmt::kClientSigTc);
    heap[header + 1] = 0xFF;
    OpenedStore damaged = StoreWithOneNode(std::move(built));
    NodeProps read;
    ReadNode(damaged.get(), 0x21, &read);
    ASSERT_NE(read.rows, nullptr);
    EXPECT_EQ(read.rows->slotCount, r->slotCount);
}

// A row matrix of several data blocks: rows never cross a block boundary,
// each block's unused tail is padding, and every row reads back as written.
TEST_P(ReaderLtpMade, RowsOfAMatrixOverSeveralBlocksStayAligned) {
    writer::SubnodeIds ids;
    std::vector<writer::TableColumn> columns = {
        {fmt::MakeTag(0x6620, fmt::kPtInteger32), 4},
        {fmt::MakeTag(0x6622, fmt::kPtInteger64), 8},
        {fmt::MakeTag(0x6623, fmt::kPtInteger64), 8},
        {fmt::MakeTag(0x6624, fmt::kPtInteger64), 8},
        {fmt::MakeTag(0x6625, fmt::kPtInteger64), 8},
        {fmt::MakeTag(0x6626, fmt::kPtInteger64), 8},
        {fmt::MakeTag(0x6627, fmt::kPtInteger64), 8},
        {fmt::MakeTag(0x6628, fmt::kPtInteger64), 8},
        {fmt::MakeTag(0x6629, fmt::kPtInteger64), 8},
        {fmt::MakeTag(0x662A, fmt::kPtInteger64), 8},
        {fmt::MakeTag(0x662B, fmt::kPtInteger64), 8},
        {fmt::MakeTag(0x662C, fmt::kPtInteger64), 8},
    };
    writer::TableContextBuilder table(GetParam(), columns, ids);
    const uint32_t kRows = 1000;   // the row index is a B-tree of two levels
    for (uint32_t i = 0; i < kRows; ++i) {
        writer::PropertySet row(GetParam());
        row.SetInt32(0x6620, static_cast<int32_t>(1000 + i));
        row.SetInt64(0x662C, static_cast<int64_t>(i) * 3);
        table.AddRow(0x100 + i, row);
    }
    const size_t blockData = writer::MaxBlockData(GetParam());
    ASSERT_NE(blockData % table.RowSize(), 0u) << "the rows must leave padding at the end of a block";
    ASSERT_GT(kRows * table.RowSize(), 2 * blockData);
    OpenedStore store = StoreWithOneNode(table.Build());
    ASSERT_TRUE(store.context);
    NodeProps props;
    ReadNode(store.get(), 0x21, &props);
    ASSERT_NE(props.rows, nullptr);
    // Rows come in their stored order.
    uint32_t expected = 0;
    for (const PropRow* r = props.rows; r; r = r->pNext, ++expected) {
        ASSERT_NE(Value(r, 0x6620), nullptr);
        EXPECT_EQ(fmt::LoadLe32(Value(r, 0x6620)->pData), 1000 + expected);
        EXPECT_EQ(fmt::LoadLe64(Value(r, 0x662C)->pData), expected * 3ull);
    }
    EXPECT_EQ(expected, kRows);
}

INSTANTIATE_TEST_SUITE_P(Variants, ReaderLtpMade, ::testing::Values(writer::Variant::Ansi, writer::Variant::Unicode),
                         [](const ::testing::TestParamInfo<writer::Variant>& info) {
                             return info.param == writer::Variant::Ansi ? "Ansi" : "Unicode";
                         });

// ---- heap items ----------------------------------------------------------------

TEST(ReaderLtp, HeapItemsStayInsideTheirBlock) {
    // A heap block: page map at 12: 2 allocations, 0 free, offsets 4, 8, 12.
    std::vector<uint8_t> block = {12, 0, 0xEC, 0xBC, 0x20, 0, 0, 0, 'a', 'b', 'c', 'd', 2, 0, 0, 0, 4, 0, 8, 0, 12, 0};
    size_t start = 0, end = 0;
    ASSERT_TRUE(LookupHeapPageMap(0x20, block, &start, &end));
    EXPECT_EQ(start, 4u);
    EXPECT_EQ(end, 8u);
    ASSERT_TRUE(LookupHeapPageMap(0x40, block, &start, &end));
    EXPECT_EQ(start, 8u);
    EXPECT_EQ(end, 12u);
    EXPECT_FALSE(LookupHeapPageMap(0x60, block, &start, &end)) << "past the page map";
    std::vector<uint8_t> oneItem = block;
    oneItem[12] = 1;
    EXPECT_TRUE(LookupHeapPageMap(0x20, oneItem, &start, &end));
    EXPECT_FALSE(LookupHeapPageMap(0x40, oneItem, &start, &end)) << "past the allocation count";

    NodeHeap heap;
    heap.blocks.push_back(block);
    HeapItem item;
    ASSERT_TRUE(GetHeapItem(heap, 0x40, &item));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(item.data), item.size), "abcd");
    EXPECT_FALSE(GetHeapItem(heap, 0, &item));
    EXPECT_FALSE(GetHeapItem(heap, 0x44, &item)) << "low bits of a HID are 0";
    EXPECT_FALSE(GetHeapItem(heap, 0x10040, &item)) << "no second heap block";
    EXPECT_FALSE(GetHeapItem(heap, 0x3F, &item)) << "a subnode id without a map";

    // An end offset past the block, or before the start, is refused.
    heap.blocks[0][20] = 200;
    EXPECT_FALSE(GetHeapItem(heap, 0x40, &item));
    heap.blocks[0][20] = 6;
    EXPECT_FALSE(GetHeapItem(heap, 0x40, &item));
    EXPECT_FALSE(LookupHeapPageMap(0x20, std::vector<uint8_t>{1}, &start, &end));
}

}  // namespace
