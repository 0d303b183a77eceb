// Automation client: creation by ProgID and IDispatch::Invoke with argument
// lists described by VTS_ strings.
#include "framework/fwole.h"
#include "framework/seams.h"
#include <cstdarg>
#include <vector>

IMPLEMENT_DYNAMIC(COleException, CException)
IMPLEMENT_DYNAMIC(COleDispatchException, COleException)

BOOL COleDispatchDriver::CreateDispatch(LPCWSTR lpszProgID, COleException* pError) {
    ReleaseDispatch();
    IDispatch* pDispatch = nullptr;
    HRESULT hr = g_Seams.CreateDispatch(lpszProgID, &pDispatch);
    if (FAILED(hr) || !pDispatch) {
        if (pDispatch) pDispatch->Release();
        if (pError) pError->m_sc = FAILED(hr) ? hr : E_NOINTERFACE;
        return FALSE;
    }
    m_lpDispatch = pDispatch;
    m_bAutoRelease = TRUE;
    return TRUE;
}

void COleDispatchDriver::AttachDispatch(LPDISPATCH lpDispatch, BOOL bAutoRelease) {
    ReleaseDispatch();
    m_lpDispatch = lpDispatch;
    m_bAutoRelease = bAutoRelease;
}

LPDISPATCH COleDispatchDriver::DetachDispatch() {
    LPDISPATCH p = m_lpDispatch;
    m_lpDispatch = nullptr;
    return p;
}

void COleDispatchDriver::ReleaseDispatch() {
    if (m_lpDispatch && m_bAutoRelease) m_lpDispatch->Release();
    m_lpDispatch = nullptr;
}

void COleDispatchDriver::InvokeHelperRaw(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                                         const BYTE* pbParamInfo, ...) {
    va_list args;
    va_start(args, pbParamInfo);
    try {
        InvokeHelperV(dwDispID, wFlags, vtRet, pvRet, pbParamInfo, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

void COleDispatchDriver::InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                                       const BYTE* pbParamInfo, va_list argList) {
    if (!m_lpDispatch) throw COleException(E_UNEXPECTED);

    // Arguments go to Invoke in reverse order.
    size_t nArgs = pbParamInfo ? strlen(reinterpret_cast<const char*>(pbParamInfo)) : 0;
    std::vector<VARIANTARG> args(nArgs);
    for (size_t i = 0; i < nArgs; ++i) {
        VARIANTARG& v = args[nArgs - 1 - i];
        ::VariantInit(&v);
        BYTE type = pbParamInfo[i];
        if (type & VT_MFCBYREF) {
            v.vt = (VARTYPE)((type & ~VT_MFCBYREF) | VT_BYREF);
            v.byref = va_arg(argList, void*);
            continue;
        }
        v.vt = type;
        switch (type) {
        case VT_I4: v.lVal = va_arg(argList, long); break;
        case VT_BSTR: {
            LPCWSTR s = va_arg(argList, LPCWSTR);
            v.bstrVal = ::SysAllocString(s ? s : L"");
            break;
        }
        case VT_BOOL: v.boolVal = va_arg(argList, BOOL) ? VARIANT_TRUE : VARIANT_FALSE; break;
        case VT_VARIANT: {
            // By value: the callee gets a copy of the variant itself.
            const VARIANT* pv = va_arg(argList, const VARIANT*);
            v.vt = VT_EMPTY;
            if (pv != nullptr && FAILED(::VariantCopy(&v, const_cast<VARIANT*>(pv)))) {
                for (size_t k = 0; k < i; ++k) ::VariantClear(&args[nArgs - 1 - k]);
                throw COleException(E_INVALIDARG);
            }
            break;
        }
        default:
            for (size_t k = 0; k < i; ++k) ::VariantClear(&args[nArgs - 1 - k]);
            throw COleException(E_INVALIDARG);
        }
    }

    DISPPARAMS params = {args.empty() ? nullptr : args.data(), nullptr, (UINT)nArgs, 0};
    DISPID dispidNamed = DISPID_PROPERTYPUT;
    if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.cNamedArgs = 1;
        params.rgdispidNamedArgs = &dispidNamed;
    }
    VARIANT result;
    ::VariantInit(&result);
    EXCEPINFO excep = {};
    UINT argErr = 0;
    HRESULT hr = m_lpDispatch->Invoke(dwDispID, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &params,
                                      vtRet == VT_EMPTY ? nullptr : &result, &excep, &argErr);
    for (VARIANTARG& v : args)
        if (!(v.vt & VT_BYREF)) ::VariantClear(&v);

    if (FAILED(hr)) {
        ::VariantClear(&result);
        if (hr == DISP_E_EXCEPTION) {
            if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
            COleDispatchException e(excep.bstrDescription ? excep.bstrDescription : L"",
                                    excep.scode ? excep.scode : (SCODE)excep.wCode);
            ::SysFreeString(excep.bstrSource);
            ::SysFreeString(excep.bstrDescription);
            ::SysFreeString(excep.bstrHelpFile);
            throw e;
        }
        throw COleException(hr);
    }
    if (vtRet == VT_EMPTY || !pvRet) {
        ::VariantClear(&result);
        return;
    }
    if (vtRet != VT_VARIANT && result.vt != vtRet) {
        HRESULT hrc = ::VariantChangeType(&result, &result, 0, vtRet);
        if (FAILED(hrc)) {
            ::VariantClear(&result);
            throw COleException(hrc);
        }
    }
    switch (vtRet) {
    case VT_BSTR:
        *static_cast<CString*>(pvRet) = CString(result.bstrVal, (int)::SysStringLen(result.bstrVal));
        ::VariantClear(&result);
        break;
    case VT_DISPATCH: *static_cast<LPDISPATCH*>(pvRet) = result.pdispVal; break;   // the caller releases
    case VT_VARIANT: *static_cast<VARIANT*>(pvRet) = result; break;              // the caller clears
    default: ::VariantClear(&result); throw COleException(E_INVALIDARG);
    }
}
