#pragma once
// Process-wide values of the measure-level paste: where the last paste
// ended, and the per-voice stem directions that the host hands over for the
// tuplets a paste rebuilds. Both are reset with the process state.

#include "Platform.h"

// The free memory a paste of staves asks for before it changes anything.
inline constexpr int kPasteFreeBytes = 1000000;

// The index in its staff of the last measure that a paste filled, and the
// position (0 to 256) at which the pasted music ended in it.
extern LONG nPasteEndMeas;
extern short nPasteEndPos;

// The direction byte of a voice (1 to 8) in the stem table; 0 for any other
// voice.
BYTE PasteStemDirection(int voice);

// Copies eight bytes (voices 1 to 8) into the stem table and returns the
// table; a null argument copies nothing.
extern "C" void* SetNoteTailTieUpDown(void* eightBytes);
