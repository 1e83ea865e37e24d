// Undo and redo of a re-flow give every block back its own layout: the
// page's undo pair does not carry the boundaries of the blocks going out
// over to the blocks coming in when the command laid the pages out anew.

#include "support/StructureSupport.h"

#include <string>

namespace {

class ReflowUndoTest : public kvtest::StructureTest {
protected:
    // Every block's edges and measure boundaries, page by page.
    std::string BlockLayout()
    {
        std::string out;
        for (int p = 0; p < Doc().GetPageNum(); ++p) {
            for (int b = 0; b < Page(p)->GetBlockNum(); ++b) {
                CKVBlock* block = Block(p, b);
                out += std::to_string(block->m_rcBlock.left) + ".." + std::to_string(block->m_rcBlock.right) + ":";
                for (int i = 0; i < block->m_arrMeasX.GetSize(); ++i)
                    out += " " + std::to_string(block->m_arrMeasX.GetAt(i));
                out += "\n";
            }
            out += "--\n";
        }
        return out;
    }

    std::string FirstBlock() { return BlockLayout().substr(0, BlockLayout().find('\n')); }

    // The host's step, the re-flow, then undo and redo.
    void ExpectLayoutsBack(int fromFileInfo)
    {
        const std::string before = BlockLayout();
        Doc().ResetBackup();
        Doc().ObjectBackup(1);
        Doc().UpdatePage(fromFileInfo);
        const std::string after = BlockLayout();
        Doc().MultiUndoStart();
        EXPECT_EQ(BlockLayout(), before);
        // Laid out again, the block stays inside the printable width.
        Block(0, 0)->UpdateMeasXY(1, kSkipCrossStaff, kWithoutBackup);
        EXPECT_EQ(BlockLayout(), before);
        Doc().MultiRedoStart();
        EXPECT_EQ(BlockLayout(), after);
    }
};

TEST_F(ReflowUndoTest, UndoGivesTheIndentedFirstBlockItsOwnBoundaries)
{
    // A new score's first block is indented and narrower than the others.
    Make(2, 30, true);
    ASSERT_EQ(FirstBlock(), "38..521: 0 161 322 483");
    ASSERT_EQ(BlockLayout().substr(BlockLayout().find('\n') + 1, 24), "1..521: 0 173 346 520\n1.");
    ExpectLayoutsBack(1);
}

TEST_F(ReflowUndoTest, UndoOfAReflowThatKeepsThePageCountGivesEveryBlockBack)
{
    Make(2, 30, true);
    ExpectLayoutsBack(0);
}

TEST_F(ReflowUndoTest, UndoOfAReflowIntoOtherBlocksGivesEveryBlockBack)
{
    Make(2, 30, true);
    Info().m_nMeasPerBlock = 4;
    Info().m_nBlockPerPage = 3;
    ExpectLayoutsBack(1);
}

} // namespace
