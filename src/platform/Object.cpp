#include "Object.h"

// CObject itself cannot be created: it only serves as a base.
const CRuntimeClass CObject::classCObject = {"CObject", nullptr};

CObject* CRuntimeClass::CreateObject() const
{
    return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

const CRuntimeClass* CObject::GetRuntimeClass() const
{
    return &CObject::classCObject;
}
