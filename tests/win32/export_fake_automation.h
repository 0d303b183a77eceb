// A recording automation object for the export tests: it stands where the
// item writer and the session library are created (the framework's creation
// seam), answers every call with an empty text, and keeps each call's
// dispatch id, flags, argument types and values, in order.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "framework/seams.h"

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
            if (v.vt == (VT_BSTR | VT_BYREF)) text = *v.pbstrVal ? *v.pbstrVal : L"<null>";
            else if (v.vt == VT_BSTR) text = v.bstrVal ? v.bstrVal : L"<null>";
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
    default: return L"?";
    }
}

}  // namespace exporttest
