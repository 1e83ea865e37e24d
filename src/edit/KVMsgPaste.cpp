// Re-parenting and re-voicing symbols after a paste or a read.

#include "model/KVMsg.h"

#include "document/KVDoc.h"
#include "model/NodeDoc.h"
#include "model/TickMath.h"

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
        if (tickmath::IsNoteRestChord(*member))
            member->ChangeParent(parent);
        ++i;
    }
}

void CKVMsg::ChangeVoice(unsigned char voice)
{
    if (voice < 1 || voice > CKVCtrlTool::kVoices)
        return;
    m_byVoice = voice;
    switch (m_byKind) {
    case MSG_NOTE:
    case MSG_REST:
    case MSG_BEAM:
    case MSG_TREMOLO:
    case MSG_CHORD:
        if (CKVDoc* doc = DocOf(*this))
            m_crColor = doc->m_CtrlTool.m_crVoice[voice];
        break;
    default:
        break;
    }
    // Only owned children: a tie's far end or a slur's second note is
    // another symbol's, and a damaged list naming an ancestor must not loop.
    for (short i = 0; i < m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = m_arrMsgRef.GetAt(i);
        CKVMsg* child = ref && ref->byOwner ? GetMsg(i) : nullptr;
        if (child && child != this)
            child->ChangeVoice(voice);
    }
}
