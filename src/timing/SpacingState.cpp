// The process-wide work state of the note spacing and its reset.

#include "timing/SpacingState.h"

#include "ProcessState.h"

namespace spacing {

std::vector<SpacingSlot> spacingSlotList;
std::vector<VoiceSlot> spacingVoiceSlots[kVoiceLists];
std::vector<WORD> spacingBeatWeights;
std::vector<WORD> spacingBeatWidths;
DWORD spacingTotalTicks = 0;
std::unordered_map<void*, void*> spacingPtrMap;

void ResetSpacingState()
{
    // The lists keep their capacity: a column after another reuses it.
    spacingSlotList.clear();
    for (auto& list : spacingVoiceSlots)
        list.clear();
    spacingBeatWeights.clear();
    spacingBeatWidths.clear();
    spacingTotalTicks = 0;
    spacingPtrMap.clear();
}

int BeatOfTick(long ticks, long beatLength, int beats, long measLength)
{
    if (ticks >= measLength)
        return beats;
    if (ticks < 0 || beatLength < 1)
        return 0;
    const long beat = ticks / beatLength;
    return beat >= beats ? beats - 1 : static_cast<int>(beat);
}

namespace {
KvProcessReset s_reset("spacing work state", &ResetSpacingState);
}

} // namespace spacing
