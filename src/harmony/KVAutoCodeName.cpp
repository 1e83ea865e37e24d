// The chord namer's driver: the passes of Process over a throw-away model.

#include "harmony/KVAutoCodeName.h"
#include "harmony/AutoStaff.h"

CKVAutoCodeName::CKVAutoCodeName() : m_pAutoStaff(nullptr), m_pDoc(nullptr) {}

CKVAutoCodeName::CKVAutoCodeName(const CKVAutoCodeName& other)
    : m_pAutoStaff(other.m_pAutoStaff), m_pDoc(other.m_pDoc)
{
}

CKVAutoCodeName& CKVAutoCodeName::operator=(const CKVAutoCodeName& other)
{
    m_pAutoStaff = other.m_pAutoStaff;
    m_pDoc = other.m_pDoc;
    return *this;
}

CKVAutoCodeName::~CKVAutoCodeName() {}

int CKVAutoCodeName::Open(CKVDoc* doc)
{
    m_pDoc = doc;
    return doc != nullptr;
}

int CKVAutoCodeName::Close() { return 1; }
int CKVAutoCodeName::GetProgress() { return 1; }
int CKVAutoCodeName::GetVariantNum() { return 1; }

int CKVAutoCodeName::Process(int)
{
    KV_PENDING("CKVAutoCodeName::Process");
    return 0;
}

unsigned char CKVAutoCodeName::DeleteChordCode()
{
    KV_PENDING("CKVAutoCodeName::DeleteChordCode");
    return 0;
}

unsigned char CKVAutoCodeName::Preprocess1()
{
    KV_PENDING("CKVAutoCodeName::Preprocess1");
    return 0;
}

unsigned char CKVAutoCodeName::Preprocess2()
{
    KV_PENDING("CKVAutoCodeName::Preprocess2");
    return 0;
}

unsigned char CKVAutoCodeName::DecideCenterLevel()
{
    KV_PENDING("CKVAutoCodeName::DecideCenterLevel");
    return 0;
}

unsigned char CKVAutoCodeName::ThinkHarmonyAB()
{
    KV_PENDING("CKVAutoCodeName::ThinkHarmonyAB");
    return 0;
}

unsigned char CKVAutoCodeName::DecideNonChordNode()
{
    KV_PENDING("CKVAutoCodeName::DecideNonChordNode");
    return 0;
}

unsigned char CKVAutoCodeName::RegisterPresentNode()
{
    KV_PENDING("CKVAutoCodeName::RegisterPresentNode");
    return 0;
}

unsigned char CKVAutoCodeName::ProduceCandNote()
{
    KV_PENDING("CKVAutoCodeName::ProduceCandNote");
    return 0;
}

unsigned char CKVAutoCodeName::InsertChordCode()
{
    KV_PENDING("CKVAutoCodeName::InsertChordCode");
    return 0;
}

unsigned char CKVAutoCodeName::DeleteContents()
{
    KV_PENDING("CKVAutoCodeName::DeleteContents");
    return 0;
}

unsigned char CKVAutoCodeName::ProduceCode(int)
{
    KV_PENDING("CKVAutoCodeName::ProduceCode");
    return 0;
}
