// Positions of notes drawn on a neighbouring staff.

#include "model/KVMsg.h"

void CKVMsg::SetPosByUpDownStaff(int, int)
{
    KV_PENDING("CKVMsg::SetPosByUpDownStaff");
}
