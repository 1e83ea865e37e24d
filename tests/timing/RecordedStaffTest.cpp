// A recorded staff split in two by key or by voice, staves inserted into
// blocks that hide some, and time signatures set on a measure column.

#include "support/SelectionSupport.h"

#include "model/KVStaff.h"
#include "model/MidiNoteHead.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

class SplitTest : public kvtest::SelectionTest {
protected:
    kvtest::ScoreShape Shape() override { return {.staves = 1, .measures = 9, .pageGeometry = true}; }

    void SetUp() override
    {
        SelectionTest::SetUp();
        score->SetLineSpacing(16);
    }

    CKVMsg* Keyed(CKVObject* parent, short x, short y, BYTE key, BYTE voice = 1)
    {
        CKVMsg* note = score->Note(parent, {.x = x, .y = y, .voice = voice});
        kvtest::ScoreBuilder::SetMidiHead(note, MidiNoteHead {.byKey = key});
        note->m_nStartTime = static_cast<short>(x * 960 / 256);
        return note;
    }

    // The notes (with y) and rests of a measure, chord members included, in
    // position order: "n<y>@x" and "r@x".
    std::vector<std::string> Content(CKVMeas* meas)
    {
        std::vector<std::string> out;
        meas->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
        short cursor = 0;
        while (CKVMsg* msg = meas->GetNextMsg(cursor)) {
            if (msg->m_byKind == MSG_NOTE)
                out.push_back("n" + std::to_string(msg->m_nPosY) + "@" + std::to_string(msg->m_nPosX));
            else if (msg->m_byKind == MSG_REST)
                out.push_back("r@" + std::to_string(msg->m_nPosX));
        }
        return out;
    }

    // C4 + E4 at 0, G3 at 64, D5 at 128, all quarters.
    void Recorded()
    {
        CKVMeas* m = Meas(0, 0);
        CKVMsg* chord = score->Chord(m, {.x = 0}, {16, 0});
        kvtest::ScoreBuilder::SetMidiHead(chord->GetMsg(0), MidiNoteHead {.byKey = 60});
        kvtest::ScoreBuilder::SetMidiHead(chord->GetMsg(1), MidiNoteHead {.byKey = 64});
        Keyed(m, 64, 40, 55);
        Keyed(m, 128, -48, 74);
        m->UpdateStartTime(1, 0, 0, 0);
    }
};

TEST_F(SplitTest, AChordIsSplitByKeyWithoutARestUnderIt)
{
    Recorded();
    Doc().m_bModified = 0;
    Doc().SplitStaff(0, 0, 60, 1, 0, 1, 0, nullptr);
    ASSERT_EQ(score->System()->GetStaffNum(), 2);
    CKVStaff* upper = score->Staff(0);
    CKVStaff* lower = score->Staff(1);
    EXPECT_EQ(lower->m_byClefType, 2);
    EXPECT_EQ(upper->m_byGroupBracket[0] & 0x5, 0x5);
    EXPECT_EQ(lower->m_byGroupBracket[1] & 0x5, 0x5);
    EXPECT_EQ(Content(Meas(1, 0)), (std::vector<std::string> {"n-80@0", "n-56@64", "r@128"}));
    EXPECT_EQ(Content(Meas(0, 0)), (std::vector<std::string> {"n0@0", "r@64", "n-48@128"}));
    EXPECT_EQ(Doc().m_bModified, 1);
}

TEST_F(SplitTest, KeepingTheOriginalLeavesTheUpperStaffWhole)
{
    Recorded();
    Doc().SplitStaff(0, 0, 60, 1, 0, 1, 1, nullptr);
    EXPECT_EQ(Content(Meas(0, 0)), (std::vector<std::string> {"n16@0", "n0@0", "n40@64", "n-48@128"}));
}

TEST_F(SplitTest, VoicesInTheMaskGoDownAndLeaveRests)
{
    CKVMeas* m = Meas(0, 0);
    Keyed(m, 0, 0, 64, 1);
    Keyed(m, 0, 40, 55, 2);
    score->Rest(m, {.x = 128, .voice = 2});
    score->Rest(m, {.x = 192, .voice = 1});
    m->UpdateStartTime(0, 0, 0, 0);
    Doc().SplitStaff(0, 1, 60, 1, 0x02, 1, 0, nullptr);
    std::vector<std::string> below = Content(Meas(1, 0));
    EXPECT_EQ(below, (std::vector<std::string> {"n-56@0", "r@128"}));
    std::vector<std::string> above = Content(Meas(0, 0));
    EXPECT_EQ(above, (std::vector<std::string> {"n0@0", "r@0", "r@128", "r@192"}));
}

TEST_F(SplitTest, ASplitThatCannotInsertItsStaffChangesNothing)
{
    Recorded();
    Doc().SplitStaff(3, 0, 60, 1, 0, 1, 0, nullptr);
    EXPECT_EQ(score->System()->GetStaffNum(), 1);
    EXPECT_EQ(Content(Meas(0, 0)).size(), 4u);
}

TEST_F(SplitTest, ANoteTheLowerMeasureRefusesStaysAbove)
{
    // A recorded measure whose time signature was damaged: the lower staff
    // copies it and has no room for any copy.
    Recorded();
    Meas(0, 0)->m_nTimeNum = 0;
    Doc().SplitStaff(0, 0, 60, 1, 0, 1, 0, nullptr);
    ASSERT_EQ(score->System()->GetStaffNum(), 2);
    EXPECT_EQ(Content(Meas(0, 0)), (std::vector<std::string> {"n16@0", "n0@0", "n40@64", "n-48@128"}));
    EXPECT_TRUE(Content(Meas(1, 0)).empty());
}

class StaffInsertTest : public kvtest::SelectionTest {
protected:
    kvtest::ScoreShape Shape() override { return {.staves = 3, .measures = 9, .pageGeometry = true}; }
};

TEST_F(StaffInsertTest, ANewStaffKeepsTheSystemOrderInABlockThatHidesStaves)
{
    CKVBlock* block = Block(0);
    ASSERT_EQ(block->GetStaffNum(), 3);
    block->DeleteStaff(1, 1);
    const int lowerTop = Block(1)->m_rcBlock.top;
    ASSERT_EQ(Doc().InsertStaves(1, 1, 0, 1, CKVSystem::MODE_NORMAL, 5, 100), 1);
    CKVSystem* system = score->System();
    ASSERT_EQ(system->GetStaffNum(), 4);
    block = Block(0);
    ASSERT_EQ(block->GetStaffNum(), 3);
    EXPECT_EQ(block->GetStaff(0), system->GetStaff(0));
    EXPECT_EQ(block->GetStaff(1), system->GetStaff(2));
    EXPECT_EQ(block->GetStaff(2), system->GetStaff(3));
    // A block that shows every staff shows the new one in its place.
    EXPECT_EQ(Block(1)->GetStaff(2), system->GetStaff(2));
    EXPECT_GT(Block(1)->m_rcBlock.top, lowerTop);
}

TEST_F(StaffInsertTest, BadIndexesAndUnrecordedDocumentsAreRefused)
{
    EXPECT_EQ(Doc().InsertStaves(3, 1, 0, 1, CKVSystem::MODE_NORMAL, 5, 100), 0);
    EXPECT_EQ(Doc().InsertStaves(0, 1, 5, 1, CKVSystem::MODE_NORMAL, 5, 100), 0);
    Doc().m_bBackupRecord = 0;
    EXPECT_EQ(Doc().InsertStaves(0, 1, 0, 1, CKVSystem::MODE_NORMAL, 5, 100), 0);
    EXPECT_EQ(score->System()->GetStaffNum(), 3);
}

class TimeSignatureTest : public kvtest::SelectionTest {
protected:
    int Set(const char* num, const char* den, BYTE n, BYTE d, int display = 1, int pickup = 0, int all = 1)
    {
        return Doc().SetPakToMeas(0, 3, n, d, const_cast<char*>(num), const_cast<char*>(den), display, pickup, 1,
                                  all);
    }
};

TEST_F(TimeSignatureTest, ACompositeMeterIsSetOnTheWholeColumn)
{
    score->Note(Meas(0, 0), {.x = 0});
    score->Note(Meas(0, 0), {.x = 64});
    Meas(0, 0)->m_byOptions = CKVMeas::OPT_TIME_HIDDEN;
    EXPECT_EQ(Set("3+2", "8", 5, 8), 1);
    for (int staff = 0; staff < 2; ++staff) {
        CKVMeas* m = Meas(staff, 0);
        EXPECT_EQ(m->m_nTimeNum, 5);
        EXPECT_EQ(m->m_nTimeDen, 8);
        EXPECT_EQ(m->m_nLength, 600);
        EXPECT_EQ(m->m_byTimeStyle, 3);
        EXPECT_STREQ(m->m_szTimeNumText, "3+2");
        EXPECT_STREQ(m->m_szTimeDenText, "8");
        EXPECT_TRUE(m->m_byOptions & CKVMeas::OPT_TIME_SHOWN);
        EXPECT_FALSE(m->m_byOptions & CKVMeas::OPT_TIME_HIDDEN);
    }
    EXPECT_EQ(Meas(0, 0)->GetMsg(1)->m_nStartTime, 240);
    EXPECT_EQ(Meas(1, 1)->m_nTimeNum, 4);
}

TEST_F(TimeSignatureTest, PlainMetersPickupsAndTheCurrentStaff)
{
    EXPECT_EQ(Set("4", "4", 4, 4, 0, 1), 1);
    CKVMeas* m = Meas(0, 0);
    EXPECT_EQ(std::string(m->m_szTimeNumText, 6), std::string(6, '\0'));
    EXPECT_EQ(std::string(m->m_szTimeDenText, 6), std::string(6, '\0'));
    EXPECT_TRUE(m->m_wObjWord & CKVMeas::PICKUP);
    EXPECT_TRUE(m->m_byOptions & CKVMeas::OPT_TIME_HIDDEN);
    EXPECT_FALSE(m->m_byOptions & CKVMeas::OPT_TIME_SHOWN);

    Doc().m_pCurStaff = score->Staff(1);
    EXPECT_EQ(Set("3", "4", 3, 4, 1, 0, 0), 1);
    EXPECT_EQ(Meas(0, 0)->m_nTimeNum, 4);
    EXPECT_EQ(Meas(1, 0)->m_nTimeNum, 3);
    EXPECT_FALSE(Meas(1, 0)->m_wObjWord & CKVMeas::PICKUP);
}

TEST_F(TimeSignatureTest, ASelectedOssiaBlockLimitsTheChange)
{
    CKVBlock* ossia = AddOssiaBlock(3);
    RECT none {0, 0, 0, 0};
    Doc().AddSelRect(SelRect::kBlockStaff, &none, nullptr, ossia->GetStaff(0), ossia);
    ASSERT_EQ(Page(0)->GetSelOssiaBlock(), ossia);
    EXPECT_EQ(Set("2", "4", 2, 4), 1);
    EXPECT_EQ(ossia->GetStaff(0)->GetMeas(0)->m_nTimeNum, 2);
    EXPECT_EQ(Meas(0, 0)->m_nTimeNum, 4);
    EXPECT_EQ(Meas(1, 0)->m_nTimeNum, 4);
}

TEST_F(TimeSignatureTest, TheSelectedOssiaBlockIsFoundBySelectionOrCursor)
{
    CKVBlock* ossia = AddOssiaBlock(3);
    EXPECT_EQ(Page(0)->GetSelOssiaBlock(), nullptr);
    // A whole-score staff record selects the staff in every block.
    SelectStaff(1);
    EXPECT_EQ(Block(0)->IsStaffSelected(score->Staff(1)), 1);
    EXPECT_EQ(Block(0)->IsStaffSelected(score->Staff(0)), 0);
    EXPECT_EQ(Block(0)->IsStaffSelected(nullptr), 1);
    EXPECT_EQ(ossia->IsStaffSelected(nullptr), 0);
    EXPECT_EQ(Page(0)->GetSelOssiaBlock(), nullptr);
    // A block-staff record names its block only.
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectBlockStaff(0, 1);
    EXPECT_EQ(Block(1)->IsStaffSelected(score->Staff(0)), 1);
    EXPECT_EQ(Block(0)->IsStaffSelected(score->Staff(0)), 0);
    // Without a selection the cursor's ossia block is the one.
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    Doc().m_pCurBlock = ossia;
    EXPECT_EQ(Page(0)->GetSelOssiaBlock(), ossia);
}

TEST_F(TimeSignatureTest, BadMetersAreRefusedWithNothingChanged)
{
    EXPECT_EQ(Doc().SetPakToMeas(0, 0, 3, 4, nullptr, nullptr, 1, 0, 1, 1), -1);
    EXPECT_EQ(Set("", "4", 3, 4), -1);
    EXPECT_EQ(Set("4", "0", 4, 0), -1);
    EXPECT_EQ(Set("0", "4", 0, 4), -1);
    EXPECT_EQ(Set("64", "1", 64, 1), -1);
    EXPECT_EQ(Meas(0, 0)->m_nTimeNum, 4);
    EXPECT_EQ(Meas(0, 0)->m_nLength, 960);
    EXPECT_EQ(Doc().SetPakToMeas(99, 0, 3, 4, const_cast<char*>("3"), nullptr, 1, 0, 1, 1), 0);
}

TEST_F(TimeSignatureTest, LongTextsAreCutToTheirFields)
{
    std::vector<char> text(41, '7');
    text[40] = '\0';
    EXPECT_EQ(Doc().SetPakToMeas(0, 0, 7, 8, text.data(), nullptr, 1, 0, 0, 1), 1);
    CKVMeas* m = Meas(0, 0);
    EXPECT_EQ(std::string(m->m_szTimeNumText, 16), std::string(6, '\0') + std::string(9, '7') + '\0');
}

TEST_F(TimeSignatureTest, TheStoredFormTakesItsValuesAsGiven)
{
    EXPECT_EQ(Doc().SetPakToMeas(0, -1, 720, 2, 3, 4, const_cast<char*>("3"), const_cast<char*>("4")), 1);
    CKVMeas* m = Meas(1, 0);
    EXPECT_EQ(m->m_nLength, 720);
    EXPECT_EQ(m->m_wMarker, 0xFFFF);
    EXPECT_EQ(m->m_byTimeStyle, 2);
    EXPECT_STREQ(m->m_szTimeNumText, "3");
    EXPECT_EQ(Doc().SetPakToMeas(0, -1, 0, 2, 3, 4, nullptr, nullptr), 0);
    EXPECT_EQ(m->m_nLength, 720);
}

} // namespace
