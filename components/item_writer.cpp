#include "components/item_writer.h"

#include "components/item_content.h"
#include "components/text_convert.h"
#include "writer/msg_items.h"

namespace components {

namespace {
constexpr int32_t kTaskNotStarted = 0;
constexpr int32_t kNoteYellow = 3;

std::vector<AttachmentFile> AttachmentFiles(const std::vector<std::wstring>& paths) {
    std::vector<AttachmentFile> files;
    for (const std::wstring& p : paths) files.push_back({U16(FileNameOf(p)), std::filesystem::path(p)});
    return files;
}

std::vector<AttachmentFile> OneAttachment(const std::wstring& path) {
    return path.empty() ? std::vector<AttachmentFile>{} : AttachmentFiles({path});
}
}  // namespace

ItemWriter::~ItemWriter() {
    // The store is finished when its writer goes; a failure here has no
    // caller to go to, and the last checkpoint's file stays.
    try {
        StoreRegistry::Instance().Close(store_);
    } catch (...) {
    }
}

void ItemWriter::Call(DISPID id, WORD flags, const DispatchArgs& args, VARIANT& result) {
    if (!IsMethod(flags)) throw MemberNotFound{};
    switch (id) {
    case kDispBeginBatch:
        args.RequireCount(0);
        break;
    case kDispEndBatch:
        args.RequireCount(0);
        if (store_) store_->Checkpoint();
        break;
    case kDispCreateStore:
        args.RequireCount(2);
        CreateStore(args.Text(0), args.Text(1));
        break;
    case kDispCreateFolder:
        args.RequireCount(1);
        ResolveFolder(args.Text(0), true);
        break;
    case kDispOpenFolder:
        args.RequireCount(1);
        openFolder_ = ResolveFolder(args.Text(0), true);
        break;
    case kDispCloseFolder:
        args.RequireCount(0);
        openFolder_ = FolderRef{};
        break;
    case kDispSaveMail: SaveMail(args); break;
    case kDispSaveAppointment: SaveAppointment(args); break;
    case kDispSaveJournal: SaveJournal(args); break;
    case kDispSaveTask: SaveTask(args); break;
    case kDispSaveNote: SaveNote(args); break;
    default: throw MemberNotFound{};
    }
    SetEmptyText(result);
}

void ItemWriter::CreateStore(const std::wstring& path, const std::wstring& displayName) {
    if (path.empty() || displayName.empty()) throw std::invalid_argument("A store needs a file path and a display name.");
    std::shared_ptr<OpenStore> previous = std::move(store_);
    openFolder_ = FolderRef{};
    StoreRegistry::Instance().Close(previous);
    store_ = StoreRegistry::Instance().Create(path, displayName);
}

// folder; subject; recipients; header file; date text; attachment list;
// body; body type; two empty texts.
void ItemWriter::SaveMail(const DispatchArgs& args) {
    args.RequireCount(10);
    const FolderRef folder = ResolveFolder(args.Text(0), true);
    const std::u16string subject = U16(args.Text(1));
    const std::vector<Address> recipients = ParseRecipientsText(args.Text(2));
    const Address sender = ReadHeaderSender(args.Text(3));
    const uint64_t time = FileTimeFromExportDate(args.Text(4));
    const std::vector<AttachmentFile> files = AttachmentFiles(SplitPathList(args.Text(5)));
    const std::wstring body = args.Text(6);
    const int bodyType = args.Integer(7);
    folder.store->AddItem(folder.folder, "IPM.Note", [=](writer::Message& m) {
        m.SetSubject(subject);
        SetSender(m, sender);
        for (const Address& r : recipients) m.AddRecipient(U16(r.name), U16(r.email), 1);
        SetDeliveryTime(m, time);
        SetBody(m, bodyType, body);
        m.SetRead(true);
    }, files);
}

// folder; subject; organizer; start; end; empty; location; empty; body; body type.
void ItemWriter::SaveAppointment(const DispatchArgs& args) {
    args.RequireCount(10);
    const FolderRef folder = ResolveFolder(args.Text(0), true);
    const std::u16string subject = U16(args.Text(1));
    const Address organizer = ParseAddressText(args.Text(2));
    uint64_t start = FileTimeFromExportDate(args.Text(3));
    uint64_t end = FileTimeFromExportDate(args.Text(4));
    if (!start) start = end;
    if (!end) end = start;
    const std::u16string location = U16(args.Text(6));
    const std::wstring body = args.Text(8);
    const int bodyType = args.Integer(9);
    folder.store->AddItem(folder.folder, "IPM.Appointment", [=](writer::Message& m) {
        m.SetSubject(subject);
        SetSender(m, organizer);
        if (start) writer::SetAppointment(m, start, end, location);
        else if (!location.empty()) m.SetString(m.Named(writer::kPsetidAppointment, 0x8208), location);
        SetBody(m, bodyType, body);
        m.SetRead(true);
    }, {});
}

// folder; attachment path; body; empty; subject; body type.
void ItemWriter::SaveJournal(const DispatchArgs& args) {
    args.RequireCount(6);
    const FolderRef folder = ResolveFolder(args.Text(0), true);
    const std::vector<AttachmentFile> files = OneAttachment(args.Text(1));
    const std::wstring body = args.Text(2);
    const std::u16string subject = U16(args.Text(4));
    const int bodyType = args.Integer(5);
    // The calls carry no start: the entry begins when it is stored, as one
    // made by hand does. Readers that list journal entries by their times
    // (readpst) pass over an entry that has none.
    const uint64_t start = writer::FileTimeNow();
    folder.store->AddItem(folder.folder, "IPM.Activity", [=](writer::Message& m) {
        m.SetSubject(subject);
        m.SetTime(m.Named(writer::kPsetidLog, 0x8706), start);          // LogStart
        m.SetTime(m.Named(writer::kPsetidLog, 0x8708), start);          // LogEnd
        SetBody(m, bodyType, body);
        m.SetRead(true);
    }, files);
}

// folder; date text; attachment path; body; empty; subject; body type.
void ItemWriter::SaveTask(const DispatchArgs& args) {
    args.RequireCount(7);
    const FolderRef folder = ResolveFolder(args.Text(0), true);
    const uint64_t time = FileTimeFromExportDate(args.Text(1));
    const std::vector<AttachmentFile> files = OneAttachment(args.Text(2));
    const std::wstring body = args.Text(3);
    const std::u16string subject = U16(args.Text(5));
    const int bodyType = args.Integer(6);
    folder.store->AddItem(folder.folder, "IPM.Task", [=](writer::Message& m) {
        m.SetSubject(subject);
        SetDeliveryTime(m, time);
        writer::SetTask(m, kTaskNotStarted, false);
        SetBody(m, bodyType, body);
        m.SetRead(true);
    }, files);
}

// folder; body; subject; body type.
void ItemWriter::SaveNote(const DispatchArgs& args) {
    args.RequireCount(4);
    const FolderRef folder = ResolveFolder(args.Text(0), true);
    const std::wstring body = args.Text(1);
    const std::u16string subject = U16(args.Text(2));
    const int bodyType = args.Integer(3);
    folder.store->AddItem(folder.folder, "IPM.StickyNote", [=](writer::Message& m) {
        m.SetSubject(subject);
        writer::SetNoteColor(m, kNoteYellow);
        SetBody(m, bodyType, body);
        m.SetRead(true);
    }, {});
}

}  // namespace components
