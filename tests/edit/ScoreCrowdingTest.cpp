// The crowded scores of the random runs: each is whole as built (the walk
// finds nothing, and a save and a load give it back), holds its groups and
// chords as a read score does (their members belong to the measure, which
// times each at its own position, and a group ends at its last member, where
// a new note joins it), stays within the limits of its records while it
// comes near them, now and then exactly to them, and is the same score for
// the same seed.

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"
#include "support/CanonicalDump.h"
#include "support/KvTest.h"
#include "support/ScoreBuilder.h"
#include "support/ScoreCrowding.h"
#include "support/ScoreIntegrity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kSeeds = 40;

class ScoreCrowdingTest : public kvtest::KvTest {
protected:
    std::unique_ptr<kvtest::ScoreBuilder> Crowded(unsigned seed, short staves, LONG measures)
    {
        auto score = std::make_unique<kvtest::ScoreBuilder>(
            kvtest::ScoreShape {.lineSpacing = 8, .staves = staves, .measures = measures, .pageGeometry = true});
        std::mt19937 stream(seed);
        lines = kvtest::CrowdScore(*score, stream);
        score->Settle();
        return score;
    }

    std::vector<std::string> lines;
};

// What of a measure's groups and chords a read score would hold otherwise.
std::vector<std::string> UnlikeARead(CKVMeas& meas)
{
    std::vector<std::string> unlike;
    tickmath::ForEachChild(meas, [&](CKVMsg* holder, short) {
        if (holder->m_byKind != MSG_BEAM && holder->m_byKind != MSG_CHORD)
            return false;
        const std::string at = std::to_string(holder->m_nPosX);
        CKVMsg* last = nullptr;
        bool elsewhere = false;
        tickmath::ForEachChild(*holder, [&](CKVMsg* member, short) {
            if (!tickmath::IsNoteRestChord(*member))
                return false;
            elsewhere = elsewhere || member->m_pParent != &meas;
            last = member;
            return false;
        });
        if (elsewhere)
            unlike.push_back("the members of the container at " + at + " belong to another parent");
        if (holder->m_byKind == MSG_BEAM && last && holder->m_nPosX2 != last->m_nPosX)
            unlike.push_back("the group at " + at + " ends at " + std::to_string(holder->m_nPosX2) +
                             ", its last member stands at " + std::to_string(last->m_nPosX));
        return false;
    });
    return unlike;
}

TEST_F(ScoreCrowdingTest, CrowdedScoresAreWholeAndComeUpToBothLimits)
{
    int mostSymbols = 0;
    std::int64_t mostTicks = 0;
    for (unsigned seed = 1; seed <= kSeeds; ++seed) {
        SCOPED_TRACE(seed);
        std::unique_ptr<kvtest::ScoreBuilder> score = Crowded(seed, seed % 2 ? 3 : 1, 9);
        CKVDoc& doc = score->Doc();
        EXPECT_EQ(kvtest::Joined(kvtest::IntegrityProblems(doc)), "");
        EXPECT_EQ(kvtest::Joined(kvtest::ReloadProblems(doc)), "");
        EXPECT_TRUE(kvtest::HoldsCrowdedMeasure(doc));
        EXPECT_GE(lines.size(), 1u);
        CKVSystem* system = score->System();
        for (short s = 0; s < system->GetStaffNum(); ++s) {
            for (LONG m = 0; m < system->GetStaff(s)->GetMeasNum(); ++m) {
                CKVMeas& meas = *system->GetStaff(s)->GetMeas(m);
                EXPECT_EQ(kvtest::Joined(UnlikeARead(meas)), "");
                mostSymbols = std::max(mostSymbols, static_cast<int>(meas.m_arrMsgRef.GetSize()));
                for (std::int64_t ticks : kvtest::VoiceTicks(meas))
                    mostTicks = std::max(mostTicks, ticks);
            }
        }
    }
    // Some measure holds all its record counts, and some voice has no room
    // left for the shortest value (a 64th, 15 ticks).
    EXPECT_EQ(mostSymbols, 255);
    EXPECT_GT(mostTicks, 32767 - 15);
}

TEST_F(ScoreCrowdingTest, OneSeedMakesOneScore)
{
    const std::string first = kvtest::CanonicalDump(Crowded(7, 3, 9)->Doc());
    const std::vector<std::string> described = lines;
    EXPECT_EQ(kvtest::CanonicalDump(Crowded(7, 3, 9)->Doc()), first);
    EXPECT_EQ(lines, described);
    EXPECT_NE(kvtest::CanonicalDump(Crowded(8, 3, 9)->Doc()), first);
}

} // namespace
