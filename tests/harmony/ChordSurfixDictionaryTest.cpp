// The suffix dictionary: the code text, copies, searches and the current
// suffix, the host's list boxes and the dictionary file.

#include "harmony/ChordRtBsInfo.h"
#include "harmony/ChordSurfix.h"
#include "support/KvTest.h"
#include "support/RecordBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::string, std::vector<int>>>;

std::string Str(const CString& text)
{
    return std::string(text.View());
}

std::vector<int> Codes(const CChordSurfix& surfix)
{
    std::vector<int> codes;
    for (int i = 0; i < surfix.m_Info.GetSize(); ++i)
        codes.push_back(surfix.m_Info.GetAt(i));
    return codes;
}

Entries EntriesOf(CChordSurfixProc& dictionary)
{
    Entries entries;
    for (POSITION pos = dictionary.GetFirstSurfixPos(); pos;) {
        CChordSurfix* surfix = dictionary.GetNextSurfix(pos);
        entries.emplace_back(Str(surfix->GetRealName()), Codes(*surfix));
    }
    return entries;
}

CChordSurfix* Add(CChordSurfixProc& dictionary, const char* name, const char* codes = "")
{
    auto* surfix = new CChordSurfix;
    surfix->SetRealName(name);
    surfix->InfoFromString(codes);
    dictionary.AddSurfix(surfix);
    return surfix;
}

class ChordSurfixDictionaryTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        std::filesystem::create_directories(TempDir() / "prog");
        std::strcpy(szCurDirectory, (TempDir() / "prog").c_str());
    }

    // Writes prog/Chord/sfx.txt and reads it into the library's dictionary.
    int ReadText(const std::string& text)
    {
        WriteFile("prog/Chord/sfx.txt", text);
        return procChordSurfix.ReadSurfixInfos("Chord", "sfx.txt");
    }
    std::string WrittenText()
    {
        EXPECT_EQ(procChordSurfix.WriteSurfixInfos("Chord", "sfx.txt"), 1);
        return ReadFile(TempDir() / "prog/Chord/sfx.txt");
    }
};

// ---- Codes ----

TEST_F(ChordSurfixDictionaryTest, CodesAreBase36DigitsOneEach)
{
    CChordSurfix surfix;
    surfix.InfoFromString("43");
    EXPECT_EQ(Codes(surfix), (std::vector<int> {4, 3}));
    EXPECT_EQ(Str(surfix.StringFromInfo()), "43");
    surfix.InfoFromString("a*");
    EXPECT_EQ(Codes(surfix), (std::vector<int> {10, 255}));
    surfix.ResetInfo();
    surfix.m_Info.AddInfo(10);
    surfix.m_Info.AddInfo(40);
    EXPECT_EQ(Str(surfix.StringFromInfo()), "A*");

    // The copy keeps every derived part as it stands.
    CChordSurfix tension;
    tension.SetRealName("7~(b9,#11)");
    tension.InfoFromString("43A");
    const CChordSurfix copy(tension);
    EXPECT_EQ(copy.m_nTensionCount, 2);
    EXPECT_EQ(copy.m_byTensionNum[0][0], '9');
    EXPECT_EQ(copy.m_byTensionNum[1][0], '1');
    EXPECT_EQ(copy.m_byTensionNum[1][1], '1');
    EXPECT_EQ(Str(copy.m_strMain), "7");
    EXPECT_EQ(Codes(copy), Codes(tension));
}

TEST_F(ChordSurfixDictionaryTest, TooManyCodesAreCutToWhatARecordHolds)
{
    CChordSurfix surfix;
    surfix.SetRealName("long");
    surfix.InfoFromString(CString(std::string(300, '7')));
    EXPECT_EQ(surfix.m_Info.GetSize(), 255);
    kvtest::RecordBuffer buffer;
    EXPECT_EQ(surfix.WriteToMem(buffer.data, &buffer.used, &buffer.capacity), 1);
}

// ---- The dictionary file ----

TEST_F(ChordSurfixDictionaryTest, WritesNameCodesLinesAndReadsThemBack)
{
    Add(procChordSurfix, "m", "34");
    procChordSurfix.m_pCurSurfix = Add(procChordSurfix, "m~7", "343");
    EXPECT_EQ(WrittenText(), "m=34\r\nm~7=343\r\n");

    procChordSurfix.DeleteAllSurfixes();
    EXPECT_EQ(procChordSurfix.ReadSurfixInfos("Chord", "sfx.txt"), 1);
    EXPECT_EQ(EntriesOf(procChordSurfix), (Entries {{"m", {3, 4}}, {"m~7", {3, 4, 3}}}));
    EXPECT_EQ(procChordSurfix.m_pCurSurfix, nullptr);
}

TEST_F(ChordSurfixDictionaryTest, ReadingOddFiles)
{
    struct Case {
        std::string text;
        Entries entries;
    };
    const Case cases[] = {
        {"=12\r\n", {{"", {1, 2}}}},
        {"dim", {}},
        // A last line without CR keeps its codes.
        {"m=34\r\nsus4=52", {{"m", {3, 4}}, {"sus4", {5, 2}}}},
        {"m=34\rm7=343\r", {{"m", {3, 4}}, {"m7", {3, 4, 3}}}},
        {"m=", {{"m", {}}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadText(c.text), 1) << c.text;
        EXPECT_EQ(EntriesOf(procChordSurfix), c.entries) << c.text;
    }

    // Cut at each line end, a file gives the lines before the cut.
    const std::string whole = "m=34\r\nm~7=343\r\n7=43\r\n";
    const Entries all = {{"m", {3, 4}}, {"m~7", {3, 4, 3}}, {"7", {4, 3}}};
    size_t cut = 0;
    for (size_t lines = 0; lines <= all.size(); ++lines) {
        EXPECT_EQ(ReadText(whole.substr(0, cut)), 1);
        EXPECT_EQ(EntriesOf(procChordSurfix), Entries(all.begin(), all.begin() + lines));
        cut = whole.find('\n', cut) + 1;
    }
}

TEST_F(ChordSurfixDictionaryTest, FolderAndSizeFailures)
{
    // A missing folder is made, and the read fails with nothing read.
    Add(procChordSurfix, "m", "34");
    EXPECT_EQ(procChordSurfix.ReadSurfixInfos("Chord", "sfx.txt"), 0);
    EXPECT_TRUE(EntriesOf(procChordSurfix).empty());
    EXPECT_TRUE(std::filesystem::is_directory(TempDir() / "prog/Chord"));

    // The folder is taken from the program folder, wherever the current
    // directory was.
    std::filesystem::create_directories(TempDir() / "elsewhere");
    ASSERT_TRUE(SetCurrentDirectoryA((TempDir() / "elsewhere").c_str()));
    EXPECT_EQ(ReadText("m=34\r\n"), 1);
    EXPECT_EQ(EntriesOf(procChordSurfix).size(), 1u);

    // No dictionary is that large: refused, and left empty.
    EXPECT_EQ(ReadText(std::string(17u << 20, 'a') + "=1\r\n"), 0);
    EXPECT_TRUE(EntriesOf(procChordSurfix).empty());
}

TEST_F(ChordSurfixDictionaryTest, ReadWriteReadGivesTheSameDictionary)
{
    std::mt19937 random(33);
    const char alphabet[] = "=\r\nabcXYZ019~_ (#)*";
    std::string noise;
    for (int i = 0; i < 4096; ++i)
        noise += alphabet[random() % (sizeof alphabet - 1)];
    for (const std::string& text : {std::string("dim\r\nm=34\r\n7=A3\r\n\r\n=\r\n"), noise}) {
        EXPECT_EQ(ReadText(text), 1);
        const Entries first = EntriesOf(procChordSurfix);
        const std::string written = WrittenText();
        EXPECT_EQ(procChordSurfix.ReadSurfixInfos("Chord", "sfx.txt"), 1);
        EXPECT_EQ(EntriesOf(procChordSurfix), first);
        EXPECT_EQ(WrittenText(), written);
        if (text.size() < 100) {
            EXPECT_EQ(written, text);
        }
    }
}

// ---- Searches, copies and list boxes ----

TEST_F(ChordSurfixDictionaryTest, SearchesSetTheCurrentSuffix)
{
    CChordSurfixProc dictionary;
    CChordSurfix* spaced = Add(dictionary, "m 7", "343");
    Add(dictionary, "m7", "343");
    CChordSurfix* raised = Add(dictionary, "m~7", "343");
    EXPECT_EQ(dictionary.FindShortAndSetCurSurfix("m7"), spaced);
    EXPECT_EQ(dictionary.FindShortAndSetCurSurfix("maj9"), nullptr);
    EXPECT_EQ(dictionary.m_pCurSurfix, nullptr);
    EXPECT_EQ(dictionary.FindRealAndSetCurSurfix("m~7"), raised);
    POSITION pos = dictionary.FindSurfixRealName("m~7");
    dictionary.DeleteAt(pos);
    EXPECT_EQ(dictionary.m_pCurSurfix, nullptr);
}

TEST_F(ChordSurfixDictionaryTest, AssignmentCopiesDeeplyAndFollowsTheCurrentByName)
{
    CChordSurfixProc source;
    Add(source, "m", "34");
    CChordSurfix* m7 = Add(source, "m7", "343");
    source.m_pCurSurfix = m7;

    CChordSurfixProc target;
    Add(target, "old");
    target = source;
    EXPECT_EQ(EntriesOf(target), EntriesOf(source));
    ASSERT_NE(target.m_pCurSurfix, nullptr);
    EXPECT_NE(target.m_pCurSurfix, m7);
    EXPECT_EQ(Str(target.m_pCurSurfix->GetRealName()), "m7");

    m7->SetRealName("renamed");
    EXPECT_EQ(EntriesOf(target).back().first, "m7");

    source.m_pCurSurfix = nullptr;
    target = source;
    EXPECT_EQ(target.m_pCurSurfix, nullptr);

    const Entries before = EntriesOf(source);
    CChordSurfixProc& self = source;
    source = self;
    EXPECT_EQ(EntriesOf(source), before);
}

TEST_F(ChordSurfixDictionaryTest, ListBoxesShowAndPickTheSuffixes)
{
    CChordSurfixProc dictionary;
    Add(dictionary, "M~7", "434");
    CChordSurfix* m7 = Add(dictionary, "m~7", "343");
    CListBox list;
    EXPECT_EQ(dictionary.SetSurfixNamesToList(list), 1);
    ASSERT_EQ(list.GetCount(), 2);
    CString text;
    list.GetText(1, text);
    EXPECT_EQ(Str(text), "m7");

    list.SetCurSel(1);
    EXPECT_EQ(dictionary.GetCurSurfixFromListSel(list), 1);
    EXPECT_EQ(dictionary.m_pCurSurfix, m7);
    list.SetCurSel(-1);
    EXPECT_EQ(dictionary.GetCurSurfixFromListSel(list), -1);
    EXPECT_EQ(dictionary.m_pCurSurfix, nullptr);

    dictionary.m_pCurSurfix = m7;
    EXPECT_EQ(dictionary.SetCurSurfixSelInList(list), 1);
    EXPECT_EQ(list.GetCurSel(), 1);

    dictionary.m_pCurSurfix = nullptr;
    list.SetCurSel(-1);
    EXPECT_EQ(dictionary.SetCurSurfixSelInList(list), 0);
    EXPECT_EQ(list.GetCurSel(), 0);
    EXPECT_EQ(Str(dictionary.m_pCurSurfix->GetRealName()), "M~7");

    CListBox empty;
    dictionary.m_pCurSurfix = nullptr;
    EXPECT_EQ(dictionary.SetCurSurfixSelInList(empty), -1);
}

} // namespace
