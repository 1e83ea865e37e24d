#include "model/DrumTable.h"
#include "support/DrumKit.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const DrumKitEntry* AsEntry(const std::vector<BYTE>& bytes)
{
    return reinterpret_cast<const DrumKitEntry*>(bytes.data());
}

TEST(DrumKitEntryTest, OffsetsAgreeWithTheHostRecord)
{
    EXPECT_EQ(static_cast<int>(kvtest::kDrumKitEntrySize), kDrumKitEntrySize);
    EXPECT_EQ(static_cast<int>(kvtest::kDrumKitNameOffset), kDrumKitNameOffset);
    EXPECT_EQ(static_cast<int>(kvtest::kDrumKitKeyWordsOffset), kDrumKitKeyWordsOffset);
    EXPECT_EQ(static_cast<int>(kvtest::kDrumKitKeyTableOffset), kDrumKitKeyTableOffset);
    EXPECT_EQ(static_cast<int>(kvtest::kDrumKitDefaultHeadsOffset), kDrumKitDefaultHeadsOffset);
    // The last field ends inside the entry.
    EXPECT_LE(kDrumKitDefaultHeadsOffset + kDrumKitRows, kDrumKitEntrySize);
    EXPECT_EQ(kDrumKitKeyTableOffset + kDrumKitHeads * kDrumKitRows, kDrumKitDefaultHeadsOffset);
}

TEST(DrumKitEntryTest, AccessorsReadTheFieldsAtTheirOffsets)
{
    kvtest::DrumKitFields fields;
    fields.keyWords[0] = 0x0102;
    fields.keyWords[36] = 0x830D;  // fixed position, head type 4, row 13
    fields.keyWords[127] = 0xFFEE;
    fields.keys[0][0] = 35;
    fields.keys[3][13] = 36;
    fields.keys[17][17] = 81;
    fields.defaultHeads[0] = 5;
    fields.defaultHeads[17] = 9;
    const std::vector<BYTE> bytes = kvtest::MakeDrumKitEntry("Standard", fields);
    const DrumKitEntry* entry = AsEntry(bytes);

    EXPECT_STREQ("Standard", DrumKitName(entry));
    // Little-endian words.
    EXPECT_EQ(0x0102, DrumKitKeyWord(entry, 0));
    EXPECT_EQ(0x830D, DrumKitKeyWord(entry, 36));
    EXPECT_EQ(0xFFEE, DrumKitKeyWord(entry, 127));
    EXPECT_EQ(0, DrumKitKeyWord(entry, 1));
    // Indexed [head][row], not [row][head].
    EXPECT_EQ(35, DrumKitKey(entry, 0, 0));
    EXPECT_EQ(36, DrumKitKey(entry, 3, 13));
    EXPECT_EQ(kDrumKitNoKey, DrumKitKey(entry, 13, 3));
    EXPECT_EQ(81, DrumKitKey(entry, 17, 17));
    EXPECT_EQ(5, DrumKitDefaultHead(entry, 0));
    EXPECT_EQ(9, DrumKitDefaultHead(entry, 17));
    EXPECT_EQ(0, DrumKitDefaultHead(entry, 1));
}

TEST(DrumKitEntryTest, IndexesOutsideTheTablesStopTheProcess)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    const std::vector<BYTE> bytes = kvtest::MakeDrumKitEntry("Kit");
    const DrumKitEntry* entry = AsEntry(bytes);

    EXPECT_DEATH(DrumKitKeyWord(entry, 128), "DrumKitKeyWord: key 128 out of range \\(size 128\\)");
    EXPECT_DEATH(DrumKitKeyWord(entry, -1), "DrumKitKeyWord: key -1");
    EXPECT_DEATH(DrumKitKey(entry, 18, 0), "DrumKitKey: head 18");
    EXPECT_DEATH(DrumKitKey(entry, 0, 18), "DrumKitKey: row 18");
    EXPECT_DEATH(DrumKitDefaultHead(entry, -1), "DrumKitDefaultHead: row -1");
}

} // namespace
