// A recorded drawing replayed into another DC draws the same thing: the
// floor of the page-drawing benchmark is only honest if it does.

#include "support/Drawing.h"
#include "support/FontSupport.h"
#include "support/KvTest.h"
#include "support/Replay.h"

#include <cstdio>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

HFONT MakeFont(const char* face, LONG height, BYTE charset)
{
    LOGFONTA font {};
    font.lfHeight = height;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = charset;
    std::snprintf(font.lfFaceName, LF_FACESIZE, "%s", face);
    return CreateFontIndirectA(&font);
}

// One drawing of every call kind the recorder knows, leaving the DC's own
// objects selected at the end, as drawing code does.
void DrawEveryKind(HDC dc)
{
    HPEN dotted = CreatePen(PS_DOT, 1, RGB(0, 0, 255));
    const LOGBRUSH green {BS_SOLID, RGB(0, 128, 0), 0};
    const DWORD dashes[2] = {6, 3};
    HPEN dashed = ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_FLAT | PS_JOIN_MITER, 3, &green, 2, dashes);
    HBRUSH yellow = CreateSolidBrush(RGB(255, 255, 0));
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HFONT text = MakeFont("KvTest", -20, ANSI_CHARSET);
    HFONT music = MakeFont("ZelvoraB", -32, SYMBOL_CHARSET);

    HGDIOBJ oldPen = SelectObject(dc, dotted);
    MoveToEx(dc, 10, 10, nullptr);
    LineTo(dc, 150, 10);
    SelectObject(dc, dashed);
    const POINT zigzag[3] = {{10, 20}, {80, 40}, {150, 20}};
    Polyline(dc, zigzag, 3);
    HGDIOBJ oldBrush = SelectObject(dc, yellow);
    const POINT triangle[3] = {{170, 10}, {230, 10}, {200, 50}};
    Polygon(dc, triangle, 3);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    BeginPath(dc);
    const POINT curve[4] = {{10, 60}, {40, 30}, {80, 90}, {110, 60}};
    PolyBezier(dc, curve, 4);
    EndPath(dc);
    StrokeAndFillPath(dc);
    RoundRect(dc, 130, 60, 200, 100, 12, 12);
    Arc(dc, 210, 60, 270, 110, 270, 85, 210, 85);

    HGDIOBJ oldFont = SelectObject(dc, text);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 128));
    TextOutA(dc, 10, 120, "Kv", 2);
    SelectObject(dc, music);
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    const char16_t head = 0x01D9;
    TextOutW(dc, 60, 180, &head, 1);

    // A glyph drawn black on white in a memory DC, blitted through red.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 64, 96);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    PatBlt(memory, 0, 0, 64, 96, WHITENESS);
    HGDIOBJ memoryFont = SelectObject(memory, music);
    SetBkMode(memory, TRANSPARENT);
    SetTextAlign(memory, TA_BASELINE | TA_LEFT);
    TextOutW(memory, 16, 64, &head, 1);
    SelectObject(dc, red);
    BitBlt(dc, 110, 120, 64, 96, memory, 0, 0, ROP_DPSOXN);
    SelectObject(memory, memoryFont);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);

    // Everything after a change of extents lands four times as far.
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 100, 100, nullptr);
    SetViewportExtEx(dc, 400, 400, nullptr);
    SelectObject(dc, dotted);
    MoveToEx(dc, 50, 50, nullptr);
    LineTo(dc, 75, 55);

    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldFont);
    for (HGDIOBJ object : {HGDIOBJ(dotted), HGDIOBJ(dashed), HGDIOBJ(yellow), HGDIOBJ(red), HGDIOBJ(text),
                           HGDIOBJ(music)})
        DeleteObject(object);
}

class ReplayTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        // The process reset forgets both after the test.
        kvtest::InstallTestFonts();
        ASSERT_EQ(AddFontResourceA("ZelvoraB.TTF"), 1);
    }
};

TEST_F(ReplayTest, EveryCallKindReplaysIntoTheSameLogAndLeavesNoObjects)
{
    auto source = kvtest::MakeRecordingDC(kWidth, kHeight);
    DrawEveryKind(source->m_hDC);
    ASSERT_EQ(source->Log().Calls("BitBlt").size(), 1u);
    ASSERT_EQ(source->Log().Calls("BitBlt")[0]->rop3, ROP_DPSOXN);

    auto target = kvtest::MakeRecordingDC(kWidth, kHeight);
    const kvrec::LiveCounts before = kvrec::LiveObjectCounts();
    EXPECT_EQ(kvtest::ReplayLog(source->Log(), target->m_hDC), 0);
    EXPECT_EQ(kvrec::LiveObjectCounts(), before);
    EXPECT_EQ(target->Log().Dump(), source->Log().Dump());

    // The blitted glyph lands where it did, in the brush colour.
    const auto expected = source->Log().Glyphs();
    const auto replayed = target->Log().Glyphs();
    ASSERT_EQ(replayed.size(), expected.size());
    ASSERT_EQ(expected.size(), 2u);
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(replayed[i].code, expected[i].code);
        EXPECT_EQ(CPoint(replayed[i].device), CPoint(expected[i].device));
        EXPECT_EQ(replayed[i].colour, expected[i].colour);
    }
    EXPECT_EQ(replayed[1].colour, RGB(255, 0, 0));
}

// An aliased target combines the blit's source pixels, which the replay
// paints from the recorded source list.
TEST_F(ReplayTest, ScreenRasterReplayGivesTheSamePixels)
{
    auto drawn = kvtest::MakeRasterDC(kWidth, kHeight);
    ASSERT_TRUE(KvSetRecording(drawn->m_hDC, true));
    DrawEveryKind(drawn->m_hDC);

    auto replayed = kvtest::MakeRasterDC(kWidth, kHeight);
    EXPECT_EQ(kvtest::ReplayLog(drawn->Log(), replayed->m_hDC), 0);
    // Pixels are read in device units.
    drawn->SetMapMode(MM_TEXT);
    replayed->SetMapMode(MM_TEXT);
    int differing = 0;
    int red = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const COLORREF pixel = drawn->GetPixel(x, y);
            differing += pixel != replayed->GetPixel(x, y);
            red += x >= 110 && x < 174 && y >= 120 && pixel == RGB(255, 0, 0);
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(red, 50);
}

} // namespace
