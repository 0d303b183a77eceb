// One component file (Loomcraft.dll or CorvaneRedmp.dll, chosen by
// COMPONENT_SESSION_LIBRARY at build time): it registers its class under
// its ProgID and hands out the class object of the shared module that lies
// beside it, where the objects and the stores of the process live.
#include <windows.h>
#include <olectl.h>

#include <string>

#include "components/class_ids.h"

namespace {

#ifdef COMPONENT_SESSION_LIBRARY
const CLSID& kClsid = components::kClsidSessionLibrary;
const wchar_t* const kProgId = components::kProgIdSessionLibrary;
const wchar_t kDescription[] = L"MAPI session library";
#else
const CLSID& kClsid = components::kClsidItemWriter;
const wchar_t* const kProgId = components::kProgIdItemWriter;
const wchar_t kDescription[] = L"Personal store item writer";
#endif

HMODULE g_module;
HMODULE g_shared;      // the shared module, once a class object was asked for

std::wstring ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ClsidText() {
    wchar_t text[40];
    StringFromGUID2(kClsid, text, 40);
    return text;
}

// The shared module from this file's own folder: the same file for both
// components, so the process loads it once.
HMODULE SharedModule() {
    if (!g_shared) {
        std::wstring path = ModulePath(g_module);
        path.erase(path.find_last_of(L"\\/") + 1);
        path += components::kSharedModuleFile;
        g_shared = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    return g_shared;
}

// The type library file beside this one ("Loomcraft.tlb"), written and
// registered by the shared module, or unregistered and deleted.
// The shared module is loaded for this alone and freed afterwards, so that
// an uninstaller that unregisters in its own process can delete it.
HRESULT TypeLibrary(bool unregister, GUID* libid) {
    std::wstring file = ModulePath(g_module);
    const size_t slash = file.find_last_of(L"\\/"), dot = file.find_last_of(L'.');
    if (file.empty() || slash == std::wstring::npos || dot == std::wstring::npos || dot < slash) return E_FAIL;
    const HMODULE shared = LoadLibraryExW((file.substr(0, slash + 1) + components::kSharedModuleFile).c_str(), nullptr,
                                          LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!shared) return CO_E_DLLNOTFOUND;
    auto call = reinterpret_cast<components::SharedRegisterTypeLibrary>(
        reinterpret_cast<void*>(GetProcAddress(shared, "ComponentRegisterTypeLibrary")));
    file = file.substr(0, dot) + L".tlb";
    const HRESULT hr = call ? call(&kClsid, file.c_str(), libid, unregister ? TRUE : FALSE) : CO_E_ERRORINDLL;
    FreeLibrary(shared);
    return hr;
}

bool SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY k;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG r = RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
    return r == ERROR_SUCCESS;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
    const HMODULE shared = SharedModule();
    if (!shared) return CO_E_DLLNOTFOUND;
    auto get = reinterpret_cast<components::SharedGetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(shared, "ComponentGetClassObject")));
    if (!get) return CO_E_ERRORINDLL;
    return get(&clsid, &iid, object);
}

STDAPI DllCanUnloadNow() {
    // The objects live in the shared module, which stays loaded; this file
    // may go whenever the shared module has no live objects.
    auto canUnload = g_shared ? reinterpret_cast<components::SharedCanUnloadNow>(
                                    reinterpret_cast<void*>(GetProcAddress(g_shared, "ComponentCanUnloadNow")))
                              : nullptr;
    return canUnload ? canUnload() : S_OK;
}

STDAPI DllRegisterServer() {
    const std::wstring clsid = ClsidText();
    const std::wstring path = ModulePath(g_module);
    const std::wstring classKey = L"CLSID\\" + clsid;
    const bool ok = !path.empty() &&
                    SetValue(kProgId, nullptr, kDescription) &&
                    SetValue(std::wstring(kProgId) + L"\\CLSID", nullptr, clsid) &&
                    SetValue(classKey, nullptr, kDescription) &&
                    SetValue(classKey + L"\\ProgID", nullptr, kProgId) &&
                    SetValue(classKey + L"\\InprocServer32", nullptr, path) &&
                    SetValue(classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    if (!ok) return SELFREG_E_CLASS;
    GUID libid;
    if (FAILED(TypeLibrary(false, &libid))) return SELFREG_E_TYPELIB;
    wchar_t libText[40];
    StringFromGUID2(libid, libText, 40);
    return SetValue(classKey + L"\\TypeLib", nullptr, libText) && SetValue(classKey + L"\\Version", nullptr, L"1.0")
               ? S_OK
               : SELFREG_E_TYPELIB;
}

STDAPI DllUnregisterServer() {
    GUID libid;
    TypeLibrary(true, &libid);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + ClsidText()).c_str());
    RegDeleteKeyW(HKEY_CLASSES_ROOT, (L"CLSID\\" + ClsidText()).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    RegDeleteKeyW(HKEY_CLASSES_ROOT, kProgId);
    return S_OK;
}

}  // extern "C"
