#include <gtest/gtest.h>

#include <string>

#include "tests/support/bplist_writer.h"
#include "details/plist/plist_value.h"
#include "testkit/plutil/plutil_command.h"

using namespace testing_support;
using plist::ConvertToXml;

namespace {

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";

std::string AllBytesUpTo(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) bytes.push_back(static_cast<char>(i));
    return bytes;
}

// Metadata as an app package carries it, with one value of every kind. Keys
// are given out of order: the XML lists them sorted.
PlistNode Metadata() {
    return PlistDict({
        {"itemName", PlistString("Fish & <Chips>")},
        {"itemId", PlistInt(284882215)},
        {"artistId", PlistInt(-7)},
        {"price", PlistReal(0.99)},
        {"purchaseDate", PlistDate(337177805.0)},
        {"isGift", PlistBool(false)},
        {"gameCenterEnabled", PlistBool(true)},
        {"genres", PlistArray({PlistString("Games"), PlistString("Puzzle")})},
        {"artwork", PlistData(AllBytesUpTo(60))},
        {"empty", PlistDict({})},
        {"none", PlistArray({})},
    });
}

const std::string kMetadataXml = kHead +
                                 "<dict>\n"
                                 "\t<key>artistId</key>\n"
                                 "\t<integer>-7</integer>\n"
                                 "\t<key>artwork</key>\n"
                                 "\t<data>\n"
                                 "\tAAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEy\n"
                                 "\tMzQ1Njc4OTo7\n"
                                 "\t</data>\n"
                                 "\t<key>empty</key>\n"
                                 "\t<dict/>\n"
                                 "\t<key>gameCenterEnabled</key>\n"
                                 "\t<true/>\n"
                                 "\t<key>genres</key>\n"
                                 "\t<array>\n"
                                 "\t\t<string>Games</string>\n"
                                 "\t\t<string>Puzzle</string>\n"
                                 "\t</array>\n"
                                 "\t<key>isGift</key>\n"
                                 "\t<false/>\n"
                                 "\t<key>itemId</key>\n"
                                 "\t<integer>284882215</integer>\n"
                                 "\t<key>itemName</key>\n"
                                 "\t<string>Fish &amp; &lt;Chips&gt;</string>\n"
                                 "\t<key>none</key>\n"
                                 "\t<array/>\n"
                                 "\t<key>price</key>\n"
                                 "\t<real>0.99</real>\n"
                                 "\t<key>purchaseDate</key>\n"
                                 "\t<date>2011-09-08T12:30:05Z</date>\n"
                                 "</dict>\n"
                                 "</plist>\n";

TEST(ConvertBinary, WritesEveryKindInTheConverterLayout) {
    EXPECT_EQ(ConvertToXml(WriteBinaryPlist(Metadata())), kMetadataXml);
}

TEST(ConvertXml, ParsesElementsNotLayout) {
    // The same list on few lines, with comments, entities, CDATA, attributes,
    // CR LF breaks and another indentation.
    const std::string input =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\r\n"
        "<!-- exported --><plist version=\"1.0\"><dict>"
        "<key>itemName</key><string>Fish &amp; <![CDATA[<Chips>]]></string>"
        "<key>itemId</key>  <integer> 284882215 </integer>\r\n"
        "<key>artistId</key><integer>-7</integer>"
        "<key>price</key><real>0.99</real><key>purchaseDate</key><date>2011-09-08T12:30:05Z</date>"
        "<key>isGift</key><false/><key>gameCenterEnabled</key><true></true>"
        "<key>genres</key><array>\n  <string>Games</string>\n  <!-- x --><string>Puzzle</string></array>"
        "<key>artwork</key><data>AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygp\n"
        "   KissLS4vMDEyMzQ1Njc4OTo7</data>"
        "<key>empty</key><dict></dict><key>none</key><array/>"
        "</dict></plist>\n";
    EXPECT_EQ(ConvertToXml(input), kMetadataXml);
}

TEST(ConvertXml, OwnOutputConvertsToItself) { EXPECT_EQ(ConvertToXml(kMetadataXml), kMetadataXml); }

TEST(ConvertBinary, NestsDictionariesAndArraysWithTabs) {
    const PlistNode tree = PlistDict({
        {"outer", PlistArray({
                      PlistDict({{"itemId", PlistInt(1)}, {"deep", PlistArray({PlistArray({PlistInt(2)})})}}),
                      PlistArray({}),
                  })},
        {"itemId", PlistInt(3)},
    });
    const std::string expected = kHead +
                                 "<dict>\n"
                                 "\t<key>itemId</key>\n"
                                 "\t<integer>3</integer>\n"
                                 "\t<key>outer</key>\n"
                                 "\t<array>\n"
                                 "\t\t<dict>\n"
                                 "\t\t\t<key>deep</key>\n"
                                 "\t\t\t<array>\n"
                                 "\t\t\t\t<array>\n"
                                 "\t\t\t\t\t<integer>2</integer>\n"
                                 "\t\t\t\t</array>\n"
                                 "\t\t\t</array>\n"
                                 "\t\t\t<key>itemId</key>\n"
                                 "\t\t\t<integer>1</integer>\n"
                                 "\t\t</dict>\n"
                                 "\t\t<array/>\n"
                                 "\t</array>\n"
                                 "</dict>\n"
                                 "</plist>\n";
    const std::string xml = ConvertToXml(WriteBinaryPlist(tree));
    EXPECT_EQ(xml, expected);
    EXPECT_EQ(ConvertToXml(xml), expected);
}

struct ScalarRow {
    const char* name;
    PlistNode node;
    const char* xml;  // the top-level line between <plist> and </plist>
};

TEST(ConvertBinary, WritesScalarsAsTheTopObject) {
    const ScalarRow rows[] = {
        {"string", PlistString("abc"), "<string>abc</string>\n"},
        {"empty string", PlistString(""), "<string></string>\n"},
        {"quotes stay", PlistString("say \"hi\" 'x'"), "<string>say \"hi\" 'x'</string>\n"},
        {"UTF-16 string", PlistString("Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"),
         "<string>Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80</string>\n"},
        {"zero", PlistInt(0), "<integer>0</integer>\n"},
        {"two bytes", PlistInt(65535), "<integer>65535</integer>\n"},
        {"four bytes", PlistInt(4294967295LL), "<integer>4294967295</integer>\n"},
        {"eight bytes", PlistInt(INT64_MAX), "<integer>9223372036854775807</integer>\n"},
        {"negative", PlistInt(INT64_MIN), "<integer>-9223372036854775808</integer>\n"},
        {"whole real", PlistReal(2.0), "<real>2</real>\n"},
        {"negative real", PlistReal(-1.5), "<real>-1.5</real>\n"},
        {"date before 2001", PlistDate(-31622401.0), "<date>1999-12-31T23:59:59Z</date>\n"},
        {"date fraction cut", PlistDate(0.75), "<date>2001-01-01T00:00:00Z</date>\n"},
        {"empty data", PlistData(""), "<data>\n</data>\n"},
        {"short data", PlistData("hi!"), "<data>\naGkh\n</data>\n"},
        {"true", PlistBool(true), "<true/>\n"},
    };
    for (const ScalarRow& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string xml = ConvertToXml(WriteBinaryPlist(row.node));
        EXPECT_EQ(xml, kHead + row.xml + "</plist>\n");
        EXPECT_EQ(ConvertToXml(xml), xml);
    }
}

TEST(ConvertBinary, ReadsTheObjectFormsOtherWritersUse) {
    struct Row {
        const char* name;
        std::string object;
        const char* xml;
    };
    const Row rows[] = {
        {"16-byte unsigned integer", "\x14" + BigEndian(0, 8) + BigEndian(UINT64_MAX, 8),
         "<integer>18446744073709551615</integer>\n"},
        {"4-byte real", "\x22" + BigEndian(0x3FC00000, 4), "<real>1.5</real>\n"},
        {"UID", "\x80\x05", "<dict>\n\t<key>CF$UID</key>\n\t<integer>5</integer>\n</dict>\n"},
        {"long ASCII string with int count", "\x5F\x10\x10" + std::string(16, 'z'),
         "<string>zzzzzzzzzzzzzzzz</string>\n"},
        {"8-bit string taken as Latin-1", "\x52\x41\xE9", "<string>A\xC3\xA9</string>\n"},
        {"lone surrogate", std::string("\x61\xD8\x00", 3), "<string>\xEF\xBF\xBD</string>\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ConvertToXml(AssembleBinaryPlist({row.object}, 1, 0)), kHead + row.xml + "</plist>\n");
    }
}

TEST(ConvertBinary, KeepsTheLastOfTwoEqualKeys) {
    const PlistNode dict = PlistDict({{"itemId", PlistInt(1)}, {"a", PlistInt(0)}, {"itemId", PlistInt(2)}});
    EXPECT_EQ(ConvertToXml(WriteBinaryPlist(dict)),
              kHead +
                  "<dict>\n\t<key>a</key>\n\t<integer>0</integer>\n\t<key>itemId</key>\n\t<integer>2</integer>\n"
                  "</dict>\n</plist>\n");
}

TEST(ConvertBinary, SharedObjectsAreWrittenAtEveryUse) {
    // Object 1 ("x") is referenced twice by the array.
    const std::string bytes = AssembleBinaryPlist({"\xA2\x01\x01", "\x51x"}, 1, 0);
    EXPECT_EQ(ConvertToXml(bytes), kHead + "<array>\n\t<string>x</string>\n\t<string>x</string>\n</array>\n</plist>\n");
}

TEST(ConvertData, WrapsBase64ShorterWhenNestedDeeper) {
    const PlistNode tree = PlistArray({PlistArray({PlistData(AllBytesUpTo(60))})});
    const std::string xml = ConvertToXml(WriteBinaryPlist(tree));
    // Depth 2: 76 - 2 * 8 = 60 characters per line.
    EXPECT_NE(xml.find("\t\t<data>\n"
                       "\t\tAAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKiss\n"
                       "\t\tLS4vMDEyMzQ1Njc4OTo7\n"
                       "\t\t</data>\n"),
              std::string::npos)
        << xml;
}

}  // namespace
