// The directory array: growth, item access, the name index rule.
#include "archive/dir_array.h"

#include <gtest/gtest.h>

#include "archive/errors.h"

using namespace archive;

namespace {

std::int32_t NativeErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EZFException& e) {
        return e.NativeError;
    }
    return 0;
}

}  // namespace

TEST(TZFDirArray, GrowsInDoublingBlocksUpToTheLimit) {
    struct Step {
        std::int32_t count;
        std::int32_t alloc;
        std::int32_t allocBy;
    };
    const Step steps[] = {
        {1, 1000, 1000},       {1000, 1000, 1000},    {1001, 3000, 2000},      {3001, 7000, 4000},  {7001, 15000, 8000},
        {15001, 25000, 10000}, {25001, 35000, 10000}, {100000, 100000, 10000}, {50, 100000, 10000},
    };
    TZFDirArray dir;
    EXPECT_EQ(dir.AllocBy, 500);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.count);
        dir.SetCount(step.count);
        EXPECT_EQ(dir.Count(), step.count);
        EXPECT_EQ(dir.AllocItemCount(), step.alloc);
        EXPECT_EQ(dir.AllocBy, step.allocBy);
    }
    dir.SetCount(0);
    EXPECT_EQ(dir.AllocItemCount(), 0) << "zero releases the storage";
}

TEST(TZFDirArray, IndexErrorsByAccessKind) {
    TZFDirArray dir;
    dir.SetCount(2);
    dir.ItemRef(1).Position = 7;
    const TDirItemCopy copy = dir.Item(1);
    dir.ItemRef(1).Position = 8;
    EXPECT_EQ(copy->Position, 7) << "a copy is independent";
    EXPECT_EQ(NativeErrorOf([&] { dir.Item(2); }), 2);
    EXPECT_EQ(NativeErrorOf([&] { dir.Item(-1); }), 2);
    EXPECT_EQ(NativeErrorOf([&] { dir.ItemRef(2); }), 3);
    EXPECT_EQ(NativeErrorOf([&] { dir.ItemRef(-1); }), 3);
}

TEST(TZFDirArray, SetItemNameKeepsTheIndexInStep) {
    TZFDirArray dir;
    dir.SetCount(3);
    dir.SetItemName(0, u"Foo/Bar.TXT");
    dir.SetItemName(1, u"other");
    std::int32_t itemNo = -1;
    EXPECT_TRUE(dir.FileExists(u"foo/bar.txt", itemNo));
    EXPECT_EQ(itemNo, 0);
    EXPECT_FALSE(dir.FileExists(u"foo\\bar.txt", itemNo)) << "separators are compared as stored";
    EXPECT_EQ(itemNo, -1);
    dir.SetItemName(0, u"Renamed");  // found at its own index: the key is replaced
    EXPECT_TRUE(dir.FileExists(u"RENAMED", itemNo));
    EXPECT_FALSE(dir.FileExists(u"foo/bar.txt", itemNo));
    EXPECT_EQ(dir.ItemRef(0).Name(), u"Renamed");
    dir.SetItemName(1, u"renamed");  // a duplicate name is accepted
    EXPECT_TRUE(dir.FileExists(u"renamed", itemNo));
    EXPECT_EQ(itemNo, 1);
    dir.SetItemName(1, u"x");
    EXPECT_EQ(NativeErrorOf([&] { dir.SetItemName(1, u"y"); }), 0);
}

TEST(TZFDirArray, NamelessItemPutsTheIndexOutOfStep) {
    TZFDirArray dir;
    dir.SetCount(2);
    dir.SetItemName(0, u"");
    EXPECT_EQ(NativeErrorOf([&] { dir.SetItemName(1, u"b"); }), 59);
    EXPECT_EQ(dir.ItemRef(1).Name(), u"") << "the name is not set on failure";
}

TEST(TZFDirArray, ClearEmptiesItemsAndIndex) {
    TZFDirArray dir;
    dir.SetCount(1);
    dir.SetItemName(0, u"a");
    const std::uint8_t block[] = {0x34, 0x12, 2, 0, 1, 2};
    dir.KeepTexts(0, block, {});
    dir.Zip64Of(0).compSize = 5;
    ASSERT_EQ(dir.ItemRef(0).ExtraFields().size(), 1u);
    dir.Clear();
    EXPECT_EQ(dir.Count(), 0);
    std::int32_t itemNo = 0;
    EXPECT_FALSE(dir.FileExists(u"a", itemNo));
    dir.SetCount(1);
    EXPECT_TRUE(dir.ItemRef(0).ExtraFields().empty()) << "a slot used again starts empty";
    EXPECT_EQ(dir.ItemRef(0).Zip64ExtInfo().compSize, 0);
    EXPECT_EQ(dir.ItemRef(0).Name(), u"");
    dir.SetItemName(0, u"fresh");
    EXPECT_TRUE(dir.FileExists(u"fresh", itemNo));
}

// A copy holds its own name, extra field, comment and zip64 values: it reads
// the same after the directory is cleared and filled anew, and so do copies
// of the copy.
TEST(TZFDirArray, CopiesOutliveTheDirectory) {
    TZFDirArray dir;
    dir.SetCount(2);
    dir.SetItemName(1, u"Payload/App.app/Info.plist");
    const std::uint8_t extra[] = {0x34, 0x12, 2, 0, 7, 8};
    const std::uint8_t comment[] = {'n', 'o', 't', 'e'};
    dir.KeepTexts(1, extra, comment);
    dir.Zip64Of(1).compSize = 1234567890123;
    dir.Zip64Of(1).given = TZFZip64ExtendedInfo::kCompSizeGiven;
    dir.ItemRef(1).CentralDir.compSize = 0xFFFFFFFF;
    const TDirItemCopy copy = dir.Item(1);
    TDirItemCopy assigned = dir.Item(0);
    assigned = copy;
    dir.Clear();
    dir.SetCount(2);
    dir.SetItemName(1, std::u16string(40, u'x'));
    dir.KeepTexts(1, comment, extra);
    for (const TDirItemCopy& item : {copy, assigned, TDirItemCopy(copy)}) {
        EXPECT_EQ(item->Name(), u"Payload/App.app/Info.plist");
        ASSERT_EQ(item->ExtraFields().size(), 1u);
        EXPECT_EQ(item->ExtraFields()[0].headerID, 0x1234);
        EXPECT_EQ(item->ExtraFields()[0].pData[1], 8);
        EXPECT_EQ(item->Comment(), "note");
        EXPECT_EQ(item->CompressedSize(), 1234567890123);
    }
    const TDirItemCopy empty = dir.Item(0);
    EXPECT_TRUE(empty->Name().empty());
    EXPECT_TRUE(empty->ExtraFields().empty());
    EXPECT_TRUE(empty->Comment().empty());
    EXPECT_EQ(empty->Zip64ExtInfo().compSize, 0);
}
