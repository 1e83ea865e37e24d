// A symbol's page x in its measure.

#include "model/KVMeas.h"

#include "model/KVMsg.h"

short CKVMeas::GetRealPosX(CKVMsg* msg)
{
    if (!msg)
        return 0;
    return MeasXToAbsX(msg->m_nPosX, msg->m_byKind);
}
