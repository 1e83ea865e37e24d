// Copying the settings and node part of one score node onto another, without
// its children.

#include "model/KVObject.h"

#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <cstring>

void CKVObject::Copy(CKVObject& source)
{
    // The settings copy is the node assignment: everything but the children.
    *this = source;
}

void CKVStaff::Copy(CKVStaff& source)
{
    if (&source == this)
        return;
    m_byClefType = source.m_byClefType;
    m_byStaffKind = source.m_byStaffKind;
    std::memcpy(m_szName, source.m_szName, sizeof m_szName);
    std::memcpy(m_byGroupBracket, source.m_byGroupBracket, sizeof m_byGroupBracket);
    CKVObject::Copy(source);
}

void CKVSystem::Copy(CKVSystem& source)
{
    if (&source == this)
        return;
    m_dwTicksPerQuarter = source.m_dwTicksPerQuarter;
    CKVObject::Copy(source);
}
