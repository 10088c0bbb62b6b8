// The lookup service's batching, pace, cache and stop: against a fake client
// that answers at once, and against the stand-in store through the system's client.
#include "service/lookup/lookup_service.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <ctime>
#include <mutex>
#include <thread>

#include "testkit/store_standin/store_standin.h"

using namespace lookup;
using namespace std::chrono_literals;

namespace {

// The page that wants the identifiers these tests ask for: it lives as long as the tests.
const std::shared_ptr<const int> kPage = std::make_shared<const int>(0);

std::vector<std::string> Ids(std::size_t count, std::size_t first = 1000) {
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < count; ++i) ids.push_back(std::to_string(first + i));
    return ids;
}

// Waits until no identifier of `ids` is loading any more (at most 20 s).
LookupView Settled(LookupService& service, const std::string& country, const std::vector<std::string>& ids) {
    for (int i = 0; i < 2000; ++i) {
        LookupView view = service.View(country, ids, kPage);
        if (view.loading == 0) return view;
        std::this_thread::sleep_for(10ms);
    }
    return service.View(country, ids, kPage);
}

// "Sun, 06 Nov 1994 08:49:37 GMT" for `when`.
std::string HttpDate(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    char text[40] = {};
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", std::gmtime(&seconds));
    return text;
}

// Answers every even identifier as an app; counts its calls.
class FakeClient : public LookupClient {
public:
    explicit FakeClient(std::atomic<int>& calls) : calls_(calls) {}
    FetchResult Get(const std::string& url, const FetchLimits&, Cancellation&) override {
        ++calls_;
        const std::string ids = url.substr(url.find("id=") + 3, url.find('&') - url.find("id=") - 3);
        std::string results;
        std::size_t start = 0;
        while (start < ids.size()) {
            const std::size_t comma = std::min(ids.find(',', start), ids.size());
            const std::string id = ids.substr(start, comma - start);
            if (std::stoull(id) % 2 == 0)
                results += std::string(results.empty() ? "" : ",") + "{\"trackId\":" + id + "}";
            start = comma + 1;
        }
        FetchResult result;
        result.outcome = FetchResult::Outcome::kAnswered;
        result.status = 200;
        result.body = "{\"results\":[" + results + "]}";
        return result;
    }

private:
    std::atomic<int>& calls_;
};

LookupConfig FastConfig(std::string url = "https://store.invalid/lookup") {
    LookupConfig config;
    config.baseUrl = std::move(url);
    config.callsPerMinute = 1000;
    return config;
}

TEST(LookupService, SendsIdentifiersInBatches) {
    struct Row {
        std::size_t ids;
        int calls;
    };
    for (const Row row : {Row{4, 1}, Row{100, 1}, Row{101, 2}, Row{1000, 10}}) {
        SCOPED_TRACE(row.ids);
        std::atomic<int> calls{0};
        LookupService service(FastConfig(), std::make_unique<FakeClient>(calls));
        const auto ids = Ids(row.ids);
        service.Request("de", ids, kPage);
        const LookupView view = Settled(service, "de", ids);
        EXPECT_EQ(calls.load(), row.calls);
        EXPECT_EQ(view.found, (row.ids + 1) / 2);
        EXPECT_EQ(view.missing, row.ids / 2);
        EXPECT_EQ(view.ids[0].state, IdState::kFound);
        EXPECT_EQ(view.ids[1].state, IdState::kMissing);
    }
}

TEST(LookupService, ASecondSubmissionOfTheSameAppsMakesNoCall) {
    std::atomic<int> calls{0};
    LookupService service(FastConfig(), std::make_unique<FakeClient>(calls));
    const auto ids = Ids(4);
    service.Request("us", ids, kPage);
    Settled(service, "us", ids);
    service.Request("us", ids, kPage);
    Settled(service, "us", ids);
    EXPECT_EQ(calls.load(), 1);
    service.Request("de", ids, kPage);  // another country is another question
    Settled(service, "de", ids);
    EXPECT_EQ(calls.load(), 2);
}

TEST(LookupService, BuildsTheDocumentedCallAddress) {
    std::atomic<int> calls{0};
    LookupService service(FastConfig("https://itunes.apple.com/lookup"), std::make_unique<FakeClient>(calls));
    EXPECT_EQ(service.CallUrl("de", {"1", "22"}), "https://itunes.apple.com/lookup?id=1,22&country=de&entity=software");
}

class StandinLookup : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* id : {"1", "2", "3", "4"})
            store_.SetRecord(id, standin::TypicalRecord(id, std::string("App ") + id, ""));
    }
    std::unique_ptr<LookupService> Start(LookupConfig config = {}) {
        config.baseUrl = store_.LookupUrl();
        return std::make_unique<LookupService>(config, MakeSystemClient());
    }
    standin::StandinStore store_;
};

TEST_F(StandinLookup, FindsTheListedAppsAndNamesTheOthersAsNotListed) {
    auto service = Start();
    const std::vector<std::string> ids{"1", "2", "3", "4", "99"};
    service->Request("de", ids, kPage);
    const LookupView view = Settled(*service, "de", ids);
    EXPECT_EQ(view.found, 4u);
    EXPECT_EQ(view.missing, 1u);
    EXPECT_EQ(view.ids[2].app->name, "App 3");
    ASSERT_EQ(store_.CallCount(), 1u);
    const standin::LookupCall call = store_.Calls()[0];
    EXPECT_EQ(call.target, "/lookup?id=1,2,3,4,99&country=de&entity=software");
    // Nothing about the user or the machine travels with it.
    EXPECT_EQ(call.headers.find("Cookie"), std::string::npos);
    EXPECT_EQ(call.headers.find("Referer"), std::string::npos);
}

TEST_F(StandinLookup, AStoreThatCannotAnswerLeavesTheIdentifiersFailed) {
    struct Row {
        const char* name;
        standin::Behaviour behaviour;
    };
    for (const Row row : {Row{"500", standin::Behaviour::kServerError}, Row{"not JSON", standin::Behaviour::kNotJson},
                          Row{"100 MB", standin::Behaviour::kHuge}}) {
        SCOPED_TRACE(row.name);
        store_.SetBehaviour(row.behaviour);
        auto service = Start();
        service->Request("us", {"1", "2"}, kPage);
        const LookupView view = Settled(*service, "us", {"1", "2"});
        EXPECT_EQ(view.failed, 2u);
    }
}

// The store's Retry-After, in seconds or as a date, is the hold, cut to between
// none and an hour; the identifiers of the held call wait in the queue, and say so.
TEST_F(StandinLookup, ATooManyRequestsAnswerHoldsEveryCallBackForTheStoresTime) {
    struct Row {
        std::string retryAfter;
        standin::Behaviour behaviour;
        std::chrono::seconds hold;
    };
    const Row rows[] = {
        {"120", standin::Behaviour::kTooMany, 120s},
        {"", standin::Behaviour::kUnavailable, 60s},
        {HttpDate(std::chrono::system_clock::now() + 90s), standin::Behaviour::kTooMany, 90s},
        {"7200", standin::Behaviour::kUnavailable, 3600s},
        {"0", standin::Behaviour::kTooMany, 0s},
        {"Wed, 21 Oct 2015 07:28:00 GMT", standin::Behaviour::kTooMany, 0s},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.retryAfter);
        store_.SetBehaviour(row.behaviour, row.retryAfter);
        const std::size_t before = store_.CallCount();
        auto service = Start();
        service->Request("us", {"1"}, kPage);
        if (row.hold == 0s) {
            for (int i = 0; i < 500 && store_.CallCount() < before + 2; ++i) std::this_thread::sleep_for(10ms);
            EXPECT_GE(store_.CallCount(), before + 2);
            continue;
        }
        const LookupView view = Settled(*service, "us", {"1"});
        EXPECT_EQ(view.held, 1u);
        EXPECT_LE(view.holdLeft, row.hold);
        EXPECT_GT(view.holdLeft, row.hold - 10s);
        service->Request("us", {"2", "3"}, kPage);
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(store_.CallCount(), before + 1) << "held back";
        EXPECT_EQ(service->View("us", {"2"}, kPage).held, 1u);
    }
}

// libcurl hands the header over with its line end, WinHTTP the bare value: both read the same.
TEST_F(StandinLookup, TheSystemClientReadsRetryAfterInBothForms) {
    struct Row {
        std::string value;
        std::chrono::seconds low, high;
    };
    const Row rows[] = {
        {"2", 2s, 2s},
        {HttpDate(std::chrono::system_clock::now() + 100s), 90s, 100s},
    };
    const auto client = MakeSystemClient();
    Cancellation cancellation;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        store_.SetBehaviour(standin::Behaviour::kTooMany, row.value);
        const FetchResult result = client->Get(store_.LookupUrl() + "?id=1", FetchLimits{}, cancellation);
        ASSERT_EQ(result.outcome, FetchResult::Outcome::kAnswered) << result.error;
        EXPECT_EQ(result.status, 429);
        ASSERT_TRUE(result.retryAfter.has_value());
        EXPECT_GE(*result.retryAfter, row.low);
        EXPECT_LE(*result.retryAfter, row.high);
    }
}

TEST_F(StandinLookup, KeepsToAFewCallsAtOnce) {
    store_.SetDelayMs(300);
    LookupConfig config;
    config.batchSize = 2;
    config.callsPerMinute = 1000;
    auto service = Start(config);
    const auto ids = Ids(20);
    service->Request("us", ids, kPage);
    Settled(*service, "us", ids);
    EXPECT_EQ(store_.CallCount(), 10u);
    EXPECT_LE(store_.MostAtOnce(), kMaxCallsAtOnce);
    EXPECT_GE(store_.MostAtOnce(), 2u);
}

TEST_F(StandinLookup, KeepsToTheDocumentedPace) {
    LookupConfig config;
    config.batchSize = 1;
    auto service = Start(config);
    service->Request("us", Ids(30), kPage);
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(store_.CallCount(), kCallsPerMinute);
}

TEST_F(StandinLookup, StopsAtOnceWhileTheStoreNeverAnswers) {
    store_.SetBehaviour(standin::Behaviour::kSilent);
    auto service = Start();
    service->Request("us", Ids(300), kPage);
    while (store_.CallCount() < kMaxCallsAtOnce) std::this_thread::sleep_for(10ms);
    const auto start = std::chrono::steady_clock::now();
    service->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST_F(StandinLookup, GivesUpOnACallAtItsDeadline) {
    store_.SetBehaviour(standin::Behaviour::kSilent);
    LookupConfig config;
    config.fetch.totalTimeout = 500ms;
    auto service = Start(config);
    service->Request("us", {"1"}, kPage);
    EXPECT_EQ(Settled(*service, "us", {"1"}).failed, 1u);
}

// Records the identifiers of every call; holds each call until Release() (or a stop).
class GatedClient : public LookupClient {
public:
    struct Shared {
        std::mutex mutex;
        std::condition_variable released;
        bool open = false;
        std::vector<std::string> asked;  // the id= lists, one per call
    };
    explicit GatedClient(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
    FetchResult Get(const std::string& url, const FetchLimits&, Cancellation& cancellation) override {
        std::unique_lock<std::mutex> lock(shared_->mutex);
        const std::size_t start = url.find("id=") + 3;
        shared_->asked.push_back(url.substr(start, url.find('&', start) - start));
        while (!shared_->open && !cancellation.Cancelled()) shared_->released.wait_for(lock, 10ms);
        FetchResult result;
        result.outcome = cancellation.Cancelled() ? FetchResult::Outcome::kCancelled : FetchResult::Outcome::kAnswered;
        result.status = 200;
        result.body = "{\"results\":[]}";
        return result;
    }

private:
    std::shared_ptr<Shared> shared_;
};

struct Gated {
    std::shared_ptr<GatedClient::Shared> shared = std::make_shared<GatedClient::Shared>();
    std::unique_ptr<LookupService> Start(std::size_t maxWaiting, std::size_t batchSize) {
        LookupConfig config = FastConfig();
        config.maxCallsAtOnce = 1;
        config.batchSize = batchSize;
        config.maxWaiting = maxWaiting;
        return std::make_unique<LookupService>(config, std::make_unique<GatedClient>(shared));
    }
    void Release() {
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->open = true;
        shared->released.notify_all();
    }
    std::vector<std::string> Asked() {
        std::lock_guard<std::mutex> lock(shared->mutex);
        return shared->asked;
    }
    void AwaitCalls(std::size_t count) {
        for (int i = 0; i < 1000 && Asked().size() < count; ++i) std::this_thread::sleep_for(5ms);
    }
};

TEST(LookupQueue, HoldsAtMostItsBoundAndSaysWhatFoundNoRoom) {
    Gated gated;
    auto service = gated.Start(10, 5);
    const auto ids = Ids(30);
    service->Request("us", ids, kPage);
    gated.AwaitCalls(1);  // 5 under way, 10 waiting, 15 without room
    const LookupView view = service->View("us", ids, kPage);
    EXPECT_EQ(view.loading, 15u);
    EXPECT_EQ(view.unqueued, 15u);
    EXPECT_EQ(view.ids[29].state, IdState::kUnqueued);
    gated.Release();
    const LookupView later = Settled(*service, "us", ids);  // each view queues what has room
    EXPECT_EQ(later.missing, 30u);
}

TEST(LookupQueue, IdentifiersOfPagesNoLongerStoredAreNeverAsked) {
    Gated gated;
    auto service = gated.Start(10, 5);
    auto gone = std::make_shared<const int>(1);
    service->Request("us", Ids(10), gone);  // 1000-1004 under way, 1005-1009 waiting
    gated.AwaitCalls(1);
    auto kept = std::make_shared<const int>(2);
    service->Request("us", Ids(2, 1008), kept);  // 1008 and 1009 are wanted by a page still stored
    gone.reset();
    // A full queue lets the unwanted go to make room.
    service->Request("us", Ids(8, 5000), kept);
    EXPECT_EQ(service->View("us", Ids(8, 5000), kept).unqueued, 0u);
    gated.Release();
    Settled(*service, "us", Ids(8, 5000));
    const std::vector<std::string> asked = gated.Asked();
    ASSERT_GE(asked.size(), 2u);
    EXPECT_EQ(asked[0], "1000,1001,1002,1003,1004");
    EXPECT_EQ(asked[1], "1008,1009,5000,5001,5002");
    for (const std::string& call : asked) EXPECT_EQ(call.find("1005"), std::string::npos) << call;
}

TEST(LookupQueue, AsksByValueAndNeverForWhatCannotBeAStoreId) {
    std::atomic<int> calls{0};
    LookupService service(FastConfig(), std::make_unique<FakeClient>(calls));
    const std::vector<std::string> ids = {"0284882216", "284882216", "00000000000000000000284882216",
                                          "12345678901234567890", "0000"};
    service.Request("de", ids, kPage);
    const LookupView view = Settled(service, "de", ids);
    EXPECT_EQ(calls.load(), 1) << "one call for one value";
    ASSERT_EQ(view.ids.size(), ids.size());
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(view.ids[i].state, IdState::kFound) << ids[i];
        EXPECT_EQ(view.ids[i].app->id, "284882216");
    }
    EXPECT_EQ(view.ids[3].state, IdState::kNotAStoreId);
    EXPECT_EQ(view.ids[4].state, IdState::kMissing) << "asked as 0, which no store lists";
    EXPECT_EQ(view.notStoreIds, 1u);
    EXPECT_EQ(service.CallUrl("de", {"284882216", "0"}),
              "https://store.invalid/lookup?id=284882216,0&country=de&entity=software");
}

// Fails every call with a 500, or holds with a 429 when told.
class FailingClient : public LookupClient {
public:
    explicit FailingClient(std::atomic<int>& status) : status_(status) {}
    FetchResult Get(const std::string&, const FetchLimits&, Cancellation&) override {
        FetchResult result;
        result.outcome = FetchResult::Outcome::kAnswered;
        result.status = status_.load();
        if (result.status == 429) result.retryAfter = 5s;
        return result;
    }

private:
    std::atomic<int>& status_;
};

TEST(LookupLog, SaysEachKindOfEventAtMostOnceAMinute) {
    std::mutex mutex;
    std::vector<std::string> lines;
    std::atomic<Clock::time_point> now{Clock::now()};
    std::atomic<int> status{500};
    LookupConfig config = FastConfig();
    config.batchSize = 1;
    config.log = [&](const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex);
        lines.push_back(line);
    };
    // The lines are written once the worker has let the service's lock go: a view may come first.
    const auto Lines = [&](std::size_t atLeast) {
        for (int i = 0; i < 500; ++i) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (lines.size() >= atLeast) break;
            }
            std::this_thread::sleep_for(10ms);
        }
        std::lock_guard<std::mutex> lock(mutex);
        return lines;
    };
    LookupService service(config, std::make_unique<FailingClient>(status), [&] { return now.load(); });
    service.Request("us", Ids(3), kPage);  // three failed calls in the same minute: one line
    Settled(service, "us", Ids(3));
    EXPECT_EQ(Lines(1), std::vector<std::string>{"lookups: a call to the store failed (HTTP 500); its identifiers (1) "
                                                "are asked again on a view 30 s or more later"});
    now = now.load() + 61s;
    service.Request("us", Ids(1, 7000), kPage);
    Settled(service, "us", Ids(1, 7000));
    Lines(2);
    status = 429;
    service.Request("us", Ids(1, 8000), kPage);
    Settled(service, "us", Ids(1, 8000));
    const std::vector<std::string> all = Lines(3);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_NE(all[1].find("(HTTP 500); its identifiers (1) are asked again on a view 30 s or more later (2 more like "
                          "it since the last such line)"),
              std::string::npos)
        << all[1];
    EXPECT_EQ(all[2],
              "lookups: the store asked for no calls for 5 s (HTTP 429, Retry-After); the identifiers of that call (1) "
              "wait for its end");
}

}  // namespace
