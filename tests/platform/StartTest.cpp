#include "support/KvTest.h"

#include "model/DllMain.h"

#include <vector>

namespace {

TEST(Start, HookAttachedOnceAfterTheOtherStaticInitialisers)
{
    EXPECT_EQ(KvLibraryAttachResult(), 1);
    EXPECT_EQ(KvLibraryEntryCalls(), 1);
    EXPECT_GT(KvModelStartupOrdinal(), 0);
    EXPECT_GT(KvLibraryAttachOrdinal(), KvModelStartupOrdinal());
}

std::vector<DWORD> s_reasons;
HINSTANCE s_module = nullptr;
BOOL s_answer = TRUE;

BOOL StandInEntry(HINSTANCE module, DWORD reason, LPVOID)
{
    s_module = module;
    s_reasons.push_back(reason);
    return reason == DLL_PROCESS_ATTACH ? s_answer : TRUE;
}

HINSTANCE FakeModule()
{
    static char tag;
    return reinterpret_cast<HINSTANCE>(&tag);
}

TEST(Start, RefusedAttachDetachesAtOnceAndNeverAgain)
{
    s_reasons.clear();
    s_answer = FALSE;
    {
        KvLoadHook hook(&StandInEntry, FakeModule());
        EXPECT_EQ(hook.AttachResult(), 0);
        EXPECT_EQ(s_reasons, (std::vector<DWORD> {DLL_PROCESS_ATTACH, DLL_PROCESS_DETACH}));
        EXPECT_EQ(s_module, FakeModule());
    }
    EXPECT_EQ(s_reasons.size(), 2u);
}

TEST(Start, AcceptedAttachDetachesAtUnload)
{
    s_reasons.clear();
    s_answer = TRUE;
    {
        KvLoadHook hook(&StandInEntry, FakeModule());
        EXPECT_EQ(hook.AttachResult(), 1);
        EXPECT_EQ(s_reasons, (std::vector<DWORD> {DLL_PROCESS_ATTACH}));
    }
    EXPECT_EQ(s_reasons, (std::vector<DWORD> {DLL_PROCESS_ATTACH, DLL_PROCESS_DETACH}));
}

TEST(Start, ExtensionModuleRecordsItsModule)
{
    AFX_EXTENSION_MODULE state;
    EXPECT_TRUE(AfxInitExtensionModule(state, FakeModule()));
    EXPECT_TRUE(state.bInitialized);
    EXPECT_EQ(state.hModule, FakeModule());
    AfxTermExtensionModule(state);
    EXPECT_FALSE(state.bInitialized);
    EXPECT_EQ(state.hModule, nullptr);
}

} // namespace
