// Random runs of the structure, editing and clipboard commands, with undo and
// redo between them, checking after every step that the score is whole: the
// cursor and the selection records name objects of the tree, every tie and slur
// is held by both its notes, no voice runs past its ticks, and every command
// undoes and redoes to the bytes around it (support/ScoreIntegrity.h). The
// commands: measures, staves and pages inserted and deleted, measures deleted
// on one staff, staves moved, re-flows and block counts, ossias made and
// removed with their staves and measures, staves hidden and shown; notes
// entered by time and with the mouse, chords, ties, slurs (now and then a slur
// over tied notes or a tie over slurred ones), beams made and dissolved, grace
// notes, plain form, voices, respelling, automatic ties, nudges left and right,
// colour, rests, durations, note size, stems, rest types, marks, slur
// directions and deletion over the selection; copy, cut and paste, drag and
// drop (now and then dropped into one voice), with automatic beams or without;
// now and then a line drawn into a measure with the drag template, or moved
// whole into another (with Alt now and then, which copies it). Selections of
// every record kind come and go between the commands, now and then with every
// page selected, and the runs are made with undo recording on and off, on
// scores of one to four staves and five to twelve measures, and on one staff of
// thirty. Every so many steps the document's read-only queries are asked, each
// of which must leave the score, its undo history and the selection as they
// were.
//
// A command refuses whole: one whose result says it refused (a paste or drop
// that returns 0 or less, a drag that makes no image, an entry that makes no
// note, a rest by measure number that adds none, a duration, deletion (at the
// caret too), nudge, tie, slur or measure insertion that returns 0, a line
// drop that adds no line) must leave the document as it was,
// but for what its own steps do before they may refuse. A cut's image carries
// all the notes and rests the cut takes away. A drag move keeps the notes and
// rests it moves: its image carries all it takes away, a refused drop leaves
// none of them out of the score, and a drop without overwrite whose image
// lands whole puts all of them in.
//
// KV_INTEGRITY_STEPS sets the steps of each run (2,000 by default), and
// KV_INTEGRITY_SEEDS, KV_INTEGRITY_SHAPE and KV_INTEGRITY_RECORDING pick other
// runs than the list at the end (see Runs()). KV_INTEGRITY_CROWDED=1 crowds the
// scores of the runs: two to four measures of each score start near the limits
// of their records, up to 255 symbols or a voice up to 32,767 ticks or both,
// among them groups with rests whose break would crowd their measure past 255
// and notes that carry 240 to 255 symbols of their own (support/ScoreCrowding.h),
// and the score is made anew every 250 steps, or sooner once the commands have
// taken its crowding away. A crowded run also aims a command at such a holder
// every so many steps, its choices drawn from a stream of their own: a note of
// a group with rests deleted at the caret, or by a delete, a cut or a drag move
// of a rectangle around it; a carrying note tied or slurred to its neighbour
// (by the host's tool or over its measure), marked, or named a chord; a whole
// rest added by measure number to a voice within a whole of its ticks, or whole
// rests over a range of measures. A tie that one of its notes has no room for,
// and a mark that no selected note can take, are refused whole. At its end a
// crowded run prints one line of how often it met each kind. On a fault the
// seed, the step and the steps that led to it are printed.

#include "document/ClipboardSystem.h"
#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "document/RecordIO.h"
#include "document/SelHit.h"
#include "document/SelRect.h"
#include "drag/TempShapes.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/TickMath.h"
#include "support/Drawing.h"
#include "support/KvTest.h"
#include "support/NodeSupport.h"
#include "support/NoteEntry.h"
#include "support/ScoreBuilder.h"
#include "support/ScoreCrowding.h"
#include "support/ScoreIntegrity.h"
#include "support/UndoSupport.h"
#include "timing/TupletLinks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr short kMaxStaves = 4;
// Measures are inserted up to 16, or a few more than a longer score starts
// with.
constexpr int kMaxMeasures = 16;
constexpr int kMeasuresBeyondStart = 4;
constexpr int kMinMeasures = 3;
constexpr int kMaxPages = 6;
// The steps printed before a fault.
constexpr size_t kTraceLength = 40;

int StepsPerRun()
{
    const char* text = std::getenv("KV_INTEGRITY_STEPS");
    const int steps = text ? std::atoi(text) : 0;
    return steps > 0 ? steps : 2000;
}

// Steps between two rounds of the read-only queries.
constexpr int kQueryEvery = 20;

// A crowded score lives this many steps at most, and every so many steps it
// is asked whether a measure is still crowded: one whose crowding the
// commands took away is made anew at once.
constexpr int kCrowdedLife = 250;
constexpr int kCrowdCheckEvery = 25;

// One command step in this many draws a line with the drag template or moves
// one.
constexpr int kLineDragEvery = 25;

// One command step of a crowded run in this many also aims a command at a
// holder that stands at its limit.
constexpr int kHolderEvery = 8;

struct RunParam {
    unsigned seed;
    bool recording;
    short staves = 3;
    LONG measures = 9;
    bool crowded = false;
};

// Names a run in test listings by its fields, not by its bytes (padding
// included), so that its name is the same in every build.
void PrintTo(const RunParam& run, std::ostream* out)
{
    *out << "seed " << run.seed << (run.recording ? ", recording" : ", not recording") << ", " << run.staves
         << " staves of " << run.measures << " measures" << (run.crowded ? ", crowded" : "");
}

// A note or rest told apart from the others however a drop re-voices,
// re-beams or re-places it: a note by its MIDI key, a rest by its value. A
// note's value and grace flag are left out: the notes of a chord carry
// values and flags of their own, which a copy that takes them singly may
// read instead of the chord's.
using Identity = std::tuple<int, int, int>;
using Contents = std::map<Identity, int>;

Identity IdentityOf(CKVMsg& msg)
{
    if (msg.m_byKind == MSG_REST)
        return {MSG_REST, tickmath::DurationCode(msg), msg.m_byDots};
    return {MSG_NOTE, msg.GetMidiKey(), 0};
}

std::string Named(const Identity& id)
{
    const auto& [kind, keyOrCode, dots] = id;
    if (kind == MSG_REST)
        return "rest of code " + std::to_string(keyOrCode) + (dots ? " dotted" : "");
    return "note of key " + std::to_string(keyOrCode);
}

// How notes of one pitch at one place of a voice count: once within a chord,
// which holds each pitch once, or once within the measure, as copying a
// measure joins the notes of a voice at one place into a chord.
enum class Merged { kInChords, kAtPlaces };

// The places of notes already counted: voice, position and key.
using Places = std::set<std::tuple<int, int, int>>;

// Counts the notes and rests under a node, in its chords and groups too. A
// chord's notes stand at the chord's place.
void CountUnder(CKVObject& node, Contents& contents, Places& places, Merged merged, int depth)
{
    const bool chord = node.m_byObjKind == OBJ_MSG && static_cast<CKVMsg&>(node).m_byKind == MSG_CHORD;
    for (CKVMsg* msg : depth < 4 ? kvtest::OwnedSymbols(node) : std::vector<CKVMsg*>()) {
        const short x = chord ? static_cast<CKVMsg&>(node).m_nPosX : msg->m_nPosX;
        const bool counted = merged == Merged::kInChords && !chord;
        if (msg->m_byKind == MSG_REST ||
            (msg->m_byKind == MSG_NOTE &&
             (counted || places.insert({msg->m_byVoice, x, msg->GetMidiKey()}).second))) {
            ++contents[IdentityOf(*msg)];
        } else if (msg->m_byKind == MSG_CHORD || msg->m_byKind == MSG_BEAM) {
            Places inChord;
            CountUnder(*msg, contents, merged == Merged::kInChords ? inChord : places, merged, depth + 1);
        }
    }
}

// Counts the notes and rests of a measure.
void CountMeasure(CKVMeas& meas, Contents& contents, Merged merged)
{
    Places places;
    CountUnder(meas, contents, places, merged, 0);
}

// The measures of the score's staves and ossia staves.
std::vector<CKVMeas*> AllMeasures(CKVDoc& doc)
{
    std::vector<CKVMeas*> measures;
    CKVSystem* system = doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
    for (CKVStaffPtrArray* list :
         {system ? system->m_pStaffArray : nullptr, system ? system->m_pOssiaStaffArray : nullptr}) {
        for (int s = 0; list && s < list->GetSize(); ++s) {
            CKVStaff* staff = list->GetAt(s);
            for (int m = 0; staff && m < staff->m_arrMeas.GetSize(); ++m)
                measures.push_back(staff->m_arrMeas.GetAt(m));
        }
    }
    return measures;
}

Contents NotesAndRests(CKVDoc& doc, Merged merged)
{
    Contents contents;
    for (CKVMeas* meas : AllMeasures(doc))
        CountMeasure(*meas, contents, merged);
    return contents;
}

// The notes and rests of the measures of a clipboard or drag image read
// into a temporary system.
Contents ImageContents(CKVSystem& image, Merged merged)
{
    Contents contents;
    for (short k = 0; k < image.GetStaffNum(); ++k) {
        CKVStaff* staff = image.GetStaff(k);
        for (LONG j = 0; staff && j < staff->GetMeasNum(); ++j)
            CountMeasure(*staff->GetMeas(j), contents, merged);
    }
    return contents;
}

// What `from` holds more of than `than`, by identity.
Contents Less(const Contents& from, const Contents& than)
{
    Contents more;
    for (const auto& [id, count] : from) {
        const auto found = than.find(id);
        const int less = found == than.end() ? 0 : found->second;
        if (count > less)
            more[id] = count - less;
    }
    return more;
}

// Whether a measure holds rests and nothing else: a note entered there may
// take them away before the measure refuses it.
bool OnlyRests(CKVMeas& meas)
{
    const std::vector<CKVMsg*> children = kvtest::OwnedSymbols(meas);
    return !children.empty() &&
           std::all_of(children.begin(), children.end(), [](const CKVMsg* m) { return m->m_byKind == MSG_REST; });
}

// The lines of the score: in its measures and on its pages.
int Lines(CKVDoc& doc)
{
    int lines = 0;
    for (CKVMeas* meas : AllMeasures(doc))
        for (CKVMsg* msg : kvtest::OwnedSymbols(*meas))
            lines += msg->m_byKind == MSG_LINE ? 1 : 0;
    for (short p = 0; p < doc.GetPageNum(); ++p) {
        CKVPage* page = doc.GetPage(p);
        for (int i = 0; i < page->m_arrMsg.GetSize(); ++i)
            lines += page->m_arrMsg.GetAt(i) && page->m_arrMsg.GetAt(i)->m_byKind == MSG_LINE ? 1 : 0;
    }
    return lines;
}

// How often a crowded run met each kind of holder at its limit: the holders
// its scores were made with, and the commands aimed at them while they stood
// at their limits.
struct Met {
    int groups = 0;
    int atTheCaret = 0;
    int deleted = 0;
    int cut = 0;
    int dragged = 0;
    int staffDeletes = 0;
    int carrying = 0;
    int tied = 0;
    int slurred = 0;
    int marked = 0;
    int tuplets = 0;
    int named = 0;
    int voices = 0;
    int restsByNumber = 0;
    int restsOverMeasures = 0;

    std::string Line(const RunParam& run) const
    {
        const auto n = [](int count) { return std::to_string(count); };
        return "crowded seed " + std::to_string(run.seed) + " " + std::to_string(run.staves) + "x" +
               std::to_string(run.measures) + (run.recording ? " recording" : " not recording") + ": " +
               n(groups) + " groups with rests that a break crowds past 255, hit at the caret " + n(atTheCaret) +
               ", deleted " + n(deleted) + ", cut " + n(cut) + ", dragged " + n(dragged) +
               ", a voice deleted over their staff " + n(staffDeletes) + "; " + n(carrying) +
               " notes of 240 symbols or more, tied " + n(tied) + ", slurred " + n(slurred) + ", marked " +
               n(marked) + ", in tuplets " + n(tuplets) + ", named " + n(named) + "; " + n(voices) +
               " voices within a whole of 32,767 ticks, rests added by measure number " + n(restsByNumber) +
               ", over measures " + n(restsOverMeasures);
    }
};

class IntegrityRandomTest : public kvtest::KvTest, public ::testing::WithParamInterface<RunParam> {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        // The crowding, the line drags and the commands aimed at holders
        // draw from streams of their own, so that the other commands draw as
        // they would without them.
        crowding.seed(GetParam().seed);
        lineDrags.seed(GetParam().seed);
        holders.seed(GetParam().seed);
        NewScore();
        image = static_cast<unsigned char*>(std::malloc(1));
    }

    void NewScore()
    {
        score = std::make_unique<kvtest::ScoreBuilder>(kvtest::ScoreShape {
            .lineSpacing = 8, .staves = GetParam().staves, .measures = GetParam().measures, .pageGeometry = true});
        if (GetParam().crowded) {
            for (const std::string& line : kvtest::CrowdScore(*score, crowding))
                Note("crowded: " + line);
        }
        score->Settle();
        if (GetParam().crowded) {
            // Reading a score leaves the marks of chord members to the first
            // walk that takes the notes singly. One such walk marks the
            // crowded chords as the commands' walks would, so that no query
            // or refused command is blamed for marking them.
            for (CKVMeas* meas : AllMeasures(Doc()))
                meas->ResetGetNextMsg(kChordNotesSingly, kWalkTreeOrder, kWalkOwnStaff, kWalkKeepAll);
            const kvtest::HoldersAtLimits found = kvtest::FindHoldersAtLimits(Doc());
            met.groups += static_cast<int>(found.groupNotes.size() / 2);
            met.carrying += static_cast<int>(found.carrying.size());
            met.voices += static_cast<int>(found.fullVoices.size());
        }
        Doc().m_bBackupRecord = GetParam().recording ? 1 : 0;
        Doc().JumpToPage(0);
        born = step;
    }

    // A crowded score is made anew when it has lived its steps or the
    // commands took its crowding away.
    void KeepCrowded()
    {
        if (!GetParam().crowded)
            return;
        if (step - born < kCrowdedLife && (step % kCrowdCheckEvery != 0 || kvtest::HoldsCrowdedMeasure(Doc())))
            return;
        Note("a new crowded score");
        NewScore();
    }

    void TearDown() override
    {
        std::free(image);
        score.reset();
        KvTest::TearDown();
    }

    CKVDoc& Doc() { return score->Doc(); }
    CKVSystem* Master() { return score->System(); }
    int Staves() { return Master()->GetStaffNum(); }
    int Measures() { return Staves() > 0 ? static_cast<int>(Master()->GetStaff(0)->GetMeasNum()) : 0; }
    int Pages() { return Doc().GetPageNum(); }
    int MaxMeasures() { return std::max<int>(kMaxMeasures, GetParam().measures + kMeasuresBeyondStart); }
    int Pick(int count) { return count <= 0 ? 0 : std::uniform_int_distribution<int>(0, count - 1)(*draws); }
    bool Chance(int percent) { return Pick(100) < percent; }

    // The host's step before a command that takes no backup of its own.
    void HostStep()
    {
        Doc().ResetBackup();
        Doc().ObjectBackup(1);
    }

    void Note(const std::string& what) { trace.push_back(what); }

    // --- Selections and the cursor -------------------------------------------

    void SelectNothing()
    {
        Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
        Doc().m_bSelectAllPages = 0;
    }

    // A measure selected whole in a block that shows it, alone.
    void SelectMeasure(CKVMeas* meas, CKVBlock* block)
    {
        SelectNothing();
        RECT none {0, 0, 0, 0};
        Doc().AddSelRect(SelRect::kMeas, &none, meas, nullptr, block);
    }

    CKVBlock* AnyBlock(bool ossia)
    {
        std::vector<CKVBlock*> blocks;
        for (int p = 0; p < Pages(); ++p) {
            CKVPage* page = Doc().GetPage(static_cast<short>(p));
            auto& list = ossia ? page->m_arrOssiaBlock : page->m_arrBlock;
            for (int b = 0; b < list.GetSize(); ++b)
                blocks.push_back(list.GetAt(b));
        }
        return blocks.empty() ? nullptr : blocks[static_cast<size_t>(Pick(static_cast<int>(blocks.size())))];
    }

    void AddRecord()
    {
        const int kind = 1 + Pick(4);
        CKVBlock* block = AnyBlock(false);
        switch (kind) {
        case SelRect::kRect: {
            if (Pages() == 0)
                return;
            const int page = Pick(Pages());
            Doc().JumpToPage(page);
            RECT r {Pick(400), Pick(600), 0, 0};
            r.right = r.left + 50 + Pick(600);
            r.bottom = r.top + 50 + Pick(600);
            if (Chance(20))
                r = RECT {-10000, -10000, 10000, 10000};
            Doc().AddSelRect(SelRect::kRect, &r, nullptr, nullptr, nullptr);
            Note("select a rectangle " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                 std::to_string(r.right) + "," + std::to_string(r.bottom) + " on page " + std::to_string(page));
            return;
        }
        case SelRect::kMeas: {
            if (!block || block->GetStaffNum() == 0 || block->m_nMeasCount <= 0)
                return;
            const short s = static_cast<short>(Pick(block->GetStaffNum()));
            CKVStaff* staff = block->GetStaff(s);
            const LONG m = block->m_nFirstMeas + Pick(block->m_nMeasCount);
            if (!staff || m >= staff->GetMeasNum())
                return;
            RECT none {0, 0, 0, 0};
            Doc().AddSelRect(SelRect::kMeas, &none, staff->GetMeas(m), nullptr, block);
            Note("select measure " + std::to_string(m) + " of block staff " + std::to_string(s));
            return;
        }
        case SelRect::kBlockStaff: {
            if (!block || block->GetStaffNum() == 0)
                return;
            const short s = static_cast<short>(Pick(block->GetStaffNum()));
            RECT none {0, 0, 0, 0};
            Doc().AddSelRect(SelRect::kBlockStaff, &none, nullptr, block->GetStaff(s), block);
            Note("select staff " + std::to_string(s) + " of a block");
            return;
        }
        default: {
            if (Staves() == 0)
                return;
            const int s = Pick(Staves());
            Doc().AddSelRect(SelRect::kStaff, nullptr, nullptr, Master()->GetStaff(static_cast<short>(s)), nullptr);
            Note("select staff " + std::to_string(s));
            return;
        }
        }
    }

    void Select()
    {
        const int roll = Pick(10);
        if (roll < 2) {
            SelectNothing();
            Note("select nothing");
        } else if (roll < 3) {
            Doc().SelectAllPages();
            Note("select every page");
        } else {
            if (roll < 7) {
                SelectNothing();
            }
            AddRecord();
        }
    }

    void MoveCursor()
    {
        if (Chance(30) || Measures() == 0) {
            const int page = Pick(std::max(1, Pages()));
            Doc().JumpToPage(page);
            Note("jump to page " + std::to_string(page));
            return;
        }
        const int number = 1 + Pick(Measures());
        Doc().JumpToMeas(number);
        if (Doc().m_pCurBlock && Doc().m_pCurBlock->GetStaffNum() > 0) {
            Doc().m_nCurStaff = static_cast<short>(Pick(Doc().m_pCurBlock->GetStaffNum()));
            Doc().m_pCurStaff = Doc().m_pCurBlock->GetStaff(Doc().m_nCurStaff);
            const LONG at = Doc().m_pCurBlock->m_nFirstMeas + Doc().m_nCurMeas;
            Doc().m_pCurMeas =
                Doc().m_pCurStaff && at < Doc().m_pCurStaff->GetMeasNum() ? Doc().m_pCurStaff->GetMeas(at) : nullptr;
        }
        Doc().m_nCaretPos = static_cast<short>(Pick(5) * 64);
        Note("cursor to measure " + std::to_string(number) + " staff " + std::to_string(Doc().m_nCurStaff) +
             " caret " + std::to_string(Doc().m_nCaretPos));
    }

    // --- Commands ---------------------------------------------------------------

    // A random command, made in one step; false when none could be made.
    bool Command()
    {
        const int staves = Staves();
        const int measures = Measures();
        if (std::uniform_int_distribution<int>(0, 11)(variety) == 0) {
            const BYTE over = std::uniform_int_distribution<int>(0, 1)(variety) ? MSG_TIE : MSG_SLUR;
            if (JoinAgain(over) || JoinAgain(over == MSG_TIE ? MSG_SLUR : MSG_TIE))
                return true;
        }
        switch (Pick(30)) {
        case 0: {
            if (measures + 2 > MaxMeasures() || staves == 0)
                return false;
            const int at = Pick(measures);
            const int count = 1 + Pick(2);
            std::vector<unsigned char> flags(static_cast<size_t>(staves), 1);
            if (Chance(30)) {
                std::fill(flags.begin(), flags.end(), 0);
                flags[static_cast<size_t>(Pick(staves))] = 1;
            }
            const int backup = Doc().IsReqBackup() && Chance(50) ? 1 : 0;
            Note("insert " + std::to_string(count) + " measures at " + std::to_string(at) + " backup " +
                 std::to_string(backup));
            Run([&] {
                Doc().ResetBackup();
                if (!backup)
                    Doc().ObjectBackup(1);
                Refusable("inserting measures", [&] {
                    return Doc().InsertMeasures(at, count, static_cast<DWORD>(Pick(2)), staves, flags.data(),
                                                backup) == 0;
                });
            });
            return true;
        }
        case 1: {
            if (measures <= kMinMeasures)
                return false;
            const int first = Pick(measures);
            const int last = std::min(measures - 1, first + Pick(2));
            if (Chance(3))
                return Host("delete every measure", [&] { Doc().DeleteMeasure(0, measures - 1, 0); });
            return Host("delete measures " + std::to_string(first) + ".." + std::to_string(last),
                        [&] { Doc().DeleteMeasure(first, last, 0); });
        }
        case 2: {
            if (staves == 0)
                return false;
            const int first = Pick(measures);
            const int last = std::min(measures - 1, first + Pick(2));
            const int staff = Pick(staves);
            return Host("delete measures " + std::to_string(first) + ".." + std::to_string(last) + " on staff " +
                            std::to_string(staff),
                        [&] { Doc().DeleteMeasOnStaff(first, last, staff, 0); });
        }
        case 3: {
            if (staves >= kMaxStaves)
                return false;
            const int at = Pick(staves + 1);
            return Host("insert a staff at " + std::to_string(at), [&] {
                Doc().InsertStaves(at, 1, 0, static_cast<DWORD>(Pick(2)), CKVSystem::MODE_NORMAL, 5, 100);
            });
        }
        case 4: {
            if (staves == 0)
                return false;
            const int first = Pick(staves);
            const int last = Chance(10) ? staves - 1 : first;
            if (Chance(3))
                return Host("delete every staff", [&] { Doc().DeleteStaves(-5, 99, 0); });
            return Host("delete staves " + std::to_string(first) + ".." + std::to_string(last),
                        [&] { Doc().DeleteStaves(first, last, 0); });
        }
        case 5: {
            if (staves < 2)
                return false;
            const int a = Pick(staves);
            const int b = Pick(staves);
            return Host("move staff " + std::to_string(a) + " to " + std::to_string(b),
                        [&] { Doc().MoveStaff(a, b, 0); });
        }
        case 6: {
            if (Pages() == 0 || Pages() >= kMaxPages || measures + 6 > MaxMeasures())
                return false;
            const int page = Pick(Pages());
            const unsigned long flags = static_cast<unsigned long>(Pick(4));
            return Host("insert a page at " + std::to_string(page) + " flags " + std::to_string(flags),
                        [&] { Doc().InsertPage(page, 1, flags); });
        }
        case 7: {
            if (Pages() < 2)
                return false;
            const int a = Pick(Pages());
            const int b = std::min(Pages() - 1, a + Pick(2));
            return Host("delete pages " + std::to_string(a) + ".." + std::to_string(b),
                        [&] { Doc().DeletePages(a, b); });
        }
        case 8: {
            const int fromInfo = Pick(2);
            return Host("re-flow " + std::to_string(fromInfo), [&] { Doc().UpdatePage(fromInfo); });
        }
        case 9: {
            const short count = static_cast<short>(1 + Pick(4));
            if (Chance(50))
                return Host("measures per block " + std::to_string(count),
                            [&] { Doc().SetAllBlockMeasCount(count); });
            return Host("blocks per page " + std::to_string(count), [&] { Doc().SetAllPageBlockCount(count); });
        }
        case 10: {
            if (staves == 0 || measures < 2 || Pages() == 0)
                return false;
            const int staff = Pick(staves);
            const int first = 1 + Pick(measures - 1);
            const int last = std::min(measures, first + Pick(2));
            Doc().JumpToPage(0);
            Note("make an ossia of staff " + std::to_string(staff) + " measures " + std::to_string(first) + ".." +
                 std::to_string(last));
            Run([&] {
                Doc().ResetBackup();
                Doc().InsertOssia(POINT {Pick(200), Pick(300)}, 0, staff, first, last, 15, 0, 100);
            });
            return true;
        }
        case 11:
            return OssiaCommand();
        case 12:
        case 13:
            return HideOrShow();
        case 14:
        case 15:
        case 16:
            return EnterNote();
        case 17:
        case 18:
        case 19:
        case 20:
        case 21:
            return SelectionCommand();
        case 22:
        case 23:
            return CopyPaste();
        case 24:
        case 25:
            return DragDrop();
        default:
            return false;
        }
    }

    void Refill()
    {
        if (Doc().IsMultiEnableUndo()) {
            History();
            return;
        }
        if (Staves() == 0) {
            Host("insert a staff into an empty score", [&] {
                Doc().InsertStaves(0, 1, 0, 0, CKVSystem::MODE_NORMAL, 5, 100);
            });
            if (Staves() > 0)
                return;
        }
        // Nothing to undo and nothing to insert into: a new score.
        Note("a new score");
        NewScore();
    }

    bool Host(const std::string& what, const std::function<void()>& command)
    {
        Note(what);
        Run([&] {
            HostStep();
            command();
        });
        return true;
    }

    // The current ossia block of page 0, made the cursor's.
    CKVBlock* SelectOssia()
    {
        if (Pages() == 0)
            return nullptr;
        Doc().JumpToPage(0);
        CKVPage* page = Doc().GetPage(0);
        if (page->m_arrOssiaBlock.GetSize() == 0)
            return nullptr;
        const int index = Pick(page->m_arrOssiaBlock.GetSize());
        Doc().m_pCurBlock = page->m_arrOssiaBlock.GetAt(index);
        Doc().m_nCurBlock = static_cast<short>(index);
        Doc().m_nCurStaff = 0;
        Doc().m_pCurStaff = Doc().m_pCurBlock->GetStaffNum() > 0 ? Doc().m_pCurBlock->GetStaff(0) : nullptr;
        Doc().m_nCurMeas = 0;
        Doc().m_pCurMeas = Doc().m_pCurStaff && Doc().m_pCurStaff->GetMeasNum() > Doc().m_pCurBlock->m_nFirstMeas
                               ? Doc().m_pCurStaff->GetMeas(Doc().m_pCurBlock->m_nFirstMeas)
                               : nullptr;
        Note("cursor on ossia block " + std::to_string(index));
        return Doc().m_pCurBlock;
    }

    bool OssiaCommand()
    {
        CKVBlock* block = SelectOssia();
        if (!block)
            return false;
        const int staves = block->GetStaffNum();
        const int measures = block->m_nMeasCount;
        switch (Pick(5)) {
        case 0:
            return Host("delete the ossia", [&] { Doc().DeleteOssia(); });
        case 1:
            if (staves >= 3)
                return false;
            return Host("insert an ossia staff", [&] {
                Doc().InsertOssiaStaves(Pick(staves + 1), 1, 0, 0, CKVSystem::MODE_NORMAL, 5, 100);
            });
        case 2: {
            const int first = Pick(std::max(1, staves));
            return Host("delete ossia staff " + std::to_string(first), [&] { Doc().DeleteOssiaStaves(first, first, 0); });
        }
        case 3:
            if (measures >= 4)
                return false;
            return Host("insert an ossia measure", [&] { Doc().InsertMeasuresInOssia(Pick(measures + 1), 1, Pick(2)); });
        default: {
            const short first = static_cast<short>(Pick(std::max(1, measures)));
            return Host("delete ossia measure " + std::to_string(first), [&] { Doc().DeleteMeasuresInOssia(first, 1); });
        }
        }
    }

    bool HideOrShow()
    {
        if (Pages() == 0 || Staves() == 0)
            return false;
        switch (Pick(3)) {
        case 0: {
            std::vector<unsigned char> flags(static_cast<size_t>(Staves()), 0);
            flags[0] = 1;
            if (Staves() > 1 && Chance(50))
                flags[1] = 1;
            return Host("hide the first staves everywhere", [&] { Doc().StaffHide(0, 1, flags.data()); });
        }
        case 1:
            return Host("hide the selected staves", [&] { Doc().StaffHide(0, 0, nullptr); });
        default:
            return Host("show the hidden staves", [&] { Doc().StaffVisible(0, 0, nullptr); });
        }
    }

    bool EnterNote()
    {
        if (Staves() == 0 || Measures() == 0)
            return false;
        const int staff = Pick(Staves());
        // Notes gather in the first measures, so that chords, groups and
        // ties across bar lines come about.
        const int meas = Chance(60) ? Pick(std::min(3, Measures())) : Pick(Measures());
        const kvtest::EntryShape shape {.start = static_cast<short>(120 * Pick(8)),
                                        .y = static_cast<short>(4 * (Pick(5) - 2)),
                                        .code = Chance(30) ? DUR_QUARTER : DUR_EIGHTH,
                                        .voice = static_cast<BYTE>(Chance(80) ? 1 : 2)};
        if (Chance(30))
            return EnterWithTheMouse(staff, meas, shape);
        Note("enter a note in measure " + std::to_string(meas) + " of staff " + std::to_string(staff) + " at " +
             std::to_string(shape.start) + "," + std::to_string(shape.y) + " voice " + std::to_string(shape.voice));
        Run([&] {
            Doc().ResetBackup();
            CKVMeas* m = score->Meas(staff, meas);
            m->ObjectBackup(kBackupRecorded, kBackupAlone);
            CKVMeas* live = Doc().IsReqBackup() ? m->GetCurBackupObj() : m;
            const bool rests = OnlyRests(*live);
            Refusable("a note entered by time", [&] { return !kvtest::EnterNote(live, shape) && !rests; });
        });
        return true;
    }

    // Mouse entry at a point of the measure where a block shows it, which
    // backs up the measure itself; false where no block shows it.
    bool EnterWithTheMouse(int staff, int meas, const kvtest::EntryShape& shape)
    {
        Doc().JumpToMeas(meas + 1);
        CKVBlock* block = Doc().m_pCurBlock;
        const int at = block ? static_cast<int>(meas - block->m_nFirstMeas) : -1;
        if (at < 0 || staff >= block->GetStaffNum() || at + 1 >= block->m_arrMeasX.GetSize() ||
            staff >= block->m_arrStaffY.GetSize())
            return false;
        const int left = static_cast<short>(block->m_arrMeasX[at]);
        const int right = static_cast<short>(block->m_arrMeasX[at + 1]);
        const POINT p {block->m_rcBlock.left + left + (right - left) * (1 + shape.start / 120) / 9,
                       block->m_rcBlock.top + static_cast<short>(block->m_arrStaffY[staff]) + shape.y * 2};
        Note("enter a note with the mouse at " + std::to_string(p.x) + "," + std::to_string(p.y) + " voice " +
             std::to_string(shape.voice));
        // A measure of the column that holds rests alone may give them up
        // before the note is refused; the measure is backed up before the
        // entry may refuse, and its clone saves to other bytes.
        bool rests = false;
        for (short s = 0; s < block->GetStaffNum(); ++s) {
            CKVStaff* shown = block->GetStaff(s);
            rests = rests || (shown && meas < shown->GetMeasNum() && OnlyRests(*shown->GetMeas(meas)));
        }
        Run([&] {
            Refusable(
                "a note entered with the mouse",
                [&] {
                    return !Doc().InsertNewNoteMsg(p, MSG_NOTE, 1, shape.code, shape.voice, 0, 0, 0, 0, 0, 0, 0, 0,
                                                   0, 0, 0) &&
                           !rests;
                },
                kvtest::kScoreContent | kvtest::kModifiedFlag | kvtest::kSelectionRecords);
        });
        return true;
    }

    bool SelectionCommand()
    {
        // A selection now and then made for the command.
        if (Chance(60)) {
            SelectNothing();
            AddRecord();
            if (Chance(20))
                AddRecord();
        }
        const int voice = Chance(80) ? 1 : Pick(3);
        auto opened = [&](const std::string& what, const std::function<void()>& command) {
            Note(what + " voice " + std::to_string(voice));
            // The host backs up the whole document when every page is
            // selected, the selected measures otherwise.
            Run([&] {
                Doc().ResetBackup();
                if (Doc().m_bSelectAllPages)
                    Doc().ObjectBackup(1);
                else
                    Doc().SelMeasBackup(1);
                command();
            });
            return true;
        };
        auto own = [&](const std::string& what, const std::function<void()>& command) {
            Note(what + " voice " + std::to_string(voice));
            Run([&] {
                Doc().ResetBackup();
                command();
            });
            return true;
        };
        switch (Pick(20)) {
        case 0:
            return opened("make a chord", [&] { Doc().MakeChord(voice); });
        case 1:
            return opened("tie", [&] { Doc().BindByTie(voice, 8, 0, 14, 0); });
        case 2:
            return opened("slur", [&] { Doc().BindBySlur(voice, 8, 0, 0, 0); });
        case 3:
            return opened("beam", [&] { Doc().BindByBeamGroup(voice, 0); });
        case 4:
            return own("grace", [&] { Doc().ChangeToGrace(voice); });
        case 5:
            return own("plain form", [&] { Doc().ChangeToRaw(voice); });
        case 6:
            return VoiceOrSpelling(own, voice);
        case 7:
            return own("delete the selection", [&] {
                Refusable("deleting the selection", [&] { return Doc().DeleteMsgOnSelRect(voice) == 0; });
            });
        case 8:
        {
            // Left now and then, drawn from the stream of its own.
            const int direction = std::uniform_int_distribution<int>(0, 3)(variety) == 0 ? 1 : 2;
            return own(direction == 1 ? "nudge left" : "nudge right",
                       [&] { Refusable("a nudge", [&] { return Doc().DetailMsgMove(voice, direction) == 0; }); });
        }
        case 9:
            return own("colour", [&] { Doc().SetColorOfSelElement(static_cast<short>(voice), 0x303030); });
        case 10:
            return own("notes to rests and back", [&] { Doc().ChangeSelNoteToRest(static_cast<unsigned char>(voice)); });
        case 11:
            return own("duration", [&] {
                Refusable("a duration", [&] {
                    return Doc().ChangeDurationSelNote(voice, 2 + Pick(4), 1, Pick(2), 100, 0) == 0;
                });
            });
        case 12:
            return own("note size", [&] { Doc().SetNoteSize(static_cast<short>(voice), 12); });
        case 13:
            return own("stem direction", [&] { Doc().ChangeNoteDirection(voice, 1 + Pick(2)); });
        case 14:
            return own("rest type", [&] { Doc().ChangeNoteAttr(voice, 0x10, 1, 0, 0, 0, 0, 0); });
        case 15:
            return own("note mark", [&] { Doc().AddNoteMarkOnSelNote(static_cast<unsigned char>(voice), Pick(2), MSG_NOTEMARK, 27); });
        case 16:
            return own("slur direction", [&] { Doc().SelNoteChangeTieSlurDir(static_cast<short>(voice), Pick(2)); });
        case 17:
            return opened("dissolve beams", [&] { Doc().DisAssembleBeam(voice); });
        default:
            return opened("move up", [&] { Doc().DetailMsgMoveUpDown(voice, 3); });
        }
    }

    // The notes of the staves' measures, in the members of their chords and
    // groups too.
    std::vector<CKVMsg*> StaffNotes()
    {
        std::vector<CKVMsg*> notes;
        for (int st = 0; st < Staves(); ++st) {
            CKVStaff* staff = Master()->GetStaff(static_cast<short>(st));
            for (LONG m = 0; m < staff->GetMeasNum(); ++m)
                kvtest::AppendNotesUnder(*staff->GetMeas(m), notes);
        }
        return notes;
    }

    // A tie over two notes that a slur joins, or a slur over two tied notes,
    // as the host's tie and slur tools bind two clicked notes: pairs of a tie
    // and a slur on the same notes, which copies, drops, nudges and entries
    // must keep a tie and a slur. Now and then before a command, the link
    // chosen from the stream of its own; false when the staves hold no link
    // of that kind.
    bool JoinAgain(BYTE over)
    {
        // The notes by their place in the walk: the host's backup of the
        // document makes new live notes, which need not keep the ids.
        std::vector<std::pair<size_t, size_t>> links;
        const std::vector<CKVMsg*> notes = StaffNotes();
        auto placeOf = [&](DWORD id) {
            return static_cast<size_t>(std::find_if(notes.begin(), notes.end(),
                                                    [id](const CKVMsg* n) { return n->m_dwMsgId == id; }) -
                                       notes.begin());
        };
        for (size_t n = 0; n < notes.size(); ++n) {
            for (short i = 0; i < notes[n]->GetMsgNum(); ++i) {
                const CKVMsg* link = notes[n]->GetMsg(i);
                const size_t end = link ? placeOf(static_cast<DWORD>(link->m_lHeight)) : notes.size();
                if (link && link->m_byKind == over && link->m_dwWord == notes[n]->m_dwMsgId && end < notes.size())
                    links.emplace_back(n, end);
            }
        }
        if (links.empty())
            return false;
        const auto [first, second] =
            links[std::uniform_int_distribution<size_t>(0, links.size() - 1)(variety)];
        const bool slur = over == MSG_TIE;
        return Host(std::string(slur ? "a slur over the tied notes " : "a tie over the slurred notes ") +
                        std::to_string(first) + " and " + std::to_string(second) + " of the walk",
                    [&] { BindLive(first, second, slur); });
    }

    // The host's tie or slur tool on the notes at places `first` and
    // `second` of the staves' walk, read anew: the host's backup of the
    // document makes new live notes.
    void BindLive(size_t first, size_t second, bool slur)
    {
        const std::vector<CKVMsg*> live = StaffNotes();
        if (first >= live.size() || second >= live.size())
            return;
        CKVMsg* a = live[first];
        CKVMsg* b = live[second];
        if (slur) {
            Refusable("a slur", [&] { return Doc().BindNoteBySlur(a, b, 8, 0, 0, 0) == 0; });
            return;
        }
        // A tie takes away the ties its notes had and gives the second note
        // the first's key before it may refuse; only one over untied notes of
        // one key, or one that a note has no room for, must change nothing
        // when it does.
        const WORD ties = MSGFLAG_TIE_START | MSGFLAG_TIE_END;
        const bool plain = !(a->m_wFlag & ties) && !(b->m_wFlag & ties) && a->GetMidiKey() == b->GetMidiKey();
        const bool full = !kvrec::HasRoomFor(*a) || !kvrec::HasRoomFor(*b);
        Refusable("a tie", [&] { return Doc().BindNoteByTie(a, b, 8, 0, 14, 1, 0, 0) == 0 && (plain || full); });
    }

    // Voices, spelling and automatic ties, chosen from a stream of their own
    // so that the other commands draw as before.
    template <class Own>
    bool VoiceOrSpelling(Own& own, int voice)
    {
        switch (std::uniform_int_distribution<int>(0, 5)(variety)) {
        case 0:
            return own("voice to 1", [&] { Doc().ChangeVoice(voice, 1); });
        case 1: {
            const short direction = static_cast<short>(1 + std::uniform_int_distribution<int>(0, 2)(variety));
            return own("respell " + std::to_string(direction), [&] { Doc().ChangeAccidental(voice, direction); });
        }
        case 2:
            return own("automatic ties", [&] { Doc().AutoTieSlur(8, 0, 0, 0); });
        default:
            return own("voice to 2", [&] { Doc().ChangeVoice(voice, 2); });
        }
    }

    bool CopyPaste()
    {
        if (Chance(50)) {
            SelectNothing();
            AddRecord();
        }
        const unsigned char voice = static_cast<unsigned char>(Chance(70) ? 0 : 1 + Pick(2));
        const int cut = Chance(30) ? 1 : 0;
        CopyThenPaste(voice, cut);
        return true;
    }

    // A copy or cut of the selection, then a paste at a cursor drawn anew.
    void CopyThenPaste(unsigned char voice, int cut)
    {
        Note(std::string(cut ? "cut" : "copy") + " voice " + std::to_string(voice));
        Run([&] {
            Doc().ResetBackup();
            // What a cut takes away is counted as for a drag move below.
            const Contents before = cut ? NotesAndRests(Doc(), Merged::kAtPlaces) : Contents();
            bool made = false;
            // The copies a cut makes into its temporary system before it may
            // refuse mark the document modified, as every copy does.
            Refusable(
                "a cut",
                [&] {
                    const DWORD size = Doc().CopyDataToMem(image, voice, cut);
                    made = size != 0 && size != 0xFFFFFFFF;
                    imageSize = size == 0xFFFFFFFF ? imageSize : size;
                    return cut && !made;
                },
                kvtest::kEverything & ~kvtest::kModifiedFlag);
            if (!cut || !made)
                return;
            const std::unique_ptr<CKVSystem> carried = ReadImage(image);
            const Contents held = carried ? ImageContents(*carried, Merged::kAtPlaces) : Contents();
            ReportMissing("a cut takes away", Less(before, NotesAndRests(Doc(), Merged::kAtPlaces)),
                          "that its image does not carry", held);
        });
        if (imageSize == 0 || HasFailure())
            return;
        MoveCursor();
        if (Chance(50))
            Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
        const int autoBeam = Pick(2);
        Note("paste voice " + std::to_string(voice) + " beam " + std::to_string(autoBeam));
        Run([&] {
            Doc().ResetBackup();
            // Page symbols read before one that fails stay: only a paste of
            // an image without them must change nothing when it returns 0.
            const char tag[] = "PAGE";
            const bool pageSymbols = std::search(image, image + imageSize, tag, tag + 4) != image + imageSize;
            // Reading the image into a temporary system, which comes before a
            // refusal, marks the document modified.
            Refusable(
                "a paste",
                [&] {
                    const short pasted = Doc().PastMemoryTo(image, imageSize, voice, 0, autoBeam);
                    return pasted < 0 || (pasted == 0 && !pageSymbols);
                },
                kvtest::kEverything & ~kvtest::kModifiedFlag);
        });
    }

    bool DragDrop()
    {
        SelectNothing();
        AddRecord();
        const unsigned char voice = static_cast<unsigned char>(Chance(70) ? 0 : 1);
        const int move = Pick(2);
        DragThenDrop(voice, move);
        return true;
    }

    // A drag of the selection, then a drop at a cursor drawn anew.
    void DragThenDrop(unsigned char voice, int move)
    {
        Note(std::string(move ? "drag away" : "drag a copy") + " voice " + std::to_string(voice));
        // The drag opens the step that the drop joins: the two are checked as
        // one command.
        const std::vector<std::string> problems = kvtest::CheckedStep(Doc(), [&] {
            Doc().ResetBackup();
            // What a drag takes away and what its image carries are counted
            // with the notes of a voice at one place joined, as copying
            // joins them; what a drop adds as it stands.
            const Contents before = move ? NotesAndRests(Doc(), Merged::kAtPlaces) : Contents();
            int made = 0;
            // The copies that a drag makes before it may refuse mark the
            // document modified, as every copy does.
            Refusable(
                move ? "a drag move" : "a drag copy",
                [&] {
                    made = Doc().SelRectMouseDrag(voice, move);
                    return made != 1;
                },
                kvtest::kEverything & ~kvtest::kModifiedFlag);
            if (made != 1)
                return;
            std::unique_ptr<CKVSystem> image = DragImage();
            const Contents taken = move ? Less(before, NotesAndRests(Doc(), Merged::kAtPlaces)) : Contents();
            if (move && image)
                ReportMissing("a drag move takes away", taken, "that its image does not carry",
                              ImageContents(*image, Merged::kAtPlaces));
            // The host puts the cursor where the mouse lets go.
            MoveCursor();
            const int overwrite = Pick(2);
            const int autoBeam = Pick(2);
            // Now and then into one voice, which takes every voice dragged.
            const unsigned char into = Chance(70) ? voice : static_cast<unsigned char>(1 + Pick(2));
            Note("drop overwrite " + std::to_string(overwrite) + " beam " + std::to_string(autoBeam) + " voice " +
                 std::to_string(into));
            // A drop with no block or staff at the cursor keeps the image for
            // another try, which the host may or may not make: only a drop
            // into a staff is judged by what the move keeps.
            const bool staff = DropStaff() != nullptr;
            const bool whole = image && LandsWhole(*image);
            const Contents leftAsItStands = NotesAndRests(Doc(), Merged::kInChords);
            int dropped = 0;
            // The drag may change the score (a move takes the music away);
            // a drop that refuses changes nothing more, but for the modified
            // flag that reading its image sets.
            Refusable(
                "a drop",
                [&] {
                    dropped = Doc().SelRectMouseDrop(into, overwrite, autoBeam);
                    return dropped == 0;
                },
                kvtest::kEverything & ~kvtest::kModifiedFlag);
            if (!move || !staff || !image)
                return;
            // The move took the music away at the drag; a drop refused
            // keeps it in the drag image, which carries all of it (checked
            // above), for another drop.
            if (dropped == 0) {
                if (!Doc().m_pDragImage)
                    Report({"a refused drop after a drag move dropped the image that holds the moved music"});
                return;
            }
            // A drop with overwrite leaves out the moved music that runs past
            // its target measure and what that music covers.
            if (whole && !overwrite)
                ReportMissing("a drop without overwrite leaves out", ImageContents(*image, Merged::kInChords),
                              "that the moved image carries",
                              Less(NotesAndRests(Doc(), Merged::kInChords), leftAsItStands));
        });
        Report(problems);
        Doc().FreeDragImage();
    }

    // The drag image read into a temporary system.
    std::unique_ptr<CKVSystem> DragImage() { return ReadImage(Doc().m_pDragImage); }

    // A clipboard or drag image read into a temporary system, as a paste or a
    // drop reads it; null when it cannot be read (or there is none). Reading
    // marks the document modified, which the check leaves as it found it.
    std::unique_ptr<CKVSystem> ReadImage(unsigned char* bytes)
    {
        if (!bytes)
            return nullptr;
        const BOOL modified = Doc().m_bModified;
        std::unique_ptr<CKVSystem> temp(kvclip::NewTempSystem(Doc()));
        DWORD pos = 0;
        const bool read = temp && temp->Construct(bytes, pos, kvrec::GetU32(bytes)) >= 0;
        Doc().m_bModified = modified;
        return read ? std::move(temp) : nullptr;
    }

    // The block a drop at the cursor pastes into: the cursor's, else the
    // current page's at the cursor's index.
    CKVBlock* DropBlock()
    {
        CKVPage* page = Doc().GetCurrentPage();
        return Doc().m_pCurBlock ? Doc().m_pCurBlock : (page ? page->GetBlock(Doc().m_nCurBlock) : nullptr);
    }

    // The first staff a drop at the cursor pastes into; null when there is
    // none.
    CKVStaff* DropStaff()
    {
        CKVBlock* block = DropBlock();
        const short staff = Doc().m_nCurStaff;
        return block && staff >= 0 && staff < block->GetStaffNum() ? block->GetStaff(staff) : nullptr;
    }

    // Whether the drop at the cursor has a measure for every measure of the
    // image that holds symbols: a paste leaves out what comes past the
    // block's last staff or the staff's last measure, and a measure of no
    // length or a multi-measure rest takes nothing.
    bool LandsWhole(CKVSystem& image)
    {
        CKVBlock* block = DropStaff() ? DropBlock() : nullptr;
        if (!block)
            return false;
        const LONG first = block->m_nFirstMeas + Doc().m_nCurMeas;
        for (short k = 0; k < image.GetStaffNum(); ++k) {
            CKVStaff* source = image.GetStaff(k);
            const int s = Doc().m_nCurStaff + k;
            CKVStaff* target = s < block->GetStaffNum() ? block->GetStaff(static_cast<short>(s)) : nullptr;
            for (LONG j = 0; source && j < source->GetMeasNum(); ++j) {
                if (source->GetMeas(j)->m_arrMsgRef.GetSize() == 0)
                    continue;
                CKVMeas* meas = target && first + j < target->GetMeasNum() ? target->GetMeas(first + j) : nullptr;
                if (!meas || meas->m_nLength <= 0 || meas->IsRestCompMeas(nullptr) != 0)
                    return false;
            }
        }
        return true;
    }

    // Reports each note or rest of `expected` that `found` holds fewer of.
    void ReportMissing(const std::string& what, const Contents& expected, const std::string& whose,
                       const Contents& found)
    {
        std::vector<std::string> problems;
        for (const auto& [id, count] : expected) {
            const auto there = found.find(id);
            const int held = there == found.end() ? 0 : there->second;
            if (held < count)
                problems.push_back(what + " " + std::to_string(count - held) + " of the " + std::to_string(count) +
                                   " " + Named(id) + " " + whose);
        }
        Report(problems);
    }

    // A line drawn into a measure with the drag template, or one moved whole
    // into a measure (now and then with Alt held, which copies it), as a host
    // drags a shape with the mouse; the choices drawn from a stream of their
    // own. A drop into a measure that cannot take another symbol is refused:
    // it changes nothing, and above all loses no moved line.
    void DragALine()
    {
        auto draw = [&](int count) {
            return count <= 0 ? 0 : std::uniform_int_distribution<int>(0, count - 1)(lineDrags);
        };
        CKVMsg* moved = nullptr;
        if (draw(3) > 0)
            moved = PointAtALine(draw);
        if (!moved && Pages() > 0)
            Doc().JumpToPage(draw(Pages()));
        CKVPage* page = Doc().GetCurrentPage();
        CKVBlock* block = page && page->GetBlockNum() > 0
                              ? page->GetBlock(static_cast<short>(draw(page->GetBlockNum())))
                              : nullptr;
        if (!block || block->GetStaffNum() == 0 || block->m_nMeasCount <= 0 ||
            block->m_arrMeasX.GetSize() <= block->m_nMeasCount ||
            block->m_arrStaffY.GetSize() < block->GetStaffNum())
            return;
        // Most crowded measures are among the first three.
        const int at = draw(10) < 6 ? draw(std::min<int>(3, block->m_nMeasCount)) : draw(block->m_nMeasCount);
        const int staff = draw(block->GetStaffNum());
        const int left = static_cast<short>(block->m_arrMeasX[at]);
        const int right = static_cast<short>(block->m_arrMeasX[at + 1]);
        const CPoint target(page->m_rcPrint.left + block->m_rcBlock.left + left +
                                (right - left) * (1 + draw(7)) / 9,
                            page->m_rcPrint.top + block->m_rcBlock.top +
                                static_cast<short>(block->m_arrStaffY[staff]) + 4 * (draw(9) - 4));
        const bool copy = moved && draw(4) == 0;
        Note(std::string(moved ? (copy ? "copy a line with Alt" : "move a line") : "draw a line") + " to " +
             std::to_string(target.x) + "," + std::to_string(target.y) + " (measure " +
             std::to_string(block->m_nFirstMeas + at) + " of block staff " + std::to_string(staff) + ")");
        const int linesBefore = Lines(Doc());
        Run([&] {
            Doc().ResetBackup();
            // A backed-up measure's clone saves to other bytes: the score is
            // compared by its content.
            Refusable(
                moved ? (copy ? "a line copied with Alt" : "a line moved") : "a line drawn",
                [&] {
                    DropALine(moved, copy, target);
                    return !moved || copy ? Lines(Doc()) == linesBefore : false;
                },
                (kvtest::kEverything & ~kvtest::kSavedBytes) | kvtest::kScoreContent);
        });
        if (moved && !copy && Lines(Doc()) != linesBefore)
            Report({"a line moved by the drag template into a measure leaves " + std::to_string(Lines(Doc())) +
                    " lines of " + std::to_string(linesBefore)});
    }

    // The template's press, move and release: a new line from the target
    // point rightwards, or the moved line grabbed by its body so that its
    // first point lands on the target.
    void DropALine(CKVMsg* moved, bool copy, CPoint target)
    {
        std::unique_ptr<kvtest::TestDC> view = kvtest::MakeRecordingDC(1000, 1300, 96);
        CTempLineMsg line;
        if (copy)
            host.HoldKey(VK_MENU);
        constexpr int kBody = 2;
        line.BeginDrag(target, &Doc(), 100, moved, moved ? kBody : 0);
        host.ReleaseKey(VK_MENU);
        const CPoint to = moved ? target + (target - line.GetOriginalPoint()) : target + CPoint(24, 0);
        line.Drag(view.get(), to);
        line.EndDrag(to);
    }

    // A line of a measure that a page shows, with the cursor put on it as the
    // host's hit test puts it; null when the score holds none.
    template <class Draw>
    CKVMsg* PointAtALine(Draw& draw)
    {
        std::vector<std::pair<CKVMsg*, CKVMeas*>> found;
        for (int st = 0; st < Staves(); ++st) {
            CKVStaff* staff = Master()->GetStaff(static_cast<short>(st));
            for (LONG m = 0; m < staff->GetMeasNum(); ++m)
                for (CKVMsg* msg : kvtest::OwnedSymbols(*staff->GetMeas(m)))
                    if (msg->m_byKind == MSG_LINE)
                        found.emplace_back(msg, staff->GetMeas(m));
        }
        if (found.empty())
            return nullptr;
        const auto [line, meas] = found[static_cast<size_t>(draw(static_cast<int>(found.size())))];
        return CursorOn(meas, "a line of") ? line : nullptr;
    }

    // Where a page shows a measure: the page, the block, the measure's
    // index in the block and its staff there.
    struct Shown {
        int page = 0;
        CKVBlock* block = nullptr;
        int meas = 0;
        short staff = 0;
    };

    // The first page that shows the measure; false when none does.
    bool ShownAt(CKVMeas* meas, Shown& shown)
    {
        for (int p = 0; meas && p < Pages(); ++p) {
            CKVPage* page = Doc().GetPage(static_cast<short>(p));
            short staff = 0;
            CKVBlock* block = page->GetBlockOfMeas(meas, &staff);
            if (!block || staff >= block->GetStaffNum())
                continue;
            shown = {p, block, static_cast<int>(block->GetStaff(staff)->GetMeasIndex(meas) - block->m_nFirstMeas), staff};
            return true;
        }
        return false;
    }

    // The cursor put on a measure where a page shows it, as the host's hit
    // test puts it; false when no page shows it.
    bool CursorOn(CKVMeas* meas, const std::string& what)
    {
        Shown shown;
        if (!ShownAt(meas, shown))
            return false;
        Doc().JumpToPage(shown.page);
        CKVPage* page = Doc().GetPage(static_cast<short>(shown.page));
        for (short b = 0; b < page->GetBlockNum(); ++b)
            if (page->GetBlock(b) == shown.block)
                Doc().m_nCurBlock = b;
        Doc().m_pCurBlock = shown.block;
        Doc().m_nCurStaff = shown.staff;
        Doc().m_pCurStaff = shown.block->GetStaff(shown.staff);
        Doc().m_pCurMeas = meas;
        Doc().m_nCurMeas = static_cast<short>(shown.meas);
        Note("cursor on " + what + " measure " + std::to_string(Doc().m_pCurStaff->GetMeasIndex(meas)) +
             " of block staff " + std::to_string(shown.staff) + " on page " + std::to_string(shown.page));
        return true;
    }

    // --- Commands aimed at holders at their limits ------------------------------

    // Now and then in a crowded run, besides the step's command: a command
    // aimed at a holder that stands at its limit, every choice drawn from a
    // stream of its own, so that the other commands draw as before. A group
    // with rests loses one of its notes at the caret, or by a delete, a cut
    // or a drag move of a rectangle around it; a note that carries 240
    // symbols or more is tied or slurred to its neighbour, marked, or named a
    // chord; a voice within a whole of its ticks gets a whole rest by measure
    // number or over a range of measures.
    void AimAtAHolder()
    {
        std::mt19937* const commands = draws;
        draws = &holders;
        const kvtest::HoldersAtLimits found = kvtest::FindHoldersAtLimits(Doc());
        const int kind = Pick(10);
        if (kind < 4)
            AimAtAGroup(found.groupNotes, kind);
        else if (kind < 8)
            AimAtACarryingNote(found.carrying, kind - 4);
        else
            AimAtAFullVoice(found.fullVoices, kind == 8);
        draws = commands;
    }

    template <class T>
    T Any(const std::vector<T>& items)
    {
        return items[static_cast<size_t>(Pick(static_cast<int>(items.size())))];
    }

    void AimAtAGroup(const std::vector<CKVMsg*>& notes, int path)
    {
        if (notes.empty())
            return;
        CKVMsg* note = Any(notes);
        const unsigned char voice = note->m_byVoice;
        if (path == 0) {
            if (!CursorOn(tickmath::MeasureOf(note), "a group with rests in"))
                return;
            Doc().m_nCaretPos = note->m_nPosX;
            ++met.atTheCaret;
            Note("delete at caret " + std::to_string(note->m_nPosX) + " voice " + std::to_string(voice));
            Run([&] {
                Doc().ResetBackup();
                Refusable("a delete at the caret", [&] { return Doc().DeleteMsgOnCaret(voice, 0, 0, 0) == 0; });
            });
            return;
        }
        if (path >= 1 && Chance(25)) {
            DeleteAVoiceOfTheStaff(note);
            return;
        }
        if (!SelectAround(note, "a note of a group with rests"))
            return;
        if (path == 1) {
            ++met.deleted;
            Note("delete the selection voice " + std::to_string(voice));
            Run([&] {
                Doc().ResetBackup();
                Refusable("deleting the selection", [&] { return Doc().DeleteMsgOnSelRect(voice) == 0; });
            });
        } else if (path == 2) {
            ++met.cut;
            CopyThenPaste(voice, 1);
        } else {
            ++met.dragged;
            DragThenDrop(voice, 1);
        }
    }

    // A voice deleted over the staff of a group with rests, selected whole:
    // the group's own voice or another one. A staff's delete
    // takes whole symbols and tidies no group, so it hands nothing back and
    // is never refused; a staff that a block shows then holds nothing of
    // the voice (the delete walks the staves its pages show).
    void DeleteAVoiceOfTheStaff(CKVMsg* note)
    {
        CKVMeas* meas = tickmath::MeasureOf(note);
        Shown shown;
        const bool walked = ShownAt(meas, shown);
        short at = -1;
        for (short st = 0; st < Staves() && at < 0; ++st)
            at = Master()->GetStaff(st)->GetMeasIndex(meas) >= 0 ? st : at;
        if (at < 0)
            return;
        CKVStaff* staff = Master()->GetStaff(at);
        // Crowded measures hold voices 1 and 2; a voice of little or nothing
        // beside them leaves them as full as they are.
        const short voice = static_cast<short>(Chance(30)   ? note->m_byVoice
                                               : Chance(30) ? note->m_byVoice % 2 + 1
                                                            : 3 + Pick(6));
        SelectNothing();
        RECT none {0, 0, 0, 0};
        Doc().AddSelRect(SelRect::kStaff, &none, nullptr, staff, nullptr);
        ++met.staffDeletes;
        Note("delete voice " + std::to_string(voice) + " over the staff selected whole, a group of voice " +
             std::to_string(note->m_byVoice) + " with rests on it");
        Run([&] {
            Doc().ResetBackup();
            if (Doc().DeleteMsgOnSelRect(voice) == 0) {
                Report({"a delete over a whole staff refused"});
                return;
            }
            // The delete went on in the staff's live copy.
            staff = Master()->GetStaff(at);
            for (LONG m = 0; walked && m < staff->GetMeasNum(); ++m) {
                tickmath::ForEachChild(*staff->GetMeas(m), [&](CKVMsg* msg, short) {
                    if (msg->m_byVoice == voice)
                        Report({"a symbol of kind " + std::to_string(msg->m_byKind) +
                                " of the voice left on the staff"});
                    return false;
                });
            }
        });
    }

    // A rectangle around the point at which the selection finds `note`, on
    // the page that shows it, selected alone; false where no page shows it.
    bool SelectAround(CKVMsg* note, const std::string& what)
    {
        CKVMeas* meas = tickmath::MeasureOf(note);
        Shown shown;
        CRect handle;
        if (!ShownAt(meas, shown) ||
            !selhit::HandleOnPage(*shown.block, shown.meas, shown.staff, *meas, *note, handle))
            return false;
        const POINT p = selhit::HitPoint(handle);
        SelectNothing();
        Doc().JumpToPage(shown.page);
        RECT r {p.x - 1, p.y - 1, p.x + 2, p.y + 2};
        Doc().AddSelRect(SelRect::kRect, &r, nullptr, nullptr, nullptr);
        Note("select a rectangle " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
             std::to_string(r.right) + "," + std::to_string(r.bottom) + " around " + what + " on page " +
             std::to_string(shown.page));
        return true;
    }

    void AimAtACarryingNote(const std::vector<CKVMsg*>& notes, int command)
    {
        if (notes.empty())
            return;
        CKVMsg* note = Any(notes);
        if (command < 2)
            BindCarryingNote(note, command == 1);
        else if (command == 3)
            NameChords(notes);
        else if (Chance(25))
            TupletsOverCarryingNote(note);
        else
            MarkCarryingNote(note);
    }

    // Selects the measure that holds `note` whole, on the block that shows
    // it; false where no page shows it.
    bool SelectTheMeasureOf(CKVMsg* note)
    {
        CKVMeas* meas = tickmath::MeasureOf(note);
        Shown shown;
        if (!ShownAt(meas, shown))
            return false;
        SelectMeasure(meas, shown.block);
        return true;
    }

    // Duplets or triplets over the measure of a carrying note, selected
    // whole. The tuplet's reference is one more symbol for each note it
    // goes to: over a full note that carries no tuplet yet and stands alone
    // the command is refused and changes nothing.
    void TupletsOverCarryingNote(CKVMsg* note)
    {
        bool carriesATuplet = false;
        for (int i = 0; i < note->m_arrMsgRef.GetSize(); ++i) {
            const MsgRef* ref = note->m_arrMsgRef.GetAt(i);
            const CKVMsg* child = ref ? note->m_pSystem->GetMsgFromMap(ref->dwMsgId) : nullptr;
            carriesATuplet = carriesATuplet || (child && child->m_byKind == MSG_TUPLET);
        }
        const bool inAChord = (note->m_wFlag & MSGFLAG_CHORD_MEMBER) ||
                              (note->m_pParent && note->m_pParent->m_byObjKind == OBJ_MSG &&
                               static_cast<CKVMsg*>(note->m_pParent)->m_byKind == MSG_CHORD);
        const bool refused = !kvrec::HasRoomFor(*note) && !carriesATuplet && !inAChord;
        const std::string symbols = std::to_string(note->m_arrMsgRef.GetSize());
        if (!SelectTheMeasureOf(note))
            return;
        const int voice = note->m_byVoice;
        const WORD word = Chance(50) ? 0x0302 : 0x0203;
        Note(std::string(word == 0x0302 ? "duplets" : "triplets") + " over the measure of a note carrying " +
             symbols + " symbols voice " + std::to_string(voice) + (refused ? ", which it cannot take" : ""));
        ++met.tuplets;
        // The step backs the measure up: it is found again by its place.
        const int staff = MasterStaffOf(tickmath::MeasureOf(note));
        const LONG index = staff < 0 ? -1 : Master()->GetStaff(staff)->GetMeasIndex(tickmath::MeasureOf(note));
        Run([&] {
            Doc().ResetBackup();
            Doc().SelMeasBackup(1);
            Refusable("a tuplet for a full note", [&] {
                Doc().SetTuplet(static_cast<BYTE>(voice), word, 0, 1);
                return refused;
            });
        });
        // The host's step that makes the measure's tuplets again by ticks,
        // over the full note too where the command was refused.
        if (index < 0)
            return;
        Note("the tuplets of the measure made again voice " + std::to_string(voice));
        Run([&] {
            Doc().ResetBackup();
            Doc().SelMeasBackup(1);
            Doc().SelMeasTuplet(static_cast<unsigned char>(voice));
            JudgeTupletRuns(*Master()->GetStaff(staff)->GetMeas(index), static_cast<BYTE>(voice));
        });
    }

    // The master staff that holds a measure; -1 for none.
    int MasterStaffOf(CKVMeas* meas)
    {
        for (int st = 0; meas && st < Staves(); ++st)
            if (Master()->GetStaff(static_cast<short>(st))->GetMeasIndex(meas) >= 0)
                return st;
        return -1;
    }

    // Judges the tuplets of a voice made again in a measure. Its symbols of
    // a tuplet word, in time order, fall into runs that close once they hold
    // the word's count of their shortest symbol. Each run holds one tuplet,
    // which no other symbol holds, or none when one of its notes is full: a
    // full note still counts its ticks, so no run slides past it. Grace
    // notes, which never share a run with others, are left unjudged.
    void JudgeTupletRuns(CKVMeas& meas, BYTE voice)
    {
        std::vector<std::vector<CKVMsg*>> runs;
        WORD word = 0;
        int shortest = 0;
        int ticks = 0;
        meas.ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
        for (DWORD id : measplace::WalkIds(meas)) {
            CKVMsg* msg = meas.m_pSystem->GetMsgFromMap(id);
            if (!msg || !tickmath::IsNoteRestChord(*msg) || msg->m_byVoice != voice || msg->m_wObjWord == 0)
                continue;
            CKVMsg* carrier = tuplets::Carrier(msg, false);
            if (!carrier || tickmath::IsGrace(*msg))
                return;
            const int play = msg->GetPlayTime();
            if (!runs.empty() && msg->m_wObjWord == word && ticks < (word & 0xFF) * std::min(shortest, play)) {
                runs.back().push_back(carrier);
                shortest = std::min(shortest, play);
                ticks += play;
                continue;
            }
            runs.push_back({carrier});
            word = msg->m_wObjWord;
            shortest = ticks = play;
        }
        std::map<const CKVMsg*, int> holders;
        for (const auto& run : runs)
            for (CKVMsg* carrier : run)
                for (CKVMsg* tuplet : TupletsOf(*carrier))
                    ++holders[tuplet];
        for (const auto& run : runs) {
            const std::vector<CKVMsg*> first = TupletsOf(*run.front());
            const bool full =
                std::any_of(run.begin(), run.end(), [](CKVMsg* c) { return !kvrec::HasRoomFor(*c); });
            const bool whole =
                first.size() == 1 && holders[first.front()] == static_cast<int>(run.size()) &&
                std::all_of(run.begin(), run.end(), [&](CKVMsg* c) { return TupletsOf(*c) == first; });
            const bool none = std::all_of(run.begin(), run.end(), [](CKVMsg* c) { return TupletsOf(*c).empty(); });
            if (!whole && !(none && full))
                Report({"a run of " + std::to_string(run.size()) + " symbols of tuplet word " +
                        std::to_string(word) + " made again into other tuplets than its own"});
        }
    }

    static std::vector<CKVMsg*> TupletsOf(CKVMsg& carrier)
    {
        std::vector<CKVMsg*> found;
        tickmath::ForEachChild(carrier, [&](CKVMsg* child, short) {
            if (child->m_byKind == MSG_TUPLET)
                found.push_back(child);
            return false;
        });
        return found;
    }

    // A tie or slur from a carrying note to its neighbour in the walk or to
    // it from its neighbour, by the host's tool or over its measure
    // selected whole.
    void BindCarryingNote(CKVMsg* note, bool slur)
    {
        const std::string symbols = std::to_string(note->m_arrMsgRef.GetSize());
        if (Chance(30)) {
            if (!SelectTheMeasureOf(note))
                return;
            const int voice = note->m_byVoice;
            Note(std::string(slur ? "slur" : "tie") + " over the measure of a note carrying " + symbols +
                 " symbols voice " + std::to_string(voice));
            ++(slur ? met.slurred : met.tied);
            Run([&] {
                Doc().ResetBackup();
                Doc().SelMeasBackup(1);
                if (slur)
                    Doc().BindBySlur(voice, 8, 0, 0, 0);
                else
                    Doc().BindByTie(voice, 8, 0, 14, 0);
            });
            return;
        }
        const std::vector<CKVMsg*> notes = StaffNotes();
        const size_t at = static_cast<size_t>(std::find(notes.begin(), notes.end(), note) - notes.begin());
        if (at >= notes.size() || notes.size() < 2)
            return;
        const bool second = at + 1 == notes.size() || (at > 0 && Chance(50));
        const size_t first = second ? at - 1 : at;
        ++(slur ? met.slurred : met.tied);
        Host(std::string(slur ? "a slur from note " : "a tie from note ") + std::to_string(first) + " to " +
                 std::to_string(first + 1) + " of the walk, one carrying " + symbols + " symbols",
             [&] { BindLive(first, first + 1, slur); });
    }

    // A mark on a carrying note, selected by a rectangle around it or with
    // its measure selected whole. One that no selected note can take (each
    // holds all the symbols its record counts and no mark of the family it
    // would take away) is refused: it changes nothing and records no step.
    void MarkCarryingNote(CKVMsg* note)
    {
        CKVMeas* meas = tickmath::MeasureOf(note);
        Shown shown;
        if (!ShownAt(meas, shown))
            return;
        const unsigned char voice = note->m_byVoice;
        std::vector<CKVMsg*> notes;
        if (Chance(50)) {
            if (!SelectAround(note, "a note carrying " + std::to_string(note->m_arrMsgRef.GetSize()) + " symbols"))
                return;
            // A note placed past its measure's end stands over the next
            // one, and an ossia over the measure may stand under the
            // rectangle too: it is tested against every measure of every
            // staff that the page's blocks and ossia blocks show.
            const SelRect& rect = *static_cast<SelRect*>(Doc().m_pSelRectArray->GetAt(0));
            CKVPage* page = Doc().GetPage(static_cast<short>(shown.page));
            std::vector<CKVBlock*> blocks;
            for (short b = 0; b < page->GetBlockNum(); ++b)
                blocks.push_back(page->GetBlock(b));
            for (int b = 0; b < page->m_arrOssiaBlock.GetSize(); ++b)
                blocks.push_back(page->m_arrOssiaBlock.GetAt(b));
            for (CKVBlock* block : blocks) {
                for (short st = 0; block && st < block->GetStaffNum(); ++st) {
                    CKVStaff* staff = block->GetStaff(st);
                    for (int m = 0; staff && m < block->m_nMeasCount; ++m) {
                        CKVMeas* other = staff->GetMeas(block->m_nFirstMeas + m);
                        if (!other)
                            continue;
                        std::vector<CKVMsg*> under;
                        kvtest::AppendNotesUnder(*other, under);
                        const CRect test = selhit::TestRect(rect, *block, staff, other, selhit::kRightEdgeIncluded);
                        for (CKVMsg* n : under)
                            if (selhit::IsHit(*block, m, st, *other, *n, test))
                                notes.push_back(n);
                    }
                }
            }
        } else {
            kvtest::AppendNotesUnder(*meas, notes);
            SelectMeasure(meas, shown.block);
            Note("select the measure of a note carrying " + std::to_string(note->m_arrMsgRef.GetSize()) + " symbols");
        }
        std::erase_if(notes, [&](CKVMsg* n) { return n->m_byVoice != voice; });
        const bool refused = NoNoteTakesTheMark(notes);
        const int below = Pick(2);
        ++met.marked;
        Note("note mark voice " + std::to_string(voice) + (refused ? ", which no selected note can take" : ""));
        Run([&] {
            Doc().ResetBackup();
            Refusable("a mark that no selected note can take", [&] {
                Doc().AddNoteMarkOnSelNote(voice, below, MSG_NOTEMARK, kMarkType);
                return refused;
            });
        });
    }

    // The mark that the mark commands add, and the family of marks a note
    // carries one of that it belongs to: a note carrying one of them gives it
    // up instead of taking another.
    static constexpr WORD kMarkType = 27;
    static bool OfTheMarksFamily(const CKVMsg& child)
    {
        return child.m_byKind == MSG_NOTEMARK && child.m_wHeadType >= 25 && child.m_wHeadType <= 28;
    }

    // Whether none of the notes takes a mark: there is one at least, none is
    // in a chord, and each holds all the symbols its record counts and no
    // mark of the family.
    static bool NoNoteTakesTheMark(const std::vector<CKVMsg*>& notes)
    {
        return !notes.empty() && std::none_of(notes.begin(), notes.end(), [](CKVMsg* n) {
            const std::vector<CKVMsg*> children = kvtest::OwnedSymbols(*n);
            return kvrec::HasRoomFor(*n) || (n->m_wFlag & MSGFLAG_CHORD_MEMBER) ||
                   (n->m_pParent && n->m_pParent->m_byObjKind == OBJ_MSG &&
                    static_cast<CKVMsg*>(n->m_pParent)->m_byKind == MSG_CHORD) ||
                   std::any_of(children.begin(), children.end(), [](CKVMsg* c) { return OfTheMarksFamily(*c); });
        });
    }

    // The chord names of the first staff, made anew; met when a carrying
    // note stands there.
    void NameChords(const std::vector<CKVMsg*>& carrying)
    {
        CKVStaff* first = Master()->GetStaff(0);
        if (std::none_of(carrying.begin(), carrying.end(),
                         [&](CKVMsg* n) { return first->GetMeasIndex(tickmath::MeasureOf(n)) >= 0; }))
            return;
        ++met.named;
        Note("name the chords of the first staff");
        Run([&] {
            CKVAutoCodeName& namer = Doc().m_AutoCodeName;
            if (!namer.Open(&Doc()))
                return;
            namer.Process(0);
            namer.Close();
        });
    }

    // A whole rest by measure number into a voice within a whole of its
    // ticks, or whole rests over a range of measures around one whose first
    // voice is, both after the host's backup. The host prepares its rest
    // after the voice's last entry, where the voice's time ends.
    void AimAtAFullVoice(std::vector<std::pair<CKVMeas*, BYTE>> voices, bool byNumber)
    {
        if (!byNumber)
            std::erase_if(voices, [](const auto& full) { return full.second != 1; });
        if (voices.empty())
            return;
        const auto [meas, voice] = Any(voices);
        int staff = -1;
        int index = -1;
        for (int s = 0; s < Staves() && staff < 0; ++s) {
            index = Master()->GetStaff(static_cast<short>(s))->GetMeasIndex(meas);
            staff = index >= 0 ? s : -1;
        }
        if (staff < 0)
            return;
        if (byNumber) {
            ++met.restsByNumber;
            Host("a whole rest of voice " + std::to_string(voice) + " added to measure " + std::to_string(index) +
                     " of staff " + std::to_string(staff) + " by its number",
                 [&, voice = voice] {
                     CKVMeas* live = Master()->GetStaff(static_cast<short>(staff))->GetMeas(index);
                     CKVMsg rest(live, POINT {EndOfVoice(*live, voice), 0}, MSG_REST, 0, DUR_WHOLE, voice, 0, 0, 0x0101,
                                 0, -1);
                     rest.UpdateRestPosY(0);
                     rest.m_nStartTime = static_cast<short>(kvtest::VoiceTicks(*live)[voice - 1U]);
                     rest.m_nPerformStart = rest.m_nStartTime;
                     Refusable("a rest added by measure number", [&] {
                         return Doc().InsertNewMsg(static_cast<short>(staff), index, &rest) == nullptr;
                     });
                 });
            return;
        }
        static constexpr unsigned char kBeatUnits[] = {1, 2, 4};
        const short first = static_cast<short>(std::max(0, index - Pick(2)));
        const short end = static_cast<short>(index + 1 + Pick(2));
        const unsigned char unit = kBeatUnits[Pick(3)];
        ++met.restsOverMeasures;
        Host("whole rests over measures " + std::to_string(first) + ".." + std::to_string(end - 1) + " beat unit " +
                 std::to_string(unit),
             [&] { Doc().InsertRestToMeas(first, end, unit); });
    }

    // The position after the last entry of a voice of a measure, a group's
    // members taken at their own, and at least the measure's end.
    static LONG EndOfVoice(CKVMeas& meas, BYTE voice)
    {
        LONG end = CKVMeas::SCALE;
        for (CKVMsg* msg : kvtest::OwnedSymbols(meas)) {
            std::vector<CKVMsg*> entries {msg};
            if (msg->m_byKind == MSG_BEAM)
                entries = kvtest::OwnedSymbols(*msg);
            for (CKVMsg* entry : entries)
                if (entry->m_byVoice == voice && tickmath::IsNoteRestChord(*entry))
                    end = std::max<LONG>(end, entry->m_nPosX + 1);
        }
        return end;
    }

    // --- Queries ----------------------------------------------------------------

    // The answers a host asks for between commands, to enable its menus and
    // show counts: the selection's contents, the undo state, the structure
    // and what each measure and note offers. Each may change nothing.
    void AskQueries()
    {
        CKVDoc& doc = Doc();
        std::vector<CKVMeas*> measures;
        std::vector<std::pair<CKVMsg*, CKVMsg*>> pairs;
        for (int st = 0; st < Staves(); ++st) {
            std::vector<CKVMsg*> notes;
            for (LONG m = 0; m < Master()->GetStaff(static_cast<short>(st))->GetMeasNum(); ++m) {
                CKVMeas* meas = Master()->GetStaff(static_cast<short>(st))->GetMeas(m);
                measures.push_back(meas);
                kvtest::AppendNotesUnder(*meas, notes);
            }
            for (size_t n = 1; n < notes.size(); ++n)
                pairs.emplace_back(notes[n - 1], notes[n]);
        }
        int first = 0;
        int last = 0;
        short beats = 0;
        short unit = 0;
        int size = 0;
        DWORD total = 0;
        CString lyricist;
        CString composer;
        CKVMsg* found = nullptr;
        const std::vector<std::pair<const char*, std::function<void()>>> queries {
            {"GetEnableOctaveOnSelNote",
             [&] {
                 short up = 0;
                 short down = 0;
                 for (int voice = 0; voice <= 2; ++voice)
                     doc.GetEnableOctaveOnSelNote(voice, &up, &down);
             }},
            {"GetSelMsgCount and GetSelNote",
             [&] {
                 for (int i = 0, n = doc.GetSelMsgCount(); i < n; ++i)
                     doc.GetSelNote(i, 0);
                 for (short r = 0; doc.m_pSelRectArray && r < doc.m_pSelRectArray->GetSize(); ++r)
                     doc.GetSelMsgCount(r);
             }},
            {"IsNoteOnSel, IsRestOnSel and IsBeamOnSel",
             [&] {
                 for (int voice = 0; voice <= 2; ++voice) {
                     doc.IsNoteOnSel(0, voice, &found);
                     doc.IsRestOnSel(0, voice, &found);
                     doc.IsBeamOnSel(0, voice, &found);
                 }
             }},
            {"the selected measures and staves",
             [&] {
                 doc.GetSelMeasCount();
                 doc.GetSelMeasNumRange(first, last);
                 doc.GetSelMeasNumRangeInOssia(first, last);
                 doc.GetSelStaffNumRange(first, last);
                 for (int i = 0, n = doc.GetSelStavesCount(0); i < n; ++i)
                     doc.GetSelStaffNum(i);
                 for (int st = 0; st < Staves(); ++st) {
                     doc.GetStaffSelStatus(st, 0);
                     doc.IsStaffSelected(static_cast<short>(st));
                 }
                 doc.GetMeasCountOnSelBlock();
             }},
            {"the selection's menu states",
             [&] {
                 doc.IsSelected();
                 doc.IsSelectAllPages();
                 doc.IsOssiaSelected();
                 doc.IsEnableStaffHide();
                 doc.IsStaffVisible();
                 doc.IsSelChanged();
             }},
            {"the undo menu states",
             [&] {
                 doc.IsMultiEnableUndo();
                 doc.IsMultiEnableRedo();
                 doc.IsReqBackup();
                 doc.IsUndoEnableMeasDel(0, Measures() - 1, 0);
                 doc.IsUndoEnablePageDel(0, Pages() - 1);
                 doc.IsUndoEnableStaffDel(0, Staves() - 1, 0);
                 doc.IsRestComp(1, 0);
                 doc.IsRestComp(0, 0);
             }},
            {"the counts",
             [&] {
                 doc.GetMeasCount(0, 0);
                 doc.GetMeasCount(0, 1);
                 doc.GetMeasCountInOssia();
                 doc.GetStavesCount(0);
                 doc.GetPageNum();
                 doc.GetCurrentPageNum();
                 doc.GetBlockCountOnCurrentPage();
                 doc.GetMeasCountOnCurrentBlock();
                 doc.GetCurrentMeasNum();
                 doc.GetCurrentStaffNum();
                 doc.GetMemorySize(total);
                 doc.GetTittle(lyricist, composer);
             }},
            {"what each staff and measure offers",
             [&] {
                 for (int st = 0; st < Staves(); ++st) {
                     doc.GetStaffViewAttr(static_cast<short>(st), size);
                     doc.GetStaffName(st, 0);
                     for (int m = 0; m < Measures(); ++m) {
                         doc.GetMeasure(m, st, 0);
                         doc.GetMeasViewAttr(static_cast<short>(st), static_cast<short>(m));
                     }
                 }
                 for (int m = 0; m < Measures(); ++m)
                     doc.GetMeasPak(m, beats, unit);
                 for (CKVMeas* meas : measures) {
                     CKVBlock* block = doc.GetBlockByMeas(meas);
                     if (block)
                         doc.GetChordPos(block, meas);
                 }
             }},
            {"GetHeadWidth and IsEnableBindByTie",
             [&] {
                 for (const auto& [a, b] : pairs) {
                     doc.GetHeadWidth(a);
                     doc.GetHeadWidth(a->m_byKind);
                     doc.IsEnableBindByTie(a, b, 0);
                 }
             }},
        };
        for (const auto& [name, ask] : queries) {
            const std::vector<std::string> changes = kvtest::QueryChanges(doc, ask);
            std::vector<std::string> problems;
            for (const std::string& what : changes)
                problems.push_back(std::string(name) + " changed " + what);
            Report(problems);
        }
    }

    // --- Checks -----------------------------------------------------------------

    void Run(const std::function<void()>& command) { Report(kvtest::CheckedStep(Doc(), command)); }

    // Runs a command whose result tells whether it refused (true when it
    // did): a command refuses whole, so a refusal must leave the document as
    // it was, compared as `compared` says.
    void Refusable(const std::string& what, const std::function<bool()>& command,
                   unsigned compared = kvtest::kEverything)
    {
        bool refused = false;
        const std::vector<std::string> changes = kvtest::QueryChanges(
            Doc(), [&] { refused = command(); }, compared);
        if (!refused)
            return;
        std::vector<std::string> problems;
        for (const std::string& change : changes)
            problems.push_back(what + " refused but changed " + change);
        Report(problems);
    }

    void Report(const std::vector<std::string>& problems)
    {
        if (problems.empty())
            return;
        if (std::getenv("KV_INTEGRITY_SURVEY")) {
            // Each kind of fault once, with the step that first showed it.
            for (std::string p : problems) {
                std::string key;
                for (char c : p)
                    if (!std::isdigit(static_cast<unsigned char>(c)))
                        key += c;
                if (!seen.insert(key).second)
                    continue;
                std::printf("seed %u step %d after %s: %s\n", GetParam().seed, step, trace.back().c_str(), p.c_str());
                if (std::getenv("KV_INTEGRITY_SURVEY")[0] == '2')
                    for (const std::string& line : trace)
                        std::printf("      %s\n", line.c_str());
            }
            return;
        }
        std::string steps;
        for (const std::string& line : trace)
            steps += "\n    " + line;
        ADD_FAILURE() << "seed " << GetParam().seed << (GetParam().recording ? " recording" : " not recording")
                      << ", step " << step << kvtest::Joined(problems) << "\n  the last steps:" << steps;
    }

    void History()
    {
        const bool undo = Chance(60);
        Note(undo ? "undo" : "redo");
        if (undo)
            Doc().MultiUndoStart();
        else
            Doc().MultiRedoStart();
        std::vector<std::string> problems = kvtest::IntegrityProblems(Doc());
        const std::vector<std::string> reload = kvtest::ReloadProblems(Doc());
        problems.insert(problems.end(), reload.begin(), reload.end());
        Report(problems);
    }

    std::unique_ptr<kvtest::ScoreBuilder> score;
    std::mt19937 rng;
    std::mt19937 variety;
    std::mt19937 crowding;
    std::mt19937 lineDrags;
    std::mt19937 holders;
    // The stream the commands draw from: their own, or the holders' while a
    // command aimed at a holder draws.
    std::mt19937* draws = &rng;
    Met met;
    // The step the score was made at.
    int born = 0;
    std::deque<std::string> trace;
    unsigned char* image = nullptr;
    DWORD imageSize = 0;
    int step = 0;
    std::set<std::string> seen;
};

TEST_P(IntegrityRandomTest, EveryStepLeavesAWholeScore)
{
    rng.seed(GetParam().seed);
    variety.seed(GetParam().seed);
    const int steps = StepsPerRun();
    for (step = 1; step <= steps && !HasFailure(); ++step) {
        while (trace.size() > kTraceLength)
            trace.pop_front();
        KeepCrowded();
        const int roll = Pick(100);
        if (roll < 15) {
            Select();
            Report(kvtest::IntegrityProblems(Doc()));
        } else if (roll < 22) {
            MoveCursor();
            Report(kvtest::IntegrityProblems(Doc()));
        } else if (roll < 35) {
            if (Doc().IsReqBackup())
                History();
        } else if (Staves() == 0 || Measures() == 0) {
            // A score emptied of staves or measures is given some back (or
            // its emptying undone) before anything else is done to it.
            Refill();
        } else {
            if (std::uniform_int_distribution<int>(0, kLineDragEvery - 1)(lineDrags) == 0)
                DragALine();
            if (GetParam().crowded && std::uniform_int_distribution<int>(0, kHolderEvery - 1)(holders) == 0)
                AimAtAHolder();
            // A fault of the line or the aimed command ends the run before
            // the step's own command blurs it.
            while (!HasFailure() && !Command()) {
            }
        }
        if (step % kQueryEvery == 0 && !HasFailure())
            AskQueries();
    }
    if (GetParam().crowded)
        std::printf("%s\n", met.Line(GetParam()).c_str());
}

// The runs: the list below, or the seeds of KV_INTEGRITY_SEEDS ("FIRST" or
// "FIRST-LAST") on the score of KV_INTEGRITY_SHAPE ("STAVESxMEASURES", 3x9
// unless set), with undo recording off when KV_INTEGRITY_RECORDING is 0.
std::vector<RunParam> Runs()
{
    const char* seeds = std::getenv("KV_INTEGRITY_SEEDS");
    const char* crowdedText = std::getenv("KV_INTEGRITY_CROWDED");
    const bool crowded = crowdedText && std::atoi(crowdedText) != 0;
    if (!seeds || !*seeds) {
        std::vector<RunParam> runs {RunParam {11u, true},          RunParam {29u, true},
                                    RunParam {47u, true},          RunParam {83u, false},
                                    RunParam {1001u, true, 1, 9},  RunParam {1003u, true, 2, 5},
                                    RunParam {1005u, true, 4, 12}, RunParam {1007u, true, 1, 30}};
        for (RunParam& run : runs)
            run.crowded = run.crowded || crowded;
        return runs;
    }
    unsigned first = 0;
    unsigned last = 0;
    const int read = std::sscanf(seeds, "%u-%u", &first, &last);
    if (read < 2)
        last = first;
    RunParam shape {0u, true};
    if (const char* text = std::getenv("KV_INTEGRITY_SHAPE")) {
        int staves = 0;
        long measures = 0;
        if (std::sscanf(text, "%dx%ld", &staves, &measures) == 2 && staves > 0 && staves <= 16 &&
            measures >= kMinMeasures && measures <= 1000) {
            shape.staves = static_cast<short>(staves);
            shape.measures = static_cast<LONG>(measures);
        }
    }
    if (const char* text = std::getenv("KV_INTEGRITY_RECORDING"))
        shape.recording = std::atoi(text) != 0;
    shape.crowded = crowded;
    std::vector<RunParam> runs;
    for (unsigned seed = first; read >= 1 && seed <= last; ++seed) {
        shape.seed = seed;
        runs.push_back(shape);
        if (seed == ~0u)
            break;
    }
    return runs;
}

INSTANTIATE_TEST_SUITE_P(Runs, IntegrityRandomTest, ::testing::ValuesIn(Runs()),
                         [](const ::testing::TestParamInfo<RunParam>& info) {
                             return "Seed" + std::to_string(info.param.seed) +
                                    (info.param.recording ? "Recording" : "NotRecording") +
                                    std::to_string(info.param.staves) + "x" + std::to_string(info.param.measures) +
                                    (info.param.crowded ? "Crowded" : "");
                         });

} // namespace
