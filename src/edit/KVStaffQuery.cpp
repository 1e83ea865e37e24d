// A measure's index on its staff.

#include "model/KVStaff.h"

#include "model/MeasPlace.h"

short CKVStaff::GetMeasIndex(CKVMeas* meas)
{
    return static_cast<short>(measplace::IndexOnStaff(this, meas));
}
