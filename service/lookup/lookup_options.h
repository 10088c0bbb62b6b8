#pragma once
// The service's lookup options and their defaults:
//
//   --lookup-url URL   the store's lookup address (default kStoreLookupUrl); https,
//                      or http when the host is a loopback address (tests, the demo)
//   --no-lookup        no lookups: pages list the identifiers with their store links only
//   --country CC       the store country (default: the computer's region, "us" when none)

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lookup {

inline constexpr std::string_view kStoreLookupUrl = "https://itunes.apple.com/lookup";
inline constexpr std::string_view kFallbackCountry = "us";

struct LookupOptions {
    bool enabled = true;
    std::string url{kStoreLookupUrl};
    std::string country;  // two lowercase letters; empty: the computer's region
};

// Takes the lookup option at arguments[i] (and its value, moving i onto it).
// False when arguments[i] is no lookup option; throws std::invalid_argument
// for a missing or bad value.
bool TakeLookupOption(const std::vector<std::string>& arguments, std::size_t& i, LookupOptions& options);

// The usage lines of the options above.
std::string_view LookupUsageText();

// Two letters, lower case, or nullopt.
std::optional<std::string> NormalizeCountry(std::string_view text);

// The store country: the option's, else the computer's region, else "us".
std::string ResolveCountry(const LookupOptions& options);

// The country of a locale name, two lower-case letters, or empty when it names
// none: "de-DE" and "de_DE.UTF-8" -> "de", "sr-Latn-RS" -> "rs", "es-419" and "fr" -> "".
std::string CountryOfLocaleName(std::string_view name);

// The computer's region as two lower-case letters, or empty (posix/ and win32/
// implement it: the system's default locale on Windows, the environment's on POSIX).
std::string SystemRegion();

}  // namespace lookup
