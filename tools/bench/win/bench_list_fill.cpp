// The Windows program's part of the list figure: the frame made as at
// start-up (its store dialog closed at once), the store loaded into the
// folder tree, and the folder "Big" listed by the item-list worker while this
// thread answers the worker's messages, as the user-interface thread does.
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

#include "../bench.h"
#include "../bench_list.h"
#include "app/AppGlobals.h"
#include "app/ItemListView.h"
#include "app/LeftView.h"
#include "app/StoreLoadObserver.h"
#include "app/TarnwellApp.h"
#include "app/WorkerGate.h"
#include "framework/seam_script.h"
#include "reader/store_load.h"
#include "res/resource.h"

CTarnwellApp theBenchApp;

namespace {

BOOL CALLBACK CloseStoreDialog(HWND window, LPARAM) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (std::wstring(name) == L"#32770" && process == GetCurrentProcessId() && IsWindowVisible(window)) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CANCEL_BUTTON, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_CANCEL_BUTTON)));
        return FALSE;
    }
    return TRUE;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

void RunListFillBench(const std::string& path) {
    SeamScript script;  // no modal question blocks the run
    theBenchApp.m_hInstance = GetModuleHandleW(nullptr);
    AfxSetResourceHandle(GetModuleHandleW(nullptr));
    g_analysisGate.SetPausesEnabled(false);
    std::thread closer([] {
        for (int i = 0; i < 3000 && EnumWindows(CloseStoreDialog, 0); ++i) Sleep(10);
    });
    const BOOL started = theBenchApp.InitInstance();
    closer.join();
    if (!started || g_pLeftView == nullptr || g_pItemListView == nullptr) {
        std::printf("item list fill: the frame could not be made\n");
        return;
    }
    g_storeLoadObserver.SetLoadWindows(nullptr, g_pLeftView->GetTreeCtrl().GetSafeHwnd());
    OstRepair(std::wstring(path.begin(), path.end())).LoadStore();
    HTREEITEM big = nullptr;
    for (const folder& f : g_listFolders) {
        HTREEITEM item = static_cast<HTREEITEM>(f.hItem);
        if (g_pLeftView->GetTreeCtrl().GetItemText(item) == L"Big") big = item;
    }
    if (big == nullptr) {
        std::printf("item list fill: no folder \"Big\"\n");
        return;
    }
    g_pLeftView->GetTreeCtrl().SelectItem(big);
    const double start = NowSeconds();
    g_pLeftView->StartItemListFill(big);
    // The longest the window waited for this thread between two messages.
    double longestGap = 0;
    double last = NowSeconds();
    while (g_pItemListThread != nullptr) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        Pump();
        const double now = NowSeconds();
        if (now - last > longestGap) longestGap = now - last;
        last = now;
    }
    const double seconds = NowSeconds() - start;
    std::printf("item list fill: %d rows listed in %.3f s (%.0f per second); the window answered within %.0f ms "
                "throughout\n",
                g_pItemListView->GetList().GetItemCount(), seconds,
                seconds > 0 ? g_pItemListView->GetList().GetItemCount() / seconds : 0.0, longestGap * 1000);
    try {
        ResetReader();
    } catch (...) {
    }
}
