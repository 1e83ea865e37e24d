// Score nodes: child references kept in position order and resolved through
// the system's map, stale and deferred references, the head, the node's
// stream form and the node copy.

#include "model/KVCtrlPoint.h"
#include "model/KVMsg.h"
#include "model/KVObject.h"
#include "model/KVSystem.h"
#include "support/KvTest.h"
#include "support/NodeSupport.h"
#include "support/RecordBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace {

using kvtest::Children;
using kvtest::CountedMsg;
using kvtest::FileBytes;
using kvtest::NewNote;

void AddRef(CKVObject& node, DWORD id, BYTE owner)
{
    MsgRef* ref = new MsgRef;
    ref->dwMsgId = id;
    ref->byOwner = owner;
    node.m_arrMsgRef.Add(ref);
}

class KVObjectTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        sys.Initialize(&sys, OBJ_SYSTEM);
        meas.Initialize(&sys, OBJ_MEAS);
    }

    // Declared first so that they outlive the nodes below: the system deletes
    // the symbols it still holds when it goes.
    int deleted = 0;
    CKVSystem sys;
    CKVObject meas;
};

TEST(KVObjectNew, StartsEmpty)
{
    CKVObject node;
    EXPECT_EQ(node.m_byObjKind, OBJ_MSG);
    EXPECT_EQ(node.m_byParentKind, 0);
    EXPECT_EQ(node.m_cPointedCtrl, -1);
    EXPECT_EQ(node.m_byCtrlCount, 0);
    EXPECT_EQ(node.m_pParent, nullptr);
    EXPECT_EQ(node.m_pSystem, nullptr);
    EXPECT_EQ(node.m_pPage, nullptr);
    EXPECT_EQ(node.m_dwMsgId, 0u);
    EXPECT_EQ(node.m_wObjWord, 0);
    EXPECT_EQ(node.GetMsgNum(), 0);
    EXPECT_EQ(node.m_arrCtrlPoint.GetSize(), 0);
    BYTE dummy = 0;
    BYTE* head = &dummy;
    EXPECT_EQ(node.GetHead(&head), 0);
    EXPECT_EQ(head, nullptr);
}

TEST_F(KVObjectTest, ChildrenStayInPositionOrder)
{
    CKVMsg* low = NewNote(50, -8);
    CKVMsg* high = NewNote(50, 4);
    CKVMsg* left = NewNote(10, 0);
    CKVMsg* right = NewNote(80, -20);
    CKVMsg* leftToo = NewNote(10, 0);
    EXPECT_EQ(meas.AddMsg(low, kHolderOwns, kParentHere), 1);
    EXPECT_EQ(meas.AddMsg(right, kHolderOwns, kParentHere), 1);
    EXPECT_EQ(meas.AddMsg(high, kHolderOwns, kParentHere), 1);
    EXPECT_EQ(meas.AddMsg(left, kHolderOwns, kParentHere), 1);
    EXPECT_EQ(meas.AddMsg(leftToo, kHolderOwns, kParentHere), 1);

    // Equal positions keep the order they were added in.
    EXPECT_EQ(Children(meas), (std::vector<CKVMsg*>{left, leftToo, high, low, right}));
    EXPECT_EQ(pSortSystem, &sys);
}

TEST_F(KVObjectTest, AddMsgSetsVoiceSystemIdAndParent)
{
    meas.m_pPage = &sys;
    CKVMsg* zero = NewNote(0, 0, 0);
    CKVMsg* three = NewNote(0, 0, 3);
    meas.AddMsg(zero, kHolderOwns, kParentHere);
    meas.AddMsg(three, kHolderOwns, kParentHere);
    EXPECT_EQ(zero->m_byVoice, 1);
    EXPECT_EQ(three->m_byVoice, 3);
    EXPECT_EQ(meas.m_pPage, nullptr);
    EXPECT_EQ(zero->m_pSystem, &sys);
    EXPECT_EQ(zero->m_dwMsgId, 1u);
    EXPECT_EQ(three->m_dwMsgId, 2u);
    EXPECT_EQ(zero->m_pParent, &meas);
    EXPECT_EQ(zero->m_byParentKind, OBJ_MEAS);
    EXPECT_EQ(meas.m_arrMsgRef.GetAt(0)->byOwner, 1);

    // With the parent-is-this flag clear, the child's parent is the node's
    // parent.
    CKVObject staff;
    staff.Initialize(&sys, OBJ_STAFF);
    meas.m_pParent = &staff;
    CKVMsg* viaParent = NewNote(5, 0);
    meas.AddMsg(viaParent, kHolderOwns, kParentAbove);
    EXPECT_EQ(viaParent->m_pParent, &staff);
    EXPECT_EQ(viaParent->m_byParentKind, OBJ_STAFF);

    // A borrowed reference to a registered symbol leaves the map alone; an
    // owning one of a symbol its slot already holds keeps the id.
    CKVObject chord;
    chord.Initialize(&sys, OBJ_MSG);
    const int mapSize = sys.m_arrMsgMap.GetSize();
    EXPECT_EQ(chord.AddMsg(three, kHolderLinks, kParentAbove), 1);
    EXPECT_EQ(three->m_dwMsgId, 2u);
    EXPECT_EQ(chord.AddMsg(zero, kHolderOwns, kParentAbove), 1);
    EXPECT_EQ(zero->m_dwMsgId, 1u);
    EXPECT_EQ(sys.m_arrMsgMap.GetSize(), mapSize);
    EXPECT_EQ(chord.m_arrMsgRef.GetAt(0)->byOwner + chord.m_arrMsgRef.GetAt(1)->byOwner, 1);
    // Only the measure owns them: the chord must not delete them.
    chord.m_arrMsgRef.GetAt(0)->byOwner = 0;
    chord.m_arrMsgRef.GetAt(1)->byOwner = 0;
}

TEST_F(KVObjectTest, AddMsgWithoutSystemChangesNothing)
{
    CKVObject loose;
    loose.m_pPage = &loose;
    CKVMsg msg;
    msg.m_byKind = MSG_NOTE;
    EXPECT_EQ(loose.AddMsg(&msg, kHolderOwns, kParentHere), -1);
    EXPECT_EQ(msg.m_dwMsgId, 0u);
    EXPECT_EQ(msg.m_byVoice, 0);
    EXPECT_EQ(msg.m_pParent, nullptr);
    EXPECT_EQ(msg.m_pSystem, nullptr);
    EXPECT_EQ(loose.GetMsgNum(), 0);
    EXPECT_EQ(loose.m_pPage, &loose);
}

TEST_F(KVObjectTest, InsertMsgNeitherSortsNorSetsVoice)
{
    meas.m_pPage = &sys;
    CKVMsg* a = NewNote(90, 0);
    CKVMsg* b = NewNote(10, 0);
    EXPECT_EQ(meas.InsertMsg(0, a, kHolderOwns, kParentHere), 0);
    EXPECT_EQ(meas.InsertMsg(0, b, kHolderOwns, kParentHere), 0);
    CKVMsg* c = NewNote(50, 0);
    EXPECT_EQ(meas.InsertMsg(2, c, kHolderOwns, kParentHere), 2);
    EXPECT_EQ(Children(meas), (std::vector<CKVMsg*>{b, a, c}));
    EXPECT_EQ(a->m_byVoice, 0);
    EXPECT_EQ(meas.m_pPage, &sys);
    EXPECT_EQ(a->m_pSystem, &sys);
    EXPECT_EQ(a->m_pParent, &meas);
    EXPECT_NE(a->m_dwMsgId, 0u);

    // A symbol that has an id is not registered again, even when owned.
    const int mapSize = sys.m_arrMsgMap.GetSize();
    CKVObject holder;
    holder.Initialize(&sys, OBJ_MSG);
    EXPECT_EQ(holder.InsertMsg(0, a, kHolderLinks, kParentHere), 0);
    EXPECT_EQ(sys.m_arrMsgMap.GetSize(), mapSize);
    EXPECT_EQ(a->m_pParent, &holder);
}

TEST_F(KVObjectTest, InsertMsgWithoutSystemRefusesASymbolWithoutId)
{
    CKVObject loose;
    CKVMsg msg;
    msg.m_byKind = MSG_NOTE;
    EXPECT_EQ(loose.InsertMsg(0, &msg, kHolderOwns, kParentHere), -1);
    EXPECT_EQ(loose.GetMsgNum(), 0);
    EXPECT_EQ(msg.m_pParent, nullptr);

    // One that already has an id may still go in.
    msg.m_dwMsgId = 42;
    EXPECT_EQ(loose.InsertMsg(0, &msg, kHolderLinks, kParentHere), 0);
    ASSERT_EQ(loose.GetMsgNum(), 1);
    EXPECT_EQ(loose.m_arrMsgRef.GetAt(0)->dwMsgId, 42u);
    EXPECT_EQ(msg.m_pParent, &loose);
}

TEST_F(KVObjectTest, TemporaryMsgAppendsABorrowedReference)
{
    CKVMsg* right = NewNote(90, 0);
    CKVMsg* left = NewNote(10, 0);
    meas.AddMsg(right, kHolderOwns, kParentHere);
    sys.AddMsgToMap(left);

    CKVObject group;
    group.Initialize(&sys, OBJ_MSG);
    EXPECT_EQ(group.TemporaryMsg(right), 1);
    EXPECT_EQ(group.TemporaryMsg(left), 2);
    EXPECT_EQ(Children(group), (std::vector<CKVMsg*>{right, left}));
    EXPECT_EQ(group.m_arrMsgRef.GetAt(0)->byOwner, 0);
    EXPECT_EQ(left->m_pParent, nullptr);
    EXPECT_EQ(left->m_byVoice, 0);
}

TEST_F(KVObjectTest, StaleReferencesDropOutOnRead)
{
    CKVMsg* a = NewNote(10, 0);
    CKVMsg* b = NewNote(20, 0);
    CKVMsg* c = NewNote(30, 0);
    meas.AddMsg(a, kHolderOwns, kParentHere);
    meas.AddMsg(b, kHolderOwns, kParentHere);
    meas.AddMsg(c, kHolderOwns, kParentHere);

    sys.RemoveMsgFromMap(b->m_dwMsgId);
    EXPECT_EQ(meas.GetMsg(1), nullptr);
    EXPECT_EQ(meas.GetMsgNum(), 2);
    // The index now names what followed.
    EXPECT_EQ(meas.GetMsg(1), c);
    EXPECT_EQ(meas.GetMsg(2), nullptr);
    EXPECT_EQ(meas.GetMsg(-1), nullptr);
    EXPECT_EQ(meas.GetMsgNum(), 2);

    // A null slot goes the same way.
    meas.m_arrMsgRef.InsertAt(0, static_cast<MsgRef*>(nullptr));
    EXPECT_EQ(meas.GetMsg(0), nullptr);
    EXPECT_EQ(Children(meas), (std::vector<CKVMsg*>{a, c}));
}

TEST_F(KVObjectTest, RemovingOneChildDefersRemovingAllDeletes)
{
    CKVMsg* owned = new CountedMsg(&deleted);
    CKVMsg* other = new CountedMsg(&deleted);
    CKVMsg* borrowed = new CountedMsg(&deleted);
    meas.AddMsg(owned, kHolderOwns, kParentHere);
    meas.AddMsg(other, kHolderOwns, kParentHere);
    sys.AddMsgToMap(borrowed);
    meas.TemporaryMsg(borrowed);
    meas.m_arrCtrlPoint.Add(new CKVCtrlPoint(CRect(0, 0, 4, 4)));

    const DWORD ownedId = owned->m_dwMsgId;
    meas.RemoveMsgAt(0);
    EXPECT_EQ(meas.GetMsgNum(), 2);
    EXPECT_EQ(sys.GetMsgFromMap(ownedId), owned);
    EXPECT_EQ(deleted, 0);
    meas.RemoveMsgAt(5);
    meas.RemoveMsgAt(-1);
    EXPECT_EQ(meas.GetMsgNum(), 2);

    const DWORD otherId = other->m_dwMsgId;
    meas.RemoveAllMsg();
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(sys.GetMsgFromMap(otherId), nullptr);
    EXPECT_EQ(sys.GetMsgFromMap(borrowed->m_dwMsgId), borrowed);
    EXPECT_EQ(meas.GetMsgNum(), 0);
    EXPECT_EQ(meas.m_arrCtrlPoint.GetSize(), 0);
}

TEST_F(KVObjectTest, StaleReferencesSortAfterResolvedOnes)
{
    std::vector<CKVMsg*> kept;
    std::vector<DWORD> goneIds;
    for (int i = 0; i < 12; ++i) {
        CKVMsg* msg = NewNote(static_cast<short>((i * 37) % 100), static_cast<short>(i % 3));
        meas.AddMsg(msg, kHolderOwns, kParentHere);
        if (i % 2)
            goneIds.push_back(msg->m_dwMsgId);
        else
            kept.push_back(msg);
    }
    for (DWORD id : goneIds)
        sys.RemoveMsgFromMap(id);
    CKVMsg* added = NewNote(55, 0);
    meas.AddMsg(added, kHolderOwns, kParentHere);
    kept.push_back(added);

    const int count = meas.GetMsgNum();
    ASSERT_EQ(count, 13);
    const int resolved = static_cast<int>(kept.size());
    for (int i = resolved; i < count; ++i)
        EXPECT_EQ(sys.GetMsgFromMap(meas.m_arrMsgRef.GetAt(i)->dwMsgId), nullptr) << "index " << i;
    std::vector<CKVMsg*> front;
    for (short i = 0; i < resolved; ++i)
        front.push_back(meas.GetMsg(i));
    for (size_t i = 1; i < front.size(); ++i) {
        ASSERT_NE(front[i], nullptr);
        const bool ordered = front[i - 1]->m_nPosX < front[i]->m_nPosX ||
                             (front[i - 1]->m_nPosX == front[i]->m_nPosX && front[i - 1]->m_nPosY >= front[i]->m_nPosY);
        EXPECT_TRUE(ordered) << "at " << i;
    }
}

TEST(KVObjectCompare, UnresolvedReferencesOrderAfterResolved)
{
    CKVSystem sys;
    CKVMsg* msg = new CKVMsg();
    msg->m_byKind = MSG_NOTE;
    sys.AddMsgToMap(msg);
    MsgRef live {msg->m_dwMsgId, 1};
    MsgRef gone {77, 1};
    MsgRef goneToo {78, 0};
    pSortSystem = &sys;
    EXPECT_LT(CompareChildMsgOrder(&live, &gone), 0);
    EXPECT_GT(CompareChildMsgOrder(&gone, &live), 0);
    EXPECT_EQ(CompareChildMsgOrder(&gone, &goneToo), 0);
    EXPECT_EQ(CompareChildMsgOrder(&live, &live), 0);
    pSortSystem = nullptr;
}

TEST(KVObjectHead, SetAndGet)
{
    CKVObject node;
    BYTE bytes[] = {1, 2, 3};
    EXPECT_EQ(node.SetHead(3, bytes), 3);
    bytes[0] = 9;
    BYTE* head = nullptr;
    ASSERT_EQ(node.GetHead(&head), 3);
    EXPECT_EQ(head[0], 1);
    EXPECT_EQ(head[2], 3);

    EXPECT_EQ(node.SetHead(0, bytes), 0);
    head = bytes;
    EXPECT_EQ(node.GetHead(&head), 0);
    EXPECT_EQ(head, nullptr);

    node.SetHead(2, bytes);
    EXPECT_EQ(node.SetHead(-5, bytes), -5);
    head = bytes;
    EXPECT_EQ(node.GetHead(&head), 0);
    EXPECT_EQ(head, nullptr);
    EXPECT_EQ(node.m_wHeadLen, 0);
}

class KVObjectStreamTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        node.m_wObjWord = 0x1234;
        BYTE head[] = {'A', 'B'};
        node.SetHead(2, head);
        node.m_dwWord = 0xDEADBEEF;
        AddRef(node, 5, 1);
    }

    static void ExpectRestored(CKVObject& loaded)
    {
        EXPECT_EQ(loaded.m_wObjWord, 0x1234);
        EXPECT_EQ(loaded.m_dwWord, 0xDEADBEEFu);
        BYTE* head = nullptr;
        ASSERT_EQ(loaded.GetHead(&head), 2);
        EXPECT_EQ(std::memcmp(head, "AB", 2), 0);
        ASSERT_EQ(loaded.GetMsgNum(), 1);
        EXPECT_EQ(loaded.m_arrMsgRef.GetAt(0)->dwMsgId, 5u);
        EXPECT_EQ(loaded.m_arrMsgRef.GetAt(0)->byOwner, 1);
    }

    const std::vector<BYTE> expected {0x01, 0x00, 0x34, 0x12, 0x02, 0x00, 0x0E, 0x00, 0xEF, 0xBE, 0xAD,
                                      0xDE, 0x41, 0x42, 0x05, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};
    CKVObject node;
};

TEST_F(KVObjectStreamTest, CopyToBuffAndSaveWriteTheRecord)
{
    std::vector<BYTE> buffer(32, 0xCC);
    EXPECT_EQ(node.CopyToBuff(buffer.data()), 22);
    EXPECT_EQ(std::vector<BYTE>(buffer.begin(), buffer.begin() + 22), expected);
    EXPECT_EQ(buffer[22], 0xCC);

    CMemFile file;
    EXPECT_EQ(node.Save(&file), 14);
    EXPECT_EQ(FileBytes(file), expected);
}

TEST_F(KVObjectStreamTest, LoadRestoresTheNode)
{
    std::vector<BYTE> bytes = expected;
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CKVObject loaded;
    EXPECT_EQ(loaded.Load(&file), 14);
    ExpectRestored(loaded);
}

TEST_F(KVObjectStreamTest, ShortReadFailsAndLeavesTheNodeUsable)
{
    for (size_t cut : {size_t {0}, size_t {5}, size_t {13}, size_t {21}}) {
        // One spare byte keeps the buffer non-null when the cut is 0.
        std::vector<BYTE> bytes(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(cut));
        bytes.push_back(0);
        CMemFile file(bytes.data(), static_cast<UINT>(cut));
        CKVObject loaded;
        loaded.m_wObjWord = 7;
        EXPECT_EQ(loaded.Load(&file), 0) << "cut at " << cut;
        EXPECT_EQ(loaded.m_wObjWord, 7);
        EXPECT_EQ(loaded.m_dwWord, 0u);
        EXPECT_EQ(loaded.GetMsgNum(), 0);
        EXPECT_EQ(loaded.GetHead(nullptr), 0);

        // Still usable: the whole record loads into it afterwards.
        std::vector<BYTE> whole = expected;
        CMemFile full(whole.data(), static_cast<UINT>(whole.size()));
        EXPECT_EQ(loaded.Load(&full), 14);
        ExpectRestored(loaded);
    }
}

TEST_F(KVObjectStreamTest, NodeWithoutHeadAndReservedBytesZero)
{
    CKVObject plain;
    AddRef(plain, 0x01020304, 0);
    std::vector<BYTE> buffer(32, 0xCC);
    EXPECT_EQ(plain.CopyToBuff(buffer.data()), 20);
    const std::vector<BYTE> want {1, 0, 0, 0, 0, 0, 12, 0, 0, 0, 0, 0, 4, 3, 2, 1, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<BYTE>(buffer.begin(), buffer.begin() + 20), want);
}

TEST_F(KVObjectStreamTest, MoreThan255ChildrenAreRefused)
{
    CKVObject many;
    for (int i = 0; i < 255; ++i)
        AddRef(many, static_cast<DWORD>(i + 1), 0);
    std::vector<BYTE> buffer(12 + 256 * 8, 0xCC);
    EXPECT_EQ(many.CopyToBuff(buffer.data()), 12 + 255 * 8);
    EXPECT_EQ(buffer[0], 255);

    AddRef(many, 256, 0);
    std::fill(buffer.begin(), buffer.end(), 0xCC);
    EXPECT_EQ(many.CopyToBuff(buffer.data()), -1);
    EXPECT_EQ(buffer, std::vector<BYTE>(buffer.size(), 0xCC));
    CMemFile file;
    EXPECT_EQ(many.Save(&file), 0);
    EXPECT_EQ(file.GetLength(), 0u);
}

TEST_F(KVObjectTest, NodeCopyTakesTheNodePartButNotChildrenOrId)
{
    CKVObject source;
    source.Initialize(&sys, OBJ_MEAS);
    source.m_wObjWord = 0x0203;
    source.m_dwWord = 99;
    BYTE bytes[] = {'x', 'y', 'z'};
    source.SetHead(3, bytes);
    source.m_dwMsgId = 12;
    CKVCtrlPoint* h0 = new CKVCtrlPoint(CRect(1, 2, 3, 4));
    h0->m_wKind = CKVCtrlPoint::kMoveWhole;
    CKVCtrlPoint* h1 = new CKVCtrlPoint(CRect(5, 6, 7, 8));
    h1->m_wKind = CKVCtrlPoint::kReshape;
    source.m_arrCtrlPoint.Add(h0);
    source.m_arrCtrlPoint.Add(h1);
    source.m_cPointedCtrl = 1;
    source.m_byCtrlCount = 2;
    source.m_pParent = &meas;
    source.m_byParentKind = OBJ_STAFF;
    source.AddMsg(NewNote(1, 1), kHolderOwns, kParentHere);
    source.m_pPage = &meas; // after AddMsg, which clears it

    CKVObject target;
    target.m_dwMsgId = 3;
    target.m_arrCtrlPoint.Add(new CKVCtrlPoint(CRect(0, 0, 1, 1)));
    target = source;

    EXPECT_EQ(target.m_byObjKind, OBJ_MEAS);
    EXPECT_EQ(target.m_wObjWord, 0x0203);
    EXPECT_EQ(target.m_dwWord, 99u);
    EXPECT_EQ(target.m_pSystem, &sys);
    BYTE* head = nullptr;
    ASSERT_EQ(target.GetHead(&head), 3);
    EXPECT_NE(head, source.m_pHead);
    EXPECT_EQ(std::memcmp(head, "xyz", 3), 0);
    ASSERT_EQ(target.m_arrCtrlPoint.GetSize(), 2);
    EXPECT_NE(target.m_arrCtrlPoint.GetAt(0), h0);
    EXPECT_EQ(CRect(*target.m_arrCtrlPoint.GetAt(0)), CRect(1, 2, 3, 4));
    EXPECT_EQ(target.m_arrCtrlPoint.GetAt(0)->m_wKind, CKVCtrlPoint::kMoveWhole);
    EXPECT_EQ(CRect(*target.m_arrCtrlPoint.GetAt(1)), CRect(5, 6, 7, 8));
    EXPECT_EQ(target.m_arrCtrlPoint.GetAt(1)->m_wKind, CKVCtrlPoint::kReshape);
    EXPECT_EQ(target.m_cPointedCtrl, 1);
    EXPECT_EQ(target.m_byCtrlCount, 2);
    EXPECT_EQ(target.m_pParent, &meas);
    EXPECT_EQ(target.m_pPage, &meas);
    EXPECT_EQ(target.m_byParentKind, OBJ_STAFF);
    EXPECT_EQ(target.GetMsgNum(), 0);
    EXPECT_EQ(target.m_dwMsgId, 3u);

    // A copy from a node without head drops the target's head.
    CKVObject bare;
    target = bare;
    EXPECT_EQ(target.GetHead(nullptr), 0);
    EXPECT_EQ(target.m_arrCtrlPoint.GetSize(), 0);
}

} // namespace
