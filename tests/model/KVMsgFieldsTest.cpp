// Initial state of a new symbol and the composite flag constants.

#include "model/KVMsg.h"

#include <gtest/gtest.h>

TEST(KVMsgFields, NewSymbolStartsBlankWithDefaultLayout)
{
    CKVMsg msg;
    EXPECT_EQ(msg.m_byObjKind, OBJ_MSG);
    EXPECT_EQ(msg.m_byKind, 0);
    EXPECT_EQ(msg.m_byVoice, 0);
    EXPECT_EQ(msg.m_wSize, 16);
    EXPECT_EQ(msg.m_nLayout1, 0);
    EXPECT_EQ(msg.m_nLayout2, 0);
    EXPECT_EQ(msg.m_nLayout3, 4);
    EXPECT_EQ(msg.m_nLayout4, 3);
    EXPECT_EQ(msg.m_crColor, 0u);
    EXPECT_EQ(msg.m_cPointedCtrl, -1);
    EXPECT_EQ(msg.m_lHeight, 0);
    EXPECT_EQ(msg.m_wFlag, 0);
    EXPECT_EQ(msg.m_dwMsgId, 0u);
    EXPECT_EQ(msg.m_dwHostWord, 0u);
    EXPECT_FALSE(msg.m_bHeadShift);
    EXPECT_EQ(msg.m_arrAttachedId.GetSize(), 0);
    EXPECT_EQ(msg.m_pMainNote, nullptr);
    EXPECT_EQ(msg.m_pParent, nullptr);
    EXPECT_EQ(msg.m_pSystem, nullptr);
    EXPECT_EQ(msg.m_pHead, nullptr);
}

TEST(KVMsgFields, SubBeamBreakMaskHoldsExactlyTheThreeBreakBits)
{
    EXPECT_EQ(MSGFLAG_SUBBEAM_BREAKS,
              MSGFLAG_SUBBEAM_BREAK | MSGFLAG_SUBBEAM_BREAK1 | MSGFLAG_SUBBEAM_BREAK2);
    EXPECT_EQ(MSGFLAG_SUBBEAM_BREAKS & (MSGFLAG_TIE_START | MSGFLAG_BEAM_MEMBER | MSGFLAG_GRACE), 0);
}

TEST(KVMsgFields, MidiHeadDefaultsAndLayout)
{
    MidiNoteHead head;
    EXPECT_EQ(head.byVelocity, 100);
    EXPECT_EQ(head.byRelease, 64);
    EXPECT_EQ(MidiNoteHead::StartOffsetOffset + 4, MidiNoteHead::Size);
    EXPECT_EQ(MidiNoteHead::Size, 12);
}
