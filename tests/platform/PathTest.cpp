#include "support/KvTest.h"

#include "Platform.h"

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

class PathTest : public kvtest::KvTest {
protected:
    std::string Current()
    {
        char buffer[4096];
        const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
        EXPECT_LT(length, sizeof buffer);
        return std::string(buffer, length);
    }
};

TEST_F(PathTest, CurrentDirectoryIsVirtualAndFindsFilesInAnyCase)
{
    const fs::path realBefore = fs::current_path();
    WriteFile("Data/Sub/Song.kvc", "song");

    ASSERT_TRUE(SetCurrentDirectoryA("data\\sub"));
    EXPECT_EQ(Current(), (TempDir() / "Data" / "Sub").string());
    CFile file;
    ASSERT_TRUE(file.Open("SONG.KVC", CFile::modeRead));
    EXPECT_EQ(file.GetFileName(), "Song.kvc");
    char bytes[8] = {};
    EXPECT_EQ(file.Read(bytes, sizeof bytes), 4u);
    EXPECT_STREQ(bytes, "song");

    EXPECT_FALSE(SetCurrentDirectoryA("missing"));
    EXPECT_FALSE(SetCurrentDirectoryA("SONG.KVC")) << "a file is not a directory";
    EXPECT_EQ(Current(), (TempDir() / "Data" / "Sub").string());
    EXPECT_EQ(fs::current_path(), realBefore);
}

TEST_F(PathTest, DrivesAndBackslashesMapToThisFileSystem)
{
    EXPECT_EQ(KvMapPath("C:Logo.dat"), (TempDir() / "Logo.dat").string());
    EXPECT_EQ(KvMapPath("C:\\dir\\f"), "/dir/f");
    EXPECT_EQ(KvMapPath("d:/dir/f"), "/dir/f");
    EXPECT_EQ(KvMapPath("a\\.\\b\\..\\c"), (TempDir() / "a" / "c").string());
    EXPECT_EQ(KvMapPath("\\..\\.."), "/");
    // A temporary folder path keeps its trailing separator for appending.
    EXPECT_EQ(KvMapPath("sub\\"), (TempDir() / "sub").string() + "/");
    EXPECT_EQ(KvMapPath(""), "");
    EXPECT_EQ(KvMapPath(nullptr), "");
}

TEST_F(PathTest, CaseInsensitiveLookupPrefersTheExactSpellingThenByteOrder)
{
    WriteFile("Dir/b.txt", "");
    WriteFile("Dir/B.TXT", "");
    WriteFile("Dir/b.TXT", "");
    EXPECT_EQ(KvMapPath("dir\\b.txt"), (TempDir() / "Dir" / "b.txt").string());
    EXPECT_EQ(KvMapPath("DIR\\b.Txt"), (TempDir() / "Dir" / "B.TXT").string());
    // Missing components keep their spelling, so a new file gets its name.
    EXPECT_EQ(KvMapPath("dir\\New.Txt"), (TempDir() / "Dir" / "New.Txt").string());
    EXPECT_EQ(KvMapPath("nowhere\\DIR\\x"), (TempDir() / "nowhere" / "DIR" / "x").string());
    // Only ASCII letters fold.
    WriteFile("\xC4" "x", "");
    EXPECT_EQ(KvMapPath("\xE4" "x"), (TempDir() / "\xE4" "x").string());
}

TEST_F(PathTest, CreateDirectoryFailsForAnExistingPathOrAMissingParent)
{
    EXPECT_TRUE(CreateDirectoryA("Scores", nullptr));
    EXPECT_TRUE(fs::is_directory(TempDir() / "Scores"));
    EXPECT_FALSE(CreateDirectoryA("Scores", nullptr));
    EXPECT_FALSE(CreateDirectoryA("SCORES", nullptr));
    WriteFile("plain", "");
    EXPECT_FALSE(CreateDirectoryA("plain", nullptr));
    EXPECT_FALSE(CreateDirectoryA("a\\b", nullptr));
    EXPECT_FALSE(fs::exists(TempDir() / "a"));
}

TEST_F(PathTest, GetCurrentDirectoryFollowsTheWin32LengthConvention)
{
    const std::string current = TempDir().string();
    char small[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(GetCurrentDirectoryA(sizeof small, small), current.size() + 1);
    EXPECT_EQ(small[0], '#');
    EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), current.size() + 1);
    std::string exact(current.size() + 1, '#');
    EXPECT_EQ(GetCurrentDirectoryA(static_cast<DWORD>(exact.size()), exact.data()), current.size());
    EXPECT_STREQ(exact.c_str(), current.c_str());
}

TEST_F(PathTest, ProcessResetReturnsToTheRealWorkingDirectory)
{
    ResetProcessState();
    EXPECT_EQ(Current(), fs::current_path().string());
}

} // namespace
