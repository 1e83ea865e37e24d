// Scores put together by the test builder are scores the library itself
// would keep: they save and load back equal, a note without its MIDI head is
// still refused, and their ties come through a whole-document backup, an
// edit, undo and redo with the ids they had.

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "support/CanonicalDump.h"
#include "support/KvTest.h"
#include "support/ScoreBuilder.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kvtest::ScoreBuilder;

class BuilderScoreTest : public kvtest::KvTest {
protected:
    // Two staves of three measures: in the first staff two quarters, a
    // group of two eighths, a chord and a quarter in the next measure, tied
    // inside the measure, inside the group, from the group across the bar
    // line into the chord, and from the chord on to the next quarter.
    void Build(ScoreBuilder& b)
    {
        CKVMeas* m1 = b.Meas(0, 0);
        CKVMeas* m2 = b.Meas(0, 1);
        CKVMsg* a = b.Note(m1, {.x = 0, .y = -8});
        CKVMsg* c = b.Note(m1, {.x = 128, .y = -8});
        CKVMsg* g = b.Beam(m1, {.x = 192, .code = DUR_EIGHTH});
        ASSERT_TRUE(a && c && g);
        CKVMsg* d = b.Note(g, {.x = 192, .y = -16, .code = DUR_EIGHTH});
        CKVMsg* e = b.Note(g, {.x = 224, .y = -16, .code = DUR_EIGHTH});
        CKVMsg* chord = b.Chord(m2, {.x = 0}, {-16, -32});
        CKVMsg* f = b.Note(m2, {.x = 128, .y = -32, .accidental = ACCI_SHARP});
        ASSERT_TRUE(d && e && chord && f);
        ASSERT_EQ(chord->GetMsgNum(), 2);
        ASSERT_TRUE(b.Tie(a, c));
        ASSERT_TRUE(b.Tie(d, e));
        ASSERT_TRUE(b.Tie(e, chord->GetMsg(0)));
        ASSERT_TRUE(b.Tie(chord->GetMsg(1), f));
        ASSERT_TRUE(b.Note(b.Meas(1, 2), {.x = 64, .y = 8}));
        b.Settle();
    }

    static short SaveAndLoad(CKVDoc& doc, CKVDoc& loaded)
    {
        CMemFile file;
        EXPECT_EQ(doc.Save(&file), 1);
        file.SeekToBegin();
        return loaded.Load(&file, 3);
    }
};

TEST_F(BuilderScoreTest, NotesChordsTiesAndGroupsSaveAndLoadBackEqual)
{
    ScoreBuilder b({.staves = 2, .measures = 3});
    Build(b);
    ASSERT_FALSE(HasFatalFailure());

    // Every note carries a full MIDI head with the key of its place.
    CKVMsg* first = b.Meas(0, 0)->GetMsg(0);
    ASSERT_EQ(first->GetHead(nullptr), MidiNoteHead::Size);
    const MidiNoteHead head = ScoreBuilder::GetMidiHead(first);
    EXPECT_EQ(head.byKey, 65); // F above the treble clef's bottom line
    EXPECT_EQ(head.byVoice, 1);
    EXPECT_EQ(head.dwGateTime, static_cast<DWORD>(first->m_nPlayTime));

    CKVDoc loaded;
    ASSERT_EQ(SaveAndLoad(b.Doc(), loaded), 0);
    const std::string dump = kvtest::CanonicalDump(b.Doc());
    EXPECT_EQ(std::string::npos, dump.find('?'));
    EXPECT_EQ(kvtest::CanonicalDump(loaded), dump);
}

TEST_F(BuilderScoreTest, ANoteWithoutItsMidiHeadIsStillRefused)
{
    ScoreBuilder b;
    CKVMsg* note = b.Note(b.Meas(0, 0), {});
    ASSERT_TRUE(note);
    note->SetHead(0, nullptr);
    CKVDoc loaded;
    EXPECT_EQ(SaveAndLoad(b.Doc(), loaded), -1);
}

TEST_F(BuilderScoreTest, TiesKeepTheirIdsThroughAWholeDocumentBackupAndUndo)
{
    ScoreBuilder b({.staves = 2, .measures = 3});
    Build(b);
    ASSERT_FALSE(HasFatalFailure());
    CKVDoc& doc = b.Doc();
    kvtest::StartUndoRecording(doc);
    const std::string before = kvtest::CanonicalDump(doc);

    // A trivial edit in a measure far from every tie.
    doc.ResetBackup();
    ASSERT_EQ(doc.ObjectBackup(1), 1);
    b.Meas(1, 2)->m_byKeyCount = 2;
    const std::string edited = kvtest::CanonicalDump(doc);
    EXPECT_EQ(std::string::npos, edited.find('?'));

    doc.MultiUndoStart();
    EXPECT_EQ(kvtest::CanonicalDump(doc), before);
    doc.MultiRedoStart();
    EXPECT_EQ(kvtest::CanonicalDump(doc), edited);
    doc.MultiUndoStart();
    EXPECT_EQ(kvtest::CanonicalDump(doc), before);

    // A second step on top, this time with the tied measure backed up too.
    doc.ResetBackup();
    ASSERT_EQ(doc.ObjectBackup(1), 1);
    ASSERT_EQ(b.Meas(0, 1)->ObjectBackup(kBackupRecorded, kBackupAlone), 1);
    b.Meas(0, 1)->m_byKeyCount = 3;
    doc.MultiUndoStart();
    EXPECT_EQ(kvtest::CanonicalDump(doc), before);

    CKVDoc loaded;
    ASSERT_EQ(SaveAndLoad(doc, loaded), 0);
    EXPECT_EQ(kvtest::CanonicalDump(loaded), before);
}

} // namespace
