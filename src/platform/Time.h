#pragma once
// System time, local time and the millisecond tick count. Tests fix the clock
// process-wide, so that everything that reads the time sees the same instant.

#include "WinTypes.h"

#include <chrono>
#include <optional>

// The current time in UTC.
void GetSystemTime(LPSYSTEMTIME time);
// The current time in the process's time zone.
void GetLocalTime(LPSYSTEMTIME time);
// Milliseconds since the library was loaded, wrapping at 2^32 (about 49.7
// days) as callers of the 32-bit count expect.
DWORD GetTickCount();

// A fixed instant: the UTC time and how long the library has been loaded.
struct KvFixedClock {
    std::chrono::sys_time<std::chrono::milliseconds> utc;
    std::chrono::milliseconds sinceLoad {0};
};

// Fixes the clock that drives GetSystemTime, GetLocalTime and GetTickCount;
// nullopt returns to the real clock. Process reset returns to the real clock.
void KvSetFixedClock(std::optional<KvFixedClock> clock);
