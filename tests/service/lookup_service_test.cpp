// The lookup service's batching, pace, cache and stop: against a fake client
// that answers at once, and against the stand-in store through the system's client.
#include "service/lookup/lookup_service.h"

#include <gtest/gtest.h>

#include <thread>

#include "testkit/store_standin/store_standin.h"

using namespace lookup;
using namespace std::chrono_literals;

namespace {

std::vector<std::string> Ids(std::size_t count, std::size_t first = 1000) {
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < count; ++i) ids.push_back(std::to_string(first + i));
    return ids;
}

// Waits until no identifier of `ids` is loading any more (at most 20 s).
LookupView Settled(LookupService& service, const std::string& country, const std::vector<std::string>& ids) {
    for (int i = 0; i < 2000; ++i) {
        LookupView view = service.View(country, ids);
        if (view.loading == 0) return view;
        std::this_thread::sleep_for(10ms);
    }
    return service.View(country, ids);
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
        service.Request("de", ids);
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
    service.Request("us", ids);
    Settled(service, "us", ids);
    service.Request("us", ids);
    Settled(service, "us", ids);
    EXPECT_EQ(calls.load(), 1);
    service.Request("de", ids);  // another country is another question
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
    service->Request("de", ids);
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
        service->Request("us", {"1", "2"});
        const LookupView view = Settled(*service, "us", {"1", "2"});
        EXPECT_EQ(view.failed, 2u);
        EXPECT_FALSE(view.storeAnswered);
    }
}

TEST_F(StandinLookup, ATooManyRequestsAnswerHoldsEveryCallBack) {
    struct Row {
        const char* retryAfter;
        std::chrono::seconds hold;
    };
    for (const Row row : {Row{"120", 120s}, Row{"", 60s}, Row{"Wed, 21 Oct 2015 07:28:00 GMT", 60s}}) {
        SCOPED_TRACE(row.retryAfter);
        store_.SetBehaviour(standin::Behaviour::kTooMany, row.retryAfter);
        const std::size_t before = store_.CallCount();
        auto service = Start();
        service->Request("us", {"1"});
        EXPECT_EQ(Settled(*service, "us", {"1"}).failed, 1u);
        service->Request("us", {"2", "3"});
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(store_.CallCount(), before + 1) << "held back";
        EXPECT_EQ(service->View("us", {"2"}).loading, 1u);
    }
}

TEST_F(StandinLookup, KeepsToAFewCallsAtOnce) {
    store_.SetDelayMs(300);
    LookupConfig config;
    config.batchSize = 2;
    config.callsPerMinute = 1000;
    auto service = Start(config);
    const auto ids = Ids(20);
    service->Request("us", ids);
    Settled(*service, "us", ids);
    EXPECT_EQ(store_.CallCount(), 10u);
    EXPECT_LE(store_.MostAtOnce(), kMaxCallsAtOnce);
    EXPECT_GE(store_.MostAtOnce(), 2u);
}

TEST_F(StandinLookup, KeepsToTheDocumentedPace) {
    LookupConfig config;
    config.batchSize = 1;
    auto service = Start(config);
    service->Request("us", Ids(30));
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(store_.CallCount(), kCallsPerMinute);
}

TEST_F(StandinLookup, StopsAtOnceWhileTheStoreNeverAnswers) {
    store_.SetBehaviour(standin::Behaviour::kSilent);
    auto service = Start();
    service->Request("us", Ids(300));
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
    service->Request("us", {"1"});
    EXPECT_EQ(Settled(*service, "us", {"1"}).failed, 1u);
}

}  // namespace
