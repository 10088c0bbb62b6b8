#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace platform;

// Both variants run on a Western default: ANSI is Windows-1252, OEM is 437.
TEST(CodePage, AnsiRoundTrip) {
    EXPECT_EQ(AnsiToWide("Gr\xFC\xDF \x80"), u"Gr\u00fc\u00df \u20ac");
    EXPECT_EQ(WideToAnsi(u"Gr\u00fc\u00df \u20ac"), "Gr\xFC\xDF \x80");
    EXPECT_EQ(WideToAnsi(u"\u4e2d"), "?");
}

TEST(CodePage, OemDecodesCp437Letters) {
    EXPECT_EQ(OemToWide("M\x81ller \x84\x94\x8E \xE1"), u"M\u00fcller \u00e4\u00f6\u00c4 \u00df");
    EXPECT_EQ(OemToWide("plain"), u"plain");
    EXPECT_EQ(OemToWide(std::string("a\0\x81", 3)), std::u16string(u"a\0\u00fc", 3)) << "a zero byte is a character";
}

// Greek letters, box drawing and shades have no place in the ANSI code page;
// decoded straight from the OEM page they keep their identity.
TEST(CodePage, OemCharactersOutsideTheAnsiPageSurvive) {
    EXPECT_EQ(OemToWide("\xE4\xE7\xE0\xEA"), u"\u03a3\u03c4\u03b1\u03a9");
    EXPECT_EQ(OemToWide("\xC4\xB3\xDA\xB0\xDB"), u"\u2500\u2502\u250c\u2591\u2588");
    std::u16string upperHalf;
    for (int b = 0x80; b <= 0xFF; ++b) upperHalf += OemToWide(std::string(1, static_cast<char>(b)));
    ASSERT_EQ(upperHalf.size(), 128u);
    EXPECT_EQ(upperHalf.find(u'?'), std::u16string::npos);
    std::u16string sorted = upperHalf;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "no two bytes share a character";
}
