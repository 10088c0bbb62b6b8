#include "archive/errors.h"

#include <gtest/gtest.h>

#include <set>

#include "archive/archiver.h"

using namespace archive;

namespace {

std::u16string MessageOf(const EZFException& e) { return e.Message(); }

}  // namespace

TEST(NativeErrorMap, CoversEveryCodeOnceInAscendingOrder) {
    ASSERT_EQ(NativeErrorMap.size(), 68u);
    std::set<std::int32_t> indices;
    for (std::size_t i = 0; i < NativeErrorMap.size(); ++i) {
        EXPECT_EQ(NativeErrorMap[i].NativeCode, static_cast<std::int32_t>(i));
        EXPECT_GE(NativeErrorMap[i].MessageIndex, 0);
        EXPECT_LT(NativeErrorMap[i].MessageIndex, 41);
        indices.insert(NativeErrorMap[i].MessageIndex);
    }
    EXPECT_EQ(indices.size(), 41u) << "every message is reached by some native code";
}

TEST(NativeErrorMap, CodesMapToTheirMessages) {
    struct Row {
        const char* name;
        std::int32_t code;
        std::int32_t index;
    };
    const Row rows[] = {
        {"unknown", 0, 0},      {"index 1", 1, 1},          {"index 24", 24, 1},   {"mode", 5, 2},
        {"nil", 6, 3},          {"check sum", 8, 4},        {"blank 29", 29, 5},   {"not found 54", 54, 6},
        {"not open 14", 14, 7}, {"create file 23", 23, 9},  {"update 25", 25, 11}, {"open file", 33, 12},
        {"end update", 26, 13}, {"in memory", 28, 15},      {"invalid", 35, 18},   {"zip64 end", 40, 22},
        {"aborted 45", 45, 24}, {"damaged 57", 57, 27},     {"deflate64", 55, 32}, {"hashed 58", 58, 34},
        {"too long", 61, 36},   {"init vector 64", 64, 38}, {"disk full", 66, 39}, {"password", 67, 40},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(MessageIndexOf(row.code), row.index);
    }
}

TEST(EZFException, ComposesTextAndNativeColumns) {
    struct Row {
        const char* name;
        std::int32_t code;
        std::u16string expected;
        std::int32_t errorCode;
    };
    const Row rows[] = {
        {"plain 35", 35, u"Invalid archive file. - Native error: 00035", 18},
        {"zero", 0, u"Unknown error - Native error: 00000", 0},
        {"past the map", 68, u"Unknown error - Native error: 00068", 0},
        {"hundred", 100, u"Unknown error - Native error: 00100", 0},
        {"negative", -1, u"Unknown error - Native error: 000-1", 0},
        {"six digits", 123456, u"Unknown error - Native error: 123456", 0},
        {"hashed list", 59, u"Hashed list of file names is invalid - Native error: 00059", 34},
        {"placeholder kept", 15, u"File \"%s\" not found - Native error: 00015", 6},
        {"line break", 61, u"File name is too long: \r\n\"%s\" - Native error: 00061", 36},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const EZFException e(NativeCode{row.code}, nullptr);
        EXPECT_EQ(MessageOf(e), row.expected);
        EXPECT_EQ(e.NativeError, row.code);
        EXPECT_EQ(e.ErrorCode, row.errorCode);
    }
}

TEST(EZFException, FormatsArgumentsAndPrefixesANamedComponent) {
    TZFArchiver named;
    named.Name = u"Zip1";
    EXPECT_EQ(MessageOf(EZFException(NativeCode::kFileNotFound, &named, {std::u16string(u"C:\\a.zip")})),
              u"Zip1: File \"C:\\a.zip\" not found - Native error: 00012");

    TZFArchiver unnamed;
    EXPECT_EQ(MessageOf(EZFException(NativeCode::kFileNotFound, &unnamed, {std::u16string(u"C:\\x.ipa")})),
              u"File \"C:\\x.ipa\" not found - Native error: 00012");
    EXPECT_EQ(MessageOf(EZFException(NativeCode{34}, nullptr, {std::int64_t{10}, std::int64_t{-3}})),
              u"Invalid compressed size, rfs.size = 10, count = -3 - Native error: 00034");
    // Native code 28 is raised with the file name, but its text has no placeholder.
    EXPECT_EQ(MessageOf(EZFException(NativeCode::kInMemoryCreateOnly, &named, {std::u16string(u"C:\\a.zip")})),
              u"Zip1: In-memory archive can be created only - Native error: 00028");
}

TEST(EZFException, IsAPlatformExceptionWithUtf8What) {
    try {
        throw EZFException(NativeCode::kNotOpen, nullptr);
    } catch (const platform::Exception& e) {
        EXPECT_STREQ(e.what(), "Archive is not open - Native error: 00013");
    }
}
