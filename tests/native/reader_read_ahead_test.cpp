// Blocks read ahead in joined reads must give exactly what reading each
// block alone gives: at the end of the file, across gaps, for blocks that
// overlap, and never for another file opened later into the same context.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "reader/ndb.h"
#include "reader/ndb_block.h"
#include "support/temp_file.h"

using testing_support::TempFile;

namespace {

std::vector<uint8_t> Bytes(size_t n, uint8_t seed) {
    std::vector<uint8_t> out(n);
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(seed + i * 31 + (i >> 8));
    return out;
}

struct Block {
    uint64_t id, offset, count;
};

// Every block read alone, then after reading all of them ahead.
void ExpectSameReads(StoreContext* context, const std::vector<Block>& blocks) {
    std::vector<std::vector<uint8_t>> alone;
    for (const Block& b : blocks) {
        std::vector<uint8_t> out;
        ReadBlock(context, b.id, out);
        alone.push_back(out);
    }
    std::vector<const BbtEntry*> entries;
    for (const Block& b : blocks) entries.push_back(FindBlock(context, b.id));
    ReadBlocksAhead(context, entries);
    for (size_t i = 0; i < blocks.size(); ++i) {
        SCOPED_TRACE(i);
        std::vector<uint8_t> out(3, 0xEE);
        EXPECT_EQ(ReadBlock(context, blocks[i].id, out), alone[i].size());
        EXPECT_EQ(out, alone[i]);
    }
    DropReadAhead();
}

TEST(ReaderReadAhead, JoinedReadsGiveWhatSingleReadsGive) {
    const std::vector<uint8_t> bytes = Bytes(20000, 1);
    TempFile file(bytes);
    auto context = std::make_unique<StoreContext>();
    ASSERT_EQ(context->file.Open(file.wpath()), 1);
    // Neighbours, a gap, an overlap, one running past the end, one wholly
    // past it, and one too large to be read ahead.
    const std::vector<Block> blocks = {{4, 100, 50},    {8, 150, 70},     {12, 1000, 300}, {16, 1200, 400},
                                       {20, 19900, 300}, {24, 19800, 100}, {28, 25000, 64}, {32, 30000, 64},
                                       {36, 2000, 9000}, {40, 11000, 100}};
    for (const Block& b : blocks) AppendBlock(context.get(), b.id, b.offset, b.count);
    ExpectSameReads(context.get(), blocks);
    ClearBlockList(context.get());
}

TEST(ReaderReadAhead, AnotherFileInTheSameContextIsReadAfresh) {
    TempFile first(Bytes(4096, 1));
    TempFile second(Bytes(4096, 2));
    auto context = std::make_unique<StoreContext>();
    ASSERT_EQ(context->file.Open(first.wpath()), 1);
    AppendBlock(context.get(), 4, 0, 64);
    AppendBlock(context.get(), 8, 64, 64);
    ReadBlocksAhead(context.get(), {FindBlock(context.get(), 4), FindBlock(context.get(), 8)});
    context->file.Close();
    ASSERT_EQ(context->file.Open(second.wpath()), 1);
    std::vector<uint8_t> out;
    ASSERT_EQ(ReadBlock(context.get(), 8, out), 64u);
    const std::vector<uint8_t> expected = Bytes(4096, 2);
    EXPECT_EQ(out, std::vector<uint8_t>(expected.begin() + 64, expected.begin() + 128));
    DropReadAhead();
    ClearBlockList(context.get());
}

}  // namespace
