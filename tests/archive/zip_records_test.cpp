// The ZIP records decoded at fixed offsets, held against the same bytes read
// one field after the other by the bounds-checked reader.
#include "archive/zip_records.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "archive/byte_reader.h"

using namespace archive;

namespace {

// The widths of the central header's fields, in record order (46 bytes).
constexpr int kCentralFieldWidths[] = {4, 2, 2, 2, 2, 2, 2, 4, 4, 4, 2, 2, 2, 2, 2, 4, 4};

// The same bytes read one field after the other.
std::vector<std::uint32_t> ReadFieldByField(std::span<const std::uint8_t> bytes) {
    ByteReader in(bytes);
    std::vector<std::uint32_t> fields;
    for (const int width : kCentralFieldWidths) fields.push_back(width == 2 ? in.U16() : in.U32());
    EXPECT_EQ(in.Remaining(), 0u);
    return fields;
}

// The decoded record's fields in record order.
std::vector<std::uint32_t> FieldsOf(const TZFZipCentralDir& r) {
    return {r.signature,     r.versionMadeBy,   r.extractVersion, r.genPurposeFlag, r.compMethod, r.lastModTime,
            r.lastModDate,   r.crc32,           r.compSize,       r.unCompSize,     r.nameLength, r.extraLength,
            r.commentLength, r.diskNumberStart, r.internalAttr,   r.externalAttr,   r.relOffsetLH};
}

TEST(CentralHeaderDecode, EveryFieldAsReadOneAfterTheOther) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> byte(0, 0xFF);
    for (int round = 0; round < 2000; ++round) {
        std::array<std::uint8_t, TZFZipCentralDir::kSize> bytes;
        for (auto& b : bytes) b = static_cast<std::uint8_t>(round == 0 ? 0xFF : byte(rng));
        ASSERT_EQ(FieldsOf(TZFZipCentralDir::Decode(bytes)), ReadFieldByField(bytes)) << "round " << round;
    }
}

}  // namespace
