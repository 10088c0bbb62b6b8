#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/environment.h"
#include "tests/support/temp_dir.h"

using namespace platform;
using testing_support::TempDir;

TEST(FileSystem, ExistenceOfFilesAndFolders) {
    TempDir dir;
    const auto file = dir.Write(u"a.ipa", "x");
    const auto folder = dir.MakeFolder(u"x.ipa");
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_TRUE(DirectoryExists(folder));
    EXPECT_FALSE(FileExists(folder));
    EXPECT_FALSE(FileExists(dir.File(u"none")));
}

TEST(FindEntries, ListsFilesFoldersAndHiddenEntriesMatchingThePattern) {
    TempDir dir;
    dir.Write(u"b.ipa", "x");
    dir.Write(u"My.App 1.2.ipa", "x");
    dir.Write(u".hidden.ipa", "x");
    dir.Write(u"notes.txt", "x");
    dir.MakeFolder(u"x.ipa");
    auto entries = FindEntries(dir.Path() + u"*.ipa");
    std::vector<std::u16string> names;
    for (const auto& e : entries) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::u16string>{u".hidden.ipa", u"My.App 1.2.ipa", u"b.ipa", u"x.ipa"}));
    const auto folder = std::find_if(entries.begin(), entries.end(), [](auto& e) { return e.name == u"x.ipa"; });
    EXPECT_TRUE(folder->attributes & kFileAttributeDirectory);
}

TEST(FindEntries, NoMatchOrNoFolderGivesNothing) {
    TempDir dir;
    EXPECT_TRUE(FindEntries(dir.Path() + u"*.ipa").empty());
    EXPECT_TRUE(FindEntries(dir.Path() + u"missing\\*.ipa").empty());
}

TEST(Environment, VariablesAndFolders) {
    EXPECT_FALSE(EnvironmentVariable(u"VANTREL_SURELY_UNSET_VARIABLE").has_value());
    const auto temp = TempFolderPath();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), u'\\');
    EXPECT_TRUE(DirectoryExists(temp));
    EXPECT_EQ(SpecialFolderPath(-12345), u"");
}
