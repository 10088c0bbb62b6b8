#pragma once
// The store's Retry-After header: how long it asks to be left alone.

#include <chrono>
#include <optional>
#include <string_view>

namespace lookup {

// The delay a Retry-After value asks for, counted from `now`: delay-seconds
// ("120") or an HTTP-date ("Wed, 21 Oct 2015 07:28:00 GMT", or one of its two
// obsolete forms); a date already past asks for none. Blanks, CR and LF
// around the value are ignored (libcurl hands the header line over with its
// line end, WinHTTP the bare value). nullopt for anything else.
std::optional<std::chrono::seconds> ParseRetryAfter(std::string_view value, std::chrono::system_clock::time_point now);

}  // namespace lookup
