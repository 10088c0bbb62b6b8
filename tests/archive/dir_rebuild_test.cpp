// The recovery road: a directory built from the local headers when the central
// directory is gone or unusable, and what can be extracted through it.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "archive/archiver.h"
#include "tests/archive/extraction_fixture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_writer.h"

using namespace archive;
using namespace extraction_tests;
using testing_support::ZipLayout;
using testing_support::ZipMember;
using testing_support::ZipWriter;
namespace zf = testing_support::zipfield;

namespace {

// How an open ended: 0 when it succeeded, else the native code (-1: another error).
std::int32_t OpenResult(const std::string& bytes, std::unique_ptr<OpenedArchive>& archive) {
    try {
        archive = std::make_unique<OpenedArchive>(bytes);
        return 0;
    } catch (const EZFException& e) {
        return e.NativeError;
    } catch (const std::exception&) {
        return -1;
    }
}

std::string CutAt(const ZipLayout& layout, std::int64_t size) {
    return layout.bytes.substr(0, static_cast<std::size_t>(size));
}

TEST(DirRebuild, ArchiveCutInsideItsCentralDirectory) {
    ZipWriter w;
    w.AddDeflated("iTunesMetadata.plist", "<plist>meta</plist>")
        .Add(ZipMember{.name = "Payload/", .comment = "lost"})
        .Add(ZipMember{.name = "Payload/a.txt", .data = "aaaa", .comment = "lost too"});
    const ZipLayout layout = w.Build();
    const std::string cut = CutAt(layout, layout.centralHeaders[1] + 10);
    std::unique_ptr<OpenedArchive> archive;
    ASSERT_EQ(OpenResult(cut, archive), 0);
    TZFDirManager& dm = *archive->arc.DMHandle;
    ASSERT_EQ(dm.CDir.Count(), 3);
    EXPECT_EQ(dm.CentralDirOffset, static_cast<std::int64_t>(cut.size()));
    EXPECT_EQ(dm.StubSize, 0);
    const std::uint32_t attributes[] = {0x20, 0x10, 0x20};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const TDirItem& item = dm.CDir.ItemRef(i);
        EXPECT_EQ(item.CentralDir.relOffsetLH, static_cast<std::uint32_t>(layout.localHeaders[i]));
        EXPECT_EQ(item.CentralDir.externalAttr, attributes[i]);
        EXPECT_EQ(item.CentralDir.signature, 0x04034B50u);
        EXPECT_EQ(item.CentralDir.crc32, layout.U32(layout.localHeaders[i] + zf::kLhCrc));
        EXPECT_EQ(item.CentralDir.compSize, layout.U32(layout.localHeaders[i] + zf::kLhCompSize));
        EXPECT_TRUE(item.Comment().empty());
    }
    EXPECT_EQ(dm.CDir.ItemRef(2).Name(), u"Payload/a.txt");
    EXPECT_EQ(Extract(archive->arc, u"itunesmetadata.plist").bytes, "<plist>meta</plist>");
    EXPECT_EQ(Extract(archive->arc, u"Payload\\a.txt").bytes, "aaaa");
}

TEST(DirRebuild, DataDescriptorGivesTheSizesAndCheckSum) {
    const std::string text(5000, 'q');
    const ZipLayout layout =
        ZipWriter().Add(ZipMember{.name = "d.txt", .data = text, .method = 8, .dataDescriptor = true}).Build();
    std::unique_ptr<OpenedArchive> archive;
    ASSERT_EQ(OpenResult(CutAt(layout, layout.centralDirStart), archive), 0);
    const TDirItem& item = archive->arc.DMHandle->CDir.ItemRef(0);
    EXPECT_EQ(item.CentralDir.unCompSize, 5000u);
    EXPECT_EQ(item.CentralDir.crc32, testing_support::Crc32(text));
    EXPECT_EQ(item.CentralDir.externalAttr, 0x20u);
    EXPECT_EQ(Extract(archive->arc, u"d.txt").bytes, text);
}

struct SkipRow {
    const char* name;
    ZipMember member;
    std::int32_t items;
};

TEST(DirRebuild, HeadersThatFailTheTestAreSkipped) {
    const SkipRow rows[] = {
        {"extra field of 260 bytes is taken",
         {.name = "x", .data = "d", .localExtra = testing_support::ExtraBlock(0xCAFE, std::string(256, 'e'))},
         2},
        {"extra field of 261 bytes is skipped",
         {.name = "x", .data = "d", .localExtra = testing_support::ExtraBlock(0xCAFE, std::string(257, 'e'))},
         1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ZipLayout layout = ZipWriter().AddStored("first", "1").Add(row.member).Build();
        std::unique_ptr<OpenedArchive> archive;
        ASSERT_EQ(OpenResult(CutAt(layout, layout.centralDirStart), archive), 0);
        EXPECT_EQ(archive->arc.DMHandle->CDir.Count(), row.items);
    }

    ZipLayout huge = ZipWriter().AddStored("first", "1").AddStored("second", "2").Build();
    huge.SetU32(huge.localHeaders[1] + zf::kLhCompSize, static_cast<std::uint32_t>(huge.centralDirStart));
    std::unique_ptr<OpenedArchive> archive;
    ASSERT_EQ(OpenResult(CutAt(huge, huge.centralDirStart), archive), 0);
    EXPECT_EQ(archive->arc.DMHandle->CDir.Count(), 1);
}

TEST(DirRebuild, LocalSignatureInsideStoredDataMakesAnExtraItem) {
    const ZipLayout innerArchive = ZipWriter().AddStored("inner.txt", "hidden").Build();
    const std::string inner = CutAt(innerArchive, innerArchive.centralDirStart);  // a bare local header
    const ZipLayout layout = ZipWriter().AddStored("outer.zip", inner).Build();
    std::unique_ptr<OpenedArchive> archive;
    ASSERT_EQ(OpenResult(CutAt(layout, layout.centralDirStart), archive), 0);
    ASSERT_EQ(archive->arc.DMHandle->CDir.Count(), 2);
    EXPECT_EQ(archive->arc.DMHandle->CDir.ItemRef(1).Name(), u"inner.txt");
    EXPECT_EQ(Extract(archive->arc, u"inner.txt").bytes, "hidden");
}

struct FailRow {
    const char* name;
    std::string bytes;
    std::int32_t nativeError;
};

TEST(DirRebuild, NothingToRebuildFromFailsTheOpen) {
    const ZipLayout two = ZipWriter().AddStored("", "nameless").AddStored("b", "b").Build();
    const FailRow rows[] = {
        {"empty file", "", 35},
        {"no local signature", std::string(1000, 'x'), 35},
        {"signature with fewer than 30 bytes behind it", "junk PK\x03\x04" + std::string(25, '\0'), 35},
        {"nameless member followed by another", CutAt(two, two.centralDirStart), 59},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::unique_ptr<OpenedArchive> archive;
        EXPECT_EQ(OpenResult(row.bytes, archive), row.nativeError);
    }
}

// Names decode as on the central road: UTF-8 by content, flag or not; other
// names straight from the OEM code page when an end record was seen (one that
// could not be used) and the flag is clear, else from the ANSI one.
TEST(DirRebuild, NamesDecodeAsOnTheCentralRoad) {
    ZipWriter w;
    w.AddStored("\x84.txt", "oem")
        .AddStored("\xC3\xA4.txt", "utf8")
        .Add(ZipMember{.name = "\x84-flagged.txt", .data = "f", .flags = 0x0800});
    w.AddStored("\xE4\xE7\xC4.txt", "greek and a box line");
    ZipLayout layout = w.Build();

    std::unique_ptr<OpenedArchive> cut;
    ASSERT_EQ(OpenResult(CutAt(layout, layout.centralDirStart), cut), 0);
    EXPECT_EQ(cut->arc.DMHandle->CDir.ItemRef(0).Name(), u"\u201E.txt");
    EXPECT_EQ(cut->arc.DMHandle->CDir.ItemRef(1).Name(), u"\u00E4.txt") << "UTF-8 without the flag";
    EXPECT_EQ(cut->arc.DMHandle->CDir.ItemRef(3).Name(), u"\u00E4\u00E7\u00C4.txt");

    layout.SetU16(layout.endRecord + zf::kEndEntries, 0xFFFF);
    layout.SetU16(layout.endRecord + zf::kEndEntriesOnDisk, 0xFFFF);
    std::unique_ptr<OpenedArchive> marked;
    ASSERT_EQ(OpenResult(layout.bytes, marked), 0);
    const TZFDirArray& dir = marked->arc.DMHandle->CDir;
    ASSERT_EQ(dir.Count(), 4);
    EXPECT_EQ(dir.ItemRef(0).Name(), u"\u00E4.txt");
    EXPECT_EQ(dir.ItemRef(1).Name(), u"\u00E4.txt");
    EXPECT_EQ(dir.ItemRef(2).Name(), u"\u201E-flagged.txt");
    EXPECT_EQ(dir.ItemRef(3).Name(), u"\u03A3\u03C4\u2500.txt") << "OEM characters the ANSI page lacks";
    EXPECT_EQ(marked->arc.DMHandle->CentralDirOffset, static_cast<std::int64_t>(layout.bytes.size()));
}

// A member cut off by the end of the file: its data end with the file (the end of
// member data on this road), and it fails its size test.
TEST(DirRebuild, TruncatedLastMemberStopsAtTheEndOfTheFile) {
    const std::string first(200000, 'y');
    const ZipLayout layout =
        ZipWriter().AddStored("first", first).AddStored("cut.bin", std::string(100000, 'z')).Build();
    const std::string cut = CutAt(layout, layout.localHeaders[1] + 30 + 7 + 50000);
    std::unique_ptr<OpenedArchive> archive;
    ASSERT_EQ(OpenResult(cut, archive), 0);
    ASSERT_EQ(archive->arc.DMHandle->CDir.Count(), 2);
    EXPECT_TRUE(Extract(archive->arc, u"first").bytes == first);
    const Extraction result = Extract(archive->arc, u"cut.bin");
    EXPECT_EQ(result.nativeError, 8);
    EXPECT_TRUE(result.bytes == std::string(50000, 'z'));
}

// Many members of random sizes (about 1.8 MB in all) put headers across the
// scan's chunk boundaries; the rebuilt directory must agree with the central one.
TEST(DirRebuild, AgreesWithTheCentralDirectoryAcrossChunkBoundaries) {
    std::mt19937 random(3);
    ZipWriter w;
    for (int i = 0; i < 1200; ++i) {
        std::string data(random() % 3000, static_cast<char>('a' + i % 26));
        w.Add(ZipMember{.name = "dir" + std::to_string(i % 7) + "/file" + std::to_string(i) + ".bin",
                        .data = std::move(data),
                        .method = static_cast<std::uint16_t>(i % 3 == 0 ? 8 : 0)});
    }
    const ZipLayout layout = w.Build();
    std::unique_ptr<OpenedArchive> central;
    std::unique_ptr<OpenedArchive> rebuilt;
    ASSERT_EQ(OpenResult(layout.bytes, central), 0);
    ASSERT_EQ(OpenResult(CutAt(layout, layout.centralDirStart), rebuilt), 0);
    const TZFDirArray& a = central->arc.DMHandle->CDir;
    const TZFDirArray& b = rebuilt->arc.DMHandle->CDir;
    ASSERT_EQ(a.Count(), b.Count());
    for (std::int32_t i = 0; i < a.Count(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(a.ItemRef(i).Name(), b.ItemRef(i).Name());
        EXPECT_EQ(a.ItemRef(i).CentralDir.relOffsetLH, b.ItemRef(i).CentralDir.relOffsetLH);
        EXPECT_EQ(a.ItemRef(i).CentralDir.crc32, b.ItemRef(i).CentralDir.crc32);
        EXPECT_EQ(a.ItemRef(i).CentralDir.compSize, b.ItemRef(i).CentralDir.compSize);
    }
    const Extraction fromRebuilt = Extract(rebuilt->arc, u"dir6/file398.bin");
    EXPECT_TRUE(fromRebuilt.ok) << fromRebuilt.message;
    EXPECT_EQ(fromRebuilt.bytes, Extract(central->arc, u"dir6/file398.bin").bytes);
}

TEST(DirRebuild, FindLocalHeaderRestoresThePosition) {
    const ZipLayout layout = ZipWriter().AddStored("a", std::string(70000, 'a')).AddStored("b", "b").Build();
    std::unique_ptr<OpenedArchive> archive;
    ASSERT_EQ(OpenResult(layout.bytes, archive), 0);
    TZFDirManager& dm = *archive->arc.DMHandle;
    dm.FCompressedStream->SetPosition(123);
    EXPECT_EQ(dm.FindLocalHeader(0), 0);
    EXPECT_EQ(dm.FindLocalHeader(1), layout.localHeaders[1]);
    EXPECT_EQ(dm.FindLocalHeader(layout.localHeaders[1] + 1), -1);
    EXPECT_EQ(dm.FCompressedStream->Position(), 123);
}

// The rebuild's scan against a plain search of the whole bytes, on random data
// thick with the signature's first bytes, from many starting points, with
// matches across the scan's chunk boundaries.
TEST(DirRebuild, FindLocalHeaderAgreesWithAByteLoop) {
    std::mt19937 random(3);
    // Past two of the scan's 1 MiB chunks, which start on page boundaries.
    std::string bytes(2600000, '\0');
    for (char& c : bytes) c = "PK\x03\x04x"[random() % 5];
    for (std::size_t at : {65532u, 65533u, 65534u, 65535u, 131069u, 262143u, 1048572u, 1048573u, 1048574u, 1048575u,
                           2097149u, 2599970u}) {
        bytes.replace(at, 4, "PK\x03\x04");
    }
    platform::MemoryStream stream;
    stream.WriteBuffer(bytes.data(), bytes.size());
    TZFDirManager dm(&stream, false, nullptr);
    const auto plain = [&](std::size_t from) -> std::int64_t {
        const std::size_t at = bytes.find("PK\x03\x04", from);
        return at == std::string::npos || bytes.size() - at < 30 ? -1 : static_cast<std::int64_t>(at);
    };
    int mismatches = 0;
    for (std::size_t from = 0; from < bytes.size(); from += 1 + random() % 9000) {
        if (dm.FindLocalHeader(static_cast<std::int64_t>(from)) != plain(from)) ++mismatches;
    }
    for (std::size_t from : {65531u, 65532u, 65535u, 65536u, 1044480u, 1048571u, 1048573u, 1048576u, 2097148u, 2597000u,
                             2599960u, 2599971u}) {
        EXPECT_EQ(dm.FindLocalHeader(static_cast<std::int64_t>(from)), plain(from)) << from;
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
