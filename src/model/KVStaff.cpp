#include "model/KVStaff.h"

CKVStaff::CKVStaff()
{
    m_wObjWord = DEFAULT_SIZE_PERCENT;
    KV_PENDING("CKVStaff::CKVStaff");
}

CKVStaff::~CKVStaff()
{
    KV_PENDING("CKVStaff::~CKVStaff");
}

int CKVStaff::Create(LONG, BYTE, short, short)
{
    KV_PENDING("CKVStaff::Create");
    return 0;
}

short CKVStaff::AddMeas(LONG, CKVMeas*, BYTE)
{
    KV_PENDING("CKVStaff::AddMeas");
    return 0;
}

short CKVStaff::InsertMeas(LONG, LONG, int)
{
    KV_PENDING("CKVStaff::InsertMeas");
    return 0;
}

short CKVStaff::RemoveMeas(LONG, LONG)
{
    KV_PENDING("CKVStaff::RemoveMeas");
    return -1;
}

LONG CKVStaff::GetMeasNum()
{
    KV_PENDING("CKVStaff::GetMeasNum");
    return 0;
}

CKVMeas* CKVStaff::GetMeas(LONG)
{
    KV_PENDING("CKVStaff::GetMeas");
    return nullptr;
}

const CKVStaff& CKVStaff::operator=(CKVStaff&)
{
    KV_PENDING("CKVStaff::operator=");
    return *this;
}

void CKVStaff::ChangeKeySignature(int, int, BYTE, int, DWORD, int)
{
    KV_PENDING("CKVStaff::ChangeKeySignature");
}

int CKVStaff::ChangeCustomKeySign(int, int, CKVMsg&, DWORD)
{
    KV_PENDING("CKVStaff::ChangeCustomKeySign");
    return 0;
}

void CKVStaff::EndingCheck()
{
    KV_PENDING("CKVStaff::EndingCheck");
}

void CKVStaff::Import(CKVStaff*)
{
    KV_PENDING("CKVStaff::Import");
}

void CKVStaff::GetMemorySize(DWORD&)
{
    KV_PENDING("CKVStaff::GetMemorySize");
}

void CKVStaff::DelMsg(short)
{
    KV_PENDING("CKVStaff::DelMsg");
}

void CKVStaff::GetStaffNameFromMsg(char*, char*, char*, char*, int&, int&)
{
    KV_PENDING("CKVStaff::GetStaffNameFromMsg");
}

void CKVStaff::SetStaffNameToMsg(const char*, const char*, const char*, const char*, int, int)
{
    KV_PENDING("CKVStaff::SetStaffNameToMsg");
}

void CKVStaff::SetClefVisible(int)
{
    KV_PENDING("CKVStaff::SetClefVisible");
}

void CKVStaff::SetKeySignVisible(int)
{
    KV_PENDING("CKVStaff::SetKeySignVisible");
}

void CKVStaff::SetTimeVisible(int)
{
    KV_PENDING("CKVStaff::SetTimeVisible");
}

void CKVStaff::SetLeftLineVisible(int)
{
    KV_PENDING("CKVStaff::SetLeftLineVisible");
}

int CKVStaff::IsClefVisible()
{
    KV_PENDING("CKVStaff::IsClefVisible");
    return 0;
}

int CKVStaff::IsKeySignVisible()
{
    KV_PENDING("CKVStaff::IsKeySignVisible");
    return 0;
}

int CKVStaff::IsTimeVisible()
{
    KV_PENDING("CKVStaff::IsTimeVisible");
    return 0;
}

int CKVStaff::IsLeftLineVisible()
{
    KV_PENDING("CKVStaff::IsLeftLineVisible");
    return 0;
}

short CKVStaff::Save(CFile*)
{
    KV_PENDING("CKVStaff::Save");
    return -1;
}

short CKVStaff::Load(CFile*)
{
    KV_PENDING("CKVStaff::Load");
    return -1;
}

short CKVStaff::CopyToBuff(unsigned char*)
{
    KV_PENDING("CKVStaff::CopyToBuff");
    return -1;
}

void CKVStaff::DeleteBackupData()
{
    KV_PENDING("CKVStaff::DeleteBackupData");
}
