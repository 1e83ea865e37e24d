#pragma once
// A check that a score is whole after an edit: the cursor and the selection
// records name objects of the tree, every tie and slur is held by both its
// notes with the flag bits to match, every tuplet a note names is one of the
// tree's, no note standing in its measure carries the mark of a group or
// chord member, no voice of a measure takes more ticks than its 16-bit start
// times reach, a command that changed the score can be undone to the bytes it
// started from and redone to the bytes it left, and saving and loading the
// score changes nothing.
//
// Objects are told apart by walking the tree from the document and comparing
// addresses: a cursor or record that names a freed object is never read (the
// object pool keeps freed memory out of AddressSanitizer's sight, so reading
// it would go unnoticed).

#include "Platform.h"
#include "model/KVMeas.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CKVDoc;

namespace kvtest {

// What is wrong with the score as it stands, one line per fault; empty when
// it is whole.
std::vector<std::string> IntegrityProblems(CKVDoc& doc);

// The ticks each voice of a measure takes (index 0 is voice 1): the exact
// play times of its notes, rests and chords that are not grace notes, in the
// measure and in its beam groups, added up and rounded up.
std::array<std::int64_t, CKVMeas::VOICES> VoiceTicks(CKVMeas& meas);

// The score's body as Save writes it.
std::vector<unsigned char> SavedBytes(CKVDoc& doc);

// Runs one command and checks the score after it: the walk above, that each
// voice's start times are those that timing it in position order gives
// (where they were before the command), and, when
// the command changed the saved bytes while recording was on, that it left
// an undo step, that undo gives back the bytes from before it and redo the
// bytes it left (the walk runs after each), and that a save and a load give
// back the same score. With recording off only the walk and the reload are
// checked. The faults found, each prefixed by where it was seen.
std::vector<std::string> CheckedStep(CKVDoc& doc, const std::function<void()>& command);

// What QueryChanges compares, as a mask: a command may legitimately touch
// some of these before it refuses (a backup puts clones into the tree and
// fills the open step, and the clones save to other bytes; copying into a
// temporary system marks the document modified). The score's content is
// its canonical dump, which numbers the symbols afresh.
enum Compared : unsigned {
    kSavedBytes = 1,
    kModifiedFlag = 2,
    kTreeMeasures = 4,
    kUndoHistory = 8,
    kSelectionRecords = 16,
    kEverything = 31,
    kScoreContent = 32,
};

// What a read-only query (or a command that refused) changed in the
// document: its saved bytes, its modified flag, the measures of its tree,
// its undo history and open step, or its selection records, one line each;
// empty when it changed nothing. The cursor and the redraw state belong to
// the view and are not compared.
std::vector<std::string> QueryChanges(CKVDoc& doc, const std::function<void()>& query,
                                      unsigned compared = kEverything);

// Whether a save and a load give back the same score.
std::vector<std::string> ReloadProblems(CKVDoc& doc);

// Expects the cursor on nothing: no block, staff or measure, the indexes at
// -1, and the document's current staff and measure numbers saying so.
void ExpectNoCursor(CKVDoc& doc);

// One line of the faults, for a failure message.
std::string Joined(const std::vector<std::string>& problems);

} // namespace kvtest
