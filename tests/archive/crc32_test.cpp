#include "archive/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <string>
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

// The road taken depends on the length: sixteen bytes a step below 256 bytes,
// folding 64 bytes a step from there (then 16, then the rest byte by byte).
// Lengths on both sides of each of those steps give zlib's result, both in
// one call and a byte at a time.
TEST(Crc32, EveryLengthAroundTheRoadsSteps) {
    std::mt19937 random(9);
    std::vector<std::uint8_t> data(9000);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    for (std::size_t length : {15u, 16u, 17u, 63u, 64u, 65u, 79u, 80u, 255u, 256u, 257u, 271u, 272u, 319u, 320u, 321u,
                               4095u, 4096u, 8999u}) {
        SCOPED_TRACE(length);
        const auto reference = static_cast<std::uint32_t>(crc32(0L, data.data(), static_cast<uInt>(length)));
        EXPECT_EQ(Crc32(std::span(data).first(length)), reference);
        std::uint32_t bytewise = kCrcStart;
        for (std::size_t i = 0; i < length; ++i) bytewise = Crc32Step(bytewise, data[i]);
        EXPECT_EQ(bytewise ^ 0xFFFFFFFFu, reference);
    }
}

struct Road {
    const char* name;
    std::uint32_t (*update)(std::uint32_t, std::span<const std::uint8_t>) noexcept;
};

const Road kRoads[] = {
    {"plain", crc32_roads::Plain},
    {"sliced", crc32_roads::Sliced},
    {"folded", crc32_roads::Folded},
    {"chosen", UpdateCrc32},
};

TEST(Crc32Roads, KnownCheckValuesOnEveryRoad) {
    struct Case {
        std::string text;
        std::uint32_t crc;
    };
    const Case cases[] = {
        {"", 0x00000000u},
        {"123456789", 0xCBF43926u},
        {"a", 0xE8B7BE43u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
        {std::string(1000, 'x') + "123456789", 0u},  // against zlib below
    };
    for (const Road& road : kRoads) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(road.name) + " " + c.text.substr(0, 20));
            const auto expected =
                c.crc != 0 || c.text.empty()
                    ? c.crc
                    : static_cast<std::uint32_t>(crc32(0L, Bytes(c.text).data(), static_cast<uInt>(c.text.size())));
            EXPECT_EQ(road.update(kCrcStart, Bytes(c.text)) ^ 0xFFFFFFFFu, expected);
        }
    }
}

// Every road against the plain one: random data, lengths across the step
// sizes (16, 64, 256 bytes), every start alignment, any running value.
TEST(Crc32Roads, AgreeWithThePlainRoadOnRandomInputs) {
    std::mt19937 random(11);
    std::vector<std::uint8_t> data(300000);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 1100; ++n) lengths.push_back(n);
    for (int i = 0; i < 200; ++i) lengths.push_back(random() % (data.size() - 64));
    for (const Road& road : kRoads) {
        SCOPED_TRACE(road.name);
        int mismatches = 0;
        for (std::size_t i = 0; i < lengths.size(); ++i) {
            const std::size_t offset = i % 64;
            const std::span<const std::uint8_t> piece(data.data() + offset, lengths[i]);
            const auto start = static_cast<std::uint32_t>(random());
            if (road.update(start, piece) != crc32_roads::Plain(start, piece)) ++mismatches;
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(Crc32, StepIsOneByteOfTheUpdate) {
    const std::uint8_t byte = 0x5A;
    EXPECT_EQ(Crc32Step(kCrcStart, byte), UpdateCrc32(kCrcStart, std::span(&byte, 1)));
}

}  // namespace
