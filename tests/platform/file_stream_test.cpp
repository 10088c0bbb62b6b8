#include "platform/file_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "platform/byte_buffer.h"
#include "platform/exception.h"
#include "tests/support/temp_dir.h"

using namespace platform;
using testing_support::ReadFileBytes;
using testing_support::TempDir;

TEST(FileStream, CreateTruncatesAndWrites) {
    TempDir dir;
    const auto path = dir.Write(u"out.bin", "old content that is long");
    {
        FileStream file(path, kFmCreate);
        file.WriteBuffer("new", 3);
        EXPECT_EQ(file.Size(), 3);
    }
    EXPECT_EQ(ReadFileBytes(path), "new");
}

TEST(FileStream, ReadSeekAndShortRead) {
    TempDir dir;
    const auto path = dir.Write(u"in.bin", "0123456789");
    FileStream file(path, kFmOpenRead | kFmShareDenyNone);
    EXPECT_EQ(file.Size(), 10);
    EXPECT_EQ(file.Seek(-3, SeekOrigin::End), 7);
    char buffer[8] = {};
    EXPECT_EQ(file.Read(buffer, 8), 3u);
    EXPECT_EQ(std::string(buffer, 3), "789");
    file.SetPosition(8);
    EXPECT_THROW(file.ReadBuffer(buffer, 3), EReadError);
}

TEST(FileStream, MissingFileAndUncreatableFileRaiseTheirClasses) {
    TempDir dir;
    EXPECT_THROW(FileStream(dir.File(u"none.bin"), kFmOpenRead), EFOpenError);
    EXPECT_THROW(FileStream(dir.File(u"no-such-folder\\x.bin"), kFmCreate), EFCreateError);
    try {
        FileStream(dir.File(u"none.bin"), kFmOpenRead);
    } catch (const EFCreateError&) {
        FAIL() << "open reported as create";
    } catch (const EFOpenError& e) {
        EXPECT_NE(e.Message().find(u"kann nicht ge\u00f6ffnet werden"), std::u16string::npos);
    }
}

// Mode 0 (read, compatibility sharing) shares with nobody.
TEST(FileStream, ShareModes) {
    struct Case {
        const char* name;
        std::uint16_t first;
        std::uint16_t second;
        bool secondOpens;
    };
    const Case cases[] = {
        {"compat blocks a reader", kFmOpenRead, kFmOpenRead | kFmShareDenyWrite, false},
        {"compat blocks compat", kFmOpenRead, kFmOpenRead, false},
        {"deny-write readers share", kFmOpenRead | kFmShareDenyWrite, kFmOpenRead | kFmShareDenyWrite, true},
        {"deny-write blocks a writer", kFmOpenRead | kFmShareDenyWrite, kFmOpenReadWrite | kFmShareExclusive, false},
        {"deny-none lets deny-none in", kFmOpenRead | kFmShareDenyNone, kFmOpenRead | kFmShareDenyNone, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const auto path = dir.Write(u"f.bin", "x");
        FileStream first(path, c.first);
        bool opened = true;
        try {
            FileStream second(path, c.second);
        } catch (const EFOpenError&) {
            opened = false;
        }
        EXPECT_EQ(opened, c.secondOpens);
    }
}

TEST(MemoryStream, WritesReadsAndSaves) {
    MemoryStream memory;
    memory.WriteBuffer("abc", 3);
    memory.SetPosition(1);
    memory.WriteBuffer("XYZ", 3);
    EXPECT_EQ(std::string(memory.Data().begin(), memory.Data().end()), "aXYZ");
    memory.SetPosition(0);
    char buffer[4];
    memory.ReadBuffer(buffer, 4);
    EXPECT_THROW(memory.ReadBuffer(buffer, 1), EReadError);
    TempDir dir;
    memory.SaveToFile(dir.File(u"m.bin"));
    EXPECT_EQ(ReadFileBytes(dir.File(u"m.bin")), "aXYZ");
    memory.Clear();
    EXPECT_EQ(memory.Size(), 0);
    EXPECT_EQ(memory.Position(), 0);
}

// An empty name read into an empty vector passes its null data() with count 0
// (found by the archive fuzzer: memcpy with a null pointer).
TEST(MemoryStream, ReadingNothingTakesANullBuffer) {
    MemoryStream memory;
    memory.WriteBuffer("abc", 3);
    for (const std::int64_t position : {0, 3, 5}) {
        SCOPED_TRACE(position);
        memory.SetPosition(position);
        std::vector<std::uint8_t> empty;
        EXPECT_EQ(memory.Read(empty.data(), 0), 0u);
        EXPECT_NO_THROW(memory.ReadBuffer(nullptr, 0));
        EXPECT_EQ(memory.Position(), position);
    }
}

TEST(MemoryStream, GapsFromSeekingOrGrowingReadAsZeros) {
    MemoryStream memory;
    memory.SetPosition(3);
    memory.WriteBuffer("x", 1);
    memory.SetSize(6);
    const auto bytes = memory.Data();
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string("\0\0\0x\0\0", 6));
    EXPECT_EQ(memory.Position(), 4);
}

// The buffer against a vector doing the same: every byte that was kept through
// growing and shrinking reads back, however the sizes come.
TEST(ByteBuffer, KeepsItsBytesThroughGrowingAndShrinking) {
    std::mt19937 random(61);
    ByteBuffer buffer;
    std::vector<std::uint8_t> model;
    for (int step = 0; step < 2000; ++step) {
        const std::size_t size = random() % 8 == 0 ? random() % 200000 : model.size() + random() % 300;
        const std::size_t kept = std::min(size, model.size());
        buffer.resize(size);
        model.resize(size);
        ASSERT_EQ(buffer.size(), size);
        ASSERT_TRUE(std::equal(model.begin(), model.begin() + static_cast<std::ptrdiff_t>(kept), buffer.data()))
            << "step " << step;
        for (std::size_t i = kept; i < size; ++i) model[i] = buffer.data()[i] = static_cast<std::uint8_t>(random());
        if (random() % 50 == 0) {
            buffer.clear();
            model.clear();
        }
    }
}

TEST(ByteBuffer, ClearKeepsTheStorageAndAMoveLeavesNothingBehind) {
    ByteBuffer buffer(1000);
    const std::uint8_t* storage = buffer.data();
    buffer.clear();
    EXPECT_TRUE(buffer.empty());
    buffer.resize(1000);
    EXPECT_EQ(buffer.data(), storage);

    ByteBuffer taken(std::move(buffer));
    EXPECT_EQ(taken.data(), storage);
    EXPECT_EQ(buffer.size(), 0u);  // NOLINT(bugprone-use-after-move): a moved-from buffer is empty
    EXPECT_EQ(buffer.data(), nullptr);
    buffer.resize(10);  // and usable again
    EXPECT_EQ(buffer.size(), 10u);
    taken = std::move(buffer);
    EXPECT_EQ(taken.size(), 10u);
    EXPECT_EQ(buffer.size(), 0u);
}
