#include "app/MainFrm.h"

#include <commctrl.h>

#include <string>

#include "app/AppGlobals.h"
#include "app/BrowseOstFile.h"
#include "app/ItemListView.h"
#include "app/LeftView.h"
#include "app/MailItemsBody.h"
#include "app/OstAboutUs.h"
#include "app/PathTexts.h"
#include "app/Prompts.h"
#include "app/Registry.h"
#include "app/TarnwellApp.h"
#include "app/WorkerGate.h"
#include "export/OstSaving.h"
#include "res/resource.h"

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
    ON_WM_CREATE()
    ON_COMMAND(ID_TOOL_OPEN, &CMainFrame::OnOpen)
    ON_COMMAND(ID_MENU_SELECT_OST, &CMainFrame::OnOpen)
    ON_COMMAND(ID_TOOL_STOP, &CMainFrame::OnStop)
    ON_COMMAND(ID_MENU_STOP, &CMainFrame::OnStop)
    ON_COMMAND(ID_TOOL_SAVE, &CMainFrame::OnSave)
    ON_COMMAND(ID_MENU_SAVE, &CMainFrame::OnSave)
    ON_COMMAND(ID_TOOL_HELP, &CMainFrame::OnHelp)
    ON_COMMAND(ID_MENU_HELP, &CMainFrame::OnHelp)
    ON_COMMAND(ID_TOOL_ABOUT_US, &CMainFrame::OnAboutUs)
    ON_COMMAND(ID_MENU_ABOUT_US, &CMainFrame::OnAboutUs)
    ON_COMMAND(ID_TOOL_EXIT, &CMainFrame::OnExit)
    ON_COMMAND(ID_MENU_EXIT, &CMainFrame::OnExit)
    ON_UPDATE_COMMAND_UI(ID_TOOL_OPEN, &CMainFrame::OnUpdateOpen)
    ON_UPDATE_COMMAND_UI(ID_MENU_SELECT_OST, &CMainFrame::OnUpdateOpen)
    ON_UPDATE_COMMAND_UI(ID_TOOL_STOP, &CMainFrame::OnUpdateStop)
    ON_UPDATE_COMMAND_UI(ID_MENU_STOP, &CMainFrame::OnUpdateStop)
    ON_UPDATE_COMMAND_UI(ID_TOOL_SAVE, &CMainFrame::OnUpdateSave)
    ON_UPDATE_COMMAND_UI(ID_MENU_SAVE, &CMainFrame::OnUpdateSave)
    ON_UPDATE_COMMAND_UI(ID_INDICATOR_PROGRESS, &CMainFrame::OnUpdateStatusText)
    ON_WM_CLOSE()
END_MESSAGE_MAP()

const wchar_t CMainFrame::kInsertionText[] = L"Insertion is in progress, please wait.....";

namespace {

const UINT kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL,
                            ID_INDICATOR_PROGRESS};

// The help window's title: the main title without its leading blank.
const wchar_t kHelpWindowTitle[] = L"Quillmere for MS Exchange OST - MS Outlook PST";
const wchar_t kHelpFile[] = L"Quillmere for OST to PST.chm";

}  // namespace

CMainFrame::CMainFrame() = default;
CMainFrame::~CMainFrame() = default;

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs) { return CFrameWnd::PreCreateWindow(cs); }

int CMainFrame::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CFrameWnd::OnCreate(lpCreateStruct) == -1) return -1;

    if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT | TBSTYLE_TRANSPARENT,
                               WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP | CBRS_TOOLTIPS | CBRS_FLYBY,
                               CRect(0, 0, 0, 0), AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadToolBar(IDR_MAINFRAME)) {
        return -1;
    }
    if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR)) return -1;
    m_wndStatusBar.SetIndicators(kIndicators, static_cast<int>(sizeof(kIndicators) / sizeof(kIndicators[0])));

    m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
    EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(&m_wndToolBar);

    m_wndProgress.Create(WS_CHILD | WS_VISIBLE | PBS_SMOOTH, CRect(200, 0, 500, 17), &m_wndStatusBar, 1);
    m_wndProgress.SetRange(0, 100);
    m_wndProgress.SetPos(0);
    g_pProgressBar = &m_wndProgress;
    m_wndProgress.ShowWindow(SW_HIDE);
    return 0;
}

BOOL CMainFrame::OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) {
    if (!m_wndSplitter.CreateStatic(this, 1, 2, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST)) return FALSE;
    if (!m_wndSplitter.CreateView(0, 0, RUNTIME_CLASS(CLeftView), CSize(210, 100), pContext)) {
        m_wndSplitter.DestroyWindow();
        return FALSE;
    }
    if (!m_wndRightSplitter.CreateStatic(&m_wndSplitter, 2, 1, WS_CHILD | WS_VISIBLE | WS_BORDER,
                                         m_wndSplitter.IdFromRowCol(0, 1))) {
        return FALSE;
    }
    if (!m_wndRightSplitter.CreateView(0, 0, RUNTIME_CLASS(CTarnwellView), CSize(100, 250), pContext) ||
        !m_wndRightSplitter.CreateView(1, 0, RUNTIME_CLASS(CMailItemsBody), CSize(100, 250), pContext)) {
        m_wndSplitter.DestroyWindow();
        return FALSE;
    }
    m_wndSplitter.SetColumnInfo(0, 280, 0);
    return TRUE;
}

void CMainFrame::OnOpen() {
    g_pAnalysisThread = nullptr;
    CBrowseOstFile dialog;
    dialog.DoModal();
}

void CMainFrame::OnStop() {
    if (g_pItemListThread == nullptr) return;
    g_itemListGate.Pause();
    int answer = AppMessageBox(GetSafeHwnd(), L"Data insertion is in Progress, do you want to abort ?", g_szCaption,
                               MB_SYSTEMMODAL | MB_ICONQUESTION | MB_YESNO);
    if (answer == IDYES) {
        m_wndProgress.SetPos(100);
        Sleep(100);
        m_wndProgress.ShowWindow(SW_HIDE);
        g_itemListGate.End();
        g_itemListGate.WaitForExit(30000);
        g_pItemListThread = nullptr;
    } else {
        g_itemListGate.Resume();
    }
}

BOOL ChooseSaveDestination(HWND owner) {
    g_strDestFolder.Empty();
    bool cancelled = false;
    CString chosen = BrowseForFolder(L"Please Select a Folder For Storing Received Files", cancelled);
    if (cancelled) return FALSE;
    g_strDestFolder += chosen;
    if (g_strDestFolder.IsEmpty()) {
        AppMessageBox(owner, L"Saving path doesn't exist, select another path for saving ", g_szCaption,
                      MB_SYSTEMMODAL | MB_ICONINFORMATION);
        return FALSE;
    }
    g_strDestFolder = RecoveryFolderFor(g_strDestFolder);
    CreateDirectoryW(g_strDestFolder, nullptr);  // an existing folder is used as it is
    return TRUE;
}

void CMainFrame::OnSave() {
    g_listExportFolders.RemoveAll();
    CollectCheckedFolders();
    if (g_listExportFolders.IsEmpty()) {
        AppMessageBox(GetSafeHwnd(), L"No Folders found selected. Please select folders to be saved.", g_szCaption,
                      MB_SYSTEMMODAL | MB_ICONINFORMATION);
        return;
    }
    CWnd* mainWindow = AfxGetMainWnd();
    if (mainWindow != nullptr) mainWindow->EnableWindow(FALSE);
    if (ChooseSaveDestination(GetSafeHwnd())) {
        COstSaving saving;
        saving.DoModal();
    }
    if (mainWindow != nullptr) mainWindow->EnableWindow(TRUE);
}

CString AppendFolderToPath(const CString& folder) {
    DWORD needed = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (needed == 0) return CString();
    // The value is read whole, however long it is.
    std::wstring value(needed, L'\0');
    DWORD length = GetEnvironmentVariableW(L"PATH", &value[0], needed);
    value.resize(length < needed ? length : 0);
    value += L";";
    value += static_cast<const wchar_t*>(folder);
    value += L";";
    SetEnvironmentVariableW(L"PATH", value.c_str());
    return CString(value.c_str());
}

void CMainFrame::OnHelp() {
    if (FindWindowW(nullptr, kHelpWindowTitle) != nullptr) return;
    CString folder = ReadRegistryString(HKEY_CLASSES_ROOT, g_szRegKey, L"FilePath");
    AppendFolderToPath(folder);
    ShellOpen(kHelpFile);
}

void CMainFrame::OnAboutUs() {
    COstAboutUs about;
    about.DoModal();
}

void CMainFrame::OnExit() { OnClose(); }

void CMainFrame::OnClose() {
    if (g_pItemListThread != nullptr) {
        g_itemListGate.Pause();
        int answer = AppMessageBox(GetSafeHwnd(), L"Data insertion is in progress, do you want to abort? ",
                                   g_szCaption, MB_YESNO | MB_ICONINFORMATION);
        if (answer != IDYES) {
            g_itemListGate.Resume();
            return;
        }
        m_wndStatusBar.SetPaneText(0, L"");
        g_itemListGate.End();
        g_itemListGate.WaitForExit(30000);
        g_pItemListThread = nullptr;
        AppMessageBox(GetSafeHwnd(), L"Current Process Aborted By User.", g_szCaption, MB_ICONINFORMATION);
        m_wndProgress.ShowWindow(SW_HIDE);
        CFrameWnd::OnClose();
        return;
    }
    int answer = AppMessageBox(GetSafeHwnd(), L" Do you want to exit.", g_szCaption, MB_YESNO | MB_ICONQUESTION);
    if (answer == IDYES) CFrameWnd::OnClose();
}

void CMainFrame::OnUpdateOpen(CCmdUI* pCmdUI) { pCmdUI->Enable(g_pItemListThread == nullptr); }

void CMainFrame::OnUpdateStop(CCmdUI* pCmdUI) { pCmdUI->Enable(g_pItemListThread != nullptr); }

void CMainFrame::OnUpdateSave(CCmdUI* pCmdUI) {
    pCmdUI->Enable(g_bAnyFolderChecked && g_pItemListThread == nullptr);
}

void CMainFrame::OnUpdateStatusText(CCmdUI* pCmdUI) {
    const bool busy = g_pItemListThread != nullptr || g_pDisplayThread != nullptr;
    const wchar_t* text = busy ? kInsertionText : L"";
    CString current = m_wndStatusBar.GetPaneText(0);
    if (current != text) m_wndStatusBar.SetPaneText(0, text, TRUE);
}
