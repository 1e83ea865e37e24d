// The score symbol: construction, copy, destruction, the virtual slots and
// the older stream form.

#include "model/KVMsg.h"

CKVMsg::CKVMsg()
{
    // Every field starts at its declared initial value.
}

CKVMsg::CKVMsg(CKVObject*)
{
    KV_PENDING("CKVMsg::CKVMsg(CKVObject*)");
}

CKVMsg::~CKVMsg()
{
    KV_PENDING("CKVMsg::~CKVMsg");
}

CKVMsg& CKVMsg::operator=(const CKVMsg&)
{
    KV_PENDING("CKVMsg::operator=");
    return *this;
}

short CKVMsg::AddMsg(CKVMsg*, unsigned char, int)
{
    KV_PENDING("CKVMsg::AddMsg");
    return -1;
}

short CKVMsg::SaveMsg(CFile*)
{
    KV_PENDING("CKVMsg::SaveMsg");
    return -1;
}

short CKVMsg::LoadMsg(CFile*)
{
    KV_PENDING("CKVMsg::LoadMsg");
    return -1;
}

CSize CKVMsg::DrawMsg(CDC*, short, short, CKVDoc*, short)
{
    KV_PENDING("CKVMsg::DrawMsg");
    return CSize(0, 0);
}

CSize CKVMsg::DrawMsg(CDC*, CRect*, CKVCtrlTool*, CFontDatas*, short, int)
{
    KV_PENDING("CKVMsg::DrawMsg");
    return CSize(0, 0);
}

int CKVMsg::GetCtrlIndex(POINT&)
{
    KV_PENDING("CKVMsg::GetCtrlIndex");
    return -1;
}

short CKVMsg::Save(CFile*)
{
    KV_PENDING("CKVMsg::Save");
    return -1;
}

short CKVMsg::Load(CFile*)
{
    KV_PENDING("CKVMsg::Load");
    return -1;
}

short CKVMsg::SaveMask(CFile*)
{
    KV_PENDING("CKVMsg::SaveMask");
    return -1;
}

short CKVMsg::LoadMask(CFile*)
{
    KV_PENDING("CKVMsg::LoadMask");
    return -1;
}

short CKVMsg::CopyToBuff(BYTE*)
{
    KV_PENDING("CKVMsg::CopyToBuff");
    return -1;
}
