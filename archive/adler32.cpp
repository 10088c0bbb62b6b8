#include "archive/adler32.h"

#include <zlib.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VANTREL_ADLER_VECTOR 1
#endif

namespace archive {
namespace {

constexpr std::uint32_t kBase = 65521;

#if VANTREL_ADLER_VECTOR

// Bytes per run between reductions modulo kBase: the 32-bit lanes that sum the
// runs' earlier bytes stay below 2^32.
constexpr std::size_t kRun = 5536;

// For a block of 16 bytes b0..b15 entering with sums (s1, s2):
// s1 += sum b, s2 += 16 * s1 + sum (16 - i) * b_i. Within a run, `before`
// collects s1's growth ahead of each block; the start value's share, run
// length * s1, is added once at the end of the run.
__attribute__((target("ssse3"))) std::uint32_t UpdateVector(std::uint32_t adler, const std::uint8_t* p, std::size_t n) {
    std::uint64_t s1 = adler & 0xFFFFu;
    std::uint64_t s2 = adler >> 16;
    const __m128i weights = _mm_setr_epi8(16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
    const __m128i ones = _mm_set1_epi16(1);
    const __m128i zero = _mm_setzero_si128();
    while (n >= 16) {
        const std::size_t run = (n < kRun ? n : kRun) & ~std::size_t{15};
        __m128i sum = zero, before = zero, weighted = zero;
        for (std::size_t at = 0; at < run; at += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
            before = _mm_add_epi32(before, sum);
            sum = _mm_add_epi32(sum, _mm_sad_epu8(block, zero));
            weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_maddubs_epi16(block, weights), ones));
        }
        alignas(16) std::uint32_t lanes[3][4];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes[0]), sum);
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes[1]), before);
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes[2]), weighted);
        const std::uint64_t bytes = std::uint64_t{lanes[0][0]} + lanes[0][2];
        const std::uint64_t earlier = std::uint64_t{lanes[1][0]} + lanes[1][2];
        const std::uint64_t inside = std::uint64_t{lanes[2][0]} + lanes[2][1] + lanes[2][2] + lanes[2][3];
        s2 = (s2 + run * s1 + 16 * earlier + inside) % kBase;
        s1 = (s1 + bytes) % kBase;
        p += run;
        n -= run;
    }
    for (; n > 0; --n, ++p) {
        s1 += *p;
        s2 += s1;
    }
    return static_cast<std::uint32_t>((s2 % kBase) << 16 | (s1 % kBase));
}

bool HasVector() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

#endif

}  // namespace

std::uint32_t UpdateAdler32(std::uint32_t adler, std::span<const std::uint8_t> data) noexcept {
#if VANTREL_ADLER_VECTOR
    if (HasVector()) return UpdateVector(adler, data.data(), data.size());
#endif
    return static_cast<std::uint32_t>(adler32(adler, data.data(), static_cast<uInt>(data.size())));
}

std::uint32_t PlainAdler32(std::uint32_t adler, std::span<const std::uint8_t> data) noexcept {
    std::uint32_t s1 = adler & 0xFFFFu, s2 = adler >> 16;
    for (const std::uint8_t byte : data) {
        s1 = (s1 + byte) % kBase;
        s2 = (s2 + s1) % kBase;
    }
    return s2 << 16 | s1;
}

}  // namespace archive
