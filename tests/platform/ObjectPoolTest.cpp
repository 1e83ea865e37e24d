// The pool behind the score objects: separate, aligned blocks of every size,
// slabs given back as they empty, and the counted allocation failure
// unchanged for pooled classes.

#include "support/KvTest.h"

#include "AllocHook.h"
#include "ObjectPool.h"
#include "model/KVCtrlPoint.h"
#include "model/KVObject.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using ObjectPool = kvtest::KvTest;

struct Block {
    unsigned char* bytes;
    size_t size;
    unsigned char fill;
};

bool Intact(const Block& block)
{
    for (size_t i = 0; i < block.size; ++i) {
        if (block.bytes[i] != block.fill)
            return false;
    }
    return true;
}

// Blocks of neighbouring sizes share slabs: writing each one whole must
// leave every other as it was, in pooled sizes and beyond.
TEST_F(ObjectPool, BlocksOfEverySizeAreSeparateAndAligned)
{
    std::vector<Block> blocks;
    for (size_t size : {size_t {1}, size_t {8}, size_t {12}, size_t {24}, size_t {240}, size_t {416}, kKvPoolLargestBlock,
                        kKvPoolLargestBlock + 1, size_t {5000}}) {
        for (int i = 0; i < 150; ++i) {
            auto* bytes = static_cast<unsigned char*>(KvPoolAllocate(size));
            ASSERT_NE(bytes, nullptr);
            EXPECT_EQ(reinterpret_cast<uintptr_t>(bytes) % 16, 0u) << size;
            const auto fill = static_cast<unsigned char>(blocks.size() * 7 + 1);
            std::memset(bytes, fill, size);
            blocks.push_back({bytes, size, fill});
        }
    }
    // Every other block goes, then new ones take the freed places.
    for (size_t i = 0; i < blocks.size(); i += 2) {
        KvPoolFree(blocks[i].bytes);
        blocks[i].bytes = static_cast<unsigned char*>(KvPoolAllocate(blocks[i].size));
        ASSERT_NE(blocks[i].bytes, nullptr);
        std::memset(blocks[i].bytes, blocks[i].fill, blocks[i].size);
    }
    for (const Block& block : blocks) {
        EXPECT_TRUE(Intact(block)) << block.size;
        KvPoolFree(block.bytes);
    }
    KvPoolFree(nullptr);
}

// A long-running host must not keep the slabs of every score it ever held.
TEST_F(ObjectPool, EmptySlabsGoBackToTheHeap)
{
    if (!KvPoolEnabled())
        GTEST_SKIP() << "the pool is off under AddressSanitizer";
    const size_t before = KvPoolSlabBytes();
    const size_t liveBefore = KvPoolLiveBlocks();
    std::vector<void*> blocks;
    for (int i = 0; i < 1000; ++i)
        blocks.push_back(KvPoolAllocate(900));
    EXPECT_EQ(KvPoolLiveBlocks(), liveBefore + 1000);
    EXPECT_GE(KvPoolSlabBytes(), before + 10 * kKvPoolSlabBytes);

    // All but the first block: their slabs go, but for one kept empty.
    for (size_t i = 1; i < blocks.size(); ++i)
        KvPoolFree(blocks[i]);
    EXPECT_LE(KvPoolSlabBytes(), before + 2 * kKvPoolSlabBytes);

    KvPoolFree(blocks[0]);
    EXPECT_EQ(KvPoolLiveBlocks(), liveBefore);
    EXPECT_LE(KvPoolSlabBytes(), before + kKvPoolSlabBytes);
    // With no pooled block left in the process, no slab is left either.
    if (liveBefore == 0) {
        EXPECT_EQ(KvPoolSlabBytes(), 0u);
    }
}

// Slabs filled to their last block, then emptied in a scattered order and
// filled again: the blocks stay apart, the counts stay right, and the
// refill takes no slab beyond those the pool has.
TEST_F(ObjectPool, FullSlabsEmptiedAndRefilledKeepTheirBlocksApart)
{
    if (!KvPoolEnabled())
        GTEST_SKIP() << "the pool is off under AddressSanitizer";
    constexpr size_t kSize = 100; // a block of 112 bytes with its tag
    const size_t live = KvPoolLiveBlocks();
    const int count = static_cast<int>(3 * (kKvPoolSlabBytes / 112) + 7);
    std::vector<Block> blocks;
    for (int i = 0; i < count; ++i) {
        auto* bytes = static_cast<unsigned char*>(KvPoolAllocate(kSize));
        ASSERT_NE(bytes, nullptr);
        const auto fill = static_cast<unsigned char>(i * 13 + 5);
        std::memset(bytes, fill, kSize);
        blocks.push_back({bytes, kSize, fill});
    }
    const size_t slabs = KvPoolSlabBytes();
    for (int pass = 0; pass < 2; ++pass) {
        // Every third block, then every fifth of those left, go and come back.
        const int step = pass == 0 ? 3 : 5;
        for (int i = pass; i < count; i += step)
            KvPoolFree(blocks[static_cast<size_t>(i)].bytes);
        for (int i = pass; i < count; i += step) {
            Block& block = blocks[static_cast<size_t>(i)];
            block.bytes = static_cast<unsigned char*>(KvPoolAllocate(kSize));
            ASSERT_NE(block.bytes, nullptr);
            std::memset(block.bytes, block.fill, kSize);
        }
        EXPECT_EQ(KvPoolLiveBlocks(), live + static_cast<size_t>(count));
        EXPECT_EQ(KvPoolSlabBytes(), slabs);
    }
    for (const Block& block : blocks) {
        EXPECT_TRUE(Intact(block));
        KvPoolFree(block.bytes);
    }
    EXPECT_EQ(KvPoolLiveBlocks(), live);
}

// The n-th counted allocation fails before the pool is asked, so a failing
// KvNew takes no block, and the next one succeeds.
TEST_F(ObjectPool, CountedFailureOfAPooledClassTakesNoBlock)
{
    const size_t live = KvPoolLiveBlocks();
    KvFailAllocationAfter(2);
    MsgRef* first = KvNew<MsgRef>();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(KvNew<MsgRef>(), nullptr);
    if (KvPoolEnabled()) {
        EXPECT_EQ(KvPoolLiveBlocks(), live + 1);
    }
    MsgRef* third = KvNew<MsgRef>(MsgRef {7, 1});
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->dwMsgId, 7u);
    EXPECT_EQ(third->byOwner, 1);
    delete first;
    delete third;
    EXPECT_EQ(KvPoolLiveBlocks(), live);
}

// A run comes from the unused end of one slab: its blocks are apart,
// aligned, counted and given back one by one; a run that the slab's end
// cannot hold is refused whole, and single blocks go on from there.
TEST_F(ObjectPool, RunsOfBlocksAreOrdinaryBlocks)
{
    if (!KvPoolEnabled())
        GTEST_SKIP() << "the pool is off under AddressSanitizer";
    constexpr size_t kSize = 40; // a block of 48 bytes with its tag
    const size_t live = KvPoolLiveBlocks();
    std::vector<Block> blocks;
    void* first = KvPoolAllocate(kSize); // the size's slab is in use from here
    ASSERT_NE(first, nullptr);
    blocks.push_back({static_cast<unsigned char*>(first), kSize, 1});
    int refused = 0;
    for (int i = 0; i < 3000 && refused < 3; ++i) {
        void* run[4] = {};
        if (KvPoolAllocateRun(kSize, run, 4) != 4) {
            for (void* block : run)
                EXPECT_EQ(block, nullptr);
            ++refused;
            // The slab's last blocks come one at a time.
            void* single = KvPoolAllocate(kSize);
            ASSERT_NE(single, nullptr);
            blocks.push_back({static_cast<unsigned char*>(single), kSize, static_cast<unsigned char>(i)});
            continue;
        }
        for (void* block : run) {
            ASSERT_NE(block, nullptr);
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 16, 0u);
            blocks.push_back({static_cast<unsigned char*>(block), kSize, static_cast<unsigned char>(i * 7 + 3)});
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_EQ(KvPoolLiveBlocks(), live + blocks.size());
    for (const Block& block : blocks)
        std::memset(block.bytes, block.fill, block.size);
    for (const Block& block : blocks) {
        EXPECT_TRUE(Intact(block));
        KvPoolFree(block.bytes);
    }
    EXPECT_EQ(KvPoolLiveBlocks(), live);
    void* none[2] = {};
    EXPECT_EQ(KvPoolAllocateRun(kKvPoolLargestBlock + 1, none, 2), 0);
    EXPECT_EQ(KvPoolAllocateRun(kSize, none, 0), 0);
}

// Handles made in one run still fail one by one: the failing one and those
// after it are neither made nor kept.
TEST_F(ObjectPool, HandlesOfARunFailOneByOne)
{
    const size_t live = KvPoolLiveBlocks();
    {
        CKVObject node;
        ASSERT_TRUE(GrowHandles(node, 1));
        KvFailAllocationAfter(2);
        EXPECT_FALSE(GrowHandles(node, 5));
        ASSERT_EQ(node.m_arrCtrlPoint.GetSize(), 2);
        EXPECT_NE(node.m_arrCtrlPoint.GetAt(1), nullptr);
        EXPECT_TRUE(GrowHandles(node, 5));
        EXPECT_EQ(node.m_arrCtrlPoint.GetSize(), 5);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(node.m_arrCtrlPoint.GetAt(i)->m_wKind, 0);
        DeleteHandles(node);
    }
    EXPECT_EQ(KvPoolLiveBlocks(), live);
}

} // namespace
