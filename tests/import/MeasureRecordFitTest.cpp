// An imported measure that holds more symbols than its record counts gives
// way at its end: what goes takes its ties and tuplets along, and what stays
// is whole.

#include "import/LeftOutNotes.h"
#include "import/MeasureRecordFit.h"
#include "support/KvTest.h"
#include "support/ScoreBuilder.h"
#include "support/ScoreIntegrity.h"
#include "timing/TieLinks.h"

using namespace kvtest;

namespace {

class MeasureRecordFit : public KvTest {};

// 257 triplet sixteenths and a clef change among them: the three latest
// notes go. A tuplet from a note that stays to one that goes ends at the last note
// that stays, a tie into a note that goes leaves the note that stays, and a
// tie from a note that goes into the next measure leaves the note there.
TEST_F(MeasureRecordFit, WhatGoesTakesItsLinksAlong)
{
    ScoreBuilder b({.lineSpacing = 16, .staves = 1, .measures = 2});
    CKVMeas* meas = b.Meas(0, 0);
    std::vector<CKVMsg*> notes;
    for (short x = 0; x <= 256; ++x)
        notes.push_back(b.Note(meas, {.x = x, .code = DUR_16TH, .tuplet = 0x0203}));
    CKVMsg* clef = b.ClefChange(meas, 255, 2);
    CKVMsg* next = b.Note(b.Meas(0, 1), {.x = 0});
    b.Tie(notes[253], notes[254]);
    b.Tie(notes[256], next);
    b.Settle();
    // The tuplet's notes stand unbeamed, as where the measure held no room
    // to group them.
    meas->MakeRangeTupletMsg(1, 252, 255);
    meas->DisAssembleBeam(BYTE {1});
    ASSERT_EQ(meas->GetMsgNum(), 258);

    LeftOutNotes leftOut;
    ASSERT_TRUE(kvimport::FitMeasureToRecord(b.Doc(), *meas, leftOut));
    LeftOutNotes expected;
    expected.crowdedMeasure = 3;
    EXPECT_TRUE(leftOut == expected) << leftOut.crowdedMeasure;
    EXPECT_EQ(meas->GetMsgNum(), 255);
    EXPECT_GE(tielink::IndexOfChild(*meas, clef), 0);
    for (int i = 0; i <= 256; ++i)
        EXPECT_EQ(tielink::IndexOfChild(*meas, notes[i]) >= 0, i < 254) << i;
    EXPECT_EQ(notes[253]->m_wFlag & MSGFLAG_TIE_START, 0);
    EXPECT_EQ(next->m_wFlag & MSGFLAG_TIE_END, 0);
    EXPECT_EQ(next->GetMsgNum(), 0);
    // The import records no undo step, so no relink record is left open.
    EXPECT_EQ(b.Doc().m_arrSlurBackup.GetSize(), 0);
    EXPECT_EQ(Joined(IntegrityProblems(b.Doc())), "");
    EXPECT_FALSE(SavedBytes(b.Doc()).empty());

    // A measure within its record is left as it is.
    const std::vector<unsigned char> saved = SavedBytes(b.Doc());
    EXPECT_TRUE(kvimport::FitMeasureToRecord(b.Doc(), *meas, leftOut));
    EXPECT_EQ(SavedBytes(b.Doc()), saved);
    EXPECT_TRUE(leftOut == expected);
}

// A measure of 258 clef changes and two notes: the notes go first, counted,
// then the three earliest clef changes, which only handed the clef on; the
// last, which the next measure takes its clef from, stays and the score
// can be saved.
TEST_F(MeasureRecordFit, ClefChangesPastTheRecordKeepTheLatest)
{
    ScoreBuilder b({.lineSpacing = 16, .staves = 1, .measures = 2});
    CKVMeas* meas = b.Meas(0, 0);
    std::vector<CKVMsg*> clefs;
    for (short i = 0; i < 258; ++i)
        clefs.push_back(b.ClefChange(meas, static_cast<short>(i / 2), static_cast<BYTE>(1 + i % 4)));
    b.Note(meas, {.x = 10});
    b.Note(meas, {.x = 200});
    b.Settle();

    LeftOutNotes leftOut;
    ASSERT_TRUE(kvimport::FitMeasureToRecord(b.Doc(), *meas, leftOut));
    EXPECT_EQ(leftOut.crowdedMeasure, 2u);
    EXPECT_EQ(meas->GetMsgNum(), 255);
    for (size_t i = 0; i < clefs.size(); ++i)
        EXPECT_EQ(tielink::IndexOfChild(*meas, clefs[i]) >= 0, i >= 3) << i;
    EXPECT_FALSE(SavedBytes(b.Doc()).empty());
}

} // namespace
