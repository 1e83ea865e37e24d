// The sounding key of a note in its measure (key signature, earlier
// accidentals, clef changes, ties over the bar line, cross-staff notes), and
// re-deriving and re-spelling notes from their stored keys.

#include "timing/KVPitchTestScore.h"

#include <vector>

namespace {

class KVAccidentalTest : public kvtest::PitchScore {
protected:
    void SetUp() override
    {
        PitchScore::SetUp();
        MakeScore(16);
    }

    static void SetKey(CKVMeas* meas, BYTE type, BYTE count)
    {
        meas->m_byKeyType = type;
        meas->m_byKeyCount = count;
    }
};

// Treble positions at L = 16.
constexpr short C4 = 16;
constexpr short D4 = 8;
constexpr short E4 = 0;
constexpr short F4 = -8;
constexpr short G4 = -16;
constexpr short A4 = -24;
constexpr short B4 = -32;
constexpr short F5 = -64;

TEST_F(KVAccidentalTest, AccidentalsInForce)
{
    CKVMeas* meas = Meas();
    SetKey(meas, CKVMeas::KEY_SHARPS, 1);
    CKVMsg* sharpByKey = Note(meas, 10, F4);
    CKVMsg* natural = Note(meas, 20, F4, ACCI_NATURAL);
    CKVMsg* plain = Note(meas, 30, F4);
    CKVMsg* octave = Note(meas, 40, F5);
    EXPECT_EQ(66, Key(sharpByKey));
    EXPECT_EQ(65, Key(natural));
    EXPECT_EQ(65, Key(plain));
    EXPECT_EQ(78, Key(octave));

    short degree = -1;
    short accidental = -1;
    EXPECT_EQ(65, plain->GetMidiKeyFromPosY(&degree, &accidental));
    EXPECT_EQ(3, degree);
    EXPECT_EQ(ACCI_NATURAL, accidental);
}

TEST_F(KVAccidentalTest, FlatKeySignature)
{
    CKVMeas* meas = Meas();
    SetKey(meas, CKVMeas::KEY_FLATS, 3);
    EXPECT_EQ(63, Key(Note(meas, 10, E4)));
    EXPECT_EQ(68, Key(Note(meas, 20, A4)));
    EXPECT_EQ(70, Key(Note(meas, 30, B4)));
    EXPECT_EQ(62, Key(Note(meas, 40, D4))); // not in three flats
}

TEST_F(KVAccidentalTest, ClefChangeSwitchesTheLineOfTheAccidental)
{
    CKVMeas* meas = Meas();
    Note(meas, 10, F4, ACCI_SHARP);
    ClefChange(meas, 20, 2);
    CKVMsg* later = Note(meas, 30, F4);
    EXPECT_EQ(45, Key(later));
    // The bass F3 line is a later note's own line under the new clef.
    Note(meas, 40, -48, ACCI_SHARP);
    EXPECT_EQ(54, Key(Note(meas, 50, -48)));
}

TEST_F(KVAccidentalTest, WhatIsAccidental)
{
    CKVMeas* meas = Meas();
    SetKey(meas, CKVMeas::KEY_SHARPS, 1);
    CKVMsg* plain = Note(meas, 10, F4);
    short degree = -1;
    EXPECT_EQ(ACCI_SHARP, plain->WhatIsAccidental(&degree));
    EXPECT_EQ(3, degree);
    CKVMsg* flat = Note(meas, 20, F4, ACCI_FLAT);
    CKVMsg* after = Note(meas, 30, F4);
    EXPECT_EQ(ACCI_FLAT, flat->WhatIsAccidental(nullptr));
    EXPECT_EQ(ACCI_FLAT, after->WhatIsAccidental(nullptr));
    EXPECT_EQ(0, Note(meas, 40, G4)->WhatIsAccidental(nullptr));

    CKVMeas* drum = Meas(1);
    drum->m_byInitClef = 8;
    EXPECT_EQ(-1, Note(drum, 10, F4)->WhatIsAccidental(&degree));
    CKVMsg* rest = Note(meas, 50, F4);
    rest->m_byKind = MSG_REST;
    EXPECT_EQ(-1, rest->WhatIsAccidental(&degree));
    EXPECT_EQ(-1, rest->GetMidiKeyFromPosY(nullptr, nullptr));
    EXPECT_EQ(-1, rest->GetMidiKeyFromOnlyPosY());
}

TEST_F(KVAccidentalTest, TieFromAPlainNoteOverTheBarLineCarriesItsSharp)
{
    SetKey(Meas(0), CKVMeas::KEY_SHARPS, 1);
    CKVMsg* from = Note(Meas(0), 200, F4);
    CKVMsg* to = Note(Meas(1), 10, F4, ACCI_SHARP);
    Tie(from, to);
    CKVMsg* later = Note(Meas(1), 100, F4);
    EXPECT_EQ(66, Key(later));
}

TEST_F(KVAccidentalTest, TieFromASharpNoteOverTheBarLineIsSkipped)
{
    CKVMsg* from = Note(Meas(0), 200, F4, ACCI_SHARP);
    CKVMsg* to = Note(Meas(1), 10, F4, ACCI_SHARP);
    Tie(from, to);
    CKVMsg* later = Note(Meas(1), 100, F4);
    EXPECT_EQ(65, Key(later));
    EXPECT_EQ(66, Key(to)); // its own sharp still sounds
}

TEST_F(KVAccidentalTest, TieEndInsideTheMeasureNeverSetsTheAccidental)
{
    CKVMsg* from = Note(Meas(), 10, F4);
    CKVMsg* to = Note(Meas(), 20, F4, ACCI_SHARP);
    Tie(from, to);
    EXPECT_EQ(65, Key(Note(Meas(), 30, F4)));
}

TEST_F(KVAccidentalTest, BoundsOfTheContext)
{
    // Far above the staff the natural key is 149; its sharp must not land
    // outside the table of accidentals in force.
    CKVMeas* meas = Meas();
    CKVMsg* high = Note(meas, 10, -400, ACCI_SHARP);
    CKVMsg* next = Note(meas, 20, E4);
    CKVMsg* alsoHigh = Note(meas, 30, -400);
    EXPECT_EQ(127, Key(high));
    EXPECT_EQ(64, Key(next));
    EXPECT_EQ(127, Key(alsoHigh));
    CKVMsg* low = Note(meas, 40, 2000, ACCI_FLAT);
    EXPECT_EQ(0, Key(low));
    EXPECT_EQ(64, Key(Note(meas, 50, E4)));
}

TEST_F(KVAccidentalTest, KeySignatureBounds)
{
    CKVMeas* meas = Meas();
    CKVMsg* b = Note(meas, 10, B4);
    CKVMsg* c = Note(meas, 20, C4);
    SetKey(meas, CKVMeas::KEY_SHARPS, 9);
    EXPECT_EQ(72, Key(b));
    EXPECT_EQ(61, Key(c));
    SetKey(meas, CKVMeas::KEY_FLATS, 200);
    EXPECT_EQ(70, Key(b));
    EXPECT_EQ(59, Key(c));
    // Kinds other than sharps and flats alter nothing; 0 is no signature.
    for (BYTE type : {BYTE(0), BYTE(3), BYTE(255)}) {
        SetKey(meas, type, 4);
        EXPECT_EQ(71, Key(b)) << int(type);
        EXPECT_EQ(60, Key(c)) << int(type);
    }
}

TEST_F(KVAccidentalTest, UnusedAccidentalCodesCountAsNone)
{
    CKVMeas* meas = Meas();
    SetKey(meas, CKVMeas::KEY_SHARPS, 1);
    CKVMsg* six = Note(meas, 10, F4, 6);
    EXPECT_EQ(66, Key(six));
    CKVMsg* seven = Note(meas, 20, G4, 7 | ACCI_SHIFT_LEFT);
    EXPECT_EQ(67, Key(seven));
    EXPECT_EQ(0, seven->WhatIsAccidental(nullptr));
    // Neither sets an accidental in force for later notes.
    CKVMeas* bare = Meas(1);
    Note(bare, 10, F4, 7);
    EXPECT_EQ(65, Key(Note(bare, 20, F4)));
}

TEST_F(KVAccidentalTest, CrossStaffNoteSoundsInTheStaffItIsDrawnOn)
{
    CKVDoc two;
    ASSERT_EQ(two.CreateDocument(2, 1, 1, 4, 4), 1);
    two.m_nStaffSpace = 16;
    CKVSystem* system = two.m_arrSystem.GetAt(0);
    CKVMeas* upper = system->GetMeas(0, 0);
    CKVMeas* lower = system->GetMeas(1, 0);
    lower->m_byInitClef = 2;
    SetKey(lower, CKVMeas::KEY_FLATS, 2);

    CKVMsg* note = Note(upper, 10, 200); // its own place, far below the upper staff
    note->m_wFlag = MSGFLAG_STAFF_DOWN;
    note->m_nPosY2 = -16; // B2 line in the bass staff
    upper->m_arrDownMsg.Add(note->m_dwMsgId);
    EXPECT_EQ(46, Key(note)); // B flat from the lower staff's key
    short degree = -1;
    EXPECT_EQ(ACCI_FLAT, note->WhatIsAccidental(&degree));
    EXPECT_EQ(6, degree);

    // A natural on that line in the lower staff before it is in force.
    Note(lower, 5, -16, ACCI_NATURAL);
    EXPECT_EQ(47, Key(note));
}

TEST_F(KVAccidentalTest, ContextOnlyKey)
{
    CKVMeas* meas = Meas();
    SetKey(meas, CKVMeas::KEY_SHARPS, 1);
    CKVMsg* first = Note(meas, 10, F4, ACCI_FLAT);
    EXPECT_EQ(66, first->GetMidiKeyFromOnlyPosY()); // its own accidental is not read
    CKVMsg* second = Note(meas, 20, F5);
    EXPECT_EQ(76, second->GetMidiKeyFromOnlyPosY()); // the flat holds for the degree
    CKVMsg* single = Note(meas, 30, A4);
    single->m_byKind = MSG_KEYSIGN;
    single->m_wDuration = ACCI_DOUBLE_SHARP; // on the A line
    EXPECT_EQ(71, Note(meas, 40, A4)->GetMidiKeyFromOnlyPosY());
    // Symbols at or right of the note's position are not read.
    Note(meas, 40, F4, ACCI_SHARP);
    EXPECT_EQ(64, Note(meas, 40, F4)->GetMidiKeyFromOnlyPosY());
}

TEST_F(KVAccidentalTest, ReDerivingAMeasureFromStoredKeys)
{
    CKVMeas* meas = Meas();
    SetKey(meas, CKVMeas::KEY_SHARPS, 1);
    CKVMsg* a = Note(meas, 10, C4, 0, 66);
    CKVMsg* b = Note(meas, 20, C4, 0, 65);
    CKVMsg* c = Note(meas, 30, C4, 0, 66);
    EXPECT_EQ(1, meas->SetParamFromMidiKey());
    for (CKVMsg* note : {a, b, c})
        EXPECT_EQ(F4, note->m_nPosY);
    EXPECT_EQ(ACCI_NONE, Code(a));
    EXPECT_EQ(ACCI_NATURAL, Code(b));
    EXPECT_EQ(ACCI_SHARP, Code(c));
    EXPECT_EQ(66, a->GetMidiKey());
    EXPECT_EQ(65, b->GetMidiKey());
    EXPECT_EQ(66, c->GetMidiKey());
    for (CKVMsg* note : {a, b, c})
        EXPECT_EQ(note->GetMidiKey(), Key(note));
}

TEST_F(KVAccidentalTest, ReDerivingDropsRedundantNaturals)
{
    CKVMeas* meas = Meas();
    CKVMsg* plain = Note(meas, 10, G4, ACCI_NATURAL, 67);
    CKVMsg* sharp = Note(meas, 20, F4, ACCI_SHARP, 66);
    CKVMsg* back = Note(meas, 30, F5, ACCI_NATURAL, 77);
    meas->SetParamFromMidiKey();
    EXPECT_EQ(ACCI_NONE, Code(plain));
    EXPECT_EQ(ACCI_SHARP, Code(sharp));
    EXPECT_EQ(ACCI_NATURAL, Code(back)); // an F sharp came before on the degree
}

TEST_F(KVAccidentalTest, RegulAccidants)
{
    CKVMeas* meas = Meas();
    SetKey(meas, CKVMeas::KEY_SHARPS, 1);
    CKVMsg* first = Note(meas, 10, F4, ACCI_SHARP, 66);
    CKVMsg* second = Note(meas, 20, F4, 0, 65);
    meas->RegulAccidants();
    EXPECT_EQ(ACCI_NONE, Code(first));
    EXPECT_EQ(ACCI_NATURAL, Code(second));
    EXPECT_EQ(66, Key(first));
    EXPECT_EQ(65, Key(second));
}

TEST_F(KVAccidentalTest, ReSpellingAfterAKeyChange)
{
    for (bool keep : {false, true}) {
        SCOPED_TRACE(keep);
        CKVMeas* meas = Meas(keep ? 1 : 0);
        CKVMsg* bFlat = Note(meas, 10, B4, ACCI_FLAT, 70);
        if (keep)
            bFlat->m_wFlag |= MSGFLAG_KEEP_ACCIDENTAL;
        CKVMsg* b = Note(meas, 20, B4, 0, 71);
        SetKey(meas, CKVMeas::KEY_FLATS, 2);
        meas->UpdateNoteKeySignature(kKeepSpelling, kKeepStep, kReorderChords, 0);
        EXPECT_EQ(keep ? ACCI_FLAT : ACCI_NONE, Code(bFlat));
        EXPECT_EQ(ACCI_NATURAL, Code(b));
        EXPECT_EQ(B4, bFlat->m_nPosY);
        EXPECT_EQ(B4, b->m_nPosY);
        EXPECT_EQ(70, bFlat->GetMidiKey());
        EXPECT_EQ(71, b->GetMidiKey());
        EXPECT_EQ(70, Key(bFlat));
        EXPECT_EQ(71, Key(b));
    }
}

TEST_F(KVAccidentalTest, OneNoteReSpelledToItsStoredKey)
{
    CKVMsg* c = Note(Meas(0), 10, C4, 0, 63);
    EXPECT_EQ(1, c->UpdateNoteKeySignature(kKeepSpelling, kAllowStepMove));
    EXPECT_EQ(D4, c->m_nPosY);
    EXPECT_EQ(ACCI_SHARP, Code(c));

    CKVMsg* e = Note(Meas(0), 20, E4, 0, 67);
    EXPECT_EQ(1, e->UpdateNoteKeySignature(kKeepSpelling, kAllowStepMove));
    EXPECT_EQ(G4, e->m_nPosY);
    EXPECT_EQ(ACCI_NATURAL, Code(e));

    CKVMsg* d = Note(Meas(1), 10, D4, 0, 65);
    EXPECT_EQ(1, d->UpdateNoteKeySignature(kKeepSpelling, kAllowStepMove));
    EXPECT_EQ(E4, d->m_nPosY);
    EXPECT_EQ(ACCI_SHARP, Code(d));
    d->m_nPosY = D4;
    d->m_byAccidental = 0;
    EXPECT_EQ(1, d->UpdateNoteKeySignature(kSimplifySpelling, kAllowStepMove));
    EXPECT_EQ(F4, d->m_nPosY);
    EXPECT_EQ(ACCI_NONE, Code(d));
}

TEST_F(KVAccidentalTest, OneNoteWithoutMoving)
{
    const struct {
        short y;
        int key;
    } notes[] = {{C4, 63}, {E4, 67}, {D4, 65}};
    for (const auto& row : notes) {
        CKVMsg* note = Note(Meas(), 10, row.y, 0, row.key);
        EXPECT_EQ(1, note->UpdateNoteKeySignature(kKeepSpelling, kKeepStep));
        EXPECT_EQ(row.y, note->m_nPosY);
        EXPECT_EQ(ACCI_NONE, Code(note));
        note->m_byKind = MSG_REST; // out of the next note's context
    }
}

TEST_F(KVAccidentalTest, OneNoteResults)
{
    CKVMsg* right = Note(Meas(0), 10, F4, ACCI_SHARP, 66);
    EXPECT_EQ(0, right->UpdateNoteKeySignature(kSimplifySpelling, kAllowStepMove));
    EXPECT_EQ(ACCI_SHARP, Code(right));

    CKVMsg* far = Note(Meas(1), 10, E4, 0, 69);
    EXPECT_EQ(1, far->UpdateNoteKeySignature(kKeepSpelling, kAllowStepMove));
    EXPECT_EQ(E4, far->m_nPosY);
    EXPECT_EQ(ACCI_NONE, Code(far));

    CKVMsg* rest = Note(Meas(1), 20, E4, 0, 60);
    rest->m_byKind = MSG_REST;
    EXPECT_EQ(0, rest->UpdateNoteKeySignature(kKeepSpelling, kAllowStepMove));
}

TEST_F(KVAccidentalTest, OneNoteKeepsItsStepWhenOneAccidentalDoes)
{
    // In one sharp a plain F4 storing 65 needs a natural on its own line.
    CKVMeas* meas = Meas(0);
    SetKey(meas, CKVMeas::KEY_SHARPS, 1);
    CKVMsg* f = Note(meas, 10, F4, 0, 65);
    EXPECT_EQ(1, f->UpdateNoteKeySignature(kKeepSpelling, kKeepStep));
    EXPECT_EQ(F4, f->m_nPosY);
    EXPECT_EQ(ACCI_NATURAL, Code(f));

    // E with a sharp in force needing A: three steps up and a natural.
    CKVMsg* e = Note(Meas(1), 10, E4, ACCI_SHARP, 69);
    EXPECT_EQ(1, e->UpdateNoteKeySignature(kKeepSpelling, kAllowStepMove));
    EXPECT_EQ(A4, e->m_nPosY);
    EXPECT_EQ(ACCI_NATURAL, Code(e));
}

// Whatever the position, the accidental and the stored key within four
// semitones, a re-spelled note sounds its stored key.
TEST_F(KVAccidentalTest, ReSpellingAlwaysReachesTheStoredKey)
{
    CKVMsg* note = Note(Meas(), 10, 0, 0, 60);
    for (int y = -96; y <= 48; y += 8) {
        for (int own = 0; own <= 5; ++own) {
            for (int simplify = 0; simplify <= 1; ++simplify) {
                note->m_nPosY = static_cast<short>(y);
                note->m_byAccidental = static_cast<BYTE>(own);
                const int sounding = Key(note);
                for (int d = -4; d <= 4; ++d) {
                    const int target = sounding + d;
                    if (target < 0 || target > 127)
                        continue;
                    note->m_nPosY = static_cast<short>(y);
                    note->m_byAccidental = static_cast<BYTE>(own);
                    StoreKey(note, static_cast<BYTE>(target));
                    EXPECT_EQ(d != 0 ? 1 : 0, note->UpdateNoteKeySignature(simplify, kAllowStepMove));
                    EXPECT_EQ(target, Key(note)) << "y " << y << " own " << own << " d " << d;
                    EXPECT_LE(note->m_nPosY, y + 3 * 8 + 8);
                    EXPECT_GE(note->m_nPosY, y - 3 * 8 - 8);
                }
            }
        }
    }
}

TEST_F(KVAccidentalTest, Enharmonics)
{
    const struct {
        BYTE direction;
        short y;
        BYTE accidental;
        int key;
        short newY;
        int newCode;
    } rows[] = {
        {3, D4, 0, 62, C4, ACCI_DOUBLE_SHARP},
        {3, E4, 0, 64, F4, ACCI_FLAT},
        {1, D4, ACCI_FLAT, 61, C4, ACCI_SHARP},
        {2, C4, ACCI_SHARP, 61, D4, ACCI_FLAT},
        {2, E4, ACCI_SHARP, 65, F4, ACCI_NATURAL},
        {1, C4, ACCI_FLAT, 59, C4 + 8, ACCI_NATURAL},  // C flat to B
        {3, B4, 0, 71, B4 - 8, ACCI_FLAT},            // B to C flat
        {3, C4, 0, 60, C4 + 8, ACCI_SHARP},           // C to B sharp
        {3, E4, ACCI_DOUBLE_SHARP, 66, F4, ACCI_SHARP},
        {3, G4, ACCI_DOUBLE_FLAT, 65, F4, ACCI_NATURAL},
        {1, D4, ACCI_SHARP, 63, D4, ACCI_SHARP},      // nothing to do
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << int(row.direction) << " y " << row.y);
        CKVMeas* meas = Meas(1);
        CKVMsg* note = Note(meas, 10, row.y, row.accidental, row.key);
        EXPECT_EQ(1, note->ChangeOtherName(row.direction));
        EXPECT_EQ(row.newY, note->m_nPosY);
        EXPECT_EQ(row.newCode, Code(note));
        EXPECT_EQ(row.key, note->GetMidiKey());
        EXPECT_EQ(row.key, Key(note));
        note->m_byKind = MSG_REST; // out of the next row's context
    }
    CKVMsg* rest = Note(Meas(), 10, E4);
    rest->m_byKind = MSG_REST;
    EXPECT_EQ(0, rest->ChangeOtherName(3));
    EXPECT_EQ(E4, rest->m_nPosY);
}

TEST_F(KVAccidentalTest, CorrectKeySign)
{
    CKVMeas* meas = Meas(0);
    CKVMsg* dSharp = Note(meas, 10, D4, ACCI_SHARP, 63);
    dSharp->CorrectKeySign();
    EXPECT_EQ(E4, dSharp->m_nPosY);
    EXPECT_EQ(ACCI_FLAT, Code(dSharp));
    CKVMsg* cSharp = Note(meas, 20, C4, ACCI_SHARP, 61);
    cSharp->CorrectKeySign();
    EXPECT_EQ(C4, cSharp->m_nPosY);
    EXPECT_EQ(ACCI_SHARP, Code(cSharp));
    CKVMsg* eSharp = Note(meas, 30, E4, ACCI_SHARP, 65);
    eSharp->CorrectKeySign();
    EXPECT_EQ(F4, eSharp->m_nPosY);
    EXPECT_EQ(ACCI_NONE, Code(eSharp));

    CKVMeas* flats = Meas(1);
    SetKey(flats, CKVMeas::KEY_FLATS, 1);
    CKVMsg* fSharp = Note(flats, 10, F4, ACCI_SHARP, 66);
    fSharp->CorrectKeySign();
    EXPECT_EQ(G4, fSharp->m_nPosY);
    EXPECT_EQ(ACCI_FLAT, Code(fSharp));
    CKVMsg* fFlat = Note(flats, 20, F5, ACCI_FLAT, 76);
    fFlat->CorrectKeySign();
    EXPECT_EQ(F5 + 8, fFlat->m_nPosY);
    EXPECT_EQ(ACCI_NONE, Code(fFlat));
}

} // namespace
