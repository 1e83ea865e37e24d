// Recorded lengths quantised to note values, and rests filled into the holes
// of a recorded voice.

#include "support/TimingFixture.h"

#include "timing/GuessDurTable.h"

#include <memory>
#include <vector>

using kvtest::TimingTest;

namespace {

struct Value {
    short result;
    WORD code;
    BYTE dots;
};

class QuantiseTest : public TimingTest {
protected:
    Value Quantise(DWORD unit, DWORD length, short division)
    {
        CKVMsg* note = score->Note(Meas(), {.code = DUR_WHOLE});
        note->m_wDuration = 77; // a value the call must overwrite or leave
        note->m_byDots = 0;
        const short result = note->CalcNoteRestKind(unit, length, division);
        return {result, note->m_wDuration, note->m_byDots};
    }

    static std::vector<WORD> Table()
    {
        return std::vector<WORD>(nGuessDurTable + 1, nGuessDurTable + kGuessDurEntries);
    }
};

TEST_F(QuantiseTest, TableHalvesFromTheWholeNote)
{
    Meas()->PrepGuess(240);
    EXPECT_EQ(Table(), (std::vector<WORD> {960, 480, 240, 120, 60, 30, 15, 7, 3}));
    // A whole note that does not fit the 16-bit grid, or no ticks at all,
    // leaves the table as it was.
    Meas()->PrepGuess(0);
    Meas()->PrepGuess(9000);
    EXPECT_EQ(Table(), (std::vector<WORD> {960, 480, 240, 120, 60, 30, 15, 7, 3}));
}

TEST_F(QuantiseTest, LengthsRoundToValuesWithDots)
{
    Meas()->PrepGuess(240);
    struct Case {
        DWORD length;
        short division;
        WORD code;
        BYTE dots;
    };
    const Case cases[] = {
        {230, 16, DUR_QUARTER, 0}, {350, 16, DUR_QUARTER, 1}, {410, 16, DUR_QUARTER, 2},
        {200, 16, DUR_EIGHTH, 1},  {200, 48, DUR_QUARTER, 0}, {840, 16, DUR_HALF, 2},
        {960, 16, DUR_WHOLE, 0},
    };
    for (const Case& c : cases) {
        const Value v = Quantise(240, c.length, c.division);
        EXPECT_EQ(v.result, 1) << c.length << "/" << c.division;
        EXPECT_EQ(v.code, c.code) << c.length << "/" << c.division;
        EXPECT_EQ(v.dots, c.dots) << c.length << "/" << c.division;
    }
    Meas()->PrepGuess(480);
    const Value wide = Quantise(480, 470, 16);
    EXPECT_EQ(wide.code, DUR_QUARTER);
    EXPECT_EQ(wide.dots, 0);
}

TEST_F(QuantiseTest, TooShortOrUngriddedLengthsAreRefused)
{
    Meas()->PrepGuess(240);
    // Rounds to nothing: nothing is written.
    Value v = Quantise(240, 20, 16);
    EXPECT_EQ(v.result, -1);
    EXPECT_EQ(v.code, 77);
    // Only the 256th would take it: the code is left at 0.
    v = Quantise(240, 5, 960);
    EXPECT_EQ(v.result, -1);
    EXPECT_EQ(v.code, 0);
    // No grid: a division of 0, or one finer than a tick.
    for (short division : {short(0), short(-4), short(2000)}) {
        v = Quantise(240, 240, division);
        EXPECT_EQ(v.result, -1) << division;
        EXPECT_EQ(v.code, 77) << division;
    }
}

class RestFillTest : public TimingTest {
protected:
    // A recorded note: its value, its performed start in recording ticks,
    // and a play time in the score's ticks.
    CKVMsg* Played(short start, BYTE code, BYTE dots = 0, BYTE voice = 1)
    {
        CKVMsg* note = score->Note(Meas(), {.x = static_cast<short>(start / 8), .code = code, .dots = dots,
                                            .voice = voice});
        note->m_nPerformStart = start;
        note->m_nStartTime = start;
        return note;
    }

    struct RestAt {
        short perform;
        short start;
        short x;
        WORD code;
        bool operator==(const RestAt&) const = default;
    };

    std::vector<RestAt> Rests(BYTE voice = 1)
    {
        std::vector<RestAt> rests;
        for (int i = 0; i < Meas()->GetMsgNum(); ++i) {
            CKVMsg* msg = Meas()->GetMsg(static_cast<short>(i));
            if (msg && msg->m_byKind == MSG_REST && msg->m_byVoice == voice)
                rests.push_back({msg->m_nPerformStart, msg->m_nStartTime, msg->m_nPosX, msg->m_wDuration});
        }
        return rests;
    }
};

TEST_F(RestFillTest, HolesFillWithRestsAlignedToBeats)
{
    // A quarter, a hole of a beat and a half, a dotted quarter; at 240 and
    // at 480 ticks per quarter (the rests' start times stay in the score's
    // ticks), and with division 0 read as 5.
    struct Case {
        DWORD ticks;
        short division;
        short rests[2];
    };
    for (const Case c : {Case {240, 5, {240, 480}}, Case {240, 0, {240, 480}}, Case {480, 5, {480, 960}}}) {
        score = std::make_unique<kvtest::ScoreBuilder>(Shape());
        Meas()->PrepGuess(c.ticks);
        Played(0, DUR_QUARTER);
        Played(static_cast<short>(c.ticks * 5 / 2), DUR_QUARTER, 1);
        EXPECT_EQ(Meas()->MakeRests(1, c.ticks, c.division), 1);
        EXPECT_EQ(Rests(), (std::vector<RestAt> {{c.rests[0], 240, 64, DUR_QUARTER}, {c.rests[1], 480, 128, DUR_EIGHTH}}))
            << c.ticks << "/" << c.division;
        EXPECT_EQ(Meas()->GetMsgNum(), 4);
    }
}

TEST_F(RestFillTest, FullOrEmptyVoicesGetNoRests)
{
    Meas()->PrepGuess(240);
    for (short t = 0; t < 960; t += 240)
        Played(t, DUR_QUARTER);
    EXPECT_EQ(Meas()->MakeRests(1, 240, 5), 1);
    EXPECT_TRUE(Rests().empty());
    // Voice 2 holds nothing: nothing to fill.
    EXPECT_EQ(Meas()->MakeRests(2, 240, 5), 1);
    EXPECT_TRUE(Rests(2).empty());
}

TEST_F(RestFillTest, AVoiceThatStopsEarlyIsFilledToTheBarLine)
{
    Meas()->PrepGuess(240);
    Played(0, DUR_QUARTER);
    EXPECT_EQ(Meas()->MakeRests(1, 240, 5), 1);
    EXPECT_EQ(Rests(), (std::vector<RestAt> {{240, 240, 64, DUR_QUARTER},
                                             {480, 480, 128, DUR_QUARTER},
                                             {720, 720, 192, DUR_QUARTER}}));
    EXPECT_EQ(Meas()->GetCurWholeCount(1, -1), 960);
}

TEST_F(RestFillTest, DegenerateMeasuresAreRefused)
{
    Meas()->PrepGuess(240);
    // No symbols at all.
    EXPECT_EQ(Meas()->MakeRests(1, 240, 5), 0);
    Played(0, DUR_QUARTER);
    EXPECT_EQ(Meas()->MakeRests(1, 0, 5), 0);
    Meas()->m_nTimeNum = 0;
    EXPECT_EQ(Meas()->MakeRests(1, 240, 5), 0);
    Meas()->m_nTimeNum = 4;
    Meas()->m_nTimeDen = 0;
    EXPECT_EQ(Meas()->MakeRests(1, 240, 5), 0);
    EXPECT_TRUE(Rests().empty());
    // A division past 15 is clamped, not shifted out of its 16 bits; its
    // grid is then finer than a tick and no rest is written.
    Meas()->m_nTimeDen = 4;
    EXPECT_EQ(Meas()->MakeRests(1, 240, 40), 1);
    EXPECT_TRUE(Rests().empty());
}

} // namespace
