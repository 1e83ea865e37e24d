// The memory a block takes: its fixed part, its staff entries, handles,
// staff-name points and measure and staff positions.

#include "model/KVBlock.h"

#include "model/KVBackupPtrArray.h"

int CKVBlock::GetBlockMemSize()
{
    int size = 232;
    size += 12 * m_arrStaffEntry.GetSize();
    size += 28 * (m_arrStaffCtrl.GetSize() + m_arrMeasCtrl.GetSize() + m_arrStaffNameCtrl.GetSize());
    size += 12 * m_arrStaffNamePoint.GetSize();
    size += 2 * (m_arrMeasX.GetSize() + m_arrStaffY.GetSize());
    if (m_pStaffArray)
        size += 4 * m_pStaffArray->GetSize();
    return size;
}
