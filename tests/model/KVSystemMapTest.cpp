// The system's id map, the id keys of a read, the validity test, the staff
// getters without staves and the system's stream form.

#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "support/KvTest.h"
#include "support/NodeSupport.h"
#include "support/RecordBytes.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

namespace {

using kvtest::CountedMsg;
using kvtest::FileBytes;
using kvtest::NewNote;

class KVSystemMapTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        sys.Initialize(&sys, OBJ_SYSTEM);
    }

    int deleted = 0; // outlives sys, which may still delete counted symbols
    CKVSystem sys;
};

TEST_F(KVSystemMapTest, NewSystemHasOneEmptySlotAndGivesIdsFromOne)
{
    EXPECT_EQ(sys.m_arrMsgMap.GetSize(), 1);
    EXPECT_EQ(sys.m_arrMsgMap.GetAt(0), nullptr);
    EXPECT_EQ(sys.m_dwTicksPerQuarter, 240u);
    EXPECT_EQ(sys.m_pDoc, nullptr);
    ASSERT_NE(sys.m_pStaffArray, nullptr);
    ASSERT_NE(sys.m_pOssiaStaffArray, nullptr);

    CKVMsg* first = NewNote();
    EXPECT_EQ(sys.AddMsgToMap(first), 1u);
    EXPECT_EQ(first->m_dwMsgId, 1u);
    EXPECT_EQ(first->m_pSystem, &sys);
    EXPECT_EQ(sys.GetMsgFromMap(1), first);

    // Registering again a symbol that its slot already holds keeps the id.
    EXPECT_EQ(sys.AddMsgToMap(first), 1u);
    EXPECT_EQ(sys.m_arrMsgMap.GetSize(), 2);
}

TEST_F(KVSystemMapTest, CopyCarryingItsSourcesIdGetsANewIdAtTheEnd)
{
    CKVMsg* source = NewNote();
    CKVMsg* other = NewNote();
    sys.AddMsgToMap(source);
    sys.AddMsgToMap(other);

    CKVMsg* copy = NewNote();
    copy->m_dwMsgId = source->m_dwMsgId;
    EXPECT_EQ(sys.AddMsgToMap(copy), 3u);
    EXPECT_EQ(copy->m_dwMsgId, 3u);
    EXPECT_EQ(copy->m_pSystem, &sys);
    EXPECT_EQ(sys.GetMsgFromMap(1), source);
    EXPECT_EQ(source->m_dwMsgId, 1u);

    // An id past the end, or an empty slot, is treated the same way.
    CKVMsg* stranger = NewNote();
    stranger->m_dwMsgId = 900;
    EXPECT_EQ(sys.AddMsgToMap(stranger), 4u);
    EXPECT_EQ(sys.m_arrMsgMap.GetSize(), 5);
}

TEST_F(KVSystemMapTest, StoringUnderAnExplicitIdPadsTheMap)
{
    while (sys.m_arrMsgMap.GetSize() < 10)
        sys.AddMsgToMap(NewNote());
    ASSERT_EQ(sys.m_arrMsgMap.GetSize(), 10);

    CKVMsg* s = NewNote();
    EXPECT_EQ(sys.AddMsgToMap(5000, s, 0), 5000u);
    EXPECT_EQ(sys.m_arrMsgMap.GetSize(), 5001);
    for (int i = 10; i < 5000; ++i)
        ASSERT_EQ(sys.m_arrMsgMap.GetAt(i), nullptr) << "slot " << i;
    EXPECT_EQ(s->m_dwMsgId, 5000u);
    EXPECT_EQ(s->m_pSystem, &sys);
    EXPECT_EQ(sys.GetMsgFromMap(5000), s);

    EXPECT_EQ(sys.GetMsgFromMap(0), nullptr);
    EXPECT_EQ(sys.GetMsgFromMap(5001), nullptr);
    EXPECT_EQ(sys.GetMsgFromMap(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(sys.GetMsgFromMap(20), nullptr);

    // Slot 0 is never handed out.
    CKVMsg* zero = NewNote();
    EXPECT_EQ(sys.AddMsgToMap(0, zero, 0), 0u);
    EXPECT_EQ(sys.m_arrMsgMap.GetAt(0), nullptr);
    delete zero;
}

TEST_F(KVSystemMapTest, StoringOverAnotherSymbolDeletesIt)
{
    CKVMsg* old = new CountedMsg(&deleted);
    const DWORD id = sys.AddMsgToMap(old);

    CKVMsg* replacement = NewNote();
    EXPECT_EQ(sys.AddMsgToMap(id, replacement, 1), id);
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(sys.GetMsgFromMap(id), replacement);

    // Storing the same symbol again deletes nothing.
    EXPECT_EQ(sys.AddMsgToMap(id, replacement, 0), id);
    EXPECT_EQ(sys.GetMsgFromMap(id), replacement);
}

TEST_F(KVSystemMapTest, RemoveDeletesAndRemoveAllStartsIdsAgain)
{
    const DWORD a = sys.AddMsgToMap(new CountedMsg(&deleted));
    sys.AddMsgToMap(new CountedMsg(&deleted));
    sys.AddMsgToMap(new CountedMsg(&deleted));

    sys.RemoveMsgFromMap(a);
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(sys.GetMsgFromMap(a), nullptr);
    sys.RemoveMsgFromMap(a); // already gone: nothing
    sys.RemoveMsgFromMap(999);
    EXPECT_EQ(deleted, 1);

    sys.RemoveMsgAll();
    EXPECT_EQ(deleted, 3);
    EXPECT_EQ(sys.m_arrMsgMap.GetSize(), 1);
    EXPECT_EQ(sys.AddMsgToMap(NewNote()), 1u);
}

// A tie may sit in several slots; emptying the map deletes it once, and the
// symbols around it too.
TEST_F(KVSystemMapTest, RemoveAllDeletesASymbolInSeveralSlotsOnce)
{
    CKVMsg* shared = new CountedMsg(&deleted);
    sys.AddMsgToMap(new CountedMsg(&deleted));
    const DWORD id = sys.AddMsgToMap(shared);
    sys.AddMsgToMap(new CountedMsg(&deleted));
    sys.m_arrMsgMap.Add(shared);
    sys.m_arrMsgMap.SetAtGrow(9, shared);
    // One whose own slot holds another symbol goes once, from its first slot.
    CKVMsg* stray = new CountedMsg(&deleted);
    stray->m_dwMsgId = 1;
    sys.m_arrMsgMap.Add(stray);
    sys.m_arrMsgMap.Add(stray);

    sys.RemoveMsgAll();
    EXPECT_EQ(deleted, 4);
    EXPECT_EQ(sys.m_arrMsgMap.GetSize(), 1);
    EXPECT_NE(id, 0u);
}

TEST_F(KVSystemMapTest, KeysTranslateOldIdsToFreshSlots)
{
    sys.AddMsgToMap(NewNote());
    const int size = sys.m_arrMsgMap.GetSize();

    const DWORD seven = sys.GetKey(7, 1);
    EXPECT_EQ(seven, static_cast<DWORD>(size));
    EXPECT_EQ(sys.GetKey(7, 1), seven);
    EXPECT_EQ(sys.GetKey(7, 0), seven);
    EXPECT_EQ(sys.m_arrMsgMap.GetSize(), size + 1);
    EXPECT_EQ(sys.m_arrMsgMap.GetAt(static_cast<int>(seven)), nullptr);

    // Unknown ids without the create flag reserve nothing.
    EXPECT_EQ(sys.GetKey(8, 0), 0u);
    EXPECT_EQ(sys.m_arrMsgMap.GetSize(), size + 1);

    sys.ReleaseKey();
    EXPECT_EQ(sys.m_arrKey.GetSize(), 0);
    const DWORD again = sys.GetKey(7, 1);
    EXPECT_NE(again, seven);
    EXPECT_EQ(again, static_cast<DWORD>(size + 1));
}

TEST_F(KVSystemMapTest, LargeOldIdsUseTheirOwnList)
{
    const int size = sys.m_arrMsgMap.GetSize();
    EXPECT_EQ(sys.GetKey(70000, 0), 0u);
    EXPECT_EQ(sys.m_arrMsgMap.GetSize(), size);

    const DWORD big = sys.GetKey(70000, 1);
    const DWORD bigger = sys.GetKey(0xFFFFFFF0u, 1);
    const DWORD edge = sys.GetKey(65536, 1);
    const DWORD below = sys.GetKey(65535, 1);
    EXPECT_EQ(big, static_cast<DWORD>(size));
    EXPECT_EQ(bigger, big + 1);
    EXPECT_EQ(edge, big + 2);
    EXPECT_EQ(below, big + 3);
    EXPECT_EQ(sys.GetKey(70000, 0), big);
    EXPECT_EQ(sys.GetKey(0xFFFFFFF0u, 1), bigger);
    EXPECT_EQ(sys.GetKey(65536, 0), edge);
    EXPECT_EQ(sys.m_arrLargeKey.GetSize(), 3);

    sys.ReleaseKey();
    EXPECT_EQ(sys.GetKey(70000, 0), 0u);
}

TEST_F(KVSystemMapTest, ValidityRejectsBadKindsAndForeignSystems)
{
    CKVSystem other;
    CKVMsg& msg = *NewNote();
    sys.AddMsgToMap(&msg);
    EXPECT_EQ(msg.IsValidMsg(&sys), 1);
    EXPECT_EQ(msg.IsValidMsg(&other), 0);
    msg.m_byKind = MSG_KIND_MAX;
    EXPECT_EQ(msg.IsValidMsg(&sys), 1);
    msg.m_byKind = 0;
    EXPECT_EQ(msg.IsValidMsg(&sys), 0);
    msg.m_byKind = 101;
    EXPECT_EQ(msg.IsValidMsg(&sys), 0);
    msg.m_byKind = MSG_NOTE;
    msg.m_byObjKind = 11;
    EXPECT_EQ(msg.IsValidMsg(&sys), 0);
    msg.m_byObjKind = 0;
    EXPECT_EQ(msg.IsValidMsg(&sys), 1);

    // Naming the system is not enough: the map must hold the symbol.
    CKVMsg loose;
    loose.m_byKind = MSG_NOTE;
    loose.m_pSystem = &sys;
    EXPECT_EQ(loose.IsValidMsg(&sys), 0);
    EXPECT_EQ(loose.IsValidMapEntry(&sys), 1);
}

TEST_F(KVSystemMapTest, LookupEmptiesTheSlotOfAnInvalidSymbol)
{
    CKVSystem other;
    CKVMsg* kindZero = NewNote();
    CKVMsg* kindHigh = NewNote();
    CKVMsg* foreign = NewNote();
    const DWORD a = sys.AddMsgToMap(kindZero);
    const DWORD b = sys.AddMsgToMap(kindHigh);
    const DWORD c = sys.AddMsgToMap(foreign);
    kindZero->m_byKind = 0;
    kindHigh->m_byKind = 101;
    foreign->m_pSystem = &other;

    EXPECT_EQ(sys.GetMsgFromMap(a), nullptr);
    EXPECT_EQ(sys.GetMsgFromMap(b), nullptr);
    EXPECT_EQ(sys.GetMsgFromMap(c), nullptr);
    EXPECT_EQ(sys.m_arrMsgMap.GetAt(static_cast<int>(a)), nullptr);
    EXPECT_EQ(sys.m_arrMsgMap.GetAt(static_cast<int>(b)), nullptr);
    EXPECT_EQ(sys.m_arrMsgMap.GetAt(static_cast<int>(c)), nullptr);

    // The map let go of them; they are the test's to delete.
    kindZero->m_pSystem = nullptr;
    kindHigh->m_pSystem = nullptr;
    foreign->m_pSystem = nullptr;
    delete kindZero;
    delete kindHigh;
    delete foreign;
}

TEST_F(KVSystemMapTest, WithoutStavesOrDocument)
{
    EXPECT_EQ(sys.GetStaffNum(), 0);
    EXPECT_EQ(sys.GetMeasNum(), 0);
    EXPECT_EQ(sys.GetStaff(0), nullptr);
    EXPECT_EQ(sys.GetStaff(-1), nullptr);
    EXPECT_EQ(sys.GetOssiaStaff(0), nullptr);
    EXPECT_EQ(sys.GetMeas(0, 0), nullptr);
    EXPECT_EQ(sys.GetMeas(-1, 0), nullptr);
    EXPECT_EQ(sys.IsEmptySystem(), 1);
    EXPECT_EQ(sys.AddObj2BackupArray(258, nullptr, 0), 0);
    sys.AddDeleteMsg(3);
    sys.AddDeleteMeas(nullptr);

    DWORD total = 10;
    sys.GetMemorySize(total);
    EXPECT_EQ(total, 10u + 172u + 4u);
    sys.AddMsgToMap(NewNote());
    sys.AddMsgToMap(NewNote());
    total = 0;
    sys.GetMemorySize(total);
    EXPECT_EQ(total, 172u + 4u * 3u);
}

TEST_F(KVSystemMapTest, DestroyingTheSystemDeletesWhatTheMapStillHolds)
{
    {
        CKVSystem local;
        local.Initialize(&local, OBJ_SYSTEM);
        CKVObject node;
        node.Initialize(&local, OBJ_MEAS);
        node.AddMsg(new CountedMsg(&deleted), kHolderOwns, kParentHere);
        node.AddMsg(new CountedMsg(&deleted), kHolderOwns, kParentHere);
        // Deferred: the symbol stays in the map, and there is no document
        // to delete it later.
        node.RemoveMsgAt(0);
        node.RemoveAllMsg();
        EXPECT_EQ(deleted, 1);
        local.AddMsgToMap(new CountedMsg(&deleted)); // held by no reference
        local.AddMsg(new CountedMsg(&deleted), kHolderOwns, kParentHere); // the system's own child
    }
    EXPECT_EQ(deleted, 4);
}

TEST_F(KVSystemMapTest, StreamFormOfASystemWithoutSymbolsOrStaves)
{
    BYTE head[] = {'S'};
    sys.SetHead(1, head);
    sys.m_wObjWord = 0x0102;
    sys.m_dwTicksPerQuarter = 480;

    std::vector<BYTE> buffer(64, 0xCC);
    EXPECT_EQ(sys.CopyToBuff(buffer.data()), 4 + 13 + 8);
    const std::vector<BYTE> expected = {
        0, 0, 0, 0,                                 // symbol count
        0, 0, 0x02, 0x01, 1, 0, 13, 0, 0, 0, 0, 0, 'S', // node record
        0, 0, 0, 0, 0xE0, 0x01, 0, 0,               // staff count, ticks per quarter
    };
    EXPECT_EQ(std::vector<BYTE>(buffer.begin(), buffer.begin() + 25), expected);

    CMemFile out;
    EXPECT_EQ(sys.Save(&out), 13 + 8);
    const std::vector<BYTE> written = FileBytes(out);
    EXPECT_EQ(written, expected);

    CKVSystem back;
    back.Initialize(&back, OBJ_SYSTEM);
    std::vector<BYTE> bytes = written;
    CMemFile in(bytes.data(), static_cast<UINT>(bytes.size()));
    EXPECT_EQ(back.Load(&in), 13 + 8);
    EXPECT_EQ(back.m_wObjWord, 0x0102);
    BYTE* loadedHead = nullptr;
    ASSERT_EQ(back.GetHead(&loadedHead), 1);
    EXPECT_EQ(loadedHead[0], 'S');
    EXPECT_EQ(back.GetStaffNum(), 0);
    // Ticks per quarter is not read back.
    EXPECT_EQ(back.m_dwTicksPerQuarter, 240u);

    // Every cut through the record fails.
    for (size_t cut = 0; cut < written.size(); ++cut) {
        CKVSystem partial;
        partial.Initialize(&partial, OBJ_SYSTEM);
        std::vector<BYTE> shortBytes(written.begin(), written.begin() + static_cast<std::ptrdiff_t>(cut));
        shortBytes.push_back(0);
        CMemFile shortFile(shortBytes.data(), static_cast<UINT>(cut));
        EXPECT_EQ(partial.Load(&shortFile), -1) << "cut at " << cut;
    }
}

} // namespace
