// Ordering the notes of the current chord.

#include "model/KVMsg.h"

void CKVMsg::ChordYOrder()
{
    KV_PENDING("CKVMsg::ChordYOrder");
}
