// Control handles, hit-testing and staff-size conversion of score nodes, and
// the node copy.

#include "model/KVObject.h"

CKVObject& CKVObject::operator=(const CKVObject&)
{
    KV_PENDING("CKVObject::operator=");
    return *this;
}

int CKVObject::GetCtrlPoint(POINT, POINT, int, int)
{
    KV_PENDING("CKVObject::GetCtrlPoint");
    return 0;
}

CKVMsg* CKVObject::GetCtrlPointedMsg(POINT, int, POINT, int)
{
    KV_PENDING("CKVObject::GetCtrlPointedMsg");
    return nullptr;
}

CKVMsg* CKVObject::GetCtrlPointedChordBeamMsg(POINT, POINT, int)
{
    KV_PENDING("CKVObject::GetCtrlPointedChordBeamMsg");
    return nullptr;
}

CKVMsg* CKVObject::GetPointedNoteMsg(RECT)
{
    KV_PENDING("CKVObject::GetPointedNoteMsg");
    return nullptr;
}

short CKVObject::ConvertYbyZoom(short y)
{
    KV_PENDING("CKVObject::ConvertYbyZoom");
    return y;
}

short CKVObject::InvertYbyZoom(short y)
{
    KV_PENDING("CKVObject::InvertYbyZoom");
    return y;
}

void CKVObject::ConvertRectByZoom(CRect& in, CRect& out, short)
{
    KV_PENDING("CKVObject::ConvertRectByZoom");
    out = in;
}
