// Measure numbers: which measures of a system show one, the number counted
// from the score's first staff, and where plain and framed numbers stand.

#include "support/RenderSupport.h"

#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "platform/Recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

constexpr COLORREF kRed = 0x0000FF;

class MeasureNumbers : public kvtest::RenderTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 8, .staves = 1, .measures = 16}; }
    kvtest::RenderShape Rendering() const override { return {.metrics = kvtest::BoxMetrics({})}; }
    void SetUp() override
    {
        RenderTest::SetUp();
        m_block = Doc().GetPage(0)->GetBlock(0);
        m_block->m_arrStaffY.SetAt(0, 40);
        Builder().Staff(0)->m_wObjWord = 100;
        CKVCtrlTool& tool = Doc().m_CtrlTool;
        tool.m_dwB3 = 1;
        tool.m_dwB7 = 0;
        tool.m_dwB4 = 0x00010001;
        tool.m_lB5 = 5;
        tool.m_lB6 = -1;
        tool.m_crMeasNum = kRed;
        tool.m_lfMeasNum.lfHeight = 12;
        // The origin block drawing gives: the pass origin plus the block's
        // top-left (40, 60).
        View().KVSetOrgXY(40, 60);
        Frame(0, 4);
    }
    // Shows measures [first, first + count) in the block, each 100 dots
    // wide from 30.
    void Frame(int first, int count)
    {
        m_block->m_nFirstMeas = static_cast<short>(first);
        m_block->m_nMeasCount = static_cast<short>(count);
        for (int k = first; k < first + count; ++k)
            Builder().Meas(0, k)->m_rcMeas.SetRect(30 + 100 * (k - first), 0, 130 + 100 * (k - first), 80);
    }
    // The numbers drawn, each with the measure index it stands over.
    std::vector<std::pair<std::string, int>> Numbers()
    {
        Log().Clear();
        EXPECT_EQ(View().DrawMeasNum(*m_block), 1);
        std::vector<std::pair<std::string, int>> numbers;
        for (const kvrec::Entry* text : Log().Texts())
            numbers.emplace_back(text->bytes, (text->logical[0].x - 70) / 100 + m_block->m_nFirstMeas);
        return numbers;
    }
    using Numbered = std::vector<std::pair<std::string, int>>;

    CKVBlock* m_block = nullptr;
};

TEST_F(MeasureNumbers, EachSystemNumbersItsFirstMeasureAboveTheStaff)
{
    const kvrec::LiveCounts live = kvrec::LiveObjectCounts();
    Frame(4, 4);
    EXPECT_EQ(Numbers(), (Numbered {{"5", 4}}));
    const kvrec::Entry* text = Log().Texts()[0];
    EXPECT_EQ(CPoint(text->logical[0]), CPoint(70, 58));
    EXPECT_EQ(text->align, UINT(TA_BOTTOM | TA_LEFT));
    EXPECT_EQ(text->textColour, kRed);
    EXPECT_EQ(text->font.lfHeight, -16);
    EXPECT_EQ(kvrec::LiveObjectCounts(), live);
    EXPECT_EQ(Doc().m_CtrlTool.m_lfMeasNum.lfHeight, 12);
    EXPECT_EQ(View().m_nStaffSpace, 8);

    Frame(0, 4);
    EXPECT_EQ(Numbers(), (Numbered {{"1", 0}}));

    // Below the last staff, hanging from the anchor; at the right edge or
    // the middle of the measure.
    Doc().m_CtrlTool.m_dwB4 = 0x00020002;
    Numbers();
    EXPECT_EQ(CPoint(Log().Texts()[0]->logical[0]), CPoint(170, 110));
    EXPECT_EQ(Log().Texts()[0]->align, UINT(TA_TOP | TA_RIGHT));
    Doc().m_CtrlTool.m_dwB4 = 0x00010003;
    Numbers();
    EXPECT_EQ(CPoint(Log().Texts()[0]->logical[0]), CPoint(120, 58));
    EXPECT_EQ(Log().Texts()[0]->align, UINT(TA_BOTTOM | TA_CENTER));
}

TEST_F(MeasureNumbers, CountRunsFromTheScoreStartThroughMultiMeasureRests)
{
    Doc().m_CtrlTool.m_lB6 = 5;
    Frame(0, 16);
    EXPECT_EQ(Numbers(), (Numbered {{"1", 0}, {"5", 4}, {"10", 9}, {"15", 14}}));

    Doc().m_CtrlTool.m_lB6 = 1;
    CKVMsg* rest = Builder().Symbol(Builder().Meas(0, 2), MSG_MULTIREST, 0);
    rest->m_wObjWord = 8;
    Frame(3, 1);
    EXPECT_EQ(Numbers(), (Numbered {{"11", 3}}));
    // A stored count of 0 or less still counts as one measure.
    for (WORD stored : {WORD(0), WORD(0xFFFB)}) {
        rest->m_wObjWord = stored;
        EXPECT_EQ(Numbers(), (Numbered {{"4", 3}})) << stored;
    }
}

TEST_F(MeasureNumbers, FlagsLeaveOutTheFirstMeasureOrThePickupOrCountFromZero)
{
    struct Case {
        DWORD flags;
        LONG interval;
        Numbered shown;
    };
    for (const Case& c : {Case {0x1, 1, {{"2", 1}, {"3", 2}, {"4", 3}}}, Case {0x1, -1, {}},
                          Case {0x2, -1, {{"1", 1}}}, Case {0x2, 1, {{"1", 1}, {"2", 2}, {"3", 3}}},
                          Case {0x4, -1, {{"0", 0}}}, Case {0x0, 0, {{"1", 0}, {"2", 1}, {"3", 2}, {"4", 3}}}}) {
        Doc().m_CtrlTool.m_dwB7 = c.flags;
        Doc().m_CtrlTool.m_lB6 = c.interval;
        EXPECT_EQ(Numbers(), c.shown) << c.flags << " " << c.interval;
    }
}

TEST_F(MeasureNumbers, FramedNumberSitsInItsShapeOnTheAnchor)
{
    Frame(4, 4);
    struct Case {
        WORD shape;
        const char* call;
        CPoint text;
    };
    for (const Case& c : {Case {0, "Rectangle", {86, 50}}, Case {1, "Ellipse", {86, 50}},
                          Case {2, "RoundRect", {86, 50}}, Case {3, "Polygon", {86, 55}}}) {
        Doc().m_CtrlTool.m_dwB7 = CKVCtrlTool::kMeasNumFramed | (DWORD(c.shape) << 16);
        EXPECT_EQ(Numbers(), (Numbered {{"5", 4}})) << c.shape;
        const std::vector<const kvrec::Entry*> frames = Log().Calls(c.call);
        ASSERT_EQ(frames.size(), 1u) << c.call;
        const kvrec::Entry& frame = *frames[0];
        if (c.shape == 3) {
            const std::vector<CPoint> corners = {{70, 58}, {102, 58}, {86, 26}, {70, 58}};
            EXPECT_EQ(std::vector<CPoint>(frame.logical.begin(), frame.logical.end()), corners);
        } else {
            EXPECT_EQ(CRect(frame.logical[0].x, frame.logical[0].y, frame.logical[1].x, frame.logical[1].y),
                      CRect(70, 26, 102, 58));
        }
        if (c.shape == 2) {
            EXPECT_EQ(frame.values, (std::vector<LONG> {8, 8}));
        }
        EXPECT_EQ(frame.penWidth, 1);
        EXPECT_EQ(frame.penColour, kRed);
        EXPECT_EQ(frame.brushStock, NULL_BRUSH);
        const kvrec::Entry* text = Log().Texts()[0];
        EXPECT_EQ(CPoint(text->logical[0]), c.text) << c.call;
        EXPECT_EQ(text->align, UINT(TA_BASELINE | TA_CENTER));
    }
}

TEST_F(MeasureNumbers, OssiaSystemHasNone)
{
    m_block->m_byKind = CKVBlock::KIND_OSSIA;
    Log().Clear();
    EXPECT_EQ(View().DrawMeasNum(*m_block), 0);
    EXPECT_TRUE(Log().Entries().empty());
}

} // namespace
