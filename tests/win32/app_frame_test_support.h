// Support of the tests (and the bench's list figure) that drive the
// program's own frame in their process: the program started as InitInstance
// builds it, the store dialog driven from a second thread while this thread
// runs it modally (the file choice answered by the scripted seams), stores
// loaded into the folder tree, the folders of the tree and their check boxes,
// waits. No GoogleTest in here: the bench includes it too.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "app/AppGlobals.h"
#include "app/FolderChecks.h"
#include "app/LeftView.h"
#include "app/StoreLoadObserver.h"
#include "app/WorkerGate.h"
#include "framework/framework.h"
#include "framework/seam_script.h"
#include "reader/store_load.h"
#include "res/resource.h"

namespace frametest {

inline std::wstring WindowText(HWND window) {
    wchar_t text[512] = L"";
    GetWindowTextW(window, text, 512);
    return text;
}

inline bool WaitFor(const std::function<bool()>& condition, int milliseconds = 30000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

inline void Click(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Enter and Escape pressed on a control of a dialog (posted: they arrive
// through the dialog's message loop, as typed keys do).
inline void PostEnterAndEscape(HWND control) {
    for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)}) {
        PostMessageW(control, WM_KEYDOWN, key, 0);
        PostMessageW(control, WM_KEYUP, key, 0);
    }
}

// The store dialog: a visible dialog window of this process with a Start button.
inline BOOL CALLBACK FindStoreDialogProc(HWND window, LPARAM param) {
    wchar_t cls[64] = L"";
    GetClassNameW(window, cls, 64);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (std::wstring(cls) == L"#32770" && process == GetCurrentProcessId() && IsWindowVisible(window) &&
        GetDlgItem(window, IDC_START) != nullptr) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

inline HWND FindStoreDialog() {
    HWND found = nullptr;
    EnumWindows(FindStoreDialogProc, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Runs `steps` on a second thread while the test thread runs a modal dialog.
class Driver {
public:
    explicit Driver(std::function<void()> steps) : m_thread(std::move(steps)) {}
    ~Driver() { m_thread.join(); }

private:
    std::thread m_thread;
};

// Runs `command` on this thread while a driver waits for the store dialog it
// shows and hands that to `steps`.
inline void WithStoreDialog(const std::function<void()>& command, const std::function<void(HWND)>& steps) {
    Driver driver([&] {
        if (!WaitFor([] { return FindStoreDialog() != nullptr; }, 60000)) return;
        steps(FindStoreDialog());
    });
    command();
}

inline void CancelStoreDialog(HWND dialog) { Click(dialog, IDC_CANCEL_BUTTON); }

// The file (answered by the scripted file dialog), Start, then the wait for
// the dialog to close itself at the end of the load.
inline void SelectAndStart(HWND dialog) {
    Click(dialog, IDC_SELECT_OST);
    Click(dialog, IDC_START);
    WaitFor([dialog] { return !IsWindow(dialog); }, 60000);
}

// The process-wide settings of a program that makes the frame: its own
// resources, no fixed pauses in the load and, unless `retireAtOnce` is false,
// no grace period for finished threads.
inline void PrepareProgram(bool retireAtOnce = true) {
    AfxGetApp()->m_hInstance = GetModuleHandleW(nullptr);
    AfxSetResourceHandle(GetModuleHandleW(nullptr));
    if (retireAtOnce) AfxSetThreadRetireDelay(0);
    g_analysisGate.SetPausesEnabled(false);
}

inline bool ProgramRunning() { return AfxGetApp()->m_pMainWnd != nullptr; }

// InitInstance, with `steps` driving the store dialog of start-up (by
// default: Cancel, no load runs); false when InitInstance fails.
inline bool StartProgram(const std::function<void(HWND)>& steps = CancelStoreDialog) {
    bool started = false;
    WithStoreDialog([&] { started = AfxGetApp()->InitInstance() != FALSE; }, steps);
    return started;
}

inline HWND Frame() { return AfxGetApp()->m_pMainWnd->GetSafeHwnd(); }
inline HWND Tree() { return g_pLeftView->GetTreeCtrl().GetSafeHwnd(); }

// Runs the Open command; `steps` drive the store dialog it shows.
inline void OpenStore(const std::function<void(HWND)>& steps) {
    WithStoreDialog([] { SendMessageW(Frame(), WM_COMMAND, MAKEWPARAM(ID_TOOL_OPEN, 0), 0); }, steps);
}

// Loads a store through the store dialog: the one of start-up while the
// program is not running yet, else the one of Open. False only when the
// program had to be started and could not be.
inline bool LoadThroughDialog(SeamScript& script, const std::wstring& path) {
    script.fileDialogAnswers.push_back(path);
    if (!ProgramRunning()) return StartProgram(SelectAndStart);
    OpenStore(SelectAndStart);
    return true;
}

// Loads a store into the frame's folder tree on this thread, without the
// store dialog: the load its worker runs.
inline void LoadIntoTree(const std::wstring& path) {
    g_storeLoadObserver.SetLoadWindows(nullptr, Tree());
    OstRepair(path).LoadStore();
}

// Answers the messages waiting for this thread's windows.
inline void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The tree item of the first folder labelled `text`.
inline HTREEITEM FindFolder(const wchar_t* text) {
    for (const folder& f : g_listFolders) {
        HTREEITEM item = static_cast<HTREEITEM>(f.hItem);
        if (g_pLeftView->GetTreeCtrl().GetItemText(item) == text) return item;
    }
    return nullptr;
}

inline void CheckAllFolders() {
    for (const folder& f : g_listFolders) SetFolderCheck(Tree(), static_cast<HTREEITEM>(f.hItem), true);
    g_bAnyFolderChecked = true;
}

}  // namespace frametest
