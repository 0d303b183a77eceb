#include "components/item_writer.h"

#include <algorithm>
#include <cstring>

#include "components/attachment_files.h"
#include "components/class_ids.h"
#include "components/item_content.h"
#include "components/text_convert.h"
#include "writer/msg_items.h"

namespace components {

namespace {
constexpr int32_t kTaskNotStarted = 0;
constexpr int32_t kNoteYellow = 3;

// PidTagReceivedByName, -AddressType, -EmailAddress ([MS-OXOMSG]).
constexpr uint16_t kPidReceivedByName = 0x0040;
constexpr uint16_t kPidReceivedByAddressType = 0x0075;
constexpr uint16_t kPidReceivedByEmailAddress = 0x0076;

constexpr ParamType kText = ParamType::Text;
constexpr ParamType kInteger = ParamType::Integer;

const MemberInfo kMembers[] = {
    {kDispBeginBatch, L"BeginBatch", MemberKind::Method, ResultType::Variant,
     L"Begins a group of calls; EndBatch ends it.", {}},
    {kDispCreateStore, L"CreateStore", MemberKind::Method, ResultType::Text,
     L"Creates a new personal store file under a display name; folder paths begin with two backslashes and that name.",
     {{L"Path", kText}, {L"DisplayName", kText}}},
    {kDispCreateFolder, L"CreateFolder", MemberKind::Method, ResultType::Text,
     L"Makes the folder of a folder path (\\\\Store\\Folder\\Sub) and its missing parents.", {{L"FolderPath", kText}}},
    {kDispSaveMail, L"SaveMail", MemberKind::Method, ResultType::Text,
     L"Stores a mail. BodyType: 0 plain text, 1 HTML, 3 RTF.",
     {{L"FolderPath", kText}, {L"Subject", kText}, {L"Recipients", kText}, {L"HeaderFile", kText}, {L"Date", kText},
      {L"Attachments", kText}, {L"Body", kText}, {L"BodyType", kInteger}, {L"Spare1", kText, true},
      {L"Spare2", kText, true}}},
    {kDispOpenFolder, L"OpenFolder", MemberKind::Method, ResultType::Text,
     L"Opens the folder of a folder path for the items that follow (made when missing).", {{L"FolderPath", kText}}},
    {kDispCloseFolder, L"CloseFolder", MemberKind::Method, ResultType::Text, L"Closes the open folder.", {}},
    {kDispSaveAppointment, L"SaveAppointment", MemberKind::Method, ResultType::Text,
     L"Stores an appointment. BodyType: 0 plain text, 1 HTML, 3 RTF.",
     {{L"FolderPath", kText}, {L"Subject", kText}, {L"Organizer", kText}, {L"Start", kText}, {L"End", kText},
      {L"Spare1", kText, true}, {L"Location", kText}, {L"Spare2", kText, true}, {L"Body", kText},
      {L"BodyType", kInteger}}},
    {kDispEndBatch, L"EndBatch", MemberKind::Method, ResultType::Variant,
     L"Ends a group of calls: the store file holds everything stored so far.", {}},
    {kDispSaveJournal, L"SaveJournal", MemberKind::Method, ResultType::Text,
     L"Stores a journal entry. BodyType: 0 plain text, 1 HTML, 3 RTF.",
     {{L"FolderPath", kText}, {L"Attachment", kText}, {L"Body", kText}, {L"Spare", kText, true}, {L"Subject", kText},
      {L"BodyType", kInteger}}},
    {kDispSaveTask, L"SaveTask", MemberKind::Method, ResultType::Text,
     L"Stores a task. BodyType: 0 plain text, 1 HTML, 3 RTF.",
     {{L"FolderPath", kText}, {L"Date", kText}, {L"Attachment", kText}, {L"Body", kText}, {L"Spare", kText, true},
      {L"Subject", kText}, {L"BodyType", kInteger}}},
    {kDispSaveNote, L"SaveNote", MemberKind::Method, ResultType::Text,
     L"Stores a sticky note. BodyType: 0 plain text, 1 HTML, 3 RTF.",
     {{L"FolderPath", kText}, {L"Body", kText}, {L"Subject", kText}, {L"BodyType", kInteger}}},
    {kDispAddAttachment, L"AddAttachment", MemberKind::Method, ResultType::Text,
     L"Adds a file as an attachment to the item this writer stored last.", {{L"Path", kText}}},
};

extern const InterfaceInfo kItemWriterInterface;
const InterfaceInfo* const kInterfaces[] = {&kItemWriterInterface};
const InterfaceInfo kItemWriterInterface = {
    &kItemWriterLibrary, L"IClass1", {0xc17fd87d, 0x8400, 0x49b7, {0xb1, 0x4e, 0x69, 0x2f, 0x44, 0xb9, 0xae, 0x6e}},
    L"Personal store item writer", kMembers, sizeof kMembers / sizeof kMembers[0]};

std::vector<std::wstring> OnePath(const std::wstring& path) {
    return path.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{path};
}

// A file's bytes read whole, so that the file may change or go once the call
// that named it has returned.
class BytesSource : public writer::DataSource {
public:
    explicit BytesSource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    uint64_t Size() const override { return bytes_.size(); }
    size_t Read(uint8_t* out, size_t size) override {
        const size_t n = std::min(size, bytes_.size() - at_);
        if (n > 0) std::memcpy(out, bytes_.data() + at_, n);
        at_ += n;
        return n;
    }

private:
    std::vector<uint8_t> bytes_;
    size_t at_ = 0;
};

AttachmentFile ReadWhole(const AttachmentFile& file) {
    std::vector<uint8_t> bytes(static_cast<size_t>(file.source->Size()));
    const size_t got = bytes.empty() ? 0 : file.source->Read(bytes.data(), bytes.size());
    if (got < bytes.size())
        throw CallError(HRESULT_FROM_WIN32(ERROR_READ_FAULT),
                        "The attachment file " + Utf8FromWide(file.file.wstring()) + " cannot be read whole.");
    return AttachmentFile{file.name, file.file, std::make_shared<BytesSource>(std::move(bytes))};
}
}  // namespace

const LibraryInfo kItemWriterLibrary = {
    L"Loomcraft", L"loomcraft.Class1",
    {0x0ef64420, 0xe087, 0x41b1, {0xa6, 0xcc, 0x8c, 0x70, 0x12, 0x0c, 0x5f, 0x0c}},
    L"Loomcraft personal store item writer", L"Class1", kClsidItemWriter, kInterfaces,
    sizeof kInterfaces / sizeof kInterfaces[0]};

const InterfaceInfo& ItemWriter::Interface() const { return kItemWriterInterface; }

ItemWriter::~ItemWriter() {
    // The store is finished when its writer goes. A failure here has no
    // caller to go to: the file keeps its last checkpoint (a caller that
    // ends with EndBatch has heard of every failure), and the failure is
    // told to a debugger.
    try {
        StoreHeld();
        StoreRegistry::Instance().Close(store_);
    } catch (const std::exception& e) {
        OutputDebugStringA(("Loomcraft: the store could not be finished: " + std::string(e.what()) + "\n").c_str());
    } catch (...) {
        OutputDebugStringA("Loomcraft: the store could not be finished.\n");
    }
}

void ItemWriter::Hold(const FolderRef& folder, const std::string& messageClass, MessageFill fill,
                      const HeldAttachments& files) {
    auto item = std::make_unique<HeldItem>();
    item->folder = folder;
    item->messageClass = messageClass;
    item->fill = std::move(fill);
    for (const AttachmentFile& file : files.Files()) item->files.push_back(ReadWhole(file));
    held_ = std::move(item);
}

void ItemWriter::StoreHeld() {
    if (!held_) return;
    const std::unique_ptr<HeldItem> item = std::move(held_);
    try {
        item->folder.store->AddItem(item->folder.folder, item->messageClass, item->fill, item->files);
    } catch (const std::exception& e) {
        // Told to the call at hand, and again by the next EndBatch, so that
        // a caller that ignores the one hears of it at its checkpoint.
        heldFailure_ = std::string("An item could not be stored: ") + e.what();
        throw;
    }
}

void ItemWriter::AddAttachment(const std::wstring& path) {
    if (!held_) throw CallError(E_UNEXPECTED, "AddAttachment adds a file to the item stored last: this writer has stored no item yet.");
    const HeldAttachments file(OnePath(path), false);
    if (file.Files().empty()) throw CallError(E_INVALIDARG, "An attachment file has an empty path.");
    held_->files.push_back(ReadWhole(file.Files().front()));
}

void ItemWriter::Call(const MemberInfo& member, WORD, const DispatchArgs& args, VARIANT& result) {
    if (member.id == kDispAddAttachment) {
        AddAttachment(args.Text(0));
        SetEmptyText(result);
        return;
    }
    try {
        StoreHeld();
    } catch (...) {
        if (member.id == kDispEndBatch) heldFailure_.clear();   // told now
        throw;
    }
    switch (member.id) {
    case kDispBeginBatch:
        break;
    case kDispEndBatch:
        if (!heldFailure_.empty()) {
            const std::string failure = heldFailure_;
            heldFailure_.clear();
            throw CallError(E_FAIL, failure);
        }
        if (store_) store_->Checkpoint();
        break;
    case kDispCreateStore:
        CreateStore(args.Text(0), args.Text(1));
        break;
    case kDispCreateFolder:
        Folder(args.Text(0));
        break;
    case kDispOpenFolder:
        openFolder_ = Folder(args.Text(0));
        break;
    case kDispCloseFolder:
        openFolder_ = FolderRef{};
        break;
    case kDispSaveMail: SaveMail(args); break;
    case kDispSaveAppointment: SaveAppointment(args); break;
    case kDispSaveJournal: SaveJournal(args); break;
    case kDispSaveTask: SaveTask(args); break;
    case kDispSaveNote: SaveNote(args); break;
    default: throw std::logic_error("member without a body");
    }
    SetEmptyText(result);
}

void ItemWriter::CreateStore(const std::wstring& path, const std::wstring& displayName) {
    // A refused store leaves the writer's own as it was; a made one takes
    // its place, and the old one is finished (its failure is this call's).
    std::shared_ptr<OpenStore> made = StoreRegistry::Instance().Create(path, displayName, store_);
    openFolder_ = FolderRef{};
    std::shared_ptr<OpenStore> old = std::move(store_);
    store_ = std::move(made);
    StoreRegistry::Instance().Close(old);
}

FolderRef ItemWriter::Folder(const std::wstring& folderPath) const { return ResolveFolderIn(store_, folderPath, true); }

// folder; subject; recipients; header file; date text; attachment list;
// body; body type; two empty texts.
void ItemWriter::SaveMail(const DispatchArgs& args) {
    const FolderRef folder = Folder(args.Text(0));
    const std::u16string subject = U16(args.Text(1));
    const MailRecipients to = ParseMailRecipients(args.Text(2));
    const Address sender = ReadHeaderSender(args.Text(3));
    const uint64_t time = FileTimeFromExportDate(args.Text(4));
    const std::wstring body = args.Text(6);
    const int bodyType = CheckedBodyType(args.Integer(7));
    const HeldAttachments files(SplitPathList(args.Text(5)), true);
    Hold(folder, "IPM.Note", [=](writer::Message& m) {
        m.SetSubject(subject);
        SetSender(m, sender);
        for (const Address& r : to.recipients) m.AddRecipient(U16(r.name), U16(r.email), 1);
        if (!to.receivedBy.empty()) {
            m.SetString(kPidReceivedByName, U16(to.receivedBy));
            m.SetString(kPidReceivedByAddressType, u"SMTP");
            m.SetString(kPidReceivedByEmailAddress, U16(to.receivedBy));
        }
        SetDeliveryTime(m, time);
        SetBody(m, bodyType, body);
        m.SetRead(true);
    }, files);
}

// folder; subject; organizer; start; end; empty; location; empty; body; body type.
void ItemWriter::SaveAppointment(const DispatchArgs& args) {
    const FolderRef folder = Folder(args.Text(0));
    const std::u16string subject = U16(args.Text(1));
    const Address organizer = ParseAddressText(args.Text(2));
    uint64_t start = FileTimeFromExportDate(args.Text(3));
    uint64_t end = FileTimeFromExportDate(args.Text(4));
    if (!start) start = end;
    if (!end) end = start;
    const std::u16string location = U16(args.Text(6));
    const std::wstring body = args.Text(8);
    const int bodyType = CheckedBodyType(args.Integer(9));
    Hold(folder, "IPM.Appointment", [=](writer::Message& m) {
        m.SetSubject(subject);
        SetSender(m, organizer);
        if (start) writer::SetAppointment(m, start, end, location);
        else if (!location.empty()) m.SetString(m.Named(writer::kPsetidAppointment, 0x8208), location);
        SetBody(m, bodyType, body);
        m.SetRead(true);
    }, HeldAttachments());
}

// folder; attachment path; body; empty; subject; body type.
void ItemWriter::SaveJournal(const DispatchArgs& args) {
    const FolderRef folder = Folder(args.Text(0));
    const std::wstring body = args.Text(2);
    const std::u16string subject = U16(args.Text(4));
    const int bodyType = CheckedBodyType(args.Integer(5));
    const HeldAttachments files(OnePath(args.Text(1)), false);
    // The calls carry no start: the entry begins when it is stored, as one
    // made by hand does. Readers that list journal entries by their times
    // (readpst) pass over an entry that has none.
    const uint64_t start = writer::FileTimeNow();
    Hold(folder, "IPM.Activity", [=](writer::Message& m) {
        m.SetSubject(subject);
        m.SetTime(m.Named(writer::kPsetidLog, 0x8706), start);          // LogStart
        m.SetTime(m.Named(writer::kPsetidLog, 0x8708), start);          // LogEnd
        SetBody(m, bodyType, body);
        m.SetRead(true);
    }, files);
}

// folder; date text; attachment path; body; empty; subject; body type.
void ItemWriter::SaveTask(const DispatchArgs& args) {
    const FolderRef folder = Folder(args.Text(0));
    const uint64_t time = FileTimeFromExportDate(args.Text(1));
    const std::wstring body = args.Text(3);
    const std::u16string subject = U16(args.Text(5));
    const int bodyType = CheckedBodyType(args.Integer(6));
    const HeldAttachments files(OnePath(args.Text(2)), false);
    Hold(folder, "IPM.Task", [=](writer::Message& m) {
        m.SetSubject(subject);
        SetDeliveryTime(m, time);
        writer::SetTask(m, kTaskNotStarted, false);
        SetBody(m, bodyType, body);
        m.SetRead(true);
    }, files);
}

// folder; body; subject; body type.
void ItemWriter::SaveNote(const DispatchArgs& args) {
    const FolderRef folder = Folder(args.Text(0));
    const std::wstring body = args.Text(1);
    const std::u16string subject = U16(args.Text(2));
    const int bodyType = CheckedBodyType(args.Integer(3));
    Hold(folder, "IPM.StickyNote", [=](writer::Message& m) {
        m.SetSubject(subject);
        writer::SetNoteColor(m, kNoteYellow);
        SetBody(m, bodyType, body);
        m.SetRead(true);
    }, HeldAttachments());
}

}  // namespace components
