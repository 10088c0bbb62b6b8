#pragma once
// Decoding tables of the canonical Huffman codes of deflate data (RFC 1951):
// one lookup in a primary table indexed by the next bits of the stream, and for
// the codes longer than its index a second one in a subtable. Each entry packs
// all a decoder needs of a symbol: its value (literal byte, length or distance
// base), how many extra bits follow its code, and how many bits code and extra
// bits take together, so that a symbol and its extra bits are taken in a few
// operations.
//
// The sets of code lengths a table accepts are those zlib's inflate accepts
// (the reference this decoder is held to): no over-subscribed set, no
// incomplete one except a single code of length one for the literal/length and
// distance codes, and an empty set, whose every lookup is an invalid entry of
// one bit.

#include <array>
#include <cstdint>
#include <span>

namespace archive::huffman {

// Entry layout: bits 0-7 the bits a symbol takes (code and extra bits), bits
// 8-11 its code's length, bits 12-15 the kind, bits 16-31 the value. For a
// subtable link: bits 0-7 the primary table's index width, bits 8-11 the
// subtable's index width, the value its offset in the table.
using Entry = std::uint32_t;

inline constexpr Entry kLiteral = 1u << 12;     // value: the byte
inline constexpr Entry kLink = 1u << 13;        // value: offset of the subtable
inline constexpr Entry kEndOfBlock = 1u << 14;  // the literal/length code's 256
inline constexpr Entry kInvalid = 1u << 15;     // a code no symbol may have; takes its code's bits
// Neither of the above: a length or a distance, value its base, with extra bits.

constexpr unsigned TotalBits(Entry e) noexcept { return e & 0xFFu; }
constexpr unsigned CodeBits(Entry e) noexcept { return (e >> 8) & 0xFu; }
constexpr unsigned Value(Entry e) noexcept { return e >> 16; }
// The extra bits of a length or distance entry, from the bits starting at its code.
constexpr unsigned ExtraValue(Entry e, std::uint64_t bits) noexcept {
    return static_cast<unsigned>((bits & ((std::uint64_t{1} << TotalBits(e)) - 1)) >> CodeBits(e));
}

// Which code a table decodes: it fixes the symbols' meaning and the primary width.
enum class Alphabet : std::uint8_t { kCodeLengths, kLiteralLength, kDistance };

inline constexpr unsigned kMaxCodeBits = 15;
inline constexpr unsigned kCodeLengthPrimaryBits = 7;
inline constexpr unsigned kLiteralLengthPrimaryBits = 11;
inline constexpr unsigned kDistancePrimaryBits = 8;
inline constexpr unsigned kLiteralLengthSymbols = 288;  // 286 and 287 are coded in the fixed code, never valid
inline constexpr unsigned kDistanceSymbols = 32;        // 30 and 31 likewise

// Room for the primary table and every subtable a valid set can need.
inline constexpr unsigned kLiteralLengthEntries = (1u << kLiteralLengthPrimaryBits) + kLiteralLengthSymbols * 16;
inline constexpr unsigned kDistanceEntries = (1u << kDistancePrimaryBits) + kDistanceSymbols * 128;

template <unsigned Entries>
struct Table {
    unsigned primaryBits = 0;
    std::array<Entry, Entries> entries{};

    // The entry of the symbol whose code starts at bit 0 of `bits`: bits beyond
    // those that arrived must be zero, and the entry's CodeBits tell whether its
    // code lies within those that arrived.
    Entry Lookup(std::uint64_t bits) const noexcept {
        const Entry e = entries[bits & ((1u << primaryBits) - 1)];
        if (!(e & kLink)) return e;
        return entries[Value(e) + ((bits >> primaryBits) & ((1u << CodeBits(e)) - 1))];
    }
};

using CodeLengthTable = Table<1u << kCodeLengthPrimaryBits>;
using LiteralLengthTable = Table<kLiteralLengthEntries>;
using DistanceTable = Table<kDistanceEntries>;

// Fills `table` from the code lengths of the alphabet's symbols (0 = no code);
// false when the set is one the reference rejects (the table is then unusable).
bool Build(Alphabet alphabet, std::span<const std::uint8_t> lengths, CodeLengthTable& table);
bool Build(Alphabet alphabet, std::span<const std::uint8_t> lengths, LiteralLengthTable& table);
bool Build(Alphabet alphabet, std::span<const std::uint8_t> lengths, DistanceTable& table);

// The tables of the fixed code (block type 1), made once.
const LiteralLengthTable& FixedLiteralLengths();
const DistanceTable& FixedDistances();

}  // namespace archive::huffman
