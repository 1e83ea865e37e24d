// The memory a staff takes: its fixed part and its measures.

#include "model/KVStaff.h"

#include "model/KVMeas.h"

int CKVStaff::GetStaffMemSize()
{
    int size = 192;
    for (int i = 0; i < m_arrMeas.GetSize(); ++i)
        size += m_arrMeas.GetAt(i)->GetMeasMemSize() + 4;
    return size;
}
