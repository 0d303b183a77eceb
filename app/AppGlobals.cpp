#include "app/AppGlobals.h"

wchar_t g_szRegKey[260];
wchar_t g_szCaption[260];
wchar_t g_szMainTitle[260];
CString g_strImageFolder;
CString g_strInstallFolder;

const wchar_t kMainTitle[] = L" Quillmere for MS Exchange OST - MS Outlook PST";

CLeftView* g_pLeftView = nullptr;
CBrowseOstFile* g_pBrowseDlg = nullptr;
CTarnwellView* g_pItemListView = nullptr;
CMailItemsBody* g_pMailItemsBody = nullptr;
CProgressCtrl* g_pProgressBar = nullptr;

CString g_strOstPath;
CString g_strOstPathUpper;
CString g_strOstFileName;

std::atomic<bool> g_bAnyFolderChecked{false};
CList<HTREEITEM, HTREEITEM> g_listExportFolders;
CString g_strDestFolder;

std::atomic<CWinThread*> g_pAnalysisThread{nullptr};
std::atomic<bool> g_bAnalysisPaused{false};
std::atomic<CWinThread*> g_pItemListThread{nullptr};
std::atomic<CWinThread*> g_pDisplayThread{nullptr};

std::atomic<bool> g_bDisplayBusy{false};
std::atomic<bool> g_bSaveRunning{false};

std::atomic<int> g_nFolderKind{0};
std::atomic<NodeEntry*> g_pFolderItems{nullptr};
std::atomic<int> g_nHotItem{-1};
