// The integrity walk's count of a voice's ticks: a measure whose voice takes
// more than its 16-bit start times reach is reported, whatever those start
// times say, and one that ends just within them is whole. Grace notes take no
// time, beam group members and chords count like the notes beside them, and
// tuplets count at their ratio.

#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "support/KvTest.h"
#include "support/ScoreBuilder.h"
#include "support/ScoreIntegrity.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

// 34 wholes take 32,640 ticks of the 32,767 a voice's start times reach.
constexpr int kWholes = 34;
constexpr short kTriplet = (2 << 8) | 3;

struct Row {
    const char* what;
    // What is added to voice 2 after the wholes, each symbol at its own x.
    int eighths = 0;        // loose eighth notes
    int groupEighths = 0;   // eighths in one beam group
    int triplets = 0;       // eighths of a 2:3 tuplet
    int graces = 0;         // grace eighths
    int chordQuarters = 0;  // quarter chords of two notes
    bool wholesInVoiceOne = false;
    int reported = 0;       // the ticks reported, 0 for none
};

class VoiceTicksWalkTest : public kvtest::KvTest, public ::testing::WithParamInterface<Row> {};

TEST_P(VoiceTicksWalkTest, AVoicePastItsTicksIsReportedOnce)
{
    const Row& row = GetParam();
    kvtest::ScoreBuilder b({.lineSpacing = 8, .staves = 1, .measures = 2});
    CKVMeas* m = b.Meas(0, 0);
    short x = 0;
    for (int i = 0; i < kWholes; ++i, ++x)
        b.Note(m, {.x = x, .code = DUR_WHOLE, .voice = static_cast<BYTE>(row.wholesInVoiceOne ? 1 : 2)});
    for (int i = 0; i < row.eighths; ++i, ++x)
        b.Note(m, {.x = x, .code = DUR_EIGHTH, .voice = 2});
    if (row.groupEighths > 0) {
        CKVMsg* group = b.Beam(m, {.x = x, .voice = 2});
        for (int i = 0; i < row.groupEighths; ++i, ++x)
            b.Note(group, {.x = x, .code = DUR_EIGHTH, .voice = 2});
    }
    for (int i = 0; i < row.triplets; ++i, ++x)
        b.Note(m, {.x = x, .code = DUR_EIGHTH, .tuplet = kTriplet, .voice = 2});
    for (int i = 0; i < row.graces; ++i, ++x)
        b.Grace(m, {.x = static_cast<short>(x % 256), .code = DUR_EIGHTH, .voice = 2});
    for (int i = 0; i < row.chordQuarters; ++i, ++x)
        b.Chord(m, {.x = x, .code = DUR_QUARTER, .voice = 2}, {0, -8});

    // The start times stay as the builder left them (all 0): the count does
    // not read them.
    std::vector<std::string> ticks;
    for (const std::string& p : kvtest::IntegrityProblems(b.Doc()))
        if (p.find("ticks") != std::string::npos)
            ticks.push_back(p);
    if (row.reported == 0) {
        EXPECT_TRUE(ticks.empty()) << kvtest::Joined(ticks);
        return;
    }
    ASSERT_EQ(ticks.size(), 1u) << kvtest::Joined(ticks);
    EXPECT_NE(ticks[0].find("voice 2 of measure 0 of staff 0 takes " + std::to_string(row.reported) + " ticks"),
              std::string::npos)
        << ticks[0];
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VoiceTicksWalkTest,
    ::testing::Values(Row {.what = "an eighth ends the voice within its ticks", .eighths = 1},
                      Row {.what = "a second eighth passes them", .eighths = 2, .reported = 32880},
                      Row {.what = "grace notes take no time", .eighths = 1, .graces = 200},
                      Row {.what = "beam group members count", .groupEighths = 2, .reported = 32880},
                      Row {.what = "a tuplet counts at its ratio", .triplets = 1},
                      Row {.what = "three tuplet eighths pass", .triplets = 3, .reported = 32880},
                      Row {.what = "a chord counts once", .chordQuarters = 1, .reported = 32880},
                      Row {.what = "voices are counted apart", .eighths = 2, .wholesInVoiceOne = true}),
    [](const ::testing::TestParamInfo<Row>& info) {
        std::string name;
        for (const char* c = info.param.what; *c; ++c)
            if (std::isalnum(static_cast<unsigned char>(*c)))
                name += *c;
        return name;
    });

} // namespace
