#include "model/KVBackupPtrArray.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(BackupPtrArrayLifetimeTest, NewListIsEmptyCurrentAndUnowned)
{
    CKVBackupPtrArray list;
    EXPECT_EQ(0, list.GetSize());
    EXPECT_EQ(nullptr, list.GetCurBackupObj());
    EXPECT_EQ(1, list.IsCurrentObj());
    EXPECT_EQ(nullptr, list.m_pDoc);
    EXPECT_EQ(nullptr, list.m_pOwnerSlot);
}

TEST(BackupPtrArrayLifetimeTest, DestroyingAListLeavesItsElementsAlive)
{
    auto first = std::make_unique<int>(1);
    auto second = std::make_unique<int>(2);
    {
        // Deleted through each base, as the undo code and the owners do.
        std::unique_ptr<CPtrArray> list(new CKVBackupPtrArray);
        list->Add(first.get());
        list->Add(second.get());
        std::unique_ptr<CKVMultiBackup> staves(new CKVStaffPtrArray);
        static_cast<CKVStaffPtrArray*>(staves.get())->Add(reinterpret_cast<CKVStaff*>(first.get()));
    }
    // ASan reports a use after free here if the lists deleted their elements.
    EXPECT_EQ(1, *first);
    EXPECT_EQ(2, *second);
}

} // namespace
