// Pasting a clipboard system into a block's staves and measures.

#include "model/KVBlock.h"

#include "MemoryGuard.h"
#include "edit/PasteState.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

short CKVBlock::Paste(CKVSystem* source, unsigned char voice, short x, short firstStaff, short meas, int overwrite,
                      int autoBeam, int backup)
{
    if (!source || !TakesPasteAt(firstStaff, meas))
        return -1;
    // Asked once for the whole block: short memory fails the paste before
    // any staff changes, rather than asking again for each staff and
    // reporting success with nothing pasted.
    if (!CheckAvailableMemory(kPasteFreeBytes))
        return -1;
    // Source staff k goes to block staff firstStaff + k while both exist.
    for (short k = 0; k < source->GetStaffNum() && firstStaff + k < GetStaffNum(); ++k) {
        CKVStaff* target = GetStaff(static_cast<short>(firstStaff + k));
        if (target)
            target->Paste(source->GetStaff(k), voice, x, meas, overwrite, autoBeam, backup);
    }
    return 1;
}

bool CKVBlock::TakesPasteAt(short firstStaff, short meas)
{
    // The staves of a block share its measures, so the first target speaks
    // for all: a measure past its end would leave every staff unchanged.
    CKVStaff* first = GetStaff(firstStaff);
    return first && meas >= 0 && meas < first->GetMeasNum();
}
