// The notes of a voice shown on the staff above or below.

#include "document/KVDoc.h"

void CKVDoc::SetMsgUpStaffView(short)
{
    KV_PENDING("CKVDoc::SetMsgUpStaffView");
}

void CKVDoc::SetMsgDownStaffView(short)
{
    KV_PENDING("CKVDoc::SetMsgDownStaffView");
}
