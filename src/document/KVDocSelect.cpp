#include "document/KVDoc.h"

void CKVDoc::AddSelRect(short, RECT*, CKVMeas*, CKVStaff*, CKVBlock*)
{
    KV_PENDING("CKVDoc::AddSelRect");
}

int CKVDoc::IsSelChanged()
{
    KV_PENDING("CKVDoc::IsSelChanged");
    return 0;
}

void CKVDoc::RemoveAllSelRect(int, int)
{
    KV_PENDING("CKVDoc::RemoveAllSelRect");
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
