// The store's Retry-After as the clients hand it over: bare, or with the line
// end libcurl leaves on it; seconds or an HTTP-date in any of its three forms.
#include "service/lookup/retry_after.h"

#include <gtest/gtest.h>

using namespace lookup;
using namespace std::chrono_literals;

namespace {

// 1994-11-06 08:49:37 UTC, the date of the examples of HTTP's own texts.
const std::chrono::system_clock::time_point kNow = std::chrono::system_clock::from_time_t(784111777);

TEST(RetryAfter, TakesSecondsAndDatesWithWhateverLineEndTheClientLeaves) {
    struct Row {
        const char* value;
        std::optional<std::chrono::seconds> delay;
    };
    const Row rows[] = {
        {"120", 120s},
        {" 120\r\n", 120s},
        {"2\n", 2s},
        {"\t0\r", 0s},
        {"9999999999", 999999999s},  // cut; the service cuts it to its hour anyway
        {"Sun, 06 Nov 1994 08:51:37 GMT", 120s},
        {"Sun, 06 Nov 1994 08:51:37 GMT\r\n", 120s},
        {"Sunday, 06-Nov-94 08:50:37 GMT", 60s},
        {"Sun Nov  6 08:49:47 1994", 10s},
        {"Mon, 07 Nov 1994 08:49:37 GMT", 86400s},
        {"Sat, 05 Nov 1994 08:49:37 GMT", 0s},  // already past: no wait
        {"", std::nullopt},
        {"\r\n", std::nullopt},
        {"-5", std::nullopt},
        {"1.5", std::nullopt},
        {"soon", std::nullopt},
        {"Sun, 06 Nov 1994 08:51:37 CET", std::nullopt},
        {"Sun, 06 Xyz 1994 08:51:37 GMT", std::nullopt},
        {"Sun, 32 Nov 1994 08:51:37 GMT", std::nullopt},
        {"Sun, 06 Nov 1994 24:51:37 GMT", std::nullopt},
        {"Sun, 06 Nov 994 08:51:37 GMT", std::nullopt},
        {"Sun, 06 Nov 1994 8:51:37 GMT", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(ParseRetryAfter(row.value, kNow), row.delay);
    }
}

}  // namespace
