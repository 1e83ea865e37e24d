#include "model/KVBlock.h"

CKVBlock::CKVBlock()
{
    KV_PENDING("CKVBlock::CKVBlock");
}

CKVBlock::~CKVBlock()
{
    KV_PENDING("CKVBlock::~CKVBlock");
}

void CKVBlock::DeleteBackupData()
{
    KV_PENDING("CKVBlock::DeleteBackupData");
}

int CKVBlock::Create(CKVPage*, POINT, CKVSystem*, LONG, short)
{
    KV_PENDING("CKVBlock::Create");
    return 0;
}

short CKVBlock::AddStaff(CKVStaff*)
{
    KV_PENDING("CKVBlock::AddStaff");
    return -1;
}

short CKVBlock::InsertStaff(short, CKVStaff*)
{
    KV_PENDING("CKVBlock::InsertStaff");
    return -1;
}

short CKVBlock::DeleteStaff(short, short)
{
    KV_PENDING("CKVBlock::DeleteStaff");
    return 0;
}

short CKVBlock::AddMeas(short)
{
    KV_PENDING("CKVBlock::AddMeas");
    return 0;
}

short CKVBlock::DeleteMeas(short)
{
    KV_PENDING("CKVBlock::DeleteMeas");
    return 0;
}

int CKVBlock::AdjustMeasWidth()
{
    KV_PENDING("CKVBlock::AdjustMeasWidth");
    return 0;
}

void CKVBlock::InitMeasPos()
{
    KV_PENDING("CKVBlock::InitMeasPos");
}

void CKVBlock::SetRect()
{
    KV_PENDING("CKVBlock::SetRect");
}

short CKVBlock::GetStaffNum()
{
    KV_PENDING("CKVBlock::GetStaffNum");
    return 0;
}

CKVStaff* CKVBlock::GetStaff(short)
{
    KV_PENDING("CKVBlock::GetStaff");
    return nullptr;
}

void CKVBlock::UpdateMeasXY(int, int, int)
{
    KV_PENDING("CKVBlock::UpdateMeasXY");
}

int CKVBlock::SetStaffPos(short, POINT, int)
{
    KV_PENDING("CKVBlock::SetStaffPos");
    return 0;
}

int CKVBlock::SetMeasPos(short, POINT, int)
{
    KV_PENDING("CKVBlock::SetMeasPos");
    return 0;
}

int CKVBlock::SetStaffPosByDelta(short, int, int)
{
    KV_PENDING("CKVBlock::SetStaffPosByDelta");
    return 0;
}

int CKVBlock::GetQuantStaffPos(int)
{
    KV_PENDING("CKVBlock::GetQuantStaffPos");
    return 0;
}

CKVMeas* CKVBlock::GetMeasFromPoint(POINT, POINT*, int*, int*)
{
    KV_PENDING("CKVBlock::GetMeasFromPoint");
    return nullptr;
}

CKVMeas* CKVBlock::GetNearMeasFromPoint(POINT, POINT*, int*, int*)
{
    KV_PENDING("CKVBlock::GetNearMeasFromPoint");
    return nullptr;
}

int CKVBlock::IsStaffSelected(CKVStaff*, RECT*)
{
    KV_PENDING("CKVBlock::IsStaffSelected");
    return 0;
}

short CKVBlock::GetCtrlPointedStaff(POINT)
{
    KV_PENDING("CKVBlock::GetCtrlPointedStaff");
    return -1;
}

short CKVBlock::GetCtrlPointedMeas(POINT, short*)
{
    KV_PENDING("CKVBlock::GetCtrlPointedMeas");
    return -1;
}

void CKVBlock::GetMemorySize(DWORD&)
{
    KV_PENDING("CKVBlock::GetMemorySize");
}

int CKVBlock::Save(CFile*)
{
    KV_PENDING("CKVBlock::Save");
    return -1;
}

int CKVBlock::Load(CFile*)
{
    KV_PENDING("CKVBlock::Load");
    return -1;
}
