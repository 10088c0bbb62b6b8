#include "service/catalogue.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "service/dataset.h"
#include "service/page.h"
#include "service/service.h"

using namespace catalogue;

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

TEST(ParseDataset, StopsListingAtTheCap) {
    std::string list;
    for (std::size_t i = 0; i < kMaxIdentifiers + 5; ++i) list += std::to_string(i) + ",";
    const Dataset dataset = ParseDataset(list);
    EXPECT_EQ(dataset.identifiers.size(), kMaxIdentifiers);
    EXPECT_EQ(dataset.dropped, 5u);
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

TEST(IsUsableHost, AcceptsHostNamesAndAddressesOnly) {
    struct Row {
        const char* host;
        bool usable;
    };
    const Row rows[] = {
        {"localhost", true},
        {"localhost:80", true},
        {"catalogue.example-host.test", true},
        {"127.0.0.1:65535", true},
        {"[::1]:8080", true},
        {"[fe80::1]", true},
        {"", false},
        {":80", false},
        {"host:", false},
        {"host:123456", false},
        {"host:8o", false},
        {"ho st", false},
        {"evil\"><script>", false},
        {"user@host", false},
        {"host/path", false},
        {"[::1", false},
        {"[]", false},
        {"[::1]x", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.host);
        EXPECT_EQ(IsUsableHost(row.host), row.usable);
    }
    EXPECT_FALSE(IsUsableHost(std::string(256, 'a')));
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

httpd::Request MakeRequest(const std::string& target, const std::string& host = "localhost:8080",
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
    if (!host.empty()) request.headers.push_back({"Host", host});
    return request;
}

// The path of an address this catalogue handed out for `base`.
std::string PathOf(const std::string& address, const std::string& base) {
    EXPECT_EQ(address.substr(0, base.size()), base);
    return address.substr(base.size());
}

TEST(Catalogue, AnswersASubmissionWithTheAddressOfItsPage) {
    Catalogue service(CatalogueOptions{});
    const httpd::Response reply = service.Handle(MakeRequest("/input/submit.php?dataset=284882215,42"));
    EXPECT_EQ(reply.status, 200);
    const std::string path = PathOf(reply.body, "http://localhost:8080");
    EXPECT_EQ(path, "/apps/" + PageToken(ParseDataset("284882215,42")) + ".html");
    const httpd::Response page = service.Handle(MakeRequest(path));
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.body, RenderPage(ParseDataset("284882215,42")));
    ASSERT_FALSE(page.headers.empty());
    EXPECT_EQ(page.headers[0].value, "text/html; charset=utf-8");
}

TEST(Catalogue, ChoosesTheHostOfTheAddress) {
    struct Row {
        const char* name;
        CatalogueOptions options;
        std::string target;
        std::string hostHeader;
        std::string expectedBase;
    };
    const Row rows[] = {
        {"Host header", {}, "/input/submit.php?dataset=1", "svc.test", "http://svc.test"},
        {"absolute target wins", {}, "http://localhost:80/input/submit.php?dataset=1", "other", "http://localhost:80"},
        {"no Host header", {"", "127.0.0.1:81", 10}, "/input/submit.php?dataset=1", "", "http://127.0.0.1:81"},
        {"hostile Host header", {"", "127.0.0.1:81", 10}, "/input/submit.php?dataset=1", "x\"><b>", "http://127.0.0.1:81"},
        {"page base", {"http://127.0.0.1:9000/", "127.0.0.1", 10}, "http://localhost/input/submit.php?dataset=1",
         "localhost", "http://127.0.0.1:9000"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Catalogue service(row.options);
        const httpd::Response reply = service.Handle(MakeRequest(row.target, row.hostHeader));
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.body, row.expectedBase + "/apps/" + PageToken(ParseDataset("1")) + ".html");
    }
}

TEST(Catalogue, RefusesWhatItDoesNotServe) {
    struct Row {
        const char* name;
        httpd::Request request;
        int status;
    };
    const Row rows[] = {
        {"no dataset", MakeRequest("/input/submit.php?x=1"), 400},
        {"no query", MakeRequest("/input/submit.php"), 400},
        {"broken escape", MakeRequest("/input/submit.php?dataset=%G1"), 400},
        {"root", MakeRequest("/"), 404},
        {"other script", MakeRequest("/input/other.php?dataset=1"), 404},
        {"unknown page", MakeRequest("/apps/0123456789abcdef.html"), 404},
        {"page name too long", MakeRequest("/apps/0123456789abcdef0.html"), 404},
        {"post", MakeRequest("/input/submit.php?dataset=1", "localhost", "POST"), 405},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Catalogue service(CatalogueOptions{});
        EXPECT_EQ(service.Handle(row.request).status, row.status);
    }
}

TEST(Catalogue, KeepsABoundedNumberOfPages) {
    Catalogue service({"", "127.0.0.1", 2});
    std::vector<std::string> paths;
    for (const char* list : {"1", "2", "3"}) {
        paths.push_back(PathOf(service.Handle(MakeRequest(std::string("/input/submit.php?dataset=") + list)).body,
                               "http://localhost:8080"));
    }
    EXPECT_EQ(service.PageCount(), 2u);
    EXPECT_EQ(service.Handle(MakeRequest(paths[0])).status, 404);
    EXPECT_EQ(service.Handle(MakeRequest(paths[1])).status, 200);
    EXPECT_EQ(service.Handle(MakeRequest(paths[2])).status, 200);
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
    const ServiceOptions options = ParseServiceOptions({"--port", "0", "--bind", "0.0.0.0", "--log", "l.txt",
                                                        "--port-file", "p.txt", "--page-base", "http://h:1",
                                                        "--max-pages", "5", "--bind", "::1"});
    EXPECT_EQ(options.port, 0);
    EXPECT_EQ(options.bindAddresses, (std::vector<std::string>{"0.0.0.0", "::1"}));
    EXPECT_EQ(options.logFile, "l.txt");
    EXPECT_EQ(options.portFile, "p.txt");
    EXPECT_EQ(options.pageBase, "http://h:1");
    EXPECT_EQ(options.maxPages, 5u);
    const std::vector<std::vector<std::string>> bad = {
        {"--port"}, {"--port", "65536"}, {"--port", "-1"}, {"--port", "8o"}, {"--frobnicate", "1"},
        {"--page-base", "file:///c:/x"}, {"--max-pages", ""}};
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

}  // namespace
