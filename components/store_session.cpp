// The store writer streams the new store into its file: a checkpoint makes
// the file a complete store of everything added so far, and a process that
// stops later leaves that store behind.
#include "components/store_session.h"

#include <windows.h>

#include <stdexcept>

#include "components/dispatch_object.h"
#include "components/text_convert.h"
#include "format/props.h"

namespace components {

namespace {

// Messages committed together at most: their payloads wait in memory until then.
constexpr size_t kMaxPendingMessages = 256;

writer::StoreOptions UnicodePstOptions() {
    writer::StoreOptions options;
    options.variant = writer::Variant::Unicode;
    options.ost = false;
    return options;
}

class StreamingSession : public StoreSession {
public:
    StreamingSession(const std::filesystem::path& path, const std::u16string& displayName)
        : path_(Utf8FromWide(path.wstring())), builder_(UnicodePstOptions(), displayName) {
        if (!builder_.StreamTo(path_)) {
            const int code = builder_.FileErrorCode();
            const bool exists = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
            throw CallError(code ? HRESULT_FROM_WIN32(static_cast<DWORD>(code)) : E_FAIL,
                            "The store file " + path_ + " cannot be created: " + builder_.FileError() +
                                (exists ? ". A new store is never written over an existing file." : "."));
        }
        Checkpoint();
    }

    uint32_t IpmSubtree() const override { return builder_.IpmSubtree(); }
    uint32_t DeletedItems() const override { return builder_.DeletedItems(); }

    uint32_t AddFolder(uint32_t parent, const std::u16string& name, const std::string& containerClass) override {
        Open();
        return builder_.AddFolder(parent, name, containerClass);
    }

    void SetContainerClass(uint32_t folder, const std::string& containerClass) override {
        Open();
        builder_.FolderProperties(folder).SetString(fmt::kPidContainerClass,
                                                    std::u16string(containerClass.begin(), containerClass.end()));
    }

    void AddMessage(uint32_t folder, const std::string& messageClass, MessageFill fill,
                    const std::vector<AttachmentFile>& attachments) override {
        Open();
        Fill(builder_.AddMessage(folder, messageClass), fill, attachments);
    }

    uint32_t PutMessage(uint32_t folder, const std::string& messageClass, MessageFill fill,
                        const std::vector<AttachmentFile>& attachments, uint32_t replaces) override {
        Open();
        writer::Message& m = replaces ? builder_.ReplaceMessage(replaces, messageClass)
                                      : builder_.AddReplaceableMessage(folder, messageClass);
        const uint32_t nid = m.nid();
        Fill(m, fill, attachments);
        return nid;
    }

    void Checkpoint() override {
        Open();
        if (!builder_.Checkpoint()) throw std::runtime_error("The store " + path_ + " cannot be written: " + Reason() + ".");
        pending_ = 0;
    }

    void Close() override {
        if (closed_) return;
        closed_ = true;
        if (!builder_.Finish()) throw std::runtime_error("The store " + path_ + " cannot be finished: " + Reason() + ".");
    }

private:
    void Fill(writer::Message& m, const MessageFill& fill, const std::vector<AttachmentFile>& attachments) {
        fill(m);
        bool fromFiles = false;
        for (const AttachmentFile& a : attachments) {
            if (a.source) m.AddAttachment(a.name, writer::Bytes()).props.SetBinaryStream(fmt::kPidAttachDataBinary, a.source);
            else m.AddAttachmentFromFile(a.name, a.file);
            fromFiles = true;
        }
        // Attachment files are read when their message is committed, and the
        // caller may delete them as soon as this returns.
        if (fromFiles || ++pending_ >= kMaxPendingMessages) {
            builder_.Commit();
            pending_ = 0;
        }
    }

    std::string Reason() const {
        const std::string reason = builder_.FileError();
        return reason.empty() ? "the file could not be written" : reason;
    }
    void Open() const {
        if (closed_) throw std::runtime_error("The store " + path_ + " is closed.");
    }

    std::string path_;
    writer::StoreBuilder builder_;
    size_t pending_ = 0;
    bool closed_ = false;
};

}  // namespace

std::unique_ptr<StoreSession> CreateStoreSession(const std::filesystem::path& path, const std::u16string& displayName) {
    return std::make_unique<StreamingSession>(path, displayName);
}

}  // namespace components
