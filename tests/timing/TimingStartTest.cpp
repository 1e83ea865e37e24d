// Start times of a measure's symbols: exact sums under tuplets, grace notes
// and events placed by position, the integer re-timing, the MIDI-file-read
// flag and the time of a dropped symbol.

#include "support/TimingFixture.h"

#include "model/MidiFileRead.h"

#include <cmath>

using kvtest::ScoreBuilder;
using kvtest::TimingTest;

namespace {

using StartTest = TimingTest;

TEST_F(StartTest, TripletsThenAQuarter)
{
    std::vector<CKVMsg*> notes = Row(Meas(), 3, DUR_EIGHTH, 0x0203);
    notes.push_back(score->Note(Meas(), {.x = 64}));
    Meas()->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    EXPECT_EQ(Starts(notes), (std::vector<short> {0, 80, 160, 240}));
    for (CKVMsg* n : notes)
        EXPECT_EQ(n->m_nPerformStart, n->m_nStartTime);
}

TEST_F(StartTest, SeptupletSixteenthsRoundUpEachStart)
{
    std::vector<CKVMsg*> notes = Row(Meas(), 7, DUR_16TH, 0x0407);
    notes.push_back(score->Note(Meas(), {.x = 100}));
    Meas()->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    EXPECT_EQ(Starts(notes), (std::vector<short> {0, 35, 69, 103, 138, 172, 206, 240}));
}

TEST_F(StartTest, UnevenTupletsEndExactlyOnTheBeat)
{
    struct Case {
        int count;
        BYTE code;
        WORD tuplet;
        short after;
    };
    for (const Case& c : {Case {7, DUR_EIGHTH, 0x0607, 720}, Case {7, DUR_16TH, 0x0607, 360},
                          Case {17, DUR_16TH, 0x1011, 960}}) {
        CKVMeas* m = Meas(0, 1);
        m->RemoveAllMsg();
        Row(m, c.count, c.code, c.tuplet, 0, 12);
        CKVMsg* next = score->Note(m, {.x = 250, .code = DUR_16TH});
        m->UpdateStartTime(1, 0, 0, kPerformedStartStays);
        EXPECT_EQ(next->m_nStartTime, c.after) << std::hex << c.tuplet;
    }
}

TEST_F(StartTest, DottedNotesUnderTupletsSumTheirWholeDottedLength)
{
    // A dotted eighth of a triplet: 180 x 2 / 3 = 120.
    std::vector<CKVMsg*> notes;
    notes.push_back(score->Note(Meas(), {.x = 0, .code = DUR_EIGHTH, .dots = 1, .tuplet = 0x0203}));
    notes.push_back(score->Note(Meas(), {.x = 20, .code = DUR_16TH, .tuplet = 0x0203}));
    notes.push_back(score->Note(Meas(), {.x = 40, .code = DUR_128TH, .dots = 1}));
    notes.push_back(score->Note(Meas(), {.x = 60}));
    Meas()->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    EXPECT_EQ(Starts(notes), (std::vector<short> {0, 120, 160, 170}));
}

TEST_F(StartTest, ManyTupletCountsFallBackToTheDoubleSum)
{
    // Damaged data: a different prime count on every note. The exact sum
    // cannot hold the common denominator; the voice is finished in doubles.
    const int primes[] = {251, 241, 239, 233, 229, 227, 223, 211, 199, 197, 193, 191, 181, 179, 173, 167};
    std::vector<CKVMsg*> notes;
    for (int i = 0; i < 16; ++i)
        notes.push_back(score->Note(Meas(), {.x = static_cast<short>(i * 8), .tuplet = static_cast<WORD>(0x0200 | primes[i])}));
    Meas()->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    double sum = 0.0;
    for (int i = 0; i < 16; ++i) {
        EXPECT_GE(notes[i]->m_nStartTime, static_cast<short>(std::floor(sum))) << i;
        EXPECT_LE(notes[i]->m_nStartTime, static_cast<short>(std::ceil(sum)) + 1) << i;
        if (i > 0) {
            EXPECT_GE(notes[i]->m_nStartTime, notes[i - 1]->m_nStartTime);
        }
        sum += 480.0 / primes[i];
    }
}

TEST_F(StartTest, VoicesAreTimedApartAndVoiceZeroVisitsAllEight)
{
    std::vector<CKVMsg*> one = Row(Meas(), 2, DUR_HALF, 0, 0, 128, 1);
    std::vector<CKVMsg*> eight = Row(Meas(), 4, DUR_QUARTER, 0, 0, 64, 8);
    for (CKVMsg* n : eight)
        n->m_nStartTime = 999;
    Meas()->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    EXPECT_EQ(Starts(one), (std::vector<short> {0, 480}));
    EXPECT_EQ(eight[1]->m_nStartTime, 999);

    Meas()->UpdateStartTime(0, 0, 0, kPerformedStartStays);
    EXPECT_EQ(Starts(eight), (std::vector<short> {0, 240, 480, 720}));
}

TEST_F(StartTest, ChordsAreOneEntryAndBeamMembersCountSingly)
{
    CKVMsg* chord = score->Chord(Meas(), {.x = 0, .code = DUR_QUARTER}, {0, -16, -32});
    CKVMsg* group = score->Beam(Meas(), {.x = 64});
    CKVMsg* a = score->Note(group, {.x = 64, .code = DUR_EIGHTH});
    CKVMsg* b = score->Note(group, {.x = 96, .code = DUR_EIGHTH});
    CKVMsg* last = score->Note(Meas(), {.x = 128, .code = DUR_HALF});
    Meas()->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    EXPECT_EQ(chord->m_nStartTime, 0);
    EXPECT_EQ(a->m_nStartTime, 240);
    EXPECT_EQ(b->m_nStartTime, 360);
    EXPECT_EQ(last->m_nStartTime, 480);
    for (short i = 0; i < chord->GetMsgNum(); ++i)
        EXPECT_EQ(chord->GetMsg(i)->m_nStartTime, 0);
}

TEST_F(StartTest, GraceNotesTakeTheirStartFromTheirPosition)
{
    CKVMsg* grace = score->Grace(Meas(), {.x = 128, .code = DUR_EIGHTH});
    CKVMsg* late = score->Grace(Meas(0, 1), {.x = 300, .code = DUR_EIGHTH});
    CKVMsg* early = score->Grace(Meas(0, 1), {.x = -20, .code = DUR_EIGHTH});
    score->Note(Meas(), {.x = 0, .code = DUR_WHOLE});
    Meas()->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    Meas(0, 1)->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    EXPECT_EQ(grace->m_nStartTime, 480);
    EXPECT_EQ(grace->m_nPerformStart, 480);
    EXPECT_EQ(late->m_nStartTime, 960);
    EXPECT_EQ(late->m_nPerformStart, 960);
    EXPECT_EQ(early->m_nStartTime, 0);
}

TEST_F(StartTest, SetStartTimeByXPosReachesChordAndGroupMembers)
{
    CKVMsg* chord = score->Chord(Meas(), {.x = 64}, {0, -16});
    CKVMsg* group = score->Beam(Meas(), {.x = 128});
    CKVMsg* member = score->Note(group, {.x = 192, .code = DUR_EIGHTH});
    chord->SetStartTimeByXPos();
    EXPECT_EQ(chord->m_nStartTime, 240);
    EXPECT_EQ(chord->GetMsg(1)->m_nStartTime, 240);
    EXPECT_EQ(chord->GetMsg(1)->m_nPerformStart, 240);
    group->SetStartTimeByXPos();
    EXPECT_EQ(member->m_nStartTime, 720);
    EXPECT_EQ(group->m_nStartTime, 0);

    // A symbol outside a measure has no length to scale by.
    CKVMsg loose;
    loose.m_byKind = MSG_NOTE;
    loose.m_nPosX = 128;
    loose.m_nStartTime = 7;
    loose.SetStartTimeByXPos();
    EXPECT_EQ(loose.m_nStartTime, 7);
}

TEST_F(StartTest, EventsKeepTheirPlaceByPositionInEveryPass)
{
    CKVMsg* midi = score->Symbol(Meas(), MSG_MIDI, 64, 0, 3);
    CKVMsg* event = score->Symbol(Meas(), MSG_TIMED_EVENT, 192, 0, 5);
    score->Note(Meas(), {.x = 0});
    Meas()->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    EXPECT_EQ(midi->m_nStartTime, 240);
    EXPECT_EQ(midi->m_nPerformStart, 240);
    EXPECT_EQ(event->m_nStartTime, 720);

    // While a MIDI file is read, passOn decides whether their performed
    // start follows.
    SetMidiFileRead(1);
    midi->m_nPerformStart = 250;
    Meas()->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    EXPECT_EQ(midi->m_nPerformStart, 250);
    Meas()->UpdateStartTime(1, 0, 0, kPerformedOffsetToHead);
    EXPECT_EQ(midi->m_nPerformStart, 240);
}

TEST_F(StartTest, IntegerRetimingSumsStoredPlayTimes)
{
    std::vector<CKVMsg*> notes = Row(Meas(), 7, DUR_16TH, 0x0407);
    CKVMsg* grace = score->Grace(Meas(), {.x = 90, .code = DUR_EIGHTH});
    CKVMsg* quarter = score->Note(Meas(), {.x = 100});
    CKVMsg* other = score->Note(Meas(), {.x = 0, .y = -40, .voice = 2});
    other->m_nStartTime = 77;
    SetMidiFileRead(1);
    for (CKVMsg* n : notes)
        n->m_nPerformStart = 999;
    notes.push_back(quarter);
    Meas()->UpdateStartTimeOnMove(1);
    EXPECT_EQ(Starts(notes), (std::vector<short> {0, 34, 68, 102, 136, 170, 204, 238}));
    EXPECT_EQ(grace->m_nStartTime, 238);
    for (CKVMsg* n : notes)
        EXPECT_EQ(n->m_nPerformStart, n->m_nStartTime);
    EXPECT_EQ(other->m_nStartTime, 77);
}

TEST_F(StartTest, MidiFileReadFlag)
{
    EXPECT_EQ(GetMidiFileRead(), 0);
    SetMidiFileRead(1);
    EXPECT_EQ(GetMidiFileRead(), 1);
    SetMidiFileRead(0);
    EXPECT_EQ(GetMidiFileRead(), 0);

    // The process reset clears it, and the sort system with it.
    SetMidiFileRead(5);
    pSortSystem = score->System();
    ResetProcessState();
    EXPECT_EQ(GetMidiFileRead(), 0);
    EXPECT_EQ(pSortSystem, nullptr);
}

TEST_F(StartTest, MidiFileReadKeepsThePerformedStart)
{
    score->Note(Meas(), {.x = 0});
    CKVMsg* note = score->Note(Meas(), {.x = 64});
    ScoreBuilder::SetMidiHead(note, {.byKey = 64});
    note->m_nPerformStart = 250;
    SetMidiFileRead(1);
    Meas()->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    EXPECT_EQ(note->m_nStartTime, 240);
    EXPECT_EQ(note->m_nPerformStart, 250);
    EXPECT_EQ(ScoreBuilder::GetMidiHead(note).lStartOffset, 0);

    // With keepOffset the played timing moves into the head.
    note->UpdateStartTime(240, kFromMidiRead, kPerformedOffsetToHead);
    EXPECT_EQ(note->m_nPerformStart, 240);
    unsigned char* head = nullptr;
    ASSERT_EQ(note->GetHead(&head), MidiNoteHead::Size);
    EXPECT_EQ(head[8], 10);
    EXPECT_EQ(head[9], 0);
    EXPECT_EQ(head[10], 0);
    EXPECT_EQ(head[11], 0);
    EXPECT_EQ(head[0], 64);

    // An earlier performance gives a negative offset, stored little-endian.
    note->m_nPerformStart = 230;
    note->UpdateStartTime(240, kFromMidiRead, kPerformedOffsetToHead);
    EXPECT_EQ(ScoreBuilder::GetMidiHead(note).lStartOffset, -10);

    SetMidiFileRead(0);
    note->m_nPerformStart = 250;
    Meas()->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    EXPECT_EQ(note->m_nStartTime, 240);
    EXPECT_EQ(note->m_nPerformStart, 240);
}

TEST_F(StartTest, KeepOffsetOnAShortHeadLeavesTheHeadAlone)
{
    CKVMsg* note = score->Note(Meas(), {.x = 64});
    unsigned char bytes[4] = {60, 100, 64, 1};
    note->SetHead(4, bytes);
    note->m_nPerformStart = 250;
    note->UpdateStartTime(240, kFromMidiRead, kPerformedOffsetToHead);
    EXPECT_EQ(note->m_nPerformStart, 240);
    unsigned char* head = nullptr;
    ASSERT_EQ(note->GetHead(&head), 4);
    EXPECT_EQ(head[0], 60);
    EXPECT_EQ(head[3], 1);
}

TEST_F(StartTest, ContainersHandTheirStartToTheirMembers)
{
    CKVMsg* chord = score->Chord(Meas(), {.x = 0}, {0, -16});
    chord->GetMsg(0)->m_nPerformStart = 5;
    chord->UpdateStartTime(120, kFromMidiRead, kPerformedStartStays);
    EXPECT_EQ(chord->m_nStartTime, 120);
    EXPECT_EQ(chord->GetMsg(0)->m_nStartTime, 120);
    EXPECT_EQ(chord->GetMsg(0)->m_nPerformStart, 5);

    // Grace members sit at the time of the note after them.
    CKVMsg* group = score->Beam(Meas(), {.x = 64});
    CKVMsg* a = score->Note(group, {.x = 64, .code = DUR_EIGHTH});
    CKVMsg* g = score->Grace(group, {.x = 80, .code = DUR_16TH});
    CKVMsg* b = score->Note(group, {.x = 96, .code = DUR_EIGHTH});
    group->UpdateStartTime(240, kFromNotation, kPerformedStartStays);
    EXPECT_EQ(group->m_nStartTime, 240);
    EXPECT_EQ(group->m_nPerformStart, 240);
    EXPECT_EQ(a->m_nStartTime, 240);
    EXPECT_EQ(g->m_nStartTime, 360);
    EXPECT_EQ(b->m_nStartTime, 360);

    CKVMsg* clef = score->ClefChange(Meas(), 10, 2);
    clef->m_nStartTime = 3;
    clef->UpdateStartTime(100, kFromNotation, kPerformedStartStays);
    EXPECT_EQ(clef->m_nStartTime, 3);
}

class DropTest : public TimingTest {
protected:
    void SetUp() override
    {
        TimingTest::SetUp();
        for (short x : {0, 64, 128, 192})
            score->Note(Meas(), {.x = x});
        Meas()->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    }

    // A symbol about to be dropped into the measure: it names the measure
    // as parent but is not among its children.
    short DropAt(short x, WORD flags = 0)
    {
        CKVMsg msg(Meas());
        msg.m_byKind = MSG_NOTE;
        msg.m_byVoice = 1;
        msg.m_nPosX = x;
        msg.m_wFlag = flags;
        return Meas()->GetStartTime(&msg);
    }
};

TEST_F(DropTest, DropPointsFindTheirTime)
{
    EXPECT_EQ(DropAt(200), 960); // right of the last note: its end
    EXPECT_EQ(DropAt(96), 360);  // between two: the middle
    EXPECT_EQ(DropAt(66), 240);  // near one: its start
    EXPECT_EQ(DropAt(70), 240);
    EXPECT_EQ(DropAt(-40), -1);  // left of all
    EXPECT_EQ(DropAt(128, MSGFLAG_GRACE), -1);
}

TEST_F(DropTest, ToleranceFollowsTheStaffSize)
{
    score->Staff(0)->m_wObjWord = 50;
    EXPECT_EQ(DropAt(70), 360);
    EXPECT_EQ(DropAt(66), 240);
}

TEST_F(DropTest, OtherVoicesAndEmptyMeasures)
{
    CKVMsg msg(Meas(0, 1));
    msg.m_byKind = MSG_NOTE;
    msg.m_byVoice = 1;
    msg.m_nPosX = 100;
    EXPECT_EQ(Meas(0, 1)->GetStartTime(&msg), 0);

    CKVMsg other(Meas());
    other.m_byKind = MSG_NOTE;
    other.m_byVoice = 2;
    other.m_nPosX = 100;
    EXPECT_EQ(Meas()->GetStartTime(&other), -1);
}

} // namespace
