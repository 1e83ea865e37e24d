#pragma once
// Work lists of a staff copy. The copied-message map takes the old id of
// every message that a deep copy made anew to the copy's id, so that ties,
// slurs and tuplets copied with the staff can be pointed at the copied notes
// once every measure exists. The pending reference list keeps the child
// references of copies that still named an id the copy-pointer map did not
// know when they were made. Both are process-wide; one copy uses them at a
// time, and a staff copy empties them when it starts.

#include "Platform.h"

struct MsgRef;

void SetCopyMsgMap(DWORD oldId, DWORD newId);
// 1 and the new id when the old id is known, else 0 (newId unchanged).
int LookupCopyMsgMap(DWORD oldId, DWORD& newId);
// The new ids, in the order their old ids were first entered.
void GetCopyMsgMapValues(CDWordArray& newIds);
void ClearCopyMsgMap();

void AddCopyPendingRef(MsgRef* ref);
// Every pending reference takes the copy-pointer map's new id for its id
// when the map knows it.
void ResolveCopyPendingRefs();
void ClearCopyPendingRefs();
