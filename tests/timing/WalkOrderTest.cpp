// The time order of walk lists: the order it gives at one spot, and that it
// is a strict weak order over a mixed set, missing symbols included.

#include "support/TimingFixture.h"

#include "timing/MsgTimeOrder.h"
#include "timing/WalkSymbols.h"

#include <algorithm>

using kvtest::TimingTest;

namespace {

class WalkOrderTest : public TimingTest {
protected:
    static bool Less(DWORD a, DWORD b) { return CompareMsgTime(&a, &b) < 0; }

    static std::vector<DWORD> Sorted(const std::vector<DWORD>& ids)
    {
        CDWordArray list;
        for (DWORD id : ids)
            list.Add(id);
        SortByMsgTime(list);
        std::vector<DWORD> out;
        for (int i = 0; i < list.GetSize(); ++i)
            out.push_back(list.GetAt(i));
        return out;
    }
};

TEST_F(WalkOrderTest, MarksFirstThenLowerNotesAndMissingLast)
{
    CKVMeas* m = Meas();
    CKVMsg* low = score->Note(m, {.x = 64, .y = 0});
    CKVMsg* high = score->Note(m, {.x = 64, .y = -8});
    CKVMsg* rest = score->Rest(m, {.x = 64, .y = -16});
    CKVMsg* mark = score->Symbol(low, MSG_NOTEMARK, 64, -40);
    CKVMsg* slide = score->Symbol(m, MSG_SLIDE1, 64, -4);
    CKVMsg* gone = score->Note(m, {.x = 64, .y = 8});
    const DWORD stale = score->MakeStale(gone);
    pSortSystem = score->System();

    std::vector<DWORD> ids = {mark->m_dwMsgId, slide->m_dwMsgId, low->m_dwMsgId, high->m_dwMsgId,
                              rest->m_dwMsgId, stale};
    std::sort(ids.begin(), ids.end());
    int permutations = 0;
    do {
        const std::vector<DWORD> out = Sorted(ids);
        ASSERT_EQ(out.size(), 6u);
        const std::vector<DWORD> marks = {std::min(out[0], out[1]), std::max(out[0], out[1])};
        EXPECT_EQ(marks, (std::vector<DWORD> {std::min(mark->m_dwMsgId, slide->m_dwMsgId),
                                              std::max(mark->m_dwMsgId, slide->m_dwMsgId)}));
        EXPECT_EQ(out[2], low->m_dwMsgId);
        EXPECT_EQ(out[3], high->m_dwMsgId);
        EXPECT_EQ(out[4], rest->m_dwMsgId);
        EXPECT_EQ(out[5], stale);
        ++permutations;
    } while (std::next_permutation(ids.begin(), ids.end()));
    EXPECT_EQ(permutations, 720);
}

TEST_F(WalkOrderTest, PositionThenPerformedStart)
{
    CKVMeas* m = Meas();
    CKVMsg* later = score->Note(m, {.x = 100});
    CKVMsg* earlier = score->Note(m, {.x = 20});
    CKVMsg* played = score->Note(m, {.x = 20, .y = 40});
    played->m_nPerformStart = 30;
    CKVMsg* negative = score->Note(m, {.x = 20, .y = -40});
    negative->m_nPerformStart = -5;
    pSortSystem = score->System();
    EXPECT_EQ(Sorted({later->m_dwMsgId, played->m_dwMsgId, earlier->m_dwMsgId, negative->m_dwMsgId}),
              (std::vector<DWORD> {negative->m_dwMsgId, earlier->m_dwMsgId, played->m_dwMsgId, later->m_dwMsgId}));
}

// The ends of each field's range keep their order against each other.
TEST_F(WalkOrderTest, ExtremePositionsStartsAndHeights)
{
    CKVMeas* m = Meas();
    CKVMsg* left = score->Note(m, {.x = -32768, .y = 0});
    CKVMsg* right = score->Note(m, {.x = 32767, .y = 0});
    CKVMsg* early = score->Note(m, {.x = 0, .y = 0});
    early->m_nPerformStart = -32768;
    CKVMsg* late = score->Note(m, {.x = 0, .y = 8});
    late->m_nPerformStart = 32767;
    CKVMsg* high = score->Note(m, {.x = 1, .y = 32767});
    CKVMsg* low = score->Note(m, {.x = 1, .y = -32768});
    pSortSystem = score->System();
    EXPECT_EQ(Sorted({right->m_dwMsgId, low->m_dwMsgId, late->m_dwMsgId, high->m_dwMsgId, early->m_dwMsgId,
                      left->m_dwMsgId}),
              (std::vector<DWORD> {left->m_dwMsgId, early->m_dwMsgId, late->m_dwMsgId, high->m_dwMsgId, low->m_dwMsgId,
                                   right->m_dwMsgId}));
}

TEST_F(WalkOrderTest, IsAStrictWeakOrder)
{
    CKVMeas* m = Meas();
    std::vector<DWORD> ids;
    auto add = [&ids](CKVMsg* msg) { ids.push_back(msg->m_dwMsgId); };
    CKVMsg* a = score->Note(m, {.x = 64});
    add(a);
    add(score->Note(m, {.x = 64, .y = -8}));
    add(score->Note(m, {.x = 32, .y = -8}));
    add(score->Rest(m, {.x = 64, .y = -16}));
    add(score->Rest(m, {.x = 64, .y = 0}));
    add(score->Symbol(a, MSG_NOTEMARK, 64, -40));
    add(score->Symbol(m, MSG_SLIDE3, 64, 0));
    add(score->ClefChange(m, 64, 2));
    add(score->Symbol(m, MSG_TIMED_EVENT, 64, -8));
    CKVMsg* chord = score->Chord(m, {.x = 64}, {0, -16, -24});
    add(chord);
    for (short i = 0; i < chord->GetMsgNum(); ++i)
        add(chord->GetMsg(i));
    CKVMsg* group = score->Beam(m, {.x = 16});
    add(score->Note(group, {.x = 16, .code = DUR_EIGHTH}));
    add(score->Note(group, {.x = 40, .code = DUR_EIGHTH}));
    CKVMsg* played = score->Note(m, {.x = 64, .y = -32});
    played->m_nPerformStart = 10;
    add(played);
    ids.push_back(score->MakeStale(score->Note(m, {.x = 5})));
    ids.push_back(0);
    ids.push_back(99999);
    // A symbol held by a staff, and one without a parent.
    CKVMsg* onStaff = new CKVMsg(score->Staff(0));
    onStaff->m_byKind = MSG_STAFFNAME;
    ids.push_back(score->System()->AddMsgToMap(onStaff));
    CKVMsg* orphan = new CKVMsg;
    orphan->m_byKind = MSG_NOTE;
    ids.push_back(score->System()->AddMsgToMap(orphan));
    pSortSystem = score->System();

    int breaches = 0;
    for (DWORD x : ids) {
        if (Less(x, x))
            ++breaches;
        for (DWORD y : ids) {
            if (Less(x, y) && Less(y, x))
                ++breaches;
            for (DWORD z : ids) {
                if (Less(x, y) && Less(y, z) && !Less(x, z))
                    ++breaches;
                // Incomparability is transitive too.
                const bool xy = !Less(x, y) && !Less(y, x);
                const bool yz = !Less(y, z) && !Less(z, y);
                if (xy && yz && (Less(x, z) || Less(z, x)))
                    ++breaches;
            }
        }
    }
    EXPECT_EQ(breaches, 0);

    // Symbols outside a measure go last, with the missing ones.
    const std::vector<DWORD> out = Sorted(ids);
    EXPECT_EQ(out.back(), orphan->m_dwMsgId);
    EXPECT_EQ(out[out.size() - 2], onStaff->m_dwMsgId);

    score->System()->RemoveMsgFromMap(onStaff->m_dwMsgId);
    score->System()->RemoveMsgFromMap(orphan->m_dwMsgId);
}

// A walk sorts its list on the symbols it gathered while building it: the
// same order as the ids sorted through the map, ties included, for a short
// list and for one past the insertion sort's length. The symbols it hands
// out match the list, and none are handed out once the list has changed or
// for another measure.
TEST_F(WalkOrderTest, AWalkSortedOnItsSymbolsMatchesItsIdsSorted)
{
    for (int extra : {0, 40}) {
        SCOPED_TRACE(extra);
        CKVMeas* m = Meas(0, extra == 0 ? 0 : 1);
        CKVMsg* a = score->Note(m, {.x = 64});
        score->Note(m, {.x = 64, .y = -8});
        score->Rest(m, {.x = 32, .y = -16});
        score->Symbol(a, MSG_NOTEMARK, 64, -40);
        score->Symbol(m, MSG_SLIDE3, 64, 0);
        score->Chord(m, {.x = 96}, {0, -16, -24});
        CKVMsg* group = score->Beam(m, {.x = 16});
        score->Note(group, {.x = 16, .code = DUR_EIGHTH});
        score->Note(group, {.x = 40, .code = DUR_EIGHTH});
        // Equal keys, which keep their walk order.
        for (int i = 0; i < extra; ++i)
            score->Symbol(m, MSG_DYNAMIC, static_cast<short>(8 * (i % 3)), 0);

        m->ResetGetNextMsg(1, 0, 0, 0);
        CDWordArray gathered;
        gathered.Copy(m->m_arrWalk);
        CDWordArray expected;
        expected.Copy(gathered);
        pSortSystem = score->System();
        SortByMsgTime(expected);
        // Ties in the order they were gathered.
        auto gatheredAt = [&gathered](DWORD id) {
            for (int i = 0; i < gathered.GetSize(); ++i) {
                if (gathered.GetAt(i) == id)
                    return i;
            }
            return -1;
        };
        int ties = 0;
        for (int i = 1; i < expected.GetSize(); ++i) {
            const DWORD before = expected.GetAt(i - 1);
            const DWORD after = expected.GetAt(i);
            if (CompareMsgTime(&before, &after) == 0) {
                EXPECT_LT(gatheredAt(before), gatheredAt(after)) << i;
                ++ties;
            }
        }
        EXPECT_GE(ties, extra / 2);

        const int count = m->ResetGetNextMsg(1, 1, 0, 0);
        ASSERT_EQ(count, expected.GetSize());
        ASSERT_GT(count, extra);
        CKVMsg* const* symbols = kvwalk::SymbolsOf(*m);
        ASSERT_NE(symbols, nullptr);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(m->m_arrWalk.GetAt(i), expected.GetAt(i)) << i;
            EXPECT_EQ(symbols[i], score->System()->GetMsgFromMap(m->m_arrWalk.GetAt(i))) << i;
        }
        CKVMeas* other = Meas(0, extra == 0 ? 1 : 0);
        ASSERT_NE(other, nullptr);
        EXPECT_EQ(kvwalk::SymbolsOf(*other), nullptr);
        m->m_arrWalk.SetAt(0, m->m_arrWalk.GetAt(1));
        EXPECT_EQ(kvwalk::SymbolsOf(*m), nullptr);
    }
}

} // namespace
