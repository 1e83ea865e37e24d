#include "model/KVCtrlPoint.h"
#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "model/KVBlock.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "support/KvTest.h"

#include <gtest/gtest.h>

namespace {

using kvtest::KvTest;

class KVDocPageMsgTest : public KvTest {
protected:
    void MakeScore(LONG measures)
    {
        doc.m_pFileInfo->SetLogicPageInfo(POINT {1820, 2570}, RECT {220, 200, 220, 250}, 200, 100, 10, 8,
                                          POINT {96, 96});
        doc.SetScoreFontSize(6);
        ASSERT_EQ(doc.CreateDocument(2, measures, 1, 4, 4), 1);
    }

    CKVDoc doc;
};

TEST_F(KVDocPageMsgTest, CurrentPageFollowsTheIndexWithinThePages)
{
    EXPECT_EQ(doc.GetCurrentPage(), nullptr);
    MakeScore(40);
    ASSERT_GE(doc.GetPageNum(), 2);
    doc.m_nCurPage = 1;
    EXPECT_EQ(doc.GetCurrentPage(), doc.GetPage(1));
    doc.m_nCurPage = 99;
    EXPECT_EQ(doc.GetCurrentPage(), doc.GetPage(static_cast<short>(doc.GetPageNum() - 1)));
    EXPECT_EQ(doc.m_nCurPage, 99);
}

TEST_F(KVDocPageMsgTest, PageSymbolIsACopyOfTheTemplate)
{
    MakeScore(4);
    CKVPage* page = doc.GetPage(0);
    const short before = page->GetMsgNum();
    CKVMsg tmpl;
    tmpl.m_byKind = MSG_FREETEXT;
    tmpl.m_nPosX = 120;
    unsigned char head[] = {0x08, 0x08};
    tmpl.SetHead(2, head);
    doc.m_bModified = 0;

    CKVMsg* msg = doc.AddMsg(page, &tmpl, 0, kWithoutBackup);
    ASSERT_NE(msg, nullptr);
    EXPECT_NE(msg, &tmpl);
    ASSERT_EQ(page->GetMsgNum(), before + 1);
    EXPECT_EQ(page->GetMsg(before), msg);
    EXPECT_EQ(msg->m_byKind, MSG_FREETEXT);
    EXPECT_EQ(msg->m_nPosX, 120);
    EXPECT_EQ(msg->m_byParentKind, CKVPage::PARENT_KIND_PAGE);
    EXPECT_EQ(msg->m_pPage, page);
    EXPECT_EQ(tmpl.m_pPage, page);
    ASSERT_EQ(msg->m_wHeadLen, 2);
    EXPECT_NE(msg->m_pHead, tmpl.m_pHead);
    EXPECT_EQ(doc.m_bModified, 1);

    EXPECT_EQ(doc.AddMsg(static_cast<CKVPage*>(nullptr), &tmpl, 0, kWithoutBackup), nullptr);
}

TEST_F(KVDocPageMsgTest, StaffNameHandlesOnlyWhereAPointIs)
{
    CKVBlock block;
    block.m_arrStaffNamePoint.Add(nullptr);
    block.m_arrStaffNamePoint.Add(new POINT {-6, -12});
    block.m_arrStaffNamePoint.Add(nullptr);
    block.m_arrStaffNameCtrl.Add(new CKVCtrlPoint(CRect(0, 0, 1, 1)));

    block.MakeStaffNameRect();
    ASSERT_EQ(block.m_arrStaffNameCtrl.GetSize(), 3);
    EXPECT_EQ(block.m_arrStaffNameCtrl.GetAt(0), nullptr);
    ASSERT_NE(block.m_arrStaffNameCtrl.GetAt(1), nullptr);
    EXPECT_EQ(block.m_arrStaffNameCtrl.GetAt(1)->m_rect, CRect(-3, -3, 3, 3));
    EXPECT_EQ(block.m_arrStaffNameCtrl.GetAt(2), nullptr);

    block.MakeStaffNameRect();
    EXPECT_EQ(block.m_arrStaffNameCtrl.GetSize(), 3);
    block.RemoveStaffNamePoint();
}

} // namespace
