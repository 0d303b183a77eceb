// The save as the program runs it: the real frame with a real store loaded
// through the store dialog, folders checked in the tree, Save with a
// scripted destination, the saving dialog with its worker, and a recording
// stand-in of the two components in place of their creation. Checks the
// order and arguments of the calls, the counts per folder against what the
// independent reader lists for the same store, the dialog's texts, pause,
// stop, the free-space stop and the messages.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <mutex>
#include <algorithm>
#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app_frame_test_support.h"
#include "components_test_support.h"
#include "app/AppGlobals.h"
#include "app/FolderChecks.h"
#include "app/LeftView.h"
#include "app/MainFrm.h"
#include "app/TarnwellApp.h"
#include "app/WorkerGate.h"
#include "export/CheckpointRule.h"
#include "export/ExportState.h"
#include "export/LoomcraftDriver.h"
#include "export/SaveLosses.h"
#include "export_test_support.h"
#include "framework/seam_script.h"
#include "reader/store_load.h"
#include "res/resource.h"
#include "support/temp_file.h"
#include "writer/store_description.h"

using namespace frametest;
using exporttest::FakeComponents;
using exporttest::OperationName;
using exporttest::RecordedCall;
using testing_support::SamplePathW;

CTarnwellApp theTestApp;

namespace {

using Clock = std::chrono::steady_clock;

// What the saving dialog showed when the worker asked a question or told
// its outcome.
struct DialogState {
    std::wstring message;
    std::wstring title, destination, folder, count, status, pauseText;
    int totalPos = -1, totalHigh = -1, folderPos = -1, folderHigh = -1;
    bool enabled = false;
};

DialogState ReadDialog(HWND dialog, const std::wstring& message) {
    DialogState s;
    s.message = message;
    s.title = WindowText(dialog);
    s.destination = WindowText(GetDlgItem(dialog, IDC_DEST_VALUE));
    s.folder = WindowText(GetDlgItem(dialog, IDC_FOLDER_VALUE));
    s.count = WindowText(GetDlgItem(dialog, IDC_COUNT_VALUE));
    s.status = WindowText(GetDlgItem(dialog, IDC_SAVE_STATUS));
    s.pauseText = WindowText(GetDlgItem(dialog, IDC_SAVE_PAUSE));
    s.totalPos = static_cast<int>(SendDlgItemMessageW(dialog, IDC_PROGRESS_TOTAL, PBM_GETPOS, 0, 0));
    s.totalHigh = static_cast<int>(SendDlgItemMessageW(dialog, IDC_PROGRESS_TOTAL, PBM_GETRANGE, FALSE, 0));
    s.folderPos = static_cast<int>(SendDlgItemMessageW(dialog, IDC_PROGRESS_FOLDER, PBM_GETPOS, 0, 0));
    s.folderHigh = static_cast<int>(SendDlgItemMessageW(dialog, IDC_PROGRESS_FOLDER, PBM_GETRANGE, FALSE, 0));
    s.enabled = IsWindowEnabled(dialog) != FALSE;
    return s;
}

}  // namespace

class ExportSave : public ::testing::Test {
protected:
    SeamScript script;
    FakeComponents components;
    std::wstring destination;
    std::vector<DialogState> boxes;
    std::mutex boxLock;

    void SetUp() override {
        PrepareProgram();
        if (!ProgramRunning()) {
            ASSERT_TRUE(StartProgram());
        }
        ASSERT_NE(g_pLeftView, nullptr);
        if (g_listFolders.empty()) LoadStore(SamplePathW("ost-unicode-sample.ost"));
        ASSERT_EQ(g_listFolders.size(), 23u);

        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        destination = std::wstring(temp) + L"tarnwell-export-save";
        CreateDirectoryW(destination.c_str(), nullptr);
        script.folderAnswers = {destination};
        script.localTime = SYSTEMTIME{2026, 12, 2, 8, 7, 5, 44, 0};

        // The saving dialog's state whenever the worker or the dialog asks or tells.
        auto scripted = g_Seams.MessageBox;
        g_Seams.MessageBox = [this, scripted](HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
            {
                std::lock_guard<std::mutex> guard(boxLock);
                boxes.push_back(ReadDialog(owner, text));
            }
            return scripted(owner, text, caption, type);
        };
    }

    void TearDown() override {
        g_itemWriter.ReleaseDispatch();
        RemoveDirectoryW((destination + L"\\QMRecoveredPst").c_str());
        RemoveDirectoryW(destination.c_str());
    }

    void LoadStore(const std::wstring& path) { LoadThroughDialog(script, path); }

    void CheckOnly(const std::vector<const wchar_t*>& names) {
        for (const folder& f : g_listFolders) SetFolderCheck(Tree(), static_cast<HTREEITEM>(f.hItem), false);
        for (const wchar_t* name : names) SetFolderCheck(Tree(), FindFolder(name), true);
        g_bAnyFolderChecked = !names.empty();
    }
    // Save, as the toolbar button runs it; returns when the saving dialog has closed.
    void Save() { SendMessageW(Frame(), WM_COMMAND, MAKEWPARAM(ID_TOOL_SAVE, 0), 0); }

    std::vector<std::wstring> Messages() {
        std::vector<std::wstring> texts;
        for (const auto& box : script.messageBoxes) texts.push_back(box.text);
        return texts;
    }

    // SaveMail calls per folder path, relative to the store's root path.
    std::map<std::wstring, int> MailsPerFolder() {
        std::map<std::wstring, int> mails;
        const std::wstring root = std::wstring(g_strPstRootPath.GetString()) + L"\\";
        for (const RecordedCall& c : components.WriterCalls()) {
            if (c.id != CLoomcraftDriver::kSaveMail) continue;
            std::wstring path = c.texts[0];
            if (path.compare(0, root.size(), root) == 0) path = path.substr(root.size());
            ++mails[path];
        }
        return mails;
    }
};

TEST_F(ExportSave, EveryCheckedFolderIsCreatedOpenedAndFilledInOrder) {
    CheckAllFolders();
    Save();
    // Six attachments without any file name and an embedded message (as
    // pffexport lists them) cannot go as files: they are told of.
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{
                              L"Saving completed, but not everything could be saved.\r\n\r\n7 attachments were not "
                              L"saved.\r\nReason: An attachment without a file name (an embedded message or an "
                              L"object) cannot be handed to the components."}));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(script.messageBoxes[0].caption, kMainTitle);
    EXPECT_EQ(script.messageBoxes[0].type, 0x1030u);
    EXPECT_EQ(g_pSaveThread.load(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(Frame()));

    // The dialog as the worker left it.
    const std::wstring pstPath = destination + L"\\QMRecoveredPst\\ost-unicode-sample8-12-2026 7-5-44.pst";
    const DialogState& end = boxes[0];
    EXPECT_EQ(end.title, kMainTitle);
    EXPECT_EQ(end.destination, pstPath.size() > 70 ? pstPath.substr(0, 70) + L"..." : pstPath);
    EXPECT_EQ(end.status, L"Saving process is in progress, please wait...");
    // The overall bar runs over the folders' stored counts (92); the Inbox
    // holds one item more than its count, which the total counter still takes.
    EXPECT_EQ(end.totalHigh, 92);
    EXPECT_EQ(end.totalPos, 92);
    EXPECT_EQ(g_nSavedTotal, 93);

    // Setup first, then per folder: its chain, then the folder's own batch.
    const std::vector<RecordedCall> calls = components.WriterCalls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(OperationName(calls[0].id), L"BeginBatch");
    EXPECT_EQ(OperationName(calls[1].id), L"CreateStore");
    EXPECT_EQ(calls[1].texts[0], pstPath);
    EXPECT_EQ(OperationName(calls[2].id), L"EndBatch");
    int depth = 0;
    std::vector<std::wstring> created;
    for (size_t i = 3; i < calls.size(); ++i) {
        const std::wstring name = OperationName(calls[i].id);
        if (name == L"BeginBatch") ++depth;
        if (name == L"EndBatch") --depth;
        EXPECT_GE(depth, 0);
        EXPECT_LE(depth, 1);
        if (name == L"CreateFolder") created.push_back(calls[i].texts[0]);
        if (name == L"SaveMail" || name == L"OpenFolder" || name == L"CloseFolder") {
            EXPECT_EQ(depth, 1) << i;
        }
        for (size_t a = 0; a < calls[i].types.size(); ++a) {
            const bool bodyType = name == L"SaveMail" ? a == 7 : (name.compare(0, 4, L"Save") == 0 && a + 1 == calls[i].types.size());
            const VARTYPE expected = bodyType ? (VT_I2 | VT_BYREF) : (VT_BSTR | VT_BYREF);
            EXPECT_EQ(calls[i].types[a], expected) << name << " argument " << a;
        }
    }
    EXPECT_EQ(depth, 0);
    const std::wstring root = std::wstring(g_strPstRootPath.GetString()) + L"\\";
    EXPECT_EQ(root, L"\\\\Quillmere_Personal_Folders_8-12-2026 7-5-44\\");
    // "Deleted Items" is the store's own: never created.
    for (const std::wstring& path : created) EXPECT_EQ(path.find(L"Deleted Items"), std::wstring::npos) << path;
    auto wasCreated = [&](const std::wstring& relative) {
        return std::find(created.begin(), created.end(), root + relative) != created.end();
    };
    EXPECT_TRUE(wasCreated(L"Inbox"));
    EXPECT_TRUE(wasCreated(L"Inbox\\sub1"));
    EXPECT_TRUE(wasCreated(L"Inbox\\sub2"));
    EXPECT_TRUE(wasCreated(L"Sync Issues\\Conflicts"));
    EXPECT_TRUE(wasCreated(L"Calendar"));

    // Every mail of the store, as the independent reader counts them per folder
    // (pffexport: Inbox 12, sub1 25, sub2 29, Sent Items 6, Sync Issues 9,
    // Deleted Items 6 mail-type items beside its 4 appointments).
    const std::map<std::wstring, int> expected = {{L"Inbox", 12},       {L"Inbox\\sub1", 25},
                                                  {L"Inbox\\sub2", 29}, {L"Sent Items", 6},
                                                  {L"Sync Issues", 9},  {L"Deleted Items", 6}};
    EXPECT_EQ(MailsPerFolder(), expected);
    // The calendar items: one in Calendar, four in Deleted Items.
    std::map<std::wstring, int> appointments;
    for (const RecordedCall& c : calls)
        if (c.id == CLoomcraftDriver::kSaveAppointment) ++appointments[c.texts[0].substr(root.size())];
    EXPECT_EQ(appointments, (std::map<std::wstring, int>{{L"Calendar", 1}, {L"Deleted Items", 4}}));

    // Bodies were read for every mail: only the one mail whose body is empty
    // in the store (in Sent Items, as pffexport shows it) goes without one.
    int withoutBody = 0;
    for (const RecordedCall& c : calls) {
        if (c.id != CLoomcraftDriver::kSaveMail) continue;
        if (c.texts[6] == L"<null>") {
            ++withoutBody;
            EXPECT_EQ(c.texts[0], root + L"Sent Items");
            EXPECT_EQ(c.texts[1], L"test");
        } else if (c.numbers[7] == 3) {
            EXPECT_EQ(c.texts[6].compare(0, 6, L"{\\rtf1"), 0) << c.texts[1];
        } else if (c.numbers[7] == 1) {
            EXPECT_NE(c.texts[6].find(L"<html"), std::wstring::npos) << c.texts[1];
        }
        EXPECT_NE(c.texts[4], L"") << c.texts[1];
        EXPECT_EQ(c.texts[8], L"");
    }
    EXPECT_EQ(withoutBody, 1);
    EXPECT_FALSE(g_bSaveRunning);
}

// The top folder's own items go into the new store's top folder (the
// independent readers list 7 mails there).
TEST_F(ExportSave, TheTopFoldersOwnItemsAreSavedInTheNewTopFolder) {
    LoadStore(SamplePathW("unicode-tika-mail.pst"));
    CheckAllFolders();
    Save();
    int inTop = 0;
    for (const RecordedCall& c : components.WriterCalls())
        if (c.id == CLoomcraftDriver::kSaveMail && c.texts[0] == std::wstring(g_strPstRootPath.GetString())) ++inTop;
    EXPECT_EQ(inTop, 7);
}

// The Inbox of the sample holds an embedded message, which cannot go as a file.
const wchar_t kInboxEmbeddedMessage[] =
    L"Saving completed, but not everything could be saved.\r\n\r\n1 attachment was not saved.\r\nReason: An "
    L"attachment without a file name (an embedded message or an object) cannot be handed to the components.";

TEST_F(ExportSave, NoFreeSpaceStopsBeforeTheFirstItemAndOneByteMoreGoesOn) {
    CheckOnly({L"Inbox"});
    // The disk's free bytes decide, not what the caller may use of them.
    ULONGLONG availableToCaller = 10ULL << 30;
    const auto scripted = g_Seams.GetDiskFreeSpaceEx;
    g_Seams.GetDiskFreeSpaceEx = [&](LPCWSTR dir, PULARGE_INTEGER avail, PULARGE_INTEGER total, PULARGE_INTEGER free) {
        const BOOL ok = scripted(dir, avail, total, free);
        if (avail) avail->QuadPart = availableToCaller;
        return ok;
    };
    script.freeBytes = 314572800ULL;
    Save();
    // Every item of the folder is told of, with why.
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{
                              L"There is not enough free disk space. Please select another path for saving.",
                              L"Saving not completed.\r\n\r\n12 items were not saved.\r\n"
                              L"Reason: There is not enough free disk space at the destination."}));
    EXPECT_EQ(script.messageBoxes[0].type, 0x1010u);
    EXPECT_EQ(script.messageBoxes[1].type, 0x1040u);
    ASSERT_EQ(script.diskSpaceQueries.size(), 1u);
    EXPECT_EQ(script.diskSpaceQueries[0], destination + L"\\QMRecoveredPst");
    std::vector<std::wstring> names;
    for (const RecordedCall& c : components.WriterCalls()) names.push_back(OperationName(c.id));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"BeginBatch", L"CreateStore", L"EndBatch", L"BeginBatch",
                                                L"CreateFolder", L"EndBatch", L"BeginBatch", L"OpenFolder",
                                                L"CloseFolder", L"EndBatch"}));
    EXPECT_EQ(components.writer.refs, 1);   // released

    script.messageBoxes.clear();
    components.calls.clear();
    script.diskSpaceQueries.clear();
    script.folderAnswers = {destination};
    script.freeBytes = 314572801ULL;
    availableToCaller = 0;
    Save();
    EXPECT_EQ(script.diskSpaceQueries.size(), 1u);   // 12 items: one step, before the first
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{kInboxEmbeddedMessage}));
    EXPECT_EQ(MailsPerFolder(), (std::map<std::wstring, int>{{L"Inbox", 12}}));

    // A query that fails counts as enough space, and an abort request left
    // from before does not stop a new save.
    script.messageBoxes.clear();
    components.calls.clear();
    script.folderAnswers = {destination};
    g_Seams.GetDiskFreeSpaceEx = [](LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER) { return FALSE; };
    g_bSaveAbort = true;
    Save();
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{kInboxEmbeddedMessage}));
    EXPECT_EQ(MailsPerFolder(), (std::map<std::wstring, int>{{L"Inbox", 12}}));
}

TEST_F(ExportSave, StopAnsweredYesEndsAfterTheItemInProgress) {
    CheckOnly({L"sub1", L"sub2"});
    script.messageBoxAnswers = {IDYES};
    std::atomic<int> mails{0};
    components.writer.onCall = [&](const RecordedCall& call) {
        if (call.id != CLoomcraftDriver::kSaveMail || ++mails != 3) return;
        HWND dialog = FindWindowW(L"#32770", kMainTitle);
        Click(dialog, IDC_PAUSE);   // the Stop button
    };
    Save();
    // The rest of the folder and the folder not reached: 22 + 29 items.
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{L"Saving is in Progress, do you want to abort ?",
                                                     L"Saving aborted by user.\r\n\r\n51 items were not saved.\r\n"
                                                     L"Reason: The save was stopped before it reached them."}));
    EXPECT_EQ(script.messageBoxes[0].type, 0x1024u);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[1].enabled);   // enabled again for the last message
    EXPECT_EQ(boxes[1].count, L"3/25");
    EXPECT_FALSE(g_bSaveAbort);
    EXPECT_EQ(MailsPerFolder(), (std::map<std::wstring, int>{{L"Inbox\\sub1", 3}}));
    // The folder is closed and its batch ended; the second folder is not begun.
    const std::vector<RecordedCall> calls = components.WriterCalls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(OperationName(calls[calls.size() - 2].id), L"CloseFolder");
    EXPECT_EQ(OperationName(calls.back().id), L"EndBatch");
    for (const RecordedCall& c : calls) EXPECT_NE(c.texts.empty() ? L"" : c.texts[0], g_strPstRootPath + L"\\Inbox\\sub2");
}

TEST_F(ExportSave, StopAnsweredNoAndPauseThenResumeFinishTheSave) {
    CheckOnly({L"sub2"});
    script.messageBoxAnswers = {IDNO};
    std::atomic<int> mails{0};
    std::atomic<HWND> dialog{nullptr};
    components.writer.onCall = [&](const RecordedCall& call) {
        if (call.id != CLoomcraftDriver::kSaveMail) return;
        ++mails;
        if (mails == 2) {
            dialog = FindWindowW(L"#32770", kMainTitle);
            Click(dialog, IDC_PAUSE);        // Stop, answered No
            Click(dialog, IDC_SAVE_PAUSE);   // Pause: the worker stops at its next item
        }
    };
    struct Seen {
        int mailsWhilePaused = -1, mailsLater = -1;
        std::wstring pauseText, resumeText;
        bool stopEnabled = true, openAfterClose = false;
    } seen;
    std::thread driver([&] {
        if (!WaitFor([&] { return mails >= 2 && dialog.load() != nullptr; })) return;
        HWND d = dialog;
        WaitFor([&] { return WindowText(GetDlgItem(d, IDC_SAVE_PAUSE)) == L"Resume"; });
        seen.mailsWhilePaused = mails;
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        seen.mailsLater = mails;
        seen.pauseText = WindowText(GetDlgItem(d, IDC_SAVE_PAUSE));
        seen.stopEnabled = IsWindowEnabled(GetDlgItem(d, IDC_PAUSE)) != FALSE;
        SendMessageW(d, WM_CLOSE, 0, 0);   // ignored while paused
        seen.openAfterClose = IsWindow(d) != FALSE;
        Click(d, IDC_SAVE_PAUSE);
        seen.resumeText = WindowText(GetDlgItem(d, IDC_SAVE_PAUSE));
    });
    Save();
    driver.join();
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{L"Saving is in Progress, do you want to abort ?",
                                                     L"Saving  completed successfully."}));
    EXPECT_EQ(seen.mailsWhilePaused, seen.mailsLater);
    EXPECT_LE(seen.mailsWhilePaused, 3);
    EXPECT_EQ(seen.pauseText, L"Resume");
    EXPECT_FALSE(seen.stopEnabled);
    EXPECT_TRUE(seen.openAfterClose);
    EXPECT_EQ(seen.resumeText, L"Pause");
    EXPECT_EQ(MailsPerFolder(), (std::map<std::wstring, int>{{L"Inbox\\sub2", 29}}));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].count, L"29/29");
    EXPECT_EQ(boxes[1].folder, L"sub2");
    EXPECT_EQ(boxes[1].folderPos, 29);
}

TEST_F(ExportSave, MissingComponentsEndTheSaveWithTheSetupMessageOnly) {
    CheckOnly({L"Inbox"});
    components.unavailable[L"CorvaneRedmp.RDOSessionCorvane"] = 2;
    Save();
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{L"Microsoft Outlook not found installed or corrupted. Please "
                                                     L"install Microsoft Outlook & re-run Application."}));
    EXPECT_TRUE(components.WriterCalls().empty());
    EXPECT_EQ(g_pSaveThread.load(), nullptr);
}

// A store made by our writer with 301 mails in one folder: the free-space
// step runs before the 1st, 151st and 301st item, each time closing and
// opening the folder again; Enter and Escape during the save change nothing.
TEST_F(ExportSave, WriterStoreOfThreeHundredMailsTakesThreeFreeSpaceSteps) {
    std::string description = "variant unicode\nfolder Bulk IPF.Note\n";
    for (int i = 0; i < 301; ++i)
        description += "message Bulk IPM.Note\nsubject Bulk " + std::to_string(i) +
                       "\nsender Bo <bo@example.com>\nbody b\nprop 0x0E060040 2021-05-01T10:00:00\n";
    const std::vector<uint8_t> bytes = writer::StoreFromDescription(description);
    testing_support::TempFile store(bytes, ".ost");
    LoadStore(store.wpath());
    CheckOnly({L"Bulk"});
    components.writer.onCall = [&](const RecordedCall& call) {
        static int n = 0;
        if (call.id != CLoomcraftDriver::kSaveMail || ++n != 5) return;
        HWND dialog = FindWindowW(L"#32770", kMainTitle);
        PostEnterAndEscape(GetDlgItem(dialog, IDC_PAUSE));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    };
    Save();
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{L"Saving  completed successfully."}));
    EXPECT_EQ(script.diskSpaceQueries.size(), 3u);
    std::vector<std::wstring> folderCalls;
    int mails = 0;
    for (const RecordedCall& c : components.WriterCalls()) {
        const std::wstring name = OperationName(c.id);
        if (name == L"SaveMail") {
            ++mails;
        } else if (name == L"OpenFolder" || name == L"CloseFolder") {
            folderCalls.push_back(name + L"@" + std::to_wstring(mails));
        }
    }
    EXPECT_EQ(mails, 301);
    EXPECT_EQ(folderCalls, (std::vector<std::wstring>{L"OpenFolder@0", L"CloseFolder@0", L"OpenFolder@0",
                                                      L"CloseFolder@150", L"OpenFolder@150", L"CloseFolder@300",
                                                      L"OpenFolder@300", L"CloseFolder@301"}));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].count, L"301/301");
    EXPECT_EQ(boxes[0].folderPos, 301);
}

// An 8-bit store: texts through the ANSI code page, the attachment written
// byte for byte as the independent reader extracts it, the header file.
TEST_F(ExportSave, AnsiStoreMailWithItsAttachmentAndSender) {
    LoadStore(SamplePathW("ansi-sample2-attachment.pst"));
    CheckOnly({L"Sample2"});
    std::vector<std::string> attachment, headerFile;
    components.writer.onCall = [&](const RecordedCall& call) {
        if (call.id != CLoomcraftDriver::kSaveMail) return;
        for (const std::wstring& path : {call.texts[5].substr(0, call.texts[5].size() - 1), call.texts[3]})
            (attachment.empty() ? attachment : headerFile).push_back(exporttest::ReadBytes(path));
    };
    Save();
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{L"Saving  completed successfully."}));
    std::vector<RecordedCall> mails;
    for (const RecordedCall& c : components.WriterCalls())
        if (c.id == CLoomcraftDriver::kSaveMail) mails.push_back(c);
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].texts[0], std::wstring(g_strPstRootPath.GetString()) + L"\\Sample2");
    EXPECT_EQ(mails[0].texts[1], L"Here is a sample message");
    EXPECT_EQ(mails[0].texts[4], L"3/15/2010 22:42 PM");
    EXPECT_EQ(mails[0].numbers[7], 1);
    const std::wstring list = mails[0].texts[5];
    ASSERT_GE(list.size(), 17u);
    EXPECT_EQ(list.substr(list.size() - 17), L"leah_thumper.jpg;");
    // The file as pffexport extracts it: 93,142 bytes, FNV-1a 0xb90d718a5263b518.
    ASSERT_EQ(attachment.size(), 1u);
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char b : attachment[0]) hash = (hash ^ b) * 0x100000001b3ULL;
    EXPECT_EQ(attachment[0].size(), 93142u);
    EXPECT_EQ(hash, 0xb90d718a5263b518ULL);
    ASSERT_EQ(headerFile.size(), 1u);
    EXPECT_EQ(headerFile[0], "From:<Terry Mahaffey>\r\n");
    // Deleted once the mail is stored.
    EXPECT_EQ(GetFileAttributesW(list.substr(0, list.size() - 1).c_str()), INVALID_FILE_ATTRIBUTES);
}

// The whole sample saved through this build's components, registered for
// the test: nothing is lost, so the success message ends it. The new store is left in
// EXPORT_E2E_DIR (or the temporary folder) for the independent readers;
// EXPORT_E2E_STORE names another store to save, EXPORT_E2E_STOP_AFTER a
// number of items after which the save is stopped.
TEST_F(ExportSave, RealComponentsSaveTheWholeStore) {
    {
        components_test::RegisteredComponents registered;
        FakeComponents::Suspend real(components);
        wchar_t store[MAX_PATH] = L"";
        if (GetEnvironmentVariableW(L"EXPORT_E2E_STORE", store, MAX_PATH)) LoadStore(store);
        wchar_t folder[MAX_PATH] = L"";
        if (GetEnvironmentVariableW(L"EXPORT_E2E_DIR", folder, MAX_PATH)) script.folderAnswers = {folder};
        CheckAllFolders();
        // EXPORT_E2E_STOP_AFTER=n: Stop, answered Yes, once n items are saved.
        wchar_t stopAfter[32] = L"";
        const int stopAt = GetEnvironmentVariableW(L"EXPORT_E2E_STOP_AFTER", stopAfter, 32) ? _wtoi(stopAfter) : 0;
        std::atomic<bool> saving{true};
        std::thread stopper([&] {
            if (stopAt <= 0) return;
            script.messageBoxAnswers = {IDYES};
            WaitFor([&] { return !saving || g_nSavedTotal >= stopAt; }, 120000);
            if (saving) Click(FindWindowW(L"#32770", kMainTitle), IDC_PAUSE);
        });
        const auto start = Clock::now();
        Save();
        saving = false;
        stopper.join();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        // The sample's attachments without a file name are told of.
        const std::wstring end = Messages().back();
        const std::wstring opening = stopAt > 0 ? L"Saving aborted by user." : L"Saving completed, but not everything";
        EXPECT_TRUE(end == L"Saving  completed successfully." || end.compare(0, opening.size(), opening) == 0)
            << std::string(end.begin(), end.end());
        EXPECT_NE(GetFileAttributesW(g_strPstPath), INVALID_FILE_ATTRIBUTES);
        printf("saved %d items into %ls in %.2f s\n", g_nSavedTotal, g_strPstPath.GetString(), seconds);
        if (folder[0] == 0) DeleteFileW(g_strPstPath);   // kept only where it was asked for
    }
}

// A task, a journal entry, an appointment and a contact of three attachments
// each, saved through the real components: the new store holds every file
// of every item, in its stored order (the independent reader extracts them).
TEST_F(ExportSave, RealComponentsCarryEveryAttachmentOfEveryKind) {
    if (!components_test::HaveNativeTools()) GTEST_SKIP() << "not under Wine, or the independent readers are not installed";
    std::string description = "variant unicode\nfolder Kinds IPF.Note\n";
    for (const char* kind : {"IPM.Task", "IPM.Activity", "IPM.Appointment", "IPM.Contact"})
        description += std::string("message Kinds ") + kind + "\nsubject " + kind +
                       "\nprop 0x3A06001F Kim\nattach one.txt first\nattach two.txt second\nattach three.txt third\n";
    testing_support::TempFile store(writer::StoreFromDescription(description), ".ost");
    LoadStore(store.wpath());
    CheckOnly({L"Kinds"});
    components_test::ScratchFolder scratch(L"tarnwell-kinds");
    script.folderAnswers = {scratch / L""};
    {
        components_test::RegisteredComponents registered;
        FakeComponents::Suspend real(components);
        Save();
    }
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{L"Saving  completed successfully."}));
    const std::wstring top = components_test::PffExport(g_strPstPath.GetString(), scratch, L"pff");
    const std::string files = components_test::RunNative(
        "cd " + components_test::Quote(top + L"\\Kinds") + " && find . -path '*Attachments*' -type f | sort", scratch);
    // Lines "./Task00001/Attachments/1_one.txt": the kind and the file's name.
    std::map<std::string, std::set<std::string>> byKind;
    std::istringstream lines(files);
    for (std::string line; std::getline(lines, line);) {
        const size_t digits = line.find_first_of("0123456789"), name = line.find('_');
        if (line.size() > 2 && digits != std::string::npos && name != std::string::npos)
            byKind[line.substr(2, digits - 2)].insert(line.substr(name + 1));
    }
    const std::set<std::string> all = {"one.txt", "two.txt", "three.txt"};
    EXPECT_EQ(byKind, (std::map<std::string, std::set<std::string>>{
                          {"Activity", all}, {"Appointment", all}, {"Contact", all}, {"Task", all}}))
        << files;
    DeleteFileW(g_strPstPath);
}

// ---------------------------------------------------------------- what a save could not carry

namespace {

std::wstring DiskFullText() { return std::wstring(SystemErrorText(ERROR_DISK_FULL).GetString()); }

// A damaged copy of a sample store as the shared damaged-store table
// describes it ("OFFSET:OLD>NEW" byte changes, hex), in a file of its own.
std::vector<uint8_t> DamagedStore(const std::string& name) {
    std::string table;
    for (uint8_t b : testing_support::ReadWholeFile(testing_support::SamplePath("damaged/cases.tsv"))) table += static_cast<char>(b);
    std::istringstream lines(table);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string store, source, change;
        if (!(fields >> store >> source) || store != name) continue;
        std::vector<uint8_t> bytes = testing_support::ReadWholeFile(testing_support::SamplePath(source));
        while (fields >> change) {
            if (change == "cut" && fields >> change) {
                bytes.resize(std::min<size_t>(bytes.size(), std::stoul(change)));
                continue;
            }
            unsigned long offset = 0;
            unsigned oldByte = 0, newByte = 0;
            if (std::sscanf(change.c_str(), "%lu:%x>%x", &offset, &oldByte, &newByte) == 3 && offset < bytes.size())
                bytes[offset] = static_cast<uint8_t>(newByte);
        }
        return bytes;
    }
    return {};
}

int CountOf(const std::vector<RecordedCall>& calls, DISPID id) {
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [id](const RecordedCall& c) { return c.id == id; }));
}

}  // namespace

// The destination fills up during the save: the refused item stops it as the
// free-space step does, and the items the store had not yet made its own
// (those after its last checkpoint) are counted with the refused one and
// the rest of the folder: all 12 mails of the Inbox.
TEST_F(ExportSave, AFullDestinationStopsTheSaveAndTellsWhatWasLost) {
    CheckOnly({L"Inbox"});
    int mails = 0;
    components.writer.onCall = [&](const RecordedCall& call) {
        if (call.id != CLoomcraftDriver::kSaveMail || ++mails != 5) return;
        script.freeBytes = 1000;
        components.writer.failing = {CLoomcraftDriver::kSaveMail, CLoomcraftDriver::kEndBatch};
    };
    Save();
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{
                              L"There is not enough free disk space. Please select another path for saving.",
                              L"Saving not completed.\r\n\r\n12 items and 1 attachment were not saved.\r\n"
                              L"1 attachment: An attachment without a file name (an embedded message or an object) "
                              L"cannot be handed to the components.\r\n12 items: " + DiskFullText()}));
    const std::vector<RecordedCall> calls = components.WriterCalls();
    EXPECT_EQ(CountOf(calls, CLoomcraftDriver::kSaveMail), 5);   // nothing after the refusal
    EXPECT_EQ(components.writer.refs, 1);                        // released
}

// A folder the item writer cannot open has its items counted; a failure
// nothing expected ends the save with a message that says so and what the
// new store holds.
TEST_F(ExportSave, AFolderNotOpenedAndAnUnexpectedFailureAreTold) {
    CheckOnly({L"Inbox"});
    components.writer.failing = {CLoomcraftDriver::kOpenFolder};
    Save();
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{L"Saving completed, but not everything could be saved.\r\n\r\n"
                                                     L"12 items were not saved.\r\nReason: refused"}));
    EXPECT_EQ(CountOf(components.WriterCalls(), CLoomcraftDriver::kSaveMail), 0);

    script.messageBoxes.clear();
    components.writer.failing.clear();
    script.folderAnswers = {destination};
    g_Seams.GetDiskFreeSpaceEx = [](LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER) -> BOOL {
        throw std::runtime_error("no answer");
    };
    Save();
    ASSERT_EQ(Messages().size(), 1u);
    const std::wstring expected = L"Saving failed.\r\nReason: no answer\r\n\r\n0 items were saved into " +
                                  std::wstring(g_strPstPath.GetString()) + L".";
    EXPECT_EQ(Messages()[0], expected);
    EXPECT_EQ(components.writer.refs, 1);   // released
    EXPECT_EQ(g_pSaveThread.load(), nullptr);
}

// Inside a folder the item writer's batch ends (a checkpoint) at least every
// 500 items; a checkpoint that fails ends the save, and the items since the
// last good one are counted.
TEST_F(ExportSave, CheckpointsComeEveryFiveHundredItemsAndAFailedOneIsCounted) {
    std::string description = "variant unicode\nfolder Bulk IPF.Note\n";
    for (int i = 0; i < 1001; ++i)
        description += "message Bulk IPM.Note\nsubject Bulk " + std::to_string(i) +
                       "\nbody b\nprop 0x0E060040 2021-05-01T10:00:00\n";
    testing_support::TempFile store(writer::StoreFromDescription(description), ".ost");
    LoadStore(store.wpath());
    CheckOnly({L"Bulk"});
    int mails = 0, sinceEnd = 0, most = 0, checkpoints = 0, lostAtFailure = -1;
    bool opened = false;
    components.writer.onCall = [&](const RecordedCall& call) {
        if (call.id == CLoomcraftDriver::kOpenFolder) opened = true;
        if (call.id == CLoomcraftDriver::kSaveMail) {
            ++mails;
            most = std::max(most, ++sinceEnd);
        }
        if (call.id == CLoomcraftDriver::kEndBatch && opened && mails > 0) {
            // The second checkpoint inside the folder fails.
            if (++checkpoints == 2) {
                lostAtFailure = sinceEnd;
                components.writer.failing = {CLoomcraftDriver::kEndBatch};
            }
            sinceEnd = 0;
        }
    };
    Save();
    ASSERT_EQ(checkpoints, 2);
    EXPECT_LE(most, 500);
    EXPECT_LT(mails, 1001);
    // The items since the last good checkpoint and those not reached.
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{L"Saving not completed.\r\n\r\n" +
                                                     std::to_wstring(lostAtFailure + 1001 - mails) +
                                                     L" items were not saved.\r\nReason: refused"}));
}

// A damaged store: the save does not end with the success message, and
// what it stored and what it counted as not saved make up the folder.
TEST_F(ExportSave, ADamagedStoreEndsWithWhatWasNotSaved) {
    const std::vector<uint8_t> bytes = DamagedStore("bbt-sent-mail.pst");
    ASSERT_FALSE(bytes.empty());
    testing_support::TempFile store(bytes, ".pst");
    LoadStore(store.wpath());
    CheckOnly({L"Sent Messages"});
    Save();
    // Every mail is read again; the one part the damage keeps from being
    // read is what the user is told of.
    EXPECT_EQ(CountOf(components.WriterCalls(), CLoomcraftDriver::kSaveMail), 11);
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{
                              L"Saving completed, but not everything could be saved.\r\n\r\n"
                              L"1 other part of an item was not saved.\r\n"
                              L"Reason: Parts of items cannot be read from the store being saved."}));
    ASSERT_EQ(script.messageBoxes.size(), 1u);
    EXPECT_EQ(script.messageBoxes[0].type, 0x1030u);
}

// A draft (a mail without a delivery time) is stored without one; Stop
// tells of the item it did not reach, with why.
TEST_F(ExportSave, ADraftIsSavedWithoutATimeAndStopTellsWhatItDidNotReach) {
    std::string description = "variant unicode\nfolder Few IPF.Note\nmessage Few IPM.Note\nsubject undated\nbody b\n";
    for (int i = 0; i < 3; ++i)
        description += "message Few IPM.Note\nsubject dated\nbody b\nprop 0x0E060040 2021-05-01T10:00:00\n";
    testing_support::TempFile store(writer::StoreFromDescription(description), ".ost");
    LoadStore(store.wpath());
    CheckOnly({L"Few"});
    script.messageBoxAnswers = {IDYES};
    int mails = 0;
    components.writer.onCall = [&](const RecordedCall& call) {
        if (call.id != CLoomcraftDriver::kSaveMail || ++mails != 3) return;
        Click(FindWindowW(L"#32770", kMainTitle), IDC_PAUSE);   // the Stop button
    };
    Save();
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{L"Saving is in Progress, do you want to abort ?",
                                                     L"Saving aborted by user.\r\n\r\n1 item was not saved.\r\n"
                                                     L"Reason: The save was stopped before it reached them."}));
    std::vector<std::wstring> dates;
    for (const RecordedCall& c : components.WriterCalls())
        if (c.id == CLoomcraftDriver::kSaveMail) dates.push_back(c.texts[1] + L" " + c.texts[4]);
    EXPECT_EQ(dates, (std::vector<std::wstring>{L"undated ", L"dated 5/1/2021 15:30 PM", L"dated 5/1/2021 15:30 PM"}));
}

// A contact marked as unsent is left out as designed, and told of: the save
// does not end with its success message over it.
TEST_F(ExportSave, AnUnsentContactIsLeftOutAndToldOf) {
    const std::string description =
        "variant unicode\nfolder People IPF.Contact\n"
        "message People IPM.Contact\nsubject Unsent\nprop 0x0E070003 9\nprop 0x3001001F Unsent\n";
    testing_support::TempFile store(writer::StoreFromDescription(description), ".ost");
    LoadStore(store.wpath());
    CheckOnly({L"People"});
    Save();
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{L"Saving completed, but not everything could be saved.\r\n\r\n1 item was not saved.\r\n"
                                                     L"Reason: Contacts marked as unsent (message flags 9) are not saved."}));
}

// An item whose node the damage keeps from being read, and one whose class
// is lost, are items lost, told of as such; the others of the folder are saved.
TEST_F(ExportSave, AnItemThatCannotBeReadOrHasNoClassIsCountedLost) {
    writer::StoreOptions options;
    options.variant = writer::Variant::Unicode;
    writer::StoreBuilder builder(options);
    const uint32_t folder = builder.AddFolder(builder.IpmSubtree(), u"Few", "IPF.Note");
    std::vector<uint32_t> nids;
    for (int i = 0; i < 4; ++i) {
        writer::Message& m = builder.AddMessage(folder, "IPM.Note");
        m.SetSubject(u"mail");
        nids.push_back(m.nid());
        if (i == 2) m.Props().Remove(0x001A);   // PidTagMessageClass
    }
    builder.Damage().unreadableNids = {nids[1]};
    testing_support::TempFile store(builder.WriteMemory(), ".ost");
    LoadStore(store.wpath());
    CheckOnly({L"Few"});
    Save();
    EXPECT_EQ(CountOf(components.WriterCalls(), CLoomcraftDriver::kSaveMail), 2);
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{L"Saving completed, but not everything could be saved.\r\n\r\n"
                                                     L"2 items were not saved.\r\n"
                                                     L"Reason: An item cannot be read from the store being saved."}));
}

// A folder whose own record the damage keeps from being read: its items are
// saved all the same, under the name the tree shows for it.
TEST_F(ExportSave, AFolderThatCannotBeReadHasItsItemsSavedUnderItsShownName) {
    testing_support::TempFile store(DamagedStore("heap-header.pst"), ".pst");
    LoadStore(store.wpath());
    CheckAllFolders();
    Save();
    EXPECT_EQ(MailsPerFolder(), (std::map<std::wstring, int>{{L"Folder 8042", 36}}));
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{L"Saving  completed successfully."}));
}

// A store cut short: the items its folders list beyond the cut are told of.
TEST_F(ExportSave, ItemsAStoreCutShortListsButLacksAreCounted) {
    testing_support::TempFile store(DamagedStore("cut-at-94377.pst"), ".pst");
    LoadStore(store.wpath());
    CheckAllFolders();
    Save();
    EXPECT_EQ(CountOf(components.WriterCalls(), CLoomcraftDriver::kSaveMail), 98);
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{L"Saving completed, but not everything could be saved.\r\n\r\n"
                                                     L"196 items were not saved.\r\n"
                                                     L"Reason: Items a folder lists cannot be found in the store "
                                                     L"being saved."}));
}

// A taken name gets the next free one, the file there is left alone; the
// attachment and header files live in a folder of the save's own, which is
// gone at the end with a folder a killed save left; another program's file
// of an attachment's name is never touched.
TEST_F(ExportSave, NoFileIsReplacedAndOnlyTheSavesOwnTemporaryFilesGo) {
    LoadStore(SamplePathW("ansi-sample2-attachment.pst"));
    CheckOnly({L"Sample2"});
    const std::wstring folder = destination + L"\\QMRecoveredPst\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    exporttest::WriteBytes(folder + L"ansi-sample2-attachment.pst", "earlier save");
    const std::wstring temp = exporttest::TempRoot();
    const std::wstring left = temp + L"Quillmere-save-999999-1\\";
    CreateDirectoryW(left.c_str(), nullptr);
    exporttest::WriteBytes(left + L"Temp.eml", "From:x\r\n");
    exporttest::WriteBytes(left + L"save.lock",
                           "Quillmere save folder: removed by the next save once no save holds this file.\r\n");
    // A folder of the same prefix that no save marked is not the save's.
    const std::wstring foreign = temp + L"Quillmere-save-999999-2\\";
    CreateDirectoryW(foreign.c_str(), nullptr);
    exporttest::WriteBytes(foreign + L"keep.txt", "someone's");
    exporttest::WriteBytes(temp + L"leah_thumper.jpg", "another program's");
    script.tempPath = temp;
    std::wstring attachment, header;
    components.writer.onCall = [&](const RecordedCall& call) {
        if (call.id != CLoomcraftDriver::kSaveMail) return;
        attachment = call.texts[5].substr(0, call.texts[5].size() - 1);
        header = call.texts[3];
        EXPECT_TRUE(exporttest::Exists(attachment));
    };
    Save();
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{L"Saving  completed successfully."}));
    const std::vector<RecordedCall> calls = components.WriterCalls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[1].texts[0], folder + L"ansi-sample2-attachment (2).pst");
    EXPECT_EQ(exporttest::ReadBytes(folder + L"ansi-sample2-attachment.pst"), "earlier save");
    // Both files lay in one folder under the temporary folder, gone now.
    const std::wstring own = attachment.substr(0, attachment.find_last_of(L'\\') + 1);
    EXPECT_EQ(header, own + L"Temp.eml");
    EXPECT_EQ(own.compare(0, temp.size(), temp), 0);
    EXPECT_GT(own.size(), temp.size());
    EXPECT_FALSE(exporttest::Exists(own));
    EXPECT_FALSE(exporttest::Exists(left));
    EXPECT_EQ(exporttest::ReadBytes(foreign + L"keep.txt"), "someone's");
    DeleteFileW((foreign + L"keep.txt").c_str());
    RemoveDirectoryW(foreign.c_str());
    EXPECT_EQ(exporttest::ReadBytes(temp + L"leah_thumper.jpg"), "another program's");
    DeleteFileW((temp + L"leah_thumper.jpg").c_str());
    DeleteFileW((folder + L"ansi-sample2-attachment.pst").c_str());
}

// A temporary folder or a destination that takes no file is refused with
// its reason before the store is created.
TEST_F(ExportSave, UnwritableTemporaryFolderOrDestinationIsRefusedFirst) {
    CheckOnly({L"Inbox"});
    const std::wstring blocker = exporttest::TempRoot() + L"tarnwell-not-a-folder";
    exporttest::WriteBytes(blocker, "a file");
    script.tempPath = blocker + L"\\";
    Save();
    ASSERT_EQ(Messages().size(), 1u);
    const std::wstring tempRefusal = L"Saving not completed.\r\n\r\nThe temporary folder " + blocker +
                                     L"\\ cannot be written.\r\nReason: ";
    EXPECT_EQ(Messages()[0].compare(0, tempRefusal.size(), tempRefusal), 0);
    EXPECT_GT(Messages()[0].size(), tempRefusal.size());

    script.messageBoxes.clear();
    script.tempPath = exporttest::TempRoot();
    script.folderAnswers = {blocker};   // its QMRecoveredPst cannot be made
    Save();
    ASSERT_EQ(Messages().size(), 1u);
    // Not "path not found": the save's folder could not be made there.
    EXPECT_EQ(Messages()[0], L"Saving not completed.\r\n\r\nThe new store cannot be written in " + blocker +
                                 L"\\QMRecoveredPst\\\r\nReason: The folder cannot be made there.");
    EXPECT_EQ(CountOf(components.WriterCalls(), CLoomcraftDriver::kCreateStore), 0);
    DeleteFileW(blocker.c_str());
}

// The real components on a destination disk that fills up during the save
// (a small tmpfs, where this machine lets the test mount one): the save
// stops with the free-space message and tells how many items were lost;
// the new store holds every other item and opens in the independent readers.
TEST_F(ExportSave, RealComponentsOnADiskThatFillsUpKeepTheirLastCheckpoint) {
    if (components_test::UnixPath(L"C:\\").empty()) GTEST_SKIP() << "not under Wine";
    components_test::ScratchFolder scratch(L"tarnwell-full-disk");
    const std::wstring disk = scratch / L"disk";
    CreateDirectoryW(disk.c_str(), nullptr);
    const std::string mounted =
        components_test::RunNative("mount -t tmpfs -o size=3m tmpfs " + components_test::Quote(disk) + " && echo mounted", scratch);
    if (mounted.find("mounted") == std::string::npos) GTEST_SKIP() << "no small disk can be mounted here: " << mounted;
    struct Unmount {
        const components_test::ScratchFolder& scratch;
        std::wstring disk;
        ~Unmount() { components_test::RunNative("umount " + components_test::Quote(disk), scratch); }
    } unmount{scratch, disk};

    std::string description = "variant unicode\nfolder Big IPF.Note\n";
    for (int i = 0; i < 1500; ++i)
        description += "message Big IPM.Note\nsubject Big " + std::to_string(i) + "\nbody " + std::string(1000, 'x') +
                       "\nprop 0x0E060040 2021-05-01T10:00:00\n";
    testing_support::TempFile store(writer::StoreFromDescription(description), ".ost");
    LoadStore(store.wpath());
    CheckOnly({L"Big"});
    script.folderAnswers = {disk};
    {
        components_test::RegisteredComponents registered;
        FakeComponents::Suspend real(components);
        Save();
    }
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[0], L"There is not enough free disk space. Please select another path for saving.");
    const std::wstring opening = L"Saving not completed.\r\n\r\n";
    const std::wstring last = Messages()[1];
    ASSERT_EQ(last.compare(0, opening.size(), opening), 0) << std::string(last.begin(), last.end());
    EXPECT_NE(last.find(L"Reason: " + DiskFullText()), std::wstring::npos);
    const int lost = _wtoi(last.c_str() + opening.size());
    EXPECT_GE(lost, 1);

    const std::string pst = components_test::Quote(g_strPstPath.GetString());
    EXPECT_NE(components_test::RunNative("pffinfo " + pst, scratch).find("Personal Storage Tables"), std::string::npos);
    const std::wstring out = scratch / L"readpst";
    CreateDirectoryW(out.c_str(), nullptr);
    components_test::RunNative("readpst -j 1 -D -S -o " + components_test::Quote(out) + " " + pst, scratch);
    // One file per item, in a folder named after the item's folder.
    const int files = std::atoi(
        components_test::RunNative("find " + components_test::Quote(out) + " -path '*/Big/*' -type f | wc -l", scratch).c_str());
    // What the store holds and what the message counts make up the folder.
    EXPECT_EQ(files + lost, 1500) << std::string(last.begin(), last.end());
    EXPECT_GT(files, 0);
}

// Checkpoints write the open folder's table whole: in a big folder they come
// further apart, and never take more than a tenth of the time.
TEST(CheckpointRule, ComeFurtherApartInBigFoldersAndWhenSlow) {
    EXPECT_TRUE(CheckpointDue(500, 500, 10, 0));
    EXPECT_FALSE(CheckpointDue(499, 1000, 10, 0));
    EXPECT_FALSE(CheckpointDue(500, 40000, 10, 0));       // 10,000 due in a folder of 40,000
    EXPECT_TRUE(CheckpointDue(10000, 40000, 10, 0));
    EXPECT_TRUE(CheckpointDue(1, 10, 5000, 100));         // five seconds
    EXPECT_FALSE(CheckpointDue(1, 10, 5000, 600));        // the last took 600 ms: 6 s first
    EXPECT_FALSE(CheckpointDue(0, 10, 60000, 0));
}
