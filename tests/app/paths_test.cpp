#include "app/paths.h"

#include <gtest/gtest.h>

TEST(EnsureTrailingBackslash, Table) {
    const struct {
        const char* name;
        std::u16string input;
        std::u16string output;
    } cases[] = {
        {"empty gives a backslash", u"", u"\\"},
        {"appended when missing", u"C:\\Temp", u"C:\\Temp\\"},
        {"kept when present", u"C:\\Temp\\", u"C:\\Temp\\"},
        {"a slash is not a backslash", u"C:/Temp/", u"C:/Temp/\\"},
        {"backslash alone stays", u"\\", u"\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(app::EnsureTrailingBackslash(c.input), c.output);
    }
}
