// A chord symbol with its diagram and rhythm drawn by the view twice, once
// into a log and once into a picture: every inked pixel of the picture lies
// in the box of a part the log holds, and every part of the log left ink.

#include "support/PngPixels.h"
#include "support/RenderSupport.h"

#include "harmony/ChordSymbol.h"
#include "harmony/FretBoard.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 400;
// The drawers place parts in whole pixels of the page, two device pixels at
// a viewport of 200 %.
constexpr double kPagePixel = 2;

// A logged text call and the device box of what it drew.
struct DrawnPart {
    std::string name; // the text, or "#XX" for a music glyph
    RECT box;
};

// The device box of a text call: the extent of its units in its font, at
// its point under its alignment, mapped as the call was. Measured again on
// `measure` with the call's mapping, as the drawing measured it. A music
// glyph may ink up to its advance on either side of its point (the diagram's
// string marks and dots are centred on their string), so its box reaches
// that far left.
RECT TextBox(CDC& measure, const kvrec::Entry& e)
{
    measure.SetMapMode(e.mapMode);
    measure.SetWindowExt(e.windowExt.cx, e.windowExt.cy);
    measure.SetViewportExt(e.viewportExt.cx, e.viewportExt.cy);
    CFont font;
    font.CreateFontIndirect(&e.font);
    CFont* old = measure.SelectObject(&font);
    SIZE size {0, 0};
    ::GetTextExtentPoint32W(measure.m_hDC, reinterpret_cast<const WCHAR*>(e.units.data()),
                            static_cast<int>(e.units.size()), &size);
    TEXTMETRICA metrics {};
    ::GetTextMetricsA(measure.m_hDC, &metrics);
    measure.SelectObject(old);
    font.DeleteObject();

    const POINT at = e.logical[0];
    LONG left = at.x;
    LONG width = size.cx;
    if (!e.glyphs.empty()) {
        left -= size.cx;
        width += size.cx;
    }
    if ((e.align & TA_CENTER) == TA_CENTER)
        left -= size.cx / 2;
    else if (e.align & TA_RIGHT)
        left -= size.cx;
    LONG top = at.y;
    if ((e.align & TA_BASELINE) == TA_BASELINE)
        top -= metrics.tmAscent;
    else if (e.align & TA_BOTTOM)
        top -= size.cy;
    // Logical to device as the call's mapping has it.
    auto dx = [&](LONG x) { return (x - e.windowOrg.x) * e.viewportExt.cx / e.windowExt.cx + e.viewportOrg.x; };
    auto dy = [&](LONG y) { return (y - e.windowOrg.y) * e.viewportExt.cy / e.windowExt.cy + e.viewportOrg.y; };
    return RECT {dx(left), dy(top), dx(left + width), dy(top + size.cy)};
}

class ChordSymbolPicture : public kvtest::RenderTest {
protected:
    // The real glyphs of the music stand-in.
    kvtest::RenderShape Rendering() const override
    {
        return kvtest::RenderShape {.width = kWidth, .height = kHeight, .metrics = std::nullopt, .open = false};
    }

    // One pass of the view over the chord on `dc`: 96 dpi, viewport 200 %.
    void DrawThrough(CDC& dc, CKVMsg& chord)
    {
        Doc().m_CtrlTool.m_dwResolutionX = Doc().m_CtrlTool.m_dwResolutionY = 96;
        Doc().m_bSpacingApplied = 1;
        ASSERT_EQ(View().KVOpen(&dc, &Doc(), 0, 0), 1);
        View().KVSetExpandTimes(200, 200);
        View().KVSetOrgXY(20, 220);
        View().KVDrawMsg(chord, 0);
        View().KVClose();
    }
};

TEST_F(ChordSymbolPicture, EveryInkedPixelBelongsToALoggedPart)
{
    CKVMeas* meas = Builder().Meas(0, 0);
    Builder().Note(meas, {.x = 40, .y = -8});
    auto* chord = new CChordSymbol;
    chord->m_nPosX = 40;
    chord->m_nPosY = -60;
    chord->m_nBass = 3;
    chord->m_Surfix.SetRealName("7~(b9,#11)");
    chord->m_bShowFret = TRUE;
    // The diagram above the name: its box reaches H + H/3 (32 here) down
    // from its words and the name some 30 up from its baseline, so at -30
    // the diagram would sit on the name.
    chord->m_FretBoard.m_nPosX = 0;
    chord->m_FretBoard.m_nPosY = -70;
    const BYTE frets[6] = {255, 3, 2, 0, 1, 0}; // the C shape
    std::memcpy(chord->m_FretBoard.m_FretInfo.m_byFret, frets, 6);
    chord->m_pRhythm = new CRhythm;
    chord->m_pRhythm->m_RtmInfo.m_strPatName = "Rock";
    chord->m_pRhythm->m_nPosY = 12;
    ASSERT_EQ(meas->AddMsg(chord, kHolderOwns), 1);
    Doc().m_bShowRhythm = 1;

    // The text faces a user gets, for a picture that reads as it should.
    kvtest::RouteTextToTestFace(false);
    DrawThrough(Dc(), *chord);
    auto page = kvtest::MakeRasterDC(kWidth, kHeight, KvRasterKind::Page);
    DrawThrough(*page, *chord);
    const std::string path = kvtest::WritePicture(*page, "chordsymbol.png");
    ASSERT_FALSE(path.empty());
    // The name, the diagram and the rhythm keep apart.
    ASSERT_EQ(chord->m_arrCtrlPoint.GetSize(), 3);
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j) {
            CRect overlap;
            EXPECT_FALSE(overlap.IntersectRect(&chord->m_arrCtrlPoint[i]->m_rect, &chord->m_arrCtrlPoint[j]->m_rect))
                << "handles " << i << " and " << j;
        }

    auto measure = kvtest::MakeRecordingDC(kWidth, kHeight, 96);
    std::vector<DrawnPart> parts;
    for (const kvrec::Entry* e : Log().Texts()) {
        char code[8];
        std::snprintf(code, sizeof code, "#%02X", e->glyphs.empty() ? 0 : e->glyphs[0]);
        RECT box = TextBox(*measure, *e);
        InflateRect(&box, 2, 2);
        parts.push_back({e->glyphs.empty() ? e->bytes : std::string(code), box});
    }
    std::vector<std::string> names;
    for (const DrawnPart& part : parts)
        names.push_back(part.name);
    for (const char* part : {"C", "#AA", "#97", "Rock"})
        EXPECT_NE(std::find(names.begin(), names.end(), part), names.end()) << part;

    const kvtest::PngPixels png(path);
    ASSERT_TRUE(png.Ok());
    int ink = 0;
    int stray = 0;
    std::vector<int> inked(parts.size(), 0);
    for (int y = 0; y < png.Height(); ++y)
        for (int x = 0; x < png.Width(); ++x) {
            if (!png.Ink(x, y))
                continue;
            ++ink;
            bool inside = false;
            for (size_t i = 0; i < parts.size(); ++i) {
                const RECT& b = parts[i].box;
                if (x >= b.left && x < b.right && y >= b.top && y < b.bottom)
                    inside = true, ++inked[i];
            }
            if (!inside && ++stray <= 5)
                ADD_FAILURE() << "ink outside every logged part at " << x << ", " << y;
        }
    EXPECT_GT(ink, 0);
    EXPECT_EQ(stray, 0);
    for (size_t i = 0; i < parts.size(); ++i)
        EXPECT_GT(inked[i], 0) << parts[i].name << " left no ink";
}

// The diagram of the C shape at 200 %, once with its marks and once as the
// bare grid: the ink the marks add is each finger dot, which must sit on its
// string line and in the middle of its row of the grid.
TEST_F(ChordSymbolPicture, FingerDotsSitOnTheirStringsInTheMiddleOfTheirRows)
{
    CFretBoard board(240, "ZelvoraB");
    const BYTE frets[6] = {255, 3, 2, 0, 1, 0};
    auto draw = [&board](const BYTE* shape, bool record) {
        auto dc = kvtest::MakeRasterDC(kWidth, kHeight, KvRasterKind::Page);
        KvSetRecording(*dc, record);
        kvtest::SetScale(*dc, 100, 200);
        board.m_FretInfo.SetFretEmpty();
        if (shape)
            std::memcpy(board.m_FretInfo.m_byFret, shape, 6);
        board.Draw(dc.get(), 100, 40, 40);
        dc->SetMapMode(MM_TEXT); // pixels are read at device points
        return dc;
    };
    auto marked = draw(frets, true);
    auto bare = draw(nullptr, false);

    int dots = 0;
    for (const kvrec::GlyphHit& hit : KvRecorder(*marked)->Glyphs()) {
        if (hit.code != 0x9B)
            continue;
        ++dots;
        // The dot's own ink, in a window tall enough for a misplaced dot and
        // narrow enough to leave out the dots of the neighbouring strings.
        double sumX = 0, sumY = 0;
        int count = 0;
        for (int y = hit.device.y - 40; y <= hit.device.y + 10; ++y)
            for (int x = hit.device.x - 3; x <= hit.device.x + 3; ++x)
                if (marked->GetPixel(x, y) != RGB(255, 255, 255) && bare->GetPixel(x, y) == RGB(255, 255, 255))
                    sumX += x, sumY += y, ++count;
        ASSERT_GT(count, 0) << "dot at " << hit.device.x << ", " << hit.device.y;
        const int cx = static_cast<int>(std::lround(sumX / count));
        const int cy = static_cast<int>(std::lround(sumY / count));
        // The string line: the bare grid's run of ink across the dot's middle
        // nearest to the dot.
        double string = -100;
        for (int x = cx - 6; x <= cx + 6; ++x) {
            if (bare->GetPixel(x, cy) == RGB(255, 255, 255))
                continue;
            int end = x;
            while (bare->GetPixel(end + 1, cy) != RGB(255, 255, 255))
                ++end;
            if (std::abs((x + end) / 2.0 - sumX / count) < std::abs(string - sumX / count))
                string = (x + end) / 2.0;
            x = end;
        }
        EXPECT_NEAR(sumX / count, string, kPagePixel) << "dot at " << hit.device.x << ", " << hit.device.y;
        // The row: the bare grid's lines above and below the dot, beside
        // the string line.
        const int column = static_cast<int>(std::lround(string)) + 3;
        int above = cy;
        while (above > 0 && bare->GetPixel(column, above) == RGB(255, 255, 255))
            --above;
        int below = cy;
        while (below < kHeight - 1 && bare->GetPixel(column, below) == RGB(255, 255, 255))
            ++below;
        EXPECT_LT(above + 1, below) << "dot on a line of the grid";
        EXPECT_NEAR(sumY / count, (above + below) / 2.0, kPagePixel) << "dot at " << hit.device.x << ", " << hit.device.y;
    }
    EXPECT_EQ(dots, 3);
}

} // namespace
