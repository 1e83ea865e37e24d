#include "model/KVMeas.h"

void CKVMeas::MakeChord(BYTE, short, short)
{
    KV_PENDING("CKVMeas::MakeChord");
}

void CKVMeas::SetTuplet(short, short, BYTE, WORD, WORD, int)
{
    KV_PENDING("CKVMeas::SetTuplet");
}

void CKVMeas::SetTupletByMenu(short, short, BYTE, WORD, WORD, int)
{
    KV_PENDING("CKVMeas::SetTupletByMenu");
}

void CKVMeas::MakeTupletMsg(BYTE, short, int)
{
    KV_PENDING("CKVMeas::MakeTupletMsg");
}

void CKVMeas::SetFlag2Note(int, BYTE, WORD)
{
    KV_PENDING("CKVMeas::SetFlag2Note");
}

CKVMsg* CKVMeas::GetNearestRightOfX(BYTE, short, int, int)
{
    KV_PENDING("CKVMeas::GetNearestRightOfX");
    return nullptr;
}

CKVMsg* CKVMeas::GetNearestLeftOfX(BYTE, short, int, int)
{
    KV_PENDING("CKVMeas::GetNearestLeftOfX");
    return nullptr;
}
