// The pixel hit test of a symbol against its own drawing.

#include "model/KVMsg.h"

#include <gtest/gtest.h>

namespace {

// A symbol that draws a solid 40 x 20 block with its top left corner at the
// drawing origin, in its own colour, and notes what the test passed it.
class BlockMsg : public CKVMsg {
public:
    using CKVMsg::DrawMsg;

    CSize DrawMsg(CDC* dc, short x, short y, CKVDoc* doc, short zoom) override
    {
        ++calls;
        colourSeen = m_crColor;
        docSeen = doc;
        zoomSeen = zoom;
        dc->FillSolidRect(x, y, kWidth, kHeight, m_crColor);
        return CSize(kWidth, kHeight);
    }

    static constexpr int kWidth = 40;
    static constexpr int kHeight = 20;
    int calls = 0;
    COLORREF colourSeen = CLR_INVALID;
    CKVDoc* docSeen = reinterpret_cast<CKVDoc*>(1);
    short zoomSeen = 0;
};

int HitAt(CKVMsg& msg, int x, int y)
{
    POINT pt {x, y};
    return msg.GetCtrlIndex(pt);
}

TEST(KVMsgCtrlIndex, BaseSymbolDrawsNothingSoNothingHits)
{
    CKVMsg msg;
    msg.m_nLayout4 = 100; // left
    msg.m_nLayout1 = 50;  // top
    msg.m_nLayout3 = 140; // right
    msg.m_nLayout2 = 70;  // bottom
    msg.m_crColor = RGB(10, 20, 30);
    for (POINT pt : {POINT {100, 50}, POINT {120, 60}, POINT {0, 0}, POINT {-500, 900}}) {
        EXPECT_EQ(msg.GetCtrlIndex(pt), -1) << pt.x << ", " << pt.y;
    }
    EXPECT_EQ(msg.m_crColor, RGB(10, 20, 30));
}

TEST(KVMsgCtrlIndex, HitsInsideTheDrawingOnlyAndRestoresTheColour)
{
    BlockMsg msg;
    msg.m_nLayout4 = 100;
    msg.m_nLayout1 = 50;
    msg.m_nLayout3 = 100 + BlockMsg::kWidth;
    msg.m_nLayout2 = 50 + BlockMsg::kHeight;
    // White would not show on the white pixel: the test must draw in black.
    msg.m_crColor = RGB(255, 255, 255);

    EXPECT_EQ(HitAt(msg, 120, 60), 0);
    EXPECT_EQ(HitAt(msg, 101, 51), 0);
    EXPECT_EQ(HitAt(msg, 138, 68), 0);
    EXPECT_EQ(msg.colourSeen, RGB(0, 0, 0));
    EXPECT_EQ(msg.docSeen, nullptr);
    EXPECT_EQ(msg.zoomSeen, 100);

    EXPECT_EQ(HitAt(msg, 90, 60), -1);   // left of it
    EXPECT_EQ(HitAt(msg, 150, 60), -1);  // right
    EXPECT_EQ(HitAt(msg, 120, 40), -1);  // above
    EXPECT_EQ(HitAt(msg, 120, 80), -1);  // below
    EXPECT_EQ(HitAt(msg, -400, 900), -1);

    EXPECT_EQ(msg.calls, 8);
    EXPECT_EQ(msg.m_crColor, RGB(255, 255, 255));
}

TEST(KVMsgCtrlIndex, OriginFollowsTheDrawnBoundingRectangle)
{
    BlockMsg msg;
    msg.m_crColor = RGB(200, 0, 0);
    msg.m_nLayout4 = -30;
    msg.m_nLayout1 = -15;
    EXPECT_EQ(HitAt(msg, -25, -10), 0);
    EXPECT_EQ(HitAt(msg, 5, 0), 0);
    EXPECT_EQ(HitAt(msg, 15, 0), -1);
    EXPECT_EQ(HitAt(msg, -25, -20), -1);
    EXPECT_EQ(msg.m_crColor, RGB(200, 0, 0));
}

} // namespace
