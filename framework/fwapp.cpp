// Threads, the application object and the framework's global helpers.
#include "framework/fwapp.h"
#include "framework/fwframe.h"
#include "framework/seams.h"
#include "framework/fwtemp.h"
#include <process.h>
#include <shellapi.h>
#include <cwchar>
#include <list>
#include <mutex>
#include <string>

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)
IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

namespace {
CWinApp* g_pApp = nullptr;
HINSTANCE g_hResource = nullptr;
thread_local CWinThread* t_pThread = nullptr;
thread_local MSG t_msgCur{};

// Finished auto-delete thread objects wait here for their grace period.
struct RetiredThreads {
    std::mutex lock;
    std::list<std::pair<CWinThread*, DWORD>> list;
    DWORD delay = 2000;
    ~RetiredThreads() {
        for (auto& e : list) delete e.first;
    }
};
RetiredThreads& Retired() {
    static RetiredThreads r;
    return r;
}

void RetireThread(CWinThread* pThread) {
    RetiredThreads& r = Retired();
    {
        std::lock_guard<std::mutex> g(r.lock);
        r.list.emplace_back(pThread, ::GetTickCount());
    }
}

unsigned __stdcall ThreadEntry(void* pParam) {
    CWinThread* pThread = static_cast<CWinThread*>(pParam);
    t_pThread = pThread;
    UINT nResult = 0;
    try {
        if (pThread->m_pfnThreadProc)
            nResult = pThread->m_pfnThreadProc(pThread->m_pThreadParams);
        else if (pThread->InitInstance())
            nResult = (UINT)pThread->Run();
        else
            nResult = (UINT)pThread->ExitInstance();
    } catch (...) {
        nResult = (UINT)-1;
    }
    FwFreeTempMaps();
    t_pThread = nullptr;
    // A worker that ends changes what the command update handlers show
    // (status texts, enabled buttons); an empty message to the user-interface
    // thread runs them now, not at the next mouse move.
    if (g_pApp && g_pApp->m_nThreadID) ::PostThreadMessageW(g_pApp->m_nThreadID, WM_NULL, 0, 0);
    pThread->Delete();
    AfxFreeRetiredThreads();
    return nResult;
}
}  // namespace

void AfxSetThreadRetireDelay(DWORD dwMilliseconds) {
    std::lock_guard<std::mutex> g(Retired().lock);
    Retired().delay = dwMilliseconds;
}

void AfxFreeRetiredThreads() {
    RetiredThreads& r = Retired();
    std::list<std::pair<CWinThread*, DWORD>> expired;
    {
        std::lock_guard<std::mutex> g(r.lock);
        DWORD now = ::GetTickCount();
        for (auto it = r.list.begin(); it != r.list.end();) {
            if (now - it->second >= r.delay) {
                expired.push_back(*it);
                it = r.list.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& e : expired) delete e.first;
}

// ---------------------------------------------------------------------------
// CWinThread

CWinThread::CWinThread() = default;

CWinThread::CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam)
    : m_pfnThreadProc(pfnThreadProc), m_pThreadParams(pParam) {}

CWinThread::~CWinThread() {
    if (m_hThread) ::CloseHandle(m_hThread);
}

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize, LPSECURITY_ATTRIBUTES lpSecurityAttrs) {
    // Always start suspended so that m_hThread is set before the thread can end.
    unsigned id = 0;
    uintptr_t h = _beginthreadex(lpSecurityAttrs, nStackSize, &ThreadEntry, this, CREATE_SUSPENDED, &id);
    if (!h) return FALSE;
    m_hThread = (HANDLE)h;
    m_nThreadID = id;
    if (!(dwCreateFlags & CREATE_SUSPENDED)) ::ResumeThread(m_hThread);
    return TRUE;
}

CWnd* CWinThread::GetMainWnd() {
    if (m_pMainWnd) return m_pMainWnd;
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

void CWinThread::Delete() {
    if (m_bAutoDelete) RetireThread(this);
}

bool CWinThread::IsIdleMessage(const MSG& msg, MSG& lastMouseMove) {
    if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
        bool same = msg.message == lastMouseMove.message && msg.pt.x == lastMouseMove.pt.x &&
                    msg.pt.y == lastMouseMove.pt.y;
        lastMouseMove = msg;
        return !same;
    }
    return msg.message != WM_PAINT && msg.message != 0x0118;   // 0x0118: the caret's system timer
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg) {
    CWnd* pMain = GetMainWnd();
    return AfxWalkPreTranslateTree(pMain ? pMain->m_hWnd : nullptr, pMsg);
}

BOOL CWinThread::PumpMessage() {
    if (!::GetMessageW(&t_msgCur, nullptr, 0, 0)) return FALSE;
    if (!PreTranslateMessage(&t_msgCur)) {
        ::TranslateMessage(&t_msgCur);
        ::DispatchMessageW(&t_msgCur);
    }
    return TRUE;
}

BOOL CWinThread::OnIdle(LONG lCount) {
    if (lCount == 0) AfxUnlockTempMaps();
    return FALSE;
}

int CWinThread::Run() {
    BOOL bIdle = TRUE;
    LONG lIdleCount = 0;
    MSG lastMouseMove{};
    MSG peek;
    for (;;) {
        while (bIdle && !::PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
            BOOL bMore = FALSE;
            try {
                bMore = OnIdle(lIdleCount++);
            } catch (...) {
            }
            if (!bMore) bIdle = FALSE;
        }
        do {
            if (!PumpMessage()) return ExitInstance();
            if (IsIdleMessage(t_msgCur, lastMouseMove)) {
                bIdle = TRUE;
                lIdleCount = 0;
            }
        } while (::PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE));
    }
}

int CWinThread::ExitInstance() { return (int)t_msgCur.wParam; }

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority, UINT nStackSize,
                           DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES lpSecurityAttrs) {
    if (!pfnThreadProc) return nullptr;
    CWinThread* pThread = new CWinThread(pfnThreadProc, pParam);
    if (!pThread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize, lpSecurityAttrs)) {
        delete pThread;
        return nullptr;
    }
    pThread->SetThreadPriority(nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED)) pThread->ResumeThread();
    return pThread;
}

// ---------------------------------------------------------------------------
// CCommandLineInfo

void CCommandLineInfo::ParseParam(const wchar_t* pszParam, BOOL bFlag, BOOL) {
    if (!bFlag && m_strFileName.IsEmpty()) {
        m_strFileName = pszParam;
        m_nShellCommand = FileOpen;
    }
}

// ---------------------------------------------------------------------------
// CWinApp

CWinApp::CWinApp(LPCWSTR lpszAppName) {
    g_pApp = this;
    m_bAutoDelete = FALSE;
    m_nThreadID = ::GetCurrentThreadId();
    if (lpszAppName) {
        m_strAppName = lpszAppName;
        m_pszAppName = m_strAppName;
    }
}

CWinApp::~CWinApp() {
    for (CDocTemplate* t : m_templates) delete t;
    m_templates.clear();
    if (g_pApp == this) g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() {
    if (m_nMaxMRU > 0 && m_pszRegistryKey) {
        for (size_t i = 0; i < m_recentFiles.size() && i < m_nMaxMRU; ++i) {
            wchar_t entry[16];
            swprintf(entry, 16, L"File%u", (unsigned)(i + 1));
            WriteProfileString(L"Recent File List", entry, m_recentFiles[i]);
        }
        if (m_recentFiles.empty()) WriteProfileString(L"Recent File List", nullptr, nullptr);
    }
    return CWinThread::ExitInstance();
}

BOOL CWinApp::OnIdle(LONG lCount) {
    if (lCount <= 0) {
        auto* pFrame = dynamic_cast<CFrameWnd*>(m_pMainWnd);
        if (pFrame && pFrame->m_hWnd && pFrame->IsWindowVisible() && !pFrame->IsIconic()) pFrame->OnIdleUpdateCmdUI();
    } else if (lCount == 1) {
        AfxUnlockTempMaps();
        AfxFreeRetiredThreads();
    }
    return lCount < 1;
}

void CWinApp::SetRegistryKey(LPCWSTR lpszRegistryKey) {
    m_strRegistryKey = lpszRegistryKey;
    m_pszRegistryKey = m_strRegistryKey;
    m_strProfileName = AfxGetAppName();
    m_pszProfileName = m_strProfileName;
}

namespace {
// HKEY_CURRENT_USER\Software\<registry key>\<profile>\<section>
HKEY OpenSectionKey(LPCWSTR lpszRegistryKey, LPCWSTR lpszProfile, LPCWSTR lpszSection, bool bCreate) {
    CString path = CString(L"Software\\") + lpszRegistryKey + L"\\" + lpszProfile + L"\\" + lpszSection;
    HKEY hKey = nullptr;
    LONG rc = bCreate ? ::RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_WRITE | KEY_READ, nullptr, &hKey, nullptr)
                      : ::RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &hKey);
    return rc == ERROR_SUCCESS ? hKey : nullptr;
}
}  // namespace

CString CWinApp::GetProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszDefault) {
    CString result(lpszDefault);
    if (!m_pszRegistryKey || !lpszSection || !lpszEntry) return result;
    HKEY hKey = OpenSectionKey(m_pszRegistryKey, m_pszProfileName, lpszSection, false);
    if (!hKey) return result;
    wchar_t buf[1024];
    DWORD cb = sizeof(buf) - sizeof(wchar_t);
    DWORD type = 0;
    if (::RegQueryValueExW(hKey, lpszEntry, nullptr, &type, (LPBYTE)buf, &cb) == ERROR_SUCCESS && type == REG_SZ) {
        buf[cb / sizeof(wchar_t)] = L'\0';
        result = buf;
    }
    ::RegCloseKey(hKey);
    return result;
}

BOOL CWinApp::WriteProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszValue) {
    if (!m_pszRegistryKey || !lpszSection) return FALSE;
    HKEY hKey = OpenSectionKey(m_pszRegistryKey, m_pszProfileName, lpszSection, true);
    if (!hKey) return FALSE;
    LONG rc = ERROR_SUCCESS;
    if (lpszEntry && lpszValue)
        rc = ::RegSetValueExW(hKey, lpszEntry, 0, REG_SZ, (const BYTE*)lpszValue,
                              (DWORD)((wcslen(lpszValue) + 1) * sizeof(wchar_t)));
    else if (lpszEntry)
        rc = ::RegDeleteValueW(hKey, lpszEntry);
    ::RegCloseKey(hKey);
    return rc == ERROR_SUCCESS;
}

void CWinApp::LoadStdProfileSettings(UINT nMaxMRU) {
    m_nMaxMRU = nMaxMRU;
    m_recentFiles.clear();
    for (UINT i = 1; i <= nMaxMRU; ++i) {
        wchar_t entry[16];
        swprintf(entry, 16, L"File%u", i);
        CString path = GetProfileString(L"Recent File List", entry);
        if (!path.IsEmpty()) m_recentFiles.push_back(path);
    }
}

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate) {
    if (pTemplate) m_templates.push_back(pTemplate);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv) return;
    for (int i = 1; i < argc; ++i) {
        const wchar_t* p = argv[i];
        BOOL bFlag = (p[0] == L'-' || p[0] == L'/');
        rCmdInfo.ParseParam(bFlag ? p + 1 : p, bFlag, i == argc - 1);
    }
    ::LocalFree(argv);
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& rCmdInfo) {
    switch (rCmdInfo.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        OnFileNew();
        return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
        return OpenDocumentFile(rCmdInfo.m_strFileName) != nullptr;
    default:
        return FALSE;
    }
}

CDocument* CWinApp::OpenDocumentFile(LPCWSTR lpszFileName) {
    CDocTemplate* pTemplate = GetFirstDocTemplate();
    return pTemplate ? pTemplate->OpenDocumentFile(lpszFileName) : nullptr;
}

void CWinApp::AddToRecentFileList(LPCWSTR lpszPathName) {
    if (m_nMaxMRU == 0 || !lpszPathName || !*lpszPathName) return;
    CString path(lpszPathName);
    for (auto it = m_recentFiles.begin(); it != m_recentFiles.end();) {
        if (it->CompareNoCase(path) == 0) it = m_recentFiles.erase(it);
        else ++it;
    }
    m_recentFiles.insert(m_recentFiles.begin(), path);
    if (m_recentFiles.size() > m_nMaxMRU) m_recentFiles.resize(m_nMaxMRU);
}

void CWinApp::OnFileNew() {
    if (CDocTemplate* pTemplate = GetFirstDocTemplate()) pTemplate->OpenDocumentFile(nullptr);
}

// ---------------------------------------------------------------------------
// Global helpers

CWinApp* AfxGetApp() { return g_pApp; }

CWinThread* AfxGetThread() { return t_pThread; }

CWnd* AfxGetMainWnd() {
    if (t_pThread) return t_pThread->GetMainWnd();
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetInstanceHandle() {
    if (g_pApp && g_pApp->m_hInstance) return g_pApp->m_hInstance;
    return ::GetModuleHandleW(nullptr);
}

HINSTANCE AfxGetResourceHandle() { return g_hResource ? g_hResource : ::GetModuleHandleW(nullptr); }

void AfxSetResourceHandle(HINSTANCE hInstResource) { g_hResource = hInstResource; }

LPCWSTR AfxGetAppName() {
    if (g_pApp && g_pApp->m_pszAppName) return g_pApp->m_pszAppName;
    return L"";
}

int AfxMessageBox(LPCWSTR lpszText, UINT nType, UINT) {
    HWND hOwner = AfxGetMainWnd()->GetSafeHwnd();
    if (hOwner && !::IsWindowEnabled(hOwner)) hOwner = ::GetLastActivePopup(hOwner);
    return g_Seams.MessageBox(hOwner, lpszText, AfxGetAppName(), nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
    CString text;
    text.LoadString(nIDPrompt);
    return AfxMessageBox(text, nType, nIDHelp);
}

BOOL AfxOleInit() { return SUCCEEDED(::OleInitialize(nullptr)); }


BOOL AfxInitRichEdit() {
    static HMODULE hRichEdit = ::LoadLibraryW(L"riched20.dll");
    return hRichEdit != nullptr;
}

LPCWSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
    static std::mutex lock;
    static std::list<std::wstring> names;   // stable storage for the returned names
    wchar_t name[96];
    swprintf(name, 96, L"Fw:%x:%x:%p:%p:%p", (unsigned)(UINT_PTR)AfxGetInstanceHandle(), nClassStyle, (void*)hCursor,
             (void*)hbrBackground, (void*)hIcon);
    std::lock_guard<std::mutex> g(lock);
    for (const std::wstring& n : names)
        if (n == name) return n.c_str();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(AfxGetInstanceHandle(), name, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof(wc);
        wc.style = nClassStyle;
        wc.lpfnWndProc = &AfxWndProc;
        wc.hInstance = AfxGetInstanceHandle();
        wc.hCursor = hCursor;
        wc.hbrBackground = hbrBackground;
        wc.hIcon = hIcon;
        wc.lpszClassName = name;
        ::RegisterClassExW(&wc);
    }
    names.emplace_back(name);
    return names.back().c_str();
}

int AfxWinMain(HINSTANCE hInstance, int nCmdShow) {
    CWinApp* pApp = AfxGetApp();
    if (!pApp) return -1;
    pApp->m_hInstance = hInstance;
    pApp->m_nCmdShow = nCmdShow;
    pApp->m_nThreadID = ::GetCurrentThreadId();
    static CString s_appName;
    if (!pApp->m_pszAppName) {
        if (!s_appName.LoadString(AFX_IDS_APP_TITLE)) {
            wchar_t path[MAX_PATH] = {};
            ::GetModuleFileNameW(nullptr, path, MAX_PATH);
            CString p(path);
            int slash = p.ReverseFind(L'\\');
            s_appName = p.Mid(slash + 1);
            int dot = s_appName.ReverseFind(L'.');
            if (dot > 0) s_appName = s_appName.Left(dot);
        }
        pApp->m_pszAppName = s_appName;
    }
    int nReturnCode = -1;
    try {
        if (!pApp->InitInstance()) {
            if (pApp->m_pMainWnd) pApp->m_pMainWnd->DestroyWindow();
            nReturnCode = pApp->ExitInstance();
        } else {
            nReturnCode = pApp->Run();
        }
    } catch (...) {
        nReturnCode = -1;
    }
    return nReturnCode;
}
