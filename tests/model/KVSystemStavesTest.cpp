// The staff set: a new score's staves, the staff-making modes of appended
// and inserted staves and ossia staves, drum kits, removal, measure changes
// across the staves, the merge of another system and the system's stream
// form with staves.

#include "model/DrumTable.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/DrumKit.h"
#include "support/KvTest.h"
#include "support/NodeSupport.h"
#include "support/RecordBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kvtest::FileBytes;
using kvtest::HeadOf;

CKVMsg* AddSymbol(CKVObject* parent, BYTE kind, short x)
{
    CKVMsg* msg = new CKVMsg;
    msg->m_byKind = kind;
    msg->m_byVoice = 1;
    msg->m_nPosX = x;
    parent->CKVObject::AddMsg(msg, kHolderOwns, kParentHere);
    return msg;
}

// The 66-byte drum-kit record of a kit index and name.
std::vector<BYTE> KitRecord(WORD index, const std::string& name)
{
    std::vector<BYTE> record(kDrumKitRecordSize, 0);
    record[0] = LOBYTE(index);
    record[1] = HIBYTE(index);
    for (size_t i = 0; i < name.size(); ++i)
        record[i + 2] = static_cast<BYTE>(name[i]);
    return record;
}

class KVSystemStavesTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        sys.Initialize(&sys, OBJ_SYSTEM);
    }

    // Sets every measure of a staff to a time signature.
    static void SetTime(CKVStaff* staff, short num, short den)
    {
        for (LONG i = 0; i < staff->GetMeasNum(); ++i) {
            staff->GetMeas(i)->m_nTimeNum = num;
            staff->GetMeas(i)->m_nTimeDen = den;
            staff->GetMeas(i)->CalcWholeCount();
        }
    }

    void UseDrumKits(const std::vector<std::string>& names)
    {
        for (const std::string& name : names)
            kits.push_back(kvtest::MakeDrumKitEntry(name));
        for (auto& kit : kits)
            table.Add(kit.data());
        SetDrumTable(&table);
    }

    std::vector<std::vector<BYTE>> kits;
    CPtrArray table;
    CKVSystem sys;
};

TEST_F(KVSystemStavesTest, CreateMakesTheStavesOfANewScore)
{
    ASSERT_EQ(sys.Create(2, 1, 1, 3, 4), 1);
    ASSERT_EQ(sys.GetStaffNum(), 2);
    for (short s = 0; s < 2; ++s) {
        CKVStaff* staff = sys.GetStaff(s);
        EXPECT_EQ(staff->m_byObjKind, OBJ_STAFF);
        EXPECT_EQ(staff->m_pParent, &sys);
        EXPECT_EQ(staff->m_pSystem, &sys);
        EXPECT_EQ(staff->m_byParentKind, OBJ_SYSTEM);
        ASSERT_EQ(staff->GetMeasNum(), 1);
        EXPECT_EQ(staff->GetMeas(0)->m_nLength, 720);
        EXPECT_EQ(staff->GetMeas(0)->m_byEndBar, CKVMeas::BAR_FINAL);
    }
    EXPECT_EQ(sys.GetMeas(0, 0)->m_byStartBar, 0);
    EXPECT_EQ(sys.GetMeas(1, 0)->m_byStartBar, CKVMeas::BAR_SINGLE);

    CKVSystem longer;
    longer.Initialize(&longer, OBJ_SYSTEM);
    ASSERT_EQ(longer.Create(1, 3, 2, 4, 4), 1);
    EXPECT_EQ(longer.GetMeas(0, 0)->m_byStartBar, CKVMeas::BAR_SINGLE);
    EXPECT_EQ(longer.GetMeas(0, 0)->m_byInitClef, 2);
}

TEST_F(KVSystemStavesTest, AddStaffPairFollowsTheLastStaff)
{
    EXPECT_EQ(sys.AddStaff(1, CKVSystem::MODE_PAIR), -1);
    ASSERT_EQ(sys.Create(1, 2, 1, 4, 4), 1);
    SetTime(sys.GetStaff(0), 6, 8);
    ASSERT_EQ(sys.AddStaff(1, CKVSystem::MODE_PAIR), 3);
    CKVStaff* upper = sys.GetStaff(1);
    CKVStaff* lower = sys.GetStaff(2);
    EXPECT_EQ(upper->m_byClefType, 1);
    EXPECT_EQ(lower->m_byClefType, 2);
    EXPECT_EQ(upper->m_byGroupBracket[0], 4);
    EXPECT_EQ(upper->m_byGroupBracket[1], 0);
    EXPECT_EQ(lower->m_byGroupBracket[0], 0);
    EXPECT_EQ(lower->m_byGroupBracket[1], 4);
    for (CKVStaff* staff : {upper, lower}) {
        EXPECT_EQ(staff->m_pParent, &sys);
        ASSERT_EQ(staff->GetMeasNum(), 2);
        for (LONG i = 0; i < 2; ++i) {
            CKVMeas* meas = staff->GetMeas(i);
            EXPECT_EQ(meas->m_nTimeNum, 6);
            EXPECT_EQ(meas->m_nTimeDen, 8);
            EXPECT_EQ(meas->m_nLength, 720);
            EXPECT_EQ(meas->m_byInitClef, staff->m_byClefType);
        }
        EXPECT_EQ(staff->GetMeas(1)->m_byEndBar, CKVMeas::BAR_FINAL);
    }
}

TEST_F(KVSystemStavesTest, AppendedStaffTakesTheNeighboursBarsAndClef)
{
    ASSERT_EQ(sys.Create(1, 3, 3, 4, 4), 1);
    CKVMeas* model = sys.GetMeas(0, 1);
    model->m_byEndBar = CKVMeas::BAR_REPEAT;
    model->m_byOptions = 0x41;
    ASSERT_EQ(sys.AddStaff(2, CKVSystem::MODE_NORMAL), 3);
    for (short s = 1; s < 3; ++s) {
        CKVStaff* staff = sys.GetStaff(s);
        EXPECT_EQ(staff->m_byClefType, 3); // appending keeps the model's clef
        EXPECT_EQ(staff->m_byStaffKind, CKVStaff::KIND_NORMAL);
        EXPECT_EQ(staff->GetMeas(1)->m_byEndBar, CKVMeas::BAR_REPEAT);
        EXPECT_EQ(staff->GetMeas(1)->m_byOptions, 0x41);
        EXPECT_EQ(staff->GetMeas(0)->m_byInitClef, 3);
    }

    ASSERT_EQ(sys.AddStaff(1, CKVSystem::MODE_ONE_LINE_DRUM), 4);
    CKVStaff* oneLine = sys.GetStaff(3);
    EXPECT_EQ(oneLine->m_byStaffKind, CKVStaff::KIND_ONE_LINE);
    EXPECT_EQ(oneLine->m_byClefType, 3);
    EXPECT_EQ(oneLine->GetHead(nullptr), 0);
    EXPECT_EQ(oneLine->m_byChannel[0], 0);

    // Appending treats the free-line mode like a plain staff.
    ASSERT_EQ(sys.AddStaff(1, CKVSystem::MODE_FREE_LINE), 5);
    EXPECT_EQ(sys.GetStaff(4)->m_byStaffKind, CKVStaff::KIND_NORMAL);
    EXPECT_EQ(sys.GetStaff(4)->m_byLineCount, 5);
}

TEST_F(KVSystemStavesTest, InsertStaffFreeLineCopiesTheFirstStaffsMeasures)
{
    ASSERT_EQ(sys.Create(2, 3, 1, 4, 4), 1);
    CKVStaff* former = sys.GetStaff(0);
    former->GetMeas(0)->m_nTimeNum = 3;
    former->GetMeas(0)->m_nTimeDen = 4;
    former->GetMeas(2)->m_nTimeNum = 5;
    former->GetMeas(2)->m_nTimeDen = 8;
    ASSERT_EQ(sys.InsertStaff(0, 1, CKVSystem::MODE_FREE_LINE, 6, 80), 3);
    CKVStaff* staff = sys.GetStaff(0);
    EXPECT_EQ(sys.GetStaff(1), former);
    EXPECT_EQ(staff->m_byClefType, 9);
    EXPECT_EQ(staff->m_byStaffKind, CKVStaff::KIND_FREE_LINE);
    EXPECT_EQ(staff->m_byLineCount, 6);
    EXPECT_EQ(staff->m_wObjWord, 80);
    for (int v = 0; v < CKVStaff::VOICES; ++v)
        EXPECT_EQ(staff->m_byChannel[v], 0);
    ASSERT_EQ(staff->GetMeasNum(), 3);
    EXPECT_EQ(staff->GetMeas(0)->m_nTimeNum, 3);
    EXPECT_EQ(staff->GetMeas(0)->m_nLength, 720);
    EXPECT_EQ(staff->GetMeas(2)->m_nTimeNum, 5);
    EXPECT_EQ(staff->GetMeas(2)->m_nTimeDen, 8);
    for (LONG i = 0; i < 3; ++i) {
        EXPECT_EQ(staff->GetMeas(i)->m_byInitClef, 9);
        EXPECT_EQ(staff->GetMeas(i)->m_pParent, staff);
        EXPECT_NE(staff->GetMeas(i), former->GetMeas(i));
    }
    EXPECT_EQ(staff->GetMeas(2)->m_byEndBar, CKVMeas::BAR_FINAL);
}

TEST_F(KVSystemStavesTest, InsertedPairsStackAboveEarlierOnes)
{
    ASSERT_EQ(sys.Create(2, 1, 1, 4, 4), 1);
    CKVStaff* first = sys.GetStaff(0);
    CKVStaff* second = sys.GetStaff(1);

    // Past the end: the first lower staff is appended, the rest above it.
    ASSERT_EQ(sys.InsertStaff(9, 2, CKVSystem::MODE_PAIR, 5, 100), 6);
    EXPECT_EQ(sys.GetStaff(0), first);
    EXPECT_EQ(sys.GetStaff(1), second);
    const BYTE clefs[4] = {1, 2, 1, 2};
    for (short s = 2; s < 6; ++s)
        EXPECT_EQ(sys.GetStaff(s)->m_byClefType, clefs[s - 2]) << s;
    EXPECT_EQ(sys.GetStaff(2)->m_byGroupBracket[0], 4);
    EXPECT_EQ(sys.GetStaff(5)->m_byGroupBracket[1], 4);

    // A negative index inserts at the top.
    ASSERT_EQ(sys.InsertStaff(-3, 1, CKVSystem::MODE_NORMAL, 5, 100), 7);
    EXPECT_EQ(sys.GetStaff(1), first);
    for (short s = 0; s < sys.GetStaffNum(); ++s)
        EXPECT_NE(sys.GetStaff(s), nullptr);

    // Single staves past the end are appended in order.
    CKVSystem other;
    other.Initialize(&other, OBJ_SYSTEM);
    ASSERT_EQ(other.Create(1, 1, 1, 4, 4), 1);
    ASSERT_EQ(other.InsertStaff(5, 1, CKVSystem::MODE_FREE_LINE, 3, 100), 2);
    ASSERT_EQ(other.InsertStaff(5, 1, CKVSystem::MODE_FREE_LINE, 4, 100), 3);
    EXPECT_EQ(other.GetStaff(1)->m_byLineCount, 3);
    EXPECT_EQ(other.GetStaff(2)->m_byLineCount, 4);
    EXPECT_EQ(other.InsertStaff(0, 1, CKVSystem::MODE_NORMAL, 5, 100), 4);

    CKVSystem empty;
    empty.Initialize(&empty, OBJ_SYSTEM);
    EXPECT_EQ(empty.InsertStaff(0, 1, CKVSystem::MODE_NORMAL, 5, 100), -1);
}

TEST_F(KVSystemStavesTest, DrumStavesGetTheCurrentKit)
{
    UseDrumKits({"Standard", "Jazz"});
    SetDrumIndex(1);
    ASSERT_EQ(sys.Create(1, 2, 1, 4, 4), 1);

    ASSERT_EQ(sys.AddStaff(1, CKVSystem::MODE_DRUM), 2);
    CKVStaff* drums = sys.GetStaff(1);
    EXPECT_EQ(drums->m_byClefType, 8);
    EXPECT_EQ(drums->m_byStaffKind, CKVStaff::KIND_DRUM);
    EXPECT_EQ(HeadOf(*drums), KitRecord(1, "Jazz"));
    EXPECT_EQ(drums->GetMeas(0)->m_byInitClef, 8);
    // Appending sets no channels: the model staff was not a drum staff.
    EXPECT_EQ(drums->m_byChannel[0], 0);

    ASSERT_EQ(sys.AddStaff(1, CKVSystem::MODE_DRUM_SECOND), 3);
    CKVStaff* second = sys.GetStaff(2);
    EXPECT_EQ(second->m_byStaffKind, CKVStaff::KIND_DRUM_SECOND);
    for (int v = 0; v < CKVStaff::VOICES; ++v)
        EXPECT_EQ(second->m_byChannel[v], 9);

    // Inserting always gives drum channels.
    ASSERT_EQ(sys.InsertStaff(0, 1, CKVSystem::MODE_DRUM, 5, 100), 4);
    CKVStaff* inserted = sys.GetStaff(0);
    EXPECT_EQ(inserted->m_byStaffKind, CKVStaff::KIND_DRUM);
    EXPECT_EQ(inserted->m_byClefType, 8);
    for (int v = 0; v < CKVStaff::VOICES; ++v)
        EXPECT_EQ(inserted->m_byChannel[v], 9);
    EXPECT_EQ(HeadOf(*inserted), KitRecord(1, "Jazz"));

    ASSERT_EQ(sys.InsertStaff(0, 1, CKVSystem::MODE_ONE_LINE_DRUM, 5, 100), 5);
    CKVStaff* oneLine = sys.GetStaff(0);
    EXPECT_EQ(oneLine->m_byStaffKind, CKVStaff::KIND_ONE_LINE);
    EXPECT_EQ(oneLine->m_byClefType, 8); // the model's: the drum staff below
    EXPECT_EQ(oneLine->m_byChannel[3], 9);
    EXPECT_EQ(HeadOf(*oneLine), KitRecord(1, "Jazz"));
}

TEST_F(KVSystemStavesTest, DrumKitNamesAreCutAndMissingKitsLeaveTheNameEmpty)
{
    const std::string longName(70, 'k');
    UseDrumKits({longName});
    ASSERT_EQ(sys.Create(1, 1, 1, 4, 4), 1);
    ASSERT_EQ(sys.AddStaff(1, CKVSystem::MODE_DRUM), 2);
    EXPECT_EQ(HeadOf(*sys.GetStaff(1)), KitRecord(0, longName.substr(0, 63)));

    // An index past the table.
    SetDrumIndex(3);
    ASSERT_EQ(sys.AddStaff(1, CKVSystem::MODE_DRUM), 3);
    EXPECT_EQ(HeadOf(*sys.GetStaff(2)), KitRecord(3, ""));

    // No table at all.
    SetDrumTable(nullptr);
    SetDrumIndex(2);
    ASSERT_EQ(sys.InsertStaff(0, 1, CKVSystem::MODE_DRUM_SECOND, 5, 100), 4);
    EXPECT_EQ(HeadOf(*sys.GetStaff(0)), KitRecord(2, ""));
}

TEST_F(KVSystemStavesTest, MultiMeasureRestIsRepeatedWithItsOwnSymbol)
{
    ASSERT_EQ(sys.Create(1, 2, 1, 4, 4), 1);
    CKVMsg* rest = AddSymbol(sys.GetMeas(0, 0), MSG_MULTIREST, 10);
    rest->m_wObjWord = 4;
    // In measure 1 a note comes before the rest: it is no multi-measure rest.
    AddSymbol(sys.GetMeas(0, 1), MSG_NOTE, 5);
    AddSymbol(sys.GetMeas(0, 1), MSG_MULTIREST, 10)->m_wObjWord = 4;
    EXPECT_EQ(sys.GetMeas(0, 1)->IsRestCompMeas(nullptr), 0);

    ASSERT_EQ(sys.AddStaff(1, CKVSystem::MODE_NORMAL), 2);
    ASSERT_EQ(sys.InsertStaff(0, 1, CKVSystem::MODE_NORMAL, 5, 100), 3);
    for (short s : {0, 2}) {
        CKVMeas* meas = sys.GetMeas(s, 0);
        ASSERT_EQ(meas->GetMsgNum(), 1) << s;
        CKVMsg* copy = meas->GetMsg(0);
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy, rest);
        EXPECT_NE(copy->m_dwMsgId, rest->m_dwMsgId);
        EXPECT_EQ(copy->m_byKind, MSG_MULTIREST);
        EXPECT_EQ(copy->m_wObjWord, 4);
        EXPECT_EQ(meas->m_arrMsgRef.GetAt(0)->byOwner, 1);
        EXPECT_EQ(meas->IsRestCompMeas(nullptr), 4);
        EXPECT_EQ(sys.GetMeas(s, 1)->GetMsgNum(), 0) << s;
    }
}

TEST_F(KVSystemStavesTest, RemoveStaffRefusesBadRangesAndDeletesTheStaves)
{
    ASSERT_EQ(sys.Create(4, 2, 1, 4, 4), 1);
    for (short s = 0; s < 4; ++s)
        AddSymbol(sys.GetMeas(s, 0), MSG_NOTE, 10 * s);
    CKVStaff* last = sys.GetStaff(3);
    EXPECT_EQ(sys.RemoveStaff(2, 3), -1);
    EXPECT_EQ(sys.RemoveStaff(-1, 1), -1);
    EXPECT_EQ(sys.RemoveStaff(1, 0), -1);
    EXPECT_EQ(sys.GetStaffNum(), 4);

    // Measures and symbols of the removed staves go with them (leak-checked).
    EXPECT_EQ(sys.RemoveStaff(1, 2), 2);
    ASSERT_EQ(sys.GetStaffNum(), 2);
    EXPECT_EQ(sys.GetStaff(1), last);
}

TEST_F(KVSystemStavesTest, OssiaStavesFollowTheirModel)
{
    ASSERT_EQ(sys.Create(2, 3, 1, 4, 4), 1);
    EXPECT_EQ(sys.AddOssiaStaff(1, CKVSystem::MODE_NORMAL), -1);
    EXPECT_EQ(sys.InsertOssiaStaff(0, 1, CKVSystem::MODE_NORMAL, 5, 100), -1);
    EXPECT_EQ(sys.InsertOssiaStaff(nullptr, 0, 1, CKVSystem::MODE_NORMAL, 5, 100), -1);

    CKVStaff* model = sys.GetStaff(1);
    model->m_wObjWord = 70;
    ASSERT_EQ(sys.InsertOssiaStaff(model, 0, 1, CKVSystem::MODE_FREE_LINE, 2, 150), 1);
    CKVStaff* ossia = sys.GetOssiaStaff(0);
    EXPECT_EQ(ossia->m_byObjKind, OBJ_OSSIA_STAFF);
    EXPECT_EQ(ossia->m_byLineCount, 2);
    EXPECT_EQ(ossia->m_wObjWord, 70); // the size stays the model's
    EXPECT_EQ(ossia->GetMeasNum(), 3);
    EXPECT_EQ(sys.GetStaffNum(), 2);

    ASSERT_EQ(sys.AddOssiaStaff(1, CKVSystem::MODE_NORMAL), 2);
    CKVStaff* added = sys.GetOssiaStaff(1);
    EXPECT_EQ(added->m_byObjKind, OBJ_OSSIA_STAFF);
    EXPECT_EQ(added->m_wObjWord, 70);
    ASSERT_EQ(added->GetMeasNum(), 3);

    ASSERT_EQ(sys.InsertOssiaStaff(7, 1, CKVSystem::MODE_NORMAL, 5, 100), 3);
    EXPECT_EQ(sys.GetOssiaStaff(2)->m_byClefType, 1);
    EXPECT_EQ(sys.RemoveOssiaStaff(-1, 1), -1);
    EXPECT_EQ(sys.RemoveOssiaStaff(2, 2), -1);
    EXPECT_EQ(sys.RemoveOssiaStaff(0, 2), 1);
    EXPECT_EQ(sys.GetStaffNum(), 2);
}

TEST_F(KVSystemStavesTest, MeasureChangesReachEveryStaff)
{
    ASSERT_EQ(sys.Create(3, 4, 1, 4, 4), 1);
    EXPECT_EQ(sys.AddMeas(2), 2);
    EXPECT_EQ(sys.InsertMeas(1, 3), 3);
    for (short s = 0; s < 3; ++s) {
        ASSERT_EQ(sys.GetStaff(s)->GetMeasNum(), 9);
        EXPECT_EQ(sys.GetMeas(s, 8)->m_byEndBar, CKVMeas::BAR_FINAL);
        EXPECT_EQ(sys.GetMeas(s, 3)->m_byEndBar, CKVMeas::BAR_SINGLE);
    }
    EXPECT_EQ(sys.RemoveMeas(6, 10), 10);
    EXPECT_EQ(sys.RemoveMeas(-1, 1), -1);
    EXPECT_EQ(sys.RemoveMeas(20, 1), -1);
    for (short s = 0; s < 3; ++s) {
        ASSERT_EQ(sys.GetStaff(s)->GetMeasNum(), 6);
        EXPECT_EQ(sys.GetMeas(s, 5)->m_byEndBar, CKVMeas::BAR_FINAL);
    }
    EXPECT_EQ(sys.GetMeasNum(), 6);
}

class KVSystemImportTest : public KVSystemStavesTest {
protected:
    // This system: 2 staves x 4 measures and a 10-slot map. The other: 2
    // staves x 3 measures holding a note (1), a tie joining 1 and 3 (2), a
    // note (3), a text whose font is 2 (4) and a lyric with font 3 (5).
    void SetUp() override
    {
        KVSystemStavesTest::SetUp();
        other.Initialize(&other, OBJ_SYSTEM);
        ASSERT_EQ(sys.Create(2, 4, 1, 4, 4), 1);
        sys.m_arrMsgMap.SetSize(10);
        ASSERT_EQ(other.Create(2, 3, 1, 4, 4), 1);

        CKVMeas* meas = other.GetMeas(0, 0);
        note1 = AddSymbol(meas, MSG_NOTE, 10);
        tie = AddSymbol(note1, MSG_TIE, 10);
        tie->m_dwWord = 1;
        tie->m_lHeight = 3;
        note3 = AddSymbol(other.GetMeas(0, 1), MSG_NOTE, 0);
        text = AddSymbol(other.GetMeas(1, 2), MSG_FREETEXT, 50);
        // A tag-3 item, then the tag-2 font, then a tag-6 string.
        unsigned char textHead[] = {3, 0x7F, 2, 2, 0, 6, 2, 0, 'h', 'i'};
        text->SetHead(sizeof(textHead), textHead);
        lyric = AddSymbol(other.GetMeas(1, 0), MSG_LYRIC, 10);
        unsigned char lyricHead[16] = {3, 0};
        lyric->SetHead(sizeof(lyricHead), lyricHead);
        ASSERT_EQ(lyric->m_dwMsgId, 5u);
    }

    static WORD Font(CKVMsg* msg, int offset)
    {
        unsigned char* head = nullptr;
        msg->GetHead(&head);
        return static_cast<WORD>(head[offset] | (head[offset + 1] << 8));
    }

    CKVSystem other; // declared after sys: goes first
    CKVMsg* note1 = nullptr;
    CKVMsg* tie = nullptr;
    CKVMsg* note3 = nullptr;
    CKVMsg* text = nullptr;
    CKVMsg* lyric = nullptr;
    BYTE fontMap[2] = {2, 5};
};

TEST_F(KVSystemImportTest, MergedSymbolsMoveByTheMapSize)
{
    CKVMeas* otherFirst = other.GetMeas(0, 0);
    sys.Import(&other, fontMap, 1);

    EXPECT_EQ(note1->m_dwMsgId, 11u);
    EXPECT_EQ(tie->m_dwMsgId, 12u);
    EXPECT_EQ(note3->m_dwMsgId, 13u);
    EXPECT_EQ(text->m_dwMsgId, 14u);
    EXPECT_EQ(lyric->m_dwMsgId, 15u);
    for (CKVMsg* msg : {note1, tie, note3, text, lyric}) {
        EXPECT_EQ(sys.GetMsgFromMap(msg->m_dwMsgId), msg);
        EXPECT_EQ(msg->m_pSystem, &sys);
    }
    EXPECT_EQ(tie->m_dwWord, 11u);
    EXPECT_EQ(tie->m_lHeight, 13);
    EXPECT_EQ(note1->m_arrMsgRef.GetAt(0)->dwMsgId, 12u);
    EXPECT_EQ(Font(text, 3), 5);
    EXPECT_EQ(Font(lyric, 0), 0);

    for (short s = 0; s < 2; ++s) {
        ASSERT_EQ(sys.GetStaff(s)->GetMeasNum(), 7);
        EXPECT_EQ(sys.GetMeas(s, 3)->m_byEndBar, CKVMeas::BAR_SINGLE);
        EXPECT_EQ(sys.GetMeas(s, 6)->m_byEndBar, CKVMeas::BAR_FINAL);
        EXPECT_EQ(other.GetStaff(s)->GetMeasNum(), 0);
    }
    EXPECT_EQ(sys.GetMeas(0, 4), otherFirst);
    EXPECT_EQ(otherFirst->m_pSystem, &sys);
    EXPECT_EQ(otherFirst->m_pParent, sys.GetStaff(0));
    EXPECT_EQ(sys.GetMeas(0, 4)->GetMsg(0), note1);
    EXPECT_EQ(sys.GetMeas(0, 5)->GetMsg(0), note3);
    EXPECT_EQ(sys.GetMeas(1, 6)->GetMsg(0), text);
    EXPECT_EQ(sys.GetMeas(1, 4)->GetMsg(0), lyric);
    for (int j = 0; j < other.m_arrMsgMap.GetSize(); ++j)
        EXPECT_EQ(other.m_arrMsgMap.GetAt(j), nullptr);
}

TEST_F(KVSystemImportTest, EmptyEndsAndShortHeadsStayAsTheyAre)
{
    CKVMsg* looseTie = AddSymbol(other.GetMeas(0, 2), MSG_SLUR, 30);
    CKVMsg* shortLyric = AddSymbol(other.GetMeas(0, 2), MSG_LYRIC, 40);
    unsigned char one[] = {2};
    shortLyric->SetHead(sizeof(one), one);
    // A string running past the end, and a font cut off by the end.
    CKVMsg* cutText = AddSymbol(other.GetMeas(0, 2), MSG_FREETEXT, 50);
    unsigned char cut[] = {6, 0x40, 0, 2, 2, 0};
    cutText->SetHead(sizeof(cut), cut);
    CKVMsg* cutFont = AddSymbol(other.GetMeas(0, 2), MSG_FREETEXT, 60);
    unsigned char half[] = {1, 0, 0, 2, 2};
    cutFont->SetHead(sizeof(half), half);

    sys.Import(&other, fontMap, 1);
    EXPECT_EQ(looseTie->m_dwWord, 0u);
    EXPECT_EQ(looseTie->m_lHeight, 0);
    EXPECT_EQ(HeadOf(*shortLyric), std::vector<BYTE>({2}));
    EXPECT_EQ(HeadOf(*cutText), std::vector<BYTE>(cut, cut + sizeof(cut)));
    EXPECT_EQ(HeadOf(*cutFont), std::vector<BYTE>(half, half + sizeof(half)));
}

TEST_F(KVSystemImportTest, OssiaStavesMoveOver)
{
    ASSERT_EQ(other.InsertOssiaStaff(other.GetStaff(0), 0, 1, CKVSystem::MODE_NORMAL, 5, 100), 1);
    CKVStaff* ossia = other.GetOssiaStaff(0);
    CKVMsg* mark = AddSymbol(ossia->GetMeas(1), MSG_NOTE, 20);
    const DWORD oldId = mark->m_dwMsgId;

    sys.Import(&other, fontMap, 1);
    EXPECT_EQ(other.m_pOssiaStaffArray->GetSize(), 0);
    ASSERT_EQ(sys.GetOssiaStaff(0), ossia);
    EXPECT_EQ(ossia->m_pSystem, &sys);
    EXPECT_EQ(ossia->GetMeas(1)->m_pSystem, &sys);
    EXPECT_EQ(mark->m_dwMsgId, oldId + 10);
    EXPECT_EQ(ossia->GetMeas(1)->GetMsg(0), mark);
}

TEST_F(KVSystemImportTest, UnequalStaffCountsThatCannotBeMatchedMergeNothing)
{
    ASSERT_EQ(other.RemoveStaff(1, 1), 1);
    sys.Import(&other, fontMap, 1);
    EXPECT_EQ(sys.GetStaff(0)->GetMeasNum(), 4);
    EXPECT_EQ(other.GetStaff(0)->GetMeasNum(), 3);
    EXPECT_EQ(note1->m_pSystem, &other);
}

TEST_F(KVSystemStavesTest, SystemStreamKeepsStavesAndLinks)
{
    ASSERT_EQ(sys.Create(2, 2, 1, 4, 4), 1);
    sys.GetStaff(1)->m_byClefType = 2;
    sys.GetStaff(1)->SetStaffNameToMsg("Left hand", "", "", "", 0, 0);
    CKVMsg* first = AddSymbol(sys.GetMeas(0, 0), MSG_NOTE, 10);
    CKVMsg* second = AddSymbol(sys.GetMeas(0, 1), MSG_NOTE, 0);
    CKVMsg* tie = AddSymbol(first, MSG_TIE, 10);
    tie->m_dwWord = first->m_dwMsgId;
    tie->m_lHeight = static_cast<LONG>(second->m_dwMsgId);

    CMemFile out;
    ASSERT_GT(sys.Save(&out), 0);
    const std::vector<BYTE> bytes = FileBytes(out);

    CKVSystem back;
    back.Initialize(&back, OBJ_SYSTEM);
    CMemFile in(const_cast<BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
    ASSERT_GT(back.Load(&in), 0);
    ASSERT_EQ(back.GetStaffNum(), 2);
    EXPECT_EQ(back.GetStaff(1)->m_byClefType, 2);
    EXPECT_STREQ(back.GetStaff(1)->m_szName, "Left hand");
    for (short s = 0; s < 2; ++s) {
        ASSERT_EQ(back.GetStaff(s)->GetMeasNum(), 2);
        EXPECT_EQ(back.GetMeas(s, 1)->m_byEndBar, CKVMeas::BAR_FINAL);
        EXPECT_EQ(back.GetMeas(s, 0)->m_pParent, back.GetStaff(s));
    }
    // The staff kept its own name symbol rather than making another.
    EXPECT_EQ(back.GetStaff(1)->GetMsgNum(), 1);
    CKVMsg* note = back.GetMeas(0, 0)->GetMsg(0);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->m_byKind, MSG_NOTE);
    CKVMsg* loadedTie = note->GetMsg(0);
    ASSERT_NE(loadedTie, nullptr);
    EXPECT_EQ(loadedTie->m_byKind, MSG_TIE);
    EXPECT_EQ(back.GetMsgFromMap(loadedTie->m_dwWord), note);
    EXPECT_EQ(back.GetMsgFromMap(static_cast<DWORD>(loadedTie->m_lHeight)), back.GetMeas(0, 1)->GetMsg(0));
}

} // namespace
