// The chord namer's fixing and linking: which areas are settled outright,
// how runs of unsettled areas between settled ones become segments, and how a
// progression rule settles them.

#include "support/AutoModelSupport.h"
#include "support/KvTest.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

using kvtest::AutoModel;
using Codes = std::vector<unsigned char>;

class AutoCodeLinkTest : public kvtest::KvTest {};

struct Point {
    int meas;
    unsigned char area;
    bool operator==(const Point&) const = default;
};

std::vector<Point> Elements(const CAutoSegment& segment)
{
    std::vector<Point> points;
    for (int i = 0; i < segment.m_Elements.GetSize(); i++)
        points.push_back({segment.m_Elements.GetAt(i)->nMeas, segment.m_Elements.GetAt(i)->byArea});
    return points;
}

// One unsplit measure per entry: its codes, and whether it is fixed (then
// with its first code chosen).
void AddMeasures(AutoModel& model, std::initializer_list<std::pair<Codes, unsigned char>> measures)
{
    for (const auto& [codes, flags] : measures) {
        CAutoMeas& meas = model.AddMeas();
        tagCandCode& code = meas.m_CandCode[kAreaWhole];
        for (unsigned char c : codes)
            code.byCode[code.byCodeNum++] = c;
        code.byFlags = flags;
        code.byChosen = (flags & kCodeFixed) && !codes.empty() ? codes.begin()[0] : 0;
    }
}

const tagCandCode& Whole(AutoModel& model, int meas)
{
    return model.staff->GetMeas(meas)->m_CandCode[kAreaWhole];
}

// ---- Segments ----

TEST_F(AutoCodeLinkTest, SegmentsAreRunsOfUnfixedPointsBetweenFixedOnes)
{
    AutoModel model;
    AddMeasures(model, {
                           {{2}, 0},          // before the first fixed point: never linked
                           {{1}, kCodeFixed}, // left end
                           {{4, 2}, 0},       // inside
                           {{}, 0},           // no codes: no point
                           {{2, 12}, 0},      // inside
                           {{5}, kCodeFixed}, // right end, then left end of the next
                           {{1}, kCodeFixed}, // split below
                           {{6}, 0},          // after the last fixed point: never linked
                       });
    // A split measure gives two points, A and B, in place of its whole area.
    CAutoMeas& split = *model.staff->GetMeas(6);
    split.m_bySplit = 1;
    AutoModel::SetCodes(split, kAreaA, {5}, 0);
    AutoModel::SetCodes(split, kAreaB, {1}, kCodeFixed, 1);
    model.AddMeas();

    ASSERT_TRUE(model.staff->SetSegment());
    ASSERT_EQ(model.staff->m_Segments.GetSize(), 2);
    const CAutoSegment& first = *model.staff->m_Segments.GetAt(0);
    EXPECT_EQ(Elements(first), (std::vector<Point> {{1, 0}, {2, 0}, {4, 0}, {5, 0}}));
    EXPECT_EQ(first.m_byNum, 4);
    EXPECT_EQ((Point {first.m_Left.nMeas, first.m_Left.byArea}), (Point {1, 0}));
    EXPECT_EQ((Point {first.m_Right.nMeas, first.m_Right.byArea}), (Point {5, 0}));
    const CAutoSegment& second = *model.staff->m_Segments.GetAt(1);
    EXPECT_EQ(Elements(second), (std::vector<Point> {{5, 0}, {6, 1}, {6, 2}}));

    // Rebuilding replaces the segments; a run that no fixed point closes is
    // dropped.
    AutoModel::SetCodes(split, kAreaB, {1}, 0);
    ASSERT_TRUE(model.staff->SetSegment());
    ASSERT_EQ(model.staff->m_Segments.GetSize(), 1);
    EXPECT_EQ(Elements(*model.staff->m_Segments.GetAt(0)).size(), 4u);
}

// ---- Linking ----

TEST_F(AutoCodeLinkTest, RuleLinksTheMiddleOfASegment)
{
    // 4-5-1 fails on the middle point; 4-12-1 fits.
    AutoModel model;
    AddMeasures(model, {{{4}, kCodeFixed}, {{2, 12}, 0}, {{1}, kCodeFixed}});
    model.staff->SetSegment();
    EXPECT_EQ(model.staff->LinkCode(0), 1);
    EXPECT_EQ(Whole(model, 1).byChosen, 12);
    EXPECT_EQ(Whole(model, 1).byFlags, kCodeFixed | kCodeLinked);
    EXPECT_EQ(AutoModel::Codes(Whole(model, 1)), (Codes {2, 12}));
    EXPECT_EQ(Whole(model, 0).byFlags, kCodeFixed | kCodeByRule);
    EXPECT_EQ(Whole(model, 2).byFlags, kCodeFixed | kCodeByRule);
    EXPECT_EQ(Whole(model, 1).byLinkCode, 0);

    // Nothing is left to link.
    model.staff->SetSegment();
    EXPECT_EQ(model.staff->m_Segments.GetSize(), 0);
    EXPECT_EQ(model.staff->LinkCode(0), 0);
}

TEST_F(AutoCodeLinkTest, RuleSettledPointAcceptsOnlyItsChosenCode)
{
    // The first point holds 4 among its codes. Settled by a rule on 2, it
    // only takes rules that start with 2; merely fixed, 4-12-1 comes first.
    for (bool byRule : {true, false}) {
        AutoModel model;
        AddMeasures(model, {{{2, 4}, kCodeFixed}, {{12}, 0}, {{1}, kCodeFixed}});
        if (byRule)
            model.staff->GetMeas(0)->m_CandCode[kAreaWhole].byFlags |= kCodeByRule;
        model.staff->SetSegment();
        ASSERT_EQ(model.staff->LinkCode(0), 1);
        EXPECT_EQ(Whole(model, 0).byChosen, byRule ? 2 : 4);
        EXPECT_EQ(Whole(model, 1).byChosen, 12);
    }
}

TEST_F(AutoCodeLinkTest, WindowsShrinkFromTheEndThenMoveTheirStart)
{
    // No rule starts with 3, so no window at the start fits; the window from
    // the third point to the end fits 4-5-1, and the second point stays open.
    AutoModel model;
    AddMeasures(model, {{{3}, kCodeFixed}, {{6}, 0}, {{4}, 0}, {{5}, 0}, {{1}, kCodeFixed}});
    model.staff->SetSegment();
    ASSERT_EQ(model.staff->LinkCode(0), 1);
    EXPECT_EQ(Whole(model, 1).byFlags, 0);
    EXPECT_EQ(Whole(model, 2).byChosen, 4);
    EXPECT_EQ(Whole(model, 3).byChosen, 5);
    EXPECT_EQ(Whole(model, 3).byFlags, kCodeFixed | kCodeLinked);
    model.staff->SetSegment();
    EXPECT_EQ(model.staff->LinkCode(0), 0);
    EXPECT_EQ(Whole(model, 1).byFlags, 0);

    // A window of two points is never tried: 5-1 would fit the last two.
    AutoModel pair;
    AddMeasures(pair, {{{3}, kCodeFixed}, {{5}, 0}, {{1}, kCodeFixed}});
    pair.staff->SetSegment();
    EXPECT_EQ(pair.staff->LinkCode(0), 0);
    EXPECT_EQ(Whole(pair, 1).byFlags, 0);
}

TEST_F(AutoCodeLinkTest, MinorSegmentsUseTheMinorRules)
{
    // 6-7-3 is a minor rule only.
    for (unsigned char mode : {0, 1}) {
        AutoModel model(mode);
        AddMeasures(model, {{{6}, kCodeFixed}, {{7}, 0}, {{3}, kCodeFixed}});
        model.staff->SetSegment();
        EXPECT_EQ(model.staff->LinkCode(0), mode == 0 ? 1 : 0);
    }
}

TEST_F(AutoCodeLinkTest, LongRunsLinkThroughTheirWholeLength)
{
    // A run of 300 points: the count byte saturates, the segment is still
    // linked from its last windows, and the rounds end.
    AutoModel model;
    AddMeasures(model, {{{1}, kCodeFixed}});
    for (int i = 0; i < 298; i++)
        AddMeasures(model, {{{4}, 0}});
    AddMeasures(model, {{{5}, 0}, {{1}, kCodeFixed}});
    model.staff->SetSegment();
    ASSERT_EQ(model.staff->m_Segments.GetSize(), 1);
    EXPECT_EQ(model.staff->m_Segments.GetAt(0)->m_byNum, 255);
    ASSERT_EQ(model.staff->LinkCode(0), 1);
    EXPECT_EQ(Whole(model, 298).byChosen, 4);
    EXPECT_EQ(Whole(model, 299).byChosen, 5);
    EXPECT_EQ(Whole(model, 1).byFlags, 0);
}

// ---- Fixing ----

TEST_F(AutoCodeLinkTest, ClearAreasAreFixedWithTheirFirstCode)
{
    struct Row {
        const char* what;
        unsigned char area;
        Codes codes;
        unsigned char flags, notes, percent;
        bool fixed;
    };
    const Row rows[] = {
        {"one code, two notes", kAreaWhole, {4}, kCodeSingle, 2, 10, true},
        {"one code, one note at 90 %", kAreaWhole, {4}, kCodeSingle, 1, 90, true},
        {"one code, one note at 89 %", kAreaWhole, {4}, kCodeSingle, 1, 89, false},
        {"two codes, strong, one note", kAreaWhole, {1, 6}, kCodeStrong, 1, 95, true},
        {"two codes, strong, two notes", kAreaWhole, {4, 2}, kCodeStrong, 2, 100, false},
        {"two codes, weak, one note", kAreaWhole, {1, 6}, 0, 1, 50, false},
        {"a half with one code", kAreaA, {5}, kCodeSingle, 2, 10, true},
        {"a half with two strong codes", kAreaB, {1, 6}, kCodeStrong, 1, 95, false},
        {"no codes", kAreaWhole, {}, kCodeSingle, 2, 100, false},
    };
    for (const Row& row : rows) {
        AutoModel model;
        CAutoMeas& meas = model.AddMeas();
        meas.m_bySplit = row.area != kAreaWhole;
        tagCandCode& code = meas.m_CandCode[row.area];
        for (unsigned char c : row.codes)
            code.byCode[code.byCodeNum++] = c;
        code.byFlags = row.flags;
        code.byNoteNum = row.notes;
        code.byPercent[0] = row.percent;
        model.staff->SetFixedPoint();
        EXPECT_EQ((code.byFlags & kCodeFixed) != 0, row.fixed) << row.what;
        EXPECT_EQ(code.byChosen, row.fixed ? row.codes[0] : 0) << row.what;
    }

    // A fixed area keeps its choice.
    AutoModel model;
    CAutoMeas& meas = model.AddMeas();
    AutoModel::SetCodes(meas, kAreaWhole, {4, 2}, kCodeFixed | kCodeSingle, 2, 3, 100);
    model.staff->SetFixedPoint();
    EXPECT_EQ(meas.m_CandCode[kAreaWhole].byChosen, 2);
}

TEST_F(AutoCodeLinkTest, FunctionCodeGoesFirstWhileFixingKeepsTheList)
{
    AutoModel model;
    CAutoMeas& meas = model.AddMeas();
    AutoModel::SetCodes(meas, kAreaB, {3, 12, 5});
    meas.SetFunctionCode(1, kAreaB);
    EXPECT_EQ(AutoModel::Codes(meas.m_CandCode[kAreaB]), (Codes {1, 12, 5}));
    EXPECT_EQ(meas.m_CandCode[kAreaB].byChosen, 1);
    EXPECT_EQ(meas.m_CandCode[kAreaB].byFlags, kCodeFixed | kCodeByRule);
    // An area without codes gets one.
    meas.SetFunctionCode(5, kAreaA);
    EXPECT_EQ(AutoModel::Codes(meas.m_CandCode[kAreaA]), (Codes {5}));
    EXPECT_EQ(meas.SetFunctionCode(5, 3), 0);
}

TEST_F(AutoCodeLinkTest, TonicAtTheStartAfterAPickup)
{
    struct Row {
        const char* what;
        Codes codes;
        unsigned char notes, percent;
        Codes after;
        unsigned char flags;
    };
    const Row rows[] = {
        {"a full area keeps its first code", {3, 13}, 3, 100, {3, 13}, kCodeFixed},
        {"the tonic among the codes goes first", {6, 1}, 2, 100, {1, 1}, kCodeFixed | kCodeByRule},
        {"no tonic, two notes: nothing", {4, 2}, 2, 100, {4, 2}, 0},
    };
    for (const Row& row : rows) {
        AutoModel model;
        model.staff->m_byWeakMelody = 1;
        AddMeasures(model, {{{5}, 0}, {row.codes, 0}});
        CAutoMeas& start = *model.staff->GetMeas(1);
        start.m_Candidate[kAreaWhole] = AutoModel::List({1, 2});
        start.m_CandCode[kAreaWhole].byNoteNum = row.notes;
        start.m_CandCode[kAreaWhole].byPercent[0] = row.percent;
        model.staff->SetStartMeasCode();
        EXPECT_EQ(model.staff->GetMeas(0)->m_CandCode[kAreaWhole].byCodeNum, 0) << row.what;
        EXPECT_EQ(AutoModel::Codes(Whole(model, 1)), row.after) << row.what;
        EXPECT_EQ(Whole(model, 1).byFlags, row.flags) << row.what;
    }
}

TEST_F(AutoCodeLinkTest, MissingMeasuresAreLeftAlone)
{
    // No measure at all.
    {
        AutoModel model;
        EXPECT_EQ(model.staff->MakeSegment(), 1);
        EXPECT_EQ(model.staff->LinkCandCode(0), 1);
    }
    // A pickup measure alone: it loses its codes, nothing else happens.
    {
        AutoModel model;
        model.staff->m_byWeakMelody = 1;
        AddMeasures(model, {{{1}, 0}});
        model.staff->GetMeas(0)->m_CandCode[kAreaWhole].byNoteNum = 3;
        EXPECT_EQ(model.staff->LinkCandCode(0), 1);
        EXPECT_EQ(Whole(model, 0).byCodeNum, 0);
        EXPECT_EQ(Whole(model, 0).byFlags & kCodeFixed, 0);
    }
    // One measure that ends on the tonic has no measure before it.
    {
        AutoModel model;
        AddMeasures(model, {{{1, 6}, 0}});
        model.staff->GetMeas(0)->m_Candidate[kAreaWhole] = AutoModel::List({1});
        EXPECT_EQ(model.staff->LinkCandCode(0), 1);
        EXPECT_EQ(Whole(model, 0).byChosen, 1);
        EXPECT_EQ(Whole(model, 0).byFlags & (kCodeFixed | kCodeByRule), kCodeFixed | kCodeByRule);
    }
}

TEST_F(AutoCodeLinkTest, DominantBeforeTheEnd)
{
    struct Row {
        const char* what;
        bool split;
        Codes codes;
        unsigned char notes, percent;
        unsigned char chosen;
        Codes after;
    };
    const Row rows[] = {
        {"first code a dominant: kept in place", false, {12, 2}, 2, 50, 12, {12, 2}},
        {"full: its first code", false, {3, 13}, 3, 100, 3, {3, 13}},
        {"second half: first code a dominant", true, {5, 3}, 2, 50, 5, {5, 3}},
        {"second half: the last dominant wins", true, {3, 12, 5}, 2, 50, 5, {5, 12, 5}},
    };
    for (const Row& row : rows) {
        AutoModel model;
        AddMeasures(model, {{{1}, kCodeFixed}, {{}, 0}, {{1}, kCodeFixed}});
        CAutoMeas& before = *model.staff->GetMeas(1);
        before.m_bySplit = row.split;
        tagCandCode& code =
            AutoModel::SetCodes(before, row.split ? kAreaB : kAreaWhole, row.codes, 0, 0, row.notes, row.percent);
        model.staff->SetBeforeEndMeasCode();
        EXPECT_EQ(code.byChosen, row.chosen) << row.what;
        EXPECT_TRUE(code.byFlags & kCodeFixed) << row.what;
        EXPECT_EQ(AutoModel::Codes(code), row.after) << row.what;
    }

    // The end measure decided by the key: the measure before it, not the last.
    AutoModel model;
    AddMeasures(model, {{{5}, 0}, {{1}, kCodeFixed}, {{4}, 0}});
    model.staff->m_nKeyMeas = 1;
    model.staff->SetBeforeEndMeasCode();
    EXPECT_EQ(Whole(model, 0).byChosen, 5);
    EXPECT_EQ(Whole(model, 2).byFlags, 0);
}

TEST_F(AutoCodeLinkTest, DividingNeedsBothHalfCentres)
{
    // A measure whose second half never had a centre: its half lists would
    // start with no step, so it stays as it is.
    AutoModel model;
    CAutoMeas& meas = model.AddMeas();
    meas.m_byCenter[kAreaA] = 1;
    meas.m_Candidate[kAreaWhole] = AutoModel::List({1, 3, 5});
    AutoModel::SetCodes(meas, kAreaWhole, {1}, kCodeFixed | kCodeSingle, 1, 3, 100);
    meas.DevideCode();
    EXPECT_EQ(meas.m_bySplit, 0);
    EXPECT_EQ(AutoModel::Codes(meas.m_CandCode[kAreaWhole]), (Codes {1}));
    EXPECT_EQ(meas.m_CandCode[kAreaWhole].byFlags, kCodeFixed | kCodeSingle);
}

} // namespace
