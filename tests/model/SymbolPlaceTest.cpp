// Where a symbol stands: the measure its containers lead up to, and the two
// readings of its duration word.

#include "support/ScoreBuilder.h"
#include "support/ScoreTest.h"

#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/TickMath.h"

#include <gtest/gtest.h>

namespace {

class SymbolPlaceTest : public kvtest::ScoreTest {
protected:
    kvtest::ScoreShape Shape() override { return {.staves = 1, .measures = 1}; }

    void SetUp() override
    {
        ScoreTest::SetUp();
        meas = score->Meas(0, 0);
    }

    CKVMeas* meas = nullptr;
};

TEST_F(SymbolPlaceTest, EveryLevelOfTheDeepestNestingFindsItsMeasure)
{
    // A mark of a note in a chord in a beam group: four levels down.
    CKVMsg* group = score->Beam(meas, {.x = 0, .code = DUR_EIGHTH});
    CKVMsg* chord = score->Chord(group, {.x = 0, .code = DUR_EIGHTH}, {0, -16});
    ASSERT_NE(chord, nullptr);
    CKVMsg* member = chord->GetMsg(1);
    ASSERT_NE(member, nullptr);
    CKVMsg* mark = score->Symbol(member, MSG_NOTEMARK, 0);
    ASSERT_NE(mark, nullptr);
    for (CKVMsg* msg : {group, chord, member, mark})
        EXPECT_EQ(tickmath::MeasureOf(msg), meas) << "kind " << int(msg->m_byKind);
    EXPECT_EQ(tickmath::MeasureOf(nullptr), nullptr);
}

TEST_F(SymbolPlaceTest, SymbolsOutsideAMeasureBelongToNone)
{
    // A page-level symbol keeps whatever parent its template had; the parent
    // kind, not that pointer, says where it stands.
    CKVMsg pageText;
    pageText.m_byObjKind = OBJ_MSG;
    pageText.m_byKind = MSG_FREETEXT;
    pageText.m_byParentKind = OBJ_PAGE;
    pageText.m_pParent = meas;
    EXPECT_EQ(tickmath::MeasureOf(&pageText), nullptr);

    CKVMsg onStaff;
    onStaff.m_byObjKind = OBJ_MSG;
    onStaff.m_byParentKind = OBJ_STAFF;
    onStaff.m_pParent = meas->m_pParent;
    EXPECT_EQ(tickmath::MeasureOf(&onStaff), nullptr);

    CKVMsg loose;
    loose.m_byObjKind = OBJ_MSG;
    EXPECT_EQ(tickmath::MeasureOf(&loose), nullptr);
}

TEST_F(SymbolPlaceTest, ADamagedParentCycleEndsTheClimb)
{
    CKVMsg a;
    CKVMsg b;
    for (CKVMsg* msg : {&a, &b}) {
        msg->m_byObjKind = OBJ_MSG;
        msg->m_byParentKind = OBJ_MSG;
    }
    a.m_pParent = &b;
    b.m_pParent = &a;
    EXPECT_EQ(tickmath::MeasureOf(&a), nullptr);
}

TEST(DurationWordTest, TheByteKeepsTheBitsAboveTheCodeAndTheCodeDropsThem)
{
    CKVMsg note;
    note.m_wDuration = 0x0100 | 0x20 | DUR_QUARTER;
    EXPECT_EQ(tickmath::DurationByte(note), 0x20 | DUR_QUARTER);
    EXPECT_EQ(tickmath::DurationCode(note), DUR_QUARTER);

    note.m_wDuration = DUR_16TH;
    EXPECT_EQ(tickmath::DurationByte(note), DUR_16TH);
    EXPECT_EQ(tickmath::DurationCode(note), DUR_16TH);
}

} // namespace
