#include "model/KVCtrlPoint.h"

CKVCtrlPoint::CKVCtrlPoint(const RECT& rect)
    : m_rect(rect)
{
}

CKVCtrlPoint& CKVCtrlPoint::operator=(const CKVCtrlPoint& other)
{
    m_rect = other.m_rect;
    m_wKind = other.m_wKind;
    return *this;
}
