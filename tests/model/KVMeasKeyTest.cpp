// Key changes that transpose or re-spell, diatonic transposition of a
// measure, chord-name transposition and the transposition of one note by
// interval.

#include "harmony/ChordSymbol.h"
#include "support/KvTest.h"
#include "support/ScoreBuilder.h"
#include "support/ScoreTest.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class KVMeasKeyTest : public kvtest::ScoreTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 16, .staves = 1, .measures = 2}; }

    void SetUp() override
    {
        ScoreTest::SetUp();
        meas = score->Meas(0, 0);
    }

    // A quarter of voice 1 with a MIDI head holding `key`.
    CKVMsg* Note(CKVObject* parent, short x, short y, BYTE key, BYTE accidental = 0)
    {
        CKVMsg* note = score->Note(parent, {.x = x, .y = y, .accidental = accidental});
        MidiNoteHead head;
        head.byKey = key;
        head.byVoice = 1;
        kvtest::ScoreBuilder::SetMidiHead(note, head);
        return note;
    }

    CChordSymbol* ChordSymbol(CKVObject* parent, short x, short root, short bass)
    {
        auto* symbol = new CChordSymbol;
        symbol->m_nPosX = x;
        symbol->m_nRoot = root;
        symbol->m_nBass = bass;
        if (parent->m_byObjKind == OBJ_MEAS)
            EXPECT_EQ(static_cast<CKVMeas*>(parent)->AddMsg(symbol, kHolderOwns), 1);
        else
            parent->AddMsg(symbol, kHolderOwns, kParentHere);
        return symbol;
    }

    static int Key(CKVMsg* note) { return note->GetMidiKey(); }

    CKVMeas* meas = nullptr;
};

TEST_F(KVMeasKeyTest, KeyChangeTransposesNotesAndChordNamesUp)
{
    CKVMsg* e4 = Note(meas, 0, 0, 64);
    CChordSymbol* symbol = ChordSymbol(meas, 64, 0, 8); // C/F

    meas->ChangeKeySignature(CKVMeas::KEY_SHARPS, 1, CKVMeas::KEYCHG_TRANSPOSE | CKVMeas::KEYCHG_UP, 1);
    EXPECT_EQ(meas->m_byKeyType, CKVMeas::KEY_SHARPS);
    EXPECT_EQ(meas->m_byKeyCount, 1);
    EXPECT_EQ(e4->m_nPosY, -32);
    EXPECT_EQ(Key(e4), 71);
    EXPECT_EQ(symbol->m_nRoot, 10); // G
    EXPECT_EQ(symbol->m_nBass, 1);  // over C
}

TEST_F(KVMeasKeyTest, KeyChangeTransposesDownWithoutTheUpBit)
{
    CKVMsg* e4 = Note(meas, 0, 0, 64);
    CChordSymbol* symbol = ChordSymbol(meas, 64, 0, 0);

    // Without withChords the chord names stay.
    meas->ChangeKeySignature(CKVMeas::KEY_SHARPS, 1, CKVMeas::KEYCHG_TRANSPOSE, 0);
    EXPECT_EQ(e4->m_nPosY, 24);
    EXPECT_EQ(Key(e4), 59);
    EXPECT_EQ(symbol->m_nRoot, 0);
    EXPECT_EQ(symbol->m_nBass, 0);
}

TEST_F(KVMeasKeyTest, KeyChangeFromFlatsToSharpsDown)
{
    score->Setup(meas, {.keyType = CKVMeas::KEY_FLATS, .keyCount = 2});
    CKVMsg* eFlat = Note(meas, 0, 0, 63);
    meas->ChangeKeySignature(CKVMeas::KEY_SHARPS, 1, CKVMeas::KEYCHG_TRANSPOSE, 0);
    EXPECT_EQ(Key(eFlat), 60);
    EXPECT_EQ(eFlat->m_nPosY, 16);
}

TEST_F(KVMeasKeyTest, KeyChangeWithTheSameTonicMovesNothing)
{
    CKVMsg* e4 = Note(meas, 0, 0, 64);
    meas->ChangeKeySignature(CKVMeas::KEY_SHARPS, 0, CKVMeas::KEYCHG_TRANSPOSE, 0);
    EXPECT_EQ(e4->m_nPosY, 0);
    EXPECT_EQ(Key(e4), 64);

    score->Setup(meas, {.keyType = CKVMeas::KEY_FLATS, .keyCount = 0});
    meas->ChangeKeySignature(CKVMeas::KEY_SHARPS, 0, CKVMeas::KEYCHG_TRANSPOSE, 0);
    EXPECT_EQ(e4->m_nPosY, 0);
    EXPECT_EQ(Key(e4), 64);
}

TEST_F(KVMeasKeyTest, KeyCountAboveSevenIsStoredAsSeven)
{
    CKVMsg* e4 = Note(meas, 0, 0, 64);
    meas->ChangeKeySignature(CKVMeas::KEY_SHARPS, 9, 0, 0);
    EXPECT_EQ(meas->m_byKeyCount, 7);

    // Seven sharps to "twelve" flats reads as C sharp down to C flat: two
    // semitones on the same step.
    const int before = Key(e4);
    const short y = e4->m_nPosY;
    meas->ChangeKeySignature(CKVMeas::KEY_FLATS, 12, CKVMeas::KEYCHG_TRANSPOSE, 0);
    EXPECT_EQ(meas->m_byKeyCount, 7);
    EXPECT_EQ(Key(e4), before - 2);
    EXPECT_EQ(e4->m_nPosY, y);
}

TEST_F(KVMeasKeyTest, KeyChangeWithoutTranspositionRespellsForTheNewKey)
{
    CKVMsg* a = Note(meas, 0, -16, 66, ACCI_FLAT);
    CKVMsg* b = Note(meas, 64, -16, 66, ACCI_FLAT);
    meas->ChangeKeySignature(CKVMeas::KEY_SHARPS, 1, 0, 0);
    for (CKVMsg* note : {a, b}) {
        EXPECT_EQ(note->m_nPosY, -8);
        EXPECT_EQ(note->m_byAccidental & ACCI_CODE_MASK, ACCI_NONE);
        EXPECT_EQ(Key(note), 66);
    }
}

TEST_F(KVMeasKeyTest, DiatonicTranspositionMovesNotesKeysAndHungSymbols)
{
    CKVMsg* note = Note(meas, 0, 0, 64);
    CKVMsg* high = Note(meas, 64, -40, 125);
    CChordSymbol* hung = ChordSymbol(note, 0, 0, 0);
    hung->m_nPosY = -40;

    meas->TransposeInDiatonicScale(kTransposeUp, 4, 7);
    EXPECT_EQ(note->m_nPosY, -32);
    EXPECT_EQ(Key(note), 71);
    // The symbol under the note keeps its place on the staff.
    EXPECT_EQ(hung->m_nPosY, -8);
    // The key stops at the top of the range.
    EXPECT_EQ(Key(high), 127);

    CKVMsg* low = Note(meas, 128, 0, 3);
    meas->TransposeInDiatonicScale(kTransposeDown, 3, 5);
    EXPECT_EQ(Key(low), 0);
}

TEST_F(KVMeasKeyTest, DiatonicTranspositionMovesCrossStaffNotesInTheirStaff)
{
    CKVMsg* note = Note(meas, 0, 100, 64);
    note->m_wFlag = MSGFLAG_STAFF_DOWN;
    note->m_nPosY2 = 0;
    meas->TransposeInDiatonicScale(kTransposeDown, 2, 3);
    EXPECT_EQ(note->m_nPosY2, 16);
    EXPECT_EQ(note->m_nPosY, 116);
}

TEST_F(KVMeasKeyTest, ChordNamesMoveBySemitones)
{
    CChordSymbol* f = ChordSymbol(meas, 0, 5, 0);
    CChordSymbol* c = ChordSymbol(meas, 64, 0, 0);
    CChordSymbol* odd = ChordSymbol(meas, 128, 30, 30);

    meas->TransposeChordName(kTransposeDown, 5);
    EXPECT_EQ(f->m_nRoot, 14);
    EXPECT_EQ(f->m_nBass, 0);
    EXPECT_EQ(c->m_nRoot, 10);

    // More than an octave down still lands inside the octave.
    c->m_nRoot = 0;
    meas->TransposeChordName(kTransposeDown, 13);
    EXPECT_EQ(c->m_nRoot, 16);
    // Codes outside the tables are left as they are.
    EXPECT_EQ(odd->m_nRoot, 30);
    EXPECT_EQ(odd->m_nBass, 30);

    c->m_nRoot = 0;
    c->m_nBass = 8;
    meas->TransposeChordName(kTransposeUp, 19);
    EXPECT_EQ(c->m_nRoot, 10);
    EXPECT_EQ(c->m_nBass, 1);
}

TEST_F(KVMeasKeyTest, ChordBassesTakeTheirPitchFromTheSpellingTable)
{
    // F flat as a bass moves like E does; no bass stays none.
    CChordSymbol* overFFlat = ChordSymbol(meas, 0, 0, 22);
    CChordSymbol* plain = ChordSymbol(meas, 64, 0, 0);
    meas->TransposeChordName(kTransposeUp, 2);
    EXPECT_EQ(overFFlat->m_nRoot, 3);
    EXPECT_EQ(overFFlat->m_nBass, 9);
    EXPECT_EQ(plain->m_nRoot, 3);
    EXPECT_EQ(plain->m_nBass, 0);
}

TEST_F(KVMeasKeyTest, ChordNamesOnNotesAreTransposedToo)
{
    CKVMsg* note = Note(meas, 0, 0, 64);
    CChordSymbol* hung = ChordSymbol(note, 0, 0, 0);
    meas->TransposeChordName(kTransposeUp, 2);
    EXPECT_EQ(hung->m_nRoot, 3);
}

struct IntervalCase {
    int up;
    short quality;
    short steps;
    short result;
    int key;
    short y;
};

TEST_F(KVMeasKeyTest, IntervalTableGivesSemitones)
{
    const IntervalCase cases[] = {
        {1, 3, 2, 4, 68, -16}, {1, 3, 4, 7, 71, -32}, {1, 4, 3, 6, 70, -24},  {1, 1, 4, 6, 70, -32},
        {1, 3, 7, 12, 76, -56}, {1, 3, 0, 0, 64, 0},  {1, 4, 0, 1, 65, 0},    {0, 2, 1, -1, 63, 8},
        {1, 2, 3, 0, 64, -24},  {1, 4, 7, 0, 64, -56}, {1, 3, 9, 0, 64, -72},
    };
    for (const IntervalCase& c : cases) {
        CKVMsg* e4 = Note(meas, 0, 0, 64);
        EXPECT_EQ(e4->Transpose(c.up, c.quality, c.steps, 0, kTransposeApply), c.result)
            << c.quality << "/" << c.steps;
        EXPECT_EQ(Key(e4), c.key) << c.quality << "/" << c.steps;
        EXPECT_EQ(e4->m_nPosY, c.y) << c.quality << "/" << c.steps;
        score->MakeStale(e4);
    }
}

TEST_F(KVMeasKeyTest, DiatonicStepsFollowTheMajorScale)
{
    CKVMsg* e4 = Note(meas, 0, 0, 64);
    EXPECT_EQ(e4->Transpose(kTransposeUp, 0, 2, 0, kTransposeApply), 3);
    EXPECT_EQ(Key(e4), 67);
    EXPECT_EQ(e4->m_nPosY, -16);
    score->MakeStale(e4);

    e4 = Note(meas, 0, 0, 64);
    EXPECT_EQ(e4->Transpose(kTransposeUp, 0, 5, 0, kTransposeApply), 8);
    EXPECT_EQ(Key(e4), 72);
    EXPECT_EQ(e4->m_nPosY, -40);
    score->MakeStale(e4);

    CKVMsg* c4 = Note(meas, 0, 16, 60);
    EXPECT_EQ(c4->Transpose(kTransposeDown, 0, 1, 0, kTransposeApply), -1);
    EXPECT_EQ(Key(c4), 59);
    EXPECT_EQ(c4->m_nPosY, 24);
    score->MakeStale(c4);

    // A whole octave of steps is twelve semitones.
    e4 = Note(meas, 0, 0, 64);
    EXPECT_EQ(e4->Transpose(kTransposeDown, 0, 7, 0, kTransposeApply), -12);
    EXPECT_EQ(Key(e4), 52);
    score->MakeStale(e4);
}

TEST_F(KVMeasKeyTest, TransposeAddsOctavesAndClampsTheKey)
{
    CKVMsg* e4 = Note(meas, 0, 0, 64);
    EXPECT_EQ(e4->Transpose(kTransposeUp, 0, 2, 1, kTransposeApply), 15);
    EXPECT_EQ(Key(e4), 79);
    EXPECT_EQ(e4->m_nPosY, -16 - 56);

    CKVMsg* high = Note(meas, 64, -80, 120);
    EXPECT_EQ(high->Transpose(kTransposeUp, 0, 0, 1, kTransposeApply), 12);
    EXPECT_EQ(Key(high), 127);

    CKVMsg* low = Note(meas, 128, 40, 5);
    EXPECT_EQ(low->Transpose(kTransposeDown, 3, 7, 0, kTransposeApply), -12);
    EXPECT_EQ(Key(low), 0);
}

TEST_F(KVMeasKeyTest, TransposeWithoutApplyOnlyMeasures)
{
    CKVMsg* e4 = Note(meas, 0, 0, 64);
    EXPECT_EQ(e4->Transpose(kTransposeUp, 0, 5, 0, kTransposeCountOnly), 8);
    EXPECT_EQ(e4->Transpose(kTransposeUp, 3, 2, 1, kTransposeCountOnly), 16);
    EXPECT_EQ(Key(e4), 64);
    EXPECT_EQ(e4->m_nPosY, 0);

    // Only notes are transposed.
    CKVMsg* rest = score->Rest(meas, {.x = 64});
    EXPECT_EQ(rest->Transpose(kTransposeUp, 3, 2, 0, kTransposeApply), 0);
    EXPECT_EQ(rest->m_nPosY, 0);
}

TEST_F(KVMeasKeyTest, TransposeMovesACrossStaffNoteInBothPlaces)
{
    CKVMsg* note = Note(meas, 0, 100, 64);
    note->m_wFlag = MSGFLAG_STAFF_DOWN;
    note->m_nPosY2 = 0;
    EXPECT_EQ(note->Transpose(kTransposeUp, 3, 2, 0, kTransposeApply), 4);
    EXPECT_EQ(note->m_nPosY, 84);
    EXPECT_EQ(note->m_nPosY2, -16);
}

} // namespace
