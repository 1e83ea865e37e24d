#pragma once
// The MIDI head of a note: the 12-byte head payload that a kind-1 symbol
// carries in its node head. In the head it is stored little-endian at the
// offsets below; this struct is its in-memory form, read and written field
// by field.

#include "Platform.h"

struct MidiNoteHead {
    BYTE byKey = 0;         // MIDI key 0-127
    BYTE byVelocity = 100;
    BYTE byRelease = 64;
    BYTE byVoice = 0;
    DWORD dwGateTime = 0;   // sounding length in ticks
    LONG lStartOffset = 0;  // performed start minus notated start, in ticks

    // Byte offsets of the fields in the stored head.
    static constexpr int KeyOffset = 0;
    static constexpr int VelocityOffset = 1;
    static constexpr int ReleaseOffset = 2;
    static constexpr int VoiceOffset = 3;
    static constexpr int GateTimeOffset = 4;
    static constexpr int StartOffsetOffset = 8;
    static constexpr int Size = 12;
};
