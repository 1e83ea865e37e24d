// Time queries of a measure: the time a pickup misses, the time a voice
// fills, time left of a position, and the removal of time ranges and MIDI
// events.

#include "support/KvTest.h"
#include "support/ScoreBuilder.h"
#include "support/ScoreTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class KVMeasTimeTest : public kvtest::ScoreTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 16, .staves = 1, .measures = 2}; }

    void SetUp() override
    {
        ScoreTest::SetUp();
        meas = score->Meas(0, 0);
    }

    CKVMsg* Note(CKVObject* parent, short x, short start, BYTE code = DUR_QUARTER, BYTE voice = 1)
    {
        CKVMsg* note = score->Note(parent, {.x = x, .code = code, .voice = voice});
        note->m_nStartTime = start;
        return note;
    }

    // The positions of the measure's live children of one voice, with the
    // members of beam groups in place of the groups.
    std::vector<short> VoicePositions(BYTE voice)
    {
        std::vector<short> positions;
        for (short i = 0; i < meas->GetMsgNum(); ++i) {
            CKVMsg* msg = meas->GetMsg(i);
            if (!msg || msg->m_byVoice != voice)
                continue;
            if (msg->m_byKind == MSG_BEAM) {
                for (short j = 0; j < msg->GetMsgNum(); ++j) {
                    if (CKVMsg* member = msg->GetMsg(j))
                        positions.push_back(member->m_nPosX);
                }
            } else {
                positions.push_back(msg->m_nPosX);
            }
        }
        return positions;
    }

    CKVMeas* meas = nullptr;
};

TEST_F(KVMeasTimeTest, PickupMissesTheTimeOfItsFullestVoice)
{
    score->Setup(meas, {.pickup = true});
    score->Note(meas, {.x = 0, .code = DUR_QUARTER, .voice = 1});
    score->Note(meas, {.x = 0, .code = DUR_HALF, .voice = 2});
    EXPECT_EQ(meas->GetPeakupMeasTime(1), 480);
    EXPECT_EQ(meas->GetPeakupMeasTime(0), 480);

    // Without the pickup flag only the unconditional form answers.
    score->Setup(meas, {.pickup = false});
    EXPECT_EQ(meas->GetPeakupMeasTime(1), 0);
    EXPECT_EQ(meas->GetPeakupMeasTime(0), 480);
}

TEST_F(KVMeasTimeTest, PickupCountsAChordOnce)
{
    score->Setup(meas, {.pickup = true});
    score->Chord(meas, {.x = 0}, {0, -16});
    EXPECT_EQ(meas->GetPeakupMeasTime(1), 720);
}

TEST_F(KVMeasTimeTest, FullPickupMissesNothing)
{
    score->Setup(meas, {.pickup = true});
    for (short x : {0, 64, 128, 192})
        score->Note(meas, {.x = x});
    EXPECT_EQ(meas->GetPeakupMeasTime(1), 0);
}

TEST_F(KVMeasTimeTest, WholeCountSumsAVoiceUpToALimit)
{
    score->Note(meas, {.x = 0});
    CKVMsg* group = score->Beam(meas, {.x = 64});
    score->Note(group, {.x = 64, .code = DUR_EIGHTH});
    score->Note(group, {.x = 96, .code = DUR_EIGHTH});
    score->Grace(meas, {.x = 120, .code = DUR_EIGHTH});
    score->Note(meas, {.x = 0, .code = DUR_WHOLE, .voice = 2});

    EXPECT_EQ(meas->GetCurWholeCount(1, -1), 480);
    EXPECT_EQ(meas->GetCurWholeCount(1, 63), 240);
    // A group member right of the limit does not count, one on it does.
    EXPECT_EQ(meas->GetCurWholeCount(1, 64), 360);
    EXPECT_DOUBLE_EQ(meas->GetCurWholeCountDouble(1, -1), 480.0);
    EXPECT_DOUBLE_EQ(meas->GetCurWholeCountDouble(1, 63), 240.0);
    EXPECT_EQ(meas->GetCurWholeCount(3, -1), 0);
}

TEST_F(KVMeasTimeTest, WholeCountOfTheMeasureIsItsFullestVoice)
{
    score->Note(meas, {.x = 0, .voice = 1});
    score->Note(meas, {.x = 0, .code = DUR_WHOLE, .voice = 8});
    EXPECT_EQ(meas->GetCurWholeCount(), 960);
    EXPECT_DOUBLE_EQ(meas->GetCurWholeCountDouble(), 960.0);
}

TEST_F(KVMeasTimeTest, TimeFromPositionCountsSymbolsAStaffSpaceLeftOfIt)
{
    nCurStaffSpace = 16;
    for (short x : {0, 64, 128})
        score->Note(meas, {.x = x});
    EXPECT_EQ(meas->GetTimeFromPos(1, 130), 480);
    EXPECT_EQ(meas->GetTimeFromPos(1, 145), 720);
    EXPECT_EQ(meas->GetTimeFromPos(2, 145), 0);

    // Groups give their members' times; the position is clamped at 0.
    CKVMsg* group = score->Beam(meas, {.x = 192});
    score->Note(group, {.x = 192, .code = DUR_EIGHTH});
    score->Note(group, {.x = 224, .code = DUR_EIGHTH});
    EXPECT_EQ(group->GetTimeFromPos(230), 120);
    EXPECT_EQ(meas->GetTimeFromPos(1, 256), 960);
    EXPECT_EQ(meas->GetMsg(0)->GetTimeFromPos(5), 0);
}

TEST_F(KVMeasTimeTest, DeleteTimeRangeTakesStartsFromOnUpToTo)
{
    const short starts[] = {0, 240, 480, 720};
    for (int i = 0; i < 4; ++i)
        Note(meas, static_cast<short>(64 * i), starts[i]);
    Note(meas, 64, 240, DUR_QUARTER, 2);

    meas->DeleteTimeRange(1, 240, 720);
    EXPECT_EQ(VoicePositions(1), (std::vector<short> {0, 192}));
    EXPECT_EQ(VoicePositions(2), (std::vector<short> {64}));
}

TEST_F(KVMeasTimeTest, DeleteTimeRangeKeepsGroupMembersStartingAtTo)
{
    Note(meas, 0, 0);
    Note(meas, 64, 240);
    CKVMsg* group = score->Beam(meas, {.x = 128});
    const short starts[] = {480, 600, 720, 840};
    for (int i = 0; i < 4; ++i)
        Note(group, static_cast<short>(128 + 32 * i), starts[i], DUR_EIGHTH);

    meas->DeleteTimeRange(1, 240, 720);
    EXPECT_EQ(VoicePositions(1), (std::vector<short> {0, 192, 224}));
}

TEST_F(KVMeasTimeTest, DeleteTimeRangeToTheEndEmptiesTheVoice)
{
    Note(meas, 0, 0);
    CKVMsg* chord = score->Chord(meas, {.x = 64}, {0, -16});
    chord->GetMsg(0)->m_nStartTime = 240;
    CKVMsg* group = score->Beam(meas, {.x = 128});
    Note(group, 128, 480, DUR_EIGHTH);
    Note(group, 160, 600, DUR_EIGHTH);
    CKVMsg* rest = score->Rest(meas, {.x = 192});
    rest->m_nStartTime = 720;

    // A group that keeps a member stays.
    meas->DeleteTimeRange(1, 0, 600);
    EXPECT_EQ(VoicePositions(1), (std::vector<short> {160, 192}));

    meas->DeleteTimeRange(1, 0, -1);
    EXPECT_TRUE(VoicePositions(1).empty());
    EXPECT_EQ(meas->GetMsgNum(), 0);
}

TEST_F(KVMeasTimeTest, DeleteTimeRangeRemovesEmptyChords)
{
    CKVMsg* chord = score->Chord(meas, {.x = 64}, {0});
    score->MakeStale(chord->GetMsg(0));
    meas->DeleteTimeRange(1, 900, 910);
    EXPECT_EQ(meas->GetMsgNum(), 0);
}

TEST_F(KVMeasTimeTest, MidiEventsGoUpToTheNextNote)
{
    CKVMsg* before = score->Symbol(meas, MSG_MIDI, 5);
    score->Symbol(meas, MSG_MIDI, 10);
    score->Symbol(meas, MSG_MIDI2, 40);
    score->Note(meas, {.x = 64});
    CKVMsg* atNote = score->Symbol(meas, MSG_MIDI, 64);
    CKVMsg* text = score->Symbol(meas, MSG_FREETEXT, 20);

    meas->RemoveMidiMsgFromXToNextNote(10);
    std::vector<CKVMsg*> left;
    for (short i = 0; i < meas->GetMsgNum(); ++i) {
        CKVMsg* msg = meas->GetMsg(i);
        if (msg && msg->m_byKind != MSG_NOTE)
            left.push_back(msg);
    }
    EXPECT_EQ(left, (std::vector<CKVMsg*> {before, text, atNote}));
}

} // namespace
