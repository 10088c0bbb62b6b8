#include "service/lookup/lookup_options.h"

#include <stdexcept>

#include "service/http/text.h"
#include "service/http/url.h"

namespace lookup {

std::optional<std::string> NormalizeCountry(std::string_view text) {
    if (text.size() != 2) return std::nullopt;
    std::string code = httpd::AsciiLower(text);
    for (char c : code) {
        if (c < 'a' || c > 'z') return std::nullopt;
    }
    return code;
}

std::string CountryOfLocaleName(std::string_view name) {
    name = name.substr(0, name.find_first_of(".@"));  // without codeset and modifier
    const std::size_t language = name.find_first_of("-_");
    if (language == std::string_view::npos) return {};
    name.remove_prefix(language + 1);
    while (!name.empty()) {
        // language[-script][-region][-variant...]: the region is the one subtag of two letters.
        const std::size_t end = name.find_first_of("-_");
        if (std::optional<std::string> country = NormalizeCountry(name.substr(0, end))) return *country;
        if (end == std::string_view::npos) break;
        name.remove_prefix(end + 1);
    }
    return {};
}

std::string ResolveCountry(const LookupOptions& options) {
    if (!options.country.empty()) return options.country;
    if (std::optional<std::string> region = NormalizeCountry(SystemRegion())) return *region;
    return std::string(kFallbackCountry);
}

std::string_view LookupUsageText() {
    return "  --lookup-url URL  the store's lookup address (default https://itunes.apple.com/lookup;\n"
           "                    http only for a loopback host)\n"
           "  --no-lookup       look nothing up: pages list the identifiers with their store links only\n"
           "  --country CC      store country of the lookups (default: this computer's region, else us)\n";
}

bool TakeLookupOption(const std::vector<std::string>& arguments, std::size_t& i, LookupOptions& options) {
    const std::string& option = arguments[i];
    if (option == "--no-lookup") {
        options.enabled = false;
        return true;
    }
    if (option != "--lookup-url" && option != "--country") return false;
    if (i + 1 >= arguments.size()) throw std::invalid_argument("missing value: " + option);
    const std::string& value = arguments[++i];
    if (option == "--country") {
        const std::optional<std::string> country = NormalizeCountry(value);
        if (!country) throw std::invalid_argument("--country needs a two-letter country code: " + value);
        options.country = *country;
        return true;
    }
    const std::optional<httpd::UrlParts> parts = httpd::SplitUrl(value);
    if (!parts) throw std::invalid_argument("--lookup-url needs an http:// or https:// address: " + value);
    if (parts->scheme != "https" && !parts->loopback)
        throw std::invalid_argument("--lookup-url needs https unless the host is a loopback address: " + value);
    options.url = value;
    return true;
}

}  // namespace lookup
