#pragma once
// The fixed tables of the chord namer: scale steps, tonics of the key
// signatures, and the entry types of the chord-code tables.

#include "Platform.h"

// Step (1..12) of each semitone distance above the tonic, in major and in
// minor. Defined in harmony/AutoCodeTables.cpp.
extern const unsigned char kAutoDurStep[12];
extern const unsigned char kAutoMollStep[12];
// Tonic MIDI keys by key index (0 none, 1..7 sharps, 8..14 flats).
extern const unsigned char kAutoDurTonic[15];
extern const unsigned char kAutoMollTonic[15];

// One entry of a two-note code table: an ordered pair of steps and the
// chord codes that hold them, in order of preference.
class CAutoCode2Entry {
public:
    CAutoCode2Entry();
    virtual ~CAutoCode2Entry();

    unsigned char m_byStep1;
    unsigned char m_byStep2;
    unsigned char m_byCodeNum;
    unsigned char m_byCode[3];
};

// One entry of a three-note code table: an ordered triple of steps.
class CAutoCode3Entry {
public:
    CAutoCode3Entry();
    virtual ~CAutoCode3Entry();

    unsigned char m_byStep[3];
    unsigned char m_byCodeNum;
    unsigned char m_byCode[2];
};
