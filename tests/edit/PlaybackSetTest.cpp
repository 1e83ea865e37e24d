// What the playback and dynamics dialogs set (velocities, tempi, programs,
// stem directions per voice) and multi-measure rests expanded again.

#include "model/MeasPlace.h"
#include "support/SelectionSupport.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using kvtest::CanonicalDump;
using kvtest::ExpectRoundTrip;
using kvtest::ScoreBuilder;

class PlaybackSetTest : public kvtest::SelectionTest {
protected:
    // Four quarters of voice 1 in measure 0 of staff 0.
    void FourQuarters()
    {
        for (short i = 0; i < 4; ++i)
            score->Note(Meas(0, 0), {.x = static_cast<short>(64 * i), .y = static_cast<short>(-8 * i)});
    }

    // Byte 1 of each note's head; -1 for a head too short to hold it.
    std::vector<int> Velocities(int staff, int meas)
    {
        std::vector<int> out;
        CKVMeas* live = Doc().GetMeasure(meas, staff, 0);
        for (short i = 0; i < live->GetMsgNum(); ++i) {
            const CKVMsg* note = live->GetMsg(i);
            if (note->m_byKind == MSG_NOTE)
                out.push_back(note->m_wHeadLen >= 2 ? note->m_pHead[1] : -1);
        }
        return out;
    }

    int Tempo(int staff, int meas) { return static_cast<short>(Doc().GetMeasure(meas, staff, 0)->m_wMarker); }
};

TEST_F(PlaybackSetTest, RampNumbersTheNotesOfEachStaff)
{
    FourQuarters();
    score->Note(Meas(1, 0), {.x = 0});
    SelectMeas(0, 0);
    SelectMeas(1, 0);
    ExpectRoundTrip(Doc(), [&] { Doc().SetVelocitySelNote(1, 40, 100, 2); });
    EXPECT_EQ(Velocities(0, 0), (std::vector<int> {40, 55, 70, 85}));
    // The other staff counts from its own first note.
    EXPECT_EQ(Velocities(1, 0), (std::vector<int> {40}));
    EXPECT_EQ(Doc().m_bModified, 1);
}

TEST_F(PlaybackSetTest, VelocityModesClampToTheMidiRange)
{
    score->Note(Meas(0, 0), {.x = 0});
    SelectMeas(0, 0);
    struct Case {
        short a;
        short mode;
        int from;
        int expected;
    };
    const Case cases[] = {{200, 3, 100, 127}, {-30, 4, 10, 0}, {300, 1, 50, 127}, {-5, 1, 50, 0}, {50, 5, 60, 60}};
    for (const Case& c : cases) {
        Doc().SetVelocitySelNote(1, static_cast<short>(c.from), 0, 1);
        Doc().SetVelocitySelNote(1, c.a, 0, c.mode);
        EXPECT_EQ(Velocities(0, 0), (std::vector<int> {c.expected})) << "mode " << c.mode << " a " << c.a;
    }
}

TEST_F(PlaybackSetTest, OverlappingRecordsReachEachNoteOnce)
{
    FourQuarters();
    std::vector<CKVMsg*> notes;
    for (short i = 0; i < 4; ++i)
        notes.push_back(Meas(0, 0)->GetMsg(i));
    SelectRect(Around(HitOf(notes[1])));
    SelectMeas(0, 0);
    ASSERT_EQ(Records(), 2);
    Doc().SetVelocitySelNote(1, 40, 100, 2);
    EXPECT_EQ(Velocities(0, 0), (std::vector<int> {55, 40, 70, 85}));
    Doc().SetVelocitySelNote(1, 10, 0, 4);
    EXPECT_EQ(Velocities(0, 0), (std::vector<int> {65, 50, 80, 95}));
}

TEST_F(PlaybackSetTest, ShortHeadsAreSkippedAndResetGivesEveryVoice100)
{
    CKVMsg* a = score->Note(Meas(0, 0), {.x = 0});
    CKVMsg* b = score->Note(Meas(0, 0), {.x = 64, .voice = 2});
    CKVMsg* bare = score->Note(Meas(0, 0), {.x = 128, .voice = 3});
    unsigned char one = 7;
    bare->SetHead(1, &one);
    for (CKVMsg* note : {a, b}) {
        MidiNoteHead head = ScoreBuilder::GetMidiHead(note);
        head.byVelocity = 20;
        ScoreBuilder::SetMidiHead(note, head);
    }
    SelectMeas(0, 0);
    Doc().SetVelocitySelNote(0, 90, 0, 1);
    EXPECT_EQ(Velocities(0, 0), (std::vector<int> {90, 90, -1}));
    ExpectRoundTrip(Doc(), [&] { Doc().ResetVelocity(0); });
    EXPECT_EQ(Velocities(0, 0), (std::vector<int> {100, 100, -1}));
    EXPECT_EQ(Doc().GetMeasure(0, 0, 0)->GetMsg(2)->m_pHead[0], 7);
}

TEST_F(PlaybackSetTest, TempoRampsScalesAddsAndClears)
{
    ExpectRoundTrip(Doc(), [&] {
        Doc().ResetBackup();
        Doc().SetTempo(0, 3, 60, 120, 1);
    });
    for (int staff = 0; staff < 2; ++staff) {
        EXPECT_EQ((std::vector<int> {Tempo(staff, 0), Tempo(staff, 1), Tempo(staff, 2), Tempo(staff, 3)}),
                  (std::vector<int> {60, 80, 100, 120}));
        EXPECT_EQ(Tempo(staff, 4), -1);
    }
    Doc().ResetBackup();
    Doc().SetTempo(3, 0, 10, 20, 0);
    Doc().ResetBackup();
    Doc().SetTempo(3, 0, 60, 120, 1);
    EXPECT_EQ(Tempo(1, 1), 80);

    Doc().GetMeasure(5, 0, 0)->m_wMarker = 380;
    Doc().ResetBackup();
    Doc().SetTempo(5, 6, 50, 0, 3);
    EXPECT_EQ(Tempo(0, 5), 400);
    EXPECT_EQ(Tempo(0, 6), 170);
    Doc().ResetBackup();
    Doc().SetTempo(7, 7, 50, 0, 2);
    EXPECT_EQ(Tempo(1, 7), 60);
    Doc().ResetBackup();
    Doc().SetTempo(7, 7, 900, 0, 0);
    EXPECT_EQ(Tempo(1, 7), 400);
    Doc().ResetBackup();
    Doc().SetTempo(7, 7, 0, 0, 4);
    EXPECT_EQ(Doc().GetMeasure(7, 1, 0)->m_wMarker, 0xFFFF);
    // The tempi are stored and read back.
    EXPECT_NE(kvtest::StoredDump(Doc()).find("marker"), std::string::npos);
    // Measures past the score are skipped.
    Doc().ResetBackup();
    Doc().SetTempo(8, 20, 90, 0, 0);
    EXPECT_EQ(Tempo(0, 8), 90);
}

TEST_F(PlaybackSetTest, TimbreTakesVoicesOneToEightOfAStaff)
{
    const std::string before = CanonicalDump(Doc());
    for (int voice : {0, 9})
        Doc().SetTimbre(0, static_cast<unsigned char>(voice), 5);
    Doc().SetTimbre(5, 2, 5);
    Doc().SetTimbre(-1, 2, 5);
    EXPECT_EQ(CanonicalDump(Doc()), before);
    ExpectRoundTrip(Doc(), [&] {
        Doc().ResetBackup();
        Doc().ObjectBackup(1);
        Doc().SetTimbre(0, 2, 5);
    });
    EXPECT_EQ(score->Staff(0)->m_byVoiceSecond[1], 5);
}

TEST_F(PlaybackSetTest, StemDirectionsPerVoice)
{
    CKVMsg* one = score->Note(Meas(0, 0), {.x = 0, .y = -8});
    CKVMsg* two = score->Note(Meas(0, 0), {.x = 64, .y = -8, .voice = 2});
    one->m_lHeight = -20;
    two->m_lHeight = 20;
    unsigned char table[8] = {0x12, 0x01, 0, 0, 0, 0, 0, 0};
    const std::string before = CanonicalDump(Doc());
    Doc().UpdateNoteDirection(1, nullptr);
    Doc().UpdateNoteDirection(9, table);
    EXPECT_EQ(CanonicalDump(Doc()), before);

    ExpectRoundTrip(Doc(), [&] {
        Doc().ResetBackup();
        Doc().ObjectBackup(1);
        Doc().UpdateNoteDirection(1, table);
    });
    EXPECT_GT(Doc().GetMeasure(0, 0, 0)->GetMsg(0)->m_lHeight, 0);
    EXPECT_GT(Doc().GetMeasure(0, 0, 0)->GetMsg(1)->m_lHeight, 0);

    // Voice 0: each symbol by its own voice's entry.
    Doc().ResetBackup();
    Doc().ObjectBackup(1);
    Doc().UpdateNoteDirection(0, table);
    EXPECT_GT(Doc().GetMeasure(0, 0, 0)->GetMsg(0)->m_lHeight, 0);
    EXPECT_LT(Doc().GetMeasure(0, 0, 0)->GetMsg(1)->m_lHeight, 0);
}

class RestExpandTest : public kvtest::SelectionTest {
protected:
    kvtest::ScoreShape Shape() override { return {.staves = 2, .measures = 6, .pageGeometry = true}; }
};

TEST_F(RestExpandTest, AFourMeasureRestAtTheEndBecomesFourMeasures)
{
    for (int staff = 0; staff < 2; ++staff) {
        score->Setup(Meas(staff, 5), {.beats = 3, .beatUnit = 4});
        score->Symbol(Meas(staff, 5), MSG_MULTIREST, 0)->m_wObjWord = 4;
    }
    EXPECT_EQ(Doc().IsRestComp(1, 0), 1);
    ExpectRoundTrip(Doc(), [&] {
        Doc().ResetBackup();
        Doc().ObjectBackup(1);
        Doc().UnCompressRestMeas(0);
    });
    EXPECT_EQ(Doc().IsRestComp(1, 0), 0);
    ASSERT_EQ(score->System()->GetMeasNum(), 9);
    for (int staff = 0; staff < 2; ++staff) {
        EXPECT_EQ(Meas(staff, 4)->m_nTimeNum, 4);
        for (int m = 5; m < 9; ++m) {
            SCOPED_TRACE("staff " + std::to_string(staff) + " measure " + std::to_string(m));
            CKVMeas* meas = Meas(staff, m);
            EXPECT_EQ(meas->m_nTimeNum, 3);
            EXPECT_EQ(meas->m_nTimeDen, 4);
            EXPECT_EQ(meas->IsRestCompMeas(nullptr), 0);
            EXPECT_EQ(meas->m_byEndBar, m == 8 ? CKVMeas::BAR_FINAL : CKVMeas::BAR_SINGLE);
            if (m > 5) {
                EXPECT_EQ(meas->m_byStartBar, CKVMeas::BAR_SINGLE);
            }
        }
    }
    EXPECT_EQ(Doc().m_bModified, 1);
}

TEST_F(RestExpandTest, TheSelectedRangeOnly)
{
    score->Symbol(Meas(0, 1), MSG_MULTIREST, 0)->m_wObjWord = 2;
    score->Symbol(Meas(0, 4), MSG_MULTIREST, 0)->m_wObjWord = 3;
    EXPECT_EQ(Doc().IsRestComp(0, 0), 0);
    SelectMeas(0, 1);
    EXPECT_EQ(Doc().IsRestComp(0, 0), 1);
    Doc().ResetBackup();
    Doc().ObjectBackup(1);
    Doc().UnCompressRestMeas(1);
    EXPECT_EQ(score->System()->GetMeasNum(), 7);
    EXPECT_EQ(Meas(0, 5)->IsRestCompMeas(nullptr), 3);
    EXPECT_EQ(Meas(0, 2)->m_byEndBar, CKVMeas::BAR_SINGLE);
    EXPECT_EQ(Meas(0, 2)->m_byStartBar, CKVMeas::BAR_SINGLE);
}

} // namespace
