#pragma once
// Traditional PKWARE encryption (APPNOTE 6.1, "Traditional PKWARE Encryption"):
// three 32-bit keys driven by the password and by every plain byte, and the
// 12-byte encryption header in front of each encrypted member's data.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "archive/member_cipher.h"

namespace archive {

// Length of the encryption header in front of the member data.
inline constexpr std::size_t kPkwareHeaderSize = 12;

class PkwareCipher : public MemberCipher {
public:
    // Keys initialised from the 8-bit password.
    explicit PkwareCipher(std::string_view password) noexcept;

    // Decrypts `data` in place, continuing the key stream of earlier calls.
    void Decrypt(std::span<std::uint8_t> data) noexcept override;
    // Encrypts `data` in place, continuing the key stream of earlier calls.
    void Encrypt(std::span<std::uint8_t> data) noexcept;

private:
    void UpdateKeys(std::uint8_t plain) noexcept;
    std::uint8_t KeyStreamByte() const noexcept;

    std::uint32_t key0_ = 0x12345678u;
    std::uint32_t key1_ = 0x23456789u;
    std::uint32_t key2_ = 0x34567890u;
};

// The byte the last header byte must decrypt to: the high byte of the local header's
// CRC-32, or of its modification time when the member has a data descriptor (flag bit 3).
std::uint8_t PkwareCheckByte(std::uint16_t localFlags, std::uint32_t localCrc32, std::uint16_t localTime) noexcept;

// Decrypts a copy of `header` with `password` and tells whether its last byte equals
// `checkByte`. On a match `cipher` (if given) is left ready for the member data.
bool PkwareHeaderMatches(std::string_view password, std::span<const std::uint8_t, kPkwareHeaderSize> header,
                         std::uint8_t checkByte, PkwareCipher* cipher = nullptr) noexcept;

}  // namespace archive
