// Custom symbols: their block read and written, their objects drawn,
// bounded, moved and reshaped, their drawing on a page and their rescaling.

#include "support/CustomSymbolMaker.h"
#include "support/FontSupport.h"
#include "support/RenderSupport.h"

#include "model/CustomSymbol.h"
#include "model/CustomSymbolBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "platform/LittleEndian.h"
#include "platform/Recorder.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;
using Points = std::vector<CPoint>;
using namespace kvtest;

constexpr POINT kFar {5000, 5000};

CsStroke Line(double x1, double y1, double x2, double y2)
{
    CsStroke s;
    s.kind = CSK_LINE;
    s.penWidth = 2;
    s.colour = RGB(255, 0, 0);
    s.points = {{x1, y1}, {x2, y2}};
    return s;
}

// The line of the drawing tests: (0,0)-(30,0), width 2, solid, round ends.
Bytes LineBlock()
{
    CsBlock block;
    block.strokes = {Line(0, 0, 30, 0)};
    return MakeCustomBlock(block);
}

Points PointsOf(const kvrec::Entry& e)
{
    return Points(e.logical.begin(), e.logical.end());
}

// An object of `kind` with the given points, finished.
std::unique_ptr<CCustomSymbolObject> Object(int kind, const Points& points, int width = 1, int lineStyle = 1)
{
    auto object = std::make_unique<CCustomSymbolObject>(width, 0, kind, 0, 0, lineStyle, 1, 0, 0, 0);
    for (const CPoint& p : points)
        object->m_arrPoint.Add(p);
    object->FinishStroke();
    return object;
}

CCustomSymbolTextObject Item(double x, double y, const std::u16string& text, const char* face = "KvTest")
{
    CCustomSymbolTextObject item;
    item.m_dX = x;
    item.m_dY = y;
    item.m_lf.lfHeight = 12;
    std::strncpy(item.m_lf.lfFaceName, face, sizeof item.m_lf.lfFaceName - 1);
    std::vector<unsigned short> units(text.begin(), text.end());
    item.SetText(units.data(), static_cast<int>(units.size()));
    return item;
}

// Drawing on the fixture's recording DC, with a page whose printable area
// starts at (50, 60).
class CustomSymbols : public RenderTest {
protected:
    RenderShape Rendering() const override { return {.metrics = BoxMetrics({})}; }
    void SetUp() override
    {
        RenderTest::SetUp();
        RouteTextToTestFace();
        CKVCtrlTool::m_fPageLineVisible = 0;
        m_page.m_pDoc = &Doc();
        m_page.m_rcPrint.SetRect(50, 60, 650, 860);
        m_live = kvrec::LiveObjectCounts();
    }
    void TearDown() override
    {
        EXPECT_EQ(kvrec::LiveObjectCounts(), m_live);
        RenderTest::TearDown();
    }

    CKVMsg* PageSymbol(const Bytes& block, CPoint at, CPoint size)
    {
        auto* msg = new CKVMsg;
        PlaceSymbol(*msg, block, at, size);
        m_page.AddMsg(msg);
        return msg;
    }
    static void PlaceSymbol(CKVMsg& msg, const Bytes& block, CPoint at, CPoint size)
    {
        msg.m_byKind = MSG_CUSTOM;
        msg.m_byParentKind = 7;
        msg.m_nPosX = static_cast<short>(at.x);
        msg.m_nPosY = static_cast<short>(at.y);
        msg.m_nPosX2 = static_cast<short>(size.x);
        msg.m_nPosY2 = static_cast<short>(size.y);
        msg.SetHead(static_cast<short>(block.size()), const_cast<BYTE*>(block.data()));
    }
    void DrawPage()
    {
        Log().Clear();
        ASSERT_EQ(View().KVDrawPage(m_page, CRect(0, 0, 2000, 2000), 1), 1);
    }
    // Draws one object on the recording DC with a clean log.
    int Stroke(CCustomSymbolObject& object, int dotted = 0, int erase = 0)
    {
        Log().Clear();
        return object.DrawStroke(&Dc(), dotted, erase, 0);
    }
    std::vector<const kvrec::Entry*> Drawn(const std::string& call, bool inPath)
    {
        std::vector<const kvrec::Entry*> out;
        for (const kvrec::Entry* e : Log().Calls(call))
            if (e->inPath == inPath)
                out.push_back(e);
        return out;
    }

    CKVPage m_page;
    kvrec::LiveCounts m_live;
};

TEST_F(CustomSymbols, PageSymbolDrawsItsLineAndReportsItsRectangle)
{
    const Bytes block = LineBlock();
    ASSERT_EQ(block.size(), 100u);
    CKVMsg* msg = PageSymbol(block, {10, 20}, {30, 5});
    const UINT align = Dc().GetTextAlign();
    DrawPage();
    const std::vector<const kvrec::Entry*> lines = Log().Calls("LineTo");
    ASSERT_EQ(lines.size(), 1u);
    const kvrec::Entry& line = *lines[0];
    EXPECT_EQ(PointsOf(line), (Points {{60, 80}, {90, 80}}));
    EXPECT_EQ(line.penType, UINT(PS_GEOMETRIC));
    EXPECT_EQ(line.penWidth, 2);
    EXPECT_EQ(line.penColour, 0u); // the stored red is carried, not drawn
    EXPECT_EQ(line.penDashes, (std::vector<DWORD> {6, 0}));
    EXPECT_EQ(line.penCap, UINT(PS_ENDCAP_ROUND));
    EXPECT_EQ(line.penJoin, UINT(PS_JOIN_MITER));
    EXPECT_EQ(line.align, 0u);
    EXPECT_EQ(Dc().GetTextAlign(), align);
    EXPECT_EQ((std::vector<int> {msg->m_nLayout4, msg->m_nLayout1, msg->m_nLayout3, msg->m_nLayout2}),
              (std::vector<int> {60, 80, 90, 85}));

    // The outline hit draws the same line.
    EXPECT_EQ(msg->GetCtrlPoint(kFar, POINT {75, 80}, 0, 0), 1);
    EXPECT_EQ(msg->m_cPointedCtrl, 4);
    EXPECT_EQ(msg->GetCtrlPoint(kFar, POINT {75, 90}, 0, 0), 0);
    EXPECT_EQ(View().DrawCustomSymbolMsg(*msg), 1);

    CKVMsg bare;
    bare.m_byKind = MSG_CUSTOM;
    bare.m_nLayout4 = 7;
    Log().Clear();
    EXPECT_EQ(View().DrawCustomSymbolMsg(bare), 0);
    EXPECT_EQ(bare.m_nLayout4, 7);
    EXPECT_TRUE(Log().Lines().empty());
}

TEST_F(CustomSymbols, ImageCountIsReadOnlyWhenMoreThanFourBytesRemain)
{
    Bytes block = LineBlock();
    CCustomSymbol plain;
    EXPECT_EQ(plain.ReadBlock(block.data(), int(block.size())), 1);
    EXPECT_EQ(plain.m_listObject.GetSize(), 1);
    block.resize(104, 0);
    CCustomSymbol four;
    EXPECT_EQ(four.ReadBlock(block.data(), int(block.size())), 1);
    // Eight spare bytes: the count is read, and one image does not fit.
    block.resize(108, 0);
    PutDword(block.data() + 100, 1);
    CCustomSymbol eight;
    EXPECT_EQ(eight.ReadBlock(block.data(), int(block.size())), 0);
    EXPECT_EQ(eight.m_listObject.GetSize(), 1);
}

TEST_F(CustomSymbols, TextItemsAreDrawnFromTheFirstItemsPoint)
{
    CsTextItem a;
    a.offsetX = 2;
    a.offsetY = 3;
    a.text = u"ab";
    CsTextItem b;
    b.x = 20;
    b.offsetX = 5;
    b.offsetY = 7;
    b.text = u"c";
    CsBlock block;
    block.texts = {{{a, b}}};
    PageSymbol(MakeCustomBlock(block), {10, 20}, {30, 20});
    DrawPage();
    const std::vector<const kvrec::Entry*> texts = Log().Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(CPoint(texts[0]->logical[0]), CPoint(60, 80));
    EXPECT_EQ(CPoint(texts[1]->logical[0]), CPoint(83, 84));
    for (const kvrec::Entry* t : texts) {
        EXPECT_EQ(t->call, "TextOutW");
        EXPECT_EQ(t->font.lfHeight, -16);
        EXPECT_EQ(t->textColour, 0u);
        EXPECT_EQ(t->bkMode, TRANSPARENT);
    }

    CCustomSymbolObject text;
    text.m_nKind = CSK_TEXT;
    text.m_nFill = 16;
    text.m_arrText.Add(Item(0, 0, u"ab"));
    Stroke(text);
    ASSERT_EQ(Log().Texts().size(), 1u);
    EXPECT_EQ(Log().Texts()[0]->textColour, RGB(255, 255, 255));
}

TEST_F(CustomSymbols, MusicFaceTextsAreRaisedToItsSymbols)
{
    CCustomSymbolObject text;
    text.m_nKind = CSK_TEXT;
    text.m_arrText.Add(Item(0, 0, u"E", "ZelvoraB"));
    text.m_arrText.Add(Item(0, 0, u"AB\xF3", "ZelvoraB"));
    const COLORREF colour = Dc().GetTextColor();
    Stroke(text);
    const std::vector<const kvrec::Entry*> texts = Log().Texts();
    ASSERT_EQ(texts.size(), 2u);
    ASSERT_FALSE(texts[0]->glyphs.empty());
    EXPECT_EQ(texts[0]->glyphs[0], 0x45);
    EXPECT_EQ(texts[1]->units, (std::u16string {0x141, 0x142, 0xF3}));
    EXPECT_EQ(texts[1]->font.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(Dc().GetTextColor(), colour);

    CCustomSymbolObject sizes;
    sizes.m_nKind = CSK_TEXT;
    EXPECT_EQ(sizes.GetTextBaseLine(&Dc()), 0);
    sizes.m_arrText.Add(Item(0, 0, u"a"));
    sizes.m_arrText.Add(Item(0, 0, u"b"));
    sizes.m_arrText[0].m_lf.lfHeight = 20;
    sizes.m_arrText[1].m_lf.lfHeight = 10;
    EXPECT_EQ(sizes.GetTextBaseLine(&Dc()), 16);
}

TEST_F(CustomSymbols, ImagesAndMeasureSymbolsArePlacedOnThePage)
{
    BmpShape shape = SmallImageShape();
    shape.scaleX = shape.scaleY = 200;
    CsBlock images;
    images.images = {{40, 0, 4, 2, shape}};
    PageSymbol(MakeCustomBlock(images), {10, 20}, {8, 4});
    DrawPage();
    const std::vector<const kvrec::Entry*> blits = Log().Calls("StretchBlt");
    ASSERT_EQ(blits.size(), 1u);
    EXPECT_EQ(CRect(blits[0]->destRect), CRect(100, 80, 108, 84));
    EXPECT_EQ(blits[0]->rop3, DWORD(SRCCOPY));

    // In a measure: drawn at the page place, reported at the measure.
    CKVMeas* meas = Builder().Meas(0, 0);
    CKVMsg* inMeasure = Builder().Symbol(meas, MSG_CUSTOM, 10, 20);
    const Bytes block = LineBlock();
    inMeasure->SetHead(short(block.size()), const_cast<BYTE*>(block.data()));
    inMeasure->m_nPosX2 = 30;
    Log().Clear();
    EXPECT_EQ(View().DrawCustomSymbolMsg(*inMeasure), 1);
    ASSERT_EQ(Log().Calls("LineTo").size(), 1u);
    EXPECT_EQ(PointsOf(*Log().Calls("LineTo")[0]), (Points {{60, 80}, {90, 80}}));
    EXPECT_EQ(inMeasure->m_nLayout4, short(View().m_lOrgX + meas->GetRealPosX(inMeasure)));
}

TEST_F(CustomSymbols, PensFollowTheLineStyle)
{
    const std::vector<std::vector<DWORD>> dashes = {{9, 0}, {0, 9}, {9, 9}, {9, 9}, {9, 0, 9}, {9, 0, 9, 0, 9}};
    for (int style = 1; style <= 7; ++style) {
        auto line = Object(CSK_LINE, {{0, 0}, {30, 0}}, 3, style);
        line->m_nArrowType = 0;
        EXPECT_EQ(Stroke(*line), 1) << style;
        const kvrec::Entry& e = style == 7 ? *Drawn("PolyBezier", false).at(0) : *Log().Lines().at(0);
        EXPECT_EQ(e.penColour, 0u) << style;
        if (style <= 6) {
            EXPECT_EQ(e.penDashes, dashes[size_t(style - 1)]) << style;
            EXPECT_EQ(e.penType, UINT(PS_GEOMETRIC)) << style;
            EXPECT_EQ(e.penJoin, UINT(PS_JOIN_MITER)) << style;
        } else {
            EXPECT_EQ(e.penStyle, UINT(PS_SOLID));
            EXPECT_EQ(e.penWidth, 3);
        }
    }
    auto line = Object(CSK_LINE, {{0, 0}, {30, 0}}, 3);
    line->m_nEndStyle = 2;
    Stroke(*line);
    EXPECT_EQ(Log().Lines().at(0)->penCap, UINT(PS_ENDCAP_SQUARE));
    Stroke(*line, 0, 1);
    EXPECT_EQ(Log().Lines().at(0)->penColour, RGB(255, 255, 255));
    EXPECT_EQ(Log().Lines().at(0)->penWidth, 6);
    Stroke(*line, 1, 0);
    EXPECT_EQ(Log().Lines().at(0)->penStyle, UINT(PS_DOT));
    EXPECT_LE(Log().Lines().at(0)->penWidth, 1);

    line->m_nLineStyle = 0;
    EXPECT_EQ(Stroke(*line), 0);
    EXPECT_TRUE(Log().Lines().empty());

    auto box = Object(CSK_RECTANGLE, {{0, 0}, {20, 10}});
    box->m_nEndStyle = 0;
    Stroke(*box);
    EXPECT_EQ(Log().Calls("Rectangle").at(0)->brushStock, NULL_BRUSH);
    box->m_nFill = 1;
    Stroke(*box);
    EXPECT_EQ(Log().Calls("Rectangle").at(0)->brushStock, BLACK_BRUSH);
    EXPECT_TRUE(Log().Calls("Rectangle").at(0)->inPath);
}

TEST_F(CustomSymbols, ShapesNeedTheirPointCounts)
{
    for (int kind : {CSK_RECTANGLE, CSK_ELLIPSE, CSK_BEZIER, CSK_BAND}) {
        auto shape = Object(kind, {{0, 0}, {10, 5}, {20, 0}});
        EXPECT_EQ(Stroke(*shape), 1);
        EXPECT_TRUE(Log().Shapes().empty() && Log().Lines().empty()) << kind;
    }
    auto ellipse = Object(CSK_ELLIPSE, {{0, 0}, {20, 10}});
    Stroke(*ellipse);
    const kvrec::Entry& arc = *Log().Calls("Arc").at(0);
    EXPECT_EQ(PointsOf(arc), (Points {{0, 0}, {20, 10}, {0, 0}, {0, 0}}));

    auto bezier = Object(CSK_BEZIER, {{0, 0}, {30, 0}, {10, -10}, {20, -10}});
    Stroke(*bezier);
    const Points curve {{0, 0}, {10, -10}, {20, -10}, {30, 0}};
    ASSERT_EQ(Drawn("PolyBezier", true).size(), 1u);
    ASSERT_EQ(Drawn("PolyBezier", false).size(), 1u);
    EXPECT_EQ(PointsOf(*Drawn("PolyBezier", true)[0]), curve);
    EXPECT_EQ(PointsOf(*Drawn("PolyBezier", false)[0]), curve);
    EXPECT_EQ(Log().Calls("FillPath").size(), 1u);

    auto freehand = Object(CSK_FREEHAND, {{0, 0}, {10, 10}, {20, 0}});
    freehand->m_nFill = 1;
    Stroke(*freehand);
    EXPECT_TRUE(Drawn("LineTo", false).empty());
    EXPECT_FALSE(Drawn("LineTo", true).empty());
    EXPECT_EQ(Log().Calls("FillPath").size(), 1u);

    auto polygon = Object(CSK_POLYGON, {{0, 0}, {10, 10}, {20, 0}});
    polygon->m_nClosed = 1;
    Stroke(*polygon);
    const std::vector<const kvrec::Entry*> lines = Log().Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(PointsOf(*lines[2]), (Points {{0, 0}, {20, 0}}));
}

TEST_F(CustomSymbols, ArrowHeadsAndWaveLines)
{
    auto arrow = Object(CSK_LINE, {{0, 0}, {40, 0}});
    arrow->m_nArrowType = 2;
    arrow->m_nArrowEnd = 1;
    Stroke(*arrow);
    const std::vector<const kvrec::Entry*> head = Drawn("LineTo", true);
    ASSERT_EQ(head.size(), 3u);
    EXPECT_EQ(PointsOf(*head[0]), (Points {{48, 0}, {40, -4}}));
    EXPECT_EQ(PointsOf(*head[1]), (Points {{40, -4}, {40, 4}}));
    EXPECT_EQ(PointsOf(*head[2]), (Points {{40, 4}, {48, 0}}));
    const kvrec::Entry& filled = *Log().Calls("StrokeAndFillPath").at(0);
    EXPECT_EQ(filled.brushStock, BLACK_BRUSH);
    EXPECT_LE(filled.penWidth, 1);
    EXPECT_EQ(filled.penColour, 0u);

    arrow->m_nArrowEnd = 0;
    Stroke(*arrow);
    EXPECT_EQ(CPoint(Drawn("LineTo", true).at(0)->logical[0]), CPoint(-8, 0));

    arrow->m_nArrowType = 1;
    Stroke(*arrow);
    EXPECT_TRUE(Log().Calls("StrokeAndFillPath").empty());
    EXPECT_EQ(Log().Lines().size(), 4u); // the line and three strokes of the head

    // Beyond 46,340 units the squared length passes 32 bits.
    auto far = Object(CSK_LINE, {{0, 0}, {50000, 0}});
    far->m_nArrowType = 2;
    far->m_nArrowEnd = 1;
    Stroke(*far);
    const std::vector<const kvrec::Entry*> farHead = Drawn("LineTo", true);
    ASSERT_EQ(farHead.size(), 3u);
    EXPECT_EQ(PointsOf(*farHead[0]), (Points {{50008, 0}, {50000, -4}}));
    EXPECT_EQ(PointsOf(*farHead[1]), (Points {{50000, -4}, {50000, 4}}));

    auto wave = Object(CSK_LINE, {{0, 0}, {60, 0}}, 2, 7);
    Stroke(*wave);
    const std::vector<const kvrec::Entry*> curves = Drawn("PolyBezier", false);
    ASSERT_EQ(curves.size(), 5u);
    EXPECT_EQ(PointsOf(*curves[0]), (Points {{0, 0}, {4, -8}, {8, 8}, {12, 0}}));
    EXPECT_EQ(PointsOf(*curves[1]), (Points {{12, 0}, {16, -8}, {20, 8}, {24, 0}}));
    EXPECT_EQ(PointsOf(*curves[4]), (Points {{48, 0}, {52, -8}, {56, 8}, {60, 0}}));
    wave->m_nPenWidth = 0;
    wave->DrawWaterLine(&Dc());
    EXPECT_EQ(wave->m_nPenWidth, 1);
}

TEST_F(CustomSymbols, BowForms)
{
    CCustomSymbolObject bow;
    bow.m_nKind = CSK_BOW;
    bow.m_nBowForm = 3;
    Log().Clear();
    bow.DrawBow(&Dc(), CRect(0, 0, 10, 20), CPoint(100, 100), 0);
    ASSERT_EQ(Log().Calls("Polyline").size(), 1u);
    EXPECT_EQ(PointsOf(*Log().Calls("Polyline")[0]),
              (Points {{104, 100}, {104, 120}, {106, 120}, {106, 100}, {104, 100}}));
    Log().Clear();
    bow.DrawBow(&Dc(), CRect(0, 20, 10, 0), CPoint(100, 100), 0);
    EXPECT_EQ(PointsOf(*Log().Calls("Polyline").at(0)),
              (Points {{106, 100}, {106, 80}, {104, 80}, {104, 100}, {106, 100}}));
    for (auto [form, count] : {std::pair {1, 13u}, std::pair {2, 19u}}) {
        bow.m_nBowForm = form;
        Log().Clear();
        bow.DrawBow(&Dc(), CRect(0, 0, 10, 20), CPoint(0, 0), 0);
        ASSERT_EQ(Log().Calls("PolyBezier").size(), 1u);
        EXPECT_EQ(Log().Calls("PolyBezier")[0]->logical.size(), count);
    }
}

TEST_F(CustomSymbols, BoundingAndMoving)
{
    auto dot = Object(CSK_FREEHAND, {{10, 10}}, 5);
    EXPECT_EQ(dot->GetBoundingRect(0), CRect(8, 8, 13, 13));
    auto line = Object(CSK_LINE, {{30, 5}, {10, 5}});
    EXPECT_EQ(line->m_arrPoint[0], CPoint(10, 5));
    EXPECT_EQ(line->m_arrPoint[1], CPoint(30, 5));

    CCustomSymbolObject text;
    text.m_nKind = CSK_TEXT;
    text.m_rect.SetRect(1, 2, 3, 4);
    text.FinishStroke();
    EXPECT_EQ(text.m_rect, CRect(1, 2, 3, 4));
    CCustomSymbolTextObject a = Item(10.7, 20.2, u"a");
    a.m_dWidth = 30;
    a.m_dHeight = 12;
    a.m_dOffsetX = 2;
    a.m_dOffsetY = 3;
    CCustomSymbolTextObject b = Item(0, 0, u"b");
    b.m_dWidth = 20;
    b.m_dHeight = 16;
    b.m_dOffsetX = -1;
    b.m_dOffsetY = 5;
    text.m_arrText.Add(a);
    text.m_arrText.Add(b);
    text.FinishStroke();
    EXPECT_EQ(text.m_rect, CRect(9, 25, 59, 41));

    CCustomSymbolObject images;
    images.m_nKind = CSK_IMAGES;
    for (CRect place : {CRect(10, 10, 20, 10), CRect(40, 5, 10, 30)}) {
        auto* image = new CKVBitmapObject;
        image->CreateImage(4, 2, 8);
        image->m_nLeft = place.left;
        image->m_nTop = place.top;
        image->m_nWidth = place.right;
        image->m_nHeight = place.bottom;
        images.m_listBitmap.AddTail(image);
    }
    images.FinishStroke();
    EXPECT_EQ(images.m_rect, CRect(10, 5, 50, 35));

    text.OffsetStroke({5, 5});
    EXPECT_DOUBLE_EQ(text.m_arrText[1].m_dX, 5);
    images.OffsetStroke({5, 5});
    EXPECT_EQ(images.m_listBitmap.GetHead()->m_nLeft, 15);
    line->OffsetStroke({5, 5});
    EXPECT_EQ(line->m_arrPoint[0], CPoint(15, 10));

    auto zoomed = Object(CSK_POLYGON, {{20, 30}, {0, 0}, {5, 5}});
    zoomed->Zoom(CPoint(10, 10), 100);
    EXPECT_EQ(zoomed->m_arrPoint[0], CPoint(20, 30));
    zoomed->Zoom(CPoint(10, 10), 200);
    EXPECT_EQ(zoomed->m_arrPoint[0], CPoint(30, 50));

    CCustomSymbolObject row;
    row.m_nKind = CSK_TEXT;
    CCustomSymbolTextObject first = Item(10, 20, u"x");
    first.m_dWidth = 30;
    first.m_dHeight = 12;
    row.m_arrText.Add(first);
    row.m_arrText.Add(Item(99, 99, u"y"));
    row.ResizeObject(0, CPoint(2, 2), CPoint(1, 1));
    EXPECT_DOUBLE_EQ(row.m_arrText[0].m_dX, 20);
    EXPECT_DOUBLE_EQ(row.m_arrText[0].m_dY, 40);
    EXPECT_DOUBLE_EQ(row.m_arrText[1].m_dX, 50);
    EXPECT_DOUBLE_EQ(row.m_arrText[1].m_dY, 52);
    // A zero denominator leaves that axis.
    zoomed->ResizeObject(0, CPoint(2, 2), CPoint(0, 1));
    EXPECT_EQ(zoomed->m_arrPoint[0], CPoint(30, 100));
}

TEST_F(CustomSymbols, HandlesAndReshaping)
{
    CCustomSymbolObject o;
    EXPECT_EQ(o.ReCalcPoint({5, 5}, {20, 30}, {0, 0}, {10, 10}, 4), CPoint(10, 15));
    EXPECT_EQ(o.ReCalcPoint({5, 5}, {20, 30}, {0, 0}, {0, 10}, 4), CPoint(5, 15));
    EXPECT_EQ(o.ReCalcPoint({5, 5}, {20, 30}, {0, 0}, {10, 0}, 4), CPoint(10, 5));
    EXPECT_EQ(o.ReCalcPoint({5, 5}, {20, 30}, {0, 0}, {10, 10}, 8), CPoint(5, 5));

    auto box = Object(CSK_RECTANGLE, {{0, 0}, {20, 10}});
    int k = 0;
    EXPECT_EQ(box->IsControlPoint({20, 5}, k), 0);
    EXPECT_EQ(k, -1);
    box->m_bSelected = 1;
    EXPECT_EQ(box->IsControlPoint({20, 5}, k), 1);
    EXPECT_EQ(k, 3);
    EXPECT_EQ(box->IsControlPoint({10, 0}, k), 1);
    EXPECT_EQ(k, 1);
    EXPECT_EQ(box->IsControlPoint({10, 5}, k), 0);

    auto line = Object(CSK_LINE, {{0, 10}, {20, 0}});
    line->m_bSelected = 1;
    EXPECT_EQ(line->IsControlPoint({0, 10}, k), 1);
    EXPECT_EQ(k, 6);
    auto bezier = Object(CSK_BEZIER, {{0, 0}, {30, 0}, {10, -10}, {20, -10}});
    bezier->m_bSelected = 1;
    EXPECT_EQ(bezier->IsControlPoint({10, -10}, k), 1);
    EXPECT_EQ(k, 0);
    bezier->Modification(2.0f, 0.5f);
    EXPECT_EQ(bezier->m_arrPoint[2], CPoint(20, -5));
    bezier->Modification(1e30f, 1.0f); // kept inside a LONG
    EXPECT_EQ(bezier->m_arrPoint[2].x, std::numeric_limits<LONG>::max());

    Log().Clear();
    box->DrawControlRect(&Dc(), 0);
    const std::vector<const kvrec::Entry*> squares = Log().Calls("Rectangle");
    ASSERT_EQ(squares.size(), 8u);
    for (const kvrec::Entry* s : squares) {
        EXPECT_EQ(s->penColour, 0xFF0000u);
        EXPECT_EQ(s->logical[1].x - s->logical[0].x, 3);
    }

    auto square = Object(CSK_RECTANGLE, {{0, 0}, {10, 10}});
    CPoint delta(10, 20);
    square->Modification(delta, 4);
    EXPECT_EQ(square->m_arrPoint[1], CPoint(20, 30));
    EXPECT_EQ(square->m_arrPoint[0], CPoint(0, 0));
    CPoint start(5, 5);
    line->Modification(start, 0);
    EXPECT_EQ(line->m_arrPoint[0], CPoint(5, 5));

    CCustomSymbolObject images;
    images.m_nKind = CSK_IMAGES;
    auto* image = new CKVBitmapObject;
    image->CreateImage(4, 2, 8);
    image->m_nLeft = image->m_nTop = 10;
    image->m_nWidth = 20;
    image->m_nHeight = 10;
    images.m_listBitmap.AddTail(image);
    images.FinishStroke();
    EXPECT_EQ(images.ModifyBmpObject(4, CPoint(50, 40)), 0);
    EXPECT_EQ(CRect(image->m_nLeft, image->m_nTop, image->m_nWidth, image->m_nHeight), CRect(10, 10, 40, 30));

    auto mirrored = Object(CSK_POLYGON, {{4, 0}, {6, 1}, {8, 2}});
    mirrored->SymmetricalObject({10, 0}, 1, 0);
    EXPECT_EQ(mirrored->m_arrPoint[0], CPoint(16, 0));
}

TEST_F(CustomSymbols, CopiesOwnTheirTextsAndImages)
{
    auto source = std::make_unique<CCustomSymbolTextObject>(Item(1, 2, u"abc"));
    CCustomSymbolTextObject copy(*source);
    CCustomSymbolTextObject assigned;
    assigned = *source;
    source->m_pText[0] = 'z';
    source.reset();
    EXPECT_EQ(std::u16string(copy.m_pText, copy.m_pText + copy.m_nLength), u"abc");
    EXPECT_EQ(std::u16string(assigned.m_pText, assigned.m_pText + 3), u"abc");

    CCustomSymbolObject images;
    images.m_nKind = CSK_IMAGES;
    auto* image = new CKVBitmapObject;
    image->CreateImage(4, 2, 8);
    image->m_pBits[0] = 7;
    images.m_listBitmap.AddTail(image);
    CCustomSymbolObject imageCopy;
    imageCopy = images;
    CKVBitmapObject* copied = imageCopy.m_listBitmap.GetHead();
    ASSERT_NE(copied, image);
    EXPECT_EQ(std::memcmp(copied->m_pImage, image->m_pImage, size_t(image->GetSize())), 0);

    CCustomSymbol a;
    a.m_dwValue = 42;
    a.m_listObject.Add(Object(CSK_LINE, {{0, 0}, {5, 5}}).release());
    CCustomSymbol b;
    b.m_listObject.Add(Object(CSK_FREEHAND, {{1, 1}}).release());
    b = a;
    ASSERT_EQ(b.m_listObject.GetSize(), 1);
    EXPECT_NE(b.m_listObject[0], a.m_listObject[0]);
    EXPECT_EQ(b.m_listObject[0]->m_nKind, CSK_LINE);
    EXPECT_EQ(b.m_dwValue, 42u);
}

// The block of the round-trip test: a line and a bow, the texts "ab" and
// "c", and one 8-bit image of 4 x 2.
CsBlock RoundTripShape()
{
    CsBlock block;
    block.firstWord = 0xCAFE0001;
    CsStroke bow = Line(0, 10, 10, 30);
    bow.kind = CSK_BOW;
    bow.bowForm = 3;
    bow.fill = 1;
    block.strokes = {Line(0, 0, 30, 0), bow};
    CsTextItem ab;
    ab.text = u"ab";
    ab.width = 12;
    ab.height = 10;
    CsTextItem c = ab;
    c.x = 12;
    c.text = u"c";
    block.texts = {{{ab, c}}};
    block.images = {{40, 0, 8, 4, SmallImageShape()}};
    return block;
}

TEST_F(CustomSymbols, BlocksWriteAndReadBackUnchanged)
{
    const Bytes made = MakeCustomBlock(RoundTripShape());
    CCustomSymbol symbol;
    ASSERT_EQ(symbol.ReadBlock(made.data(), int(made.size())), 1);
    ASSERT_EQ(symbol.m_listObject.GetSize(), 4);
    std::vector<unsigned char> written;
    ASSERT_EQ(symbol.WriteBlock(written), 1);
    ASSERT_EQ(written.size(), 1564u);
    EXPECT_EQ(GetDword(written.data()), 0xCAFE0001u);
    EXPECT_EQ(GetDword(written.data() + 4), 8u);
    EXPECT_EQ(Bytes(written.begin() + 8, written.begin() + 16), (Bytes {'0', 'S', '2', 0, 4, 0, 4, 0}));

    CCustomSymbol again;
    ASSERT_EQ(again.ReadBlock(written.data(), int(written.size())), 1);
    ASSERT_EQ(again.m_listObject.GetSize(), 4);
    for (int i = 0; i < 4; ++i) {
        const CCustomSymbolObject& x = *symbol.m_listObject[i];
        const CCustomSymbolObject& y = *again.m_listObject[i];
        EXPECT_EQ(x.m_nKind, y.m_nKind);
        EXPECT_EQ(x.m_rect, y.m_rect);
        EXPECT_EQ(x.m_arrPoint.GetSize(), y.m_arrPoint.GetSize());
        EXPECT_EQ(x.m_arrText.GetSize(), y.m_arrText.GetSize());
    }
    std::vector<unsigned char> rewritten;
    ASSERT_EQ(again.WriteBlock(rewritten), 1);
    EXPECT_EQ(rewritten, written);
}

struct Mutation {
    const char* name;
    int objects; // completed before the fault
    void (*apply)(Bytes&);
};

// Offsets in the round-trip block.
constexpr int kN = csblock::kHeaderSize;
constexpr int kStrokes = kN + 4;
constexpr int kP = kStrokes + 2 * csblock::kStrokeSize;
constexpr int kPoints = kP + 4;
constexpr int kT = kPoints + 4 * csblock::kPointSize;
constexpr int kI = kT + 4 + 4;
constexpr int kItem = kI + 4;
constexpr int kSecondItem = kItem + csblock::kItemSize + 4;
constexpr int kM = kSecondItem + csblock::kItemSize + 2;
constexpr int kImage = kM + 4;

void Put32(Bytes& b, int at, int64_t value)
{
    PutDword(b.data() + at, DWORD(value));
}

const Mutation kMutations[] = {
    {"N -1", 0, [](Bytes& b) { Put32(b, kN, -1); }},
    {"N 10^6", 0, [](Bytes& b) { Put32(b, kN, 1000000); }},
    {"decreasing end", 1, [](Bytes& b) { PutWord(b.data() + kStrokes + csblock::kStrokeSize, 1); }},
    {"end past P", 1, [](Bytes& b) { PutWord(b.data() + kStrokes + csblock::kStrokeSize, 5); }},
    {"P -1", 0, [](Bytes& b) { Put32(b, kP, -1); }},
    {"T 10^6", 2, [](Bytes& b) { Put32(b, kT, 1000000); }},
    {"I -1", 2, [](Bytes& b) { Put32(b, kI, -1); }},
    {"L -1", 2, [](Bytes& b) { Put32(b, kItem + csblock::kItemLength, -1); }},
    {"L past the end", 2, [](Bytes& b) { Put32(b, kSecondItem + csblock::kItemLength, 5000); }},
    {"S too small", 3, [](Bytes& b) { Put32(b, kImage + csblock::kImageBodySize, 20); }},
    {"body disagrees", 3, [](Bytes& b) { Put32(b, kImage + csblock::kImageSize + 4, 5); }},
    {"NaN point", 0, [](Bytes& b) { csblock::PutDouble(b.data() + kPoints, std::nan("")); }},
    {"point 10^9", 0, [](Bytes& b) { csblock::PutDouble(b.data() + kPoints + 8, 1e9); }},
    {"pen 10^10", 1,
     [](Bytes& b) { csblock::PutDouble(b.data() + kStrokes + csblock::kStrokeSize + csblock::kStrokePenWidth, 1e10); }},
};

TEST_F(CustomSymbols, MalformedBlocksStopAtTheirFirstFault)
{
    const Bytes good = MakeCustomBlock(RoundTripShape());
    ASSERT_EQ(GetDword(good.data() + kM), 1u);
    auto check = [&](const Bytes& bytes, int objects, const std::string& name) {
        CCustomSymbol symbol;
        EXPECT_EQ(symbol.ReadBlock(bytes.data(), int(bytes.size())), 0) << name;
        EXPECT_EQ(symbol.m_listObject.GetSize(), objects) << name;
        // The rescaler keeps such a symbol as it was.
        CKVMsg msg;
        PlaceSymbol(msg, bytes, {10, 20}, {30, 5});
        msg.m_wDuration = 77;
        msg.ModifyCustomSymbol(4, CPoint(2, 2), CPoint(1, 1));
        EXPECT_EQ(Bytes(msg.m_pHead, msg.m_pHead + msg.m_wHeadLen), bytes) << name;
        EXPECT_EQ(CPoint(msg.m_nPosX, msg.m_nPosY), CPoint(10, 20)) << name;
        EXPECT_EQ(msg.m_wDuration, 77) << name;
    };
    for (const Mutation& m : kMutations) {
        Bytes bytes = good;
        m.apply(bytes);
        check(bytes, m.objects, m.name);
    }
    // Cut short; a cut just after the texts reads them and no images.
    for (size_t length = 7; length < good.size(); length += 7) {
        if (length >= size_t(kM) && length <= size_t(kM) + 4)
            continue;
        Bytes cut(good.begin(), good.begin() + long(length));
        CCustomSymbol symbol;
        EXPECT_EQ(symbol.ReadBlock(cut.data(), int(cut.size())), 0) << length;
    }

    Bytes unterminated = good;
    std::memset(unterminated.data() + kItem + csblock::kItemFont + csblock::kFontFace, 'F', 32);
    CCustomSymbol symbol;
    ASSERT_EQ(symbol.ReadBlock(unterminated.data(), int(unterminated.size())), 1);
    EXPECT_EQ(symbol.m_listObject[2]->m_arrText[0].m_lf.lfFaceName[31], 0);
    EXPECT_EQ(std::strlen(symbol.m_listObject[2]->m_arrText[0].m_lf.lfFaceName), 31u);
}

TEST_F(CustomSymbols, RescalingRewritesTheBlock)
{
    const Bytes made = MakeCustomBlock(RoundTripShape());
    CKVMsg msg;
    PlaceSymbol(msg, made, {10, 20}, {40, 30});
    msg.ModifyCustomSymbol(4, CPoint(1, 1), CPoint(1, 1));
    const Bytes once(msg.m_pHead, msg.m_pHead + msg.m_wHeadLen);
    EXPECT_EQ(once.size(), 1564u);
    EXPECT_EQ(msg.m_wDuration, once.size());
    EXPECT_EQ(msg.m_wFlag, once.size());
    msg.ModifyCustomSymbol(4, CPoint(1, 1), CPoint(1, 1));
    EXPECT_EQ(Bytes(msg.m_pHead, msg.m_pHead + msg.m_wHeadLen), once);
    CCustomSymbol read;
    ASSERT_EQ(read.ReadBlock(once.data(), int(once.size())), 1);
    EXPECT_EQ(read.m_listObject[3]->m_nKind, CSK_IMAGES);

    CKVMsg doubled;
    CsBlock one;
    one.strokes = {Line(5, 4, 30, 4)};
    PlaceSymbol(doubled, MakeCustomBlock(one), {10, 20}, {40, 30});
    doubled.ModifyCustomSymbol(4, CPoint(2, 2), CPoint(1, 1));
    CCustomSymbol twice;
    ASSERT_EQ(twice.ReadBlock(doubled.m_pHead, doubled.m_wHeadLen), 1);
    const CCustomSymbolObject& line = *twice.m_listObject[0];
    EXPECT_EQ(line.m_nPenWidth, 4);
    EXPECT_EQ(line.m_arrPoint[0], CPoint(0, 0));
    EXPECT_EQ(line.m_arrPoint[1], CPoint(50, 0));
    EXPECT_EQ(CPoint(doubled.m_nPosX, doubled.m_nPosY), CPoint(20, 28));

    // One large image: the rewrite adds the unwritten counts and the spare
    // bytes, passes 32,767 bytes and is refused.
    BmpShape large;
    large.width = 100;
    large.height = 108;
    large.bitCount = 24;
    large.sizeImage = 32620;
    large.bits.assign(32620, 0x5A);
    CsBlock onlyImage;
    onlyImage.images = {{0, 0, 100, 108, large}};
    const Bytes big = MakeCustomBlock(onlyImage);
    ASSERT_EQ(big.size(), 32762u);
    CKVMsg huge;
    PlaceSymbol(huge, big, {10, 20}, {100, 108});
    huge.m_wDuration = 5;
    huge.ModifyCustomSymbol(4, CPoint(1, 1), CPoint(1, 1));
    EXPECT_EQ(Bytes(huge.m_pHead, huge.m_pHead + huge.m_wHeadLen), big);
    EXPECT_EQ(huge.m_wDuration, 5);
    CCustomSymbol bigSymbol;
    ASSERT_EQ(bigSymbol.ReadBlock(big.data(), int(big.size())), 1);
    std::vector<unsigned char> refused {1, 2, 3};
    EXPECT_EQ(bigSymbol.WriteBlock(refused), 0);
    EXPECT_TRUE(refused.empty());
}

// The whole page on a screen-kind raster DC, written as a PNG and read back.
class CustomSymbolPicture : public RenderTest {
protected:
    RenderShape Rendering() const override { return {.metrics = BoxMetrics({}), .open = false}; }
};

TEST_F(CustomSymbolPicture, LineBowAndImageLandOnTheirPixels)
{
    auto dc = MakeRasterDC(200, 150, KvRasterKind::Screen);
    Doc().m_CtrlTool.m_dwResolutionX = Doc().m_CtrlTool.m_dwResolutionY = 96;
    Doc().m_bSpacingApplied = 1;
    Doc().m_CtrlTool.m_crPage = RGB(255, 255, 255);
    CKVCtrlTool::m_fPageLineVisible = 0;
    const kvrec::LiveCounts live = kvrec::LiveObjectCounts();
    ASSERT_EQ(View().KVOpen(dc.get(), &Doc(), 0, 0), 1);
    View().KVSetExpandTimes(100, 100);

    BmpShape shape = SmallImageShape();
    shape.scaleX = shape.scaleY = 200;
    const std::vector<DWORD> palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00,
                                        0xFF00FF, 0x00FFFF, 0x800000, 0x008000};
    shape.colours = palette;
    shape.bits = {0, 1, 2, 3, 4, 5, 6, 7};
    CsBlock block;
    CsStroke bow = Line(0, 10, 10, 30);
    bow.kind = CSK_BOW;
    bow.bowForm = 3;
    bow.fill = 1;
    block.strokes = {Line(0, 0, 30, 0), bow};
    block.images = {{40, 0, 4, 2, shape}};
    const Bytes bytes = MakeCustomBlock(block);
    CKVPage page;
    page.m_pDoc = &Doc();
    page.m_rcPrint.SetRect(20, 30, 190, 140);
    auto* msg = new CKVMsg;
    msg->m_byKind = MSG_CUSTOM;
    msg->m_byParentKind = 7;
    msg->m_nPosX = msg->m_nPosY = 10;
    msg->SetHead(short(bytes.size()), const_cast<BYTE*>(bytes.data()));
    page.AddMsg(msg);
    EXPECT_EQ(View().KVDrawPage(page, CRect(0, 0, 200, 150), 1), 1);
    View().KVClose();
    EXPECT_EQ(kvrec::LiveObjectCounts(), live);

    const std::string path = WritePicture(*dc, "custom-symbol.png");
    ASSERT_FALSE(path.empty());
    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    auto pixel = [&](int x, int y) {
        const unsigned char* row = cairo_image_surface_get_data(png) + y * cairo_image_surface_get_stride(png);
        return *reinterpret_cast<const uint32_t*>(row + 4 * x) & 0x00FFFFFFu;
    };
    auto ink = [&](int x, int y) { return pixel(x, y) != 0x00FFFFFFu; };
    for (int x = 70; x < 78; ++x) {
        for (int y = 40; y < 44; ++y) {
            // The first stored row is the bottom one.
            const int index = (y < 42 ? 4 : 0) + (x - 70) / 2;
            EXPECT_EQ(pixel(x, y), palette[size_t(index)]) << x << "," << y;
        }
    }
    for (int x = 32; x <= 58; ++x) {
        bool any = false;
        for (int y = 38; y <= 42; ++y)
            any = any || ink(x, y);
        EXPECT_TRUE(any) << x;
    }
    for (int y = 52; y <= 68; ++y) {
        EXPECT_TRUE(ink(34, y)) << y;
        EXPECT_TRUE(ink(35, y)) << y;
    }
    cairo_surface_destroy(png);
}

} // namespace
