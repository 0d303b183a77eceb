// The writer's heaps, B-trees-on-heap, property contexts and table contexts,
// read back through an independent probe of the file layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "format/layout.h"
#include "format/props.h"
#include "writer/ltp_context.h"
#include "writer/ltp_heap.h"
#include "writer/msg_rows.h"
#include "writer/ndb_writer.h"
#include "writer_store_probe.h"

namespace {

using writer::Bytes;
using writer::Variant;

Bytes Pattern(size_t n, uint8_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7);
    return b;
}

// Writes one node into a store and opens it with the probe.
probe::Store StoreWith(Variant v, writer::LtpNode node, uint32_t nid = 0x12E) {
    writer::StoreOptions options;
    options.variant = v;
    writer::NdbWriter ndb(options);
    writer::Node n;
    n.nid = nid;
    n.data = std::move(node.data);
    n.subnodes = std::move(node.subnodes);
    ndb.AddNode(std::move(n));
    return probe::Store(ndb.WriteMemory());
}

TEST(WriterHeap, EveryItemReadsBackThroughThePageMap) {
    writer::HeapBuilder heap(Variant::Unicode, fmt::kClientSigPc);
    std::vector<std::pair<uint32_t, Bytes>> items;
    for (size_t size : {1u, 7u, 0u, 300u, 3580u, 3580u, 33u, 3580u})
        items.emplace_back(0, Pattern(size, static_cast<uint8_t>(size)));
    for (auto& it : items) it.first = heap.Allocate(it.second);
    heap.SetUserRoot(items[1].first);
    const std::vector<Bytes> pages = heap.Finish();
    ASSERT_EQ(pages.size(), 2u);                 // three items of 3580 bytes need two pages
    EXPECT_EQ(pages[0][2], 0xEC);
    EXPECT_EQ(pages[0][3], fmt::kClientSigPc);
    EXPECT_EQ(fmt::LoadLe32(&pages[0][4]), items[1].first);
    for (const Bytes& p : pages) {
        EXPECT_EQ(fmt::LoadLe16(p.data()) % 2, 0) << "page map offset must be even";
        EXPECT_LE(p.size(), writer::MaxBlockData(Variant::Unicode));
    }
    for (const auto& it : items) EXPECT_EQ(probe::Store::HeapItem(pages, it.first), it.second);
    EXPECT_EQ(items.back().first >> 16, 1u) << "the last item went to the second page";
}

TEST(WriterHeap, LongHeapsUseBitmapHeadersAtPages8And136) {
    writer::HeapBuilder heap(Variant::Ansi, fmt::kClientSigTc);
    std::vector<std::pair<uint32_t, Bytes>> items;
    for (int i = 0; i < 300; ++i) items.emplace_back(heap.Allocate(Pattern(3500, static_cast<uint8_t>(i))), Pattern(3500, static_cast<uint8_t>(i)));
    const std::vector<Bytes> pages = heap.Finish();
    ASSERT_GT(pages.size(), 137u);
    for (size_t page : {size_t{1}, size_t{8}, size_t{9}, size_t{136}}) {
        const Bytes& p = pages[page];
        const size_t map = fmt::LoadLe16(p.data());
        const size_t firstItem = fmt::LoadLe16(&p[map + 4]);
        EXPECT_EQ(firstItem, page % 128 == 8 ? 66u : 2u) << "page " << page;
    }
    for (const auto& it : items) ASSERT_EQ(probe::Store::HeapItem(pages, it.first), it.second);
}

// A heap of a large table hands the pages it has moved past to a sink:
// the blocks it names, in page order, are the very pages a heap without a
// sink gives (fill levels of pages 0, 8 and 136 included); a small heap
// never uses the sink.
TEST(WriterHeap, PagesGoneToTheSinkAreThePagesOfAWholeHeap) {
    for (int count : {20, 700}) {
        SCOPED_TRACE(count);
        writer::HeapBuilder whole(Variant::Unicode, fmt::kClientSigTc), sunk(Variant::Unicode, fmt::kClientSigTc);
        std::map<uint64_t, Bytes> sent;
        sunk.SetPageSink([&](const Bytes& page) {
            const uint64_t bid = 4 * (sent.size() + 1);
            sent[bid] = page;
            return bid;
        });
        for (int i = 0; i < count; ++i) {
            const Bytes item = Pattern(static_cast<size_t>(1 + (i * 37) % 2900), static_cast<uint8_t>(i));
            ASSERT_EQ(whole.Allocate(item), sunk.Allocate(item));
        }
        whole.SetUserRoot(0x20);
        sunk.SetUserRoot(0x20);
        const std::vector<Bytes> pages = whole.Finish();
        const writer::NodeData data = sunk.FinishData();
        if (count == 20) {
            EXPECT_TRUE(sent.empty());
            EXPECT_TRUE(data.written.empty());
            EXPECT_TRUE(data.blocks == pages);
            continue;
        }
        ASSERT_GT(pages.size(), 137u);
        EXPECT_TRUE(data.blocks.empty());
        ASSERT_EQ(data.written.size(), pages.size());
        EXPECT_EQ(sent.size(), pages.size());
        for (size_t i = 0; i < pages.size(); ++i) {
            EXPECT_EQ(data.written[i].second, pages[i].size()) << "page " << i;
            EXPECT_TRUE(sent[data.written[i].first] == pages[i]) << "page " << i;
        }
        // The pages holding fill levels went after all the others.
        EXPECT_GT(data.written[0].first, data.written[135].first);
        EXPECT_GT(data.written[136].first, data.written[137].first);
    }
}

// Rows kept between checkpoints come back exactly as added: values equal to
// the last row's or to an earlier value of the row, text with and without
// high bytes, empty values, row ids in any order, more tags than a slot
// byte names.
TEST(WriterRows, CompactRowsGiveBackEveryRowAsAdded) {
    writer::CompactRows rows;
    std::vector<std::pair<uint32_t, writer::PropertySet>> added;
    for (int i = 0; i < 400; ++i) {
        writer::PropertySet p(Variant::Unicode);
        const std::string n = std::to_string(i);
        p.SetString(fmt::kPidMessageClass, u"IPM.Note");
        p.SetString(fmt::kPidSubject, i % 3 ? u"Subject " + std::u16string(n.begin(), n.end()) : u"\u65e5\u672c " + std::u16string(n.begin(), n.end()));
        p.Set(fmt::MakeTag(fmt::kPidConversationTopic, fmt::kPtUnicode), p.Find(fmt::kPidSubject)->bytes);
        p.SetString(fmt::kPidDisplayTo, i % 5 ? u"Ann \u00e9" : u"");
        p.SetInt32(fmt::kPidMessageFlags, i % 7 == 0 ? 1 : 0x11);
        p.SetTime(fmt::kPidMessageDeliveryTime, 0x01D5000000000000ull + uint64_t(i) * 600000000);
        p.SetTime(fmt::kPidClientSubmitTime, 0x01D5000000000000ull + uint64_t(i) * 600000000);
        p.SetBinary(fmt::kPidSearchKey, Pattern(16, static_cast<uint8_t>(i / 2)));
        p.SetBinary(0x7001, Bytes{});
        if (i == 399)   // more tags than fit the slots
            for (uint16_t id = 0x7100; id < 0x7100 + 300; ++id) p.SetInt32(id, id);
        const uint32_t rowId = i % 4 == 3 ? 0x200024u + uint32_t(i) * 32 : 0x200024u + uint32_t(400 - i) * 32;
        rows.Add(rowId, p);
        added.emplace_back(rowId, std::move(p));
    }
    rows.Trim();
    size_t at = 0;
    rows.ForEach(Variant::Unicode, [&](uint32_t rowId, const writer::PropertySet& values) {
        ASSERT_LT(at, added.size());
        EXPECT_EQ(rowId, added[at].first) << at;
        const auto& want = added[at].second.values();
        ASSERT_EQ(values.values().size(), std::min<size_t>(want.size(), 255)) << at;
        for (const auto& v : values.values()) {
            const writer::PropValue* w = added[at].second.Find(v.first);
            ASSERT_TRUE(w) << at;
            EXPECT_EQ(v.second.type, w->type) << at;
            EXPECT_TRUE(v.second.bytes == w->bytes) << at << " id " << v.first;
        }
        ++at;
    });
    EXPECT_EQ(at, added.size());
    EXPECT_EQ(rows.size(), added.size());
}

TEST(WriterBth, ManyRecordsGetIntermediateLevelsAndStayInOrder) {
    writer::HeapBuilder heap(Variant::Unicode, fmt::kClientSigTc);
    Bytes records;
    for (uint32_t k = 0; k < 2000; ++k) {
        uint8_t r[8];
        fmt::StoreLe32(r, k * 3 + 1);
        fmt::StoreLe32(r + 4, k);
        records.insert(records.end(), r, r + 8);
    }
    const uint32_t header = writer::WriteBth(heap, 4, 4, records);
    const uint32_t empty = writer::WriteBth(heap, 4, 4, Bytes());
    const std::vector<Bytes> pages = heap.Finish();
    uint8_t levels = 0;
    EXPECT_EQ(probe::Store::BthRecords(pages, header, nullptr, nullptr, &levels), records);
    EXPECT_EQ(levels, 1);
    const Bytes h = probe::Store::HeapItem(pages, header);
    const Bytes top = probe::Store::HeapItem(pages, fmt::LoadLe32(&h[4]));
    for (size_t off = 0; off < top.size(); off += 8) {           // key = first key of the child
        const Bytes child = probe::Store::HeapItem(pages, fmt::LoadLe32(&top[off + 4]));
        EXPECT_EQ(fmt::LoadLe32(&top[off]), fmt::LoadLe32(child.data()));
    }
    EXPECT_EQ(fmt::LoadLe32(&probe::Store::HeapItem(pages, empty)[4]), 0u) << "an empty tree has root 0";
}

TEST(WriterPropertyContext, ValuesGoInlineIntoTheHeapOrIntoSubnodes) {
    for (Variant v : {Variant::Unicode, Variant::Ansi}) {
        SCOPED_TRACE(v == Variant::Unicode ? "unicode" : "ansi");
        writer::PropertySet props(v);
        props.SetInt32(fmt::kPidImportance, 2);
        props.SetBool(fmt::kPidRtfInSync, true);
        props.SetInt16(0x1234, -2);
        props.SetTime(fmt::kPidCreationTime, 0x01D5C03669050000ull);
        props.SetString(fmt::kPidSubject, u"Caf\u00e9 \u20ac");
        props.SetString(fmt::kPidDisplayName, u"");
        props.SetBinary(0x6001, Pattern(3580, 1));                        // the largest heap item
        props.SetBinary(0x6002, Pattern(3581, 2));                        // one byte too many
        props.SetBinary(0x6003, Pattern(40000, 3));                       // a data tree
        props.Set(fmt::MakeTag(0x6004, fmt::kPtErrorCode), {0x0F, 0x01, 0x04, 0x80});
        writer::SubnodeIds ids;
        auto store = StoreWith(v, writer::BuildPropertyContext(props, ids));
        auto pc = store.NodeProperties(0x12E);
        ASSERT_EQ(pc.size(), 10u);
        EXPECT_EQ(probe::U32(pc[fmt::kPidImportance].bytes), 2u);
        EXPECT_EQ(pc[fmt::kPidRtfInSync].hnid, 1u);
        EXPECT_EQ(pc[0x1234].hnid, 0xFFFEu);
        EXPECT_EQ(pc[0x6004].type, fmt::kPtErrorCode);
        EXPECT_EQ(pc[0x6004].hnid, 0x8004010Fu);
        EXPECT_EQ(pc[fmt::kPidCreationTime].hnid & 0x1F, 0u) << "8-byte values live in the heap";
        EXPECT_EQ(fmt::LoadLe64(pc[fmt::kPidCreationTime].bytes.data()), 0x01D5C03669050000ull);
        if (v == Variant::Unicode) {
            EXPECT_EQ(pc[fmt::kPidSubject].type, fmt::kPtUnicode);
            EXPECT_EQ(probe::Utf16(pc[fmt::kPidSubject].bytes), u"Caf\u00e9 \u20ac");
        } else {
            EXPECT_EQ(pc[fmt::kPidSubject].type, fmt::kPtString8);
            EXPECT_EQ(probe::Narrow(pc[fmt::kPidSubject].bytes), "Caf\xE9 \x80");
        }
        EXPECT_EQ(pc[fmt::kPidDisplayName].hnid, 0u) << "an empty text has no heap item";
        EXPECT_EQ(pc[0x6001].hnid & 0x1F, 0u);
        EXPECT_EQ(pc[0x6002].hnid & 0x1F, fmt::kNidTypeLtp);
        EXPECT_EQ(pc[0x6001].bytes, Pattern(3580, 1));
        EXPECT_EQ(pc[0x6002].bytes, Pattern(3581, 2));
        EXPECT_EQ(pc[0x6003].bytes, Pattern(40000, 3));
    }
}

writer::PropertySet Row(Variant v, int i) {
    writer::PropertySet r(v);
    r.SetString(fmt::kPidSubject, u"Row " + writer::Utf16FromAscii(std::to_string(i)));
    if (i % 2) r.SetInt32(fmt::kPidImportance, i);
    r.SetTime(fmt::kPidMessageDeliveryTime, 1000u + i);
    r.SetBool(0x0057, i % 3 == 0);
    return r;
}

const std::vector<writer::TableColumn> kColumns = {
    {0x0057000B, 0}, {0x0037001F, 0}, {0x00170003, 0}, {0x0E060040, 0}, {0x10800002, 0}};

TEST(WriterTable, RowLayoutGroupsCellsBySizeAndSortsDescriptors) {
    writer::SubnodeIds ids;
    writer::TableContextBuilder table(Variant::Unicode, kColumns, ids);
    table.AddRow(0x30, Row(Variant::Unicode, 1));
    auto t = StoreWith(Variant::Unicode, table.Build()).NodeTable(0x12E);
    ASSERT_EQ(t.columns.size(), 7u);
    EXPECT_TRUE(std::is_sorted(t.columns.begin(), t.columns.end(),
                               [](const auto& a, const auto& b) { return a.tag < b.tag; }));
    std::map<uint32_t, probe::Table::Column> byTag;
    for (const auto& c : t.columns) byTag[c.tag] = c;
    EXPECT_EQ(byTag[0x67F20003].ib, 0);
    EXPECT_EQ(byTag[0x67F30003].ib, 4);
    EXPECT_EQ(byTag[0x0E060040].ib % 8, 0) << "8-byte cell aligned";
    EXPECT_GT(byTag[0x10800002].ib, byTag[0x00170003].ib) << "2-byte cells after 4-byte ones";
    EXPECT_GT(byTag[0x0057000B].ib, byTag[0x10800002].ib) << "1-byte cells after 2-byte ones";
    EXPECT_EQ(t.rowSize, 8 + 4 + 8 + 4 + 2 + 1 + 1);
    ASSERT_EQ(t.rows.size(), 1u);
    auto& row = t.rows[0];
    EXPECT_EQ(probe::U32(row[0x67F20003].bytes), 0x30u);
    EXPECT_EQ(probe::Utf16(row[0x0037001F].bytes), u"Row 1");
    EXPECT_EQ(probe::U32(row[0x00170003].bytes), 1u);
    EXPECT_EQ(row.count(0x10800002), 0u) << "absent value: its existence bit stays clear";
}

TEST(WriterTable, SmallMatricesLiveInTheHeapLargeOnesInWholeRowBlocks) {
    for (Variant v : {Variant::Unicode, Variant::Ansi}) {
        for (int count : {3, 400}) {
            SCOPED_TRACE(count);
            writer::SubnodeIds ids;
            writer::TableContextBuilder table(v, kColumns, ids);
            for (int i = 0; i < count; ++i) table.AddRow(static_cast<uint32_t>(1000 - i), Row(v, i));
            auto store = StoreWith(v, table.Build());
            auto t = store.NodeTable(0x12E);
            EXPECT_EQ((t.hnidRows & 0x1F) == 0, count == 3);
            ASSERT_EQ(t.rows.size(), static_cast<size_t>(count));
            for (int i = 0; i < count; ++i) {
                EXPECT_EQ(probe::U32(t.rows[i][0x67F20003].bytes), static_cast<uint32_t>(1000 - i));
                const uint32_t subjectTag = v == Variant::Unicode ? 0x0037001F : 0x0037001E;
                const std::string expect = "Row " + std::to_string(i);
                const auto& bytes = t.rows[i][subjectTag].bytes;
                EXPECT_EQ(v == Variant::Unicode ? writer::Utf16FromAscii(expect) == probe::Utf16(bytes)
                                                : expect == probe::Narrow(bytes), true);
            }
            EXPECT_TRUE(std::is_sorted(t.rowIndexIds.begin(), t.rowIndexIds.end()));
            const auto heap = store.DataBlocks(store.Node(0x12E).bidData);
            uint8_t cbEnt = 0;
            probe::Store::BthRecords(heap, t.hidRowIndex, nullptr, &cbEnt);
            EXPECT_EQ(cbEnt, v == Variant::Unicode ? 4 : 2) << "row index entry size";
            EXPECT_EQ(t.rowIndexIds.size(), static_cast<size_t>(count));
            if (count > 3) {
                const auto subs = store.Subnodes(store.Node(0x12E).bidSub);
                for (const auto& block : store.DataBlocks(subs.at(t.hnidRows).bidData))
                    EXPECT_EQ(block.size() % t.rowSize, 0u) << "a row straddles two blocks";
            }
        }
    }
}

TEST(WriterTable, ExplicitCellSizesAndAZeroRowIndexRoot) {
    writer::SubnodeIds ids;
    writer::TableContextBuilder table(Variant::Unicode, {{0x66000102, 5}, {0x66010102, 4}}, ids);
    writer::PropertySet r(Variant::Unicode);
    r.SetBinary(0x6600, {1, 2, 3, 4, 5});
    r.SetBinary(0x6601, {9, 8, 7});
    table.AddRow(1, r);
    table.SetZeroRowIndexRoot(true);
    auto t = StoreWith(Variant::Unicode, table.Build()).NodeTable(0x12E);
    EXPECT_TRUE(t.rowIndexRootZero);
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][0x66000102].bytes, (Bytes{1, 2, 3, 4, 5})) << "a 5-byte cell holds the value";
    EXPECT_EQ(t.rows[0][0x66010102].bytes, (Bytes{9, 8, 7})) << "a 4-byte cell holds an HNID";
}

TEST(WriterTable, EmptyTableHasNoRowsAndAnEmptyIndex) {
    writer::SubnodeIds ids;
    writer::TableContextBuilder table(Variant::Unicode, kColumns, ids);
    auto t = StoreWith(Variant::Unicode, table.Build()).NodeTable(0x12E);
    EXPECT_EQ(t.hnidRows, 0u);
    EXPECT_TRUE(t.rowIndexRootZero);
    EXPECT_TRUE(t.rows.empty());
}

}  // namespace
