#include "service/lookup/lookup_options.h"

#include <gtest/gtest.h>

#include "service/http/url.h"
#include "service/service.h"

using namespace lookup;

namespace {

TEST(LookupOptions, TakesTheLookupOptionsAndRefusesBadValues) {
    const catalogue::ServiceOptions defaults = catalogue::ParseServiceOptions({});
    EXPECT_TRUE(defaults.lookup.enabled);
    EXPECT_EQ(defaults.lookup.url, "https://itunes.apple.com/lookup");
    EXPECT_EQ(defaults.lookup.country, "");
    const catalogue::ServiceOptions options = catalogue::ParseServiceOptions(
        {"--port", "0", "--lookup-url", "http://127.0.0.1:8123/lookup", "--country", "DE", "--no-lookup"});
    EXPECT_FALSE(options.lookup.enabled);
    EXPECT_EQ(options.lookup.url, "http://127.0.0.1:8123/lookup");
    EXPECT_EQ(options.lookup.country, "de");
    EXPECT_EQ(options.port, 0);
    const std::vector<std::vector<std::string>> bad = {
        {"--lookup-url", "http://store.example/lookup"},  // http only on a loopback host
        {"--lookup-url", "ftp://127.0.0.1/x"},
        {"--lookup-url", "https://a b/"},
        {"--lookup-url", "https://user@itunes.apple.com/lookup"},
        {"--lookup-url", "https://:80/"},
        {"--lookup-url"},
        {"--country", "deu"},
        {"--country", "d1"},
        {"--country"},
    };
    for (const auto& arguments : bad) {
        SCOPED_TRACE(arguments[0] + (arguments.size() > 1 ? " " + arguments[1] : ""));
        EXPECT_THROW(catalogue::ParseServiceOptions(arguments), std::invalid_argument);
    }
}

TEST(LookupOptions, SplitsAddressesAndKnowsTheLoopback) {
    struct Row {
        const char* url;
        bool valid;
        const char* origin;
        bool loopback;
    };
    const Row rows[] = {
        {"https://itunes.apple.com/lookup", true, "https://itunes.apple.com", false},
        {"http://127.0.0.1:8123/lookup", true, "http://127.0.0.1:8123", true},
        {"http://127.9.8.7/lookup", true, "http://127.9.8.7", true},
        {"http://localhost:9/x?y=1", true, "http://localhost:9", true},
        {"http://[::1]:9/x", true, "http://[::1]:9", true},
        {"http://127.0.0.1.evil.example/", true, "http://127.0.0.1.evil.example", false},
        {"http://[::2]/", true, "http://[::2]", false},
        {"http://::1/", false, "", false},
        {"https://host:99999/", false, "", false},
        {"https://host/\"", false, "", false},
        {"https://host/#x", false, "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url);
        const auto parts = httpd::SplitUrl(row.url);
        ASSERT_EQ(parts.has_value(), row.valid);
        if (!parts) continue;
        EXPECT_EQ(parts->origin, row.origin);
        EXPECT_EQ(parts->loopback, row.loopback);
    }
}

// The region comes from a locale name: the system's default locale on Windows
// (GetSystemDefaultLocaleName, which Wine cannot tell from the user's), the
// environment's on POSIX.
TEST(LookupOptions, TheRegionIsTheCountryOfTheLocaleName) {
    struct Row {
        const char* name;
        const char* country;
    };
    const Row rows[] = {
        {"de-DE", "de"},
        {"fr_CH.UTF-8", "ch"},
        {"de_AT@euro", "at"},
        {"sr-Latn-RS", "rs"},
        {"es-419", ""},
        {"fr", ""},
        {"C.UTF-8", ""},
        {"x-custom", ""},
        {"", ""},
        {"ca-ES-valencia", "es"},
        {"de-DE_phoneb", "de"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CountryOfLocaleName(row.name), row.country);
    }
}

TEST(LookupOptions, TheCountryIsTheOptionsOrTheRegionsOrTheUnitedStates) {
    LookupOptions options;
    options.country = "fr";
    EXPECT_EQ(ResolveCountry(options), "fr");
    options.country.clear();
    const std::string region = SystemRegion();
    EXPECT_EQ(ResolveCountry(options), region.empty() ? "us" : region);
    EXPECT_TRUE(region.empty() || NormalizeCountry(region) == region);
}

}  // namespace
