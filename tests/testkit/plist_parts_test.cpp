#include <gtest/gtest.h>

#include <string>

#include "details/plist/base64.h"
#include "details/plist/plist_date.h"
#include "details/plist/plist_utf.h"

using namespace plist;

namespace {

TEST(Base64, EncodesWithPaddingAndDecodesIgnoringWhiteSpace) {
    struct Row {
        const char* name;
        std::string bytes;
        const char* text;
    };
    const Row rows[] = {
        {"empty", "", ""},
        {"one byte", "f", "Zg=="},
        {"two bytes", "fo", "Zm8="},
        {"three bytes", "foo", "Zm9v"},
        {"high bytes", std::string("\xFF\xFE\x00", 3), "//4A"},
        {"seven bytes", "foobarb", "Zm9vYmFyYg=="},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(EncodeBase64(row.bytes), row.text);
        EXPECT_EQ(DecodeBase64(row.text), row.bytes);
    }
    EXPECT_EQ(DecodeBase64("\n\tZm9v\n\tYmFy\n"), "foobar");
    EXPECT_EQ(DecodeBase64("Zg"), "f");  // missing padding is tolerated
    EXPECT_FALSE(DecodeBase64("Zg==Zg=="));
    EXPECT_FALSE(DecodeBase64("Z"));
    EXPECT_FALSE(DecodeBase64("Zm9v!"));
}

TEST(PlistDate, FormatsAndParsesUtcSecondsSince2001) {
    struct Row {
        const char* text;
        double seconds;
    };
    const Row rows[] = {
        {"2001-01-01T00:00:00Z", 0},
        {"2000-02-29T12:00:00Z", -26481600},
        {"1970-01-01T00:00:00Z", -978307200},
        {"2011-09-08T12:30:05Z", 337177805},
        {"2038-01-19T03:14:08Z", 1169176448},
        {"0001-01-01T00:00:00Z", -63113904000.0},
        {"9999-12-31T23:59:59Z", 252423993599.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(FormatDate(row.seconds), row.text);
        EXPECT_EQ(ParseDate(row.text), row.seconds);
    }
    EXPECT_EQ(FormatDate(-0.5), "2000-12-31T23:59:59Z");  // fractions go towards the past
    EXPECT_EQ(FormatDate(1e300), "9999-12-31T23:59:59Z");
    EXPECT_EQ(FormatDate(-1e300), "0001-01-01T00:00:00Z");
    for (const char* bad : {"2001-13-01T00:00:00Z", "2001-00-10T00:00:00Z", "2100-02-29T00:00:00Z",
                            "2001-01-01T24:00:00Z", "2001-01-01 00:00:00Z", "0000-01-01T00:00:00Z", "2001-1-1"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(ParseDate(bad));
    }
}

TEST(Utf, ConvertsStringObjectEncodings) {
    EXPECT_EQ(Latin1ToUtf8("A\xE9\xFF"), "A\xC3\xA9\xC3\xBF");
    EXPECT_EQ(Utf16BigEndianToUtf8(std::string("\xD8\x3D\xDE\x00\x00\x41", 6)),
              "\xF0\x9F\x98\x80"
              "A");
    EXPECT_EQ(Utf16BigEndianToUtf8(std::string("\xDE\x00\x00\x41", 4)),
              "\xEF\xBF\xBD"
              "A");
    EXPECT_TRUE(IsValidUtf8("plain \xC3\xA9 \xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong "/"
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // encoded surrogate
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));          // cut short
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
}

}  // namespace
