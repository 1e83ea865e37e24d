// Grouping commands over the selection: beams, chords, tremolos and grace
// notes.

#include "support/NoteEntry.h"
#include "model/MeasPlace.h"
#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

namespace {

using kvtest::CanonicalDump;
using kvtest::ExpectRoundTrip;
using kvtest::HostStep;

class GroupCmdTest : public kvtest::SelectionTest {
protected:
    // The direct children of a measure of one kind.
    static std::vector<CKVMsg*> Children(CKVMeas* m, BYTE kind)
    {
        std::vector<CKVMsg*> out;
        tickmath::ForEachChild(*m, [&](CKVMsg* child, short) {
            if (child->m_byKind == kind)
                out.push_back(child);
            return false;
        });
        return out;
    }
    // The membership flags a measure walk gives chord and group members,
    // which undo's own walks would otherwise add after the edit.
    void Walk()
    {
        for (int staff = 0; staff < 2; ++staff) {
            for (int m = 0; m < 9; ++m)
                Doc().GetMeasure(m, staff, 0)->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff,
                                                               kWalkTimedOnly);
        }
    }
    // Four loose eighths; note entry would beam them at once.
    void FourEighths(int meas)
    {
        for (short x : {0, 32, 64, 96})
            score->Note(Meas(0, meas), {.x = x, .y = -12, .code = DUR_EIGHTH});
    }
};

TEST_F(GroupCmdTest, BeamingByHandMakesAGroupPerMeasureOrDissolves)
{
    FourEighths(0);
    FourEighths(1);
    score->Settle();
    SelectMeas(0, 0);
    SelectMeas(0, 1);
    Doc().m_bModified = 0;
    const std::string before = CanonicalDump(Doc());
    Doc().BindByBeamGroup(0, 0);
    EXPECT_EQ(CanonicalDump(Doc()), before);
    EXPECT_EQ(Doc().m_bModified, 1);

    ExpectRoundTrip(Doc(), [&] {
        Doc().BindByBeamGroup(1, 0);
        Walk();
    }, HostStep::OpenAndBackUp);
    for (int m : {0, 1}) {
        const std::vector<CKVMsg*> groups = Children(Doc().GetMeasure(m, 0, 0), MSG_BEAM);
        ASSERT_EQ(groups.size(), 1u) << m;
        EXPECT_EQ(groups[0]->GetMsgNum(), 4);
    }

    // Once a group of the voice has been met, the record's ranges are
    // dissolved instead of beamed.
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectMeas(0, 0);
    SelectMeas(0, 1);
    ExpectRoundTrip(Doc(), [&] {
        Doc().BindByBeamGroup(1, 0);
        Walk();
    }, HostStep::OpenAndBackUp);
    for (int m : {0, 1})
        EXPECT_TRUE(Children(Doc().GetMeasure(m, 0, 0), MSG_BEAM).empty()) << m;
}

TEST_F(GroupCmdTest, TremolosJoinAndPartAndAChordDropsThem)
{
    score->Note(Meas(0, 0), {.x = 0, .y = -12});
    score->Note(Meas(0, 0), {.x = 64, .y = -12});
    score->Settle();
    Doc().m_CtrlTool.m_wActiveVoice = 1;
    SelectMeas(0, 0);

    // Memory short and the answer No: the live measures stay untouched.
    const std::string before = CanonicalDump(Doc());
    host.freeBytes = 999999;
    host.ScriptAnswer(IDNO);
    Doc().BindByTremolo(1);
    EXPECT_EQ(CanonicalDump(Doc()), before);
    host.freeBytes.reset();

    ExpectRoundTrip(Doc(), [&] {
        Doc().BindByTremolo(1);
        Walk();
    });
    CKVMeas* m = Doc().GetMeasure(0, 0, 0);
    std::vector<CKVMsg*> notes = Children(m, MSG_NOTE);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0]->m_wFlag & 0x3000, 0x1000);
    EXPECT_EQ(notes[1]->m_wFlag & 0x3000, 0x2000);
    EXPECT_EQ(Children(m, MSG_TREMOLO).size(), 1u);

    ExpectRoundTrip(Doc(), [&] {
        Doc().RemoveTremoloSelRect();
        Walk();
    }, HostStep::OpenAndBackUp);
    m = Doc().GetMeasure(0, 0, 0);
    for (CKVMsg* n : Children(m, MSG_NOTE))
        EXPECT_EQ(n->m_wFlag & 0x3000, 0);
    EXPECT_TRUE(Children(m, MSG_TREMOLO).empty());

    // Two notes at one position, one with a tremolo, become one chord.
    CKVMeas* other = Meas(0, 2);
    score->Note(other, {.x = 64, .y = -8});
    score->Note(other, {.x = 64, .y = -24});
    score->Note(other, {.x = 128, .y = -8});
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectMeas(0, 2);
    Doc().BindByTremolo(1);
    ASSERT_EQ(Children(Doc().GetMeasure(2, 0, 0), MSG_TREMOLO).size(), 1u);
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectRect(Around(HitOf(Children(Doc().GetMeasure(2, 0, 0), MSG_NOTE)[0])));
    SelectRect(Around(HitOf(Children(Doc().GetMeasure(2, 0, 0), MSG_NOTE)[1])));
    ExpectRoundTrip(Doc(), [&] {
        Doc().MakeChord(1);
        Walk();
    }, HostStep::OpenAndBackUp);
    other = Doc().GetMeasure(2, 0, 0);
    const std::vector<CKVMsg*> chords = Children(other, MSG_CHORD);
    ASSERT_EQ(chords.size(), 1u);
    EXPECT_EQ(chords[0]->GetMsgNum(), 2);
    EXPECT_TRUE(Children(other, MSG_TREMOLO).empty());
}

TEST_F(GroupCmdTest, ANoteAChordRefusesTakesItsTiesAlong)
{
    // Two notes at one place and pitch: the chord keeps one, and the other
    // goes with the tie that reaches it from the measure before.
    CKVMsg* from = score->Note(Meas(0, 0), {.x = 200, .y = -8});
    score->Note(Meas(0, 1), {.x = 0, .y = -8});
    CKVMsg* twin = score->Note(Meas(0, 1), {.x = 0, .y = -8});
    score->Note(Meas(0, 1), {.x = 0, .y = -24});
    ASSERT_TRUE(score->Tie(from, twin));
    score->Settle();
    SelectMeas(0, 1);
    ExpectRoundTrip(Doc(), [&] {
        Doc().MakeChord(1);
        Walk();
    }, HostStep::OpenAndBackUp);
    const std::vector<CKVMsg*> chords = Children(Doc().GetMeasure(1, 0, 0), MSG_CHORD);
    ASSERT_EQ(chords.size(), 1u);
    EXPECT_EQ(measplace::ChordNotes(*chords[0]).size(), 2u);
    // The note before keeps no tie into the measure.
    from = Doc().GetMeasure(0, 0, 0)->GetMsg(0);
    ASSERT_TRUE(from);
    EXPECT_EQ(from->GetMsgNum(), 0);
    EXPECT_EQ(from->m_wFlag & MSGFLAG_TIE_START, 0);
}

TEST_F(GroupCmdTest, AChordsNotesKeepNoMarkOfAnEarlierGroup)
{
    // A loose note still marked as a group member, as it is until a walk of
    // its measure clears the mark: inside the chord no walk would.
    CKVMsg* marked = score->Note(Meas(0, 1), {.x = 0, .y = -8});
    score->Note(Meas(0, 1), {.x = 0, .y = -24});
    marked->m_wFlag = static_cast<WORD>(marked->m_wFlag | MSGFLAG_BEAM_MEMBER);
    SelectMeas(0, 1);
    Doc().MakeChord(1);
    const std::vector<CKVMsg*> chords = Children(Meas(0, 1), MSG_CHORD);
    ASSERT_EQ(chords.size(), 1u);
    for (CKVMsg* note : measplace::ChordNotes(*chords[0]))
        EXPECT_EQ(note->m_wFlag & (MSGFLAG_CHORD_MEMBER | MSGFLAG_BEAM_MEMBER), MSGFLAG_CHORD_MEMBER);
}

TEST_F(GroupCmdTest, GraceNotesToggleOncePerCallAndStepBySpace)
{
    CKVMeas* m = Meas(0, 0);
    m->m_nRealWidth = 256;
    CKVMsg* group = score->Beam(m, {.x = 0, .code = DUR_EIGHTH});
    for (short x : {0, 64, 128})
        score->Note(group, {.x = x, .y = -12, .code = DUR_EIGHTH});
    group->m_nPosX2 = 128;
    score->Settle();
    SelectMeas(0, 0);
    // Two records over the same measure toggle each note once.
    SelectMeas(0, 0);

    auto grace = [&] {
        Doc().ResetBackup();
        Doc().ChangeToGrace(1);
    };
    ExpectRoundTrip(Doc(), grace);
    CKVMeas* live = Doc().GetMeasure(0, 0, 0);
    const int space = measplace::LineSpacingOf(*live);
    const int step = MulDiv(space, 256, live->GetRealWidth());
    CKVMsg* now = Children(live, MSG_BEAM).at(0);
    const std::vector<CKVMsg*> members = tickmath::Members(*now);
    ASSERT_EQ(members.size(), 3u);
    for (size_t i = 0; i < members.size(); ++i) {
        EXPECT_TRUE(members[i]->m_wFlag & MSGFLAG_GRACE) << i;
        EXPECT_LT(members[i]->m_lHeight, 0) << "stem up " << i;
        EXPECT_EQ(members[i]->m_nPosX, members[0]->m_nPosX + step * static_cast<int>(i)) << i;
    }
    EXPECT_EQ(now->m_nPosX2, members[2]->m_nPosX);

    // A second call makes them normal notes again; they keep their places.
    grace();
    for (CKVMsg* member : tickmath::Members(*Children(Doc().GetMeasure(0, 0, 0), MSG_BEAM).at(0))) {
        EXPECT_FALSE(member->m_wFlag & MSGFLAG_GRACE);
        EXPECT_EQ(member->m_wSize, MSG_SIZE_NORMAL);
    }
}

TEST_F(GroupCmdTest, GraceNotesKeepTheirPlacesWithoutAWidth)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* group = score->Beam(m, {.x = 0, .code = DUR_EIGHTH});
    for (short x : {0, 64, 128})
        score->Note(group, {.x = x, .y = -12, .code = DUR_EIGHTH});
    SelectMeas(0, 0);
    m->m_nRealWidth = -1;
    Doc().ResetBackup();
    Doc().ChangeToGrace(1);
    CKVMsg* now = Children(Doc().GetMeasure(0, 0, 0), MSG_BEAM).at(0);
    std::vector<short> xs;
    for (CKVMsg* member : tickmath::Members(*now))
        xs.push_back(member->m_nPosX);
    EXPECT_EQ(xs, (std::vector<short> {0, 64, 128}));
}

TEST_F(GroupCmdTest, SubBeamsBreakAtTheEdgesOfTheHitStretch)
{
    struct Case {
        short mode;
        bool fifthIsRest;
        WORD breakBit;
    };
    for (const Case& c : {Case {0, false, 0x0100}, Case {1, false, 0x0800}, Case {2, false, 0x8000},
                          Case {0, true, 0x0100}}) {
        const int meas = c.mode + (c.fifthIsRest ? 3 : 0);
        CKVMsg* group = score->Beam(Meas(0, meas), {.x = 0, .code = DUR_16TH});
        std::vector<CKVMsg*> notes;
        for (short i = 0; i < 6; ++i) {
            if (i == 4 && c.fifthIsRest)
                notes.push_back(score->Rest(group, {.x = static_cast<short>(i * 32), .code = DUR_16TH}));
            else
                notes.push_back(score->Note(group, {.x = static_cast<short>(i * 32), .y = -12, .code = DUR_16TH}));
        }
        const POINT p3 = HitOf(notes[2]);
        const POINT p4 = HitOf(notes[3]);
        Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
        SelectRect(RECT {p3.x - 1, p3.y - 2, p4.x + 1, p4.y + 3});
        Doc().MakeSubBeam(1, c.mode);
        std::vector<WORD> flags;
        for (CKVMsg* member : tickmath::Members(*Doc().GetMeasure(meas, 0, 0)->GetMsg(0)))
            flags.push_back(static_cast<WORD>(member->m_wFlag & (0x8900 | 0x0008)));
        const WORD broken = static_cast<WORD>(c.breakBit | 0x0008);
        if (c.fifthIsRest)
            EXPECT_EQ(flags, (std::vector<WORD> {8, 8, broken, 8, 8, broken}));
        else
            EXPECT_EQ(flags, (std::vector<WORD> {8, 8, broken, 8, broken, 8})) << c.mode;
    }

    // After a dotted eighth, the hit sixteenth gets the tail as well.
    CKVMsg* group = score->Beam(Meas(0, 7), {.x = 0, .code = DUR_EIGHTH});
    score->Note(group, {.x = 0, .y = -12, .code = DUR_EIGHTH, .dots = 1});
    CKVMsg* sixteenth = score->Note(group, {.x = 96, .y = -12, .code = DUR_16TH});
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    score->Settle();
    SelectRect(Around(HitOf(sixteenth)));
    ExpectRoundTrip(Doc(), [&] { Doc().MakeSubBeam(0, 0); });
    CKVMsg* live = tickmath::Members(*Doc().GetMeasure(7, 0, 0)->GetMsg(0)).at(1);
    EXPECT_EQ(live->m_wFlag & 0x0104, 0x0104);

    // A chord member is hit through any of its notes, and its break goes to
    // each of them.
    group = score->Beam(Meas(0, 8), {.x = 0, .code = DUR_16TH});
    score->Note(group, {.x = 0, .y = -12, .code = DUR_16TH});
    CKVMsg* chord = score->Chord(group, {.x = 32, .code = DUR_16TH}, {0, -24});
    score->Note(group, {.x = 64, .y = -12, .code = DUR_16TH});
    score->Settle();
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectRect(Around(HitOf(measplace::ChordNotes(*chord).at(1))));
    Doc().MakeSubBeam(1, 0);
    const std::vector<CKVMsg*> members = tickmath::Members(*Doc().GetMeasure(8, 0, 0)->GetMsg(0));
    ASSERT_EQ(members.size(), 3u);
    for (CKVMsg* note : measplace::ChordNotes(*members[1]))
        EXPECT_EQ(note->m_wFlag & 0x0108, 0x0108);
    EXPECT_EQ(members[2]->m_wFlag & 0x0108, 0x0108);
}

} // namespace

namespace {

TEST_F(GroupCmdTest, ChordSymbolsHangUnderTheNearestNote)
{
    score->Note(Meas(0, 0), {.x = 0, .y = -12});
    score->Note(Meas(1, 4), {.x = 128, .y = -12});
    score->Symbol(Meas(0, 0), MSG_CHORDSYMBOL, 10);
    score->Symbol(Meas(1, 4), MSG_CHORDSYMBOL, 100);
    score->Settle();
    ExpectRoundTrip(Doc(), [&] {
        Doc().ResetBackup();
        Doc().ObjectBackup(1);
        Doc().BelongChordSymbolToNote();
    });
    // The backup gives the symbols new ids, so the notes are found by place.
    for (auto [staff, m] : {std::pair {0, 0}, std::pair {1, 4}}) {
        const std::vector<CKVMsg*> notes = Children(Doc().GetMeasure(m, staff, 0), MSG_NOTE);
        ASSERT_EQ(notes.size(), 1u) << staff;
        ASSERT_EQ(notes[0]->GetMsgNum(), 1) << staff;
        EXPECT_EQ(notes[0]->GetMsg(0)->m_byKind, MSG_CHORDSYMBOL) << staff;
        EXPECT_EQ(notes[0]->GetMsg(0)->m_nPosX, 0) << staff;
    }
    EXPECT_TRUE(Children(Doc().GetMeasure(0, 0, 0), MSG_CHORDSYMBOL).empty());
    EXPECT_TRUE(Children(Doc().GetMeasure(4, 1, 0), MSG_CHORDSYMBOL).empty());
}

TEST_F(GroupCmdTest, BeamingByTheBeatGroupsEachBeat)
{
    FourEighths(0);
    score->Settle();
    SelectMeas(0, 0);
    ExpectRoundTrip(Doc(), [&] {
        Doc().BindByBeamBeat(1, 0, 0);
        Walk();
    }, HostStep::OpenAndBackUp);
    const std::vector<CKVMsg*> groups = Children(Doc().GetMeasure(0, 0, 0), MSG_BEAM);
    ASSERT_FALSE(groups.empty());
    int members = 0;
    for (CKVMsg* g : groups)
        members += g->GetMsgNum();
    EXPECT_EQ(members, 4);
    EXPECT_TRUE(Children(Doc().GetMeasure(0, 0, 0), MSG_NOTE).empty());
    EXPECT_EQ(Doc().m_bModified, 1);
}

} // namespace

namespace {

TEST_F(GroupCmdTest, ChordSymbolsOfAnOssiaStaffHangUnderItsNotes)
{
    // Measure numbers 2 and 3 (indexes 1 and 2) make the ossia.
    score->Note(Meas(0, 1), {.x = 128, .y = -12});
    ASSERT_EQ(Doc().InsertOssia(POINT {50, 60}, 0, 0, 2, 3, 15, 0, 80), 1);
    CKVMeas* ossiaMeas = Page(0)->m_arrOssiaBlock.GetAt(0)->GetStaff(0)->GetMeas(0);
    score->Symbol(ossiaMeas, MSG_CHORDSYMBOL, 100);
    score->Settle();
    ExpectRoundTrip(Doc(), [&] {
        Doc().ResetBackup();
        Doc().ObjectBackup(1);
        Doc().BelongChordSymbolToNote();
    });
    ossiaMeas = Page(0)->m_arrOssiaBlock.GetAt(0)->GetStaff(0)->GetMeas(0);
    EXPECT_TRUE(Children(ossiaMeas, MSG_CHORDSYMBOL).empty());
    const std::vector<CKVMsg*> notes = Children(ossiaMeas, MSG_NOTE);
    ASSERT_EQ(notes.size(), 1u);
    ASSERT_EQ(notes[0]->GetMsgNum(), 1);
    EXPECT_EQ(notes[0]->GetMsg(0)->m_byKind, MSG_CHORDSYMBOL);
    EXPECT_EQ(notes[0]->GetMsg(0)->m_nPosX, 0);
}

} // namespace
