#include "components/open_store.h"

#include <stdexcept>

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

// ---- one store ---------------------------------------------------------------

OpenStore::OpenStore(const std::wstring& path, const std::wstring& displayName)
    : displayName_(displayName), session_(CreateStoreSession(std::filesystem::path(path), U16(displayName))) {
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

void OpenStore::AddItem(uint32_t folder, const std::string& messageClass, MessageFill fill,
                        const std::vector<AttachmentFile>& attachments) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto count = itemCounts_.find(folder);
    if (count != itemCounts_.end() && count->second == 0) {
        const std::string cls = ContainerClassFor(messageClass);
        if (!cls.empty()) session_->SetContainerClass(folder, cls);
    }
    session_->AddMessage(folder, messageClass, std::move(fill), attachments);
    if (count != itemCounts_.end()) ++count->second;
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

std::shared_ptr<OpenStore> StoreRegistry::Create(const std::wstring& path, const std::wstring& displayName) {
    std::shared_ptr<OpenStore> previous;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = stores_.find(FoldCase(displayName));
        if (it != stores_.end()) {
            previous = it->second;
            stores_.erase(it);
        }
    }
    if (previous) previous->Close();
    auto store = std::make_shared<OpenStore>(path, displayName);
    std::lock_guard<std::mutex> lock(mutex_);
    stores_[FoldCase(displayName)] = store;
    return store;
}

std::shared_ptr<OpenStore> StoreRegistry::Find(const std::wstring& displayName) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = stores_.find(FoldCase(displayName));
    return it == stores_.end() ? nullptr : it->second;
}

void StoreRegistry::Close(const std::shared_ptr<OpenStore>& store) {
    if (!store) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = stores_.find(FoldCase(store->DisplayName()));
        if (it != stores_.end() && it->second == store) stores_.erase(it);
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

}  // namespace components
