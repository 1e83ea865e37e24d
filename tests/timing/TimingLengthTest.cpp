// Measure lengths, time-signature texts and play times.

#include "support/TimingFixture.h"

#include "model/MidiFileRead.h"

using kvtest::TimingTest;

namespace {

class LengthTest : public TimingTest {
protected:
    short LengthOf(short beats, short unit)
    {
        CKVMeas* m = Meas();
        m->m_nTimeNum = beats;
        m->m_nTimeDen = unit;
        m->CalcWholeCount();
        return m->m_nLength;
    }

    // The play time of a lone note after CalcPlayTime.
    short PlayOf(BYTE code, BYTE dots = 0, WORD tuplet = 0, WORD flags = 0)
    {
        CKVMsg* note = score->Note(Meas(), {.code = code, .dots = dots, .tuplet = tuplet, .flags = flags});
        note->m_nPlayTime = -1;
        note->CalcPlayTime();
        return note->m_nPlayTime;
    }

    double DoubleOf(BYTE code, BYTE dots = 0, WORD tuplet = 0, WORD flags = 0)
    {
        return score->Note(Meas(), {.code = code, .dots = dots, .tuplet = tuplet, .flags = flags})
            ->GetPlayTimeDouble();
    }
};

TEST_F(LengthTest, MeasureLengthsFollowTheTimeSignature)
{
    EXPECT_EQ(LengthOf(4, 4), 960);
    EXPECT_EQ(LengthOf(3, 4), 720);
    EXPECT_EQ(LengthOf(6, 8), 720);
    EXPECT_EQ(LengthOf(3, 8), 360);
    EXPECT_EQ(LengthOf(5, 8), 600);
    EXPECT_EQ(LengthOf(7, 16), 420);
    EXPECT_EQ(LengthOf(2, 2), 960);

    score->System()->m_dwTicksPerQuarter = 480;
    EXPECT_EQ(LengthOf(4, 4), 1920);
    EXPECT_EQ(Meas()->GetPakTime(8, 6), 1440);
}

TEST_F(LengthTest, PakTimeTakesTheBeatUnitFirst)
{
    EXPECT_EQ(Meas()->GetPakTime(8, 6), 720);
    EXPECT_EQ(Meas()->GetPakTime(4, 3), 720);
    EXPECT_EQ(Meas()->GetPakTime(2, 2), 960);
    // No side effect on the measure.
    EXPECT_EQ(Meas()->m_nLength, 960);
}

TEST_F(LengthTest, BeatUnitZeroOrBelowGivesNoLength)
{
    CKVMeas* m = Meas();
    LengthOf(3, 4);
    m->m_nTimeDen = 0;
    m->CalcWholeCount();
    EXPECT_EQ(m->m_nLength, 720);
    m->m_nTimeDen = -4;
    m->CalcWholeCount();
    EXPECT_EQ(m->m_nLength, 720);
    EXPECT_EQ(m->GetPakTime(0, 4), 0);
    EXPECT_EQ(m->GetPakTime(-8, 4), 0);
}

TEST_F(LengthTest, AdditiveTextsAreSummedAndConsumed)
{
    struct Case {
        const char* text;
        short value;
    };
    for (const Case& c : {Case {"3+2+2", 7}, Case {" 3 + 2", 5}, Case {"+4", 4}, Case {"", 0}, Case {"3+", 3},
                          Case {"++2++3", 5}}) {
        CString text(c.text);
        EXPECT_EQ(Meas()->GetStringValue(&text), c.value) << c.text;
        EXPECT_TRUE(text.IsEmpty()) << c.text;
    }

    CString text("3+2+2");
    EXPECT_EQ(Meas()->StringToI(&text), 3);
    EXPECT_STREQ(static_cast<LPCTSTR>(text), "+2+2");
    EXPECT_EQ(Meas()->StringToI(&text), 2);
    EXPECT_STREQ(static_cast<LPCTSTR>(text), "+2");
    EXPECT_EQ(Meas()->StringToI(nullptr), 0);
    EXPECT_EQ(Meas()->GetStringValue(nullptr), 0);
}

TEST_F(LengthTest, IntegerPlayTimes)
{
    const short plain[] = {1920, 960, 480, 240, 120, 60, 30, 15, 7};
    for (BYTE code = 0; code <= 8; ++code)
        EXPECT_EQ(PlayOf(code), plain[code]) << int(code);

    EXPECT_EQ(PlayOf(DUR_QUARTER, 1), 360);
    EXPECT_EQ(PlayOf(DUR_QUARTER, 2), 420);
    EXPECT_EQ(PlayOf(DUR_HALF, 1), 720);
    EXPECT_EQ(PlayOf(DUR_128TH, 1), 10);
    EXPECT_EQ(PlayOf(DUR_128TH, 2), 11);
    // Other dot counts leave the plain length.
    EXPECT_EQ(PlayOf(DUR_QUARTER, 3), 240);

    EXPECT_EQ(PlayOf(DUR_EIGHTH, 0, 0x0203), 80);
    EXPECT_EQ(PlayOf(DUR_16TH, 0, 0x0405), 48);
    EXPECT_EQ(PlayOf(DUR_16TH, 0, 0x0407), 34);
    EXPECT_EQ(PlayOf(DUR_QUARTER, 0, 0x0102), 180);
    EXPECT_EQ(PlayOf(DUR_QUARTER, 0, 0x0300), 240);
    EXPECT_EQ(PlayOf(DUR_QUARTER, 0, 0x0003), 240);
    EXPECT_EQ(PlayOf(DUR_QUARTER, 1, 0x0203), 240);

    // Only the low five bits of the duration word are the code.
    EXPECT_EQ(PlayOf(static_cast<BYTE>(0x20 | DUR_QUARTER)), 240);
}

TEST_F(LengthTest, PlayTimesReadTheScoresTickUnit)
{
    score->System()->m_dwTicksPerQuarter = 480;
    EXPECT_EQ(PlayOf(DUR_QUARTER), 480);
    EXPECT_EQ(PlayOf(DUR_128TH, 2), 25); // 15 + 7 + 3
    EXPECT_DOUBLE_EQ(DoubleOf(DUR_16TH, 0, 0x0407), 480.0 / 7.0);
}

TEST_F(LengthTest, GraceNotesPlayNothing)
{
    CKVMsg* grace = score->Grace(Meas(), {.code = DUR_EIGHTH});
    // The stored value is kept; the grace note reports none.
    EXPECT_EQ(grace->m_nPlayTime, 120);
    EXPECT_EQ(grace->GetPlayTime(), 0);
    EXPECT_EQ(grace->GetPlayTimeDouble(), 0.0);
    EXPECT_EQ(PlayOf(DUR_EIGHTH, 0, 0, MSGFLAG_GRACE), 120);
}

TEST_F(LengthTest, DoublePlayTimes)
{
    EXPECT_DOUBLE_EQ(DoubleOf(DUR_EIGHTH, 0, 0x0203), 80.0);
    EXPECT_DOUBLE_EQ(DoubleOf(DUR_16TH, 0, 0x0405), 48.0);
    EXPECT_DOUBLE_EQ(DoubleOf(DUR_128TH), 7.5);
    EXPECT_DOUBLE_EQ(DoubleOf(DUR_QUARTER, 1), 360.0);
    EXPECT_DOUBLE_EQ(DoubleOf(DUR_128TH, 1), 10.0);
    EXPECT_DOUBLE_EQ(DoubleOf(DUR_128TH, 2), 11.0);
    EXPECT_DOUBLE_EQ(DoubleOf(DUR_16TH, 0, 0x0407), 240.0 / 7.0);
    EXPECT_DOUBLE_EQ(DoubleOf(DUR_QUARTER, 0, 0x0102), 180.0);
    EXPECT_DOUBLE_EQ(DoubleOf(DUR_EIGHTH, 0, 0, MSGFLAG_GRACE), 0.0);
}

TEST_F(LengthTest, ChordsSetTheirMembers)
{
    CKVMsg* chord = score->Chord(Meas(), {.x = 0, .code = DUR_QUARTER}, {0, -16});
    ASSERT_EQ(chord->GetMsgNum(), 2);
    for (short i = 0; i < 2; ++i)
        chord->GetMsg(i)->m_nPlayTime = 0;
    chord->m_nPlayTime = 0;
    chord->CalcPlayTime();
    EXPECT_EQ(chord->m_nPlayTime, 240);
    EXPECT_EQ(chord->GetPlayTime(), 240);
    for (short i = 0; i < 2; ++i)
        EXPECT_EQ(chord->GetMsg(i)->m_nPlayTime, 240);
}

TEST_F(LengthTest, BeamGroupsStoreTheSumOfTheirMembers)
{
    CKVMsg* group = score->Beam(Meas(), {.x = 0});
    CKVMsg* a = score->Note(group, {.x = 0, .code = DUR_EIGHTH});
    score->Grace(group, {.x = 16, .y = -8, .code = DUR_EIGHTH});
    CKVMsg* b = score->Note(group, {.x = 32, .code = DUR_EIGHTH});
    a->m_nPlayTime = 0;
    b->m_nPlayTime = 0;
    group->CalcPlayTime();
    EXPECT_EQ(group->m_nPlayTime, 240);
    EXPECT_EQ(a->m_nPlayTime, 120);

    group->m_nPlayTime = 0;
    EXPECT_EQ(group->GetPlayTime(), 240);
    EXPECT_EQ(group->m_nPlayTime, 240);

    // Triplet eighths: the double sum is exact, the stored one truncated.
    CKVMsg* triplets = score->Beam(Meas(), {.x = 100});
    for (short x : {100, 110, 120})
        score->Note(triplets, {.x = x, .code = DUR_16TH, .tuplet = 0x0407});
    EXPECT_DOUBLE_EQ(triplets->GetPlayTimeDouble(), 720.0 / 7.0);
    EXPECT_EQ(triplets->m_nPlayTime, 102);
}

TEST_F(LengthTest, StartTimesOfContainersAndOtherKinds)
{
    CKVMsg* group = score->Beam(Meas(), {.x = 64});
    CKVMsg* a = score->Note(group, {.x = 64, .code = DUR_EIGHTH});
    CKVMsg* b = score->Note(group, {.x = 96, .code = DUR_EIGHTH});
    a->m_nStartTime = 480;
    b->m_nStartTime = 240;
    EXPECT_EQ(group->GetStartTime(), 240);
    // Negative starts do not count.
    b->m_nStartTime = -10;
    EXPECT_EQ(group->GetStartTime(), 480);

    CKVMsg* empty = score->Beam(Meas(), {.x = 200});
    EXPECT_EQ(empty->GetStartTime(), 32767);

    CKVMsg* text = score->Symbol(Meas(), MSG_TEXT, 10);
    text->m_nStartTime = 5;
    text->m_nPlayTime = 5;
    EXPECT_EQ(text->GetStartTime(), 32767);
    EXPECT_EQ(text->GetPlayTime(), 0);
    text->CalcPlayTime();
    EXPECT_EQ(text->m_nPlayTime, 0);
}

TEST_F(LengthTest, UpdatePlayTimeTakesOneVoiceOrAll)
{
    CKVMsg* one = score->Note(Meas(), {.x = 0, .code = DUR_HALF, .voice = 1});
    CKVMsg* two = score->Note(Meas(), {.x = 0, .y = -8, .code = DUR_HALF, .voice = 2});
    one->m_nPlayTime = two->m_nPlayTime = 0;
    Meas()->UpdatePlayTime(2);
    EXPECT_EQ(one->m_nPlayTime, 0);
    EXPECT_EQ(two->m_nPlayTime, 480);
    Meas()->UpdatePlayTime(0);
    EXPECT_EQ(one->m_nPlayTime, 480);
}

} // namespace
