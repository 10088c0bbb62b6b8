#pragma once
// The system's cryptographic primitives, as the archive reader needs them for
// AES-encrypted members: PBKDF2 with HMAC-SHA1, AES block encryption (each
// block on its own, ECB) and HMAC-SHA1. BCrypt (CNG) on Windows, libcrypto on
// POSIX; nothing here is our own cipher or hash code.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "platform/exception.h"

namespace platform {

inline constexpr std::size_t kAesBlockSize = 16;
inline constexpr std::size_t kSha1DigestSize = 20;

// A call of the system's crypto provider failed; names the operation.
class ECryptoError : public Exception {
public:
    explicit ECryptoError(std::u16string_view operation);
};

// PBKDF2 (RFC 8018) with HMAC-SHA1 as its pseudo-random function: fills `derived`.
// Throws ECryptoError.
void Pbkdf2HmacSha1(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
                    std::uint32_t iterations, std::span<std::uint8_t> derived);

// AES with a 16-, 24- or 32-byte key, encrypting whole blocks each on its own.
class AesEcb {
public:
    // Throws ECryptoError, also for a key of another length.
    explicit AesEcb(std::span<const std::uint8_t> key);
    ~AesEcb();
    AesEcb(AesEcb&&) noexcept;
    AesEcb& operator=(AesEcb&&) noexcept;

    // Encrypts `input` (a whole number of blocks) into `output` of the same length.
    // Throws ECryptoError.
    void EncryptBlocks(std::span<const std::uint8_t> input, std::span<std::uint8_t> output);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// HMAC-SHA1 over data given piece by piece.
class HmacSha1 {
public:
    // Throws ECryptoError.
    explicit HmacSha1(std::span<const std::uint8_t> key);
    ~HmacSha1();
    HmacSha1(HmacSha1&&) noexcept;
    HmacSha1& operator=(HmacSha1&&) noexcept;

    void Update(std::span<const std::uint8_t> data);
    // The code over everything given so far; call once, no Update afterwards.
    std::array<std::uint8_t, kSha1DigestSize> Finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The bytes of an 8-bit text, for the functions above.
inline std::span<const std::uint8_t> Bytes(std::string_view text) noexcept {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace platform
