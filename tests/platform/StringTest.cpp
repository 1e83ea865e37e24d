#include "support/KvTest.h"

#include <cstring>
#include <string>

namespace {

using kvtest::KvTest;

TEST(String, FormatUsesPrintfFormats)
{
    CString text;
    text.Format("%d/%d/%d", 2024, 3, 5);
    EXPECT_EQ(text, "2024/3/5");
    EXPECT_EQ(text.GetLength(), 8);

    text.Format("%-4s|%03d|%.2f|%c|%x", "ab", 7, 1.5, 'z', 255u);
    EXPECT_EQ(text, "ab  |007|1.50|z|ff");
}

TEST(String, FormatGrowsPastItsFirstBuffer)
{
    const std::string longText(1000, 'q');
    CString text;
    text.Format("<%s>%d", longText.c_str(), 42);
    ASSERT_EQ(text.GetLength(), 1004);
    EXPECT_EQ(text.Left(3), "<qq");
    EXPECT_EQ(text.Right(4), "q>42");

    // The string may format itself.
    text.Format("%s!%s", static_cast<LPCTSTR>(text), static_cast<LPCTSTR>(text));
    EXPECT_EQ(text.GetLength(), 2009);
    EXPECT_EQ(text.Mid(1002, 5), "42!<q");
}

TEST(String, KeepsBytesAbove127)
{
    CString text("a\x80\xE9\xFF" "b");
    EXPECT_EQ(text.GetLength(), 5);
    EXPECT_EQ(text.Mid(1, 3), "\x80\xE9\xFF");
    EXPECT_EQ(text.Find('\xFF'), 3);
    EXPECT_EQ(text.Find("\xE9\xFF"), 2);
    EXPECT_EQ(text.ReverseFind('\x80'), 1);
    EXPECT_EQ(text.FindOneOf("\xFF\xE9"), 2);

    text += "\xC4";
    text += '\xFE';
    text += CString("\x81");
    EXPECT_EQ(text, "a\x80\xE9\xFF" "b\xC4\xFE\x81");
    EXPECT_EQ(static_cast<unsigned char>(text.GetAt(7)), 0x81);

    // Case changes touch ASCII letters only.
    text.MakeUpper();
    EXPECT_EQ(text, "A\x80\xE9\xFF" "B\xC4\xFE\x81");
    text.MakeLower();
    EXPECT_EQ(text, "a\x80\xE9\xFF" "b\xC4\xFE\x81");
}

TEST(String, ComparesBytesAndFoldsAsciiOnly)
{
    EXPECT_NE(CString("\xC4" "B").CompareNoCase("\xE4" "b"), 0);
    EXPECT_EQ(CString("AB").CompareNoCase("ab"), 0);
    EXPECT_LT(CString("abc").CompareNoCase("ABD"), 0);
    EXPECT_GT(CString("abcd").CompareNoCase("ABC"), 0);

    EXPECT_EQ(CString("abc").Compare("abc"), 0);
    EXPECT_LT(CString("ABC").Compare("abc"), 0);
    // Bytes compare unsigned: 0xE9 sorts after ASCII.
    EXPECT_GT(CString("\xE9").Compare("z"), 0);
    EXPECT_TRUE(CString("a") < "b");
    EXPECT_TRUE("b" > CString("a"));
    EXPECT_TRUE(CString("a") != CString("A"));
}

TEST(String, ConstructsFromTextCountsAndRepeats)
{
    EXPECT_EQ(CString("abcdef", 3), "abc");
    EXPECT_EQ(CString('x', 4), "xxxx");
    EXPECT_TRUE(CString('x', 0).IsEmpty());
    EXPECT_TRUE(CString(static_cast<const char*>(nullptr)).IsEmpty());
    EXPECT_EQ(CString("ab") + 'c' + "de" + CString("f"), "abcdef");
    EXPECT_EQ("<" + CString("x"), "<x");

    CString text = "abc";
    text = text.Mid(1);
    EXPECT_EQ(text, "bc");
    text = static_cast<LPCTSTR>(text) + 1;
    EXPECT_EQ(text, "c");
    text.Empty();
    EXPECT_TRUE(text.IsEmpty());
}

TEST(String, FindHonoursTheStartIndex)
{
    const CString text("abcabc");
    EXPECT_EQ(text.Find('b'), 1);
    EXPECT_EQ(text.Find('b', 2), 4);
    EXPECT_EQ(text.Find('b', 5), -1);
    EXPECT_EQ(text.Find('a', 6), -1);
    EXPECT_EQ(text.Find('a', -3), 0);
    EXPECT_EQ(text.Find("bc", 2), 4);
    EXPECT_EQ(text.Find("bc", 7), -1);
    EXPECT_EQ(text.Find("x"), -1);
    EXPECT_EQ(text.ReverseFind('a'), 3);
    EXPECT_EQ(text.ReverseFind('z'), -1);
    EXPECT_EQ(text.FindOneOf("xc"), 2);
    EXPECT_EQ(text.FindOneOf("xyz"), -1);
}

TEST(String, ExtractionClampsItsArguments)
{
    const CString text("hello");
    EXPECT_EQ(text.Left(2), "he");
    EXPECT_EQ(text.Left(99), "hello");
    EXPECT_EQ(text.Left(-1), "");
    EXPECT_EQ(text.Right(3), "llo");
    EXPECT_EQ(text.Right(99), "hello");
    EXPECT_EQ(text.Right(-2), "");
    EXPECT_EQ(text.Mid(3), "lo");
    EXPECT_EQ(text.Mid(-2, 3), "hel");
    EXPECT_EQ(text.Mid(4, 10), "o");
    EXPECT_EQ(text.Mid(5), "");
    EXPECT_EQ(text.Mid(9, 2), "");
    EXPECT_EQ(text.Mid(1, -1), "");
}

TEST(String, InsertDeleteAndRemove)
{
    CString text("ace");
    EXPECT_EQ(text.Insert(1, 'b'), 4);
    EXPECT_EQ(text.Insert(3, "d"), 5);
    EXPECT_EQ(text, "abcde");
    EXPECT_EQ(text.Insert(99, "!"), 6);
    EXPECT_EQ(text.Insert(-4, "<"), 7);
    EXPECT_EQ(text, "<abcde!");

    EXPECT_EQ(text.Delete(0), 6);
    EXPECT_EQ(text.Delete(4, 10), 4);
    EXPECT_EQ(text, "abcd");
    EXPECT_EQ(text.Delete(9, 1), 4);
    EXPECT_EQ(text.Delete(1, 0), 4);

    CString spaced("a b  c ");
    EXPECT_EQ(spaced.Remove(' '), 4);
    EXPECT_EQ(spaced, "abc");
}

TEST(String, ReplacesCharactersAndTexts)
{
    CString text("a.b.c");
    EXPECT_EQ(text.Replace('.', '/'), 2);
    EXPECT_EQ(text, "a/b/c");
    // Replacing a character by itself changes nothing and counts nothing.
    EXPECT_EQ(text.Replace('/', '/'), 0);

    CString words("one two one");
    EXPECT_EQ(words.Replace("one", "three"), 2);
    EXPECT_EQ(words, "three two three");
    // The new text may contain the old one without being scanned again.
    EXPECT_EQ(words.Replace("t", "tt"), 3);
    EXPECT_EQ(words, "tthree ttwo tthree");
    EXPECT_EQ(words.Replace(" ", ""), 2);
    EXPECT_EQ(words, "tthreettwotthree");
    EXPECT_EQ(words.Replace("", "x"), 0);
    EXPECT_EQ(words.Replace("zz", "x"), 0);
}

TEST(String, TrimsWhiteSpaceOrASet)
{
    CString text(" \t\r\nword \n\v\f");
    text.TrimLeft();
    EXPECT_EQ(text, "word \n\v\f");
    text.TrimRight();
    EXPECT_EQ(text, "word");

    CString padded("xxyxwordyx");
    padded.TrimLeft("xy");
    EXPECT_EQ(padded, "wordyx");
    padded.TrimRight('x');
    EXPECT_EQ(padded, "wordy");

    CString blank("   ");
    blank.TrimRight();
    EXPECT_TRUE(blank.IsEmpty());
}

TEST(StringDeathTest, IndexOutOfRangeEndsTheProcess)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    CString text("abc");
    EXPECT_DEATH(text.GetAt(3), "CString::GetAt: index 3");
    EXPECT_DEATH(text.SetAt(-1, 'x'), "CString::SetAt: index -1");
}

TEST(String, ReleaseBufferMeasuresToTheFirstNul)
{
    CString text;
    char* buffer = text.GetBuffer(10);
    std::memcpy(buffer, "abc\0", 4);
    text.ReleaseBuffer();
    EXPECT_EQ(text.GetLength(), 3);
    EXPECT_EQ(text, "abc");

    // An explicit length keeps what was written, including the old text.
    buffer = text.GetBuffer(6);
    std::memcpy(buffer + 3, "def", 3);
    text.ReleaseBuffer(6);
    EXPECT_EQ(text, "abcdef");

    // A shorter explicit length cuts the text.
    text.GetBuffer(0);
    text.ReleaseBuffer(2);
    EXPECT_EQ(text, "ab");

    // The buffer may be used for a text longer than what was asked for
    // before, and further changes work on the released length.
    buffer = text.GetBuffer(40);
    std::strcpy(buffer, "a rather longer text than before");
    text.ReleaseBuffer();
    text += "!";
    EXPECT_EQ(text, "a rather longer text than before!");
}

TEST(String, GetBufferSetLengthFixesTheLength)
{
    CString text("abc");
    char* buffer = text.GetBufferSetLength(5);
    EXPECT_EQ(text.GetLength(), 5);
    EXPECT_EQ(std::memcmp(buffer, "abc", 3), 0);
    buffer[3] = 'd';
    buffer[4] = 'e';
    text.ReleaseBuffer(5);
    EXPECT_EQ(text, "abcde");

    buffer = text.GetBufferSetLength(2);
    EXPECT_EQ(buffer[2], '\0');
    text.ReleaseBuffer();
    EXPECT_EQ(text, "ab");
}

class StringTable : public KvTest {
};

TEST_F(StringTable, LoadStringReadsTheHostTable)
{
    host.SetString(125, "rgp");

    CString text("stale");
    EXPECT_FALSE(text.LoadString(99999));
    EXPECT_TRUE(text.IsEmpty());

    EXPECT_TRUE(text.LoadString(125));
    EXPECT_EQ(text, "rgp");
}

} // namespace
