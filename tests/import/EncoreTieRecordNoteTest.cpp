// The Encore tie records of a chord find the chord note they belong to: the
// one at the record's own height, also in a chord with a second, whose heads
// stand on both sides of the stem, and a tie already bound is never taken off
// again by a record that hits its note.

#include "EncoreTestSupport.h"
#include "import/EncImport.h"
#include "support/Drawing.h"
#include "support/NodeSupport.h"
#include "timing/TieLinks.h"

#include <algorithm>
#include <array>
#include <string>

using namespace kvtest;

namespace {

constexpr BYTE kTieStart = 1;
constexpr BYTE kTieEnd = 2;
constexpr BYTE kAcrossBarLine = 0x80;

// A tie record from x to x2 at step y (x2 in the next measure when across).
EncoreSymbol TieRecord(WORD x, WORD x2, signed char y, bool across)
{
    EncoreSymbol tie = EncTie(0, 0, x, x2);
    PutWords(tie.data, 0, {x, x2, 0, 0});
    tie.data[4] = static_cast<BYTE>(y);
    tie.kind = static_cast<BYTE>(-2);
    tie.param1 = across ? kAcrossBarLine : 0;
    return tie;
}

// One chord column: a note per step, with the tie flags given.
std::vector<EncoreSymbol> Column(WORD time, WORD x, const std::vector<std::pair<signed char, BYTE>>& steps,
                                 BYTE kind, BYTE flags)
{
    std::vector<EncoreSymbol> notes;
    for (const auto& [step, key] : steps) {
        EncoreSymbol note = EncNote(0, 0, x, step, key, kind == 1 ? 960 : 480, 100, 0, kind);
        note.wTime = time;
        note.param1 = flags;
        notes.push_back(note);
    }
    return notes;
}

struct TieImport {
    CKVDoc doc;
    CEncDoc enc;
    std::unique_ptr<TestDC> dc = MakeRecordingDC(800, 600, 72);

    int Run(const EncoreFile& f)
    {
        std::vector<BYTE> bytes = WriteEncore(f, EncoreOrder::Scow);
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        return ImportEncore(file, enc, doc, dc.get(), doc.m_ScoreView, nullptr);
    }
    CKVMeas* Meas(int m) { return doc.m_arrSystem.GetAt(0)->GetMeas(0, static_cast<short>(m)); }
    // "y0>y1" for each tie that starts in measure m, sorted, from the notes'
    // heights and the measures they stand in.
    std::vector<std::string> Ties(int m)
    {
        std::vector<CKVMsg*> notes;
        kvtest::AppendNotesUnder(*Meas(m), notes);
        std::vector<std::string> out;
        for (CKVMsg* note : notes) {
            for (short i = 0; i < note->GetMsgNum(); ++i) {
                CKVMsg* child = note->GetMsg(i);
                if (!child || child->m_byKind != MSG_TIE || child->m_dwWord != note->m_dwMsgId)
                    continue;
                CKVMsg* end = tielink::EndOf(*child);
                out.push_back(std::to_string(note->m_nPosX) + "," + std::to_string(note->m_nPosY) + ">" +
                              (end ? std::to_string(end->m_nPosX) + "," + std::to_string(end->m_nPosY) : "none"));
            }
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    int FreeCurves(int m)
    {
        int count = 0;
        for (short i = 0; i < Meas(m)->GetMsgNum(); ++i)
            count += Meas(m)->GetMsg(i)->m_byKind == MSG_PAGESLUR;
        return count;
    }
    // The x of the column of each measure's notes.
    short ColumnX(int m, int index)
    {
        std::vector<CKVMsg*> notes;
        kvtest::AppendNotesUnder(*Meas(m), notes);
        std::vector<short> xs;
        for (CKVMsg* note : notes)
            xs.push_back(note->m_nPosX);
        std::sort(xs.begin(), xs.end());
        xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
        return xs.at(static_cast<size_t>(index));
    }
};

// Two half-note chords tied inside measure 0, the second tied across the bar
// line to a whole-note chord; each chord holds a second, whose heads stand on
// both sides of the stem, and a note further off. Every record order ties
// each note to its own partner, with no free curve, but for a note that 255
// lyrics fill: the tie across the bar line into it becomes a free curve.
TEST(EncoreTieRecordNote, EachRecordOfAChordWithASecondTiesTheNoteAtItsHeight)
{
    // Steps with their keys (treble clef), then the order of the records.
    struct Case {
        std::vector<std::pair<signed char, BYTE>> chord;
        std::vector<signed char> order;
        int lyrics = 0; // on the whole-note chord
    };
    const std::vector<std::pair<signed char, BYTE>> second {{1, 72}, {0, 71}, {-4, 64}};
    const std::vector<std::pair<signed char, BYTE>> inner {{2, 74}, {0, 71}, {-1, 69}, {-4, 64}};
    const std::vector<Case> cases {{second, {1, 0, -4}},     {second, {0, 1, -4}},    {second, {-4, 0, 1}},
                                   {inner, {2, -1, 0, -4}},  {inner, {0, -1, 2, -4}}, {inner, {-1, 0, 2, -4}},
                                   {second, {1, 0, -4}, 255}};
    for (const Case& c : cases) {
        // The records stand at their column (found by that point) or right of
        // it (found by the hit-test).
        for (int d : {0, 2}) {
            std::string trace = std::to_string(d) + ": ";
            for (signed char step : c.order)
                trace += std::to_string(step) + " ";
            SCOPED_TRACE(trace);
            EncoreFile f = MinimalEncore(2);
            std::vector<EncoreSymbol>& first = f.measures[0].symbols;
            for (auto column :
                 {Column(0, 40, c.chord, 2, kTieStart), Column(480, 120, c.chord, 2, kTieStart | kTieEnd)})
                first.insert(first.end(), column.begin(), column.end());
            for (signed char step : c.order)
                first.push_back(TieRecord(static_cast<WORD>(40 + d), 120, step, false));
            for (signed char step : c.order)
                first.push_back(TieRecord(static_cast<WORD>(120 + d), 5, step, true));
            f.measures[1].symbols = Column(0, 5, c.chord, 1, kTieEnd);
            for (int i = 0; i < c.lyrics; ++i)
                f.measures[1].symbols.push_back(EncRawSymbol(6, 0, {5, 0, 1, 0, 16, 0, 0, 0, 0, 0, 'a', 0}));

            TieImport run;
            ASSERT_EQ(run.Run(f), 1);
            const std::string a = std::to_string(run.ColumnX(0, 0));
            const std::string b = std::to_string(run.ColumnX(0, 1));
            const std::string n = std::to_string(run.ColumnX(1, 0));
            std::vector<CKVMsg*> later;
            kvtest::AppendNotesUnder(*run.Meas(1), later);
            std::erase_if(later, [](CKVMsg* note) { return note->GetMsgNum() < 255; });
            ASSERT_EQ(later.size(), c.lyrics ? 1u : 0u);
            std::vector<std::string> expected;
            for (const auto& [step, key] : c.chord) {
                // The staff space is 6: step v stands at y 6 - 3v.
                const std::string y = std::to_string(6 - 3 * step);
                expected.push_back(a + "," + y + ">" + b + "," + y);
                if (later.empty() || later[0]->m_nPosY != 6 - 3 * step)
                    expected.push_back(b + "," + y + ">" + n + "," + y);
            }
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(run.Ties(0), expected);
            EXPECT_EQ(run.FreeCurves(0), later.size());
        }
    }
}

// A record given twice finds its note tied already, and the search one space
// up and to the right meets the note above, which its own record tied: that
// tie stays, and the record given twice becomes a free curve. The records
// across the bar line stand a little left of their column.
TEST(EncoreTieRecordNote, ARecordGivenTwiceTakesNoTieOff)
{
    const std::vector<std::pair<signed char, BYTE>> third {{2, 74}, {0, 71}};
    EncoreFile f = MinimalEncore(2);
    std::vector<EncoreSymbol>& first = f.measures[0].symbols;
    for (auto column : {Column(0, 40, third, 2, kTieStart), Column(480, 120, third, 2, kTieStart | kTieEnd)})
        first.insert(first.end(), column.begin(), column.end());
    for (signed char step : {2, 0, 0})
        first.push_back(TieRecord(40, 120, step, false));
    for (signed char step : {2, 0, 0})
        first.push_back(TieRecord(117, 5, step, true));
    f.measures[1].symbols = Column(0, 5, third, 1, kTieEnd);

    TieImport run;
    ASSERT_EQ(run.Run(f), 1);
    const std::string a = std::to_string(run.ColumnX(0, 0));
    const std::string b = std::to_string(run.ColumnX(0, 1));
    const std::string n = std::to_string(run.ColumnX(1, 0));
    EXPECT_EQ(run.Ties(0), (std::vector<std::string> {a + ",0>" + b + ",0", a + ",6>" + b + ",6",
                                                      b + ",0>" + n + ",0", b + ",6>" + n + ",6"}));
    EXPECT_EQ(run.FreeCurves(0), 2);
}

} // namespace
