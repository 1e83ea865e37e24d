#include "document/KVDoc.h"

CKVDoc::CKVDoc()
{
    // The members start at their initial values; the owned parts come later.
    KV_PENDING("CKVDoc::CKVDoc");
}

CKVDoc::~CKVDoc()
{
    KV_PENDING("CKVDoc::~CKVDoc");
}

void CKVDoc::Initialize()
{
    KV_PENDING("CKVDoc::Initialize");
}

int CKVDoc::Open()
{
    KV_PENDING("CKVDoc::Open");
    return 0;
}

int CKVDoc::CreateDocument(short, LONG, unsigned char, short, short)
{
    KV_PENDING("CKVDoc::CreateDocument");
    return 0;
}

int CKVDoc::AddMeas(LONG, short)
{
    KV_PENDING("CKVDoc::AddMeas");
    return 0;
}

int CKVDoc::AddStaff(short, short)
{
    KV_PENDING("CKVDoc::AddStaff");
    return 0;
}

int CKVDoc::MakeEndPage(CKVSystem*, LONG, LONG)
{
    KV_PENDING("CKVDoc::MakeEndPage");
    return 0;
}

int CKVDoc::MakeAddPage(int, int)
{
    KV_PENDING("CKVDoc::MakeAddPage");
    return 0;
}

int CKVDoc::AddPage(CKVPage*)
{
    KV_PENDING("CKVDoc::AddPage");
    return 0;
}

int CKVDoc::SetPage(int, CKVPage*)
{
    KV_PENDING("CKVDoc::SetPage");
    return 0;
}

CKVPage* CKVDoc::GetPage(short)
{
    KV_PENDING("CKVDoc::GetPage");
    return nullptr;
}

short CKVDoc::GetPageNum()
{
    KV_PENDING("CKVDoc::GetPageNum");
    return 0;
}

void CKVDoc::UpdateMeasXY(short)
{
    KV_PENDING("CKVDoc::UpdateMeasXY");
}

void CKVDoc::SetScoreFontSize(short)
{
    KV_PENDING("CKVDoc::SetScoreFontSize");
}

void CKVDoc::SetSymbolSize()
{
    KV_PENDING("CKVDoc::SetSymbolSize");
}

void CKVDoc::GetReDrawRect()
{
    KV_PENDING("CKVDoc::GetReDrawRect");
}

void CKVDoc::SetLoadPosInfo(int)
{
    KV_PENDING("CKVDoc::SetLoadPosInfo");
}

int CKVDoc::LPtoDP_YA(int)
{
    KV_PENDING("CKVDoc::LPtoDP_YA");
    return 0;
}
