#include "timing/TieLinks.h"

#include "document/KVDoc.h"
#include "document/RecordIO.h"
#include "document/UndoEntry.h"
#include "model/KVMultiBackup.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/NewObject.h"
#include "model/NodeDoc.h"
#include "model/TickMath.h"

#include <algorithm>

namespace tielink {

namespace {

// Calls visit(note) for every note of a measure: direct children, chord
// members and the members of beam groups, however they nest.
template <class Visit>
void ForEachNote(CKVObject& node, Visit& visit, int depth)
{
    if (depth > tickmath::kMaxChildWalkDepth)
        return;
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* child = measplace::ChildAt(node, i);
        if (!child || child == &node)
            continue;
        if (child->m_byKind == MSG_NOTE)
            visit(*child);
        else if (child->m_byKind == MSG_CHORD || child->m_byKind == MSG_BEAM)
            ForEachNote(*child, visit, depth + 1);
    }
}

// Widens the range by one note: its head, and the end of its stem as the
// stem word gives it (a word below 1 is a stem pointing up).
void Take(SlurRange& range, const CKVMsg& note)
{
    const int y = note.m_nPosY;
    const int stemEnd = y + note.m_nLayout1;
    if (note.m_nLayout1 < 1) {
        range.lowest = std::max(range.lowest, y);
        range.highest = std::min(range.highest, stemEnd);
    } else {
        range.lowest = std::max(range.lowest, stemEnd);
        range.highest = std::min(range.highest, y);
    }
}

SlurRange RangeOf(CKVMsg* a, CKVMsg* b, bool ownVoiceOnly)
{
    SlurRange range;
    range.lowest = a->m_nPosY;
    range.highest = a->m_nPosY;
    CKVMeas* first = tickmath::MeasureOf(a);
    CKVMeas* last = tickmath::MeasureOf(b);
    CKVStaff* staff = first ? measplace::StaffOf(*first) : nullptr;
    const int from = measplace::IndexOnStaff(staff, first);
    int to = measplace::IndexOnStaff(staff, last);
    if (from < 0)
        return range;
    // A b that is not on a's staff (or lies before a) limits nothing: only
    // a's measure is looked at, to its end.
    const bool bReached = to >= from;
    if (!bReached)
        to = from;
    for (int index = from; index <= to; ++index) {
        CKVMeas* meas = measplace::MeasAt(staff, index);
        if (!meas)
            continue;
        const int low = index == from ? a->m_nPosX : 0;
        const int high = (bReached && index == to) ? b->m_nPosX : CKVMeas::SCALE;
        const bool lastMeas = bReached && index == to;
        auto visit = [&](CKVMsg& note) {
            if (ownVoiceOnly && note.m_byVoice != a->m_byVoice)
                return;
            if (note.m_nPosX < low || note.m_nPosX > high)
                return;
            if (!ownVoiceOnly && lastMeas && note.m_nPosX == high)
                return;
            Take(range, note);
        };
        ForEachNote(*meas, visit, 0);
    }

    const int half = LineSpacingOf(*a) / 2;
    if (a->m_nPosY > b->m_nPosY) {
        if (range.lowest == a->m_nPosY)
            range.lowest += half;
        if (range.highest == b->m_nPosY)
            range.highest -= half;
    } else if (a->m_nPosY < b->m_nPosY) {
        if (range.highest == a->m_nPosY)
            range.highest -= half;
        if (range.lowest == b->m_nPosY)
            range.lowest += half;
    }
    return range;
}

} // namespace

CKVMsg* StartOf(const CKVMsg& link)
{
    return link.m_pSystem ? link.m_pSystem->GetMsgFromMap(link.m_dwWord) : nullptr;
}

CKVMsg* EndOf(const CKVMsg& link)
{
    return link.m_pSystem ? link.m_pSystem->GetMsgFromMap(static_cast<DWORD>(link.m_lHeight)) : nullptr;
}

short IndexOfChild(CKVObject& node, const CKVMsg* child)
{
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        if (measplace::ChildAt(node, i) == child)
            return static_cast<short>(i);
    }
    return -1;
}

namespace {

// The newest record of the open slur list that left a link joining
// start -> end (relinks only with `relinkOnly`); null when none did.
const SlurRelinkRecord* NewestTo(const CKVDoc& doc, DWORD start, DWORD end, bool relinkOnly)
{
    for (int i = doc.m_arrSlurBackup.GetSize() - 1; i >= 0; --i) {
        const auto* record = static_cast<const SlurRelinkRecord*>(doc.m_arrSlurBackup.GetAt(i));
        if (record && record->dwNewStart == start && record->dwNewEnd == end &&
            (!relinkOnly || record->dwNewEnd != 0))
            return record;
    }
    return nullptr;
}

} // namespace

bool RecordRemoval(CKVDoc& doc, const CKVMsg& link, const MsgRef& partnerRef, CKVMsg& partner, short index)
{
    auto* record = KvNewReported<SlurRelinkRecord>();
    if (!record)
        return false;
    const DWORD start = link.m_dwWord;
    const DWORD end = static_cast<DWORD>(link.m_lHeight);
    const SlurRelinkRecord* earlier = NewestTo(doc, start, end, false);
    record->dwFlag = partnerRef.byOwner;
    record->dwFirstStart = earlier ? earlier->dwFirstStart : start;
    record->dwFirstEnd = earlier ? earlier->dwFirstEnd : end;
    record->dwOldRef = partnerRef.dwMsgId;
    record->pMeas = tickmath::MeasureOf(&partner);
    record->nPartnerIndex = index;
    doc.m_arrSlurBackup.Add(record);
    return true;
}

namespace {

// Records that the link leaves `end` when the open step does not hold the
// measure of `end` and re-linked the link: that measure comes back from no
// copy, and the relink alone cannot give the note its reference back.
void RecordLeavingUnheld(CKVMsg& link, CKVMsg* end)
{
    CKVDoc* doc = end ? DocOf(link) : nullptr;
    CKVMeas* meas = doc ? tickmath::MeasureOf(end) : nullptr;
    if (!meas || !doc->IsReqBackup() || !meas->IsCurrentObj() || doc->IsMeasInOpenStep(meas) ||
        !NewestTo(*doc, link.m_dwWord, static_cast<DWORD>(link.m_lHeight), true))
        return;
    const short index = IndexOfChild(*end, &link);
    if (index >= 0)
        RecordRemoval(*doc, link, *end->m_arrMsgRef.GetAt(index), *end, index);
}

} // namespace

void Detach(CKVMsg* link, CKVMsg* first, CKVMsg* second)
{
    if (!link)
        return;
    if (second != first)
        RecordLeavingUnheld(*link, second);
    RecordLeavingUnheld(*link, first);
    DetachUnrecorded(link, first, second);
}

void DetachUnrecorded(CKVMsg* link, CKVMsg* first, CKVMsg* second)
{
    if (!link)
        return;
    const bool tie = link->m_byKind == MSG_TIE;
    // A flag goes only once no other tie the note holds still needs it.
    if (second && second != first) {
        const short index = IndexOfChild(*second, link);
        if (index >= 0)
            second->RemoveAt(index);
        if (tie)
            DropTieFlag(*second, false);
    }
    if (first) {
        const short index = IndexOfChild(*first, link);
        if (index >= 0)
            first->RemoveMsgAt(index);
        if (tie)
            DropTieFlag(*first, true);
    }
}

bool TakesLink(CKVMsg& first, CKVMsg& second, const std::vector<Taken>& taken)
{
    auto freed = [&](CKVMsg& note) {
        int count = 0;
        for (auto t = taken.begin(); t != taken.end(); ++t) {
            const bool once = std::none_of(taken.begin(), t, [&](const Taken& e) { return e.link == t->link; });
            if (t->link && once && (t->from == &note || t->to == &note) && IndexOfChild(note, t->link) >= 0)
                ++count;
        }
        return count;
    };
    return kvrec::HasRoomFor(first, 1 - freed(first)) && kvrec::HasRoomFor(second, 1 - freed(second));
}

bool HoldsTie(CKVMsg& note, bool starting)
{
    for (int i = 0; i < note.m_arrMsgRef.GetSize(); ++i) {
        const CKVMsg* link = measplace::ChildAt(note, i);
        if (!link || link == &note || link->m_byKind != MSG_TIE)
            continue;
        const DWORD at = starting ? link->m_dwWord : static_cast<DWORD>(link->m_lHeight);
        if (at == note.m_dwMsgId)
            return true;
    }
    return false;
}

void DropTieFlag(CKVMsg& note, bool starting)
{
    if (!HoldsTie(note, starting))
        note.m_wFlag = static_cast<WORD>(note.m_wFlag & ~(starting ? MSGFLAG_TIE_START : MSGFLAG_TIE_END));
}

void ClearLonelyTieFlags(CKVMsg& note)
{
    DropTieFlag(note, true);
    DropTieFlag(note, false);
}

void MarkJudgedLink(CKVMsg& first, CKVMsg& second, bool tie)
{
    if (tie) {
        first.m_wFlag = static_cast<WORD>(first.m_wFlag | MSGFLAG_TIE_START);
        second.m_wFlag = static_cast<WORD>(second.m_wFlag | MSGFLAG_TIE_END);
        return;
    }
    DropTieFlag(first, true);
    DropTieFlag(second, false);
}

bool JudgedTie(const CKVMsg& link, CKVMsg& first, bool tieable)
{
    if (!tieable || link.m_byKind == MSG_TIE)
        return tieable;
    for (int i = 0; i < first.m_arrMsgRef.GetSize(); ++i) {
        const CKVMsg* other = measplace::ChildAt(first, i);
        if (other && other != &link && other->m_byKind == MSG_TIE && other->m_dwWord == link.m_dwWord &&
            other->m_lHeight == link.m_lHeight)
            return false;
    }
    return true;
}

void CollectFarEnds(CKVObject& node, const std::function<bool(const CKVMeas*)>& inside, std::vector<CKVMeas*>& far)
{
    tickmath::ForEachChild(node, [&](CKVMsg* child, short) {
        if (!tickmath::IsTieOrSlur(*child)) {
            CollectFarEnds(*child, inside, far);
            return false;
        }
        for (CKVMsg* end : {StartOf(*child), EndOf(*child)}) {
            CKVMeas* meas = end ? tickmath::MeasureOf(end) : nullptr;
            if (meas && !inside(meas) && std::find(far.begin(), far.end(), meas) == far.end())
                far.push_back(meas);
        }
        return false;
    });
}

void HoldFarEnds(CKVMeas& meas)
{
    CKVDoc* doc = DocOf(meas);
    if (!doc || !doc->IsReqBackup())
        return;
    std::vector<CKVMeas*> far;
    CollectFarEnds(meas, [&meas](const CKVMeas* m) { return m == &meas; }, far);
    for (CKVMeas* other : far) {
        // A column backup of an earlier far end may have taken this one.
        if (other->IsCurrentObj() && !doc->IsMeasInOpenStep(other))
            other->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
    }
}

CKVObject* StaffOfNote(CKVMsg* note)
{
    CKVMeas* meas = tickmath::MeasureOf(note);
    return meas ? measplace::StaffOf(*meas) : nullptr;
}

int MeasIndexOf(CKVMeas* meas)
{
    return meas ? measplace::IndexOnStaff(measplace::StaffOf(*meas), meas) : -1;
}

SlurRange VoiceRange(CKVMsg* a, CKVMsg* b)
{
    return RangeOf(a, b, true);
}

SlurRange BetweenRange(CKVMsg* a, CKVMsg* b)
{
    return RangeOf(a, b, false);
}

void AdjustAutomaticSlur(CKVMsg& slur, CKVMsg& first, CKVMsg& second, int minHeight, int spacing)
{
    auto clamp16 = [](int value) { return static_cast<short>(std::clamp(value, -32768, 32767)); };
    // A staff distance in sixteenths of the line spacing, at full size.
    auto units = [&](int v) { return MulDiv(slur.InvertYbyZoom(clamp16(v)), 16, spacing); };
    // Moves the end point by x and takes half of it off the curve.
    auto shift = [&](int x) {
        slur.m_nPosY2 = clamp16(slur.m_nPosY2 + x);
        slur.m_nLayout1 = clamp16(slur.m_nLayout1 - x / 2);
    };
    const int a = first.m_lHeight;
    const int b = second.m_lHeight;
    const int stemA = first.m_nLayout1;
    const int stemB = second.m_nLayout1;
    const WORD firstCross = first.m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN);
    const WORD secondCross = second.m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN);
    const bool differ = ((firstCross & MSGFLAG_STAFF_UP) && !(secondCross & MSGFLAG_STAFF_UP)) ||
                        ((firstCross & MSGFLAG_STAFF_DOWN) && !(secondCross & MSGFLAG_STAFF_DOWN)) ||
                        (firstCross == 0 && secondCross != 0);
    if (differ) {
        if (a >= 0) {
            if (b < 0)
                shift(units(stemB));
            return;
        }
        const int rise = units(stemA);
        slur.m_nPosY = clamp16(slur.m_nPosY + rise);
        slur.m_nPosY2 = clamp16(slur.m_nPosY2 + rise);
        slur.m_wFlag = static_cast<WORD>(slur.m_wFlag + rise);
        shift(b < 0 ? units(stemB - stemA) : units(-stemA));
        return;
    }
    if (firstCross != 0) {
        if ((a < 0) != (b < 0))
            shift(units(stemB));
        return;
    }
    if ((a < 0) == (b < 0))
        return;
    const int firstY = first.m_nPosY;
    const int secondY = second.m_nPosY;
    const int secondStemEnd = secondY + stemB;
    const bool headsClose = std::abs(firstY - secondY) < std::abs(firstY - secondStemEnd);
    const SlurRange between = BetweenRange(&first, &second);
    if (a >= 0) {
        if (between.lowest > secondStemEnd && headsClose)
            slur.m_nLayout1 = clamp16(-units(std::abs(firstY - secondY)) - minHeight);
        else
            shift(units(stemB));
        return;
    }
    if (between.highest < secondStemEnd && headsClose) {
        slur.m_nLayout1 = clamp16(units(std::abs(firstY - secondY)) + minHeight);
        return;
    }
    shift(units(stemB));
    // The curve must still dip the minimum height below the lower end.
    const int e1 = MulDiv(firstY, 16, spacing) + slur.m_nPosY;
    const int e2 = MulDiv(secondY, 16, spacing) + slur.m_nPosY2;
    const int wanted = std::max(e1, e2) + minHeight;
    const int reached = (e1 + e2) / 2 + slur.m_nLayout1;
    if (reached < wanted)
        slur.m_nLayout1 = clamp16(slur.m_nLayout1 + wanted - reached);
}

} // namespace tielink
