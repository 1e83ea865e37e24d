// Random sequences of edits, undos and redos. The score that undo and redo
// leave must be the score that the edits still in effect make on a fresh
// document, in memory and as stored, and undoing everything then redoing
// everything must come back to it.
//
// KV_UNDO_RANDOM_STEPS sets the number of steps for each seed (1,000 by
// default).

#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/CanonicalDump.h"
#include "support/KvTest.h"
#include "support/ScoreBuilder.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using kvtest::CanonicalDump;
using kvtest::ScoreBuilder;
using kvtest::ScoreSpec;

constexpr int kMaxSteps = 32;
constexpr short kMaxStaves = 3;
constexpr LONG kMaxMeasures = 14;
constexpr short kNarrowFont = 32;
constexpr short kWideFont = 64;

const ScoreSpec kShape {.lineSpacing = 8, .staves = 2, .measures = 6};

// An edit, described by what it touches so that it can be made again on
// another document of the same shape.
struct Edit {
    enum Kind { kAddNote, kDeleteNote, kTie, kAddStaff, kAddMeas, kPageText, kFont } kind = kAddNote;
    int staff = 0;
    int meas = 0;
    int index = 0;    // the untied note to delete; the page of a page text
    short x = 0;
    short y = 0;      // in half spaces below the top line
    short value = 0;  // measures to add, the text's letter, the new font height
};

std::vector<CKVMsg*> Notes(CKVMeas* meas)
{
    std::vector<CKVMsg*> notes;
    for (short i = 0; i < meas->GetMsgNum(); ++i) {
        CKVMsg* msg = meas->GetMsg(i);
        if (msg && msg->m_byKind == MSG_NOTE)
            notes.push_back(msg);
    }
    return notes;
}

std::vector<CKVMsg*> UntiedNotes(CKVMeas* meas)
{
    std::vector<CKVMsg*> notes;
    for (CKVMsg* note : Notes(meas)) {
        if (!(note->m_wFlag & (MSGFLAG_TIE_START | MSGFLAG_TIE_END)))
            notes.push_back(note);
    }
    return notes;
}

bool HasNoteAt(CKVMeas* meas, short x)
{
    for (CKVMsg* note : Notes(meas)) {
        if (note->m_nPosX == x)
            return true;
    }
    return false;
}

// The last note of a measure and the first of the next, when a tie can join
// them.
bool TiePair(CKVMeas* left, CKVMeas* right, CKVMsg** first, CKVMsg** second)
{
    const std::vector<CKVMsg*> a = Notes(left);
    const std::vector<CKVMsg*> c = Notes(right);
    if (a.empty() || c.empty())
        return false;
    *first = a.back();
    *second = c.front();
    return !((*first)->m_wFlag & MSGFLAG_TIE_START) && !((*second)->m_wFlag & MSGFLAG_TIE_END);
}

// The measure as it stands in the score after this edit's backup of it.
CKVMeas* BackedUp(ScoreBuilder& b, int staff, int meas)
{
    CKVMeas* m = b.Meas(staff, meas);
    m->ObjectBackup(1, 0);
    return m->GetCurBackupObj();
}

// Makes an edit the way commands do: a new step, the backups, then the
// change on what became live. With recording off the backups do nothing and
// the change lands on the objects themselves.
void Apply(ScoreBuilder& b, const Edit& e)
{
    CKVDoc& doc = b.Doc();
    switch (e.kind) {
    case Edit::kAddNote: {
        doc.ResetBackup();
        CKVMeas* live = BackedUp(b, e.staff, e.meas);
        const short y = static_cast<short>(e.y * (doc.m_nStaffSpace / 2));
        CKVMsg* note = b.Note(live, {.x = e.x, .y = y});
        ASSERT_TRUE(note);
        ScoreBuilder::SetMidiHead(note, {.byKey = static_cast<BYTE>(60 + e.y)});
        // A font change scales the layout words with rounding. Words that
        // the two heights halve and double exactly keep undo and redo of
        // font changes from wearing them down.
        const short scale = static_cast<short>(doc.m_nFontHeight / kNarrowFont);
        note->m_nLayout3 = static_cast<short>(4 * scale);
        note->m_nLayout4 = static_cast<short>(4 * scale);
        break;
    }
    case Edit::kDeleteNote: {
        doc.ResetBackup();
        CKVMeas* live = BackedUp(b, e.staff, e.meas);
        const std::vector<CKVMsg*> notes = UntiedNotes(live);
        ASSERT_LT(static_cast<size_t>(e.index), notes.size());
        ASSERT_EQ(1, live->DeleteMsg(notes[static_cast<size_t>(e.index)], 1));
        break;
    }
    case Edit::kTie: {
        doc.ResetBackup();
        CKVMeas* left = BackedUp(b, e.staff, e.meas);
        CKVMeas* right = BackedUp(b, e.staff, e.meas + 1);
        CKVMsg* first = nullptr;
        CKVMsg* second = nullptr;
        ASSERT_TRUE(TiePair(left, right, &first, &second));
        ASSERT_TRUE(b.Tie(first, second));
        break;
    }
    case Edit::kAddStaff:
        doc.ResetBackup();
        doc.ObjectBackup(1);
        ASSERT_GT(doc.AddStaff(1, -1), 0);
        break;
    case Edit::kAddMeas:
        doc.ResetBackup();
        doc.ObjectBackup(1);
        ASSERT_GT(doc.AddMeas(e.value, -1), 0);
        break;
    case Edit::kPageText: {
        CKVMsg text;
        text.m_byKind = MSG_FREETEXT;
        text.m_nPosX = e.x;
        text.m_nPosY = static_cast<short>(e.y * 10);
        const unsigned char head[] = {0x06, 0x02, 0x00, static_cast<unsigned char>(e.value), 0x42};
        text.SetHead(static_cast<short>(sizeof head), const_cast<unsigned char*>(head));
        ASSERT_TRUE(doc.AddMsg(doc.GetPage(static_cast<short>(e.index)), &text, 1, 1));
        break;
    }
    case Edit::kFont:
        doc.ResetBackup();
        doc.m_pFileInfo->ObjectBackup(1);
        doc.UpdatePosYA(e.value, 1);
        break;
    }
}

std::unique_ptr<ScoreBuilder> NewScore()
{
    auto b = std::make_unique<ScoreBuilder>(kShape);
    CKVDoc& doc = b->Doc();
    // Two font heights whose staff spaces halve and double exactly.
    doc.m_nFontHeight = kNarrowFont;
    doc.m_nFontHeight78 = 28;
    doc.m_nStaffSpace = 8;
    return b;
}

std::vector<unsigned char> Body(CKVDoc& doc)
{
    CMemFile file;
    EXPECT_EQ(1, doc.Save(&file));
    std::vector<unsigned char> bytes(file.GetLength());
    file.SeekToBegin();
    EXPECT_EQ(bytes.size(), file.Read(bytes.data(), static_cast<UINT>(bytes.size())));
    return bytes;
}

std::unique_ptr<CKVDoc> Reloaded(CKVDoc& doc)
{
    CMemFile file;
    EXPECT_EQ(1, doc.Save(&file));
    file.SeekToBegin();
    auto loaded = std::make_unique<CKVDoc>();
    EXPECT_EQ(0, loaded->Load(&file, 3));
    return loaded;
}

// The score as stored. A tie that undo re-linked keeps the id its clone gave
// it while its owner names it by the old one; reading gives it the id its
// owner names it by.
std::string StoredDump(CKVDoc& doc)
{
    return CanonicalDump(*Reloaded(doc));
}

// The body a score has after it was saved and loaded twice: the first load
// may leave gaps in the ids, the second numbers them as any later one does.
std::vector<unsigned char> SettledBody(CKVDoc& doc)
{
    std::unique_ptr<CKVDoc> once = Reloaded(doc);
    std::unique_ptr<CKVDoc> twice = Reloaded(*once);
    return Body(*twice);
}

int StepsPerSeed()
{
    const char* text = std::getenv("KV_UNDO_RANDOM_STEPS");
    const int steps = text ? std::atoi(text) : 0;
    return steps > 0 ? steps : 1000;
}

class UndoRandomTest : public kvtest::KvTest, public ::testing::WithParamInterface<unsigned> {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        live = NewScore();
        kvtest::StartUndoRecording(Doc());
    }

    void TearDown() override
    {
        live.reset();
        KvTest::TearDown();
    }

    CKVDoc& Doc() { return live->Doc(); }

    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(rng); }

    // A random edit that can be made on the live score.
    Edit NextEdit()
    {
        CKVSystem* system = live->System();
        const int staves = system->GetStaffNum();
        const int measures = static_cast<int>(system->GetMeasNum());
        for (;;) {
            Edit e;
            const int roll = Pick(100);
            e.staff = Pick(staves);
            e.meas = Pick(measures);
            if (roll < 35) {
                e.kind = Edit::kAddNote;
                e.x = static_cast<short>(32 * Pick(8));
                e.y = static_cast<short>(Pick(9));
                if (HasNoteAt(live->Meas(e.staff, e.meas), e.x))
                    continue;
            } else if (roll < 50) {
                e.kind = Edit::kDeleteNote;
                const size_t untied = UntiedNotes(live->Meas(e.staff, e.meas)).size();
                if (untied == 0)
                    continue;
                e.index = Pick(static_cast<int>(untied));
            } else if (roll < 65) {
                e.kind = Edit::kTie;
                e.meas = Pick(measures - 1);
                CKVMsg* first = nullptr;
                CKVMsg* second = nullptr;
                if (!TiePair(live->Meas(e.staff, e.meas), live->Meas(e.staff, e.meas + 1), &first, &second))
                    continue;
            } else if (roll < 72) {
                e.kind = Edit::kAddStaff;
                if (staves >= kMaxStaves)
                    continue;
            } else if (roll < 80) {
                e.kind = Edit::kAddMeas;
                e.value = static_cast<short>(1 + Pick(2));
                if (measures + e.value > kMaxMeasures)
                    continue;
            } else if (roll < 90) {
                e.kind = Edit::kPageText;
                e.index = Pick(Doc().GetPageNum());
                e.x = static_cast<short>(10 * Pick(50));
                e.y = static_cast<short>(Pick(50));
                e.value = static_cast<short>('A' + Pick(26));
            } else {
                e.kind = Edit::kFont;
                e.value = Doc().m_nFontHeight == kNarrowFont ? kWideFont : kNarrowFont;
            }
            return e;
        }
    }

    // The edits in effect, made again on a fresh document without history.
    std::unique_ptr<ScoreBuilder> Replay()
    {
        std::unique_ptr<ScoreBuilder> b = NewScore();
        for (const Edit& e : done) {
            Apply(*b, e);
            if (::testing::Test::HasFatalFailure())
                break;
        }
        return b;
    }

    void ExpectMatchesReplay(int step)
    {
        SCOPED_TRACE("after step " + std::to_string(step));
        // The history answers for closed steps only. Closing the open step
        // here would also drop the steps left to redo.
        if (!Doc().m_bBackupOpen) {
            EXPECT_EQ(undoable > 0 ? 1 : 0, Doc().IsMultiEnableUndo());
            EXPECT_EQ(undone.empty() ? 0 : 1, Doc().IsMultiEnableRedo());
        }
        // Building and loading other scores moves the process-wide staff
        // space that layout reads; the live score gets its own back.
        struct KeepStaffSpace {
            short kept = nCurStaffSpace;
            ~KeepStaffSpace() { nCurStaffSpace = kept; }
        } keep;
        std::unique_ptr<ScoreBuilder> replay = Replay();
        ASSERT_FALSE(::testing::Test::HasFatalFailure());
        ASSERT_EQ(StoredDump(replay->Doc()), StoredDump(Doc()));
        ASSERT_EQ(SettledBody(replay->Doc()), SettledBody(Doc()));
    }

    std::unique_ptr<ScoreBuilder> live;
    std::mt19937 rng;
    std::vector<Edit> done;   // in effect, oldest first
    std::vector<Edit> undone; // undone, the next to redo last
    int undoable = 0;         // steps at the end of `done` that undo can take back
};

TEST_P(UndoRandomTest, UndoAndRedoLeaveTheScoreThatTheEditsInEffectMake)
{
    rng.seed(GetParam());
    const int steps = StepsPerSeed();
    const int checks = std::max(1, steps / 4);
    for (int step = 1; step <= steps; ++step) {
        const int roll = Pick(100);
        if (roll < 55) {
            const Edit e = NextEdit();
            Apply(*live, e);
            ASSERT_FALSE(HasFatalFailure()) << "edit " << e.kind << " at step " << step;
            done.push_back(e);
            undone.clear();
            undoable = std::min(undoable + 1, kMaxSteps);
        } else if (roll < 80) {
            Doc().MultiUndoStart();
            if (undoable > 0) {
                undone.push_back(done.back());
                done.pop_back();
                --undoable;
            }
        } else {
            Doc().MultiRedoStart();
            if (!undone.empty()) {
                done.push_back(undone.back());
                undone.pop_back();
                ++undoable;
            }
        }
        if (step % checks == 0 || step == steps) {
            ExpectMatchesReplay(step);
            ASSERT_FALSE(HasFatalFailure());
        }
    }

    // Everything undone and redone again comes back to the same score.
    // An edit still open has already dropped what was left to redo.
    if (Doc().m_bBackupOpen)
        Doc().ResetBackup();
    const std::string end = CanonicalDump(Doc());
    const int redoable = static_cast<int>(undone.size());
    int undos = 0;
    while (Doc().IsMultiEnableUndo()) {
        Doc().MultiUndoStart();
        ++undos;
    }
    EXPECT_EQ(undoable, undos);
    for (int i = 0; i < undos + redoable; ++i)
        Doc().MultiRedoStart();
    EXPECT_EQ(0, Doc().IsMultiEnableRedo());
    // Redo went past the end state by the steps that were undone before.
    for (int i = 0; i < redoable; ++i)
        Doc().MultiUndoStart();
    EXPECT_EQ(end, CanonicalDump(Doc()));
}

INSTANTIATE_TEST_SUITE_P(Seeds, UndoRandomTest, ::testing::Values(7u, 2024u));

} // namespace
