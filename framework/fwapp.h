// Threads, the application object and the framework's global helpers.
#pragma once
#include <windows.h>
#include <vector>
#include "fwwnd.h"
#include "fwdoc.h"

typedef UINT (*AFX_THREADPROC)(LPVOID);

// A thread. Made by AfxBeginThread (or constructed and CreateThread), it
// runs the procedure; with m_bAutoDelete (the default) the object deletes
// itself when the procedure returns. Deletion is deferred by a short grace
// period (AfxSetThreadRetireDelay), so a caller that still holds the pointer
// for a moment may still call ResumeThread harmlessly.
class CWinThread : public CCmdTarget {
    DECLARE_DYNAMIC(CWinThread)
public:
    CWinThread();
    CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
    ~CWinThread() override;

    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
    DWORD ResumeThread() { return ::ResumeThread(m_hThread); }
    BOOL SetThreadPriority(int nPriority) { return ::SetThreadPriority(m_hThread, nPriority); }
    virtual CWnd* GetMainWnd();

    // Message-loop threads (the application).
    virtual BOOL InitInstance() { return FALSE; }
    virtual int Run();
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual BOOL OnIdle(LONG lCount);
    virtual int ExitInstance();
    virtual void Delete();   // deletes the object when m_bAutoDelete
    BOOL PumpMessage();

    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    BOOL m_bAutoDelete = TRUE;
    CWnd* m_pMainWnd = nullptr;
    AFX_THREADPROC m_pfnThreadProc = nullptr;
    LPVOID m_pThreadParams = nullptr;
protected:
    static bool IsIdleMessage(const MSG& msg, MSG& lastMouseMove);
};

// Starts pfnThreadProc(pParam) on a new thread. With CREATE_SUSPENDED the
// thread waits for ResumeThread. Null when the thread cannot start.
CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority = THREAD_PRIORITY_NORMAL,
                           UINT nStackSize = 0, DWORD dwCreateFlags = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
// The thread object of the calling thread; null on threads that
// AfxBeginThread did not start.
CWinThread* AfxGetThread();
// Delay before a finished auto-delete thread object is freed (default 2000 ms).
void AfxSetThreadRetireDelay(DWORD dwMilliseconds);
// Frees the finished thread objects whose delay has passed.
void AfxFreeRetiredThreads();

class CCommandLineInfo : public CObject {
public:
    // The first argument that is not a flag (-x or /x) is the file to open.
    enum { FileNew, FileOpen } m_nShellCommand = FileNew;
    CString m_strFileName;
    virtual void ParseParam(const wchar_t* pszParam, BOOL bFlag, BOOL bLast);
};

class CWinApp : public CWinThread {
    DECLARE_DYNAMIC(CWinApp)
public:
    explicit CWinApp(LPCWSTR lpszAppName = nullptr);
    ~CWinApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    BOOL OnIdle(LONG lCount) override;

    void SetRegistryKey(LPCWSTR lpszRegistryKey);
    // Reads the recent-file list (nMaxMRU entries) under the registry key;
    // ExitInstance writes it back.
    void LoadStdProfileSettings(UINT nMaxMRU = 4);
    CString GetProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszDefault = nullptr);
    BOOL WriteProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszValue);
    void AddDocTemplate(CDocTemplate* pTemplate);
    void ParseCommandLine(CCommandLineInfo& rCmdInfo);
    // FileNew: a new document with its frame and views; FileOpen: the named
    // file. FALSE when that fails.
    BOOL ProcessShellCommand(CCommandLineInfo& rCmdInfo);
    virtual CDocument* OpenDocumentFile(LPCWSTR lpszFileName);
    // Puts the path first in the recent-file list (when LoadStdProfileSettings
    // asked for one).
    virtual void AddToRecentFileList(LPCWSTR lpszPathName);
    const std::vector<CString>& GetRecentFiles() const { return m_recentFiles; }
    CDocTemplate* GetFirstDocTemplate() const { return m_templates.empty() ? nullptr : m_templates.front(); }
    void OnFileNew();

    HINSTANCE m_hInstance = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;
    LPCWSTR m_pszAppName = nullptr;
    LPCWSTR m_pszRegistryKey = nullptr;
    LPCWSTR m_pszProfileName = nullptr;
protected:
    std::vector<CDocTemplate*> m_templates;
    CString m_strAppName, m_strRegistryKey, m_strProfileName;
    std::vector<CString> m_recentFiles;
    UINT m_nMaxMRU = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hInstResource);
LPCWSTR AfxGetAppName();
// Message boxes through the test seam, owned by the main window; the
// caption is the application's title.
int AfxMessageBox(LPCWSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);
BOOL AfxOleInit();
void AfxEnableControlContainer();
BOOL AfxInitRichEdit();    // loads the RichEdit20W control
// Registers a window class of the framework's window procedure; returns its name.
LPCWSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hbrBackground = nullptr, HICON hIcon = nullptr);
// The program's entry: runs the application object's InitInstance and
// message loop (the command line is read by CWinApp::ParseCommandLine). The
// library's WinMain calls it.
int AfxWinMain(HINSTANCE hInstance, int nCmdShow);
