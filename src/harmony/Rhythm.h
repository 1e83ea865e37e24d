#pragma once
// Accompaniment rhythm patterns: the pattern symbol a chord symbol may own
// (CRhythm, kind 71), its pattern entry and its play data. A pattern is a
// short score written for a C chord; its events are transposed to the chord
// they play under.

#include "Platform.h"
#include "model/KVMsg.h"

class CChordSymbol;
class CKVDoc;

// One pattern of a group: the name shown and the score file that holds it.
struct RHYTHM_INFO {
    CString m_strPatName;
    CString m_strFileName;
};

// One event of a pattern, 16 bytes in the record; the reserved bytes are
// kept as they were read.
struct RhythmEvent {
    BYTE byReserved0 = 0;
    BYTE byKey = 0;             // MIDI key; 0 for an event that is no note
    BYTE byVelocity = 0;
    BYTE byTrack = 0;           // staff of the pattern score (low 4 bits)
    BYTE byReserved4[4] = {};
    DWORD dwData = 0;           // note: length in 1024ths of a measure; else the MIDI message
    short nTime = 0;            // measure x 1024 + position in 1024ths
    BYTE byHead2 = 0;           // byte 2 of the note's MIDI head
    BYTE byChannel = 0;

    static constexpr int RECORD_SIZE = 16;
};

// One track (a staff of the pattern score), 6 bytes in the record.
struct RhythmTrack {
    BYTE byLevel = 0;           // the staff's level (127 by default)
    BYTE byChannel = 0;
    BYTE byBankHigh = 0;
    BYTE byProgram = 0;         // counted from 1
    short nKeyShift = 0;        // semitones added to every key of the track

    static constexpr int RECORD_SIZE = 6;
};

// The events of a pattern, and the play data last made from them.
class CRtmData {
public:
    // Defined in harmony/Rhythm.cpp
    virtual ~CRtmData();

    // Delete every play event, pattern event and track; `loaded` stays.
    void DeleteAllEvents();
    void ResetBuffer();

    // The data record: sizes, measure count and length, the events and the
    // tracks, each list with its count and record stride. Reading replaces
    // every event and track and sets `loaded`; a failed read leaves the data
    // empty with `loaded` 0.
    int ReadFromMem(unsigned char* buffer, DWORD* pos, DWORD* length);
    int WriteToMem(unsigned char*& buffer, DWORD* pos, DWORD* capacity);

    // Defined in this header
    CRtmData() = default;

    // Deleted here
    CRtmData(const CRtmData&) = delete;

    // Defined in harmony/RhythmPlay.cpp
    // Deep-copies the pattern events and tracks; no play events.
    CRtmData& operator=(const CRtmData& source);

    // Defined in harmony/RhythmFile.cpp
    // Loads the pattern file of `info`; 1 on success. A failure leaves the
    // data empty; an unreadable or newer file shows its message first.
    int ReadRtmData(const CString& group, const RHYTHM_INFO& info);
    CString GetFullFileName(const CString& group, const RHYTHM_INFO& info) const;

    // Defined in harmony/RhythmPlay.cpp
    // The play events of [from, to) for the chord; their number.
    int ConvertToPlayData(CChordSymbol* chord, int from, int to, int measure);
    // A key of the C pattern moved onto the chord.
    unsigned char GetRealMidiKey(CChordSymbol* chord, unsigned char key, int unused) const;

    // Fields.
    int m_bLoaded = 0;
    short m_nMeasCount = 0;
    CTypedPtrArray<CPtrArray, RhythmEvent*> m_arrPlayEvent;   // owned
    CTypedPtrArray<CPtrArray, RhythmEvent*> m_arrEvent;       // owned
    CTypedPtrArray<CPtrArray, RhythmTrack*> m_arrTrack;       // owned, by track number
    short m_nMeasLength = 0;    // ticks of the last measure read from the file
    CKVDoc* m_pDoc = nullptr;   // only while ReadRtmData runs

private:
    // Defined in harmony/RhythmFile.cpp
    // Reads the score from the leading part on into m_pDoc and makes the
    // events; 0 with the message to show (or 0 for none) on failure.
    int LoadPatternScore(CFile& file, UINT& message);
};

class CRhythm : public CKVMsg {
public:
    // Defined in harmony/Rhythm.cpp
    CRhythm();

    // The symbol record, the group, pattern and file names as counted
    // strings, then the data record. 1 on success, 0 on any failure.
    virtual int ReadFromMem(unsigned char* buffer, DWORD* pos, DWORD* length);
    virtual int WriteToMem(unsigned char*& buffer, DWORD* pos, DWORD* capacity);

    // Defined in this header
    ~CRhythm() override = default;

    CString GetRtmGrpName() const { return m_strGrpName; }
    CString GetRtmPatName() const { return m_RtmInfo.m_strPatName; }
    CString GetRtmFileName() const { return m_RtmInfo.m_strFileName; }

    // Defined in harmony/RhythmPlay.cpp
    CRhythm& operator=(CRhythm& source);

    // The pattern name in the message colour, transparent; the rectangle
    // (0, 0, extent) of the text.
    virtual CRect Draw(CDC* dc, short zoom, LONG x, LONG y);
    virtual CRect DrawFrame(CDC* dc, short zoom, LONG x, LONG y);

    // Fields.
    CString m_strGrpName;
    RHYTHM_INFO m_RtmInfo;
    CRtmData m_RtmData;
};
