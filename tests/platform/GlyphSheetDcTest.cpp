// Every music glyph drawn through device contexts the two ways drawers do:
// directly in black, and through a memory DC blitted in a brush colour.

#include "support/Drawing.h"
#include "support/KvTest.h"

#include "Fonts.h"
#include "MusicFont.h"

#include <cstdio>
#include <string>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr int kEm = 48;
// Paper around the coloured-output window, where stray direct ink would show.
constexpr int kMargin = 16;

std::string Hex(int code)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X", code);
    return text;
}

LOGFONTA Music()
{
    LOGFONTA logFont {};
    logFont.lfHeight = -kEm;
    logFont.lfWeight = FW_NORMAL;
    logFont.lfCharSet = SYMBOL_CHARSET;
    std::snprintf(logFont.lfFaceName, LF_FACESIZE, "ZelvoraB");
    return logFont;
}

class GlyphSheetDcTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        ASSERT_TRUE(kvmusic::Available());
        ASSERT_EQ(AddFontResourceA("ZelvoraB.TTF"), 1);
        font.CreateFontIndirect(&music);
    }
    void TearDown() override
    {
        font.DeleteObject();
        RemoveFontResourceA("ZelvoraB.TTF");
        KvTest::TearDown();
    }

    // Draws the unit black with `align` at (x, y).
    void Direct(CDC& dc, int x, int y, char16_t unit, UINT align)
    {
        CFont* old = dc.SelectObject(&font);
        dc.SetTextAlign(align);
        dc.SetTextColor(kBlack);
        dc.SetBkMode(TRANSPARENT);
        TextOutW(dc.m_hDC, x, y, &unit, 1);
        dc.SelectObject(old);
    }

    // Coloured output: the unit drawn black at (cx, cy) of a white memory
    // DC, and its 2cx x 2cy window blitted through `brush` so that (cx, cy)
    // lands on (x, y).
    void Coloured(CDC& dc, int x, int y, char16_t unit, UINT align, CSize cell, CBrush& brush)
    {
        CDC memory;
        ASSERT_TRUE(memory.CreateCompatibleDC(&dc));
        CBitmap bitmap;
        ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&dc, 2 * cell.cx, 2 * cell.cy));
        CBitmap* oldBitmap = memory.SelectObject(&bitmap);
        memory.FillSolidRect(0, 0, 2 * cell.cx, 2 * cell.cy, kWhite);
        Direct(memory, cell.cx, cell.cy, unit, align);
        CBrush* oldBrush = dc.SelectObject(&brush);
        EXPECT_TRUE(dc.BitBlt(x - cell.cx, y - cell.cy, 2 * cell.cx, 2 * cell.cy, &memory, 0, 0, ROP_DPSOXN));
        dc.SelectObject(oldBrush);
        memory.SelectObject(oldBitmap);
    }

    const LOGFONTA music = Music();
    CFont font;
};

TEST_F(GlyphSheetDcTest, ColouredAndDirectOutputGiveTheSamePixels)
{
    CBrush black(kBlack);
    int compared = 0;
    for (int code : kvmusic::MappedCodes()) {
        const char16_t unit = static_cast<char16_t>(code >= 0xF1 && code <= 0xF9 ? code : 0x100 + code);
        // The window is the advance by the cell height, in whole pixels, as
        // the drawers measure it.
        CSize cell;
        {
            auto probe = kvtest::MakeRecordingDC();
            CFont* old = probe->SelectObject(&font);
            SIZE extent {};
            ASSERT_TRUE(GetTextExtentPoint32W(probe->m_hDC, &unit, 1, &extent));
            probe->SelectObject(old);
            cell = extent;
        }
        ASSERT_GT(cell.cx, 0) << Hex(code);
        ASSERT_EQ(cell.cy, 5 * kEm / 2) << Hex(code);
        const int width = 2 * cell.cx + 2 * kMargin;
        const int height = 2 * cell.cy + 2 * kMargin;
        const int x = kMargin + cell.cx;
        const int y = kMargin + cell.cy;
        for (char alignment : kvmusic::DeclaredAlignments(code)) {
            const UINT align = TA_BASELINE | (alignment == 'R' ? TA_RIGHT : TA_LEFT);
            auto direct = kvtest::MakeRasterDC(width, height);
            auto coloured = kvtest::MakeRasterDC(width, height);
            Direct(*direct, x, y, unit, align);
            Coloured(*coloured, x, y, unit, align, cell, black);
            int differ = 0;
            int ink = 0;
            for (int py = 0; py < height; ++py) {
                for (int px = 0; px < width; ++px) {
                    const COLORREF want = direct->GetPixel(px, py);
                    const COLORREF got = coloured->GetPixel(px, py);
                    ink += want != kWhite;
                    if (want != got && ++differ <= 3)
                        ADD_FAILURE() << Hex(code) << " " << alignment << " at " << px << "," << py << ": direct "
                                      << std::hex << want << ", coloured " << got;
                }
            }
            EXPECT_EQ(differ, 0) << Hex(code) << " " << alignment;
            if (code != 0x20) { // the space only takes room
                EXPECT_GT(ink, 0) << Hex(code) << " " << alignment;
            }
            ++compared;
        }
    }
    EXPECT_GT(compared, 200);
    EXPECT_TRUE(kvrec::Warnings().empty());
}

} // namespace
