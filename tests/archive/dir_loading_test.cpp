// Loading the central directory: items, names, extra blocks, comments, counts.
#include <gtest/gtest.h>

#include "archive/extra_fields.h"
#include "archive/item_name_decoding.h"
#include "tests/archive/archive_test_support.h"
#include "tests/support/zip_writer.h"

using namespace archive;
using namespace archive_tests;
using namespace testing_support;
namespace zf = testing_support::zipfield;

namespace {

std::span<const std::uint8_t> Bytes(std::string_view s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

}  // namespace

TEST(LoadDir, ReadsEveryItemInDirectoryOrder) {
    ZipWriter w;
    w.AddStored("a.txt", "alpha");
    w.Add({.name = "dir/b.bin",
           .data = std::string(3000, 'b'),
           .method = 8,
           .comment = "member note",
           .versionMadeBy = 0x031E,
           .externalAttr = 0x81A40000});
    w.Add({.name = "dir/", .externalAttr = 0x10});
    w.Comment("archive note");
    const ZipLayout z = w.Build();
    MemoryArchive m(z.bytes);
    ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
    ASSERT_EQ(m.Dir().Count(), 3);
    EXPECT_EQ(m.Item(0).Name(), u"a.txt");
    EXPECT_EQ(m.Item(1).Name(), u"dir/b.bin");
    EXPECT_EQ(m.Item(2).Name(), u"dir/");
    const TDirItem& b = m.Item(1);
    EXPECT_EQ(b.CompressionMethod, 8);
    EXPECT_EQ(b.CentralDir.compMethod, 8);
    EXPECT_EQ(b.CentralDir.unCompSize, 3000u);
    EXPECT_EQ(b.CentralDir.crc32, Crc32(std::string(3000, 'b')));
    EXPECT_EQ(b.CentralDir.versionMadeBy, 0x031E);
    EXPECT_EQ(b.CentralDir.externalAttr, 0x81A40000u);
    EXPECT_EQ(b.CentralDir.relOffsetLH, static_cast<std::uint32_t>(z.localHeaders[1]));
    EXPECT_EQ(b.CentralDir.signature, kCentralDirSignature);
    EXPECT_EQ(b.Comment(), "member note");
    EXPECT_TRUE(m.Item(0).Comment().empty());
    EXPECT_TRUE(m.Item(0).ExtraFields().empty());
    EXPECT_FALSE(m.Item(0).bHugeFile);
    EXPECT_EQ(m.arc.DMHandle->CentralDirOffset, z.centralDirStart);
    EXPECT_EQ(m.arc.DMHandle->StubSize, 0);
    EXPECT_FALSE(m.arc.DMHandle->FZip64);
    EXPECT_EQ(m.arc.Comment(), "archive note");
    std::int32_t itemNo = -1;
    EXPECT_TRUE(m.Dir().FileExists(u"DIR/B.BIN", itemNo));
    EXPECT_EQ(itemNo, 1);
}

TEST(LoadDir, DecodesNames) {
    struct Row {
        const char* name;
        std::string stored;
        std::uint16_t flags;
        bool oemFileNames;
        std::u16string expected;
    };
    const Row rows[] = {
        {"ascii untouched by the OEM step", "Foo/Bar.TXT", 0, true, u"Foo/Bar.TXT"},
        {"UTF-8 flag", "\xC3\x84rger/\xE2\x82\xAC.txt", 0x0800, true, u"\x00C4rger/\x20AC.txt"},
        {"OEM bytes become ANSI", "M\x81ller\xE1.txt", 0, true, u"M\x00FCller\x00DF.txt"},
        {"UTF-8 recognised by content", "\xC3\x84.txt", 0, false, u"\x00C4.txt"},
        {"four-byte UTF-8", "\xF0\x9F\x98\x80", 0x0800, true, u"\xD83D\xDE00"},
        {"ANSI when not UTF-8", "\xE4.txt", 0, false, u"\x00E4.txt"},
        {"flag without OEM conversion keeps ANSI", "\xFC\xDF", 0x0800, true, u"\x00FC\x00DF"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZipWriter w;
        w.Add({.name = row.stored, .data = "x", .flags = row.flags});
        const ZipLayout z = w.Build();
        auto stream = StreamOf(z.bytes);
        TZFArchiver arc;
        arc.FOptions.FOEMFileNames = row.oemFileNames;
        arc.OpenArchive(*stream, false);
        EXPECT_EQ(arc.DMHandle->CDir.ItemRef(0).Name(), row.expected);
    }
}

TEST(ItemNameDecoding, WellFormedUtf8) {
    struct Row {
        const char* name;
        std::string bytes;
        bool wellFormed;
    };
    const Row rows[] = {
        {"ascii", "abc", true},
        {"two bytes", "\xC2\x80", true},
        {"overlong C0", "\xC0\x80", false},
        {"overlong C1", "\xC1\xBF", false},
        {"E0 needs A0", "\xE0\x80\x80", false},
        {"E0 A0", "\xE0\xA0\x80", true},
        {"surrogate range passes", "\xED\xA0\x80", true},
        {"F0 needs 90", "\xF0\x80\x80\x80", false},
        {"F0 90", "\xF0\x90\x80\x80", true},
        {"F4 8F", "\xF4\x8F\xBF\xBF", true},
        {"F4 90 too high", "\xF4\x90\x80\x80", false},
        {"F5 lead", "\xF5\x80\x80\x80", false},
        {"cut short", "\xE1\x80", false},
        {"lone continuation", "a\x80", false},
        {"continuation missing", "\xC3\x41", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(IsWellFormedUtf8(Bytes(row.bytes)), row.wellFormed);
    }
}

TEST(ItemNameDecoding, EveryStoredByteCountsZerosToo) {
    EXPECT_EQ(DecodeItemName(Bytes(std::string("\x81\0\x81", 3)), true), std::u16string(u"\u00fc\0\u00fc", 3));
    EXPECT_EQ(DecodeItemName(Bytes(std::string("a\0b", 3)), true), std::u16string(u"a\0b", 3))
        << "the stored length counts, not the zero";
}

TEST(LoadDir, InterpretsExtraBlocksAndKeepsThemAll) {
    const std::string unknown = ExtraBlock(0x7875, std::string("\x01\x04\xE8\x03\x00\x00", 6));
    const std::string unicode = ExtraBlock(0x554E, Le32(0x5843554E) + Le32(2) + Le16(0x00C4) + Le16(0x0062));
    ZipWriter w;
    w.Add({.name = "plain", .data = "1", .centralExtra = unknown + unicode});
    const ZipLayout z = w.Build();
    MemoryArchive m(z.bytes);
    ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
    const TDirItem& item = m.Item(0);
    ASSERT_EQ(item.ExtraFields().size(), 2u);
    EXPECT_EQ(item.ExtraFields()[0].headerID, 0x7875);
    EXPECT_EQ(item.ExtraFields()[0].dataSize, 6);
    EXPECT_EQ(std::string(item.ExtraFields()[0].pData.begin(), item.ExtraFields()[0].pData.end()),
              std::string("\x01\x04\xE8\x03\x00\x00", 6));
    EXPECT_EQ(item.ExtraFields()[1].headerID, 0x554E);
    EXPECT_EQ(item.Name(),
              u"\x00C4"
              u"b");
    std::int32_t itemNo = -1;
    EXPECT_TRUE(
        m.Dir().FileExists(u"\x00C4"
                           u"B",
                           itemNo));
    EXPECT_FALSE(m.Dir().FileExists(u"plain", itemNo)) << "the index follows the Unicode name";
}

TEST(LoadDir, Zip64BlockTakesOnlyTheMarkedValues) {
    struct Row {
        const char* name;
        std::uint32_t compSize, unCompSize, relOffset;
        std::string data;
        std::int64_t expectComp, expectUncomp, expectOffset;
    };
    const Row rows[] = {
        {"all three", 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, Le64(7) + Le64(5) + Le64(0), 5, 7, 0},
        {"only compressed", 0xFFFFFFFF, 9, 0, Le64(1234), 1234, 0, 0},
        {"none marked", 5, 9, 0, Le64(1234), 0, 0, 0},
        {"value cut short is not taken", 0xFFFFFFFF, 0xFFFFFFFF, 0, Le64(77) + "\x01\x02", 0, 77, 0},
        {"empty block", 0xFFFFFFFF, 0xFFFFFFFF, 0, "", 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZipWriter w;
        w.Add({.name = "big", .data = "12345", .centralExtra = ExtraBlock(0x0001, row.data)});
        ZipLayout z = w.Build();
        z.SetU32(z.centralHeaders[0] + zf::kCdCompSize, row.compSize);
        z.SetU32(z.centralHeaders[0] + zf::kCdUncompSize, row.unCompSize);
        z.SetU32(z.centralHeaders[0] + zf::kCdLocalOffset, row.relOffset);
        MemoryArchive m(z.bytes);
        ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
        const TDirItem& item = m.Item(0);
        EXPECT_TRUE(item.bHugeFile);
        EXPECT_EQ(item.Zip64ExtInfo().compSize, row.expectComp);
        EXPECT_EQ(item.Zip64ExtInfo().uncompSize, row.expectUncomp);
        EXPECT_EQ(item.Zip64ExtInfo().relOffsetLH, row.expectOffset);
    }
}

TEST(LoadDir, AesBlockAndEncryptionMarks) {
    struct Row {
        const char* name;
        std::uint16_t extractVersion;
        std::string aesData;
        TZFCryptoAlgorithm algorithm;
        std::uint16_t method;
    };
    const std::string aes256 = Le16(2) + "AE" + "\x03" + Le16(8);
    const Row rows[] = {
        {"AES-256 names the real method", 51, aes256, caAES_256, 8},
        {"AES-128", 51, Le16(2) + "AE" + "\x01" + Le16(0), caAES_128, 0},
        {"AES-192", 51, Le16(1) + "AE" + "\x02" + Le16(8), caAES_192, 8},
        {"unknown strength keeps the algorithm", 51, Le16(2) + "AE" + "\x07" + Le16(8), caPkzipClassic, 8},
        {"strong-encryption version ignores it", 0x4114, aes256, caPkzipClassic, 99},
        {"short block ignored", 51, Le16(2) + "AE" + "\x03", caPkzipClassic, 99},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZipWriter w;
        w.Add({.name = "secret",
               .data = "x",
               .method = 99,
               .flags = 1,
               .centralExtra = ExtraBlock(0x9901, row.aesData),
               .extractVersion = row.extractVersion});
        MemoryArchive m(w.Build().bytes);
        ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
        EXPECT_EQ(m.Item(0).ZFEncryptionAlgorithm, row.algorithm);
        EXPECT_EQ(m.Item(0).CompressionMethod, row.method);
        EXPECT_EQ(m.Item(0).CentralDir.compMethod, 99);
        EXPECT_EQ(m.Item(0).ExtraFields().size(), 1u);
    }
}

TEST(LoadDir, MalformedExtraFieldsAreBoundedToTheirField) {
    struct Row {
        const char* name;
        std::string extra;
        std::size_t blocks;
        std::uint16_t lastSize;
    };
    const Row rows[] = {
        {"block size past the field is cut", Le16(0x1234) + Le16(50) + "abc", 1, 3},
        {"padding shorter than a header is skipped", ExtraBlock(0x1234, "ab") + std::string(3, '\0'), 1, 2},
        {"unicode block with wrong signature", ExtraBlock(0x554E, Le32(0x11111111) + Le32(1) + Le16('z')), 1, 10},
        {"unicode block announcing too many units", ExtraBlock(0x554E, Le32(0x5843554E) + Le32(9) + Le16('z')), 1, 10},
        {"unicode block shorter than its count", ExtraBlock(0x554E, Le32(0x5843554E)), 1, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZipWriter w;
        w.Add({.name = "n", .data = "x", .centralExtra = row.extra, .comment = "after"});
        w.AddStored("second", "y");
        MemoryArchive m(w.Build().bytes, /*strict=*/true);
        ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
        ASSERT_EQ(m.Item(0).ExtraFields().size(), row.blocks);
        EXPECT_EQ(m.Item(0).ExtraFields().back().dataSize, row.lastSize);
        EXPECT_EQ(m.Item(0).ExtraFields().back().pData.size(), row.lastSize);
        EXPECT_EQ(m.Item(0).Name(), u"n");
        EXPECT_EQ(m.Item(0).Comment(), "after");
        EXPECT_EQ(m.Item(1).Name(), u"second") << "the next header is read where the field ends";
    }
}

TEST(LoadDir, ClassicEncryptionMark) {
    ZipWriter w;
    w.Add({.name = "e", .data = "x", .flags = 1});
    MemoryArchive m(w.Build().bytes);
    ASSERT_TRUE(m.outcome.opened);
    EXPECT_EQ(m.Item(0).ZFEncryptionAlgorithm, caPkzipClassic);
    EXPECT_EQ(m.Item(0).CentralDir.genPurposeFlag & 1, 1);
}

TEST(LoadDir, DuplicateNamesAreAcceptedAndTheLaterOneIsFound) {
    ZipWriter w;
    w.AddStored("Same.txt", "1").AddStored("other", "2").AddStored("SAME.TXT", "3");
    MemoryArchive m(w.Build().bytes, true);
    ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
    std::int32_t itemNo = -1;
    EXPECT_TRUE(m.Dir().FileExists(u"same.txt", itemNo));
    EXPECT_EQ(itemNo, 2);
    EXPECT_FALSE(m.Dir().FileExists(u"same.tx", itemNo));
    EXPECT_EQ(itemNo, -1);
}

TEST(LoadDir, NamelessItemFollowedByAnotherIsAnIndexError) {
    ZipWriter w;
    w.AddStored("", "1").AddStored("b", "2");
    MemoryArchive strict(w.Build().bytes, true);
    EXPECT_EQ(strict.outcome.nativeError, 59) << strict.outcome.Describe();

    ZipWriter last;
    last.AddStored("a", "1").AddStored("", "2");
    MemoryArchive ok(last.Build().bytes, true);
    ASSERT_TRUE(ok.outcome.opened) << "a nameless last item is fine";
    EXPECT_EQ(ok.Item(1).Name(), u"");
}

// Errors while items are read pass on with recovery off, and send the load to
// the recovery road otherwise (which here finds no local header: code 35).
TEST(LoadDir, ItemReadErrorsPassOnOrTakeTheRecoveryRoad) {
    struct Row {
        const char* name;
        void (*mutate)(ZipLayout&);
    };
    const Row rows[] = {
        {"count larger than the directory", [](ZipLayout& z) { z.SetU16(z.endRecord + zf::kEndEntries, 3); }},
        {"name running past the file", [](ZipLayout& z) { z.SetU16(z.centralHeaders[1] + zf::kCdNameLength, 5000); }},
        {"comment running past the file",
         [](ZipLayout& z) { z.SetU16(z.centralHeaders[1] + zf::kCdCommentLength, 0xFFFF); }},
        {"extra field running past the file",
         [](ZipLayout& z) { z.SetU16(z.centralHeaders[1] + zf::kCdExtraLength, 0x8000); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZipWriter w;
        w.AddStored("a", "1").AddStored("b", "2");
        ZipLayout z = w.Build();
        row.mutate(z);
        MemoryArchive strict(z.bytes, true);
        EXPECT_TRUE(strict.outcome.readError) << strict.outcome.Describe();
        // What the failed load leaves shows nothing of the bytes it did not read.
        ASSERT_TRUE(strict.arc.DMHandle);
        ASSERT_EQ(strict.Dir().Count(), 2);
        EXPECT_TRUE(strict.Item(1).Comment().empty());
        EXPECT_TRUE(strict.Item(1).ExtraFields().empty());
        MemoryArchive recovered(WithoutLocalSignatures(z.bytes));
        EXPECT_EQ(recovered.outcome.nativeError, 35) << recovered.outcome.Describe();
    }
}

TEST(LoadDir, OverstatedCountsNeverSizeTheDirectoryBeyondItsBytes) {
    struct Row {
        const char* name;
        bool zip64;
        std::uint64_t count;
    };
    const Row rows[] = {
        {"16-bit count", false, 0xFFFE},
        {"zip64 count of 2^32 - 1", true, 0xFFFFFFFFull},
        {"zip64 count above 32 bits keeps its low half", true, 0x1000000FFull},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZipWriter w;
        w.AddStored("a", "1").AddStored("b", "2");
        if (row.zip64) w.Zip64Records();
        ZipLayout z = w.Build();
        if (row.zip64) {
            z.SetU64(z.zip64EndRecord + zf::kZ64Entries, row.count);
        } else {
            z.SetU16(z.endRecord + zf::kEndEntries, static_cast<std::uint16_t>(row.count));
        }
        MemoryArchive strict(z.bytes, true);
        EXPECT_TRUE(strict.outcome.readError) << strict.outcome.Describe();
        ASSERT_TRUE(strict.arc.DMHandle) << "the failed open keeps its directory manager";
        const std::int64_t bytesHeld = static_cast<std::int64_t>(z.bytes.size()) - z.centralDirStart;
        // The growth rule's first block of 1000 slots, never the overstated count.
        EXPECT_LE(strict.Dir().AllocItemCount(), std::max<std::int64_t>(bytesHeld / 46, 1000));
        EXPECT_LE(strict.Dir().Count(), bytesHeld / 46);
        EXPECT_EQ(strict.Dir().ItemRef(1).Name(), u"b") << "the real items were read before the short read";
        MemoryArchive recovered(WithoutLocalSignatures(z.bytes));
        EXPECT_EQ(recovered.outcome.nativeError, 35) << recovered.outcome.Describe();
    }
}

TEST(LoadDir, FullSixteenBitCountWithoutZip64TakesTheRecoveryRoad) {
    ZipWriter w;
    w.AddStored("a", "1");
    ZipLayout z = w.Build();
    z.SetU16(z.endRecord + zf::kEndEntries, 0xFFFF);
    z.SetU16(z.endRecord + zf::kEndEntriesOnDisk, 0xFFFF);
    MemoryArchive strict(WithoutLocalSignatures(z.bytes), true);
    EXPECT_EQ(strict.outcome.nativeError, 35) << "even with recovery off";
}

TEST(LoadDir, CompressedSizesBeyondTheFileFailOnlyWithRecoveryOff) {
    ZipWriter w;
    w.AddStored("a", "1").AddStored("b", "2");
    ZipLayout z = w.Build();
    z.SetU32(z.centralHeaders[0] + zf::kCdCompSize, static_cast<std::uint32_t>(z.bytes.size()));
    MemoryArchive strict(z.bytes, true);
    EXPECT_EQ(strict.outcome.nativeError, 57) << strict.outcome.Describe();
    EXPECT_EQ(strict.outcome.message, "Archive is damaged. Open failed - Native error: 00057");
    MemoryArchive lenient(z.bytes);
    EXPECT_TRUE(lenient.outcome.opened) << lenient.outcome.Describe();

    ZipLayout fits = w.Build();
    fits.SetU32(fits.centralHeaders[0] + zf::kCdCompSize, static_cast<std::uint32_t>(fits.bytes.size() - 1));
    MemoryArchive exact(fits.bytes, true);
    EXPECT_TRUE(exact.outcome.opened) << "sum 1 + size - 1 does not exceed the size";
}

TEST(LoadDir, Zip64Records) {
    ZipWriter w;
    w.AddStored("a", "1");
    w.Add({.name = "huge", .data = "payload", .zip64 = true});
    w.Zip64Records();
    const ZipLayout z = w.Build();
    MemoryArchive m(z.bytes, true);
    ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
    EXPECT_TRUE(m.arc.DMHandle->FZip64);
    ASSERT_EQ(m.Dir().Count(), 2);
    EXPECT_EQ(m.arc.DMHandle->CentralDirOffset, z.centralDirStart);
    EXPECT_EQ(m.Item(1).LocalHeaderOffset(), z.localHeaders[1]);
    EXPECT_EQ(m.Item(1).CompressedSize(), 7);
    EXPECT_EQ(m.arc.DMHandle->Zip64CentralDirEnd.entriesCentralDir, 2);
    EXPECT_EQ(m.arc.DMHandle->Zip64CentralDirEndLocator.offsetStartDirEnd, z.zip64EndRecord);
}

TEST(LoadDir, Zip64EndRecordThatCannotBeFound) {
    struct Row {
        const char* name;
        void (*mutate)(ZipLayout&);
        std::int32_t nativeError;
        bool readError;
    };
    const Row rows[] = {
        {"signature broken", [](ZipLayout& z) { z.SetU32(z.zip64EndRecord, 0x12345678); }, 40, false},
        {"locator points past the end",
         [](ZipLayout& z) { z.SetU64(z.zip64Locator + zf::kLocOffset, z.bytes.size() - 10); }, 0, true},
        {"locator points before the start", [](ZipLayout& z) { z.SetU64(z.zip64Locator + zf::kLocOffset, ~0ull); }, 0,
         true},
        {"locator points far beyond any file system's end",
         [](ZipLayout& z) { z.SetU64(z.zip64Locator + zf::kLocOffset, 0x421994BE44619C94ull); }, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZipWriter w;
        w.AddStored("a", "1");
        w.Zip64Records();
        ZipLayout z = w.Build();
        row.mutate(z);
        for (bool strict : {false, true}) {
            MemoryArchive m(z.bytes, strict);
            EXPECT_EQ(m.outcome.nativeError, row.nativeError) << m.outcome.Describe();
            EXPECT_EQ(m.outcome.readError, row.readError) << "not caught by the recovery road";
        }
    }
    // An empty zip64 archive has its zip64 end record at 0, too near the start.
    ZipWriter empty;
    empty.Zip64Records();
    MemoryArchive m(empty.Build().bytes);
    EXPECT_EQ(m.outcome.nativeError, 40);
}

TEST(LoadDir, EmptyArchives) {
    MemoryArchive bare(ZipWriter().Build().bytes, true);
    ASSERT_TRUE(bare.outcome.opened) << "the 22-byte archive: " << bare.outcome.Describe();
    EXPECT_EQ(bare.Dir().Count(), 0);
    EXPECT_EQ(bare.arc.DMHandle->StubSize, 0);
    EXPECT_EQ(bare.arc.DMHandle->CentralDirOffset, 0);
    EXPECT_EQ(bare.arc.Size(), 22);

    MemoryArchive prefixed(ZipWriter().Stub(std::string(100, 'z'), true).Comment("c").Build().bytes, true);
    ASSERT_TRUE(prefixed.outcome.opened);
    EXPECT_EQ(prefixed.arc.DMHandle->StubSize, 100) << "everything in front of the end record";
    EXPECT_EQ(prefixed.arc.DMHandle->CentralDirOffset, 0);
    EXPECT_EQ(prefixed.arc.Comment(), "c");
}
