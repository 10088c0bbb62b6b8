#include "service/dataset.h"

#include <algorithm>
#include <unordered_set>

#include "service/http/text.h"

namespace catalogue {

namespace {

bool IsIdentifier(std::string_view entry) {
    return !entry.empty() && entry.size() <= kMaxIdentifierDigits &&
           std::all_of(entry.begin(), entry.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::optional<std::string> PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out.push_back(' ');
        } else if (text[i] != '%') {
            out.push_back(text[i]);
        } else {
            if (i + 2 >= text.size()) return std::nullopt;
            const int high = httpd::HexDigitValue(text[i + 1]);
            const int low = httpd::HexDigitValue(text[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        }
    }
    return out;
}

std::optional<std::string> QueryParameter(std::string_view query, std::string_view name) {
    while (true) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const std::size_t equals = pair.find('=');
        if (pair.substr(0, equals) == name) {
            return PercentDecode(equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1));
        }
        if (amp == std::string_view::npos) return std::nullopt;
        query.remove_prefix(amp + 1);
    }
}

Dataset ParseDataset(std::string_view list) {
    Dataset dataset;
    std::unordered_set<std::string> seen;
    while (true) {
        const std::size_t comma = list.find(',');
        const std::string_view entry = httpd::TrimBlanks(list.substr(0, comma));
        if (!entry.empty()) {
            if (!IsIdentifier(entry)) {
                ++dataset.dropped;
            } else if (seen.insert(std::string(entry)).second) {
                if (dataset.identifiers.size() < kMaxIdentifiers) {
                    dataset.identifiers.emplace_back(entry);
                } else {
                    ++dataset.overLimit;
                }
            }
        }
        if (comma == std::string_view::npos) return dataset;
        list.remove_prefix(comma + 1);
    }
}

}  // namespace catalogue
