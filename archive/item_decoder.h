#pragma once
// The data loop of one archive member: reads its compressed bytes in chunks,
// decrypts them when a cipher is given, copies stored data or inflates deflated
// data into the caller's stream, and keeps the running size and CRC-32.
// Memory per member is the chunk buffer and the deflate decoder's output
// buffer only, whatever the member's size.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "archive/crc32.h"
#include "platform/byte_buffer.h"
#include "platform/stream.h"

namespace archive {

class DeflateDecoder;
class MemberCipher;

inline constexpr std::size_t kChunkSize = 0x100000;      // compressed bytes per chunk; inflate output per call
inline constexpr std::size_t kStoredPieceSize = 0xFFFF;  // stored data are written in pieces of this size
inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflated = 8;
inline constexpr std::uint16_t kMethodDeflate64 = 9;

// What the loop asks of the component that runs it.
struct DecoderEvents {
    // Records the bytes of the member produced so far and raises the progress
    // events; returns true when the extraction was cancelled. May throw.
    std::function<bool(std::int64_t progress)> progress;
    // The output stream took fewer bytes than written: returns true to give the
    // write up (cancel), false to write again from the same position. May throw.
    std::function<bool()> diskFull;
};

struct ItemData {
    std::uint16_t method = kMethodStored;  // kMethodStored or kMethodDeflated
    std::int64_t compressedSize = 0;       // bytes to read from the archive stream's position
    std::int64_t uncompressedSize = 0;     // the declared size; deflate output past it stops the item
    MemberCipher* cipher = nullptr;        // decrypts each chunk in place when set
    // How the Adler-32 that a zlib trailer behind the deflate data is tested
    // against is taken: summed over the output as it is decoded (kAlways), or
    // only once such a trailer has arrived, by inflating the data again from
    // their start (kOnDemand; members without a cipher only, the others are
    // summed as decoded). Both give the same results; kOnDemand spares the sum
    // over every byte of the many members that have no trailer.
    enum class TrailerSum : std::uint8_t { kAlways, kOnDemand } trailerSum = TrailerSum::kOnDemand;
};

// Adds the Adler-32 of all that the `size` bytes of raw deflate data at
// `start` of `source` inflate to onto `sum`, dropping the output; the source is
// left where it was. True when the data ended as deflate data end.
bool SumRawDeflateOutput(platform::Stream& source, std::int64_t start, std::int64_t size, std::uint32_t& sum);

class ItemDecoder {
public:
    // `source` is positioned at the member data. Nothing is read until Run.
    ItemDecoder(platform::Stream& source, platform::Stream& output, const ItemData& item, DecoderEvents events);
    ~ItemDecoder();
    ItemDecoder(const ItemDecoder&) = delete;
    ItemDecoder& operator=(const ItemDecoder&) = delete;

    // Runs the loop; true when every chunk was read and processed. False when a
    // read came back short, the deflate data are invalid (a zlib trailer behind
    // them included), or the inflated output passed the declared size. Exceptions
    // of the events and of the output stream pass on.
    bool Run();

    // Bytes produced for the caller's stream (counted even when a write was given up).
    std::int64_t BytesWritten() const noexcept { return written_; }
    // The finished CRC-32 of the bytes produced.
    std::uint32_t Crc() const noexcept { return crc_ ^ 0xFFFFFFFFu; }

private:
    void AllocateBuffers();
    bool ReadChunk(std::size_t n);
    bool ProcessChunk(std::size_t n);
    bool CopyStored(std::size_t n);
    bool InflateChunk(std::size_t n);
    bool TrailerMatches();
    bool SumsAsDecoded() const noexcept;
    std::uint32_t OutputSum();
    bool EmitInflated(std::span<const std::uint8_t> produced, bool& stop);
    bool WriteChunk(const std::uint8_t* buffer, std::size_t n);

    platform::Stream& source_;
    platform::Stream& output_;
    ItemData item_;
    DecoderEvents events_;
    std::unique_ptr<DeflateDecoder> decoder_;  // of a deflated member
    std::size_t roomPerCall_ = 0;              // the decoder's most output per call
    // Not zero-filled: every byte is written before it is read.
    platform::ByteBuffer input_;  // a chunk
    std::int64_t dataStart_ = 0;  // source position of the member's data
    std::int64_t consumed_ = 0;
    std::int64_t written_ = 0;
    std::int64_t chunkOutput_ = 0;
    std::uint32_t crc_ = kCrcStart;
    std::uint32_t adler_ = 1;  // Adler-32 of all inflated output, while summed as decoded
    bool trailerChecked_ = false;
};

}  // namespace archive
