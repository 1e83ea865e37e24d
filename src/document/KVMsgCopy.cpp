// Deep copies of symbols and the re-linking of their ties and slurs.

#include "model/KVMsg.h"

int CKVMsg::CreateFrom(CKVMsg*)
{
    KV_PENDING("CKVMsg::CreateFrom");
    return 0;
}

int CKVMsg::CreateFromEqually(CKVMsg*)
{
    KV_PENDING("CKVMsg::CreateFromEqually");
    return 0;
}
