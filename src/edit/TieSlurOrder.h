#pragma once
// The order in which ties are made between listed notes: by measure, then
// position word, then the lower note first.

#include "Platform.h"

#include <vector>

class CKVSystem;

// qsort comparator of two message ids (pointers to DWORD), looked up in the
// process-wide sort system (pSortSystem): the earlier measure first, in one
// measure the smaller position word, at one position the larger vertical
// position. An id that names no symbol sorts after every present one; two
// such ids compare equal.
int CompareTieMsgOrder(const void* a, const void* b);

// Sorts ids stably by CompareTieMsgOrder with `system` as the sort system;
// the sort system is restored afterwards.
void SortTieMsgIds(std::vector<DWORD>& ids, CKVSystem* system);
