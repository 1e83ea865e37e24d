#pragma once
// Process-wide values shared by note insertion and the chord and beam code
// that it drives, and the spot lookup they share. One caller at a time, like
// the other process-wide flags.

#include "Platform.h"

class CKVMeas;
class CKVMsg;

// Whether a note that lands inside a beam group's range without hitting a
// member may join the group (1) or must stand on its own (0). Insertion sets
// it before looking for a symbol at the spot; 1 initially.
int GetJoinPermission();
void SetJoinPermission(int value);

// The index of the direct child of the measure that a new symbol meets at
// its spot, the one joining looks at: the first whose range holds the
// symbol's x in its voice, grace symbols meeting grace symbols only and
// every other symbol the rest. -1 when it meets none.
short SpotIndex(CKVMeas& meas, CKVMsg& msg);

// The distance between accidental columns of a chord, in drawing units;
// 0 initially.
short GetAccColumnWidth();
void SetAccColumnWidth(short width);

// The chord that the import's last note insertion joined or made; null when
// that note stands on its own. Not owned; the import reads it right after the
// insertion, before anything can delete the chord.
CKVMsg* GetImportLastChord();
void SetImportLastChord(CKVMsg* chord);

// Why the last note insertion gave no symbol. A join at a spot names its
// refusal (AtHeight, OneLineStaff) and clears the reason before it looks;
// the import's note insertion clears it before anything else and names every
// other refusal, so that the import can tell its losses apart right after an
// insertion that gave no note.
enum class InsertRefusal {
    None,
    // The measure is compressed into a multi-measure rest.
    UnderMultiRest,
    // A note of what stands at the spot (a note, a chord or a beam group's
    // member) already has the note's height: a unison of two spellings,
    // which a chord does not hold.
    AtHeight,
    // A note at another height stands at the spot of a one-line staff, which
    // holds no chords.
    OneLineStaff,
    // Anything else: a damaged measure, a measure without staff, no memory.
    Other,
};
InsertRefusal GetInsertRefusal();
void SetInsertRefusal(InsertRefusal why);

// Whether beaming a range drops a second note or chord at the place and
// height of one its group took (1), or leaves it beside the group as a
// symbol of its own (0). 1 initially, as the beam commands have it; the
// merge of a paste sets 0 while it breaks groups of the score and beams
// their parts and its tuplets again, for the notes it meets there are the
// score's or the pasted music's, which it was not asked to take away.
int GetDuplicateDrop();
void SetDuplicateDrop(int value);

// The refusal that joining a note at its spot would give (AtHeight or
// OneLineStaff, as CKVMeas::ProcInRect names them), told without changing
// anything, so that an entry can be refused before the measure is backed up;
// None where the join takes the note or leaves it on its own. Defined in
// timing/KVMeasSymbolList.cpp.
InsertRefusal SpotRefusal(CKVMeas& meas, CKVMsg& msg);
