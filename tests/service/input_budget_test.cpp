// The budget for unfinished requests over the server's life: whatever way
// earlier connections ended, it counts only what the live ones hold, so a
// request that arrives in pieces is still answered after hundreds of others.

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

#include "service/http/http_server.h"
#include "service/http/input_buffer.h"
#include "testkit/http_client/blocking_socket.h"
#include "testkit/http_client/http_client.h"

using namespace httpd;

namespace {

constexpr int kGenerousWaitMs = 20000;
constexpr int kConnections = 300;
const std::string kFirstPiece = "GET /split HTTP/1.1\r\nHost: 127.0.0.1\r\n";

Response Serve(const Request& request) { return Response::WithBody(200, "text/plain", request.path); }

// The request in two pieces 100 ms apart (the server has read the first
// before the second comes); the answer's status, 0 when none came.
int SplitRequestStatus(std::uint16_t port) {
    const Socket socket = ConnectTcp("127.0.0.1", port);
    SendAll(socket, kFirstPiece);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    SendAll(socket, "\r\n");
    std::string received;
    char chunk[4096];
    while (WaitReadable(socket, kGenerousWaitMs) == WaitResult::kReady) {
        const std::ptrdiff_t count = ReceiveSome(socket, chunk, sizeof chunk);
        if (count <= 0) break;
        received.append(chunk, static_cast<std::size_t>(count));
    }
    const auto response = ParseResponse(received);
    return response ? response->status : 0;
}

// Each way a connection can end, many times over.
void Answered(std::uint16_t port) {
    for (int i = 0; i < kConnections; ++i) ASSERT_EQ(Get(port, "/whole")->status, 200);
}
void Malformed(std::uint16_t port) {
    for (int i = 0; i < kConnections; ++i) ASSERT_EQ(ParseResponse(ExchangeRaw(port, "BAD\r\n\r\n"))->status, 400);
}
void CutShort(std::uint16_t port) {
    for (int i = 0; i < kConnections; ++i) ASSERT_EQ(ParseResponse(ExchangeRaw(port, kFirstPiece))->status, 400);
}
void Silent(std::uint16_t port) {
    for (int i = 0; i < kConnections; ++i) ExchangeRaw(port, "");
}
void TimedOut(std::uint16_t port) {
    std::vector<Socket> waiting;
    for (int i = 0; i < kConnections; ++i) {
        waiting.push_back(ConnectTcp("127.0.0.1", port));
        SendAll(waiting.back(), kFirstPiece);
    }
    for (const Socket& socket : waiting) ASSERT_EQ(WaitReadable(socket, kGenerousWaitMs), WaitResult::kReady);
}

struct EndingCase {
    const char* name;
    void (*run)(std::uint16_t port);
};

class InputBudgetOverTime : public testing::TestWithParam<EndingCase> {};

TEST_P(InputBudgetOverTime, LeavesNoShareBehind) {
    ServerOptions options;
    options.maxBufferedInput = 2048;  // a few hundred stray shares of a few bytes pass it
    options.limits.requestTimeoutMs = 1000;
    Server server(Serve, options);
    server.Start();
    ASSERT_EQ(SplitRequestStatus(server.Port()), 200) << "before";
    GetParam().run(server.Port());
    EXPECT_EQ(SplitRequestStatus(server.Port()), 200) << "after " << kConnections << " connections";
}

INSTANTIATE_TEST_SUITE_P(EachEnding, InputBudgetOverTime,
                         testing::Values(EndingCase{"Answered", Answered}, EndingCase{"Malformed", Malformed},
                                         EndingCase{"CutShort", CutShort}, EndingCase{"Silent", Silent},
                                         EndingCase{"TimedOut", TimedOut}),
                         [](const testing::TestParamInfo<EndingCase>& ending) { return ending.param.name; });

// The buffer's own count, step by step.
TEST(InputBuffer, CountsItsMemoryUntilReleasedOrGone) {
    std::size_t total = 0;
    {
        InputBuffer first(total);
        InputBuffer second(total);
        EXPECT_EQ(total, 0u);
        first.Append("GET / HTTP/1.1\r\n", 16);
        second.Append(std::string(1000, 'a').data(), 1000);
        EXPECT_EQ(total, first.Share() + second.Share());
        EXPECT_GE(second.Share(), 1000u);
        first.Release();
        EXPECT_EQ(first.Share(), 0u);
        EXPECT_EQ(total, second.Share());
        first.Append("x", 1);
        EXPECT_EQ(total, first.Share() + second.Share());
    }
    EXPECT_EQ(total, 0u);
}

}  // namespace
