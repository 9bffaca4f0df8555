// CObject and its run-time class record: class name, object size, schema, base class, and a
// kind-of test that walks the base chain. Classes declare their record with DECLARE_DYNAMIC and
// define it with IMPLEMENT_DYNAMIC(class, base).
#pragma once

#include "WinTypes.h"

class CObject;
class CArchive;
class CDumpContext;

struct GEOMETRY_API CRuntimeClass
{
    const char* m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;
    CObject* (*m_pfnCreateObject)();
    CRuntimeClass* (*m_pfnGetBaseClass)();

    CRuntimeClass* GetBaseClass() const
    {
        return m_pfnGetBaseClass ? m_pfnGetBaseClass() : nullptr;
    }
    // True when this record is pBaseClass or has it somewhere in its base chain.
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
    // Objects are created from a record only when it has a creation function; none here has.
    CObject* CreateObject() const;
};

// Archive and dump context: the virtual interface names them; the library stores nothing.
class GEOMETRY_API CArchive
{
};

class GEOMETRY_API CDumpContext
{
};

class GEOMETRY_API CObject
{
public:
    static CRuntimeClass classCObject;
    static CRuntimeClass* GetThisClass();

    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    virtual void Serialize(CArchive& ar);
    virtual void AssertValid() const;
    virtual void Dump(CDumpContext& dc) const;

    BOOL IsKindOf(const CRuntimeClass* pClass) const;
    BOOL IsSerializable() const { return FALSE; }

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())

#define DECLARE_DYNAMIC(class_name)                                                                \
public:                                                                                            \
    static CRuntimeClass class##class_name;                                                        \
    static CRuntimeClass* GetThisClass();                                                          \
    CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                             \
    CRuntimeClass class_name::class##class_name = {                                                \
        #class_name, static_cast<int>(sizeof(class class_name)), 0xFFFF, nullptr,                  \
        &base_class_name::GetThisClass};                                                           \
    CRuntimeClass* class_name::GetThisClass()                                                      \
    {                                                                                              \
        return &class_name::class##class_name;                                                     \
    }                                                                                              \
    CRuntimeClass* class_name::GetRuntimeClass() const                                             \
    {                                                                                              \
        return &class_name::class##class_name;                                                     \
    }
