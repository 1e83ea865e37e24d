// Ties whose notes are copied or deleted by the measure-level commands: an
// overwriting drop that deletes tied notes, a drag or copy that carries one
// note of a tie, an ossia over a run that ties cross, a paste whose tied note
// joins a beam group, a tie copied ahead of its end note and one left behind by
// a note whose slur the copy judges a tie. No note may be left with a tie flag
// or a reference that no tie supports, and the notes outside what the command
// copies keep their ties.

#include "support/CanonicalDump.h"
#include "support/ClipboardSupport.h"
#include "support/NodeSupport.h"
#include "support/UndoSupport.h"

#include "document/CopyPtrMap.h"
#include "model/KVBlock.h"
#include "model/KVStaff.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using kvtest::ImageBuffer;

constexpr WORD kTieFlags = MSGFLAG_TIE_START | MSGFLAG_TIE_END;

class CopyTieEndsTest : public kvtest::ClipboardTest {
protected:
    // The ties a note holds, as (start id, end id, owned).
    struct Held {
        DWORD start;
        DWORD end;
        bool owned;
        bool operator==(const Held&) const = default;
    };
    static std::vector<Held> TiesOf(CKVMsg* note)
    {
        std::vector<Held> out;
        for (short i = 0; i < note->GetMsgNum(); ++i) {
            CKVMsg* child = note->GetMsg(i);
            if (child && child->m_byKind == MSG_TIE)
                out.push_back({child->m_dwWord, static_cast<DWORD>(child->m_lHeight),
                               note->m_arrMsgRef.GetAt(i)->byOwner != 0});
        }
        return out;
    }

    static void ExpectUntied(CKVMsg* note)
    {
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(note->m_wFlag & kTieFlags, 0);
        EXPECT_TRUE(TiesOf(note).empty());
    }

    static void ExpectTied(CKVMsg* first, CKVMsg* second, int line = __builtin_LINE())
    {
        SCOPED_TRACE(line);
        ASSERT_TRUE(first && second);
        EXPECT_EQ(first->m_wFlag & kTieFlags, MSGFLAG_TIE_START);
        EXPECT_EQ(second->m_wFlag & kTieFlags, MSGFLAG_TIE_END);
        const Held joined {first->m_dwMsgId, second->m_dwMsgId, true};
        EXPECT_EQ(TiesOf(first), std::vector<Held> {joined});
        EXPECT_EQ(TiesOf(second), (std::vector<Held> {{joined.start, joined.end, false}}));
    }

    // The note of a measure at a position word.
    CKVMsg* At(int staff, int meas, short x)
    {
        for (CKVMsg* msg : Timed(Meas(staff, meas)))
            if (msg->m_byKind == MSG_NOTE && msg->m_nPosX == x)
                return msg;
        return nullptr;
    }

    // Quarters at the given places of staff 0, all on one line, timed.
    void Quarters(int meas, std::vector<short> xs)
    {
        for (short x : xs)
            Note(Meas(0, meas), {.x = x, .y = -8});
        Meas(0, meas)->UpdateStartTime(1, 0, 0, 0);
    }
};

// Half a measure dropped with overwrite at the start of a full one pushes
// its last note out, which is tied into the measure after. That tie goes
// from both notes; the tie from the measure before, whose note stays, is
// kept. One undo brings everything back.
TEST_F(CopyTieEndsTest, AnOverwritingDropUntiesTheNotesItDeletes)
{
    Quarters(0, {192});
    Quarters(1, {0, 64, 128, 192});
    Quarters(2, {0});
    score->Tie(At(0, 0, 192), At(0, 1, 0));
    score->Tie(At(0, 1, 192), At(0, 2, 0));
    for (short x : {0, 64})
        Note(Meas(1, 4), {.x = x, .y = 4});
    Meas(1, 4)->UpdateStartTime(1, 0, 0, 0);

    kvtest::ExpectRoundTrip(Doc(), [&] {
        SelectMeas(1, 4);
        ASSERT_EQ(Doc().SelRectMouseDrag(0, 0), 1);
        CursorAt(0, 1);
        ASSERT_EQ(Doc().SelRectMouseDrop(0, 1, 0), 1);
    });
    const std::vector<CKVMsg*> notes = Timed(Meas(0, 1));
    // The first pasted quarter fits before the notes it pushes on; the
    // last of those no longer fits and goes.
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_EQ(notes[0]->GetMidiKey(), 63);
    ExpectTied(At(0, 0, 192), notes[1]);
    ExpectUntied(notes[2]);
    ExpectUntied(notes[3]);
    ExpectUntied(At(0, 2, 0));

    Doc().MultiUndoStart();
    ExpectTied(At(0, 0, 192), At(0, 1, 0));
    ExpectTied(At(0, 1, 192), At(0, 2, 0));
}

// Three quarters dropped with overwrite at the middle of a half-full
// measure: the second, tied to the third, fits and the third does not. The
// copy of the second holds no tie, rather than one whose end is the id the
// third had in the drag image.
TEST_F(CopyTieEndsTest, ANoteWhoseTieEndDoesNotFitIsDroppedUntied)
{
    Quarters(0, {0, 64, 128});
    score->Tie(At(0, 0, 64), At(0, 0, 128));
    for (short x : {0, 64})
        Note(Meas(1, 5), {.x = x, .y = 4});
    Meas(1, 5)->UpdateStartTime(1, 0, 0, 0);

    kvtest::ExpectRoundTrip(Doc(), [&] {
        SelectMeas(0, 0);
        ASSERT_EQ(Doc().SelRectMouseDrag(0, 0), 1);
        CursorAt(1, 5);
        Doc().m_nCaretPos = 128;
        ASSERT_EQ(Doc().SelRectMouseDrop(0, 1, 0), 1);
    });
    const std::vector<CKVMsg*> notes = Timed(Meas(1, 5));
    ASSERT_EQ(notes.size(), 4u);
    for (CKVMsg* note : notes)
        ExpectUntied(note);
    ExpectTied(At(0, 0, 64), At(0, 0, 128));
}

// A measure whose first note ends a tie from the measure before, dragged or
// copied alone: the copy continues no tie.
TEST_F(CopyTieEndsTest, ACopiedNoteKeepsNoFlagOfATieLeftBehind)
{
    Quarters(0, {192});
    Quarters(1, {0, 64});
    score->Tie(At(0, 0, 192), At(0, 1, 0));

    SelectMeas(0, 1);
    ASSERT_EQ(Doc().SelRectMouseDrag(0, 0), 1);
    CursorAt(1, 5);
    ASSERT_EQ(Doc().SelRectMouseDrop(0, 0, 0), 1);
    ASSERT_EQ(Timed(Meas(1, 5)).size(), 2u);
    for (CKVMsg* copy : Timed(Meas(1, 5)))
        ExpectUntied(copy);

    ImageBuffer image;
    CopyMeasure(image, 0, 1);
    CursorAt(1, 7);
    ASSERT_EQ(Paste(image), 1);
    ASSERT_EQ(Timed(Meas(1, 7)).size(), 2u);
    for (CKVMsg* copy : Timed(Meas(1, 7)))
        ExpectUntied(copy);
    // The source keeps its tie.
    ExpectTied(At(0, 0, 192), At(0, 1, 0));
}

// A grace note tied to the quarter after it: a drag copies the timed notes
// before the grace note, so the end note's copy is made before the tie's.
// The copies are tied to each other, not to the id the end had in the drag
// image.
TEST_F(CopyTieEndsTest, AGraceNoteTiedToALaterNoteKeepsItsTieWhenDropped)
{
    Quarters(0, {0, 64});
    score->Tie(At(0, 0, 0), At(0, 0, 64));
    At(0, 0, 0)->MakeGraceNote();
    Meas(0, 0)->UpdateStartTime(1, 0, 0, 0);

    SelectMeas(0, 0);
    ASSERT_EQ(Doc().SelRectMouseDrag(0, 0), 1);
    CursorAt(1, 5);
    ASSERT_EQ(Doc().SelRectMouseDrop(0, 0, 0), 1);
    CKVMsg* grace = nullptr;
    CKVMsg* quarter = nullptr;
    for (CKVMsg* msg : kvtest::Children(Meas(1, 5)))
        if (msg->m_byKind == MSG_NOTE)
            ((msg->m_wFlag & MSGFLAG_GRACE) ? grace : quarter) = msg;
    ExpectTied(grace, quarter);
    ExpectTied(At(0, 0, 0), At(0, 0, 64));
}

// An ossia over measures 2 to 4: the tie inside the run is copied once and
// joins the copies; the ties that cross the run's ends stay on the shadowed
// staff, whose notes keep them, and leave the copies untied.
TEST_F(CopyTieEndsTest, AnOssiaCopiesTheTiesInsideItsRunOnly)
{
    Quarters(0, {192});
    Quarters(1, {0, 192});
    Quarters(2, {0});
    Quarters(3, {192});
    Quarters(4, {0});
    score->Tie(At(0, 0, 192), At(0, 1, 0));
    score->Tie(At(0, 1, 192), At(0, 2, 0));
    score->Tie(At(0, 3, 192), At(0, 4, 0));
    const std::string shadowed = kvtest::CanonicalDump(Doc());

    Doc().ResetBackup();
    ASSERT_EQ(Doc().InsertOssia(POINT {50, 60}, 0, 0, 2, 4, 15, 0, 80), 1);
    CKVStaff* ossia = score->System()->GetOssiaStaff(0);
    ASSERT_NE(ossia, nullptr);
    ASSERT_EQ(ossia->GetMeasNum(), 3);
    auto copyAt = [&](int meas, short x) -> CKVMsg* {
        CKVMeas* m = ossia->GetMeas(meas);
        for (short i = 0; i < m->GetMsgNum(); ++i)
            if (CKVMsg* msg = m->GetMsg(i); msg && msg->m_byKind == MSG_NOTE && msg->m_nPosX == x)
                return msg;
        return nullptr;
    };
    ExpectUntied(copyAt(0, 0));
    ExpectTied(copyAt(0, 192), copyAt(1, 0));
    ExpectUntied(copyAt(2, 192));
    // The shadowed staff is as it was.
    ExpectTied(At(0, 0, 192), At(0, 1, 0));
    ExpectTied(At(0, 1, 192), At(0, 2, 0));
    ExpectTied(At(0, 3, 192), At(0, 4, 0));

    Doc().MultiUndoStart();
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), shadowed);
}

// A slur inside an ossia's run whose end note is copied before the note
// that owns it (here two notes of one chord, the later one owning it): the
// copies are joined by one slur that both hold.
TEST_F(CopyTieEndsTest, AnOssiaJoinsTheCopyOfANoteCopiedBeforeItsSlursOwner)
{
    CKVMsg* chord = score->Chord(Meas(0, 2), {.x = 0}, {-8, 8});
    ASSERT_TRUE(chord);
    const std::vector<CKVMsg*> notes = kvtest::Children(chord);
    ASSERT_EQ(notes.size(), 2u);
    CKVMsg* slur = score->Tie(notes[1], notes[0]);
    slur->m_byKind = MSG_SLUR;
    notes[0]->m_wFlag = static_cast<WORD>(notes[0]->m_wFlag & ~kTieFlags);
    notes[1]->m_wFlag = static_cast<WORD>(notes[1]->m_wFlag & ~kTieFlags);
    Meas(0, 2)->UpdateStartTime(1, 0, 0, 0);

    Doc().ResetBackup();
    ASSERT_EQ(Doc().InsertOssia(POINT {50, 60}, 0, 0, 2, 4, 15, 0, 80), 1);
    CKVStaff* ossia = score->System()->GetOssiaStaff(0);
    ASSERT_NE(ossia, nullptr);
    const std::vector<CKVMsg*> chords = kvtest::Children(ossia->GetMeas(1));
    ASSERT_EQ(chords.size(), 1u);
    const std::vector<CKVMsg*> copies = kvtest::Children(chords[0]);
    ASSERT_EQ(copies.size(), 2u);
    // The owner holds the one slur, and the end refers to it.
    std::vector<CKVMsg*> held;
    for (CKVMsg* child : kvtest::Children(copies[1]))
        if (child->m_byKind == MSG_SLUR)
            held.push_back(child);
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held[0]->m_dwWord, copies[1]->m_dwMsgId);
    EXPECT_EQ(static_cast<DWORD>(held[0]->m_lHeight), copies[0]->m_dwMsgId);
    std::vector<CKVMsg*> ends;
    for (CKVMsg* child : kvtest::Children(copies[0]))
        if (child->m_byKind == MSG_SLUR)
            ends.push_back(child);
    EXPECT_EQ(ends, held);
}

// Two eighths tied across a bar line pasted with automatic beams after an
// eighth of the same beat: the first copy joins a group with it, which holds
// it while it names the measure as its parent, and the tie still joins the
// copies, each flagged for its end.
TEST_F(CopyTieEndsTest, APastedTieWhoseFirstNoteJoinsABeamGroupKeepsBothEnds)
{
    Note(Meas(0, 0), {.x = 0, .y = -8, .code = DUR_EIGHTH});
    Note(Meas(0, 1), {.x = 0, .y = -8, .code = DUR_EIGHTH});
    for (int meas : {0, 1})
        Meas(0, meas)->UpdateStartTime(1, 0, 0, 0);
    score->Tie(At(0, 0, 0), At(0, 1, 0));
    Note(Meas(1, 4), {.x = 64, .y = 4, .code = DUR_EIGHTH});
    Meas(1, 4)->UpdateStartTime(1, 0, 0, 0);

    ImageBuffer image;
    SelectBlockStaff(0, 0);
    ASSERT_GT(Copy(image), 8u);
    kvtest::ExpectRoundTrip(Doc(), [&] {
        CursorAt(1, 4);
        Doc().m_nCaretPos = 96;
        ASSERT_EQ(Paste(image, 0, 1), 1);
    });
    const std::vector<CKVMsg*> first = Timed(Meas(1, 4));
    const std::vector<CKVMsg*> second = Timed(Meas(1, 5));
    ASSERT_EQ(first.size(), 2u);
    ASSERT_EQ(second.size(), 1u);
    ASSERT_NE(first[1]->m_wFlag & MSGFLAG_BEAM_MEMBER, 0) << "the pasted eighth joined no group";
    ExpectTied(first[1], second[0]);
}

// A tie copied with its first note before its end note is copied names no
// end until then, whatever the id its end had in the image names here: this
// one names the id the copy of the note itself takes, which would have the
// note end its own tie and keep the flag of a tie arriving from nowhere.
TEST_F(CopyTieEndsTest, ATieCopiedAheadOfItsEndNoteNamesNoEnd)
{
    Quarters(0, {192});
    Quarters(1, {0});
    score->Tie(At(0, 0, 192), At(0, 1, 0));
    ImageBuffer image;
    SelectBlockStaff(0, 0);
    ASSERT_GT(Copy(image), 8u);
    auto temp = std::unique_ptr<CKVSystem>(kvclip::NewTempSystem(Doc()));
    DWORD pos = 0;
    ASSERT_EQ(temp->Construct(image.data, pos, image.size), 1);
    CKVMsg* first = Timed(temp->GetStaff(0)->GetMeas(0)).at(0);
    CKVMsg* tie = first->GetMsg(first->GetTieIndex(1));
    ASSERT_NE(tie, nullptr);

    CKVSystem* system = score->System();
    system->ReleaseKey();
    ClearCopyPtrMap();
    const DWORD copyId = static_cast<DWORD>(system->m_arrMsgMap.GetSize());
    tie->m_lHeight = static_cast<LONG>(copyId);
    CKVMsg* copy = first->CopyToParent(Meas(1, 4), kHolderOwns);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(TiesOf(copy), (std::vector<Held> {{copyId, 0, true}}));
}

// A note that owns a slur to the next note, which the image judges a tie,
// and a tie into a measure the copy leaves out: the copy keeps the flag the
// judged tie needs when the tie left behind goes.
TEST_F(CopyTieEndsTest, ACopyKeepsTheFlagOfATieItJudgesWhenATieLeftBehindGoes)
{
    Quarters(0, {128, 192});
    Quarters(1, {0});
    CKVMsg* slur = score->Tie(At(0, 0, 128), At(0, 0, 192));
    slur->m_byKind = MSG_SLUR;
    for (short x : {128, 192})
        At(0, 0, x)->m_wFlag = static_cast<WORD>(At(0, 0, x)->m_wFlag & ~kTieFlags);
    score->Tie(At(0, 0, 128), At(0, 1, 0));

    ImageBuffer image;
    CopyMeasure(image, 0, 0);
    CursorAt(1, 4);
    ASSERT_EQ(Paste(image), 1);
    const std::vector<CKVMsg*> copies = Timed(Meas(1, 4));
    ASSERT_EQ(copies.size(), 2u);
    ExpectTied(copies[0], copies[1]);
}

} // namespace
