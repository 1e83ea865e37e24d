// The measure widths a system needs, in natural and in mathematical spacing.

#include "model/KVSystem.h"

int CKVSystem::GetNoteKind(int)
{
    KV_PENDING("CKVSystem::GetNoteKind");
    return 0;
}

short CKVSystem::GetGoodMeasWidthInNatural(int, int)
{
    KV_PENDING("CKVSystem::GetGoodMeasWidthInNatural");
    return 0;
}

short CKVSystem::GetGoodMeasWidthInMath(int, int)
{
    KV_PENDING("CKVSystem::GetGoodMeasWidthInMath");
    return 0;
}
