// The pages of a score that `kvorel new` makes: every measure stands in a
// system, and every system lies inside the printable height wherever one
// system of that many staves fits at all.

#include "support/KvTest.h"

#include "KvcFile.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"

#include <algorithm>
#include <string>

namespace {

class KvorelNewScoreLayout : public kvtest::KvTest {};

// Bottom line of the block's last staff, in printable-area coordinates.
int BlockBottom(const CKVBlock& block)
{
    const int n = static_cast<int>(block.m_arrStaffY.GetSize());
    return block.m_rcBlock.top + (n > 0 ? static_cast<short>(block.m_arrStaffY.GetAt(n - 1)) : 0);
}

TEST_F(KvorelNewScoreLayout, EveryMeasureStandsInASystemInsideThePrintableArea)
{
    constexpr int kMeasures = 16;
    int lastFitting = 0;
    for (short staves = 1; staves <= 12; ++staves) {
        SCOPED_TRACE("staves " + std::to_string(staves));
        CKVDoc doc;
        bool fit = false;
        ASSERT_EQ(kvorel::MakeNewScore(doc, {.staves = staves, .measures = kMeasures}, &fit), 1);
        const CKVFileInfo& info = *doc.m_pFileInfo;
        const int height = static_cast<int>(info.m_lPrintHeight);

        // The blocks, page after page, hold the measures in order, each once.
        LONG next = 0;
        int widest = 0;
        for (short p = 0; p < doc.GetPageNum(); ++p) {
            CKVPage* page = doc.GetPage(p);
            widest = std::max<int>(widest, page->GetBlockNum());
            for (short b = 0; b < page->GetBlockNum(); ++b) {
                const CKVBlock& block = *page->GetBlock(b);
                EXPECT_EQ(block.m_nFirstMeas, next) << "page " << p + 1 << " block " << b + 1;
                EXPECT_GT(block.m_nMeasCount, 0);
                next = block.m_nFirstMeas + block.m_nMeasCount;
            }
        }
        EXPECT_EQ(next, kMeasures);

        const int systemHeight = BlockBottom(*doc.GetPage(0)->GetBlock(0)) - info.m_nFirstBlockY;
        const bool oneFits = info.m_nFirstBlockY + systemHeight <= height;
        EXPECT_EQ(fit, oneFits);
        if (!oneFits) {
            EXPECT_EQ(widest, 1) << "a page of systems too tall holds one";
            continue;
        }
        lastFitting = staves;
        for (short p = 0; p < doc.GetPageNum(); ++p) {
            CKVPage* page = doc.GetPage(p);
            for (short b = 0; b < page->GetBlockNum(); ++b) {
                EXPECT_GE(page->GetBlock(b)->m_rcBlock.top, 0);
                EXPECT_LE(BlockBottom(*page->GetBlock(b)), height) << "page " << p + 1 << " block " << b + 1;
            }
        }
        // A full page of fewer than five systems has no room for another.
        CKVPage& first = *doc.GetPage(0);
        if (doc.GetPageNum() > 1 && widest < 5) {
            const CKVBlock& last = *first.GetBlock(static_cast<short>(widest - 1));
            const int nextTop = BlockBottom(last) + 1 + info.m_nBlockDistance * doc.m_nStaffSpace;
            EXPECT_GT(nextTop + systemHeight, height) << widest << " systems a page leave room for another";
        }
    }
    // On the default paper with a 6 mm staff, ten staves still fit.
    EXPECT_EQ(lastFitting, 10);
}

TEST_F(KvorelNewScoreLayout, TwoStavesKeepFiveSystemsAPage)
{
    CKVDoc doc;
    bool fit = false;
    ASSERT_EQ(kvorel::MakeNewScore(doc, {}, &fit), 1);
    EXPECT_TRUE(fit);
    EXPECT_EQ(doc.m_pFileInfo->m_nBlockPerPage, 5);
    ASSERT_EQ(doc.GetPageNum(), 2);
    EXPECT_EQ(doc.GetPage(0)->GetBlockNum(), 5);
    EXPECT_EQ(doc.GetPage(1)->GetBlockNum(), 1);
}

} // namespace
