// Bar lines of every kind at both ends of a measure, joined up through a
// bar-line group, the double bar in front of a header, and the filled
// rectangles they are made of.

#include "support/SystemDrawing.h"

#include "model/KVMeas.h"
#include "platform/Recorder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using kvtest::DrawnGlyph;
using Box = kvtest::DeviceBox;

constexpr COLORREF kBlue = 0x00FF0000;
constexpr int kNoStart = 0;
constexpr int kWithStart = 1;

std::vector<Box> Rects(kvrec::Recorder& log)
{
    return kvtest::DeviceBoxes(log.Calls("Rectangle"));
}

// A measure of staff 0 (100 percent, gap 8) whose bottom line is at y 100,
// drawn alone in blue.
template <typename Base>
class BarLineFixture : public Base {
protected:
    void SetUp() override
    {
        Base::SetUp();
        m_meas = this->Builder().Meas(0, 0);
        m_meas->m_nLeftX = 100;
        m_meas->m_nStaffY = 100;
        this->View().m_crBarLine = kBlue;
        this->View().m_lBarClipTop = -1;
    }
    short End(BYTE bar, short x = 500)
    {
        this->Log().Clear();
        m_meas->m_byStartBar = CKVMeas::BAR_NONE;
        m_meas->m_byEndBar = bar;
        return this->View().DrawBarLine(*m_meas, 100, x, kNoStart);
    }
    short Start(BYTE bar)
    {
        this->Log().Clear();
        m_meas->m_byStartBar = bar;
        m_meas->m_byEndBar = CKVMeas::BAR_NONE;
        return this->View().DrawBarLine(*m_meas, 100, 500, kWithStart);
    }
    CKVMeas* m_meas = nullptr;
};

using BarLines = BarLineFixture<kvtest::SystemDrawingTest>;
using PrintedBarLines = BarLineFixture<kvtest::PrintedSystemDrawingTest>;

class FineBarLines : public BarLineFixture<kvtest::SystemDrawingTest> {
protected:
    kvtest::RenderShape Rendering() const override
    {
        kvtest::RenderShape shape = SystemDrawingTest::Rendering();
        shape.dpi = 600;
        return shape;
    }
};

TEST_F(BarLines, EndBarsOfEveryKind)
{
    struct Case {
        BYTE bar;
        std::vector<Box> rects;
        std::vector<DrawnGlyph> dots;
    };
    const std::vector<Case> cases = {
        {3, {{492, 68, 493, 100}, {496, 68, 500, 100}}, {}},
        {2, {{492, 68, 493, 100}, {496, 68, 500, 100}}, {{0xA7, 486, 80}, {0xA7, 486, 88}}},
        {4, {{495, 68, 496, 100}, {499, 68, 500, 100}}, {}},
        {1, {{499, 68, 500, 100}}, {}},
        {16, {{499, 68, 500, 100}}, {}},
        {0, {}, {}},
        {5, {}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(End(c.bar), 0);
        EXPECT_EQ(Rects(Log()), c.rects) << int(c.bar);
        EXPECT_EQ(kvtest::DeviceGlyphs(Log()), c.dots) << int(c.bar);
        for (const kvrec::Entry* rect : Log().Calls("Rectangle")) {
            EXPECT_EQ(rect->penWidth, 0);
            EXPECT_EQ(rect->penColour, kBlue);
            EXPECT_EQ(rect->brushStyle, UINT(BS_SOLID));
            EXPECT_EQ(rect->brushColour, kBlue);
            EXPECT_EQ(rect->windowExt.cx, 400);
        }
        for (const kvrec::GlyphHit& dot : Log().Glyphs())
            EXPECT_EQ(dot.colour, kBlue);
    }
    EXPECT_EQ(Dc().GetWindowExt(), CSize(100, 100));
    EXPECT_EQ(Dc().GetViewportExt(), CSize(100, 100));
    EXPECT_EQ(Dc().GetTextColor(), 0u);
}

TEST_F(BarLines, RepeatStartPutsItsDotsRightOfTheThinLine)
{
    Start(2);
    EXPECT_EQ(Rects(Log()), (std::vector<Box> {{103, 68, 104, 100}, {96, 68, 100, 100}}));
    EXPECT_EQ(kvtest::DeviceGlyphs(Log()), (std::vector<DrawnGlyph> {{0xA7, 106, 80}, {0xA7, 106, 88}}));
    Start(16);
    EXPECT_EQ(Rects(Log()), (std::vector<Box> {{99, 68, 100, 100}}));
    Start(4);
    EXPECT_EQ(Rects(Log()), (std::vector<Box> {{100, 68, 101, 100}, {104, 68, 105, 100}}));
}

TEST_F(BarLines, BarsInAGroupReachUpToItsFirstStaff)
{
    m_meas->m_nStaffY = 180;
    for (const LONG groupTop : {99L, 0L}) {
        View().m_lBarClipTop = groupTop;
        End(1);
        EXPECT_EQ(Rects(Log()), (std::vector<Box> {{499, 148, 500, 180}, {499, int(groupTop), 500, 180}}));
    }
    View().m_lBarClipTop = 99;
    End(3);
    EXPECT_EQ(Rects(Log()).size(), 4u);

    // A dashed start bar runs from this staff's bottom line to the first
    // staff's top line.
    Start(6);
    const std::vector<const kvrec::Entry*> dashes = Log().Lines();
    ASSERT_FALSE(dashes.empty());
    EXPECT_EQ(dashes.front()->device[0].y, 68);
    EXPECT_EQ(dashes.back()->device[1].y, 180);
}

TEST_F(BarLines, DashedBarsAloneAndInGroups)
{
    Start(6);
    EXPECT_TRUE(Log().Lines().empty());
    End(6);
    const std::vector<const kvrec::Entry*> dashes = Log().Lines();
    ASSERT_GT(dashes.size(), 1u);
    EXPECT_EQ(CPoint(dashes.front()->device[0]), CPoint(500, 68));
    EXPECT_EQ(CPoint(dashes.back()->device[1]), CPoint(500, 100));
    EXPECT_EQ(dashes.front()->penColour, kBlue);
}

TEST_F(BarLines, SmallerStaffDrawsItsDotsWithItsOwnFont)
{
    Builder().Staff(0)->m_wObjWord = 75;
    End(2);
    const std::vector<const kvrec::Entry*> texts = Log().Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]->font.lfHeight, -24);
    // Gap 6: the thick line is 3 dots wide and ends at the bar.
    EXPECT_EQ(Rects(Log()).back(), (Box {497, 76, 500, 100}));
}

TEST_F(FineBarLines, ThinLineIsHalfAPointWide)
{
    End(1);
    EXPECT_EQ(Rects(Log()), (std::vector<Box> {{496, 68, 500, 100}}));
}

TEST_F(PrintedBarLines, PrintedThinLineIsOneDotInTheBarColour)
{
    End(3);
    const std::vector<const kvrec::Entry*> lines = Log().Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(CPoint(lines[0]->device[0]), CPoint(492, 68));
    EXPECT_EQ(CPoint(lines[0]->device[1]), CPoint(492, 100));
    EXPECT_EQ(lines[0]->penColour, kBlue);
    EXPECT_EQ(Rects(Log()), (std::vector<Box> {{496, 68, 500, 100}}));
    EXPECT_EQ(Log().Calls("Rectangle").front()->windowExt.cx, 100);
}

TEST_F(BarLines, HeaderStartBarReportsItsWidth)
{
    m_meas->m_nLeftX = 0;
    View().KVSetOrgXY(0, 100);
    for (const auto& [bar, width] : std::vector<std::pair<BYTE, short>> {
             {2, 4}, {3, 4}, {4, 4}, {6, 4}, {1, 0}, {16, 0}, {5, 0}, {0, 0}}) {
        m_meas->m_byStartBar = bar;
        EXPECT_EQ(View().DrawMeasLeftBarA(m_meas, 20), width) << int(bar);
    }
    // The double bar starts at x and stays on its own staff; its lines are
    // a twentieth of the gap wide, under a dot here, so they are pen lines.
    Log().Clear();
    m_meas->m_byStartBar = 4;
    View().m_lBarClipTop = 0;
    View().DrawMeasLeftBarA(m_meas, 20);
    EXPECT_EQ(kvtest::DeviceBoxes(Log().Lines()), (std::vector<Box> {{20, 68, 20, 100}, {24, 68, 24, 100}}));
    EXPECT_EQ(View().DrawMeasLeftBarA(nullptr, 20), 0);
}

TEST_F(BarLines, RectanglesAreNormalisedAndNeverVanish)
{
    CPen pen;
    pen.CreatePen(PS_SOLID, 0, kBlue);
    CPen* old = Dc().SelectObject(&pen);
    EXPECT_EQ(View().DrawRectangle(10, 20, 5, 8), 1);
    EXPECT_EQ(Rects(Log()), (std::vector<Box> {{5, 8, 10, 20}}));
    EXPECT_EQ(Log().Calls("Rectangle").front()->logical[0].x, 20);

    // No width at all: a line at the left edge in the caller's pen.
    Log().Clear();
    View().DrawRectangle(10, 30, 10, 20);
    const std::vector<const kvrec::Entry*> lines = Log().Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(CPoint(lines[0]->device[0]), CPoint(10, 20));
    EXPECT_EQ(CPoint(lines[0]->device[1]), CPoint(10, 30));
    EXPECT_EQ(lines[0]->penColour, kBlue);
    EXPECT_TRUE(Rects(Log()).empty());
    EXPECT_EQ(Dc().GetWindowExt(), CSize(100, 100));
    Dc().SelectObject(old);
}

} // namespace
