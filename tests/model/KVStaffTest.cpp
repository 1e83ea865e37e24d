// The staff: making measures, the measure list with its bar-line and ending
// repairs, key changes over a range, the staff-name symbol, copying, memory
// accounting and the staff's stream form.

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/KvTest.h"
#include "support/NodeSupport.h"
#include "support/RecordBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace {

using kvtest::FileBytes;
using kvtest::HeadOf;

// The first child of the staff-name kind.
CKVMsg* NameSymbol(CKVStaff& staff)
{
    for (short i = 0; i < staff.GetMsgNum(); ++i) {
        CKVMsg* msg = staff.GetMsg(i);
        if (msg && msg->m_byKind == MSG_STAFFNAME)
            return msg;
    }
    return nullptr;
}

CKVMsg* AddSymbol(CKVMeas* meas, BYTE kind, BYTE voice, short x)
{
    CKVMsg* msg = new CKVMsg;
    msg->m_byKind = kind;
    msg->m_byVoice = voice;
    msg->m_nPosX = x;
    meas->CKVObject::AddMsg(msg, kHolderOwns, kParentHere);
    return msg;
}

class KVStaffTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        sys.Initialize(&sys, OBJ_SYSTEM);
    }

    // A staff of the system with `count` 4/4 measures and clef 1.
    CKVStaff* MakeStaff(LONG count)
    {
        EXPECT_EQ(sys.Create(1, count, 1, 4, 4), 1);
        return sys.GetStaff(0);
    }

    static std::vector<BYTE> EndBars(CKVStaff& staff)
    {
        std::vector<BYTE> bars;
        for (LONG i = 0; i < staff.GetMeasNum(); ++i)
            bars.push_back(staff.GetMeas(i)->m_byEndBar);
        return bars;
    }

    CKVSystem sys;
};

TEST_F(KVStaffTest, CreateMakesMeasuresOfTheTimeSignatureAndDrumChannels)
{
    CKVStaff waltz;
    waltz.Initialize(&sys, OBJ_STAFF);
    ASSERT_EQ(waltz.Create(2, 1, 3, 4), 1);
    ASSERT_EQ(waltz.GetMeasNum(), 2);
    for (LONG i = 0; i < 2; ++i) {
        EXPECT_EQ(waltz.GetMeas(i)->m_nLength, 720);
        EXPECT_EQ(waltz.GetMeas(i)->m_pParent, &waltz);
        EXPECT_EQ(waltz.GetMeas(i)->m_byParentKind, OBJ_STAFF);
        EXPECT_EQ(waltz.GetMeas(i)->m_pSystem, &sys);
    }
    EXPECT_EQ(waltz.m_byChannel[0], 0);

    CKVStaff drums;
    drums.Initialize(&sys, OBJ_STAFF);
    ASSERT_EQ(drums.Create(4, 8, 4, 4), 1);
    ASSERT_EQ(drums.GetMeasNum(), 4);
    for (LONG i = 0; i < 4; ++i) {
        EXPECT_EQ(drums.GetMeas(i)->m_nLength, 960);
        EXPECT_EQ(drums.GetMeas(i)->m_byInitClef, 8);
    }
    EXPECT_EQ(EndBars(drums), (std::vector<BYTE> {16, 16, 16, 3}));
    EXPECT_EQ(drums.m_byClefType, 8);
    for (int v = 0; v < CKVStaff::VOICES; ++v) {
        EXPECT_EQ(drums.m_byChannel[v], 9);
        EXPECT_EQ(drums.m_byVoiceFirst[v], 127);
        EXPECT_EQ(drums.m_byVoiceSecond[v], 1);
        EXPECT_EQ(drums.m_byVoiceThird[v], 1);
    }

    // A passage of an ossia staff does not end the score.
    CKVStaff ossia;
    ossia.Initialize(&sys, OBJ_OSSIA_STAFF);
    ASSERT_EQ(ossia.Create(2, 1, 4, 4), 1);
    EXPECT_EQ(EndBars(ossia), (std::vector<BYTE> {16, 16}));
}

TEST_F(KVStaffTest, GetMeasIndexFindsOnlyItsOwnMeasures)
{
    CKVStaff* staff = MakeStaff(3);
    for (LONG i = 0; i < 3; ++i)
        EXPECT_EQ(staff->GetMeasIndex(staff->GetMeas(i)), i);

    CKVStaff other;
    other.Initialize(&sys, OBJ_STAFF);
    ASSERT_EQ(other.Create(1, 1, 4, 4), 1);
    EXPECT_EQ(staff->GetMeasIndex(other.GetMeas(0)), -1);
    EXPECT_EQ(staff->GetMeasIndex(nullptr), -1);
}

TEST_F(KVStaffTest, RemoveMeasClampsTheCountAndRefusesBadIndexes)
{
    CKVStaff* staff = MakeStaff(8);
    EXPECT_EQ(staff->RemoveMeas(9, 1), -1);
    EXPECT_EQ(staff->RemoveMeas(8, 1), -1);
    EXPECT_EQ(staff->RemoveMeas(-1, 1), -1);
    EXPECT_EQ(staff->RemoveMeas(2, 0), -1);
    EXPECT_EQ(staff->RemoveMeas(2, -3), -1);
    EXPECT_EQ(staff->GetMeasNum(), 8);

    EXPECT_EQ(staff->RemoveMeas(5, 10), 3);
    ASSERT_EQ(staff->GetMeasNum(), 5);
    EXPECT_EQ(staff->GetMeas(4)->m_byEndBar, CKVMeas::BAR_FINAL);
    EXPECT_EQ(staff->GetMeas(5), nullptr);
    EXPECT_EQ(staff->GetMeas(-1), nullptr);
}

TEST_F(KVStaffTest, RemovedMeasuresThatUndoDoesNotKeepAreNotListedAsDeleted)
{
    CKVDoc doc;
    sys.m_pDoc = &doc;
    CKVStaff* staff = MakeStaff(4);
    AddSymbol(staff->GetMeas(2), MSG_NOTE, 1, 10);
    EXPECT_EQ(staff->RemoveMeas(1, 2), 2);
    EXPECT_EQ(staff->GetMeasNum(), 2);
    // Undo kept nothing, so the measures are gone and must not be named.
    EXPECT_EQ(doc.m_arrDeleteMeas.GetSize(), 0);
    sys.m_pDoc = nullptr;
}

TEST_F(KVStaffTest, AddMeasMovesTheFinalBarToTheNewEnd)
{
    CKVStaff* staff = MakeStaff(3);
    staff->GetMeas(2)->m_nTimeNum = 3;
    staff->GetMeas(2)->m_nTimeDen = 4;
    ASSERT_EQ(staff->AddMeas(2, nullptr, 255), 1);
    ASSERT_EQ(staff->GetMeasNum(), 5);
    EXPECT_EQ(EndBars(*staff), (std::vector<BYTE> {16, 16, 16, 16, 3}));
    for (LONG i = 3; i < 5; ++i) {
        CKVMeas* meas = staff->GetMeas(i);
        EXPECT_EQ(meas->m_pParent, staff);
        EXPECT_EQ(meas->m_pBackupLink, meas);
        // The new measures run on in the last one's time signature.
        EXPECT_EQ(meas->m_nTimeNum, 3);
    }

    ASSERT_EQ(staff->AddMeas(1, nullptr, 2), 1);
    EXPECT_EQ(staff->GetMeas(5)->m_byInitClef, 2);
    // Nothing to add changes nothing, not even the final bar.
    EXPECT_EQ(staff->AddMeas(0, nullptr, 255), -1);
    EXPECT_EQ(staff->GetMeas(5)->m_byEndBar, CKVMeas::BAR_FINAL);
}

TEST_F(KVStaffTest, InsertMeasCopiesTheModelAndClampsTheIndex)
{
    CKVStaff* staff = MakeStaff(8);
    CKVMeas* model = staff->GetMeas(2);
    model->m_nTimeNum = 6;
    model->m_nTimeDen = 8;
    model->CalcWholeCount();
    model->m_byKeyType = CKVMeas::KEY_FLATS;
    model->m_byKeyCount = 2;
    model->m_byOptions = 0x23;
    model->m_byInitClef = 3;
    model->m_byEndBar = CKVMeas::BAR_REPEAT;
    ASSERT_EQ(staff->InsertMeas(3, 1, 99), 1);
    ASSERT_EQ(staff->GetMeasNum(), 9);
    CKVMeas* added = staff->GetMeas(3);
    EXPECT_EQ(added->m_nTimeNum, 6);
    EXPECT_EQ(added->m_nTimeDen, 8);
    EXPECT_EQ(added->m_nLength, 720);
    EXPECT_EQ(added->m_byKeyType, CKVMeas::KEY_FLATS);
    EXPECT_EQ(added->m_byKeyCount, 2);
    EXPECT_EQ(added->m_byOptions, 0x23);
    EXPECT_EQ(added->m_byInitClef, 3);
    EXPECT_EQ(added->m_byEndBar, CKVMeas::BAR_SINGLE); // bar lines are not the model's
    EXPECT_EQ(added->m_pBackupLink, added);

    ASSERT_EQ(staff->InsertMeas(20, 1, 0), 1);
    ASSERT_EQ(staff->GetMeasNum(), 10);
    for (LONG i = 0; i < staff->GetMeasNum(); ++i)
        EXPECT_NE(staff->GetMeas(i), nullptr) << i;
    EXPECT_EQ(staff->GetMeas(9)->m_byEndBar, CKVMeas::BAR_FINAL);

    CKVMeas* first = staff->GetMeas(0);
    ASSERT_EQ(staff->InsertMeas(-4, 1, 0), 1);
    EXPECT_EQ(staff->GetMeasNum(), 11);
    EXPECT_EQ(staff->GetMeas(1), first);
    EXPECT_EQ(staff->InsertMeas(0, 0, 0), -1);
    EXPECT_EQ(staff->GetMeasNum(), 11);
}

TEST_F(KVStaffTest, EndingCheckRepairsEachPairAfterThePreviousOne)
{
    struct Case {
        BYTE before[2];
        BYTE after[2];
    };
    const Case cases[] = {
        {{1, 0}, {4, 0}},
        {{3, 0}, {2, 0}},
        {{3, 4}, {0, 1}},
        {{3, 3}, {0, 0}},
        {{3, 2}, {0, 0}}, // a continuing ending cannot open the staff
        {{2, 3}, {2, 0}},
        {{3, 1}, {3, 4}},
    };
    for (const Case& c : cases) {
        CKVStaff staff;
        staff.Initialize(&sys, OBJ_STAFF);
        ASSERT_EQ(staff.Create(2, 1, 4, 4), 1);
        for (int i = 0; i < 2; ++i) {
            staff.GetMeas(i)->m_byEndingPos = c.before[i];
            staff.GetMeas(i)->m_byEndingNum = 1;
        }
        staff.EndingCheck();
        EXPECT_EQ(staff.GetMeas(0)->m_byEndingPos, c.after[0]) << int(c.before[0]) << "," << int(c.before[1]);
        EXPECT_EQ(staff.GetMeas(1)->m_byEndingPos, c.after[1]) << int(c.before[0]) << "," << int(c.before[1]);
    }

    // (3, 3) deletes both endings outright.
    CKVStaff staff;
    staff.Initialize(&sys, OBJ_STAFF);
    ASSERT_EQ(staff.Create(3, 1, 4, 4), 1);
    staff.GetMeas(0)->m_byEndingPos = 3;
    staff.GetMeas(1)->m_byEndingPos = 3;
    staff.GetMeas(0)->m_byEndingNum = 2;
    staff.GetMeas(1)->m_byEndingNum = 2;
    staff.GetMeas(2)->m_wObjWord = CKVMeas::PICKUP;
    staff.EndingCheck();
    EXPECT_EQ(staff.GetMeas(0)->m_byEndingNum, 0);
    EXPECT_EQ(staff.GetMeas(1)->m_byEndingNum, 0);
    // The check deletes the ending of every plain measure; a pickup flag
    // is not part of it.
    EXPECT_EQ(staff.GetMeas(2)->m_wObjWord & CKVMeas::PICKUP, CKVMeas::PICKUP);
}

TEST_F(KVStaffTest, StaffNameRecordReadsBackItsTextsAndOffsets)
{
    CKVStaff* staff = MakeStaff(1);
    staff->SetStaffNameToMsg("Violin One", "", "", "", 0, 0);
    CKVMsg* symbol = NameSymbol(*staff);
    ASSERT_NE(symbol, nullptr);
    EXPECT_EQ(symbol->m_pParent, staff);
    EXPECT_NE(symbol->m_dwMsgId, 0u);
    const std::string name = "Violin One";
    std::vector<BYTE> expected = {4, 10};
    expected.insert(expected.end(), name.begin(), name.end());
    expected.insert(expected.end(), {0, 0, 0});
    EXPECT_EQ(HeadOf(*symbol), expected);
    EXPECT_STREQ(staff->m_szName, "Violin One");

    char texts[4][CKVStaff::NAME_SIZE];
    int x = 9;
    int y = 9;
    staff->GetStaffNameFromMsg(texts[0], texts[1], texts[2], texts[3], x, y);
    EXPECT_STREQ(texts[0], "Violin One");
    EXPECT_STREQ(texts[1], "");
    EXPECT_STREQ(texts[3], "");
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    // A second call rewrites the same symbol.
    staff->SetStaffNameToMsg("Vln.", "I", "solo", "div.", -5, 7);
    EXPECT_EQ(NameSymbol(*staff), symbol);
    EXPECT_EQ(staff->GetMsgNum(), 1);
    staff->GetStaffNameFromMsg(texts[0], texts[1], texts[2], texts[3], x, y);
    EXPECT_STREQ(texts[0], "Vln.");
    EXPECT_STREQ(texts[1], "I");
    EXPECT_STREQ(texts[2], "solo");
    EXPECT_STREQ(texts[3], "div.");
    EXPECT_EQ(x, -5);
    EXPECT_EQ(y, 7);
}

TEST_F(KVStaffTest, LongStaffNamesAreCutTo31Bytes)
{
    CKVStaff* staff = MakeStaff(1);
    const std::string longName(40, 'n');
    const std::string longText(300, 't');
    staff->SetStaffNameToMsg(longName.c_str(), longText.c_str(), "", "", 0, 0);
    EXPECT_EQ(std::string(staff->m_szName), longName.substr(0, 31));
    const std::vector<BYTE> head = HeadOf(*NameSymbol(*staff));
    ASSERT_EQ(head.size(), 1u + 32 + 32 + 1 + 1);
    EXPECT_EQ(head[1], 31);
    EXPECT_EQ(head[33], 31);

    char texts[4][CKVStaff::NAME_SIZE];
    int x = 0;
    int y = 0;
    staff->GetStaffNameFromMsg(texts[0], texts[1], texts[2], texts[3], x, y);
    EXPECT_EQ(std::string(texts[0]), longName.substr(0, 31));
    EXPECT_EQ(std::string(texts[1]), longText.substr(0, 31));
}

TEST_F(KVStaffTest, StaffNameReaderStopsAtABadText)
{
    CKVStaff* staff = MakeStaff(1);
    staff->SetStaffNameToMsg("A", "", "", "", 0, 0);
    CKVMsg* symbol = NameSymbol(*staff);
    char texts[4][CKVStaff::NAME_SIZE];
    int x = 0;
    int y = 0;

    // The second text claims more bytes than are left.
    unsigned char cut[] = {4, 2, 'A', 'B', 9, 'x'};
    symbol->SetHead(sizeof(cut), cut);
    staff->GetStaffNameFromMsg(texts[0], texts[1], texts[2], texts[3], x, y);
    EXPECT_STREQ(texts[0], "AB");
    EXPECT_STREQ(texts[1], "");

    // A length of 32 is refused.
    unsigned char tooLong[40] = {4, 32};
    symbol->SetHead(sizeof(tooLong), tooLong);
    staff->GetStaffNameFromMsg(texts[0], texts[1], texts[2], texts[3], x, y);
    EXPECT_STREQ(texts[0], "");

    // The first three texts must leave a byte for the next length.
    unsigned char noRoom[] = {4, 2, 'A', 'B'};
    symbol->SetHead(sizeof(noRoom), noRoom);
    staff->GetStaffNameFromMsg(texts[0], texts[1], texts[2], texts[3], x, y);
    EXPECT_STREQ(texts[0], "");

    // Without a symbol, the name comes from the staff.
    CKVStaff bare;
    std::strcpy(bare.m_szName, "Oboe");
    texts[0][0] = 'z';
    bare.GetStaffNameFromMsg(texts[0], texts[1], texts[2], texts[3], x, y);
    EXPECT_STREQ(texts[0], "Oboe");
}

TEST_F(KVStaffTest, VisibilityBitsAreIndependent)
{
    CKVStaff staff;
    EXPECT_NE(staff.IsClefVisible(), 0);
    EXPECT_NE(staff.IsLeftLineVisible(), 0);
    staff.SetKeySignVisible(0);
    staff.SetLeftLineVisible(0);
    EXPECT_EQ(staff.m_byDisplayFlags, CKVStaff::SHOW_CLEF | CKVStaff::SHOW_TIME);
    EXPECT_EQ(staff.IsKeySignVisible(), 0);
    EXPECT_NE(staff.IsTimeVisible(), 0);
    staff.SetClefVisible(0);
    staff.SetTimeVisible(0);
    staff.SetKeySignVisible(1);
    EXPECT_EQ(staff.m_byDisplayFlags, CKVStaff::SHOW_KEY);
}

class KVStaffKeyTest : public KVStaffTest {
protected:
    // Two staves of four measures; measure 1 has key type 0.
    void MakeScore()
    {
        ASSERT_EQ(sys.Create(2, 4, 1, 4, 4), 1);
        for (short s = 0; s < 2; ++s)
            sys.GetMeas(s, 1)->m_byKeyType = 0;
    }
};

TEST_F(KVStaffKeyTest, KeyChangeSetsDoubleBarsInEveryStaff)
{
    MakeScore();
    CKVStaff* staff = sys.GetStaff(0);
    staff->ChangeKeySignature(3, 2, 1, 1, CKVMeas::KEYCHG_BAR_LINES, 0);
    for (short s = 0; s < 2; ++s)
        EXPECT_EQ(sys.GetMeas(s, 1)->m_byEndBar, CKVMeas::BAR_DOUBLE) << s;
    for (LONG i = 2; i < 4; ++i) {
        CKVMeas* meas = staff->GetMeas(i);
        EXPECT_EQ(meas->m_byKeyType, 1);
        EXPECT_EQ(meas->m_byKeyCount, 1);
        EXPECT_EQ(meas->m_byOptions & CKVMeas::OPT_KEY_SHOWN, CKVMeas::OPT_KEY_SHOWN);
        EXPECT_EQ(meas->m_byOptions & CKVMeas::OPT_KEY_HIDDEN, 0);
    }
    EXPECT_EQ(staff->GetMeas(3)->m_byEndBar, CKVMeas::BAR_FINAL);

    // Back to the key before: the double bar goes again.
    staff->ChangeKeySignature(2, 3, 0, 0, CKVMeas::KEYCHG_BAR_LINES, 0);
    for (short s = 0; s < 2; ++s)
        EXPECT_EQ(sys.GetMeas(s, 1)->m_byEndBar, CKVMeas::BAR_SINGLE) << s;

    staff->ChangeKeySignature(2, 3, 1, 1, CKVMeas::KEYCHG_BAR_LINES | CKVMeas::KEYCHG_HIDE, 0);
    EXPECT_EQ(staff->GetMeas(2)->m_byOptions & CKVMeas::OPT_KEY_HIDDEN, CKVMeas::OPT_KEY_HIDDEN);
    EXPECT_EQ(staff->GetMeas(2)->m_byOptions & CKVMeas::OPT_KEY_SHOWN, 0);
}

TEST_F(KVStaffKeyTest, KeyChangeMarksTheEndOfTheRangeAndClampsIt)
{
    MakeScore();
    CKVStaff* staff = sys.GetStaff(1);
    staff->ChangeKeySignature(-3, 1, 2, 3, CKVMeas::KEYCHG_BAR_LINES, 0);
    EXPECT_EQ(staff->GetMeas(0)->m_byKeyType, 2);
    EXPECT_EQ(staff->GetMeas(1)->m_byKeyType, 2);
    EXPECT_EQ(staff->GetMeas(2)->m_byKeyType, 0);
    for (short s = 0; s < 2; ++s)
        EXPECT_EQ(sys.GetMeas(s, 1)->m_byEndBar, CKVMeas::BAR_DOUBLE) << s;

    // Without the bar-line option no bar line changes.
    staff->ChangeKeySignature(2, 40, 2, 3, 0, 0);
    EXPECT_EQ(staff->GetMeas(3)->m_byKeyType, 2);
    EXPECT_EQ(sys.GetMeas(0, 1)->m_byEndBar, CKVMeas::BAR_DOUBLE);
}

TEST_F(KVStaffKeyTest, KeyChangeOnAnOssiaStaffStaysOnIt)
{
    MakeScore();
    CKVStaff ossia;
    ossia.Initialize(&sys, OBJ_OSSIA_STAFF);
    ASSERT_EQ(ossia.Create(4, 1, 4, 4), 1);
    ossia.ChangeKeySignature(2, 3, 1, 1, CKVMeas::KEYCHG_BAR_LINES, 0);
    EXPECT_EQ(ossia.GetMeas(1)->m_byEndBar, CKVMeas::BAR_DOUBLE);
    for (short s = 0; s < 2; ++s)
        EXPECT_EQ(sys.GetMeas(s, 1)->m_byEndBar, CKVMeas::BAR_SINGLE) << s;
}

TEST_F(KVStaffTest, CustomKeySignGivesEachMeasureItsOwnCopy)
{
    CKVStaff* staff = MakeStaff(4);
    for (LONG i = 0; i < 4; ++i)
        staff->GetMeas(i)->m_byKeyType = 2;
    staff->GetMeas(1)->m_byOptions = 0x20;
    CKVMsg model;
    model.m_byKind = MSG_KEYSIGN;
    model.m_nPosX = -10;
    ASSERT_EQ(staff->ChangeCustomKeySign(1, 2, model, 0), 1);
    DWORD ids[2] = {};
    for (LONG i = 1; i <= 2; ++i) {
        CKVMeas* meas = staff->GetMeas(i);
        EXPECT_EQ(meas->m_byKeyType, 0);
        ASSERT_EQ(meas->GetMsgNum(), 1);
        CKVMsg* copy = meas->GetMsg(0);
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy, &model);
        EXPECT_EQ(copy->m_byKind, MSG_KEYSIGN);
        EXPECT_EQ(meas->m_arrMsgRef.GetAt(0)->byOwner, 1);
        ids[i - 1] = copy->m_dwMsgId;
        EXPECT_EQ(meas->m_byOptions & CKVMeas::OPT_KEY_SHOWN, CKVMeas::OPT_KEY_SHOWN);
        EXPECT_EQ(meas->m_byOptions & CKVMeas::OPT_KEY_HIDDEN, 0);
    }
    EXPECT_NE(ids[0], 0u);
    EXPECT_NE(ids[0], ids[1]);
    EXPECT_EQ(staff->GetMeas(2)->m_byEndBar, CKVMeas::BAR_DOUBLE);
    EXPECT_EQ(staff->GetMeas(0)->m_byKeyType, 2);
    EXPECT_EQ(staff->GetMeas(3)->m_byKeyType, 2);
    EXPECT_EQ(staff->GetMeas(3)->GetMsgNum(), 0);
}

TEST_F(KVStaffTest, CustomKeySignEndingTheStaffKeepsTheFinalBar)
{
    CKVStaff* staff = MakeStaff(3);
    CKVMsg model;
    model.m_byKind = MSG_KEYSIGN;
    ASSERT_EQ(staff->ChangeCustomKeySign(2, 1, model, CKVMeas::KEYCHG_HIDE), 1);
    EXPECT_EQ(staff->GetMeas(2)->m_byEndBar, CKVMeas::BAR_FINAL);
    EXPECT_EQ(staff->GetMeas(1)->m_byEndBar, CKVMeas::BAR_SINGLE);
    EXPECT_EQ(staff->GetMeas(1)->m_byOptions & CKVMeas::OPT_KEY_SHOWN, 0);

    // Out of the staff: nothing to change.
    EXPECT_EQ(staff->ChangeCustomKeySign(5, 9, model, 0), 0);
    EXPECT_EQ(staff->ChangeCustomKeySign(-5, -1, model, 0), 0);
    // A range reaching past the ends is clamped.
    EXPECT_EQ(staff->ChangeCustomKeySign(-2, 0, model, CKVMeas::KEYCHG_BAR_LINES), 1);
    EXPECT_EQ(staff->GetMeas(0)->GetMsgNum(), 1);
    EXPECT_EQ(staff->GetMeas(0)->m_byEndBar, CKVMeas::BAR_SINGLE);
}

TEST_F(KVStaffTest, DelMsgRemovesOneVoiceOrEverything)
{
    CKVStaff* staff = MakeStaff(2);
    CKVMeas* meas = staff->GetMeas(0);
    AddSymbol(meas, MSG_NOTE, 1, 10);
    CKVMsg* gone = AddSymbol(meas, MSG_NOTE, 2, 20);
    AddSymbol(meas, MSG_NOTE, 2, 30);
    AddSymbol(meas, MSG_REST, 3, 40);
    AddSymbol(staff->GetMeas(1), MSG_NOTE, 2, 50);
    // A stale reference between two symbols of the voice.
    const DWORD staleId = gone->m_dwMsgId;
    sys.m_arrMsgMap.SetAt(static_cast<int>(staleId), nullptr);
    delete gone;

    staff->DelMsg(2);
    ASSERT_EQ(meas->GetMsgNum(), 2);
    EXPECT_EQ(meas->GetMsg(0)->m_byVoice, 1);
    EXPECT_EQ(meas->GetMsg(1)->m_byVoice, 3);
    EXPECT_EQ(staff->GetMeas(1)->GetMsgNum(), 0);

    staff->DelMsg(0);
    EXPECT_EQ(meas->GetMsgNum(), 0);
}

TEST_F(KVStaffTest, AssignmentCopiesTheStaffAndItsMeasures)
{
    CKVStaff* source = MakeStaff(3);
    source->m_byClefType = 2;
    source->m_byStaffKind = CKVStaff::KIND_FREE_LINE;
    source->m_byLineCount = 3;
    std::strcpy(source->m_szName, "Cello");
    source->m_byGroupBracket[1] = 4;
    source->m_byChannel[0] = 5;
    source->GetMeas(1)->m_nTimeNum = 5;
    source->GetMeas(1)->m_byKeyType = 2;

    CKVStaff copy;
    copy.Initialize(&sys, OBJ_STAFF);
    ASSERT_EQ(copy.Create(5, 1, 4, 4), 1);
    copy = *source;
    EXPECT_EQ(copy.m_byClefType, 2);
    EXPECT_EQ(copy.m_byStaffKind, CKVStaff::KIND_FREE_LINE);
    EXPECT_EQ(copy.m_byLineCount, 3);
    EXPECT_STREQ(copy.m_szName, "Cello");
    EXPECT_EQ(copy.m_byGroupBracket[1], 4);
    EXPECT_EQ(copy.m_byChannel[0], 0); // channels stay the staff's own
    ASSERT_EQ(copy.GetMeasNum(), 3);
    for (LONG i = 0; i < 3; ++i) {
        EXPECT_NE(copy.GetMeas(i), source->GetMeas(i));
        EXPECT_EQ(copy.GetMeas(i)->m_pParent, &copy);
    }
    EXPECT_EQ(copy.GetMeas(1)->m_nTimeNum, 5);
    EXPECT_EQ(copy.GetMeas(1)->m_byKeyType, 2);
    EXPECT_EQ(copy.GetMeas(2)->m_byEndBar, CKVMeas::BAR_FINAL);
}

TEST_F(KVStaffTest, DeleteBackupDataDeletesOnlyAClone)
{
    CKVStaff* staff = MakeStaff(2);
    staff->m_pBackupLink = staff;
    staff->DeleteBackupData();
    EXPECT_EQ(staff->GetMeasNum(), 2);

    CKVStaff* clone = new CKVStaff;
    clone->Initialize(&sys, OBJ_STAFF);
    ASSERT_EQ(clone->Create(2, 1, 4, 4), 1);
    staff->m_pBackupLink = clone;
    staff->DeleteBackupData(); // the clone and its measures go (leak-checked)
    EXPECT_EQ(staff->m_pBackupLink, clone);
    staff->m_pBackupLink = nullptr;
}

TEST_F(KVStaffTest, ImportTakesTheMeasuresAndEmptiesTheOther)
{
    CKVStaff* staff = MakeStaff(2);
    CKVSystem otherSys;
    otherSys.Initialize(&otherSys, OBJ_SYSTEM);
    ASSERT_EQ(otherSys.Create(1, 3, 1, 4, 4), 1);
    CKVStaff* other = otherSys.GetStaff(0);
    CKVMeas* moved = other->GetMeas(0);
    staff->Import(other);
    EXPECT_EQ(staff->GetMeasNum(), 5);
    EXPECT_EQ(other->GetMeasNum(), 0);
    EXPECT_EQ(staff->GetMeas(2), moved);
    EXPECT_EQ(moved->m_pParent, staff);
    EXPECT_EQ(moved->m_pSystem, &sys);
    staff->Import(nullptr);
    EXPECT_EQ(staff->GetMeasNum(), 5);
}

TEST_F(KVStaffTest, MemorySizeCountsTheStaffAndItsMeasures)
{
    ASSERT_EQ(sys.Create(1, 2, 1, 4, 4), 1);
    DWORD total = 0;
    sys.GetMemorySize(total);
    EXPECT_EQ(total, 1012u);

    CKVMsg* note = AddSymbol(sys.GetMeas(0, 0), MSG_NOTE, 1, 10);
    unsigned char head[12] = {};
    note->SetHead(sizeof(head), head);
    total = 0;
    sys.GetMemorySize(total);
    EXPECT_EQ(total, 1212u);

    total = 5;
    sys.GetStaff(0)->GetMemorySize(total);
    EXPECT_EQ(total, 5u + 192 + 8 + 316 + 12 + 184 + 316);
}

class KVStaffStreamTest : public KVStaffTest {
protected:
    // A named bass staff of three measures with varied settings.
    CKVStaff* MakeSavedStaff()
    {
        CKVStaff* staff = MakeStaff(3);
        staff->SetStaffNameToMsg("Bassoon", "", "", "", 0, 0);
        staff->m_byClefType = 2;
        staff->m_byStaffKind = CKVStaff::KIND_FREE_LINE;
        staff->m_byLineCount = 4;
        staff->m_byChannel[0] = 3; // not part of this form
        CKVMeas* meas = staff->GetMeas(1);
        meas->m_nTimeNum = 3;
        meas->m_nTimeDen = 8;
        meas->m_byEndBar = CKVMeas::BAR_DOUBLE;
        meas->m_byKeyType = 2;
        meas->m_byKeyCount = 3;
        meas->m_byOptions = 0x21;
        return staff;
    }
};

TEST_F(KVStaffStreamTest, SavedStaffLoadsBack)
{
    CKVStaff* staff = MakeSavedStaff();
    CMemFile out;
    // Node header with one child reference, then the record.
    EXPECT_EQ(staff->Save(&out), 12 + 112);
    const std::vector<BYTE> bytes = FileBytes(out);
    const size_t record = 12 + 8;
    ASSERT_GT(bytes.size(), record + 112);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[record])), "Bassoon");
    EXPECT_EQ(bytes[record + 32], 2);
    EXPECT_EQ(bytes[record + 33], CKVStaff::KIND_FREE_LINE);
    EXPECT_EQ(bytes[record + 34], 4);
    EXPECT_EQ(bytes[record + 35], 0);
    EXPECT_EQ(bytes[record + 51], 0);
    EXPECT_EQ(bytes[record + 75], 0);
    EXPECT_EQ(bytes[record + 80], 8);
    EXPECT_EQ(bytes[record + 81], 0);
    EXPECT_EQ(bytes[record + 82], 0);
    EXPECT_EQ(bytes[record + 102], 4);
    EXPECT_EQ(bytes[record + 103], 0);
    EXPECT_EQ(bytes[record + 104], 4);
    EXPECT_EQ(bytes[record + 105], 0);
    EXPECT_EQ(bytes[record + 108], 3);
    EXPECT_EQ(bytes[record + 109], 0);

    // The buffer form writes the same staff part; its measure records differ
    // (the buffer form of a measure leaves out the key words).
    std::vector<BYTE> buffer(bytes.size() + 16, 0xAA);
    EXPECT_EQ(staff->CopyToBuff(buffer.data()), static_cast<short>(bytes.size()));
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + record + 112, buffer.begin()));

    // Into another system, where the name symbol's id names nothing.
    CKVSystem other;
    other.Initialize(&other, OBJ_SYSTEM);
    CKVStaff back;
    back.Initialize(&other, OBJ_STAFF);
    CMemFile in(const_cast<BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
    EXPECT_EQ(back.Load(&in), 12 + 112);
    EXPECT_STREQ(back.m_szName, "Bassoon");
    EXPECT_EQ(back.m_byClefType, 2);
    EXPECT_EQ(back.m_byStaffKind, CKVStaff::KIND_FREE_LINE);
    EXPECT_EQ(back.m_byLineCount, 4);
    EXPECT_EQ(back.m_byChannel[0], 0);
    ASSERT_EQ(back.GetMeasNum(), 3);
    for (LONG i = 0; i < 3; ++i) {
        CKVMeas* meas = back.GetMeas(i);
        EXPECT_EQ(meas->m_pParent, &back);
        EXPECT_EQ(meas->m_pSystem, &other);
        EXPECT_EQ(meas->m_byEndBar, staff->GetMeas(i)->m_byEndBar) << i;
        EXPECT_EQ(meas->m_nTimeNum, staff->GetMeas(i)->m_nTimeNum) << i;
        EXPECT_EQ(meas->m_nTimeDen, staff->GetMeas(i)->m_nTimeDen) << i;
    }
    EXPECT_EQ(back.GetMeas(1)->m_byKeyType, 2);
    EXPECT_EQ(back.GetMeas(1)->m_byKeyCount, 3);
    EXPECT_EQ(back.GetMeas(1)->m_byOptions, 0x21);

    // The stream's name symbol was not there, so a new one holds the name.
    CKVMsg* name = NameSymbol(back);
    ASSERT_NE(name, nullptr);
    char texts[4][CKVStaff::NAME_SIZE];
    int x = 1;
    int y = 1;
    back.GetStaffNameFromMsg(texts[0], texts[1], texts[2], texts[3], x, y);
    EXPECT_STREQ(texts[0], "Bassoon");
    EXPECT_EQ(x, 0);
}

TEST_F(KVStaffStreamTest, TruncatedStreamFailsWithoutLeaks)
{
    CKVStaff* staff = MakeSavedStaff();
    AddSymbol(staff->GetMeas(0), MSG_NOTE, 1, 10);
    CMemFile out;
    ASSERT_GT(staff->Save(&out), 0);
    const std::vector<BYTE> bytes = FileBytes(out);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        CKVSystem other;
        other.Initialize(&other, OBJ_SYSTEM);
        CKVStaff back;
        back.Initialize(&other, OBJ_STAFF);
        std::vector<BYTE> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        CMemFile in(part.data(), static_cast<UINT>(part.size()));
        EXPECT_EQ(back.Load(&in), -1) << "cut at " << cut;
    }
}

} // namespace
