#include "model/DrumTable.h"
#include "model/KVStaff.h"
#include "support/DrumKit.h"
#include "support/KvTest.h"
#include "support/NodeSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kvtest::HeadOf;

class DrumTable : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        for (const char* name : { "Standard", "Room", "Power", "Brush" })
            entries.push_back(kvtest::MakeDrumKitEntry(name));
        for (auto& entry : entries)
            table.Add(entry.data());
    }

    DrumKitEntry* Entry(int index)
    {
        return reinterpret_cast<DrumKitEntry*>(entries[static_cast<size_t>(index)].data());
    }

    // A staff head of `length` bytes: the index, then the name, cut or
    // zero-padded to fit.
    static void SetStaffHead(CKVStaff& staff, WORD index, const std::string& name, int length = kDrumKitRecordSize)
    {
        std::vector<unsigned char> head(static_cast<size_t>(length), 0);
        const unsigned char bytes[2] = { LOBYTE(index), HIBYTE(index) };
        for (size_t i = 0; i < head.size() && i < 2; ++i)
            head[i] = bytes[i];
        for (size_t i = 0; i < name.size() && i + 2 < head.size(); ++i)
            head[i + 2] = static_cast<unsigned char>(name[i]);
        staff.SetHead(static_cast<short>(length), head.data());
    }

    // The 66-byte record of kit 0 with the given name.
    static std::vector<unsigned char> KitZeroRecord(const std::string& name)
    {
        std::vector<unsigned char> record(kDrumKitRecordSize, 0);
        for (size_t i = 0; i < name.size(); ++i)
            record[i + 2] = static_cast<unsigned char>(name[i]);
        return record;
    }

    std::vector<std::vector<BYTE>> entries;
    CPtrArray table;
};

TEST_F(DrumTable, SetterResultsAndProcessReset)
{
    EXPECT_EQ(&table, SetDrumTable(&table));
    EXPECT_EQ(5, SetDrumIndex(5));
    EXPECT_EQ(&table, pDrumTable);
    EXPECT_EQ(5, nDrumIndex);
    ResetProcessState();
    EXPECT_EQ(nullptr, pDrumTable);
    EXPECT_EQ(0, nDrumIndex);
}

TEST_F(DrumTable, WithoutStaffGivesTheKitAtTheCurrentIndex)
{
    SetDrumTable(&table);
    EXPECT_EQ(Entry(0), GetDrumTable(nullptr)); // index 0 at load
    SetDrumIndex(3);
    EXPECT_EQ(Entry(3), GetDrumTable(nullptr));
    SetDrumIndex(4);
    EXPECT_EQ(nullptr, GetDrumTable(nullptr));
    SetDrumIndex(-1);
    EXPECT_EQ(nullptr, GetDrumTable(nullptr));
}

TEST_F(DrumTable, MatchingIndexAndNameGiveThatKitAndLeaveTheHead)
{
    SetDrumTable(&table);
    CKVStaff staff;
    SetStaffHead(staff, 2, "Power");
    const std::vector<unsigned char> before = HeadOf(staff);
    EXPECT_EQ(Entry(2), GetDrumTable(&staff));
    EXPECT_EQ(before, HeadOf(staff));

    // A name that fills the head to its end without a zero still matches.
    SetStaffHead(staff, 3, "Brush", 7);
    EXPECT_EQ(Entry(3), GetDrumTable(&staff));
    EXPECT_EQ(7u, HeadOf(staff).size());
}

TEST_F(DrumTable, StaffWhoseKitNoLongerMatchesMovesToKitZero)
{
    SetDrumTable(&table);
    SetDrumIndex(2); // the current index plays no part for a staff
    CKVStaff staff;
    SetStaffHead(staff, 3, "Jazz");
    EXPECT_EQ(Entry(0), GetDrumTable(&staff));
    EXPECT_EQ(KitZeroRecord("Standard"), HeadOf(staff));
    // The head now names kit 0 and stays as it is.
    EXPECT_EQ(Entry(0), GetDrumTable(&staff));
    EXPECT_EQ(KitZeroRecord("Standard"), HeadOf(staff));
}

TEST_F(DrumTable, NamesCompareWholeAndOnlyUpToTheirEnd)
{
    SetDrumTable(&table);
    CKVStaff staff;
    // A prefix of the kit's name is another name.
    SetStaffHead(staff, 1, "Roo");
    EXPECT_EQ(Entry(0), GetDrumTable(&staff));
    // So is a longer one.
    SetStaffHead(staff, 1, "Rooms");
    EXPECT_EQ(Entry(0), GetDrumTable(&staff));
    EXPECT_EQ(KitZeroRecord("Standard"), HeadOf(staff));
}

TEST_F(DrumTable, IndexesThatTheTableDoesNotHoldFallBackToKitZero)
{
    SetDrumTable(&table);
    CKVStaff staff;
    SetStaffHead(staff, 200, "Room");
    EXPECT_EQ(Entry(0), GetDrumTable(&staff));
    EXPECT_EQ(KitZeroRecord("Standard"), HeadOf(staff));

    SetStaffHead(staff, 4, "Room");
    EXPECT_EQ(Entry(0), GetDrumTable(&staff));

    SetStaffHead(staff, 0xFFFF, "Standard");
    EXPECT_EQ(Entry(0), GetDrumTable(&staff));
    EXPECT_EQ(KitZeroRecord("Standard"), HeadOf(staff));
}

TEST_F(DrumTable, ShortHeadsGrowToTheFullRecord)
{
    SetDrumTable(&table);
    CKVStaff staff;
    unsigned char oneByte[1] = { 0 };
    staff.SetHead(1, oneByte);
    EXPECT_EQ(Entry(0), GetDrumTable(&staff));
    EXPECT_EQ(KitZeroRecord("Standard"), HeadOf(staff));

    SetStaffHead(staff, 3, "Br", 4);
    EXPECT_EQ(Entry(0), GetDrumTable(&staff));
    EXPECT_EQ(KitZeroRecord("Standard"), HeadOf(staff));
}

TEST_F(DrumTable, LongKitNameIsCutToFitTheRecord)
{
    const std::string longName(100, 'x');
    entries[0] = kvtest::MakeDrumKitEntry(longName);
    table.SetAt(0, entries[0].data());
    SetDrumTable(&table);
    CKVStaff staff;
    SetStaffHead(staff, 1, "Other");
    EXPECT_EQ(Entry(0), GetDrumTable(&staff));
    // 63 bytes of the name and a terminating zero.
    EXPECT_EQ(KitZeroRecord(longName.substr(0, 63)), HeadOf(staff));
}

TEST_F(DrumTable, StaffWithoutHeadGivesNullAndStaysWithoutOne)
{
    SetDrumTable(&table);
    CKVStaff staff;
    EXPECT_EQ(nullptr, GetDrumTable(&staff));
    unsigned char* head = nullptr;
    EXPECT_EQ(0, staff.GetHead(&head));
    EXPECT_EQ(nullptr, head);
}

TEST_F(DrumTable, WithoutTableBothFormsGiveNullAndLeaveTheHead)
{
    CKVStaff staff;
    SetStaffHead(staff, 3, "Jazz");
    const std::vector<unsigned char> before = HeadOf(staff);
    EXPECT_EQ(nullptr, GetDrumTable(nullptr));
    EXPECT_EQ(nullptr, GetDrumTable(&staff));
    EXPECT_EQ(before, HeadOf(staff));

    // An empty table is no table.
    CPtrArray empty;
    SetDrumTable(&empty);
    EXPECT_EQ(nullptr, GetDrumTable(nullptr));
    EXPECT_EQ(nullptr, GetDrumTable(&staff));
    EXPECT_EQ(before, HeadOf(staff));
}

TEST_F(DrumTable, ANewTableRevalidatesTheStaffByName)
{
    SetDrumTable(&table);
    CKVStaff staff;
    SetStaffHead(staff, 1, "Room");
    EXPECT_EQ(Entry(1), GetDrumTable(&staff));

    // The host reorders its kits: "Room" is no longer at index 1.
    CPtrArray reordered;
    reordered.Add(Entry(3));
    reordered.Add(Entry(2));
    reordered.Add(Entry(1));
    SetDrumTable(&reordered);
    EXPECT_EQ(Entry(3), GetDrumTable(&staff));
    EXPECT_EQ(KitZeroRecord("Brush"), HeadOf(staff));
}

} // namespace
