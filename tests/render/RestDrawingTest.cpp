// Rests, rhythm slashes and arcs, on the recording device with box metrics:
// a rest glyph is 10 wide, a dot 4.

#include "support/RenderSupport.h"

#include "document/KVCtrlTool.h"
#include "platform/Recorder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Glyph = kvtest::DrawnGlyph;

class RestDrawing : public kvtest::RenderTest {
protected:
    kvtest::RenderShape Rendering() const override
    {
        return kvtest::RenderShape {.metrics = kvtest::BoxMetrics({{0xA7, 4}})};
    }
    void SetUp() override
    {
        RenderTest::SetUp();
        m_meas = Builder().Meas(0, 0);
        m_meas->m_nRealWidth = 262;
        m_meas->m_nHeaderWidth = 0;
        View().KVSetOrgXY(100, 200);
        m_gdi = kvrec::LiveObjectCounts();
    }
    void TearDown() override
    {
        EXPECT_EQ(kvrec::LiveObjectCounts(), m_gdi);
        EXPECT_TRUE(kvrec::Warnings().empty()) << kvrec::Warnings().front();
        RenderTest::TearDown();
    }
    CKVMsg* Rest(kvtest::NoteShape shape) { return Builder().Rest(m_meas, shape); }
    std::vector<Glyph> Drawn() { return kvtest::DrawnGlyphs(Log()); }

    CKVMeas* m_meas = nullptr;
    kvrec::LiveCounts m_gdi;
};

TEST_F(RestDrawing, RestStandsAtItsScaledPointAndRecordsItsWidth)
{
    Doc().m_sizeRest[DUR_QUARTER].cx = 13;
    View().m_nSizePercent = 75;
    CKVMsg* rest = Rest({.x = 128, .y = -16});
    EXPECT_EQ(View().DrawRest(*rest, 0), 1);
    EXPECT_EQ(Drawn(), (std::vector<Glyph> {{0xB6, 228, 188}}));
    EXPECT_EQ(rest->m_nLayout1, -13);
}

TEST_F(RestDrawing, DotsLiftByValueAndWholeAndHalfRestsOffTheStaffGetAStroke)
{
    struct Case {
        kvtest::NoteShape shape;
        std::vector<Glyph> glyphs;
    };
    const std::vector<Case> cases = {
        {{.x = 0, .y = 0, .dots = 1}, {{0xB6, 100, 200}, {0xA7, 114, 196}}},
        {{.x = 0, .y = 0, .code = DUR_16TH, .dots = 1}, {{0xB8, 100, 200}, {0xA7, 114, 188}}},
        {{.x = 0, .y = 0, .code = DUR_HALF}, {{0xB4, 100, 200}}},
        {{.x = 0, .y = 4, .code = DUR_HALF}, {{0xB4, 100, 204}, {0xB5, 100, 204}}},
        {{.x = 0, .y = -16, .code = DUR_WHOLE}, {{0xB4, 100, 180}}},
        {{.x = 0, .y = -32, .code = DUR_WHOLE}, {{0xB4, 100, 164}, {0xB5, 100, 160}}},
    };
    for (const Case& c : cases) {
        Log().Clear();
        EXPECT_EQ(View().DrawRest(*Rest(c.shape), 0), 1);
        EXPECT_EQ(Drawn(), c.glyphs) << int(c.shape.code) << " " << c.shape.y;
    }
}

TEST_F(RestDrawing, HiddenVoicesUnknownVoicesAndDurationsPastTheTable)
{
    Doc().m_CtrlTool.m_wE6 = 0x00FE; // rests of voice 1 hidden
    CKVMsg* rest = Rest({.x = 0, .voice = 1});
    EXPECT_EQ(View().DrawRest(*rest, 0), 1);
    EXPECT_TRUE(Log().Texts().empty());
    Doc().m_CtrlTool.m_wActiveVoice = 1;
    View().DrawRest(*rest, 0);
    EXPECT_EQ(Log().Texts().size(), 1u);

    Log().Clear();
    rest->m_byVoice = 9;
    EXPECT_EQ(View().DrawRest(*rest, 0), 1);
    EXPECT_EQ(Log().Texts().size(), 1u);

    Log().Clear();
    rest->m_wDuration = 9;
    rest->m_byDots = 1;
    EXPECT_EQ(View().DrawRest(*rest, 0), -1);
    EXPECT_TRUE(Log().Entries().empty());
}

TEST_F(RestDrawing, SlashIsAFilledParallelogramAndInvertsOnlyWhenAsked)
{
    View().DrawSlashRest(100, 100, 0x0000FF, 0);
    const std::vector<const kvrec::Entry*> slashes = Log().Calls("Polygon");
    ASSERT_EQ(slashes.size(), 1u);
    EXPECT_EQ(std::vector<CPoint>(slashes[0]->logical.begin(), slashes[0]->logical.end()),
              (std::vector<CPoint> {{100, 100}, {116, 84}, {118, 84}, {102, 100}}));
    EXPECT_EQ(slashes[0]->brushColour, 0x0000FFu);
    EXPECT_EQ(slashes[0]->rop2, R2_COPYPEN);

    Log().Clear();
    View().DrawSlashRest(100, 100, 0x0000FF, 1);
    ASSERT_EQ(Log().Calls("Polygon").size(), 1u);
    EXPECT_EQ(Log().Calls("Polygon")[0]->rop2, R2_NOTXORPEN);
    EXPECT_EQ(Dc().GetROP2(), R2_COPYPEN);

    Log().Clear();
    CKVMsg* slash = Rest({.x = 0, .y = -16});
    slash->m_wHeadType = 2;
    View().DrawRest(*slash, 0);
    EXPECT_TRUE(Log().Texts().empty());
    ASSERT_EQ(Log().Calls("Polygon").size(), 1u);
    EXPECT_EQ(CPoint(Log().Calls("Polygon")[0]->logical[0]), CPoint(100, 192));
}

TEST_F(RestDrawing, ArcsOfNoWidthAreNothingAndFlatOnesTheirChord)
{
    Log().Clear();
    View().DrawArc(10, 10, 10, 20, 10, 15, 10, 15);
    EXPECT_TRUE(Log().Entries().empty());
    View().DrawArc(10, 10, 30, 10, 10, 10, 30, 10);
    EXPECT_EQ(Log().Calls("LineTo").size(), 1u);
    EXPECT_TRUE(Log().Calls("Arc").empty());
    Log().Clear();
    View().DrawArc(10, 10, 30, 20, 10, 15, 20, 20);
    EXPECT_EQ(Log().Calls("Arc").size(), 1u);
    EXPECT_TRUE(Log().Calls("LineTo").empty());
}

} // namespace
