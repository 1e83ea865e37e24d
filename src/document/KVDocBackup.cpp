#include "document/KVDoc.h"

int CKVDoc::ObjectBackup(int)
{
    KV_PENDING("CKVDoc::ObjectBackup");
    return 0;
}

int CKVDoc::ObjectFeedBack()
{
    KV_PENDING("CKVDoc::ObjectFeedBack");
    return 0;
}

int CKVDoc::SelMeasBackup(int)
{
    KV_PENDING("CKVDoc::SelMeasBackup");
    return 0;
}

CRect& CKVDoc::SetInvalidRect(CKVBlock*, CKVMeas*)
{
    KV_PENDING("CKVDoc::SetInvalidRect");
    return m_rcRedraw;
}

void CKVDoc::SelMeasTuplet(unsigned char)
{
    KV_PENDING("CKVDoc::SelMeasTuplet");
}
