// The fast roads of the ASCII names held against plain ones: the test for
// bytes below 0x80 and the widening of a name's bytes to UTF-16.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "archive/ascii_names.h"

using namespace archive;

namespace {

std::vector<std::uint8_t> RandomAscii(std::mt19937& rng, std::size_t length) {
    std::uniform_int_distribution<int> byte(0, 0x7F);
    std::vector<std::uint8_t> bytes(length);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(byte(rng));
    return bytes;
}

// Names of every length up to a few steps, at every offset into a buffer, with
// and without one byte of 0x80 or above at each position.
TEST(AsciiNameRoads, AgreeWithThePlainRoadAtEveryLengthAndPosition) {
    std::mt19937 rng(11);
    int checked = 0;
    for (std::size_t length = 0; length <= 70; ++length) {
        const std::vector<std::uint8_t> buffer = RandomAscii(rng, length + 16);
        for (std::size_t offset = 0; offset < 16; offset += 5) {
            std::vector<std::uint8_t> name(buffer.begin() + static_cast<std::ptrdiff_t>(offset),
                                           buffer.begin() + static_cast<std::ptrdiff_t>(offset + length));
            std::vector<char16_t> plain(length + 1, u'#');
            std::vector<char16_t> wide(length + 1, u'#');
            ascii_roads::PlainWiden(name, plain.data());
            ascii_roads::WideWiden(name, wide.data());
            ASSERT_EQ(plain, wide) << "length " << length;
            ASSERT_TRUE(ascii_roads::WideIsAscii(name));
            for (std::size_t high = 0; high < length; ++high) {
                for (const std::uint8_t value : {0x80, 0xC3, 0xFF}) {
                    std::vector<std::uint8_t> marked = name;
                    marked[high] = value;
                    ASSERT_EQ(ascii_roads::WideIsAscii(marked), ascii_roads::PlainIsAscii(marked));
                    ASSERT_FALSE(IsAsciiName(marked)) << "length " << length << " at " << high;
                    ++checked;
                }
            }
        }
    }
    EXPECT_GT(checked, 10000);
}

TEST(AsciiNameRoads, WidenedUnitsAreTheBytesAndNothingBeyond) {
    const std::vector<std::uint8_t> name{'P', 'a', 'y', 'l', 'o', 'a', 'd', '/', 'A', 'p', 'p', '.',
                                         'a', 'p', 'p', '/', 'i', '_', '0', '1', '.', 'p', 'n', 'g'};
    std::vector<char16_t> units(name.size() + 2, u'#');
    WidenAsciiName(name, units.data());
    EXPECT_EQ(std::u16string(units.begin(), units.end()), u"Payload/App.app/i_01.png##");
    WidenAsciiName({}, nullptr);
    EXPECT_TRUE(IsAsciiName({}));
}

}  // namespace
