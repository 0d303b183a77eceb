// Property values applied to item records: the class and kind rules, the
// value forms, the cases that do more than a copy, and the attachment target.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "reader/ltp.h"
#include "reader/ndb.h"
#include "reader/property_apply.h"
#include "reader_item_test_support.h"

using item_test::ScopedInstallFolder;

namespace {

constexpr uint32_t kBool = 0x000B, kLong = 0x0003, kString8 = 0x001E, kUnicode = 0x001F, kBinary = 0x0102;

// Rows built by hand, as the property reader hands them over: data on the
// C heap (the application may free a value it has no field for).
class Rows {
public:
    ~Rows() {
        for (PropRow* r = head_; r;) {
            PropRow* next = r->pNext;
            for (int i = 0; i < r->slotCount; ++i) {
                if (r->ppValues[i]) std::free(r->ppValues[i]->pData);
                delete r->ppValues[i];
            }
            delete[] r->ppValues;
            delete r;
            r = next;
        }
    }
    // Starts a new row at the end of the list.
    Rows& Row() {
        auto* row = new PropRow;
        row->ppValues = new PropValue*[64]();
        row->slotCount = 64;
        row->rowCount = 1;
        if (!head_) head_ = row;
        else tail_->pNext = row;
        tail_ = row;
        return *this;
    }
    Rows& Add(uint32_t id, uint32_t type, const std::vector<uint8_t>& bytes, const char* name = nullptr,
              bool loaded = true) {
        auto* v = new PropValue;
        v->propId = id;
        v->type = type;
        v->pszName = name;
        if (loaded) {
            v->size = bytes.size();
            v->pData = static_cast<uint8_t*>(std::malloc(bytes.size() + 1));
            if (!bytes.empty()) std::memcpy(v->pData, bytes.data(), bytes.size());
            v->pData[bytes.size()] = 0;
        }
        tail_->ppValues[tail_->valueCount++] = v;
        return *this;
    }
    Rows& Int(uint32_t id, int32_t value, uint32_t type = kLong) {
        std::vector<uint8_t> b(4);
        fmt::StoreLe32(b.data(), static_cast<uint32_t>(value));
        return Add(id, type, b);
    }
    Rows& Text8(uint32_t id, const std::string& s) { return Add(id, kString8, std::vector<uint8_t>(s.begin(), s.end())); }
    Rows& Text16(uint32_t id, const std::u16string& s) {
        std::vector<uint8_t> b;
        for (char16_t c : s) {
            b.push_back(static_cast<uint8_t>(c));
            b.push_back(static_cast<uint8_t>(c >> 8));
        }
        return Add(id, kUnicode, b);
    }
    PropRow* head() { return head_; }

private:
    PropRow* head_ = nullptr;
    PropRow* tail_ = nullptr;
};

struct RecordDeleter {
    void operator()(ItemRecord* r) const { FreeItemRecord(r); }
};
using Record = std::unique_ptr<ItemRecord, RecordDeleter>;

Record Apply(Rows& rows, AttachmentNode* target = nullptr) {
    Record r(NewItemRecord());
    EXPECT_EQ(ApplyProperties(r.get(), rows.head(), target), 0);
    return r;
}

class StringMode {
public:
    explicit StringMode(int mode) : saved_(g_nStringMode) { g_nStringMode = mode; }
    ~StringMode() { g_nStringMode = saved_; }

private:
    int saved_;
};

TEST(ReaderItemApply, MessageClassesClassify) {
    StringMode mode(1);
    const std::pair<const char*, int> cases[] = {
        {"ipm.note.smime", 1}, {"IPM.Notes", 1}, {"IPM", 1}, {"IPM.Post", 13}, {"REPORT.IPM.Note.NDR", 14},
        {"IPM.Schedule.Meeting.Request", 2}, {"IPM.Appointment.Occurrence", 8}, {"", 1}, {"IPM.Contact", 9},
        {"IPM.Activity", 10}, {"IPM.StickyNote", 11}, {"IPM.Task", 12}, {"IPM.No", 1}, {"IPM.X", 13},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        Rows rows;
        rows.Row().Text8(0x001A, c.first);
        Record r = Apply(rows);
        EXPECT_EQ(r->nKind, c.second);
        ASSERT_NE(r->szClass, nullptr);
        EXPECT_STREQ(r->szClass, c.first);
    }
}

TEST(ReaderItemApply, ContainerClassesClassifyAndALaterClassWins) {
    StringMode mode(2);
    const std::pair<const char16_t*, int> cases[] = {
        {u"IPF.Note", 1}, {u"IPF.Imap", 1}, {u"IPF", 1}, {u"IPF.Contact", 9}, {u"IPF.Journal", 10},
        {u"IPF.Appointment", 8}, {u"IPF.StickyNote", 11}, {u"IPF.Task", 12}, {u"IPF.Configuration", 13},
    };
    for (const auto& c : cases) {
        Rows rows;
        rows.Row().Text16(0x3613, c.first);
        EXPECT_EQ(Apply(rows)->nKind, c.second);
    }
    Rows rows;
    rows.Row().Text16(0x3613, u"IPF.Task").Text16(0x001A, u"IPM.Contact");
    Record r = Apply(rows);
    EXPECT_EQ(r->nKind, 9);
    EXPECT_STREQ(r->szClass, "IPM.Contact");
    // A class of another type is not taken; no class leaves kind 0 and no text.
    Rows other;
    other.Row().Int(0x001A, 5);
    Record none = Apply(other);
    EXPECT_EQ(none->nKind, 0);
    EXPECT_EQ(none->szClass, nullptr);
}

TEST(ReaderItemApply, NoCaseComparisonsFollowTheirRules) {
    EXPECT_EQ(StartsWithNoCase("IPM.Note", "ipm.note.custom", 8), 0);
    EXPECT_EQ(StartsWithNoCase("IPM.Note", "IPM.No", 8), 0);
    EXPECT_EQ(StartsWithNoCase("IPM.Note", "", 8), 0);
    EXPECT_EQ(StartsWithNoCase("IPM.Note", "IPM.Post", 8), -1);   // 'N' < 'P'
    EXPECT_EQ(StartsWithNoCase("IPM.Post", "IPM.Note", 8), 1);
    EXPECT_EQ(CompareNoCase("IPM", "ipm"), 0);
    EXPECT_NE(CompareNoCase("IPM", "IPM.X"), 0);
    EXPECT_NE(CompareNoCase("IPM", "IP"), 0);
}

TEST(ReaderItemApply, SubjectPrefixMarkerIsSkippedByTheStringWidth) {
    {
        StringMode mode(2);
        Rows rows;
        rows.Row().Text16(0x0037, std::u16string(u"\u0001\u0004RE: Hello"));
        EXPECT_EQ(item_test::TextOf(Apply(rows)->txSubject), "RE: Hello");
        Rows plain;
        plain.Row().Text16(0x0037, u"Hello");
        EXPECT_EQ(item_test::TextOf(Apply(plain)->txSubject), "Hello");
    }
    StringMode mode(1);
    Rows rows;
    rows.Row().Text8(0x0037, std::string("\x01\x04RE: Hello"));
    EXPECT_EQ(item_test::TextOf(Apply(rows)->txSubject), "RE: Hello");
    // Shorter than the marker: taken whole.
    Rows tiny;
    tiny.Row().Text8(0x0037, std::string("\x01"));
    EXPECT_EQ(StoreStringLength(Apply(tiny)->txSubject.pData), 1u);
}

TEST(ReaderItemApply, ValueFormsAndSubRecords) {
    StringMode mode(2);
    Rows none;
    none.Row().Int(0x0E1D, 7);   // no case: nothing changes
    Record empty = Apply(none);
    EXPECT_EQ(empty->pMessage, nullptr);
    EXPECT_EQ(empty->pFolderCounts, nullptr);
    EXPECT_EQ(empty->pContact, nullptr);
    EXPECT_EQ(empty->pStore, nullptr);
    EXPECT_EQ(empty->pJournal, nullptr);
    EXPECT_EQ(empty->pAppointment, nullptr);

    Rows flags;
    flags.Row().Int(0x0E07, 0x31);
    Record f = Apply(flags);
    ASSERT_NE(f->pMessage, nullptr);
    EXPECT_EQ(f->nMessageFlags, 0x31);
    EXPECT_EQ(f->pMessage->nPriority, 0);

    Rows rows;
    rows.Row()
        .Int(0x0002, 0, kBool)
        .Int(0x0023, 1, kBool)
        .Int(0x0026, -1)
        .Add(0x0FF9, kBinary, {})
        .Add(0x3004, kUnicode, {})
        .Add(0x3007, 0x0040, {1, 2, 3, 4, 5, 6, 7, 8})
        .Int(0x3A4D, 1, 0x0002)
        .Text16(0x3A06, u"Ann")
        .Int(0x3602, 5)
        .Int(0x360A, 0x10000, kBool);   // only the first 16 bits count
    Record r = Apply(rows);
    ASSERT_NE(r->pMessage, nullptr);
    EXPECT_EQ(r->pMessage->bAlternateRecipientAllowed, -1);
    EXPECT_EQ(r->pMessage->bOriginatorDeliveryReportRequested, 1);
    EXPECT_EQ(r->pMessage->nPriority, 0);
    EXPECT_EQ(r->binRecordKey.cb, 0u);
    EXPECT_EQ(r->binRecordKey.pData, nullptr);
    ASSERT_NE(r->txComment.pData, nullptr);   // only the terminator
    EXPECT_EQ(r->txComment.pData[0], 0);
    EXPECT_EQ(r->txComment.bWide, 1);
    ASSERT_NE(r->pftCreated, nullptr);
    EXPECT_EQ(r->pftCreated->dwLowDateTime, 0x04030201u);
    EXPECT_EQ(r->pftCreated->dwHighDateTime, 0x08070605u);
    ASSERT_NE(r->pContact, nullptr);
    EXPECT_EQ(r->pContact->nGender, 0);
    EXPECT_EQ(item_test::TextOf(r->pContact->txGivenName), "Ann");
    ASSERT_NE(r->pFolderCounts, nullptr);
    EXPECT_EQ(r->pFolderCounts->nContentCount, 5);
    EXPECT_EQ(r->pFolderCounts->bSubfolders, 0);

    // 0x0002 and 0x0023 of another type: nothing, not even the sub-record.
    Rows wrong;
    wrong.Row().Int(0x0002, 1).Int(0x0023, 1);
    EXPECT_EQ(Apply(wrong)->pMessage, nullptr);
    // Priority 0 and 1.
    Rows prio;
    prio.Row().Int(0x0026, 1);
    EXPECT_EQ(Apply(prio)->pMessage->nPriority, 2);
}

TEST(ReaderItemApply, UnicodeTextKeepsUnitsWithZeroLowBytes) {
    StringMode mode(2);
    Rows rows;
    rows.Row().Text16(0x3001, u"\u4E00\u4E8C");
    Record r = Apply(rows);
    EXPECT_EQ(StoreStringLength(r->txDisplayName.pData), 2u);
    EXPECT_EQ(r->txDisplayName.pData[4], 0);
    EXPECT_EQ(r->txDisplayName.pData[5], 0);
    // A damaged value of odd size: its text ends inside the copy (the stray
    // byte makes a last unit of its own).
    Rows odd;
    odd.Row().Add(0x3001, kUnicode, {'A', 0, 'B', 0, 'C'});
    Record o = Apply(odd);
    EXPECT_EQ(StoreStringLength(o->txDisplayName.pData), 3u);
    EXPECT_EQ(item_test::TextOf(o->txDisplayName), "ABC");
}

TEST(ReaderItemApply, NamedStringsAndTheCharset) {
    StringMode mode(1);
    const std::string withQuotes = "text/html; charset=\"utf-8\"";
    const std::string noQuotes = "text/html; charset=utf-8";
    Rows rows;
    rows.Row()
        .Add(0xFFFFFFFF, kString8, std::vector<uint8_t>(noQuotes.begin(), noQuotes.end()), "content-type")
        .Add(0xFFFFFFFF, kString8, {'x'}, nullptr)            // no name: nothing
        .Add(0xFFFFFFFF, 0x101F, {0, 0, 0, 0}, "ignored")    // another type: nothing
        .Add(0xFFFFFFFF, kString8, std::vector<uint8_t>(withQuotes.begin(), withQuotes.end()), "Content-Type");
    Record r = Apply(rows);
    EXPECT_EQ(r->bHasCharset, 0);   // the name is matched case-sensitively
    ASSERT_NE(r->pNamedValues, nullptr);
    EXPECT_STREQ(r->pNamedValues->szName, "Content-Type");
    ASSERT_NE(r->pNamedValues->pNext, nullptr);
    EXPECT_EQ(r->pNamedValues->pNext->pNext, nullptr);

    Rows quoted;
    quoted.Row().Add(0xFFFFFFFF, kString8, std::vector<uint8_t>(withQuotes.begin(), withQuotes.end()), "content-type");
    Record q = Apply(quoted);
    EXPECT_EQ(q->bHasCharset, 1);
    EXPECT_STREQ(q->szCharset, "utf-8");
}

// A multi-valued 8-bit string: count, offsets from the value's start, strings.
std::vector<uint8_t> MultiString(const std::vector<std::string>& items, uint32_t countOverride = 0) {
    std::vector<uint8_t> out(4 + 4 * items.size());
    fmt::StoreLe32(out.data(), countOverride ? countOverride : static_cast<uint32_t>(items.size()));
    for (size_t k = 0; k < items.size(); ++k) {
        fmt::StoreLe32(out.data() + 4 + 4 * k, static_cast<uint32_t>(out.size()));
        out.insert(out.end(), items[k].begin(), items[k].end());
    }
    return out;
}

TEST(ReaderItemApply, MultiValuedNamedStringsStayInsideTheirValue) {
    StringMode mode(1);
    Rows rows;
    rows.Row().Add(0xFFFFFFFF, 0x101E, MultiString({"one", "two", "three"}), "Keywords");
    Record r = Apply(rows);
    std::vector<std::string> values;
    for (NamedValue* v = r->pNamedValues; v; v = v->pNext) {
        EXPECT_STREQ(v->szName, "Keywords");
        values.emplace_back(reinterpret_cast<const char*>(v->pValue));
    }
    EXPECT_EQ(values, (std::vector<std::string>{"three", "two", "one"}));

    // A count larger than the offsets present, and an offset past the value.
    std::vector<uint8_t> damaged = MultiString({"ab", "cd"}, 1000);
    fmt::StoreLe32(damaged.data() + 8, 0xFFFFFF00);
    Rows bad;
    bad.Row().Add(0xFFFFFFFF, 0x101E, damaged, "Keywords");
    Record b = Apply(bad);
    int n = 0;
    for (NamedValue* v = b->pNamedValues; v; v = v->pNext) ++n;
    EXPECT_LE(n, 3);
    // A count of 0 adds nothing.
    Rows zero;
    zero.Row().Add(0xFFFFFFFF, 0x101E, {0, 0, 0, 0}, "Keywords");
    EXPECT_EQ(Apply(zero)->pNamedValues, nullptr);
}

TEST(ReaderItemApply, CompressedRtfWritesTheBodyFileOnlyWhenRead) {
    StringMode mode(2);
    ScopedInstallFolder install;
    const std::vector<uint8_t> example = {
        0x1a, 0x00, 0x00, 0x00, 0x1c, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xe2, 0xd4, 0x4b, 0x51,
        0x41, 0x00, 0x04, 0x20, 0x57, 0x58, 0x59, 0x5a, 0x0d, 0x6e, 0x7d, 0x01, 0x0e, 0xb0};
    // Not read (no body wanted): the value carries its HNID, the field stays
    // empty and no file is written.
    Rows lazy;
    lazy.Row().Add(0x1009, 0x00C0, {}, nullptr, /*loaded=*/false);
    Record l = Apply(lazy);
    ASSERT_NE(l->pMessage, nullptr);
    EXPECT_EQ(l->pMessage->binRtfCompressed.cb, 0u);
    EXPECT_FALSE(install.RtfBodyExists());

    Rows rows;
    rows.Row().Add(0x1009, kBinary, example);
    Record r = Apply(rows);
    EXPECT_EQ(r->pMessage->binRtfCompressed.cb, example.size());
    const auto file = testing_support::ReadWholeFile(install.RtfBodyPath());
    EXPECT_EQ(std::string(file.begin(), file.end()), "{\\rtf1 WXYZWXYZWXYZWXYZWXYZ}");
}

TEST(ReaderItemApply, RowsFillTheirTargetNodesInOrder) {
    StringMode mode(2);
    AttachmentNode* second = NewAttachmentNode();
    AttachmentNode* first = NewAttachmentNode();
    first->pNext = second;
    Rows rows;
    rows.Row().Text16(0x3704, u"a.txt").Int(0x3705, 1).Int(0x67F2, 0x8025).Add(0x3701, kBinary, {1, 2, 3});
    rows.Row().Text16(0x3707, u"long.doc").Add(0x3701, 0x8045, {}, nullptr, /*loaded=*/false).Text16(0x3003, u"ann@x");
    rows.Row().Text16(0x3704, u"nowhere");   // no node left: ignored
    Record r = Apply(rows, first);
    EXPECT_EQ(item_test::TextOf(first->txAttachFilename), "a.txt");
    EXPECT_EQ(first->nAttachMethod, 1);
    EXPECT_EQ(first->nidData, 0x8025u);
    EXPECT_EQ(first->cbData, 3u);
    ASSERT_NE(first->pData, nullptr);
    EXPECT_EQ(first->pData[2], 3);
    EXPECT_EQ(item_test::TextOf(second->txAttachLongFilename), "long.doc");
    EXPECT_EQ(second->nidData, 0x8045u);
    EXPECT_EQ(second->pData, nullptr);
    // A row's own properties land in the item.
    ASSERT_NE(r->pContact, nullptr);
    EXPECT_EQ(item_test::TextOf(r->pContact->txEmail1EmailAddress), "ann@x");
    // Without a target the attachment ids are ignored.
    Rows plain;
    plain.Row().Text16(0x3704, u"a.txt");
    EXPECT_EQ(Apply(plain)->pAttachments, nullptr);
    FreeAttachmentList(first);
    EXPECT_EQ(ApplyProperties(nullptr, rows.head(), nullptr), -1);
}

TEST(ReaderItemApply, ReadProgressMovesOnlyWhileTheDisplayIsBusy) {
    StringMode mode(2);
    FolderTreeModel observer;
    SetReaderObserver(&observer);
    Rows rows;
    rows.Row().Int(0x0E07, 1).Int(0x0E08, 2);
    Apply(rows);
    EXPECT_EQ(observer.lastReadProgress, 0);
    observer.displayBusy = true;
    const int before = g_nReadProgressPos;
    Apply(rows);
    EXPECT_EQ(observer.lastReadProgress, before + 2);
    SetReaderObserver(nullptr);
}

}  // namespace
