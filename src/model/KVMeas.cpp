#include "model/KVMeas.h"

int MeasUnitsToX(int, int, int, int)
{
    KV_PENDING("MeasUnitsToX");
    return 0;
}

CKVMeas::CKVMeas()
{
    KV_PENDING("CKVMeas::CKVMeas");
}

CKVMeas::~CKVMeas()
{
    KV_PENDING("CKVMeas::~CKVMeas");
}

const CKVMeas& CKVMeas::operator=(CKVMeas&)
{
    KV_PENDING("CKVMeas::operator=");
    return *this;
}

void CKVMeas::Initialize(CKVSystem*, short)
{
    KV_PENDING("CKVMeas::Initialize");
}

short CKVMeas::AbsXToMeasX(short)
{
    KV_PENDING("CKVMeas::AbsXToMeasX");
    return 0;
}

short CKVMeas::MeasXToAbsX(short, int)
{
    KV_PENDING("CKVMeas::MeasXToAbsX");
    return 0;
}

short CKVMeas::GetRealWidth()
{
    KV_PENDING("CKVMeas::GetRealWidth");
    return 0;
}

int CKVMeas::IsPeakupMeas()
{
    KV_PENDING("CKVMeas::IsPeakupMeas");
    return 0;
}

LONG CKVMeas::GetPeakupMeasTime(int)
{
    KV_PENDING("CKVMeas::GetPeakupMeasTime");
    return 0;
}

short CKVMeas::GetCurWholeCount(unsigned char, short)
{
    KV_PENDING("CKVMeas::GetCurWholeCount");
    return 0;
}

double CKVMeas::GetCurWholeCountDouble(unsigned char, short)
{
    KV_PENDING("CKVMeas::GetCurWholeCountDouble");
    return 0.0;
}

short CKVMeas::GetCurWholeCount()
{
    KV_PENDING("CKVMeas::GetCurWholeCount");
    return 0;
}

double CKVMeas::GetCurWholeCountDouble()
{
    KV_PENDING("CKVMeas::GetCurWholeCountDouble");
    return 0.0;
}

WORD CKVMeas::IsRestCompMeas(CKVMsg*)
{
    KV_PENDING("CKVMeas::IsRestCompMeas");
    return 0;
}

unsigned char CKVMeas::GetClefType()
{
    KV_PENDING("CKVMeas::GetClefType");
    return 0;
}

unsigned char CKVMeas::GetLastClefType()
{
    KV_PENDING("CKVMeas::GetLastClefType");
    return 0;
}

void CKVMeas::DeleteAllClefMsgs()
{
    KV_PENDING("CKVMeas::DeleteAllClefMsgs");
}

DWORD CKVMeas::GetEndingType()
{
    KV_PENDING("CKVMeas::GetEndingType");
    return 0;
}

unsigned char CKVMeas::GetEndingPos()
{
    KV_PENDING("CKVMeas::GetEndingPos");
    return 0;
}

void CKVMeas::DeleteEnding()
{
    KV_PENDING("CKVMeas::DeleteEnding");
}

short CKVMeas::GetStaffIndex()
{
    KV_PENDING("CKVMeas::GetStaffIndex");
    return -1;
}

short CKVMeas::CopyToBuff(unsigned char*)
{
    KV_PENDING("CKVMeas::CopyToBuff");
    return -1;
}

short CKVMeas::Save(CFile*)
{
    KV_PENDING("CKVMeas::Save");
    return -1;
}

short CKVMeas::Load(CFile*)
{
    KV_PENDING("CKVMeas::Load");
    return -1;
}

void CKVMeas::GetMemorySize(DWORD&)
{
    KV_PENDING("CKVMeas::GetMemorySize");
}

void CKVMeas::DeleteBackupData()
{
    KV_PENDING("CKVMeas::DeleteBackupData");
}
