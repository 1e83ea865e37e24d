#include "document/KVDoc.h"
#include "support/KvTest.h"

#include <gtest/gtest.h>

namespace {

using NoteMarkRightPos = kvtest::KvTest;

TEST_F(NoteMarkRightPos, IsStoredReturnedAndResetWithTheProcess)
{
    EXPECT_EQ(0, nNoteMarkRightPos);
    EXPECT_EQ(12, SetNoteMarkRightPos(12));
    EXPECT_EQ(12, nNoteMarkRightPos);
    // The 16-bit value is kept as it comes and read back signed.
    EXPECT_EQ(-1, SetNoteMarkRightPos(0xFFFF));
    EXPECT_EQ(-1, nNoteMarkRightPos);
    ResetProcessState();
    EXPECT_EQ(0, nNoteMarkRightPos);
}

} // namespace
