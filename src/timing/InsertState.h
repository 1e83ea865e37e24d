#pragma once
// Process-wide values shared by note insertion and the chord and beam code
// that it drives. One caller at a time, like the other process-wide flags.

#include "Platform.h"

class CKVMsg;

// Whether a note that lands inside a beam group's range without hitting a
// member may join the group (1) or must stand on its own (0). Insertion sets
// it before looking for a symbol at the spot; 1 initially.
int GetJoinPermission();
void SetJoinPermission(int value);

// The distance between accidental columns of a chord, in drawing units;
// 0 initially.
short GetAccColumnWidth();
void SetAccColumnWidth(short width);

// The chord that the import's last note insertion joined or made; null when
// that note stands on its own. Not owned; the import reads it right after the
// insertion, before anything can delete the chord.
CKVMsg* GetImportLastChord();
void SetImportLastChord(CKVMsg* chord);

// Whether the last join at a spot refused the note because a note of what
// stands there (a note, a chord or a beam group's member) already has its
// height: a unison of two spellings, which a chord does not hold. Every join
// sets it, and the import's note insertion clears it before anything else,
// so that the import can tell this loss from the others right after an
// insertion that gave no note.
bool GetJoinRefusedAtHeight();
void SetJoinRefusedAtHeight(bool refused);
