// Repeat endings over measures 1 to 3 of one staff, drawn with the view
// state that block drawing leaves: block left 100, measure k spanning
// 160 * k - 60 to 160 * k + 100 in the block (measure 0 from 0 to 100), the
// top staff line 32 above the origin. The ending font is KvTest at 12 pt,
// 16 dots: ascent 13, descent 3, a label "1." 16 wide.

#include "support/RenderSupport.h"
#include "support/SystemDrawing.h"

#include "document/KVCtrlTool.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "platform/AllocHook.h"
#include "platform/Recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr COLORREF kEndingColour = 0x336699;

// The ending font at 12 pt and the ending colour, which the tests rely on.
void SetEndingSettings(CKVCtrlTool& tool)
{
    tool.m_lfEnding.lfHeight = 12;
    tool.m_dwW2 = kEndingColour;
}

class EndingDrawing : public kvtest::MeasureRenderTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 8, .measures = 5}; }
    void SetUp() override
    {
        MeasureRenderTest::SetUp();
        SetEndingSettings(Doc().m_CtrlTool);
        View().m_lBlockLeft = 100;
        View().m_lFirstMeas = 0;
        M(0)->m_rcMeas = CRect(0, 0, 100, 40);
        for (int k = 1; k < 5; ++k)
            M(k)->m_rcMeas = CRect(160 * k - 60, 0, 160 * k + 100, 40);
    }
    CKVMeas* M(int k) { return Builder().Meas(0, k); }
    CKVMeas* Ending(int k, BYTE type, BYTE style = 0, const char* label = "1.")
    {
        CKVMeas* meas = M(k);
        meas->m_byEndingPos = type;
        meas->m_byEndingByte = style;
        meas->m_wEndingWord = 4;
        std::strncpy(meas->m_szEndingText, label, CKVMeas::ENDING_TEXT_SIZE);
        return meas;
    }
    // Draws measure k's ending at its own origin (y 300), with the
    // neighbours block drawing would record.
    short Draw(int k)
    {
        View().m_pCurMeas = M(k);
        View().m_pPrevMeas = k > 0 ? M(k - 1) : nullptr;
        View().m_lCurMeasIndex = k;
        View().m_bLastColumn = 0;
        View().KVSetOrgXY(100 + M(k)->m_rcMeas.left, 300);
        return View().DrawEndings(-1);
    }
    using Segment = std::vector<CPoint>;
    std::vector<Segment> Segments()
    {
        std::vector<Segment> out;
        for (const kvrec::Entry* line : Log().Lines())
            out.emplace_back(line->logical.begin(), line->logical.end());
        return out;
    }
    static std::vector<std::pair<WORD, CRect>> Handles(CKVMeas* meas)
    {
        std::vector<std::pair<WORD, CRect>> out;
        for (int i = 0; i < meas->m_arrCtrlPoint.GetSize(); ++i)
            out.emplace_back(meas->m_arrCtrlPoint.GetAt(i)->m_wKind, meas->m_arrCtrlPoint.GetAt(i)->m_rect);
        return out;
    }
};

TEST_F(EndingDrawing, EndingOverThreeMeasuresSettlesOnceAndSpreadsItsGeometry)
{
    CKVMeas* first = Ending(1, CKVMeas::ENDING_BEGINS);
    Ending(2, CKVMeas::ENDING_CONTINUES);
    Ending(3, CKVMeas::ENDING_ENDS);
    first->m_dwMsgId = 7;
    ASSERT_TRUE(GrowHandles(*M(2), 2));

    EXPECT_EQ(Draw(1), 1);
    EXPECT_EQ(first->m_byEndingOffset, 12);
    EXPECT_EQ(first->m_dwWord, 5u);
    EXPECT_EQ(first->m_wEndingLine1, 6);
    EXPECT_EQ(first->m_wEndingLine2, 17);
    EXPECT_TRUE(first->m_wObjWord & CKVMeas::ENDING_START);

    const std::vector<const kvrec::Entry*> texts = Log().Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->bytes, "1.");
    EXPECT_EQ(CPoint(texts[0]->logical[0]), CPoint(214, 261));
    EXPECT_EQ(texts[0]->textColour, kEndingColour);
    EXPECT_EQ(Segments(), (std::vector<Segment> {{{208, 263}, {208, 244}}, {{208, 244}, {360, 244}}}));
    for (const kvrec::Entry* line : Log().Lines()) {
        EXPECT_EQ(line->penWidth, 1);
        EXPECT_EQ(line->penColour, kEndingColour);
    }
    using H = std::pair<WORD, CRect>;
    EXPECT_EQ(Handles(first), (std::vector<H> {{6, CRect(5, -27, 11, -21)},
                                               {6, CRect(14, -20, 30, -7)},
                                               {11, CRect(5, -8, 11, -2)}}));
    EXPECT_TRUE(Handles(M(2)).empty());
    EXPECT_EQ(first->m_dwMsgId, 0u);
    for (int k : {2, 3}) {
        EXPECT_EQ(M(k)->m_byEndingOffset, 12);
        EXPECT_EQ(M(k)->m_dwWord, 5u);
    }

    // The last measure: its line and a closing hook down to the hook's end.
    Log().Clear();
    EXPECT_EQ(Draw(3), 1);
    EXPECT_TRUE(Log().Texts().empty());
    EXPECT_EQ(Segments(), (std::vector<Segment> {{{520, 244}, {680, 244}}, {{680, 244}, {680, 263}}}));
    EXPECT_EQ(Handles(M(3)), (std::vector<H> {{10, CRect(157, -27, 163, -21)}}));

    // A later font leaves the settled geometry; the handles come back.
    DeleteHandles(*first);
    Doc().m_CtrlTool.m_lfEnding.lfHeight = 20;
    Draw(1);
    EXPECT_EQ(first->m_byEndingOffset, 12);
    EXPECT_EQ(first->m_wEndingLine1, 6);
    EXPECT_EQ(first->m_wEndingLine2, 17);
    EXPECT_EQ(first->m_arrCtrlPoint.GetSize(), 3);
    EXPECT_EQ(Doc().m_CtrlTool.m_lfEnding.lfHeight, 20);
}

TEST_F(EndingDrawing, LineStylesOfAOneMeasureEnding)
{
    CKVMeas* meas = Ending(1, CKVMeas::ENDING_BEGINS_AND_ENDS, 1);
    Draw(1);
    EXPECT_EQ(Segments(), (std::vector<Segment> {{{208, 263}, {208, 244}}, {{208, 244}, {360, 244}}}));
    EXPECT_EQ(meas->m_arrCtrlPoint.GetSize(), 4);
    EXPECT_EQ(meas->m_arrCtrlPoint.GetAt(3)->m_wKind, CKVCtrlPoint::kReshape);

    Log().Clear();
    meas->m_byEndingByte = 0;
    Draw(1);
    EXPECT_EQ(Segments().size(), 3u);

    Log().Clear();
    meas->m_byEndingByte = 2;
    Draw(1);
    const std::vector<const kvrec::Entry*> dashes = Log().Lines();
    EXPECT_GT(dashes.size(), 6u);
    for (const kvrec::Entry* dash : dashes)
        EXPECT_EQ(dash->windowExt.cx, 400);
    EXPECT_EQ(Dc().GetWindowExt().cx, 100);
}

TEST_F(EndingDrawing, EndingsBackToBackLeaveRoomByTheBarLineBetween)
{
    struct Case {
        BYTE endBar;
        int firstEnd;
        int secondStart;
    };
    for (const Case& c : {Case {CKVMeas::BAR_THIN, 360, 372}, Case {CKVMeas::BAR_SINGLE, 356, 372},
                          Case {CKVMeas::BAR_REPEAT, 352, 368}}) {
        Ending(1, CKVMeas::ENDING_BEGINS_AND_ENDS)->m_byEndBar = c.endBar;
        Ending(2, CKVMeas::ENDING_BEGINS_AND_ENDS, 0, "2.");
        Log().Clear();
        Draw(1);
        ASSERT_GE(Segments().size(), 2u);
        EXPECT_EQ(Segments()[1][1].x, c.firstEnd) << int(c.endBar);
        Log().Clear();
        Draw(2);
        ASSERT_GE(Segments().size(), 1u);
        EXPECT_EQ(Segments()[0][0].x, c.secondStart) << int(c.endBar);
    }
    // The block's last measure keeps its full length.
    Log().Clear();
    View().m_pCurMeas = M(1);
    View().m_bLastColumn = 1;
    View().KVSetOrgXY(200, 300);
    View().DrawEndings(-1);
    EXPECT_EQ(Segments()[1][1].x, 360);
}

TEST_F(EndingDrawing, EndingCarriedIntoASystemStartsAfterTheHeader)
{
    Ending(0, CKVMeas::ENDING_CONTINUES)->m_nHeaderWidth = 40;
    Draw(0);
    ASSERT_EQ(Segments().size(), 1u);
    EXPECT_EQ(Segments()[0][0], CPoint(124, 300 - 32));
}

TEST_F(EndingDrawing, LabelWithoutTerminatorIsItsSixteenBytes)
{
    CKVMeas* meas = Ending(1, CKVMeas::ENDING_BEGINS_AND_ENDS);
    std::memcpy(meas->m_szEndingText, "ABCDEFGHIJKLMNOP", CKVMeas::ENDING_TEXT_SIZE);
    Draw(1);
    ASSERT_EQ(Log().Texts().size(), 1u);
    EXPECT_EQ(Log().Texts()[0]->bytes, "ABCDEFGHIJKLMNOP");
}

TEST_F(EndingDrawing, HandlesThatCannotBeMadeEndTheDrawing)
{
    CKVMeas* meas = Ending(1, CKVMeas::ENDING_BEGINS);
    KvFailAllocationAfter(1);
    EXPECT_EQ(Draw(1), 1);
    EXPECT_TRUE(Log().Texts().empty());
    EXPECT_TRUE(Log().Lines().empty());
    EXPECT_EQ(meas->m_arrCtrlPoint.GetSize(), 0);
}

// A one-staff system of three measures in a block at (40, 60), drawn
// whole: a whole rest in the first measure, an ending over the other two.
class EndingInSystem : public kvtest::SystemDrawingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 8, .measures = 4}; }
    void SetUp() override
    {
        SystemDrawingTest::SetUp();
        SetEndingSettings(Doc().m_CtrlTool);
        m_block = std::make_unique<CKVBlock>();
        m_block->m_pSystem = Builder().System();
        m_block->m_pStaffArray->Add(Builder().Staff(0));
        m_block->m_arrStaffY.Add(40);
        const int edges[] = {30, 230, 400, 600};
        for (int x : edges)
            m_block->m_arrMeasX.Add(static_cast<WORD>(x));
        // As the page layout leaves them.
        for (int k = 0; k < 3; ++k)
            Meas(k)->m_rcMeas = CRect(edges[k], 0, edges[k + 1], 80);
        m_block->m_rcBlock = CRect(40, 60, 640, 140);
        m_block->m_nMeasCount = 3;
    }
    CKVMeas* Meas(int k) { return Builder().Meas(0, k); }
    void Ending(int k, BYTE type)
    {
        Meas(k)->m_byEndingPos = type;
        std::strncpy(Meas(k)->m_szEndingText, "1.", CKVMeas::ENDING_TEXT_SIZE);
    }
    std::vector<const kvrec::Entry*> EndingLines()
    {
        std::vector<const kvrec::Entry*> out;
        for (const kvrec::Entry* line : Log().Lines())
            if (line->penColour == kEndingColour)
                out.push_back(line);
        return out;
    }
    int LabelCount()
    {
        const std::vector<const kvrec::Entry*> texts = Log().Texts();
        return static_cast<int>(
            std::count_if(texts.begin(), texts.end(), [](const kvrec::Entry* t) { return t->bytes == "1."; }));
    }

    std::unique_ptr<CKVBlock> m_block;
};

TEST_F(EndingInSystem, SystemShowsTheRestTheLabelAndTheBracket)
{
    Builder().Rest(Meas(0), {.x = 64, .code = DUR_WHOLE});
    Ending(1, CKVMeas::ENDING_BEGINS);
    Ending(2, CKVMeas::ENDING_ENDS);
    ASSERT_EQ(View().KVDrawBlock(*m_block), 1);
    const std::vector<kvrec::GlyphHit> glyphs = Log().Glyphs();
    EXPECT_TRUE(std::any_of(glyphs.begin(), glyphs.end(), [](const kvrec::GlyphHit& g) { return g.code == 0xB4; }));
    EXPECT_EQ(LabelCount(), 1);
    // Hook and line over the first measure, line and closing hook over the
    // last; the bracket lines meet at the bar line between them.
    const std::vector<const kvrec::Entry*> lines = EndingLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(CPoint(lines[1]->logical[1]), CPoint(lines[2]->logical[0]));
    EXPECT_EQ(lines[1]->logical[0].y, lines[3]->logical[0].y);
    EXPECT_EQ(Meas(1)->m_arrCtrlPoint.GetSize(), 3);
    EXPECT_EQ(Meas(2)->m_arrCtrlPoint.GetSize(), 1);
}

// An ending that runs on past the system's end runs on through the
// courtesy column as a plain line: its label and hook stay with its first
// measure.
TEST_F(EndingInSystem, EndingRunsThroughTheCourtesyColumnWithoutASecondLabel)
{
    Doc().m_CtrlTool.m_byH5 = 1;
    for (int k = 0; k < 4; ++k) {
        Meas(k)->m_byKeyType = CKVMeas::KEY_SHARPS;
        Meas(k)->m_byKeyCount = k < 3 ? 3 : 1;
    }
    Ending(2, CKVMeas::ENDING_BEGINS);
    Ending(3, CKVMeas::ENDING_ENDS);
    ASSERT_EQ(View().KVDrawBlock(*m_block), 1);
    EXPECT_EQ(LabelCount(), 1);
    const std::vector<const kvrec::Entry*> lines = EndingLines();
    ASSERT_EQ(lines.size(), 3u); // hook, line, the column's line
    EXPECT_EQ(lines[2]->logical[1].x, 40 + 600);
    EXPECT_EQ(Meas(2)->m_arrCtrlPoint.GetSize(), 3);
}

} // namespace
