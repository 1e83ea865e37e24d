// Every tie or slur of a measure judged again as a tie or a slur.

#include "model/KVMeas.h"

#include "document/KVDoc.h"
#include "model/KVMsg.h"
#include "model/NodeDoc.h"
#include "model/TickMath.h"
#include "timing/TieLinks.h"

void CKVMeas::SwitchTieSlur()
{
    CKVDoc* doc = DocOf(*this);
    if (!doc)
        return;
    // A link judged again changes the tie flag of its far note, and the kind
    // of a link the far note owns: where the open step holds this measure,
    // it holds those measures too before anything changes.
    if (doc->IsMeasInOpenStep(this))
        tielink::HoldFarEnds(*this);
    ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkKeepAll);
    short cursor = 0;
    while (CKVMsg* note = GetNextMsg(cursor)) {
        if (note->m_byKind != MSG_NOTE)
            continue;
        for (short i = 0; i < note->GetMsgNum(); ++i) {
            CKVMsg* link = note->GetMsg(i);
            if (!link || !tickmath::IsTieOrSlur(*link))
                continue;
            CKVMsg* start = tielink::StartOf(*link);
            CKVMsg* end = tielink::EndOf(*link);
            if (!start || !end || start == end || (note != start && note != end))
                continue;
            const bool tie = tielink::JudgedTie(*link, *start, doc->IsEnableBindByTie(start, end, 0) != 0);
            link->m_byKind = tie ? MSG_TIE : MSG_SLUR;
            // A far note keeps a flag that another of its ties still needs.
            tielink::MarkJudgedLink(*start, *end, tie);
        }
    }
}
