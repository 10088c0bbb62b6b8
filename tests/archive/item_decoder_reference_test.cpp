// The item decoder, which reads deflated members with the reader's own
// decoder, against its reference driving zlib's inflate over the same loop
// (tests/support/zlib_item_decoder.h): the same verdict, bytes written, CRC,
// progress events and source position, over members of every kind of data,
// trailer, damage and declared size, both ways of taking the trailer's sum,
// encrypted ones, members of several chunks, and writes given up or cancelled
// part way.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "archive/item_decoder.h"
#include "archive/pkware_crypt.h"
#include "tests/support/deflate_roads.h"
#include "tests/support/zlib_item_decoder.h"

using namespace archive;
using namespace testing_support;
using platform::MemoryStream;

namespace {

using TrailerSum = ItemData::TrailerSum;

struct Member {
    Bytes data;  // as the archive holds it, behind five other bytes
    std::int64_t uncompressedSize = 0;
    TrailerSum trailerSum = TrailerSum::kOnDemand;
    std::string password;             // PKWARE encryption of the data when not empty
    int cancelAt = -1;                // the progress event that cancels (none when negative)
    std::size_t diskRoom = SIZE_MAX;  // bytes the output takes before it is full (writes then given up)
};

struct Outcome {
    bool ok = false;
    std::int64_t written = 0;
    std::uint32_t crc = 0;
    Bytes output;
    std::vector<std::int64_t> progress;
    std::int64_t sourceEnd = 0;
    bool operator==(const Outcome&) const = default;
};

// An output that takes `room` bytes in all, then nothing.
class SmallDisk final : public platform::Stream {
public:
    explicit SmallDisk(std::size_t room) : room_(room) {}
    std::size_t Read(void*, std::size_t) override { return 0; }
    std::size_t Write(const void* buffer, std::size_t count) override {
        const auto used = static_cast<std::size_t>(data_.Size());
        return data_.Write(buffer, std::min(count, room_ > used ? room_ - used : 0));
    }
    std::int64_t Seek(std::int64_t offset, platform::SeekOrigin origin) override { return data_.Seek(offset, origin); }
    void SetSize(std::int64_t size) override { data_.SetSize(size); }
    MemoryStream data_;

private:
    std::size_t room_;
};

template <typename Decoder>
Outcome Decode(const Member& member) {
    MemoryStream source;
    source.WriteBuffer("head:", 5);
    Bytes data = member.data;
    if (!member.password.empty()) PkwareCipher(std::string_view(member.password)).Encrypt(data);
    source.WriteBuffer(data.data(), data.size());
    source.SetPosition(5);
    SmallDisk output(member.diskRoom);
    Outcome outcome;
    DecoderEvents events;
    events.progress = [&](std::int64_t p) {
        outcome.progress.push_back(p);
        return static_cast<int>(outcome.progress.size()) - 1 == member.cancelAt;
    };
    events.diskFull = [] { return true; };
    std::optional<PkwareCipher> cipher;
    if (!member.password.empty()) cipher.emplace(std::string_view(member.password));
    ItemData item{kMethodDeflated, static_cast<std::int64_t>(data.size()), member.uncompressedSize,
                  cipher ? &*cipher : nullptr};
    item.trailerSum = member.trailerSum;
    Decoder decoder(source, output, item, events);
    outcome.ok = decoder.Run();
    outcome.written = decoder.BytesWritten();
    outcome.crc = decoder.Crc();
    outcome.output.assign(output.data_.Data().begin(), output.data_.Data().end());
    outcome.sourceEnd = source.Position();
    return outcome;
}

void ExpectSameOutcome(const Member& member) {
    const Outcome reference = Decode<ZlibItemDecoder>(member);
    const Outcome decoded = Decode<ItemDecoder>(member);
    EXPECT_EQ(decoded.ok, reference.ok);
    EXPECT_EQ(decoded.written, reference.written);
    EXPECT_EQ(decoded.crc, reference.crc);
    EXPECT_TRUE(decoded.output == reference.output) << "the bytes written differ";
    EXPECT_EQ(decoded.progress, reference.progress);
    EXPECT_EQ(decoded.sourceEnd, reference.sourceEnd);
}

enum Tail { kNone, kStray, kRightSum, kWrongSum, kRightSumAndMore, kNoise, kTails };
enum Damage { kIntact, kFlippedByte, kCut, kDamages };

// `strategy`: zlib's, or -1 for one by chance.
Member MakeMember(std::mt19937& random, std::size_t size, int kind, Tail tail, Damage damage, int strategy = -1) {
    static const int kLevels[] = {0, 1, 6, 9};
    static const int kStrategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    const Bytes plain = PlainData(random, size, kind);
    Member member;
    if (strategy < 0) strategy = kStrategies[random() % 5];
    member.data = RawDeflate(plain, 1 + static_cast<int>(random() % 9), 9 + static_cast<int>(random() % 7), strategy);
    if (random() % 4 == 0) member.data = RawDeflate(plain, kLevels[random() % 4], 15, strategy);
    Bytes trailer = AdlerTrailer(plain);
    if (tail == kWrongSum) trailer[random() % 4] ^= static_cast<std::uint8_t>(1u << (random() % 8));
    if (tail == kRightSum || tail == kWrongSum || tail == kRightSumAndMore)
        member.data.insert(member.data.end(), trailer.begin(), trailer.end());
    const unsigned more = tail == kStray ? 1 + random() % 3 : tail == kRightSumAndMore ? 4 : tail == kNoise ? 8 : 0;
    for (unsigned i = 0; i < more; ++i) member.data.push_back(static_cast<std::uint8_t>(random()));
    if (damage == kFlippedByte && !member.data.empty())
        member.data[random() % member.data.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
    if (damage == kCut && !member.data.empty()) member.data.resize(random() % member.data.size());
    // The declared size: the real one, a little less or more, or far less.
    const std::int64_t real = static_cast<std::int64_t>(plain.size());
    const std::int64_t declared[] = {real, real - 1, real + 5, real / 3};
    member.uncompressedSize = std::max<std::int64_t>(0, declared[random() % 4]);
    member.trailerSum = random() % 2 ? TrailerSum::kAlways : TrailerSum::kOnDemand;
    return member;
}

}  // namespace

TEST(ItemDecoderReference, MembersOfEveryKindAgree) {
    std::mt19937 random(2821);
    const std::size_t sizes[] = {0, 1, 7, 258, 3000, 32768, 40000, 70000, 300000};
    for (const std::size_t size : sizes) {
        for (int tail = kNone; tail < kTails; ++tail) {
            for (int damage = kIntact; damage < kDamages; ++damage) {
                for (int repeat = 0; repeat < 3; ++repeat) {
                    SCOPED_TRACE(::testing::Message() << "size " << size << " tail " << tail << " damage " << damage
                                                      << " repeat " << repeat);
                    ExpectSameOutcome(
                        MakeMember(random, size, -1, static_cast<Tail>(tail), static_cast<Damage>(damage)));
                }
            }
        }
    }
}

// Members whose data span several chunks (noise: deflate cannot shrink it),
// and members whose output spans several calls of a chunk (zeros and text).
TEST(ItemDecoderReference, MembersOfSeveralChunksAndCallsAgree) {
    std::mt19937 random(2822);
    for (int tail = kNone; tail < kTails; ++tail) {
        for (int damage = kIntact; damage < kDamages; ++damage) {
            SCOPED_TRACE(::testing::Message() << "tail " << tail << " damage " << damage);
            ExpectSameOutcome(MakeMember(random, kChunkSize + random() % (kChunkSize / 2), 1, static_cast<Tail>(tail),
                                         static_cast<Damage>(damage)));
            ExpectSameOutcome(MakeMember(random, 3 * kChunkSize + random() % 1000, 2 * (random() % 2),
                                         static_cast<Tail>(tail), static_cast<Damage>(damage)));
        }
    }
}

TEST(ItemDecoderReference, EncryptedMembersAgree) {
    std::mt19937 random(2823);
    for (int tail = kNone; tail < kTails; ++tail) {
        Member member = MakeMember(random, 5000 + random() % 50000, -1, static_cast<Tail>(tail), kIntact);
        member.password = "pw";
        SCOPED_TRACE(::testing::Message() << "tail " << tail);
        ExpectSameOutcome(member);
    }
}

// A cancel at one of the first progress events, or an output that fills up
// part way (the writes then given up): the rest of the chunk is dropped, and
// the next one decoded on, written no more, by both alike. Half the members
// are Huffman-coded small values, whose data span several chunks and whose
// output fills several calls of a chunk, so that a chunk is dropped part way
// through the data, in the middle of a symbol's bits.
TEST(ItemDecoderReference, CancelledAndGivenUpWritesAgree) {
    std::mt19937 random(2824);
    for (int i = 0; i < 48; ++i) {
        const bool longData = i % 4 < 2;
        const std::size_t size = longData ? 3 * kChunkSize + random() % kChunkSize : 2000 + random() % (3 * kChunkSize);
        Member member = MakeMember(random, size, longData ? 3 : -1, static_cast<Tail>(random() % kTails),
                                   random() % 3 == 0 ? kFlippedByte : kIntact, longData ? Z_HUFFMAN_ONLY : -1);
        if (i % 2 == 0) {
            member.cancelAt = static_cast<int>(random() % 5);
        } else {
            member.diskRoom = random() % (member.uncompressedSize + 1);
        }
        SCOPED_TRACE(::testing::Message() << "case " << i);
        ExpectSameOutcome(member);
    }
}
