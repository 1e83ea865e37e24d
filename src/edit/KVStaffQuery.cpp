// A measure's index on its staff, and a symbol's index in its measure.

#include "model/KVStaff.h"

#include "model/KVMeas.h"
#include "model/MeasPlace.h"

short CKVStaff::GetMeasIndex(CKVMeas* meas)
{
    return static_cast<short>(measplace::IndexOnStaff(this, meas));
}

short CKVMeas::GetMsgIndex(CKVMsg* msg)
{
    for (short i = 0; i < GetMsgNum(); ++i) {
        if (GetMsg(i) == msg)
            return i;
    }
    return -1;
}
