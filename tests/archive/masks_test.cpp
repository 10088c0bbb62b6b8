#include "archive/masks.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/strings.h"

using namespace archive;

namespace {

struct WildcardRow {
    const char* name;
    std::u16string subject;
    std::u16string mask;
    bool caseInsensitive;
    bool matches;
};

const WildcardRow kWildcardRows[] = {
    {"star swallows nothing", u"xz", u"x*z", true, true},
    {"star swallows one", u"xyz", u"x*z", true, true},
    {"star swallows many", u"xyyyz", u"x*z", true, true},
    {"question mark takes one", u"xyz", u"x?z", true, true},
    {"question mark needs one", u"xz", u"x?z", true, false},
    {"lone star matches empty name", u"", u"*", true, true},
    {"star dot star matches a name without dot", u"README", u"*.*", true, true},
    {"star dot star as the rest of the mask", u"abc", u"a*.*", true, true},
    {"empty against empty", u"", u"", true, true},
    {"empty name against letters", u"", u"a", true, false},
    {"name left over after the mask", u"ab", u"a", true, false},
    {"mask left over after the name", u"a", u"ab", true, false},
    {"trailing star after full name", u"a", u"a*", true, true},
    {"two stars never swallow an empty rest", u"a", u"a**", true, false},
    {"leading star and suffix", u"abc", u"*bc", true, true},
    {"leading star needs the suffix at the end", u"abc", u"*b", true, false},
    {"ASCII folded when asked", u"ITUNESMETADATA.PLIST", u"iTunesMetadata.plist", true, true},
    {"ASCII kept when not asked", u"ITUNESMETADATA.PLIST", u"iTunesMetadata.plist", false, false},
    {"non-ASCII letters never fold", u"\u00c4", u"\u00e4", true, false},
    {"separators compared as they are", u"a/b", u"a\\b", true, false},
};

TEST(WildcardMatch, FollowsTheStarAndQuestionMarkRules) {
    for (const auto& row : kWildcardRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(WildcardMatch(row.subject, row.mask, row.caseInsensitive), row.matches);
    }
}

// Several stars over a long name that cannot match: a naive recursion would try an
// exponential number of splits; this must end at once.
TEST(WildcardMatch, ManyStarsOverALongNameEndQuickly) {
    const std::u16string name(20000, u'a');
    EXPECT_FALSE(WildcardMatch(name, u"*a*a*a*a*a*a*a*a*b", true));
    EXPECT_TRUE(WildcardMatch(name + u"b", u"*a*a*a*a*a*a*a*a*b", true));
}

// The matching rule written as plain recursion, without any shortcut.
bool LiteralWildcard(std::u16string_view name, std::u16string_view mask) {
    if (mask == u"*" || mask == u"*.*") return true;
    if (name.empty()) return mask.empty();
    if (mask.empty()) return false;
    if (mask[0] == u'*') {
        for (std::size_t k = 0; k < name.size(); ++k) {
            if (LiteralWildcard(name.substr(k), mask.substr(1))) return true;
        }
        return false;
    }
    if (mask[0] != u'?' && mask[0] != name[0]) return false;
    return LiteralWildcard(name.substr(1), mask.substr(1));
}

TEST(WildcardMatch, AgreesWithThePlainRecursionOnRandomCases) {
    std::mt19937 random(11);
    const char16_t nameUnits[] = u"ab.";
    const char16_t maskUnits[] = u"ab.*?";
    auto make = [&](const char16_t* units, std::size_t unitCount) {
        std::u16string text(random() % 9, u' ');
        for (auto& c : text) c = units[random() % unitCount];
        return text;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::u16string name = make(nameUnits, 3);
        const std::u16string mask = make(maskUnits, 5);
        ASSERT_EQ(WildcardMatch(name, mask, false), LiteralWildcard(name, mask))
            << platform::WideToUtf8(name) << " / " << platform::WideToUtf8(mask);
    }
}

struct FileMaskRow {
    const char* name;
    std::u16string subject;
    std::u16string mask;
    bool matches;
};

const FileMaskRow kFileMaskRows[] = {
    {"empty mask matches nothing", u"a", u"", false},
    {"star dot star takes names without dot", u"README", u"*.*", true},
    {"star takes names with dot", u"Info.plist", u"*", true},
    {"extension mask folds case", u"Info.plist", u"*.PLIST", true},
    {"extension mask needs the extension", u"Info.plis", u"*.plist", false},
    {"only the first star dot star is replaced", u"x.tar.gz", u"*.*.gz", true},
    {"dot mask takes a name without extension", u"README", u"README.", true},
    {"dot mask takes a name ending in a dot", u"README.", u"README.", true},
    {"dot mask refuses an extension", u"README.TXT", u"README.", false},
    {"star dot takes only names without extension", u"notes.txt", u"*.", false},
    {"star dot takes a bare name", u"notes", u"*.", true},
    {"folder dot does not count as extension", u"a.b/README", u"a.b/*.", true},
};

TEST(MatchFileMask, AppliesTheDotAndStarRules) {
    for (const auto& row : kFileMaskRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(MatchFileMask(row.subject, row.mask), row.matches);
    }
}

struct AttributeRow {
    const char* name;
    std::uint32_t attributes;
    std::int32_t findAttr;
    bool matches;
};

const AttributeRow kAttributeRows[] = {
    {"default filter takes a directory", 0x10, 0x28BF, true},
    {"directory refused without 0x10", 0x10, 0x28AF, false},
    {"hidden refused without 0x02", 0x02, 0x28BD, false},
    {"system refused without 0x04", 0x04, 0x28BB, false},
    {"volume refused without 0x08", 0x08, 0x28B7, false},
    {"archive bit never filters", 0x20, 0, true},
    {"read-only bit never filters", 0x01, 0, true},
    {"high attribute bits never filter", 0x81ED0000u, 0, true},
};

TEST(AttributesMatch, RejectsOnlyTheFilteredBits) {
    for (const auto& row : kAttributeRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(AttributesMatch(row.attributes, row.findAttr), row.matches);
    }
}

TEST(MatchesMaskLists, NeedsOneFileMaskAndNoExclusion) {
    const MaskList fileMasks = {u"*.txt", u"*.plist"};
    const MaskList exclusions = {u"secret*", u"*.bak.txt"};
    EXPECT_TRUE(MatchesMaskLists(u"Info.plist", fileMasks, exclusions));
    EXPECT_TRUE(MatchesMaskLists(u"notes.TXT", fileMasks, exclusions));
    EXPECT_FALSE(MatchesMaskLists(u"image.png", fileMasks, exclusions));
    EXPECT_FALSE(MatchesMaskLists(u"secret.txt", fileMasks, exclusions));
    EXPECT_FALSE(MatchesMaskLists(u"old.bak.txt", fileMasks, exclusions));
    EXPECT_FALSE(MatchesMaskLists(u"Info.plist", {}, {}));
}

TEST(FileExtension, StopsAtTheLastSeparator) {
    EXPECT_EQ(FileExtension(u"a\\b.c\\name.txt"), u".txt");
    EXPECT_EQ(FileExtension(u"a/b.c/name"), u"");
    EXPECT_EQ(FileExtension(u"name."), u".");
    EXPECT_EQ(FileExtension(u"C:name.x"), u".x");
    EXPECT_EQ(FileExtension(u""), u"");
}

}  // namespace
