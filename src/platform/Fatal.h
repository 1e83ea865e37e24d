#pragma once
// Ends the process after an internal invariant broke (an index out of range,
// for instance). It is a safety net for programming faults, never a way to
// report bad input: readers check their data and return failure values.

[[noreturn]] void KvFatal(const char* format, ...) __attribute__((format(printf, 1, 2)));
