#include "support/KvTest.h"

#include "Platform.h"

#include <string>

namespace {

class ProfileTest : public kvtest::KvTest {
protected:
    std::string Get(const char* section, const char* key, const char* defaultValue, DWORD size = 64,
                    DWORD* copied = nullptr)
    {
        char buffer[64];
        std::fill(std::begin(buffer), std::end(buffer), '#');
        const DWORD count = GetPrivateProfileStringA(section, key, defaultValue, buffer, size, "test.ini");
        if (copied)
            *copied = count;
        EXPECT_EQ(buffer[count], '\0');
        return std::string(buffer, count);
    }

    std::string File() { return ReadFile(TempDir() / "test.ini"); }
};

TEST_F(ProfileTest, ReadMatchesNamesIgnoringCaseAndBlanks)
{
    WriteFile("test.ini", "[~0(major)]\r\n C = 154232,00000000,0 \r\n");
    char buffer[24];
    EXPECT_EQ(GetPrivateProfileStringA("~0(MAJOR)", "c", "000000,00000000,0", buffer, 24, "test.ini"), 17u);
    EXPECT_STREQ(buffer, "154232,00000000,0");

    EXPECT_EQ(GetPrivateProfileStringA("~0(MAJOR)", "c", "000000,00000000,0", buffer, 4, "test.ini"), 3u);
    EXPECT_STREQ(buffer, "154");
}

TEST_F(ProfileTest, MissingFileSectionOrKeyGivesTheDefault)
{
    EXPECT_EQ(Get("S", "k", "fallback"), "fallback");
    EXPECT_EQ(Get("S", "k", "trailing   "), "trailing");
    EXPECT_EQ(Get("S", "k", nullptr), "");

    WriteFile("test.ini", "[S]\nk=1\n");
    EXPECT_EQ(Get("T", "k", "d"), "d");
    EXPECT_EQ(Get("S", "j", "d"), "d");
    EXPECT_EQ(Get("S", "k", "d"), "1");
    // The list forms are not supported.
    DWORD copied = 99;
    EXPECT_EQ(Get(nullptr, "k", "d", 64, &copied), "");
    EXPECT_EQ(copied, 0u);
    EXPECT_EQ(Get("S", nullptr, "d"), "");
}

TEST_F(ProfileTest, OnlyTheFirstSectionOfANameAndItsFirstEntryCount)
{
    WriteFile("test.ini", "k=outside\n[S]\n; k=comment\nk\nK=second\n[s]\nj=later\n[T]\nk=t\n");
    EXPECT_EQ(Get("S", "k", "d"), "");
    EXPECT_EQ(Get("S", "j", "d"), "d");
    EXPECT_EQ(Get("T", "k", "d"), "t");
    // A bracket that does not close makes an entry, not a section.
    WriteFile("test.ini", "[S]\n[T=x\n");
    EXPECT_EQ(Get("S", "[T", "d"), "x");
}

TEST_F(ProfileTest, ValuesLoseBlanksAndOnePairOfQuotes)
{
    WriteFile("test.ini",
              "; comment k=no\n"
              "[S]\r\n"
              "quoted = \"a b\" \r\n"
              "single='x'\n"
              "unmatched=\"y'\n"
              "double=\"\"z\"\"\n"
              "\tempty=\n"
              "k=first=second\n"
              "k=later\n"
              "bare\n"
              "[S]\n"
              "other=2\n");
    EXPECT_EQ(Get("S", "quoted", "d"), "a b");
    EXPECT_EQ(Get("S", "single", "d"), "x");
    EXPECT_EQ(Get("S", "unmatched", "d"), "\"y'");
    EXPECT_EQ(Get("S", "double", "d"), "\"z\"");
    EXPECT_EQ(Get("S", "EMPTY", "d"), "");
    EXPECT_EQ(Get("S", "k", "d"), "first=second");
    EXPECT_EQ(Get("S", "bare", "d"), "");
    EXPECT_EQ(Get("S", "other", "d"), "d") << "only the first matching section counts";
    EXPECT_EQ(Get("S", "; comment k", "d"), "d");
}

TEST_F(ProfileTest, WritingAKeyInAnotherCaseReplacesItsOneLine)
{
    WriteFile("test.ini", "[Chord]\r\nm7=1\r\nM9=3\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("Chord", "M7", "2", "test.ini"));
    EXPECT_EQ(File(), "[Chord]\r\nm7=2\r\nM9=3\r\n");
    EXPECT_EQ(Get("chord", "m7", "d"), "2");
}

TEST_F(ProfileTest, RemovingKeepsEveryOtherLineByteForByte)
{
    const std::string before = "; header\n[A]\r\n  x = 1 \r\n; note\ny=2\n\n[B]\nz = 3\n";
    WriteFile("test.ini", before);
    ASSERT_TRUE(WritePrivateProfileStringA("a", "X", nullptr, "test.ini"));
    EXPECT_EQ(File(), "; header\n[A]\r\n; note\ny=2\n\n[B]\nz = 3\n");

    ASSERT_TRUE(WritePrivateProfileStringA("A", "absent", nullptr, "test.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("A", nullptr, nullptr, "test.ini"));
    EXPECT_EQ(File(), "; header\n[B]\nz = 3\n");
    EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "k", "v", "test.ini"));
}

TEST_F(ProfileTest, NewKeysFollowTheSectionsLastLineAndNewSectionsGoLast)
{
    WriteFile("test.ini", "[A]\nx=1\n; end of A\n\n\n[B]\ny=2");
    ASSERT_TRUE(WritePrivateProfileStringA("A", "new", "v", "test.ini"));
    EXPECT_EQ(File(), "[A]\nx=1\n; end of A\nnew=v\r\n\n\n[B]\ny=2");
    ASSERT_TRUE(WritePrivateProfileStringA("B", "z", "3", "test.ini"));
    EXPECT_EQ(File(), "[A]\nx=1\n; end of A\nnew=v\r\n\n\n[B]\ny=2\r\nz=3\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA(" C ", " k ", "v w", "test.ini"));
    EXPECT_EQ(File(), "[A]\nx=1\n; end of A\nnew=v\r\n\n\n[B]\ny=2\r\nz=3\r\n[C]\r\nk=v w\r\n");
}

TEST_F(ProfileTest, WritingIntoAMissingFileCreatesIt)
{
    ASSERT_TRUE(WritePrivateProfileStringA("S", "k", "v", "test.ini"));
    EXPECT_EQ(File(), "[S]\r\nk=v\r\n");
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", "missing\\test.ini"));
}

} // namespace
