// The automation objects' common base: IUnknown and IDispatch by hand, for
// callers that bind late and reach every member by a fixed dispatch id.
// A member reports failure by throwing; Invoke turns every exception into
// DISP_E_EXCEPTION with an EXCEPINFO (or DISP_E_BADPARAMCOUNT,
// DISP_E_TYPEMISMATCH, DISP_E_MEMBERNOTFOUND), so none crosses a COM call.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <stdexcept>
#include <string>

namespace components {

// The arguments of one call in the caller's order (DISPPARAMS keeps them
// last first). Late-bound callers differ in how they pass a value: by
// reference (VT_BSTR | VT_BYREF, VT_I2 | VT_BYREF), by value, or wrapped in
// a VARIANT by reference; all are accepted.
class DispatchArgs {
public:
    explicit DispatchArgs(const DISPPARAMS* params) : params_(params) {}

    size_t Count() const;
    void RequireCount(size_t count) const;
    std::wstring Text(size_t index) const;      // a null BSTR or VT_EMPTY is ""
    long Integer(size_t index) const;

private:
    VARIANT Coerced(size_t index, VARTYPE type) const;   // caller clears it
    const DISPPARAMS* params_;
};

// Thrown for a call whose arguments do not fit: Invoke answers with hr and
// names the argument (in DISPPARAMS order) in puArgErr.
struct ArgumentError {
    HRESULT hr;
    UINT argIndex;
};

// Thrown for a dispatch id or call kind the object does not have.
struct MemberNotFound {};

// Live objects and server locks of the module, for DllCanUnloadNow.
long LiveObjectCount();
void LockModule(bool lock);

class DispatchObject : public IDispatch {
public:
    DispatchObject();
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

protected:
    virtual ~DispatchObject();
    // Runs one member. result is VT_EMPTY on entry and never null.
    virtual void Call(DISPID id, WORD flags, const DispatchArgs& args, VARIANT& result) = 0;
    // The source named in EXCEPINFO (the ProgID).
    virtual const wchar_t* Source() const = 0;

private:
    LONG refs_ = 1;
};

// Results.
void SetEmptyText(VARIANT& result);
void SetObject(VARIANT& result, IDispatch* object);   // takes the caller's reference

// "Call kind" tests: a method call may arrive with PROPERTYGET as well.
inline bool IsMethod(WORD flags) { return (flags & DISPATCH_METHOD) != 0; }
inline bool IsGet(WORD flags) { return (flags & DISPATCH_PROPERTYGET) != 0; }
inline bool IsPut(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

}  // namespace components
