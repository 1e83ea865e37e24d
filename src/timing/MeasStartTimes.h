#pragma once
// The start times of a measure's symbols, apart from the tremolo check that
// CKVMeas::UpdateStartTime makes after them. A caller that knows the measure
// holds neither a tremolo nor a tremolo note (a read that has just looked)
// leaves the check out; timing changes neither.

#include "Platform.h"

class CKVMeas;

// Arguments as those of CKVMeas::UpdateStartTime. With strictOrder, also
// tells whether the walk list, timed, is in strictly rising time order by
// the sort keys as they then stand (see MsgTimeOrder.h).
void PlaceStartTimes(CKVMeas& meas, BYTE voice, int passOn, bool* strictOrder = nullptr);
