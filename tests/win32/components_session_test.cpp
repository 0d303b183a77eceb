// The session library "CorvaneRedmp.RDOSessionCorvane" as the contact export
// uses it: a new session per contact that finds the store the item writer
// made in this process, a folder by path, a new contact item, an attached
// file, the contact's properties put one by one, the body, and save.
#include <gtest/gtest.h>

#include "components_test_support.h"
#include "export/ContactExport.h"
#include "export/ExportState.h"
#include "export/LoomcraftDriver.h"
#include "export_test_support.h"
#include "reader/item_reader.h"
#include "reader/ndb.h"
#include "reader/rtf_decompress.h"
#include "reader_item_test_support.h"

namespace ct = components_test;

namespace {

const wchar_t kStoreName[] = L"Contacts store";
const wchar_t kFolder[] = L"\\\\Contacts store\\Contacts";

::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new ct::ComponentsEnvironment);

using Fields = std::map<std::string, std::wstring>;

const std::map<std::string, StoreText ContactDetail::*>& ReaderFields();

// A value per field that tells them apart: every field the contact export
// sends, and the postal address, which it puts under the work address's id.
Fields EveryField() {
    Fields f;
    for (const auto& field : ReaderFields()) f[field.first] = ct::Utf16(field.first) + L" value";
    f["PostalAddress"] = L"PostalAddress value";
    f["GivenName"] = L"Ann";
    f["MiddleName"] = L"Q";
    f["Surname"] = L"Smith \U0001D11E";
    f["Email1EmailAddress"] = L"ann@example.com";
    f["FileUnder"] = L"Smith, Ann";
    f["BusinessTelephoneNumber"] = L"+1 555 0100";
    f["MobileTelephoneNumber"] = L"+1 555 0199";
    f["CompanyName"] = L"Example Ltd";
    return f;
}

// Where the program's own reader finds each field of a stored contact.
const std::map<std::string, StoreText ContactDetail::*>& ReaderFields() {
    // Each field under its own name in the reader's contact record.
#define FIELD(name) {#name, &ContactDetail::tx##name}
    static const std::map<std::string, StoreText ContactDetail::*> fields = {
        FIELD(OrganizationalIdNumber), FIELD(FileUnder), FIELD(GovernmentIdNumber), FIELD(TtyTddPhoneNumber),
        FIELD(Business2TelephoneNumber), FIELD(RadioTelephoneNumber), FIELD(TelexNumber), FIELD(Mileage),
        FIELD(GivenName), FIELD(MiddleName), FIELD(Surname), FIELD(WorkAddress), FIELD(Home2TelephoneNumber),
        FIELD(DepartmentName), FIELD(CarTelephoneNumber), FIELD(PostalCode), FIELD(StreetAddress),
        FIELD(StateOrProvince), FIELD(Country), FIELD(Locality), FIELD(CallbackTelephoneNumber),
        FIELD(OtherAddressPostalCode), FIELD(OtherAddress), FIELD(OtherTelephoneNumber), FIELD(OtherAddressStreet),
        FIELD(OtherAddressStateOrProvince), FIELD(OtherAddressCountry), FIELD(OtherAddressCity),
        FIELD(HomeAddressStateOrProvince), FIELD(HomeAddressStreet), FIELD(HomeAddressPostalCode),
        FIELD(HomeAddressCountry), FIELD(BusinessHomePage), FIELD(PersonalHomePage), FIELD(Nickname),
        FIELD(ManagerName), FIELD(FreeBusyLocation), FIELD(HomeAddressCity), FIELD(CompanyMainTelephoneNumber),
        FIELD(SpouseName), FIELD(Profession), FIELD(Assistant), FIELD(AssistantTelephoneNumber), FIELD(IsdnNumber),
        FIELD(PagerTelephoneNumber), FIELD(OfficeLocation), FIELD(HomeFaxNumber), FIELD(Language),
        FIELD(BusinessTelephoneNumber), FIELD(BusinessFaxNumber), FIELD(HomeAddress), FIELD(Hobbies),
        FIELD(CustomerId), FIELD(Generation), FIELD(Email1EmailAddress), FIELD(CompanyName), FIELD(Title),
        FIELD(HomeTelephoneNumber), FIELD(MobileTelephoneNumber),
    };
#undef FIELD
    return fields;
}

struct RecordDeleter {
    void operator()(ItemRecord* r) const { FreeItemRecord(r); }
};
using Record = std::unique_ptr<ItemRecord, RecordDeleter>;

// The contacts of the "Contacts" folder as the program's reader reads them.
std::vector<Record> ReadContacts(const std::wstring& pst) {
    std::vector<Record> out;
    item_test::LoadedStore store(pst);
    const std::vector<std::string> paths = store.FolderPaths();
    for (size_t i = 0; i < paths.size(); ++i) {
        if (paths[i] != "Contacts") continue;
        NodeEntry* folder = FindNode(&g_storeFile, g_listFolders[i].nNodeId);
        for (NodeEntry* c = folder ? folder->pFirstChild : nullptr; c; c = c->pNextSibling) out.emplace_back(ReadItemRecord(g_storeFile, c));
    }
    return out;
}

// One contact through the program's contact export, from a record with
// these fields (none: a record without contact details), an attachment
// holding the bytes of a file, and an RTF body file or a plain body.
void ExportContact(const Fields& fields, const std::wstring& attachment, const std::string& rtf,
                   const std::wstring& plain, const std::wstring& folder) {
    exporttest::RecordTexts texts;
    ContactDetail contact = {};
    MessageDetail message = {};
    ItemRecord record = {};
    record.pMessage = &message;
    if (!fields.empty()) record.pContact = &contact;
    for (const auto& f : fields) {
        StoreText ContactDetail::*member =
            f.first == "PostalAddress" ? &ContactDetail::txPostalAddress : ReaderFields().at(f.first);
        contact.*member = texts.Wide(f.second);
    }
    if (!attachment.empty())
        record.pAttachments = texts.Attachment(attachment.substr(attachment.find_last_of(L'\\') + 1),
                                               ct::ReadBytes(attachment));
    if (!rtf.empty()) {
        ct::WriteBytes(folder + L"\\QM_Rtf_Body.rtf", rtf);
        message.binRtfCompressed.cb = rtf.size();
    }
    if (!plain.empty()) record.txBody = texts.Wide(plain);
    g_strPstFolderPath = kFolder;
    g_pstExporter.m_strTempFolder = (folder + L"\\").c_str();
    const std::wstring install = GetInstallFolder();
    SetInstallFolder(folder);
    ExportContactItem(&record);
    SetInstallFolder(install);
}

std::string Field(const std::string& text, const std::string& label) {
    const size_t at = text.find("\n" + label + ":");
    if (at == std::string::npos) return "(no " + label + ")";
    size_t start = text.find_first_not_of(" \t", at + label.size() + 2);
    return text.substr(start, text.find_first_of("\r\n", start) - start);
}

}  // namespace

TEST(ComponentsSessionLibrary, ContactsKeepEveryPropertyTheExportPuts) {
    ct::ScratchFolder scratch(L"components-contacts");
    const std::wstring pst = scratch / L"contacts.pst";
    ct::WriteBytes(scratch / L"photo.bin", std::string("\x89PNG fake photo bytes", 21));
    const char kRtf[] = "{\\rtf1\\ansi Contact notes\\par}";

    ct::ItemWriterDriver w;
    ASSERT_TRUE(w.CreateDispatch(L"loomcraft.Class1"));
    w.BeginBatch();
    w.CreateStore(pst, kStoreName);
    w.EndBatch();
    w.BeginBatch();
    w.CreateFolder(kFolder);
    w.EndBatch();
    w.BeginBatch();
    w.OpenFolder(kFolder);

    Fields all = EveryField();
    ExportContact(all, scratch / L"photo.bin", kRtf, L"", scratch.path());
    // Only a name, a plain body and no attachment list.
    ExportContact({{"GivenName", L"Bo"}, {"Surname", L"Lind"}}, L"", "", L"Plain notes", scratch.path());
    // A contact without details: a new item, released unsaved.
    ExportContact({}, L"", "", L"", scratch.path());
    // A work address replaced by the postal address under the same id.
    ExportContact({{"GivenName", L"Cy"}, {"WorkAddress", L"1 Work St"}, {"PostalAddress", L"2 Post Rd"}}, L"", "", L"",
                  scratch.path());

    w.CloseFolder();
    w.EndBatch();
    w.ReleaseDispatch();

    // The program's reader: every field lands where the contact export took it from.
    {
        const std::vector<Record> contacts = ReadContacts(pst);
        ASSERT_EQ(contacts.size(), 3u);
        ASSERT_TRUE(contacts[0] && contacts[0]->pContact);
        Fields expect = all;
        expect["WorkAddress"] = expect["PostalAddress"];     // the later put under the same id
        expect.erase("PostalAddress");
        int checked = 0;
        for (const auto& f : expect) {
            auto member = ReaderFields().find(f.first);
            ASSERT_NE(member, ReaderFields().end()) << f.first;
            EXPECT_EQ(item_test::TextOf(contacts[0]->pContact->*member->second), ct::Utf8(f.second)) << f.first;
            ++checked;
        }
        EXPECT_EQ(checked, 59);   // every field the export sends; the postal address went into the work address
        EXPECT_EQ(item_test::TextOf(contacts[0]->txSubject), "Ann Q Smith \xF0\x9D\x84\x9E");
        ASSERT_TRUE(contacts[1] && contacts[1]->pContact);
        EXPECT_EQ(item_test::TextOf(contacts[1]->pContact->txGivenName), "Bo");
        EXPECT_EQ(item_test::TextOf(contacts[1]->pContact->txFileUnder), "Lind, Bo");
        EXPECT_EQ(item_test::TextOf(contacts[1]->txBody), "Plain notes");
        ASSERT_TRUE(contacts[2] && contacts[2]->pContact);
        EXPECT_EQ(item_test::TextOf(contacts[2]->pContact->txWorkAddress), "2 Post Rd");
    }

    if (!ct::HaveNativeTools()) GTEST_SKIP() << "not under Wine, or the independent readers are not installed";
    const std::wstring top = ct::PffExport(pst, scratch, L"pff");
    EXPECT_FALSE(ct::Exists(top + L"\\Contacts\\Contact00004"));
    const std::wstring first = top + L"\\Contacts\\Contact00001";
    const std::string card = ct::ReadBytes(first + L"\\Contact.txt");
    EXPECT_EQ(Field(card, "File under"), "Smith, Ann") << card;
    EXPECT_EQ(Field(card, "Given name"), "Ann");
    EXPECT_EQ(Field(card, "Business phone number 1"), "+1 555 0100");
    EXPECT_EQ(Field(card, "Mobile phone number"), "+1 555 0199");
    EXPECT_EQ(Field(card, "Company name"), "Example Ltd");
    EXPECT_EQ(Field(card, "Email address 1"), "ann@example.com");
    EXPECT_EQ(Field(card, "Generational abbreviation"), "Generation value");
    EXPECT_EQ(ct::ReadBytes(first + L"\\Message.rtf").substr(0, sizeof kRtf - 1), kRtf);
    EXPECT_EQ(ct::ReadBytes(first + L"\\Attachments\\1_photo.bin"), std::string("\x89PNG fake photo bytes", 21));
    EXPECT_EQ(ct::ReadBytes(top + L"\\Contacts\\Contact00002\\Message.txt").substr(0, 11), "Plain notes");

    // readpst's cards: names beyond the Basic Multilingual Plane, addresses, numbers.
    const std::map<std::string, int> counts = ct::ReadpstCounts(pst, scratch, L"readpst");
    EXPECT_EQ(counts.count("Contacts") ? counts.at("Contacts") : -1, 3);
    const std::wstring cards = scratch / L"readpst\\Contacts store\\Contacts";
    const std::string vcard = ct::ReadBytes(cards + L"\\1");
    for (const char* line : {"N:Smith \xF0\x9D\x84\x9E;Ann;Q;;Generation value", "EMAIL:ann@example.com",
                             "LABEL;TYPE=work:PostalAddress value", "LABEL;TYPE=home:HomeAddress value",
                             "TEL;TYPE=cell,voice:+1 555 0199", "TEL;TYPE=pager:PagerTelephoneNumber value",
                             "ROLE:Profession value", "ORG:Example Ltd", "NICKNAME:Nickname value"})
        EXPECT_NE(vcard.find(line), std::string::npos) << line << "\n" << vcard;
    EXPECT_NE(ct::ReadBytes(cards + L"\\3").find("LABEL;TYPE=work:2 Post Rd"), std::string::npos);
}

TEST(ComponentsSessionLibrary, CallsOutOfOrderOrUnknownFailAsAutomationErrors) {
    ct::ScratchFolder scratch(L"components-session-errors");
    ct::ItemWriterDriver w;
    ASSERT_TRUE(w.CreateDispatch(L"loomcraft.Class1"));
    w.CreateStore(scratch / L"errors.pst", kStoreName);
    w.CreateFolder(kFolder);

    COleDispatchDriver session;
    ASSERT_TRUE(session.CreateDispatch(L"CorvaneRedmp.RDOSessionCorvane"));
    EXPECT_THROW(ct::FolderByPath(session, kFolder), COleDispatchException) << "before the log-on";
    ct::LogOn(session);
    EXPECT_THROW(ct::FolderByPath(session, L"\\\\Contacts store\\No such folder"), COleDispatchException);
    EXPECT_THROW(ct::FolderByPath(session, L"\\\\No such store\\Contacts"), COleDispatchException);

    COleDispatchDriver folder = ct::FolderByPath(session, kFolder);
    COleDispatchDriver items = ct::ItemsOf(folder);
    EXPECT_THROW(ct::AddItem(items, 0), COleDispatchException) << "only contacts";
    COleDispatchDriver item = ct::AddItem(items, 2);
    try {
        ct::PutText(item, 0x60040001, L"x");
        ADD_FAILURE() << "an id that is no contact property";
    } catch (const COleException& e) {
        EXPECT_EQ(e.m_sc, DISP_E_MEMBERNOTFOUND);
    }
    // A file that is not there: the call says which.
    try {
        ct::AttachFile(item, scratch / L"gone.txt");
        ADD_FAILURE() << "a missing file attached";
    } catch (const COleDispatchException& e) {
        EXPECT_NE(std::wstring(e.m_strDescription.GetString()).find(L"gone.txt does not exist"), std::wstring::npos);
    }
    // One that goes before the save: nothing of the contact is stored.
    ct::WriteBytes(scratch / L"brief.txt", "x");
    ct::AttachFile(item, scratch / L"brief.txt");
    ct::PutText(item, 0x6004004D, L"Never");
    DeleteFileW((scratch / L"brief.txt").c_str());
    EXPECT_THROW(ct::SaveItem(item), COleDispatchException);
    COleDispatchDriver second = ct::AddItem(items, 2);
    ct::PutText(second, 0x6004004D, L"Di");
    EXPECT_NO_THROW(ct::SaveItem(second));
    second.ReleaseDispatch();
    item.ReleaseDispatch();
    items.ReleaseDispatch();
    folder.ReleaseDispatch();
    session.ReleaseDispatch();
    w.ReleaseDispatch();
    const std::vector<Record> contacts = ReadContacts(scratch / L"errors.pst");
    ASSERT_EQ(contacts.size(), 1u);
    EXPECT_EQ(item_test::TextOf(contacts[0]->pContact->txGivenName), "Di");
    EXPECT_EQ(contacts[0]->pAttachments, nullptr);
}

// A contact saved, changed and saved again: the store holds one contact, as
// it was at its last save. Its RTF body, given as Unicode text, keeps the
// characters the ANSI code page lacks as RTF's Unicode escapes.
TEST(ComponentsSessionLibrary, AContactSavedAgainHoldsItsChangesAndItsRtfKeepsCyrillic) {
    ct::ScratchFolder scratch(L"components-contact-again");
    const std::wstring pst = scratch / L"again.pst";
    ct::ItemWriterDriver w;
    ASSERT_TRUE(w.CreateDispatch(L"loomcraft.Class1"));
    w.CreateStore(pst, kStoreName);
    w.CreateFolder(kFolder);
    COleDispatchDriver session;
    ASSERT_TRUE(session.CreateDispatch(L"CorvaneRedmp.RDOSessionCorvane"));
    ct::LogOn(session);
    COleDispatchDriver folder = ct::FolderByPath(session, kFolder);
    COleDispatchDriver items = ct::ItemsOf(folder);
    COleDispatchDriver item = ct::AddItem(items, 2);
    ct::PutText(item, 0x6004004D, L"Anna");
    ct::PutText(item, 0x45, L"{\\rtf1\\ansi \u041f\u0440\u0438\u0432\u0435\u0442, caf\u00e9\\par}");
    ct::SaveItem(item);
    w.EndBatch();
    ct::SaveItem(item);
    ct::PutText(item, 0x6004004D, L"Anja");
    ct::SaveItem(item);
    item.ReleaseDispatch();
    items.ReleaseDispatch();
    folder.ReleaseDispatch();
    session.ReleaseDispatch();
    w.ReleaseDispatch();

    const std::vector<Record> contacts = ReadContacts(pst);
    ASSERT_EQ(contacts.size(), 1u);
    ASSERT_TRUE(contacts[0]->pContact);
    EXPECT_EQ(item_test::TextOf(contacts[0]->pContact->txGivenName), "Anja");

    if (!ct::HaveNativeTools()) GTEST_SKIP() << "not under Wine, or the independent readers are not installed";
    const std::wstring top = ct::PffExport(pst, scratch, L"pff");
    EXPECT_FALSE(ct::Exists(top + L"\\Contacts\\Contact00002"));
    const std::string rtf = ct::ReadBytes(top + L"\\Contacts\\Contact00001\\Message.rtf");
    EXPECT_EQ(rtf.substr(0, 65), "{\\rtf1\\ansi \\u1055?\\u1088?\\u1080?\\u1074?\\u1077?\\u1090?, caf\xE9\\par}") << rtf;
}
