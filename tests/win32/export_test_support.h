// Support of the export tests: a recording automation object that stands
// where the item writer and the session library are created (the framework's
// creation seam), answers every call with an empty text and keeps each call's
// dispatch id, flags, argument types and values in order; store texts and
// attachment rows for hand-made item records; scratch folders and files.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <cstdio>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "framework/seams.h"
#include "reader/item_record.h"
#include "reader/ndb.h"

namespace exporttest {

struct RecordedCall {
    DISPID id = 0;
    WORD flags = 0;
    std::vector<VARTYPE> types;        // argument types, first argument first
    std::vector<std::wstring> texts;   // BSTR arguments ("<null>" for a null BSTR), else ""
    std::vector<int> numbers;          // 16-bit and 32-bit integer arguments, else 0
    std::wstring progId;               // the object that received it
};

class FakeAutomation : public IDispatch {
public:
    FakeAutomation(std::wstring progId, std::vector<RecordedCall>* log, std::mutex* lock)
        : m_progId(std::move(progId)), m_log(log), m_lock(lock) {}

    // Dispatch ids that answer with an automation error.
    std::set<DISPID> failing;
    // Dispatch ids whose call gives this same object back (when a result is
    // asked for): one object then stands for session, folder, items and item.
    std::set<DISPID> returnsSelf;
    // Called inside Invoke before the call returns (e.g. to check files the
    // call names while they exist).
    std::function<void(const RecordedCall&)> onCall;
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT*) override {
        RecordedCall call;
        call.id = id;
        call.flags = flags;
        call.progId = m_progId;
        for (UINT i = params->cArgs; i-- > 0;) {
            const VARIANTARG& v = params->rgvarg[i];
            call.types.push_back(v.vt);
            std::wstring text;
            int number = 0;
            // Whole BSTRs, zero characters included.
            if (v.vt == (VT_BSTR | VT_BYREF)) text = *v.pbstrVal ? std::wstring(*v.pbstrVal, SysStringLen(*v.pbstrVal)) : L"<null>";
            else if (v.vt == VT_BSTR) text = v.bstrVal ? std::wstring(v.bstrVal, SysStringLen(v.bstrVal)) : L"<null>";
            else if (v.vt == (VT_I2 | VT_BYREF)) number = *v.piVal;
            else if (v.vt == VT_I2) number = v.iVal;
            else if (v.vt == VT_I4) number = v.lVal;
            call.texts.push_back(text);
            call.numbers.push_back(number);
        }
        if (onCall) onCall(call);
        {
            std::lock_guard<std::mutex> guard(*m_lock);
            m_log->push_back(call);
        }
        if (failing.count(id) != 0) {
            if (excep != nullptr) {
                *excep = EXCEPINFO{};
                excep->scode = E_FAIL;
                excep->bstrDescription = ::SysAllocString(L"refused");
            }
            return DISP_E_EXCEPTION;
        }
        if (result != nullptr && returnsSelf.count(id) != 0) {
            ::VariantInit(result);
            result->vt = VT_DISPATCH;
            result->pdispVal = this;
            AddRef();
        } else if (result != nullptr) {
            ::VariantInit(result);
            result->vt = VT_BSTR;
            result->bstrVal = ::SysAllocString(L"");
        }
        return S_OK;
    }

private:
    std::wstring m_progId;
    std::vector<RecordedCall>* m_log;
    std::mutex* m_lock;
};

// Installs itself as the creation seam (and the registration tool's run) and
// puts the previous entries back when it goes.
class FakeComponents {
public:
    FakeComponents()
        : m_savedCreate(g_Seams.CreateDispatch), m_savedSpawn(g_Seams.SpawnWait),
          writer(L"loomcraft.Class1", &calls, &m_lock), session(L"CorvaneRedmp.RDOSessionCorvane", &calls, &m_lock) {
        Install();
    }
    void Install() {
        g_Seams.CreateDispatch = [this](LPCWSTR progId, IDispatch** out) -> HRESULT {
            std::lock_guard<std::mutex> guard(m_lock);
            const std::wstring id(progId);
            creations.push_back(id);
            *out = nullptr;
            int& left = unavailable[id];
            if (left > 0) {
                --left;
                return REGDB_E_CLASSNOTREG;
            }
            FakeAutomation* object = id == L"loomcraft.Class1" ? &writer : &session;
            object->AddRef();
            *out = object;
            return S_OK;
        };
        g_Seams.SpawnWait = [this](LPCWSTR program, const wchar_t* const* argv) -> intptr_t {
            std::lock_guard<std::mutex> guard(m_lock);
            std::vector<std::wstring> run{program};
            for (const wchar_t* const* p = argv; *p != nullptr; ++p) run.push_back(*p);
            spawns.push_back(run);
            return 0;
        };
    }
    ~FakeComponents() {
        g_Seams.CreateDispatch = m_savedCreate;
        g_Seams.SpawnWait = m_savedSpawn;
    }

    // The real creation and registration while it lives.
    class Suspend {
    public:
        explicit Suspend(FakeComponents& fake) : m_fake(fake) {
            g_Seams.CreateDispatch = fake.m_savedCreate;
            g_Seams.SpawnWait = fake.m_savedSpawn;
        }
        ~Suspend() { m_fake.Install(); }

    private:
        FakeComponents& m_fake;
    };

    // Calls on the item writer only, as "id" names.
    std::vector<RecordedCall> WriterCalls() {
        std::lock_guard<std::mutex> guard(m_lock);
        std::vector<RecordedCall> out;
        for (const RecordedCall& c : calls)
            if (c.progId == L"loomcraft.Class1") out.push_back(c);
        return out;
    }

    std::vector<RecordedCall> calls;
    std::vector<std::wstring> creations;
    std::vector<std::vector<std::wstring>> spawns;
    // How many creations of a ProgID fail before one succeeds.
    std::map<std::wstring, int> unavailable;

private:
    std::mutex m_lock;
    std::function<HRESULT(LPCWSTR, IDispatch**)> m_savedCreate;
    std::function<intptr_t(LPCWSTR, const wchar_t* const*)> m_savedSpawn;

public:
    FakeAutomation writer;
    FakeAutomation session;
};

// A short name of an item writer operation, for readable call sequences.
inline std::wstring OperationName(DISPID id) {
    switch (id) {
    case 0x6003002A: return L"BeginBatch";
    case 0x6003002B: return L"CreateStore";
    case 0x6003002C: return L"CreateFolder";
    case 0x6003002D: return L"SaveMail";
    case 0x6003002E: return L"OpenFolder";
    case 0x6003002F: return L"CloseFolder";
    case 0x60030031: return L"SaveAppointment";
    case 0x60030035: return L"EndBatch";
    case 0x60030039: return L"SaveJournal";
    case 0x6003003A: return L"SaveTask";
    case 0x6003003B: return L"SaveNote";
    case 0x6003003C: return L"AddAttachment";
    default: return L"?";
    }
}

inline std::wstring TempRoot() {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return folder;
}

inline bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string ReadBytes(const std::wstring& path) {
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (f == nullptr) return "<missing>";
    std::string bytes;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    fclose(f);
    return bytes;
}

inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
    if (FILE* f = _wfopen(path.c_str(), L"wb")) {
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
}

// A fresh, empty folder in the temporary folder, removed with what it holds
// (one level of sub-folders) at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const wchar_t* name) : m_path(TempRoot() + name + L"\\") {
        Clear();
        CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~ScratchFolder() { Clear(); }
    const std::wstring& path() const { return m_path; }
    std::vector<std::wstring> Files() const { return Names(m_path); }

private:
    static std::vector<std::wstring> Names(const std::wstring& folder) {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            const std::wstring n = data.cFileName;
            if (n != L"." && n != L"..") names.push_back(n);
        } while (FindNextFileW(find, &data));
        FindClose(find);
        return names;
    }
    void Clear() {
        for (const std::wstring& name : Files()) {
            const std::wstring full = m_path + name;
            for (const std::wstring& inner : Names(full + L"\\")) DeleteFileW((full + L"\\" + inner).c_str());
            RemoveDirectoryW(full.c_str());
            DeleteFileW(full.c_str());
        }
        RemoveDirectoryW(m_path.c_str());
    }
    std::wstring m_path;
};

// Store texts of the UTF-16 variant and attachment rows for hand-made item
// records, kept alive as long as this object.
class RecordTexts {
public:
    RecordTexts() { g_nStringMode = 2; }
    StoreText Wide(const std::wstring& text) {
        std::vector<uint8_t> bytes;
        for (wchar_t c : text) {
            bytes.push_back(static_cast<uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
        }
        bytes.insert(bytes.end(), {0, 0});
        m_keep.push_back(bytes);
        return StoreText{1, m_keep.back().data()};
    }
    // 8-bit bytes (HTML bodies).
    StoreText Bytes(const std::string& text) {
        std::vector<uint8_t> bytes(text.begin(), text.end());
        bytes.insert(bytes.end(), {0, 0});
        m_keep.push_back(bytes);
        return StoreText{0, m_keep.back().data()};
    }
    // One attachment row holding `data`; an empty name makes a recipient row.
    AttachmentNode* Attachment(const std::wstring& name, const std::string& data) {
        m_nodes.push_back(std::make_unique<AttachmentNode>());
        AttachmentNode* node = m_nodes.back().get();
        *node = AttachmentNode{};
        if (!name.empty()) node->txAttachLongFilename = Wide(name);
        m_keep.push_back(std::vector<uint8_t>(data.begin(), data.end()));
        node->pData = m_keep.back().empty() ? nullptr : m_keep.back().data();
        node->cbData = data.size();
        return node;
    }
    // Rows named so, each holding its own name's bytes, linked in order.
    AttachmentNode* Rows(const std::vector<std::wstring>& names) {
        AttachmentNode* first = nullptr;
        AttachmentNode** link = &first;
        for (const std::wstring& name : names) {
            *link = Attachment(name, std::string(name.begin(), name.end()));
            link = &(*link)->pNext;
        }
        return first;
    }

private:
    std::list<std::vector<uint8_t>> m_keep;
    std::vector<std::unique_ptr<AttachmentNode>> m_nodes;
};

}  // namespace exporttest
