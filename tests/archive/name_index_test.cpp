#include "archive/name_index.h"

#include <gtest/gtest.h>

#include <string>

using namespace archive;

namespace {

std::u16string Key(int i) {
    const std::string digits = std::to_string(i);
    return u"Name" + std::u16string(digits.begin(), digits.end());
}

}  // namespace

TEST(HashKey, RotatesLeftByTwoAndXors) {
    EXPECT_EQ(HashKey(u""), 0u);
    EXPECT_EQ(HashKey(u"a"), 0x61u);
    EXPECT_EQ(HashKey(u"ab"), (0x61u << 2) ^ 0x62u);
    // The top bits come round to the bottom.
    std::u16string key(17, u'\xFFFF');
    std::uint32_t h = 0;
    for (char16_t c : key) h = ((h << 2) | (h >> 30)) ^ c;
    EXPECT_EQ(HashKey(key), h);
    EXPECT_EQ(HashKey(u"\x00C4"), 0xC4u) << "UTF-16 code units, not bytes";
}

TEST(TZFStringHash, LookupsFindTheLatestEqualKeyFirst) {
    TZFStringHash hash(7);
    EXPECT_EQ(hash.ValueOf(u"x"), -1);
    hash.Remove(u"absent");
    hash.Add(u"x", 1);
    hash.Add(u"y", 2);
    hash.Add(u"x", 3);
    EXPECT_EQ(hash.ValueOf(u"x"), 3);
    EXPECT_TRUE(hash.Modify(u"x", 4));
    EXPECT_EQ(hash.ValueOf(u"x"), 4);
    EXPECT_FALSE(hash.Modify(u"z", 9));
    hash.Remove(u"x");
    EXPECT_EQ(hash.ValueOf(u"x"), 1) << "removing unlinks only the first node";
    hash.Clear();
    EXPECT_EQ(hash.ValueOf(u"y"), -1);
    EXPECT_EQ(hash.Size(), 7u);
    hash.Add(u"y", 5);
    EXPECT_EQ(hash.ValueOf(u"y"), 5) << "usable after Clear";
}

TEST(TZFStringHash, KeysInOneBucketStayApart) {
    TZFStringHash hash(1);
    for (int i = 0; i < 50; ++i) hash.Add(u"k" + std::u16string(1, static_cast<char16_t>(u'A' + i)), i);
    for (int i = 0; i < 50; i += 7) hash.Remove(u"k" + std::u16string(1, static_cast<char16_t>(u'A' + i)));
    for (int i = 0; i < 50; ++i) {
        const std::int32_t expected = i % 7 == 0 ? -1 : i;
        EXPECT_EQ(hash.ValueOf(u"k" + std::u16string(1, static_cast<char16_t>(u'A' + i))), expected) << i;
    }
}

TEST(TZFHashedStringList, FoldsAsciiOnly) {
    TZFHashedStringList list;
    EXPECT_EQ(list.IndexOf(u"x"), -1);
    list.Add(u"Readme.TXT");
    list.Add(u"\x00C4.txt");
    EXPECT_EQ(list.IndexOf(u"README.txt"), 0);
    EXPECT_EQ(list.IndexOf(u"\x00E4.txt"), -1) << "capital and small A-umlaut are different keys";
    EXPECT_EQ(list.IndexOf(u"\x00C4.TXT"), 1);
    EXPECT_EQ(list.IndexOf(u"readme.txt\\"), -1);
}

TEST(TZFHashedStringList, HighestIndexWinsAmongEqualKeys) {
    TZFHashedStringList list;
    list.IndexOf(u"");  // the first lookup creates the hash and takes it as valid
    list.Add(u"a");
    list.Add(u"b");
    list.Add(u"A");
    EXPECT_EQ(list.IndexOf(u"a"), 2);
    list.Delete(1);  // forces a rebuild, in ascending index order
    EXPECT_EQ(list.IndexOf(u"a"), 1);
    EXPECT_EQ(list.IndexOf(u"b"), -1);
}

TEST(TZFHashedStringList, WithoutAnEarlierLookupTheFirstLookupBuildsTheHash) {
    TZFHashedStringList list;
    list.Add(u"one");
    list.Add(u"two");
    EXPECT_EQ(list.HashBucketCount(), 0u);
    EXPECT_EQ(list.IndexOf(u"TWO"), -1) << "a hash created on first lookup is taken as valid";
    list.Add(u"three");
    EXPECT_EQ(list.IndexOf(u"three"), 2);
}

TEST(TZFHashedStringList, DropsAnOverfullHashAndRebuildsItWithOneBucketPerString) {
    TZFHashedStringList list;
    list.IndexOf(u"");
    EXPECT_EQ(list.HashBucketCount(), 1000u);
    for (int i = 0; i < 5000; ++i) list.Add(Key(i));
    EXPECT_EQ(list.HashBucketCount(), 1000u) << "5000 keys in 1000 buckets is still allowed";
    list.Add(u"last");
    EXPECT_EQ(list.HashBucketCount(), 0u) << "the 5001st key drops the hash";
    EXPECT_EQ(list.IndexOf(u"LAST"), 5000);
    EXPECT_EQ(list.HashBucketCount(), 5001u);
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(list.IndexOf(Key(i)), i);
}

TEST(TZFHashedStringList, UpdateReplacesTheKeyAtItsIndex) {
    TZFHashedStringList list;
    list.IndexOf(u"");
    list.Add(u"old");
    list.Add(u"other");
    list.Update(0, u"New");
    EXPECT_EQ(list.IndexOf(u"old"), -1);
    EXPECT_EQ(list.IndexOf(u"new"), 0);
    EXPECT_EQ(list[0], u"New");
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.IndexOf(u"new"), -1);
    list.Add(u"again");
    EXPECT_EQ(list.IndexOf(u"again"), 0) << "the hash stays valid through Clear";
}
