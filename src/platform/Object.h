#pragma once
// CObject, the common base with a virtual destructor, and CRuntimeClass, the
// record of a class that can be created by name at run time.
//
// A class takes part with DECLARE_DYNCREATE(Class) in its body and
// IMPLEMENT_DYNCREATE(Class, Base) in one source file. That gives it the
// static record Class::classClass, a static CreateObject() that
// default-constructs one on the heap, and GetRuntimeClass(). RUNTIME_CLASS(Class)
// names the record.

#include "WinTypes.h"

#include <type_traits>

class CObject;

struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    CObject* (*m_pfnCreateObject)(); // null when the class cannot be created

    // A new default-constructed object, owned by the caller; null when the
    // class has no creator.
    CObject* CreateObject() const;
};

class CObject {
public:
    virtual ~CObject() = default;

    // The record of the object's most derived class that declares one.
    virtual const CRuntimeClass* GetRuntimeClass() const;

    static const CRuntimeClass classCObject;

protected:
    CObject() = default;

    // Objects are not copied through the base: a derived class that wants
    // copies writes its own operations.
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNCREATE(class_name)                                   \
public:                                                                 \
    static const CRuntimeClass class##class_name;                       \
    static CObject* CreateObject();                                     \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                \
    static_assert(std::is_base_of_v<base_class_name, class_name>,       \
                  #class_name " does not derive from " #base_class_name); \
    CObject* class_name::CreateObject() { return new class_name; }      \
    const CRuntimeClass class_name::class##class_name = {               \
        #class_name, &class_name::CreateObject};                        \
    const CRuntimeClass* class_name::GetRuntimeClass() const            \
    {                                                                   \
        return &class_name::class##class_name;                          \
    }
