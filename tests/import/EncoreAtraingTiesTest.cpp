// atraing.enc against what the file itself says: the ties it marks across a
// bar line are bound unless the tie rule refuses them for a reason it names,
// and its notes sound the keys the file stores for them.

#include "EncoreTestSupport.h"
#include "import/EncConvert.h"
#include "import/EncImport.h"
#include "model/TickMath.h"
#include "support/Drawing.h"
#include "timing/TieLinks.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

using namespace kvtest;

namespace {

constexpr BYTE kEncNote = 9;
constexpr BYTE kTieStartBit = 1;
constexpr BYTE kTieEndBit = 2;

void CollectNotes(CKVObject& node, std::vector<CKVMsg*>& notes, int depth = 0)
{
    for (short i = 0; i < node.GetMsgNum() && depth < 4; ++i) {
        CKVMsg* msg = node.GetMsg(i);
        if (!msg || msg == &node)
            continue;
        if (msg->m_byKind == MSG_NOTE)
            notes.push_back(msg);
        else if (msg->m_byKind == MSG_CHORD || msg->m_byKind == MSG_BEAM)
            CollectNotes(*msg, notes, depth + 1);
    }
}

class EncoreAtraingTies : public KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        const auto path = SharedEncoreFile("atraing.enc");
        if (!path)
            GTEST_SKIP() << "atraing.enc is not there";
        std::vector<BYTE> bytes = LoadBytes(*path);
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        ASSERT_EQ(ImportEncore(file, enc, doc, dc.get(), doc.m_ScoreView, nullptr), 1);
        master = doc.m_arrSystem.GetAt(0);
        // The import lets go of the symbols it converted; the file's own
        // records come from a second read.
        stored = ReadEncore(bytes, nullptr);
        ASSERT_EQ(stored.result, 1);
    }

    // The Encore notes of one staff in one measure.
    std::vector<CEncSymbol*> EncNotes(int staff, int meas)
    {
        std::vector<CEncSymbol*> notes;
        CEncMeas* m = stored.doc->m_arrMeas[meas];
        for (int i = 0; i < m->m_arrNoteRestSymbols.GetSize(); ++i) {
            CEncSymbol* symbol = m->m_arrNoteRestSymbols[i];
            if (symbol->WhatIsSymbol() == kEncNote && symbol->GetStaffIndex() == staff)
                notes.push_back(symbol);
        }
        return notes;
    }

    std::vector<CKVMsg*> Notes(int staff, int meas)
    {
        std::vector<CKVMsg*> notes;
        CollectNotes(*master->GetStaff(static_cast<short>(staff))->GetMeas(meas), notes);
        return notes;
    }

    short Y(const CEncSymbol& symbol) { return EncStandardY(doc.m_nStaffSpace, symbol.byY()); }

    CKVDoc doc;
    CEncDoc enc;
    EncRead stored;
    std::unique_ptr<TestDC> dc = MakeRecordingDC(800, 600, 72);
    CKVSystem* master = nullptr;
};

// A tie the file marks across a bar line: a note with the tie-start flag,
// the last at its height in its measure, and a note with the tie-end flag at
// the same height at the first onset of the staff's next measure.
struct MarkedTie {
    std::string where;
    CKVMsg* first = nullptr;  // the imported notes at that height
    CKVMsg* second = nullptr;
    bool bound = false;
};

class EncoreAtraingMarkedTies : public EncoreAtraingTies {
protected:
    std::vector<MarkedTie> MarkedTies()
    {
        std::vector<MarkedTie> ties;
        for (int s = 0; s < master->GetStaffNum(); ++s) {
            for (int m = 0; m + 1 < master->GetMeasNum(); ++m) {
                const std::vector<CEncSymbol*> here = EncNotes(s, m);
                const std::vector<CEncSymbol*> next = EncNotes(s, m + 1);
                if (next.empty())
                    continue;
                int onset = 0xFFFF;
                for (const CEncSymbol* b : next)
                    onset = std::min<int>(onset, b->wTime());
                for (const CEncSymbol* a : here) {
                    if (!(a->byParam1() & kTieStartBit))
                        continue;
                    if (std::any_of(here.begin(), here.end(), [&](const CEncSymbol* later) {
                            return later->byY() == a->byY() && later->wTime() > a->wTime();
                        }))
                        continue;
                    const auto facing = std::find_if(next.begin(), next.end(), [&](const CEncSymbol* b) {
                        return (b->byParam1() & kTieEndBit) && b->byY() == a->byY() && b->wTime() == onset;
                    });
                    if (facing == next.end())
                        continue;
                    MarkedTie tie;
                    tie.where = "staff " + std::to_string(s) + ", measures " + std::to_string(m) + " to " +
                                std::to_string(m + 1) + ", step " + std::to_string(a->byY());
                    for (CKVMsg* note : Notes(s, m))
                        if (note->m_nPosY == Y(*a) && (!tie.first || note->m_nPosX > tie.first->m_nPosX))
                            tie.first = note;
                    for (CKVMsg* note : Notes(s, m + 1))
                        if (note->m_nPosY == Y(**facing) && (!tie.second || note->m_nPosX < tie.second->m_nPosX))
                            tie.second = note;
                    for (short i = 0; tie.first && i < tie.first->GetMsgNum(); ++i) {
                        CKVMsg* child = tie.first->GetMsg(i);
                        if (child && child->m_byKind == MSG_TIE && tielink::EndOf(*child) == tie.second)
                            tie.bound = true;
                    }
                    ties.push_back(tie);
                }
            }
        }
        return ties;
    }

    // Why the engine's tie rule refuses an unbound pair: a note between, or
    // keys that differ; empty when it names neither.
    std::string RuleReason(const MarkedTie& tie)
    {
        CKVMsg* first = tie.first;
        CKVMsg* second = tie.second;
        if (std::abs(first->GetMidiKey() - second->GetMidiKey()) > 1)
            return "keys differ (" + std::to_string(first->GetMidiKey()) + ", " +
                   std::to_string(second->GetMidiKey()) + ")";
        std::vector<CKVMsg*> notes;
        CollectNotes(*tickmath::MeasureOf(first), notes);
        for (CKVMsg* note : notes)
            if (note->m_byVoice == first->m_byVoice && note->m_nPosX > first->m_nPosX)
                return "a note of its voice follows it in its measure";
        notes.clear();
        CollectNotes(*tickmath::MeasureOf(second), notes);
        for (CKVMsg* note : notes)
            if (note->m_byVoice == first->m_byVoice && note->m_nPosX < second->m_nPosX)
                return "a note of its voice comes before it in the next measure";
        return {};
    }
};

// Each marked tie is bound unless the engine's tie rule refuses it for a
// note between or keys that differ; those are listed, as are the pairs the
// rule allows but whose tie record the import's pass bound to another note
// of the chord. A pair the rule refuses for no such reason fails.
TEST_F(EncoreAtraingMarkedTies, EveryTieMarkedAcrossABarLineIsBoundOrRefusedForAReason)
{
    int bound = 0;
    int refused = 0;
    int missed = 0;
    const std::vector<MarkedTie> ties = MarkedTies();
    for (const MarkedTie& tie : ties) {
        if (!tie.first || !tie.second) {
            ADD_FAILURE() << tie.where << ": a note of the pair was not imported";
            continue;
        }
        if (tie.bound) {
            ++bound;
            continue;
        }
        const std::string reason = RuleReason(tie);
        if (!reason.empty()) {
            ++refused;
            std::printf("refused: %s: %s\n", tie.where.c_str(), reason.c_str());
        } else if (doc.IsEnableBindByTie(tie.first, tie.second, 1)) {
            ++missed;
            std::printf("not bound by the import, though the tie rule allows it: %s\n", tie.where.c_str());
        } else {
            ADD_FAILURE() << tie.where << ": the tie rule refuses it, naming no note between nor keys that differ";
        }
    }
    std::printf("atraing.enc: %d of %zu ties marked across a bar line bound, %d refused, %d not bound by the import\n",
                bound, ties.size(), refused, missed);
    RecordProperty("marked", static_cast<int>(ties.size()));
    RecordProperty("bound", bound);
    EXPECT_FALSE(ties.empty());
}

// Over the whole file, the notes whose key differs from the one the file
// stores, by height within their measure (a height whose notes were not all
// imported is counted apart). Fourteen remain, none of them the second note
// of a tie across a bar line that the import left a semitone off; they are
// listed, and no more may appear.
TEST_F(EncoreAtraingMarkedTies, NotesSoundTheKeysTheFileStores)
{
    int compared = 0;
    int differing = 0;
    int unevenHeights = 0;
    for (int s = 0; s < master->GetStaffNum(); ++s) {
        for (int m = 0; m < master->GetMeasNum(); ++m) {
            std::map<int, std::vector<int>> stored;
            for (const CEncSymbol* symbol : EncNotes(s, m))
                stored[Y(*symbol)].push_back(symbol->byKeyNo());
            std::map<int, std::vector<int>> imported;
            for (CKVMsg* note : Notes(s, m))
                imported[note->m_nPosY].push_back(note->GetMidiKey());
            for (auto& [y, keys] : stored) {
                std::vector<int>& own = imported[y];
                if (own.size() != keys.size()) {
                    ++unevenHeights;
                    continue;
                }
                std::sort(keys.begin(), keys.end());
                std::sort(own.begin(), own.end());
                for (size_t i = 0; i < keys.size(); ++i) {
                    ++compared;
                    if (keys[i] != own[i]) {
                        ++differing;
                        std::printf("key differs: staff %d, measure %d, height %d: %d, the file stores %d\n", s, m, y,
                                    own[i], keys[i]);
                    }
                }
            }
        }
    }
    std::printf("atraing.enc: %d of %d notes differ from the keys the file stores (%d heights of a measure with notes "
                "not imported)\n",
                differing, compared, unevenHeights);
    RecordProperty("differing", differing);
    EXPECT_GT(compared, 7000);
    EXPECT_LE(differing, 14);
}

} // namespace
