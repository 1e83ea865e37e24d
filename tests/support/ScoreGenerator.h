#pragma once
// A generator of scores for round-trip tests and benchmarks. It builds, on
// several pages, every kind of symbol the model can hold: notes with their
// MIDI heads, rests, chords, beam groups, ties, slurs, tuplets, note marks,
// texts, lyrics, custom blocks, MIDI events and (when built) chord symbols
// with fret boards and rhythms; staff names, page-level texts (the title
// "Generated score" on the first page), footer and header records in the
// first two title-block texts, an ossia staff with an ossia block and
// staff-name points.
//
// Everything is built in the form that reading a score file keeps, so that a
// generated score equals its saved and reloaded copy apart from the ids:
// every staff has its name symbol, block boundaries start at 0, note heads
// are 12 bytes, MIDI events have a non-zero duration word and the third
// title has no head.

#include "Kvorel.h"

// Chord symbols need the chord classes (suffix, fret board, rhythm) of the
// harmony folder: 1 in a tree that has them. The canonical dump follows it.
#ifndef KV_GENERATE_CHORD_SYMBOLS
#define KV_GENERATE_CHORD_SYMBOLS 1
#endif

namespace kvtest {

struct GeneratedScoreShape {
    short staves = 2;
    LONG measures = 16;
    // Symbols placed directly in each measure (each may own further
    // symbols: chord notes, ties, marks, lyrics).
    int symbolsPerMeasure = 6;
};

// The page geometry of the default settings and a 6 mm staff, as the host's
// `new` command gives a new score.
void SetDefaultGeometry(CKVDoc& doc);

// Builds the score into a freshly constructed document. Returns 1, or 0
// when the document could not be made.
int GenerateScore(CKVDoc& doc, const GeneratedScoreShape& shape = GeneratedScoreShape {});

// Whether the generator places chord symbols (they need the chord classes).
bool GeneratorMakesChordSymbols();

} // namespace kvtest
