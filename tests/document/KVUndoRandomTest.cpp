// Random sequences of edits, undos and redos. The score that undo and redo
// leave must be the score that the edits still in effect make on a fresh
// document, in memory and as stored, and undoing everything then redoing
// everything must come back to it. The edits go through the editing code:
// note entry, deletion with its tuplet, tie and slur hand-over, the tie
// command across a bar line, an accidental on a note, staves and measures
// added under a whole-document backup, page texts and the font height,
// staves hidden and shown in blocks, ossias made and removed, the view
// switches of measures; deleting at the entry caret, velocities over a
// selected staff and measure tempi; a measure dragged and dropped (moved
// or copied) and swing on a measure; beaming, sub-beams, chords, grace
// notes, tremolos, ties and slurs over a selected measure or staff, and the
// automatic ties; pages inserted and deleted, blocks dealt to pages, clef
// changes made and removed, repeat endings and multi-measure rests. After
// every step the score must be whole (see support/ScoreIntegrity.h), and
// every edit must undo and redo to the very bytes around it.
//
// KV_UNDO_RANDOM_STEPS sets the number of steps for each seed (1,000 by
// default), KV_UNDO_RANDOM_CHECK the steps between two comparisons.

#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "document/SelRect.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/CanonicalDump.h"
#include "support/KvTest.h"
#include "support/NoteEntry.h"
#include "support/ScoreBuilder.h"
#include "support/ScoreIntegrity.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using kvtest::CanonicalDump;
using kvtest::ScoreBuilder;
using kvtest::ScoreShape;

constexpr int kMaxSteps = 32;
constexpr short kMaxStaves = 3;
constexpr LONG kMaxMeasures = 14;
constexpr short kNarrowFont = 32;
constexpr short kWideFont = 64;
// The commands drawn from the last thirty of the 120 rolls.
constexpr int kLaterKinds = 32;

const ScoreShape kShape {.lineSpacing = 8, .staves = 2, .measures = 6};

// An edit, described by what it touches so that it can be made again on
// another document of the same shape.
struct Edit {
    enum Kind {
        kAddNote,
        kDeleteNote,
        kTie,
        kAccidental,
        kAddStaff,
        kAddMeas,
        kPageText,
        kFont,
        kSpaceNotes,
        kMeasWidth,
        kScoreSpace,
        kCenterFit,
        kStaffHide,
        kStaffVisible,
        kInsertOssia,
        kDeleteOssia,
        kMeasViewAttr,
        kCaretDelete,
        kVelocity,
        kTempo,
        kBarType,
        kBlockCount,
        kDragDrop,
        kSwing,
        kBeam,
        kBeamBeat,
        kChord,
        kGrace,
        kTremolo,
        kTieSlur,
        kAutoTieSlur,
        kInsertPage,
        kDeletePages,
        kPageBlockCount,
        kClef,
        kDeleteClef,
        kEnding,
        kCompressRest,
        kKinds
    };
    Kind kind = kAddNote;
    int staff = 0;
    int meas = 0;
    int index = 0;    // the note to delete or to give an accidental; the page of a page text; the drop's staff
    int other = 0;    // the tie's second note among the next measure's first ones; the last tempo measure;
                      // the drop's measure;
                      // a bar run's other end
    short x = 0;      // the start time of an entered note; a page text's position; the first value of a setter;
                      // the drop's paste x
    short y = 0;      // in half spaces below the top line; the second value of a setter
    short value = 0;  // duration code, measures to add, the text's letter, the new font height, the accidental,
                      // the spaced voice, the measure width, the block distance, the page-layout mode,
                      // the setter's mode, which of a family's commands, the new clef, the ending's
                      // flags, the rests' width percent
    int options = 0;  // the accidental's options; the drag's move, overwrite and auto-beam bits; a staff
                      // record instead of a measure record; the page insertion's flags
};

constexpr int kDragMove = 1;
constexpr int kDragOverwrite = 2;
constexpr int kDragAutoBeam = 4;
// The selection commands take a record of the staff instead of the measure.
constexpr int kWholeStaff = 1;

// Every note of a measure, chord and beam group members singly, in the
// order of the tree.
void CollectNotes(CKVObject* node, std::vector<CKVMsg*>& notes, int depth)
{
    for (short i = 0; depth < 3 && i < node->GetMsgNum(); ++i) {
        CKVMsg* msg = node->GetMsg(i);
        if (!msg)
            continue;
        if (msg->m_byKind == MSG_NOTE)
            notes.push_back(msg);
        else if (msg->m_byKind == MSG_CHORD || msg->m_byKind == MSG_BEAM)
            CollectNotes(msg, notes, depth + 1);
    }
}

std::vector<CKVMsg*> Notes(CKVMeas* meas)
{
    std::vector<CKVMsg*> notes;
    CollectNotes(meas, notes, 0);
    return notes;
}

// The notes at a measure's last position (last) or first (!last).
std::vector<CKVMsg*> EdgeNotes(CKVMeas* meas, bool last)
{
    std::vector<CKVMsg*> notes = Notes(meas);
    if (notes.empty())
        return notes;
    short edge = notes.front()->m_nPosX;
    for (CKVMsg* note : notes)
        edge = last ? std::max(edge, note->m_nPosX) : std::min(edge, note->m_nPosX);
    std::vector<CKVMsg*> out;
    for (CKVMsg* note : notes) {
        if (note->m_nPosX == edge)
            out.push_back(note);
    }
    return out;
}

// A note at the end of one measure and one at the start of the next that
// the tie command can join: one vertical position, keys at most a semitone
// apart, not both tied already on those sides.
bool TiePair(CKVMeas* left, CKVMeas* right, int index, int other, CKVMsg** first, CKVMsg** second)
{
    const std::vector<CKVMsg*> a = EdgeNotes(left, true);
    const std::vector<CKVMsg*> c = EdgeNotes(right, false);
    if (static_cast<size_t>(index) >= a.size() || static_cast<size_t>(other) >= c.size())
        return false;
    *first = a[static_cast<size_t>(index)];
    *second = c[static_cast<size_t>(other)];
    if ((*first)->m_nPosY != (*second)->m_nPosY)
        return false;
    if (std::abs((*first)->GetMidiKey() - (*second)->GetMidiKey()) > 1)
        return false;
    return !(((*first)->m_wFlag & MSGFLAG_TIE_START) && ((*second)->m_wFlag & MSGFLAG_TIE_END));
}

// The measure as it stands in the score after this edit's backup of it.
CKVMeas* BackedUp(ScoreBuilder& b, int staff, int meas)
{
    CKVMeas* m = b.Meas(staff, meas);
    m->ObjectBackup(kBackupRecorded, kBackupAlone);
    return m->GetCurBackupObj();
}

// A font change scales layout words, stem heights and the vertical
// positions of groups and chords with rounding, and its undo scales them
// back. Words that the two heights halve and double exactly keep undo and
// redo of font changes from wearing down what the editing code computed, so
// every edit leaves them even in the measures it backed up.
void EvenWords(CKVObject* node, int depth = 0)
{
    auto even = [](short& word) { word = static_cast<short>(word & ~1); };
    for (short i = 0; depth < 4 && i < node->GetMsgNum(); ++i) {
        CKVMsg* msg = node->GetMsg(i);
        const MsgRef* ref = node->m_arrMsgRef.GetAt(i);
        // Each symbol once, through its owning reference; ties and slurs
        // keep their shape words.
        if (!msg || !ref || !ref->byOwner || msg->m_byKind == MSG_TIE || msg->m_byKind == MSG_SLUR)
            continue;
        even(msg->m_nLayout1);
        even(msg->m_nLayout2);
        even(msg->m_nLayout3);
        even(msg->m_nLayout4);
        msg->m_lHeight &= ~1L;
        if (msg->m_byKind != MSG_NOTE && msg->m_byKind != MSG_REST) {
            even(msg->m_nPosY);
            even(msg->m_nPosY2);
        }
        EvenWords(msg, depth + 1);
    }
}

// The words EvenWords evens, measure by measure over every staff, to tell
// afterwards which measures a command changed.
std::vector<std::vector<long>> EvenedWords(ScoreBuilder& b)
{
    std::vector<std::vector<long>> all;
    auto collect = [](auto& self, CKVObject* node, int depth, std::vector<long>& words) -> void {
        for (short i = 0; depth < 4 && i < node->GetMsgNum(); ++i) {
            CKVMsg* msg = node->GetMsg(i);
            const MsgRef* ref = node->m_arrMsgRef.GetAt(i);
            if (!msg || !ref || !ref->byOwner || msg->m_byKind == MSG_TIE || msg->m_byKind == MSG_SLUR)
                continue;
            words.insert(words.end(), {msg->m_byKind, msg->m_nLayout1, msg->m_nLayout2, msg->m_nLayout3,
                                       msg->m_nLayout4, static_cast<long>(msg->m_lHeight), msg->m_nPosY,
                                       msg->m_nPosY2});
            self(self, msg, depth + 1, words);
        }
    };
    for (int s = 0; s < b.System()->GetStaffNum(); ++s) {
        for (LONG m = 0; m < b.Staff(s)->GetMeasNum(); ++m) {
            std::vector<long> words;
            collect(collect, b.Meas(s, static_cast<int>(m)), 0, words);
            all.push_back(std::move(words));
        }
    }
    return all;
}

// Evens the words of the measures whose words a command changed, given
// what EvenedWords gave before it. For commands that pick the measures they
// back up themselves: a changed measure is one they backed up, and the
// replay changes the same ones.
void EvenChanged(ScoreBuilder& b, const std::vector<std::vector<long>>& before)
{
    const std::vector<std::vector<long>> after = EvenedWords(b);
    if (after.size() != before.size())
        return;
    size_t k = 0;
    for (int s = 0; s < b.System()->GetStaffNum(); ++s) {
        for (LONG m = 0; m < b.Staff(s)->GetMeasNum(); ++m, ++k) {
            if (after[k] != before[k])
                EvenWords(b.Meas(s, static_cast<int>(m)));
        }
    }
}

// The selection a range command works on: a kind-2 record of the measure,
// or a kind-4 record of its staff.
void SelectForEdit(ScoreBuilder& b, const Edit& e)
{
    CKVDoc& doc = b.Doc();
    doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
    if (e.options & kWholeStaff) {
        doc.AddSelRect(SelRect::kStaff, nullptr, nullptr, b.Staff(e.staff), nullptr);
    } else {
        CKVMeas* meas = b.Meas(e.staff, e.meas);
        RECT none {0, 0, 0, 0};
        doc.AddSelRect(SelRect::kMeas, &none, meas, nullptr, doc.GetBlockByMeas(meas));
    }
}

// Evens the words of the measures the selection names, as they stand after
// the backup.
void EvenSelected(ScoreBuilder& b, const Edit& e)
{
    // A command that found nothing to change recorded no step; the live
    // measures it did not back up stay as they are.
    if (b.Doc().IsReqBackup() && !b.Doc().m_bBackupOpen)
        return;
    if (!(e.options & kWholeStaff)) {
        EvenWords(b.Meas(e.staff, e.meas));
        return;
    }
    for (LONG m = 0; m < b.Staff(e.staff)->GetMeasNum(); ++m)
        EvenWords(b.Meas(e.staff, static_cast<int>(m)));
}

// The clef changes lying directly in a measure.
std::vector<CKVMsg*> ClefChanges(CKVMeas* meas)
{
    std::vector<CKVMsg*> out;
    for (short i = 0; meas && i < meas->GetMsgNum(); ++i)
        if (CKVMsg* msg = meas->GetMsg(i); msg && msg->m_byKind == MSG_CLEF)
            out.push_back(msg);
    return out;
}

LOGFONTA RestFont()
{
    LOGFONTA font {};
    font.lfHeight = 12;
    std::strcpy(font.lfFaceName, "Numbers");
    return font;
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
        // The measure may refuse the note (no room left, that pitch already
        // there); the replay is refused alike.
        kvtest::EnterNote(live, {.start = e.x, .y = y, .code = static_cast<BYTE>(e.value)});
        EvenWords(live);
        break;
    }
    case Edit::kDeleteNote: {
        doc.ResetBackup();
        // The deletion re-judges the ties and slurs that reach into the
        // neighbouring measures, so those are backed up too.
        for (int side : {e.meas - 1, e.meas + 1})
            if (side >= 0 && b.Meas(e.staff, side))
                BackedUp(b, e.staff, side);
        CKVMeas* live = BackedUp(b, e.staff, e.meas);
        const std::vector<CKVMsg*> notes = Notes(live);
        ASSERT_LT(static_cast<size_t>(e.index), notes.size());
        CKVMsg* note = notes[static_cast<size_t>(e.index)];
        // The holders named as a hit-test on the note leaves them.
        auto* parent = dynamic_cast<CKVMsg*>(note->m_pParent);
        doc.m_pLastMember = parent && parent->m_byKind == MSG_CHORD ? parent : nullptr;
        CKVMsg* outer = doc.m_pLastMember ? dynamic_cast<CKVMsg*>(parent->m_pParent) : parent;
        doc.m_pLastGroup = outer && outer->m_byKind == MSG_BEAM ? outer : nullptr;
        doc.DeleteMsg(note, 1);
        EvenWords(live);
        break;
    }
    case Edit::kTie: {
        doc.ResetBackup();
        CKVMeas* left = BackedUp(b, e.staff, e.meas);
        CKVMeas* right = BackedUp(b, e.staff, e.meas + 1);
        CKVMsg* first = nullptr;
        CKVMsg* second = nullptr;
        ASSERT_TRUE(TiePair(left, right, e.index, e.other, &first, &second));
        ASSERT_EQ(1, doc.BindNoteByTie(first, second, 10, 4, 14, kSetGivenShape, kTieAlways, kTieSideByNote));
        EvenWords(left);
        EvenWords(right);
        break;
    }
    case Edit::kAccidental: {
        // The accidental command's work once it has found the note. The
        // note's accidental re-lays out the chord that grouping code joined
        // last; here that would be one of an earlier edit, which undo and
        // redo forget and the replay does not, so none is current.
        doc.m_pLastGroup = nullptr;
        doc.m_pLastMember = nullptr;
        doc.ResetBackup();
        CKVMeas* meas = b.Meas(e.staff, e.meas);
        const std::vector<CKVMsg*> notes = Notes(meas);
        ASSERT_LT(static_cast<size_t>(e.index), notes.size());
        meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
        CKVMsg* note = meas->GetNewPtr2(notes[static_cast<size_t>(e.index)]);
        ASSERT_TRUE(note);
        ASSERT_EQ(1, note->SetSymbol(static_cast<BYTE>(e.value), e.options, 12));
        EvenWords(meas->GetCurBackupObj());
        break;
    }
    case Edit::kAddStaff:
        doc.ResetBackup();
        doc.ObjectBackup(kBackupRecorded);
        ASSERT_GT(doc.AddStaff(1, -1), 0);
        break;
    case Edit::kAddMeas:
        doc.ResetBackup();
        doc.ObjectBackup(kBackupRecorded);
        ASSERT_GT(doc.AddMeas(e.value, -1), 0);
        break;
    case Edit::kPageText: {
        CKVMsg text;
        text.m_byKind = MSG_FREETEXT;
        text.m_nPosX = e.x;
        text.m_nPosY = static_cast<short>(e.y * 10);
        const unsigned char head[] = {0x06, 0x02, 0x00, static_cast<unsigned char>(e.value), 0x42};
        text.SetHead(static_cast<short>(sizeof head), const_cast<unsigned char*>(head));
        ASSERT_TRUE(doc.AddMsg(doc.GetPage(static_cast<short>(e.index)), &text, 1, kWithBackup));
        break;
    }
    case Edit::kFont:
        doc.ResetBackup();
        doc.m_pFileInfo->ObjectBackup(kBackupRecorded);
        doc.UpdatePosYA(e.value, 1);
        break;
    case Edit::kSpaceNotes: {
        CKVMeas* meas = b.Meas(e.staff, e.meas);
        RECT none {0, 0, 0, 0};
        doc.AddSelRect(SelRect::kMeas, &none, meas, nullptr, doc.GetBlockByMeas(meas));
        ASSERT_EQ(doc.m_pSelRectArray->GetSize(), 1);
        doc.ResetBackup();
        doc.NoteSpaceOrder(static_cast<unsigned char>(e.value));
        doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
        EvenWords(b.Meas(e.staff, e.meas));
        break;
    }
    case Edit::kMeasWidth:
        doc.ResetBackup();
        doc.SetMeasWidth(e.value, static_cast<short>(e.meas), static_cast<short>(e.other));
        break;
    case Edit::kScoreSpace:
        doc.ResetBackup();
        doc.ObjectBackup(kBackupRecorded);
        doc.UpdateScoreSpace(e.x, e.value);
        break;
    case Edit::kCenterFit:
        doc.GetPage(static_cast<short>(e.index))->BlockCenterFit(e.value);
        break;
    case Edit::kStaffHide: {
        doc.ResetBackup();
        doc.ObjectBackup(kBackupRecorded);
        if (e.value == 1) {
            std::vector<unsigned char> flags(static_cast<size_t>(b.System()->GetStaffNum()), 0);
            flags[0] = 1;
            doc.StaffHide(0, 1, flags.data());
        } else {
            doc.JumpToPage(0);
            CKVBlock* block = doc.GetPage(0)->GetBlock(static_cast<short>(e.index));
            ASSERT_TRUE(block);
            RECT none {0, 0, 0, 0};
            doc.AddSelRect(SelRect::kBlockStaff, &none, nullptr, block->GetStaff(static_cast<short>(e.other)), block);
            doc.StaffHide(0, 0, nullptr);
        }
        doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
        break;
    }
    case Edit::kStaffVisible: {
        doc.ResetBackup();
        doc.ObjectBackup(kBackupRecorded);
        doc.JumpToPage(0);
        doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
        // The host puts the cursor on the block, index and all.
        doc.m_pCurBlock = doc.GetPage(0)->GetBlock(static_cast<short>(e.index));
        doc.m_nCurBlock = static_cast<short>(e.index);
        doc.DropStaleCursor();
        doc.StaffVisible(0, 0, nullptr);
        break;
    }
    case Edit::kInsertOssia:
        doc.JumpToPage(0);
        ASSERT_EQ(1, doc.InsertOssia(POINT {e.x, e.y}, 0, e.staff, e.meas + 1, e.meas + 1 + e.value, 15, 0, 100));
        doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
        break;
    case Edit::kDeleteOssia: {
        doc.ResetBackup();
        doc.ObjectBackup(kBackupRecorded);
        doc.JumpToPage(0);
        CKVPage* page = doc.GetPage(0);
        ASSERT_LT(e.index, page->m_arrOssiaBlock.GetSize());
        doc.m_pCurBlock = page->m_arrOssiaBlock.GetAt(e.index);
        doc.m_nCurBlock = static_cast<short>(e.index);
        doc.DropStaleCursor();
        doc.DeleteOssia();
        doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
        break;
    }
    case Edit::kMeasViewAttr:
        doc.ResetBackup();
        doc.SetMeasViewAttr(static_cast<short>(e.staff), static_cast<short>(e.meas), static_cast<short>(e.meas + e.index),
                            static_cast<unsigned char>(e.value));
        break;
    case Edit::kCaretDelete: {
        // The caret on a note's place; the command opens its own step and
        // backs up the measure and the far ends of what it deletes.
        CKVMeas* meas = b.Meas(e.staff, e.meas);
        const std::vector<CKVMsg*> notes = Notes(meas);
        ASSERT_LT(static_cast<size_t>(e.index), notes.size());
        CKVMsg* note = notes[static_cast<size_t>(e.index)];
        doc.m_pCurMeas = meas;
        doc.m_nCaretPos = note->m_nPosX;
        ASSERT_EQ(1, doc.DeleteMsgOnCaret(note->m_byVoice, 0, 0, 0));
        doc.m_pCurMeas = nullptr;
        doc.m_nCurMeas = -1;
        EvenWords(b.Meas(e.staff, e.meas));
        break;
    }
    case Edit::kVelocity: {
        // A staff record, taken away after the edit.
        doc.AddSelRect(SelRect::kStaff, nullptr, nullptr, b.Staff(e.staff), nullptr);
        doc.SetVelocitySelNote(0, e.x, e.y, e.value);
        doc.RemoveAllSelRect(kKeepDrag, kClearSelRects);
        // The staff is backed up only when a note takes a velocity; one
        // that was not stays as it is.
        if (doc.IsReqBackup() && !doc.m_bBackupOpen)
            break;
        for (LONG m = 0; m < b.Staff(e.staff)->GetMeasNum(); ++m)
            EvenWords(b.Meas(e.staff, static_cast<int>(m)));
        break;
    }
    case Edit::kTempo:
        doc.ResetBackup();
        doc.SetTempo(e.meas, e.other, e.x, e.y, e.value);
        for (int s = 0; s < b.System()->GetStaffNum(); ++s) {
            for (int m = std::min(e.meas, e.other); m <= std::max(e.meas, e.other); ++m)
                EvenWords(b.Meas(s, m));
        }
        break;
    case Edit::kBarType:
        // The command backs up the measures it changes. It works on the
        // staves of an ossia block that holds the cursor (the one an ossia
        // insertion leaves it in, or none after undo), so the cursor goes to
        // the score's first block as a host's click on the score puts it.
        doc.ResetBackup();
        doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
        doc.JumpToPage(0);
        ASSERT_EQ(doc.SetMeasBarType(e.meas, e.other, e.value, e.index, 0), 1);
        break;
    case Edit::kBlockCount:
        doc.ResetBackup();
        doc.ObjectBackup(kBackupRecorded);
        ASSERT_EQ(doc.SetAllBlockMeasCount(e.value), 1);
        break;
    case Edit::kDragDrop: {
        // The cursor first, as the host puts it where the mouse lets go; a
        // move's deletion puts the paste x back to 0, so the host's x is set
        // after the drag.
        doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
        doc.m_nCurStaff = static_cast<short>(e.index);
        ASSERT_GT(doc.JumpToMeas(e.other + 1), 0);
        CKVMeas* source = b.Meas(e.staff, e.meas);
        RECT none {0, 0, 0, 0};
        doc.AddSelRect(SelRect::kMeas, &none, source, nullptr, doc.GetBlockByMeas(source));
        ASSERT_EQ(1, doc.SelRectMouseDrag(0, e.options & kDragMove));
        doc.m_nCaretPos = e.x;
        // The drop lands on the cursor's staff of its block, which is not the
        // score's staff of that index when the block hides staves.
        CKVBlock* block = doc.m_pCurBlock;
        ASSERT_TRUE(block);
        CKVStaff* target = block->GetStaff(doc.m_nCurStaff);
        const LONG first = block->m_nFirstMeas + doc.m_nCurMeas;
        CKVMeas* after = target && first + 1 < target->GetMeasNum() ? target->GetMeas(first + 1) : nullptr;
        ASSERT_EQ(1, doc.SelRectMouseDrop(0, (e.options & kDragOverwrite) ? 1 : 0, (e.options & kDragAutoBeam) ? 1 : 0));
        doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
        // A copy leaves its source as it was, outside the step; so does a
        // move whose source measure no block shows (nothing is deleted and
        // nothing backed up).
        if ((e.options & kDragMove) && b.Meas(e.staff, e.meas) != source)
            EvenWords(b.Meas(e.staff, e.meas));
        for (int s = 0; s < b.System()->GetStaffNum(); ++s) {
            if (b.Staff(s) != target)
                continue;
            // The pasted measure may run on into the next one, which is
            // then backed up (a clone of it is live now); one left as it was
            // is left alone, as undo gives back only what was backed up.
            for (LONG m = first; m <= first + 1 && m < target->GetMeasNum(); ++m)
                if (m == first || target->GetMeas(m) != after)
                    EvenWords(b.Meas(s, static_cast<int>(m)));
        }
        break;
    }
    case Edit::kSwing: {
        doc.ResetBackup();
        CKVMeas* live = BackedUp(b, e.staff, e.meas);
        for (CKVMsg* note : Notes(live)) {
            if (e.value == 0)
                note->SwingReset();
            else
                note->SwingSet(e.value, 4);
        }
        break;
    }
    case Edit::kBeam:
        // Beaming by range or beat and dissolving work in the host's step
        // with the selection backed up; sub-beams open their own.
        if (e.value == 3) {
            doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
            doc.JumpToPage(0);
            RECT all {-10000, -10000, 10000, 10000};
            doc.AddSelRect(SelRect::kRect, &all, nullptr, nullptr, nullptr);
            doc.MakeSubBeam(1, e.x);
            doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
            break;
        }
        SelectForEdit(b, e);
        doc.ResetBackup();
        doc.SelMeasBackup(1);
        if (e.value == 0)
            doc.BindByBeamGroup(1, 0);
        else
            doc.DisAssembleBeam(1);
        doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
        EvenSelected(b, e);
        break;
    case Edit::kBeamBeat:
        SelectForEdit(b, e);
        doc.ResetBackup();
        doc.SelMeasBackup(1);
        doc.BindByBeamBeat(1, 0, 0);
        doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
        EvenSelected(b, e);
        break;
    case Edit::kChord:
        SelectForEdit(b, e);
        doc.ResetBackup();
        doc.SelMeasBackup(1);
        doc.MakeChord(1);
        doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
        EvenSelected(b, e);
        break;
    case Edit::kGrace:
        // The command backs the selection up into the host's step. Grace
        // notes are spaced by the measure's drawn width, which only layout
        // sets and history leaves stale; the host works on a laid-out page.
        doc.UpdateMeasXY(-1);
        for (LONG m = 0; m < b.Staff(e.staff)->GetMeasNum(); ++m)
            b.Meas(e.staff, static_cast<int>(m))->m_nRealWidth = 0;
        SelectForEdit(b, e);
        doc.ResetBackup();
        doc.ChangeToGrace(e.value);
        doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
        EvenSelected(b, e);
        break;
    case Edit::kTremolo:
        // Both follow the tool's current voice; joining opens its own step.
        doc.m_CtrlTool.m_wActiveVoice = 1;
        SelectForEdit(b, e);
        if (e.value == 0) {
            doc.BindByTremolo(e.x);
        } else {
            doc.ResetBackup();
            doc.SelMeasBackup(1);
            doc.RemoveTremoloSelRect();
        }
        doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
        doc.m_CtrlTool.m_wActiveVoice = 0;
        EvenSelected(b, e);
        break;
    case Edit::kTieSlur:
        SelectForEdit(b, e);
        doc.ResetBackup();
        doc.SelMeasBackup(1);
        if (e.value == 0)
            doc.BindByTie(1, 8, 0, 14, 0);
        else
            doc.BindBySlur(1, 8, 0, 0, 0);
        doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
        EvenSelected(b, e);
        break;
    case Edit::kAutoTieSlur: {
        // Its own step; it backs up each measure whose groups it binds.
        const std::vector<std::vector<long>> before = EvenedWords(b);
        doc.AutoTieSlur(8, 0, 0, 0);
        EvenChanged(b, before);
        break;
    }
    case Edit::kInsertPage:
        // The host's step with a whole-document backup.
        doc.ResetBackup();
        doc.ObjectBackup(kBackupRecorded);
        ASSERT_EQ(1, doc.InsertPage(e.index, 1, static_cast<unsigned long>(e.options)));
        break;
    case Edit::kDeletePages:
        doc.ResetBackup();
        doc.ObjectBackup(kBackupRecorded);
        ASSERT_GE(doc.DeletePages(e.index, e.other), 0);
        break;
    case Edit::kPageBlockCount:
        doc.ResetBackup();
        doc.ObjectBackup(kBackupRecorded);
        ASSERT_EQ(1, doc.SetAllPageBlockCount(e.value));
        break;
    case Edit::kClef: {
        // A clef change right of the header, under the host's whole-document
        // backup.
        doc.ResetBackup();
        doc.ObjectBackup(kBackupRecorded);
        // The click is turned into a place in the measure by its drawn
        // width, which only layout sets; the host clicks on a laid-out page.
        doc.UpdateMeasXY(-1);
        CKVMeas* meas = b.Meas(e.staff, e.meas);
        meas->m_nRealWidth = 0;
        // Right of the header even where the page gives the measure no width.
        const int x = std::max<int>(meas->MeasXToAbsX(e.x, 0), meas->m_nHeaderWidth + 1);
        ASSERT_EQ(1, doc.InsertNewClefMsg(meas, e.y, x));
        break;
    }
    case Edit::kDeleteClef: {
        // The removal opens its own step.
        const std::vector<CKVMsg*> changes = ClefChanges(b.Meas(e.staff, e.meas));
        ASSERT_LT(static_cast<size_t>(e.index), changes.size());
        const std::vector<std::vector<long>> before = EvenedWords(b);
        ASSERT_EQ(1, doc.UpdateDelClefType(changes[static_cast<size_t>(e.index)]));
        EvenChanged(b, before);
        break;
    }
    case Edit::kEnding:
        // The command backs up what it changes, on the current staff.
        doc.ResetBackup();
        doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
        doc.JumpToPage(0);
        // The cursor's staff, which undo and redo leave wherever the last
        // command put it, is the host's choice too.
        doc.m_pCurStaff = b.Staff(e.staff);
        if (doc.m_pCurBlock)
            doc.m_nCurStaff = doc.m_pCurBlock->GetStaffIndex(doc.m_pCurStaff);
        doc.DropStaleCursor();
        doc.SetEndingRepeat(e.meas, e.other, static_cast<unsigned long>(e.value), e.x ? "2." : "1.", 0);
        break;
    case Edit::kCompressRest:
        doc.ResetBackup();
        doc.ObjectBackup(kBackupRecorded);
        ASSERT_EQ(1, doc.CompressRestMeas(e.value, RestFont(), 2));
        // The new rests' words, like every word the whole-document backup
        // made live.
        for (int s = 0; s < b.System()->GetStaffNum(); ++s) {
            for (LONG m = 0; m < b.Staff(s)->GetMeasNum(); ++m)
                EvenWords(b.Meas(s, static_cast<int>(m)));
        }
        break;
    case Edit::kKinds:
        FAIL() << "not an edit";
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

// KV_UNDO_RANDOM_CHECK sets how many steps lie between two comparisons
// with the replay (a quarter of the run by default); 1 finds the first step
// that goes wrong.
int CheckEvery(int steps)
{
    const char* text = std::getenv("KV_UNDO_RANDOM_CHECK");
    const int every = text ? std::atoi(text) : 0;
    return every > 0 ? every : std::max(1, steps / 4);
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
            const int roll = Pick(120);
            e.staff = Pick(staves);
            // Notes gather in the first measures half the time, so that
            // chords, beam groups and ties across bar lines come about.
            const int crowded = std::min(measures, 3);
            e.meas = Pick(2) ? Pick(measures) : Pick(crowded);
            if (roll < 30) {
                e.kind = Edit::kAddNote;
                e.x = static_cast<short>(120 * Pick(8));
                e.y = static_cast<short>(Pick(5));
                e.value = Pick(3) == 0 ? DUR_QUARTER : DUR_EIGHTH;
            } else if (roll < 42) {
                e.kind = Edit::kDeleteNote;
                const size_t notes = Notes(live->Meas(e.staff, e.meas)).size();
                if (notes == 0)
                    continue;
                e.index = Pick(static_cast<int>(notes));
            } else if (roll < 57) {
                e.kind = Edit::kTie;
                e.meas = Pick(2) ? Pick(measures - 1) : Pick(crowded - 1);
                CKVMeas* left = live->Meas(e.staff, e.meas);
                CKVMeas* right = live->Meas(e.staff, e.meas + 1);
                const int lefts = static_cast<int>(EdgeNotes(left, true).size());
                const int rights = static_cast<int>(EdgeNotes(right, false).size());
                std::vector<std::pair<int, int>> pairs;
                for (int i = 0; i < lefts; ++i) {
                    for (int j = 0; j < rights; ++j) {
                        CKVMsg* first = nullptr;
                        CKVMsg* second = nullptr;
                        if (TiePair(left, right, i, j, &first, &second))
                            pairs.emplace_back(i, j);
                    }
                }
                if (pairs.empty())
                    continue;
                const std::pair<int, int> pair = pairs[static_cast<size_t>(Pick(static_cast<int>(pairs.size())))];
                e.index = pair.first;
                e.other = pair.second;
            } else if (roll < 65) {
                e.kind = Edit::kAccidental;
                const size_t notes = Notes(live->Meas(e.staff, e.meas)).size();
                if (notes == 0)
                    continue;
                e.index = Pick(static_cast<int>(notes));
                e.value = static_cast<short>(Pick(6));
                e.options = Pick(4) == 0 ? Pick(4) : 0;
            } else if (roll < 71) {
                e.kind = Edit::kAddStaff;
                if (staves >= kMaxStaves)
                    continue;
            } else if (roll < 80) {
                e.kind = Edit::kAddMeas;
                e.value = static_cast<short>(1 + Pick(2));
                if (measures + e.value > kMaxMeasures)
                    continue;
            } else if (roll < 86) {
                e.kind = Edit::kPageText;
                e.index = Pick(Doc().GetPageNum());
                e.x = static_cast<short>(10 * Pick(50));
                e.y = static_cast<short>(Pick(50));
                e.value = static_cast<short>('A' + Pick(26));
            } else if (roll < 90) {
                e.kind = Edit::kFont;
                e.value = Doc().m_nFontHeight == kNarrowFont ? kWideFont : kNarrowFont;
            } else {
                // The later commands share the last thirty of the 120 rolls.
                switch (Pick(kLaterKinds)) {
                case 0: {
                    e.kind = Edit::kSpaceNotes;
                    // A measure that no block shows takes no selection record;
                    // nor does one of a staff its block hides.
                    CKVBlock* block = Doc().GetBlockByMeas(live->Meas(e.staff, e.meas));
                    if (!block || block->GetStaffIndex(live->Staff(e.staff)) < 0)
                        continue;
                    e.value = static_cast<short>(Pick(2));
                    break;
                }
                case 1:
                    e.kind = Edit::kMeasWidth;
                    e.other = std::min(measures - 1, e.meas + Pick(2));
                    e.value = static_cast<short>(40 + 8 * Pick(20));
                    break;
                case 2:
                    e.kind = Edit::kScoreSpace;
                    e.x = static_cast<short>(3 + Pick(6));
                    e.value = static_cast<short>(2 + Pick(5));
                    break;
                case 3:
                    e.kind = Edit::kCenterFit;
                    e.index = Pick(Doc().GetPageNum());
                    e.value = static_cast<short>(Pick(4));
                    break;
                case 4: {
                    e.kind = Edit::kStaffHide;
                    e.value = static_cast<short>(Pick(2));
                    CKVPage* page = Doc().GetPageNum() > 0 ? Doc().GetPage(0) : nullptr;
                    if (!page || page->GetBlockNum() == 0)
                        continue;
                    e.index = Pick(page->GetBlockNum());
                    const int shown = page->GetBlock(static_cast<short>(e.index))->GetStaffNum();
                    if (e.value == 0 && shown < 2)
                        continue;
                    e.other = Pick(std::max(shown, 1));
                    break;
                }
                case 5: {
                    e.kind = Edit::kStaffVisible;
                    CKVPage* page = Doc().GetPageNum() > 0 ? Doc().GetPage(0) : nullptr;
                    if (!page || page->GetBlockNum() == 0)
                        continue;
                    e.index = Pick(page->GetBlockNum());
                    break;
                }
                case 6:
                    e.kind = Edit::kInsertOssia;
                    e.value = static_cast<short>(Pick(2));
                    if (e.meas + e.value >= measures || Doc().GetPageNum() == 0)
                        continue;
                    e.x = static_cast<short>(10 * Pick(20));
                    e.y = static_cast<short>(10 * Pick(20));
                    break;
                case 7: {
                    e.kind = Edit::kDeleteOssia;
                    CKVPage* page = Doc().GetPageNum() > 0 ? Doc().GetPage(0) : nullptr;
                    if (!page || page->m_arrOssiaBlock.GetSize() == 0)
                        continue;
                    e.index = Pick(page->m_arrOssiaBlock.GetSize());
                    break;
                }
                case 8:
                    e.kind = Edit::kMeasViewAttr;
                    e.index = Pick(3);
                    e.value = static_cast<short>(Pick(256));
                    break;
                case 9: {
                    e.kind = Edit::kCaretDelete;
                    const size_t notes = Notes(live->Meas(e.staff, e.meas)).size();
                    if (notes == 0)
                        continue;
                    e.index = Pick(static_cast<int>(notes));
                    break;
                }
                case 10:
                    e.kind = Edit::kVelocity;
                    e.x = static_cast<short>(Pick(300) - 100);
                    e.y = static_cast<short>(Pick(128));
                    e.value = static_cast<short>(1 + Pick(5));
                    break;
                case 11:
                    e.kind = Edit::kTempo;
                    e.other = Pick(measures);
                    e.x = static_cast<short>(Pick(500) - 50);
                    e.y = static_cast<short>(Pick(300));
                    e.value = static_cast<short>(Pick(6));
                    break;
                case 12: {
                    static constexpr short kBars[] = {-1, 1, 2, 3, 4, 6, 16};
                    e.kind = Edit::kBarType;
                    e.other = Pick(measures);
                    e.value = kBars[Pick(7)];
                    e.index = kBars[Pick(7)];
                    break;
                }
                case 13:
                    e.kind = Edit::kBlockCount;
                    e.value = static_cast<short>(1 + Pick(4));
                    break;
                case 14:
                    e.kind = Edit::kDragDrop;
                    if (Notes(live->Meas(e.staff, e.meas)).empty())
                        continue;
                    e.index = Pick(staves);
                    e.other = Pick(measures);
                    e.x = static_cast<short>(128 * Pick(2));
                    e.options = Pick(8);
                    break;
                case 15:
                    e.kind = Edit::kSwing;
                    if (Notes(live->Meas(e.staff, e.meas)).empty())
                        continue;
                    e.value = static_cast<short>(Pick(3) == 0 ? 0 : 50 + 8 * Pick(4));
                    break;
                case 16:
                case 30: // beams take two shares
                    e.kind = Edit::kBeam;
                    if (!PickSelection(e))
                        continue;
                    // 0 beams, 1 dissolves, 3 breaks sub-beams.
                    e.value = static_cast<short>(Pick(3));
                    if (e.value == 2)
                        e.value = 3;
                    e.x = static_cast<short>(Pick(3));
                    break;
                case 26:
                    e.kind = Edit::kBeamBeat;
                    if (!PickSelection(e))
                        continue;
                    break;
                case 17:
                    e.kind = Edit::kChord;
                    if (!PickSelection(e))
                        continue;
                    break;
                case 18:
                    e.kind = Edit::kGrace;
                    if (!PickSelection(e))
                        continue;
                    e.value = static_cast<short>(Pick(2));
                    break;
                case 19:
                    e.kind = Edit::kTremolo;
                    if (!PickSelection(e))
                        continue;
                    e.value = static_cast<short>(Pick(2));
                    e.x = static_cast<short>(1 + Pick(3));
                    break;
                case 20:
                case 21: // ties and slurs take two shares
                    e.kind = Edit::kTieSlur;
                    if (!PickSelection(e))
                        continue;
                    e.value = static_cast<short>(Pick(2));
                    break;
                case 22:
                    e.kind = Edit::kInsertPage;
                    if (!PickPages(e, measures, true))
                        continue;
                    break;
                case 27:
                    e.kind = Edit::kDeletePages;
                    if (!PickPages(e, measures, false))
                        continue;
                    break;
                case 23:
                    e.kind = Edit::kPageBlockCount;
                    e.value = static_cast<short>(1 + Pick(3));
                    break;
                case 24:
                    e.kind = Edit::kClef;
                    e.x = static_cast<short>(64 + 32 * Pick(5));
                    e.y = static_cast<short>(1 + Pick(2));
                    break;
                case 28: {
                    e.kind = Edit::kDeleteClef;
                    // One of the score's clef changes.
                    std::vector<std::array<int, 3>> changes;
                    for (int st = 0; st < staves; ++st) {
                        for (int m = 0; m < measures; ++m) {
                            const size_t n = ClefChanges(live->Meas(st, m)).size();
                            for (size_t i = 0; i < n; ++i)
                                changes.push_back({st, m, static_cast<int>(i)});
                        }
                    }
                    if (changes.empty())
                        continue;
                    const std::array<int, 3> change = changes[static_cast<size_t>(Pick(static_cast<int>(changes.size())))];
                    e.staff = change[0];
                    e.meas = change[1];
                    e.index = change[2];
                    break;
                }
                case 25: {
                    static constexpr short kEndings[] = {1, 2, 3, 0x4000};
                    e.kind = Edit::kEnding;
                    e.other = std::min(measures - 1, e.meas + Pick(3));
                    e.value = kEndings[Pick(4)];
                    e.x = static_cast<short>(Pick(2));
                    break;
                }
                case 29:
                    e.kind = Edit::kAutoTieSlur;
                    break;
                default:
                    e.kind = Edit::kCompressRest;
                    e.value = static_cast<short>(40 + 10 * Pick(6));
                    if (MeasuresAfterCompressing(e.value) < 2)
                        continue;
                    break;
                }
            }
            return e;
        }
    }

    // A kind-2 record on a measure with notes that a block shows on a staff
    // it does not hide, or now and then a kind-4 record on the staff.
    bool PickSelection(Edit& e)
    {
        if (Pick(4) == 0) {
            e.options = kWholeStaff;
            return true;
        }
        CKVMeas* meas = live->Meas(e.staff, e.meas);
        CKVBlock* block = Doc().GetBlockByMeas(meas);
        return block && block->GetStaffIndex(live->Staff(e.staff)) >= 0 && !Notes(meas).empty();
    }

    // Pages inserted or deleted after page 0, the score kept within its
    // measure limit and at three measures or more.
    bool PickPages(Edit& e, int measures, bool insert)
    {
        const int pages = Doc().GetPageNum();
        if (insert) {
            if (pages >= 20)
                return false;
            e.index = Pick(pages);
            e.options = Pick(4);
            if (!(e.options & 1) && e.index == 0)
                return false;
            if (e.options & 2)
                return true;
            // A page with measures copies the nearest page with blocks at or
            // before it.
            LONG model = 0;
            for (int q = e.index; q >= 0 && model == 0; --q) {
                CKVPage* page = Doc().GetPage(static_cast<short>(q));
                for (short k = 0; k < page->GetBlockNum(); ++k)
                    model += page->GetBlock(k)->m_nMeasCount;
            }
            if (model == 0)
                model = static_cast<LONG>(std::max<int>(1, Doc().m_pFileInfo->m_nMeasPerBlock)) *
                        std::max<int>(1, Doc().m_pFileInfo->m_nBlockPerPage);
            return measures + model <= kMaxMeasures;
        }
        if (pages < 2)
            return false;
        e.index = 1 + Pick(pages - 1);
        e.other = std::min(pages - 1, e.index + Pick(2));
        LONG shown = 0;
        for (int p = e.index; p <= e.other; ++p) {
            CKVPage* page = Doc().GetPage(static_cast<short>(p));
            for (short k = 0; k < page->GetBlockNum(); ++k)
                shown += page->GetBlock(k)->m_nMeasCount;
        }
        return measures - shown >= 3;
    }

    // The measures the score would keep if its empty runs were compressed,
    // tried on a stored copy.
    LONG MeasuresAfterCompressing(short percent)
    {
        const short kept = nCurStaffSpace;
        std::unique_ptr<CKVDoc> trial = Reloaded(Doc());
        trial->CompressRestMeas(percent, RestFont(), 2);
        const LONG left = trial->m_arrSystem.GetAt(0)->GetMeasNum();
        trial.reset();
        nCurStaffSpace = kept;
        return left;
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
    int made[Edit::kKinds] = {}; // edits made on the live score, by kind
};

TEST_P(UndoRandomTest, UndoAndRedoLeaveTheScoreThatTheEditsInEffectMake)
{
    rng.seed(GetParam());
    const int steps = StepsPerSeed();
    const int checks = CheckEvery(steps);
    for (int step = 1; step <= steps; ++step) {
        const int roll = Pick(100);
        if (roll < 55) {
            const Edit e = NextEdit();
            // The previous edit's step closes here, as the next command would
            // close it (and drop what was left to redo).
            Doc().ResetBackup();
            // The integrity check undoes and redoes the edit, which closes
            // its step: whether it recorded one is read right after it.
            bool opened = false;
            const std::vector<std::string> problems = kvtest::CheckedStep(Doc(), [&] {
                Apply(*live, e);
                opened = Doc().m_bBackupOpen;
            });
            ASSERT_FALSE(HasFatalFailure()) << "edit " << e.kind << " at step " << step;
            ASSERT_TRUE(problems.empty()) << "seed " << GetParam() << " step " << step << ", edit " << e.kind
                                          << kvtest::Joined(problems);
            undone.clear();
            // A command that found nothing to change (no note under a
            // velocity record, bar types both left as they are) records no
            // step, and undo then takes back the edit before it.
            if (opened) {
                done.push_back(e);
                ++made[e.kind];
                undoable = std::min(undoable + 1, kMaxSteps);
            }
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
        if (roll >= 55) {
            const std::vector<std::string> problems = kvtest::IntegrityProblems(Doc());
            ASSERT_TRUE(problems.empty()) << "seed " << GetParam() << " step " << step
                                          << (roll < 80 ? ", undo" : ", redo") << kvtest::Joined(problems);
        }
        if (step % checks == 0 || step == steps) {
            ExpectMatchesReplay(step);
            ASSERT_FALSE(HasFatalFailure());
        }
    }

    // A full run reaches every kind of edit.
    if (steps >= 1000) {
        for (int kind = 0; kind < Edit::kKinds; ++kind)
            EXPECT_GT(made[kind], 0) << "no edit of kind " << kind;
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
