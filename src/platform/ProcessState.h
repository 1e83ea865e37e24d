#pragma once
// Process-wide state of the library registers a reset function under its
// name, so that tests can bring the whole process back to its start state.

using KvResetFunction = void (*)();

// Registers a reset; registration normally happens in a static initialiser.
// Registering the same name twice replaces the earlier function.
void RegisterProcessReset(const char* name, KvResetFunction reset);

// Runs every registered reset in the order of registration.
void ResetProcessState();

// Helper for registration at namespace scope:
//   static KvProcessReset s_reset("name", &ResetFunction);
struct KvProcessReset {
    KvProcessReset(const char* name, KvResetFunction reset) { RegisterProcessReset(name, reset); }
};
