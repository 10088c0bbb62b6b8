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

}  // namespace

std::uint32_t Crc32Step(std::uint32_t crc, std::uint8_t byte) noexcept {
    return kTable[(crc ^ byte) & 0xFFu] ^ (crc >> 8);
}

std::uint32_t UpdateCrc32(std::uint32_t crc, std::span<const std::uint8_t> data) noexcept {
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    // Four table steps per round keep the loop overhead low; each step is still one
    // byte through the table, in order.
    for (; n >= 4; n -= 4, p += 4) {
        crc = kTable[(crc ^ p[0]) & 0xFFu] ^ (crc >> 8);
        crc = kTable[(crc ^ p[1]) & 0xFFu] ^ (crc >> 8);
        crc = kTable[(crc ^ p[2]) & 0xFFu] ^ (crc >> 8);
        crc = kTable[(crc ^ p[3]) & 0xFFu] ^ (crc >> 8);
    }
    for (; n > 0; --n, ++p) crc = kTable[(crc ^ *p) & 0xFFu] ^ (crc >> 8);
    return crc;
}

std::uint32_t Crc32(std::span<const std::uint8_t> data) noexcept {
    return UpdateCrc32(kCrcStart, data) ^ 0xFFFFFFFFu;
}

}  // namespace archive
