// Room and placement of symbols from the spacing slots.

#include "model/KVMsg.h"

#include "model/KVMeas.h"
#include "model/MeasPlace.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"
#include "timing/SpacingState.h"

#include <algorithm>
#include <set>
#include <vector>

namespace {

bool InBeamGroup(const CKVMsg& msg)
{
    const CKVObject* parent = msg.m_pParent;
    return (msg.m_wFlag & MSGFLAG_BEAM_MEMBER)
        || (parent && parent->m_byObjKind == OBJ_MSG && static_cast<const CKVMsg*>(parent)->m_byKind == MSG_BEAM);
}

// The grace items linked to a main note; the notes of a grace chord count
// once, through their chord.
int LinkedGraceItems(CKVMsg& main)
{
    std::set<const CKVMsg*> items;
    for (int i = 0; i < main.m_arrAttachedId.GetSize(); ++i) {
        CKVMsg* item = tickmath::Resolve(main, main.m_arrAttachedId.GetAt(i));
        if (!item)
            continue;
        CKVObject* parent = item->m_pParent;
        if (parent && parent->m_byObjKind == OBJ_MSG && static_cast<CKVMsg*>(parent)->m_byKind == MSG_CHORD)
            item = static_cast<CKVMsg*>(parent);
        items.insert(item);
    }
    return static_cast<int>(items.size());
}

} // namespace

namespace spacing {

void OrderGroupByPosition(CKVMsg& group)
{
    if (group.m_byKind != MSG_BEAM)
        return;
    const std::vector<CKVMsg*> order = measplace::SortChildSlots(
        group, [](const CKVMsg& child) { return tickmath::IsNoteRestChord(child); },
        [](const CKVMsg& a, const CKVMsg& b) { return a.m_nPosX < b.m_nPosX; });
    if (order.empty())
        return;
    group.m_nPosX = order.front()->m_nPosX;
    group.m_nPosX2 = order.back()->m_nPosX;
}

} // namespace spacing

void CKVMsg::GetNoteLeftWidth(WORD& left, WORD& right)
{
    const int space = measplace::LineSpacingOf(*this);
    left = 0;
    right = 0;
    switch (m_byKind) {
    case MSG_REST:
        right = static_cast<WORD>(space);
        return;
    case MSG_CHORD: {
        const bool beamed = (m_wFlag & MSGFLAG_BEAM_MEMBER) != 0;
        for (CKVMsg* note : tickmath::Members(*this)) {
            if (beamed)
                note->m_wFlag |= MSGFLAG_BEAM_MEMBER;
            WORD l = 0;
            WORD r = 0;
            note->GetNoteLeftWidth(l, r);
            left = std::max(left, l);
            right = std::max(right, r);
        }
        left = static_cast<WORD>(left + 4 * space * LinkedGraceItems(*this));
        return;
    }
    case MSG_NOTE:
        break;
    default:
        return;
    }
    int l = m_byAccidental ? space + m_nLayout4 : 0;
    int r = (tickmath::DurationCode(*this) < DUR_EIGHTH || InBeamGroup(*this)) ? (3 * space) / 2 : (5 * space) / 2;
    if (m_byDots)
        r = std::min<int>(r, m_nLayout3);
    l += 4 * space * LinkedGraceItems(*this);
    left = static_cast<WORD>(std::max(l, 0));
    right = static_cast<WORD>(std::max(r, 0));
}

void CKVMsg::SetNotePosByStartTime()
{
    if (m_byKind == MSG_BEAM) {
        for (CKVMsg* member : tickmath::Members(*this))
            member->SetNotePosByStartTime();
        spacing::OrderGroupByPosition(*this);
        return;
    }
    if (!tickmath::IsNoteRestChord(*this))
        return;
    std::vector<SpacingSlot>& slots = spacing::spacingSlotList;
    if (slots.empty())
        return;
    const DWORD start = static_cast<DWORD>(std::max<int>(GetStartTime(), 0));
    auto later = std::lower_bound(slots.begin(), slots.end(), start,
                                  [](const SpacingSlot& slot, DWORD t) { return slot.start < t; });
    if (later != slots.end() && later->start == start) {
        SetNotePos(static_cast<short>(later->x));
        return;
    }
    if (later == slots.begin() || later == slots.end()) {
        // No slot on either side: the symbol stands in proportion to time.
        NoteSpaceOrder();
        return;
    }

    // Between two slots: interpolated, with a slot of its own.
    const SpacingSlot& previous = *(later - 1);
    int x = previous.x
        + MulDiv(static_cast<int>(start - previous.start), later->x - previous.x,
                 static_cast<int>(later->start - previous.start));
    SpacingSlot own;
    own.start = start;
    own.length = static_cast<DWORD>(std::max<int>(GetPlayTime(), 0));
    GetNoteLeftWidth(own.left, own.right);
    SetNotePos(static_cast<short>(x));
    CKVMeas* meas = tickmath::MeasureOf(this);
    if (own.left > 0 && meas) {
        // Room for the accidental and grace notes after the previous note
        // of the voice, as far as the next slot allows.
        CKVMsg* near = meas->GetNearestLeftOfX(m_byVoice, static_cast<short>(x), kNotesOnly, kChordsWhole);
        if (near) {
            const int space = measplace::LineSpacingOf(*this);
            const int here = meas->MeasXToAbsX(static_cast<short>(x), m_byKind);
            const int there = meas->MeasXToAbsX(near->m_nPosX, near->m_byKind);
            const int free = (here - own.left) - there - (3 * space) / 2;
            const int width = meas->GetRealWidth();
            if (free < 0 && width > 0) {
                const int moved = x + MulDiv(-free, CKVMeas::SCALE, width);
                if (moved < later->x)
                    x = moved;
            }
        }
        SetNotePos(static_cast<short>(x));
    }
    own.x = static_cast<WORD>(x);
    slots.insert(later, own);
}

void CKVMsg::SetNotePos(short x)
{
    switch (m_byKind) {
    case MSG_NOTE:
    case MSG_REST:
        // The tremolo is found by the note's position, so it moves first.
        if (CKVMsg* tremolo = IsTremoloNote() ? GetTremolo() : nullptr) {
            if (m_wFlag & MSGFLAG_TREMOLO_START)
                tremolo->m_nPosX = x;
            else
                tremolo->m_nPosX2 = x;
        }
        m_nPosX = x;
        break;
    case MSG_CHORD:
    case MSG_BEAM: {
        if (m_byKind == MSG_CHORD)
            m_nPosX = x;
        std::vector<CKVMsg*> members;
        for (DWORD id : tickmath::ChildIds(*this)) {
            CKVMsg* member = tickmath::Resolve(*this, id);
            if (member && member != this && tickmath::IsNoteRestChord(*member)) {
                member->SetNotePos(x);
                members.push_back(member);
            }
        }
        // Every member now stands at x, so their order needs no sorting;
        // the container's words follow its first and last member.
        if (members.empty())
            break;
        m_nPosX = members.front()->m_nPosX;
        if (m_byKind == MSG_BEAM)
            m_nPosX2 = members.back()->m_nPosX;
        break;
    }
    default:
        break;
    }
}
