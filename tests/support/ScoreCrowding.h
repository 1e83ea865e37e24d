#pragma once
// Measures crowded up to the limits of their records, for the random runs: a
// measure's symbols near the 255 its record counts and a voice's ticks near
// the 32,767 its start times reach, or both in one measure, laid straight
// into a built score so that every command of the runs meets them.
//
// A measure crowded by symbols holds grace eighths (now and then some of them
// in a grace group) beside a little music of voice 1: a group of eighths, a
// rest, a quarter or a dotted quarter, a chord. A voice crowded by ticks holds
// wholes, whole rests and dotted wholes, with a chord, a dotted half, eighths
// and sixteenths that a longer value would lengthen, and a group of eighths,
// in voice 1 or 2 or in both. The room left runs from nothing (no value of
// the smallest kind fits) to a few quarters, and the symbols from exactly
// 255 to a dozen below.

#include "Platform.h"

#include <random>
#include <string>
#include <vector>

class CKVDoc;

namespace kvtest {

class ScoreBuilder;

// Crowds two to four measures of a built score, mostly among the first three
// of a staff, where the runs enter most of their notes, each choice drawn
// from `stream`. The measures are left untimed: Settle times them. One line
// for each crowded measure saying what it holds.
std::vector<std::string> CrowdScore(ScoreBuilder& score, std::mt19937& stream);

// Whether some measure of the score is still near a limit: within a dozen
// symbols of 255 or a voice within 2,000 ticks of 32,767.
bool HoldsCrowdedMeasure(CKVDoc& doc);

} // namespace kvtest
