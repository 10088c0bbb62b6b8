#include "service/http/http_server.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "testkit/http_client/blocking_socket.h"
#include "testkit/http_client/http_client.h"

using namespace httpd;

namespace {

// Answers with what it understood of the request, one field per line.
Response Describe(const Request& r) {
    const std::string text = "method=" + r.method + "\npath=" + r.path + "\nquery=" + r.query +
                             "\nauthority=" + r.authority + "\nhost=" + r.Host() +
                             "\nagent=" + r.HeaderValue("User-Agent") + "\nbody=" + r.body + "\n";
    return Response::WithBody(200, "text/plain", text);
}

struct LogEntry {
    std::string line;
    int status;
};

class ServerTest : public ::testing::Test {
protected:
    ServerOptions Options() {
        ServerOptions options;
        options.limits.maxRequestLine = 1024;
        options.limits.maxHeadBytes = 4096;
        options.limits.maxHeaderCount = 20;
        options.limits.maxBodyBytes = 16384;
        options.logger = [this](std::string_view line, int status) {
            std::lock_guard<std::mutex> lock(logMutex_);
            log_.push_back({std::string(line), status});
        };
        return options;
    }

    std::vector<LogEntry> Log() {
        std::lock_guard<std::mutex> lock(logMutex_);
        return log_;
    }

    std::mutex logMutex_;
    std::vector<LogEntry> log_;
};

TEST_F(ServerTest, ServesOriginFormTargets) {
    Server server(Describe, Options());
    server.Start();
    const auto response = Get(server.Port(), "/input/submit.php?dataset=1,2", "User-Agent: vantrel.exe\r\n");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 200);
    EXPECT_EQ(response->body, "method=GET\npath=/input/submit.php\nquery=dataset=1,2\nauthority=\nhost=127.0.0.1:" +
                                  std::to_string(server.Port()) + "\nagent=vantrel.exe\nbody=\n");
    ASSERT_NE(response->FindHeader("connection"), nullptr);
    EXPECT_EQ(*response->FindHeader("connection"), "close");
    EXPECT_EQ(*response->FindHeader("content-length"), std::to_string(response->body.size()));
}

TEST_F(ServerTest, ServesAbsoluteFormTargetsAsAProxyWould) {
    Server server(Describe, Options());
    server.Start();
    const std::string raw = ExchangeRaw(server.Port(),
                                        "GET http://localhost:80/input/submit.php?dataset=9 HTTP/1.1\r\n"
                                        "Host: localhost\r\nProxy-Connection: Keep-Alive\r\n\r\n");
    const auto response = ParseResponse(raw);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 200);
    EXPECT_EQ(response->body,
              "method=GET\npath=/input/submit.php\nquery=dataset=9\nauthority=localhost:80\n"
              "host=localhost:80\nagent=\nbody=\n");
}

TEST_F(ServerTest, AnswersMalformedAndOversizedRequestsWith400AndGoesOn) {
    struct Row {
        const char* name;
        std::string request;
    };
    const Row rows[] = {
        {"garbage", "hello\r\n\r\n"},
        {"binary junk", std::string("\x00\xff\x16\x03\x01\x02\x00\r\n\r\n", 11)},
        {"TLS hello", std::string("\x16\x03\x01\x00\xa5\x01\x00\x00\xa1\x03\x03", 11)},
        {"unknown version", "GET / HTTP/3.0\r\n\r\n"},
        {"asterisk target", "OPTIONS * HTTP/1.1\r\n\r\n"},
        {"https target", "GET https://example.test/ HTTP/1.1\r\n\r\n"},
        {"header without colon", "GET / HTTP/1.1\r\nnonsense\r\n\r\n"},
        {"request line too long", "GET /" + std::string(5000, 'a') + " HTTP/1.1\r\n\r\n"},
        {"endless request line", std::string(200000, 'a')},
        {"head too big", "GET / HTTP/1.1\r\nX: " + std::string(8000, 'b') + "\r\n\r\n"},
        {"body too big", "POST / HTTP/1.1\r\nContent-Length: 100000\r\n\r\n" + std::string(100000, 'c')},
        {"chunked body", "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n"},
        {"head cut short", "GET / HTTP/1.1\r\nHost: a\r\n"},
        {"body cut short", "POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc"},
    };
    Server server(Describe, Options());
    server.Start();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto response = ParseResponse(ExchangeRaw(server.Port(), row.request));
        ASSERT_TRUE(response);
        EXPECT_EQ(response->status, 400);
        EXPECT_EQ(response->body, "Bad Request\n");
    }
    const auto after = Get(server.Port(), "/still-there");
    ASSERT_TRUE(after);
    EXPECT_EQ(after->status, 200);
}

TEST_F(ServerTest, RefusesMoreHeadersThanTheLimit) {
    std::string request = "GET / HTTP/1.1\r\n";
    for (int i = 0; i < 21; ++i) request += "X-" + std::to_string(i) + ": v\r\n";
    Server server(Describe, Options());
    server.Start();
    const auto refused = ParseResponse(ExchangeRaw(server.Port(), request + "\r\n"));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 400);
    request.erase(request.rfind("X-20"));
    const auto accepted = ParseResponse(ExchangeRaw(server.Port(), request + "\r\n"));
    ASSERT_TRUE(accepted);
    EXPECT_EQ(accepted->status, 200);
}

TEST_F(ServerTest, SendsBodiesOfSeveralKilobytesWhole) {
    std::string big;
    for (int i = 0; big.size() < 48 * 1024; ++i) big += std::to_string(i) + ",";
    Server server([&big](const Request&) { return Response::WithBody(200, "text/plain", big); }, Options());
    server.Start();
    const auto response = Get(server.Port(), "/big");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->body, big);
}

TEST_F(ServerTest, ReceivesARequestBodyOfSeveralKilobytes) {
    std::string payload;
    for (int i = 0; payload.size() < 12000; ++i) payload += static_cast<char>('a' + i % 26);
    Server server([](const Request& r) { return Response::WithBody(200, "text/plain", r.body); }, Options());
    server.Start();
    const auto response = ParseResponse(
        ExchangeRaw(server.Port(),
                    "POST /echo HTTP/1.1\r\nContent-Length: " + std::to_string(payload.size()) + "\r\n\r\n" + payload));
    ASSERT_TRUE(response);
    EXPECT_EQ(response->body, payload);
}

TEST_F(ServerTest, ServesRequestsOneAfterAnother) {
    Server server(Describe, Options());
    server.Start();
    for (const char* query : {"first", "second", "third"}) {
        SCOPED_TRACE(query);
        const auto response = Get(server.Port(), std::string("/p?") + query);
        ASSERT_TRUE(response);
        EXPECT_NE(response->body.find(std::string("query=") + query + "\n"), std::string::npos);
    }
}

TEST_F(ServerTest, PortZeroPicksDistinctFreePorts) {
    Server first(Describe, Options());
    Server second(Describe, Options());
    first.Start();
    second.Start();
    EXPECT_NE(first.Port(), 0);
    EXPECT_NE(second.Port(), 0);
    EXPECT_NE(first.Port(), second.Port());
    EXPECT_EQ(Get(second.Port(), "/")->status, 200);
}

TEST_F(ServerTest, ATakenPortCannotBeListenedOnTwice) {
    Server first(Describe, Options());
    first.Start();
    ServerOptions options = Options();
    options.port = first.Port();
    Server second(Describe, options);
    EXPECT_THROW(second.Start(), ListenError);
    EXPECT_EQ(Get(first.Port(), "/")->status, 200);
}

TEST_F(ServerTest, LogsEveryRequestLineWithItsStatus) {
    Server server(Describe, Options());
    server.Start();
    Get(server.Port(), "/one?x=1");
    ExchangeRaw(server.Port(), "BAD\x1b[31m\r\n\r\n");
    server.Stop();
    const std::vector<LogEntry> log = Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].line, "GET /one?x=1 HTTP/1.1");
    EXPECT_EQ(log[0].status, 200);
    EXPECT_EQ(log[1].line, "BAD?[31m");
    EXPECT_EQ(log[1].status, 400);
}

TEST_F(ServerTest, AHandlerThatThrowsGives500) {
    Server server([](const Request&) -> Response { throw std::runtime_error("boom"); }, Options());
    server.Start();
    const auto response = Get(server.Port(), "/");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 500);
}

TEST_F(ServerTest, AHeadRequestGetsNoBody) {
    Server server(Describe, Options());
    server.Start();
    const auto response = ParseResponse(ExchangeRaw(server.Port(), "HEAD /x HTTP/1.0\r\n\r\n"));
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 200);
    EXPECT_TRUE(response->body.empty());
    EXPECT_NE(*response->FindHeader("Content-Length"), "0");
}

TEST_F(ServerTest, ASlowClientGets408) {
    ServerOptions options = Options();
    options.limits.requestTimeoutMs = 300;
    Server server(Describe, options);
    server.Start();
    const auto response = ParseResponse(ExchangeRaw(server.Port(), "GET / HTTP/1.1\r\nHost: a\r\n", true, 5000));
    // The client keeps its side open, so only the time limit ends the read.
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 408);
}

TEST_F(ServerTest, StopEndsWhileAClientHoldsAnIdleConnection) {
    Server server(Describe, Options());
    server.Start();
    const Socket idle = ConnectTcp("127.0.0.1", server.Port());
    SendAll(idle, "GET / HT");
    server.Stop();  // returns: the waiting read notices the stop
    EXPECT_THROW(ConnectTcp("127.0.0.1", server.Port()), SocketError);
}

TEST_F(ServerTest, StartTwiceIsRefused) {
    Server server(Describe, Options());
    server.Start();
    EXPECT_THROW(server.Start(), std::logic_error);
}

}  // namespace
