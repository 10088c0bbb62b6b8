#include "archive/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

using namespace archive;

namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(Crc32, KnownCheckValues) {
    EXPECT_EQ(Crc32(Bytes("")), 0x00000000u);
    EXPECT_EQ(Crc32(Bytes("123456789")), 0xCBF43926u);  // the CRC-32 check value
    EXPECT_EQ(Crc32(Bytes("a")), 0xE8B7BE43u);
}

// zlib's own routine serves as the independent reference here; the archiver never uses it.
TEST(Crc32, AgreesWithTheReferenceOnRandomDataInAnySplit) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> data(100003);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    const auto reference = static_cast<std::uint32_t>(crc32(0L, data.data(), static_cast<uInt>(data.size())));
    EXPECT_EQ(Crc32(data), reference);

    for (std::size_t split : {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{65535}, data.size()}) {
        SCOPED_TRACE(split);
        std::uint32_t running = kCrcStart;
        running = UpdateCrc32(running, std::span(data).first(split));
        running = UpdateCrc32(running, std::span(data).subspan(split));
        EXPECT_EQ(running ^ 0xFFFFFFFFu, reference);
    }
}

// Long runs are fed in lanes and joined; every length around the lane threshold
// and its remainders must still give the plain result.
TEST(Crc32, EveryLengthAroundTheLaneThreshold) {
    std::mt19937 random(9);
    std::vector<std::uint8_t> data(9000);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    for (std::size_t length : {4095u, 4096u, 4097u, 4098u, 4099u, 4100u, 8191u, 8999u}) {
        SCOPED_TRACE(length);
        const auto reference = static_cast<std::uint32_t>(crc32(0L, data.data(), static_cast<uInt>(length)));
        EXPECT_EQ(Crc32(std::span(data).first(length)), reference);
        std::uint32_t bytewise = kCrcStart;
        for (std::size_t i = 0; i < length; ++i) bytewise = Crc32Step(bytewise, data[i]);
        EXPECT_EQ(bytewise ^ 0xFFFFFFFFu, reference);
    }
}

TEST(Crc32, StepIsOneByteOfTheUpdate) {
    const std::uint8_t byte = 0x5A;
    EXPECT_EQ(Crc32Step(kCrcStart, byte), UpdateCrc32(kCrcStart, std::span(&byte, 1)));
}

}  // namespace
