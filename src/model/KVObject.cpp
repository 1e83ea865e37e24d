#include "model/KVObject.h"

CKVSystem* pSortSystem = nullptr;

CKVObject::CKVObject()
{
    KV_PENDING("CKVObject::CKVObject");
}

CKVObject::~CKVObject()
{
    KV_PENDING("CKVObject::~CKVObject");
}

void CKVObject::Initialize(CKVSystem* system, short objectKind)
{
    m_pSystem = system;
    m_byObjKind = static_cast<BYTE>(objectKind);
}

short CKVObject::AddMsg(CKVMsg*, unsigned char, int)
{
    KV_PENDING("CKVObject::AddMsg");
    return -1;
}

short CKVObject::InsertMsg(short, CKVMsg*, unsigned char, int)
{
    KV_PENDING("CKVObject::InsertMsg");
    return -1;
}

short CKVObject::TemporaryMsg(CKVMsg*)
{
    KV_PENDING("CKVObject::TemporaryMsg");
    return 0;
}

void CKVObject::RemoveMsgAt(short)
{
    KV_PENDING("CKVObject::RemoveMsgAt");
}

void CKVObject::RemoveAllMsg()
{
    KV_PENDING("CKVObject::RemoveAllMsg");
}

CKVMsg* CKVObject::GetMsg(short)
{
    KV_PENDING("CKVObject::GetMsg");
    return nullptr;
}

short CKVObject::GetMsgNum() const
{
    return static_cast<short>(m_arrMsgRef.GetSize());
}

short CKVObject::SetHead(short, unsigned char*)
{
    KV_PENDING("CKVObject::SetHead");
    return 0;
}

short CKVObject::GetHead(unsigned char** head)
{
    KV_PENDING("CKVObject::GetHead");
    if (head)
        *head = nullptr;
    return 0;
}

short CKVObject::Save(CFile*)
{
    KV_PENDING("CKVObject::Save");
    return 0;
}

short CKVObject::Load(CFile*)
{
    KV_PENDING("CKVObject::Load");
    return 0;
}

short CKVObject::CopyToBuff(unsigned char*)
{
    KV_PENDING("CKVObject::CopyToBuff");
    return -1;
}
