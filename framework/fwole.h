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
};

// DISP_E_EXCEPTION: the server's own error.
class COleDispatchException : public COleException {
    DECLARE_DYNAMIC(COleDispatchException)
public:
    COleDispatchException(LPCWSTR lpszDescription, SCODE scError) : COleException(DISP_E_EXCEPTION), m_scError(scError), m_strDescription(lpszDescription) {}
    SCODE m_scError;
    CString m_strDescription;
};

// Argument descriptions for InvokeHelper: one byte per argument, a VARTYPE,
// with 0x40 for "by reference". Concatenate them: VTS_BSTR VTS_PI2.
#define VT_MFCBYREF      0x40
#define VTS_NONE         ""
#define VTS_I4           "\x03"      // long
#define VTS_BSTR         "\x08"      // LPCWSTR (copied into a BSTR)
#define VTS_BOOL         "\x0B"      // BOOL
#define VTS_VARIANT      "\x0C"      // const VARIANT*, passed by value (a copy)
#define VTS_PI2          "\x42"      // short*
#define VTS_PBSTR        "\x48"      // BSTR*
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

    // Creates the object by ProgID (through the test seam); FALSE on
    // failure, with the code in pError when given.
    BOOL CreateDispatch(LPCWSTR lpszProgID, COleException* pError = nullptr);
    void AttachDispatch(LPDISPATCH lpDispatch, BOOL bAutoRelease = TRUE);
    LPDISPATCH DetachDispatch();
    void ReleaseDispatch();

    // Calls dwDispID with the arguments described by pbParamInfo (VTS_...)
    // and stores the result in pvRet by vtRet: VT_EMPTY (none), VT_BSTR
    // CString*, VT_VARIANT VARIANT*, VT_DISPATCH IDispatch**. Throws
    // COleDispatchException (server error) or COleException (other failure).
    // A CString argument is passed as its text (for VTS_BSTR).
    template <class... Args>
    void InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                      const Args&... args) {
        InvokeHelperRaw(dwDispID, wFlags, vtRet, pvRet, pbParamInfo, FwVarArg(args)...);
    }
    void InvokeHelperRaw(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo, ...);
    void InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo, va_list argList);
};
