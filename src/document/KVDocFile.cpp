#include "document/KVDoc.h"

short CKVDoc::Save(CFile*)
{
    KV_PENDING("CKVDoc::Save");
    return -1;
}

short CKVDoc::Load(CFile*, int)
{
    KV_PENDING("CKVDoc::Load");
    return -1;
}

short CKVDoc::ImportKVC(CFile*, unsigned char*, unsigned char, short)
{
    KV_PENDING("CKVDoc::ImportKVC");
    return 0;
}
