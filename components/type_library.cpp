#include "components/type_library.h"

#include <map>
#include <mutex>
#include <vector>

namespace components {

namespace {

constexpr WORD kMajorVersion = 1, kMinorVersion = 0;

SYSKIND ThisSysKind() { return sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32; }

// Releases a COM pointer when it goes.
template <class T>
class Ref {
public:
    Ref() = default;
    ~Ref() {
        if (p_) p_->Release();
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    T** operator&() { return &p_; }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    T* detach() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }

private:
    T* p_ = nullptr;
};

#define RETURN_IF_FAILED(call)      \
    do {                            \
        const HRESULT hr_ = (call); \
        if (FAILED(hr_)) return hr_; \
    } while (0)

VARTYPE ParamVarType(const ParamInfo& p) {
    if (p.optional || p.type == ParamType::Any) return VT_VARIANT;   // a left-out argument is a VARIANT
    return p.type == ParamType::Integer ? VT_I4 : VT_BSTR;
}

VARTYPE ResultVarType(ResultType r) {
    switch (r) {
    case ResultType::Text: return VT_BSTR;
    case ResultType::Variant: return VT_VARIANT;
    case ResultType::Object: return VT_DISPATCH;
    default: return VT_VOID;
    }
}

// One function of a dispatch interface: a method, a property's get or its put.
HRESULT AddFunction(ICreateTypeInfo* info, UINT index, const MemberInfo& m, INVOKEKIND kind) {
    ELEMDESC params[kMaxParams] = {};
    std::vector<LPOLESTR> names{const_cast<LPOLESTR>(m.name)};
    FUNCDESC fd = {};
    fd.memid = m.id;
    fd.funckind = FUNC_DISPATCH;
    fd.invkind = kind;
    fd.callconv = CC_STDCALL;
    fd.lprgelemdescParam = params;
    if (kind == INVOKE_FUNC) {
        fd.cParams = static_cast<SHORT>(m.ParamCount());
        for (size_t i = 0; i < m.ParamCount(); ++i) {
            params[i].tdesc.vt = ParamVarType(m.params[i]);
            params[i].paramdesc.wParamFlags = PARAMFLAG_FIN | (m.params[i].optional ? PARAMFLAG_FOPT : 0);
            names.push_back(const_cast<LPOLESTR>(m.params[i].name));
        }
        fd.elemdescFunc.tdesc.vt = ResultVarType(m.result);
    } else if (kind == INVOKE_PROPERTYGET) {
        fd.elemdescFunc.tdesc.vt = ResultVarType(m.result);
    } else {
        // A put's value has no name of its own.
        fd.cParams = 1;
        params[0].tdesc.vt = VT_BSTR;
        params[0].paramdesc.wParamFlags = PARAMFLAG_FIN;
        fd.elemdescFunc.tdesc.vt = VT_VOID;
    }
    RETURN_IF_FAILED(info->AddFuncDesc(index, &fd));
    RETURN_IF_FAILED(info->SetFuncAndParamNames(index, names.data(), static_cast<UINT>(names.size())));
    if (m.help) RETURN_IF_FAILED(info->SetFuncDocString(index, const_cast<LPOLESTR>(m.help)));
    return S_OK;
}

HRESULT AddInterface(ICreateTypeLib2* lib, ITypeInfo* dispatchInfo, const InterfaceInfo& iface, ITypeInfo** made) {
    Ref<ICreateTypeInfo> info;
    RETURN_IF_FAILED(lib->CreateTypeInfo(const_cast<LPOLESTR>(iface.name), TKIND_DISPATCH, &info));
    RETURN_IF_FAILED(info->SetGuid(iface.iid));
    RETURN_IF_FAILED(info->SetTypeFlags(TYPEFLAG_FDISPATCHABLE));
    if (iface.help) RETURN_IF_FAILED(info->SetDocString(const_cast<LPOLESTR>(iface.help)));
    HREFTYPE base;
    RETURN_IF_FAILED(info->AddRefTypeInfo(dispatchInfo, &base));
    RETURN_IF_FAILED(info->AddImplType(0, base));
    UINT index = 0;
    for (size_t i = 0; i < iface.memberCount; ++i) {
        const MemberInfo& m = iface.members[i];
        if (m.kind == MemberKind::Method) {
            RETURN_IF_FAILED(AddFunction(info.get(), index++, m, INVOKE_FUNC));
        } else {
            RETURN_IF_FAILED(AddFunction(info.get(), index++, m, INVOKE_PROPERTYGET));
            if (m.kind == MemberKind::Property) RETURN_IF_FAILED(AddFunction(info.get(), index++, m, INVOKE_PROPERTYPUT));
        }
    }
    RETURN_IF_FAILED(info->LayOut());
    return info->QueryInterface(IID_ITypeInfo, reinterpret_cast<void**>(made));
}

// The whole library, with file as the name it is saved under.
HRESULT BuildLibrary(const LibraryInfo& library, const std::wstring& file, ICreateTypeLib2** made) {
    Ref<ICreateTypeLib2> lib;
    RETURN_IF_FAILED(CreateTypeLib2(ThisSysKind(), file.c_str(), &lib));
    RETURN_IF_FAILED(lib->SetGuid(library.libid));
    RETURN_IF_FAILED(lib->SetName(const_cast<LPOLESTR>(library.name)));
    RETURN_IF_FAILED(lib->SetVersion(kMajorVersion, kMinorVersion));
    RETURN_IF_FAILED(lib->SetLcid(LOCALE_NEUTRAL));
    if (library.help) RETURN_IF_FAILED(lib->SetDocString(const_cast<LPOLESTR>(library.help)));

    // Every interface derives from IDispatch, described by the system's library.
    Ref<ITypeLib> stdole;
    Ref<ITypeInfo> dispatchInfo;
    RETURN_IF_FAILED(LoadRegTypeLib(IID_StdOle, 2, 0, LOCALE_NEUTRAL, &stdole));
    RETURN_IF_FAILED(stdole->GetTypeInfoOfGuid(IID_IDispatch, &dispatchInfo));

    std::vector<ITypeInfo*> interfaces;
    HRESULT hr = S_OK;
    for (size_t i = 0; i < library.interfaceCount && SUCCEEDED(hr); ++i) {
        ITypeInfo* info = nullptr;
        hr = AddInterface(lib.get(), dispatchInfo.get(), *library.interfaces[i], &info);
        if (SUCCEEDED(hr)) interfaces.push_back(info);
    }
    if (SUCCEEDED(hr)) {
        Ref<ICreateTypeInfo> coclass;
        HREFTYPE href;
        hr = lib->CreateTypeInfo(const_cast<LPOLESTR>(library.coclassName), TKIND_COCLASS, &coclass);
        if (SUCCEEDED(hr)) hr = coclass->SetGuid(library.clsid);
        if (SUCCEEDED(hr)) hr = coclass->SetTypeFlags(TYPEFLAG_FCANCREATE);
        if (SUCCEEDED(hr) && library.help) hr = coclass->SetDocString(const_cast<LPOLESTR>(library.help));
        if (SUCCEEDED(hr)) hr = coclass->AddRefTypeInfo(interfaces.at(0), &href);
        if (SUCCEEDED(hr)) hr = coclass->AddImplType(0, href);
        if (SUCCEEDED(hr)) hr = coclass->SetImplTypeFlags(0, IMPLTYPEFLAG_FDEFAULT);
        if (SUCCEEDED(hr)) hr = coclass->LayOut();
    }
    for (ITypeInfo* info : interfaces) info->Release();
    if (FAILED(hr)) return hr;
    *made = lib.detach();
    return S_OK;
}

// The libraries of this process, made once each.
std::mutex g_librariesMutex;
std::map<const LibraryInfo*, ITypeLib*> g_libraries;

HRESULT LibraryInMemory(const LibraryInfo& library, ITypeLib** out) {
    std::lock_guard<std::mutex> lock(g_librariesMutex);
    auto it = g_libraries.find(&library);
    if (it == g_libraries.end()) {
        ITypeLib* lib = nullptr;
        Ref<ICreateTypeLib2> made;
        // Never saved: the name only has to be one.
        HRESULT hr = BuildLibrary(library, std::wstring(library.name) + L".tlb", &made);
        if (SUCCEEDED(hr)) hr = made->QueryInterface(IID_ITypeLib, reinterpret_cast<void**>(&lib));
        // Where a library being made cannot be read, the registered one serves.
        if (FAILED(hr)) hr = LoadRegTypeLib(library.libid, kMajorVersion, kMinorVersion, LOCALE_NEUTRAL, &lib);
        if (FAILED(hr)) return hr;
        it = g_libraries.emplace(&library, lib).first;   // kept for the life of the process
    }
    *out = it->second;
    (*out)->AddRef();
    return S_OK;
}

}  // namespace

HRESULT TypeInfoOf(const InterfaceInfo& iface, ITypeInfo** info) {
    Ref<ITypeLib> lib;
    RETURN_IF_FAILED(LibraryInMemory(*iface.library, &lib));
    return lib->GetTypeInfoOfGuid(iface.iid, info);
}

HRESULT RegisterTypeLibrary(const LibraryInfo& library, const std::wstring& path) {
    {
        Ref<ICreateTypeLib2> made;
        RETURN_IF_FAILED(BuildLibrary(library, path, &made));
        RETURN_IF_FAILED(made->SaveAllChanges());
    }
    Ref<ITypeLib> saved;
    RETURN_IF_FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &saved));
    std::wstring folder = path.substr(0, path.find_last_of(L"\\/") + 1);
    return RegisterTypeLib(saved.get(), const_cast<LPOLESTR>(path.c_str()), folder.empty() ? nullptr : &folder[0]);
}

HRESULT UnregisterTypeLibrary(const LibraryInfo& library, const std::wstring& path) {
    const HRESULT hr = UnRegisterTypeLib(library.libid, kMajorVersion, kMinorVersion, LOCALE_NEUTRAL, ThisSysKind());
    DeleteFileW(path.c_str());
    return hr == TYPE_E_REGISTRYACCESS ? S_OK : hr;   // not registered: nothing to undo
}

}  // namespace components
