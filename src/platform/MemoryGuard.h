#pragma once
// The library's one allocation-failure report and its free-memory test.

#include "Platform.h"

// After a failed allocation (code 1): asks "Out of Memory !!!" with Yes and
// No. Yes ends the process; otherwise the answer is returned and the caller
// returns its own failure value. Any other code is returned unchanged and
// shows nothing.
int ReportOutOfMemory(int code);

// 1 when at least `bytes` of address space are free; otherwise reports as
// above and returns 0.
int CheckAvailableMemory(int bytes);
