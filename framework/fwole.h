// Automation client: COleDispatchDriver and the OLE exceptions.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include "fwobject.h"
#include "fwstring.h"

class COleException : public CException {
    DECLARE_DYNAMIC(COleException)
public:
    explicit COleException(SCODE sc = S_OK) : m_sc(sc) {}
    SCODE m_sc;
    BOOL GetErrorMessage(LPWSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const override;
};

// DISP_E_EXCEPTION: the server's own error.
class COleDispatchException : public COleException {
    DECLARE_DYNAMIC(COleDispatchException)
public:
    COleDispatchException(LPCWSTR lpszDescription, SCODE scError) : COleException(DISP_E_EXCEPTION), m_scError(scError), m_strDescription(lpszDescription) {}
    SCODE m_scError;
    CString m_strDescription;
    CString m_strSource;
    BOOL GetErrorMessage(LPWSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const override;
};

// Argument descriptions for InvokeHelper: one byte per argument, a VARTYPE,
// with 0x40 for "by reference". Concatenate them: VTS_BSTR VTS_PI2.
#define VT_MFCBYREF      0x40
#define VTS_NONE         ""
#define VTS_I2           "\x02"      // short (passed as int)
#define VTS_I4           "\x03"      // long
#define VTS_R4           "\x04"      // float (passed as double)
#define VTS_R8           "\x05"      // double
#define VTS_CY           "\x06"      // const CY*
#define VTS_DATE         "\x07"      // DATE
#define VTS_BSTR         "\x08"      // LPCWSTR (copied into a BSTR)
#define VTS_DISPATCH     "\x09"      // IDispatch*
#define VTS_SCODE        "\x0A"      // SCODE
#define VTS_BOOL         "\x0B"      // BOOL
#define VTS_VARIANT      "\x0C"      // const VARIANT*, passed by value (a copy)
#define VTS_UNKNOWN      "\x0D"      // IUnknown*
#define VTS_UI1          "\x11"      // BYTE (passed as int)
#define VTS_PI2          "\x42"      // short*
#define VTS_PI4          "\x43"      // long*
#define VTS_PR8          "\x45"      // double*
#define VTS_PBSTR        "\x48"      // BSTR*
#define VTS_PDISPATCH    "\x49"      // IDispatch**
#define VTS_PBOOL        "\x4B"      // VARIANT_BOOL*
#define VTS_PVARIANT     "\x4C"      // VARIANT*

class COleDispatchDriver {
public:
    LPDISPATCH m_lpDispatch = nullptr;
    BOOL m_bAutoRelease = TRUE;

    COleDispatchDriver() = default;
    explicit COleDispatchDriver(LPDISPATCH lpDispatch, BOOL bAutoRelease = TRUE) : m_lpDispatch(lpDispatch), m_bAutoRelease(bAutoRelease) {}
    COleDispatchDriver(const COleDispatchDriver&) = delete;
    COleDispatchDriver& operator=(const COleDispatchDriver&) = delete;
    virtual ~COleDispatchDriver() { ReleaseDispatch(); }

    // Creates the object by ProgID (or class id); FALSE on failure, with the
    // code in pError when given.
    BOOL CreateDispatch(LPCWSTR lpszProgID, COleException* pError = nullptr);
    BOOL CreateDispatch(REFCLSID clsid, COleException* pError = nullptr);
    void AttachDispatch(LPDISPATCH lpDispatch, BOOL bAutoRelease = TRUE);
    LPDISPATCH DetachDispatch();
    void ReleaseDispatch();
    operator LPDISPATCH() const { return m_lpDispatch; }

    // Calls dwDispID with the arguments described by pbParamInfo (VTS_...)
    // and stores the result in pvRet by vtRet: VT_EMPTY (none), VT_I2 short*,
    // VT_I4 long*, VT_BOOL BOOL*, VT_BSTR CString*, VT_R8 double*, VT_DATE
    // DATE*, VT_VARIANT VARIANT*, VT_DISPATCH IDispatch**. Throws
    // COleDispatchException (server error) or COleException (other failure).
    // A CString argument is passed as its text (for VTS_BSTR).
    template <class... Args>
    void InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                      const Args&... args) {
        InvokeHelperRaw(dwDispID, wFlags, vtRet, pvRet, pbParamInfo, FwVarArg(args)...);
    }
    void InvokeHelperRaw(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo, ...);
    void InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo, va_list argList);
    void GetProperty(DISPID dwDispID, VARTYPE vtProp, void* pvProp) const;
    template <class Arg> void SetProperty(DISPID dwDispID, VARTYPE vtProp, const Arg& arg) {
        SetPropertyRaw(dwDispID, vtProp, FwVarArg(arg));
    }
    void SetPropertyRaw(DISPID dwDispID, VARTYPE vtProp, ...);
};
