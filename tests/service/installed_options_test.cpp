#include "service/installed_options.h"

#include <gtest/gtest.h>

namespace {

using catalogue::ParseInstalledServiceOptions;

// Each install value as the service receives it: one argument, whatever it
// holds. A refused one is left out, its option keeps the default, and nothing
// in it becomes an option of its own.
TEST(InstalledOptions, RefusedInstallValuesKeepTheirDefaultsAndSmuggleNothingIn) {
    struct Row {
        std::vector<std::string> arguments;
        std::size_t refused;
        std::string country;  // as parsed; empty: the computer's region
        std::string url;
    };
    const std::string store = "https://itunes.apple.com/lookup";
    const Row rows[] = {
        {{"--service", "--country", "de", "--lookup-url", "https://mirror.example/lookup"}, 0, "de",
         "https://mirror.example/lookup"},
        {{"--service", "--country", "zz9"}, 1, "", store},
        {{"--service", "--lookup-url", "ftp://mirror.example/lookup"}, 1, "", store},
        {{"--service", "--lookup-url", "https://lookup.example/lookup --any-host"}, 1, "", store},
        {{"--service", "--country", "--any-host"}, 1, "", store},
        {{"--service", "--country", "de --any-host", "--lookup-url", "http://mirror.example/x"}, 2, "", store},
        {{"--service", "--no-lookup", "--country", "d\"e"}, 1, "", store},
        {{"--service", "--country", "at", "--country", "x"}, 1, "at", store},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.arguments));
        const catalogue::InstalledOptions installed = ParseInstalledServiceOptions(row.arguments);
        EXPECT_EQ(installed.refused.size(), row.refused);
        for (const std::string& refusal : installed.refused)
            EXPECT_NE(refusal.find("the service uses the default"), std::string::npos) << refusal;
        EXPECT_TRUE(installed.options.service);
        EXPECT_FALSE(installed.options.anyHost);
        EXPECT_EQ(installed.options.lookup.country, row.country);
        EXPECT_EQ(installed.options.lookup.url, row.url);
        EXPECT_EQ(installed.options.bindAddresses, catalogue::kLoopbackAddresses);
    }
}

TEST(InstalledOptions, OtherErrorsAreStillErrors) {
    EXPECT_THROW(ParseInstalledServiceOptions({"--service", "--bogus"}), std::invalid_argument);
    EXPECT_THROW(ParseInstalledServiceOptions({"--service", "--set-recovery"}), std::invalid_argument);
    EXPECT_THROW(ParseInstalledServiceOptions({"--service", "--port", "x80"}), std::invalid_argument);
}

}  // namespace
