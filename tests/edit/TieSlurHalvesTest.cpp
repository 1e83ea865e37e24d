// Ties and slurs stay whole through the edits that remove or re-judge one of
// their notes: no note that stays keeps a tie or slur whose other note left
// the score, and a note's tie flags follow the ties it holds (a slur sets
// none, and removing one leaves a tie of the same note alone).

#include "support/CanonicalDump.h"
#include "support/ClipboardSupport.h"
#include "support/UndoSupport.h"

#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using kvtest::ImageBuffer;

// How a whole-staff record's music of one voice leaves the score.
enum class Removal { Delete, Cut, Move };

const char* NameOf(Removal how)
{
    switch (how) {
    case Removal::Delete:
        return "delete";
    case Removal::Cut:
        return "cut";
    case Removal::Move:
        return "move";
    }
    return "?";
}

// Every note of a node, chord and beam members included, walked through the
// owned references only, as the tree holds them.
void CollectNotes(CKVObject& node, std::set<CKVMsg*>& notes, int depth)
{
    if (depth > 4 || !node.m_pSystem)
        return;
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
        CKVMsg* child = ref && ref->byOwner ? node.m_pSystem->GetMsgFromMap(ref->dwMsgId) : nullptr;
        if (!child || child == &node)
            continue;
        if (child->m_byKind == MSG_NOTE)
            notes.insert(child);
        else if (child->m_byKind == MSG_CHORD || child->m_byKind == MSG_BEAM)
            CollectNotes(*child, notes, depth + 1);
    }
}

bool HoldsId(const CKVObject& note, DWORD id)
{
    for (int i = 0; i < note.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = note.m_arrMsgRef.GetAt(i);
        if (ref && ref->dwMsgId == id)
            return true;
    }
    return false;
}

// What is wrong with the ties and slurs of the master system's staves, one
// line per fault: a link whose notes are not both in the tree or do not both
// hold it, and a tie flag that no held tie supports (or a held tie without
// its flag).
std::vector<std::string> LooseTieEnds(CKVDoc& doc)
{
    CKVSystem* system = doc.m_arrSystem.GetAt(0);
    std::set<CKVMsg*> notes;
    for (short s = 0; s < system->GetStaffNum(); ++s) {
        CKVStaff* staff = system->GetStaff(s);
        for (LONG m = 0; m < staff->GetMeasNum(); ++m)
            CollectNotes(*staff->GetMeas(m), notes, 0);
    }
    std::vector<std::string> faults;
    for (CKVMsg* note : notes) {
        const std::string where = "note " + std::to_string(note->m_dwMsgId) + " x " +
                                  std::to_string(note->m_nPosX) + " y " + std::to_string(note->m_nPosY) + ": ";
        bool starts = false;
        bool ends = false;
        for (int i = 0; i < note->m_arrMsgRef.GetSize(); ++i) {
            const MsgRef* ref = note->m_arrMsgRef.GetAt(i);
            CKVMsg* link = ref ? system->GetMsgFromMap(ref->dwMsgId) : nullptr;
            if (!link || (link->m_byKind != MSG_TIE && link->m_byKind != MSG_SLUR))
                continue;
            CKVMsg* first = system->GetMsgFromMap(link->m_dwWord);
            CKVMsg* second = system->GetMsgFromMap(static_cast<DWORD>(link->m_lHeight));
            if (!notes.count(first) || !notes.count(second)) {
                faults.push_back(where + "holds a link to a note that left the score");
                continue;
            }
            if (!HoldsId(*first, link->m_dwMsgId) || !HoldsId(*second, link->m_dwMsgId))
                faults.push_back(where + "holds a link that its other note does not");
            if (link->m_byKind == MSG_TIE) {
                starts = starts || first == note;
                ends = ends || second == note;
            }
        }
        if (((note->m_wFlag & MSGFLAG_TIE_START) != 0) != starts)
            faults.push_back(where + "tie-start flag disagrees with its ties");
        if (((note->m_wFlag & MSGFLAG_TIE_END) != 0) != ends)
            faults.push_back(where + "tie-end flag disagrees with its ties");
    }
    return faults;
}

class TieSlurHalvesTest : public kvtest::ClipboardTest {
protected:
    // A fresh score of the fixture's shape, undo recording on.
    void Rebuild()
    {
        score.reset();
        score = std::make_unique<kvtest::ScoreBuilder>(Shape());
        kvtest::StartUndoRecording(Doc());
        Doc().JumpToPage(0);
    }

    // The note of a measure at a position (and height, when given), chord
    // and beam members included; null when there is none.
    CKVMsg* NoteAt(int staff, int meas, short x, std::optional<short> y)
    {
        std::set<CKVMsg*> notes;
        CollectNotes(*Meas(staff, meas), notes, 0);
        for (CKVMsg* note : notes) {
            if (note->m_nPosX == x && (!y || note->m_nPosY == *y))
                return note;
        }
        return nullptr;
    }

    int Links(CKVMsg* note)
    {
        int count = 0;
        for (int i = 0; i < note->m_arrMsgRef.GetSize(); ++i) {
            CKVMsg* child = note->GetMsg(static_cast<short>(i));
            count += child && (child->m_byKind == MSG_TIE || child->m_byKind == MSG_SLUR);
        }
        return count;
    }

    void Slur(CKVMsg* first, CKVMsg* second) { ASSERT_EQ(Doc().BindNoteBySlur(first, second, 10, 4, 4, 0), 1); }
};

TEST_F(TieSlurHalvesTest, DeletingMeasuresOfOneStaffTakesTheirTiesAndSlursOffTheNotesThatStay)
{
    // Staff 1: a tie from measure 2 into measure 3, one from measure 3 into
    // measure 4, and a slur from measure 2 into measure 3.
    CKVMsg* before = score->Note(Meas(1, 2), {.x = 192, .y = -6});
    CKVMsg* slurred = score->Note(Meas(1, 2), {.x = 0, .y = -18});
    CKVMsg* gone = score->Note(Meas(1, 3), {.x = 0, .y = -6});
    CKVMsg* goneToo = score->Note(Meas(1, 3), {.x = 192, .y = -12});
    CKVMsg* after = score->Note(Meas(1, 4), {.x = 0, .y = -12});
    score->Tie(before, gone);
    score->Tie(goneToo, after);
    Slur(slurred, goneToo);
    score->Settle();
    ASSERT_TRUE(LooseTieEnds(Doc()).empty());

    kvtest::ExpectRoundTrip(Doc(), [&] {
        Doc().ResetBackup();
        Doc().ObjectBackup(1);
        ASSERT_EQ(Doc().DeleteMeasOnStaff(3, 3, 1, 0), 1);
        EXPECT_EQ(LooseTieEnds(Doc()), std::vector<std::string> {});
        for (CKVMsg* kept : {NoteAt(1, 2, 192, -6), NoteAt(1, 2, 0, -18), NoteAt(1, 3, 0, -12)}) {
            ASSERT_NE(kept, nullptr);
            EXPECT_EQ(Links(kept), 0);
            EXPECT_EQ(kept->m_wFlag & (MSGFLAG_TIE_START | MSGFLAG_TIE_END), 0);
        }
    });
    EXPECT_EQ(LooseTieEnds(Doc()), std::vector<std::string> {});
}

TEST_F(TieSlurHalvesTest, AWholeStaffRecordReleasesTheTiesAndSlursOfTheNotesItTakes)
{
    for (Removal how : {Removal::Delete, Removal::Cut, Removal::Move}) {
        for (unsigned char voice : {1, 2, 0}) {
            SCOPED_TRACE(std::string(NameOf(how)) + " voice " + std::to_string(voice));
            Rebuild();
            // Measure 2: a voice-2 half note slurred to a voice-1 eighth.
            CKVMsg* half = score->Note(Meas(0, 2), {.x = 0, .y = -6, .code = DUR_HALF, .voice = 2});
            CKVMsg* eighth = score->Note(Meas(0, 2), {.x = 128, .y = -15, .code = DUR_EIGHTH});
            Slur(half, eighth);
            // Measures 3 and 4: a tie whose second note then moves to voice 2.
            CKVMsg* tied = score->Note(Meas(0, 3), {.x = 192, .y = -9});
            CKVMsg* moved = score->Note(Meas(0, 4), {.x = 0, .y = -9});
            score->Tie(tied, moved);
            // Links whose two notes both go: a voice-1 tie over measures 5
            // and 6, a voice-2 slur inside measure 7.
            score->Tie(score->Note(Meas(0, 5), {.x = 192, .y = -12}), score->Note(Meas(0, 6), {.x = 0, .y = -12}));
            Slur(score->Note(Meas(0, 7), {.x = 0, .y = -3, .voice = 2}),
                 score->Note(Meas(0, 7), {.x = 128, .y = -18, .voice = 2}));
            score->Settle();
            SelectMeas(0, 4);
            Doc().ResetBackup();
            Doc().ChangeVoice(1, 2);
            ASSERT_EQ(NoteAt(0, 4, 0, -9)->m_byVoice, 2);
            ASSERT_TRUE(LooseTieEnds(Doc()).empty());

            Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
            SelectStaff(0);
            const std::string start = kvtest::CanonicalDump(Doc());
            ImageBuffer image;
            switch (how) {
            case Removal::Delete:
                Doc().ResetBackup();
                ASSERT_EQ(Doc().DeleteMsgOnSelRect(voice), 1);
                break;
            case Removal::Cut:
                ASSERT_GT(Copy(image, voice, 1), 8u);
                break;
            case Removal::Move:
                ASSERT_EQ(Doc().SelRectMouseDrag(voice, 1), 1);
                break;
            }
            EXPECT_EQ(LooseTieEnds(Doc()), std::vector<std::string> {});
            // The notes of the other voice stay, free of the links; voice 0
            // takes every note.
            struct Place {
                int meas;
                short x;
                short y;
            };
            std::vector<Place> kept;
            if (voice == 1)
                kept = {{2, 0, -6}, {4, 0, -9}};
            else if (voice == 2)
                kept = {{2, 128, -15}, {3, 192, -9}};
            for (const Place& place : kept) {
                CKVMsg* note = NoteAt(0, place.meas, place.x, place.y);
                ASSERT_NE(note, nullptr);
                EXPECT_EQ(Links(note), 0);
                EXPECT_EQ(note->m_wFlag & (MSGFLAG_TIE_START | MSGFLAG_TIE_END), 0);
            }
            const std::string end = kvtest::CanonicalDump(Doc());
            Doc().MultiUndoStart();
            EXPECT_EQ(kvtest::CanonicalDump(Doc()), start);
            Doc().MultiRedoStart();
            EXPECT_EQ(kvtest::CanonicalDump(Doc()), end);
            EXPECT_EQ(LooseTieEnds(Doc()), std::vector<std::string> {});
        }
    }
}

TEST_F(TieSlurHalvesTest, ADropThatOverwritesKeepsOnlyTheTieFlagsOfTiesPastedWithTheNotes)
{
    for (bool beamed : {false, true}) {
        for (short caret : {0, 64, 128}) {
            SCOPED_TRACE(std::string(beamed ? "beamed" : "plain") + " caret " + std::to_string(caret));
            Rebuild();
            // Staff 1, measure 1: four quarters, the last tied to the first
            // note of measure 2 (a beam member when beamed).
            CKVMsg* last = nullptr;
            for (short x : {0, 64, 128, 192})
                last = score->Note(Meas(1, 1), {.x = x, .y = static_cast<short>(x == 192 ? -6 : -12)});
            CKVMsg* end = nullptr;
            if (beamed) {
                CKVMsg* group = score->Beam(Meas(1, 2), {.x = 0, .code = DUR_EIGHTH});
                end = score->Note(group, {.x = 0, .y = -6, .code = DUR_EIGHTH});
                score->Note(group, {.x = 32, .y = -9, .code = DUR_EIGHTH});
                score->Note(Meas(1, 2), {.x = 64, .y = -12, .code = DUR_HALF});
            } else {
                end = score->Note(Meas(1, 2), {.x = 0, .y = -6});
                score->Note(Meas(1, 2), {.x = 64, .y = -12, .code = DUR_HALF});
            }
            score->Tie(last, end);
            score->Settle();
            ASSERT_TRUE(LooseTieEnds(Doc()).empty());

            SelectStaff(1);
            ASSERT_EQ(Doc().SelRectMouseDrag(1, 0), 1);
            CursorAt(1, 1);
            Doc().m_nCaretPos = caret;
            ASSERT_EQ(Doc().SelRectMouseDrop(1, 1, 0), 1);
            EXPECT_EQ(LooseTieEnds(Doc()), std::vector<std::string> {});
            // Measure 2 holds its own note at that height, no longer tied, and
            // the copy of the tie's end, still tied only at caret 0: further
            // right the start did not fit measure 1.
            std::set<CKVMsg*> notes;
            CollectNotes(*Meas(1, 2), notes, 0);
            std::vector<WORD> flags;
            for (CKVMsg* note : notes) {
                if (note->m_nPosY == -6)
                    flags.push_back(note->m_wFlag & (MSGFLAG_TIE_START | MSGFLAG_TIE_END));
            }
            std::sort(flags.begin(), flags.end());
            const std::vector<WORD> expected {0, static_cast<WORD>(caret == 0 ? MSGFLAG_TIE_END : 0)};
            EXPECT_EQ(flags, expected);
        }
    }
}

TEST_F(TieSlurHalvesTest, RemovingOrRejudgingASlurKeepsTheTieFlagOfTheSameNote)
{
    // Staff 1, measure 0: the note at x 96 is tied to the chord note at x 128
    // and slurred into measure 1.
    auto build = [&] {
        Rebuild();
        CKVMsg* note = score->Note(Meas(1, 0), {.x = 96, .y = -6});
        CKVMsg* chord = score->Chord(Meas(1, 0), {.x = 128, .y = -6}, {-6, -18});
        CKVMsg* target = score->Note(Meas(1, 1), {.x = 0, .y = -15});
        ASSERT_NE(chord, nullptr);
        CKVMsg* member = NoteAt(1, 0, 128, -6);
        ASSERT_NE(member, nullptr);
        score->Tie(note, member);
        Slur(note, target);
        score->Settle();
        ASSERT_EQ(note->m_wFlag & MSGFLAG_TIE_START, MSGFLAG_TIE_START);
        ASSERT_TRUE(LooseTieEnds(Doc()).empty());
    };
    auto keepsItsTie = [&](short y) {
        CKVMsg* note = NoteAt(1, 0, 96, y);
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(note->m_wFlag & (MSGFLAG_TIE_START | MSGFLAG_TIE_END), MSGFLAG_TIE_START);
        EXPECT_EQ(LooseTieEnds(Doc()), std::vector<std::string> {});
    };

    {
        SCOPED_TRACE("the slur's measure deleted");
        build();
        Doc().ResetBackup();
        Doc().ObjectBackup(1);
        ASSERT_GT(Doc().DeleteMeasure(1, 2, 0), 0);
        keepsItsTie(-6);
        EXPECT_EQ(Links(NoteAt(1, 0, 96, -6)), 1);
    }
    {
        SCOPED_TRACE("every link judged again");
        build();
        Doc().UpdateTieSlurType(0, 0, 0, 0, 0, 0, 0);
        keepsItsTie(-6);
    }
    {
        SCOPED_TRACE("copied and pasted");
        build();
        SelectBlockStaff(1, 0);
        ImageBuffer image;
        ASSERT_GT(Copy(image), 8u);
        CursorAt(1, 3);
        ASSERT_EQ(Paste(image), 1);
        // The paste lays the copies out again from the caret.
        std::set<CKVMsg*> notes;
        CollectNotes(*Meas(1, 3), notes, 0);
        EXPECT_EQ(std::count_if(
                      notes.begin(), notes.end(),
                      [&](CKVMsg* note) { return Links(note) == 2 && (note->m_wFlag & MSGFLAG_TIE_START) != 0; }),
                  1);
        EXPECT_EQ(LooseTieEnds(Doc()), std::vector<std::string> {});
    }
    {
        SCOPED_TRACE("the staff nudged down");
        build();
        SelectStaff(1);
        Doc().ResetBackup();
        ASSERT_EQ(Doc().SelMeasBackup(1), 1);
        const BYTE key = NoteAt(1, 0, 96, -6)->GetMidiKey();
        ASSERT_EQ(Doc().DetailMsgMoveUpDown(0, 4), 1);
        // The nudge lowered every note of the staff by a semitone; the one at
        // x 96 is alone there.
        CKVMsg* note = NoteAt(1, 0, 96, std::nullopt);
        ASSERT_NE(note, nullptr);
        ASSERT_NE(note->GetMidiKey(), key);
        keepsItsTie(note->m_nPosY);
        EXPECT_EQ(Links(note), 2);
    }
}

} // namespace
