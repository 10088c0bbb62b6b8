#pragma once
// The reference of the item decoder (archive/item_decoder.h): the same data
// loop with the same events, driving zlib's inflate over the member's deflate
// data behind a two-byte zlib header, as the archive reader did before it had
// a decoder of its own. The tests and the fuzzer hold the item decoder to it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "archive/crc32.h"
#include "archive/inflater.h"
#include "archive/item_decoder.h"
#include "platform/byte_buffer.h"
#include "platform/stream.h"

namespace testing_support {

using archive::DecoderEvents;
using archive::ItemData;

class ZlibItemDecoder {
public:
    // `source` is positioned at the member data. Nothing is read until Run.
    ZlibItemDecoder(platform::Stream& source, platform::Stream& output, const ItemData& item, DecoderEvents events);
    ~ZlibItemDecoder();
    ZlibItemDecoder(const ZlibItemDecoder&) = delete;
    ZlibItemDecoder& operator=(const ZlibItemDecoder&) = delete;

    // Runs the loop; true when every chunk was read and processed. False when the
    // inflater could not start, a read came back short, inflate rejected the data,
    // or the inflated output passed the declared size. Exceptions of the events and
    // of the output stream pass on (the inflater is released first).
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
    bool InflateInput();
    int Inflate();
    bool SumsAsDecoded() const noexcept;
    std::uint32_t OutputSum();
    std::uint32_t TrailerBytes(std::size_t consumedHere) const;
    void KeepConsumedTail(std::size_t consumedHere);
    std::size_t ChunkOffset() const noexcept;
    bool EmitInflated(std::size_t produced, bool& stop);
    bool WriteChunk(const std::uint8_t* buffer, std::size_t n);

    platform::Stream& source_;
    platform::Stream& output_;
    ItemData item_;
    DecoderEvents events_;
    std::unique_ptr<archive::Inflater> inflater_;
    // Neither buffer is zero-filled: every byte is written before it is read.
    platform::ByteBuffer input_;         // a chunk and room for the zlib header
    platform::ByteBuffer outputBuffer_;  // inflate output
    std::int64_t dataStart_ = 0;        // source position of the member's data
    std::int64_t consumed_ = 0;
    std::int64_t written_ = 0;
    std::int64_t chunkOutput_ = 0;
    std::uint32_t crc_ = archive::kCrcStart;
    std::uint32_t adler_ = 1;         // Adler-32 of all inflated output, while summed as decoded
    std::uint32_t consumedTail_ = 0;  // the last four input bytes the inflater consumed, big-endian
    bool trailerChecked_ = false;
};

}  // namespace testing_support
