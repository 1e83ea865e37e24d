// The measure's hit-tests with the voice masks of the settings.

#include "support/SymbolFixtures.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class MeasHitTest : public kvtest::MeasureScoreTest {
protected:
    void SetUp() override
    {
        MeasureScoreTest::SetUp();
        for (SIZE& rest : Doc().m_sizeRest)
            rest = SIZE {16, 32};
    }
    void Masks(WORD e6) { Doc().m_CtrlTool.m_wE6 = e6; }

};

TEST_F(MeasHitTest, VoiceMasksHideNotesAndShowRests)
{
    CKVMsg* first = score->Note(meas, {.x = 0, .voice = 1});
    CKVMsg* second = score->Note(meas, {.x = 0, .voice = 2});
    CKVMsg* rest = score->Rest(meas, {.x = 128, .code = DUR_EIGHTH, .voice = 1});
    const POINT onNotes {10, 0};
    const POINT onRest {136, -10};

    Masks(0x01FF);
    EXPECT_EQ(meas->GetCtrlPointedMsg(onNotes, 0, kAllHandles, POINT {}), second);
    EXPECT_EQ(meas->GetCtrlPointedMsg(onNotes, 1, kAllHandles, POINT {}), first);

    Masks(0x00FE);
    EXPECT_EQ(meas->GetCtrlPointedMsg(onRest, 0, kAllHandles, POINT {}), nullptr);
    EXPECT_EQ(meas->GetCtrlPointedMsg(onRest, 1, kAllHandles, POINT {}), rest);

    // Voices outside 1 to 8 are never hidden.
    Masks(0xFFFF);
    first->m_byVoice = 0;
    EXPECT_EQ(meas->GetCtrlPointedMsg(onNotes, 0, kAllHandles, POINT {}), first);
    first->m_byVoice = 12;
    EXPECT_EQ(meas->GetCtrlPointedMsg(onNotes, 0, kAllHandles, POINT {}), first);
}

TEST_F(MeasHitTest, MidiEventsAreFoundOnlyWhileShown)
{
    CKVMsg* event = score->Symbol(meas, MSG_MIDI, 0, -30);
    CKVCtrlTool::m_bShowMidiEvent = 1;
    EXPECT_EQ(meas->GetCtrlPointedMsg(POINT {1, -30}, 0, kAllHandles, POINT {}), event);
    CKVCtrlTool::m_bShowMidiEvent = 0;
    EXPECT_EQ(meas->GetCtrlPointedMsg(POINT {1, -30}, 0, kAllHandles, POINT {}), nullptr);
}

TEST_F(MeasHitTest, PointedNoteIsFoundByItsHeadOnly)
{
    CKVMsg* note = score->Note(meas, {.x = 0, .code = DUR_QUARTER, .dots = 1});
    note->m_nLayout3 = 24;
    note->MakeMsgCtrlPoint();
    EXPECT_EQ(meas->GetPointedNoteMsg(POINT {10, 0}, 0), note);
    EXPECT_EQ(meas->GetPointedNoteMsg(POINT {40, -4}, 0), nullptr);
    EXPECT_EQ(meas->GetCtrlPointedMsg(POINT {40, -4}, 0, kAllHandles, POINT {}), note);
    EXPECT_EQ(note->m_cPointedCtrl, 2);
}

TEST_F(MeasHitTest, NearestHeadWinsAmongOverlappingNotes)
{
    score->Note(meas, {.x = 0, .y = 0});
    CKVMsg* upper = score->Note(meas, {.x = 0, .y = -8});
    EXPECT_EQ(meas->GetNoteMsg(POINT {10, -5}, 0), upper);
    EXPECT_EQ(meas->GetNoteMsg(POINT {100, -5}, 0), nullptr);
}

TEST_F(MeasHitTest, MissWithButtonUpClearsThePointedPosition)
{
    Doc().m_ptPointed = POINT {7, 9};
    EXPECT_EQ(meas->GetCtrlPointedMsg(POINT {200, 200}, 0, kAllHandles, POINT {}), nullptr);
    EXPECT_EQ(CPoint(Doc().m_ptPointed), CPoint(0, 0));
}

} // namespace
