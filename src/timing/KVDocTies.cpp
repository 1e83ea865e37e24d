#include "document/KVDoc.h"

int CKVDoc::IsEnableBindByTie(CKVMsg*, CKVMsg*, int)
{
    KV_PENDING("CKVDoc::IsEnableBindByTie");
    return 0;
}

int CKVDoc::BindNoteByTie(CKVMsg*, CKVMsg*, int, int, int, int, int, int)
{
    KV_PENDING("CKVDoc::BindNoteByTie");
    return 0;
}

int CKVDoc::BindNoteBySlur(CKVMsg*, CKVMsg*, short, unsigned short, unsigned short, int)
{
    KV_PENDING("CKVDoc::BindNoteBySlur");
    return 0;
}

int CKVDoc::SetSymbol(short, POINT, BYTE, int, int)
{
    KV_PENDING("CKVDoc::SetSymbol");
    return 0;
}

void CKVDoc::SetTuplet(BYTE, unsigned short, unsigned short, int)
{
    KV_PENDING("CKVDoc::SetTuplet");
}

void CKVDoc::UpdateTupletType(unsigned short)
{
    KV_PENDING("CKVDoc::UpdateTupletType");
}
