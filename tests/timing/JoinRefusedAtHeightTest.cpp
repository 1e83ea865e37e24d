// A join refused because a note at the spot already has the new note's
// height says so, whether that note stands alone, in a chord or in a beam
// group; so does one refused because a one-line staff holds no chords, and
// accepted joins name no refusal.

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

    // Joins a new note at the spot, with a stale reason set first, and
    // expects the join to name why it refused the note (None when it took
    // it). An accepted note stays in the measure.
    void ExpectJoin(short x, short y, InsertRefusal why, BYTE code = DUR_QUARTER)
    {
        CKVMsg* msg = NewNote(x, y, code);
        SetInsertRefusal(InsertRefusal::Other);
        short index = 5;
        Meas()->ProcInRect(msg, index, 1);
        if (index < 0)
            delete msg;
        EXPECT_EQ(GetInsertRefusal(), why) << x << ", " << y;
    }
};

TEST_F(JoinRefusedAtHeight, ANoteAChordAndAGroupMemberAtThatHeight)
{
    score->Note(Meas(), {.x = 64, .y = -8});
    ExpectJoin(64, -8, InsertRefusal::AtHeight);
    // Another height makes a chord, which then refuses both heights.
    ExpectJoin(64, 0, InsertRefusal::None);
    ExpectJoin(64, 0, InsertRefusal::AtHeight);
    ExpectJoin(64, -8, InsertRefusal::AtHeight);

    CKVMsg* group = score->Beam(Meas(), {.x = 128});
    for (short x : {128, 192})
        score->Note(group, {.x = x, .code = DUR_EIGHTH});
    group->m_nPosX2 = 192;
    group->CalcPlayTime();
    ExpectJoin(192, 0, InsertRefusal::AtHeight, DUR_EIGHTH);
    // A chord in the group, the same.
    ExpectJoin(192, -24, InsertRefusal::None, DUR_EIGHTH);
    ExpectJoin(192, -24, InsertRefusal::AtHeight, DUR_EIGHTH);
}

TEST_F(JoinRefusedAtHeight, AOneLineStaffRefusesAChordOfTwoHeightsForItsKind)
{
    score->Staff(0)->m_byStaffKind = CKVStaff::KIND_ONE_LINE;
    score->Note(Meas(), {.x = 64, .y = -16});
    ExpectJoin(64, 0, InsertRefusal::OneLineStaff);
    ExpectJoin(64, -16, InsertRefusal::AtHeight);
}

} // namespace
