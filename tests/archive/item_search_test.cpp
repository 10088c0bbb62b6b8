// FindFirst and FindNext: the exact and scan branches, directories and Recurse,
// the attribute filter, the mask lists, the drive part of a mask, and the
// fields of the search record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/archiver.h"
#include "tests/archive/extraction_fixture.h"
#include "tests/support/zip_writer.h"

using namespace archive;
using namespace extraction_tests;
using testing_support::ZipMember;
using testing_support::ZipWriter;

namespace {

std::string SearchArchive() {
    ZipWriter w;
    w.AddStored("Payload/X.app/Info.plist", "info")                // 0
        .AddStored("iTunesMetadata.plist", "meta")                 // 1
        .Add(ZipMember{.name = "Payload/", .externalAttr = 0x10})  // 2
        .AddStored("README", "a")                                  // 3
        .AddStored("README.", "b")                                 // 4
        .AddStored("README.TXT", "c")                              // 5
        .AddStored("Payload/X.app/Other.plist", "other")           // 6
        .AddStored("notes.plist", "notes")                         // 7
        .AddStored("/Rooted.plist", "rooted");                     // 8
    return w.Build().bytes;
}

// Every hit of one search, as "index:name-in-directory".
std::vector<std::string> Hits(TZFBaseArchiver& arc, std::u16string_view mask, std::int32_t attr = 0x28BF,
                              std::u16string_view exclusion = u"") {
    std::vector<std::string> hits;
    TZFArchiveItem f;
    for (bool found = arc.FindFirst(mask, f, attr, exclusion); found; found = arc.FindNext(f)) {
        hits.push_back(std::to_string(f.Handle.ItemNo));
    }
    return hits;
}

using Indices = std::vector<std::string>;

struct SearchRow {
    const char* name;
    std::u16string mask;
    bool recurse;
    Indices hits;
};

TEST(FindFirstAndNext, WalkTheDirectoryByTheMaskRules) {
    const SearchRow rows[] = {
        {"root items only while Recurse is off", u"*.plist", false, {"1", "7"}},
        {"items at any depth with Recurse on", u"*.plist", true, {"0", "1", "6", "7", "8"}},
        {"a mask with a folder part finds that folder", u"Payload\\X.app\\*.plist", false, {"0", "6"}},
        {"wildcards in the folder part match nothing", u"Payload/*.app/Info.plist", false, {}},
        {"exact name: one hit, FindNext ends", u"iTunesMetadata.plist", false, {"1"}},
        {"exact name, any case", u"PAYLOAD/x.APP/info.PLIST", false, {"0"}},
        {"trailing dot without wildcard looks for that name", u"README.", false, {"4"}},
        {"trailing dot with Recurse takes names without extension", u"README.", true, {"3", "4"}},
        {"bare file name with Recurse finds it in any folder", u"Info.plist", true, {"0"}},
        {"star dot star with Recurse off takes every root item", u"*.*", false, {"1", "2", "3", "4", "5", "7"}},
        {"leading separator of a drive-less rooted name", u"\\Rooted.plist", false, {"8"}},
        {"a drive followed by a separator keeps the separator", u"D:\\Rooted.plist", false, {"8"}},
        {"a share of a UNC path is a drive as well", u"\\\\server\\share\\Rooted.plist", false, {"8"}},
        {"a drive before the root name", u"C:\\iTunesMetadata.plist", false, {}},
    };
    OpenedArchive archive(SearchArchive());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        archive.arc.FOptions.FRecurse = row.recurse;
        EXPECT_EQ(Hits(archive.arc, row.mask), row.hits);
    }
}

TEST(FindFirstAndNext, DriveIsKeptWhenPathsKeepDrives) {
    OpenedArchive archive(ZipWriter().AddStored("D:/x.txt", "x").AddStored("x.txt", "y").Build().bytes);
    archive.arc.FOptions.FRecurse = false;
    EXPECT_EQ(Hits(archive.arc, u"D:x.txt"), Indices{"1"});
    archive.arc.FOptions.FStorePath = spFullPathWithDrive;
    EXPECT_EQ(Hits(archive.arc, u"D:\\x.txt"), Indices{"0"});
}

TEST(FindFirstAndNext, AttributeFilterActsOnlyInTheScan) {
    OpenedArchive archive(SearchArchive());
    archive.arc.FOptions.FRecurse = true;
    EXPECT_EQ(Hits(archive.arc, u"Payload", 0x28BF), Indices{"2"});
    EXPECT_EQ(Hits(archive.arc, u"Payload", 0x28AF), Indices{});
    archive.arc.FOptions.FRecurse = false;
    EXPECT_EQ(Hits(archive.arc, u"Payload/", 0x28AF), Indices{"2"});
}

TEST(FindFirstAndNext, ExclusionMaskCancelsAHit) {
    OpenedArchive archive(SearchArchive());
    archive.arc.FOptions.FRecurse = true;
    EXPECT_EQ(Hits(archive.arc, u"*.plist", 0x28BF, u"Payload/*"), (Indices{"1", "7", "8"}));
}

TEST(FindFirstAndNext, CaseTwinsExactTakesTheHigherScanTheLower) {
    OpenedArchive archive(ZipWriter().AddStored("Readme.txt", "1").AddStored("README.txt", "2").Build().bytes);
    archive.arc.FOptions.FRecurse = false;
    EXPECT_EQ(Hits(archive.arc, u"readme.txt"), Indices{"1"});
    EXPECT_EQ(Hits(archive.arc, u"readme.tx?"), (Indices{"0", "1"}));
}

TEST(FindFirstWithMaskLists, MatchesFileMasksLessExclusions) {
    OpenedArchive archive(SearchArchive());
    archive.arc.FFileMasks = {u"*.plist", u"README"};
    archive.arc.FExclusionMasks = {u"Payload\\*"};
    TZFArchiveItem f;
    std::vector<std::int32_t> hits;
    for (bool found = archive.arc.FindFirst(f); found; found = archive.arc.FindNext(f)) hits.push_back(f.Handle.ItemNo);
    EXPECT_EQ(hits, (std::vector<std::int32_t>{1, 3, 4, 7, 8}));  // README. counts as README
    EXPECT_TRUE(f.Handle.UseProperties);
    EXPECT_EQ(f.Handle.FFindAttr, 0x28BF);
}

TEST(FindFirst, RefusesAMaskLongerThan259Characters) {
    const std::string longName(259, 'n');
    OpenedArchive archive(ZipWriter().AddStored(longName, "x").AddStored(longName + "x", "y").Build().bytes);
    archive.arc.FOptions.FRecurse = false;
    TZFArchiveItem f;
    EXPECT_TRUE(archive.arc.FindFirst(std::u16string(259, u'n'), f, 0x28BF, u""));
    EXPECT_EQ(f.Handle.ItemNo, 0);
    EXPECT_FALSE(archive.arc.FindFirst(std::u16string(260, u'n'), f, 0x28BF, u""));
    EXPECT_FALSE(archive.arc.FindNext(f));
    archive.arc.FOptions.FRecurse = true;
    EXPECT_FALSE(archive.arc.FindFirst(std::u16string(259, u'?') + u"*", f, 0x28BF, u""));
    EXPECT_FALSE(archive.arc.FindNext(f));
}

TEST(FindFirst, ClosedArchiveFindsNothing) {
    TZFArchiver arc;
    TZFArchiveItem f;
    EXPECT_FALSE(arc.FindFirst(u"*", f, 0x28BF, u""));
    EXPECT_FALSE(arc.FindFirst(f));
    EXPECT_FALSE(arc.FindNext(f));
}

TEST(SearchRecord, FilledFromTheHit) {
    ZipWriter w;
    w.Add(ZipMember{.name = "Payload/X.app/Info.plist",
                    .data = std::string(1000, 'a'),
                    .method = 8,
                    .flags = 0,
                    .comment = "remark",
                    .time = 0x1234,
                    .date = 0x5678,
                    .externalAttr = 0x81A40020u})
        .Add(ZipMember{.name = "Payload/Sub/", .externalAttr = 0x10})
        .Add(ZipMember{.name = "noise.bin", .data = "abc", .method = 8})
        .Add(ZipMember{.name = "empty", .data = ""});
    OpenedArchive archive(w.Build().bytes);
    archive.arc.FOptions.FRecurse = false;
    TZFArchiveItem f;
    ASSERT_TRUE(archive.arc.FindFirst(u"Payload\\X.app\\Info.plist", f, 0x28BF, u""));
    EXPECT_EQ(f.FileName, u"Info.plist");
    EXPECT_EQ(f.StoredPath, u"Payload\\X.app\\");
    EXPECT_EQ(f.UncompressedSize, 1000);
    EXPECT_EQ(f.CompressedSize, static_cast<std::int64_t>(testing_support::RawDeflate(std::string(1000, 'a')).size()));
    EXPECT_DOUBLE_EQ(f.CompressionRate, (1.0 - f.CompressedSize / 1000.0) * 100.0);
    EXPECT_FALSE(f.Encrypted);
    EXPECT_EQ(f.LastModFileTime, 0x1234);
    EXPECT_EQ(f.LastModFileDate, 0x5678);
    EXPECT_EQ(static_cast<std::uint32_t>(f.CRC), testing_support::Crc32(std::string(1000, 'a')));
    EXPECT_EQ(f.ExternalFileAttributes, 0x81A40020u);
    EXPECT_EQ(f.Comment, "remark");

    ASSERT_TRUE(archive.arc.FindFirst(u"Payload/Sub/", f, 0x28BF, u""));
    EXPECT_EQ(f.FileName, u"Sub");
    EXPECT_EQ(f.StoredPath, u"Payload\\");
    ASSERT_TRUE(archive.arc.FindFirst(u"noise.bin", f, 0x28BF, u""));
    EXPECT_DOUBLE_EQ(f.CompressionRate, 0.0);  // deflate made it larger
    ASSERT_TRUE(archive.arc.FindFirst(u"empty", f, 0x28BF, u""));
    EXPECT_DOUBLE_EQ(f.CompressionRate, 100.0);
    EXPECT_EQ(f.StoredPath, u"");
}

TEST(SearchRecord, FailedSearchLeavesTheFieldsAlone) {
    OpenedArchive archive(SearchArchive());
    archive.arc.FOptions.FRecurse = false;
    TZFArchiveItem f;
    ASSERT_TRUE(archive.arc.FindFirst(u"notes.plist", f, 0x28BF, u""));
    EXPECT_FALSE(archive.arc.FindFirst(u"missing.plist", f, 0x28BF, u""));
    EXPECT_EQ(f.FileName, u"notes.plist");
    EXPECT_EQ(std::u16string(f.Handle.CFindMask.data()), u"missing.plist");
}

}  // namespace
