#include "support/KvTest.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

namespace {

class KernelTest : public kvtest::KvTest {
protected:
    void TearDown() override
    {
        if (m_savedTmpDir)
            setenv("TMPDIR", m_savedTmpDir->c_str(), 1);
        else
            unsetenv("TMPDIR");
        KvTest::TearDown();
    }

private:
    std::optional<std::string> m_savedTmpDir = [] {
        const char* dir = std::getenv("TMPDIR");
        return dir ? std::optional<std::string>(dir) : std::nullopt;
    }();
};

TEST_F(KernelTest, CriticalSectionIsReentrantAndBlocksOtherThreadsUntilTheLastLeave)
{
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);

    std::atomic<bool> entered {false};
    std::thread other([&] {
        EnterCriticalSection(&section);
        entered = true;
        LeaveCriticalSection(&section);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(entered);
    LeaveCriticalSection(&section);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(entered) << "one leave of two must keep the section owned";
    LeaveCriticalSection(&section);
    other.join();
    EXPECT_TRUE(entered);
    DeleteCriticalSection(&section);
    EXPECT_EQ(section.mutex, nullptr);
}

TEST_F(KernelTest, GlobalMemoryBlocks)
{
    HGLOBAL moveable = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 100);
    ASSERT_NE(moveable, nullptr);
    EXPECT_EQ(GlobalSize(moveable), 100u);
    auto* bytes = static_cast<BYTE*>(GlobalLock(moveable));
    ASSERT_NE(bytes, nullptr);
    EXPECT_NE(static_cast<void*>(bytes), static_cast<void*>(moveable));
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(GlobalLock(moveable), bytes);
    EXPECT_TRUE(GlobalUnlock(moveable)) << "still locked once";
    EXPECT_FALSE(GlobalUnlock(moveable));
    EXPECT_EQ(GlobalFree(moveable), nullptr);
    EXPECT_EQ(GlobalSize(moveable), 0u);
    EXPECT_EQ(GlobalLock(moveable), nullptr);
    EXPECT_EQ(GlobalFree(moveable), moveable) << "a second free fails";

    HGLOBAL fixed = GlobalAlloc(GMEM_FIXED, 8);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(GlobalLock(fixed), static_cast<void*>(fixed));
    EXPECT_EQ(GlobalFree(fixed), nullptr);
}

TEST_F(KernelTest, MemoryStatusReportsTheHostFigureCapped)
{
    MEMORYSTATUS status {};
    host.freeBytes = 500000;
    GlobalMemoryStatus(&status);
    EXPECT_EQ(status.dwLength, sizeof(MEMORYSTATUS));
    EXPECT_EQ(status.dwAvailVirtual, 500000u);

    // Read as a signed count, a 64-bit figure must not turn negative.
    host.freeBytes = 1ULL << 40;
    GlobalMemoryStatus(&status);
    EXPECT_EQ(status.dwAvailVirtual, 0x7FFFFFFFu);
    host.freeBytes = 0x80000000ULL;
    GlobalMemoryStatus(&status);
    EXPECT_GT(static_cast<int32_t>(status.dwAvailVirtual), 0);

    host.freeBytes.reset();
    GlobalMemoryStatus(&status);
    EXPECT_GT(static_cast<int32_t>(status.dwAvailVirtual), 0);
    EXPECT_LE(status.dwAvailVirtual, 0x7FFFFFFFu);
}

TEST_F(KernelTest, TempPath)
{
    setenv("TMPDIR", "/x/y", 1);
    char buffer[MAX_PATH];
    EXPECT_EQ(GetTempPathA(MAX_PATH, buffer), 5u);
    EXPECT_STREQ(buffer, "/x/y/");

    char small[3] = {'a', 'b', 'c'};
    EXPECT_EQ(GetTempPathA(3, small), 6u);
    EXPECT_EQ(std::string(small, 3), "abc");
    char exact[6];
    EXPECT_EQ(GetTempPathA(6, exact), 5u);
    EXPECT_STREQ(exact, "/x/y/");
    EXPECT_EQ(GetTempPathA(0, nullptr), 6u);

    setenv("TMPDIR", "/x/y/", 1);
    EXPECT_EQ(GetTempPathA(MAX_PATH, buffer), 5u);
    EXPECT_STREQ(buffer, "/x/y/");

    setenv("TMPDIR", "", 1);
    EXPECT_EQ(GetTempPathA(MAX_PATH, buffer), 5u);
    EXPECT_STREQ(buffer, "/tmp/");
    unsetenv("TMPDIR");
    EXPECT_EQ(GetTempPathA(MAX_PATH, buffer), 5u);
    EXPECT_STREQ(buffer, "/tmp/");
}

TEST_F(KernelTest, ModuleFileNames)
{
    char buffer[4096];
    const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(length, self.size());
    EXPECT_EQ(buffer, self);
    EXPECT_EQ(std::filesystem::path(buffer).filename(), "kv_test_platform");

    // Cut as Win32 does: size - 1 bytes, a NUL, and size returned.
    char cut[5];
    EXPECT_EQ(GetModuleFileNameA(nullptr, cut, sizeof cut), 5u);
    EXPECT_EQ(std::string(cut), self.substr(0, 4));

    ASSERT_GT(GetModuleFileNameA(KvLibraryInstance(), buffer, sizeof buffer), 0u);
    EXPECT_NE(std::string(buffer).find("libKvorel.so"), std::string::npos) << buffer;

    int notAModule = 0;
    EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(&notAModule), buffer, sizeof buffer), 0u);
}

TEST(Kernel, SplitPath)
{
    char drive[_MAX_DRIVE] = "x";
    char dir[_MAX_DIR];
    char fname[_MAX_FNAME];
    char ext[_MAX_EXT];
    _splitpath("/opt/app/kvorel", drive, dir, fname, ext);
    EXPECT_STREQ(drive, "");
    EXPECT_STREQ(dir, "/opt/app/");
    EXPECT_STREQ(fname, "kvorel");
    EXPECT_STREQ(ext, "");

    _splitpath("C:\\Program Files\\app.v2\\Song.old.kvc", nullptr, dir, fname, ext);
    EXPECT_STREQ(dir, "C:\\Program Files\\app.v2\\");
    EXPECT_STREQ(fname, "Song.old");
    EXPECT_STREQ(ext, ".kvc");

    _splitpath("dir.d/name", nullptr, nullptr, fname, ext);
    EXPECT_STREQ(fname, "name");
    EXPECT_STREQ(ext, "");

    const std::string longName(400, 'n');
    _splitpath(("/" + longName + ".e").c_str(), nullptr, dir, fname, ext);
    EXPECT_STREQ(dir, "/");
    EXPECT_EQ(std::strlen(fname), size_t(_MAX_FNAME - 1));
    EXPECT_STREQ(ext, ".e");
}

TEST(Kernel, WsprintfIsBoundedTo1024Bytes)
{
    char buffer[1100];
    EXPECT_EQ(wsprintfA(buffer, "%s-%d", "abc", 42), 6);
    EXPECT_STREQ(buffer, "abc-42");

    std::memset(buffer, '#', sizeof buffer);
    const std::string big(2000, 'z');
    EXPECT_EQ(wsprintfA(buffer, "%s", big.c_str()), 1023);
    EXPECT_EQ(buffer[1022], 'z');
    EXPECT_EQ(buffer[1023], '\0');
    EXPECT_EQ(buffer[1024], '#');
}

} // namespace
