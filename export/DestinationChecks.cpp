#include "export/DestinationChecks.h"

#include <string>

namespace {

bool Exists(const CString& path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

CString WithBackslash(const CString& folder) {
    if (folder.IsEmpty() || folder[folder.GetLength() - 1] == L'\\') return folder;
    return folder + L"\\";
}

CString FullLongPath(const CString& path) {
    wchar_t full[MAX_PATH * 2] = L"";
    DWORD n = GetFullPathNameW(path, MAX_PATH * 2, full, nullptr);
    CString result = n > 0 && n < MAX_PATH * 2 ? CString(full) : path;
    wchar_t longer[MAX_PATH * 2] = L"";
    n = GetLongPathNameW(result, longer, MAX_PATH * 2);
    if (n > 0 && n < MAX_PATH * 2) result = longer;
    return result;
}

}  // namespace

CString FreeFileName(const CString& folder, const CString& name) {
    const CString base = WithBackslash(folder);
    if (!Exists(base + name)) return name;
    const int length = name.GetLength();
    const bool pst = length >= 4 && name.Mid(length - 4).CompareNoCase(L".pst") == 0;
    const CString stem = pst ? name.Left(length - 4) : name;
    const CString extension = pst ? name.Mid(length - 4) : CString();
    for (int n = 2;; ++n) {
        CString candidate;
        candidate.Format(L"%s (%d)%s", stem.GetString(), n, extension.GetString());
        if (!Exists(base + candidate)) return candidate;
    }
}

bool SameFile(const CString& a, const CString& b) {
    return FullLongPath(a).CompareNoCase(FullLongPath(b)) == 0;
}

DWORD FolderWriteError(const CString& folder) {
    const CString base = WithBackslash(folder);
    for (int n = 0; n < 100; ++n) {
        CString probe;
        probe.Format(L"%s~quillmere-write-test-%lu-%d.tmp", base.GetString(), GetCurrentProcessId(), n);
        // A new file only (never one that exists), gone again when closed.
        HANDLE file = CreateFileW(probe, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return error != 0 ? error : ERROR_ACCESS_DENIED;
        }
        DWORD written = 0;
        const char byte = 0;
        DWORD error = 0;
        if (!WriteFile(file, &byte, 1, &written, nullptr) || written != 1) error = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
        else if (!FlushFileBuffers(file)) error = GetLastError();
        CloseHandle(file);
        return error;
    }
    return 0;
}
