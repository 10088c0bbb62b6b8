#include "service/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "service/dataset.h"
#include "service/page.h"
#include "service/service.h"

using namespace catalogue;
using namespace std::chrono_literals;

namespace {

TEST(ParseDataset, KeepsDistinctIdentifiersAndDropsEverythingElse) {
    struct Row {
        const char* name;
        const char* list;
        std::vector<std::string> identifiers;
        std::size_t dropped;
    };
    const Row rows[] = {
        {"three", "284882215,1,99", {"284882215", "1", "99"}, 0},
        {"empty", "", {}, 0},
        {"one", "42", {"42"}, 0},
        {"empty entries", ",1,,2,", {"1", "2"}, 0},
        {"blanks around", " 7 ,\t8", {"7", "8"}, 0},
        {"repeat", "5,6,5", {"5", "6"}, 0},
        {"letters", "1,abc,2", {"1", "2"}, 1},
        {"markup", "<script>alert(1)</script>,3", {"3"}, 1},
        {"sign and point", "-5,+5,1.5,1e3", {}, 4},
        {"21 digits", "123456789012345678901,12345678901234567890", {"12345678901234567890"}, 1},
        {"inner blank", "1 2", {}, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Dataset dataset = ParseDataset(row.list);
        EXPECT_EQ(dataset.identifiers, row.identifiers);
        EXPECT_EQ(dataset.dropped, row.dropped);
    }
}

TEST(ParseDataset, CountsIdentifiersBeyondTheCapAsOverTheLimit) {
    std::string list = "x,";
    for (std::size_t i = 0; i < kMaxIdentifiers + 5; ++i) list += std::to_string(i) + ",";
    list += "3,1002,y";  // a repeat of a listed one and of one over the limit
    const Dataset dataset = ParseDataset(list);
    EXPECT_EQ(dataset.identifiers.size(), kMaxIdentifiers);
    EXPECT_EQ(dataset.identifiers.back(), std::to_string(kMaxIdentifiers - 1));
    EXPECT_EQ(dataset.overLimit, 5u);
    EXPECT_EQ(dataset.dropped, 2u);
}

TEST(QueryParameter, FindsTheFirstAndDecodesIt) {
    struct Row {
        const char* query;
        std::optional<std::string> value;
    };
    const Row rows[] = {
        {"dataset=1,2", "1,2"},
        {"x=1&dataset=3&dataset=4", "3"},
        {"dataset=1%2C2%2c3", "1,2,3"},
        {"dataset=a+b", "a b"},
        {"dataset=", ""},
        {"dataset", ""},
        {"datasetx=1", std::nullopt},
        {"", std::nullopt},
        {"dataset=%zz", std::nullopt},
        {"dataset=%4", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.query);
        EXPECT_EQ(QueryParameter(row.query, "dataset"), row.value);
    }
}

const std::vector<std::string> kNames = {"localhost", "127.0.0.1", "[::1]"};

TEST(IsOwnHost, TakesTheServicesNamesWithItsPortsOnly) {
    struct Row {
        const char* host;
        bool own;
    };
    const Row rows[] = {
        {"localhost", true},
        {"LocalHost", true},
        {"localhost:80", true},
        {"localhost:8080", true},  // the port listened on
        {"127.0.0.1", true},
        {"127.0.0.1:8080", true},
        {"[::1]", true},
        {"[::1]:80", true},
        {"[::1]:8080", true},
        {"localhost:81", false},
        {"localhost:", false},
        {"localhost:080", false},
        {"localhost.", false},
        {"evil.example", false},
        {"evil.example:8080", false},
        {"localhost.evil.example", false},
        {"127.0.0.2", false},
        {"[::2]", false},
        {"[::1", false},
        {"::1", false},
        {"user@localhost", false},
        {"localhost@evil.example", false},
        {"", false},
        {":80", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.host);
        EXPECT_EQ(IsOwnHost(row.host, kNames, 8080), row.own);
    }
}

httpd::Request WithHeaders(std::vector<httpd::Header> headers) {
    httpd::Request request;
    request.headers = std::move(headers);
    return request;
}

TEST(IsCrossSite, BelievesWhatTheBrowserSays) {
    struct Row {
        const char* name;
        std::vector<httpd::Header> headers;
        bool crossSite;
    };
    const Row rows[] = {
        {"the program's request: neither header", {{"User-Agent", "vantrel.exe"}}, false},
        {"typed address", {{"Sec-Fetch-Site", "none"}}, false},
        {"same origin", {{"Sec-Fetch-Site", "same-origin"}, {"Origin", "http://localhost:8080"}}, false},
        {"own origin on port 80", {{"Origin", "http://127.0.0.1"}}, false},
        {"cross-site", {{"Sec-Fetch-Site", "cross-site"}}, true},
        {"cross-site in capitals", {{"sec-fetch-site", "Cross-Site"}}, true},
        {"same site, other origin", {{"Sec-Fetch-Site", "same-site"}}, true},
        {"unknown value", {{"Sec-Fetch-Site", "elsewhere"}}, true},
        {"foreign origin", {{"Origin", "http://evil.example"}}, true},
        {"foreign port", {{"Origin", "http://localhost:3000"}}, true},
        {"opaque origin", {{"Origin", "null"}}, true},
        {"other scheme", {{"Origin", "https://localhost"}}, true},
        {"same origin claimed, foreign Origin",
         {{"Sec-Fetch-Site", "same-origin"}, {"Origin", "http://evil.example"}},
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(IsCrossSite(WithHeaders(row.headers), kNames, 8080), row.crossSite);
    }
}

TEST(HtmlEscape, EscapesMarkupAndQuotes) {
    EXPECT_EQ(HtmlEscape("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&#39;");
    EXPECT_EQ(HtmlEscape("123"), "123");
}

TEST(RenderPage, LinksEveryIdentifierToItsStorePage) {
    const std::string html = RenderPage(ParseDataset("284882215,42,x"));
    EXPECT_NE(html.find("<li><a href=\"https://apps.apple.com/app/id284882215\">284882215</a></li>\n"
                        "<li><a href=\"https://apps.apple.com/app/id42\">42</a></li>\n"),
              std::string::npos);
    EXPECT_NE(html.find("1 entry was not an app identifier"), std::string::npos);
    EXPECT_NE(RenderPage(ParseDataset("")).find("No app identifiers were submitted."), std::string::npos);
}

// Identifiers beyond the cap were valid: the page says they were over the
// limit, not that they were no identifiers.
TEST(RenderPage, NamesIdentifiersOverTheLimitAsSuch) {
    struct Row {
        std::size_t extra;
        const char* note;
    };
    const Row rows[] = {
        {1, "1 more app identifier was over the limit of 1,000 and was left out."},
        {47, "47 more app identifiers were over the limit of 1,000 and were left out."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.extra);
        std::string list;
        for (std::size_t i = 0; i < kMaxIdentifiers + row.extra; ++i) list += std::to_string(1000000000 + i) + ",";
        const std::string html = RenderPage(ParseDataset(list + "abc"));
        EXPECT_NE(html.find(row.note), std::string::npos);
        EXPECT_NE(html.find("1 entry was not an app identifier and was left out."), std::string::npos);
        EXPECT_NE(html.find("<title>Selected apps (1,000)</title>"), std::string::npos);
    }
}

TEST(RenderPage, TitleCountsTheAppsAndNotesSayHowManyWereLeftOut) {
    struct Row {
        const char* list;
        const char* title;
        const char* text;
    };
    const Row rows[] = {
        {"", "<title>Selected apps (0)</title>", "No app identifiers were submitted."},
        {"7", "<title>Selected apps (1)</title>", "1 app, each linked"},
        {"7,8,x,y", "<title>Selected apps (2)</title>", "2 entries were not app identifiers and were left out."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.list);
        const std::string html = RenderPage(ParseDataset(row.list));
        EXPECT_NE(html.find(row.title), std::string::npos);
        EXPECT_NE(html.find(row.text), std::string::npos);
    }
}

// The page must work offline and run nothing: no script, no resource from
// elsewhere, and a policy telling the browser so; it follows the reader's
// colour scheme and window width.
TEST(RenderPage, StandsAloneAndFollowsTheReadersSettings) {
    const std::string html = RenderPage(ParseDataset("284882215,42"));
    for (const char* forbidden : {"<script", "src=", "@import", "url(", "<link", "<iframe", "<img"}) {
        EXPECT_EQ(html.find(forbidden), std::string::npos) << forbidden;
    }
    for (const char* wanted : {"<!DOCTYPE html>", "default-src 'none'", "name=\"viewport\"",
                               "prefers-color-scheme: dark", "content=\"light dark\""}) {
        EXPECT_NE(html.find(wanted), std::string::npos) << wanted;
    }
}

httpd::Request MakeRequest(const std::string& target, std::vector<httpd::Header> headers = {{"Host", "localhost"}},
                           const std::string& method = "GET") {
    httpd::Request request;
    request.method = method;
    request.target = target;
    request.version = "HTTP/1.1";
    const std::size_t schemeEnd = target.rfind("http://", 0) == 0 ? 7 : 0;
    const std::size_t pathStart = target.find('/', schemeEnd);
    if (schemeEnd != 0) request.authority = target.substr(schemeEnd, pathStart - schemeEnd);
    const std::string rest = target.substr(pathStart);
    const std::size_t question = rest.find('?');
    request.path = rest.substr(0, question);
    if (question != std::string::npos) request.query = rest.substr(question + 1);
    request.headers = std::move(headers);
    return request;
}

// The path of an address this catalogue handed out for `base`.
std::string PathOf(const std::string& address, const std::string& base) {
    EXPECT_EQ(address.substr(0, base.size()), base);
    return address.substr(base.size());
}

bool IsPagePath(const std::string& path) {
    if (path.size() != 6 + kTokenLength + 5 || !path.starts_with("/apps/") || !path.ends_with(".html")) return false;
    return path.substr(6, kTokenLength).find_first_not_of("0123456789abcdef") == std::string::npos;
}

// Without lookups the page speaks the reader's language too; each view gets
// the language it asks for, whatever the one before asked.
TEST(Catalogue, PageWithoutLookupsSpeaksEachReadersLanguage) {
    struct Row {
        const char* acceptLanguage;
        const char* tag;
        const char* title;
        const char* summary;
        const char* note;
    };
    const Row rows[] = {
        {"de-DE,de;q=0.9,en;q=0.5", "de", "<title>Ausgewählte Apps (2)</title>",
         "2 Apps, jede mit ihrer Seite im App Store verlinkt.", "1 Eintrag war keine App-Kennung"},
        {"fr-CH, fr;q=0.9", "fr", "<title>Apps sélectionnées (2)</title>", "2 apps, chacune liée à sa page",
         "1 entrée n’était pas un identifiant"},
        {"", "en", "<title>Selected apps (2)</title>", "2 apps, each linked to its page in the App Store.",
         "1 entry was not an app identifier"},
    };
    Catalogue service(CatalogueOptions{});
    const std::string path =
        PathOf(service.Handle(MakeRequest("/input/submit.php?dataset=284882215,42,x")).body, "http://localhost");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.acceptLanguage);
        std::vector<httpd::Header> headers = {{"Host", "localhost"}};
        if (*row.acceptLanguage) headers.push_back({"Accept-Language", row.acceptLanguage});
        const httpd::Response page = service.Handle(MakeRequest(path, headers));
        ASSERT_EQ(page.status, 200);
        const std::string html(page.Body());
        EXPECT_NE(html.find("<html lang=\"" + std::string(row.tag) + "\">"), std::string::npos);
        EXPECT_NE(html.find(row.title), std::string::npos);
        EXPECT_NE(html.find(row.summary), std::string::npos);
        EXPECT_NE(html.find(row.note), std::string::npos);
        EXPECT_NE(html.find("<li><a href=\"https://apps.apple.com/app/id284882215\">284882215</a></li>\n"
                            "<li><a href=\"https://apps.apple.com/app/id42\">42</a></li>\n"),
                  std::string::npos);
        const std::string* language = nullptr;
        for (const httpd::Header& header : page.headers)
            if (header.name == "Content-Language") language = &header.value;
        ASSERT_NE(language, nullptr);
        EXPECT_EQ(*language, row.tag);
    }
    EXPECT_EQ(service.Handle(MakeRequest(path)).Body(), RenderPage(ParseDataset("284882215,42,x")));
}

TEST(Catalogue, AnswersASubmissionWithTheAddressOfItsPage) {
    Catalogue service(CatalogueOptions{});
    const httpd::Response reply = service.Handle(MakeRequest("/input/submit.php?dataset=284882215,42"));
    EXPECT_EQ(reply.status, 200);
    const std::string path = PathOf(reply.body, "http://localhost");
    EXPECT_TRUE(IsPagePath(path)) << path;
    const httpd::Response page = service.Handle(MakeRequest(path));
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.Body(), RenderPage(ParseDataset("284882215,42")));
    ASSERT_FALSE(page.headers.empty());
    EXPECT_EQ(page.headers[0].value, "text/html; charset=utf-8");
}

// Whatever host the request names, the address names the service itself.
TEST(Catalogue, AnswersWithItsOwnName) {
    struct Row {
        const char* name;
        std::uint16_t port;
        std::string pageBase;
        bool anyHost;
        std::string target;
        std::vector<httpd::Header> headers;
        std::string expectedBase;
    };
    const Row rows[] = {
        {"the program's request",
         80,
         "",
         false,
         "/input/submit.php?dataset=1",
         {{"Host", "localhost"}},
         "http://localhost"},
        {"by address", 80, "", false, "/input/submit.php?dataset=1", {{"Host", "127.0.0.1:80"}}, "http://localhost"},
        {"another port",
         8080,
         "",
         false,
         "/input/submit.php?dataset=1",
         {{"Host", "[::1]:8080"}},
         "http://localhost:8080"},
        {"no Host header", 80, "", false, "/input/submit.php?dataset=1", {}, "http://localhost"},
        {"absolute form", 80, "", false, "http://localhost/input/submit.php?dataset=1", {}, "http://localhost"},
        {"any host as a proxy",
         8080,
         "",
         true,
         "http://catalogue.example/input/submit.php?dataset=1",
         {{"Host", "catalogue.example"}},
         "http://localhost:8080"},
        {"page base",
         8080,
         "http://127.0.0.1:9000/",
         true,
         "http://localhost/input/submit.php?dataset=1",
         {},
         "http://127.0.0.1:9000"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CatalogueOptions options;
        options.port = row.port;
        options.pageBase = row.pageBase;
        options.anyHost = row.anyHost;
        Catalogue service(options);
        const httpd::Response reply = service.Handle(MakeRequest(row.target, row.headers));
        EXPECT_EQ(reply.status, 200);
        EXPECT_TRUE(IsPagePath(PathOf(reply.body, row.expectedBase))) << reply.body;
    }
}

TEST(Catalogue, RefusesWhatItDoesNotServe) {
    struct Row {
        const char* name;
        httpd::Request request;
        int status;
    };
    const std::string page = "/apps/" + std::string(kTokenLength, '0') + ".html";
    const Row rows[] = {
        {"no dataset", MakeRequest("/input/submit.php?x=1"), 400},
        {"no query", MakeRequest("/input/submit.php"), 400},
        {"broken escape", MakeRequest("/input/submit.php?dataset=%G1"), 400},
        {"root", MakeRequest("/"), 404},
        {"other script", MakeRequest("/input/other.php?dataset=1"), 404},
        {"unknown page", MakeRequest(page), 404},
        {"page name too long", MakeRequest("/apps/" + std::string(kTokenLength + 1, '0') + ".html"), 404},
        {"page name in capitals", MakeRequest("/apps/" + std::string(kTokenLength, 'A') + ".html"), 404},
        {"post", MakeRequest("/input/submit.php?dataset=1", {{"Host", "localhost"}}, "POST"), 405},
        {"foreign Host", MakeRequest("/input/submit.php?dataset=1", {{"Host", "evil.example"}}), 421},
        {"foreign Host on a page", MakeRequest(page, {{"Host", "rebound.evil.example:80"}}), 421},
        {"foreign port", MakeRequest("/input/submit.php?dataset=1", {{"Host", "localhost:81"}}), 421},
        {"foreign absolute form", MakeRequest("http://evil.example/input/submit.php?dataset=1"), 421},
        {"two Host headers", MakeRequest("/input/submit.php?dataset=1", {{"Host", "localhost"}, {"Host", "evil"}}),
         400},
        {"cross-site",
         MakeRequest("/input/submit.php?dataset=1", {{"Host", "localhost"}, {"Sec-Fetch-Site", "cross-site"}}), 403},
        {"foreign origin",
         MakeRequest("/input/submit.php?dataset=1", {{"Host", "localhost"}, {"Origin", "http://evil.example"}}), 403},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Catalogue service(CatalogueOptions{});
        EXPECT_EQ(service.Handle(row.request).status, row.status);
        EXPECT_EQ(service.PageCount(), 0u);
    }
}

// A page's address says nothing about what it lists: two catalogues give the
// same list different addresses, and addresses share no pattern.
TEST(Catalogue, PageAddressesCannotBeWorkedOut) {
    Catalogue first(CatalogueOptions{});
    Catalogue second(CatalogueOptions{});
    const std::string submit = "/input/submit.php?dataset=284882215,42";
    const std::string a = first.Handle(MakeRequest(submit)).body;
    const std::string b = second.Handle(MakeRequest(submit)).body;
    EXPECT_NE(a, b);
    EXPECT_EQ(second.Handle(MakeRequest(PathOf(a, "http://localhost"))).status, 404);
    // 128 random bits: of 200 tokens, none repeats and each hex digit is about as common as the others.
    std::string digits;
    for (int i = 0; i < 200; ++i) {
        digits += PathOf(first.Handle(MakeRequest("/input/submit.php?dataset=" + std::to_string(i))).body,
                         "http://localhost/apps/")
                      .substr(0, kTokenLength);
    }
    for (char digit : std::string("0123456789abcdef")) {
        const auto count = std::count(digits.begin(), digits.end(), digit);
        EXPECT_GT(count, 300) << digit;  // 400 expected of 6,400
        EXPECT_LT(count, 500) << digit;
    }
}

TEST(Catalogue, TheSameListGetsTheSameAddress) {
    Catalogue service(CatalogueOptions{});
    const std::string first = service.Handle(MakeRequest("/input/submit.php?dataset=7,8")).body;
    const std::string again = service.Handle(MakeRequest("/input/submit.php?dataset=7,8,7")).body;
    const std::string other = service.Handle(MakeRequest("/input/submit.php?dataset=8,7")).body;
    EXPECT_EQ(first, again);
    EXPECT_NE(first, other);
    EXPECT_EQ(service.PageCount(), 2u);
}

TEST(ServiceOptions, ParsesEveryOptionAndRefusesOthers) {
    const ServiceOptions defaults = ParseServiceOptions({});
    EXPECT_EQ(defaults.port, 80);
    EXPECT_EQ(defaults.bindAddresses, std::vector<std::string>{"127.0.0.1"});
    EXPECT_FALSE(defaults.service);
    EXPECT_FALSE(defaults.anyHost);
    EXPECT_FALSE(defaults.setRecovery);
    const ServiceOptions options =
        ParseServiceOptions({"--port", "0", "--bind", "0.0.0.0", "--log", "l.txt", "--port-file", "p.txt",
                             "--page-base", "http://h:1", "--any-host", "--bind", "::1"});
    EXPECT_EQ(options.port, 0);
    EXPECT_EQ(options.bindAddresses, (std::vector<std::string>{"0.0.0.0", "::1"}));
    EXPECT_EQ(options.logFile, "l.txt");
    EXPECT_EQ(options.portFile, "p.txt");
    EXPECT_EQ(options.pageBase, "http://h:1");
    EXPECT_TRUE(options.anyHost);
    EXPECT_TRUE(ParseServiceOptions({"--set-recovery"}).setRecovery);
    const std::vector<std::vector<std::string>> bad = {{"--port"},
                                                       {"--port", "65536"},
                                                       {"--port", "-1"},
                                                       {"--port", "8o"},
                                                       {"--frobnicate", "1"},
                                                       {"--page-base", "file:///c:/x"},
                                                       {"--max-pages", "5"},
                                                       {"--service", "--set-recovery"}};
    for (const auto& arguments : bad) {
        SCOPED_TRACE(arguments.size() > 1 ? arguments[0] + " " + arguments[1] : arguments[0]);
        EXPECT_THROW(ParseServiceOptions(arguments), std::invalid_argument);
    }
}

TEST(ServiceOptions, TheServiceListensOnBothLoopbacksUnlessToldOtherwise) {
    EXPECT_EQ(ParseServiceOptions({"--service"}).bindAddresses, (std::vector<std::string>{"127.0.0.1", "::1"}));
    EXPECT_EQ(ParseServiceOptions({"--service", "--bind", "::1"}).bindAddresses, std::vector<std::string>{"::1"});
}

TEST(ServiceOptions, AuthorityBracketsIpv6Addresses) {
    EXPECT_EQ(Authority("127.0.0.1", 80), "127.0.0.1:80");
    EXPECT_EQ(Authority("::1", 8080), "[::1]:8080");
}

// Fails every call at once, or holds every call until the lookups stop.
class StubClient : public lookup::LookupClient {
public:
    explicit StubClient(bool blocks) : blocks_(blocks) {}
    lookup::FetchResult Get(const std::string&, const lookup::FetchLimits&,
                            lookup::Cancellation& cancellation) override {
        while (blocks_ && !cancellation.Cancelled()) std::this_thread::sleep_for(5ms);
        lookup::FetchResult result;
        result.outcome = blocks_ ? lookup::FetchResult::Outcome::kCancelled : lookup::FetchResult::Outcome::kFailed;
        result.error = "no network";
        return result;
    }

private:
    bool blocks_;
};

std::shared_ptr<lookup::LookupService> Lookups(bool blocks, std::size_t maxWaiting = lookup::kMaxWaiting) {
    lookup::LookupConfig config;
    config.baseUrl = "https://store.invalid/lookup";
    config.batchSize = 1;
    config.maxCallsAtOnce = 1;
    config.callsPerMinute = 1000;
    config.maxWaiting = maxWaiting;
    return std::make_shared<lookup::LookupService>(config, std::make_unique<StubClient>(blocks));
}

// The page's path, once its lookups have all failed (a page made afresh at each view).
std::string FailedPage(Catalogue& catalogue, const std::string& list) {
    const httpd::Response submitted = catalogue.Handle(MakeRequest("/input/submit.php?dataset=" + list));
    const std::string path(submitted.Body().substr(submitted.Body().find("/apps/")));
    for (int i = 0; i < 500; ++i) {
        const httpd::Response page = catalogue.Handle(MakeRequest(path));
        if (page.status == 200 && page.Body().find("could not be asked") != std::string::npos) return path;
        std::this_thread::sleep_for(10ms);
    }
    ADD_FAILURE() << "the lookups did not fail";
    return path;
}

// A page made afresh at each view counts once in the store: viewing it again
// and again never pushes an older page out of a store that holds both.
TEST(CatalogueStore, APageMadeAgainAtEachViewCountsOnce) {
    std::size_t bothBytes = 0;
    {
        CatalogueOptions options;
        options.lookups = Lookups(false);
        Catalogue catalogue(options);
        FailedPage(catalogue, "1,2,3");
        const std::string second = FailedPage(catalogue, "4,5,6");
        catalogue.Handle(MakeRequest(second));
        bothBytes = catalogue.StoredBytes();
        catalogue.StopLookups();
    }
    CatalogueOptions options;
    options.lookups = Lookups(false);
    options.store.maxBytes = bothBytes + 200;  // less than one more copy of a page
    Catalogue catalogue(options);
    const std::string first = FailedPage(catalogue, "1,2,3");
    const std::string second = FailedPage(catalogue, "4,5,6");
    for (int i = 0; i < 5; ++i) EXPECT_EQ(catalogue.Handle(MakeRequest(second)).status, 200);
    EXPECT_EQ(catalogue.Handle(MakeRequest(first)).status, 200) << "the older page is still stored";
    catalogue.StopLookups();
}

// Past the service's bound on waiting identifiers, a page says that some of
// its apps could not be queued instead of loading for ever.
TEST(CatalogueStore, APageWhoseIdentifiersFoundNoRoomSaysSo) {
    CatalogueOptions options;
    options.lookups = Lookups(true, 2);
    Catalogue catalogue(options);
    const httpd::Response submitted = catalogue.Handle(MakeRequest("/input/submit.php?dataset=1,2,3,4,5"));
    const std::string path(submitted.Body().substr(submitted.Body().find("/apps/")));
    const std::string page(catalogue.Handle(MakeRequest(path)).Body());
    EXPECT_NE(page.find("Too many apps are waiting to be looked up just now"), std::string::npos);
    EXPECT_NE(page.find("Not looked up yet"), std::string::npos);
    catalogue.StopLookups();
}

}  // namespace
