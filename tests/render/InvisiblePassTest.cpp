// The invisible layout pass over a system, and the room its braces and
// brackets need at the left edge.

#include "support/SystemDrawing.h"

#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "platform/Backends.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

class InvisiblePass : public kvtest::SystemDrawingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 8, .staves = 2, .measures = 6}; }
    void SetUp() override
    {
        SystemDrawingTest::SetUp();
        m_block = Doc().GetPage(0)->GetBlock(0);
        ASSERT_NE(m_block, nullptr);
        Builder().Setup(Builder().Meas(0, 0), {.beats = 3, .keyType = 2, .keyCount = 3});
        Builder().Setup(Builder().Meas(1, 0), {.beats = 3, .clef = 2, .keyType = 2, .keyCount = 3});
    }
    // Header width and content width of every measure of the block.
    using Layout = std::vector<std::pair<short, short>>;
    Layout LayoutOf()
    {
        Layout layout;
        for (short s = 0; s < m_block->GetStaffNum(); ++s)
            for (int m = m_block->m_nFirstMeas; m < m_block->m_nFirstMeas + m_block->m_nMeasCount; ++m) {
                CKVMeas* meas = m_block->GetStaff(s)->GetMeas(m);
                layout.emplace_back(meas->m_nHeaderWidth, meas->m_nRealWidth);
            }
        return layout;
    }
    void ForgetLayout()
    {
        for (short s = 0; s < m_block->GetStaffNum(); ++s)
            for (int m = m_block->m_nFirstMeas; m < m_block->m_nFirstMeas + m_block->m_nMeasCount; ++m) {
                CKVMeas* meas = m_block->GetStaff(s)->GetMeas(m);
                meas->m_nHeaderWidth = 0;
                meas->m_nRealWidth = 1;
            }
    }
    // The layout a visible pass over the whole page writes.
    Layout VisibleLayout()
    {
        View().m_rcUpdate.SetRect(-10000, -10000, 10000, 10000);
        View().KVDrawBlock(*m_block);
        const Layout layout = LayoutOf();
        EXPECT_GT(layout.front().first, 0);
        ForgetLayout();
        return layout;
    }

    CKVBlock* m_block = nullptr;
};

TEST_F(InvisiblePass, LaysOutASystemWhateverThePageDrawingSawWithoutAMainWindow)
{
    const Layout expected = VisibleLayout();
    ClosePasses();
    Log().Clear();
    // The update rectangle the last page drawing left, far from the system.
    View().m_rcUpdate.SetRect(0, 5000, 5, 5005);
    CKVDoc* bound = View().m_pDoc;
    const int screenDCs = KvOpenScreenDCs();
    ASSERT_EQ(AfxGetThread()->m_pMainWnd, nullptr);

    EXPECT_EQ(View().VirtualDrawBlock(*m_block, nullptr, 0), 1);
    EXPECT_EQ(LayoutOf(), expected);
    EXPECT_EQ(KvOpenScreenDCs(), screenDCs);
    EXPECT_EQ(View().m_pDoc, bound);
    EXPECT_EQ(View().m_rcUpdate, CRect(0, 5000, 5, 5005));
    EXPECT_TRUE(Log().Entries().empty());
}

TEST_F(InvisiblePass, InsideAnOpenPassTheOuterPassGoesOnAsItWas)
{
    const Layout expected = VisibleLayout();
    View().m_rcUpdate.SetRect(0, 5000, 5, 5005);
    Log().Clear();
    CDC* dc = View().m_pDC;

    EXPECT_EQ(View().VirtualDrawBlock(*m_block, nullptr, 0), 1);
    EXPECT_EQ(LayoutOf(), expected);
    EXPECT_TRUE(Log().Entries().empty());
    EXPECT_EQ(View().m_pDC, dc);
    EXPECT_EQ(View().m_pDoc, &Doc());
    EXPECT_EQ(View().m_rcUpdate, CRect(0, 5000, 5, 5005));
    EXPECT_TRUE(View().m_bOpened);
    EXPECT_EQ(bScreenMode, 1);

    const char head = static_cast<char>(0xD9);
    View().DrawTextOut(100, 100, &head, 1, 0);
    ASSERT_EQ(Log().Texts().size(), 1u);
    EXPECT_EQ(Log().Texts()[0]->font.lfHeight, -32);
}

class BracketRoom : public kvtest::RenderTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 8, .staves = 3}; }
    kvtest::RenderShape Rendering() const override { return {.metrics = kvtest::BoxMetrics({})}; }
    // Group start and group end flags of each staff.
    short RoomFor(std::vector<std::pair<BYTE, BYTE>> flags)
    {
        for (int s = 0; s < 3; ++s) {
            CKVStaff* staff = Builder().Staff(s);
            staff->m_byGroupBracket[0] = flags[s].first;
            staff->m_byGroupBracket[1] = flags[s].second;
            staff->m_byGroupBracket[2] = 0;
        }
        return View().GetDispXByBrace(*Doc().GetPage(0)->GetBlock(0));
    }
};

// Brackets 0x3F and 0x3E are 10 wide, the gap 8: a bracket takes 14, a
// double bracket 26, a brace twice the gap.
TEST_F(BracketRoom, RoomGrowsWithEachGroupAroundABrace)
{
    EXPECT_EQ(RoomFor({{0, 0}, {0, 0}, {0, 0}}), 0);
    EXPECT_EQ(RoomFor({{4, 0}, {0, 4}, {0, 0}}), 16);
    EXPECT_EQ(RoomFor({{2, 0}, {4, 0}, {0, 6}}), 30);
    EXPECT_EQ(RoomFor({{8, 0}, {4, 0}, {0, 12}}), 42);
    // A bracket alone.
    EXPECT_EQ(RoomFor({{2, 0}, {0, 2}, {0, 0}}), 14);
}

} // namespace
