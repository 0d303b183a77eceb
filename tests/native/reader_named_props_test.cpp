// The name-to-id map: real samples, named properties of writer-made
// messages, and hand-made entry and string streams for the edge cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "format/layout.h"
#include "format/props.h"
#include "reader/ltp.h"
#include "reader/named_props.h"
#include "reader_ndb_test_util.h"
#include "writer/ltp_context.h"
#include "writer/msg_name_map.h"
#include "writer/store_builder.h"

using namespace reader_test;

namespace {

struct MapSummary {
    int numeric = 0;
    int named = 0;
    bool sorted = true;
};

MapSummary Summarize(StoreContext* context) {
    MapSummary s;
    uint32_t previous = 0;
    for (NamedPropEntry* e = context->pFirstNamedProp; e; e = e->pNext) {
        if (e->propId < previous || e->propId < 0x8000) s.sorted = false;
        previous = e->propId;
        EXPECT_NE(e->pValue, nullptr);
        if (e->kind == kNamedPropNumeric) ++s.numeric;
        if (e->kind == kNamedPropString) ++s.named;
    }
    return s;
}

std::string NameOf(NamedPropEntry* e) {
    return e && e->kind == kNamedPropString ? static_cast<const char*>(e->pValue) : std::string("<none>");
}

TEST(ReaderNamedProps, SamplePairOfBothVariantsGivesTheSameMap) {
    RecordingObserver observer;
    for (const char* file : {"unicode-sample1-attachment.pst", "ansi-sample2-attachment.pst"}) {
        SCOPED_TRACE(file);
        OpenedStore store = OpenSample(file);
        ASSERT_TRUE(store.context);
        ASSERT_EQ(LoadNamedPropertyMap(store.get()), 1);
        const MapSummary s = Summarize(store.get());
        EXPECT_TRUE(s.sorted);
        EXPECT_EQ(s.numeric, 150);
        EXPECT_EQ(s.named, 22);
        NamedPropEntry* first = FindNamedPropEntry(store.get(), 0x8000);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->kind, kNamedPropNumeric);
        EXPECT_EQ(*static_cast<uint32_t*>(first->pValue), 0x8205u);
        EXPECT_EQ(NameOf(FindNamedPropEntry(store.get(), 0x8012)), "Keywords");
        EXPECT_EQ(NameOf(FindNamedPropEntry(store.get(), 0x8009)), "content-class");
    }
}

TEST(ReaderNamedProps, EverySampleHasASortedMap) {
    RecordingObserver observer;
    for (const char* file : {"ansi-outlook97-mail.pst", "unicode-crypt-high.pst", "unicode-crypt-none.pst",
                             "unicode-enron-mail.pst", "ost-unicode-sample.ost"}) {
        SCOPED_TRACE(file);
        OpenedStore store = OpenSample(file);
        ASSERT_TRUE(store.context);
        ASSERT_EQ(LoadNamedPropertyMap(store.get()), 1);
        const MapSummary s = Summarize(store.get());
        EXPECT_TRUE(s.sorted);
        EXPECT_GT(s.numeric + s.named, 0);
        // The lookup answers what a scan of the list does.
        for (uint32_t id = 0x7FF0; id < 0x8500; ++id) {
            NamedPropEntry* scan = store->pFirstNamedProp;
            while (scan && scan->propId < id) scan = scan->pNext;
            ASSERT_EQ(FindNamedPropEntry(store.get(), id), scan) << std::hex << id;
        }
    }
}

class ReaderNamedMade : public ::testing::TestWithParam<writer::Variant> {
protected:
    writer::StoreOptions Options() const {
        writer::StoreOptions options;
        options.variant = GetParam();
        return options;
    }
    RecordingObserver observer;
};

const PropValue* Value(const PropRow* row, uint32_t id) {
    for (int32_t i = 0; i < row->valueCount; ++i)
        if (row->ppValues[i]->propId == id) return row->ppValues[i];
    return nullptr;
}

TEST_P(ReaderNamedMade, NamedPropertiesReadAsLidOrName) {
    writer::StoreBuilder b(Options());
    const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox");
    writer::Message& m = b.AddMessage(inbox, "IPM.Appointment");
    const uint32_t nid = m.nid();
    const uint16_t start = m.Named(writer::kPsetidAppointment, 0x820D);
    const uint16_t keywords = m.Named(writer::kPsPublicStrings, u"Keywords");
    const uint16_t wide = m.Named(writer::kPsPublicStrings, u"Gr\u00F6\u00DFe\u0100tail");
    m.SetTime(start, 0x01D5C03669050000ull);
    m.SetInt32(keywords, 11);
    m.SetInt32(wide, 12);
    OpenedStore store = OpenStoreBytes(b.WriteMemory());
    ASSERT_TRUE(store.context);
    ASSERT_EQ(LoadNamedPropertyMap(store.get()), 1);
    EXPECT_TRUE(Summarize(store.get()).sorted);

    NodeEntry* node = FindNode(store.get(), nid);
    ASSERT_NE(node, nullptr);
    PropRow* rows = ReadNodeProperties(store.get(), node->pDataBlock->blockId, nullptr);
    ASSERT_NE(rows, nullptr);
    const PropValue* time = Value(rows, 0x820D);
    ASSERT_NE(time, nullptr) << "a numeric named property gets its LID";
    EXPECT_EQ(time->type, fmt::kPtTime);
    std::vector<std::string> names;
    for (int32_t i = 0; i < rows->valueCount; ++i) {
        const PropValue* v = rows->ppValues[i];
        if (v->propId == 0xFFFFFFFF) {
            ASSERT_NE(v->pszName, nullptr);
            names.push_back(v->pszName);
            EXPECT_EQ(fmt::LoadLe32(v->pData), names.back() == "Keywords" ? 11u : 12u);
        }
        EXPECT_TRUE(v->propId < 0x8000 || v->propId == 0xFFFFFFFF || v->propId == 0x820D) << std::hex << v->propId;
    }
    // Only each unit's low byte is kept, up to the first unit whose low byte is 0.
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Gr\xF6\xDF" "e", "Keywords"}));
    FreePropRows(rows);

    // The map is the reader's: kept through the reset, names included.
    const char* kept = NameOf(FindNamedPropEntry(store.get(), keywords)) == "Keywords"
                           ? static_cast<const char*>(FindNamedPropEntry(store.get(), keywords)->pValue)
                           : nullptr;
    ASSERT_NE(kept, nullptr);
    ResetNamedPropertyMap(store.get());
    EXPECT_EQ(store->pFirstNamedProp, nullptr);
    EXPECT_EQ(FindNamedPropEntry(store.get(), keywords), nullptr);
    EXPECT_STREQ(kept, "Keywords");
}

TEST_P(ReaderNamedMade, StoreWithoutTheMapLoadsWithIdsUnchanged) {
    writer::StoreBuilder b(Options());
    const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox");
    writer::Message& m = b.AddMessage(inbox, "IPM.Note");
    const uint32_t nid = m.nid();
    const uint16_t id = m.Named(writer::kPsetidCommon, 0x8580);
    m.SetInt32(id, 3);
    b.Damage().omitNameToIdMap = true;
    OpenedStore store = OpenStoreBytes(b.WriteMemory());
    ASSERT_TRUE(store.context);
    EXPECT_EQ(FindNode(store.get(), fmt::kNidNameToIdMap), nullptr);
    EXPECT_EQ(LoadNamedPropertyMap(store.get()), 0);
    EXPECT_EQ(store->pFirstNamedProp, nullptr);
    PropRow* rows = ReadNodeProperties(store.get(), FindNode(store.get(), nid)->pDataBlock->blockId, nullptr);
    ASSERT_NE(rows, nullptr);
    EXPECT_NE(Value(rows, id), nullptr);
    FreePropRows(rows);
}

// A store whose node 0x61 holds the given entry and string streams.
OpenedStore StoreWithStreams(writer::Variant variant, const std::vector<uint8_t>& entries,
                             const std::vector<uint8_t>* strings) {
    writer::StoreOptions options;
    options.variant = variant;
    writer::NdbWriter ndb(options);
    writer::SubnodeIds ids;
    writer::PropertySet props(variant);
    props.SetBinary(0x0003, entries);
    if (strings) props.SetBinary(0x0004, *strings);
    writer::LtpNode pc = writer::BuildPropertyContext(props, ids);
    writer::Node root;
    root.nid = 0x21;
    root.data.stream = {0};
    ndb.AddNode(std::move(root));
    writer::Node map;
    map.nid = fmt::kNidNameToIdMap;
    map.data = std::move(pc.data);
    map.subnodes = std::move(pc.subnodes);
    ndb.AddNode(std::move(map));
    return OpenStoreBytes(ndb.WriteMemory());
}

void Record(std::vector<uint8_t>& out, uint32_t value, bool stringNamed, uint16_t index) {
    uint8_t r[8];
    fmt::StoreLe32(r, value);
    fmt::StoreLe16(r + 4, stringNamed ? 1 : 0);
    fmt::StoreLe16(r + 6, index);
    out.insert(out.end(), r, r + 8);
}

TEST_P(ReaderNamedMade, HandMadeStreamsKeepTheirEdgeCases) {
    std::vector<uint8_t> strings;
    auto addName = [&](const std::u16string& name, uint32_t declaredBytes) {
        const uint32_t at = static_cast<uint32_t>(strings.size());
        uint8_t len[4];
        fmt::StoreLe32(len, declaredBytes);
        strings.insert(strings.end(), len, len + 4);
        for (char16_t c : name) {
            strings.push_back(static_cast<uint8_t>(c));
            strings.push_back(static_cast<uint8_t>(c >> 8));
        }
        return at;
    };
    const uint32_t alpha = addName(u"alpha", 10);
    const uint32_t runsPast = addName(u"tail", 400);  // length past the stream: bounded
    strings.push_back('x');  // half a unit at the end: the name stops before it

    std::vector<uint8_t> entries;
    Record(entries, 0x8100, false, 5);
    Record(entries, 0x8101, false, 2);
    Record(entries, alpha, true, 5);  // same index as the first: goes in front of it
    Record(entries, static_cast<uint32_t>(strings.size()), true, 7);  // offset at the end: left out
    Record(entries, runsPast, true, 9);
    entries.push_back(0xAA);  // a partial record is not read
    entries.push_back(0xBB);

    OpenedStore store = StoreWithStreams(GetParam(), entries, &strings);
    ASSERT_TRUE(store.context);
    ASSERT_EQ(LoadNamedPropertyMap(store.get()), 1);
    std::vector<std::pair<uint32_t, std::string>> list;
    for (NamedPropEntry* e = store->pFirstNamedProp; e; e = e->pNext)
        list.emplace_back(e->propId, e->kind == kNamedPropString ? NameOf(e)
                                                                 : std::to_string(*static_cast<uint32_t*>(e->pValue)));
    EXPECT_EQ(list, (std::vector<std::pair<uint32_t, std::string>>{
                        {0x8002, std::to_string(0x8101)},
                        {0x8005, "alpha"},
                        {0x8005, std::to_string(0x8100)},
                        {0x8009, "tail"},
                    }));

    // Without a string stream the string-named records are left out.
    OpenedStore noStrings = StoreWithStreams(GetParam(), entries, nullptr);
    ASSERT_TRUE(noStrings.context);
    ASSERT_EQ(LoadNamedPropertyMap(noStrings.get()), 1);
    EXPECT_EQ(Summarize(noStrings.get()).named, 0);
    EXPECT_EQ(Summarize(noStrings.get()).numeric, 2);
}

INSTANTIATE_TEST_SUITE_P(Variants, ReaderNamedMade, ::testing::Values(writer::Variant::Ansi, writer::Variant::Unicode),
                         [](const ::testing::TestParamInfo<writer::Variant>& info) {
                             return info.param == writer::Variant::Ansi ? "Ansi" : "Unicode";
                         });

}  // namespace
