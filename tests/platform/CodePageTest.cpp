#include "support/KvTest.h"

#include "Platform.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace {

class CodePageTest : public kvtest::KvTest {
protected:
    // Converts all of `bytes` (no terminator) and returns the UTF-16 text.
    std::u16string Decode(UINT codePage, const std::string& bytes)
    {
        const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        std::u16string wide(static_cast<size_t>(needed), u'\0');
        const int written = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                wide.data(), needed);
        EXPECT_EQ(written, needed);
        return wide;
    }

    std::string Encode(UINT codePage, const std::u16string& wide, BOOL* usedDefault = nullptr)
    {
        const int needed = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                               nullptr, 0, nullptr, nullptr);
        std::string bytes(static_cast<size_t>(needed), '\0');
        const int written = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                                bytes.data(), needed, nullptr, usedDefault);
        EXPECT_EQ(written, needed);
        return bytes;
    }
};

TEST_F(CodePageTest, AnsiDefaultsToWindows1252WithItsUndefinedBytesAsC1Controls)
{
    EXPECT_EQ(GetACP(), 1252u);
    WCHAR wide[3] = {};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x80\x81\xE9", 3, wide, 3), 3);
    EXPECT_EQ(wide[0], 0x20AC);
    EXPECT_EQ(wide[1], 0x0081);
    EXPECT_EQ(wide[2], 0x00E9);

    // All five holes decode and encode back to the same bytes.
    const std::string holes = "\x81\x8D\x8F\x90\x9D";
    EXPECT_EQ(Decode(CP_ACP, holes), u"\u0081\u008D\u008F\u0090\u009D");
    EXPECT_EQ(Encode(CP_ACP, u"\u0081\u008D\u008F\u0090\u009D\u20AC"), holes + "\x80");
}

TEST_F(CodePageTest, CodePage949DecodesHangulDirectlyAndThroughTheAnsiSetting)
{
    EXPECT_EQ(Decode(949, "\xB0\xA1"), u"\uAC00");
    ASSERT_TRUE(SetAnsiCodePage(949));
    EXPECT_EQ(Decode(CP_ACP, "\xB0\xA1"), u"\uAC00");
    EXPECT_EQ(Encode(CP_ACP, u"\uAC00A"), "\xB0\xA1" "A");
}

TEST_F(CodePageTest, SizeQueryWritesNothingAndMinusOneCountsTheTerminator)
{
    WCHAR wide[8];
    std::fill(std::begin(wide), std::end(wide), u'#');
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, wide, 0), 3);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 0), 4);
    for (WCHAR unit : wide)
        EXPECT_EQ(unit, u'#');

    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 8), 4);
    EXPECT_EQ(std::u16string(wide, 4), std::u16string(u"abc\0", 4));
    // Too small a buffer fails without writing.
    WCHAR small[2] = {u'#', u'#'};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, small, 2), 0);
    EXPECT_EQ(small[0], u'#');

    char bytes[8];
    std::fill(std::begin(bytes), std::end(bytes), '#');
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u00E9t\u00E9", -1, bytes, 0, nullptr, nullptr), 4);
    EXPECT_EQ(bytes[0], '#');
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u00E9t\u00E9", -1, bytes, 8, nullptr, nullptr), 4);
    EXPECT_STREQ(bytes, "\xE9t\xE9");
}

TEST_F(CodePageTest, BadInputIsReplacedAndTheConversionRunsToTheEnd)
{
    // An invalid pair in the middle and a lone lead byte at the end.
    EXPECT_EQ(Decode(949, "A\xB0 B"), u"A\uFFFD B");
    EXPECT_EQ(Decode(949, "A\xB0"), u"A\uFFFD");

    BOOL usedDefault = FALSE;
    EXPECT_EQ(Encode(1252, u"a\uAC00b", &usedDefault), "a?b");
    EXPECT_TRUE(usedDefault);
    // A character outside the BMP is one character, and a lone surrogate too.
    EXPECT_EQ(Encode(1252, u"a\U0001D11Eb\xD800"), "a?b?");
    usedDefault = TRUE;
    EXPECT_EQ(Encode(1252, u"plain", &usedDefault), "plain");
    EXPECT_FALSE(usedDefault);
}

TEST_F(CodePageTest, AnsiCodePageIsSetByNameAndResetWithTheProcess)
{
    EXPECT_TRUE(SetAnsiCodePageByName("CP949"));
    EXPECT_EQ(GetACP(), 949u);
    EXPECT_TRUE(SetAnsiCodePageByName("windows-1251"));
    EXPECT_EQ(GetACP(), 1251u);
    EXPECT_TRUE(SetAnsiCodePageByName("932"));
    EXPECT_EQ(GetACP(), 932u);
    for (const char* name : {"UTF-8", "", "Windows-", "1234", "CP1252x", "65001"})
        EXPECT_FALSE(SetAnsiCodePageByName(name)) << name;
    EXPECT_FALSE(SetAnsiCodePageByName(nullptr));
    EXPECT_EQ(GetACP(), 932u);

    ResetProcessState();
    EXPECT_EQ(GetACP(), 1252u);
}

TEST_F(CodePageTest, UnknownCodePageConvertsNothing)
{
    WCHAR wide[4];
    EXPECT_EQ(MultiByteToWideChar(65001, 0, "abc", 3, wide, 4), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, wide, 4), 0);
    EXPECT_FALSE(SetAnsiCodePage(437));
}

} // namespace
