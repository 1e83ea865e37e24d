// Lines, hairpins, octave and pedal lines, zigzags and hollow shapes: what
// they draw at which resolution and with which pen, and the coordinates
// they leave in the symbol for hit-testing and handle dragging.

#include "support/PngPixels.h"
#include "support/SymbolDrawing.h"

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"

#include <gtest/gtest.h>


#include <array>
#include <string>
#include <utility>
#include <vector>

namespace {

using kvtest::PointsOf;
using Points = std::vector<std::pair<int, int>>;

constexpr COLORREF kColour = RGB(10, 120, 30);

std::array<int, 4> WrittenBack(const CKVMsg& msg)
{
    return {msg.m_nLayout4, msg.m_nLayout1, msg.m_nLayout3, msg.m_nLayout2};
}

// The lines of a log as their two end points.
std::vector<std::array<int, 4>> LineEnds(kvrec::Recorder& log)
{
    std::vector<std::array<int, 4>> out;
    for (const kvrec::Entry* e : log.Calls("LineTo"))
        out.push_back({e->logical[0].x, e->logical[0].y, e->logical[1].x, e->logical[1].y});
    return out;
}

class Lines : public kvtest::SymbolDrawingTest {
protected:
    // A free line on the page at origin (10, 20) from its words (0, 0).
    CKVMsg& Line(CPoint second, LONG points)
    {
        PagePlace(msg, MSG_LINE, CPoint(0, 0), second, CPoint(10, 20));
        msg.m_lHeight = points;
        msg.m_crColor = kColour;
        return msg;
    }
    CKVMsg msg;
};

class PrintedLines : public kvtest::PrintedSymbolDrawingTest {
protected:
    CKVMsg msg;
};

TEST_F(Lines, AThickLineIsABandCentredOnItWithEndsAcrossTheNearerAxis)
{
    struct Case {
        CPoint second;
        Points corners;
    };
    const Case cases[] = {
        {CPoint(100, 10), {{40, 72}, {40, 88}, {440, 128}, {440, 112}}}, // flat: ends run vertically
        {CPoint(10, 100), {{32, 80}, {48, 80}, {88, 480}, {72, 480}}},   // steep: ends run horizontally
    };
    for (const Case& c : cases) {
        Log().Clear();
        EXPECT_EQ(View().DrawMsgLine(Line(c.second, 3)), 1);
        const auto polygons = Log().Calls("Polygon");
        ASSERT_EQ(polygons.size(), 1u);
        const kvrec::Entry& band = *polygons[0];
        EXPECT_EQ(PointsOf(band), c.corners);
        EXPECT_EQ(band.brushColour, kColour);
        EXPECT_EQ(band.penColour, kColour);
        EXPECT_EQ(band.penWidth, 0);
        EXPECT_EQ(band.windowExt.cx, 400);
        EXPECT_EQ(WrittenBack(msg), (std::array<int, 4> {10, 20, 10 + c.second.x, 20 + c.second.y}));
    }
    EXPECT_EQ(Dc().GetWindowExt(), CSize(100, 100));
}

TEST_F(PrintedLines, APrintedBandIsDrawnAtWholeDots)
{
    PagePlace(msg, MSG_LINE, CPoint(0, 0), CPoint(100, 10), CPoint(10, 20));
    msg.m_lHeight = 3;
    EXPECT_EQ(View().DrawMsgLine(msg), 1);
    const auto polygons = Log().Calls("Polygon");
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(PointsOf(*polygons[0]), (Points {{10, 18}, {10, 22}, {110, 32}, {110, 28}}));
    EXPECT_EQ(polygons[0]->windowExt.cx, 100);
}

TEST_F(Lines, AOnePointLineIsOnePenLineAndWidthZeroIsTheDashedLine)
{
    EXPECT_EQ(View().DrawMsgLine(Line(CPoint(100, 10), 1)), 1);
    const auto lines = Log().Calls("LineTo");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(PointsOf(*lines[0]), (Points {{40, 80}, {440, 120}}));
    EXPECT_EQ(lines[0]->penWidth, 4);
    EXPECT_TRUE(Log().Calls("Polygon").empty());

    // A width far beyond the page is cut to what coordinates hold.
    Log().Clear();
    EXPECT_EQ(View().DrawMsgLine(Line(CPoint(100, 10), 1'000'000'000)), 1);
    ASSERT_EQ(Log().Calls("Polygon").size(), 1u);
    EXPECT_EQ(Log().Calls("Polygon")[0]->logical[1].y - Log().Calls("Polygon")[0]->logical[0].y, 4 * 0x7FFF);

    // Width 0 draws what the dashed-line drawer draws between the same
    // points, and says so by its result.
    Log().Clear();
    EXPECT_EQ(View().DrawMsgLine(Line(CPoint(100, 10), 0)), 0);
    EXPECT_EQ(WrittenBack(msg), (std::array<int, 4> {10, 20, 110, 30}));
    const std::string dashed = Log().Dump();
    Log().Clear();
    View().DrawThickDash(10, 20, 110, 30, kColour, 1);
    auto withoutSequence = [](std::string dump) {
        std::string out;
        for (size_t at = 0; at < dump.size();) {
            const size_t end = dump.find('\n', at);
            const std::string line = dump.substr(at, end == std::string::npos ? std::string::npos : end - at);
            out += line.substr(line.find(' ') + 1) + "\n";
            at = end == std::string::npos ? dump.size() : end + 1;
        }
        return out;
    };
    EXPECT_EQ(withoutSequence(dashed), withoutSequence(Log().Dump()));
}

TEST_F(Lines, ALineInAMeasureIsScaledByItsOwnStaff)
{
    CKVMeas* meas = Builder().Meas(0, 0);
    Builder().Staff(0)->m_wObjWord = 75;
    ASSERT_EQ(View().m_nSizePercent, 100);
    CKVMsg* line = Builder().Symbol(meas, MSG_LINE, 0, 40);
    line->m_nPosX2 = 100;
    line->m_lHeight = 1;
    View().DrawMsgLine(*line);
    const auto lines = Log().Calls("LineTo");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]->logical[0].y, 30 * 4);
    EXPECT_EQ(line->m_nLayout1, 30);
}

TEST_F(Lines, AHairpinRunsFromItsOpenEndThroughTheApexAndLeavesItsCorners)
{
    PagePlace(msg, MSG_HAIRPIN, CPoint(10, 0), CPoint(0, 12), CPoint(50, 100));
    msg.m_wObjWord = 80;
    msg.m_dwWord = static_cast<DWORD>(-12);
    EXPECT_EQ(View().DrawCDCrescendo(msg), 1);
    EXPECT_EQ(LineEnds(Log()), (std::vector<std::array<int, 4>> {{140, 88, 60, 100}, {60, 100, 140, 112}}));
    const kvrec::Entry& pen = *Log().Calls("LineTo")[0];
    EXPECT_EQ(pen.penStyle, static_cast<UINT>(PS_SOLID));
    EXPECT_EQ(pen.penWidth, 1);
    EXPECT_EQ(WrittenBack(msg), (std::array<int, 4> {60, 88, 140, 112}));
    EXPECT_EQ(msg.m_nPosX2, 100); // the apex y, where the hit shape reads it
}

class CoarseLines : public kvtest::SymbolDrawingTest {
protected:
    kvtest::RenderShape Rendering() const override
    {
        return {.dpi = 60, .metrics = kvtest::SymbolMetrics(), .open = false};
    }
};

TEST_F(CoarseLines, AHairlineThinnerThanADotIsDotted)
{
    CKVMsg hairpin;
    PagePlace(hairpin, MSG_HAIRPIN, CPoint(0, 0), CPoint(0, 12));
    hairpin.m_wObjWord = 80;
    View().DrawCDCrescendo(hairpin);
    CKVMsg ellipse;
    PagePlace(ellipse, MSG_ELLIPSE, CPoint(0, 0), CPoint(40, 20));
    ellipse.m_lHeight = 1; // MulDiv(1, 60, 72) is 1: solid
    View().DrawEllipse(ellipse);

    ASSERT_FALSE(Log().Calls("LineTo").empty());
    for (const kvrec::Entry* e : Log().Calls("LineTo")) {
        EXPECT_EQ(e->penStyle, static_cast<UINT>(PS_DOT));
        EXPECT_EQ(e->penWidth, 0);
    }
    EXPECT_EQ(Log().Calls("Ellipse").at(0)->penStyle, static_cast<UINT>(PS_SOLID));
}

class PedalLines : public kvtest::SymbolDrawingTest {
protected:
    // A pedal line at (100, 50) that starts with the glyph of `entry`.
    CKVMsg& Pedal(WORD entry, CPoint second)
    {
        PagePlace(msg, MSG_PEDAL, CPoint(100, 50), second);
        msg.m_wHeadType = 0;
        msg.m_wDuration = entry;
        for (int i = 0; i < msg.m_arrCtrlPoint.GetSize(); ++i)
            msg.m_arrCtrlPoint.GetAt(i)->m_rect = kUntouched;
        return msg;
    }
    static inline const CRect kUntouched {7, 7, 7, 7};
    CKVMsg msg;
};

TEST_F(PedalLines, TheGlyphStartsTheLineAndTheDashesEndInAHook)
{
    EXPECT_EQ(View().DrawVabPedal(Pedal(3, CPoint(120, 10))), 1);
    ASSERT_GE(msg.m_arrCtrlPoint.GetSize(), 3);
    EXPECT_EQ(kvtest::DrawnGlyphs(Log()), (std::vector<kvtest::DrawnGlyph> {{0x6B, 100, 50}}));
    EXPECT_EQ(Handle(msg, 0), CRect(0, -16, 24, 0));

    std::vector<std::array<int, 4>> along, hook;
    for (const auto& line : LineEnds(Log()))
        (line[1] == line[3] ? along : hook).push_back(line);
    ASSERT_EQ(along.size(), 16u);
    EXPECT_EQ(along.front(), (std::array<int, 4> {128, 42, 132, 42}));
    EXPECT_EQ(along.back(), (std::array<int, 4> {218, 42, 222, 42}));
    EXPECT_EQ(hook, (std::vector<std::array<int, 4>> {{224, 42, 224, 46}, {224, 48, 224, 52}}));
    EXPECT_EQ(Handle(msg, 1), CRect(121, -11, 127, -5));
    EXPECT_EQ(Handle(msg, 2), CRect(121, -1, 127, 5));
}

TEST_F(PedalLines, ALineTooShortForItsGlyphDrawsOnlyTheGlyph)
{
    View().DrawVabPedal(Pedal(3, CPoint(20, 10)));
    EXPECT_EQ(kvtest::DrawnGlyphs(Log()).size(), 1u);
    EXPECT_TRUE(Log().Lines().empty());
    EXPECT_EQ(Handle(msg, 1), kUntouched);
    EXPECT_EQ(Handle(msg, 2), kUntouched);
}

TEST_F(PedalLines, AGlyphEntryOutsideTheTableStartsTheLineWithoutAGlyph)
{
    for (WORD entry : {WORD {0}, WORD {7}, WORD {0xFFFF}}) {
        Log().Clear();
        View().DrawVabPedal(Pedal(entry, CPoint(120, 10)));
        EXPECT_TRUE(Log().Texts().empty()) << entry;
        const auto lines = LineEnds(Log());
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), (std::array<int, 4> {100, 50, 104, 50})) << entry;
        EXPECT_EQ(Handle(msg, 0), CRect(-3, -3, 3, 3)) << entry;
    }
}

class Shapes : public kvtest::SymbolDrawingTest {
protected:
    CKVMsg msg;
};

TEST_F(Shapes, ZigzagsDrawTheirPolylinesAndLeaveTheirCornersAndGap)
{
    PagePlace(msg, MSG_ZIGZAG_N, CPoint(50, 100), CPoint(30, -20));
    EXPECT_EQ(View().DrawN(msg), 1);
    EXPECT_EQ(PointsOf(*Log().Calls("Polyline").at(0)), (Points {{50, 92}, {50, 100}, {80, 80}, {80, 88}}));
    EXPECT_EQ(WrittenBack(msg), (std::array<int, 4> {50, 100, 80, 80}));
    EXPECT_EQ(msg.m_wObjWord, 8);

    // An M narrower than a gap to its peak and two to its end is widened,
    // and keeps the widening.
    CKVMsg m;
    PagePlace(m, MSG_ZIGZAG_M, CPoint(50, 100), CPoint(3, 10));
    Log().Clear();
    EXPECT_EQ(View().DrawInversM(m), 1);
    EXPECT_EQ(m.m_nPosX2, 8);
    EXPECT_EQ(m.m_nPosY2, 16);
    EXPECT_EQ(PointsOf(*Log().Calls("Polyline").at(0)),
              (Points {{50, 92}, {50, 100}, {50, 100}, {58, 92}, {66, 100}, {66, 100}, {66, 92}}));
    EXPECT_EQ(WrittenBack(m), (std::array<int, 4> {50, 100, 58, 66}));
    EXPECT_EQ(m.m_wObjWord, 8);
}

TEST_F(Shapes, HollowShapesAreNormalisedAndRefuseAnOutlineWiderThanThemselves)
{
    PagePlace(msg, MSG_ELLIPSE, CPoint(0, 0), CPoint(4, 40));
    msg.m_lHeight = 3;
    EXPECT_EQ(View().DrawEllipse(msg), -1);
    EXPECT_TRUE(Log().Entries().empty());

    CKVMsg round;
    PagePlace(round, MSG_ROUNDRECT, CPoint(100, 100), CPoint(40, 20));
    round.m_lHeight = 1;
    EXPECT_EQ(View().DrawRoundRectangle(round), 1);
    const kvrec::Entry& r = *Log().Calls("RoundRect").at(0);
    EXPECT_EQ(PointsOf(r), (Points {{100, 100}, {140, 120}}));
    EXPECT_EQ(r.values, (std::vector<LONG> {5, 5}));
    EXPECT_EQ(r.penWidth, 1);
    EXPECT_EQ(r.brushStock, NULL_BRUSH);
    EXPECT_EQ(WrittenBack(round), (std::array<int, 4> {100, 100, 140, 120}));

    CKVMsg rect;
    PagePlace(rect, MSG_RECTANGLE, CPoint(100, 100), CPoint(-40, -20));
    rect.m_lHeight = 0;
    Log().Clear();
    EXPECT_EQ(View().DrawRectangle(rect), 1);
    const kvrec::Entry& box = *Log().Calls("Rectangle").at(0);
    EXPECT_EQ(PointsOf(box), (Points {{60, 80}, {100, 100}}));
    EXPECT_EQ(box.penStyle, static_cast<UINT>(PS_DOT)); // an outline of 0 points
    EXPECT_EQ(box.penWidth, 0);
    EXPECT_EQ(WrittenBack(rect), (std::array<int, 4> {60, 80, 100, 100}));
}

// Shapes drawn on a screen-kind raster DC, written as a PNG, read back and
// checked on its pixels.
class ShapePicture : public kvtest::RenderTest {
protected:
    kvtest::RenderShape Rendering() const override { return {.metrics = kvtest::SymbolMetrics(), .open = false}; }
};

TEST_F(ShapePicture, DashesBandAndRoundedRectangleLookRight)
{
    auto dc = kvtest::MakeRasterDC(300, 200, KvRasterKind::Screen);
    Doc().m_CtrlTool.m_dwResolutionX = Doc().m_CtrlTool.m_dwResolutionY = 96;
    Doc().m_bSpacingApplied = 1;
    const kvrec::LiveCounts live = kvrec::LiveObjectCounts();
    ASSERT_EQ(View().KVOpen(dc.get(), &Doc(), 0, 0), 1);
    View().KVSetExpandTimes(100, 100);

    auto place = [&](CKVMsg& m, BYTE kind, CPoint words, CPoint second, CPoint origin) {
        kvtest::PlaceOnPage(m, kind, words, second);
        View().KVSetOrgXY(origin.x, origin.y);
    };
    CKVMsg pedal, line, round;
    place(pedal, MSG_PEDAL, CPoint(100, 50), CPoint(120, 10), CPoint(0, 0));
    pedal.m_wDuration = 3;
    View().DrawVabPedal(pedal);
    place(line, MSG_LINE, CPoint(0, 0), CPoint(100, 10), CPoint(10, 20));
    line.m_lHeight = 3;
    View().DrawMsgLine(line);
    place(round, MSG_ROUNDRECT, CPoint(160, 120), CPoint(40, 20), CPoint(0, 0));
    round.m_lHeight = 1;
    View().DrawRoundRectangle(round);
    View().KVClose();
    EXPECT_EQ(kvrec::LiveObjectCounts(), live);
    EXPECT_TRUE(kvrec::Warnings().empty());

    const std::string path = kvtest::WritePicture(*dc, "shapes.png");
    ASSERT_FALSE(path.empty());
    const kvtest::PngPixels png(path);
    ASSERT_TRUE(png.Ok());
    EXPECT_EQ(png.Runs(true, 42, 128, 223), 16);
    EXPECT_EQ(png.Runs(false, 224, 42, 52), 2);
    for (int x = 12; x <= 98; ++x) {
        const int centre = 20 + (x - 10) / 10;
        bool any = false;
        for (int y = 0; y < 200; ++y) {
            if (!png.Ink(x, y))
                continue;
            any = true;
            EXPECT_LE(std::abs(y - centre), 3) << "x " << x << " y " << y;
        }
        EXPECT_TRUE(any) << "no ink in column " << x;
    }
    for (int y = 124; y <= 136; ++y)
        for (int x = 164; x <= 196; ++x)
            ASSERT_FALSE(png.Ink(x, y)) << x << ", " << y;
    auto nearColumn = [&](int x, int y) { return png.Ink(x - 1, y) || png.Ink(x, y) || png.Ink(x + 1, y); };
    auto nearRow = [&](int x, int y) { return png.Ink(x, y - 1) || png.Ink(x, y) || png.Ink(x, y + 1); };
    EXPECT_TRUE(nearColumn(160, 130));
    EXPECT_TRUE(nearColumn(200, 130));
    EXPECT_TRUE(nearRow(180, 120));
    EXPECT_TRUE(nearRow(180, 140));
}

} // namespace
