#pragma once
// Internal to the two crypto providers.

#include <cstdint>
#include <span>

namespace platform::crypto_detail {

// `key`, or for an empty key the equivalent single zero byte.
std::span<const std::uint8_t> NonEmptyHmacKey(std::span<const std::uint8_t> key) noexcept;

}  // namespace platform::crypto_detail
