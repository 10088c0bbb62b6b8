// Bulk blocks of sizes around the large-page size, whole and not: every byte
// of a block is usable and keeps what was written, blocks do not overlap, and
// each is released with the size it was made with. Released blocks are kept
// by their thread within bounds and handed out again for the same size class.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "platform/bulk_memory.h"

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

TEST(BulkMemory, BlocksOfEverySizeHoldTheirBytes) {
    const std::size_t sizes[] = {1,
                                 4095,
                                 4097,
                                 2 * kMiB - 1,
                                 2 * kMiB,
                                 2 * kMiB + 1,
                                 2 * kMiB + 4096 + 17,
                                 4 * kMiB,
                                 9 * kMiB + 360 * 1024 + 24,
                                 10 * kMiB - 3};
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

using namespace platform::bulk_detail;

TEST(BulkMemory, SizeClassesAreQuarterStepsWithinTheRecycledRange) {
    const struct {
        std::size_t bytes;
        std::size_t size;
    } rows[] = {
        {1, 1},
        {kMinRecycled - 1, kMinRecycled - 1},                 // below the range: as asked
        {kMinRecycled, kMinRecycled},                         // a power of two is its own class
        {kMinRecycled + 1, kMinRecycled + kMinRecycled / 4},  // 80 KiB
        {100000, 114688},                                     // 112 KiB
        {520104, 524288},
        {3 * kMiB, 3 * kMiB},
        {3 * kMiB + 1, 3 * kMiB + kMiB / 2},
        {kMaxRecycled, kMaxRecycled},
        {kMaxRecycled + 1, kMaxRecycled + 1},  // above the range: as asked
    };
    for (const auto& row : rows) EXPECT_EQ(SizeClass(row.bytes), row.size) << row.bytes;
    std::mt19937 rng(5);
    for (int i = 0; i < 10000; ++i) {
        const std::size_t bytes = kMinRecycled + rng() % (kMaxRecycled - kMinRecycled);
        const std::size_t size = SizeClass(bytes);
        ASSERT_GE(size, bytes);
        ASSERT_LE(size, bytes + bytes / 4);
        ASSERT_EQ(size % 4096, 0u) << "whole pages";
        ASSERT_EQ(SizeClass(size), size) << "a class is its own class";
    }
}

// A block released and asked for again, with another size of the same class,
// is the same block; another class is not served from it.
TEST(BulkMemory, AReleasedBlockServesTheNextRequestOfItsClass) {
    std::thread([] {
        void* first = platform::AllocateBulk(500000);
        platform::FreeBulk(first, 500000);
        EXPECT_EQ(KeptBlocks(), 1u);
        EXPECT_EQ(KeptBytes(), SizeClass(500000));
        void* bigger = platform::AllocateBulk(5 * kMiB);
        EXPECT_NE(bigger, first);
        EXPECT_EQ(KeptBlocks(), 1u) << "another class leaves the kept block alone";
        void* again = platform::AllocateBulk(510000);
        EXPECT_EQ(again, first);
        EXPECT_EQ(KeptBlocks(), 0u);
        platform::FreeBulk(again, 510000);
        platform::FreeBulk(bigger, 5 * kMiB);
        void* small = platform::AllocateBulk(100);
        platform::FreeBulk(small, 100);
        EXPECT_EQ(KeptBlocks(), 2u) << "small blocks go straight back";
    }).join();
}

#if defined(__SANITIZE_ADDRESS__)
// In the sanitizer build a kept block is out of bounds until handed out again.
TEST(BulkMemoryDeathTest, TouchingAKeptBlockIsReported) {
    EXPECT_DEATH(
        {
            auto* bytes = static_cast<volatile std::uint8_t*>(platform::AllocateBulk(300000));
            platform::FreeBulk(const_cast<std::uint8_t*>(bytes), 300000);
            bytes[1000] = 1;
        },
        "use-after-poison");
}
#endif

// Random requests and releases in every size range: live blocks never share
// bytes (each keeps its own pattern to the end), and what is kept stays
// within the bounds. Each thread keeps its own.
TEST(BulkMemory, KeptBlocksStayWithinTheBoundsAndLiveBlocksApart) {
    const auto run = [](unsigned seed) {
        std::mt19937 rng(seed);
        struct Live {
            std::uint8_t* bytes;
            std::size_t size;
            std::uint8_t fill;
        };
        std::vector<Live> live;
        const auto check = [](const Live& block) {
            return block.bytes[0] == block.fill && block.bytes[block.size / 2] == block.fill &&
                   block.bytes[block.size - 1] == block.fill;
        };
        for (int step = 0; step < 400; ++step) {
            if (live.size() < 6 && (live.empty() || rng() % 3 != 0)) {
                const std::size_t ranges[] = {4096, 256 * 1024, 4 * kMiB, 20 * kMiB};
                const std::size_t size = 1 + rng() % ranges[rng() % 4];
                auto* bytes = static_cast<std::uint8_t*>(platform::AllocateBulk(size));
                const auto fill = static_cast<std::uint8_t>(rng());
                std::memset(bytes, fill, size);
                live.push_back({bytes, size, fill});
            } else {
                const std::size_t at = rng() % live.size();
                ASSERT_TRUE(check(live[at])) << "block of " << live[at].size << " bytes overwritten";
                platform::FreeBulk(live[at].bytes, live[at].size);
                live.erase(live.begin() + static_cast<std::ptrdiff_t>(at));
            }
            ASSERT_LE(KeptBytes(), kMaxKept);
            ASSERT_LE(KeptBlocks(), kMaxKeptBlocks);
        }
        for (const Live& block : live) {
            EXPECT_TRUE(check(block));
            platform::FreeBulk(block.bytes, block.size);
        }
    };
    std::thread other(run, 17u);
    run(23u);
    other.join();
}

}  // namespace
