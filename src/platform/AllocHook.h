#pragma once
// Allocation of score objects that may fail. Code that must survive a failed
// allocation (the undo clones, the deep copies) allocates through KvNew and
// checks for null. Tests make the n-th such allocation fail to drive those
// paths.

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

// The counted allocations to go until one fails (it is the last of them);
// 0 or less: none fails. Set through KvFailAllocationAfter.
extern int nKvAllocationsToFailure;

// 1 when the next counted allocation is to fail (and counts it). Inline:
// every node, reference and handle of a read is counted.
inline bool KvAllocationFails()
{
    if (nKvAllocationsToFailure <= 0)
        return false;
    return --nKvAllocationsToFailure == 0;
}

// Makes the n-th counted allocation from now fail (1 = the next one); 0 or
// less turns the failure off. Reset with the process state.
void KvFailAllocationAfter(int n);

template <typename T, typename... Args>
T* KvNew(Args&&... args)
{
    if (KvAllocationFails())
        return nullptr;
    // Aggregates (POINT, RECT) take braces: not every compiler in use accepts
    // parentheses for them.
    if constexpr (std::is_aggregate_v<T>)
        return new (std::nothrow) T {std::forward<Args>(args)...};
    else
        return new (std::nothrow) T(std::forward<Args>(args)...);
}

// A tally of heap bytes for measuring what a score costs in memory. The
// library never feeds it itself; a program that replaces the global
// allocation functions reports each block here (its usable size) and reads
// the live and peak bytes. Counting is off until KvHeapTallyEnable(true).
void KvHeapTallyEnable(bool on);
bool KvHeapTallyEnabled();
void KvHeapTallyAllocated(size_t bytes);
void KvHeapTallyFreed(size_t bytes);
// The live bytes now, and the most that were live since the last reset.
long long KvHeapTallyLive();
long long KvHeapTallyPeak();
// Starts a new peak from the live bytes now.
void KvHeapTallyResetPeak();
