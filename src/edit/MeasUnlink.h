#pragma once
// Taking the ties and slurs of a measure about to be removed off the notes
// of other measures. Not part of the library's interface.

#include "model/KVMeas.h"
#include "model/KVSystem.h"

// Clears the tie flags on both ends of every tie and slur that a note or
// rest of `meas` holds, and drops the partners' references to them, so that
// no note that stays points into the removed measure.
void UnlinkMeasureTies(CKVSystem& system, CKVMeas& meas);
