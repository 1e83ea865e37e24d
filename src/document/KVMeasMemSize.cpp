// The memory a measure takes: its fixed part and every child it references.

#include "model/KVMeas.h"

#include "model/KVMsg.h"
#include "model/KVSystem.h"

int CKVMeas::GetMeasMemSize()
{
    int size = 316;
    for (int i = 0; i < m_arrMsgRef.GetSize(); ++i) {
        size += 12;
        // Read through the map: an estimate must not drop stale references.
        const MsgRef* ref = m_arrMsgRef.GetAt(i);
        CKVMsg* child = ref && m_pSystem ? m_pSystem->GetMsgFromMap(ref->dwMsgId) : nullptr;
        if (child)
            size += child->GetMsgMemSize();
    }
    return size;
}
