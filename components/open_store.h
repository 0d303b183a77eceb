// The stores the item writer has created in this process, by display name,
// so that the session library's log-on finds them as it would in a mail
// profile. Both component files load the one module that holds this
// registry, so both see the same stores.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "components/store_session.h"

namespace components {

// A PST folder path: two backslashes, the store's display name, then the
// folder names, each after a backslash ("\\Store\Inbox\Sub").
struct FolderPath {
    std::wstring storeName;
    std::vector<std::wstring> folders;
};
// Throws std::invalid_argument when the text is not such a path.
FolderPath ParseFolderPath(const std::wstring& text);

class OpenStore {
public:
    OpenStore(const std::wstring& path, const std::wstring& displayName);

    const std::wstring& DisplayName() const { return displayName_; }

    // The folder a path's names lead to below the top of the store: a
    // top-level "Deleted Items" is the store's own. With create, missing
    // folders (parents too) are made; otherwise a missing one throws.
    uint32_t Folder(const std::vector<std::wstring>& names, bool create);
    // An item of a class; the first item of a folder the components made
    // gives the folder the matching container class.
    void AddItem(uint32_t folder, const std::string& messageClass, MessageFill fill,
                 const std::vector<AttachmentFile>& attachments);
    void Checkpoint();
    void Close();

private:
    std::wstring displayName_;
    std::unique_ptr<StoreSession> session_;
    std::map<std::wstring, uint32_t> folders_;      // folded path ("INBOX\SUB") -> folder id
    std::map<uint32_t, int> itemCounts_;            // folders made here -> items added
    std::mutex mutex_;
};

class StoreRegistry {
public:
    static StoreRegistry& Instance();

    // A new store; one still open under the same display name is closed first.
    std::shared_ptr<OpenStore> Create(const std::wstring& path, const std::wstring& displayName);
    std::shared_ptr<OpenStore> Find(const std::wstring& displayName);
    // Closes the store and forgets it.
    void Close(const std::shared_ptr<OpenStore>& store);
    size_t Count();

private:
    std::map<std::wstring, std::shared_ptr<OpenStore>> stores_;   // folded display name
    std::mutex mutex_;
};

}  // namespace components

namespace components {

struct FolderRef {
    std::shared_ptr<OpenStore> store;
    uint32_t folder = 0;
};
// The folder a PST folder path names, in the open store of that display
// name; create makes missing folders. Throws when there is no such store
// (or, without create, no such folder).
FolderRef ResolveFolder(const std::wstring& pstFolderPath, bool create);

}  // namespace components
