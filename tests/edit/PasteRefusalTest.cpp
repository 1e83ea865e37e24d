// A paste or a drop whose cursor names a measure the staff does not have
// pastes nothing and says so: the score stays as it was, a drop keeps its
// image for another try.

#include "support/CanonicalDump.h"
#include "support/ClipboardSupport.h"

#include <gtest/gtest.h>

namespace {

using kvtest::CanonicalDump;
using kvtest::ImageBuffer;

class PasteRefusalTest : public kvtest::ClipboardTest {
protected:
    // The cursor in block 0 with a measure index far past the 9 measures.
    void CursorPastTheEnd(int staff)
    {
        CursorAt(staff, 0);
        Doc().m_nCurMeas = 40;
    }
};

TEST_F(PasteRefusalTest, APasteBeyondTheLastMeasureIsRefusedAndChangesNothing)
{
    FillMeasure(Meas(0, 1));
    ImageBuffer image;
    CopyMeasure(image, 0, 1);
    CursorPastTheEnd(1);
    const std::string before = CanonicalDump(Doc());
    EXPECT_EQ(Paste(image), -1);
    EXPECT_EQ(CanonicalDump(Doc()), before);

    // Over a selection, the refusal comes before the selection is cleared.
    FillMeasure(Meas(1, 5));
    const std::string filled = CanonicalDump(Doc());
    SelectMeas(1, 5);
    Doc().m_nCurMeas = 40;
    EXPECT_EQ(Paste(image), -1);
    EXPECT_EQ(CanonicalDump(Doc()), filled);
}

TEST_F(PasteRefusalTest, ADropBeyondTheLastMeasureIsRefusedAndKeepsTheImage)
{
    FillMeasure(Meas(0, 1));
    for (int move : {0, 1}) {
        SCOPED_TRACE(move ? "move" : "copy");
        SelectMeas(0, 1);
        ASSERT_EQ(Doc().SelRectMouseDrag(0, move), 1);
        CursorPastTheEnd(1);
        const std::string before = CanonicalDump(Doc());
        EXPECT_EQ(Doc().SelRectMouseDrop(0, 0, 0), 0);
        EXPECT_NE(Doc().m_pDragImage, nullptr);
        EXPECT_EQ(CanonicalDump(Doc()), before);

        // The kept image drops where the staff has the measure.
        CursorAt(1, 4);
        EXPECT_EQ(Doc().SelRectMouseDrop(0, 0, 0), 1);
        EXPECT_EQ(Timed(Meas(1, 4)).size(), 3u);
        Doc().MultiUndoStart();
    }
}

} // namespace
