// Glyph, line and text symbols drawn through a whole system: each reaches
// its drawer from its measure, and a measure repeat, unlike a hairpin or a
// dynamic, fills its measure so that no whole rest is added.

#include "support/SymbolDrawing.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

constexpr COLORREF kHairpinColour = RGB(10, 120, 30);

class SymbolsInSystem : public kvtest::SymbolDrawingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 8, .staves = 1, .measures = 2}; }

    int Count(int code)
    {
        int n = 0;
        for (const kvtest::DrawnGlyph& glyph : kvtest::DrawnGlyphs(Log()))
            n += std::get<0>(glyph) == code;
        return n;
    }
};

TEST_F(SymbolsInSystem, RepeatHairpinAndDynamicDrawAndOnlyTheMeasureWithoutTheRepeatGetsAWholeRest)
{
    CKVBlock* block = Doc().GetPage(0)->GetBlock(0);
    ASSERT_NE(block, nullptr);
    ASSERT_EQ(block->m_nMeasCount, 2);
    Doc().m_CtrlTool.m_wDrawOptions = CKVCtrlTool::kWholeRestInEmptyMeas;

    CKVMsg* repeat = Builder().Symbol(Builder().Meas(0, 0), MSG_MEASREPEAT, 128, 0);
    repeat->m_wDuration = 1;
    CKVMsg* hairpin = Builder().Symbol(Builder().Meas(0, 1), MSG_HAIRPIN, 40, 40);
    hairpin->m_nPosY2 = 12;
    hairpin->m_wObjWord = 80;
    hairpin->m_dwWord = static_cast<DWORD>(-12);
    hairpin->m_crColor = kHairpinColour;
    CKVMsg* dynamic = Builder().Symbol(Builder().Meas(0, 1), MSG_DYNAMIC, 160, 40);
    dynamic->m_wDuration = 3;

    ASSERT_EQ(View().KVDrawBlock(*block), 1);
    EXPECT_EQ(Count(0x90), 1);
    EXPECT_EQ(Count(0xB4), 1) << "the measure with the hairpin and the dynamic counts as empty";

    int hairpinLines = 0;
    for (const kvrec::Entry* line : Log().Calls("LineTo"))
        hairpinLines += line->penColour == kHairpinColour;
    EXPECT_EQ(hairpinLines, 2);
    int dynamics = 0;
    for (const kvrec::Entry* text : Log().Texts())
        dynamics += text->units == u"\u00F2";
    EXPECT_EQ(dynamics, 1);
}

} // namespace
