// A measure found by its measure, staff and system index.

#include "document/KVDoc.h"

#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <climits>

CKVMeas* CKVDoc::GetMeasure(int meas, int staff, int system)
{
    if (meas < 0 || staff > SHRT_MAX)
        return nullptr;
    CKVStaff* owner = GetStaff(staff, system);
    return owner && meas < owner->GetMeasNum() ? owner->GetMeas(meas) : nullptr;
}
