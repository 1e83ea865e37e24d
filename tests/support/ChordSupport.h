#pragma once
// Chord symbols that the chord-record and score-file tests build alike.

#include "harmony/ChordSymbol.h"

namespace kvtest {

// C#m7/E: root 1, bass 7, "m7" with codes 3, 4, 3, name shown, no diagram.
inline void MakeCSharpMinor7OverE(CChordSymbol& chord)
{
    chord.m_nRoot = 1;
    chord.m_nBass = 7;
    chord.m_Surfix.SetRealName("m7");
    CChordSurfixInfo codes;
    for (const BYTE code : {3, 4, 3})
        codes.AddInfo(code);
    chord.m_Surfix.SetInfo(codes);
    chord.m_bShowName = TRUE;
    chord.m_bShowFret = FALSE;
}

// The "Pop" group's "8 beat" pattern: one event, one track, one measure of
// 960, and play data, which is made when playing and never stored.
inline void AddRhythm(CChordSymbol& chord)
{
    chord.m_pRhythm = new CRhythm;
    CRhythm& rhythm = *chord.m_pRhythm;
    rhythm.m_strGrpName = "Pop";
    rhythm.m_RtmInfo.m_strPatName = "8 beat";
    rhythm.m_RtmInfo.m_strFileName = "pop8.kvc";
    auto* event = new RhythmEvent;
    event->byKey = 60;
    event->byVelocity = 100;
    event->dwData = 256;
    event->byHead2 = 0x40;
    rhythm.m_RtmData.m_arrEvent.Add(event);
    auto* track = new RhythmTrack;
    track->byLevel = 127;
    track->byProgram = 1;
    rhythm.m_RtmData.m_arrTrack.Add(track);
    rhythm.m_RtmData.m_nMeasCount = 1;
    rhythm.m_RtmData.m_nMeasLength = 960;
    rhythm.m_RtmData.m_arrPlayEvent.Add(new RhythmEvent);
}

} // namespace kvtest
