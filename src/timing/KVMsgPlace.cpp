// Placement of notes, rests, chords and beam groups in the measure.

#include "model/KVMsg.h"

void CKVMsg::UpdatePos(int)
{
    KV_PENDING("CKVMsg::UpdatePos");
}

void CKVMsg::UpdateRestPosY(int)
{
    KV_PENDING("CKVMsg::UpdateRestPosY");
}
