// Fret diagrams: drawing, copying, the shape line and the shape profile.

#include "harmony/FretBoard.h"

#include <cstring>

short CFretInfo::GetMidiKeyOfString(int) const
{
    KV_PENDING("CFretInfo::GetMidiKeyOfString");
    return -1;
}

int CFretInfo::FretInfoToLineString(CString&) const
{
    KV_PENDING("CFretInfo::FretInfoToLineString");
    return 0;
}

int CFretInfo::LineStringToFretInfo(const CString&)
{
    KV_PENDING("CFretInfo::LineStringToFretInfo");
    return 0;
}

int CFretInfo::ReadInfoFromProfile(short, short, CString&, const CString&)
{
    KV_PENDING("CFretInfo::ReadInfoFromProfile");
    return 0;
}

int CFretInfo::WriteInfoToProfile(short, short, CString&, const CString&)
{
    KV_PENDING("CFretInfo::WriteInfoToProfile");
    return 0;
}

int CFretInfo::AddPrefixToSurfixName(CString&)
{
    KV_PENDING("CFretInfo::AddPrefixToSurfixName");
    return 0;
}

CFretBoard& CFretBoard::operator=(CFretBoard& source)
{
    if (this == &source)
        return *this;
    CKVMsg::operator=(source);
    m_crColor = source.m_crColor;
    m_nPosX = source.m_nPosX;
    m_nPosY = source.m_nPosY;
    m_FretInfo = source.m_FretInfo;
    m_nSize = source.m_nSize;
    std::memcpy(m_szFace, source.m_szFace, sizeof(m_szFace));
    return *this;
}

CRect CFretBoard::Draw(CDC*, short, DWORD, DWORD)
{
    KV_PENDING("CFretBoard::Draw");
    return CRect(0, 0, 0, 0);
}

CRect CFretBoard::DrawFrame(CDC*, short, DWORD, DWORD)
{
    KV_PENDING("CFretBoard::DrawFrame");
    return CRect(0, 0, 0, 0);
}
