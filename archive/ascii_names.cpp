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

// The top bits of sixteen bytes at once; the rest byte by byte.
bool WideIsAscii(std::span<const std::uint8_t> bytes) noexcept {
    std::size_t at = 0;
    for (; at + 16 <= bytes.size(); at += 16) {
        const __m128i piece = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + at));
        if (_mm_movemask_epi8(piece) != 0) return false;
    }
    return PlainIsAscii(bytes.subspan(at));
}

// Sixteen bytes interleaved with zero bytes give sixteen little-endian units.
void WideWiden(std::span<const std::uint8_t> bytes, char16_t* units) noexcept {
    const __m128i zero = _mm_setzero_si128();
    std::size_t at = 0;
    for (; at + 16 <= bytes.size(); at += 16) {
        const __m128i piece = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + at));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(units + at), _mm_unpacklo_epi8(piece, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(units + at + 8), _mm_unpackhi_epi8(piece, zero));
    }
    PlainWiden(bytes.subspan(at), units + at);
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
