#include "document/KVDoc.h"

CKVSystem* CKVDoc::GetPointedSystem(POINT)
{
    KV_PENDING("CKVDoc::GetPointedSystem");
    return nullptr;
}

CKVStaff* CKVDoc::GetPointedStaff(POINT)
{
    KV_PENDING("CKVDoc::GetPointedStaff");
    return nullptr;
}

CKVMeas* CKVDoc::GetPointedMeas(POINT, POINT*, int, CKVBlock**)
{
    KV_PENDING("CKVDoc::GetPointedMeas");
    return nullptr;
}

CKVMeas* CKVDoc::GetPointedNearMeas(POINT, POINT*, int, CKVBlock**)
{
    KV_PENDING("CKVDoc::GetPointedNearMeas");
    return nullptr;
}

CKVMsg* CKVDoc::GetPointedNoteMsg(POINT, unsigned char)
{
    KV_PENDING("CKVDoc::GetPointedNoteMsg");
    return nullptr;
}

CKVMeas* CKVDoc::GetPointMyMeas(POINT, POINT*)
{
    KV_PENDING("CKVDoc::GetPointMyMeas");
    return nullptr;
}

unsigned char CKVDoc::GetMidiKey(POINT)
{
    KV_PENDING("CKVDoc::GetMidiKey");
    return 0;
}

int CKVDoc::MousePosQuotize(CKVDoc*, POINT, POINT&)
{
    KV_PENDING("CKVDoc::MousePosQuotize");
    return 0;
}

void CKVDoc::SetCusorInfo(POINT)
{
    KV_PENDING("CKVDoc::SetCusorInfo");
}

short CKVDoc::GetCusorPak(int)
{
    KV_PENDING("CKVDoc::GetCusorPak");
    return 0;
}

short CKVDoc::GetCusorTicks(int)
{
    KV_PENDING("CKVDoc::GetCusorTicks");
    return 0;
}

CKVMeas* CKVDoc::GetCusorMeas()
{
    KV_PENDING("CKVDoc::GetCusorMeas");
    return nullptr;
}

CKVMsg* CKVDoc::GetCtrlPointedMsg(POINT, unsigned char, int, POINT)
{
    KV_PENDING("CKVDoc::GetCtrlPointedMsg");
    return nullptr;
}

CKVBlock* CKVDoc::GetCtrlPointedStaff(POINT, short*, int)
{
    KV_PENDING("CKVDoc::GetCtrlPointedStaff");
    return nullptr;
}

CKVBlock* CKVDoc::GetCtrlPointedMeas(POINT, short*, int, unsigned char*)
{
    KV_PENDING("CKVDoc::GetCtrlPointedMeas");
    return nullptr;
}

CKVMeas* CKVDoc::GetCtrlPointedEnding(POINT, short*, int)
{
    KV_PENDING("CKVDoc::GetCtrlPointedEnding");
    return nullptr;
}

void CKVDoc::JumpToPage(int)
{
    KV_PENDING("CKVDoc::JumpToPage");
}

short CKVDoc::JumpToMeas(int)
{
    KV_PENDING("CKVDoc::JumpToMeas");
    return -1;
}
