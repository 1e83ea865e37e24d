// The shared text, font and string helpers: music-font text on a recording
// device, font set-up, buffer strings with their bounds, base-36 digits,
// searches in list controls, file-name strings, the staff of a symbol and
// the diagnostic dump.

#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/TextHelpers.h"
#include "support/Drawing.h"
#include "support/FontSupport.h"
#include "support/KvTest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using kvtest::MakeRecordingDC;

LOGFONTA TestFace(LONG height)
{
    LOGFONTA font {};
    font.lfHeight = height;
    font.lfWeight = FW_NORMAL;
    std::snprintf(font.lfFaceName, LF_FACESIZE, "KvTest");
    return font;
}

class TextHelpersTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        kvtest::InstallTestFonts();
    }
};

// ---- Text ----

TEST_F(TextHelpersTest, OneByteTextGoesOutAsOneMusicCode)
{
    auto dc = MakeRecordingDC();
    EXPECT_TRUE(MyDrawTextOut(dc.get(), 10, 20, "\xF1", 1));
    EXPECT_TRUE(MyDrawTextOut(dc.get(), 10, 20, "\xF9", 1));
    EXPECT_TRUE(MyDrawTextOut(dc.get(), 10, 20, "\xFA", 1));
    EXPECT_TRUE(MyDrawTextOut(dc.get(), 10, 20, "A", 1));
    EXPECT_TRUE(MyDrawTextOut(dc.get(), 10, 20, "\xF0", 1));

    const auto calls = dc->Log().Calls("TextOutW");
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0]->units, std::u16string(1, char16_t(0x00F1)));
    EXPECT_EQ(calls[1]->units, std::u16string(1, char16_t(0x00F9)));
    EXPECT_EQ(calls[2]->units, std::u16string(1, char16_t(0x01FA)));
    EXPECT_EQ(calls[3]->units, std::u16string(1, char16_t(0x0141)));
    EXPECT_EQ(calls[4]->units, std::u16string(1, char16_t(0x01F0)));
    EXPECT_TRUE(dc->Log().Calls("TextOutA").empty());
}

TEST_F(TextHelpersTest, OtherLengthsGoOutAsBytes)
{
    auto dc = MakeRecordingDC();
    EXPECT_TRUE(MyDrawTextOut(dc.get(), 0, 0, "AB", -1));
    EXPECT_TRUE(MyDrawTextOut(dc.get(), 0, 0, "ABC", 2));
    EXPECT_TRUE(MyDrawTextOut(dc.get(), 0, 0, CString("Title")));

    EXPECT_TRUE(dc->Log().Calls("TextOutW").empty());
    const auto calls = dc->Log().Calls("TextOutA");
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0]->bytes, "A");
    EXPECT_EQ(calls[1]->bytes, "AB");
    EXPECT_EQ(calls[2]->bytes, "Title");
    EXPECT_EQ(calls[2]->logical.at(0).x, 0);
}

TEST_F(TextHelpersTest, ExtentIgnoresTheZoomAndLeavesItAsItWas)
{
    auto dc = MakeRecordingDC();
    CFont font;
    const LOGFONTA logFont = TestFace(-40);
    ASSERT_TRUE(font.CreateFontIndirect(&logFont));
    CFont* old = dc->SelectObject(&font);

    // The test face advances every character by half the em.
    const WCHAR unit = 0x0141;
    SIZE direct {};
    ASSERT_TRUE(GetTextExtentPoint32W(dc->m_hDC, &unit, 1, &direct));
    EXPECT_EQ(direct.cx, 20);

    const int scales[][2] = {{1, 1}, {1, 3}, {5, 2}};
    for (const auto& scale : scales) {
        kvtest::SetScale(*dc, scale[0], scale[1]);
        SIZE size {};
        EXPECT_TRUE(MyGetTextExtent(dc.get(), "A", 1, &size));
        EXPECT_EQ(size.cx, direct.cx) << scale[0] << ":" << scale[1];
        EXPECT_EQ(size.cy, direct.cy) << scale[0] << ":" << scale[1];
        EXPECT_EQ(dc->GetWindowExt(), CSize(scale[0], scale[0]));
        EXPECT_EQ(dc->GetViewportExt(), CSize(scale[1], scale[1]));
    }

    // -1 measures the first byte alone; longer texts are measured as bytes.
    kvtest::SetScale(*dc, 1, 1);
    SIZE one {};
    SIZE two {};
    EXPECT_TRUE(MyGetTextExtent(dc.get(), "AB", -1, &one));
    EXPECT_TRUE(MyGetTextExtent(dc.get(), "AB", 2, &two));
    EXPECT_EQ(one.cx, 20);
    EXPECT_EQ(two.cx, 40);

    dc->SelectObject(old);
}

// ---- Strings ----

TEST(TextHelpersDigits, Base36BothWays)
{
    EXPECT_EQ(AsciiToBYTE('z'), 35);
    EXPECT_EQ(AsciiToBYTE('Z'), 35);
    EXPECT_EQ(AsciiToBYTE('a'), 10);
    EXPECT_EQ(AsciiToBYTE('0'), 0);
    EXPECT_EQ(AsciiToBYTE('-'), 255);
    EXPECT_EQ(AsciiToBYTE('@'), 255);
    EXPECT_EQ(AsciiToBYTE('\xE1'), 255);
    for (int value = 0; value <= 35; ++value)
        EXPECT_EQ(AsciiToBYTE(BYTEToAscii(static_cast<unsigned char>(value))), value);
    EXPECT_EQ(BYTEToAscii(10), 'A');
    EXPECT_EQ(BYTEToAscii(36), '*');
    EXPECT_EQ(BYTEToAscii(255), '*');

    EXPECT_EQ(static_cast<unsigned char>(AsciiToAcci('#')), 169);
    EXPECT_EQ(static_cast<unsigned char>(AsciiToAcci('b')), 170);
    EXPECT_EQ(static_cast<unsigned char>(AsciiToAcci('$')), 171);
    EXPECT_EQ(AsciiToAcci('B'), 'B');

}

TEST(TextHelpersStrings, BracketIsCutOut)
{
    CString out = "old";
    CString text = "C7(b9)sus";
    EXPECT_EQ(GetStringInBracket(out, text), 1);
    EXPECT_STREQ(out, "(b9)");
    EXPECT_STREQ(text, "C7sus");

    text = "C(9";
    EXPECT_EQ(GetStringInBracket(out, text), 1);
    EXPECT_STREQ(out, "(9");
    EXPECT_STREQ(text, "C");

    out = "old";
    text = "C)9(";
    EXPECT_EQ(GetStringInBracket(out, text), 0);
    EXPECT_STREQ(text, "C)9(");
    EXPECT_STREQ(out, "old");

    text = "Cmaj7";
    EXPECT_EQ(GetStringInBracket(out, text), 0);
    EXPECT_STREQ(text, "Cmaj7");
}

TEST(TextHelpersStrings, FirstMatchCharMovesStart)
{
    const CString text = "C7(b9)sus";
    const CString set = ")(";
    int start = 0;
    EXPECT_EQ(FindFirstMatchChar(text, set, start), '(');
    EXPECT_EQ(start, 2);
    start = 3;
    EXPECT_EQ(FindFirstMatchChar(text, set, start), ')');
    EXPECT_EQ(start, 5);
    start = 6;
    EXPECT_EQ(FindFirstMatchChar(text, set, start), 0);
    EXPECT_EQ(start, 6);

    // Start outside the text, or an empty text or set.
    start = -1;
    EXPECT_EQ(FindFirstMatchChar(text, set, start), 0);
    EXPECT_EQ(start, -1);
    start = text.GetLength();
    EXPECT_EQ(FindFirstMatchChar(text, set, start), 0);
    start = 0;
    EXPECT_EQ(FindFirstMatchChar(text, CString(), start), 0);
    EXPECT_EQ(FindFirstMatchChar(CString(), set, start), 0);
    EXPECT_EQ(start, 0);
}

TEST(TextHelpersStrings, FileNamesKeepBackslashes)
{
    CString path = "C:\\Scores\\Song.kvc";
    EXPECT_EQ(GetRelativeFileName(path, "c:\\scores"), 1);
    EXPECT_STREQ(path, "Song.kvc");

    path = "D:\\Work\\Scores\\Sub\\Song.kvc";
    EXPECT_EQ(GetRelativeFileName(path, "scores\\"), 1);
    EXPECT_STREQ(path, "Sub\\Song.kvc");

    // Failures empty the path.
    path = "C:\\Other\\Song.kvc";
    EXPECT_EQ(GetRelativeFileName(path, "c:\\scores"), 0);
    EXPECT_STREQ(path, "");
    path = "C:\\Scores\\";
    EXPECT_EQ(GetRelativeFileName(path, "C:\\Scores"), 0);
    EXPECT_STREQ(path, "");
    path = "Song.kvc";
    EXPECT_EQ(GetRelativeFileName(path, ""), 0);
    EXPECT_STREQ(path, "");

    path = "a\\b\\c.kvc";
    EXPECT_STREQ(AnalyzeFileName(path), "a\\b\\");
    EXPECT_STREQ(path, "c.kvc");
    path = "a/b/c.kvc";
    EXPECT_STREQ(AnalyzeFileName(path), "");
    EXPECT_STREQ(path, "a/b/c.kvc");
}

TEST(TextHelpersBuffers, WriteLaysOutLengthThenBytes)
{
    unsigned char buffer[16];
    std::memset(buffer, 0xEE, sizeof buffer);
    DWORD pos = 1;
    DWORD capacity = 6;
    CString text = "abc";
    EXPECT_EQ(WriteCStringToMem(buffer, &pos, &capacity, text), 1);
    EXPECT_EQ(pos, 6u);
    const unsigned char expected[] = {0xEE, 0x03, 0x00, 0x61, 0x62, 0x63, 0xEE};
    EXPECT_EQ(std::memcmp(buffer, expected, sizeof expected), 0);

    DWORD readPos = 1;
    DWORD length = 6;
    CString back;
    EXPECT_EQ(ReadCStringFromMem(buffer, &readPos, &length, back), 1);
    EXPECT_STREQ(back, "abc");
    EXPECT_EQ(readPos, 6u);

    // The empty string is its length word alone.
    CString empty;
    capacity = 8;
    EXPECT_EQ(WriteCStringToMem(buffer, &pos, &capacity, empty), 1);
    EXPECT_EQ(pos, 8u);
    EXPECT_EQ(buffer[6], 0);
    EXPECT_EQ(buffer[7], 0);
}

TEST(TextHelpersBuffers, WriteRefusesWhatDoesNotFit)
{
    unsigned char buffer[8];
    std::memset(buffer, 0xEE, sizeof buffer);
    CString text = "abc";
    DWORD pos = 2;
    DWORD capacity = 6; // one byte too few
    EXPECT_EQ(WriteCStringToMem(buffer, &pos, &capacity, text), 0);
    EXPECT_EQ(pos, 2u);
    for (unsigned char byte : buffer)
        EXPECT_EQ(byte, 0xEE);

    // A length that the word cannot hold.
    std::vector<unsigned char> large(70000, 0xEE);
    CString tooLong('x', 65536);
    pos = 0;
    capacity = static_cast<DWORD>(large.size());
    EXPECT_EQ(WriteCStringToMem(large.data(), &pos, &capacity, tooLong), 0);
    EXPECT_EQ(pos, 0u);
    EXPECT_EQ(large[0], 0xEE);
    EXPECT_EQ(large[1], 0xEE);
}

TEST(TextHelpersBuffers, LongestStringRoundTrips)
{
    std::vector<unsigned char> buffer(2 + 65535);
    CString text('q', 65535);
    text.SetAt(65534, 'z');
    DWORD pos = 0;
    DWORD capacity = static_cast<DWORD>(buffer.size());
    ASSERT_EQ(WriteCStringToMem(buffer.data(), &pos, &capacity, text), 1);
    EXPECT_EQ(buffer[0], 0xFF);
    EXPECT_EQ(buffer[1], 0xFF);

    DWORD readPos = 0;
    CString back;
    EXPECT_EQ(ReadCStringFromMem(buffer.data(), &readPos, &capacity, back), 1);
    EXPECT_EQ(readPos, 65537u);
    ASSERT_EQ(back.GetLength(), 65535);
    EXPECT_EQ(back.GetAt(65534), 'z');
}

TEST(TextHelpersBuffers, ReadStopsAtTheBufferEnd)
{
    // The length word claims five bytes; four follow.
    unsigned char buffer[] = {0x05, 0x00, 'a', 'b', 'c', 'd'};
    DWORD pos = 0;
    DWORD length = sizeof buffer;
    CString text = "stale";
    EXPECT_EQ(ReadCStringFromMem(buffer, &pos, &length, text), 0);
    EXPECT_EQ(pos, 0u);
    EXPECT_TRUE(text.IsEmpty());

    // No room for the length word itself.
    pos = 5;
    text = "stale";
    EXPECT_EQ(ReadCStringFromMem(buffer, &pos, &length, text), 0);
    EXPECT_EQ(pos, 5u);
    EXPECT_TRUE(text.IsEmpty());
    pos = 0xFFFFFFFF;
    EXPECT_EQ(ReadCStringFromMem(buffer, &pos, &length, text), 0);
    EXPECT_EQ(pos, 0xFFFFFFFFu);

    // The same bytes with a shorter claim read.
    buffer[0] = 0x04;
    pos = 0;
    EXPECT_EQ(ReadCStringFromMem(buffer, &pos, &length, text), 1);
    EXPECT_STREQ(text, "abcd");
    EXPECT_EQ(pos, 6u);
}

// ---- Fonts and lists ----

TEST_F(TextHelpersTest, DefaultLogFontFollowsTheDevice)
{
    auto dc96 = MakeRecordingDC(800, 600, 96);
    LOGFONT font;
    std::memset(&font, 0x5A, sizeof font);
    EXPECT_EQ(GetDefaultLogFont(font, 120, "X", 0, dc96.get()), 1);
    EXPECT_EQ(font.lfHeight, -16);
    EXPECT_EQ(font.lfWidth, 0);
    EXPECT_EQ(font.lfEscapement, 0);
    EXPECT_EQ(font.lfOrientation, 0);
    EXPECT_EQ(font.lfWeight, 300);
    EXPECT_EQ(font.lfItalic, 0);
    EXPECT_EQ(font.lfUnderline, 0);
    EXPECT_EQ(font.lfStrikeOut, 0);
    EXPECT_EQ(font.lfCharSet, 1);
    EXPECT_EQ(font.lfOutPrecision, 2);
    EXPECT_EQ(font.lfClipPrecision, 0);
    EXPECT_EQ(font.lfQuality, 0);
    EXPECT_EQ(font.lfPitchAndFamily, 16);
    EXPECT_STREQ(font.lfFaceName, "X");

    EXPECT_EQ(GetDefaultLogFont(font, 120, "X", 8, dc96.get()), 1);
    EXPECT_EQ(font.lfWeight, 700);
    EXPECT_EQ(GetDefaultLogFont(font, 100, "X", 1 | 2 | 4, dc96.get()), 1);
    EXPECT_EQ(font.lfWeight, 300);
    EXPECT_EQ(font.lfItalic, 1);
    EXPECT_EQ(font.lfStrikeOut, 1);
    EXPECT_EQ(font.lfUnderline, 1);
    EXPECT_EQ(font.lfHeight, -13);

    // A face longer than the field is cut and terminated.
    const std::string longFace(40, 'F');
    GetDefaultLogFont(font, 120, longFace.c_str(), 0, dc96.get());
    EXPECT_EQ(std::strlen(font.lfFaceName), 31u);

    // Without a device: the screen, given back afterwards.
    auto dc144 = MakeRecordingDC(800, 600, 144);
    GetDefaultLogFont(font, 120, "X", 0, dc144.get());
    EXPECT_EQ(font.lfHeight, -24);
    KvSetScreenDpi(120);
    GetDefaultLogFont(font, 120, "X", 0, nullptr);
    EXPECT_EQ(font.lfHeight, -20);
    EXPECT_EQ(KvOpenScreenDCs(), 0);
}

TEST_F(TextHelpersTest, MusicFaceIsFoundThroughTheRegistry)
{
    kvtest::UseFixedFontList({{"Arial"}, {"Times New Roman"}});
    LOGFONT font {};
    font.lfHeight = -37;
    font.lfWidth = 9;
    std::snprintf(font.lfFaceName, LF_FACESIZE, "Arial");

    // Not registered: only the width changes.
    EXPECT_EQ(ZelvoraLogFontProc(font, nullptr), 1);
    EXPECT_STREQ(font.lfFaceName, "Arial");
    EXPECT_EQ(font.lfHeight, -37);
    EXPECT_EQ(font.lfWidth, 0);
    EXPECT_EQ(KvOpenScreenDCs(), 0);

    ASSERT_TRUE(kvmusic::Available()) << "the stand-in needs Emmentaler";
    ASSERT_EQ(AddFontResourceA("ZelvoraB.TTF"), 1);
    font.lfWidth = 9;
    auto dc = MakeRecordingDC();
    EXPECT_EQ(ZelvoraLogFontProc(font, dc.get()), 1);
    EXPECT_STREQ(font.lfFaceName, "ZelvoraB");
    EXPECT_EQ(font.lfCharSet, SYMBOL_CHARSET);
    EXPECT_EQ(font.lfHeight, -37);
    EXPECT_EQ(font.lfWidth, 0);
    EXPECT_TRUE(RemoveFontResourceA("ZelvoraB.TTF"));
}

TEST_F(TextHelpersTest, EnumerationCallbackStopsAtTheMusicFace)
{
    ENUMLOGFONT record {};
    NEWTEXTMETRIC metrics {};
    LOGFONT found {};
    std::snprintf(record.elfLogFont.lfFaceName, LF_FACESIZE, "ZelvoraBold");
    EXPECT_EQ(GetLogFont(&record, &metrics, TRUETYPE_FONTTYPE, &found), 1);
    EXPECT_STREQ(found.lfFaceName, "");

    std::snprintf(record.elfLogFont.lfFaceName, LF_FACESIZE, "ZelvoraB");
    record.elfLogFont.lfHeight = 44;
    EXPECT_EQ(GetLogFont(&record, &metrics, TRUETYPE_FONTTYPE, &found), 0);
    EXPECT_STREQ(found.lfFaceName, "ZelvoraB");
    EXPECT_EQ(found.lfHeight, 44);
}

TEST_F(TextHelpersTest, FontDialogAnswerBecomesSizeFaceAndStyle)
{
    short size = 120;
    char face[LF_FACESIZE] = "Arial";
    short style = 8;
    // The test host cancels unless it has a choice scripted.
    EXPECT_EQ(SelectFont(size, face, style), 0);
    EXPECT_EQ(size, 120);
    EXPECT_STREQ(face, "Arial");
    EXPECT_EQ(style, 8);

    kvtest::FontChoice choice {};
    std::snprintf(choice.font.lfFaceName, LF_FACESIZE, "Times New Roman");
    choice.font.lfItalic = TRUE;
    choice.font.lfUnderline = TRUE;
    choice.font.lfWeight = FW_BOLD;
    choice.pointSizeTenths = 140;
    host.ScriptFontChoice(choice);
    EXPECT_EQ(SelectFont(size, face, style), 1);
    EXPECT_EQ(size, 140);
    EXPECT_STREQ(face, "Times New Roman");
    EXPECT_EQ(style, 1 | 4 | 8);

    choice.font.lfItalic = FALSE;
    choice.font.lfUnderline = FALSE;
    choice.font.lfStrikeOut = TRUE;
    choice.font.lfWeight = FW_NORMAL;
    host.ScriptFontChoice(choice);
    EXPECT_EQ(SelectFont(size, face, style), 1);
    EXPECT_EQ(style, 2);
}

TEST_F(TextHelpersTest, FontGoesIntoBothContexts)
{
    auto output = MakeRecordingDC();
    auto attrib = MakeRecordingDC();
    CFont first;
    CFont second;
    const LOGFONTA small = TestFace(-10);
    const LOGFONTA large = TestFace(-30);
    ASSERT_TRUE(first.CreateFontIndirect(&small));
    ASSERT_TRUE(second.CreateFontIndirect(&large));

    // One context: nothing to report for the attribute side.
    HFONT oldAttrib = reinterpret_cast<HFONT>(1);
    HFONT old = SelectFontObject(output.get(), &first, oldAttrib);
    EXPECT_NE(old, nullptr);
    EXPECT_EQ(oldAttrib, nullptr);

    output->m_hAttribDC = attrib->m_hDC;
    const HFONT attribStock = static_cast<HFONT>(SelectObject(attrib->m_hDC, first.GetSafeHandle()));
    EXPECT_EQ(SelectFontObject(output.get(), &second, oldAttrib), static_cast<HFONT>(first));
    EXPECT_EQ(oldAttrib, static_cast<HFONT>(first));
    // Measuring goes through the attribute context, which now has the large font.
    EXPECT_EQ(output->GetTextExtent("A", 1).cx, 15);

    EXPECT_EQ(SelectFontObject(output.get(), &first), static_cast<HFONT>(second));
    EXPECT_EQ(output->GetTextExtent("A", 1).cx, 5);

    SelectObject(attrib->m_hDC, attribStock);
    output->m_hAttribDC = output->m_hDC;
    SelectObject(output->m_hDC, old);
}

TEST_F(TextHelpersTest, CaseSensitiveSearchStartsAfterStart)
{
    CListBox list;
    CComboBox combo;
    for (const char* item : {"abc", "ABC", "x", "ABC", "abc"}) {
        list.AddString(item);
        combo.AddString(item);
    }
    EXPECT_EQ(FindStringWithCase(list, 2, "ABC"), 3);
    EXPECT_EQ(FindStringWithCase(list, 2, "abc"), 4);
    EXPECT_EQ(FindStringWithCase(list, -1, "ABC"), 1);
    EXPECT_EQ(FindStringWithCase(list, -7, "abc"), 0);
    EXPECT_EQ(FindStringWithCase(list, 3, "ABC"), -1); // no wrapping
    EXPECT_EQ(FindStringWithCase(list, 9, "abc"), -1);
    EXPECT_EQ(FindStringWithCase(list, -1, "AB"), -1);  // whole items only
    EXPECT_EQ(FindStringWithCase(list, -1, "Abc"), -1);

    EXPECT_EQ(FindStringWithCase(combo, 2, "ABC"), 3);
    EXPECT_EQ(FindStringWithCase(combo, 0, "abc"), 4);
    EXPECT_EQ(FindStringWithCase(combo, 4, "abc"), -1);

    list.SetCurSel(2);
    EXPECT_EQ(SelectStringWithCase(list, -1, "Abc"), -1);
    EXPECT_EQ(list.GetCurSel(), 2);
    EXPECT_EQ(SelectStringWithCase(list, 1, "ABC"), 3);
    EXPECT_EQ(list.GetCurSel(), 3);
}

TEST_F(TextHelpersTest, ExactSelectionIgnoresCaseAndWraps)
{
    CListBox list;
    for (const char* item : {"x", "ABC", "y"})
        list.AddString(item);
    list.SetCurSel(0);
    EXPECT_EQ(SelectStringExact(list, 2, "abc"), 1);
    EXPECT_EQ(list.GetCurSel(), 1);
    EXPECT_EQ(SelectStringExact(list, -1, "ab"), -1);
    EXPECT_EQ(list.GetCurSel(), 1);
}

// ---- Windows and the score tree ----

TEST(TextHelpersWindows, PointIsMappedIntoTheControl)
{
    CWnd from;
    CWnd target;
    from.SetScreenOrigin({100, 100});
    from.SetClientSize({400, 300});
    target.SetScreenOrigin({150, 120});
    target.SetClientSize({40, 30});

    CPoint pt(60, 30);
    EXPECT_EQ(IsPtInControl(&from, target, &pt), 1);
    EXPECT_EQ(pt, CPoint(10, 10));

    // The right and bottom edges lie outside.
    pt = CPoint(90, 30);
    EXPECT_EQ(IsPtInControl(&from, target, &pt), 0);
    pt = CPoint(60, 50);
    EXPECT_EQ(IsPtInControl(&from, target, &pt), 0);
    pt = CPoint(50, 20);
    EXPECT_EQ(IsPtInControl(&from, target, &pt), 1);
    EXPECT_EQ(pt, CPoint(0, 0));

    pt = CPoint(60, 30);
    EXPECT_EQ(IsPtInControl(nullptr, target, &pt), 0);
    EXPECT_EQ(pt, CPoint(60, 30));
}

TEST(TextHelpersTree, StaffIsFoundThroughSymbolAndMeasureParents)
{
    CKVStaff staff;
    staff.SetObjectType(OBJ_STAFF);
    CKVStaff ossia;
    ossia.SetObjectType(OBJ_OSSIA_STAFF);
    CKVMeas meas;
    meas.SetObjectType(OBJ_MEAS);
    meas.m_pParent = &staff;
    meas.m_byParentKind = OBJ_STAFF;

    CKVMsg chord(&meas);
    CKVMsg member(static_cast<CKVObject*>(&chord)); // not the copying constructor
    CKVMsg staffSymbol(&ossia);
    EXPECT_EQ(GetParentStaffOfMsg(chord), &staff);
    EXPECT_EQ(GetParentStaffOfMsg(member), &staff);
    EXPECT_EQ(GetParentStaffOfMsg(staffSymbol), &ossia);

    CKVMsg loose;
    EXPECT_EQ(GetParentStaffOfMsg(loose), nullptr);

    CKVObject system;
    system.SetObjectType(OBJ_SYSTEM);
    CKVMsg systemSymbol(&system);
    EXPECT_EQ(GetParentStaffOfMsg(systemSymbol), nullptr);

    CKVMeas orphan;
    orphan.SetObjectType(OBJ_MEAS);
    CKVMsg orphanSymbol(&orphan);
    EXPECT_EQ(GetParentStaffOfMsg(orphanSymbol), nullptr);

    CKVMsg pageSymbol;
    pageSymbol.m_byParentKind = OBJ_PAGE;
    EXPECT_EQ(GetParentStaffOfMsg(pageSymbol), nullptr);
}

// ---- Diagnostic dump ----

TEST_F(TextHelpersTest, DumpAppendsToLogoFileInTheCurrentFolder)
{
    EXPECT_EQ(OutLogoText("ab"), 2);
    EXPECT_EQ(OutLogoText("cd"), 2);
    unsigned char bytes[] = {0x00, 0x01, 0xFF};
    EXPECT_EQ(OutLogoBuffer(bytes, 3), 3);
    EXPECT_EQ(ReadFile(TempDir() / "Logo.dat"), std::string("abcd\x00\x01\xFF", 7));
}

TEST_F(TextHelpersTest, DumpThatCannotOpenWritesNothing)
{
    std::filesystem::create_directory(TempDir() / "Logo.dat");
    EXPECT_EQ(OutLogoText("abc"), 3);
    unsigned char bytes[] = {1, 2};
    EXPECT_EQ(OutLogoBuffer(bytes, 2), 2);
    EXPECT_TRUE(std::filesystem::is_directory(TempDir() / "Logo.dat"));
}

} // namespace
