// Layout of beam groups and the order of chord notes.

#include "model/KVMsg.h"

#include "document/KVDoc.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/TickMath.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using measplace::ChordNotes;

int StaffSpaceOf(const CKVObject& node)
{
    CKVDoc* doc = DocOf(node);
    return doc ? doc->m_nStaffSpace : nCurStaffSpace;
}

// The stem tip that lies farthest out: up (smallest y) or down (largest
// y). Containers offer their first member's point, replaced by any later
// one farther out. A damaged file can make containers nest in a loop; the
// depth bound stops that.
int ExtremeStemPoint(CKVMsg& msg, bool up, POINT& pt, int depth)
{
    switch (msg.m_byKind) {
    case MSG_NOTE: {
        LONG stem = std::abs(msg.m_lHeight);
        if (msg.m_wFlag & MSGFLAG_GRACE)
            stem /= 2;
        pt.x = msg.m_nPosX;
        pt.y = up ? msg.m_nPosY - stem : msg.m_nPosY + stem;
        return 1;
    }
    case MSG_REST:
        pt.x = msg.m_nPosX;
        pt.y = msg.m_nPosY;
        return 1;
    case MSG_BEAM:
    case MSG_TREMOLO:
    case MSG_CHORD: {
        if (depth >= tickmath::kMaxChildWalkDepth)
            return 0;
        int found = 0;
        for (int i = 0; i < msg.m_arrMsgRef.GetSize(); ++i) {
            CKVMsg* child = measplace::ChildAt(msg, i);
            POINT candidate {};
            if (!child || child == &msg || !ExtremeStemPoint(*child, up, candidate, depth + 1))
                continue;
            if (!found || (up ? candidate.y < pt.y : candidate.y > pt.y))
                pt = candidate;
            found = 1;
        }
        return found;
    }
    default:
        return 0;
    }
}

// How far a head lies from the middle line, with the sign that the beam
// direction reads.
int DistanceFromMiddle(int y, int half)
{
    return y >= 0 ? y + 4 * half : std::abs(y) - 4 * half;
}

int DistanceOf(CKVMsg& member, int half)
{
    if (member.m_byKind != MSG_CHORD)
        return DistanceFromMiddle(member.m_nPosY, half);
    std::vector<CKVMsg*> notes = ChordNotes(member);
    if (notes.empty())
        return DistanceFromMiddle(member.m_nPosY, half);
    const int first = DistanceFromMiddle(notes.front()->m_nPosY, half);
    const int last = DistanceFromMiddle(notes.back()->m_nPosY, half);
    return std::abs(first) > std::abs(last) ? first : last;
}

// A chord at either end of a beam is represented by the note whose stem
// meets the beam.
CKVMsg* EndNote(CKVMsg* member, bool down)
{
    if (member->m_byKind != MSG_CHORD)
        return member;
    std::vector<CKVMsg*> notes = ChordNotes(*member);
    if (notes.empty())
        return member;
    return down ? notes.front() : notes.back();
}

} // namespace

int CKVMsg::GetNoteSteamUpMaxPoint(POINT& pt)
{
    return ExtremeStemPoint(*this, true, pt, 0);
}

int CKVMsg::GetNoteSteamDownMaxPoint(POINT& pt)
{
    return ExtremeStemPoint(*this, false, pt, 0);
}

void CKVMsg::BeamDirection(int respace, int setHeights, int automatic, int direction)
{
    if (m_byKind != MSG_BEAM || tickmath::Members(*this).empty())
        return;
    if (respace)
        NoteSpaceOrder();

    const int space = StaffSpaceOf(*this);
    const int half = space / 2;
    // Members are read again: re-spacing or a member's new stem may have
    // changed the list.
    std::vector<CKVMsg*> members = tickmath::Members(*this);
    if (members.empty())
        return;
    bool down = direction != 0;
    int largest = -1;
    for (CKVMsg* member : members) {
        if (automatic)
            member->ChangeNoteDirection(kStemDefault, kTurnGraceStems);
        const int d = std::abs(DistanceOf(*member, half));
        if (d >= largest) {
            largest = d;
            if (automatic)
                down = member->m_lHeight > 0;
        }
    }

    CKVMsg* first = EndNote(members.front(), down);
    CKVMsg* last = EndNote(members.back(), down);
    int slant = 3;
    if (first->m_nPosY == last->m_nPosY)
        slant = 1;
    else if ((!down && last->m_nPosY > first->m_nPosY) || (down && last->m_nPosY < first->m_nPosY))
        slant = 2;

    m_nPosX = first->m_nPosX;
    m_nPosX2 = last->m_nPosX;
    bool shorterThan16th = false;
    bool has128th = false;
    for (CKVMsg* member : members) {
        member->ChangeNoteDirection(down ? kStemDown : kStemUp, kKeepGraceStems);
        const int code = tickmath::DurationCode(*member);
        shorterThan16th = shorterThan16th || code > DUR_16TH;
        has128th = has128th || code == DUR_128TH;
    }

    if (!setHeights)
        return;
    m_lHeight = down ? 21 : -21;
    POINT tip {};
    const int found = down ? GetNoteSteamDownMaxPoint(tip) : GetNoteSteamUpMaxPoint(tip);
    if (!found)
        return;
    // Further beams need room beyond the stem tips.
    LONG height = tip.y;
    const LONG out = down ? space : -space;
    if (shorterThan16th)
        height += out;
    if (has128th)
        height += out;
    m_nPosY = ClampToShort(height);
    m_nPosY2 = ClampToShort(height);
    // A slanted beam comes half a space back towards the notes at the end
    // nearer to them.
    const short in = static_cast<short>(down ? -half : half);
    if (slant == 2)
        m_nPosY2 = ClampToShort(static_cast<LONG>(m_nPosY2) + in);
    else if (slant == 3)
        m_nPosY = ClampToShort(static_cast<LONG>(m_nPosY) + in);
}

void CKVMsg::SetSubBeamDirAsDefault()
{
    if (m_byKind != MSG_BEAM)
        return;
    const std::int64_t ticks = tickmath::TicksPerQuarter(this);
    std::vector<CKVMsg*> members = tickmath::Members(*this);
    for (size_t i = 0; i < members.size(); ++i) {
        CKVMsg* member = members[i];
        CKVMsg* note = member;
        if (member->m_byKind == MSG_CHORD) {
            std::vector<CKVMsg*> notes = ChordNotes(*member);
            note = notes.empty() ? nullptr : notes.front();
        }
        if (!note || note->m_byKind != MSG_NOTE || (note->m_wFlag & MSGFLAG_GRACE))
            continue;
        const int code = tickmath::DurationCode(*note);
        if (code <= DUR_EIGHTH)
            continue;
        // Very short codes leave no whole tick for the grid; such a member
        // keeps whatever tail it has.
        const std::int64_t unit = ticks >> (code - DUR_EIGHTH);
        if (unit <= 0)
            continue;
        const std::int64_t start = note->m_nStartTime;
        const std::int64_t end = start + note->m_nPlayTime;
        const bool startsOnGrid = start % unit == 0;
        const bool endsOnGrid = end % unit == 0;
        member->SetTail(i > 0 && !startsOnGrid && endsOnGrid ? 1 : 0);
    }
}

void CKVMsg::ChordSort()
{
    if (m_byKind != MSG_CHORD || !m_pSystem)
        return;
    pSortSystem = m_pSystem;
    // Only the note references move; anything else between them (a lyric
    // reference) keeps its slot.
    measplace::SortChildSlots(
        *this, [](const CKVMsg& child) { return child.m_byKind == MSG_NOTE; },
        [](const CKVMsg& a, const CKVMsg& b) { return a.m_nPosY > b.m_nPosY; });
}
