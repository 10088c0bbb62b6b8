#pragma once
// Raw deflate data through the reader's decoder (archive/deflate_decoder.h) and
// through zlib's inflate, driven alike: the data in the given pieces, at most
// `room` bytes of output per call, calls on a piece until it is used up with
// room to spare, the stream ends or the data fail, as the item decoder drives
// them. Each run is recorded call by call, so that the two can be compared
// whole. Also the makers of deflate data the comparisons run on.

#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace testing_support {

using Bytes = std::vector<std::uint8_t>;

struct DecodeTrace {
    enum class Outcome : std::uint8_t { kRanOut, kEnded, kFailed };
    Outcome outcome = Outcome::kRanOut;   // after the last call
    std::vector<std::size_t> callOutput;  // bytes each call produced (a failed call's are dropped)
    Bytes output;                         // all of them
    std::uint32_t trailer = 0;            // when ended: the four bytes behind the final block, big-endian
    bool capped = false;                  // stopped at the output cap

    bool operator==(const DecodeTrace&) const = default;
    // What differs, for a test's message ("" when nothing does).
    std::string DifferenceFrom(const DecodeTrace& other) const;
};

struct DecodeRun {
    std::span<const std::uint8_t> data;
    std::vector<std::size_t> cuts;                  // offsets where a new piece begins, ascending, inside the data
    std::size_t room = 1;                           // output per call
    std::size_t outputCap = std::size_t{64} << 20;  // both runs stop after the call that passes it
    // After a call that used all its room, the rest of the piece is dropped and
    // the next one given, as the item decoder does when a write is given up or
    // the extraction cancelled.
    bool dropRestWhenFull = false;
};

// zlib's inflate reading the data behind a zlib header, its trailer test off
// (what the archive reader drove before it had a decoder of its own).
DecodeTrace TraceZlib(const DecodeRun& run);
// The reader's decoder.
DecodeTrace TraceDecoder(const DecodeRun& run);

// Plain data of one of several kinds: text, noise, zeros, or small values and
// repeats mixed. `kind` picks one (0-3), or -1 leaves it to chance.
Bytes PlainData(std::mt19937& random, std::size_t size, int kind);

// Raw deflate data made by zlib with the given level, window bits (9-15) and strategy.
Bytes RawDeflate(std::span<const std::uint8_t> plain, int level, int windowBits, int strategy);

// zlib's Adler-32 of the data, big-endian, as a zlib trailer holds it.
Bytes AdlerTrailer(std::span<const std::uint8_t> plain);

}  // namespace testing_support
