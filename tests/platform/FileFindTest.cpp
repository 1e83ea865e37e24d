#include "support/KvTest.h"

#include "Platform.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

class FileFindTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        WriteFile("folder/b.RGP", "bb");
        WriteFile("folder/A.rgp", "a");
        WriteFile("folder/c.txt", "ccc");
        std::filesystem::create_directories(TempDir() / "folder" / "d.rgp");
    }

    // All names found for `pattern`, in the order the loop convention gives.
    std::vector<std::string> Names(const char* pattern)
    {
        std::vector<std::string> names;
        CFileFind finder;
        BOOL more = finder.FindFile(pattern);
        while (more) {
            more = finder.FindNextFile();
            names.emplace_back(static_cast<LPCTSTR>(finder.GetFileName()));
        }
        return names;
    }
};

TEST_F(FileFindTest, WildcardsMatchIgnoringCaseInCaseInsensitiveOrder)
{
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile("folder\\*.rgp"));
    EXPECT_TRUE(finder.FindNextFile());
    EXPECT_EQ(finder.GetFileName(), "A.rgp");
    EXPECT_EQ(finder.GetFileTitle(), "A");
    EXPECT_EQ(finder.GetLength(), 1u);
    EXPECT_FALSE(finder.IsDirectory());
    EXPECT_EQ(finder.GetFilePath(), (TempDir() / "folder" / "A.rgp").string().c_str());
    EXPECT_TRUE(finder.FindNextFile());
    EXPECT_EQ(finder.GetFileName(), "b.RGP");
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_EQ(finder.GetFileName(), "d.rgp");
    EXPECT_TRUE(finder.IsDirectory());
    EXPECT_FALSE(finder.IsDots());

    EXPECT_EQ(Names("FOLDER\\?.TXT"), std::vector<std::string>{"c.txt"});
    EXPECT_EQ(Names("folder\\*b*"), std::vector<std::string>{"b.RGP"});
    EXPECT_TRUE(Names("folder\\*.doc").empty());
    EXPECT_TRUE(Names("nowhere\\*.*").empty());
}

TEST_F(FileFindTest, StarDotStarListsEverythingWithTheDots)
{
    WriteFile("folder/noext", "");
    EXPECT_EQ(Names("folder\\*.*"),
              (std::vector<std::string>{".", "..", "A.rgp", "b.RGP", "c.txt", "d.rgp", "noext"}));

    CFileFind finder;
    ASSERT_TRUE(finder.FindFile("folder\\*"));
    finder.FindNextFile();
    EXPECT_TRUE(finder.IsDots());
    EXPECT_TRUE(finder.IsDirectory());
    finder.FindNextFile();
    EXPECT_TRUE(finder.IsDots());
    finder.FindNextFile();
    EXPECT_FALSE(finder.IsDots());

    // The root has no dots.
    ASSERT_TRUE(finder.FindFile("\\*.*"));
    while (finder.FindNextFile())
        EXPECT_FALSE(finder.IsDots()) << static_cast<LPCTSTR>(finder.GetFileName());
    EXPECT_FALSE(finder.IsDots());
}

TEST_F(FileFindTest, OrderFoldsToUpperCaseWithTiesInByteOrder)
{
    for (const char* name : {"sort/a_x", "sort/Ab", "sort/AB", "sort/ab", "sort/a"})
        WriteFile(name, "");
    EXPECT_EQ(Names("sort\\a*"), (std::vector<std::string>{"a", "AB", "Ab", "ab", "a_x"}));
}

TEST_F(FileFindTest, SearchingAFoldersOwnPathFindsTheFolder)
{
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile("folder"));
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_EQ(finder.GetFileName(), "folder");
    EXPECT_TRUE(finder.IsDirectory());

    ASSERT_TRUE(finder.FindFile((TempDir() / "FOLDER" / "D.RGP").string().c_str()));
    finder.FindNextFile();
    EXPECT_EQ(finder.GetFileName(), "d.rgp");
    EXPECT_TRUE(finder.IsDirectory());
}

TEST_F(FileFindTest, NamesWithoutWildcardsOrInTheDefaultFolder)
{
    ASSERT_TRUE(SetCurrentDirectoryA("folder"));
    EXPECT_EQ(Names("C.TXT"), std::vector<std::string>{"c.txt"});
    EXPECT_EQ(Names(nullptr).size(), 6u);

    CFileFind finder;
    EXPECT_FALSE(finder.FindFile("missing.txt"));
    EXPECT_EQ(finder.GetFileName(), "");
    EXPECT_FALSE(finder.FindNextFile());
    ASSERT_TRUE(finder.FindFile("*.txt"));
    finder.Close();
    EXPECT_FALSE(finder.FindNextFile());
}

} // namespace
