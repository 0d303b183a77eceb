// The store file of the item writer belongs to one writer: a new file only,
// never one that exists or a device, held against writers of this and other
// processes, and a refused CreateStore leaves the writer's store in use.
// Arguments that point nowhere or hold a NUL are errors, never a crash.
#include <gtest/gtest.h>

#include "components_test_support.h"
#include "reader/ndb.h"
#include "reader_item_test_support.h"

namespace ct = components_test;

namespace {

const wchar_t kPathVar[] = L"COMPONENTS_HELD_STORE";

::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new ct::ComponentsEnvironment);

std::wstring Variable(const wchar_t* name) {
    wchar_t buf[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableW(name, buf, MAX_PATH * 2);
    return n && n < MAX_PATH * 2 ? std::wstring(buf, n) : std::wstring();
}

void SaveMails(ct::ItemWriterDriver& w, const std::wstring& folder, const wchar_t* prefix, int first, int count) {
    for (int i = first; i < first + count; ++i)
        w.SaveMail(folder, prefix + std::to_wstring(i), L"Ann Lee", L"", L"6/5/2012 10:00 AM", L"", L"body", 0);
}

int ReaderCount(const std::wstring& pst, const std::string& folder) {
    const std::map<std::string, int> counts = item_test::LoadedStore(pst).ItemCountsByPath();
    return counts.count(folder) ? counts.at(folder) : -1;
}

// The description of the error a call ends with; "(no error)" when it succeeds.
template <class Call>
std::wstring ErrorOf(Call call) {
    try {
        call();
    } catch (const COleDispatchException& e) {
        return e.m_strDescription.GetString();
    }
    return L"(no error)";
}

bool Has(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

// One hand-made call (arguments in DISPPARAMS order, last first): its
// result and the argument it names.
struct Outcome {
    HRESULT hr;
    UINT argError;
};
Outcome Invoke(IDispatch* object, DISPID id, std::vector<VARIANT> reversedArgs) {
    DISPPARAMS params = {reversedArgs.data(), nullptr, static_cast<UINT>(reversedArgs.size()), 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO info = {};
    UINT argError = 99;
    const HRESULT hr = object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, &info, &argError);
    Outcome out{hr, argError};
    VariantClear(&result);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    return out;
}

VARIANT Text(BSTR text) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = text;
    return v;
}
VARIANT NullRef(VARTYPE type) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = type | VT_BYREF;
    V_BYREF(&v) = nullptr;
    return v;
}

}  // namespace

// The child: a store with ten mails, held until the parent has tried the
// same file, then ten more.
TEST(ComponentsStoreFileChild, DISABLED_HoldsAStore) {
    const std::wstring pst = Variable(kPathVar);
    ASSERT_FALSE(pst.empty());
    CoInitialize(nullptr);
    ct::ItemWriterDriver w;
    ASSERT_TRUE(w.CreateDispatch(L"loomcraft.Class1"));
    w.CreateStore(pst, L"Held");
    w.CreateFolder(L"\\\\Held\\Inbox");
    SaveMails(w, L"\\\\Held\\Inbox", L"first writer ", 0, 10);
    w.EndBatch();
    ct::WriteBytes(pst + L".ready", "1");
    for (int waited = 0; !ct::Exists(pst + L".go") && waited < 60000; waited += 20) Sleep(20);
    SaveMails(w, L"\\\\Held\\Inbox", L"first writer ", 10, 10);
    w.EndBatch();
    w.ReleaseDispatch();
}

// Two processes on one path: the second writer hears that the file exists,
// by its name, and the first writer's store keeps all its items.
TEST(ComponentsStoreFile, ASecondProcessCannotTakeTheFileOfALiveStore) {
    ct::ScratchFolder scratch(L"components-held");
    const std::wstring pst = scratch / L"held.pst";
    SetEnvironmentVariableW(kPathVar, pst.c_str());
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(ct::StartChildTest(L"ComponentsStoreFileChild.DISABLED_HoldsAStore", pi));
    SetEnvironmentVariableW(kPathVar, nullptr);
    bool ready = false;
    for (int waited = 0; waited < 60000 && !ready; waited += 20) {
        ready = ct::Exists(pst + L".ready");
        if (!ready && WaitForSingleObject(pi.hProcess, 20) == WAIT_OBJECT_0) break;
    }
    std::wstring refused = L"(not tried)";
    if (ready) {
        ct::ItemWriterDriver w;
        EXPECT_TRUE(w.CreateDispatch(L"loomcraft.Class1"));
        refused = ErrorOf([&] { w.CreateStore(pst, L"Second"); });
        // The file is not this process's to open for writing either.
        const HANDLE h = CreateFileW(pst.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(h, INVALID_HANDLE_VALUE);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    ct::WriteBytes(pst + L".go", "1");
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    TerminateProcess(pi.hProcess, 9);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    ASSERT_TRUE(ready) << "the child never made its store";
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(Has(refused, pst) && Has(refused, L"never written over")) << ct::Utf8(refused);
    EXPECT_EQ(ReaderCount(pst, "Inbox"), 20);

    if (!ct::HaveNativeTools()) GTEST_SKIP() << "not under Wine, or the independent readers are not installed";
    const std::string info = ct::RunNative("pffinfo " + ct::Quote(pst), scratch);
    EXPECT_NE(info.find("File type:\t\t64-bit"), std::string::npos) << info;
    const std::wstring top = ct::PffExport(pst, scratch, L"pff");
    EXPECT_TRUE(ct::Exists(top + L"\\Inbox\\Message00020"));
    EXPECT_FALSE(ct::Exists(top + L"\\Inbox\\Message00021"));
}

// CreateStore makes a new file or nothing: an existing file, a folder, a
// device or a folder that is not there is refused with what is wrong, and
// the writer's store goes on taking items.
TEST(ComponentsStoreFile, OnlyANewFileBecomesAStoreAndARefusalKeepsTheStoreInUse) {
    ct::ScratchFolder scratch(L"components-new-file");
    ct::ItemWriterDriver w;
    ASSERT_TRUE(w.CreateDispatch(L"loomcraft.Class1"));
    const std::wstring pst = scratch / L"first.pst";
    w.CreateStore(pst, L"First");
    w.CreateFolder(L"\\\\First\\Inbox");
    SaveMails(w, L"\\\\First\\Inbox", L"before ", 0, 1);

    const std::wstring text = scratch / L"notes.pst";
    ct::WriteBytes(text, "keep me");
    const std::wstring exists = ErrorOf([&] { w.CreateStore(text, L"Other"); });
    EXPECT_TRUE(Has(exists, text + L" cannot be created: ") && Has(exists, L"never written over")) << ct::Utf8(exists);
    EXPECT_EQ(ct::ReadBytes(text), "keep me");
    CreateDirectoryW((scratch / L"folder.pst").c_str(), nullptr);
    EXPECT_TRUE(Has(ErrorOf([&] { w.CreateStore(scratch / L"folder.pst", L"Other"); }), L"names a folder"));
    for (const std::wstring& device : {scratch / L"nul.pst", scratch / L"NUL", std::wstring(L"\\\\.\\NUL"),
                                       scratch / L"COM1", scratch / L"Lpt2.txt.pst"}) {
        const std::wstring error = ErrorOf([&] { w.CreateStore(device, L"Other"); });
        EXPECT_TRUE(Has(error, L"names a device")) << ct::Utf8(device) << ": " << ct::Utf8(error);
    }
    const std::wstring missing = ErrorOf([&] { w.CreateStore(scratch / L"no such folder\\x.pst", L"Other"); });
    const size_t reason = missing.find(L"cannot be created: ");
    EXPECT_TRUE(reason != std::wstring::npos && missing.size() > reason + 21) << ct::Utf8(missing);
    // A text or path with a NUL inside: refused, naming the argument.
    const std::wstring withNul(L"First\0Other", 11);
    EXPECT_TRUE(Has(ErrorOf([&] { w.CreateStore(scratch / L"nul-name.pst", withNul); }), L"DisplayName"));
    EXPECT_FALSE(ct::Exists(scratch / L"nul-name.pst"));
    ct::WriteBytes(scratch / L"real.txt", "real");
    const std::wstring spoof = scratch / std::wstring(L"real.txt\0\\..\\spoof.exe", 23);
    EXPECT_TRUE(Has(ErrorOf([&] {
        w.SaveMail(L"\\\\First\\Inbox", L"spoof", L"", L"", L"", spoof, L"", 0);
    }), L"Attachments"));

    SaveMails(w, L"\\\\First\\Inbox", L"after ", 1, 1);
    w.ReleaseDispatch();
    EXPECT_EQ(ReaderCount(pst, "Inbox"), 2);
}

// A reference that points nowhere is the argument's type error, at its
// position; the call after it works.
TEST(ComponentsStoreFile, ANullReferenceIsAnErrorNeverACrash) {
    ct::ScratchFolder scratch(L"components-null-refs");
    ct::ItemWriterDriver w;
    ASSERT_TRUE(w.CreateDispatch(L"loomcraft.Class1"));
    w.CreateStore(scratch / L"refs.pst", L"Refs");
    IDispatch* d = w.m_lpDispatch;
    for (VARTYPE type : {VT_BSTR, VT_VARIANT, VT_ERROR}) {
        const Outcome o = Invoke(d, 0x6003002C, {NullRef(type)});   // CreateFolder
        EXPECT_EQ(o.hr, DISP_E_TYPEMISMATCH) << type;
        EXPECT_EQ(o.argError, 0u) << type;
    }
    // A variable that holds a reference that points nowhere.
    VARIANT inner = NullRef(VT_BSTR), outer;
    VariantInit(&outer);
    V_VT(&outer) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&outer) = &inner;
    EXPECT_EQ(Invoke(d, 0x6003002C, {outer}).hr, DISP_E_TYPEMISMATCH);
    // SaveNote(folder, body, subject, body type): the body type (an I2 by
    // reference) is first in DISPPARAMS.
    BSTR folder = SysAllocString(L"\\\\Refs\\Notes"), body = SysAllocString(L"b"), subject = SysAllocString(L"s");
    const Outcome note = Invoke(d, 0x6003003B, {NullRef(VT_I2), Text(subject), Text(body), Text(folder)});
    EXPECT_EQ(note.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(note.argError, 0u);
    short plain = 0;
    VARIANT type;
    VariantInit(&type);
    V_VT(&type) = VT_I2 | VT_BYREF;
    V_I2REF(&type) = &plain;
    EXPECT_EQ(Invoke(d, 0x6003003B, {type, Text(subject), Text(body), Text(folder)}).hr, S_OK);

    SysFreeString(folder);
    SysFreeString(body);
    SysFreeString(subject);
    w.ReleaseDispatch();
    EXPECT_EQ(ReaderCount(scratch / L"refs.pst", "Notes"), 1);
}
