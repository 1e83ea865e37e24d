// Pasting a clipboard staff into a staff.

#include "model/KVStaff.h"

short CKVStaff::Paste(CKVStaff*, BYTE, short, LONG, int, int, int)
{
    KV_PENDING("CKVStaff::Paste");
    return -1;
}
