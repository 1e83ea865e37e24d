// Older chord texts (fret-diagram and chord-name kinds) and Encore chords
// turned into chord symbols.

#include "harmony/ChordRtBsInfo.h"
#include "harmony/ChordSymbol.h"
#include "KvcFile.h"
#include "support/CanonicalDump.h"
#include "support/KvTest.h"
#include "support/ScoreBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<int> Codes(const CChordSymbol& chord)
{
    std::vector<int> codes;
    for (int i = 0; i < chord.m_Surfix.m_Info.GetSize(); ++i)
        codes.push_back(chord.m_Surfix.m_Info.GetAt(i));
    return codes;
}

class ChordConvertTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        host.SetString(127, "FretShape.ini");
        host.SetString(131, "Chord");
        host.SetString(145, "ChordConv.ini");
        std::filesystem::create_directories(TempDir() / "prog/Chord");
        std::strcpy(szCurDirectory, (TempDir() / "prog").c_str());
        AddEntry("(major)", "43");
        AddEntry("m~7", "343");
        AddEntry("7", "433");
        AddEntry("7~(b9,#11)", "433");
    }

    static void AddEntry(const char* name, const char* codes)
    {
        auto* entry = new CChordSurfix;
        entry->SetRealName(name);
        entry->InfoFromString(codes);
        procChordSurfix.AddSurfix(entry);
    }

    void WriteConversionProfile(const std::string& text) { WriteFile("prog/Chord/ChordConv.ini", text); }

    static void MakeFretText(CChordSymbol& chord, const char* name)
    {
        tagFRETDATA fret;
        fret.dwInfo = 0x00050003;
        fret.byFret[0] = 7;
        fret.byNameLen = static_cast<BYTE>(std::strlen(name));
        std::memcpy(fret.szName, name, fret.byNameLen);
        chord.FretDataToMsg(fret);
    }
};

TEST_F(ChordConvertTest, OlderLettersGiveSpellingNumbers)
{
    CChordSymbol chord;
    EXPECT_EQ(chord.RootNoFromOldVersion(3, 2), 6);   // F flat is E
    EXPECT_EQ(chord.RootNoFromOldVersion(6, 1), 0);   // B sharp is C
    EXPECT_EQ(chord.RootNoFromOldVersion(0, 2), 16);  // C flat is B
    EXPECT_EQ(chord.RootNoFromOldVersion(6, 2), 15);
    EXPECT_EQ(chord.RootNoFromOldVersion(9, 0), 0);
    EXPECT_EQ(chord.RootNoFromOldVersion(-1, 1), 0);
}

TEST_F(ChordConvertTest, FretDiagramNamesSplitIntoRootBassAndSuffix)
{
    struct Row {
        const char* name;
        short root;
        short bass;
        const char* suffix;
        std::vector<int> codes;
    };
    const Row rows[] = {
        {"C#m7/E", 1, 7, "m~7", {3, 4, 3}},
        {"Am/", 13, 0, "m/", {4, 3}},
        {"A/b5", 13, 0, "/b5", {4, 3}},
        {"C/", 0, 0, "/", {4, 3}},
        {"Dbm/Db", 2, 0, "m", {4, 3}},
        {"Cm(b9)(+5)", 0, 0, "m~(b9)~(+5)", {4, 3}},
        // A '/' is a bass separator only when a note name follows it.
        {"Am7/b5", 13, 0, "m7/b5", {4, 3}},
        {"Am7/b5/G", 13, 11, "m7/b5", {4, 3}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CChordSymbol chord;
        MakeFretText(chord, row.name);
        ASSERT_EQ(chord.MakeFromOldChordSymbol(), 1);
        EXPECT_EQ(chord.m_byKind, MSG_CHORDSYMBOL);
        EXPECT_EQ(chord.m_nRoot, row.root);
        EXPECT_EQ(chord.m_nBass, row.bass);
        EXPECT_EQ(std::string(chord.m_Surfix.GetRealName()), row.suffix);
        EXPECT_EQ(Codes(chord), row.codes);
        EXPECT_TRUE(chord.m_bShowName);
        EXPECT_TRUE(chord.m_bShowFret);
        EXPECT_EQ(chord.m_wHeadLen, 0);
        EXPECT_EQ(chord.m_pHead, nullptr);
        EXPECT_EQ(chord.m_pRhythm, nullptr);
    }
}

TEST_F(ChordConvertTest, ConversionProfileRenamesOlderSuffixes)
{
    WriteConversionProfile("[ChordConv2.0->2.2]\r\nmi7=m~7\r\nxx=zz\r\n");
    CChordSymbol minor;
    MakeFretText(minor, "Cmi7");
    ASSERT_EQ(minor.MakeFromOldChordSymbol(), 1);
    EXPECT_EQ(std::string(minor.m_Surfix.GetRealName()), "m~7");
    EXPECT_EQ(Codes(minor), (std::vector<int>{3, 4, 3}));

    CChordSymbol other;
    MakeFretText(other, "Cxx");
    ASSERT_EQ(other.MakeFromOldChordSymbol(), 1);
    EXPECT_EQ(std::string(other.m_Surfix.GetRealName()), "zz");
    EXPECT_EQ(Codes(other), (std::vector<int>{4, 3}));

    CString missing = "none";
    EXPECT_EQ(other.ConvertSurfixFromOld(missing), 0);
    EXPECT_EQ(missing, CString("none"));
}

TEST_F(ChordConvertTest, NamelessFretDiagramStaysAsItIs)
{
    CChordSymbol chord;
    MakeFretText(chord, "");
    const std::vector<unsigned char> head(chord.m_pHead, chord.m_pHead + chord.m_wHeadLen);
    EXPECT_EQ(chord.MakeFromOldChordSymbol(), 0);
    EXPECT_EQ(chord.m_byKind, MSG_OLDFRET);
    EXPECT_EQ(std::vector<unsigned char>(chord.m_pHead, chord.m_pHead + chord.m_wHeadLen), head);
    EXPECT_EQ(chord.m_wDuration, 3);
}

TEST_F(ChordConvertTest, ChordNameTextsTakeTheirBassAndTensionGroup)
{
    CChordSymbol flat;
    ASSERT_EQ(flat.TextToKVMsg("Bb7/F"), 1);
    ASSERT_EQ(flat.MakeFromOldChordSymbol(), 1);
    EXPECT_EQ(flat.m_nRoot, 15);
    EXPECT_EQ(flat.m_nBass, 8);
    EXPECT_EQ(std::string(flat.m_Surfix.GetRealName()), "7");
    EXPECT_EQ(Codes(flat), (std::vector<int>{4, 3, 3}));
    EXPECT_TRUE(flat.m_bShowName);
    EXPECT_FALSE(flat.m_bShowFret);

    CChordSymbol plain;
    plain.TextToKVMsg("C");
    ASSERT_EQ(plain.MakeFromOldChordSymbol(), 1);
    EXPECT_EQ(plain.m_nBass, 0);
    EXPECT_EQ(std::string(plain.m_Surfix.GetRealName()), "(major)");
    EXPECT_EQ(Codes(plain), (std::vector<int>{4, 3}));

    CChordSymbol tensions;
    tensions.TextToKVMsg("C7(b9,#11)/E");
    ASSERT_EQ(tensions.MakeFromOldChordSymbol(), 1);
    EXPECT_EQ(std::string(tensions.m_Surfix.GetRealName()), "7~(b9,#11)");
    EXPECT_EQ(tensions.m_nBass, 7);

    // A D chord over bass letter 9, which no letter has, is over C.
    CChordSymbol odd;
    odd.TextToKVMsg("D");
    unsigned char head[] = {9};
    odd.SetHead(1, head);
    odd.m_dwWord = 0;
    odd.m_nPosX2 = 0;
    ASSERT_EQ(odd.MakeFromOldChordSymbol(), 1);
    EXPECT_EQ(odd.m_nRoot, 3);
    EXPECT_EQ(odd.m_nBass, 1);
}

TEST_F(ChordConvertTest, ShortHeadsAreReadOnlyAsFarAsTheyGo)
{
    // The text claims 200 bytes; three are there and no bass byte follows.
    CChordSymbol cut;
    cut.TextToKVMsg("C");
    unsigned char three[] = {'m', '7', 'x'};
    cut.SetHead(3, three);
    cut.m_dwWord = 200;
    cut.m_nPosX2 = 0;
    ASSERT_EQ(cut.MakeFromOldChordSymbol(), 1);
    EXPECT_EQ(std::string(cut.m_Surfix.GetRealName()), "m7x");
    EXPECT_EQ(cut.m_nBass, 0);

    // Five pieces claimed, one there, then a piece running past the end.
    CChordSymbol pieces;
    pieces.TextToKVMsg("C");
    unsigned char bytes[] = {'7', 2, 'b', '9', 40, '#'};
    pieces.SetHead(sizeof(bytes), bytes);
    pieces.m_dwWord = 1;
    pieces.m_nPosY2 = 5;
    pieces.m_nPosX2 = 0;
    ASSERT_EQ(pieces.MakeFromOldChordSymbol(), 1);
    EXPECT_EQ(std::string(pieces.m_Surfix.GetShortName()), "7(b9)");
    // The head ended among the pieces, so there is no bass byte either.
    EXPECT_EQ(pieces.m_nBass, 0);

    CChordSymbol negative;
    negative.TextToKVMsg("C");
    negative.m_nPosY2 = -3;
    ASSERT_EQ(negative.MakeFromOldChordSymbol(), 1);
    EXPECT_EQ(std::string(negative.m_Surfix.GetRealName()), "(major)");
}

TEST_F(ChordConvertTest, OlderSuffixTextsSortTheirBracketedParts)
{
    CChordSymbol chord;
    CString text = "m(b9)(+5)(add2)";
    chord.AnalyzeOldSurfixName(text);
    EXPECT_EQ(std::string(chord.m_Surfix.GetRealName()), "m(add2)~(b9)~(+5)");

    text = "7(Major)(b9)";
    chord.AnalyzeOldSurfixName(text);
    EXPECT_EQ(std::string(chord.m_Surfix.GetRealName()), "");

    // A second tension group is kept with the raised parts, not dropped.
    text = "7(b9)(#11)";
    chord.AnalyzeOldSurfixName(text);
    EXPECT_EQ(std::string(chord.m_Surfix.GetRealName()), "7(#11)~(b9)");
}

TEST_F(ChordConvertTest, EncoreChordsTakeTheProfileNameAndCodes)
{
    WriteConversionProfile("[Enc4.1->Kvc2.2]\r\nmin7=m7\\34\r\nmaj=\r\n");
    auto make = [](short root, short rootAcc, short bass, short bassAcc, const char* suffix, WORD diagram = 0) {
        auto owned = std::make_unique<CChordSymbol>();
        CChordSymbol& chord = *owned;
        chord.m_nRoot = root;
        chord.m_nPosX2 = rootAcc;
        chord.m_nBass = bass;
        chord.m_nPosY2 = bassAcc;
        chord.m_wHeadType = diagram;
        chord.m_nPosY = -40;
        EXPECT_EQ(chord.MakeFromEncChordSymbol(suffix), 1);
        EXPECT_EQ(chord.m_byKind, MSG_CHORDSYMBOL);
        return owned;
    };
    auto minor = make(0, 0, -1, 0, "min7");
    EXPECT_EQ(std::string(minor->m_Surfix.GetRealName()), "m7");
    EXPECT_EQ(Codes(*minor), (std::vector<int>{3, 4}));
    EXPECT_FALSE(minor->m_bShowFret);
    EXPECT_EQ(minor->m_nPosY, -40);

    auto unknown = make(0, 0, -1, 0, "xyz");
    EXPECT_EQ(std::string(unknown->m_Surfix.GetRealName()), "xyz");
    EXPECT_EQ(Codes(*unknown), (std::vector<int>{4, 3}));

    auto plainMajor = make(0, 0, -1, 0, "maj");
    EXPECT_EQ(std::string(plainMajor->m_Surfix.GetRealName()), "(major)");
    EXPECT_EQ(Codes(*plainMajor), (std::vector<int>{4, 3}));

    EXPECT_EQ(make(0, 0, 0, 0, "maj")->m_nBass, 0);
    auto spelled = make(6, 2, 3, 1, "maj");
    EXPECT_EQ(spelled->m_nRoot, 15);
    EXPECT_EQ(spelled->m_nBass, 9);

    auto diagram = make(0, 0, -1, 0, "maj", 1);
    EXPECT_TRUE(diagram->m_bShowFret);
    EXPECT_EQ(diagram->m_nPosY, -64);
}

// Converted chords take their diagram from the shape profile: the section
// is the suffix's short name, the key the root (and bass) spelling.
TEST_F(ChordConvertTest, ConvertedChordsTakeTheirShapeFromTheShapeProfile)
{
    WriteFile("prog/Chord/FretShape.ini", "[~0m7]\r\nC#/E=154232,50000000,4\r\n"
                                          "[~07]\r\nA#/F=135353,00000000,0\r\n"
                                          "[~0(major)]\r\nC=154232,00000000,0\r\n");
    WriteConversionProfile("[Enc4.1->Kvc2.2]\r\nmaj=\r\n");
    auto shape = [](const CChordSymbol& chord) {
        CString line;
        chord.m_FretBoard.m_FretInfo.FretInfoToLineString(line);
        return std::string(line);
    };

    CChordSymbol fret;
    MakeFretText(fret, "C#m7/E");
    ASSERT_EQ(fret.MakeFromOldChordSymbol(), 1);
    EXPECT_EQ(shape(fret), "154232,50000000,4");

    CChordSymbol text;
    ASSERT_EQ(text.TextToKVMsg("Bb7/F"), 1);
    ASSERT_EQ(text.MakeFromOldChordSymbol(), 1);
    EXPECT_EQ(shape(text), "135353,00000000,0");

    // A chord the profile has no key for keeps the empty shape.
    CChordSymbol unknown;
    MakeFretText(unknown, "Dm7");
    ASSERT_EQ(unknown.MakeFromOldChordSymbol(), 1);
    EXPECT_TRUE(unknown.m_FretBoard.m_FretInfo.IsFretEmpty());

    CChordSymbol encore;
    encore.m_wHeadType = 1;
    ASSERT_EQ(encore.MakeFromEncChordSymbol("maj"), 1);
    EXPECT_TRUE(encore.m_bShowFret);
    EXPECT_EQ(shape(encore), "154232,00000000,0");

    // ReadFretInfo looks the chord up by the suffix's short name.
    CChordSymbol chord;
    chord.m_nRoot = 1;
    chord.m_nBass = 7;
    chord.m_Surfix.SetRealName("m~7");
    const CString profile = (TempDir() / "prog/Chord/FretShape.ini").c_str();
    EXPECT_EQ(chord.ReadFretInfo(profile), 1);
    EXPECT_EQ(shape(chord), "154232,50000000,4");
    chord.m_nBass = 0;
    EXPECT_EQ(chord.ReadFretInfo(profile), 0);
}

// Older texts in a saved score come back as chord symbols when it loads;
// a nameless diagram stays as it was.
TEST_F(ChordConvertTest, OlderTextsOfAScoreFileLoadAsChordSymbols)
{
    kvtest::ScoreBuilder b({.measures = 3, .pageGeometry = true});
    CKVMsg* fret = b.Symbol(b.Meas(0, 0), MSG_OLDFRET, 10, -40);
    tagFRETDATA data;
    data.byNameLen = 6;
    std::memcpy(data.szName, "C#m7/E", 6);
    fret->FretDataToMsg(data);
    b.Symbol(b.Meas(0, 1), MSG_OLDCHORDNAME, 10, -40)->TextToKVMsg("Bb7/F");
    CKVMsg* nameless = b.Symbol(b.Meas(0, 2), MSG_OLDFRET, 10, -40);
    nameless->FretDataToMsg(tagFRETDATA {});
    const std::vector<unsigned char> namelessHead(nameless->m_pHead, nameless->m_pHead + nameless->m_wHeadLen);
    b.Settle();

    auto roundTrip = [](CKVDoc& source, CKVDoc& target) {
        CMemFile file;
        EXPECT_EQ(kvorel::WriteKvcFile(&file, source), 1);
        file.SeekToBegin();
        WORD version = 0;
        bool hostBlock = false;
        EXPECT_EQ(kvorel::ReadKvcFile(&file, target, version, hostBlock), kvorel::KvcReadResult::Read);
    };
    CKVDoc loaded;
    roundTrip(b.Doc(), loaded);
    CKVStaff* staff = loaded.GetStaff(0, 0);
    ASSERT_NE(staff, nullptr);
    auto onlyMsg = [&](int meas) -> CKVMsg* {
        CKVMeas* m = staff->GetMeas(meas);
        return m ? m->GetMsg(0) : nullptr;
    };
    auto* first = dynamic_cast<CChordSymbol*>(onlyMsg(0));
    auto* second = dynamic_cast<CChordSymbol*>(onlyMsg(1));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    for (CChordSymbol* chord : {first, second}) {
        EXPECT_EQ(chord->m_byKind, MSG_CHORDSYMBOL);
        EXPECT_EQ(chord->m_arrCtrlPoint.GetSize(), 3);
        EXPECT_EQ(chord->m_arrMsgRef.GetSize(), 0);
        EXPECT_EQ(chord->m_wHeadLen, 0);
    }
    EXPECT_EQ(first->m_nRoot, 1);
    EXPECT_EQ(first->m_nBass, 7);
    EXPECT_EQ(std::string(first->m_Surfix.GetRealName()), "m~7");
    EXPECT_TRUE(first->m_bShowFret);
    EXPECT_EQ(second->m_nRoot, 15);
    EXPECT_EQ(second->m_nBass, 8);
    EXPECT_EQ(Codes(*second), (std::vector<int>{4, 3, 3}));
    EXPECT_FALSE(second->m_bShowFret);
    CKVMsg* kept = onlyMsg(2);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->m_byKind, MSG_OLDFRET);
    EXPECT_EQ(std::vector<unsigned char>(kept->m_pHead, kept->m_pHead + kept->m_wHeadLen), namelessHead);

    CKVDoc again;
    roundTrip(loaded, again);
    EXPECT_EQ(kvtest::CanonicalDump(again), kvtest::CanonicalDump(loaded));
}

} // namespace
