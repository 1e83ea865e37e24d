// Tuplet ranges, tie and tuplet hand-over on deletion, and symbol checks.

#include "model/KVMsg.h"

#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "timing/TickMath.h"
#include "timing/TieLinks.h"

#include <algorithm>

void CKVMsg::DeleteTuplet()
{
    KV_PENDING("CKVMsg::DeleteTuplet");
}

int CKVMsg::DeleteTupletProc(CKVMsg*)
{
    KV_PENDING("CKVMsg::DeleteTupletProc");
    return 0;
}

int CKVMsg::RemoveTuplet(CKVMsg*)
{
    KV_PENDING("CKVMsg::RemoveTuplet");
    return 0;
}

void CKVMsg::DeleteInvalidSlurMsg()
{
    if (!m_pSystem)
        return;
    if (tielink::IsTieOrSlur(*this)) {
        CKVMsg* first = tielink::StartOf(*this);
        CKVMsg* second = tielink::EndOf(*this);
        CKVObject* firstStaff = first ? tielink::StaffOfNote(first) : nullptr;
        CKVObject* secondStaff = second ? tielink::StaffOfNote(second) : nullptr;
        if (firstStaff && secondStaff && firstStaff->m_byObjKind != secondStaff->m_byObjKind)
            tielink::Detach(this, first, second);
        return;
    }
    // A note drops the first tie or slur that leaves its own kind of staff
    // (a copy onto an ossia staff still naming notes of the normal staff).
    CKVObject* ownStaff = tielink::StaffOfNote(this);
    const BYTE ownKind = ownStaff ? ownStaff->m_byObjKind : 0;
    for (short i = 0; i < GetMsgNum(); ++i) {
        CKVMsg* link = measplace::ChildAt(*this, i);
        if (!link || link == this || !tielink::IsTieOrSlur(*link))
            continue;
        CKVMsg* ends[2] = {tielink::StartOf(*link), tielink::EndOf(*link)};
        bool sameKind = true;
        for (CKVMsg* end : ends) {
            CKVObject* staff = end ? tielink::StaffOfNote(end) : nullptr;
            if (!staff || staff->m_byObjKind != ownKind)
                sameKind = false;
        }
        if (!sameKind) {
            RemoveAt(i);
            return;
        }
    }
}

int CKVMsg::IsTieEndNoteInDiffMeas()
{
    if (!m_pSystem)
        return 0;
    for (short i = 0; i < GetMsgNum(); ++i) {
        const CKVMsg* tie = measplace::ChildAt(*this, i);
        if (!tie || tie->m_byKind != MSG_TIE)
            continue;
        CKVMsg* first = m_pSystem->GetMsgFromMap(tie->m_dwWord);
        CKVMsg* second = m_pSystem->GetMsgFromMap(static_cast<DWORD>(tie->m_lHeight));
        if (!first || !second)
            continue;
        // Codes 6 and 7 name no accidental.
        const BYTE code = first->m_byAccidental & ACCI_CODE_MASK;
        const bool firstHasAccidental = code >= ACCI_SHARP && code <= ACCI_DOUBLE_FLAT;
        if (tickmath::MeasureOf(first) != tickmath::MeasureOf(second) && !firstHasAccidental)
            return 1;
    }
    return 0;
}

int CKVMsg::IsValidMsg(CKVSystem* system)
{
    // The pointer may name a symbol that is long gone, so it is compared
    // with the map's entries and nothing is read through it before one
    // matches.
    if (!system)
        return 0;
    const void* self = this;
    const CPtrArray& map = system->m_arrMsgMap;
    const void* const* slots = map.GetData();
    const int count = map.GetSize();
    if (!slots || std::find(slots, slots + count, self) == slots + count)
        return 0;
    return IsValidMapEntry(system);
}

int CKVMsg::IsValidMapEntry(CKVSystem* system)
{
    if (m_pSystem != system)
        return 0;
    if (m_byObjKind > 10)
        return 0;
    if (m_byKind < 1 || m_byKind > MSG_KIND_MAX)
        return 0;
    if (GetMsgNum() < 0 || m_arrCtrlPoint.GetSize() < 0)
        return 0;
    return 1;
}
