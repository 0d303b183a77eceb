// Today's store writer lays a store out once, when the file is written, and
// takes nothing afterwards. Until it writes as it goes, a checkpoint here
// rebuilds the whole store from a journal of what was added, writes it
// beside the target and moves it over the target in one step, so the file
// on disk is always a complete store of the last checkpoint.
#include "components/store_session.h"

#include <windows.h>
#include <objbase.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "components/text_convert.h"
#include "format/props.h"

namespace components {

namespace {

using Step = std::function<void(writer::StoreBuilder&)>;
using SharedBytes = std::shared_ptr<const writer::Bytes>;

writer::StoreOptions UnicodePstOptions() {
    writer::StoreOptions options;
    options.variant = writer::Variant::Unicode;
    options.ost = false;
    return options;
}

writer::Bytes NewRecordKey() {
    GUID g;
    if (FAILED(CoCreateGuid(&g))) throw std::runtime_error("No record key could be made for the new store.");
    const auto* p = reinterpret_cast<const uint8_t*>(&g);
    return writer::Bytes(p, p + sizeof g);
}

SharedBytes ReadWholeFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("The attachment file " + Utf8FromWide(file.wstring()) + " cannot be read.");
    auto bytes = std::make_shared<writer::Bytes>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return bytes;
}

class JournalSession : public StoreSession {
public:
    JournalSession(std::filesystem::path path, std::u16string displayName)
        : path_(std::move(path)),
          displayName_(std::move(displayName)),
          recordKey_(NewRecordKey()),
          folderIds_(UnicodePstOptions(), displayName_) {
        Checkpoint();
    }

    uint32_t IpmSubtree() const override { return folderIds_.IpmSubtree(); }
    uint32_t DeletedItems() const override { return folderIds_.DeletedItems(); }

    uint32_t AddFolder(uint32_t parent, const std::u16string& name, const std::string& containerClass) override {
        Open();
        const uint32_t nid = folderIds_.AddFolder(parent, name, containerClass);
        Append([=](writer::StoreBuilder& b) { b.AddFolder(parent, name, containerClass, nid); });
        return nid;
    }

    void SetContainerClass(uint32_t folder, const std::string& containerClass) override {
        Open();
        const std::u16string cls(containerClass.begin(), containerClass.end());
        Append([=](writer::StoreBuilder& b) { b.FolderProperties(folder).SetString(fmt::kPidContainerClass, cls); });
    }

    void AddMessage(uint32_t folder, const std::string& messageClass, MessageFill fill,
                    const std::vector<AttachmentFile>& attachments) override {
        Open();
        std::vector<std::pair<std::u16string, SharedBytes>> files;
        for (const AttachmentFile& a : attachments) files.emplace_back(a.name, ReadWholeFile(a.file));
        Append([=](writer::StoreBuilder& b) {
            writer::Message& m = b.AddMessage(folder, messageClass);
            fill(m);
            for (const auto& f : files) m.AddAttachment(f.first, *f.second);
        });
    }

    void Checkpoint() override {
        if (!dirty_) return;
        writer::StoreBuilder b(UnicodePstOptions(), displayName_);
        b.SetRecordKey(recordKey_);
        size_t n = 0;
        for (const Step& step : journal_) {
            step(b);
            if (++n % 256 == 0) b.Commit();      // keeps the messages' payloads few
        }
        std::filesystem::path partial = path_;
        partial += L".partial";
        if (!b.WriteFile(Utf8FromWide(partial.wstring())))
            throw std::runtime_error("The store " + Utf8FromWide(path_.wstring()) + " cannot be written.");
        if (!MoveFileExW(partial.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            DeleteFileW(partial.c_str());
            throw std::runtime_error("The store " + Utf8FromWide(path_.wstring()) + " cannot be replaced.");
        }
        dirty_ = false;
    }

    void Close() override {
        if (closed_) return;
        Checkpoint();
        closed_ = true;
        journal_.clear();
    }

private:
    void Open() const {
        if (closed_) throw std::runtime_error("The store is closed.");
    }
    void Append(Step step) {
        journal_.push_back(std::move(step));
        dirty_ = true;
    }

    std::filesystem::path path_;
    std::u16string displayName_;
    writer::Bytes recordKey_;
    writer::StoreBuilder folderIds_;        // hands out folder ids; never written
    std::vector<Step> journal_;
    bool dirty_ = true;
    bool closed_ = false;
};

}  // namespace

std::unique_ptr<StoreSession> CreateStoreSession(const std::filesystem::path& path, const std::u16string& displayName) {
    return std::make_unique<JournalSession>(path, displayName);
}

}  // namespace components
