// The automation objects' common base: IUnknown and IDispatch by hand. Each
// object describes its members in a table (dispatch_table.h); callers reach
// them by dispatch id or by name, and see them in the type library.
// Invoke checks every call against the table before the member runs: a
// member that is not there is DISP_E_MEMBERNOTFOUND, a missing argument
// DISP_E_PARAMNOTFOUND, one too many DISP_E_BADPARAMCOUNT, one of the wrong
// type DISP_E_TYPEMISMATCH (puArgErr names it). A member reports failure
// by throwing; Invoke turns every exception into DISP_E_EXCEPTION with an
// EXCEPINFO, so none crosses a COM call.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "components/dispatch_table.h"

namespace components {

// The arguments of one call, checked and converted, in the caller's order
// (a property's new value is the only argument of a put). Arguments of type
// Any are not kept.
class DispatchArgs {
public:
    struct Value {
        std::wstring text;
        long integer = 0;
    };
    explicit DispatchArgs(std::vector<Value> values) : values_(std::move(values)) {}

    size_t Count() const { return values_.size(); }
    const std::wstring& Text(size_t index) const { return values_.at(index).text; }
    long Integer(size_t index) const { return values_.at(index).integer; }

private:
    std::vector<Value> values_;
};

// Thrown for a call whose arguments do not fit: Invoke answers with hr and,
// when argIndex is set, names the argument (in DISPPARAMS order) in puArgErr.
struct ArgumentError {
    HRESULT hr;
    int argIndex;   // -1: none
};

// Thrown for a value the member refuses; the text says why and goes to
// EXCEPINFO with scode.
class CallError : public std::runtime_error {
public:
    CallError(HRESULT scode, const std::string& what) : std::runtime_error(what), scode_(scode) {}
    HRESULT scode() const { return scode_; }

private:
    HRESULT scode_;
};

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
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

protected:
    virtual ~DispatchObject();
    // Runs one member of the table. kind is one of DISPATCH_METHOD,
    // DISPATCH_PROPERTYGET and DISPATCH_PROPERTYPUT; result is VT_EMPTY on
    // entry and never null.
    virtual void Call(const MemberInfo& member, WORD kind, const DispatchArgs& args, VARIANT& result) = 0;
    virtual const InterfaceInfo& Interface() const = 0;

private:
    LONG refs_ = 1;
};

// Results.
void SetText(VARIANT& result, const std::wstring& text);
inline void SetEmptyText(VARIANT& result) { SetText(result, std::wstring()); }
void SetObject(VARIANT& result, IDispatch* object);   // takes the caller's reference

}  // namespace components
