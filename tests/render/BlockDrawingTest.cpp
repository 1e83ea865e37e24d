// A whole system through block drawing: what it draws and in which order,
// the header and content widths it writes back into the measures, the
// courtesy column at a system's end, staves at other sizes, blocks that do
// not fit their staves, and a picture of a two-staff system.

#include "support/SystemDrawing.h"

#include "document/KVCtrlTool.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVSystem.h"
#include "platform/Backends.h"
#include "platform/Recorder.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

namespace {

using Glyph = kvtest::DrawnGlyph;
using Box = kvtest::DeviceBox;

constexpr BYTE kTreble = 1;
constexpr BYTE kBass = 2;
constexpr COLORREF kBlue = 0xFF0000;

// The system of two staves (treble over bass, joined by a brace and bar
// lines) in a block at (40, 60), 600 wide, with the measure boundaries given.
class BlockDrawing : public kvtest::SystemDrawingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 8, .staves = 2, .measures = 5}; }

    void SetUp() override
    {
        SystemDrawingTest::SetUp();
        Doc().m_CtrlTool.m_dwD[0] = 0;
        Doc().m_CtrlTool.m_dwD[1] = kBlue;
        MakeSystem({30, 230, 400, 600}, 2, CKVMeas::KEY_FLATS);
    }

    // Three flats in 3/4 on every measure; the block's last measure closes.
    void MakeSystem(const std::vector<int>& boundaries, int staves, int keyType, int keyCount = 3)
    {
        for (int k = 0; k < 2; ++k) {
            CKVStaff* staff = Builder().Staff(k);
            for (int i = 0; i < staff->GetMeasNum(); ++i)
                Builder().Setup(staff->GetMeas(i), {.beats = 3,
                                                    .beatUnit = 4,
                                                    .clef = k == 0 ? kTreble : kBass,
                                                    .keyType = static_cast<BYTE>(keyType),
                                                    .keyCount = static_cast<BYTE>(keyCount)});
        }
        Builder().Staff(0)->m_byGroupBracket[0] = 4 | 1;
        Builder().Staff(1)->m_byGroupBracket[1] = 4 | 1;
        m_block = std::make_unique<CKVBlock>();
        m_block->m_pSystem = Builder().System();
        for (int k = 0; k < staves; ++k) {
            m_block->m_pStaffArray->Add(Builder().Staff(k));
            m_block->m_arrStaffY.Add(static_cast<WORD>(40 + 80 * k));
        }
        for (int x : boundaries)
            m_block->m_arrMeasX.Add(static_cast<WORD>(x));
        m_block->m_rcBlock = CRect(40, 60, 640, 180);
        m_block->m_nMeasCount = static_cast<short>(boundaries.size() - 1);
        for (int k = 0; k < staves; ++k)
            Meas(k, m_block->m_nMeasCount - 1)->m_byEndBar = CKVMeas::BAR_FINAL;
    }

    CKVMeas* Meas(int staff, int meas) { return Builder().Meas(staff, meas); }

    short Draw()
    {
        Log().Clear();
        return View().KVDrawBlock(*m_block);
    }

    // Filled rectangles in device points, left, top, right, bottom.
    std::multiset<Box> Rectangles()
    {
        const std::vector<Box> boxes = kvtest::DeviceBoxes(Log().Calls("Rectangle"));
        return std::multiset<Box>(boxes.begin(), boxes.end());
    }

    std::vector<Glyph> GlyphsOf(int code)
    {
        std::vector<Glyph> out;
        for (const Glyph& g : kvtest::DeviceGlyphs(Log()))
            if (std::get<0>(g) == code)
                out.push_back(g);
        return out;
    }

    CKVMsg* NoteIn(CKVMeas* meas)
    {
        CKVMsg* note = Builder().Note(meas, {.x = 64, .y = -16});
        note->m_wHeadType = 1;
        note->m_lHeight = -28;
        return note;
    }

    std::unique_ptr<CKVBlock> m_block;
};

TEST_F(BlockDrawing, SystemDrawsConnectorsLinesHeadersAndBarsInOrder)
{
    ASSERT_EQ(Draw(), 1);
    LONG x = -1;
    LONG y = -1;
    View().KVGetOrgXY(x, y);
    EXPECT_EQ(CPoint(x, y), CPoint(0, 0));

    // The brace first, in black.
    const std::vector<const kvrec::Entry*> curves = Log().Calls("PolyBezier");
    ASSERT_EQ(curves.size(), 4u);
    const std::vector<CPoint> upper = {{66, 68}, {46, 81}, {77, 105}, {56, 124}, {74, 111}, {42, 83}, {66, 68}};
    EXPECT_EQ(std::vector<CPoint>(curves[0]->device.begin(), curves[0]->device.end()), upper);
    EXPECT_EQ(curves[0]->brushColour, 0u);

    // The system-start bar over both staves, then the staff lines.
    const std::vector<const kvrec::Entry*> rects = Log().Calls("Rectangle");
    ASSERT_GE(rects.size(), 2u);
    const std::vector<Box> startBar = kvtest::DeviceBoxes({rects[0], rects[1]});
    EXPECT_EQ(startBar, (std::vector<Box> {{69, 148, 70, 180}, {69, 68, 70, 180}}));
    EXPECT_GT(rects[0]->seq, curves.back()->seq);
    std::map<int, COLORREF> lineColours;
    int lastLine = 0;
    for (const kvrec::Entry* line : Log().Lines()) {
        EXPECT_EQ(line->device.front().x, 70);
        EXPECT_EQ(line->device.back().x, 640);
        lineColours[line->device.front().y] = line->penColour;
        EXPECT_GT(line->seq, rects[1]->seq);
        lastLine = line->seq;
    }
    EXPECT_EQ(lineColours, (std::map<int, COLORREF> {{68, 0}, {76, 0}, {84, 0}, {92, 0}, {100, 0}, {148, kBlue},
                                                     {156, kBlue}, {164, kBlue}, {172, kBlue}, {180, kBlue}}));

    // Headers: clefs, flats (blue on the bass staff), 3 over 4.
    EXPECT_EQ(GlyphsOf(0x26), (std::vector<Glyph> {{0x26, 74, 100}}));
    EXPECT_EQ(GlyphsOf(0x24), (std::vector<Glyph> {{0x24, 74, 180}}));
    EXPECT_EQ(GlyphsOf(0xAA), (std::vector<Glyph> {{0xAA, 106, 84}, {0xAA, 116, 72}, {0xAA, 126, 88},
                                                   {0xAA, 106, 172}, {0xAA, 116, 160}, {0xAA, 126, 176}}));
    for (const kvrec::GlyphHit& g : Log().Glyphs()) {
        EXPECT_GT(g.device.x, 0);
        if (g.code == 0xAA) {
            EXPECT_EQ(g.colour, g.device.y > 140 ? kBlue : 0u);
        }
    }
    int threes = 0;
    int fours = 0;
    for (const kvrec::Entry* text : Log().Texts()) {
        EXPECT_GT(text->seq, lastLine);
        if (text->bytes == "3" || text->bytes == "4") {
            EXPECT_EQ(text->device[0].x, 149);
            ++(text->bytes == "3" ? threes : fours);
        }
    }
    EXPECT_EQ(threes, 2);
    EXPECT_EQ(fours, 2);

    // Bar lines: staff 1 repeats each line up to the brace's first staff.
    std::multiset<Box> bars = Rectangles();
    bars.erase(bars.find(Box {69, 148, 70, 180}));
    bars.erase(bars.find(Box {69, 68, 70, 180}));
    const std::multiset<Box> expected = {
        {269, 68, 270, 100},  {439, 68, 440, 100},  {632, 68, 633, 100},  {636, 68, 640, 100},
        {269, 148, 270, 180}, {269, 99, 270, 180},  {439, 148, 440, 180}, {439, 99, 440, 180},
        {632, 148, 633, 180}, {632, 99, 633, 180},  {636, 148, 640, 180}, {636, 99, 640, 180}};
    EXPECT_EQ(bars, expected);
}

// The header and content widths of the three columns of the system.
constexpr int kHeaderWidths[] = {96, 8, 8};
constexpr int kContentWidths[] = {104, 162, 184};

TEST_F(BlockDrawing, MeasuresKeepTheHeaderAndContentWidthsOfTheirColumn)
{
    ASSERT_EQ(Draw(), 1);
    const int lefts[] = {30, 230, 400};
    for (int k = 0; k < 2; ++k) {
        for (int c = 0; c < 3; ++c) {
            CKVMeas* meas = Meas(k, c);
            EXPECT_EQ(meas->m_nHeaderWidth, kHeaderWidths[c]) << k << " " << c;
            EXPECT_EQ(meas->m_nRealWidth, kContentWidths[c]) << k << " " << c;
            EXPECT_EQ(meas->m_nLeftX, lefts[c]) << k << " " << c;
            EXPECT_EQ(meas->m_nStaffY, 40 + 80 * k);
        }
    }
    // Content x, where the caret and the notes start.
    EXPECT_EQ(Meas(0, 0)->m_nLeftX + Meas(0, 0)->m_nHeaderWidth, 126);
    EXPECT_EQ(Meas(1, 2)->m_nLeftX + Meas(1, 2)->m_nHeaderWidth, 408);

    // A note keeps its place on the scale when the widths change: drawn
    // again, it lands at the same x.
    CKVMsg* note = NoteIn(Meas(0, 1));
    ASSERT_EQ(Draw(), 1);
    const int before = std::get<1>(GlyphsOf(0xD9).at(0));
    ASSERT_EQ(Draw(), 1);
    EXPECT_EQ(std::get<1>(GlyphsOf(0xD9).at(0)), before);
    EXPECT_EQ(note->m_nPosX, 64);
}

// A host lays a system out invisibly (after an import, say) before it has
// drawn any page: the pass must not depend on what page drawing last saw.
TEST_F(BlockDrawing, InvisiblePassBeforeAnyPageWritesTheWidthsOfAVisibleOne)
{
    ClosePasses();
    View().m_rcUpdate = CRect(); // as in a view that has drawn no page
    m_block->m_pPage = Doc().GetPage(0);
    for (int k = 0; k < 2; ++k)
        for (int c = 0; c < 3; ++c) {
            Meas(k, c)->m_nHeaderWidth = 0;
            Meas(k, c)->m_nRealWidth = 1;
        }
    Log().Clear();
    const int screenDCs = KvOpenScreenDCs();

    EXPECT_EQ(View().VirtualDrawBlock(*m_block, nullptr, 0), 1);
    EXPECT_EQ(KvOpenScreenDCs(), screenDCs);
    for (int k = 0; k < 2; ++k) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(Meas(k, c)->m_nHeaderWidth, kHeaderWidths[c]) << k << " " << c;
            EXPECT_EQ(Meas(k, c)->m_nRealWidth, kContentWidths[c]) << k << " " << c;
        }
    }
    EXPECT_TRUE(Log().Entries().empty());
}

class CourtesyColumn : public BlockDrawing {
protected:
    void SetUp() override
    {
        BlockDrawing::SetUp();
        // Three sharps, then one sharp in the measure after the block.
        for (int k = 0; k < 2; ++k) {
            for (int c = 0; c < 5; ++c) {
                Meas(k, c)->m_byKeyType = CKVMeas::KEY_SHARPS;
                Meas(k, c)->m_byKeyCount = c < 3 ? 3 : 1;
            }
            Meas(k, 2)->m_byEndBar = CKVMeas::BAR_SINGLE;
        }
        Doc().m_CtrlTool.m_byH5 = 1;
        Doc().m_CtrlTool.m_byH4 = 1;
    }
};

TEST_F(CourtesyColumn, ComingKeyIsShownAfterTheLastMeasure)
{
    const int measures = Builder().Staff(0)->GetMeasNum();
    const int mapSize = Builder().System()->m_arrMsgMap.GetSize();
    ASSERT_EQ(Draw(), 1);

    // W = g + 2 naturals + 1 sharp + the key lead = 8 + 20 + 18.
    EXPECT_EQ(Meas(0, 2)->m_nRealWidth, 146);
    EXPECT_EQ(Meas(1, 2)->m_nRealWidth, 146);
    const std::multiset<Box> bars = Rectangles();
    EXPECT_EQ(bars.count(Box {594, 68, 595, 100}), 1u) << "double bar opens the column";
    EXPECT_EQ(bars.count(Box {598, 68, 599, 100}), 1u);
    for (const Box& b : bars)
        EXPECT_NE(b[0], 593) << "measure 2's end bar is left out";
    EXPECT_EQ(GlyphsOf(0xAB), (std::vector<Glyph> {{0xAB, 602, 80}, {0xAB, 612, 64}, {0xAB, 602, 168},
                                                   {0xAB, 612, 152}}));
    std::vector<Glyph> sharps;
    for (const Glyph& g : GlyphsOf(0xA9))
        if (std::get<1>(g) > 600)
            sharps.push_back(g);
    EXPECT_EQ(sharps, (std::vector<Glyph> {{0xA9, 622, 68}, {0xA9, 622, 156}}));

    // The temporary measures are gone and were never in the tree or the map.
    EXPECT_EQ(Builder().Staff(0)->GetMeasNum(), measures);
    EXPECT_EQ(Builder().System()->m_arrMsgMap.GetSize(), mapSize);
    EXPECT_EQ(View().m_pCurMeas, nullptr);

    // Naturals before the bar line need no room in the column.
    Doc().m_CtrlTool.m_byH4 = 0;
    ASSERT_EQ(Draw(), 1);
    EXPECT_EQ(Meas(0, 2)->m_nRealWidth, 600 - 26 - 408);

    // Without the switch the last measure runs to the block's edge.
    Doc().m_CtrlTool.m_byH5 = 0;
    ASSERT_EQ(Draw(), 1);
    EXPECT_EQ(Meas(0, 2)->m_nRealWidth, 192);
    for (const kvrec::GlyphHit& g : Log().Glyphs())
        EXPECT_LE(g.device.x, 600) << g.code;
}

TEST_F(BlockDrawing, SingleStaffStartBarFollowsItsSwitch)
{
    m_block->m_pStaffArray->RemoveAt(1);
    m_block->m_arrStaffY.RemoveAt(1);
    const auto startBars = [&] {
        int n = 0;
        for (const Box& b : Rectangles())
            n += b[0] == 69;
        return n;
    };
    Doc().m_CtrlTool.m_dwB1 = 0;
    ASSERT_EQ(Draw(), 1);
    EXPECT_EQ(startBars(), 0);
    Doc().m_CtrlTool.m_dwB1 = 1;
    ASSERT_EQ(Draw(), 1);
    EXPECT_GT(startBars(), 0);
}

TEST_F(BlockDrawing, SmallerStaffDrawsWithItsOwnGapAndFont)
{
    Builder().Staff(0)->m_wObjWord = 75;
    NoteIn(Meas(0, 1));
    NoteIn(Meas(1, 1));
    ASSERT_EQ(Draw(), 1);

    std::set<int> upperLines;
    for (const kvrec::Entry* line : Log().Lines())
        if (line->device.front().y <= 100)
            upperLines.insert(line->device.front().y);
    EXPECT_EQ(upperLines, (std::set<int> {76, 82, 88, 94, 100}));

    std::vector<LONG> heads;
    for (const kvrec::Entry* text : Log().Texts())
        if (!text->glyphs.empty() && text->glyphs[0] == 0xD9)
            heads.push_back(text->font.lfHeight);
    EXPECT_EQ(heads, (std::vector<LONG> {-24, -32}));
    EXPECT_EQ(View().m_nStaffSpace, 8);
    EXPECT_EQ(View().m_wSymbolSize, 32);
}

TEST_F(BlockDrawing, BlocksThatDoNotFitTheirStavesDrawWhatExists)
{
    // Nothing to draw: no division by a staff count of 0, nothing recorded.
    CKVBlock empty;
    Log().Clear();
    EXPECT_EQ(View().KVDrawBlock(empty), -1);
    m_block->m_nMeasCount = 0;
    EXPECT_EQ(View().KVDrawBlock(*m_block), -1);
    EXPECT_TRUE(Log().Entries().empty());
    m_block->m_nMeasCount = 3;

    // A range past staff 1's measures, and a boundary list one short.
    Builder().Staff(1)->RemoveMeas(1, 4);
    Meas(1, 0)->m_byEndBar = CKVMeas::BAR_SINGLE;
    m_block->m_arrMeasX.RemoveAt(3);
    for (int c = 0; c < 3; ++c)
        Meas(0, c)->m_nHeaderWidth = Meas(0, c)->m_nRealWidth = 0;
    ASSERT_EQ(Draw(), 1);
    EXPECT_EQ(Meas(0, 2)->m_nRealWidth, 184) << "the missing boundary is the block's edge";
    for (int c = 0; c < 3; ++c)
        EXPECT_GT(Meas(0, c)->m_nRealWidth, 0) << c;
    EXPECT_EQ(Meas(1, 0)->m_nRealWidth, 104);
    EXPECT_EQ(GlyphsOf(0x24).size(), 1u);
}

TEST_F(BlockDrawing, ScreenPassSkipsBlocksOutsideTheUpdateRectangle)
{
    View().m_rcUpdate = CRect(0, 400, 800, 600);
    EXPECT_EQ(Draw(), 0);
    EXPECT_TRUE(Log().Entries().empty());
    View().m_rcUpdate = CRect(0, 200, 800, 600); // within a staff height below
    EXPECT_EQ(Draw(), 1);
    // An update rectangle over the whole coordinate range meets every block.
    View().m_rcUpdate = CRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_EQ(Draw(), 1);
}

class SystemPicture : public BlockDrawing {
protected:
    kvtest::RenderShape Rendering() const override { return {.metrics = std::nullopt, .open = false}; }
};

TEST_F(SystemPicture, TwoStaffSystemLooksLikeASystem)
{
    m_block->m_arrMeasX.RemoveAll();
    for (int x : {30, 190, 330, 470, 600})
        m_block->m_arrMeasX.Add(static_cast<WORD>(x));
    m_block->m_nMeasCount = 4;
    const BYTE ends[] = {CKVMeas::BAR_DOUBLE, CKVMeas::BAR_REPEAT, CKVMeas::BAR_DASHED, CKVMeas::BAR_FINAL};
    for (int k = 0; k < 2; ++k)
        for (int c = 0; c < 4; ++c)
            Meas(k, c)->m_byEndBar = ends[c];

    ClosePasses();
    auto dc = kvtest::MakeRasterDC(700, 300, KvRasterKind::Page);
    Doc().m_CtrlTool.m_dwResolutionX = Doc().m_CtrlTool.m_dwResolutionY = 96;
    Doc().m_bSpacingApplied = 1;
    ASSERT_EQ(View().KVOpen(dc.get(), &Doc(), 0, 0), 1);
    View().KVSetExpandTimes(100, 100);
    View().KVSetOrgXY(0, 0);
    ASSERT_EQ(View().KVDrawBlock(*m_block), 1);
    View().KVClose();
    const std::string path = kvtest::WritePicture(*dc, "system.png");
    ASSERT_FALSE(path.empty());

    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    const int width = cairo_image_surface_get_width(png);
    const int height = cairo_image_surface_get_height(png);
    const int stride = cairo_image_surface_get_stride(png);
    const unsigned char* data = cairo_image_surface_get_data(png);
    EXPECT_EQ(width, 700);
    EXPECT_EQ(height, 300);
    struct Pixel {
        int r, g, b;
    };
    const auto at = [&](int x, int y) {
        const uint32_t v = *reinterpret_cast<const uint32_t*>(data + y * stride + 4 * x);
        return Pixel {static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                      static_cast<int>(v & 0xFF)};
    };
    const auto ink = [&](int x, int y) {
        const Pixel p = at(x, y);
        return p.r < 160 || p.g < 160 || p.b < 160;
    };
    // Runs of ink down a column, as (first row, last row).
    const auto runs = [&](int x, int top, int bottom) {
        std::vector<std::pair<int, int>> out;
        for (int y = top; y <= bottom; ++y) {
            if (!ink(x, y))
                continue;
            if (!out.empty() && out.back().second == y - 1)
                out.back().second = y;
            else
                out.emplace_back(y, y);
        }
        return out;
    };

    // The staff lines in the middle of the second measure.
    const std::vector<std::pair<int, int>> lines = runs(300, 0, height - 1);
    ASSERT_EQ(lines.size(), 10u);
    const int rows[] = {68, 76, 84, 92, 100, 148, 156, 164, 172, 180};
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_LE(lines[i].second - lines[i].first, 1) << i;
        EXPECT_LE(std::abs(lines[i].first - rows[i]), 1) << i;
        const Pixel p = at(300, lines[i].first);
        if (i >= 5)
            EXPECT_GE(p.b - std::max(p.r, p.g), 64) << i;
        else
            EXPECT_LT(std::abs(p.b - p.r), 32) << i;
    }
    // The closing bar runs through both staves and the gap between them.
    for (int y = 68; y <= 180; ++y)
        EXPECT_TRUE(ink(638, y)) << y;
    EXPECT_GE(runs(510, 68, 180).size(), 5u) << "dashed bar";
    bool brace = false;
    for (int y = 110; y <= 138 && !brace; ++y)
        for (int x = 0; x < 70 && !brace; ++x)
            brace = ink(x, y);
    EXPECT_TRUE(brace);
    int outside = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (ink(x, y) && (x < 30 || x >= 645 || y < 50 || y >= 190))
                ++outside;
    EXPECT_EQ(outside, 0);
    cairo_surface_destroy(png);
}

} // namespace
