// The signature search: every in-memory road (scalar, SSE2, AVX2, AVX-512,
// and the widest, which the scanner takes) held against a plain byte loop, on
// a table of edges and on many buffers crowded with near misses; and the
// scanner, which reads a stream in chunks, against the same loop over the
// whole stream. Buffers are sized exactly, so that the sanitizer build sees
// any read past the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "archive/signature_search.h"
#include "platform/stream.h"

using namespace archive;

namespace {

constexpr std::uint32_t kLocalValue = 0x04034B50;       // "PK\3\4"
constexpr std::uint32_t kDescriptorValue = 0x08074B50;  // "PK\7\8"
constexpr Signature kLocal = SignatureBytes(kLocalValue);
constexpr Signature kDescriptor = SignatureBytes(kDescriptorValue);

std::size_t ByteLoopFind(std::span<const std::uint8_t> bytes, std::size_t from, const Signature& s) {
    for (std::size_t i = from; i + 4 <= bytes.size(); ++i) {
        if (bytes[i] == s[0] && bytes[i + 1] == s[1] && bytes[i + 2] == s[2] && bytes[i + 3] == s[3]) return i;
    }
    return kSignatureNotFound;
}

using Road = std::size_t (*)(std::span<const std::uint8_t>, std::size_t, const Signature&) noexcept;
struct NamedRoad {
    const char* name;
    Road road;
};
constexpr NamedRoad kRoads[] = {{"scalar", signature_roads::Scalar},
                                {"sse2", signature_roads::Sse2},
                                {"avx2", signature_roads::Avx2},
                                {"avx512", signature_roads::Avx512},
                                {"widest", signature_roads::Widest}};

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(SignatureSearch, EdgesOnEveryRoad) {
    const std::string pk = "PK\x03\x04";
    const std::string filler(200, 'x');
    const struct {
        const char* label;
        std::string text;
        std::size_t from;
        std::size_t expected;
    } rows[] = {
        {"empty", "", 0, kSignatureNotFound},
        {"shorter than a signature", "PK\x03", 0, kSignatureNotFound},
        {"exactly a signature", pk, 0, 0},
        {"at the last start", filler + pk, 0, 200},
        {"cut at the end", filler + "PK\x03", 0, kSignatureNotFound},
        {"from past the end", filler + pk, 500, kSignatureNotFound},
        {"from just behind a match", pk + filler + pk, 1, 204},
        {"first pair only, many times", std::string(100, 'P') + "PKPKPK\x03\x05" + filler, 0, kSignatureNotFound},
        {"first three only, then the whole", filler + "PK\x03\x03" + "PK\x03\x04", 0, 204},
        {"overlapping starts", filler + "PPK\x03\x04", 0, 201},
        {"one block in", std::string(63, 'x') + pk + filler, 0, 63},
        {"across a 128-byte step", std::string(126, 'x') + pk + filler, 0, 126},
    };
    for (const auto& road : kRoads) {
        for (const auto& row : rows) {
            const std::vector<std::uint8_t> bytes = Bytes(row.text);
            EXPECT_EQ(road.road(bytes, row.from, kLocal), row.expected) << road.name << ": " << row.label;
        }
    }
}

// Buffers of every length up to a few wide steps, made mostly of the
// signatures' own bytes so that candidates and near misses are everywhere,
// searched from every start.
TEST(SignatureSearch, EveryRoadAgreesWithAByteLoop) {
    std::mt19937 rng(29);
    const std::uint8_t alphabet[] = {'P', 'K', 3, 4, 7, 8, 0, 0xFF};
    std::uniform_int_distribution<int> pick(0, 7);
    std::uniform_int_distribution<int> any(0, 255);
    int found = 0;
    for (std::size_t length = 0; length <= 420; ++length) {
        for (int round = 0; round < 3; ++round) {
            std::vector<std::uint8_t> bytes(length);
            for (auto& b : bytes) b = round == 2 ? static_cast<std::uint8_t>(any(rng)) : alphabet[pick(rng)];
            if (round == 2 && length >= 4) {
                const std::size_t at = static_cast<std::size_t>(rng()) % (length - 3);
                std::copy(kDescriptor.begin(), kDescriptor.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
            }
            for (const Signature& signature : {kLocal, kDescriptor}) {
                for (std::size_t from = 0; from <= length + 1; from += 1 + length / 40) {
                    const std::size_t expected = ByteLoopFind(bytes, from, signature);
                    found += expected != kSignatureNotFound;
                    for (const auto& road : kRoads) {
                        ASSERT_EQ(road.road(bytes, from, signature), expected)
                            << road.name << ", length " << length << ", from " << from;
                    }
                }
            }
        }
    }
    EXPECT_GT(found, 1000) << "the buffers hold matches as well as misses";
}

// A stream thick with the signatures' bytes, with matches planted on both
// sides of every chunk border, searched by one scanner from random starts in
// any order (so that it searches its kept chunk as well as new ones) and by a
// fresh scanner each time, for the stub detection's chunk size and the
// smallest a scanner takes. Reads at random positions give the stream's bytes.
TEST(SignatureScanner, AgreesWithAByteLoopOverTheWholeStream) {
    std::mt19937 rng(31);
    std::vector<std::uint8_t> bytes(45000);
    const std::uint8_t alphabet[] = {'P', 'K', 3, 4, 7, 8, 'x'};
    for (auto& b : bytes) b = alphabet[rng() % std::size(alphabet)];
    for (std::size_t border = 4096; border + 8 < bytes.size(); border += 4096) {
        const std::size_t at = border - 3 + rng() % 7;
        std::copy(kLocal.begin(), kLocal.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    }
    platform::MemoryStream stream;
    stream.WriteBuffer(bytes.data(), bytes.size());
    for (const std::size_t chunk : {std::size_t{10000}, std::size_t{0}}) {
        SCOPED_TRACE("chunk " + std::to_string(chunk));
        SignatureScanner kept(stream, chunk);
        EXPECT_EQ(kept.StreamSize(), static_cast<std::int64_t>(bytes.size()));
        for (int round = 0; round < 400; ++round) {
            const std::size_t from = rng() % (bytes.size() + 8);
            const std::uint32_t value = round % 3 == 0 ? kDescriptorValue : kLocalValue;
            const std::size_t at = ByteLoopFind(bytes, from, SignatureBytes(value));
            const std::int64_t expected = at == kSignatureNotFound ? -1 : static_cast<std::int64_t>(at);
            ASSERT_EQ(kept.Find(static_cast<std::int64_t>(from), value), expected) << "from " << from;
            SignatureScanner fresh(stream, chunk);
            ASSERT_EQ(fresh.Find(static_cast<std::int64_t>(from), value), expected) << "from " << from;

            std::vector<std::uint8_t> piece(rng() % 64);
            const std::size_t readAt = rng() % bytes.size();
            const bool inside = readAt + piece.size() <= bytes.size();
            ASSERT_EQ(kept.ReadAt(static_cast<std::int64_t>(readAt), piece), inside);
            if (!inside) continue;
            ASSERT_TRUE(std::equal(piece.begin(), piece.end(), bytes.begin() + static_cast<std::ptrdiff_t>(readAt)));
        }
        EXPECT_EQ(kept.Find(-5, kLocalValue), kept.Find(0, kLocalValue)) << "a negative start searches from 0";
    }
}

TEST(SignatureScanner, StreamsTooShortForASignature) {
    for (const std::string text : {"", "P", "PK\x03"}) {
        platform::MemoryStream stream;
        stream.WriteBuffer(text.data(), text.size());
        SignatureScanner scanner(stream, 10000);
        EXPECT_EQ(scanner.Find(0, kLocalValue), -1) << text.size();
        std::uint8_t one = 0;
        EXPECT_EQ(scanner.ReadAt(0, {&one, 1}), !text.empty());
    }
}

}  // namespace
