#pragma once
// The note lengths that recorded MIDI is quantised against: entries 1 to 9
// are the ticks of a whole note down to a 256th at the recording's ticks per
// quarter (entry 0 is unused). Process-wide: one conversion at a time fills
// it with CKVMeas::PrepGuess and reads it with CKVMsg::CalcNoteRestKind.
// Not part of the library's interface.

#include "Platform.h"

inline constexpr int kGuessDurEntries = 10;
extern WORD nGuessDurTable[kGuessDurEntries];
