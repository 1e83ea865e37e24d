// Document queries: the title texts, staff connection groups, measure-length
// errors, the memory estimate, even widths, hidden staves under the
// selection, and where a symbol lies.

#include "document/KVFileInfo.h"
#include "platform/CodePage.h"
#include "support/CanonicalDump.h"
#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A free text whose head holds a size run and one text run.
std::vector<BYTE> TextHead(WORD points, const std::vector<BYTE>& run)
{
    const WORD length = static_cast<WORD>(run.size());
    std::vector<BYTE> head {4, LOBYTE(points), HIBYTE(points), 6, LOBYTE(length), HIBYTE(length)};
    for (BYTE b : run)
        head.push_back(b);
    return head;
}

// A UTF-16 run: the text's units, then the 8-byte marker (six zero bytes,
// the character set and the pitch and family).
std::vector<BYTE> WideRun(const std::u16string& text)
{
    std::vector<BYTE> run;
    for (char16_t unit : text) {
        run.push_back(static_cast<BYTE>(unit & 0xFF));
        run.push_back(static_cast<BYTE>(unit >> 8));
    }
    for (BYTE b : {0, 0, 0, 0, 0, 0, 128, 1})
        run.push_back(b);
    return run;
}

std::vector<BYTE> NarrowRun(const std::string& text)
{
    return std::vector<BYTE>(text.begin(), text.end());
}

// "作詞 Ann, 作曲 Bob" and "作曲 Bob".
const std::u16string kCredits = u"\u4F5C\u8A5E Ann, \u4F5C\u66F2 Bob";
const std::string kCreditsCp932 = "\x8D\xEC\x8E\x8C Ann, \x8D\xEC\x8B\xC8 Bob";
const std::u16string kComposerOnly = u"\u4F5C\u66F2 Bob";

class DocQueriesTest : public kvtest::SelectionTest {
protected:
    CKVMsg* AddText(const std::vector<BYTE>& head)
    {
        CKVMsg* text = new CKVMsg;
        text->m_byKind = MSG_FREETEXT;
        std::vector<BYTE> bytes = head;
        text->SetHead(static_cast<short>(bytes.size()), bytes.data());
        Page(0)->AddMsg(text);
        return text;
    }

    // Leaves the first page without texts of its own.
    void ClearPageTexts()
    {
        while (Page(0)->GetMsgNum() > 0)
            Page(0)->RemoveMsg(0);
    }
};

TEST_F(DocQueriesTest, TheTitleIsTheLargestTextAndTheCreditsFollowTheirMarkers)
{
    ASSERT_TRUE(SetAnsiCodePage(932));
    ClearPageTexts();
    CKVMsg* song = AddText(TextHead(24, WideRun(u"Song")));
    AddText(TextHead(12, WideRun(kCredits)));

    CString text;
    EXPECT_EQ(song->GetTextInfo(text), 24);
    EXPECT_EQ(text, CString("Song"));

    CString lyricist;
    CString composer;
    EXPECT_EQ(Doc().GetTittle(lyricist, composer), CString("Song"));
    EXPECT_EQ(lyricist, CString("Ann"));
    EXPECT_EQ(composer, CString("Bob"));

    // The same credits stored in the code page read the same.
    Page(0)->RemoveMsg(1);
    AddText(TextHead(12, NarrowRun(kCreditsCp932)));
    EXPECT_EQ(Doc().GetTittle(lyricist, composer), CString("Song"));
    EXPECT_EQ(lyricist, CString("Ann"));
    EXPECT_EQ(composer, CString("Bob"));
}

TEST_F(DocQueriesTest, ALoneComposerStandsForTheLyricistToo)
{
    ASSERT_TRUE(SetAnsiCodePage(932));
    ClearPageTexts();
    AddText(TextHead(12, WideRun(kComposerOnly)));
    CString lyricist;
    CString composer;
    Doc().GetTittle(lyricist, composer);
    EXPECT_EQ(composer, CString("Bob"));
    EXPECT_EQ(lyricist, CString("Bob"));
}

TEST_F(DocQueriesTest, WithoutPagesTheTitleTextsAreEmpty)
{
    DropAllPages();
    CString lyricist("x");
    CString composer("y");
    EXPECT_EQ(Doc().GetTittle(lyricist, composer), CString(""));
    EXPECT_EQ(lyricist, CString(""));
    EXPECT_EQ(composer, CString(""));
}

class ConnectionTest : public kvtest::SelectionTest {
protected:
    kvtest::ScoreShape Shape() override { return {.staves = 4, .measures = 3, .pageGeometry = true}; }
    void SetUp() override
    {
        SelectionTest::SetUp();
        score->Staff(0)->m_byGroupBracket[0] = 0x02;
        score->Staff(1)->m_byGroupBracket[2] = 0x02;
        score->Staff(2)->m_byGroupBracket[2] = 0x02;
        score->Staff(3)->m_byGroupBracket[1] = 0x02;
        for (int s = 0; s < 4; ++s) {
            score->Staff(s)->m_byGroupBracket[0] &= 0x02;
            score->Staff(s)->m_byGroupBracket[1] &= 0x02;
        }
    }
};

TEST_F(ConnectionTest, AGroupRunsToItsEndAcrossHiddenStaves)
{
    CKVBlock* block = Block(0);
    ASSERT_EQ(block->GetStaffNum(), 4);
    EXPECT_EQ(Doc().IsConnectStaffEnd(*block, 3, 0x02), 1);
    EXPECT_EQ(Doc().IsConnectStaffEnd(*block, 3, 0x10), 1);
    EXPECT_EQ(Doc().IsConnectStaffEnd(*block, 1, 0x02), 0);
    EXPECT_EQ(Doc().IsConnectStaff(*block, 2, 0x02), 1);
    EXPECT_EQ(Doc().IsConnectStaff(*block, 0, 0x02), 0);
    EXPECT_EQ(Doc().IsConnectStaff(*block, 2, 0x04), 0);

    block->DeleteStaff(score->Staff(2));
    EXPECT_EQ(Doc().IsConnectStaffEnd(*block, 1, 0x02), 0);
    score->Staff(2)->m_byGroupBracket[2] = 0;
    EXPECT_EQ(Doc().IsConnectStaffEnd(*block, 1, 0x02), 1);
}

class LengthErrorTest : public kvtest::SelectionTest {
protected:
    kvtest::ScoreShape Shape() override { return {.staves = 2, .measures = 4, .pageGeometry = true}; }

    void Quarters(CKVMeas* meas, int count)
    {
        for (int i = 0; i < count; ++i) {
            CKVMsg* note = score->Note(meas, {.x = static_cast<short>(40 * i), .y = -12});
            note->m_nStartTime = static_cast<short>(240 * i);
        }
    }
};

TEST_F(LengthErrorTest, TheSearchGoesOnAfterEachReportedMeasure)
{
    Quarters(Meas(1, 1), 3);
    Quarters(Meas(0, 2), 5);
    Quarters(Meas(0, 3), 4);
    int staff = -1;
    int measure = -1;
    EXPECT_EQ(Doc().FindError(staff, measure, 0, 3), -1);
    EXPECT_EQ(staff, 1);
    EXPECT_EQ(measure, 1);
    EXPECT_EQ(Doc().FindError(staff, measure, 0, 3), -2);
    EXPECT_EQ(staff, 0);
    EXPECT_EQ(measure, 2);
    EXPECT_EQ(Doc().FindError(staff, measure, 0, 3), 0);
    EXPECT_EQ(staff, -1);
    EXPECT_EQ(measure, -1);
}

TEST_F(LengthErrorTest, AMeasureWithoutATimeSignatureIsNotReported)
{
    Quarters(Meas(0, 1), 2);
    Meas(0, 1)->m_nTimeDen = 0;
    int staff = -1;
    int measure = -1;
    EXPECT_EQ(Doc().FindError(staff, measure, -4, 99), 0);
    Meas(0, 1)->m_nTimeDen = 4;
    Meas(0, 1)->m_nTimeNum = -1;
    EXPECT_EQ(Doc().FindError(staff, measure, 0, 3), 0);
}

TEST_F(DocQueriesTest, TheMemoryEstimateAddsTheDocumentsParts)
{
    DWORD parts = 0;
    for (short p = 0; p < Doc().GetPageNum(); ++p)
        Doc().GetPage(p)->GetMemorySize(parts);
    Doc().m_arrSystem.GetAt(0)->GetMemorySize(parts);
    DWORD total = 7;
    Doc().GetMemorySize(total);
    EXPECT_EQ(total, 7 + 5024 + 4 * static_cast<DWORD>(Doc().m_arrSystem.GetSize() + Doc().GetPageNum()) + parts);
}

TEST_F(DocQueriesTest, EvenWidthsUndoAndRedo)
{
    Block(0)->m_arrMeasX.SetAt(1, static_cast<WORD>(Block(0)->m_arrMeasX.GetAt(1) + 40));
    std::vector<WORD> dragged;
    for (int i = 0; i < Block(0)->m_arrMeasX.GetSize(); ++i)
        dragged.push_back(Block(0)->m_arrMeasX.GetAt(i));
    kvtest::ExpectRoundTrip(Doc(), [&] {
        Doc().UniformMeasWidth();
        EXPECT_NE(Block(0)->m_arrMeasX.GetAt(1), dragged[1]);
        EXPECT_EQ(Doc().m_bModified, 1);
    });
    EXPECT_NE(Block(0)->m_arrMeasX.GetAt(1), dragged[1]);
}

TEST_F(DocQueriesTest, HiddenStavesAreSeenThroughBlockAndStaffRecords)
{
    Block(1)->DeleteStaff(score->Staff(1));
    EXPECT_EQ(Doc().IsStaffVisible(), 0);
    SelectMeas(0, 4);
    EXPECT_EQ(Doc().IsStaffVisible(), 0);
    SelectBlockStaff(0, 1);
    EXPECT_EQ(Doc().IsStaffVisible(), 1);
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectStaff(0);
    EXPECT_EQ(Doc().IsStaffVisible(), 1);
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    Doc().m_pCurBlock = Block(1);
    EXPECT_EQ(Doc().IsStaffVisible(), 1);
}

TEST_F(DocQueriesTest, TakingAStaffOutOfABlockKeepsItsListsAligned)
{
    CKVBlock* block = Block(0);
    CKVStaff other;
    other.m_pSystem = nullptr;
    EXPECT_EQ(block->DeleteStaff(&other), 0);

    std::strcpy(score->Staff(0)->m_szName, "Oboe");
    std::strcpy(score->Staff(1)->m_szName, "Horn");
    block->SetStaffNamePoint();
    POINT* kept = block->m_arrStaffNamePoint.GetAt(1);
    const int handles = block->m_arrStaffCtrl.GetSize();
    EXPECT_EQ(block->DeleteStaff(score->Staff(0)), 1);
    EXPECT_EQ(block->GetStaffNum(), 1);
    EXPECT_EQ(block->m_arrStaffY.GetSize(), 1);
    ASSERT_EQ(block->m_arrStaffNamePoint.GetSize(), 1);
    EXPECT_EQ(block->m_arrStaffNamePoint.GetAt(0), kept);
    EXPECT_EQ(block->m_arrStaffNameCtrl.GetSize(), 1);
    if (handles > 0) {
        EXPECT_EQ(block->m_arrStaffCtrl.GetSize(), handles - 1);
    }
    for (int e = 0; e < block->m_arrStaffEntry.GetSize(); ++e)
        EXPECT_NE(block->m_arrStaffEntry.GetAt(e)->pStaff, score->Staff(0));
    EXPECT_EQ(block->DeleteStaff(score->Staff(0)), 0);
}

TEST_F(DocQueriesTest, StaffOrderStacksByLineCounts)
{
    CKVBlock* block = Block(0);
    score->Staff(1)->m_byLineCount = 1;
    block->StaffOrder();
    const int s = Doc().m_nStaffSpace;
    const int d = Doc().m_pFileInfo->m_nStaffDistance;
    ASSERT_EQ(block->m_arrStaffY.GetSize(), 2);
    EXPECT_EQ(block->m_arrStaffY.GetAt(0), 4 * s);
    EXPECT_EQ(block->m_arrStaffY.GetAt(1), 4 * s + d * s);
}

TEST_F(DocQueriesTest, SymbolIndexesBoundsAndPagePoints)
{
    CKVMeas* meas = Meas(0, 1);
    CKVMsg* note = score->Note(meas, {.x = 64, .y = -12});
    CKVMsg other;
    EXPECT_EQ(meas->GetMsgIndex(note), 0);
    EXPECT_EQ(meas->GetMsgIndex(&other), -1);

    note->SetStartTime(480);
    EXPECT_EQ(note->m_nStartTime, 480);

    const short x = meas->MeasXToAbsX(note->m_nPosX, note->m_byKind);
    EXPECT_EQ(note->GetRectBounding(meas, 10, 20, 0), CRect(10 + x - 5, 20 - 12 - 5, 10 + x + 5, 20 - 12 + 5));

    CKVMsg* chord = score->Chord(meas, {.x = 128}, {0, -24});
    const CRect chordBounds = chord->GetRectBounding(meas, 0, 0, 0);
    CRect notes;
    notes.UnionRect(&static_cast<const CRect&>(chord->GetMsg(0)->GetRectBounding(meas, 0, 0, 0)),
                    &static_cast<const CRect&>(chord->GetMsg(1)->GetRectBounding(meas, 0, 0, 0)));
    EXPECT_EQ(chordBounds, notes);

    CKVBlock* block = nullptr;
    CKVMeas* holder = nullptr;
    const CPoint at = note->GetPositionOnPage(Page(0), &block, &holder);
    EXPECT_EQ(block, Block(0));
    EXPECT_EQ(holder, meas);
    EXPECT_EQ(at.x, Page(0)->m_rcPrint.left + Block(0)->m_rcBlock.left + meas->m_nLeftX + x);
    EXPECT_EQ(at.y, Page(0)->m_rcPrint.top + Block(0)->m_rcBlock.top + meas->m_nStaffY - 12);
}

} // namespace

namespace {

class CtrlPointTest : public DocQueriesTest {
protected:
    CPoint OnPage(POINT p) { return CPoint(p.x + Page(0)->m_rcPrint.left, p.y + Page(0)->m_rcPrint.top); }
};

TEST_F(CtrlPointTest, NoCurrentPageNoHandle)
{
    Doc().m_nCurPage = -1;
    EXPECT_EQ(Doc().IsCtrlPoint(CPoint(0, 0)), 0);
}

TEST_F(CtrlPointTest, AStaffNameHandleCounts)
{
    std::strcpy(score->Staff(0)->m_szName, "Harp");
    Block(0)->SetStaffNamePoint();
    EXPECT_EQ(Doc().IsCtrlPoint(CPoint(1, 1)), 1);
}

TEST_F(CtrlPointTest, InButtonEditModeTheButtonsDecide)
{
    CKVMsg* rest = score->Rest(Meas(0, 1), {.x = 64});
    CKVMsg* note = score->Note(Meas(0, 2), {.x = 64, .y = -12});
    const CPoint restAt = OnPage(HitOf(rest));
    const CPoint noteAt = OnPage(HitOf(note));
    ASSERT_EQ(Doc().IsCtrlPoint(restAt), 1);
    ASSERT_EQ(Doc().IsCtrlPoint(noteAt), 1);

    Doc().m_dwEditMode = 2;
    CKVCtrlTool::m_wEditCtrlGroupID = 2;
    CKVCtrlTool::m_wEditPushButtonID = 9;
    EXPECT_EQ(Doc().IsCtrlPoint(restAt), 1);
    CKVCtrlTool::m_wEditPushButtonID = 8;
    EXPECT_EQ(Doc().IsCtrlPoint(restAt), 0);
    CKVCtrlTool::m_wEditPushButtonID = 17;
    EXPECT_EQ(Doc().IsCtrlPoint(noteAt), 1);
    CKVCtrlTool::m_wEditPushButtonID = 18;
    EXPECT_EQ(Doc().IsCtrlPoint(noteAt), 0);
    for (WORD button : {28, 29}) {
        CKVCtrlTool::m_wEditPushButtonID = button;
        EXPECT_EQ(Doc().IsCtrlPoint(restAt), 0);
        EXPECT_EQ(Doc().IsCtrlPoint(noteAt), 0);
    }
    CKVCtrlTool::m_wEditPushButtonID = 4;
    CKVCtrlTool::m_wEditCtrlGroupID = 1;
    EXPECT_EQ(Doc().IsCtrlPoint(noteAt), 0);

    Doc().m_dwEditMode = 0;
    Doc().m_CtrlTool.m_wActiveVoice = 2;
    EXPECT_EQ(Doc().IsCtrlPoint(noteAt), 0);
}

} // namespace

namespace {

TEST_F(DocQueriesTest, ALyricTakesItsLinesYFromTheMeasure)
{
    CKVMeas* meas = Meas(0, 1);
    CKVMsg* note = score->Note(meas, {.x = 64, .y = -12});
    CKVMsg* lyric = score->Symbol(note, MSG_LYRIC, 5, 1);
    lyric->m_nPosY2 = 33;
    const CPoint at = note->GetPositionOnPage(Page(0), nullptr, nullptr);

    // Line 0 at 40, line 1 at 50.
    BYTE table[4] = {40, 0, 50, 0};
    meas->SetHead(4, table);
    EXPECT_EQ(lyric->GetPositionOnPage(Page(0), nullptr, nullptr), CPoint(at.x + 5, at.y + 50));

    const WORD none = 0x8000;
    table[2] = LOBYTE(none);
    table[3] = HIBYTE(none);
    meas->SetHead(4, table);
    EXPECT_EQ(lyric->GetPositionOnPage(Page(0), nullptr, nullptr), CPoint(at.x + 5, at.y + 33));

    lyric->m_nPosY = 7; // a line the table does not hold
    EXPECT_EQ(lyric->GetPositionOnPage(Page(0), nullptr, nullptr), CPoint(at.x + 5, at.y + 33));
}

} // namespace

namespace {

TEST_F(CtrlPointTest, InButtonEditModeANotesSecondHandleTakesEveryButton)
{
    CKVMsg* note = score->Note(Meas(0, 2), {.x = 64, .y = -12});
    const CPoint noteAt = OnPage(HitOf(note));
    while (note->m_arrCtrlPoint.GetSize() < 2)
        note->m_arrCtrlPoint.Add(new CKVCtrlPoint);
    // Handle 1 takes the place of handle 0, which moves far off.
    CKVCtrlPoint* head = note->m_arrCtrlPoint.GetAt(0);
    note->m_arrCtrlPoint.GetAt(1)->m_rect = head->m_rect;
    head->m_rect.OffsetRect(2000, 2000);

    Doc().m_dwEditMode = 2;
    CKVCtrlTool::m_wEditCtrlGroupID = 2;
    CKVCtrlTool::m_wEditPushButtonID = 18;
    EXPECT_EQ(Doc().IsCtrlPoint(noteAt), 1);
    EXPECT_EQ(note->m_cPointedCtrl, 1);
    CKVCtrlTool::m_wEditPushButtonID = 29;
    EXPECT_EQ(Doc().IsCtrlPoint(noteAt), 0);
}

TEST_F(DocQueriesTest, WithAttachedSymbolsTheBoundsReachANotesMark)
{
    CKVMeas* meas = Meas(0, 1);
    CKVMsg* note = score->Note(meas, {.x = 64, .y = -12});
    note->m_nLayout4 = 20; // the gap left of the head that the mark stands in
    note->m_nPosX2 = 10;
    note->m_lHeight = -28;
    CKVMsg* mark = score->Symbol(note, MSG_NOTEMARK, -18, 0);
    ASSERT_TRUE(mark);
    const short x = meas->MeasXToAbsX(note->m_nPosX, note->m_byKind);
    const CPoint anchor(x, -12);
    const CPoint markAt(anchor.x - 18, anchor.y);

    const CRect head = note->GetRectBounding(meas, 0, 0, 0);
    EXPECT_FALSE(::PtInRect(&head, markAt));
    const CRect withMark = note->GetRectBounding(meas, 0, 0, 2);
    EXPECT_EQ(withMark, CRect(anchor.x - 20 - 12, anchor.y - 28 - 12, anchor.x + 10 + 12, anchor.y + 12));
    EXPECT_TRUE(::PtInRect(&withMark, markAt));

    // A mark with handles adds them, placed at its own anchor, when every
    // handle is asked for; in mode 2 a handle beyond the note adds nothing.
    auto* handle = new CKVCtrlPoint;
    handle->m_rect = CRect(0, 0, 6, 6);
    mark->m_arrCtrlPoint.Add(handle);
    mark->m_nPosY = -60;
    EXPECT_EQ(note->GetRectBounding(meas, 0, 0, 2), withMark);
    const CRect all = note->GetRectBounding(meas, 0, 0, 255);
    EXPECT_TRUE(::PtInRect(&all, CPoint(markAt.x + 3, anchor.y - 60 + 3)));
    EXPECT_EQ(all.top, anchor.y - 60);
}

TEST_F(DocQueriesTest, TheMemoryEstimateGrowsWithPagesAndSymbols)
{
    auto estimate = [&] {
        DWORD total = 0;
        Doc().GetMemorySize(total);
        return total;
    };
    auto parts = [&] {
        DWORD sum = 0;
        for (short p = 0; p < Doc().GetPageNum(); ++p)
            Doc().GetPage(p)->GetMemorySize(sum);
        Doc().m_arrSystem.GetAt(0)->GetMemorySize(sum);
        return sum;
    };
    const DWORD empty = estimate();
    EXPECT_GT(empty, parts());
    for (int m = 0; m < 4; ++m)
        score->Note(Meas(1, m), {.x = 64});
    const DWORD withNotes = estimate();
    EXPECT_GT(withNotes, empty);

    // A second page adds its own size and its list entry.
    const DWORD before = parts();
    ASSERT_EQ(Doc().AddPage(new CKVPage), 1);
    ASSERT_EQ(Doc().GetPageNum(), 2);
    EXPECT_EQ(estimate(), withNotes + 4 + (parts() - before));
}

} // namespace
