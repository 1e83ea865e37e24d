#include "document/KVDoc.h"

void CKVDoc::TupletMsgDelProc(CKVMsg*)
{
    KV_PENDING("CKVDoc::TupletMsgDelProc");
}

void CKVDoc::TieSlurMsgDelProc(CKVMsg*)
{
    KV_PENDING("CKVDoc::TieSlurMsgDelProc");
}
