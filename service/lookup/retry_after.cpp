#include "service/lookup/retry_after.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "service/http/text.h"

namespace lookup {

namespace {

// Delay-seconds past this are cut here; the service's own bound is far lower.
constexpr long long kMaxSeconds = 999'999'999;

std::string_view TrimValue(std::string_view value) {
    const std::size_t first = value.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return value.substr(first, value.find_last_not_of(" \t\r\n") - first + 1);
}

// The value of 1 to maxDigits decimal digits (at least minDigits); -1 for anything else.
long long Number(std::string_view text, std::size_t minDigits, std::size_t maxDigits) {
    if (text.size() < minDigits || text.size() > maxDigits) return -1;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::vector<std::string_view> Tokens(std::string_view text) {
    std::vector<std::string_view> tokens;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of(" ,-");
        if (end != 0) tokens.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return tokens;
}

std::chrono::month Month(std::string_view name) {
    static constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                                 "jul", "aug", "sep", "oct", "nov", "dec"};
    const std::string lower = httpd::AsciiLower(name);
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
        if (lower == kMonths[i]) return std::chrono::month{static_cast<unsigned>(i) + 1};
    }
    return std::chrono::month{0};
}

// "08:49:37" -> seconds of the day; -1 for anything else.
long long TimeOfDay(std::string_view text) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') return -1;
    const long long h = Number(text.substr(0, 2), 2, 2), m = Number(text.substr(3, 2), 2, 2),
                    s = Number(text.substr(6, 2), 2, 2);
    if (h < 0 || m < 0 || s < 0 || h > 23 || m > 59 || s > 60) return -1;
    return h * 3600 + m * 60 + s;
}

// Seconds since 1970 of an HTTP-date:
//   IMF-fixdate  Sun, 06 Nov 1994 08:49:37 GMT
//   RFC 850      Sunday, 06-Nov-94 08:49:37 GMT
//   asctime      Sun Nov  6 08:49:37 1994
std::optional<long long> HttpDate(std::string_view text) {
    const std::vector<std::string_view> tokens = Tokens(text);
    long long day = -1, year = -1, time = -1;
    std::chrono::month month{0};
    if (tokens.size() == 6 && httpd::AsciiLower(tokens[5]) == "gmt") {
        day = Number(tokens[1], 1, 2);
        month = Month(tokens[2]);
        if (tokens[3].size() == 2) {
            year = Number(tokens[3], 2, 2);
            if (year >= 0) year += year < 70 ? 2000 : 1900;  // RFC 850's two digits
        } else {
            year = Number(tokens[3], 4, 4);
        }
        time = TimeOfDay(tokens[4]);
    } else if (tokens.size() == 5) {
        month = Month(tokens[1]);
        day = Number(tokens[2], 1, 2);
        time = TimeOfDay(tokens[3]);
        year = Number(tokens[4], 4, 4);
    }
    if (day < 1 || day > 31 || year < 0 || time < 0 || !month.ok()) return std::nullopt;
    // A day past the month's end counts on into the next month, as the calendar does.
    const std::chrono::sys_days date{std::chrono::year{static_cast<int>(year)} / month / static_cast<int>(day)};
    return static_cast<long long>(date.time_since_epoch().count()) * 86400 + time;
}

}  // namespace

std::optional<std::chrono::seconds> ParseRetryAfter(std::string_view value, std::chrono::system_clock::time_point now) {
    value = TrimValue(value);
    if (value.empty()) return std::nullopt;
    if (value.find_first_not_of("0123456789") == std::string_view::npos) {
        if (value.size() > 9) return std::chrono::seconds(kMaxSeconds);
        return std::chrono::seconds(Number(value, 1, 9));
    }
    const std::optional<long long> date = HttpDate(value);
    if (!date) return std::nullopt;
    const long long nowSeconds = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
    return std::chrono::seconds(std::max(0LL, std::min(*date - nowSeconds, kMaxSeconds)));
}

}  // namespace lookup
