#pragma once
// The time order of a measure's walk list. Ids are resolved through the
// process-wide sort system (pSortSystem), which the caller sets first.
//
// The order compares, in turn: whether the symbol is missing or stands
// outside a measure (such ids go last), the position word of its place, its
// own performed start, marks (kinds 8 and 55 to 58) before everything else,
// and the larger vertical position of its place first. The place is the
// symbol itself, or its container when it is a member of a chord or group.
// The key is total, so the order is a strict weak order.

#include "Platform.h"

class CKVMsg;

// Negative, 0 or positive as the symbol of id a comes before, with or after
// the symbol of id b.
int CompareMsgTime(const DWORD* a, const DWORD* b);

// Sorts ids by CompareMsgTime; ids with equal keys keep their order.
void SortByMsgTime(CDWordArray& ids);

// Whether every id comes strictly before the next by CompareMsgTime, each
// id resolved once.
bool IsStrictlyInMsgTimeOrder(const CDWordArray& ids);
// The same for symbols already resolved, none of them null.
bool IsStrictlyInMsgTimeOrder(CKVMsg* const* msgs, int count);
