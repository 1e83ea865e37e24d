#include "document/KVDoc.h"

void CKVDoc::SetMsgUpStaffView(short)
{
    KV_PENDING("CKVDoc::SetMsgUpStaffView");
}

void CKVDoc::SetMsgDownStaffView(short)
{
    KV_PENDING("CKVDoc::SetMsgDownStaffView");
}
