#include "components/session_library.h"

#include <stdexcept>

#include "components/contact_properties.h"
#include "components/item_content.h"
#include "components/text_convert.h"
#include "format/props.h"

namespace components {

namespace {
const wchar_t kSource[] = L"CorvaneRedmp.RDOSessionCorvane";

class ContactItem : public DispatchObject {
public:
    explicit ContactItem(FolderRef folder) : folder_(std::move(folder)) {}

protected:
    void Call(DISPID id, WORD flags, const DispatchArgs& args, VARIANT& result) override {
        if (IsPut(flags)) {
            args.RequireCount(1);
            if (id == kDispRtfBody) rtfBody_ = args.Text(0);
            else if (id == kDispPlainBody) plainBody_ = args.Text(0);
            else if (FindContactProperty(id)) values_[id] = args.Text(0);   // a later put replaces
            else throw MemberNotFound{};
            return;
        }
        if (!IsMethod(flags)) throw MemberNotFound{};
        if (id == kDispAttachFile) {
            args.RequireCount(1);
            const std::wstring path = args.Text(0);
            if (!path.empty()) attachments_.push_back({U16(FileNameOf(path)), std::filesystem::path(path)});
        } else if (id == kDispSave) {
            args.RequireCount(0);
            Save();
        } else {
            throw MemberNotFound{};
        }
    }
    const wchar_t* Source() const override { return kSource; }

private:
    std::wstring Value(DISPID id) const {
        auto it = values_.find(id);
        return it == values_.end() ? std::wstring() : it->second;
    }

    // The display name a contact list shows: the name's parts, else the
    // company, else the address.
    std::wstring DisplayName() const {
        std::wstring name;
        for (DISPID part : {0x6004004D, 0x60040096, 0x60040083}) {   // given, middle, surname
            const std::wstring text = Value(part);
            if (text.empty()) continue;
            if (!name.empty()) name += L' ';
            name += text;
        }
        if (name.empty()) name = Value(0x6004002D);
        if (name.empty()) name = Value(0x60040035);
        return name;
    }

    void Save() {
        if (saved_) return;
        const std::map<DISPID, std::wstring> values = values_;
        const std::u16string display = U16(DisplayName());
        const std::wstring surname = Value(0x60040083), given = Value(0x6004004D);
        const std::u16string fileUnder =
            U16(surname + (surname.empty() || given.empty() ? L"" : L", ") + given);
        const std::u16string email = U16(Value(0x60040035));
        const std::wstring rtf = rtfBody_, plain = plainBody_;
        folder_.store->AddItem(folder_.folder, "IPM.Contact", [=](writer::Message& m) {
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
        }, attachments_);
        saved_ = true;
    }

    FolderRef folder_;
    std::map<DISPID, std::wstring> values_;
    std::wstring rtfBody_, plainBody_;
    std::vector<AttachmentFile> attachments_;
    bool saved_ = false;
};

class Items : public DispatchObject {
public:
    explicit Items(FolderRef folder) : folder_(std::move(folder)) {}

protected:
    void Call(DISPID id, WORD flags, const DispatchArgs& args, VARIANT& result) override {
        if (id != kDispAddItem || !IsMethod(flags)) throw MemberNotFound{};
        args.RequireCount(1);
        if (args.Integer(0) != kItemKindContact) throw std::invalid_argument("Only contact items (kind 2) can be added.");
        SetObject(result, new ContactItem(folder_));
    }
    const wchar_t* Source() const override { return kSource; }

private:
    FolderRef folder_;
};

class Folder : public DispatchObject {
public:
    explicit Folder(FolderRef folder) : folder_(std::move(folder)) {}

protected:
    void Call(DISPID id, WORD flags, const DispatchArgs& args, VARIANT& result) override {
        if (id != kDispItems || !(IsGet(flags) || IsMethod(flags))) throw MemberNotFound{};
        args.RequireCount(0);
        SetObject(result, new Items(folder_));
    }
    const wchar_t* Source() const override { return kSource; }

private:
    FolderRef folder_;
};
}  // namespace

const wchar_t* Session::Source() const { return kSource; }

void Session::Call(DISPID id, WORD flags, const DispatchArgs& args, VARIANT& result) {
    if (!IsMethod(flags)) throw MemberNotFound{};
    switch (id) {
    case kDispLogon:
        // The profile arguments mean nothing here: the stores are those of
        // this process.
        loggedOn_ = true;
        break;
    case kDispFolderByPath:
        args.RequireCount(1);
        if (!loggedOn_) throw std::logic_error("The session is not logged on.");
        SetObject(result, new Folder(ResolveFolder(args.Text(0), false)));
        break;
    default:
        throw MemberNotFound{};
    }
}

}  // namespace components
