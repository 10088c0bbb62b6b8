#include "archive/crc32.h"

#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VANTREL_CRC_FOLDING 1
#endif

namespace archive {
namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;

using Table = std::array<std::uint32_t, 256>;

// Table k gives what a byte contributes when k more bytes follow it in the same step.
constexpr std::array<Table, 16> MakeTables() {
    std::array<Table, 16> tables{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) c = (c & 1u) ? (c >> 1) ^ kPolynomial : c >> 1;
        tables[0][n] = c;
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (std::uint32_t n = 0; n < 256; ++n) {
            const std::uint32_t prev = tables[k - 1][n];
            tables[k][n] = (prev >> 8) ^ tables[0][prev & 0xFFu];
        }
    }
    return tables;
}

constexpr std::array<Table, 16> kTables = MakeTables();

inline std::uint32_t Step(std::uint32_t crc, std::uint8_t byte) {
    return kTables[0][(crc ^ byte) & 0xFFu] ^ (crc >> 8);
}

inline std::uint32_t LoadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline std::uint32_t Bytes4(std::uint32_t word, std::size_t table) {
    return kTables[table + 3][word & 0xFFu] ^ kTables[table + 2][(word >> 8) & 0xFFu] ^
           kTables[table + 1][(word >> 16) & 0xFFu] ^ kTables[table][word >> 24];
}

#if VANTREL_CRC_FOLDING

// x^k modulo P, in the register's reflected order (bit 31 is x^0).
constexpr std::uint32_t XPowerModP(unsigned k) {
    std::uint32_t r = 1u << 31;
    for (unsigned i = 0; i < k; ++i) r = (r & 1u) ? (r >> 1) ^ kPolynomial : r >> 1;
    return r;
}

// A 128-bit block A of the stream is its first 64 bits L (the low quadword,
// its bit i being x^(63-i)) times x^64 plus its last 64 bits H. Moving A
// `distance` bits further down the stream multiplies it by x^distance, which
// modulo P is L * (x^(64+distance) mod P) + H * (x^distance mod P), each below
// 96 bits. A carry-less product of a quadword with a constant whose bit j is
// x^(63-j) lands one bit short of the block's order, so the constants are
// taken one power lower.
constexpr std::uint64_t FoldConstant(unsigned exponent) {
    return static_cast<std::uint64_t>(XPowerModP(exponent - 1)) << 32;
}

constexpr std::uint64_t kFold512Low = FoldConstant(64 + 512);
constexpr std::uint64_t kFold512High = FoldConstant(512);
constexpr std::uint64_t kFold128Low = FoldConstant(64 + 128);
constexpr std::uint64_t kFold128High = FoldConstant(128);

__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i block, __m128i constants) {
    return _mm_xor_si128(_mm_clmulepi64_si128(block, constants, 0x00), _mm_clmulepi64_si128(block, constants, 0x11));
}

__attribute__((target("pclmul,sse2"))) inline __m128i Load(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Four blocks are folded side by side across 64 bytes at a time, then into one,
// which goes on 16 bytes at a time. The register enters as the first 32 bits
// of the stream; what is left at the end is A, and A * x^32 mod P, the new
// register, is what the table loop makes of A's 16 bytes from a zero register.
__attribute__((target("pclmul,sse2"))) std::uint32_t FoldLong(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
    const __m128i fold512 = _mm_set_epi64x(static_cast<long long>(kFold512High), static_cast<long long>(kFold512Low));
    const __m128i fold128 = _mm_set_epi64x(static_cast<long long>(kFold128High), static_cast<long long>(kFold128Low));
    __m128i x0 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x1 = Load(p + 16), x2 = Load(p + 32), x3 = Load(p + 48);
    p += 64;
    n -= 64;
    for (; n >= 64; p += 64, n -= 64) {
        x0 = _mm_xor_si128(Fold(x0, fold512), Load(p));
        x1 = _mm_xor_si128(Fold(x1, fold512), Load(p + 16));
        x2 = _mm_xor_si128(Fold(x2, fold512), Load(p + 32));
        x3 = _mm_xor_si128(Fold(x3, fold512), Load(p + 48));
    }
    __m128i x = _mm_xor_si128(Fold(x0, fold128), x1);
    x = _mm_xor_si128(Fold(x, fold128), x2);
    x = _mm_xor_si128(Fold(x, fold128), x3);
    for (; n >= 16; p += 16, n -= 16) x = _mm_xor_si128(Fold(x, fold128), Load(p));
    alignas(16) std::uint8_t last[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(last), x);
    crc = crc32_roads::Sliced(0, last);
    return crc32_roads::Sliced(crc, {p, n});
}

constexpr std::size_t kFoldThreshold = 256;

#endif

}  // namespace

namespace crc32_roads {

std::uint32_t Plain(std::uint32_t crc, std::span<const std::uint8_t> data) noexcept {
    for (const std::uint8_t byte : data) crc = Step(crc, byte);
    return crc;
}

// Sixteen bytes a step: the register is folded into the first four, and each
// byte's contribution is looked up in the table for its distance from the end.
std::uint32_t Sliced(std::uint32_t crc, std::span<const std::uint8_t> data) noexcept {
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    for (; n >= 16; p += 16, n -= 16) {
        crc = Bytes4(LoadLe32(p) ^ crc, 12) ^ Bytes4(LoadLe32(p + 4), 8) ^ Bytes4(LoadLe32(p + 8), 4) ^
              Bytes4(LoadLe32(p + 12), 0);
    }
    for (; n > 0; ++p, --n) crc = Step(crc, *p);
    return crc;
}

bool HasFolding() noexcept {
#if VANTREL_CRC_FOLDING
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
    return has;
#else
    return false;
#endif
}

std::uint32_t Folded(std::uint32_t crc, std::span<const std::uint8_t> data) noexcept {
#if VANTREL_CRC_FOLDING
    if (HasFolding() && data.size() >= 64) return FoldLong(crc, data.data(), data.size());
#endif
    return Sliced(crc, data);
}

}  // namespace crc32_roads

std::uint32_t Crc32Step(std::uint32_t crc, std::uint8_t byte) noexcept { return Step(crc, byte); }

std::uint32_t UpdateCrc32(std::uint32_t crc, std::span<const std::uint8_t> data) noexcept {
#if VANTREL_CRC_FOLDING
    if (data.size() >= kFoldThreshold) return crc32_roads::Folded(crc, data);
#endif
    return crc32_roads::Sliced(crc, data);
}

std::uint32_t Crc32(std::span<const std::uint8_t> data) noexcept { return UpdateCrc32(kCrcStart, data) ^ 0xFFFFFFFFu; }

}  // namespace archive
