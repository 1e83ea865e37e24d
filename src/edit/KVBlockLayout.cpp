#include "model/KVBlock.h"

void CKVBlock::UpdateStaffLeftIndent(int)
{
    KV_PENDING("CKVBlock::UpdateStaffLeftIndent");
}
