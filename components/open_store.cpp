#include "components/open_store.h"

#include <windows.h>

#include <stdexcept>

#include "components/dispatch_object.h"
#include "components/text_convert.h"

namespace components {

namespace {
const wchar_t kDeletedItems[] = L"Deleted Items";

// The container class a folder gets from its first item.
std::string ContainerClassFor(const std::string& messageClass) {
    if (messageClass == "IPM.Appointment") return "IPF.Appointment";
    if (messageClass == "IPM.Contact") return "IPF.Contact";
    if (messageClass == "IPM.Task") return "IPF.Task";
    if (messageClass == "IPM.Activity") return "IPF.Journal";
    if (messageClass == "IPM.StickyNote") return "IPF.StickyNote";
    return {};
}
}  // namespace

FolderPath ParseFolderPath(const std::wstring& text) {
    if (text.size() < 3 || text[0] != L'\\' || text[1] != L'\\')
        throw std::invalid_argument("A folder path begins with two backslashes and the store name.");
    FolderPath path;
    size_t start = 2;
    bool first = true;
    while (start <= text.size()) {
        size_t end = text.find(L'\\', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring name = text.substr(start, end - start);
        if (first) {
            if (name.empty()) throw std::invalid_argument("The folder path names no store.");
            path.storeName = name;
            first = false;
        } else if (!name.empty()) {        // a trailing or doubled backslash names nothing
            path.folders.push_back(name);
        }
        start = end + 1;
    }
    return path;
}

void CheckStoreDisplayName(const std::wstring& displayName) {
    if (displayName.empty()) throw std::invalid_argument("A store needs a display name.");
    const std::string quoted = "The display name \"" + Utf8FromWide(displayName) + "\"";
    if (displayName.find(L'\\') != std::wstring::npos)
        throw std::invalid_argument(quoted + " holds a backslash, which separates the names of a folder path; "
                                    "a store's display name is one name.");
    for (wchar_t c : displayName)
        if (c < 0x20) throw std::invalid_argument(quoted + " holds a control character.");
}

namespace {
// A full path: a drive and its root folder, or a network share.
bool IsFullPath(const std::wstring& path) {
    const bool drive = path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    const bool share = path.size() >= 3 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
    return drive || share;
}

std::wstring FullPath(const std::wstring& path) {
    std::wstring out(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(out.size()), &out[0], nullptr);
        if (n == 0) return path;
        if (n < out.size()) return out.substr(0, n);
        out.resize(n + 1);
    }
}

std::wstring LongPath(const std::wstring& path) {
    std::wstring out(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetLongPathNameW(path.c_str(), &out[0], static_cast<DWORD>(out.size()));
        if (n == 0) return {};
        if (n < out.size()) return out.substr(0, n);
        out.resize(n + 1);
    }
}

// One spelling for every way of writing the same file's path: full, with
// long names (of its folder when the file is not there yet), one case.
std::wstring PathKey(const std::wstring& path) {
    const std::wstring full = FullPath(path);
    std::wstring key = LongPath(full);
    if (key.empty()) {
        const size_t slash = full.find_last_of(L"\\/");
        const std::wstring folder = slash == std::wstring::npos ? std::wstring() : LongPath(full.substr(0, slash));
        key = folder.empty() ? full : folder + full.substr(slash);
    }
    return FoldCase(key);
}

// The volume and index of an existing file, which every path to it shares
// (another drive letter for the same folder, a link); empty when there is
// no such file.
std::wstring FileId(const std::wstring& path) {
    const HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok) return {};
    return std::to_wstring(info.dwVolumeSerialNumber) + L":" + std::to_wstring(info.nFileIndexHigh) + L":" +
           std::to_wstring(info.nFileIndexLow);
}
// A name Windows keeps for a device in every folder, with any extension:
// "NUL", "nul.pst", "COM1.txt".
bool IsDeviceName(const std::wstring& fileName) {
    std::wstring stem = fileName.substr(0, fileName.find_first_of(L".:"));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    stem = FoldCase(stem);
    static const wchar_t* const kNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
    for (const wchar_t* name : kNames)
        if (stem == name) return true;
    if (stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0)) {
        const wchar_t n = stem[3];
        return (n >= L'0' && n <= L'9') || n == 0x00B9 || n == 0x00B2 || n == 0x00B3;
    }
    return false;
}

// The device namespace ("\\.\NUL", "\\.\pipe\x") and the raw one except
// for its drive and share forms ("\\?\C:\...", "\\?\UNC\...").
bool IsDeviceNamespace(const std::wstring& path) {
    auto sep = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (path.size() < 4 || !sep(path[0]) || !sep(path[1]) || !sep(path[3])) return false;
    if (path[2] == L'.') return true;
    if (path[2] != L'?') return false;
    const std::wstring rest = FoldCase(path.substr(4));
    const bool drive = rest.size() >= 3 && iswalpha(rest[0]) && rest[1] == L':' && sep(rest[2]);
    return !drive && rest.compare(0, 4, L"UNC\\") != 0;
}
}  // namespace

void CheckStorePath(const std::wstring& path) {
    if (path.empty()) throw std::invalid_argument("A store needs a file path.");
    const std::string quoted = "The store path \"" + Utf8FromWide(path) + "\"";
    if (!IsFullPath(path))
        throw std::invalid_argument(quoted + " is not a full path: give the drive or network share, the folders and the file name.");
    const size_t slash = path.find_last_of(L"\\/");
    const std::wstring fileName = slash == std::wstring::npos ? path : path.substr(slash + 1);
    if (IsDeviceNamespace(path) || IsDeviceName(fileName))
        throw std::invalid_argument(quoted + " names a device, not a file: give a file name such as \"Mail.pst\".");
    if (fileName.empty()) throw std::invalid_argument(quoted + " names a folder: give the file name too.");
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw CallError(HRESULT_FROM_WIN32(ERROR_DIRECTORY), quoted + " names a folder, not a file.");
}

// ---- one store ---------------------------------------------------------------

OpenStore::OpenStore(const std::wstring& path, const std::wstring& displayName)
    : displayName_(displayName), path_(path), session_(CreateStoreSession(std::filesystem::path(path), U16(displayName))) {
    folders_[FoldCase(kDeletedItems)] = session_->DeletedItems();
}

uint32_t OpenStore::Folder(const std::vector<std::wstring>& names, bool create) {
    std::lock_guard<std::mutex> lock(mutex_);
    uint32_t folder = session_->IpmSubtree();
    std::wstring key;
    for (const std::wstring& name : names) {
        if (!key.empty()) key += L'\\';
        key += FoldCase(name);
        auto it = folders_.find(key);
        if (it != folders_.end()) {
            folder = it->second;
            continue;
        }
        if (!create) throw std::runtime_error("The folder " + Utf8FromWide(name) + " does not exist.");
        folder = session_->AddFolder(folder, U16(name), "IPF.Note");
        folders_.emplace(key, folder);
        itemCounts_.emplace(folder, 0);
    }
    return folder;
}

void OpenStore::ClassFromFirstItem(uint32_t folder, const std::string& messageClass) {
    auto count = itemCounts_.find(folder);
    if (count == itemCounts_.end()) return;
    if (count->second++ == 0) {
        const std::string cls = ContainerClassFor(messageClass);
        if (!cls.empty()) session_->SetContainerClass(folder, cls);
    }
}

void OpenStore::AddItem(uint32_t folder, const std::string& messageClass, MessageFill fill,
                        const std::vector<AttachmentFile>& attachments) {
    std::lock_guard<std::mutex> lock(mutex_);
    ClassFromFirstItem(folder, messageClass);
    session_->AddMessage(folder, messageClass, std::move(fill), attachments);
}

uint32_t OpenStore::PutItem(uint32_t folder, const std::string& messageClass, MessageFill fill,
                            const std::vector<AttachmentFile>& attachments, uint32_t replaces) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!replaces) ClassFromFirstItem(folder, messageClass);
    return session_->PutMessage(folder, messageClass, std::move(fill), attachments, replaces);
}

void OpenStore::Checkpoint() {
    std::lock_guard<std::mutex> lock(mutex_);
    session_->Checkpoint();
}

void OpenStore::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    session_->Close();
}

// ---- the registry ------------------------------------------------------------

StoreRegistry& StoreRegistry::Instance() {
    static StoreRegistry registry;
    return registry;
}

std::shared_ptr<OpenStore> StoreRegistry::Create(const std::wstring& path, const std::wstring& displayName,
                                                 const std::shared_ptr<OpenStore>& previous) {
    CheckStorePath(path);
    CheckStoreDisplayName(displayName);
    const std::wstring key = PathKey(path), id = FileId(path);
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& s : stores_) {
        if (s.second.pathKey == key || (!id.empty() && s.second.fileId == id))
            throw CallError(HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION),
                            "The store file " + Utf8FromWide(path) + " is already open in this process, as the store \"" +
                                Utf8FromWide(s.second.store->DisplayName()) + "\".");
        if (s.second.store != previous && s.first == FoldCase(displayName))   // the caller's own gives way
            throw CallError(HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS),
                            "A store named \"" + Utf8FromWide(displayName) + "\" is already open in this process (file " +
                                Utf8FromWide(s.second.store->Path()) + ").");
    }
    // Made before the previous one is let go: a store that cannot be made
    // leaves the caller's as it was.
    auto store = std::make_shared<OpenStore>(path, displayName);
    for (auto it = stores_.begin(); it != stores_.end(); ++it)
        if (previous && it->second.store == previous) {
            stores_.erase(it);
            break;
        }
    stores_[FoldCase(displayName)] = Entry{store, key, FileId(path)};
    return store;
}

std::shared_ptr<OpenStore> StoreRegistry::Find(const std::wstring& displayName) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = stores_.find(FoldCase(displayName));
    return it == stores_.end() ? nullptr : it->second.store;
}

void StoreRegistry::Close(const std::shared_ptr<OpenStore>& store) {
    if (!store) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = stores_.find(FoldCase(store->DisplayName()));
        if (it != stores_.end() && it->second.store == store) stores_.erase(it);
    }
    store->Close();
}

size_t StoreRegistry::Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return stores_.size();
}

}  // namespace components

namespace components {

FolderRef ResolveFolder(const std::wstring& pstFolderPath, bool create) {
    const FolderPath path = ParseFolderPath(pstFolderPath);
    FolderRef ref;
    ref.store = StoreRegistry::Instance().Find(path.storeName);
    if (!ref.store) throw std::runtime_error("No open store is named " + Utf8FromWide(path.storeName) + ".");
    ref.folder = ref.store->Folder(path.folders, create);
    return ref;
}

FolderRef ResolveFolderIn(const std::shared_ptr<OpenStore>& store, const std::wstring& pstFolderPath, bool create) {
    if (!store) throw std::logic_error("This item writer has no store: CreateStore comes first.");
    const FolderPath path = ParseFolderPath(pstFolderPath);
    if (FoldCase(path.storeName) != FoldCase(store->DisplayName()))
        throw std::invalid_argument("The folder path " + Utf8FromWide(pstFolderPath) + " names the store \"" +
                                    Utf8FromWide(path.storeName) + "\", but this item writer's store is \"" +
                                    Utf8FromWide(store->DisplayName()) + "\".");
    FolderRef ref;
    ref.store = store;
    ref.folder = store->Folder(path.folders, create);
    return ref;
}

}  // namespace components
