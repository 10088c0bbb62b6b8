// The catalogue listening on several addresses at one port, as the installed
// service does on both loopback addresses.

#include <gtest/gtest.h>

#include <string>

#include "service/service.h"
#include "testkit/http_client/http_client.h"
#include "testkit/http_client/blocking_socket.h"

using namespace catalogue;

namespace {

ServiceOptions BothLoopbacks(std::uint16_t port) {
    ServiceOptions options = ParseServiceOptions({"--service", "--no-lookup"});
    options.port = port;
    return options;
}

std::string Submit(const std::string& address, std::uint16_t port) {
    const auto response = httpd::ParseResponse(httpd::ExchangeRaw(
        port, "GET /input/submit.php?dataset=42 HTTP/1.1\r\nHost: localhost\r\n\r\n", false, 10000, address));
    return response ? std::to_string(response->status) + " " + response->body : "no answer";
}

TEST(RunningCatalogue, AnswersOnEveryAddressAtOnePort) {
    RunningCatalogue catalogue(BothLoopbacks(0), nullptr);
    catalogue.Start();
    const std::uint16_t port = catalogue.Port();
    ASSERT_NE(port, 0);
    const std::string expected = "200 http://localhost:" + std::to_string(port) + "/apps/";
    EXPECT_EQ(Submit("127.0.0.1", port).substr(0, expected.size()), expected);
    EXPECT_EQ(Submit("::1", port).substr(0, expected.size()), expected);
    EXPECT_EQ(catalogue.Addresses(),
              "http://127.0.0.1:" + std::to_string(port) + "/ http://[::1]:" + std::to_string(port) + "/");
}

TEST(RunningCatalogue, APortTakenOnOneAddressLeavesNothingListening) {
    // Another program holds the port on the IPv6 loopback only.
    const httpd::Socket other = httpd::ListenTcp("::1", 0, 4);
    const std::uint16_t port = httpd::LocalPort(other);
    RunningCatalogue catalogue(BothLoopbacks(port), nullptr);
    try {
        catalogue.Start();
        FAIL() << "Start() succeeded on a taken port";
    } catch (const ListenError& error) {
        EXPECT_NE(std::string(error.what()).find("[::1]:" + std::to_string(port)), std::string::npos) << error.what();
        EXPECT_NE(error.Code(), 0);
    }
    EXPECT_EQ(catalogue.Port(), 0);
    EXPECT_THROW(httpd::ConnectTcp("127.0.0.1", port), httpd::SocketError);  // the IPv4 listener was closed again
}

TEST(RunningCatalogue, StopEndsListeningAndMayBeRepeated) {
    RunningCatalogue catalogue(BothLoopbacks(0), nullptr);
    catalogue.Start();
    const std::uint16_t port = catalogue.Port();
    catalogue.Stop();
    catalogue.Stop();
    EXPECT_THROW(httpd::ConnectTcp("127.0.0.1", port), httpd::SocketError);
    EXPECT_THROW(httpd::ConnectTcp("::1", port), httpd::SocketError);
}

}  // namespace
