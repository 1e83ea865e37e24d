#include "document/KVDoc.h"

CKVBlock* CKVDoc::GetBlockByMeas(CKVMeas*)
{
    KV_PENDING("CKVDoc::GetBlockByMeas");
    return nullptr;
}
