#include "document/KVDoc.h"

int CKVDoc::GetHeadWidth(int)
{
    KV_PENDING("CKVDoc::GetHeadWidth(code)");
    return 0;
}

int CKVDoc::GetHeadWidth(CKVMsg*)
{
    KV_PENDING("CKVDoc::GetHeadWidth(msg)");
    return 0;
}
