// The real vantrel-catalogue program, started on a free port and spoken to over
// loopback TCP, as the program and the end-to-end runs use it.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_system.h"
#include "service/request_log.h"
#include "tests/support/temp_dir.h"
#include "tests/support/child_process.h"
#include "testkit/http_client/http_client.h"

using namespace testing_support;

namespace {

// The port file appears (whole, by rename) once the service listens; under
// Wine it has been seen empty for a moment, so only a whole line counts. The
// first start of a Windows program under Wine can take seconds.
std::uint16_t WaitForPortFile(ChildProcess& service, const std::u16string& file) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline && service.Running()) {
        const std::string text = platform::FileExists(file) ? ReadFileBytes(file) : std::string();
        if (text.size() > 1 && text.back() == '\n' && text.find_first_not_of("0123456789\r\n") == std::string::npos) {
            return static_cast<std::uint16_t>(std::stoi(text));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t lf = text.find('\n'); lf != std::string::npos; lf = text.find('\n', start)) {
        std::string line = text.substr(start, lf - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = lf + 1;
    }
    return lines;
}

class CatalogueProcess : public ::testing::Test {
protected:
    void SetUp() override { Start({}); }

    void Start(const std::vector<std::string>& extra, bool lookups = false) {
        std::vector<std::string> arguments{"--port", "0", "--port-file", PathArgument(dir_.File(u"port.txt")),
                                           "--log", PathArgument(dir_.File(u"requests.log"))};
        if (!lookups) arguments.push_back("--no-lookup");
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        service_.reset();
        platform::DeleteFileAt(dir_.File(u"port.txt"));
        service_ = std::make_unique<ChildProcess>(VANTREL_CATALOGUE_EXE, arguments, dir_.File(u"stdout.txt"));
        port_ = WaitForPort();
        ASSERT_NE(port_, 0) << "the service did not report its port";
    }

    std::uint16_t WaitForPort() { return WaitForPortFile(*service_, dir_.File(u"port.txt")); }

    std::optional<httpd::ClientResponse> Send(const std::string& request) {
        return httpd::ParseResponse(httpd::ExchangeRaw(port_, request));
    }

    TempDir dir_;
    std::unique_ptr<ChildProcess> service_;
    std::uint16_t port_ = 0;
};

TEST_F(CatalogueProcess, ServesThePageWhoseAddressItReturns) {
    const std::string base = "http://localhost:" + std::to_string(port_);
    const auto reply = httpd::Get(port_, "/input/submit.php?dataset=284882215,42", "User-Agent: vantrel.exe\r\n");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    ASSERT_EQ(reply->body.substr(0, base.size() + 6), base + "/apps/");
    const auto page = httpd::Get(port_, reply->body.substr(base.size()));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("<a href=\"https://apps.apple.com/app/id284882215\">284882215</a>"), std::string::npos);
    EXPECT_NE(page->body.find("<a href=\"https://apps.apple.com/app/id42\">42</a>"), std::string::npos);
}

// What WinInet sends to the proxy that http_proxy names, for a host other than the service's.
const std::string kProxiedSubmission =
    "GET http://catalogue.example:80/input/submit.php?dataset=5,6 HTTP/1.1\r\n"
    "User-Agent: vantrel.exe\r\nHost: catalogue.example\r\n"
    "Proxy-Connection: Keep-Alive\r\n\r\n";

TEST_F(CatalogueProcess, AnswersOnlyForItsOwnNames) {
    struct Row {
        const char* name;
        std::string request;
        int status;
    };
    const Row rows[] = {
        {"the program's request", "GET /input/submit.php?dataset=1 HTTP/1.1\r\nHost: localhost\r\n\r\n", 200},
        {"the program's request through a proxy",
         "GET http://localhost:80/input/submit.php?dataset=1 HTTP/1.1\r\nHost: localhost\r\n\r\n", 200},
        {"a rebound name", "GET /input/submit.php?dataset=1 HTTP/1.1\r\nHost: attacker.example\r\n\r\n", 421},
        {"another host through the service as a proxy", kProxiedSubmission, 421},
        {"a submission from another site",
         "GET /input/submit.php?dataset=1 HTTP/1.1\r\nHost: localhost\r\nSec-Fetch-Site: cross-site\r\n"
         "Origin: http://attacker.example\r\n\r\n",
         403},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto reply = Send(row.request);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, row.status);
        if (row.status != 200) {
            EXPECT_EQ(reply->body.find("http"), std::string::npos) << "no address";
        }
    }
}

// Only for tests and the demo, and only when asked: the service as the proxy
// of a program that asks for another host.
TEST_F(CatalogueProcess, StandsAsTheProxyForAnyHostWhenAsked) {
    Start({"--any-host", "--page-base", "http://catalogue.example:80"});
    const auto reply = Send(kProxiedSubmission);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    const std::string base = "http://catalogue.example:80";
    ASSERT_EQ(reply->body.substr(0, base.size()), base);
    const auto page = Send("GET " + reply->body + " HTTP/1.1\r\nHost: catalogue.example\r\n\r\n");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("https://apps.apple.com/app/id6"), std::string::npos);
}

// 1,047 identifiers of the greatest length: more than a page lists, and a
// request line longer than the longest list a page holds.
TEST_F(CatalogueProcess, NamesIdentifiersOverTheLimit) {
    std::string list;
    for (int i = 0; i < 1047; ++i) list += (i ? "," : "") + std::to_string(10000000000000000000ull + i);
    const auto reply = httpd::Get(port_, "/input/submit.php?dataset=" + list);
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->status, 200);
    const std::string base = "http://localhost:" + std::to_string(port_);
    const auto page = httpd::Get(port_, reply->body.substr(base.size()));
    ASSERT_TRUE(page);
    EXPECT_NE(page->body.find("47 more app identifiers were over the limit of 1,000 and were left out."),
              std::string::npos);
    EXPECT_EQ(page->body.find("not an app identifier"), std::string::npos);
}

TEST_F(CatalogueProcess, AnswersBadRequestsAndUnknownPathsAndKeepsRunning) {
    struct Row {
        const char* name;
        std::string request;
        int status;
    };
    const Row rows[] = {
        {"garbage", "\x16\x03\x01 hello\r\n\r\n", 400},
        {"oversized", "GET /" + std::string(200000, 'a') + " HTTP/1.1\r\n\r\n", 400},
        {"no dataset", "GET /input/submit.php HTTP/1.1\r\n\r\n", 400},
        {"unknown path", "GET /index.html HTTP/1.1\r\n\r\n", 404},
        {"unknown page", "GET /apps/" + std::string(32, '0') + ".html HTTP/1.1\r\n\r\n", 404},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto reply = Send(row.request);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, row.status);
    }
    EXPECT_TRUE(service_->Running());
    EXPECT_EQ(httpd::Get(port_, "/input/submit.php?dataset=1")->status, 200);
}

// The most identifiers a page lists, each of the greatest length, in one
// request through a proxy: taken, listed, and its request line logged whole.
// The line is logged as far as a log line goes, saying where it was cut.
TEST_F(CatalogueProcess, TakesTheLongestSubmissionAndLogsItWhole) {
    std::string list;
    for (int i = 0; i < 1000; ++i) list += (i ? "," : "") + std::to_string(10000000000000000000ull + i);
    const std::string line = "GET http://localhost:80/input/submit.php?dataset=" + list + " HTTP/1.1";
    const auto reply = Send(line + "\r\nHost: localhost\r\n\r\n");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    const auto page = Send("GET " + reply->body + " HTTP/1.1\r\nHost: localhost\r\n\r\n");
    ASSERT_TRUE(page);
    EXPECT_NE(page->body.find(std::to_string(10000000000000000999ull)), std::string::npos) << "the last identifier";
    // Lines are written by a thread of their own after the answer: wait for both.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Lines(ReadFileBytes(dir_.File(u"requests.log"))).size() < 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const auto logged = Lines(ReadFileBytes(dir_.File(u"requests.log")));
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_TRUE(std::ranges::count(logged, catalogue::CutForLog(line)) == 1) << "the submission's line, cut";
    EXPECT_NE(logged[0].find(" ... (cut, " + std::to_string(line.size()) + " bytes in all)"), std::string::npos);
}

TEST_F(CatalogueProcess, LogsEveryRequestLineToStdoutAndTheLogFile) {
    httpd::Get(port_, "/input/submit.php?dataset=1,2");
    Send("GET http://localhost/input/submit.php?dataset=3 HTTP/1.1\r\n\r\n");
    Send("nonsense\r\n\r\n");
    const std::vector<std::string> expected = {
        "GET /input/submit.php?dataset=1,2 HTTP/1.1",
        "GET http://localhost/input/submit.php?dataset=3 HTTP/1.1",
        "nonsense",
    };
    // Standard output and the log file are each written by a thread of their
    // own, after the answer: wait for the last line in both.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    const auto logged = [this](const char16_t* file) { return Lines(ReadFileBytes(dir_.File(file))); };
    while ((logged(u"requests.log").size() < expected.size() || logged(u"stdout.txt").size() < expected.size()) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // One thread serves every connection and logs each once answered: in the order of the requests.
    EXPECT_EQ(logged(u"requests.log"), expected);
    EXPECT_EQ(logged(u"stdout.txt"), expected);
}

// An operator sees the store lookups fail, on the console and in the log
// file: once a minute, however many calls fail.
TEST_F(CatalogueProcess, LogsFailedLookupsOnceAMinute) {
    Start({"--lookup-url", "http://127.0.0.1:1/lookup"}, true);  // nothing listens on port 1: refused at once
    httpd::Get(port_, "/input/submit.php?dataset=1,2");
    const auto failures = [this](const char16_t* file) {
        std::vector<std::string> found;
        for (const std::string& line : Lines(ReadFileBytes(dir_.File(file)))) {
            if (line.starts_with("lookups: a call to the store failed (")) found.push_back(line);
        }
        return found;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((failures(u"requests.log").empty() || failures(u"stdout.txt").empty()) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    httpd::Get(port_, "/input/submit.php?dataset=3,4");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(failures(u"requests.log").size(), 1u);
    EXPECT_EQ(failures(u"stdout.txt").size(), 1u);
}

}  // namespace

// The count of "vantrel-catalogue: N lines were dropped here: the output did
// not keep up" (or "1 line was"); 0 for any other line.
std::uint64_t DroppedCount(const std::string& line) {
    const std::string start = "vantrel-catalogue: ";
    const std::size_t space = line.find(' ', start.size());
    if (line.rfind(start, 0) != 0 || space == std::string::npos) return 0;
    const std::string count = line.substr(start.size(), space - start.size());
    if (count.empty() || count.find_first_not_of("0123456789") != std::string::npos) return 0;
    const std::string rest = line.substr(space);
    if (rest != " lines were dropped here: the output did not keep up" &&
        rest != " line was dropped here: the output did not keep up") {
        return 0;
    }
    return std::stoull(count);
}

// The console form with its output going nowhere: a pipe nobody reads (as a
// console window whose output is paused). Serving goes on; the lines that did
// not fit are dropped and counted, and the count is said once the output moves.
TEST(CatalogueConsole, ServesWhileNobodyReadsItsOutput) {
    TempDir dir;
    ChildProcess service(VANTREL_CATALOGUE_EXE, {"--port", "0", "--port-file", PathArgument(dir.File(u"port.txt")), "--no-lookup"},
                         PipedOutput{});
    const std::uint16_t port = WaitForPortFile(service, dir.File(u"port.txt"));
    ASSERT_NE(port, 0);
    // Request lines of about 2 KB each: 1,500 of them are more than the pipe
    // and the service's queue together hold.
    std::string list;
    for (int i = 0; i < 200; ++i) list += (i ? "," : "") + std::to_string(1000000000 + i);
    const std::string target = "/input/submit.php?dataset=" + list;
    constexpr int kRequests = 1500;
    int answered = 0;
    for (int i = 0; i < kRequests; ++i) {
        const auto reply = httpd::Get(port, target);
        if (reply && reply->status == 200) ++answered;
    }
    EXPECT_EQ(answered, kRequests);
    // Now the output is read: what was kept, then how much was not.
    std::string output;
    std::uint64_t dropped = 0;
    std::size_t logged = 0;
    for (int round = 0; round < 100 && logged + dropped < static_cast<std::size_t>(kRequests); ++round) {
        output += service.ReadOutput(200);
        dropped = 0;
        logged = 0;
        for (const std::string& line : Lines(output)) {
            dropped += DroppedCount(line);
            if (line == catalogue::CutForLog("GET " + target + " HTTP/1.1")) ++logged;
        }
    }
    EXPECT_GT(dropped, 0u);
    EXPECT_EQ(logged + dropped, static_cast<std::size_t>(kRequests));
}
