// Beam group layout: stem direction, beam heights and slant, the extreme
// stem points, default sub-beam tails and breaks, and the note order of
// chords.

#include "support/TimingFixture.h"

#include <vector>

namespace {

class BeamLayoutTest : public kvtest::TimingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 16, .staves = 1, .measures = 1}; }

    void SetUp() override
    {
        kvtest::TimingTest::SetUp();
        // The music font that goes with line spacing 16: stems of 56.
        score->Doc().m_nFontHeight = 64;
        score->Doc().m_nFontHeight78 = static_cast<short>(MulDiv(28, 64, 32));
    }

    // A group of notes at the given positions and vertical positions.
    CKVMsg* Group(const std::vector<short>& xs, const std::vector<short>& ys, BYTE code)
    {
        CKVMsg* group = score->Beam(Meas(), {.x = xs.front()});
        for (size_t i = 0; i < xs.size(); ++i)
            score->Note(group, {.x = xs[i], .y = ys[i], .code = code});
        return group;
    }

    static std::vector<LONG> Stems(CKVMsg* group)
    {
        std::vector<LONG> stems;
        for (short i = 0; i < group->GetMsgNum(); ++i)
            stems.push_back(group->GetMsg(i)->m_lHeight);
        return stems;
    }
};

TEST_F(BeamLayoutTest, NotesOnOneLineGetAFlatBeam)
{
    CKVMsg* group = Group({0, 32}, {-8, -8}, DUR_EIGHTH);
    group->BeamDirection(kBeamKeepSpacing, kBeamSetHeights, kBeamAutoDirection, kBeamUp);
    EXPECT_EQ(group->m_nPosY, group->m_nPosY2);
    EXPECT_EQ(group->m_nPosY, -64);
}

TEST_F(BeamLayoutTest, RisingEighthsStemUpLowerTheStartHalfASpace)
{
    CKVMsg* group = Group({0, 32}, {0, -8}, DUR_EIGHTH);
    group->BeamDirection(kBeamKeepSpacing, kBeamSetHeights, kBeamAutoDirection, kBeamUp);
    EXPECT_EQ(group->m_lHeight, -21);
    EXPECT_EQ(group->m_nPosY, -56);
    EXPECT_EQ(group->m_nPosY2, -64);
    EXPECT_EQ(group->m_nPosX, 0);
    EXPECT_EQ(group->m_nPosX2, 32);
    EXPECT_EQ(Stems(group), (std::vector<LONG> {-56, -56}));
}

TEST_F(BeamLayoutTest, ShortNotesHighUpGoStemDownWithRoomForMoreBeams)
{
    CKVMsg* group = Group({0, 32}, {-48, -48}, DUR_32ND);
    group->BeamDirection(kBeamKeepSpacing, kBeamSetHeights, kBeamAutoDirection, kBeamUp);
    EXPECT_EQ(group->m_lHeight, 21);
    EXPECT_EQ(group->m_nPosY, 24);
    EXPECT_EQ(group->m_nPosY2, 24);
    EXPECT_EQ(Stems(group), (std::vector<LONG> {56, 56}));
}

TEST_F(BeamLayoutTest, FixedDirectionHundredTwentyEighthsAndHeightsLeftAlone)
{
    // Without the automatic rule the argument decides: 1 is down.
    CKVMsg* down = Group({0, 32}, {0, 0}, DUR_EIGHTH);
    down->BeamDirection(kBeamKeepSpacing, kBeamSetHeights, kBeamGivenDirection, kBeamDown);
    EXPECT_EQ(down->m_lHeight, 21);
    EXPECT_EQ(down->m_nPosY, 56);
    EXPECT_EQ(Stems(down), (std::vector<LONG> {56, 56}));

    // 128ths need two more spaces beyond the stem tips.
    CKVMsg* shortest = Group({64, 96}, {-8, -8}, DUR_128TH);
    shortest->BeamDirection(kBeamKeepSpacing, kBeamSetHeights, kBeamGivenDirection, kBeamUp);
    EXPECT_EQ(shortest->m_nPosY, -64 - 32);
    EXPECT_EQ(shortest->m_nPosY2, -64 - 32);

    // Without setHeights only the stems and the ends' positions change.
    CKVMsg* kept = Group({128, 160}, {0, -8}, DUR_EIGHTH);
    kept->m_nPosY = 5;
    kept->m_nPosY2 = 6;
    kept->BeamDirection(kBeamKeepSpacing, kBeamKeepHeights, kBeamGivenDirection, kBeamUp);
    EXPECT_EQ(kept->m_nPosY, 5);
    EXPECT_EQ(kept->m_nPosY2, 6);
    EXPECT_EQ(kept->m_nPosX2, 160);
    EXPECT_EQ(Stems(kept), (std::vector<LONG> {-56, -56}));
}

TEST_F(BeamLayoutTest, AChordAtTheEndIsRepresentedByTheNoteAtTheBeam)
{
    CKVMsg* group = score->Beam(Meas(), {.x = 0});
    score->Note(group, {.x = 0, .y = 0, .code = DUR_EIGHTH});
    score->Chord(group, {.x = 32, .code = DUR_EIGHTH}, {0, -24});
    group->BeamDirection(kBeamKeepSpacing, kBeamSetHeights, kBeamAutoDirection, kBeamUp);
    // Stems up: the chord's top note (-24) is the end, so the beam rises;
    // its stem tip -80 is the highest point.
    EXPECT_EQ(group->m_lHeight, -21);
    EXPECT_EQ(group->m_nPosY, -80 + 8);
    EXPECT_EQ(group->m_nPosY2, -80);
}

TEST_F(BeamLayoutTest, GroupPlacementLaysOutTheBeam)
{
    // Placement of a group hands over to the beam layout.
    CKVMsg* group = Group({0, 32}, {0, -8}, DUR_EIGHTH);
    Meas()->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    group->UpdatePos(0);
    EXPECT_EQ(group->m_lHeight, -21);
    EXPECT_EQ(group->m_nPosY, -56);
    EXPECT_EQ(group->m_nPosY2, -64);
}

TEST_F(BeamLayoutTest, ExtremeStemPoints)
{
    CKVMsg* note = score->Note(Meas(), {.x = 10, .y = 0});
    note->m_lHeight = -56;
    POINT pt {};
    ASSERT_EQ(note->GetNoteSteamUpMaxPoint(pt), 1);
    EXPECT_EQ(pt.x, 10);
    EXPECT_EQ(pt.y, -56);
    ASSERT_EQ(note->GetNoteSteamDownMaxPoint(pt), 1);
    EXPECT_EQ(pt.y, 56);

    CKVMsg* grace = score->Grace(Meas(), {.x = 20, .y = -8});
    grace->m_lHeight = 56;
    ASSERT_EQ(grace->GetNoteSteamUpMaxPoint(pt), 1);
    EXPECT_EQ(pt.y, -8 - 28);

    CKVMsg* rest = score->Rest(Meas(), {.x = 30, .y = -16});
    ASSERT_EQ(rest->GetNoteSteamDownMaxPoint(pt), 1);
    EXPECT_EQ(pt.x, 30);
    EXPECT_EQ(pt.y, -16);

    CKVMsg* group = score->Beam(Meas(), {.x = 100});
    score->Note(group, {.x = 100, .y = 0})->m_lHeight = -56;
    score->Note(group, {.x = 132, .y = -16})->m_lHeight = -56;
    score->Note(group, {.x = 164, .y = -16})->m_lHeight = -56;
    ASSERT_EQ(group->GetNoteSteamUpMaxPoint(pt), 1);
    // The first of two equally high points stays.
    EXPECT_EQ(pt.x, 132);
    EXPECT_EQ(pt.y, -72);
    ASSERT_EQ(group->GetNoteSteamDownMaxPoint(pt), 1);
    EXPECT_EQ(pt.x, 100);
    EXPECT_EQ(pt.y, 56);

    CKVMsg* empty = score->Beam(Meas(), {.x = 200});
    CKVMsg* text = score->Symbol(Meas(), MSG_FREETEXT, 210);
    EXPECT_EQ(empty->GetNoteSteamUpMaxPoint(pt), 0);
    EXPECT_EQ(text->GetNoteSteamDownMaxPoint(pt), 0);
}

TEST_F(BeamLayoutTest, DefaultTailsFollowTheGrid)
{
    // Dotted eighth then 16th: the 16th starts off the eighth grid and ends
    // on it, so its stub points back.
    CKVMsg* dotted = score->Beam(Meas(), {.x = 0});
    score->Note(dotted, {.x = 0, .code = DUR_EIGHTH, .dots = 1});
    CKVMsg* sixteenth = score->Note(dotted, {.x = 24, .code = DUR_16TH});
    // 16th then dotted eighth: the first member never gets a stub.
    CKVMsg* lead = score->Beam(Meas(), {.x = 64});
    CKVMsg* first = score->Note(lead, {.x = 64, .code = DUR_16TH, .flags = MSGFLAG_TAIL});
    score->Note(lead, {.x = 72, .code = DUR_EIGHTH, .dots = 1});
    Meas()->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    ASSERT_EQ(sixteenth->m_nStartTime, 180);

    dotted->SetSubBeamDirAsDefault();
    lead->SetSubBeamDirAsDefault();
    EXPECT_TRUE(sixteenth->m_wFlag & MSGFLAG_TAIL);
    EXPECT_FALSE(first->m_wFlag & MSGFLAG_TAIL);
}

TEST_F(BeamLayoutTest, DefaultTailsOfChordsGraceNotesAndVeryShortCodes)
{
    CKVMsg* group = score->Beam(Meas(), {.x = 0});
    score->Note(group, {.x = 0, .code = DUR_EIGHTH, .dots = 1});
    CKVMsg* chord = score->Chord(group, {.x = 24, .code = DUR_16TH}, {0, -16});
    Meas()->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    group->SetSubBeamDirAsDefault();
    EXPECT_TRUE(chord->m_wFlag & MSGFLAG_TAIL);
    EXPECT_TRUE(chord->GetMsg(0)->m_wFlag & MSGFLAG_TAIL);

    // A 16th starting on the grid loses a stub it had.
    CKVMsg* onGrid = score->Beam(Meas(), {.x = 128});
    score->Note(onGrid, {.x = 128, .code = DUR_EIGHTH});
    CKVMsg* plain = score->Note(onGrid, {.x = 160, .code = DUR_16TH, .flags = MSGFLAG_TAIL});
    // A grace note and a duration code too short for the grid keep theirs.
    CKVMsg* grace = score->Grace(onGrid, {.x = 170, .code = DUR_16TH, .flags = MSGFLAG_TAIL});
    CKVMsg* tiny = score->Note(onGrid, {.x = 180, .code = 13, .flags = MSGFLAG_TAIL});
    CKVMsg* tinyBare = score->Note(onGrid, {.x = 190, .code = 13});
    onGrid->SetSubBeamDirAsDefault();
    EXPECT_FALSE(plain->m_wFlag & MSGFLAG_TAIL);
    EXPECT_TRUE(grace->m_wFlag & MSGFLAG_TAIL);
    EXPECT_TRUE(tiny->m_wFlag & MSGFLAG_TAIL);
    EXPECT_FALSE(tinyBare->m_wFlag & MSGFLAG_TAIL);
}

TEST_F(BeamLayoutTest, SubBeamBreaksAreClearedOrSetOnMembersAndChordNotes)
{
    const WORD breaks = MSGFLAG_SUBBEAM_BREAKS;
    CKVMsg* chord = score->Chord(Meas(), {.x = 0, .flags = static_cast<WORD>(breaks | MSGFLAG_TIE_START)}, {0, -16});
    for (short i = 0; i < chord->GetMsgNum(); ++i)
        chord->GetMsg(i)->m_wFlag = breaks;
    chord->MakeSubBeam(kSubBeamJoin, kBreakOtherLevels);
    EXPECT_EQ(chord->m_wFlag, MSGFLAG_BEAM_MEMBER | MSGFLAG_TIE_START);
    for (short i = 0; i < chord->GetMsgNum(); ++i)
        EXPECT_EQ(chord->GetMsg(i)->m_wFlag, MSGFLAG_BEAM_MEMBER);

    CKVMsg* note = score->Note(Meas(), {.x = 64, .flags = MSGFLAG_SUBBEAM_BREAK});
    note->MakeSubBeam(kSubBeamBreak, kBreakLevel1);
    EXPECT_EQ(note->m_wFlag, MSGFLAG_SUBBEAM_BREAK1 | MSGFLAG_BEAM_MEMBER);
    note->MakeSubBeam(kSubBeamBreak, kBreakLevel2);
    EXPECT_EQ(note->m_wFlag, MSGFLAG_SUBBEAM_BREAK2 | MSGFLAG_BEAM_MEMBER);
    note->MakeSubBeam(kSubBeamBreak, 7);
    EXPECT_EQ(note->m_wFlag, MSGFLAG_SUBBEAM_BREAK | MSGFLAG_BEAM_MEMBER);

    // Other kinds keep their flag word, which means something else there.
    CKVMsg* text = score->Symbol(Meas(), MSG_FREETEXT, 100);
    text->m_wFlag = breaks;
    text->MakeSubBeam(kSubBeamJoin, kBreakOtherLevels);
    EXPECT_EQ(text->m_wFlag, breaks);
}

TEST_F(BeamLayoutTest, ChordSortOrdersOnlyTheNotesLowestFirst)
{
    CKVMsg* chord = score->Chord(Meas(), {.x = 0}, {});
    auto append = [&](BYTE kind, short y) {
        CKVMsg* msg = new CKVMsg;
        msg->m_byKind = kind;
        msg->m_nPosY = y;
        chord->InsertMsg(chord->GetMsgNum(), msg, kHolderOwns, kParentHere);
        return msg;
    };
    append(MSG_NOTE, 0);
    CKVMsg* lyric = append(MSG_LYRIC, 40);
    append(MSG_NOTE, 16);
    append(MSG_NOTE, -16);

    pSortSystem = nullptr;
    chord->ChordSort();
    EXPECT_EQ(pSortSystem, score->System());
    ASSERT_EQ(chord->GetMsgNum(), 4);
    EXPECT_EQ(chord->GetMsg(0)->m_nPosY, 16);
    EXPECT_EQ(chord->GetMsg(1), lyric);
    EXPECT_EQ(chord->GetMsg(2)->m_nPosY, 0);
    EXPECT_EQ(chord->GetMsg(3)->m_nPosY, -16);
}

} // namespace
