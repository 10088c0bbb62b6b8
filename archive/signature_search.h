#pragma once
// Finds record signatures (four bytes) in an archive stream, as the recovery
// road scans whole files for local headers and data descriptors and the stub
// detection looks for the first item's local header. The stream is read in
// chunks, and each chunk is searched in memory by the widest road the
// processor has: sixteen (SSE2), sixty-four (AVX2) or one hundred and
// twenty-eight (AVX-512BW) start positions a step, else a scalar search.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace platform {
class Stream;
}

namespace archive {

using Signature = std::array<std::uint8_t, 4>;

inline constexpr std::size_t kSignatureNotFound = static_cast<std::size_t>(-1);

// The signature's bytes as they lie in the file (little-endian).
constexpr Signature SignatureBytes(std::uint32_t signature) {
    return {static_cast<std::uint8_t>(signature), static_cast<std::uint8_t>(signature >> 8),
            static_cast<std::uint8_t>(signature >> 16), static_cast<std::uint8_t>(signature >> 24)};
}

// One chunk of a stream in memory, for the signature searches and the reads
// of the records that lie in it. The chunk last read is kept, so that a search
// that starts again just behind its last match reads nothing new. The stream
// (not owned) must not change size while the scanner lives; the scanner moves
// its position and never relies on it.
class SignatureScanner {
public:
    // `chunkBytes` is the most read at once (at least a page and a signature).
    SignatureScanner(platform::Stream& stream, std::size_t chunkBytes);
    ~SignatureScanner();
    SignatureScanner(const SignatureScanner&) = delete;
    SignatureScanner& operator=(const SignatureScanner&) = delete;

    std::int64_t StreamSize() const { return size_; }

    // Position of the first `signature` at or after `from` (0 when `from` is
    // negative), or -1. Throws the stream's errors.
    std::int64_t Find(std::int64_t from, std::uint32_t signature);
    // Reads `out.size()` bytes at `at`; false when the stream ends before.
    bool ReadAt(std::int64_t at, std::span<std::uint8_t> out);

private:
    bool Covers(std::int64_t at, std::size_t count) const;
    bool Load(std::int64_t at);

    platform::Stream& stream_;
    std::size_t chunkBytes_;
    std::int64_t size_;
    std::int64_t start_ = 0;
    std::unique_ptr<std::uint8_t[]> buffer_;  // a page more than a chunk
    std::uint8_t* chunkStart_ = nullptr;      // the first page boundary in buffer_
    std::span<std::uint8_t> bytes_;           // the chunk read last, from chunkStart_
};

// The in-memory search, road by road, so that each can be held against a
// plain byte loop: the first index at or after `from` where the whole
// signature lies in `bytes`, or kSignatureNotFound. A road the processor lacks
// (or the build does not have) takes the scalar road.
namespace signature_roads {
std::size_t Scalar(std::span<const std::uint8_t> bytes, std::size_t from, const Signature& signature) noexcept;
std::size_t Sse2(std::span<const std::uint8_t> bytes, std::size_t from, const Signature& signature) noexcept;
std::size_t Avx2(std::span<const std::uint8_t> bytes, std::size_t from, const Signature& signature) noexcept;
std::size_t Avx512(std::span<const std::uint8_t> bytes, std::size_t from, const Signature& signature) noexcept;
// The widest of them that this processor has: the road the scanner takes.
std::size_t Widest(std::span<const std::uint8_t> bytes, std::size_t from, const Signature& signature) noexcept;
}  // namespace signature_roads

}  // namespace archive
