#include "archive/crc32.h"

#include <array>

namespace archive {
namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;

constexpr std::array<std::uint32_t, 256> MakeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) c = (c & 1u) ? (c >> 1) ^ kPolynomial : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kTable = MakeTable();

inline std::uint32_t Step(std::uint32_t crc, std::uint8_t byte) { return kTable[(crc ^ byte) & 0xFFu] ^ (crc >> 8); }

// Polynomial arithmetic modulo the CRC polynomial, in the reflected bit order of
// the register (bit 31 is x^0).
constexpr std::uint32_t MultiplyModP(std::uint32_t a, std::uint32_t b) {
    std::uint32_t product = 0;
    for (std::uint32_t m = 1u << 31; m != 0; m >>= 1) {
        if (a & m) product ^= b;
        b = (b & 1u) ? (b >> 1) ^ kPolynomial : b >> 1;
    }
    return product;
}

// x^(2^k) modulo P for k = 0..63.
constexpr std::array<std::uint32_t, 64> MakePowers() {
    std::array<std::uint32_t, 64> powers{};
    std::uint32_t p = 1u << 30;  // x^1
    for (auto& power : powers) {
        power = p;
        p = MultiplyModP(p, p);
    }
    return powers;
}

constexpr std::array<std::uint32_t, 64> kPowers = MakePowers();

// x^(8n) modulo P: what a register is multiplied by when n zero bytes pass.
std::uint32_t ShiftFactor(std::uint64_t n) {
    std::uint32_t factor = 1u << 31;  // x^0
    for (unsigned k = 3; n != 0; n >>= 1, ++k) {
        if (n & 1u) factor = MultiplyModP(kPowers[k & 63], factor);
    }
    return factor;
}

constexpr std::size_t kLanes = 4;
constexpr std::size_t kLaneThreshold = 4096;

// Long runs go through four lanes at once: each quarter is fed byte by byte
// through the table from a zero register, independent of the others, so the
// processor overlaps their table look-ups; the quarters are then joined by the
// linearity of the CRC (register after a run = shifted start register XOR the
// run's own register). The result equals the plain byte-by-byte loop.
std::uint32_t UpdateInLanes(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
    const std::size_t lane = n / kLanes;
    const std::uint8_t* p0 = p;
    const std::uint8_t* p1 = p + lane;
    const std::uint8_t* p2 = p + 2 * lane;
    const std::uint8_t* p3 = p + 3 * lane;
    std::uint32_t c0 = 0, c1 = 0, c2 = 0, c3 = 0;
    for (std::size_t i = 0; i < lane; ++i) {
        c0 = Step(c0, p0[i]);
        c1 = Step(c1, p1[i]);
        c2 = Step(c2, p2[i]);
        c3 = Step(c3, p3[i]);
    }
    const std::uint32_t shift = ShiftFactor(lane);
    crc = MultiplyModP(shift, crc) ^ c0;
    crc = MultiplyModP(shift, crc) ^ c1;
    crc = MultiplyModP(shift, crc) ^ c2;
    crc = MultiplyModP(shift, crc) ^ c3;
    for (const std::uint8_t* q = p + kLanes * lane; q != p + n; ++q) crc = Step(crc, *q);
    return crc;
}

}  // namespace

std::uint32_t Crc32Step(std::uint32_t crc, std::uint8_t byte) noexcept { return Step(crc, byte); }

std::uint32_t UpdateCrc32(std::uint32_t crc, std::span<const std::uint8_t> data) noexcept {
    if (data.size() >= kLaneThreshold) return UpdateInLanes(crc, data.data(), data.size());
    for (const std::uint8_t byte : data) crc = Step(crc, byte);
    return crc;
}

std::uint32_t Crc32(std::span<const std::uint8_t> data) noexcept {
    return UpdateCrc32(kCrcStart, data) ^ 0xFFFFFFFFu;
}

}  // namespace archive
