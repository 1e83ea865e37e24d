// The measure's older stream form (buffer and file) and the memory sizes of
// measures and symbols.

#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "support/KvTest.h"
#include "support/RecordBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using kvtest::FileBytes;

class KVMeasStreamTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        sys.Initialize(&sys, OBJ_SYSTEM);
        meas.Initialize(&sys, OBJ_MEAS);
    }

    CKVMsg* AddNote(CKVObject& node, short x, int headLength)
    {
        CKVMsg* msg = new CKVMsg;
        msg->m_byKind = MSG_NOTE;
        msg->m_nPosX = x;
        if (headLength > 0)
            msg->SetHead(static_cast<short>(headLength), nullptr);
        node.CKVObject::AddMsg(msg, kHolderOwns, kParentHere);
        return msg;
    }

    CKVSystem sys;
    CKVMeas meas; // destroyed before sys
};

TEST_F(KVMeasStreamTest, BufferFormOfAFreshMeasureFillsOnlyItsSettings)
{
    meas.m_pBackupLink = &meas;
    std::vector<BYTE> buffer(256, 0xEE);
    ASSERT_EQ(meas.CopyToBuff(buffer.data()), 108);
    EXPECT_EQ(meas.m_pBackupLink, nullptr);

    // The node part: no children, no head.
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[4], 0);
    EXPECT_EQ(buffer[6], 12);

    std::vector<BYTE> expected(96, 0);
    expected[67] = 0x40;
    expected[68] = 16;
    expected[69] = 16;
    expected[70] = 1;
    expected[82] = 0xFF;
    expected[83] = 0xFF;
    expected[86] = 4;
    expected[88] = 4;
    EXPECT_EQ(std::vector<BYTE>(buffer.begin() + 12, buffer.begin() + 108), expected);
    EXPECT_EQ(buffer[108], 0xEE);
}

TEST_F(KVMeasStreamTest, BufferFormCarriesTimeTextsButNotKeyOrEnding)
{
    meas.m_byTimeStyle = 2;
    std::strcpy(meas.m_szTimeNumText, "3+2");
    std::strcpy(meas.m_szTimeDenText, "8");
    meas.m_nTimeNum = 5;
    meas.m_nTimeDen = 8;
    meas.m_byStartBar = CKVMeas::BAR_REPEAT;
    meas.m_byEndBar = CKVMeas::BAR_FINAL;
    meas.m_byInitClef = 2;
    meas.m_wMarker = 0x1234;
    meas.m_byKeyType = CKVMeas::KEY_FLATS;
    meas.m_byKeyCount = 3;
    meas.m_byOption = 5;
    meas.m_byEndingNum = 1;
    std::strcpy(meas.m_szEndingText, "1. ");
    AddNote(meas, 10, 0);

    std::vector<BYTE> buffer(256, 0);
    ASSERT_EQ(meas.CopyToBuff(buffer.data()), 12 + 8 + 96);
    const BYTE* rec = buffer.data() + 20;
    EXPECT_EQ(rec[0], 2);
    EXPECT_STREQ(reinterpret_cast<const char*>(rec + 19), "3+2");
    EXPECT_STREQ(reinterpret_cast<const char*>(rec + 35), "8");
    EXPECT_EQ(rec[51], 0); // no ending text in this form
    EXPECT_EQ(rec[68], CKVMeas::BAR_REPEAT);
    EXPECT_EQ(rec[69], CKVMeas::BAR_FINAL);
    EXPECT_EQ(rec[70], 2);
    EXPECT_EQ(rec[72], 0);
    EXPECT_EQ(rec[73], 0);
    EXPECT_EQ(rec[74], 0);
    EXPECT_EQ(rec[82], 0x34);
    EXPECT_EQ(rec[83], 0x12);
    EXPECT_EQ(rec[86], 5);
    EXPECT_EQ(rec[88], 8);
    EXPECT_EQ(rec[90], 0);
    EXPECT_EQ(rec[92], 0);
}

TEST_F(KVMeasStreamTest, SaveAndLoadRoundTrip)
{
    meas.m_wObjWord = CKVMeas::PICKUP;
    meas.m_byTimeStyle = 1;
    std::strcpy(meas.m_szTimeNumText, "2+2+3");
    std::strcpy(meas.m_szTimeDenText, "8");
    meas.m_nTimeNum = 7;
    meas.m_nTimeDen = 8;
    meas.CalcWholeCount();
    meas.m_byStartBar = CKVMeas::BAR_REPEAT;
    meas.m_byEndBar = CKVMeas::BAR_DOUBLE;
    meas.m_byInitClef = 3;
    meas.m_byKeyType = CKVMeas::KEY_FLATS;
    meas.m_byKeyCount = 4;
    meas.m_byOption = 6;
    meas.m_byOptions = CKVMeas::OPT_KEY_HIDDEN | CKVMeas::OPT_TIME_SHOWN;
    meas.m_wMarker = 0x0102;
    meas.m_nHeaderWidth = 40;
    meas.m_byEndingNum = 2;
    CKVMsg* note = AddNote(meas, 10, 0);

    CMemFile file;
    ASSERT_EQ(meas.Save(&file), 12 + 96);
    const std::vector<BYTE> bytes = FileBytes(file);
    ASSERT_EQ(bytes.size(), 12u + 8u + 96u);
    const BYTE* rec = bytes.data() + 20;
    EXPECT_EQ(rec[67], 0x40);
    EXPECT_EQ(rec[72], 6);
    EXPECT_EQ(rec[73], CKVMeas::OPT_KEY_HIDDEN | CKVMeas::OPT_TIME_SHOWN);
    EXPECT_EQ(rec[90], CKVMeas::KEY_FLATS);
    EXPECT_EQ(rec[91], 0);
    EXPECT_EQ(rec[92], 4);
    EXPECT_EQ(rec[93], 0);

    // Loaded into a measure that is not in the system: the reference comes
    // back by id, and the note stays with the measure that owns it.
    CKVMeas loaded;
    file.SeekToBegin();
    ASSERT_EQ(loaded.Load(&file), 12 + 96);
    EXPECT_EQ(loaded.m_wObjWord, CKVMeas::PICKUP);
    ASSERT_EQ(loaded.GetMsgNum(), 1);
    EXPECT_EQ(loaded.m_arrMsgRef.GetAt(0)->dwMsgId, note->m_dwMsgId);
    EXPECT_EQ(loaded.m_byTimeStyle, 1);
    EXPECT_STREQ(loaded.m_szTimeNumText, "2+2+3");
    EXPECT_STREQ(loaded.m_szTimeDenText, "8");
    EXPECT_EQ(loaded.m_nTimeNum, 7);
    EXPECT_EQ(loaded.m_nTimeDen, 8);
    EXPECT_EQ(loaded.m_nLength, 840);
    EXPECT_EQ(loaded.m_byStartBar, CKVMeas::BAR_REPEAT);
    EXPECT_EQ(loaded.m_byEndBar, CKVMeas::BAR_DOUBLE);
    EXPECT_EQ(loaded.m_byInitClef, 3);
    EXPECT_EQ(loaded.m_byKeyType, CKVMeas::KEY_FLATS);
    EXPECT_EQ(loaded.m_byKeyCount, 4);
    EXPECT_EQ(loaded.m_byOption, 6);
    EXPECT_EQ(loaded.m_byOptions, CKVMeas::OPT_KEY_HIDDEN | CKVMeas::OPT_TIME_SHOWN);
    EXPECT_EQ(loaded.m_wMarker, 0x0102);
    // Not part of the form.
    EXPECT_EQ(loaded.m_nHeaderWidth, 0);
    EXPECT_EQ(loaded.m_byEndingNum, 0);
    // The same bytes again.
    CMemFile again;
    loaded.Save(&again);
    EXPECT_EQ(FileBytes(again), bytes);
}

TEST_F(KVMeasStreamTest, TruncatedStreamFailsAndKeepsTheSettings)
{
    AddNote(meas, 10, 0);
    AddNote(meas, 20, 0);
    meas.m_nTimeNum = 3;
    meas.m_byKeyCount = 2;
    CMemFile file;
    ASSERT_GT(meas.Save(&file), 0);
    std::vector<BYTE> bytes = FileBytes(file);

    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        CMemFile part(bytes.data(), static_cast<UINT>(cut));
        CKVMeas loaded;
        EXPECT_EQ(loaded.Load(&part), -1) << "cut at " << cut;
        EXPECT_EQ(loaded.m_nTimeNum, 4) << "cut at " << cut;
        EXPECT_EQ(loaded.m_byKeyCount, 0) << "cut at " << cut;
        EXPECT_EQ(loaded.m_nLength, 1920) << "cut at " << cut;
    }
}

TEST_F(KVMeasStreamTest, LoadOfAnImpossibleTimeSignatureKeepsTheLength)
{
    meas.m_nTimeDen = 0;
    CMemFile file;
    ASSERT_GT(meas.Save(&file), 0);
    file.SeekToBegin();
    CKVMeas loaded;
    loaded.m_nLength = 960;
    ASSERT_EQ(loaded.Load(&file), 108);
    EXPECT_EQ(loaded.m_nTimeDen, 0);
    EXPECT_EQ(loaded.m_nLength, 960);
}

TEST_F(KVMeasStreamTest, MemorySizeCountsReferencesHeadsAndChildren)
{
    DWORD total = 0;
    meas.GetMemorySize(total);
    EXPECT_EQ(total, 316u);

    CKVMsg* note = AddNote(meas, 10, 12);
    total = 0;
    meas.GetMemorySize(total);
    EXPECT_EQ(total, 316u + 12u + 172u + 12u);

    // A symbol counts its own references, head and children the same way.
    CKVMsg* mark = new CKVMsg;
    mark->m_byKind = MSG_NOTEMARK;
    mark->SetHead(2, nullptr);
    note->CKVObject::AddMsg(mark, kHolderOwns, kParentHere);
    total = 0;
    note->GetMemorySize(total);
    EXPECT_EQ(total, (172u + 12u + 12u) + (172u + 2u));

    // The measure's own head counts too; totals add up.
    meas.SetHead(5, nullptr);
    total = 1000;
    meas.GetMemorySize(total);
    EXPECT_EQ(total, 1000u + 316u + 12u + 5u + 196u + 174u);
}

TEST_F(KVMeasStreamTest, MemorySizeSkipsStaleReferences)
{
    CKVMsg* note = AddNote(meas, 10, 0);
    sys.RemoveMsgFromMap(note->m_dwMsgId);
    DWORD total = 0;
    meas.GetMemorySize(total);
    // The reference is still listed; its symbol is gone.
    EXPECT_EQ(total, 316u + 12u);
}

} // namespace
