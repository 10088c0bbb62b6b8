#include "tests/support/zlib_item_decoder.h"

#include <algorithm>

#include "archive/adler32.h"
#include "archive/inflater.h"
#include "archive/member_cipher.h"

namespace testing_support {

using namespace archive;

namespace {

// Header of a zlib stream (deflate, 32 KiB window, no dictionary) put in front of the
// member's raw deflate data, so that a zlib-format inflater can read them.
constexpr std::uint8_t kZlibHeader[2] = {0x78, 0x01};

}  // namespace

ZlibItemDecoder::ZlibItemDecoder(platform::Stream& source, platform::Stream& output, const ItemData& item,
                                 DecoderEvents events)
        : source_(source), output_(output), item_(item), events_(std::move(events)) {}

ZlibItemDecoder::~ZlibItemDecoder() = default;

bool ZlibItemDecoder::Run() {
    inflater_ = std::make_unique<Inflater>();
    if (!inflater_->Initialised()) return false;
    inflateValidate(&inflater_->Stream(), 0);
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
    // The buffers and the inflater go at the member's end, whatever the outcome.
    inflater_.reset();
    input_ = {};
    outputBuffer_ = {};
    return ok;
}

// A small member gets buffers of its own size, not of a whole chunk. The
// output buffer holds one byte more than the declared size, so that inflate
// fills it, and the loop repeats, exactly where a chunk-sized one would.
void ZlibItemDecoder::AllocateBuffers() {
    const auto upTo = [](std::int64_t size, std::size_t limit) {
        return static_cast<std::size_t>(std::clamp<std::int64_t>(size, 1, static_cast<std::int64_t>(limit)));
    };
    input_ = platform::ByteBuffer(upTo(item_.compressedSize, kChunkSize) + sizeof kZlibHeader);
    if (item_.method == kMethodDeflated)
        outputBuffer_ =
            platform::ByteBuffer(upTo(std::min<std::int64_t>(item_.uncompressedSize, kChunkSize) + 1, kChunkSize));
}

std::size_t ZlibItemDecoder::ChunkOffset() const noexcept {
    return (item_.method == kMethodDeflated && consumed_ == 0) ? sizeof kZlibHeader : 0;
}

// A read that comes back short fails the member; it is never retried from elsewhere.
bool ZlibItemDecoder::ReadChunk(std::size_t n) {
    std::uint8_t* target = input_.data() + ChunkOffset();
    std::size_t arrived = 0;
    while (arrived < n) {
        const std::size_t got = source_.Read(target + arrived, n - arrived);
        if (got == 0) break;
        arrived += got;
    }
    return arrived == n;
}

bool ZlibItemDecoder::ProcessChunk(std::size_t n) {
    if (n == 0) return false;
    chunkOutput_ = 0;
    if (item_.cipher) item_.cipher->Decrypt({input_.data() + ChunkOffset(), n});
    if (item_.method == kMethodDeflated) return InflateChunk(n);
    return CopyStored(n);
}

// Stored data go out in pieces: count, check sum, progress, write. A cancel or a
// given-up write drops the rest of the chunk without failing it.
bool ZlibItemDecoder::CopyStored(std::size_t n) {
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

bool ZlibItemDecoder::InflateChunk(std::size_t n) {
    z_stream& z = inflater_->Stream();
    std::size_t length = n;
    if (consumed_ == 0) {
        std::copy(std::begin(kZlibHeader), std::end(kZlibHeader), input_.data());
        length += sizeof kZlibHeader;
    }
    z.next_in = input_.data();
    z.avail_in = static_cast<uInt>(length);
    const bool ok = InflateInput();
    KeepConsumedTail(static_cast<std::size_t>(z.next_in - input_.data()));
    return ok;
}

bool ZlibItemDecoder::InflateInput() {
    z_stream& z = inflater_->Stream();
    for (;;) {
        z.next_out = outputBuffer_.data();
        z.avail_out = static_cast<uInt>(outputBuffer_.size());
        if (events_.progress && events_.progress(written_ + chunkOutput_)) return true;
        const int result = Inflate();
        // The raw data carry no Adler-32 trailer: running out of input is their normal end.
        if (result < 0) return result == Z_BUF_ERROR && z.avail_in == 0;
        bool stop = false;
        if (!EmitInflated(outputBuffer_.size() - z.avail_out, stop)) return false;
        if (stop) return true;
        if ((z.avail_out != 0 && z.avail_in == 0) || result == Z_STREAM_END) return true;
    }
}

// One inflate call. The inflater reads the zlib trailer that may follow the
// deflate data but does not check it (its Adler-32 is the slower one): the
// trailer is checked here, against this decoder's own sum of the output, the
// moment the inflater reports the stream's end, as the inflater would. The
// inflater reports that end only once four bytes behind the deflate data have
// arrived: a member without them never needs the sum.
int ZlibItemDecoder::Inflate() {
    z_stream& z = inflater_->Stream();
    const int result = inflate(&z, Z_NO_FLUSH);
    if (SumsAsDecoded() && (result == Z_OK || result == Z_STREAM_END || result == Z_BUF_ERROR)) {
        adler_ = UpdateAdler32(adler_, {outputBuffer_.data(), outputBuffer_.size() - z.avail_out});
    }
    if (result != Z_STREAM_END || trailerChecked_) return result;
    trailerChecked_ = true;
    const std::uint32_t trailer = TrailerBytes(static_cast<std::size_t>(z.next_in - input_.data()));
    return trailer == OutputSum() ? Z_STREAM_END : Z_DATA_ERROR;
}

bool ZlibItemDecoder::SumsAsDecoded() const noexcept {
    return item_.trailerSum == ItemData::TrailerSum::kAlways || item_.cipher != nullptr;
}

// The Adler-32 of everything the deflate data inflate to. When it cannot be
// taken again (the source no longer gives the bytes it gave), the answer is
// the trailer's complement: the member fails, as data that cannot be read do.
std::uint32_t ZlibItemDecoder::OutputSum() {
    if (SumsAsDecoded()) return adler_;
    std::uint32_t sum = 1;
    const std::uint32_t trailer = TrailerBytes(static_cast<std::size_t>(inflater_->Stream().next_in - input_.data()));
    // The second pass is the product's own: it did not change with the decoder.
    return SumRawDeflateOutput(source_, dataStart_, item_.compressedSize, sum) ? sum : ~trailer;
}

// The last four bytes the inflater consumed, as a big-endian value: those of
// this chunk before `consumedHere`, preceded by the tail of earlier chunks.
std::uint32_t ZlibItemDecoder::TrailerBytes(std::size_t consumedHere) const {
    std::uint32_t value = consumedTail_;
    for (std::size_t i = consumedHere >= 4 ? consumedHere - 4 : 0; i < consumedHere; ++i)
        value = value << 8 | input_.data()[i];
    return value;
}

void ZlibItemDecoder::KeepConsumedTail(std::size_t consumedHere) { consumedTail_ = TrailerBytes(consumedHere); }

// Writes what one inflate call produced. Output beyond the declared size is never
// written: a few compressed bytes can inflate to gigabytes, and the member would
// fail its size test anyway, so the member ends here as failed.
bool ZlibItemDecoder::EmitInflated(std::size_t produced, bool& stop) {
    const std::int64_t before = written_ + chunkOutput_;
    const std::int64_t room = std::max<std::int64_t>(item_.uncompressedSize - before, 0);
    const bool overflow = static_cast<std::int64_t>(produced) > room;
    const std::size_t accepted = overflow ? static_cast<std::size_t>(room) : produced;
    chunkOutput_ += static_cast<std::int64_t>(accepted);
    if (accepted > 0) {
        if (!WriteChunk(outputBuffer_.data(), accepted)) {
            stop = true;
            return !overflow;
        }
        crc_ = UpdateCrc32(crc_, {outputBuffer_.data(), accepted});
    }
    return !overflow;
}

bool ZlibItemDecoder::WriteChunk(const std::uint8_t* buffer, std::size_t n) {
    const std::int64_t start = output_.Position();
    for (;;) {
        if (output_.Write(buffer, n) == n) return true;
        if (!events_.diskFull || events_.diskFull()) return false;
        output_.SetPosition(start);
    }
}

}  // namespace testing_support
