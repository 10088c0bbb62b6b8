// What records claim against what the file holds: 32-bit fields of all ones
// without a zip64 value, bytes that look like a zip64 locator in front of the
// end record, and a directory that claims far more room than its names take.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdio>
#include <string>

#include "platform/bulk_memory.h"
#include "platform/file_stream.h"
#include "tests/archive/archive_test_support.h"
#include "tests/support/zip_writer.h"

using namespace archive;
using namespace archive_tests;
using namespace testing_support;
namespace zf = testing_support::zipfield;

namespace {

constexpr std::uint32_t kAllOnes = 0xFFFFFFFF;

// Raw deflate data of `count` zero bytes, made of pieces of 1 MiB deflated on
// their own and flushed to a byte boundary: deflate blocks may follow one
// another, so the pieces line up into one stream of a few megabytes.
std::string DeflatedZeros(std::int64_t count, std::uint32_t& crc) {
    constexpr std::size_t kPiece = 1 << 20;
    const std::string zeros(kPiece, '\0');
    const auto deflatePiece = [&](std::size_t length, int flush) {
        z_stream z{};
        deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
        std::string out(deflateBound(&z, length) + 16, '\0');
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
        z.avail_in = static_cast<uInt>(length);
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        deflate(&z, flush);
        out.resize(out.size() - z.avail_out);
        deflateEnd(&z);
        return out;
    };
    const std::int64_t whole = (count - 1) / static_cast<std::int64_t>(kPiece);
    const auto last = static_cast<std::size_t>(count - whole * static_cast<std::int64_t>(kPiece));
    const std::string piece = deflatePiece(kPiece, Z_FULL_FLUSH);
    const uLong pieceCrc = crc32_z(0, reinterpret_cast<const Bytef*>(zeros.data()), kPiece);
    std::string stream;
    uLong total = crc32_z(0, nullptr, 0);
    for (std::int64_t i = 0; i < whole; ++i) {
        stream += piece;
        total = crc32_combine(total, pieceCrc, static_cast<z_off_t>(kPiece));
    }
    stream += deflatePiece(last, Z_FINISH);
    total = crc32_combine(total, crc32_z(0, reinterpret_cast<const Bytef*>(zeros.data()), last),
                          static_cast<z_off_t>(last));
    crc = static_cast<std::uint32_t>(total);
    return stream;
}

}  // namespace

// A field of all ones is the zip64 value only when the zip64 block holds one
// for it; otherwise it is the 32-bit value it says.
TEST(ClaimedSizes, AllOnesWithoutZip64ValueKeepsThe32BitValue) {
    struct Row {
        const char* name;
        std::string extra;
        std::int64_t uncompressed, compressed, offset;
    };
    const Row rows[] = {
        {"no zip64 block", "", kAllOnes, kAllOnes, kAllOnes},
        {"an empty zip64 block", ExtraBlock(0x0001, ""), kAllOnes, kAllOnes, kAllOnes},
        {"only the uncompressed size given", ExtraBlock(0x0001, Le64(5)), 5, kAllOnes, kAllOnes},
        {"both sizes given", ExtraBlock(0x0001, Le64(5) + Le64(3)), 5, 3, kAllOnes},
        {"all three given", ExtraBlock(0x0001, Le64(5) + Le64(3) + Le64(0)), 5, 3, 0},
        {"second value cut short", ExtraBlock(0x0001, Le64(5) + "\x01\x02"), 5, kAllOnes, kAllOnes},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZipLayout z = ZipWriter().Add({.name = "big", .data = "12345", .centralExtra = row.extra}).Build();
        z.SetU32(z.centralHeaders[0] + zf::kCdCompSize, kAllOnes);
        z.SetU32(z.centralHeaders[0] + zf::kCdUncompSize, kAllOnes);
        z.SetU32(z.centralHeaders[0] + zf::kCdLocalOffset, kAllOnes);
        MemoryArchive m(z.bytes);
        ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
        EXPECT_EQ(m.Item(0).UncompressedSize(), row.uncompressed);
        EXPECT_EQ(m.Item(0).CompressedSize(), row.compressed);
        EXPECT_EQ(m.Item(0).LocalHeaderOffset(), row.offset);
    }
}

// Without recovery the compressed sizes are summed against the file: one of
// all ones without a zip64 value counts as 4 GiB, not as nothing.
TEST(ClaimedSizes, AllOnesCompressedSizeCountsAgainstTheFile) {
    ZipLayout z = ZipWriter().AddStored("a", "1").Build();
    z.SetU32(z.centralHeaders[0] + zf::kCdCompSize, kAllOnes);
    EXPECT_EQ(MemoryArchive(z.bytes, /*strict=*/true).outcome.nativeError, 57);
}

// Zip64 compressed sizes are unsigned 64-bit fields: one of 2^63 or more
// claims more than any file holds and fails the strict check with native code
// 57, whatever the other sizes are; read as a signed value it would be
// negative and pull the sum back under the file's size. The recovery road
// still opens the directory and keeps the value as stored.
TEST(ClaimedSizes, Zip64CompressedSizeOfTwoTo63OrMoreFailsTheSum) {
    struct Row {
        const char* name;
        std::uint64_t zip64Size;   // the first member's zip64 compressed size
        std::uint32_t secondSize;  // the second member's 32-bit compressed size
        int strictError;
    };
    const Row rows[] = {
        {"2^63", std::uint64_t{1} << 63, 5, 57},
        {"2^64 - 1", ~std::uint64_t{0}, 5, 57},
        {"2^63 beside a 4 GiB claim", std::uint64_t{1} << 63, 0xFFFFFFFE, 57},
        {"2^64 - 2^32 cancelling a 4 GiB claim", ~std::uint64_t{0} - 0xFFFFFFFEu + 1, 0xFFFFFFFE, 57},
        {"2^63 - 1", (std::uint64_t{1} << 63) - 1, 5, 57},
        {"the real size", 5, 5, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZipLayout z =
            ZipWriter()
                .Add({.name = "big", .data = "12345", .centralExtra = ExtraBlock(0x0001, Le64(row.zip64Size))})
                .AddStored("small", "abcde")
                .Build();
        z.SetU32(z.centralHeaders[0] + zf::kCdCompSize, kAllOnes);
        z.SetU32(z.centralHeaders[1] + zf::kCdCompSize, row.secondSize);
        EXPECT_EQ(MemoryArchive(z.bytes, /*strict=*/true).outcome.nativeError, row.strictError);
        MemoryArchive recovering(z.bytes);
        ASSERT_TRUE(recovering.outcome.opened) << recovering.outcome.Describe();
        EXPECT_EQ(static_cast<std::uint64_t>(recovering.Item(0).CompressedSize()), row.zip64Size);
    }
}

// A member of exactly 4,294,967,295 bytes written with 32-bit fields only:
// its deflate data take a few megabytes, and it extracts whole with its size
// and check sum tested (a failed test would raise native code 8). The one
// slow test of the directory: it inflates 4 GiB.
TEST(ClaimedSizes, MemberOfAllOnesBytesWithoutZip64Extracts) {
    std::uint32_t crc = 0;
    const std::string deflated = DeflatedZeros(kAllOnes, crc);
    ZipLayout z = ZipWriter()
                      .AddStored("first.txt", "first")
                      .Add({.name = "zeros.bin", .method = 8, .crcOverride = crc, .rawData = deflated})
                      .Build();
    z.SetU32(z.localHeaders[1] + zf::kLhUncompSize, kAllOnes);
    z.SetU32(z.centralHeaders[1] + zf::kCdUncompSize, kAllOnes);
    MemoryArchive m(z.bytes);
    ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
    EXPECT_EQ(m.Item(1).UncompressedSize(), std::int64_t{kAllOnes});
    CountingStream out;
    const OpenOutcome extraction = TryOpen([&] { m.arc.ExtractToStream(u"zeros.bin", out); });
    EXPECT_TRUE(extraction.opened) << extraction.message;
    EXPECT_EQ(out.Written(), std::int64_t{kAllOnes});
    EXPECT_FALSE(m.arc.FExtractCorruptedFiles) << "so the size and check sum were tested";
}

// The last member's comment ends in 20 bytes that look like a zip64 locator.
// They are ignored when no zip64 end record lies where they point and the end
// record needs no zip64 value; an end record that does need one keeps native
// code 40 (or the stream's read error where the target lies outside the file).
TEST(ClaimedSizes, LocatorLikeBytesInFrontOfTheEndRecord) {
    enum Needs { kNothing, kEntries, kDirSize, kDirOffset, kDisk };
    struct Row {
        const char* name;
        std::int64_t target;  // where the locator points; -1: at the first local header's signature + 1
        Needs needs;
        int nativeError;
        bool readError;
    };
    const Row rows[] = {
        {"pointing at a local header", 0, kNothing, 0, false},
        {"pointing into member data", -1, kNothing, 0, false},
        {"pointing past the end of the file", 1 << 30, kNothing, 0, false},
        {"pointing before the file", -5, kNothing, 0, false},
        {"entry count needs zip64", 0, kEntries, 40, false},
        {"directory size and offset need zip64", 0, kDirSize, 40, false},
        {"directory offset needs zip64", 0, kDirOffset, 40, false},
        {"disk number needs zip64", 0, kDisk, 40, false},
        {"needed, pointing past the end", 1 << 30, kEntries, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::int64_t target = row.target == -1 ? 31 : row.target;
        const std::string locator = "PK\x06\x07" + Le32(0) + Le64(static_cast<std::uint64_t>(target)) + Le32(1);
        ZipLayout z = ZipWriter()
                          .AddStored("a.txt", "alpha")
                          .Add({.name = "b.txt", .data = "beta", .comment = "note " + locator})
                          .Build();
        switch (row.needs) {
        case kNothing:
            break;
        case kEntries:
            z.SetU16(z.endRecord + zf::kEndEntries, 0xFFFF);
            z.SetU16(z.endRecord + zf::kEndEntriesOnDisk, 0xFFFF);
            break;
        case kDirSize:  // with the offset, or the end record is not plausible
            z.SetU32(z.endRecord + zf::kEndDirSize, kAllOnes);
            z.SetU32(z.endRecord + zf::kEndDirOffset, kAllOnes);
            break;
        case kDirOffset:
            z.SetU32(z.endRecord + zf::kEndDirOffset, kAllOnes);
            break;
        case kDisk:
            z.SetU16(z.endRecord + zf::kEndDiskNumber, 0xFFFF);
            z.SetU16(z.endRecord + zf::kEndStartDisk, 0xFFFF);
            break;
        }
        MemoryArchive m(z.bytes);
        EXPECT_EQ(m.outcome.nativeError, row.nativeError) << m.outcome.Describe();
        EXPECT_EQ(m.outcome.readError, row.readError) << m.outcome.Describe();
        if (row.nativeError != 0 || row.readError) continue;
        ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
        EXPECT_FALSE(m.arc.DMHandle->FZip64);
        ASSERT_EQ(m.Dir().Count(), 2);
        EXPECT_EQ(m.Item(1).Comment(), "note " + locator);
        EXPECT_EQ(m.arc.DMHandle->CentralDirOffset, z.centralDirStart) << "the central road, not the rebuild";
        platform::MemoryStream out;
        m.arc.ExtractToStream(u"b.txt", out);
        EXPECT_EQ(out.Size(), 4);
    }
}

// A real locator moved with its archive behind a prefix points beside its
// zip64 end record, which stands right in front of it: that is no chance
// likeness, and the open still ends with native code 40.
TEST(ClaimedSizes, LocatorOfAMovedZip64ArchiveStillEndsTheOpen) {
    ZipLayout z = ZipWriter().AddStored("a.txt", "alpha").Zip64Records(/*markEndRecord=*/false).Build();
    z.SetU64(z.zip64Locator + zf::kLocOffset, 0);
    EXPECT_EQ(MemoryArchive(z.bytes).outcome.nativeError, 40);
}

// Real zip64 records are read whether or not the end record needs them.
TEST(ClaimedSizes, Zip64RecordsAreReadWhenTheEndRecordNeedsNone) {
    for (const bool mark : {false, true}) {
        SCOPED_TRACE(mark ? "end record marked" : "end record holds every value");
        ZipLayout z = ZipWriter().AddStored("a.txt", "alpha").Zip64Records(mark).Build();
        MemoryArchive m(z.bytes);
        ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
        EXPECT_TRUE(m.arc.DMHandle->FZip64);
        EXPECT_EQ(m.Item(0).Name(), u"a.txt");
    }
}

// A package of a few kilobytes whose end record claims a directory of 1 GiB:
// the directory's names lie at its start and a hole of the file follows them
// (a sparse file). The load allocates what the same package allocates without
// the claim, and far less than the claim.
TEST(ClaimedSizes, DirectoryClaimingFarMoreThanItsNamesCostsNothingExtra) {
    constexpr std::int64_t kHole = std::int64_t{1} << 30;
    ZipWriter w;
    for (int i = 0; i < 200; ++i) w.AddStored("Payload/item" + std::to_string(i) + ".txt", "x");
    const ZipLayout z = w.Build();
    const std::string head = z.bytes.substr(0, static_cast<std::size_t>(z.endRecord));
    ZipLayout end = z;
    end.SetU32(z.endRecord + zf::kEndDirSize, static_cast<std::uint32_t>(z.centralDirSize + kHole));
    const std::string endRecord = end.bytes.substr(static_cast<std::size_t>(z.endRecord));

    TempDir dir;
    const std::u16string compact = dir.Write(u"compact.ipa", z.bytes);
    const std::u16string sparse = dir.Write(u"sparse.ipa", head);
    {
        platform::FileStream file(sparse, platform::kFmOpenReadWrite);
        file.SetPosition(static_cast<std::int64_t>(head.size()) + kHole);
        file.WriteBuffer(endRecord.data(), endRecord.size());
    }
    const auto requestedByLoad = [](const std::u16string& path, std::int32_t& count) {
        TZFArchiver arc;
        arc.SetFileName(path);
        const std::size_t before = platform::bulk_detail::RequestedBytes();
        arc.OpenArchive(0);
        const std::size_t requested = platform::bulk_detail::RequestedBytes() - before;
        count = arc.DMHandle->CDir.Count();
        std::int32_t itemNo = -1;
        EXPECT_TRUE(arc.DMHandle->CDir.FileExists(u"payload/item199.txt", itemNo));
        return requested;
    };
    std::int32_t compactCount = 0, sparseCount = 0;
    const std::size_t compactBytes = requestedByLoad(compact, compactCount);
    const std::size_t sparseBytes = requestedByLoad(sparse, sparseCount);
    EXPECT_EQ(compactCount, 200);
    EXPECT_EQ(sparseCount, 200);
    EXPECT_EQ(sparseBytes, compactBytes);
    EXPECT_LT(sparseBytes, std::size_t{1} << 20);
}
