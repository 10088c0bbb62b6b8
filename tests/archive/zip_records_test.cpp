// The ZIP records decoded at fixed offsets, held against the same bytes read
// one field after the other by the bounds-checked reader.
#include "archive/zip_records.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <span>

#include "archive/byte_reader.h"

using namespace archive;

namespace {

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
