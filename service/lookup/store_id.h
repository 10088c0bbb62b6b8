#pragma once
// Store identifiers by value. The program sends an identifier as it read it
// from the package, leading zeros and all ("0284882215"); the store answers
// with the number ("284882215"). The lookups ask, queue and keep answers by
// value, so that both spellings are one question with one answer.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lookup {

// A store identifier is a 64-bit number: more digits than this cannot be one.
inline constexpr std::size_t kMaxStoreIdDigits = 19;

// The digits without their leading zeros ("0284882215" -> "284882215",
// "000" -> "0"); nullopt for anything but digits, or a value of more than
// kMaxStoreIdDigits digits (never looked up).
std::optional<std::string> StoreIdValue(std::string_view digits);

// The key of one question in the cache and the queue: "de:284882215".
std::string LookupKey(std::string_view country, std::string_view value);

}  // namespace lookup
