// Drum staves: keys, note heads and positions through the host's kit table,
// and making a staff a drum staff.

#include "model/DrumTable.h"
#include "support/DrumKit.h"
#include "timing/KVPitchTestScore.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

class KVDrumPitchTest : public kvtest::PitchScore {
protected:
    void SetUp() override
    {
        PitchScore::SetUp();
        MakeScore(16);

        kvtest::DrumKitFields fields;
        fields.keyWords[38] = 0x8000 | (2 << 8) | 12; // fixed, head type 3, row 12
        fields.keyWords[42] = (1 << 8) | 4;           // head type 2, row 4
        fields.keys[0][0] = 35;
        fields.keys[0][12] = 39;
        fields.keys[0][13] = 40;
        fields.keys[0][17] = 57;
        fields.keys[2][12] = 38;
        fields.defaultHeads[12] = 2;
        kits.push_back(kvtest::MakeDrumKitEntry("Standard", fields));
        kits.push_back(kvtest::MakeDrumKitEntry("Brushes", fields));
        for (auto& kit : kits)
            table.Add(kit.data());
    }

    // Makes staff 0 a drum staff of kit 0 without the clef change.
    void UseKit()
    {
        SetDrumTable(&table);
        unsigned char head[kDrumKitRecordSize] = {};
        std::memcpy(head + kDrumKitRecordNameOffset, "Standard", 8);
        Staff()->SetHead(kDrumKitRecordSize, head);
        Staff()->m_byStaffKind = CKVStaff::KIND_DRUM;
        Staff()->m_byClefType = 8;
        for (int i = 0; i < Staff()->GetMeasNum(); ++i)
            Staff()->GetMeas(i)->m_byInitClef = 8;
    }

    CKVMsg* DrumNote(short y, WORD headType, int key = -1)
    {
        CKVMsg* note = Note(Meas(), 10, y, 0, key);
        note->m_wHeadType = headType;
        return note;
    }

    std::vector<std::vector<BYTE>> kits;
    CPtrArray table;
};

TEST_F(KVDrumPitchTest, KeysOfDrumPositions)
{
    UseKit();
    CKVMsg* note = DrumNote(0, 1, 77);
    const struct {
        short y;
        int key;
    } rows[] = {{-104, 35}, {32, 57}, {40, 77}, {-4, 40}, {-8, 39}, {-112, 77}};
    for (const auto& row : rows) {
        note->m_nPosY = row.y;
        EXPECT_EQ(row.key, note->GetDoReMiFromPosY(8, kWantKey, kWithoutOwnAccidental)) << "y " << row.y;
    }
    // A head type outside the table reads the stored key, an empty cell too.
    note->m_nPosY = -8;
    note->m_wHeadType = 0;
    EXPECT_EQ(77, note->GetDoReMiFromPosY(8, kWantKey, kWithoutOwnAccidental));
    note->m_wHeadType = 19;
    EXPECT_EQ(77, note->GetDoReMiFromPosY(8, kWantKey, kWithoutOwnAccidental));
    note->m_wHeadType = 5;
    EXPECT_EQ(77, note->GetDoReMiFromPosY(8, kWantKey, kWithoutOwnAccidental));

    // On a drum staff the sounding key is the kit's, whatever the accidental.
    note->m_wHeadType = 1;
    note->m_byAccidental = ACCI_SHARP;
    EXPECT_EQ(39, Key(note));
}

TEST_F(KVDrumPitchTest, WithoutAKitTheKeyIsZero)
{
    CKVMsg* note = DrumNote(-104, 1, 77);
    EXPECT_EQ(0, note->GetDoReMiFromPosY(8, kWantKey, kWithoutOwnAccidental)); // no table
    SetDrumTable(&table);
    EXPECT_EQ(0, note->GetDoReMiFromPosY(8, kWantKey, kWithoutOwnAccidental)); // the staff has no kit record

    CKVMsg loose;
    loose.m_byKind = MSG_NOTE;
    EXPECT_EQ(0, loose.GetDoReMiFromPosY(8, kWantKey, kWithoutOwnAccidental)); // no measure
}

TEST_F(KVDrumPitchTest, HeadTypeOfAPosition)
{
    CKVMeas* meas = Meas();
    EXPECT_EQ(2, meas->GetDrumHeadType(-8)); // no kit
    UseKit();
    EXPECT_EQ(3, meas->GetDrumHeadType(-8));
    EXPECT_EQ(3, meas->GetDrumHeadType(-15));
    EXPECT_EQ(1, meas->GetDrumHeadType(0));
    EXPECT_EQ(2, meas->GetDrumHeadType(40));
    EXPECT_EQ(2, meas->GetDrumHeadType(-112));
    doc.m_nStaffSpace = 1;
    EXPECT_EQ(2, meas->GetDrumHeadType(-8));
}

TEST_F(KVDrumPitchTest, HeadAndPositionOfAKey)
{
    CKVMeas* meas = Meas();
    int y = 5;
    EXPECT_EQ(2, meas->GetDrumHeadAndPosByMidi(0, 38, y)); // no kit
    EXPECT_EQ(5, y);
    UseKit();
    EXPECT_EQ(3, meas->GetDrumHeadAndPosByMidi(1, 38, y));
    EXPECT_EQ(-8, y);
    y = 5;
    EXPECT_EQ(2, meas->GetDrumHeadAndPosByMidi(1, 42, y));
    EXPECT_EQ(5, y);
    EXPECT_EQ(2, meas->GetDrumHeadAndPosByMidi(0, 42, y));
    EXPECT_EQ(-72, y);
    // Keys outside the kit's 128 words.
    y = 5;
    EXPECT_EQ(2, meas->GetDrumHeadAndPosByMidi(0, 200, y));
    EXPECT_EQ(2, meas->GetDrumHeadAndPosByMidi(0, -1, y));
    EXPECT_EQ(5, y);

    CKVMeas alone;
    EXPECT_EQ(2, alone.GetDrumHeadAndPosByMidi(0, 38, y));
    EXPECT_EQ(5, y);
}

TEST_F(KVDrumPitchTest, SpellingUnderTheDrumClef)
{
    CKVMsg* note = DrumNote(24, 1, 38);
    note->m_byAccidental = ACCI_SHARP;
    // Without a kit entry the note stays as it is.
    note->SetParamFromMidiKey(8, 38, Staff());
    EXPECT_EQ(24, note->m_nPosY);
    EXPECT_EQ(1, note->m_wHeadType);
    EXPECT_EQ(ACCI_SHARP, Code(note));

    UseKit();
    note->SetParamFromMidiKey(8, 200, Staff());
    EXPECT_EQ(24, note->m_nPosY);
    note->SetParamFromMidiKey(8, 38, Staff());
    EXPECT_EQ(-8, note->m_nPosY);
    EXPECT_EQ(3, note->m_wHeadType);
    EXPECT_EQ(0, Code(note));
    // Without a staff the kit at the current index answers.
    note->SetParamFromMidiKey(8, 42, nullptr);
    EXPECT_EQ(-72, note->m_nPosY);
    EXPECT_EQ(2, note->m_wHeadType);

    // The other spelling reads the note's own staff.
    note->m_nPosY = 0;
    note->OtherSetParamFromMidiKey(1);
    EXPECT_EQ(-8, note->m_nPosY);
    EXPECT_EQ(3, note->m_wHeadType);
}

TEST_F(KVDrumPitchTest, DrumMeasureReDerivedFromKeysAndFromPositions)
{
    UseKit();
    CKVMsg* hat = DrumNote(0, 1, 42);
    hat->m_byAccidental = ACCI_FLAT;
    CKVMeas* meas = Meas();
    EXPECT_EQ(1, meas->SetParamFromMidiKey());
    EXPECT_EQ(-72, hat->m_nPosY);
    EXPECT_EQ(2, hat->m_wHeadType);
    EXPECT_EQ(0, Code(hat));

    hat->m_nPosY = -8;
    EXPECT_EQ(1, meas->SetParamFromDrumTable(1));
    EXPECT_EQ(3, hat->m_wHeadType);
    EXPECT_EQ(38, hat->GetMidiKey());

    // Re-spelling leaves drum staves alone.
    hat->m_byAccidental = ACCI_SHARP;
    meas->UpdateNoteKeySignature(kSimplifySpelling, kAllowStepMove, kReorderChords, 0);
    EXPECT_EQ(ACCI_SHARP, Code(hat));
}

TEST_F(KVDrumPitchTest, ClefEightMakesADrumStaff)
{
    SetDrumTable(&table);
    SetDrumIndex(1);
    CKVStaff* staff = Staff();
    staff->SetClefType(8);
    EXPECT_EQ(CKVStaff::KIND_DRUM, staff->m_byStaffKind);
    EXPECT_EQ(8, staff->m_byClefType);
    for (int v = 0; v < CKVStaff::VOICES; ++v)
        EXPECT_EQ(9, staff->m_byChannel[v]);
    for (int i = 0; i < staff->GetMeasNum(); ++i)
        EXPECT_EQ(8, staff->GetMeas(i)->m_byInitClef);

    unsigned char* head = nullptr;
    ASSERT_EQ(kDrumKitRecordSize, staff->GetHead(&head));
    std::vector<unsigned char> expected(kDrumKitRecordSize, 0);
    expected[0] = 1;
    std::memcpy(expected.data() + kDrumKitRecordNameOffset, "Brushes", 7);
    EXPECT_EQ(expected, std::vector<unsigned char>(head, head + kDrumKitRecordSize));
    EXPECT_EQ(reinterpret_cast<DrumKitEntry*>(kits[1].data()), GetDrumTable(staff));
}

TEST_F(KVDrumPitchTest, ClefEightWithoutAKitLeavesAOneLineStaff)
{
    CKVStaff* staff = Staff();
    unsigned char old[3] = {'o', 'l', 'd'};
    staff->SetHead(3, old);
    staff->SetClefType(8);
    EXPECT_EQ(CKVStaff::KIND_ONE_LINE, staff->m_byStaffKind);
    unsigned char* head = nullptr;
    ASSERT_EQ(3, staff->GetHead(&head));
    EXPECT_EQ(0, std::memcmp(head, old, 3));
    EXPECT_EQ(0, staff->m_byChannel[0]);

    // An index past the table is no kit either.
    SetDrumTable(&table);
    SetDrumIndex(7);
    staff->SetClefType(8);
    EXPECT_EQ(CKVStaff::KIND_ONE_LINE, staff->m_byStaffKind);
    EXPECT_EQ(3, staff->GetHead(nullptr));
}

TEST_F(KVDrumPitchTest, PitchedClefKeepsTheStaffKind)
{
    CKVStaff* staff = Staff();
    CKVMsg* note = Note(Meas(), 10, 16, 0, 64); // stored E4 at the C4 place
    staff->SetClefType(2);
    EXPECT_EQ(CKVStaff::KIND_NORMAL, staff->m_byStaffKind);
    EXPECT_EQ(2, staff->m_byClefType);
    EXPECT_EQ(2, Meas()->m_byInitClef);
    EXPECT_EQ(-96, note->m_nPosY); // E4 spelled again under the bass clef

    // A drum staff stays one under a pitched clef.
    staff->m_byStaffKind = CKVStaff::KIND_DRUM;
    staff->SetClefType(1);
    EXPECT_EQ(CKVStaff::KIND_DRUM, staff->m_byStaffKind);
    EXPECT_EQ(1, staff->m_byClefType);
}

} // namespace
