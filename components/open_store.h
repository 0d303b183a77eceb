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

// Throws std::invalid_argument when a store cannot take this display name:
// folder paths name the store by it, so it must be one folder name.
void CheckStoreDisplayName(const std::wstring& displayName);

// Throws (std::invalid_argument or CallError) when a new store cannot be
// made at this path: not a full path, a device ("NUL", "nul.pst",
// "\\.\COM1") or a folder. (A file that exists is refused when the store
// is made: it is created new, so no file made meanwhile is written over.)
void CheckStorePath(const std::wstring& path);

class OpenStore {
public:
    OpenStore(const std::wstring& path, const std::wstring& displayName);

    const std::wstring& DisplayName() const { return displayName_; }
    const std::wstring& Path() const { return path_; }

    // The folder a path's names lead to below the top of the store: a
    // top-level "Deleted Items" is the store's own. With create, missing
    // folders (parents too) are made; otherwise a missing one throws.
    uint32_t Folder(const std::vector<std::wstring>& names, bool create);
    // An item of a class; the first item of a folder the components made
    // gives the folder the matching container class.
    void AddItem(uint32_t folder, const std::string& messageClass, MessageFill fill,
                 const std::vector<AttachmentFile>& attachments);
    // An item that a later call naming its id stores anew (a contact saved
    // again): replaces 0 adds it. Returns its id.
    uint32_t PutItem(uint32_t folder, const std::string& messageClass, MessageFill fill,
                     const std::vector<AttachmentFile>& attachments, uint32_t replaces);
    void Checkpoint();
    void Close();

private:
    // The first item of a folder the components made gives it its class.
    void ClassFromFirstItem(uint32_t folder, const std::string& messageClass);

    std::wstring displayName_;
    std::wstring path_;
    std::unique_ptr<StoreSession> session_;
    std::map<std::wstring, uint32_t> folders_;      // folded path ("INBOX\SUB") -> folder id
    std::map<uint32_t, int> itemCounts_;            // folders made here -> items added
    std::mutex mutex_;
};

class StoreRegistry {
public:
    static StoreRegistry& Instance();

    // A new store to take the place of the caller's previous one (may be
    // null), which may have the same display name; the caller closes the
    // previous one. Throws, naming the name or the file, when another store
    // of the process is open under the display name or in the file, or when
    // the store cannot be made; the previous one is then kept as it was.
    std::shared_ptr<OpenStore> Create(const std::wstring& path, const std::wstring& displayName,
                                      const std::shared_ptr<OpenStore>& previous);
    std::shared_ptr<OpenStore> Find(const std::wstring& displayName);
    // Closes the store and forgets it.
    void Close(const std::shared_ptr<OpenStore>& store);
    size_t Count();

private:
    struct Entry {
        std::shared_ptr<OpenStore> store;
        std::wstring pathKey;      // the full path, long names, folded
        std::wstring fileId;       // the file's volume and index: the same file under any name
    };
    std::map<std::wstring, Entry> stores_;   // folded display name
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
// The same within one store: throws when the path names another.
FolderRef ResolveFolderIn(const std::shared_ptr<OpenStore>& store, const std::wstring& pstFolderPath, bool create);

}  // namespace components
