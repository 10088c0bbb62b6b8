// The directory's name index: names folded in ASCII only, the highest of
// equal names answering, growth without a size hint, the first lookups read
// from the items agreeing with the placed table, and the whole index held
// against a plain list over random renames.
#include "archive/name_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "archive/dir_array.h"
#include "archive/errors.h"
#include "archive/name_store.h"
#include "tests/archive/archive_test_support.h"
#include "tests/support/plain_name_index.h"

using namespace archive;
using namespace archive_tests;
using testing_support::PlainNameIndex;

namespace {

// A name with each ASCII letter in the case `rng` picks.
std::u16string CaseVariant(std::u16string_view name, std::mt19937& rng) {
    std::u16string variant(name);
    for (char16_t& unit : variant) {
        if (rng() % 2 == 0) continue;
        if (unit >= u'a' && unit <= u'z')
            unit = static_cast<char16_t>(unit - 32);
        else if (unit >= u'A' && unit <= u'Z')
            unit = static_cast<char16_t>(unit + 32);
    }
    return variant;
}

// The table compares hashes before names, so names that fold alike must hash
// alike, whatever their length and wherever the letters stand; and names that
// do not must seldom share a hash, or every lookup would read many names.
TEST(HashFolded, NamesThatFoldAlikeHashAlikeAndOthersSpread) {
    std::mt19937 rng(17);
    const std::u16string letters = u"abcxyzABCXYZ@[`{09/._-\u00C4\u00E4";
    std::set<std::u16string> folded;
    std::set<std::uint32_t> hashes;
    const auto add = [&](const std::u16string& name) {
        std::u16string key(name);
        for (char16_t& unit : key) unit = FoldAscii(unit);
        if (folded.insert(key).second) hashes.insert(HashFolded(name));
    };
    for (std::size_t length = 0; length <= 40; ++length) {
        for (int round = 0; round < 50; ++round) {
            std::u16string name(length, u' ');
            for (char16_t& unit : name) unit = letters[rng() % letters.size()];
            const std::u16string variant = CaseVariant(name, rng);
            ASSERT_TRUE(EqualFolded(name, variant));
            ASSERT_EQ(HashFolded(name), HashFolded(variant)) << "length " << length;
            add(name);
        }
    }
    for (int i = 0; i < 70000; ++i) add(Widen(NumberedName(i)));
    EXPECT_GE(hashes.size() * 100, folded.size() * 99) << "distinct names seldom share a hash";
}

// Without a size hint the table starts small and grows many times; every name
// stays findable, equal names answer with the highest item, and renaming the
// highest brings the next lower one back.
TEST(NameTable, GrowsAndKeepsEqualNamesChained) {
    TZFDirArray dir;
    constexpr int kItems = 70000;
    dir.SetCount(kItems);
    for (int i = 0; i < kItems; ++i) {
        // Every thousandth name repeats an earlier one in other ASCII case.
        const std::string name = i % 1000 == 999 ? "PAYLOAD/APP.APP/ASSETS/I_00007.PNG" : NumberedName(i);
        dir.SetItemName(i, Widen(name));
        if (i % 9973 == 0) {
            std::int32_t itemNo = -1;
            ASSERT_TRUE(dir.FileExists(Widen(name), itemNo));  // a lookup between growths
            ASSERT_EQ(itemNo, i);
        }
    }
    std::int32_t itemNo = -1;
    for (int i = 0; i < kItems; ++i) {
        if (i % 1000 == 999 || i == 7) continue;
        ASSERT_TRUE(dir.FileExists(Widen(NumberedName(i)), itemNo)) << i;
        ASSERT_EQ(itemNo, i);
    }
    EXPECT_TRUE(dir.FileExists(u"payload/app.app/assets/i_00007.png", itemNo));
    EXPECT_EQ(itemNo, 69999);
    dir.SetItemName(69999, u"renamed");
    EXPECT_TRUE(dir.FileExists(u"Payload/App.app/Assets/i_00007.png", itemNo));
    EXPECT_EQ(itemNo, 68999) << "the next lower item with the name answers";
    EXPECT_TRUE(dir.FileExists(u"RENAMED", itemNo));
    EXPECT_EQ(itemNo, 69999);
    EXPECT_FALSE(dir.FileExists(u"payload/app.app/assets/i_70000.png", itemNo));
    EXPECT_EQ(itemNo, -1);
}

TEST(NameTable, OnlyAsciiLettersAreFolded) {
    TZFDirArray dir;
    dir.SetCount(4);
    dir.SetItemName(0, u"\u00C4.txt");
    dir.SetItemName(1, u"@x");
    dir.SetItemName(2, u"[x");
    dir.SetItemName(3, u"Readme.TXT");
    std::int32_t itemNo = -1;
    EXPECT_TRUE(dir.FileExists(u"README.txt", itemNo));
    EXPECT_EQ(itemNo, 3);
    EXPECT_FALSE(dir.FileExists(u"\u00E4.txt", itemNo));
    EXPECT_TRUE(dir.FileExists(u"\u00C4.TXT", itemNo));
    EXPECT_EQ(itemNo, 0);
    EXPECT_FALSE(dir.FileExists(u"`x", itemNo)) << "\"@\" and \"`\" are not a letter pair";
    EXPECT_FALSE(dir.FileExists(u"{x", itemNo));
    EXPECT_TRUE(dir.FileExists(u"[X", itemNo));
    EXPECT_EQ(itemNo, 2);
}

// The first lookups read the waiting items instead of placing them; they must
// answer exactly as the placed table does. Names come from a small pool with
// case variants and repeats, are indexed in shuffled order (many waiting
// runs, items above and below each other) and some items stay unindexed.
TEST(NameTable, ScannedLookupsAgreeWithThePlacedTable) {
    const std::u16string pool[] = {u"",
                                   u"a",
                                   u"A",
                                   u"readme.txt",
                                   u"README.TXT",
                                   u"Re@dme",
                                   u"Re`dme",
                                   u"dir/\u00C4.x",
                                   u"dir/\u00E4.x",
                                   u"Payload/x",
                                   u"payload/X",
                                   u"Payload/xy",
                                   u"z"};
    std::mt19937 rng(41);
    for (int round = 0; round < 200; ++round) {
        const std::size_t count = 1 + rng() % (round < 100 ? 12 : 3000);
        std::vector<TDirItem> items;
        NameStore store;  // the same names, kept as a loaded directory keeps them
        std::vector<std::int32_t> order(count);
        for (std::size_t i = 0; i < count; ++i) {
            items.emplace_back(pool[rng() % std::size(pool)]);
            store.Append(items.back().Name());
            order[i] = static_cast<std::int32_t>(i);
        }
        std::shuffle(order.begin(), order.end(), rng);
        order.resize(count - rng() % (count / 4 + 1));  // these stay out of the index
        const ItemNames itemNames(items);
        for (const IndexedNames* names : {static_cast<const IndexedNames*>(&itemNames),
                                          static_cast<const IndexedNames*>(&store)}) {
            const auto index = [&] {
                NameTable table;
                if (rng() % 2) table.Reserve(count);
                for (std::int32_t item : order) table.Insert(item, *names);
                return table;
            };
            NameTable placed = index();
            for (int k = 0; k <= NameTable::kScanLookups; ++k) placed.Find(u"none", *names);
            ASSERT_GT(placed.SlotCount(), 0u);
            NameTable byItems = [&] {
                NameTable table;
                for (std::int32_t item : order) table.Insert(item, itemNames);
                for (int k = 0; k <= NameTable::kScanLookups; ++k) table.Find(u"none", itemNames);
                return table;
            }();
            for (const std::u16string& name : pool) {
                SCOPED_TRACE("round " + std::to_string(round) + " name " + std::string(name.begin(), name.end()) +
                             (names == &store ? " (store)" : " (items)"));
                NameTable scanned = index();
                const std::int32_t byTable = placed.Find(name, *names);
                ASSERT_EQ(byTable, byItems.Find(name, itemNames)) << "both sources answer alike";
                for (int k = 0; k < NameTable::kScanLookups; ++k) ASSERT_EQ(scanned.Find(name, *names), byTable);
                ASSERT_EQ(scanned.SlotCount(), 0u) << "the first lookups place nothing";
                // The empty name is answered at once while no item has it, and uses no scan.
                for (int k = 0; k <= NameTable::kScanLookups && scanned.SlotCount() == 0; ++k) {
                    ASSERT_EQ(scanned.Find(u"none", *names), -1);
                }
                ASSERT_GT(scanned.SlotCount(), 0u) << "a lookup past the scans places the items";
                ASSERT_EQ(scanned.Find(name, *names), byTable);
            }
        }
    }
}

// The index against a plain model: the highest named item whose name folds
// alike, after random renames in any order, equal and case-varied names, and
// shrinking and growing counts. A rename fails (native code 59) exactly where
// the item's current name is indexed at another item.
TEST(NameTable, AgreesWithAPlainIndexOverRandomRenames) {
    const std::u16string pool[] = {u"",
                                   u"a",
                                   u"A",
                                   u"readme.txt",
                                   u"README.TXT",
                                   u"Re@dme",
                                   u"Re`dme",
                                   u"dir/\u00C4.x",
                                   u"dir/\u00E4.x",
                                   u"Payload/x",
                                   u"payload/X",
                                   u"z"};
    std::mt19937 rng(23);
    for (int round = 0; round < 40; ++round) {
        TZFDirArray dir;
        PlainNameIndex plain;
        std::int32_t count = 1 + static_cast<std::int32_t>(rng() % 300);
        dir.SetCount(count);
        plain.SetCount(static_cast<std::size_t>(count));
        for (int step = 0; step < 600; ++step) {
            SCOPED_TRACE("round " + std::to_string(round) + " step " + std::to_string(step));
            const unsigned action = rng() % 20;
            if (action == 0) {
                count = static_cast<std::int32_t>(rng() % 400);
                dir.SetCount(count);
                plain.SetCount(static_cast<std::size_t>(count));
                continue;
            }
            if (count == 0) continue;
            const std::u16string& name = pool[rng() % std::size(pool)];
            if (action < 8) {
                std::int32_t found = -2;
                ASSERT_EQ(dir.FileExists(name, found), plain.Find(name) >= 0);
                ASSERT_EQ(found, plain.Find(name));
                continue;
            }
            const auto index = static_cast<std::size_t>(rng() % static_cast<unsigned>(count));
            const bool refused = plain.RenameRefused(index);
            try {
                dir.SetItemName(static_cast<std::int32_t>(index), name);
                ASSERT_FALSE(refused);
                plain.Rename(index, name);
            } catch (const EZFException& e) {
                ASSERT_TRUE(refused);
                ASSERT_EQ(e.NativeError, 59);
            }
            ASSERT_EQ(dir.ItemRef(static_cast<std::int32_t>(index)).Name(), plain.NameOf(index));
        }
    }
}

}  // namespace
