#include "harmony/KVAutoCodeName.h"

CKVAutoCodeName::CKVAutoCodeName()
{
    KV_PENDING("CKVAutoCodeName::CKVAutoCodeName");
}

CKVAutoCodeName::~CKVAutoCodeName()
{
    KV_PENDING("CKVAutoCodeName::~CKVAutoCodeName");
}
