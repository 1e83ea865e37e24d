#pragma once
// The shared opening of the note commands: one undo step, the backup of what
// they reach, and the selected symbols they then walk. With every page
// selected the whole document is backed up and the walk covers the live tree,
// so that undo restores exactly what the command changed.

#include "Platform.h"

#include <vector>

class CKVDoc;
class CKVMsg;
class CKVMeas;

namespace noteframe {

// Opens the undo step and backs up the selection (the whole document with
// every page selected). False when the command must stop: memory short, or
// every page selected while nothing is recorded.
bool Open(CKVDoc& doc);

// The selected symbols, each id once, in collection order; null symbols and
// symbols of another voice are left out (voice 0 takes every voice; only the
// low byte counts). With every page selected: every symbol of the live tree,
// staves before ossia staves, each group or chord followed by its members.
std::vector<CKVMsg*> Collect(CKVDoc& doc, int voice);

// Every symbol of the live tree in that order, for whole-score commands.
std::vector<CKVMsg*> LiveSymbols(CKVDoc& doc);

// Whether a symbol passes the voice filter (0 every voice; the low byte).
bool VoiceMatches(const CKVMsg& msg, int voice);

// The measure that holds a symbol; for a note drawn on the staff above or
// below, that staff's measure when it has one.
CKVMeas* ShownMeas(CKVMsg& msg);

} // namespace noteframe
