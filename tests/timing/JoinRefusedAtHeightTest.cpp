// A join refused because a note at the spot already has the new note's
// height says so, whether that note stands alone, in a chord or in a beam
// group; other refusals and accepted joins do not.

#include "support/TimingFixture.h"

#include "timing/InsertState.h"

#include <gtest/gtest.h>

namespace {

class JoinRefusedAtHeight : public kvtest::TimingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 16, .staves = 1, .measures = 1}; }

    CKVMsg* NewNote(short x, short y, BYTE code = DUR_QUARTER)
    {
        return new CKVMsg(Meas(), POINT {x, y}, MSG_NOTE, 0, code, 1, 0, -28, 0, 0, 0);
    }

    // Joins a new note at the spot, with the flag set the other way first,
    // and expects it to tell whether the refusal was for the note's height.
    // An accepted note stays in the measure.
    void ExpectJoin(short x, short y, bool atHeight, BYTE code = DUR_QUARTER)
    {
        CKVMsg* msg = NewNote(x, y, code);
        SetJoinRefusedAtHeight(!atHeight);
        short index = 5;
        Meas()->ProcInRect(msg, index, 1);
        if (index < 0)
            delete msg;
        EXPECT_EQ(GetJoinRefusedAtHeight(), atHeight) << x << ", " << y;
    }
};

TEST_F(JoinRefusedAtHeight, ANoteAChordAndAGroupMemberAtThatHeight)
{
    score->Note(Meas(), {.x = 64, .y = -8});
    ExpectJoin(64, -8, true);
    // Another height makes a chord, which then refuses both heights.
    ExpectJoin(64, 0, false);
    ExpectJoin(64, 0, true);
    ExpectJoin(64, -8, true);

    CKVMsg* group = score->Beam(Meas(), {.x = 128});
    for (short x : {128, 192})
        score->Note(group, {.x = x, .code = DUR_EIGHTH});
    group->m_nPosX2 = 192;
    group->CalcPlayTime();
    ExpectJoin(192, 0, true, DUR_EIGHTH);
    // A chord in the group, the same.
    ExpectJoin(192, -24, false, DUR_EIGHTH);
    ExpectJoin(192, -24, true, DUR_EIGHTH);
}

TEST_F(JoinRefusedAtHeight, AOneLineStaffRefusesAChordOfTwoHeightsForItsKind)
{
    score->Staff(0)->m_byStaffKind = CKVStaff::KIND_ONE_LINE;
    score->Note(Meas(), {.x = 64, .y = -16});
    ExpectJoin(64, 0, false);
    ExpectJoin(64, -16, true);
}

} // namespace
