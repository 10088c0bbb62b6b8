#pragma once
// Reads the store's lookup answer: {"resultCount": N, "results": [{...}, ...]}.
//
// The answer comes from the network, so the reader takes nothing on trust: the
// body, the nesting depth, the number of results and every field are bounded;
// unknown fields are skipped; a field of the wrong type counts as absent; a
// text longer than its bound is cut at a character boundary (a name) or
// dropped (an address). Nothing throws: a body that is not such JSON gives nullopt.

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "service/lookup/app_details.h"

namespace lookup {

inline constexpr std::size_t kMaxResponseBytes = std::size_t{4} << 20;  // the body taken from one call
inline constexpr std::size_t kMaxDepth = 16;                            // nested objects and arrays
inline constexpr std::size_t kMaxResults = 400;                         // records read from one answer
inline constexpr std::size_t kMaxTextBytes = 300;                       // a name, developer, category ...
inline constexpr std::size_t kMaxUrlBytes = 1024;                       // an artwork or store address

// The apps of the answer that carry a trackId, each once (the first wins), in
// the answer's order; nullopt when the body is not a JSON object within the
// bounds above or its "results" is not an array.
std::optional<std::vector<AppDetails>> ReadStoreResponse(std::string_view body);

// `text` cut to at most `maxBytes` bytes at a UTF-8 character boundary, with
// "…" appended when anything was cut (the result may then be up to 3 bytes longer).
std::string CutText(std::string_view text, std::size_t maxBytes);

}  // namespace lookup
