// Process-wide state of the application shell: start-up texts and folders,
// the window pointers the workers reach their windows through, the worker
// thread slots and the flags shared between threads.
#pragma once
#include "framework/framework.h"

#include <atomic>

class CLeftView;
class CBrowseOstFile;
class CTarnwellView;
class CMailItemsBody;
struct NodeEntry;

// ---- start-up texts and folders (written once by InitInstance) ----
extern wchar_t g_szRegKey[260];      // "QMKEYOST_PST"
extern wchar_t g_szCaption[260];     // the application caption (message boxes)
extern wchar_t g_szMainTitle[260];   // the main window's title
extern CString g_strImageFolder;     // Windows folder + "\Quillmere for OST to PST"
extern CString g_strInstallFolder;   // registry value "FilePath", or empty

// The main title, with its one leading blank; also the single-instance key.
extern const wchar_t kMainTitle[];

// ---- windows ----
extern CLeftView* g_pLeftView;
extern CBrowseOstFile* g_pBrowseDlg;
extern CTarnwellView* g_pItemListView;
extern CMailItemsBody* g_pMailItemsBody;
extern CProgressCtrl* g_pProgressBar;

// ---- the chosen store ----
extern CString g_strOstPath;        // as chosen; text of the tree's root item
extern CString g_strOstPathUpper;   // upper-cased; the file the load opens
extern CString g_strOstFileName;    // the file-name part

// ---- folder tree and save ----
extern std::atomic<bool> g_bAnyFolderChecked;
extern CList<HTREEITEM, HTREEITEM> g_listExportFolders;
extern CString g_strDestFolder;     // destination folder of a save, ends in "\QMRecoveredPst\"

// ---- workers ----
extern std::atomic<CWinThread*> g_pAnalysisThread;
extern std::atomic<bool> g_bAnalysisPaused;
extern std::atomic<CWinThread*> g_pItemListThread;
extern std::atomic<CWinThread*> g_pDisplayThread;

// ---- what the reader asks: bodies are read only while these run ----
extern std::atomic<bool> g_bDisplayBusy;   // a renderer of the display worker runs
extern std::atomic<bool> g_bSaveRunning;   // the saving worker runs

// ---- the listed folder (written by the item-list worker) ----
// FolderKind: the kind of the listed folder; never reset, a fill that finds
// no listable item keeps the previous one. 7 and 8 are set by the mail
// renderer after an RTF or a plain-text body was shown.
enum FolderKind : int {
    kFolderKindTask = 1,
    kFolderKindStickyNote = 2,
    kFolderKindJournal = 3,
    kFolderKindCalendar = 4,
    kFolderKindContact = 5,
    kFolderKindMail = 6,
    kFolderKindMailRtf = 7,
    kFolderKindMailPlain = 8,
};
extern std::atomic<int> g_nFolderKind;
// The child node that decided the folder kind: the rows' "Index" numbers
// count siblings from it (it counts 1).
extern std::atomic<NodeEntry*> g_pFolderItems;
// Row index of the last row click (the display worker's row).
extern std::atomic<int> g_nHotItem;
