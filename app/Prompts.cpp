#include "app/Prompts.h"

#include <shlobj.h>

#include "framework/seams.h"

int AppMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    return g_Seams.MessageBox(owner, text, caption, type);
}

CString BrowseForFolder(const wchar_t* title, bool& cancelled) {
    wchar_t displayName[MAX_PATH] = L"";
    BROWSEINFOW info = {};
    info.pszDisplayName = displayName;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = g_Seams.BrowseForFolder(&info);
    cancelled = chosen == nullptr;
    if (cancelled) return CString();
    wchar_t path[MAX_PATH] = L"";
    if (!g_Seams.GetPathFromIDList(chosen, path)) path[0] = 0;
    CoTaskMemFree(chosen);
    return CString(path);
}

void ShellOpen(const wchar_t* file) {
    g_Seams.ShellExecute(nullptr, L"open", file, nullptr, nullptr, SW_SHOWNORMAL);
}
