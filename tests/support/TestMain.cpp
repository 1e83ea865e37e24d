// The main of every test binary: the library must have attached before any
// test runs.

#include "Platform.h"

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (KvLibraryAttachResult() != 1) {
        std::fprintf(stderr, "the Kvorel library refused to load\n");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
