// One new personal store being written: the only place the components meet
// the store writer. Folders and items go in as they come; Checkpoint leaves
// the file on disk complete and consistent with everything added so far,
// and adding goes on; Close makes the final file.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "writer/store_builder.h"

namespace components {

struct AttachmentFile {
    std::u16string name;            // the attachment's file name in the store
    std::filesystem::path file;     // where its bytes are
    // The bytes from the file opened already (read before AddMessage
    // returns); without it the file is opened by its path.
    std::shared_ptr<writer::DataSource> source;
};

using MessageFill = std::function<void(writer::Message&)>;

class StoreSession {
public:
    virtual ~StoreSession() = default;

    virtual uint32_t IpmSubtree() const = 0;
    virtual uint32_t DeletedItems() const = 0;
    virtual uint32_t AddFolder(uint32_t parent, const std::u16string& name, const std::string& containerClass) = 0;
    virtual void SetContainerClass(uint32_t folder, const std::string& containerClass) = 0;
    // fill sets the message's properties.
    virtual void AddMessage(uint32_t folder, const std::string& messageClass, MessageFill fill,
                            const std::vector<AttachmentFile>& attachments) = 0;
    // A message that a later PutMessage naming its id replaces (an item
    // saved again); replaces 0 adds a new one. Returns the message's id.
    virtual uint32_t PutMessage(uint32_t folder, const std::string& messageClass, MessageFill fill,
                                const std::vector<AttachmentFile>& attachments, uint32_t replaces) = 0;
    virtual void Checkpoint() = 0;          // throws std::runtime_error when the file cannot be written
    virtual void Close() = 0;               // the final file; nothing is added afterwards
};

// A new Unicode personal store at path under the display name; the file
// exists (empty of items) when this returns.
std::unique_ptr<StoreSession> CreateStoreSession(const std::filesystem::path& path, const std::u16string& displayName);

}  // namespace components
