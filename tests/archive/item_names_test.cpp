// Member names no tool on the host writes: UTF-8 bytes without bit 11 beside
// OEM names, OEM letters the ANSI code page lacks, and the Unicode Path block
// (0x7075) with and without the Unicode name block (0x554E).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/item_name_decoding.h"
#include "platform/strings.h"
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

std::string Extracted(MemoryArchive& m, std::u16string_view name) {
    platform::MemoryStream out;
    m.arc.ExtractToStream(name, out);
    const auto data = out.Data();
    return {data.begin(), data.end()};
}

// A Unicode Path block: version, CRC-32 of the name it belongs to, UTF-8 name.
std::string UnicodePath(std::string_view belongsTo, std::string_view utf8, std::uint8_t version = 1) {
    return ExtraBlock(0x7075, std::string(1, static_cast<char>(version)) + Le32(Crc32(belongsTo)) + std::string(utf8));
}

std::string UnicodeName(std::u16string_view name) {
    std::string data = Le32(0x5843554E) + Le32(static_cast<std::uint32_t>(name.size()));
    for (char16_t unit : name) data += Le16(unit);
    return ExtraBlock(0x554E, data);
}

}  // namespace

// Each name is stored without bit 11 unless the row says so. UTF-8 is taken by
// content before any code page; other bytes are OEM (code page 437 here).
TEST(ItemNames, Utf8BeforeTheOemCodePage) {
    struct Row {
        const char* name;
        std::string stored;
        std::uint16_t flags;
        std::u16string expected;
    };
    const Row rows[] = {
        {"UTF-8 without the flag",
         "\xC3\x9C"
         "ber.txt",
         0, u"\u00DCber.txt"},
        {"three-byte UTF-8 without the flag", "\xE4\xB8\x96\xE7\x95\x8C", 0, u"\u4E16\u754C"},
        {"four-byte UTF-8 without the flag", "\xF0\x9F\x98\x80.png", 0, u"\U0001F600.png"},
        {"UTF-8 with the flag", "\xCE\xA9.txt", 0x0800, u"\u03A9.txt"},
        {"OEM letters both pages have", "M\x81ller\xE1.txt", 0, u"M\u00FCller\u00DF.txt"},
        {"OEM Greek", "\xE4.txt", 0, u"\u03A3.txt"},
        {"OEM small tau", "\xE7.txt", 0, u"\u03C4.txt"},
        {"OEM box drawing", "\xDA\xC4\xBF", 0, u"\u250C\u2500\u2510"},
        {"OEM byte pair that is not UTF-8", "\xC3\x28", 0, u"\u251C("},
        {"flagged but not UTF-8: ANSI", "\xFC\xDF", 0x0800, u"\u00FC\u00DF"},
        {"ASCII", "Payload/App.app/Info.plist", 0, u"Payload/App.app/Info.plist"},
    };
    ZipWriter w;
    for (const Row& row : rows) w.Add({.name = row.stored, .data = row.name, .flags = row.flags});
    MemoryArchive m(w.Build().bytes);
    ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(m.Item(static_cast<int>(i)).Name(), rows[i].expected);
        EXPECT_EQ(Extracted(m, rows[i].expected), rows[i].name) << "the name reaches its own member";
    }
}

// Without OEM file names every name that is not UTF-8 is ANSI, as before.
TEST(ItemNames, AnsiWhenOemNamesAreOff) {
    ZipWriter w;
    w.Add({.name = "\xE4.txt", .data = "a"}).Add({.name = "\xC3\x9C.txt", .data = "u"});
    auto stream = StreamOf(w.Build().bytes);
    TZFArchiver arc;
    arc.FOptions.FOEMFileNames = false;
    arc.OpenArchive(*stream, false);
    EXPECT_EQ(arc.DMHandle->CDir.ItemRef(0).Name(), u"\u00E4.txt");
    EXPECT_EQ(arc.DMHandle->CDir.ItemRef(1).Name(), u"\u00DC.txt");
}

// Sigma and tau once both read "?.txt": one could not be reached at all.
TEST(ItemNames, DistinctOemNamesStayDistinct) {
    ZipWriter w;
    w.Add({.name = "\xE4.txt", .data = "sigma"}).Add({.name = "\xE7.txt", .data = "tau"});
    MemoryArchive m(w.Build().bytes);
    ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
    std::int32_t sigma = -1, tau = -1;
    EXPECT_TRUE(m.Dir().FileExists(u"\u03A3.txt", sigma));
    EXPECT_TRUE(m.Dir().FileExists(u"\u03C4.txt", tau));
    EXPECT_EQ(sigma, 0);
    EXPECT_EQ(tau, 1);
    EXPECT_EQ(Extracted(m, u"\u03A3.txt"), "sigma");
    EXPECT_EQ(Extracted(m, u"\u03C4.txt"), "tau");
    EXPECT_FALSE(m.Dir().FileExists(u"?.txt", sigma));
}

// The Unicode Path block counts only with version 1 and the CRC-32 of the
// stored name; it replaces the decoded name, and a Unicode name block wins
// over it wherever the two stand.
TEST(ItemNames, UnicodePathBlock) {
    const std::string stored =
        "\x9A"
        "ber.txt";  // "Über.txt" in code page 437
    const std::string utf8 =
        "\xC3\x9C"
        "ber-\xE2\x9C\x93.txt";
    const std::u16string fromPath = u"\u00DCber-\u2713.txt";
    const std::u16string decoded = u"\u00DCber.txt";
    struct Row {
        const char* name;
        std::string extra;
        std::u16string expected;
    };
    const Row rows[] = {
        {"version 1 and matching CRC", UnicodePath(stored, utf8), fromPath},
        {"version 2", UnicodePath(stored, utf8, 2), decoded},
        {"CRC of another name", UnicodePath("Uber.txt", utf8), decoded},
        {"no name after the header", UnicodePath(stored, ""), decoded},
        {"cut inside the header", ExtraBlock(0x7075, "\x01\x02\x03"), decoded},
        {"name not UTF-8",
         UnicodePath(stored,
                     "\x9A"
                     "ber.txt"),
         decoded},
        {"after another block", ExtraBlock(0x5455, std::string("\x01\x00\x00\x00\x00", 5)) + UnicodePath(stored, utf8),
         fromPath},
        {"Unicode name block after it wins", UnicodePath(stored, utf8) + UnicodeName(u"NU.txt"), u"NU.txt"},
        {"Unicode name block before it wins", UnicodeName(u"NU.txt") + UnicodePath(stored, utf8), u"NU.txt"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZipWriter w;
        w.Add({.name = stored, .data = "member", .centralExtra = row.extra}).AddStored("next.txt", "n");
        MemoryArchive m(w.Build().bytes);
        ASSERT_TRUE(m.outcome.opened) << m.outcome.Describe();
        EXPECT_EQ(m.Item(0).Name(), row.expected);
        EXPECT_EQ(m.Item(1).Name(), u"next.txt");
        EXPECT_EQ(Extracted(m, row.expected), "member") << "the index follows the name";
        EXPECT_EQ(m.Item(0).ExtraFields().Bytes().size(), row.extra.size()) << "every block is kept";
    }
}

// The CRC-32 is that of the stored bytes: the same block fits an ASCII name
// (the fast road) and a UTF-8 one, and the rebuild reads it from the local
// extra field.
TEST(ItemNames, UnicodePathBlockOnEveryRoad) {
    const std::string utf8 = "\xE2\x9C\x93.txt";
    ZipWriter w;
    w.Add({.name = "check.txt", .data = "ascii", .centralExtra = UnicodePath("check.txt", utf8)});
    w.Add(
        {.name = "\xC3\xA9.txt", .data = "utf8", .centralExtra = UnicodePath("\xC3\xA9.txt", "\xC3\xA9-\xE2\x9C\x93")});
    w.Add({.name = "\xE4.txt", .data = "local", .localExtra = UnicodePath("\xE4.txt", "\xCE\xA3-local.txt")});
    ZipLayout z = w.Build();
    MemoryArchive central(z.bytes);
    ASSERT_TRUE(central.outcome.opened) << central.outcome.Describe();
    EXPECT_EQ(central.Item(0).Name(), u"\u2713.txt");
    EXPECT_EQ(central.Item(1).Name(), u"\u00E9-\u2713");
    EXPECT_EQ(central.Item(2).Name(), u"\u03A3.txt") << "the central header has no block";

    z.SetU16(z.endRecord + zf::kEndEntries, 0xFFFF);
    z.SetU16(z.endRecord + zf::kEndEntriesOnDisk, 0xFFFF);
    MemoryArchive rebuilt(z.bytes);
    ASSERT_TRUE(rebuilt.outcome.opened) << rebuilt.outcome.Describe();
    ASSERT_EQ(rebuilt.Dir().Count(), 3);
    EXPECT_EQ(rebuilt.Item(0).Name(), u"check.txt") << "the local header has no block";
    EXPECT_EQ(rebuilt.Item(2).Name(), u"\u03A3-local.txt");
    EXPECT_EQ(Extracted(rebuilt, u"\u03A3-local.txt"), "local");
}

TEST(ItemNameDecoding, UnicodePathNameNeedsVersionCrcAndUtf8) {
    const std::string name = "a.txt";
    const std::string header = std::string("\x01", 1) + Le32(Crc32(name));
    EXPECT_EQ(UnicodePathName(Bytes(header + "b.txt"), Bytes(name)), std::optional<std::u16string>(u"b.txt"));
    EXPECT_EQ(UnicodePathName(Bytes(header), Bytes(name)), std::nullopt);
    EXPECT_EQ(UnicodePathName(Bytes(header.substr(0, 4)), Bytes(name)), std::nullopt);
    EXPECT_EQ(UnicodePathName(Bytes(header + "b\xFF"), Bytes(name)), std::nullopt);
    EXPECT_EQ(UnicodePathName(Bytes(header + "b.txt"), Bytes("A.txt")), std::nullopt) << "the CRC tells case apart";
}
