// Which position words fall on a note, rest, chord or beam group when a new
// symbol is entered into the measure.

#include "support/TimingFixture.h"

#include "document/KVCtrlTool.h"
#include "model/ImportState.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

using kvtest::NoteShape;

class MsgHitTest : public kvtest::TimingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 16, .staves = 1, .measures = 1}; }

    // The first and last position word that hit, with their count; every
    // word between them must hit too.
    static std::pair<int, int> HitSpan(CKVMsg* msg, BYTE voice = 1)
    {
        int first = -1;
        int last = -1;
        int count = 0;
        for (int x = -64; x <= 320; ++x) {
            if (msg->PtInRect(static_cast<short>(x), voice) == 0xFFFF)
                continue;
            EXPECT_EQ(msg->PtInRect(static_cast<short>(x), voice), msg->m_byKind);
            if (first < 0)
                first = x;
            last = x;
            ++count;
        }
        EXPECT_EQ(count, first < 0 ? 0 : last - first + 1) << "the hit range has a gap";
        return {first, last};
    }

    CKVMsg* NoteAt100(BYTE code) { return score->Note(Meas(), {.x = 100, .code = code}); }
};

using Span = std::pair<int, int>;

TEST_F(MsgHitTest, WidthFollowsTheShareOfTheMeasure)
{
    // A quarter is wider than a line spacing: the closed range p - T .. p + T.
    EXPECT_EQ(HitSpan(NoteAt100(DUR_QUARTER)), Span(84, 116));
    // Shorter values: half their share, half-open on the right.
    EXPECT_EQ(HitSpan(NoteAt100(DUR_16TH)), Span(92, 107));
    EXPECT_EQ(HitSpan(NoteAt100(DUR_32ND)), Span(96, 103));
}

TEST_F(MsgHitTest, ShortestValuesNarrowWithAutomaticPlacement)
{
    CKVMsg* note = NoteAt100(DUR_64TH);
    ASSERT_EQ(CKVCtrlTool::m_fIsAutoPos, 1);
    EXPECT_EQ(HitSpan(note), Span(99, 100));
    CKVCtrlTool::m_fIsAutoPos = 0;
    EXPECT_EQ(HitSpan(note), Span(98, 101));
}

TEST_F(MsgHitTest, RestsAndChordsHitLikeNotes)
{
    CKVMsg* rest = score->Rest(Meas(), {.x = 100, .code = DUR_QUARTER});
    EXPECT_EQ(HitSpan(rest), Span(84, 116));
    CKVMsg* chord = score->Chord(Meas(), {.x = 200, .code = DUR_16TH}, {0, -16});
    EXPECT_EQ(HitSpan(chord), Span(192, 207));
}

TEST_F(MsgHitTest, LineSpacingScalesWithTheStaffSize)
{
    score->Staff(0)->m_wObjWord = 50;
    EXPECT_EQ(HitSpan(NoteAt100(DUR_QUARTER)), Span(92, 108));
}

TEST_F(MsgHitTest, OtherVoicesAndKindsNeverHit)
{
    CKVMsg* note = score->Note(Meas(), {.x = 100, .voice = 2});
    EXPECT_EQ(note->PtInRect(100, 1), 0xFFFF);
    EXPECT_EQ(note->PtInRect(100, 2), MSG_NOTE);
    CKVMsg* clef = score->ClefChange(Meas(), 100, 2);
    EXPECT_EQ(HitSpan(clef), Span(-1, -1));
}

TEST_F(MsgHitTest, BeamGroupSpansItsEndsWithMargins)
{
    CKVMsg* group = score->Beam(Meas(), {.x = 100});
    group->m_nPosX2 = 180;
    // Half a line spacing before the start, a whole one after the end.
    EXPECT_EQ(HitSpan(group), Span(92, 196));
}

TEST_F(MsgHitTest, ImportConversionHitsOnlyTheExactPosition)
{
    CKVMsg* note = NoteAt100(DUR_QUARTER);
    bImportConverting = 1;
    EXPECT_EQ(HitSpan(note), Span(100, 100));
}

TEST_F(MsgHitTest, MeasureWithoutLengthGivesTheFullWidth)
{
    // A 0/4 measure from a damaged file must not divide by zero.
    score->Setup(Meas(), {.beats = 0, .beatUnit = 4});
    ASSERT_EQ(Meas()->m_nLength, 0);
    CKVMsg* note = NoteAt100(DUR_16TH);
    EXPECT_EQ(HitSpan(note), Span(84, 116));
    Meas()->m_nLength = -480;
    EXPECT_EQ(HitSpan(note), Span(84, 116));
}

} // namespace
