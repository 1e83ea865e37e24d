// The conversion of Brenlo pages into scores: measures from bar lines, key
// and time signatures, end bars, clefs, notes, rests, chords, slides, beams
// and lyrics, measures crowded past their records, the lead-in measure, and
// refused buffers.

#include "support/BrenloBuffer.h"
#include "support/CanonicalDump.h"
#include "support/KvTest.h"
#include "support/ScoreIntegrity.h"

#include "Kvorel.h"

#include <algorithm>
#include <memory>

using namespace kvtest;

namespace {

class BrenloConvert : public KvTest {
protected:
    kvimport::BrenloImportResult Import(const BrenloBytes& bytes)
    {
        buffer = bytes;
        return kvimport::ImportBrenloBuffer(*doc, buffer.data(), static_cast<DWORD>(buffer.size()), 1, &leftOut);
    }
    kvimport::BrenloImportResult Import(const kvtest::BrenloPage& page) { return Import(WriteBrenlo(page)); }

    CKVStaff* Staff() { return doc->m_arrSystem.GetAt(0)->GetStaff(0); }
    CKVMeas* Meas(int i) { return Staff()->GetMeas(i); }
    CKVBlock* Block(short i) { return doc->GetPage(0)->GetBlock(i); }
    std::vector<int> Boundaries(short block)
    {
        std::vector<int> out;
        for (int i = 1; i < Block(block)->m_arrMeasX.GetSize(); ++i)
            out.push_back(static_cast<short>(Block(block)->m_arrMeasX.GetAt(i)));
        return out;
    }

    // Every symbol of a kind below node, depth first.
    void Collect(CKVObject* node, BYTE kind, std::vector<CKVMsg*>& out)
    {
        for (short i = 0; i < node->GetMsgNum(); ++i) {
            CKVMsg* msg = node->GetMsg(i);
            if (msg->m_byKind == kind)
                out.push_back(msg);
            Collect(msg, kind, out);
        }
    }
    std::vector<CKVMsg*> All(CKVObject* node, BYTE kind)
    {
        std::vector<CKVMsg*> out;
        Collect(node, kind, out);
        return out;
    }

    // The lyric line position i of a measure's head.
    short LyricLine(CKVMeas* m, int i)
    {
        unsigned char* head = nullptr;
        if (m->GetHead(&head) < 16)
            return -1;
        return static_cast<short>(head[2 * i] | (head[2 * i + 1] << 8));
    }

    std::unique_ptr<CKVDoc> doc = std::make_unique<CKVDoc>();
    BrenloBytes buffer;
    LeftOutNotes leftOut;
};

// One system of the default page (left x 40, right end 580 of a 600-wide
// page, staff space 6: notes 5 units beyond their width, bar lines 3 to 12).
kvtest::BrenloPage OneSystem(std::vector<BrenloSymbol> symbols)
{
    kvtest::BrenloPage p;
    p.systems.resize(1);
    p.systems[0].symbols = std::move(symbols);
    return p;
}

// A thin bar line whose right end lands at x after a symbol ending at from.
BrenloSymbol BarAt(int from, int x, BYTE code = 0x6C)
{
    const int glyph = code == 0x72 ? 6 : code == 0x74 ? 11 : 2;
    return BrBar(BrUnits(x - from - glyph - 1), code);
}

BrenloSymbol NoteAt(int from, int x, std::vector<BrenloHead> heads = {{}}, BrenloStem stem = {})
{
    return BrNote(BrUnits(x - from - 5), std::move(heads), stem);
}

TEST_F(BrenloConvert, SamplePageImportsAndSurvivesSaveAndLoad)
{
    ASSERT_EQ(Import(WriteBrenlo(BrenloSamplePage())), kvimport::BrenloImportResult::Imported);
    ASSERT_EQ(doc->m_arrSystem.GetSize(), 1);
    ASSERT_EQ(doc->GetPageNum(), 1);
    EXPECT_EQ(Staff()->GetMeasNum(), 3);
    EXPECT_EQ(doc->m_pFileInfo->m_lPrintWidth, 600);
    EXPECT_EQ(doc->m_pFileInfo->m_lPrintHeight, 800);
    EXPECT_EQ(doc->m_pCurMeas, Meas(0));
    EXPECT_EQ(doc->m_nCaretMeasNum, 1);
    EXPECT_EQ(doc->m_bModified, 1);
    EXPECT_EQ(doc->m_bSpacingApplied, 1);
    // The block keeps the entry it made and the appended one, both for staff 0.
    ASSERT_EQ(Block(0)->m_arrStaffEntry.GetSize(), 2);
    EXPECT_EQ(Block(0)->m_arrStaffEntry.GetAt(1)->pStaff, Staff());
    EXPECT_EQ(Block(0)->m_arrStaffEntry.GetAt(1)->wValue, 6);

    // Saved and loaded, the score is the same; saved again and loaded once
    // more, it stays byte for byte the same. (Loading numbers the symbols in
    // file order, so the first file may differ from the second in its ids.)
    auto save = [](CKVDoc& d) {
        CMemFile file;
        EXPECT_EQ(d.Save(&file), 1);
        std::vector<BYTE> bytes(file.GetLength());
        file.SeekToBegin();
        file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
        return bytes;
    };
    auto load = [](std::vector<BYTE>& bytes, CKVDoc& d) {
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        return d.Load(&file, 0);
    };
    std::vector<BYTE> saved = save(*doc);
    CKVDoc loaded;
    ASSERT_EQ(load(saved, loaded), 0);
    EXPECT_EQ(CanonicalDump(loaded), CanonicalDump(*doc));
    std::vector<BYTE> second = save(loaded);
    CKVDoc reloaded;
    ASSERT_EQ(load(second, reloaded), 0);
    EXPECT_EQ(save(reloaded), second);
    EXPECT_EQ(second.size(), saved.size());
}

TEST_F(BrenloConvert, MeasuresEndAtBarLinesOrThePageWidth)
{
    struct Case {
        const char* what;
        std::vector<BrenloSymbol> symbols;
        std::vector<int> boundaries;
    };
    const Case cases[] = {
        {"no bar line", {NoteAt(41, 100)}, {560}},
        {"last bar line within 5 of the end", {BarAt(41, 578)}, {538}},
        {"last bar line further left", {BarAt(41, 500)}, {460, 560}},
        {"bar line 5 or more beyond the end", {BarAt(41, 400), NoteAt(400, 500), BarAt(500, 590)}, {360, 560}},
    };
    for (const Case& c : cases) {
        doc = std::make_unique<CKVDoc>();
        ASSERT_EQ(Import(OneSystem(c.symbols)), kvimport::BrenloImportResult::Imported) << c.what;
        EXPECT_EQ(Boundaries(0), c.boundaries) << c.what;
        EXPECT_EQ(Block(0)->m_nMeasCount, static_cast<short>(c.boundaries.size())) << c.what;
        EXPECT_EQ(Staff()->GetMeasNum(), static_cast<LONG>(c.boundaries.size())) << c.what;
    }
}

TEST_F(BrenloConvert, TimeSignaturesHoldUntilTheNextValidOne)
{
    // Measures end at 200, 300, 400 and 600.
    ASSERT_EQ(Import(OneSystem({BrTime(BrUnits(50), 0, 3, 4), BarAt(104, 200), BrTime(BrUnits(10), 0x94),
                                BarAt(216, 300), BrTime(BrUnits(10), 0, 3, 0), BrTime(0, 0, 100, 4),
                                BarAt(333, 400)})),
              kvimport::BrenloImportResult::Imported);
    ASSERT_EQ(Staff()->GetMeasNum(), 4);
    EXPECT_EQ(Meas(0)->m_nTimeNum, 3);
    EXPECT_EQ(Meas(0)->m_nTimeDen, 4);
    for (int m = 1; m < 4; ++m) {
        EXPECT_EQ(Meas(m)->m_nTimeNum, 2) << m;
        EXPECT_EQ(Meas(m)->m_nTimeDen, 2) << m;
    }
    EXPECT_EQ(Meas(1)->m_byTimeStyle, 2);
}

TEST_F(BrenloConvert, KeySignaturesTakeTheFirstThatDoesNotCancel)
{
    ASSERT_EQ(Import(OneSystem({BrKey(BrUnits(20), 'J', 2), BrKey(0, 'K', 3), BarAt(92, 200),
                                BrKey(BrUnits(10), 'J', 0x8003), BrKey(0, 'K', 9), BarAt(267, 300),
                                BrKey(BrUnits(10), 'K', 0x8002), BarAt(319, 400)})),
              kvimport::BrenloImportResult::Imported);
    ASSERT_EQ(Staff()->GetMeasNum(), 4);
    EXPECT_EQ(Meas(0)->m_byKeyType, 1);
    EXPECT_EQ(Meas(0)->m_byKeyCount, 2);
    EXPECT_EQ(Meas(1)->m_byKeyType, 2);
    EXPECT_EQ(Meas(1)->m_byKeyCount, 7);
    EXPECT_EQ(Meas(2)->m_byKeyCount, 0);
    EXPECT_EQ(Meas(3)->m_byKeyCount, 0);
}

TEST_F(BrenloConvert, EndBarsAndTheEmptyLeadInBeforeARepeat)
{
    // A lead-in measure closed by a repeat start, a note, a final bar line
    // on the system's last measure.
    ASSERT_EQ(Import(OneSystem({BarAt(41, 100, 0x72), NoteAt(100, 150), BarAt(150, 300, 0x6E),
                                BarAt(300, 578, 0x74)})),
              kvimport::BrenloImportResult::Imported);
    ASSERT_EQ(Staff()->GetMeasNum(), 2);
    EXPECT_EQ(Block(0)->m_nMeasCount, 2);
    EXPECT_EQ(Boundaries(0), (std::vector<int> {260, 538}));
    EXPECT_EQ(Meas(0)->m_byStartBar, 2);
    EXPECT_EQ(Meas(0)->m_byEndBar, 4);
    EXPECT_EQ(Meas(1)->m_byEndBar, 2);
    EXPECT_EQ(All(Meas(0), MSG_NOTE).size(), 1u);
    // One boundary handle and the edge handle for the two measures left.
    EXPECT_EQ(Block(0)->m_arrMeasCtrl.GetSize(), 2);

    // A note in the first measure keeps it.
    doc = std::make_unique<CKVDoc>();
    ASSERT_EQ(Import(OneSystem({NoteAt(41, 80), BarAt(80, 100, 0x72), BarAt(100, 300)})),
              kvimport::BrenloImportResult::Imported);
    EXPECT_EQ(Staff()->GetMeasNum(), 3);
    EXPECT_EQ(Meas(1)->m_byStartBar, 2);
}

TEST_F(BrenloConvert, LaterBlocksFollowARemovedLeadIn)
{
    kvtest::BrenloPage p = OneSystem({BarAt(41, 100, 0x72), NoteAt(100, 150), BarAt(150, 578)});
    p.systems.push_back(p.systems[0]);
    p.systems[1].top = 300;
    ASSERT_EQ(Import(p), kvimport::BrenloImportResult::Imported);
    ASSERT_EQ(doc->GetPage(0)->GetBlockNum(), 2);
    EXPECT_EQ(Staff()->GetMeasNum(), 2);
    EXPECT_EQ(Block(0)->m_nFirstMeas, 0);
    EXPECT_EQ(Block(1)->m_nFirstMeas, 1);
    EXPECT_EQ(Block(1)->m_nMeasCount, 1);
    EXPECT_EQ(All(Meas(1), MSG_NOTE).size(), 1u);
}

TEST_F(BrenloConvert, NotesRestsAndChords)
{
    BrenloStem down;
    down.direction = 0;
    BrenloStem grace;
    grace.grace = 1;
    BrenloStem rest4;
    rest4.note = 0;
    rest4.duration = 4;
    BrenloStem rest6 = rest4;
    rest6.duration = 6;
    BrenloSymbol chord = NoteAt(41, 80, {{0, 0, 1, 8}, {2, 0, 1, 8}, {4, 0, 0, 8}});
    chord.slide = 1;
    ASSERT_EQ(Import(OneSystem({chord, NoteAt(80, 120, {{1, 3, 6, 9}}, down), NoteAt(120, 160, {{2, 0, 0x25, 8}}, grace),
                                NoteAt(160, 200, {{}}, rest4), NoteAt(200, 240, {{}}, rest6), BarAt(240, 578)})),
              kvimport::BrenloImportResult::Imported);
    CKVMeas* m = Meas(0);
    const std::vector<CKVMsg*> chords = All(m, MSG_CHORD);
    ASSERT_EQ(chords.size(), 1u);
    EXPECT_EQ(All(chords[0], MSG_NOTE).size(), 3u);
    EXPECT_EQ(All(m, MSG_SLIDE1).size(), 1u);
    // The chord's two sharps, a third apart, stand in columns of their own.
    std::vector<short> columns;
    for (CKVMsg* n : All(chords[0], MSG_NOTE)) {
        if (n->m_byAccidental == ACCI_SHARP)
            columns.push_back(n->AccidentalOffset());
    }
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_NE(columns[0], columns[1]);

    std::vector<CKVMsg*> notes = All(m, MSG_NOTE);
    ASSERT_EQ(notes.size(), 5u);
    CKVMsg* plain = nullptr;
    CKVMsg* small = nullptr;
    for (CKVMsg* n : notes) {
        if (n->m_wHeadType == 4)
            plain = n;
        if (n->m_wSize == MSG_SIZE_GRACE)
            small = n;
    }
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->m_byAccidental, 0);  // nibble 6 is no accidental
    EXPECT_EQ(plain->m_byDots, 2);        // three dots are two
    EXPECT_EQ(plain->m_nPosY, (-8 - 1) * 3);
    EXPECT_EQ(plain->m_nLayout3, 3);      // 3 x 6 / 4
    EXPECT_EQ(plain->m_nLayout1, static_cast<short>(plain->m_lHeight & 0xFFFF));
    ASSERT_TRUE(small);
    EXPECT_NE(small->m_wFlag & MSGFLAG_GRACE, 0);
    EXPECT_NE(small->m_wFlag & 0x0004, 0);
    EXPECT_EQ(small->m_byAccidental, ACCI_NATURAL);

    const std::vector<CKVMsg*> rests = All(m, MSG_REST);
    ASSERT_EQ(rests.size(), 2u);
    EXPECT_EQ(rests[1]->m_nPosY - rests[0]->m_nPosY, 6);
}

// A chord holds one note at each height: of two heads on one step (a G and
// a G sharp) the first stays and the other is counted, also when the two
// come from two notes at one spot.
TEST_F(BrenloConvert, AUnisonInAChordIsLeftOutAndCounted)
{
    ASSERT_EQ(Import(OneSystem({NoteAt(41, 80, {{0, 0, 0, 8}, {0, 0, 1, 8}, {2, 0, 0, 8}}),
                                NoteAt(80, 120, {{4, 0, 0, 8}}), NoteAt(120, 120, {{4, 0, 2, 8}}), BarAt(120, 578)})),
              kvimport::BrenloImportResult::Imported);
    const std::vector<CKVMsg*> notes = All(Meas(0), MSG_NOTE);
    ASSERT_EQ(notes.size(), 3u);
    for (CKVMsg* note : notes)
        EXPECT_EQ(note->m_byAccidental, ACCI_NONE) << note->m_nPosY;
    EXPECT_EQ(leftOut.unisons, 2u);
    EXPECT_EQ(leftOut.refused, 0u);
}

// Notes whose duration or stem entry does not convert are left out and
// counted by the reason, each head of a chord as one note; a rest is no note.
TEST_F(BrenloConvert, NotesThatCannotBeConvertedAreLeftOut)
{
    BrenloStem longest;
    longest.duration = 9;
    BrenloStem odd;
    odd.byte3 = 9;
    BrenloStem longestRest = longest;
    longestRest.note = 0;
    BrenloSymbol stemless = NoteAt(160, 200);
    stemless.stems.clear();
    BrenloSymbol slid = NoteAt(200, 240);
    slid.slide = 5;
    ASSERT_EQ(Import(OneSystem({NoteAt(41, 80, {{}}, longest), NoteAt(80, 120, {{}, {2}}, odd), NoteAt(120, 160, {}),
                                stemless, slid, NoteAt(240, 280, {{}}, longestRest), BarAt(280, 578)})),
              kvimport::BrenloImportResult::Imported);
    EXPECT_EQ(All(Meas(0), MSG_NOTE).size(), 1u);
    EXPECT_EQ(All(Meas(0), MSG_REST).size(), 0u);
    EXPECT_EQ(All(Meas(0), 0).size(), 0u);
    LeftOutNotes expected;
    expected.unknownDuration = 1;
    expected.unconvertedStem = 2;
    EXPECT_TRUE(leftOut == expected) << leftOut.unknownDuration << " " << leftOut.unconvertedStem;
}

TEST_F(BrenloConvert, BeamedNotesMakeOneGroupPerBeamNumber)
{
    BrenloStem eighth;
    eighth.duration = 4;
    eighth.beamed = 1;
    eighth.beam = 1;
    BrenloStem unnumbered = eighth;
    unnumbered.beam = 0;
    ASSERT_EQ(Import(OneSystem({NoteAt(41, 80, {{}}, eighth), NoteAt(80, 120, {{}}, eighth),
                                NoteAt(120, 160, {{}}, unnumbered), NoteAt(160, 200, {{}}, unnumbered),
                                BarAt(200, 578)})),
              kvimport::BrenloImportResult::Imported);
    const std::vector<CKVMsg*> groups = All(Meas(0), MSG_BEAM);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(All(groups[0], MSG_NOTE).size(), 2u);
    // Stems up: the beam lies a stem length (3 + 20) above the heads at -24.
    EXPECT_EQ(groups[0]->m_nPosY, -24 - 23);
    EXPECT_EQ(groups[0]->m_nPosY2, -24 - 23);
}

// Clef changes count among a measure's symbols like its notes. The notes
// after them arrive whole when, beamed, the measure fits its record; when it
// does not even then, only its latest notes are left out, and counted. The
// clef changes all stay, wherever they stand, unless they alone are more than
// the record counts: then the latest stay, the last handing its clef on.
TEST_F(BrenloConvert, ACrowdedMeasureKeepsWhatFitsItsRecordOnceBeamed)
{
    struct Row {
        int clefs;       // one unit apart from the system's start, the last a bass clef
        int clefsAfter;  // of them, those standing after the notes
        bool beamed;     // the eight eighths in two groups of four
        int symbols;
        int clefsKept;
        size_t kept;
        size_t groups;
    };
    const Row rows[] = {
        {250, 0, true, 252, 250, 8, 2},
        {252, 0, false, 255, 252, 3, 0},
        {250, 10, false, 255, 250, 5, 0},
        {280, 0, true, 255, 255, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.clefs << " clefs, " << row.clefsAfter << " after");
        doc = std::make_unique<CKVDoc>();
        leftOut = {};
        // A treble clef at width 0 takes 16 units.
        const BrenloSymbol clef = BrClef(BrUnits(-15));
        std::vector<BrenloSymbol> symbols(static_cast<size_t>(row.clefs - row.clefsAfter), clef);
        int at = 41 + row.clefs - row.clefsAfter;
        for (int i = 0; i < 8; ++i, at += 30) {
            BrenloStem eighth;
            eighth.duration = DUR_EIGHTH;
            eighth.beamed = row.beamed ? 1 : 0;
            eighth.beam = static_cast<short>(row.beamed ? 1 + i / 4 : 0);
            symbols.push_back(NoteAt(at, at + 30, {{}}, eighth));
        }
        symbols.insert(symbols.end(), static_cast<size_t>(row.clefsAfter), clef);
        at += row.clefsAfter;
        // The last clef change, a bass clef, sets the clef of the measure after.
        std::find_if(symbols.rbegin(), symbols.rend(), [](const BrenloSymbol& b) { return b.type == 2; })->clef = 0x23;
        symbols.push_back(BarAt(at, 578));
        kvtest::BrenloPage page = OneSystem(symbols);
        page.systems.push_back(OneSystem({NoteAt(41, 80), BarAt(80, 578)}).systems[0]);
        page.systems[1].top = 300;
        ASSERT_EQ(Import(page), kvimport::BrenloImportResult::Imported);

        EXPECT_EQ(Meas(0)->GetMsgNum(), row.symbols);
        const std::vector<CKVMsg*> clefs = All(Meas(0), MSG_CLEF);
        ASSERT_EQ(clefs.size(), static_cast<size_t>(row.clefsKept));
        EXPECT_EQ(clefs.back()->m_wDuration, 2);
        EXPECT_EQ(Meas(1)->m_byInitClef, 2);
        const std::vector<CKVMsg*> notes = All(Meas(0), MSG_NOTE);
        EXPECT_EQ(notes.size(), row.kept);
        // The notes that stay are the earliest.
        for (size_t i = 1; i < notes.size(); ++i)
            EXPECT_LT(notes[i - 1]->m_nPosX, notes[i]->m_nPosX);
        EXPECT_EQ(All(Meas(0), MSG_BEAM).size(), row.groups);
        LeftOutNotes expected;
        expected.crowdedMeasure = static_cast<DWORD>(8 - row.kept);
        EXPECT_TRUE(leftOut == expected) << leftOut.refused << " " << leftOut.crowdedMeasure;
        EXPECT_EQ(Joined(IntegrityProblems(*doc)), "");
        EXPECT_FALSE(SavedBytes(*doc).empty());
    }
}

TEST_F(BrenloConvert, LyricsLowerTheirLineOncePerMeasure)
{
    BrenloLyric la {3, "la", 0, 1, 16, 0x10, 0x20, 0x30};
    BrenloLyric longer {0, "abcdefghijklmnopq", 200, 0, 16, 0, 0, 0};
    BrenloSymbol first = NoteAt(41, 80);
    first.lyrics = {la};
    BrenloSymbol second = NoteAt(80, 120);
    second.lyrics = {longer, la};
    ASSERT_EQ(Import(OneSystem({first, second, BarAt(120, 578)})), kvimport::BrenloImportResult::Imported);
    CKVMeas* m = Meas(0);
    // 20 + 10 / 2 + 10 per line above, line 0 lowered by 12 / 2.
    EXPECT_EQ(LyricLine(m, 0), 25 - 6);
    EXPECT_EQ(LyricLine(m, 1), 35 - 6);
    EXPECT_EQ(LyricLine(m, 2), 45);
    EXPECT_EQ(m->m_wVoiceWord[0], 0);
    EXPECT_EQ(m->m_wVoiceWord[2], 0x8000);

    const std::vector<CKVMsg*> lyrics = All(m, MSG_LYRIC);
    ASSERT_EQ(lyrics.size(), 3u);
    CKVMsg* l = lyrics[0];
    EXPECT_EQ(l->m_nPosX, 3);
    EXPECT_EQ(l->m_nPosY, 0);
    EXPECT_EQ(l->m_byVoice, 1);
    EXPECT_EQ(l->m_crColor, RGB(0x10, 0x20, 0x30));
    unsigned char* head = nullptr;
    const short length = l->GetHead(&head);
    ASSERT_GE(length, 16);
    EXPECT_EQ(head[2], 1);
    EXPECT_EQ(head[4], 12);
    EXPECT_EQ(head[12], 2);
    int capped = 0;
    for (CKVMsg* lyric : lyrics) {
        unsigned char* h = nullptr;
        if (lyric->GetHead(&h) >= 16 && h[12] == 15)
            ++capped;
    }
    EXPECT_EQ(capped, 1);
}

TEST_F(BrenloConvert, LyricTextsBecomeUtf16InTheCodePage)
{
    BrenloSymbol note = NoteAt(41, 80);
    note.lyrics = {BrenloLyric {0, "caf\xE9", 0, 0, 16, 0, 0, 0}};
    ASSERT_EQ(Import(OneSystem({note, BarAt(80, 578)})), kvimport::BrenloImportResult::Imported);
    const std::vector<CKVMsg*> lyrics = All(Meas(0), MSG_LYRIC);
    ASSERT_EQ(lyrics.size(), 1u);
    unsigned char* head = nullptr;
    ASSERT_EQ(lyrics[0]->GetHead(&head), 24);
    EXPECT_EQ(head[12], 4);
    EXPECT_EQ(std::vector<BYTE>(head + 16, head + 24), (std::vector<BYTE> {0x63, 0, 0x61, 0, 0x66, 0, 0xE9, 0}));
}

TEST_F(BrenloConvert, ClefsSetTheClefInForce)
{
    ASSERT_EQ(Import(OneSystem({BrClef(0, 0x23), NoteAt(59, 100), BarAt(100, 200), NoteAt(200, 240),
                                BrClef(BrUnits(2), 0x22, -2), BrClef(0, 0x25), BarAt(276, 300)})),
              kvimport::BrenloImportResult::Imported);
    ASSERT_EQ(Staff()->GetMeasNum(), 3);
    // Right of the (empty) header a clef is a change within the measure,
    // which the measures after it take as their initial clef; the code
    // outside the table adds nothing.
    EXPECT_EQ(Meas(0)->m_byInitClef, 1);
    EXPECT_EQ(All(Meas(0), 31).size(), 1u);
    EXPECT_EQ(Meas(1)->m_byInitClef, 2);
    EXPECT_EQ(All(Meas(1), 31).size(), 1u);
    EXPECT_EQ(Meas(2)->m_byInitClef, 4);
    EXPECT_EQ(All(Meas(2), 31).size(), 0u);
}

TEST_F(BrenloConvert, RefusedBuffersLeaveTheDocumentWithoutAScore)
{
    const BrenloBytes good = WriteBrenlo(BrenloSamplePage());
    std::vector<BrenloBytes> bad;
    for (DWORD first : {95u, 0u, 0xFFFFFFF0u}) {
        BrenloBytes b = good;
        PutBig32(b, 2, first);
        bad.push_back(b);
    }
    BrenloBytes wraps = good;
    PutBig32(wraps, 2 + 96, 0xFFFFFF00u);
    bad.push_back(wraps);
    BrenloBytes far = good;
    PutBig16(far, 0, 0xFFFF);
    bad.push_back(far);
    for (size_t size = 0; size < good.size(); size += 11)
        bad.emplace_back(good.begin(), good.begin() + static_cast<long>(size));
    for (const BrenloBytes& b : bad) {
        doc = std::make_unique<CKVDoc>();
        EXPECT_EQ(Import(b), kvimport::BrenloImportResult::Unreadable) << b.size();
        EXPECT_EQ(doc->m_arrSystem.GetSize(), 0);
        EXPECT_EQ(doc->GetPageNum(), 0);
    }

    // The page passed in stays as it was.
    CUPage page;
    doc = std::make_unique<CKVDoc>();
    buffer = good;
    PutBig32(buffer, 2, 95);
    CUSystemList* before = page.GetSystems();
    EXPECT_EQ(doc->FirstConvertBrenloToKvc(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()), &page), 0);
    EXPECT_EQ(page.GetSystems(), before);
    EXPECT_EQ(page.m_failure, BrenloFailure::Damaged);
}

TEST_F(BrenloConvert, AScoreBeyondTheStructureLimitIsRefusedWithItsReason)
{
    // At staff space 9 bar lines of stored width 0 stand one unit apart:
    // two systems of 16,001 bar lines and a last measure each.
    EXPECT_EQ(Import(BrenloManyMeasuresPage(16001)), kvimport::BrenloImportResult::TooManyMeasures);
    EXPECT_EQ(doc->m_arrSystem.GetSize(), 0);
    EXPECT_EQ(doc->GetPageNum(), 0);
    doc = std::make_unique<CKVDoc>();
    EXPECT_EQ(Import(BrenloManyMeasuresPage(15999)), kvimport::BrenloImportResult::Imported);
    EXPECT_EQ(Staff()->GetMeasNum(), 32000);
}

// What a refused or failed first pass must leave as it found it.
struct DocState {
    explicit DocState(CKVDoc& d)
        : width(d.m_pFileInfo->m_lPrintWidth), height(d.m_pFileInfo->m_lPrintHeight), page(d.m_pCurPage),
          block(d.m_pCurBlock), meas(d.m_pCurMeas), caret(d.m_nCaretMeasNum), modified(d.m_bModified),
          spacing(d.m_bSpacingApplied), recording(d.m_bBackupRecord), systems(d.m_arrSystem.GetSize()),
          pages(d.GetPageNum())
    {
    }
    bool operator==(const DocState&) const = default;
    LONG width, height;
    CKVPage* page;
    CKVBlock* block;
    CKVMeas* meas;
    short caret;
    BOOL modified, spacing, recording;
    int systems;
    short pages;
};

TEST_F(BrenloConvert, StructuresThatMakeNoScoreAreRefused)
{
    kvtest::BrenloPage empty = BrenloSamplePage();
    empty.systems.clear();
    kvtest::BrenloPage narrow = BrenloSamplePage();
    narrow.width = 0;
    kvtest::BrenloPage low = BrenloSamplePage();
    low.height = -1;
    // A bar line placed left of the bar line before it.
    const kvtest::BrenloPage backwards = OneSystem({BarAt(41, 200), BrBar(-BrUnits(20)), BarAt(200, 400)});
    const kvtest::BrenloPage* const pages[] = {&empty, &narrow, &low, &backwards};
    for (const kvtest::BrenloPage* p : pages) {
        doc = std::make_unique<CKVDoc>();
        kvimport::PrepareImportDocument(*doc);
        const DocState before(*doc);
        buffer = WriteBrenlo(*p);
        CUPage page;
        EXPECT_EQ(doc->FirstConvertBrenloToKvc(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()), &page), 0);
        EXPECT_TRUE(DocState(*doc) == before);
        EXPECT_EQ(page.m_failure, BrenloFailure::Damaged);
    }
}

TEST_F(BrenloConvert, AFailedAllocationLeavesTheDocumentAsItWas)
{
    kvtest::BrenloPage p = BrenloSamplePage();
    p.systems.push_back(p.systems[0]);
    p.systems[1].top = 400;
    const BrenloBytes bytes = WriteBrenlo(p);
    int failed = 0;
    for (int n = 1; n < 10000; ++n) {
        SCOPED_TRACE(n);
        doc = std::make_unique<CKVDoc>();
        kvimport::PrepareImportDocument(*doc);
        doc->m_bBackupRecord = 1;
        const DocState before(*doc);
        buffer = bytes;
        CUPage page;
        host.ScriptAnswer(IDNO);
        KvFailAllocationAfter(n);
        const int result = doc->FirstConvertBrenloToKvc(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()), &page);
        KvFailAllocationAfter(0);
        host.answers.clear();
        if (result == 1) {
            EXPECT_EQ(doc->GetPage(0)->GetBlockNum(), 2);
            EXPECT_EQ(doc->m_bBackupRecord, 1);
            EXPECT_EQ(page.m_failure, BrenloFailure::None);
            break;
        }
        ++failed;
        ASSERT_TRUE(DocState(*doc) == before);
        EXPECT_EQ(page.m_failure, BrenloFailure::Damaged);
    }
    // The parse and the skeleton both allocate.
    EXPECT_GT(failed, 10);

    // A document that already holds a score is left alone.
    doc = std::make_unique<CKVDoc>();
    ASSERT_EQ(doc->CreateDocument(1, 4, 1, 4, 4), 1);
    const DocState made(*doc);
    buffer = bytes;
    CUPage page;
    EXPECT_EQ(doc->FirstConvertBrenloToKvc(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()), &page), 0);
    EXPECT_TRUE(DocState(*doc) == made);
    EXPECT_EQ(doc->m_arrSystem.GetAt(0)->GetMeasNum(), 4);
}

} // namespace
