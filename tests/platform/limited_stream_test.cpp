#include "platform/limited_stream.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/exception.h"

using platform::ESizeLimitError;
using platform::LimitedStream;
using platform::MemoryStream;
using platform::SeekOrigin;

namespace {

std::string Content(const MemoryStream& stream) {
    const auto data = stream.Data();
    return std::string(data.begin(), data.end());
}

}  // namespace

// A write either lands whole or is refused whole, before the target changes.
TEST(LimitedStream, WritesUpToTheLimitAndRefusesThePassingOne) {
    struct Row {
        const char* name;
        std::int64_t startAt;  // position of the write
        std::string bytes;
        bool refused;
        std::string expected;  // the target afterwards (it starts as "abcd")
    };
    const Row rows[] = {
        {"write ending before the limit", 4, "ef", false, "abcdef"},
        {"write ending on the limit", 4, "efgh", false, "abcdefgh"},
        {"write one byte past the limit", 4, "efghi", true, "abcd"},
        {"overwrite inside the limit", 1, "XY", false, "aXYd"},
        {"write at the limit itself", 8, "z", true, "abcd"},
        {"write far past the end", 100, "z", true, "abcd"},
        {"empty write on the limit", 8, "", false, "abcd"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MemoryStream target;
        target.WriteBuffer("abcd", 4);
        LimitedStream limited(target, 8);
        limited.Seek(row.startAt, SeekOrigin::Begin);
        if (row.refused) {
            EXPECT_THROW(limited.Write(row.bytes.data(), row.bytes.size()), ESizeLimitError);
        } else {
            EXPECT_EQ(limited.Write(row.bytes.data(), row.bytes.size()), row.bytes.size());
        }
        EXPECT_EQ(Content(target), row.expected);
    }
}

TEST(LimitedStream, ManySmallWritesStopAtTheLimit) {
    MemoryStream target;
    LimitedStream limited(target, 1000);
    std::size_t accepted = 0;
    try {
        for (;;) {
            limited.WriteBuffer("0123456789abc", 13);
            accepted += 13;
        }
    } catch (const ESizeLimitError& error) {
        EXPECT_NE(error.Message().find(u"1000"), std::u16string::npos);
    }
    EXPECT_EQ(accepted, 1000u / 13 * 13);
    EXPECT_EQ(target.Size(), static_cast<std::int64_t>(accepted));
}

TEST(LimitedStream, ReadsSeeksAndSizesPassThrough) {
    MemoryStream target;
    target.WriteBuffer("hello", 5);
    LimitedStream limited(target, 6);
    EXPECT_EQ(limited.Size(), 5);
    EXPECT_EQ(limited.Seek(1, SeekOrigin::Begin), 1);
    char read[3] = {};
    EXPECT_EQ(limited.Read(read, 3), 3u);
    EXPECT_EQ(std::string(read, 3), "ell");
    limited.SetSize(6);
    EXPECT_EQ(target.Size(), 6);
    EXPECT_THROW(limited.SetSize(7), ESizeLimitError);
    EXPECT_EQ(target.Size(), 6);
}
