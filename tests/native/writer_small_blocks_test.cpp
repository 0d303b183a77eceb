// The writer's small-block allocator: blocks of every size class, handed
// out and taken back by several threads at once, never overlap and keep
// their 16-byte alignment.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "writer/small_blocks.h"

namespace {

struct Live {
    unsigned char* block = nullptr;
    std::size_t size = 0;
    unsigned char fill = 0;
};

bool Intact(const Live& live) {
    for (std::size_t i = 0; i < live.size; ++i)
        if (live.block[i] != live.fill) return false;
    return true;
}

// Returns how many blocks were found damaged or misaligned.
int Churn(unsigned seed) {
    std::mt19937 random(seed);
    std::vector<Live> slots(400);
    int damaged = 0;
    for (int round = 0; round < 20000; ++round) {
        Live& slot = slots[random() % slots.size()];
        if (slot.block) {
            if (!Intact(slot)) ++damaged;
            writer::SmallBlocksFree(slot.block);
        }
        // Mostly small sizes, every class boundary reached, some large.
        slot.size = random() % 8 == 0 ? random() % 9000 : random() % (writer::kLargestSmallBlock + 1);
        slot.fill = static_cast<unsigned char>(random());
        slot.block = static_cast<unsigned char*>(writer::SmallBlocksAllocate(slot.size));
        if (!slot.block || reinterpret_cast<uintptr_t>(slot.block) % 16 != 0) return damaged + 1;
        std::memset(slot.block, slot.fill, slot.size);
    }
    for (Live& slot : slots) {
        if (slot.block && !Intact(slot)) ++damaged;
        writer::SmallBlocksFree(slot.block);
    }
    return damaged;
}

TEST(SmallBlocks, BlocksOfThreadsAtOnceNeverOverlapAndStayAligned) {
    std::vector<int> damaged(4, 0);
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < damaged.size(); ++t) threads.emplace_back([&damaged, t] { damaged[t] = Churn(t + 1); });
    for (std::thread& thread : threads) thread.join();
    for (int count : damaged) EXPECT_EQ(count, 0);
}

}  // namespace
