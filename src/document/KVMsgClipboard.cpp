// Symbol services of the clipboard image.

#include "model/KVMsg.h"

CKVMsg* CKVMsg::CopyToParent(CKVObject*, unsigned char)
{
    KV_PENDING("CKVMsg::CopyToParent");
    return nullptr;
}

void CKVMsg::OffsetX(short)
{
    KV_PENDING("CKVMsg::OffsetX");
}
