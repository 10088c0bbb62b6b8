// Bulk blocks of sizes around the large-page size, whole and not: every byte
// of a block is usable and keeps what was written, blocks do not overlap, and
// each is released with the size it was made with.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/bulk_memory.h"

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

TEST(BulkMemory, BlocksOfEverySizeHoldTheirBytes) {
    const std::size_t sizes[] = {1, 4095, 4097, 2 * kMiB - 1, 2 * kMiB, 2 * kMiB + 1, 2 * kMiB + 4096 + 17,
                                 4 * kMiB, 9 * kMiB + 360 * 1024 + 24, 10 * kMiB - 3};
    struct Block {
        std::uint8_t* bytes;
        std::size_t size;
    };
    std::vector<Block> blocks;
    for (const std::size_t size : sizes) {
        auto* bytes = static_cast<std::uint8_t*>(platform::AllocateBulk(size));
        ASSERT_NE(bytes, nullptr);
        std::memset(bytes, static_cast<int>(size & 0xFF), size);
        blocks.push_back({bytes, size});
    }
    for (const Block& block : blocks) {
        const auto fill = static_cast<std::uint8_t>(block.size & 0xFF);
        EXPECT_EQ(block.bytes[0], fill) << block.size;
        EXPECT_EQ(block.bytes[block.size / 2], fill) << block.size;
        EXPECT_EQ(block.bytes[block.size - 1], fill) << block.size;
    }
    for (const Block& block : blocks) platform::FreeBulk(block.bytes, block.size);
}

TEST(BulkMemory, AllocatorGrowsAVectorPastTheLargePageSize) {
    std::vector<std::uint32_t, platform::BulkAllocator<std::uint32_t>> values;
    for (std::uint32_t i = 0; i < 3 * kMiB / sizeof(std::uint32_t) + 5; ++i) values.push_back(i * 2654435761u);
    for (std::uint32_t i = 0; i < values.size(); i += 4099) ASSERT_EQ(values[i], i * 2654435761u);
    EXPECT_EQ(values.back(), static_cast<std::uint32_t>(values.size() - 1) * 2654435761u);
}

}  // namespace
