// Re-parenting symbols after a paste or a read.

#include "model/KVMsg.h"

void CKVMsg::ChangeParent(CKVObject* parent)
{
    m_pParent = parent;
    m_byParentKind = parent ? parent->m_byObjKind : 0;
    if (m_byKind != MSG_BEAM && m_byKind != MSG_CHORD)
        return;
    // The members of a beam group or chord belong to the measure that holds
    // the group.
    short i = 0;
    while (i < GetMsgNum()) {
        const short before = GetMsgNum();
        CKVMsg* member = GetMsg(i);
        if (!member) {
            if (GetMsgNum() >= before)
                ++i;
            continue;
        }
        // Only owned members belong to the group; a reference to another
        // symbol (a slur's end, or a damaged file naming the group itself)
        // is left alone, so that no walk can loop.
        const MsgRef* ref = m_arrMsgRef.GetAt(i);
        if (!ref || !ref->byOwner) {
            ++i;
            continue;
        }
        if (member->m_byKind == MSG_CHORD && member->GetMsgNum() == 0) {
            // A chord without notes has nothing to stand for.
            RemoveMsgAt(i);
            continue;
        }
        if (member->m_byKind == MSG_NOTE || member->m_byKind == MSG_REST || member->m_byKind == MSG_CHORD)
            member->ChangeParent(parent);
        ++i;
    }
}
