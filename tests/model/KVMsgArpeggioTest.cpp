// How many staves a rolled-chord sign reaches in the block that shows it.

#include "support/KvTest.h"

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

namespace {

class KVMsgArpeggioTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        doc = std::make_unique<CKVDoc>();
        ASSERT_EQ(doc->CreateDocument(3, 2, 1, 4, 4), 1);
    }

    void TearDown() override
    {
        doc.reset();
        KvTest::TearDown();
    }

    CKVMeas* Meas(short staff, int index)
    {
        return doc->m_arrSystem.GetAt(0)->GetStaff(staff)->GetMeas(index);
    }

    // A rolled-chord sign in staff 0's first measure whose lower end lies
    // `below` units under staff 1's measure top less the staff space.
    CKVMsg* SignReaching(int below)
    {
        CKVMeas* own = Meas(0, 0);
        const int target = Meas(1, 0)->m_rcMeas.top - doc->m_nStaffSpace + below;
        auto* sign = new CKVMsg();
        sign->m_byKind = MSG_ARPEGGIO;
        sign->m_nPosY = 0;
        sign->m_nPosY2 = static_cast<short>(target - own->m_rcMeas.top);
        EXPECT_EQ(own->AddMsg(sign, kHolderOwns), 1);
        return sign;
    }

    std::unique_ptr<CKVDoc> doc;
};

TEST_F(KVMsgArpeggioTest, CountsTheStavesItsLowerEndReaches)
{
    ASSERT_GT(Meas(1, 0)->m_rcMeas.top, Meas(0, 0)->m_rcMeas.top);
    // One unit past staff 1's top less a staff space: staves 0 and 1.
    EXPECT_EQ(SignReaching(1)->GetAlpegioInfo(), 2);
    // Exactly at it still counts; one unit short does not.
    EXPECT_EQ(SignReaching(0)->GetAlpegioInfo(), 2);
    EXPECT_EQ(SignReaching(-1)->GetAlpegioInfo(), 1);
}

TEST_F(KVMsgArpeggioTest, SignInNoBlockOrOfAnotherKindGivesZero)
{
    // A measure that no staff lists is shown by no block.
    CKVMeas loose;
    loose.Initialize(doc->m_arrSystem.GetAt(0), OBJ_MEAS);
    auto* sign = new CKVMsg();
    sign->m_byKind = MSG_ARPEGGIO;
    ASSERT_EQ(loose.AddMsg(sign, kHolderOwns), 1);
    EXPECT_EQ(sign->GetAlpegioInfo(), 0);

    CKVMsg text;
    text.m_byKind = MSG_TEXT;
    EXPECT_EQ(text.GetAlpegioInfo(), 0);
}

} // namespace
