// A page: its background and frame, which systems an update rectangle
// reaches, the staff names of its first system, its header and footer, and
// the document's page and staff lookups that page drawing relies on.

#include "support/RenderSupport.h"

#include "document/KVFileInfo.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "model/KVPage.h"
#include "platform/Recorder.h"
#include "platform/Time.h"
#include "render/ViewGeometry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

class PageDrawing : public kvtest::RenderTest {
protected:
    kvtest::RenderShape Rendering() const override { return {.metrics = kvtest::BoxMetrics({})}; }
    void SetUp() override
    {
        RenderTest::SetUp();
        CKVFileInfo& info = *Doc().m_pFileInfo;
        info.m_nLeftMargin = 20;
        info.m_nTopMargin = 30;
        info.m_nRightMargin = 20;
        info.m_nBottomMargin = 30;
        info.m_lPrintWidth = 600;
        info.m_lPrintHeight = 800;
        m_blank.m_pDoc = &Doc();
        m_blank.m_rcPrint.SetRect(20, 30, 620, 830);
        m_live = kvrec::LiveObjectCounts();
        m_warnings = kvrec::Warnings().size();
    }
    void TearDown() override
    {
        EXPECT_EQ(kvrec::LiveObjectCounts(), m_live);
        EXPECT_EQ(kvrec::Warnings().size(), m_warnings);
        RenderTest::TearDown();
    }
    short Draw(CKVPage& page, int index, CRect update = CRect(0, 0, 2000, 2000))
    {
        Log().Clear();
        return View().KVDrawPage(page, update, index);
    }
    std::vector<std::string> Calls()
    {
        std::vector<std::string> calls;
        for (const kvrec::Entry& entry : Log().Entries())
            if (entry.call == "FillSolidRect" || entry.call == "LineTo" || entry.call.rfind("TextOut", 0) == 0)
                calls.push_back(entry.call);
        return calls;
    }

    CKVPage m_blank; // a page without blocks
    kvrec::LiveCounts m_live;
    size_t m_warnings = 0;
};

TEST_F(PageDrawing, ScreenPassFillsThePageThenFramesThePrintableArea)
{
    Doc().m_CtrlTool.m_crPage = 0x00E0F0FF;
    EXPECT_EQ(View().m_ptPrintTopLeft, CPoint(0, 0));
    EXPECT_EQ(Draw(m_blank, 1), 1);
    EXPECT_EQ(View().m_ptPrintTopLeft, CPoint(20, 30));
    EXPECT_EQ(Calls(), (std::vector<std::string> {"FillSolidRect", "LineTo", "LineTo", "LineTo", "LineTo"}));
    const std::vector<const kvrec::Entry*> fills = Log().Calls("FillSolidRect");
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(CPoint(fills[0]->logical[0]), CPoint(0, 0));
    EXPECT_EQ(CPoint(fills[0]->logical[1]), CPoint(640, 860));
    EXPECT_EQ(fills[0]->brushColour, 0x00E0F0FFu);

    const std::vector<const kvrec::Entry*> lines = Log().Calls("LineTo");
    const std::vector<CPoint> corners = {{20, 30}, {620, 30}, {620, 830}, {20, 830}, {20, 30}};
    ASSERT_EQ(lines.size(), 4u);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(CPoint(lines[i]->logical[0]), corners[i]) << i;
        EXPECT_EQ(CPoint(lines[i]->logical[1]), corners[i + 1]) << i;
        EXPECT_EQ(lines[i]->penStyle, UINT(PS_DOT));
        EXPECT_EQ(lines[i]->penWidth, 0);
        EXPECT_EQ(lines[i]->penColour, 0x808080u);
    }
    // The pass origin is the host's again afterwards.
    EXPECT_EQ(CPoint(View().m_lOrgX, View().m_lOrgY), CPoint(0, 0));

    CKVCtrlTool::m_fPageLineVisible = 0;
    Draw(m_blank, 1);
    EXPECT_EQ(Calls(), std::vector<std::string> {"FillSolidRect"});
}

TEST_F(PageDrawing, PrintingPassHasNeitherFillNorFrameAndNoDocumentDrawsNothing)
{
    ClosePasses();
    ASSERT_EQ(OpenPass(true), 1);
    Draw(m_blank, 1);
    EXPECT_TRUE(Calls().empty());

    CKVDoc* bound = View().m_pDoc;
    View().m_pDoc = nullptr;
    EXPECT_EQ(Draw(m_blank, 1), 1);
    EXPECT_TRUE(Log().Entries().empty());
    View().m_pDoc = bound;
}

// Block 100-260 with two staves: each side widened by 80 dots, moved by the
// origin (20, 30) of the printable area.
TEST(PageCulling, SystemIsDrawnWhereItOrItsMarginMeetsTheUpdateRectangle)
{
    struct Case {
        CRect update;
        int staves;
        bool drawn;
    };
    const CRect block(40, 100, 640, 260);
    for (const Case& c : {Case {{0, 40, 2000, 55}, 2, true}, Case {{0, 0, 2000, 50}, 2, false},
                          Case {{0, 370, 2000, 400}, 2, false}, Case {{0, 360, 2000, 400}, 2, true},
                          // Only the far right of the system, after a sideways scroll.
                          Case {{645, 0, 700, 900}, 2, true}, Case {{665, 0, 700, 900}, 2, false},
                          Case {{0, 0, 2000, 2000}, 0, false}}) {
        EXPECT_EQ(viewgeom::BlockMeetsUpdate(block, c.staves, POINT {20, 30}, c.update), c.drawn)
            << c.update.left << "," << c.update.top << " staves " << c.staves;
    }
}

TEST_F(PageDrawing, StafflessSystemIsSkipped)
{
    CKVPage* page = Doc().GetPage(0);
    ASSERT_NE(page, nullptr);
    CKVBlock* empty = new CKVBlock;
    empty->m_pPage = page;
    empty->m_rcBlock.SetRect(0, 100, 600, 100);
    page->m_arrBlock.Add(empty);
    EXPECT_EQ(Draw(*page, 0, CRect(0, 0, 2000, 2000)), 1);
}

class StaffNames : public PageDrawing {
protected:
    void SetUp() override
    {
        PageDrawing::SetUp();
        m_page = Doc().GetPage(0);
        m_block = m_page->GetBlock(0);
        ASSERT_EQ(m_block->GetStaffNum(), 1);
        m_block->m_rcBlock.SetRect(40, 60, 600, 120);
        m_block->m_arrMeasX.SetAt(0, 30);
        m_block->m_arrStaffY.SetAt(0, 40);
        std::strcpy(Builder().Staff(0)->m_szName, "Piano");
        m_block->RemoveStaffNamePoint();
        m_block->m_arrStaffNamePoint.Add(new POINT {-8, -16});
        m_block->m_arrStaffNameCtrl.Add(new CKVCtrlPoint(CRect(-3, -3, 3, 3)));
        CKVCtrlTool& tool = Doc().m_CtrlTool;
        tool.m_lfStaffName.lfHeight = 12;
        tool.m_dwW5 = 0x0000FF;
        tool.m_dwH1 = 1;
        tool.m_dwH2 = 0;
        View().m_rcUpdate.SetRect(0, 0, 2000, 2000);
        View().KVSetOrgXY(20, 30);
    }
    std::vector<const kvrec::Entry*> Draw(int pageIndex)
    {
        Log().Clear();
        View().KVDrawStaffName(*m_page, pageIndex);
        return Log().Texts();
    }
    CKVPage* m_page = nullptr;
    CKVBlock* m_block = nullptr;
};

TEST_F(StaffNames, NameStandsRightAlignedOnItsAnchorAndItsHandleCoversIt)
{
    const std::vector<const kvrec::Entry*> texts = Draw(0);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->call, "TextOutA");
    EXPECT_EQ(texts[0]->bytes, "Piano");
    EXPECT_EQ(CPoint(texts[0]->logical[0]), CPoint(42, 106));
    EXPECT_EQ(texts[0]->align, 0u);
    EXPECT_EQ(texts[0]->font.lfHeight, -16);
    EXPECT_EQ(texts[0]->textColour, 0x0000FFu);
    EXPECT_EQ(CRect(*m_block->m_arrStaffNameCtrl.GetAt(0)), CRect(42, 106, 82, 122));
    EXPECT_EQ(Doc().m_CtrlTool.m_lfStaffName.lfHeight, 12);
}

TEST_F(StaffNames, NothingIsDrawnWhenTheSettingsOrTheAnchorsSaySo)
{
    Doc().m_CtrlTool.m_dwH1 = 0;
    EXPECT_TRUE(Draw(0).empty());
    Doc().m_CtrlTool.m_dwH1 = 1;

    Doc().m_CtrlTool.m_dwH2 = 1;
    EXPECT_TRUE(Draw(1).empty()); // page 0 is the first page with blocks
    EXPECT_EQ(Draw(0).size(), 1u);
    Doc().m_CtrlTool.m_dwH2 = 0;

    m_block->m_arrStaffNamePoint.Add(nullptr);
    EXPECT_TRUE(Draw(0).empty());
    m_block->m_arrStaffNamePoint.RemoveAt(1);

    // An update rectangle that ends above the system.
    View().m_rcUpdate.SetRect(0, 0, 2000, 80);
    EXPECT_TRUE(Draw(0).empty());
}

TEST_F(StaffNames, SystemWithAnchorsButNoHandlesStillShowsItsNames)
{
    delete m_block->m_arrStaffNameCtrl.GetAt(0);
    m_block->m_arrStaffNameCtrl.RemoveAll();
    EXPECT_EQ(Draw(0).size(), 1u);
    EXPECT_EQ(m_block->m_arrStaffNameCtrl.GetSize(), 0);
    m_block->m_arrStaffNameCtrl.Add(nullptr);
    EXPECT_EQ(Draw(0).size(), 1u);
}

// A header or footer record followed by its text.
Bytes Record(BYTE font, BYTE placement, BYTE mirror, WORD skip, WORD first, const std::string& text,
             WORD length = 0xFFFF)
{
    if (length == 0xFFFF)
        length = static_cast<WORD>(text.size());
    Bytes bytes = {font, 0, 12, 0, placement, mirror, BYTE(skip), BYTE(skip >> 8), BYTE(first), BYTE(first >> 8),
                   BYTE(length), BYTE(length >> 8)};
    for (char c : text)
        bytes.push_back(static_cast<BYTE>(c));
    return bytes;
}

// Two records back to back, as a title-block symbol holds them.
Bytes Join(Bytes a, const Bytes& b)
{
    for (BYTE byte : b)
        a.push_back(byte);
    return a;
}

class HeaderFooter : public PageDrawing {
protected:
    void SetUp() override
    {
        PageDrawing::SetUp();
        using namespace std::chrono;
        m_zone = std::getenv("TZ") ? std::getenv("TZ") : "";
        setenv("TZ", "UTC0", 1);
        tzset();
        KvSetFixedClock(KvFixedClock {sys_days {year {2024} / 3 / 5} + hours {14} + minutes {7}});
        m_font = static_cast<BYTE>(Doc().m_FontDatas.GetFontNumber("Arial"));
        SetRecords(1, Join(Record(m_font, 1, 0, 0, 1, "#T #d"), Record(m_font, 0, 0, 0, 1, "")));
        SetRecords(0, Join(Record(m_font, 0, 1, 1, 1, "#P"), Record(m_font, 0, 0, 0, 1, "")));
    }
    void TearDown() override
    {
        setenv("TZ", m_zone.c_str(), 1);
        tzset();
        PageDrawing::TearDown();
    }
    void SetRecords(int title, Bytes bytes)
    {
        Doc().m_pTitleMsg[title]->SetHead(static_cast<short>(bytes.size()), bytes.data());
    }
    struct Shown {
        std::string bytes;
        CPoint at;
        UINT align;
        bool operator==(const Shown&) const = default;
    };
    std::vector<Shown> Shows(int pageIndex)
    {
        Draw(m_blank, pageIndex);
        std::vector<Shown> shown;
        for (const kvrec::Entry* text : Log().Texts()) {
            EXPECT_EQ(text->call, "TextOutA");
            EXPECT_EQ(text->font.lfHeight, -16);
            shown.push_back({text->bytes, CPoint(text->logical[0]), text->align});
        }
        return shown;
    }
    std::string m_zone;
    BYTE m_font = 0;
};

TEST_F(HeaderFooter, FieldsPlacesAndMirroringFollowThePageNumber)
{
    EXPECT_EQ(Shows(0), (std::vector<Shown> {{"14:07 2024/3/5", {320, 32}, TA_TOP | TA_CENTER}}));
    // Footers read as text: "1" stays the digit, not a music glyph.
    EXPECT_EQ(Shows(1)[1], (Shown {"1", {620, 828}, TA_BASELINE | TA_RIGHT}));
    EXPECT_EQ(Shows(2)[1], (Shown {"2", {20, 828}, TA_BASELINE | TA_LEFT}));

    SetRecords(1, Join(Record(m_font, 3, 0, 0, 1, "x"), Record(m_font, 2, 1, 0, 7, "#p of #D")));
    EXPECT_EQ(Shows(0)[0], (Shown {"x", {20, 32}, TA_TOP | TA_LEFT}));
    EXPECT_EQ(Shows(0)[1], (Shown {"7 of 2024/3/5", {620, 32}, TA_TOP | TA_RIGHT}));
    EXPECT_EQ(Shows(1)[1], (Shown {"8 of 2024/3/5", {20, 32}, TA_TOP | TA_LEFT}));
}

TEST_F(HeaderFooter, RecordRunningPastTheHeadIsNotDrawn)
{
    SetRecords(0, Bytes {});
    // The second text claims 40 bytes more than the head holds.
    Bytes head = Join(Record(m_font, 1, 0, 0, 1, "top"), Record(m_font, 0, 0, 0, 1, "tail", 44));
    SetRecords(1, head);
    EXPECT_EQ(Shows(0), (std::vector<Shown> {{"top", {320, 32}, TA_TOP | TA_CENTER}}));
    // A head cut inside the second record's 12 bytes.
    head.resize(24);
    SetRecords(1, head);
    EXPECT_EQ(Shows(0).size(), 1u);
}

TEST_F(HeaderFooter, PageDrawsTitleSystemsSymbolsNamesHeaderAndFooterInThatOrder)
{
    CKVPage& page = *Doc().GetPage(0);
    page.m_rcPrint.SetRect(20, 30, 620, 830);
    SetRecords(0, Join(Record(m_font, 0, 0, 0, 1, "#P"), Record(m_font, 0, 0, 0, 1, "")));
    // Clefs stand in for the title text and for a page-level symbol.
    CKVMsg* title = Doc().m_pTitleMsg[2];
    title->m_byKind = MSG_CLEF;
    title->m_wDuration = 1;
    title->m_nPosX = 5;
    auto* symbol = new CKVMsg;
    symbol->m_byKind = MSG_CLEF;
    symbol->m_wDuration = 1;
    symbol->m_nPosX = 300;
    symbol->m_byParentKind = CKVPage::PARENT_KIND_PAGE;
    page.AddMsg(symbol);
    CKVBlock* block = page.GetBlock(0);
    block->m_rcBlock.SetRect(40, 60, 600, 120);
    const int columns = block->m_arrMeasX.GetSize() - 1;
    for (int i = 0; i <= columns; ++i)
        block->m_arrMeasX.SetAt(i, static_cast<WORD>(30 + i * 500 / columns));
    std::strcpy(Builder().Staff(0)->m_szName, "Piano");
    block->RemoveStaffNamePoint();
    block->m_arrStaffNamePoint.Add(new POINT {-8, -16});
    block->m_arrStaffNameCtrl.Add(new CKVCtrlPoint(CRect(-3, -3, 3, 3)));

    Draw(page, 0);
    int titleAt = 0, blockAt = 0, symbolAt = 0, nameAt = 0, headerAt = 0, footerAt = 0;
    int lines = 0;
    for (const kvrec::Entry& e : Log().Entries()) {
        if (e.call == "LineTo" && ++lines == 5)
            blockAt = e.seq; // the first line after the frame's four
        if (!e.glyphs.empty() && e.logical[0].x == 25 && !titleAt)
            titleAt = e.seq;
        if (!e.glyphs.empty() && e.logical[0].x == 320)
            symbolAt = e.seq;
        nameAt = e.bytes == "Piano" ? e.seq : nameAt;
        headerAt = e.bytes == "14:07 2024/3/5" ? e.seq : headerAt;
        footerAt = e.bytes == "1" ? e.seq : footerAt;
    }
    EXPECT_GT(titleAt, 0);
    EXPECT_GT(blockAt, titleAt);
    EXPECT_GT(symbolAt, blockAt);
    EXPECT_GT(nameAt, symbolAt);
    EXPECT_GT(headerAt, nameAt);
    EXPECT_GT(footerAt, headerAt);

    // The title belongs to the first page that holds systems only.
    Draw(page, 1);
    for (const kvrec::Entry* text : Log().Texts())
        EXPECT_NE(text->logical[0].x, 25);
}

class PageLookups : public kvtest::PagedScoreTest {};

TEST_F(PageLookups, FirstPageWithBlocksAndStavesByIndex)
{
    CKVDoc& doc = Doc();
    EXPECT_EQ(doc.GetFirstPageIndex(1), 0);
    EXPECT_EQ(doc.GetFirstPageIndex(0), 0);
    doc.m_pPageArray->InsertAt(0, new CKVPage);
    doc.m_pPageArray->InsertAt(0, new CKVPage);
    EXPECT_EQ(doc.GetFirstPageIndex(1), 2);
    EXPECT_EQ(doc.GetFirstPageIndex(2), 0);
    for (short p = 0; p < doc.GetPageNum(); ++p) {
        CKVPage* page = doc.GetPage(p);
        while (page->GetBlockNum() > 0)
            page->RemoveBlock(0);
    }
    EXPECT_EQ(doc.GetFirstPageIndex(1), 0);

    EXPECT_EQ(doc.GetStaff(0, 0), score->Staff(0));
    EXPECT_EQ(doc.GetStaff(1, 0), score->Staff(1));
    EXPECT_EQ(doc.GetStaff(2, 0), nullptr);
    EXPECT_EQ(doc.GetStaff(5, 0), nullptr);
    EXPECT_EQ(doc.GetStaff(-1, 0), nullptr);
    EXPECT_EQ(doc.GetStaff(0, 3), nullptr);
    EXPECT_EQ(doc.GetStaff(0, -1), nullptr);
}

} // namespace
