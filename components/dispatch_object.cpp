#include "components/dispatch_object.h"

#include <cmath>
#include <new>

#include "components/text_convert.h"
#include "components/type_library.h"

namespace components {

namespace {
LONG g_objects = 0;
LONG g_locks = 0;

BSTR AllocText(const std::wstring& text) { return SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

// The value a VARIANT holds, through a VARIANT by reference (a script's
// variable) and one more level. A reference of any type that points
// nowhere is the caller's error, found before anything reads through it.
const VARIANT* Unwrapped(const VARIANT* arg, int position) {
    for (int depth = 0; arg && (V_VT(arg) & VT_BYREF); ++depth) {
        if (!V_BYREF(arg)) throw ArgumentError{DISP_E_TYPEMISMATCH, position};
        if (depth == 2 || V_VT(arg) != (VT_VARIANT | VT_BYREF)) break;
        arg = V_VARIANTREF(arg);
    }
    return arg;
}

bool IsLeftOut(const VARIANT* arg) {
    return !arg || ((V_VT(arg) & ~VT_BYREF) == VT_ERROR &&
                    (V_VT(arg) & VT_BYREF ? *V_ERRORREF(arg) : V_ERROR(arg)) == DISP_E_PARAMNOTFOUND);
}

// A whole number from any numeric VARIANT, or a text that reads as one.
// Fractions, booleans, dates and the rest are not numbers here.
HRESULT WholeNumber(const VARIANT& value, long& out) {
    VARIANT v;
    VariantInit(&v);
    switch (V_VT(&value)) {
    case VT_EMPTY: out = 0; return S_OK;
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4: case VT_INT: case VT_UINT:
    case VT_I8: case VT_UI8:
        if (FAILED(VariantChangeType(&v, const_cast<VARIANT*>(&value), 0, VT_I4))) return DISP_E_OVERFLOW;
        out = V_I4(&v);
        return S_OK;
    case VT_R4: case VT_R8: case VT_CY: case VT_DECIMAL: case VT_BSTR: {
        if (FAILED(VariantChangeTypeEx(&v, const_cast<VARIANT*>(&value), LOCALE_INVARIANT, 0, VT_R8))) return DISP_E_TYPEMISMATCH;
        const double d = V_R8(&v);
        if (d != std::floor(d)) return DISP_E_TYPEMISMATCH;
        if (d < -2147483648.0 || d > 2147483647.0) return DISP_E_OVERFLOW;
        out = static_cast<long>(d);
        return S_OK;
    }
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

// A body's text (an item's "Body", a contact's "Body" and "RTFBody"): the
// one text that may hold NULs.
bool IsBody(const ParamInfo& param) {
    return _wcsicmp(param.name, L"Body") == 0 || _wcsicmp(param.name, L"RTFBody") == 0;
}

// One argument checked against its parameter. position is its index in
// DISPPARAMS (for puArgErr).
DispatchArgs::Value Convert(const ParamInfo& param, const VARIANT* slot, int position) {
    DispatchArgs::Value out;
    const VARIANT* arg = Unwrapped(slot, position);
    if (IsLeftOut(arg)) {
        if (!param.optional) throw ArgumentError{DISP_E_PARAMNOTFOUND, slot ? position : -1};
        return out;
    }
    if (param.type == ParamType::Any) return out;
    VARIANT value;
    VariantInit(&value);
    if (FAILED(VariantCopyInd(&value, const_cast<VARIANT*>(arg)))) throw ArgumentError{DISP_E_TYPEMISMATCH, position};
    HRESULT hr = S_OK;
    if (param.type == ParamType::Text) {
        // Only a text is a text: a number or a date is not turned into one.
        if (V_VT(&value) == VT_BSTR) {
            if (V_BSTR(&value)) out.text.assign(V_BSTR(&value), SysStringLen(V_BSTR(&value)));
        } else if (V_VT(&value) != VT_EMPTY) {
            hr = DISP_E_TYPEMISMATCH;
        }
        // A body is content: it is stored as given, NULs too. In other texts
        // NULs at the end are a buffer's padding; one inside a name or path
        // would cut it short wherever it goes on as a C string (a path:
        // another file).
        const bool body = IsBody(param);
        while (!body && !out.text.empty() && out.text.back() == L'\0') out.text.pop_back();
        const size_t nul = body ? std::wstring::npos : out.text.find(L'\0');
        if (nul != std::wstring::npos) {
            VariantClear(&value);
            throw CallError(E_INVALIDARG, "The argument " + Utf8FromWide(param.name) + " holds a NUL character (after " +
                                              std::to_string(nul) + " characters); no text or path may hold one.");
        }
    } else {
        hr = WholeNumber(value, out.integer);
    }
    VariantClear(&value);
    if (FAILED(hr)) throw ArgumentError{hr, position};
    return out;
}


// The call's arguments bound to the member's parameters: first those by
// position, then those by name (a parameter's name is its position).
std::vector<DispatchArgs::Value> Bind(const MemberInfo& member, WORD kind, const DISPPARAMS& params) {
    std::vector<ParamInfo> formal;
    if (kind == DISPATCH_PROPERTYPUT) formal.push_back(ParamInfo{member.name, ParamType::Text, false});   // the new value
    else if (kind == DISPATCH_METHOD) formal.assign(member.params, member.params + member.ParamCount());

    const UINT count = params.cArgs;
    UINT named = params.cNamedArgs <= count ? params.cNamedArgs : count;
    if (count > 0 && !params.rgvarg) throw ArgumentError{E_INVALIDARG, -1};
    if (named > 0 && !params.rgdispidNamedArgs) throw ArgumentError{E_INVALIDARG, -1};
    std::vector<int> slot(formal.size(), -1);    // index in rgvarg, or -1

    // A put's value: the named DISPID_PROPERTYPUT argument, else the last one.
    if (kind == DISPATCH_PROPERTYPUT) {
        if (count == 0) throw ArgumentError{DISP_E_PARAMNOTFOUND, -1};
        int value = 0;
        for (UINT i = 0; i < named; ++i)
            if (params.rgdispidNamedArgs[i] == DISPID_PROPERTYPUT) value = static_cast<int>(i);
        if (count > 1) throw ArgumentError{DISP_E_BADPARAMCOUNT, -1};
        slot[0] = value;
    } else {
        const UINT positional = count - named;
        if (positional > formal.size()) throw ArgumentError{DISP_E_BADPARAMCOUNT, -1};
        for (UINT i = 0; i < positional; ++i) slot[i] = static_cast<int>(count - 1 - i);
        for (UINT i = 0; i < named; ++i) {
            const DISPID id = params.rgdispidNamedArgs[i];
            if (id < 0 || static_cast<size_t>(id) >= formal.size() || slot[static_cast<size_t>(id)] >= 0)
                throw ArgumentError{DISP_E_PARAMNOTFOUND, static_cast<int>(i)};
            slot[static_cast<size_t>(id)] = static_cast<int>(i);
        }
    }

    std::vector<DispatchArgs::Value> values;
    for (size_t i = 0; i < formal.size(); ++i) {
        const VARIANT* arg = slot[i] >= 0 ? &params.rgvarg[slot[i]] : nullptr;
        DispatchArgs::Value v = Convert(formal[i], arg, slot[i]);
        if (formal[i].type != ParamType::Any) values.push_back(std::move(v));
    }
    return values;
}
}  // namespace

long LiveObjectCount() { return InterlockedCompareExchange(&g_objects, 0, 0) + InterlockedCompareExchange(&g_locks, 0, 0); }
void LockModule(bool lock) { lock ? InterlockedIncrement(&g_locks) : InterlockedDecrement(&g_locks); }

// ---- the tables --------------------------------------------------------------

const MemberInfo* InterfaceInfo::Find(DISPID id) const {
    for (size_t i = 0; i < memberCount; ++i)
        if (members[i].id == id) return &members[i];
    return nullptr;
}

const MemberInfo* InterfaceInfo::Find(const wchar_t* name) const {
    if (!name) return nullptr;
    for (size_t i = 0; i < memberCount; ++i)
        if (_wcsicmp(members[i].name, name) == 0) return &members[i];
    return nullptr;
}

// ---- results -------------------------------------------------------------------

void SetText(VARIANT& result, const std::wstring& text) {
    VariantClear(&result);
    V_VT(&result) = VT_BSTR;
    V_BSTR(&result) = AllocText(text);
    if (!V_BSTR(&result)) throw std::bad_alloc();
}

void SetObject(VARIANT& result, IDispatch* object) {
    VariantClear(&result);
    V_VT(&result) = VT_DISPATCH;
    V_DISPATCH(&result) = object;
}

// ---- the object ------------------------------------------------------------------

DispatchObject::DispatchObject() { InterlockedIncrement(&g_objects); }
DispatchObject::~DispatchObject() { InterlockedDecrement(&g_objects); }

STDMETHODIMP DispatchObject::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == Interface().iid) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) DispatchObject::AddRef() { return InterlockedIncrement(&refs_); }

STDMETHODIMP_(ULONG) DispatchObject::Release() {
    const LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) delete this;   // destructors catch their own failures
    return refs;
}

STDMETHODIMP DispatchObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP DispatchObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return TypeInfoOf(Interface(), info);
}

STDMETHODIMP DispatchObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (count == 0) return S_OK;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    const MemberInfo* member = Interface().Find(names[0]);
    if (!member) return DISP_E_UNKNOWNNAME;
    ids[0] = member->id;
    // Further names are the member's parameters, each known by its position.
    HRESULT hr = S_OK;
    const size_t paramCount = member->kind == MemberKind::Method ? member->ParamCount() : 0;
    for (UINT i = 1; i < count; ++i) {
        for (size_t p = 0; p < paramCount && names[i]; ++p)
            if (_wcsicmp(member->params[p].name, names[i]) == 0) ids[i] = static_cast<DISPID>(p);
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

STDMETHODIMP DispatchObject::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                    EXCEPINFO* exception, UINT* argError) {
    static const DISPPARAMS kNoArgs = {nullptr, nullptr, 0, 0};
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    const MemberInfo* member = Interface().Find(id);
    if (!member) return DISP_E_MEMBERNOTFOUND;
    // A method may be asked for as a value too (a script's "x = o.Method").
    WORD kind = 0;
    if (member->kind == MemberKind::Method) {
        if (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) kind = DISPATCH_METHOD;
    } else if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        if (member->kind == MemberKind::Property) kind = DISPATCH_PROPERTYPUT;
    } else if (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) {
        kind = DISPATCH_PROPERTYGET;
    }
    if (!kind) return DISP_E_MEMBERNOTFOUND;

    VARIANT local;
    VariantInit(&local);
    VARIANT& out = result ? *result : local;
    if (result) VariantInit(result);
    std::wstring failure;
    HRESULT failureCode = E_FAIL;
    try {
        const DispatchArgs args(Bind(*member, kind, params ? *params : kNoArgs));
        Call(*member, kind, args, out);
        VariantClear(&local);
        return S_OK;
    } catch (const ArgumentError& e) {
        VariantClear(&out);
        if (argError && e.argIndex >= 0) *argError = static_cast<UINT>(e.argIndex);
        return e.hr;
    } catch (const std::bad_alloc&) {
        failure = L"Out of memory.";
        failureCode = E_OUTOFMEMORY;
    } catch (const CallError& e) {
        failure = WideFromUtf8(e.what());
        failureCode = e.scode();
    } catch (const std::invalid_argument& e) {
        failure = WideFromUtf8(e.what());
        failureCode = E_INVALIDARG;
    } catch (const std::exception& e) {
        failure = WideFromUtf8(e.what());
    } catch (...) {
        failure = L"Unexpected failure.";
    }
    VariantClear(&out);
    if (exception) {
        ZeroMemory(exception, sizeof *exception);
        exception->scode = failureCode;
        exception->bstrSource = SysAllocString(Interface().library->progId);
        exception->bstrDescription = AllocText(failure);
    }
    return DISP_E_EXCEPTION;
}

}  // namespace components
