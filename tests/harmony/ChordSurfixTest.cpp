// Chord suffixes: the code string, the analysis of a name into the parts
// that drawing needs, the suffix record and the dictionary list.

#include "harmony/ChordSurfix.h"
#include "model/GlyphTables.h"
#include "support/KvTest.h"
#include "support/RecordBytes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kvtest::Bytes;
using kvtest::RecordBuffer;

class ChordSurfixTest : public kvtest::KvTest {};

CChordSurfix Named(const char* name)
{
    CChordSurfix surfix;
    surfix.SetRealName(name);
    return surfix;
}

std::string Str(const CString& text)
{
    return std::string(text.View());
}

// ---- Codes ----

TEST_F(ChordSurfixTest, CodesAnswer255OutsideAndCopyByValue)
{
    CChordSurfixInfo info;
    EXPECT_TRUE(info.IsEmpty());
    info.AddInfo(4);
    info.AddInfo(3);
    info.InsertHead(7);
    ASSERT_EQ(info.GetSize(), 3);
    EXPECT_EQ(info.GetAt(0), 7);
    EXPECT_EQ(info.GetAt(2), 3);
    EXPECT_EQ(info.GetAt(-1), 255);
    EXPECT_EQ(info.GetAt(info.GetSize()), 255);

    CChordSurfixInfo copy(info);
    CChordSurfixInfo assigned;
    assigned.AddInfo(1);
    assigned = info;
    info.Reset();
    EXPECT_TRUE(info.IsEmpty());
    EXPECT_EQ(copy.GetSize(), 3);
    EXPECT_EQ(assigned.GetSize(), 3);
    EXPECT_EQ(assigned.GetAt(1), 4);
}

// ---- Name analysis ----

struct NameCase {
    const char* name;
    const char* shortName;
    const char* main;
    const char* upper;
    const char* tension;
};

TEST_F(ChordSurfixTest, NamesSplitIntoMainRaisedAndTensionParts)
{
    const NameCase cases[] = {
        {"m~7", "m7", "m", "7", ""},
        {"~(b9)", "(b9)", "", "", "(b9)"},
        {"7~(b9,#11)", "7(b9,#11)", "7", "", "(b9,#11)"},
        {"~7(b9)", "7(b9)", "", "7(b9)", ""},     // not a tension group as a whole
        {"m~_7", "m7", "m", "7", ""},              // "~_" in a row stays raised
        {"m~7_sus", "m7sus", "msus", "7", ""},
        {"_m7", "m7", "m7", "", ""},
        {"dim", "dim", "dim", "", ""},
        {"(major)~7", "(major)7", "", "", ""},     // a major chord draws nothing
        {" (major)", " (major)", "", "", ""},
        {"", "", "", "", ""},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CChordSurfix surfix = Named(c.name);
        EXPECT_EQ(Str(surfix.GetRealName()), c.name);
        EXPECT_EQ(Str(surfix.GetShortName()), c.shortName);
        EXPECT_EQ(Str(surfix.m_strMain), c.main);
        EXPECT_EQ(Str(surfix.m_strUpper), c.upper);
        EXPECT_EQ(Str(surfix.m_strTension), c.tension);
    }
}

TEST_F(ChordSurfixTest, TensionsGiveAccidentalsAndDigits)
{
    const CChordSurfix one = Named("~(b9)");
    EXPECT_EQ(one.m_nTensionCount, 1);
    EXPECT_EQ(one.m_byTensionAcci[0], chordAcci[2]);
    EXPECT_EQ(one.m_byTensionNum[0][0], '9');
    EXPECT_EQ(one.m_byTensionNum[0][2], 1);

    const CChordSurfix two = Named("7~(b9,#11)");
    EXPECT_EQ(two.m_nTensionCount, 2);
    EXPECT_EQ(two.m_byTensionAcci[0], chordAcci[2]);
    EXPECT_EQ(two.m_byTensionAcci[1], chordAcci[1]);
    EXPECT_EQ(two.m_byTensionNum[1][0], '1');
    EXPECT_EQ(two.m_byTensionNum[1][1], '1');
    EXPECT_EQ(two.m_byTensionNum[1][2], 2);

    // Digits first: no accidental; a third digit is skipped.
    const CChordSurfix plain = Named("~(9,$131)");
    EXPECT_EQ(plain.m_nTensionCount, 2);
    EXPECT_EQ(plain.m_byTensionAcci[0], 0);
    EXPECT_EQ(plain.m_byTensionAcci[1], chordAcci[3]);
    EXPECT_EQ(plain.m_byTensionNum[1][0], '1');
    EXPECT_EQ(plain.m_byTensionNum[1][1], '3');
    EXPECT_EQ(plain.m_byTensionNum[1][2], 2);

    // At most three tensions are read.
    EXPECT_EQ(Named("~(9,11,13)").m_nTensionCount, 3);
    EXPECT_EQ(Named("~(9,11,13,b5)").m_nTensionCount, 3);

    // A new name derives everything again.
    CChordSurfix renamed = Named("7~(b9,#11)");
    renamed.SetRealName("m");
    EXPECT_EQ(renamed.m_nTensionCount, 0);
    EXPECT_TRUE(renamed.m_strTension.IsEmpty());
    EXPECT_EQ(Str(renamed.m_strMain), "m");
}

TEST_F(ChordSurfixTest, TensionGroupsAreBracketedDigitLists)
{
    const CChordSurfix surfix;
    for (const char* yes : {"(9)", "(b9,13)", "(#11)", "($5,9,13)"})
        EXPECT_TRUE(surfix.IsTension(yes)) << yes;
    for (const char* no : {"()", "(add9)", "(b)", "(9,)", "(,9)", "(bb9)", "9)", "(b9", "(9 )", ""})
        EXPECT_FALSE(surfix.IsTension(no)) << no;
}

// ---- The record ----

CChordSurfix WithCodes(const char* name, std::initializer_list<BYTE> codes)
{
    CChordSurfix surfix = Named(name);
    CChordSurfixInfo info;
    for (BYTE code : codes)
        info.AddInfo(code);
    surfix.SetInfo(info);
    return surfix;
}

int ReadSurfix(CChordSurfix& into, const Bytes& bytes, DWORD* end = nullptr)
{
    return kvtest::ReadExact(
        bytes, [&](unsigned char* b, DWORD* p, DWORD* l) { return into.ReadFromMem(b, p, l); }, end);
}

TEST_F(ChordSurfixTest, RecordIsCountedNameThenCountedCodes)
{
    CChordSurfix m7 = WithCodes("m~7", {3, 4, 3});
    RecordBuffer out;
    ASSERT_EQ(m7.WriteToMem(out.data, &out.used, &out.capacity), 1);
    EXPECT_EQ(out.Written(), (Bytes{0x03, 0x00, 'm', '~', '7', 0x03, 0x03, 0x04, 0x03}));

    CChordSurfix back;
    DWORD end = 0;
    ASSERT_EQ(ReadSurfix(back, out.Written(), &end), 1);
    EXPECT_EQ(end, 9u);
    EXPECT_EQ(Str(back.GetRealName()), "m~7");
    EXPECT_EQ(Str(back.GetShortName()), "m7");
    EXPECT_EQ(Str(back.m_strUpper), "7");
    ASSERT_EQ(back.GetInfo().GetSize(), 3);
    EXPECT_EQ(back.GetInfo().GetAt(2), 3);

    // Reading appends to the codes already held.
    ASSERT_EQ(ReadSurfix(back, out.Written()), 1);
    EXPECT_EQ(back.GetInfo().GetSize(), 6);
}

TEST_F(ChordSurfixTest, LongNamesAndFullCodeStringsRoundTrip)
{
    // Names far past the older 98-byte limit.
    const std::string longName(300, 'x');
    CChordSurfix surfix = Named(longName.c_str());
    CChordSurfixInfo info;
    for (int i = 0; i < 255; ++i)
        info.AddInfo(static_cast<BYTE>(i % 36));
    surfix.SetInfo(info);
    RecordBuffer out;
    ASSERT_EQ(surfix.WriteToMem(out.data, &out.used, &out.capacity), 1);
    EXPECT_EQ(out.used, 2u + 300u + 1u + 255u);

    CChordSurfix back;
    ASSERT_EQ(ReadSurfix(back, out.Written()), 1);
    EXPECT_EQ(Str(back.GetRealName()), longName);
    ASSERT_EQ(back.GetInfo().GetSize(), 255);
    EXPECT_EQ(back.GetInfo().GetAt(254), 254 % 36);
}

TEST_F(ChordSurfixTest, MoreThan255CodesFailTheWriteAndLeaveTheBuffer)
{
    CChordSurfix surfix = Named("m7");
    CChordSurfixInfo info;
    for (int i = 0; i < 256; ++i)
        info.AddInfo(1);
    surfix.SetInfo(info);
    RecordBuffer out;
    CChordSurfix first = WithCodes("7", {4, 3});
    ASSERT_EQ(first.WriteToMem(out.data, &out.used, &out.capacity), 1);
    const Bytes before = out.Written();
    EXPECT_EQ(surfix.WriteToMem(out.data, &out.used, &out.capacity), 0);
    EXPECT_EQ(out.Written(), before);
}

TEST_F(ChordSurfixTest, AppendsGrowTheBufferAndKeepEarlierRecords)
{
    RecordBuffer out;
    CChordSurfix m7 = WithCodes("m7", {3, 4, 3});
    const int records = 2000;
    for (int i = 0; i < records; ++i)
        ASSERT_EQ(m7.WriteToMem(out.data, &out.used, &out.capacity), 1);
    ASSERT_EQ(out.used, static_cast<DWORD>(records * 8));
    EXPECT_GE(out.capacity, out.used);
    const Bytes one = {0x02, 0x00, 'm', '7', 0x03, 0x03, 0x04, 0x03};
    const Bytes all = out.Written();
    for (int i = 0; i < records; i += 499)
        EXPECT_TRUE(std::equal(one.begin(), one.end(), all.begin() + i * 8)) << i;
}

TEST_F(ChordSurfixTest, ShortRecordsFailAndChangeNothing)
{
    const Bytes record = {0x02, 0x00, 'm', '7', 0x03, 0x03, 0x04, 0x03};
    kvtest::ExpectEveryPrefixFails(record, [](unsigned char* b, DWORD* p, DWORD* l) {
        CChordSurfix surfix;
        return surfix.ReadFromMem(b, p, l);
    });

    CChordSurfix held = WithCodes("7", {4, 3});
    DWORD end = 99;
    EXPECT_EQ(ReadSurfix(held, Bytes(record.begin(), record.end() - 1), &end), 0);
    EXPECT_EQ(end, 0u);
    EXPECT_EQ(Str(held.GetRealName()), "7");
    EXPECT_EQ(held.GetInfo().GetSize(), 2);
    // A name length past the end.
    EXPECT_EQ(ReadSurfix(held, Bytes{0xFF, 0xFF, 'm', 0x00}), 0);
    EXPECT_EQ(Str(held.GetRealName()), "7");
}

// ---- The dictionary ----

CChordSurfix* NewSurfix(const char* name)
{
    auto* surfix = new CChordSurfix;
    surfix->SetRealName(name);
    return surfix;
}

TEST_F(ChordSurfixTest, DictionaryKeepsFileOrderAndFindsIgnoringBlanks)
{
    CChordSurfixProc dictionary;
    CChordSurfix* spaced = NewSurfix("m 7");
    CChordSurfix* plain = NewSurfix("m7");
    CChordSurfix* raised = NewSurfix("M~7");
    dictionary.AddSurfix(spaced);
    dictionary.AddSurfix(plain);
    dictionary.AddSurfix(raised);

    std::vector<CChordSurfix*> order;
    for (POSITION pos = dictionary.GetFirstSurfixPos(); pos != nullptr;)
        order.push_back(dictionary.GetNextSurfix(pos));
    EXPECT_EQ(order, (std::vector<CChordSurfix*>{spaced, plain, raised}));

    // The first in file order wins; blanks never count; case does.
    POSITION found = dictionary.FindSurfixShortName("m7");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(dictionary.GetNextSurfix(found), spaced);
    found = dictionary.FindSurfixShortName(" M 7");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(dictionary.GetNextSurfix(found), raised);
    EXPECT_EQ(dictionary.FindSurfixShortName("mM7"), nullptr);

    // The full name keeps its marks.
    EXPECT_EQ(dictionary.FindSurfixRealName("M7"), nullptr);
    found = dictionary.FindSurfixRealName("M~7");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(dictionary.GetNextSurfix(found), raised);
}

TEST_F(ChordSurfixTest, DeletingTheCurrentSuffixClearsIt)
{
    CChordSurfixProc dictionary;
    CChordSurfix* first = NewSurfix("m");
    CChordSurfix* second = NewSurfix("7");
    dictionary.AddSurfix(first);
    dictionary.AddSurfix(second);
    dictionary.m_pCurSurfix = second;

    dictionary.DeleteAt(dictionary.FindSurfixRealName("m"));
    EXPECT_EQ(dictionary.m_pCurSurfix, second);
    dictionary.DeleteAt(dictionary.FindSurfixRealName("7"));
    EXPECT_EQ(dictionary.m_pCurSurfix, nullptr);
    EXPECT_EQ(dictionary.GetFirstSurfixPos(), nullptr);

    dictionary.AddSurfix(NewSurfix("9"));
    dictionary.AddSurfix(NewSurfix("11"));
    dictionary.m_pCurSurfix = dictionary.m_listSurfix.GetHead();
    dictionary.DeleteAllSurfixes();
    EXPECT_EQ(dictionary.m_pCurSurfix, nullptr);
    EXPECT_EQ(dictionary.GetFirstSurfixPos(), nullptr);
    // The destructor deletes what is left; the sanitizer checks for leaks.
    dictionary.AddSurfix(NewSurfix("13"));
}

TEST_F(ChordSurfixTest, ProcessDictionariesStartEmpty)
{
    procChordSurfix.AddSurfix(NewSurfix("m7"));
    procCustomSurfix.AddSurfix(NewSurfix("7"));
    ResetProcessState();
    EXPECT_EQ(procChordSurfix.GetFirstSurfixPos(), nullptr);
    EXPECT_EQ(procCustomSurfix.GetFirstSurfixPos(), nullptr);
    EXPECT_EQ(procChordSurfix.m_pCurSurfix, nullptr);
}

} // namespace
