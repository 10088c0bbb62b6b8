#include "service/lookup/store_id.h"

namespace lookup {

std::optional<std::string> StoreIdValue(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    const std::size_t first = digits.find_first_not_of('0');
    const std::string_view value = first == std::string_view::npos ? std::string_view("0") : digits.substr(first);
    if (value.size() > kMaxStoreIdDigits) return std::nullopt;
    return std::string(value);
}

std::string LookupKey(std::string_view country, std::string_view value) {
    std::string key(country);
    key += ':';
    key += value;
    return key;
}

}  // namespace lookup
