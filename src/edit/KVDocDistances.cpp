// The distances between staves and between blocks, changed for the whole
// document.

#include "document/KVDoc.h"

void CKVDoc::UpdateStaffSpace(short)
{
    KV_PENDING("CKVDoc::UpdateStaffSpace");
}

void CKVDoc::UpdateBlockSpace(short)
{
    KV_PENDING("CKVDoc::UpdateBlockSpace");
}
