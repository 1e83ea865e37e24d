#pragma once
// Work lists of a staff copy. The copied-message map takes the old id of
// every message that a deep copy made anew to the copy's id, so that ties,
// slurs and tuplets copied with the staff can be pointed at the copied notes
// once every measure exists. The pending reference list keeps the child
// references of copies that still named an id the copy-pointer map did not
// know when they were made. Both are process-wide; one copy uses them at a
// time, and a staff copy empties them when it starts.

#include "Platform.h"

#include <cstddef>

class CKVObject;
struct MsgRef;

void SetCopyMsgMap(DWORD oldId, DWORD newId);
// 1 and the new id when the old id is known, else 0 (newId unchanged).
int LookupCopyMsgMap(DWORD oldId, DWORD& newId);
// The new ids, in the order their old ids were first entered.
void GetCopyMsgMapValues(CDWordArray& newIds);
void ClearCopyMsgMap();

// holder is the copy that holds the reference and sourceId the id of the
// symbol it was copied from (0 when not a symbol): once resolved, the tie,
// slur or tuplet that named that symbol as an end names the copy instead.
void AddCopyPendingRef(MsgRef* ref, CKVObject* holder = nullptr, DWORD sourceId = 0);
// Every pending reference takes the copy-pointer map's new id for its id
// when the map knows it.
void ResolveCopyPendingRefs();
void ClearCopyPendingRefs();
// How many references are pending, to mark where one copy's own begin.
size_t CopyPendingRefCount();
// The pending references from index `first` on that the copy-pointer map
// knows take their new ids and leave the list; the others stay pending.
void ResolveCopyPendingRefsFrom(size_t first);
// Forgets the pending references from index `first` on (their copy failed
// and is about to go).
void DropCopyPendingRefsFrom(size_t first);
