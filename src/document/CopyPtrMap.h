#pragma once
// The copy-pointer map: old id to new id of every tie, slur and tuplet that a
// deep copy, a paste or a record read has made anew. The other end note of
// such a symbol still names the old id; the map lets it find the new one.
// One map for the process; one copy or read uses it at a time.

#include "Platform.h"

#include <cstddef>
#include <utility>
#include <vector>

void SetCopyPtrMap(DWORD oldId, DWORD newId);
// Room for about `entries` entries before the map grows, for a read that
// can tell how many it may meet.
void ReserveCopyPtrMap(size_t entries);
// 1 and the new id when the old id is known, else 0 (newId unchanged).
int LookupCopyPtrMap(DWORD oldId, DWORD& newId);
// 1 when some entry's new id equals id.
int FindCopyPtrMapValue(DWORD id);
void RemoveCopyPtrMapKey(DWORD oldId);
void ClearCopyPtrMap();

// The entries as they stand, to be put back after some other copy has used
// the map in between.
using CopyPtrMapEntries = std::vector<std::pair<DWORD, DWORD>>;
CopyPtrMapEntries SaveCopyPtrMap();
void RestoreCopyPtrMap(const CopyPtrMapEntries& entries);
