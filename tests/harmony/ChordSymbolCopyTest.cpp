// Copies of chord symbols and of the parts they hold by value: suffix, fret
// board and rhythm pattern.

#include "harmony/ChordSymbol.h"
#include "support/KvTest.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class ChordSymbolCopyTest : public kvtest::KvTest {};

CRhythm* MakeRhythm(const char* pattern)
{
    auto* rhythm = new CRhythm;
    rhythm->m_strGrpName = "Latin";
    rhythm->m_RtmInfo.m_strPatName = pattern;
    rhythm->m_RtmInfo.m_strFileName = "bossa.kvc";
    auto* event = new RhythmEvent;
    event->byKey = 60;
    event->nTime = 256;
    rhythm->m_RtmData.m_arrEvent.Add(event);
    rhythm->m_RtmData.m_arrPlayEvent.Add(new RhythmEvent);
    auto* track = new RhythmTrack;
    track->byProgram = 33;
    rhythm->m_RtmData.m_arrTrack.Add(track);
    rhythm->m_RtmData.m_nMeasCount = 2;
    rhythm->m_RtmData.m_nMeasLength = 960;
    rhythm->m_RtmData.m_bLoaded = 1;
    return rhythm;
}

TEST_F(ChordSymbolCopyTest, AssignmentCopiesTheChordPartWithItsOwnRhythm)
{
    CChordSymbol source;
    source.m_nPosX = 40;
    source.m_nRoot = 9;
    source.m_nBass = 3;
    source.m_Surfix.SetRealName("7~(b9,#11)");
    source.m_Surfix.m_Info.AddInfo(4);
    source.m_FretBoard.m_FretInfo.m_byFret[0] = 3;
    source.m_FretBoard.m_nSize = 300;
    source.m_bShowName = FALSE;
    source.m_bShowFret = TRUE;
    source.m_pRhythm = MakeRhythm("Bossa");

    CChordSymbol copy;
    copy = source;
    EXPECT_EQ(copy.m_nPosX, 40);
    EXPECT_EQ(copy.m_nRoot, 9);
    EXPECT_EQ(copy.m_nBass, 3);
    EXPECT_EQ(copy.m_Surfix.GetRealName(), CString("7~(b9,#11)"));
    EXPECT_EQ(copy.m_Surfix.m_strMain, CString("7"));
    EXPECT_EQ(copy.m_Surfix.m_nTensionCount, 2);
    EXPECT_EQ(copy.m_Surfix.m_Info.GetAt(0), 4);
    EXPECT_EQ(copy.m_FretBoard.m_FretInfo.m_byFret[0], 3);
    EXPECT_EQ(copy.m_FretBoard.m_nSize, 300);
    EXPECT_EQ(copy.m_bShowName, FALSE);
    EXPECT_EQ(copy.m_bShowFret, TRUE);

    ASSERT_NE(copy.m_pRhythm, nullptr);
    ASSERT_NE(copy.m_pRhythm, source.m_pRhythm);
    const CRtmData& data = copy.m_pRhythm->m_RtmData;
    EXPECT_EQ(copy.m_pRhythm->GetRtmGrpName(), CString("Latin"));
    EXPECT_EQ(copy.m_pRhythm->GetRtmPatName(), CString("Bossa"));
    EXPECT_EQ(copy.m_pRhythm->GetRtmFileName(), CString("bossa.kvc"));
    EXPECT_EQ(data.m_nMeasCount, 2);
    EXPECT_EQ(data.m_nMeasLength, 960);
    EXPECT_EQ(data.m_bLoaded, 1);
    ASSERT_EQ(data.m_arrEvent.GetSize(), 1);
    EXPECT_NE(data.m_arrEvent.GetAt(0), source.m_pRhythm->m_RtmData.m_arrEvent.GetAt(0));
    EXPECT_EQ(data.m_arrEvent.GetAt(0)->nTime, 256);
    ASSERT_EQ(data.m_arrTrack.GetSize(), 1);
    EXPECT_EQ(data.m_arrTrack.GetAt(0)->byProgram, 33);
    // Play data is made per chord; a copy has none.
    EXPECT_EQ(data.m_arrPlayEvent.GetSize(), 0);

    // The copy does not share the pattern: changing one leaves the other.
    source.m_pRhythm->m_RtmData.m_arrEvent.GetAt(0)->nTime = 1;
    EXPECT_EQ(data.m_arrEvent.GetAt(0)->nTime, 256);
}

TEST_F(ChordSymbolCopyTest, ASourceWithoutRhythmTakesTheTargetsAway)
{
    CChordSymbol source;
    CChordSymbol target;
    target.m_pRhythm = MakeRhythm("Waltz");
    EXPECT_EQ(target.CreateFrom(&source), 1);
    EXPECT_EQ(target.m_pRhythm, nullptr);

    // An existing rhythm is reused and overwritten.
    source.m_pRhythm = MakeRhythm("Bossa");
    target.m_pRhythm = MakeRhythm("Waltz");
    CRhythm* kept = target.m_pRhythm;
    EXPECT_EQ(target.CreateFrom(&source), 1);
    EXPECT_EQ(target.m_pRhythm, kept);
    EXPECT_EQ(target.m_pRhythm->GetRtmPatName(), CString("Bossa"));
    EXPECT_EQ(target.m_pRhythm->m_RtmData.m_arrEvent.GetSize(), 1);
}

TEST_F(ChordSymbolCopyTest, CreateFromTakesOnlyTheChordPart)
{
    CChordSymbol source;
    source.m_nRoot = 4;
    source.m_nPosX = 99;
    CChordSymbol target;
    target.m_nPosX = 12;
    EXPECT_EQ(target.CreateFrom(&source), 1);
    EXPECT_EQ(target.m_nRoot, 4);
    EXPECT_EQ(target.m_nPosX, 12);

    // Only a chord symbol can be copied from.
    CKVMsg plain;
    plain.m_byKind = MSG_CHORDSYMBOL;
    EXPECT_EQ(target.CreateFrom(&plain), 0);
    EXPECT_EQ(target.m_nRoot, 4);
}

TEST_F(ChordSymbolCopyTest, RhythmAllocationFailureLeavesNoRhythm)
{
    CChordSymbol source;
    source.m_pRhythm = MakeRhythm("Bossa");
    CChordSymbol target;
    KvFailAllocationAfter(1);
    EXPECT_EQ(target.CreateFrom(&source), 0);
    KvFailAllocationAfter(0);
    EXPECT_EQ(target.m_pRhythm, nullptr);
}

TEST_F(ChordSymbolCopyTest, SuffixAssignmentDerivesTheDrawingPartsAgain)
{
    CChordSurfix source;
    source.SetRealName("m~7");
    source.m_Info.AddInfo(3);
    // Stale drawing parts are not what a copy takes.
    source.m_strUpper = "stale";
    CChordSurfix copy;
    copy.SetRealName("sus4");
    copy.m_Info.AddInfo(9);
    copy = source;
    EXPECT_EQ(copy.GetShortName(), CString("m7"));
    EXPECT_EQ(copy.m_strMain, CString("m"));
    EXPECT_EQ(copy.m_strUpper, CString("7"));
    ASSERT_EQ(copy.m_Info.GetSize(), 1);
    EXPECT_EQ(copy.m_Info.GetAt(0), 3);
}

TEST_F(ChordSymbolCopyTest, FretBoardAssignmentCopiesShapeSizeAndFace)
{
    CFretBoard source(180, "OtherFace");
    source.m_crColor = 0x123456;
    source.m_nPosY = -20;
    source.m_FretInfo.m_byBarre[0][1] = 5;
    source.m_FretInfo.m_nBaseFret = 7;
    CFretBoard copy;
    copy = source;
    EXPECT_EQ(copy.m_nSize, 180);
    EXPECT_STREQ(copy.m_szFace, "OtherFace");
    EXPECT_EQ(copy.m_crColor, 0x123456u);
    EXPECT_EQ(copy.m_nPosY, -20);
    EXPECT_EQ(copy.m_FretInfo.m_byBarre[0][1], 5);
    EXPECT_EQ(copy.m_FretInfo.m_nBaseFret, 7);
    EXPECT_EQ(copy.m_byKind, MSG_FRETBOARD);
}

} // namespace
