// Note marks and slides: default places from head, stem and chord, the
// toggle by type and family, fermatas on rests, and stripping the marks.

#include "support/ScoreIntegrity.h"
#include "support/SelectionSupport.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using kvtest::ExpectRoundTrip;

class NoteMarkTest : public kvtest::SelectionTest {
protected:
    void SetUp() override
    {
        SelectionTest::SetUp();
        Doc().m_nStaffSpace = 16;
        Doc().m_nFontHeight = 64;
        Doc().m_sizeMark[0] = SIZE {10, 6};
        Doc().m_sizeMark[40] = SIZE {10, 6};
        Doc().m_sizeSingle[2] = SIZE {12, 10};
        Doc().m_sizeSingle[3] = SIZE {12, 11};
    }

    CKVMsg* Live(int meas, int index) { return Doc().GetMeasure(meas, 0, 0)->GetMsg(static_cast<short>(index)); }

    POINT Mark(unsigned below, CKVMsg* note, WORD type)
    {
        CKVMsg mark;
        mark.m_byKind = MSG_NOTEMARK;
        mark.m_wHeadType = type;
        EXPECT_EQ(Doc().SetDefaultPosOfNoteMark(below, note, &mark), 1);
        return POINT {mark.m_nPosX, mark.m_nPosY};
    }

    POINT Slide(int below, CKVMsg* note, BYTE kind)
    {
        CKVMsg slide;
        slide.m_byKind = kind;
        EXPECT_EQ(Doc().SetDefaultPosOfSlide(below, note, &slide), 1);
        return POINT {slide.m_nPosX, slide.m_nPosY};
    }

    static std::vector<int> Kinds(CKVMsg* note)
    {
        std::vector<int> kinds;
        for (short i = 0; i < note->GetMsgNum(); ++i)
            kinds.push_back(note->GetMsg(i)->m_byKind);
        return kinds;
    }
};

void ExpectPoint(POINT got, LONG x, LONG y)
{
    EXPECT_EQ(got.x, x);
    EXPECT_EQ(got.y, y);
}

TEST_F(NoteMarkTest, NoteMarkPlacesByStemAndHead)
{
    CKVMsg* note = score->Note(Meas(0, 0), {.x = 0});
    note->m_nLayout1 = -40;
    ExpectPoint(Mark(0, note, 1), 11, -42);
    ExpectPoint(Mark(1, note, 1), 3, 24);
    note->m_nLayout1 = 40;
    ExpectPoint(Mark(0, note, 1), 3, -16);
    ExpectPoint(Mark(1, note, 1), -5, 50);
    ExpectPoint(Mark(0, note, 41), 3, -24);
    CKVMsg* whole = score->Note(Meas(0, 0), {.x = 64, .code = DUR_WHOLE});
    ExpectPoint(Mark(0, whole, 1), 8, -16);
    ExpectPoint(Mark(1, whole, 1), 8, 24);

    CKVMsg* chord = score->Chord(Meas(0, 1), {.x = 0}, {0, -16, -32});
    CKVMsg* low = chord->GetMsg(0);
    low->m_nLayout1 = 40;
    Doc().m_pLastMember = chord;
    EXPECT_EQ(Mark(0, low, 1).y, -48);
    Doc().m_pLastMember = nullptr;
}

TEST_F(NoteMarkTest, SlidePlacesByStemAndHead)
{
    CKVMsg* note = score->Note(Meas(0, 0), {.x = 0});
    note->m_nLayout1 = -40;
    ExpectPoint(Slide(1, note, MSG_SLIDE1), 0, 26);
    ExpectPoint(Slide(0, note, MSG_SLIDE1), 8, -15);
    note->m_nLayout1 = 40;
    ExpectPoint(Slide(1, note, MSG_SLIDE1), 0, -16);
    ExpectPoint(Slide(0, note, MSG_SLIDE1), -8, 25);
    CKVMsg* whole = score->Note(Meas(0, 0), {.x = 64, .code = DUR_WHOLE});
    ExpectPoint(Slide(1, whole, MSG_SLIDE2), 6, 27);
    ExpectPoint(Slide(0, whole, MSG_SLIDE2), 7, -14);
}

TEST_F(NoteMarkTest, MarksToggleByTypeAndFamily)
{
    score->Note(Meas(0, 0), {.x = 0});
    score->Rest(Meas(0, 0), {.x = 64});
    SelectMeas(0, 0);
    ExpectRoundTrip(Doc(), [&] { Doc().AddNoteMarkOnSelNote(0, 0, MSG_NOTEMARK, 1); });
    EXPECT_EQ(Kinds(Live(0, 0)), std::vector<int> {MSG_NOTEMARK});
    EXPECT_TRUE(Kinds(Live(0, 1)).empty());
    Doc().AddNoteMarkOnSelNote(0, 0, MSG_NOTEMARK, 1);
    EXPECT_TRUE(Kinds(Live(0, 0)).empty());

    Doc().AddNoteMarkOnSelNote(0, 0, MSG_NOTEMARK, 27);
    Doc().AddNoteMarkOnSelNote(0, 0, MSG_NOTEMARK, 26);
    EXPECT_TRUE(Kinds(Live(0, 0)).empty());

    Doc().AddNoteMarkOnSelNote(0, 0, MSG_SLIDE1, 0);
    Doc().AddNoteMarkOnSelNote(0, 0, MSG_SLIDE3, 0);
    EXPECT_TRUE(Kinds(Live(0, 0)).empty());

    Doc().AddNoteMarkOnSelNote(0, 0, MSG_NOTEMARK, 29);
    EXPECT_EQ(Kinds(Live(0, 1)), std::vector<int> {MSG_NOTEMARK});
    EXPECT_EQ(Doc().m_pLastMember, nullptr);
}

TEST_F(NoteMarkTest, AChordTakesOneMarkAndIsNotLeftCurrent)
{
    CKVMsg* chord = score->Chord(Meas(0, 0), {.x = 0}, {0, -16, -32});
    for (short i = 0; i < chord->GetMsgNum(); ++i)
        chord->GetMsg(i)->m_nLayout1 = 40;
    SelectMeas(0, 0);
    Doc().AddNoteMarkOnSelNote(0, 0, MSG_NOTEMARK, 1);
    CKVMsg* live = Live(0, 0);
    int marks = 0;
    for (short i = 0; i < live->GetMsgNum(); ++i)
        marks += static_cast<int>(Kinds(live->GetMsg(i)).size());
    EXPECT_EQ(marks, 1);
    EXPECT_EQ(Doc().m_pLastMember, nullptr);
}

TEST_F(NoteMarkTest, StrippingKeepsTiesSlursTupletsLyricsAndChordSymbols)
{
    CKVMsg* note = score->Note(Meas(0, 0), {.x = 0});
    for (BYTE kind : {MSG_NOTEMARK, MSG_SLIDE1, MSG_TIE, MSG_SLUR, MSG_TUPLET, MSG_LYRIC, MSG_DYNAMIC,
                      MSG_CHORDSYMBOL})
        score->Symbol(note, kind, 0);
    SelectMeas(0, 0);
    ExpectRoundTrip(Doc(), [&] { Doc().SelNoteDelNoteMark(0); });
    std::vector<int> kinds = Kinds(Live(0, 0));
    std::sort(kinds.begin(), kinds.end());
    EXPECT_EQ(kinds, (std::vector<int> {MSG_TIE, MSG_SLUR, MSG_TUPLET, MSG_LYRIC, MSG_CHORDSYMBOL}));
}

// A note that holds all the symbols its record counts takes no mark: marks
// for a selection of such notes are refused whole, with no step, and beside
// a note with room the full one is passed over while the other is marked.
TEST_F(NoteMarkTest, ANoteThatHoldsAllItsRecordCountsTakesNoMark)
{
    for (const BOOL recording : {1, 0}) {
        for (const bool besideRoom : {false, true}) {
            SCOPED_TRACE(std::string(besideRoom ? "beside a note with room" : "alone") +
                         (recording ? ", recording" : ", not recording"));
            TearDown();
            SetUp();
            Doc().m_bBackupRecord = recording;
            CKVMsg* full = score->Note(Meas(0, 0), {.x = 0});
            for (short i = 0; i < 255; ++i)
                score->Symbol(full, MSG_DYNAMIC, i);
            if (besideRoom)
                score->Note(Meas(0, 0), {.x = 64});
            SelectMeas(0, 0);
            const std::vector<std::string> changes =
                kvtest::QueryChanges(Doc(), [&] { Doc().AddNoteMarkOnSelNote(0, 0, MSG_NOTEMARK, 1); });
            EXPECT_EQ(changes.empty(), !besideRoom) << kvtest::Joined(changes);
            EXPECT_EQ(Live(0, 0)->GetMsgNum(), 255);
            if (besideRoom) {
                EXPECT_EQ(Kinds(Live(0, 1)), std::vector<int> {MSG_NOTEMARK});
            }
        }
    }
}

} // namespace
