// COleDispatchDriver against an in-process IDispatch: argument order and
// types, by-reference arguments, results, and failures as exceptions.
#include "framework/framework.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
// Records each call; DISPID 1 echoes, 2 fails with a server error, 3 with
// a plain HRESULT.
class FakeServer : public IDispatch {
public:
    LONG refs = 1;
    DISPID lastId = 0;
    WORD lastFlags = 0;
    std::vector<VARTYPE> argTypes;   // in Invoke's order (last argument first)
    std::wstring firstText;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return (ULONG)++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return (ULONG)--refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT*) override {
        lastId = id;
        lastFlags = flags;
        argTypes.clear();
        for (UINT i = 0; i < params->cArgs; ++i) argTypes.push_back(params->rgvarg[i].vt);
        if (id == 2) {
            excep->bstrDescription = ::SysAllocString(L"store is full");
            excep->scode = E_FAIL;
            return DISP_E_EXCEPTION;
        }
        if (id == 3) return DISP_E_MEMBERNOTFOUND;
        // The first argument is last in rgvarg.
        VARIANT& first = params->rgvarg[params->cArgs - 1];
        if (first.vt == VT_BSTR) firstText = first.bstrVal;
        if (first.vt == (VT_BSTR | VT_BYREF)) firstText = *first.pbstrVal;
        for (UINT i = 0; i < params->cArgs; ++i)
            if (params->rgvarg[i].vt == (VT_I2 | VT_BYREF)) *params->rgvarg[i].piVal = 99;
        if (result) {
            result->vt = VT_BSTR;
            result->bstrVal = ::SysAllocString((L"ok:" + firstText).c_str());
        }
        return S_OK;
    }
};
}  // namespace

TEST(FrameworkOle, ArgumentsGoInReverseWithTheirTypes) {
    FakeServer server;
    COleDispatchDriver driver(&server, FALSE);
    static const BYTE params[] = VTS_BSTR VTS_PI2 VTS_I4 VTS_BOOL;
    short bodyType = 1;
    CString result;
    driver.InvokeHelper(1, DISPATCH_METHOD, VT_BSTR, &result, params, L"subject", &bodyType, 17L, TRUE);
    EXPECT_EQ(1, server.lastId);
    ASSERT_EQ(4u, server.argTypes.size());
    EXPECT_EQ(VT_BOOL, server.argTypes[0]);
    EXPECT_EQ(VT_I4, server.argTypes[1]);
    EXPECT_EQ(VT_I2 | VT_BYREF, server.argTypes[2]);
    EXPECT_EQ(VT_BSTR, server.argTypes[3]);
    EXPECT_EQ(L"subject", server.firstText);
    EXPECT_EQ(99, bodyType);   // written through the reference
    EXPECT_EQ(CString(L"ok:subject"), result);
}

TEST(FrameworkOle, CStringArgumentsTravelAsText) {
    FakeServer server;
    COleDispatchDriver driver(&server, FALSE);
    static const BYTE params[] = VTS_BSTR;
    CString folder(L"\\Inbox");
    driver.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, params, folder);
    EXPECT_EQ(L"\\Inbox", server.firstText);
}

TEST(FrameworkOle, TextsByReferenceStayTheCallersStrings) {
    FakeServer server;
    COleDispatchDriver driver(&server, FALSE);
    static const BYTE params[] = VTS_PBSTR;
    BSTR text = ::SysAllocString(L"by ref");
    driver.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, params, &text);
    EXPECT_EQ(L"by ref", server.firstText);
    EXPECT_STREQ(L"by ref", text);   // not freed by the driver
    ::SysFreeString(text);
}

TEST(FrameworkOle, VariantArgumentsGoByValueAndTheCallersCopyStays) {
    FakeServer server;
    COleDispatchDriver driver(&server, FALSE);
    static const BYTE params[] = VTS_VARIANT VTS_VARIANT VTS_PVARIANT;
    VARIANT text, number, byRef;
    ::VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = ::SysAllocString(L"kept");
    ::VariantInit(&number);
    number.vt = VT_I4;
    number.lVal = 2;
    ::VariantInit(&byRef);
    driver.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, params, &text, &number, &byRef);
    ASSERT_EQ(3u, server.argTypes.size());
    EXPECT_EQ(VT_VARIANT | VT_BYREF, server.argTypes[0]);
    EXPECT_EQ(VT_I4, server.argTypes[1]);
    EXPECT_EQ(VT_BSTR, server.argTypes[2]);
    EXPECT_EQ(L"kept", server.firstText);
    EXPECT_EQ(VT_BSTR, text.vt);   // the driver freed its own copy only
    EXPECT_STREQ(L"kept", text.bstrVal);
    ::VariantClear(&text);
}

TEST(FrameworkOle, ServerErrorsBecomeExceptions) {
    FakeServer server;
    COleDispatchDriver driver(&server, FALSE);
    try {
        driver.InvokeHelper(2, DISPATCH_METHOD, VT_EMPTY, nullptr, (const BYTE*)VTS_NONE);
        FAIL() << "no exception";
    } catch (const COleDispatchException& e) {
        EXPECT_EQ(CString(L"store is full"), e.m_strDescription);
        EXPECT_EQ(E_FAIL, e.m_scError);
    }
    try {
        driver.InvokeHelper(3, DISPATCH_METHOD, VT_EMPTY, nullptr, (const BYTE*)VTS_NONE);
        FAIL() << "no exception";
    } catch (const COleException& e) {
        EXPECT_EQ(DISP_E_MEMBERNOTFOUND, e.m_sc);
    }
}

TEST(FrameworkOle, ReleasesWhatItOwnsOnce) {
    FakeServer server;
    {
        COleDispatchDriver driver;
        server.AddRef();
        driver.AttachDispatch(&server);
        EXPECT_EQ(2, server.refs);
    }
    EXPECT_EQ(1, server.refs);
    COleDispatchDriver empty;
    EXPECT_THROW(empty.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr), COleException);
}

TEST(FrameworkOle, UnknownProgIdFailsWithItsCode) {
    ::CoInitialize(nullptr);
    COleDispatchDriver driver;
    COleException error;
    EXPECT_FALSE(driver.CreateDispatch(L"No.Such.ProgId.For.Tests", &error));
    EXPECT_TRUE(FAILED(error.m_sc));
    EXPECT_EQ(nullptr, driver.m_lpDispatch);
    ::CoUninitialize();
}
