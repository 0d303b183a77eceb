// The item writer "loomcraft.Class1": creates a new personal store and
// stores folders and items in it, one call per operation, by dispatch id or
// by name. A writer reaches only the store it created.
#pragma once
#include <memory>

#include "components/attachment_files.h"
#include "components/dispatch_object.h"
#include "components/open_store.h"

namespace components {

enum ItemWriterDispid : DISPID {
    kDispBeginBatch = 0x6003002A,
    kDispCreateStore = 0x6003002B,
    kDispCreateFolder = 0x6003002C,
    kDispSaveMail = 0x6003002D,
    kDispOpenFolder = 0x6003002E,
    kDispCloseFolder = 0x6003002F,
    kDispSaveAppointment = 0x60030031,
    kDispEndBatch = 0x60030035,
    kDispSaveJournal = 0x60030039,
    kDispSaveTask = 0x6003003A,
    kDispSaveNote = 0x6003003B,
    kDispAddAttachment = 0x6003003C,
};

extern const LibraryInfo kItemWriterLibrary;

class ItemWriter : public DispatchObject {
public:
    ItemWriter() = default;

protected:
    ~ItemWriter() override;
    void Call(const MemberInfo& member, WORD kind, const DispatchArgs& args, VARIANT& result) override;
    const InterfaceInfo& Interface() const override;

private:
    void CreateStore(const std::wstring& path, const std::wstring& displayName);
    // The folder a path names in this writer's own store.
    FolderRef Folder(const std::wstring& folderPath) const;
    void SaveMail(const DispatchArgs& args);
    void SaveAppointment(const DispatchArgs& args);
    void SaveJournal(const DispatchArgs& args);
    void SaveTask(const DispatchArgs& args);
    void SaveNote(const DispatchArgs& args);
    // One more file for the item stored last.
    void AddAttachment(const std::wstring& path);

    // The item stored last waits here until the next call other than
    // AddAttachment (or the writer's end), so that files can still be added
    // to it; its attachment bytes are read when it is stored by its call.
    struct HeldItem {
        FolderRef folder;
        std::string messageClass;
        MessageFill fill;
        std::vector<AttachmentFile> files;
    };
    void Hold(const FolderRef& folder, const std::string& messageClass, MessageFill fill,
              const HeldAttachments& files);
    void StoreHeld();

    std::shared_ptr<OpenStore> store_;       // the store of the last CreateStore
    FolderRef openFolder_;
    std::unique_ptr<HeldItem> held_;
    std::string heldFailure_;   // why the last held item could not be stored, until EndBatch tells it
};

}  // namespace components
