#pragma once
// Process-wide placement settings of ties, slurs and stems, set by the host.

#include "Platform.h"

// Where ties and slurs go: 0 by the voice's stem setting, 1 and 2 fixed
// sides.
extern int nTieSlurDirection;

// The stem direction each voice (1 to 8, at index voice - 1) gets after an
// up or down nudge. All 0 at load.
inline constexpr int kStemTableVoices = 8;
extern BYTE byNoteTailTieUpDown[kStemTableVoices];

extern "C" {
// Stores the tie and slur direction; returns its argument.
int SetTieSlurDirection(int direction);
// Copies eight bytes into the per-voice stem table (nothing for null);
// returns the table.
void* SetNoteTailTieUpDown(void* eightBytes);
}
