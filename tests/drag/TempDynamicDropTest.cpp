// Dynamics dropped through the whole protocol: the words a new one gets, the
// page fallback, a moved one and its Alt copy (ids, save and load), staff
// sizes both ways, and drops that must leave the score alone.

#include "support/DragDriver.h"
#include "support/RecordBytes.h"

#include "document/KVCtrlTool.h"
#include "drag/TempNoteMsg.h"
#include "drag/TempTextMsgs.h"
#include "harmony/ChordSymbol.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <gtest/gtest.h>

namespace {

class TempDynamicDropTest : public kvtest::DragFixture {
protected:
    void SetUp() override
    {
        DragFixture::SetUp();
        CKVCtrlTool& tool = Doc().m_CtrlTool;
        tool.m_crCurrent = 0x0000FF;
        tool.m_wActiveVoice = 2;
        tool.m_nCurLineWidth = 1;
    }
    std::vector<CKVMsg*> Dynamics(CKVObject* holder)
    {
        std::vector<CKVMsg*> found;
        for (short i = 0; i < holder->GetMsgNum(); ++i) {
            if (holder->GetMsg(i)->m_byKind == MSG_DYNAMIC)
                found.push_back(holder->GetMsg(i));
        }
        return found;
    }
    // A new forte-like dynamic hovered and pressed at (450, 204) and dropped
    // at (470, 194): (120, -30) in measure 1.
    void DropNew()
    {
        CTempDynamicMsg dyn;
        dyn.m_wDuration = 4;
        dyn.m_byReplace = 0x30; // a sub-voice the new symbol must not keep
        const unsigned char head[] = {1, 2, 3};
        dyn.SetHead(sizeof head, const_cast<unsigned char*>(head));
        dyn.OnMouseMove({450, 204}, &View(), &Doc(), 100);
        ASSERT_EQ(dyn.BeginDrag({450, 204}, &Doc(), 100, nullptr, 0), 1);
        dyn.Drag(&View(), {470, 194});
        EXPECT_EQ(dyn.EndDrag({470, 194}), 1);
    }
    // Moves d (copied into the model) from `from` to `to`.
    void Move(CKVMsg* d, CPoint from, CPoint to, CPoint* start = nullptr)
    {
        PointCursorAt(d);
        CTempDynamicMsg t;
        t = *d;
        ASSERT_EQ(t.BeginDrag(from, &Doc(), 100, d, 0), 1);
        if (start)
            *start = t.GetOriginalPoint();
        t.Drag(&View(), to);
        EXPECT_EQ(t.EndDrag(to), 1);
    }
};

TEST_F(TempDynamicDropTest, NewDynamicTakesTheSettingsAndOneUndoStep)
{
    const std::string before = Dump();
    DropNew();
    const auto found = Dynamics(Meas(1));
    ASSERT_EQ(found.size(), 1u);
    const CKVMsg* d = found[0];
    EXPECT_EQ(CPoint(d->m_nPosX, d->m_nPosY), CPoint(120, -30));
    EXPECT_EQ(d->m_wDuration, 4);
    EXPECT_EQ(d->m_crColor, 0x0000FFu);
    EXPECT_EQ(d->m_byVoice & 0x0F, 2);
    EXPECT_EQ(d->m_wSize & 0xFF, 16);
    EXPECT_EQ(d->m_byReplace >> 4, 0);
    EXPECT_EQ(d->m_lHeight, 1);
    EXPECT_EQ(d->m_wHeadLen, 0);
    EXPECT_GT(d->m_arrCtrlPoint.GetSize(), 0);
    const std::string after = Dump();
    Undo();
    EXPECT_EQ(Dump(), before);
    Redo();
    EXPECT_EQ(Dump(), after);
    Undo();

    score->Staff(0)->m_wObjWord = 80;
    DropNew();
    ASSERT_EQ(Dynamics(Meas(1)).size(), 1u);
    EXPECT_EQ(Dynamics(Meas(1))[0]->m_nPosY, -38);
}

TEST_F(TempDynamicDropTest, NewDynamicWithoutABlockStaysOnThePage)
{
    AddEmptyPage();
    DropNew();
    CKVPage* page = Doc().GetPage(1);
    ASSERT_EQ(page->GetMsgNum(), 1);
    const CKVMsg* d = page->m_arrMsg.GetAt(0);
    EXPECT_EQ(d->m_byKind, MSG_DYNAMIC);
    EXPECT_EQ(CPoint(d->m_nPosX, d->m_nPosY), CPoint(420, 134));
    EXPECT_EQ(d->m_byParentKind, CKVPage::PARENT_KIND_PAGE);
    EXPECT_EQ(d->m_pPage, page);
    EXPECT_EQ(Doc().GetPage(0)->GetMsgNum(), 0);
}

TEST_F(TempDynamicDropTest, MovedDynamicAndItsAltCopy)
{
    CKVMsg* d = score->Symbol(Meas(1), MSG_DYNAMIC, 100, -20, 1);
    d->m_crColor = 0x00FF00;
    const std::string before = Dump();
    Move(d, {455, 200}, {475, 190});
    auto found = Dynamics(Meas(1));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(CPoint(found[0]->m_nPosX, found[0]->m_nPosY), CPoint(120, -30));
    EXPECT_EQ(found[0]->m_crColor, 0x00FF00u);
    EXPECT_EQ(found[0]->m_byVoice & 0x0F, 1);
    const std::string after = Dump();
    Undo();
    EXPECT_EQ(Dump(), before);
    Redo();
    EXPECT_EQ(Dump(), after);
    Undo();

    host.HoldKey(VK_MENU);
    Move(Dynamics(Meas(1)).at(0), {455, 200}, {475, 190});
    host.ReleaseKey(VK_MENU);
    found = Dynamics(Meas(1));
    ASSERT_EQ(found.size(), 2u);
    std::vector<CPoint> places;
    for (CKVMsg* m : found) {
        places.emplace_back(m->m_nPosX, m->m_nPosY);
        EXPECT_EQ(score->System()->GetMsgFromMap(m->m_dwMsgId), m);
    }
    EXPECT_NE(found[0]->m_dwMsgId, found[1]->m_dwMsgId);
    EXPECT_NE(std::find(places.begin(), places.end(), CPoint(100, -20)), places.end());
    EXPECT_NE(std::find(places.begin(), places.end(), CPoint(120, -30)), places.end());

    // Both survive a save and load.
    CMemFile file;
    ASSERT_EQ(Doc().Save(&file), 1);
    file.SeekToBegin();
    CKVDoc loaded;
    ASSERT_EQ(loaded.Load(&file, 3), 0);
    CKVSystem* system = loaded.m_arrSystem.GetAt(0);
    ASSERT_NE(system, nullptr);
    const auto back = Dynamics(system->GetStaff(0)->GetMeas(1));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_NE(back[0]->m_dwMsgId, back[1]->m_dwMsgId);
    for (CKVMsg* m : back)
        EXPECT_EQ(system->GetMsgFromMap(m->m_dwMsgId), m);
}

TEST_F(TempDynamicDropTest, ScaledStaffGivesBackTheWordsOfADragThatEndsWhereItBegan)
{
    score->Staff(0)->m_wObjWord = 80;
    CKVMsg* d = score->Symbol(Meas(1), MSG_DYNAMIC, 100, -20, 1);
    CPoint start;
    Move(d, {455, 200}, {455, 200}, &start);
    EXPECT_EQ(start, CPoint(450, 208));
    const auto found = Dynamics(Meas(1));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(CPoint(found[0]->m_nPosX, found[0]->m_nPosY), CPoint(100, -20));
}

TEST_F(TempDynamicDropTest, PageDynamicMovedIntoAMeasureBelongsToIt)
{
    CKVMsg loose;
    loose.m_byKind = MSG_DYNAMIC;
    loose.m_nPosX = 400;
    loose.m_nPosY = 500;
    CKVMsg* onPage = Doc().AddMsg(Doc().GetCurrentPage(), &loose, 0, 0);
    ASSERT_NE(onPage, nullptr);
    CTempDynamicMsg t;
    t = *onPage;
    ASSERT_EQ(t.BeginDrag({450, 560}, &Doc(), 100, onPage, 0), 1);
    t.Drag(&View(), {470, 194});
    EXPECT_EQ(t.EndDrag({470, 194}), 1);
    EXPECT_EQ(Doc().GetCurrentPage()->GetMsgNum(), 0);
    const auto found = Dynamics(Meas(1));
    ASSERT_EQ(found.size(), 1u);
    CKVMsg* d = found[0];
    EXPECT_EQ(d->m_pPage, nullptr);
    EXPECT_EQ(d->m_byParentKind, OBJ_MEAS);
    const DWORD id = d->m_dwMsgId;
    ASSERT_EQ(score->System()->GetMsgFromMap(id), d);
    // Deleted from the measure, not looked for in a page's list.
    Doc().DeleteMsg(d, 0);
    EXPECT_TRUE(Dynamics(Meas(1)).empty());
    EXPECT_EQ(Doc().GetCurrentPage()->GetMsgNum(), 0);
}

TEST_F(TempDynamicDropTest, DynamicOfANoteMovesToAnotherMeasure)
{
    CKVMsg* note = score->Note(Meas(1), {.x = 100, .y = -8});
    CKVMsg* d = score->Symbol(note, MSG_DYNAMIC, 0, 30, 1);
    const std::string before = Dump();
    // Pressed on its own starting point, (50, 90): page x plus the x word.
    Move(d, {50, 90}, {150, 250});
    EXPECT_TRUE(Dynamics(Meas(1)->GetMsg(0)).empty());
    EXPECT_EQ(Dynamics(Meas(0)).size(), 1u);
    Undo();
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(Dynamics(Meas(1)->GetMsg(0)).size(), 1u);
}

TEST_F(TempDynamicDropTest, DropsThatFillNothingChangeNothing)
{
    Doc().ResetBackup(); // closes the step the set-up left open
    const std::string before = Dump();
    const int steps = Doc().m_listBackup.GetCount();
    {
        CTempNoteMsg note;
        note.m_wDuration = DUR_QUARTER;
        note.OnMouseMove({450, 204}, &View(), &Doc(), 100);
        ASSERT_EQ(note.BeginDrag({450, 204}, &Doc(), 100, nullptr, 0), 1);
        note.Drag(&View(), {470, 194});
        EXPECT_EQ(note.EndDrag({470, 194}), 1);
    }
    EXPECT_EQ(Dump(), before);
    Doc().ResetBackup(); // closes whatever step the drop left open
    EXPECT_EQ(Doc().m_listBackup.GetCount(), steps);
    EXPECT_EQ(Doc().m_arrBackup.GetSize(), 0);

    // The tempo template handed a chord symbol or a title text.
    CChordSymbol chord;
    chord.m_byKind = MSG_CHORDSYMBOL;
    CKVMsg* placed = Doc().AddMsg(Meas(1), &chord, 1, 0);
    ASSERT_NE(placed, nullptr);
    const std::string withChord = Dump();
    {
        PointCursorAt(placed);
        CTempMetronomMsg t;
        ASSERT_EQ(t.BeginDrag({450, 204}, &Doc(), 100, placed, 0), 1);
        t.Drag(&View(), {470, 194});
        EXPECT_EQ(t.EndDrag({470, 194}), 1);
    }
    EXPECT_EQ(Dump(), withChord);
    {
        CKVMsg title;
        title.m_byKind = MSG_FREETEXT;
        title.m_pPage = reinterpret_cast<void*>(1);
        title.m_byParentKind = CKVPage::PARENT_KIND_PAGE;
        CTempMetronomMsg t;
        ASSERT_EQ(t.BeginDrag({100, 100}, &Doc(), 100, &title, 0), 1);
        t.Drag(&View(), {120, 110});
        EXPECT_EQ(t.EndDrag({120, 110}), 1);
        title.m_pPage = nullptr;
    }
    EXPECT_EQ(Dump(), withChord);
}

TEST_F(TempDynamicDropTest, CopyOfAMeasuredNoteTemplateMakesItsOwnImage)
{
    CTempNoteMsg note;
    note.m_wDuration = DUR_QUARTER;
    note.OnMouseMove({200, 200}, &View(), &Doc(), 100);
    ASSERT_NE(note.m_pImage, nullptr);
    CTempNoteMsg copy;
    copy = note;
    EXPECT_EQ(copy.m_pImage, nullptr);
    EXPECT_EQ(copy.m_bMeasured, 0);
    Blits();
    copy.OnMouseMove({300, 200}, &View(), &Doc(), 100);
    EXPECT_NE(copy.m_pImage, nullptr);
    EXPECT_NE(copy.m_pImage, note.m_pImage);
    EXPECT_EQ(copy.m_bMeasured, 1);
    EXPECT_EQ(Blits().size(), 1u);
}

} // namespace
