#include "model/KVSystem.h"

CKVSystem::CKVSystem()
{
    m_arrMsgMap.SetSize(1, MAP_GROWTH);
    KV_PENDING("CKVSystem::CKVSystem");
}

CKVSystem::~CKVSystem()
{
    KV_PENDING("CKVSystem::~CKVSystem");
}

DWORD CKVSystem::AddMsgToMap(CKVMsg*)
{
    KV_PENDING("CKVSystem::AddMsgToMap");
    return 0;
}

DWORD CKVSystem::AddMsgToMap(DWORD, CKVMsg*, int)
{
    KV_PENDING("CKVSystem::AddMsgToMap");
    return 0;
}

CKVMsg* CKVSystem::GetMsgFromMap(DWORD)
{
    KV_PENDING("CKVSystem::GetMsgFromMap");
    return nullptr;
}

void CKVSystem::RemoveMsgFromMap(DWORD)
{
    KV_PENDING("CKVSystem::RemoveMsgFromMap");
}

void CKVSystem::RemoveMsgAll()
{
    KV_PENDING("CKVSystem::RemoveMsgAll");
}

DWORD CKVSystem::GetKey(DWORD, int)
{
    KV_PENDING("CKVSystem::GetKey");
    return 0;
}

void CKVSystem::ReleaseKey()
{
    KV_PENDING("CKVSystem::ReleaseKey");
}

void CKVSystem::AddDeleteMsg(DWORD)
{
    KV_PENDING("CKVSystem::AddDeleteMsg");
}

void CKVSystem::AddDeleteMeas(CKVMeas*)
{
    KV_PENDING("CKVSystem::AddDeleteMeas");
}

CKVStaff* CKVSystem::GetStaff(short)
{
    KV_PENDING("CKVSystem::GetStaff");
    return nullptr;
}

CKVStaff* CKVSystem::GetOssiaStaff(short)
{
    KV_PENDING("CKVSystem::GetOssiaStaff");
    return nullptr;
}

short CKVSystem::GetStaffNum()
{
    KV_PENDING("CKVSystem::GetStaffNum");
    return 0;
}

short CKVSystem::GetMeasNum()
{
    KV_PENDING("CKVSystem::GetMeasNum");
    return 0;
}

CKVMeas* CKVSystem::GetMeas(short, short)
{
    KV_PENDING("CKVSystem::GetMeas");
    return nullptr;
}

void CKVSystem::GetMemorySize(DWORD&)
{
    KV_PENDING("CKVSystem::GetMemorySize");
}

int CKVSystem::IsEmptySystem()
{
    KV_PENDING("CKVSystem::IsEmptySystem");
    return 0;
}

short CKVSystem::Save(CFile*)
{
    KV_PENDING("CKVSystem::Save");
    return -1;
}

short CKVSystem::Load(CFile*)
{
    KV_PENDING("CKVSystem::Load");
    return -1;
}

short CKVSystem::CopyToBuff(unsigned char*)
{
    KV_PENDING("CKVSystem::CopyToBuff");
    return -1;
}
