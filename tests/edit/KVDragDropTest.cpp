// Dragging marked music and dropping it at the cursor: what the drag packs,
// where the dropped music lands and the caret goes, a move undone in one
// step, drops that find nowhere to go, and the measure operations the paste
// relies on.

#include "support/CanonicalDump.h"
#include "support/ClipboardSupport.h"
#include "support/UndoSupport.h"

#include "LittleEndian.h"
#include "document/RecordIO.h"
#include "edit/PasteState.h"
#include "model/DrumTable.h"
#include "model/KVBlock.h"
#include "model/KVStaff.h"
#include "support/DrumKit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

using kvtest::ImageBuffer;

constexpr int kCopy = 0;
constexpr int kMove = 1;

class DragDropTest : public kvtest::ClipboardTest {
protected:
    int Drag(int move = kCopy, unsigned char voice = 0) { return Doc().SelRectMouseDrag(voice, move); }
    int Drop(int overwrite = 0, int autoBeam = 0) { return Doc().SelRectMouseDrop(0, overwrite, autoBeam); }

    std::vector<short> StartTimes(CKVMeas* m)
    {
        std::vector<short> times;
        for (CKVMsg* msg : Timed(m))
            times.push_back(msg->m_nStartTime);
        return times;
    }

    // Measure 1 of staff 0, filled, as a source system of three equal staves.
    std::unique_ptr<CKVSystem> ThreeStaffSource()
    {
        FillMeasure(Meas(0, 1));
        SelectMeas(0, 1);
        ImageBuffer image;
        EXPECT_GT(Copy(image), 8u);
        auto temp = std::unique_ptr<CKVSystem>(kvclip::NewTempSystem(Doc()));
        DWORD pos = 0;
        EXPECT_EQ(temp->Construct(image.data, pos, image.size), 1);
        CKVStaff* model = temp->GetStaff(0);
        for (int i = 0; model && i < 2; ++i) {
            CKVStaff* extra = kvclip::NewStaff(*temp, *model, false);
            EXPECT_NE(extra, nullptr);
            CKVMeas* meas = extra ? kvclip::NewMeas(*extra, *model->GetMeas(0)) : nullptr;
            EXPECT_NE(meas, nullptr);
            if (!meas)
                break;
            extra->m_arrMeas.Add(meas);
            model->GetMeas(0)->CopyToSelRect(meas, 0, CRect(), 0, 0);
        }
        Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
        return temp;
    }

    // Four quarters from x 0: a full 4/4 measure.
    void FillWhole(CKVMeas* m)
    {
        for (int i = 0; i < 4; ++i)
            Note(m, {.x = static_cast<short>(64 * i)});
        m->UpdateStartTime(1, 0, 0, 0);
    }
};

TEST_F(DragDropTest, ADragPacksOnlyWhatHoldsMusicLaidOutAsAClipboardImage)
{
    EXPECT_EQ(Drag(), 0);
    EXPECT_EQ(Doc().m_pDragImage, nullptr);

    SelectMeas(0, 2);
    EXPECT_EQ(Drag(), 0);
    EXPECT_EQ(Doc().m_pDragImage, nullptr);

    FillMeasure(Meas(0, 1));
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectMeas(0, 1);
    ImageBuffer clip;
    ASSERT_GT(Copy(clip), 8u);
    ASSERT_EQ(Drag(), 1);
    const BYTE* image = Doc().m_pDragImage;
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(std::memcmp(image + 4, "STAF", 4), 0);
    // The same selection gives the clipboard the same bytes.
    ASSERT_EQ(GetDword(image), clip.size);
    EXPECT_EQ(std::memcmp(image, clip.data, clip.size), 0);

    // A rectangle that names no page is taken on the current page.
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    const POINT hit = HitOf(Timed(Meas(0, 1))[0]);
    SelectRect(Around(hit));
    Record(0)->pPage = nullptr;
    EXPECT_EQ(Drag(), 1);
    Doc().m_pCurPage = nullptr;
    DropAllPages();
    EXPECT_EQ(Drag(), 0);
    EXPECT_EQ(Doc().m_pDragImage, nullptr);
}

TEST_F(DragDropTest, TheCaretFollowsTheDroppedMusic)
{
    FillMeasure(Meas(0, 1));
    SelectMeas(0, 1);
    ASSERT_EQ(Drag(), 1);
    CursorAt(0, 5);
    Doc().m_bRedrawPending = 1;
    Doc().m_bModified = 0;
    ASSERT_EQ(Drop(), 1);
    EXPECT_EQ(StartTimes(Meas(0, 5)), (std::vector<short> {0, 240, 480}));
    EXPECT_EQ(Doc().m_nCaretMeasNum, 6);
    EXPECT_EQ(Doc().m_nCaretPos, 192);
    EXPECT_EQ(Doc().m_pDragImage, nullptr);
    EXPECT_TRUE(Doc().m_bModified);
    EXPECT_FALSE(Doc().m_bRedrawPending);
    EXPECT_EQ(Drop(), 0);

    // A measure filled to its end sends the caret to the start of the next.
    FillWhole(Meas(0, 3));
    SelectMeas(0, 3);
    ASSERT_EQ(Drag(), 1);
    CursorAt(1, 5);
    ASSERT_EQ(Drop(), 1);
    EXPECT_EQ(Timed(Meas(1, 5)).size(), 4u);
    EXPECT_EQ(Doc().m_nCaretMeasNum, 7);
    EXPECT_EQ(Doc().m_nCaretPos, 0);
}

TEST_F(DragDropTest, LeadingEmptyMeasuresOfAStaffAreNotCarried)
{
    FillMeasure(Meas(1, 2));
    Note(Meas(1, 3), {.x = 0}, 50);
    Meas(1, 3)->UpdateStartTime(1, 0, 0, 0);
    SelectStaff(1);
    ASSERT_EQ(Drag(), 1);
    CursorAt(1, 4);
    ASSERT_EQ(Drop(), 1);
    EXPECT_EQ(kvtest::PasteView(Doc(), 1, 1, 4, 2), kvtest::PasteView(Doc(), 1, 1, 2, 2));
    EXPECT_EQ(Timed(Meas(1, 4)).size(), 3u);
    EXPECT_EQ(Timed(Meas(1, 5)).size(), 1u);
}

TEST_F(DragDropTest, AMoveOrACopyIsUndoneInOneStep)
{
    for (int move : {kMove, kCopy}) {
        SCOPED_TRACE(move ? "move" : "copy");
        FillMeasure(Meas(0, 1));
        kvtest::ExpectRoundTrip(Doc(), [&] {
            SelectMeas(0, 1);
            ASSERT_EQ(Drag(move), 1);
            CursorAt(1, move ? 4 : 7);
            ASSERT_EQ(Drop(), 1);
        });
        EXPECT_EQ(Timed(Meas(0, 1)).size(), move ? 0u : 3u);
        EXPECT_EQ(Timed(Meas(1, move ? 4 : 7)).size(), 3u);
        Doc().ResetBackup();
    }
}

TEST_F(DragDropTest, ADropWithNowhereToGoKeepsTheImage)
{
    FillMeasure(Meas(0, 1));
    SelectMeas(0, 1);
    ASSERT_EQ(Drag(), 1);
    const std::string before = kvtest::CanonicalDump(Doc());
    Doc().m_pCurBlock = nullptr;
    Doc().m_nCurBlock = 99;
    EXPECT_EQ(Drop(), 0);
    EXPECT_NE(Doc().m_pDragImage, nullptr);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);

    // A staff index the block does not have.
    CursorAt(0, 4);
    Doc().m_nCurStaff = 7;
    EXPECT_EQ(Drop(), 0);
    EXPECT_NE(Doc().m_pDragImage, nullptr);

    // An image that cannot be read is given up.
    CursorAt(0, 4);
    PutDword(Doc().m_pDragImage, 3);
    EXPECT_EQ(Drop(), 0);
    EXPECT_EQ(Doc().m_pDragImage, nullptr);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
}

TEST_F(DragDropTest, BlockAndStaffPasteTakeWhatTheTargetHolds)
{
    // A source of three staves at block staff 1 of a two-staff block: one.
    const std::unique_ptr<CKVSystem> temp = ThreeStaffSource();
    ASSERT_EQ(temp->GetStaffNum(), 3);
    CKVStaff* model = temp->GetStaff(0);
    CKVBlock* block = Block(1);
    const std::string staff0 = kvtest::PasteView(Doc(), 0, 1, 0, 9);
    EXPECT_EQ(block->Paste(temp.get(), 0, 0, 1, block->m_nFirstMeas, 0, 0, 1), 1);
    EXPECT_EQ(Timed(Meas(1, block->m_nFirstMeas)).size(), 3u);
    EXPECT_EQ(kvtest::PasteView(Doc(), 0, 1, 0, 9), staff0);

    const std::string before = kvtest::CanonicalDump(Doc());
    EXPECT_EQ(block->Paste(temp.get(), 0, 0, 2, block->m_nFirstMeas, 0, 0, 1), -1);
    EXPECT_EQ(score->Staff(0)->Paste(model, 0, 0, score->Staff(0)->GetMeasNum(), 0, 0, 1), -1);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);

    // Too little memory and the answer No: one question for the whole
    // block, a failure, and nothing pasted on any staff.
    host.freeBytes = 999999;
    host.ScriptAnswer(IDNO);
    EXPECT_EQ(block->Paste(temp.get(), 0, 0, 0, block->m_nFirstMeas, 0, 0, 1), -1);
    host.freeBytes.reset();
    ASSERT_EQ(host.messageBoxes.size(), 1u);
    EXPECT_EQ(host.messageBoxes[0].text, "Out of Memory !!!");
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
}

TEST_F(DragDropTest, AFourStaffBlockTakesWhatFitsBelowTheFirstStaff)
{
    Doc().m_bBackupRecord = 0;
    ASSERT_EQ(Doc().AddStaff(2, -1), 1);
    Doc().m_bBackupRecord = 1;
    CKVBlock* block = Block(1);
    ASSERT_EQ(block->GetStaffNum(), 4);
    const std::unique_ptr<CKVSystem> temp = ThreeStaffSource();
    ASSERT_EQ(temp->GetStaffNum(), 3);
    const std::string upper = kvtest::PasteView(Doc(), 0, 2, 0, 9);

    // Three source staves from block staff 2: the two the block has.
    EXPECT_EQ(block->Paste(temp.get(), 0, 0, 2, block->m_nFirstMeas, 0, 0, 1), 1);
    for (int staff : {2, 3})
        EXPECT_EQ(Timed(Meas(staff, block->m_nFirstMeas)).size(), 3u) << staff;
    EXPECT_EQ(kvtest::PasteView(Doc(), 0, 2, 0, 9), upper);

    const std::string before = kvtest::CanonicalDump(Doc());
    EXPECT_EQ(block->Paste(temp.get(), 0, 0, 4, block->m_nFirstMeas, 0, 0, 1), -1);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
}

TEST_F(DragDropTest, NotesDroppedOnADrumStaffTakeTheKitsHeadAndKey)
{
    // A kit whose rows take head type 4 by default; the row of y -12 (a row
    // a half space) sounds key 45, every other row key 50.
    const int row = -12 / (Doc().m_nStaffSpace / 2) + 13;
    ASSERT_GE(row, 0);
    ASSERT_LT(row, kvtest::kDrumKitRows);
    kvtest::DrumKitFields fields;
    fields.defaultHeads.fill(3);
    fields.keys[3].fill(50);
    fields.keys[3][static_cast<size_t>(row)] = 45;
    const std::vector<BYTE> kit = kvtest::MakeDrumKitEntry("Standard", fields);
    CPtrArray table;
    table.Add(const_cast<BYTE*>(kit.data()));
    SetDrumTable(&table);
    CKVStaff* drums = score->Staff(1);
    unsigned char head[kDrumKitRecordSize] = {};
    std::memcpy(head + kDrumKitRecordNameOffset, "Standard", 8);
    drums->SetHead(kDrumKitRecordSize, head);
    drums->m_byStaffKind = CKVStaff::KIND_DRUM;
    ASSERT_EQ(Meas(1, 4)->GetDrumHeadType(-12), 4);

    Note(Meas(0, 1), {.x = 0, .y = -12});
    Meas(0, 1)->UpdateStartTime(1, 0, 0, 0);
    SelectMeas(0, 1);
    ASSERT_EQ(Drag(), 1);
    CursorAt(1, 4);
    ASSERT_EQ(Drop(), 1);
    const std::vector<CKVMsg*> dropped = Timed(Meas(1, 4));
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_EQ(dropped[0]->m_nPosY, -12);
    EXPECT_EQ(dropped[0]->m_wHeadType, 4);
    EXPECT_EQ(dropped[0]->GetMidiKey(), 45);
    SetDrumTable(nullptr);
}

TEST_F(DragDropTest, OverwriteRefusesMusicThatRunsPastTheMeasure)
{
    Note(Meas(0, 1), {.x = 0, .code = DUR_HALF});
    for (int target : {5, 7}) {
        for (short x : {0, 64, 128})
            Note(Meas(1, target), {.x = x});
        Meas(1, target)->UpdateStartTime(1, 0, 0, 0);
    }
    for (int overwrite : {1, 0}) {
        SCOPED_TRACE(overwrite);
        const int target = overwrite ? 5 : 7;
        SelectMeas(0, 1);
        ASSERT_EQ(Drag(), 1);
        CursorAt(1, target);
        Doc().m_nCaretPos = 192;
        ASSERT_EQ(Drop(overwrite), 1);
        EXPECT_EQ(Timed(Meas(1, target)).size(), overwrite ? 3u : 4u);
    }
}

TEST_F(DragDropTest, DeletingFromAnXKeepsGraceNotesAndWhatStandsBefore)
{
    CKVMeas* m = Meas(0, 2);
    for (short x : {0, 64, 128, 192})
        Note(m, {.x = x});
    score->Grace(m, {.x = 150});
    // A group starting before x loses its members from x on.
    CKVMsg* group = score->Beam(m, {.x = 100, .code = DUR_EIGHTH, .voice = 2});
    score->Note(group, {.x = 100, .code = DUR_EIGHTH, .voice = 2});
    score->Note(group, {.x = 140, .code = DUR_EIGHTH, .voice = 2});
    m->DeleteMsg(static_cast<short>(128));
    std::vector<short> xs;
    for (CKVMsg* msg : Timed(m))
        xs.push_back(msg->m_nPosX);
    EXPECT_EQ(xs, (std::vector<short> {0, 64, 100, 150}));
    EXPECT_EQ(group->GetMsgNum(), 1);
}

} // namespace
