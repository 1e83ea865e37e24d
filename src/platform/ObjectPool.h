#pragma once
// Pooled storage for the small objects that a score holds by the hundred
// thousand (its nodes, their heads, child references, handles and the lists
// of the arrays of Arrays.h): blocks of a few sizes carved from large slabs,
// so that making and freeing one costs a few instructions, not a heap search.
// A class takes part with KV_POOLED_ALLOCATION in its body, a container with
// KvPoolAllocator. Their new and delete (also through KvNew, whose counted
// failures stay as they are) then come from the pool. A slab whose last block
// goes is given back to the heap, but for one kept per block size while other
// pooled blocks live; when the last pooled block of the process goes, that
// one goes too.
// Like the rest of the process-wide state of the score model (and unlike the
// host-facing tables of windows, timers and resources, which lock), the pool
// and so the library's arrays are used by one thread at a time. Under
// AddressSanitizer every block is a plain heap block, so that use after free
// and leaks are still seen.
#include <cstddef>
#include <new>

// A block of at least `size` bytes, aligned for any object; null when the
// heap cannot give it.
void* KvPoolAllocate(size_t size) noexcept;
// Gives back a block of KvPoolAllocate; null is ignored.
void KvPoolFree(void* block) noexcept;

// The heap block a slab takes; blocks of up to 1,016 bytes come from slabs,
// larger ones are heap blocks of their own.
inline constexpr size_t kKvPoolSlabBytes = 64 * 1024;
inline constexpr size_t kKvPoolLargestBlock = 1016;

// What the pool holds: its blocks in use, and the heap bytes of its slabs
// (zero when the pool is off). For tests and measurements.
size_t KvPoolLiveBlocks();
size_t KvPoolSlabBytes();
// False when every block is a plain heap block (under AddressSanitizer).
bool KvPoolEnabled();

// The class-level allocation functions of a pooled class.
#define KV_POOLED_ALLOCATION                                                          \
    static void* operator new(size_t size)                                            \
    {                                                                                 \
        if (void* block = KvPoolAllocate(size))                                       \
            return block;                                                             \
        throw std::bad_alloc();                                                       \
    }                                                                                 \
    static void* operator new(size_t size, const std::nothrow_t&) noexcept            \
    {                                                                                 \
        return KvPoolAllocate(size);                                                  \
    }                                                                                 \
    static void operator delete(void* block) noexcept { KvPoolFree(block); }          \
    static void operator delete(void* block, const std::nothrow_t&) noexcept          \
    {                                                                                 \
        KvPoolFree(block);                                                            \
    }

// The pool as the allocator of a standard container.
template <class T>
struct KvPoolAllocator {
    using value_type = T;

    KvPoolAllocator() noexcept = default;
    template <class U>
    KvPoolAllocator(const KvPoolAllocator<U>&) noexcept
    {
    }

    T* allocate(size_t count)
    {
        if (count > static_cast<size_t>(-1) / sizeof(T))
            throw std::bad_array_new_length();
        if (void* block = KvPoolAllocate(count * sizeof(T)))
            return static_cast<T*>(block);
        throw std::bad_alloc();
    }
    void deallocate(T* block, size_t) noexcept { KvPoolFree(block); }

    template <class U>
    bool operator==(const KvPoolAllocator<U>&) const noexcept
    {
        return true;
    }
};
