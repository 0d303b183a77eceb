// Stores described in text (the storegen language), read back through the
// independent probe.
#include <gtest/gtest.h>

#include "format/layout.h"
#include "format/props.h"
#include "writer/store_builder.h"
#include "writer/store_description.h"
#include "writer_store_probe.h"

namespace {

using writer::Bytes;

uint32_t FolderNamed(const probe::Store& s, uint32_t parent, const std::u16string& name) {
    for (uint32_t c : s.Children(parent))
        if ((c & 0x1F) == fmt::kNidTypeNormalFolder && probe::Utf16(s.NodeProperties(c)[fmt::kPidDisplayName].bytes) == name)
            return c;
    return 0;
}

std::vector<uint32_t> Items(const probe::Store& s, uint32_t folder) {
    std::vector<uint32_t> out;
    for (uint32_t c : s.Children(folder))
        if ((c & 0x1F) == fmt::kNidTypeNormalMessage) out.push_back(c);
    return out;
}

TEST(WriterDescription, TimesAreUtcFileTimes) {
    EXPECT_EQ(writer::ParseFileTime("2020-01-01T00:00:00"), writer::kDefaultFileTime);
    EXPECT_EQ(writer::ParseFileTime("1601-01-01"), 0u);
    EXPECT_EQ(writer::ParseFileTime("2000-03-01T12:30:15") - writer::ParseFileTime("2000-02-28T12:30:15"),
              2ull * 86400 * 10000000) << "2000 is a leap year";
    EXPECT_THROW(writer::ParseFileTime("yesterday"), writer::DescriptionError);
}

TEST(WriterDescription, DescribedStoreHoldsWhatTheLinesSay) {
    const std::string text =
        "# a comment\n"
        "variant unicode\n"
        "crypt cyclic\n"
        "name My Store\n"
        "folder Inbox/Deep/Deeper IPF.Note\n"
        "message Inbox/Deep IPM.Note\n"
        "  subject-prefix 4 RE: Caf\xC3\xA9\n"
        "  body line one\\nline two\n"
        "  sender Bob Smith <bob@example.com>\n"
        "  to Ann <ann@example.com>\n"
        "  bcc Zed <zed@example.com>\n"
        "  unread\n"
        "  attach note.txt some text\n"
        "  embedded Inner\n"
        "  body inner text\n"
        "  end-embedded\n"
        "  prop 0x00170003 2\n"
        "  prop 0x0E060040 2021-06-01T08:00:00\n"
        "  prop 0x66010102 01 02 ff\n"
        "  named appointment 0x8208 001F Room 7\n"
        "  named-string internet content-type 001F text/plain\n"
        "  named-strings public Keywords a|bb\n"
        "message Inbox IPM.StickyNote\n";
    probe::Store s(writer::StoreFromDescription(text));
    EXPECT_EQ(s.crypt(), 2);
    EXPECT_EQ(probe::Utf16(s.NodeProperties(0x21)[fmt::kPidDisplayName].bytes), u"My Store");
    const uint32_t top = 0x2142;
    const uint32_t inbox = FolderNamed(s, top, u"Inbox");
    const uint32_t deep = FolderNamed(s, inbox, u"Deep");
    ASSERT_NE(deep, 0u);
    EXPECT_NE(FolderNamed(s, deep, u"Deeper"), 0u) << "a path makes every missing folder once";
    ASSERT_EQ(Items(s, deep).size(), 1u);
    ASSERT_EQ(Items(s, inbox).size(), 1u);
    auto pc = s.NodeProperties(Items(s, deep)[0]);
    EXPECT_EQ(probe::Utf16(pc[fmt::kPidSubject].bytes), std::u16string(u"\x01\x04RE: Caf\u00e9"));
    EXPECT_EQ(probe::Utf16(pc[fmt::kPidBody].bytes), u"line one\r\nline two");
    EXPECT_EQ(probe::Utf16(pc[fmt::kPidSenderName].bytes), u"Bob Smith");
    EXPECT_EQ(probe::Utf16(pc[fmt::kPidSenderEmailAddress].bytes), u"bob@example.com");
    EXPECT_EQ(probe::Utf16(pc[fmt::kPidDisplayTo].bytes), u"Ann");
    EXPECT_EQ(probe::Utf16(pc[fmt::kPidDisplayBcc].bytes), u"Zed");
    EXPECT_EQ(probe::U32(pc[fmt::kPidMessageFlags].bytes) & 1, 0u) << "unread";
    EXPECT_EQ(probe::U32(pc[fmt::kPidImportance].bytes), 2u);
    EXPECT_EQ(fmt::LoadLe64(pc[fmt::kPidMessageDeliveryTime].bytes.data()),
              writer::ParseFileTime("2021-06-01T08:00:00"));
    EXPECT_EQ(pc[0x6601].bytes, (Bytes{0x01, 0x02, 0xFF}));
    // Named properties in the order the lines registered them.
    EXPECT_EQ(probe::Utf16(pc[0x8000].bytes), u"Room 7");
    EXPECT_EQ(probe::Utf16(pc[0x8001].bytes), u"text/plain");
    EXPECT_EQ(pc[0x8002].type, fmt::kPtMultipleUnicode);
    auto subs = s.Subnodes(s.Node(Items(s, deep)[0]).bidSub);
    EXPECT_EQ(s.TableContext(subs.at(0x671).bidData, s.Node(Items(s, deep)[0]).bidSub).rows.size(), 2u);
}

TEST(WriterDescription, AnsiDescriptionsStoreEightBitText) {
    probe::Store s(writer::StoreFromDescription(
        "variant ansi\nmessage Inbox IPM.Note\nsubject Gr\xC3\xBC\xC3\x9F" "e\nprop 0x3001001F name\n"));
    EXPECT_FALSE(s.unicode());
    const uint32_t inbox = [&] {
        for (uint32_t c : s.Children(0x2142))
            if (probe::Narrow(s.NodeProperties(c)[fmt::kPidDisplayName].bytes) == "Inbox") return c;
        return 0u;
    }();
    ASSERT_NE(inbox, 0u);
    auto pc = s.NodeProperties(Items(s, inbox).at(0));
    EXPECT_EQ(pc[fmt::kPidSubject].type, fmt::kPtString8);
    EXPECT_EQ(probe::Narrow(pc[fmt::kPidSubject].bytes), "Gr\xFC\xDF" "e");
    EXPECT_EQ(pc[fmt::kPidDisplayName].type, fmt::kPtString8) << "a text tag is retyped for the variant";
}

TEST(WriterDescription, FolderNamesHoldBlanksAndTheClassIsTheLastWord) {
    probe::Store s(writer::StoreFromDescription(
        "folder Sent Items IPF.Note\n"
        "folder Old Mail/Year 2020\n"
        "message Sent Items IPM.Schedule.Meeting.Request\n"
        "message Old Mail/Year 2020\n"));
    const uint32_t sent = FolderNamed(s, 0x2142, u"Sent Items");
    ASSERT_NE(sent, 0u);
    EXPECT_EQ(probe::Utf16(s.NodeProperties(sent)[fmt::kPidContainerClass].bytes), u"IPF.Note");
    ASSERT_EQ(Items(s, sent).size(), 1u);
    EXPECT_EQ(probe::Utf16(s.NodeProperties(Items(s, sent)[0])[fmt::kPidMessageClass].bytes),
              u"IPM.Schedule.Meeting.Request");
    const uint32_t year = FolderNamed(s, FolderNamed(s, 0x2142, u"Old Mail"), u"Year 2020");
    ASSERT_NE(year, 0u);
    ASSERT_EQ(Items(s, year).size(), 1u);
    EXPECT_EQ(probe::Utf16(s.NodeProperties(Items(s, year)[0])[fmt::kPidMessageClass].bytes), u"IPM.Note");
}

TEST(WriterDescription, MistakesNameTheirLine) {
    auto errorOf = [](const std::string& text) {
        try {
            writer::StoreFromDescription(text);
        } catch (const writer::DescriptionError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(errorOf("folder A\nbogus\n"), "line 2: unknown command: bogus");
    EXPECT_EQ(errorOf("subject Lost\n"), "line 1: no message for this line");
    EXPECT_EQ(errorOf("folder A\nvariant ansi\n"), "line 2: variant must come before folders and messages");
    EXPECT_EQ(errorOf("message A IPM.Note\nnamed nowhere 0x8000 0003 1\n"), "line 2: unknown property set: nowhere");
}

}  // namespace
