#pragma once
// Streaming decoder of raw deflate data (RFC 1951) that an optional zlib
// trailer (four bytes, the Adler-32 of the output) may follow.
//
// It is held to zlib's inflate, reading the same data behind a zlib header
// without checking the trailer, call for call: given the same input pieces and
// the same room for output per call, every Decode call stops where an inflate
// call stops, with the same output, and fails or ends the stream in the same
// call. That includes zlib's rules for what it rejects, and the moment it
// rejects it: only once all the bits that prove the fault have arrived, so that
// data cut short before a fault just wait for more input.
//
// The output is decoded straight into the decoder's own buffer, which also
// holds the last 32 KiB as the history that matches copy from: the caller
// reads each call's output from there. Memory is that buffer (the room per call
// and 32 KiB) and the decoding tables, whatever the data's size.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "archive/huffman_table.h"
#include "platform/byte_buffer.h"

namespace archive {

enum class DeflateStatus : std::uint8_t {
    kNeedInput,   // every input byte was taken; more are needed to go on
    kOutputFull,  // the call's room is used up and the next step writes
    kStreamEnd,   // the final block and the four trailer bytes behind it were read
    kFailed,      // the data are invalid (the decoder stays failed)
};

class DeflateDecoder {
public:
    // `roomPerCall`: the most output one Decode call produces (at least 1).
    explicit DeflateDecoder(std::size_t roomPerCall);
    ~DeflateDecoder();
    DeflateDecoder(const DeflateDecoder&) = delete;
    DeflateDecoder& operator=(const DeflateDecoder&) = delete;

    // The next piece of the data, borrowed until it has been taken (a Decode
    // call returning kNeedInput), or until the stream's end or failure.
    void SetInput(std::span<const std::uint8_t> input) noexcept;

    // Decodes on until one of the statuses' conditions holds; Output() then
    // holds this call's output. After kStreamEnd, further calls return
    // kStreamEnd with no output; after kFailed, kFailed.
    DeflateStatus Decode();

    // The output of the last Decode call, valid until the next call.
    std::span<const std::uint8_t> Output() const noexcept { return {callStart_, callEnd_}; }
    // The four bytes behind the final block, big-endian (once kStreamEnd was returned).
    std::uint32_t Trailer() const noexcept { return trailer_; }

private:
    enum class Stage : std::uint8_t;
    struct Tables;

    // A stage's answer: a status that ends the call, or none to go on.
    using Step = std::optional<DeflateStatus>;

    DeflateStatus Run();
    Step BlockHeader();
    Step StoredLengths();
    Step StoredCopy();
    Step TableCounts();
    Step CodeLengthCode();
    Step CodeLengths();
    Step BuildBlockTables();
    Step Huffman();
    Step HuffmanStep();
    Step FinishMatch();
    Step Trailer32();
    Step EndOfBlock();
    Step Fail();
    void FastLoop();
    void MakeRoom();

    bool PullByte() noexcept;
    bool Ensure(unsigned n) noexcept;
    void Drop(unsigned n) noexcept {
        bits_ >>= n;
        count_ -= n;
    }

    // Output buffer: history, then the room of one call.
    platform::ByteBuffer buffer_;
    std::size_t roomPerCall_;
    std::uint8_t* out_ = nullptr;  // next output byte
    std::uint8_t* callStart_ = nullptr;
    std::uint8_t* callEnd_ = nullptr;
    std::uint8_t* outLimit_ = nullptr;  // end of this call's room

    const std::uint8_t* in_ = nullptr;
    const std::uint8_t* inEnd_ = nullptr;
    std::uint64_t bits_ = 0;  // bit buffer, the stream's next bit lowest; bits above count_ are zero
    unsigned count_ = 0;

    Stage stage_;
    bool finalBlock_ = false;
    std::uint32_t storedLeft_ = 0;
    std::uint32_t matchLeft_ = 0;  // bytes of a match still to copy
    std::uint32_t matchDistance_ = 0;
    std::uint32_t trailer_ = 0;
    // Dynamic block header: counts and the lengths read so far.
    unsigned literalCodes_ = 0, distanceCodes_ = 0, lengthCodes_ = 0, lengthsRead_ = 0;
    std::unique_ptr<Tables> tables_;
    const huffman::LiteralLengthTable* literals_ = nullptr;  // of the current block
    const huffman::DistanceTable* distances_ = nullptr;
};

}  // namespace archive
