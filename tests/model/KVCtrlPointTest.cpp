#include "model/KVCtrlPoint.h"

#include "AllocHook.h"
#include "model/KVObject.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

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

// The handles of one shared block are deleted one by one, in any order and
// also through the base; the block stays until the last goes, and an
// assignment between handles moves no storage.
TEST(KVCtrlPointTest, SharedHandlesGoOneByOneAndTheirBlockWithTheLast)
{
    const size_t liveBefore = KvPoolLiveBlocks();
    CKVCtrlPoint* handles[4] = {};
    ASSERT_TRUE(CKVCtrlPoint::MakeShared(4, handles));
    if (KvPoolEnabled()) {
        EXPECT_EQ(liveBefore + 1, KvPoolLiveBlocks());
    }
    std::set<CKVCtrlPoint*> distinct(handles, handles + 4);
    EXPECT_EQ(4u, distinct.size());
    for (CKVCtrlPoint* handle : handles) {
        EXPECT_EQ(CRect(0, 0, 0, 0), handle->m_rect);
        EXPECT_EQ(0, handle->m_wKind);
    }

    // A standalone handle assigned from a shared one, and the other way.
    auto* alone = new CKVCtrlPoint(CRect(1, 2, 3, 4));
    *handles[1] = *alone;
    *alone = *handles[2];
    delete alone;
    EXPECT_EQ(CRect(1, 2, 3, 4), handles[1]->m_rect);

    delete handles[2];
    std::unique_ptr<CObject> throughBase(handles[0]);
    throughBase.reset();
    delete handles[3];
    if (KvPoolEnabled()) {
        EXPECT_EQ(liveBefore + 1, KvPoolLiveBlocks());
    }
    handles[1]->m_wKind = CKVCtrlPoint::kMoveWhole;
    delete handles[1];
    EXPECT_EQ(liveBefore, KvPoolLiveBlocks());

    EXPECT_FALSE(CKVCtrlPoint::MakeShared(0, handles));
    EXPECT_FALSE(CKVCtrlPoint::MakeShared(CKVCtrlPoint::kMostShared + 1, handles));
}

// GrowHandles adds the missing handles after those a node has, each its own
// object; a failed allocation adds none.
TEST(KVCtrlPointTest, GrowHandlesAddsOnlyTheMissingOnesAndNoneOnFailure)
{
    CKVObject node;
    ASSERT_TRUE(GrowHandles(node, 1));
    CKVCtrlPoint* first = node.m_arrCtrlPoint.GetAt(0);
    ASSERT_TRUE(GrowHandles(node, 4));
    ASSERT_EQ(4, node.m_arrCtrlPoint.GetSize());
    EXPECT_EQ(first, node.m_arrCtrlPoint.GetAt(0));
    std::set<CKVCtrlPoint*> distinct;
    for (int i = 0; i < 4; ++i)
        distinct.insert(node.m_arrCtrlPoint.GetAt(i));
    EXPECT_EQ(4u, distinct.size());
    EXPECT_TRUE(GrowHandles(node, 2));
    EXPECT_EQ(4, node.m_arrCtrlPoint.GetSize());

    // A handle deleted out of the middle leaves its neighbours usable.
    delete node.m_arrCtrlPoint.GetAt(2);
    node.m_arrCtrlPoint.RemoveAt(2);
    node.m_arrCtrlPoint.GetAt(2)->m_wKind = CKVCtrlPoint::kReshape;

    KvFailAllocationAfter(1);
    EXPECT_FALSE(GrowHandles(node, 8));
    KvFailAllocationAfter(0);
    EXPECT_EQ(3, node.m_arrCtrlPoint.GetSize());
    DeleteHandles(node);
    EXPECT_EQ(0, node.m_arrCtrlPoint.GetSize());
}

} // namespace
