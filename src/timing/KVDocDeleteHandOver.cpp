// Handing tuplets, ties and slurs over to the neighbouring notes when a
// note or chord is deleted.

#include "document/KVDoc.h"

#include "MemoryGuard.h"
#include "document/UndoEntry.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/NewObject.h"
#include "model/TickMath.h"
#include "platform/AllocHook.h"
#include "timing/BeamGroups.h"
#include "timing/TieLinks.h"
#include "timing/TupletLinks.h"

#include <vector>

namespace {

// The first tuplet among a holder's direct children.
CKVMsg* FirstTupletOf(CKVMsg& holder)
{
    CKVMsg* found = nullptr;
    tickmath::ForEachChild(holder, [&](CKVMsg* child, short) {
        if (!found && child->m_byKind == MSG_TUPLET)
            found = child;
        return false;
    });
    return found;
}

// The first tuplet of the holder that starts or ends at it.
CKVMsg* EndingTupletOf(CKVMsg& holder)
{
    CKVMsg* found = nullptr;
    tickmath::ForEachChild(holder, [&](CKVMsg* child, short) {
        if (!found && child->m_byKind == MSG_TUPLET &&
            (child->m_dwWord == holder.m_dwMsgId || static_cast<DWORD>(child->m_lHeight) == holder.m_dwMsgId))
            found = child;
        return false;
    });
    return found;
}

// The symbols of the measure's walk list, in its order.
std::vector<CKVMsg*> WalkOf(CKVMeas& meas)
{
    std::vector<CKVMsg*> walk;
    for (int i = 0; i < meas.m_arrWalk.GetSize(); ++i) {
        if (CKVMsg* msg = meas.m_pSystem->GetMsgFromMap(meas.m_arrWalk.GetAt(i)))
            walk.push_back(msg);
    }
    return walk;
}

// The beam group that grouping code joined last hands the tuplet of its
// first member to its second one.
bool HandToSecondMember(CKVDoc& doc, CKVMsg& msg)
{
    CKVMsg* group = doc.m_pLastGroup;
    if (!group || group->m_byKind != MSG_BEAM)
        return false;
    const std::vector<CKVMsg*> members = tickmath::LiveChildren(*group);
    if (members.size() < 2 || members[0] != &msg)
        return false;
    CKVMsg* tuplet = FirstTupletOf(msg);
    CKVMsg* heir = tuplets::Carrier(members[1], false);
    if (!tuplet || !heir)
        return false;
    const short index = tuplets::RefIndex(msg, tuplet);
    const BYTE owner = msg.m_arrMsgRef.GetAt(index)->byOwner;
    const bool attached = owner ? tuplets::MakeOwner(*heir, tuplet)
                                : (tuplets::Holds(*heir, tuplet) || tuplets::Attach(*heir, tuplet, 0));
    if (!attached)
        return false;
    if (owner)
        tuplets::SetFirst(*tuplet, *heir);
    else if (static_cast<DWORD>(tuplet->m_lHeight) == msg.m_dwMsgId)
        tuplets::SetLast(*tuplet, *heir);
    tuplet->TupletPosOrder();
    tuplets::Drop(msg, tuplet);
    return true;
}

void HandOverFromNote(CKVMsg& msg, const std::vector<CKVMsg*>& walk)
{
    CKVMsg* tuplet = EndingTupletOf(msg);
    if (!tuplet)
        return;
    CKVMsg* first = tuplets::FirstNote(*tuplet);
    CKVMsg* last = tuplets::LastNote(*tuplet);
    if (!first || !last)
        return;

    if (first == &msg) {
        CKVMsg* heir = nullptr;
        CKVMsg* lastHolder = nullptr;
        for (CKVMsg* other : walk) {
            if (other == &msg || other->m_byVoice != msg.m_byVoice || !tuplets::Holds(*other, tuplet))
                continue;
            if (!heir)
                heir = other;
            lastHolder = other;
        }
        if (!heir || !tuplets::MakeOwner(*heir, tuplet)) {
            // Nobody else holds it: it goes with the note.
            const short index = tuplets::RefIndex(msg, tuplet);
            if (last != &msg)
                tuplets::Drop(*last, tuplet);
            msg.RemoveMsgAt(index);
            return;
        }
        tuplets::SetFirst(*tuplet, *heir);
        if (last == &msg)
            tuplets::SetLast(*tuplet, *lastHolder);
        tuplet->TupletPosOrder();
        tuplets::Drop(msg, tuplet);
        return;
    }

    // It ends here: the last holder left in time order ends it, so that the
    // bracket still spans every note that keeps it.
    CKVMsg* heir = nullptr;
    for (CKVMsg* other : walk) {
        if (other != &msg && other != first && other->m_byVoice == first->m_byVoice &&
            tuplets::Holds(*other, tuplet))
            heir = other;
    }
    tuplets::SetLast(*tuplet, heir ? *heir : *first);
    tuplet->TupletPosOrder();
    tuplets::Drop(msg, tuplet);
}

void HandOverFromChord(CKVMsg& chord, const std::vector<CKVMsg*>& walk)
{
    for (CKVMsg* note : tuplets::ChordNotes(chord)) {
        CKVMsg* tuplet = EndingTupletOf(*note);
        if (!tuplet)
            continue;
        std::vector<CKVMsg*> candidates;
        for (CKVMsg* other : walk) {
            if (other != &chord && (other->m_byKind == MSG_NOTE || other->m_byKind == MSG_REST) &&
                other->m_nPosX != note->m_nPosX && tuplets::Holds(*other, tuplet))
                candidates.push_back(other);
        }
        if (candidates.empty())
            return;
        if (tuplet->m_dwWord == note->m_dwMsgId) {
            if (!tuplets::MakeOwner(*candidates.front(), tuplet))
                return;
            tuplets::SetFirst(*tuplet, *candidates.front());
        } else {
            tuplets::SetLast(*tuplet, *candidates.back());
        }
        tuplet->TupletPosOrder();
        tuplets::Drop(*note, tuplet);
        return;
    }
}

} // namespace

void CKVDoc::TupletMsgDelProc(CKVMsg* msg)
{
    if (!msg || !msg->m_pSystem)
        return;
    CKVMeas* meas = tickmath::MeasureOf(msg);
    if (!meas || !meas->m_pSystem)
        return;
    meas->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    if (HandToSecondMember(*this, *msg))
        return;
    const std::vector<CKVMsg*> walk = WalkOf(*meas);
    if (msg->m_byKind == MSG_NOTE || msg->m_byKind == MSG_REST)
        HandOverFromNote(*msg, walk);
    else if (msg->m_byKind == MSG_CHORD)
        HandOverFromChord(*msg, walk);
}

void CKVDoc::TieSlurMsgDelProc(CKVMsg* note)
{
    if (!note || !note->m_pSystem)
        return;
    if (!CheckAvailableMemory(1000000))
        return;
    // A chord or group goes with its notes, which hold the ties and slurs.
    if (note->m_byKind == MSG_CHORD || note->m_byKind == MSG_BEAM) {
        tickmath::ForEachChild(*note, [&](CKVMsg* member, short i) {
            const MsgRef* ref = note->m_arrMsgRef.GetAt(i);
            if (ref && ref->byOwner && (member->m_byKind == MSG_NOTE || member->m_byKind == MSG_CHORD))
                TieSlurMsgDelProc(member);
            return false;
        });
        return;
    }
    // Every tie and slur that starts or ends here goes from both notes, so
    // that no partner keeps a tie flag or a reference to a symbol of a
    // deleted note (a stale 0x0002 would also hide the partner from the
    // accidentals in force).
    for (short i = 0; i < note->GetMsgNum();) {
        const MsgRef* ref = note->m_arrMsgRef.GetAt(i);
        CKVMsg* link = measplace::ChildAt(*note, i);
        if (!ref || !link || link == note || !tickmath::IsTieOrSlur(*link)) {
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
            if (partnerRef && !tielink::RecordRemoval(*this, *link, *partnerRef, *partner, partnerIndex))
                return;
        }
        if (partner == first)
            tielink::DetachUnrecorded(link, first, note);
        else
            tielink::DetachUnrecorded(link, note, partner);
        // Detach took this note's reference; a reference it could not find
        // (a duplicate) goes here so that the loop moves on.
        if (i < note->GetMsgNum() && measplace::ChildAt(*note, i) == link)
            note->RemoveAt(i);
    }
}
