// Timing a measure just read: the reader skips the per-voice passes where
// they would change nothing, so it must leave exactly what running every
// pass leaves, also in the measures where those passes do change something.

#include "document/RecordIO.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "support/KvTest.h"
#include "support/ScoreBuilder.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using kvtest::ScoreBuilder;
using BuildMeasure = std::function<void(ScoreBuilder&, CKVMeas*)>;

// The pass over all voices and then one pass for each voice, as they were
// run before any was skipped.
void TimeWithEveryPass(CKVMeas& meas)
{
    for (BYTE voice = 0; voice <= CKVMeas::VOICES; ++voice) {
        meas.UpdatePlayTime(voice);
        meas.UpdateStartTime(voice, 0, 0, kPerformedStartStays);
    }
}

// The children of a node with their times and flags, read straight from the
// map so that dumping changes nothing.
void DumpChildren(std::ostringstream& out, CKVObject& node, int depth)
{
    CKVSystem* system = node.m_pSystem;
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
        if (!ref) {
            out << depth << " null\n";
            continue;
        }
        CKVMsg* msg = nullptr;
        if (system && ref->dwMsgId < static_cast<DWORD>(system->m_arrMsgMap.GetSize()))
            msg = system->m_arrMsgMap.GetAt(static_cast<int>(ref->dwMsgId));
        out << depth << " id " << ref->dwMsgId << " own " << int {ref->byOwner};
        if (msg) {
            out << " kind " << int {msg->m_byKind} << " voice " << int {msg->m_byVoice} << " start "
                << msg->m_nStartTime << " perform " << msg->m_nPerformStart << " play " << msg->m_nPlayTime
                << " flag " << msg->m_wFlag;
        }
        out << '\n';
        if (msg && ref->byOwner && depth < 8)
            DumpChildren(out, *msg, depth + 1);
    }
}

std::string TimingState(CKVMeas& meas)
{
    std::ostringstream out;
    DumpChildren(out, meas, 0);
    out << "walk";
    for (int i = 0; i < meas.m_arrWalk.GetSize(); ++i)
        out << ' ' << meas.m_arrWalk.GetAt(i);
    return out.str();
}

class KVMeasReadTimingTest : public kvtest::KvTest {
protected:
    // Builds one measure twice, times one copy as the reader does and the
    // other with every pass, and expects the same state. Gives the reader's
    // copy for further checks.
    void ExpectSameAsEveryPass(const BuildMeasure& build)
    {
        readScore = std::make_unique<ScoreBuilder>(kvtest::ScoreShape {.lineSpacing = 8});
        ScoreBuilder reference(kvtest::ScoreShape {.lineSpacing = 8});
        build(*readScore, readScore->Meas(0, 0));
        build(reference, reference.Meas(0, 0));
        ASSERT_EQ(TimingState(*readScore->Meas(0, 0)), TimingState(*reference.Meas(0, 0)));

        kvrec::TimeReadMeasure(*readScore->Meas(0, 0));
        TimeWithEveryPass(*reference.Meas(0, 0));
        EXPECT_EQ(TimingState(*readScore->Meas(0, 0)), TimingState(*reference.Meas(0, 0)));
    }

    void TearDown() override
    {
        readScore.reset();
        KvTest::TearDown();
    }

    std::unique_ptr<ScoreBuilder> readScore;
};

TEST_F(KVMeasReadTimingTest, OrdinaryVoicesGetTheirStarts)
{
    ExpectSameAsEveryPass([](ScoreBuilder& b, CKVMeas* m) {
        b.Note(m, {.x = 0, .y = -8});
        b.Grace(m, {.x = 40, .y = -12, .code = DUR_EIGHTH});
        b.Chord(m, {.x = 48}, {0, -16});
        CKVMsg* group = b.Beam(m, {.x = 112});
        b.Note(group, {.x = 112, .code = DUR_EIGHTH, .tuplet = 0x0203});
        b.Note(group, {.x = 128, .code = DUR_EIGHTH, .tuplet = 0x0203});
        b.Note(group, {.x = 144, .code = DUR_EIGHTH, .tuplet = 0x0203});
        b.Rest(m, {.x = 176, .dots = 1});
        // A second voice, marks and the kinds placed by their position.
        CKVMsg* low = b.Note(m, {.x = 0, .y = -40, .code = DUR_HALF, .voice = 2});
        b.Symbol(low, MSG_NOTEMARK, 0, -48, 2);
        b.Note(m, {.x = 128, .y = -40, .code = DUR_HALF, .voice = 2});
        b.Symbol(m, MSG_TIMED_EVENT, 100);
        b.Symbol(m, MSG_MIDI, 200);
    });
    CKVMeas* m = readScore->Meas(0, 0);
    // The quarter, the chord after the grace note, then the triplet.
    short starts[3] = {};
    int found = 0;
    for (short i = 0; i < m->GetMsgNum() && found < 3; ++i) {
        CKVMsg* msg = m->GetMsg(i);
        if (msg && msg->m_byVoice == 1 && (msg->m_byKind == MSG_CHORD || msg->m_byKind == MSG_BEAM ||
                                           (msg->m_byKind == MSG_NOTE && msg->m_nPosX == 0)))
            starts[found++] = msg->GetStartTime();
    }
    EXPECT_EQ(starts[0], 0);
    EXPECT_EQ(starts[1], 240);
    EXPECT_EQ(starts[2], 480);
}

TEST_F(KVMeasReadTimingTest, VoiceReorderedByItsNewStartsIsTimedAgain)
{
    // Two notes of one voice at one place. By their stored performed starts
    // the silent one comes first and both start at 0; with those starts
    // rewritten the higher one comes first, and the silent one then starts
    // after it.
    CKVMsg* silent = nullptr;
    CKVMsg* quarter = nullptr;
    ExpectSameAsEveryPass([&](ScoreBuilder& b, CKVMeas* m) {
        CKVMsg* low = b.Note(m, {.x = 64, .y = -8, .code = 9});
        CKVMsg* high = b.Note(m, {.x = 64, .y = 0});
        ASSERT_NE(low, nullptr);
        ASSERT_NE(high, nullptr);
        low->m_nPerformStart = 0;
        high->m_nPerformStart = 100;
        if (&b == readScore.get()) {
            silent = low;
            quarter = high;
        }
    });
    ASSERT_NE(silent, nullptr);
    EXPECT_EQ(quarter->m_nStartTime, 0);
    EXPECT_EQ(silent->m_nStartTime, 240);
}

TEST_F(KVMeasReadTimingTest, VoicesInterleavedInTheWalkEachKeepTheirOwnTime)
{
    // Three voices whose notes alternate along the measure, a grace note of
    // the third among them, and position-placed kinds of the second and
    // third voices: each voice counts only its own notes, in walk order.
    std::vector<CKVMsg*> voice1;
    std::vector<CKVMsg*> voice2;
    std::vector<CKVMsg*> voice3;
    CKVMsg* event = nullptr;
    ExpectSameAsEveryPass([&](ScoreBuilder& b, CKVMeas* m) {
        const bool kept = &b == readScore.get();
        auto note = [&](std::vector<CKVMsg*>& list, kvtest::NoteShape shape) {
            CKVMsg* msg = b.Note(m, shape);
            if (kept)
                list.push_back(msg);
        };
        note(voice2, {.x = 0, .y = -40, .code = DUR_HALF, .voice = 2});
        note(voice1, {.x = 4, .y = -8});
        note(voice3, {.x = 8, .y = -24, .code = DUR_EIGHTH, .voice = 3});
        b.Grace(m, {.x = 60, .y = -24, .code = DUR_EIGHTH, .voice = 3});
        note(voice1, {.x = 64, .y = -8});
        note(voice3, {.x = 72, .y = -24, .code = DUR_EIGHTH, .voice = 3});
        note(voice2, {.x = 96, .y = -40, .voice = 2});
        CKVMsg* placed = b.Symbol(m, MSG_TIMED_EVENT, 128, 0, 3);
        b.Symbol(m, MSG_MIDI, 64, 0, 2);
        note(voice1, {.x = 128, .y = -8, .code = DUR_HALF});
        note(voice3, {.x = 136, .y = -24, .voice = 3});
        if (kept)
            event = placed;
    });
    auto starts = [](const std::vector<CKVMsg*>& notes) {
        std::vector<short> out;
        for (CKVMsg* msg : notes)
            out.push_back(msg->m_nStartTime);
        return out;
    };
    EXPECT_EQ(starts(voice1), (std::vector<short> {0, 240, 480}));
    EXPECT_EQ(starts(voice2), (std::vector<short> {0, 480}));
    EXPECT_EQ(starts(voice3), (std::vector<short> {0, 120, 240}));
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->m_nStartTime, 480);
}

TEST_F(KVMeasReadTimingTest, GroupEmptiedByTheFirstPassIsRemoved)
{
    ExpectSameAsEveryPass([](ScoreBuilder& b, CKVMeas* m) {
        b.Note(m, {.x = 0});
        CKVMsg* outer = b.Beam(m, {.x = 64});
        CKVMsg* inner = b.Beam(outer, {.x = 64});
        b.Note(inner, {.x = 64, .code = DUR_EIGHTH});
        b.Note(m, {.x = 160});
    });
    CKVMeas* m = readScore->Meas(0, 0);
    for (short i = 0; i < m->GetMsgNum(); ++i) {
        CKVMsg* msg = m->GetMsg(i);
        EXPECT_FALSE(msg && msg->m_byKind == MSG_BEAM && msg->GetMsgNum() == 0);
    }
}

TEST_F(KVMeasReadTimingTest, TremolosAreCheckedByEveryPass)
{
    ExpectSameAsEveryPass([](ScoreBuilder& b, CKVMeas* m) {
        b.Note(m, {.x = 0, .flags = MSGFLAG_TREMOLO_START});
        b.Note(m, {.x = 64, .flags = MSGFLAG_TREMOLO_END});
        CKVMsg* tremolo = b.Symbol(m, MSG_TREMOLO, 0);
        tremolo->m_nPosX2 = 64;
        CKVMsg* lone = b.Symbol(m, MSG_TREMOLO, 128);
        lone->m_nPosX2 = 192;
        b.Note(m, {.x = 128, .flags = MSGFLAG_TREMOLO_START});
    });
}

TEST_F(KVMeasReadTimingTest, StaleReferencesAndAnEmptyMeasure)
{
    ExpectSameAsEveryPass([](ScoreBuilder&, CKVMeas*) {});
    ExpectSameAsEveryPass([](ScoreBuilder& b, CKVMeas* m) {
        CKVMsg* chord = b.Chord(m, {.x = 0}, {0, -8, -16});
        b.MakeStale(chord->GetMsg(1));
        CKVMsg* gone = b.Note(m, {.x = 64});
        b.Note(m, {.x = 128});
        b.MakeStale(gone);
    });
}

} // namespace
