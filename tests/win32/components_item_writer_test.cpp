// The item writer "loomcraft.Class1" as the program uses it: registered by
// regsvr32, created by ProgID, driven call by call in the order of a save,
// and the store it writes read back by the independent readers.
#include <gtest/gtest.h>

#include "components_test_support.h"

namespace ct = components_test;

namespace {

const wchar_t kStoreName[] = L"Quillmere_Personal_Folders_8-12-2026 7-5-44";
const char kRtf[] = "{\\rtf1\\ansi\\deff0 {\\fonttbl{\\f0 Arial;}}\\f0 Rich text body\\par}";
const wchar_t kHtml[] = L"<html><body><p>Hi there</p></body></html>";

std::wstring Root() { return std::wstring(L"\\\\") + kStoreName; }

::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new ct::ComponentsEnvironment);

std::wstring RegistryText(const std::wstring& key, const wchar_t* name) {
    wchar_t buf[1024];
    DWORD size = sizeof buf;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS) return L"?";
    return buf;
}

// The folder chain and the folder save of the program, for one folder.
struct Saver {
    ct::ItemWriterDriver& w;
    void Chain(const std::wstring& relative) {
        std::wstring prefix;
        size_t start = 0;
        for (size_t slash; (slash = relative.find(L'\\', start)) != std::wstring::npos; start = slash + 1) {
            prefix = relative.substr(0, slash);
            if (_wcsicmp(prefix.c_str(), L"Deleted Items") == 0) continue;
            w.BeginBatch();
            w.CreateFolder(Root() + L"\\" + prefix);
            w.EndBatch();
        }
    }
    template <class Items>
    void Folder(const std::wstring& relative, int count, Items item) {
        Chain(relative + L"\\");
        const std::wstring path = Root() + L"\\" + relative;
        w.BeginBatch();
        w.OpenFolder(path);
        for (int i = 0; i < count; ++i) {
            if (i % 150 == 0) {
                w.CloseFolder();
                w.OpenFolder(path);
            }
            item(path, i);
        }
        w.CloseFolder();
        w.EndBatch();
    }
};

// pffexport's text of one item, with one field's value after its label.
std::string Field(const std::string& text, const std::string& label) {
    const size_t at = text.find(label);
    if (at == std::string::npos) return "(no " + label + ")";
    size_t start = text.find_first_not_of(" \t:", at + label.size());
    size_t end = text.find_first_of("\r\n", start);
    return text.substr(start, end - start);
}

// The entries of a folder whose names match a pattern: how many, and the first.
int CountEntries(const std::wstring& folder, const wchar_t* pattern) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\" + pattern).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do ++n;
    while (FindNextFileW(h, &fd));
    FindClose(h);
    return n;
}
std::wstring FirstEntry(const std::wstring& folder, const wchar_t* pattern) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\" + pattern).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return folder + L"\\(none)";
    FindClose(h);
    return folder + L"\\" + fd.cFileName;
}

}  // namespace

TEST(ComponentsRegistration, Regsvr32RegistersEachClassByProgIdInTheApartmentModel) {
    const std::pair<const wchar_t*, const wchar_t*> components[] = {
        {L"Loomcraft.dll", L"loomcraft.Class1"}, {L"CorvaneRedmp.dll", L"CorvaneRedmp.RDOSessionCorvane"}};
    for (const auto& c : components) {
        SCOPED_TRACE(ct::Utf8(c.second));
        const std::wstring dll = ct::ComponentPath(c.first);
        CLSID clsid;
        ASSERT_EQ(ct::Regsvr32(dll, true), 0);
        EXPECT_NE(CLSIDFromProgID(c.second, &clsid), S_OK);
        COleDispatchDriver missing;
        EXPECT_FALSE(missing.CreateDispatch(c.second));

        ASSERT_EQ(ct::Regsvr32(dll), 0);
        ASSERT_EQ(CLSIDFromProgID(c.second, &clsid), S_OK);
        wchar_t text[40];
        StringFromGUID2(clsid, text, 40);
        const std::wstring key = std::wstring(L"CLSID\\") + text + L"\\InprocServer32";
        wchar_t registered[MAX_PATH] = L"";
        GetLongPathNameW(RegistryText(key, nullptr).c_str(), registered, MAX_PATH);
        EXPECT_EQ(_wcsicmp(registered, dll.c_str()), 0) << ct::Utf8(RegistryText(key, nullptr));
        EXPECT_EQ(RegistryText(key, L"ThreadingModel"), L"Apartment");
        EXPECT_EQ(RegistryText(std::wstring(L"CLSID\\") + text + L"\\ProgID", nullptr), c.second);
        COleDispatchDriver created;
        EXPECT_TRUE(created.CreateDispatch(c.second));
    }
}

TEST(ComponentsItemWriter, FailuresComeBackAsAutomationErrors) {
    ct::ScratchFolder scratch(L"components-errors");
    ct::ItemWriterDriver w;
    ASSERT_TRUE(w.CreateDispatch(L"loomcraft.Class1"));
    // No store yet: the server's own error, with its text.
    try {
        w.CreateFolder(L"\\\\No such store\\Inbox");
        ADD_FAILURE() << "no exception";
    } catch (const COleDispatchException& e) {
        EXPECT_NE(std::wstring(e.m_strDescription.GetString()).find(L"CreateStore comes first"), std::wstring::npos);
    }
    // A path that is no folder path, and a call with too few arguments.
    w.CreateStore(scratch / L"errors.pst", L"Errors store");
    EXPECT_THROW(w.OpenFolder(L"Inbox"), COleDispatchException);
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(w.m_lpDispatch->Invoke(0x6003002D, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
              DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(w.m_lpDispatch->Invoke(0x60030030, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    // By-value texts, as other late-bound callers pass them, are taken too.
    VARIANT arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_BSTR;
    V_BSTR(&arg) = SysAllocString(L"\\\\Errors store\\By value");
    DISPPARAMS one = {&arg, nullptr, 1, 0};
    EXPECT_EQ(w.m_lpDispatch->Invoke(0x6003002C, IID_NULL, 0, DISPATCH_METHOD, &one, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(V_VT(&result), VT_BSTR);
    EXPECT_EQ(SysStringLen(V_BSTR(&result)), 0u);
    VariantClear(&result);
    VariantClear(&arg);
    w.ReleaseDispatch();
    EXPECT_TRUE(ct::Exists(scratch / L"errors.pst"));
}

// One whole save: every operation in the order the program calls them, every
// kind of item, then the file as three independent readers see it.
TEST(ComponentsItemWriter, AWholeSaveOpensInTheIndependentReadersWithEveryItem) {
    ct::ScratchFolder scratch(L"components-save");
    const std::wstring pst = scratch / (std::wstring(L"mailbox8-12-2026 7-5-44.pst"));
    const std::wstring header = scratch / L"Temp.eml";

    // Attachment files: two for the plain mail, 300 for the big one.
    ct::WriteBytes(scratch / L"a.txt", "Hello attachment");
    std::string big(50000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 13 + 1);
    ct::WriteBytes(scratch / L"big.bin", big);
    {
        ct::ItemWriterDriver w;
        ASSERT_TRUE(w.CreateDispatch(L"loomcraft.Class1"));
        w.BeginBatch();
        w.CreateStore(pst, kStoreName);
        w.EndBatch();
        ASSERT_TRUE(ct::Exists(pst));
        Saver s{w};
        s.Folder(L"Inbox", 3, [&](const std::wstring& folder, int i) {
            if (i == 0) {
                ct::WriteBytes(header, "From:Bob Stone<bob@example.com>\r\n");
                w.SaveMail(folder, L"Plain mail Gr\u00fc\u00dfe", L"Ann Lee; Cid Moss<cid@example.com>", header,
                           L"6/5/2012 10:00 AM", (scratch / L"a.txt") + L";" + (scratch / L"big.bin") + L";",
                           L"Hello plain body", 0);
            } else if (i == 1) {
                ct::WriteBytes(header, "From:UnKnown\r\n");
                w.SaveMail(folder, L"Html mail", L"Ann Lee", header, L"12/31/2019 23:59 PM", L"", kHtml, 1);
            } else {
                // A page with a character no ANSI code page holds goes in as UTF-8.
                w.SaveMail(folder, L"Wide html", L"Ann Lee", header, L"6/5/2012 10:00 AM", L"", L"<p>\U0001F600</p>", 1);
            }
        });
        s.Folder(L"Inbox\\Sub \U0001F4C1", 1, [&](const std::wstring& folder, int) {
            ct::WriteBytes(header, "From:<Dan>\r\n");
            w.SaveMail(folder, L"Rtf mail", L"Ann Lee", header, L"6/5/2012 10:00 AM", L"", ct::Utf16(kRtf), 3);
        });
        s.Folder(L"Bulk", 160, [&](const std::wstring& folder, int i) {
            ct::WriteBytes(header, "From:Bulk<bulk@example.com>\r\n");
            w.SaveMail(folder, L"Bulk " + std::to_wstring(i), L"Ann Lee", header, L"6/5/2012 10:00 AM", L"", L"b", 0);
        });
        s.Folder(L"Calendar", 1, [&](const std::wstring& folder, int) {
            w.SaveAppointment(folder, L"Meeting", L"Dee<dee@example.com>", L"6/5/2012 10:00 AM", L"6/5/2012 11:30 AM",
                              L"Room 1", L"Agenda", 0);
        });
        s.Folder(L"Tasks", 1, [&](const std::wstring& folder, int) {
            w.SaveTask(folder, L"6/5/2012 10:00 AM", scratch / L"a.txt", L"Task body", L"Do things", 0);
        });
        s.Folder(L"Journal", 1, [&](const std::wstring& folder, int) {
            w.SaveJournal(folder, scratch / L"a.txt", L"Call notes", L"Phone call", 0);
        });
        s.Folder(L"Notes", 1, [&](const std::wstring& folder, int) { w.SaveNote(folder, L"A sticky note", L"Sticky", 0); });
        // A top-level "Deleted Items" is the store's own; its sub-folder is made.
        s.Folder(L"Deleted Items", 1, [&](const std::wstring& folder, int) {
            ct::WriteBytes(header, "From:Bob Stone<bob@example.com>\r\n");
            w.SaveMail(folder, L"Deleted mail", L"Ann Lee", header, L"6/5/2012 10:00 AM", L"", L"gone", 0);
        });
        s.Folder(L"Deleted Items\\Old", 1, [&](const std::wstring& folder, int) {
            ct::WriteBytes(header, "From:Bob Stone<bob@example.com>\r\n");
            w.SaveMail(folder, L"Old mail", L"Ann Lee", header, L"6/5/2012 10:00 AM", L"", L"old", 0);
        });
    }   // the writer goes: the store is finished

    if (!ct::HaveNativeTools()) GTEST_SKIP() << "not under Wine, or the independent readers are not installed";

    const std::string info = ct::RunNative("pffinfo " + ct::Quote(pst), scratch);
    EXPECT_NE(info.find("Personal Storage Tables"), std::string::npos) << info;
    EXPECT_NE(info.find("64-bit"), std::string::npos) << info;

    // pffexport: every folder and item with its fields. (It turns characters
    // beyond the Basic Multilingual Plane into others; readpst checks those.)
    const std::wstring top = ct::PffExport(pst, scratch, L"pff");
    for (const wchar_t* folder : {L"Inbox", L"Bulk", L"Calendar", L"Tasks", L"Journal", L"Notes", L"Deleted Items\\Old"})
        EXPECT_TRUE(ct::Exists(top + L"\\" + folder)) << ct::Utf8(folder);
    EXPECT_EQ(CountEntries(top + L"\\Inbox", L"Message*"), 3);
    EXPECT_EQ(CountEntries(top + L"\\Inbox", L"Sub *"), 1);
    EXPECT_EQ(CountEntries(top + L"\\Bulk", L"Message*"), 160);
    EXPECT_EQ(CountEntries(top + L"\\Deleted Items", L"Message*"), 1);
    EXPECT_EQ(CountEntries(top + L"\\Deleted Items\\Old", L"Message*"), 1);

    const std::wstring plain = top + L"\\Inbox\\Message00001";
    const std::string headers = ct::ReadBytes(plain + L"\\OutlookHeaders.txt");
    EXPECT_EQ(Field(headers, "Subject"), "Plain mail Gr\xC3\xBC\xC3\x9F" "e") << headers;
    EXPECT_EQ(Field(headers, "Sender name"), "Bob Stone");
    EXPECT_EQ(Field(headers, "Sender email address"), "bob@example.com");
    EXPECT_EQ(Field(headers, "Delivery time"), "Jun 05, 2012 04:30:00.000000000 UTC");
    EXPECT_EQ(Field(headers, "Client submit time"), "Jun 05, 2012 04:30:00.000000000 UTC");
    EXPECT_EQ(ct::ReadBytes(plain + L"\\Message.txt").substr(0, 16), "Hello plain body");
    EXPECT_EQ(ct::ReadBytes(plain + L"\\Attachments\\1_a.txt"), "Hello attachment");
    EXPECT_EQ(ct::Fnv1a(ct::ReadBytes(plain + L"\\Attachments\\2_big.bin")), ct::Fnv1a(big));
    const std::string recipients = ct::ReadBytes(plain + L"\\Recipients.txt");
    EXPECT_NE(recipients.find("Ann Lee"), std::string::npos) << recipients;
    EXPECT_NE(recipients.find("Cid Moss"), std::string::npos) << recipients;
    // The address after the last of two names is the received-by address, not Cid's.
    EXPECT_EQ(recipients.find("cid@example.com"), std::string::npos) << recipients;

    const std::wstring html = top + L"\\Inbox\\Message00002";
    EXPECT_EQ(ct::ReadBytes(html + L"\\Message.html").substr(0, 41), ct::Utf8(kHtml));
    const std::string htmlHeaders = ct::ReadBytes(html + L"\\OutlookHeaders.txt");
    EXPECT_EQ(htmlHeaders.find("Sender name"), std::string::npos) << "\"UnKnown\" is no sender";
    EXPECT_EQ(Field(htmlHeaders, "Delivery time"), "Dec 31, 2019 18:29:00.000000000 UTC");

    EXPECT_EQ(ct::ReadBytes(top + L"\\Inbox\\Message00003\\Message.html").substr(0, 11), "<p>\xF0\x9F\x98\x80</p>");

    const std::wstring rtfFolder = FirstEntry(top + L"\\Inbox", L"Sub *");
    EXPECT_EQ(ct::ReadBytes(rtfFolder + L"\\Message00001\\Message.rtf").substr(0, sizeof kRtf - 1), kRtf);
    EXPECT_EQ(Field(ct::ReadBytes(rtfFolder + L"\\Message00001\\OutlookHeaders.txt"), "Sender name"), "Dan");

    const std::string meeting = ct::ReadBytes(top + L"\\Calendar\\Appointment00001\\Appointment.txt");
    EXPECT_EQ(Field(meeting, "Subject"), "Meeting") << meeting;
    EXPECT_EQ(Field(meeting, "Sender email address"), "dee@example.com");
    EXPECT_EQ(Field(meeting, "Start time"), "Jun 05, 2012 04:30:00.000000000 UTC");
    EXPECT_EQ(Field(meeting, "End time"), "Jun 05, 2012 06:00:00.000000000 UTC");
    EXPECT_EQ(Field(meeting, "Location"), "Room 1");
    const std::string task = ct::ReadBytes(top + L"\\Tasks\\Task00001\\Task.txt");
    EXPECT_EQ(Field(task, "Subject"), "Do things") << task;
    EXPECT_EQ(Field(task, "Delivery time"), "Jun 05, 2012 04:30:00.000000000 UTC");
    EXPECT_EQ(ct::ReadBytes(top + L"\\Tasks\\Task00001\\Message.txt").substr(0, 9), "Task body");
    EXPECT_EQ(ct::ReadBytes(top + L"\\Tasks\\Task00001\\Attachments\\1_a.txt"), "Hello attachment");
    EXPECT_EQ(Field(ct::ReadBytes(top + L"\\Journal\\Activity00001\\Activity.txt"), "Subject"), "Phone call");
    EXPECT_EQ(ct::ReadBytes(top + L"\\Journal\\Activity00001\\Attachments\\1_a.txt"), "Hello attachment");
    EXPECT_EQ(Field(ct::ReadBytes(top + L"\\Notes\\Note00001\\Note.txt"), "Subject"), "Sticky");
    EXPECT_EQ(ct::ReadBytes(top + L"\\Notes\\Note00001\\Message.txt").substr(0, 13), "A sticky note");

    // readpst: the folders with their item counts, and the texts beyond the
    // Basic Multilingual Plane.
    std::string log;
    std::map<std::string, int> counts = ct::ReadpstCounts(pst, scratch, L"readpst", &log);
    EXPECT_EQ(counts["Inbox"], 4) << log;            // three mails and a sub-folder
    EXPECT_EQ(counts["Sub \xF0\x9F\x93\x81"], 1) << log;
    EXPECT_EQ(counts["Bulk"], 160);
    EXPECT_EQ(counts["Calendar"], 1);
    EXPECT_EQ(counts["Deleted Items"], 2);           // one mail and a sub-folder
    EXPECT_EQ(counts["Old"], 1);
    EXPECT_EQ(counts["Journal"], 1) << log;          // readpst needs a journal entry's times
    const std::wstring readpstInbox = scratch / (std::wstring(L"readpst\\") + kStoreName + L"\\Inbox");
    EXPECT_EQ(ct::MimeHeader(ct::ReadBytes(readpstInbox + L"\\2"), "Date"), "Tue, 05 Jun 2012 04:30:00 +0000");
    EXPECT_NE(ct::ReadBytes(scratch / (std::wstring(L"readpst\\") + kStoreName + L"\\Calendar\\1"))
                  .find("DTSTART;VALUE=DATE-TIME:20120605T043000Z"),
              std::string::npos);
}

// The largest mail of the program's tests: tables of recipients and
// attachments too large for one heap, with names beyond the Basic
// Multilingual Plane.
TEST(ComponentsItemWriter, AMailWithThreeHundredAttachmentsAndAHundredRecipientsKeepsThemAll) {
    ct::ScratchFolder scratch(L"components-big");
    const std::wstring pst = scratch / L"big.pst";
    const std::wstring header = scratch / L"Temp.eml";
    std::wstring bigList;
    std::map<std::wstring, uint64_t> bigHashes;
    for (int i = 1; i <= 300; ++i) {
        const std::wstring name = L"\U0001D11E note " + std::to_wstring(i) + L".txt";
        const std::string bytes = "attachment number " + std::to_string(i) + std::string(static_cast<size_t>(i), 'x');
        ct::WriteBytes(scratch / name, bytes);
        bigList += (scratch / name) + L";";
        bigHashes[name] = ct::Fnv1a(bytes);
    }
    std::wstring manyRecipients;
    for (int i = 1; i <= 100; ++i)
        manyRecipients += (i > 1 ? L"; " : L"") + std::wstring(L"R\U0001F600 ") + std::to_wstring(i) + L"<r" + std::to_wstring(i) + L"@example.com>";

    {
        ct::ItemWriterDriver w;
        ASSERT_TRUE(w.CreateDispatch(L"loomcraft.Class1"));
        w.BeginBatch();
        w.CreateStore(pst, kStoreName);
        w.EndBatch();
        Saver{w}.Folder(L"Inbox", 1, [&](const std::wstring& folder, int) {
            ct::WriteBytes(header, "From:Eve\r\n");
            w.SaveMail(folder, L"Big \U0001F600 mail", manyRecipients, header, L"1/2/2020 00:05 AM", bigList,
                       L"Three hundred attachments", 0);
        });
    }
    if (!ct::HaveNativeTools()) GTEST_SKIP() << "not under Wine, or the independent readers are not installed";

    const std::wstring bigMail = ct::PffExport(pst, scratch, L"pff") + L"\\Inbox\\Message00001";
    const std::string bigHeaders = ct::ReadBytes(bigMail + L"\\OutlookHeaders.txt");
    EXPECT_EQ(Field(bigHeaders, "Sender name"), "Eve");
    EXPECT_EQ(Field(bigHeaders, "Delivery time"), "Jan 01, 2020 18:35:00.000000000 UTC");
    const std::string bigRecipients = ct::ReadBytes(bigMail + L"\\Recipients.txt");
    int addresses = 0;
    for (int i = 1; i <= 100; ++i) addresses += bigRecipients.find("r" + std::to_string(i) + "@example.com\n") != std::string::npos;
    EXPECT_EQ(addresses, 100);
    EXPECT_EQ(CountEntries(bigMail + L"\\Attachments", L"*_*"), 300);

    ct::ReadpstCounts(pst, scratch, L"readpst");
    const std::wstring inbox = scratch / (std::wstring(L"readpst\\") + kStoreName + L"\\Inbox");
    const std::string mime = ct::ReadBytes(inbox + L"\\1");
    EXPECT_EQ(ct::MimeHeader(mime, "Subject"), "Big \xF0\x9F\x98\x80 mail");
    const std::string to = ct::MimeHeader(mime, "To");
    const std::string firstTwo = "R\xF0\x9F\x98\x80 1; R\xF0\x9F\x98\x80 2; ";
    EXPECT_EQ(to.substr(0, firstTwo.size()), firstTwo) << to;
    EXPECT_EQ(to.substr(to.size() - 8), "\xF0\x9F\x98\x80 100");
    int attachments = 0;
    for (int i = 1; i <= 300; ++i) {
        const std::wstring name = L"\U0001D11E note " + std::to_wstring(i) + L".txt";
        attachments += ct::Fnv1a(ct::ReadBytes(inbox + L"\\1-" + name)) == bigHashes[name];
    }
    EXPECT_EQ(attachments, 300);
}
