// The score's records: exact bytes, round trips through the readers, the
// readers' repairs and their refusal of damaged or hostile records.

#include "document/CopyPtrMap.h"
#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "harmony/ChordSymbol.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/KvTest.h"
#include "support/NodeSupport.h"
#include "support/RecordBytes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

using kvtest::Bytes;
using kvtest::Children;
using kvtest::GetU32;
using kvtest::KvTest;
using kvtest::PutU16;
using kvtest::PutU32;
using kvtest::RecordBuffer;

template <class T>
Bytes WriteOf(T& object)
{
    RecordBuffer buffer;
    EXPECT_EQ(object.Write(buffer.data, &buffer.used, &buffer.capacity), 1);
    return buffer.Written();
}

CKVMsg* NewSymbol(BYTE kind, short x)
{
    CKVMsg* msg = new CKVMsg;
    msg->m_byKind = kind;
    msg->m_nPosX = x;
    if (kind == MSG_NOTE) {
        unsigned char head[12] = {0x3C, 0x64, 0x40, 0x02, 0xF0};
        msg->SetHead(12, head);
    }
    return msg;
}

CKVMsg* AddToMeasure(CKVMeas* meas, BYTE kind, short x)
{
    CKVMsg* msg = NewSymbol(kind, x);
    EXPECT_EQ(meas->AddMsg(msg, kHolderOwns), 1);
    return msg;
}

// Appends an owned (or named) child; symbols sort their children by
// themselves only once placed in a measure.
void AddChild(CKVObject* parent, CKVMsg* child, unsigned char owner)
{
    EXPECT_GT(parent->InsertMsg(parent->GetMsgNum(), child, owner, kParentHere), -1);
}

class KVRecordTest : public KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        doc.m_pFileInfo->SetLogicPageInfo(POINT {1820, 2570}, RECT {220, 200, 220, 250}, 200, 100, 10, 8,
                                          POINT {96, 96});
        doc.SetScoreFontSize(6);
    }

    CKVSystem* Master() { return doc.m_arrSystem.GetAt(0); }
    CKVMeas* Meas(short staff, int index) { return Master()->GetStaff(staff)->m_arrMeas.GetAt(index); }

    // Reads bytes into a fresh system of its own document.
    int ReadSystem(const Bytes& bytes, CKVDoc& into)
    {
        CKVSystem* system = new CKVSystem;
        system->m_pDoc = &into;
        system->Initialize(system, OBJ_SYSTEM);
        into.m_arrSystem.Add(system);
        DWORD pos = 0;
        DWORD length = static_cast<DWORD>(bytes.size());
        const int ok = system->Read(const_cast<unsigned char*>(bytes.data()), &pos, &length, 0);
        if (ok) {
            EXPECT_EQ(pos, length);
        }
        return ok;
    }

    CKVDoc doc;
};

// --- Exact bytes ----------------------------------------------------------------

TEST(KVRecordBytes, SymbolRecordIs68BytesExact)
{
    CKVMsg note;
    note.m_byKind = MSG_NOTE;
    note.m_byVoice = 2;
    note.m_wSize = 16;
    note.m_byAccidental = 3;
    note.m_byDots = 1;
    note.m_wDuration = 3;
    note.m_wFlag = 0x0001;
    note.m_nPosX = 128;
    note.m_nPosY = -8;
    note.m_lHeight = -24;
    note.m_dwMsgId = 5;
    note.m_crColor = 0xFF;
    unsigned char head[12] = {0x3C, 0x64, 0x40, 0x02, 0xF0};
    note.SetHead(12, head);

    const Bytes expected = {
        0x01, 0x02, 0x10, 0x00, 0x00, 0x31, 0x00, 0x00, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00,
        0x00, 0x04, 0x00, 0x00, 0x00, 0x80, 0x00, 0xF8, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE8, 0xFF,
        0xFF, 0xFF, 0x05, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00,
        // node header
        0x00, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x18, 0x00, 0x00, 0x00, 0x00, 0x00,
        // head
        0x3C, 0x64, 0x40, 0x02, 0xF0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(WriteOf(note), expected);

    note.m_byVoice = 1;
    note.m_byReplace = 2;
    EXPECT_EQ(WriteOf(note)[1], 0x21);
    // Only the low four bits of each packed field travel.
    note.m_byVoice = 0x13;
    note.m_byReplace = 0x24;
    note.m_byAccidental = 0xF5;
    note.m_byDots = 0x12;
    const Bytes packed = WriteOf(note);
    EXPECT_EQ(packed[1], 0x43);
    EXPECT_EQ(packed[5], 0x52);
}

TEST(KVRecordBytes, MeasureRecordHeaderAndTrailer)
{
    CKVMeas meas;
    Bytes expected(108, 0);
    expected[6] = 0x0C;
    for (auto [at, value] : std::vector<std::pair<int, int>> {
             {67, 0x40}, {68, 0x10}, {69, 0x10}, {70, 0x01}, {73, 0x0F}, {82, 0xFF}, {83, 0xFF}, {86, 4}, {88, 4}})
        expected[12 + at] = static_cast<unsigned char>(value);
    EXPECT_EQ(WriteOf(meas), expected);

    // The ending height goes into the high half of the word at 8, the
    // header width into its low half.
    meas.m_dwWord = 0x0001FFFF;
    meas.m_nHeaderWidth = 0x1234;
    const Bytes word = WriteOf(meas);
    EXPECT_EQ(GetU32(word, 8), 0xFFFF1234u);
    CKVMeas back;
    DWORD pos = 0;
    DWORD length = static_cast<DWORD>(word.size());
    ASSERT_EQ(back.Read(const_cast<unsigned char*>(word.data()), &pos, &length), 1);
    EXPECT_EQ(back.m_dwWord, 0xFFFFFFFFu);
    EXPECT_EQ(back.m_nHeaderWidth, 0x1234);
    EXPECT_EQ(pos, 108u);

    for (size_t at : {12u + 86u, 12u + 88u}) {
        Bytes zero = expected;
        zero[at] = 0;
        CKVMeas refused;
        pos = 0;
        length = 108;
        EXPECT_EQ(refused.Read(zero.data(), &pos, &length), 0) << at;
    }
}

TEST_F(KVRecordTest, MeasureEndingWordFollowsTheSettings)
{
    ASSERT_EQ(doc.CreateDocument(1, 1, 1, 4, 4), 1);
    CKVMeas* meas = Meas(0, 0);
    meas->m_wEndingWord = 0x1234;
    const Bytes bytes = WriteOf(*meas);
    EXPECT_EQ(bytes[12 + 94], 0x34);

    for (BYTE j9 : {0, 1}) {
        doc.m_CtrlTool.m_byJ9 = j9;
        CKVMeas back;
        back.Initialize(Master(), OBJ_MEAS);
        DWORD pos = 0;
        DWORD length = static_cast<DWORD>(bytes.size());
        ASSERT_EQ(back.Read(const_cast<unsigned char*>(bytes.data()), &pos, &length), 1);
        EXPECT_EQ(back.m_wEndingWord, j9 ? 0x1234 : 0) << int(j9);
    }
    // Without a document the word is kept.
    CKVMeas alone;
    DWORD pos = 0;
    DWORD length = static_cast<DWORD>(bytes.size());
    ASSERT_EQ(alone.Read(const_cast<unsigned char*>(bytes.data()), &pos, &length), 1);
    EXPECT_EQ(alone.m_wEndingWord, 0x1234);
}

TEST_F(KVRecordTest, SystemStaffAndBlockLayouts)
{
    ASSERT_EQ(doc.CreateDocument(2, 3, 1, 4, 4), 1);
    CKVSystem* system = Master();
    const Bytes bytes = WriteOf(*system);
    // The system has no head and no children: its tail follows the header.
    EXPECT_EQ(Bytes(bytes.begin() + 12, bytes.begin() + 20), (Bytes {2, 0, 0, 0, 0xF0, 0, 0, 0}));

    // The staff record follows the staff's node part.
    CKVStaff* staff = system->GetStaff(0);
    RecordBuffer node;
    ASSERT_EQ(staff->CKVObject::Write(node.data, &node.used, &node.capacity), 1);
    const Bytes staffBytes = WriteOf(*staff);
    const size_t r = node.used;
    EXPECT_EQ(Bytes(staffBytes.begin(), staffBytes.begin() + r), node.Written());
    EXPECT_EQ(staffBytes[r + 80], 8);
    EXPECT_EQ(staffBytes[r + 82], 8);
    EXPECT_EQ(staffBytes[r + 102], 4);
    EXPECT_EQ(staffBytes[r + 104], 4);
    EXPECT_EQ(GetU32(staffBytes, r + 108), 3u);
    EXPECT_EQ(staffBytes.size(), r + 112 + 3 * 108);

    // Ticks per quarter are not read back.
    Bytes ticks = bytes;
    PutU32(ticks, 16, 480);
    CKVDoc other;
    ASSERT_EQ(ReadSystem(ticks, other), 1);
    EXPECT_EQ(other.m_arrSystem.GetAt(0)->m_dwTicksPerQuarter, 240u);
    EXPECT_EQ(other.m_arrSystem.GetAt(0)->GetStaffNum(), 2);

    // Block: 28 bytes, 5 per staff, 2 per boundary.
    CKVBlock* block = doc.GetPage(0)->GetBlock(0);
    ASSERT_EQ(block->GetStaffNum(), 2);
    ASSERT_EQ(block->m_nMeasCount, 3);
    ASSERT_EQ(block->m_arrStaffNamePoint.GetSize(), 0);
    const Bytes blockBytes = WriteOf(*block);
    ASSERT_EQ(blockBytes.size(), 46u);
    EXPECT_EQ(blockBytes[28], 0);
    EXPECT_EQ(blockBytes[33], 1);

    Bytes shifted = blockBytes;
    for (int i = 0; i < 4; ++i)
        PutU16(shifted, 38 + 2 * i, static_cast<WORD>(block->m_arrMeasX.GetAt(i) + 12));
    CKVBlock back;
    back.m_pPage = doc.GetPage(0);
    DWORD pos = 0;
    DWORD length = 46;
    ASSERT_EQ(back.Read(shifted.data(), &pos, &length, &doc), 1);
    EXPECT_EQ(back.m_rcBlock.left, block->m_rcBlock.left + 12);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(back.m_arrMeasX.GetAt(i), block->m_arrMeasX.GetAt(i)) << i;
    EXPECT_EQ(back.GetStaff(1), system->GetStaff(1));
    EXPECT_EQ(back.m_nNominalMeasCount, 3);

    Bytes tooMany = blockBytes;
    tooMany[1] = 3;
    tooMany.insert(tooMany.begin() + 38, {0, 0, 0, 0, 0});
    CKVBlock refused;
    pos = 0;
    length = static_cast<DWORD>(tooMany.size());
    EXPECT_EQ(refused.Read(tooMany.data(), &pos, &length, &doc), 0);
}

TEST_F(KVRecordTest, StaffSizeAndNameRepairs)
{
    ASSERT_EQ(doc.CreateDocument(1, 1, 1, 4, 4), 1);
    CKVStaff* staff = Master()->GetStaff(0);
    std::strcpy(staff->m_szName, "Flute");
    for (auto [stored, read] : std::vector<std::pair<WORD, WORD>> {{40, 100}, {250, 100}, {50, 50}, {200, 200}}) {
        staff->m_wObjWord = stored;
        CKVDoc other;
        ASSERT_EQ(ReadSystem(WriteOf(*Master()), other), 1);
        EXPECT_EQ(other.m_arrSystem.GetAt(0)->GetStaff(0)->m_wObjWord, read) << stored;
    }

    // Without its staff-name symbol the staff makes one from its name.
    for (short i = 0; i < staff->GetMsgNum(); ++i)
        ASSERT_EQ(staff->GetMsg(i)->m_byKind, MSG_STAFFNAME);
    while (staff->GetMsgNum() > 0)
        staff->RemoveMsgAt(0);
    CKVDoc other;
    ASSERT_EQ(ReadSystem(WriteOf(*Master()), other), 1);
    CKVStaff* back = other.m_arrSystem.GetAt(0)->GetStaff(0);
    const std::vector<CKVMsg*> names = Children(back);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0]->m_byKind, MSG_STAFFNAME);
    char name[32];
    char t2[32];
    char t3[32];
    char t4[32];
    int x = 0;
    int y = 0;
    back->GetStaffNameFromMsg(name, t2, t3, t4, x, y);
    EXPECT_STREQ(name, "Flute");
}

// --- Round trips, ids and repairs ----------------------------------------------

TEST_F(KVRecordTest, SymbolRoundTripKeepsFieldsAndRenumbers)
{
    ASSERT_EQ(doc.CreateDocument(1, 1, 1, 4, 4), 1);
    CKVMsg* note = AddToMeasure(Meas(0, 0), MSG_NOTE, 64);
    note->m_byVoice = 3;
    note->m_wHeadType = 0x0102;
    note->m_wFlag = 0x4001;
    note->m_nLayout1 = 11;
    note->m_nLayout2 = 12;
    note->m_nLayout3 = 13;
    note->m_nLayout4 = 14;
    note->m_nPosY = -7;
    note->m_nPosX2 = 5;
    note->m_nPosY2 = -5;
    note->m_crColor = 0x123456;
    note->m_dwMsgId = 700;
    const Bytes bytes = WriteOf(*note);

    CKVSystem* system = Master();
    CKVMsg back;
    back.Initialize(system, OBJ_MSG);
    DWORD pos = 0;
    DWORD length = static_cast<DWORD>(bytes.size());
    const DWORD nextSlot = static_cast<DWORD>(system->m_arrMsgMap.GetSize());
    ASSERT_EQ(back.Read(const_cast<unsigned char*>(bytes.data()), &pos, &length), 1);
    EXPECT_EQ(pos, length);
    EXPECT_EQ(back.m_dwMsgId, nextSlot);
    EXPECT_EQ(system->GetMsgFromMap(back.m_dwMsgId), &back);
    back.m_dwMsgId = 700;
    EXPECT_EQ(WriteOf(back), bytes);
    system->m_arrMsgMap.SetAt(static_cast<int>(nextSlot), nullptr);
}

TEST_F(KVRecordTest, ReaderRepairs)
{
    ASSERT_EQ(doc.CreateDocument(1, 1, 1, 4, 4), 1);
    CKVMeas* meas = Meas(0, 0);
    CKVMsg* note = AddToMeasure(meas, MSG_NOTE, 10);
    CKVMsg* mark = NewSymbol(MSG_OLDNOTEMARK, 10);
    AddChild(note, mark, 1);
    CKVMsg* midi = AddToMeasure(meas, MSG_MIDI, 20);
    midi->m_wDuration = 0;
    AddToMeasure(meas, MSG_BEAM, 30); // a beam group with no members
    CKVMsg* gone = AddToMeasure(meas, MSG_TEXT, 40);
    // After the group that goes: drawn on the staff below, so listed there.
    CKVMsg* down = AddToMeasure(meas, MSG_NOTE, 50);
    down->m_wFlag |= MSGFLAG_STAFF_DOWN;
    const int before = meas->GetMsgNum();
    // A child that left the map is left out, and the count says so.
    Master()->m_arrMsgMap.SetAt(static_cast<int>(gone->m_dwMsgId), nullptr);
    delete gone;
    const Bytes bytes = WriteOf(*Master());

    CKVDoc other;
    ASSERT_EQ(ReadSystem(bytes, other), 1);
    CKVMeas* back = other.m_arrSystem.GetAt(0)->GetStaff(0)->m_arrMeas.GetAt(0);
    const std::vector<CKVMsg*> children = Children(back);
    ASSERT_EQ(static_cast<int>(children.size()), before - 2);
    EXPECT_EQ(children[0]->m_byKind, MSG_NOTE);
    EXPECT_EQ(children[0]->m_pParent, back);
    ASSERT_EQ(children[0]->GetMsgNum(), 1);
    EXPECT_EQ(children[0]->GetMsg(0)->m_byKind, MSG_NOTEMARK);
    EXPECT_EQ(children[1]->m_byKind, MSG_MIDI);
    EXPECT_EQ(children[1]->m_wDuration, 1);
    ASSERT_EQ(children[2]->m_byKind, MSG_NOTE);
    EXPECT_EQ(children[2]->m_pParent, back);
    ASSERT_EQ(back->m_arrDownMsg.GetSize(), 1);
    EXPECT_EQ(back->m_arrDownMsg.GetAt(0), children[2]->m_dwMsgId);
}

TEST_F(KVRecordTest, NoteHeadRepair)
{
    for (short headLength : {120, 20}) {
        CKVMsg note;
        note.m_byKind = MSG_NOTE;
        std::vector<unsigned char> head(static_cast<size_t>(headLength));
        for (size_t i = 0; i < head.size(); ++i)
            head[i] = static_cast<unsigned char>(i + 1);
        note.SetHead(headLength, head.data());
        const Bytes bytes = WriteOf(note);
        CKVMsg back;
        DWORD pos = 0;
        DWORD length = static_cast<DWORD>(bytes.size());
        const int ok = back.Read(const_cast<unsigned char*>(bytes.data()), &pos, &length);
        if (headLength == 20) {
            EXPECT_EQ(ok, 0);
            continue;
        }
        ASSERT_EQ(ok, 1);
        unsigned char* got = nullptr;
        ASSERT_EQ(back.GetHead(&got), 12);
        EXPECT_EQ(Bytes(got, got + 12), (Bytes {1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0}));
    }
}

class KVRecordTieTest : public KVRecordTest {
protected:
    // A tie owned by start, named by end; its words name both notes.
    CKVMsg* Tie(CKVMsg* start, CKVMsg* end)
    {
        CKVMsg* tie = NewSymbol(MSG_TIE, start->m_nPosX);
        AddChild(start, tie, 1);
        EXPECT_GT(end->InsertMsg(0, tie, kHolderLinks, kParentHere), -1);
        tie->m_dwWord = start->m_dwMsgId;
        tie->m_lHeight = static_cast<LONG>(end->m_dwMsgId);
        return tie;
    }

    // Checks that the tie's two notes name one tie that names them.
    void ExpectLinked(CKVMeas* startMeas, CKVMeas* endMeas)
    {
        CKVMsg* start = startMeas->GetMsg(0);
        CKVMsg* end = endMeas->GetMsg(endMeas == startMeas ? 1 : 0);
        ASSERT_TRUE(start && end);
        CKVMsg* owned = start->GetMsg(0);
        CKVMsg* named = end->GetMsg(0);
        ASSERT_NE(owned, nullptr);
        EXPECT_EQ(owned, named);
        EXPECT_EQ(owned->m_byKind, MSG_TIE);
        EXPECT_EQ(owned->m_dwWord, start->m_dwMsgId);
        EXPECT_EQ(static_cast<DWORD>(owned->m_lHeight), end->m_dwMsgId);
    }

    CKVMeas* ReadMeas(CKVDoc& other, short staff, int index)
    {
        return other.m_arrSystem.GetAt(0)->GetStaff(staff)->m_arrMeas.GetAt(index);
    }
};

TEST_F(KVRecordTieTest, IdsRunInReadingOrderAndTiesRelink)
{
    ASSERT_EQ(doc.CreateDocument(1, 2, 1, 4, 4), 1);
    CKVMsg* a = AddToMeasure(Meas(0, 0), MSG_NOTE, 10);
    CKVMsg* b = AddToMeasure(Meas(0, 0), MSG_NOTE, 200);
    Tie(a, b);
    AddToMeasure(Meas(0, 1), MSG_REST, 10);

    CKVDoc other;
    ASSERT_EQ(ReadSystem(WriteOf(*Master()), other), 1);
    CKVSystem* system = other.m_arrSystem.GetAt(0);
    // Note, tie, note, rest, then the staff name that the reader made.
    std::vector<BYTE> kinds;
    for (int i = 1; i < system->m_arrMsgMap.GetSize(); ++i) {
        CKVMsg* msg = system->GetMsgFromMap(static_cast<DWORD>(i));
        ASSERT_NE(msg, nullptr) << i;
        EXPECT_EQ(msg->m_dwMsgId, static_cast<DWORD>(i));
        kinds.push_back(msg->m_byKind);
    }
    EXPECT_EQ(kinds, (std::vector<BYTE> {MSG_NOTE, MSG_TIE, MSG_NOTE, MSG_REST, MSG_STAFFNAME}));
    ExpectLinked(ReadMeas(other, 0, 0), ReadMeas(other, 0, 0));
}

TEST_F(KVRecordTieTest, TieToAnEarlierStaffAndTieUnderAnotherId)
{
    for (bool otherId : {false, true}) {
        CKVDoc source;
        source.SetScoreFontSize(6);
        ASSERT_EQ(source.CreateDocument(2, 1, 1, 4, 4), 1);
        CKVSystem* system = source.m_arrSystem.GetAt(0);
        // The end note is read first, in staff 0; its tie comes with staff 1.
        CKVMsg* end = AddToMeasure(system->GetStaff(0)->m_arrMeas.GetAt(0), MSG_NOTE, 10);
        CKVMsg* start = AddToMeasure(system->GetStaff(1)->m_arrMeas.GetAt(0), MSG_NOTE, 10);
        CKVMsg* tie = Tie(start, end);
        // After an undo the record's own id may differ from the id its
        // references name it by.
        if (otherId)
            tie->m_dwMsgId = 999;

        CKVDoc other;
        ASSERT_EQ(ReadSystem(WriteOf(*system), other), 1) << otherId;
        ExpectLinked(ReadMeas(other, 1, 0), ReadMeas(other, 0, 0));
    }
}

TEST_F(KVRecordTieTest, UnresolvedReferenceGetsIdZero)
{
    ASSERT_EQ(doc.CreateDocument(1, 1, 1, 4, 4), 1);
    CKVMsg* a = AddToMeasure(Meas(0, 0), MSG_NOTE, 10);
    CKVMsg* b = AddToMeasure(Meas(0, 0), MSG_NOTE, 200);
    CKVMsg* c = AddToMeasure(Meas(0, 0), MSG_NOTE, 100);
    // b names a symbol that is no tie's: the record of c stands under that
    // id, so keeping the stored id would link b to c.
    ASSERT_GT(b->InsertMsg(0, c, kHolderLinks, kParentHere), -1);
    static_cast<void>(a);
    CKVDoc other;
    ASSERT_EQ(ReadSystem(WriteOf(*Master()), other), 1);
    CKVMsg* back = ReadMeas(other, 0, 0)->GetMsg(2);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->m_arrMsgRef.GetSize(), 1);
    EXPECT_EQ(back->m_arrMsgRef.GetAt(0)->dwMsgId, 0u);
}

TEST_F(KVRecordTest, SystemFileFormWritesTheBufferBytes)
{
    ASSERT_EQ(doc.CreateDocument(2, 20, 1, 4, 4), 1);
    for (int m = 0; m < 20; ++m) {
        for (int k = 0; k < 12; ++k)
            AddToMeasure(Meas(0, m), MSG_NOTE, static_cast<short>(10 + 20 * k));
    }
    const Bytes bytes = WriteOf(*Master());
    CMemFile file;
    DWORD length = 7;
    ASSERT_EQ(Master()->Write(&file, length), 1);
    EXPECT_EQ(length, 7 + bytes.size());
    ASSERT_EQ(file.GetLength(), bytes.size());
    Bytes written(bytes.size());
    file.SeekToBegin();
    ASSERT_EQ(file.Read(written.data(), static_cast<UINT>(written.size())), bytes.size());
    EXPECT_EQ(written, bytes);
}

// --- Writers' limits ---------------------------------------------------------

TEST_F(KVRecordTest, ChildCountLimit)
{
    ASSERT_EQ(doc.CreateDocument(1, 2, 1, 4, 4), 1);
    for (int i = 0; i < 255; ++i)
        AddToMeasure(Meas(0, 0), MSG_TEXT, static_cast<short>(i));
    for (int i = 0; i < 256; ++i)
        AddToMeasure(Meas(0, 1), MSG_TEXT, static_cast<short>(i));

    RecordBuffer refused;
    EXPECT_EQ(Meas(0, 1)->Write(refused.data, &refused.used, &refused.capacity), 0);

    const Bytes bytes = WriteOf(*Meas(0, 0));
    EXPECT_EQ(bytes[0], 255);
    CKVMeas back;
    back.Initialize(Master(), OBJ_MEAS);
    DWORD pos = 0;
    DWORD length = static_cast<DWORD>(bytes.size());
    ASSERT_EQ(back.Read(const_cast<unsigned char*>(bytes.data()), &pos, &length), 1);
    EXPECT_EQ(back.GetMsgNum(), 255);
}

TEST_F(KVRecordTest, LongestHeadsRoundTrip)
{
    ASSERT_EQ(doc.CreateDocument(1, 1, 1, 4, 4), 1);
    std::vector<unsigned char> head(32767);
    for (size_t i = 0; i < head.size(); ++i)
        head[i] = static_cast<unsigned char>(i * 7);

    // A page text: no system.
    CKVMsg page;
    page.m_byKind = MSG_FREETEXT;
    page.SetHead(32767, head.data());
    const Bytes pageBytes = WriteOf(page);
    ASSERT_EQ(pageBytes.size(), 44u + 12 + 32767);
    CKVMsg pageBack;
    DWORD pos = 0;
    DWORD length = static_cast<DWORD>(pageBytes.size());
    ASSERT_EQ(pageBack.Read(const_cast<unsigned char*>(pageBytes.data()), &pos, &length), 1);
    unsigned char* got = nullptr;
    ASSERT_EQ(pageBack.GetHead(&got), 32767);
    EXPECT_EQ(0, std::memcmp(got, head.data(), head.size()));

    // A measure text.
    CKVMsg* text = AddToMeasure(Meas(0, 0), MSG_FREETEXT, 10);
    text->SetHead(32760, head.data());
    CKVDoc other;
    ASSERT_EQ(ReadSystem(WriteOf(*Master()), other), 1);
    CKVMsg* back = other.m_arrSystem.GetAt(0)->GetStaff(0)->m_arrMeas.GetAt(0)->GetMsg(0);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->GetHead(&got), 32760);
    EXPECT_EQ(0, std::memcmp(got, head.data(), 32760));
}

// --- Chord kinds ---------------------------------------------------------------

TEST_F(KVRecordTest, ChordKindsBecomeChordSymbols)
{
    ASSERT_EQ(doc.CreateDocument(1, 1, 1, 4, 4), 1);
    // A kind-69 symbol that is no chord symbol still gets a chord part, so
    // that the reader finds one.
    AddToMeasure(Meas(0, 0), MSG_CHORDSYMBOL, 10);
    AddToMeasure(Meas(0, 0), MSG_OLDFRET, 20);
    AddToMeasure(Meas(0, 0), MSG_OLDCHORDNAME, 30);
    const Bytes bytes = WriteOf(*Master());

    CKVDoc other;
    ASSERT_EQ(ReadSystem(bytes, other), 1);
    const std::vector<CKVMsg*> children = Children(other.m_arrSystem.GetAt(0)->GetStaff(0)->m_arrMeas.GetAt(0));
    ASSERT_EQ(children.size(), 3u);
    for (CKVMsg* msg : children) {
        EXPECT_NE(dynamic_cast<CChordSymbol*>(msg), nullptr) << int(msg->m_byKind);
        EXPECT_EQ(other.m_arrSystem.GetAt(0)->GetMsgFromMap(msg->m_dwMsgId), msg);
    }
    // The nameless fret text is written back as the plain record it was,
    // the chord-name text as the chord symbol it became; once the ids are in
    // reading order a round trip changes no byte.
    CKVDoc third;
    ASSERT_EQ(ReadSystem(WriteOf(*other.m_arrSystem.GetAt(0)), third), 1);
    const Bytes again = WriteOf(*third.m_arrSystem.GetAt(0));
    CKVDoc fourth;
    ASSERT_EQ(ReadSystem(again, fourth), 1);
    EXPECT_EQ(WriteOf(*fourth.m_arrSystem.GetAt(0)), again);
    EXPECT_EQ(children[1]->m_byKind, MSG_OLDFRET);
    EXPECT_EQ(children[2]->m_byKind, MSG_CHORDSYMBOL);
}

// --- Hostile records -----------------------------------------------------------

class KVRecordHostileTest : public KVRecordTest {
protected:
    void SetUp() override
    {
        KVRecordTest::SetUp();
        ASSERT_EQ(doc.CreateDocument(1, 1, 1, 4, 4), 1);
        note1 = AddToMeasure(Meas(0, 0), MSG_NOTE, 10);
        note2 = AddToMeasure(Meas(0, 0), MSG_NOTE, 20);
    }

    // Offset of the first symbol record of measure 0 in the system record.
    size_t FirstMeasureSymbol(const Bytes& bytes)
    {
        const size_t staffStart = 20;
        RecordBuffer node;
        CKVStaff* staff = Master()->GetStaff(0);
        EXPECT_EQ(staff->CKVObject::Write(node.data, &node.used, &node.capacity), 1);
        const size_t meas = staffStart + node.used + 112;
        EXPECT_EQ(bytes[meas], 2); // the measure's child count
        return meas + 12 + 8;
    }

    CKVMsg* note1 = nullptr;
    CKVMsg* note2 = nullptr;
};

TEST_F(KVRecordHostileTest, DamagedSystemsFail)
{
    const Bytes clean = WriteOf(*Master());
    const size_t first = FirstMeasureSymbol(clean);
    const size_t second = first + 44 + 12 + 12 + 8;
    ASSERT_EQ(clean[first], MSG_NOTE);
    ASSERT_EQ(clean[second], MSG_NOTE);
    const size_t staffRecord = first - 20 - 112;

    std::vector<std::pair<const char*, std::function<void(Bytes&)>>> damages = {
        {"duplicate stored ids", [&](Bytes& b) { PutU32(b, second + 36, GetU32(b, first + 36)); }},
        {"head length 0x8000", [&](Bytes& b) { PutU16(b, first + 44 + 4, 0x8000); }},
        {"negative staff count", [&](Bytes& b) { PutU16(b, 12, 0xFFFF); }},
        {"negative ossia count", [&](Bytes& b) { PutU16(b, 14, 0x8000); }},
        {"huge measure count", [&](Bytes& b) { PutU32(b, staffRecord + 108, 0xFFFFFFFF); }},
        {"symbol of kind 0", [&](Bytes& b) { b[second] = 0; }},
        {"symbol of kind 101", [&](Bytes& b) { b[second] = 101; }},
        {"child count past the end", [&](Bytes& b) { b[first + 44] = 200; }},
    };
    for (auto& [name, damage] : damages) {
        Bytes bytes = clean;
        damage(bytes);
        CKVDoc other;
        EXPECT_EQ(ReadSystem(bytes, other), 0) << name;
    }
    CKVDoc other;
    EXPECT_EQ(ReadSystem(clean, other), 1);
}

TEST_F(KVRecordHostileTest, OwnedChildNeedsASystem)
{
    CKVMsg* mark = NewSymbol(MSG_NOTEMARK, 10);
    AddChild(note1, mark, 1);
    const Bytes bytes = WriteOf(*note1);
    CKVMsg title;
    DWORD pos = 0;
    DWORD length = static_cast<DWORD>(bytes.size());
    EXPECT_EQ(title.Read(const_cast<unsigned char*>(bytes.data()), &pos, &length), 0);

    // Nor does the writer produce one for a node without a system.
    CKVMsg copy;
    copy.m_byKind = MSG_TEXT;
    copy.m_arrMsgRef.Add(new MsgRef {note1->m_dwMsgId, 1});
    copy.m_arrMsgRef.Add(new MsgRef {note2->m_dwMsgId, 0});
    const Bytes plain = WriteOf(copy);
    EXPECT_EQ(plain[44], 1);
    EXPECT_EQ(GetU32(plain, 56), note2->m_dwMsgId);
    EXPECT_EQ(plain[60], 0);
}

TEST_F(KVRecordTest, PagesAndBlocks)
{
    ASSERT_EQ(doc.CreateDocument(1, 6, 1, 4, 4), 1);
    CKVPage* page = doc.GetPage(0);
    ASSERT_GE(page->GetBlockNum(), 2);
    CKVMsg* text = new CKVMsg;
    text->m_byKind = MSG_FREETEXT;
    text->m_nPosX = 77;
    page->AddMsg(text);
    const Bytes bytes = WriteOf(*page);
    EXPECT_EQ(bytes[0], page->GetBlockNum());
    EXPECT_EQ(bytes[4], 1);

    CKVPage back;
    back.m_pDoc = &doc;
    DWORD pos = 0;
    DWORD length = static_cast<DWORD>(bytes.size());
    ASSERT_EQ(back.Read(const_cast<unsigned char*>(bytes.data()), &pos, &length, &doc), 1);
    EXPECT_EQ(pos, length);
    EXPECT_EQ(back.m_rcPrint, page->m_rcPrint);
    ASSERT_EQ(back.GetMsgNum(), 1);
    EXPECT_EQ(back.GetMsg(0)->m_nPosX, 77);
    EXPECT_EQ(back.GetMsg(0)->m_pPage, &back);
    EXPECT_EQ(WriteOf(back), bytes);

    // A second block with a negative measure count: the page keeps the
    // first.
    Bytes damaged = bytes;
    const size_t secondBlock = 24 + WriteOf(*page->GetBlock(0)).size();
    PutU16(damaged, secondBlock + 2, 0xFFFF);
    CKVPage cut;
    cut.m_pDoc = &doc;
    pos = 0;
    EXPECT_EQ(cut.Read(damaged.data(), &pos, &length, &doc), 0);
    EXPECT_EQ(cut.GetBlockNum(), 1);

    for (WORD bad : {WORD {0xFFFF}, WORD {0x8000}}) {
        for (size_t at : {0u, 2u, 4u}) {
            Bytes negative = bytes;
            PutU16(negative, at, bad);
            CKVPage refused;
            pos = 0;
            EXPECT_EQ(refused.Read(negative.data(), &pos, &length, &doc), 0) << at;
        }
    }
}

// Every reader refuses every prefix of one of its valid records.
TEST_F(KVRecordTest, TruncatedRecordsFail)
{
    ASSERT_EQ(doc.CreateDocument(2, 2, 1, 4, 4), 1);
    CKVMsg* a = AddToMeasure(Meas(0, 0), MSG_NOTE, 10);
    CKVMsg* b = AddToMeasure(Meas(0, 1), MSG_NOTE, 10);
    CKVMsg* tie = NewSymbol(MSG_TIE, 10);
    AddChild(a, tie, 1);
    ASSERT_GT(b->InsertMsg(0, tie, kHolderLinks, kParentHere), -1);
    AddToMeasure(Meas(1, 0), MSG_CHORDSYMBOL, 30);
    CKVMsg* text = AddToMeasure(Meas(1, 1), MSG_FREETEXT, 40);
    unsigned char head[5] = {1, 2, 3, 4, 5};
    text->SetHead(5, head);
    CKVMsg pageText;
    pageText.m_byKind = MSG_FREETEXT;
    pageText.SetHead(5, head);
    CKVPage* page = doc.GetPage(0);
    page->AddMsg(NewSymbol(MSG_FREETEXT, 3));

    struct Case {
        const char* name;
        Bytes bytes;
        std::function<int(Bytes&, DWORD*, DWORD*)> read;
    };
    const std::vector<Case> cases = {
        {"symbol", WriteOf(*a),
         [&](Bytes& bytes, DWORD* pos, DWORD* length) {
             CKVSystem system;
             CKVMsg* msg = new CKVMsg;
             msg->Initialize(&system, OBJ_MSG);
             const int ok = msg->Read(bytes.data(), pos, length);
             delete msg;
             return ok;
         }},
        {"page symbol", WriteOf(pageText),
         [&](Bytes& bytes, DWORD* pos, DWORD* length) {
             CKVMsg msg;
             return msg.Read(bytes.data(), pos, length);
         }},
        {"measure", WriteOf(*Meas(1, 1)),
         [&](Bytes& bytes, DWORD* pos, DWORD* length) {
             CKVSystem system;
             CKVMeas meas;
             meas.Initialize(&system, OBJ_MEAS);
             return meas.Read(bytes.data(), pos, length);
         }},
        {"staff", WriteOf(*Master()->GetStaff(1)),
         [&](Bytes& bytes, DWORD* pos, DWORD* length) {
             CKVSystem system;
             CKVStaff staff;
             staff.Initialize(&system, OBJ_STAFF);
             return staff.Read(bytes.data(), pos, length);
         }},
        {"system", WriteOf(*Master()),
         [&](Bytes& bytes, DWORD* pos, DWORD* length) {
             CKVSystem system;
             return system.Read(bytes.data(), pos, length, 0);
         }},
        {"block", WriteOf(*page->GetBlock(0)),
         [&](Bytes& bytes, DWORD* pos, DWORD* length) {
             CKVBlock block;
             block.m_pPage = page;
             return block.Read(bytes.data(), pos, length, &doc);
         }},
        {"page", WriteOf(*page),
         [&](Bytes& bytes, DWORD* pos, DWORD* length) {
             CKVPage into;
             into.m_pDoc = &doc;
             return into.Read(bytes.data(), pos, length, &doc);
         }},
    };
    for (const Case& c : cases) {
        Bytes bytes = c.bytes;
        DWORD pos = 0;
        DWORD length = static_cast<DWORD>(bytes.size());
        ASSERT_EQ(c.read(bytes, &pos, &length), 1) << c.name;
        EXPECT_EQ(pos, length) << c.name;
        for (DWORD k = 0; k < bytes.size(); ++k) {
            // Only the prefix is readable; the rest must never be touched.
            Bytes prefix(bytes.begin(), bytes.begin() + k);
            pos = 0;
            length = k;
            EXPECT_EQ(c.read(prefix, &pos, &length), 0) << c.name << " prefix " << k;
        }
    }
}

// --- Services -----------------------------------------------------------------

TEST_F(KVRecordTest, CopyPtrMapOperations)
{
    DWORD id = 77;
    EXPECT_EQ(LookupCopyPtrMap(3, id), 0);
    EXPECT_EQ(id, 77u);
    SetCopyPtrMap(3, 30);
    SetCopyPtrMap(4, 30);
    EXPECT_EQ(LookupCopyPtrMap(3, id), 1);
    EXPECT_EQ(id, 30u);
    EXPECT_EQ(FindCopyPtrMapValue(30), 1);
    RemoveCopyPtrMapKey(3);
    EXPECT_EQ(LookupCopyPtrMap(3, id), 0);
    EXPECT_EQ(FindCopyPtrMapValue(30), 1);
    SetCopyPtrMap(4, 40);
    EXPECT_EQ(FindCopyPtrMapValue(30), 0);
    EXPECT_EQ(FindCopyPtrMapValue(40), 1);
    ClearCopyPtrMap();
    EXPECT_EQ(LookupCopyPtrMap(4, id), 0);
    EXPECT_EQ(FindCopyPtrMapValue(40), 0);

    // The fixture's reset empties it too.
    SetCopyPtrMap(5, 50);
    ResetProcessState();
    EXPECT_EQ(LookupCopyPtrMap(5, id), 0);
}

TEST_F(KVRecordTest, StaffIndexInSystem)
{
    ASSERT_EQ(doc.CreateDocument(3, 1, 1, 4, 4), 1);
    CKVSystem* system = Master();
    for (short i = 0; i < 3; ++i)
        EXPECT_EQ(system->GetStaff(i)->GetIndexInSystem(), i);
    CKVStaff* ossia = new CKVStaff;
    ossia->Initialize(system, OBJ_OSSIA_STAFF);
    system->m_pOssiaStaffArray->Add(ossia);
    EXPECT_EQ(ossia->GetIndexInSystem(), 0);
    CKVStaff loose;
    loose.Initialize(system, OBJ_STAFF);
    EXPECT_EQ(loose.GetIndexInSystem(), -1);
}

TEST_F(KVRecordTest, ChangeParentReachesGroupMembers)
{
    ASSERT_EQ(doc.CreateDocument(1, 1, 1, 4, 4), 1);
    CKVMeas* meas = Meas(0, 0);
    CKVMsg* beam = AddToMeasure(meas, MSG_BEAM, 10);
    CKVMsg* note = NewSymbol(MSG_NOTE, 10);
    CKVMsg* chord = NewSymbol(MSG_CHORD, 20);
    CKVMsg* chordNote = NewSymbol(MSG_NOTE, 20);
    CKVMsg* emptyChord = NewSymbol(MSG_CHORD, 30);
    CKVMsg* mark = NewSymbol(MSG_NOTEMARK, 10);
    AddChild(beam, note, 1);
    AddChild(beam, chord, 1);
    AddChild(chord, chordNote, 1);
    AddChild(beam, emptyChord, 1);
    AddChild(note, mark, 1);

    beam->ChangeParent(meas);
    EXPECT_EQ(beam->m_pParent, meas);
    EXPECT_EQ(note->m_pParent, meas);
    EXPECT_EQ(chord->m_pParent, meas);
    EXPECT_EQ(chordNote->m_pParent, meas);
    EXPECT_EQ(chord->m_byParentKind, OBJ_MEAS);
    // Marks stay with their note; a chord without notes leaves the group.
    EXPECT_EQ(mark->m_pParent, note);
    EXPECT_EQ(beam->GetMsgNum(), 2);
}

} // namespace
