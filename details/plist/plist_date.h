#pragma once
// The ISO 8601 text of property-list dates ("2011-09-08T12:30:05Z", always
// UTC) and the seconds since 2001-01-01 00:00:00 UTC that stand behind it.

#include <optional>
#include <string>
#include <string_view>

namespace plist {

// Whole seconds are written; a fraction is cut towards the past. Dates outside
// the years 0001 to 9999 are clamped to them.
std::string FormatDate(double secondsSince2001);

// Reads "YYYY-MM-DDTHH:MM:SSZ"; nullopt for anything else or an impossible date.
std::optional<double> ParseDate(std::string_view text);

}  // namespace plist
