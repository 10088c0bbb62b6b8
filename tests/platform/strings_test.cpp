#include "platform/strings.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Trim, RemovesEveryCodeUpToSpaceOnBothEnds) {
    EXPECT_EQ(Trim(u"\t\r\n  http://x/ \x01\r\n"), u"http://x/");
    EXPECT_EQ(Trim(u"   "), u"");
    EXPECT_EQ(Trim(u"a b"), u"a b");
    EXPECT_EQ(Trim(u"\u00a0a\u00a0"), u"\u00a0a\u00a0");  // U+00A0 is above U+0020
}

TEST(QuoteString, DoublesEmbeddedQuotes) {
    EXPECT_EQ(QuoteString(u""), u"\"\"");
    EXPECT_EQ(QuoteString(u"C:\\a b\\f.plist"), u"\"C:\\a b\\f.plist\"");
    EXPECT_EQ(QuoteString(u"say \"hi\""), u"\"say \"\"hi\"\"\"");
}

TEST(LowerAscii, ChangesOnlyAsciiLetters) {
    EXPECT_EQ(LowerAscii(std::u16string_view(u"ItemID-\u00c4\u00d6Z")), u"itemid-\u00c4\u00d6z");
    EXPECT_EQ(LowerAscii(std::string_view("ABC[@]\xC4")), "abc[@]\xC4");
}

TEST(Utf8, RoundTripsAndReplacesMalformedBytes) {
    const std::u16string text = u"A\u00e9\u20ac\U0001F600";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
    EXPECT_EQ(Utf8ToWide("a\xC3"), u"a\uFFFD");                    // cut sequence
    EXPECT_EQ(Utf8ToWide("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong "/"
    EXPECT_EQ(Utf8ToWide("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
}
