// The accidental that follows the pointer: which glyph, its brackets, the
// rectangle left of the position, the drawing straight onto the view, and
// the drop that makes nothing.

#include "support/FontSupport.h"
#include "support/ShapeDrag.h"

#include "drag/DragGlyph.h"
#include "drag/TempAcciMsg.h"

#include <gtest/gtest.h>

#include <map>

namespace {

class TempAcciMsgTest : public kvtest::ShapeDragFixture {
protected:
    void SetUp() override
    {
        ShapeDragFixture::SetUp();
        static const std::map<int, kvmusic::TestMetric> table = {
            {0xA9, {24, 20, 12}}, {0xAD, {30, 20, 12}}, {0x28, {10, 24, 8}}, {0x29, {10, 24, 8}}};
        kvtest::UseMusicTestMetrics(&table);
    }

    // A one-byte text measured in the template's font (a 64-pixel em).
    CSize Extent(char c)
    {
        kvdrag::GlyphFont font(&View(), Doc().m_nScoreFontSize);
        SIZE size {0, 0};
        MyGetTextExtent(&View(), &c, 1, &size);
        return size;
    }
    // Bound at (200, 300) and drawn twice: the second drawing stands where
    // the first one's rectangle says. Its texts.
    std::vector<const kvrec::Entry*> DrawTwice(CTempAcciMsg& t)
    {
        EXPECT_EQ(t.BeginDrag({200, 300}, &Doc(), 100, nullptr, 0), 1);
        t.m_ptPos = {200, 300};
        t.DrawDraging(&View());
        ClearLog();
        t.DrawDraging(&View());
        return View().Log().Texts();
    }
    static CPoint At(const kvrec::Entry* e) { return e->logical.at(0); }
};

TEST_F(TempAcciMsgTest, GlyphStandsLeftOfThePointer)
{
    const CSize glyph = Extent(char(0xA9));
    ASSERT_GT(glyph.cx, 0);
    CTempAcciMsg t;
    EXPECT_EQ(t.m_byKind, 130);
    EXPECT_EQ(t.m_wHeadType, 0);
    EXPECT_EQ(t.m_wDuration, 5);
    const auto texts = DrawTwice(t);
    const CRect r(-(glyph.cx + 12), -(glyph.cy >> 1), 0, glyph.cy >> 1);
    EXPECT_EQ(t.GetBoundingRect(), r);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->call, "TextOutA");
    EXPECT_EQ(texts[0]->bytes, "\xA9");
    EXPECT_EQ(texts[0]->font.lfHeight, -64);
    EXPECT_EQ(At(texts[0]), CPoint(200 + r.left, 300 + r.bottom + r.top));
    EXPECT_EQ(t.m_bMeasured, 1);
}

TEST_F(TempAcciMsgTest, BracketsWidenTheRectangleByTheOpeningOne)
{
    const CSize glyph = Extent(char(0xA9));
    const int pw = Extent('(').cx;
    ASSERT_GT(pw, 0);
    CTempAcciMsg t;
    t.m_wDuration = 6;
    const auto texts = DrawTwice(t);
    const CRect r = t.GetBoundingRect();
    EXPECT_EQ(r, CRect(-(glyph.cx + pw + 12), -(glyph.cy >> 1), 0, glyph.cy >> 1));
    ASSERT_EQ(texts.size(), 3u);
    const int x = 200 + r.left;
    const int y = 300 + r.bottom;
    EXPECT_EQ(texts[0]->bytes, "(");
    EXPECT_EQ(At(texts[0]), CPoint(x, y + MulDiv(r.top, 85, 100)));
    EXPECT_EQ(texts[1]->bytes, "\xA9");
    EXPECT_EQ(At(texts[1]), CPoint(x + pw, y + r.top));
    EXPECT_EQ(texts[2]->bytes, ")");
    EXPECT_EQ(At(texts[2]), CPoint(x + pw + glyph.cx, y + MulDiv(r.top, 85, 100)));
}

TEST_F(TempAcciMsgTest, TypeWordPicksTheGlyphOrNone)
{
    CTempAcciMsg flat;
    flat.m_wHeadType = 4;
    auto texts = DrawTwice(flat);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->bytes, "\xAD");

    for (WORD type : {WORD(5), WORD(0xFFFF)}) {
        CTempAcciMsg none;
        none.m_wHeadType = type;
        texts = DrawTwice(none);
        EXPECT_TRUE(texts.empty()) << type;
        EXPECT_EQ(none.GetBoundingRect(), CRect(-12, 0, 0, 0)) << type;
    }
}

TEST_F(TempAcciMsgTest, DragDrawsOnTheViewAndTheDropMakesNothing)
{
    const std::string before = Dump();
    const int steps = UndoSteps();
    {
        CTempAcciMsg t;
        DrawTwice(t);
        ClearLog();
        EXPECT_EQ(t.Drag(&View(), {250, 350}), 1);
        const auto texts = View().Log().Texts();
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0]->bytes, "\xA9");
        EXPECT_EQ(At(texts[0]), At(texts[1]));
        EXPECT_TRUE(Calls("BitBlt").empty());
        EXPECT_EQ(t.EndDrag({250, 350}), 1);
    }
    {
        host.HoldKey(VK_MENU);
        CTempAcciMsg t;
        DrawTwice(t);
        host.ReleaseKey(VK_MENU);
        ClearLog();
        t.Drag(&View(), {250, 350});
        EXPECT_EQ(View().Log().Texts().size(), 1u);
        EXPECT_EQ(t.m_byAltState, 2);
        t.EndDrag({250, 350});
    }
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(UndoSteps(), steps);
}

} // namespace
