// Ties whose notes are copied or deleted by the measure-level commands: an
// overwriting drop that deletes tied notes, a drag or copy that carries one
// note of a tie, and an ossia over a run that ties cross. No note may be left
// with a tie flag or a reference that no tie supports, and the notes outside
// what the command copies keep their ties.

#include "support/CanonicalDump.h"
#include "support/ClipboardSupport.h"
#include "support/NodeSupport.h"
#include "support/UndoSupport.h"

#include "model/KVBlock.h"
#include "model/KVStaff.h"

#include <gtest/gtest.h>

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

} // namespace
