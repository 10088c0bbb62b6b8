// The server's loop over time: idle, it sleeps until something is due (a
// connection, a deadline, its owner's housekeeping) and the stop wakes it at
// once. Wake-ups are counted by the loop itself; the only time bound here is a
// generous one that a loop waiting for its longest sleep would pass.

#include "service/http/http_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "testkit/http_client/blocking_socket.h"
#include "testkit/http_client/http_client.h"

using namespace httpd;
using namespace std::chrono_literals;

namespace {

constexpr int kGenerousWaitMs = 20000;

Response Serve(const Request& request) { return Response::WithBody(200, "text/plain", request.path); }

std::uint64_t WakeUpsOver(const Server& server, std::chrono::milliseconds stretch) {
    const std::uint64_t before = server.WakeUps();
    std::this_thread::sleep_for(stretch);
    return server.WakeUps() - before;
}

TEST(IdleLoop, SleepsThroughAnIdleStretch) {
    Server server(Serve);
    server.Start();
    ASSERT_EQ(Get(server.Port(), "/")->status, 200);
    std::this_thread::sleep_for(700ms);  // the connection's lingering close is over
    EXPECT_EQ(WakeUpsOver(server, 2s), 0u);
}

TEST(IdleLoop, TheStopWakesItAtOnce) {
    Server server(Serve);
    server.Start();
    std::this_thread::sleep_for(100ms);  // asleep
    const auto start = std::chrono::steady_clock::now();
    server.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << "the stop waited for the longest sleep";
    EXPECT_THROW(ConnectTcp("127.0.0.1", server.Port()), SocketError);
}

TEST(IdleLoop, WakesForHousekeepingWhenItIsDueAndOnlyThen) {
    std::atomic<int> calls{0};
    ServerOptions options;
    options.housekeeping = [&calls](Clock::time_point now) {
        // Due once more 300 ms after the first call, then never.
        return ++calls == 1 ? now + 300ms : Clock::time_point::max();
    };
    Server server(Serve, options);
    server.Start();
    const std::uint64_t wakeUps = WakeUpsOver(server, 1500ms);
    EXPECT_EQ(calls.load(), 2);
    EXPECT_LE(wakeUps, 2u);
}

TEST(IdleLoop, AConnectionsDeadlineWakesItWithoutATick) {
    ServerOptions options;
    options.limits.requestTimeoutMs = 300;
    Server server(Serve, options);
    server.Start();
    const Socket socket = ConnectTcp("127.0.0.1", server.Port());
    SendAll(socket, "GET / HTTP/1.1\r\n");
    ASSERT_EQ(WaitReadable(socket, kGenerousWaitMs), WaitResult::kReady);
    std::string received(64, '\0');
    const std::ptrdiff_t count = ReceiveSome(socket, received.data(), received.size());
    ASSERT_GT(count, 0);
    EXPECT_EQ(received.substr(0, 12), "HTTP/1.1 408");
    // Accept, read, the deadline, the lingering close's end: a handful.
    EXPECT_LE(server.WakeUps(), 8u);
}

TEST(IdleLoop, AHousekeepingFailureIsRetriedLater) {
    std::atomic<int> calls{0};
    ServerOptions options;
    options.housekeeping = [&calls](Clock::time_point) -> Clock::time_point {
        ++calls;
        throw std::runtime_error("no");
    };
    Server server(Serve, options);
    server.Start();
    for (int waited = 0; calls.load() == 0 && waited < kGenerousWaitMs; waited += 10) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(WakeUpsOver(server, 500ms), 0u) << "a failing housekeeping does not spin";
    EXPECT_EQ(calls.load(), 1);
    EXPECT_EQ(Get(server.Port(), "/still")->status, 200);
}

}  // namespace
