#include "model/KVBlock.h"

void CKVBlock::SetStaffNamePoint()
{
    KV_PENDING("CKVBlock::SetStaffNamePoint");
}

void CKVBlock::RemoveStaffNamePoint()
{
    KV_PENDING("CKVBlock::RemoveStaffNamePoint");
}

void CKVBlock::MakeStaffNameRect()
{
    KV_PENDING("CKVBlock::MakeStaffNameRect");
}
