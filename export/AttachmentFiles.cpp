#include "export/AttachmentFiles.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "export/ExportText.h"
#include "export/LoomcraftDriver.h"
#include "export/SaveLosses.h"
#include "export/SaveTempFolder.h"
#include "reader/attachment_writer.h"
#include "reader/ndb.h"
#include "reader/store_context.h"
#include "reader/store_text.h"

CString g_strLastAttachPath;
CString g_strAttachPathList;
std::vector<CString> g_attachPaths;

namespace {

// The numbered folders made for the latest call's files.
std::vector<CString> g_sameNameFolders;

// Folders inside the temporary folder for the second and later attachments
// of one item that share a name, so that neither file overwrites the other
// and both keep their names: "QM_Attach_2\", "QM_Attach_3\", ...
const wchar_t kSameNameFolderPrefix[] = L"QM_Attach_";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool BaseIs(const std::string& base, const char* word) {
    if (base.size() != std::strlen(word)) return false;
    for (size_t i = 0; i < base.size(); ++i)
        if (Upper(base[i]) != word[i]) return false;
    return true;
}

// The name as the ANSI code page holds it (best fit, then the default
// character), the form that the name check judges.
std::string AnsiName(const CString& wide) { return AnsiText(wide); }

// The wide name itself must hold no separator or other character that could
// reach outside the folder, whatever its ANSI form looks like.
bool WideNameStaysInFolder(const CString& name) {
    for (int i = 0; i < name.GetLength(); ++i) {
        const wchar_t c = name[i];
        if (c < 0x20 || wcschr(L"\"*/:<>?\\|", c) != nullptr) return false;
    }
    return true;
}

std::wstring LowerCase(const CString& text) {
    std::wstring lower(text.GetString());
    for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
    return lower;
}

// Where the file of this name goes: the temporary folder, or, when this item
// already wrote a file of the same name (or the name is that of the mail
// header file), a numbered folder inside it.
CString PathForName(const CString& folder, const CString& name, std::set<std::wstring>& used) {
    CString path = folder + name;
    const std::wstring header = LowerCase(g_pstExporter.m_strHeaderFilePath);
    for (int n = 2; used.count(LowerCase(path)) != 0 || LowerCase(path) == header; ++n) {
        CString subfolder;
        subfolder.Format(L"%s%s%d", folder.GetString(), kSameNameFolderPrefix, n);
        if (CreateDirectoryW(subfolder, nullptr)) {
            NoteSaveSubfolder(subfolder);
            g_sameNameFolders.push_back(subfolder);
        }
        path = subfolder + L"\\" + name;
    }
    used.insert(LowerCase(path));
    return path;
}

// The file opened for writing from its start, created when missing; existed
// tells whether it was there (its old content beyond the new is then cut
// when the file is finished: truncating on open costs ten times as much on
// some systems).
FILE* OpenForRewrite(const CString& path, bool& existed) {
    HANDLE handle = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    existed = GetLastError() == ERROR_ALREADY_EXISTS;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    FILE* file = _fdopen(descriptor, "wb");
    if (file == nullptr) _close(descriptor);
    return file;
}

// Cuts a file that was there before after what was written, and closes it;
// the system's error when any write failed, else 0.
DWORD FinishFile(FILE* file, bool existed) {
    DWORD error = 0;
    if (std::fflush(file) != 0 || std::ferror(file) != 0) error = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
    if (existed && !SetEndOfFile(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) && error == 0)
        error = GetLastError();
    if (std::fclose(file) != 0 && error == 0) error = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
    return error;
}

// True when the attachment's bytes are neither in memory nor reachable in
// the store although it names a data block.
bool DataUnreachable(const AttachmentNode* node) {
    return node->pData == nullptr && node->bidData != ~uint64_t{0} && FindBlock(&g_storeFile, node->bidData) == nullptr;
}

// Writes one attachment's bytes into the file at path; 0, or the system's
// error (ERROR_READ_FAULT when the store could not give the bytes). A file
// that did not get all its bytes is deleted again.
DWORD WriteOneFile(const CString& path, AttachmentNode* node) {
    if (DataUnreachable(node)) return ERROR_READ_FAULT;
    bool existed = false;
    FILE* file = OpenForRewrite(path, existed);
    if (file == nullptr) return GetLastError() != 0 ? GetLastError() : ERROR_CANNOT_MAKE;
    NoteSaveFile(path);
    DWORD error = 0;
    SetLastError(0);
    try {
        const uint64_t written = WriteAttachmentToFile(file, node);
        if (node->pData != nullptr && written < node->cbData) error = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
    } catch (...) {
        error = ERROR_READ_FAULT;
    }
    const DWORD finish = FinishFile(file, existed);
    if (error == 0) error = finish;
    if (error != 0) DeleteFileW(path);
    return error;
}

}  // namespace

int CheckFileName(const char* name) {
    if (name == nullptr || name[0] == 0) return -1;
    int firstDot = -1;
    int length = 0;
    for (; length < 256 && name[length] != 0; ++length) {
        const unsigned char c = static_cast<unsigned char>(name[length]);
        if (c == '.') {
            if (firstDot < 0) firstDot = length;
            continue;
        }
        if (c <= 0x1F || std::strchr("\"*/:<>?\\|", c) != nullptr) return c;
    }
    if (length >= 256) return -1;

    bool onlyDots = true;
    for (int i = 0; i < length; ++i)
        if (name[i] != '.') onlyDots = false;
    if (onlyDots) return '.';
    if (firstDot == 0) return 0;

    const std::string base(name, firstDot < 0 ? length : firstDot);
    if (BaseIs(base, "AUX")) return -3;
    if (BaseIs(base, "CON")) return -4;
    if (BaseIs(base, "NUL")) return -5;
    if (BaseIs(base, "PRN")) return -6;
    if (base.size() == 4 && IsDigit(base[3]) && base[3] != '0') {
        const int n = base[3] - '0';
        if (BaseIs(base.substr(0, 3), "COM")) return -(6 + n);
        if (BaseIs(base.substr(0, 3), "LPT")) return -(15 + n);
    }
    if (BaseIs(base, "CLOCK$")) return -2;
    return 0;
}

int SaveAttachmentsToTempFiles(ItemRecord* record) {
    DeleteAttachmentFiles();   // an exporter that did not delete its own
    g_strAttachPathList.Empty();
    g_strLastAttachPath.Empty();
    if (record == nullptr) return 0;
    record->pAttachCursor = record->pAttachments;
    std::set<std::wstring> used;

    for (; record->pAttachCursor != nullptr; record->pAttachCursor = record->pAttachCursor->pNext) {
        AttachmentNode* node = record->pAttachCursor;
        // What a damaged store kept from being read is not written as a file
        // cut short; the save counts it once the item is stored.
        if (node->bUnreadable) continue;
        if (!HasText(node->txAttachLongFilename)) continue;
        const CString name = WidenStoreText(node->txAttachLongFilename);
        if (CheckFileName(AnsiName(name).c_str()) != 0 || !WideNameStaysInFolder(name)) continue;

        const CString path = PathForName(g_pstExporter.m_strTempFolder, name, used);
        if (path.GetLength() >= MAX_PATH) {
            g_saveLosses.Attachment(ERROR_FILENAME_EXCED_RANGE);   // no such file can be made
            continue;
        }
        // A file that cannot be written is one attachment lost; the others
        // are still tried.
        const DWORD error = WriteOneFile(path, node);
        if (error != 0) {
            g_saveLosses.Attachment(error);
            continue;
        }
        g_strLastAttachPath = path;
        g_attachPaths.push_back(path);
        // A ";" would break the list into pieces that name no file.
        if (path.Find(L';') < 0) g_strAttachPathList += path + L";";
    }
    return 0;
}

void DeleteAttachmentFiles() {
    for (const CString& path : g_attachPaths) {
        // Our own files carry no attributes that stop a delete; only when
        // one does is it cleared first.
        if (!DeleteFileW(path) && GetLastError() == ERROR_ACCESS_DENIED && _waccess(path, 0) == 0) {
            SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path);
        }
    }
    g_attachPaths.clear();
    // A numbered folder goes once its file has gone.
    for (const CString& folder : g_sameNameFolders) RemoveDirectoryW(folder);
    g_sameNameFolders.clear();
}
