#include "archive/ascii_names.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace archive {
namespace ascii_roads {

bool PlainIsAscii(std::span<const std::uint8_t> bytes) noexcept {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b < 0x80; });
}

void PlainWiden(std::span<const std::uint8_t> bytes, char16_t* units) noexcept {
    for (std::size_t i = 0; i < bytes.size(); ++i) units[i] = bytes[i];
}

#if defined(__SSE2__)

// The top bits of sixteen bytes at once, gathered and tested once at the end
// (names are short). A name of sixteen bytes or more ends with the sixteen
// bytes that end it, overlapping the last step: no byte-by-byte tail.
bool WideIsAscii(std::span<const std::uint8_t> bytes) noexcept {
    const std::size_t n = bytes.size();
    if (n < 16) return PlainIsAscii(bytes);
    const auto load = [&](std::size_t at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + at));
    };
    __m128i tops = load(n - 16);
    for (std::size_t at = 0; at + 16 <= n; at += 16) tops = _mm_or_si128(tops, load(at));
    return _mm_movemask_epi8(tops) == 0;
}

// Sixteen bytes interleaved with zero bytes give sixteen little-endian units;
// the last sixteen again where the length is no multiple of sixteen (the
// units they overlap get the same values twice).
void WideWiden(std::span<const std::uint8_t> bytes, char16_t* units) noexcept {
    const std::size_t n = bytes.size();
    if (n < 16) return PlainWiden(bytes, units);
    const __m128i zero = _mm_setzero_si128();
    const auto step = [&](std::size_t at) {
        const __m128i piece = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + at));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(units + at), _mm_unpacklo_epi8(piece, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(units + at + 8), _mm_unpackhi_epi8(piece, zero));
    };
    for (std::size_t at = 0; at + 16 <= n; at += 16) step(at);
    if (n % 16 != 0) step(n - 16);
}

#else

bool WideIsAscii(std::span<const std::uint8_t> bytes) noexcept { return PlainIsAscii(bytes); }
void WideWiden(std::span<const std::uint8_t> bytes, char16_t* units) noexcept { PlainWiden(bytes, units); }

#endif

}  // namespace ascii_roads

bool IsAsciiName(std::span<const std::uint8_t> bytes) noexcept { return ascii_roads::WideIsAscii(bytes); }

void WidenAsciiName(std::span<const std::uint8_t> bytes, char16_t* units) noexcept {
    ascii_roads::WideWiden(bytes, units);
}

}  // namespace archive
