// Staff commands of the document: the selection state of a staff, and
// inserting staves.

#include "document/KVDoc.h"

int CKVDoc::GetStaffSelStatus(int, int)
{
    KV_PENDING("CKVDoc::GetStaffSelStatus");
    return 0;
}

int CKVDoc::InsertStaves(int, int, int, DWORD, int, int, int)
{
    KV_PENDING("CKVDoc::InsertStaves");
    return 0;
}
