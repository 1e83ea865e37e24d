#include "support/KvTest.h"

#include "model/DllMain.h"

namespace {

TEST(Start, HookAttachedOnceAfterTheOtherStaticInitialisers)
{
    EXPECT_EQ(KvLibraryAttachResult(), 1);
    EXPECT_EQ(KvLibraryEntryCalls(), 1);
    EXPECT_GT(KvModelStartupOrdinal(), 0);
    EXPECT_GT(KvLibraryAttachOrdinal(), KvModelStartupOrdinal());
}

} // namespace
