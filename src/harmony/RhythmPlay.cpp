// Rhythm patterns: loading a pattern file, play data for a chord, copies and
// drawing the pattern name.

#include "harmony/Rhythm.h"

CRtmData& CRtmData::operator=(const CRtmData& source)
{
    if (this == &source)
        return *this;
    DeleteAllEvents();
    m_nMeasCount = source.m_nMeasCount;
    m_nMeasLength = source.m_nMeasLength;
    m_bLoaded = source.m_bLoaded;
    // The play events belong to the last chord they were made for; a copy
    // makes its own.
    for (int i = 0; i < source.m_arrEvent.GetSize(); ++i) {
        const RhythmEvent* event = source.m_arrEvent.GetAt(i);
        m_arrEvent.Add(event ? new RhythmEvent(*event) : nullptr);
    }
    for (int i = 0; i < source.m_arrTrack.GetSize(); ++i) {
        const RhythmTrack* track = source.m_arrTrack.GetAt(i);
        m_arrTrack.Add(track ? new RhythmTrack(*track) : nullptr);
    }
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

CRhythm& CRhythm::operator=(CRhythm& source)
{
    if (this == &source)
        return *this;
    CKVMsg::operator=(source);
    m_RtmInfo = source.m_RtmInfo;
    m_strGrpName = source.m_strGrpName;
    m_RtmData = source.m_RtmData;
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
