#include "app/messages.h"

#include <gtest/gtest.h>

#include "app/menu_texts.h"

using namespace app;

TEST(ErrorBoxText, FullStopAppendedAfterCharactersAboveIt) {
    const struct {
        const char* name;
        std::u16string message;
        std::u16string text;
    } cases[] = {
        {"letter", u"Stream-Lesefehler", u"Stream-Lesefehler."},
        {"digit", u"bei Position 4", u"bei Position 4."},
        {"full stop itself", u"Fertig.", u"Fertig."},
        {"comma is below", u"a,", u"a,"},
        {"closing parenthesis is below", u"(a)", u"(a)"},
        {"slash is above", u"a/", u"a/."},
        {"non-ASCII letter", u"gr\u00fc\u00df", u"gr\u00fc\u00df."},
        {"empty stays empty", u"", u""},
        {"space is below", u"a ", u"a "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ErrorBoxText(c.message), c.text);
    }
}

TEST(ShortCuts, StoredValuesAndGermanLabels) {
    EXPECT_EQ(kShortCutExit, 16465);
    EXPECT_EQ(kShortCutSelectAll, 16449);
    EXPECT_EQ(kShortCutInvert, 16457);
    EXPECT_EQ(ShortCutText(kShortCutExit), u"Strg+Q");
    EXPECT_EQ(ShortCutText(kShortCutSelectAll), u"Strg+A");
    EXPECT_EQ(ShortCutText(kShortCutInvert), u"Strg+I");
    EXPECT_EQ(ShortCutText(0), u"");
    EXPECT_EQ(ShortCutKey(kShortCutExit), 'Q');
    EXPECT_TRUE(ShortCutHasCtrl(kShortCutInvert));
    EXPECT_FALSE(ShortCutHasCtrl('Q'));
}
