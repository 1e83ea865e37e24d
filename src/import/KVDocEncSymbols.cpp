#include "document/KVDoc.h"
#include "import/EncDoc.h"

int CKVDoc::SecondConvertEncToKvc(CDialog*, CEncDoc*)
{
    KV_PENDING("CKVDoc::SecondConvertEncToKvc");
    return 1;
}

int CKVDoc::EncToKVC_MakeText(CEncDoc*, ENC_SUBTITTLE*, int, char*, int*, int*)
{
    KV_PENDING("CKVDoc::EncToKVC_MakeText(ENC_SUBTITTLE*)");
    return 0;
}

int CKVDoc::EncToKVC_MakeText(CEncDoc*, ENC_COPYRIGHT*, int, char*, int*, int*)
{
    KV_PENDING("CKVDoc::EncToKVC_MakeText(ENC_COPYRIGHT*)");
    return 0;
}

void CKVDoc::EncToKVC_Title(CDialog*, CEncDoc*)
{
    KV_PENDING("CKVDoc::EncToKVC_Title");
}

void CKVDoc::EncToKVC_Header(CDialog*, CEncDoc*)
{
    KV_PENDING("CKVDoc::EncToKVC_Header");
}

void CKVDoc::EncToKVC_Footer(CDialog*, CEncDoc*)
{
    KV_PENDING("CKVDoc::EncToKVC_Footer");
}

void CKVDoc::EncToKVC_Copyright(CDialog*, CEncDoc*)
{
    KV_PENDING("CKVDoc::EncToKVC_Copyright");
}
