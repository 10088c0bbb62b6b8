#include "archive/item_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "archive/pkware_crypt.h"
#include "tests/support/deflate_roads.h"

using namespace archive;
using platform::MemoryStream;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    Bytes data(n);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    return data;
}

Bytes TextBytes(std::size_t n) {
    Bytes data(n);
    for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<std::uint8_t>("lorem ipsum dolor sit amet "[i % 27]);
    return data;
}

// Raw deflate data (no zlib header or trailer), as an archive member holds them.
Bytes RawDeflate(const Bytes& plain) {
    return testing_support::RawDeflate(plain, Z_BEST_SPEED, 15, Z_DEFAULT_STRATEGY);
}

Bytes BigEndian32(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Outcome {
    bool ok = false;
    std::int64_t written = 0;
    std::uint32_t crc = 0;
    Bytes output;
    std::vector<std::int64_t> progress;
};

// Runs the loop over `data` placed at offset 5 of the source (behind other bytes).
Outcome Decode(const Bytes& data, std::uint16_t method, std::int64_t compressedSize, std::int64_t uncompressedSize,
               PkwareCipher* cipher = nullptr) {
    MemoryStream source;
    source.WriteBuffer("head:", 5);
    source.WriteBuffer(data.data(), data.size());
    source.SetPosition(5);
    MemoryStream output;
    Outcome outcome;
    DecoderEvents events;
    events.progress = [&](std::int64_t p) {
        outcome.progress.push_back(p);
        return false;
    };
    ItemDecoder decoder(source, output, ItemData{method, compressedSize, uncompressedSize, cipher}, events);
    outcome.ok = decoder.Run();
    outcome.written = decoder.BytesWritten();
    outcome.crc = decoder.Crc();
    outcome.output.assign(output.Data().begin(), output.Data().end());
    return outcome;
}

TEST(ItemDecoderStored, CopiesInPiecesOf65535WithProgressPerPiece) {
    const Bytes plain = RandomBytes(200000, 1);
    const auto size = static_cast<std::int64_t>(plain.size());
    const Outcome result = Decode(plain, kMethodStored, size, size);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.output, plain);
    EXPECT_EQ(result.written, size);
    EXPECT_EQ(result.crc, Crc32(plain));
    const std::vector<std::int64_t> expected = {65535, 131070, 196605, 200000};
    EXPECT_EQ(result.progress, expected);
}

TEST(ItemDecoderStored, ChunksOfAMebibyteFollowEachOther) {
    const Bytes plain = RandomBytes(kChunkSize * 2 + 17, 2);
    const auto size = static_cast<std::int64_t>(plain.size());
    const Outcome result = Decode(plain, kMethodStored, size, size);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.output, plain);
    EXPECT_EQ(result.crc, Crc32(plain));
}

TEST(ItemDecoderStored, ShortReadFailsTheItem) {
    const Bytes plain = RandomBytes(1000, 3);
    const Outcome result = Decode(plain, kMethodStored, 1001, 1001);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.output.empty());
}

TEST(ItemDecoderStored, EmptyItemWritesNothing) {
    const Outcome result = Decode({}, kMethodStored, 0, 0);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.written, 0);
    EXPECT_EQ(result.crc, 0u);
    EXPECT_TRUE(result.progress.empty());
}

struct DeflateRow {
    const char* name;
    Bytes plain;
};

TEST(ItemDecoderDeflated, InflatesSmallAndMultiChunkData) {
    const DeflateRow rows[] = {
        {"empty", {}},
        {"text", TextBytes(5000)},
        {"incompressible over several chunks", RandomBytes(kChunkSize * 2 + 1234, 4)},
        {"highly compressible, output over several buffers", TextBytes(kChunkSize * 5 + 3)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes packed = RawDeflate(row.plain);
        const Outcome result = Decode(packed, kMethodDeflated, static_cast<std::int64_t>(packed.size()),
                                      static_cast<std::int64_t>(row.plain.size()));
        ASSERT_TRUE(result.ok);
        EXPECT_EQ(result.written, static_cast<std::int64_t>(row.plain.size()));
        EXPECT_TRUE(result.output == row.plain);
        EXPECT_EQ(result.crc, Crc32(row.plain));
    }
}

struct TrailerRow {
    const char* name;
    Bytes trailer;
    bool ok;
};

TEST(ItemDecoderDeflated, BytesBehindTheDeflateDataAreReadAsTheZlibTrailer) {
    const Bytes plain = TextBytes(3000);
    const uLong adler = adler32(adler32(0L, Z_NULL, 0), plain.data(), static_cast<uInt>(plain.size()));
    const TrailerRow rows[] = {
        {"one stray byte", {0xAA}, true},
        {"three stray bytes", {0xAA, 0xBB, 0xCC}, true},
        {"four bytes that are not the Adler-32", {0xAA, 0xBB, 0xCC, 0xDD}, false},
        {"the Adler-32 of the output", BigEndian32(static_cast<std::uint32_t>(adler)), true},
    };
    const Bytes packed = RawDeflate(plain);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes data = Concat(packed, row.trailer);
        const Outcome result = Decode(data, kMethodDeflated, static_cast<std::int64_t>(data.size()),
                                      static_cast<std::int64_t>(plain.size()));
        EXPECT_EQ(result.ok, row.ok);
        if (row.ok) {
            EXPECT_TRUE(result.output == plain);
        }
    }
}

// A trailer split by the chunk boundary: its first bytes end one chunk, the
// rest begin the next, and it is judged when its last byte arrives. Also a
// large output, so that the sum runs over whole output buffers.
TEST(ItemDecoderDeflated, TrailerAcrossTheChunkBoundary) {
    // Incompressible data: the deflate data grow by one byte with each plain byte.
    Bytes plain = RandomBytes(kChunkSize, 8);
    Bytes packed = RawDeflate(plain);
    for (std::size_t i = 0; i < 8 && packed.size() != kChunkSize - 2; ++i) {
        plain.resize(plain.size() - (packed.size() - (kChunkSize - 2)));
        packed = RawDeflate(plain);
    }
    ASSERT_EQ(packed.size(), kChunkSize - 2);
    const auto adler = static_cast<std::uint32_t>(adler32(1L, plain.data(), static_cast<uInt>(plain.size())));
    const TrailerRow rows[] = {
        {"the Adler-32, split 2 + 2", BigEndian32(adler), true},
        {"a wrong sum, split 2 + 2", BigEndian32(adler ^ 0x00010000u), false},
        {"two bytes in the first chunk only", {0x01, 0x02}, true},
        {"the Adler-32 and more", Concat(BigEndian32(adler), {0xEE, 0xEE, 0xEE, 0xEE}), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes data = Concat(packed, row.trailer);
        const Outcome result = Decode(data, kMethodDeflated, static_cast<std::int64_t>(data.size()),
                                      static_cast<std::int64_t>(plain.size()));
        EXPECT_EQ(result.ok, row.ok);
        EXPECT_EQ(result.written, static_cast<std::int64_t>(plain.size()));
    }
}

TEST(ItemDecoderDeflated, CutStreamEndsWithoutErrorButShort) {
    const Bytes plain = RandomBytes(100000, 5);
    Bytes packed = RawDeflate(plain);
    packed.resize(packed.size() / 2);
    const Outcome result = Decode(packed, kMethodDeflated, static_cast<std::int64_t>(packed.size()),
                                  static_cast<std::int64_t>(plain.size()));
    EXPECT_TRUE(result.ok);
    EXPECT_LT(result.written, static_cast<std::int64_t>(plain.size()));
}

TEST(ItemDecoderDeflated, RejectedDataFailTheItem) {
    const Bytes garbage = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const Outcome result = Decode(garbage, kMethodDeflated, 6, 6);
    EXPECT_FALSE(result.ok);
}

// A small member that inflates far past its declared size stops at that size.
TEST(ItemDecoderDeflated, OutputPastTheDeclaredSizeStopsTheItem) {
    const Bytes plain(kChunkSize * 8, 0);
    const Bytes packed = RawDeflate(plain);
    ASSERT_LT(packed.size(), plain.size() / 100);
    const Outcome result = Decode(packed, kMethodDeflated, static_cast<std::int64_t>(packed.size()), 1000);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.output.size(), 1000u);
}

TEST(ItemDecoderDeflated, ProgressReportsTheOutputSoFar) {
    const Bytes plain = TextBytes(kChunkSize * 3);
    const Bytes packed = RawDeflate(plain);
    const Outcome result = Decode(packed, kMethodDeflated, static_cast<std::int64_t>(packed.size()),
                                  static_cast<std::int64_t>(plain.size()));
    ASSERT_TRUE(result.ok);
    ASSERT_GE(result.progress.size(), 3u);
    EXPECT_EQ(result.progress.front(), 0);
    for (std::size_t i = 1; i < result.progress.size(); ++i) EXPECT_GE(result.progress[i], result.progress[i - 1]);
    EXPECT_LE(result.progress.back(), static_cast<std::int64_t>(plain.size()));
}

TEST(ItemDecoderEncrypted, DecryptsEachChunkBeforeUse) {
    for (std::uint16_t method : {kMethodStored, kMethodDeflated}) {
        SCOPED_TRACE(method);
        const Bytes plain = TextBytes(kChunkSize + 999);
        Bytes data = method == kMethodStored ? plain : RawDeflate(plain);
        PkwareCipher(std::string_view("key")).Encrypt(data);
        PkwareCipher cipher("key");
        const Outcome result = Decode(data, method, static_cast<std::int64_t>(data.size()),
                                      static_cast<std::int64_t>(plain.size()), &cipher);
        ASSERT_TRUE(result.ok);
        EXPECT_TRUE(result.output == plain);
    }
}

// Accepts at most `limit` bytes in all.
class FullDisk final : public platform::Stream {
public:
    explicit FullDisk(std::size_t limit) : limit_(limit) {}
    std::size_t Read(void*, std::size_t) override { return 0; }
    std::size_t Write(const void* buffer, std::size_t count) override {
        const auto used = static_cast<std::size_t>(data_.Size());
        const std::size_t room = limit_ > used ? limit_ - used : 0;
        return data_.Write(buffer, std::min(count, room));
    }
    std::int64_t Seek(std::int64_t offset, platform::SeekOrigin origin) override { return data_.Seek(offset, origin); }
    void SetSize(std::int64_t size) override { data_.SetSize(size); }
    std::size_t limit_;
    MemoryStream data_;
};

TEST(ItemDecoderWrite, DiskFullCancelDropsTheRestWithoutFailing) {
    const Bytes plain = RandomBytes(200000, 6);
    MemoryStream source;
    source.WriteBuffer(plain.data(), plain.size());
    source.SetPosition(0);
    FullDisk disk(100000);
    int calls = 0;
    DecoderEvents events{[](std::int64_t) { return false; },
                         [&] {
                             ++calls;
                             return true;
                         }};
    ItemDecoder decoder(source, disk, ItemData{kMethodStored, 200000, 200000, nullptr}, events);
    EXPECT_TRUE(decoder.Run());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(disk.data_.Size(), 100000);
}

TEST(ItemDecoderWrite, DiskFullRetryWritesAgainFromTheSamePosition) {
    const Bytes plain = RandomBytes(70000, 7);
    MemoryStream source;
    source.WriteBuffer(plain.data(), plain.size());
    source.SetPosition(0);
    FullDisk disk(65535 + 10);
    DecoderEvents events{[](std::int64_t) { return false; },
                         [&] {
                             disk.limit_ = 1 << 20;  // room made, write again
                             return false;
                         }};
    ItemDecoder decoder(source, disk, ItemData{kMethodStored, 70000, 70000, nullptr}, events);
    EXPECT_TRUE(decoder.Run());
    EXPECT_TRUE(std::equal(disk.data_.Data().begin(), disk.data_.Data().end(), plain.begin(), plain.end()));
}

TEST(ItemDecoderEvents, CancelStopsWritingAndExceptionsPassThrough) {
    const Bytes plain = TextBytes(kChunkSize * 2);
    const Bytes packed = RawDeflate(plain);
    MemoryStream source;
    source.WriteBuffer(packed.data(), packed.size());
    source.SetPosition(0);
    MemoryStream output;
    DecoderEvents cancelAtOnce{[](std::int64_t) { return true; }, nullptr};
    ItemDecoder cancelled(source, output,
                          ItemData{kMethodDeflated, static_cast<std::int64_t>(packed.size()), 2 * kChunkSize, nullptr},
                          cancelAtOnce);
    EXPECT_TRUE(cancelled.Run());
    EXPECT_EQ(output.Size(), 0);

    source.SetPosition(0);
    DecoderEvents throwing{[](std::int64_t p) -> bool {
                               if (p > 0) throw std::runtime_error("stop");
                               return false;
                           },
                           nullptr};
    ItemDecoder failing(source, output,
                        ItemData{kMethodDeflated, static_cast<std::int64_t>(packed.size()), 2 * kChunkSize, nullptr},
                        throwing);
    EXPECT_THROW(failing.Run(), std::runtime_error);
}

}  // namespace
