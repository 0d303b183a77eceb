#include "export/SaveTempFolder.h"

#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "export/MailExport.h"
#include "export/SaveFileLane.h"

namespace {

const wchar_t kFolderPrefix[] = L"Quillmere-save-";
const wchar_t kLockName[] = L"save.lock";
// What the lock file holds: a folder is the save's own only when its lock
// file holds exactly this.
const char kLockMark[] = "Quillmere save folder: removed by the next save once no save holds this file.\r\n";

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


// True when the folder's lock file holds the save's mark. A live save holds
// its lock file open without sharing, so it cannot be read.
bool HoldsSaveMark(const std::wstring& lock) {
    HANDLE file = CreateFileW(lock.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char bytes[sizeof kLockMark] = {};
    DWORD read = 0;
    const bool marked = ReadFile(file, bytes, sizeof bytes, &read, nullptr) && read == sizeof kLockMark - 1 &&
                        std::memcmp(bytes, kLockMark, read) == 0;
    CloseHandle(file);
    return marked;
}

// A folder of a save that ended without removing it (a killed save): its
// lock file holds the save's mark and no save holds it any more. A folder
// of the prefix without that mark is not the save's and is left alone.
// Everything in a marked folder was written by that save (files, and the
// numbered folders of same-named attachments one level down).
void RemoveLeftFolder(const std::wstring& folder) {
    const std::wstring lock = folder + kLockName;
    if (!HoldsSaveMark(lock) || !DeleteFileW(lock.c_str())) return;   // not ours, or in use
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
        // The lock file stays after a killed save (its mark tells the next
        // save that the folder is a save's own); it is held unshared while
        // the save lives.
        g_lock = CreateFileW(folder + kLockName, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (g_lock == INVALID_HANDLE_VALUE ||
            !WriteFile(g_lock, kLockMark, sizeof kLockMark - 1, &written, nullptr) || written != sizeof kLockMark - 1) {
            failure = GetLastError();
            if (failure == 0) failure = ERROR_WRITE_FAULT;
            if (g_lock != INVALID_HANDLE_VALUE) {
                CloseHandle(g_lock);
                g_lock = INVALID_HANDLE_VALUE;
                DeleteFileW(folder + kLockName);
            }
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
        CloseHandle(g_lock);
        g_lock = INVALID_HANDLE_VALUE;
        DeleteFileW(g_folder + kLockName);
    }
    if (!g_folder.IsEmpty()) RemoveDirectoryW(g_folder);
    g_folder.Empty();
}
