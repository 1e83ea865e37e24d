#pragma once
// Process-wide placement settings of ties, slurs and stems, set by the host.

#include "Platform.h"

// Where ties and slurs go: 0 by the voice's stem setting, 1 and 2 fixed
// sides.
extern int nTieSlurDirection;

extern "C" {
// Stores the tie and slur direction; returns its argument.
int SetTieSlurDirection(int direction);
}
