#pragma once
// Allocation of score objects that may fail. Code that must survive a failed
// allocation (the undo clones, the deep copies) allocates through KvNew and
// checks for null. Tests make the n-th such allocation fail to drive those
// paths.

#include <new>
#include <type_traits>
#include <utility>

// 1 when the next counted allocation is to fail (and counts it).
bool KvAllocationFails();

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
