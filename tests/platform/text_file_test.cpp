#include "platform/text_file.h"

#include <gtest/gtest.h>

#include "platform/exception.h"
#include "platform/file_stream.h"
#include "tests/support/temp_dir.h"

using namespace platform;

namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    TextLines lines;
};

TextLines Decode(const std::string& bytes) {
    return DecodeTextLines({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

}  // namespace

TEST(DecodeTextLines, Table) {
    const DecodeCase cases[] = {
        {"empty", "", {}},
        {"last line without break", "a\r\nb", {u"a", u"b"}},
        {"break at the end adds nothing", "a\n", {u"a"}},
        {"lone CR, lone LF, CR LF", "a\rb\nc\r\nd", {u"a", u"b", u"c", u"d"}},
        {"LF CR is two breaks", "a\n\rb", {u"a", u"", u"b"}},
        {"empty lines kept", "\n\n", {u"", u""}},
        {"NUL ends the text", std::string("a\nb\0c\nd", 7), {u"a", u"b"}},
        {"ANSI without mark", "f\xFCr", {u"f\u00fcr"}},
        {"UTF-8 mark",
         "\xEF\xBB\xBF"
         "f\xC3\xBCr\n",
         {u"f\u00fcr"}},
        {"UTF-16 LE mark",
         std::string("\xFF\xFE"
                     "a\0\n\0\xFC\0",
                     8),
         {u"a", u"\u00fc"}},
        {"UTF-16 BE mark", std::string("\xFE\xFF\0a\0\r\0\n\0b", 10), {u"a", u"b"}},
        {"FF FE wins over a UTF-8 look", std::string("\xFF\xFE\xEF\xBB", 4), {u"\uBBEF"}},
        {"UTF-16 NUL ends text",
         std::string("\xFF\xFE"
                     "a\0\0\0b\0",
                     8),
         {u"a"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Decode(c.bytes), c.lines);
    }
}

TEST(WholeText, PutsCrLfAfterEveryLine) {
    EXPECT_EQ(WholeText({}), u"");
    EXPECT_EQ(WholeText({u"a", u"", u"b"}), u"a\r\n\r\nb\r\n");
}

TEST(LoadTextLines, ReadsAFile) {
    testing_support::TempDir dir;
    const auto path = dir.Write(u"lib.xml", "<a>\r\n<b>");
    EXPECT_EQ(LoadTextLines(path), (TextLines{u"<a>", u"<b>"}));
}

TEST(LoadTextLines, MissingFileRaisesTheGermanOpenError) {
    testing_support::TempDir dir;
    const auto path = dir.File(u"missing.xml");
    try {
        LoadTextLines(path);
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        const std::u16string prefix = u"Datei " + path + u" kann nicht ge\u00f6ffnet werden. ";
        ASSERT_EQ(e.Message().substr(0, prefix.size()), prefix);
        const std::u16string reason = e.Message().substr(prefix.size());
        ASSERT_FALSE(reason.empty());
        EXPECT_NE(reason.back(), u'.');
        EXPECT_GT(reason.back(), u' ');
    }
}

TEST(LoadTextLines, FailsWhileAnotherHolderMayWrite) {
    testing_support::TempDir dir;
    const auto path = dir.Write(u"held.xml", "x");
    FileStream writer(path, kFmOpenReadWrite | kFmShareExclusive);
    EXPECT_THROW(LoadTextLines(path), EFOpenError);
}

TEST(LoadTextLines, SharesWithOtherReaders) {
    testing_support::TempDir dir;
    const auto path = dir.Write(u"shared.xml", "x");
    FileStream reader(path, kFmOpenRead | kFmShareDenyWrite);
    EXPECT_EQ(LoadTextLines(path), (TextLines{u"x"}));
}

// The limit counts the file's bytes, byte-order mark included, and is checked
// before anything is read.
TEST(LoadText, FilesBeyondTheByteLimitAreRefused) {
    struct Row {
        const char* name;
        std::string bytes;
        std::int64_t limit;
        bool refused;
        std::u16string text;
    };
    const Row rows[] = {
        {"ANSI at the limit", "a\r\nb", 4, false, u"a\r\nb"},
        {"ANSI one byte over", "a\r\nb", 3, true, u""},
        {"UTF-16 at the limit, mark counted",
         std::string("\xFF\xFE"
                     "a\0b\0",
                     6),
         6, false, u"ab"},
        {"UTF-16 one byte over",
         std::string("\xFF\xFE"
                     "a\0b\0",
                     6),
         5, true, u""},
        {"empty file, no room at all", "", 0, false, u""},
        {"NUL ends the text, not the count", std::string("x\0yyyy", 6), 5, true, u""},
    };
    testing_support::TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto path = dir.Write(u"limited.txt", row.bytes);
        if (row.refused) {
            EXPECT_THROW(LoadText(path, row.limit), ESizeLimitError);
        } else {
            EXPECT_EQ(LoadText(path, row.limit), row.text);
        }
    }
}

TEST(LineReader, ViewsIntoTheTextLikeTheLineList) {
    const std::u16string text = u"a\r\n\rb\n\nc\r";
    LineReader reader(text);
    std::vector<std::u16string_view> views;
    while (const auto line = reader.Next()) views.push_back(*line);
    ASSERT_EQ(views.size(), SplitLines(text).size());
    EXPECT_EQ(views, (std::vector<std::u16string_view>{u"a", u"", u"b", u"", u"c"}));
    EXPECT_EQ(views[2].data(), text.data() + 4);  // a view into the text, not a copy
    EXPECT_FALSE(reader.Next());
}
