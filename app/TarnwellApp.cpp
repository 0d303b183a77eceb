#include "app/TarnwellApp.h"

#include <commctrl.h>

#include "app/AppGlobals.h"
#include "app/BrowseOstFile.h"
#include "app/LeftView.h"
#include "app/MainFrm.h"
#include "app/Prompts.h"
#include "app/Registry.h"
#include "app/SplashDlg.h"
#include "app/StoreLoadObserver.h"
#include "app/TarnwellDoc.h"
#include "reader/rtf_decompress.h"

BEGIN_MESSAGE_MAP(CTarnwellApp, CWinApp)
    ON_COMMAND(ID_APP_ABOUT, &CTarnwellApp::OnAppAbout)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
END_MESSAGE_MAP()

namespace {
// The caption of the second instance's message (two leading blanks).
const wchar_t kSecondInstanceTitle[] = L"  Quillmere for MS Exchange OST - MS Outlook PST";
}  // namespace

void EnsureSingleInstance() {
    HWND running = FindWindowW(nullptr, kMainTitle);
    if (running == nullptr) return;
    SetFocus(running);
    // Another starting instance may already be showing the message.
    if (FindWindowW(nullptr, kSecondInstanceTitle) == nullptr) {
        AppMessageBox(nullptr, L"Another instance of program is already running", kSecondInstanceTitle,
                      MB_SYSTEMMODAL | MB_ICONINFORMATION);
    }
    ExitProcess(0);
}

void InitStartupTexts() {
    wchar_t windows[MAX_PATH] = L"";
    GetWindowsDirectoryW(windows, MAX_PATH);
    g_strImageFolder = CString(windows) + L"\\Quillmere for OST to PST";
    wcscpy_s(g_szRegKey, L"QMKEYOST_PST");
    wcscpy_s(g_szCaption, kMainTitle);
    wcscpy_s(g_szMainTitle, kMainTitle);
    g_strInstallFolder = ReadRegistryString(HKEY_CLASSES_ROOT, g_szRegKey, L"FilePath");
    // The reader writes the RTF body file where the item view and the
    // exporters read it.
    SetInstallFolder(std::wstring(g_strInstallFolder.GetString()));
}

BOOL InitPlatform() {
    if (!AfxOleInit()) {
        AfxMessageBox(IDP_OLE_INIT_FAILED, MB_OK);
        return FALSE;
    }
    AfxEnableControlContainer();
    AfxInitRichEdit();
    SetReaderObserver(&g_storeLoadObserver);
    return TRUE;
}

BOOL CTarnwellApp::InitInstance() {
    EnsureSingleInstance();
    InitStartupTexts();
    CSplashDlg splash;
    splash.DoModal();
    INITCOMMONCONTROLSEX controls = {8, 0xFF};
    InitCommonControlsEx(&controls);
    CWinApp::InitInstance();
    if (!InitPlatform()) return FALSE;

    SetRegistryKey(L"Local AppWizard-Generated Applications");
    LoadStdProfileSettings(4);

    auto* docTemplate = new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CTarnwellDoc),
                                               RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CLeftView));
    if (docTemplate == nullptr) return FALSE;
    AddDocTemplate(docTemplate);

    CCommandLineInfo commandLine;
    ParseCommandLine(commandLine);
    if (!ProcessShellCommand(commandLine)) return FALSE;

    m_pMainWnd->SetWindowText(g_szMainTitle);
    m_pMainWnd->ShowWindow(SW_SHOWMAXIMIZED);
    m_pMainWnd->UpdateWindow();

    CBrowseOstFile storeDialog;
    storeDialog.DoModal();
    return TRUE;
}

void CTarnwellApp::OnAppAbout() {
    CAboutDlg about;
    about.DoModal();
}
