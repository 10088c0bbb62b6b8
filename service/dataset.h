#pragma once
// The identifier list of a submission: "dataset=ID,ID,..." in the query of
// /input/submit.php. Store identifiers are decimal numbers; anything else in
// the list is dropped (and counted), so no other text reaches a page.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace catalogue {

inline constexpr std::size_t kMaxIdentifierDigits = 20;  // a 64-bit number
inline constexpr std::size_t kMaxIdentifiers = 1000;

struct Dataset {
    std::vector<std::string> identifiers;  // distinct, in the order first seen; kMaxIdentifiers at most
    std::size_t dropped = 0;               // entries that were not identifiers (empty ones not counted)
    std::size_t overLimit = 0;             // distinct identifiers beyond the first kMaxIdentifiers
};

// Decodes %XX escapes and "+" (a space); nullopt for a broken escape.
std::optional<std::string> PercentDecode(std::string_view text);

// The value of the first `name` parameter of a query ("a=1&b=2"), decoded;
// nullopt when the parameter is absent or its escapes are broken.
std::optional<std::string> QueryParameter(std::string_view query, std::string_view name);

// Splits the list at commas; blanks around an entry are ignored, empty entries
// skipped. An entry of 1 to 20 digits is an identifier; repeats are listed
// once; identifiers beyond the first kMaxIdentifiers are counted as over the limit.
Dataset ParseDataset(std::string_view list);

}  // namespace catalogue
