// Every tie or slur of a measure judged again as a tie or a slur.

#include "model/KVMeas.h"

#include "document/KVDoc.h"
#include "model/KVMsg.h"
#include "model/NodeDoc.h"
#include "timing/TieLinks.h"

namespace {

// Whether a tie the note holds other than `except` starts at the note
// (`starting`) or ends there.
bool HoldsOtherTie(CKVMsg& note, const CKVMsg* except, bool starting)
{
    for (int i = 0; i < note.m_arrMsgRef.GetSize(); ++i) {
        const CKVMsg* link = measplace::ChildAt(note, i);
        if (!link || link == &note || link == except || link->m_byKind != MSG_TIE)
            continue;
        const DWORD at = starting ? link->m_dwWord : static_cast<DWORD>(link->m_lHeight);
        if (at == note.m_dwMsgId)
            return true;
    }
    return false;
}

} // namespace

void CKVMeas::SwitchTieSlur()
{
    CKVDoc* doc = DocOf(*this);
    if (!doc)
        return;
    ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkKeepAll);
    short cursor = 0;
    while (CKVMsg* note = GetNextMsg(cursor)) {
        if (note->m_byKind != MSG_NOTE)
            continue;
        for (short i = 0; i < note->GetMsgNum(); ++i) {
            CKVMsg* link = note->GetMsg(i);
            if (!link || !tielink::IsTieOrSlur(*link))
                continue;
            CKVMsg* start = tielink::StartOf(*link);
            CKVMsg* end = tielink::EndOf(*link);
            if (!start || !end || start == end || (note != start && note != end))
                continue;
            const bool tie = doc->IsEnableBindByTie(start, end, 0) != 0;
            if (tie) {
                link->m_byKind = MSG_TIE;
                start->m_wFlag = static_cast<WORD>(start->m_wFlag | MSGFLAG_TIE_START);
                end->m_wFlag = static_cast<WORD>(end->m_wFlag | MSGFLAG_TIE_END);
            } else {
                link->m_byKind = MSG_SLUR;
                // The flags are the note's: a note that still starts or ends
                // another tie keeps them. The far note of a slur may lie in a
                // measure the step did not back up.
                if (!HoldsOtherTie(*start, link, true))
                    start->m_wFlag = static_cast<WORD>(start->m_wFlag & ~MSGFLAG_TIE_START);
                if (!HoldsOtherTie(*end, link, false))
                    end->m_wFlag = static_cast<WORD>(end->m_wFlag & ~MSGFLAG_TIE_END);
            }
        }
    }
}
