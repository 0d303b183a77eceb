#include "framework/seams.h"
#include <shellapi.h>

FrameworkSeams g_Seams;

void FrameworkSeams::SetDefaults() {
    MessageBox = [](HWND h, LPCWSTR text, LPCWSTR caption, UINT type) { return ::MessageBoxW(h, text, caption, type); };
    GetOpenFileName = [](OPENFILENAMEW* ofn) { return ::GetOpenFileNameW(ofn); };
    GetSaveFileName = [](OPENFILENAMEW* ofn) { return ::GetSaveFileNameW(ofn); };
    BrowseForFolder = [](BROWSEINFOW* bi) { return ::SHBrowseForFolderW(bi); };
    GetPathFromIDList = [](PCIDLIST_ABSOLUTE pidl, LPWSTR path) { return ::SHGetPathFromIDListW(pidl, path); };
    ShellExecute = [](HWND h, LPCWSTR verb, LPCWSTR file, LPCWSTR params, LPCWSTR dir, INT show) {
        return ::ShellExecuteW(h, verb, file, params, dir, show);
    };
    GetLocalTime = [](SYSTEMTIME* st) { ::GetLocalTime(st); };
    Time64 = [](__time64_t* t) { return _time64(t); };
    GetTempPath = [](DWORD n, LPWSTR buf) { return ::GetTempPathW(n, buf); };
    GetDiskFreeSpaceEx = [](LPCWSTR dir, PULARGE_INTEGER avail, PULARGE_INTEGER total, PULARGE_INTEGER free) {
        return ::GetDiskFreeSpaceExW(dir, avail, total, free);
    };
    ModalDialogStarted = nullptr;
}
