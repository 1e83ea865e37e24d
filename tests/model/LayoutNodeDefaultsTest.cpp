// The values that a new system, staff, measure, block and page start with.
// The readers, the staff-set operations and the record writers rely on them
// (a measure's options byte 15 and marker 0xFFFF go into every record; a
// staff's voice bytes 127, 1, 1 into the staff record).

#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(LayoutNodeDefaults, SystemStartsWithOneEmptyMapSlotAndNoStaves)
{
    CKVSystem system;
    ASSERT_EQ(system.m_arrMsgMap.GetSize(), 1);
    EXPECT_EQ(system.m_arrMsgMap[0], nullptr);
    EXPECT_EQ(system.m_arrKey.GetSize(), 0);
    EXPECT_EQ(system.m_arrLargeKey.GetSize(), 0);
    EXPECT_EQ(system.m_arrLargeKeyValue.GetSize(), 0);
    EXPECT_EQ(system.m_pDoc, nullptr);
    EXPECT_EQ(system.m_dwTicksPerQuarter, 240u);
}

TEST(LayoutNodeDefaults, StaffIsANormalFiveLineStaffAtFullSize)
{
    CKVStaff staff;
    EXPECT_EQ(staff.m_wObjWord, 100);
    EXPECT_EQ(staff.m_byClefType, 1);
    EXPECT_EQ(staff.m_byStaffKind, CKVStaff::KIND_NORMAL);
    EXPECT_EQ(staff.m_byLineCount, 5);
    EXPECT_EQ(staff.m_byDisplayFlags, 15);
    EXPECT_EQ(staff.m_szName[0], '\0');
    EXPECT_EQ(staff.m_arrMeas.GetSize(), 0);
    EXPECT_EQ(staff.GetCurBackupObj(), nullptr);
    EXPECT_EQ(staff.IsCurrentObj(), 1);
    for (int voice = 0; voice < CKVStaff::VOICES; ++voice) {
        EXPECT_EQ(staff.m_byChannel[voice], 0) << voice;
        EXPECT_EQ(staff.m_byVoiceFirst[voice], 127) << voice;
        EXPECT_EQ(staff.m_byVoiceSecond[voice], 1) << voice;
        EXPECT_EQ(staff.m_byVoiceThird[voice], 1) << voice;
    }
    for (BYTE bracket : staff.m_byGroupBracket)
        EXPECT_EQ(bracket, 0);
}

TEST(LayoutNodeDefaults, MeasureIsAnOpenFourFourBarUntilInitialised)
{
    CKVMeas meas;
    EXPECT_EQ(meas.m_wMarker, 0xFFFF);
    EXPECT_EQ(meas.m_nLength, 1920);
    EXPECT_EQ(meas.m_nTimeNum, 4);
    EXPECT_EQ(meas.m_nTimeDen, 4);
    EXPECT_EQ(meas.m_byStartBar, CKVMeas::BAR_SINGLE);
    EXPECT_EQ(meas.m_byEndBar, CKVMeas::BAR_SINGLE);
    EXPECT_EQ(meas.m_byInitClef, 1);
    EXPECT_EQ(meas.m_byOptions, 15);
    EXPECT_EQ(meas.m_byEndingPos, CKVMeas::ENDING_NONE);
    EXPECT_EQ(meas.m_nRealWidth, 0);
    EXPECT_EQ(meas.m_nHeaderWidth, 0);
    EXPECT_EQ(meas.m_rcMeas, CRect(0, 0, 0, 0));
    EXPECT_EQ(meas.m_szTimeNumText[0], '\0');
    EXPECT_EQ(meas.m_szEndingText[0], '\0');
    for (WORD word : meas.m_wVoiceWord)
        EXPECT_EQ(word, 0x8000);
    EXPECT_EQ(meas.m_dwTrailWord1, 0u);
    EXPECT_EQ(meas.m_dwTrailWord2, 0u);
    EXPECT_EQ(meas.m_arrWalk.GetSize(), 0);
}

TEST(LayoutNodeDefaults, BlockAndPageStartEmpty)
{
    CKVBlock block;
    EXPECT_EQ(block.m_byKind, CKVBlock::KIND_NORMAL);
    EXPECT_EQ(block.m_pPage, nullptr);
    EXPECT_EQ(block.m_pSystem, nullptr);
    EXPECT_EQ(block.m_nFirstMeas, 0);
    EXPECT_EQ(block.m_nMeasCount, 0);
    EXPECT_EQ(block.m_nLeftIndent, 0);
    EXPECT_EQ(block.m_arrMeasX.GetSize(), 0);
    EXPECT_EQ(block.GetCurBackupObj(), nullptr);

    CKVPage page;
    EXPECT_EQ(page.m_arrBlock.GetSize(), 0);
    EXPECT_EQ(page.m_arrOssiaBlock.GetSize(), 0);
    EXPECT_EQ(page.m_arrMsg.GetSize(), 0);
    EXPECT_EQ(page.m_rcPrint, CRect(0, 0, 0, 0));
    EXPECT_EQ(page.m_pDoc, nullptr);
}
