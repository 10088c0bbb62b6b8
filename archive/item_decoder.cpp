#include "archive/item_decoder.h"

#include <algorithm>

#include "archive/adler32.h"
#include "archive/deflate_decoder.h"
#include "archive/inflater.h"
#include "archive/member_cipher.h"

namespace archive {

ItemDecoder::ItemDecoder(platform::Stream& source, platform::Stream& output, const ItemData& item, DecoderEvents events)
        : source_(source), output_(output), item_(item), events_(std::move(events)) {}

ItemDecoder::~ItemDecoder() = default;

bool ItemDecoder::Run() {
    dataStart_ = source_.Position();
    AllocateBuffers();

    bool ok = true;
    while (ok && consumed_ < item_.compressedSize) {
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(kChunkSize), item_.compressedSize - consumed_));
        ok = ReadChunk(n) && ProcessChunk(n);
        if (ok) {
            written_ += chunkOutput_;
            consumed_ += static_cast<std::int64_t>(n);
        }
    }
    // The buffers and the decoder go at the member's end, whatever the outcome.
    decoder_.reset();
    input_ = {};
    return ok;
}

// A small member gets buffers of its own size, not of a whole chunk. The
// decoder's output per call is one byte more than the declared size, so that
// a call fills it, and the loop repeats, exactly where a chunk-sized one would.
void ItemDecoder::AllocateBuffers() {
    const auto upTo = [](std::int64_t size, std::size_t limit) {
        return static_cast<std::size_t>(std::clamp<std::int64_t>(size, 1, static_cast<std::int64_t>(limit)));
    };
    input_ = platform::ByteBuffer(upTo(item_.compressedSize, kChunkSize));
    if (item_.method == kMethodDeflated) {
        roomPerCall_ = upTo(std::min<std::int64_t>(item_.uncompressedSize, kChunkSize) + 1, kChunkSize);
        decoder_ = std::make_unique<DeflateDecoder>(roomPerCall_);
    }
}

// A read that comes back short fails the member; it is never retried from elsewhere.
bool ItemDecoder::ReadChunk(std::size_t n) {
    std::uint8_t* target = input_.data();
    std::size_t arrived = 0;
    while (arrived < n) {
        const std::size_t got = source_.Read(target + arrived, n - arrived);
        if (got == 0) break;
        arrived += got;
    }
    return arrived == n;
}

bool ItemDecoder::ProcessChunk(std::size_t n) {
    if (n == 0) return false;
    chunkOutput_ = 0;
    if (item_.cipher) item_.cipher->Decrypt({input_.data(), n});
    if (item_.method == kMethodDeflated) return InflateChunk(n);
    return CopyStored(n);
}

// Stored data go out in pieces: count, check sum, progress, write. A cancel or a
// given-up write drops the rest of the chunk without failing it.
bool ItemDecoder::CopyStored(std::size_t n) {
    for (std::size_t done = 0; done < n;) {
        const std::size_t piece = std::min(kStoredPieceSize, n - done);
        const std::uint8_t* data = input_.data() + done;
        chunkOutput_ += static_cast<std::int64_t>(piece);
        crc_ = UpdateCrc32(crc_, {data, piece});
        if (events_.progress && events_.progress(written_ + chunkOutput_)) return true;
        if (!WriteChunk(data, piece)) return true;
        done += piece;
    }
    return true;
}

// Decodes one chunk, a call of the decoder at a time, until it needs the next
// chunk. The calls stop where zlib's inflate calls stopped, which this loop
// drove before (see DeflateDecoder): progress events, writes and outcomes
// fall where they fell. A trailer behind the deflate data is checked the
// moment the decoder has read it, against this decoder's own sum of the
// output; a member without one never needs the sum.
bool ItemDecoder::InflateChunk(std::size_t n) {
    decoder_->SetInput({input_.data(), n});
    for (;;) {
        if (events_.progress && events_.progress(written_ + chunkOutput_)) return true;
        const DeflateStatus status = decoder_->Decode();
        if (status == DeflateStatus::kFailed) return false;
        const std::span<const std::uint8_t> produced = decoder_->Output();
        if (SumsAsDecoded()) adler_ = UpdateAdler32(adler_, produced);
        if (status == DeflateStatus::kStreamEnd && !TrailerMatches()) return false;
        bool stop = false;
        if (!EmitInflated(produced, stop)) return false;
        if (stop || status == DeflateStatus::kStreamEnd) return true;
        // Input used up with room to spare: the next chunk. A full call's room
        // means one more call, as inflate needed one to tell.
        if (status == DeflateStatus::kNeedInput && produced.size() < roomPerCall_) return true;
    }
}

// The trailer is judged once; the calls after the stream's end only repeat it.
bool ItemDecoder::TrailerMatches() {
    if (trailerChecked_) return true;
    trailerChecked_ = true;
    return decoder_->Trailer() == OutputSum();
}

bool ItemDecoder::SumsAsDecoded() const noexcept {
    return item_.trailerSum == ItemData::TrailerSum::kAlways || item_.cipher != nullptr;
}

// The Adler-32 of everything the deflate data inflate to. When it cannot be
// taken again (the source no longer gives the bytes it gave), the answer is
// the trailer's complement: the member fails, as data that cannot be read do.
std::uint32_t ItemDecoder::OutputSum() {
    if (SumsAsDecoded()) return adler_;
    std::uint32_t sum = 1;
    return SumRawDeflateOutput(source_, dataStart_, item_.compressedSize, sum) ? sum : ~decoder_->Trailer();
}

// Writes what one decoder call produced. Output beyond the declared size is never
// written: a few compressed bytes can inflate to gigabytes, and the member would
// fail its size test anyway, so the member ends here as failed.
bool ItemDecoder::EmitInflated(std::span<const std::uint8_t> produced, bool& stop) {
    const std::int64_t before = written_ + chunkOutput_;
    const std::int64_t room = std::max<std::int64_t>(item_.uncompressedSize - before, 0);
    const bool overflow = static_cast<std::int64_t>(produced.size()) > room;
    const std::size_t accepted = overflow ? static_cast<std::size_t>(room) : produced.size();
    chunkOutput_ += static_cast<std::int64_t>(accepted);
    if (accepted > 0) {
        if (!WriteChunk(produced.data(), accepted)) {
            stop = true;
            return !overflow;
        }
        crc_ = UpdateCrc32(crc_, produced.first(accepted));
    }
    return !overflow;
}

bool ItemDecoder::WriteChunk(const std::uint8_t* buffer, std::size_t n) {
    const std::int64_t start = output_.Position();
    for (;;) {
        if (output_.Write(buffer, n) == n) return true;
        if (!events_.diskFull || events_.diskFull()) return false;
        output_.SetPosition(start);
    }
}

// Inflates the data once more from their start and drops the output: bounded
// work, at most a member's own inflation a second time, for the few members that
// carry a zlib trailer. This pass stays zlib's raw inflate.
bool SumRawDeflateOutput(platform::Stream& source, std::int64_t start, std::int64_t size, std::uint32_t& sum) {
    constexpr std::size_t kPiece = std::size_t{64} << 10;
    const std::int64_t resume = source.Position();
    Inflater again(Inflater::Format::kRawDeflate);
    if (!again.Initialised()) return false;
    platform::ByteBuffer in(kPiece), out(kPiece);
    z_stream& z = again.Stream();
    source.SetPosition(start);
    std::int64_t left = size;
    int result = Z_OK;
    while (result == Z_OK && left > 0) {
        const std::size_t n = source.Read(in.data(), static_cast<std::size_t>(std::min<std::int64_t>(left, kPiece)));
        if (n == 0) break;
        left -= static_cast<std::int64_t>(n);
        z.next_in = in.data();
        z.avail_in = static_cast<uInt>(n);
        do {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            result = inflate(&z, Z_NO_FLUSH);
            // A piece of input used up just as a piece of output filled: the
            // call after it can only ask for the next piece of input.
            if (result == Z_BUF_ERROR && z.avail_in == 0) {
                result = Z_OK;
                break;
            }
            if (result != Z_OK && result != Z_STREAM_END) break;
            sum = UpdateAdler32(sum, {out.data(), out.size() - z.avail_out});
        } while (result == Z_OK && (z.avail_in > 0 || z.avail_out == 0));
    }
    source.SetPosition(resume);
    return result == Z_STREAM_END;
}

}  // namespace archive
