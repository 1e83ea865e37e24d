// The score symbol: construction, assignment, the older stream form and what
// destruction does to the system's id map.

#include "model/KVCtrlPoint.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "support/KvTest.h"
#include "support/RecordBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using kvtest::FileBytes;

class KVMsgTest : public kvtest::KvTest {
};

// A symbol with every field of the stream record set to a distinct value.
void FillStreamFields(CKVMsg& msg)
{
    msg.m_byKind = MSG_NOTE;
    msg.m_byVoice = 1;
    msg.m_byReplace = 2;
    msg.m_wSize = MSG_SIZE_GRACE;
    msg.m_wHeadType = 0x0102;
    msg.m_wDuration = 0x0304;
    msg.m_wFlag = MSGFLAG_GRACE | MSGFLAG_SUBBEAM_BREAK2;
    msg.m_nPerformStart = 0x0506;
    msg.m_nPosX = 0x0708;
    msg.m_nPosY = -24;
    msg.m_nPosX2 = 0x090A;
    msg.m_nPosY2 = -2;
    msg.m_lHeight = -30;
    msg.m_dwMsgId = 0x11223344;
    msg.m_crColor = 0x00AABBCC;
    // Fields outside the record.
    msg.m_byMark1 = 0x85;
    msg.m_byMark2 = 0x07;
    msg.m_byAccidental = ACCI_FLAT | ACCI_SHIFT_LEFT;
    msg.m_byDots = 2;
    msg.m_nLayout1 = 11;
    msg.m_nLayout2 = 12;
    msg.m_nLayout3 = 13;
    msg.m_nLayout4 = 14;
}

} // namespace

TEST_F(KVMsgTest, ConstructorsGiveTheDefaultSymbol)
{
    CKVMsg plain;
    EXPECT_EQ(plain.m_byKind, 0);
    EXPECT_EQ(plain.m_byVoice, 0);
    EXPECT_EQ(plain.m_wSize, 16);
    EXPECT_EQ(plain.m_nLayout1, 0);
    EXPECT_EQ(plain.m_nLayout2, 0);
    EXPECT_EQ(plain.m_nLayout3, 4);
    EXPECT_EQ(plain.m_nLayout4, 3);
    EXPECT_EQ(plain.m_crColor, 0u);
    EXPECT_EQ(plain.m_cPointedCtrl, -1);

    CKVSystem system;
    CKVObject measure;
    measure.Initialize(&system, OBJ_MEAS);
    CKVMsg inMeasure(&measure);
    EXPECT_EQ(inMeasure.m_pSystem, &system);
    EXPECT_EQ(inMeasure.m_pParent, &measure);
    EXPECT_EQ(inMeasure.m_byParentKind, OBJ_MEAS);

    // A symbol as parent must be passed as a node: a CKVMsg* picks the copy
    // constructor.
    CKVMsg chord;
    chord.m_pSystem = &system;
    CKVMsg member(static_cast<CKVObject*>(&chord));
    EXPECT_EQ(member.m_pSystem, &system);
    EXPECT_EQ(member.m_pParent, &chord);
    EXPECT_EQ(member.m_byParentKind, OBJ_MSG);
    EXPECT_EQ(member.m_byObjKind, OBJ_MSG);
    EXPECT_EQ(member.m_wSize, 16);
    EXPECT_EQ(member.m_nLayout3, 4);
    EXPECT_EQ(member.m_nLayout4, 3);
    EXPECT_EQ(member.m_cPointedCtrl, -1);

    CKVMsg orphan(static_cast<CKVObject*>(nullptr));
    EXPECT_EQ(orphan.m_pSystem, nullptr);
    EXPECT_EQ(orphan.m_pParent, nullptr);
    EXPECT_EQ(orphan.m_byParentKind, 0);
}

TEST_F(KVMsgTest, AssignmentCopiesTheSymbolButNotTheHostsBookkeeping)
{
    CKVMsg mainNote;
    CKVMsg source;
    FillStreamFields(source);
    source.m_nPlayTime = 160;
    source.m_nStartTime = 480;
    source.m_bHeadShift = TRUE;
    source.m_wObjWord = 0x0203;
    source.m_dwWord = 77;
    source.m_dwHostWord = 0xCAFE;
    source.m_arrAttachedId.Add(3);
    source.m_arrAttachedId.Add(4);
    source.m_pMainNote = &mainNote;
    source.m_nSavePosX = 99;
    source.m_lSaveHeight = 98;
    unsigned char head[3] = {'A', 'B', 'C'};
    ASSERT_EQ(source.SetHead(3, head), 3);
    auto* handle = new CKVCtrlPoint(CRect(1, 2, 3, 4));
    handle->m_wKind = CKVCtrlPoint::kMoveWhole;
    source.m_arrCtrlPoint.Add(handle);

    CKVMsg target;
    target.m_dwHostWord = 0x1111;
    target.m_arrAttachedId.Add(9);
    target.m_nSavePosX = 5;
    target.m_lSaveHeight = 6;

    target = source;

    EXPECT_EQ(target.m_dwMsgId, 0x11223344u); // answers to the source's id
    EXPECT_EQ(target.m_byKind, MSG_NOTE);
    EXPECT_EQ(target.m_byVoice, 1);
    EXPECT_EQ(target.m_byReplace, 2);
    EXPECT_EQ(target.m_wSize, MSG_SIZE_GRACE);
    EXPECT_EQ(target.m_wHeadType, 0x0102);
    EXPECT_EQ(target.m_wDuration, 0x0304);
    EXPECT_EQ(target.m_wFlag, source.m_wFlag);
    EXPECT_EQ(target.m_nPerformStart, 0x0506);
    EXPECT_EQ(target.m_nPosX, 0x0708);
    EXPECT_EQ(target.m_nPosY, -24);
    EXPECT_EQ(target.m_nPosX2, 0x090A);
    EXPECT_EQ(target.m_nPosY2, -2);
    EXPECT_EQ(target.m_lHeight, -30);
    EXPECT_EQ(target.m_crColor, 0x00AABBCCu);
    EXPECT_EQ(target.m_nPlayTime, 160);
    EXPECT_EQ(target.m_nStartTime, 480);
    EXPECT_EQ(target.m_byMark1, 0x85);
    EXPECT_EQ(target.m_byMark2, 0x07);
    EXPECT_EQ(target.m_byAccidental, ACCI_FLAT | ACCI_SHIFT_LEFT);
    EXPECT_EQ(target.m_byDots, 2);
    EXPECT_EQ(target.m_nLayout1, 11);
    EXPECT_EQ(target.m_nLayout2, 12);
    EXPECT_EQ(target.m_nLayout3, 13);
    EXPECT_EQ(target.m_nLayout4, 14);
    EXPECT_TRUE(target.m_bHeadShift);
    EXPECT_EQ(target.m_wObjWord, 0x0203);
    EXPECT_EQ(target.m_dwWord, 77u);

    // The head is a block of its own with the same bytes.
    unsigned char* copied = nullptr;
    ASSERT_EQ(target.GetHead(&copied), 3);
    ASSERT_NE(copied, nullptr);
    EXPECT_NE(copied, source.m_pHead);
    EXPECT_EQ(std::memcmp(copied, head, 3), 0);

    // So are the handles.
    ASSERT_EQ(target.m_arrCtrlPoint.GetSize(), 1);
    EXPECT_NE(target.m_arrCtrlPoint.GetAt(0), handle);
    EXPECT_EQ(CRect(*target.m_arrCtrlPoint.GetAt(0)), CRect(1, 2, 3, 4));
    EXPECT_EQ(target.m_arrCtrlPoint.GetAt(0)->m_wKind, CKVCtrlPoint::kMoveWhole);

    // What the host and the grace-note layout keep stays the target's own.
    EXPECT_EQ(target.m_dwHostWord, 0x1111u);
    ASSERT_EQ(target.m_arrAttachedId.GetSize(), 1);
    EXPECT_EQ(target.m_arrAttachedId.GetAt(0), 9u);
    EXPECT_EQ(target.m_pMainNote, nullptr);
    EXPECT_EQ(target.m_nSavePosX, 5);
    EXPECT_EQ(target.m_lSaveHeight, 6);
}

TEST_F(KVMsgTest, StreamRecordLayout)
{
    CKVMsg msg;
    FillStreamFields(msg);
    CMemFile file;
    ASSERT_EQ(msg.SaveMsg(&file), 12 + MSG_RECORD_SIZE);
    std::vector<BYTE> bytes = FileBytes(file);
    ASSERT_EQ(bytes.size(), 12u + MSG_RECORD_SIZE);

    const std::vector<BYTE> expected = {
        0x01,                   // kind
        0x21,                   // re-placement 2, voice 1
        0x0C,                   // size
        0x00, 0x00, 0x00,       // marks, accidental and dots are not part of this form
        0x02, 0x01,             // head type
        0x04, 0x03,             // duration word
        0x10, 0x80,             // flag word
        0x00, 0x00, 0x00, 0x00, // layout words
        0x00, 0x00, 0x00, 0x00,
        0x06, 0x05,             // performed start
        0x08, 0x07,             // position word
        0xE8, 0xFF,             // vertical position -24
        0x0A, 0x09,             // second position word
        0xFE, 0xFF,             // second vertical position -2
        0x00, 0x00,             // reserved
        0xE2, 0xFF, 0xFF, 0xFF, // height -30
        0x44, 0x33, 0x22, 0x11, // id
        0xCC, 0xBB, 0xAA, 0x00, // colour
    };
    EXPECT_EQ(std::vector<BYTE>(bytes.begin() + 12, bytes.end()), expected);

    // The buffer form gives the same bytes.
    std::vector<BYTE> buffer(bytes.size() + 8, 0xEE);
    EXPECT_EQ(msg.CopyToBuff(buffer.data()), static_cast<short>(bytes.size()));
    EXPECT_EQ(std::vector<BYTE>(buffer.begin(), buffer.begin() + bytes.size()), bytes);
    EXPECT_EQ(buffer[bytes.size()], 0xEE);
}

TEST_F(KVMsgTest, StreamRoundTripKeepsWhatTheFormDoesNotHold)
{
    CKVMsg source;
    FillStreamFields(source);
    unsigned char head[2] = {'A', 'B'};
    ASSERT_EQ(source.SetHead(2, head), 2);
    CMemFile file;
    ASSERT_EQ(source.Save(&file), 14 + MSG_RECORD_SIZE);
    file.SeekToBegin();

    CKVMsg target;
    target.m_byMark1 = 0x41;
    target.m_byMark2 = 0x42;
    target.m_byAccidental = ACCI_SHARP;
    target.m_byDots = 1;
    target.m_nLayout1 = -7;
    target.m_nLayout2 = -8;
    target.m_nLayout3 = -9;
    target.m_nLayout4 = -10;
    ASSERT_EQ(target.Load(&file), 14 + MSG_RECORD_SIZE);
    EXPECT_EQ(file.GetPosition(), file.GetLength());

    EXPECT_EQ(target.m_byKind, MSG_NOTE);
    EXPECT_EQ(target.m_byVoice, 1);
    EXPECT_EQ(target.m_byReplace, 2);
    EXPECT_EQ(target.m_wSize, MSG_SIZE_GRACE);
    EXPECT_EQ(target.m_wHeadType, 0x0102);
    EXPECT_EQ(target.m_wDuration, 0x0304);
    EXPECT_EQ(target.m_wFlag, source.m_wFlag);
    EXPECT_EQ(target.m_nPerformStart, 0x0506);
    EXPECT_EQ(target.m_nPosX, 0x0708);
    EXPECT_EQ(target.m_nPosY, -24);
    EXPECT_EQ(target.m_nPosX2, 0x090A);
    EXPECT_EQ(target.m_nPosY2, -2);
    EXPECT_EQ(target.m_lHeight, -30);
    EXPECT_EQ(target.m_dwMsgId, 0x11223344u);
    EXPECT_EQ(target.m_crColor, 0x00AABBCCu);
    unsigned char* loaded = nullptr;
    ASSERT_EQ(target.GetHead(&loaded), 2);
    EXPECT_EQ(std::memcmp(loaded, head, 2), 0);

    EXPECT_EQ(target.m_byMark1, 0x41);
    EXPECT_EQ(target.m_byMark2, 0x42);
    EXPECT_EQ(target.m_byAccidental, ACCI_SHARP);
    EXPECT_EQ(target.m_byDots, 1);
    EXPECT_EQ(target.m_nLayout1, -7);
    EXPECT_EQ(target.m_nLayout2, -8);
    EXPECT_EQ(target.m_nLayout3, -9);
    EXPECT_EQ(target.m_nLayout4, -10);
}

TEST_F(KVMsgTest, StreamRefusesANodeThatIsNotASymbol)
{
    CKVMsg msg;
    FillStreamFields(msg);
    msg.SetObjectType(OBJ_MEAS);
    CMemFile file;
    EXPECT_EQ(msg.Save(&file), -1);
    EXPECT_EQ(file.GetLength(), 0u);

    CKVMsg symbol;
    FillStreamFields(symbol);
    CMemFile stored;
    ASSERT_GT(symbol.Save(&stored), 0);
    stored.SeekToBegin();
    CKVMsg other;
    other.SetObjectType(OBJ_MEAS);
    EXPECT_EQ(other.Load(&stored), -1);
    EXPECT_EQ(stored.GetPosition(), 0u);
    EXPECT_EQ(other.m_byKind, 0);
    EXPECT_EQ(other.m_dwMsgId, 0u);
}

TEST_F(KVMsgTest, StreamShortReadFailsAndLeavesAUsableSymbol)
{
    CKVMsg source;
    FillStreamFields(source);
    unsigned char head[2] = {'A', 'B'};
    ASSERT_EQ(source.SetHead(2, head), 2);
    CMemFile file;
    ASSERT_GT(source.SaveMsg(&file), 0);
    std::vector<BYTE> bytes = FileBytes(file);

    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        std::vector<BYTE> part(bytes.begin(), bytes.begin() + cut);
        part.push_back(0); // a valid pointer even for an empty file
        CMemFile shortFile(part.data(), static_cast<UINT>(cut));

        CKVMsg target;
        target.m_byKind = MSG_REST;
        target.m_crColor = 0x123456;
        target.m_nPosX = 40;
        EXPECT_EQ(target.LoadMsg(&shortFile), -1);
        EXPECT_EQ(target.m_byKind, MSG_REST);
        EXPECT_EQ(target.m_crColor, 0x123456u);
        EXPECT_EQ(target.m_nPosX, 40);

        CMemFile again;
        EXPECT_GT(target.SaveMsg(&again), 0);
    }
}

TEST_F(KVMsgTest, DrawingSlotsDrawNothing)
{
    CKVMsg msg;
    msg.m_byKind = MSG_NOTE;
    EXPECT_EQ(msg.DrawMsg(nullptr, 10, 20, nullptr, 100), CSize(0, 0));
    CRect rect(0, 0, 50, 50);
    EXPECT_EQ(msg.DrawMsg(nullptr, &rect, nullptr, nullptr, 100, 0), CSize(0, 0));
}

TEST_F(KVMsgTest, DestroyingATieClearsEverySlotThatHoldsIt)
{
    CKVSystem system;
    auto* note = new CKVMsg;
    note->m_byKind = MSG_NOTE;
    ASSERT_EQ(system.AddMsgToMap(2, note, 0), 2u);
    auto* tie = new CKVMsg;
    tie->m_byKind = MSG_TIE;
    ASSERT_EQ(system.AddMsgToMap(1, tie, 0), 1u);
    ASSERT_EQ(system.AddMsgToMap(3, tie, 0), 3u);
    auto* slur = new CKVMsg;
    slur->m_byKind = MSG_SLUR;
    ASSERT_EQ(system.AddMsgToMap(4, slur, 0), 4u);
    ASSERT_EQ(system.m_arrMsgMap.GetSize(), 5);

    delete tie;
    EXPECT_EQ(system.m_arrMsgMap.GetAt(1), nullptr);
    EXPECT_EQ(system.m_arrMsgMap.GetAt(3), nullptr);
    EXPECT_EQ(system.m_arrMsgMap.GetAt(2), note);
    EXPECT_EQ(system.m_arrMsgMap.GetAt(4), slur);
    EXPECT_EQ(system.GetMsgFromMap(2), note);

    delete slur;
    EXPECT_EQ(system.m_arrMsgMap.GetAt(4), nullptr);
    EXPECT_EQ(system.m_arrMsgMap.GetAt(2), note);
    EXPECT_EQ(system.m_arrMsgMap.GetSize(), 5); // ids are not reused
}

TEST_F(KVMsgTest, DeletingASymbolDirectlyEmptiesItsSlot)
{
    CKVSystem system;
    for (BYTE kind : {MSG_NOTE, MSG_FREETEXT, MSG_BEAM, MSG_TUPLET, MSG_CUSTOM}) {
        SCOPED_TRACE(kind);
        auto* msg = new CKVMsg;
        msg->m_byKind = kind;
        DWORD id = system.AddMsgToMap(msg);
        ASSERT_NE(id, 0u);
        ASSERT_EQ(system.GetMsgFromMap(id), msg);

        delete msg;
        EXPECT_EQ(system.m_arrMsgMap.GetAt(static_cast<int>(id)), nullptr);
        EXPECT_EQ(system.GetMsgFromMap(id), nullptr);
    }
}

TEST_F(KVMsgTest, DeletingACopyLeavesTheSlotOfItsSource)
{
    CKVSystem system;
    auto* source = new CKVMsg;
    source->m_byKind = MSG_NOTE;
    DWORD id = system.AddMsgToMap(source);
    ASSERT_NE(id, 0u);

    auto* copy = new CKVMsg;
    *copy = *source; // same id and system, but not the symbol in the slot
    ASSERT_EQ(copy->m_dwMsgId, id);
    ASSERT_EQ(copy->m_pSystem, &system);
    delete copy;
    EXPECT_EQ(system.GetMsgFromMap(id), source);
}

TEST_F(KVMsgTest, PageLevelSymbolMayOutliveItsSystem)
{
    // The document deletes its systems before its pages.
    auto* system = new CKVSystem;
    CKVMsg text;
    text.m_byKind = MSG_FREETEXT;
    text.m_pSystem = system;
    text.m_byParentKind = OBJ_PAGE;
    text.m_dwMsgId = 1;
    CKVMsg linked;
    linked.m_byKind = MSG_LINE;
    linked.m_pSystem = system;
    int page = 0;
    linked.m_pPage = &page;
    linked.m_dwMsgId = 1;
    delete system;
    // Destroying them must not reach into the freed system.
}
