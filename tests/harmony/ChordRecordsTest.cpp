// Chord symbols: a new symbol, and the chord part of its record (suffix,
// fret board, rhythm flag and rhythm) that follows the symbol record.

#include "harmony/ChordSymbol.h"
#include "support/ChordSupport.h"
#include "support/KvTest.h"
#include "support/RecordBytes.h"

#include <gtest/gtest.h>

namespace {

using kvtest::AddRhythm;
using kvtest::Bytes;
using kvtest::MakeCSharpMinor7OverE;
using kvtest::RecordBuffer;

class ChordRecordsTest : public kvtest::KvTest {};

void SetCodes(CChordSurfix& surfix, std::initializer_list<BYTE> codes)
{
    CChordSurfixInfo info;
    for (BYTE code : codes)
        info.AddInfo(code);
    surfix.SetInfo(info);
}

// What the symbol writer packs into the node words, and the symbol reader
// hands back before the chord part is read.
void CarryNodeWords(const CChordSymbol& from, CChordSymbol& to)
{
    to.m_dwWord = static_cast<WORD>(from.m_nRoot) | (static_cast<DWORD>(static_cast<WORD>(from.m_nBass)) << 16);
    to.m_wObjWord = static_cast<WORD>(((from.m_bShowName & 0xFF) << 8) | (from.m_bShowFret & 0xFF));
}

Bytes WriteChordPart(CChordSymbol& chord)
{
    RecordBuffer out;
    EXPECT_EQ(chord.WriteToMem(out.data, &out.used, &out.capacity), 1);
    return out.Written();
}

int ReadChordPart(CChordSymbol& chord, const Bytes& bytes, DWORD* end = nullptr)
{
    return kvtest::ReadExact(
        bytes, [&](unsigned char* b, DWORD* p, DWORD* l) { return chord.ReadFromMem(b, p, l); }, end);
}

// The 44-byte record of an untouched embedded fret board.
Bytes EmptyFretBoardSymbolRecord()
{
    Bytes record(44, 0);
    record[0] = 0x46;
    record[2] = 0x10;
    record[14] = 0x03;
    record[18] = 0x04;
    return record;
}

const Bytes kEmptyBoardNodePart = {0x00, 0x00, 0xF0, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00};
const Bytes kEmptyShape = {0x00, 0x00, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0, 0, 0, 0, 0, 0, 0, 0};

TEST_F(ChordRecordsTest, NewSymbolIsAnEmptyCChordWithTheHostsDiagramSize)
{
    const CChordSymbol chord;
    EXPECT_EQ(chord.m_byKind, MSG_CHORDSYMBOL);
    EXPECT_EQ(chord.m_dwMsgId, 0u);
    EXPECT_EQ(chord.m_nRoot, 0);
    EXPECT_EQ(chord.m_nBass, 0);
    EXPECT_TRUE(chord.m_Surfix.GetRealName().IsEmpty());
    EXPECT_TRUE(chord.m_bShowName);
    EXPECT_FALSE(chord.m_bShowFret);
    EXPECT_EQ(chord.m_pRhythm, nullptr);
    EXPECT_EQ(chord.m_FretBoard.m_byKind, MSG_FRETBOARD);
    EXPECT_TRUE(chord.m_FretBoard.m_FretInfo.IsFretEmpty());
    EXPECT_STREQ(chord.m_FretBoard.m_szFace, "ZelvoraB");
    EXPECT_EQ(nChordFretPtSize, 240);
    EXPECT_EQ(chord.m_FretBoard.m_nSize, 240);

    nChordFretPtSize = 300;
    const CChordSymbol larger;
    EXPECT_EQ(larger.m_FretBoard.m_nSize, 300);
}

TEST_F(ChordRecordsTest, CSharpMinor7OverEWritesItsChordPart)
{
    CChordSymbol chord;
    MakeCSharpMinor7OverE(chord);
    const Bytes part = WriteChordPart(chord);
    const Bytes expected = kvtest::Concat({{0x02, 0x00, 0x6D, 0x37, 0x03, 0x03, 0x04, 0x03},
                                           EmptyFretBoardSymbolRecord(), kEmptyBoardNodePart, kEmptyShape,
                                           {0x00, 0x00}});
    ASSERT_EQ(expected.size(), 82u);
    EXPECT_EQ(part, expected);

    CChordSymbol back;
    CarryNodeWords(chord, back);
    DWORD end = 0;
    ASSERT_EQ(ReadChordPart(back, part, &end), 1);
    EXPECT_EQ(end, 82u);
    EXPECT_EQ(back.m_nRoot, 1);
    EXPECT_EQ(back.m_nBass, 7);
    EXPECT_TRUE(back.m_bShowName);
    EXPECT_FALSE(back.m_bShowFret);
    EXPECT_EQ(back.m_Surfix.GetRealName(), "m7");
    EXPECT_EQ(back.m_Surfix.GetShortName(), "m7");
    EXPECT_EQ(back.m_Surfix.m_strMain, "m7");
    const CChordSurfixInfo codes = back.m_Surfix.GetInfo();
    ASSERT_EQ(codes.GetSize(), 3);
    EXPECT_EQ(codes.GetAt(0), 3);
    EXPECT_EQ(codes.GetAt(1), 4);
    EXPECT_EQ(codes.GetAt(2), 3);
    EXPECT_EQ(back.m_FretBoard.m_nSize, 240);
    EXPECT_TRUE(back.m_FretBoard.m_FretInfo.IsFretEmpty());
    EXPECT_EQ(back.m_pRhythm, nullptr);
    // And it writes the same bytes again.
    EXPECT_EQ(WriteChordPart(back), part);
}

TEST_F(ChordRecordsTest, ShowFlagsComeFromEitherByteOfTheObjectWord)
{
    CChordSymbol chord;
    MakeCSharpMinor7OverE(chord);
    const Bytes part = WriteChordPart(chord);
    CChordSymbol back;
    back.m_dwWord = 0xFFFE0015; // bass -2 and root 21 as stored
    back.m_wObjWord = 0x0002;   // show-fret byte 2, show-name byte 0
    ASSERT_EQ(ReadChordPart(back, part), 1);
    EXPECT_EQ(back.m_nRoot, 21);
    EXPECT_EQ(back.m_nBass, -2);
    EXPECT_EQ(back.m_bShowFret, TRUE);
    EXPECT_EQ(back.m_bShowName, FALSE);
}

// After the chord part is read, the reader takes the codes of the
// dictionary's suffix of the same full name; the name stays.
TEST_F(ChordRecordsTest, DictionaryCodesReplaceTheStoredOnesByFullName)
{
    auto* entry = new CChordSurfix;
    entry->SetRealName("m7");
    SetCodes(*entry, {3, 4, 4});
    procChordSurfix.AddSurfix(entry);

    CChordSymbol chord;
    MakeCSharpMinor7OverE(chord);
    const Bytes part = WriteChordPart(chord);
    CChordSymbol back;
    CarryNodeWords(chord, back);
    ASSERT_EQ(ReadChordPart(back, part), 1);
    POSITION found = procChordSurfix.FindSurfixRealName(back.m_Surfix.GetRealName());
    ASSERT_NE(found, nullptr);
    back.m_Surfix.SetInfo(procChordSurfix.GetNextSurfix(found)->GetInfo());

    EXPECT_EQ(back.m_Surfix.GetRealName(), "m7");
    const CChordSurfixInfo codes = back.m_Surfix.GetInfo();
    ASSERT_EQ(codes.GetSize(), 3);
    EXPECT_EQ(codes.GetAt(2), 4);
    EXPECT_EQ(entry->GetInfo().GetSize(), 3); // the dictionary keeps its own
}

TEST_F(ChordRecordsTest, ARhythmFollowsItsFlag)
{
    CChordSymbol chord;
    MakeCSharpMinor7OverE(chord);
    AddRhythm(chord);
    const Bytes part = WriteChordPart(chord);

    const Bytes names = {3, 0, 'P', 'o', 'p', 6, 0, '8', ' ', 'b', 'e', 'a', 't',
                         8, 0, 'p', 'o', 'p', '8', '.', 'k', 'v', 'c'};
    const Bytes data = {0x2E, 0x00, 0x00, 0x00, 0x10, 0x00, 0x01, 0x00, 0xC0, 0x03, 0x01, 0x00, 0x00, 0x00,
                        0x10, 0x00, 0x00, 0x3C, 0x64, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
                        0x00, 0x00, 0x40, 0x00, 0x01, 0x00, 0x06, 0x00, 0x7F, 0x00, 0x00, 0x01, 0x00, 0x00};
    ASSERT_EQ(part.size(), 80u + 2u + 56u + names.size() + data.size());
    EXPECT_EQ(part[80], 0x01);
    EXPECT_EQ(part[81], 0x00);
    EXPECT_EQ(part[82], MSG_RHYTHM);
    EXPECT_EQ(Bytes(part.begin() + 138, part.begin() + 138 + static_cast<std::ptrdiff_t>(names.size())), names);
    EXPECT_EQ(Bytes(part.end() - static_cast<std::ptrdiff_t>(data.size()), part.end()), data);

    CChordSymbol back;
    CarryNodeWords(chord, back);
    ASSERT_EQ(ReadChordPart(back, part), 1);
    ASSERT_NE(back.m_pRhythm, nullptr);
    EXPECT_EQ(back.m_pRhythm->GetRtmPatName(), "8 beat");
    EXPECT_EQ(back.m_pRhythm->m_RtmData.m_bLoaded, 1);
    EXPECT_EQ(back.m_pRhythm->m_RtmData.m_arrPlayEvent.GetSize(), 0);
    EXPECT_EQ(back.m_pRhythm->m_RtmData.m_arrEvent.GetSize(), 1);
    EXPECT_EQ(WriteChordPart(back), part);

    // A failed rhythm leaves none behind.
    Bytes broken = part;
    broken[part.size() - data.size() + 14] = 0; // event stride 0
    CChordSymbol failed;
    EXPECT_EQ(ReadChordPart(failed, broken), 0);
    EXPECT_EQ(failed.m_pRhythm, nullptr);
}

TEST_F(ChordRecordsTest, EveryPrefixOfAChordPartFails)
{
    for (bool withRhythm : {false, true}) {
        SCOPED_TRACE(withRhythm ? "with rhythm" : "without rhythm");
        CChordSymbol chord;
        MakeCSharpMinor7OverE(chord);
        if (withRhythm)
            AddRhythm(chord);
        const Bytes part = WriteChordPart(chord);
        kvtest::ExpectEveryPrefixFails(part, [&](unsigned char* b, DWORD* p, DWORD* l) {
            CChordSymbol any;
            CarryNodeWords(chord, any);
            return any.ReadFromMem(b, p, l);
        });
    }
}

TEST_F(ChordRecordsTest, AFailedWriteLeavesThePosition)
{
    CChordSymbol chord;
    MakeCSharpMinor7OverE(chord);
    CChordSurfixInfo tooMany;
    for (int i = 0; i < 256; ++i)
        tooMany.AddInfo(2);
    chord.m_Surfix.SetInfo(tooMany);
    RecordBuffer out;
    EXPECT_EQ(chord.WriteToMem(out.data, &out.used, &out.capacity), 0);
    EXPECT_EQ(out.used, 0u);
}

// The reader reads a plain symbol first and hands its fields over.
TEST_F(ChordRecordsTest, APlainSymbolsFieldsPassToTheChordSymbolThatReplacesIt)
{
    CKVMsg plain;
    plain.m_byKind = MSG_CHORDSYMBOL;
    plain.m_nPosX = 64;
    plain.m_crColor = 0x00FF0000;
    plain.m_dwWord = 0x00070001;
    plain.m_wObjWord = 0x0100;
    CChordSymbol chord;
    chord = plain;
    EXPECT_EQ(chord.m_byKind, MSG_CHORDSYMBOL);
    EXPECT_EQ(chord.m_nPosX, 64);
    EXPECT_EQ(chord.m_crColor, 0x00FF0000u);
    EXPECT_EQ(chord.m_FretBoard.m_nSize, 240);

    CChordSymbol source;
    MakeCSharpMinor7OverE(source);
    ASSERT_EQ(ReadChordPart(chord, WriteChordPart(source)), 1);
    EXPECT_EQ(chord.m_nRoot, 1);
    EXPECT_EQ(chord.m_nBass, 7);
    EXPECT_EQ(chord.m_nPosX, 64);
}

// A chord-name text whose head is missing reads as far as there is text:
// none, so a C major chord, which without a dictionary has the empty name.
TEST_F(ChordRecordsTest, OlderChordNameWithoutItsHeadBecomesCMajor)
{
    CChordSymbol chord;
    chord.m_byKind = MSG_OLDCHORDNAME;
    chord.m_dwWord = 5;
    EXPECT_EQ(chord.MakeFromOldChordSymbol(), 1);
    EXPECT_EQ(chord.m_byKind, MSG_CHORDSYMBOL);
    EXPECT_EQ(chord.m_nRoot, 0);
    EXPECT_EQ(chord.m_nBass, 0);
    EXPECT_TRUE(chord.m_Surfix.GetRealName().IsEmpty());
}

} // namespace
