// The slabs and block sizes behind the pooled allocation of score objects.

#include "ObjectPool.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include <sys/mman.h>

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

// Slabs are carved from chunks of 2 MiB that lie on a 2 MiB boundary and are
// offered to the kernel for huge pages: a score's objects, spread over tens
// of megabytes, then take one address translation per 2 MiB instead of one
// per 4 KiB page, and walking a whole score (a save, say) no longer misses
// the translation cache at every few symbols. Where the kernel keeps to small
// pages the advice is ignored and nothing else changes. A chunk goes back to
// the heap when its last slab does.
constexpr size_t kChunkBytes = kKvPoolChunkBytes;
constexpr size_t kSlabsPerChunk = kChunkBytes / kSlabBytes;
static_assert(kSlabsPerChunk <= 64 && kChunkBytes % kSlabBytes == 0);
constexpr std::uint64_t kChunkFull = kSlabsPerChunk == 64 ? ~std::uint64_t {0} : (std::uint64_t {1} << kSlabsPerChunk) - 1;
constexpr std::align_val_t kChunkAlignment {kChunkBytes};

struct Chunk {
    char* base;
    std::uint64_t used; // a bit per slab
};

// By address, so that a slab finds its chunk by a binary search. Made on
// first use, as a static object of another file may take the first block,
// and never destroyed, as one may also give back the last.
std::vector<Chunk>& Chunks()
{
    static std::vector<Chunk>* chunks = new std::vector<Chunk>;
    return *chunks;
}
// No chunk before this one has a slab to give.
size_t s_chunkWithRoom = 0;

[[maybe_unused]] void* TakeSlabMemory()
{
    std::vector<Chunk>& chunks = Chunks();
    for (size_t& i = s_chunkWithRoom; i < chunks.size(); ++i) {
        Chunk& chunk = chunks[i];
        if (chunk.used != kChunkFull) {
            const int slot = __builtin_ctzll(~chunk.used);
            chunk.used |= std::uint64_t {1} << slot;
            return chunk.base + static_cast<size_t>(slot) * kSlabBytes;
        }
    }
    char* memory = static_cast<char*>(::operator new(kChunkBytes, kChunkAlignment, std::nothrow));
    if (!memory)
        return nullptr;
    madvise(memory, kChunkBytes, MADV_HUGEPAGE);
    const auto at = std::lower_bound(chunks.begin(), chunks.end(), memory,
                                     [](const Chunk& chunk, const char* base) { return chunk.base < base; });
    try {
        s_chunkWithRoom = std::min(s_chunkWithRoom, static_cast<size_t>(chunks.insert(at, {memory, 1}) - chunks.begin()));
    } catch (...) {
        ::operator delete(memory, kChunkAlignment);
        return nullptr;
    }
    return memory;
}

[[maybe_unused]] void GiveSlabMemory(void* slab)
{
    std::vector<Chunk>& chunks = Chunks();
    char* at = static_cast<char*>(slab);
    auto chunk = std::upper_bound(chunks.begin(), chunks.end(), at,
                                  [](const char* address, const Chunk& c) { return address < c.base; });
    if (chunk == chunks.begin())
        return;
    --chunk;
    if (at >= chunk->base + kChunkBytes)
        return;
    chunk->used &= ~(std::uint64_t {1} << ((at - chunk->base) / kSlabBytes));
    const size_t index = static_cast<size_t>(chunk - chunks.begin());
    if (chunk->used == 0) {
        ::operator delete(chunk->base, kChunkAlignment);
        chunks.erase(chunk);
    }
    s_chunkWithRoom = std::min(s_chunkWithRoom, index);
}

[[maybe_unused]] Slab* NewSlab(SizeClass& sizes, size_t blockSize)
{
    void* memory = TakeSlabMemory();
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
    GiveSlabMemory(slab);
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

size_t KvPoolChunkBytes()
{
    return Chunks().size() * kChunkBytes;
}
