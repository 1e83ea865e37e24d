// A chord holds one note at each height: a file's unison of two spellings in
// one chord (a G and a G sharp on one line) comes in as the first of them,
// and the other is counted among the notes the import leaves out rather than
// lost without a word. So is every other note a measure refuses, by the
// reason.

#include "EncoreConvertSupport.h"

using namespace kvtest;

namespace {

constexpr BYTE kQuarter = 0x03;
constexpr BYTE kMultiRest = 33;

// A quarter at wX 90 of the given step, with an accidental code.
EncoreSymbol Quarter(signed char y, BYTE accidental = 0, WORD x = 90)
{
    EncoreSymbol s = EncNote(0, 0, x, y, 60, 120, 100, 0, kQuarter);
    s.data[10] = 7;
    s.data[11] = accidental;
    return s;
}

class EncoreUnisonNotes : public KvTest {};

TEST_F(EncoreUnisonNotes, ASecondSpellingAtANotesHeightIsCountedAndTheFirstStays)
{
    EncConvertRun run(ConvertEncore({Quarter(0), Quarter(0, ACCI_SHARP)}));
    EXPECT_EQ(run.ConvertAll(), 1);
    const std::vector<CKVMsg*> notes = NotesOf(*run.Meas());
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0]->m_byAccidental, ACCI_NONE);
    EXPECT_EQ(run.Meas()->GetMsgNum(), 1);
    EXPECT_EQ(run.enc.m_leftOutNotes.unisons, 1u);
    EXPECT_EQ(run.enc.m_dwShortSymbols, 0u);
}

TEST_F(EncoreUnisonNotes, AUnisonInAChordIsCountedAndTheChordTakesItsOtherNotes)
{
    // A chord of two notes, the unison of its lower one, a third note, and
    // the unison of the third.
    EncConvertRun run(
        ConvertEncore({Quarter(0), Quarter(4), Quarter(0, ACCI_SHARP), Quarter(-4), Quarter(-4, ACCI_FLAT)}));
    EXPECT_EQ(run.ConvertAll(), 1);
    ASSERT_EQ(run.Meas()->GetMsgNum(), 1);
    CKVMsg* chord = run.Meas()->GetMsg(0);
    ASSERT_EQ(chord->m_byKind, MSG_CHORD);
    const std::vector<CKVMsg*> notes = NotesOf(*chord);
    ASSERT_EQ(notes.size(), 3u);
    for (CKVMsg* note : notes)
        EXPECT_EQ(note->m_byAccidental, ACCI_NONE) << note->m_nPosY;
    EXPECT_EQ(run.enc.m_leftOutNotes.unisons, 2u);
}

// Notes refused for other reasons, and notes of one height in two columns,
// are no unisons.
TEST_F(EncoreUnisonNotes, OnlyAUnisonInOneChordIsCountedAsOne)
{
    EncoreFile f = ConvertEncore({Quarter(0), Quarter(0, ACCI_SHARP), Quarter(0, ACCI_SHARP, 135)});
    // A measure compressed into a multi-measure rest of two measures takes
    // no note.
    EncoreSymbol multiRest = EncRest(0, 0, 10, 0, kMultiRest);
    multiRest.data[5] = 2;
    f.measures[1].symbols = {multiRest, Quarter(0, 0, 90)};
    EncConvertRun run(f);
    EXPECT_EQ(run.ConvertAll(), 1);
    EXPECT_EQ(NotesOf(*run.Meas()).size(), 2u);
    EXPECT_EQ(run.enc.m_leftOutNotes.unisons, 1u);
    EXPECT_EQ(run.ConvertAll(1), 1);
    EXPECT_TRUE(NotesOf(*run.Meas(0, 1)).empty());
    EXPECT_EQ(run.enc.m_leftOutNotes.unisons, 1u);
}

// Notes refused for another reason, or that the score has no voice or
// duration for, are counted apart from the unisons, each reason on its own.
TEST_F(EncoreUnisonNotes, EveryOtherRefusedNoteIsCountedByItsReason)
{
    // A one-line staff holds no chord: the second height at a spot is left
    // out, a note at a spot of its own stays.
    EncoreFile oneLine = ConvertEncore({Quarter(0), Quarter(4), Quarter(4, 0, 135)});
    oneLine.tracks[0].moreBytes = {{84, 2}};
    EncoreSymbol multiRest = EncRest(0, 0, 10, 0, kMultiRest);
    multiRest.data[5] = 2;
    const EncoreFile compressed = ConvertEncore({multiRest, Quarter(0), Quarter(4, 0, 135)});
    const EncoreFile plain = ConvertEncore({Quarter(0), Quarter(4, 0, 135)});
    // The score has eight voices and no duration past a 128th.
    EncoreSymbol ninthVoice = Quarter(4, 0, 135);
    ninthVoice.voice = 8;
    EncoreSymbol pastShortest = Quarter(4, 0, 135);
    pastShortest.kind = 0x0B;
    const EncoreFile voiced = ConvertEncore({Quarter(0), ninthVoice, EncRest(0, 0, 160, 0, kQuarter, 15)});
    const EncoreFile timed = ConvertEncore({Quarter(0), pastShortest});
    const struct {
        const char* what;
        const EncoreFile& file;
        bool noLength; // the measure damaged to no length before the notes come
        DWORD LeftOutNotes::*reason;
        DWORD count;
        size_t kept;
    } cases[] = {
        {"a second height on a one-line staff", oneLine, false, &LeftOutNotes::oneLineStaff, 1, 2},
        {"a measure under a multi-measure rest", compressed, false, &LeftOutNotes::underMultiRest, 2, 0},
        {"a measure of no length", plain, true, &LeftOutNotes::refused, 2, 0},
        {"a voice beyond the eighth", voiced, false, &LeftOutNotes::beyondEighthVoice, 1, 1},
        {"a duration past a 128th", timed, false, &LeftOutNotes::unknownDuration, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EncConvertRun run(c.file);
        if (c.noLength)
            run.Meas()->m_nLength = 0;
        EXPECT_EQ(run.ConvertAll(), 1);
        EXPECT_EQ(NotesOf(*run.Meas()).size(), c.kept);
        LeftOutNotes expected;
        expected.*c.reason = c.count;
        EXPECT_TRUE(run.enc.m_leftOutNotes == expected)
            << run.enc.m_leftOutNotes.unisons << " " << run.enc.m_leftOutNotes.underMultiRest << " "
            << run.enc.m_leftOutNotes.oneLineStaff << " " << run.enc.m_leftOutNotes.refused << " "
            << run.enc.m_leftOutNotes.beyondEighthVoice << " " << run.enc.m_leftOutNotes.unknownDuration;
    }
}

// The whole import counts them the same way, from nothing whatever the
// document held.
TEST_F(EncoreUnisonNotes, TheImportCountsThemFromNothing)
{
    const std::vector<BYTE> bytes = WriteEncore(
        ConvertEncore({Quarter(0), Quarter(0, ACCI_SHARP), Quarter(4, 0, 135), Quarter(4, ACCI_FLAT, 135)}),
        EncoreOrder::Scow);
    CKVDoc doc;
    CEncDoc enc;
    enc.m_leftOutNotes.unisons = 7;
    std::unique_ptr<TestDC> dc = MakeRecordingDC(800, 600, 72);
    CMemFile file(const_cast<BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
    ASSERT_EQ(ImportEncore(file, enc, doc, dc.get(), doc.m_ScoreView, nullptr), 1);
    EXPECT_EQ(enc.m_leftOutNotes.unisons, 2u);
    std::vector<CKVMsg*> notes;
    CollectNotes(*doc.m_arrSystem.GetAt(0)->GetMeas(0, 0), notes);
    size_t heads = 0;
    for (CKVMsg* msg : notes)
        heads += msg->m_byKind == MSG_NOTE;
    EXPECT_EQ(heads, 2u);
}

} // namespace
