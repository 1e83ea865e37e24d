// Picking a staff with the mouse.

#include "document/KVDoc.h"

CKVStaff* CKVDoc::GetSelStaff(POINT, CKVBlock*& block)
{
    KV_PENDING("CKVDoc::GetSelStaff");
    block = nullptr;
    return nullptr;
}
