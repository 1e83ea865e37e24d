#include "document/KVDoc.h"

void CKVDoc::StaffHide(int, int, unsigned char*)
{
    KV_PENDING("CKVDoc::StaffHide(int, int, unsigned char*)");
}
