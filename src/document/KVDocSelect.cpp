// The selection rectangles of the document: adding and clearing them, what
// they select, and deleting what lies in them.

#include "document/KVDoc.h"

#include "document/SelRect.h"
#include "model/KVBackupPtrArray.h"

void CKVDoc::AddSelRect(short, RECT*, CKVMeas*, CKVStaff*, CKVBlock*)
{
    KV_PENDING("CKVDoc::AddSelRect");
}

int CKVDoc::IsSelChanged()
{
    KV_PENDING("CKVDoc::IsSelChanged");
    return 0;
}

void CKVDoc::RemoveAllSelRect(int resetDrag, int keep)
{
    if (!keep) {
        for (int i = 0; i < m_pSelRectArray->GetSize(); ++i)
            delete static_cast<SelRect*>(m_pSelRectArray->GetAt(i));
        m_pSelRectArray->RemoveAll();
    }
    if (resetDrag) {
        m_bSelected = 0;
        m_bSelectAllPages = 0;
    }
    m_bHostNotice = 1;
    m_bSelected = m_pSelRectArray->GetSize() > 0 ? 1 : 0;
}

int CKVDoc::IsStaffSelected(short)
{
    KV_PENDING("CKVDoc::IsStaffSelected");
    return 0;
}

int CKVDoc::IsEnableStaffHide()
{
    KV_PENDING("CKVDoc::IsEnableStaffHide");
    return 0;
}

int CKVDoc::DeleteMsgOnSelRect(int)
{
    KV_PENDING("CKVDoc::DeleteMsgOnSelRect");
    return 0;
}

int CKVDoc::DeleteSubMsgOfNoteRestOnSelRect(CKVBlock*, CKVMeas*, int, int, CKVObject*, short&,
                                            CKVMsg*, CRect&, CRect&, int)
{
    KV_PENDING("CKVDoc::DeleteSubMsgOfNoteRestOnSelRect");
    return 0;
}
