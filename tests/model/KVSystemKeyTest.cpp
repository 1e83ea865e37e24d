// The id keys of a read with many old ids above the direct table.

#include "model/KVSystem.h"
#include "support/KvTest.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class KVSystemKeyTest : public kvtest::KvTest {
protected:
    CKVSystem sys;
};

TEST_F(KVSystemKeyTest, ManyLargeOldIdsKeepTheirNewIds)
{
    // Large old ids interleaved with small ones, as a large score's ids are.
    std::vector<DWORD> oldIds;
    for (DWORD i = 0; i < 4000; ++i) {
        oldIds.push_back(70000 + 7 * i);
        if (i % 4 == 0)
            oldIds.push_back(1 + i);
        if (i % 100 == 0)
            oldIds.push_back(0xFFFFFF00u + i / 100);
    }
    const int firstSlot = sys.m_arrMsgMap.GetSize();
    std::vector<DWORD> newIds;
    for (DWORD old : oldIds)
        newIds.push_back(sys.GetKey(old, 1));
    // Each old id got the next slot of the map, in the order met.
    for (size_t i = 0; i < newIds.size(); ++i)
        EXPECT_EQ(newIds[i], static_cast<DWORD>(firstSlot) + static_cast<DWORD>(i));
    for (size_t i = 0; i < oldIds.size(); ++i) {
        EXPECT_EQ(sys.GetKey(oldIds[i], 0), newIds[i]);
        EXPECT_EQ(sys.GetKey(oldIds[i], 1), newIds[i]);
    }
    EXPECT_EQ(sys.m_arrMsgMap.GetSize(), firstSlot + static_cast<int>(oldIds.size()));
    // The large ones are listed in the order met, each with its new id.
    ASSERT_EQ(sys.m_arrLargeKey.GetSize(), 4000 + 40);
    for (int i = 0; i < sys.m_arrLargeKey.GetSize(); ++i)
        EXPECT_EQ(sys.GetKey(sys.m_arrLargeKey.GetAt(i), 0), sys.m_arrLargeKeyValue.GetAt(i));
    EXPECT_EQ(sys.GetKey(70001, 0), 0u);

    sys.ReleaseKey();
    for (DWORD old : {DWORD {70000}, DWORD {1}, DWORD {0xFFFFFF00u}})
        EXPECT_EQ(sys.GetKey(old, 0), 0u);
    // Released keys are given anew.
    const DWORD again = sys.GetKey(70000, 1);
    EXPECT_EQ(again, static_cast<DWORD>(sys.m_arrMsgMap.GetSize() - 1));
    EXPECT_EQ(sys.m_arrLargeKey.GetSize(), 1);
}

TEST_F(KVSystemKeyTest, AReadSizedTableGivesTheSameIdsAsTheDefaultOne)
{
    // The same old ids met in the same order, once through the default
    // table and once through a table sized for a large body: ids below the
    // sized table, ids past it and the largest ids.
    std::vector<DWORD> oldIds;
    for (DWORD i = 0; i < 3000; ++i) {
        oldIds.push_back(65536 + 5 * i);
        oldIds.push_back(1 + 3 * i);
        if (i % 50 == 0)
            oldIds.push_back(0xFFFFFFF0u - i / 50);
    }
    auto translate = [&oldIds](CKVSystem& system, bool sized) {
        if (sized)
            system.ReserveKeys(56 * 40000, 56);
        std::vector<DWORD> ids;
        for (DWORD old : oldIds)
            ids.push_back(system.GetKey(old, 1));
        for (size_t i = 0; i < oldIds.size(); ++i)
            EXPECT_EQ(system.GetKey(oldIds[i], 0), ids[i]);
        EXPECT_EQ(system.GetKey(65537, 0), 0u);
        EXPECT_EQ(system.GetKey(200000, 0), 0u);
        return ids;
    };
    CKVSystem sized;
    EXPECT_EQ(translate(sys, false), translate(sized, true));
    EXPECT_EQ(sized.m_arrMsgMap.GetSize(), sys.m_arrMsgMap.GetSize());

    // Released keys are gone from the sized table too.
    sized.ReleaseKey();
    for (DWORD old : {DWORD {65536}, DWORD {1}, DWORD {0xFFFFFFF0u}})
        EXPECT_EQ(sized.GetKey(old, 0), 0u);
}

} // namespace
