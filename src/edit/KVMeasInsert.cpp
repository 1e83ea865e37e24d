// A new symbol inserted into a measure from a model.

#include "model/KVMeas.h"

CKVMsg* CKVMeas::InsertNewMsg(CKVMsg&)
{
    KV_PENDING("CKVMeas::InsertNewMsg");
    return nullptr;
}
