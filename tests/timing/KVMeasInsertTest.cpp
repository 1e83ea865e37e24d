// Note insertion end to end: times and positions of what is entered, beams
// by the meter, pitch and accidentals, joining chords, groups and rests, the
// room a voice has, free-line and drum staves, tuplets, grace links, the
// import's variant, chords made from a range, and refusals of damaged
// measures.

#include "support/TimingFixture.h"

#include "model/DrumTable.h"
#include "model/ImportState.h"
#include "support/CanonicalDump.h"
#include "support/DrumKit.h"
#include "timing/InsertState.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace {

using kvtest::NoteShape;

// One symbol to enter: where (as a start time, or a position word), what,
// and how.
struct Entry {
    short start = 0;        // the expected start; the caret's x follows from it
    short y = 0;
    BYTE code = DUR_QUARTER;
    WORD tuplet = 0;
    BYTE kind = MSG_NOTE;
    int grace = 0;
    BYTE voice = 1;
    short x = -1;           // a position word instead of the start
    int placement = 1;
    int autoBeam = 1;
    int midiRead = 0;
};

class InsertTest : public kvtest::TimingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 16, .staves = 1, .measures = 2}; }

    void SetUp() override
    {
        TimingTest::SetUp();
        // The music font that goes with L = 16, and its stem length.
        Doc().m_nFontHeight = 64;
        Doc().m_nFontHeight78 = 56;
    }

    CKVSystem* System() { return score->System(); }

    CKVMeas* Setup(short beats, short beatUnit, BYTE keyType = 0, BYTE keyCount = 0, int meas = 0)
    {
        return score->Setup(Meas(0, meas), {.beats = beats, .beatUnit = beatUnit, .keyType = keyType,
                                            .keyCount = keyCount});
    }

    // The template that note entry builds at a point of the measure.
    static std::unique_ptr<CKVMsg> Template(CKVMeas* m, const Entry& e)
    {
        const short x = e.x >= 0 ? e.x : static_cast<short>(MulDiv(e.start, 256, m->m_nLength));
        return std::make_unique<CKVMsg>(m, POINT {x, e.y}, e.kind, 1, e.code, e.voice, 0, 0, e.tuplet, 0, e.grace);
    }

    static CKVMsg* Insert(CKVMeas* m, const Entry& e)
    {
        std::unique_ptr<CKVMsg> tmpl = Template(m, e);
        return m->InsertNewNoteMsg(*tmpl, kStemDefault, e.placement, e.autoBeam, 0, e.midiRead, 0);
    }

    // Notes of one duration entered one after another from the start.
    static std::vector<CKVMsg*> InsertRun(CKVMeas* m, int count, BYTE code, short step, WORD tuplet = 0)
    {
        std::vector<CKVMsg*> notes;
        for (int i = 0; i < count; ++i)
            notes.push_back(Insert(m, {.start = static_cast<short>(i * step), .code = code, .tuplet = tuplet}));
        return notes;
    }

    static std::vector<CKVMsg*> Children(CKVObject* node, BYTE kind)
    {
        std::vector<CKVMsg*> out;
        for (short i = 0; i < node->GetMsgNum(); ++i) {
            CKVMsg* msg = node->GetMsg(i);
            if (msg && msg->m_byKind == kind)
                out.push_back(msg);
        }
        return out;
    }

    static std::vector<int> GroupSizes(CKVMeas* m)
    {
        std::vector<int> sizes;
        for (CKVMsg* group : Children(m, MSG_BEAM))
            sizes.push_back(group->GetMsgNum());
        return sizes;
    }

    static std::vector<short> Ys(CKVObject* node)
    {
        std::vector<short> ys;
        for (short i = 0; i < node->GetMsgNum(); ++i)
            ys.push_back(node->GetMsg(i)->m_nPosY);
        return ys;
    }

    static std::vector<short> Xs(CKVObject* node)
    {
        std::vector<short> xs;
        for (short i = 0; i < node->GetMsgNum(); ++i)
            xs.push_back(node->GetMsg(i)->m_nPosX);
        return xs;
    }

    static bool Holds(CKVObject* node, CKVMsg* msg)
    {
        for (short i = 0; i < node->GetMsgNum(); ++i) {
            if (node->GetMsg(i) == msg)
                return true;
        }
        return false;
    }

    // The tuplet symbols a note holds, with the ownership of each reference.
    static std::vector<std::pair<CKVMsg*, BYTE>> Tuplets(CKVMsg* note)
    {
        std::vector<std::pair<CKVMsg*, BYTE>> out;
        for (short i = 0; i < note->GetMsgNum(); ++i) {
            CKVMsg* child = note->GetMsg(i);
            if (child && child->m_byKind == MSG_TUPLET)
                out.emplace_back(child, note->m_arrMsgRef.GetAt(i)->byOwner);
        }
        return out;
    }

    static std::vector<DWORD> Attached(CKVMsg* msg)
    {
        std::vector<DWORD> ids;
        for (int i = 0; i < msg->m_arrAttachedId.GetSize(); ++i)
            ids.push_back(msg->m_arrAttachedId.GetAt(i));
        return ids;
    }
};

// --- Times and positions ------------------------------------------------------

TEST_F(InsertTest, TripletsGetTheirShareOfTheBeatAndTheirPlace)
{
    CKVMeas* m = Setup(4, 4);
    std::vector<CKVMsg*> notes = InsertRun(m, 3, DUR_EIGHTH, 80, 0x0203);
    notes.push_back(Insert(m, {.start = 240}));
    for (CKVMsg* note : notes)
        ASSERT_NE(note, nullptr);
    EXPECT_EQ(Starts(notes), (std::vector<short> {0, 80, 160, 240}));
    std::vector<short> plays;
    std::vector<short> xs;
    for (CKVMsg* note : notes) {
        plays.push_back(note->m_nPlayTime);
        xs.push_back(note->m_nPosX);
    }
    EXPECT_EQ(plays, (std::vector<short> {80, 80, 80, 240}));
    EXPECT_EQ(xs, (std::vector<short> {0, 21, 43, 64}));
}

TEST_F(InsertTest, TheNewNoteIsACopyThatKeepsTheHostsWord)
{
    CKVMeas* m = Setup(4, 4);
    std::unique_ptr<CKVMsg> tmpl = Template(m, {.start = 0});
    tmpl->m_dwHostWord = 0x12345678;
    tmpl->m_dwMsgId = 7;
    CKVMsg* note = m->InsertNewNoteMsg(*tmpl, kStemDefault, kPlaceByTime, kAutoBeam, 0, kFromNotation, 0);
    ASSERT_NE(note, nullptr);
    EXPECT_NE(note, tmpl.get());
    EXPECT_EQ(note->m_dwHostWord, 0x12345678u);
    EXPECT_NE(note->m_dwMsgId, 0u);
    EXPECT_EQ(System()->GetMsgFromMap(note->m_dwMsgId), note);
    // The stem word keeps the stem's length and direction.
    EXPECT_EQ(note->m_nLayout1, static_cast<short>(note->m_lHeight));
    EXPECT_NE(note->m_lHeight, 0);
}

TEST_F(InsertTest, UnevenTupletsAddUpToTheExactBeat)
{
    CKVMeas* m = Setup(4, 4);
    const std::vector<short> expected = {0, 35, 69, 103, 138, 172, 206};
    std::vector<CKVMsg*> notes;
    for (short start : expected)
        notes.push_back(Insert(m, {.start = start, .code = DUR_16TH, .tuplet = 0x0407}));
    notes.push_back(Insert(m, {.start = 240}));
    for (CKVMsg* note : notes)
        ASSERT_NE(note, nullptr);
    std::vector<short> want = expected;
    want.push_back(240);
    EXPECT_EQ(Starts(notes), want);

    // Seven eighths in the time of six: the quarter after them starts at
    // 720, not at the sum of seven rounded shares.
    CKVMeas* second = Setup(4, 4, 0, 0, 1);
    std::vector<CKVMsg*> eighths;
    for (int i = 0; i < 7; ++i)
        eighths.push_back(Insert(second, {.start = static_cast<short>(i * 720 / 7), .code = DUR_EIGHTH,
                                          .tuplet = 0x0607}));
    CKVMsg* quarter = Insert(second, {.start = 720});
    ASSERT_NE(quarter, nullptr);
    EXPECT_EQ(quarter->m_nStartTime, 720);
}

// --- Beams by the meter -------------------------------------------------------

TEST_F(InsertTest, EighthsInFourFourAreBeamedByHalfMeasures)
{
    CKVMeas* m = Setup(4, 4);
    std::vector<CKVMsg*> notes = InsertRun(m, 3, DUR_EIGHTH, 120);
    EXPECT_EQ(GroupSizes(m), (std::vector<int> {3}));
    for (int i = 3; i < 8; ++i)
        notes.push_back(Insert(m, {.start = static_cast<short>(i * 120), .code = DUR_EIGHTH}));
    ASSERT_EQ(GroupSizes(m), (std::vector<int> {4, 4}));
    EXPECT_EQ(Children(m, MSG_BEAM)[0]->GetStartTime(), 0);
    EXPECT_EQ(Children(m, MSG_BEAM)[1]->GetStartTime(), 480);
    for (CKVMsg* note : notes) {
        ASSERT_NE(note, nullptr);
        EXPECT_TRUE(note->m_wFlag & MSGFLAG_BEAM_MEMBER) << note->m_nStartTime;
    }
}

TEST_F(InsertTest, OtherMetersBeamByTheirBeats)
{
    CKVMeas* m = Setup(3, 4);
    InsertRun(m, 6, DUR_EIGHTH, 120);
    EXPECT_EQ(GroupSizes(m), (std::vector<int> {2, 2, 2}));

    CKVMeas* sixEight = Setup(6, 8, 0, 0, 1);
    InsertRun(sixEight, 12, DUR_16TH, 60);
    EXPECT_EQ(GroupSizes(sixEight), (std::vector<int> {6, 6}));
}

TEST_F(InsertTest, ACompositeMeterBeamsEachOfItsParts)
{
    CKVMeas* m = Setup(7, 8);
    const char num[9] = {'3', 0, 0, '2', 0, 0, '2', 0, 0};
    const char den[9] = {'8', 0, 0, '8', 0, 0, '8', 0, 0};
    std::memcpy(m->m_szTimeNumText, num, sizeof num);
    std::memcpy(m->m_szTimeDenText, den, sizeof den);
    InsertRun(m, 7, DUR_EIGHTH, 120);
    EXPECT_EQ(GroupSizes(m), (std::vector<int> {3, 2, 2}));
}

// --- Pitch --------------------------------------------------------------------

TEST_F(InsertTest, KeysFollowThePositionAndTheKeySignature)
{
    CKVMeas* flats = Setup(4, 4, 2, 3);
    CKVMsg* e = Insert(flats, {.start = 0, .y = 0});
    CKVMsg* a = Insert(flats, {.start = 240, .y = -24});
    CKVMsg* b = Insert(flats, {.start = 480, .y = -32});
    ASSERT_TRUE(e && a && b);
    EXPECT_EQ(e->GetMidiKey(), 63);
    EXPECT_EQ(a->GetMidiKey(), 68);
    EXPECT_EQ(b->GetMidiKey(), 70);

    // One sharp: F sharp, then a natural that stays in force for the rest
    // of the measure.
    CKVMeas* sharp = Setup(4, 4, 1, 1, 1);
    CKVMsg* f1 = Insert(sharp, {.start = 0, .y = -8});
    std::unique_ptr<CKVMsg> natural = Template(sharp, {.start = 240, .y = -8});
    natural->m_byAccidental = ACCI_NATURAL;
    CKVMsg* f2 = sharp->InsertNewNoteMsg(*natural, kStemDefault, kPlaceByTime, kAutoBeam, 0, kFromNotation, 0);
    CKVMsg* f3 = Insert(sharp, {.start = 480, .y = -8});
    ASSERT_TRUE(f1 && f2 && f3);
    EXPECT_EQ(f1->GetMidiKey(), 66);
    EXPECT_EQ(f2->GetMidiKey(), 65);
    EXPECT_EQ(f3->GetMidiKey(), 65);
}

TEST_F(InsertTest, AKeyFromAPerformanceIsKept)
{
    CKVMeas* m = Setup(4, 4);
    std::unique_ptr<CKVMsg> tmpl = Template(m, {.start = 0, .y = 0});
    MidiNoteHead head;
    head.byKey = 61;
    kvtest::ScoreBuilder::SetMidiHead(tmpl.get(), head);
    CKVMsg* note = m->InsertNewNoteMsg(*tmpl, kStemDefault, kPlaceByTime, kAutoBeam, 0, kFromMidiRead, 0);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->GetMidiKey(), 61);

    // Without the performance flag the key follows the position (E4).
    std::unique_ptr<CKVMsg> again = Template(m, {.start = 240, .y = 0});
    kvtest::ScoreBuilder::SetMidiHead(again.get(), head);
    CKVMsg* stepped = m->InsertNewNoteMsg(*again, kStemDefault, kPlaceByTime, kAutoBeam, 0, kFromNotation, 0);
    ASSERT_NE(stepped, nullptr);
    EXPECT_EQ(stepped->GetMidiKey(), 64);
}

// --- Chords and joins ---------------------------------------------------------

TEST_F(InsertTest, ANoteOnANoteMakesAChordOrIsRefused)
{
    CKVMeas* m = Setup(4, 4);
    CKVMsg* n1 = Insert(m, {.start = 0, .y = 0});
    ASSERT_NE(n1, nullptr);
    CKVMsg* n2 = Insert(m, {.start = 0, .y = -16});
    ASSERT_NE(n2, nullptr);
    ASSERT_EQ(m->GetMsgNum(), 1);
    CKVMsg* chord = m->GetMsg(0);
    EXPECT_EQ(chord->m_byKind, MSG_CHORD);
    ASSERT_EQ(chord->GetMsgNum(), 2);
    EXPECT_EQ(chord->GetMsg(0), n1);
    EXPECT_EQ(chord->GetMsg(1), n2);

    // The same place and pitch again: nothing is added.
    CKVMsg* extra = Insert(m, {.start = 240, .y = 0});
    ASSERT_NE(extra, nullptr);
    const short before = m->GetMsgNum();
    EXPECT_EQ(Insert(m, {.start = 240, .y = 0}), nullptr);
    EXPECT_EQ(m->GetMsgNum(), before);
}

TEST_F(InsertTest, ANoteOnABeamedNoteMakesAChordInsideTheGroup)
{
    CKVMeas* m = Setup(4, 4);
    CKVMsg* first = Insert(m, {.start = 0, .code = DUR_EIGHTH});
    Insert(m, {.start = 120, .code = DUR_EIGHTH});
    ASSERT_EQ(GroupSizes(m), (std::vector<int> {2}));
    CKVMsg* added = Insert(m, {.start = 0, .y = -16, .code = DUR_EIGHTH});
    ASSERT_NE(added, nullptr);
    ASSERT_EQ(GroupSizes(m), (std::vector<int> {2}));
    CKVMsg* lead = Children(m, MSG_BEAM)[0]->GetMsg(0);
    ASSERT_EQ(lead->m_byKind, MSG_CHORD);
    EXPECT_EQ(lead->GetMsgNum(), 2);
    EXPECT_TRUE(Holds(lead, first));
    EXPECT_TRUE(Holds(lead, added));
}

TEST_F(InsertTest, ANoteTakesTheRestsPlace)
{
    CKVMeas* m = Setup(4, 4);
    CKVMsg* rest = Insert(m, {.start = 0, .kind = MSG_REST});
    ASSERT_NE(rest, nullptr);
    Insert(m, {.start = 240, .kind = MSG_REST});
    CKVMsg* note = Insert(m, {.start = 0, .y = -8});
    ASSERT_NE(note, nullptr);
    EXPECT_FALSE(Holds(m, rest));
    EXPECT_TRUE(Holds(m, note));
    EXPECT_EQ(Children(m, MSG_REST).size(), 1u);
}

TEST_F(InsertTest, NoChordsOnAOneLineStaffAndGraceNotesStandApart)
{
    CKVMeas* m = Setup(4, 4);
    ASSERT_NE(Insert(m, {.start = 0}), nullptr);
    CKVMsg* grace = Insert(m, {.start = 0, .y = -16, .code = DUR_EIGHTH, .grace = 1});
    ASSERT_NE(grace, nullptr);
    EXPECT_TRUE(Holds(m, grace));
    EXPECT_TRUE(Children(m, MSG_CHORD).empty());

    score->Staff(0)->m_byStaffKind = CKVStaff::KIND_ONE_LINE;
    const short before = m->GetMsgNum();
    EXPECT_EQ(Insert(m, {.start = 0, .y = -16}), nullptr);
    EXPECT_EQ(m->GetMsgNum(), before);
}

// --- Capacity and rests -------------------------------------------------------

TEST_F(InsertTest, RestsThatOverflowTheVoiceAreRefusedWithPlacement)
{
    CKVMeas* m = Setup(4, 4);
    ASSERT_NE(Insert(m, {.start = 0, .code = DUR_WHOLE}), nullptr);
    EXPECT_EQ(Insert(m, {.start = 480, .code = DUR_HALF, .kind = MSG_REST}), nullptr);
    EXPECT_EQ(m->GetMsgNum(), 1);
    CKVMsg* rest = Insert(m, {.start = 480, .code = DUR_HALF, .kind = MSG_REST, .placement = 0});
    ASSERT_NE(rest, nullptr);
    EXPECT_TRUE(Holds(m, rest));

    // A whole rest fills an empty 3/4 measure, but no measure that holds
    // anything.
    CKVMeas* threeFour = Setup(3, 4, 0, 0, 1);
    CKVMsg* whole = Insert(threeFour, {.start = 0, .code = DUR_WHOLE, .kind = MSG_REST});
    ASSERT_NE(whole, nullptr);
    threeFour->DeleteMsg(whole, kUnlinkAndFree);
    ASSERT_NE(Insert(threeFour, {.start = 0}), nullptr);
    EXPECT_EQ(Insert(threeFour, {.start = 240, .code = DUR_WHOLE, .kind = MSG_REST}), nullptr);
}

// The note entered at a rest takes the rest's time as well as its place:
// in a full voice it fits when it lasts no longer than the rest, and is
// otherwise refused before the rest goes, so that the voice stays whole.
TEST_F(InsertTest, ANoteOnTheRestOfAFullVoiceHasTheRestsTimeOrIsRefusedWithoutAChange)
{
    CKVMeas* m = Setup(4, 4);
    CKVMsg* rest = Insert(m, {.start = 0, .kind = MSG_REST});
    for (short start : {240, 480, 720})
        ASSERT_NE(Insert(m, {.start = start}), nullptr);
    const std::string before = kvtest::CanonicalDump(Doc());
    EXPECT_EQ(Insert(m, {.start = 0, .y = -8, .code = DUR_HALF}), nullptr);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
    CKVMsg* note = Insert(m, {.start = 0, .y = -8});
    ASSERT_NE(note, nullptr);
    EXPECT_FALSE(Holds(m, rest));
    EXPECT_TRUE(Children(m, MSG_REST).empty());
    EXPECT_EQ(m->GetCurWholeCount(1, -1), 960);
}

TEST_F(InsertTest, TheFirstNoteReplacesAFullBarOfRests)
{
    CKVMeas* m = Setup(4, 4);
    CKVMsg* whole = score->Rest(m, {.x = 128, .code = DUR_WHOLE});
    ASSERT_NE(whole, nullptr);
    CKVMsg* note = Insert(m, {.start = 240});
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(Children(m, MSG_REST).empty());

    // Four quarter rests fill voice 1; a rest of voice 2 goes with them.
    CKVMeas* rests = Setup(4, 4, 0, 0, 1);
    for (short x : {0, 64, 128, 192})
        score->Rest(rests, {.x = x});
    score->Rest(rests, {.x = 64, .voice = 2});
    rests->UpdateStartTime(0, 1, 1, kPerformedStartStays);
    CKVMsg* first = Insert(rests, {.start = 240});
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(Children(rests, MSG_REST).empty());
    EXPECT_EQ(first->m_nStartTime, 0);
    EXPECT_EQ(first->m_nPosX, 0);
}

// --- Staves of other kinds ----------------------------------------------------

TEST_F(InsertTest, NotesOnAFreeLineStaffSitOnItsLines)
{
    score->SetLineSpacing(8);
    Doc().m_nFontHeight = 32;
    Doc().m_nFontHeight78 = 28;
    CKVStaff* staff = score->Staff(0);
    staff->m_byStaffKind = CKVStaff::KIND_FREE_LINE;
    staff->m_byLineCount = 5;
    CKVMeas* m = Setup(4, 4);
    CKVMsg* high = Insert(m, {.start = 0, .y = -10});
    CKVMsg* low = Insert(m, {.start = 240, .y = 6});
    ASSERT_TRUE(high && low);
    EXPECT_EQ(high->m_nPosY, -8);
    EXPECT_EQ(low->m_nPosY, 0);
    EXPECT_EQ(high->m_wHeadType, 100);
    EXPECT_EQ(low->m_wHeadType, 100);
}

// --- Tuplets ------------------------------------------------------------------

TEST_F(InsertTest, TripletEighthsGetOneTupletSymbolPerThree)
{
    CKVMeas* m = Setup(4, 4);
    std::vector<CKVMsg*> n = InsertRun(m, 4, DUR_EIGHTH, 80, 0x0203);
    for (CKVMsg* note : n)
        ASSERT_NE(note, nullptr);
    auto t1 = Tuplets(n[0]);
    ASSERT_EQ(t1.size(), 1u);
    CKVMsg* first = t1[0].first;
    EXPECT_EQ(t1[0].second, 1);
    EXPECT_EQ(first->m_dwWord, n[0]->m_dwMsgId);
    EXPECT_EQ(static_cast<DWORD>(first->m_lHeight), n[2]->m_dwMsgId);
    for (int i : {1, 2}) {
        auto held = Tuplets(n[static_cast<size_t>(i)]);
        ASSERT_EQ(held.size(), 1u) << i;
        EXPECT_EQ(held[0].first, first);
        EXPECT_EQ(held[0].second, 0);
    }
    auto t4 = Tuplets(n[3]);
    ASSERT_EQ(t4.size(), 1u);
    EXPECT_NE(t4[0].first, first);
    EXPECT_EQ(t4[0].second, 1);

    std::vector<CKVMsg*> groups = Children(m, MSG_BEAM);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0]->GetMsgNum(), 3);
    for (int i : {0, 1, 2})
        EXPECT_TRUE(Holds(groups[0], n[static_cast<size_t>(i)]));
    EXPECT_TRUE(Holds(m, n[3]));
}

TEST_F(InsertTest, AGraceNoteNeverSharesATupletWithMainNotes)
{
    CKVMeas* m = Setup(4, 4);
    std::vector<CKVMsg*> n;
    n.push_back(Insert(m, {.start = 0, .code = DUR_EIGHTH, .tuplet = 0x0203}));
    CKVMsg* grace = Insert(m, {.code = DUR_EIGHTH, .tuplet = 0x0203, .grace = 1, .x = 12});
    n.push_back(Insert(m, {.start = 80, .code = DUR_EIGHTH, .tuplet = 0x0203}));
    n.push_back(Insert(m, {.start = 160, .code = DUR_EIGHTH, .tuplet = 0x0203}));
    ASSERT_NE(grace, nullptr);
    for (auto& [tuplet, owned] : Tuplets(grace)) {
        static_cast<void>(owned);
        for (CKVMsg* note : n) {
            ASSERT_NE(note, nullptr);
            for (auto& held : Tuplets(note))
                EXPECT_NE(held.first, tuplet);
        }
    }
}

// --- Grace links --------------------------------------------------------------

TEST_F(InsertTest, GraceNotesAndClefChangesLinkToTheNoteAfterThem)
{
    CKVMeas* m = Setup(4, 4);
    ASSERT_NE(Insert(m, {.start = 0}), nullptr);
    CKVMsg* g1 = Insert(m, {.code = DUR_EIGHTH, .grace = 1, .x = 40});
    CKVMsg* g2 = Insert(m, {.code = DUR_EIGHTH, .grace = 1, .x = 50});
    CKVMsg* q2 = Insert(m, {.start = 240});
    ASSERT_TRUE(g1 && g2 && q2);
    ASSERT_EQ(g1->m_nPosX, 40);
    ASSERT_EQ(g2->m_nPosX, 50);
    ASSERT_EQ(q2->m_nPosX, 64);

    m->ArrangeGraceNote(nullptr);
    EXPECT_EQ(Attached(q2), (std::vector<DWORD> {g1->m_dwMsgId, g2->m_dwMsgId}));
    EXPECT_EQ(g1->m_pMainNote, q2);
    EXPECT_EQ(g2->m_pMainNote, q2);

    CKVMsg* clef = score->ClefChange(m, 55, 2);
    m->ArrangeGraceNote(nullptr);
    EXPECT_EQ(Attached(q2), (std::vector<DWORD> {g1->m_dwMsgId, g2->m_dwMsgId, clef->m_dwMsgId}));
    EXPECT_EQ(clef->m_pMainNote, q2);

    // A note about to be placed between the grace notes and the clef change
    // takes the grace notes.
    std::unique_ptr<CKVMsg> pending = Template(m, {.x = 52});
    m->ArrangeGraceNote(pending.get());
    EXPECT_EQ(Attached(pending.get()), (std::vector<DWORD> {g1->m_dwMsgId, g2->m_dwMsgId}));
    EXPECT_EQ(g1->m_pMainNote, pending.get());
    EXPECT_EQ(Attached(q2), (std::vector<DWORD> {clef->m_dwMsgId}));
    EXPECT_EQ(clef->m_pMainNote, q2);
    // Asked again, the pending note gets the same list, not a second copy.
    m->ArrangeGraceNote(pending.get());
    EXPECT_EQ(Attached(pending.get()).size(), 2u);
    m->ArrangeGraceNote(nullptr);
}

// --- The import's insertion ---------------------------------------------------

class ImportInsertTest : public InsertTest {
protected:
    CKVMsg* Import(CKVMeas* m, short x, short y, BYTE code, int placement = 0, int autoBeam = 0)
    {
        std::unique_ptr<CKVMsg> tmpl = Template(m, {.y = y, .code = code, .x = x});
        return m->InsertNoteMsg(*tmpl, placement, autoBeam);
    }

    // A beam group of eighths at 0 and 32 with its start times.
    CKVMsg* PairGroup(CKVMeas* m)
    {
        CKVMsg* group = score->Beam(m, {.x = 0});
        score->Note(group, {.x = 0, .code = DUR_EIGHTH});
        score->Note(group, {.x = 32, .code = DUR_EIGHTH});
        m->UpdateStartTime(1, 1, 1, kPerformedStartStays);
        return group;
    }
};

TEST_F(ImportInsertTest, WhileConvertingOnlyTheExactPositionJoins)
{
    CKVMeas* m = Setup(4, 4);
    bImportConverting = 1;
    CKVMsg* a = Import(m, 64, 0, DUR_QUARTER);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(GetImportLastChord(), nullptr);
    CKVMsg* beside = Import(m, 65, 0, DUR_QUARTER);
    ASSERT_NE(beside, nullptr);
    EXPECT_TRUE(Holds(m, beside));
    EXPECT_EQ(GetImportLastChord(), nullptr);

    CKVMsg* upper = Import(m, 64, -16, DUR_QUARTER);
    ASSERT_NE(upper, nullptr);
    CKVMsg* chord = GetImportLastChord();
    ASSERT_NE(chord, nullptr);
    EXPECT_EQ(chord->m_byKind, MSG_CHORD);
    EXPECT_TRUE(Holds(chord, a));
    EXPECT_TRUE(Holds(chord, upper));
    bImportConverting = 0;
}

TEST_F(ImportInsertTest, OnlyShortValuesRebeamTheVoice)
{
    CKVMeas* m = Setup(4, 4);
    CKVMsg* group = PairGroup(m);
    CKVMsg* quarter = Import(m, 64, 0, DUR_QUARTER, 0, 1);
    ASSERT_NE(quarter, nullptr);
    EXPECT_TRUE(Holds(m, group));
    EXPECT_EQ(group->GetMsgNum(), 2);
    EXPECT_TRUE(Holds(m, quarter));

    CKVMsg* e1 = Import(m, 128, 0, DUR_EIGHTH, 0, 1);
    CKVMsg* e2 = Import(m, 160, 0, DUR_EIGHTH, 0, 1);
    ASSERT_TRUE(e1 && e2);
    EXPECT_FALSE(Holds(m, e1));
    EXPECT_FALSE(Holds(m, e2));
    bool together = false;
    for (CKVMsg* g : Children(m, MSG_BEAM))
        together = together || (Holds(g, e1) && Holds(g, e2));
    EXPECT_TRUE(together);
}

TEST_F(ImportInsertTest, AnOpenGroupTakesTheNextNote)
{
    CKVMeas* m = Setup(4, 4);
    CKVMsg* group = PairGroup(m);
    Doc().m_pLastGroup = group;
    CKVMsg* note = Import(m, 64, 0, DUR_EIGHTH);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(Xs(group), (std::vector<short> {0, 32, 64}));
    EXPECT_TRUE(Holds(group, note));
    EXPECT_EQ(Doc().m_pLastGroup, group);

    // A refused note leaves the open group open too.
    EXPECT_EQ(Import(m, 32, 0, DUR_EIGHTH), nullptr);
    EXPECT_EQ(Doc().m_pLastGroup, group);
    EXPECT_EQ(group->GetMsgNum(), 3);
}

TEST_F(ImportInsertTest, AnOverflowingWholeRestIsRefusedEvenInAnEmptyMeasure)
{
    CKVMeas* m = Setup(3, 4);
    std::unique_ptr<CKVMsg> rest = Template(m, {.code = DUR_WHOLE, .kind = MSG_REST, .x = 0});
    EXPECT_EQ(m->InsertNoteMsg(*rest, kPlaceByTime, kKeepBeams), nullptr);
    EXPECT_NE(m->InsertNoteMsg(*rest, kPlaceAsGiven, kKeepBeams), nullptr);
}

// An insertion that gives no note names why, so that the import can count
// what it leaves out by the reason; one that gives a note names none.
TEST_F(ImportInsertTest, EveryRefusalNamesItsReason)
{
    CKVMeas* m = Setup(4, 4);
    CKVMeas* compressed = Setup(4, 4, 0, 0, 1);
    score->Symbol(compressed, MSG_MULTIREST, 0)->m_wObjWord = 2;
    ASSERT_EQ(compressed->IsRestCompMeas(nullptr), 2);
    // Inserts a quarter at (64, y) of the measure, with a stale reason set
    // first, and expects the reason it leaves.
    auto expect = [&](CKVMeas* meas, short y, InsertRefusal why) {
        SetInsertRefusal(why == InsertRefusal::Other ? InsertRefusal::None : InsertRefusal::Other);
        CKVMsg* note = Import(meas, 64, y, DUR_QUARTER);
        EXPECT_EQ(note == nullptr, why != InsertRefusal::None) << y;
        EXPECT_EQ(GetInsertRefusal(), why) << y;
    };
    expect(m, 0, InsertRefusal::None);
    expect(m, 0, InsertRefusal::AtHeight);
    expect(compressed, 0, InsertRefusal::UnderMultiRest);
    score->Staff(0)->m_byStaffKind = CKVStaff::KIND_ONE_LINE;
    expect(m, -16, InsertRefusal::OneLineStaff);
    score->Staff(0)->m_byStaffKind = CKVStaff::KIND_NORMAL;
    m->m_nLength = 0;
    expect(m, -16, InsertRefusal::Other);
}

TEST_F(ImportInsertTest, ADeletedOpenGroupIsNotPutBack)
{
    CKVMeas* m = Setup(4, 4);
    CKVMsg* group = PairGroup(m);
    const DWORD id = group->m_dwMsgId;
    Doc().m_pLastGroup = group;
    // The eighth joins the group, and re-beaming from its place breaks it.
    CKVMsg* note = Import(m, 64, 0, DUR_EIGHTH, 0, 1);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(System()->GetMsgFromMap(id), nullptr);
    EXPECT_EQ(Doc().m_pLastGroup, nullptr);
    // The next import call starts clean.
    EXPECT_NE(Import(m, 128, 0, DUR_EIGHTH, 0, 1), nullptr);
}

// --- Chords from a range ------------------------------------------------------

TEST_F(InsertTest, MakeChordGathersTheVoicesNotesInTheRange)
{
    CKVMeas* m = Setup(4, 4);
    score->Note(m, {.x = 0});
    CKVMsg* a = score->Note(m, {.x = 64, .y = 0});
    CKVMsg* b = score->Note(m, {.x = 70, .y = -16});
    CKVMsg* c = score->Note(m, {.x = 76, .y = 16});
    CKVMsg* other = score->Note(m, {.x = 70, .y = 8, .voice = 2});
    CKVMsg* after = score->Note(m, {.x = 128});
    m->UpdateStartTime(0, 1, 1, kPerformedStartStays);
    ASSERT_EQ(after->m_nStartTime, 960);

    m->MakeChord(1, 60, 80);
    std::vector<CKVMsg*> chords = Children(m, MSG_CHORD);
    ASSERT_EQ(chords.size(), 1u);
    CKVMsg* chord = chords[0];
    EXPECT_EQ(chord->m_nPosX, 64);
    EXPECT_EQ(Ys(chord), (std::vector<short> {16, 0, -16}));
    EXPECT_TRUE(Holds(chord, a) && Holds(chord, b) && Holds(chord, c));
    EXPECT_EQ(chord->m_nStartTime, 240);
    EXPECT_EQ(after->m_nStartTime, 480);
    EXPECT_TRUE(Holds(m, other));
    EXPECT_EQ(Doc().m_pLastMember, nullptr);
}

TEST_F(InsertTest, MakeChordDropsANoteTheChordRefuses)
{
    CKVMeas* m = Setup(4, 4);
    score->Note(m, {.x = 64, .y = 0});
    score->Note(m, {.x = 70, .y = -16});
    CKVMsg* twin = score->Note(m, {.x = 72, .y = 0});
    const DWORD twinId = twin->m_dwMsgId;
    m->MakeChord(1, 60, 80);
    ASSERT_EQ(m->GetMsgNum(), 1);
    EXPECT_EQ(m->GetMsg(0)->GetMsgNum(), 2);
    EXPECT_FALSE(Holds(m->GetMsg(0), twin));
    bool listed = false;
    for (int i = 0; i < Doc().m_arrDeleteMsgId.GetSize(); ++i)
        listed = listed || Doc().m_arrDeleteMsgId.GetAt(i) == twinId;
    EXPECT_TRUE(listed);
}

TEST_F(InsertTest, MakeChordWithAnEmptyRangeOrOneNoteChangesNothing)
{
    CKVMeas* m = Setup(4, 4);
    score->Note(m, {.x = 64, .y = 0});
    score->Note(m, {.x = 70, .y = -16});
    const std::string before = kvtest::CanonicalDump(Doc());
    m->MakeChord(1, 80, 60);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
    m->MakeChord(1, 60, 66);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
    EXPECT_TRUE(Children(m, MSG_CHORD).empty());
}

TEST_F(InsertTest, ChordYOrderSortsOnlyChordsAndLeavesNoCurrentChord)
{
    CKVMeas* m = Setup(4, 4);
    CKVMsg* chord = score->Chord(m, {.x = 0}, {-16, 0, 8});
    chord->ChordYOrder();
    EXPECT_EQ(Ys(chord), (std::vector<short> {8, 0, -16}));
    EXPECT_EQ(Doc().m_pLastMember, nullptr);

    CKVMsg* note = score->Note(m, {.x = 64});
    Doc().m_pLastMember = chord;
    note->ChordYOrder();
    EXPECT_EQ(Doc().m_pLastMember, chord);
}

// --- Guards -------------------------------------------------------------------

TEST_F(InsertTest, AMeasureWithoutAStaffRefusesWithoutLeaking)
{
    CKVMeas loose;
    loose.Initialize(System(), OBJ_MEAS);
    ASSERT_GT(loose.m_nLength, 0);
    std::unique_ptr<CKVMsg> tmpl = Template(&loose, {.start = 0});
    EXPECT_EQ(loose.InsertNewNoteMsg(*tmpl, kStemDefault, kPlaceByTime, kAutoBeam, 0, kFromNotation, 0), nullptr);
    EXPECT_EQ(loose.InsertNoteMsg(*tmpl, kPlaceByTime, kAutoBeam), nullptr);
    EXPECT_EQ(loose.GetMsgNum(), 0);
}

TEST_F(InsertTest, ADamagedTimeSignatureRefuses)
{
    CKVMeas* m = Setup(4, 4);
    score->Rest(m, {.x = 128, .code = DUR_WHOLE});
    m->m_nTimeDen = 0;
    EXPECT_EQ(Insert(m, {.start = 0}), nullptr);
    std::unique_ptr<CKVMsg> tmpl = Template(m, {.x = 0});
    EXPECT_EQ(m->InsertNoteMsg(*tmpl, kPlaceByTime, kAutoBeam), nullptr);
    // Refused before anything changed: the whole rest is still there.
    EXPECT_EQ(Children(m, MSG_REST).size(), 1u);

    CKVMeas* empty = Setup(4, 4, 0, 0, 1);
    empty->m_nTimeNum = 0;
    EXPECT_EQ(Insert(empty, {.start = 0}), nullptr);
    empty->m_nTimeNum = 4;
    empty->m_nLength = 0;
    EXPECT_EQ(empty->InsertNoteMsg(*tmpl, kPlaceAsGiven, kKeepBeams), nullptr);
}

TEST_F(InsertTest, ZeroLineSpacingOnDrumAndFreeLineStavesRaisesNoFault)
{
    kvtest::DrumKitFields fields;
    fields.defaultHeads[13] = 2;
    fields.keyWords[64] = (1 << 8) | 13;
    std::vector<BYTE> kit = kvtest::MakeDrumKitEntry("Standard", fields);
    CPtrArray table;
    table.Add(kit.data());
    SetDrumTable(&table);
    unsigned char head[kDrumKitRecordSize] = {};
    std::memcpy(head + kDrumKitRecordNameOffset, "Standard", 8);
    CKVStaff* staff = score->Staff(0);
    staff->SetHead(kDrumKitRecordSize, head);
    staff->m_byClefType = 8;

    score->SetLineSpacing(0);
    Doc().m_nFontHeight = 0;
    Doc().m_nFontHeight78 = 0;
    CKVMeas* m = Setup(4, 4);
    m->m_byInitClef = 8;
    CKVMsg* drum = Insert(m, {.start = 0, .y = -8});
    ASSERT_NE(drum, nullptr);
    EXPECT_EQ(drum->m_wHeadType, 1);
    staff->m_byStaffKind = CKVStaff::KIND_DRUM;
    Insert(m, {.start = 240, .y = -8});

    staff->m_byStaffKind = CKVStaff::KIND_FREE_LINE;
    CKVMeas* free = Setup(4, 4, 0, 0, 1);
    free->m_byInitClef = 1;
    CKVMsg* note = Insert(free, {.start = 0, .y = -10});
    ASSERT_NE(note, nullptr);
    EXPECT_LE(note->m_nPosY, 0);
    SetDrumTable(nullptr);
}

TEST_F(InsertTest, TheDrumClefTakesTheKitsHeadForTheRow)
{
    kvtest::DrumKitFields fields;
    fields.defaultHeads[12] = 4; // y -8 at L = 16
    std::vector<BYTE> kit = kvtest::MakeDrumKitEntry("Standard", fields);
    CPtrArray table;
    table.Add(kit.data());
    SetDrumTable(&table);
    unsigned char head[kDrumKitRecordSize] = {};
    std::memcpy(head + kDrumKitRecordNameOffset, "Standard", 8);
    score->Staff(0)->SetHead(kDrumKitRecordSize, head);

    CKVMeas* m = Setup(4, 4);
    m->m_byInitClef = 8;
    CKVMsg* onRow = Insert(m, {.start = 0, .y = -8});
    ASSERT_NE(onRow, nullptr);
    EXPECT_EQ(onRow->m_wHeadType, 4);
    // Far off the kit's rows the plain head is used.
    CKVMsg* far = Insert(m, {.start = 240, .y = -400});
    ASSERT_NE(far, nullptr);
    EXPECT_EQ(far->m_wHeadType, 1);
    SetDrumTable(nullptr);
}

} // namespace
