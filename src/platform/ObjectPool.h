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

// Under AddressSanitizer the pool steps aside: blocks carved from a slab
// would hide a use after free and a leak from it.
#if defined(__SANITIZE_ADDRESS__)
#define KV_POOL_PLAIN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_POOL_PLAIN 1
#endif
#endif

// A block of at least `size` bytes, aligned for any object; null when the
// heap cannot give it.
#ifdef KV_POOL_PLAIN
void* KvPoolAllocate(size_t size) noexcept;
#else
inline void* KvPoolAllocate(size_t size) noexcept;
#endif
// Gives back a block of KvPoolAllocate; null is ignored.
void KvPoolFree(void* block) noexcept;
// `count` blocks of at least `size` bytes each in out, when one slab can
// give them all at once from its unused end: count, or 0 (out untouched)
// when it cannot, and the caller takes them one by one. Each block is an
// ordinary block of the pool, given back with KvPoolFree on its own.
inline int KvPoolAllocateRun(size_t size, void** out, int count) noexcept;

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

// The slabs, as far as the inline allocation below reads and writes them;
// ObjectPool.cpp keeps the rest. Objects start on 16-byte boundaries; the 8
// bytes before each name the slab it came from (null for a large block).
namespace kvpool {

struct Slab {
    Slab* prev;      // in its size's list of slabs with room
    Slab* next;
    void* freed;     // objects given back, linked through their first word
    char* fresh;     // the first block never handed out
    char* end;
    size_t live;     // blocks in use
    size_t blockSize;
    bool listed;     // in the list of slabs with room
};

struct SizeClass {
    Slab* withRoom; // slabs with a block to give
    Slab* spare;    // an empty slab kept for the next blocks of this size
};

inline constexpr size_t kAlign = 16;
inline constexpr size_t kTag = sizeof(void*);
inline constexpr size_t kLargestBlock = 1024;
inline constexpr size_t kClasses = kLargestBlock / kAlign + 1;

extern SizeClass classes[kClasses];
extern size_t liveBlocks;

// Every other case: large blocks, a size without a slab with room, the
// spare slab, and the block that leaves its slab full.
void* AllocateSlow(size_t size) noexcept;

} // namespace kvpool

#ifndef KV_POOL_PLAIN
// Inline for the common case, a block from a slab that keeps room after it:
// a read makes half a million blocks, and a pooled class's constant size
// then picks its slab list at compile time.
inline void* KvPoolAllocate(size_t size) noexcept
{
    using namespace kvpool;
    if (size <= kLargestBlock - kTag) {
        const size_t blockSize = (size + kTag + kAlign - 1) / kAlign * kAlign;
        Slab* slab = classes[blockSize / kAlign].withRoom;
        // A slab with no block in use may be the spare: the slow path.
        if (slab && slab->live != 0) {
            char* object = nullptr;
            if (void* freed = slab->freed) {
                void* next = *static_cast<void**>(freed);
                if (next || static_cast<size_t>(slab->end - slab->fresh) >= blockSize) {
                    slab->freed = next;
                    object = static_cast<char*>(freed);
                }
            } else if (static_cast<size_t>(slab->end - slab->fresh) >= 2 * blockSize) {
                object = slab->fresh + kTag;
                slab->fresh += blockSize;
            }
            if (object) {
                *reinterpret_cast<Slab**>(object - kTag) = slab;
                ++slab->live;
                ++liveBlocks;
                return object;
            }
        }
    }
    return AllocateSlow(size);
}
#endif

#ifndef KV_POOL_PLAIN
// For the handles of a symbol, made three or four at a time: one look at the
// slab instead of one per block. The slab keeps a block after the run, as
// a single allocation does, so that it stays on its list.
inline int KvPoolAllocateRun(size_t size, void** out, int count) noexcept
{
    using namespace kvpool;
    if (count <= 0 || size > kLargestBlock - kTag)
        return 0;
    const size_t blockSize = (size + kTag + kAlign - 1) / kAlign * kAlign;
    Slab* slab = classes[blockSize / kAlign].withRoom;
    if (!slab || slab->live == 0 || slab->freed)
        return 0;
    const size_t run = static_cast<size_t>(count) * blockSize;
    if (static_cast<size_t>(slab->end - slab->fresh) < run + blockSize)
        return 0;
    char* fresh = slab->fresh;
    for (int i = 0; i < count; ++i, fresh += blockSize) {
        *reinterpret_cast<Slab**>(fresh) = slab;
        out[i] = fresh + kTag;
    }
    slab->fresh = fresh;
    slab->live += static_cast<size_t>(count);
    liveBlocks += static_cast<size_t>(count);
    return count;
}
#else
inline int KvPoolAllocateRun(size_t, void**, int) noexcept
{
    return 0;
}
#endif

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
