// The Encore symbol walk over a whole writer file: staff group marks, clef
// changes, beams with their breaks and tuplets, ties inside a measure, the
// dispatch of the other symbols, single-note tuplets, lyric lines, measures
// crowded past their records, the state it leaves and a failure in the
// middle.

#include "EncoreConvertSupport.h"
#include "import/EncMarkTable.h"
#include "platform/AllocHook.h"
#include "support/ScoreIntegrity.h"
#include "timing/TupletState.h"

#include <set>

using namespace kvtest;

namespace {

// Distinct symbols of a kind anywhere under a node.
void CollectKind(CKVObject& node, BYTE kind, std::set<DWORD>& ids, int depth = 0)
{
    for (short i = 0; i < node.GetMsgNum() && depth < 5; ++i) {
        CKVMsg* msg = node.GetMsg(i);
        if (!msg || msg == &node)
            continue;
        if (msg->m_byKind == kind)
            ids.insert(msg->m_dwMsgId);
        CollectKind(*msg, kind, ids, depth + 1);
    }
}

size_t CountKind(CKVObject& node, BYTE kind)
{
    std::set<DWORD> ids;
    CollectKind(node, kind, ids);
    return ids.size();
}

std::vector<CKVMsg*> ChildrenOfKind(CKVObject& node, BYTE kind)
{
    std::vector<CKVMsg*> out;
    for (short i = 0; i < node.GetMsgNum(); ++i)
        if (CKVMsg* msg = node.GetMsg(i); msg && msg->m_byKind == kind)
            out.push_back(msg);
    return out;
}

EncoreSymbol Eighth(WORD x, BYTE tuplet = 0)
{
    EncoreSymbol s = EncNote(0, 0, x, 0, 60, 120, 100, 0, 0x04);
    s.data[3] = tuplet;
    return s;
}

// A beam group of items {x1, x2, y1, y2, flags, byte 9, byte 10, byte 11}.
EncoreSymbol Beam(std::vector<std::array<int, 8>> items, BYTE param2 = 0)
{
    std::vector<std::array<WORD, 3>> words;
    for (const auto& item : items)
        words.push_back({static_cast<WORD>(item[0]), static_cast<WORD>(item[1]), 0});
    EncoreSymbol s = EncBeam(0, 0, 0, words, 0);
    for (size_t i = 0; i < items.size(); ++i) {
        BYTE* at = s.data.data() + 4 + 16 * i;
        const int offsets[6] = {4, 5, 8, 9, 10, 11};
        for (int b = 2; b < 8; ++b)
            at[offsets[b - 2]] = static_cast<BYTE>(items[i][static_cast<size_t>(b)]);
    }
    s.param2 = param2;
    return s;
}

// A note on the line that a tie at step 2 finds, with its tie flags.
EncoreSymbol TieableNote(WORD x, BYTE code, BYTE voice, bool endsTie, bool startsTie)
{
    EncoreSymbol s = EncNote(0, 0, x, 2, 60, 120, 100, voice, code);
    s.param1 = static_cast<BYTE>((startsTie ? 1 : 0) | (endsTie ? 2 : 0));
    return s;
}

EncoreSymbol TieBetween(WORD x1, WORD x2)
{
    EncoreSymbol tie = EncTie(0, 0, x1, x2);
    PutWords(tie.data, 0, {x1, x2, 0, 0});
    tie.data[4] = 2;
    tie.kind = static_cast<BYTE>(-2);
    return tie;
}

int Walk(EncConvertRun& run)
{
    return run.doc.SecondConvertEncToKvc(nullptr, &run.enc);
}

class EncoreWalk : public KvTest {};

TEST_F(EncoreWalk, StaffGroupMarksFromTheTracks)
{
    EncoreFile f = MinimalEncore(2);
    f.tracks.resize(3);
    f.tracks[0].staves = 2;
    f.tracks[0].brackets[0] = 0x0A;
    f.tracks[2].brackets[0] = 0x50;
    f.tracks[2].moreBytes = {{42, 1}};
    f.byInstruPerSys = 3;
    f.byStaffPerSys = 4;
    f.lines[0].staves.resize(4);
    for (BYTE s = 0; s < 4; ++s) {
        f.lines[0].staves[s].wY = static_cast<WORD>(60 * s);
        f.lines[0].staves[s].byTrkNo = s < 2 ? 0 : static_cast<BYTE>(s - 1);
    }
    EncConvertRun run(f);
    ASSERT_EQ(run.imported, 1);
    bImportConverting = 0;
    ASSERT_EQ(Walk(run), 1);
    const BYTE expected[4][3] = {{5, 0, 0}, {0, 0, 1}, {0, 0, 1}, {0, 9, 0}};
    CKVSystem* master = run.doc.m_arrSystem.GetAt(0);
    ASSERT_EQ(master->GetStaffNum(), 4);
    for (short s = 0; s < 4; ++s) {
        SCOPED_TRACE(s);
        const BYTE* marks = master->GetStaff(s)->m_byGroupBracket;
        EXPECT_EQ(std::vector<BYTE>(marks, marks + 3), std::vector<BYTE>(expected[s], expected[s] + 3));
    }
    // The walk leaves the flag clear and every stem byte cleared.
    EXPECT_EQ(bImportConverting, 0);
}

TEST_F(EncoreWalk, ClefChangesOfKnownCodesAndVoicesOnly)
{
    EncoreFile f = ConvertEncore({});
    EncoreSymbol farVoice = EncClef(0, 0, 150, 2);
    farVoice.voice = 8;
    // A clef of one data byte and a tie of six are too short to read.
    f.measures[1].symbols = {EncClef(0, 0, 50, 1),           EncClef(0, 0, 100, 9),
                             EncClef(0, 0, 130, 14),         farVoice,
                             EncRawSymbol(1, 2, {40}),       EncRawSymbol(3, 0, {0, 0, 45, 0, 0, 0})};
    EncConvertRun run(f);
    const DWORD shortBefore = run.enc.m_dwShortSymbols;
    ASSERT_EQ(Walk(run), 1);
    EXPECT_EQ(run.enc.m_dwShortSymbols, shortBefore + 2);
    std::vector<CKVMsg*> clefs = ChildrenOfKind(*run.Meas(0, 1), MSG_CLEF);
    ASSERT_EQ(clefs.size(), 1u);
    EXPECT_EQ(clefs[0]->m_wDuration & 0xFF, 2);
    EXPECT_EQ(clefs[0]->m_nPosX, 71);
}

TEST_F(EncoreWalk, BeamsTakeTheirItemsBreaksAndTuplets)
{
    {
        EncConvertRun run(ConvertEncore({Eighth(0), Eighth(45), Eighth(90), Beam({{{0, 90, -4, -6, 0, 0, 0, 0}}}, 1)}));
        ASSERT_EQ(Walk(run), 1);
        std::vector<CKVMsg*> groups = ChildrenOfKind(*run.Meas(), MSG_BEAM);
        ASSERT_EQ(groups.size(), 1u);
        EXPECT_EQ(groups[0]->m_nPosY, 18);
        EXPECT_EQ(groups[0]->m_nPosY2, 24);
        std::vector<CKVMsg*> members = NotesOf(*groups[0]);
        ASSERT_EQ(members.size(), 3u);
        for (CKVMsg* m : members)
            EXPECT_EQ(m->m_dwWord >> 16, 5u);
    }
    {
        // A second item breaks the secondary beams after member 0.
        EncConvertRun run(ConvertEncore({Eighth(0), Eighth(45), Eighth(90),
                                         Beam({{{0, 90, -4, -6, 0, 0, 0, 0}}, {{30, 30, 0, 0, 0xC0, 0, 0, 0}}})}));
        ASSERT_EQ(Walk(run), 1);
        std::vector<CKVMsg*> groups = ChildrenOfKind(*run.Meas(), MSG_BEAM);
        ASSERT_EQ(groups.size(), 1u);
        std::vector<CKVMsg*> members = NotesOf(*groups[0]);
        ASSERT_EQ(members.size(), 3u);
        EXPECT_EQ(members[0]->m_wFlag & (MSGFLAG_TAIL | MSGFLAG_SUBBEAM_BREAK), MSGFLAG_TAIL);
        EXPECT_EQ(members[1]->m_wFlag & (MSGFLAG_TAIL | MSGFLAG_SUBBEAM_BREAK), MSGFLAG_SUBBEAM_BREAK);
        EXPECT_EQ(members[2]->m_wFlag & MSGFLAG_SUBBEAM_BREAK, 0);
    }
    {
        // A triplet group keeps its one tuplet through the single-note pass.
        EncConvertRun run(ConvertEncore({Eighth(0, 0x32), Eighth(45, 0x32), Eighth(90, 0x32),
                                         Beam({{{0, 90, -4, -6, 0, 0, 0, 0}}, {{90, 90, 0, 0, 0, 3, 1, 2}}})}));
        ASSERT_EQ(Walk(run), 1);
        EXPECT_EQ(CountKind(*run.Meas(), MSG_TUPLET), 1u);
        EXPECT_EQ(CountKind(*run.Meas(), MSG_BEAM), 1u);
        std::vector<CKVMsg*> notes = NotesOf(*run.Meas());
        ASSERT_EQ(notes.size(), 3u);
        // Every note holds the one tuplet.
        for (CKVMsg* note : notes)
            EXPECT_EQ(CountKind(*note, MSG_TUPLET), 1u);
    }
}

TEST_F(EncoreWalk, TiesInsideAMeasure)
{
    auto file = [](int tieStep) {
        // Notes on the middle line (y 0), the tie a step above it.
        EncoreSymbol first = EncNote(0, 0, 0, 2, 60, 120, 100, 0, 0x03);
        EncoreSymbol second = EncNote(0, 0, 45, 2, 60, 120, 100, 0, 0x03);
        first.param1 = 1;
        second.param1 = 2;
        EncoreSymbol tie = EncTie(0, 0, 0, 45);
        PutWords(tie.data, 0, {0, 45, 0, 0});
        tie.data[4] = static_cast<BYTE>(tieStep);
        tie.kind = static_cast<BYTE>(-2);
        return ConvertEncore({first, second, tie});
    };
    {
        EncConvertRun run(file(2));
        ASSERT_EQ(Walk(run), 1);
        std::vector<CKVMsg*> notes = NotesOf(*run.Meas());
        ASSERT_EQ(notes.size(), 2u);
        std::vector<CKVMsg*> ties = ChildrenOfKind(*notes[0], MSG_TIE);
        ASSERT_EQ(ties.size(), 1u);
        EXPECT_EQ(ties[0]->m_dwWord, notes[0]->m_dwMsgId);
        EXPECT_TRUE(notes[1]->m_wFlag & MSGFLAG_TIE_END);
        EXPECT_EQ(ChildrenOfKind(*run.Meas(), MSG_PAGESLUR).size(), 0u);
    }
    {
        // No note where the tie starts: a free curve of its width and bend.
        EncConvertRun run(file(10));
        ASSERT_EQ(Walk(run), 1);
        std::vector<CKVMsg*> slurs = ChildrenOfKind(*run.Meas(), MSG_PAGESLUR);
        ASSERT_EQ(slurs.size(), 1u);
        EXPECT_EQ(slurs[0]->m_nPosX, 0);
        EXPECT_EQ(slurs[0]->m_nPosY, -24);
        EXPECT_EQ(slurs[0]->m_nPosX2, 45);
        EXPECT_EQ(slurs[0]->m_nPosY2, 0);
        EXPECT_EQ(slurs[0]->m_wObjWord, 22);
        EXPECT_EQ(slurs[0]->m_dwWord, 3u);
        EXPECT_EQ(CountKind(*run.Meas(), MSG_TIE), 0u);
    }
}

TEST_F(EncoreWalk, OtherSymbolsReachTheirConverters)
{
    EncoreSymbol lowMark = EncMark(0, 0, 205, {110, 2});
    EncoreSymbol farVoice = EncMark(0, 0, 130, {60, 0});
    farVoice.voice = 9;
    EncoreSymbol lyric = EncRawSymbol(6, 0, {0, 0, 1, 0, 16, 0, 0, 0, 0, 0, 'l', 'a', 0});
    EncoreSymbol chord = EncChord(0, 0, 90, 55, {90, 0x2614});
    EncoreFile f = ConvertEncore({EncNote(0, 0, 0, 0, 60, 120, 100, 0, 0x03), EncMark(0, 0, 130, {60, 0}),
                                  EncMark(0, 0, 204, {110, 2}), lowMark, EncMark(0, 0, 219, {110, 2}),
                                  EncMark(0, 0, 1, {110, 2}), EncRawSymbol(0, 130, {0, 0, 0, 0}),
                                  EncRawSymbol(11, 130, {0, 0, 0, 0}), farVoice, lyric, chord});
    EncConvertRun run(f);
    run.doc.m_sizeMark[29].cx = 10;
    run.doc.m_sizeMark[30].cx = 10;
    ASSERT_EQ(Walk(run), 1);
    CKVMeas* meas = run.Meas();
    EXPECT_EQ(ChildrenOfKind(*meas, MSG_DYNAMIC).size(), 1u);
    std::vector<CKVMsg*> marks = ChildrenOfKind(*meas, MSG_NOTEMARK);
    ASSERT_EQ(marks.size(), 2u);
    if (marks[0]->m_wHeadType > marks[1]->m_wHeadType)
        std::swap(marks[0], marks[1]);
    EXPECT_EQ(marks[0]->m_wHeadType, 29);
    EXPECT_EQ(marks[0]->m_nPosX, 121);
    EXPECT_EQ(marks[0]->m_nPosY, 0);
    EXPECT_EQ(marks[1]->m_wHeadType, 30);
    EXPECT_EQ(marks[1]->m_nPosY, 9);
    EXPECT_EQ(ChildrenOfKind(*meas, MSG_CHORDSYMBOL).size(), 1u);
    std::vector<CKVMsg*> notes = NotesOf(*meas);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(ChildrenOfKind(*notes[0], MSG_LYRIC).size(), 1u);
    // Note, dynamic, two marks and the chord symbol; nothing else.
    EXPECT_EQ(meas->GetMsgNum(), 5);
}

TEST_F(EncoreWalk, SingleNoteTupletsAndLyricLines)
{
    EncoreSymbol lone = EncNote(0, 0, 90, 0, 60, 80, 100, 0, 0x03);
    lone.data[3] = 0x32;
    auto syllable = [](WORD x, WORD height) {
        return EncRawSymbol(6, 0, {static_cast<BYTE>(x), 0, 1, 0, static_cast<BYTE>(height), 0, 0, 0, 0, 0, 'a', 0});
    };
    EncoreFile f = ConvertEncore({lone, syllable(90, 16)});
    f.lines[0].staves[0].songPos[0] = -4;
    f.measures[1].symbols = {EncNote(0, 0, 0, 0, 60, 120, 100, 0, 0x03), syllable(0, 24)};
    EncConvertRun run(f);
    bImportConverting = 0;
    ASSERT_EQ(Walk(run), 1);
    std::vector<CKVMsg*> notes = NotesOf(*run.Meas());
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(ChildrenOfKind(*notes[0], MSG_TUPLET).size(), 1u);
    EXPECT_EQ(GetRangeTupletFlag(), 1);
    EXPECT_EQ(GetImportTupletStyle(), 4);

    // Both measures of the block share the highest line of verse 0.
    EXPECT_EQ(run.Meas(0, 0)->m_wVoiceWord[0], 9);
    EXPECT_EQ(run.Meas(0, 1)->m_wVoiceWord[0], 3);
    for (int m = 0; m < 2; ++m) {
        SCOPED_TRACE(m);
        const std::vector<BYTE> head = HeadOf(*run.Meas(0, m));
        ASSERT_EQ(head.size(), 16u);
        EXPECT_EQ(static_cast<short>(head[0] | head[1] << 8), 3);
        for (size_t v = 1; v < 8; ++v)
            EXPECT_EQ(static_cast<short>(head[2 * v] | head[2 * v + 1] << 8), 32767);
    }
    // The stem bytes the note conversion kept are cleared; the flag too.
    EXPECT_EQ(bImportConverting, 0);
    for (int m = 0; m < 2; ++m)
        for (CKVMsg* note : NotesOf(*run.Meas(0, m)))
            EXPECT_EQ(note->m_byMark2, 0);

    // A lone tuplet note that its syllables fill takes no tuplet.
    std::vector<EncoreSymbol> full {lone};
    for (int i = 0; i < 255; ++i)
        full.push_back(syllable(90, 16));
    EncConvertRun crowded(ConvertEncore(full));
    bImportConverting = 0;
    ASSERT_EQ(Walk(crowded), 1);
    notes = NotesOf(*crowded.Meas());
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0]->GetMsgNum(), 255);
    EXPECT_TRUE(ChildrenOfKind(*notes[0], MSG_TUPLET).empty());
    EXPECT_EQ(Joined(ReloadProblems(crowded.doc)), "");
}

TEST_F(EncoreWalk, AFailedAdditionEndsTheWalkAndRestoresTheFlag)
{
    std::vector<EncoreSymbol> symbols;
    for (WORD x : {0, 45, 90, 135})
        symbols.push_back(EncNote(0, 0, x, 0, 60, 120, 100, 0, 0x03));
    symbols.push_back(EncMark(0, 0, 130, {60, 0}));
    symbols.push_back(EncMark(0, 0, 204, {110, 2}));
    bool failed = false;
    for (int n = 1; n < 200 && !failed; ++n) {
        EncConvertRun run(ConvertEncore(symbols));
        bImportConverting = 0;
        KvFailAllocationAfter(n);
        const int result = Walk(run);
        KvFailAllocationAfter(0);
        EXPECT_EQ(bImportConverting, 0);
        if (result == 0) {
            failed = true;
            // What was converted before the failure stays.
            EXPECT_LE(NotesOf(*run.Meas()).size(), 4u);
        }
    }
    EXPECT_TRUE(failed);
}

// A measure keeps every note that fits its record once beamed, however many
// symbols its notes made before their beams; one that holds more even then
// leaves out only its latest notes by position, counts them, keeps no tie to
// them and still saves whole.
TEST_F(EncoreWalk, ACrowdedMeasureKeepsWhatFitsItsRecordOnceBeamed)
{
    struct Row {
        int notes;    // of each voice, one Encore unit apart; the voices share places
        int voices;
        BYTE code;
        bool beamed;  // in groups of four
        int tieFrom;  // voice 1's note tied to the next, as are its last two; -1 none
        int symbols;  // the measure's own after the walk, a dynamic among them
        int kept;     // notes of each voice
    };
    const Row rows[] = {
        {256, 1, DUR_EIGHTH, true, -1, 65, 256},
        {260, 1, DUR_EIGHTH, true, -1, 66, 260},
        {272, 1, DUR_EIGHTH, true, -1, 69, 272},
        // 301 symbols even once beamed: the dynamic stays and the 46 latest
        // notes go; of two at one place the later one first.
        {300, 1, DUR_16TH, false, -1, 255, 254},
        {150, 2, DUR_16TH, false, 126, 255, 127},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.notes << " x " << row.voices);
        std::set<int> tieStarts;
        if (row.tieFrom >= 0)
            tieStarts = {row.tieFrom, row.notes - 2};
        std::vector<EncoreSymbol> symbols {EncMark(0, 0, 130, {60, 0})};
        for (int voice = 0; voice < row.voices; ++voice) {
            for (int i = 0; i < row.notes; ++i) {
                const bool tied = voice == 0;
                symbols.push_back(TieableNote(static_cast<WORD>(i), row.code, static_cast<BYTE>(voice),
                                              tied && tieStarts.count(i - 1), tied && tieStarts.count(i)));
            }
        }
        for (int i = 0; row.beamed && i < row.notes; i += 4)
            symbols.push_back(Beam({{{i, i + 3, -4, -6, 0, 0, 0, 0}}}));
        for (int i : tieStarts)
            symbols.push_back(TieBetween(static_cast<WORD>(i), static_cast<WORD>(i + 1)));
        EncConvertRun run(ConvertEncore(symbols));
        ASSERT_EQ(Walk(run), 1);
        CKVMeas* meas = run.Meas();

        LeftOutNotes expected;
        expected.crowdedMeasure = static_cast<DWORD>(row.voices * (row.notes - row.kept));
        EXPECT_TRUE(run.enc.m_leftOutNotes == expected) << run.enc.m_leftOutNotes.crowdedMeasure;
        EXPECT_EQ(meas->GetMsgNum(), row.symbols);
        EXPECT_EQ(ChildrenOfKind(*meas, MSG_DYNAMIC).size(), 1u);
        if (row.beamed) {
            const std::vector<CKVMsg*> groups = ChildrenOfKind(*meas, MSG_BEAM);
            EXPECT_EQ(groups.size(), static_cast<size_t>(row.notes / 4));
            for (CKVMsg* group : groups)
                EXPECT_EQ(NotesOf(*group).size(), 4u);
        }
        // The notes that stay are the earliest of each voice.
        std::multiset<std::pair<BYTE, short>> kept, earliest;
        for (CKVMsg* note : NotesOf(*meas))
            kept.insert({note->m_byVoice, note->m_nPosX});
        for (int voice = 1; voice <= row.voices; ++voice) {
            for (int i = 0; i < row.kept; ++i)
                earliest.insert({static_cast<BYTE>(voice), meas->AbsXToMeasX(static_cast<short>(i + 20))});
        }
        EXPECT_TRUE(kept == earliest);
        // Both ties were bound (a tie that is not becomes a free curve);
        // the one into a note that went and the one between two that went
        // are gone, and so is the flag of the note that stays.
        EXPECT_EQ(ChildrenOfKind(*meas, MSG_PAGESLUR).size(), 0u);
        EXPECT_EQ(CountKind(*meas, MSG_TIE), 0u);
        for (CKVMsg* note : NotesOf(*meas))
            EXPECT_EQ(note->m_wFlag & (MSGFLAG_TIE_START | MSGFLAG_TIE_END), 0) << note->m_nPosX;
        EXPECT_EQ(Joined(IntegrityProblems(run.doc)), "");
        EXPECT_FALSE(SavedBytes(run.doc).empty());
        EXPECT_EQ(Joined(ReloadProblems(run.doc)), "");
    }
}

} // namespace
