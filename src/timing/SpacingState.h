#pragma once
// The work state of the note spacing: the time slots of the measure column
// being spaced, the slots of each voice of the measure being added to it,
// and the beat weights and widths. One column at a time, process-wide; a
// width computation empties it first and the placing members read it right
// after.

#include "Platform.h"

#include <unordered_map>
#include <vector>

// One time slot of a measure column.
struct SpacingSlot {
    DWORD start = 0;   // ticks from the measure start
    DWORD length = 0;  // play time of the symbol that made it; the time to the
                       // next slot in mathematical spacing
    WORD left = 0;     // room needed left of the onset
    WORD right = 0;    // room needed right of it
    WORD x = kUnplaced;

    static constexpr WORD kUnplaced = 65535;
};

// A slot of one voice of a measure, with whether its symbol is in a tuplet.
struct VoiceSlot {
    SpacingSlot slot;
    bool tuplet = false;
};

namespace spacing {

inline constexpr int kVoiceLists = 8;

// The slots of the column, in time order.
extern std::vector<SpacingSlot> spacingSlotList;
// The slots of each voice of the measure being added.
extern std::vector<VoiceSlot> spacingVoiceSlots[kVoiceLists];
// Weight per beat of the column; 0 counts as 1.
extern std::vector<WORD> spacingBeatWeights;
// Width per beat.
extern std::vector<WORD> spacingBeatWidths;
// The longest content of the column in ticks, at least the measure length.
extern DWORD spacingTotalTicks;
// Emptied with the others; kept for the callers that hang data on symbols.
extern std::unordered_map<void*, void*> spacingPtrMap;

// Empties the whole work state.
void ResetSpacingState();

// The beat a tick falls in: beats [i b, i b + b) for i below the beat
// count, then one extra beat from the measure length on. A tick past the
// last full beat but short of the measure length stays in the last beat.
int BeatOfTick(long ticks, long beatLength, int beats, long measLength);

} // namespace spacing

class CKVMsg;

namespace spacing {

// Orders the members of a beam group by position word and gives the group
// its first and last member's words; other kinds are left alone.
void OrderGroupByPosition(CKVMsg& group);

} // namespace spacing
