// Copying the node part of one score node onto another.

#include "model/KVObject.h"

void CKVObject::Copy(CKVObject&)
{
    KV_PENDING("CKVObject::Copy");
}
