// Shared by the component tests: registration of this build's component
// files, the item writer driven as the program drives it (every text a
// BSTR by reference, the body type a 16-bit integer by reference), the
// session library called as the contact export calls it, scratch
// folders, and the independent store readers of this machine run from
// inside Wine.
#pragma once
#include "framework/framework.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <process.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace components_test {

inline std::wstring ComponentPath(const wchar_t* file) { return std::wstring(COMPONENTS_DIR) + L"\\" + file; }

// regsvr32 /s (or /u /s) on the short path of a component file of this
// build, as the program registers them; its exit code.
inline int Regsvr32(const std::wstring& dll, bool unregister = false) {
    wchar_t system[MAX_PATH], shortPath[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring tool = std::wstring(system) + L"\\regsvr32.exe";
    const DWORD n = GetShortPathNameW(dll.c_str(), shortPath, MAX_PATH);
    const std::wstring args = (unregister ? L"/u /s " : L"/s ") + (n && n < MAX_PATH ? std::wstring(shortPath) : dll);
    return static_cast<int>(_wspawnl(_P_WAIT, tool.c_str(), tool.c_str(), args.c_str(), L"", nullptr));
}

// The component files of this build registered while the object lives;
// afterwards the prefix is as it was (other programs' tests expect a prefix
// without components, an installed program its own files).
class RegisteredComponents {
public:
    RegisteredComponents() {
        for (const wchar_t* progId : {L"loomcraft.Class1", L"CorvaneRedmp.RDOSessionCorvane"}) previous_.push_back(ServerOf(progId));
        Regsvr32(ComponentPath(L"Loomcraft.dll"));
        Regsvr32(ComponentPath(L"CorvaneRedmp.dll"));
    }
    ~RegisteredComponents() {
        Regsvr32(ComponentPath(L"Loomcraft.dll"), true);
        Regsvr32(ComponentPath(L"CorvaneRedmp.dll"), true);
        for (const std::wstring& dll : previous_)
            if (!dll.empty() && GetFileAttributesW(dll.c_str()) != INVALID_FILE_ATTRIBUTES) Regsvr32(dll);
    }
    RegisteredComponents(const RegisteredComponents&) = delete;
    RegisteredComponents& operator=(const RegisteredComponents&) = delete;

    // The file registered for a ProgID; empty when there is none.
    static std::wstring ServerOf(const wchar_t* progId) {
        CLSID clsid;
        if (CLSIDFromProgID(progId, &clsid) != S_OK) return {};
        wchar_t text[40], path[MAX_PATH];
        StringFromGUID2(clsid, text, 40);
        DWORD size = sizeof path;
        const std::wstring key = std::wstring(L"CLSID\\") + text + L"\\InprocServer32";
        if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path, &size) != ERROR_SUCCESS) return {};
        return path;
    }

private:
    std::vector<std::wstring> previous_;
};

// For the programs of the component tests: COM on the main thread and this
// build's components registered for the run.
class ComponentsEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        CoInitialize(nullptr);
        registered_.reset(new RegisteredComponents);
    }
    void TearDown() override { registered_.reset(); }

private:
    std::unique_ptr<RegisteredComponents> registered_;
};

inline std::wstring Utf16(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    if (n) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
    return out;
}
inline std::string Utf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    if (n) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

// The item writer as the program's driver calls it.
class ItemWriterDriver : public COleDispatchDriver {
public:
    void BeginBatch() { Batch(0x6003002A); }
    void EndBatch() { Batch(0x60030035); }
    void CreateStore(const std::wstring& path, const std::wstring& name) { Texts(0x6003002B, "\x48\x48", {path, name}); }
    void CreateFolder(const std::wstring& path) { Texts(0x6003002C, "\x48", {path}); }
    void OpenFolder(const std::wstring& path) { Texts(0x6003002E, "\x48", {path}); }
    void CloseFolder() { Texts(0x6003002F, "", {}); }
    void SaveMail(const std::wstring& folder, const std::wstring& subject, const std::wstring& recipients,
                  const std::wstring& headerFile, const std::wstring& date, const std::wstring& attachments,
                  const std::wstring& body, short bodyType) {
        WithBody(0x6003002D, "\x48\x48\x48\x48\x48\x48\x48\x42\x48\x48",
                 {folder, subject, recipients, headerFile, date, attachments, body, L"", L""}, 7, bodyType);
    }
    void SaveAppointment(const std::wstring& folder, const std::wstring& subject, const std::wstring& organizer,
                         const std::wstring& start, const std::wstring& end, const std::wstring& location,
                         const std::wstring& body, short bodyType) {
        WithBody(0x60030031, "\x48\x48\x48\x48\x48\x48\x48\x48\x48\x42",
                 {folder, subject, organizer, start, end, L"", location, L"", body}, 9, bodyType);
    }
    void SaveJournal(const std::wstring& folder, const std::wstring& attachment, const std::wstring& body,
                     const std::wstring& subject, short bodyType) {
        WithBody(0x60030039, "\x48\x48\x48\x48\x48\x42", {folder, attachment, body, L"", subject}, 5, bodyType);
    }
    void SaveTask(const std::wstring& folder, const std::wstring& date, const std::wstring& attachment,
                  const std::wstring& body, const std::wstring& subject, short bodyType) {
        WithBody(0x6003003A, "\x48\x48\x48\x48\x48\x48\x42", {folder, date, attachment, body, L"", subject}, 6, bodyType);
    }
    void SaveNote(const std::wstring& folder, const std::wstring& body, const std::wstring& subject, short bodyType) {
        WithBody(0x6003003B, "\x48\x48\x48\x42", {folder, body, subject}, 3, bodyType);
    }

private:
    void Batch(DISPID id) {
        VARIANT result;
        VariantInit(&result);
        InvokeHelper(id, DISPATCH_METHOD, VT_VARIANT, &result, reinterpret_cast<const BYTE*>(""));
        VariantClear(&result);
    }
    // The arguments: texts in order, with the body type at bodyIndex.
    void WithBody(DISPID id, const char* types, const std::vector<std::wstring>& texts, size_t bodyIndex, short bodyType) {
        std::vector<BSTR> b;
        for (const std::wstring& t : texts) b.push_back(SysAllocStringLen(t.data(), static_cast<UINT>(t.size())));
        short type = bodyType;
        void* a[10] = {};
        for (size_t i = 0, t = 0; i <= texts.size(); ++i) a[i] = i == bodyIndex ? static_cast<void*>(&type) : &b[t++];
        CString result;
        try {
            InvokeHelper(id, DISPATCH_METHOD, VT_BSTR, &result, reinterpret_cast<const BYTE*>(types), a[0], a[1], a[2], a[3],
                         a[4], a[5], a[6], a[7], a[8], a[9]);
        } catch (...) {
            for (BSTR s : b) SysFreeString(s);
            throw;
        }
        for (BSTR s : b) SysFreeString(s);
    }
    void Texts(DISPID id, const char* types, const std::vector<std::wstring>& texts) {
        std::vector<BSTR> b;
        for (const std::wstring& t : texts) b.push_back(SysAllocStringLen(t.data(), static_cast<UINT>(t.size())));
        CString result;
        try {
            InvokeHelper(id, DISPATCH_METHOD, VT_BSTR, &result, reinterpret_cast<const BYTE*>(types),
                         b.size() > 0 ? &b[0] : nullptr, b.size() > 1 ? &b[1] : nullptr);
        } catch (...) {
            for (BSTR s : b) SysFreeString(s);
            throw;
        }
        for (BSTR s : b) SysFreeString(s);
    }
};

// The session library's calls as the contact export makes them: the log-on
// with six empty arguments, a folder by its path, the folder's items, a new
// item of a kind (2: a contact), a file attached, a text property put, and
// save.
inline void LogOn(COleDispatchDriver& session) {
    VARIANT empty;
    VariantInit(&empty);
    session.InvokeHelper(4, DISPATCH_METHOD, VT_EMPTY, nullptr,
                         reinterpret_cast<const BYTE*>(VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT),
                         &empty, &empty, &empty, &empty, &empty, &empty);
}
inline COleDispatchDriver FolderByPath(COleDispatchDriver& session, const wchar_t* path) {
    LPDISPATCH raw = nullptr;
    session.InvokeHelper(0x60020016, DISPATCH_METHOD, VT_DISPATCH, &raw, reinterpret_cast<const BYTE*>(VTS_BSTR), path);
    return COleDispatchDriver(raw);
}
inline COleDispatchDriver ItemsOf(COleDispatchDriver& folder) {
    LPDISPATCH raw = nullptr;
    folder.InvokeHelper(0x11, DISPATCH_PROPERTYGET, VT_DISPATCH, &raw, reinterpret_cast<const BYTE*>(VTS_NONE));
    return COleDispatchDriver(raw);
}
inline COleDispatchDriver AddItem(COleDispatchDriver& items, int kind) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = kind;
    LPDISPATCH raw = nullptr;
    items.InvokeHelper(4, DISPATCH_METHOD, VT_DISPATCH, &raw, reinterpret_cast<const BYTE*>(VTS_VARIANT), &v);
    return COleDispatchDriver(raw);
}
inline void AttachFile(COleDispatchDriver& item, const std::wstring& path) {
    item.InvokeHelper(0x600400E0, DISPATCH_METHOD, VT_EMPTY, nullptr, reinterpret_cast<const BYTE*>(VTS_BSTR), path.c_str());
}
inline void PutText(COleDispatchDriver& item, DISPID id, const wchar_t* text) {
    item.InvokeHelper(id, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, reinterpret_cast<const BYTE*>(VTS_BSTR), text);
}
inline void SaveItem(COleDispatchDriver& item) {
    item.InvokeHelper(6, DISPATCH_METHOD, VT_EMPTY, nullptr, reinterpret_cast<const BYTE*>(VTS_NONE));
}

// This test program again, running only one test (a disabled child case
// such as "Suite.DISABLED_Child"); false when it cannot be started.
inline bool StartChildTest(const wchar_t* test, PROCESS_INFORMATION& pi) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = std::wstring(L"\"") + self + L"\" --gtest_also_run_disabled_tests --gtest_filter=" + test;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    pi = PROCESS_INFORMATION{};
    return CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != FALSE;
}

// A folder of its own under the temporary folder, removed at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& name) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId());
        Remove();
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder() {
        if (!GetEnvironmentVariableW(L"COMPONENTS_TEST_KEEP", nullptr, 0)) Remove();   // kept for a look after a failure
    }
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    void Remove() {
        std::wstring from = path_ + L'\0';
        SHFILEOPSTRUCTW op = {};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NO_UI;
        SHFileOperationW(&op);
    }
    std::wstring path_;
};

inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
inline std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline uint64_t Fnv1a(const std::string& bytes) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes) h = (h ^ c) * 0x100000001b3ull;
    return h;
}

// ---- the independent readers, run outside Wine ----------------------------------

// This machine's own path of a Windows path; empty outside Wine.
inline std::string UnixPath(const std::wstring& path) {
    using ToUnix = char* (CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    char* unix = toUnix(path.c_str());
    if (!unix) return {};
    std::string out(unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

inline bool HaveNativeTools() { return !UnixPath(L"C:\\").empty() && Exists(L"Z:\\usr\\bin\\pffexport") && Exists(L"Z:\\usr\\bin\\readpst"); }

// Runs a command of this machine's shell; its output and errors. Arguments
// are quoted with single quotes by the caller. Wine hands a program of this
// machine over without a process to wait for, so the command leaves a mark
// when it is done.
inline std::string RunNative(const std::string& command, const ScratchFolder& scratch) {
    const std::wstring outFile = scratch / L"native-output.txt";
    const std::wstring doneFile = scratch / L"native-done";
    DeleteFileW(outFile.c_str());
    DeleteFileW(doneFile.c_str());
    std::wstring line = L"/bin/sh -c \"(" + Utf16(command) + L") >'" + Utf16(UnixPath(outFile)) + L"' 2>&1; : >'" +
                        Utf16(UnixPath(doneFile)) + L"'\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return "(not run)";
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (int waited = 0; !Exists(doneFile) && waited < 240000; waited += 20) Sleep(20);
    return ReadBytes(outFile);
}

inline std::string Quote(const std::wstring& windowsPath) { return "'" + UnixPath(windowsPath) + "'"; }

// pffexport's view of a store: target folder of the export (Windows path).
inline std::wstring PffExport(const std::wstring& store, const ScratchFolder& scratch, const std::wstring& name) {
    const std::wstring target = scratch / name;
    RunNative("pffexport -q -m all -f all -t " + Quote(target) + " " + Quote(store), scratch);
    return target + L".export\\Top of Personal Folders";
}

// readpst's "N items done" counts by folder name, and its output folder.
inline std::map<std::string, int> ReadpstCounts(const std::wstring& store, const ScratchFolder& scratch,
                                                const std::wstring& name, std::string* log = nullptr) {
    const std::wstring target = scratch / name;
    CreateDirectoryW(target.c_str(), nullptr);
    const std::string out = RunNative("readpst -j 0 -D -S -o " + Quote(target) + " " + Quote(store), scratch);
    if (log) *log = out;
    std::map<std::string, int> counts;
    std::istringstream lines(out);
    std::string l;
    while (std::getline(lines, l)) {
        // "\t\"Inbox\" - 3 items done, 0 items skipped."
        const size_t q1 = l.find('"'), q2 = l.find('"', q1 + 1), dash = l.find(" - ", q2 == std::string::npos ? 0 : q2);
        if (q1 == std::string::npos || q2 == std::string::npos || dash == std::string::npos) continue;
        counts[l.substr(q1 + 1, q2 - q1 - 1)] = std::atoi(l.c_str() + dash + 3);
    }
    return counts;
}

// One header of a message file readpst wrote, its encoded words
// ("=?utf-8?B?...?=") decoded.
inline std::string MimeHeader(const std::string& message, const std::string& name) {
    const size_t at = message.find("\n" + name + ": ");
    if (at == std::string::npos && message.compare(0, name.size() + 2, name + ": ") != 0) return "(no " + name + ")";
    const size_t start = at == std::string::npos ? name.size() + 2 : at + name.size() + 3;
    std::string value = message.substr(start, message.find('\n', start) - start);
    std::string out;
    for (size_t pos = 0; pos < value.size();) {
        const size_t word = value.find("=?utf-8?B?", pos);
        if (word == std::string::npos) {
            out += value.substr(pos);
            break;
        }
        out += value.substr(pos, word - pos);
        const size_t end = value.find("?=", word + 10);
        std::string text = value.substr(word + 10, end - word - 10);
        std::string bytes;
        uint32_t bits = 0;
        int count = 0;
        for (char c : text) {
            const char* table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
            const char* p = std::strchr(table, c);
            if (!p || !c) continue;
            bits = (bits << 6) | static_cast<uint32_t>(p - table);
            if ((count += 6) >= 8) bytes += static_cast<char>((bits >> (count -= 8)) & 0xFF);
        }
        out += bytes;
        pos = end == std::string::npos ? value.size() : end + 2;
    }
    return out;
}

}  // namespace components_test
