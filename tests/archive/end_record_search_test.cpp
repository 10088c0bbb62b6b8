// The backward search for the end record, its plausibility test, and stubs.
#include <gtest/gtest.h>

#include "archive/dir_manager.h"
#include "tests/archive/archive_test_support.h"
#include "tests/support/zip_writer.h"

using namespace archive;
using namespace archive_tests;
using namespace testing_support;
namespace zf = testing_support::zipfield;

namespace {

struct Search {
    bool found = false;
    std::int64_t position = -1;
    TZFZipCentralDirEnd record;
    std::string comment;
};

Search FindEnd(const std::string& bytes) {
    auto stream = StreamOf(bytes);
    stream->SetPosition(3);
    TZFDirManager dm(stream.get(), false, nullptr);
    Search s;
    s.found = dm.FindCentralDirEnd(kCentralDirEndSignature, s.record, s.position);
    s.comment = dm.ArchiveComment;
    EXPECT_EQ(stream->Position(), 3) << "the stream position is restored";
    return s;
}

std::string EmptyEndRecord(std::uint16_t commentLength = 0) {
    return Le32(0x06054B50) + std::string(16, '\0') + Le16(commentLength);
}

}  // namespace

TEST(FindCentralDirEnd, FindsTheRecordBehindComments) {
    struct Row {
        const char* name;
        std::size_t commentLength;
        std::size_t trailingBytes;
        bool found;
    };
    const Row rows[] = {
        {"no comment", 0, 0, true},
        {"short comment", 5, 0, true},
        {"longest comment", 65535, 0, true},
        {"trailing bytes after the comment are allowed", 5, 100, true},
        {"record at the window's first byte", 65535, 43, true},
        {"record one byte outside the window", 65535, 44, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZipWriter w;
        w.AddStored("a", "1");
        w.Comment(std::string(row.commentLength, 'c'));
        ZipLayout z = w.Build();
        z.bytes += std::string(row.trailingBytes, 't');
        const Search s = FindEnd(z.bytes);
        EXPECT_EQ(s.found, row.found);
        if (row.found) {
            EXPECT_EQ(s.position, z.endRecord);
            EXPECT_EQ(s.comment.size(), row.commentLength);
            EXPECT_EQ(s.record.entriesCentralDir, 1);
        } else {
            EXPECT_EQ(s.position, -1);
            EXPECT_TRUE(s.comment.empty());
            EXPECT_EQ(s.record.signature, 0u);
        }
    }
}

TEST(FindCentralDirEnd, FalseSignaturesDoNotHideTheRealRecord) {
    struct Row {
        const char* name;
        std::string comment;
    };
    const Row rows[] = {
        {"bare signature", "PK\x05\x06"},
        {"signature too near the end", "xxPK\x05\x06" + std::string(10, '\0')},
        {"record whose comment runs past the file", "PK\x05\x06" + std::string(16, '\0') + Le16(500)},
        {"record with more entries on disk than in total",
         "PK\x05\x06" + Le16(0) + Le16(0) + Le16(2) + Le16(1) + std::string(10, '\0')},
        {"record with a later start disk", "PK\x05\x06" + Le16(0) + Le16(1) + std::string(14, '\0')},
        {"record whose directory is larger than what precedes it",
         "PK\x05\x06" + std::string(8, '\0') + Le32(0x7FFFFFFF) + std::string(6, '\0')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZipWriter w;
        w.AddStored("a", "1").Comment(row.comment);
        const ZipLayout z = w.Build();
        const Search s = FindEnd(z.bytes);
        EXPECT_TRUE(s.found);
        EXPECT_EQ(s.position, z.endRecord);
        EXPECT_EQ(s.comment, row.comment);
    }
}

TEST(FindCentralDirEnd, OfTwoPlausibleRecordsTheOneNearerTheEndWins) {
    ZipWriter w;
    w.AddStored("a", "1").Comment("hidden:" + EmptyEndRecord());
    const ZipLayout z = w.Build();
    const Search s = FindEnd(z.bytes);
    ASSERT_TRUE(s.found);
    EXPECT_EQ(s.position, static_cast<std::int64_t>(z.bytes.size()) - 22);
    EXPECT_EQ(s.record.entriesCentralDir, 0);
    MemoryArchive m(z.bytes, true);
    ASSERT_TRUE(m.outcome.opened);
    EXPECT_EQ(m.Dir().Count(), 0) << "the record inside the comment is taken";
}

TEST(CheckCentralDirEnd, PlausibilityRules) {
    struct Row {
        const char* name;
        void (*mutate)(ZipLayout&);
        bool plausible;
    };
    const Row rows[] = {
        {"as written", [](ZipLayout&) {}, true},
        {"start disk after disk", [](ZipLayout& z) { z.SetU16(z.endRecord + zf::kEndStartDisk, 1); }, false},
        {"start disk before disk skips the offset test",
         [](ZipLayout& z) {
             z.SetU16(z.endRecord + zf::kEndDiskNumber, 2);
             z.SetU32(z.endRecord + zf::kEndDirOffset, 0x7FFFFFFF);
         },
         true},
        {"entries on disk above total", [](ZipLayout& z) { z.SetU16(z.endRecord + zf::kEndEntriesOnDisk, 2); }, false},
        {"directory size reaching the record's end",
         [](ZipLayout& z) { z.SetU32(z.endRecord + zf::kEndDirSize, static_cast<std::uint32_t>(z.endRecord + 22)); },
         false},
        {"directory size all ones with a stored offset",
         [](ZipLayout& z) { z.SetU32(z.endRecord + zf::kEndDirSize, 0xFFFFFFFF); }, false},
        {"directory size and offset all ones",
         [](ZipLayout& z) {
             z.SetU32(z.endRecord + zf::kEndDirSize, 0xFFFFFFFF);
             z.SetU32(z.endRecord + zf::kEndDirOffset, 0xFFFFFFFF);
         },
         true},
        {"offset at the directory's computed end",
         [](ZipLayout& z) {
             z.SetU32(z.endRecord + zf::kEndDirOffset, static_cast<std::uint32_t>(z.endRecord + 22 - z.centralDirSize));
         },
         false},
        {"offset just below it",
         [](ZipLayout& z) {
             z.SetU32(z.endRecord + zf::kEndDirOffset, static_cast<std::uint32_t>(z.endRecord + 21 - z.centralDirSize));
         },
         true},
        {"offset all ones", [](ZipLayout& z) { z.SetU32(z.endRecord + zf::kEndDirOffset, 0xFFFFFFFF); }, true},
        {"comment longer than the rest", [](ZipLayout& z) { z.SetU16(z.endRecord + zf::kEndCommentLength, 3); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZipWriter w;
        w.AddStored("a", "1").Comment("xy");
        ZipLayout z = w.Build();
        row.mutate(z);
        auto stream = StreamOf(z.bytes);
        TZFDirManager dm(stream.get(), false, nullptr);
        EXPECT_EQ(dm.CheckCentralDirEnd(z.endRecord), row.plausible);
        EXPECT_EQ(stream->Position(), 0);
        EXPECT_EQ(FindEnd(z.bytes).found, row.plausible);
    }
}

TEST(CheckCentralDirEnd, NeedsTwentyTwoBytes) {
    const std::string bytes = EmptyEndRecord();
    auto stream = StreamOf(bytes);
    TZFDirManager dm(stream.get(), false, nullptr);
    EXPECT_TRUE(dm.CheckCentralDirEnd(0));
    EXPECT_FALSE(dm.CheckCentralDirEnd(1));
    EXPECT_FALSE(dm.CheckCentralDirEnd(-1));
    EXPECT_FALSE(FindEnd(bytes.substr(0, 21)).found) << "a file shorter than 22 bytes has no end record";
    EXPECT_FALSE(FindEnd("").found);
}

TEST(HasCentralDirEnd, IsTrueRegardlessWhileDamagedArchivesAreOpened) {
    auto stream = StreamOf("no archive here");
    TZFArchiver arc;
    TZFDirManager dm(stream.get(), false, &arc);
    EXPECT_TRUE(dm.HasCentralDirEnd());
    arc.FOpenCorruptedArchives = false;
    EXPECT_FALSE(dm.HasCentralDirEnd());
    EXPECT_EQ(dm.CentralDirEnd.signature, 0u) << "the record is zeroed when none is found";
}

TEST(StubDetection, PrefixesBothWays) {
    struct Row {
        const char* name;
        std::string prefix;
        bool offsetsCountStub;
    };
    const Row rows[] = {
        {"offsets relative to the archive", std::string(1000, 's'), false},
        {"offsets counting the prefix", std::string(1000, 's'), true},
        {"prefix holding a stray local signature", std::string(300, 's') + "PK\x03\x04" + std::string(696, 's'), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZipWriter w;
        w.Stub(row.prefix, row.offsetsCountStub);
        w.AddStored("first.txt", "first data");
        w.Add({.name = "folder/", .externalAttr = 0x10});
        w.AddDeflated("folder/x", std::string(500, 'x'));
        const ZipLayout z = w.Build();
        MemoryArchive m(z.bytes, true);
        ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
        EXPECT_EQ(m.arc.DMHandle->StubSize, 1000);
        EXPECT_EQ(m.arc.DMHandle->CentralDirOffset, z.centralDirStart);
        EXPECT_EQ(m.Item(0).CentralDir.relOffsetLH, z.localHeaders[0]);
        EXPECT_EQ(m.Item(2).CentralDir.relOffsetLH, z.localHeaders[2]);
        const std::uint32_t folderOffset =
            static_cast<std::uint32_t>(z.localHeaders[1] - (row.offsetsCountStub ? 0 : 1000));
        EXPECT_EQ(m.Item(1).CentralDir.relOffsetLH, folderOffset) << "directory items are left as stored";
    }
}

TEST(StubDetection, FirstItemWithDataDecidesWhetherOffsetsCountTheStub) {
    ZipWriter w;
    w.Stub(std::string(64, 's'), false);
    w.AddStored("empty", "");
    w.AddStored("data", "abc");
    ZipLayout z = w.Build();
    MemoryArchive m(z.bytes, true);
    ASSERT_TRUE(m.outcome.opened);
    EXPECT_EQ(m.arc.DMHandle->StubSize, 64);
    EXPECT_EQ(m.Item(0).CentralDir.relOffsetLH, z.localHeaders[0]) << "raised although its own offset was 0";
    EXPECT_EQ(m.Item(1).CentralDir.relOffsetLH, z.localHeaders[1]);
}

TEST(StubDetection, UnmatchedLocalHeaderLeavesNoStub) {
    ZipWriter w;
    w.Stub(std::string(50, 's'), false);
    w.AddStored("a", "1");
    ZipLayout z = w.Build();
    z.SetU32(z.localHeaders[0] + zipfield::kLhCrc, 0xDEADBEEF);
    MemoryArchive m(z.bytes, true);
    ASSERT_TRUE(m.outcome.opened);
    EXPECT_EQ(m.arc.DMHandle->StubSize, 0);
    EXPECT_EQ(m.Item(0).CentralDir.relOffsetLH, 0u);
}

// Chunks of 10,000 bytes that start on page boundaries: the first ends at
// 10,000, the next (from 8,192) at 18,192, the third at 26,384.
TEST(StubDetection, FindSignatureAcrossChunkBorders) {
    for (std::size_t at : {0u, 9995u, 9996u, 9997u, 9999u, 10000u, 18188u, 18189u, 18190u, 19992u, 25000u, 26381u}) {
        SCOPED_TRACE(at);
        std::string bytes(30000, 'a');
        bytes.replace(at, 4, "PK\x03\x04");
        auto stream = StreamOf(bytes);
        TZFDirManager dm(stream.get(), false, nullptr);
        EXPECT_EQ(dm.FindSignature(0, kLocalFileHeaderSignature), static_cast<std::int64_t>(at));
        EXPECT_EQ(dm.FindSignature(at + 1, kLocalFileHeaderSignature), -1);
        EXPECT_EQ(dm.FindSignature(at, kLocalFileHeaderSignature), static_cast<std::int64_t>(at));
        EXPECT_EQ(stream->Position(), 0);
    }
}

// The stub is added to a zip64 item's own offset; the central marker stays,
// instead of wrapping round to a small offset.
TEST(StubDetection, Zip64ItemsAreRaisedThroughTheirZip64Offset) {
    ZipWriter w;
    w.Stub(std::string(200, 's'), false);
    w.Add({.name = "huge", .data = "payload", .zip64 = true});
    w.AddStored("small", "x");
    const ZipLayout z = w.Build();
    MemoryArchive m(z.bytes, true);
    ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
    EXPECT_EQ(m.arc.DMHandle->StubSize, 200);
    EXPECT_EQ(m.Item(0).CentralDir.relOffsetLH, 0xFFFFFFFFu);
    EXPECT_EQ(m.Item(0).LocalHeaderOffset(), z.localHeaders[0]);
    EXPECT_EQ(m.Item(1).LocalHeaderOffset(), z.localHeaders[1]);

    ZipWriter counted;
    counted.Stub(std::string(200, 's'), true);
    counted.Add({.name = "huge", .data = "payload", .zip64 = true});
    const ZipLayout c = counted.Build();
    MemoryArchive applied(c.bytes, true);
    ASSERT_TRUE(applied.outcome.opened);
    EXPECT_EQ(applied.Item(0).LocalHeaderOffset(), c.localHeaders[0]) << "offsets that count the stub stay";
}
