// The Windows program's part of the list figure: the frame made as at
// start-up (its store dialog closed at once), the store loaded into the
// folder tree, and the folder "Big" listed by the item-list worker while this
// thread answers the worker's messages, as the user-interface thread does.
#include <windows.h>

#include <cstdio>
#include <string>

#include "../bench.h"
#include "../bench_list.h"
#include "app/AppGlobals.h"
#include "app/ItemListView.h"
#include "app/LeftView.h"
#include "app/TarnwellApp.h"
#include "framework/seam_script.h"
#include "reader/store_load.h"
#include "tests/win32/app_frame_test_support.h"

CTarnwellApp theBenchApp;

void RunListFillBench(const std::string& path) {
    SeamScript script;  // no modal question blocks the run
    frametest::PrepareProgram(false);   // threads retire as in the program
    const bool started = frametest::StartProgram();   // the start-up store dialog closed at once
    if (!started || g_pLeftView == nullptr || g_pItemListView == nullptr) {
        std::printf("item list fill: the frame could not be made\n");
        return;
    }
    frametest::LoadIntoTree(std::wstring(path.begin(), path.end()));
    HTREEITEM big = frametest::FindFolder(L"Big");
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
        frametest::Pump();
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
