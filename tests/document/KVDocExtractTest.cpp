// Part extraction: the chosen staves of a score copied into a new document
// with the page layout, and the targets that are refused.

#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "support/CanonicalDump.h"
#include "document/KVFileInfo.h"
#include "support/ScoreTest.h"
#include "timing/TieLinks.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class KVDocExtractTest : public kvtest::ScoreTest {
protected:
    kvtest::ScoreShape Shape() override { return {.staves = 3, .measures = 8, .pageGeometry = true}; }
    void SetUp() override
    {
        ScoreTest::SetUp();
        const char* names[] = {"A", "B", "C"};
        for (int s = 0; s < 3; ++s)
            std::strcpy(score->Staff(s)->m_szName, names[s]);
    }
    static CKVSystem* Master(CKVDoc& doc) { return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr; }
    static int CountKind(CKVDoc& doc, BYTE kind)
    {
        int n = 0;
        CKVSystem* system = Master(doc);
        for (int id = 1; id < system->m_arrMsgMap.GetSize(); ++id) {
            CKVMsg* msg = system->GetMsgFromMap(static_cast<DWORD>(id));
            n += msg && msg->m_byKind == kind;
        }
        return n;
    }
};

TEST_F(KVDocExtractTest, ChosenStavesAndLayout)
{
    CKVMsg* note = score->Note(score->Meas(2, 1), {.x = 0, .y = -12});
    CKVDoc target;
    ASSERT_EQ(Doc().ExtractPart(&target, 1, 5, 0, 0, 0, 0), 1);
    CKVSystem* system = Master(target);
    ASSERT_EQ(system->GetStaffNum(), 2);
    EXPECT_STREQ(system->GetStaff(0)->m_szName, "A");
    EXPECT_STREQ(system->GetStaff(1)->m_szName, "C");
    CKVMsg* copy = system->GetMsgFromMap(note->m_dwMsgId);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->m_pParent, system->GetStaff(1)->GetMeas(1));

    ASSERT_EQ(target.GetPageNum(), 1);
    CKVPage* page = target.GetPage(0);
    ASSERT_EQ(page->GetBlockNum(), 3);
    const CPoint corners[] = {{38, 75}, {1, 304}, {1, 533}};
    for (short b = 0; b < 3; ++b) {
        CKVBlock* block = page->GetBlock(b);
        CKVBlock* from = Doc().GetPage(0)->GetBlock(b);
        EXPECT_EQ(block->m_nFirstMeas, 3 * b);
        EXPECT_EQ(block->m_nMeasCount, b < 2 ? 3 : 2);
        EXPECT_EQ(CRect(block->m_rcBlock).TopLeft(), corners[b]) << b;
        EXPECT_EQ(block->GetStaffNum(), 2);
        ASSERT_EQ(block->m_arrMeasX.GetSize(), from->m_arrMeasX.GetSize());
        for (int i = 0; i < from->m_arrMeasX.GetSize(); ++i)
            EXPECT_EQ(block->m_arrMeasX.GetAt(i), from->m_arrMeasX.GetAt(i));
    }
    EXPECT_EQ(target.m_pCurPage, page);
    EXPECT_EQ(target.m_pCurBlock, page->GetBlock(0));
    EXPECT_EQ(target.m_pCurStaff, system->GetStaff(0));
    EXPECT_EQ(target.m_nCaretMeasNum, 1);
    EXPECT_TRUE(target.m_bModified);
}

TEST_F(KVDocExtractTest, OneBlockAPage)
{
    const std::string source = kvtest::CanonicalDump(Doc());
    CKVDoc target;
    ASSERT_EQ(Doc().ExtractPart(&target, 1, 5, 0, 0, 0, 0x1000), 1);
    ASSERT_EQ(target.GetPageNum(), 3);
    const int firsts[] = {0, 3, 6};
    const int counts[] = {3, 3, 2};
    for (short p = 0; p < 3; ++p) {
        CKVPage* page = target.GetPage(p);
        ASSERT_EQ(page->GetBlockNum(), 1) << p;
        EXPECT_EQ(page->GetBlock(0)->m_nFirstMeas, firsts[p]);
        EXPECT_EQ(page->GetBlock(0)->m_nMeasCount, counts[p]);
        EXPECT_EQ(page->GetBlock(0)->m_pPage, page);
    }
    EXPECT_EQ(target.m_pFileInfo->m_nBlockPerPage, 1);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), source);
}

TEST_F(KVDocExtractTest, TextsLyricsAndTies)
{
    CKVMsg* a = score->Note(score->Meas(0, 0), {.x = 192, .y = -12});
    CKVMsg* b = score->Note(score->Meas(0, 1), {.x = 0, .y = -12});
    CKVMsg* tie = score->Tie(a, b);
    score->Symbol(a, MSG_LYRIC, 0);
    score->Symbol(score->Meas(0, 2), MSG_FREETEXT, 10);
    CKVMsg pageText;
    pageText.m_byKind = MSG_FREETEXT;
    Doc().AddMsg(Doc().GetPage(0), &pageText, 0, 0);

    struct Case {
        DWORD options;
        int texts;
        int lyrics;
        int pageTexts;
    };
    for (const Case& c : {Case {0, 0, 0, 0}, Case {0x0110, 1, 1, 0}, Case {0x0001, 0, 0, 1}}) {
        CKVDoc target;
        ASSERT_EQ(Doc().ExtractPart(&target, 1, 1, 0, 0, 0, c.options), 1);
        CKVStaff* staff = Master(target)->GetStaff(0);
        int texts = 0;
        for (LONG m = 0; m < staff->GetMeasNum(); ++m)
            for (short i = 0; i < staff->GetMeas(m)->GetMsgNum(); ++i)
                texts += staff->GetMeas(m)->GetMsg(i)->m_byKind == MSG_FREETEXT;
        EXPECT_EQ(texts, c.texts) << c.options;
        CKVMsg* first = Master(target)->GetMsgFromMap(a->m_dwMsgId);
        int lyrics = 0;
        for (short i = 0; i < first->GetMsgNum(); ++i)
            lyrics += first->GetMsg(i)->m_byKind == MSG_LYRIC;
        EXPECT_EQ(lyrics, c.lyrics) << c.options;
        EXPECT_EQ(target.GetPage(0)->GetMsgNum(), c.pageTexts) << c.options;
        // Every symbol is held, or listed for deletion.
        CKVSystem* system = Master(target);
        for (int id = 1; id < system->m_arrMsgMap.GetSize(); ++id) {
            CKVMsg* msg = system->GetMsgFromMap(static_cast<DWORD>(id));
            if (!msg)
                continue;
            bool listed = false;
            for (int i = 0; i < target.m_arrDeleteMsgId.GetSize(); ++i)
                listed = listed || target.m_arrDeleteMsgId.GetAt(i) == static_cast<DWORD>(id);
            const bool held = msg->m_pParent && tielink::IndexOfChild(*msg->m_pParent, msg) >= 0;
            EXPECT_TRUE(held || listed) << "kind " << int(msg->m_byKind) << " options " << c.options;
        }

        CKVMsg* tieCopy = Master(target)->GetMsgFromMap(tie->m_dwMsgId);
        CKVMsg* second = Master(target)->GetMsgFromMap(b->m_dwMsgId);
        ASSERT_NE(tieCopy, nullptr);
        EXPECT_EQ(tielink::StartOf(*tieCopy), first);
        EXPECT_EQ(tielink::EndOf(*tieCopy), second);
        EXPECT_GE(tielink::IndexOfChild(*first, tieCopy), 0);
        EXPECT_GE(tielink::IndexOfChild(*second, tieCopy), 0);
        EXPECT_EQ(CountKind(target, MSG_TIE), 1);
    }
}

TEST_F(KVDocExtractTest, HighStaffMaskBits)
{
    kvtest::ScoreBuilder big({.staves = 33, .measures = 2, .pageGeometry = true});
    std::strcpy(big.Staff(32)->m_szName, "last");
    CKVDoc target;
    ASSERT_EQ(big.Doc().ExtractPart(&target, 1, 0, 1, 0, 0, 0), 1);
    ASSERT_EQ(Master(target)->GetStaffNum(), 1);
    EXPECT_STREQ(Master(target)->GetStaff(0)->m_szName, "last");
}

TEST_F(KVDocExtractTest, OssiaBlocksStayBehind)
{
    CKVPage* page = Doc().GetPage(0);
    CKVBlock* ossia = page->AddBlock(score->System(), 1, 1, POINT {1, 600}, 0);
    page->m_arrBlock.RemoveAt(page->m_arrBlock.GetSize() - 1);
    page->m_arrOssiaBlock.Add(ossia);
    ossia->m_byKind = CKVBlock::KIND_OSSIA;
    CKVDoc target;
    ASSERT_EQ(Doc().ExtractPart(&target, 1, 1, 0, 0, 0, 0), 1);
    EXPECT_EQ(target.GetPage(0)->m_arrOssiaBlock.GetSize(), 0);
}

TEST_F(KVDocExtractTest, RefusedTargets)
{
    CKVDoc target;
    EXPECT_EQ(Doc().ExtractPart(&target, 0, 1, 0, 0, 0, 0), 0);
    EXPECT_EQ(Doc().ExtractPart(&Doc(), 1, 1, 0, 0, 0, 0), 0);
    EXPECT_EQ(Doc().ExtractPart(nullptr, 1, 1, 0, 0, 0, 0), 0);
    CKVDoc empty;
    EXPECT_EQ(empty.ExtractPart(&target, 1, 1, 0, 0, 0, 0), 0);
    kvtest::ScoreBuilder other({.staves = 1, .measures = 2});
    EXPECT_EQ(Doc().ExtractPart(&other.Doc(), 1, 1, 0, 0, 0, 0), 0);
    EXPECT_EQ(Master(other.Doc())->GetStaffNum(), 1);
    EXPECT_EQ(Doc().CopyPageLayoutFrom(&Doc()), 0);
    EXPECT_EQ(Doc().GetPageNum(), 1);
    EXPECT_EQ(Master(Doc())->GetStaffNum(), 3);
}

} // namespace
