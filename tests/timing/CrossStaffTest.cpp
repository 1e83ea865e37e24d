// Notes and rests shown on the staff above or below: the move commands over
// the selection, their limits, spelling on the other staff, the measures'
// lists and undo.

#include "support/CanonicalDump.h"
#include "support/SelectionSupport.h"

#include "model/KVStaff.h"
#include "model/MidiNoteHead.h"

#include <vector>

namespace {

class CrossStaffTest : public kvtest::SelectionTest {
protected:
    void SetUp() override
    {
        SelectionTest::SetUp();
        score->SetLineSpacing(16);
    }

    CKVMeas* Treble() { return Meas(0, 0); }
    CKVMeas* Bass() { return Meas(1, 0); }

    CKVMsg* Keyed(CKVMeas* meas, short x, short y, BYTE key, BYTE accidental = 0, BYTE kind = MSG_NOTE)
    {
        CKVMsg* msg = kind == MSG_NOTE ? score->Note(meas, {.x = x, .y = y, .accidental = accidental})
                                       : score->Rest(meas, {.x = x, .y = y});
        if (kind == MSG_NOTE)
            kvtest::ScoreBuilder::SetMidiHead(msg, MidiNoteHead {.byKey = key});
        return msg;
    }

    // The live symbol of a measure at a position word (the commands work on
    // backup clones).
    CKVMsg* At(CKVMeas* meas, short x)
    {
        for (int i = 0; i < meas->GetMsgNum(); ++i) {
            CKVMsg* msg = meas->GetMsg(static_cast<short>(i));
            if (msg && msg->m_nPosX == x && (msg->m_byKind == MSG_NOTE || msg->m_byKind == MSG_REST))
                return msg;
        }
        return nullptr;
    }

    void Up(int staff)
    {
        Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
        SelectMeas(staff, 0);
        Doc().SetMsgUpStaffView(0);
    }

    void Down(int staff)
    {
        Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
        SelectMeas(staff, 0);
        Doc().SetMsgDownStaffView(0);
    }

    static std::vector<DWORD> Ids(const CDWordArray& list)
    {
        std::vector<DWORD> ids;
        for (int i = 0; i < list.GetSize(); ++i)
            ids.push_back(list.GetAt(i));
        return ids;
    }
};

TEST_F(CrossStaffTest, ANoteGoesUpSpelledForTheTrebleAndComesHome)
{
    Keyed(Bass(), 0, -80, 60); // C4
    Up(1);
    CKVMsg* c4 = At(Bass(), 0);
    ASSERT_NE(c4, nullptr);
    EXPECT_TRUE(c4->m_wFlag & MSGFLAG_STAFF_UP);
    EXPECT_EQ(Ids(Bass()->m_arrUpMsg), std::vector<DWORD> {c4->m_dwMsgId});
    EXPECT_EQ(c4->m_nPosY2, 16);
    EXPECT_EQ(c4->m_nPosY, Treble()->m_nStaffY + 16 - Bass()->m_nStaffY);
    EXPECT_EQ(c4->m_byAccidental & ACCI_CODE_MASK, ACCI_NONE);

    Down(1);
    c4 = At(Bass(), 0);
    EXPECT_EQ(c4->m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN), 0);
    EXPECT_EQ(c4->m_nPosY, -80);
    EXPECT_TRUE(Ids(Bass()->m_arrUpMsg).empty());
    EXPECT_TRUE(Ids(Bass()->m_arrDownMsg).empty());
}

TEST_F(CrossStaffTest, ShowingANoteOnTheStaffAboveGivesItThePlaceThere)
{
    Keyed(Bass(), 0, -80, 60);
    SelectMeas(1, 0);
    Doc().ViewNoteByWhichStaff(0, 1);
    CKVMsg* c4 = At(Bass(), 0);
    EXPECT_TRUE(c4->m_wFlag & MSGFLAG_STAFF_UP);
    EXPECT_EQ(c4->m_nPosY2, 16);
    EXPECT_EQ(c4->m_nPosY, Treble()->m_nStaffY + 16 - Bass()->m_nStaffY);

    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectMeas(1, 0);
    Doc().ViewNoteByWhichStaff(0, 0);
    c4 = At(Bass(), 0);
    EXPECT_EQ(c4->m_wFlag & MSGFLAG_STAFF_UP, 0);
    EXPECT_TRUE(Ids(Bass()->m_arrUpMsg).empty());
    EXPECT_EQ(c4->m_nPosY, -80);
}

TEST_F(CrossStaffTest, ANoteWithoutAMidiHeadIsSpelledFromItsPlace)
{
    score->Note(Bass(), {.x = 0, .y = -80}); // C4 by its place alone
    Up(1);
    CKVMsg* c4 = At(Bass(), 0);
    EXPECT_TRUE(c4->m_wFlag & MSGFLAG_STAFF_UP);
    EXPECT_EQ(c4->GetMidiKey(), 60);
    EXPECT_EQ(c4->m_nPosY2, 16);
}

TEST_F(CrossStaffTest, AKeyIsSpelledByTheKeySignatureOfTheStaffItIsDrawnOn)
{
    score->Setup(Bass(), {.clef = 2, .keyType = CKVMeas::KEY_SHARPS, .keyCount = 2});
    score->Setup(Treble(), {.clef = 1, .keyType = CKVMeas::KEY_FLATS, .keyCount = 1});
    Keyed(Bass(), 0, -80, 61); // C sharp by the key signature
    Up(1);
    CKVMsg* note = At(Bass(), 0);
    EXPECT_EQ(note->m_nPosY2, 8); // D flat
    EXPECT_EQ(note->m_byAccidental & ACCI_CODE_MASK, ACCI_FLAT);
}

TEST_F(CrossStaffTest, MovesStopAtTheOuterStavesAndOnDrumStaves)
{
    Keyed(Treble(), 0, 16, 60);
    Keyed(Bass(), 0, -80, 60);
    const std::string before = kvtest::CanonicalDump(Doc());
    Up(0);
    Down(1);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);

    score->Staff(1)->m_byStaffKind = CKVStaff::KIND_DRUM;
    Up(1);
    EXPECT_EQ(At(Bass(), 0)->m_wFlag & MSGFLAG_STAFF_UP, 0);
    score->Staff(1)->m_byStaffKind = CKVStaff::KIND_DRUM_SECOND;
    Up(1);
    EXPECT_EQ(At(Bass(), 0)->m_wFlag & MSGFLAG_STAFF_UP, 0);
}

TEST_F(CrossStaffTest, MovingUpTwiceChangesNothingTheSecondTime)
{
    Keyed(Bass(), 0, -80, 60);
    Up(1);
    const std::string once = kvtest::CanonicalDump(Doc());
    Up(1);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), once);
}

TEST_F(CrossStaffTest, ARestMovedUpAndBackKeepsItsPlace)
{
    Keyed(Bass(), 64, -24, 0, 0, MSG_REST);
    Up(1);
    CKVMsg* rest = At(Bass(), 64);
    EXPECT_TRUE(rest->m_wFlag & MSGFLAG_STAFF_UP);
    EXPECT_EQ(rest->m_nPosY2, -24);
    EXPECT_EQ(rest->m_nPosY, Treble()->m_nStaffY - 24 - Bass()->m_nStaffY);
    Down(1);
    EXPECT_EQ(At(Bass(), 64)->m_nPosY, -24);
}

TEST_F(CrossStaffTest, TheStaffBelowRespellsWhatItShowsAndUndoRestoresBothMeasures)
{
    Keyed(Treble(), 0, -8, 66, ACCI_SHARP); // F sharp 4
    Keyed(Bass(), 128, -104, 65);          // F4 later in the bass
    const std::string before = kvtest::CanonicalDump(Doc());
    Down(0);
    CKVMsg* f4 = At(Bass(), 128);
    EXPECT_EQ(Ids(Treble()->m_arrDownMsg).size(), 1u);
    EXPECT_EQ(f4->m_byAccidental & ACCI_CODE_MASK, ACCI_NATURAL);

    // A single symbol drawn below is enough to re-spell the measure below.
    f4->m_byAccidental = ACCI_NONE;
    Treble()->SetPosByUpDownStaff(kWithoutUpList, kWithDownList, 0);
    EXPECT_EQ(At(Bass(), 128)->m_byAccidental & ACCI_CODE_MASK, ACCI_NATURAL);
    At(Bass(), 128)->m_byAccidental = ACCI_NATURAL;

    Doc().MultiUndoStart();
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
}

TEST_F(CrossStaffTest, ListsDropStaleIdsAndReturnEverythingHome)
{
    CKVMsg* c4 = Keyed(Bass(), 0, -80, 60);
    CKVMsg* e4 = Keyed(Bass(), 64, -64, 64);
    Up(1);
    EXPECT_EQ(Bass()->m_arrUpMsg.GetSize(), 2);
    (void)c4;
    (void)e4;

    score->MakeStale(At(Bass(), 64));
    Treble()->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkCrossStaff, kWalkTimedOnly);
    EXPECT_EQ(Bass()->m_arrUpMsg.GetSize(), 1);

    Bass()->DeleteAllUpDownMsg(kWithUpList, kWithDownList);
    EXPECT_TRUE(Ids(Bass()->m_arrUpMsg).empty());
    CKVMsg* home = At(Bass(), 0);
    EXPECT_EQ(home->m_wFlag & MSGFLAG_STAFF_UP, 0);
    EXPECT_EQ(home->m_nPosY, -80);
}

TEST_F(CrossStaffTest, AStaffInsertedBetweenBringsTheirNotesHome)
{
    Keyed(Treble(), 0, 16, 60);
    Keyed(Bass(), 0, -80, 60);
    Down(0);
    Up(1);
    ASSERT_EQ(Treble()->m_arrDownMsg.GetSize(), 1);
    ASSERT_EQ(Bass()->m_arrUpMsg.GetSize(), 1);
    ASSERT_EQ(Doc().InsertStaves(0, 1, 0, 1, CKVSystem::MODE_NORMAL, 5, 100), 1);
    EXPECT_TRUE(Ids(Meas(0, 0)->m_arrDownMsg).empty());
    EXPECT_TRUE(Ids(Meas(2, 0)->m_arrUpMsg).empty());
    EXPECT_EQ(At(Meas(0, 0), 0)->m_nPosY, 16);
    EXPECT_EQ(At(Meas(2, 0), 0)->m_nPosY, -80);
}

} // namespace
