#include "model/KVStaff.h"

short CKVStaff::GetIndexInSystem()
{
    KV_PENDING("CKVStaff::GetIndexInSystem");
    return -1;
}
