// Placement order of slurs, tuplets, chord dots, chord accidentals and beam
// members.

#include "model/KVMsg.h"

void CKVMsg::SlurPosOrder(short, short, short, int, int, int, int, int)
{
    KV_PENDING("CKVMsg::SlurPosOrder");
}

void CKVMsg::TupletPosOrderOfNote()
{
    KV_PENDING("CKVMsg::TupletPosOrderOfNote");
}

void CKVMsg::TupletPosOrder()
{
    KV_PENDING("CKVMsg::TupletPosOrder");
}

void CKVMsg::ChordDotOrder()
{
    KV_PENDING("CKVMsg::ChordDotOrder");
}

void CKVMsg::ChordCtrlPointMove()
{
    KV_PENDING("CKVMsg::ChordCtrlPointMove");
}

void CKVMsg::ChordKeyOrder()
{
    KV_PENDING("CKVMsg::ChordKeyOrder");
}

void CKVMsg::BeamXsort(int)
{
    KV_PENDING("CKVMsg::BeamXsort");
}
