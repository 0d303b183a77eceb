#include "export/ExportState.h"

std::atomic<CWinThread*> g_pSaveThread{nullptr};
std::atomic<bool> g_bSaveDone{false};
std::atomic<bool> g_bSavePaused{false};
std::atomic<bool> g_bSaveAbort{false};
WorkerGate g_saveGate;

int g_nSavedTotal = 0;
int g_nSavedInFolder = 0;
int g_nFolderItemCount = 0;
BOOL g_bFolderEmpty = FALSE;
BOOL g_bNodeFound = FALSE;

CString g_strDestDir;
CString g_strDefaultDest;
CString g_strPstPath;
CString g_strPstRootPath;
CString g_strPstFolderPath;
