// Chord suffixes: copies, the base-36 code text, the current entry, the
// host's list boxes and the dictionary file.

#include "harmony/ChordSurfix.h"

CChordSurfix::CChordSurfix(const CChordSurfix&)
{
    KV_PENDING("CChordSurfix::CChordSurfix(const CChordSurfix&)");
}

CChordSurfix& CChordSurfix::operator=(const CChordSurfix& source)
{
    if (this == &source)
        return *this;
    // The drawing parts are derived again from the name rather than copied.
    SetRealName(source.m_strRealName);
    m_Info = source.m_Info;
    return *this;
}

CString CChordSurfix::StringFromInfo() const
{
    KV_PENDING("CChordSurfix::StringFromInfo");
    return CString();
}

void CChordSurfix::InfoFromString(const CString&)
{
    KV_PENDING("CChordSurfix::InfoFromString");
}

CChordSurfixProc& CChordSurfixProc::operator=(CChordSurfixProc&)
{
    KV_PENDING("CChordSurfixProc::operator=");
    return *this;
}

CChordSurfix* CChordSurfixProc::FindShortAndSetCurSurfix(const CString&)
{
    KV_PENDING("CChordSurfixProc::FindShortAndSetCurSurfix");
    return nullptr;
}

CChordSurfix* CChordSurfixProc::FindRealAndSetCurSurfix(const CString&)
{
    KV_PENDING("CChordSurfixProc::FindRealAndSetCurSurfix");
    return nullptr;
}

int CChordSurfixProc::SetSurfixNamesToList(CListBox&)
{
    KV_PENDING("CChordSurfixProc::SetSurfixNamesToList");
    return 0;
}

int CChordSurfixProc::GetCurSurfixFromListSel(CListBox&)
{
    KV_PENDING("CChordSurfixProc::GetCurSurfixFromListSel");
    return -1;
}

int CChordSurfixProc::SetCurSurfixSelInList(CListBox&)
{
    KV_PENDING("CChordSurfixProc::SetCurSurfixSelInList");
    return -1;
}

int CChordSurfixProc::ReadSurfixInfos(const CString&, const CString&)
{
    KV_PENDING("CChordSurfixProc::ReadSurfixInfos");
    return 0;
}

int CChordSurfixProc::WriteSurfixInfos(const CString&, const CString&)
{
    KV_PENDING("CChordSurfixProc::WriteSurfixInfos");
    return 0;
}
