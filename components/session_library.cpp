#include "components/session_library.h"

#include <stdexcept>

#include "components/attachment_files.h"
#include "components/class_ids.h"
#include "components/contact_properties.h"
#include "components/item_content.h"
#include "components/text_convert.h"
#include "format/props.h"

namespace components {

namespace {

// ---- the member tables -------------------------------------------------------

const MemberInfo kSessionMembers[] = {
    {kDispLogon, L"Logon", MemberKind::Method, ResultType::None,
     L"Logs on: the session then sees the stores the item writer created in this process. The arguments are ignored.",
     {{L"Profile", ParamType::Any, true}, {L"Password", ParamType::Any, true}, {L"ShowDialog", ParamType::Any, true},
      {L"NewSession", ParamType::Any, true}, {L"Window", ParamType::Any, true}, {L"Options", ParamType::Any, true}}},
    {kDispFolderByPath, L"FolderByPath", MemberKind::Method, ResultType::Object,
     L"The folder of a folder path (\\\\\\\\Store\\\\Folder\\\\Sub).", {{L"FolderPath", ParamType::Text}}},
};

const MemberInfo kFolderMembers[] = {
    {kDispItems, L"Items", MemberKind::ReadOnly, ResultType::Object, L"The folder's items.", {}},
};

const MemberInfo kItemsMembers[] = {
    {kDispAddItem, L"Add", MemberKind::Method, ResultType::Object,
     L"A new, unsaved item of a kind: 2, a contact.", {{L"Kind", ParamType::Integer}}},
};

// The contact item's members: its methods and bodies, then every property.
std::vector<MemberInfo> MakeContactMembers() {
    std::vector<MemberInfo> members = {
        {kDispAttachFile, L"AttachFile", MemberKind::Method, ResultType::None,
         L"Attaches a file (read when the item is saved); an empty path attaches nothing.", {{L"Path", ParamType::Text}}},
        {kDispSave, L"Save", MemberKind::Method, ResultType::None,
         L"Stores the item in its folder; a later Save stores its changes in place of what was stored.", {}},
        {kDispPlainBody, L"Body", MemberKind::Property, ResultType::Text, L"The plain text body.", {}},
        {kDispRtfBody, L"RTFBody", MemberKind::Property, ResultType::Text, L"The body as RTF text.", {}},
    };
    size_t count = 0;
    const ContactProperty* properties = ContactProperties(&count);
    for (size_t i = 0; i < count; ++i)
        members.push_back({properties[i].dispid, properties[i].name, MemberKind::Property, ResultType::Text, nullptr, {}});
    return members;
}
const std::vector<MemberInfo>& ContactMembers() {
    static const std::vector<MemberInfo> members = MakeContactMembers();
    return members;
}

extern const InterfaceInfo kSessionInterface, kFolderInterface, kItemsInterface, kContactItemInterface;
const InterfaceInfo* const kInterfaces[] = {&kSessionInterface, &kFolderInterface, &kItemsInterface,
                                            &kContactItemInterface};

const InterfaceInfo kSessionInterface = {
    &kSessionLibrary, L"ISession", {0x0281aa79, 0x62d6, 0x425e, {0xbd, 0x0b, 0x8a, 0x68, 0x19, 0x12, 0xe0, 0x7d}},
    L"A session on the stores of this process", kSessionMembers, sizeof kSessionMembers / sizeof kSessionMembers[0]};
const InterfaceInfo kFolderInterface = {
    &kSessionLibrary, L"IFolder", {0x46e334d1, 0x1355, 0x41e4, {0xbc, 0xdb, 0x54, 0x1a, 0x4a, 0x11, 0x47, 0x74}},
    L"A folder of a store", kFolderMembers, sizeof kFolderMembers / sizeof kFolderMembers[0]};
const InterfaceInfo kItemsInterface = {
    &kSessionLibrary, L"IItems", {0x4ddbf1d1, 0xdf6a, 0x4928, {0x80, 0xa9, 0x81, 0xb0, 0x4e, 0x28, 0x07, 0x8a}},
    L"The items of a folder", kItemsMembers, sizeof kItemsMembers / sizeof kItemsMembers[0]};
const InterfaceInfo kContactItemInterface = {
    &kSessionLibrary, L"IContactItem", {0xbc770a6f, 0x1baa, 0x4c85, {0x9c, 0xb6, 0x41, 0x8c, 0x32, 0x3f, 0xd9, 0x68}},
    L"A new contact item: properties are set one by one, then Save stores it", ContactMembers().data(),
    ContactMembers().size()};

// ---- the objects ---------------------------------------------------------------

class ContactItem : public DispatchObject {
public:
    explicit ContactItem(FolderRef folder) : folder_(std::move(folder)) {}

protected:
    void Call(const MemberInfo& member, WORD kind, const DispatchArgs& args, VARIANT& result) override {
        const DISPID id = member.id;
        if (kind == DISPATCH_PROPERTYPUT) {
            if (id == kDispRtfBody) rtfBody_ = args.Text(0);
            else if (id == kDispPlainBody) plainBody_ = args.Text(0);
            else values_[id] = args.Text(0);   // a later put replaces
            return;
        }
        if (kind == DISPATCH_PROPERTYGET) {
            SetText(result, id == kDispRtfBody ? rtfBody_ : id == kDispPlainBody ? plainBody_ : Value(id));
            return;
        }
        if (id == kDispAttachFile) {
            // Checked now, so that the caller hears of a missing file at
            // once, and again when the item is saved.
            const std::wstring& path = args.Text(0);
            if (!path.empty()) {
                CheckAttachmentFile(path);
                attachments_.push_back(path);
            }
        } else if (id == kDispSave) {
            Save();
        }
    }
    const InterfaceInfo& Interface() const override { return kContactItemInterface; }

private:
    std::wstring Value(DISPID id) const {
        auto it = values_.find(id);
        return it == values_.end() ? std::wstring() : it->second;
    }

    // The display name a contact list shows: the name's parts, else the
    // company, else the address.
    std::wstring DisplayName() const {
        std::wstring name;
        for (DISPID part : {kDispGivenName, kDispMiddleName, kDispSurname}) {
            const std::wstring text = Value(part);
            if (text.empty()) continue;
            if (!name.empty()) name += L' ';
            name += text;
        }
        if (name.empty()) name = Value(kDispCompanyName);
        if (name.empty()) name = Value(kDispEmail1Address);
        return name;
    }

    // Each save stores the item as it stands now: a second one replaces
    // what the first stored.
    void Save() {
        const HeldAttachments files(attachments_, false);
        const std::map<DISPID, std::wstring> values = values_;
        const std::u16string display = U16(DisplayName());
        const std::wstring surname = Value(kDispSurname), given = Value(kDispGivenName);
        const std::u16string fileUnder =
            U16(surname + (surname.empty() || given.empty() ? L"" : L", ") + given);
        const std::u16string email = U16(Value(kDispEmail1Address));
        const std::wstring rtf = rtfBody_, plain = plainBody_;
        stored_ = folder_.store->PutItem(folder_.folder, "IPM.Contact", [=](writer::Message& m) {
            m.SetString(fmt::kPidDisplayName, display);
            m.SetSubject(display);
            const uint16_t fileUnderId = m.Named(writer::kPsetidAddress, 0x8005);
            m.SetString(fileUnderId, fileUnder);
            if (!email.empty()) {
                m.SetString(m.Named(writer::kPsetidAddress, 0x8082), u"SMTP");           // Email1AddressType
                m.SetString(m.Named(writer::kPsetidAddress, 0x8080), display + u" (" + email + u")");
                m.SetString(m.Named(writer::kPsetidAddress, 0x8084), email);             // Email1OriginalDisplayName
            }
            for (const auto& v : values) {
                const ContactProperty* p = FindContactProperty(v.first);
                const uint16_t id = p->set ? m.Named(*p->set, p->tag) : p->tag;
                m.SetString(id, U16(v.second));
            }
            SetBody(m, kBodyRtf, rtf);
            SetBody(m, kBodyPlain, plain);
            m.SetRead(true);
        }, files.Files(), stored_);
    }

    FolderRef folder_;
    std::map<DISPID, std::wstring> values_;
    std::wstring rtfBody_, plainBody_;
    std::vector<std::wstring> attachments_;
    uint32_t stored_ = 0;          // the stored version's id; 0 before the first save
};

class Items : public DispatchObject {
public:
    explicit Items(FolderRef folder) : folder_(std::move(folder)) {}

protected:
    void Call(const MemberInfo&, WORD, const DispatchArgs& args, VARIANT& result) override {
        if (args.Integer(0) != kItemKindContact)
            throw std::invalid_argument("The item kind " + std::to_string(args.Integer(0)) +
                                        " cannot be added: only contact items (kind 2) can.");
        SetObject(result, new ContactItem(folder_));
    }
    const InterfaceInfo& Interface() const override { return kItemsInterface; }

private:
    FolderRef folder_;
};

class Folder : public DispatchObject {
public:
    explicit Folder(FolderRef folder) : folder_(std::move(folder)) {}

protected:
    void Call(const MemberInfo&, WORD, const DispatchArgs&, VARIANT& result) override {
        SetObject(result, new Items(folder_));
    }
    const InterfaceInfo& Interface() const override { return kFolderInterface; }

private:
    FolderRef folder_;
};
}  // namespace

const LibraryInfo kSessionLibrary = {
    L"CorvaneRedmp", L"CorvaneRedmp.RDOSessionCorvane",
    {0xa20e81f3, 0xbb6a, 0x40ed, {0xa6, 0x5e, 0x8a, 0x4b, 0xbf, 0x9e, 0xd8, 0x7a}},
    L"CorvaneRedmp session library: contacts into the stores of this process", L"RDOSessionCorvane",
    kClsidSessionLibrary, kInterfaces, sizeof kInterfaces / sizeof kInterfaces[0]};

const InterfaceInfo& Session::Interface() const { return kSessionInterface; }

void Session::Call(const MemberInfo& member, WORD, const DispatchArgs& args, VARIANT& result) {
    if (member.id == kDispLogon) {
        // The profile arguments mean nothing here: the stores are those of
        // this process.
        loggedOn_ = true;
        return;
    }
    if (!loggedOn_) throw std::logic_error("The session is not logged on: Logon comes first.");
    SetObject(result, new Folder(ResolveFolder(args.Text(0), false)));
}

}  // namespace components
