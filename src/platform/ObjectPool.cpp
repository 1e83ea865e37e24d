// The slabs and block sizes behind the pooled allocation of score objects.

#include "ObjectPool.h"

#include <cstdint>

using kvpool::kAlign;
using kvpool::kLargestBlock;
using kvpool::kTag;
using kvpool::Slab;
using kvpool::SizeClass;

namespace kvpool {

SizeClass classes[kClasses];
size_t liveBlocks = 0;

} // namespace kvpool

namespace {

constexpr size_t kLargestObject = kLargestBlock - kTag;
constexpr size_t kSlabBytes = kKvPoolSlabBytes;
static_assert(kLargestObject == kKvPoolLargestBlock);

size_t s_slabBytes = 0;

// Blocks start 8 bytes short of a boundary, so their objects lie on one.
constexpr size_t kFirstBlock = (sizeof(Slab) + kAlign - 1) / kAlign * kAlign + kAlign - kTag;

[[maybe_unused]] void List(SizeClass& sizes, Slab* slab)
{
    slab->prev = nullptr;
    slab->next = sizes.withRoom;
    if (sizes.withRoom)
        sizes.withRoom->prev = slab;
    sizes.withRoom = slab;
    slab->listed = true;
}

[[maybe_unused]] void Unlist(SizeClass& sizes, Slab* slab)
{
    if (slab->prev)
        slab->prev->next = slab->next;
    else
        sizes.withRoom = slab->next;
    if (slab->next)
        slab->next->prev = slab->prev;
    slab->prev = slab->next = nullptr;
    slab->listed = false;
}

// An empty slab hands its blocks out again from the first, in address order.
[[maybe_unused]] void Rewind(Slab* slab)
{
    slab->freed = nullptr;
    slab->fresh = reinterpret_cast<char*>(slab) + kFirstBlock;
}

[[maybe_unused]] Slab* NewSlab(SizeClass& sizes, size_t blockSize)
{
    void* memory = ::operator new(kSlabBytes, std::nothrow);
    if (!memory)
        return nullptr;
    Slab* slab = static_cast<Slab*>(memory);
    Rewind(slab);
    slab->end = static_cast<char*>(memory) + kSlabBytes;
    slab->live = 0;
    slab->blockSize = blockSize;
    List(sizes, slab);
    s_slabBytes += kSlabBytes;
    return slab;
}

[[maybe_unused]] void DeleteSlab(SizeClass& sizes, Slab* slab)
{
    if (slab->listed)
        Unlist(sizes, slab);
    if (sizes.spare == slab)
        sizes.spare = nullptr;
    s_slabBytes -= kSlabBytes;
    ::operator delete(slab);
}

[[maybe_unused]] void DeleteSpares()
{
    for (SizeClass& sizes : kvpool::classes) {
        if (sizes.spare)
            DeleteSlab(sizes, sizes.spare);
    }
}

[[maybe_unused]] void* LargeBlock(size_t size)
{
    char* memory = static_cast<char*>(::operator new(size + kAlign, std::nothrow));
    if (!memory)
        return nullptr;
    *reinterpret_cast<Slab**>(memory + kAlign - kTag) = nullptr;
    return memory + kAlign;
}

} // namespace

#ifdef KV_POOL_PLAIN

void* KvPoolAllocate(size_t size) noexcept
{
    return ::operator new(size ? size : 1, std::nothrow);
}

void KvPoolFree(void* block) noexcept
{
    ::operator delete(block);
}

bool KvPoolEnabled()
{
    return false;
}

#else

void* kvpool::AllocateSlow(size_t size) noexcept
{
    if (size > kLargestObject)
        return LargeBlock(size);
    const size_t blockSize = (size + kTag + kAlign - 1) / kAlign * kAlign;
    SizeClass& sizes = kvpool::classes[blockSize / kAlign];
    Slab* slab = sizes.withRoom;
    if (!slab) {
        slab = NewSlab(sizes, blockSize);
        if (!slab)
            return nullptr;
    }
    char* object;
    if (slab->freed) {
        object = static_cast<char*>(slab->freed);
        slab->freed = *reinterpret_cast<void**>(object);
    } else {
        object = slab->fresh + kTag;
        slab->fresh += blockSize;
    }
    *reinterpret_cast<Slab**>(object - kTag) = slab;
    // Only an empty slab can be the spare.
    if (slab->live++ == 0 && sizes.spare == slab)
        sizes.spare = nullptr;
    ++kvpool::liveBlocks;
    if (!slab->freed && static_cast<size_t>(slab->end - slab->fresh) < blockSize)
        Unlist(sizes, slab);
    return object;
}

void KvPoolFree(void* block) noexcept
{
    if (!block)
        return;
    char* object = static_cast<char*>(block);
    Slab* slab = *reinterpret_cast<Slab**>(object - kTag);
    if (!slab) {
        ::operator delete(object - kAlign);
        return;
    }
    *reinterpret_cast<void**>(object) = slab->freed;
    slab->freed = object;
    --slab->live;
    --kvpool::liveBlocks;
    SizeClass& sizes = kvpool::classes[slab->blockSize / kAlign];
    if (!slab->listed)
        List(sizes, slab);
    if (slab->live == 0) {
        if (sizes.spare) {
            DeleteSlab(sizes, slab);
        } else {
            Rewind(slab);
            sizes.spare = slab;
        }
    }
    if (kvpool::liveBlocks == 0)
        DeleteSpares();
}

bool KvPoolEnabled()
{
    return true;
}

#endif

size_t KvPoolLiveBlocks()
{
    return kvpool::liveBlocks;
}

size_t KvPoolSlabBytes()
{
    return s_slabBytes;
}
