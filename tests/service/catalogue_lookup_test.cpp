// The running catalogue with lookups against the stand-in store: the
// program's exchange stays as it was, the page fills in, stops stay quick.
#include <gtest/gtest.h>

#include <thread>

#include "service/catalogue.h"
#include "service/page.h"
#include "service/service.h"
#include "testkit/http_client/http_client.h"
#include "testkit/store_standin/store_standin.h"

using namespace catalogue;
using namespace std::chrono_literals;

namespace {

class CatalogueLookup : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string id : {"284882215", "310633997", "389801252", "529479190"}) {
            store_.SetRecord(id,
                             standin::TypicalRecord(id, "App <" + id + ">", store_.Origin() + "/icons/" + id + ".png"));
        }
    }
    void Start(std::vector<std::string> extra) {
        std::vector<std::string> arguments{"--port", "0"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        catalogue_ = std::make_unique<RunningCatalogue>(ParseServiceOptions(arguments), nullptr);
        catalogue_->Start();
    }
    std::optional<httpd::ClientResponse> Get(const std::string& target, const std::string& headers = {}) {
        return httpd::Get(catalogue_->Port(), target, headers);
    }
    std::string Submit(const std::string& list) {
        const auto response = Get("/input/submit.php?dataset=" + list);
        EXPECT_TRUE(response && response->status == 200);
        return response ? response->body : std::string();
    }
    // The page once no lookup is under way (no Refresh header).
    httpd::ClientResponse SettledPage(const std::string& address, const std::string& headers = {}) {
        const std::string target = address.substr(address.find("/apps/"));
        for (int i = 0; i < 500; ++i) {
            const auto page = Get(target, headers);
            if (page && !page->FindHeader("Refresh")) return *page;
            std::this_thread::sleep_for(20ms);
        }
        ADD_FAILURE() << "the page kept reloading";
        return {};
    }
    standin::StandinStore store_;
    std::unique_ptr<RunningCatalogue> catalogue_;
};

const char* const kList = "284882215,310633997,389801252,529479190,1";

// "http://localhost:PORT/apps/<32 hex digits>.html" (no std::regex: GCC 12's
// regex headers do not build warning-free in the sanitizer build).
bool IsPageAddress(const std::string& text) {
    const std::string start = "http://localhost:";
    const std::size_t apps = text.find("/apps/");
    if (text.rfind(start, 0) != 0 || apps == std::string::npos || apps == start.size()) return false;
    for (std::size_t i = start.size(); i < apps; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    const std::string name = text.substr(apps + 6);
    if (name.size() != 32 + 5 || name.substr(32) != ".html") return false;
    return name.find_first_not_of("0123456789abcdef") == 32;
}

TEST_F(CatalogueLookup, TheProgramsExchangeIsTheSameWithAndWithoutLookups) {
    Start({"--no-lookup"});
    const auto without = Get(std::string("/input/submit.php?dataset=") + kList);
    catalogue_.reset();
    store_.SetBehaviour(standin::Behaviour::kSilent);  // the answer must not wait for the store
    Start({"--lookup-url", store_.LookupUrl(), "--country", "de"});
    const auto with = Get(std::string("/input/submit.php?dataset=") + kList);
    ASSERT_TRUE(without && with);
    EXPECT_EQ(with->status, without->status);
    EXPECT_EQ(with->headers.size(), without->headers.size());
    for (std::size_t i = 0; i < with->headers.size(); ++i) {
        EXPECT_EQ(with->headers[i].name, without->headers[i].name);
        if (with->headers[i].name != "Content-Length") {
            EXPECT_EQ(with->headers[i].value, without->headers[i].value);
        }
    }
    EXPECT_TRUE(IsPageAddress(with->body)) << with->body;
    EXPECT_TRUE(IsPageAddress(without->body)) << without->body;
    // While the store says nothing, the page lists every identifier and reloads.
    const auto page = Get(with->body.substr(with->body.find("/apps/")));
    ASSERT_TRUE(page);
    ASSERT_NE(page->FindHeader("Refresh"), nullptr);
    EXPECT_NE(page->body.find("id284882215"), std::string::npos);
    // A stop ends the calls under way.
    const auto start = std::chrono::steady_clock::now();
    catalogue_->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST_F(CatalogueLookup, ThePageShowsTheDetailsInTheBrowsersLanguage) {
    Start({"--lookup-url", store_.LookupUrl(), "--country", "de"});
    const std::string address = Submit(kList);
    const httpd::ClientResponse german = SettledPage(address, "Accept-Language: de-DE,de;q=0.9,en;q=0.8\r\n");
    EXPECT_EQ(german.status, 200);
    EXPECT_NE(german.body.find("<html lang=\"de\">"), std::string::npos);
    EXPECT_NE(german.body.find("5 Apps: 4 im App Store in Deutschland, 1 nicht mehr gelistet."), std::string::npos);
    EXPECT_NE(german.body.find("Nicht im App Store in Deutschland."), std::string::npos);
    EXPECT_NE(german.body.find("App &lt;310633997&gt;"), std::string::npos);
    EXPECT_NE(german.body.find("src=\"" + store_.Origin() + "/icons/284882215.png\""), std::string::npos);
    EXPECT_NE(german.body.find("img-src https://*.mzstatic.com " + store_.Origin()), std::string::npos);
    const httpd::ClientResponse english = SettledPage(address);
    EXPECT_NE(english.body.find("Not in the App Store in Germany."), std::string::npos);
    const httpd::ClientResponse french = SettledPage(address, "Accept-Language: fr\r\n");
    EXPECT_NE(french.body.find("Absente de l’App Store en Allemagne."), std::string::npos);
    EXPECT_EQ(store_.CallCount(), 1u) << "one call for five identifiers, and none for the views";
    Submit(kList);
    Submit("310633997,284882215");
    SettledPage(address);
    EXPECT_EQ(store_.CallCount(), 1u) << "the same apps again within the day: no call";
}

TEST_F(CatalogueLookup, AnUnreachableStoreIsSaidAndAskedAgainLater) {
    store_.SetBehaviour(standin::Behaviour::kServerError);
    Start({"--lookup-url", store_.LookupUrl(), "--country", "us"});
    const std::string address = Submit(kList);
    const httpd::ClientResponse page = SettledPage(address);
    EXPECT_NE(page.body.find("The App Store could not be asked just now"), std::string::npos);
    for (const char* id : {"284882215", "310633997", "389801252", "529479190", "1"}) {
        EXPECT_NE(page.body.find(std::string("https://apps.apple.com/app/id") + id), std::string::npos) << id;
    }
}

// Pages live an hour at a secret address and follow the reader's language: no
// cache keeps them, a cache that did would know the language decides, and no
// other site frames them. The program's answer is not a page and stays as it was.
TEST_F(CatalogueLookup, PagesAreKeptByNoCacheAndShownInNoFrame) {
    for (const bool lookups : {false, true}) {
        SCOPED_TRACE(lookups ? "details page" : "list page");
        catalogue_.reset();
        Start(lookups ? std::vector<std::string>{"--lookup-url", store_.LookupUrl()}
                      : std::vector<std::string>{"--no-lookup"});
        const auto submitted = Get(std::string("/input/submit.php?dataset=") + kList);
        ASSERT_TRUE(submitted);
        for (const char* name : {"Cache-Control", "Vary", "Content-Security-Policy"})
            EXPECT_EQ(submitted->FindHeader(name), nullptr) << name;
        const auto page = Get(submitted->body.substr(submitted->body.find("/apps/")));
        ASSERT_TRUE(page && page->status == 200);
        const auto header = [&](const char* name) {
            const std::string* value = page->FindHeader(name);
            return value ? *value : std::string();
        };
        EXPECT_EQ(header("Cache-Control"), "no-store");
        EXPECT_EQ(header("Vary"), "Accept-Language");
        const std::string policy = header("Content-Security-Policy");
        const std::string frame = "; frame-ancestors 'none'";
        ASSERT_TRUE(policy.ends_with(frame)) << policy;
        // The header says what the page's own <meta> element says, and forbids framing besides.
        const std::string meta = policy.substr(0, policy.size() - frame.size());
        const std::string element = "http-equiv=\"Content-Security-Policy\" content=\"";
        EXPECT_TRUE(page->body.find(element + meta + "\"") != std::string::npos ||
                    page->body.find(element + HtmlEscape(meta) + "\"") != std::string::npos)
            << meta;
    }
}

// During a hold the page says the store asked to wait, and until when, and
// reloads when the hold ends, not every few seconds; the store is not asked meanwhile.
TEST_F(CatalogueLookup, AStoreHoldIsSaidWithItsEndAndReloadsNoSooner) {
    store_.SetBehaviour(standin::Behaviour::kTooMany, "120");
    Start({"--lookup-url", store_.LookupUrl(), "--country", "de"});
    const std::string address = Submit(kList);
    const std::string target = address.substr(address.find("/apps/"));
    const std::string said = "Der App Store hat uns gebeten, bis ";
    std::optional<httpd::ClientResponse> page = Get(target, "Accept-Language: de\r\n");
    for (int i = 0; i < 500 && page && page->body.find(said) == std::string::npos; ++i) {
        std::this_thread::sleep_for(20ms);
        page = Get(target, "Accept-Language: de\r\n");
    }
    ASSERT_TRUE(page);
    const std::size_t at = page->body.find(said);
    ASSERT_NE(at, std::string::npos) << page->body;
    EXPECT_EQ(page->body.substr(at + said.size() + 2, 1), ":") << "until HH:MM";
    EXPECT_NE(page->body.find("Wartet auf den App Store"), std::string::npos);
    const std::string* refresh = page->FindHeader("Refresh");
    ASSERT_NE(refresh, nullptr);
    EXPECT_GE(std::stoi(*refresh), 100);
    EXPECT_LE(std::stoi(*refresh), 120);
    EXPECT_EQ(store_.CallCount(), 1u);
}

TEST_F(CatalogueLookup, ThePageListsIdentifiersByValueAndTooLongOnesWithTheirLinkOnly) {
    Start({"--lookup-url", store_.LookupUrl(), "--country", "de"});
    const std::string tooLong = "12345678901234567890";
    const httpd::ClientResponse page = SettledPage(Submit("0284882215,284882215," + tooLong));
    EXPECT_NE(page.body.find("3 apps: 2 in the App Store in Germany, 0 no longer listed, 1 too long to be a store "
                             "identifier."),
              std::string::npos);
    EXPECT_NE(page.body.find(">0284882215</a>"), std::string::npos) << "shown as the program sent it";
    EXPECT_NE(page.body.find("href=\"https://apps.apple.com/app/id" + tooLong + "\""), std::string::npos);
    ASSERT_EQ(store_.CallCount(), 1u);
    EXPECT_EQ(store_.Calls()[0].ids, std::vector<std::string>{"284882215"});
}

TEST_F(CatalogueLookup, WithoutLookupsThePageIsTheBareList) {
    Start({"--no-lookup"});
    const std::string address = Submit(kList);
    const auto page = Get(address.substr(address.find("/apps/")));
    ASSERT_TRUE(page);
    EXPECT_NE(page->body.find("5 apps, each linked to its page in the App Store."), std::string::npos);
    EXPECT_EQ(page->FindHeader("Refresh"), nullptr);
    EXPECT_EQ(store_.CallCount(), 0u);
}

}  // namespace
