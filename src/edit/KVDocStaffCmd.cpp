// Staff commands of the document: the selection state of a staff, and
// inserting staves.

#include "document/KVDoc.h"

#include "model/KVSystem.h"

#include <climits>

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

CKVStaff* CKVDoc::GetStaff(int i, int system)
{
    if (system < 0 || system >= m_arrSystem.GetSize() || i < 0 || i > SHRT_MAX)
        return nullptr;
    CKVSystem* owner = m_arrSystem.GetAt(system);
    return owner ? owner->GetStaff(static_cast<short>(i)) : nullptr;
}
