// The measure: defaults and copies, length from the time signature, the
// position scale and its correction, multi-measure rests, clef, ending and
// staff queries, and the bar lines and options of a key change.

#include "model/KVBackupPtrArray.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/KvTest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A system whose staves and measures are put together by hand, so that the
// measure's own queries can be tried on any shape of score.
class KVMeasTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        sys.Initialize(&sys, OBJ_SYSTEM);
    }

    void TearDown() override
    {
        // The measures go first, while their symbols' map still exists; the
        // system then deletes the emptied staves.
        EmptyStaves(sys.m_pStaffArray);
        EmptyStaves(sys.m_pOssiaStaffArray);
        KvTest::TearDown();
    }

    static void EmptyStaves(CKVStaffPtrArray* staves)
    {
        for (int s = 0; s < staves->GetSize(); ++s) {
            CKVStaff* staff = staves->GetAt(s);
            for (int m = 0; m < staff->m_arrMeas.GetSize(); ++m)
                delete staff->m_arrMeas.GetAt(m);
            staff->m_arrMeas.RemoveAll();
        }
    }

    CKVStaff* AddStaff(int measures, BYTE kind = OBJ_STAFF)
    {
        CKVStaff* staff = new CKVStaff;
        staff->Initialize(&sys, kind);
        staff->m_pParent = &sys;
        staff->m_byParentKind = OBJ_SYSTEM;
        for (int i = 0; i < measures; ++i) {
            CKVMeas* meas = new CKVMeas;
            meas->Initialize(&sys, OBJ_MEAS);
            meas->m_pParent = staff;
            meas->m_byParentKind = kind;
            staff->m_arrMeas.Add(meas);
        }
        (kind == OBJ_OSSIA_STAFF ? sys.m_pOssiaStaffArray : sys.m_pStaffArray)->Add(staff);
        return staff;
    }

    // A measure of its own in this system, deleted with the fixture.
    CKVMeas& LoneMeas()
    {
        lone.Initialize(&sys, OBJ_MEAS);
        return lone;
    }

    CKVMsg* Add(CKVObject& node, BYTE kind, short x, WORD duration = 0, short y = 0)
    {
        CKVMsg* msg = new CKVMsg;
        msg->m_byKind = kind;
        msg->m_nPosX = x;
        msg->m_nPosY = y;
        msg->m_wDuration = duration;
        node.CKVObject::AddMsg(msg, kHolderOwns, kParentHere);
        return msg;
    }

    CKVSystem sys;
    CKVMeas lone; // destroyed before sys
};

// A measure that reports its deletion.
class CountedMeas : public CKVMeas {
public:
    explicit CountedMeas(int* deleted) : m_deleted(deleted) {}
    ~CountedMeas() override { ++*m_deleted; }

private:
    int* m_deleted;
};

TEST_F(KVMeasTest, NewMeasureHoldsThePlaceholderUntilInitialized)
{
    CKVMeas meas;
    EXPECT_EQ(meas.m_byObjKind, OBJ_MEAS);
    EXPECT_EQ(meas.m_nLength, 1920);
    EXPECT_EQ(meas.m_wMarker, 0xFFFF);
    EXPECT_EQ(meas.m_byOptions, 15);
    EXPECT_EQ(meas.m_byStartBar, CKVMeas::BAR_SINGLE);
    EXPECT_EQ(meas.m_byEndBar, CKVMeas::BAR_SINGLE);
    EXPECT_EQ(meas.m_byInitClef, 1);
    for (WORD word : meas.m_wVoiceWord)
        EXPECT_EQ(word, 0x8000);
    EXPECT_EQ(meas.m_pBackupLink, nullptr);

    meas.m_nTimeNum = 3;
    meas.Initialize(&sys, OBJ_MEAS);
    EXPECT_EQ(meas.m_pSystem, &sys);
    EXPECT_EQ(meas.m_nLength, 720);
}

TEST_F(KVMeasTest, LengthFollowsTheTimeSignature)
{
    CKVMeas& meas = LoneMeas();
    const struct {
        short num, den, length;
    } cases[] = {{3, 4, 720}, {6, 8, 720}, {4, 4, 960}, {7, 16, 420}, {5, 8, 600}, {2, 2, 960}};
    for (const auto& c : cases) {
        meas.m_nTimeNum = c.num;
        meas.m_nTimeDen = c.den;
        meas.CalcWholeCount();
        EXPECT_EQ(meas.m_nLength, c.length) << c.num << "/" << c.den;
    }

    // A beat unit of 0 or below gives no length; the old one stays.
    meas.m_nTimeNum = 3;
    meas.m_nTimeDen = 0;
    meas.CalcWholeCount();
    EXPECT_EQ(meas.m_nLength, 960);
    meas.m_nTimeDen = -4;
    meas.CalcWholeCount();
    EXPECT_EQ(meas.m_nLength, 960);

    // The system's tick unit, not a literal, sets the scale.
    sys.m_dwTicksPerQuarter = 480;
    meas.m_nTimeDen = 4;
    meas.CalcWholeCount();
    EXPECT_EQ(meas.m_nLength, 1440);
}

TEST_F(KVMeasTest, AssignmentCopiesSettingsButNotEndingsOrLists)
{
    CKVMeas source;
    source.Initialize(&sys, OBJ_MEAS);
    source.m_wObjWord = CKVMeas::PICKUP;
    source.m_wMarker = 7;
    source.m_nLength = 600;
    source.m_nTimeNum = 5;
    source.m_nTimeDen = 8;
    std::strcpy(source.m_szTimeNumText, "2+3");
    std::strcpy(source.m_szTimeDenText, "8");
    source.m_nLeftX = 11;
    source.m_nStaffY = 12;
    source.m_rcMeas = CRect(1, 2, 3, 4);
    source.m_nRealWidth = 77;
    source.m_byStartBar = CKVMeas::BAR_REPEAT;
    source.m_byEndBar = CKVMeas::BAR_FINAL;
    source.m_byInitClef = 2;
    source.m_byKeyType = CKVMeas::KEY_FLATS;
    source.m_byKeyCount = 3;
    source.m_byTimeStyle = 1;
    source.m_byOption = 9;
    source.m_nHeaderWidth = 40;
    source.m_byOptions = 0x40;
    source.m_byEndingNum = 3;
    source.m_byEndingPos = CKVMeas::ENDING_BEGINS;
    std::strcpy(source.m_szEndingText, "1. 2. ");
    source.m_arrUpMsg.Add(5);
    Add(source, MSG_NOTE, 10);

    CKVMeas copy;
    copy = source;
    EXPECT_EQ(copy.m_byObjKind, OBJ_MEAS);
    EXPECT_EQ(copy.m_wObjWord, CKVMeas::PICKUP);
    EXPECT_EQ(copy.m_wMarker, 7);
    EXPECT_EQ(copy.m_nLength, 600);
    EXPECT_EQ(copy.m_nTimeNum, 5);
    EXPECT_EQ(copy.m_nTimeDen, 8);
    EXPECT_STREQ(copy.m_szTimeNumText, "2+3");
    EXPECT_STREQ(copy.m_szTimeDenText, "8");
    EXPECT_EQ(copy.m_nLeftX, 11);
    EXPECT_EQ(copy.m_nStaffY, 12);
    EXPECT_EQ(copy.m_rcMeas, CRect(1, 2, 3, 4));
    EXPECT_EQ(copy.m_nRealWidth, 77);
    EXPECT_EQ(copy.m_byStartBar, CKVMeas::BAR_REPEAT);
    EXPECT_EQ(copy.m_byEndBar, CKVMeas::BAR_FINAL);
    EXPECT_EQ(copy.m_byInitClef, 2);
    EXPECT_EQ(copy.m_byKeyType, CKVMeas::KEY_FLATS);
    EXPECT_EQ(copy.m_byKeyCount, 3);
    EXPECT_EQ(copy.m_byTimeStyle, 1);
    EXPECT_EQ(copy.m_byOption, 9);

    EXPECT_EQ(copy.m_nHeaderWidth, 0);
    EXPECT_EQ(copy.m_byOptions, 15);
    EXPECT_EQ(copy.m_byEndingNum, 0);
    EXPECT_EQ(copy.m_byEndingPos, CKVMeas::ENDING_NONE);
    EXPECT_STREQ(copy.m_szEndingText, "");
    EXPECT_EQ(copy.m_arrUpMsg.GetSize(), 0);
    EXPECT_EQ(copy.GetMsgNum(), 0);
}

TEST_F(KVMeasTest, PositionScaleRunsAcrossTheRealWidth)
{
    CKVMeas& meas = LoneMeas();
    meas.m_rcMeas = CRect(0, 0, 300, 40);
    meas.m_nLeftX = 0;
    meas.m_nHeaderWidth = 40;

    // A note stands a head's width before the right edge; a text on it.
    EXPECT_EQ(meas.MeasXToAbsX(256, MSG_NOTE), 294);
    EXPECT_EQ(meas.GetRealWidth(), 260);
    EXPECT_EQ(meas.MeasXToAbsX(256, MSG_REST), 294);
    EXPECT_EQ(meas.MeasXToAbsX(256, MSG_FREETEXT), 300);
    EXPECT_EQ(meas.MeasXToAbsX(0, MSG_FREETEXT), 40);
    // Left of the scale the shift rounds towards minus infinity:
    // 260 x -20 / 256 = -20.3.
    EXPECT_EQ(meas.MeasXToAbsX(-20, MSG_FREETEXT), 19);

    EXPECT_EQ(meas.AbsXToMeasX(40), 0);
    EXPECT_EQ(meas.AbsXToMeasX(300), 256);
    EXPECT_EQ(meas.AbsXToMeasX(170), 128);

    // A cached width is used as it is.
    meas.m_nRealWidth = 100;
    EXPECT_EQ(meas.MeasXToAbsX(256, MSG_FREETEXT), 140);

    // The left x counts off the rectangle's right edge.
    meas.m_nRealWidth = 0;
    meas.m_nLeftX = 100;
    EXPECT_EQ(meas.AbsXToMeasX(40), 0);
    EXPECT_EQ(meas.GetRealWidth(), 160);
}

TEST_F(KVMeasTest, MeasureNoWiderThanItsHeaderHasRealWidthOne)
{
    CKVMeas& meas = LoneMeas();
    meas.m_rcMeas = CRect(0, 0, 30, 40);
    meas.m_nHeaderWidth = 40;
    meas.AbsXToMeasX(50);
    EXPECT_EQ(meas.GetRealWidth(), 1);

    CKVMeas flat;
    flat.m_rcMeas = CRect(0, 0, 40, 40);
    flat.m_nHeaderWidth = 40;
    flat.MeasXToAbsX(128, MSG_FREETEXT);
    EXPECT_EQ(flat.GetRealWidth(), 1);

    EXPECT_EQ(MeasUnitsToX(40, 260, 256, 16), 300);
    EXPECT_EQ(MeasUnitsToX(40, 260, 256, 32), 150);
}

TEST_F(KVMeasTest, MinusPosCorrectKeepsHeaderSymbolsInPlace)
{
    CKVMeas& meas = LoneMeas();
    meas.m_nHeaderWidth = 40;
    meas.m_nRealWidth = 260;
    CKVMsg* text = Add(meas, MSG_FREETEXT, -20);
    CKVMsg* onScale = Add(meas, MSG_FREETEXT, 30);

    // 19 dots from the left: (19 - 60) x 256 / 240 = -43.7.
    text->MinusPosCorrect(60, 240);
    EXPECT_EQ(text->m_nPosX, -44);
    onScale->MinusPosCorrect(60, 240);
    EXPECT_EQ(onScale->m_nPosX, 30);

    // Without a new width there is no scale; the position stays.
    text->m_nPosX = -20;
    text->MinusPosCorrect(60, 0);
    EXPECT_EQ(text->m_nPosX, -20);

    // Only a measure's symbols have this scale.
    CKVMsg loose;
    loose.m_byKind = MSG_FREETEXT;
    loose.m_nPosX = -20;
    loose.MinusPosCorrect(60, 240);
    EXPECT_EQ(loose.m_nPosX, -20);
}

TEST_F(KVMeasTest, MsgPosCorrectMovesFreeSymbolsOnly)
{
    CKVMeas& meas = LoneMeas();
    meas.m_nHeaderWidth = 40;
    meas.m_nRealWidth = 260;
    CKVMsg* text = Add(meas, MSG_FREETEXT, -20);
    CKVMsg* note = Add(meas, MSG_NOTE, -20, DUR_QUARTER, 5);
    CKVMsg* curve = Add(meas, MSG_PAGESLUR, 128);
    curve->m_wObjWord = 52;
    CKVMsg* flatCurve = Add(meas, MSG_PAGESLUR, -20, 0, 9);

    // Unchanged widths, or no stored width, change nothing.
    meas.MsgPosCorrect(40, 260);
    EXPECT_EQ(text->m_nPosX, -20);
    meas.m_nRealWidth = 0;
    meas.MsgPosCorrect(60, 240);
    EXPECT_EQ(text->m_nPosX, -20);
    EXPECT_EQ(curve->m_wObjWord, 52);

    meas.m_nRealWidth = 260;
    meas.MsgPosCorrect(60, 240);
    EXPECT_EQ(text->m_nPosX, -44);
    EXPECT_EQ(note->m_nPosX, -20);
    // The curve's end, 182 dots into the old scale, lands at 228 on the new
    // one; its start moves from 170 to 180.
    EXPECT_EQ(curve->m_nPosX, 128);
    EXPECT_EQ(curve->m_wObjWord, 48);
    // A curve without horizontal extent keeps it.
    EXPECT_EQ(flatCurve->m_wObjWord, 0);
    EXPECT_EQ(flatCurve->m_nPosX, -44);
    // The caller stores the new widths.
    EXPECT_EQ(meas.m_nHeaderWidth, 40);
    EXPECT_EQ(meas.m_nRealWidth, 260);
}

TEST_F(KVMeasTest, AddMsgGivesVoiceOneAndMarksWholeMeasureRepeat)
{
    CKVMeas& meas = LoneMeas();
    CKVMsg* note = new CKVMsg;
    note->m_byKind = MSG_NOTE;
    EXPECT_EQ(meas.AddMsg(note, kHolderOwns), 1);
    EXPECT_EQ(note->m_byVoice, 1);
    EXPECT_EQ(note->m_pParent, &meas);
    EXPECT_EQ(meas.GetMsg(0), note);
    EXPECT_EQ(meas.m_dwTrailWord2, 0u);

    CKVMsg* halfRepeat = new CKVMsg;
    halfRepeat->m_byKind = MSG_MEASREPEAT;
    halfRepeat->m_wDuration = 2;
    halfRepeat->m_byVoice = 2;
    EXPECT_EQ(meas.AddMsg(halfRepeat, kHolderOwns), 1);
    EXPECT_EQ(halfRepeat->m_byVoice, 2);
    EXPECT_EQ(meas.m_dwTrailWord2, 0u);

    CKVMsg* repeat = new CKVMsg;
    repeat->m_byKind = MSG_MEASREPEAT;
    repeat->m_wDuration = 3;
    EXPECT_EQ(meas.AddMsg(repeat, kHolderOwns), 1);
    EXPECT_EQ(meas.m_dwTrailWord2, 1u);

    // Without a system the symbol cannot be listed: refused.
    CKVMeas orphan;
    CKVMsg text;
    text.m_byKind = MSG_FREETEXT;
    EXPECT_EQ(orphan.AddMsg(&text, kHolderLinks), 0);
    EXPECT_EQ(orphan.GetMsgNum(), 0);
}

TEST_F(KVMeasTest, MultiMeasureRestIsFoundUnlessANoteComesFirst)
{
    CKVMeas& meas = LoneMeas();
    EXPECT_EQ(meas.IsRestCompMeas(nullptr), 0);

    Add(meas, MSG_FREETEXT, 0);
    CKVMsg* rest = new CKVMsg;
    rest->m_byKind = MSG_MULTIREST;
    rest->m_nPosX = 100;
    rest->m_wObjWord = 4;
    ASSERT_EQ(meas.AddMsg(rest, kHolderOwns), 1);

    CKVMsg copy;
    EXPECT_EQ(meas.IsRestCompMeas(&copy), 4);
    EXPECT_EQ(copy.m_byKind, MSG_MULTIREST);
    EXPECT_EQ(copy.m_wObjWord, 4);
    EXPECT_EQ(copy.m_nPosX, 100);
    EXPECT_EQ(copy.m_dwMsgId, 0u);
    EXPECT_NE(rest->m_dwMsgId, 0u);

    // A compressed measure takes nothing more.
    CKVMsg* late = new CKVMsg;
    late->m_byKind = MSG_NOTE;
    EXPECT_EQ(meas.AddMsg(late, kHolderOwns), 0);
    EXPECT_EQ(meas.GetMsgNum(), 2);
    delete late;

    Add(meas, MSG_NOTE, 50);
    EXPECT_EQ(meas.IsRestCompMeas(nullptr), 0);
}

TEST_F(KVMeasTest, ClefQueriesLookBackAlongTheStaff)
{
    CKVStaff* staff = AddStaff(3);
    CKVMeas* m0 = staff->m_arrMeas.GetAt(0);
    CKVMeas* m1 = staff->m_arrMeas.GetAt(1);
    CKVMeas* m2 = staff->m_arrMeas.GetAt(2);
    Add(*m0, MSG_CLEF, -5, 2);
    Add(*m0, MSG_CLEF, 100, 3);
    // A clef in the header of measure 1 does not count.
    Add(*m1, MSG_CLEF, -1, 5);

    EXPECT_EQ(m2->GetClefType(), 3);
    EXPECT_EQ(m1->GetClefType(), 3);
    EXPECT_EQ(m0->GetClefType(), 1);
    EXPECT_EQ(m0->GetLastClefType(), 3);
    EXPECT_EQ(m1->GetLastClefType(), 1);

    m0->DeleteAllClefMsgs();
    EXPECT_EQ(m0->GetMsgNum(), 0);
    EXPECT_EQ(m2->GetClefType(), 1);
    m2->m_byInitClef = 2;
    EXPECT_EQ(m2->GetClefType(), 2);
}

TEST_F(KVMeasTest, ClefsAtOnePositionResolveByListOrder)
{
    CKVStaff* staff = AddStaff(2);
    CKVMeas* m0 = staff->m_arrMeas.GetAt(0);
    // Equal positions list the larger vertical position first.
    Add(*m0, MSG_CLEF, 100, 3, 10);
    Add(*m0, MSG_CLEF, 100, 4, 0);
    Add(*m0, MSG_NOTE, 120);

    // At the start of the next measure the earlier one, at the end of this
    // one the later.
    EXPECT_EQ(staff->m_arrMeas.GetAt(1)->GetClefType(), 3);
    EXPECT_EQ(m0->GetLastClefType(), 4);

    m0->DeleteAllClefMsgs();
    ASSERT_EQ(m0->GetMsgNum(), 1);
    EXPECT_EQ(m0->GetMsg(0)->m_byKind, MSG_NOTE);

    // A measure on no staff has only its own initial clef.
    CKVMeas& alone = LoneMeas();
    alone.m_byInitClef = 4;
    EXPECT_EQ(alone.GetClefType(), 4);
}

TEST_F(KVMeasTest, EndingQueriesReadTheMeasureColumn)
{
    CKVStaff* upper = AddStaff(2);
    CKVStaff* lower = AddStaff(2);
    CKVMeas* u1 = upper->m_arrMeas.GetAt(1);
    CKVMeas* l1 = lower->m_arrMeas.GetAt(1);
    u1->m_byEndingNum = 0x01;
    l1->m_byEndingNum = 0x02;
    l1->m_byEndingPos = CKVMeas::ENDING_BEGINS_AND_ENDS;

    EXPECT_EQ(u1->GetEndingType(), 0x03u);
    EXPECT_EQ(l1->GetEndingType(), 0x03u);
    EXPECT_EQ(u1->GetEndingPos(), CKVMeas::ENDING_BEGINS_AND_ENDS);
    u1->m_byEndingPos = CKVMeas::ENDING_ENDS;
    EXPECT_EQ(l1->GetEndingPos(), CKVMeas::ENDING_ENDS);
    EXPECT_EQ(upper->m_arrMeas.GetAt(0)->GetEndingType(), 0u);
    EXPECT_EQ(upper->m_arrMeas.GetAt(0)->GetEndingPos(), CKVMeas::ENDING_NONE);

    CKVMeas& alone = LoneMeas();
    alone.m_byEndingNum = 1;
    alone.m_byEndingPos = CKVMeas::ENDING_BEGINS;
    EXPECT_EQ(alone.GetEndingType(), 0u);
    EXPECT_EQ(alone.GetEndingPos(), CKVMeas::ENDING_NONE);
}

TEST_F(KVMeasTest, DeleteEndingKeepsThePickupFlag)
{
    CKVMeas& meas = LoneMeas();
    meas.m_wObjWord = CKVMeas::PICKUP | CKVMeas::ENDING_START;
    meas.m_byEndingNum = 3;
    meas.m_byEndingPos = CKVMeas::ENDING_BEGINS;
    std::strcpy(meas.m_szEndingText, "1. 2. ");
    meas.m_arrCtrlPoint.Add(new CKVCtrlPoint(CRect(0, 0, 4, 4)));
    meas.m_arrCtrlPoint.Add(new CKVCtrlPoint(CRect(4, 0, 8, 4)));
    Add(meas, MSG_NOTE, 10);

    meas.DeleteEnding();
    EXPECT_EQ(meas.m_byEndingNum, 0);
    EXPECT_EQ(meas.m_byEndingPos, CKVMeas::ENDING_NONE);
    EXPECT_STREQ(meas.m_szEndingText, "");
    EXPECT_EQ(meas.m_arrCtrlPoint.GetSize(), 0);
    EXPECT_EQ(meas.m_wObjWord, CKVMeas::PICKUP);
    EXPECT_EQ(meas.IsPeakupMeas(), 1);
    EXPECT_EQ(meas.GetMsgNum(), 1);

    meas.m_wObjWord = CKVMeas::ENDING_START;
    EXPECT_EQ(meas.IsPeakupMeas(), 0);
}

TEST_F(KVMeasTest, StaffIndexIsMinusOneOffTheStaffList)
{
    AddStaff(1);
    CKVStaff* second = AddStaff(1);
    CKVStaff* ossia = AddStaff(1, OBJ_OSSIA_STAFF);
    EXPECT_EQ(second->m_arrMeas.GetAt(0)->GetStaffIndex(), 1);
    EXPECT_EQ(ossia->m_arrMeas.GetAt(0)->GetStaffIndex(), -1);
    EXPECT_EQ(LoneMeas().GetStaffIndex(), -1);

    CKVMeas noSystem;
    noSystem.m_pParent = second;
    noSystem.m_byParentKind = OBJ_STAFF;
    EXPECT_EQ(noSystem.GetStaffIndex(), -1);
}

TEST_F(KVMeasTest, KeyChangeTakesBackDoubleBarsAcrossTheColumn)
{
    CKVStaff* upper = AddStaff(4);
    CKVStaff* lower = AddStaff(4);
    CKVMeas* u1 = upper->m_arrMeas.GetAt(1);
    CKVMeas* l1 = lower->m_arrMeas.GetAt(1);
    u1->m_byEndBar = CKVMeas::BAR_DOUBLE;
    l1->m_byEndBar = CKVMeas::BAR_DOUBLE;
    upper->m_arrMeas.GetAt(2)->m_byEndBar = CKVMeas::BAR_DOUBLE;
    u1->m_byStartBar = CKVMeas::BAR_REPEAT;

    u1->ChangeKeySignature(CKVMeas::KEY_SHARPS, 1, 0, 0);
    EXPECT_EQ(u1->m_byKeyType, CKVMeas::KEY_SHARPS);
    EXPECT_EQ(u1->m_byKeyCount, 1);
    EXPECT_EQ(u1->m_byEndBar, CKVMeas::BAR_SINGLE);
    EXPECT_EQ(l1->m_byEndBar, CKVMeas::BAR_SINGLE);
    EXPECT_EQ(upper->m_arrMeas.GetAt(2)->m_byEndBar, CKVMeas::BAR_DOUBLE);
    // The key of the other staff is its own affair.
    EXPECT_EQ(l1->m_byKeyCount, 0);
    // A repeat start stays on a normal staff.
    EXPECT_EQ(u1->m_byStartBar, CKVMeas::BAR_REPEAT);

    // Other end bar lines are left alone.
    CKVMeas* l3 = lower->m_arrMeas.GetAt(3);
    l3->m_byEndBar = CKVMeas::BAR_FINAL;
    upper->m_arrMeas.GetAt(3)->m_byEndBar = CKVMeas::BAR_DOUBLE;
    l3->ChangeKeySignature(CKVMeas::KEY_FLATS, 2, 0, 0);
    EXPECT_EQ(l3->m_byEndBar, CKVMeas::BAR_FINAL);
    EXPECT_EQ(upper->m_arrMeas.GetAt(3)->m_byEndBar, CKVMeas::BAR_DOUBLE);
}

TEST_F(KVMeasTest, KeyChangeOnOssiaStaffTouchesOnlyThatMeasure)
{
    CKVStaff* normal = AddStaff(2);
    CKVStaff* ossia = AddStaff(2, OBJ_OSSIA_STAFF);
    CKVMeas* n1 = normal->m_arrMeas.GetAt(1);
    CKVMeas* o1 = ossia->m_arrMeas.GetAt(1);
    n1->m_byEndBar = CKVMeas::BAR_DOUBLE;
    o1->m_byEndBar = CKVMeas::BAR_DOUBLE;
    o1->m_byStartBar = CKVMeas::BAR_REPEAT;

    o1->ChangeKeySignature(CKVMeas::KEY_SHARPS, 1, 0, 0);
    EXPECT_EQ(o1->m_byEndBar, CKVMeas::BAR_SINGLE);
    EXPECT_EQ(o1->m_byStartBar, CKVMeas::BAR_SINGLE);
    EXPECT_EQ(n1->m_byEndBar, CKVMeas::BAR_DOUBLE);

    // A measure on no staff resets its own bar line only.
    CKVMeas& alone = LoneMeas();
    alone.m_byEndBar = CKVMeas::BAR_DOUBLE;
    alone.ChangeKeySignature(0, 0, 0, 0);
    EXPECT_EQ(alone.m_byEndBar, CKVMeas::BAR_SINGLE);
    EXPECT_EQ(n1->m_byEndBar, CKVMeas::BAR_DOUBLE);
}

TEST_F(KVMeasTest, KeyChangeSetsTheKeyVisibilityBits)
{
    CKVMeas& meas = LoneMeas();
    meas.m_byOptions = CKVMeas::OPT_KEY_HIDDEN | CKVMeas::OPT_TIME_SHOWN;
    meas.ChangeKeySignature(CKVMeas::KEY_SHARPS, 1, 0, 0);
    EXPECT_EQ(meas.m_byOptions, CKVMeas::OPT_KEY_SHOWN | CKVMeas::OPT_TIME_SHOWN);

    meas.ChangeKeySignature(CKVMeas::KEY_SHARPS, 1, CKVMeas::KEYCHG_HIDE, 0);
    EXPECT_EQ(meas.m_byOptions, CKVMeas::OPT_KEY_HIDDEN | CKVMeas::OPT_TIME_SHOWN);

    // The bar-line option belongs to the staff's range change.
    meas.ChangeKeySignature(CKVMeas::KEY_FLATS, 3, CKVMeas::KEYCHG_BAR_LINES, 0);
    EXPECT_EQ(meas.m_byOptions, CKVMeas::OPT_KEY_SHOWN | CKVMeas::OPT_TIME_SHOWN);
    EXPECT_EQ(meas.m_byKeyType, CKVMeas::KEY_FLATS);
    EXPECT_EQ(meas.m_byKeyCount, 3);
    EXPECT_EQ(meas.m_byEndBar, CKVMeas::BAR_SINGLE);
}

TEST_F(KVMeasTest, CopyTakesSettingsAndTheClefInForceAtTheEnd)
{
    CKVMeas& source = LoneMeas();
    source.m_wObjWord = CKVMeas::PICKUP | CKVMeas::ENDING_START;
    source.m_wMarker = 3;
    source.m_nTimeNum = 3;
    source.m_nTimeDen = 4;
    source.m_nLength = 100; // stale: the copy works its own out
    std::strcpy(source.m_szTimeNumText, "1+2");
    source.m_nLeftX = 5;
    source.m_nStaffY = 6;
    source.m_rcMeas = CRect(5, 0, 300, 40);
    source.m_nRealWidth = 250;
    source.m_byStartBar = CKVMeas::BAR_REPEAT;
    source.m_byEndBar = CKVMeas::BAR_DOUBLE;
    source.m_byInitClef = 1;
    source.m_byKeyType = CKVMeas::KEY_FLATS;
    source.m_byKeyCount = 2;
    source.m_byTimeStyle = 2;
    source.m_byOption = 4;
    source.m_nHeaderWidth = 40;
    source.m_byEndingNum = 1;
    source.m_byEndingPos = CKVMeas::ENDING_BEGINS;
    std::strcpy(source.m_szEndingText, "1. ");
    source.m_arrUpMsg.Add(9);
    source.m_pBackupLink = &source;
    Add(source, MSG_CLEF, 60, 2);
    Add(source, MSG_CLEF, 120, 4);
    // Listed last but standing in the header area: not a change of clef.
    CKVMsg* early = new CKVMsg;
    early->m_byKind = MSG_CLEF;
    early->m_nPosX = 30;
    early->m_wDuration = 7;
    source.InsertMsg(source.GetMsgNum(), early, kHolderOwns, kParentHere);

    CKVMeas copy;
    copy.Copy(source);
    EXPECT_EQ(copy.m_byInitClef, 4);
    EXPECT_EQ(copy.GetMsgNum(), 0);
    EXPECT_EQ(copy.m_nHeaderWidth, 0);
    EXPECT_EQ(copy.m_byEndingNum, 0);
    EXPECT_EQ(copy.m_byEndingPos, CKVMeas::ENDING_NONE);
    EXPECT_STREQ(copy.m_szEndingText, "");
    EXPECT_EQ(copy.m_arrUpMsg.GetSize(), 0);
    EXPECT_EQ(copy.m_nRealWidth, 0);
    EXPECT_EQ(copy.m_pBackupLink, nullptr);
    EXPECT_EQ(copy.m_nLength, 720);

    EXPECT_EQ(copy.m_pSystem, &sys);
    EXPECT_EQ(copy.m_byObjKind, OBJ_MEAS);
    EXPECT_EQ(copy.m_wObjWord, CKVMeas::PICKUP | CKVMeas::ENDING_START);
    EXPECT_EQ(copy.m_wMarker, 3);
    EXPECT_EQ(copy.m_nTimeNum, 3);
    EXPECT_EQ(copy.m_nTimeDen, 4);
    EXPECT_STREQ(copy.m_szTimeNumText, "1+2");
    EXPECT_EQ(copy.m_nLeftX, 5);
    EXPECT_EQ(copy.m_nStaffY, 6);
    EXPECT_EQ(copy.m_rcMeas, CRect(5, 0, 300, 40));
    EXPECT_EQ(copy.m_byStartBar, CKVMeas::BAR_REPEAT);
    EXPECT_EQ(copy.m_byEndBar, CKVMeas::BAR_DOUBLE);
    EXPECT_EQ(copy.m_byKeyType, CKVMeas::KEY_FLATS);
    EXPECT_EQ(copy.m_byKeyCount, 2);
    EXPECT_EQ(copy.m_byTimeStyle, 2);
    EXPECT_EQ(copy.m_byOption, 4);

    // Without clef changes the source's initial clef carries over.
    CKVMeas plain;
    plain.m_byInitClef = 9;
    CKVMeas copy2;
    copy2.Copy(plain);
    EXPECT_EQ(copy2.m_byInitClef, 9);
    EXPECT_EQ(copy2.m_nLength, 960);
}

TEST_F(KVMeasTest, NodeCopyTakesHeadAndHandlesButNotChildrenOrId)
{
    CKVMsg source;
    source.m_byKind = MSG_NOTE;
    source.Initialize(&sys, OBJ_MSG);
    source.m_wObjWord = 0x1234;
    source.m_dwWord = 0xABCDEF;
    source.m_dwMsgId = 77;
    unsigned char head[3] = {1, 2, 3};
    source.SetHead(3, head);
    source.m_arrCtrlPoint.Add(new CKVCtrlPoint(CRect(1, 2, 3, 4)));
    CKVMeas parent;
    source.m_pParent = &parent;
    source.m_byParentKind = OBJ_MEAS;

    CKVMsg target;
    target.CKVObject::Copy(source);
    EXPECT_EQ(target.m_byObjKind, OBJ_MSG);
    EXPECT_EQ(target.m_wObjWord, 0x1234);
    EXPECT_EQ(target.m_dwWord, 0xABCDEFu);
    EXPECT_EQ(target.m_dwMsgId, 0u);
    EXPECT_EQ(target.m_pSystem, &sys);
    EXPECT_EQ(target.m_pParent, &parent);
    EXPECT_EQ(target.m_byParentKind, OBJ_MEAS);
    unsigned char* copied = nullptr;
    ASSERT_EQ(target.GetHead(&copied), 3);
    EXPECT_NE(copied, source.m_pHead);
    EXPECT_EQ(std::memcmp(copied, head, 3), 0);
    ASSERT_EQ(target.m_arrCtrlPoint.GetSize(), 1);
    EXPECT_NE(target.m_arrCtrlPoint.GetAt(0), source.m_arrCtrlPoint.GetAt(0));
    EXPECT_EQ(target.m_arrCtrlPoint.GetAt(0)->m_rect, CRect(1, 2, 3, 4));
    EXPECT_EQ(target.GetMsgNum(), 0);
}

TEST_F(KVMeasTest, TrillQueriesAndTrillPlaybackChangeNothing)
{
    CKVMeas& meas = LoneMeas();
    CKVMsg msg;
    const struct {
        BYTE kind;
        int trill;
    } cases[] = {{78, 1}, {MSG_LINE, 1}, {MSG_TRILL, 0}, {MSG_NOTE, 0}};
    for (const auto& c : cases) {
        msg.m_byKind = c.kind;
        EXPECT_EQ(meas.IsTrillMsg(&msg), c.trill) << int(c.kind);
    }
    EXPECT_EQ(meas.IsTrillMsg(nullptr), 0);

    CKVMsg* note = Add(meas, MSG_NOTE, 10, DUR_QUARTER);
    meas.Trill2Midi();
    meas.UndoTrillNote();
    ASSERT_EQ(meas.GetMsgNum(), 1);
    EXPECT_EQ(meas.GetMsg(0), note);
    EXPECT_EQ(note->m_nPosX, 10);
}

TEST_F(KVMeasTest, DeleteBackupDataDeletesOnlyAnotherMeasure)
{
    int deleted = 0;
    CKVMeas& meas = LoneMeas();
    meas.m_pBackupLink = new CountedMeas(&deleted);
    CKVMultiBackup* link = meas.m_pBackupLink;
    meas.DeleteBackupData();
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(meas.m_pBackupLink, link); // the caller drops the link
    meas.m_pBackupLink = nullptr;
    meas.DeleteBackupData();

    CountedMeas self(&deleted);
    self.m_pBackupLink = &self;
    self.DeleteBackupData();
    EXPECT_EQ(deleted, 1);
}

} // namespace
