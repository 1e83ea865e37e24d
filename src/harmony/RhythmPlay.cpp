// Rhythm patterns: loading a pattern file, play data for a chord, copies and
// drawing the pattern name.

#include "harmony/Rhythm.h"

CRtmData& CRtmData::operator=(const CRtmData&)
{
    KV_PENDING("CRtmData::operator=");
    return *this;
}

int CRtmData::ReadRtmData(const CString&, const RHYTHM_INFO&)
{
    KV_PENDING("CRtmData::ReadRtmData");
    return 0;
}

CString CRtmData::GetFullFileName(const CString&, const RHYTHM_INFO&) const
{
    KV_PENDING("CRtmData::GetFullFileName");
    return CString();
}

int CRtmData::ConvertToPlayData(CChordSymbol*, int, int, int)
{
    KV_PENDING("CRtmData::ConvertToPlayData");
    return 0;
}

unsigned char CRtmData::GetRealMidiKey(CChordSymbol*, unsigned char key, int) const
{
    KV_PENDING("CRtmData::GetRealMidiKey");
    return key;
}

CRhythm& CRhythm::operator=(CRhythm&)
{
    KV_PENDING("CRhythm::operator=");
    return *this;
}

CRect CRhythm::Draw(CDC*, short, DWORD, DWORD)
{
    KV_PENDING("CRhythm::Draw");
    return CRect(0, 0, 0, 0);
}

CRect CRhythm::DrawFrame(CDC*, short, DWORD, DWORD)
{
    KV_PENDING("CRhythm::DrawFrame");
    return CRect(0, 0, 0, 0);
}
