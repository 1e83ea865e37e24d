// Rhythm patterns: loading a pattern score file into events, refusing
// damaged files, mapping the C pattern onto a chord, making play data and
// drawing the pattern name.

#include "harmony/ChordRtBsInfo.h"
#include "harmony/ChordSymbol.h"
#include "harmony/Rhythm.h"
#include "KvcFile.h"
#include "support/Drawing.h"
#include "support/FontSupport.h"
#include "support/KvTest.h"
#include "support/ScoreBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using kvtest::ScoreBuilder;

constexpr DWORD kVolume = 0x004007B2;        // controller 7 on channel 2
constexpr DWORD kProgramChange = 0x000005C2; // program 6 on channel 2

struct PatternShape {
    LONG measures = 1;
    BYTE channel = 2;
    short keyShift = 0;
    bool extras = true;  // the tie end, the volume and the program change
};

void SetChord(CChordSymbol& chord, short root, short bass, std::vector<BYTE> codes)
{
    chord.m_Surfix.ResetInfo();
    chord.m_nRoot = root;
    chord.m_nBass = bass;
    for (BYTE code : codes)
        chord.m_Surfix.m_Info.AddInfo(code);
}

std::vector<int> Keys(const CTypedPtrArray<CPtrArray, RhythmEvent*>& events)
{
    std::vector<int> keys;
    for (int i = 0; i < events.GetSize(); ++i)
        keys.push_back(events.GetAt(i)->byKey);
    return keys;
}

std::vector<BYTE> DataBytes(const RhythmEvent& event)
{
    return {static_cast<BYTE>(event.dwData), static_cast<BYTE>(event.dwData >> 8),
            static_cast<BYTE>(event.dwData >> 16), static_cast<BYTE>(event.dwData >> 24)};
}

class RhythmPatternTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        host.SetString(125, "rgp");
        host.SetString(135, "Rhythm");
        host.SetString(24921, "unreadable pattern");
        host.SetString(24923, "newer pattern");
        host.SetString(25114, "(none)");
        host.SetString(25132, "KvTest");
        std::filesystem::create_directories(TempDir() / "prog/Rhythm");
        std::strcpy(szCurDirectory, (TempDir() / "prog").c_str());
    }

    // The pattern of quarters C4 E4 G4 C5 in every measure, on one staff.
    std::string PatternBytes(const PatternShape& shape, const std::function<void(ScoreBuilder&)>& change = {})
    {
        ScoreBuilder b({.measures = shape.measures, .pageGeometry = true});
        CKVStaff* staff = b.Staff(0);
        staff->m_byChannel[0] = shape.channel;
        staff->m_byVoiceFirst[0] = 100;
        staff->m_byVoiceSecond[0] = 25;
        staff->m_dwWord = 0x0305;
        staff->m_wStaffWord = static_cast<WORD>(shape.keyShift);
        const BYTE keys[] = {60, 64, 67, 72};
        for (LONG m = 0; m < shape.measures; ++m) {
            CKVMeas* meas = b.Meas(0, m);
            for (int i = 0; i < 4; ++i) {
                CKVMsg* note = b.Note(meas, {.x = static_cast<short>(64 * i), .y = static_cast<short>(-4 * i)});
                ScoreBuilder::SetMidiHead(note, {.byKey = keys[i], .byVelocity = 90, .byRelease = 64, .dwGateTime = 240});
            }
            if (shape.extras && m == 0) {
                CKVMsg* tied = b.Note(meas, {.x = 0, .y = 8, .voice = 2, .flags = MSGFLAG_TIE_END});
                ScoreBuilder::SetMidiHead(tied, {.byKey = 50});
                b.Symbol(meas, MSG_MIDI, 0)->m_dwWord = kVolume;
                b.Symbol(meas, MSG_MIDI, 128)->m_dwWord = kProgramChange;
            }
        }
        if (change)
            change(b);
        b.Settle();
        CMemFile file;
        EXPECT_EQ(kvorel::WriteKvcFile(&file, b.Doc()), 1);
        std::string bytes(file.GetLength(), '\0');
        file.SeekToBegin();
        file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
        return bytes;
    }

    int Load(CRtmData& data, const std::string& bytes)
    {
        WriteFile("prog/Rhythm/pat.kvc", bytes);
        RHYTHM_INFO info;
        info.m_strPatName = "Rock";
        info.m_strFileName = "pat.kvc";
        const int result = data.ReadRtmData("Pop", info);
        EXPECT_EQ(data.m_pDoc, nullptr);
        return result;
    }

    std::vector<const RhythmEvent*> Notes(const CRtmData& data)
    {
        std::vector<const RhythmEvent*> notes;
        for (int i = 0; i < data.m_arrEvent.GetSize(); ++i) {
            if (data.m_arrEvent.GetAt(i)->byKey != 0)
                notes.push_back(data.m_arrEvent.GetAt(i));
        }
        return notes;
    }
};

// ---- Loading ----

TEST_F(RhythmPatternTest, LoadsTracksSetUpEventsNotesAndMidiEvents)
{
    CRtmData data;
    ASSERT_EQ(Load(data, PatternBytes({})), 1);
    EXPECT_EQ(data.m_bLoaded, 1);
    EXPECT_TRUE(host.messageBoxes.empty());
    EXPECT_EQ(data.m_nMeasCount, 1);
    EXPECT_EQ(data.m_nMeasLength, 960);

    ASSERT_EQ(data.m_arrTrack.GetSize(), 1);
    const RhythmTrack& track = *data.m_arrTrack.GetAt(0);
    EXPECT_EQ(track.byLevel, 100);
    EXPECT_EQ(track.byChannel, 2);
    EXPECT_EQ(track.byBankHigh, 3);
    EXPECT_EQ(track.byProgram, 25);
    EXPECT_EQ(track.nKeyShift, 0);

    ASSERT_EQ(data.m_arrEvent.GetSize(), 3 + 4 + 1);
    const std::vector<std::vector<BYTE>> setup = {{0xB2, 0x00, 0x03, 0x00}, {0xB2, 0x20, 0x05, 0x00}, {0xC2, 0x18, 0, 0}};
    for (int i = 0; i < 3; ++i) {
        const RhythmEvent& event = *data.m_arrEvent.GetAt(i);
        EXPECT_EQ(event.byKey, 0);
        EXPECT_EQ(event.nTime, 0);
        EXPECT_EQ(event.byTrack, 0);
        EXPECT_EQ(DataBytes(event), setup[i]) << i;
    }
    const auto notes = Notes(data);
    ASSERT_EQ(notes.size(), 4u);
    const int keys[] = {60, 64, 67, 72};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(notes[i]->byKey, keys[i]);
        EXPECT_EQ(notes[i]->nTime, 256 * i);
        EXPECT_EQ(notes[i]->dwData, 256u);
        EXPECT_EQ(notes[i]->byVelocity, 90);
        EXPECT_EQ(notes[i]->byHead2, 64);
        EXPECT_EQ(notes[i]->byChannel, 2);
    }
    int programChanges = 0;
    for (int i = 3; i < data.m_arrEvent.GetSize(); ++i) {
        const RhythmEvent& event = *data.m_arrEvent.GetAt(i);
        if (event.byKey == 0) {
            ++programChanges;
            EXPECT_EQ(event.dwData, kProgramChange);
            EXPECT_EQ(event.nTime, 512);
        }
    }
    EXPECT_EQ(programChanges, 1);

    RHYTHM_INFO info;
    info.m_strFileName = "x.kvc";
    EXPECT_EQ(std::string(data.GetFullFileName("any group", info).View()),
              (TempDir() / "prog").string() + "\\Rhythm\\x.kvc");
}

TEST_F(RhythmPatternTest, FilesRefusedAndAccepted)
{
    const std::string whole = PatternBytes({});
    const size_t hostPart = 4 + kvorel::kKvcHostBlockSize + 2;
    CRtmData data;
    EXPECT_EQ(Load(data, whole.substr(hostPart)), 1);

    struct Case {
        const char* what;
        std::string bytes;
        UINT message; // 0 for none
    };
    std::string newer = whole;
    newer[12] = 0x13;
    newer[13] = 0x20;
    std::string kvd = whole;
    kvd[hostPart + 2] = 'D';
    std::string noSettings = whole;
    noSettings[kvorel::kKvcLeadingSize] = 0;
    noSettings[kvorel::kKvcLeadingSize + 1] = 0;
    std::vector<Case> cases = {
        {"newer", newer, 24923}, {"KVD", kvd, 24921}, {"settings size 0", noSettings, 0},
    };
    // Cut at each part boundary; only a missing settings size shows nothing.
    for (size_t cut : {size_t(4), size_t(1424), size_t(1426), size_t(2218), size_t(2220), size_t(3364),
                       size_t(3396), size_t(3400), whole.size() - 10})
        cases.push_back({"cut", whole.substr(0, cut), cut == 2218 ? 0u : 24921u});

    for (const Case& c : cases) {
        host.messageBoxes.clear();
        CRtmData refused;
        EXPECT_EQ(Load(refused, c.bytes), 0) << c.what << " " << c.bytes.size();
        EXPECT_EQ(refused.m_bLoaded, 0);
        EXPECT_EQ(refused.m_arrEvent.GetSize(), 0) << c.what << " " << c.bytes.size();
        EXPECT_EQ(refused.m_arrTrack.GetSize(), 0) << c.what << " " << c.bytes.size();
        if (c.message == 0) {
            EXPECT_TRUE(host.messageBoxes.empty()) << c.what << " " << c.bytes.size();
        } else {
            ASSERT_EQ(host.messageBoxes.size(), 1u) << c.what << " " << c.bytes.size();
            EXPECT_EQ(host.messageBoxes[0].text, host.strings[c.message]);
            EXPECT_EQ(host.messageBoxes[0].type, UINT(MB_OK));
        }
    }

    host.messageBoxes.clear();
    RHYTHM_INFO missing;
    missing.m_strFileName = "missing.kvc";
    EXPECT_EQ(data.ReadRtmData("Pop", missing), 0);
    EXPECT_TRUE(host.messageBoxes.empty());
    EXPECT_EQ(data.m_arrEvent.GetSize(), 0);
}

TEST_F(RhythmPatternTest, OnlyTimesThatFitAreKept)
{
    // 34 measures: the times of measures 32 and 33 would not fit.
    CRtmData data;
    ASSERT_EQ(Load(data, PatternBytes({.measures = 34, .extras = false})), 1);
    EXPECT_EQ(data.m_nMeasCount, 32);
    EXPECT_EQ(Notes(data).size(), 32u * 4u);
    EXPECT_EQ(Notes(data).back()->nTime, 31 * 1024 + 768);

    // A measure without length has no time to place its notes in: 1024/15
    // comes to 65,536 ticks, which the 16-bit length keeps as 0.
    ASSERT_EQ(Load(data, PatternBytes({.measures = 2, .extras = false}, [](ScoreBuilder& b) {
                   b.Meas(0, 1)->m_nTimeNum = 1024;
                   b.Meas(0, 1)->m_nTimeDen = 15;
               })),
              1);
    EXPECT_EQ(Notes(data).size(), 4u);
    for (const RhythmEvent* note : Notes(data))
        EXPECT_LT(note->nTime, 1024);

    // A start offset that puts a note past the last time skips that note.
    ASSERT_EQ(Load(data, PatternBytes({.extras = false}, [](ScoreBuilder& b) {
                   CKVMsg* late = b.Note(b.Meas(0, 0), {.x = 0, .y = -20, .voice = 3});
                   ScoreBuilder::SetMidiHead(late, {.byKey = 80, .lStartOffset = 40000});
               })),
              1);
    EXPECT_EQ(Notes(data).size(), 4u);
}

// ---- Keys and play data ----

TEST_F(RhythmPatternTest, KeysOfTheCPatternMoveOntoTheChord)
{
    struct Case {
        short root;
        short bass;
        std::vector<BYTE> codes;
        BYTE key;
        BYTE expected;
    };
    const Case cases[] = {
        {3, 8, {3, 4}, 60, 62},    {3, 8, {3, 4}, 48, 53},    {3, 8, {3, 4}, 64, 65}, {3, 8, {3, 4}, 67, 69},
        {3, 8, {3, 4}, 72, 74},    {3, 0, {3, 4, 3}, 72, 72}, {10, 0, {4, 3}, 60, 55}, {0, 0, {}, 64, 64},
        // Numbers outside the table: no pitch added, no bass.
        {30, 0, {}, 60, 60},       {3, 40, {3, 4}, 48, 50},
    };
    CRtmData data;
    for (const Case& c : cases) {
        CChordSymbol chord;
        SetChord(chord, c.root, c.bass, c.codes);
        EXPECT_EQ(data.GetRealMidiKey(&chord, c.key, 0), c.expected) << c.root << "/" << c.bass << " " << int(c.key);
    }
}

TEST_F(RhythmPatternTest, PlayDataForAChord)
{
    CChordSymbol dm;
    SetChord(dm, 3, 0, {3, 4});
    CRtmData data;
    ASSERT_EQ(Load(data, PatternBytes({.extras = false})), 1);
    ASSERT_EQ(data.ConvertToPlayData(&dm, 0, 1024, 0), 7);
    EXPECT_EQ(Keys(data.m_arrPlayEvent), (std::vector<int> {0, 0, 0, 62, 65, 69, 74}));
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(data.m_arrPlayEvent.GetAt(i)->nTime, data.m_arrEvent.GetAt(i)->nTime);
        EXPECT_EQ(data.m_arrPlayEvent.GetAt(i)->byChannel, 2);
    }
    EXPECT_EQ(data.ConvertToPlayData(&dm, 100, 100, 0), 0);
    EXPECT_EQ(data.m_arrPlayEvent.GetSize(), 7);
    EXPECT_EQ(data.ConvertToPlayData(nullptr, 0, 1024, 0), 0);

    ASSERT_EQ(Load(data, PatternBytes({.measures = 2, .extras = false})), 1);
    ASSERT_EQ(data.ConvertToPlayData(&dm, 0, 1024, 1), 4);
    EXPECT_EQ(data.m_arrPlayEvent.GetAt(0)->nTime, 0);
    EXPECT_EQ(data.m_arrPlayEvent.GetAt(3)->nTime, 768);

    ASSERT_EQ(Load(data, PatternBytes({.keyShift = 12, .extras = false})), 1);
    data.ConvertToPlayData(&dm, 0, 1024, 0);
    EXPECT_EQ(data.m_arrPlayEvent.GetAt(3)->byKey, 74);

    ASSERT_EQ(Load(data, PatternBytes({.channel = 9, .extras = false})), 1);
    data.ConvertToPlayData(&dm, 0, 1024, 0);
    EXPECT_EQ(Keys(data.m_arrPlayEvent), (std::vector<int> {0, 0, 0, 60, 64, 67, 72}));
}

TEST_F(RhythmPatternTest, PlayKeysStayMidiKeys)
{
    CChordSymbol dm;
    SetChord(dm, 3, 0, {3, 4});
    auto event = [](BYTE key, BYTE track, BYTE channel) {
        auto* e = new RhythmEvent;
        e->byKey = key;
        e->byTrack = track;
        e->byChannel = channel;
        return e;
    };
    CRtmData data;
    auto* track = new RhythmTrack;
    track->byChannel = 1;
    track->nKeyShift = 100;
    data.m_arrTrack.Add(track);
    data.m_arrEvent.Add(event(72, 0, 0));
    ASSERT_EQ(data.ConvertToPlayData(&dm, 0, 1024, 0), 1);
    EXPECT_EQ(data.m_arrPlayEvent.GetAt(0)->byKey, 126);
    track->nKeyShift = -100;
    data.m_arrEvent.GetAt(0)->byKey = 60;
    data.ConvertToPlayData(&dm, 0, 1024, 0);
    EXPECT_EQ(data.m_arrPlayEvent.GetAt(0)->byKey, 10);

    // A track the data does not hold: the event keeps its channel, unshifted.
    data.m_arrEvent.GetAt(0)->byTrack = 5;
    data.m_arrEvent.GetAt(0)->byChannel = 4;
    data.ConvertToPlayData(&dm, 0, 1024, 0);
    EXPECT_EQ(data.m_arrPlayEvent.GetAt(0)->byKey, 62);
    EXPECT_EQ(data.m_arrPlayEvent.GetAt(0)->byChannel, 4);
}

// ---- Drawing ----

TEST_F(RhythmPatternTest, DrawsThePatternNameInTheMessageColour)
{
    kvtest::InstallTestFonts();
    kvtest::RouteTextToTestFace();
    CRhythm rhythm;
    rhythm.m_RtmInfo.m_strPatName = "Rock";
    rhythm.m_nPosX = 5;
    rhythm.m_nPosY = -50;
    rhythm.m_crColor = 0x0000FF;

    auto dc = kvtest::MakeRecordingDC(800, 600, 72);
    dc->SetTextAlign(TA_BASELINE);
    dc->SetTextColor(0x00FF00);
    dc->SetBkMode(OPAQUE);
    const kvrec::LiveCounts live = kvrec::LiveObjectCounts();

    EXPECT_EQ(rhythm.Draw(dc.get(), 200, 100, 300), CRect(0, 0, 40, 20));
    const auto texts = dc->Log().Calls("TextOutA");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->bytes, "Rock");
    EXPECT_EQ(texts[0]->logical[0].x, 105);
    EXPECT_EQ(texts[0]->logical[0].y, 200);
    EXPECT_EQ(texts[0]->font.lfHeight, -20);
    EXPECT_EQ(texts[0]->font.lfWeight, 700);
    EXPECT_EQ(texts[0]->textColour, COLORREF(0x0000FF));
    EXPECT_EQ(texts[0]->align, 0u);
    EXPECT_EQ(dc->GetTextAlign(), UINT(TA_BASELINE));
    EXPECT_EQ(dc->GetTextColor(), COLORREF(0x00FF00));
    EXPECT_EQ(dc->GetBkMode(), OPAQUE);
    EXPECT_EQ(kvrec::LiveObjectCounts(), live);

    dc->Log().Clear();
    EXPECT_EQ(rhythm.Draw(dc.get(), 100, 100, 300), CRect(0, 0, 20, 10));
    const auto half = dc->Log().Calls("TextOutA");
    ASSERT_EQ(half.size(), 1u);
    EXPECT_EQ(half[0]->logical[0].x, 105);
    EXPECT_EQ(half[0]->logical[0].y, 250);
}

} // namespace
