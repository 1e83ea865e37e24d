#include "model/KVMeas.h"

int CKVMeas::MaxTopPoint(BYTE, short, short, short&, short&, short&, int&)
{
    KV_PENDING("CKVMeas::MaxTopPoint");
    return 0;
}
