// The measure widths a system needs, in natural and in mathematical spacing.

#include "model/KVSystem.h"

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/MeasPlace.h"
#include "timing/SpacingState.h"

#include <algorithm>
#include <vector>

namespace {

// Drawing units between onsets that lie a duration kind apart.
constexpr int kNaturalGap[9] = {90, 90, 64, 32, 16, 8, 4, 4, 4};

constexpr int kMaxWidth = 32767;
// Rounds of the mathematical width; each widens by the overlaps it found.
constexpr int kMaxWidthRounds = 64;

// What the collection of a column found.
struct Column {
    CKVMeas* last = nullptr;   // the measure last taken: length, beats, width
    long longest = 0;          // the longest voice of the measures taken
    long pickup = 0;           // the smallest pickup time among them
};

void Take(CKVMeas& meas, bool arrangeGrace, CKVMeas* current, Column& column)
{
    if (arrangeGrace && &meas != current)
        meas.ArrangeGraceNote(nullptr);
    if (meas.GetMsgNum() > 0)
        meas.GetNotePosByStartTime();
    const long pickup = meas.GetPeakupMeasTime(1);
    column.pickup = column.last ? std::min(column.pickup, pickup) : pickup;
    column.longest = std::max<long>(column.longest, meas.GetCurWholeCount());
    column.last = &meas;
}

// Empties the work state and adds the slots of measure m of every staff, or
// of the staff of the document's current measure only.
Column Collect(CKVSystem& system, int m, int allStaves, bool arrangeGrace)
{
    spacing::ResetSpacingState();
    Column column;
    CKVDoc* doc = system.m_pDoc;
    CKVMeas* current = doc ? doc->m_pCurMeas : nullptr;
    if (allStaves) {
        for (short s = 0; s < system.GetStaffNum(); ++s) {
            if (CKVMeas* meas = system.GetMeas(s, static_cast<short>(m)))
                Take(*meas, arrangeGrace, current, column);
        }
    } else if (current) {
        if (CKVMeas* meas = measplace::MeasAt(measplace::StaffOf(*current), m))
            Take(*meas, arrangeGrace, current, column);
    }
    return column;
}

// The measure whose real width the column takes: the given one, or the
// first staff's measure m with a real width.
CKVMeas* WidthSource(CKVSystem& system, int m, CKVMeas& taken)
{
    if (taken.GetRealWidth() > 0)
        return &taken;
    for (short s = 0; s < system.GetStaffNum(); ++s) {
        CKVMeas* meas = system.GetMeas(s, static_cast<short>(m));
        if (meas && meas->GetRealWidth() > 0)
            return meas;
    }
    return nullptr;
}

// Pushes every slot right of an overlap right by it.
void PushOverlaps(const std::vector<SpacingSlot>& slots, std::vector<int>& xs)
{
    int shift = 0;
    for (size_t k = 1; k < slots.size(); ++k) {
        xs[k] += shift;
        const int overlap = (xs[k - 1] + slots[k - 1].right) - (xs[k] - slots[k].left);
        if (overlap > 0) {
            xs[k] += overlap;
            shift += overlap;
        }
    }
}

} // namespace

int CKVSystem::GetNoteKind(int ticks)
{
    const unsigned t = static_cast<unsigned>(ticks);
    const unsigned q = m_dwTicksPerQuarter;
    if (t >= 8 * q)
        return 0;
    if (t >= 4 * q)
        return 1;
    if (t >= 2 * q)
        return 2;
    for (int kind = 3; kind <= 8; ++kind) {
        if (t >= (q >> (kind - 3)))
            return kind;
    }
    return 0;
}

short CKVSystem::GetGoodMeasWidthInNatural(int meas, int allStaves)
{
    if (meas < 0 || meas >= GetMeasNum())
        return 0;
    const Column column = Collect(*this, meas, allStaves, true);
    if (!column.last)
        return 0;
    CKVMeas& taken = *column.last;
    const int space = measplace::LineSpacingOf(*this);
    const long length = taken.m_nLength;
    const int beats = std::max<int>(taken.m_nTimeNum, 1);
    std::vector<SpacingSlot>& slots = spacing::spacingSlotList;
    if (slots.empty())
        return static_cast<short>(beats * (3 * space + 16));
    CKVMeas* source = WidthSource(*this, meas, taken);
    if (!source)
        return -1;

    // Beat widths from the weights.
    const long total = std::max<long>(static_cast<long>(spacing::spacingTotalTicks), 1);
    const int count = beats + (total > length ? 1 : 0);
    std::vector<WORD>& weights = spacing::spacingBeatWeights;
    weights.resize(count, 0);
    const int width = source->GetRealWidth();
    int sum = 0;
    for (WORD w : weights)
        sum += std::max<int>(w, 1);
    std::vector<int> beatX(count + 1, 0);
    spacing::spacingBeatWidths.assign(count, 0);
    int given = 0;
    int least = 0;
    for (int i = 0; i < count; ++i) {
        const int w = std::max<int>(weights[i], 1);
        int share = (width / sum) * w;
        given += share;
        if (i == count - 1)
            share += width - given;
        spacing::spacingBeatWidths[i] = static_cast<WORD>(share);
        beatX[i + 1] = beatX[i] + share;
        least += w * 3 * space;
    }

    // First pass: places by time within the beats, kept clear of the
    // previous slot.
    const long beat = std::max<long>(length / beats, 1);
    const int offset = slots.front().left;
    std::vector<int> xs(slots.size(), 0);
    for (size_t k = 1; k < slots.size(); ++k) {
        const long start = slots[k].start;
        int x;
        if (start >= length && count > beats)
            x = beatX[beats] + MulDiv(static_cast<int>(start - length), beatX[beats + 1] - beatX[beats],
                                      static_cast<int>(total - length));
        else if (start >= length)
            x = beatX[beats];
        else {
            const int i = spacing::BeatOfTick(start, beat, beats, length);
            x = beatX[i] + MulDiv(static_cast<int>(start - i * beat), beatX[i + 1] - beatX[i], static_cast<int>(beat));
        }
        const int edge = xs[k - 1] + slots[k - 1].right;
        x = std::max(x, edge);
        if (x - slots[k].left < edge)
            x = edge + slots[k].left;
        xs[k] = x;
    }
    for (size_t k = 1; k < slots.size(); ++k)
        xs[k] += offset;
    xs[0] = offset;
    PushOverlaps(slots, xs);

    // The extent that time asks for after the last slot.
    const SpacingSlot& last = slots.back();
    const long tail = total - static_cast<long>(last.start);
    const int proportional = MulDiv(static_cast<int>(tail), width, static_cast<int>(total));
    int extent = xs.back() + proportional;
    int result = least;
    if (result < extent)
        result = proportional < last.right ? xs.back() + last.right : extent;

    // Third pass: the natural gaps between onsets, in 16-bit arithmetic as
    // the width has always been summed.
    short gaps = 0;
    for (size_t k = 1; k < slots.size(); ++k) {
        const int gap = (xs[k] - slots[k].left) - (xs[k - 1] + slots[k - 1].right) - space;
        const int kind = GetNoteKind(static_cast<int>(slots[k].start - slots[k - 1].start));
        gaps = static_cast<short>(gaps + kNaturalGap[kind] - gap);
    }
    PushOverlaps(slots, xs);
    gaps = static_cast<short>(gaps + kNaturalGap[GetNoteKind(static_cast<int>(length - static_cast<long>(last.start)))]
                              + xs.back() + last.right);
    if (width != 0)
        result = source->m_nHeaderWidth + gaps;

    // Pickup, then the places on the 0-256 scale.
    const long pickup = std::min(column.pickup, total);
    if (tail - pickup <= static_cast<long>(m_dwTicksPerQuarter / 2))
        extent += space;
    const int lead = MulDiv(static_cast<int>(pickup), width, static_cast<int>(total));
    for (size_t k = 0; k < slots.size(); ++k) {
        int x = xs[k] + lead;
        if (extent > 0)
            x = MulDiv(x, CKVMeas::SCALE, extent);
        slots[k].x = static_cast<WORD>(x);
    }
    return static_cast<short>(result);
}

short CKVSystem::GetGoodMeasWidthInMath(int meas, int allStaves)
{
    if (meas < 0 || meas >= GetMeasNum())
        return 0;
    const Column column = Collect(*this, meas, allStaves, false);
    std::vector<SpacingSlot>& slots = spacing::spacingSlotList;
    if (!column.last || slots.empty()) {
        slots.clear();
        return 0;
    }
    const int space = measplace::LineSpacingOf(*this);
    long total = column.longest;
    long shortest = kMaxWidth;
    for (size_t k = 0; k < slots.size(); ++k) {
        const long next = k + 1 < slots.size() ? static_cast<long>(slots[k + 1].start) : total;
        const long gap = next - static_cast<long>(slots[k].start);
        slots[k].length = static_cast<DWORD>(std::max<long>(gap, 0));
        shortest = std::min(shortest, gap);
    }
    // Two onsets at one time would make the shortest gap 0.
    shortest = std::max<long>(shortest, 1);
    total = std::max<long>({total, static_cast<long>(column.last->m_nLength), 1});

    // The shortest gap gets three line spacings; widen until no slot
    // overlaps its neighbour or the end.
    int width = std::min<int>(MulDiv(3 * space, static_cast<int>(total), static_cast<int>(shortest)), kMaxWidth);
    for (int round = 0; round < kMaxWidthRounds; ++round) {
        for (size_t k = 0; k < slots.size(); ++k) {
            slots[k].x = k == 0 ? slots[k].left
                                : static_cast<WORD>(MulDiv(static_cast<int>(slots[k].start), width, static_cast<int>(total)));
        }
        int excess = 0;
        for (size_t k = 1; k < slots.size(); ++k) {
            const int edge = slots[k - 1].x + slots[k - 1].right;
            int e = std::max({0, edge - slots[k].x, edge - (slots[k].x - slots[k].left), edge - width});
            if (k + 1 == slots.size())
                e = std::max(e, slots[k].x + slots[k].right - width);
            excess += e;
        }
        if (excess == 0 || width >= kMaxWidth)
            break;
        width = std::min(width + excess, kMaxWidth);
    }
    slots.clear();
    return static_cast<short>(width);
}
