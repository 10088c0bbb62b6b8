#include "platform/codepage.h"

#include <gtest/gtest.h>

using namespace platform;

// Both variants run on a Western default: ANSI is Windows-1252, OEM is 437.
TEST(CodePage, AnsiRoundTrip) {
    EXPECT_EQ(AnsiToWide("Gr\xFC\xDF \x80"), u"Gr\u00fc\u00df \u20ac");
    EXPECT_EQ(WideToAnsi(u"Gr\u00fc\u00df \u20ac"), "Gr\xFC\xDF \x80");
    EXPECT_EQ(WideToAnsi(u"\u4e2d"), "?");
}

TEST(CodePage, OemToAnsiMapsCp437Letters) {
    EXPECT_EQ(ConvertOemToAnsi("M\x81ller \x84\x94\x8E"), "M\xFCller \xE4\xF6\xC4");
    EXPECT_EQ(ConvertOemToAnsi("plain"), "plain");
}
