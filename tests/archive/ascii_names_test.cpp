// The fast roads of the directory load held against plain ones: the ASCII
// test and widening of names, and the central header decoded at fixed offsets
// against the same bytes read field by field.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "archive/ascii_names.h"
#include "archive/byte_reader.h"
#include "archive/zip_records.h"

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
    const std::vector<std::uint8_t> name{'P', 'a', 'y', 'l', 'o', 'a', 'd', '/', 'A', 'p', 'p', '.', 'a',
                                         'p', 'p', '/', 'i', '_', '0', '1', '.', 'p', 'n', 'g'};
    std::vector<char16_t> units(name.size() + 2, u'#');
    WidenAsciiName(name, units.data());
    EXPECT_EQ(std::u16string(units.begin(), units.end()), u"Payload/App.app/i_01.png##");
    WidenAsciiName({}, nullptr);
    EXPECT_TRUE(IsAsciiName({}));
}

// The same 46 bytes read one field after the other.
TZFZipCentralDir ReadFieldByField(std::span<const std::uint8_t> bytes) {
    ByteReader in(bytes);
    TZFZipCentralDir r;
    r.signature = in.U32();
    r.versionMadeBy = in.U16();
    r.extractVersion = in.U16();
    r.genPurposeFlag = in.U16();
    r.compMethod = in.U16();
    r.lastModTime = in.U16();
    r.lastModDate = in.U16();
    r.crc32 = in.U32();
    r.compSize = in.U32();
    r.unCompSize = in.U32();
    r.nameLength = in.U16();
    r.extraLength = in.U16();
    r.commentLength = in.U16();
    r.diskNumberStart = in.U16();
    r.internalAttr = in.U16();
    r.externalAttr = in.U32();
    r.relOffsetLH = in.U32();
    EXPECT_EQ(in.Remaining(), 0u);
    return r;
}

TEST(CentralHeaderDecode, EveryFieldAsReadOneAfterTheOther) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> byte(0, 0xFF);
    for (int round = 0; round < 2000; ++round) {
        std::array<std::uint8_t, TZFZipCentralDir::kSize> bytes;
        for (auto& b : bytes) b = static_cast<std::uint8_t>(round == 0 ? 0xFF : byte(rng));
        const TZFZipCentralDir fast = TZFZipCentralDir::Decode(bytes);
        const TZFZipCentralDir plain = ReadFieldByField(bytes);
        ASSERT_EQ(fast.signature, plain.signature);
        ASSERT_EQ(fast.versionMadeBy, plain.versionMadeBy);
        ASSERT_EQ(fast.extractVersion, plain.extractVersion);
        ASSERT_EQ(fast.genPurposeFlag, plain.genPurposeFlag);
        ASSERT_EQ(fast.compMethod, plain.compMethod);
        ASSERT_EQ(fast.lastModTime, plain.lastModTime);
        ASSERT_EQ(fast.lastModDate, plain.lastModDate);
        ASSERT_EQ(fast.crc32, plain.crc32);
        ASSERT_EQ(fast.compSize, plain.compSize);
        ASSERT_EQ(fast.unCompSize, plain.unCompSize);
        ASSERT_EQ(fast.nameLength, plain.nameLength);
        ASSERT_EQ(fast.extraLength, plain.extraLength);
        ASSERT_EQ(fast.commentLength, plain.commentLength);
        ASSERT_EQ(fast.diskNumberStart, plain.diskNumberStart);
        ASSERT_EQ(fast.internalAttr, plain.internalAttr);
        ASSERT_EQ(fast.externalAttr, plain.externalAttr);
        ASSERT_EQ(fast.relOffsetLH, plain.relOffsetLH);
    }
}

}  // namespace
