#include "document/KVDoc.h"

CKVMsg* CKVDoc::AddMsg(CKVObject*, CKVMsg*, int, int)
{
    KV_PENDING("CKVDoc::AddMsg");
    return nullptr;
}

CKVMsg* CKVDoc::AddMsg(CKVPage*, CKVMsg*, int, int)
{
    KV_PENDING("CKVDoc::AddMsg(page)");
    return nullptr;
}

void CKVDoc::DeleteMsg(CKVMsg*, int)
{
    KV_PENDING("CKVDoc::DeleteMsg");
}

CKVMsg* CKVDoc::InsertNewNoteMsg(POINT, short, unsigned short, unsigned short, unsigned char, short,
                                 DWORD, LONG, unsigned short, int, LONG, int, int, int, int, int)
{
    KV_PENDING("CKVDoc::InsertNewNoteMsg(point)");
    return nullptr;
}

CKVMsg* CKVDoc::InsertNewNoteMsg(short, LONG, CKVMsg*, unsigned short, int, int, int, int*, int)
{
    KV_PENDING("CKVDoc::InsertNewNoteMsg(staff)");
    return nullptr;
}
