// Swing of note pairs: gate times and start offsets by the beat grid, the
// ratios and heads that must leave a note alone, and undo of a swung measure.

#include "support/UndoSupport.h"

#include "model/KVMeas.h"
#include "model/KVMsg.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using kvtest::ScoreBuilder;

class SwingTest : public kvtest::UndoTest {
protected:
    void SetUp() override
    {
        UndoTest::SetUp();
        meas = score->Meas(0, 0);
        first = score->Note(meas, {.x = 0, .code = DUR_EIGHTH});
        second = score->Note(meas, {.x = 32, .code = DUR_EIGHTH});
        meas->UpdateStartTime(1, 0, 0, 0);
        ASSERT_EQ(second->m_nStartTime, 120);
        ASSERT_EQ(second->GetPlayTime(), 120);
    }

    static DWORD Gate(CKVMsg* note) { return ScoreBuilder::GetMidiHead(note).dwGateTime; }
    static LONG Offset(CKVMsg* note) { return ScoreBuilder::GetMidiHead(note).lStartOffset; }

    CKVMeas* meas = nullptr;
    CKVMsg* first = nullptr;
    CKVMsg* second = nullptr;
};

TEST_F(SwingTest, TheBeatGridDecidesWhichNoteOfAPairIsLong)
{
    CKVMsg* rest = score->Rest(meas, {.x = 64});
    first->m_nStartTime = 480;
    EXPECT_EQ(first->IsInBeforeBeat(4), 1);
    first->m_nStartTime = 600;
    EXPECT_EQ(first->IsInBeforeBeat(4), 0);
    EXPECT_EQ(rest->IsInBeforeBeat(4), -1);
    // No grid: a shift below zero, or a unit of no ticks.
    EXPECT_EQ(first->IsInBeforeBeat(-1), -1);
    EXPECT_EQ(first->IsInBeforeBeat(12), -1);
    EXPECT_EQ(first->IsInBeforeBeat(40), -1);
}

TEST_F(SwingTest, RatiosSetGateTimesAndOffsetsTruncated)
{
    struct Case {
        float ratio;
        DWORD firstGate;
        DWORD secondGate;
        LONG secondOffset;
    };
    for (const Case& c : {Case {66, 158, 81, 19}, Case {50, 120, 120, 0}, Case {34, 81, 158, -19}}) {
        SCOPED_TRACE(c.ratio);
        first->SwingSet(c.ratio, 4);
        second->SwingSet(c.ratio, 4);
        EXPECT_EQ(Gate(first), c.firstGate);
        EXPECT_EQ(Offset(first), 0);
        EXPECT_EQ(Gate(second), c.secondGate);
        EXPECT_EQ(Offset(second), c.secondOffset);
    }
    second->SwingReset();
    EXPECT_EQ(Gate(second), 120u);
    EXPECT_EQ(Offset(second), 0);
}

TEST_F(SwingTest, BadRatiosAndShortHeadsLeaveTheNoteAlone)
{
    ScoreBuilder::SetMidiHead(second, MidiNoteHead {.byKey = 60, .dwGateTime = 99, .lStartOffset = 7});
    for (float ratio : {120.0f, -1.0f})
        second->SwingSet(ratio, 4);
    second->SwingSet(66, 12);
    EXPECT_EQ(Gate(second), 99u);
    EXPECT_EQ(Offset(second), 7);

    unsigned char shortHead[8] = {60, 100, 64, 0, 99, 0, 0, 0};
    second->SetHead(sizeof shortHead, shortHead);
    second->SwingSet(66, 4);
    second->SwingReset();
    ASSERT_EQ(second->m_wHeadLen, 8);
    EXPECT_EQ(std::vector<unsigned char>(second->m_pHead, second->m_pHead + 8),
              std::vector<unsigned char>(shortHead, shortHead + 8));
}

TEST_F(SwingTest, ASwungMeasureIsUndoneWithItsBackup)
{
    kvtest::ExpectRoundTrip(Doc(), [&] {
        Doc().ResetBackup();
        meas->ObjectBackup(kBackupRecorded, kBackupAlone);
        CKVMeas* live = meas->GetCurBackupObj();
        for (short i = 0; i < live->GetMsgNum(); ++i)
            live->GetMsg(i)->SwingSet(66, 4);
        EXPECT_EQ(Gate(live->GetMsg(0)), 158u);
    });
}

} // namespace
