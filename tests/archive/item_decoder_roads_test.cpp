// The two ways the item decoder takes the Adler-32 that a zlib trailer behind
// the deflate data is tested against (summed as decoded, or only once such a
// trailer has arrived) give the same results, byte for byte: over many
// generated members of every deflate window size, level and strategy, with
// stored blocks, trailers right and wrong, stray bytes, damaged and cut data,
// and declared sizes too small and too large.
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

using namespace archive;
using platform::MemoryStream;
using testing_support::PlainData;
using testing_support::RawDeflate;

namespace {

using Bytes = std::vector<std::uint8_t>;
using TrailerSum = ItemData::TrailerSum;

struct Outcome {
    bool ok = false;
    std::int64_t written = 0;
    std::uint32_t crc = 0;
    Bytes output;
    std::vector<std::int64_t> progress;
    std::int64_t sourceEnd = 0;  // where the source was left
};

struct Member {
    Bytes data;  // as the archive holds it, behind five other bytes
    std::uint16_t method = kMethodDeflated;
    std::int64_t uncompressedSize = 0;
    std::string password;  // PKWARE encryption of the data when not empty
};

Outcome Decode(const Member& member, TrailerSum trailerSum) {
    MemoryStream source;
    source.WriteBuffer("head:", 5);
    Bytes data = member.data;
    if (!member.password.empty()) PkwareCipher(std::string_view(member.password)).Encrypt(data);
    source.WriteBuffer(data.data(), data.size());
    source.SetPosition(5);
    MemoryStream output;
    Outcome outcome;
    DecoderEvents events;
    events.progress = [&](std::int64_t p) {
        outcome.progress.push_back(p);
        return false;
    };
    std::optional<PkwareCipher> cipher;
    if (!member.password.empty()) cipher.emplace(std::string_view(member.password));
    ItemData item{member.method, static_cast<std::int64_t>(data.size()), member.uncompressedSize,
                  cipher ? &*cipher : nullptr};
    item.trailerSum = trailerSum;
    ItemDecoder decoder(source, output, item, events);
    outcome.ok = decoder.Run();
    outcome.written = decoder.BytesWritten();
    outcome.crc = decoder.Crc();
    outcome.output.assign(output.Data().begin(), output.Data().end());
    outcome.sourceEnd = source.Position();
    return outcome;
}

void AppendBigEndian32(Bytes& data, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) data.push_back(static_cast<std::uint8_t>(value >> shift));
}

// What follows the deflate data, and how they are damaged.
enum Tail { kNone, kStray, kRightSum, kWrongSum, kRightSumAndMore, kNoise };
enum Damage { kIntact, kFlippedByte, kCut };

Member MakeMember(std::mt19937& random, std::size_t size, Tail tail, Damage damage, int kind = -1) {
    static const int kLevels[] = {0, 1, 6, 9};
    static const int kStrategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    const Bytes plain = PlainData(random, size, kind);
    Member member;
    member.data =
        RawDeflate(plain, kLevels[random() % 4], 9 + static_cast<int>(random() % 7), kStrategies[random() % 5]);
    const auto adler = static_cast<std::uint32_t>(adler32(1L, plain.data(), static_cast<uInt>(plain.size())));
    switch (tail) {
    case kNone:
        break;
    case kStray:
        for (unsigned i = 1 + random() % 3; i > 0; --i) member.data.push_back(static_cast<std::uint8_t>(random()));
        break;
    case kRightSum:
        AppendBigEndian32(member.data, adler);
        break;
    case kWrongSum:
        AppendBigEndian32(member.data, adler ^ (1u << (random() % 32)));
        break;
    case kRightSumAndMore:
        AppendBigEndian32(member.data, adler);
        AppendBigEndian32(member.data, static_cast<std::uint32_t>(random()));
        break;
    case kNoise:
        for (int i = 0; i < 8; ++i) member.data.push_back(static_cast<std::uint8_t>(random()));
        break;
    }
    if (damage == kFlippedByte && !member.data.empty()) {
        member.data[random() % member.data.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
    } else if (damage == kCut && !member.data.empty()) {
        member.data.resize(random() % member.data.size());
    }
    // The declared size: the real one, or a little less or more.
    const int declared = static_cast<int>(random() % 4);
    member.uncompressedSize = static_cast<std::int64_t>(plain.size()) + (declared == 1 ? -1 : declared == 2 ? 5 : 0);
    if (member.uncompressedSize < 0) member.uncompressedSize = 0;
    return member;
}

void ExpectSameOutcome(const Outcome& plain, const Outcome& onDemand) {
    EXPECT_EQ(onDemand.ok, plain.ok);
    EXPECT_EQ(onDemand.written, plain.written);
    EXPECT_EQ(onDemand.crc, plain.crc);
    EXPECT_TRUE(onDemand.output == plain.output) << "the bytes written differ";
    EXPECT_EQ(onDemand.progress, plain.progress);
    EXPECT_EQ(onDemand.sourceEnd, plain.sourceEnd);
}

}  // namespace

// Small and middle-sized members of every kind, tail and damage. The counts at
// the end make sure that the members exercised both outcomes of the trailer's
// test, not only members that never reach it.
TEST(ItemDecoderRoads, TrailerSumOnDemandGivesWhatSummingAsDecodedGives) {
    std::mt19937 random(2801);
    static const std::size_t kSizes[] = {0, 1, 7, 300, 3000, 40000, 70000, 300000};
    int trailerPassed = 0, trailerFailed = 0, cases = 0;
    for (const std::size_t size : kSizes) {
        for (int tail = kNone; tail <= kNoise; ++tail) {
            for (int damage = kIntact; damage <= kCut; ++damage) {
                for (int repeat = 0; repeat < 3; ++repeat) {
                    const Member member =
                        MakeMember(random, size, static_cast<Tail>(tail), static_cast<Damage>(damage));
                    SCOPED_TRACE(::testing::Message() << "size " << size << " tail " << tail << " damage " << damage
                                                      << " repeat " << repeat);
                    const Outcome plain = Decode(member, TrailerSum::kAlways);
                    ExpectSameOutcome(plain, Decode(member, TrailerSum::kOnDemand));
                    ++cases;
                    if (damage != kIntact || (tail != kRightSum && tail != kRightSumAndMore && tail != kWrongSum))
                        continue;
                    (plain.ok ? trailerPassed : trailerFailed)++;
                }
            }
        }
    }
    EXPECT_EQ(cases, 8 * 6 * 3 * 3);
    EXPECT_GT(trailerPassed, 20);
    EXPECT_GT(trailerFailed, 10);
}

// Members of several chunks of compressed data (noise, which deflate cannot
// shrink), whose trailers arrive a chunk after the start of the data, and
// whose cut or damage may fall in the later chunk.
TEST(ItemDecoderRoads, MembersOfSeveralChunks) {
    std::mt19937 random(2802);
    for (int tail = kNone; tail <= kNoise; ++tail) {
        for (int damage = kIntact; damage <= kCut; ++damage) {
            const std::size_t size = kChunkSize + random() % (kChunkSize / 2);
            const Member member =
                MakeMember(random, size, static_cast<Tail>(tail), static_cast<Damage>(damage), /*kind=*/1);
            if (damage != kCut) {
                ASSERT_GT(member.data.size(), kChunkSize) << "data of two chunks";
            }
            SCOPED_TRACE(::testing::Message() << "tail " << tail << " damage " << damage);
            ExpectSameOutcome(Decode(member, TrailerSum::kAlways), Decode(member, TrailerSum::kOnDemand));
        }
    }
}

// Encrypted members are summed as decoded whichever way is asked for (the
// cipher's state cannot be wound back): the results agree too.
TEST(ItemDecoderRoads, EncryptedMembersAgree) {
    std::mt19937 random(2803);
    for (int tail = kNone; tail <= kNoise; ++tail) {
        Member member = MakeMember(random, 5000 + random() % 5000, static_cast<Tail>(tail), kIntact);
        member.password = "pw";
        SCOPED_TRACE(::testing::Message() << "tail " << tail);
        ExpectSameOutcome(Decode(member, TrailerSum::kAlways), Decode(member, TrailerSum::kOnDemand));
    }
}

// A member whose data, read again in 64 KiB pieces for the trailer's test,
// use up a piece of input just as they fill a piece of output, with a block
// still to come: the pass goes on with the next piece and passes the right
// trailer, as summing as decoded does. A fixed-code block of X zeros (Y
// bytes), a stored block of L bytes, with Y + 5 + L = 65,536 input bytes and
// X + L = 131,072 output bytes, then an empty final block and the trailer.
TEST(ItemDecoderRoads, APieceOfInputAndOfOutputUsedUpTogether) {
    constexpr std::size_t kPiece = std::size_t{64} << 10;
    std::optional<Bytes> zeros;
    std::size_t zeroCount = 0;
    for (std::size_t x = kPiece; x < kPiece + 4096 && !zeros; ++x) {
        z_stream z{};
        deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_FIXED);
        const Bytes plain(x, 0);
        Bytes out(deflateBound(&z, static_cast<uLong>(x)) + 64);
        z.next_in = const_cast<Bytef*>(plain.data());
        z.avail_in = static_cast<uInt>(x);
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        deflate(&z, Z_SYNC_FLUSH);  // ends byte-aligned, with an empty stored block
        out.resize(z.total_out);
        deflateEnd(&z);
        if (x == kPiece + out.size() + 5) {
            zeros = std::move(out);
            zeroCount = x;
        }
    }
    ASSERT_TRUE(zeros.has_value());
    const std::size_t stored = kPiece - zeros->size() - 5;
    std::mt19937 random(2804);
    Bytes plain(zeroCount, 0);
    for (std::size_t i = 0; i < stored; ++i) plain.push_back(static_cast<std::uint8_t>(random()));
    Member member;
    member.data = *zeros;
    const Bytes storedHeader = {0x00, static_cast<std::uint8_t>(stored), static_cast<std::uint8_t>(stored >> 8),
                                static_cast<std::uint8_t>(~stored), static_cast<std::uint8_t>(~stored >> 8)};
    member.data.insert(member.data.end(), storedHeader.begin(), storedHeader.end());
    member.data.insert(member.data.end(), plain.end() - static_cast<std::ptrdiff_t>(stored), plain.end());
    ASSERT_EQ(member.data.size(), kPiece);
    ASSERT_EQ(plain.size(), 2 * kPiece);
    for (const std::uint8_t b : {0x01, 0x00, 0x00, 0xFF, 0xFF}) member.data.push_back(b);
    AppendBigEndian32(member.data,
                      static_cast<std::uint32_t>(adler32(1, plain.data(), static_cast<uInt>(plain.size()))));
    member.uncompressedSize = static_cast<std::int64_t>(plain.size());

    const Outcome asDecoded = Decode(member, TrailerSum::kAlways);
    ASSERT_TRUE(asDecoded.ok);
    EXPECT_EQ(asDecoded.output, plain);
    ExpectSameOutcome(asDecoded, Decode(member, TrailerSum::kOnDemand));
}
