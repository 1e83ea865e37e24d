// Tuplets: rebuilding a voice's tuplet symbols, tuplet ratios over ranges,
// placing the bracket, the highest point of a voice, re-forming every tuplet
// of the score, and handing a tuplet over when one of its notes is deleted.

#include "support/TimingFixture.h"

#include "model/ImportState.h"
#include "model/TickMath.h"
#include "platform/AllocHook.h"
#include "platform/ProcessState.h"
#include "timing/TupletState.h"

#include <algorithm>
#include <set>

namespace {

constexpr WORD kTriplet = 0x0203;

class TupletTest : public kvtest::TimingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 16, .staves = 1, .measures = 2}; }

    void SetUp() override
    {
        TimingTest::SetUp();
        // The music font that goes with L = 16, and its stem length.
        score->Doc().m_nFontHeight = 64;
        score->Doc().m_nFontHeight78 = 56;
    }

    // The tuplet symbols a symbol holds directly, with their ownership bytes.
    static std::vector<std::pair<CKVMsg*, BYTE>> Held(CKVMsg* msg)
    {
        std::vector<std::pair<CKVMsg*, BYTE>> held;
        for (short i = 0; i < msg->GetMsgNum(); ++i) {
            CKVMsg* child = msg->GetMsg(i);
            if (child && child->m_byKind == MSG_TUPLET)
                held.emplace_back(child, msg->m_arrMsgRef.GetAt(i)->byOwner);
        }
        return held;
    }

    static CKVMsg* TupletOf(CKVMsg* msg)
    {
        const auto held = Held(msg);
        return held.empty() ? nullptr : held.front().first;
    }

    // Ownership byte of the holder's reference to the tuplet; -1 for none.
    static int Ownership(CKVMsg* holder, CKVMsg* tuplet)
    {
        for (const auto& [t, owner] : Held(holder)) {
            if (t == tuplet)
                return owner;
        }
        return -1;
    }

    // The distinct tuplets that the notes hold.
    static std::vector<CKVMsg*> Tuplets(const std::vector<CKVMsg*>& notes)
    {
        std::vector<CKVMsg*> found;
        for (CKVMsg* note : notes) {
            for (const auto& [t, owner] : Held(note)) {
                if (std::find(found.begin(), found.end(), t) == found.end())
                    found.push_back(t);
            }
        }
        return found;
    }

    // The beam group of the measure that holds the note; null when the note
    // is not beamed.
    static CKVMsg* GroupOf(CKVMeas* m, CKVMsg* note)
    {
        for (short i = 0; i < m->GetMsgNum(); ++i) {
            CKVMsg* group = m->GetMsg(i);
            if (!group || group->m_byKind != MSG_BEAM)
                continue;
            for (short j = 0; j < group->GetMsgNum(); ++j) {
                if (group->GetMsg(j) == note)
                    return group;
            }
        }
        return nullptr;
    }

    static DWORD FirstId(CKVMsg* tuplet) { return tuplet->m_dwWord; }
    static DWORD LastId(CKVMsg* tuplet) { return static_cast<DWORD>(tuplet->m_lHeight); }

    // A note's deletion in the document's order.
    void Delete(CKVMsg* note)
    {
        CKVMeas* meas = tickmath::MeasureOf(note);
        ASSERT_NE(meas, nullptr);
        Doc().TupletMsgDelProc(note);
        Doc().TieSlurMsgDelProc(note);
        meas->DeleteMsg(note, kUnlinkAndFree);
    }

    bool OnDeleteList(CKVMsg* msg)
    {
        for (int i = 0; i < Doc().m_arrDeleteMsgId.GetSize(); ++i) {
            if (Doc().m_arrDeleteMsgId.GetAt(i) == msg->m_dwMsgId)
                return true;
        }
        return false;
    }

    // count notes of one value and tuplet word, 16 apart, with their
    // start times, made into tuplets and beamed.
    std::vector<CKVMsg*> Tupleted(int count, BYTE code, WORD word, short step = 16)
    {
        std::vector<CKVMsg*> notes = Row(Meas(), count, code, word, 0, step);
        Meas()->UpdateStartTime(1, 0, 0, kPerformedStartStays);
        Meas()->MakeTupletMsg(1, kStemDefault, kAutoBeam);
        return notes;
    }
};

// --- Rebuilding a voice's tuplets ------------------------------------------

TEST_F(TupletTest, FourTripletEighthsGetTwoTuplets)
{
    std::vector<CKVMsg*> n = Tupleted(4, DUR_EIGHTH, kTriplet);
    ASSERT_EQ(Tuplets(n).size(), 2u);
    CKVMsg* first = TupletOf(n[0]);
    CKVMsg* second = TupletOf(n[3]);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_NE(first, second);

    EXPECT_EQ(first->m_byKind, MSG_TUPLET);
    EXPECT_EQ(FirstId(first), n[0]->m_dwMsgId);
    EXPECT_EQ(LastId(first), n[2]->m_dwMsgId);
    EXPECT_EQ(Ownership(n[0], first), 1);
    EXPECT_EQ(Ownership(n[1], first), 0);
    EXPECT_EQ(Ownership(n[2], first), 0);
    EXPECT_EQ(first->m_wObjWord, kTriplet);
    EXPECT_EQ(first->m_wDuration, DUR_EIGHTH);
    EXPECT_EQ(first->m_byReplace, 1);

    EXPECT_EQ(Held(n[3]).size(), 1u);
    EXPECT_EQ(Ownership(n[3], second), 1);
    EXPECT_EQ(FirstId(second), n[3]->m_dwMsgId);
    EXPECT_EQ(LastId(second), n[3]->m_dwMsgId);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Ownership(n[i], second), -1) << i;

    // The first three are beamed together; the fourth stands alone.
    CKVMsg* group = GroupOf(Meas(), n[0]);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->GetMsgNum(), 3);
    EXPECT_EQ(GroupOf(Meas(), n[1]), group);
    EXPECT_EQ(GroupOf(Meas(), n[2]), group);
    EXPECT_EQ(GroupOf(Meas(), n[3]), nullptr);
}

TEST_F(TupletTest, RebuildingReplacesTheOldTupletsAndGoesByTicks)
{
    // Seven 16ths under 4:7 fill one tuplet; rebuilding twice still leaves
    // one.
    std::vector<CKVMsg*> n = Tupleted(7, DUR_16TH, 0x0407, 8);
    Meas()->MakeTupletMsg(1, kStemDefault, kAutoBeam);
    ASSERT_EQ(Tuplets(n).size(), 1u);
    CKVMsg* t = TupletOf(n[0]);
    EXPECT_EQ(FirstId(t), n[0]->m_dwMsgId);
    EXPECT_EQ(LastId(t), n[6]->m_dwMsgId);
    EXPECT_EQ(Ownership(n[0], t), 1);

    // A different tuplet word closes the open tuplet.
    CKVMeas* m = Meas(0, 1);
    CKVMsg* a = score->Note(m, {.x = 0, .code = DUR_EIGHTH, .tuplet = kTriplet});
    CKVMsg* b = score->Note(m, {.x = 16, .code = DUR_EIGHTH, .tuplet = 0x0405});
    m->MakeTupletMsg(1, kStemDefault, kKeepBeams);
    ASSERT_NE(TupletOf(a), nullptr);
    ASSERT_NE(TupletOf(b), nullptr);
    EXPECT_NE(TupletOf(a), TupletOf(b));
    // Without autoBeam nothing is beamed.
    EXPECT_EQ(a->m_pParent, m);
}

TEST_F(TupletTest, GraceNotesNeverShareATupletWithNormalNotes)
{
    CKVMeas* m = Meas();
    std::vector<CKVMsg*> normal;
    normal.push_back(score->Note(m, {.x = 0, .code = DUR_EIGHTH, .tuplet = kTriplet}));
    normal.push_back(score->Note(m, {.x = 16, .code = DUR_EIGHTH, .tuplet = kTriplet}));
    CKVMsg* grace = score->Grace(m, {.x = 24, .code = DUR_EIGHTH, .tuplet = kTriplet});
    normal.push_back(score->Note(m, {.x = 32, .code = DUR_EIGHTH, .tuplet = kTriplet}));
    normal.push_back(score->Note(m, {.x = 48, .code = DUR_EIGHTH, .tuplet = kTriplet}));
    m->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    m->MakeTupletMsg(1, kStemDefault, kKeepBeams);

    const std::vector<CKVMsg*> normalTuplets = Tuplets(normal);
    for (const auto& [t, owner] : Held(grace))
        EXPECT_EQ(std::count(normalTuplets.begin(), normalTuplets.end(), t), 0);
    // The notes after the grace note still get a tuplet of their own.
    ASSERT_NE(TupletOf(normal[2]), nullptr);
    EXPECT_NE(TupletOf(normal[2]), TupletOf(normal[0]));
}

// --- Placing the bracket ------------------------------------------------------

TEST_F(TupletTest, TupletPosOrderOverStemsUp)
{
    std::vector<CKVMsg*> n = Tupleted(4, DUR_EIGHTH, kTriplet);
    for (CKVMsg* note : n) {
        note->m_lHeight = -56;
        note->m_nLayout1 = -56;
    }
    CKVMsg* t = TupletOf(n[0]);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->m_wFlag, 0);
    t->TupletPosOrder();
    EXPECT_EQ(t->m_nPosX, 16);
    EXPECT_EQ(t->m_nPosX2, 16);
    EXPECT_EQ(t->m_nPosY, -8);
    EXPECT_EQ(t->m_nPosY2, -8);
    EXPECT_EQ(t->m_nLayout2, -16);
    EXPECT_EQ(t->m_nLayout1, -21);
    EXPECT_EQ(t->m_nLayout4, 0);
    EXPECT_EQ(t->m_byReplace, 0);
    EXPECT_EQ(LastId(t), n[2]->m_dwMsgId);
    EXPECT_EQ(FirstId(t), n[0]->m_dwMsgId);
}

TEST_F(TupletTest, TupletPosOrderOtherShapes)
{
    std::vector<CKVMsg*> n = Tupleted(3, DUR_EIGHTH, kTriplet);
    CKVMsg* t = TupletOf(n[0]);
    ASSERT_NE(t, nullptr);
    auto stems = [&](short first, short last) {
        n[0]->m_nLayout1 = first;
        n[2]->m_nLayout1 = last;
    };

    // Stems down at both ends: under the heads, number below.
    stems(56, 56);
    t->TupletPosOrder();
    EXPECT_EQ(t->m_nPosX, 0);
    EXPECT_EQ(t->m_nPosX2, 0);
    EXPECT_EQ(t->m_nPosY, 8);
    EXPECT_EQ(t->m_nPosY2, 8);
    EXPECT_EQ(t->m_nLayout2, 16);
    EXPECT_EQ(t->m_nLayout1, 44);

    // Stem up to stem down: the end goes above the last stem.
    stems(-56, 56);
    t->TupletPosOrder();
    EXPECT_EQ(t->m_nPosY, -8);
    EXPECT_EQ(t->m_nPosY2, -72);

    // Stem down to stem up, style 4: three line spacings over.
    stems(56, -56);
    t->m_wFlag = 4;
    t->TupletPosOrder();
    EXPECT_EQ(t->m_nPosX, 0);
    EXPECT_EQ(t->m_nPosX2, 16);
    EXPECT_EQ(t->m_nPosY, -104);
    EXPECT_EQ(t->m_nPosY2, -48);
    EXPECT_EQ(t->m_nLayout1, 20);
    stems(-56, -56);
    t->TupletPosOrder();
    EXPECT_EQ(t->m_nLayout1, -20);

    // Style 2 draws a smaller number.
    t->m_wFlag = 2;
    t->TupletPosOrder();
    EXPECT_EQ(t->m_nLayout1, -5);

    // Whole notes: over the heads whatever the stems.
    n[0]->m_wDuration = DUR_WHOLE;
    t->m_wFlag = 0;
    stems(56, 56);
    t->TupletPosOrder();
    EXPECT_EQ(t->m_nPosX, 16);
    EXPECT_EQ(t->m_nPosY, -32);
    EXPECT_EQ(t->m_nPosY2, -32);
    EXPECT_EQ(t->m_nLayout2, -16);

    // A tuplet whose last note is gone is left alone.
    t->m_nPosX = 99;
    t->m_lHeight = 0;
    t->TupletPosOrder();
    EXPECT_EQ(t->m_nPosX, 99);
}

TEST_F(TupletTest, AutoAdjustTupletPlacesTheTupletsOfAGroup)
{
    std::vector<CKVMsg*> n = Tupleted(3, DUR_EIGHTH, kTriplet);
    CKVMsg* t = TupletOf(n[0]);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->m_byReplace, 1);
    CKVMsg* group = GroupOf(Meas(), n[0]);
    ASSERT_NE(group, nullptr);
    group->AutoAdjustTuplet();
    EXPECT_EQ(t->m_byReplace, 0);
}

// --- The highest point of a voice ---------------------------------------------

TEST_F(TupletTest, MaxTopPoint)
{
    CKVMeas* m = Meas();
    short x = 99;
    short y = 99;
    short slope = 7;
    int inBeam = 5;
    EXPECT_EQ(m->MaxTopPoint(1, 0, 256, x, y, slope, inBeam), 0);
    EXPECT_EQ(x, 99);

    CKVMsg* up = score->Note(m, {.x = 0, .y = 0});
    up->m_lHeight = -56;
    CKVMsg* down = score->Note(m, {.x = 64, .y = -40});
    down->m_lHeight = 56;
    // Other voices and positions outside the range do not count.
    score->Note(m, {.x = 32, .y = -100, .voice = 2});
    score->Note(m, {.x = 200, .y = -100});

    inBeam = 5;
    EXPECT_EQ(m->MaxTopPoint(1, 0, 128, x, y, slope, inBeam), 1);
    EXPECT_EQ(y, -56);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(inBeam, 0);
    EXPECT_EQ(slope, 7);

    EXPECT_EQ(m->MaxTopPoint(1, 64, 128, x, y, slope, inBeam), 1);
    EXPECT_EQ(y, -40);
    EXPECT_EQ(x, 64);
}

TEST_F(TupletTest, MaxTopPointOverBeamsAndChords)
{
    CKVMeas* m = Meas();
    CKVMsg* group = score->Beam(m, {.x = 0});
    score->Note(group, {.x = 0, .y = -10, .code = DUR_EIGHTH});
    score->Note(group, {.x = 32, .y = -20, .code = DUR_EIGHTH});
    group->m_nPosX = 0;
    group->m_nPosX2 = 32;
    group->m_nPosY = -70;
    group->m_nPosY2 = -80;
    group->m_lHeight = -21;

    short x = 0;
    short y = 0;
    short slope = 0;
    int inBeam = 0;
    // Stems up: the higher end of the beam.
    ASSERT_EQ(m->MaxTopPoint(1, 16, 40, x, y, slope, inBeam), 1);
    EXPECT_EQ(inBeam, 1);
    EXPECT_EQ(slope, 10);
    EXPECT_EQ(y, -80);
    EXPECT_EQ(x, 32);

    // Stems down: the heads.
    group->m_lHeight = 21;
    ASSERT_EQ(m->MaxTopPoint(1, 16, 40, x, y, slope, inBeam), 1);
    EXPECT_EQ(y, -20);
    EXPECT_EQ(x, 32);

    // A chord with its stem up reaches its last note's stem tip.
    CKVMsg* chord = score->Chord(m, {.x = 128}, {16, 0});
    chord->m_nPosY = 16;
    chord->m_lHeight = -56;
    ASSERT_EQ(m->MaxTopPoint(1, 100, 140, x, y, slope, inBeam), 1);
    EXPECT_EQ(y, 16 - 28);
    EXPECT_EQ(inBeam, 0);
}

// --- Tuplet ratios over ranges -----------------------------------------------------

TEST_F(TupletTest, MeasSetTupletGivesTheRatioToOneVoice)
{
    CKVMeas* m = Meas();
    std::vector<CKVMsg*> n = Row(m, 3, DUR_EIGHTH, 0, 0, 32);
    CKVMsg* other = score->Note(m, {.x = 32, .y = -16, .voice = 2});
    m->UpdateStartTime(0, 0, 0, kPerformedStartStays);

    // A reversed range changes nothing.
    m->SetTuplet(100, 0, 1, kTriplet, 0, 0);
    for (CKVMsg* note : n) {
        EXPECT_EQ(note->m_wObjWord, 0);
        EXPECT_EQ(note->GetPlayTime(), 120);
        EXPECT_EQ(TupletOf(note), nullptr);
    }

    m->SetTuplet(0, 100, 1, kTriplet, 0, 0);
    EXPECT_EQ(Starts(n), (std::vector<short> {0, 80, 160}));
    for (CKVMsg* note : n) {
        EXPECT_EQ(note->m_wObjWord, kTriplet);
        EXPECT_EQ(note->GetPlayTime(), 80);
    }
    ASSERT_EQ(Tuplets(n).size(), 1u);
    CKVMsg* t = TupletOf(n[0]);
    EXPECT_EQ(FirstId(t), n[0]->m_dwMsgId);
    EXPECT_EQ(LastId(t), n[2]->m_dwMsgId);

    EXPECT_EQ(other->m_wObjWord, 0);
    EXPECT_EQ(other->GetPlayTime(), 240);
    EXPECT_EQ(TupletOf(other), nullptr);
}

TEST_F(TupletTest, MsgSetTupletKeepsTheLowHalfAndReachesChordNotes)
{
    CKVMeas* m = Meas();
    CKVMsg* chord = score->Chord(m, {.x = 0, .code = DUR_EIGHTH}, {16, 0});
    chord->m_dwWord = 0x00000011;
    chord->SetTuplet(kTriplet, 3);
    EXPECT_EQ(chord->m_wObjWord, kTriplet);
    EXPECT_EQ(chord->m_dwWord, 0x00030011u);
    EXPECT_EQ(chord->GetPlayTime(), 80);
    for (short i = 0; i < chord->GetMsgNum(); ++i) {
        CKVMsg* note = chord->GetMsg(i);
        EXPECT_EQ(note->m_wObjWord, kTriplet);
        EXPECT_EQ(note->m_dwWord >> 16, 3u);
        EXPECT_EQ(note->GetPlayTime(), 80);
    }
    // Other kinds are left alone.
    CKVMsg* clef = score->ClefChange(m, 100, 2);
    clef->SetTuplet(kTriplet, 3);
    EXPECT_EQ(clef->m_wObjWord, 0);
}

TEST_F(TupletTest, MakeRangeTupletMsgCountsAndBeams)
{
    CKVMeas* m = Meas();
    std::vector<CKVMsg*> n = Row(m, 5, DUR_EIGHTH, kTriplet, 0, 32);
    m->MakeRangeTupletMsg(1, 0, 255);
    ASSERT_EQ(Tuplets(n).size(), 2u);
    CKVMsg* a = TupletOf(n[0]);
    CKVMsg* b = TupletOf(n[3]);
    EXPECT_EQ(FirstId(a), n[0]->m_dwMsgId);
    EXPECT_EQ(LastId(a), n[2]->m_dwMsgId);
    EXPECT_EQ(a->m_wHeadType, 3);
    EXPECT_EQ(FirstId(b), n[3]->m_dwMsgId);
    EXPECT_EQ(LastId(b), n[4]->m_dwMsgId);
    EXPECT_EQ(Ownership(n[3], b), 1);
    EXPECT_EQ(Ownership(n[4], b), 0);
    EXPECT_EQ(Ownership(n[2], b), -1);

    // Each tuplet is a beam group of its own.
    CKVMsg* g1 = GroupOf(m, n[0]);
    CKVMsg* g2 = GroupOf(m, n[3]);
    ASSERT_NE(g1, nullptr);
    ASSERT_NE(g2, nullptr);
    EXPECT_NE(g1, g2);
    EXPECT_EQ(g1->GetMsgNum(), 3);
    EXPECT_EQ(g2->GetMsgNum(), 2);

    // By the menu, every symbol with the word joins: one tuplet of five,
    // and the old ones are gone from every note.
    m->MakeRangeTupletMsgByMenu(1, 0, 255);
    ASSERT_EQ(Tuplets(n).size(), 1u);
    CKVMsg* whole = TupletOf(n[0]);
    EXPECT_EQ(FirstId(whole), n[0]->m_dwMsgId);
    EXPECT_EQ(LastId(whole), n[4]->m_dwMsgId);
    EXPECT_EQ(whole->m_wHeadType, 5);
    for (CKVMsg* note : n)
        EXPECT_EQ(Held(note).size(), 1u);
}

TEST_F(TupletTest, ARangeHandsOverWhatReachesOutsideIt)
{
    CKVMeas* m = Meas();
    std::vector<CKVMsg*> n = Row(m, 5, DUR_EIGHTH, kTriplet, 0, 32);
    m->MakeRangeTupletMsg(1, 0, 255);
    CKVMsg* a = TupletOf(n[0]);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(LastId(a), n[2]->m_dwMsgId);

    // Rebuilding from the third note on: the first tuplet now ends at the
    // second note, and the notes before the range keep it.
    m->MakeRangeTupletMsg(1, 64, 255);
    EXPECT_EQ(TupletOf(n[0]), a);
    EXPECT_EQ(TupletOf(n[1]), a);
    EXPECT_EQ(LastId(a), n[1]->m_dwMsgId);
    CKVMsg* c = TupletOf(n[2]);
    ASSERT_NE(c, nullptr);
    EXPECT_NE(c, a);
    EXPECT_EQ(FirstId(c), n[2]->m_dwMsgId);
    EXPECT_EQ(LastId(c), n[4]->m_dwMsgId);
    EXPECT_EQ(TupletOf(n[4]), c);
    EXPECT_EQ(Held(n[3]).size(), 1u);
}

TEST_F(TupletTest, MakeRangeTupletMsgTakesTheStyle)
{
    CKVMeas* m = Meas();
    std::vector<CKVMsg*> n = Row(m, 3, DUR_EIGHTH, kTriplet, 0, 32);
    n[0]->m_dwWord = 0x00020000;
    m->MakeRangeTupletMsg(1, 0, 255);
    ASSERT_NE(TupletOf(n[0]), nullptr);
    EXPECT_EQ(TupletOf(n[0])->m_wFlag, 2);

    // While importing, the import's style, and no count limit.
    Row(m, 2, DUR_EIGHTH, kTriplet, 128, 32);
    SetImportTupletStyle(5);
    bImportConverting = 1;
    m->MakeRangeTupletMsg(1, 0, 255);
    bImportConverting = 0;
    ASSERT_NE(TupletOf(n[0]), nullptr);
    EXPECT_EQ(TupletOf(n[0])->m_wFlag, 5);
    EXPECT_EQ(TupletOf(n[0])->m_wHeadType, 5);
}

TEST_F(TupletTest, RangeTupletsOfAChord)
{
    CKVMeas* m = Meas();
    CKVMsg* chord = score->Chord(m, {.x = 0, .code = DUR_EIGHTH, .tuplet = kTriplet}, {16, 0});
    Row(m, 2, DUR_EIGHTH, kTriplet, 32, 32);
    ASSERT_EQ(chord->GetMsgNum(), 2);
    CKVMsg* low = chord->GetMsg(0);
    CKVMsg* high = chord->GetMsg(1);
    ASSERT_EQ(low->m_nPosY, 16);
    ASSERT_EQ(high->m_nPosY, 0);

    m->MakeRangeTupletMsg(1, 0, 255);
    ASSERT_NE(TupletOf(low), nullptr);
    EXPECT_EQ(FirstId(TupletOf(low)), low->m_dwMsgId);
    EXPECT_EQ(TupletOf(high), nullptr);

    m->EncMakeRangeTupletMsg(1, 0, 255);
    ASSERT_NE(TupletOf(high), nullptr);
    EXPECT_EQ(FirstId(TupletOf(high)), high->m_dwMsgId);
    EXPECT_EQ(TupletOf(low), nullptr);
}

TEST_F(TupletTest, RangeTupletFlagClearRemovesOnlyTheFirst)
{
    EXPECT_EQ(GetRangeTupletFlag(), 1);
    CKVMeas* m = Meas();
    CKVMsg* chord = score->Chord(m, {.x = 0, .code = DUR_EIGHTH, .tuplet = kTriplet}, {16, 0});
    CKVMsg* low = chord->GetMsg(0);
    CKVMsg* high = chord->GetMsg(1);
    // A one-note tuplet on each note, as the import makes them.
    m->EncMakeRangeTupletMsg(1, 0, 0);
    CKVMsg* t = TupletOf(high);
    ASSERT_NE(t, nullptr);
    CKVMsg* own = new CKVMsg;
    own->m_byKind = MSG_TUPLET;
    ASSERT_GE(low->AddMsg(own, kHolderOwns, kParentHere), 0);
    own->m_dwWord = low->m_dwMsgId;
    own->m_lHeight = static_cast<LONG>(low->m_dwMsgId);

    SetRangeTupletFlag(0);
    SetTupletDeleted(0);
    chord->DeleteTuplet();
    EXPECT_EQ(GetTupletDeleted(), 1);
    EXPECT_EQ(TupletOf(low), nullptr);
    EXPECT_TRUE(OnDeleteList(own));
    EXPECT_EQ(TupletOf(high), t);

    SetRangeTupletFlag(1);
    chord->DeleteTuplet();
    EXPECT_EQ(TupletOf(high), nullptr);
    EXPECT_TRUE(OnDeleteList(t));

    ResetProcessState();
    EXPECT_EQ(GetRangeTupletFlag(), 1);
    EXPECT_EQ(GetTupletDeleted(), 0);
    EXPECT_EQ(GetImportTupletStyle(), 0);
}

TEST_F(TupletTest, FailedTupletAllocationIsReported)
{
    CKVMeas* m = Meas();
    std::vector<CKVMsg*> n = Row(m, 3, DUR_EIGHTH, kTriplet, 0, 32);
    KvFailAllocationAfter(1);
    m->MakeRangeTupletMsg(1, 0, 255);
    KvFailAllocationAfter(0);
    EXPECT_TRUE(Tuplets(n).empty());
    ASSERT_FALSE(host.messageBoxes.empty());
    EXPECT_EQ(host.messageBoxes[0].text, "Out of Memory !!!");
}

// --- Re-forming every tuplet ------------------------------------------------------------

TEST_F(TupletTest, UpdateTupletType)
{
    std::vector<CKVMsg*> n = Tupleted(3, DUR_EIGHTH, kTriplet);
    n[0]->m_dwWord = 0x00001234;
    CKVMsg* plain = score->Note(Meas(), {.x = 128});
    plain->m_dwWord = 0x00050007;
    plain->m_byMark1 = 5;
    plain->m_byMark2 = 6;
    CKVMsg* t = TupletOf(n[0]);
    ASSERT_NE(t, nullptr);
    Doc().m_bModified = 0;

    Doc().UpdateTupletType(2);
    EXPECT_EQ(n[0]->m_dwWord, 0x00021234u);
    EXPECT_EQ(t->m_wFlag, 2);
    EXPECT_EQ(t->m_byReplace, 0);
    EXPECT_EQ(plain->m_dwWord, 0x00050007u);
    EXPECT_EQ(plain->m_byMark1, 5);
    EXPECT_EQ(plain->m_byMark2, 6);
    EXPECT_TRUE(Doc().m_bModified);

    t->m_byReplace = 1;
    Doc().UpdateTupletType(0xFFFF);
    EXPECT_EQ(n[0]->m_dwWord, 0x00021234u);
    EXPECT_EQ(t->m_wFlag, 2);
    EXPECT_EQ(t->m_byReplace, 0);
    EXPECT_EQ(plain->m_dwWord, 0x00050007u);
}

// --- Hand-over on deletion ------------------------------------------------------------------

TEST_F(TupletTest, DeletingTheFirstNoteHandsTheTupletToTheSecond)
{
    std::vector<CKVMsg*> n = Tupleted(3, DUR_EIGHTH, kTriplet);
    CKVMsg* t = TupletOf(n[0]);
    ASSERT_NE(t, nullptr);
    Delete(n[0]);
    EXPECT_EQ(FirstId(t), n[1]->m_dwMsgId);
    EXPECT_EQ(LastId(t), n[2]->m_dwMsgId);
    EXPECT_EQ(Ownership(n[1], t), 1);
    EXPECT_EQ(Ownership(n[2], t), 0);
    EXPECT_EQ(Ownership(n[0], t), -1);
    EXPECT_EQ(t->m_pParent, n[1]);
    EXPECT_FALSE(OnDeleteList(t));
}

TEST_F(TupletTest, DeletingTheFirstMemberOfTheLastGroupHandsItOn)
{
    std::vector<CKVMsg*> n = Tupleted(3, DUR_EIGHTH, kTriplet);
    CKVMsg* t = TupletOf(n[0]);
    Doc().m_pLastGroup = GroupOf(Meas(), n[0]);
    ASSERT_NE(Doc().m_pLastGroup, nullptr);
    t->m_byReplace = 1;
    Delete(n[0]);
    EXPECT_EQ(FirstId(t), n[1]->m_dwMsgId);
    EXPECT_EQ(Ownership(n[1], t), 1);
    EXPECT_EQ(Ownership(n[0], t), -1);
    // Only one reference on the heir, and the bracket placed again.
    EXPECT_EQ(Held(n[1]).size(), 1u);
    EXPECT_EQ(t->m_byReplace, 0);
}

TEST_F(TupletTest, DeletingTheLastNoteMakesTheLastRemainingHolderLast)
{
    std::vector<CKVMsg*> n = Tupleted(3, DUR_EIGHTH, kTriplet);
    CKVMsg* t = TupletOf(n[0]);
    Delete(n[2]);
    EXPECT_EQ(FirstId(t), n[0]->m_dwMsgId);
    EXPECT_EQ(LastId(t), n[1]->m_dwMsgId);
    EXPECT_EQ(Ownership(n[2], t), -1);

    // A quintuplet loses its fifth note: the fourth ends it, not the second.
    CKVMeas* m = Meas(0, 1);
    std::vector<CKVMsg*> q = Row(m, 5, DUR_16TH, 0x0405, 0, 16);
    m->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    m->MakeTupletMsg(1, kStemDefault, kAutoBeam);
    CKVMsg* qt = TupletOf(q[0]);
    ASSERT_NE(qt, nullptr);
    ASSERT_EQ(LastId(qt), q[4]->m_dwMsgId);
    Delete(q[4]);
    EXPECT_EQ(LastId(qt), q[3]->m_dwMsgId);
    EXPECT_EQ(FirstId(qt), q[0]->m_dwMsgId);
}

TEST_F(TupletTest, DeletingTheOnlyNoteRemovesTheTuplet)
{
    std::vector<CKVMsg*> n = Tupleted(1, DUR_EIGHTH, kTriplet);
    CKVMsg* t = TupletOf(n[0]);
    ASSERT_NE(t, nullptr);
    Delete(n[0]);
    EXPECT_EQ(TupletOf(n[0]), nullptr);
    EXPECT_TRUE(OnDeleteList(t));
}

TEST_F(TupletTest, DeletingAMiddleNoteLeavesTheEnds)
{
    std::vector<CKVMsg*> n = Tupleted(3, DUR_EIGHTH, kTriplet);
    CKVMsg* t = TupletOf(n[0]);
    Delete(n[1]);
    EXPECT_EQ(FirstId(t), n[0]->m_dwMsgId);
    EXPECT_EQ(LastId(t), n[2]->m_dwMsgId);
    EXPECT_EQ(Ownership(n[0], t), 1);
}

TEST_F(TupletTest, DeleteTupletProc)
{
    std::vector<CKVMsg*> n = Tupleted(3, DUR_EIGHTH, kTriplet);
    CKVMsg* t = TupletOf(n[0]);
    n[1]->m_lHeight = -56;
    n[1]->m_nLayout1 = -56;
    Meas()->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);

    // Only an end note hands the tuplet on; other kinds hand nothing.
    EXPECT_EQ(t->DeleteTupletProc(n[1]), 0);
    EXPECT_EQ(n[1]->DeleteTupletProc(n[0]), 0);
    EXPECT_EQ(t->DeleteTupletProc(nullptr), 0);

    EXPECT_EQ(t->DeleteTupletProc(n[0]), 1);
    EXPECT_EQ(FirstId(t), n[1]->m_dwMsgId);
    EXPECT_EQ(Ownership(n[1], t), 1);
    // Above the heir's stem tip.
    EXPECT_EQ(t->m_nPosY, -56 - 16);

    n[2]->m_lHeight = 28;
    Meas()->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    ASSERT_EQ(t->DeleteTupletProc(n[2]), 1);
    EXPECT_EQ(LastId(t), n[1]->m_dwMsgId);
    EXPECT_EQ(t->m_nPosY2, -56 - 16);
}

TEST_F(TupletTest, RemoveTupletClearsTheRatio)
{
    std::vector<CKVMsg*> n = Tupleted(3, DUR_EIGHTH, kTriplet);
    CKVMsg* t = TupletOf(n[1]);
    EXPECT_EQ(n[1]->RemoveTuplet(t), 1);
    EXPECT_EQ(TupletOf(n[1]), nullptr);
    EXPECT_EQ(n[1]->m_wObjWord, 0);
    EXPECT_EQ(n[1]->GetPlayTime(), 120);
    EXPECT_EQ(n[1]->RemoveTuplet(t), 0);

    // Through a chord's member: the chord loses the ratio too.
    CKVMeas* m = Meas(0, 1);
    CKVMsg* chord = score->Chord(m, {.x = 0, .code = DUR_EIGHTH, .tuplet = kTriplet}, {16, 0});
    m->MakeRangeTupletMsg(1, 0, 0);
    CKVMsg* ct = TupletOf(chord->GetMsg(0));
    ASSERT_NE(ct, nullptr);
    EXPECT_EQ(chord->RemoveTuplet(ct), 1);
    EXPECT_EQ(chord->m_wObjWord, 0);
    EXPECT_EQ(chord->GetPlayTime(), 120);
}

} // namespace
