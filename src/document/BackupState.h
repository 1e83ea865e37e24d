#pragma once
// Whether a deep copy keeps its source's message ids. 1 normally: a copy
// into another system keeps every id. The undo clones turn it off while
// they copy, so that the clone's messages get ids of their own beside the
// originals in the same map. One caller at a time.

int GetKeepIds();
void SetKeepIds(int keep);
