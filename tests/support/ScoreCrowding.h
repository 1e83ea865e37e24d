#pragma once
// Measures crowded up to the limits of their records, for the random runs: a
// measure's symbols near the 255 its record counts, a voice's ticks near the
// 32,767 its start times reach, or both in one measure, and notes that carry
// nearly all the symbols their own records count, laid straight into a built
// score so that every command of the runs meets them.
//
// A measure crowded by symbols holds grace eighths (now and then some of them
// in a grace group) beside a little music of voice 1: a group of eighths, a
// rest, a quarter or a dotted quarter, a chord, and mostly a group of eighths
// with rests inside it or at its end (two notes and the rest rests), whose
// break would hand its rests and its other note back to a measure that has
// no room for them; its grace notes then keep to voice 2, so that a delete at
// the caret or over a rectangle in voice 1 meets the group's note alone. A
// voice crowded by ticks holds wholes, whole rests and dotted wholes, with a
// chord, a dotted half, eighths and sixteenths that a longer value would
// lengthen, and a group of eighths, in voice 1 or 2 or in both. The room left
// runs from nothing (no value of the smallest kind fits) to a few quarters,
// mostly less than a whole, and the symbols from exactly 255 to a dozen below
// (to five below beside a group with rests). A measure of carrying notes
// holds quarters with 240 to 255 symbols of their own (note marks, a few
// lyrics, now and then a chord symbol), one of them first, where a chord name
// goes, with rests between them and now and then a note with room.

#include "Platform.h"

#include <random>
#include <string>
#include <utility>
#include <vector>

class CKVDoc;
class CKVMeas;
class CKVMsg;
class CKVObject;

namespace kvtest {

class ScoreBuilder;

// The symbols in a note's own record that make it a carrying note.
inline constexpr int kCarryingSymbols = 240;

// Crowds two to four measures of a built score, mostly among the first three
// of a staff, where the runs enter most of their notes, each choice drawn
// from `stream`: the first by symbols, the second by ticks, the third with
// carrying notes (mostly on the first staff, whose chords the chord names
// are drawn from), the fourth by any. The measures are left untimed:
// Settle times them. One line for each crowded measure saying what it holds.
std::vector<std::string> CrowdScore(ScoreBuilder& score, std::mt19937& stream);

// Whether some measure of the score is still near a limit: within a dozen
// symbols of 255, a voice within 2,000 ticks of 32,767, or a note carrying
// 240 symbols.
bool HoldsCrowdedMeasure(CKVDoc& doc);

// The holders of the staves' measures that stand at a limit now, which the
// runs aim their commands at.
struct HoldersAtLimits {
    // The two notes of each group that holds rests and two notes, where
    // deleting either note would break the group and hand the measure back
    // more symbols than it has room for.
    std::vector<CKVMsg*> groupNotes;
    // The notes that carry 240 symbols of their own or more.
    std::vector<CKVMsg*> carrying;
    // The measures with a voice within a whole note of 32,767 ticks, and
    // the voice.
    std::vector<std::pair<CKVMeas*, BYTE>> fullVoices;
};
HoldersAtLimits FindHoldersAtLimits(CKVDoc& doc);

// The symbols a node owns, read through the map without dropping stale
// references, so that reading changes nothing.
std::vector<CKVMsg*> OwnedSymbols(CKVObject& node);

} // namespace kvtest
