// Symbol services of the measure: time from position, time ranges,
// transposition and position correction.

#include "model/KVMsg.h"

short CKVMsg::GetTimeFromPos(short)
{
    KV_PENDING("CKVMsg::GetTimeFromPos");
    return 0;
}

void CKVMsg::DeleteTimeRange(short, short)
{
    KV_PENDING("CKVMsg::DeleteTimeRange");
}

short CKVMsg::Transpose(int, short, short, short, int)
{
    KV_PENDING("CKVMsg::Transpose");
    return 0;
}

void CKVMsg::MinusPosCorrect(short, short)
{
    KV_PENDING("CKVMsg::MinusPosCorrect");
}
