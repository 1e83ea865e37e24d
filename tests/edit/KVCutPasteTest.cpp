// Cut, and paste over a selection: what is removed and what arrives, and
// that each is one undo step that brings back every measure it touched.

#include "support/CanonicalDump.h"
#include "support/ClipboardSupport.h"

#include <gtest/gtest.h>

namespace {

using kvtest::ImageBuffer;

class CutPasteTest : public kvtest::ClipboardTest {
protected:
    // The cursor without touching the selection.
    void KeepSelectionCursorAt(int staff, int meas)
    {
        Doc().m_nCurBlock = static_cast<short>(meas / 3);
        Doc().m_pCurBlock = Page(0)->GetBlock(Doc().m_nCurBlock);
        Doc().m_nCurMeas = static_cast<short>(meas % 3);
        Doc().m_nCurStaff = static_cast<short>(staff);
        Doc().m_nCaretPos = 0;
    }

    int PageSymbols(BYTE kind)
    {
        CKVPage* page = Doc().GetCurrentPage();
        int count = 0;
        for (short i = 0; i < page->GetMsgNum(); ++i)
            count += page->GetMsg(i)->m_byKind == kind ? 1 : 0;
        return count;
    }
};

TEST_F(CutPasteTest, CutGivesTheCopysImageRemovesTheNotesAndIsOneUndoStep)
{
    FillMeasure(Meas(1, 3));
    FillMeasure(Meas(1, 4));
    SelectBlockStaff(1, 1);
    ImageBuffer copied;
    ASSERT_GT(Copy(copied), 8u);
    const std::string before = kvtest::CanonicalDump(Doc());

    ImageBuffer cut;
    ASSERT_EQ(Copy(cut, 0, 1), copied.size);
    EXPECT_EQ(cut.Bytes(), copied.Bytes());
    EXPECT_TRUE(Timed(Meas(1, 3)).empty());
    EXPECT_TRUE(Timed(Meas(1, 4)).empty());

    const std::string after = kvtest::CanonicalDump(Doc());
    Doc().MultiUndoStart();
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
    Doc().MultiRedoStart();
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), after);
}

TEST_F(CutPasteTest, ANoteOnTheRightEdgeIsBothCutAndInTheImage)
{
    CKVMsg* note = Note(Meas(0, 1), {.x = 64});
    SelectRect(EndingAt(HitOf(note)));
    ImageBuffer image;
    ASSERT_GT(Copy(image, 0, 1), 8u);
    EXPECT_TRUE(Timed(Meas(0, 1)).empty());

    CursorAt(1, 5);
    ASSERT_EQ(Paste(image), 1);
    EXPECT_EQ(Timed(Meas(1, 5)).size(), 1u);
}

TEST_F(CutPasteTest, PasteOverASelectionBacksUpBothPlacesInOneStep)
{
    FillMeasure(Meas(0, 5));
    ImageBuffer image;
    CopyMeasure(image, 0, 5);
    // The cursor is elsewhere than the selection.
    KeepSelectionCursorAt(0, 1);
    const std::string before = kvtest::CanonicalDump(Doc());

    ASSERT_EQ(Paste(image), 1);
    EXPECT_TRUE(Timed(Meas(0, 5)).empty());
    EXPECT_EQ(Timed(Meas(0, 1)).size(), 3u);

    Doc().MultiUndoStart();
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
}

TEST_F(CutPasteTest, PageTextsPastedOverTheirOwnSelectionStayOnce)
{
    CKVMsg* note = Note(Meas(0, 1), {.x = 64});
    const POINT hit = HitOf(note);
    PageText(0, static_cast<short>(hit.x - 10), static_cast<short>(hit.y));
    const int texts = PageSymbols(MSG_FREETEXT);

    SelectRect(RECT {hit.x - 20, hit.y - 20, hit.x + 5, hit.y + 20});
    ImageBuffer image;
    ASSERT_GT(Copy(image), 8u);
    ASSERT_NE(std::string(reinterpret_cast<char*>(image.data), image.size).find("PAGE"), std::string::npos);
    KeepSelectionCursorAt(1, 4);
    const std::string before = kvtest::CanonicalDump(Doc());

    ASSERT_EQ(Paste(image), 1);
    EXPECT_EQ(PageSymbols(MSG_FREETEXT), texts);
    EXPECT_EQ(Timed(Meas(1, 4)).size(), 1u);

    Doc().MultiUndoStart();
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
}

} // namespace
