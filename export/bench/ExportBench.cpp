// exportbench: the save end to end, timed. Starts the program's frame in
// this process, loads a store through the store dialog, checks every folder
// and saves through the saving dialog and worker, with every question and
// choice scripted. Prints the load and save times, the items saved per
// second and the process's peak memory.
//   exportbench STORE [DESTINATION] [--null-writer]
// --null-writer puts an item writer that does nothing in place of the
// registered components, to measure the program's own share.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/AppGlobals.h"
#include "app/FolderChecks.h"
#include "app/LeftView.h"
#include "app/TarnwellApp.h"
#include "app/WorkerGate.h"
#include "export/ExportState.h"
#include "framework/seam_script.h"
#include "reader/store_load.h"
#include "res/resource.h"

CTarnwellApp theBenchApp;

namespace {

using Clock = std::chrono::steady_clock;

// An automation object that takes every call and answers nothing.
class NullAutomation : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        *out = (riid == IID_IUnknown || riid == IID_IDispatch) ? static_cast<IDispatch*>(this) : nullptr;
        return *out != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        if (result != nullptr) ::VariantInit(result);
        return S_OK;
    }
};
NullAutomation g_nullWriter;

void Click(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// What one open, read and close of a small file costs here, in microseconds:
// the components do that for every file a mail names, and under Wine each
// open, first read and close is a round trip to the Wine server, whose cost
// depends on the machine (how fast an idle processor wakes) more than on
// the program. Printed beside the save's figures so that runs on different
// machines can be compared.
double FileReadMicroseconds(const std::wstring& folder) {
    const std::wstring path = folder + L"\\exportbench-probe.bin";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    char bytes[4096] = {};
    DWORD done = 0;
    WriteFile(file, bytes, sizeof bytes, &done, nullptr);
    CloseHandle(file);
    const int kRounds = 2000;
    const auto start = Clock::now();
    for (int i = 0; i < kRounds; ++i) {
        file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
        if (file == INVALID_HANDLE_VALUE) break;
        ReadFile(file, bytes, sizeof bytes, &done, nullptr);
        CloseHandle(file);
    }
    const double micros = Seconds(start) * 1e6 / kRounds;
    DeleteFileW(path.c_str());
    return micros;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fwprintf(stderr, L"usage: exportbench STORE [DESTINATION] [--null-writer]\n");
        return 2;
    }
    const std::wstring store = argv[1];
    std::wstring destination;
    bool nullWriter = false;
    for (int i = 2; i < argc; ++i) {
        if (std::wstring(argv[i]) == L"--null-writer")
            nullWriter = true;
        else
            destination = argv[i];
    }
    if (destination.empty()) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        destination = std::wstring(temp) + L"exportbench";
    }
    CreateDirectoryW(destination.c_str(), nullptr);

    const double fileReadMicros = FileReadMicroseconds(destination);
    SeamScript script;
    if (nullWriter) {
        g_Seams.CreateDispatch = [](LPCWSTR, IDispatch** out) -> HRESULT {
            *out = &g_nullWriter;
            return S_OK;
        };
    }
    theBenchApp.m_hInstance = GetModuleHandleW(nullptr);
    AfxSetResourceHandle(GetModuleHandleW(nullptr));
    g_analysisGate.SetPausesEnabled(false);   // the load's fixed pauses are not the load's work

    // Start-up: the store dialog is closed at once.
    script.modalActions.push_back([](HWND dialog) { Click(dialog, IDC_CANCEL_BUTTON); });
    if (!theBenchApp.InitInstance()) return 1;
    HWND frame = theBenchApp.m_pMainWnd->GetSafeHwnd();

    // The load, through the store dialog.
    script.fileDialogAnswers.push_back(store);
    script.modalActions.push_back([](HWND dialog) {
        Click(dialog, IDC_SELECT_OST);
        Click(dialog, IDC_START);
    });
    const auto loadStart = Clock::now();
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(ID_TOOL_OPEN, 0), 0);
    const double loadSeconds = Seconds(loadStart);

    // Every folder checked, then Save.
    HWND tree = g_pLeftView->GetTreeCtrl().GetSafeHwnd();
    for (const folder& f : g_listFolders) SetFolderCheck(tree, static_cast<HTREEITEM>(f.hItem), true);
    g_bAnyFolderChecked = true;
    script.folderAnswers.push_back(destination);
    const auto saveStart = Clock::now();
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(ID_TOOL_SAVE, 0), 0);
    const double saveSeconds = Seconds(saveStart);

    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::wstring outcome;
    for (const auto& box : script.messageBoxes) outcome += L" [" + box.text + L"]";
    wprintf(L"exportbench: %ls\n", store.c_str());
    wprintf(L"  item writer:  %ls\n", nullWriter ? L"none (calls answered at once)" : L"registered components");
    wprintf(L"  load:         %.2f s, %zu folders\n", loadSeconds, g_listFolders.size());
    wprintf(L"  save:         %.2f s, %d items, %.0f items/s\n", saveSeconds, g_nSavedTotal,
            saveSeconds > 0 ? g_nSavedTotal / saveSeconds : 0.0);
    wprintf(L"  load + save:  %.2f s, %.0f items/s\n", loadSeconds + saveSeconds,
            g_nSavedTotal / (loadSeconds + saveSeconds));
    wprintf(L"  peak memory:  %.1f MiB working set, %.1f MiB committed\n",
            memory.PeakWorkingSetSize / 1048576.0, memory.PeakPagefileUsage / 1048576.0);
    wprintf(L"  file read:    %.0f us to open, read and close a 4 KB file here (the components do it for every\n"
            L"                file a mail names)\n",
            fileReadMicros);
    wprintf(L"  new store:    %ls\n", g_strPstPath.GetString());
    wprintf(L"  messages:    %ls\n", outcome.c_str());
    theBenchApp.m_pMainWnd->DestroyWindow();
    return 0;
}
