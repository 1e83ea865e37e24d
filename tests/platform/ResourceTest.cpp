#include "support/KvTest.h"

#include <cstring>

namespace {

using ResourceTest = kvtest::KvTest;

TEST_F(ResourceTest, RegisteredBytesComeBack)
{
    const HMODULE module = KvCreateResourceModule("resources");
    const HMODULE other = KvCreateResourceModule("other");
    ASSERT_NE(module, nullptr);
    EXPECT_NE(module, other);
    const BYTE bitmap[] = {40, 0, 0, 0, 8, 0, 0, 0};
    KvAddResource(module, 397, RT_BITMAP, bitmap, sizeof bitmap);
    KvAddResource(module, 397, "Png", "png", 3);

    const HRSRC found = FindResourceA(module, MAKEINTRESOURCE(397), RT_BITMAP);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(SizeofResource(module, found), sizeof bitmap);
    const HGLOBAL loaded = LoadResource(module, found);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(std::memcmp(LockResource(loaded), bitmap, sizeof bitmap), 0);
    EXPECT_FALSE(FreeResource(loaded));

    const HRSRC named = FindResource(module, MAKEINTRESOURCE(397), "PNG");
    ASSERT_NE(named, nullptr) << "type names ignore case";
    EXPECT_EQ(SizeofResource(module, named), 3u);

    EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCE(398), RT_BITMAP), nullptr);
    EXPECT_EQ(FindResourceA(other, MAKEINTRESOURCE(397), RT_BITMAP), nullptr);
    EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCE(397), MAKEINTRESOURCE(3)), nullptr);
    EXPECT_EQ(FindResourceA(module, "BITMAP397", RT_BITMAP), nullptr);
    EXPECT_EQ(LoadResource(module, nullptr), nullptr);
    EXPECT_EQ(SizeofResource(module, nullptr), 0u);
}

TEST_F(ResourceTest, EmptyResourceStillLoads)
{
    const HMODULE module = KvCreateResourceModule("resources");
    KvAddResource(module, 1, RT_BITMAP, nullptr, 0);
    const HRSRC found = FindResourceA(module, MAKEINTRESOURCE(1), RT_BITMAP);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(SizeofResource(module, found), 0u);
    EXPECT_NE(LoadResource(module, found), nullptr);
}

TEST_F(ResourceTest, ProcessResetClearsTheTable)
{
    const HMODULE module = KvCreateResourceModule("resources");
    KvAddResource(module, 397, RT_BITMAP, "x", 1);
    ResetProcessState();
    EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCE(397), RT_BITMAP), nullptr);
}

} // namespace
