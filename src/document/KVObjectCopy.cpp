// Deep copies of score nodes with their owned children.

#include "model/KVObject.h"

int CKVObject::CreateFrom(CKVObject*)
{
    KV_PENDING("CKVObject::CreateFrom");
    return 0;
}

int CKVObject::CreateFromEqually(CKVObject*)
{
    KV_PENDING("CKVObject::CreateFromEqually");
    return 0;
}
