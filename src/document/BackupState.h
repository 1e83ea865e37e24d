#pragma once
// Process-wide switches of the undo machinery. One edit, undo or redo runs at
// a time, so they are plain values without a lock.

#include "Platform.h"

class CKVDoc;
class CKVSystem;

// 1 (the start value): a deep copy gives each copied symbol its source's id.
// 0 while an undo clone is made: each copy gets a new id of the map.
int GetKeepIds();
void SetKeepIds(int keep);

// 1 while the selected measures are being backed up; the caret delete
// command reads it.
int GetSelBackup();
void SetSelBackup(int on);

// 1 while an undo step is replayed, 0 while a redo step is; the tie and slur
// relink replay reads it.
int GetReplayDirection();
void SetReplayDirection(int undo);

// Replays a step's tie and slur records (relinks and removals) in the
// direction of GetReplayDirection, as a measure's SlurFeedback does.
void ReplaySlurStep(CKVSystem* system, CPtrArray* slurStep);

// Takes back the tie and slur relinks that a clone which failed part-way
// wrote to the open slur list from index `from` on, newest first, and frees
// those records.
void DropRelinksFrom(CKVDoc* doc, int from);
