// The test seams: message boxes, file and folder dialogs, shell opens, the
// clock, the temporary folder and free space go through g_Seams; a
// SeamScript answers, records and restores.
#include "framework_test_support.h"
#include "framework/seam_script.h"
#include <gtest/gtest.h>

namespace {
class NamedApp : public CWinApp {
public:
    NamedApp() : CWinApp(L"SeamTestApp") {}
};
}  // namespace

TEST(FrameworkSeams, MessageBoxesAreAnsweredInOrderAndRecorded) {
    NamedApp app;
    SeamScript script;
    script.messageBoxAnswers = {IDYES, IDNO};
    CWnd w;
    ASSERT_TRUE(w.CreateEx(0, nullptr, L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr));
    app.m_pMainWnd = &w;
    EXPECT_EQ(IDYES, AfxMessageBox(L"Abort?", MB_SYSTEMMODAL | MB_ICONQUESTION | MB_YESNO));
    EXPECT_EQ(IDNO, AfxMessageBox(L"Second", MB_YESNO));
    EXPECT_EQ(IDNO, AfxMessageBox(L"Third", MB_YESNO));   // fallback for a question
    EXPECT_EQ(IDOK, AfxMessageBox(L"Fourth"));
    ASSERT_EQ(4u, script.messageBoxes.size());
    EXPECT_EQ(w.m_hWnd, script.messageBoxes[0].hOwner);   // the main window
    EXPECT_EQ(L"Abort?", script.messageBoxes[0].text);
    EXPECT_EQ(L"SeamTestApp", script.messageBoxes[0].caption);   // the application's title
    EXPECT_EQ(0x1024u, script.messageBoxes[0].type);
    EXPECT_EQ(L"SeamTestApp", script.messageBoxes[2].caption);
    app.m_pMainWnd = nullptr;
    w.DestroyWindow();
}

TEST(FrameworkSeams, ScriptRestoresThePreviousEntries) {
    int calls = 0;
    {
        SeamScript outer;
        g_Seams.MessageBox = [&](HWND, LPCWSTR, LPCWSTR, UINT) { ++calls; return IDRETRY; };
        {
            SeamScript inner;
            EXPECT_EQ(IDOK, g_Seams.MessageBox(nullptr, L"x", L"y", MB_OK));
        }
        EXPECT_EQ(IDRETRY, g_Seams.MessageBox(nullptr, L"x", L"y", MB_OK));
    }
    EXPECT_EQ(1, calls);
}

TEST(FrameworkSeams, FileDialogTakesTheScriptedPathAndConvertsTheFilter) {
    SeamScript script;
    script.fileDialogAnswers = {L"C:\\stores\\Mail Box.OST", L""};
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, L"OST|*.ost||");
    ASSERT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(CString(L"C:\\stores\\Mail Box.OST"), dlg.GetPathName());
    EXPECT_EQ(CString(L"Mail Box.OST"), dlg.GetFileName());
    ASSERT_EQ(1u, script.fileDialogs.size());
    EXPECT_EQ(L"OST|*.ost|", script.fileDialogs[0].filter);
    EXPECT_EQ((DWORD)(OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY),
              script.fileDialogs[0].flags & 0x1804);
    EXPECT_FALSE(script.fileDialogs[0].save);

    CFileDialog again(TRUE, nullptr, nullptr, 0, L"OST|*.ost||");
    EXPECT_EQ(IDCANCEL, again.DoModal());   // scripted cancel
    EXPECT_EQ(IDCANCEL, again.DoModal());   // nothing left: cancel
}

TEST(FrameworkSeams, FolderBrowserGivesAPathForTheReturnedItem) {
    SeamScript script;
    script.folderAnswers = {L"D:\\", L""};
    wchar_t display[MAX_PATH];
    BROWSEINFOW bi{};
    bi.pszDisplayName = display;
    bi.lpszTitle = L"Please Select a Folder For Storing Received Files";
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE pidl = g_Seams.BrowseForFolder(&bi);
    ASSERT_NE(nullptr, pidl);
    wchar_t path[MAX_PATH] = {};
    EXPECT_TRUE(g_Seams.GetPathFromIDList(pidl, path));
    EXPECT_STREQ(L"D:\\", path);
    ::CoTaskMemFree(pidl);   // as the program frees it
    EXPECT_EQ(nullptr, g_Seams.BrowseForFolder(&bi));
    ASSERT_EQ(2u, script.folderBrowses.size());
    EXPECT_EQ(L"Please Select a Folder For Storing Received Files", script.folderBrowses[0].title);
    EXPECT_EQ((UINT)BIF_RETURNONLYFSDIRS, script.folderBrowses[0].flags);
}

TEST(FrameworkSeams, ShellOpensAreRecordedNotRun) {
    SeamScript script;
    HINSTANCE h = g_Seams.ShellExecute(nullptr, L"open", L"Quillmere for OST to PST.chm", nullptr, nullptr, SW_SHOWNORMAL);
    EXPECT_GT((INT_PTR)h, 32);
    ASSERT_EQ(1u, script.shellOpens.size());
    EXPECT_EQ(L"open", script.shellOpens[0].verb);
    EXPECT_EQ(L"Quillmere for OST to PST.chm", script.shellOpens[0].file);
    EXPECT_EQ(SW_SHOWNORMAL, script.shellOpens[0].show);
}

TEST(FrameworkSeams, ClockTempFolderAndFreeSpaceComeFromTheScript) {
    SeamScript script;
    script.localTime = SYSTEMTIME{2019, 7, 0, 14, 9, 30, 5, 0};
    SYSTEMTIME st{};
    g_Seams.GetLocalTime(&st);
    EXPECT_EQ(2019, st.wYear);
    __time64_t now = 0;
    EXPECT_EQ(CTime(2019, 7, 14, 9, 30, 5).GetTime(), g_Seams.Time64(&now));
    EXPECT_EQ(CTime(script.localTime).GetTime(), now);
    EXPECT_EQ(2, script.clockReads);

    script.tempPath = L"C:\\scratch\\";
    wchar_t buf[MAX_PATH];
    EXPECT_EQ(11u, g_Seams.GetTempPath(MAX_PATH, buf));
    EXPECT_STREQ(L"C:\\scratch\\", buf);
    EXPECT_EQ(12u, g_Seams.GetTempPath(4, buf));   // too small: the size needed

    script.freeBytes = 12345;
    ULARGE_INTEGER avail{};
    EXPECT_TRUE(g_Seams.GetDiskFreeSpaceEx(L"D:\\", &avail, nullptr, nullptr));
    EXPECT_EQ(12345u, avail.QuadPart);
    ASSERT_EQ(1u, script.diskSpaceQueries.size());
    EXPECT_EQ(L"D:\\", script.diskSpaceQueries[0]);
}

TEST(FrameworkSeams, RealTableUsesTheRealFunctions) {
    // Without a script the clock is the system's.
    SYSTEMTIME a{}, b{};
    g_Seams.GetLocalTime(&a);
    ::GetLocalTime(&b);
    EXPECT_EQ(a.wYear, b.wYear);
    wchar_t buf[MAX_PATH];
    EXPECT_GT(g_Seams.GetTempPath(MAX_PATH, buf), 0u);
}
