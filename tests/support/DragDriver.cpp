#include "support/DragDriver.h"

#include "support/CanonicalDump.h"
#include "support/UndoSupport.h"

#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/TickMath.h"

#include <ostream>

namespace kvtest {

std::ostream& operator<<(std::ostream& os, const Blit& b)
{
    return os << "(" << b.x << ", " << b.y << ", " << b.w << ", " << b.h << ")";
}

void BoxTemplate::DrawDraging(CDC* dc)
{
    ++draws;
    CRect box(m_ptPos.x - 4, m_ptPos.y - 6, m_ptPos.x + 6, m_ptPos.y + 4);
    dc->FillSolidRect(&box, RGB(0, 0, 0));
    m_rcBound = CRect(-4, -6, 6, 4);
}

void DragFixture::SetUp()
{
    KvTest::SetUp();
    m_startObjects = kvrec::LiveObjectCounts();
    score = std::make_unique<ScoreBuilder>(ScoreShape {.lineSpacing = 16, .staves = 1, .measures = 2});
    CKVDoc& doc = Doc();
    doc.m_nScoreFontSize = 48;
    for (SIZE& size : doc.m_sizeHead)
        size = SIZE {20, 16};
    StartUndoRecording(doc);

    if (doc.GetPageNum() == 0)
        doc.AddPage(new CKVPage);
    CKVPage* page = doc.GetPage(0);
    page->m_pDoc = &doc;
    while (page->GetBlockNum() > 0)
        page->RemoveBlock(0);
    page->m_rcPrint = CRect(50, 60, 850, 1160);
    CKVBlock* block = page->AddBlock(score->System(), 0, 2, POINT {0, 100}, 0);
    ASSERT_NE(block, nullptr);
    block->m_rcBlock = CRect(0, 100, 556, 228);
    block->m_arrMeasX.RemoveAll();
    for (WORD x : {0, 300, 556})
        block->m_arrMeasX.Add(x);
    block->m_arrStaffY.RemoveAll();
    block->m_arrStaffY.Add(64);
    for (int i = 0; i < block->m_arrStaffEntry.GetSize(); ++i)
        block->m_arrStaffEntry.GetAt(i)->wValue = 24;

    CKVMeas* first = Meas(0);
    first->m_nLeftX = 0;
    first->m_nStaffY = 64;
    first->m_nHeaderWidth = 44;
    first->m_nRealWidth = 256;
    first->m_rcMeas = CRect(0, 0, 300, 128);
    CKVMeas* second = Meas(1);
    second->m_nLeftX = 300;
    second->m_nStaffY = 64;
    second->m_nHeaderWidth = 0;
    second->m_nRealWidth = 256;
    second->m_rcMeas = CRect(300, 0, 556, 128);
    score->Staff(0)->m_wObjWord = 100;

    doc.JumpToPage(0);
    doc.m_nCurBlock = 0;
    doc.m_pCurBlock = block;
    doc.m_nCurStaff = 0;
    doc.m_pCurStaff = score->Staff(0);
    doc.m_nCurMeas = 0;
    doc.m_pCurMeas = first;
}

void DragFixture::TearDown()
{
    m_view.reset();
    score.reset();
    EXPECT_EQ(kvrec::LiveObjectCounts(), m_startObjects) << "GDI objects left behind";
    EXPECT_EQ(KvOpenScreenDCs(), 0) << "screen DCs left open";
    KvTest::TearDown();
}

CKVPage* DragFixture::Page()
{
    return Doc().GetCurrentPage();
}

CKVBlock* DragFixture::Block()
{
    CKVPage* page = Doc().GetPage(0);
    return page && page->GetBlockNum() > 0 ? page->GetBlock(0) : nullptr;
}

TestDC& DragFixture::View()
{
    if (!m_view)
        m_view = MakeRecordingDC(1000, 1300, 96);
    return *m_view;
}

std::unique_ptr<TestDC> DragFixture::RasterView(int width, int height)
{
    return MakeRasterDC(width, height, KvRasterKind::Screen);
}

std::vector<Blit> DragFixture::Blits()
{
    std::vector<Blit> blits;
    const auto& entries = View().Log().Entries();
    for (size_t i = m_seen; i < entries.size(); ++i) {
        const kvrec::Entry& e = entries[i];
        if (e.call != "BitBlt" || e.rop3 != ROP_DSXN || e.logical.size() < 2)
            continue;
        blits.push_back({e.logical[0].x, e.logical[0].y, e.logical[1].x - e.logical[0].x,
                         e.logical[1].y - e.logical[0].y});
    }
    m_seen = entries.size();
    return blits;
}

std::string DragFixture::Dump()
{
    return CanonicalDump(Doc());
}

void DragFixture::Undo()
{
    Doc().MultiUndoStart();
}

void DragFixture::Redo()
{
    Doc().MultiRedoStart();
}

void DragFixture::PointCursorAt(CKVMsg* msg)
{
    CKVMeas* meas = tickmath::MeasureOf(msg);
    CKVPage* page = Doc().GetCurrentPage();
    if (!meas || !page)
        return;
    short staff = 0;
    CKVBlock* block = page->GetBlockOfMeas(meas, &staff);
    if (!block)
        return;
    Doc().m_pCurBlock = block;
    Doc().m_nCurStaff = staff;
    Doc().m_pCurStaff = staff < block->GetStaffNum() ? block->GetStaff(staff) : nullptr;
    Doc().m_pCurMeas = meas;
    Doc().m_nCurMeas = static_cast<short>(meas == Meas(1) ? 1 : 0);
}

CKVPage* DragFixture::AddEmptyPage()
{
    auto* page = new CKVPage;
    page->m_pDoc = &Doc();
    page->m_rcPrint = CRect(50, 60, 850, 1160);
    const int index = Doc().AddPage(page);
    static_cast<void>(index);
    Doc().JumpToPage(Doc().GetPageNum() - 1);
    return Doc().GetCurrentPage();
}

} // namespace kvtest
