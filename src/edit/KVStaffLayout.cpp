// A staff's index in its system's staff or ossia list.

#include "model/KVStaff.h"

#include "model/KVBackupPtrArray.h"
#include "model/KVSystem.h"

short CKVStaff::GetIndexInSystem()
{
    if (!m_pSystem)
        return -1;
    CKVStaffPtrArray* list = m_byObjKind == OBJ_OSSIA_STAFF ? m_pSystem->m_pOssiaStaffArray : m_pSystem->m_pStaffArray;
    for (int i = 0; list && i < list->GetSize(); ++i) {
        if (list->GetAt(i) == this)
            return static_cast<short>(i);
    }
    return -1;
}
