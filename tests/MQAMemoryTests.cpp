#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "MQAFile.h"
#include "MQAMemory.h"
#include "MQAParam.h"
#include "MQATextStorage.h"

namespace {

struct Block {
    unsigned char* data;
    size_t bytes;
};

// Fills each block with a pattern of its own, so overlapping blocks show up.
std::vector<Block> allocateFilled(size_t count, size_t firstBytes) {
    std::vector<Block> blocks;
    for (size_t i = 0; i < count; ++i) {
        size_t bytes = firstBytes + (i * 37) % 300;
        auto* data = static_cast<unsigned char*>(mqa::slabAllocate(bytes));
        std::memset(data, static_cast<int>(i & 0xff), bytes);
        blocks.push_back({data, bytes});
    }
    return blocks;
}

void expectIntactAndFree(const std::vector<Block>& blocks) {
    for (size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(blocks[i].data) % 16, 0u);
        for (size_t k = 0; k < blocks[i].bytes; ++k)
            if (blocks[i].data[k] != (i & 0xff)) {
                ADD_FAILURE() << "block " << i << " was overwritten at byte " << k;
                break;
            }
    }
    for (const Block& block : blocks) mqa::slabDeallocate(block.data, block.bytes);
}

size_t freeSlabs() {
    mqa::SlabCounts counts = mqa::slabCounts();
    return counts.resident + counts.released;
}

// Allocates on a thread of its own (which ends), frees on this one.
void slabCycle() {
    std::vector<Block> blocks;
    std::thread([&] { blocks = allocateFilled(30000, 100); }).join();  // several slabs
    expectIntactAndFree(blocks);
}

}  // namespace

TEST(MQAMemory, BlocksAreAlignedAndDisjoint) {
    expectIntactAndFree(allocateFilled(20000, 1));
    // Larger than a slab carves: from the general heap, freed by size.
    std::vector<Block> large = allocateFilled(3, 40000);
    expectIntactAndFree(large);
}

TEST(MQAMemory, SlabsComeBackOnceEveryBlockIsFreedOnAnyThread) {
    slabCycle();  // the pool now holds enough slabs for another cycle
    size_t before = freeSlabs();
    slabCycle();
    EXPECT_EQ(freeSlabs(), before);
}

// Threads allocate, hand their blocks to the next thread and free what they were handed,
// all at once: every block stays intact and every slab comes back.
TEST(MQAMemory, ManyThreadsAllocateAndFreeEachOthersBlocks) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 20;
    mqa::returnThreadSlab();  // what earlier tests left with this thread
    std::vector<std::vector<Block>> handed(kThreads);
    std::vector<std::mutex> locks(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                std::vector<Block> mine = allocateFilled(2000, 1 + static_cast<size_t>(t));
                {
                    std::lock_guard<std::mutex> lock(locks[(t + 1) % kThreads]);
                    for (Block& b : mine) handed[(t + 1) % kThreads].push_back(b);
                }
                std::vector<Block> theirs;
                {
                    std::lock_guard<std::mutex> lock(locks[t]);
                    theirs.swap(handed[t]);
                }
                for (const Block& b : theirs) mqa::slabDeallocate(b.data, b.bytes);
            }
            mqa::returnThreadSlab();
        });
    for (std::thread& thread : threads) thread.join();
    for (auto& rest : handed)
        for (const Block& b : rest) mqa::slabDeallocate(b.data, b.bytes);
    EXPECT_EQ(mqa::slabCounts().inUse, 0u);
}

// Reading a document returns the slabs of every thread that read it (the calling one
// included) once the tree is freed.
TEST(MQAMemory, ReadingLeavesNoThreadHoldingASlab) {
    std::string body = "Lines {\r\n";
    for (int i = 0; i < 200000; ++i) body += "\tline " + std::to_string(i) + " 1.5 2.5 \"s\"\r\n";
    body += "}\r\n";
    std::string text = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n" + body + "Eof\r\n";
    ASSERT_GT(text.size(), size_t{4} << 20);  // large enough for the read-ahead thread
    mqa::returnThreadSlab();
    {
        MQAFile file = MQAFile::initWithString(std::string(text));
        ASSERT_EQ(file.body().attributes().size(), 1u);
    }
    EXPECT_EQ(mqa::slabCounts().inUse, 0u);
}

TEST(MQAMemory, LargeRequestsFillWholeHugePagesWhileAdvised) {
    constexpr size_t kHuge = size_t{2} << 20;
    EXPECT_EQ(mqa::hugePageFriendlyBytes(5 * kHuge + 1), 5 * kHuge + 1);  // off by default
    mqa::setHugePageAdvice(true);
    EXPECT_EQ(mqa::hugePageFriendlyBytes(1000), 1000u);
    for (size_t bytes : {kHuge - 32, kHuge, 40'000'000ul, 5 * kHuge + 1}) {
        size_t asked = mqa::hugePageFriendlyBytes(bytes);
        EXPECT_GE(asked, bytes);
        EXPECT_LT(asked, bytes + kHuge);
        EXPECT_EQ((asked + 32) % kHuge, 0u) << bytes;
    }
    EXPECT_EQ(mqa::hugePageFriendlyBytes(SIZE_MAX - 5), SIZE_MAX - 5);
    mqa::setHugePageAdvice(false);
}

TEST(MQAMemory, ReservingKeepsItemsInOrder) {
    std::vector<int> items{1, 2, 3};
    mqa::reserveAdvised(items, 1'000'000);
    EXPECT_GE(items.capacity(), 1'000'000u);
    EXPECT_EQ(items, (std::vector<int>{1, 2, 3}));
    std::vector<int> grown;
    for (int i = 0; i < 100'000; ++i) mqa::appendGrowing(grown, int{i});
    for (int i = 0; i < 100'000; ++i) ASSERT_EQ(grown[static_cast<size_t>(i)], i);
}

// Values appended one at a time move through the inline, rounded and doubling sizes.
TEST(MQAMemory, ParameterValuesSurviveEveryGrowthStep) {
    std::string text;
    for (int i = 0; i < 70; ++i) text += std::to_string(i * 3 - 50) + " ";
    MQATextStorage storage(text);
    MQAParam param;
    for (int i = 0; i < 70; ++i) {
        storage.advanceTo(storage.cursor() + (storage.cursor()[0] == ' ' ? 1 : 0));
        ASSERT_TRUE(param.addValueFromStorage(storage));
        MQAParam copy = param;
        for (int k = 0; k <= i; ++k) {
            ASSERT_EQ(param.intValueAtIndex(static_cast<uint64_t>(k)), k * 3 - 50) << i;
            ASSERT_EQ(copy.intValueAtIndex(static_cast<uint64_t>(k)), k * 3 - 50) << i;
        }
    }
    std::vector<int32_t> many(1000);
    for (size_t i = 0; i < many.size(); ++i) many[i] = static_cast<int32_t>(i);
    MQAParam built = MQAParam::paramWithIntValues(many);
    EXPECT_EQ(built.count(), 1000u);
    EXPECT_EQ(built.intValueAtIndex(999), 999);
}
