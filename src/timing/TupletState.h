#pragma once
// Process-wide values of the tuplet code. One caller at a time, like the
// other process-wide flags.

#include "Platform.h"

// The style (flag word) that tuplets made while a foreign score is being
// converted get; the import sets it before it groups a range. 0 initially.
WORD GetImportTupletStyle();
void SetImportTupletStyle(WORD style);

// Set by CKVMsg::DeleteTuplet when it has run; the range code clears it
// before each call. 0 initially.
int GetTupletDeleted();
void SetTupletDeleted(int value);

// 1: CKVMsg::DeleteTuplet takes every tuplet off the symbol and its
// members; 0: only the first one it finds. The import clears it around
// the tuplets of single notes. 1 initially.
int GetRangeTupletFlag();
void SetRangeTupletFlag(int value);
