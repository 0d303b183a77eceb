// Run-time class information, dynamic creation and the exception base.
#pragma once
#include <windows.h>

class CObject;

// One static record per class that declares run-time class information.
struct CRuntimeClass {
    CObject* (*m_pfnCreateObject)();       // null unless dynamically creatable
    const CRuntimeClass* m_pBaseClass;

    CObject* CreateObject() const;         // null when not creatable
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual CRuntimeClass* GetRuntimeClass() const;
    BOOL IsKindOf(const CRuntimeClass* pClass) const;
    static const CRuntimeClass classCObject;
protected:
    CObject() = default;
};

#define RUNTIME_CLASS(class_name) (const_cast<CRuntimeClass*>(&class_name::class##class_name))

#define DECLARE_DYNAMIC(class_name) \
public: \
    static const CRuntimeClass class##class_name; \
    virtual CRuntimeClass* GetRuntimeClass() const;

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name) \
    static CObject* CreateObject();

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    const CRuntimeClass class_name::class##class_name = {nullptr, RUNTIME_CLASS(base_class_name)}; \
    CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNCREATE(class_name, base_class_name) \
    CObject* class_name::CreateObject() { return new class_name; } \
    const CRuntimeClass class_name::class##class_name = {&class_name::CreateObject, RUNTIME_CLASS(base_class_name)}; \
    CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

// Base of the framework's exceptions. They are thrown by value and caught by
// reference (catch (const COleException& e)) or by a catch-all.
class CException : public CObject {
    DECLARE_DYNAMIC(CException)
public:
    CException() = default;
};
