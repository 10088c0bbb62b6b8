#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/strings.h"

using platform::SplitCommandLine;
using platform::UnquoteFileName;

namespace {

std::string Joined(const std::vector<std::u16string>& arguments) {
    std::string text;
    for (const auto& argument : arguments) text += "[" + platform::WideToUtf8(argument) + "]";
    return text;
}

}  // namespace

TEST(SplitCommandLine, WindowsRules) {
    struct Row {
        const char* name;
        std::u16string_view line;
        const char* expected;  // each argument in brackets
    };
    const Row rows[] = {
        {"empty line", u"", ""},
        {"blanks only", u" \t ", ""},
        {"converter parameters", u" -convert xml1 -s \"C:\\Temp dir\\iTunesMetadata.plist\"",
         "[-convert][xml1][-s][C:\\Temp dir\\iTunesMetadata.plist]"},
        {"tab separates", u"a\tb", "[a][b]"},
        {"runs of blanks", u"a   b ", "[a][b]"},
        {"backslashes without quote are literal", u"a\\\\b c\\", "[a\\\\b][c\\]"},
        {"escaped quote", u"a\\\"b", "[a\"b]"},
        {"two backslashes then quote", u"\"a\\\\\" b", "[a\\][b]"},
        {"three backslashes then quote", u"a\\\\\\\"b", "[a\\\"b]"},
        {"empty quoted argument", u"\"\" x", "[][x]"},
        {"quotes join parts", u"a\"b c\"d", "[ab cd]"},
        {"doubled quote inside quotes", u"\"a\"\"b\"", "[a\"b]"},
        {"doubled quote keeps quoting", u"a\"b\"\" c d", "[ab\" c d]"},
        {"unterminated quote runs to the end", u"\"a b", "[a b]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Joined(SplitCommandLine(row.line)), row.expected);
    }
}

TEST(UnquoteFileName, UndoesQuoting) {
    struct Row {
        const char* name;
        std::u16string_view text;
        std::u16string_view expected;
    };
    const Row rows[] = {
        {"quoted path", u"\"C:\\Program Files\\plutil.exe\"", u"C:\\Program Files\\plutil.exe"},
        {"doubled quote halved", u"\"a\"\"b\"", u"a\"b"},
        {"plain text unchanged", u"plutil.exe", u"plutil.exe"},
        {"blanks around removed", u"  \"x y\" ", u"x y"},
        {"lone quote stays", u"\"", u"\""},
        {"empty quotes", u"\"\"", u""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(UnquoteFileName(row.text), row.expected);
    }
}

TEST(UnquoteFileName, InverseOfQuoteString) {
    for (std::u16string_view text : {u"C:\\a b\\c.exe", u"we\"ird\"\"", u""}) {
        SCOPED_TRACE(platform::WideToUtf8(text));
        EXPECT_EQ(UnquoteFileName(platform::QuoteString(text)), text);
    }
}
