// The memory a system takes, whole or for one measure column.

#include "model/KVSystem.h"

#include "model/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"

int CKVSystem::GetSystemMemSize()
{
    int size = 172 + 4 * m_arrMsgMap.GetSize();
    for (CKVStaffPtrArray* list : {m_pStaffArray, m_pOssiaStaffArray}) {
        if (!list)
            continue;
        for (int i = 0; i < list->GetSize(); ++i)
            size += list->GetAt(i)->GetStaffMemSize() + 4;
    }
    return size;
}

int CKVSystem::GetSysMeasMemSize(LONG index)
{
    int size = 0;
    if (!m_pStaffArray)
        return 0;
    for (int i = 0; i < m_pStaffArray->GetSize(); ++i) {
        CKVMeas* meas = m_pStaffArray->GetAt(i)->GetMeas(index);
        if (meas)
            size += meas->GetMeasMemSize();
    }
    return size;
}
