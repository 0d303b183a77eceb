#include "export/SaveTempFolder.h"

#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "export/MailExport.h"
#include "export/SaveFileLane.h"

namespace {

const wchar_t kFolderPrefix[] = L"Quillmere-save-";
const wchar_t kLockName[] = L"save.lock";

CString g_folder;
HANDLE g_lock = INVALID_HANDLE_VALUE;
std::set<std::wstring> g_files;
std::vector<std::wstring> g_subfolders;
std::mutex g_notesMutex;   // files are noted from the save's file lane too

std::vector<std::wstring> Entries(const std::wstring& folder, bool folders) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder == folders) names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}


// A folder of a save that ended without removing it: its lock file is gone
// or can be deleted. Everything in it was written by that save (files, and
// the numbered folders of same-named attachments one level down).
void RemoveLeftFolder(const std::wstring& folder) {
    const std::wstring lock = folder + kLockName;
    if (GetFileAttributesW(lock.c_str()) != INVALID_FILE_ATTRIBUTES && !DeleteFileW(lock.c_str())) return;   // in use
    for (const std::wstring& sub : Entries(folder, true)) {
        const std::wstring inner = folder + sub + L"\\";
        for (const std::wstring& name : Entries(inner, false)) DeleteOwnFile(inner + name);
        RemoveDirectoryW(inner.c_str());
    }
    for (const std::wstring& name : Entries(folder, false)) DeleteOwnFile(folder + name);
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

void DeleteOwnFile(const std::wstring& path) {
    // Our own files carry no attributes that stop a delete; only when one
    // does is it cleared first.
    if (!DeleteFileW(path.c_str()) && GetLastError() == ERROR_ACCESS_DENIED) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
    }
}

CString BeginSaveTempFolder(const CString& tempRoot, DWORD* error) {
    EndSaveTempFolder();
    const std::wstring root(tempRoot.GetString());
    for (const std::wstring& name : Entries(root, true))
        if (name.compare(0, wcslen(kFolderPrefix), kFolderPrefix) == 0) RemoveLeftFolder(root + name + L"\\");

    DWORD failure = ERROR_PATH_NOT_FOUND;
    for (int n = 1; n < 100; ++n) {
        CString folder;
        folder.Format(L"%s%s%lu-%d\\", tempRoot.GetString(), kFolderPrefix, GetCurrentProcessId(), n);
        if (!CreateDirectoryW(folder, nullptr)) {
            failure = GetLastError();
            if (failure == ERROR_ALREADY_EXISTS) continue;
            break;
        }
        g_lock = CreateFileW(folder + kLockName, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (g_lock == INVALID_HANDLE_VALUE) {
            failure = GetLastError();
            RemoveDirectoryW(folder);
            break;
        }
        g_folder = folder;
        return g_folder;
    }
    if (error != nullptr) *error = failure;
    return CString();
}

const CString& SaveTempFolder() { return g_folder; }

void NoteSaveFile(const CString& path) {
    std::lock_guard<std::mutex> lock(g_notesMutex);
    g_files.insert(std::wstring(path.GetString()));
}

void NoteSaveSubfolder(const CString& path) {
    std::lock_guard<std::mutex> lock(g_notesMutex);
    g_subfolders.push_back(std::wstring(path.GetString()));
}

void EndSaveTempFolder() {
    save_lane::WaitForAll();   // no file job of the save still runs
    CloseMailHeaderFile();
    std::lock_guard<std::mutex> lock(g_notesMutex);
    for (const std::wstring& path : g_files) DeleteOwnFile(path);
    g_files.clear();
    for (auto it = g_subfolders.rbegin(); it != g_subfolders.rend(); ++it) RemoveDirectoryW(it->c_str());
    g_subfolders.clear();
    if (g_lock != INVALID_HANDLE_VALUE) {
        CloseHandle(g_lock);   // the lock file goes with its handle
        g_lock = INVALID_HANDLE_VALUE;
        DeleteFileW(g_folder + kLockName);
    }
    if (!g_folder.IsEmpty()) RemoveDirectoryW(g_folder);
    g_folder.Empty();
}
