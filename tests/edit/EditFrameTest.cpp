// The frame the selection commands run in (undo step, backup, the reached
// symbols each once, the modified flag) and the selection queries the host
// calls around it.

#include "edit/EditFrame.h"
#include "document/KVFileInfo.h"
#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

namespace {

using kvtest::CanonicalDump;

class EditFrameTest : public kvtest::SelectionTest {
protected:
    // The membership flags a measure walk gives chord and group members,
    // which undo's own walks would otherwise add afterwards.
    void Settle()
    {
        for (int staff = 0; staff < 2; ++staff) {
            for (int m = 0; m < 9; ++m)
                Meas(staff, m)->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
        }
    }

};

TEST_F(EditFrameTest, NothingSelectedStillOpensAStepAndMarksModified)
{
    score->Note(Meas(0, 0), {.x = 0, .y = -8});
    Doc().m_bModified = 0;
    const std::string before = CanonicalDump(Doc());
    Doc().SetNoteSize(0, 12);
    EXPECT_EQ(CanonicalDump(Doc()), before);
    EXPECT_EQ(Doc().m_bModified, 1);
    RECT redraw {1, 1, 1, 1};
    Doc().GetInvalidateRect(&redraw);
    EXPECT_TRUE(::IsRectEmpty(&redraw));
}

TEST_F(EditFrameTest, MemoryShortChangesNothingAndLeavesTheFlag)
{
    CKVMsg* note = score->Note(Meas(0, 0), {.x = 0, .y = -8});
    SelectMeas(0, 0);
    Doc().m_bModified = 0;
    const std::string before = CanonicalDump(Doc());
    host.freeBytes = 999999;
    host.ScriptAnswer(IDNO);
    Doc().SetNoteSize(0, 12);
    ASSERT_EQ(host.messageBoxes.size(), 1u);
    EXPECT_EQ(host.messageBoxes[0].text, "Out of Memory !!!");
    EXPECT_EQ(host.messageBoxes[0].type, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(CanonicalDump(Doc()), before);
    EXPECT_EQ(note->m_wSize, MSG_SIZE_NORMAL);
    EXPECT_EQ(Doc().m_bModified, 0);
}

TEST_F(EditFrameTest, WholeScoreWithoutUndoChangesNothing)
{
    score->Note(Meas(0, 0), {.x = 0, .y = -8});
    Doc().m_bBackupRecord = 0;
    Doc().m_bModified = 0;
    Doc().SelectAllPages();
    const std::string before = CanonicalDump(Doc());
    Doc().SetNoteSize(0, 12);
    EXPECT_EQ(CanonicalDump(Doc()), before);
    EXPECT_EQ(Doc().m_bModified, 0);
}

TEST_F(EditFrameTest, ASymbolUnderTwoRecordsIsReachedOnce)
{
    CKVMsg* note = score->Note(Meas(0, 0), {.x = 0, .y = -8});
    CKVMsg* other = score->Note(Meas(0, 0), {.x = 64, .y = -8, .voice = 2});
    SelectRect(Around(HitOf(note)));
    SelectMeas(0, 0);
    ASSERT_EQ(Records(), 2);
    CEditFrame frame(Doc());
    ASSERT_TRUE(frame.Open());
    // The backup put clones in place of the originals.
    CKVMeas* live = Doc().GetMeasure(0, 0, 0);
    const std::vector<CKVMsg*> all = frame.Collect(0);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0], live->GetMsg(0));
    EXPECT_EQ(all[1], live->GetMsg(1));
    EXPECT_NE(all[0], note);
    EXPECT_NE(all[1], other);
    // Later collections of the same command give nothing already given.
    EXPECT_TRUE(frame.CollectRecord(0, 0).empty());
    EXPECT_TRUE(frame.Collect(0).empty());
}

TEST_F(EditFrameTest, VoiceFilterReadsTheLowByte)
{
    CKVMsg note;
    note.m_byVoice = 2;
    EXPECT_TRUE(CEditFrame::VoiceMatches(note, 0));
    EXPECT_TRUE(CEditFrame::VoiceMatches(note, 0x102));
    EXPECT_FALSE(CEditFrame::VoiceMatches(note, 3));
    EXPECT_TRUE(CEditFrame::VoiceMatches(note, 0x100));
}

// A host that opened the step without backing up what the selection
// reaches: the collection backs each measure it hands a symbol of up before
// the command changes it, once, and not again under a staff the step holds.
TEST_F(EditFrameTest, ASymbolOfAMeasureTheStepDoesNotHoldIsBackedUpFirst)
{
    score->Note(Meas(0, 0), {.x = 0, .y = -8});
    score->Note(Meas(1, 1), {.x = 0, .y = -8});
    Settle();
    const std::string before = CanonicalDump(Doc());
    SelectMeas(0, 0);
    Doc().ResetBackup();
    CEditFrame frame(Doc());
    for (CKVMsg* msg : frame.Collect(0))
        msg->m_wSize = 12;
    const int entries = Doc().m_arrBackup.GetSize();
    EXPECT_EQ(entries, 1);
    frame.Close();
    Doc().MultiUndoStart();
    EXPECT_EQ(CanonicalDump(Doc()), before);

    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectStaff(1);
    Doc().ResetBackup();
    Doc().SelMeasBackup(1);
    const int staffEntries = Doc().m_arrBackup.GetSize();
    CEditFrame again(Doc());
    EXPECT_FALSE(again.Collect(0).empty());
    EXPECT_EQ(Doc().m_arrBackup.GetSize(), staffEntries);
}

TEST_F(EditFrameTest, AllPagesWalksTheLiveTreeWithMembers)
{
    CKVMsg* note = score->Note(Meas(0, 0), {.x = 0, .y = -8});
    CKVMsg* group = score->Beam(Meas(1, 2), {.x = 64, .code = DUR_EIGHTH});
    score->Note(group, {.x = 64, .y = -8, .code = DUR_EIGHTH});
    score->Note(group, {.x = 96, .y = -8, .code = DUR_EIGHTH});
    CKVMsg* chord = score->Chord(Meas(0, 4), {.x = 0}, {0, -16});
    Doc().SelectAllPages();
    CEditFrame frame(Doc());
    ASSERT_TRUE(frame.Open());
    // The live symbols, not the copies the undo step keeps.
    CKVMsg* liveChord = Doc().GetMeasure(4, 0, 0)->GetMsg(0);
    CKVMsg* liveGroup = Doc().GetMeasure(2, 1, 0)->GetMsg(0);
    const std::vector<CKVMsg*> expected {Doc().GetMeasure(0, 0, 0)->GetMsg(0), liveChord, liveChord->GetMsg(0),
                                         liveChord->GetMsg(1), liveGroup, liveGroup->GetMsg(0), liveGroup->GetMsg(1)};
    EXPECT_NE(expected[0], note);
    EXPECT_NE(liveChord, chord);
    EXPECT_NE(liveGroup, group);
    EXPECT_EQ(frame.Collect(0), expected);
    // Only the measures' own children.
    CEditFrame direct(Doc());
    EXPECT_EQ(direct.Collect(0, CEditFrame::Members::DirectOnly),
              (std::vector<CKVMsg*> {expected[0], liveChord, liveGroup}));
}

TEST_F(EditFrameTest, AllPagesGivesEveryLiveNoteTheSizeAndUndoesAsOneStep)
{
    score->Note(Meas(0, 0), {.x = 0, .y = -8});
    score->Note(Meas(1, 5), {.x = 64, .y = -16});
    score->Rest(Meas(0, 8), {.x = 0});
    // An earlier recorded edit: its step keeps copies under the same ids.
    SelectMeas(0, 0);
    Doc().SetNoteSize(0, 14);
    ASSERT_EQ(Doc().GetMeasure(0, 0, 0)->GetMsg(0)->m_wSize, 14);
    const std::string beforeAll = CanonicalDump(Doc());
    Doc().m_rcRedraw.SetRect(10, 20, 30, 40);
    Doc().SelectAllPages();
    kvtest::ExpectRoundTrip(Doc(), [&] { Doc().SetNoteSize(0, 12); });
    EXPECT_EQ(CRect(Doc().m_rcRedraw), CRect(10, 20, 30, 40));
    Doc().MultiRedoStart();
    CEditFrame::ForEachLiveMsg(Doc(), CEditFrame::Members::Included, [](CKVMeas&, CKVMsg& msg) {
        EXPECT_EQ(msg.m_wSize, msg.m_byKind == MSG_NOTE ? 12 : MSG_SIZE_NORMAL) << int(msg.m_byKind);
    });
    Doc().MultiUndoStart();
    EXPECT_EQ(CanonicalDump(Doc()), beforeAll);
    // The earlier edit is still its own step.
    Doc().MultiUndoStart();
    EXPECT_EQ(Doc().GetMeasure(0, 0, 0)->GetMsg(0)->m_wSize, MSG_SIZE_NORMAL);
}

TEST_F(EditFrameTest, SizeGoesToSelectedChordNotesOnly)
{
    CKVMsg* chord = score->Chord(Meas(0, 1), {.x = 0}, {0, -16});
    CKVMsg* rest = score->Rest(Meas(0, 1), {.x = 128});
    CKVMsg* elsewhere = score->Note(Meas(0, 2), {.x = 0, .y = -8});
    Settle();
    SelectMeas(0, 1);
    kvtest::ExpectRoundTrip(Doc(), [&] { Doc().SetNoteSize(0, 12); });
    CKVMeas* live = Doc().GetMeasure(1, 0, 0);
    ASSERT_NE(live, chord->m_pParent);
    CKVMsg* liveChord = live->GetMsg(0);
    CKVMsg* liveRest = live->GetMsg(1);
    ASSERT_EQ(liveChord->m_byKind, MSG_CHORD);
    EXPECT_EQ(liveChord->m_wSize, MSG_SIZE_NORMAL);
    for (short i = 0; i < liveChord->GetMsgNum(); ++i) {
        EXPECT_EQ(liveChord->GetMsg(i)->m_wSize, 12);
        EXPECT_GT(liveChord->GetMsg(i)->m_arrCtrlPoint.GetSize(), 0);
    }
    ASSERT_EQ(liveRest->m_byKind, MSG_REST);
    EXPECT_EQ(liveRest->m_wSize, MSG_SIZE_NORMAL);
    EXPECT_EQ(rest->m_wSize, MSG_SIZE_NORMAL);
    EXPECT_EQ(elsewhere->m_wSize, MSG_SIZE_NORMAL);
}

// --- Selection queries ------------------------------------------------------

TEST_F(EditFrameTest, AllPagesAndCurrentPageSelections)
{
    SelectMeas(0, 0);
    EXPECT_EQ(Doc().IsSelectAllPages(), 0);
    Doc().SelectAllPages();
    EXPECT_EQ(Doc().IsSelectAllPages(), 1);
    EXPECT_EQ(Records(), 1);

    Doc().SelectCurrentPage();
    EXPECT_EQ(Doc().IsSelectAllPages(), 0);
    ASSERT_EQ(Records(), 1);
    const SelRect& rec = *Record(0);
    EXPECT_EQ(rec.nKind, SelRect::kRect);
    EXPECT_EQ(rec.pPage, Page(0));
    const CKVFileInfo& info = *Doc().m_pFileInfo;
    const CRect print = Page(0)->m_rcPrint;
    EXPECT_EQ(CRect(rec.rect),
              CRect(-print.left, -print.top,
                    info.m_nLeftMargin + info.m_lPrintWidth + info.m_nRightMargin - print.left,
                    info.m_nTopMargin + info.m_lPrintHeight + info.m_nBottomMargin - print.top));
    EXPECT_EQ(Doc().IsSelected(), 1);
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    EXPECT_EQ(Doc().IsSelected(), 0);
}

TEST_F(EditFrameTest, RedrawRectangleEditModeAndBackupList)
{
    Doc().m_rcRedraw.SetRect(1, 2, 3, 4);
    Doc().m_bRedrawPending = 0;
    Doc().GetInvalidateRect(nullptr);
    RECT out {};
    Doc().GetInvalidateRect(&out);
    EXPECT_EQ(CRect(out), CRect(1, 2, 3, 4));
    EXPECT_EQ(Doc().m_bRedrawPending, 0);

    Doc().SetEditMode(0x12345);
    EXPECT_EQ(Doc().m_CtrlTool.m_wEditMode, 0x2345);
    EXPECT_EQ(Doc().m_dwEditMode, 0x2345u);

    EXPECT_EQ(Doc().GetCurrentBackupData(Meas(0, 0)), -1);
    CKVMeas* first[2] = {Meas(0, 0), nullptr};
    CKVMeas* second[2] = {Meas(0, 1), nullptr};
    Doc().m_arrCurBackup.Add(first);
    Doc().m_arrCurBackup.Add(second);
    EXPECT_EQ(Doc().GetCurrentBackupData(Meas(0, 1)), 1);
    EXPECT_EQ(Doc().GetCurrentBackupData(Meas(0, 2)), -1);
    Doc().m_arrCurBackup.RemoveAll();
}

} // namespace
