// The reader's deflate decoder against zlib's inflate, driven alike (see
// tests/support/deflate_roads.h): the same output call by call, the same
// outcome, the same trailer, over data zlib made with every level, strategy and
// window size, data of many sizes around the decoder's limits, data cut into
// pieces anywhere, damaged, cut short and random data, and hand-made blocks of
// each kind of fault zlib rejects (or lets pass) in its own way.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "tests/support/deflate_roads.h"

using namespace testing_support;
using Outcome = DecodeTrace::Outcome;

namespace {

// Runs both roads and compares them; returns the reference's trace.
DecodeTrace ExpectSameTrace(std::span<const std::uint8_t> data, std::size_t room, std::vector<std::size_t> cuts = {}) {
    const DecodeRun run{data, std::move(cuts), room};
    const DecodeTrace reference = TraceZlib(run);
    const DecodeTrace decoder = TraceDecoder(run);
    EXPECT_TRUE(decoder == reference) << "room " << room << ", " << run.cuts.size() + 1
                                      << " pieces: " << decoder.DifferenceFrom(reference);
    return reference;
}

// ---- Hand-made blocks -----------------------------------------------------

// Writes deflate's bit stream: values lowest bit first, Huffman codes highest bit first.
class BitWriter {
public:
    BitWriter& Bits(std::uint32_t value, unsigned count) {
        for (unsigned i = 0; i < count; ++i) Put((value >> i) & 1);
        return *this;
    }
    BitWriter& Code(std::uint32_t code, unsigned length) {
        for (unsigned i = length; i-- > 0;) Put((code >> i) & 1);
        return *this;
    }
    BitWriter& AlignAndBytes(const Bytes& bytes) {
        while (used_ != 0) Put(0);
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Bytes Finish() const { return bytes_; }

private:
    void Put(std::uint32_t bit) {
        if (used_ == 0) bytes_.push_back(0);
        bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | bit << used_);
        used_ = (used_ + 1) % 8;
    }
    Bytes bytes_;
    unsigned used_ = 0;
};

// The canonical codes of a set of lengths (RFC 1951 3.2.2).
std::vector<std::uint32_t> CanonicalCodes(const std::vector<std::uint8_t>& lengths) {
    unsigned count[16] = {};
    for (const auto length : lengths) ++count[length];
    count[0] = 0;
    std::uint32_t next[16] = {}, code = 0;
    for (unsigned bits = 1; bits < 16; ++bits) next[bits] = code = (code + count[bits - 1]) << 1;
    std::vector<std::uint32_t> codes(lengths.size());
    for (std::size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s] != 0) codes[s] = next[lengths[s]]++;
    return codes;
}

// A complete code length code: symbols 0-12 of 4 bits, 13-18 of 5.
const std::vector<std::uint8_t> kCodeLengthLengths = {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 5, 5, 5};
constexpr unsigned kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// A dynamic block header: the given code length code, then the code lengths,
// each written as a code length symbol (with its extra bits where `repeats` says).
struct DynamicHeader {
    unsigned literalCodes = 257, distanceCodes = 1;
    std::vector<std::uint8_t> codeLengthLengths = kCodeLengthLengths;
    // Code length symbols and their extra bits, written as they are.
    std::vector<std::pair<unsigned, unsigned>> symbols;

    void Write(BitWriter& w, bool final) const {
        w.Bits(final ? 1 : 0, 1).Bits(2, 2);
        w.Bits(literalCodes - 257, 5).Bits(distanceCodes - 1, 5).Bits(15, 4);
        for (const unsigned s : kCodeLengthOrder) w.Bits(codeLengthLengths[s], 3);
        const auto codes = CanonicalCodes(codeLengthLengths);
        for (const auto& [symbol, extra] : symbols) {
            w.Code(codes[symbol], codeLengthLengths[symbol]);
            if (symbol >= 16) w.Bits(extra, symbol == 16 ? 2 : symbol == 17 ? 3 : 7);
        }
    }
};

// The header whose code lengths are `literal` and `distance`, one symbol each.
DynamicHeader HeaderOf(const std::vector<std::uint8_t>& literal, const std::vector<std::uint8_t>& distance) {
    DynamicHeader header;
    header.literalCodes = static_cast<unsigned>(literal.size());
    header.distanceCodes = static_cast<unsigned>(distance.size());
    for (const auto length : literal) header.symbols.emplace_back(length, 0);
    for (const auto length : distance) header.symbols.emplace_back(length, 0);
    return header;
}

std::vector<std::uint8_t> Lengths(std::size_t n, std::initializer_list<std::pair<unsigned, std::uint8_t>> set) {
    std::vector<std::uint8_t> lengths(n, 0);
    for (const auto& [symbol, length] : set) lengths[symbol] = length;
    return lengths;
}

// Fixed code (RFC 1951 3.2.6) of a literal/length symbol.
void FixedSymbol(BitWriter& w, unsigned symbol) {
    if (symbol < 144)
        w.Code(0x30 + symbol, 8);
    else if (symbol < 256)
        w.Code(0x190 + symbol - 144, 9);
    else if (symbol < 280)
        w.Code(symbol - 256, 7);
    else
        w.Code(0xC0 + symbol - 280, 8);
}

// A final fixed block: literals, one match (length symbol and extra bits,
// distance symbol and extra bits), the end-of-block code.
struct Match {
    unsigned lengthSymbol = 257, lengthExtra = 0, lengthExtraBits = 0;
    unsigned distanceSymbol = 0, distanceExtra = 0, distanceExtraBits = 0;
};

Bytes FixedBlock(const std::vector<unsigned>& literals, const Match& m) {
    BitWriter w;
    w.Bits(1, 1).Bits(1, 2);
    for (const unsigned literal : literals) FixedSymbol(w, literal);
    FixedSymbol(w, m.lengthSymbol);
    w.Bits(m.lengthExtra, m.lengthExtraBits);
    w.Code(m.distanceSymbol, 5).Bits(m.distanceExtra, m.distanceExtraBits);
    FixedSymbol(w, 256);
    return w.Finish();
}

// A final dynamic block of literal/length lengths `literal` and distance
// lengths `distance`, then the given literal/length and distance codes as they
// are, then `rawBits` bits of `raw`.
Bytes DynamicBlock(const std::vector<std::uint8_t>& literal, const std::vector<std::uint8_t>& distance,
                   const std::vector<std::pair<bool, unsigned>>& body, std::uint32_t raw = 0, unsigned rawBits = 0) {
    BitWriter w;
    HeaderOf(literal, distance).Write(w, true);
    const auto literalCodes = CanonicalCodes(literal), distanceCodes = CanonicalCodes(distance);
    for (const auto& [isDistance, symbol] : body) {
        if (isDistance)
            w.Code(distanceCodes[symbol], distance[symbol]);
        else
            w.Code(literalCodes[symbol], literal[symbol]);
    }
    w.Bits(raw, rawBits);
    return w.Finish();
}

Bytes StoredBlock(const Bytes& content, std::uint16_t complementFlip) {
    BitWriter w;
    w.Bits(1, 1).Bits(0, 2);
    const auto length = static_cast<std::uint16_t>(content.size());
    const auto complement = static_cast<std::uint16_t>(~length ^ complementFlip);
    return w
        .AlignAndBytes({static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                        static_cast<std::uint8_t>(complement), static_cast<std::uint8_t>(complement >> 8)})
        .AlignAndBytes(content)
        .Finish();
}

Bytes WithTrailer(Bytes data, const Bytes& plain) {
    const Bytes trailer = AdlerTrailer(plain);
    data.insert(data.end(), trailer.begin(), trailer.end());
    return data;
}

struct HandMade {
    const char* name;
    Bytes data;
    Outcome reference;  // what zlib makes of the whole data
};

std::vector<HandMade> HandMadeCases() {
    const auto litEob = [](std::initializer_list<std::pair<unsigned, std::uint8_t>> more) {
        return Lengths(257, more);
    };
    const Bytes a = {'a'};
    std::vector<HandMade> cases = {
        {"block type 3", BitWriter().Bits(1, 1).Bits(3, 2).Bits(0, 13).Finish(), Outcome::kFailed},
        {"stored block", WithTrailer(StoredBlock({'x', 'y', 'z'}, 0), {'x', 'y', 'z'}), Outcome::kEnded},
        {"stored block, complement wrong", StoredBlock({'x'}, 0x0100), Outcome::kFailed},
        {"empty stored block and trailer", WithTrailer(StoredBlock({}, 0), {}), Outcome::kEnded},
        {"fixed: match at distance 1", WithTrailer(FixedBlock({'a'}, {}), {'a', 'a', 'a', 'a'}), Outcome::kEnded},
        {"fixed: distance 2 after one byte", FixedBlock({'a'}, {.distanceSymbol = 1}), Outcome::kFailed},
        {"fixed: distance 5, a byte too far",
         FixedBlock({'a', 'b', 'c', 'd'}, {.distanceSymbol = 4, .distanceExtra = 0, .distanceExtraBits = 1}),
         Outcome::kFailed},
        {"fixed: distance 4 after four bytes",
         WithTrailer(FixedBlock({'a', 'b', 'c', 'd'}, {.distanceSymbol = 3}), {'a', 'b', 'c', 'd', 'a', 'b', 'c'}),
         Outcome::kEnded},
        {"fixed: symbol 286", FixedBlock({'a'}, {.lengthSymbol = 286}), Outcome::kFailed},
        {"fixed: symbol 287", FixedBlock({'a'}, {.lengthSymbol = 287}), Outcome::kFailed},
        {"fixed: distance code 30", FixedBlock({'a'}, {.distanceSymbol = 30}), Outcome::kFailed},
        {"fixed: distance code 31", FixedBlock({'a'}, {.distanceSymbol = 31}), Outcome::kFailed},
        {"fixed: length 258 as 284 with all extra bits set",
         WithTrailer(FixedBlock({'a', 'b'}, {.lengthSymbol = 284, .lengthExtra = 31, .lengthExtraBits = 5}),
                     [] {
                         Bytes plain = {'a', 'b'};
                         plain.resize(260, 'b');
                         return plain;
                     }()),
         Outcome::kEnded},
        {"dynamic: lone end-of-block code of one bit",
         WithTrailer(DynamicBlock(litEob({{256, 1}}), {1}, {{false, 256}}), {}), Outcome::kEnded},
        {"dynamic: lone one-bit code, its missing code met", DynamicBlock(litEob({{256, 1}}), {1}, {}, 1, 1),
         Outcome::kFailed},
        {"dynamic: lone one-bit distance code, its missing code met",
         DynamicBlock(Lengths(258, {{'a', 2}, {256, 2}, {257, 1}}), {1}, {{false, 'a'}, {false, 257}}, 1, 1),
         Outcome::kFailed},
        {"dynamic: over-subscribed literal/length code", DynamicBlock(litEob({{'a', 1}, {'b', 1}, {256, 1}}), {1}, {}),
         Outcome::kFailed},
        {"dynamic: incomplete literal/length code of two bits", DynamicBlock(litEob({{'a', 2}, {256, 2}}), {1}, {}),
         Outcome::kFailed},
        {"dynamic: no distance code, literals only",
         WithTrailer(DynamicBlock(litEob({{'a', 1}, {256, 1}}), {0}, {{false, 'a'}, {false, 256}}), a),
         Outcome::kEnded},
        {"dynamic: no distance code, a length met",
         DynamicBlock(Lengths(258, {{'a', 2}, {256, 2}, {257, 1}}), {0}, {{false, 'a'}, {false, 257}, {true, 0}}),
         Outcome::kFailed},
        {"dynamic: lone distance code of one bit, used",
         WithTrailer(DynamicBlock(Lengths(258, {{'a', 2}, {256, 2}, {257, 1}}), {1},
                                  {{false, 'a'}, {false, 257}, {true, 0}, {false, 256}}),
                     {'a', 'a', 'a', 'a'}),
         Outcome::kEnded},
        {"dynamic: incomplete distance code of two bits", DynamicBlock(litEob({{'a', 1}, {256, 1}}), {2, 2}, {}),
         Outcome::kFailed},
        {"dynamic: no end-of-block code", DynamicBlock(Lengths(257, {{'a', 1}, {'b', 1}}), {1}, {}), Outcome::kFailed},
    };

    // Header counts past the alphabets.
    for (const auto& [literalCodes, distanceCodes, name] :
         {std::tuple{287u, 1u, "dynamic: 287 literal/length codes"}, std::tuple{288u, 1u, "dynamic: 288 codes"},
          std::tuple{257u, 31u, "dynamic: 31 distance codes"}, std::tuple{257u, 32u, "dynamic: 32 distance codes"}}) {
        BitWriter w;
        w.Bits(1, 1).Bits(2, 2).Bits(literalCodes - 257, 5).Bits(distanceCodes - 1, 5).Bits(0, 4);
        w.Bits(0, 12);
        cases.push_back({name, w.Finish(), Outcome::kFailed});
    }
    // Code length codes: incomplete (one code of one bit), over-subscribed, and empty.
    {
        DynamicHeader header = HeaderOf(litEob({{256, 1}}), {1});
        header.codeLengthLengths = Lengths(19, {{1, 1}});
        header.symbols = {{1, 0}};
        BitWriter w;
        header.Write(w, true);
        cases.push_back({"dynamic: incomplete code length code", w.Finish(), Outcome::kFailed});
        header.codeLengthLengths = Lengths(19, {{0, 1}, {1, 1}, {2, 1}});
        BitWriter over;
        header.Write(over, true);
        cases.push_back({"dynamic: over-subscribed code length code", over.Finish(), Outcome::kFailed});
        header.codeLengthLengths = Lengths(19, {});
        header.symbols = {};
        BitWriter empty;
        header.Write(empty, true);
        empty.Bits(0, 32).Bits(0, 32).Bits(0, 32).Bits(0, 32).Bits(0, 32).Bits(0, 32).Bits(0, 32).Bits(0, 32).Bits(0,
                                                                                                                   8);
        cases.push_back(
            {"dynamic: empty code length code, 258 bits of zero lengths", empty.Finish(), Outcome::kFailed});
        BitWriter emptyCut;
        header.Write(emptyCut, true);
        emptyCut.Bits(0, 32).Bits(0, 32);
        cases.push_back({"dynamic: empty code length code, cut short", emptyCut.Finish(), Outcome::kRanOut});
    }
    // Repeats: 16 first, a repeat past the last length, and zeros running into the distance lengths.
    {
        DynamicHeader header = HeaderOf(litEob({{256, 1}}), {1});
        header.symbols.insert(header.symbols.begin(), {16, 0});
        BitWriter w;
        header.Write(w, true);
        cases.push_back({"dynamic: repeat of the previous length first", w.Finish(), Outcome::kFailed});

        DynamicHeader past;
        past.literalCodes = 257;
        past.distanceCodes = 1;
        past.symbols = {{18, 127}, {18, 127}, {18, 0}};  // 138 + 138 + 11 > 258
        BitWriter p;
        past.Write(p, true);
        cases.push_back({"dynamic: repeat past the last length", p.Finish(), Outcome::kFailed});

        // Lengths: 0-96 zero, 'a' 1, 98-255 zero, 256 1, then 257 and the first
        // two distance codes zero in one run, the third distance code 1.
        DynamicHeader across;
        across.literalCodes = 258;
        across.distanceCodes = 3;
        across.symbols = {{18, 86}, {1, 0}, {18, 127}, {18, 9}, {1, 0}, {17, 0}, {1, 0}};
        BitWriter c;
        across.Write(c, true);
        c.Code(0, 1).Code(1, 1);  // 'a', end of block
        cases.push_back(
            {"dynamic: zeros repeated across into the distance lengths", WithTrailer(c.Finish(), a), Outcome::kEnded});
    }
    return cases;
}

}  // namespace

// Every hand-made case gives zlib's outcome (checked first, so that each case
// is known to exercise what it is named after), whole and cut into two pieces
// at every byte, with room for one byte per call and for plenty.
TEST(DeflateDecoder, HandMadeBlocksAgreeWithZlib) {
    for (const HandMade& c : HandMadeCases()) {
        SCOPED_TRACE(c.name);
        for (const std::size_t room : {std::size_t{1}, std::size_t{2}, std::size_t{300}, std::size_t{1} << 16}) {
            const DecodeTrace whole = ExpectSameTrace(c.data, room);
            EXPECT_EQ(whole.outcome, c.reference);
            if (whole.outcome == Outcome::kEnded) {
                // The trailer written behind the data is the sum of the output the case meant.
                const Bytes sum = AdlerTrailer(whole.output);
                EXPECT_EQ(whole.trailer, std::uint32_t{sum[0]} << 24 | sum[1] << 16 | sum[2] << 8 | sum[3]);
            }
            for (std::size_t cut = 1; cut < c.data.size(); ++cut) ExpectSameTrace(c.data, room, {cut});
            // And every prefix: the data cut short anywhere.
            for (std::size_t size = 0; size < c.data.size(); ++size)
                ExpectSameTrace(std::span(c.data).first(size), room);
        }
    }
}

namespace {

const int kLevels[] = {0, 1, 6, 9};
const int kStrategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};

// Rooms around the decoder's thresholds (one byte, the fast loop's need of
// 258 + 32) and the item decoder's usual ones.
std::size_t PickRoom(std::mt19937& random, std::size_t plainSize) {
    const std::size_t rooms[] = {1, 2, 257, 289, 290, 291, 4096, plainSize + 1, std::size_t{1} << 20};
    std::size_t room = rooms[random() % std::size(rooms)];
    if (room < 64 && plainSize > 20000) room = 4096;  // keep the number of calls sane
    return room;
}

// No cut, a few random cuts, or pieces of one to three bytes.
std::vector<std::size_t> PickCuts(std::mt19937& random, std::size_t dataSize) {
    std::vector<std::size_t> cuts;
    if (dataSize < 2) return cuts;
    switch (random() % 3) {
    case 0:
        break;
    case 1:
        for (unsigned i = random() % 5; i > 0; --i) cuts.push_back(1 + random() % (dataSize - 1));
        break;
    default:
        if (dataSize > 4000) break;
        for (std::size_t at = 1 + random() % 3; at < dataSize; at += 1 + random() % 3) cuts.push_back(at);
    }
    std::sort(cuts.begin(), cuts.end());
    return cuts;
}

Bytes MadeByZlib(std::mt19937& random, std::size_t size, Bytes& plain) {
    plain = PlainData(random, size, -1);
    return RawDeflate(plain, kLevels[random() % 4], 9 + static_cast<int>(random() % 7), kStrategies[random() % 5]);
}

}  // namespace

// Sizes around the history (32 KiB), the longest match and the rooms, every
// level and strategy: the output is zlib's input, and both roads give it alike.
TEST(DeflateDecoder, DataMadeByZlibAgree) {
    std::mt19937 random(2811);
    const std::size_t sizes[] = {0,     1,     2,     3,     100,   257,   258,   259,    1000,   32767,
                                 32768, 32769, 33000, 65535, 65536, 65537, 99999, 300000, 1100000};
    int ended = 0, cases = 0;
    for (const std::size_t size : sizes) {
        for (const int level : kLevels) {
            for (const int strategy : kStrategies) {
                const Bytes plain = PlainData(random, size, -1);
                Bytes data = RawDeflate(plain, level, 9 + static_cast<int>(random() % 7), strategy);
                if (random() % 2 == 0) {
                    const Bytes trailer = AdlerTrailer(plain);
                    data.insert(data.end(), trailer.begin(), trailer.end());
                }
                SCOPED_TRACE(::testing::Message() << "size " << size << " level " << level << " strategy " << strategy);
                for (int i = 0; i < 2; ++i) {
                    const DecodeTrace trace =
                        ExpectSameTrace(data, PickRoom(random, size), PickCuts(random, data.size()));
                    ++cases;
                    if (trace.outcome == Outcome::kEnded) ++ended;
                    if (trace.outcome != Outcome::kFailed) {
                        EXPECT_TRUE(trace.output == plain) << "the reference gives zlib's input back";
                    }
                }
            }
        }
    }
    EXPECT_GT(ended, cases / 3);
}

// Small data cut into two pieces at every byte, with a room of one byte and one
// just under the fast loop's need.
TEST(DeflateDecoder, EverySplitOfSmallData) {
    std::mt19937 random(2812);
    for (int i = 0; i < 24; ++i) {
        Bytes plain;
        Bytes data = MadeByZlib(random, 200 + random() % 1500, plain);
        const Bytes trailer = AdlerTrailer(plain);
        data.insert(data.end(), trailer.begin(), trailer.end());
        SCOPED_TRACE(::testing::Message() << "data " << i << ", " << data.size() << " bytes");
        for (const std::size_t room : {std::size_t{1}, std::size_t{289}, std::size_t{1} << 16}) {
            for (std::size_t cut = 1; cut < data.size(); ++cut) ExpectSameTrace(data, room, {cut});
        }
    }
}

// Pieces whose rest is dropped after a call that used all its room: the
// decoders go on with the next piece from what each had taken of the input,
// which must be what zlib had taken, down to the bits of a symbol begun.
TEST(DeflateDecoder, DroppedRestsOfPiecesAgree) {
    std::mt19937 random(2815);
    int dropped = 0;
    for (int i = 0; i < 400; ++i) {
        Bytes plain;
        const Bytes data = MadeByZlib(random, 1000 + random() % 200000, plain);
        std::vector<std::size_t> cuts;
        for (std::size_t at = random() % 5000; at < data.size(); at += 1 + random() % 5000) cuts.push_back(at);
        DecodeRun run{data, cuts, 1 + random() % 3000};
        run.dropRestWhenFull = true;
        const DecodeTrace reference = TraceZlib(run);
        const DecodeTrace decoder = TraceDecoder(run);
        EXPECT_TRUE(decoder == reference) << "case " << i << ": " << decoder.DifferenceFrom(reference);
        if (reference.output.size() < plain.size()) ++dropped;
    }
    EXPECT_GT(dropped, 100);
}

// zlib's data with bits flipped, cut short, or with bytes behind them.
TEST(DeflateDecoder, DamagedDataAgree) {
    std::mt19937 random(2813);
    int outcomes[3] = {};
    for (int i = 0; i < 1500; ++i) {
        Bytes plain;
        Bytes data = MadeByZlib(random, random() % 3 == 0 ? random() % 100000 : random() % 3000, plain);
        switch (random() % 4) {
        case 0:
            for (unsigned flips = 1 + random() % 3; flips > 0 && !data.empty(); --flips)
                data[random() % data.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
            break;
        case 1:
            data.resize(data.empty() ? 0 : random() % data.size());
            break;
        case 2: {
            const Bytes trailer = AdlerTrailer(plain);
            data.insert(data.end(), trailer.begin(), trailer.begin() + random() % 5);
            for (unsigned more = random() % 6; more > 0; --more) data.push_back(static_cast<std::uint8_t>(random()));
            break;
        }
        default:
            if (!data.empty())
                data[random() % std::min<std::size_t>(data.size(), 40)] = static_cast<std::uint8_t>(random());
        }
        SCOPED_TRACE(::testing::Message() << "case " << i);
        ++outcomes[static_cast<int>(
            ExpectSameTrace(data, PickRoom(random, plain.size()), PickCuts(random, data.size())).outcome)];
    }
    // Each outcome came up many times: the damage reached every road.
    for (const int count : outcomes) EXPECT_GT(count, 100);
}

// Random bytes, their first three bits set to each block type in turn.
TEST(DeflateDecoder, RandomBytesAgree) {
    std::mt19937 random(2814);
    for (int i = 0; i < 20000; ++i) {
        Bytes data(1 + random() % 300);
        for (auto& b : data) b = static_cast<std::uint8_t>(random());
        data[0] = static_cast<std::uint8_t>((data[0] & ~7u) | (i % 8));
        SCOPED_TRACE(::testing::Message() << "case " << i);
        ExpectSameTrace(data, PickRoom(random, 1000), PickCuts(random, data.size()));
    }
}
