#include "archive/huffman_table.h"

#include <algorithm>

namespace archive::huffman {
namespace {

// RFC 1951 3.2.5: bases and extra bits of the length symbols 257-285 and the distance symbols 0-29.
constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                             33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                             1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr unsigned kEndOfBlockSymbol = 256;
constexpr unsigned kFirstLengthSymbol = 257;

constexpr Entry MakeEntry(unsigned totalBits, unsigned codeBits, Entry kind, unsigned value) {
    return totalBits | codeBits << 8 | kind | value << 16;
}

// What a symbol of the alphabet means, as an entry for its code of `length` bits.
Entry SymbolEntry(Alphabet alphabet, unsigned symbol, unsigned length) {
    switch (alphabet) {
    case Alphabet::kCodeLengths:
        return MakeEntry(length, length, 0, symbol);
    case Alphabet::kLiteralLength:
        if (symbol < kEndOfBlockSymbol) return MakeEntry(length, length, kLiteral, symbol);
        if (symbol == kEndOfBlockSymbol) return MakeEntry(length, length, kEndOfBlock, 0);
        if (symbol - kFirstLengthSymbol < std::size(kLengthBase)) {
            const unsigned i = symbol - kFirstLengthSymbol;
            return MakeEntry(length + kLengthExtra[i], length, 0, kLengthBase[i]);
        }
        return MakeEntry(length, length, kInvalid, 0);
    case Alphabet::kDistance:
        if (symbol < std::size(kDistanceBase))
            return MakeEntry(length + kDistanceExtra[symbol], length, 0, kDistanceBase[symbol]);
        return MakeEntry(length, length, kInvalid, 0);
    }
    return MakeEntry(length, length, kInvalid, 0);
}

unsigned PrimaryBits(Alphabet alphabet) {
    switch (alphabet) {
    case Alphabet::kCodeLengths:
        return kCodeLengthPrimaryBits;
    case Alphabet::kLiteralLength:
        return kLiteralLengthPrimaryBits;
    case Alphabet::kDistance:
        return kDistancePrimaryBits;
    }
    return kCodeLengthPrimaryBits;
}

unsigned Reversed(unsigned code, unsigned length) {
    unsigned reversed = 0;
    for (unsigned i = 0; i < length; ++i, code >>= 1) reversed = reversed << 1 | (code & 1);
    return reversed;
}

// The reference's test of a set of lengths. An incomplete set passes only as a
// single code of length one (or no code at all) of the literal/length and
// distance codes; decoding its missing code then fails.
bool Acceptable(Alphabet alphabet, const std::array<unsigned, kMaxCodeBits + 1>& count) {
    unsigned longest = kMaxCodeBits;
    while (longest > 0 && count[longest] == 0) --longest;
    if (longest == 0) return true;
    int left = 1;
    for (unsigned length = 1; length <= kMaxCodeBits; ++length) {
        left = 2 * left - static_cast<int>(count[length]);
        if (left < 0) return false;  // over-subscribed
    }
    return left == 0 || (alphabet != Alphabet::kCodeLengths && longest == 1);
}

// Fills `entries` (primary table then subtables) from lengths already accepted.
// The entries no code reaches (only in the accepted incomplete sets, which
// have no subtables) stay invalid entries of one bit, as the reference's
// tables have them. Every subtable entry of a complete set is written.
template <unsigned Entries>
void Fill(Alphabet alphabet, std::span<const std::uint8_t> lengths, const std::array<unsigned, kMaxCodeBits + 1>& count,
          Table<Entries>& table) {
    const unsigned primary = PrimaryBits(alphabet);
    table.primaryBits = primary;
    std::fill_n(table.entries.begin(), 1u << primary, MakeEntry(1, 1, kInvalid, 0));

    std::array<unsigned, kMaxCodeBits + 2> nextCode{};
    for (unsigned length = 1; length <= kMaxCodeBits; ++length)
        nextCode[length + 1] = (nextCode[length] + count[length]) << 1;

    // The longest code behind each primary index, to size the subtables.
    std::array<std::uint8_t, 1u << kLiteralLengthPrimaryBits> longestBehind{};
    std::array<unsigned, kMaxCodeBits + 2> codes = nextCode;
    for (unsigned symbol = 0; symbol < lengths.size(); ++symbol) {
        const unsigned length = lengths[symbol];
        if (length <= primary) continue;
        const unsigned prefix = Reversed(codes[length]++, length) & ((1u << primary) - 1);
        longestBehind[prefix] = std::max<std::uint8_t>(longestBehind[prefix], static_cast<std::uint8_t>(length));
    }

    unsigned nextSubtable = 1u << primary;
    codes = nextCode;
    for (unsigned symbol = 0; symbol < lengths.size(); ++symbol) {
        const unsigned length = lengths[symbol];
        if (length == 0) continue;
        const unsigned code = Reversed(codes[length]++, length);
        const Entry entry = SymbolEntry(alphabet, symbol, length);
        if (length <= primary) {
            for (unsigned i = code; i < (1u << primary); i += 1u << length) table.entries[i] = entry;
            continue;
        }
        const unsigned prefix = code & ((1u << primary) - 1);
        Entry& link = table.entries[prefix];
        if (!(link & kLink)) {
            const unsigned width = longestBehind[prefix] - primary;
            link = MakeEntry(primary, width, kLink, nextSubtable);
            nextSubtable += 1u << width;
        }
        const unsigned width = CodeBits(link);
        for (unsigned i = code >> primary; i < (1u << width); i += 1u << (length - primary))
            table.entries[Value(link) + i] = entry;
    }
}

template <unsigned Entries>
bool BuildTable(Alphabet alphabet, std::span<const std::uint8_t> lengths, Table<Entries>& table) {
    std::array<unsigned, kMaxCodeBits + 1> count{};
    for (const std::uint8_t length : lengths) ++count[length];
    count[0] = 0;
    if (!Acceptable(alphabet, count)) return false;
    Fill(alphabet, lengths, count, table);
    return true;
}

}  // namespace

bool Build(Alphabet alphabet, std::span<const std::uint8_t> lengths, CodeLengthTable& table) {
    return BuildTable(alphabet, lengths, table);
}
bool Build(Alphabet alphabet, std::span<const std::uint8_t> lengths, LiteralLengthTable& table) {
    return BuildTable(alphabet, lengths, table);
}
bool Build(Alphabet alphabet, std::span<const std::uint8_t> lengths, DistanceTable& table) {
    return BuildTable(alphabet, lengths, table);
}

// RFC 1951 3.2.6: literal/length codes 0-143 of 8 bits, 144-255 of 9, 256-279
// of 7, 280-287 of 8; every distance code of 5 bits.
const LiteralLengthTable& FixedLiteralLengths() {
    static const LiteralLengthTable table = [] {
        std::array<std::uint8_t, kLiteralLengthSymbols> lengths{};
        for (unsigned symbol = 0; symbol < kLiteralLengthSymbols; ++symbol)
            lengths[symbol] = symbol < 144 ? 8 : symbol < 256 ? 9 : symbol < 280 ? 7 : 8;
        LiteralLengthTable built;
        Build(Alphabet::kLiteralLength, lengths, built);
        return built;
    }();
    return table;
}

const DistanceTable& FixedDistances() {
    static const DistanceTable table = [] {
        std::array<std::uint8_t, kDistanceSymbols> lengths{};
        lengths.fill(5);
        DistanceTable built;
        Build(Alphabet::kDistance, lengths, built);
        return built;
    }();
    return table;
}

}  // namespace archive::huffman
