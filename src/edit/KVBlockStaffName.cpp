#include "model/KVBlock.h"

#include "document/KVCtrlPoint.h"

void CKVBlock::SetStaffNamePoint()
{
    KV_PENDING("CKVBlock::SetStaffNamePoint");
}

void CKVBlock::RemoveStaffNamePoint()
{
    for (int i = 0; i < m_arrStaffNamePoint.GetSize(); ++i)
        delete m_arrStaffNamePoint.GetAt(i);
    m_arrStaffNamePoint.RemoveAll();
    for (int i = 0; i < m_arrStaffNameCtrl.GetSize(); ++i)
        delete m_arrStaffNameCtrl.GetAt(i);
    m_arrStaffNameCtrl.RemoveAll();
}

void CKVBlock::MakeStaffNameRect()
{
    KV_PENDING("CKVBlock::MakeStaffNameRect");
}
