#include "document/KVFileInfo.h"

#include "document/KVDoc.h"
#include "model/KVMsg.h"
#include "support/KvTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

class KVFileInfoTest : public kvtest::KvTest {
protected:
    static Bytes Written(CKVFileInfo& info, short* result = nullptr)
    {
        CMemFile file;
        const short n = info.Write(&file);
        if (result)
            *result = n;
        Bytes bytes(file.GetLength());
        file.SeekToBegin();
        file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
        return bytes;
    }

    // A file holding the given bytes, positioned at its start.
    static std::unique_ptr<CMemFile> FileOf(const Bytes& bytes)
    {
        auto file = std::make_unique<CMemFile>();
        file->Write(bytes.data(), static_cast<UINT>(bytes.size()));
        file->SeekToBegin();
        return file;
    }

    static Bytes SampleRecord()
    {
        Bytes record(32);
        for (int i = 0; i < 32; ++i)
            record[i] = static_cast<BYTE>(0x11 + 7 * i);
        return record;
    }

    // The page geometry of an A4-like sheet at 96 dots per inch.
    static int SetSamplePage(CKVFileInfo& info, short h = 100)
    {
        return info.SetLogicPageInfo(POINT {1820, 2570}, RECT {220, 200, 220, 250}, 200, h, 10, 8,
                                     POINT {96, 96});
    }
};

TEST_F(KVFileInfoTest, DefaultRecordIsFiveBlocksOfThreeMeasures)
{
    CKVFileInfo info;
    short result = 0;
    const Bytes bytes = Written(info, &result);
    EXPECT_EQ(32, result);
    Bytes expected(32, 0);
    expected[0] = 5;
    expected[2] = 3;
    EXPECT_EQ(expected, bytes);
}

TEST_F(KVFileInfoTest, ReadTakesTheRecordAndWriteGivesItBackWithTheReservedWords)
{
    const Bytes record = SampleRecord();
    CKVFileInfo info;
    auto file = FileOf(record);
    EXPECT_EQ(32, info.Read(file.get()));
    EXPECT_EQ(0x1811, static_cast<WORD>(info.m_nBlockPerPage));
    EXPECT_EQ(static_cast<LONG>(0xCEC7C0B9), info.m_lPrintWidth);
    EXPECT_EQ(0xA49D, info.m_wReserved[0]);
    EXPECT_EQ(record, Written(info));

    // The reference form reads the same.
    CKVFileInfo other;
    auto again = FileOf(record);
    EXPECT_EQ(32, other.Read(*again));
    EXPECT_EQ(record, Written(other));
}

TEST_F(KVFileInfoTest, ShortReadLeavesTheRecordUnchanged)
{
    CKVFileInfo info;
    SetSamplePage(info);
    const Bytes before = Written(info);
    const Bytes record = SampleRecord();
    auto file = FileOf(Bytes(record.begin(), record.begin() + 31));
    EXPECT_EQ(0, info.Read(file.get()));
    EXPECT_EQ(before, Written(info));
    auto again = FileOf(Bytes(record.begin(), record.begin() + 31));
    EXPECT_EQ(0, info.Read(*again));
    EXPECT_EQ(before, Written(info));
}

TEST_F(KVFileInfoTest, AssignmentCopiesAllButReservedWordsDocumentAndLink)
{
    CKVFileInfo source;
    auto file = FileOf(SampleRecord());
    ASSERT_EQ(32, source.Read(file.get()));
    source.m_lStaffSpace = 6;
    source.m_lFontHeight78 = 21;
    source.m_CtrlTool.m_wBrace1 = 12;
    source.m_pTitle[1] = new CKVMsg;
    source.m_pTitle[1]->m_nPosX = 44;

    CKVDoc* const doc = reinterpret_cast<CKVDoc*>(0x1000); // never followed
    CKVFileInfo target;
    target.m_pDoc = doc;
    target.m_pBackupLink = &target;
    target.m_wReserved[1] = 0x5555;
    target.m_pTitle[2] = new CKVMsg; // the source has none there
    target = source;

    Bytes expected = SampleRecord();
    expected[20] = expected[21] = 0;
    expected[22] = 0x55;
    expected[23] = 0x55;
    EXPECT_EQ(expected, Written(target));
    EXPECT_EQ(6, target.m_lStaffSpace);
    EXPECT_EQ(21, target.m_lFontHeight78);
    EXPECT_EQ(12, target.m_CtrlTool.m_wBrace1);
    ASSERT_NE(nullptr, target.m_pTitle[1]);
    EXPECT_NE(source.m_pTitle[1], target.m_pTitle[1]);
    EXPECT_EQ(44, target.m_pTitle[1]->m_nPosX);
    EXPECT_EQ(nullptr, target.m_pTitle[0]);
    EXPECT_EQ(nullptr, target.m_pTitle[2]);
    EXPECT_EQ(doc, target.m_pDoc);
    EXPECT_EQ(&target, target.GetCurBackupObj());
}

TEST_F(KVFileInfoTest, SetLogicPageInfoTurnsTenthsOfMillimetresIntoDots)
{
    CKVFileInfo info;
    EXPECT_EQ(1, SetSamplePage(info));
    EXPECT_EQ(83, info.m_nLeftMargin);
    EXPECT_EQ(83, info.m_nRightMargin);
    EXPECT_EQ(75, info.m_nTopMargin);
    EXPECT_EQ(94, info.m_nBottomMargin);
    EXPECT_EQ(75, info.m_nFirstBlockY);
    EXPECT_EQ(37, info.m_nFirstBlockX);
    EXPECT_EQ(521, info.m_lPrintWidth);
    EXPECT_EQ(802, info.m_lPrintHeight);
    EXPECT_EQ(10, info.m_nBlockDistance);
    EXPECT_EQ(8, info.m_nStaffDistance);
    EXPECT_EQ(5, info.m_nBlockPerPage);
    EXPECT_EQ(3, info.m_nMeasPerBlock);

    EXPECT_EQ(0, SetSamplePage(info));
    // A new horizontal offset alone is stored but reports no change.
    EXPECT_EQ(0, SetSamplePage(info, 200));
    EXPECT_EQ(75, info.m_nFirstBlockX);
    // A new distance is a change.
    EXPECT_EQ(1, info.SetLogicPageInfo(POINT {1820, 2570}, RECT {220, 200, 220, 250}, 200, 200,
                                       10, 9, POINT {96, 96}));
    EXPECT_EQ(9, info.m_nStaffDistance);
}

TEST_F(KVFileInfoTest, UpdateLogicDocRescalesTheGeometry)
{
    CKVFileInfo info;
    SetSamplePage(info);
    info.UpdateLogicDoc(POINT {96, 96}, POINT {96, 96});
    EXPECT_EQ(83, info.m_nLeftMargin);
    EXPECT_EQ(521, info.m_lPrintWidth);

    info.UpdateLogicDoc(POINT {96, 96}, POINT {192, 192});
    EXPECT_EQ(166, info.m_nLeftMargin);
    EXPECT_EQ(166, info.m_nRightMargin);
    EXPECT_EQ(150, info.m_nTopMargin);
    EXPECT_EQ(188, info.m_nBottomMargin);
    EXPECT_EQ(150, info.m_nFirstBlockY);
    EXPECT_EQ(74, info.m_nFirstBlockX);
    EXPECT_EQ(1042, info.m_lPrintWidth);
    EXPECT_EQ(1604, info.m_lPrintHeight);
    EXPECT_EQ(10, info.m_nBlockDistance);
    EXPECT_EQ(8, info.m_nStaffDistance);
    EXPECT_EQ(5, info.m_nBlockPerPage);

    // Each axis scales alone.
    info.UpdateLogicDoc(POINT {192, 192}, POINT {96, 192});
    EXPECT_EQ(83, info.m_nLeftMargin);
    EXPECT_EQ(150, info.m_nTopMargin);

    const Bytes before = Written(info);
    info.UpdateLogicDoc(POINT {0, 96}, POINT {192, 192});
    info.UpdateLogicDoc(POINT {96, 0}, POINT {192, 192});
    EXPECT_EQ(before, Written(info));
}

// The document gives the file info its font metrics, settings and titles to
// snapshot; the test swaps in objects of its own and puts the document's
// back at the end.
class FileInfoBackupTest : public KVFileInfoTest {
protected:
    void SetUp() override
    {
        KVFileInfoTest::SetUp();
        doc = std::make_unique<CKVDoc>();
        savedInfo = doc->m_pFileInfo;
        savedTitle = doc->m_pTitleMsg[0];
        doc->m_pTitleMsg[0] = &title;
        live.m_pDoc = doc.get();
        doc->m_pFileInfo = &live;
    }

    void TearDown() override
    {
        doc->m_pFileInfo = savedInfo;
        doc->m_pTitleMsg[0] = savedTitle;
        doc.reset();
        KVFileInfoTest::TearDown();
    }

    void SetDocState(short staffSpace, WORD brace, short titleX)
    {
        doc->m_nStaffSpace = staffSpace;
        doc->m_nScoreFontSize = static_cast<short>(staffSpace + 1);
        doc->m_nFontHeight = static_cast<short>(staffSpace + 2);
        doc->m_nFontHeight78 = static_cast<short>(staffSpace + 3);
        doc->m_CtrlTool.m_wBrace1 = brace;
        title.m_nPosX = titleX;
    }

    void ExpectDocState(short staffSpace, WORD brace, short titleX)
    {
        EXPECT_EQ(staffSpace, doc->m_nStaffSpace);
        EXPECT_EQ(staffSpace + 1, doc->m_nScoreFontSize);
        EXPECT_EQ(staffSpace + 2, doc->m_nFontHeight);
        EXPECT_EQ(staffSpace + 3, doc->m_nFontHeight78);
        EXPECT_EQ(brace, doc->m_CtrlTool.m_wBrace1);
        EXPECT_EQ(titleX, title.m_nPosX);
        EXPECT_EQ(&title, doc->m_pTitleMsg[0]);
    }

    std::unique_ptr<CKVDoc> doc;
    CKVFileInfo* savedInfo = nullptr;
    CKVMsg* savedTitle = nullptr;
    CKVMsg title;
    CKVFileInfo live;
};

TEST_F(FileInfoBackupTest, FeedBackSwapsTheSnapshotInAndOut)
{
    SetDocState(6, 111, 5);
    live.m_nMeasPerBlock = 4;
    live.ObjectBackup(kBackupUnrecorded);
    std::unique_ptr<CKVFileInfo> clone(static_cast<CKVFileInfo*>(live.GetCurBackupObj()));
    ASSERT_NE(nullptr, clone);
    ASSERT_NE(&live, clone.get());
    EXPECT_EQ(&live, clone->GetCurBackupObj());
    EXPECT_EQ(doc.get(), clone->m_pDoc);
    EXPECT_EQ(4, clone->m_nMeasPerBlock);
    EXPECT_EQ(6, clone->m_lStaffSpace);
    EXPECT_EQ(111, clone->m_CtrlTool.m_wBrace1);
    ASSERT_NE(nullptr, clone->m_pTitle[0]);
    EXPECT_EQ(5, clone->m_pTitle[0]->m_nPosX);

    // Recording hands the clone to the document, which then changes.
    live.ObjectFeedBack();
    EXPECT_EQ(clone.get(), doc->m_pFileInfo);
    EXPECT_EQ(0, live.IsCurrentObj());
    EXPECT_EQ(1, clone->IsCurrentObj());
    ExpectDocState(6, 111, 5);
    SetDocState(10, 222, 9);

    // Undo: the first member comes back with the state it kept.
    clone->ObjectFeedBack();
    EXPECT_EQ(&live, doc->m_pFileInfo);
    EXPECT_EQ(1, live.IsCurrentObj());
    ExpectDocState(6, 111, 5);

    // Redo: the clone gives back the state it took at the undo.
    live.ObjectFeedBack();
    EXPECT_EQ(clone.get(), doc->m_pFileInfo);
    ExpectDocState(10, 222, 9);
    doc->m_pFileInfo = &live;
}

TEST_F(FileInfoBackupTest, BackupThatNoStepTakesLeavesTheFileInfoLinkedToItself)
{
    // A new document does not record, so no undo step takes the clone.
    SetDocState(6, 111, 5);
    live.ObjectBackup(kBackupRecorded);
    EXPECT_EQ(&live, live.GetCurBackupObj());
    EXPECT_EQ(&live, doc->m_pFileInfo);
    EXPECT_EQ(6, live.m_lStaffSpace);
    ExpectDocState(6, 111, 5);
}

TEST_F(KVFileInfoTest, WithoutDocumentBackupAndFeedBackDoNothing)
{
    CKVFileInfo info;
    info.ObjectBackup(kBackupRecorded);
    EXPECT_EQ(nullptr, info.GetCurBackupObj());
    info.ObjectFeedBack();
    EXPECT_EQ(1, info.IsCurrentObj());
}

} // namespace
