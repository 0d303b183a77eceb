// Both components driven by name from the system's script host (cscript
// running a VBScript file), as users script them: every kind of item into a
// store, read back field by field by pffexport, and calls that must fail,
// each with its error number and text. Also what a script cannot see: the
// argument a type mismatch names, the type library, the received-by address.
#include <gtest/gtest.h>

#include <algorithm>

#include "components_test_support.h"
#include "reader/item_reader.h"
#include "reader/ndb.h"
#include "reader_item_test_support.h"

namespace ct = components_test;

namespace {

::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new ct::ComponentsEnvironment);

const char kAttachment[] = "attachment bytes\r\n";

// Runs cscript on a script with its arguments; what it printed.
std::string RunScript(const std::wstring& script, const std::wstring& arguments, const ct::ScratchFolder& scratch) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring outFile = scratch / L"script-output.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return "(no output file)";
    std::wstring line = std::wstring(L"\"") + system + L"\\cscript.exe\" //NoLogo \"" + script + L"\" " + arguments;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = out;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    const BOOL started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    CloseHandle(out);
    if (!started) return "(cscript not started)";
    if (WaitForSingleObject(pi.hProcess, 120000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ct::ReadBytes(outFile);
}

// The lines the script printed that begin with a word, the word cut off.
std::vector<std::string> LinesOf(const std::string& output, const std::string& word) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < output.size()) {
        size_t end = output.find('\n', pos);
        if (end == std::string::npos) end = output.size();
        std::string l = output.substr(pos, end - pos);
        if (!l.empty() && l.back() == '\r') l.pop_back();
        if (l.compare(0, word.size() + 1, word + " ") == 0) lines.push_back(l.substr(word.size() + 1));
        pos = end + 1;
    }
    return lines;
}

std::string Field(const std::string& text, const std::string& label) {
    const size_t at = text.find(label + ":");
    if (at == std::string::npos) return "(no " + label + ")";
    const size_t start = text.find_first_not_of(" \t", at + label.size() + 1);
    return text.substr(start, text.find_first_of("\r\n", start) - start);
}

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

// A bad call of the script: its error number (as VBScript's Hex gives it)
// and a piece of its text.
struct Refusal {
    const char* step;
    const char* number;
    const char* text;
};
const Refusal kRefusals[] = {
    {"numbers for texts", "D", ""},                                      // type mismatch
    {"relative path", "80070057", "\"relative.pst\" is not a full path"},
    {"backslash in the name", "80070057", "\"A\\B\" holds a backslash"},
    {"path open in another writer", "80070020", "SCRIPT.PST is already open in this process, as the store \"Script store\""},
    {"file open in another writer by another path", "80070020", "script.pst is already open in this process"},
    {"name open in another writer", "800700B7", "A store named \"script STORE\" is already open"},
    {"the other writer's store", "80070057", "names the store \"Script store\", but this item writer's store is \"Second store\""},
    {"refused store in place of its own", "800700B7", "A store named \"Script store\" is already open"},
    {"body type 2", "80070057", "The body type 2 is none of 0 (plain text), 1 (HTML) and 3 (RTF)."},
    {"fraction for a body type", "D", ""},
    {"argument missing", "1C0", ""},                                     // DISP_E_PARAMNOTFOUND
    {"one argument too many", "1C2", ""},                                // DISP_E_BADPARAMCOUNT
    {"no such member", "1B6", ""},                                       // DISP_E_UNKNOWNNAME
    {"mail attachment missing", "80070002", "gone.txt does not exist."},
    {"mail attachment a folder", "8007010B", "is a folder, not a file."},
    {"mail attachment list of empty names", "80070057", "The attachment list \";;;\" holds an empty file name."},
    {"mail one attachment of two missing", "80070002", "gone.txt does not exist."},
    {"mail attachment on a missing drive", "80070002", "The attachment file Q:\\no drive\\x.txt does not exist."},
    {"task attachment missing", "80070002", "gone.txt does not exist."},
    {"journal attachment missing", "80070002", "gone.txt does not exist."},
    {"contact attachment missing", "80070002", "gone.txt does not exist."},
    {"number for the RTF body", "D", ""},
    {"item kind 3", "80070057", "The item kind 3 cannot be added"},
    {"folder before log-on", "80004005", "The session is not logged on"},
};

}  // namespace

TEST(ComponentsScript, AVbscriptDrivesBothComponentsByNameAndHearsWhatWentWrong) {
    ct::ScratchFolder scratch(L"components-script");
    ct::WriteBytes(scratch / L"att.txt", kAttachment);
    ct::WriteBytes(scratch / L"semi;colon.txt", "semicolon");
    ct::WriteBytes(scratch / L"Temp.eml", "From:Bob Stone<bob@example.com>\r\n");
    // Under Wine the folder is also on the drive of the whole file system.
    const std::string unix = ct::UnixPath(scratch.path());
    std::wstring alias = unix.empty() ? scratch.path() : L"Z:" + ct::Utf16(unix);
    std::replace(alias.begin(), alias.end(), L'/', L'\\');
    const std::string output = RunScript(std::wstring(COMPONENTS_SCRIPTS_DIR) + L"\\components_by_name.vbs",
                                         L"\"" + scratch.path() + L"\" \"" + alias + L"\"", scratch);
    ASSERT_NE(output.find("DONE"), std::string::npos) << output;
    EXPECT_TRUE(LinesOf(output, "FAILED").empty()) << output;
    EXPECT_EQ(LinesOf(output, "OK").size(), 16u) << output;
    EXPECT_EQ(LinesOf(output, "READ"), std::vector<std::string>{"GivenName=Ann"});

    std::map<std::string, std::string> errors;
    for (const std::string& l : LinesOf(output, "ERROR")) errors[l.substr(0, l.find('|'))] = l.substr(l.find('|') + 1);
    EXPECT_EQ(errors.size(), sizeof kRefusals / sizeof kRefusals[0]) << output;
    for (const Refusal& r : kRefusals) {
        SCOPED_TRACE(r.step);
        const std::string e = errors.count(r.step) ? errors[r.step] : "(not run)|";
        EXPECT_EQ(e.substr(0, e.find('|')), r.number) << e;
        const std::string text = e.substr(e.find('|') + 1);
        EXPECT_FALSE(text.empty());
        EXPECT_NE(text.find(r.text), std::string::npos) << text;
    }

    // The received-by address, which pffexport does not show: our reader.
    const std::wstring pst = scratch / L"script.pst";
    {
        item_test::LoadedStore store(pst);
        const std::vector<std::string> paths = store.FolderPaths();
        std::string receivedBy = "(no Inbox)";
        for (size_t i = 0; i < paths.size(); ++i) {
            if (paths[i] != "Inbox") continue;
            NodeEntry* inbox = FindNode(&g_storeFile, g_listFolders[i].nNodeId);
            ItemRecord* mail = inbox && inbox->pFirstChild ? ReadItemRecord(g_storeFile, inbox->pFirstChild) : nullptr;
            receivedBy = mail && mail->pMessage ? item_test::TextOf(mail->pMessage->txReceivedByEmailAddress) : "(no mail)";
            if (mail) FreeItemRecord(mail);
        }
        EXPECT_EQ(receivedBy, "me@example.com");
    }

    if (!ct::HaveNativeTools()) GTEST_SKIP() << "not under Wine, or the independent readers are not installed";
    EXPECT_NE(ct::RunNative("pffinfo " + ct::Quote(scratch / L"second.pst"), scratch).find("Personal Storage Tables"),
              std::string::npos);
    const std::wstring top = ct::PffExport(pst, scratch, L"pff");
    // Nothing of a refused item is stored.
    EXPECT_EQ(CountEntries(top + L"\\Inbox", L"Message*"), 2);
    EXPECT_EQ(CountEntries(top + L"\\Tasks", L"Task*"), 1);
    EXPECT_EQ(CountEntries(top + L"\\Journal", L"Activity*"), 1);
    EXPECT_EQ(CountEntries(top + L"\\Notes", L"Note*"), 1);
    EXPECT_EQ(CountEntries(top + L"\\Contacts", L"Contact*"), 1);

    const std::wstring mail = top + L"\\Inbox\\Message00001";
    const std::string headers = ct::ReadBytes(mail + L"\\OutlookHeaders.txt");
    EXPECT_EQ(Field(headers, "Subject"), "Script mail") << headers;
    EXPECT_EQ(Field(headers, "Sender name"), "Bob Stone");
    EXPECT_EQ(Field(headers, "Sender email address"), "bob@example.com");
    EXPECT_EQ(Field(headers, "Delivery time"), "Jun 05, 2012 04:30:00.000000000 UTC");
    EXPECT_EQ(ct::ReadBytes(mail + L"\\Message.html").substr(0, 44), "<html><body><p>Script body</p></body></html>");
    EXPECT_EQ(ct::ReadBytes(mail + L"\\Attachments\\1_att.txt"), kAttachment);
    EXPECT_EQ(CountEntries(mail + L"\\Attachments", L"2_semi*colon.txt"), 1);   // a name holding the list's separator
    const std::string recipients = ct::ReadBytes(mail + L"\\Recipients.txt");
    EXPECT_NE(recipients.find("Display name:\t\tAnn Lee"), std::string::npos) << recipients;
    EXPECT_NE(recipients.find("Display name:\t\tCid Moss"), std::string::npos) << recipients;
    EXPECT_EQ(recipients.find("me@example.com"), std::string::npos) << recipients;
    const std::wstring plainMail = top + L"\\Inbox\\Message00002";
    EXPECT_EQ(Field(ct::ReadBytes(plainMail + L"\\OutlookHeaders.txt"), "Subject"), "Plain mail");
    EXPECT_NE(ct::ReadBytes(plainMail + L"\\Recipients.txt").find("ann@example.com"), std::string::npos);
    EXPECT_EQ(ct::ReadBytes(plainMail + L"\\Message.txt").substr(0, 10), "Plain body");

    const std::string meeting = ct::ReadBytes(top + L"\\Calendar\\Appointment00001\\Appointment.txt");
    EXPECT_EQ(Field(meeting, "Subject"), "Meeting") << meeting;
    EXPECT_EQ(Field(meeting, "Location"), "Room 1");
    EXPECT_EQ(Field(meeting, "Start time"), "Jun 05, 2012 04:30:00.000000000 UTC");
    EXPECT_EQ(Field(meeting, "End time"), "Jun 05, 2012 06:00:00.000000000 UTC");

    const std::wstring task = top + L"\\Tasks\\Task00001";
    EXPECT_EQ(Field(ct::ReadBytes(task + L"\\Task.txt"), "Subject"), "Do things");
    EXPECT_EQ(ct::ReadBytes(task + L"\\Message.txt").substr(0, 9), "Task body");
    EXPECT_EQ(ct::ReadBytes(task + L"\\Attachments\\1_att.txt"), kAttachment);
    const std::wstring journal = top + L"\\Journal\\Activity00001";
    EXPECT_EQ(Field(ct::ReadBytes(journal + L"\\Activity.txt"), "Subject"), "Phone call");
    EXPECT_EQ(ct::ReadBytes(journal + L"\\Message.txt").substr(0, 10), "Call notes");
    EXPECT_EQ(ct::ReadBytes(journal + L"\\Attachments\\1_att.txt"), kAttachment);
    EXPECT_EQ(Field(ct::ReadBytes(top + L"\\Notes\\Note00001\\Note.txt"), "Subject"), "Sticky");
    EXPECT_EQ(ct::ReadBytes(top + L"\\Notes\\Note00001\\Message.txt").substr(0, 13), "A sticky note");

    const std::wstring contact = top + L"\\Contacts\\Contact00001";
    const std::string card = ct::ReadBytes(contact + L"\\Contact.txt");
    EXPECT_EQ(Field(card, "Given name"), "Ann") << card;
    EXPECT_EQ(Field(card, "Surname"), "Lee");
    EXPECT_EQ(Field(card, "Email address 1"), "ann@example.com");
    EXPECT_EQ(Field(card, "Business phone number 1"), "+1 555 0100");
    EXPECT_EQ(Field(card, "Company name"), "Example Ltd");
    EXPECT_EQ(ct::ReadBytes(contact + L"\\Message.txt").substr(0, 13), "Contact notes");
    EXPECT_EQ(ct::ReadBytes(contact + L"\\Attachments\\1_att.txt"), kAttachment);
}

namespace {
// One argument of a hand-made call.
struct Arg {
    VARIANT v;
    explicit Arg(const wchar_t* text) {
        VariantInit(&v);
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = SysAllocString(text);
    }
    explicit Arg(long number) {
        VariantInit(&v);
        V_VT(&v) = VT_I4;
        V_I4(&v) = number;
    }
    ~Arg() { VariantClear(&v); }
};

// Invoke with the arguments in the caller's order (DISPPARAMS holds them last first).
HRESULT Call(IDispatch* object, DISPID id, std::vector<VARIANT> args, UINT* argError = nullptr,
             std::vector<DISPID> names = {}) {
    std::reverse(args.begin(), args.end());
    std::reverse(names.begin(), names.end());
    DISPPARAMS params = {args.data(), names.empty() ? nullptr : names.data(), static_cast<UINT>(args.size()),
                         static_cast<UINT>(names.size())};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO info = {};
    UINT error = 99;
    const HRESULT hr = object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, &info, &error);
    if (SUCCEEDED(hr)) {
        EXPECT_TRUE(V_VT(&result) == VT_BSTR && SysStringLen(V_BSTR(&result)) == 0) << V_VT(&result);
    }
    if (argError) *argError = error;
    VariantClear(&result);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    return hr;
}

VARIANT ByRef(VARIANT& target) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&v) = &target;
    return v;
}
}  // namespace

TEST(ComponentsScript, LateBoundCallersFindNamesTypesAndTheArgumentAtFault) {
    ct::ScratchFolder scratch(L"components-dispatch");
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(L"loomcraft.Class1", &clsid), S_OK);
    IDispatch* w = nullptr;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&w)), S_OK);

    // Every member of the program's driver by name, in any case.
    const std::pair<const wchar_t*, DISPID> kNames[] = {
        {L"BEGINBATCH", 0x6003002A}, {L"createstore", 0x6003002B}, {L"CreateFolder", 0x6003002C},
        {L"savemail", 0x6003002D}, {L"OpenFolder", 0x6003002E}, {L"CloseFolder", 0x6003002F},
        {L"SaveAppointment", 0x60030031}, {L"EndBatch", 0x60030035}, {L"SaveJournal", 0x60030039},
        {L"SaveTask", 0x6003003A}, {L"SaveNote", 0x6003003B}};
    for (const auto& n : kNames) {
        LPOLESTR name = const_cast<LPOLESTR>(n.first);
        DISPID id = 0;
        EXPECT_EQ(w->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK) << ct::Utf8(n.first);
        EXPECT_EQ(id, n.second) << ct::Utf8(n.first);
    }
    LPOLESTR named[] = {const_cast<LPOLESTR>(L"CreateStore"), const_cast<LPOLESTR>(L"displayname"),
                        const_cast<LPOLESTR>(L"Path")};
    DISPID namedIds[3] = {};
    EXPECT_EQ(w->GetIDsOfNames(IID_NULL, named, 3, 0, namedIds), S_OK);
    EXPECT_EQ(namedIds[1], 1);
    EXPECT_EQ(namedIds[2], 0);

    // The type library: the same members with their arguments, registered.
    UINT count = 0;
    EXPECT_EQ(w->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ITypeInfo* info = nullptr;
    ASSERT_EQ(w->GetTypeInfo(0, 0, &info), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_GE(attr->cFuncs, 11);   // with IDispatch's own, where a system counts them
    info->ReleaseTypeAttr(attr);
    BSTR names[12] = {};
    UINT got = 0;
    ASSERT_EQ(info->GetNames(0x6003002D, names, 12, &got), S_OK);
    EXPECT_EQ(got, 11u);
    EXPECT_STREQ(names[0], L"SaveMail");
    EXPECT_STREQ(names[8], L"BodyType");
    for (UINT i = 0; i < got; ++i) SysFreeString(names[i]);
    ITypeLib* lib = nullptr;
    UINT index = 0;
    ASSERT_EQ(info->GetContainingTypeLib(&lib, &index), S_OK);
    TLIBATTR* libAttr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&libAttr), S_OK);
    ITypeLib* registered = nullptr;
    EXPECT_EQ(LoadRegTypeLib(libAttr->guid, 1, 0, 0, &registered), S_OK);
    ITypeInfo* coclass = nullptr;
    if (registered) {
        EXPECT_EQ(registered->GetTypeInfoOfGuid(clsid, &coclass), S_OK);
        if (coclass) coclass->Release();
        registered->Release();
    }
    lib->ReleaseTLibAttr(libAttr);
    lib->Release();
    info->Release();

    // A wrong type is named by its place in DISPPARAMS (last argument first).
    const std::wstring pst = scratch / L"dispatch.pst";
    UINT bad = 99;
    {
        Arg path(pst.c_str()), number(7);
        EXPECT_EQ(Call(w, 0x6003002B, {path.v, number.v}, &bad), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(bad, 0u);
        EXPECT_EQ(Call(w, 0x6003002B, {number.v, path.v}, &bad), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(bad, 1u);
    }
    // Arguments by name, in another order.
    {
        Arg name(L"Dispatch store"), path(pst.c_str());
        EXPECT_EQ(Call(w, 0x6003002B, {name.v, path.v}, nullptr, {1, 0}), S_OK);
    }
    // One note per way of passing its arguments: the same item each time.
    Arg folder(L"\\\\Dispatch store\\Notes"), body(L"Body"), subject(L"Note"), zero(0L);
    BSTR folderText = SysAllocString(L"\\\\Dispatch store\\Notes");
    VARIANT byRefText;
    VariantInit(&byRefText);
    V_VT(&byRefText) = VT_BSTR | VT_BYREF;
    V_BSTRREF(&byRefText) = &folderText;
    short smallZero = 0;
    VARIANT byRefShort;
    VariantInit(&byRefShort);
    V_VT(&byRefShort) = VT_I2 | VT_BYREF;
    V_I2REF(&byRefShort) = &smallZero;
    VARIANT shortZero;
    VariantInit(&shortZero);
    V_VT(&shortZero) = VT_I2;
    Arg textZero(L"0");
    EXPECT_EQ(Call(w, 0x6003003B, {folder.v, body.v, subject.v, zero.v}), S_OK);
    EXPECT_EQ(Call(w, 0x6003003B, {byRefText, body.v, subject.v, byRefShort}), S_OK);
    EXPECT_EQ(Call(w, 0x6003003B, {ByRef(folder.v), ByRef(body.v), ByRef(subject.v), ByRef(shortZero)}), S_OK);
    EXPECT_EQ(Call(w, 0x6003003B, {folder.v, body.v, subject.v, textZero.v}), S_OK);
    SysFreeString(folderText);
    w->Release();   // the store is finished

    const std::map<std::string, int> counts = item_test::LoadedStore(pst).ItemCountsByPath();
    EXPECT_EQ(counts.count("Notes") ? counts.at("Notes") : -1, 4);
}
