#pragma once
// The common fixture with a score of ScoreBuilder: made after the host is
// up and gone before the process state is reset. A fixture gives its shape
// by overriding Shape().

#include "support/KvTest.h"
#include "support/ScoreBuilder.h"

#include <memory>

namespace kvtest {

class ScoreTest : public KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        score = std::make_unique<ScoreBuilder>(Shape());
    }

    void TearDown() override
    {
        score.reset();
        KvTest::TearDown();
    }

    virtual ScoreShape Shape() { return ScoreShape {}; }

    CKVDoc& Doc() { return score->Doc(); }

    std::unique_ptr<ScoreBuilder> score;
};

// A score of 2 staves and 8 measures in 4/4 laid out on pages as a new score
// file is, undo recording on and page 0 current.
class PagedScoreTest : public ScoreTest {
protected:
    ScoreShape Shape() override { return {.staves = 2, .measures = 8, .pageGeometry = true}; }
    void SetUp() override
    {
        ScoreTest::SetUp();
        Doc().m_bBackupRecord = 1;
        Doc().JumpToPage(0);
    }
};

} // namespace kvtest
