// Placement order of slurs, tuplets, chord dots, chord accidentals and beam
// members.

#include "model/KVMsg.h"

#include "document/KVDoc.h"
#include "model/ImportState.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"
#include "timing/InsertState.h"
#include "timing/TieLinks.h"
#include "timing/TieSlurDirection.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

using measplace::LineSpacingOf;
using measplace::ChordNotes;

bool HasAccidental(const CKVMsg& note)
{
    return kvpitch::AccidentalCodeOf(note.m_byAccidental) != ACCI_NONE;
}

// Lowest note (largest vertical position) first; equal places keep their
// order.
void SortLowestFirst(std::vector<CKVMsg*>& notes)
{
    std::stable_sort(notes.begin(), notes.end(),
                     [](const CKVMsg* a, const CKVMsg* b) { return a->m_nPosY > b->m_nPosY; });
}

// The two head columns of a chord. Walking away from the stem end of the
// chord, notes that sit a step or less from the one before alternate
// between the columns (the second first); a wider gap starts again in the
// main one.
struct HeadColumns {
    std::vector<CKVMsg*> main;
    std::vector<CKVMsg*> second;
};

HeadColumns SplitHeadColumns(CKVMsg& chord)
{
    HeadColumns columns;
    // Read in pitch order whatever the child order is just now.
    std::vector<CKVMsg*> notes = ChordNotes(chord);
    SortLowestFirst(notes);
    if (chord.m_lHeight > 0)
        std::reverse(notes.begin(), notes.end());
    const int step = LineSpacingOf(chord) / 2;
    const CKVMsg* previous = nullptr;
    bool nextInSecond = true;
    for (CKVMsg* note : notes) {
        if (!previous || std::abs(note->m_nPosY - previous->m_nPosY) > step) {
            columns.main.push_back(note);
            nextInSecond = true;
        } else {
            (nextInSecond ? columns.second : columns.main).push_back(note);
            nextInSecond = !nextInSecond;
        }
        previous = note;
    }
    return columns;
}

// The accidental columns of one chord. c is the running offset of the
// column being filled; each offset goes into the note's accidental gap.
class AccidentalColumns {
public:
    AccidentalColumns(int width, int lineSpacing)
        : m_width(width), m_gap(MulDiv(lineSpacing, 2, 3)), m_far(3 * lineSpacing), m_c(width)
    {
    }

    // Two lists of accidental notes, lowest first: the column they sit in
    // when the heads do not collide (main) and the displaced one. A note
    // of the displaced list sits one gap further out.
    void PlaceTwoLists(std::vector<CKVMsg*> main, std::vector<CKVMsg*> displaced)
    {
        const bool pDisplaced =
            main.empty() || (!displaced.empty() && displaced.front()->m_nPosY >= main.front()->m_nPosY);
        std::vector<CKVMsg*>& from = pDisplaced ? displaced : main;
        CKVMsg* p = from.front();
        from.erase(from.begin());
        const int pExtra = pDisplaced ? m_gap : 0;

        if (!main.empty() && !displaced.empty()) {
            if (displaced.back()->m_nPosY <= main.back()->m_nPosY) {
                CKVMsg* q = TakeTop(displaced);
                if (Distance(p, q) >= m_far) {
                    Set(p, m_c + pExtra);
                    Set(q, m_c + m_gap);
                    m_c = m_width + m_gap;
                } else {
                    Set(q, m_c + m_gap);
                    Next();
                    Set(p, m_c + pExtra);
                    Next();
                }
            } else {
                CKVMsg* q = TakeTop(main);
                if (Distance(p, q) >= m_far) {
                    Set(p, m_c);
                    Set(q, m_c);
                    Next();
                } else {
                    Set(q, m_c);
                    Next();
                    Set(p, m_c);
                    Next();
                }
            }
        } else if (!displaced.empty()) {
            CKVMsg* q = TakeTop(displaced);
            if (Distance(p, q) >= m_far) {
                Set(p, m_c + pExtra);
                Set(q, m_c + m_gap);
            } else {
                Set(q, m_c + m_gap);
                Next();
                Set(p, m_c + pExtra);
            }
            Next();
        } else if (!main.empty()) {
            CKVMsg* q = TakeTop(main);
            if (Distance(p, q) >= m_far) {
                Set(p, m_c + pExtra);
                Set(q, m_c);
                Next();
            } else {
                Set(q, m_c);
                Next();
                Set(p, m_c + pExtra);
                Next();
            }
        } else {
            Set(p, m_c + pExtra);
            Next();
        }

        // The rest from the top down; displaced notes above a main note go
        // before it.
        while (!main.empty()) {
            CKVMsg* note = TakeTop(main);
            while (!displaced.empty() && displaced.back()->m_nPosY < note->m_nPosY) {
                Set(TakeTop(displaced), m_c + m_gap);
                Next();
            }
            Set(note, m_c);
            Next();
        }
        while (!displaced.empty()) {
            Set(TakeTop(displaced), m_c + m_gap);
            Next();
        }
    }

    // The outer pair first: a wide pair shares a column; then the inner
    // notes from the top down, each moving back one column when it stands
    // far from both neighbours it is measured against.
    template <class Before, class Below>
    void PlaceOuterThenInner(CKVMsg* top, CKVMsg* bottom, const std::vector<CKVMsg*>& innerTopDown,
                             Before before, Below below)
    {
        if (Distance(top, bottom) >= m_far) {
            Set(top, m_c);
            Set(bottom, m_c);
            Next();
        } else {
            Set(top, m_c);
            Next();
            Set(bottom, m_c);
            Next();
        }
        for (size_t i = 0; i < innerTopDown.size(); ++i) {
            CKVMsg* note = innerTopDown[i];
            const int nearest = std::min(Distance(note, before(i)), Distance(note, below(i)));
            if (nearest >= m_far)
                m_c -= m_width + m_gap;
            Set(note, m_c);
            Next();
        }
    }

    int C() const { return m_c; }
    int Gap() const { return m_gap; }

    static void Set(CKVMsg* note, int offset) { note->m_nLayout4 = ClampToShort(offset); }

private:
    static int Distance(const CKVMsg* a, const CKVMsg* b) { return std::abs(a->m_nPosY - b->m_nPosY); }

    static CKVMsg* TakeTop(std::vector<CKVMsg*>& lowestFirst)
    {
        CKVMsg* top = lowestFirst.back();
        lowestFirst.pop_back();
        return top;
    }

    void Next() { m_c += m_width + m_gap; }

    int m_width;
    int m_gap;
    int m_far;
    int m_c;
};

// Stem up: the heads walked from the bottom split into the main and the
// displaced column; accidentals follow that split.
void PlaceStemUp(std::vector<CKVMsg*>& notes, AccidentalColumns& columns, int step)
{
    std::vector<CKVMsg*> main;
    std::vector<CKVMsg*> displaced;
    const CKVMsg* previous = nullptr;
    bool nextDisplaced = true;
    for (CKVMsg* note : notes) {
        bool isDisplaced = false;
        if (!previous || std::abs(note->m_nPosY - previous->m_nPosY) > step) {
            nextDisplaced = true;
        } else {
            isDisplaced = nextDisplaced;
            nextDisplaced = !nextDisplaced;
        }
        previous = note;
        if (HasAccidental(*note))
            (isDisplaced ? displaced : main).push_back(note);
    }

    if (!displaced.empty()) {
        columns.PlaceTwoLists(main, displaced);
        return;
    }
    if (main.empty())
        return;
    if (main.size() == 1) {
        AccidentalColumns::Set(main.front(), columns.C());
        return;
    }
    CKVMsg* lowest = main.front();
    CKVMsg* highest = main.back();
    std::vector<CKVMsg*> inner(main.rbegin() + 1, main.rend() - 1);
    // The first inner note is measured against the lowest, and the last one
    // against the highest instead of the lowest below it.
    columns.PlaceOuterThenInner(
        highest, lowest, inner, [&](size_t i) { return i == 0 ? lowest : inner[i - 1]; },
        [&](size_t i) { return i + 1 < inner.size() ? inner[i + 1] : highest; });
}

// Stem down: the heads walked from the top; a head a step or less below the
// one before is a near one, alternating with far ones.
void PlaceStemDown(std::vector<CKVMsg*>& notes, AccidentalColumns& columns, int step)
{
    std::vector<CKVMsg*> nearList;
    std::vector<CKVMsg*> farList;
    bool pair = false;
    const CKVMsg* previous = nullptr;
    bool previousFarWithAccidental = false;
    bool nextNear = true;
    for (auto it = notes.rbegin(); it != notes.rend(); ++it) {
        CKVMsg* note = *it;
        bool isNear = false;
        if (!previous || std::abs(note->m_nPosY - previous->m_nPosY) > step) {
            nextNear = true;
        } else {
            isNear = nextNear;
            nextNear = !nextNear;
        }
        const bool accidental = HasAccidental(*note);
        if (isNear && !accidental && previousFarWithAccidental)
            pair = true;
        if (accidental)
            (isNear ? nearList : farList).push_back(note);
        previousFarWithAccidental = !isNear && accidental;
        previous = note;
    }

    if (!nearList.empty()) {
        SortLowestFirst(nearList);
        SortLowestFirst(farList);
        columns.PlaceTwoLists(nearList, farList);
        return;
    }
    if (farList.empty())
        return;
    if (farList.size() == 1) {
        AccidentalColumns::Set(farList.front(), columns.C() + (pair ? columns.Gap() : 0));
        return;
    }
    // farList runs highest first.
    CKVMsg* highest = farList.front();
    CKVMsg* lowest = farList.back();
    std::vector<CKVMsg*> inner(farList.begin() + 1, farList.end() - 1);
    columns.PlaceOuterThenInner(
        highest, lowest, inner, [&](size_t i) { return i == 0 ? highest : inner[i - 1]; },
        [&](size_t i) { return i + 1 < inner.size() ? inner[i + 1] : lowest; });
}

} // namespace

void CKVMsg::SlurPosOrder(short dx, short dy, short minHeight, int setX, int keepY, int keepHeight,
                          int keepMiddle, int side)
{
    if (!tickmath::IsTieOrSlur(*this) || !m_pSystem)
        return;
    CKVMsg* first = tielink::StartOf(*this);
    CKVMsg* second = tielink::EndOf(*this);
    if (!first || !second)
        return;
    // Heights are sixteenths of a line spacing; a damaged spacing leaves
    // the shape as it is.
    const int spacing = LineSpacingOf(*this);
    if (spacing < 2)
        return;
    CKVDoc* doc = m_pSystem->m_pDoc;

    if (doc) {
        const bool tieable = tielink::JudgedTie(*this, *first, doc->IsEnableBindByTie(first, second, 0) != 0);
        if (m_byKind == MSG_TIE && !tieable)
            m_byKind = MSG_SLUR;
        else if (m_byKind == MSG_SLUR && tieable)
            m_byKind = MSG_TIE;
    }

    const short oldX = m_nPosX;
    const short oldY = m_nPosY;
    const short oldX2 = m_nPosX2;
    const short oldY2 = m_nPosY2;
    const short oldCurve1 = m_nLayout1;
    const short oldCurve2 = m_nLayout2;
    m_nLayout4 = 0;

    int direction = nTieSlurDirection;
    if (direction != 1 && direction != 2)
        direction = doc ? doc->m_CtrlTool.GetNoteDirection(first->m_byVoice) : 0;
    if (direction != 1 && direction != 2)
        direction = 0;

    const int firstY = first->m_nPosY;
    const int secondY = second->m_nPosY;
    // Curvature that clears the extreme point: the mean distance of the two
    // ends from it, in sixteenths of a line spacing.
    auto curve = [spacing](int extreme, int end1, int end2) {
        return ((std::abs(extreme - end1) + std::abs(extreme - end2)) / 2 * 16) / spacing;
    };
    auto setCurves = [this](int value) {
        m_nLayout1 = ClampToShort(value);
        m_nLayout2 = ClampToShort(value);
    };
    auto setYs = [this](int start, int end) {
        m_nPosY = ClampToShort(start);
        m_nPosY2 = ClampToShort(end);
    };

    if (m_byKind == MSG_TIE) {
        bool below = true;
        if (side == 0)
            below = firstY > -2 * spacing;
        else if (side == 1)
            below = false;
        if (setX) {
            m_nPosX = ClampToShort(dx + 16);
            m_nPosX2 = ClampToShort(-dx);
        }
        if (direction == 2 || (direction == 0 && below)) {
            setYs(dy, dy);
            setCurves(minHeight);
        } else {
            setYs(-dy, -dy);
            setCurves(-minHeight);
        }
    } else {
        // The stem words that slurs read follow the stems.
        const int stemA = static_cast<short>(first->m_lHeight);
        const int stemB = static_cast<short>(second->m_lHeight);
        if (first->m_byKind == MSG_NOTE)
            first->m_nLayout1 = static_cast<short>(stemA);
        if (second->m_byKind == MSG_NOTE)
            second->m_nLayout1 = static_cast<short>(stemB);
        const tielink::SlurRange range = tielink::VoiceRange(first, second);
        const WORD firstCross = first->m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN);
        const WORD secondCross = second->m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN);
        bool sameStaves = false;
        if (firstCross & MSGFLAG_STAFF_UP)
            sameStaves = (secondCross & MSGFLAG_STAFF_UP) != 0;
        else if (firstCross & MSGFLAG_STAFF_DOWN)
            sameStaves = (secondCross & MSGFLAG_STAFF_DOWN) != 0;
        else
            sameStaves = secondCross == 0;
        const bool below = first->m_lHeight < 0 && sameStaves;

        if (setX) {
            m_nPosX = ClampToShort(dx + 16);
            m_nPosX2 = ClampToShort(-dx);
            if (direction == 2) {
                if (stemA > 0)
                    m_nPosX = 0;
                if (stemB > 0)
                    m_nPosX2 = 0;
            } else if (direction == 1) {
                if (stemA < 0)
                    m_nPosX = 16;
                if (stemB < 0)
                    m_nPosX2 = 16;
            }
        }
        // Below the notes the curve clears the lowest point they reach,
        // above them the highest.
        if (direction == 0 && below) {
            setYs(dy, dy);
            const int c = curve(range.lowest, firstY, secondY);
            setCurves(c < minHeight ? minHeight : c + 4);
        } else if (direction == 0) {
            setYs(-dy, -dy);
            const int c = curve(range.highest, firstY, secondY);
            setCurves(c < minHeight ? -minHeight : -4 - c);
        } else if (direction == 2) {
            auto endY = [&](int stem) { return stem < 0 ? dy : stem * 16 / spacing + dy / 2; };
            setYs(endY(stemA), endY(stemB));
            const int c = curve(range.lowest, firstY + std::max(stemA, 0), secondY + std::max(stemB, 0));
            setCurves(c < minHeight ? minHeight : c + 4);
        } else {
            auto endY = [&](int stem) { return stem > 0 ? -dy : stem * 16 / spacing - dy / 2; };
            setYs(endY(stemA), endY(stemB));
            const int c = curve(range.highest, firstY + std::min(stemA, 0), secondY + std::min(stemB, 0));
            setCurves(c < minHeight ? -minHeight : -8 - c);
        }
    }

    if (!keepMiddle) {
        m_wSize = 0xFFFF;
        m_wFlag = 0xFFFF;
    }
    m_byVoice = first->m_byVoice;
    m_pParent = first;
    m_byParentKind = first->m_byObjKind;

    if (m_byKind == MSG_SLUR && direction == 0)
        tielink::AdjustAutomaticSlur(*this, *first, *second, minHeight, spacing);

    if (m_byKind == MSG_TIE) {
        first->m_wFlag = static_cast<WORD>(first->m_wFlag | MSGFLAG_TIE_START);
        second->m_wFlag = static_cast<WORD>(second->m_wFlag | MSGFLAG_TIE_END);
    } else {
        // A tie turned slur leaves no tie flag behind, unless another tie
        // still starts or ends there.
        if (first->GetTieIndex(1) < 0)
            first->m_wFlag = static_cast<WORD>(first->m_wFlag & ~MSGFLAG_TIE_START);
        if (second->GetTieIndex(0) < 0)
            second->m_wFlag = static_cast<WORD>(second->m_wFlag & ~MSGFLAG_TIE_END);
    }

    if (!keepY) {
        m_nPosY = oldY;
        m_nPosY2 = oldY2;
    }
    if (!keepHeight) {
        m_nLayout1 = oldCurve1;
        m_nLayout2 = oldCurve2;
    }

    if (m_arrCtrlPoint.GetSize() > 2) {
        auto handle = [this](int i) { return m_arrCtrlPoint.GetAt(i); };
        if (CKVCtrlPoint* start = handle(0))
            start->m_rect.OffsetRect(MulDiv(m_nPosX - oldX, 7, 16), MulDiv(m_nPosY - oldY, spacing, 16));
        if (CKVCtrlPoint* end = handle(1))
            end->m_rect.OffsetRect(MulDiv(m_nPosX2 - oldX2, 7, 16), MulDiv(m_nPosY2 - oldY2, spacing, 16));
        if (CKVCtrlPoint* middle = handle(2)) {
            const int rise = (m_nPosY + m_nPosY2 - oldY - oldY2) / 2 + m_nLayout1 - oldCurve1;
            middle->m_rect.OffsetRect(0, MulDiv(rise, spacing, 16));
        }
    }
}

void CKVMsg::TupletPosOrderOfNote()
{
    if (m_byKind == MSG_TUPLET) {
        m_byReplace = 1;
        return;
    }
    tickmath::ForEachChild(*this, [this](CKVMsg* child, short) {
        if (child != this && (tickmath::IsNoteRestChord(*child) || child->m_byKind == MSG_TUPLET))
            child->TupletPosOrderOfNote();
        return false;
    });
}

void CKVMsg::TupletPosOrder()
{
    if (m_byKind != MSG_TUPLET || !m_pSystem)
        return;
    CKVMsg* first = m_pSystem->GetMsgFromMap(m_dwWord);
    CKVMsg* last = m_pSystem->GetMsgFromMap(static_cast<DWORD>(m_lHeight));
    if (!first || !last)
        return;
    const int space = LineSpacingOf(*this);
    // The stem words that the stem code keeps beside the stem heights.
    const int stem1 = first->m_nLayout1;
    const int stem2 = last->m_nLayout1;
    const int style = m_wFlag & 0xFF;
    const bool narrowNumber = style == 2 || style == 3;
    const bool wideNumber = (m_wFlag & 0x0F) == 4;

    int x1 = 0;
    int x2 = 0;
    int y1 = 0;
    int y2 = 0;
    int hook = -space;
    if ((first->m_wDuration & 0xFF) <= DUR_WHOLE) {
        // No stems: over the heads.
        x1 = x2 = space;
        y1 = y2 = -2 * space;
    } else if (stem1 < 0) {
        x1 = x2 = space;
        y1 = -space / 2;
        y2 = stem2 >= 0 ? -stem2 - space : -space / 2;
    } else if (stem2 < 1) {
        x2 = space;
        y1 = wideNumber ? -stem1 - 3 * space : -stem1 - space;
        y2 = wideNumber ? -3 * space : -space / 2;
    } else {
        // Both stems down: below the heads.
        y1 = y2 = space / 2;
        hook = space;
    }
    m_nPosX = ClampToShort(x1);
    m_nPosX2 = ClampToShort(x2);
    m_nPosY = ClampToShort(y1);
    m_nPosY2 = ClampToShort(y2);
    m_nLayout2 = ClampToShort(hook);

    int number = 0;
    if (wideNumber)
        number = stem1 < 0 ? -(5 * space / 4) : 5 * space / 4;
    else if (hook < 1)
        number = (narrowNumber ? -space : -4 * space) / 3;
    else
        number = (narrowNumber ? 7 * space : 11 * space) / 4;
    m_nLayout1 = ClampToShort(number);
    m_nLayout4 = 0;
    m_byReplace = 0;
}

void CKVMsg::ChordDotOrder()
{
    if (m_byKind != MSG_CHORD || m_byDots == 0)
        return;
    const HeadColumns columns = SplitHeadColumns(*this);
    for (CKVMsg* note : ChordNotes(*this))
        note->m_wFlag = static_cast<WORD>(note->m_wFlag & ~MSGFLAG_DOT_COLUMN2);
    // The dots of the heads that sit out of line move one head further
    // right, so that no dot lands on a head.
    const std::vector<CKVMsg*>* moved = nullptr;
    if (m_lHeight > 0)
        moved = &columns.second;
    else if (!columns.second.empty())
        moved = &columns.main;
    if (moved) {
        for (CKVMsg* note : *moved)
            note->m_wFlag = static_cast<WORD>(note->m_wFlag | MSGFLAG_DOT_COLUMN2);
    }
    MakeNoteMarkCtrl();
}

void CKVMsg::ChordCtrlPointMove()
{
    if (m_byKind != MSG_CHORD)
        return;
    const HeadColumns columns = SplitHeadColumns(*this);
    const int spacing = LineSpacingOf(*this);
    const short dx = ClampToShort(m_lHeight > 0 ? -spacing : spacing);
    for (CKVMsg* note : columns.second)
        note->NoteCtrlOffset(dx);
}

void CKVMsg::ChordKeyOrder()
{
    if (m_byKind != MSG_CHORD)
        return;
    ChordSort();
    if (bImportConverting) {
        MakeNoteMarkCtrl();
        return;
    }
    const int spacing = LineSpacingOf(*this);
    AccidentalColumns columns(GetAccColumnWidth(), spacing);
    std::vector<CKVMsg*> notes = ChordNotes(*this);
    if (m_lHeight <= 0)
        PlaceStemUp(notes, columns, spacing / 2);
    else
        PlaceStemDown(notes, columns, spacing / 2);
    MakeNoteMarkCtrl();
}

void CKVMsg::BeamXsort(int passOn)
{
    if (m_byKind != MSG_BEAM || GetMsgNum() == 0 || !m_pSystem)
        return;
    pSortSystem = m_pSystem;
    // Only notes, rests and chords are ordered, by position word; any other
    // child keeps its slot, and so do equal positions among themselves.
    const std::vector<CKVMsg*> order = measplace::SortChildSlots(
        *this, [](const CKVMsg& child) { return tickmath::IsNoteRestChord(child); },
        [](const CKVMsg& a, const CKVMsg& b) { return a.m_nPosX < b.m_nPosX; });
    if (order.empty())
        return;

    m_nPosX = order.front()->m_nPosX;
    m_nPosX2 = order.back()->m_nPosX;
    if (CKVMeas* meas = tickmath::MeasureOf(this))
        meas->UpdateStartTime(m_byVoice, 1, passOn, kPerformedStartStays);
}
