// Containers that lose members: replacing a chord or group by a member, and
// the rests at a beam group's ends going back to the measure.

#include "document/GroupMembers.h"

#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "timing/TieLinks.h"

namespace groupmembers {

void ReplaceByMember(CKVObject& holder, CKVMsg& container, short memberIndex)
{
    const short at = tielink::IndexOfChild(holder, &container);
    CKVMsg* member = container.GetMsg(memberIndex);
    if (at < 0 || !member)
        return;
    const BYTE owner = container.m_arrMsgRef.GetAt(memberIndex)->byOwner;
    container.RemoveAt(memberIndex);
    member->m_wFlag = static_cast<WORD>(member->m_wFlag & ~(MSGFLAG_CHORD_MEMBER | MSGFLAG_BEAM_MEMBER));
    holder.InsertMsg(static_cast<short>(at + 1), member, owner, kParentHere);
    holder.RemoveMsgAt(at);
}

void GiveBackEndRests(CKVMeas& meas, CKVMsg& group)
{
    auto giveBack = [&](short index) {
        CKVMsg* rest = group.GetMsg(index);
        if (!rest || rest->m_byKind != MSG_REST)
            return false;
        const BYTE owner = group.m_arrMsgRef.GetAt(index)->byOwner;
        group.RemoveAt(index);
        rest->m_wFlag = static_cast<WORD>(rest->m_wFlag & ~MSGFLAG_BEAM_MEMBER);
        meas.AddMsg(rest, kHolderLinks);
        // Linked first so that the rest keeps its id; then owned again.
        const short at = tielink::IndexOfChild(meas, rest);
        if (owner && at >= 0)
            meas.m_arrMsgRef.GetAt(at)->byOwner = 1;
        return true;
    };
    while (group.GetMsgNum() > 0 && giveBack(static_cast<short>(group.GetMsgNum() - 1))) {
    }
    while (group.GetMsgNum() > 0 && giveBack(0)) {
    }
}

} // namespace groupmembers
