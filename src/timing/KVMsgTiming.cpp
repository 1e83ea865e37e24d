// Play times and start times of symbols.

#include "model/KVMsg.h"

void CKVMsg::CalcPlayTime()
{
    KV_PENDING("CKVMsg::CalcPlayTime");
}

short CKVMsg::GetStartTime()
{
    KV_PENDING("CKVMsg::GetStartTime");
    return 32767;
}

short CKVMsg::GetPlayTime()
{
    KV_PENDING("CKVMsg::GetPlayTime");
    return 0;
}

double CKVMsg::GetPlayTimeDouble()
{
    KV_PENDING("CKVMsg::GetPlayTimeDouble");
    return 0.0;
}

void CKVMsg::UpdateStartTime(short, int, int)
{
    KV_PENDING("CKVMsg::UpdateStartTime");
}
