#include "document/KVFileInfo.h"

CKVFileInfo::CKVFileInfo()
{
    KV_PENDING("CKVFileInfo::CKVFileInfo");
}

CKVFileInfo::~CKVFileInfo()
{
    KV_PENDING("CKVFileInfo::~CKVFileInfo");
}

CKVFileInfo& CKVFileInfo::operator=(const CKVFileInfo&)
{
    KV_PENDING("CKVFileInfo::operator=");
    return *this;
}

int CKVFileInfo::SetLogicPageInfo(POINT, RECT, short, short, short, short, POINT)
{
    KV_PENDING("CKVFileInfo::SetLogicPageInfo");
    return 0;
}

void CKVFileInfo::UpdateLogicDoc(POINT, POINT)
{
    KV_PENDING("CKVFileInfo::UpdateLogicDoc");
}

short CKVFileInfo::Write(CFile*)
{
    KV_PENDING("CKVFileInfo::Write");
    return 0;
}

short CKVFileInfo::Read(CFile*)
{
    KV_PENDING("CKVFileInfo::Read");
    return 0;
}

void CKVFileInfo::ObjectBackup(int)
{
    KV_PENDING("CKVFileInfo::ObjectBackup");
}

void CKVFileInfo::ObjectFeedBack()
{
    KV_PENDING("CKVFileInfo::ObjectFeedBack");
}
