// The main of every test binary: the library must have attached before any
// test runs.

#include "Platform.h"

#include <gtest/gtest.h>

#include <cstdio>

#if defined(__SANITIZE_ADDRESS__)
// Tests get the leak suppressions through their environment, but ctest lists
// the tests without it, and loading the library already reaches fontconfig,
// whose caches live until the process ends.
extern "C" const char* __lsan_default_options()
{
    return "suppressions=" KV_LSAN_SUPPRESSIONS ":print_suppressions=0";
}
#endif

int main(int argc, char** argv)
{
    if (KvLibraryAttachResult() != 1) {
        std::fprintf(stderr, "the Kvorel library refused to load\n");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
