// The staff-name points of a block and their control handles.

#include "model/KVBlock.h"

#include "document/KVDoc.h"
#include "model/KVCtrlPoint.h"
#include "model/KVPage.h"

#include <new>

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
    for (int i = 0; i < m_arrStaffNameCtrl.GetSize(); ++i)
        delete m_arrStaffNameCtrl.GetAt(i);
    m_arrStaffNameCtrl.RemoveAll();
    for (int i = 0; i < m_arrStaffNamePoint.GetSize(); ++i) {
        CKVCtrlPoint* handle = nullptr;
        // A handle that cannot be made leaves that staff without one.
        if (m_arrStaffNamePoint.GetAt(i))
            handle = new (std::nothrow) CKVCtrlPoint(CRect(-3, -3, 3, 3));
        m_arrStaffNameCtrl.Add(handle);
    }
}

short CKVDoc::GetFirstPageIndex(int mode)
{
    if (mode != 1)
        return 0;
    const short pages = GetPageNum();
    for (short i = 0; i < pages; ++i) {
        CKVPage* page = GetPage(i);
        if (page && page->GetBlockNum() > 0)
            return i;
    }
    return 0;
}
