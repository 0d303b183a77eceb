// State of the save in progress, shared by the saving dialog, the saving
// worker, the folder export and the exporters. The worker is the only writer
// of everything here but the flags that the dialog sets (pause, abort).
#pragma once
#include "framework/framework.h"

#include <atomic>

#include "app/WorkerGate.h"

// The saving worker's thread object while it runs; the worker clears it last.
extern std::atomic<CWinThread*> g_pSaveThread;
// Set by the worker as it ends; the dialog's paint handler clears it and closes.
extern std::atomic<bool> g_bSaveDone;
extern std::atomic<bool> g_bSavePaused;
// The user's abort request, read by the worker before each folder and item.
extern std::atomic<bool> g_bSaveAbort;
// Pause and resume of the saving worker: it waits at its checkpoints (before
// each folder and item), never while it holds a lock.
extern WorkerGate g_saveGate;

extern int g_nSavedTotal;          // items counted in the whole save
extern int g_nSavedInFolder;       // items counted in the folder being saved
extern int g_nFolderItemCount;     // that folder's item count
extern BOOL g_bFolderEmpty;        // the folder just saved had no child node
extern BOOL g_bNodeFound;          // found flag of FindFolderNodeById

extern CString g_strDestDir;       // destination folder without its trailing "\"
extern CString g_strDefaultDest;   // destination folder of this save, ends in "\"
extern CString g_strPstPath;       // full path of the new personal store
extern CString g_strPstRootPath;   // "\\" + the store's display name
extern CString g_strPstFolderPath; // item writer path of the folder being saved
