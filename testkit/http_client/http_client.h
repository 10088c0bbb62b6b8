#pragma once
// A minimal HTTP client for tests of loopback servers: send raw request bytes,
// read the whole answer until the server closes, split it into its parts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/http/http_message.h"

namespace httpd {

struct ClientResponse {
    int status = 0;
    std::string reason;
    std::vector<Header> headers;
    std::string body;

    const std::string* FindHeader(std::string_view name) const;
};

// Connects, sends `request` as it stands (then ends the sending side unless
// `keepSending`) and returns every byte received until the server closes or
// timeoutMs passes. A send that fails half-way (the server answered early and
// closed) still reads the answer. Throws SocketError when the connection cannot
// be made.
std::string ExchangeRaw(std::uint16_t port, std::string_view request, bool keepSending = false, int timeoutMs = 10000,
                        const std::string& address = "127.0.0.1");

// Splits "HTTP/1.x status reason", headers and body; nullopt when the bytes are
// not an HTTP response.
std::optional<ClientResponse> ParseResponse(std::string_view raw);

// "GET <target> HTTP/1.1" with a Host header for 127.0.0.1:port and any extra
// header lines (each ending in "\r\n"), parsed; nullopt when no response came.
std::optional<ClientResponse> Get(std::uint16_t port, std::string_view target, std::string_view extraHeaders = {});

}  // namespace httpd
