#include "service/lookup/details_cache.h"

#include <gtest/gtest.h>

#include "service/lookup/rate_limit.h"

using namespace lookup;
using namespace std::chrono_literals;

namespace {

struct HandClock {
    Clock::time_point now = Clock::time_point(1000h);
    Now Function() {
        return [this] { return now; };
    }
};

AppDetails App(const std::string& id, std::size_t nameBytes = 10) {
    AppDetails app;
    app.id = id;
    app.name = std::string(nameBytes, 'n');
    return app;
}

TEST(DetailsCache, KeepsAFoundAppForADayAndAMissingOneForHours) {
    HandClock clock;
    DetailsCache cache({}, clock.Function());
    cache.PutFound("de", App("1"));
    cache.PutMissing("de", "2");
    ASSERT_TRUE(cache.Find("de", "1"));
    EXPECT_TRUE(cache.Find("de", "1")->app);
    ASSERT_TRUE(cache.Find("de", "2"));
    EXPECT_FALSE(cache.Find("de", "2")->app);
    EXPECT_FALSE(cache.Find("us", "1")) << "each country has its own answers";
    clock.now += 3h;
    EXPECT_TRUE(cache.Find("de", "1"));
    EXPECT_FALSE(cache.Find("de", "2"));
    clock.now += 21h - 1s;
    EXPECT_TRUE(cache.Find("de", "1"));
    clock.now += 1s;
    EXPECT_FALSE(cache.Find("de", "1"));
    EXPECT_EQ(cache.Count(), 0u);
    EXPECT_EQ(cache.Bytes(), 0u);
}

TEST(DetailsCache, DropsTheLeastRecentlyUsedPastItsBound) {
    HandClock clock;
    CacheLimits limits;
    limits.maxBytes = 4000;
    DetailsCache cache(limits, clock.Function());
    for (int i = 0; i < 100; ++i) {
        cache.PutFound("us", App(std::to_string(i), 200));
        cache.Find("us", "0");  // kept in use
        ASSERT_LE(cache.Bytes(), limits.maxBytes);
    }
    EXPECT_TRUE(cache.Find("us", "0"));
    EXPECT_TRUE(cache.Find("us", "99"));
    EXPECT_FALSE(cache.Find("us", "1"));
    EXPECT_GT(cache.Count(), 3u);
    EXPECT_LT(cache.Count(), 20u);
}

TEST(DetailsCache, ARecordLargerThanTheWholeBoundIsNotKept) {
    HandClock clock;
    CacheLimits limits;
    limits.maxBytes = 1000;
    DetailsCache cache(limits, clock.Function());
    cache.PutFound("us", App("1"));
    cache.PutFound("us", App("2", 5000));
    EXPECT_TRUE(cache.Find("us", "1"));
    EXPECT_FALSE(cache.Find("us", "2"));
}

TEST(DetailsCache, ANewAnswerReplacesTheOldAndItsBytes) {
    HandClock clock;
    DetailsCache cache({}, clock.Function());
    cache.PutFound("us", App("1", 1000));
    const std::size_t bytes = cache.Bytes();
    cache.PutMissing("us", "1");
    EXPECT_LT(cache.Bytes(), bytes);
    EXPECT_EQ(cache.Count(), 1u);
    EXPECT_FALSE(cache.Find("us", "1")->app);
}

TEST(RateLimit, AllowsTwentyCallsInAnyMinute) {
    RateLimit rate(20);
    const RateLimit::Clock::time_point start(100h);
    RateLimit::Clock::time_point now = start;
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(rate.NextCall(now), now) << i;
        rate.Take(now);
        now += 1s;
    }
    EXPECT_EQ(rate.NextCall(now), start + 60s) << "the 21st waits for the first to leave the minute";
    now = start + 60s;
    rate.Take(now);
    EXPECT_EQ(rate.NextCall(now), start + 61s);
}

TEST(RateLimit, AHoldStopsEveryCallUntilItEnds) {
    RateLimit rate(20);
    const RateLimit::Clock::time_point start(100h);
    rate.HoldUntil(start + 60s);
    EXPECT_EQ(rate.NextCall(start), start + 60s);
    rate.HoldUntil(start + 10s);  // an earlier end does not shorten it
    EXPECT_EQ(rate.NextCall(start + 30s), start + 60s);
    EXPECT_EQ(rate.NextCall(start + 61s), start + 61s);
}

}  // namespace
