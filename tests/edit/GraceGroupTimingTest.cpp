// Grace notes made in a beam group are re-placed one staff space apart, and
// a grace note's start comes from its place: the starts the command leaves
// are those of the places it leaves, as a save and a load work them out.

#include "model/MeasPlace.h"
#include "support/ScoreIntegrity.h"
#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

namespace {

class GraceGroupTimingTest : public kvtest::SelectionTest {
protected:
    // A group of three eighths spread over measure 1 of staff 0.
    void SpreadGroup()
    {
        CKVMeas* m = Meas(0, 1);
        m->m_nRealWidth = 256;
        CKVMsg* group = score->Beam(m, {.x = 0, .code = DUR_EIGHTH});
        for (short x : {0, 96, 192})
            score->Note(group, {.x = x, .y = -12, .code = DUR_EIGHTH});
        group->m_nPosX2 = 192;
        score->Settle();
    }

    void ExpectStartsFollowPlaces()
    {
        CKVMeas* live = Doc().GetMeasure(1, 0, 0);
        std::vector<CKVMsg*> groups;
        tickmath::ForEachChild(*live, [&](CKVMsg* child, short) {
            if (child->m_byKind == MSG_BEAM)
                groups.push_back(child);
            return false;
        });
        ASSERT_EQ(groups.size(), 1u);
        int graces = 0;
        for (CKVMsg* group : groups) {
            for (CKVMsg* member : tickmath::Members(*group)) {
                ASSERT_TRUE(member->m_wFlag & MSGFLAG_GRACE);
                ++graces;
                const short start = static_cast<short>(live->m_nLength * member->m_nPosX / CKVMeas::SCALE);
                EXPECT_EQ(member->m_nPerformStart, start) << "at x " << member->m_nPosX;
                EXPECT_EQ(member->m_nStartTime, start) << "at x " << member->m_nPosX;
            }
        }
        EXPECT_EQ(graces, 3);
        EXPECT_EQ(kvtest::Joined(kvtest::ReloadProblems(Doc())), "");
    }
};

TEST_F(GraceGroupTimingTest, GraceMembersOverEveryPageStartWhereTheyStand)
{
    SpreadGroup();
    Doc().SelectAllPages();
    Doc().ResetBackup();
    Doc().ChangeToGrace(1);
    ExpectStartsFollowPlaces();
}

TEST_F(GraceGroupTimingTest, GraceMembersOfASelectedMeasureStartWhereTheyStand)
{
    SpreadGroup();
    SelectMeas(0, 1);
    Doc().ResetBackup();
    Doc().ChangeToGrace(0);
    ExpectStartsFollowPlaces();
}

} // namespace
