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
#include "reader/attachment_writer.h"
#include "reader/store_text.h"

CString g_strLastAttachPath;
CString g_strAttachPathList;

namespace {

// Files released by their item and not yet deleted.
std::set<std::wstring> g_releasedFiles;

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
std::string AnsiName(const CString& wide) {
    const int units = wide.GetLength();
    if (units == 0) return std::string();
    std::vector<char> ansi(static_cast<size_t>(units) * 2 + 2, '\0');
    const size_t bytes = WideToAnsi(wide.GetString(), static_cast<size_t>(units), ansi.data(), ansi.size() - 1);
    return std::string(ansi.data(), bytes);
}

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
        CreateDirectoryW(subfolder, nullptr);
        path = subfolder + L"\\" + name;
    }
    used.insert(LowerCase(path));
    return path;
}

// The file opened for writing from its start, created when missing. The old
// content beyond the new is cut when the file is finished (FinishFile):
// truncating on open costs ten times as much on some systems, and the same
// names come back item after item.
FILE* OpenForRewrite(const CString& path) {
    HANDLE handle = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    FILE* file = _fdopen(descriptor, "wb");
    if (file == nullptr) _close(descriptor);
    return file;
}

// Cuts the file after what was written and closes it.
void FinishFile(FILE* file) {
    std::fflush(file);
    SetEndOfFile(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))));
    std::fclose(file);
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
    g_strAttachPathList.Empty();
    g_strLastAttachPath.Empty();
    if (record == nullptr) return 0;
    record->pAttachCursor = record->pAttachments;
    std::set<std::wstring> used;

    for (; record->pAttachCursor != nullptr; record->pAttachCursor = record->pAttachCursor->pNext) {
        AttachmentNode* node = record->pAttachCursor;
        if (!HasText(node->txAttachLongFilename)) continue;
        const CString name = WidenStoreText(node->txAttachLongFilename);
        if (CheckFileName(AnsiName(name).c_str()) != 0 || !WideNameStaysInFolder(name)) continue;

        const CString path = PathForName(g_pstExporter.m_strTempFolder, name, used);
        if (path.GetLength() >= MAX_PATH) continue;   // no such file can be made; the others still can
        g_releasedFiles.erase(std::wstring(path.GetString()));   // in use again
        FILE* file = OpenForRewrite(path);
        if (file == nullptr) {
            record->pAttachCursor = nullptr;
            return 0;
        }
        try {
            WriteAttachmentToFile(file, node);
        } catch (...) {
            FinishFile(file);
            record->pAttachCursor = nullptr;
            throw;
        }
        FinishFile(file);
        g_strLastAttachPath = path;
        g_strAttachPathList += path + L";";
    }
    return 0;
}

void ReleaseAttachmentFiles(const CString& pathList) {
    const std::wstring list(pathList.GetString());
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find(L';', start);
        if (end == std::wstring::npos) end = list.size();
        if (end > start) g_releasedFiles.insert(list.substr(start, end - start));
        start = end + 1;
    }
}

void DeleteReleasedAttachmentFiles() {
    for (const std::wstring& path : g_releasedFiles) {
        // Our own files carry no attributes that stop a delete; only when
        // one does is it cleared first.
        if (!DeleteFileW(path.c_str()) && GetLastError() == ERROR_ACCESS_DENIED && _waccess(path.c_str(), 0) == 0) {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
        // A numbered folder of a same-named file goes with it once empty.
        const size_t slash = path.find_last_of(L'\\');
        if (slash != std::wstring::npos && path.find(kSameNameFolderPrefix) != std::wstring::npos)
            RemoveDirectoryW(path.substr(0, slash).c_str());
    }
    g_releasedFiles.clear();
}
