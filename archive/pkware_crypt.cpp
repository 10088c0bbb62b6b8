#include "archive/pkware_crypt.h"

#include <algorithm>
#include <array>

#include "archive/crc32.h"

namespace archive {

PkwareCipher::PkwareCipher(std::string_view password) noexcept {
    for (char c : password) UpdateKeys(static_cast<std::uint8_t>(c));
}

void PkwareCipher::UpdateKeys(std::uint8_t plain) noexcept {
    key0_ = Crc32Step(key0_, plain);
    key1_ = (key1_ + (key0_ & 0xFFu)) * 134775813u + 1u;
    key2_ = Crc32Step(key2_, static_cast<std::uint8_t>(key1_ >> 24));
}

std::uint8_t PkwareCipher::KeyStreamByte() const noexcept {
    const std::uint32_t temp = (key2_ | 2u) & 0xFFFFu;
    return static_cast<std::uint8_t>((temp * (temp ^ 1u)) >> 8);
}

void PkwareCipher::Decrypt(std::span<std::uint8_t> data) noexcept {
    for (std::uint8_t& b : data) {
        b = static_cast<std::uint8_t>(b ^ KeyStreamByte());
        UpdateKeys(b);
    }
}

void PkwareCipher::Encrypt(std::span<std::uint8_t> data) noexcept {
    for (std::uint8_t& b : data) {
        const std::uint8_t key = KeyStreamByte();
        UpdateKeys(b);
        b = static_cast<std::uint8_t>(b ^ key);
    }
}

std::uint8_t PkwareCheckByte(std::uint16_t localFlags, std::uint32_t localCrc32, std::uint16_t localTime) noexcept {
    if (localFlags & 0x0008u) return static_cast<std::uint8_t>(localTime >> 8);
    return static_cast<std::uint8_t>(localCrc32 >> 24);
}

bool PkwareHeaderMatches(std::string_view password, std::span<const std::uint8_t, kPkwareHeaderSize> header,
                         std::uint8_t checkByte, PkwareCipher* cipher) noexcept {
    PkwareCipher trial(password);
    std::array<std::uint8_t, kPkwareHeaderSize> plain{};
    std::copy(header.begin(), header.end(), plain.begin());
    trial.Decrypt(plain);
    if (plain.back() != checkByte) return false;
    if (cipher) *cipher = trial;
    return true;
}

}  // namespace archive
