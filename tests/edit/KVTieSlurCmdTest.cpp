// Tying and slurring the selection, the tie tool, the order ties are made
// in, and the bulk repair and removal of ties.

#include "edit/TieSlurOrder.h"
#include "support/NoteEntry.h"
#include "model/MeasPlace.h"
#include "support/SelectionSupport.h"
#include "timing/TieLinks.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using kvtest::Compare;
using kvtest::ExpectRoundTrip;
using kvtest::HostStep;

class TieSlurCmdTest : public kvtest::SelectionTest {
protected:
    // The ties or slurs a note starts.
    static std::vector<CKVMsg*> Starts(CKVMsg* note, BYTE kind)
    {
        std::vector<CKVMsg*> out;
        tickmath::ForEachChild(*note, [&](CKVMsg* child, short) {
            if (child->m_byKind == kind && child->m_dwWord == note->m_dwMsgId)
                out.push_back(child);
            return false;
        });
        return out;
    }
    CKVMsg* EndOf(CKVMsg* link) { return tielink::EndOf(*link); }
};

TEST_F(TieSlurCmdTest, TieOrderIsMeasureThenPositionThenLowerFirst)
{
    CKVMsg* a = score->Note(Meas(0, 2), {.x = 128, .y = -8});
    CKVMsg* b = score->Note(Meas(0, 3), {.x = 0, .y = -8});
    CKVMsg* c = score->Note(Meas(0, 2), {.x = 64, .y = -8});
    CKVMsg* low = score->Note(Meas(0, 2), {.x = 64, .y = -2});
    CKVMsg* gone = score->Note(Meas(0, 4), {.x = 0, .y = -8});
    CKVMsg* gone2 = score->Note(Meas(0, 4), {.x = 64, .y = -8});
    std::vector<DWORD> ids {b->m_dwMsgId, gone->m_dwMsgId, a->m_dwMsgId, gone2->m_dwMsgId, c->m_dwMsgId,
                            low->m_dwMsgId};
    const DWORD staleA = score->MakeStale(gone);
    const DWORD staleB = score->MakeStale(gone2);
    pSortSystem = score->System();
    EXPECT_LT(CompareTieMsgOrder(&ids[2], &ids[0]), 0);
    EXPECT_GT(CompareTieMsgOrder(&ids[0], &ids[2]), 0);
    EXPECT_LT(CompareTieMsgOrder(&ids[5], &ids[4]), 0) << "same x: the lower note first";
    EXPECT_EQ(CompareTieMsgOrder(&staleA, &staleB), 0);
    EXPECT_GT(CompareTieMsgOrder(&staleA, &ids[0]), 0);
    EXPECT_LT(CompareTieMsgOrder(&ids[0], &staleA), 0);
    SortTieMsgIds(ids, score->System());
    EXPECT_EQ(ids, (std::vector<DWORD> {low->m_dwMsgId, c->m_dwMsgId, a->m_dwMsgId, b->m_dwMsgId, staleA, staleB}));
}

TEST_F(TieSlurCmdTest, SuccessiveEqualNotesTieOncePerCall)
{
    for (short x : {0, 64, 128})
        score->Note(Meas(0, 0), {.x = x, .y = -16});
    SelectMeas(0, 0);
    Doc().BindByTie(0, 0, 0, 0, 0);
    EXPECT_TRUE(Starts(Meas(0, 0)->GetMsg(0), MSG_TIE).empty());

    // A second record over the same notes leaves the first record's ties.
    SelectMeas(0, 0);
    Doc().m_bModified = 0;
    int result = -1;
    BOOL modified = 0;
    ExpectRoundTrip(
        Doc(),
        [&] {
            result = Doc().BindByTie(1, 8, 0, 0, 0);
            modified = Doc().m_bModified;
        },
        HostStep::OpenAndBackUp, Compare::Stored);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(modified, 1);
    CKVMsg* n1 = LiveNote(0, 0);
    CKVMsg* n2 = LiveNote(0, 64);
    CKVMsg* n3 = LiveNote(0, 128);
    ASSERT_EQ(Starts(n1, MSG_TIE).size(), 1u);
    ASSERT_EQ(Starts(n2, MSG_TIE).size(), 1u);
    EXPECT_EQ(EndOf(Starts(n1, MSG_TIE)[0]), n2);
    EXPECT_EQ(EndOf(Starts(n2, MSG_TIE)[0]), n3);
    EXPECT_TRUE(Starts(n3, MSG_TIE).empty());
}

TEST_F(TieSlurCmdTest, ChordTiesBendTheLowerHalfDownAndTheUpperHalfUp)
{
    score->Chord(Meas(0, 0), {.x = 0}, {0, -8, -16, -24});
    score->Chord(Meas(0, 0), {.x = 128}, {0, -8, -16, -24});
    score->Settle();
    SelectMeas(0, 0);
    // Collecting marks the chord notes as selected; let the dump before see it.
    Doc().GetSelMsgCount(0);
    ExpectRoundTrip(Doc(), [&] { Doc().BindByTie(1, 8, 0, 14, 0); }, HostStep::OpenAndBackUp, Compare::Stored);
    CKVMsg* chord = nullptr;
    tickmath::ForEachChild(*Doc().GetMeasure(0, 0, 0), [&](CKVMsg* child, short) {
        if (!chord && child->m_byKind == MSG_CHORD && child->m_nPosX == 0)
            chord = child;
        return false;
    });
    ASSERT_NE(chord, nullptr);
    std::vector<CKVMsg*> notes = measplace::ChordNotes(*chord);
    ASSERT_EQ(notes.size(), 4u);
    // Lower on the staff means a larger y.
    std::sort(notes.begin(), notes.end(), [](CKVMsg* a, CKVMsg* b) { return a->m_nPosY > b->m_nPosY; });
    for (size_t i = 0; i < notes.size(); ++i) {
        const std::vector<CKVMsg*> ties = Starts(notes[i], MSG_TIE);
        ASSERT_EQ(ties.size(), 1u) << i;
        if (i < 2)
            EXPECT_GT(ties[0]->m_nLayout1, 0) << i;
        else
            EXPECT_LT(ties[0]->m_nLayout1, 0) << i;
        EXPECT_EQ(ties[0]->m_nLayout1, ties[0]->m_nLayout2) << i;
        // The start y is a4 below the chord and -a4 above it.
        EXPECT_EQ(ties[0]->m_nPosY, i < 2 ? 14 : -14) << i;
    }
}

TEST_F(TieSlurCmdTest, OssiaNotesOfAStaffRecordTieAcrossTheBarLine)
{
    score->Note(Meas(0, 1), {.x = 192, .y = -16});
    score->Note(Meas(0, 2), {.x = 0, .y = -16});
    ASSERT_EQ(Doc().InsertOssia(POINT {50, 60}, 0, 0, 2, 3, 15, 0, 80), 1);
    CKVBlock* block = Page(0)->m_arrOssiaBlock.GetAt(0);
    CKVStaff* ossia = block->GetStaff(0);
    ASSERT_EQ(ossia->GetMeasNum(), 2);
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    Doc().AddSelRect(SelRect::kStaff, nullptr, nullptr, ossia, nullptr);
    Doc().GetSelMsgCount(0);
    ExpectRoundTrip(Doc(), [&] { Doc().BindByTie(1, 8, 0, 0, 0); }, HostStep::OpenAndBackUp, Compare::Stored);
    ossia = Page(0)->m_arrOssiaBlock.GetAt(0)->GetStaff(0);
    CKVMsg* first = ossia->GetMeas(0)->GetMsg(0);
    CKVMsg* second = ossia->GetMeas(1)->GetMsg(0);
    ASSERT_TRUE(first && second);
    const std::vector<CKVMsg*> ties = Starts(first, MSG_TIE);
    ASSERT_EQ(ties.size(), 1u);
    EXPECT_EQ(EndOf(ties[0]), second);
    EXPECT_TRUE(Starts(second, MSG_TIE).empty());
}

TEST_F(TieSlurCmdTest, OuterNotesSlurOrTieAndATieStopsTheRecord)
{
    score->Note(Meas(0, 0), {.x = 0, .y = -16});
    score->Note(Meas(0, 0), {.x = 64, .y = -20});
    score->Note(Meas(0, 0), {.x = 128, .y = -8});
    SelectMeas(0, 0);
    int result = 0;
    ExpectRoundTrip(Doc(), [&] { result = Doc().BindBySlur(1, 8, 0, 0, 0); }, HostStep::OpenAndBackUp,
                    Compare::Stored);
    EXPECT_EQ(result, 1);
    CKVMsg* first = LiveNote(0, 0);
    ASSERT_EQ(Starts(first, MSG_SLUR).size(), 1u);
    EXPECT_EQ(EndOf(Starts(first, MSG_SLUR)[0]), LiveNote(0, 128, -8));
    EXPECT_EQ(first->m_wFlag & 0x3, 0);
    EXPECT_EQ(LiveNote(0, 128, -8)->m_wFlag & 0x3, 0);

    // Successive equal notes tie, and the record's second staff is left.
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    CKVMsg* upper1 = score->Note(Meas(0, 1), {.x = 0, .y = -16});
    score->Note(Meas(0, 1), {.x = 64, .y = -16});
    CKVMsg* lower1 = score->Note(Meas(1, 1), {.x = 0, .y = -16});
    CKVMsg* lower2 = score->Note(Meas(1, 1), {.x = 64, .y = -4});
    const POINT from = HitOf(upper1);
    const POINT to = HitOf(lower2);
    SelectRect(RECT {from.x - 2, from.y - 2, to.x + 3, to.y + 3});
    Doc().BindBySlur(1, 8, 0, 0, 0);
    ASSERT_EQ(Starts(Meas(0, 1)->GetMsg(0), MSG_TIE).size(), 1u);
    EXPECT_TRUE(Starts(lower1, MSG_SLUR).empty());
    EXPECT_TRUE(Starts(lower1, MSG_TIE).empty());

    // A chord column whose first note's height field is 0 ends at its
    // lowest note.
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    CKVMsg* top = score->Note(Meas(0, 2), {.x = 0, .y = -24});
    CKVMsg* bottom = score->Note(Meas(0, 2), {.x = 0, .y = -8});
    top->m_lHeight = 0;
    CKVMsg* end = score->Note(Meas(0, 2), {.x = 128, .y = -30});
    SelectRect(Around(HitOf(top)));
    SelectRect(Around(HitOf(bottom)));
    SelectRect(Around(HitOf(end)));
    ASSERT_EQ(Doc().GetSelMsgCount(), 3);
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectMeas(0, 2);
    Doc().BindBySlur(1, 8, 0, 0, 0);
    EXPECT_EQ(Starts(bottom, MSG_SLUR).size(), 1u);
    EXPECT_TRUE(Starts(top, MSG_SLUR).empty());
}

TEST_F(TieSlurCmdTest, TheTieToolFindsTheNextOnsetAtThePitch)
{
    CKVMsg* a = score->Note(Meas(0, 0), {.x = 0, .y = -16});
    score->Note(Meas(0, 0), {.x = 64, .y = -20});
    EXPECT_EQ(Doc().BindByTieInTool(a, 8, 0, 0, 0, 0), 0);

    CKVMsg* b = score->Note(Meas(0, 1), {.x = 192, .y = -16});
    score->Note(Meas(0, 2), {.x = 0, .y = -16});
    EXPECT_EQ(Doc().BindByTieInTool(b, 8, 0, 0, 0, 0), 1);
    CKVMsg* liveB = LiveNote(1, 192);
    ASSERT_EQ(Starts(liveB, MSG_TIE).size(), 1u);
    EXPECT_EQ(EndOf(Starts(liveB, MSG_TIE)[0]), LiveNote(2, 0));

    CKVMsg* last = score->Note(Meas(0, 8), {.x = 0, .y = -16});
    EXPECT_EQ(Doc().BindByTieInTool(last, 8, 0, 0, 0, 0), 0);

    CKVMsg* c = score->Note(Meas(0, 3), {.x = 0, .y = -16});
    score->Note(Meas(0, 3), {.x = 8, .y = -16});
    host.freeBytes = 999999;
    host.ScriptAnswer(IDNO);
    EXPECT_EQ(Doc().BindByTieInTool(c, 8, 0, 0, 0, 0), 0);
    host.freeBytes.reset();

    // A close pair: the inset shrinks to fit, (gap + 16 - 5/2 space) / 2.
    CKVMeas* m = Doc().GetMeasure(3, 0, 0);
    c = LiveNote(3, 0);
    const int space = measplace::LineSpacingOf(*m);
    const int gap = m->GetRealPosX(LiveNote(3, 8)) - m->GetRealPosX(c);
    const int inset = 4;
    ASSERT_LT(gap + 16 - 2 * inset, 5 * space / 2);
    ASSERT_EQ(Doc().BindByTieInTool(c, 8, inset, 0, 0, 1), 1);
    c = LiveNote(3, 0);
    ASSERT_EQ(Starts(c, MSG_TIE).size(), 1u);
    EXPECT_EQ(Starts(c, MSG_TIE)[0]->m_nPosX, (gap + 16 - 5 * space / 2) / 2);
}

TEST_F(TieSlurCmdTest, TheToolOnTheSelectionBacksUpThePartnerAndKeepsRecordingOff)
{
    score->Note(Meas(0, 0), {.x = 192, .y = -16});
    score->Note(Meas(0, 1), {.x = 0, .y = -16});
    SelectMeas(0, 0);
    ExpectRoundTrip(Doc(), [&] { Doc().BindByTie1(1, 8, 0, 0, 0); }, HostStep::OpenAndBackUp, Compare::Stored);
    ASSERT_EQ(Starts(LiveNote(0, 192), MSG_TIE).size(), 1u);
    EXPECT_TRUE(LiveNote(1, 0)->m_wFlag & MSGFLAG_TIE_END);

    Doc().m_bBackupRecord = 0;
    Doc().BindByTie1(1, 8, 0, 0, 0);
    EXPECT_EQ(Doc().m_bBackupRecord, 0);
}

TEST_F(TieSlurCmdTest, DirectionOfTheSelectedNotesTiesAndSlurs)
{
    CKVMsg* a = score->Note(Meas(0, 0), {.x = 0, .y = -16});
    CKVMsg* b = score->Note(Meas(0, 0), {.x = 64, .y = -16});
    CKVMsg* c = score->Note(Meas(0, 0), {.x = 128, .y = -16});
    CKVMsg* d = score->Note(Meas(0, 0), {.x = 192, .y = -30});
    ASSERT_EQ(Doc().BindNoteByTie(a, b, 10, 4, 4, 0, 0, 0), 1);
    ASSERT_EQ(Doc().BindNoteBySlur(c, d, 10, 4, 4, 0), 1);
    ASSERT_EQ(a->m_wFlag & 0x3, 0x1);
    Doc().m_CtrlTool.m_nK1 = 14;
    SelectMeas(0, 0);
    ExpectRoundTrip(Doc(), [&] { Doc().SelNoteChangeTieSlurDir(1, 1); }, HostStep::None, Compare::Stored);
    for (CKVMsg* note : {LiveNote(0, 0), LiveNote(0, 128)}) {
        std::vector<CKVMsg*> links = Starts(note, MSG_TIE);
        if (links.empty())
            links = Starts(note, MSG_SLUR);
        ASSERT_EQ(links.size(), 1u);
        EXPECT_EQ(links[0]->m_nPosY, -14);
        EXPECT_EQ(links[0]->m_nPosY2, -14);
        EXPECT_LT(links[0]->m_nLayout1, 0);
        EXPECT_LT(links[0]->m_nLayout2, 0);
    }
    Doc().SelNoteChangeTieSlurDir(1, 0);
    CKVMsg* tie = Starts(LiveNote(0, 0), MSG_TIE).at(0);
    EXPECT_EQ(tie->m_nPosY, 14);
    EXPECT_GT(tie->m_nLayout1, 0);

    const short height = tie->m_nLayout1;
    Doc().ChangeTieSlurDir(tie);
    EXPECT_EQ(tie->m_nLayout1 < 0, height > 0);
}

TEST_F(TieSlurCmdTest, RepairReclassifiesReshapesAndDropsBrokenTies)
{
    CKVMsg* a = score->Note(Meas(0, 0), {.x = 0, .y = -16});
    CKVMsg* b = score->Note(Meas(0, 0), {.x = 64, .y = -16});
    CKVMsg* c = score->Note(Meas(0, 1), {.x = 0, .y = -12});
    CKVMsg* d = score->Note(Meas(0, 1), {.x = 64, .y = -12});
    CKVMsg* e = score->Note(Meas(0, 2), {.x = 0, .y = -20});
    CKVMsg* f = score->Note(Meas(0, 2), {.x = 64, .y = -20});
    ASSERT_EQ(Doc().BindNoteBySlur(a, b, -10, 4, 4, 0), 1);
    ASSERT_EQ(Doc().BindNoteByTie(c, d, -10, 4, 4, 0, 0, 0), 1);
    ASSERT_EQ(Doc().BindNoteByTie(e, f, 10, 4, 4, 0, 0, 0), 1);
    d->m_nPosY = -8; // the tied pair now differs in pitch
    d->SetMidiKeyAndHeadByY();
    score->MakeStale(f);
    // The pair of equal notes joined as a slur, as an older file may hold it.
    CKVMsg* link = nullptr;
    tickmath::ForEachChild(*a, [&](CKVMsg* child, short) {
        link = link ? link : child;
        return false;
    });
    ASSERT_NE(link, nullptr);
    link->m_byKind = MSG_SLUR;
    a->m_wFlag = static_cast<WORD>(a->m_wFlag & ~0x3);
    b->m_wFlag = static_cast<WORD>(b->m_wFlag & ~0x3);
    const bool slurBelow = link->m_nPosY >= 0;
    const bool bendsUp = link->m_nLayout1 < 0;
    // b refers to a text and a tuplet it does not own, besides a's slur.
    CKVMsg* text = score->Symbol(Meas(0, 0), MSG_TEXT, 100, -40);
    CKVMsg* tuplet = score->Symbol(Meas(0, 0), MSG_TUPLET, 0);
    ASSERT_GE(b->AddMsg(text, 0, 0), 0);
    ASSERT_GE(b->AddMsg(tuplet, 0, 0), 0);
    ASSERT_EQ(b->GetMsgNum(), 3);

    ExpectRoundTrip(
        Doc(),
        [&] {
            Doc().ResetBackup();
            Doc().ObjectBackup(1);
            Doc().UpdateTieSlurType(1, 4, 1, 6, 1, 10, 0);
        },
        HostStep::None, Compare::Stored);
    CKVMsg* liveA = LiveNote(0, 0);
    ASSERT_EQ(Starts(liveA, MSG_TIE).size(), 1u);
    CKVMsg* tie = Starts(liveA, MSG_TIE)[0];
    EXPECT_EQ(tie->m_nPosX, 20);
    EXPECT_EQ(tie->m_nPosX2, -4);
    EXPECT_EQ(tie->m_nPosY, slurBelow ? 6 : -6);
    EXPECT_EQ(tie->m_nLayout1, bendsUp ? -10 : 10);
    EXPECT_EQ(liveA->m_wFlag & 0x1, 0x1);
    CKVMsg* liveB = LiveNote(0, 64);
    EXPECT_EQ(liveB->m_wFlag & 0x2, 0x2);
    std::vector<BYTE> kept;
    tickmath::ForEachChild(*liveB, [&](CKVMsg* child, short) {
        kept.push_back(child->m_byKind);
        return false;
    });
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<BYTE> {MSG_TIE, MSG_TUPLET}));
    CKVMsg* liveC = LiveNote(1, 0, -12);
    ASSERT_EQ(Starts(liveC, MSG_SLUR).size(), 1u);
    CKVMsg* slur = Starts(liveC, MSG_SLUR)[0];
    EXPECT_EQ(liveC->m_wFlag & 0x1, 0);
    EXPECT_EQ(std::abs(slur->m_nPosY), 6);
    EXPECT_EQ(slur->m_nLayout1, -10);
    CKVMsg* liveE = LiveNote(2, 0, -20);
    EXPECT_TRUE(Starts(liveE, MSG_TIE).empty());
    EXPECT_EQ(liveE->GetMsgNum(), 0);
}

TEST_F(TieSlurCmdTest, DeletingATieAcrossTheBarLineClearsBothEnds)
{
    CKVMsg* a = score->Note(Meas(0, 0), {.x = 192, .y = -16});
    CKVMsg* b = score->Note(Meas(0, 1), {.x = 0, .y = -16});
    ASSERT_EQ(Doc().BindNoteByTie(a, b, 10, 4, 4, 0, 0, 0), 1);
    Doc().ResetBackup();
    Doc().GetMeasure(0, 0, 0)->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
    a = LiveNote(0, 192);
    a->DeleteTieMsg();
    b = LiveNote(1, 0);
    EXPECT_EQ(a->m_wFlag & 0x3, 0);
    EXPECT_EQ(b->m_wFlag & 0x3, 0);
    EXPECT_EQ(a->GetMsgNum(), 0);
    EXPECT_EQ(b->GetMsgNum(), 0);
}

TEST_F(TieSlurCmdTest, BulkGeometryAutomaticTiesAndCurves)
{
    CKVMsg* a = score->Note(Meas(0, 0), {.x = 0, .y = -16});
    CKVMsg* b = score->Note(Meas(0, 0), {.x = 64, .y = -16});
    ASSERT_EQ(Doc().BindNoteByTie(a, b, -24, 16, -8, 0, 0, 0), 1);
    CKVMsg* tie = Starts(a, MSG_TIE).at(0);
    tie->m_nPosX2 = -16;
    const int space = measplace::LineSpacingOf(*a);
    Doc().ChangeTieSlurInfo();
    EXPECT_EQ(tie->m_nPosX, MulDiv(16, 16, space));
    EXPECT_EQ(tie->m_nPosY, MulDiv(-8, 16, space));
    EXPECT_EQ(tie->m_nPosX2, MulDiv(-16, 16, space));
    EXPECT_EQ(tie->m_nLayout1, MulDiv(-24, 16, space));

    // Beam groups: equal end notes tie, unequal ones slur, a rest at the
    // end leaves the group alone.
    auto group = [&](int meas, short lastY, bool rest) {
        CKVMsg* g = score->Beam(Meas(1, meas), {.x = 0, .code = DUR_EIGHTH});
        score->Note(g, {.x = 0, .y = -16, .code = DUR_EIGHTH});
        if (rest)
            score->Rest(g, {.x = 64, .code = DUR_EIGHTH});
        else
            score->Note(g, {.x = 64, .y = lastY, .code = DUR_EIGHTH});
        return g;
    };
    group(3, -16, false);
    group(4, -8, false);
    group(5, 0, true);
    ExpectRoundTrip(Doc(), [&] { Doc().AutoTieSlur(8, 0, 0, 0); }, HostStep::None, Compare::Stored);
    auto firstMember = [&](int meas) {
        CKVMsg* g = Doc().GetMeasure(meas, 1, 0)->GetMsg(0);
        return tickmath::Members(*g).front();
    };
    EXPECT_EQ(Starts(firstMember(3), MSG_TIE).size(), 1u);
    EXPECT_EQ(Starts(firstMember(4), MSG_SLUR).size(), 1u);
    EXPECT_EQ(firstMember(5)->GetMsgNum(), 0);

    // A curve along a slur.
    CKVMsg* c = score->Note(Meas(0, 2), {.x = 64, .y = -16});
    CKVMsg* d = score->Note(Meas(0, 2), {.x = 128, .y = -24});
    ASSERT_EQ(Doc().BindNoteBySlur(c, d, -24, 16, 0, 0), 1);
    CKVMsg* slur = Starts(c, MSG_SLUR).at(0);
    slur->m_nPosX = 16;
    slur->m_nPosY = -8;
    slur->m_nPosX2 = 0;
    slur->m_nPosY2 = -8;
    slur->m_nLayout1 = -24;
    slur->m_nLayout4 = 8;
    slur->m_nLayout3 = 40;
    const int L = measplace::LineSpacingOf(*c);
    EXPECT_EQ(Doc().MakeGraphSlurFromNoteSlur(tie), nullptr);
    CKVMsg* curve = Doc().MakeGraphSlurFromNoteSlur(slur);
    ASSERT_NE(curve, nullptr);
    CKVMeas* m = Doc().GetMeasure(2, 0, 0);
    EXPECT_EQ(curve->m_byKind, MSG_PAGESLUR);
    EXPECT_EQ(curve->m_byVoice, 1);
    EXPECT_EQ(curve->m_wDuration, 1);
    const int y1 = -16 + (-8 * L / 16);
    const int y2 = -24 + (-8 * L / 16);
    EXPECT_EQ(curve->m_nPosY, y1);
    EXPECT_EQ(curve->m_nPosX2, 40);
    EXPECT_EQ(curve->m_nPosY2, y2 - y1);
    EXPECT_EQ(curve->m_wObjWord, 20 + 8 * L / 16);
    EXPECT_EQ(static_cast<LONG>(curve->m_dwWord), (y2 - y1) / 2 + (-24 * L / 16));
    EXPECT_NEAR(m->MeasXToAbsX(curve->m_nPosX, 0), m->MeasXToAbsX(64, 0) + 16 * L / 16, 1);
    EXPECT_EQ(Starts(LiveNote(2, 64), MSG_SLUR).size(), 1u);
    Doc().MultiUndoStart();
    int curves = 0;
    tickmath::ForEachChild(*Doc().GetMeasure(2, 0, 0), [&](CKVMsg* child, short) {
        curves += child->m_byKind == MSG_PAGESLUR;
        return false;
    });
    EXPECT_EQ(curves, 0);
}

TEST_F(TieSlurCmdTest, AutomaticTiesLeaveOssiaGroupsAlone)
{
    AddOssiaBlock(2);
    auto group = [&](CKVMeas* meas) {
        CKVMsg* g = score->Beam(meas, {.x = 0, .code = DUR_EIGHTH});
        score->Note(g, {.x = 0, .y = -16, .code = DUR_EIGHTH});
        score->Note(g, {.x = 64, .y = -16, .code = DUR_EIGHTH});
    };
    group(score->System()->GetOssiaStaff(0)->GetMeas(0));
    group(Meas(0, 0));
    Doc().AutoTieSlur(8, 0, 0, 0);
    auto firstMember = [](CKVMeas* meas) { return tickmath::Members(*meas->GetMsg(0)).front(); };
    EXPECT_EQ(Starts(firstMember(Doc().GetMeasure(0, 0, 0)), MSG_TIE).size(), 1u);
    CKVMsg* ossiaFirst = firstMember(score->System()->GetOssiaStaff(0)->GetMeas(0));
    EXPECT_EQ(ossiaFirst->GetMsgNum(), 0);
    EXPECT_EQ(ossiaFirst->m_wFlag & 0x3, 0);
}

} // namespace
