#include "details/plist_lookup.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/strings.h"
#include "platform/text_file.h"
#include "tests/support/temp_dir.h"

using details::EStringListError;
using details::FindPlistValue;
using details::StripTags;

namespace {

// Metadata of an app package after the converter's XML rewrite: tab-indented,
// one element per line, LF line ends, nested dictionaries before the top-level
// store identifier.
constexpr std::string_view kConvertedMetadata =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n"
    "<dict>\n"
    "\t<key>appleId</key>\n"
    "\t<string>someone@example.com</string>\n"
    "\t<key>artistId</key>\n"
    "\t<integer>284417353</integer>\n"
    "\t<key>artistName</key>\n"
    "\t<string>Example Software &amp; Co.</string>\n"
    "\t<key>com.apple.iTunesStore.downloadInfo</key>\n"
    "\t<dict>\n"
    "\t\t<key>accountInfo</key>\n"
    "\t\t<dict>\n"
    "\t\t\t<key>DSPersonID</key>\n"
    "\t\t\t<integer>1234567</integer>\n"
    "\t\t</dict>\n"
    "\t\t<key>purchaseDate</key>\n"
    "\t\t<string>2011-05-04T10:11:12Z</string>\n"
    "\t</dict>\n"
    "\t<key>gameCenterEnabled</key>\n"
    "\t<true/>\n"
    "\t<key>genre</key>\n"
    "\t<string>Games</string>\n"
    "\t<key>itemId</key>\n"
    "\t<integer>343200656</integer>\n"
    "\t<key>itemName</key>\n"
    "\t<string>  Spaced Name\t</string>\n"
    "\t<key>softwareVersionBundleId</key>\n"
    "\t<string>com.example.game</string>\n"
    "</dict>\n"
    "</plist>\n";

platform::TextLines Lines(std::string_view bytes) {
    return platform::DecodeTextLines(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace

TEST(StripTags, Table) {
    struct Row {
        const char* name;
        std::u16string_view text;
        std::u16string_view expected;
    };
    const Row rows[] = {
        {"integer element", u"<integer>42</integer>", u"42"},
        {"indented string element", u"\t<string> a b </string>", u"\t a b "},
        {"only tags", u"<dict>", u""},
        {"empty element", u"<true/>", u""},
        {"no open: unchanged", u"plain text", u"plain text"},
        {"empty text", u"", u""},
        {"close without open stays", u"a>b", u"a>b"},
        {"open without close stays with the rest", u"<a>b<c", u"b<c"},
        {"second open before the close", u"a<b<c>d", u"a<bd"},
        {"nested opens and closes", u"<<a>>", u"<>"},
        {"text around tags", u"x<b>y</b>z", u"xyz"},
        {"character references not decoded", u"<s>A &amp; B</s>", u"A &amp; B"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(StripTags(row.text, u'<', u'>'), row.expected);
    }
}

TEST(StripTags, OtherDelimiters) {
    EXPECT_EQ(StripTags(u"x[tag]y<z>", u'[', u']'), u"xy<z>");
    EXPECT_EQ(StripTags(u"a((b)c", u'(', u')'), u"a(c");
}

TEST(FindPlistValue, ConvertedMetadata) {
    const platform::TextLines lines = Lines(kConvertedMetadata);
    struct Row {
        const char* name;
        std::u16string_view key;
        std::u16string_view expected;
    };
    const Row rows[] = {
        {"store identifier", u"itemId", u"343200656"},
        {"key spelled in capitals", u"ITEMID", u"343200656"},
        {"nested key found at its depth", u"DSPersonID", u"1234567"},
        {"value trimmed of blanks and tabs", u"itemName", u"Spaced Name"},
        {"references kept as they stand", u"artistName", u"Example Software &amp; Co."},
        {"value line with only an opening dict", u"com.apple.iTunesStore.downloadInfo", u""},
        {"value line with an empty true element", u"gameCenterEnabled", u""},
        {"missing key", u"bundleVersion", u""},
        {"part of a key does not match", u"Id", u""},
        {"key longer than the element", u"itemIds", u""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FindPlistValue(row.key, lines), row.expected);
    }
}

TEST(FindPlistValue, LoadedFromFileWithCrLf) {
    std::string crlf;
    for (char c : kConvertedMetadata) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    testing_support::TempDir dir;
    const auto path = dir.Write(u"iTunesMetadata.plist", crlf);
    EXPECT_EQ(FindPlistValue(u"itemId", platform::LoadTextLines(path)), u"343200656");
}

TEST(FindPlistValue, FirstMatchingLineWins) {
    const platform::TextLines lines = {u"<dict>", u"\t<key>ItemID</key>", u"\t<integer>1</integer>",
                                       u"\t<key>itemId</key>", u"\t<integer>2</integer>"};
    EXPECT_EQ(FindPlistValue(u"itemId", lines), u"1");
}

TEST(FindPlistValue, KeyLineWithTextAround) {
    const platform::TextLines lines = {u"x <key>itemId</key> <!-- note -->", u"<integer>7</integer>"};
    EXPECT_EQ(FindPlistValue(u"itemId", lines), u"7");
}

TEST(FindPlistValue, OnlyAsciiLettersCompareCaseBlind) {
    const platform::TextLines lines = {u"<key>\u00e4pfelid</key>", u"<string>1</string>", u"<key>stra\u00dfe</key>",
                                       u"<string>2</string>"};
    EXPECT_EQ(FindPlistValue(u"\u00c4pfelId", lines), u"");
    EXPECT_EQ(FindPlistValue(u"\u00e4pfelID", lines), u"1");
    EXPECT_EQ(FindPlistValue(u"STRASSE", lines), u"");
    EXPECT_EQ(FindPlistValue(u"STRA\u00dfE", lines), u"2");
}

TEST(FindPlistValue, EmptyListGivesEmptyValue) { EXPECT_EQ(FindPlistValue(u"itemId", {}), u""); }

TEST(FindPlistValue, BinaryPropertyListHoldsNoKeyLine) {
    const std::string binary("bplist00\xd1\x01\x02VitemId\x12\x14\x75\x0c\x90\x08\x0b\x12\x00\x00\x00\x00", 30);
    EXPECT_EQ(FindPlistValue(u"itemId", Lines(binary)), u"");
}

TEST(FindPlistValue, KeyOnTheLastLineFails) {
    const platform::TextLines lines = {u"<dict>", u"\t<key>itemId</key>"};
    try {
        FindPlistValue(u"itemId", lines);
        FAIL() << "no error for a key on the last line";
    } catch (const EStringListError& error) {
        EXPECT_EQ(error.Message(), u"Listenindex \u00fcberschreitet das Maximum (2)");
    }
}

namespace {

// The outcome of one lookup: the value, or the message of the error it raised.
template <typename Lookup>
std::u16string Outcome(Lookup lookup) {
    try {
        return u"value:" + lookup();
    } catch (const EStringListError& error) {
        return u"error:" + error.Message();
    }
}

}  // namespace

// The lookup over a whole text gives what the lookup over its line list gives:
// random texts built from key lines, values, tags, blanks and every kind of
// line break, including key lines at the very end.
TEST(FindPlistValueInText, AgreesWithTheLineListOnManyTexts) {
    const std::u16string_view pieces[] = {
        u"<key>itemId</key>",
        u"<KEY>ITEMID</KEY>",
        u"<integer>42</integer>",
        u"\t<string> x </string>",
        u"<key>other</key>",
        u"<dict>",
        u"<<a>>",
        u" ",
        u"\r",
        u"\n",
        u"\r\n",
        u"\n\r",
        u"itemId",
        u"<key>itemIds</key>",
        u"7",
        u"</",
    };
    std::uint32_t state = 12345;
    const auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return state >> 8;
    };
    for (int round = 0; round < 3000; ++round) {
        std::u16string text;
        const std::uint32_t count = next() % 24;
        for (std::uint32_t i = 0; i < count; ++i) text += pieces[next() % std::size(pieces)];
        SCOPED_TRACE(platform::WideToUtf8(text));
        const platform::TextLines lines = platform::SplitLines(text);
        EXPECT_EQ(Outcome([&] { return details::FindPlistValueInText(u"itemId", text); }),
                  Outcome([&] { return FindPlistValue(u"itemId", lines); }));
    }
}

TEST(FindPlistValueInText, ConvertedMetadataAndItsEdges) {
    const std::u16string converted = platform::Utf8ToWide(kConvertedMetadata);
    EXPECT_EQ(details::FindPlistValueInText(u"itemId", converted), u"343200656");
    EXPECT_EQ(details::FindPlistValueInText(u"itemId", u""), u"");
    EXPECT_THROW(details::FindPlistValueInText(u"itemId", u"<dict>\r\n<key>itemId</key>\r\n"), EStringListError);
}
