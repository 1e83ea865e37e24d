// Rests, rhythm slashes and arcs, on the recording device with box metrics:
// a rest glyph is 10 wide, a dot 4.

#include "support/RenderSupport.h"

#include "document/KVCtrlTool.h"
#include "platform/Backends.h"
#include "platform/Recorder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <vector>

namespace {

using Glyph = kvtest::DrawnGlyph;

class RestDrawing : public kvtest::MeasureRenderTest {
protected:
    void SetUp() override
    {
        MeasureRenderTest::SetUp();
        View().KVSetOrgXY(100, 200);
    }
    CKVMsg* Rest(kvtest::NoteShape shape) { return Builder().Rest(m_meas, shape); }
    std::vector<Glyph> Drawn() { return kvtest::DrawnGlyphs(Log()); }
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


// The same rests with the sixteenth-rest glyph 12 wide, so that a dot's
// place shows which width it was measured from.
class RestPlacement : public RestDrawing {
protected:
    kvtest::RenderShape Rendering() const override
    {
        return kvtest::RenderShape {.metrics = kvtest::BoxMetrics({{0xA7, 4}, {0xB8, 12}})};
    }
};

TEST_F(RestPlacement, VisibilityFollowsTheRestMaskAndNotTheHiddenNoteMask)
{
    CKVMsg* rest = Rest({.x = 0, .voice = 2});
    struct Case {
        WORD e6;
        WORD active;
        size_t texts;
    };
    for (const Case& c : {Case {0x00FD, 0, 0}, Case {0x00FD, 2, 1}, Case {0x02FF, 0, 1}}) {
        Log().Clear();
        Doc().m_CtrlTool.m_wE6 = c.e6;
        Doc().m_CtrlTool.m_wActiveVoice = c.active;
        EXPECT_EQ(View().DrawRest(*rest, 0), 1);
        EXPECT_EQ(Drawn(), (c.texts ? std::vector<Glyph> {{0xB6, 100, 200}} : std::vector<Glyph> {}))
            << std::hex << c.e6 << " active " << c.active;
    }
    Log().Clear();
    Doc().m_CtrlTool.m_wE6 = 0;
    Doc().m_CtrlTool.m_wActiveVoice = 0;
    rest->m_byVoice = 0;
    View().DrawRest(*rest, 0);
    EXPECT_EQ(Log().Texts().size(), 1u);
}

TEST_F(RestPlacement, RestsShownOnANeighbourStaffStandOnItsOrigin)
{
    CKVMsg* rest = Rest({.x = 0, .y = -16});
    rest->m_nPosY2 = -8;
    struct Case {
        WORD flags;
        LONG below;
        LONG above;
        int y;
    };
    for (const Case& c : {Case {MSGFLAG_STAFF_DOWN, 320, -1, 312},
                          Case {MSGFLAG_STAFF_DOWN | MSGFLAG_STAFF_UP, -1, 90, 82},
                          Case {MSGFLAG_STAFF_DOWN | MSGFLAG_STAFF_UP, -1, -1, 184}}) {
        Log().Clear();
        rest->m_wFlag = c.flags;
        View().m_lDownStaffY = c.below;
        View().m_lUpStaffY = c.above;
        View().DrawRest(*rest, 0);
        EXPECT_EQ(Drawn(), (std::vector<Glyph> {{0xB6, 100, c.y}})) << c.below << " " << c.above;
    }
}

TEST_F(RestPlacement, EachFurtherDotStandsTwoDotWidthsOn)
{
    View().DrawRest(*Rest({.x = 0, .code = DUR_16TH, .dots = 2}), 0);
    EXPECT_EQ(Drawn(), (std::vector<Glyph> {{0xB8, 100, 200}, {0xA7, 116, 188}, {0xA7, 124, 188}}));
}

TEST_F(RestPlacement, LedgerStrokeOfWholeAndHalfRestsAtTheEdgesOfTheRule)
{
    struct Case {
        BYTE code;
        short y;
        bool stroke;
    };
    const std::vector<Case> cases = {
        {DUR_HALF, 0, false},   {DUR_HALF, 8, true},    {DUR_HALF, -40, true}, {DUR_HALF, -39, false},
        {DUR_WHOLE, -32, true}, {DUR_WHOLE, -24, false}, {DUR_WHOLE, 8, false}, {DUR_WHOLE, 9, true},
    };
    for (const Case& c : cases) {
        Log().Clear();
        View().DrawRest(*Rest({.x = 0, .y = c.y, .code = c.code}), 0);
        const std::vector<Glyph> glyphs = Drawn();
        ASSERT_FALSE(glyphs.empty());
        EXPECT_EQ(glyphs.size(), c.stroke ? 2u : 1u) << int(c.code) << " at " << c.y;
        if (c.stroke) {
            EXPECT_EQ(std::get<0>(glyphs[1]), 0xB5);
        }
    }
    // The whole rest hangs half a space under its point; its stroke half a
    // space over the glyph's.
    Log().Clear();
    View().DrawRest(*Rest({.x = 0, .y = -32, .code = DUR_WHOLE}), 0);
    EXPECT_EQ(Drawn(), (std::vector<Glyph> {{0xB4, 100, 164}, {0xB5, 100, 160}}));
    Log().Clear();
    View().DrawRest(*Rest({.x = 0, .y = 8, .code = DUR_HALF}), 0);
    EXPECT_EQ(Drawn(), (std::vector<Glyph> {{0xB4, 100, 208}, {0xB5, 100, 208}}));

    // On a one-line staff only a rest on the line goes without.
    Builder().Staff(0)->m_byStaffKind = CKVStaff::KIND_DRUM_SECOND;
    for (const Case& c : {Case {DUR_HALF, -8, false}, Case {DUR_HALF, 0, true}}) {
        Log().Clear();
        View().DrawRest(*Rest({.x = 0, .y = c.y, .code = c.code}), 0);
        EXPECT_EQ(Drawn().size(), c.stroke ? 2u : 1u) << "one line, at " << c.y;
    }
}

TEST_F(RestPlacement, SlashRestIsFilledAndOutlinedInItsColour)
{
    CKVMsg* slash = Rest({.x = 0, .y = 0});
    slash->m_wHeadType = 2;
    slash->m_crColor = 0x0000FF;
    View().DrawRest(*slash, 0);
    const std::vector<const kvrec::Entry*> polygons = Log().Calls("Polygon");
    ASSERT_EQ(polygons.size(), 1u);
    const kvrec::Entry& p = *polygons[0];
    EXPECT_EQ(CPoint(p.logical[0]), CPoint(100, 208));
    EXPECT_EQ(p.penStyle, static_cast<UINT>(PS_SOLID));
    EXPECT_EQ(p.penWidth, 1);
    EXPECT_EQ(p.penColour, 0x0000FFu);
    EXPECT_EQ(p.brushStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(p.brushColour, 0x0000FFu);
    EXPECT_EQ(p.rop2, R2_COPYPEN);
}

// Multi-measure rests and the entry previews.
class MultiRestAndPreview : public RestPlacement {};

TEST_F(MultiRestAndPreview, MultiMeasureRestBarStrokesAndCount)
{
    m_meas->m_nRealWidth = 300;
    CKVMsg* rest = Builder().Symbol(m_meas, MSG_MULTIREST, 64);
    rest->m_nPosX2 = 192;
    rest->m_wObjWord = 12;
    rest->m_crColor = 0x00AA00;
    Doc().m_CtrlTool.m_lfMultiRest.lfHeight = 12;
    Doc().m_CtrlTool.m_dwW3 = 0x123456;
    View().KVSetOrgXY(40, 100);
    const UINT align = Dc().GetTextAlign();
    const COLORREF colour = Dc().GetTextColor();
    TEXTMETRICA before {};
    Dc().GetTextMetrics(&before);

    EXPECT_EQ(View().DrawLongrest(*rest), 1);
    const std::vector<const kvrec::Entry*> bars = Log().Calls("Polygon");
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_EQ(std::vector<CPoint>(bars[0]->logical.begin(), bars[0]->logical.end()),
              (std::vector<CPoint> {{115, 80}, {264, 80}, {264, 88}, {115, 88}}));
    EXPECT_EQ(bars[0]->penWidth, 0);
    EXPECT_EQ(bars[0]->brushColour, 0x00AA00u);

    const std::vector<const kvrec::Entry*> texts = Log().Texts();
    ASSERT_EQ(texts.size(), 3u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(texts[i]->glyphs, std::vector<int> {0x2D});
        EXPECT_EQ(texts[i]->align, static_cast<UINT>(TA_BASELINE | TA_RIGHT));
    }
    EXPECT_EQ(CPoint(texts[0]->logical[0]), CPoint(115, 92));
    EXPECT_EQ(CPoint(texts[1]->logical[0]), CPoint(265, 92));
    const kvrec::Entry& count = *texts[2];
    EXPECT_EQ(count.bytes, "12");
    EXPECT_EQ(CPoint(count.logical[0]), CPoint(190, 68));
    EXPECT_EQ(count.align, static_cast<UINT>(TA_BASELINE | TA_CENTER));
    EXPECT_EQ(count.font.lfHeight, -16);
    EXPECT_EQ(count.textColour, 0x123456u);

    EXPECT_EQ(Dc().GetTextAlign(), align);
    EXPECT_EQ(Dc().GetTextColor(), colour);
    TEXTMETRICA after {};
    Dc().GetTextMetrics(&after);
    EXPECT_EQ(after.tmHeight, before.tmHeight);
    EXPECT_EQ(Doc().m_CtrlTool.m_lfMultiRest.lfHeight, 12);
}

TEST_F(MultiRestAndPreview, RestPreviewStandsAtItsWordsWithoutScaling)
{
    View().m_nSizePercent = 75;
    CKVMsg rest;
    rest.m_byKind = MSG_REST;
    rest.m_nPosX = 20;
    rest.m_nPosY = -8;
    rest.m_wDuration = DUR_16TH;
    rest.m_byDots = 1;
    rest.m_nLayout3 = 4;
    rest.m_crColor = 0x0000FF;
    EXPECT_EQ(View().DrawPreviewRestEx(rest), 1);
    EXPECT_EQ(Drawn(), (std::vector<Glyph> {{0xB8, 120, 192}, {0xA7, 136, 184}}));
    for (const kvrec::Entry* text : Log().Texts())
        EXPECT_EQ(text->textColour, 0x0000FFu);

    // A half rest shows the rest glyph, not the ledger stroke after it.
    Log().Clear();
    rest.m_wDuration = DUR_HALF;
    rest.m_byDots = 0;
    EXPECT_EQ(View().DrawPreviewRestEx(rest), 1);
    EXPECT_EQ(Drawn(), (std::vector<Glyph> {{0xB4, 120, 192}}));

    Log().Clear();
    rest.m_wDuration = 9;
    EXPECT_EQ(View().DrawPreviewRestEx(rest), -1);
    EXPECT_TRUE(Log().Entries().empty());
}

TEST_F(MultiRestAndPreview, NotePreviewDrawsHeadAndStemButNoHandles)
{
    CKVCtrlTool::m_fControlVisible = 1;
    CKVMsg* note = Builder().Note(m_meas, {.x = 20, .y = -8});
    note->m_wHeadType = 1;
    note->m_lHeight = -28;
    note->m_crColor = 0x0000FF;
    note->MakeMsgCtrlPoint();
    EXPECT_EQ(View().DrawPreviewNoteEx(*note), 1);
    const std::vector<Glyph> glyphs = Drawn();
    ASSERT_GE(glyphs.size(), 2u);
    EXPECT_EQ(glyphs[0], (Glyph {0xD9, 120, 192}));
    EXPECT_EQ(std::get<0>(glyphs[1]), 0xCC); // the stem
    for (const kvrec::Entry* text : Log().Texts())
        EXPECT_EQ(text->textColour, 0x0000FFu);
    EXPECT_TRUE(Log().Lines().empty()); // handle outlines
}

// Rests on a screen-kind raster device, with memTextDC prepared.
class RestPicture : public RestPlacement {
protected:
    kvtest::RenderShape Rendering() const override
    {
        return kvtest::RenderShape {.metrics = kvtest::BoxMetrics({{0xA7, 4}}), .open = false};
    }
    std::unique_ptr<kvtest::TestDC> OpenRaster(int width, int height)
    {
        auto dc = kvtest::MakeRasterDC(width, height, KvRasterKind::Screen);
        Doc().m_CtrlTool.m_dwResolutionX = Doc().m_CtrlTool.m_dwResolutionY = 96;
        Doc().m_bSpacingApplied = 1;
        EXPECT_EQ(View().KVOpen(dc.get(), &Doc(), 0, 0), 1);
        View().KVSetExpandTimes(100, 100);
        View().KVSetOrgXY(0, 0);
        return dc;
    }
};

TEST_F(RestPicture, InvertedSlashDrawnTwiceLeavesThePageAsItWas)
{
    auto dc = OpenRaster(120, 120);
    ASSERT_TRUE(KvSetRecording(dc->m_hDC, true));
    View().DrawSlashRest(40, 80, 0x0000FF, 1);
    const std::vector<const kvrec::Entry*> slashes = dc->Log().Calls("Polygon");
    ASSERT_EQ(slashes.size(), 1u);
    EXPECT_EQ(slashes[0]->rop2, R2_NOTXORPEN);
    EXPECT_EQ(dc->GetROP2(), R2_COPYPEN);
    EXPECT_GT(kvtest::CountInk(*dc, CRect(0, 0, 120, 120)).inside, 0);
    View().DrawSlashRest(40, 80, 0x0000FF, 1);
    EXPECT_EQ(kvtest::CountInk(*dc, CRect(0, 0, 120, 120)).inside, 0);
    View().KVClose();
}

} // namespace
