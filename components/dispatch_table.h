// What an automation object offers, written once per object: each member's
// dispatch id, name, call kind, parameters and result. Invoke checks every
// call against it, GetIDsOfNames answers names from it and the type library
// is built from it, so the three never disagree.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <cstddef>

namespace components {

enum class ParamType : unsigned char {
    Text,       // a BSTR, or Empty for ""
    Integer,    // a whole number of any numeric type, or a text that is one
    Any,        // taken as it comes (and ignored)
};

struct ParamInfo {
    const wchar_t* name = nullptr;
    ParamType type = ParamType::Text;
    bool optional = false;          // may be left out: "" or 0
};

enum class MemberKind : unsigned char {
    Method,
    Property,                       // read and written (the value is a text)
    ReadOnly,                       // a property that is only read
};

enum class ResultType : unsigned char { None, Text, Variant, Object };

constexpr size_t kMaxParams = 10;

struct MemberInfo {
    DISPID id;
    const wchar_t* name;
    MemberKind kind;
    ResultType result;
    const wchar_t* help;            // one line for the type library
    ParamInfo params[kMaxParams];   // in the caller's order, the unused ones without a name

    size_t ParamCount() const {
        size_t n = 0;
        while (n < kMaxParams && params[n].name) ++n;
        return n;
    }
};

struct LibraryInfo;

struct InterfaceInfo {
    const LibraryInfo* library;
    const wchar_t* name;
    GUID iid;
    const wchar_t* help;
    const MemberInfo* members;
    size_t memberCount;

    const MemberInfo* Find(DISPID id) const;
    const MemberInfo* Find(const wchar_t* name) const;   // without regard to case
};

struct LibraryInfo {
    const wchar_t* name;
    const wchar_t* progId;           // also the source of the errors in EXCEPINFO
    GUID libid;
    const wchar_t* help;
    const wchar_t* coclassName;      // the creatable class, its default interface the first one
    CLSID clsid;
    const InterfaceInfo* const* interfaces;
    size_t interfaceCount;
};

// The library of each component, by class id; null for another class.
const LibraryInfo* LibraryOf(const CLSID& clsid);

}  // namespace components
