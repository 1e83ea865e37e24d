#pragma once
// An imported measure brought within its record, which counts the measure's
// own symbols in a byte. An import inserts all of a measure's notes before it
// beams them, and most crowded measures fit once beamed, so the count is
// judged only when the measure's conversion is done; a measure that holds
// more even then gives way at its end.

struct LeftOutNotes;
class CKVDoc;
class CKVMeas;
class CKVSystem;

namespace kvimport {

// Gives up the latest symbols of a measure that holds more than its record
// counts until it holds no more. Its notes, rests, chords and beam groups go
// first, latest first by position (a group goes whole), so that every voice
// keeps its start and the notes that stay keep their times; only when those
// are all gone do its other symbols go, in the same order. Clef changes
// stay, since the measures after them took their clef from them, but for a
// measure of more than 255 of them, which gives up its earliest: each only
// hands the clef on to the next. The notes given up (each note of a chord
// or group one) are counted in leftOut.crowdedMeasure.
//
// What goes takes its links along: its ties and slurs leave the notes that
// stay, its tuplets pass to the notes that stay or go with it, and its ids
// leave the measure's cross-staff lists. An import records no undo step, so
// the relink records that taking off a tie keeps for one are dropped again.
// False when memory ran out before a tie or slur could be taken off; the
// symbol that held it then stays, and so does the measure's excess.
bool FitMeasureToRecord(CKVDoc& doc, CKVMeas& meas, LeftOutNotes& leftOut);

// FitMeasureToRecord for every measure of the system's staves; false as
// soon as one fails.
bool FitMeasuresToRecords(CKVDoc& doc, CKVSystem& system, LeftOutNotes& leftOut);

} // namespace kvimport
