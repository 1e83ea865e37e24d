// Layout of beam groups and the order of chord notes.

#include "model/KVMsg.h"

void CKVMsg::BeamDirection(int, int, int, int)
{
    KV_PENDING("CKVMsg::BeamDirection");
}

void CKVMsg::SetSubBeamDirAsDefault()
{
    KV_PENDING("CKVMsg::SetSubBeamDirAsDefault");
}

void CKVMsg::ChordSort()
{
    KV_PENDING("CKVMsg::ChordSort");
}
