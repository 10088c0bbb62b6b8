#include "archive/signature_search.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/stream.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VANTREL_X86_ROADS 1
#endif

namespace archive {
namespace signature_roads {
namespace {

constexpr std::size_t kSize = std::tuple_size_v<Signature>;

bool MatchesAt(const std::uint8_t* base, std::size_t at, const Signature& signature) noexcept {
    return std::memcmp(base + at, signature.data(), kSize) == 0;
}

// Candidates are the set bits of `mask`, counted from `from`; the first that
// holds the whole signature, or kSignatureNotFound.
std::size_t FirstMatch(const std::uint8_t* base, std::size_t from, std::uint64_t mask,
                       const Signature& signature) noexcept {
    for (; mask != 0; mask &= mask - 1) {
        const std::size_t at = from + static_cast<std::size_t>(__builtin_ctzll(mask));
        if (MatchesAt(base, at, signature)) return at;
    }
    return kSignatureNotFound;
}

}  // namespace

std::size_t Scalar(std::span<const std::uint8_t> bytes, std::size_t from, const Signature& signature) noexcept {
    if (bytes.size() < kSize) return kSignatureNotFound;
    const std::uint8_t* base = bytes.data();
    const std::size_t last = bytes.size() - kSize;  // the last index a match can start at
    while (from <= last) {
        const void* first = std::memchr(base + from, signature[0], last + 1 - from);
        if (first == nullptr) return kSignatureNotFound;
        from = static_cast<std::size_t>(static_cast<const std::uint8_t*>(first) - base);
        if (MatchesAt(base, from, signature)) return from;
        ++from;
    }
    return kSignatureNotFound;
}

// The wide roads test a block of start positions at once for the signature's
// first two bytes, which in compressed data rarely meet, and compare the few
// candidates whole. A block is taken while its positions and the byte after
// them lie before the last start position, so no load passes the end; the
// rest goes to the scalar road.
#if defined(VANTREL_X86_ROADS)

__attribute__((target("sse2"))) std::size_t Sse2(std::span<const std::uint8_t> bytes, std::size_t from,
                                                 const Signature& signature) noexcept {
    if (bytes.size() < kSize) return kSignatureNotFound;
    const std::uint8_t* base = bytes.data();
    const std::size_t last = bytes.size() - kSize;
    const __m128i first = _mm_set1_epi8(static_cast<char>(signature[0]));
    const __m128i second = _mm_set1_epi8(static_cast<char>(signature[1]));
    for (; from + 16 <= last; from += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + from));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + from + 1));
        const auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, second))));
        if (mask == 0) continue;
        if (const std::size_t at = FirstMatch(base, from, mask, signature); at != kSignatureNotFound) return at;
    }
    return Scalar(bytes, from, signature);
}

// Positions p .. p + 31 where the first two bytes of the signature stand.
__attribute__((target("avx2"), always_inline)) inline __m256i PairsAvx2(const std::uint8_t* p, __m256i first,
                                                                        __m256i second) noexcept {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
    return _mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, second));
}

// Sixty-four positions a step, as two halves whose masks are tested together.
__attribute__((target("avx2"))) std::size_t Avx2(std::span<const std::uint8_t> bytes, std::size_t from,
                                                 const Signature& signature) noexcept {
    if (!__builtin_cpu_supports("avx2")) return Scalar(bytes, from, signature);
    if (bytes.size() < kSize) return kSignatureNotFound;
    const std::uint8_t* base = bytes.data();
    const std::size_t last = bytes.size() - kSize;
    const __m256i first = _mm256_set1_epi8(static_cast<char>(signature[0]));
    const __m256i second = _mm256_set1_epi8(static_cast<char>(signature[1]));
    for (; from + 64 <= last; from += 64) {
        const __m256i low = PairsAvx2(base + from, first, second);
        const __m256i high = PairsAvx2(base + from + 32, first, second);
        if (_mm256_testz_si256(_mm256_or_si256(low, high), _mm256_or_si256(low, high))) continue;
        const std::uint64_t mask = static_cast<std::uint32_t>(_mm256_movemask_epi8(low)) |
                                   std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(high))} << 32;
        if (const std::size_t at = FirstMatch(base, from, mask, signature); at != kSignatureNotFound) return at;
    }
    return Scalar(bytes, from, signature);
}

// The same for p .. p + 63, as a bit mask.
__attribute__((target("avx512f,avx512bw"), always_inline)) inline std::uint64_t PairsAvx512(const std::uint8_t* p,
                                                                                            __m512i first,
                                                                                            __m512i second) noexcept {
    const __m512i a = _mm512_loadu_si512(p);
    const __m512i b = _mm512_loadu_si512(p + 1);
    return _mm512_mask_cmpeq_epi8_mask(_mm512_cmpeq_epi8_mask(a, first), b, second);
}

// One hundred and twenty-eight positions a step, in mask registers.
__attribute__((target("avx512f,avx512bw"))) std::size_t Avx512(std::span<const std::uint8_t> bytes, std::size_t from,
                                                               const Signature& signature) noexcept {
    if (!__builtin_cpu_supports("avx512bw")) return Scalar(bytes, from, signature);
    if (bytes.size() < kSize) return kSignatureNotFound;
    const std::uint8_t* base = bytes.data();
    const std::size_t last = bytes.size() - kSize;
    const __m512i first = _mm512_set1_epi8(static_cast<char>(signature[0]));
    const __m512i second = _mm512_set1_epi8(static_cast<char>(signature[1]));
    for (; from + 128 <= last; from += 128) {
        const std::uint64_t low = PairsAvx512(base + from, first, second);
        const std::uint64_t high = PairsAvx512(base + from + 64, first, second);
        if ((low | high) == 0) continue;
        if (const std::size_t at = FirstMatch(base, from, low, signature); at != kSignatureNotFound) return at;
        if (const std::size_t at = FirstMatch(base, from + 64, high, signature); at != kSignatureNotFound) return at;
    }
    return Scalar(bytes, from, signature);
}

#else

std::size_t Sse2(std::span<const std::uint8_t> bytes, std::size_t from, const Signature& signature) noexcept {
    return Scalar(bytes, from, signature);
}
std::size_t Avx2(std::span<const std::uint8_t> bytes, std::size_t from, const Signature& signature) noexcept {
    return Scalar(bytes, from, signature);
}
std::size_t Avx512(std::span<const std::uint8_t> bytes, std::size_t from, const Signature& signature) noexcept {
    return Scalar(bytes, from, signature);
}

#endif

}  // namespace signature_roads

namespace {

using Road = std::size_t (*)(std::span<const std::uint8_t>, std::size_t, const Signature&) noexcept;

Road WidestRoad() noexcept {
#if defined(VANTREL_X86_ROADS)
    if (__builtin_cpu_supports("avx512bw")) return signature_roads::Avx512;
    if (__builtin_cpu_supports("avx2")) return signature_roads::Avx2;
    if (__builtin_cpu_supports("sse2")) return signature_roads::Sse2;
#endif
    return signature_roads::Scalar;
}

constexpr std::size_t kSignatureSize = std::tuple_size_v<Signature>;
// Chunks start on a page boundary at or before the position asked for; a
// chunk is larger than a page, so it always reaches past that position.
constexpr std::size_t kReadAlignment = 4096;

}  // namespace

std::size_t signature_roads::Widest(std::span<const std::uint8_t> bytes, std::size_t from,
                                    const Signature& signature) noexcept {
    static const Road road = WidestRoad();
    return road(bytes, from, signature);
}

SignatureScanner::SignatureScanner(platform::Stream& stream, std::size_t chunkBytes)
        : stream_(stream), chunkBytes_(std::max(chunkBytes, kReadAlignment + kSignatureSize)), size_(stream.Size()) {}

SignatureScanner::~SignatureScanner() = default;

// Without a match in the chunk, the next one starts three bytes before its
// end, so that a signature across the cut is found.
std::int64_t SignatureScanner::Find(std::int64_t from, std::uint32_t signature) {
    const Signature pattern = SignatureBytes(signature);
    std::int64_t at = std::max<std::int64_t>(from, 0);
    for (;;) {
        if (!Covers(at, kSignatureSize) && !Load(at)) return -1;
        const std::size_t hit = signature_roads::Widest(bytes_, static_cast<std::size_t>(at - start_), pattern);
        if (hit != kSignatureNotFound) return start_ + static_cast<std::int64_t>(hit);
        const std::int64_t end = start_ + static_cast<std::int64_t>(bytes_.size());
        if (end >= size_) return -1;
        at = end - static_cast<std::int64_t>(kSignatureSize - 1);
    }
}

bool SignatureScanner::ReadAt(std::int64_t at, std::span<std::uint8_t> out) {
    if (at < 0 || static_cast<std::int64_t>(out.size()) > size_ - at) return false;
    if (out.empty()) return true;
    if (Covers(at, out.size())) {
        std::memcpy(out.data(), bytes_.data() + (at - start_), out.size());
        return true;
    }
    stream_.SetPosition(at);
    stream_.ReadBuffer(out.data(), out.size());
    return true;
}

bool SignatureScanner::Covers(std::int64_t at, std::size_t count) const {
    return at >= start_ && at + static_cast<std::int64_t>(count) <= start_ + static_cast<std::int64_t>(bytes_.size());
}

// The chunk lies on a page boundary in the buffer, like its start in the
// file: the system's copy into it runs fastest when file offset and buffer
// are aligned alike (page-aligned reads into a buffer 16 bytes off a page cost
// the scan of a 37 MB file a third more). The boundary is found in a plain
// allocation a page larger: an aligned allocation of a small chunk costs the
// stub detection more than its read.
bool SignatureScanner::Load(std::int64_t at) {
    if (size_ - at < static_cast<std::int64_t>(kSignatureSize)) return false;
    const std::int64_t start = at & ~std::int64_t{kReadAlignment - 1};
    const auto count =
        static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(chunkBytes_), size_ - start));
    if (!buffer_) {
        // A stream smaller than a chunk gets a buffer of its own size.
        const auto capacity =
            static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(chunkBytes_), size_));
        buffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(capacity + kReadAlignment);
        const auto address = reinterpret_cast<std::uintptr_t>(buffer_.get());
        chunkStart_ = buffer_.get() + (kReadAlignment - address % kReadAlignment) % kReadAlignment;
    }
    bytes_ = {chunkStart_, count};
    stream_.SetPosition(start);
    stream_.ReadBuffer(bytes_.data(), count);
    start_ = start;
    return true;
}

}  // namespace archive
