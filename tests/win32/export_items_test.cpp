// The export setup and the mail export against a recording stand-in of the
// two components: which objects are created, which calls reach the item
// writer in which order with which argument types and values, which
// messages the user sees, and which files are written and deleted.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "export/AttachmentFiles.h"
#include "export/SaveFileLane.h"
#include "export/ExportSetup.h"
#include "export/ExportState.h"
#include "export/LoomcraftDriver.h"
#include "export/MailExport.h"
#include "export/OstSaving.h"
#include "export/SaveLosses.h"
#include "export/SaveTempFolder.h"
#include "export_test_support.h"
#include "framework/seam_script.h"
#include "reader/ndb.h"
#include "reader/rtf_decompress.h"

using exporttest::FakeComponents;
using exporttest::OperationName;
using exporttest::Exists;
using exporttest::ReadBytes;
using exporttest::RecordedCall;
using exporttest::RecordTexts;
using exporttest::ScratchFolder;
using exporttest::TempRoot;
using exporttest::WriteBytes;

namespace {

const VARTYPE kText = VT_BSTR | VT_BYREF;
const VARTYPE kShort = VT_I2 | VT_BYREF;

std::vector<std::wstring> Names(const std::vector<RecordedCall>& calls) {
    std::vector<std::wstring> names;
    for (const RecordedCall& c : calls) names.push_back(OperationName(c.id));
    return names;
}

}  // namespace

// ---------------------------------------------------------------- setup

class ExportSetup : public ::testing::Test {
protected:
    SeamScript script;
    FakeComponents components;
    ScratchFolder install{L"export_setup_install"};
    ScratchFolder out{L"export_setup_out"};
    ScratchFolder temp{L"export_setup_temp"};

    void SetUp() override {
        script.localTime = SYSTEMTIME{2026, 12, 2, 8, 7, 5, 44, 0};
        // No trailing separator: one is added.
        script.tempPath = temp.path().substr(0, temp.path().size() - 1);
        g_strInstallFolder = CString(install.path().substr(0, install.path().size() - 1).c_str());
        g_strOstFileName = L"mailbox.ost";
        g_strOstPath = L"C:\\stores\\mailbox.ost";
        g_strDefaultDest = out.path().c_str();
        g_pstExporter.m_strTempFolder.Empty();
        g_pstExporter.m_strHeaderFilePath.Empty();
    }
    void TearDown() override {
        g_itemWriter.ReleaseDispatch();
        EndSaveTempFolder();
    }
};

TEST_F(ExportSetup, CreatesTheStoreUnderTheTimeStampedNames) {
    EXPECT_EQ(BeginPstExport(CString()), kSetupReady);
    EXPECT_TRUE(script.messageBoxes.empty());
    EXPECT_TRUE(components.spawns.empty());
    // The session library is only created and let go again.
    EXPECT_EQ(components.creations,
              (std::vector<std::wstring>{L"CorvaneRedmp.RDOSessionCorvane", L"loomcraft.Class1"}));
    EXPECT_EQ(components.session.refs, 1);

    const std::vector<RecordedCall> calls = components.WriterCalls();
    EXPECT_EQ(Names(calls), (std::vector<std::wstring>{L"BeginBatch", L"CreateStore", L"EndBatch"}));
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].types, (std::vector<VARTYPE>{kText, kText}));
    EXPECT_EQ(calls[1].texts[0], out.path() + L"mailbox8-12-2026 7-5-44.pst");
    EXPECT_EQ(calls[1].texts[1], L"Quillmere_Personal_Folders_8-12-2026 7-5-44");
    EXPECT_TRUE(calls[0].types.empty());
    EXPECT_EQ(calls[0].flags, DISPATCH_METHOD);

    EXPECT_EQ(std::wstring(g_strPstPath.GetString()), out.path() + L"mailbox8-12-2026 7-5-44.pst");
    EXPECT_EQ(std::wstring(g_strPstRootPath.GetString()), L"\\\\Quillmere_Personal_Folders_8-12-2026 7-5-44");
    // The save's own folder inside the temporary folder.
    const std::wstring own(g_pstExporter.m_strTempFolder.GetString());
    EXPECT_EQ(own.compare(0, temp.path().size(), temp.path()), 0);
    EXPECT_GT(own.size(), temp.path().size());
    EXPECT_EQ(own.back(), L'\\');
    EXPECT_EQ(std::wstring(g_pstExporter.m_strHeaderFilePath.GetString()), own + L"Temp.eml");
    EXPECT_EQ(components.writer.refs, 2);   // bound until the save lets it go

    // A destination given without its separator gets one.
    g_itemWriter.ReleaseDispatch();
    const std::wstring bare = out.path().substr(0, out.path().size() - 1);
    EXPECT_EQ(BeginPstExport(CString(bare.c_str())), kSetupReady);
    EXPECT_EQ(std::wstring(g_strPstPath.GetString()), out.path() + L"mailbox8-12-2026 7-5-44.pst");
}

TEST_F(ExportSetup, MissingSessionLibraryWithoutItsFileRunsNoToolAndStops) {
    components.unavailable[L"CorvaneRedmp.RDOSessionCorvane"] = 2;
    EXPECT_EQ(BeginPstExport(CString()), kSetupNoSessionLibrary);
    EXPECT_TRUE(components.spawns.empty());
    ASSERT_EQ(script.messageBoxes.size(), 1u);
    EXPECT_EQ(script.messageBoxes[0].text,
              L"Microsoft Outlook not found installed or corrupted. Please install Microsoft Outlook & re-run "
              L"Application.");
    EXPECT_EQ(script.messageBoxes[0].caption, L"Quillmere for MS Exchange OST - MS Outlook PST");
    EXPECT_EQ(script.messageBoxes[0].type, 0x1010u);
    EXPECT_EQ(script.messageBoxes[0].hOwner, nullptr);
    // The item writer is not tried.
    EXPECT_EQ(components.creations, (std::vector<std::wstring>(2, L"CorvaneRedmp.RDOSessionCorvane")));
}

TEST_F(ExportSetup, ComponentsAreRegisteredOnDemandAndTheSaveGoesOn) {
    WriteBytes(install.path() + L"CorvaneRedmp.dll", "x");
    WriteBytes(install.path() + L"Loomcraft.dll", "x");
    components.unavailable[L"CorvaneRedmp.RDOSessionCorvane"] = 1;
    components.unavailable[L"loomcraft.Class1"] = 1;
    EXPECT_EQ(BeginPstExport(CString()), kSetupReady);
    EXPECT_TRUE(script.messageBoxes.empty());

    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring tool = std::wstring(system) + L"\\regsvr32.exe";
    ASSERT_EQ(components.spawns.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const std::wstring file = i == 0 ? L"CorvaneRedmp.dll" : L"Loomcraft.dll";
        wchar_t shortPath[MAX_PATH] = L"";
        GetShortPathNameW((install.path() + file).c_str(), shortPath, MAX_PATH);
        EXPECT_EQ(components.spawns[i], (std::vector<std::wstring>{tool, tool, L"/s " + std::wstring(shortPath), L""}));
    }
    EXPECT_EQ(Names(components.WriterCalls()), (std::vector<std::wstring>{L"BeginBatch", L"CreateStore", L"EndBatch"}));
}

TEST_F(ExportSetup, ItemWriterFailuresEndTheSetupWithTheirMessages) {
    components.unavailable[L"loomcraft.Class1"] = 2;
    EXPECT_EQ(BeginPstExport(CString()), kSetupNoItemWriter);
    ASSERT_EQ(script.messageBoxes.size(), 1u);
    EXPECT_EQ(script.messageBoxes[0].text, L"Loomcraft.dll is not properly configured. Please Re-Install the software.");
    EXPECT_EQ(script.messageBoxes[0].type, 0x1010u);
    EXPECT_TRUE(components.WriterCalls().empty());

    components.writer.failing.insert(CLoomcraftDriver::kBeginBatch);
    EXPECT_EQ(BeginPstExport(CString()), kSetupNoItemWriter);
    ASSERT_EQ(script.messageBoxes.size(), 2u);
    EXPECT_EQ(script.messageBoxes[1].text, L"Microsoft Outlook is not Installed Properly");
    EXPECT_EQ(script.messageBoxes[1].type, 0x1040u);
    EXPECT_EQ(components.writer.refs, 1);   // let go
    EXPECT_EQ(g_itemWriter.m_lpDispatch, nullptr);

    // A store the item writer refuses to create ends the setup without a store.
    components.writer.failing = {CLoomcraftDriver::kCreateStore};
    EXPECT_EQ(BeginPstExport(CString()), kSetupStoreNotCreated);
    EXPECT_EQ(script.messageBoxes.size(), 2u);
    EXPECT_EQ(components.writer.refs, 1);
}

// ---------------------------------------------------------------- mail export

class MailExport : public ::testing::Test {
protected:
    SeamScript script;
    FakeComponents components;
    ScratchFolder temp{L"export_mail_temp"};
    ScratchFolder install{L"export_mail_install"};
    RecordTexts texts;
    ItemRecord record = {};
    MessageDetail message = {};
    FILETIME delivered = {};
    std::wstring header;

    void SetUp() override {
        ASSERT_TRUE(g_itemWriter.CreateDispatch(L"loomcraft.Class1"));
        g_pstExporter.m_strTempFolder = temp.path().c_str();
        header = temp.path() + L"Temp.eml";
        g_pstExporter.m_strHeaderFilePath = header.c_str();
        SetInstallFolder(install.path().substr(0, install.path().size() - 1));
        SYSTEMTIME st = {2012, 12, 0, 15, 13, 5, 59, 0};
        SystemTimeToFileTime(&st, &delivered);
        record.pMessage = &message;
        message.pftMessageDeliveryTime = &delivered;
    }
    void TearDown() override {
        g_itemWriter.ReleaseDispatch();
        SetInstallFolder(L"");
    }

    std::vector<RecordedCall> Mails() {
        std::vector<RecordedCall> mails;
        for (const RecordedCall& c : components.WriterCalls())
            if (c.id == CLoomcraftDriver::kSaveMail) mails.push_back(c);
        return mails;
    }
    void Export() { ExportMailItem(&record, CString(L"\\\\Store\\Inbox")); }
};

TEST_F(MailExport, SaveMailGetsTheTextsInOrderAndTheHeaderFileTheSender) {
    message.txSentRepresentingName = texts.Wide(L"Ann \u00C5berg");
    message.txSentRepresentingEmailAddress = texts.Wide(L"ann@example.com");
    message.txDisplayTo = texts.Wide(L"Bob</O=ORG");
    message.txReceivedByEmailAddress = texts.Wide(L"bob@example.com");
    message.txConversationTopic = texts.Wide(L"Topic \u4E2D");
    record.txSubject = texts.Wide(L"RE: Topic");
    record.txBody = texts.Wide(L"plain body");
    Export();

    EXPECT_EQ(ReadBytes(header), "From:Ann \xC5" "berg<ann@example.com>\r\n");
    const std::vector<RecordedCall> mails = Mails();
    ASSERT_EQ(mails.size(), 1u);
    const RecordedCall& m = mails[0];
    EXPECT_EQ(m.flags, DISPATCH_METHOD);
    EXPECT_EQ(m.types, (std::vector<VARTYPE>{kText, kText, kText, kText, kText, kText, kText, kShort, kText, kText}));
    EXPECT_EQ(m.texts[0], L"\\\\Store\\Inbox");
    EXPECT_EQ(m.texts[1], L"RE: Topic");   // the subject, its prefix kept, before the topic
    EXPECT_EQ(m.texts[2], L"Bob<bob@example.com>");
    EXPECT_EQ(m.texts[3], header);
    EXPECT_EQ(m.texts[4], L"12/15/2012 18:35 PM");
    EXPECT_EQ(m.texts[5], L"<null>");   // no attachment
    EXPECT_EQ(m.texts[6], L"plain body");
    EXPECT_EQ(m.numbers[7], 0);
    EXPECT_EQ(m.texts[8], L"");
    EXPECT_EQ(m.texts[9], L"");
    EXPECT_TRUE(g_strAttachPathList.IsEmpty());

    // An unknown sender is written as such; an empty topic loses to the
    // subject, and the topic serves only where there is no subject.
    message.txSentRepresentingName = StoreText{};
    message.txSentRepresentingEmailAddress = texts.Wide(L"EX-ADDRESS");
    message.txConversationTopic = texts.Wide(L"");
    Export();
    EXPECT_EQ(ReadBytes(header), "From:UnKnown\r\n");
    ASSERT_EQ(Mails().size(), 2u);
    EXPECT_EQ(Mails()[1].texts[1], L"RE: Topic");
    message.txConversationTopic = texts.Wide(L"Topic \u4E2D");
    record.txSubject = StoreText{};
    Export();
    ASSERT_EQ(Mails().size(), 3u);
    EXPECT_EQ(Mails()[2].texts[1], L"Topic \u4E2D");
}

TEST_F(MailExport, BodyIsHtmlThenRtfFileThenPlainText) {
    record.txBody = texts.Wide(L"plain");
    message.txBodyHtml = texts.Bytes("<html>\xE9</html>");
    message.binRtfCompressed.cb = 10;
    const std::wstring rtfFile = install.path() + L"QM_Rtf_Body.rtf";
    // A picture inside the RTF holds zero bytes: the body is the whole file.
    WriteBytes(rtfFile, std::string("{\\rtf1 \\bin3 \0\1\0 caf\xE9}", 22));
    Export();
    ASSERT_EQ(Mails().size(), 1u);
    EXPECT_EQ(Mails()[0].numbers[7], 1);
    EXPECT_EQ(Mails()[0].texts[6], L"<html>\u00E9</html>");
    EXPECT_TRUE(Exists(rtfFile));   // an HTML mail leaves the RTF file alone

    message.txBodyHtml = StoreText{};
    Export();
    ASSERT_EQ(Mails().size(), 2u);
    EXPECT_EQ(Mails()[1].numbers[7], 3);
    EXPECT_EQ(Mails()[1].texts[6], std::wstring(L"{\\rtf1 \\bin3 \0\1\0 caf\u00E9}", 22));
    EXPECT_FALSE(Exists(rtfFile));   // read and deleted

    // The RTF file is gone: no body at all, not even the plain text.
    Export();
    ASSERT_EQ(Mails().size(), 3u);
    EXPECT_EQ(Mails()[2].numbers[7], 0);
    EXPECT_EQ(Mails()[2].texts[6], L"<null>");

    message.binRtfCompressed.cb = 0;
    Export();
    ASSERT_EQ(Mails().size(), 4u);
    EXPECT_EQ(Mails()[3].texts[6], L"plain");
}

TEST_F(MailExport, AttachmentFilesExistDuringTheCallAndAreDeletedAfter) {
    AttachmentNode* first = texts.Attachment(L"report.pdf", std::string("PDF\0data", 8));
    AttachmentNode* second = texts.Attachment(L"caf\u00E9 notes.txt", "notes");
    AttachmentNode* recipientRow = texts.Attachment(L"", "");
    first->pNext = second;
    second->pNext = recipientRow;
    record.pAttachments = first;

    std::vector<std::string> seen;
    components.writer.onCall = [&](const RecordedCall& call) {
        if (call.id != CLoomcraftDriver::kSaveMail) return;
        seen.push_back(ReadBytes(temp.path() + L"report.pdf"));
        seen.push_back(ReadBytes(temp.path() + L"caf\u00E9 notes.txt"));
    };
    Export();
    ASSERT_EQ(Mails().size(), 1u);
    EXPECT_EQ(Mails()[0].texts[5], temp.path() + L"report.pdf;" + temp.path() + L"caf\u00E9 notes.txt;");
    EXPECT_EQ(seen, (std::vector<std::string>{std::string("PDF\0data", 8), "notes"}));
    EXPECT_TRUE(g_strAttachPathList.IsEmpty());
    EXPECT_EQ(record.pAttachCursor, nullptr);
    DeleteAttachmentFiles();
    EXPECT_EQ(temp.Files(), (std::vector<std::wstring>{L"Temp.eml"}));

    // Files of earlier mails are kept for the same names, a few only: the
    // folder stays small whatever the number of names.
    for (int i = 0; i < 40; ++i) {
        first->txAttachLongFilename = texts.Wide(L"file" + std::to_wstring(i) + L".bin");
        Export();
    }
    save_lane::WaitForAll();
    EXPECT_LE(temp.Files().size(), 20u);
    EXPECT_GE(temp.Files().size(), 3u);

    // A failing SaveMail, or a mail without a delivery time (stored without
    // one), leaves no more behind.
    components.writer.failing.insert(CLoomcraftDriver::kSaveMail);
    Export();
    components.writer.failing.clear();
    message.pftMessageDeliveryTime = nullptr;
    Export();
    EXPECT_EQ(Mails().size(), 43u);
    EXPECT_EQ(Mails().back().texts[4], L"");
    DeleteAttachmentFiles();
    EXPECT_EQ(temp.Files(), (std::vector<std::wstring>{L"Temp.eml"}));
    EXPECT_TRUE(g_strAttachPathList.IsEmpty());
}

// A file kept from an earlier mail and written over by a shorter attachment
// of the same name holds only the new bytes when the item writer reads it.
TEST_F(MailExport, AKeptFileWrittenOverHoldsOnlyTheNewBytes) {
    std::vector<std::string> seen;
    components.writer.onCall = [&](const RecordedCall& call) {
        if (call.id == CLoomcraftDriver::kSaveMail) seen.push_back(ReadBytes(temp.path() + L"logo.png"));
    };
    for (const char* bytes : {"a long first picture", "short", "mid-sized"}) {
        record.pAttachments = texts.Attachment(L"logo.png", bytes);
        Export();
    }
    DeleteAttachmentFiles();
    EXPECT_EQ(seen, (std::vector<std::string>{"a long first picture", "short", "mid-sized"}));
}

// Files the export cannot write are counted and the mail is stored without
// them; a name holding ";" goes by a call of its own and never makes the
// export delete a file that is not its own.
TEST_F(MailExport, AttachmentsAndSenderThatCannotBeCarriedAreCounted) {
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    const std::wstring bystander = std::wstring(current) + L"\\c.txt";
    WriteBytes(bystander, "not the export's");
    record.pAttachments = texts.Rows({L"a.txt", L"b;c.txt"});
    message.txSentRepresentingName = texts.Wide(L"Ann");
    g_saveLosses.Clear();
    Export();
    DeleteAttachmentFiles();
    ASSERT_EQ(Mails().size(), 1u);
    EXPECT_EQ(Mails()[0].texts[5], temp.path() + L"a.txt;");
    // The name holding ";" follows the mail by a call of its own.
    std::vector<std::wstring> added;
    for (const RecordedCall& c : components.WriterCalls())
        if (c.id == CLoomcraftDriver::kAddAttachment) added.push_back(c.texts[0]);
    EXPECT_EQ(added, (std::vector<std::wstring>{temp.path() + L"b;c.txt"}));
    EXPECT_EQ(g_saveLosses.attachments, 0);
    EXPECT_EQ(ReadBytes(bystander), "not the export's");
    DeleteFileW(bystander.c_str());

    // A temporary folder that takes no file: both attachments and the sender.
    g_saveLosses.Clear();
    g_pstExporter.m_strTempFolder = L"Z:\\no\\such\\folder\\";
    g_pstExporter.m_strHeaderFilePath = L"Z:\\no\\such\\folder\\Temp.eml";
    Export();
    ASSERT_EQ(Mails().size(), 2u);
    EXPECT_EQ(Mails()[1].texts[5], L"<null>");
    EXPECT_EQ(g_saveLosses.attachments, 2);
    EXPECT_EQ(g_saveLosses.parts, 1);
    EXPECT_EQ(g_saveLosses.items, 0);
    EXPECT_NE(g_saveLosses.systemError, 0u);
}

// A delivery time the date text cannot hold: the mail is stored without
// it, and the time is told of.
TEST_F(MailExport, AMailWhoseTimeTheDateTextCannotHoldIsStoredWithoutIt) {
    SYSTEMTIME st = {1950, 5, 0, 1, 12, 0, 0, 0};
    SystemTimeToFileTime(&st, &delivered);
    g_saveLosses.Clear();
    Export();
    ASSERT_EQ(Mails().size(), 1u);
    EXPECT_EQ(Mails()[0].texts[4], L"");
    EXPECT_EQ(g_saveLosses.parts, 1);
    EXPECT_EQ(g_saveLosses.items, 0);
    g_saveLosses.Clear();
    EXPECT_TRUE(g_strAttachPathList.IsEmpty());
}

TEST(AttachmentFiles, NamesThatCouldLeaveTheFolderOrCollideAreHandled) {
    ScratchFolder temp(L"export_attach_temp");
    RecordTexts texts;
    g_pstExporter.m_strTempFolder = temp.path().c_str();
    g_pstExporter.m_strHeaderFilePath = (temp.path() + L"Temp.eml").c_str();
    const std::wstring overlong(300, L'n');
    std::vector<AttachmentNode*> nodes = {
        texts.Attachment(L"..\\..\\escape.txt", "1"), texts.Attachment(L"C:evil.txt", "2"),
        texts.Attachment(L"sub/evil.txt", "3"),       texts.Attachment(L"con.txt", "4"),
        texts.Attachment(L"..", "5"),                 texts.Attachment(overlong, "6"),
        texts.Attachment(L"\u2215slash.txt", "7"),    texts.Attachment(L"same.txt", "first"),
        texts.Attachment(L"SAME.txt", "second"),      texts.Attachment(L"Temp.eml", "not the header"),
        texts.Attachment(L"same.txt", "third"),
    };
    for (size_t i = 0; i + 1 < nodes.size(); ++i) nodes[i]->pNext = nodes[i + 1];
    ItemRecord record = {};
    record.pAttachments = nodes[0];
    WriteBytes(temp.path() + L"Temp.eml", "From:x\r\n");

    g_saveLosses.Clear();
    SaveAttachmentsToTempFiles(&record);
    EXPECT_EQ(g_saveLosses.attachments, 7) << "every name no file may carry is a lost attachment";
    // Every path lies inside the temporary folder, and no file overwrote another.
    std::vector<std::wstring> paths;
    std::wstring list(g_strAttachPathList.GetString());
    for (size_t start = 0, end; (end = list.find(L';', start)) != std::wstring::npos; start = end + 1)
        paths.push_back(list.substr(start, end - start));
    ASSERT_EQ(paths.size(), 4u) << std::string(list.begin(), list.end());
    std::vector<std::string> contents;
    for (const std::wstring& p : paths) {
        EXPECT_EQ(p.compare(0, temp.path().size(), temp.path()), 0);
        EXPECT_EQ(p.find(L".."), std::wstring::npos);
        contents.push_back(ReadBytes(p));
    }
    EXPECT_EQ(contents, (std::vector<std::string>{"first", "second", "not the header", "third"}));
    EXPECT_EQ(paths[0], temp.path() + L"same.txt");
    EXPECT_EQ(std::wstring(g_strLastAttachPath.GetString()), paths[3]);
    EXPECT_EQ(ReadBytes(temp.path() + L"Temp.eml"), "From:x\r\n");
    EXPECT_FALSE(Exists(TempRoot() + L"escape.txt"));

    // Deleting them leaves only the header file, and no numbered folder.
    DeleteAttachmentFiles();
    EXPECT_EQ(temp.Files(), (std::vector<std::wstring>{L"Temp.eml"}));

    // A shorter file over one that is still there holds only its own bytes.
    WriteBytes(temp.path() + L"same.txt", "a longer file left behind");
    ItemRecord later = {};
    later.pAttachments = texts.Attachment(L"same.txt", "x");
    SaveAttachmentsToTempFiles(&later);
    EXPECT_EQ(ReadBytes(temp.path() + L"same.txt"), "x");
    DeleteAttachmentFiles();
}

TEST(AttachmentFiles, OnlyRecipientRowsWriteNothingAndAFailedFirstOpenEndsTheWalk) {
    RecordTexts texts;
    AttachmentNode* recipient = texts.Attachment(L"", "");
    ItemRecord record = {};
    record.pAttachments = recipient;
    g_strAttachPathList = L"stale;";
    g_strLastAttachPath = L"stale";
    SaveAttachmentsToTempFiles(&record);
    EXPECT_TRUE(g_strAttachPathList.IsEmpty());
    EXPECT_TRUE(g_strLastAttachPath.IsEmpty());

    g_pstExporter.m_strTempFolder = L"Z:\\no\\such\\folder\\";
    AttachmentNode* file = texts.Attachment(L"a.txt", "a");
    record.pAttachments = file;
    SaveAttachmentsToTempFiles(&record);
    EXPECT_TRUE(g_strAttachPathList.IsEmpty());
    EXPECT_TRUE(g_strLastAttachPath.IsEmpty());
}

// ---------------------------------------------------------------- folder chain

TEST(FolderChain, EveryLevelIsCreatedButATopLevelDeletedItemsAndLongPathsWhole) {
    FakeComponents components;
    ASSERT_TRUE(g_itemWriter.CreateDispatch(L"loomcraft.Class1"));
    g_strPstRootPath = L"\\\\Root";
    g_strPstFolderPath = L"before";

    COstSaving::CreatePstFolderChain(CString());
    EXPECT_TRUE(components.WriterCalls().empty());
    EXPECT_EQ(std::wstring(g_strPstFolderPath.GetString()), L"before");

    // Only the top level "Deleted Items" is skipped; its sub-folder is made,
    // and the path is that of the last level either way.
    COstSaving::CreatePstFolderChain(CString(L"deleted ITEMS\\Old\\"));
    std::vector<RecordedCall> calls = components.WriterCalls();
    EXPECT_EQ(Names(calls), (std::vector<std::wstring>{L"BeginBatch", L"CreateFolder", L"EndBatch"}));
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].texts[0], L"\\\\Root\\deleted ITEMS\\Old");
    EXPECT_EQ(calls[1].types, (std::vector<VARTYPE>{kText}));
    components.calls.clear();
    COstSaving::CreatePstFolderChain(CString(L"Deleted Items\\"));
    EXPECT_TRUE(components.WriterCalls().empty());
    EXPECT_EQ(std::wstring(g_strPstFolderPath.GetString()), L"\\\\Root\\Deleted Items");
    COstSaving::CreatePstFolderChain(CString(L"Inbox\\Deleted Items\\"));
    EXPECT_EQ(components.WriterCalls().size(), 6u);

    // A path far beyond 260 characters, with a level the item writer refuses.
    components.calls.clear();
    components.writer.failing.insert(CLoomcraftDriver::kCreateFolder);
    std::wstring relative, expectedLast = L"\\\\Root\\";
    for (int i = 0; i < 30; ++i) relative += std::wstring(20, static_cast<wchar_t>(L'a' + i % 26)) + L"\\";
    expectedLast += relative.substr(0, relative.size() - 1);
    COstSaving::CreatePstFolderChain(CString(relative.c_str()));
    calls = components.WriterCalls();
    ASSERT_EQ(calls.size(), 90u);
    EXPECT_EQ(calls[88].texts[0], expectedLast);
    EXPECT_EQ(OperationName(calls[89].id), L"EndBatch");
    EXPECT_EQ(std::wstring(g_strPstFolderPath.GetString()), expectedLast);
    g_itemWriter.ReleaseDispatch();
}
