// Placement of notes, rests, chords and groups from their start times and on
// the staff grid, and the proportional spacing that goes with it.

#include "model/ImportState.h"
#include "model/KVCtrlPoint.h"
#include "support/KvTest.h"
#include "support/ScoreBuilder.h"

#include <memory>
#include <vector>

namespace {

using kvtest::ScoreBuilder;
using kvtest::ScoreShape;

constexpr WORD kTriplet = 0x0203;

class PlacementTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        Make(16);
    }

    void TearDown() override
    {
        score.reset();
        bImportConverting = 0;
        KvTest::TearDown();
    }

    // A one-measure 4/4 score whose music font is four line spacings high,
    // so that the stem length is seven eighths of that.
    void Make(short lineSpacing)
    {
        score.reset();
        score = std::make_unique<ScoreBuilder>(ScoreShape {.lineSpacing = lineSpacing, .staves = 1, .measures = 1});
        CKVDoc& doc = score->Doc();
        doc.m_nFontHeight = static_cast<short>(4 * lineSpacing);
        doc.m_nFontHeight78 = static_cast<short>(MulDiv(28, doc.m_nFontHeight, 32));
    }

    CKVMeas* Meas() { return score->Meas(0, 0); }

    // Measure 0 to 300 with a 40-wide header: a real width of 260.
    void LayOut()
    {
        CKVMeas* m = Meas();
        m->m_rcMeas = CRect(0, 0, 300, 64);
        m->m_nLeftX = 0;
        m->m_nHeaderWidth = 40;
        m->m_nRealWidth = 0;
    }

    static std::vector<short> Xs(const std::vector<CKVMsg*>& msgs)
    {
        std::vector<short> xs;
        for (CKVMsg* msg : msgs)
            xs.push_back(msg->m_nPosX);
        return xs;
    }

    std::unique_ptr<ScoreBuilder> score;
};

TEST_F(PlacementTest, PositionWordsFollowStartTimes)
{
    std::vector<CKVMsg*> notes;
    for (short i = 0; i < 4; ++i)
        notes.push_back(score->Note(Meas(), {.x = static_cast<short>(i * 8), .code = DUR_EIGHTH, .tuplet = kTriplet}));
    Meas()->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    ASSERT_EQ(notes[3]->m_nStartTime, 240);

    Meas()->UpdatePos(1, kStemDefault, 1, 0);
    EXPECT_EQ(Xs(notes), (std::vector<short> {0, 21, 43, 64}));

    // The symbol's own placement does the same without the measure.
    notes[2]->m_nPosX = 100;
    notes[2]->UpdatePos(1);
    EXPECT_EQ(notes[2]->m_nPosX, 43);
    // Without fromTime the position word stays.
    notes[2]->m_nPosX = 100;
    notes[2]->UpdatePos(0);
    EXPECT_EQ(notes[2]->m_nPosX, 100);
}

TEST_F(PlacementTest, MeasureUpdateTakesOneVoiceFromAPosition)
{
    CKVMsg* early = score->Note(Meas(), {.x = 5});
    CKVMsg* late = score->Note(Meas(), {.x = 70});
    CKVMsg* other = score->Note(Meas(), {.x = 90, .voice = 2});
    Meas()->UpdateStartTime(0, 0, 0, kPerformedStartStays);

    Meas()->UpdatePos(1, kStemDefault, 1, 64);
    EXPECT_EQ(early->m_nPosX, 5);
    EXPECT_EQ(late->m_nPosX, 64);
    EXPECT_EQ(other->m_nPosX, 90);

    // A group counts while its end reaches the position.
    CKVMsg* kept = score->Beam(Meas(), {.x = 100});
    score->Note(kept, {.x = 100, .code = DUR_EIGHTH});
    score->Note(kept, {.x = 110, .code = DUR_EIGHTH});
    kept->m_nPosX2 = 110;
    Meas()->UpdateStartTime(0, 0, 0, kPerformedStartStays);
    const short start = kept->GetStartTime();
    Meas()->UpdatePos(1, kStemDefault, 1, 120);
    EXPECT_EQ(kept->m_nPosX, 100);
    Meas()->UpdatePos(1, kStemDefault, 1, 105);
    EXPECT_EQ(kept->m_nPosX, MulDiv(start, 256, 960));
    EXPECT_EQ(kept->GetMsg(1)->m_nPosX, MulDiv(start + 120, 256, 960));
    EXPECT_EQ(kept->m_nPosX2, kept->GetMsg(1)->m_nPosX);
}

TEST_F(PlacementTest, VerticalPositionSnapsToHalfLineSpacings)
{
    CKVMsg* up = score->Note(Meas(), {.x = 0, .y = -13});
    CKVMsg* down = score->Note(Meas(), {.x = 64, .y = 13});
    CKVMsg* onGrid = score->Note(Meas(), {.x = 128, .y = -24});
    for (CKVMsg* note : {up, down, onGrid})
        note->UpdatePos(0);
    // Truncated toward zero, not rounded toward the nearest step.
    EXPECT_EQ(up->m_nPosY, -8);
    EXPECT_EQ(down->m_nPosY, 8);
    EXPECT_EQ(onGrid->m_nPosY, -24);

    score->Staff(0)->m_byStaffKind = CKVStaff::KIND_ONE_LINE;
    CKVMsg* drum = score->Note(Meas(), {.x = 192, .y = -50});
    drum->UpdatePos(0);
    EXPECT_EQ(drum->m_nPosY, -32);
}

TEST_F(PlacementTest, ChordAnchorsOnTheOuterNoteFartherFromTheMiddle)
{
    // G4 and G5: the upper note lies farther out, the stem goes down from it.
    CKVMsg* high = score->Chord(Meas(), {.x = 0}, {-16, -72});
    high->UpdatePos(0);
    EXPECT_EQ(high->m_lHeight, 56);
    EXPECT_EQ(high->m_nPosY, -72);

    // E4 and E5: the lower note lies farther out, the stem goes up from it.
    CKVMsg* low = score->Chord(Meas(), {.x = 128}, {0, -56});
    low->UpdatePos(0);
    EXPECT_EQ(low->m_lHeight, -56);
    EXPECT_EQ(low->m_nPosY, 0);

    // A voice with fixed stems up keeps the anchor and turns the stem.
    CKVMsg* fixed = score->Chord(Meas(), {.x = 64, .voice = 2}, {-16, -72});
    fixed->UpdatePos(0);
    EXPECT_EQ(fixed->m_nPosY, -72);
    EXPECT_EQ(fixed->m_lHeight, -56);

    // The members are placed as well.
    CKVMsg* rough = score->Chord(Meas(), {.x = 200}, {3, -13});
    rough->UpdatePos(0);
    EXPECT_EQ(rough->GetMsg(0)->m_nPosY, 0);
    EXPECT_EQ(rough->GetMsg(1)->m_nPosY, -8);
}

TEST_F(PlacementTest, RestHeightsFollowDurationAndVoice)
{
    Make(8);
    struct Case {
        BYTE code;
        short y;
        short layout1;
    };
    const Case cases[] = {{DUR_QUARTER, -16, -16}, {DUR_EIGHTH, -16, -16}, {DUR_16TH, -8, -24},
                          {DUR_32ND, -8, -24},     {DUR_64TH, 0, -40},     {DUR_128TH, 0, -40}};
    std::vector<CKVMsg*> rests;
    short x = 0;
    for (const Case& c : cases) {
        rests.push_back(score->Rest(Meas(), {.x = x, .y = -10, .code = c.code}));
        x = static_cast<short>(x + 20);
    }
    score->Note(Meas(), {.x = 240, .y = -12, .code = DUR_EIGHTH});
    CKVMsg* high = score->Rest(Meas(), {.x = 0, .y = -10, .voice = 2});
    CKVMsg* low = score->Rest(Meas(), {.x = 0, .y = -10, .voice = 3});
    Meas()->UpdateStartTime(0, 0, 0, kPerformedStartStays);

    Meas()->UpdatePos(0, kStemDefault, 1, 0);
    for (size_t i = 0; i < rests.size(); ++i) {
        SCOPED_TRACE(static_cast<int>(cases[i].code));
        EXPECT_EQ(rests[i]->m_nPosY, cases[i].y);
        EXPECT_EQ(rests[i]->m_nLayout1, cases[i].layout1);
        EXPECT_EQ(rests[i]->m_lHeight, -21);
    }
    // Voice 2 puts its rests above the staff, voice 3 below it.
    EXPECT_EQ(high->m_nPosY, -40);
    EXPECT_EQ(high->m_lHeight, -21);
    EXPECT_EQ(low->m_nPosY, 16);
}

TEST_F(PlacementTest, RestsOutsideTheStaffSitOnLines)
{
    Make(8);
    CKVMsg* above = score->Rest(Meas(), {.x = 0, .y = -50});
    CKVMsg* below = score->Rest(Meas(), {.x = 64, .y = 13});
    CKVMsg* whole = score->Rest(Meas(), {.x = 128, .y = -50, .code = DUR_WHOLE});
    for (CKVMsg* rest : {above, below, whole})
        rest->UpdateRestPosY(0);
    EXPECT_EQ(above->m_nPosY, -48);
    EXPECT_EQ(below->m_nPosY, 16);
    EXPECT_EQ(whole->m_nPosY, -40);
    EXPECT_EQ(above->m_nLayout1, -32);
    // Without centring the whole rest keeps its position word.
    EXPECT_EQ(whole->m_nPosX, 128);
}

TEST_F(PlacementTest, RestsOnTheTwoPositionDrumStaff)
{
    Make(8);
    score->Staff(0)->m_byStaffKind = CKVStaff::KIND_DRUM_SECOND;
    struct Case {
        BYTE code;
        short y;
        short placed;
    };
    const Case cases[] = {{DUR_QUARTER, -10, 0}, {DUR_QUARTER, -16, -28}, {DUR_WHOLE, -8, -8},
                          {DUR_WHOLE, 0, -4},    {DUR_HALF, -30, -20},    {DUR_128TH, 0, 28}};
    for (const Case& c : cases) {
        CKVMsg* rest = score->Rest(Meas(), {.x = 0, .y = c.y, .code = c.code});
        rest->UpdateRestPosY(0);
        EXPECT_EQ(rest->m_nPosY, c.placed) << "code " << int(c.code) << " at " << c.y;
        EXPECT_EQ(rest->m_nLayout1, -32);
    }
}

TEST_F(PlacementTest, WholeRestsPlacedFromTimeAreCentred)
{
    Make(8);
    LayOut();
    CKVMsg* whole = score->Rest(Meas(), {.x = 0, .y = -24, .code = DUR_WHOLE});
    Meas()->UpdateStartTime(0, 0, 0, kPerformedStartStays);
    // 128 is x 167 on the page; one line spacing left, 159, is 117.
    Meas()->UpdatePos(1, kStemDefault, 1, 0);
    EXPECT_EQ(whole->m_nPosX, 117);

    whole->m_nPosX = 0;
    whole->NoteSpaceOrder();
    EXPECT_EQ(whole->m_nPosX, 117);

    // Beside other symbols it is centred too.
    score->Note(Meas(), {.x = 0, .y = -16, .voice = 2});
    Meas()->UpdateStartTime(0, 0, 0, kPerformedStartStays);
    whole->m_nPosX = 0;
    Meas()->UpdatePos(1, kStemDefault, 1, 0);
    EXPECT_EQ(whole->m_nPosX, 117);
}

TEST_F(PlacementTest, RealPositionLeavesRoomForHeadsAtTheEnd)
{
    LayOut();
    CKVMsg* note = score->Note(Meas(), {.x = 256});
    CKVMsg* clef = score->ClefChange(Meas(), 256, 2);
    EXPECT_EQ(Meas()->GetRealPosX(note), 40 + 254);
    EXPECT_EQ(Meas()->GetRealPosX(clef), 40 + 260);
    note->m_nPosX = 128;
    EXPECT_EQ(Meas()->GetRealPosX(note), 167);
    EXPECT_EQ(Meas()->GetRealPosX(nullptr), 0);
}

TEST_F(PlacementTest, BreveAloneStandsAtTheMiddle)
{
    Make(8);
    LayOut();
    CKVMsg* breve = score->Rest(Meas(), {.x = 0, .y = -24, .code = DUR_BREVE});
    breve->UpdatePos(1);
    EXPECT_EQ(breve->m_nPosX, 128);
}

TEST_F(PlacementTest, NoteSpaceOrderSpacesByTime)
{
    CKVMsg* first = score->Note(Meas(), {.x = 3});
    CKVMsg* second = score->Note(Meas(), {.x = 9});
    CKVMsg* group = score->Beam(Meas(), {.x = 20});
    std::vector<CKVMsg*> members = {score->Note(group, {.x = 20, .code = DUR_EIGHTH}),
                                    score->Rest(group, {.x = 21, .code = DUR_EIGHTH}),
                                    score->Note(group, {.x = 22, .code = DUR_EIGHTH})};
    CKVMsg* grace = score->Grace(Meas(), {.x = 250, .code = DUR_EIGHTH});
    Meas()->UpdateStartTime(0, 0, 0, kPerformedStartStays);
    ASSERT_EQ(second->m_nStartTime, 240);

    // A quarter at tick 480 of 960 stands at the middle.
    group->NoteSpaceOrder();
    EXPECT_EQ(Xs(members), (std::vector<short> {128, 160, 192}));
    EXPECT_EQ(group->m_nPosX, 128);
    EXPECT_EQ(group->m_nPosX2, 192);

    Meas()->NoteSpaceOrder(0, 1, kPerformedStartStays, kWithoutGraceNotes);
    EXPECT_EQ(first->m_nPosX, 0);
    EXPECT_EQ(second->m_nPosX, 64);
    EXPECT_EQ(grace->m_nPosX, 250);
}

TEST_F(PlacementTest, SetNotePosMovesContainersAndTremolos)
{
    CKVMsg* chord = score->Chord(Meas(), {.x = 10}, {0, -16});
    chord->SetNotePos(50);
    EXPECT_EQ(chord->m_nPosX, 50);
    EXPECT_EQ(chord->GetMsg(0)->m_nPosX, 50);
    EXPECT_EQ(chord->GetMsg(1)->m_nPosX, 50);

    CKVMsg* group = score->Beam(Meas(), {.x = 100});
    score->Note(group, {.x = 100, .code = DUR_EIGHTH});
    score->Note(group, {.x = 110, .code = DUR_EIGHTH});
    group->m_nPosX2 = 110;
    group->SetNotePos(70);
    EXPECT_EQ(group->GetMsg(0)->m_nPosX, 70);
    EXPECT_EQ(group->GetMsg(1)->m_nPosX, 70);
    EXPECT_EQ(group->m_nPosX, 70);
    EXPECT_EQ(group->m_nPosX2, 70);

    CKVMsg* start = score->Note(Meas(), {.x = 150, .flags = MSGFLAG_TREMOLO_START});
    CKVMsg* end = score->Note(Meas(), {.x = 200, .flags = MSGFLAG_TREMOLO_END});
    CKVMsg* tremolo = score->Symbol(Meas(), MSG_TREMOLO, 150);
    tremolo->m_nPosX2 = 200;
    start->SetNotePos(140);
    end->SetNotePos(210);
    EXPECT_EQ(tremolo->m_nPosX, 140);
    EXPECT_EQ(tremolo->m_nPosX2, 210);

    // Placing from time carries the tremolo along as well.
    Meas()->UpdateStartTime(0, 0, 0, kPerformedStartStays);
    end->UpdatePos(1);
    EXPECT_EQ(end->m_nPosX, MulDiv(end->m_nStartTime, 256, 960));
    EXPECT_EQ(tremolo->m_nPosX2, end->m_nPosX);
}

TEST_F(PlacementTest, HeadHandleTakesTheGlyphAtTheNoteSize)
{
    CKVDoc& doc = score->Doc();
    doc.m_sizeHead[DUR_QUARTER] = SIZE {19, 19};
    // The note gets its handles when it is added; an accidental gives the
    // second one a place.
    CKVMsg* note = score->Note(Meas(), {.x = 0, .accidental = ACCI_SHARP});
    note->m_arrCtrlPoint.GetAt(0)->m_rect = CRect(3, 3, 4, 4);

    note->NoteCtrlOffset(0);
    EXPECT_EQ(note->m_arrCtrlPoint.GetAt(0)->m_rect, CRect(0, -9, 19, 9));
    CRect accidental = note->m_arrCtrlPoint.GetAt(1)->m_rect;
    EXPECT_FALSE(::IsRectEmpty(&accidental));

    // At grace size the top rounds away from the head: -(9 x 12) / 16 as a
    // shift is -7, the bottom 6.
    note->m_wSize = MSG_SIZE_GRACE;
    note->NoteCtrlOffset(5);
    EXPECT_EQ(note->m_arrCtrlPoint.GetAt(0)->m_rect, CRect(5, -7, 19, 6));
    accidental.OffsetRect(5, 0);
    EXPECT_EQ(note->m_arrCtrlPoint.GetAt(1)->m_rect, accidental);

    // A damaged duration code reads the black head; a rest has no head handle.
    note->m_wSize = MSG_SIZE_NORMAL;
    note->m_wDuration = 31;
    doc.m_sizeHead[CKVDoc::kHeadSizes - 1] = SIZE {19, 19};
    note->NoteCtrlOffset(0);
    EXPECT_EQ(note->m_arrCtrlPoint.GetAt(0)->m_rect, CRect(0, -9, 19, 9));
    CKVMsg* rest = score->Rest(Meas(), {.x = 64});
    rest->m_arrCtrlPoint.GetAt(0)->m_rect = CRect(1, 1, 2, 2);
    rest->NoteCtrlOffset(4);
    EXPECT_EQ(rest->m_arrCtrlPoint.GetAt(0)->m_rect, CRect(1, 1, 2, 2));
}

// A 0/4 measure has no length: nothing may divide by it or place a symbol
// at -1.
TEST_F(PlacementTest, MeasureWithoutLengthKeepsPositions)
{
    score->Setup(Meas(), {.beats = 0, .beatUnit = 4});
    ASSERT_EQ(Meas()->m_nLength, 0);
    CKVMsg* note = score->Note(Meas(), {.x = 40, .y = -16});
    CKVMsg* chord = score->Chord(Meas(), {.x = 90}, {0, -24});
    CKVMsg* whole = score->Rest(Meas(), {.x = 150, .y = -24, .code = DUR_WHOLE});
    note->m_nStartTime = 120;
    Meas()->UpdatePos(0, kStemDefault, 1, 0);
    EXPECT_EQ(note->m_nPosX, 40);
    EXPECT_EQ(note->m_nPosY, -16);
    EXPECT_EQ(chord->m_nPosX, 90);
    EXPECT_EQ(whole->m_nPosX, 150);

    note->NoteSpaceOrder();
    whole->NoteSpaceOrder();
    Meas()->NoteSpaceOrder(0, 1, kPerformedStartStays, kWithoutGraceNotes);
    EXPECT_EQ(note->m_nPosX, 40);
    EXPECT_EQ(chord->GetMsg(0)->m_nPosX, 90);
    EXPECT_EQ(whole->m_nPosX, 150);
}

// A damaged file may give a line spacing of 0: there is no grid then, and
// vertical positions stay.
TEST_F(PlacementTest, LineSpacingBelowTwoKeepsVerticalPositions)
{
    for (short spacing : {0, 1}) {
        SCOPED_TRACE(spacing);
        Make(spacing);
        CKVMsg* note = score->Note(Meas(), {.x = 0, .y = -13});
        CKVMsg* rest = score->Rest(Meas(), {.x = 64, .y = -13});
        CKVMsg* high = score->Rest(Meas(), {.x = 64, .y = -11, .voice = 2});
        CKVMsg* chord = score->Chord(Meas(), {.x = 128}, {3, -13});
        Meas()->UpdateStartTime(0, 0, 0, kPerformedStartStays);
        Meas()->UpdatePos(0, kStemDefault, 1, 0);
        EXPECT_EQ(note->m_nPosY, -13);
        EXPECT_EQ(rest->m_nPosY, -13);
        EXPECT_EQ(high->m_nPosY, -11);
        EXPECT_EQ(chord->GetMsg(1)->m_nPosY, -13);
        EXPECT_EQ(rest->m_lHeight, -21);

        score->Staff(0)->m_byStaffKind = CKVStaff::KIND_DRUM_SECOND;
        rest->UpdateRestPosY(1);
        EXPECT_EQ(rest->m_nPosY, -13);
    }
}

TEST_F(PlacementTest, RestsStayWhileAnImportIsConverted)
{
    Make(8);
    CKVMsg* rest = score->Rest(Meas(), {.x = 0, .y = -50});
    bImportConverting = 1;
    rest->UpdateRestPosY(1);
    EXPECT_EQ(rest->m_nPosY, -50);
    EXPECT_EQ(rest->m_lHeight, 0);
}

} // namespace
