#pragma once
// The note an Encore tie record starts at, for the two tie passes of the
// import: the one inside a measure and the one across a bar line.

#include "Platform.h"

class CKVMeas;
class CKVMsg;

// The note of `voice` that a tie record at pt (absolute x, y) belongs to: the
// note converted from that very point, else the note the hit-test finds or,
// when that note's column holds a note at pt's exact height, that one. In a
// chord with a second the heads stand on both sides of the stem, so the
// nearest head may be a neighbour's. Null when nothing is found.
CKVMsg* EncTieNote(CKVMeas& meas, POINT pt, BYTE voice);

// Whether a tie starts at the note (a child tie whose data word is its id).
bool EncStartsTie(CKVMsg& note);
