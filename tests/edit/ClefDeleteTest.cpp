// Taking a clef change away: the measures after it take the clef in force
// again, up to the next clef change, as one undo step.

#include "support/SelectionSupport.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

namespace {

using kvtest::CanonicalDump;

class ClefDeleteTest : public kvtest::SelectionTest {
protected:
    static constexpr BYTE kTreble = 1;
    static constexpr BYTE kBass = 2;

    // A bass clef change in measure 1 of staff 0 and the measures after it
    // in bass up to `until` (exclusive).
    CKVMsg* BassFrom(short x, int until)
    {
        CKVMsg* change = score->ClefChange(Meas(0, 1), x, kBass);
        for (int m = 2; m < until; ++m)
            Meas(0, m)->m_byInitClef = kBass;
        score->Settle();
        return change;
    }

    BYTE Clef(int m) { return Doc().GetMeasure(m, 0, 0)->m_byInitClef; }
};

TEST_F(ClefDeleteTest, TheFollowingMeasuresTakeTheClefInForceAndUndoBringsTheSymbolBack)
{
    CKVMsg* change = BassFrom(128, 9);
    const std::string before = CanonicalDump(Doc());
    EXPECT_EQ(Doc().UpdateDelClefType(change), 1);
    for (int m = 1; m < 9; ++m)
        EXPECT_EQ(Clef(m), kTreble) << "measure " << m;
    EXPECT_EQ(Doc().GetMeasure(1, 0, 0)->GetMsgNum(), 0);
    EXPECT_EQ(Doc().m_bModified, 1);
    Doc().MultiUndoStart();
    EXPECT_EQ(CanonicalDump(Doc()), before);
}

TEST_F(ClefDeleteTest, AnEarlierChangeInTheMeasureStaysInForceAndALaterOneEndsTheWalk)
{
    CKVMsg* change = BassFrom(128, 9);
    score->ClefChange(Meas(0, 1), 64, 3);
    EXPECT_EQ(Doc().UpdateDelClefType(change), 1);
    for (int m = 2; m < 9; ++m)
        EXPECT_EQ(Clef(m), 3) << "measure " << m;

    Doc().MultiUndoStart();
    CKVMsg* later = score->ClefChange(Doc().GetMeasure(1, 0, 0), 200, kBass);
    EXPECT_EQ(Doc().UpdateDelClefType(Doc().GetMeasure(1, 0, 0)->GetMsg(0)), 1);
    EXPECT_EQ(Clef(2), kBass);
    EXPECT_NE(later, nullptr);
    EXPECT_EQ(Doc().UpdateDelClefType(nullptr), 0);
}

TEST_F(ClefDeleteTest, TheWalkStopsAtAMeasureThatHasTheClefAlready)
{
    CKVMsg* change = BassFrom(128, 5);
    Meas(0, 6)->m_byInitClef = kBass;
    EXPECT_EQ(Doc().UpdateDelClefType(change), 1);
    EXPECT_EQ(Clef(4), kTreble);
    EXPECT_EQ(Clef(5), kTreble);
    EXPECT_EQ(Clef(6), kBass);
}

} // namespace
