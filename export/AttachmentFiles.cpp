#include "export/AttachmentFiles.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "export/ExportText.h"
#include "export/LoomcraftDriver.h"
#include "export/SaveFileLane.h"
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

const wchar_t kUnusableName[] = L"An attachment's name cannot be the name of a file.";
const wchar_t kNoFileName[] = L"An attachment without a file name (an embedded message or an object) cannot be "
                              L"handed to the components.";
const wchar_t kNotWritten[] = L"An attachment could not be written to a file for the components.";

// The numbered folders made for the latest call's files.
std::vector<CString> g_sameNameFolders;
// Files posted for deleting since the lane last had nothing to do (by
// lower-case path), and the last such post: a file of the same name waits
// for the deletes before it is written.
std::set<std::wstring> g_pendingDeletes;
uint64_t g_lastDeletePost = 0;
// Released files kept for later items, oldest first: the same names come
// back item after item (a signature's picture), and writing over a file
// costs under half of making a new one and deleting it (under Wine). Only
// this many are kept, so that the folder stays small: a new name is looked
// up in the whole folder. They stay open, so that writing one over costs no
// open and no close (each a round trip to Wine's server); the item writer
// opens them for reading beside our handle.
struct HeldFile {
    CString path;
    FILE* file;
    uint64_t size;   // the bytes it holds
};
std::deque<HeldFile> g_keptFiles;
const size_t kKeptFiles = 16;
// The open files of the latest call, in the order of g_attachPaths.
std::vector<HeldFile> g_latestFiles;

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
        // A released numbered folder may be on its way out: it goes first.
        save_lane::WaitForAll();
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

// The file opened for writing from its start, created when missing;
// oldSize is what it held before (its old content beyond the new is cut when
// the file is finished: truncating on open costs ten times as much on some
// systems).
FILE* OpenForRewrite(const CString& path, uint64_t& oldSize) {
    HANDLE handle = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    oldSize = 0;
    LARGE_INTEGER size;
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        oldSize = GetFileSizeEx(handle, &size) ? static_cast<uint64_t>(size.QuadPart) : ~uint64_t{0};
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    FILE* file = _fdopen(descriptor, "wb");
    if (file == nullptr) {
        _close(descriptor);
        return nullptr;
    }
    // One write call for most files, not one per 4 KiB.
    std::setvbuf(file, nullptr, _IOFBF, size_t(256) << 10);
    return file;
}

// Puts what was written with the system and cuts what a longer old file
// held beyond it; the system's error when any write failed, else 0.
DWORD FinishFile(FILE* file, uint64_t oldSize, uint64_t written) {
    DWORD error = 0;
    if (std::fflush(file) != 0 || std::ferror(file) != 0) error = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
    if (oldSize > written && !SetEndOfFile(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) && error == 0)
        error = GetLastError();
    return error;
}

// True when the attachment's bytes are neither in memory nor reachable in
// the store although it names a data block.
bool DataUnreachable(const AttachmentNode* node) {
    return node->pData == nullptr && node->bidData != ~uint64_t{0} && FindBlock(&g_storeFile, node->bidData) == nullptr;
}

// Writes one attachment's bytes into the file at path, or over the bytes of
// the open file `reuse` of that path; 0 with the open file in `out`, or the
// system's error (ERROR_READ_FAULT when the store could not give the bytes).
// A file that did not get all its bytes is closed and deleted again.
DWORD WriteOneFile(const CString& path, AttachmentNode* node, const HeldFile* reuse, HeldFile& out) {
    if (DataUnreachable(node)) {
        if (reuse != nullptr) {
            // The old bytes must not pass for these.
            std::fclose(reuse->file);
            DeleteFileW(path);
        }
        return ERROR_READ_FAULT;
    }
    uint64_t oldSize = 0;
    FILE* file = nullptr;
    if (reuse != nullptr) {
        file = reuse->file;
        oldSize = reuse->size;
        std::clearerr(file);
        if (_fseeki64(file, 0, SEEK_SET) != 0) {
            std::fclose(file);
            file = nullptr;
        }
    }
    if (file == nullptr) file = OpenForRewrite(path, oldSize);
    if (file == nullptr) return GetLastError() != 0 ? GetLastError() : ERROR_CANNOT_MAKE;
    NoteSaveFile(path);
    DWORD error = 0;
    uint64_t written = 0;
    SetLastError(0);
    try {
        written = WriteAttachmentToFile(file, node);
        if (node->pData != nullptr && written < node->cbData) error = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
    } catch (...) {
        error = ERROR_READ_FAULT;
    }
    // What was written, whatever the count says: the file's own position.
    const int64_t at = _ftelli64(file);
    if (at >= 0 && static_cast<uint64_t>(at) != written) written = static_cast<uint64_t>(at);
    const DWORD finish = FinishFile(file, oldSize, written);
    if (error == 0) error = finish;
    if (error != 0) {
        std::fclose(file);
        DeleteFileW(path);
        return error;
    }
    out = HeldFile{path, file, written};
    return 0;
}

// Closes the files and deletes them, and then the folders, on the save's
// file lane.
void DeleteOnLane(std::vector<HeldFile> files, std::vector<CString> folders);

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

void CountAttachmentsNotWritten(const ItemRecord& record) {
    for (const AttachmentNode* node = record.pAttachCursor; node != nullptr; node = node->pNext)
        if ((HasText(node->txAttachLongFilename) || node->nAttachMethod != 0) && !node->bUnreadable)
            g_saveLosses.Attachment(0, kNotWritten);
}

int SaveAttachmentsToTempFiles(ItemRecord* record) {
    ReleaseAttachmentFiles();   // an exporter that did not release its own
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
        // Without a long file name the short one serves. A recipient row has
        // no attach method; an attachment without any file name (an
        // embedded message, an object) cannot go as a file.
        const StoreText& stored = HasText(node->txAttachLongFilename) ? node->txAttachLongFilename : node->txAttachFilename;
        if (!HasText(stored)) {
            if (node->nAttachMethod != 0) g_saveLosses.Attachment(0, kNoFileName);
            continue;
        }
        const CString name = WidenStoreText(stored);
        if (CheckFileName(AnsiName(name).c_str()) != 0 || !WideNameStaysInFolder(name)) {
            g_saveLosses.Attachment(0, kUnusableName);   // no file may carry that name
            continue;
        }

        const CString path = PathForName(g_pstExporter.m_strTempFolder, name, used);
        if (path.GetLength() >= MAX_PATH) {
            g_saveLosses.Attachment(ERROR_FILENAME_EXCED_RANGE);   // no such file can be made
            continue;
        }
        // A kept file of this name is written over; a released one that is
        // being deleted goes first.
        HeldFile reuse = {};
        bool reusing = false;
        for (auto kept = g_keptFiles.begin(); kept != g_keptFiles.end(); ++kept)
            if (kept->path.CompareNoCase(path) == 0) {
                reuse = *kept;
                reusing = true;
                g_keptFiles.erase(kept);
                break;
            }
        if (g_pendingDeletes.count(LowerCase(path)) != 0) {
            save_lane::WaitFor(g_lastDeletePost);
            g_pendingDeletes.clear();
        }
        // A file that cannot be written is one attachment lost; the others
        // are still tried.
        HeldFile written = {};
        const DWORD error = WriteOneFile(path, node, reusing ? &reuse : nullptr, written);
        if (error != 0) {
            g_saveLosses.Attachment(error);
            continue;
        }
        g_strLastAttachPath = path;
        g_attachPaths.push_back(path);
        g_latestFiles.push_back(written);
        // A ";" would break the list into pieces that name no file.
        if (path.Find(L';') < 0) g_strAttachPathList += path + L";";
    }
    return 0;
}

namespace {

void DeleteOnLane(std::vector<HeldFile> files, std::vector<CString> folders) {
    if (files.empty() && folders.empty()) return;
    if (save_lane::IsDone(g_lastDeletePost)) g_pendingDeletes.clear();
    g_lastDeletePost = save_lane::Post([files, folders] {
        for (const HeldFile& open : files) {
            std::fclose(open.file);
            DeleteOwnFile(std::wstring(open.path.GetString()));
        }
        // A numbered folder goes once its file has gone.
        for (const CString& folder : folders) RemoveDirectoryW(folder);
    });
    for (const HeldFile& open : files) g_pendingDeletes.insert(LowerCase(open.path));
}

}  // namespace

void ReleaseAttachmentFiles() {
    g_attachPaths.clear();
    if (g_latestFiles.empty() && g_sameNameFolders.empty()) return;
    // Files of numbered folders go with their folders; the others are kept
    // for later items, up to the bound.
    const CString& folder = g_pstExporter.m_strTempFolder;
    std::vector<HeldFile> files;
    for (const HeldFile& open : g_latestFiles) {
        const bool inFolder = open.path.GetLength() > folder.GetLength() &&
                              open.path.Left(folder.GetLength()) == folder &&
                              open.path.Find(L'\\', folder.GetLength()) < 0;
        if (inFolder)
            g_keptFiles.push_back(open);
        else
            files.push_back(open);
    }
    g_latestFiles.clear();
    for (; g_keptFiles.size() > kKeptFiles; g_keptFiles.pop_front()) files.push_back(g_keptFiles.front());
    std::vector<CString> folders;
    folders.swap(g_sameNameFolders);
    DeleteOnLane(std::move(files), std::move(folders));
}

void DeleteAttachmentFiles() {
    ReleaseAttachmentFiles();
    DeleteOnLane(std::vector<HeldFile>(g_keptFiles.begin(), g_keptFiles.end()), {});
    g_keptFiles.clear();
    save_lane::WaitForAll();
    g_pendingDeletes.clear();
}
