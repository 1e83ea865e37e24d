// The chord namer's code tables and their lookups: which codes a list of
// candidate notes finds, how much of the area's note time they cover, and the
// flags that mark a clear result.

#include "support/AutoModelSupport.h"
#include "support/KvTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using kvtest::AutoModel;
using Codes = std::vector<unsigned char>;

class AutoCodeSearchTest : public kvtest::KvTest {};

Codes EntryCodes(const CAutoCode2Entry* entry)
{
    return Codes(entry->m_byCode, entry->m_byCode + entry->m_byCodeNum);
}

Codes EntryCodes(const CAutoCode3Entry* entry)
{
    return Codes(entry->m_byCode, entry->m_byCode + entry->m_byCodeNum);
}

// ---- Tables ----

TEST_F(AutoCodeSearchTest, TablesHoldEveryEntryAndRule)
{
    AutoModel model;
    CAutoStaff& staff = *model.staff;
    EXPECT_EQ(staff.m_DurCode2Table.GetSize(), 59);
    EXPECT_EQ(staff.m_MollCode2Table.GetSize(), 63);
    EXPECT_EQ(staff.m_DurCode3Table.GetSize(), 84);
    EXPECT_EQ(staff.m_MollCode3Table.GetSize(), 96);
    ASSERT_EQ(staff.m_DurKBRules.GetSize(), 25);
    ASSERT_EQ(staff.m_MollKBRules.GetSize(), 17);

    // The rules keep their order, and know their ends.
    const CAutoKBRule* first = staff.m_DurKBRules.GetAt(0);
    EXPECT_EQ(first->m_byLength, 6);
    EXPECT_EQ(Codes(first->m_byCode, first->m_byCode + 6), (Codes {1, 6, 3, 4, 5, 1}));
    const CAutoKBRule* dominant = staff.m_DurKBRules.GetAt(13);
    EXPECT_EQ(Codes(dominant->m_byCode, dominant->m_byCode + 3), (Codes {4, 12, 1}));
    EXPECT_EQ(dominant->m_byFirst, 4);
    EXPECT_EQ(dominant->m_byLast, 1);
    const CAutoKBRule* last = staff.m_MollKBRules.GetAt(16);
    EXPECT_EQ(last->m_byLength, 2);
    EXPECT_EQ(last->m_byFirst, 6);
    EXPECT_EQ(last->m_byLast, 7);

    // Every step has its pair with itself, so a single note is always found.
    for (unsigned char step = 1; step <= 12; step++) {
        EXPECT_GE(staff.Search2DurCode(step, step), 0) << int(step);
        EXPECT_GE(staff.Search2MollCode(step, step), 0) << int(step);
    }
}

TEST_F(AutoCodeSearchTest, PairsAreOrderedAndAnEntryWithoutCodesIsStillFound)
{
    AutoModel model;
    CAutoStaff& staff = *model.staff;
    struct Row {
        bool minor;
        unsigned char first, second;
        bool found;
        Codes codes;
    };
    const Row rows[] = {
        {false, 1, 6, true, {6, 4}}, {false, 6, 1, true, {4, 6}},     {false, 3, 6, false, {}},
        {true, 3, 6, false, {}},     {false, 6, 3, true, {6}},        {true, 6, 3, true, {6}},
        {false, 1, 2, true, {}},     {false, 3, 7, true, {3, 13, 9}}, {true, 12, 12, true, {5}},
        {true, 9, 9, true, {}},      {false, 0, 0, false, {}},
    };
    for (const Row& row : rows) {
        const int index =
            row.minor ? staff.Search2MollCode(row.first, row.second) : staff.Search2DurCode(row.first, row.second);
        ASSERT_EQ(index >= 0, row.found) << int(row.first) << "," << int(row.second);
        if (index >= 0) {
            const auto& table = row.minor ? staff.m_MollCode2Table : staff.m_DurCode2Table;
            EXPECT_EQ(EntryCodes(table.GetAt(index)), row.codes) << int(row.first) << "," << int(row.second);
        }
    }
}

TEST_F(AutoCodeSearchTest, TriplesAreFoundInEveryOrder)
{
    AutoModel model;
    CAutoStaff& staff = *model.staff;
    unsigned char set[] = {3, 5, 7};
    std::sort(set, set + 3);
    do {
        const int index = staff.Search3DurCode(set[0], set[1], set[2]);
        ASSERT_GE(index, 0);
        EXPECT_EQ(EntryCodes(staff.m_DurCode3Table.GetAt(index)), (Codes {3, 13}));
    } while (std::next_permutation(set, set + 3));

    const int minor = staff.Search3MollCode(12, 2, 5);
    ASSERT_GE(minor, 0);
    EXPECT_EQ(EntryCodes(staff.m_MollCode3Table.GetAt(minor)), (Codes {5}));
    // {2, 5, 12} is a minor set only; {1, 2, 3} is no set at all.
    EXPECT_EQ(staff.Search3DurCode(12, 2, 5), -1);
    EXPECT_EQ(staff.Search3DurCode(1, 2, 3), -1);
    EXPECT_EQ(staff.Search3MollCode(0, 2, 5), -1);
}

// ---- Lookup of a candidate list ----

TEST_F(AutoCodeSearchTest, ListLookupsMatchTriplesThenPairsThenTheFirstStep)
{
    struct Row {
        const char* what;
        unsigned char mode;
        bool half;
        std::initializer_list<unsigned char> steps;
        unsigned char notes;
        Codes codes;
    };
    const Row rows[] = {
        {"a triple", 1, false, {3, 5, 7}, 3, {3, 13}},
        {"another triple", 1, false, {2, 4, 6}, 3, {2, 12}},
        {"a later third step", 1, false, {1, 2, 4, 6}, 3, {8}},
        {"a missing pair falls back", 1, false, {1, 8}, 1, {1, 6}},
        {"the same in minor", 0, false, {1, 8}, 1, {1}},
        {"a pair without codes is found", 1, false, {1, 2}, 2, {}},
        {"a pair from a later step", 1, false, {3, 7, 1}, 2, {3, 13, 9}},
        {"the first pair without codes wins", 1, false, {3, 4, 2, 7}, 2, {}},
        {"one note", 1, false, {5}, 1, {5, 3}},
        {"no note", 1, false, {}, 0, {}},
        {"no step", 1, false, {0, 5, 7}, 0, {}},
        {"no step, alone", 1, false, {0}, 0, {}},
        {"half: the third step adds its codes", 1, true, {3, 7, 1}, 2, {3, 13, 9, 1}},
        {"half: only the first pair", 1, true, {1, 8, 3}, 1, {1, 6, 1, 6}},
        {"half: a triple adds nothing", 1, true, {3, 5, 7}, 3, {3, 13}},
        {"half: no step", 0, true, {0, 5, 7}, 0, {}},
        // Two pairs of three codes each: the record keeps the first five.
        {"half: five codes at most", 1, true, {7, 3, 3}, 2, {3, 13, 9, 3, 13}},
    };
    for (const Row& row : rows) {
        AutoModel model(row.mode);
        tagCandidate list = AutoModel::List(row.steps);
        tagCandCode code {};
        code.byPercent[0] = 77;
        if (row.half)
            row.mode ? model.staff->SearchDurAreaCode(&list, &code)
                     : model.staff->SearchMollAreaCode(&list, &code);
        else
            row.mode ? model.staff->SearchDurCode(&list, &code) : model.staff->SearchMollCode(&list, &code);
        EXPECT_EQ(code.byNoteNum, row.notes) << row.what;
        EXPECT_EQ(AutoModel::Codes(code), row.codes) << row.what;
        EXPECT_EQ(code.byPercent[0], 77) << row.what;
    }
}

TEST_F(AutoCodeSearchTest, MeasureLooksUpItsHalvesOnlyWhileSplit)
{
    AutoModel model;
    CAutoMeas& meas = model.AddMeas();
    meas.m_Candidate[kAreaWhole] = AutoModel::List({3, 7, 1});
    meas.m_Candidate[kAreaA] = AutoModel::List({3, 7, 1});
    meas.m_Candidate[kAreaB] = AutoModel::List({5});
    AutoModel::SetCodes(meas, kAreaB, {9}, kCodeFixed, 9);

    meas.ProduceCandCode();
    EXPECT_EQ(AutoModel::Codes(meas.m_CandCode[kAreaWhole]), (Codes {3, 13, 9}));
    EXPECT_EQ(meas.m_CandCode[kAreaA].byCodeNum, 0);
    EXPECT_EQ(meas.m_CandCode[kAreaB].byCodeNum, 0);
    EXPECT_EQ(meas.m_CandCode[kAreaB].byFlags, 0);

    // The halves use the whole-list lookup here, not the one that appends.
    meas.m_bySplit = 1;
    meas.ProduceCandCode();
    EXPECT_EQ(AutoModel::Codes(meas.m_CandCode[kAreaA]), (Codes {3, 13, 9}));
    EXPECT_EQ(AutoModel::Codes(meas.m_CandCode[kAreaB]), (Codes {5, 3}));
}

// ---- Weight and flags ----

TEST_F(AutoCodeSearchTest, WeightCountsTheLeadingEntriesTheNoteCountCovers)
{
    AutoModel model;
    CAutoMeas& meas = model.AddMeas();
    // Steps 1 and 8 lead the list; (1, 8) is no pair, (1, 3) is, so two
    // notes matched, and the weight is the time of the first two entries.
    meas.m_Candidate[kAreaWhole] = AutoModel::List({1, 8, 3});
    meas.m_dwDuration[kAreaWhole][1] = 100;
    meas.m_dwDuration[kAreaWhole][8] = 100;
    meas.m_dwDuration[kAreaWhole][3] = 200;
    meas.m_dwDuration[kAreaWhole][0] = 400;
    meas.ProduceCandCode();
    ASSERT_EQ(meas.m_CandCode[kAreaWhole].byNoteNum, 2);
    meas.CalcuCodeWeight();
    EXPECT_EQ(meas.m_CandCode[kAreaWhole].byPercent[0], 50);

    // An area without codes keeps its percent; one without note time gets 0
    // (no division by zero), and huge tick sums do not overflow.
    meas.m_CandCode[kAreaA].byPercent[0] = 33;
    meas.m_bySplit = 1;
    meas.m_Candidate[kAreaB] = AutoModel::List({5});
    AutoModel::SetCodes(meas, kAreaB, {5}, 0, 0, 1, 12);
    meas.CalcuCodeWeight();
    EXPECT_EQ(meas.m_CandCode[kAreaA].byPercent[0], 33);
    EXPECT_EQ(meas.m_CandCode[kAreaB].byPercent[0], 0);
    meas.m_dwDuration[kAreaB][5] = 0xF0000000u;
    meas.m_dwDuration[kAreaB][0] = 0xFFFFFFFFu;
    meas.CalcuCodeWeight();
    EXPECT_EQ(meas.m_CandCode[kAreaB].byPercent[0], 93);
}

TEST_F(AutoCodeSearchTest, TypeFlagsAddToTheFlagsAlreadySet)
{
    AutoModel model;
    CAutoMeas& meas = model.AddMeas();
    AutoModel::SetCodes(meas, kAreaWhole, {5}, kCodeFixed, 5, 3, 90);
    AutoModel::SetCodes(meas, kAreaA, {2, 12}, 0, 0, 2, 89);
    AutoModel::SetCodes(meas, kAreaB, {}, 0, 0, 0, 100);
    meas.SetTypeCode(90);
    EXPECT_EQ(meas.m_CandCode[kAreaWhole].byFlags, kCodeFixed | kCodeStrong | kCodeSingle);
    EXPECT_EQ(meas.m_CandCode[kAreaA].byFlags, 0);
    EXPECT_EQ(meas.m_CandCode[kAreaB].byFlags, 0);
}

TEST_F(AutoCodeSearchTest, DominantShareCountsItsChordTones)
{
    struct Row {
        unsigned char mode, code;
        unsigned char percent;
    };
    // Steps 2, 4, 5, 7 and 12 sound 10 % each, step 1 the remaining 50 %.
    const Row rows[] = {
        {1, 5, 30}, {1, 12, 40}, {0, 5, 30}, {0, 12, 40}, {1, 1, 0}, {1, 13, 0},
    };
    for (const Row& row : rows) {
        AutoModel model(row.mode);
        CAutoMeas& meas = model.AddMeas();
        for (unsigned char step : {2, 4, 5, 7, 12})
            meas.m_dwDuration[kAreaB][step] = 10;
        meas.m_dwDuration[kAreaB][1] = 50;
        meas.m_dwDuration[kAreaB][0] = 100;
        EXPECT_EQ(meas.CalcuCodePercent(row.code, kAreaB), row.percent) << int(row.mode) << " " << int(row.code);
        EXPECT_EQ(meas.CalcuCodePercent(row.code, kAreaA), 0);
        EXPECT_EQ(meas.CalcuCodePercent(row.code, 3), 0);
    }
}

} // namespace
