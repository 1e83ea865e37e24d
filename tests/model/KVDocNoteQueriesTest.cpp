// Document queries the symbol code leans on: note-head widths and the block
// that shows a measure.

#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "support/KvTest.h"
#include "support/ScoreBuilder.h"
#include "support/ScoreTest.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class DocNoteQueriesTest : public kvtest::ScoreTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 16, .staves = 2, .measures = 6}; }

    void SetUp() override
    {
        ScoreTest::SetUp();
        score->Doc().m_nFontHeight = 64;
        // The made score's own pages are replaced by the ones a test lays out.
        CKVDoc& doc = score->Doc();
        for (int i = 0; i < doc.m_pPageArray->GetSize(); ++i)
            delete static_cast<CKVPage*>(doc.m_pPageArray->GetAt(i));
        doc.m_pPageArray->RemoveAll();
        doc.m_pCurPage = nullptr;
        doc.m_nCurPage = 0;
    }

    // A page of bare blocks, each over [first, first + count); the document
    // owns it.
    CKVPage* AddPage(std::initializer_list<std::pair<int, int>> ranges, BYTE kind = CKVBlock::KIND_NORMAL)
    {
        auto* page = new CKVPage;
        for (auto [first, count] : ranges) {
            auto* block = new CKVBlock;
            block->m_nFirstMeas = static_cast<short>(first);
            block->m_nMeasCount = static_cast<short>(count);
            block->m_byKind = kind;
            page->m_arrBlock.Add(block);
        }
        score->Doc().m_pPageArray->Add(page);
        return page;
    }
};

TEST_F(DocNoteQueriesTest, HeadWidthsFollowTheFontHeight)
{
    CKVDoc& doc = score->Doc();
    EXPECT_EQ(doc.GetHeadWidth(0), 39);
    EXPECT_EQ(doc.GetHeadWidth(1), 26);
    EXPECT_EQ(doc.GetHeadWidth(3), 19);
    EXPECT_EQ(doc.GetHeadWidth(9), 19);

    CKVMsg* whole = score->Note(score->Meas(0, 0), {.x = 0, .code = DUR_WHOLE, .dots = 1});
    EXPECT_EQ(doc.GetHeadWidth(whole), 26);
    // Other kinds are a staff space wide.
    CKVMsg* rest = score->Rest(score->Meas(0, 1), {.x = 0, .code = DUR_WHOLE});
    EXPECT_EQ(doc.GetHeadWidth(rest), 16);
    EXPECT_EQ(doc.GetHeadWidth(static_cast<CKVMsg*>(nullptr)), 16);

    doc.m_nFontHeight = 80;
    EXPECT_EQ(doc.GetHeadWidth(0), 49);
    EXPECT_EQ(doc.GetHeadWidth(whole), 33);
}

TEST_F(DocNoteQueriesTest, TheFirstNormalBlockOverTheMeasureHoldsIt)
{
    CKVPage* first = AddPage({{0, 2}});
    CKVPage* ossia = AddPage({{2, 2}}, CKVBlock::KIND_OSSIA);
    CKVPage* second = AddPage({{2, 2}, {2, 4}});

    CKVDoc& doc = score->Doc();
    EXPECT_EQ(doc.GetBlockByMeas(score->Meas(0, 0)), first->m_arrBlock.GetAt(0));
    EXPECT_EQ(doc.GetBlockByMeas(score->Meas(0, 1)), first->m_arrBlock.GetAt(0));
    // The ossia block over measure 2 is passed over, and the first of two
    // normal blocks wins.
    EXPECT_EQ(doc.GetBlockByMeas(score->Meas(0, 2)), second->m_arrBlock.GetAt(0));
    // The staff is not compared.
    EXPECT_EQ(doc.GetBlockByMeas(score->Meas(1, 3)), second->m_arrBlock.GetAt(0));
    EXPECT_EQ(doc.GetBlockByMeas(score->Meas(1, 5)), second->m_arrBlock.GetAt(1));
    (void)ossia;

    // A measure in no block, or on no staff.
    second->m_arrBlock.GetAt(1)->m_nMeasCount = 3;
    EXPECT_EQ(doc.GetBlockByMeas(score->Meas(0, 5)), nullptr);
    CKVMeas loose;
    EXPECT_EQ(doc.GetBlockByMeas(&loose), nullptr);
    EXPECT_EQ(doc.GetBlockByMeas(nullptr), nullptr);
}

} // namespace
