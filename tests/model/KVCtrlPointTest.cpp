#include "model/KVCtrlPoint.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(KVCtrlPointTest, ConstructionGivesEmptyOrGivenRectangleWithKindZero)
{
    const CKVCtrlPoint empty;
    EXPECT_EQ(CRect(0, 0, 0, 0), static_cast<CRect>(empty));
    EXPECT_EQ(0, empty.m_wKind);

    const RECT rect {-3, -7, 5, 9};
    const CKVCtrlPoint handle(rect);
    EXPECT_EQ(CRect(-3, -7, 5, 9), static_cast<CRect>(handle));
    EXPECT_EQ(0, handle.m_wKind);
}

TEST(KVCtrlPointTest, AssignmentCopiesRectangleAndKind)
{
    CKVCtrlPoint source(CRect(1, 2, 3, 4));
    source.m_wKind = CKVCtrlPoint::kReshapeAlt;
    CKVCtrlPoint target(CRect(9, 9, 9, 9));
    target.m_wKind = CKVCtrlPoint::kMoveWhole;

    target = source;
    EXPECT_EQ(CRect(1, 2, 3, 4), target.m_rect);
    EXPECT_EQ(11, target.m_wKind);

    // Self-assignment keeps both.
    CKVCtrlPoint& alias = target;
    target = alias;
    EXPECT_EQ(CRect(1, 2, 3, 4), target.m_rect);
    EXPECT_EQ(11, target.m_wKind);
}

TEST(KVCtrlPointTest, OwnersDeleteHandlesThroughTheBase)
{
    // Owners keep their handles as CObject-derived heap objects; deleting one
    // through the base must run the handle's own destructor (ASan checks the
    // size of the freed block).
    std::unique_ptr<CObject> handle(new CKVCtrlPoint(CRect(0, 0, 4, 4)));
    EXPECT_NE(nullptr, handle.get());
}

} // namespace
