#include "document/KVDoc.h"

#include "document/UndoEntry.h"
#include "edit/MemoryGuard.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/MeasPlace.h"
#include "platform/AllocHook.h"
#include "timing/TickMath.h"
#include "timing/TieLinks.h"

namespace {

// Records in the open slur list that a tie or slur left a partner note
// with the note deleted, for undo. The pair before this step comes from an
// earlier record of the same link.
bool AppendRemovedLink(CKVDoc& doc, const CKVMsg& link, const MsgRef& partnerRef, CKVMsg& partner)
{
    auto* record = KvNew<SlurRelinkRecord>();
    if (!record) {
        ReportOutOfMemory(1);
        return false;
    }
    const DWORD start = link.m_dwWord;
    const DWORD end = static_cast<DWORD>(link.m_lHeight);
    record->dwFlag = partnerRef.byOwner;
    record->dwFirstStart = start;
    record->dwFirstEnd = end;
    for (int i = doc.m_arrSlurBackup.GetSize() - 1; i >= 0; --i) {
        const auto* earlier = static_cast<const SlurRelinkRecord*>(doc.m_arrSlurBackup.GetAt(i));
        if (earlier && earlier->dwNewStart == start && earlier->dwNewEnd == end) {
            record->dwFirstStart = earlier->dwFirstStart;
            record->dwFirstEnd = earlier->dwFirstEnd;
            break;
        }
    }
    record->dwOldRef = partnerRef.dwMsgId;
    record->pMeas = tickmath::MeasureOf(&partner);
    doc.m_arrSlurBackup.Add(record);
    return true;
}

} // namespace

void CKVDoc::TupletMsgDelProc(CKVMsg*)
{
    KV_PENDING("CKVDoc::TupletMsgDelProc");
}

void CKVDoc::TieSlurMsgDelProc(CKVMsg* note)
{
    if (!note || !note->m_pSystem)
        return;
    if (!CheckAvailableMemory(1000000))
        return;
    // Every tie and slur that starts or ends here goes from both notes, so
    // that no partner keeps a tie flag or a reference to a symbol of a
    // deleted note (a stale 0x0002 would also hide the partner from the
    // accidentals in force).
    for (short i = 0; i < note->GetMsgNum();) {
        const MsgRef* ref = note->m_arrMsgRef.GetAt(i);
        CKVMsg* link = measplace::ChildAt(*note, i);
        if (!ref || !link || link == note || !tielink::IsTieOrSlur(*link)) {
            ++i;
            continue;
        }
        CKVMsg* first = tielink::StartOf(*link);
        CKVMsg* second = tielink::EndOf(*link);
        if (!first || !second) {
            // Its other end is gone already: only this note's reference
            // is left to take away.
            if (ref->byOwner)
                note->RemoveMsgAt(i);
            else
                note->RemoveAt(i);
            continue;
        }
        CKVMsg* partner = nullptr;
        if (second == note && first != note)
            partner = first;
        else if (first == note && second != note)
            partner = second;
        else if (first != note) {
            // Names neither end as this note: not a link of this note.
            ++i;
            continue;
        }
        if (partner) {
            const short partnerIndex = tielink::IndexOfChild(*partner, link);
            const MsgRef* partnerRef = partnerIndex >= 0 ? partner->m_arrMsgRef.GetAt(partnerIndex) : nullptr;
            if (partnerRef && !AppendRemovedLink(*this, *link, *partnerRef, *partner))
                return;
        }
        if (partner == first)
            tielink::Detach(link, first, note);
        else
            tielink::Detach(link, note, partner);
        // Detach took this note's reference; a reference it could not find
        // (a duplicate) goes here so that the loop moves on.
        if (i < note->GetMsgNum() && measplace::ChildAt(*note, i) == link)
            note->RemoveAt(i);
    }
}
