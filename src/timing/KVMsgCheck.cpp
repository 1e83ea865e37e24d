// Tuplet ranges, tie and tuplet hand-over on deletion, and symbol checks.

#include "model/KVMsg.h"

#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/TickMath.h"
#include "timing/TieLinks.h"
#include "timing/TupletLinks.h"
#include "timing/TupletState.h"

#include <algorithm>
#include <vector>

namespace {

// Takes the tuplets off a holder and, through its members, off the notes of
// its chords and groups. True when the call is to end: with range-wise
// deletion off, after the first tuplet.
bool DropTuplets(CKVMsg& holder, int depth)
{
    if (depth > tickmath::kMaxChildWalkDepth)
        return false;
    for (short i = 0; i < holder.GetMsgNum();) {
        const short before = holder.GetMsgNum();
        CKVMsg* child = holder.GetMsg(i);
        if (!child) {
            if (holder.GetMsgNum() == before)
                ++i;
            continue;
        }
        if (child->m_byKind == MSG_TUPLET) {
            // Handed to another note: only this reference goes. Otherwise
            // an owned symbol goes to the deleted-symbol list with it.
            if (child->DeleteTupletProc(&holder))
                holder.RemoveAt(i);
            else
                holder.RemoveMsgAt(i);
            if (!GetRangeTupletFlag())
                return true;
            continue;
        }
        if (child != &holder && tickmath::IsVoiceEntry(*child) && DropTuplets(*child, depth + 1))
            return true;
        ++i;
    }
    return false;
}

// The holder drops its tuplet word; its play time follows.
void ClearTupletWord(CKVMsg& holder)
{
    holder.m_wObjWord = 0;
    holder.SetPlayTime();
    holder.CalcPlayTime();
}

bool RemoveTupletFrom(CKVMsg& holder, CKVMsg* tuplet, int depth)
{
    if (depth > tickmath::kMaxChildWalkDepth)
        return false;
    const short index = tuplets::RefIndex(holder, tuplet);
    if (index >= 0) {
        holder.RemoveAt(index);
        ClearTupletWord(holder);
        return true;
    }
    bool found = false;
    tickmath::ForEachChild(holder, [&](CKVMsg* child, short) {
        if (!found && child != &holder && tickmath::IsVoiceEntry(*child))
            found = RemoveTupletFrom(*child, tuplet, depth + 1);
        return false;
    });
    // A chord whose member held it sounds without the ratio as well.
    if (found && holder.m_byKind == MSG_CHORD)
        ClearTupletWord(holder);
    return found;
}

// Where the end of a tuplet stands above its new end note: above the stem
// tip of a stem pointing up, else a line spacing above the head.
short EndOffset(const CKVMsg& note, int lineSpacing)
{
    return ClampToShort(note.m_lHeight < 1 ? note.m_lHeight - lineSpacing : -lineSpacing);
}

} // namespace

void CKVMsg::DeleteTuplet()
{
    DropTuplets(*this, 0);
    SetTupletDeleted(1);
}

int CKVMsg::DeleteTupletProc(CKVMsg* note)
{
    if (m_byKind != MSG_TUPLET || !note || !m_pSystem)
        return 0;
    CKVMsg* first = tuplets::FirstNote(*this);
    CKVMsg* last = tuplets::LastNote(*this);
    if (!first || !last || (note != first && note != last))
        return 0;
    CKVMeas* meas = tickmath::MeasureOf(note);
    if (!meas)
        return 0;

    // The other notes and rests that hold the tuplet, in the order of the
    // measure's walk list as it stands: the caller is walking it.
    std::vector<CKVMsg*> holders;
    for (int i = 0; i < meas->m_arrWalk.GetSize(); ++i) {
        CKVMsg* msg = m_pSystem->GetMsgFromMap(meas->m_arrWalk.GetAt(i));
        if (msg && msg != note && (msg->m_byKind == MSG_NOTE || msg->m_byKind == MSG_REST) &&
            tuplets::Holds(*msg, this) && std::find(holders.begin(), holders.end(), msg) == holders.end())
            holders.push_back(msg);
    }
    if (holders.empty())
        return 0;

    const int space = tuplets::LineSpacingOf(*this);
    if (note == first) {
        CKVMsg* heir = holders.front();
        if (!tuplets::MakeOwner(*heir, this))
            return 0;
        tuplets::SetFirst(*this, *heir);
        m_nPosY = EndOffset(*heir, space);
    }
    // The last holder left in time order ends it, so that the bracket still
    // spans every note that keeps it.
    if (note == last) {
        CKVMsg* heir = holders.back();
        tuplets::SetLast(*this, *heir);
        m_nPosY2 = EndOffset(*heir, space);
    }
    return 1;
}

int CKVMsg::RemoveTuplet(CKVMsg* tuplet)
{
    if (!tuplet)
        return 0;
    return RemoveTupletFrom(*this, tuplet, 0) ? 1 : 0;
}

void CKVMsg::DeleteInvalidSlurMsg()
{
    if (!m_pSystem)
        return;
    if (tickmath::IsTieOrSlur(*this)) {
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
        if (!link || link == this || !tickmath::IsTieOrSlur(*link))
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
