// The whole program with the real components: a real offline store loaded
// through the store dialog, every folder checked, Save, and the new personal
// store read back by the program's reader, pffexport and readpst.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "app_frame_test_support.h"
#include "app/AppGlobals.h"
#include "app/FolderChecks.h"
#include "app/LeftView.h"
#include "app/MainFrm.h"
#include "app/TarnwellApp.h"
#include "app/WorkerGate.h"
#include "components_test_support.h"
#include "export/ExportState.h"
#include "export/LoomcraftDriver.h"
#include "framework/seam_script.h"
#include "reader/ndb.h"
#include "reader/store_load.h"
#include "reader_item_test_support.h"
#include "res/resource.h"
#include "support/temp_file.h"

namespace ct = components_test;

CTarnwellApp theTestApp;

namespace {

// Items per folder name (the last component of its path) in a store, as
// the program's reader lists them.
std::map<std::string, int> ReaderCounts(const std::wstring& pst) {
    std::map<std::string, int> counts;
    for (const auto& [path, n] : item_test::LoadedStore(pst).ItemCountsByPath())
        counts[path.substr(path.find_last_of('/') + 1)] += n;
    return counts;
}

}  // namespace

// The Subject headers of the messages readpst wrote into one folder, sorted.
std::vector<std::string> Subjects(const std::wstring& folder) {
    std::vector<std::string> subjects;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return subjects;
    do {
        const std::wstring name = fd.cFileName;
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name.find(L'-') == std::wstring::npos)
            subjects.push_back(ct::MimeHeader(ct::ReadBytes(folder + L"\\" + name), "Subject"));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    std::sort(subjects.begin(), subjects.end());
    return subjects;
}

class ComponentsEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitialize(nullptr);
        frametest::PrepareProgram();
    }

    // Loads a store through the store dialog (at start-up, or by Open),
    // checks every folder, saves into the scratch folder, and returns the
    // new store's path.
    std::wstring LoadAndSaveAll(const std::wstring& source, const std::wstring& newName) {
        EXPECT_TRUE(frametest::LoadThroughDialog(script, source));
        EXPECT_FALSE(g_listFolders.empty());
        frametest::CheckAllFolders();
        script.folderAnswers = {scratch.path()};
        SendMessageW(theTestApp.m_pMainWnd->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(ID_TOOL_SAVE, 0), 0);
        g_itemWriter.ReleaseDispatch();
        return scratch / (L"QMRecoveredPst\\" + newName);
    }

    // Every folder that holds items in the source holds as many in the copy
    // for readpst, and the program's reader agrees on the copy.
    // (readpst names the top of a store by the store's name: sourceRoot.)
    void ExpectSameFolders(const std::wstring& source, const std::string& sourceRoot, const std::wstring& copy,
                           const std::wstring& name) {
        const std::map<std::string, int> ours = ReaderCounts(copy);
        std::string log;
        std::map<std::string, int> copied = ct::ReadpstCounts(copy, scratch, name, &log);
        std::map<std::string, int> original = ct::ReadpstCounts(source, scratch, name + L"-source");
        int folders = 0;
        for (const auto& f : original) {
            if (f.first == sourceRoot) continue;
            EXPECT_EQ(copied[f.first], f.second) << f.first << "\n" << log;
            EXPECT_EQ(ours.count(f.first) ? ours.at(f.first) : -1, f.second) << f.first;
            ++folders;
        }
        EXPECT_GT(folders, 1);
    }

    ct::RegisteredComponents registered;
    ct::ScratchFolder scratch{L"components-end-to-end"};
    SeamScript script;
};

TEST_F(ComponentsEndToEnd, RealStoresSavedThroughTheComponentsKeepEveryFolderAndItem) {
    script.localTime = SYSTEMTIME{2026, 12, 2, 8, 7, 5, 44, 0};
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    script.tempPath = temp;
    const std::wstring mailSource = testing_support::SamplePathW("ost-unicode-sample.ost");
    const std::wstring mails = LoadAndSaveAll(mailSource, L"ost-unicode-sample8-12-2026 7-5-44.pst");
    const std::wstring contactSource = testing_support::SamplePathW("unicode-contacts-jp.pst");
    const std::wstring contacts = LoadAndSaveAll(contactSource, L"unicode-contacts-jp.pst");   // no ".ost" to replace
    SendMessageW(theTestApp.m_pMainWnd->GetSafeHwnd(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(ct::Exists(mails));
    ASSERT_TRUE(ct::Exists(contacts));

    if (!ct::HaveNativeTools()) GTEST_SKIP() << "not under Wine, or the independent readers are not installed";
    ExpectSameFolders(mailSource, "ost-unicode-sample.ost", mails, L"mails");
    const std::vector<std::string> subjects = Subjects(scratch / L"mails\\Quillmere_Personal_Folders_8-12-2026 7-5-44\\Inbox\\sub1");
    EXPECT_EQ(subjects.size(), 25u);
    EXPECT_EQ(subjects, Subjects(scratch / L"mails-source\\ost-unicode-sample.ost\\Inbox\\sub1"));
    ExpectSameFolders(contactSource, "contacts", contacts, L"contacts");
    const std::wstring top = ct::PffExport(contacts, scratch, L"pff");
    EXPECT_TRUE(ct::Exists(top + L"\\\u9023\u7d61\u5148 (Contact dedicated)\\Contact00001\\Contact.txt"));
}
