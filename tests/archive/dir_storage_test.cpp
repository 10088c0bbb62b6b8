// The directory's compact storage: text storage that grows in blocks, each
// item's extra field, comment and zip64 values, names at the length limits,
// and directories past 65,535 items.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/dir_array.h"
#include "archive/text_arena.h"
#include "tests/archive/archive_test_support.h"
#include "tests/support/zip_writer.h"

using namespace archive;
using namespace archive_tests;
using namespace testing_support;

namespace {

TEST(TextArena, ViewsOutliveTheGrowthOfTheStorage) {
    TextArena arena;
    arena.LimitBlockBytes(TextArena::kMinBlockBytes);  // small blocks: the names span many
    std::vector<std::u16string> kept;
    std::vector<std::u16string_view> views;
    for (int i = 0; i < 20000; ++i) {
        kept.push_back(Widen(NumberedName(i)));
        views.push_back(arena.Keep(kept.back()));
    }
    const std::u16string large(TextArena::kMinBlockBytes, u'x');  // twice a block in bytes
    const std::u16string_view largeView = arena.Keep(large);
    views.push_back(arena.Keep(u"after the large one"));
    EXPECT_GT(arena.BlockCount(), 3u) << "the storage grew in blocks";
    for (std::size_t i = 0; i < kept.size(); ++i) ASSERT_EQ(views[i], kept[i]) << i;
    EXPECT_EQ(largeView, large);
    EXPECT_EQ(views.back(), u"after the large one");
    EXPECT_TRUE(arena.Keep(std::u16string_view()).empty());
    arena.Clear();
    EXPECT_EQ(arena.BlockCount(), 0u);
}

// A name of no bytes and one of 65,535 bytes load, and are found by name.
TEST(LoadDir, NamesAtTheLengthLimits) {
    const std::string longest(65535, 'N');
    struct Row {
        const char* what;
        std::string name;
        std::uint16_t flags;
        std::size_t units;
    };
    const Row rows[] = {
        {"empty name", "", 0, 0},
        {"65,535 bytes", longest, 0, 65535},
        {"65,535 bytes, UTF-8", std::string(65533, 'n') + "\xC3\xA4", 0x0800, 65534},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        MemoryArchive m(ZipWriter().Add({.name = row.name, .data = "data", .flags = row.flags}).Build().bytes);
        ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
        ASSERT_EQ(m.Dir().Count(), 1);
        EXPECT_EQ(m.Item(0).Name().size(), row.units);
        std::int32_t itemNo = -1;
        EXPECT_TRUE(m.Dir().FileExists(m.Item(0).Name(), itemNo));
        EXPECT_EQ(itemNo, 0);
        platform::MemoryStream out;
        m.arc.ExtractToStream(std::u16string(m.Item(0).Name()), out);
        EXPECT_EQ(out.Size(), 4);
    }
}

// Each item keeps its extra field and comment back to back in the storage,
// and its zip64 values apart: at the length limits, beside each other, and
// mixed with items that have none, every item reads back what it was given.
TEST(LoadDir, ExtraFieldCommentAndZip64ValuesPerItem) {
    const std::string longestExtra = ExtraBlock(0x7777, std::string(65531, 'x'));  // 65,535 bytes
    const std::string longestComment(65535, 'c');
    ZipWriter w;
    w.Add({.name = "both-longest", .data = "1", .centralExtra = longestExtra, .comment = longestComment});
    w.Add({.name = "extra-only", .data = "22", .centralExtra = ExtraBlock(0x7777, "ab")});
    w.Add({.name = "comment-only", .data = "333", .comment = "note"});
    for (int i = 0; i < 300; ++i) {
        w.Add({.name = NumberedName(i),
               .data = std::string(static_cast<std::size_t>(i), 'd'),
               .comment = i % 5 == 0 ? "c" + std::to_string(i) : "",
               .zip64 = i % 3 == 0});
    }
    MemoryArchive m(w.Build().bytes);
    ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
    ASSERT_EQ(m.Dir().Count(), 303);

    const TDirItem& both = m.Item(0);
    ASSERT_EQ(both.ExtraFields().size(), 1u);
    EXPECT_EQ(both.ExtraFields()[0].dataSize, 65531);
    EXPECT_EQ(std::string(both.ExtraFields().Bytes().begin(), both.ExtraFields().Bytes().end()), longestExtra);
    EXPECT_EQ(both.Comment(), longestComment);
    EXPECT_EQ(std::string(m.Item(1).ExtraFields().Bytes().begin(), m.Item(1).ExtraFields().Bytes().end()),
              ExtraBlock(0x7777, "ab"));
    EXPECT_TRUE(m.Item(1).Comment().empty());
    EXPECT_TRUE(m.Item(2).ExtraFields().empty());
    EXPECT_EQ(m.Item(2).Comment(), "note");

    for (int i = 0; i < 300; ++i) {
        SCOPED_TRACE(i);
        const TDirItem& item = m.Item(3 + i);
        EXPECT_EQ(item.Comment(), i % 5 == 0 ? "c" + std::to_string(i) : "");
        EXPECT_EQ(item.bHugeFile, i % 3 == 0);
        EXPECT_EQ(item.Zip64ExtInfo().compSize, i % 3 == 0 ? i : 0) << "values only where a block gave them";
        EXPECT_EQ(item.CompressedSize(), i);
        EXPECT_EQ(item.UncompressedSize(), i);
        platform::MemoryStream out;
        m.arc.ExtractToStream(Widen(NumberedName(i)), out);
        EXPECT_EQ(out.Size(), i);
    }
}

// Counts past what the end record's 16-bit fields hold: with zip64 records the
// directory is read from the central headers, all 65,537 of them.
TEST(LoadDir, MoreThan65535ItemsThroughZip64Counts) {
    ZipWriter w;
    constexpr int kItems = 65537;
    for (int i = 0; i < kItems; ++i) w.AddStored(NumberedName(i), i == kItems - 1 ? "last" : "");
    w.Zip64Records();
    MemoryArchive m(w.Build().bytes);
    ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
    EXPECT_TRUE(m.arc.DMHandle->FZip64);
    ASSERT_EQ(m.Dir().Count(), kItems);
    EXPECT_EQ(m.Item(65536).Name(), Widen(NumberedName(65536)));
    platform::MemoryStream out;
    m.arc.ExtractToStream(Widen(NumberedName(kItems - 1)), out);
    EXPECT_EQ(std::string(out.Data().begin(), out.Data().end()), "last");
    std::int32_t itemNo = -1;
    EXPECT_TRUE(m.Dir().FileExists(Widen(NumberedName(0)), itemNo));
    EXPECT_EQ(itemNo, 0);
}

}  // namespace
