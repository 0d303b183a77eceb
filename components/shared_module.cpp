// The shared module: one per process, loaded by both component files from
// their own folder. It makes the objects of both classes and keeps the
// stores of the process, so the session library finds what the item writer
// created. Once it has made objects it stays loaded until the process ends,
// so the stores do too.
#include <windows.h>

#include <new>

#include "components/class_ids.h"
#include "components/item_writer.h"
#include "components/session_library.h"
#include "components/type_library.h"

namespace components {
namespace {

template <class Object>
class ClassObject : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }     // static: never freed
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        Object* object = new (std::nothrow) Object();
        if (!object) return E_OUTOFMEMORY;
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        LockModule(lock != FALSE);
        return S_OK;
    }
};

ClassObject<ItemWriter> g_itemWriterClass;
ClassObject<Session> g_sessionClass;

}  // namespace

const LibraryInfo* LibraryOf(const CLSID& clsid) {
    if (IsEqualCLSID(clsid, kClsidItemWriter)) return &kItemWriterLibrary;
    if (IsEqualCLSID(clsid, kClsidSessionLibrary)) return &kSessionLibrary;
    return nullptr;
}

}  // namespace components

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}

__declspec(dllexport) HRESULT ComponentGetClassObject(const CLSID* clsid, const IID* iid, void** object) {
    if (!clsid || !iid || !object) return E_POINTER;
    // Pinned once objects are made: the stores live here for the rest of
    // the process. (Registration alone loads and frees the module, so that
    // an uninstaller can delete it.)
    HMODULE self;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&ComponentGetClassObject), &self);
    *object = nullptr;
    if (IsEqualCLSID(*clsid, components::kClsidItemWriter))
        return components::g_itemWriterClass.QueryInterface(*iid, object);
    if (IsEqualCLSID(*clsid, components::kClsidSessionLibrary))
        return components::g_sessionClass.QueryInterface(*iid, object);
    return CLASS_E_CLASSNOTAVAILABLE;
}

__declspec(dllexport) HRESULT ComponentRegisterTypeLibrary(const CLSID* clsid, const wchar_t* file, GUID* libid,
                                                           BOOL unregister) {
    if (!clsid || !file || !libid) return E_POINTER;
    const components::LibraryInfo* library = components::LibraryOf(*clsid);
    if (!library) return CLASS_E_CLASSNOTAVAILABLE;
    *libid = library->libid;
    return unregister ? components::UnregisterTypeLibrary(*library, file)
                      : components::RegisterTypeLibrary(*library, file);
}

__declspec(dllexport) HRESULT ComponentCanUnloadNow() {
    return components::LiveObjectCount() == 0 ? S_OK : S_FALSE;
}

}  // extern "C"
