// Ellipses and rectangles reshaped by their edge and corner handles, drawn
// hollow, and left alone by handles they do not have.

#include "support/ShapeDrag.h"

#include "drag/TempShapes.h"

#include <gtest/gtest.h>

namespace {

using kvtest::ShapeWords;
using kvtest::WordsOf;
using Points = std::vector<CPoint>;

class TempBoxMsgsTest : public kvtest::ShapeDragFixture {
protected:
    void SetUp() override
    {
        ShapeDragFixture::SetUp();
        AddEmptyPage();
    }

    // A box shape at page (200, 300), 40 x 20 (view (250, 360) to (290, 380)),
    // moved by `handle` to `to`, and the words the page then holds.
    ShapeWords Reshape(BYTE kind, int handle, CPoint to)
    {
        CKVMsg* box = OnPage(kind, 200, 300, 40, 20);
        if (!box)
            return {};
        if (kind == MSG_ELLIPSE) {
            CTempEllipseMsg t;
            Move(t, box, handle, {270, 370}, to);
        } else {
            CTempRectMsg t;
            Move(t, box, handle, {270, 370}, to);
        }
        const ShapeWords words = LastOnPage() ? WordsOf(*LastOnPage()) : ShapeWords {};
        Undo();
        return words;
    }
};

TEST_F(TempBoxMsgsTest, HandlesMoveTheirEdgeOrCorner)
{
    struct Case {
        BYTE kind;
        int handle;
        CPoint to;
        ShapeWords words;
    };
    const Case cases[] = {
        {MSG_ELLIPSE, 1, {230, 999}, {MSG_ELLIPSE, 180, 300, 60, 20}},   // left edge
        {MSG_ELLIPSE, 0, {999, 350}, {MSG_ELLIPSE, 200, 290, 40, 30}},   // top edge
        {MSG_ELLIPSE, 7, {999, 999}, {MSG_ELLIPSE, 200, 300, 40, 20}},   // no such handle
        {MSG_RECTANGLE, 1, {240, 390}, {MSG_RECTANGLE, 190, 300, 50, 30}}, // bottom left
        {MSG_RECTANGLE, 9, {999, 999}, {MSG_RECTANGLE, 200, 300, 40, 20}}, // no such handle
    };
    for (const Case& c : cases)
        EXPECT_EQ(Reshape(c.kind, c.handle, c.to), c.words) << int(c.kind) << " by " << c.handle;
}

TEST_F(TempBoxMsgsTest, HollowOutlinesThatNeedRoomForThePen)
{
    CTempRoundRectMsg round;
    EXPECT_EQ(round.m_byKind, MSG_ROUNDRECT);
    round.m_lHeight = 1;
    round.m_ptPos = {240, 360};
    round.m_ptSecond = {290, 390};
    round.DrawDraging(&View());
    const auto rounded = Calls("RoundRect");
    ASSERT_EQ(rounded.size(), 1u);
    EXPECT_EQ(PointsOf(*rounded[0]), (Points {{240, 360}, {290, 390}}));
    EXPECT_EQ(rounded[0]->values, (std::vector<LONG> {7, 7})); // a quarter of the shorter side
    EXPECT_EQ(rounded[0]->brushStock, NULL_BRUSH);
    EXPECT_EQ(rounded[0]->rop2, R2_NOTXORPEN);

    // A 1-pixel pen needs a box 2 wide.
    CTempEllipseMsg ellipse;
    CTempRectMsg rect;
    for (const int width : {1, 2}) {
        ClearLog();
        for (CTempShapeMsg* t : {static_cast<CTempShapeMsg*>(&ellipse), static_cast<CTempShapeMsg*>(&rect)}) {
            t->m_lHeight = 1;
            t->m_ptPos = {100, 100};
            t->m_ptSecond = {100 + width, 120};
            t->DrawDraging(&View());
        }
        const size_t want = width == 2 ? 1 : 0;
        EXPECT_EQ(Calls("Ellipse").size(), want) << width;
        EXPECT_EQ(Calls("Rectangle").size(), want) << width;
        if (want) {
            EXPECT_EQ(Calls("Ellipse")[0]->brushStock, NULL_BRUSH);
            EXPECT_EQ(Calls("Rectangle")[0]->brushStock, NULL_BRUSH);
        }
    }
}

} // namespace
