#include "service/lookup/store_response.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "testkit/store_standin/store_standin.h"

using lookup::AppDetails;
using lookup::ReadStoreResponse;

namespace {

std::string Answer(const std::string& results) { return "{\"resultCount\":1,\"results\":[" + results + "]}"; }

std::string Nested(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

TEST(StoreResponse, ReadsWhatThePageShowsAndToleratesEverythingElse) {
    struct Row {
        const char* name;
        std::string body;
        std::size_t apps;  // records read
        std::function<void(const std::vector<AppDetails>&)> check;
    };
    const std::string longName(10000, 'x');
    const std::string typical =
        standin::TypicalRecord("42", "Notes <b>\"quoted\"</b>", "https://is1-ssl.mzstatic.com/a.png");
    const Row rows[] = {
        {"typical record", Answer(typical), 1,
         [](const auto& apps) {
             EXPECT_EQ(apps[0].id, "42");
             EXPECT_EQ(apps[0].name, "Notes <b>\"quoted\"</b>");
             EXPECT_EQ(apps[0].developer, "Example Developer Ltd");
             EXPECT_EQ(apps[0].category, "Productivity");
             EXPECT_EQ(apps[0].formattedPrice, "Free");
             EXPECT_DOUBLE_EQ(*apps[0].rating, 4.46);
             EXPECT_EQ(*apps[0].ratingCount, 123456u);
             EXPECT_EQ(apps[0].version, "5.2.1");
             EXPECT_EQ(apps[0].versionDate, "2023-05-01T07:00:00Z");
             EXPECT_EQ(*apps[0].sizeBytes, 123456789u);
             EXPECT_EQ(apps[0].minimumOsVersion, "12.0");
             EXPECT_EQ(apps[0].ageRating, "4+");
             EXPECT_EQ(apps[0].artworkUrl, "https://is1-ssl.mzstatic.com/a.png");
             EXPECT_EQ(apps[0].storeUrl, "https://apps.apple.com/us/app/example/id42?uo=4");
         }},
        {"only an id", Answer("{\"trackId\":7}"), 1,
         [](const auto& apps) {
             EXPECT_EQ(apps[0].id, "7");
             EXPECT_TRUE(apps[0].name.empty());
             EXPECT_FALSE(apps[0].rating);
             EXPECT_FALSE(apps[0].sizeBytes);
         }},
        {"wrong types count as absent",
         Answer("{\"trackId\":8,\"trackName\":12,\"averageUserRating\":\"4.5\",\"userRatingCount\":-3,"
                "\"fileSizeBytes\":\"12a\",\"version\":[\"1\"],\"artworkUrl100\":{\"u\":1},\"formattedPrice\":null}"),
         1,
         [](const auto& apps) {
             EXPECT_TRUE(apps[0].name.empty());
             EXPECT_FALSE(apps[0].rating);
             EXPECT_FALSE(apps[0].ratingCount);
             EXPECT_FALSE(apps[0].sizeBytes);
             EXPECT_TRUE(apps[0].version.empty());
             EXPECT_TRUE(apps[0].artworkUrl.empty());
             EXPECT_TRUE(apps[0].formattedPrice.empty());
         }},
        {"a rating outside 0 to 5", Answer("{\"trackId\":9,\"averageUserRating\":7.5}"), 1,
         [](const auto& apps) { EXPECT_FALSE(apps[0].rating); }},
        {"a size as a number", Answer("{\"trackId\":9,\"fileSizeBytes\":1000}"), 1,
         [](const auto& apps) { EXPECT_EQ(*apps[0].sizeBytes, 1000u); }},
        {"a record without a usable id is left out",
         Answer("{\"trackId\":\"5\"},{\"trackId\":0},{\"trackId\":-4},{\"trackId\":1.5},{\"trackName\":\"x\"}"), 0,
         nullptr},
        {"the first of two records for one id wins",
         Answer("{\"trackId\":3,\"trackName\":\"a\"},{\"trackId\":3,\"trackName\":\"b\"}"), 1,
         [](const auto& apps) { EXPECT_EQ(apps[0].name, "a"); }},
        {"fallbacks: seller, small artwork, release date",
         Answer(
             "{\"trackId\":4,\"sellerName\":\"S\",\"artworkUrl512\":\"https://x/512\",\"releaseDate\":\"2020-01-02\"}"),
         1,
         [](const auto& apps) {
             EXPECT_EQ(apps[0].developer, "S");
             EXPECT_EQ(apps[0].artworkUrl, "https://x/512");
             EXPECT_EQ(apps[0].versionDate, "2020-01-02");
         }},
        {"a 10,000-character name is cut", Answer("{\"trackId\":5,\"trackName\":\"" + longName + "\"}"), 1,
         [](const auto& apps) {
             EXPECT_LE(apps[0].name.size(), lookup::kMaxTextBytes + 3);
             EXPECT_TRUE(apps[0].name.ends_with("\xE2\x80\xA6"));
         }},
        {"a name is cut between characters",
         Answer("{\"trackId\":5,\"trackName\":\"" + std::string(lookup::kMaxTextBytes - 1, 'a') +
                "\xC3\xA9\xC3\xA9\"}"),
         1,
         [](const auto& apps) {
             EXPECT_EQ(apps[0].name, std::string(lookup::kMaxTextBytes - 1, 'a') + "\xE2\x80\xA6");
         }},
        {"an overlong address is dropped",
         Answer("{\"trackId\":6,\"artworkUrl100\":\"https://a/" + std::string(lookup::kMaxUrlBytes, 'b') + "\"}"), 1,
         [](const auto& apps) { EXPECT_TRUE(apps[0].artworkUrl.empty()); }},
        {"unknown fields, nested, are skipped",
         Answer("{\"trackId\":6,\"x\":{\"trackName\":\"inner\",\"y\":[[1,2],{\"z\":null}]},\"trackName\":\"outer\"}"),
         1, [](const auto& apps) { EXPECT_EQ(apps[0].name, "outer"); }},
        {"right-to-left marks stay text", Answer("{\"trackId\":6,\"trackName\":\"\\u202Eevil\"}"), 1,
         [](const auto& apps) {
             EXPECT_EQ(apps[0].name,
                       "\xE2\x80\xAE"
                       "evil");
         }},
        {"no results", "{\"resultCount\":0,\"results\":[]}", 0, nullptr},
        {"results that are not records", Answer("1,\"a\",null,[]"), 0, nullptr},
        {"nesting within the bound", Answer("{\"trackId\":1,\"deep\":" + Nested(lookup::kMaxDepth - 3) + "}"), 1,
         nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto apps = ReadStoreResponse(row.body);
        ASSERT_TRUE(apps);
        ASSERT_EQ(apps->size(), row.apps);
        if (row.check) row.check(*apps);
    }
}

TEST(StoreResponse, RefusesWhatIsNotSuchAnAnswer) {
    struct Row {
        const char* name;
        std::string body;
    };
    std::string manyResults;
    for (std::size_t i = 0; i <= lookup::kMaxResults; ++i)
        manyResults += (i ? "," : "") + std::string("{\"trackId\":") + std::to_string(i + 1) + "}";
    const Row rows[] = {
        {"empty", ""},
        {"an HTML page", "<html><body>Service maintenance</body></html>"},
        {"an array", "[{\"trackId\":1}]"},
        {"a bare string", "\"results\""},
        {"no results member", "{\"resultCount\":0}"},
        {"results not an array", "{\"results\":{\"trackId\":1}}"},
        {"cut short", "{\"results\":[{\"trackId\":1"},
        {"trailing text", "{\"results\":[]} x"},
        {"broken UTF-8", "{\"results\":[{\"trackId\":1,\"trackName\":\"\xC3\x28\"}]}"},
        {"nesting past the bound", Answer("{\"trackId\":1,\"deep\":" + Nested(lookup::kMaxDepth) + "}")},
        {"deep nesting at the top", Nested(100000)},
        {"too many records", Answer(manyResults)},
        {"a body over the bound",
         Answer("{\"trackId\":1,\"description\":\"" + std::string(lookup::kMaxResponseBytes, 'd') + "\"}")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(ReadStoreResponse(row.body));
    }
}

TEST(StoreResponse, CutTextKeepsWholeCharacters) {
    EXPECT_EQ(lookup::CutText("abc", 3), "abc");
    EXPECT_EQ(lookup::CutText("abcd", 3), "abc\xE2\x80\xA6");
    EXPECT_EQ(lookup::CutText("a\xE2\x82\xAC", 2), "a\xE2\x80\xA6");  // the euro sign does not fit
    EXPECT_EQ(lookup::CutText("\xF0\x9F\x98\x80x", 4), "\xF0\x9F\x98\x80\xE2\x80\xA6");
}

}  // namespace
