#include "components/dispatch_object.h"

#include <new>

#include "components/text_convert.h"

namespace components {

namespace {
LONG g_objects = 0;
LONG g_locks = 0;

BSTR AllocText(const std::wstring& text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}
}  // namespace

long LiveObjectCount() { return InterlockedCompareExchange(&g_objects, 0, 0) + InterlockedCompareExchange(&g_locks, 0, 0); }
void LockModule(bool lock) { lock ? InterlockedIncrement(&g_locks) : InterlockedDecrement(&g_locks); }

// ---- arguments ---------------------------------------------------------------

size_t DispatchArgs::Count() const { return params_ ? params_->cArgs : 0; }

void DispatchArgs::RequireCount(size_t count) const {
    if (Count() != count) throw ArgumentError{DISP_E_BADPARAMCOUNT, 0};
}

VARIANT DispatchArgs::Coerced(size_t index, VARTYPE type) const {
    if (index >= Count() || !params_->rgvarg) throw ArgumentError{DISP_E_BADPARAMCOUNT, 0};
    const UINT position = static_cast<UINT>(Count() - 1 - index);
    const VARIANT* arg = &params_->rgvarg[position];
    // A VARIANT by reference wraps the value one level deeper.
    if (V_VT(arg) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(arg)) arg = V_VARIANTREF(arg);
    VARIANT out;
    VariantInit(&out);
    const VARTYPE vt = V_VT(arg) & ~VT_BYREF;
    if (vt == VT_EMPTY || vt == VT_NULL || vt == VT_ERROR) {   // missing or null: the empty value
        V_VT(&out) = type;
        if (type == VT_BSTR) V_BSTR(&out) = nullptr;
        else V_I4(&out) = 0;
        return out;
    }
    // VariantChangeType follows VT_BYREF itself.
    if (FAILED(VariantChangeType(&out, const_cast<VARIANT*>(arg), 0, type))) throw ArgumentError{DISP_E_TYPEMISMATCH, position};
    return out;
}

std::wstring DispatchArgs::Text(size_t index) const {
    VARIANT v = Coerced(index, VT_BSTR);
    std::wstring text = V_BSTR(&v) ? std::wstring(V_BSTR(&v), SysStringLen(V_BSTR(&v))) : std::wstring();
    VariantClear(&v);
    return text;
}

long DispatchArgs::Integer(size_t index) const {
    VARIANT v = Coerced(index, VT_I4);
    const long value = V_I4(&v);
    VariantClear(&v);
    return value;
}

// ---- results -------------------------------------------------------------------

void SetEmptyText(VARIANT& result) {
    VariantClear(&result);
    V_VT(&result) = VT_BSTR;
    V_BSTR(&result) = SysAllocString(L"");
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
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
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
    *count = 0;
    return S_OK;
}

STDMETHODIMP DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

STDMETHODIMP DispatchObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) {
    // Members are reached by their fixed ids only.
    for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                    EXCEPINFO* exception, UINT* argError) {
    static const DISPPARAMS kNoArgs = {nullptr, nullptr, 0, 0};
    VARIANT local;
    VariantInit(&local);
    VARIANT& out = result ? *result : local;
    if (result) VariantInit(result);
    std::wstring failure;
    HRESULT failureCode = E_FAIL;
    try {
        Call(id, flags, DispatchArgs(params ? params : &kNoArgs), out);
        VariantClear(&local);
        return S_OK;
    } catch (const ArgumentError& e) {
        VariantClear(&out);
        if (argError) *argError = e.argIndex;
        return e.hr;
    } catch (const MemberNotFound&) {
        VariantClear(&out);
        return DISP_E_MEMBERNOTFOUND;
    } catch (const std::bad_alloc&) {
        failure = L"Out of memory.";
        failureCode = E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        failure = WideFromUtf8(e.what());
    } catch (...) {
        failure = L"Unexpected failure.";
    }
    VariantClear(&out);
    if (exception) {
        ZeroMemory(exception, sizeof *exception);
        exception->scode = failureCode;
        exception->bstrSource = SysAllocString(Source());
        exception->bstrDescription = AllocText(failure);
    }
    return DISP_E_EXCEPTION;
}

}  // namespace components
