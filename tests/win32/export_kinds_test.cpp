// The exporters of the other item kinds against the recording stand-in:
// appointments, tasks, journal entries and sticky notes through the item
// writer, contacts through the session library, each with the texts, types
// and order of its calls.
#include <gtest/gtest.h>

#include <windows.h>

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "export/AttachmentFiles.h"
#include "export/ContactExport.h"
#include "export/ExportState.h"
#include "export/ItemExporters.h"
#include "export/LoomcraftDriver.h"
#include "export/SaveLosses.h"
#include "export_test_support.h"
#include "framework/seam_script.h"
#include "reader/ndb.h"
#include "reader/rtf_decompress.h"

using exporttest::FakeComponents;
using exporttest::OperationName;
using exporttest::Exists;
using exporttest::RecordedCall;
using exporttest::TempRoot;
using Texts = exporttest::RecordTexts;

namespace {

const VARTYPE kText = VT_BSTR | VT_BYREF;
const VARTYPE kShort = VT_I2 | VT_BYREF;

FILETIME Stored(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
    SYSTEMTIME st = {year, month, 0, day, hour, minute, 0, 0};
    FILETIME ft = {};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

}  // namespace

class ExportKinds : public ::testing::Test {
protected:
    SeamScript script;
    FakeComponents components;
    Texts texts;
    ItemRecord record = {};
    MessageDetail message = {};
    AppointmentDetail appointment = {};
    ContactDetail contact = {};
    std::wstring temp, install;

    void SetUp() override {
        ASSERT_TRUE(g_itemWriter.CreateDispatch(L"loomcraft.Class1"));
        temp = TempRoot() + L"export_kinds_temp\\";
        install = TempRoot() + L"export_kinds_install";
        CreateDirectoryW(temp.c_str(), nullptr);
        CreateDirectoryW(install.c_str(), nullptr);
        g_pstExporter.m_strTempFolder = temp.c_str();
        g_pstExporter.m_strHeaderFilePath = (temp + L"Temp.eml").c_str();
        SetInstallFolder(install);
        g_strPstFolderPath = L"\\\\Store\\Calendar";
        script.localTime = SYSTEMTIME{2024, 3, 0, 9, 14, 7, 0, 0};
        components.session.returnsSelf = {0x60020016, 0x11, 4};
    }
    void TearDown() override {
        g_itemWriter.ReleaseDispatch();
        for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"}) DeleteFileW((temp + name).c_str());
        DeleteFileW((install + L"\\QM_Rtf_Body.rtf").c_str());
        RemoveDirectoryW(temp.c_str());
        RemoveDirectoryW(install.c_str());
        SetInstallFolder(L"");
    }

    std::vector<RecordedCall> Writer(DISPID id) {
        std::vector<RecordedCall> out;
        for (const RecordedCall& c : components.WriterCalls())
            if (c.id == id) out.push_back(c);
        return out;
    }
    std::vector<RecordedCall> SessionCalls() {
        std::vector<RecordedCall> out;
        for (const RecordedCall& c : components.calls)
            if (c.progId != L"loomcraft.Class1") out.push_back(c);
        return out;
    }
};

TEST_F(ExportKinds, AppointmentTextsTimesAndBody) {
    FILETIME start = Stored(2012, 6, 5, 4, 30), end = Stored(2012, 6, 5, 5, 45);
    record.pMessage = &message;
    record.pAppointment = &appointment;
    message.txSentRepresentingName = texts.Wide(L"Ann");
    message.txSentRepresentingEmailAddress = texts.Wide(L"ann@example.com");
    message.txConversationTopic = texts.Wide(L"Review");
    message.txBodyHtml = texts.Bytes("<p>agenda</p>");
    record.txBody = texts.Wide(L"agenda");
    appointment.pftAppointmentStartWhole = &start;
    appointment.pftAppointmentEndWhole = &end;
    appointment.txLocation = texts.Wide(L"Room 4");
    ExportAppointmentItem(&record);

    std::vector<RecordedCall> saved = Writer(CLoomcraftDriver::kSaveAppointment);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].types, (std::vector<VARTYPE>{kText, kText, kText, kText, kText, kText, kText, kText, kText, kShort}));
    EXPECT_EQ(std::vector<std::wstring>(saved[0].texts.begin(), saved[0].texts.begin() + 9),
              (std::vector<std::wstring>{L"\\\\Store\\Calendar", L"Review", L"Ann<ann@example.com>", L"6/5/2012 10:00 AM",
                                         L"6/5/2012 11:15 AM", L"", L"Room 4", L"", L"<p>agenda</p>"}));
    EXPECT_EQ(saved[0].numbers[9], 1);

    // A start before 1980 stays empty; the end is kept; the clock is not used.
    FILETIME early = Stored(1979, 12, 31, 10, 0), later = Stored(1980, 1, 1, 10, 0);
    appointment.pftAppointmentStartWhole = &early;
    appointment.pftAppointmentEndWhole = &later;
    // An Exchange address (no "@") leaves the name alone; compressed RTF
    // without its body file means no body at all.
    message.txSentRepresentingEmailAddress = texts.Wide(L"/O=ORG/CN=ANN");
    message.binRtfCompressed.cb = 20;
    ExportAppointmentItem(&record);
    saved = Writer(CLoomcraftDriver::kSaveAppointment);
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[1].texts[2], L"Ann");
    EXPECT_EQ(saved[1].texts[3], L"");
    EXPECT_EQ(saved[1].texts[4], L"1/1/1980 15:30 PM");
    EXPECT_EQ(saved[1].texts[8], L"<null>");
    EXPECT_EQ(saved[1].numbers[9], 0);

    // The RTF body file, when there, wins and is consumed.
    const std::wstring rtf = install + L"\\QM_Rtf_Body.rtf";
    FILE* f = _wfopen(rtf.c_str(), L"wb");
    fputs("{\\rtf1 x}", f);
    fclose(f);
    ExportAppointmentItem(&record);
    saved = Writer(CLoomcraftDriver::kSaveAppointment);
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(saved[2].texts[8], L"{\\rtf1 x}");
    EXPECT_EQ(saved[2].numbers[9], 3);
    EXPECT_FALSE(Exists(rtf));
}

TEST_F(ExportKinds, AppointmentWithoutTimesTakesTheClockAndWithoutMessageTheSubject) {
    record.txSubject = texts.Wide(L"Dentist");
    record.txBody = texts.Wide(L"bring card");
    message.txSentRepresentingEmailAddress = texts.Wide(L"desk@example.com");
    ExportAppointmentItem(&record);
    record.pMessage = &message;
    ExportAppointmentItem(&record);
    const std::vector<RecordedCall> saved = Writer(CLoomcraftDriver::kSaveAppointment);
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].texts[1], L"Dentist");
    EXPECT_EQ(saved[0].texts[2], L"");
    EXPECT_EQ(saved[0].texts[3], L"3/9/2024 14:07 PM");   // the local clock, unshifted
    EXPECT_EQ(saved[0].texts[4], L"3/9/2024 14:07 PM");
    EXPECT_EQ(saved[0].texts[6], L"<null>");
    EXPECT_EQ(saved[0].texts[8], L"bring card");
    EXPECT_EQ(saved[0].numbers[9], 0);
    EXPECT_EQ(saved[1].texts[2], L"<desk@example.com>");
}

TEST_F(ExportKinds, TaskDateAttachmentAndBody) {
    FILETIME due = Stored(2012, 6, 5, 4, 30);
    record.pMessage = &message;
    message.pftMessageDeliveryTime = &due;
    record.txSubject = texts.Wide(L"File taxes");
    record.pAttachments = texts.Rows({L"a.txt", L"", L"b.txt"});
    ExportTaskItem(&record);
    std::vector<RecordedCall> saved = Writer(CLoomcraftDriver::kSaveTask);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].types, (std::vector<VARTYPE>{kText, kText, kText, kText, kText, kText, kShort}));
    EXPECT_EQ(std::vector<std::wstring>(saved[0].texts.begin(), saved[0].texts.begin() + 6),
              (std::vector<std::wstring>{L"\\\\Store\\Calendar", L"6/5/2012 10:00 AM", temp + L"a.txt", L"", L"",
                                         L"File taxes"}));
    // The first file goes with the task, every other one after it.
    const std::vector<RecordedCall> added = Writer(CLoomcraftDriver::kAddAttachment);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].types, (std::vector<VARTYPE>{kText}));
    EXPECT_EQ(added[0].texts[0], temp + L"b.txt");

    // No delivery time: a null date text; recipient rows only: an empty path.
    message.pftMessageDeliveryTime = nullptr;
    record.pAttachments = texts.Rows({L""});
    ExportTaskItem(&record);
    // A delivery time the calendar conversion refuses: stored without it.
    FILETIME old = Stored(1965, 1, 1, 0, 0);
    message.pftMessageDeliveryTime = &old;
    ExportTaskItem(&record);
    saved = Writer(CLoomcraftDriver::kSaveTask);
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(saved[1].texts[1], L"<null>");
    EXPECT_EQ(saved[1].texts[2], L"");
    EXPECT_EQ(saved[2].texts[1], L"");
}

TEST_F(ExportKinds, JournalAndStickyNoteCarrySubjectAndBodyOnly) {
    JournalDetail journal = {};
    FILETIME logStart = Stored(2012, 1, 1, 0, 0);
    journal.pftLogStart = &logStart;
    journal.txLogType = texts.Wide(L"Phone call");
    record.pJournal = &journal;
    record.pMessage = &message;
    message.txConversationTopic = texts.Wide(L"Called Bob");
    message.txBodyHtml = texts.Bytes("<b>ok</b>");
    record.pAttachments = texts.Rows({L"c.txt"});
    ExportJournalItem(&record);
    const std::vector<RecordedCall> journals = Writer(CLoomcraftDriver::kSaveJournal);
    ASSERT_EQ(journals.size(), 1u);
    EXPECT_EQ(journals[0].types, (std::vector<VARTYPE>{kText, kText, kText, kText, kText, kShort}));
    EXPECT_EQ(std::vector<std::wstring>(journals[0].texts.begin(), journals[0].texts.begin() + 5),
              (std::vector<std::wstring>{L"\\\\Store\\Calendar", temp + L"c.txt", L"<b>ok</b>", L"", L"Called Bob"}));
    EXPECT_EQ(journals[0].numbers[5], 1);
    DeleteAttachmentFiles();   // the journal's file, kept open for later items

    // A sticky note's attachments follow it; no body is an empty text.
    message.txBodyHtml = StoreText{};
    ExportStickyNoteItem(&record);
    const std::vector<RecordedCall> added = Writer(CLoomcraftDriver::kAddAttachment);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].texts[0], temp + L"c.txt");
    DeleteAttachmentFiles();
    const std::vector<RecordedCall> notes = Writer(CLoomcraftDriver::kSaveNote);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].types, (std::vector<VARTYPE>{kText, kText, kText, kShort}));
    EXPECT_EQ(std::vector<std::wstring>(notes[0].texts.begin(), notes[0].texts.begin() + 3),
              (std::vector<std::wstring>{L"\\\\Store\\Calendar", L"", L"Called Bob"}));
    EXPECT_FALSE(Exists(temp + L"c.txt"));
}

TEST_F(ExportKinds, ContactThroughTheSessionLibraryInTableOrder) {
    g_strPstFolderPath = L"\\\\Store\\Contacts";
    record.pContact = &contact;
    contact.txGivenName = texts.Wide(L"Kim");
    contact.txSurname = texts.Wide(L"Lee");
    ExportContactItem(&record);

    const std::vector<RecordedCall> calls = SessionCalls();
    ASSERT_EQ(calls.size(), 9u);
    EXPECT_EQ(components.creations.back(), L"CorvaneRedmp.RDOSessionCorvane");
    // Log-on: six empty variants, by value.
    EXPECT_EQ(calls[0].id, 4);
    EXPECT_EQ(calls[0].types, std::vector<VARTYPE>(6, VT_EMPTY));
    EXPECT_EQ(calls[1].id, 0x60020016);
    EXPECT_EQ(calls[1].types, (std::vector<VARTYPE>{VT_BSTR}));
    EXPECT_EQ(calls[1].texts[0], L"\\\\Store\\Contacts");
    EXPECT_EQ(calls[2].id, 0x11);
    EXPECT_EQ(calls[2].flags, DISPATCH_PROPERTYGET);
    EXPECT_EQ(calls[3].id, 4);
    EXPECT_EQ(calls[3].types, (std::vector<VARTYPE>{VT_I4}));
    EXPECT_EQ(calls[3].numbers[0], 2);
    const std::vector<std::pair<DISPID, std::wstring>> puts = {
        {0x6004004D, L"Kim"}, {0x60040083, L"Lee"}, {0x6004004D, L"Kim"}, {0x60040083, L"Lee"}};
    for (size_t i = 0; i < puts.size(); ++i) {
        EXPECT_EQ(calls[4 + i].id, puts[i].first) << i;
        EXPECT_EQ(calls[4 + i].flags, DISPATCH_PROPERTYPUT) << i;
        EXPECT_EQ(calls[4 + i].texts[0], puts[i].second) << i;
    }
    EXPECT_EQ(calls[8].id, 6);
    EXPECT_EQ(components.session.refs, 1);   // every object let go
}

TEST_F(ExportKinds, ContactAddressesGenerationAttachmentsAndBody) {
    record.pContact = &contact;
    record.pMessage = &message;
    contact.txWorkAddress = texts.Wide(L"1 Work Rd");
    contact.txPostalAddress = texts.Wide(L"PO 9");
    contact.txGeneration = texts.Wide(L"Jr.");
    record.txBody = texts.Wide(L"notes");
    record.pAttachments = texts.Rows({L"a.txt", L"b.txt", L"c.txt"});
    ExportContactItem(&record);
    std::vector<RecordedCall> calls = SessionCalls();
    std::vector<std::pair<DISPID, std::wstring>> after;
    for (size_t i = 4; i < calls.size(); ++i) after.push_back({calls[i].id, calls[i].texts.empty() ? L"" : calls[i].texts[0]});
    // Every file by its own attach call, in order.
    EXPECT_EQ(after, (std::vector<std::pair<DISPID, std::wstring>>{{0x600400E0, temp + L"a.txt"},
                                                                   {0x600400E0, temp + L"b.txt"},
                                                                   {0x600400E0, temp + L"c.txt"},
                                                                   {0x6004000C, L"1 Work Rd"},
                                                                   {0xB, L"notes"},
                                                                   {0x6004000C, L"PO 9"},
                                                                   {0x0, L"Jr."},
                                                                   {0x600400C6, L"Jr."},
                                                                   {6, L""}}));
    EXPECT_TRUE(Exists(temp + L"a.txt") && Exists(temp + L"b.txt") && Exists(temp + L"c.txt"));

    // Compressed RTF without its file: no body, not even the plain one.
    components.calls.clear();
    record.pAttachments = nullptr;
    message.binRtfCompressed.cb = 5;
    ExportContactItem(&record);
    for (const RecordedCall& c : SessionCalls()) EXPECT_NE(c.id, 0xB);

    // No contact record: the new item is made and let go unsaved.
    components.calls.clear();
    record.pContact = nullptr;
    ExportContactItem(&record);
    calls = SessionCalls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[3].id, 4);
    EXPECT_EQ(components.session.refs, 1);

    // A session library that cannot be created stores nothing and says nothing.
    components.calls.clear();
    components.unavailable[L"CorvaneRedmp.RDOSessionCorvane"] = 1;
    record.pContact = &contact;
    ExportContactItem(&record);
    EXPECT_TRUE(SessionCalls().empty());
    EXPECT_TRUE(script.messageBoxes.empty());
}

// Every kind that a component refuses, or that finds no session library, is
// an item lost and counted as such: the save must not end as a success.
TEST_F(ExportKinds, RefusedItemsOfEveryKindAreCountedLost) {
    g_saveLosses.Clear();
    components.writer.failing = {CLoomcraftDriver::kSaveAppointment, CLoomcraftDriver::kSaveTask,
                                 CLoomcraftDriver::kSaveJournal, CLoomcraftDriver::kSaveNote};
    ExportAppointmentItem(&record);
    ExportTaskItem(&record);
    ExportJournalItem(&record);
    ExportStickyNoteItem(&record);
    EXPECT_EQ(g_saveLosses.items, 4);
    EXPECT_EQ(g_saveLosses.refused, 4);
    EXPECT_EQ(std::wstring(g_saveLosses.description.GetString()), L"refused");

    record.pContact = &contact;
    contact.txGivenName = texts.Wide(L"Kim");
    components.session.failing = {6};   // the item's Save
    ExportContactItem(&record);
    EXPECT_EQ(g_saveLosses.items, 5);
    components.unavailable[L"CorvaneRedmp.RDOSessionCorvane"] = 1;
    ExportContactItem(&record);
    EXPECT_EQ(g_saveLosses.items, 6);
    g_saveLosses.Clear();
}
