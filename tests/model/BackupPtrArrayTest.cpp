#include "model/KVBackupPtrArray.h"
#include "model/KVMultiBackup.h"
#include "support/KvTest.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using BackupPtrArray = kvtest::KvTest;

TEST(MultiBackup, SelfLinkedObjectStaysCurrent)
{
    CKVMultiBackup object;
    object.m_pBackupLink = &object;
    object.SetCurrentFlag2BackupObj();
    EXPECT_EQ(1, object.IsCurrentObj());
}

TEST(MultiBackup, CurrentMovesAcrossALinkedPairAndBack)
{
    CKVMultiBackup first;
    CKVMultiBackup second;
    first.m_pBackupLink = &second;
    second.m_pBackupLink = &first;
    second.m_nCurrent = 0;

    first.SetCurrentFlag2BackupObj();
    EXPECT_EQ(0, first.IsCurrentObj());
    EXPECT_EQ(1, second.IsCurrentObj());
    second.SetCurrentFlag2BackupObj();
    EXPECT_EQ(1, first.IsCurrentObj());
    EXPECT_EQ(0, second.IsCurrentObj());
}

TEST(MultiBackup, UnlinkedObjectStopsBeingCurrent)
{
    CKVMultiBackup object;
    object.SetCurrentFlag2BackupObj();
    EXPECT_EQ(0, object.IsCurrentObj());
}

TEST(MultiBackup, CopyKeepsTheLinkAndTheFlag)
{
    CKVMultiBackup other;
    CKVMultiBackup object;
    object.m_pBackupLink = &other;
    object.m_nCurrent = 0;

    CKVMultiBackup copy(object);
    EXPECT_EQ(&other, copy.GetCurBackupObj());
    EXPECT_EQ(0, copy.IsCurrentObj());

    CKVMultiBackup assigned;
    assigned = object;
    EXPECT_EQ(&other, assigned.GetCurBackupObj());
    EXPECT_EQ(0, assigned.IsCurrentObj());
}

TEST_F(BackupPtrArray, FeedBackSwapsTheOwnerBetweenTheTwoCopies)
{
    int pages[4] = { 1, 2, 3, 4 };
    auto* original = new CKVBackupPtrArray;
    for (int i = 0; i < 3; ++i)
        original->Add(&pages[i]);
    CKVBackupPtrArray* owner = original;

    original->ObjectBackup(&owner, kBackupUnrecorded);
    auto* copy = static_cast<CKVBackupPtrArray*>(original->GetCurBackupObj());
    ASSERT_NE(nullptr, copy);
    ASSERT_NE(original, copy);
    EXPECT_EQ(original, copy->GetCurBackupObj());
    EXPECT_EQ(original, owner); // the owner goes on with the first list
    EXPECT_EQ(&owner, original->m_pOwnerSlot);
    EXPECT_EQ(&owner, copy->m_pOwnerSlot);
    EXPECT_EQ(nullptr, copy->m_pDoc);

    // The command changes the list in use; the copy keeps the state before.
    original->Add(&pages[3]);
    ASSERT_EQ(3, copy->GetSize());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(&pages[i], copy->GetAt(i));

    // Undo, then redo.
    original->ObjectFeedBack();
    ASSERT_EQ(copy, owner);
    EXPECT_EQ(3, owner->GetSize());
    copy->ObjectFeedBack();
    ASSERT_EQ(original, owner);
    EXPECT_EQ(4, owner->GetSize());
    EXPECT_EQ(&pages[3], owner->GetAt(3));

    // Dropping the undo step deletes the copy; the pages stay.
    delete copy;
    delete original;
    EXPECT_EQ(1, pages[0]);
    EXPECT_EQ(4, pages[3]);
}

TEST_F(BackupPtrArray, RecordingWithoutADocumentStillLinksThePair)
{
    int page = 7;
    CKVBackupPtrArray list;
    list.Add(&page);
    CKVBackupPtrArray* owner = &list;
    list.ObjectBackup(&owner, kBackupRecorded);
    std::unique_ptr<CKVBackupPtrArray> copy(static_cast<CKVBackupPtrArray*>(list.GetCurBackupObj()));
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(&list, copy->GetCurBackupObj());
    EXPECT_EQ(1, copy->GetSize());
    EXPECT_EQ(&list, owner);
}

TEST_F(BackupPtrArray, FeedBackWithoutPartnerLeavesTheSlot)
{
    CKVBackupPtrArray list;
    CKVBackupPtrArray* owner = &list;
    list.m_pOwnerSlot = &owner;
    list.ObjectFeedBack();
    EXPECT_EQ(&list, owner);
}

TEST_F(BackupPtrArray, StaffListCopiesAreStaffLists)
{
    int staves[2] = { 1, 2 };
    auto* original = new CKVStaffPtrArray;
    original->Add(reinterpret_cast<CKVStaff*>(&staves[0]));
    CKVStaffPtrArray* owner = original;

    original->ObjectBackup(&owner, kBackupUnrecorded);
    auto* copy = dynamic_cast<CKVStaffPtrArray*>(original->GetCurBackupObj());
    ASSERT_NE(nullptr, copy);
    original->Add(reinterpret_cast<CKVStaff*>(&staves[1]));

    original->ObjectFeedBack();
    ASSERT_EQ(copy, owner);
    ASSERT_EQ(1, owner->GetSize());
    EXPECT_EQ(reinterpret_cast<CKVStaff*>(&staves[0]), owner->GetAt(0));
    copy->ObjectFeedBack();
    ASSERT_EQ(original, owner);
    EXPECT_EQ(2, owner->GetSize());

    // Deleted through the undo base, as a dropped undo step does.
    delete static_cast<CKVMultiBackup*>(copy);
    delete original;
    EXPECT_EQ(2, staves[1]);
}

} // namespace
