// The measure's symbol list: joining a new symbol to what stands at its
// spot, and taking chords and beam groups apart again.

#include "model/KVMeas.h"

#include "MemoryGuard.h"
#include "document/KVDoc.h"
#include "model/KVMsg.h"
#include "model/MeasPlace.h"
#include "model/NewObject.h"
#include "model/TickMath.h"
#include "timing/BeamGroups.h"
#include "timing/InsertState.h"

#include <new>
#include <utility>

using measplace::ChildAt;

namespace {

using measplace::LineSpacingOf;

constexpr WORD kNoHit = 0xFFFF;
// What joining a chord or a beam group gives back when a note there already
// stands at the new note's height.
constexpr short kRefusedAtHeight = -2;

// The index of the first direct child that satisfies pred; -1 when none.
template <class Pred>
short FindChild(CKVMeas& meas, Pred pred)
{
    for (short i = 0; i < meas.GetMsgNum(); ++i) {
        CKVMsg* child = ChildAt(meas, i);
        if (child && pred(*child))
            return i;
    }
    return -1;
}

// The second drum staff keeps notes off its middle: a note that joins
// nothing goes one step above or below it.
void PlaceOnSecondDrumStaff(CKVMeas& meas, CKVMsg& note)
{
    const CKVStaff* staff = measplace::StaffOf(meas);
    if (!staff || staff->m_byStaffKind != CKVStaff::KIND_DRUM_SECOND || note.m_byKind != MSG_NOTE)
        return;
    note.UpdatePos(0);
    short size = static_cast<short>(staff->m_wObjWord);
    if (size <= 0)
        size = static_cast<short>(CKVStaff::DEFAULT_SIZE_PERCENT);
    const int h = MulDiv(LineSpacingOf(meas), size, 100) / 2;
    if (note.m_nPosY < -4 * h)
        note.m_nPosY = static_cast<short>(-5 * h);
    else if (note.m_nPosY > -4 * h)
        note.m_nPosY = static_cast<short>(-3 * h);
}

// Breaks the beam groups of a voice that overlap [from, to] and beams their
// parts outside the range again. graceGroups picks the groups of grace notes
// instead of the others.
int BreakGroupsInRange(CKVMeas& meas, BYTE voice, short fromPos, short toPos, bool graceGroups, bool skipGrace)
{
    int from = fromPos;
    int to = toPos;
    if (from > to)
        std::swap(from, to);
    int any = 0;
    // Dissolving inserts members into the list and beaming takes them out
    // again, so every round looks for the next group from the start. Each
    // round moves `from` past the group it broke, so the walk ends.
    for (;;) {
        const short at = FindChild(meas, [&](const CKVMsg& c) {
            if (c.m_byKind != MSG_BEAM || c.m_byVoice != voice)
                return false;
            const bool grace = (c.m_wFlag & MSGFLAG_GRACE) != 0;
            if (graceGroups ? !grace : (skipGrace && grace))
                return false;
            return c.m_nPosX2 >= from && c.m_nPosX <= to;
        });
        if (at < 0)
            return any;
        const CKVMsg* group = ChildAt(meas, at);
        const int start = group->m_nPosX;
        const int end = group->m_nPosX2;
        const int mode = group->m_lHeight > 0 ? 2 : 1;
        meas.DisAssembleBeam(at);
        any = 1;
        auto rebeam = [&](int a, int b) {
            if (graceGroups)
                meas.BindGroupGraceNoteByBeam(voice, static_cast<short>(a), static_cast<short>(b), mode);
            else
                meas.BindGroupByBeam(voice, static_cast<short>(a), static_cast<short>(b), mode);
        };
        if (start < from)
            rebeam(start, from - 1);
        if (end > to) {
            rebeam(to + 1, end);
            return 1;
        }
        from = end + 1;
    }
}

// Takes the members of the group at index out of it: those on the chosen
// side of cut into a new group, the others back into the measure.
CKVMsg* SplitGroup(CKVMeas& meas, short index, int cut, bool keepLeft)
{
    CKVMsg* old = (index >= 0 && index < meas.GetMsgNum()) ? ChildAt(meas, index) : nullptr;
    if (!old || old->m_byKind != MSG_BEAM)
        return nullptr;
    CKVMsg* group = KvNewChild<CKVMsg>(meas.m_pSystem, OBJ_MSG, &meas, OBJ_MEAS);
    if (!group)
        return nullptr;
    group->m_byKind = old->m_byKind;
    group->m_byVoice = old->m_byVoice;
    group->m_crColor = old->m_crColor;

    bool first = true;
    while (old->GetMsgNum() > 0) {
        const MsgRef* ref = old->m_arrMsgRef.GetAt(0);
        const bool owned = ref && ref->byOwner;
        CKVMsg* member = ChildAt(*old, 0);
        old->RemoveAt(0);
        if (!member || !owned)
            continue;
        const bool intoGroup = keepLeft ? member->m_nPosX <= cut : member->m_nPosX > cut;
        if (intoGroup && group->AddMsg(member, kHolderOwns, kParentAbove) >= 0) {
            if (first) {
                group->m_nPosX = member->m_nPosX;
                group->m_nPosY = member->m_nPosY;
                first = false;
            }
            group->m_nPosX2 = member->m_nPosX;
            continue;
        }
        if (meas.AddMsg(member, kHolderOwns) == 0)
            meas.InsertMsg(meas.GetSortedIndex(member), member, kHolderOwns, kParentHere);
    }
    meas.DeleteMsg(old, kUnlinkAndFree);

    const short count = group->GetMsgNum();
    if (count >= 2) {
        group->BeamOrder();
        group->CalcPlayTime();
        group->UpdatePos(0);
        return group;
    }
    CKVMsg* single = count == 1 ? ChildAt(*group, 0) : nullptr;
    // Unlinked first, so that deleting the group leaves the member alive.
    while (group->GetMsgNum() > 0)
        group->RemoveAt(0);
    delete group;
    return single;
}

} // namespace

short CKVMeas::AddMsg(CKVMsg* msg, unsigned char owner)
{
    // A compressed multi-measure rest stands for whole measures; nothing
    // joins it.
    if (IsRestCompMeas(nullptr) != 0)
        return 0;
    if (msg->m_byVoice == 0)
        msg->m_byVoice = 1;
    // A failed base add leaves the symbol unlisted; callers treat 0 as
    // refused and take the symbol back.
    if (CKVObject::AddMsg(msg, owner, kParentHere) <= 0)
        return 0;
    // A measure-repeat sign over the whole measure.
    constexpr WORD kWholeMeasureRepeat = 3;
    if (msg->m_byKind == MSG_MEASREPEAT && msg->m_wDuration == kWholeMeasureRepeat)
        m_dwTrailWord2 = 1;
    return 1;
}

void CKVMeas::RemoveAt(short index)
{
    // Only the reference goes; whoever holds the symbol now keeps it.
    if (index < 0 || index >= m_arrMsgRef.GetSize())
        return;
    delete m_arrMsgRef.GetAt(index);
    m_arrMsgRef.RemoveAt(index);
}

short CKVMeas::GetSortedIndex(CKVMsg* msg)
{
    const short count = GetMsgNum();
    if (!msg)
        return count;
    // Right of the symbol, or at its position and higher on the staff: a
    // chord's notes put back lowest first keep that order.
    const short at = FindChild(*this, [msg](const CKVMsg& c) {
        return c.m_nPosX > msg->m_nPosX || (c.m_nPosX == msg->m_nPosX && c.m_nPosY < msg->m_nPosY);
    });
    return at < 0 ? count : at;
}

short SpotIndex(CKVMeas& meas, CKVMsg& msg)
{
    const bool grace = tickmath::IsGraceSymbol(msg);
    return FindChild(meas, [&](CKVMsg& c) {
        return tickmath::IsGraceSymbol(c) == grace && c.PtInRect(msg.m_nPosX, msg.m_byVoice) != kNoHit;
    });
}

namespace {

// A note of the note or chord that a new note meets already has its height.
bool TakenHeight(CKVMsg& met, const CKVMsg& note)
{
    if (met.m_byKind == MSG_NOTE)
        return met.m_nPosY == note.m_nPosY;
    if (met.m_byKind != MSG_CHORD)
        return false;
    for (short i = 0; i < met.GetMsgNum(); ++i) {
        const CKVMsg* member = ChildAt(met, i);
        if (member && member->m_byKind == MSG_NOTE && member->m_nPosY == note.m_nPosY)
            return true;
    }
    return false;
}

} // namespace

InsertRefusal SpotRefusal(CKVMeas& meas, CKVMsg& msg)
{
    const short at = msg.m_byKind == MSG_NOTE ? SpotIndex(meas, msg) : -1;
    CKVMsg* hit = at >= 0 ? ChildAt(meas, at) : nullptr;
    if (!hit)
        return InsertRefusal::None;
    const bool oneLine = measplace::StaffKindOf(&meas) == CKVStaff::KIND_ONE_LINE;
    if (hit->m_byKind == MSG_BEAM) {
        // The first member at the spot decides; a note of a one-line staff
        // leaves the new note on its own beside it.
        for (short i = 0; i < hit->GetMsgNum(); ++i) {
            CKVMsg* member = ChildAt(*hit, i);
            if (!member || member->PtInRect(msg.m_nPosX, msg.m_byVoice) == kNoHit)
                continue;
            if (member->m_byKind == MSG_NOTE && oneLine)
                return InsertRefusal::None;
            return TakenHeight(*member, msg) ? InsertRefusal::AtHeight : InsertRefusal::None;
        }
        return InsertRefusal::None;
    }
    if (TakenHeight(*hit, msg))
        return InsertRefusal::AtHeight;
    return hit->m_byKind == MSG_NOTE && oneLine ? InsertRefusal::OneLineStaff : InsertRefusal::None;
}

int CKVMeas::ProcInRect(CKVMsg* msg, short& index, int joinGroups)
{
    CKVDoc* doc = DocOf(*this);
    if (doc) {
        doc->m_pLastGroup = nullptr;
        doc->m_pLastMember = nullptr;
    }
    index = 0;
    SetInsertRefusal(InsertRefusal::None);
    if (!msg)
        return 0;

    const short at = SpotIndex(*this, *msg);
    if (at < 0) {
        PlaceOnSecondDrumStaff(*this, *msg);
        return 0;
    }
    if (msg->m_byKind == MSG_REST) {
        index = -1;
        return 0;
    }

    CKVMsg* hit = ChildAt(*this, at);
    switch (hit->m_byKind) {
    case MSG_NOTE: {
        if (measplace::StaffKindOf(this) == CKVStaff::KIND_ONE_LINE || hit->m_nPosY == msg->m_nPosY) {
            SetInsertRefusal(hit->m_nPosY == msg->m_nPosY ? InsertRefusal::AtHeight : InsertRefusal::OneLineStaff);
            index = -1;
            return 1;
        }
        CKVMsg* chord = hit->CreateChord();
        if (!chord) {
            index = -1;
            return 1;
        }
        RemoveAt(at);
        if (AddMsg(chord, kHolderOwns) == 0) {
            // The measure refused the chord: the note stands alone again.
            chord->RemoveAt(0);
            delete chord;
            InsertMsg(at, hit, kHolderOwns, kParentHere);
            index = -1;
            return 1;
        }
        if (chord->AddMsgToChord(msg) < 0)
            index = -1;
        chord->ChordDotOrder();
        chord->ChordKeyOrder();
        if (doc)
            doc->m_pLastMember = chord;
        chord->ChangeNoteDirection(kStemOfVoice, kKeepGraceStems);
        return 1;
    }
    case MSG_REST:
        if (msg->m_byKind != MSG_NOTE) {
            index = -1;
            return 1;
        }
        // The note takes the rest's place.
        RemoveMsgAt(at);
        return 0;
    case MSG_BEAM: {
        if (!joinGroups)
            return 0;
        const short r = hit->AddMsgToBeam(msg);
        if (r == -1)
            return 0;
        if (r < 0) {
            SetInsertRefusal(r == kRefusedAtHeight ? InsertRefusal::AtHeight : InsertRefusal::None);
            index = -1;
            return 1;
        }
        if (doc)
            doc->m_pLastGroup = hit;
        hit->ChangeNoteDirection(kStemOfVoice, kKeepGraceStems);
        return 1;
    }
    case MSG_CHORD: {
        // A chord that refuses the note is left as it stands: a refused
        // entry changes nothing.
        const short r = hit->AddMsgToChord(msg);
        if (r < 0) {
            SetInsertRefusal(r == kRefusedAtHeight ? InsertRefusal::AtHeight : InsertRefusal::None);
            index = -1;
            return 1;
        }
        hit->ChordDotOrder();
        hit->ChordKeyOrder();
        if (doc)
            doc->m_pLastMember = hit;
        hit->ChangeNoteDirection(kStemOfVoice, kKeepGraceStems);
        return 1;
    }
    default:
        index = -1;
        return 1;
    }
}

void CKVMeas::DisAssembleBeam(short index)
{
    if (index < 0 || index >= GetMsgNum() || !m_pSystem)
        return;
    CKVMsg* container = ChildAt(*this, index);
    if (!container || !tickmath::IsContainer(*container))
        return;
    RemoveAt(index);
    while (container->GetMsgNum() > 0) {
        const MsgRef* ref = container->m_arrMsgRef.GetAt(0);
        CKVMsg* member = ChildAt(*container, 0);
        // A reference the container does not own belongs elsewhere.
        if (member && ref && ref->byOwner) {
            beamgroups::ClearMemberMarks(*member);
            InsertMsg(GetSortedIndex(member), member, kHolderOwns, kParentHere);
            member->UpdatePos(0);
        }
        container->RemoveAt(0);
    }
    m_pSystem->RemoveMsgFromMap(container->m_dwMsgId);
}

void CKVMeas::DisAssembleBeam(CKVMsg* group)
{
    if (!group)
        return;
    const short at = FindChild(*this, [group](const CKVMsg& c) { return &c == group; });
    if (at >= 0)
        DisAssembleBeam(at);
}

void CKVMeas::DisAssembleBeam(BYTE voice)
{
    for (;;) {
        const short at = FindChild(*this, [voice](const CKVMsg& c) {
            return c.m_byKind == MSG_BEAM && (voice == 0 || c.m_byVoice == voice);
        });
        if (at < 0)
            return;
        DisAssembleBeam(at);
    }
}

int CKVMeas::DisAssembleBeam(BYTE voice, short from, short to, int skipGrace)
{
    return BreakGroupsInRange(*this, voice, from, to, false, skipGrace != 0);
}

int CKVMeas::DisAssembleGraceNoteBeam(BYTE voice, short from, short to)
{
    return BreakGroupsInRange(*this, voice, from, to, true, false);
}

void CKVMeas::DisAssembleChord(BYTE voice)
{
    for (;;) {
        const short at = FindChild(*this, [voice](const CKVMsg& c) {
            return c.m_byKind == MSG_CHORD && (voice == 0 || c.m_byVoice == voice);
        });
        if (at < 0)
            return;
        DisAssembleBeam(at);
    }
}

int CKVMeas::DisAssembleChord(BYTE voice, short from, short to)
{
    if (from > to)
        std::swap(from, to);
    int any = 0;
    for (;;) {
        const short at = FindChild(*this, [&](const CKVMsg& c) {
            return c.m_byKind == MSG_CHORD && c.m_byVoice == voice && c.m_nPosX >= from && c.m_nPosX <= to;
        });
        if (at < 0)
            return any;
        DisAssembleBeam(at);
        any = 1;
    }
}

CKVMsg* CKVMeas::DisAssembleBeamLeft(short index, short x)
{
    const int cut = x - LineSpacingOf(*this);
    return SplitGroup(*this, index, cut > 0 ? cut : 0, true);
}

CKVMsg* CKVMeas::DisAssembleBeamRight(short index, short x)
{
    return SplitGroup(*this, index, x, false);
}

CKVMsg* CKVMeas::UpdateChordToNote(CKVMsg* chord)
{
    if (!chord || chord->m_byKind != MSG_CHORD)
        return nullptr;
    CKVMsg* first = chord->GetMsgNum() > 0 ? ChildAt(*chord, 0) : nullptr;
    if (!first)
        return nullptr;
    CKVMsg* note = KvNewReported<CKVMsg>();
    if (!note)
        return nullptr;
    *note = *first;
    return note;
}

int CKVMeas::IsOnlyRest()
{
    const short at = FindChild(*this, [](const CKVMsg& c) {
        return c.m_byKind == MSG_NOTE || c.m_byKind == MSG_BEAM || c.m_byKind == MSG_CHORD ||
               c.m_byKind == MSG_MULTIREST;
    });
    return at < 0 ? 1 : 0;
}

void CKVMeas::DelRestMsg()
{
    for (short i = static_cast<short>(GetMsgNum() - 1); i >= 0; --i) {
        const CKVMsg* child = ChildAt(*this, i);
        if (child && child->m_byKind == MSG_REST)
            RemoveMsgAt(i);
    }
}

short CKVMeas::GetLeftNoteIndex(short index, CKVMsg* msg)
{
    if (!msg)
        return -1;
    if (index > GetMsgNum())
        index = GetMsgNum();
    for (short i = static_cast<short>(index - 1); i >= 0; --i) {
        const CKVMsg* child = ChildAt(*this, i);
        if (!child || child->m_byVoice != msg->m_byVoice)
            continue;
        if (child->m_byKind == MSG_REST)
            return -1;
        if (child->m_byKind != MSG_NOTE && child->m_byKind != MSG_BEAM && child->m_byKind != MSG_CHORD)
            continue;
        if (child->m_nPosX > msg->m_nPosX || (child->m_nPosX == msg->m_nPosX && child->m_nPosY < msg->m_nPosY))
            return i;
    }
    return -1;
}
