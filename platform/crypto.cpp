// What both providers share: the error text, and keys they could refuse.
#include "platform/crypto.h"

#include "platform/crypto_keys.h"

namespace platform {

ECryptoError::ECryptoError(std::u16string_view operation)
        : Exception(u"Cryptographic provider failed: " + std::u16string(operation)) {}

namespace crypto_detail {

// HMAC pads every key shorter than the hash's block with zero bytes, so an empty
// key and a single zero byte are the same key. Some providers refuse an empty
// key (or password, which is PBKDF2's HMAC key); they get the zero byte instead.
std::span<const std::uint8_t> NonEmptyHmacKey(std::span<const std::uint8_t> key) noexcept {
    static constexpr std::uint8_t kZero[1] = {0};
    return key.empty() ? std::span<const std::uint8_t>(kZero) : key;
}

}  // namespace crypto_detail
}  // namespace platform
