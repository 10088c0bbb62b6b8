// The catalogue's page store: how long pages live, how many bytes they may
// take, and pages still being sent after the store let them go.

#include "service/page_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace catalogue;
using namespace std::chrono_literals;

namespace {

// A clock the test moves by hand.
struct TestClock {
    PageStore::Clock::time_point now{};
    PageStore::Now Function() {
        return [this] { return now; };
    }
};

// The page's text, or nullptr when the store has none for `token`.
std::shared_ptr<const std::string> StoredText(PageStore& store, std::string_view token) {
    const std::optional<PageStore::StoredPage> page = store.FindPage(token);
    return page ? page->html : nullptr;
}

std::function<std::string()> Text(std::size_t bytes, char fill = 'p') {
    return [=] { return std::string(bytes, fill); };
}

TEST(PageStore, APageLivesItsLifeAfterItsLastSubmission) {
    TestClock clock;
    PageStore store({std::size_t{1} << 20, 1h}, clock.Function());
    const std::string token = store.Put("a", Text(100));
    clock.now += 59min;
    ASSERT_NE(StoredText(store, token), nullptr);
    EXPECT_EQ(store.Put("a", Text(100)), token) << "submitted again: renewed, same address";
    clock.now += 59min;
    EXPECT_NE(StoredText(store, token), nullptr) << "118 minutes after the first submission, 59 after the last";
    clock.now += 1min;
    EXPECT_EQ(StoredText(store, token), nullptr);
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_EQ(store.Bytes(), 0u);
}

// The service's loop asks for expired pages to go with no request coming, and
// sleeps until the next page's life ends.
TEST(PageStore, DropExpiredRemovesPagesWithoutARequestAndSaysWhenNextIsDue) {
    TestClock clock;
    PageStore store({std::size_t{1} << 20, 1h}, clock.Function());
    EXPECT_EQ(store.DropExpired(), PageStore::Clock::time_point::max()) << "empty: nothing is ever due";
    const PageStore::Clock::time_point first = clock.now;
    store.Put("a", Text(100));
    clock.now += 10min;
    store.Put("b", Text(100));
    EXPECT_EQ(store.DropExpired(), first + 1h);
    clock.now = first + 1h;
    EXPECT_EQ(store.DropExpired(), first + 10min + 1h) << "a gone, b next";
    EXPECT_EQ(store.Count(), 1u);
    clock.now += 10min;
    EXPECT_EQ(store.DropExpired(), PageStore::Clock::time_point::max());
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_EQ(store.Bytes(), 0u);
}

TEST(PageStore, PastItsByteBoundTheOldestGoFirstHoweverYoung) {
    TestClock clock;
    PageStore store({100000, 1h}, clock.Function());
    std::vector<std::string> tokens;
    for (int i = 0; i < 10; ++i) {
        tokens.push_back(store.Put("page " + std::to_string(i), Text(20000)));
        clock.now += 1s;
        EXPECT_LE(store.Bytes(), 100000u);
    }
    // Four pages of 20,000 bytes and their bookkeeping fit.
    ASSERT_EQ(store.Count(), 4u);
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(StoredText(store, tokens[static_cast<std::size_t>(i)]) != nullptr, i >= 6);
    }
}

TEST(PageStore, ASubmissionAgainMovesItsPageToTheNewestEnd) {
    TestClock clock;
    PageStore store({100000, 1h}, clock.Function());
    const std::string program = store.Put("the program's list", Text(20000));
    for (int i = 0; i < 3; ++i) store.Put("other " + std::to_string(i), Text(20000));
    EXPECT_EQ(store.Put("the program's list", Text(20000)), program);
    store.Put("one more", Text(20000));  // the oldest goes: "other 0", not the renewed page
    EXPECT_NE(StoredText(store, program), nullptr);
    EXPECT_EQ(store.Count(), 4u);
}

// An answer still sending a page keeps its text alive; the store counts it
// until it is released, so that text held by slow readers and the store's own
// pages together stay within the bound.
TEST(PageStore, PagesBeingSentCountUntilReleased) {
    TestClock clock;
    PageStore store({100000, 1h}, clock.Function());
    const std::string first = store.Put("first", Text(40000));
    std::shared_ptr<const std::string> beingSent = StoredText(store, first);
    store.Put("second", Text(40000));
    store.Put("third", Text(40000));  // "first" goes, but its text is still held
    EXPECT_EQ(StoredText(store, first), nullptr);
    EXPECT_LE(store.Bytes(), 100000u);
    EXPECT_EQ(store.Count(), 1u) << "the held text took the place of one stored page";
    beingSent.reset();
    store.Put("fourth", Text(40000));
    EXPECT_EQ(store.Count(), 2u);
    EXPECT_LE(store.Bytes(), 100000u);
}

TEST(PageStore, APageLargerThanTheBoundIsStillKeptAlone) {
    PageStore store({1000, 1h});
    store.Put("small", Text(100));
    const std::string big = store.Put("big", Text(5000));
    EXPECT_NE(StoredText(store, big), nullptr);
    EXPECT_EQ(store.Count(), 1u);
}

// Which of `tokens` the store still holds, by their index.
std::vector<int> Held(PageStore& store, const std::vector<std::string>& tokens) {
    std::vector<int> held;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (StoredText(store, tokens[i]) != nullptr) held.push_back(static_cast<int>(i));
    }
    return held;
}

// A page given its details keeps its place by submission: pages of 20,000
// bytes, five fit the bound. One is replaced with `replacement` bytes, then
// pages are added one by one: they take the places of the oldest, in order.
struct ReplaceCase {
    const char* what;
    int replaced;                 // which of pages 0-4
    std::size_t replacement;      // its new text's bytes
    bool sameTime;                // all five submitted at one moment
    std::vector<int> afterReplace;
    std::vector<int> afterOneMore;
    std::vector<int> afterTwoMore;
};

class PageStoreReplace : public testing::TestWithParam<ReplaceCase> {};

TEST_P(PageStoreReplace, KeepsItsPlaceAndTheBound) {
    const ReplaceCase& c = GetParam();
    TestClock clock;
    PageStore store({110000, 1h}, clock.Function());
    std::vector<std::string> tokens;
    for (int i = 0; i < 5; ++i) {
        tokens.push_back(store.Put("page " + std::to_string(i), Text(20000)));
        if (!c.sameTime) clock.now += 1s;
    }
    ASSERT_EQ(store.Count(), 5u);
    store.Replace(tokens[static_cast<std::size_t>(c.replaced)], "details", std::string(c.replacement, 'r'));
    EXPECT_LE(store.Bytes(), 110000u);
    EXPECT_EQ(Held(store, tokens), c.afterReplace);
    {  // a text held here would count against the bound until let go
        const auto page = store.FindPage(tokens[static_cast<std::size_t>(c.replaced)]);
        ASSERT_TRUE(page.has_value());
        EXPECT_EQ(page->html->size(), c.replacement);
        EXPECT_EQ(page->tag, "details");
    }
    store.Put("one more", Text(20000));
    EXPECT_EQ(Held(store, tokens), c.afterOneMore);
    store.Put("two more", Text(20000));
    EXPECT_EQ(Held(store, tokens), c.afterTwoMore);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PageStoreReplace,
    testing::Values(
        ReplaceCase{"MiddleSameSize", 2, 20000, false, {0, 1, 2, 3, 4}, {1, 2, 3, 4}, {2, 3, 4}},
        ReplaceCase{"MiddleGrowsOldestGo", 2, 40000, false, {1, 2, 3, 4}, {2, 3, 4}, {3, 4}},
        ReplaceCase{"OldestGrows", 0, 30000, false, {0, 2, 3, 4}, {2, 3, 4}, {2, 3, 4}},
        ReplaceCase{"NewestGrowsPastEveryOther", 4, 100000, false, {4}, {}, {}},
        ReplaceCase{"OldestGrowsPastEveryOther", 0, 100000, false, {0}, {}, {}},
        ReplaceCase{"SameTimeKeepsOrder", 1, 20000, true, {0, 1, 2, 3, 4}, {1, 2, 3, 4}, {2, 3, 4}},
        ReplaceCase{"Shrinks", 3, 100, false, {0, 1, 2, 3, 4}, {0, 1, 2, 3, 4}, {1, 2, 3, 4}}),
    [](const testing::TestParamInfo<ReplaceCase>& c) { return std::string(c.param.what); });

TEST(PageStore, ReplacingAGonePageChangesNothing) {
    TestClock clock;
    PageStore store({100000, 1h}, clock.Function());
    const std::string kept = store.Put("kept", Text(100));
    store.Replace("0123456789abcdef0123456789abcdef", "details", "never stored");
    EXPECT_EQ(store.Count(), 1u);
    EXPECT_EQ(*StoredText(store, kept), std::string(100, 'p'));
}

// Expiry still reads the oldest submission first after a replacement.
TEST(PageStore, AReplacedPageExpiresByItsSubmission) {
    TestClock clock;
    PageStore store({1 << 20, 1h}, clock.Function());
    const PageStore::Clock::time_point first = clock.now;
    const std::string a = store.Put("a", Text(100));
    clock.now += 10min;
    store.Put("b", Text(100));
    store.Replace(a, "details", std::string(300, 'r'));
    EXPECT_EQ(store.DropExpired(), first + 1h);
    clock.now = first + 1h;
    store.DropExpired();
    EXPECT_EQ(StoredText(store, a), nullptr);
    EXPECT_EQ(store.Count(), 1u);
}

TEST(PageStore, TokensAre128RandomBitsInHex) {
    PageStore store;
    std::vector<std::string> tokens;
    for (int i = 0; i < 100; ++i) tokens.push_back(store.Put(std::to_string(i), Text(10)));
    for (const std::string& token : tokens) {
        EXPECT_EQ(token.size(), kTokenLength);
        EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos) << token;
    }
    std::sort(tokens.begin(), tokens.end());
    EXPECT_EQ(std::unique(tokens.begin(), tokens.end()), tokens.end());
}

}  // namespace
