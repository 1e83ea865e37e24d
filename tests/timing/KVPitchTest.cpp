// Keys of staff positions, spelling of keys as positions, the MIDI head and
// the grace toggle.

#include "timing/KVPitchTestScore.h"

#include <vector>

namespace {

class KVPitchTest : public kvtest::PitchScore {
protected:
    // The key of a position under a clef, read through a note of measure 0.
    short KeyAt(short clef, int y)
    {
        probe->m_nPosY = static_cast<short>(y);
        return probe->GetDoReMiFromPosY(clef, kWantKey);
    }

    void MakeProbe() { probe = Note(Meas(), 10, 0); }

    CKVMsg* probe = nullptr;
};

struct PositionKey {
    short clef;
    int y; // at L = 16
    int key;
};

const PositionKey kPositionKeys[] = {
    {1, 0, 64},   {1, 16, 60}, {1, -8, 65}, {1, -64, 77}, // treble
    {2, 0, 43},   {2, -80, 60},                           // bass
    {3, 0, 53},   {4, 0, 50},                             // alto, tenor
    {5, 0, 76},   {6, 0, 52},  {7, 0, 31},                // octave clefs
    {9, 0, 64},   {9, -8, 65},                            // free-line clef reads as treble
};

TEST_F(KVPitchTest, KeysFromPositions)
{
    MakeScore(16);
    MakeProbe();
    for (short spacing : {16, 24}) {
        SCOPED_TRACE(spacing);
        doc.m_nStaffSpace = spacing;
        for (const PositionKey& row : kPositionKeys) {
            SCOPED_TRACE(testing::Message() << "clef " << row.clef << " y " << row.y);
            EXPECT_EQ(row.key, KeyAt(row.clef, row.y * spacing / 16));
        }
        // No pitched clef: one key everywhere.
        for (short clef : {0, 10, 200}) {
            for (int y : {-200, -64, 0, 16, 300})
                EXPECT_EQ(64, KeyAt(clef, y)) << "clef " << clef << " y " << y;
        }
        // Degrees.
        probe->m_nPosY = 0;
        EXPECT_EQ(2, probe->GetDoReMiFromPosY(1, kWantDegree, kWithoutOwnAccidental));
        EXPECT_EQ(4, probe->GetDoReMiFromPosY(2, kWantDegree, kWithoutOwnAccidental));
        EXPECT_EQ(0, probe->GetDoReMiFromPosY(0, kWantDegree, kWithoutOwnAccidental));
    }
}

TEST_F(KVPitchTest, OwnAccidentalOnlyWhenAskedAndKeysClamped)
{
    MakeScore(16);
    MakeProbe();
    probe->m_byAccidental = ACCI_SHARP;
    EXPECT_EQ(64, probe->GetDoReMiFromPosY(1, kWantKey)); // the third argument defaults to 0
    EXPECT_EQ(65, probe->GetDoReMiFromPosY(1, kWantKey, kWithOwnAccidental));
    probe->m_byAccidental = ACCI_DOUBLE_FLAT;
    EXPECT_EQ(62, probe->GetDoReMiFromPosY(1, kWantKey, kWithOwnAccidental));
    probe->m_byAccidental = ACCI_NATURAL;
    EXPECT_EQ(64, probe->GetDoReMiFromPosY(1, kWantKey, kWithOwnAccidental));

    probe->m_byAccidental = 0;
    EXPECT_EQ(127, KeyAt(1, -400));
    EXPECT_EQ(0, KeyAt(2, 2000)); // far below: the step count stops at 0

    CKVMsg* rest = Note(Meas(), 20, 0);
    rest->m_byKind = MSG_REST;
    EXPECT_EQ(255, rest->GetDoReMiFromPosY(1, kWantKey, kWithoutOwnAccidental));
    EXPECT_EQ(255, rest->GetDoReMiFromPosY(1, kWantDegree, kWithoutOwnAccidental));
}

TEST_F(KVPitchTest, MeasureKeyFollowsTheClefInForceAtX)
{
    MakeScore(16);
    CKVMeas* meas = Meas();
    ClefChange(meas, 64, 2);
    EXPECT_EQ(43, meas->GetMidiKeyFromPosY(100, 0));
    EXPECT_EQ(43, meas->GetMidiKeyFromPosY(64, 0));
    EXPECT_EQ(64, meas->GetMidiKeyFromPosY(50, 0));
    // A later change wins; a drum clef reads as treble.
    ClefChange(meas, 120, 8);
    EXPECT_EQ(64, meas->GetMidiKeyFromPosY(130, 0));
    EXPECT_EQ(127, meas->GetMidiKeyFromPosY(130, -400));
}

TEST_F(KVPitchTest, OddLineSpacing)
{
    MakeScore(9);
    MakeProbe();
    EXPECT_EQ(64, KeyAt(1, 0));
    EXPECT_EQ(72, KeyAt(1, -20));
    EXPECT_EQ(60, KeyAt(1, 8));
    probe->SetParamFromMidiKey(1, 72, nullptr);
    EXPECT_EQ(-20, probe->m_nPosY);
    probe->SetParamFromMidiKey(2, 43, nullptr);
    EXPECT_EQ(0, probe->m_nPosY);
}

TEST_F(KVPitchTest, OddLineSpacingSeven)
{
    MakeScore(7);
    MakeProbe();
    EXPECT_EQ(72, KeyAt(1, -15));
    EXPECT_EQ(64, KeyAt(1, 0));
    probe->SetParamFromMidiKey(1, 72, nullptr);
    EXPECT_EQ(-15, probe->m_nPosY);
    EXPECT_EQ(0, Code(probe));
    // Every key spells to a position that reads back as that key.
    for (int key = 40; key < 100; ++key) {
        probe->m_byAccidental = 0;
        probe->SetParamFromMidiKey(1, static_cast<BYTE>(key), nullptr);
        EXPECT_EQ(key, probe->GetDoReMiFromPosY(1, kWantKey, kWithOwnAccidental)) << key;
    }
}

TEST_F(KVPitchTest, DamagedLineSpacingGivesOneKeyAndLeavesPositions)
{
    MakeScore(16);
    MakeProbe();
    for (short spacing : {1, 0, -6}) {
        SCOPED_TRACE(spacing);
        doc.m_nStaffSpace = spacing;
        for (int y : {-40, 0, 24})
            EXPECT_EQ(64, KeyAt(1, y));
        probe->m_nPosY = 24;
        EXPECT_EQ(0, probe->GetDoReMiFromPosY(1, kWantDegree, kWithoutOwnAccidental));
        probe->SetParamFromMidiKey(1, 61, nullptr);
        EXPECT_EQ(24, probe->m_nPosY);
        StoreKey(probe, 61);
        probe->OtherSetParamFromMidiKey(1);
        EXPECT_EQ(24, probe->m_nPosY);
        EXPECT_EQ(64, Key(probe));
    }
}

TEST_F(KVPitchTest, SpellingBlackKeysByTheKeySignature)
{
    MakeScore(16);
    MakeProbe();
    CKVMeas* meas = Meas();

    meas->m_byKeyType = CKVMeas::KEY_FLATS;
    meas->m_byKeyCount = 2;
    probe->SetParamFromMidiKey(1, 61, nullptr);
    EXPECT_EQ(8, probe->m_nPosY);
    EXPECT_EQ(ACCI_FLAT, Code(probe));

    for (BYTE type : {CKVMeas::KEY_SHARPS, BYTE(0)}) {
        meas->m_byKeyType = type;
        meas->m_byKeyCount = 3;
        probe->SetParamFromMidiKey(1, 61, nullptr);
        EXPECT_EQ(16, probe->m_nPosY);
        EXPECT_EQ(ACCI_SHARP, Code(probe));
    }

    probe->SetParamFromMidiKey(1, 64, nullptr);
    EXPECT_EQ(0, probe->m_nPosY);
    EXPECT_EQ(0, Code(probe));
}

TEST_F(KVPitchTest, BottomLineKeysSpellBackToTheBottomLine)
{
    MakeScore(16);
    MakeProbe();
    const struct {
        short clef;
        BYTE key;
    } rows[] = {{1, 64}, {2, 43}, {3, 53}, {4, 50}, {5, 76}, {6, 52}, {7, 31}};
    for (const auto& row : rows) {
        probe->m_nPosY = 99;
        probe->SetParamFromMidiKey(row.clef, row.key, nullptr);
        EXPECT_EQ(0, probe->m_nPosY) << "clef " << row.clef;
        EXPECT_EQ(0, Code(probe));
    }
    // Clefs without a spelling keep the position and drop the accidental.
    for (short clef : {0, 9, 12}) {
        probe->m_nPosY = -24;
        probe->m_byAccidental = ACCI_SHARP;
        probe->SetParamFromMidiKey(clef, 61, nullptr);
        EXPECT_EQ(-24, probe->m_nPosY) << clef;
        EXPECT_EQ(0, Code(probe)) << clef;
    }
}

TEST_F(KVPitchTest, OtherSpellingOfTheStoredKey)
{
    MakeScore(16);
    CKVMeas* meas = Meas();
    meas->m_byKeyType = CKVMeas::KEY_FLATS; // not consulted
    meas->m_byKeyCount = 1;
    CKVMsg* note = Note(meas, 100, 40, 0, 61);
    note->OtherSetParamFromMidiKey(0);
    EXPECT_EQ(8, note->m_nPosY);
    EXPECT_EQ(ACCI_FLAT, Code(note));
    note->OtherSetParamFromMidiKey(1);
    EXPECT_EQ(16, note->m_nPosY);
    EXPECT_EQ(ACCI_SHARP, Code(note));

    CKVMsg* white = Note(meas, 120, 40, ACCI_NATURAL, 64);
    white->OtherSetParamFromMidiKey(1);
    EXPECT_EQ(0, white->m_nPosY);
    EXPECT_EQ(0, Code(white));

    // The clef change before the note decides; the one after it does not.
    ClefChange(meas, 50, 2);
    ClefChange(meas, 150, 3);
    white->OtherSetParamFromMidiKey(1);
    EXPECT_EQ(-96, white->m_nPosY); // E4 above the bass staff
}

TEST_F(KVPitchTest, MidiHeadFromThePosition)
{
    MakeScore(16);
    CKVMsg* note = Note(Meas(), 64, 0);
    note->m_byVoice = 2;
    note->m_nStartTime = 480;
    note->m_nPerformStart = 7;
    note->MakeMidiMsgFromY(1);

    unsigned char* head = nullptr;
    ASSERT_EQ(MidiNoteHead::Size, note->GetHead(&head));
    const std::vector<unsigned char> expected = {64, 100, 64, 2, 240, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(expected, std::vector<unsigned char>(head, head + MidiNoteHead::Size));
    EXPECT_EQ(480, note->m_nPerformStart);
    EXPECT_EQ(64, note->GetMidiKey());
    EXPECT_EQ(100, note->GetVelocity());

    // A second call keeps what is stored, except key and (when asked) gate.
    EXPECT_EQ(1, note->SetVelocity(90));
    note->GetHead(&head);
    head[2] = 30;
    head[4] = 0x10;
    head[5] = 0x27; // gate 10000
    head[8] = 0xF6;
    head[9] = head[10] = head[11] = 0xFF; // offset -10
    note->m_nPosY = -8;
    note->MakeMidiMsgFromY(0);
    note->GetHead(&head);
    const std::vector<unsigned char> kept = {65, 90, 30, 2, 0x10, 0x27, 0, 0, 0xF6, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(kept, std::vector<unsigned char>(head, head + MidiNoteHead::Size));
    note->MakeMidiMsgFromY(1);
    note->GetHead(&head);
    EXPECT_EQ(240, head[4]);
    EXPECT_EQ(0, head[5]);
    EXPECT_EQ(0xF6, head[8]);
}

TEST_F(KVPitchTest, ShortHeadCountsAsAbsentForTheFieldsItLacks)
{
    MakeScore(16);
    CKVMsg* note = Note(Meas(), 64, 16);
    note->m_byVoice = 3;
    unsigned char two[2] = {1, 90};
    note->SetHead(2, two);
    EXPECT_EQ(90, note->GetVelocity());
    note->MakeMidiMsgFromY(0);
    unsigned char* head = nullptr;
    ASSERT_EQ(MidiNoteHead::Size, note->GetHead(&head));
    const std::vector<unsigned char> expected = {60, 90, 64, 3, 240, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(expected, std::vector<unsigned char>(head, head + MidiNoteHead::Size));

    unsigned char one[1] = {70};
    note->SetHead(1, one);
    EXPECT_EQ(70, note->GetMidiKey());
    EXPECT_EQ(0, note->GetVelocity());
    EXPECT_EQ(0, note->SetVelocity(5));
    EXPECT_EQ(1, note->SetMidiKey(71));
    EXPECT_EQ(71, note->GetMidiKey());
}

TEST_F(KVPitchTest, MidiHeadRefusals)
{
    MakeScore(16);
    CKVMsg* rest = Note(Meas(), 64, 0);
    rest->m_byKind = MSG_REST;
    rest->m_nStartTime = 240;
    rest->MakeMidiMsgFromY(1);
    EXPECT_EQ(0, rest->GetHead(nullptr));
    EXPECT_EQ(0, rest->m_nPerformStart);
    EXPECT_EQ(0, rest->GetMidiKey());
    EXPECT_EQ(0, rest->SetMidiKey(60));
    EXPECT_EQ(0, rest->GetVelocity());
    EXPECT_EQ(0, rest->SetVelocity(60));

    // A note without head: SetMidiKey answers 1 and changes nothing.
    CKVMsg* note = Note(Meas(), 80, 0);
    EXPECT_EQ(1, note->SetMidiKey(60));
    EXPECT_EQ(0, note->GetHead(nullptr));
    EXPECT_EQ(0, note->GetMidiKey());
    EXPECT_EQ(0, note->SetVelocity(60));
    note->UpdateMidiMsg();
    EXPECT_EQ(0, note->GetHead(nullptr));
}

TEST_F(KVPitchTest, UpdateMidiMsgRewritesTheKeyOnly)
{
    MakeScore(16);
    CKVMsg* note = Note(Meas(), 64, -8);
    const unsigned char stored[MidiNoteHead::Size] = {0, 77, 11, 5, 9, 9, 9, 9, 1, 2, 3, 4};
    note->SetHead(MidiNoteHead::Size, const_cast<unsigned char*>(stored));
    note->m_nPerformStart = 33;
    note->UpdateMidiMsg();
    unsigned char* head = nullptr;
    ASSERT_EQ(MidiNoteHead::Size, note->GetHead(&head));
    std::vector<unsigned char> expected(stored, stored + MidiNoteHead::Size);
    expected[0] = 65;
    EXPECT_EQ(expected, std::vector<unsigned char>(head, head + MidiNoteHead::Size));
    EXPECT_EQ(33, note->m_nPerformStart);
}

TEST_F(KVPitchTest, GraceToggle)
{
    MakeScore(16);
    doc.m_bGraceMark = 1;
    CKVMsg* note = Note(Meas(), 64, 0);
    note->m_nStartTime = 240;
    note->m_nPerformStart = 250;
    EXPECT_EQ(0, note->IsGraceNote());
    note->MakeGraceNote();
    EXPECT_EQ(MSGFLAG_GRACE, note->m_wFlag & MSGFLAG_GRACE);
    EXPECT_EQ(1, note->IsGraceNote());
    EXPECT_EQ(12, note->m_wSize);
    EXPECT_EQ(0, note->m_nStartTime);
    EXPECT_EQ(0, note->m_nPerformStart);
    EXPECT_EQ(79, note->m_byMark1);
    note->MakeGraceNote();
    EXPECT_EQ(0, note->m_wFlag & MSGFLAG_GRACE);
    EXPECT_EQ(16, note->m_wSize);
    EXPECT_EQ(0, note->m_byMark1);

    // The setting is off by default: the mark byte is not touched.
    doc.m_bGraceMark = 0;
    note->m_byMark1 = 5;
    note->MakeGraceNote();
    EXPECT_EQ(1, note->IsGraceNote());
    EXPECT_EQ(5, note->m_byMark1);

    // A chord toggles its flag and mark only.
    doc.m_bGraceMark = 1;
    CKVMsg* chord = Note(Meas(), 100, 0);
    chord->m_byKind = MSG_CHORD;
    chord->m_nStartTime = 480;
    chord->MakeGraceNote();
    EXPECT_EQ(1, chord->IsGraceNote());
    EXPECT_EQ(79, chord->m_byMark1);
    EXPECT_EQ(16, chord->m_wSize);
    EXPECT_EQ(480, chord->m_nStartTime);

    CKVMsg* rest = Note(Meas(), 120, 0);
    rest->m_byKind = MSG_REST;
    rest->m_wFlag = MSGFLAG_GRACE;
    EXPECT_EQ(0, rest->IsGraceNote());
    rest->MakeGraceNote();
    EXPECT_EQ(MSGFLAG_GRACE, rest->m_wFlag);
    EXPECT_EQ(16, rest->m_wSize);
}

} // namespace
