// Staff commands of the document: the selection state of a staff, and
// inserting staves.

#include "document/KVDoc.h"

#include "model/KVSystem.h"

#include <climits>

int CKVDoc::GetStaffSelStatus(int index, int)
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    if (!master || index < 0 || index >= master->GetStaffNum())
        return 0;
    return IsStaffSelected(static_cast<short>(index));
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
