// Note positions in a measure from their start times, grace notes included.

#include "model/KVMeas.h"

#include "model/KVMsg.h"
#include "model/MeasPlace.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"
#include "timing/SpacingState.h"

#include <algorithm>
#include <vector>

namespace {

using spacing::BeatOfTick;

// How the beats of a measure divide its ticks.
struct BeatGrid {
    long beat = 1;      // beat length, at least 1
    int beats = 1;      // beats of the time signature, at least 1
    long length = 0;    // measure length
    int count = 1;      // beats with the extra one for content past the length

    int Of(long ticks) const { return BeatOfTick(ticks, beat, beats, length); }
    // The beat a symbol ending at `end` ends inside, -1 when none.
    int EndOf(long end, long total) const { return end <= 0 || end > total ? -1 : Of(end - 1); }
};

BeatGrid GridOf(CKVMeas& meas)
{
    BeatGrid grid;
    grid.beats = std::max<int>(meas.m_nTimeNum, 1);
    grid.length = meas.m_nLength;
    grid.beat = std::max<long>(grid.length / grid.beats, 1);
    grid.count = grid.beats + (static_cast<long>(spacing::spacingTotalTicks) > grid.length ? 1 : 0);
    return grid;
}

void Widen(SpacingSlot& slot, const SpacingSlot& other)
{
    slot.left = std::max(slot.left, other.left);
    slot.right = std::max(slot.right, other.right);
}

// Copies the slots that `from` holds in `beat` to `out`; slots of `other`
// up to each copied start widen the copy when they start with it, or after
// the last copied slot with room on their left.
void TakeBeat(const std::vector<SpacingSlot>& from, size_t& at, const std::vector<SpacingSlot>& other,
              size_t& otherAt, int beat, const BeatGrid& grid, std::vector<SpacingSlot>& out)
{
    while (at < from.size() && grid.Of(from[at].start) < beat)
        ++at;
    for (; at < from.size() && grid.Of(from[at].start) == beat; ++at) {
        SpacingSlot copy = from[at];
        const long last = out.empty() ? -1 : static_cast<long>(out.back().start);
        for (; otherAt < other.size() && other[otherAt].start <= copy.start; ++otherAt) {
            const SpacingSlot& o = other[otherAt];
            if (o.start == copy.start || (static_cast<long>(o.start) > last && o.left > 0))
                Widen(copy, o);
        }
        out.push_back(copy);
    }
}

// Beat counts of each voice: starts, carries into the beat where a symbol
// ends, and the tuplet rule.
std::vector<std::vector<int>> CountBeats(const BeatGrid& grid)
{
    const long total = static_cast<long>(spacing::spacingTotalTicks);
    std::vector<std::vector<int>> counts(spacing::kVoiceLists, std::vector<int>(grid.count, 0));
    for (int v = 0; v < spacing::kVoiceLists; ++v) {
        std::vector<int>& count = counts[v];
        for (const VoiceSlot& s : spacing::spacingVoiceSlots[v]) {
            const int first = grid.Of(s.slot.start);
            const int end = grid.EndOf(static_cast<long>(s.slot.start + s.slot.length), total);
            if (first < grid.count)
                ++count[first];
            if (end > first && end < grid.count)
                ++count[end];
        }
        // A tuplet spreads the count of the first beat it touches.
        for (const VoiceSlot& s : spacing::spacingVoiceSlots[v]) {
            const int first = grid.Of(s.slot.start);
            const int end = grid.EndOf(static_cast<long>(s.slot.start + s.slot.length), total);
            if (s.tuplet && end > first && end < grid.count && first < grid.count)
                count[end] = count[first];
        }
    }
    return counts;
}

// The measure's own slots: per beat those of the voice with the largest
// count, widened by the other voices.
void MergeVoices(const BeatGrid& grid, std::vector<SpacingSlot>& merged, std::vector<WORD>& weights)
{
    const std::vector<std::vector<int>> counts = CountBeats(grid);
    std::vector<SpacingSlot> lists[spacing::kVoiceLists];
    for (int v = 0; v < spacing::kVoiceLists; ++v) {
        for (const VoiceSlot& s : spacing::spacingVoiceSlots[v])
            lists[v].push_back(s.slot);
    }
    size_t at[spacing::kVoiceLists] = {};
    weights.assign(grid.count, 0);
    for (int beat = 0; beat < grid.count; ++beat) {
        int lead = 0;
        for (int v = 1; v < spacing::kVoiceLists; ++v) {
            if (counts[v][beat] > counts[lead][beat])
                lead = v;
        }
        const int weight = counts[lead][beat];
        weights[beat] = static_cast<WORD>(std::min(weight, 0xFFFF));
        if (weight <= 0)
            continue;
        std::vector<SpacingSlot>& from = lists[lead];
        while (at[lead] < from.size() && grid.Of(from[at[lead]].start) < beat)
            ++at[lead];
        for (; at[lead] < from.size() && grid.Of(from[at[lead]].start) == beat; ++at[lead]) {
            SpacingSlot copy = from[at[lead]];
            const long last = merged.empty() ? -1 : static_cast<long>(merged.back().start);
            for (int v = 0; v < spacing::kVoiceLists; ++v) {
                if (v == lead)
                    continue;
                for (; at[v] < lists[v].size() && lists[v][at[v]].start <= copy.start; ++at[v]) {
                    const SpacingSlot& o = lists[v][at[v]];
                    if (o.start == copy.start || (static_cast<long>(o.start) > last && o.left > 0))
                        Widen(copy, o);
                }
            }
            merged.push_back(copy);
        }
    }
}

// Joins the measure's slots to the column's beat by beat: the busier side
// supplies a beat's slots (the column's on equal weights), the other widens
// them.
void MergeIntoColumn(const BeatGrid& grid, const std::vector<SpacingSlot>& mine, const std::vector<WORD>& myWeights)
{
    std::vector<SpacingSlot>& column = spacing::spacingSlotList;
    std::vector<WORD>& weights = spacing::spacingBeatWeights;
    if (mine.empty())
        return;
    if (column.empty()) {
        column = mine;
        weights = myWeights;
        return;
    }
    const size_t beats = std::max(weights.size(), myWeights.size());
    std::vector<SpacingSlot> joined;
    joined.reserve(column.size() + mine.size());
    std::vector<WORD> joinedWeights(beats, 0);
    size_t atColumn = 0;
    size_t atMine = 0;
    for (size_t beat = 0; beat < beats; ++beat) {
        const WORD wc = beat < weights.size() ? weights[beat] : 0;
        const WORD wm = beat < myWeights.size() ? myWeights[beat] : 0;
        joinedWeights[beat] = std::max(wc, wm);
        if (wm > wc)
            TakeBeat(mine, atMine, column, atColumn, static_cast<int>(beat), grid, joined);
        else
            TakeBeat(column, atColumn, mine, atMine, static_cast<int>(beat), grid, joined);
    }
    column.swap(joined);
    weights.swap(joinedWeights);
}

} // namespace

void CKVMeas::GetNotePosByStartTime()
{
    for (auto& list : spacing::spacingVoiceSlots)
        list.clear();
    ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    const std::vector<DWORD> walk = measplace::WalkIds(*this);
    for (DWORD id : walk) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (!msg || !tickmath::IsNoteRestChord(*msg) || tickmath::IsGrace(*msg))
            continue;
        VoiceSlot s;
        s.slot.start = static_cast<DWORD>(std::max<int>(msg->GetStartTime(), 0));
        s.slot.length = static_cast<DWORD>(std::max<int>(msg->GetPlayTime(), 0));
        msg->GetNoteLeftWidth(s.slot.left, s.slot.right);
        s.tuplet = (msg->m_wObjWord >> 8) >= 1 && (msg->m_wObjWord & 0xFF) != 0;
        const int voice = msg->m_byVoice >= 1 && msg->m_byVoice <= VOICES ? msg->m_byVoice - 1 : 0;
        spacing::spacingVoiceSlots[voice].push_back(s);
    }
    // Time order within a voice, whatever order the positions gave.
    for (auto& list : spacing::spacingVoiceSlots) {
        std::stable_sort(list.begin(), list.end(),
                         [](const VoiceSlot& a, const VoiceSlot& b) { return a.slot.start < b.slot.start; });
    }

    const DWORD content = static_cast<DWORD>(std::max<int>({static_cast<int>(GetCurWholeCount()), m_nLength, 0}));
    if (spacing::spacingSlotList.empty())
        spacing::spacingTotalTicks = content;
    else
        spacing::spacingTotalTicks = std::max(spacing::spacingTotalTicks, content);

    const BeatGrid grid = GridOf(*this);
    std::vector<SpacingSlot> mine;
    std::vector<WORD> myWeights;
    MergeVoices(grid, mine, myWeights);
    MergeIntoColumn(grid, mine, myWeights);
    for (auto& list : spacing::spacingVoiceSlots)
        list.clear();
}

void CKVMeas::SetNotePosByStartTime()
{
    if (spacing::spacingSlotList.empty())
        return;
    const int space = measplace::LineSpacingOf(*this);
    ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    const std::vector<DWORD> walk = measplace::WalkIds(*this);
    short previousEnd = 0;
    for (DWORD id : walk) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (!msg || !tickmath::IsNoteRestChord(*msg) || tickmath::IsGrace(*msg))
            continue;
        msg->SetNotePosByStartTime();
        SetGraceNotePosByStartTime(msg, previousEnd);
        previousEnd = static_cast<short>(msg->m_nPosX + 4 * space);
    }
    // The walk lists the members of beam groups, not the groups: their ends
    // follow the members' new places.
    for (DWORD id : tickmath::ChildIds(*this)) {
        if (CKVMsg* group = tickmath::Resolve(*this, id))
            spacing::OrderGroupByPosition(*group);
    }
}

void CKVMeas::SetGraceNotePosByStartTime(CKVMsg* main, short previousEnd)
{
    if (!main)
        return;
    std::vector<CKVMsg*> items;
    for (int i = 0; i < main->m_arrAttachedId.GetSize(); ++i) {
        CKVMsg* item = tickmath::Resolve(*this, main->m_arrAttachedId.GetAt(i));
        if (!item)
            continue;
        CKVObject* parent = item->m_pParent;
        if (parent && parent->m_byObjKind == OBJ_MSG && static_cast<CKVMsg*>(parent)->m_byKind == MSG_CHORD)
            item = static_cast<CKVMsg*>(parent);
        if (std::find(items.begin(), items.end(), item) == items.end())
            items.push_back(item);
    }
    if (items.empty())
        return;
    const int space = measplace::LineSpacingOf(*this);
    const int k = static_cast<int>(items.size());
    const int at = main->m_nPosX;
    int s = previousEnd == at ? previousEnd - 4 * space : previousEnd;
    if (at - s < space * k)
        s = at - space * k;
    const bool spread = !(at - s >= 4 * space * k);
    if (s == 0)
        s = -space;
    for (int i = 0; i < k; ++i) {
        const int x = spread ? s + ((at - s - space) / k) * i : at - 4 * space * (k - i);
        if (items[i]->m_byKind == MSG_CLEF)
            items[i]->m_nPosX = static_cast<short>(std::max(1, (s - 4 * space + at) / 2));
        else
            items[i]->SetNotePos(static_cast<short>(x));
    }
}
