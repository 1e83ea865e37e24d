#pragma once
// A fixture for the structure commands: a score of ScoreBuilder with line
// spacing 8, made to the shape a test asks for, undo recording on, 3
// measures per block and 5 blocks per page; a check that one undo step
// brings a command's change back and one redo makes it again; and short
// views of the page layout.

#include "document/KVFileInfo.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "support/CanonicalDump.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kvtest {

// Whether a command leaves the whole-document backup to its caller, as the
// host does for the structure commands that take none themselves.
inline constexpr bool kCallerBacksUp = true;
inline constexpr bool kCommandBacksUp = false;

class StructureTest : public ScoreTest {
protected:
    ScoreShape Shape() override { return {.lineSpacing = 8, .staves = 2, .measures = 10}; }

    void SetUp() override
    {
        ScoreTest::SetUp();
        StartUndoRecording(Doc());
    }

    void Make(short staves, LONG measures, bool pageGeometry = false)
    {
        score.reset();
        score = std::make_unique<ScoreBuilder>(
            ScoreShape {.lineSpacing = 8, .staves = staves, .measures = measures, .pageGeometry = pageGeometry});
        StartUndoRecording(Doc());
        Doc().JumpToPage(0);
    }

    CKVFileInfo& Info() { return *Doc().m_pFileInfo; }
    CKVSystem* Master() { return score->System(); }
    CKVPage* Page(int i) { return Doc().GetPage(static_cast<short>(i)); }
    CKVBlock* Block(int page, int i) { return Page(page)->GetBlock(static_cast<short>(i)); }

    // Each page's blocks as (first measure, count).
    std::vector<std::vector<std::pair<int, int>>> Layout()
    {
        std::vector<std::vector<std::pair<int, int>>> pages;
        for (short p = 0; p < Doc().GetPageNum(); ++p) {
            std::vector<std::pair<int, int>> blocks;
            for (short b = 0; b < Page(p)->GetBlockNum(); ++b)
                blocks.emplace_back(Block(p, b)->m_nFirstMeas, Block(p, b)->m_nMeasCount);
            pages.push_back(blocks);
        }
        return pages;
    }

    // The blocks per page.
    std::vector<int> BlockCounts()
    {
        std::vector<int> counts;
        for (short p = 0; p < Doc().GetPageNum(); ++p)
            counts.push_back(Page(p)->GetBlockNum());
        return counts;
    }

    // Runs a command in a fresh undo step, the caller's backup first when
    // asked; one undo gives the score before it and one redo the score
    // after it.
    template <class Command>
    void ExpectRoundTrip(Command command, bool callerBacksUp)
    {
        const std::string before = CanonicalDump(Doc());
        Doc().ResetBackup();
        if (callerBacksUp)
            Doc().ObjectBackup(1);
        command();
        const std::string after = CanonicalDump(Doc());
        EXPECT_NE(before, after);
        Doc().MultiUndoStart();
        EXPECT_EQ(CanonicalDump(Doc()), before);
        Doc().MultiRedoStart();
        EXPECT_EQ(CanonicalDump(Doc()), after);
    }
};

} // namespace kvtest
