// The zlib trailer's check sum: the sixteen-bytes-a-step road held against the
// plain byte-by-byte definition, and both against zlib's own routine.
#include "archive/adler32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

using namespace archive;

namespace {

// Random data with a long run of the largest byte value (the sums grow
// fastest there), in pieces from any offset, of many lengths short and long,
// from any running sum.
TEST(Adler32, AgreesWithThePlainSumAndZlib) {
    std::mt19937 random(21);
    std::vector<std::uint8_t> data(200000);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    std::fill(data.begin() + 100000, data.begin() + 150000, std::uint8_t{0xFF});  // the largest byte values
    int mismatches = 0;
    for (int i = 0; i < 600; ++i) {
        const std::size_t offset = random() % 64;
        const std::size_t length = i < 300 ? static_cast<std::size_t>(i) * 37 % 12000 : random() % (data.size() - 64);
        const std::span<const std::uint8_t> piece(data.data() + offset, length);
        const std::uint32_t start = (random() % 65521) | (random() % 65521) << 16;
        const std::uint32_t plainSum = PlainAdler32(start, piece);
        if (UpdateAdler32(start, piece) != plainSum) ++mismatches;
        if (adler32(start, piece.data(), static_cast<uInt>(length)) != plainSum) ++mismatches;
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
