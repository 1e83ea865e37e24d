// Chord naming of a melody end to end: the melody of staff 0 entered note by
// note, Open, Process and Close, then the chord symbols the namer left on
// the staff read back by name, place and colour.

#include "harmony/AutoStaff.h"
#include "harmony/ChordRtBsInfo.h"
#include "harmony/ChordSymbol.h"
#include "harmony/KVAutoCodeName.h"
#include "AllocHook.h"
#include "support/CanonicalDump.h"
#include "support/KvTest.h"
#include "support/MelodyEntry.h"
#include "support/ScoreGenerator.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using kvtest::MelodyKey;
using kvtest::MelodyScore;
using Names = std::vector<std::string>;

std::vector<CChordSymbol*> ChordSymbols(CKVMeas* meas)
{
    std::vector<CChordSymbol*> symbols;
    meas->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    short cursor = 0;
    while (CKVMsg* msg = meas->GetNextMsg(cursor))
        if (msg->m_byKind == MSG_CHORDSYMBOL)
            symbols.push_back(static_cast<CChordSymbol*>(msg));
    meas->m_arrWalk.RemoveAll();
    return symbols;
}

std::string NameOf(const CChordSymbol& chord)
{
    std::string name = std::string(procChordRtBsInfo.GetRootName(chord.m_nRoot)) +
                       std::string(chord.m_Surfix.GetShortName());
    if (chord.m_nBass)
        name += "/" + std::string(procChordRtBsInfo.GetBaseName(chord.m_nBass));
    return name;
}

// Per measure of a staff: its chord names in walk order, "-" for none.
Names NamesOf(CKVDoc& doc, int staffIndex = 0)
{
    Names names;
    CKVStaff* staff = doc.GetStaff(staffIndex, 0);
    for (LONG m = 0; staff && m < staff->GetMeasNum(); ++m) {
        std::string line;
        for (CChordSymbol* chord : ChordSymbols(staff->GetMeas(m)))
            line += (line.empty() ? "" : " ") + NameOf(*chord);
        names.push_back(line.empty() ? "-" : line);
    }
    return names;
}

std::vector<int> Codes(const CChordSymbol& chord)
{
    std::vector<int> codes;
    for (int i = 0; i < chord.m_Surfix.m_Info.GetSize(); ++i)
        codes.push_back(chord.m_Surfix.m_Info.GetAt(i));
    return codes;
}

std::vector<CChordSymbol*> AllChordSymbols(CKVDoc& doc, int staffIndex = 0)
{
    std::vector<CChordSymbol*> all;
    CKVStaff* staff = doc.GetStaff(staffIndex, 0);
    for (LONG m = 0; staff && m < staff->GetMeasNum(); ++m)
        for (CChordSymbol* chord : ChordSymbols(staff->GetMeas(m)))
            all.push_back(chord);
    return all;
}

CKVMsg* NoteAt(CKVMeas* meas, int index)
{
    int seen = 0;
    meas->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    short cursor = 0;
    CKVMsg* found = nullptr;
    while (CKVMsg* msg = meas->GetNextMsg(cursor))
        if (msg->m_byKind == MSG_NOTE && seen++ == index && !found)
            found = msg;
    meas->m_arrWalk.RemoveAll();
    return found;
}

int Name(CKVDoc& doc)
{
    CKVAutoCodeName& namer = doc.m_AutoCodeName;
    if (!namer.Open(&doc))
        return 0;
    const int result = namer.Process(0);
    namer.Close();
    return result;
}

class ChordNamingTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        AddEntry("m", "34");
        AddEntry("7", "433");
        AddEntry("m7", "343");
    }

    static void AddEntry(const char* name, const char* codes)
    {
        auto* entry = new CChordSurfix;
        entry->SetRealName(name);
        entry->InfoFromString(codes);
        procChordSurfix.AddSurfix(entry);
    }
};

// ---- Melodies, measure by measure ----

struct MelodyRow {
    const char* label;
    const char* melody;
    MelodyKey key;
    Names chords;
};

void PrintTo(const MelodyRow& row, std::ostream* os) { *os << row.label; }

class MelodyNamingTest : public ChordNamingTest, public ::testing::WithParamInterface<MelodyRow> {};

TEST_P(MelodyNamingTest, NamesEachMeasure)
{
    const MelodyRow& row = GetParam();
    auto score = MelodyScore(row.melody, row.key);
    ASSERT_EQ(Name(score->Doc()), 1);
    EXPECT_EQ(NamesOf(score->Doc()), row.chords);
}

const MelodyKey kOneFlat {.keyType = 2, .keyCount = 1};

INSTANTIATE_TEST_SUITE_P(
    Melodies, MelodyNamingTest,
    ::testing::Values(
        MelodyRow {"a", "C4q E4q G4q E4q | F4q A4q F4q A4q | G4q B4q D5q B4q | C4w", {}, {"C", "Dm", "G", "C"}},
        MelodyRow {"b", "A4q C5q E5q C5q | A4w", {}, {"Am", "-"}},
        MelodyRow {"c", "A4q C5q E5q C5q | D5q F5q A5q F5q | E5q G#5q B5q D6q | A4w", {}, {"Am", "Dm", "E7", "Am"}},
        MelodyRow {"d", "F4q A4q C5q A4q | Bb4q D5q F5q D5q | C5q E5q G5q E5q | F4w", kOneFlat, {"F", "Bb", "C", "F"}},
        MelodyRow {"e", "Gb4q Bb4q Db5q Bb4q | Cb5q Eb5q Gb5q Eb5q | Db5q F5q Ab5q F5q | Gb4w",
                   {.keyType = 2, .keyCount = 6}, {"Gb", "Cb", "Db", "Gb"}},
        MelodyRow {"f", "F#4q A#4q C#5q A#4q | B4q D#5q F#5q D#5q | C#5q E#5q G#5q E#5q | F#4w",
                   {.keyType = 1, .keyCount = 6}, {"F#", "B", "C#", "F#"}},
        MelodyRow {"g", "D4q F4q A4q F4q | G4q Bb4q D5q Bb4q | A4q C#5q E5q G5q | F4q A4q D4h", kOneFlat,
                   {"Dm", "Gm", "A7", "Dm"}},
        MelodyRow {"h", "!G4q | C5q E5q G5q E5q | F5q D5q B4q G4q | C5w", {}, {"-", "C", "G7", "C"}},
        MelodyRow {"i", "C4q E4q G4q E4q | C4q E4q G4q E4q | G4q B4q D5q B4q | C4w", {}, {"C", "-", "G", "C"}},
        MelodyRow {"j",
                   "C4q E4q G4q E4q | F4q A4q C5q A4q | D4q F4q D4q F4q | C4q E4q G4q E4q | G4q B4q D5q B4q | C4w",
                   {}, {"C", "F", "G7", "C", "G", "C"}},
        MelodyRow {"k", "C4q E4q G4q E4q | F4q A4q F4q A4q | C4q E4q G4q C5q | G4w", {}, {"C", "Dm G7", "C", "G"}},
        // Meter, halves and the share of the second half.
        MelodyRow {"l", "C4h E4q | G4h E4q | F4h A4q | D4h F4q | G4h B4q | C4h.", {.beats = 3},
                   {"C", "-", "F", "Dm", "G", "C"}},
        MelodyRow {"m", "C5q E5q C5q E5q | A4q C5q B4q G4q | C5w", {}, {"C", "F G", "C"}},
        MelodyRow {"n", "C4q E4q G4q E4q | E4h. D4q | F4q A4q F4q A4q | G4q B4q D5q B4q | C4w", {},
                   {"C", "-", "Dm", "G", "C"}},
        MelodyRow {"o", "C4q E4q G4q E4q | E4h D4h | F4q A4q F4q A4q | G4q B4q D5q B4q | C4w", {},
                   {"C", "G", "F", "G", "C"}},
        // An empty measure resets the last chord; a chord hangs on a rest.
        MelodyRow {"rests", "C4q E4q G4q E4q | Rw | Rq C4q E4q G4q | G4q B4q D5q B4q | C4w", {},
                   {"C", "-", "C", "G", "C"}},
        // Measure 2 ends on A: the piece is read in A minor.
        MelodyRow {"minor key", "C4q E4q G4q E4q | F4q A4q F4q A4q | G4q B4q D5q B4q | D5w", {},
                   {"C", "Dm", "G", "Dm"}},
        // No measure decides: the major tonic of the signature (D) is taken.
        MelodyRow {"undecided", "E4q G4q B4q G4q | A4w", {.keyType = 1, .keyCount = 2}, {"Em", "A"}},
        // Without the guard on halves with no centre the last chord is lost.
        MelodyRow {"3/4 halves", "C4h E4q | F4h A4q | G4q B4q D5e C5e", {.beats = 3}, {"C", "Dm", "G"}},
        MelodyRow {"one measure", "C4q E4q G4q C5q", {}, {"C"}},
        // A pickup is a measure short of its length: a full one is not.
        MelodyRow {"one pickup", "!C4q E4q G4q", {}, {"-"}},
        MelodyRow {"one full pickup", "!C4q E4q G4q C5q", {}, {"C"}}),
    [](const ::testing::TestParamInfo<MelodyRow>& info) {
        std::string name;
        for (const char* c = info.param.label; *c; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

TEST_F(ChordNamingTest, SymbolsCarryRootSuffixPlaceAndVoice)
{
    auto score = MelodyScore("C4q E4q G4q E4q | F4q A4q F4q A4q | G4q B4q D5q B4q | C4w");
    ASSERT_EQ(Name(score->Doc()), 1);
    const std::vector<CChordSymbol*> chords = AllChordSymbols(score->Doc());
    ASSERT_EQ(chords.size(), 4u);
    const std::vector<int> roots {0, 3, 10, 0};
    const std::vector<std::string> suffixes {"", "m", "", ""};
    const std::vector<int> ys {-49, -25, -17, -49};
    for (size_t i = 0; i < chords.size(); ++i) {
        SCOPED_TRACE(i);
        const CChordSymbol& chord = *chords[i];
        EXPECT_EQ(chord.m_nRoot, roots[i]);
        EXPECT_EQ(std::string(chord.m_Surfix.GetRealName()), suffixes[i]);
        EXPECT_EQ(chord.m_nBass, 0);
        EXPECT_EQ(chord.m_byVoice, 1);
        EXPECT_EQ(chord.m_crColor, 0u);
        EXPECT_EQ(chord.m_nPosX, 0);
        EXPECT_EQ(chord.m_nPosY, ys[i]);
        // Each hangs on the first note of its measure.
        EXPECT_EQ(chord.m_pParent, NoteAt(score->Meas(0, static_cast<int>(i)), 0));
    }
    EXPECT_EQ(Codes(*chords[1]), (std::vector<int> {3, 4}));
    EXPECT_TRUE(Codes(*chords[0]).empty());

    // Without a dictionary the suffix is still named, with no codes.
    procChordSurfix.DeleteAllSurfixes();
    auto bare = MelodyScore("C4q E4q G4q E4q | F4q A4q F4q A4q | G4q B4q D5q B4q | C4w");
    ASSERT_EQ(Name(bare->Doc()), 1);
    const std::vector<CChordSymbol*> named = AllChordSymbols(bare->Doc());
    ASSERT_EQ(named.size(), 4u);
    EXPECT_EQ(std::string(named[1]->m_Surfix.GetShortName()), "m");
    EXPECT_TRUE(Codes(*named[1]).empty());
}

TEST_F(ChordNamingTest, RootsAreSpelledForTheKey)
{
    struct Case {
        const char* melody;
        MelodyKey key;
        std::vector<int> roots;
    };
    const Case cases[] = {
        {"A4q C5q E5q C5q | A4w", {}, {13}},
        {"F4q A4q C5q A4q | Bb4q D5q F5q D5q | C5q E5q G5q E5q | F4w", kOneFlat, {7, 15, 0, 7}},
        {"Gb4q Bb4q Db5q Bb4q | Cb5q Eb5q Gb5q Eb5q | Db5q F5q Ab5q F5q | Gb4w", {.keyType = 2, .keyCount = 6},
         {9, 17, 2, 9}},
        {"F#4q A#4q C#5q A#4q | B4q D#5q F#5q D#5q | C#5q E#5q G#5q E#5q | F#4w", {.keyType = 1, .keyCount = 6},
         {8, 16, 1, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.melody);
        auto score = MelodyScore(c.melody, c.key);
        ASSERT_EQ(Name(score->Doc()), 1);
        std::vector<int> roots;
        for (CChordSymbol* chord : AllChordSymbols(score->Doc()))
            roots.push_back(chord->m_nRoot);
        EXPECT_EQ(roots, c.roots);
    }
}

TEST_F(ChordNamingTest, SymbolsStandOnTheNotesOfTheirHalves)
{
    auto score = MelodyScore("C5q E5q C5q E5q | A4q C5q B4q G4q | C5w");
    ASSERT_EQ(Name(score->Doc()), 1);
    const std::vector<CChordSymbol*> split = ChordSymbols(score->Meas(0, 1));
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(split[0]->m_nPosY, -9);  // on A4
    EXPECT_EQ(split[1]->m_nPosY, -6);  // on B4, higher than 30 above the staff's base
    EXPECT_EQ(static_cast<CKVMsg*>(split[1]->m_pParent)->m_nPosY, -32);

    auto row = MelodyScore("C4q E4q G4q E4q | F4q A4q F4q A4q | C4q E4q G4q C5q | G4w");
    ASSERT_EQ(Name(row->Doc()), 1);
    const std::vector<CChordSymbol*> halves = ChordSymbols(row->Meas(0, 1));
    ASSERT_EQ(halves.size(), 2u);
    EXPECT_EQ(static_cast<CKVMsg*>(halves[0]->m_pParent)->m_nPerformStart, 0);
    EXPECT_GT(static_cast<CKVMsg*>(halves[1]->m_pParent)->m_nPerformStart, 0);
    EXPECT_EQ(static_cast<CKVMsg*>(halves[1]->m_pParent)->m_nPosY, -8);  // the second F4

    // The rest carries the chord of a measure that starts with one.
    auto rests = MelodyScore("C4q E4q G4q E4q | Rw | Rq C4q E4q G4q | G4q B4q D5q B4q | C4w");
    ASSERT_EQ(Name(rests->Doc()), 1);
    const std::vector<CChordSymbol*> onRest = ChordSymbols(rests->Meas(0, 2));
    ASSERT_EQ(onRest.size(), 1u);
    EXPECT_EQ(static_cast<CKVMsg*>(onRest[0]->m_pParent)->m_byKind, MSG_REST);
}

TEST_F(ChordNamingTest, UnconfirmedAreasTakeTheSettingsColour)
{
    struct Case {
        const char* melody;
        MelodyKey key;
        std::vector<bool> unconfirmed;
    };
    const Case cases[] = {
        {"C4h E4q | G4h E4q | F4h A4q | D4h F4q | G4h B4q | C4h.", {.beats = 3},
         {false, true, true, false, false}},
        {"C5q E5q C5q E5q | A4q C5q B4q G4q | C5w", {}, {false, true, false, false}},
        {"C4q E4q G4q E4q | E4h D4h | F4q A4q F4q A4q | G4q B4q D5q B4q | C4w", {},
         {false, true, true, false, false}},
        {"C4q E4q G4q E4q | F4q A4q F4q A4q | G4q B4q D5q B4q | D5w", {}, {false, true, true, false}},
    };
    for (const DWORD colour : {0x0000FFu, 0u}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.melody) + " colour " + std::to_string(colour));
            auto score = MelodyScore(c.melody, c.key);
            score->Doc().m_CtrlTool.m_dwB8 = colour;
            ASSERT_EQ(Name(score->Doc()), 1);
            std::vector<bool> coloured;
            for (CChordSymbol* chord : AllChordSymbols(score->Doc())) {
                EXPECT_EQ(chord->m_FretBoard.m_crColor, chord->m_crColor);
                coloured.push_back(chord->m_crColor != 0);
            }
            std::vector<bool> expected = c.unconfirmed;
            if (!colour)
                expected.assign(expected.size(), false);
            EXPECT_EQ(coloured, expected);
        }
    }
}

TEST_F(ChordNamingTest, UnusualMeasuresAreNamedSafely)
{
    // Numerator 0 set after entry; key kind 0 with a count; a count of 9.
    for (int variant = 0; variant < 3; ++variant) {
        SCOPED_TRACE(variant);
        auto score = MelodyScore("C4q E4q G4q E4q | F4q A4q F4q A4q | G4q B4q D5q B4q | C4w");
        CKVMeas* meas = score->Meas(0, 1);
        if (variant == 0)
            meas->m_nTimeNum = 0;
        else if (variant == 1)
            meas->m_byKeyCount = 3;
        else
            meas->m_byKeyType = 1, meas->m_byKeyCount = 9;
        EXPECT_EQ(Name(score->Doc()), 1);
    }
    // 13/8 with a note on every beat.
    auto odd = MelodyScore("C4e E4e G4e E4e C4e E4e G4e E4e C4e E4e G4e E4e C4e | C4e E4e G4e E4e C4e E4e G4e E4e "
                           "C4e E4e G4e E4e C4e",
                           {.beats = 13, .beatUnit = 8});
    EXPECT_EQ(Name(odd->Doc()), 1);

    // A staff without notes gets nothing.
    kvtest::ScoreBuilder empty({.measures = 3});
    EXPECT_EQ(Name(empty.Doc()), 1);
    EXPECT_EQ(NamesOf(empty.Doc()), (Names {"-", "-", "-"}));

    // A first note that holds all its record counts takes no chord, which
    // the next measure's first note of the same chord then takes.
    auto full = MelodyScore("C4q E4q G4q E4q | C4q E4q G4q E4q | G4q B4q D5q B4q | C4w");
    CKVMsg* crowded = NoteAt(full->Meas(0, 0), 0);
    for (short i = 0; i < 255; ++i)
        full->Symbol(crowded, MSG_DYNAMIC, i);
    ASSERT_EQ(Name(full->Doc()), 1);
    EXPECT_EQ(NamesOf(full->Doc()), (Names {"-", "C", "G", "C"}));
}

// ---- The model: a namer that stops before writing ----

class ModelReader : public CKVAutoCodeName {
public:
    explicit ModelReader(CKVDoc& doc) { Open(&doc); }
    ~ModelReader() { DeleteContents(); }

    CAutoStaff* Analyse()
    {
        EXPECT_TRUE(Preprocess1() && Preprocess2());
        DecideCenterLevel();
        ThinkHarmonyAB();
        DecideNonChordNode();
        RegisterPresentNode();
        ProduceCandNote();
        ProduceCode(0);
        return m_pAutoStaff;
    }
};

std::vector<int> CodesOf(const tagCandCode& code)
{
    return std::vector<int>(code.byCode, code.byCode + code.byCodeNum);
}

std::vector<int> StepsOf(const tagCandidate& list)
{
    std::vector<int> steps;
    for (int i = 0; i < list.byNum && i < 12; ++i)
        steps.push_back(list.Entry[i].byStep);
    return steps;
}

TEST_F(ChordNamingTest, ModelKeepsHowEachAreaWasSettled)
{
    auto a = MelodyScore("C4q E4q G4q E4q | F4q A4q F4q A4q | G4q B4q D5q B4q | C4w");
    {
        ModelReader reader(a->Doc());
        CAutoStaff* model = reader.Analyse();
        ASSERT_NE(model, nullptr);
        const tagCandCode& second = model->GetMeas(1)->m_CandCode[kAreaWhole];
        EXPECT_EQ(second.byChosen, 2);
        EXPECT_EQ(second.byFlags & (kCodeFixed | kCodeLinked), kCodeFixed | kCodeLinked);
        const tagCandCode& third = model->GetMeas(2)->m_CandCode[kAreaWhole];
        EXPECT_EQ(third.byChosen, 5);
        EXPECT_EQ(third.byFlags & (kCodeFixed | kCodeByRule), kCodeFixed | kCodeByRule);
    }
    auto j = MelodyScore(
        "C4q E4q G4q E4q | F4q A4q C5q A4q | D4q F4q D4q F4q | C4q E4q G4q E4q | G4q B4q D5q B4q | C4w");
    {
        ModelReader reader(j->Doc());
        CAutoStaff* model = reader.Analyse();
        ASSERT_NE(model, nullptr);
        const tagCandCode& third = model->GetMeas(2)->m_CandCode[kAreaWhole];
        EXPECT_EQ(CodesOf(third), (std::vector<int> {2, 12}));
        EXPECT_EQ(third.byChosen, 12);
        EXPECT_EQ(third.byFlags & (kCodeFixed | kCodeLinked), kCodeFixed | kCodeLinked);
    }
    auto m = MelodyScore("C5q E5q C5q E5q | A4q C5q B4q G4q | C5w");
    {
        ModelReader reader(m->Doc());
        CAutoStaff* model = reader.Analyse();
        ASSERT_NE(model, nullptr);
        const CAutoMeas& second = *model->GetMeas(1);
        EXPECT_EQ(second.m_bySplit, 1);
        EXPECT_EQ(StepsOf(second.m_Candidate[kAreaA]), (std::vector<int> {6, 1}));
        EXPECT_EQ(StepsOf(second.m_Candidate[kAreaB]), (std::vector<int> {7, 5}));
    }
    // No measure decides the key: the signature's major tonic (D) is taken.
    auto undecided = MelodyScore("E4q G4q B4q G4q | A4w", {.keyType = 1, .keyCount = 2});
    {
        ModelReader reader(undecided->Doc());
        CAutoStaff* model = reader.Analyse();
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(model->m_byTonic, 62);
    }
    // A busy minor measure: its whole list is capped at 12 entries.
    auto busy = MelodyScore("A4e C5s D5s E5s F5s F#5s D#5s B4e D5s E5s F5s G5s D#5s F#5s | A4w");
    {
        ModelReader reader(busy->Doc());
        CAutoStaff* model = reader.Analyse();
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(model->GetMeas(0)->m_Candidate[kAreaWhole].byNum, 12);
    }
    ASSERT_EQ(Name(busy->Doc()), 1);
    EXPECT_EQ(NamesOf(busy->Doc()), (Names {"Am E7", "Am"}));
}

// ---- Replacing the staff's chord symbols ----

CChordSymbol* AddChord(CKVDoc& doc, CKVMsg* note, short root, const char* suffix, const char* rhythm = nullptr)
{
    CChordSymbol tmpl;
    tmpl.m_nRoot = root;
    tmpl.m_Surfix.SetRealName(suffix);
    if (rhythm) {
        tmpl.m_pRhythm = new CRhythm;
        tmpl.m_pRhythm->m_strGrpName = "Test";
        tmpl.m_pRhythm->m_RtmInfo.m_strPatName = rhythm;
        auto* event = new RhythmEvent;
        event->byKey = 36;
        tmpl.m_pRhythm->m_RtmData.m_arrEvent.Add(event);
    }
    return static_cast<CChordSymbol*>(doc.AddMsg(note, &tmpl, 1, 0));
}

class ChordReplacementTest : public ChordNamingTest {
protected:
    static constexpr const char* kMelody = "C4q E4q G4q E4q | C4q E4q G4q E4q | G4q B4q D5q B4q | C4w";

    void SetUp() override
    {
        ChordNamingTest::SetUp();
        score = MelodyScore(kMelody, {}, 2);
        CKVDoc& doc = score->Doc();
        ASSERT_TRUE(AddChord(doc, NoteAt(score->Meas(0, 0), 0), 7, ""));
        ASSERT_TRUE(AddChord(doc, NoteAt(score->Meas(0, 1), 1), 0, "", "Bossa"));
        ASSERT_TRUE(AddChord(doc, NoteAt(score->Meas(0, 2), 1), 10, "", "Waltz"));
        ASSERT_TRUE(AddChord(doc, NoteAt(score->Meas(0, 2), 2), 3, "m", "March"));
        CKVMsg* low = kvtest::EnterNote(score->Meas(1, 0), {.start = 0, .y = 0});
        ASSERT_TRUE(low);
        ASSERT_TRUE(AddChord(doc, low, 5, "m7"));
        CKVMsg older;
        ASSERT_EQ(older.TextToKVMsg("G7"), 1);
        ASSERT_TRUE(doc.AddMsg(NoteAt(score->Meas(0, 3), 0), &older, 1, 0));
    }

    std::unique_ptr<kvtest::ScoreBuilder> score;
};

int CountKind(CKVMeas* meas, BYTE kind)
{
    int count = 0;
    meas->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    short cursor = 0;
    while (CKVMsg* msg = meas->GetNextMsg(cursor))
        count += msg->m_byKind == kind;
    meas->m_arrWalk.RemoveAll();
    return count;
}

TEST_F(ChordReplacementTest, StaffZeroSymbolsAreReplacedAndTheFirstPatternKept)
{
    CKVDoc& doc = score->Doc();
    const Names otherStaff = NamesOf(doc, 1);
    ASSERT_EQ(Name(doc), 1);
    EXPECT_EQ(NamesOf(doc), (Names {"C", "-", "G", "C"}));
    const std::vector<CChordSymbol*> third = ChordSymbols(score->Meas(0, 2));
    ASSERT_EQ(third.size(), 1u);
    EXPECT_EQ(third[0]->m_pParent, NoteAt(score->Meas(0, 2), 0));
    ASSERT_NE(third[0]->m_pRhythm, nullptr);
    EXPECT_EQ(std::string(third[0]->m_pRhythm->m_RtmInfo.m_strPatName), "Waltz");
    EXPECT_EQ(third[0]->m_pRhythm->m_RtmData.m_arrEvent.GetSize(), 1);
    for (CChordSymbol* chord : AllChordSymbols(doc)) {
        if (chord != third[0]) {
            EXPECT_EQ(chord->m_pRhythm, nullptr);
        }
    }
    // The other staff and the older chord text are untouched.
    EXPECT_EQ(NamesOf(doc, 1), otherStaff);
    EXPECT_EQ(CountKind(score->Meas(0, 3), MSG_OLDCHORDNAME), 1);

    const std::string once = kvtest::CanonicalDump(doc);
    ASSERT_EQ(Name(doc), 1);
    EXPECT_EQ(kvtest::CanonicalDump(doc), once);
}

TEST_F(ChordReplacementTest, NamingIsOneUndoStep)
{
    CKVDoc& doc = score->Doc();
    kvtest::StartUndoRecording(doc);
    doc.ResetBackup();
    ASSERT_TRUE(score->Meas(1, 1)->ObjectBackup(1, 1));
    ASSERT_TRUE(kvtest::EnterNote(doc.GetStaff(1, 0)->GetMeas(1), {.start = 0, .y = 0}));
    const std::string d0 = kvtest::CanonicalDump(doc);
    ASSERT_EQ(Name(doc), 1);
    const std::string d1 = kvtest::CanonicalDump(doc);
    ASSERT_NE(d0, d1);
    doc.MultiUndoStart();
    EXPECT_EQ(kvtest::CanonicalDump(doc), d0);
    Names patterns;
    for (CChordSymbol* chord : AllChordSymbols(doc))
        if (chord->m_pRhythm)
            patterns.push_back(std::string(chord->m_pRhythm->m_RtmInfo.m_strPatName));
    EXPECT_EQ(patterns, (Names {"Bossa", "Waltz", "March"}));
    doc.MultiRedoStart();
    EXPECT_EQ(kvtest::CanonicalDump(doc), d1);
    doc.MultiUndoStart();
    doc.MultiUndoStart();
    EXPECT_EQ(CountKind(doc.GetStaff(1, 0)->GetMeas(1), MSG_NOTE), 0) << "naming took more than one step";
}

TEST_F(ChordNamingTest, NamingThatChangesNothingRecordsNothing)
{
    kvtest::ScoreBuilder b({.staves = 2, .measures = 2});
    CKVDoc& doc = b.Doc();
    kvtest::StartUndoRecording(doc);
    doc.ResetBackup();
    ASSERT_TRUE(b.Meas(1, 0)->ObjectBackup(1, 1));
    ASSERT_TRUE(kvtest::EnterNote(doc.GetStaff(1, 0)->GetMeas(0), {.start = 0, .y = 0}));
    doc.MultiUndoStart();
    ASSERT_EQ(doc.IsMultiEnableRedo(), 1);
    const std::string before = kvtest::CanonicalDump(doc);
    ASSERT_EQ(Name(doc), 1);
    EXPECT_EQ(doc.IsMultiEnableRedo(), 1);
    EXPECT_EQ(kvtest::CanonicalDump(doc), before);
}

TEST_F(ChordNamingTest, FailuresLeaveTheScoreAsItWas)
{
    auto score = MelodyScore("C4q E4q G4q E4q | F4q A4q F4q A4q | G4q B4q D5q B4q | C4w");
    CKVDoc& doc = score->Doc();
    const std::string before = kvtest::CanonicalDump(doc);
    CKVAutoCodeName unopened;
    EXPECT_EQ(unopened.Process(0), 0);
    CKVAutoCodeName none;
    EXPECT_EQ(none.Open(nullptr), 0);
    EXPECT_EQ(none.Process(0), 0);
    EXPECT_EQ(doc.m_AutoCodeName.DeleteChordCode(), 0);

    host.freeBytes = 999999;
    EXPECT_EQ(Name(doc), 0);
    EXPECT_EQ(kvtest::CanonicalDump(doc), before);
}

TEST_F(ChordNamingTest, FailedAllocationsLeakNothingAndUndoRestores)
{
    const char* melody = "C4q E4q G4q E4q | F4q A4q F4q A4q | G4q B4q D5q B4q | C4w";
    bool succeeded = false;
    for (int n = 1; n < 20000 && !succeeded; ++n) {
        SCOPED_TRACE(n);
        auto score = MelodyScore(melody, {}, 1);
        CKVDoc& doc = score->Doc();
        AddChord(doc, NoteAt(score->Meas(0, 1), 0), 7, "", "Bossa");
        kvtest::StartUndoRecording(doc);
        const std::string before = kvtest::CanonicalDump(doc);
        KvFailAllocationAfter(n);
        const int result = Name(doc);
        KvFailAllocationAfter(0);
        ASSERT_TRUE(result == 0 || result == 1);
        if (result == 1) {
            succeeded = true;
            EXPECT_EQ(NamesOf(doc), (Names {"C", "Dm", "G", "C"}));
        } else if (kvtest::CanonicalDump(doc) != before) {
            doc.MultiUndoStart();
            EXPECT_EQ(kvtest::CanonicalDump(doc), before);
        }
    }
    EXPECT_TRUE(succeeded);
}

TEST_F(ChordNamingTest, GeneratedScoresKeepTheirOtherStaves)
{
    for (const kvtest::GeneratedScoreShape shape :
         {kvtest::GeneratedScoreShape {}, kvtest::GeneratedScoreShape {.staves = 4, .measures = 64}}) {
        SCOPED_TRACE(shape.staves);
        CKVDoc doc;
        ASSERT_EQ(kvtest::GenerateScore(doc, shape), 1);
        kvtest::StartUndoRecording(doc);
        const std::string generated = kvtest::CanonicalDump(doc);
        std::vector<Names> others;
        for (int s = 1; s < shape.staves; ++s)
            others.push_back(NamesOf(doc, s));
        ASSERT_EQ(Name(doc), 1);
        for (int s = 1; s < shape.staves; ++s)
            EXPECT_EQ(NamesOf(doc, s), others[static_cast<size_t>(s - 1)]);
        const std::string named = kvtest::CanonicalDump(doc);
        ASSERT_EQ(Name(doc), 1);
        EXPECT_EQ(kvtest::CanonicalDump(doc), named);
        doc.MultiUndoStart();
        doc.MultiUndoStart();
        EXPECT_EQ(kvtest::CanonicalDump(doc), generated);
    }
}

TEST_F(ChordNamingTest, NamedChordsSaveAndLoad)
{
    auto score = MelodyScore("C4q E4q G4q E4q | F4q A4q F4q A4q | G4q B4q D5q B4q | C4w");
    score->Doc().m_CtrlTool.m_dwB8 = 0x0000FF;
    ASSERT_EQ(Name(score->Doc()), 1);
    CMemFile file;
    ASSERT_EQ(score->Doc().Save(&file), 1);
    file.SeekToBegin();
    CKVDoc loaded;
    ASSERT_EQ(loaded.Load(&file, 3), 0);
    const std::vector<CChordSymbol*> before = AllChordSymbols(score->Doc());
    const std::vector<CChordSymbol*> after = AllChordSymbols(loaded);
    ASSERT_EQ(after.size(), before.size());
    ASSERT_EQ(after.size(), 4u);
    for (size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(after[i]->m_nRoot, before[i]->m_nRoot);
        EXPECT_EQ(std::string(after[i]->m_Surfix.GetRealName()), std::string(before[i]->m_Surfix.GetRealName()));
        EXPECT_EQ(Codes(*after[i]), Codes(*before[i]));
        EXPECT_EQ(after[i]->m_nPosX, before[i]->m_nPosX);
        EXPECT_EQ(after[i]->m_nPosY, before[i]->m_nPosY);
        EXPECT_EQ(after[i]->m_crColor, before[i]->m_crColor);
    }
}

} // namespace
