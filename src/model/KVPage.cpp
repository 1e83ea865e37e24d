#include "model/KVPage.h"

CKVPage::CKVPage()
{
    KV_PENDING("CKVPage::CKVPage");
}

CKVPage::CKVPage(CKVFileInfo*)
{
    KV_PENDING("CKVPage::CKVPage");
}

CKVPage::~CKVPage()
{
    KV_PENDING("CKVPage::~CKVPage");
}

void CKVPage::DeleteBackupData()
{
    KV_PENDING("CKVPage::DeleteBackupData");
}

int CKVPage::Create(CKVFileInfo*)
{
    KV_PENDING("CKVPage::Create");
    return 0;
}

CKVBlock* CKVPage::AddBlock(CKVSystem*, LONG, LONG, POINT, int)
{
    KV_PENDING("CKVPage::AddBlock");
    return nullptr;
}

CKVBlock* CKVPage::AddBlock(CKVSystem*, LONG, LONG)
{
    KV_PENDING("CKVPage::AddBlock");
    return nullptr;
}

short CKVPage::AddBlock(CKVBlock*, int)
{
    KV_PENDING("CKVPage::AddBlock");
    return 0;
}

short CKVPage::RemoveBlock(short)
{
    KV_PENDING("CKVPage::RemoveBlock");
    return -1;
}

short CKVPage::GetBlockNum()
{
    KV_PENDING("CKVPage::GetBlockNum");
    return 0;
}

CKVBlock* CKVPage::GetBlock(short)
{
    KV_PENDING("CKVPage::GetBlock");
    return nullptr;
}

void CKVPage::UpdateMeasXY()
{
    KV_PENDING("CKVPage::UpdateMeasXY");
}

short CKVPage::AddMsg(CKVMsg*)
{
    KV_PENDING("CKVPage::AddMsg");
    return -1;
}

short CKVPage::InsertMsg(short, CKVMsg*)
{
    KV_PENDING("CKVPage::InsertMsg");
    return -1;
}

CKVMsg* CKVPage::GetMsg(short)
{
    KV_PENDING("CKVPage::GetMsg");
    return nullptr;
}

void CKVPage::RemoveMsg(short)
{
    KV_PENDING("CKVPage::RemoveMsg");
}

short CKVPage::GetMsgNum()
{
    KV_PENDING("CKVPage::GetMsgNum");
    return 0;
}

void CKVPage::SetLeftMargin(short)
{
    KV_PENDING("CKVPage::SetLeftMargin");
}

void CKVPage::SetRightMargin(short)
{
    KV_PENDING("CKVPage::SetRightMargin");
}

void CKVPage::SetTopMargin(short)
{
    KV_PENDING("CKVPage::SetTopMargin");
}

void CKVPage::SetDownMargin(short)
{
    KV_PENDING("CKVPage::SetDownMargin");
}

void CKVPage::SetMargin(short, short, short, short)
{
    KV_PENDING("CKVPage::SetMargin");
}

int CKVPage::IsEmptyPage()
{
    KV_PENDING("CKVPage::IsEmptyPage");
    return 0;
}

int CKVPage::IsNoStaffPage()
{
    KV_PENDING("CKVPage::IsNoStaffPage");
    return 0;
}

CKVBlock* CKVPage::GetBlockOfMeas(CKVMeas*, short*)
{
    KV_PENDING("CKVPage::GetBlockOfMeas");
    return nullptr;
}

CRect CKVPage::MeasRectToPageRect(CKVMeas*, CRect)
{
    KV_PENDING("CKVPage::MeasRectToPageRect");
    return CRect();
}

CKVMeas* CKVPage::GetMeasFromPoint(POINT, POINT*)
{
    KV_PENDING("CKVPage::GetMeasFromPoint");
    return nullptr;
}

CKVBlock* CKVPage::GetBlockFromPoint(POINT, POINT*)
{
    KV_PENDING("CKVPage::GetBlockFromPoint");
    return nullptr;
}

CKVMsg* CKVPage::GetCtrlPointedMsg(POINT, unsigned char, POINT)
{
    KV_PENDING("CKVPage::GetCtrlPointedMsg");
    return nullptr;
}

CKVBlock* CKVPage::GetCtrlPointedStaff(POINT, short*)
{
    KV_PENDING("CKVPage::GetCtrlPointedStaff");
    return nullptr;
}

CKVBlock* CKVPage::GetCtrlPointedMeas(POINT, short*, short*)
{
    KV_PENDING("CKVPage::GetCtrlPointedMeas");
    return nullptr;
}

int CKVPage::MoveBlock(CKVBlock*, short, POINT)
{
    KV_PENDING("CKVPage::MoveBlock");
    return 0;
}

void CKVPage::GetMemorySize(DWORD&)
{
    KV_PENDING("CKVPage::GetMemorySize");
}

int CKVPage::Save(CFile*)
{
    KV_PENDING("CKVPage::Save");
    return -1;
}

int CKVPage::Load(CFile*)
{
    KV_PENDING("CKVPage::Load");
    return -1;
}
