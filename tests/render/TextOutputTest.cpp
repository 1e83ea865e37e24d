// Glyph and text output of the view: the music-font code mapping, and
// coloured output through memTextDC against direct output.

#include "support/RenderSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kvtest::RenderShape;

constexpr COLORREF kRed = 0x000000FF;
constexpr DWORD kColourBlit = 0x00A90189;

class TextOutput : public kvtest::RenderTest {};

TEST_F(TextOutput, OneByteTextsAreMusicGlyphsLongerTextsAreBytes)
{
    EXPECT_EQ(View().DrawTextOut(10, 50, "\x45", 1, 0), 1);
    View().DrawTextOut(10, 50, "\xF3", 1, 0);
    View().DrawTextOut(10, 50, "12", 2, 0);
    View().DrawTextOutT(10, 50, "(", 1, 0);
    View().DrawTextOut(10, 50, CString("("), 0);

    const std::vector<const kvrec::Entry*> texts = Log().Texts();
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[0]->call, "TextOutW");
    EXPECT_EQ(texts[0]->units, u"\u0145");
    EXPECT_EQ(texts[0]->glyphs, (std::vector<int> {0x45}));
    EXPECT_EQ(texts[1]->units, u"\u00F3");
    EXPECT_EQ(texts[2]->call, "TextOutA");
    EXPECT_EQ(texts[2]->bytes, "12");
    EXPECT_EQ(texts[2]->glyphs, (std::vector<int> {0x31, 0x32}));
    EXPECT_EQ(texts[3]->call, "TextOutA");
    EXPECT_EQ(texts[4]->call, "TextOutA");
}

TEST_F(TextOutput, ColouredGlyphIsBlittedInTheTextColourAndLeavesTheDeviceAsItWas)
{
    Dc().SetTextColor(kRed);
    HGDIOBJ font = SelectObject(Dc().m_hDC, GetStockObject(SYSTEM_FONT));
    SelectObject(Dc().m_hDC, font);
    HGDIOBJ brush = SelectObject(Dc().m_hDC, GetStockObject(WHITE_BRUSH));
    SelectObject(Dc().m_hDC, brush);

    EXPECT_EQ(View().DrawTextOut(100, 100, "\xD9", 1, 1), 1);
    const std::vector<const kvrec::Entry*> blits = Log().Calls("BitBlt");
    ASSERT_EQ(blits.size(), 1u);
    EXPECT_EQ(blits[0]->rop3, kColourBlit);
    EXPECT_EQ(CRect(blits[0]->destRect), CRect(90, 20, 110, 180));
    EXPECT_EQ(blits[0]->brushColour, kRed);
    const std::vector<kvrec::GlyphHit> glyphs = Log().Glyphs();
    ASSERT_EQ(glyphs.size(), 1u);
    EXPECT_EQ(glyphs[0].code, 0xD9);
    EXPECT_EQ(CPoint(glyphs[0].logical), CPoint(100, 100));
    EXPECT_EQ(glyphs[0].colour, kRed);

    EXPECT_EQ(SelectObject(Dc().m_hDC, GetStockObject(SYSTEM_FONT)), font);
    SelectObject(Dc().m_hDC, font);
    EXPECT_EQ(SelectObject(Dc().m_hDC, GetStockObject(WHITE_BRUSH)), brush);
    SelectObject(Dc().m_hDC, brush);
    EXPECT_EQ(Dc().GetTextColor(), kRed);
    EXPECT_TRUE(Log().Warnings().empty());
    EXPECT_TRUE(kvrec::Warnings().empty()) << kvrec::Warnings().front();
}

class UnpreparedTextDC : public kvtest::RenderTest {
protected:
    RenderShape Rendering() const override { return RenderShape {.textDCSize = 0}; }
};

TEST_F(UnpreparedTextDC, ColouredOutputIsDrawnDirectly)
{
    Dc().SetTextColor(kRed);
    EXPECT_EQ(View().DrawTextOut(100, 100, "\xD9", 1, 1), 1);
    EXPECT_TRUE(Log().Calls("BitBlt").empty());
    const std::vector<const kvrec::Entry*> texts = Log().Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->call, "TextOutW");
    EXPECT_EQ(texts[0]->textColour, kRed);

    // A memory DC without a bitmap large enough is as good as none.
    kvtest::PrepareTextDC(8, 8);
    Log().Clear();
    View().DrawTextOut(100, 100, "\xD9", 1, 1);
    EXPECT_TRUE(Log().Calls("BitBlt").empty());
    EXPECT_EQ(Log().Texts().size(), 1u);
}

class ColouredOnRaster : public kvtest::RenderTest {
protected:
    RenderShape Rendering() const override { return RenderShape {.metrics = std::nullopt, .open = false}; }

    // One glyph drawn in red at zoom 200 onto a new screen-like raster.
    std::unique_ptr<kvtest::TestDC> Draw(BYTE code, UINT align, BYTE coloured)
    {
        auto dc = kvtest::MakeRasterDC(240, 360);
        View().KVOpen(dc.get(), &Doc(), 0, 0);
        View().KVSetExpandTimes(200, 200);
        dc->SetTextColor(kRed);
        dc->SetTextAlign(align);
        const char text[1] = {static_cast<char>(code)};
        View().DrawTextOut(60, 110, text, 1, coloured);
        View().KVClose();
        return dc;
    }
};

TEST_F(ColouredOnRaster, ColouredGlyphHasTheSamePixelsAsADirectOne)
{
    Doc().m_CtrlTool.m_dwResolutionX = Doc().m_CtrlTool.m_dwResolutionY = 96;
    Doc().m_bSpacingApplied = 1;
    struct Case {
        BYTE code;
        UINT align;
    };
    for (const Case c : {Case {0xD9, TA_BASELINE}, Case {0xBF, TA_BASELINE | TA_RIGHT}, Case {0x26, TA_BASELINE}}) {
        const auto coloured = Draw(c.code, c.align, 1);
        const auto direct = Draw(c.code, c.align, 0);
        kvtest::WritePicture(*coloured, "coloured-glyph-" + std::to_string(c.code) + ".png");
        int ink = 0;
        int differing = 0;
        int foreign = 0;
        for (int y = 0; y < 360; ++y) {
            for (int x = 0; x < 240; ++x) {
                const COLORREF pixel = coloured->GetPixel(x, y) & 0x00FFFFFF;
                differing += pixel != (direct->GetPixel(x, y) & 0x00FFFFFF);
                foreign += pixel != 0x00FFFFFF && pixel != kRed;
                ink += pixel == kRed;
            }
        }
        EXPECT_GT(ink, 50) << "glyph " << int(c.code);
        // The glyph stands inside the cell box around its drawing point.
        const kvtest::InkCount cell = kvtest::CountInk(*coloured, RECT {40, 60, 200, 300});
        EXPECT_EQ(cell.inside, ink) << "glyph " << int(c.code);
        EXPECT_EQ(cell.outside, 0) << "glyph " << int(c.code);
        EXPECT_EQ(differing, 0) << "glyph " << int(c.code);
        EXPECT_EQ(foreign, 0) << "glyph " << int(c.code);
    }
}

} // namespace
