#include "support/KvTest.h"

#include "MemoryGuard.h"
#include "timing/TieSlurDirection.h"

namespace {

using MemoryGuard = kvtest::KvTest;

TEST_F(MemoryGuard, ReportsOnlyAllocationFailures)
{
    EXPECT_EQ(ReportOutOfMemory(2), 2);
    EXPECT_EQ(ReportOutOfMemory(0), 0);
    EXPECT_TRUE(host.messageBoxes.empty());

    EXPECT_EQ(ReportOutOfMemory(1), IDNO);
    ASSERT_EQ(host.messageBoxes.size(), 1u);
    EXPECT_EQ(host.messageBoxes[0].text, "Out of Memory !!!");
    EXPECT_EQ(host.messageBoxes[0].type, MB_YESNO);
}

TEST_F(MemoryGuard, YesEndsTheProcessWithAFailureStatus)
{
    host.ScriptAnswer(IDYES);
    try {
        ReportOutOfMemory(1);
        FAIL() << "the process should have ended";
    } catch (const kvtest::ProcessExit& exit) {
        EXPECT_EQ(exit.code, 1u);
    }
}

TEST_F(MemoryGuard, ChecksFreeAddressSpace)
{
    host.freeBytes = 999999;
    EXPECT_EQ(CheckAvailableMemory(1000000), 0);
    EXPECT_EQ(host.messageBoxes.size(), 1u);

    host.messageBoxes.clear();
    host.freeBytes = 1ULL << 33;
    EXPECT_EQ(CheckAvailableMemory(1000000), 1);
    EXPECT_TRUE(host.messageBoxes.empty());
}

TEST_F(MemoryGuard, TieSlurDirectionIsStoredAndReturned)
{
    EXPECT_EQ(SetTieSlurDirection(5), 5);
    EXPECT_EQ(nTieSlurDirection, 5);
    ResetProcessState();
    EXPECT_EQ(nTieSlurDirection, 0);
}

} // namespace
