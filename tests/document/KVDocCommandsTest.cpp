// The document-wide small commands: rests into a measure range, drum kits
// of drum staves, chord-text colours, the beat split of a measure column,
// time-signature queries, notes shown on a neighbouring staff, and hiding
// staves.

#include "model/DrumTable.h"
#include "support/CanonicalDump.h"
#include "support/DrumKit.h"
#include "support/NodeSupport.h"
#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using kvtest::HeadOf;

class DocCommandsTest : public kvtest::SelectionTest {};

TEST_F(DocCommandsTest, RestRangesThatAddNothing)
{
    const std::string before = kvtest::CanonicalDump(Doc());
    Doc().InsertRestToMeas(0, 0, 4);
    Doc().InsertRestToMeas(0, 2, 0);
    Doc().InsertRestToMeas(9, 99, 4);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
}

// Every staff gets one whole rest in each measure of the range; measures
// past a staff's end are skipped.
TEST_F(DocCommandsTest, RestRangesFillEveryStaff)
{
    auto expectRestOnly = [this](int staff, int meas) {
        CKVMeas* m = Meas(staff, meas);
        ASSERT_EQ(m->GetMsgNum(), 1) << staff << " " << meas;
        const CKVMsg* rest = m->GetMsg(0);
        EXPECT_EQ(rest->m_byKind, MSG_REST);
        EXPECT_EQ(rest->m_wDuration, DUR_WHOLE);
        EXPECT_EQ(rest->m_byDots, 0);
        EXPECT_EQ(rest->m_byVoice, 1);
        EXPECT_EQ(rest->m_wObjWord, 0x0101);
        EXPECT_EQ(rest->m_nPosX, 128);
        EXPECT_EQ(rest->m_nPlayTime, 240);
        EXPECT_EQ(rest->m_nStartTime, 0);
        EXPECT_NE(rest->m_dwMsgId, 0u);
    };
    Doc().InsertRestToMeas(0, 2, 4);
    for (int s = 0; s < 2; ++s) {
        expectRestOnly(s, 0);
        expectRestOnly(s, 1);
        EXPECT_EQ(Meas(s, 2)->GetMsgNum(), 0);
    }

    Doc().InsertRestToMeas(5, 99, 4);
    for (int s = 0; s < 2; ++s) {
        for (int m = 2; m < 5; ++m)
            EXPECT_EQ(Meas(s, m)->GetMsgNum(), 0) << s << " " << m;
        for (int m = 5; m < 9; ++m)
            expectRestOnly(s, m);
    }
}

TEST_F(DocCommandsTest, TimeSignatureQueries)
{
    score->Setup(Meas(0, 2), {.beats = 3, .beatUnit = 4});
    short beats = -7;
    short unit = -7;
    EXPECT_EQ(Doc().GetMeasPak(2, beats, unit), 1);
    EXPECT_EQ(beats, 3);
    EXPECT_EQ(unit, 4);
    beats = unit = -7;
    EXPECT_EQ(Doc().GetMeasPak(99, beats, unit), 0);
    EXPECT_EQ(Doc().GetMeasPak(-1, beats, unit), 0);
    EXPECT_EQ(beats, -7);
    EXPECT_EQ(unit, -7);
    Meas(0, 3)->m_nTimeDen = 0;
    EXPECT_EQ(Doc().GetMeasPak(3, beats, unit), 0);

    // A numerator text that fills its 16 bytes is read no further.
    std::memset(Meas(0, 1)->m_szTimeNumText, '7', CKVMeas::TIME_TEXT_SIZE);
    CString text("old");
    CString other("kept");
    EXPECT_EQ(Doc().GetMeasPak(1, text, other), 1);
    EXPECT_EQ(text.GetLength(), 16);
    EXPECT_EQ(std::string(static_cast<const char*>(text)), std::string(16, '7'));
    EXPECT_EQ(std::string(static_cast<const char*>(other)), "kept");
    EXPECT_EQ(Doc().GetMeasPak(99, text, other), 0);
}

class DrumCommandTest : public DocCommandsTest {
protected:
    void SetUp() override
    {
        DocCommandsTest::SetUp();
        for (const char* name : {"Standard", "Brushes and Sticks"})
            entries.push_back(kvtest::MakeDrumKitEntry(name));
        for (auto& entry : entries)
            table.Add(entry.data());
        SetDrumTable(&table);
        drum = score->Staff(1);
        drum->m_byStaffKind = CKVStaff::KIND_DRUM;
        unsigned char shortHead[2] = {0, 0};
        drum->SetHead(2, shortHead);
        unsigned char other[2] = {5, 0};
        score->Staff(0)->SetHead(2, other);
    }

    std::vector<std::vector<BYTE>> entries;
    CPtrArray table;
    CKVStaff* drum = nullptr;
};

TEST_F(DrumCommandTest, KitHeadsAreWholeRecords)
{
    const std::vector<unsigned char> otherHead = HeadOf(*score->Staff(0));
    Doc().m_bModified = 0;
    Doc().ChangeDrumTable(1, 5);
    EXPECT_EQ(Doc().m_bModified, 1);
    EXPECT_EQ(HeadOf(*drum), (std::vector<unsigned char> {0, 0}));

    Doc().ChangeDrumTable(1, 1);
    std::vector<unsigned char> head = HeadOf(*drum);
    ASSERT_EQ(head.size(), 66u);
    EXPECT_EQ(head[0], 1);
    EXPECT_EQ(head[1], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(head.data() + 2)), "Brushes and Sticks");
    EXPECT_EQ(GetDrumTable(drum), reinterpret_cast<DrumKitEntry*>(entries[1].data()));

    // Mode 2 changes the index only.
    Doc().ChangeDrumTable(0, 2);
    head = HeadOf(*drum);
    ASSERT_EQ(head.size(), 66u);
    EXPECT_EQ(head[0], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(head.data() + 2)), "Brushes and Sticks");

    Doc().ChangeDrumTable(1, 4);
    head = HeadOf(*drum);
    EXPECT_EQ(head[0], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(head.data() + 2)), "Standard");

    // A kit past the table keeps its index and gets no name.
    Doc().ChangeDrumTable(7, 3);
    head = HeadOf(*drum);
    EXPECT_EQ(head[0], 7);
    EXPECT_EQ(head[2], 0);
    EXPECT_EQ(HeadOf(*score->Staff(0)), otherHead);
}

// Re-deriving a drum staff's measures places its notes by the new kit: kit 0
// puts key 38 on row 5 with head type 3, kit 1 (all zero) on row 0 with
// head type 1.
TEST_F(DrumCommandTest, NotesFollowTheKitTheyAreGiven)
{
    BYTE* words = entries[0].data() + kvtest::kDrumKitKeyWordsOffset;
    words[2 * 38] = 5;
    words[2 * 38 + 1] = 2;
    CKVMsg* note = score->Note(drum->GetMeas(0), {.x = 64, .y = -12});
    kvtest::ScoreBuilder::SetMidiHead(note, MidiNoteHead {.byKey = 38});
    CKVMsg* other = score->Note(score->Staff(0)->GetMeas(0), {.x = 64, .y = -12});
    kvtest::ScoreBuilder::SetMidiHead(other, MidiNoteHead {.byKey = 38});
    const WORD otherHead = other->m_wHeadType;

    Doc().ChangeDrumTable(1, 4);
    EXPECT_EQ(HeadOf(*drum)[0], 0);
    EXPECT_EQ(note->m_wHeadType, 3);
    const int row5 = note->m_nPosY;
    Doc().ChangeDrumTable(1, 3);
    EXPECT_EQ(note->m_wHeadType, 1);
    const int row0 = note->m_nPosY;
    EXPECT_NE(row0, 0);
    EXPECT_EQ(row5 * 13, row0 * 8);
    EXPECT_EQ(other->m_nPosY, -12);
    EXPECT_EQ(other->m_wHeadType, otherHead);
}

TEST_F(DocCommandsTest, ChordTextsTakeTheColour)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* fret = score->Symbol(m, MSG_OLDFRET, 10, -40);
    CKVMsg* name = score->Symbol(m, MSG_OLDCHORDNAME, 40, -40);
    CKVMsg* text = score->Symbol(m, MSG_FREETEXT, 70, -40);
    CKVMsg* chord = score->Symbol(score->Note(m, {.x = 128, .y = -12}), MSG_CHORDSYMBOL, 0, -40);
    // A map entry that is no symbol of the score leaves the map.
    auto broken = std::make_unique<CKVMsg>();
    broken->m_byKind = 0;
    const DWORD slot = score->System()->AddMsgToMap(broken.get());
    Doc().UpdateColorChordText(0x123456);
    EXPECT_EQ(fret->m_crColor, 0x123456u);
    EXPECT_EQ(name->m_crColor, 0x123456u);
    EXPECT_EQ(chord->m_crColor, 0x123456u);
    EXPECT_EQ(text->m_crColor, 0u);
    EXPECT_EQ(score->System()->m_arrMsgMap.GetAt(static_cast<int>(slot)), nullptr);
}

TEST_F(DocCommandsTest, BeatSplitMovesTheWholeColumn)
{
    CKVMsg* top = score->Note(Meas(0, 1), {.x = 64, .y = -12});
    CKVMsg* bottom = score->Note(Meas(1, 1), {.x = 64, .y = -12});
    host.freeBytes = 999999;
    Doc().SetPakPosByNote(1, top, 96, 0);
    EXPECT_EQ(top->m_nPosX, 64);
    host.freeBytes.reset();
    Doc().SetPakPosByNote(1, top, 96, 0);
    EXPECT_EQ(top->m_nPosX, 96);
    EXPECT_EQ(bottom->m_nPosX, 96);

    // On an ossia staff only the note's own measure moves.
    CKVBlock* ossia = AddOssiaBlock(2);
    CKVMsg* above = score->Note(ossia->GetStaff(0)->GetMeas(1), {.x = 96, .y = -12});
    Doc().SetPakPosByNote(1, above, 128, 0);
    EXPECT_EQ(above->m_nPosX, 128);
    EXPECT_EQ(top->m_nPosX, 96);
}

class CrossViewTest : public kvtest::SelectionTest {
protected:
    kvtest::ScoreShape Shape() override { return {.staves = 3, .measures = 9, .pageGeometry = true}; }

    // The first child of the live measure.
    CKVMsg* LiveFirst(int staff, int meas) { return Doc().GetMeasure(meas, staff, 0)->GetMsg(0); }
    int UpListed(int staff, int meas, CKVMsg* note)
    {
        const CDWordArray& list = Doc().GetMeasure(meas, staff, 0)->m_arrUpMsg;
        int n = 0;
        for (int i = 0; i < list.GetSize(); ++i)
            n += list.GetAt(i) == note->m_dwMsgId;
        return n;
    }
};

TEST_F(CrossViewTest, SelectedNotesGoToTheNeighbourAndBack)
{
    score->Note(Meas(1, 0), {.x = 64, .y = -12});
    SelectMeas(1, 0);
    Doc().ViewNoteByWhichStaff(0, 1);
    Doc().ViewNoteByWhichStaff(0, 1);
    CKVMsg* note = LiveFirst(1, 0);
    EXPECT_EQ(note->m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN), MSGFLAG_STAFF_UP);
    EXPECT_EQ(UpListed(1, 0, note), 1);
    Doc().ViewNoteByWhichStaff(0, 0);
    EXPECT_EQ(LiveFirst(1, 0)->m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN), 0);
    Doc().ViewNoteByWhichStaff(0, 0);
    EXPECT_EQ(LiveFirst(1, 0)->m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN), MSGFLAG_STAFF_DOWN);
}

TEST_F(CrossViewTest, NotesWithoutANeighbourOtherVoicesAndRestsStay)
{
    score->Note(Meas(0, 0), {.x = 64, .y = -12});
    score->Note(Meas(2, 0), {.x = 64, .y = -12});
    score->Note(Meas(1, 0), {.x = 64, .y = -12, .voice = 1});
    score->Rest(Meas(1, 0), {.x = 128, .voice = 2});
    auto flags = [this](int staff) {
        CKVMeas* m = Doc().GetMeasure(0, staff, 0);
        WORD all = 0;
        for (short i = 0; i < m->GetMsgNum(); ++i)
            all = static_cast<WORD>(all | (m->GetMsg(i)->m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN)));
        return all;
    };
    SelectMeas(0, 0);
    Doc().ViewNoteByWhichStaff(0, 1);
    EXPECT_EQ(flags(0), 0);
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectMeas(2, 0);
    Doc().ViewNoteByWhichStaff(0, 0);
    EXPECT_EQ(flags(2), 0);
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectMeas(1, 0);
    Doc().ViewNoteByWhichStaff(2, 1);
    EXPECT_EQ(flags(1), 0);

    const std::string before = kvtest::CanonicalDump(Doc());
    host.freeBytes = 999999;
    Doc().ViewNoteByWhichStaff(0, 1);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
    host.freeBytes.reset();
    Doc().ViewNoteByWhichStaff(0, 1);
    EXPECT_EQ(flags(1), MSGFLAG_STAFF_UP);
}

TEST_F(CrossViewTest, RestsAmongSelectedNotesStayHome)
{
    CKVMsg* rest = score->Rest(Meas(1, 0), {.x = 0});
    score->Note(Meas(1, 0), {.x = 128, .y = -12});
    SelectMeas(1, 0);
    Doc().ViewNoteByWhichStaff(0, 1);
    CKVMeas* live = Doc().GetMeasure(0, 1, 0);
    int flagged = 0;
    for (short i = 0; i < live->GetMsgNum(); ++i) {
        CKVMsg* msg = live->GetMsg(i);
        const WORD cross = msg->m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN);
        if (msg->m_byKind == MSG_REST) {
            EXPECT_EQ(cross, 0);
        }
        flagged += cross == MSGFLAG_STAFF_UP;
    }
    EXPECT_EQ(flagged, 1);
    EXPECT_EQ(UpListed(1, 0, rest), 0);
}

class StaffHideTest : public kvtest::SelectionTest {
protected:
    kvtest::ScoreShape Shape() override { return {.staves = 3, .measures = 9, .pageGeometry = true}; }
};

TEST_F(StaffHideTest, BlocksLoseTheStaffAndCloseUp)
{
    ASSERT_EQ(Page(0)->GetBlockNum(), 3);
    std::vector<int> tops;
    for (int b = 0; b < 3; ++b)
        tops.push_back(Block(b)->m_rcBlock.top);
    SelectStaff(1);
    Doc().StaffHide();
    for (int b = 0; b < 3; ++b) {
        ASSERT_EQ(Block(b)->GetStaffNum(), 2) << b;
        EXPECT_EQ(Block(b)->GetStaff(0), score->Staff(0));
        EXPECT_EQ(Block(b)->GetStaff(1), score->Staff(2));
        EXPECT_EQ(Block(b)->m_rcBlock.top, tops[b] - 48 * b) << b;
    }
}

TEST_F(StaffHideTest, EveryPageSelectedLeavesOneStaffPerBlock)
{
    Doc().m_bSelectAllPages = 1;
    Doc().StaffHide();
    for (short p = 0; p < Doc().GetPageNum(); ++p) {
        for (short b = 0; b < Page(p)->GetBlockNum(); ++b)
            EXPECT_EQ(Page(p)->GetBlock(b)->GetStaffNum(), 1) << p << " " << b;
    }
}

} // namespace
