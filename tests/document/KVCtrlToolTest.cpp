#include "document/KVCtrlTool.h"

#include "model/DefaultFonts.h"
#include "support/KvTest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

// Record offsets the tests poke at.
constexpr int kRecord = 1144;
constexpr int kFontSlots[] = {0x000, 0x03C, 0x078, 0x0B4, 0x0F0, 0x12C, 0x168, 0x1A4, 0x408};

class KVCtrlToolTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        host.SetString(25132, "Face Chord");
        host.SetString(25133, "Face Text");
        host.SetString(25134, "Face Mark");
        host.SetString(25135, "Face Label");
    }

    // The whole output of Write: the length word and the record.
    static Bytes Written(CKVCtrlTool& tool, short* result = nullptr)
    {
        CMemFile file;
        const short n = tool.Write(&file);
        if (result)
            *result = n;
        Bytes bytes(file.GetLength());
        file.SeekToBegin();
        file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
        return bytes;
    }

    // The record alone, without the length word.
    static Bytes Record(CKVCtrlTool& tool)
    {
        const Bytes bytes = Written(tool);
        return Bytes(bytes.begin() + 2, bytes.end());
    }

    // Reads a record of the given bytes behind a length word.
    static short ReadRecord(CKVCtrlTool& tool, const Bytes& record, int length = -1)
    {
        if (length < 0)
            length = static_cast<int>(record.size());
        CMemFile file;
        const BYTE head[2] = {static_cast<BYTE>(length), static_cast<BYTE>(length >> 8)};
        file.Write(head, 2);
        file.Write(record.data(), static_cast<UINT>(record.size()));
        file.SeekToBegin();
        return tool.Read(&file);
    }

    static void ExpectBytes(const Bytes& record, int offset, std::initializer_list<int> expected)
    {
        int i = 0;
        for (const int value : expected) {
            ASSERT_LT(offset + i, static_cast<int>(record.size()));
            EXPECT_EQ(value, record[offset + i]) << "at record offset 0x" << std::hex << offset + i;
            ++i;
        }
    }

    static std::string FaceAt(const Bytes& record, int slot)
    {
        return std::string(reinterpret_cast<const char*>(record.data() + slot + 28));
    }
};

TEST_F(KVCtrlToolTest, WriteOfTheDefaultsGivesTheSettingsRecord)
{
    CKVCtrlTool tool;
    short result = 0;
    const Bytes bytes = Written(tool, &result);
    EXPECT_EQ(1146, result);
    ASSERT_EQ(1146u, bytes.size());
    EXPECT_EQ(0x78, bytes[0]);
    EXPECT_EQ(0x04, bytes[1]);

    const Bytes rec(bytes.begin() + 2, bytes.end());
    ExpectBytes(rec, 0x370, {0xA3, 0x00, 0x2E, 0x00});
    ExpectBytes(rec, 0x374, {11, 0, 17, 0, 58, 0, 62, 0, 23, 0, 19, 0, 64, 0, 54, 0, 32, 0});
    ExpectBytes(rec, 0x386, {0x0E, 0x00, 0xFC, 0xFF, 0x0A, 0x00, 0x05, 0x00});
    ExpectBytes(rec, 0x38E, {2, 0, 4, 0, 1, 0, 4, 0, 4, 0, 2, 0, 0, 0, 4, 0});
    ExpectBytes(rec, 0x39E, {0x1C, 0x00});
    ExpectBytes(rec, 0x3A0, {0x0A, 0x00});
    ExpectBytes(rec, 0x3A2, {0x08, 0x00});
    ExpectBytes(rec, 0x3A4, {0xFF, 0x00});
    ExpectBytes(rec, 0x3A8, {0x1C, 0x07, 0x00, 0x00, 0x0A, 0x0A, 0x00, 0x00});
    ExpectBytes(rec, 0x3B0, {0xDC, 0x00, 0x00, 0x00, 0xC8, 0x00, 0x00, 0x00,
                             0xDC, 0x00, 0x00, 0x00, 0xFA, 0x00, 0x00, 0x00});
    ExpectBytes(rec, 0x3C0, {0x64, 0x00, 0xC8, 0x00, 0x06, 0x00});
    ExpectBytes(rec, 0x3D0, {0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 4, 0});
    ExpectBytes(rec, 0x3E2, {0x00, 0x01, 0x02, 0x00, 0x01, 0x02, 0x00, 0x01});
    ExpectBytes(rec, 0x3EC, {1, 0, 0, 0});
    ExpectBytes(rec, 0x3FC, {0x60, 0x00, 0x00, 0x00, 0x60, 0x00, 0x00, 0x00});
    ExpectBytes(rec, 0x404, {3, 0});
    ExpectBytes(rec, 0x448, {0, 1, 0, 1, 7, 0, 0});
    ExpectBytes(rec, 0x44F, {0x64});
    ExpectBytes(rec, 0x458, {0x01, 0x00, 0x01, 0x00});
    ExpectBytes(rec, 0x45C, {0x05, 0x00});
    ExpectBytes(rec, 0x45E, {0xFF, 0xFF});
    ExpectBytes(rec, 0x460, {0x01});
    ExpectBytes(rec, 0x461, {0x01});
    ExpectBytes(rec, 0x462, {0x30, 0x40, 0x4C, 0x54, 0x60, 0x6E, 0x78, 0x7F});
    ExpectBytes(rec, 0x46A, {0x28});
    ExpectBytes(rec, 0x46B, {0x0F});
    ExpectBytes(rec, 0x46C, {0x00});
    ExpectBytes(rec, 0x46D, {0x28, 0x14, 0x5F, 0x4B, 0x32});
    ExpectBytes(rec, 0x472, {0x01});
    ExpectBytes(rec, 0x474, {0x01, 0x00});
    ExpectBytes(rec, 0x476, {0x00, 0x00});
    ExpectBytes(rec, 0x330, {0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x80, 0x80,
                             0x80, 0x00, 0xC0, 0xC0, 0xC0, 0x00, 0x80, 0x00, 0x00, 0x00});
    ExpectBytes(rec, 0x1E0, {0x80, 0x80, 0x80, 0x00});
    ExpectBytes(rec, 0x204, {0xFF, 0xFF, 0xFF, 0x00});
}

TEST_F(KVCtrlToolTest, WriteStoresReservedBytesAsZeroAndAZeroH10AsOne)
{
    CKVCtrlTool tool;
    tool.m_byH10 = 0;
    tool.m_dwAfterH8 = 0xFFFFFFFF; // not part of the record
    const Bytes rec = Record(tool);
    for (const int offset : {0x3A6, 0x3A7, 0x3C6, 0x3C7, 0x3CE, 0x3CF, 0x3FA, 0x3FB, 0x406, 0x407,
                             0x451, 0x452, 0x453, 0x473, 0x476, 0x477})
        EXPECT_EQ(0, rec[offset]) << "reserved byte 0x" << std::hex << offset;
    EXPECT_EQ(1, rec[0x44F]);
    EXPECT_EQ(0, tool.m_byH10); // only the written byte changes
}

TEST_F(KVCtrlToolTest, DefaultFontsInTheRecord)
{
    CKVCtrlTool tool;
    const Bytes rec = Record(tool);
    for (const int slot : kFontSlots) {
        SCOPED_TRACE(slot);
        ExpectBytes(rec, slot + 16, {0x2C, 0x01, 0x00, 0x00});
        ExpectBytes(rec, slot + 20, {0, 0, 0, 1, 2, 0, 0, 0x10});
    }
    ExpectBytes(rec, 0x000, {10, 0, 0, 0});
    ExpectBytes(rec, 0x03C, {12, 0, 0, 0});
    ExpectBytes(rec, 0x078, {11, 0, 0, 0});
    ExpectBytes(rec, 0x408, {12, 0, 0, 0});

    EXPECT_EQ("Face Text", FaceAt(rec, 0x000));   // text font, entry 1
    EXPECT_EQ("Face Chord", FaceAt(rec, 0x03C));  // chord symbols, entry 0
    EXPECT_EQ("Face Label", FaceAt(rec, 0x078));  // staff names, entry 2
    EXPECT_EQ("Face Label", FaceAt(rec, 0x0B4));  // measure numbers, entry 3
    EXPECT_EQ("Face Mark", FaceAt(rec, 0x0F0));   // coda and segno, entry 4
    EXPECT_EQ("Face Mark", FaceAt(rec, 0x12C));   // tempo marks, entry 6
    EXPECT_EQ("Face Label", FaceAt(rec, 0x168));  // repeat endings, entry 5
    EXPECT_EQ("Face Label", FaceAt(rec, 0x1A4));  // multi-measure rests, entry 3
    EXPECT_EQ("Face Chord", FaceAt(rec, 0x408));  // import font, entry 7
}

TEST_F(KVCtrlToolTest, DefaultFontTakesStyleFromTheEntryAndCutsALongFace)
{
    host.SetString(25140, std::string(40, 'x'));
    const DEFAULT_FONT entry {25140, 14, 1, 1, 1};
    LOGFONT font;
    std::memset(&font, 0x5A, sizeof font);
    GetDefaultFont(&font, &entry);
    EXPECT_EQ(14, font.lfHeight);
    EXPECT_EQ(0, font.lfWidth);
    EXPECT_EQ(0, font.lfEscapement);
    EXPECT_EQ(0, font.lfOrientation);
    EXPECT_EQ(700, font.lfWeight);
    EXPECT_EQ(1, font.lfItalic);
    EXPECT_EQ(1, font.lfUnderline);
    EXPECT_EQ(0, font.lfStrikeOut);
    EXPECT_EQ(0, font.lfClipPrecision);
    EXPECT_EQ(0, font.lfQuality);
    EXPECT_EQ(std::string(31, 'x'), font.lfFaceName);

    // A string the host does not have gives an empty face.
    const DEFAULT_FONT missing {25199, 12, 0, 0, 0};
    GetDefaultFont(&font, &missing);
    EXPECT_EQ(300, font.lfWeight);
    EXPECT_STREQ("", font.lfFaceName);
}

TEST_F(KVCtrlToolTest, ConstructorPutsTheFoldersBesideTheHostProgram)
{
    CKVCtrlTool::m_bIsMeasErrorCheck = 1;
    CKVCtrlTool tool;
    EXPECT_EQ(0, CKVCtrlTool::m_bIsMeasErrorCheck);
    const std::string folder =
        std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/";
    EXPECT_EQ(folder + "Scores", CKVCtrlTool::m_szWorkDir);
    EXPECT_EQ(folder + "Temp", CKVCtrlTool::m_szTempDir);
}

TEST_F(KVCtrlToolTest, ProcessResetBringsTheApplicationOptionsBack)
{
    CKVCtrlTool::m_bShowRhythm = 0;
    CKVCtrlTool::m_nAutoSaveTime = 99;
    CKVCtrlTool::m_szBackExt[0] = 'b';
    ResetProcessState();
    EXPECT_EQ(1, CKVCtrlTool::m_bShowRhythm);
    EXPECT_EQ(15, CKVCtrlTool::m_nAutoSaveTime);
    EXPECT_EQ(0x0203, CKVCtrlTool::m_wTuplet);
    EXPECT_EQ(60, CKVCtrlTool::m_bSplitKey);
    EXPECT_EQ(0, CKVCtrlTool::m_szBackExt[0]);
}

TEST_F(KVCtrlToolTest, ReadRefusesAMissingOrShortRecord)
{
    CKVCtrlTool tool;
    tool.m_wBrace1 = 77;
    const Bytes before = Written(tool);
    CKVCtrlTool source;
    source.m_wBrace1 = 5;
    const Bytes record = Record(source);

    EXPECT_EQ(0, ReadRecord(tool, record, 0));
    EXPECT_EQ(0, ReadRecord(tool, record, 0xFFFF)); // -1
    EXPECT_EQ(0, ReadRecord(tool, record, 0x8000)); // -32768
    EXPECT_EQ(0, ReadRecord(tool, Bytes(record.begin(), record.begin() + 1000), kRecord));
    CMemFile oneByte;
    const BYTE half = 0x78;
    oneByte.Write(&half, 1);
    oneByte.SeekToBegin();
    EXPECT_EQ(0, tool.Read(&oneByte));

    EXPECT_EQ(before, Written(tool));
    EXPECT_EQ(0, tool.m_bRecordRead);
}

TEST_F(KVCtrlToolTest, ReadOfAShortRecordKeepsTheFieldsPastItsEnd)
{
    CKVCtrlTool source;
    source.m_wBrace1 = 5;
    source.m_dwD[3] = 0x01020304;
    const Bytes full = Record(source);

    CKVCtrlTool tool;
    tool.m_dwResolutionX = 300;   // 0x3FC, past the end
    tool.m_byJ9 = 7;              // 0x472
    tool.m_dwRecordVersion = 5;   // 0x474
    tool.m_wM5 = 9;               // 0x404
    EXPECT_EQ(kRecord, ReadRecord(tool, Bytes(full.begin(), full.begin() + 1000)));
    EXPECT_EQ(5, tool.m_wBrace1);
    EXPECT_EQ(0x01020304u, tool.m_dwD[3]);
    EXPECT_EQ(300u, tool.m_dwResolutionX);
    EXPECT_EQ(7, tool.m_byJ9);
    EXPECT_EQ(5u, tool.m_dwRecordVersion);
    EXPECT_EQ(9, tool.m_wM5);
    // The kept record is whole: its tail is the settings the read kept.
    const Bytes rec = Record(tool);
    EXPECT_EQ(0, std::memcmp(rec.data(), tool.m_byLastRecord, kRecord));
}

TEST_F(KVCtrlToolTest, ReadOfALongRecordIgnoresItsTail)
{
    CKVCtrlTool source;
    source.m_wL5 = 123;
    Bytes record = Record(source);
    record.resize(1200, 0xEE);
    record.push_back(0x42); // the next byte of the file, not part of the record

    CKVCtrlTool tool;
    CMemFile file;
    const BYTE head[2] = {0xB0, 0x04}; // 1200
    file.Write(head, 2);
    file.Write(record.data(), static_cast<UINT>(record.size()));
    file.SeekToBegin();
    EXPECT_EQ(kRecord, tool.Read(&file));
    EXPECT_EQ(1202u, file.GetPosition());
    EXPECT_EQ(123, tool.m_wL5);
    EXPECT_EQ(Record(source), Record(tool));
}

TEST_F(KVCtrlToolTest, ReadClampsAndDefaultsTheRuledFields)
{
    CKVCtrlTool source;
    Bytes rec = Record(source);
    rec[0x386] = 200;               // K1 200
    rec[0x388] = 0x38;              // K2 -200
    rec[0x389] = 0xFF;
    rec[0x38A] = 0;                 // K3 0
    rec[0x38C] = 20;                // K4 20
    rec[0x474] = rec[0x475] = 0;    // version word 0
    rec[0x465] = 0;                 // fourth velocity 0
    rec[0x44F] = 0;                 // H10 0
    rec[0x46A] = 0;                 // J1 0
    rec[0x46E] = 0;                 // J4 0
    rec[0x471] = 0;                 // J7 0
    rec[0x44A] = 1;                 // H6, never taken
    rec[0x44E] = 9;                 // H9, never taken
    rec[0x450] = 0xC8;              // B3, zero-extended
    rec[0x460] = 0x80;              // show rhythm, zero-extended
    rec[0x45C] = 0xFE;              // B5 -2, sign-extended
    rec[0x45D] = 0xFF;
    rec[0x45E] = 0x00;              // B6 0x8000
    rec[0x45F] = 0x80;

    CKVCtrlTool tool;
    tool.m_byH6 = 1;
    tool.m_byH9 = 1;
    CKVCtrlTool::m_fAutoSave = 1;
    CKVCtrlTool::m_fIsMakeBackFile = 1;
    CKVCtrlTool::m_fAutoLoad = 1;
    ASSERT_EQ(kRecord, ReadRecord(tool, rec));
    EXPECT_EQ(99, tool.m_nK1);
    EXPECT_EQ(-99, tool.m_nK2);
    EXPECT_EQ(1, tool.m_nK3);
    EXPECT_EQ(16, tool.m_nK4);
    EXPECT_EQ(1u, tool.m_dwRecordVersion);
    EXPECT_EQ(84, tool.m_byVelocity[3]);
    EXPECT_EQ(48, tool.m_byVelocity[0]);
    EXPECT_EQ(100, tool.m_byH10);
    EXPECT_EQ(40, tool.m_byJ1);
    EXPECT_EQ(40, tool.m_byJ4);
    EXPECT_EQ(40, tool.m_byJ7);
    EXPECT_EQ(0, tool.m_byH6);
    EXPECT_EQ(0, tool.m_byH9);
    EXPECT_EQ(200u, tool.m_dwB3);
    EXPECT_EQ(128, CKVCtrlTool::m_bShowRhythm);
    EXPECT_EQ(-2, tool.m_lB5);
    EXPECT_EQ(-32768, tool.m_lB6);
    EXPECT_EQ(0, CKVCtrlTool::m_fAutoSave);
    EXPECT_EQ(0, CKVCtrlTool::m_fIsMakeBackFile);
    EXPECT_EQ(0, CKVCtrlTool::m_fAutoLoad);
    EXPECT_EQ(1, tool.m_bRecordRead);

    // In range, the words are taken as stored.
    rec[0x386] = 0x9D; // -99
    rec[0x387] = 0xFF;
    rec[0x38A] = 48;
    rec[0x38C] = 0;
    ASSERT_EQ(kRecord, ReadRecord(tool, rec));
    EXPECT_EQ(-99, tool.m_nK1);
    EXPECT_EQ(48, tool.m_nK3);
    EXPECT_EQ(0, tool.m_nK4);
}

TEST_F(KVCtrlToolTest, EveryStoredFieldSurvivesReadAndWrite)
{
    // Arbitrary content everywhere the reading rules leave bytes alone, so a
    // field read from one offset and written at another shows up.
    Bytes rec(kRecord);
    unsigned seed = 12345;
    for (BYTE& b : rec) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<BYTE>((seed >> 16) | 1);
    }
    for (const int slot : kFontSlots)
        rec[slot + 28 + 31] = 0;
    for (const int offset : {0x3A6, 0x3A7, 0x3C6, 0x3C7, 0x3CE, 0x3CF, 0x3FA, 0x3FB, 0x406, 0x407,
                             0x451, 0x452, 0x453, 0x473, 0x476, 0x477, 0x44A, 0x44E})
        rec[offset] = 0;
    const BYTE k[8] = {0x10, 0, 0xF0, 0xFF, 0x20, 0, 0x07, 0};
    std::memcpy(rec.data() + 0x386, k, sizeof k);

    CKVCtrlTool tool;
    ASSERT_EQ(kRecord, ReadRecord(tool, rec));
    EXPECT_EQ(rec, Record(tool));
    // A copy carries every member, the kept record included.
    CKVCtrlTool copy(tool);
    EXPECT_EQ(rec, Record(copy));
    CKVCtrlTool assigned;
    assigned = tool;
    EXPECT_EQ(rec, Record(assigned));
}

TEST_F(KVCtrlToolTest, WriteAfterReadKeepsTheFileFaceNamesUntilTheyAreEdited)
{
    CKVCtrlTool source;
    std::strcpy(source.m_lfText.lfFaceName, "From File");
    std::strcpy(source.m_lfImport.lfFaceName, "Imported");
    CKVCtrlTool tool;
    ASSERT_EQ(kRecord, ReadRecord(tool, Record(source)));

    std::strcpy(tool.m_lfText.lfFaceName, "Local Face");
    std::strcpy(tool.m_lfImport.lfFaceName, "Local Import");
    tool.m_lfText.lfHeight = 33;
    Bytes rec = Record(tool);
    EXPECT_EQ("From File", FaceAt(rec, 0x000));
    EXPECT_EQ("Imported", FaceAt(rec, 0x408));
    EXPECT_EQ("Face Chord", FaceAt(rec, 0x03C));
    ExpectBytes(rec, 0x000, {33, 0, 0, 0}); // only the names come from the file

    tool.m_bFaceNamesEdited = 1;
    rec = Record(tool);
    EXPECT_EQ("Local Face", FaceAt(rec, 0x000));
    EXPECT_EQ("Local Import", FaceAt(rec, 0x408));
}

TEST_F(KVCtrlToolTest, AFaceNameWithoutTerminatorReadsBackCutTo31)
{
    CKVCtrlTool source;
    Bytes rec = Record(source);
    std::memset(rec.data() + 0x000 + 28, 'n', 32);
    std::memset(rec.data() + 0x408 + 28, 'm', 32);

    CKVCtrlTool tool;
    ASSERT_EQ(kRecord, ReadRecord(tool, rec));
    EXPECT_EQ(std::string(31, 'n'), tool.m_lfText.lfFaceName);
    EXPECT_EQ(std::string(31, 'm'), tool.m_lfImport.lfFaceName);
    EXPECT_EQ(0, tool.m_byLastRecord[0x000 + 28 + 31]);
    EXPECT_EQ(0, tool.m_byLastRecord[0x408 + 28 + 31]);
    const Bytes written = Record(tool);
    EXPECT_EQ(std::string(31, 'n'), FaceAt(written, 0x000));
    EXPECT_EQ(0, written[0x000 + 28 + 31]);
}

TEST_F(KVCtrlToolTest, MarginsNeverGoBelowTheirLimits)
{
    CKVCtrlTool tool;
    tool.SetMargin(10, 10, 10, 10);
    EXPECT_EQ(CRect(10, 10, 10, 10), tool.m_rcMargin);
    tool.SetMarginLimit(50, 40, 50, 40);
    tool.SetMargin(10, 10, 10, 10);
    EXPECT_EQ(CRect(50, 40, 50, 40), tool.m_rcMargin);
    tool.SetMargin(60, 30, 70, 45);
    EXPECT_EQ(CRect(60, 40, 70, 45), tool.m_rcMargin);
}

TEST_F(KVCtrlToolTest, NoteDirectionTakesVoiceOneForVoicesOutsideOneToEight)
{
    CKVCtrlTool tool;
    EXPECT_EQ(0, tool.GetNoteDirection(0));
    EXPECT_EQ(0, tool.GetNoteDirection(1));
    EXPECT_EQ(0, tool.GetNoteDirection(9));
    EXPECT_EQ(0, tool.GetNoteDirection(-3));
    EXPECT_EQ(2, tool.GetNoteDirection(3));
    EXPECT_EQ(1, tool.GetNoteDirection(8));
    tool.m_byStemDir[1] = 0xF1; // only the low four bits count
    EXPECT_EQ(1, tool.GetNoteDirection(2));

    tool.SetVarnelMusicVersion(0x12345678);
    EXPECT_EQ(0x12345678u, tool.GetVarnelMusicVersion());
}

} // namespace

TEST_F(KVCtrlToolTest, HeaderLayoutAccessorsReadTheirRecordWords)
{
    CKVCtrlTool defaults;
    EXPECT_EQ(0, defaults.ClefChangeShift());
    EXPECT_TRUE(defaults.SingleStaffStartBarOn());
    Bytes rec = Record(defaults);
    const auto put = [&rec](int offset, int value) {
        rec[offset] = static_cast<BYTE>(value);
        rec[offset + 1] = static_cast<BYTE>(value >> 8);
    };
    put(0x38E, 21);   // clef layout
    put(0x390, 22);   // key layout
    put(0x392, 23);   // M1
    put(0x394, 24);   // M2
    put(0x396, 25);   // M3
    put(0x44C, 26);   // H8
    rec[0x448] = 2;   // H4
    rec[0x449] = 0;   // H5
    rec[0x44B] = 0;   // H7
    rec[0x450] = 1;   // B3
    put(0x208 + 4 * 5, 0x1234);      // table D, staff 5
    put(0x208 + 4 * 63 + 2, 0x0056); // table D, last staff
    put(0x308, 0x4321);              // C
    CKVCtrlTool tool;
    tool.m_wClefChangeShift = 3;
    ASSERT_EQ(kRecord, ReadRecord(tool, rec));
    EXPECT_EQ(21, tool.ClefLead());
    EXPECT_EQ(22, tool.KeyLead());
    EXPECT_EQ(23, tool.AccidentalGap());
    EXPECT_EQ(24, tool.TimeLead());
    EXPECT_EQ(25, tool.HeaderGap());
    EXPECT_EQ(26, tool.FirstColumnHeaderGap());
    EXPECT_EQ(2, tool.NaturalPlacement());
    EXPECT_FALSE(tool.CourtesyKeyOn());
    EXPECT_FALSE(tool.CourtesyTimeOn());
    EXPECT_TRUE(tool.MeasureNumbersOn());
    EXPECT_EQ(0x4321u, tool.OssiaColor());
    EXPECT_EQ(0x1234u, tool.StaffColor(5));
    EXPECT_EQ(0x560000u, tool.StaffColor(63));
    // The unstored shift neither comes from the record nor goes into it.
    EXPECT_EQ(3, tool.ClefChangeShift());
    EXPECT_EQ(rec, Record(tool));
    // Past the table either way the staff is black.
    tool.m_dwD[0] = 0xFF;
    EXPECT_EQ(0xFFu, tool.StaffColor(0));
    EXPECT_EQ(0u, tool.StaffColor(64));
    EXPECT_EQ(0u, tool.StaffColor(-1));
}
